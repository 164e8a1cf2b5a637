// The main window's service login and media relay, display-free, against loopback
// gatekeepers and a loopback relay: what reaches the gatekeeper, what the window shows
// for each result, the one-shot gatekeeper override, and the relay asked after a
// registration, before a call and after it.
#include <chrono>
#include <future>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "CVarloDlgTestFixture.h"
#include "LauncherProcess.h"
#include "platform/win/WinApp.h"
#include "engine/MediaRelay.h"
#include "platform/win/WindowState.h"
#include "stack/ras/H225_RAS.h"
#include "tests/engine/FakeRelay.h"
#include "tests/stack/ras/ScriptedGatekeeper.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

using namespace std::chrono_literals;

namespace {

const H225_RegistrationRequest* LastRrq(const std::vector<H225_RasMessage>& got) {
  const H225_RegistrationRequest* rrq = nullptr;
  for (const auto& m : got) {
    if (m.GetTag() == H225_RasMessage::e_registrationRequest) rrq = &m.registrationRequest();
  }
  return rrq;
}

class LoginTest : public UiTest {
 protected:
  // The profile's gatekeeper names resolve to the two loopback gatekeepers.
  ProfileServices Services() {
    ProfileServices s = QuietServices();
    std::map<std::string, CString> names{{CUserProfile::kPrimaryGatekeeperName, CString(primary.HostText())},
                                         {CUserProfile::kFallbackGatekeeperName, CString(fallback.HostText())}};
    s.lookupIPv4 = [names](const char* name, CString& address) {
      auto it = names.find(name);
      if (it == names.end()) return FALSE;
      address = it->second;
      return TRUE;
    };
    return s;
  }
  void Save(int loginMode, BOOL keep, const char* pin = "123456789012") {
    CUserProfile p(dir.Path().c_str(), Services());
    p.m_callType = 1;
    p.m_loginMode = loginMode;
    p.m_keepPassword = keep;
    p.m_keepPin = keep;
    p.m_account = "alice";
    p.m_password = "secret";
    p.m_pin = pin;
  }
  CRelayClient::Settings RelaySettings() {
    CRelayClient::Settings s;
    s.relayHost = "relay.test";
    s.serverPort = relay.GetPort();
    s.replyTimeoutMs = 100;
    s.resolve = [](const CString&) { return std::vector<CString>{"127.0.0.1"}; };
    s.localAddresses = [] { return std::vector<CString>{"127.0.0.1"}; };
    return s;
  }
  std::unique_ptr<CVarloDlg> Open() {
    auto dlg = std::make_unique<CVarloDlg>(dir.Path().c_str(), Services());
    EXPECT_TRUE(dlg->Create(CVarloDlg::IDD));
    dlg->SetRelaySettings(RelaySettings());
    return dlg;
  }
  // Lets the login under way end and its result reach the window.
  void Settle(CVarloDlg& dlg) {
    Sys().Pump();
    ASSERT_TRUE(dlg.m_registerRunner.WaitIdle(10s));
    Sys().Pump();
  }

