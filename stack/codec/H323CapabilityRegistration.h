// The capability registry: each registration is a named factory.  A registration object
// enters the registry when it is constructed (static instances may be defined anywhere,
// they register during static initialisation) and leaves it when destroyed.
//
// Note for static libraries: the linker keeps a registration's object file only if
// something else in that file is referenced, so keep the registration in the same source
// file as its capability class.
#pragma once

#include "stack/ptlib/PString.h"
#include "stack/ptlib/PStringArray.h"

class H323Capability;
class H323EndPoint;

class H323CapabilityRegistration {
 public:
  explicit H323CapabilityRegistration(const char* name);
  virtual ~H323CapabilityRegistration();
  H323CapabilityRegistration(const H323CapabilityRegistration&) = delete;
  H323CapabilityRegistration& operator=(const H323CapabilityRegistration&) = delete;

  const PString& GetName() const { return m_name; }
  // A new capability (owned by the caller); null when it cannot be made.
  virtual H323Capability* Create(H323EndPoint* endpoint) const = 0;

  // The capability registered under `name` (exact match), or null.
  static H323Capability* CreateCapability(const PString& name, H323EndPoint* endpoint = nullptr);
  // Registered names in registration order.  A name registered twice is listed once and
  // the first registration serves it.
  static PStringArray GetRegisteredNames();

 private:
  PString m_name;
};
