#include "engine/DefaultSoundDevice.h"

#include "stack/sound/PSoundChannel.h"

CString DefaultSoundDevice(SoundDirection direction) {
  PString name = PSoundChannel::GetDefaultDevice(direction == SoundDirection::Player ? PSoundChannel::Player
                                                                                     : PSoundChannel::Recorder);
  return CString(name.GetPointer());
}
