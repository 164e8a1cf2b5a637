#include "setup/CWaveInRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "AlsaFixture.h"
#include "platform/win/MessageBox.h"
#include "setup/VoiceLevel.h"
#include "stack/sound/PSoundChannel.h"

namespace {

std::vector<int16_t> Tone(size_t n, double amplitude) {
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<int16_t>(amplitude * std::sin(i * 2 * M_PI * 440 / 11025));
  return s;
}

std::vector<int16_t> Ramp(size_t n) {
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<int16_t>((i * 37) % 20000 - 10000);
  return s;
}

bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

UINT IndexOf(const char* device) {
  const PStringArray names = PSoundChannel::GetDeviceNames(PSoundChannel::Recorder);
  const PINDEX i = names.GetStringsIndex(device);
  EXPECT_NE(i, P_MAX_INDEX) << device;
  return static_cast<UINT>(i);
}

// Keeps the first buffer and can hold the worker inside the hook.
class TestRecorder : public CWaveInRecorder {
 public:
  std::function<PStringArray()> devices;
  std::atomic<bool> slowHook{false};
  std::atomic<bool> inHook{false};
  std::mutex mutex;
  std::vector<int16_t> first;

  ~TestRecorder() override { Stop(); }

  void Put(int offset, const std::vector<int16_t>& samples) {
    PutSamples(offset, samples.data(), static_cast<int>(samples.size()));
  }

  void OnBufferFilled(const int16_t* samples) override {
    inHook = true;
    {
      std::lock_guard lock(mutex);
      if (first.empty()) first.assign(samples, samples + 2048);
    }
    if (slowHook) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    inHook = false;
  }

 protected:
  PStringArray GetDeviceNames() const override { return devices ? devices() : CWaveInRecorder::GetDeviceNames(); }
};

class WaveInRecorderTest : public ::testing::Test {
 protected:
  WaveInRecorderTest() : alsa(AlsaFixture::Get()) {
    varlo::win::ClearShownMessageBoxes();
    varlo::win::SetMessageBoxHook([](const varlo::win::MessageBoxRequest&) { return 1; });
  }
  ~WaveInRecorderTest() override { varlo::win::SetMessageBoxHook(nullptr); }

  static std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const auto& b : varlo::win::ShownMessageBoxes()) texts.push_back(b.text);
    return texts;
  }

  AlsaFixture& alsa;
};

