// The softphone end to end on loopback: the main window with its endpoint logs in to the
// test gatekeeper by account and by calling card, places a call through the service with
// its media through the test relay to an endpoint that answers with real audio, shows the
// service's rejects, logs in again when the gatekeeper asks, and turns to the fallback
// gatekeeper when the first one stays silent.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "AlsaFixture.h"
#include "AudioEndPoint.h"
#include "PeerCall.h"
#include "engine/LoginAlias.h"
#include "tests/support/ServiceTest.h"
#include "ui/CVarloDlg.h"
#include "ui/StatusTexts.h"
#include "ui/VarloMessages.h"

namespace {

using namespace std::chrono_literals;
using service::TestGatekeeper;

// The main window, recording the messages posted to it (call progress among them).
class CRecordingVarloDlg : public CVarloDlg {
 public:
  using CVarloDlg::CVarloDlg;
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->hwnd == m_hWnd) posted.push_back(msg->message);
    return CVarloDlg::PreTranslateMessage(msg);
  }
  // Whether `first` was posted and `second` after it.
  bool PostedInOrder(UINT first, UINT second) const {
    const auto a = std::find(posted.begin(), posted.end(), first);
    return a != posted.end() && std::find(a, posted.end(), second) != posted.end();
  }
  std::vector<UINT> posted;
};

std::vector<int16_t> Tone(double hz, size_t samples) {
  std::vector<int16_t> out(samples);
  for (size_t i = 0; i < samples; ++i) out[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / 8000.0));
  return out;
}

class EndToEndTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    fallback.AddAccount(kId, kAccount, kPassword);
    fallback.AddCard(kId, kPin);
    fallbackHost = fallback.HostText();
    AlsaFixture::Get().SetCapture("varlo_in_a", Tone(440, 8000 * 30));
    AlsaFixture::Get().SetCapture("varlo_in_b", Tone(1000, 8000 * 30));
  }

  std::unique_ptr<CRecordingVarloDlg> OpenWindow() {
    auto dlg = std::make_unique<CRecordingVarloDlg>(dir.Path().c_str(), Services());
    PointRelayAt(*dlg);
    EXPECT_TRUE(dlg->Create(CVarloDlg::IDD));
    return dlg;
  }

  static CString Text(UINT id) { return AfxLoadString(id); }

  TestGatekeeper fallback;
};

TEST_F(EndToEndTest, AccountAndCardLoginsRegisterUnderTheExactAliasAndPassword) {
  CString cardAliasEven, cardAliasOdd;
  ASSERT_TRUE(BuildCardAlias(kId, kPin, 0, cardAliasEven));
  ASSERT_TRUE(BuildCardAlias(kId, kPin, 1, cardAliasOdd));
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode == 1 ? "account" : "card");
    SaveLogin(mode);
    const size_t before = gk.Registrations().size();
    auto dlg = OpenWindow();
    ASSERT_TRUE(PumpUntil([&] { return gk.WaitForConfirmedRegistrations(before + 1, 0ms); }, 10s));
    ASSERT_TRUE(WaitStatus(*dlg, 104));  // "Please Input Number"
    const auto seen = gk.Registrations().back();
    EXPECT_TRUE(seen.passwordVerified);
    if (mode == 1) {
      EXPECT_EQ(seen.alias, "03KOVA/alice");
      EXPECT_EQ(seen.password, kPassword);
    } else {
      // The card text depends on the second the login ran in.
      EXPECT_TRUE(seen.alias == cardAliasEven.GetString() || seen.alias == cardAliasOdd.GetString()) << seen.alias;
      EXPECT_EQ(seen.password, CardPassword(kPin).GetString());
      EXPECT_NE(seen.cardText.find("KOVA/813402967155"), std::string::npos);
    }
    EXPECT_TRUE(dlg->m_endpoint.IsRegistered());
    dlg->DestroyWindow();
  }
}

