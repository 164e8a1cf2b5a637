#pragma once
// Contents of the Q.931 information elements that call signalling uses, with their encoding
// into and decoding from an element's content octets (the octets after its identifier and
// length).  Decoders check every octet against the span and return nothing for contents
// they cannot read; encoders check value ranges and return nothing for values that do not
// fit their fields.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q931 {

using Bytes = std::vector<uint8_t>;

struct BearerCapability {
  enum TransferCapability : uint8_t {
    kSpeech = 0x00,
    kUnrestrictedDigital = 0x08,
    kRestrictedDigital = 0x09,
    kAudio3k1Hz = 0x10,
    kVideo = 0x18,
  };
  enum TransferRate : uint8_t {
    kRatePacketMode = 0x00,
    kRate64k = 0x10,
    kRate128k = 0x11,
    kRate384k = 0x13,
    kRate1536k = 0x15,
    kRate1920k = 0x17,
    kRateMultirate = 0x18,  // 64 kbit/s times rateMultiplier
  };
  enum Layer1Protocol : uint8_t { kV110 = 1, kG711uLaw = 2, kG711ALaw = 3, kG721 = 4, kH221 = 5 };

  uint8_t codingStandard = 0;                       // 2 bits, 0 = ITU-T
  uint8_t transferCapability = kUnrestrictedDigital;  // 5 bits
  uint8_t transferMode = 0;                         // 2 bits, 0 = circuit, 2 = packet
  uint8_t transferRate = kRate64k;                  // 5 bits
  uint8_t rateMultiplier = 0;                       // 7 bits, sent only with kRateMultirate
  bool hasLayer1 = true;                            // send the layer 1 octet
  uint8_t layer1Protocol = kH221;                   // 5 bits

  bool operator==(const BearerCapability&) const = default;
};
std::optional<Bytes> EncodeBearerCapability(const BearerCapability& value);
std::optional<BearerCapability> DecodeBearerCapability(std::span<const uint8_t> contents);

struct Cause {
  uint8_t value = 16;         // 7 bits, a Q931::CauseValues
  uint8_t location = 0;       // 4 bits, 0 = user
  uint8_t codingStandard = 0; // 2 bits, 0 = ITU-T
  Bytes diagnostics;

  bool operator==(const Cause&) const = default;
};
std::optional<Bytes> EncodeCause(const Cause& value);
std::optional<Cause> DecodeCause(std::span<const uint8_t> contents);

// Calling and called party numbers: a type-of-number / numbering-plan octet (with, for the
// calling party only, an optional presentation / screening octet) followed by IA5 digits.
struct PartyNumber {
  enum Plan : uint8_t { kPlanUnknown = 0, kPlanE164 = 1, kPlanData = 3, kPlanTelex = 4, kPlanPrivate = 9 };
  std::string digits;
  uint8_t type = 0;  // 3 bits, 0 = unknown, 1 = international, 2 = national, 4 = subscriber
  uint8_t plan = kPlanE164;  // 4 bits
  bool hasPresentation = false;  // calling party only: send the presentation octet
  uint8_t presentation = 0;      // 2 bits, 0 allowed, 1 restricted, 2 not available
  uint8_t screening = 0;         // 2 bits

  bool operator==(const PartyNumber&) const = default;
};
std::optional<Bytes> EncodePartyNumber(const PartyNumber& value);
std::optional<PartyNumber> DecodePartyNumber(std::span<const uint8_t> contents);

struct ProgressIndicator {
  uint8_t description = 8;    // 7 bits; 1 not end-to-end ISDN, 2 destination non-ISDN, 8 in-band info
  uint8_t location = 0;       // 4 bits
  uint8_t codingStandard = 0; // 2 bits

  bool operator==(const ProgressIndicator&) const = default;
};
std::optional<Bytes> EncodeProgressIndicator(const ProgressIndicator& value);
std::optional<ProgressIndicator> DecodeProgressIndicator(std::span<const uint8_t> contents);

// Call state: 6-bit state value with a 2-bit coding standard.
std::optional<Bytes> EncodeCallState(uint8_t state, uint8_t codingStandard = 0);
std::optional<uint8_t> DecodeCallState(std::span<const uint8_t> contents);

// Notification indicator: one 7-bit description (0 user suspended, 1 user resumed, ...).
std::optional<Bytes> EncodeNotification(uint8_t description);
std::optional<uint8_t> DecodeNotification(std::span<const uint8_t> contents);

// IA5 text (keypad digits, party-number digits): 7-bit characters only.
bool IsIA5(std::string_view text);

}  // namespace q931
