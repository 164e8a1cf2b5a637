#pragma once
// One Q.931 message as call signalling carries it: protocol discriminator 8, a call
// reference with its flag (set on messages sent by the side that received the Setup), the
// message type and the information elements.  The H.225 user-user information travels in
// the User-User element (2-byte length, protocol discriminator 5) as opaque PER bytes.
//
// Elements are kept as raw contents, so elements this class does not know (or knows but
// cannot read) survive a decode / encode round trip.  Typed accessors read and write the
// elements the call signalling uses.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stack/q931/Q931Elements.h"

class Q931 {
 public:
  enum MsgTypes : uint8_t {
    AlertingMsg = 0x01,
    CallProceedingMsg = 0x02,
    ProgressMsg = 0x03,
    SetupMsg = 0x05,
    ConnectMsg = 0x07,
    SetupAckMsg = 0x0D,
    ConnectAckMsg = 0x0F,
    UserInformationMsg = 0x20,
    DisconnectMsg = 0x45,
    ReleaseMsg = 0x4D,
    ReleaseCompleteMsg = 0x5A,
    FacilityMsg = 0x62,
    NotifyMsg = 0x6E,
    StatusEnquiryMsg = 0x75,
    InformationMsg = 0x7B,
    StatusMsg = 0x7D,
  };

  enum InformationElementCodes : uint8_t {
    BearerCapabilityIE = 0x04,
    CauseIE = 0x08,
    CallStateIE = 0x14,
    FacilityIE = 0x1C,
    ProgressIndicatorIE = 0x1E,
    NotificationIndicatorIE = 0x27,
    DisplayIE = 0x28,
    DateTimeIE = 0x29,
    KeypadIE = 0x2C,
    SignalIE = 0x34,
    ConnectedNumberIE = 0x4C,
    CallingPartyNumberIE = 0x6C,
    CalledPartyNumberIE = 0x70,
    RedirectingNumberIE = 0x74,
    UserUserIE = 0x7E,
    SendingCompleteIE = 0xA1,  // single octet
  };

  enum CauseValues : uint8_t {
    UnallocatedNumber = 1,
    NoRouteToNetwork = 2,
    NoRouteToDestination = 3,
    ChannelUnacceptable = 6,
    NormalCallClearing = 16,
    UserBusy = 17,
    NoResponse = 18,
    NoAnswer = 19,
    SubscriberAbsent = 20,
    CallRejected = 21,
    NumberChanged = 22,
    Redirection = 23,
    DestinationOutOfOrder = 27,
    InvalidNumberFormat = 28,
    FacilityRejected = 29,
    StatusEnquiryResponse = 30,
    NormalUnspecified = 31,
    NoCircuitChannelAvailable = 34,
    NetworkOutOfOrder = 38,
    TemporaryFailure = 41,
    Congestion = 42,
    RequestedCircuitNotAvailable = 44,
    ResourceUnavailable = 47,
    BearerCapNotAuthorised = 57,
    BearerCapNotPresentlyAvailable = 58,
    ServiceOrOptionNotAvailable = 63,
    BearerCapNotImplemented = 65,
    ServiceNotImplemented = 79,
    InvalidCallReference = 81,
    IncompatibleDestination = 88,
    InvalidMessage = 95,
    MandatoryIEMissing = 96,
    MessageTypeNonexistent = 97,
    MessageNotCompatible = 98,
    IENonExistent = 99,
    InvalidIEContents = 100,
    MessageNotCompatibleWithState = 101,
    TimerExpiry = 102,
    ProtocolErrorUnspecified = 111,
    InterworkingUnspecified = 127,
  };

  // Call states reported in the Call State element of a Status message.
  enum CallStates : uint8_t {
    NullState = 0,
    CallInitiatedState = 1,
    OutgoingCallProceedingState = 3,
    CallDeliveredState = 4,
    CallPresentState = 6,
    CallReceivedState = 7,
    ConnectRequestState = 8,
    IncomingCallProceedingState = 9,
    ActiveState = 10,
    ReleaseRequestState = 19,
  };

  static constexpr uint8_t kProtocolDiscriminator = 0x08;
  static constexpr uint8_t kX208UserInformation = 5;  // User-User protocol discriminator
  static constexpr uint16_t kMaxCallReference = 0x7FFF;

  struct InformationElement {
    uint8_t codeset = 0;  // 0 to 7; elements of codesets other than 0 follow a shift
    uint8_t id = 0;       // 0x80 and up: a single-octet element, contents empty
    q931::Bytes contents;
    bool operator==(const InformationElement&) const = default;
  };

