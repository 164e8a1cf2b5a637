// The audio wizard without a display: its pages, buttons and what Finish stores, the test
// sound in the playback file of a test device, the meter on a test capture device, and
// closing it while its threads run.
#include "setup/CVoiceSheet.h"

#include <gtest/gtest.h>

#include <time.h>

#include <algorithm>

#include "WizardTestSupport.h"
#include "platform/win/Controls.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Resources.h"

using varlo::win::MessageSystem;

namespace {

class VoiceSheetTest : public ::testing::Test {
 protected:
  VoiceSheetTest() : alsa(AlsaFixture::Get()) {}
  void SetUp() override {
    MessageSystem::Instance().Reset();
    varlo::win::ClearShownMessageBoxes();
    varlo::win::SetMessageBoxHook([](const varlo::win::MessageBoxRequest&) { return IDOK; });
    AfxSetResourceHandle(varlo::win::ExecutableModule());
    profile = std::make_unique<CUserProfile>(CString(dir.Path().c_str()), QuietServices());
    profile->m_playDevice = "varlo_out_a";
    profile->m_recordDevice = "varlo_in_a";
    WriteTestSound(dir / "Busy.wav");
    alsa.ClearPlayed("varlo_out_a");
    main = std::make_unique<CReportWnd>();
    app.m_pMainWnd = main.get();
  }
  void TearDown() override {
    app.m_pMainWnd = nullptr;
    main.reset();
    varlo::win::SetMessageBoxHook(nullptr);
    MessageSystem::Instance().Reset();
  }

  // Runs the wizard with `steps` and returns DoModal's result.
  INT_PTR Run(CVoiceSheet& sheet, CStepRunner& steps) {
    sheet.m_psh.dwFlags |= PSH_WIZARD;
    sheet.m_profile = profile.get();
    sheet.m_sound = &sound;
    steps.Start();
    const INT_PTR r = sheet.DoModal();
    EXPECT_TRUE(steps.Done());
    return r;
  }
  static void Press(CVoiceSheet& sheet, int id) { sheet.SendMessage(WM_COMMAND, static_cast<WPARAM>(id)); }
  static void PressTest(CVoiceSheet& sheet) {
    sheet.m_page2.SendMessage(WM_COMMAND, MAKEWPARAM(1026, BN_CLICKED),
                              reinterpret_cast<LPARAM>(::GetDlgItem(sheet.m_page2.m_hWnd, 1026)));
  }
  static CString TestButtonText(CVoiceSheet& sheet) {
    CString text;
    sheet.m_page2.GetDlgItemText(1026, text);
    return text;
  }
  static int MeterAfterNextBuffer(CVoiceSheet& sheet) {
    sheet.m_page3.SendMessage(WM_TIMER, CVoice_Page3::kMeterTimer);
    return static_cast<int>(sheet.m_page3.m_levelBar.SendMessage(PBM_GETPOS));
  }
  // Drains posted messages (the wizard's report to the main window).
  static void Pump() { MessageSystem::Instance().Pump(); }

