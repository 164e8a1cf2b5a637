// Dialog templates in dialog units, dialog data exchange and the dialog keys.
#include "Fixture.h"
#include "platform/win/Controls.h"
#include "platform/win/DataExchange.h"
#include "platform/win/Dialog.h"
#include "platform/win/DialogUnits.h"
#include "platform/win/Input.h"

using namespace varlo::win;

TEST(DialogUnits, ConvertWithTheFixedDialogFontBaseUnits) {
  struct Case {
    int cx, cy, px, py;
  };
  const Case cases[] = {
      {314, 200, 471, 325},  // the main window's template
      {189, 211, 284, 343},  // 283.5 and 342.875 round half up
      {1, 1, 2, 2},
      {2, 3, 3, 5},
      {0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const CRect r = DialogUnitsToPixels(0, 0, c.cx, c.cy);
    EXPECT_EQ(r.Width(), c.px) << c.cx << " x " << c.cy;
    EXPECT_EQ(r.Height(), c.py) << c.cx << " x " << c.cy;
  }
  // Places convert like sizes, each on its own.
  EXPECT_EQ(DialogUnitsToPixels(7, 194, 37, 14), CRect(11, 315, 67, 338));
}

namespace {
class CAccountDlg : public CDialog {
 public:
  CAccountDlg() : CDialog(183) {}
  int keepPassword = 1;
  int callType = 1;  // index in the radio group starting at 1023
  CString account = "alice";
  CEdit accountEdit;
  int clicks = 0;
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, 1008, accountEdit);
    DDX_Check(dx, 1049, keepPassword);
    DDX_Text(dx, 1008, account);
    DDV_MaxChars(dx, account, 12);
  }

 protected:
  void OnKeepPassword() { ++clicks; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CAccountDlg, CDialog)
  ON_BN_CLICKED(1049, &CAccountDlg::OnKeepPassword)
END_MESSAGE_MAP()
}  // namespace

TEST_F(LayerTest, MainTemplateOpensAt471By325Pixels) {
  CDialog main(102);
  CStepWnd steps;
  CRect rect;
  steps.Later([&] {
    main.GetWindowRect(&rect);
    main.EndDialog(IDOK);
  });
  EXPECT_EQ(main.DoModal(), IDOK);
  EXPECT_EQ(rect.Width(), 471);
  EXPECT_EQ(rect.Height(), 325);
}

TEST_F(LayerTest, DataExchangeFillsControlsAndReadsThemBackWithValidation) {
  CAccountDlg dlg;
  CStepWnd steps;
  steps.Later([&] {
    // Loaded by OnInitDialog.
    EXPECT_EQ(dlg.IsDlgButtonChecked(1049), 1u);
    CString text;
    dlg.GetDlgItemText(1008, text);
    EXPECT_EQ(text, "alice");
    EXPECT_EQ(dlg.accountEdit.GetLimitText(), 12u);
    // A click reaches the message map and flips the automatic check box.
    SimulateClick(::GetDlgItem(dlg.m_hWnd, 1049));
    EXPECT_EQ(dlg.clicks, 1);
    // Too long a text keeps the dialog open with a message; a good one closes it.
    dlg.SetDlgItemText(1008, "a-much-too-long-account");
    SimulateKey(VK_RETURN, dlg.accountEdit.m_hWnd);
    EXPECT_TRUE(dlg.IsWindowVisible());
    ASSERT_EQ(ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(ShownMessageBoxes()[0].text, "Enter no more than 12 characters.");
    EXPECT_EQ(::GetFocus(), dlg.accountEdit.m_hWnd);
    dlg.SetDlgItemText(1008, "bob");
    SimulateKey(VK_RETURN, dlg.accountEdit.m_hWnd);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.account, "bob");
  EXPECT_EQ(dlg.keepPassword, 0);
  EXPECT_EQ(dlg.accountEdit.m_hWnd, nullptr);  // detached with its window
}

TEST_F(LayerTest, EscapeAndTheCloseBoxCancel) {
  for (const UINT way : {0u, 1u}) {
    CDialog dlg(201);
    CStepWnd steps;
    steps.Later([&] {
      if (way == 0) {
        SimulateKey(VK_ESCAPE, ::GetDlgItem(dlg.m_hWnd, 1010));
      } else {
        dlg.SendMessage(WM_CLOSE);
      }
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  }
}

TEST_F(LayerTest, ModalDialogDisablesItsOwnerAndModelessOneOnlyHidesOnOk) {
  CDialog owner(261);
  ASSERT_TRUE(owner.Create(261));
  CDialog modal(214, &owner);
  CStepWnd steps;
  steps.Later([&] {
    EXPECT_FALSE(owner.IsWindowEnabled());
    modal.EndDialog(IDOK);
  });
  modal.DoModal();
  EXPECT_TRUE(owner.IsWindowEnabled());
  // Modeless: OK hides the window, which stays.
  owner.ShowWindow(SW_SHOW);
  owner.SendMessage(WM_COMMAND, IDCANCEL);
  EXPECT_TRUE(owner.IsWindow());
  EXPECT_FALSE(owner.IsWindowVisible());
}
