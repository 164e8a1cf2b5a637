// The gatekeeper client's hooks: what each RAS message makes it post to the main window,
// and the profile's one-shot gatekeeper override.  Most cases call the hooks directly with
// messages built here; two run the real RAS path against a scripted gatekeeper on
// loopback, one of them removing the client while its RAS thread is inside a hook.

#include "engine/CPhoneGatekeeper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "ScriptedGatekeeper.h"
#include "engine/CUserProfile.h"
#include "engine/GatekeeperMessages.h"
#include "engine/ServiceCodes.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Wnd.h"
#include "stack/h323/H323EndPoint.h"
#include "tests/platform/core/TempDir.h"

namespace {

using varlo::win::MessageSystem;

// One message as the main window got it: its number less WM_USER, wParam, and for the
// balance the text wParam pointed to while it was handled.
struct Got {
  int offset;
  long long wParam;
  std::string text;
  bool operator==(const Got&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Got& g) {
  return os << "+" << g.offset << "(" << g.wParam << (g.text.empty() ? "" : ", \"" + g.text + "\"") << ")";
}

Got M(int offset, long long wParam = 0, std::string text = {}) { return Got{offset, wParam, std::move(text)}; }

// Stands for the main window: records the messages the client sends it.
class CRecordingWnd : public CWnd {
 public:
  CRecordingWnd() { CreateEx(0, "", "main", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg >= WM_USER + 100 && msg <= WM_USER + 120) {
      Got g{static_cast<int>(msg - WM_USER), static_cast<long long>(static_cast<LONG_PTR>(wParam)), {}};
      if (msg == gkmsg::kBalance) {
        g.text = reinterpret_cast<const char*>(wParam);
        g.wParam = 0;  // a pointer: its text is what counts
      }
      if (msg == gkmsg::kAccountLogin || msg == gkmsg::kCardLogin) overrideAtLogin = m_profile->m_gatekeeperOverride;
      got.push_back(g);
      return 0;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
  }
  CUserProfile* m_profile = nullptr;
  std::vector<Got> got;
  CString overrideAtLogin;
};

ProfileServices NoLookups() {
  ProfileServices services;
  services.lookupIPv4 = [](const char*, CString&) -> BOOL { return FALSE; };
  services.defaultSoundDevice = [](SoundDirection) { return CString(); };
  return services;
}

void SetServiceText(H225_NonStandardParameter& p, const std::string& text) {
  p.m_nonStandardIdentifier.h221NonStandard();
  p.m_data.SetValue(text);
}

template <class Message>
void WithText(Message& msg, const char* text) {
  if (text == nullptr) return;  // null: no non-standard data at all
  msg.IncludeOptionalField(Message::e_nonStandardData);
  SetServiceText(msg.m_nonStandardData, text);
}

void AppendIpv4Alternate(H225_ArrayOf_AlternateGK& list, uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  auto& ip = list.Append().m_rasAddress.ipAddress();
  const char octets[] = {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d)};
  ip.m_ip.SetValue(std::string(octets, 4));
  ip.m_port = 1719;
}

class GkClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageSystem::Instance().Reset();
    profile = std::make_unique<CUserProfile>(CString(dir.Path().c_str()), NoLookups());
    owner = std::make_unique<CRecordingWnd>();
    owner->m_profile = profile.get();
  }
  void TearDown() override {
    owner.reset();
    MessageSystem::Instance().Reset();
  }
  // Service calls (non-zero call type) in the given login mode.
  void Service(int callType, int mode) {
    profile->m_callType = callType;
    profile->m_loginMode = mode;
  }
  std::unique_ptr<CPhoneGatekeeper> Client() {
    return std::make_unique<CPhoneGatekeeper>(endpoint, nullptr, owner.get(), profile.get());
  }
  // What the main window has received once its queue is handled.
  std::vector<Got> Delivered() {
    MessageSystem::Instance().Pump();
    return std::exchange(owner->got, {});
  }

  TempDir dir;
  H323EndPoint endpoint;
  std::unique_ptr<CUserProfile> profile;
  std::unique_ptr<CRecordingWnd> owner;
};

H225_RegistrationReject Reject(unsigned reason, const char* text) {
  H225_RegistrationReject rrj;
  rrj.m_rejectReason.SetTag(reason);
  WithText(rrj, text);
  return rrj;
}