  AlsaFixture& alsa;
  TempDir dir;
  CWinApp app{"Varlo"};
  std::unique_ptr<CUserProfile> profile;
  std::unique_ptr<CReportWnd> main;
  PSoundChannel sound;  // stands for the main window's channel
};

TEST(VoiceSheet, CarriesItsRunTimeClassAsAPropertySheet) {
  CVoiceSheet sheet("Voice Setting");
  const CWnd& window = sheet;
  EXPECT_EQ(window.GetRuntimeClass(), RUNTIME_CLASS(CVoiceSheet));
  EXPECT_STREQ(RUNTIME_CLASS(CVoiceSheet)->m_lpszClassName, "CVoiceSheet");
  EXPECT_EQ(RUNTIME_CLASS(CVoiceSheet)->m_pBaseClass, RUNTIME_CLASS(CPropertySheet));
  EXPECT_TRUE(window.IsKindOf(RUNTIME_CLASS(CPropertySheet)));
  EXPECT_EQ(RUNTIME_CLASS(CVoiceSheet)->CreateObject(), nullptr) << "made by its opener only";
}

TEST_F(VoiceSheetTest, PagesShowTheirControlsAndButtonsAndFinishStoresTheDevices) {
  CVoiceSheet sheet("Voice Setting", main.get(), 0);
  CStepRunner steps([&] { sheet.EndDialog(-2); });
  const PStringArray players = PSoundChannel::GetDeviceNames(PSoundChannel::Player);
  const PStringArray recorders = PSoundChannel::GetDeviceNames(PSoundChannel::Recorder);
  steps.Do([] {})
      .Do([&] {
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
        EXPECT_EQ(sheet.WizardButtons(), static_cast<DWORD>(PSWIZB_NEXT));
        CComboBox* play = &sheet.m_page1.m_playList;
        CComboBox* record = &sheet.m_page1.m_recordList;
        ASSERT_EQ(play->GetCount(), players.GetSize());
        ASSERT_EQ(record->GetCount(), recorders.GetSize());
        CString first;
        play->GetLBText(0, first);
        EXPECT_EQ(first, players[0].GetPointer());
        EXPECT_EQ(play->GetCurSel(), static_cast<int>(DeviceIndex(PSoundChannel::Player, "varlo_out_a")));
        EXPECT_EQ(record->GetCurSel(), static_cast<int>(DeviceIndex(PSoundChannel::Recorder, "varlo_in_a")));
        const auto texts = ChildTexts(sheet.m_page1.m_hWnd);
        for (const char* t : {"Sound Playback", "Sound Recording", "Preferred Device:", "Setting to make phone calls",
                              "Select the audio devices you would like to use."})
          EXPECT_NE(std::find(texts.begin(), texts.end(), t), texts.end()) << t;
        record->SetCurSel(static_cast<int>(DeviceIndex(PSoundChannel::Recorder, "varlo_in_b")));
        Press(sheet, ID_WIZNEXT);
      })
      .Do([&] {
        EXPECT_EQ(sheet.GetActiveIndex(), 1);
        EXPECT_EQ(sheet.WizardButtons(), static_cast<DWORD>(PSWIZB_BACK | PSWIZB_NEXT));
        EXPECT_EQ(TestButtonText(sheet), "Test");
        const auto texts = ChildTexts(sheet.m_page2.m_hWnd);
        for (const char* t : {"Please press \"Test\" button", "Volume",
                              "0   10    20    30   40   50   60  70   80  90   100"})
          EXPECT_NE(std::find(texts.begin(), texts.end(), t), texts.end()) << t;
        // No mixer here: the volume rests at 0 and cannot be moved.
        CSliderCtrl* slider = static_cast<CSliderCtrl*>(sheet.m_page2.GetDlgItem(1025));
        EXPECT_EQ(slider->GetPos(), 0);
        EXPECT_FALSE(slider->IsWindowEnabled());
        Press(sheet, ID_WIZBACK);
      })
      .Do([&] {
        EXPECT_EQ(sheet.GetActiveIndex(), 0);
        EXPECT_EQ(sheet.WizardButtons(), static_cast<DWORD>(PSWIZB_NEXT));
        Press(sheet, ID_WIZNEXT);
      })
      .Do([&] { Press(sheet, ID_WIZNEXT); })
      .Do([&] {
        EXPECT_EQ(sheet.GetActiveIndex(), 2);
        EXPECT_EQ(sheet.WizardButtons(), static_cast<DWORD>(PSWIZB_BACK | PSWIZB_NEXT));
        EXPECT_TRUE(sheet.m_page3.m_recorder.IsRecording());
        const auto texts = ChildTexts(sheet.m_page3.m_hWnd);
        EXPECT_NE(std::find(texts.begin(), texts.end(), "Voice:"), texts.end());
        EXPECT_NE(std::find(texts.begin(), texts.end(), "Test The Input Device"), texts.end());
        Press(sheet, ID_WIZNEXT);
      })
      .Do([&] {
        EXPECT_EQ(sheet.GetActiveIndex(), 3);
        EXPECT_EQ(sheet.WizardButtons(), static_cast<DWORD>(PSWIZB_BACK | PSWIZB_FINISH));
        EXPECT_FALSE(sheet.m_page3.m_recorder.IsRecording());
        const auto texts = ChildTexts(sheet.m_page4.m_hWnd);
        EXPECT_NE(std::find(texts.begin(), texts.end(), "Audio setup now is complete"), texts.end());
        EXPECT_NE(std::find(texts.begin(), texts.end(), "You are ready to make phone calls."), texts.end());
        EXPECT_TRUE(main->reports.empty());
        EXPECT_EQ(profile->m_recordDevice, "varlo_in_a");  // nothing stored before Finish
        Press(sheet, ID_WIZFINISH);
      });
  EXPECT_EQ(Run(sheet, steps), ID_WIZFINISH);
  EXPECT_EQ(profile->m_playDevice, "varlo_out_a");
  EXPECT_EQ(profile->m_recordDevice, "varlo_in_b");
  Pump();
  EXPECT_EQ(main->reports, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 1}}));
}

