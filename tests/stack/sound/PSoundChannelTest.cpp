#include "stack/sound/PSoundChannel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include "AlsaFixture.h"
#include "stack/sound/WavFile.h"

namespace {

constexpr unsigned kRate = 8000;
constexpr int64_t kSecondMicros = 1000000;

std::vector<int16_t> Ramp(size_t n) {
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<int16_t>((i * 37) % 20000 - 10000);
  return s;
}

class SoundChannelTest : public ::testing::Test {
 protected:
  SoundChannelTest() : alsa(AlsaFixture::Get()) {}

  std::string WriteWav(const std::string& name, unsigned channels, unsigned rate, const std::vector<int16_t>& s) {
    WavAudio a;
    a.channels = channels;
    a.sampleRate = rate;
    a.samples = s;
    const auto bytes = EncodeWav(a);
    const std::string path = alsa.Directory() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  AlsaFixture& alsa;
};

TEST_F(SoundChannelTest, DeviceNamesFollowTheDirection) {
  const PStringArray recorders = PSoundChannel::GetDeviceNames(PSoundChannel::Recorder);
  const PStringArray players = PSoundChannel::GetDeviceNames(PSoundChannel::Player);
  EXPECT_NE(recorders.GetStringsIndex("varlo_in_a"), P_MAX_INDEX);
  EXPECT_EQ(recorders.GetStringsIndex("varlo_out_a"), P_MAX_INDEX);
  EXPECT_NE(players.GetStringsIndex("varlo_out_b"), P_MAX_INDEX);
  EXPECT_EQ(players.GetStringsIndex("varlo_in_b"), P_MAX_INDEX);
  EXPECT_EQ(PSoundChannel::GetDefaultDevice(PSoundChannel::Recorder), "default");
  EXPECT_EQ(PSoundChannel::GetDefaultDevice(PSoundChannel::Player), "default");
  PString player, recorder;
  PSoundChannel::GetDefaultDevices(player, recorder);
  EXPECT_EQ(player, "default");
  EXPECT_EQ(recorder, "default");
}

TEST_F(SoundChannelTest, RecordingDeliversTheCaptureAtRealTimePace) {
  const auto input = Ramp(kRate);  // one second
  alsa.SetCapture("varlo_in_a", input);
  PManualClock clock;
  PSoundChannel rec(clock);
  ASSERT_TRUE(rec.SetBuffers(320, 3));
  ASSERT_TRUE(rec.Open("varlo_in_a", PSoundChannel::Recorder, 1, kRate, 16));
  std::vector<int16_t> got(kRate);
  for (size_t i = 0; i < got.size(); i += 160) {
    ASSERT_TRUE(rec.Read(&got[i], 320));
    ASSERT_EQ(rec.GetLastReadCount(), 320);
  }
  EXPECT_EQ(got, input);
  // A clockless device would have returned at once; the channel took one second.
  EXPECT_EQ(clock.NowMicros(), kSecondMicros);

  // After the reader stalls, at most one device buffer (60 ms) of backlog comes at once.
  clock.AdvanceMicros(2 * kSecondMicros);
  const int64_t slept = clock.SleptMicros();
  int16_t frame[160];
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(rec.Read(frame, sizeof frame));
  EXPECT_EQ(clock.SleptMicros(), slept);
  ASSERT_TRUE(rec.Read(frame, sizeof frame));
  EXPECT_EQ(clock.SleptMicros(), slept + 20000);
}

TEST_F(SoundChannelTest, PlayingWritesTheDeviceAndStaysOneBufferAhead) {
  alsa.ClearPlayed("varlo_out_a");
  const auto output = Ramp(kRate);
  PManualClock clock;
  PSoundChannel play(clock);
  ASSERT_TRUE(play.SetBuffers(320, 3));
  ASSERT_TRUE(play.Open("varlo_out_a", PSoundChannel::Player));
  for (size_t i = 0; i < output.size(); i += 160) {
    ASSERT_TRUE(play.Write(&output[i], 320));
    EXPECT_EQ(play.GetLastWriteCount(), 320);
  }
  EXPECT_EQ(clock.NowMicros(), kSecondMicros - 60000);
  EXPECT_FALSE(play.HasPlayCompleted());
  EXPECT_TRUE(play.WaitForPlayCompletion());
  EXPECT_EQ(clock.NowMicros(), kSecondMicros);
  EXPECT_TRUE(play.HasPlayCompleted());
  EXPECT_TRUE(play.Close());
  EXPECT_EQ(alsa.Played("varlo_out_a"), output);
}

TEST_F(SoundChannelTest, PlayFileWaitsForTheEndOrPlaysInTheBackground) {
  alsa.ClearPlayed("varlo_out_b");
  const auto tone = Ramp(kRate / 2);
  const std::string path = WriteWav("half.wav", 1, kRate, tone);
  {
    PManualClock clock;
    PSoundChannel play(clock);
    ASSERT_TRUE(play.Open("varlo_out_b", PSoundChannel::Player));
    ASSERT_TRUE(play.PlayFile(path.c_str(), true));
    EXPECT_EQ(clock.NowMicros(), kSecondMicros / 2);
    EXPECT_TRUE(play.HasPlayCompleted());
    play.Close();
    EXPECT_EQ(alsa.Played("varlo_out_b"), tone);
  }
  PSoundChannel play;  // real time
  ASSERT_TRUE(play.Open("varlo_out_b", PSoundChannel::Player));
  ASSERT_TRUE(play.PlayFile(path.c_str(), false));
  EXPECT_FALSE(play.HasPlayCompleted());
  EXPECT_TRUE(play.WaitForPlayCompletion());
  EXPECT_TRUE(play.HasPlayCompleted());
}

TEST_F(SoundChannelTest, BadFilesAndWrongChannelsPlayNothing) {
  alsa.ClearPlayed("varlo_out_a");
  const std::string stereo = WriteWav("stereo.wav", 2, kRate, Ramp(200));
  const std::string wideband = WriteWav("wide.wav", 1, 16000, Ramp(200));
  const std::string garbage = alsa.Directory() + "/garbage.wav";
  std::ofstream(garbage) << "not a wave file";
  PManualClock clock;
  PSoundChannel play(clock);
  EXPECT_FALSE(play.PlayFile(WriteWav("ok.wav", 1, kRate, Ramp(80)).c_str(), true));  // not open
  EXPECT_EQ(play.GetErrorCode(), PChannel::NotOpen);
  ASSERT_TRUE(play.Open("varlo_out_a", PSoundChannel::Player));
  struct Case { std::string path; PChannel::Errors error; } cases[] = {
      {alsa.Directory() + "/missing.wav", PChannel::NotFound},
      {garbage, PChannel::NotFound},
      {stereo, PChannel::BadParameter},
      {wideband, PChannel::BadParameter},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(play.PlayFile(c.path.c_str(), true)) << c.path;
    EXPECT_EQ(play.GetErrorCode(), c.error) << c.path;
    EXPECT_TRUE(play.HasPlayCompleted());
  }
  play.Close();
  EXPECT_TRUE(alsa.Played("varlo_out_a").empty());
  EXPECT_EQ(clock.NowMicros(), 0);
}

TEST_F(SoundChannelTest, OpenRefusesWhatItCannotDo) {
  PSoundChannel s;
  EXPECT_FALSE(s.Open("no_such_device", PSoundChannel::Player));
  EXPECT_FALSE(s.IsOpen());
  EXPECT_FALSE(s.Open("varlo_out_a", PSoundChannel::Player, 1, kRate, 8));
  EXPECT_FALSE(s.Open("", PSoundChannel::Player));
  EXPECT_FALSE(s.SetBuffers(0, 2));
  int16_t buf[160] = {};
  EXPECT_FALSE(s.Write(buf, sizeof buf));
  ASSERT_TRUE(s.Open("varlo_out_a", PSoundChannel::Player));
  EXPECT_FALSE(s.Read(buf, sizeof buf));  // a player does not record
  EXPECT_TRUE(s.Close());
  EXPECT_FALSE(s.Close());
}

TEST_F(SoundChannelTest, CloseFromAnotherThreadEndsAWaitingPlayback) {
  const std::string longFile = WriteWav("long.wav", 1, kRate, std::vector<int16_t>(10 * kRate));
  alsa.ClearPlayed("varlo_out_b");
  PSoundChannel play;
  ASSERT_TRUE(play.Open("varlo_out_b", PSoundChannel::Player));
  const auto start = std::chrono::steady_clock::now();
  std::thread closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    play.Close();
  });
  EXPECT_FALSE(play.PlayFile(longFile.c_str(), true));
  closer.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(play.IsOpen());
  // The sound went to the device as it played, not all at once.
  EXPECT_LT(alsa.Played("varlo_out_b").size(), 5u * kRate);
}

