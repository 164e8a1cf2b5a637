// The window layer's mixer functions on the stand-in card: the two lines and their volume
// controls, exchanges of one value, and what a closed handle or control 0 gets.
#include <gtest/gtest.h>

#include <algorithm>

#include "MixerFixture.h"
#include "platform/mixer/AlsaMixer.h"
#include "platform/win/Mixer.h"

namespace {

UINT DeviceIndex(const std::string& name) {
  const auto names = varlo::mixer::PlaybackDeviceNames();
  return static_cast<UINT>(std::find(names.begin(), names.end(), name) - names.begin());
}

MMRESULT Exchange(HMIXER mixer, DWORD control, DWORD& value, bool set) {
  MIXERCONTROLDETAILS_UNSIGNED detail{value};
  MIXERCONTROLDETAILS details{};
  details.dwControlID = control;
  details.cChannels = 1;
  details.cMultipleItems = 0;
  details.paDetails = &detail;
  const auto obj = reinterpret_cast<HMIXEROBJ>(mixer);
  const MMRESULT r = set ? mixerSetControlDetails(obj, &details, MIXER_OBJECTF_HMIXER)
                         : mixerGetControlDetails(obj, &details, MIXER_OBJECTF_HMIXER);
  value = detail.dwValue;
  return r;
}

TEST(MixerApiTest, CardShowsSpeakersAndWaveInWithOneVolumeEach) {
  MixerFixture& fixture = MixerFixture::Get();
  fixture.SetRaw("varlo_out_a", 0, 0);
  const UINT index = DeviceIndex("varlo_out_a");
  ASSERT_LT(index, mixerGetNumDevs());
  MIXERCAPS caps{};
  ASSERT_EQ(mixerGetDevCaps(index, &caps, sizeof caps), MMSYSERR_NOERROR);
  EXPECT_EQ(caps.cDestinations, 2u);

  HMIXER mixer = nullptr;
  ASSERT_EQ(mixerOpen(&mixer, index, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  const auto obj = reinterpret_cast<HMIXEROBJ>(mixer);
  const DWORD destinationTypes[] = {MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_COMPONENTTYPE_DST_WAVEIN};
  const DWORD sourceTypes[] = {MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE};
  const char* const controls[] = {"Master", "Capture"};
  const long maxima[] = {87, 63};
  for (DWORD d = 0; d < 2; ++d) {
    MIXERLINE destination{};
    destination.dwDestination = d;
    ASSERT_EQ(mixerGetLineInfo(obj, &destination, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION),
              MMSYSERR_NOERROR);
    EXPECT_EQ(destination.dwComponentType, destinationTypes[d]);
    EXPECT_EQ(destination.cConnections, 1u);
    MIXERLINE source{};
    source.dwDestination = d;
    ASSERT_EQ(mixerGetLineInfo(obj, &source, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_EQ(source.dwComponentType, sourceTypes[d]);
    ASSERT_EQ(source.cControls, 1u);
    MIXERCONTROL control{};
    MIXERLINECONTROLS request{};
    request.dwLineID = source.dwLineID;
    request.cControls = 1;
    request.pamxctrl = &control;
    ASSERT_EQ(mixerGetLineControls(obj, &request, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
    EXPECT_EQ(control.dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_NE(control.dwControlID, 0u);
    EXPECT_EQ(control.Bounds.dwMaximum, 65535u);

    DWORD value = 12 * 4095;
    ASSERT_EQ(Exchange(mixer, control.dwControlID, value, true), MMSYSERR_NOERROR);
    EXPECT_EQ(fixture.AmixerRaw("varlo_out_a", controls[d]), varlo::mixer::ToControlRange(12 * 4095, 0, maxima[d]));
    value = 0;
    ASSERT_EQ(Exchange(mixer, control.dwControlID, value, false), MMSYSERR_NOERROR);
    EXPECT_EQ(value / 4095, 12u);
  }
  // Control 0 names nothing; it is neither read nor written.
  DWORD value = 4095;
  EXPECT_EQ(Exchange(mixer, 0, value, true), MIXERR_INVALCONTROL);
  EXPECT_EQ(Exchange(mixer, 0, value, false), MIXERR_INVALCONTROL);
  EXPECT_EQ(mixerClose(mixer), MMSYSERR_NOERROR);

  // A closed handle is refused, and the next open gets a new one.
  EXPECT_EQ(Exchange(mixer, 1, value, false), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(mixerClose(mixer), MMSYSERR_INVALHANDLE);
  HMIXER again = nullptr;
  ASSERT_EQ(mixerOpen(&again, index, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_NE(again, mixer);
  EXPECT_EQ(mixerClose(again), MMSYSERR_NOERROR);

  // Devices with no mixer, and no such device.
  EXPECT_EQ(mixerOpen(&again, DeviceIndex("null"), 0, 0, CALLBACK_NULL), MMSYSERR_NODRIVER);
  EXPECT_EQ(mixerOpen(&again, mixerGetNumDevs(), 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(again, nullptr);
}

}  // namespace
