#include "codec/g7231/H323_G7231Capability.h"

#include <new>

#include "codec/g7231/G7231CapabilityRegistration.h"
#include "codec/g7231/H323_G7231Codec.h"

namespace {

// The registry entry lives here, beside the class, so that linking the capability from
// the static library also links its registration (an object file nothing refers to is
// left out).
const G7231CapabilityRegistration g_g7231Registration;

}  // namespace

H323_G7231Capability::H323_G7231Capability() : H323AudioCapability(kRxFramesInPacket, kTxFramesInPacket) {}

PObject::Comparison H323_G7231Capability::Compare(const PObject& other) const {
  const Comparison base = H323AudioCapability::Compare(other);
  if (base != EqualTo) return base;
  const auto* g7231 = dynamic_cast<const H323_G7231Capability*>(&other);
  if (g7231 == nullptr || silenceSuppression == g7231->silenceSuppression) return EqualTo;
  return silenceSuppression ? GreaterThan : LessThan;
}

PObject* H323_G7231Capability::Clone() const { return new (std::nothrow) H323_G7231Capability(*this); }

void H323_G7231Capability::SetTxFramesInPacket(unsigned frames) { H323AudioCapability::SetTxFramesInPacket(frames); }

H323Codec* H323_G7231Capability::CreateCodec(H323Codec::Direction direction) const {
  return new (std::nothrow) H323_G7231Codec(direction);
}