TEST_F(GkClientTest, RegistrationRejectPostsByReasonServiceCodeLoginModeAndCallType) {
  using R = H225_RegistrationRejectReason;
  struct Case {
    const char* name;
    unsigned reason;
    const char* text;
    int callType, mode;
    std::vector<Got> expected;
  } cases[] = {
      {"duplicate alias whatever the text", R::e_duplicateAlias, "00", 1, kLoginAccount, {M(114, 130)}},
      {"full registration, account", R::e_fullRegistrationRequired, "00", 1, kLoginAccount, {M(116), M(108)}},
      {"full registration, card", R::e_fullRegistrationRequired, nullptr, 1, kLoginCard, {M(116), M(109)}},
      {"full registration, no login", R::e_fullRegistrationRequired, "", 0, kLoginNone, {M(116)}},
      {"security denial, account", R::e_securityDenial, "", 1, kLoginAccount, {M(114, 121)}},
      {"security denial, card", R::e_securityDenial, nullptr, 1, kLoginCard, {M(114, 123)}},
      {"security denial, codes first", R::e_securityDenial, "010101010001", 1, kLoginCard, {M(114, 128)}},
      {"pc to pc reads no codes", R::e_securityDenial, "00", 0, kLoginAccount, {M(114, 121)}},
      {"pc to pc, other reason", R::e_undefinedReason, "00", 0, kLoginAccount, {}},
      {"old software", R::e_undefinedReason, "00", 1, kLoginCard, {M(114, 133)}},
      {"no account", R::e_undefinedReason, "0100", 1, kLoginAccount, {M(114, 131)}},
      {"no such PIN", R::e_undefinedReason, "0100", 1, kLoginCard, {M(114, 123)}},
      {"account expired", R::e_undefinedReason, "01010202", 1, kLoginAccount, {M(114, 126)}},
      {"wrong password", R::e_undefinedReason, "01010100", 1, kLoginAccount, {M(114, 121)}},
      {"password pair unread for cards", R::e_undefinedReason, "01010100", 1, kLoginCard, {}},
      {"no money, account", R::e_undefinedReason, "010101010001", 1, kLoginAccount, {M(114, 132)}},
      {"unknown leading pair", R::e_undefinedReason, "02000000", 1, kLoginAccount, {}},
      {"discovery, no alternate known", R::e_discoveryRequired, "", 1, kLoginAccount, {}},
  };
  for (const Case& c : cases) {
    Service(c.callType, c.mode);
    auto client = Client();
    EXPECT_TRUE(client->OnReceiveRegistrationReject(Reject(c.reason, c.text))) << c.name;
    EXPECT_EQ(Delivered(), c.expected) << c.name;
    EXPECT_EQ(client->GetRegistrationRejectTag(), c.reason) << c.name << ": the stack's handler ran";
    EXPECT_TRUE(profile->m_gatekeeperOverride.IsEmpty()) << c.name;
  }
}

TEST_F(GkClientTest, AlternateFromAConfirmIsTheNextLoginsGatekeeperAfterDiscoveryRequired) {
  using R = H225_RegistrationRejectReason;
  for (bool fromRegistrationConfirm : {false, true}) {
    SCOPED_TRACE(fromRegistrationConfirm ? "RCF" : "GCF");
    Service(1, kLoginAccount);
    profile->m_gatekeeperOverride.Empty();
    auto client = Client();
    if (fromRegistrationConfirm) {
      H225_RegistrationConfirm rcf;
      rcf.IncludeOptionalField(H225_RegistrationConfirm::e_alternateGatekeeper);
      AppendIpv4Alternate(rcf.m_alternateGatekeeper, 192, 168, 7, 9);
      AppendIpv4Alternate(rcf.m_alternateGatekeeper, 10, 0, 0, 1);  // only the first counts
      EXPECT_TRUE(client->OnReceiveRegistrationConfirm(rcf));
    } else {
      H225_GatekeeperConfirm gcf;
      gcf.IncludeOptionalField(H225_GatekeeperConfirm::e_alternateGatekeeper);
      AppendIpv4Alternate(gcf.m_alternateGatekeeper, 192, 168, 7, 9);
      EXPECT_TRUE(client->OnReceiveGatekeeperConfirm(gcf));
      // A later confirm without a list, or naming no IPv4 address, keeps what is known.
      EXPECT_TRUE(client->OnReceiveGatekeeperConfirm(H225_GatekeeperConfirm()));
      H225_GatekeeperConfirm other;
      other.IncludeOptionalField(H225_GatekeeperConfirm::e_alternateGatekeeper);
      other.m_alternateGatekeeper.Append().m_rasAddress.ip6Address();
      EXPECT_TRUE(client->OnReceiveGatekeeperConfirm(other));
    }
    EXPECT_EQ(std::string(client->m_alternateAddress), "192.168.7.9");
    EXPECT_TRUE(Delivered().empty());  // account mode: no balance

    client->OnReceiveRegistrationReject(Reject(R::e_discoveryRequired, "0100"));
    EXPECT_EQ(Delivered(), (std::vector<Got>{M(116), M(108), M(114, 131)}));
    EXPECT_EQ(std::string(owner->overrideAtLogin), "192.168.7.9");
    EXPECT_EQ(std::string(profile->m_gatekeeperOverride), "192.168.7.9");
    EXPECT_TRUE(client->m_alternateAddress.IsEmpty());

    // Used once: a second discovery reject on the same client switches nothing.
    client->OnReceiveRegistrationReject(Reject(R::e_discoveryRequired, ""));
    EXPECT_TRUE(Delivered().empty());
  }
}

