// The main window's sounds and handset without a display: key clicks on the test playback
// device, the busy tone's plays and its end, and the stand-in handset library calling back
// from its own thread.
#include <chrono>
#include <filesystem>
#include <thread>

#include "AlsaFixture.h"
#include "CVarloDlgTestFixture.h"
#include "MixerFixture.h"
#include "StandInHandset.h"
#include "platform/core/AppDir.h"
#include "platform/win/Input.h"
#include "stack/sound/WavFile.h"
#include "ui/CVarloDlg.h"
#include "ui/StatusTexts.h"
#include "ui/VarloMessages.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kPlayer = "varlo_out_a";

std::vector<int16_t> WavSamples(const std::string& path) {
  WavAudio audio;
  std::string error;
  EXPECT_TRUE(ReadWavFile(path, audio, error)) << path << ": " << error;
  return audio.samples;
}

class SoundTest : public UiTest {
 protected:
  void SetUp() override {
    MixerFixture::Get();
    UiTest::SetUp();
    std::filesystem::copy(VARLO_SOUNDS_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    alsa.ClearPlayed(kPlayer);
    g_deviceCallbackState = -1;
  }
  void TearDown() override {
    dlg.reset();
    UiTest::TearDown();
  }
  void Open(const std::vector<const char*>& history = {}) {
    SaveProfile([&](CUserProfile& p) {
      p.m_callType = 1;
      p.m_loginMode = 0;  // no login at start
      p.m_playDevice = kPlayer;
      p.m_recordDevice = "varlo_in_a";
      for (const char* n : history) p.m_dialHistory.Add(n);
    });
    dlg = std::make_unique<CVarloDlg>(dir.Path().c_str(), QuietServices());
    ASSERT_TRUE(dlg->Create(CVarloDlg::IDD));
  }
  void Command(int id) { dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  CString Number() {
    CString text;
    dlg->m_numberBox.GetWindowText(text);
    return text;
  }
  // Waits for the click's end; closing the channel hands the device's last samples to
  // its file.
  bool ClickPlayed() {
    const bool done = PumpUntil([&] { return dlg->m_sound.HasPlayCompleted(); });
    dlg->m_sound.Close();
    return done;
  }

  // How many audio wizards are open.
  static int Wizards() {
    int n = 0;
    for (HWND h : Sys().TopLevelWindows()) {
      const varlo::win::WindowState* w = Sys().Find(h);
      n += w && w->text == "Voice Setting" && ::IsWindowVisible(h);
    }
    return n;
  }

  AlsaFixture& alsa = AlsaFixture::Get();
  std::unique_ptr<CVarloDlg> dlg;
};

TEST_F(SoundTest, KeysPlayTheirClickAndOtherCharactersNone) {
  Open();
  struct Case {
    int command;
    const char* file;
  };
  const Case cases[] = {{varlo::ids::kKey1 + 4, "d5.wav"},
                        {varlo::ids::kKey0, "d0.wav"},
                        {varlo::ids::kKeyStar, "star.wav"},
                        {varlo::ids::kKeyHash, "hash.wav"}};
  for (const Case& c : cases) {
    Command(c.command);
    ASSERT_TRUE(ClickPlayed());
    EXPECT_EQ(alsa.Played(kPlayer), WavSamples(dir / (std::string("dtmf/") + c.file))) << c.file;
  }
  // Backspace and the full stop edit the number without a click.
  dlg->m_key5.SetFocus();
  for (UINT vk : {UINT(VK_BACK), UINT(VK_OEM_PERIOD)}) {
    varlo::win::SimulateKey(vk, dlg->m_key5.m_hWnd);
    ASSERT_TRUE(ClickPlayed());
    EXPECT_TRUE(alsa.Played(kPlayer).empty());
  }
  EXPECT_EQ(Number(), "50*.");
}

// A busy called party plays the tone; Call ends it when the play in progress is over.  A
// second busy end restarts the tone instead of playing a second one over it.
TEST_F(SoundTest, BusyToneEndsAfterThePlayInProgressWhenCallIsPressed) {
  Open();
  const std::vector<int16_t> tone = WavSamples(dir / "Busy.wav");
  const auto plays = [&](int n) {
    std::vector<int16_t> out;
    for (int i = 0; i < n; ++i) out.insert(out.end(), tone.begin(), tone.end());
    return out;
  };
  const auto callAndWait = [&] {
    Command(varlo::ids::kCall);
    EXPECT_TRUE(PumpUntil([&] { return !dlg->m_busyToneThread.IsRunning(); }));
    dlg->m_sound.Close();
  };
  dlg->SendMessage(WM_VARLO_CALL_CLEARED, 4, 1);
  EXPECT_EQ(dlg->m_statusText, AfxLoadString(109));  // "Called Party Busy"
  ASSERT_TRUE(PumpUntil([&] { return alsa.Played(kPlayer).size() > tone.size(); }));
  callAndWait();
  EXPECT_EQ(alsa.Played(kPlayer), plays(2));

  dlg->SendMessage(WM_VARLO_CALL_CLEARED, 4, 1);
  ASSERT_TRUE(PumpUntil([&] { return !alsa.Played(kPlayer).empty(); }));
  dlg->SendMessage(WM_VARLO_CALL_CLEARED, 4, 1);
  EXPECT_TRUE(dlg->m_busyToneThread.IsRunning());
  ASSERT_TRUE(PumpUntil([&] { return !alsa.Played(kPlayer).empty(); }));
  callAndWait();
  EXPECT_EQ(alsa.Played(kPlayer), plays(1));
}

// The window goes while the tone plays: the tone's thread ends before the channel does.
TEST_F(SoundTest, ClosingDuringTheBusyToneEndsItFirst) {
  Open();
  dlg->SendMessage(WM_VARLO_CALL_CLEARED, 4, 1);
  ASSERT_TRUE(PumpUntil([&] { return !alsa.Played(kPlayer).empty(); }));
  dlg->DestroyWindow();
  EXPECT_FALSE(dlg->m_busyToneThread.IsRunning());
  dlg.reset();
}

// Key 40 on an empty history steps back to "no entry"; once numbers are dialled, key 60
// steps on from there to the newest.
TEST_F(SoundTest, HandsetHistoryKeysOnAnEmptyHistoryThenStartFromTheNewest) {
  StandInHandset handset;
  Open();
  const auto key = [&](int code) {
    handset.Key(code);
    handset.Flush();
    // The key's effect is seen once the window has handled it: a shown message box (none
    // here) or the next key's echo into the number box.
    handset.Key(7);
    handset.Flush();
    EXPECT_TRUE(PumpUntil([&] { return Number().Right(1) == "7"; }, 2s));
    CString text = Number();
    dlg->m_numberBox.SetWindowText(text.Left(text.GetLength() - 1));
  };
  key(40);
  EXPECT_EQ(Number(), "") << "an empty history leaves the box as it is";
  for (const char* n : {"5551111", "5552222", "5553333"}) {
    dlg->m_numberBox.SetWindowText(n);
    dlg->m_numberBox.TakeNumber();
  }
  key(60);
  EXPECT_EQ(Number(), "5553333");
  key(60);
  EXPECT_EQ(Number(), "5552222");
  key(40);
  EXPECT_EQ(Number(), "5553333");
  key(40);
  EXPECT_EQ(Number(), "5551111") << "below the newest: the oldest";
}

TEST_F(SoundTest, HandsetKeysComeFromTheLibrarysThreadToTheWindow) {
  StandInHandset handset;
  Open({"5551111", "5552222", "5553333"});
  EXPECT_EQ(handset.Window(), static_cast<void*>(dlg->m_hWnd));
  struct Step {
    int code;
    const char* number;
  };
  const Step steps[] = {
      {4, "4"}, {2, "42"}, {20, "42*"}, {21, "42*#"}, {30, "42*"}, {99, "42*"}, {-1, "42*"},
      {40, "5553333"}, {60, "5551111"}, {60, "5552222"},
  };
  for (const Step& s : steps) {
    handset.Key(s.code);
    handset.Flush();
    EXPECT_TRUE(PumpUntil([&] { return Number() == s.number; }, 2s)) << s.code << ": " << Number().GetString();
  }
  // Dial: the number goes to the Call button's routine, which asks to register first.
  handset.Key(50);
  handset.Flush();
  EXPECT_TRUE(PumpUntil([&] { return !varlo::win::ShownMessageBoxes().empty(); }, 2s));
  ASSERT_EQ(varlo::win::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(varlo::win::ShownMessageBoxes()[0].text, AfxLoadString(135).GetString());
  CString newest;
  dlg->m_numberBox.GetLBText(0, newest);
  EXPECT_EQ(newest, "5552222");
}

// The first device notice after start is ignored; the next opens the audio wizard, and a
// notice that comes while that wizard is open opens no second one.
TEST_F(SoundTest, DeviceNoticesOpenTheWizardFromTheSecondOnAndNeverTwiceAtOnce) {
  StandInHandset handset;
  Open();
  handset.Device();
  handset.Flush();
  ASSERT_TRUE(PumpUntil([] { return g_deviceCallbackState == 0; }, 2s));

  CStepWnd steps;
  int wizardsFirst = -1, wizardsAfterAnother = -1;
  int stateInside = -2;
  handset.Device();
  handset.Flush();
  // Runs inside the wizard's loop when there is a wizard: another notice, then Cancel.
  steps.Later([&] {
    stateInside = g_deviceCallbackState;
    wizardsFirst = Wizards();
    const HWND wizard = ::FindWindow(nullptr, "Voice Setting");
    if (!wizard) return;
    handset.Device();
    handset.Flush();
    // After the notice's message, inside whatever loop it left running.
    steps.Later([&, wizard] {
      wizardsAfterAnother = Wizards();
      ::SendMessage(wizard, WM_COMMAND, IDCANCEL, 0);
    });
  });
  ASSERT_TRUE(PumpUntil([&] { return wizardsAfterAnother != -1 && g_deviceCallbackState == 0; }, 5s))
      << "no wizard came up for the second notice";
  EXPECT_EQ(wizardsFirst, 1);
  EXPECT_EQ(wizardsAfterAnother, 1);
  EXPECT_EQ(stateInside, 1);
  EXPECT_EQ(Wizards(), 0);
}

// The first-run check (the first tick of timer 1): the audio wizard runs when no audio
// settings were ever saved, and not when they were.
TEST_F(SoundTest, FirstStartRunsTheAudioWizardOnce) {
  for (bool saved : {true, false}) {
    SCOPED_TRACE(saved ? "audio settings saved" : "first start");
    std::filesystem::remove(dir / "audio.dat");
    if (saved) {
      Open();
    } else {
      dlg = std::make_unique<CVarloDlg>(dir.Path().c_str(), QuietServices());
      ASSERT_TRUE(dlg->Create(CVarloDlg::IDD));
    }
    ASSERT_EQ(std::filesystem::exists(dir / "audio.dat"), saved);
    CStepWnd steps;
    int wizards = -1;
    // Runs inside the wizard's loop when the tick opens one, and closes it; without a
    // wizard it runs once the tick is over.
    steps.Later([&] {
      wizards = Wizards();
      if (const HWND wizard = ::FindWindow(nullptr, "Voice Setting")) ::SendMessage(wizard, WM_COMMAND, IDCANCEL, 0);
    });
    dlg->SendMessage(WM_TIMER, CVarloDlg::kFirstRunTimer, 0);
    ASSERT_TRUE(PumpUntil([&] { return wizards != -1; }));
    EXPECT_EQ(wizards, saved ? 0 : 1);
    EXPECT_EQ(Wizards(), 0);
    dlg->DestroyWindow();
    dlg.reset();
  }
}

// A library that goes on calling after Phone_Close reaches nothing: not the window that is
// going, nor the one that is gone.
TEST_F(SoundTest, HandsetCallbacksAfterCloseTouchNothing) {
  StandInHandset handset;
  handset.CallAfterClose(true);
  Open();
  // While the window is open, a key and a device notice reach it.
  handset.Device();
  handset.Key(5);
  handset.Flush();
  ASSERT_TRUE(PumpUntil([&] { return Number() == "5" && g_deviceCallbackState == 0; }));
  const int closes = handset.Closes();
  dlg->DestroyWindow();
  EXPECT_EQ(handset.Closes(), closes + 1);
  // The library calls after its close; a notice that reached a main window would open the
  // wizard (the second notice).
  for (bool gone : {false, true}) {
    SCOPED_TRACE(gone ? "window object gone" : "window destroyed");
    if (gone) dlg.reset();
    const int calls = handset.Calls();
    handset.Key(6);
    handset.Device();
    handset.Flush();
    EXPECT_EQ(handset.Calls(), calls + 2) << "the library made no calls after its close";
    Sys().Pump();
    EXPECT_EQ(g_deviceCallbackState, 0);
    EXPECT_EQ(Wizards(), 0);
  }
  handset.Stop();
  handset.CallAfterClose(false);
}

}  // namespace