TEST_F(EndToEndTest, ALumorethCallIsAdmittedRingsConnectsCarriesAudioThroughTheRelayAndClears) {
  h323test::AudioEndPoint callee("callee", "varlo_in_b", "varlo_out_b");
  ras::RasAddress calleeAddress;
  ASSERT_TRUE(ras::RasAddress::Parse(callee.Listen().GetPointer(), 1720, calleeAddress));
  gk.SetRoute(kNumber, calleeAddress);
  gk.SetAvailableSeconds("3600");
  SaveLogin(1);
  auto dlg = OpenWindow();
  ASSERT_TRUE(WaitStatus(*dlg, 104));
  ASSERT_TRUE(PumpUntil([&] { return relay.WaitForRequests("GRQ", 1, 0ms); }, 5s));
  ASSERT_TRUE(PumpUntil([&] { return dlg->m_relayServer == "127.0.0.1"; }));

  dlg->m_numberBox.SetWindowText(kNumber);
  dlg->OnCall();
  ASSERT_TRUE(WaitStatus(*dlg, 106));  // "Connected"
  EXPECT_TRUE(dlg->PostedInOrder(WM_VARLO_REMOTE_RINGING, WM_VARLO_CALL_CONNECTED));
  const auto admissions = gk.Admissions();
  ASSERT_FALSE(admissions.empty());
  EXPECT_EQ(admissions[0].dialledDigits, std::vector<std::string>{kNumber});
  EXPECT_EQ(dlg->m_availableTimeText, AvailableTimeText(3600));

  // Media both ways through the relay's pair, the softphone's leg first.
  ASSERT_EQ(relay.Grants().size(), 1u);
  EXPECT_TRUE(PumpUntil([&] {
    const auto t = relay.RtpTraffic(0);
    return t.firstToSecond >= 25 && t.secondToFirst >= 25;
  }));

  // The callee hangs up: the window shows "Called Party Hung Up" and releases the relay.
  const PString calleeToken = callee.EstablishedToken();
  callee.ClearCall(calleeToken);
  EXPECT_TRUE(WaitStatus(*dlg, 110));
  EXPECT_TRUE(PumpUntil([&] { return gk.WaitForDisengages(1, 0ms); }, 5s));
  EXPECT_TRUE(PumpUntil([&] { return relay.WaitForRequests("DRQ", 2, 0ms); }, 5s));
  EXPECT_FALSE(AlsaFixture::Get().Played("varlo_out_b").empty());
  dlg->DestroyWindow();
}

TEST_F(EndToEndTest, EachRegistrationRejectShowsItsText) {
  struct Case {
    int mode;
    unsigned reason;
    const char* codes;
    UINT text;
  };
  const Case cases[] = {
      {1, H225_RegistrationRejectReason::e_duplicateAlias, "", 130},
      {1, H225_RegistrationRejectReason::e_securityDenial, "0100", 131},
      {2, H225_RegistrationRejectReason::e_securityDenial, "0100", 123},
      {1, H225_RegistrationRejectReason::e_securityDenial, "01010200", 126},
      {2, H225_RegistrationRejectReason::e_securityDenial, "010101010001", 128},
      {1, H225_RegistrationRejectReason::e_undefinedReason, "00", 133},
      {1, H225_RegistrationRejectReason::e_securityDenial, "02", 121},
      {1, H225_RegistrationRejectReason::e_undefinedReason, "", 137},  // nothing understood
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " reason " << c.reason << " codes " << c.codes);
    gk.RejectRegistrations(c.reason, c.codes);
    fallback.RejectRegistrations(c.reason, c.codes);
    varlo::win::ClearShownMessageBoxes();
    SaveLogin(c.mode);
    auto dlg = OpenWindow();
    ASSERT_TRUE(WaitStatus(*dlg, 105, 20s));  // "Registration Failed"
    const auto boxes = varlo::win::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Text(c.text).GetString());
    EXPECT_EQ(boxes[0].caption, Text(138).GetString());
    dlg->DestroyWindow();
  }
}