TEST_F(GkClientTest, UnregistrationRequestDropsThenLogsInAgainInTheSameMode) {
  for (int mode : {kLoginNone, kLoginAccount, kLoginCard}) {
    Service(1, mode);
    auto client = Client();
    H225_UnregistrationRequest urq;
    EXPECT_TRUE(client->OnReceiveUnregistrationRequest(urq));
    std::vector<Got> expected{M(116)};
    if (mode == kLoginAccount) expected.push_back(M(108));
    if (mode == kLoginCard) expected.push_back(M(109));
    EXPECT_EQ(Delivered(), expected) << "mode " << mode;
  }
}

TEST_F(GkClientTest, AdmissionConfirmPostsTheAvailableSecondsInAnyMode) {
  struct Case {
    const char* text;
    long long seconds;
  } cases[] = {{"3600", 3600}, {"", 0}, {nullptr, 0}, {" 12abc", 12}, {"abc", 0},
               {"-5", -5},     {"99999999999999999999", INT_MAX}};
  Service(0, kLoginNone);
  auto client = Client();
  for (const Case& c : cases) {
    H225_AdmissionConfirm acf;
    WithText(acf, c.text);
    EXPECT_TRUE(client->OnReceiveAdmissionConfirm(acf));
    EXPECT_EQ(Delivered(), (std::vector<Got>{M(111, c.seconds)})) << (c.text ? c.text : "(absent)");
  }
}

TEST_F(GkClientTest, AdmissionRejectPostsOnlyForInvalidPermission) {
  using A = H225_AdmissionRejectReason;
  auto client = Client();
  for (unsigned reason : {A::e_invalidPermission, A::e_calledPartyNotRegistered, A::e_requestDenied}) {
    H225_AdmissionReject arj;
    arj.m_rejectReason.SetTag(reason);
    EXPECT_TRUE(client->OnReceiveAdmissionReject(arj));
    std::vector<Got> expected;
    if (reason == A::e_invalidPermission) expected.push_back(M(115, 129));
    EXPECT_EQ(Delivered(), expected) << reason;
  }
}

TEST_F(GkClientTest, BalanceFromConfirmOrInfoRequestOnlyForServiceCallsWithACard) {
  struct Case {
    int callType, mode;
    bool posts;
  } cases[] = {{1, kLoginCard, true}, {1, kLoginAccount, false}, {0, kLoginCard, false}, {1, kLoginNone, false}};
  for (const Case& c : cases) {
    Service(c.callType, c.mode);
    auto client = Client();
    H225_RegistrationConfirm rcf;
    WithText(rcf, "USD 12.50");
    EXPECT_TRUE(client->OnReceiveRegistrationConfirm(rcf));
    H225_InfoRequest irq;
    WithText(irq, "USD 7.25");
    EXPECT_TRUE(client->OnReceiveInfoRequest(irq));
    std::vector<Got> expected;
    if (c.posts) expected = {M(113, 0, "USD 12.50"), M(113, 0, "USD 7.25")};
    EXPECT_EQ(Delivered(), expected) << c.callType << "/" << c.mode;
  }
  EXPECT_EQ(MessageSystem::Instance().LiveTextCount(), 0u);
}

// --- the real RAS path ---------------------------------------------------------------

H225_RasMessage Decoded(const std::vector<uint8_t>& bytes) {
  H225_RasMessage m;
  EXPECT_TRUE(m.Decode(bytes));
  return m;
}

// The client as the endpoint makes it; `inInfoRequest` is told when the RAS thread has
// entered the info-request hook, which then waits for `release`.
class CTestGatekeeper : public CPhoneGatekeeper {
 public:
  using CPhoneGatekeeper::CPhoneGatekeeper;
  ~CTestGatekeeper() override { Stop(); }
  bool OnReceiveInfoRequest(const H225_InfoRequest& irq) override {
    if (inInfoRequest) inInfoRequest->set_value();
    if (release) release->wait();
    return CPhoneGatekeeper::OnReceiveInfoRequest(irq);
  }
  std::promise<void>* inInfoRequest = nullptr;
  std::shared_future<void>* release = nullptr;
};