// A read or write of a packet's worth of periods is one wait: it returns when its last
// sample has been captured, or when the rest of what it wrote fits the device buffer.
TEST_F(SoundChannelTest, SeveralPeriodsAtOnceKeepThePaceOfOneAtATime) {
  const auto input = Ramp(kRate);
  alsa.SetCapture("varlo_in_a", input);
  PManualClock clock;
  PSoundChannel rec(clock);
  ASSERT_TRUE(rec.SetBuffers(320, 2));
  ASSERT_TRUE(rec.Open("varlo_in_a", PSoundChannel::Recorder, 1, kRate, 16));
  std::vector<int16_t> got(640);
  ASSERT_TRUE(rec.Read(got.data(), 1280));
  EXPECT_EQ(got, std::vector<int16_t>(input.begin(), input.begin() + 640));
  EXPECT_EQ(clock.NowMicros(), 80000);

  PManualClock playClock;
  PSoundChannel play(playClock);
  ASSERT_TRUE(play.SetBuffers(320, 2));
  ASSERT_TRUE(play.Open("varlo_out_a", PSoundChannel::Player));
  ASSERT_TRUE(play.Write(got.data(), 1280));
  EXPECT_EQ(playClock.NowMicros(), 80000 - 40000);
  ASSERT_TRUE(play.Write(got.data(), 1280));
  EXPECT_EQ(playClock.NowMicros(), 160000 - 40000);
}