TEST_F(VoiceSheetTest, CancelStoresNothingAndFinishReportsEvenUnchangedDevices) {
  profile->m_playDevice = "VARLO_OUT";  // begins an entry, ignoring case
  profile->m_recordDevice = "no such device";
  const UINT firstPlay = DeviceIndex(PSoundChannel::Player, "varlo_out_a");
  {
    CVoiceSheet sheet("Voice Setting", main.get(), 0);
    CStepRunner steps([&] { sheet.EndDialog(-2); });
    steps.Do([] {}).Do([&] {
      EXPECT_EQ(sheet.m_page1.m_playList.GetCurSel(), static_cast<int>(firstPlay));
      EXPECT_EQ(sheet.m_page1.m_recordList.GetCurSel(), 0);  // not found: the first entry
      Press(sheet, ID_WIZNEXT);
    });
    steps.Do([&] { Press(sheet, IDCANCEL); });
    EXPECT_EQ(Run(sheet, steps), IDCANCEL);
  }
  Pump();
  EXPECT_EQ(profile->m_playDevice, "VARLO_OUT");
  EXPECT_EQ(profile->m_recordDevice, "no such device");
  EXPECT_TRUE(main->reports.empty());

  profile->m_playDevice = "varlo_out_a";
  profile->m_recordDevice = "varlo_in_a";
  CVoiceSheet sheet("Voice Setting", main.get(), 0);
  CStepRunner steps([&] { sheet.EndDialog(-2); });
  steps.Do([] {});
  for (int i = 0; i < 3; ++i) steps.Do([&] { Press(sheet, ID_WIZNEXT); });
  steps.Do([&] { Press(sheet, ID_WIZFINISH); });
  EXPECT_EQ(Run(sheet, steps), ID_WIZFINISH);
  Pump();
  EXPECT_EQ(profile->m_playDevice, "varlo_out_a");
  EXPECT_EQ(main->reports, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 1}}));
}

TEST_F(VoiceSheetTest, TestSoundReachesThePlaybackDeviceUntilTestIsPressedAgain) {
  const auto expected = TestSoundSamples();
  CVoiceSheet sheet("Voice Setting", main.get(), 0);
  CStepRunner steps([&] { sheet.EndDialog(-2); });
  steps.Do([] {})
      .Do([&] { Press(sheet, ID_WIZNEXT); })
      .Do([&] {
        PressTest(sheet);
        EXPECT_EQ(TestButtonText(sheet), "Stop");
        EXPECT_TRUE(sheet.m_page2.m_running);
      })
      .Until([&] { return !sound.HasPlayCompleted(); })
      .Do([&] {
        PressTest(sheet);
        EXPECT_EQ(TestButtonText(sheet), "Test");
      })
      // The playback in progress ends, then the thread gives the device up (and the test
      // device writes out what it holds).
      .Until([&] { return !sound.IsOpen(); })
      .Do([&] {
        const auto played = alsa.Played("varlo_out_a");
        ASSERT_GE(played.size(), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin()));
        Press(sheet, IDCANCEL);
      });
  EXPECT_EQ(Run(sheet, steps), IDCANCEL);
}

TEST_F(VoiceSheetTest, TheTestSoundLeavesTheChannelToTheMainWindowsOwnSound) {
  alsa.ClearPlayed("varlo_out_b");
  CVoiceSheet sheet("Voice Setting", main.get(), 0);
  CStepRunner steps([&] { sheet.EndDialog(-2); });
  steps.Do([] {})
      .Do([&] { Press(sheet, ID_WIZNEXT); })
      .Do([&] { PressTest(sheet); })
      .Until([&] { return !sound.HasPlayCompleted(); })
      // The main window opens its channel for the far end's ringing.
      .Do([&] { EXPECT_TRUE(sound.Open("varlo_out_b", PSoundChannel::Player)); })
      .Until([&] { return !sheet.m_page2.TestSoundRunning(); })
      .Do([&] {
        EXPECT_TRUE(sound.IsOpen());
        EXPECT_EQ(sound.GetName(), "varlo_out_b");
        PressTest(sheet);
        Press(sheet, IDCANCEL);
      });
  EXPECT_EQ(Run(sheet, steps), IDCANCEL);
  EXPECT_TRUE(sound.IsOpen());  // closing the wizard leaves the window's sound alone
  sound.Close();
  EXPECT_TRUE(alsa.Played("varlo_out_b").empty());
}

