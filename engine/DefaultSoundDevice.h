#pragma once
// The names of the sound system's default playback and recording devices, which a new
// profile starts with.

#include "platform/core/CString.h"

enum class SoundDirection { Player, Recorder };

// The sound channel's default device for the direction.
CString DefaultSoundDevice(SoundDirection direction);
