#pragma once
// Who made this endpoint, as the vendor identifier of its RAS and call-signalling
// messages tells gatekeepers and peers: the country and manufacturer codes of the
// maker, the product "Varlo" and the program's version.

#include <string>

#include "stack/asn/H225.h"

inline constexpr unsigned kVarloT35CountryCode = 38;      // China
inline constexpr unsigned kVarloT35Extension = 0;
inline constexpr unsigned kVarloManufacturerCode = 0x564C;  // "VL"
inline constexpr const char* kVarloProductId = "Varlo";

// The program's version: the process object's, or the stack's own when none exists.
std::string H323GetVersionId();
void H323SetVendorIdentifier(H225_VendorIdentifier& vendor);
