#pragma once
// The H.235 password token of RAS requests: a CryptoH323Token cryptoEPPwdHash whose hash
// is the MD5 digest of the aligned-PER encoding of a ClearToken holding the time stamp,
// the password and, in the usual variants, the alias as generalID. Gatekeepers differ in
// which clear token they hash, so the variant is a setting; the default is the one most
// gatekeepers check, whose password and generalID end in a NUL character.

#include <cstdint>
#include <string>

#include "stack/asn/H225.h"

namespace ras {

enum class PasswordHashVariant {
  kWithAliasNul,  // ClearToken { tokenOID 0.0, timeStamp, password + NUL, generalID alias + NUL }
  kWithAlias,     // ClearToken { tokenOID 0.0, timeStamp, password, generalID alias }
  kWithoutAlias,  // ClearToken { tokenOID 0.0, timeStamp, password }
};

// The clear token that is hashed (never sent itself).
H235_ClearToken HashedClearToken(const std::string& alias, const std::string& password,
                                 uint32_t timeStamp, PasswordHashVariant variant);

// The token to put into a request's cryptoTokens; false when it cannot be built (an
// empty alias or password).
bool MakePasswordToken(const std::string& alias, const std::string& password, uint32_t timeStamp,
                       PasswordHashVariant variant, H225_CryptoH323Token& token);

}  // namespace ras
