#pragma once
// The audio mixer interface: a mixer device per sound card, seen as destination lines
// (speakers, wave in) with source lines (wave out, microphone) and their volume controls.
// A mixer opened with CALLBACK_WINDOW posts MM_MIXM_CONTROL_CHANGE (wParam: the mixer's
// handle, lParam: the control id) to that window when a control changes, from whatever
// changed it.  Handles are never reused, so a late notice for a closed mixer matches no
// open handle.  Control id 0 never names a control.
#include "platform/win/BaseTypes.h"
#include "platform/win/WinTypes.h"

struct HMIXER__;
using HMIXER = HMIXER__*;
// Any mixer object: an open mixer's handle (MIXER_OBJECTF_HMIXER) or a device index.
struct HMIXEROBJ__;
using HMIXEROBJ = HMIXEROBJ__*;

using MMRESULT = UINT;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MIXERR_INVALLINE = 1024;
constexpr MMRESULT MIXERR_INVALCONTROL = 1025;

// The window message of a control's change.
constexpr UINT MM_MIXM_LINE_CHANGE = 0x3D0;
constexpr UINT MM_MIXM_CONTROL_CHANGE = 0x3D1;

// mixerOpen's fdwOpen.
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_WINDOW = 0x00010000;
constexpr DWORD MIXER_OBJECTF_HANDLE = 0x80000000;
constexpr DWORD MIXER_OBJECTF_MIXER = 0x00000000;
constexpr DWORD MIXER_OBJECTF_HMIXER = MIXER_OBJECTF_HANDLE | MIXER_OBJECTF_MIXER;

// mixerGetLineInfo's flags.
constexpr DWORD MIXER_GETLINEINFOF_DESTINATION = 0x00000000;
constexpr DWORD MIXER_GETLINEINFOF_SOURCE = 0x00000001;
// mixerGetLineControls' flags.
constexpr DWORD MIXER_GETLINECONTROLSF_ALL = 0x00000000;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYID = 0x00000001;
constexpr DWORD MIXER_GETLINECONTROLSF_ONEBYTYPE = 0x00000002;
// mixerGetControlDetails' and mixerSetControlDetails' flags.
constexpr DWORD MIXER_GETCONTROLDETAILSF_VALUE = 0x00000000;
constexpr DWORD MIXER_SETCONTROLDETAILSF_VALUE = 0x00000000;

// Line component types.
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_SPEAKERS = 4;
constexpr DWORD MIXERLINE_COMPONENTTYPE_DST_WAVEIN = 7;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE = 0x1003;
constexpr DWORD MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT = 0x1008;
// Control types.
constexpr DWORD MIXERCONTROL_CONTROLTYPE_VOLUME = 0x50030001;

constexpr int MAXPNAMELEN = 32;
constexpr int MIXER_SHORT_NAME_CHARS = 16;
constexpr int MIXER_LONG_NAME_CHARS = 64;

struct MIXERCAPSA {
  WORD wMid = 0;
  WORD wPid = 0;
  DWORD vDriverVersion = 0;
  char szPname[MAXPNAMELEN]{};
  DWORD fdwSupport = 0;
  DWORD cDestinations = 0;
};

struct MIXERLINEA {
  DWORD cbStruct = sizeof(MIXERLINEA);
  DWORD dwDestination = 0;  // in: the destination's index
  DWORD dwSource = 0;       // in: the source's index (MIXER_GETLINEINFOF_SOURCE)
  DWORD dwLineID = 0;
  DWORD fdwLine = 0;
  DWORD_PTR dwUser = 0;
  DWORD dwComponentType = 0;
  DWORD cChannels = 0;
  DWORD cConnections = 0;  // a destination's number of sources
  DWORD cControls = 0;
  char szShortName[MIXER_SHORT_NAME_CHARS]{};
  char szName[MIXER_LONG_NAME_CHARS]{};
};

struct MIXERCONTROLA {
  DWORD cbStruct = sizeof(MIXERCONTROLA);
  DWORD dwControlID = 0;
  DWORD dwControlType = 0;
  DWORD fdwControl = 0;
  DWORD cMultipleItems = 0;
  char szShortName[MIXER_SHORT_NAME_CHARS]{};
  char szName[MIXER_LONG_NAME_CHARS]{};
  struct {
    DWORD dwMinimum = 0;
    DWORD dwMaximum = 0;
  } Bounds;
  struct {
    DWORD cSteps = 0;
  } Metrics;
};

struct MIXERLINECONTROLSA {
  DWORD cbStruct = sizeof(MIXERLINECONTROLSA);
  DWORD dwLineID = 0;
  union {
    DWORD dwControlID = 0;
    DWORD dwControlType;
  };
  DWORD cControls = 0;  // in: room in pamxctrl; out: controls written
  DWORD cbmxctrl = sizeof(MIXERCONTROLA);
  MIXERCONTROLA* pamxctrl = nullptr;
};

struct MIXERCONTROLDETAILS_UNSIGNED {
  DWORD dwValue = 0;
};

struct MIXERCONTROLDETAILS {
  DWORD cbStruct = sizeof(MIXERCONTROLDETAILS);
  DWORD dwControlID = 0;
  DWORD cChannels = 1;  // 1: one value for all channels (uniform)
  union {
    HWND hwndOwner = nullptr;
    DWORD cMultipleItems;
  };
  DWORD cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
  void* paDetails = nullptr;
};

using MIXERCAPS = MIXERCAPSA;
using MIXERLINE = MIXERLINEA;
using MIXERCONTROL = MIXERCONTROLA;
using MIXERLINECONTROLS = MIXERLINECONTROLSA;

UINT mixerGetNumDevs();
MMRESULT mixerGetDevCapsA(UINT_PTR deviceId, MIXERCAPSA* caps, UINT capsSize);
// Opens mixer device deviceId; with CALLBACK_WINDOW, callback is the HWND that receives
// MM_MIXM_CONTROL_CHANGE.
MMRESULT mixerOpen(HMIXER* mixer, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD fdwOpen);
MMRESULT mixerClose(HMIXER mixer);
MMRESULT mixerGetLineInfoA(HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags);
MMRESULT mixerGetLineControlsA(HMIXEROBJ mixer, MIXERLINECONTROLSA* controls, DWORD flags);
MMRESULT mixerGetControlDetailsA(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags);
MMRESULT mixerSetControlDetails(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags);

inline MMRESULT mixerGetDevCaps(UINT_PTR deviceId, MIXERCAPSA* caps, UINT capsSize) {
  return mixerGetDevCapsA(deviceId, caps, capsSize);
}
inline MMRESULT mixerGetLineInfo(HMIXEROBJ mixer, MIXERLINEA* line, DWORD flags) {
  return mixerGetLineInfoA(mixer, line, flags);
}
inline MMRESULT mixerGetLineControls(HMIXEROBJ mixer, MIXERLINECONTROLSA* controls, DWORD flags) {
  return mixerGetLineControlsA(mixer, controls, flags);
}
inline MMRESULT mixerGetControlDetails(HMIXEROBJ mixer, MIXERCONTROLDETAILS* details, DWORD flags) {
  return mixerGetControlDetailsA(mixer, details, flags);
}
