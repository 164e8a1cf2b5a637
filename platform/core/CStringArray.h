#pragma once
// CStringArray: a growable array of CString with the class library's index interface.
// An index outside the array is a programming error and throws std::out_of_range, except
// where the class library grows the array (SetAtGrow, InsertAt past the end).

#include <vector>

#include "platform/core/CString.h"

class CStringArray {
public:
  int GetSize() const { return static_cast<int>(m_items.size()); }
  int GetCount() const { return GetSize(); }
  int GetUpperBound() const { return GetSize() - 1; }
  BOOL IsEmpty() const { return m_items.empty(); }
  // New elements are empty strings; a negative size empties the array.
  void SetSize(int size);

  const CString& GetAt(int index) const;
  CString& ElementAt(int index);
  void SetAt(int index, const CString& value);
  void SetAtGrow(int index, const CString& value);
  const CString& operator[](int index) const { return GetAt(index); }
  CString& operator[](int index) { return ElementAt(index); }

  // Returns the new element's index.
  int Add(const CString& value);
  // Inserts `count` copies before `index`; past the end the array grows to reach it.
  void InsertAt(int index, const CString& value, int count = 1);
  void RemoveAt(int index, int count = 1);
  void RemoveAll() { m_items.clear(); }

private:
  size_t Checked(int index) const;

  std::vector<CString> m_items;
};
