// The main window's sounds in whole calls on loopback, through the test gatekeeper and
// relay: a busy called party's tone, key tones reaching the far end while the keys click,
// the handset hanging up, and exit when the call's end never arrives.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "AlsaFixture.h"
#include "AudioEndPoint.h"
#include "StandInHandset.h"
#include "tests/support/ServiceTest.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

using namespace std::chrono_literals;

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

class SoundEndToEndTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    std::filesystem::copy(VARLO_SOUNDS_DIR, dir.Path(), std::filesystem::copy_options::recursive);
    AlsaFixture::Get().SetCapture("varlo_in_a", std::vector<int16_t>(8000 * 30, 100));
    AlsaFixture::Get().SetCapture("varlo_in_b", std::vector<int16_t>(8000 * 30, -100));
    ras::RasAddress address;
    ASSERT_TRUE(ras::RasAddress::Parse(callee.Listen().GetPointer(), 1720, address));
    gk.SetRoute(kNumber, address);
    SaveLogin(1);
  }
  void TearDown() override {
    dlg.reset();
    ServiceTest::TearDown();
  }

  // Opens the window and waits for its registration.
  void Open() {
    dlg = std::make_unique<CSoundVarloDlg>(dir.Path().c_str(), Services());
    PointRelayAt(*dlg);
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

  bool WaitStatus(UINT id, std::chrono::milliseconds timeout = 10s) {
    return ServiceTest::WaitStatus(*dlg, id, timeout);
  }

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
