// The softphone's gatekeeper client against the test gatekeeper: the service's replies
// become the main window's messages (reject texts by string id, the available seconds,
// the admission refusal, and a new login when the gatekeeper drops the registration).

#include <gtest/gtest.h>

#include <mutex>

#include "CallFixture.h"
#include "TestGatekeeper.h"
#include "engine/CPhoneGatekeeper.h"
#include "engine/CUserProfile.h"
#include "engine/GatekeeperMessages.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Wnd.h"
#include "tests/platform/core/TempDir.h"

namespace {

using namespace std::chrono_literals;
using service::TestGatekeeper;

// A hidden window that keeps every message of the gatekeeper client's range.
class CRecordingWnd : public CWnd {
 public:
  CRecordingWnd() { CreateEx(0, "", "gk messages", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0); }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg >= gkmsg::kAccountLogin && msg <= gkmsg::kUnregister) got.push_back({msg, wParam});
    return CWnd::WindowProc(msg, wParam, lParam);
  }
  std::vector<std::pair<UINT, WPARAM>> got;
};

class Softphone : public h323test::TestEndPoint {
 public:
  Softphone(CWnd& owner, CUserProfile& profile) : m_owner(owner), m_profile(profile) { Listen(); }
  ~Softphone() override {
    RemoveGatekeeper();
    Quiesce();
  }
  H323Gatekeeper* CreateGatekeeper(H323Transport* transport) override {
    auto* gk = new CPhoneGatekeeper(*this, transport, &m_owner, &m_profile);
    gk->SetTiming(ras::RasTiming{200ms, 1});
    return gk;
  }

 private:
  CWnd& m_owner;
  CUserProfile& m_profile;
};

class GatekeeperClientServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { varlo::win::MessageSystem::Instance().Reset(); }
  void TearDown() override { varlo::win::MessageSystem::Instance().Reset(); }

  // Pumps the window's messages until `n` have come or the time is up.
  bool WaitMessages(CRecordingWnd& wnd, size_t n) {
    for (int i = 0; i < 400 && wnd.got.size() < n; ++i) {
      varlo::win::MessageSystem::Instance().Pump();
      std::this_thread::sleep_for(5ms);
    }
    return wnd.got.size() >= n;
  }
  TempDir dir;
};

TEST_F(GatekeeperClientServiceTest, RegistrationRejectsOfTheServiceBecomeTheirTexts) {
  struct Case {
    int mode;
    unsigned reason;
    const char* codes;
    WPARAM text;
  };
  const Case cases[] = {
      {1, H225_RegistrationRejectReason::e_duplicateAlias, "0100", 130},
      {1, H225_RegistrationRejectReason::e_securityDenial, "0100", 131},
      {2, H225_RegistrationRejectReason::e_securityDenial, "0100", 123},
      {1, H225_RegistrationRejectReason::e_undefinedReason, "01010200", 126},
      {2, H225_RegistrationRejectReason::e_securityDenial, "010101010001", 128},
      {2, H225_RegistrationRejectReason::e_undefinedReason, "00", 133},
      {1, H225_RegistrationRejectReason::e_securityDenial, "02", 121},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " codes " << c.codes);
    TestGatekeeper gk;
    gk.RejectRegistrations(c.reason, c.codes);
    CUserProfile profile(dir.Path().c_str(), ProfileServices{});
    profile.m_callType = 1;
    profile.m_loginMode = c.mode;
    CRecordingWnd wnd;
    Softphone ep(wnd, profile);
    ep.SetLocalUserName("03KOVA/alice");
    ep.SetGatekeeperPassword("s3cret");
    EXPECT_FALSE(ep.SetGatekeeper(gk.HostText().c_str()));
    ASSERT_TRUE(WaitMessages(wnd, 1));
    EXPECT_EQ(wnd.got[0], std::make_pair(gkmsg::kRegisterError, c.text));
    wnd.DestroyWindow();
  }
}

TEST_F(GatekeeperClientServiceTest, AdmissionsAndTheGatekeepersUnregistrationReachTheWindow) {
  TestGatekeeper gk;
  gk.AddAccount("KOVA", "alice", "s3cret");
  gk.SetAvailableSeconds("3600");
  h323test::TestEndPoint callee("callee");
  ras::RasAddress calleeAddress;
  ASSERT_TRUE(ras::RasAddress::Parse(callee.Listen().GetPointer(), 1720, calleeAddress));
  gk.SetRoute("5551234", calleeAddress);
  CUserProfile profile(dir.Path().c_str(), ProfileServices{});
  profile.m_callType = 1;
  profile.m_loginMode = 1;
  CRecordingWnd wnd;
  Softphone ep(wnd, profile);
  ep.SetLocalUserName("03KOVA/alice");
  ep.SetGatekeeperPassword("s3cret");
  ASSERT_TRUE(ep.SetGatekeeper(gk.HostText().c_str()));

  PString token;
  ASSERT_NE(ep.MakeCall("5551234", token), nullptr);
  ASSERT_TRUE(WaitMessages(wnd, 1));
  EXPECT_EQ(wnd.got[0], std::make_pair(gkmsg::kAvailableTime, WPARAM{3600}));
  ASSERT_TRUE(ep.WaitEstablished());
  ep.ClearCall(token);
  ASSERT_TRUE(gk.WaitForDisengages(1, 5s));

  gk.SetRejectAdmissions(true);
  PString refused;
  ep.MakeCall("5551234", refused);
  ASSERT_TRUE(WaitMessages(wnd, 2));
  EXPECT_EQ(wnd.got[1], std::make_pair(gkmsg::kAdmissionError, WPARAM{129}));

  ASSERT_TRUE(gk.SendUnregistrationRequest());
  ASSERT_TRUE(WaitMessages(wnd, 4));
  EXPECT_EQ(wnd.got[2].first, gkmsg::kUnregister);
  EXPECT_EQ(wnd.got[3].first, gkmsg::kAccountLogin);
  EXPECT_TRUE(gk.WaitForUnregistrationConfirms(1, 5s));
  wnd.DestroyWindow();
}

}  // namespace
