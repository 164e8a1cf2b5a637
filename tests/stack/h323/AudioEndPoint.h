// An endpoint with GSM 06.10 and the ALSA test devices, for calls that carry audio.
#pragma once

#include "CallFixture.h"
#include "stack/codec/H323_GSM0610Capability.h"

namespace h323test {

class AudioEndPoint : public TestEndPoint {
 public:
  AudioEndPoint(const char* name, const char* recorder, const char* player) : TestEndPoint(name) {
    auto* gsm = new H323_GSM0610Capability;
    gsm->SetTxFramesInPacket(4);
    SetCapability(P_MAX_INDEX, P_MAX_INDEX, gsm);
    EXPECT_TRUE(SetSoundChannelRecordDevice(recorder));
    EXPECT_TRUE(SetSoundChannelPlayDevice(player));
    SetMaxAudioDelayJitter(200);
    SetSilenceDetectionMode(H323AudioCodec::NoSilenceDetection);
    SetRtpIpPorts(0, 0);
  }
  ~AudioEndPoint() override { Quiesce(); }
};

// Waits until the connection of `token` runs `n` logical channels.
inline bool WaitChannels(H323EndPoint& ep, const PString& token, size_t n) {
  for (int i = 0; i < 2500; ++i) {
    H323Connection* c = ep.FindConnectionWithLock(token);
    if (c == nullptr) return false;
    const size_t running = c->GetChannels().size();
    c->Unlock();
    if (running >= n) return true;
    std::this_thread::sleep_for(2ms);
  }
  return false;
}

}  // namespace h323test
