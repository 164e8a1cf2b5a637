#include "codec/g7231/G7231CapabilityRegistration.h"

#include <new>

#include "codec/g7231/H323_G7231Capability.h"

G7231CapabilityRegistration::G7231CapabilityRegistration()
    : H323CapabilityRegistration(H323_G7231Capability::kFormatName) {}

H323Capability* G7231CapabilityRegistration::Create(H323EndPoint*) const {
  return new (std::nothrow) H323_G7231Capability;
}
