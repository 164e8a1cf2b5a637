#include "stack/ptlib/PStringArray.h"

PINDEX PStringArray::GetStringsIndex(const PString& s) const {
  for (size_t i = 0; i < size(); ++i) {
    if ((*this)[i] == s) return static_cast<PINDEX>(i);
  }
  return P_MAX_INDEX;
}

PString PStringArray::GetAt(PINDEX index) const {
  return index >= 0 && index < GetSize() ? (*this)[static_cast<size_t>(index)] : PString();
}

