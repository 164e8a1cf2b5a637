#include "stack/q931/Q931Elements.h"

namespace q931 {
namespace {

constexpr uint8_t kExt = 0x80;  // set on the last octet of an octet group

bool Fits(unsigned value, unsigned bits) { return value < (1u << bits); }

// Skips an octet group (octets up to the one whose extension bit is set) starting at i;
// returns the index after the group, or 0 when the group runs past the contents.
size_t SkipGroup(std::span<const uint8_t> c, size_t i) {
  while (i < c.size()) {
    if (c[i++] & kExt) return i;
  }
  return 0;
}

}  // namespace

bool IsIA5(std::string_view text) {
  for (char ch : text) {
    if (static_cast<unsigned char>(ch) >= 0x80) return false;
  }
  return true;
}

std::optional<Bytes> EncodeBearerCapability(const BearerCapability& v) {
  if (!Fits(v.codingStandard, 2) || !Fits(v.transferCapability, 5) || !Fits(v.transferMode, 2) ||
      !Fits(v.transferRate, 5) || !Fits(v.rateMultiplier, 7))
    return std::nullopt;
  if (v.hasLayer1 && !Fits(v.layer1Protocol, 5)) return std::nullopt;
  Bytes out;
  out.push_back(static_cast<uint8_t>(kExt | (v.codingStandard << 5) | v.transferCapability));
  out.push_back(static_cast<uint8_t>(kExt | (v.transferMode << 5) | v.transferRate));
  if (v.transferRate == BearerCapability::kRateMultirate) out.push_back(static_cast<uint8_t>(kExt | v.rateMultiplier));
  if (v.hasLayer1) out.push_back(static_cast<uint8_t>(kExt | 0x20 | v.layer1Protocol));
  return out;
}

std::optional<BearerCapability> DecodeBearerCapability(std::span<const uint8_t> c) {
  if (c.size() < 2) return std::nullopt;
  BearerCapability v;
  v.codingStandard = (c[0] >> 5) & 0x03;
  v.transferCapability = c[0] & 0x1F;
  size_t i = SkipGroup(c, 0);  // octet 3 (and 3a where present)
  if (i == 0 || i >= c.size()) return std::nullopt;
  v.transferMode = (c[i] >> 5) & 0x03;
  v.transferRate = c[i] & 0x1F;
  i = SkipGroup(c, i);  // octet 4 with 4a, 4b
  if (i == 0) return std::nullopt;
  if (v.transferRate == BearerCapability::kRateMultirate) {
    if (i >= c.size()) return std::nullopt;
    v.rateMultiplier = c[i] & 0x7F;
    i = SkipGroup(c, i);
    if (i == 0) return std::nullopt;
  }
  // Layer 1, 2 and 3 groups follow in that order, each naming its layer in bits 7-6.
  v.hasLayer1 = false;
  v.layer1Protocol = 0;
  while (i < c.size()) {
    const uint8_t layer = (c[i] >> 5) & 0x03;
    if (layer == 1 && !v.hasLayer1) {
      v.hasLayer1 = true;
      v.layer1Protocol = c[i] & 0x1F;
    }
    i = SkipGroup(c, i);
    if (i == 0) return std::nullopt;
  }
  return v;
}

std::optional<Bytes> EncodeCause(const Cause& v) {
  if (!Fits(v.value, 7) || !Fits(v.location, 4) || !Fits(v.codingStandard, 2)) return std::nullopt;
  if (v.diagnostics.size() > 253) return std::nullopt;
  Bytes out;
  out.push_back(static_cast<uint8_t>(kExt | (v.codingStandard << 5) | v.location));
  out.push_back(static_cast<uint8_t>(kExt | v.value));
  out.insert(out.end(), v.diagnostics.begin(), v.diagnostics.end());
  return out;
}

std::optional<Cause> DecodeCause(std::span<const uint8_t> c) {
  Cause v;
  if (c.empty()) return std::nullopt;
  v.codingStandard = (c[0] >> 5) & 0x03;
  v.location = c[0] & 0x0F;
  const size_t i = SkipGroup(c, 0);  // octet 3 and the recommendation octet 3a
  if (i == 0 || i >= c.size()) return std::nullopt;
  v.value = c[i] & 0x7F;
  v.diagnostics.assign(c.begin() + static_cast<std::ptrdiff_t>(i + 1), c.end());
  return v;
}

std::optional<Bytes> EncodePartyNumber(const PartyNumber& v) {
  if (!Fits(v.type, 3) || !Fits(v.plan, 4) || !IsIA5(v.digits)) return std::nullopt;
  if (v.hasPresentation && (!Fits(v.presentation, 2) || !Fits(v.screening, 2))) return std::nullopt;
  Bytes out;
  const uint8_t typePlan = static_cast<uint8_t>((v.type << 4) | v.plan);
  if (v.hasPresentation) {
    out.push_back(typePlan);
    out.push_back(static_cast<uint8_t>(kExt | (v.presentation << 5) | v.screening));
  } else {
    out.push_back(static_cast<uint8_t>(kExt | typePlan));
  }
  if (v.digits.size() + out.size() > 255) return std::nullopt;
  out.insert(out.end(), v.digits.begin(), v.digits.end());
  return out;
}

std::optional<PartyNumber> DecodePartyNumber(std::span<const uint8_t> c) {
  PartyNumber v;
  if (c.empty()) return std::nullopt;
  v.type = (c[0] >> 4) & 0x07;
  v.plan = c[0] & 0x0F;
  size_t i = 1;
  if (!(c[0] & kExt)) {
    if (c.size() < 2) return std::nullopt;
    v.hasPresentation = true;
    v.presentation = (c[1] >> 5) & 0x03;
    v.screening = c[1] & 0x03;
    i = SkipGroup(c, 1);
    if (i == 0) return std::nullopt;
  }
  v.digits.assign(c.begin() + static_cast<std::ptrdiff_t>(i), c.end());
  if (!IsIA5(v.digits)) return std::nullopt;
  return v;
}

std::optional<Bytes> EncodeProgressIndicator(const ProgressIndicator& v) {
  if (!Fits(v.description, 7) || !Fits(v.location, 4) || !Fits(v.codingStandard, 2)) return std::nullopt;
  return Bytes{static_cast<uint8_t>(kExt | (v.codingStandard << 5) | v.location),
               static_cast<uint8_t>(kExt | v.description)};
}

std::optional<ProgressIndicator> DecodeProgressIndicator(std::span<const uint8_t> c) {
  if (c.size() < 2) return std::nullopt;
  ProgressIndicator v;
  v.codingStandard = (c[0] >> 5) & 0x03;
  v.location = c[0] & 0x0F;
  v.description = c[1] & 0x7F;
  return v;
}

std::optional<Bytes> EncodeCallState(uint8_t state, uint8_t codingStandard) {
  if (!Fits(state, 6) || !Fits(codingStandard, 2)) return std::nullopt;
  return Bytes{static_cast<uint8_t>((codingStandard << 6) | state)};
}

std::optional<uint8_t> DecodeCallState(std::span<const uint8_t> c) {
  if (c.empty()) return std::nullopt;
  return static_cast<uint8_t>(c[0] & 0x3F);
}

std::optional<Bytes> EncodeNotification(uint8_t description) {
  if (!Fits(description, 7)) return std::nullopt;
  return Bytes{static_cast<uint8_t>(kExt | description)};
}

std::optional<uint8_t> DecodeNotification(std::span<const uint8_t> c) {
  if (c.empty()) return std::nullopt;
  return static_cast<uint8_t>(c[0] & 0x7F);
}

}  // namespace q931
