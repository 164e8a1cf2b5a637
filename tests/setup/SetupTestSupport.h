// Shared by the options-sheet tests.
#pragma once
#include "engine/ProfileServices.h"

// The gatekeeper names resolve to nothing and the sound devices are fixed names, so that a
// profile touches neither the network nor the sound system.
inline ProfileServices QuietProfileServices() {
  ProfileServices s;
  s.lookupIPv4 = [](const char*, CString& address) {
    address.Empty();
    return TRUE;
  };
  s.defaultSoundDevice = [](SoundDirection) { return CString("null"); };
  return s;
}
