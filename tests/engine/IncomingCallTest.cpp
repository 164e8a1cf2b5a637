// The phone answering calls from a scripted caller on the phone's port: the caller hears
// ringing (Alerting) while the user is asked, then gets the Connect or the Release
// Complete the answer gives; the question goes away when the caller gives up; and while
// one call is asked about or up, further callers are answered busy at once, with no
// question and no thread of their own.  tshark reads the calls' signalling.

#include <dirent.h>

#include <atomic>

#include "PhoneTestSupport.h"
#include "PeerCall.h"
#include "WireDecode.h"

namespace phonetest {
namespace {

using h323test::ScriptedPeer;

PString PhoneAddress() { return psprintf("127.0.0.1:%u", CPhoneEndPoint::kListenerPort); }

// The threads of this process.
size_t ThreadCount() {
  size_t n = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (const dirent* e = readdir(dir)) n += e->d_name[0] != '.';
    closedir(dir);
  }
  return n;
}

// A caller with its own signalling connection to the phone.
struct Caller {
  explicit Caller(uint16_t ref) : ref(ref) {}
  bool Call() {
    if (!peer.Connect(PhoneAddress())) return false;
    H323SignalPDU setup = ScriptedPeer::Message(Q931::SetupMsg, H323UserInformation::e_setup, ref, false);
    setup.m_userInfo.callIdentifier = H323NewGuid();
    return peer.SendPDU(setup);
  }
  bool HangUp() {
    H323SignalPDU release =
        ScriptedPeer::Message(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete, ref, false);
    release.m_q931pdu.SetCause(Q931::NormalCallClearing);
    return peer.SendPDU(release);
  }
  // Whether the phone has sent a message of `type` so far.
  bool Got(uint8_t type) {
    const auto types = h323test::EndpointMessageTypes(peer.Packets());
    return std::find(types.begin(), types.end(), type) != types.end();
  }
  bool WaitGot(uint8_t type) {
    return peer.WaitPackets([&](const std::vector<ScriptedPeer::Packet>& packets) {
      const auto types = h323test::EndpointMessageTypes(packets);
      return std::find(types.begin(), types.end(), type) != types.end();
    });
  }
  uint16_t ref;
  ScriptedPeer peer;
};

// The caller hears ringing before the user has answered: the Alerting goes out before
// the question is answered, and the answer then brings the Connect or the Release
// Complete.
TEST_F(PhoneCallTest, TheCallerHearsRingingWhileTheUserIsAsked) {
  for (int answer : {IDOK, IDCANCEL}) {
    SCOPED_TRACE(answer == IDOK ? "accepted" : "refused");
    Caller caller(10 + answer);
    std::atomic<bool> rangFirst{false};
    varlo::win::SetMessageBoxHook([&](const varlo::win::MessageBoxRequest&) {
      rangFirst = caller.WaitGot(Q931::AlertingMsg);
      return answer;
    });
    ASSERT_TRUE(caller.Call());
    const uint8_t outcome = answer == IDOK ? Q931::ConnectMsg : Q931::ReleaseCompleteMsg;
    ASSERT_TRUE(caller.WaitGot(outcome));
    EXPECT_TRUE(rangFirst) << "no Alerting before the question was answered";
    const auto types = h323test::EndpointMessageTypes(caller.peer.Packets());
    EXPECT_EQ(types, (std::vector<uint8_t>{Q931::CallProceedingMsg, Q931::AlertingMsg, outcome}));
    if (h323test::WireDecoderAvailable()) {
      const auto rows = h323test::ExpectCleanWire(caller.peer.Packets(), {"q931.message_type"});
      ASSERT_GE(rows.size(), 3u);
      EXPECT_EQ(rows[2].fields[0], h323test::MessageType(Q931::AlertingMsg));  // Setup, Call Proceeding, Alerting
    }
    if (answer == IDOK) {
      ASSERT_TRUE(PumpUntil([&] { return window->Count(WM_ENGINE_CALL_CONNECTED) == 1; }));
      ASSERT_TRUE(caller.HangUp());
    } else {
      caller.peer.Close();
    }
    ASSERT_TRUE(PumpUntil([&] { return phone->GetConnectionCount() == 0; }));
    window->seen.clear();
  }
}

// A caller who gives up while the user is asked takes the question with it: the box is
// withdrawn (as if closed without a button), and the phone sends no Connect.
TEST_F(PhoneCallTest, TheQuestionGoesAwayWhenTheCallerHangsUp) {
  Caller caller(21);
  std::atomic<bool> withdrawn{false};
  std::atomic<bool> asked{false};
  // A user who does not answer in time, and would press OK.
  varlo::win::SetMessageBoxHook([&](const varlo::win::MessageBoxRequest& r) {
    asked = true;
    withdrawn = r.withdrawal != nullptr && r.withdrawal->WaitWithdrawn(20s);
    return IDOK;
  });
  ASSERT_TRUE(caller.Call());
  ASSERT_TRUE(caller.WaitGot(Q931::AlertingMsg));
  ASSERT_TRUE(PumpUntil([&] { return asked.load(); }));  // the Alerting goes out first
  ASSERT_TRUE(caller.HangUp());
  ASSERT_TRUE(PumpUntil([&] { return withdrawn.load(); })) << "the question stayed after the caller left";
  ASSERT_TRUE(PumpUntil([&] { return phone->GetConnectionCount() == 0; }));
  EXPECT_FALSE(caller.Got(Q931::ConnectMsg));
  ASSERT_TRUE(PumpUntil([&] { return window->Count(WM_ENGINE_CALL_CLEARED) == 1; }));
  EXPECT_TRUE(phone->IsIdle());
}

// While a question is up, further callers get a Release Complete (user busy) at once: no
// question of their own, no thread kept for them, and the asked call goes on.
TEST_F(PhoneCallTest, FurtherCallersAreBusyWhileTheUserIsAsked) {
  Caller first(1);
  varlo::win::SetMessageBoxHook([](const varlo::win::MessageBoxRequest& r) {
    if (r.withdrawal) r.withdrawal->WaitWithdrawn(60s);
    return IDCANCEL;
  });
  ASSERT_TRUE(first.Call());
  ASSERT_TRUE(first.WaitGot(Q931::AlertingMsg));
  const size_t threads = ThreadCount();
  size_t most = threads;
  constexpr int kCallers = 100;
  for (int i = 0; i < kCallers; ++i) {
    Caller busy(static_cast<uint16_t>(100 + i));
    ASSERT_TRUE(busy.Call()) << i;
    auto release = busy.peer.WaitFor(Q931::ReleaseCompleteMsg);
    ASSERT_TRUE(release) << "caller " << i << " was not answered at once";
    ASSERT_TRUE(release->GetCause());
    EXPECT_EQ(release->GetCause()->value, Q931::UserBusy);
    if (i == 0 && h323test::WireDecoderAvailable()) {
      const auto rows = h323test::ExpectCleanWire(busy.peer.Packets(), {"q931.message_type", "q931.cause_value"});
      ASSERT_EQ(rows.size(), 2u);
      EXPECT_EQ(rows[1].fields[1], "17");
    }
    most = std::max(most, ThreadCount());
  }
  // A handful at most, for the connections still being closed; none kept.
  EXPECT_LE(most, threads + 6);
  EXPECT_TRUE(PumpUntil([&] { return ThreadCount() <= threads; })) << ThreadCount() << " threads, " << threads
                                                                    << " before";
  EXPECT_EQ(varlo::win::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(phone->GetConnectionCount(), 1u);
  EXPECT_FALSE(first.Got(Q931::ReleaseCompleteMsg));  // the asked call is untouched
  ASSERT_TRUE(first.HangUp());
  ASSERT_TRUE(PumpUntil([&] { return phone->GetConnectionCount() == 0; }));
}

// While a call is up, a second caller is busy at once: no question, the current call
// keeps its state, and the window is not told that a call ended.
TEST_F(PhoneCallTest, ASecondCallerIsBusyWhileACallIsUp) {
  int asked = 0;
  varlo::win::SetMessageBoxHook([&](const varlo::win::MessageBoxRequest&) {
    ++asked;
    return IDOK;
  });
  PString first;
  ASSERT_NE(peer->MakeCall(PhoneAddress(), first), nullptr);
  ASSERT_TRUE(PumpUntil([&] { return window->Count(WM_ENGINE_CALL_CONNECTED) == 1; }));
  const PString current = phone->GetCurrentCallToken();
  ASSERT_FALSE(current.IsEmpty());

  Caller second(2);
  ASSERT_TRUE(second.Call());
  auto release = second.peer.WaitFor(Q931::ReleaseCompleteMsg);
  ASSERT_TRUE(release && release->GetCause());
  EXPECT_EQ(release->GetCause()->value, Q931::UserBusy);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(phone->GetCurrentCallToken(), current);
  EXPECT_FALSE(phone->IsIdle());
  EXPECT_EQ(window->Count(WM_ENGINE_CALL_CLEARED), 0u);

  phone->HangUp();
  EXPECT_TRUE(peer->WaitCleared(first).has_value());
  ASSERT_TRUE(PumpUntil([&] { return window->Count(WM_ENGINE_CALL_CLEARED) == 1; }));
  EXPECT_TRUE(phone->IsIdle());
}

}  // namespace
}  // namespace phonetest
