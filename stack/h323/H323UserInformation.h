#pragma once
// The call-signalling fields this stack reads and writes in the H.225 user-user
// information of a Q.931 message, as plain values.  The connection works on these; the
// coder (EncodeUserInformation / DecodeUserInformation) turns them into the bytes of the
// User-User element and back.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "stack/ptlib/PString.h"
#include "stack/q931/TcpAddress.h"

struct H323AliasAddress {
  enum Kind { e_h323_ID, e_dialedDigits };
  Kind kind = e_h323_ID;
  PString value;

  // Digits, '#', '*' and ',' only: a dialled number; anything else is a name.
  static H323AliasAddress FromText(const PString& text);
  bool operator==(const H323AliasAddress&) const = default;
};

struct H323UserInformation {
  // The alternatives of the message body, numbered as the H.225 choice numbers them.
  enum Body : unsigned {
    e_setup = 0,
    e_callProceeding = 1,
    e_connect = 2,
    e_alerting = 3,
    e_information = 4,
    e_releaseComplete = 5,
    e_facility = 6,
    e_progress = 7,
    e_empty = 8,
    e_status = 9,
    e_statusInquiry = 10,
    e_notify = 12,
  };
  // H.450.4 notifications carried as supplementary-service invokes.
  enum class HoldNotice { None, Hold, Retrieve };

  using Bytes = std::vector<uint8_t>;
  using Guid = std::array<uint8_t, 16>;

  Body body = e_empty;
  Guid callIdentifier{};
  Guid conferenceID{};
  std::vector<H323AliasAddress> sourceAliases;
  std::vector<H323AliasAddress> destinationAliases;
  std::optional<TcpAddress> sourceCallSignalAddress;
  std::optional<TcpAddress> destCallSignalAddress;
  std::optional<TcpAddress> h245Address;
  bool h245Tunnelling = false;
  // Fast start: the encoded OpenLogicalChannel proposals (Setup) or the accepted ones.
  bool hasFastStart = false;
  std::vector<Bytes> fastStart;
  // Tunnelled H.245 messages, each one encoded MultimediaSystemControlMessage.
  std::vector<Bytes> h245Control;
  HoldNotice holdNotice = HoldNotice::None;
  // The H.225 reason alternative of a Release Complete, when one is given.
  std::optional<unsigned> releaseReason;
  PString displayName;  // the endpoint's own name, also sent in the Q.931 Display element

  bool operator==(const H323UserInformation&) const = default;
};

// The bytes of the User-User element for `info`; false when a value does not fit.
bool EncodeUserInformation(const H323UserInformation& info, std::vector<uint8_t>& out, std::string* error = nullptr);
// Reads the User-User element's bytes; false (with a reason) when they are not one.
bool DecodeUserInformation(const uint8_t* data, size_t size, H323UserInformation& info, std::string* error = nullptr);

// A fresh random 16-byte identifier (call identifiers and conference identifiers).
H323UserInformation::Guid H323NewGuid();