  ScriptedGatekeeper primary, fallback;
  std::string relayAnswer = "OK TRUE";
  FakeRelay relay{PIPSocket::Address("127.0.0.1"), 0, [this](const std::string& request) {
                    return request.rfind("GRQ", 0) == 0 ? relayAnswer : std::string();
                  }};
};

TEST_F(LoginTest, AccountLoginRegistersFindsTheRelayAndLightsTheLamp) {
  Save(1, TRUE);
  // The gatekeeper answers only once the window has been seen registering: otherwise the
  // answer may be handled in the same turn of the loop and the state checked never seen.
  std::promise<void> answer;
  std::shared_future<void> answerNow = answer.get_future().share();
  struct Release {
    std::promise<void>& p;
    ~Release() {
      try {
        p.set_value();
      } catch (const std::future_error&) {
      }
    }
  } release{answer};
  primary.SetScript([this, answerNow](const H225_RasMessage& request) {
    answerNow.wait();
    return primary.Confirm(request);
  });
  auto dlg = Open();
  Sys().Pump();  // the saved login: "Registering" and the Call button disabled
  EXPECT_EQ(dlg->m_statusText, "Registering");
  EXPECT_FALSE(dlg->m_callButton.IsWindowEnabled());
  answer.set_value();
  Settle(*dlg);

  const auto received = primary.Received();
  const H225_RegistrationRequest* rrq = LastRrq(received);
  ASSERT_NE(rrq, nullptr);
  EXPECT_EQ(rrq->m_terminalAlias[0].h323_ID().GetValue(), "03KOVA/alice");
  ASSERT_TRUE(rrq->HasOptionalField(H225_RegistrationRequest::e_cryptoTokens));
  EXPECT_TRUE(dlg->m_endpoint.IsRegistered());

  ASSERT_EQ(relay.Requests().size(), 1u);
  EXPECT_EQ(relay.Requests()[0].rfind("GRQ ", 0), 0u);
  EXPECT_EQ(dlg->m_relayServer, "127.0.0.1");
  EXPECT_TRUE(dlg->m_endpoint.IsFastStartDisabled());

  EXPECT_EQ(dlg->m_statusText, "Please Input Number");
  EXPECT_TRUE(dlg->m_callButton.IsWindowEnabled());
  EXPECT_EQ(dlg->m_lineLamp.NormalBitmapId(), 246u);
  CRect lamp;
  dlg->m_lineLamp.GetWindowRect(&lamp);
  dlg->ScreenToClient(&lamp);
  EXPECT_EQ(lamp, CRect(354, 38, 374, 47));
  EXPECT_NE(LogText().find("Register Succeeded!"), std::string::npos);
  EXPECT_TRUE(varlo::win::ShownMessageBoxes().empty());
  dlg->m_endpoint.RemoveGatekeeper();
}

TEST_F(LoginTest, CardLoginSendsThe58CharacterAliasAndTheEightCharacterPassword) {
  Save(2, TRUE, "123456789012");
  auto dlg = Open();
  Settle(*dlg);
  const auto received = primary.Received();
  const H225_RegistrationRequest* rrq = LastRrq(received);
  ASSERT_NE(rrq, nullptr);
  const std::string alias = rrq->m_terminalAlias[0].h323_ID().GetValue();
  EXPECT_EQ(alias.size(), 58u);
  EXPECT_EQ(alias.rfind("02", 0), 0u);
  EXPECT_EQ(dlg->m_endpoint.GetGatekeeperPassword(), "12349012");
  EXPECT_EQ(dlg->m_statusText, "Please Input Number");
  dlg->m_endpoint.RemoveGatekeeper();
}

TEST_F(LoginTest, ACardPinTooShortIsRefusedWithoutALogin) {
  Save(2, TRUE, "123");
  auto dlg = Open();
  Settle(*dlg);
  const auto boxes = varlo::win::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Please check your PIN and try again.");
  EXPECT_EQ(boxes[0].caption, "Register Failed!");
  EXPECT_TRUE(dlg->m_callButton.IsWindowEnabled());
  EXPECT_NE(dlg->m_statusText, "Registering");
  EXPECT_TRUE(primary.Received().empty());
}

TEST_F(LoginTest, TheGatekeeperOverrideServesOneLogin) {
  ScriptedGatekeeper alternate;
  Save(1, FALSE);
  auto dlg = Open();
  dlg->m_profile.m_gatekeeperOverride = CString(alternate.HostText());
  dlg->SendMessage(WM_VARLO_ACCOUNT_LOGIN, 0, 0);
  Settle(*dlg);
  EXPECT_EQ(alternate.CountReceived(H225_RasMessage::e_registrationRequest), 1u);
  EXPECT_EQ(primary.CountReceived(H225_RasMessage::e_gatekeeperRequest), 0u);
  EXPECT_TRUE(dlg->m_profile.m_gatekeeperOverride.IsEmpty());

  dlg->SendMessage(WM_VARLO_ACCOUNT_LOGIN, 0, 0);
  Settle(*dlg);
  EXPECT_EQ(alternate.CountReceived(H225_RasMessage::e_unregistrationRequest), 1u);
  EXPECT_EQ(primary.CountReceived(H225_RasMessage::e_registrationRequest), 1u);
  EXPECT_TRUE(dlg->m_endpoint.IsRegistered());
  dlg->m_endpoint.RemoveGatekeeper();
}

TEST_F(LoginTest, FailureBoxShowsThePendingRejectTextThenTheConnectionText) {
  primary.SetScript(RefuseDiscovery);
  fallback.SetScript(RefuseDiscovery);
  Save(1, FALSE);
  auto dlg = Open();
  dlg->PostMessage(WM_VARLO_REGISTER_ERROR, 130, 0);
  dlg->PostMessage(WM_VARLO_ACCOUNT_LOGIN, 0, 0);
  Settle(*dlg);
  EXPECT_EQ(primary.CountReceived(H225_RasMessage::e_gatekeeperRequest), 2u);
  EXPECT_EQ(fallback.CountReceived(H225_RasMessage::e_gatekeeperRequest), 1u);
  dlg->SendMessage(WM_VARLO_ACCOUNT_LOGIN, 0, 0);
  Settle(*dlg);

  const auto boxes = varlo::win::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "The account has already login by other.");
  EXPECT_EQ(boxes[1].text, "Please check your internet connection!");
  for (const auto& box : boxes) {
    EXPECT_EQ(box.caption, "Register Failed!");
    EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONEXCLAMATION));
  }
  EXPECT_EQ(dlg->m_statusText, "Registration Failed");
  EXPECT_TRUE(dlg->m_callButton.IsWindowEnabled());
  EXPECT_EQ(dlg->m_lineLamp.NormalBitmapId(), 245u);
  EXPECT_NE(LogText().find("Registration Failed"), std::string::npos);
}

