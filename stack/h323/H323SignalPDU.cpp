#include "stack/h323/H323SignalPDU.h"

void H323SignalPDU::Build(uint8_t q931Type, H323UserInformation::Body body, uint16_t callReference,
                          bool fromDestination) {
  m_q931pdu.Build(q931Type, callReference, fromDestination);
  m_userInfo = H323UserInformation();
  m_userInfo.body = body;
  m_hasUserInfo = true;
}

bool H323SignalPDU::Read(const Q931& message, std::string* error) {
  m_q931pdu = message;
  m_userInfo = H323UserInformation();
  m_hasUserInfo = false;
  const auto uu = message.GetUserUser();
  if (!uu) {
    if (!message.HasIE(Q931::UserUserIE)) return true;
    if (error) *error = "unreadable user-user element";
    return false;
  }
  if (!DecodeUserInformation(uu->data.data(), uu->data.size(), m_userInfo, error)) {
    m_userInfo = H323UserInformation();
    return false;
  }
  if (m_userInfo.displayName.IsEmpty()) {
    if (auto display = message.GetDisplayName()) m_userInfo.displayName = PString(*display);
  }
  m_hasUserInfo = true;
  return true;
}

bool H323SignalPDU::Encode(std::string* error) {
  std::vector<uint8_t> bytes;
  if (!EncodeUserInformation(m_userInfo, bytes, error)) return false;
  if (!m_userInfo.displayName.IsEmpty()) m_q931pdu.SetDisplayName(m_userInfo.displayName.view());
  if (!m_q931pdu.SetUserUser(bytes)) {
    if (error) *error = "user-user information too long";
    return false;
  }
  return true;
}

PString H323SignalPDU::GetSourceAliases() const {
  PString names;
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& alias : m_userInfo.sourceAliases) {
      if ((alias.kind == H323AliasAddress::e_h323_ID) != (pass == 0)) continue;
      if (!names.IsEmpty()) names += ", ";
      names += alias.value;
    }
  }
  if (names.IsEmpty()) names = m_userInfo.displayName;
  return names;
}
