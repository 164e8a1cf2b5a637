#include "stack/codec/H323_GSM0610Capability.h"

#include <new>

#include "stack/codec/H323CapabilityRegistration.h"
#include "stack/codec/H323_GSM0610Codec.h"

namespace {

class GSM0610Registration final : public H323CapabilityRegistration {
 public:
  GSM0610Registration() : H323CapabilityRegistration(H323_GSM0610Capability::kFormatName) {}
  H323Capability* Create(H323EndPoint*) const override { return new (std::nothrow) H323_GSM0610Capability; }
};

const GSM0610Registration g_gsm0610Registration;

}  // namespace

H323_GSM0610Capability::H323_GSM0610Capability(unsigned rxPacketSize, unsigned txPacketSize)
    : H323AudioCapability(rxPacketSize, txPacketSize) {}

PObject::Comparison H323_GSM0610Capability::Compare(const PObject& other) const {
  return H323AudioCapability::Compare(other);
}

H323Codec* H323_GSM0610Capability::CreateCodec(H323Codec::Direction direction) const {
  return new (std::nothrow) H323_GSM0610Codec(direction);
}
