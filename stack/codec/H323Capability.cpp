#include "stack/codec/H323Capability.h"

#include "stack/codec/H323CapabilityRegistration.h"

PObject::Comparison H323Capability::Compare(const PObject& other) const {
  const auto* cap = dynamic_cast<const H323Capability*>(&other);
  if (cap == nullptr) return PObject::Compare(other);
  if (GetMainType() != cap->GetMainType()) return GetMainType() < cap->GetMainType() ? LessThan : GreaterThan;
  if (GetSubType() != cap->GetSubType()) return GetSubType() < cap->GetSubType() ? LessThan : GreaterThan;
  return EqualTo;
}

H323Capability* H323Capability::Create(H323EndPoint* endpoint, const PString& name) {
  return H323CapabilityRegistration::CreateCapability(name, endpoint);
}

bool H323Capability::OnSendingPDU(H245_Capability&) const { return false; }
bool H323Capability::OnReceivedPDU(const H245_Capability&) { return false; }
bool H323Capability::OnSendingPDU(H245_DataType&) const { return false; }
bool H323Capability::OnReceivedPDU(const H245_DataType&, bool) { return false; }
