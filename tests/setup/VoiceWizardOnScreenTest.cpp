// The audio wizard under an X server: real clicks on its buttons walk the pages, the
// test sound reaches the playback device, the meter moves for a tone, and Finish stores
// the devices and reports them to the main window.
#include <gtest/gtest.h>

#include <wx/uiaction.h>
#include <wx/wx.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "WizardTestSupport.h"
#include "platform/win/Controls.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Resources.h"
#include "platform/wx/WxBackend.h"
#include "setup/CVoiceSheet.h"
#include "tests/support/ToolkitState.h"
#include "tests/support/WaitingSteps.h"
#include "tests/support/WindowTestSupport.h"
#include "tests/support/XDesktop.h"
#include "tests/support/WxTestToolkit.h"

namespace {

bool StartToolkit() { return StartTestToolkit("setup_tests"); }

// Kept in the working directory for a look at the pages.
void Screenshot(HWND window, const char* file) {
  wxBitmap shot;
  ASSERT_TRUE(varlo::wx::CaptureWindow(window, shot));
  ASSERT_TRUE(shot.SaveFile(file, wxBITMAP_TYPE_PNG));
}

wxPoint CentreOf(HWND parent, int id) {
  CRect r;
  ::GetWindowRect(::GetDlgItem(parent, id), &r);
  return wxPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

class VoiceWizardOnScreen : public ::testing::Test {
 protected:
  VoiceWizardOnScreen() : alsa(AlsaFixture::Get()) {}
  void SetUp() override {
    if (!StartToolkit()) GTEST_SKIP() << "no X display";
    varlo::wx::InstallBackend();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
    varlo::win::SetMessageBoxHook([](const varlo::win::MessageBoxRequest&) { return IDOK; });
    profile = std::make_unique<CUserProfile>(CString(dir.Path().c_str()), QuietServices());
    profile->m_playDevice = "varlo_out_b";
    profile->m_recordDevice = "varlo_in_b";
    WriteTestSound(dir / "Busy.wav");
    alsa.ClearPlayed("varlo_out_b");
    std::vector<int16_t> tone(11025 * 6);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>(i % 25 < 12 ? 9000 : -9000);
    alsa.SetCapture("varlo_in_b", tone);
    main = std::make_unique<CReportWnd>();
    main->MoveWindow(100, 100, 600, 500);  // the wizard centres itself on it
    app.m_pMainWnd = main.get();
  }
  void TearDown() override {
    app.m_pMainWnd = nullptr;
    main.reset();
    varlo::win::SetMessageBoxHook(nullptr);
    if (varlo::wx::BackendInstalled()) varlo::win::MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
  }

  AlsaFixture& alsa;
  TempDir dir;
  CWinApp app{"Varlo"};
  std::unique_ptr<CUserProfile> profile;
  std::unique_ptr<CReportWnd> main;
  PSoundChannel sound;
};

TEST_F(VoiceWizardOnScreen, ClicksWalkThePagesTestTheDevicesAndFinish) {
  CVoiceSheet sheet("Voice Setting", main.get(), 0);
  sheet.m_psh.dwFlags |= PSH_WIZARD;
  sheet.m_profile = profile.get();
  sheet.m_sound = &sound;
  wxUIActionSimulator sim;
  auto click = [&](HWND parent, int id) {
    sim.MouseMove(CentreOf(parent, id));
    sim.MouseClick();
  };
  auto visible = [&](int page) { return sheet.GetActiveIndex() == page && sheet.GetPage(page)->IsWindowVisible(); };
  // A page's control the toolkit shows, so that a click reaches it.
  auto shown = [&](HWND parent, int id) { return ShownByToolkit(::GetDlgItem(parent, id)); };
  auto buttonText = [&](int id) {
    CString text;
    sheet.m_page2.GetDlgItemText(id, text);
    return text;
  };
  const auto expected = TestSoundSamples();
  int meter = 0;
  {
    CWaitingSteps steps(
        {
            {"first page on the screen",
             [&] { return OnScreen(sheet.m_hWnd) && visible(0) && shown(sheet.m_hWnd, ID_WIZNEXT); },
             [&] {
               EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(sheet.m_hWnd, ID_WIZNEXT)));
               EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(sheet.m_hWnd, ID_WIZBACK)));
               EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(sheet.m_hWnd, ID_WIZFINISH)));
               CString title;
               sheet.GetWindowText(title);
               EXPECT_EQ(title, "Voice Setting");
               Screenshot(sheet.m_hWnd, "voice_wizard_1.png");
               click(sheet.m_hWnd, ID_WIZNEXT);
             }},
            {"second page", [&] { return visible(1) && shown(sheet.m_page2.m_hWnd, 1026); },
             [&] {
               EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(sheet.m_hWnd, ID_WIZBACK)));
               Screenshot(sheet.m_hWnd, "voice_wizard_2.png");
               click(sheet.m_page2.m_hWnd, 1026);
             }},
            // The button says Stop while the sound plays; a click stops after the playback
            // in progress.
            {"test sound playing", [&] { return buttonText(1026) == "Stop" && !sound.HasPlayCompleted(); },
             [&] { click(sheet.m_page2.m_hWnd, 1026); }},
            {"test sound over", [&] { return !sound.IsOpen() && buttonText(1026) != "Stop"; },
             [&] {
               const auto played = alsa.Played("varlo_out_b");
               ASSERT_GE(played.size(), expected.size());
               EXPECT_TRUE(std::equal(expected.begin(), expected.end(), played.begin()));
               click(sheet.m_hWnd, ID_WIZNEXT);
             }},
            {"third page with the meter moved",
             [&] { return visible(2) && sheet.m_page3.m_levelBar.SendMessage(PBM_GETPOS) != 0; },
             [&] {
               meter = static_cast<int>(sheet.m_page3.m_levelBar.SendMessage(PBM_GETPOS));
               Screenshot(sheet.m_hWnd, "voice_wizard_3.png");
               click(sheet.m_hWnd, ID_WIZNEXT);
             }},
            {"last page", [&] { return visible(3) && shown(sheet.m_hWnd, ID_WIZFINISH); },
             [&] {
               EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(sheet.m_hWnd, ID_WIZFINISH)));
               EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(sheet.m_hWnd, ID_WIZNEXT)));
               Screenshot(sheet.m_hWnd, "voice_wizard_4.png");
               click(sheet.m_hWnd, ID_WIZFINISH);
             }},
        },
        [&] { sheet.EndDialog(-2); });
    EXPECT_EQ(sheet.DoModal(), ID_WIZFINISH);
  }
  EXPECT_EQ(meter, 30);  // a swing of 18000
  EXPECT_EQ(profile->m_playDevice, "varlo_out_b");
  EXPECT_EQ(profile->m_recordDevice, "varlo_in_b");
  // The report is posted to the main window as the wizard ends.
  CWaitingSteps report({{"report posted", [&] { return !main->reports.empty(); }, [] { PostQuitMessage(0); }}},
                       [] { PostQuitMessage(0); });
  varlo::win::MessageSystem::Instance().RunLoop([] { return false; });
  EXPECT_EQ(main->reports, (std::vector<std::pair<WPARAM, LPARAM>>{{1, 1}}));
}

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return ToolkitLeakSuppressions(); }

