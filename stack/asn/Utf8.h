#pragma once
// UTF-8 <-> UTF-16 (BMP only) conversion for BMPString values.

#include <string>
#include <string_view>

namespace asn {

// Characters outside the Basic Multilingual Plane and malformed sequences become U+FFFD.
std::u16string Utf8ToBmp(std::string_view utf8);
// Surrogate code units become U+FFFD.
std::string BmpToUtf8(std::u16string_view bmp);

}  // namespace asn
