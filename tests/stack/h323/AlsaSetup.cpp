// The ALSA test devices must be configured before anything in the process touches ALSA,
// and endpoints look up their default sound devices when they are made.
#include "AlsaFixture.h"

namespace {
const bool g_alsaReady = (AlsaFixture::Get(), true);
}  // namespace