TEST_F(VoiceSheetTest, ATestSoundThatCannotPlayWaitsBetweenTries) {
  std::remove((dir / "Busy.wav").c_str());
  CVoiceSheet sheet("Voice Setting", main.get(), 0);
  CStepRunner steps([&] { sheet.EndDialog(-2); });
  timespec cpu0{}, cpu1{};
  std::chrono::steady_clock::time_point wall0;
  steps.Do([] {})
      .Do([&] { Press(sheet, ID_WIZNEXT); })
      .Do([&] {
        PressTest(sheet);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
        wall0 = std::chrono::steady_clock::now();
      })
      .Until([&] { return std::chrono::steady_clock::now() - wall0 > std::chrono::milliseconds(1500); })
      .Do([&] {
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
        const double cpu = (cpu1.tv_sec - cpu0.tv_sec) + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e9;
        // A thread retrying without a pause burns a good part of the time that has passed.
        EXPECT_LT(cpu, 0.15);
        EXPECT_TRUE(alsa.Played("varlo_out_a").empty());
        Press(sheet, IDCANCEL);
      });
  EXPECT_EQ(Run(sheet, steps), IDCANCEL);
}

TEST_F(VoiceSheetTest, MeterRisesForAToneAndStaysAtZeroForSilence) {
  std::vector<int16_t> tone(11025 * 4), silence(11025 * 4, 0);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(i % 25 < 12 ? 6000 : -6000);
  alsa.SetCapture("varlo_in_a", tone);
  alsa.SetCapture("varlo_in_b", silence);
  CVoiceSheet sheet("Voice Setting", main.get(), 0);
  CStepRunner steps([&] { sheet.EndDialog(-2); });
  unsigned filled = 0;
  steps.Do([] {})
      .Do([&] { Press(sheet, ID_WIZNEXT); })
      .Do([&] { Press(sheet, ID_WIZNEXT); })
      .Until([&] { return sheet.m_page3.m_recorder.FilledBuffers() >= 1; })
      .Do([&] {
        EXPECT_EQ(MeterAfterNextBuffer(sheet), 20);  // a swing of 12000
        Press(sheet, ID_WIZBACK);
        Press(sheet, ID_WIZBACK);
      })
      .Do([&] {
        filled = sheet.m_page3.m_recorder.FilledBuffers();
        sheet.m_page1.m_recordList.SetCurSel(static_cast<int>(DeviceIndex(PSoundChannel::Recorder, "varlo_in_b")));
        Press(sheet, ID_WIZNEXT);
      })
      .Do([&] { Press(sheet, ID_WIZNEXT); })
      .Until([&] { return sheet.m_page3.m_recorder.FilledBuffers() > filled; })
      .Do([&] {
        EXPECT_EQ(MeterAfterNextBuffer(sheet), 0);
        Press(sheet, IDCANCEL);
      });
  EXPECT_EQ(Run(sheet, steps), IDCANCEL);
  EXPECT_TRUE(varlo::win::ShownMessageBoxes().empty());
}

// Under the sanitizers: nothing freed is used and no thread outlives its wizard.
TEST_F(VoiceSheetTest, OpeningAndClosingDuringTheTestSoundAndTheMeter) {
  alsa.SetCapture("varlo_in_a", std::vector<int16_t>(11025 * 2, 3000));
  for (int round = 0; round < 10; ++round) {
    CVoiceSheet sheet("Voice Setting", main.get(), 0);
    CStepRunner steps([&] { sheet.EndDialog(-2); });
    steps.Do([] {}).Do([&] { Press(sheet, ID_WIZNEXT); }).Do([&] { PressTest(sheet); });
    if (round % 2 == 0) {
      // Closed on the speaker page while the sound plays.
      steps.Until([&] { return !sound.HasPlayCompleted(); });
      steps.Do([&] { Press(sheet, IDCANCEL); });
    } else {
      // Next leaves the sound to end by itself; closed while the meter runs, then Test
      // again after coming back: the earlier sound ends first.
      steps.Do([&] { Press(sheet, ID_WIZNEXT); })
          .Do([&] { Press(sheet, ID_WIZBACK); })
          .Do([&] { PressTest(sheet); PressTest(sheet); PressTest(sheet); })
          .Do([&] { Press(sheet, ID_WIZNEXT); })
          .Do([&] { Press(sheet, round == 3 ? ID_WIZNEXT : IDCANCEL); });
      if (round == 3) steps.Do([&] { Press(sheet, ID_WIZFINISH); });
    }
    Run(sheet, steps);
  }
  EXPECT_FALSE(sound.IsOpen());
}

}  // namespace