TEST_F(LoginTest, UnregisterDropsTheRegistrationWithoutBlockingTheWindow) {
  Save(1, TRUE);
  auto dlg = Open();
  Settle(*dlg);
  ASSERT_TRUE(dlg->m_endpoint.IsRegistered());
  dlg->SendMessage(WM_VARLO_UNREGISTER, 0, 0);
  ASSERT_TRUE(dlg->m_registerRunner.WaitIdle(5s));
  EXPECT_FALSE(dlg->m_endpoint.IsRegistered());
  EXPECT_EQ(primary.CountReceived(H225_RasMessage::e_unregistrationRequest), 1u);
}

TEST_F(LoginTest, ACallAsksTheRelayForAPortPairAndTheEndReleasesIt) {
  struct Case {
    const char* what;
    std::string arqAnswer;
    const char* box;
  };
  const Case cases[] = {
      {"relay silent", "", "Please check your internet connection!"},
      // Granted: the call goes on to the endpoint, which cannot call a number unregistered.
      {"relay grants", "ACF x 127.0.0.1 40000 40001",
       "                 Can't make a call!\r\nPlease check your internet connection!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    varlo::win::ClearShownMessageBoxes();
    FakeRelay arqRelay(PIPSocket::Address("127.0.0.1"), 0,
                       [&](const std::string& request) { return request.rfind("ARQ", 0) == 0 ? c.arqAnswer : ""; });
    Save(0, FALSE);
    auto dlg = Open();
    CRelayClient::Settings s = RelaySettings();
    s.serverPort = arqRelay.GetPort();
    dlg->SetRelaySettings(s);
    dlg->m_profile.m_callType = 0;
    dlg->m_relayServer = "127.0.0.1";
    dlg->m_numberBox.SetWindowText("5551234");
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kCall, BN_CLICKED), 0);
    const auto boxes = varlo::win::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, c.box);
    EXPECT_TRUE(dlg->m_callButton.IsWindowEnabled());
    EXPECT_EQ(arqRelay.Requests().size(), c.arqAnswer.empty() ? 2u : 1u);
    if (!c.arqAnswer.empty()) {
      EXPECT_EQ(g_relayDataPort, 40000u);
      EXPECT_EQ(g_relayControlPort, 40001u);
    }
    // The call's end releases the relay: the DRQ goes twice.
    const size_t before = arqRelay.Requests().size();
    dlg->SendMessage(WM_VARLO_CALL_CLEARED, 3, 1);
    for (int i = 0; i < 100 && arqRelay.Requests().size() < before + 2; ++i) std::this_thread::sleep_for(10ms);
    const auto requests = arqRelay.Requests();
    ASSERT_EQ(requests.size(), before + 2);
    EXPECT_EQ(requests[before], "DRQ " + std::string(dlg->m_relayToken.GetString()));
    EXPECT_EQ(requests[before + 1], requests[before]);
    ResetMediaRelayPorts();
  }
}

}  // namespace

TEST_F(LoginTest, TheLauncherHearsOfTheFirstRegistrationAndOfTheExit) {
  // The launcher is another program; its window's title is the softphone's command line.
  LauncherProcess launcher({"listen", "LAUNCH 42"});
  const auto pump = [this] { Sys().Pump(); };
  ASSERT_TRUE(launcher.WaitForLine("ready", pump));
  CWinApp app("Varlo");
  app.m_cmdLine = "LAUNCH 42";
  app.m_lpCmdLine = app.m_cmdLine.GetString();
  Save(1, TRUE);
  auto dlg = Open();
  Settle(*dlg);
  ASSERT_TRUE(dlg->m_endpoint.IsRegistered());
  EXPECT_TRUE(launcher.WaitForLine("notice 0 0", pump));
  dlg->OnExit();
  EXPECT_EQ(launcher.WaitExit(pump), 0);
  EXPECT_EQ(launcher.Output(), "ready\nnotice 0 0\nnotice 1 0\n");
  dlg->m_endpoint.RemoveGatekeeper();
}
