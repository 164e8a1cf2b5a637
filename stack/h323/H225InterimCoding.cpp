#include "stack/h323/H323UserInformation.h"

// Interim form of the user-user information, used between endpoints of this stack until
// the PER message classes take over: a version octet, then tagged fields, each a tag
// octet and a 16-bit length.  Every read is bounded by the element's length.

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kVersion = 0xA1;

enum Tag : uint8_t {
  kBody = 1,
  kCallId,
  kConferenceId,
  kSourceAlias,
  kDestinationAlias,
  kSourceSignal,
  kDestinationSignal,
  kH245Address,
  kTunnelling,
  kFastStartFlag,
  kFastStart,
  kH245Control,
  kHold,
  kReleaseReason,
  kDisplay,
};

class Writer {
 public:
  explicit Writer(Bytes& out) : m_out(out) { m_out.assign(1, kVersion); }
  bool Put(uint8_t tag, const uint8_t* data, size_t size) {
    if (size > 0xFFFF) return m_ok = false;
    m_out.push_back(tag);
    m_out.push_back(static_cast<uint8_t>(size >> 8));
    m_out.push_back(static_cast<uint8_t>(size));
    m_out.insert(m_out.end(), data, data + size);
    return true;
  }
  void Put(uint8_t tag, const Bytes& b) { Put(tag, b.data(), b.size()); }
  void PutU32(uint8_t tag, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    Put(tag, b, 4);
  }
  void PutAddress(uint8_t tag, const TcpAddress& a) {
    const uint8_t b[6] = {uint8_t(a.ip >> 24), uint8_t(a.ip >> 16), uint8_t(a.ip >> 8), uint8_t(a.ip),
                          uint8_t(a.port >> 8), uint8_t(a.port)};
    Put(tag, b, 6);
  }
  void PutAlias(uint8_t tag, const H323AliasAddress& alias) {
    Bytes b(1, static_cast<uint8_t>(alias.kind));
    b.insert(b.end(), alias.value.str().begin(), alias.value.str().end());
    Put(tag, b);
  }
  bool ok() const { return m_ok; }

 private:
  Bytes& m_out;
  bool m_ok = true;
};

uint32_t ReadU32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

bool Fail(std::string* error, const char* text) {
  if (error) *error = text;
  return false;
}

}  // namespace

bool EncodeUserInformation(const H323UserInformation& info, std::vector<uint8_t>& out, std::string* error) {
  Writer w(out);
  w.PutU32(kBody, info.body);
  w.Put(kCallId, info.callIdentifier.data(), info.callIdentifier.size());
  w.Put(kConferenceId, info.conferenceID.data(), info.conferenceID.size());
  for (const auto& a : info.sourceAliases) w.PutAlias(kSourceAlias, a);
  for (const auto& a : info.destinationAliases) w.PutAlias(kDestinationAlias, a);
  if (info.sourceCallSignalAddress) w.PutAddress(kSourceSignal, *info.sourceCallSignalAddress);
  if (info.destCallSignalAddress) w.PutAddress(kDestinationSignal, *info.destCallSignalAddress);
  if (info.h245Address) w.PutAddress(kH245Address, *info.h245Address);
  if (info.h245Tunnelling) w.PutU32(kTunnelling, 1);
  if (info.hasFastStart) w.PutU32(kFastStartFlag, 1);
  for (const auto& b : info.fastStart) w.Put(kFastStart, b);
  for (const auto& b : info.h245Control) w.Put(kH245Control, b);
  if (info.holdNotice != H323UserInformation::HoldNotice::None) w.PutU32(kHold, static_cast<uint32_t>(info.holdNotice));
  if (info.releaseReason) w.PutU32(kReleaseReason, *info.releaseReason);
  if (!info.displayName.IsEmpty())
    w.Put(kDisplay, reinterpret_cast<const uint8_t*>(info.displayName.GetPointer()), info.displayName.str().size());
  if (!w.ok()) return Fail(error, "a field is too long");
  return true;
}

bool DecodeUserInformation(const uint8_t* data, size_t size, H323UserInformation& info, std::string* error) {
  info = H323UserInformation();
  if (size < 1 || data[0] != kVersion) return Fail(error, "not user-user information of this stack");
  size_t pos = 1;
  bool haveBody = false;
  while (pos < size) {
    if (size - pos < 3) return Fail(error, "truncated field header");
    const uint8_t tag = data[pos];
    const size_t len = (size_t(data[pos + 1]) << 8) | data[pos + 2];
    pos += 3;
    if (size - pos < len) return Fail(error, "field runs past the end");
    const uint8_t* v = data + pos;
    pos += len;
    auto needs = [&](size_t n) { return len == n; };
    switch (tag) {
      case kBody:
        if (!needs(4)) return Fail(error, "bad body");
        info.body = static_cast<H323UserInformation::Body>(ReadU32(v));
        haveBody = true;
        break;
      case kCallId:
      case kConferenceId: {
        if (!needs(16)) return Fail(error, "bad identifier");
        auto& guid = tag == kCallId ? info.callIdentifier : info.conferenceID;
        std::copy(v, v + 16, guid.begin());
        break;
      }
      case kSourceAlias:
      case kDestinationAlias: {
        if (len < 1 || v[0] > H323AliasAddress::e_dialedDigits) return Fail(error, "bad alias");
        H323AliasAddress alias{static_cast<H323AliasAddress::Kind>(v[0]),
                               PString(std::string(reinterpret_cast<const char*>(v + 1), len - 1))};
        (tag == kSourceAlias ? info.sourceAliases : info.destinationAliases).push_back(alias);
        break;
      }
      case kSourceSignal:
      case kDestinationSignal:
      case kH245Address: {
        if (!needs(6)) return Fail(error, "bad address");
        TcpAddress a{ReadU32(v), static_cast<uint16_t>((v[4] << 8) | v[5])};
        (tag == kSourceSignal ? info.sourceCallSignalAddress
                              : tag == kDestinationSignal ? info.destCallSignalAddress : info.h245Address) = a;
        break;
      }
      case kTunnelling: info.h245Tunnelling = true; break;
      case kFastStartFlag: info.hasFastStart = true; break;
      case kFastStart: info.fastStart.emplace_back(v, v + len); break;
      case kH245Control: info.h245Control.emplace_back(v, v + len); break;
      case kHold:
        if (!needs(4) || ReadU32(v) > 2) return Fail(error, "bad hold notice");
        info.holdNotice = static_cast<H323UserInformation::HoldNotice>(ReadU32(v));
        break;
      case kReleaseReason:
        if (!needs(4)) return Fail(error, "bad release reason");
        info.releaseReason = ReadU32(v);
        break;
      case kDisplay: info.displayName = PString(std::string(reinterpret_cast<const char*>(v), len)); break;
      default: break;  // a field of a later version: skipped
    }
  }
  if (!haveBody) return Fail(error, "no message body");
  return true;
}

