#include "stack/q931/Q931.h"

#include <algorithm>

namespace {

constexpr uint8_t kShiftMask = 0xF0;
constexpr uint8_t kShift = 0x90;
constexpr uint8_t kNonLockingShift = 0x08;
constexpr uint8_t kSingleOctet = 0x80;

void SetError(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

bool IsShift(uint8_t id) { return (id & kShiftMask) == kShift; }

std::string Hex(uint8_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[value >> 4] + kDigits[value & 0x0F];
}

}  // namespace

Q931::Q931(uint8_t messageType, uint16_t callReference, bool fromDestination) {
  Build(messageType, callReference, fromDestination);
}

void Q931::Build(uint8_t messageType, uint16_t callReference, bool fromDestination) {
  m_messageType = static_cast<uint8_t>(messageType & 0x7F);
  m_callReference = static_cast<uint16_t>(callReference & kMaxCallReference);
  m_fromDestination = fromDestination;
  m_callReferenceLength = 2;
  m_elements.clear();
}

const char* Q931::GetMessageTypeName(uint8_t type) {
  switch (type) {
    case AlertingMsg: return "Alerting";
    case CallProceedingMsg: return "CallProceeding";
    case ProgressMsg: return "Progress";
    case SetupMsg: return "Setup";
    case ConnectMsg: return "Connect";
    case SetupAckMsg: return "SetupAck";
    case ConnectAckMsg: return "ConnectAck";
    case UserInformationMsg: return "UserInformation";
    case DisconnectMsg: return "Disconnect";
    case ReleaseMsg: return "Release";
    case ReleaseCompleteMsg: return "ReleaseComplete";
    case FacilityMsg: return "Facility";
    case NotifyMsg: return "Notify";
    case StatusEnquiryMsg: return "StatusEnquiry";
    case InformationMsg: return "Information";
    case StatusMsg: return "Status";
    default: return "Unknown";
  }
}

size_t Q931::MaxContentsLength(uint8_t id, uint8_t codeset) {
  if (id & kSingleOctet) return 0;
  if (codeset == 0 && id == UserUserIE) return 0xFFFF;
  return 0xFF;
}

bool Q931::Encode(q931::Bytes& out, std::string* error) const {
  out.clear();
  out.push_back(kProtocolDiscriminator);
  out.push_back(m_callReferenceLength);
  if (m_callReferenceLength == 1) {
    out.push_back(static_cast<uint8_t>((m_fromDestination ? 0x80 : 0) | (m_callReference & 0x7F)));
  } else if (m_callReferenceLength == 2) {
    out.push_back(static_cast<uint8_t>((m_fromDestination ? 0x80 : 0) | (m_callReference >> 8)));
    out.push_back(static_cast<uint8_t>(m_callReference & 0xFF));
  }
  out.push_back(m_messageType);

  // Codeset 0 first, then each higher codeset after a locking shift to it.
  for (uint8_t codeset = 0; codeset < 8; ++codeset) {
    bool shifted = codeset == 0;
    for (const auto& ie : m_elements) {
      if (ie.codeset != codeset) continue;
      if (ie.contents.size() > MaxContentsLength(ie.id, ie.codeset)) {
        SetError(error, "information element " + Hex(ie.id) + " too long");
        out.clear();
        return false;
      }
      if (!shifted) {
        out.push_back(static_cast<uint8_t>(kShift | codeset));
        shifted = true;
      }
      out.push_back(ie.id);
      if (ie.id & kSingleOctet) continue;
      if (codeset == 0 && ie.id == UserUserIE) out.push_back(static_cast<uint8_t>(ie.contents.size() >> 8));
      out.push_back(static_cast<uint8_t>(ie.contents.size() & 0xFF));
      out.insert(out.end(), ie.contents.begin(), ie.contents.end());
    }
  }
  return true;
}

bool Q931::Decode(std::span<const uint8_t> b, std::string* error) {
  *this = Q931();
  auto fail = [&](std::string text) {
    *this = Q931();
    SetError(error, std::move(text));
    return false;
  };
  if (b.size() < 3) return fail("message shorter than its header");
  if (b[0] != kProtocolDiscriminator) return fail("protocol discriminator " + std::to_string(b[0]) + " is not Q.931");
  const uint8_t crvLength = b[1];
  if (crvLength > 2) return fail("call reference of " + std::to_string(crvLength) + " octets");
  size_t i = 2;
  if (b.size() < i + crvLength + 1) return fail("message shorter than its header");
  m_callReferenceLength = crvLength;
  if (crvLength > 0) m_fromDestination = (b[i] & 0x80) != 0;
  if (crvLength == 1) m_callReference = b[i] & 0x7F;
  if (crvLength == 2) m_callReference = static_cast<uint16_t>(((b[i] & 0x7F) << 8) | b[i + 1]);
  i += crvLength;
  if (b[i] & 0x80) return fail("invalid message type octet");
  m_messageType = b[i++];

  uint8_t lockedCodeset = 0;
  int nextCodeset = -1;  // set by a non-locking shift, for the next element only
  while (i < b.size()) {
    const uint8_t id = b[i++];
    const uint8_t codeset = nextCodeset >= 0 ? static_cast<uint8_t>(nextCodeset) : lockedCodeset;
    nextCodeset = -1;
    if (id & kSingleOctet) {
      if (IsShift(id)) {
        if (id & kNonLockingShift) nextCodeset = id & 0x07;
        else lockedCodeset = id & 0x07;
        continue;
      }
      m_elements.push_back({codeset, id, {}});
      continue;
    }
    size_t length = 0;
    if (codeset == 0 && id == UserUserIE) {
      if (b.size() - i < 2) return fail("User-User element length cut off");
      length = (static_cast<size_t>(b[i]) << 8) | b[i + 1];
      i += 2;
    } else {
      if (b.size() - i < 1) return fail("information element length cut off");
      length = b[i++];
    }
    if (b.size() - i < length) {
      return fail("information element " + Hex(id) + " runs past the end of the message");
    }
    m_elements.push_back({codeset, id, q931::Bytes(b.begin() + static_cast<std::ptrdiff_t>(i),
                                                   b.begin() + static_cast<std::ptrdiff_t>(i + length))});
    i += length;
  }
  return true;
}

bool Q931::HasIE(uint8_t id, uint8_t codeset) const { return GetIE(id, codeset) != nullptr; }

const q931::Bytes* Q931::GetIE(uint8_t id, uint8_t codeset) const {
  for (const auto& ie : m_elements) {
    if (ie.id == id && ie.codeset == codeset) return &ie.contents;
  }
  return nullptr;
}

bool Q931::AddIE(uint8_t id, q931::Bytes contents, uint8_t codeset) {
  if (codeset > 7 || IsShift(id) || contents.size() > MaxContentsLength(id, codeset)) return false;
  // Keep each codeset's elements in ascending identifier order, as they must be sent.
  auto pos = std::find_if(m_elements.begin(), m_elements.end(), [&](const InformationElement& ie) {
    return ie.codeset > codeset || (ie.codeset == codeset && ie.id > id);
  });
  m_elements.insert(pos, InformationElement{codeset, id, std::move(contents)});
  return true;
}

bool Q931::SetIE(uint8_t id, q931::Bytes contents, uint8_t codeset) {
  if (codeset > 7 || IsShift(id) || contents.size() > MaxContentsLength(id, codeset)) return false;
  for (auto& ie : m_elements) {
    if (ie.id == id && ie.codeset == codeset) {
      ie.contents = std::move(contents);
      return true;
    }
  }
  return AddIE(id, std::move(contents), codeset);
}

void Q931::RemoveIE(uint8_t id, uint8_t codeset) {
  std::erase_if(m_elements, [&](const InformationElement& ie) { return ie.id == id && ie.codeset == codeset; });
}

namespace {

template <typename T>
bool SetEncoded(Q931& msg, uint8_t id, const std::optional<T>& encoded) {
  return encoded && msg.SetIE(id, *encoded);
}

std::optional<std::string> AsText(const q931::Bytes* contents) {
  if (!contents) return std::nullopt;
  return std::string(contents->begin(), contents->end());
}

}  // namespace

bool Q931::SetBearerCapability(const q931::BearerCapability& value) {
  return SetEncoded(*this, BearerCapabilityIE, q931::EncodeBearerCapability(value));
}

std::optional<q931::BearerCapability> Q931::GetBearerCapability() const {
  const auto* c = GetIE(BearerCapabilityIE);
  return c ? q931::DecodeBearerCapability(*c) : std::nullopt;
}

bool Q931::SetCause(uint8_t value, uint8_t location) {
  q931::Cause cause;
  cause.value = value;
  cause.location = location;
  return SetCause(cause);
}

bool Q931::SetCause(const q931::Cause& value) { return SetEncoded(*this, CauseIE, q931::EncodeCause(value)); }

std::optional<q931::Cause> Q931::GetCause() const {
  const auto* c = GetIE(CauseIE);
  return c ? q931::DecodeCause(*c) : std::nullopt;
}

bool Q931::SetDisplayName(std::string_view name) { return SetIE(DisplayIE, q931::Bytes(name.begin(), name.end())); }

std::optional<std::string> Q931::GetDisplayName() const { return AsText(GetIE(DisplayIE)); }

bool Q931::SetCallingPartyNumber(const q931::PartyNumber& number) {
  return SetEncoded(*this, CallingPartyNumberIE, q931::EncodePartyNumber(number));
}

bool Q931::SetCallingPartyNumber(std::string_view digits) {
  q931::PartyNumber number;
  number.digits = digits;
  return SetCallingPartyNumber(number);
}

std::optional<q931::PartyNumber> Q931::GetCallingPartyNumber() const {
  const auto* c = GetIE(CallingPartyNumberIE);
  return c ? q931::DecodePartyNumber(*c) : std::nullopt;
}

bool Q931::SetCalledPartyNumber(const q931::PartyNumber& number) {
  if (number.hasPresentation) return false;
  return SetEncoded(*this, CalledPartyNumberIE, q931::EncodePartyNumber(number));
}

bool Q931::SetCalledPartyNumber(std::string_view digits) {
  q931::PartyNumber number;
  number.digits = digits;
  return SetCalledPartyNumber(number);
}

std::optional<q931::PartyNumber> Q931::GetCalledPartyNumber() const {
  const auto* c = GetIE(CalledPartyNumberIE);
  if (!c) return std::nullopt;
  auto number = q931::DecodePartyNumber(*c);
  // A called party number has no presentation octet: its first octet ends the group.
  if (number && number->hasPresentation) return std::nullopt;
  return number;
}

bool Q931::SetCallState(uint8_t state) { return SetEncoded(*this, CallStateIE, q931::EncodeCallState(state)); }

std::optional<uint8_t> Q931::GetCallState() const {
  const auto* c = GetIE(CallStateIE);
  return c ? q931::DecodeCallState(*c) : std::nullopt;
}

bool Q931::SetNotificationIndicator(uint8_t description) {
  return SetEncoded(*this, NotificationIndicatorIE, q931::EncodeNotification(description));
}

std::optional<uint8_t> Q931::GetNotificationIndicator() const {
  const auto* c = GetIE(NotificationIndicatorIE);
  return c ? q931::DecodeNotification(*c) : std::nullopt;
}

bool Q931::SetProgressIndicator(const q931::ProgressIndicator& value) {
  return SetEncoded(*this, ProgressIndicatorIE, q931::EncodeProgressIndicator(value));
}

std::optional<q931::ProgressIndicator> Q931::GetProgressIndicator() const {
  const auto* c = GetIE(ProgressIndicatorIE);
  return c ? q931::DecodeProgressIndicator(*c) : std::nullopt;
}

bool Q931::SetFacility(q931::Bytes contents) { return SetIE(FacilityIE, std::move(contents)); }

std::optional<q931::Bytes> Q931::GetFacility() const {
  const auto* c = GetIE(FacilityIE);
  if (!c) return std::nullopt;
  return *c;
}

bool Q931::SetKeypad(std::string_view keys) {
  if (!q931::IsIA5(keys)) return false;
  return SetIE(KeypadIE, q931::Bytes(keys.begin(), keys.end()));
}

std::optional<std::string> Q931::GetKeypad() const {
  auto keys = AsText(GetIE(KeypadIE));
  if (keys && !q931::IsIA5(*keys)) return std::nullopt;
  return keys;
}

bool Q931::SetSignal(uint8_t signal) { return SetIE(SignalIE, q931::Bytes{signal}); }

std::optional<uint8_t> Q931::GetSignal() const {
  const auto* c = GetIE(SignalIE);
  if (!c || c->empty()) return std::nullopt;
  return (*c)[0];
}

bool Q931::SetUserUser(std::span<const uint8_t> data, uint8_t protocolDiscriminator) {
  q931::Bytes contents;
  contents.reserve(data.size() + 1);
  contents.push_back(protocolDiscriminator);
  contents.insert(contents.end(), data.begin(), data.end());
  return SetIE(UserUserIE, std::move(contents));
}

std::optional<Q931::UserUser> Q931::GetUserUser() const {
  const auto* c = GetIE(UserUserIE);
  if (!c || c->empty()) return std::nullopt;
  return UserUser{(*c)[0], q931::Bytes(c->begin() + 1, c->end())};
}
