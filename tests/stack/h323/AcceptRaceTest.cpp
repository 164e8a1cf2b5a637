// An accepted signalling connection whose reader hands it to a call that ends at once: a
// caller that sends a Setup and hangs up.  A hook holds the listener's thread inside the
// channel's start for as long as the call could take to be made, cleared and deleted, so
// a start that lets the reader run first is caught every time, not by chance.

#include <gtest/gtest.h>

#include <atomic>

#include "tests/stack/h323/CallFixture.h"

namespace h323test {
namespace {

std::atomic<TestEndPoint*> g_answering{nullptr};
std::atomic<bool> g_clearedDuringStart{false};

void HoldStart() {
  TestEndPoint* ep = g_answering.exchange(nullptr);
  if (ep == nullptr) return;  // only the first start after arming
  g_clearedDuringStart = ep->events.WaitFor([&] { return !ep->cleared.empty(); }, 1000ms);
}

TEST(AcceptedConnection, NoCallIsMadeFromItBeforeItsStartIsDone) {
  TestEndPoint callee{"bob"};
  const PString address = callee.Listen();
  g_answering = &callee;
  TpktChannel::SetStartHookForTesting(HoldStart);
  {
    ScriptedPeer caller;
    ASSERT_TRUE(caller.Connect(address));
    ASSERT_TRUE(caller.SendPDU(ScriptedPeer::Message(Q931::SetupMsg, H323UserInformation::e_setup, 77, false)));
    caller.Close();
  }
  EXPECT_TRUE(callee.WaitAnyCleared().has_value());
  TpktChannel::SetStartHookForTesting(nullptr);
  g_answering = nullptr;
  EXPECT_FALSE(g_clearedDuringStart);
}

}  // namespace
}  // namespace h323test
