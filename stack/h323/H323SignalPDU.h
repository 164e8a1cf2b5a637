#pragma once
// One call-signalling message: the Q.931 message and the H.225 user-user information it
// carries.  Read fills both from a received Q.931 message; Build starts a message of a
// type for a connection's call reference; Encode puts the user-user information (and
// the display name) into the Q.931 elements before sending.

#include <string>

#include "stack/h323/H323UserInformation.h"
#include "stack/q931/Q931.h"

class H323SignalPDU {
 public:
  Q931 m_q931pdu;
  H323UserInformation m_userInfo;
  // Whether the received message carried readable user-user information.
  bool m_hasUserInfo = false;

  void Build(uint8_t q931Type, H323UserInformation::Body body, uint16_t callReference, bool fromDestination);
  // Takes a received message; the user-user information is read when present.  False
  // (with the reason) when an element was present but unreadable.
  bool Read(const Q931& message, std::string* error = nullptr);
  // Writes the user-user information and display into the Q.931 message.
  bool Encode(std::string* error = nullptr);

  uint8_t GetMessageType() const { return m_q931pdu.GetMessageType(); }
  const Q931& GetQ931() const { return m_q931pdu; }
  // The source aliases as text (names first), else the display, else "".
  PString GetSourceAliases() const;
};