class CTestEndPoint : public H323EndPoint {
 public:
  CTestEndPoint(CWnd* owner, CUserProfile* profile) : m_owner(owner), m_profile(profile) {
    SetLocalUserName("02cardalias");
  }
  ~CTestEndPoint() override { RemoveGatekeeper(); }
  H323Gatekeeper* CreateGatekeeper(H323Transport* transport) override {
    auto* client = new CTestGatekeeper(*this, transport, m_owner, m_profile);
    client->SetTiming(ras::RasTiming{std::chrono::milliseconds(500), 2});
    client->inInfoRequest = inInfoRequest;
    client->release = release;
    return client;
  }
  CWnd* m_owner;
  CUserProfile* m_profile;
  std::promise<void>* inInfoRequest = nullptr;
  std::shared_future<void>* release = nullptr;
};

class GkClientRasTest : public GkClientTest {
 protected:
  void SetUp() override {
    GkClientTest::SetUp();
    Service(1, kLoginCard);
    // Confirms carry an alternate gatekeeper and the card's balance.
    gatekeeper.SetScript([this](const H225_RasMessage& request) {
      auto out = gatekeeper.Confirm(request);
      if (out.empty()) return out;
      H225_RasMessage reply = Decoded(out[0]);
      if (reply.GetTag() == H225_RasMessage::e_gatekeeperConfirm) {
        auto& gcf = reply.gatekeeperConfirm();
        gcf.IncludeOptionalField(H225_GatekeeperConfirm::e_alternateGatekeeper);
        AppendIpv4Alternate(gcf.m_alternateGatekeeper, 127, 0, 0, 2);
      } else if (reply.GetTag() == H225_RasMessage::e_registrationConfirm) {
        WithText(reply.registrationConfirm(), "USD 3.00");
      }
      out[0] = EncodeRas(reply);
      return out;
    });
  }
  std::string GatekeeperAddress() const { return "127.0.0.1:" + std::to_string(gatekeeper.Address().port); }
  // Runs the main window's loop until `count` messages have come or a while has passed.
  std::vector<Got> WaitDelivered(size_t count) {
    auto& sys = MessageSystem::Instance();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (owner->got.size() < count && std::chrono::steady_clock::now() < until) {
      sys.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::exchange(owner->got, {});
  }
  void SendInfoRequest(const char* balance) {
    H225_RasMessage msg;
    auto& irq = msg.infoRequest();
    irq.m_requestSeqNum = 900;
    WithText(irq, balance);
    gatekeeper.Send(msg, gatekeeper.LastSender());
  }

  ScriptedGatekeeper gatekeeper;
};

TEST_F(GkClientRasTest, RegisteringOverRasRunsTheHooksAndTheGatekeepersRequestsReachTheWindow) {
  CTestEndPoint ep(owner.get(), profile.get());
  ASSERT_TRUE(ep.SetGatekeeper(PString(GatekeeperAddress())));
  auto* client = dynamic_cast<CPhoneGatekeeper*>(ep.GetGatekeeper());
  ASSERT_NE(client, nullptr);
  EXPECT_EQ(WaitDelivered(1), (std::vector<Got>{M(113, 0, "USD 3.00")}));

  SendInfoRequest("USD 2.00");
  EXPECT_EQ(WaitDelivered(1), (std::vector<Got>{M(113, 0, "USD 2.00")}));

  H225_RasMessage urq;
  urq.unregistrationRequest().m_requestSeqNum = 901;
  gatekeeper.Send(urq, gatekeeper.LastSender());
  EXPECT_EQ(WaitDelivered(2), (std::vector<Got>{M(116), M(109)}));
  // The captured alternate is still there for a discovery reject on this client.
  EXPECT_EQ(std::string(client->m_alternateAddress), "127.0.0.2");
}

TEST_F(GkClientRasTest, RemovingTheClientWhileItsRasThreadIsInTheBalanceHookDoesNotDeadlock) {
  CTestEndPoint ep(owner.get(), profile.get());
  std::promise<void> entered;
  std::promise<void> releasePromise;
  std::shared_future<void> release = releasePromise.get_future().share();
  ep.inInfoRequest = &entered;
  ep.release = &release;
  ASSERT_TRUE(ep.SetGatekeeper(PString(GatekeeperAddress())));
  EXPECT_EQ(WaitDelivered(1).size(), 1u);

  SendInfoRequest("USD 1.00");
  ASSERT_EQ(entered.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  // The hook goes on while this (the main window's) thread is inside the removal, which
  // unregisters and joins the RAS thread without handling any message meanwhile.
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    releasePromise.set_value();
  });
  EXPECT_TRUE(ep.RemoveGatekeeper());
  releaser.join();
  EXPECT_EQ(ep.GetGatekeeper(), nullptr);
  // The balance was queued with its own copy of the text, which outlives the client.
  EXPECT_EQ(Delivered(), (std::vector<Got>{M(113, 0, "USD 1.00")}));
  EXPECT_EQ(MessageSystem::Instance().LiveTextCount(), 0u);
}

}  // namespace
