// A new user logs in through the options sheet, from an empty folder: the account and
// password (or the calling-card PIN) typed on the Account page reach the test gatekeeper
// under the service's alias, and the password stays for the next start only when Keep
// Password was ticked.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "codec/g7231/H323_G7231Capability.h"
#include "engine/LoginAlias.h"
#include "platform/win/Input.h"
#include "setup/CSetupSheet.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "tests/support/ServiceTest.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

using namespace std::chrono_literals;

class OptionsLoginTest : public ServiceTest {
 protected:
  std::unique_ptr<CVarloDlg> OpenWindow(const std::string& folder) {
    auto dlg = std::make_unique<CVarloDlg>(folder.c_str(), Services(Sound::Null));
    PointRelayAt(*dlg);
    EXPECT_TRUE(dlg->Create(CVarloDlg::IDD));
    return dlg;
  }

  // A press and release delivered to the control itself: the main window is topmost, and
  // without a toolkit the layer's pointer routing would give it the points its dialog covers.
  static void Press(HWND control) {
    varlo::win::DeliverInput(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    varlo::win::DeliverInput(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }
  static void Click(CWnd& page, int id) { Press(::GetDlgItem(page.m_hWnd, id)); }
  static void Type(CWnd& page, int id, const char* text) {
    HWND edit = ::GetDlgItem(page.m_hWnd, id);
    Press(edit);
    for (const char* c = text; *c; ++c) varlo::win::DeliverInput(edit, WM_CHAR, static_cast<unsigned char>(*c), 1);
  }

  // Opens the options sheet with the My Account button and lets `fill` work on the
  // Account page before OK is pressed.
  void EnterOnAccountPage(CVarloDlg& dlg, const std::function<void(CSetupPage1&)>& fill) {
    CStepWnd steps;
    bool filled = false;
    HWND sheetWnd = nullptr;
    steps.Later([&] {
      auto* sheet = dynamic_cast<CSetupSheet*>(CWnd::FromHandlePermanent(::FindWindow(nullptr, "Preferences")));
      ASSERT_TRUE(sheet);
      sheetWnd = sheet->m_hWnd;
      fill(sheet->m_page1);
      filled = true;
      Press(::GetDlgItem(sheet->m_hWnd, IDOK));
    });
    // Only when the sheet stayed open.
    steps.Later([&] {
      if (::IsWindow(sheetWnd)) {
        ADD_FAILURE() << "the sheet stayed open; boxes shown: " << varlo::win::ShownMessageBoxes().size();
        if (auto* open = dynamic_cast<CSetupSheet*>(CWnd::FromHandlePermanent(sheetWnd))) open->EndDialog(IDCANCEL);
      }
    });
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kMyAccount, BN_CLICKED), 0);
    EXPECT_TRUE(filled);
  }

  std::string Folder(const char* name) {
    const std::string folder = dir / name;
    std::filesystem::create_directory(folder);
    return folder + "/";
  }
};

TEST_F(OptionsLoginTest, AccountTypedOnTheAccountPageRegistersAndIsKeptOnlyWhenAsked) {
  for (const bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "Keep Password ticked" : "Keep Password not ticked");
    const std::string folder = Folder(keep ? "kept" : "not-kept");
    {
      auto dlg = OpenWindow(folder);
      EXPECT_EQ(dlg->m_modeText, AfxLoadString(114));  // a new user starts with PC to PC
      const size_t before = gk.Registrations().size();
      EnterOnAccountPage(*dlg, [&](CSetupPage1& page) {
        Click(page, CSetupPage1::kPcToPhone);
        Click(page, CSetupPage1::kAccountMode);
        Type(page, CSetupPage1::kAccountEdit, kAccount);
        Type(page, CSetupPage1::kPasswordEdit, kPassword);
        if (keep) Click(page, CSetupPage1::kKeepPassword);
      });
      EXPECT_EQ(dlg->m_modeText, AfxLoadString(115));
      ASSERT_TRUE(PumpUntil([&] { return gk.WaitForConfirmedRegistrations(before + 1, 0ms); }));
      ASSERT_TRUE(PumpUntil([&] { return dlg->m_statusText == AfxLoadString(104); }));
      const auto seen = gk.Registrations().back();
      EXPECT_EQ(seen.alias, "03KOVA/alice");
      EXPECT_EQ(seen.password, kPassword);
      EXPECT_TRUE(seen.passwordVerified);
      EXPECT_TRUE(Exists(folder + "client.dat"));  // saved when the sheet closed
      dlg->DestroyWindow();
    }
    // The next start.
    const size_t before = gk.Registrations().size();
    auto dlg = OpenWindow(folder);
    EXPECT_EQ(dlg->GetConfig()->m_account, kAccount);
    EXPECT_EQ(dlg->GetConfig()->m_password, keep ? kPassword : "");
    if (keep) {
      ASSERT_TRUE(PumpUntil([&] { return gk.WaitForConfirmedRegistrations(before + 1, 0ms); }));
      EXPECT_EQ(gk.Registrations().back().alias, "03KOVA/alice");
    } else {
      Sys().Pump();
      EXPECT_EQ(dlg->m_statusText, AfxLoadString(116));  // asked to register
      EXPECT_EQ(gk.Registrations().size(), before);
    }
    dlg->DestroyWindow();
  }
}

