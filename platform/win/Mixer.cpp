// The mixer interface on ALSA.  Mixer device n belongs to playback device n of the sound
// channel's list, and shows the card behind that device as two destinations: speakers
// (type 4) with one wave-out source (0x1008) that holds the playback volume, and wave in
// (type 7) with one microphone source (0x1003) that holds the microphone volume.  A source
// whose volume the card lacks has no controls; destinations have none of their own, so a
// scan never takes one line's volume for another's.  Volumes run 0..65535 whatever the
// card's range.  Control ids 1 and 2 name the two volumes; 0 names nothing.
#include "platform/win/Mixer.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/mixer/AlsaMixer.h"
#include "platform/win/Wnd.h"

using varlo::mixer::AlsaMixer;

namespace {

constexpr DWORD kDestinations = 2;
constexpr DWORD kQueryMask = 0x0000000F;
constexpr DWORD kControlIds[2] = {1, 2};  // by AlsaMixer::Volume
constexpr DWORD kDestinationTypes[2] = {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_COMPONENTTYPE_DST_WAVEIN};
constexpr DWORD kSourceTypes[2] = {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE};
const char* const kDestinationNames[2] = {"Speakers", "Wave In"};
const char* const kSourceNames[2] = {"Wave Out", "Microphone"};

DWORD DestinationLineId(DWORD d) { return 0xFFFF0000u + d; }
DWORD SourceLineId(DWORD d) { return 0x00010000u * (d + 1); }

struct OpenMixerState {
  std::unique_ptr<AlsaMixer> alsa;
};

std::mutex g_lock;
std::map<uintptr_t, std::shared_ptr<OpenMixerState>> g_open;
uintptr_t g_nextHandle = 1;  // handles are never reused

// The system's mixer devices.  A look goes through every sound card's configuration (a
// millisecond or more), and opening a mixer asks for its capabilities and then opens it:
// the names of one look serve for a second, no longer than a person takes to plug in a
// headset and look for it.
std::vector<std::string> DeviceNames() {
  using Clock = std::chrono::steady_clock;
  constexpr auto kNamesKept = std::chrono::seconds(1);
  static std::mutex mutex;  // not the handle table's: a look must not hold up the open mixers
  static Clock::time_point taken;
  static std::optional<std::vector<std::string>> names;
  std::lock_guard lock(mutex);
  const Clock::time_point now = Clock::now();
  if (!names || now - taken >= kNamesKept) {
    names = varlo::mixer::PlaybackDeviceNames();
    taken = now;
  }
  return *names;
}

std::shared_ptr<OpenMixerState> Find(HMIXEROBJ obj) {
  std::lock_guard lock(g_lock);
  const auto it = g_open.find(reinterpret_cast<uintptr_t>(obj));
  return it == g_open.end() ? nullptr : it->second;
}

template <size_t N>
void Copy(char (&out)[N], const char* text) {
  std::snprintf(out, N, "%s", text);
}

// The volume a control id names, or -1.
int VolumeOfControl(DWORD id) {
  for (int v = 0; v < 2; ++v) {
    if (kControlIds[v] == id) return v;
  }
  return -1;
}

void FillControl(MIXERCONTROLA& c, int volume) {
  c = MIXERCONTROLA{};
  c.dwControlID = kControlIds[volume];
  c.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  Copy(c.szShortName, "Volume");
  Copy(c.szName, volume == AlsaMixer::kSpeaker ? "Wave Out Volume" : "Microphone Volume");
  c.Bounds.dwMinimum = 0;
  c.Bounds.dwMaximum = varlo::mixer::kFullScale;
  c.Metrics.cSteps = varlo::mixer::kFullScale + 1;
}

}  // namespace

UINT mixerGetNumDevs() { return static_cast<UINT>(DeviceNames().size()); }

MMRESULT mixerGetDevCapsA(UINT_PTR deviceId, MIXERCAPSA* caps, UINT capsSize) {
  if (caps == nullptr || capsSize < sizeof(MIXERCAPSA)) return MMSYSERR_INVALPARAM;
  const auto names = DeviceNames();
  if (deviceId >= names.size()) return MMSYSERR_BADDEVICEID;
  *caps = MIXERCAPSA{};
  Copy(caps->szPname, names[deviceId].c_str());
  caps->cDestinations = kDestinations;
  return MMSYSERR_NOERROR;
}

