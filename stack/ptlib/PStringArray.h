// Ordered lists of strings.  PStringList is the same list under the name some callers use.
#pragma once

#include <initializer_list>
#include <vector>

#include "stack/ptlib/PString.h"

class PStringArray : public std::vector<PString> {
 public:
  PStringArray() = default;
  PStringArray(std::initializer_list<PString> items) : std::vector<PString>(items) {}

  PINDEX GetSize() const { return static_cast<PINDEX>(size()); }
  bool IsEmpty() const { return empty(); }
  void AppendString(const PString& s) { push_back(s); }
  PINDEX AppendString(const char* s) {
    push_back(PString(s));
    return GetSize() - 1;
  }
  // Index of the first entry equal to `s` (byte-wise), P_MAX_INDEX when none.
  PINDEX GetStringsIndex(const PString& s) const;
  // Entry at `index`, or an empty string when out of range.
  PString GetAt(PINDEX index) const;
  void RemoveAll() { clear(); }
};

using PStringList = PStringArray;
