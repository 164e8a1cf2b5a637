// Someone else's text made safe to show and to pass on.
#pragma once
#include <string>

namespace varlo::wab {
// Valid UTF-8 (invalid bytes replaced), control characters turned into blanks, cut at a
// character boundary to at most kMaxPropText bytes.
std::string SafeText(const char* text);
}  // namespace varlo::wab