MMRESULT mixerOpen(HMIXER* mixer, UINT deviceId, DWORD_PTR callback, DWORD_PTR, DWORD fdwOpen) {
  if (mixer == nullptr) return MMSYSERR_INVALPARAM;
  *mixer = nullptr;
  const auto names = DeviceNames();
  if (deviceId >= names.size()) return MMSYSERR_BADDEVICEID;
  const std::string control = varlo::mixer::ControlDeviceOf(names[deviceId]);
  if (control.empty()) return MMSYSERR_NODRIVER;
  uintptr_t handle = 0;
  {
    std::lock_guard lock(g_lock);
    handle = g_nextHandle++;
  }
  AlsaMixer::ChangeFn notify;
  const HWND window = reinterpret_cast<HWND>(callback);
  if ((fdwOpen & CALLBACK_WINDOW) != 0 && window != nullptr) {
    // A window that has gone takes no more notices: posting to it fails.
    notify = [window, handle](AlsaMixer::Volume v) {
      ::PostMessage(window, MM_MIXM_CONTROL_CHANGE, static_cast<WPARAM>(handle), static_cast<LPARAM>(kControlIds[v]));
    };
  }
  auto state = std::make_shared<OpenMixerState>();
  state->alsa = AlsaMixer::Open(control, std::move(notify));
  if (!state->alsa) return MMSYSERR_NODRIVER;
  {
    std::lock_guard lock(g_lock);
    g_open[handle] = state;
  }
  *mixer = reinterpret_cast<HMIXER>(handle);
  return MMSYSERR_NOERROR;
}

