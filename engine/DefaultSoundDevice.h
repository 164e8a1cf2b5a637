#pragma once
// The names of the sound system's default playback and recording devices, which a new
// profile starts with.

#include "platform/core/CString.h"

enum class SoundDirection { Player, Recorder };

// For now both directions answer ALSA's "default" device; the sound channel layer will
// supply the real default device names when it exists.
CString DefaultSoundDevice(SoundDirection direction);