TEST_F(SoundChannelTest, ANewPlayCutsTheOneInProgress) {
  const std::string longFile = WriteWav("long2.wav", 1, kRate, std::vector<int16_t>(10 * kRate));
  const std::string click = WriteWav("click.wav", 1, kRate, Ramp(400));
  PSoundChannel play;
  ASSERT_TRUE(play.Open("varlo_out_b", PSoundChannel::Player));
  ASSERT_TRUE(play.PlayFile(longFile.c_str(), false));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(play.PlayFile(click.c_str(), true));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(play.HasPlayCompleted());
}

// The busy tone, the key clicks and the wizard's test sound share one channel from
// several threads; none of this may crash, deadlock or leak.
TEST_F(SoundChannelTest, SharedChannelSurvivesConcurrentUse) {
  const std::string click = WriteWav("click2.wav", 1, kRate, Ramp(160));
  PSoundChannel shared;
  std::atomic<bool> stop{false};
  std::thread busy([&] {
    while (!stop) shared.PlayFile(click.c_str(), true);
  });
  std::thread keys([&] {
    while (!stop) {
      shared.PlayFile(click.c_str(), false);
      shared.HasPlayCompleted();
    }
  });
  for (int i = 0; i < 20; ++i) {
    shared.Open("varlo_out_a", PSoundChannel::Player, 1, kRate, 16);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (i % 3 == 0) shared.Abort();
    shared.Close();
  }
  stop = true;
  busy.join();
  keys.join();
  EXPECT_FALSE(shared.IsOpen());
}

}  // namespace
