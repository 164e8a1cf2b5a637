#include "platform/mixer/AlsaMixer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "MixerFixture.h"
#include "stack/sound/PSoundChannel.h"

using varlo::mixer::AlsaMixer;
using varlo::mixer::FromControlRange;
using varlo::mixer::kFullScale;
using varlo::mixer::ToControlRange;

namespace {

constexpr uint32_t kLevelStep = 4095;  // the main window's 0..16 levels

// Collects change notices from the mixer's thread.
class Notices {
 public:
  AlsaMixer::ChangeFn Fn() {
    return [this](AlsaMixer::Volume v) {
      std::lock_guard lock(m_mutex);
      ++m_count[v];
      m_cv.notify_all();
    };
  }
  bool WaitFor(AlsaMixer::Volume v, int count) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(10), [&] { return m_count[v] >= count; });
  }
  int Count(AlsaMixer::Volume v) {
    std::lock_guard lock(m_mutex);
    return m_count[v];
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  int m_count[2] = {0, 0};
};

class AlsaMixerTest : public ::testing::Test {
 protected:
  AlsaMixerTest() : fixture(MixerFixture::Get()) {}
  MixerFixture& fixture;
};

}  // namespace

// Every level of the window's scale survives the trip to a control's own range and back;
// rounding to the nearest step would lose some on each of these ranges.
TEST(LevelScaleTest, EveryLevelReadsBackTheSameOnCommonRanges) {
  for (long max : {31L, 63L, 87L, 100L, 127L, 255L, 65536L}) {
    for (uint32_t level = 0; level <= 16; ++level) {
      const long raw = ToControlRange(level * kLevelStep, 0, max);
      EXPECT_LE(raw, max);
      EXPECT_EQ(FromControlRange(raw, 0, max) / kLevelStep, level) << "range 0.." << max << " level " << level;
    }
    EXPECT_EQ(ToControlRange(kFullScale, 0, max), max);
    EXPECT_EQ(FromControlRange(max, 0, max), kFullScale);
    EXPECT_EQ(FromControlRange(0, 0, max), 0u);
  }
  // Ranges that do not start at 0, and values outside the range.
  EXPECT_EQ(ToControlRange(0, -40, 20), -40);
  EXPECT_EQ(ToControlRange(kFullScale, -40, 20), 20);
  EXPECT_EQ(FromControlRange(-50, -40, 20), 0u);
  EXPECT_EQ(FromControlRange(99, -40, 20), kFullScale);
  EXPECT_EQ(FromControlRange(5, 7, 7), 0u);
}

TEST_F(AlsaMixerTest, PlaybackDevicesAreTheSoundChannelsAndMapToTheirControlDevice) {
  std::vector<std::string> channel;
  const PStringArray names = PSoundChannel::GetDeviceNames(PSoundChannel::Player);
  for (PINDEX i = 0; i < names.GetSize(); ++i) channel.emplace_back(static_cast<const char*>(names[i]));
  EXPECT_EQ(varlo::mixer::PlaybackDeviceNames(), channel);

  const std::pair<const char*, const char*> cases[] = {
      {"plughw:CARD=PCH,DEV=0", "hw:CARD=PCH"}, {"sysdefault:CARD=Device", "hw:CARD=Device"},
      {"default:CARD=X", "hw:CARD=X"},          {"default", "default"},
      {"pulse", "pulse"},                       {"varlo_out_a", "varlo_out_a"},
      {"null", ""},                             {"", ""},
  };
  for (const auto& [pcm, ctl] : cases) EXPECT_EQ(varlo::mixer::ControlDeviceOf(pcm), ctl) << pcm;
}

TEST_F(AlsaMixerTest, EveryLevelReadsBackTheSameThroughTheCard) {
  for (const char* name : {"varlo_mix_31", "varlo_mix_87", "varlo_mix_100", "varlo_mix_65536"}) {
    auto mixer = AlsaMixer::Open(name);
    ASSERT_TRUE(mixer) << name;
    for (auto v : {AlsaMixer::kSpeaker, AlsaMixer::kMicrophone}) {
      for (uint32_t level = 0; level <= 16; ++level) {
        ASSERT_TRUE(mixer->Set(v, level * kLevelStep));
        uint32_t value = 99999;
        ASSERT_TRUE(mixer->Get(v, value));
        EXPECT_EQ(value / kLevelStep, level) << name << " volume " << v;
      }
    }
    // What another program reads is the card's own value.
    EXPECT_EQ(fixture.AmixerRaw(name, "Master"), ToControlRange(16 * kLevelStep, 0, std::stol(name + 10)));
  }
}

TEST_F(AlsaMixerTest, FindsTheFallbackVolumesAndOpensNoMixerForDevicesWithout) {
  auto pcm = AlsaMixer::Open("varlo_mix_pcm");
  ASSERT_TRUE(pcm);
  EXPECT_TRUE(pcm->Has(AlsaMixer::kSpeaker));
  EXPECT_TRUE(pcm->Has(AlsaMixer::kMicrophone));
  ASSERT_TRUE(pcm->Set(AlsaMixer::kSpeaker, 8 * kLevelStep));
  EXPECT_EQ(fixture.AmixerRaw("varlo_mix_pcm", "PCM"), ToControlRange(8 * kLevelStep, 0, 87));

  auto none = AlsaMixer::Open("varlo_mix_none");
  ASSERT_TRUE(none);
  uint32_t value = 7;
  EXPECT_FALSE(none->Has(AlsaMixer::kSpeaker));
  EXPECT_FALSE(none->Get(AlsaMixer::kSpeaker, value));
  EXPECT_FALSE(none->Set(AlsaMixer::kMicrophone, 100));
  EXPECT_EQ(value, 7u);

  EXPECT_FALSE(AlsaMixer::Open(""));
  EXPECT_FALSE(AlsaMixer::Open("varlo_no_such_mixer"));
}

// A change made by another program arrives as a notice on the volume it changed; after
// the mixer is gone no notice reaches its owner.
TEST_F(AlsaMixerTest, ChangesByAnotherProgramAreAnnounced) {
  fixture.SetRaw("varlo_out_b", 10, 10);
  Notices notices;
  auto mixer = AlsaMixer::Open("varlo_out_b", notices.Fn());
  ASSERT_TRUE(mixer);

  ASSERT_TRUE(fixture.Amixer("varlo_out_b", "Master", 30));
  ASSERT_TRUE(notices.WaitFor(AlsaMixer::kSpeaker, 1));
  uint32_t value = 0;
  ASSERT_TRUE(mixer->Get(AlsaMixer::kSpeaker, value));
  EXPECT_EQ(value, FromControlRange(30, 0, 87));

  ASSERT_TRUE(fixture.Amixer("varlo_out_b", "Capture", 63));
  ASSERT_TRUE(notices.WaitFor(AlsaMixer::kMicrophone, 1));
  ASSERT_TRUE(mixer->Get(AlsaMixer::kMicrophone, value));
  EXPECT_EQ(value, kFullScale);

  mixer.reset();
  const int speaker = notices.Count(AlsaMixer::kSpeaker);
  ASSERT_TRUE(fixture.Amixer("varlo_out_b", "Master", 40));
  // A second watcher sees that change, so the first one had its chance too.
  Notices later;
  auto second = AlsaMixer::Open("varlo_out_b", later.Fn());
  ASSERT_TRUE(fixture.Amixer("varlo_out_b", "Master", 50));
  ASSERT_TRUE(later.WaitFor(AlsaMixer::kSpeaker, 1));
  EXPECT_EQ(notices.Count(AlsaMixer::kSpeaker), speaker);
}