TEST_F(WaveInRecorderTest, RecordsTheDeviceInBuffersOf2048MonoSamplesAt11025Hz) {
  const auto input = Ramp(11025 * 4);
  alsa.SetCapture("varlo_in_a", input);
  TestRecorder rec;
  ASSERT_EQ(rec.Start(IndexOf("varlo_in_a")), 0u);
  EXPECT_TRUE(rec.IsRecording());
  const auto& f = rec.GetFormat();
  EXPECT_EQ(f.wFormatTag, 1);
  EXPECT_EQ(f.nChannels, 1);
  EXPECT_EQ(f.nSamplesPerSec, 11025u);
  EXPECT_EQ(f.wBitsPerSample, 16);
  EXPECT_EQ(f.nBlockAlign, 2);
  EXPECT_EQ(f.nAvgBytesPerSec, 22050u);
  ASSERT_TRUE(WaitFor([&] { return rec.FilledBuffers() >= 2; }));
  {
    std::lock_guard lock(rec.mutex);
    EXPECT_EQ(rec.first, std::vector<int16_t>(input.begin(), input.begin() + 2048));
  }
  // The sample area holds one of the later buffers, whole.
  std::vector<int16_t> area(2048);
  rec.GetSamples(area.data(), 2048);
  bool found = false;
  for (size_t k = 1; k + 1 < input.size() / 2048 && !found; ++k)
    found = std::equal(area.begin(), area.end(), input.begin() + static_cast<long>(k * 2048));
  EXPECT_TRUE(found);
  rec.Stop();
  EXPECT_FALSE(rec.IsRecording());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(WaveInRecorderTest, TheMeterRisesForAToneAndStaysAtZeroForSilence) {
  struct Case {
    double amplitude;
    bool rises;
  } cases[] = {{8000, true}, {0, false}};
  for (const auto& c : cases) {
    alsa.SetCapture("varlo_in_b", Tone(11025 * 3, c.amplitude));
    TestRecorder rec;
    ASSERT_EQ(rec.Start(IndexOf("varlo_in_b")), 0u);
    ASSERT_TRUE(WaitFor([&] { return rec.FilledBuffers() >= 1; }));
    int16_t area[400];
    rec.GetSamples(area, 400);
    const int position = VoiceLevelPosition(area, 400);
    if (c.rises) {
      EXPECT_GT(position, 20) << c.amplitude;
    } else {
      EXPECT_EQ(position, 0);
    }
  }
}

TEST_F(WaveInRecorderTest, MeterScaleFollowsTheTenthAndSixthRule) {
  std::vector<int16_t> flat(400, 600), swing(400), silent(400, 0);
  for (size_t i = 0; i < swing.size(); ++i) swing[i] = i % 2 ? -900 : 900;
  EXPECT_EQ(VoiceLevelPosition(flat.data(), 400), 1);
  EXPECT_EQ(VoiceLevelPosition(swing.data(), 400), 3);
  EXPECT_EQ(VoiceLevelPosition(silent.data(), 400), 0);
  std::vector<int16_t> loud(400);
  for (size_t i = 0; i < loud.size(); ++i) loud[i] = i % 2 ? -32768 : 32767;
  EXPECT_EQ(VoiceLevelPosition(loud.data(), 400), 109);  // above the bar's 100: a full bar
}

TEST_F(WaveInRecorderTest, FailuresAreReportedAndReturnACode) {
  struct Case {
    const char* name;
    std::function<PStringArray()> devices;
    UINT index;
    UINT code;
    const char* box;
  } cases[] = {
      {"no device at all", [] { return PStringArray(); }, 0, CWaveInRecorder::kNoDriver, "No Sound Device"},
      {"index past the list", nullptr, 999, CWaveInRecorder::kBadDeviceId, "Cannot Open Sound Input Device!"},
      {"device that does not open", [] { return PStringArray{"varlo_no_such_pcm"}; }, 0, CWaveInRecorder::kAllocated,
       "Cannot Open Sound Input Device!"},
  };
  for (const auto& c : cases) {
    varlo::win::ClearShownMessageBoxes();
    TestRecorder rec;
    rec.devices = c.devices;
    EXPECT_EQ(rec.Start(c.index), c.code) << c.name;
    EXPECT_FALSE(rec.IsRecording()) << c.name;
    EXPECT_EQ(Boxes(), std::vector<std::string>{c.box}) << c.name;
    rec.Stop();
    rec.Stop();
  }
}

TEST_F(WaveInRecorderTest, StopWaitsForTheWorkerAndStartWhileRecordingStartsAfresh) {
  alsa.SetCapture("varlo_in_a", Tone(11025 * 4, 8000));
  alsa.SetCapture("varlo_in_b", Tone(11025 * 4, 0));
  TestRecorder rec;
  rec.slowHook = true;
  ASSERT_EQ(rec.Start(IndexOf("varlo_in_a")), 0u);
  ASSERT_TRUE(WaitFor([&] { return rec.inHook.load(); }));
  rec.Stop();
  EXPECT_FALSE(rec.inHook);
  const unsigned stopped = rec.FilledBuffers();
  EXPECT_FALSE(rec.IsRecording());

  rec.slowHook = false;
  ASSERT_EQ(rec.Start(IndexOf("varlo_in_a")), 0u);
  ASSERT_TRUE(WaitFor([&] { return rec.FilledBuffers() > stopped; }));
  // Started again without a Stop: the first recording ends, the second reads the silence.
  ASSERT_EQ(rec.Start(IndexOf("varlo_in_b")), 0u);
  const unsigned restarted = rec.FilledBuffers();
  ASSERT_TRUE(WaitFor([&] { return rec.FilledBuffers() > restarted; }));
  int16_t area[400];
  rec.GetSamples(area, 400);
  EXPECT_EQ(VoiceLevelPosition(area, 400), 0);
  EXPECT_TRUE(Boxes().empty());
}

// The first 16384 bytes of the area (the recorded buffer and what follows it) become zero;
// the rest of the area is left as it was.
TEST_F(WaveInRecorderTest, ClearBufferZeroesTheFirstHalfOfTheSampleArea) {
  constexpr int kArea = CWaveInRecorder::kSampleAreaSamples;
  constexpr int kCleared = 16384 / sizeof(int16_t);
  alsa.SetCapture("varlo_in_a", Tone(11025 * 2, 8000));
  TestRecorder rec;
  ASSERT_EQ(rec.Start(IndexOf("varlo_in_a")), 0u);
  ASSERT_TRUE(WaitFor([&] { return rec.FilledBuffers() >= 1; }));
  rec.Stop();
  // Beyond the recorded buffer, samples none of which is zero.
  std::vector<int16_t> beyond(kArea - 2048);
  for (size_t i = 0; i < beyond.size(); ++i) beyond[i] = static_cast<int16_t>(1 + i % 3000);
  rec.Put(2048, beyond);
  std::vector<int16_t> area(kArea);
  rec.GetSamples(area.data(), kArea);
  ASSERT_GT(std::count_if(area.begin(), area.begin() + 2048, [](int16_t v) { return v != 0; }), 2000)
      << "the recorded buffer holds the tone";

  rec.ClearBuffer();
  rec.GetSamples(area.data(), kArea);
  EXPECT_EQ(std::count(area.begin(), area.begin() + kCleared, 0), kCleared);
  EXPECT_TRUE(std::equal(area.begin() + kCleared, area.end(), beyond.begin() + (kCleared - 2048)));
}

}  // namespace