TEST_F(EndToEndTest, AnUnregistrationRequestLogsInAgain) {
  SaveLogin(1);
  auto dlg = OpenWindow();
  ASSERT_TRUE(PumpUntil([&] { return gk.WaitForConfirmedRegistrations(1, 0ms); }, 10s));
  ASSERT_TRUE(WaitStatus(*dlg, 104));
  ASSERT_TRUE(gk.SendUnregistrationRequest());
  EXPECT_TRUE(PumpUntil([&] { return gk.Registrations().size() >= 2 && gk.Registrations()[1].confirmed; }));
  EXPECT_EQ(gk.UnregistrationConfirms(), 1u);
  EXPECT_EQ(gk.Registrations()[1].alias, "03KOVA/alice");
  EXPECT_TRUE(WaitStatus(*dlg, 104));
  dlg->DestroyWindow();
}

// The gatekeeper asks for a new login while the incoming-call question is up: the call
// is cleared, its question goes with it, and the phone registers again at once rather
// than when someone clicks.
TEST_F(EndToEndTest, AnUnregistrationDuringTheIncomingCallQuestionLogsInAgainAtOnce) {
  SaveLogin(1);
  auto dlg = OpenWindow();
  ASSERT_TRUE(PumpUntil([&] { return gk.WaitForConfirmedRegistrations(1, 0ms); }, 10s));
  ASSERT_TRUE(WaitStatus(*dlg, 104));
  std::atomic<bool> asked{false}, withdrawn{false};
  // A user who lets the question wait for half a minute.
  varlo::win::SetMessageBoxHook([&](const varlo::win::MessageBoxRequest& r) {
    if ((r.type & MB_TYPEMASK) != MB_OKCANCEL) return IDOK;
    asked = true;
    withdrawn = r.withdrawal != nullptr && r.withdrawal->WaitWithdrawn(30s);
    return IDOK;
  });
  h323test::ScriptedPeer caller;
  ASSERT_TRUE(caller.Connect(psprintf("127.0.0.1:%u", CPhoneEndPoint::kListenerPort)));
  H323SignalPDU setup = h323test::ScriptedPeer::Message(Q931::SetupMsg, H323UserInformation::e_setup, 5, false);
  setup.m_userInfo.callIdentifier = H323NewGuid();
  ASSERT_TRUE(caller.SendPDU(setup));
  ASSERT_TRUE(PumpUntil([&] { return asked.load(); }));

  ASSERT_TRUE(gk.SendUnregistrationRequest());
  EXPECT_TRUE(PumpUntil([&] { return gk.Registrations().size() >= 2 && gk.Registrations()[1].confirmed; }))
      << "the new login waited for the question";
  EXPECT_TRUE(withdrawn);
  EXPECT_TRUE(WaitStatus(*dlg, 104));
  const auto types = h323test::EndpointMessageTypes(caller.Packets());
  EXPECT_EQ(std::count(types.begin(), types.end(), Q931::ConnectMsg), 0);
  EXPECT_EQ(std::count(types.begin(), types.end(), Q931::ReleaseCompleteMsg), 1);
  dlg->DestroyWindow();
}

TEST_F(EndToEndTest, ASilentGatekeeperIsLeftForTheFallback) {
  gk.SetSilent(true);
  SaveLogin(1);
  auto dlg = OpenWindow();
  EXPECT_TRUE(PumpUntil([&] { return !fallback.Registrations().empty(); }, 60s));
  EXPECT_TRUE(WaitStatus(*dlg, 104));
  EXPECT_GE(gk.GatekeeperRequests(), 2u);  // two attempts at the first address
  EXPECT_TRUE(gk.Registrations().empty());
  ASSERT_EQ(fallback.Registrations().size(), 1u);
  EXPECT_TRUE(fallback.Registrations()[0].passwordVerified);
  dlg->DestroyWindow();
}

}  // namespace
