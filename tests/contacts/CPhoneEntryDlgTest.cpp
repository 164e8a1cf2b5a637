// The quick-dial entry dialog without a display: what it shows, what OK takes back, and
// the keys that do and do not end it.
#include "contacts/CPhoneEntryDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "platform/win/Input.h"
#include "platform/win/MessageBox.h"
#include "tests/support/LayerTest.h"
#include "tests/support/StepWindow.h"

namespace {

// Runs posted steps inside the dialog's loop, given the dialog while it is open.
class CEntrySteps : public CStepWnd {
 public:
  void Later(std::function<void(HWND entry)> fn) {
    CStepWnd::Later([fn = std::move(fn)] {
      if (HWND entry = ::FindWindow(nullptr, "Phone Entry")) fn(entry);
    });
  }
};

class PhoneEntryTest : public LayerTest {
 protected:
  static CString Text(HWND entry, int id) {
    char text[64] = {};
    ::GetWindowText(::GetDlgItem(entry, id), text, sizeof text);
    return text;
  }
  static void Press(HWND entry, int id) { ::SendMessage(entry, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
};

TEST_F(PhoneEntryTest, ShowsTheNameWithoutSpacesAndTheNumberWithoutLineEnds) {
  CPhoneEntryDlg dlg;
  dlg.m_name = " Ann  Lee ";
  dlg.m_number = "555 12\r\n34\r";
  CEntrySteps steps;
  steps.Later([](HWND entry) {
    EXPECT_EQ(Text(entry, CPhoneEntryDlg::kNameEdit), "AnnLee");
    EXPECT_EQ(Text(entry, CPhoneEntryDlg::kNumberEdit), "555 1234");  // spaces stay until dialled
    Press(entry, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_name, "AnnLee");
  EXPECT_EQ(dlg.m_number, "555 1234");
}

TEST_F(PhoneEntryTest, OkRefusesMoreThan15CharactersUntilShortened) {
  CPhoneEntryDlg dlg;
  dlg.m_name = "Bob";
  dlg.m_number = "1234567890123456";  // from the file: shown whole
  CEntrySteps steps;
  steps.Later([](HWND entry) {
    EXPECT_EQ(Text(entry, CPhoneEntryDlg::kNumberEdit), "1234567890123456");
    Press(entry, IDOK);
  });
  steps.Later([](HWND entry) {
    const auto boxes = varlo::win::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Enter no more than 15 characters.");
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(entry, CPhoneEntryDlg::kNumberEdit));
    ::SetWindowText(::GetDlgItem(entry, CPhoneEntryDlg::kNumberEdit), "123456789012345");
    Press(entry, IDOK);
  });
  steps.Later([](HWND entry) { Press(entry, IDCANCEL); });  // only if still open
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_number, "123456789012345");
}

TEST_F(PhoneEntryTest, EnterDoesNothingAndEscapeCancels) {
  CPhoneEntryDlg dlg;
  dlg.m_name = "Eve";
  dlg.m_number = "42";
  bool stillOpen = false;
  CEntrySteps steps;
  steps.Later([](HWND entry) {
    ::SetWindowText(::GetDlgItem(entry, CPhoneEntryDlg::kNameEdit), "Changed");
    varlo::win::SimulateKey(VK_RETURN, ::GetDlgItem(entry, CPhoneEntryDlg::kNameEdit));
  });
  steps.Later([&](HWND entry) {
    stillOpen = true;
    varlo::win::SimulateKey(VK_ESCAPE, ::GetDlgItem(entry, CPhoneEntryDlg::kNameEdit));
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(dlg.m_name, "Eve");
}

}  // namespace
