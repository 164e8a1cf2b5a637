// The mixer interface where no mixer is available: no devices, every call fails.
#include "platform/win/Mixer.h"

UINT mixerGetNumDevs() { return 0; }
MMRESULT mixerGetDevCapsA(UINT_PTR, MIXERCAPSA*, UINT) { return MMSYSERR_BADDEVICEID; }
MMRESULT mixerOpen(HMIXER* mixer, UINT, DWORD_PTR, DWORD_PTR, DWORD) {
  if (mixer) *mixer = nullptr;
  return MMSYSERR_BADDEVICEID;
}
MMRESULT mixerClose(HMIXER) { return MMSYSERR_INVALHANDLE; }
MMRESULT mixerGetLineInfoA(HMIXEROBJ, MIXERLINEA*, DWORD) { return MMSYSERR_INVALHANDLE; }
MMRESULT mixerGetLineControlsA(HMIXEROBJ, MIXERLINECONTROLSA*, DWORD) { return MMSYSERR_INVALHANDLE; }
MMRESULT mixerGetControlDetailsA(HMIXEROBJ, MIXERCONTROLDETAILS*, DWORD) { return MMSYSERR_INVALHANDLE; }
MMRESULT mixerSetControlDetails(HMIXEROBJ, MIXERCONTROLDETAILS*, DWORD) { return MMSYSERR_INVALHANDLE; }
