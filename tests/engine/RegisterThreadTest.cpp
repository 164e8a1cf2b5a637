// The registration worker and its runner against loopback gatekeepers: the attempts at
// the first and the fallback address, the alias and password on the wire, and a login
// superseded by a newer one.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "engine/LoginMessages.h"
#include "engine/RegisterRunner.h"
#include "stack/h323/H323EndPoint.h"
#include "stack/ras/H225_RAS.h"
#include "stack/ras/PasswordToken.h"
#include "tests/stack/ras/ScriptedGatekeeper.h"

using namespace std::chrono_literals;

namespace {

// The runner with its posts recorded instead of sent to a window.
class RegisterTest : public ::testing::Test {
 protected:
  RegisterParams Params(const CString& host, const CString& fallback) {
    RegisterParams p;
    p.endpoint = &endpoint;
    p.host = host;
    p.fallbackHost = fallback;
    p.alias = "03KOVA/alice";
    p.password = "secret";
    return p;
  }
  std::vector<UINT> Posted() {
    std::lock_guard lock(mutex);
    return posted;
  }

  H323EndPoint endpoint;
  std::mutex mutex;
  std::vector<UINT> posted;
  CRegisterRunner runner{[this](HWND, UINT message, WPARAM, LPARAM) {
    std::lock_guard lock(mutex);
    posted.push_back(message);
    return TRUE;
  }};
};

TEST_F(RegisterTest, TwoAttemptsAtTheFirstAddressThenOneAtTheFallback) {
  struct Case {
    const char* what;
    bool fallback;
    bool fallbackConfirms;
    size_t fallbackGrqs;
    UINT result;
  };
  const Case cases[] = {
      {"fallback registers", true, true, 1, WM_LOGIN_REGISTERED},
      {"fallback refuses", true, false, 1, WM_LOGIN_REGISTER_FAILED},
      {"no fallback", false, false, 0, WM_LOGIN_REGISTER_FAILED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    posted.clear();
    ScriptedGatekeeper first, second;
    first.SetScript(RefuseDiscovery);
    if (!c.fallbackConfirms) second.SetScript(RefuseDiscovery);
    RegisterParams p = Params(CString(first.HostText()), c.fallback ? CString(second.HostText()) : CString());
    runner.Login(p);
    ASSERT_TRUE(runner.WaitIdle(5s));
    EXPECT_EQ(first.CountReceived(H225_RasMessage::e_gatekeeperRequest), 2u);
    EXPECT_EQ(second.CountReceived(H225_RasMessage::e_gatekeeperRequest), c.fallbackGrqs);
    EXPECT_EQ(Posted(), std::vector<UINT>{c.result});
    EXPECT_EQ(endpoint.IsRegistered(), c.result == WM_LOGIN_REGISTERED);
    // The worker worked on a copy: the block keeps its fallback address.
    EXPECT_EQ(p.fallbackHost, c.fallback ? CString(second.HostText()) : CString());
    endpoint.RemoveGatekeeper();  // while the gatekeeper is there to confirm the URQ
  }
}

TEST_F(RegisterTest, AliasAndPasswordReachTheGatekeeper) {
  ScriptedGatekeeper gk;
  runner.Login(Params(CString(gk.HostText()), ""));
  ASSERT_TRUE(runner.WaitIdle(5s));
  ASSERT_EQ(Posted(), std::vector<UINT>{WM_LOGIN_REGISTERED});
  const auto got = gk.Received();
  const H225_RegistrationRequest* rrq = nullptr;
  for (const auto& m : got) {
    if (m.GetTag() == H225_RasMessage::e_registrationRequest) rrq = &m.registrationRequest();
  }
  ASSERT_NE(rrq, nullptr);
  EXPECT_EQ(rrq->m_terminalAlias[0].h323_ID().GetValue(), "03KOVA/alice");
  ASSERT_TRUE(rrq->HasOptionalField(H225_RegistrationRequest::e_cryptoTokens));
  const H225_CryptoH323Token& sent = rrq->m_cryptoTokens[0];
  H225_CryptoH323Token expected;
  ASSERT_TRUE(ras::MakePasswordToken("03KOVA/alice", "secret", sent.cryptoEPPwdHash().m_timeStamp.GetValue(),
                                     ras::PasswordHashVariant::kWithAliasNul, expected));
  std::vector<uint8_t> a, b;
  ASSERT_TRUE(sent.Encode(a));
  ASSERT_TRUE(expected.Encode(b));
  EXPECT_EQ(a, b);
}

TEST_F(RegisterTest, ASupersededLoginStopsAtOnceAndPostsNothing) {
  ScriptedGatekeeper silent, answering;
  silent.SetScript([](const H225_RasMessage&) { return std::vector<std::vector<uint8_t>>{}; });
  runner.Login(Params(CString(silent.HostText()), CString(silent.HostText())));
  ASSERT_TRUE(silent.WaitForCount(1, 5s));  // the first worker waits for its discovery

  const auto start = std::chrono::steady_clock::now();
  RegisterParams second = Params(CString(answering.HostText()), "");
  second.alias = "03KOVA/bob";
  runner.Login(second);
  ASSERT_TRUE(runner.WaitIdle(5s));
  // Well before the silent gatekeeper's first retransmission (3 s).
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
  EXPECT_EQ(Posted(), std::vector<UINT>{WM_LOGIN_REGISTERED});
  EXPECT_TRUE(endpoint.IsRegistered());
  EXPECT_EQ(endpoint.GetLocalUserName(), "03KOVA/bob");
  // No second attempt and no fallback attempt by the superseded worker.
  EXPECT_EQ(silent.Received().size(), 1u);
}

TEST_F(RegisterTest, StopEndsAWorkerWaitingInTheStack) {
  ScriptedGatekeeper silent;
  silent.SetScript([](const H225_RasMessage&) { return std::vector<std::vector<uint8_t>>{}; });
  runner.Login(Params(CString(silent.HostText()), ""));
  ASSERT_TRUE(silent.WaitForCount(1, 5s));
  const auto start = std::chrono::steady_clock::now();
  runner.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
  EXPECT_TRUE(Posted().empty());
}

TEST_F(RegisterTest, AnUnregistrationRunsAfterTheLoginAndDropsIt) {
  ScriptedGatekeeper gk;
  runner.Login(Params(CString(gk.HostText()), ""));
  runner.Unregister(endpoint);
  ASSERT_TRUE(runner.WaitIdle(5s));
  EXPECT_EQ(Posted(), std::vector<UINT>{WM_LOGIN_REGISTERED});
  EXPECT_FALSE(endpoint.IsRegistered());
  EXPECT_EQ(gk.CountReceived(H225_RasMessage::e_unregistrationRequest), 1u);
}

}  // namespace
