// The main window's sounds in whole calls on loopback, through the test gatekeeper and
// relay: a busy called party's tone, key tones reaching the far end while the keys click,
// the handset hanging up, and exit when the call's end never arrives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "AlsaFixture.h"
#include "AudioEndPoint.h"
#include "CVarloDlgTestFixture.h"
#include "StandInHandset.h"
#include "TestGatekeeper.h"
#include "TestRelay.h"
#include "engine/RelayClient.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

using namespace std::chrono_literals;
using service::TestGatekeeper;
using service::TestRelay;

constexpr const char* kId = "KOVA";
constexpr const char* kAccount = "alice";
constexpr const char* kPassword = "s3cret";
constexpr const char* kNumber = "8613800138000";
constexpr const char* kPlayer = "varlo_out_a";

// The main window; it can be told to lose the call's end.
class CSoundVarloDlg : public CVarloDlg {
 public:
  using CVarloDlg::CVarloDlg;
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->hwnd == m_hWnd && msg->message == WM_VARLO_CALL_CLEARED && loseCallEnd) return TRUE;
    return CVarloDlg::PreTranslateMessage(msg);
  }
  bool loseCallEnd = false;
};

class SoundEndToEndTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    gk.AddAccount(kId, kAccount, kPassword);
    std::filesystem::copy(VARLO_SOUNDS_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    AlsaFixture::Get().SetCapture("varlo_in_a", std::vector<int16_t>(8000 * 30, 100));
    AlsaFixture::Get().SetCapture("varlo_in_b", std::vector<int16_t>(8000 * 30, -100));
    ras::RasAddress address;
    ASSERT_TRUE(ras::RasAddress::Parse(callee.Listen().GetPointer(), 1720, address));
    gk.SetRoute(kNumber, address);
    SaveProfile([&](CUserProfile& p) {
      p.m_callType = 1;
      p.m_loginMode = 1;
      p.m_keepPassword = TRUE;
      p.m_account = kAccount;
      p.m_password = kPassword;
      p.m_recordDevice = "varlo_in_a";
      p.m_playDevice = kPlayer;
      p.m_firstRun = FALSE;
    });
  }
  void TearDown() override {
    dlg.reset();
    UiTest::TearDown();
  }

  // Opens the window and waits for its registration.
  void Open() {
    ProfileServices s;
    const std::string host = gk.HostText();
    s.lookupIPv4 = [host](const char* name, CString& dotted) {
      if (std::string(name) != CUserProfile::kPrimaryGatekeeperName) return FALSE;
      dotted = host.c_str();
      return TRUE;
    };
    s.defaultSoundDevice = [](SoundDirection d) {
      return CString(d == SoundDirection::Recorder ? "varlo_in_a" : kPlayer);
    };
    dlg = std::make_unique<CSoundVarloDlg>(dir.Path().c_str(), s);
    CRelayClient::Settings relaySettings;
    relaySettings.serverPort = relay.ControlPort();
    relaySettings.resolve = [](const CString&) { return std::vector<CString>{"127.0.0.1"}; };
    relaySettings.localAddresses = [] { return std::vector<CString>{"127.0.0.1"}; };
    dlg->SetRelaySettings(relaySettings);
    ASSERT_TRUE(dlg->Create(CVarloDlg::IDD));
    ASSERT_TRUE(WaitStatus(104));  // "Please Input Number"
    ASSERT_TRUE(PumpUntil([&] { return dlg->m_relayServer == "127.0.0.1"; }));
  }
  void Dial() {
    dlg->m_numberBox.SetWindowText(kNumber);
    Command(varlo::ids::kCall);
  }
  void Command(int id) { dlg->SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  size_t DrqCount() {
    const auto requests = relay.Requests();
    return static_cast<size_t>(std::count_if(requests.begin(), requests.end(), [](const auto& r) { return r.kind == "DRQ"; }));
  }

  template <class Pred>
  bool PumpUntil(Pred done, std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      Sys().Pump();
      std::this_thread::sleep_for(5ms);
    }
    Sys().Pump();
    return done();
  }
  bool WaitStatus(UINT id, std::chrono::milliseconds timeout = 10s) {
    return PumpUntil([&] { return dlg->m_statusText == AfxLoadString(id); }, timeout);
  }

  TestGatekeeper gk;
  TestRelay relay;
  h323test::AudioEndPoint callee{"callee", "varlo_in_b", "varlo_out_b"};
  std::unique_ptr<CSoundVarloDlg> dlg;
};

TEST_F(SoundEndToEndTest, ABusyCalledPartyPlaysTheBusyToneUntilCall) {
  callee.incomingPolicy = [](H323Connection&, const H323SignalPDU&) { return false; };
  Open();
  Dial();
  ASSERT_TRUE(WaitStatus(109));  // "Called Party Busy"
  ASSERT_TRUE(PumpUntil([&] { return !AlsaFixture::Get().Played(kPlayer).empty(); }));
  EXPECT_TRUE(dlg->m_busyToneThread.IsRunning());
  Command(varlo::ids::kCall);
  EXPECT_TRUE(PumpUntil([&] { return !dlg->m_busyToneThread.IsRunning(); }));
}

TEST_F(SoundEndToEndTest, KeyTonesReachTheFarEndAndTheHandsetHangsUp) {
  StandInHandset handset;
  Open();
  Dial();
  ASSERT_TRUE(WaitStatus(106));  // "Connected"
  for (int id : {varlo::ids::kKey1 + 4, varlo::ids::kKeyHash, varlo::ids::kKey0}) Command(id);
  EXPECT_TRUE(callee.events.WaitFor([&] { return callee.userInput == "5#0"; })) << callee.userInput;
  CString number;
  dlg->m_numberBox.GetWindowText(number);
  EXPECT_EQ(number, "5#0");

  handset.Key(30);
  handset.Flush();
  EXPECT_TRUE(WaitStatus(107));  // "Disconnected": hung up here
  EXPECT_TRUE(callee.WaitAnyCleared().has_value());
  EXPECT_TRUE(dlg->m_endpoint.IsIdle());
  // The hang-up released the relay's pair; the call's end did not release it again.
  EXPECT_TRUE(PumpUntil([&] { return relay.WaitForRequests("DRQ", 2, 0ms); }, 5s));
  PumpUntil([] { return false; }, 300ms);
  EXPECT_EQ(DrqCount(), 2u);  // one release sends its datagram twice
}

TEST_F(SoundEndToEndTest, ExitEndsTheProgramEvenWhenTheCallsEndNeverArrives) {
  Open();
  Dial();
  ASSERT_TRUE(WaitStatus(106));
  dlg->loseCallEnd = true;
  Command(varlo::ids::kExit);
  EXPECT_TRUE(callee.WaitAnyCleared().has_value());
  PumpUntil([] { return false; }, 200ms);
  EXPECT_FALSE(Sys().QuitPending());
  clock->Advance(CVarloDlg::kExitWaitMs);
  EXPECT_TRUE(PumpUntil([&] { return Sys().QuitPending(); }, 2s));
}

}  // namespace
