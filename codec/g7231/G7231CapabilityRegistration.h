// The capability registry's entry for G.723.1: the stack creates the capability by the
// name "G.723.1A(6.3k){sw}".  One instance exists for the whole process, defined beside
// the capability class.
#pragma once

#include "stack/codec/H323CapabilityRegistration.h"

class G7231CapabilityRegistration final : public H323CapabilityRegistration {
 public:
  G7231CapabilityRegistration();

  // A new H323_G7231Capability with its defaults, or null when memory cannot be had.
  H323Capability* Create(H323EndPoint* endpoint) const override;
};
