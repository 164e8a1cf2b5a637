#include "stack/sound/WavFile.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Wav(unsigned channels, unsigned rate, std::vector<int16_t> samples) {
  WavAudio a;
  a.channels = channels;
  a.sampleRate = rate;
  a.samples = std::move(samples);
  return EncodeWav(a);
}

void Set16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

TEST(WavFile, RoundTripAndChunksBeforeData) {
  const std::vector<int16_t> s = {0, 1, -1, 32767, -32768};
  WavAudio got;
  std::string error;
  ASSERT_TRUE(ParseWav(Wav(1, 8000, s), got, error)) << error;
  EXPECT_EQ(got.samples, s);
  EXPECT_EQ(got.sampleRate, 8000u);
  EXPECT_EQ(got.channels, 1u);

  // A LIST chunk of odd size (padded) between fmt and data is skipped.
  std::vector<uint8_t> b = Wav(1, 8000, s);
  const std::vector<uint8_t> list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  b.insert(b.begin() + 36, list.begin(), list.end());
  ASSERT_TRUE(ParseWav(b, got, error)) << error;
  EXPECT_EQ(got.samples, s);
}

TEST(WavFile, DamagedOrUnsupportedFilesAreRefusedWithAReason) {
  const std::vector<uint8_t> good = Wav(1, 8000, {1, 2, 3, 4});
  struct Case { const char* what; std::vector<uint8_t> bytes; bool ok; size_t samples; } cases[] = {
      {"empty", {}, false, 0},
      {"not riff", [&] { auto b = good; b[0] = 'X'; return b; }(), false, 0},
      {"8-bit", [&] { auto b = good; Set16(b, 34, 8); return b; }(), false, 0},
      {"compressed", [&] { auto b = good; Set16(b, 20, 6); return b; }(), false, 0},
      {"no channels", [&] { auto b = good; Set16(b, 22, 0); return b; }(), false, 0},
      {"fmt cut short", std::vector<uint8_t>(good.begin(), good.begin() + 30), false, 0},
      {"no data chunk", std::vector<uint8_t>(good.begin(), good.begin() + 36), false, 0},
      // A data chunk cut short keeps the whole samples that are there.
      {"data cut short", std::vector<uint8_t>(good.begin(), good.end() - 3), true, 2},
  };
  for (const auto& c : cases) {
    WavAudio got;
    std::string error;
    EXPECT_EQ(ParseWav(c.bytes, got, error), c.ok) << c.what;
    if (c.ok) {
      EXPECT_EQ(got.samples.size(), c.samples) << c.what;
    } else {
      EXPECT_FALSE(error.empty()) << c.what;
    }
  }
  WavAudio got;
  std::string error;
  EXPECT_FALSE(ReadWavFile("/nonexistent/Busy.wav", got, error));
  EXPECT_NE(error.find("Busy.wav"), std::string::npos);
}

}  // namespace
