// Whole calls between two endpoints on loopback, and against scripted peers for what a
// well-behaved endpoint never does.

#include <gtest/gtest.h>

#include <atomic>

#include "CallFixture.h"

namespace h323test {
namespace {

class CallSignalling : public ::testing::Test {
 protected:
  TestEndPoint caller{"alice"};
  TestEndPoint callee{"bob"};
};

TEST_F(CallSignalling, CallIsEstablishedAndEitherSideEndsIt) {
  struct Case {
    const char* name;
    bool callerHangsUp;
  };
  for (const Case& c : {Case{"caller hangs up", true}, Case{"callee hangs up", false}}) {
    SCOPED_TRACE(c.name);
    TestEndPoint a{"alice"}, b{"bob"};
    const PString address = b.Listen();
    PString token;
    H323Connection* connection = a.MakeCall(address, token);
    ASSERT_NE(connection, nullptr);
    EXPECT_FALSE(token.IsEmpty());
    EXPECT_TRUE(a.HasConnection(token));
    ASSERT_TRUE(a.WaitEstablished());
    ASSERT_TRUE(b.WaitEstablished());
    EXPECT_EQ(a.EstablishedToken(), token);
    EXPECT_EQ(a.alerting.size(), 1u);
    ASSERT_EQ(b.incoming.size(), 1u);
    EXPECT_EQ(b.incoming[0], "alice");  // the caller's alias
    {
      H323Connection* found = a.FindConnectionWithLock(token);
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(found->GetRemotePartyName(), "bob");
      EXPECT_TRUE(found->IsEstablished());
      found->Unlock();
    }
    const PString calleeToken = b.EstablishedToken();
    if (c.callerHangsUp) {
      EXPECT_TRUE(a.ClearCall(token));
      EXPECT_EQ(a.WaitCleared(token), H323Connection::EndedByLocalUser);
      EXPECT_EQ(b.WaitCleared(calleeToken), H323Connection::EndedByRemoteUser);
    } else {
      EXPECT_TRUE(b.ClearCall(calleeToken));
      EXPECT_EQ(b.WaitCleared(calleeToken), H323Connection::EndedByLocalUser);
      EXPECT_EQ(a.WaitCleared(token), H323Connection::EndedByRemoteUser);
    }
    EXPECT_TRUE(a.events.WaitFor([&] { return !a.HasConnection(token); }));
    EXPECT_EQ(a.FindConnectionWithLock(token), nullptr);
    EXPECT_FALSE(a.ClearCall(token));
  }
}

TEST_F(CallSignalling, RefusedCallIsARefusalForTheCaller) {
  callee.incomingPolicy = [](H323Connection&, const H323SignalPDU&) { return false; };
  PString token;
  ASSERT_NE(caller.MakeCall(callee.Listen(), token), nullptr);
  EXPECT_EQ(caller.WaitCleared(token), H323Connection::EndedByRefusal);
  EXPECT_EQ(callee.WaitAnyCleared(), H323Connection::EndedByNoAccept);
  EXPECT_TRUE(caller.established.empty());
}

TEST_F(CallSignalling, SecondIncomingCallIsRefusedWithoutDisturbingTheLiveOne) {
  // Busy: the callee refuses an incoming call while one is up.
  callee.incomingPolicy = [this](H323Connection& c, const H323SignalPDU&) {
    for (const PString& t : callee.GetAllConnections())
      if (t != c.GetCallToken()) return false;
    return true;
  };
  const PString address = callee.Listen();
  PString first;
  ASSERT_NE(caller.MakeCall(address, first), nullptr);
  ASSERT_TRUE(caller.WaitEstablished());
  ASSERT_TRUE(callee.WaitEstablished());
  const PString liveAtCallee = callee.EstablishedToken();

  TestEndPoint third{"carol"};
  PString second;
  ASSERT_NE(third.MakeCall(address, second), nullptr);
  EXPECT_EQ(third.WaitCleared(second), H323Connection::EndedByRefusal);
  EXPECT_EQ(callee.WaitAnyCleared(), H323Connection::EndedByNoAccept);

  // The first call is untouched and still works.
  EXPECT_TRUE(caller.HasConnection(first));
  EXPECT_TRUE(callee.HasConnection(liveAtCallee));
  H323Connection* c = caller.FindConnectionWithLock(first);
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->IsEstablished());
  EXPECT_TRUE(c->HoldCall());
  c->Unlock();
  std::lock_guard lock(caller.events.Mutex());  // the cleared list is written by call threads
  EXPECT_TRUE(caller.cleared.empty());
}

TEST_F(CallSignalling, UnreachableAddressIsAConnectFailure) {
  // A port that was just free: nothing listens there.
  TcpSocket probe;
  ASSERT_EQ(TcpSocket::Listen(TcpAddress{TcpAddress::kLoopback, 0}, false, 1, probe), TcpSocket::Status::Ok);
  const uint16_t port = probe.GetLocalAddress().port;
  probe.Close();
  PString token;
  ASSERT_NE(caller.MakeCall(psprintf("127.0.0.1:%u", port), token), nullptr);
  EXPECT_EQ(caller.WaitCleared(token), H323Connection::EndedByConnectFail);
}

TEST_F(CallSignalling, TextThatNamesNothingCallableStartsNoCall) {
  PString token;
  for (const char* text : {"", "   ", "12345"}) {  // a number needs an admission to resolve it
    SCOPED_TRACE(text);
    EXPECT_EQ(caller.MakeCall(text, token), nullptr);
  }
  EXPECT_EQ(caller.GetConnectionCount(), 0u);
  ASSERT_NE(caller.MakeCall("no-such-host.invalid:1720", token), nullptr);
  EXPECT_EQ(caller.WaitCleared(token), H323Connection::EndedByConnectFail);
}

TEST_F(CallSignalling, HoldAndRetrieveAreSignalledToTheRemoteParty) {
  struct HoldWatcher : TestEndPoint {
    ~HoldWatcher() override { Quiesce(); }
    using TestEndPoint::TestEndPoint;
    H323Connection* CreateConnection(unsigned callReference) override {
      struct Conn : H323Connection {
        Conn(H323EndPoint& ep, unsigned ref, HoldWatcher& w) : H323Connection(ep, ref), watcher(w) {}
        void OnRemoteHold(bool held) override {
          watcher.events.Change([&] { watcher.holds.push_back(held); });
        }
        HoldWatcher& watcher;
      };
      return new Conn(*this, callReference, *this);
    }
    std::vector<bool> holds;
  } watcher{"bob"};
  PString token;
  ASSERT_NE(caller.MakeCall(watcher.Listen(), token), nullptr);
  ASSERT_TRUE(caller.WaitEstablished());
  H323Connection* c = caller.FindConnectionWithLock(token);
  ASSERT_NE(c, nullptr);
  EXPECT_FALSE(c->IsLocalHold());
  EXPECT_FALSE(c->RetrieveCall());  // not held
  EXPECT_TRUE(c->HoldCall());
  EXPECT_TRUE(c->IsLocalHold());
  EXPECT_FALSE(c->HoldCall());  // already held
  EXPECT_TRUE(c->RetrieveCall());
  EXPECT_FALSE(c->IsLocalHold());
  c->Unlock();
  EXPECT_TRUE(watcher.events.WaitFor([&] { return watcher.holds.size() == 2; }));
  EXPECT_EQ(watcher.holds, (std::vector<bool>{true, false}));
}

TEST_F(CallSignalling, DestroyingEndpointsWithLiveCallsEndsThem) {
  auto a = std::make_unique<TestEndPoint>("alice");
  auto b = std::make_unique<TestEndPoint>("bob");
  PString token;
  ASSERT_NE(a->MakeCall(b->Listen(), token), nullptr);
  ASSERT_TRUE(a->WaitEstablished());
  b.reset();
  EXPECT_EQ(a->WaitCleared(token), H323Connection::EndedByRemoteUser);
  a.reset();
}

// --- Scripted peers

TEST(CallAgainstPeer, CallerSeesTheRemoteReleaseAsTheUserReadsIt) {
  struct Case {
    const char* name;
    bool answerFirst;
    std::optional<uint8_t> cause;
    CallEndReason expected;
  };
  const Case cases[] = {
      {"busy", false, Q931::UserBusy, EndedByRefusal},
      {"rejected without cause", false, std::nullopt, EndedByRefusal},
      {"unknown number", false, Q931::UnallocatedNumber, EndedByNoUser},
      {"no answer at the far end", false, Q931::NoAnswer, EndedByNoAnswer},
      {"hung up after answer", true, Q931::NormalCallClearing, EndedByRemoteUser},
      {"hung up after answer without cause", true, std::nullopt, EndedByRemoteUser},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestEndPoint caller{"alice"};
    ScriptedPeer peer;
    PString token;
    ASSERT_NE(caller.MakeCall(peer.Listen(), token), nullptr);
    auto setup = peer.WaitFor(Q931::SetupMsg);
    ASSERT_TRUE(setup);
    const uint16_t ref = setup->GetCallReference();
    peer.SendPDU(ScriptedPeer::Message(Q931::AlertingMsg, H323UserInformation::e_alerting, ref, true));
    if (c.answerFirst) {
      peer.SendPDU(ScriptedPeer::Message(Q931::ConnectMsg, H323UserInformation::e_connect, ref, true));
      ASSERT_TRUE(caller.WaitEstablished());
    }
    H323SignalPDU release = ScriptedPeer::Message(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete, ref, true);
    if (c.cause) release.m_q931pdu.SetCause(*c.cause);
    peer.SendPDU(release);
    EXPECT_EQ(caller.WaitCleared(token), c.expected);
  }
}

TEST(CallAgainstPeer, PeerThatFailsMidCallEndsItWithAReason) {
  struct Case {
    const char* name;
    std::function<void(ScriptedPeer&)> misbehave;
  };
  const Case cases[] = {
      {"closes the socket", [](ScriptedPeer& p) { p.Close(); }},
      {"sends bytes that are not TPKT", [](ScriptedPeer& p) { p.SendBytes({0x47, 0x45, 0x54, 0x20, 0x2F, 0x20}); }},
      {"ends inside a packet", [](ScriptedPeer& p) {
         p.SendBytes({0x03, 0x00, 0x00, 0x40, 0x08});
         p.Close();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestEndPoint caller{"alice"};
    ScriptedPeer peer;
    PString token;
    ASSERT_NE(caller.MakeCall(peer.Listen(), token), nullptr);
    auto setup = peer.WaitFor(Q931::SetupMsg);
    ASSERT_TRUE(setup);
    peer.SendPDU(ScriptedPeer::Message(Q931::ConnectMsg, H323UserInformation::e_connect, setup->GetCallReference(), true));
    ASSERT_TRUE(caller.WaitEstablished());
    c.misbehave(peer);
    EXPECT_EQ(caller.WaitCleared(token), H323Connection::EndedByTransportFail);
  }
}

TEST(CallAgainstPeer, JunkInsideTheFramingIsIgnored) {
  TestEndPoint caller{"alice"};
  ScriptedPeer peer;
  PString token;
  ASSERT_NE(caller.MakeCall(peer.Listen(), token), nullptr);
  auto setup = peer.WaitFor(Q931::SetupMsg);
  ASSERT_TRUE(setup);
  const uint16_t ref = setup->GetCallReference();
  peer.SendPDU(ScriptedPeer::Message(Q931::ConnectMsg, H323UserInformation::e_connect, ref, true));
  ASSERT_TRUE(caller.WaitEstablished());
  peer.SendPacket({0x55, 0x01, 0x02});  // not Q.931
  Q931 enquiry(Q931::StatusEnquiryMsg, ref, true);
  peer.Send(enquiry);
  auto status = peer.WaitFor(Q931::StatusMsg);
  ASSERT_TRUE(status);
  EXPECT_EQ(status->GetCallState(), Q931::ActiveState);
  EXPECT_EQ(status->GetCause()->value, Q931::StatusEnquiryResponse);
  std::lock_guard lock(caller.events.Mutex());  // the cleared list is written by call threads
  EXPECT_TRUE(caller.cleared.empty());
}

TEST(CallAgainstPeer, UnansweredCallEndsAsNoAnswer) {
  struct Case {
    const char* name;
    bool alerts;
  };
  for (const Case& c : {Case{"silent peer", false}, Case{"rings for ever", true}}) {
    SCOPED_TRACE(c.name);
    TestEndPoint caller{"alice"};
    caller.SetSignallingChannelCallTimeout(PTimeInterval(300));
    ScriptedPeer peer;
    PString token;
    ASSERT_NE(caller.MakeCall(peer.Listen(), token), nullptr);
    auto setup = peer.WaitFor(Q931::SetupMsg);
    ASSERT_TRUE(setup);
    if (c.alerts)
      peer.SendPDU(ScriptedPeer::Message(Q931::AlertingMsg, H323UserInformation::e_alerting, setup->GetCallReference(), true));
    EXPECT_EQ(caller.WaitCleared(token), H323Connection::EndedByNoAnswer);
    auto release = peer.WaitFor(Q931::ReleaseCompleteMsg);
    ASSERT_TRUE(release);
    EXPECT_EQ(release->GetCause()->value, Q931::NoAnswer);
  }
}

TEST(CallAgainstPeer, CallerGivingUpBeforeTheAnswerIsACallerAbort) {
  TestEndPoint callee{"bob"};
  std::atomic<bool> asked{false};
  callee.incomingPolicy = [&](H323Connection&, const H323SignalPDU&) {
    asked = true;
    return true;
  };
  // Admission that waits, so the caller's release arrives before the answer.
  struct SlowAdmission : H323CallAdmission {
    Events gate;
    bool open = false;
    H323AdmissionResult AdmitCall(H323Connection&, const H323AdmissionRequest&) override {
      gate.WaitFor([&] { return open; });
      return {};
    }
    void DisengageCall(H323Connection&) override {}
  } admission;
  callee.SetCallAdmission(&admission);
  ScriptedPeer peer;
  ASSERT_TRUE(peer.Connect(callee.Listen()));
  H323SignalPDU setup = ScriptedPeer::Message(Q931::SetupMsg, H323UserInformation::e_setup, 77, false);
  setup.m_userInfo.callIdentifier = H323NewGuid();
  ASSERT_TRUE(peer.SendPDU(setup));
  ASSERT_TRUE(peer.WaitFor(Q931::CallProceedingMsg));
  peer.SendPDU(ScriptedPeer::Message(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete, 77, false));
  // The release is seen while the call is still being answered.
  EXPECT_EQ(callee.WaitAnyCleared(), H323Connection::EndedByCallerAbort);
  admission.gate.Change([&] { admission.open = true; });
  callee.ClearAllCalls();
  EXPECT_FALSE(asked);  // a call that is gone is not offered
  callee.SetCallAdmission(nullptr);
}

TEST(CallAgainstPeer, AcceptedConnectionWithoutASetupIsDropped) {
  TestEndPoint callee{"bob"};
  callee.SetFirstSignalPduTimeout(PTimeInterval(200));
  ScriptedPeer idle;
  ASSERT_TRUE(idle.Connect(callee.Listen()));
  EXPECT_TRUE(idle.WaitClosed());

  ScriptedPeer wrong;
  ASSERT_TRUE(wrong.Connect(callee.Listen()));
  wrong.SendPDU(ScriptedPeer::Message(Q931::ConnectMsg, H323UserInformation::e_connect, 5, true));
  auto release = wrong.WaitFor(Q931::ReleaseCompleteMsg);
  ASSERT_TRUE(release);
  EXPECT_TRUE(wrong.WaitClosed());
  EXPECT_EQ(callee.GetConnectionCount(), 0u);
  EXPECT_TRUE(callee.incoming.empty());
}

TEST(CallAgainstPeer, SetupWithoutCallSignallingInformationIsRefused) {
  TestEndPoint callee{"bob"};
  ScriptedPeer peer;
  ASSERT_TRUE(peer.Connect(callee.Listen()));
  Q931 bare(Q931::SetupMsg, 9, false);
  bare.SetUserUser(std::vector<uint8_t>{0xDE, 0xAD});
  peer.Send(bare);
  auto release = peer.WaitFor(Q931::ReleaseCompleteMsg);
  ASSERT_TRUE(release);
  EXPECT_EQ(release->GetCause()->value, Q931::InvalidIEContents);
  EXPECT_EQ(callee.WaitAnyCleared(), H323Connection::EndedByTransportFail);
  EXPECT_TRUE(callee.incoming.empty());
}

}  // namespace
}  // namespace h323test
