#include "stack/sound/WavFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>

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

// A key click or "Busy.wav" is read on the window's thread: whatever stands in a sound
// file's place must not hold it.  Only a regular file (or a link to one) is read.
TEST(WavFile, OnlyARegularFileIsReadAndOpeningNeverWaits) {
  char pattern[] = "/tmp/varlo-wav-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::filesystem::path dir = pattern;
  const std::vector<uint8_t> wav = Wav(1, 8000, {5, 6, 7});
  std::ofstream(dir / "real.wav", std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), wav.size());
  ASSERT_EQ(::symlink((dir / "real.wav").c_str(), (dir / "d1.wav").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir / "Busy.wav").c_str(), 0600), 0);  // nobody ever writes to it
  ASSERT_EQ(::mkdir((dir / "star.wav").c_str(), 0700), 0);
  ASSERT_EQ(::symlink("/dev/zero", (dir / "hash.wav").c_str()), 0);
  struct Case {
    const char* name;
    bool read;
  };
  for (const Case& c : {Case{"d1.wav", true}, Case{"Busy.wav", false}, Case{"star.wav", false},
                        Case{"hash.wav", false}}) {
    const std::string path = dir / c.name;
    auto reading = std::async(std::launch::async, [path] {
      WavAudio got;
      std::string error;
      const bool ok = ReadWavFile(path, got, error);
      return std::make_pair(ok, got.samples.size());
    });
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
      ADD_FAILURE() << c.name << ": still opening after 10 s";
      const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);  // lets a FIFO's reader go
      if (writer >= 0) ::close(writer);
    }
    const auto [ok, samples] = reading.get();
    EXPECT_EQ(ok, c.read) << c.name;
    if (c.read) {
      EXPECT_EQ(samples, 3u) << c.name;
    }
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
