// The audio wizard's openers in the main window: the Wizard command, and the place-call
// routine when a sound device of the profile is missing.
#include "CVarloDlgTestFixture.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

class WizardOpenerTest : public UiTest {
 protected:
  // Posts a step that closes the wizard if one is open when the step runs; returns
  // whether it found one (owned by `owner`) after the step has run.
  void CancelWizardLater(CStepWnd& steps, HWND owner, bool& seen) {
    steps.Later([owner, &seen] {
      const HWND wizard = ::FindWindow(nullptr, "Voice Setting");
      seen = wizard != nullptr;
      if (!wizard) return;
      EXPECT_EQ(::GetParent(wizard), owner);
      ::SendMessage(wizard, WM_COMMAND, IDCANCEL, 0);
    });
  }
};

TEST_F(WizardOpenerTest, TheWizardCommandRunsTheWizard) {
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  CStepWnd steps;
  bool seen = false;
  CancelWizardLater(steps, dlg.m_hWnd, seen);
  dlg.SendMessage(WM_COMMAND, varlo::ids::kMenuWizard, 0);
  EXPECT_TRUE(seen);
  dlg.DestroyWindow();
}

TEST_F(WizardOpenerTest, ACallWithAMissingSoundDeviceRunsTheWizardFirst) {
  const struct {
    const char* play;
    const char* record;
    bool wizard;
  } cases[] = {{"null", "null", false}, {"gone", "null", true}, {"null", "gone", true}, {"", "", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.play) + "/" + c.record);
    SaveProfile([&](CUserProfile& p) {
      p.m_callType = 0;
      p.m_playDevice = c.play;
      p.m_recordDevice = c.record;
    });
    CVarloDlg dlg(dir.Path().c_str(), QuietServices());
    ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
    CStepWnd steps;
    bool seen = false;
    CancelWizardLater(steps, dlg.m_hWnd, seen);
    dlg.m_numberBox.SetWindowText("");
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kCall, BN_CLICKED), 0);
    Sys().Pump();  // the step runs here when no wizard ran it
    EXPECT_EQ(seen, c.wizard);
    // The call goes on after the wizard: an empty number asks for one.
    EXPECT_EQ(dlg.m_statusText, "Please Input IP Address");
    dlg.DestroyWindow();
  }
}

}  // namespace
