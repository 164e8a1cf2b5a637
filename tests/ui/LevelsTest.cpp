// The volume and microphone levels on the stand-in sound card: read at start, written by
// the four buttons and the bar clicks on the card's own range, and moved by changes that
// another program makes.
#include <chrono>
#include <thread>

#include "CVarloDlgTestFixture.h"
#include "MixerFixture.h"
#include "platform/mixer/AlsaMixer.h"
#include "platform/win/Input.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

using varlo::mixer::FromControlRange;
using varlo::mixer::ToControlRange;
using namespace std::chrono_literals;

constexpr long kMasterMax = 87;
constexpr long kCaptureMax = 63;
constexpr const char* kCard = "varlo_out_a";

long MasterRaw(int level) { return ToControlRange(static_cast<uint32_t>(level) * 4095, 0, kMasterMax); }
long CaptureRaw(int level) { return ToControlRange(static_cast<uint32_t>(level) * 4095, 0, kCaptureMax); }

class LevelsTest : public UiTest {
 protected:
  void SetUp() override {
    MixerFixture::Get();
    UiTest::SetUp();
    mixers.SetRaw(kCard, 0, 0);
  }
  void TearDown() override {
    Close();
    UiTest::TearDown();
  }
  // Ends the window the way the program does, so that it closes its mixer: the mixer is
  // the process's, and one left open would keep reporting to a window that is gone.
  void Close() {
    if (dlg && ::IsWindow(dlg->m_hWnd)) dlg->DestroyWindow();
    dlg.reset();
    EXPECT_EQ(g_hMixer, nullptr);
  }
  void Open(const char* playDevice = kCard) {
    Close();
    SaveProfile([&](CUserProfile& p) {
      p.m_callType = 0;
      p.m_playDevice = playDevice;
      p.m_recordDevice = "varlo_in_a";
    });
    dlg = std::make_unique<CVarloDlg>(dir.Path().c_str(), QuietServices());
    ASSERT_TRUE(dlg->Create(CVarloDlg::IDD));
  }
  void Command(int id) { dlg->SendMessage(WM_COMMAND, static_cast<WPARAM>(id)); }
  template <class Pred>
  bool PumpUntil(Pred done) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      Sys().Pump();
      std::this_thread::sleep_for(2ms);
    }
    return done();
  }

  MixerFixture& mixers = MixerFixture::Get();
  std::unique_ptr<CVarloDlg> dlg;
};

TEST_F(LevelsTest, StartReadsTheCardAndTheButtonsWriteIt) {
  mixers.SetRaw(kCard, MasterRaw(10), CaptureRaw(15));
  Open();
  ASSERT_NE(g_hMixer, nullptr);
  EXPECT_EQ(dlg->m_speakerLevel, 10);
  EXPECT_EQ(dlg->m_micLevel, 15);

  struct Press {
    int id;
    int speaker, mic;
  };
  const Press presses[] = {
      {varlo::ids::kVolumeUp, 11, 15}, {varlo::ids::kVolumeDown, 10, 15}, {varlo::ids::kMicUp, 10, 16},
      {varlo::ids::kMicUp, 10, 16},    {varlo::ids::kMicDown, 10, 15},
  };
  for (const Press& p : presses) {
    Command(p.id);
    EXPECT_EQ(dlg->m_speakerLevel, p.speaker);
    EXPECT_EQ(dlg->m_micLevel, p.mic);
    EXPECT_EQ(mixers.AmixerRaw(kCard, "Master"), MasterRaw(p.speaker)) << p.id;
    EXPECT_EQ(mixers.AmixerRaw(kCard, "Capture"), CaptureRaw(p.mic)) << p.id;
  }

  // What was set is what the next start shows.
  dlg->DestroyWindow();
  Open();
  EXPECT_EQ(dlg->m_speakerLevel, 10);
  EXPECT_EQ(dlg->m_micLevel, 15);
}

TEST_F(LevelsTest, BarClicksSetTheLevelInsideTheZonesOnly) {
  Open();
  struct Click {
    int x, y;
    int speaker, mic;
  };
  const Click clicks[] = {
      {58, 172, 2, 0},   {119, 172, 16, 0}, {51, 172, 0, 0},  {90, 172, 10, 0},  {50, 172, 10, 0},
      {120, 172, 10, 0}, {90, 167, 10, 0},  {90, 177, 10, 0}, {152, 172, 10, 1}, {214, 170, 10, 16},
      {145, 172, 10, 16}, {215, 172, 10, 16}, {180, 176, 10, 8},
  };
  for (const Click& c : clicks) {
    varlo::win::SimulateClick(dlg->m_hWnd, CPoint(c.x, c.y));
    Sys().Pump();
    EXPECT_EQ(dlg->m_speakerLevel, c.speaker) << c.x << "," << c.y;
    EXPECT_EQ(dlg->m_micLevel, c.mic) << c.x << "," << c.y;
    EXPECT_EQ(mixers.AmixerRaw(kCard, "Master"), MasterRaw(dlg->m_speakerLevel));
    EXPECT_EQ(mixers.AmixerRaw(kCard, "Capture"), CaptureRaw(dlg->m_micLevel));
  }
}

TEST_F(LevelsTest, AnotherProgramMovesTheBars) {
  Open();
  ASSERT_TRUE(mixers.Amixer(kCard, "Master", 30));
  EXPECT_TRUE(PumpUntil([&] { return dlg->m_speakerLevel == static_cast<int>(FromControlRange(30, 0, kMasterMax) / 4095); }));
  ASSERT_TRUE(mixers.Amixer(kCard, "Capture", kCaptureMax));
  EXPECT_TRUE(PumpUntil([&] { return dlg->m_micLevel == 16; }));
  EXPECT_EQ(dlg->m_speakerLevel, 5);

  // After the devices change the mixer is a new one; it still reports.
  const HMIXER before = g_hMixer;
  dlg->SendMessage(WM_VARLO_DEVICES_CHANGED, 0, 0);
  EXPECT_NE(g_hMixer, before);
  ASSERT_TRUE(mixers.Amixer(kCard, "Master", 0));
  EXPECT_TRUE(PumpUntil([&] { return dlg->m_speakerLevel == 0; }));
}

// Without a mixer, or on a card without the volumes, the buttons still move the bars and
// nothing else happens.
TEST_F(LevelsTest, WithoutMixerOrVolumesTheBarsStillMove) {
  for (const char* device : {"null", "varlo_out_novol"}) {
    SCOPED_TRACE(device);
    Open(device);
    EXPECT_EQ(g_hMixer != nullptr, std::string(device) != "null");
    EXPECT_EQ(g_speakerVolumeControl, 0u);
    EXPECT_EQ(g_micVolumeControl, 0u);
    Command(varlo::ids::kVolumeUp);
    Command(varlo::ids::kMicUp);
    EXPECT_EQ(dlg->m_speakerLevel, 1);
    EXPECT_EQ(dlg->m_micLevel, 1);
    DWORD value = 77;
    EXPECT_FALSE(GetSpeakerVolume(value));
    EXPECT_EQ(value, g_hMixer ? 0u : 77u);
    EXPECT_FALSE(SetMicVolume(4095));
    dlg->DestroyWindow();
    EXPECT_EQ(g_hMixer, nullptr);
  }
}

}  // namespace
