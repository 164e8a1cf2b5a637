// Endpoint settings that the stack normalises rather than stores as given.

#include <gtest/gtest.h>

#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/h323/H323EndPoint.h"
#include "stack/sound/PSoundChannel.h"

namespace {

TEST(EndPointSettings, RtpPortRangeIsAnEvenBaseWithRoomForAPair) {
  struct Case {
    unsigned base, max;
    uint16_t wantBase, wantMax;
  };
  const Case cases[] = {
      {5000, 5999, 5000, 5999},
      {5001, 5999, 5000, 5999},  // RTP on an even port
      {6000, 100, 6000, 6001},   // a max below the base still leaves one pair
      {0, 0, 0, 0},              // the system chooses
      {70000, 80000, 65534, 65535},
  };
  H323EndPoint ep;
  for (const Case& c : cases) {
    ep.SetRtpIpPorts(c.base, c.max);
    EXPECT_EQ(ep.GetRtpIpPortBase(), c.wantBase) << c.base;
    EXPECT_EQ(ep.GetRtpIpPortMax(), c.wantMax) << c.base;
  }
}

TEST(EndPointSettings, JitterDelayIsKeptInSixteenBits) {
  H323EndPoint ep;
  EXPECT_EQ(ep.GetMaxAudioDelayJitter(), 50u);
  ep.SetMaxAudioDelayJitter(200);
  EXPECT_EQ(ep.GetMaxAudioDelayJitter(), 200u);
  ep.SetMaxAudioDelayJitter(70000);
  EXPECT_EQ(ep.GetMaxAudioDelayJitter(), 65535u);
  ep.SetMaxAudioDelayJitter(10);
  EXPECT_LE(ep.GetMinAudioDelayJitter(), 10u);
}

TEST(EndPointSettings, UnknownSoundDeviceIsRefusedAndTheOldOneKept) {
  H323EndPoint ep;
  const PString before = ep.GetSoundChannelPlayDevice();
  EXPECT_FALSE(ep.SetSoundChannelPlayDevice("no such device"));
  EXPECT_FALSE(ep.SetSoundChannelRecordDevice("no such device"));
  EXPECT_EQ(ep.GetSoundChannelPlayDevice(), before);
}

TEST(EndPointSettings, SoundDevicesNotSetAreTheSystemsDefaults) {
  const PString defaultPlay = PSoundChannel::GetDefaultDevice(PSoundChannel::Player);
  const PString defaultRecord = PSoundChannel::GetDefaultDevice(PSoundChannel::Recorder);
  {
    H323EndPoint ep;
    EXPECT_EQ(ep.GetSoundChannelPlayDevice(), defaultPlay);
    EXPECT_EQ(ep.GetSoundChannelRecordDevice(), defaultRecord);
  }
  // One device set before either is asked for: the other is still the default, and the
  // set one is not replaced by it.
  const PStringArray players = PSoundChannel::GetDeviceNames(PSoundChannel::Player);
  PString chosen;
  for (PINDEX i = 0; i < players.GetSize() && chosen.IsEmpty(); ++i) {
    if (players[i] != defaultPlay) chosen = players[i];
  }
  ASSERT_FALSE(chosen.IsEmpty()) << "the test's sound system lists one playback device only";
  H323EndPoint ep;
  ASSERT_TRUE(ep.SetSoundChannelPlayDevice(chosen));
  EXPECT_EQ(ep.GetSoundChannelRecordDevice(), defaultRecord);
  EXPECT_EQ(ep.GetSoundChannelPlayDevice(), chosen);
}

TEST(EndPointSettings, CapabilityTableHoldsWhatWasSet) {
  H323EndPoint ep;
  auto* gsm = new H323_GSM0610Capability;
  gsm->SetTxFramesInPacket(4);
  ep.SetCapability(P_MAX_INDEX, P_MAX_INDEX, gsm);
  ASSERT_EQ(ep.GetCapabilities().GetSize(), 1);
  EXPECT_EQ(ep.GetCapabilities().GetAt(0), gsm);
}

}  // namespace
