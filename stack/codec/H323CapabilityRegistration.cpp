#include "stack/codec/H323CapabilityRegistration.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct Registry {
  std::mutex mutex;
  std::vector<const H323CapabilityRegistration*> entries;
};

// Built on first use, so registrations from any translation unit's static
// initialisation find it ready.
Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: static destructors may still unregister
  return *registry;
}

}  // namespace

H323CapabilityRegistration::H323CapabilityRegistration(const char* name) : m_name(name) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.entries.push_back(this);
}

H323CapabilityRegistration::~H323CapabilityRegistration() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.entries.erase(std::remove(r.entries.begin(), r.entries.end(), this), r.entries.end());
}

H323Capability* H323CapabilityRegistration::CreateCapability(const PString& name, H323EndPoint* endpoint) {
  const H323CapabilityRegistration* found = nullptr;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    for (const auto* e : r.entries) {
      if (e->GetName() == name) {
        found = e;
        break;
      }
    }
  }
  return found != nullptr ? found->Create(endpoint) : nullptr;
}

PStringArray H323CapabilityRegistration::GetRegisteredNames() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  PStringArray names;
  for (const auto* e : r.entries)
    if (names.GetStringsIndex(e->GetName()) == P_MAX_INDEX) names.AppendString(e->GetName());
  return names;
}
