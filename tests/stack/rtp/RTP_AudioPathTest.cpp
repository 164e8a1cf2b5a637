// Whole audio path on ALSA's file devices: a 1 kHz tone captured on one side is coded as
// GSM, sent over RTP on loopback, de-jittered, decoded and written to the other side's
// playback device, in both directions at once; holding one side silences both
// directions and retrieving it brings the tone back.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "AlsaFixture.h"
#include "stack/codec/H323_GSM0610Codec.h"
#include "stack/rtp/RTP_MediaPump.h"
#include "stack/rtp/RTP_UDP.h"
#include "stack/sound/PSoundChannel.h"
#include "tests/stack/codec/Signals.h"

namespace {

using namespace std::chrono_literals;
constexpr unsigned kRate = 8000;

struct Side {
  Side(const char* capture, const char* playback) : session(1) {
    EXPECT_TRUE(session.Open(PIPSocket::Address::GetLoopback(), 0, 0));
    recorderName = capture;
    playerName = playback;
  }

  void Start(const Side& peer) {
    session.SetRemoteSocketInfo(PIPSocket::Address::GetLoopback(), peer.session.GetLocalDataPort(), true);
    RTP_MediaPump::Settings settings;
    settings.framesPerPacket = 4;
    settings.maxJitterDelayMs = 200;

    auto recorder = std::make_unique<PSoundChannel>();
    recorder->SetBuffers(320, 2);
    ASSERT_TRUE(recorder->Open(recorderName, PSoundChannel::Recorder, 1, kRate, 16));
    auto encoder = std::make_unique<H323_GSM0610Codec>(H323Codec::Encoder);
    encoder->AttachChannel(recorder.release());
    transmit = std::make_unique<RTP_MediaPump>(session, std::move(encoder), settings);

    auto player = std::make_unique<PSoundChannel>();
    player->SetBuffers(320, 2);
    ASSERT_TRUE(player->Open(playerName, PSoundChannel::Player, 1, kRate, 16));
    auto decoder = std::make_unique<H323_GSM0610Codec>(H323Codec::Decoder);
    decoder->AttachChannel(player.release());
    receive = std::make_unique<RTP_MediaPump>(session, std::move(decoder), settings);

    ASSERT_TRUE(receive->Start());
    ASSERT_TRUE(transmit->Start());
  }

  void Hold(bool on) {
    transmit->Pause(on);
    receive->Pause(on);
  }

  void Stop() {
    transmit.reset();  // stops the pump, closes the devices
    receive.reset();
    session.Close();
  }

  RTP_UDP session;
  PString recorderName, playerName;
  std::unique_ptr<RTP_MediaPump> transmit, receive;
};

struct Measure {
  double hz, rms, share, dropouts;
};

Measure Window(const std::vector<int16_t>& s, double fromSec, double toSec) {
  const size_t a = static_cast<size_t>(fromSec * kRate), b = static_cast<size_t>(toSec * kRate);
  if (b > s.size() || a >= b) return {0, 0, 0, 1};
  const int16_t* p = &s[a];
  const size_t n = b - a;
  return {signals::CrossingIntervalHz(p, n), signals::Rms(p, n), signals::ToneShare(p, n, 1000),
          signals::DropoutShare(p, n)};
}

// A 1 kHz tone at about the level that was sent.  A loaded machine may cause the odd
// underrun, so a few per cent of dropouts are allowed; lost packets would be far more.
void ExpectTone(const Measure& m, double inputRms, const char* what) {
  EXPECT_NEAR(m.hz, 1000.0, 10.0) << what;
  EXPECT_GT(m.share, 0.7) << what;
  EXPECT_LT(m.dropouts, 0.1) << what;
  EXPECT_GT(m.rms, 0.5 * inputRms) << what;
  EXPECT_LT(m.rms, 1.5 * inputRms) << what;
}

TEST(RTP_AudioPath, ToneCrossesBothWaysAndHoldSilencesIt) {
  AlsaFixture& alsa = AlsaFixture::Get();
  const double amplitudeA = 8000, amplitudeB = 12000;
  alsa.SetCapture("varlo_in_a", signals::Tone(1000, amplitudeA, 7 * kRate));
  alsa.SetCapture("varlo_in_b", signals::Tone(1000, amplitudeB, 7 * kRate));
  alsa.ClearPlayed("varlo_out_a");
  alsa.ClearPlayed("varlo_out_b");

  Side a("varlo_in_a", "varlo_out_a"), b("varlo_in_b", "varlo_out_b");
  a.Start(b);
  b.Start(a);
  std::this_thread::sleep_for(1500ms);
  a.Hold(true);
  std::this_thread::sleep_for(1000ms);
  a.Hold(false);
  std::this_thread::sleep_for(1500ms);
  const auto statsB = b.session.GetStatistics();
  a.Stop();
  b.Stop();

  const auto atB = alsa.Played("varlo_out_b");  // what A sent
  const auto atA = alsa.Played("varlo_out_a");  // what B sent
  ASSERT_GT(atB.size(), 3.8 * kRate);
  ASSERT_GT(atA.size(), 3.8 * kRate);
  const double rmsA = amplitudeA / std::sqrt(2.0), rmsB = amplitudeB / std::sqrt(2.0);
  ExpectTone(Window(atB, 0.5, 1.4), rmsA, "A to B before hold");
  ExpectTone(Window(atA, 0.5, 1.4), rmsB, "B to A before hold");
  EXPECT_LT(Window(atB, 1.9, 2.4).rms, 50.0) << "A holds: it sends nothing";
  EXPECT_LT(Window(atA, 1.9, 2.4).rms, 50.0) << "A holds: it plays nothing";
  ExpectTone(Window(atB, 3.0, 3.8), rmsA, "A to B after retrieve");
  ExpectTone(Window(atA, 3.0, 3.8), rmsB, "B to A after retrieve");
  EXPECT_EQ(statsB.packetsLost, 0u);
  EXPECT_EQ(statsB.packetsMalformed, 0u);
}

}  // namespace