TEST_F(OptionsLoginTest, CardPinTypedOnTheAccountPageRegistersUnderTheCardAlias) {
  const std::string folder = Folder("card");
  auto dlg = OpenWindow(folder);
  const size_t before = gk.Registrations().size();
  EnterOnAccountPage(*dlg, [&](CSetupPage1& page) {
    Click(page, CSetupPage1::kPcToPhone);
    Click(page, CSetupPage1::kCardMode);
    Type(page, CSetupPage1::kPinEdit, kPin);
  });
  ASSERT_TRUE(PumpUntil([&] { return gk.WaitForConfirmedRegistrations(before + 1, 0ms); }));
  CString even, odd;
  ASSERT_TRUE(BuildCardAlias(kId, kPin, 0, even));
  ASSERT_TRUE(BuildCardAlias(kId, kPin, 1, odd));
  const auto seen = gk.Registrations().back();
  EXPECT_TRUE(seen.alias == even.GetString() || seen.alias == odd.GetString()) << seen.alias;
  EXPECT_EQ(seen.password, CardPassword(kPin).GetString());
  EXPECT_TRUE(seen.passwordVerified);
  // Without Keep PIN the PIN is not in the data file.
  dlg->DestroyWindow();
  dlg.reset();
  CUserProfile next(folder.c_str(), QuietServices());
  EXPECT_EQ(next.m_loginMode, 2);
  EXPECT_EQ(next.m_pin, "");
}

TEST_F(OptionsLoginTest, PcToPcChosenOnTheAccountPageDropsTheRegistration) {
  const std::string folder = Folder("pc2pc");
  auto dlg = OpenWindow(folder);
  EnterOnAccountPage(*dlg, [&](CSetupPage1& page) {
    Click(page, CSetupPage1::kPcToPhone);
    Click(page, CSetupPage1::kAccountMode);
    Type(page, CSetupPage1::kAccountEdit, kAccount);
    Type(page, CSetupPage1::kPasswordEdit, kPassword);
  });
  ASSERT_TRUE(PumpUntil([&] { return dlg->m_endpoint.IsRegistered() && dlg->m_statusText == AfxLoadString(104); }));
  EnterOnAccountPage(*dlg, [&](CSetupPage1& page) { Click(page, CSetupPage1::kPcToPc); });
  EXPECT_EQ(dlg->m_modeText, AfxLoadString(114));
  EXPECT_EQ(dlg->m_statusText, AfxLoadString(108));
  EXPECT_EQ(dlg->m_lineLamp.NormalBitmapId(), 245u);
  EXPECT_TRUE(PumpUntil([&] { return !dlg->m_endpoint.IsRegistered(); }));
  dlg->DestroyWindow();
}

TEST_F(OptionsLoginTest, SavedOptionsAreInForceAfterARestart) {
  struct Case {
    const char* bytes;
    H323AudioCodec::SilenceDetectionMode mode;
    unsigned frames;
  };
  for (const Case& c : {Case{"07", H323AudioCodec::NoSilenceDetection, 7}, Case{"16", H323AudioCodec::AdaptiveSilenceDetection, 6}}) {
    SCOPED_TRACE(c.bytes);
    const std::string folder = Folder(c.bytes);
    WriteBytes(folder + "Set.dat", Bytes(c.bytes, c.bytes + 2));
    auto dlg = OpenWindow(folder);
    EXPECT_EQ(dlg->m_endpoint.GetSilenceDetectionMode(), c.mode);
    EXPECT_EQ(dlg->m_endpoint.m_gsmCapability->GetTxFramesInPacket(), c.frames);
    EXPECT_EQ(dlg->m_endpoint.m_g7231Capability->GetTxFramesInPacket(), c.frames);
    dlg->DestroyWindow();
  }
}

}  // namespace
