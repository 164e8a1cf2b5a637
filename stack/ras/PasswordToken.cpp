#include "stack/ras/PasswordToken.h"

#include "stack/ras/Md5.h"

namespace ras {

namespace {
constexpr const char* kMd5Oid = "1.2.840.113549.2.5";

void SetWithNul(asn::BMPString& out, const std::string& text) {
  out = text;
  std::u16string value = out.GetUcs2();
  value.push_back(u'\0');
  out.SetUcs2(std::move(value));
}
}  // namespace

H235_ClearToken HashedClearToken(const std::string& alias, const std::string& password,
                                 uint32_t timeStamp, PasswordHashVariant variant) {
  H235_ClearToken clear;
  clear.m_tokenOID.SetValue("0.0");
  clear.IncludeOptionalField(H235_ClearToken::e_timeStamp);
  clear.m_timeStamp = timeStamp;
  clear.IncludeOptionalField(H235_ClearToken::e_password);
  if (variant == PasswordHashVariant::kWithAliasNul) {
    SetWithNul(clear.m_password, password);
    clear.IncludeOptionalField(H235_ClearToken::e_generalID);
    SetWithNul(clear.m_generalID, alias);
  } else {
    clear.m_password = password;
  }
  if (variant == PasswordHashVariant::kWithAlias) {
    clear.IncludeOptionalField(H235_ClearToken::e_generalID);
    clear.m_generalID = alias;
  }
  return clear;
}

bool MakePasswordToken(const std::string& alias, const std::string& password, uint32_t timeStamp,
                       PasswordHashVariant variant, H225_CryptoH323Token& token) {
  if (alias.empty() || password.empty() || timeStamp == 0) return false;
  std::vector<uint8_t> encoded;
  if (!HashedClearToken(alias, password, timeStamp, variant).Encode(encoded)) return false;
  auto digest = Md5(encoded);
  auto& hash = token.cryptoEPPwdHash();
  hash.m_alias.h323_ID() = alias;
  hash.m_timeStamp = timeStamp;
  hash.m_token.m_algorithmOID.SetValue(kMd5Oid);
  hash.m_token.m_hash.SetData(std::vector<uint8_t>(digest.begin(), digest.end()), 128);
  return true;
}

}  // namespace ras
