#include "engine/DefaultSoundDevice.h"

CString DefaultSoundDevice(SoundDirection /*direction*/) { return CString("default"); }
