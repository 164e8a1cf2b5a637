// Window tests under an X server: dialogs from the templates driven by real toolkit
// events, and screenshots of them written into the working directory.
#include <gtest/gtest.h>

#include <wx/uiaction.h>
#include <wx/wx.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/core/CString.h"
#include "platform/win/Controls.h"
#include "platform/win/DataExchange.h"
#include "platform/win/Dialog.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/wx/WxBackend.h"
#include "tests/support/WindowTestSupport.h"
#include "tests/support/WxTestToolkit.h"

namespace {

bool StartToolkit() { return StartTestToolkit("platform_wx_tests"); }

class WxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StartToolkit()) GTEST_SKIP() << "no X display";
    varlo::wx::InstallBackend();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  void TearDown() override {
    if (varlo::wx::BackendInstalled()) varlo::win::MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
};

class CContactDlg : public CDialog {
 public:
  CContactDlg() : CDialog(201) {}
  CString name;
  void DoDataExchange(CDataExchange* dx) override { DDX_Text(dx, 1010, name); }
};

wxPoint CentreOf(CWnd& dlg, int id) {
  CRect r;
  ::GetWindowRect(::GetDlgItem(dlg.m_hWnd, id), &r);
  return wxPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Screenshot(CWnd& wnd, const char* file) {
  wxBitmap shot;
  ASSERT_TRUE(varlo::wx::CaptureWindow(wnd.m_hWnd, shot));
  ASSERT_TRUE(shot.SaveFile(file, wxBITMAP_TYPE_PNG));
}

}  // namespace

TEST_F(WxTest, ClicksAndKeysFillAndCloseATemplateDialog) {
  CContactDlg dlg;
  wxUIActionSimulator sim;
  CScript script({
      [&] {
        sim.MouseMove(CentreOf(dlg, 1010));
        sim.MouseClick();
      },
      [&] { sim.Text("Bob"); },
      [&] {},

      [&] {
        Screenshot(dlg, "add_contact.png");
        sim.MouseMove(CentreOf(dlg, IDOK));
        sim.MouseClick();
      },
      [&] {}, [&] {}, [&] {},
      [&] { dlg.EndDialog(-2); },  // only if the click never arrived
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.name, "Bob");
}

TEST_F(WxTest, EscapeFromTheToolkitCancels) {
  CContactDlg dlg;
  wxUIActionSimulator sim;
  CScript script({
      [&] {
        sim.MouseMove(CentreOf(dlg, 1011));
        sim.MouseClick();
      },
      [&] { sim.Char(WXK_ESCAPE); },
      [&] {}, [&] {}, [&] {},
      [&] { dlg.EndDialog(-2); },
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(WxTest, ChineseTemplateShowsItsTexts) {
  HINSTANCE china = LoadLibrary((std::string(VARLO_LANGUAGE_LIBRARY_DIR) + "/China.dll").c_str());
  ASSERT_TRUE(china);
  AfxSetResourceHandle(china);
  CDialog dlg(214);
  CScript script({[&] {},
                  [&] {
                    CString title;
                    dlg.GetWindowText(title);
                    EXPECT_EQ(title, "电话条目");
                    dlg.EndDialog(IDOK);
                  },
                  [&] { dlg.EndDialog(-2); }});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  FreeLibrary(china);
}

// An edit limited to 15 characters, as the quick-dial entry dialog's are.
class CLimitedDlg : public CDialog {
 public:
  CLimitedDlg() : CDialog(214) {}
  CString name;
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, 1010, name);
    DDV_MaxChars(dx, name, 15);
  }
};

TEST_F(WxTest, AnEditShowsALongerTextThanItsLimitWholeButTakesNoMoreTyping) {
  CLimitedDlg dlg;
  dlg.name = "ABCDEFGHIJKLMNOPQRST";
  ASSERT_TRUE(dlg.Create(214));
  dlg.UpdateData(FALSE);  // shown again once the limit is set, as an initialisation does
  auto* entry = dynamic_cast<wxTextCtrl*>(varlo::wx::NativeWidgetOf(::GetDlgItem(dlg.m_hWnd, 1010)));
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->GetValue(), "ABCDEFGHIJKLMNOPQRST");
  entry->SetInsertionPointEnd();
  entry->WriteText("U");
  EXPECT_EQ(entry->GetValue(), "ABCDEFGHIJKLMNOPQRST");
  entry->Remove(0, 10);  // once shorter, it takes typing up to its limit, and no further
  for (const char* typed : {"u", "v", "w", "x", "y", "z"}) {
    entry->SetInsertionPointEnd();
    entry->WriteText(typed);
  }
  EXPECT_EQ(entry->GetValue(), "KLMNOPQRSTuvwxy");
  CString shown;
  dlg.GetDlgItemText(1010, shown);
  EXPECT_EQ(shown, "KLMNOPQRSTuvwxy");
  dlg.DestroyWindow();
}

// A dialog with a selected radio button of its own group, counting its clicks.
class CRadioDlg : public CDialog {
 public:
  static constexpr UINT kRadio = 1100;
  CRadioDlg() : CDialog(201) {}
  CButton radio;
  int clicks = 0;
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    radio.Create("Selected", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_AUTORADIOBUTTON, CRect(5, 2, 70, 16),
                 this, kRadio);
    radio.SetCheck(BST_CHECKED);
    return TRUE;
  }

 protected:
  void OnRadio() { ++clicks; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRadioDlg, CDialog)
  ON_BN_CLICKED(CRadioDlg::kRadio, &CRadioDlg::OnRadio)
END_MESSAGE_MAP()

// As the system's radio buttons do, a selected one reports a click on it (and the space
// bar on it) although its state stays as it was.
TEST_F(WxTest, AClickOnASelectedRadioButtonIsReported) {
  CRadioDlg dlg;
  wxUIActionSimulator sim;
  CScript* script = nullptr;
  CScript steps({
      [&] {
        sim.MouseMove(CentreOf(dlg, CRadioDlg::kRadio));
        sim.MouseClick();
        script->HoldUntil([&] { return dlg.clicks >= 1; }, 20);
      },
      [&] {
        EXPECT_EQ(dlg.clicks, 1) << "the click";
        sim.Char(WXK_SPACE);
        script->HoldUntil([&] { return dlg.clicks >= 2; }, 20);
      },
      [&] {
        EXPECT_EQ(dlg.clicks, 2) << "the space bar";
        EXPECT_EQ(dlg.radio.GetCheck(), BST_CHECKED);
        dlg.EndDialog(IDOK);
      },
      [&] { dlg.EndDialog(-2); },
  });
  script = &steps;
  EXPECT_EQ(dlg.DoModal(), IDOK);
}

extern "C" const char* __lsan_default_suppressions() { return ToolkitLeakSuppressions(); }

// CScript's message map is defined once in each program that uses it.
BEGIN_MESSAGE_MAP(CScript, CWnd)
  ON_WM_TIMER()
END_MESSAGE_MAP()
