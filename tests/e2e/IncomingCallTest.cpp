// Calls from another phone to the main window (display-free) with its real endpoint on
// TCP 1721: what the panel and the talk log show of an answered and a refused call.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "AlsaFixture.h"
#include "AudioEndPoint.h"
#include "CVarloDlgTestFixture.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {
using namespace std::chrono_literals;

class IncomingCallTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    AlsaFixture::Get().SetCapture("varlo_in_a", std::vector<int16_t>(8000 * 30, 100));
    AlsaFixture::Get().SetCapture("varlo_in_b", std::vector<int16_t>(8000 * 30, -100));
    SaveProfile([&](CUserProfile& p) {
      p.m_callType = 0;
      p.m_loginMode = 0;
      p.m_recordDevice = "varlo_in_a";
      p.m_playDevice = "varlo_out_a";
      p.m_firstRun = FALSE;
    });
  }
  void TearDown() override {
    dlg.reset();
    UiTest::TearDown();
  }
  CString Number() {
    CString t;
    dlg->m_numberBox.GetWindowText(t);
    return t;
  }
  h323test::AudioEndPoint caller{"caller", "varlo_in_b", "varlo_out_b"};
  std::unique_ptr<CVarloDlg> dlg;
};

// The number line shows who called, not the number this phone dialled before; the talk
// log gets each call's own duration, none for a call refused in the question box.
TEST_F(IncomingCallTest, AnsweredCallsShowTheCallerAndRefusedOnesLastNothing) {
  int answer = IDOK;
  varlo::win::SetMessageBoxHook([&](const varlo::win::MessageBoxRequest&) { return answer; });
  ProfileServices s = QuietServices();
  s.defaultSoundDevice = [](SoundDirection d) { return CString(d == SoundDirection::Recorder ? "varlo_in_a" : "varlo_out_a"); };
  dlg = std::make_unique<CVarloDlg>(dir.Path().c_str(), s);
  ASSERT_TRUE(dlg->Create(CVarloDlg::IDD));
  std::atomic<time_t> now{1'000'000};
  dlg->m_callTimer.SetClock([&] { return CTime(now.load()); });
  const CString disconnected = AfxLoadString(107);

  // A call by address that finds nobody.
  dlg->m_numberBox.SetWindowText("127.0.0.2");
  dlg->SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kCall, BN_CLICKED), 0);
  ASSERT_TRUE(PumpUntil([&] { return dlg->m_callState == 2 && dlg->m_endpoint.IsIdle(); }));
  EXPECT_EQ(dlg->m_numberText, "127.0.0.2");

  // Answered: the caller's name on the number line while the call lasts 65 seconds.
  PString token;
  ASSERT_NE(caller.MakeCall("127.0.0.1:1721", token), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return dlg->m_callState == 1; }));
  EXPECT_EQ(dlg->m_numberText, "caller");
  EXPECT_EQ(dlg->m_callTimer.m_timeText, "00:00:00");
  now += 65;
  clock->Advance(1000);
  ASSERT_TRUE(PumpUntil([&] { return dlg->m_callTimer.m_timeText == "00:01:05"; }));
  caller.ClearCall(token);
  ASSERT_TRUE(PumpUntil([&] { return dlg->m_callState == 2 && dlg->m_endpoint.IsIdle(); }));

  // Refused: the status says the call ended, and it lasted nothing.
  answer = IDCANCEL;
  ASSERT_NE(caller.MakeCall("127.0.0.1:1721", token), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return dlg->m_statusText == disconnected; }));
  EXPECT_EQ(dlg->m_callTimer.m_timeText, "00:00:00");
  EXPECT_EQ(Number(), "");
  EXPECT_EQ(LogText(),
            "Mode: Place PC2PC Call\r\r\n"
            "Call: 127.0.0.2\r\r\n00:00:00\r\r\nNetWare DisConnect\r\r\n"
            "00:01:05\r\r\nCalled Party Hung Up\r\r\n"
            "00:00:00\r\r\n");
}

}  // namespace
