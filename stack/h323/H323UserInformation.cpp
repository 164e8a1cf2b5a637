#include "stack/h323/H323UserInformation.h"

#include <random>

H323AliasAddress H323AliasAddress::FromText(const PString& text) {
  H323AliasAddress alias{e_dialedDigits, text};
  if (text.IsEmpty()) alias.kind = e_h323_ID;
  for (char c : text.str())
    if (!((c >= '0' && c <= '9') || c == '#' || c == '*' || c == ',')) alias.kind = e_h323_ID;
  return alias;
}

H323UserInformation::Guid H323NewGuid() {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  H323UserInformation::Guid g;
  for (size_t i = 0; i < g.size(); i += 8) {
    const uint64_t r = rng();
    for (size_t j = 0; j < 8; ++j) g[i + j] = static_cast<uint8_t>(r >> (8 * j));
  }
  return g;
}
