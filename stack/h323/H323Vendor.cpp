#include "stack/h323/H323Vendor.h"

#include "stack/ptlib/PProcess.h"

std::string H323GetVersionId() {
  if (PProcess::IsInitialised()) return PProcess::Current().GetVersion(true).str();
  return "1.0.1";  // what a default process object names: 1.0, release code, build 1
}

void H323SetVendorIdentifier(H225_VendorIdentifier& vendor) {
  vendor.m_vendor.m_t35CountryCode = kVarloT35CountryCode;
  vendor.m_vendor.m_t35Extension = kVarloT35Extension;
  vendor.m_vendor.m_manufacturerCode = kVarloManufacturerCode;
  vendor.IncludeOptionalField(H225_VendorIdentifier::e_productId);
  vendor.m_productId.SetValue(std::string_view(kVarloProductId));
  vendor.IncludeOptionalField(H225_VendorIdentifier::e_versionId);
  vendor.m_versionId.SetValue(H323GetVersionId());
}
