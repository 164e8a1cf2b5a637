#pragma once
// What the user profile asks of the system while it loads: host-name look-ups for the
// gatekeeper addresses and the default sound devices.  Tests replace them.

#include <functional>

#include "engine/DefaultSoundDevice.h"
#include "platform/core/CString.h"

struct ProfileServices {
  // Sets `dotted` to the host's first IPv4 address and returns TRUE, or returns FALSE.
  std::function<BOOL(const char* host, CString& dotted)> lookupIPv4;
  std::function<CString(SoundDirection direction)> defaultSoundDevice;

  // The resolver and the sound system.
  static ProfileServices System();
};