MMRESULT mixerClose(HMIXER mixer) {
  std::shared_ptr<OpenMixerState> state;
  {
    std::lock_guard lock(g_lock);
    const auto it = g_open.find(reinterpret_cast<uintptr_t>(mixer));
    if (it == g_open.end()) return MMSYSERR_INVALHANDLE;
    state = std::move(it->second);
    g_open.erase(it);
  }
  // The card's watching thread is stopped and joined here, before the card is closed.
  state.reset();
  return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineInfoA(HMIXEROBJ obj, MIXERLINEA* line, DWORD flags) {
  const auto state = Find(obj);
  if (!state) return MMSYSERR_INVALHANDLE;
  if (line == nullptr) return MMSYSERR_INVALPARAM;
  const DWORD d = line->dwDestination;
  const DWORD query = flags & kQueryMask;
  if (query != MIXER_GETLINEINFOF_DESTINATION && query != MIXER_GETLINEINFOF_SOURCE) return MMSYSERR_INVALFLAG;
  if (d >= kDestinations) return MIXERR_INVALLINE;
  if (query == MIXER_GETLINEINFOF_SOURCE && line->dwSource != 0) return MIXERR_INVALLINE;
  const DWORD source = line->dwSource;
  *line = MIXERLINEA{};
  line->dwDestination = d;
  line->cChannels = 1;
  if (query == MIXER_GETLINEINFOF_DESTINATION) {
    line->dwLineID = DestinationLineId(d);
    line->dwComponentType = kDestinationTypes[d];
    line->cConnections = 1;
    line->cControls = 0;
    Copy(line->szShortName, kDestinationNames[d]);
    Copy(line->szName, kDestinationNames[d]);
  } else {
    line->dwSource = source;
    line->dwLineID = SourceLineId(d);
    line->dwComponentType = kSourceTypes[d];
    line->cControls = state->alsa->Has(static_cast<AlsaMixer::Volume>(d)) ? 1 : 0;
    Copy(line->szShortName, kSourceNames[d]);
    Copy(line->szName, kSourceNames[d]);
  }
  return MMSYSERR_NOERROR;
}

MMRESULT mixerGetLineControlsA(HMIXEROBJ obj, MIXERLINECONTROLSA* controls, DWORD flags) {
  const auto state = Find(obj);
  if (!state) return MMSYSERR_INVALHANDLE;
  if (controls == nullptr || controls->cbmxctrl < sizeof(MIXERCONTROLA)) return MMSYSERR_INVALPARAM;
  const DWORD query = flags & kQueryMask;
  if (query == MIXER_GETLINECONTROLSF_ALL) {
    int volume = -1;
    bool known = false;
    for (DWORD d = 0; d < kDestinations; ++d) {
      if (controls->dwLineID == DestinationLineId(d)) known = true;
      if (controls->dwLineID == SourceLineId(d)) {
        known = true;
        if (state->alsa->Has(static_cast<AlsaMixer::Volume>(d))) volume = static_cast<int>(d);
      }
    }
    if (!known) return MIXERR_INVALLINE;
    const DWORD count = volume < 0 ? 0 : 1;
    if (controls->cControls < count || (count > 0 && controls->pamxctrl == nullptr)) return MMSYSERR_INVALPARAM;
    if (count > 0) FillControl(controls->pamxctrl[0], volume);
    controls->cControls = count;
    return MMSYSERR_NOERROR;
  }
  if (controls->pamxctrl == nullptr) return MMSYSERR_INVALPARAM;
  if (query == MIXER_GETLINECONTROLSF_ONEBYID) {
    const int volume = VolumeOfControl(controls->dwControlID);
    if (volume < 0 || !state->alsa->Has(static_cast<AlsaMixer::Volume>(volume))) return MIXERR_INVALCONTROL;
    controls->dwLineID = SourceLineId(static_cast<DWORD>(volume));
    FillControl(controls->pamxctrl[0], volume);
    return MMSYSERR_NOERROR;
  }
  if (query == MIXER_GETLINECONTROLSF_ONEBYTYPE) {
    for (DWORD d = 0; d < kDestinations; ++d) {
      if (controls->dwLineID != SourceLineId(d)) continue;
      if (controls->dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME ||
          !state->alsa->Has(static_cast<AlsaMixer::Volume>(d))) {
        return MIXERR_INVALCONTROL;
      }
      FillControl(controls->pamxctrl[0], static_cast<int>(d));
      return MMSYSERR_NOERROR;
    }
    return MIXERR_INVALLINE;
  }
  return MMSYSERR_INVALFLAG;
}

namespace {

// Checks a uniform unsigned exchange with one control; the volume it names, or an error.
MMRESULT CheckDetails(const MIXERCONTROLDETAILS* details, const OpenMixerState& state, int& volume) {
  if (details == nullptr || details->paDetails == nullptr || details->cChannels == 0 ||
      details->cbDetails < sizeof(MIXERCONTROLDETAILS_UNSIGNED) || details->cMultipleItems != 0) {
    return MMSYSERR_INVALPARAM;
  }
  volume = VolumeOfControl(details->dwControlID);
  if (volume < 0 || !state.alsa->Has(static_cast<AlsaMixer::Volume>(volume))) return MIXERR_INVALCONTROL;
  return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT mixerGetControlDetailsA(HMIXEROBJ obj, MIXERCONTROLDETAILS* details, DWORD flags) {
  const auto state = Find(obj);
  if (!state) return MMSYSERR_INVALHANDLE;
  if ((flags & kQueryMask) != MIXER_GETCONTROLDETAILSF_VALUE) return MMSYSERR_INVALFLAG;
  int volume = -1;
  if (const MMRESULT r = CheckDetails(details, *state, volume); r != MMSYSERR_NOERROR) return r;
  uint32_t value = 0;
  if (!state->alsa->Get(static_cast<AlsaMixer::Volume>(volume), value)) return MMSYSERR_ERROR;
  auto* out = static_cast<unsigned char*>(details->paDetails);
  for (DWORD ch = 0; ch < details->cChannels; ++ch) {
    reinterpret_cast<MIXERCONTROLDETAILS_UNSIGNED*>(out + ch * details->cbDetails)->dwValue = value;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT mixerSetControlDetails(HMIXEROBJ obj, MIXERCONTROLDETAILS* details, DWORD flags) {
  const auto state = Find(obj);
  if (!state) return MMSYSERR_INVALHANDLE;
  if ((flags & kQueryMask) != MIXER_SETCONTROLDETAILSF_VALUE) return MMSYSERR_INVALFLAG;
  int volume = -1;
  if (const MMRESULT r = CheckDetails(details, *state, volume); r != MMSYSERR_NOERROR) return r;
  const DWORD value = static_cast<const MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue;
  return state->alsa->Set(static_cast<AlsaMixer::Volume>(volume), value) ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}
