#include "platform/core/CStringArray.h"

#include <stdexcept>
#include <string>

size_t CStringArray::Checked(int index) const {
  if (index < 0 || index >= GetSize()) {
    throw std::out_of_range("CStringArray index " + std::to_string(index) + " outside 0.." +
                            std::to_string(GetSize()));
  }
  return static_cast<size_t>(index);
}

void CStringArray::SetSize(int size) { m_items.resize(size > 0 ? static_cast<size_t>(size) : 0); }

const CString& CStringArray::GetAt(int index) const { return m_items[Checked(index)]; }

CString& CStringArray::ElementAt(int index) { return m_items[Checked(index)]; }

void CStringArray::SetAt(int index, const CString& value) { m_items[Checked(index)] = value; }

void CStringArray::SetAtGrow(int index, const CString& value) {
  if (index < 0) Checked(index);
  if (index >= GetSize()) SetSize(index + 1);
  m_items[static_cast<size_t>(index)] = value;
}

int CStringArray::Add(const CString& value) {
  m_items.push_back(value);
  return GetSize() - 1;
}

void CStringArray::InsertAt(int index, const CString& value, int count) {
  if (index < 0) Checked(index);
  if (count <= 0) return;
  if (index > GetSize()) SetSize(index);
  m_items.insert(m_items.begin() + index, static_cast<size_t>(count), value);
}

void CStringArray::RemoveAt(int index, int count) {
  Checked(index);
  if (count <= 0) return;
  if (count > GetSize() - index) Checked(index + count - 1);
  m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
}