  struct UserUser {
    uint8_t protocolDiscriminator = kX208UserInformation;
    q931::Bytes data;
  };

  Q931() = default;
  Q931(uint8_t messageType, uint16_t callReference, bool fromDestination);

  // Starts a new message of the given type, clearing all elements.
  void Build(uint8_t messageType, uint16_t callReference, bool fromDestination);

  uint8_t GetMessageType() const { return m_messageType; }
  void SetMessageType(uint8_t type) { m_messageType = static_cast<uint8_t>(type & 0x7F); }
  uint16_t GetCallReference() const { return m_callReference; }
  bool IsFromDestination() const { return m_fromDestination; }
  // A message that carried no call reference value (the dummy call reference).
  bool HasDummyCallReference() const { return m_callReferenceLength == 0; }

  static const char* GetMessageTypeName(uint8_t type);

  // Encodes into `out` (replacing its contents).  False with a reason when an element is too
  // long for its length field.
  bool Encode(q931::Bytes& out, std::string* error = nullptr) const;
  // Decodes a whole message.  False with a reason for a wrong discriminator, a call
  // reference longer than 2 octets, or an element that runs past the end; the message is
  // then left empty.
  bool Decode(std::span<const uint8_t> bytes, std::string* error = nullptr);

  // Raw elements.  Set replaces the first element with that identifier (or inserts one);
  // Add appends another (for elements that may repeat).  Both refuse contents longer than
  // the element's length field allows (255, or 65535 for the User-User element).
  bool HasIE(uint8_t id, uint8_t codeset = 0) const;
  const q931::Bytes* GetIE(uint8_t id, uint8_t codeset = 0) const;
  bool SetIE(uint8_t id, q931::Bytes contents, uint8_t codeset = 0);
  bool AddIE(uint8_t id, q931::Bytes contents, uint8_t codeset = 0);
  void RemoveIE(uint8_t id, uint8_t codeset = 0);
  const std::vector<InformationElement>& GetIEs() const { return m_elements; }
  static size_t MaxContentsLength(uint8_t id, uint8_t codeset);

  // Typed elements.  Setters return false (and change nothing) for values that do not
  // fit; getters return nothing when the element is absent or unreadable.
  bool SetBearerCapability(const q931::BearerCapability& value);
  std::optional<q931::BearerCapability> GetBearerCapability() const;

  bool SetCause(uint8_t value, uint8_t location = 0);
  bool SetCause(const q931::Cause& value);
  std::optional<q931::Cause> GetCause() const;

  bool SetDisplayName(std::string_view name);
  std::optional<std::string> GetDisplayName() const;

  bool SetCallingPartyNumber(const q931::PartyNumber& number);
  bool SetCallingPartyNumber(std::string_view digits);
  std::optional<q931::PartyNumber> GetCallingPartyNumber() const;

  // The called party number has no presentation octet; one set on the argument is refused.
  bool SetCalledPartyNumber(const q931::PartyNumber& number);
  bool SetCalledPartyNumber(std::string_view digits);
  std::optional<q931::PartyNumber> GetCalledPartyNumber() const;

  bool SetCallState(uint8_t state);
  std::optional<uint8_t> GetCallState() const;

  bool SetNotificationIndicator(uint8_t description);
  std::optional<uint8_t> GetNotificationIndicator() const;

  bool SetProgressIndicator(const q931::ProgressIndicator& value);
  std::optional<q931::ProgressIndicator> GetProgressIndicator() const;

  bool SetFacility(q931::Bytes contents);
  std::optional<q931::Bytes> GetFacility() const;

  bool SetKeypad(std::string_view keys);  // IA5 characters
  std::optional<std::string> GetKeypad() const;

  bool SetSignal(uint8_t signal);
  std::optional<uint8_t> GetSignal() const;

  // The user-user information; its bytes are the PER-encoded H323-UserInformation.
  bool SetUserUser(std::span<const uint8_t> data, uint8_t protocolDiscriminator = kX208UserInformation);
  std::optional<UserUser> GetUserUser() const;

  bool operator==(const Q931&) const = default;

 private:
  uint8_t m_messageType = 0;
  uint16_t m_callReference = 0;
  bool m_fromDestination = false;
  uint8_t m_callReferenceLength = 2;
  std::vector<InformationElement> m_elements;
};
