// Whole calls with audio: two endpoints on loopback with GSM 06.10, H.245 tunnelled or on
// its own connection, each end recording from an ALSA capture file and playing into a
// playback file.  A 1 kHz tone must cross in both directions, stop while the call is
// held and come back when it is retrieved; key tones arrive as user input.

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "AlsaFixture.h"
#include "AudioEndPoint.h"
#include "stack/h323/H323ControlChannel.h"
#include "tests/stack/codec/Signals.h"

namespace h323test {
namespace {

constexpr unsigned kRate = 8000;

struct Level {
  double hz, rms, share;
};

Level Window(const std::vector<int16_t>& s, double fromSec, double toSec) {
  const size_t a = static_cast<size_t>(fromSec * kRate), b = static_cast<size_t>(toSec * kRate);
  if (b > s.size() || a >= b) return {0, 0, 0};
  return {signals::CrossingIntervalHz(&s[a], b - a), signals::Rms(&s[a], b - a), signals::ToneShare(&s[a], b - a, 1000)};
}

void ExpectTone(const Level& l, double sentRms, const char* what) {
  EXPECT_NEAR(l.hz, 1000.0, 15.0) << what;
  EXPECT_GT(l.share, 0.6) << what;
  EXPECT_GT(l.rms, 0.4 * sentRms) << what;
  EXPECT_LT(l.rms, 1.6 * sentRms) << what;
}

// Start of the played tone: the first sample louder than a quarter of the sent level.
double ToneStart(const std::vector<int16_t>& s, double level) {
  for (size_t i = 0; i < s.size(); ++i)
    if (std::abs(s[i]) > level / 4) return static_cast<double>(i) / kRate;
  return -1;
}

// Waits until H.245 of the connection has exchanged capabilities both ways.
bool WaitControl(H323EndPoint& ep, const PString& token) {
  for (int i = 0; i < 200; ++i) {
    H323Connection* c = ep.FindConnectionWithLock(token);
    if (c == nullptr) return false;
    const bool done = c->GetH245().IsCapabilityExchangeDone() && c->GetH245().IsMaster().has_value();
    c->Unlock();
    if (done) return true;
    std::this_thread::sleep_for(25ms);
  }
  return false;
}

struct Mode {
  const char* name;
  bool tunnelling;
  bool fastStart;
};

class MediaCall : public ::testing::TestWithParam<Mode> {};

TEST_P(MediaCall, ToneCrossesBothWaysStopsOnHoldAndKeysArrive) {
  AlsaFixture& alsa = AlsaFixture::Get();
  const double amplitudeA = 8000, amplitudeB = 12000;
  alsa.SetCapture("varlo_in_a", signals::Tone(1000, amplitudeA, 10 * kRate));
  alsa.SetCapture("varlo_in_b", signals::Tone(1000, amplitudeB, 10 * kRate));
  alsa.ClearPlayed("varlo_out_a");
  alsa.ClearPlayed("varlo_out_b");

  AudioEndPoint a("alice", "varlo_in_a", "varlo_out_a"), b("bob", "varlo_in_b", "varlo_out_b");
  for (AudioEndPoint* ep : {&a, &b}) {
    ep->DisableH245Tunneling(!GetParam().tunnelling);
    ep->DisableFastStart(!GetParam().fastStart);
  }
  PString token;
  ASSERT_NE(a.MakeCall(b.Listen(), token), nullptr);
  ASSERT_TRUE(a.WaitEstablished());
  ASSERT_TRUE(b.WaitEstablished());
  const PString bToken = b.EstablishedToken();
  ASSERT_TRUE(WaitChannels(a, token, 2));
  ASSERT_TRUE(WaitChannels(b, bToken, 2));
  // With fast start the media runs before H.245 has finished.
  ASSERT_TRUE(WaitControl(a, token));
  ASSERT_TRUE(WaitControl(b, bToken));
  {
    H323Connection* c = a.FindConnectionWithLock(token);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->IsH245Tunnelling(), GetParam().tunnelling);
    EXPECT_EQ(c->GetH245().IsFastStartUsed(), GetParam().fastStart);
    EXPECT_EQ(c->GetH245().GetRemoteReceiveAudio(), std::vector<unsigned>{H323_GSM0610Capability::kSubType});
    EXPECT_TRUE(c->GetH245().IsMaster().has_value());
    c->SendUserInputTone('5');
    c->SendUserInputTone('#');
    c->Unlock();
  }
  EXPECT_TRUE(b.events.WaitFor([&] { return b.userInput == "5#"; }));

  std::this_thread::sleep_for(1500ms);
  H323Connection* c = a.FindConnectionWithLock(token);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->HoldCall());
  c->Unlock();
  std::this_thread::sleep_for(1200ms);
  c = a.FindConnectionWithLock(token);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->RetrieveCall());
  c->Unlock();
  std::this_thread::sleep_for(1500ms);
  a.ClearCallSynchronous(token);
  EXPECT_EQ(b.WaitCleared(bToken), H323Connection::EndedByRemoteUser);

  const auto atB = alsa.Played("varlo_out_b");
  const auto atA = alsa.Played("varlo_out_a");
  const double startB = ToneStart(atB, amplitudeA), startA = ToneStart(atA, amplitudeB);
  ASSERT_GE(startB, 0) << "nothing from A reached B";
  ASSERT_GE(startA, 0) << "nothing from B reached A";
  const double rmsA = amplitudeA / std::sqrt(2.0), rmsB = amplitudeB / std::sqrt(2.0);
  // Played time lines: the tone from the start of media, silence from about 1.5 s for the
  // hold, the tone again from about 2.7 s.
  ExpectTone(Window(atB, startB + 0.3, startB + 1.2), rmsA, "A to B");
  ExpectTone(Window(atA, startA + 0.3, startA + 1.2), rmsB, "B to A");
  double quietB = 1e9, quietA = 1e9;
  for (double t = 1.3; t < 3.0; t += 0.1) {
    quietB = std::min(quietB, Window(atB, startB + t, startB + t + 0.3).rms);
    quietA = std::min(quietA, Window(atA, startA + t, startA + t + 0.3).rms);
  }
  EXPECT_LT(quietB, 50.0) << "held: A sends nothing";
  EXPECT_LT(quietA, 50.0) << "held: A plays nothing";
  const double endB = static_cast<double>(atB.size()) / kRate, endA = static_cast<double>(atA.size()) / kRate;
  ExpectTone(Window(atB, endB - 1.0, endB - 0.3), rmsA, "A to B after retrieve");
  ExpectTone(Window(atA, endA - 1.0, endA - 0.3), rmsB, "B to A after retrieve");
}

INSTANTIATE_TEST_SUITE_P(H245, MediaCall, ::testing::Values(Mode{"tunnelled", true, false}, Mode{"separate", false, false},
                                           Mode{"tunnelled_fast_start", true, true},
                                           Mode{"separate_fast_start", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace h323test
