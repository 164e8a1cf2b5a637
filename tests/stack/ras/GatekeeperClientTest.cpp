// The gatekeeper client against a scripted gatekeeper on loopback: registration with its
// keep-alive, admission, disengage, unregistration both ways, each kind of reject, a
// silent gatekeeper, one that answers garbage, and the H.235 password token.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ScriptedGatekeeper.h"
#include "Tshark.h"
#include "stack/ras/H323Gatekeeper.h"
#include "stack/ras/Md5.h"

using namespace std::chrono_literals;
using ras::RasAddress;

namespace {

constexpr const char* kAlias = "03KOVA/alice";
const RasAddress kLoopbackAnyPort{0x7F000001, 0};

ras::GatekeeperSettings Settings() {
  ras::GatekeeperSettings s;
  s.aliases = {kAlias};
  s.callSignalAddress = RasAddress{0x7F000001, 1721};
  s.vendor.m_vendor.m_t35CountryCode = 38;
  s.vendor.m_vendor.m_manufacturerCode = 4660;
  s.timeToLive = 60;
  s.timing.timeout = 150ms;
  s.timing.retries = 2;
  s.now = [] { return 1700000000u; };
  return s;
}

// Records the hooks it sees and then does what the stack does.
class RecordingGatekeeper : public H323Gatekeeper {
 public:
  explicit RecordingGatekeeper(ras::GatekeeperSettings s = Settings()) : H323Gatekeeper(std::move(s)) {
    std::string error;
    if (!Open(kLoopbackAnyPort, &error)) ADD_FAILURE() << error;
  }
  ~RecordingGatekeeper() override { Stop(); }

  bool OnReceiveRegistrationReject(const H225_RegistrationReject& rrj) override {
    Note(std::string("RRJ ") + rrj.m_rejectReason.GetTagName());
    return H323Gatekeeper::OnReceiveRegistrationReject(rrj);
  }
  bool OnReceiveAdmissionReject(const H225_AdmissionReject& arj) override {
    Note(std::string("ARJ ") + arj.m_rejectReason.GetTagName());
    return H225_RAS::OnReceiveAdmissionReject(arj);
  }
  bool OnReceiveUnregistrationRequest(const H225_UnregistrationRequest& urq) override {
    Note("URQ");
    return H323Gatekeeper::OnReceiveUnregistrationRequest(urq);
  }
  bool OnReceiveInfoRequest(const H225_InfoRequest& irq) override {
    Note("IRQ");
    return H323Gatekeeper::OnReceiveInfoRequest(irq);
  }

  std::vector<std::string> Events() {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
  }

 private:
  void Note(const std::string& e) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(e);
  }
  std::mutex mutex_;
  std::vector<std::string> events_;
};

std::vector<unsigned> Tags(const std::vector<H225_RasMessage>& msgs) {
  std::vector<unsigned> tags;
  for (const auto& m : msgs) tags.push_back(m.GetTag());
  return tags;
}

H225_RasMessage Reply(unsigned tag, unsigned seq) {
  H225_RasMessage m;
  m.SetTag(tag);
  ras::SetSequenceNumber(m, seq);
  return m;
}

TEST(GatekeeperClient, RegistersAfterDiscoveryAndKeepsTheIdentifiers) {
  ScriptedGatekeeper gk(60);
  RecordingGatekeeper client;
  ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
  EXPECT_TRUE(client.IsRegistered());
  EXPECT_EQ(client.GetEndpointIdentifier(), ScriptedGatekeeper::kEndpointId);
  EXPECT_EQ(client.GetGatekeeperIdentifier(), ScriptedGatekeeper::kGatekeeperId);
  EXPECT_EQ(client.GetTimeToLive(), 60u);

  auto got = gk.Received();
  ASSERT_EQ(Tags(got), (std::vector<unsigned>{H225_RasMessage::e_gatekeeperRequest,
                                              H225_RasMessage::e_registrationRequest}));
  const auto& grq = got[0].gatekeeperRequest();
  RasAddress ras;
  ASSERT_TRUE(RasAddress::FromH225(grq.m_rasAddress, ras));
  EXPECT_EQ(ras, client.GetLocalAddress());
  EXPECT_EQ(grq.m_endpointAlias[0].h323_ID().GetValue(), kAlias);
  EXPECT_FALSE(grq.HasOptionalField(H225_GatekeeperRequest::e_cryptoTokens));  // no password

  const auto& rrq = got[1].registrationRequest();
  EXPECT_EQ(rrq.m_protocolIdentifier.AsString(), "0.0.8.2250.0.4");
  EXPECT_NE(rrq.m_requestSeqNum.GetValue(), grq.m_requestSeqNum.GetValue());
  EXPECT_EQ(rrq.m_terminalAlias[0].h323_ID().GetValue(), kAlias);
  EXPECT_EQ(rrq.m_gatekeeperIdentifier.GetValue(), ScriptedGatekeeper::kGatekeeperId);
  EXPECT_FALSE(rrq.m_keepAlive.GetValue());
  EXPECT_EQ(rrq.m_timeToLive.GetValue(), 60);
  ASSERT_TRUE(RasAddress::FromH225(rrq.m_callSignalAddress[0], ras));
  EXPECT_EQ(ras.port, 1721);
}

TEST(GatekeeperClient, SendsAKeepAliveBeforeTheTimeToLiveRunsOut) {
  ScriptedGatekeeper gk(2);
  bool askFull = true;  // the first keep-alive is answered with "full registration required"
  gk.SetScript([&](const H225_RasMessage& req) -> std::vector<std::vector<uint8_t>> {
    if (req.GetTag() == H225_RasMessage::e_registrationRequest &&
        req.registrationRequest().m_keepAlive.GetValue() && askFull) {
      askFull = false;
      auto rrj = Reply(H225_RasMessage::e_registrationReject, ras::GetSequenceNumber(req));
      rrj.registrationReject().m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
      rrj.registrationReject().m_rejectReason.fullRegistrationRequired();
      return {EncodeRas(rrj)};
    }
    return gk.Confirm(req);
  });
  RecordingGatekeeper client;
  ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
  auto registered = std::chrono::steady_clock::now();
  ASSERT_TRUE(gk.WaitForCount(3, 3s));
  auto elapsed = std::chrono::steady_clock::now() - registered;
  EXPECT_LT(elapsed, 2s);  // before the two seconds granted run out
  ASSERT_TRUE(gk.WaitForCount(4, 1s));  // and the full registration asked for
  auto got = gk.Received();
  const auto& keepAlive = got[2].registrationRequest();
  EXPECT_TRUE(keepAlive.m_keepAlive.GetValue());
  EXPECT_EQ(keepAlive.m_endpointIdentifier.GetValue(), ScriptedGatekeeper::kEndpointId);
  EXPECT_FALSE(keepAlive.HasOptionalField(H225_RegistrationRequest::e_terminalAlias));
  const auto& full = got[3].registrationRequest();
  EXPECT_FALSE(full.m_keepAlive.GetValue());
  EXPECT_TRUE(full.HasOptionalField(H225_RegistrationRequest::e_terminalAlias));
  EXPECT_TRUE(client.IsRegistered());
}

TEST(GatekeeperClient, ReportsEachKindOfRegistrationReject) {
  struct Case {
    const char* what;
    unsigned rejectedTag;  // the request the gatekeeper refuses
    unsigned reason;       // RegistrationRejectReason tag (for an RRJ)
    size_t sent;           // requests the client sends in all
  };
  const Case cases[] = {
      {"gatekeeper reject", H225_RasMessage::e_gatekeeperRequest, 0, 1},
      {"duplicate alias", H225_RasMessage::e_registrationRequest,
       H225_RegistrationRejectReason::e_duplicateAlias, 2},
      {"security denial", H225_RasMessage::e_registrationRequest,
       H225_RegistrationRejectReason::e_securityDenial, 2},
      {"discovery required", H225_RasMessage::e_registrationRequest,
       H225_RegistrationRejectReason::e_discoveryRequired, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedGatekeeper gk;
    gk.SetScript([&](const H225_RasMessage& req) -> std::vector<std::vector<uint8_t>> {
      if (req.GetTag() != c.rejectedTag) return gk.Confirm(req);
      unsigned seq = ras::GetSequenceNumber(req);
      if (c.rejectedTag == H225_RasMessage::e_gatekeeperRequest) {
        auto grj = Reply(H225_RasMessage::e_gatekeeperReject, seq);
        grj.gatekeeperReject().m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
        grj.gatekeeperReject().m_rejectReason.resourceUnavailable();
        return {EncodeRas(grj)};
      }
      auto rrj = Reply(H225_RasMessage::e_registrationReject, seq);
      rrj.registrationReject().m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
      rrj.registrationReject().m_rejectReason.SetTag(c.reason);
      return {EncodeRas(rrj)};
    });
    RecordingGatekeeper client;
    EXPECT_FALSE(client.DiscoverAndRegister(gk.Address()));
    EXPECT_FALSE(client.IsRegistered());
    EXPECT_EQ(gk.Received().size(), c.sent);
    if (c.rejectedTag == H225_RasMessage::e_registrationRequest) {
      EXPECT_EQ(client.GetRegistrationRejectTag(), c.reason);
      ASSERT_EQ(client.Events().size(), 1u);
      EXPECT_EQ(client.Events()[0].rfind("RRJ ", 0), 0u);
    }
  }
}

TEST(GatekeeperClient, GivesUpOnASilentGatekeeperAfterItsRetries) {
  ScriptedGatekeeper gk;
  gk.SetScript([](const H225_RasMessage&) { return std::vector<std::vector<uint8_t>>{}; });
  RecordingGatekeeper client;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client.DiscoverAndRegister(gk.Address()));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 3 * 150ms);
  auto got = gk.Received();
  ASSERT_EQ(got.size(), 3u);  // the first try and two retries, all the same request
  for (const auto& m : got) {
    EXPECT_EQ(m.GetTag(), H225_RasMessage::e_gatekeeperRequest);
    EXPECT_EQ(ras::GetSequenceNumber(m), ras::GetSequenceNumber(got[0]));
  }
}

TEST(GatekeeperClient, IgnoresGarbageAndRepliesToOtherRequests) {
  ScriptedGatekeeper gk;
  gk.SetScript([&](const H225_RasMessage& req) -> std::vector<std::vector<uint8_t>> {
    unsigned seq = ras::GetSequenceNumber(req);
    auto confirm = gk.Confirm(req);
    H225_RasMessage stale;
    if (confirm.empty() || !stale.Decode(confirm[0])) return {};
    ras::SetSequenceNumber(stale, seq + 100);  // a reply to a request never made
    std::vector<std::vector<uint8_t>> out = {{0xFF, 0x00, 0x13}, EncodeRas(stale)};
    if (req.GetTag() == H225_RasMessage::e_registrationRequest) {
      auto wrongKind = Reply(H225_RasMessage::e_admissionConfirm, seq);  // right number
      wrongKind.admissionConfirm().m_callModel.direct();
      ras::RasAddress{0x7F000001, 1720}.ToH225(wrongKind.admissionConfirm().m_destCallSignalAddress);
      out.push_back(EncodeRas(wrongKind));
    }
    out.push_back(confirm[0]);
    return out;
  });
  RecordingGatekeeper client;
  EXPECT_TRUE(client.DiscoverAndRegister(gk.Address()));
  EXPECT_EQ(client.GetEndpointIdentifier(), ScriptedGatekeeper::kEndpointId);
  EXPECT_GE(client.GetIgnoredCount(), 5u);

  ScriptedGatekeeper noise;
  noise.SetScript([](const H225_RasMessage&) {
    return std::vector<std::vector<uint8_t>>{{0x00}, {0x42, 0x42, 0x42, 0x42}};
  });
  RecordingGatekeeper believer;
  EXPECT_FALSE(believer.DiscoverAndRegister(noise.Address()));
  EXPECT_EQ(noise.Received().size(), 3u);
}

TEST(GatekeeperClient, RequestInProgressExtendsTheWait) {
  ScriptedGatekeeper gk;
  std::mutex lateMutex;  // the script runs on the gatekeeper's thread
  std::thread late;
  gk.SetScript([&](const H225_RasMessage& req) -> std::vector<std::vector<uint8_t>> {
    if (req.GetTag() != H225_RasMessage::e_registrationRequest) return gk.Confirm(req);
    auto rip = Reply(H225_RasMessage::e_requestInProgress, ras::GetSequenceNumber(req));
    rip.requestInProgress().m_delay = 2000;
    // The confirm comes after the three attempts would have timed out.
    auto confirm = gk.Confirm(req);
    RasAddress to = gk.LastSender();
    std::lock_guard<std::mutex> lock(lateMutex);
    if (late.joinable()) return {};
    late = std::thread([&gk, confirm, to] {
      std::this_thread::sleep_for(700ms);
      H225_RasMessage rcf;
      if (rcf.Decode(confirm[0])) gk.Send(rcf, to);
    });
    return {EncodeRas(rip)};
  });
  RecordingGatekeeper client;
  EXPECT_TRUE(client.DiscoverAndRegister(gk.Address()));
  std::unique_lock<std::mutex> lock(lateMutex);
  std::thread waiting = std::move(late);
  lock.unlock();
  if (waiting.joinable()) waiting.join();
  EXPECT_EQ(gk.Received().size(), 2u);  // no retransmission while the request is in progress
}

TEST(GatekeeperClient, AsksForAdmissionAndDisengages) {
  ScriptedGatekeeper gk;
  std::atomic<bool> refuse{false};
  gk.SetScript([&](const H225_RasMessage& req) -> std::vector<std::vector<uint8_t>> {
    if (req.GetTag() == H225_RasMessage::e_admissionRequest && refuse) {
      auto arj = Reply(H225_RasMessage::e_admissionReject, ras::GetSequenceNumber(req));
      arj.admissionReject().m_rejectReason.invalidPermission();
      return {EncodeRas(arj)};
    }
    return gk.Confirm(req);
  });
  RecordingGatekeeper client;
  ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
  ras::AdmissionParams call;
  call.callReference = 42;
  call.conferenceId = std::string(16, '\x01');
  call.callId = std::string(16, '\x02');
  call.destinationDigits = {"8613800138000"};
  H225_AdmissionConfirm acf;
  EXPECT_EQ(client.AdmissionRequest(call, &acf), H225_RAS::Result::kConfirmed);
  EXPECT_EQ(acf.m_bandWidth.GetValue(), 1280);
  refuse = true;
  EXPECT_EQ(client.AdmissionRequest(call), H225_RAS::Result::kRejected);
  EXPECT_EQ(client.Events(), (std::vector<std::string>{"ARJ invalidPermission"}));

  ras::DisengageParams end;
  end.callReference = 42;
  end.conferenceId = call.conferenceId;
  end.callId = call.callId;
  EXPECT_EQ(client.DisengageRequest(end), H225_RAS::Result::kConfirmed);

  auto got = gk.Received();
  ASSERT_EQ(got.size(), 5u);
  const auto& arq = got[2].admissionRequest();
  EXPECT_EQ(arq.m_endpointIdentifier.GetValue(), ScriptedGatekeeper::kEndpointId);
  EXPECT_EQ(arq.m_destinationInfo[0].dialedDigits().GetValue(), "8613800138000");
  EXPECT_EQ(arq.m_srcInfo[0].h323_ID().GetValue(), kAlias);
  EXPECT_EQ(arq.m_callReferenceValue.GetValue(), 42);
  EXPECT_EQ(arq.m_callIdentifier.m_guid.AsString(), call.callId);
  const auto& drq = got[4].disengageRequest();
  EXPECT_EQ(drq.m_disengageReason.GetTag(), H225_DisengageReason::e_normalDrop);
  EXPECT_EQ(drq.m_conferenceID.AsString(), call.conferenceId);
}

TEST(GatekeeperClient, UnregistersAndAnswersTheGatekeepersRequests) {
  ScriptedGatekeeper gk;
  RecordingGatekeeper client;
  ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
  RasAddress endpoint = gk.LastSender();

  auto irq = Reply(H225_RasMessage::e_infoRequest, 900);
  irq.infoRequest().m_callReferenceValue = 0;
  gk.Send(irq, endpoint);
  ASSERT_TRUE(gk.WaitForCount(3, 1s));
  auto drq = Reply(H225_RasMessage::e_disengageRequest, 901);
  drq.disengageRequest().m_endpointIdentifier = ScriptedGatekeeper::kEndpointId;
  drq.disengageRequest().m_conferenceID.SetValue(std::string(16, '\x01'));
  drq.disengageRequest().m_disengageReason.forcedDrop();
  gk.Send(drq, endpoint);
  ASSERT_TRUE(gk.WaitForCount(4, 1s));
  auto urq = Reply(H225_RasMessage::e_unregistrationRequest, 902);
  ras::RasAddress{0x7F000001, 1721}.ToH225(urq.unregistrationRequest().m_callSignalAddress.Append());
  gk.Send(urq, endpoint);
  ASSERT_TRUE(gk.WaitForCount(5, 1s));

  auto got = gk.Received();
  ASSERT_EQ(got[2].GetTag(), H225_RasMessage::e_infoRequestResponse);
  EXPECT_EQ(got[2].infoRequestResponse().m_requestSeqNum.GetValue(), 900);
  EXPECT_EQ(got[2].infoRequestResponse().m_endpointIdentifier.GetValue(),
            ScriptedGatekeeper::kEndpointId);
  EXPECT_EQ(got[3].GetTag(), H225_RasMessage::e_disengageConfirm);
  EXPECT_EQ(ras::GetSequenceNumber(got[3]), 901u);
  EXPECT_EQ(got[4].GetTag(), H225_RasMessage::e_unregistrationConfirm);
  EXPECT_EQ(ras::GetSequenceNumber(got[4]), 902u);
  EXPECT_FALSE(client.IsRegistered());
  EXPECT_EQ(client.Events(), (std::vector<std::string>{"IRQ", "URQ"}));

  // Registered again, the endpoint unregisters itself.
  ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
  EXPECT_TRUE(client.Unregister());
  EXPECT_FALSE(client.IsRegistered());
  auto last = gk.Received().back();
  ASSERT_EQ(last.GetTag(), H225_RasMessage::e_unregistrationRequest);
  EXPECT_EQ(last.unregistrationRequest().m_endpointIdentifier.GetValue(),
            ScriptedGatekeeper::kEndpointId);
}

// Anyone else on the network, even on the gatekeeper's own host, is not heard: an IRQ
// would draw the alias and password token out of the endpoint, a URQ unregister it.
TEST(GatekeeperClient, AnswersRequestsOnlyFromItsGatekeeper) {
  ScriptedGatekeeper gk;
  ras::GatekeeperSettings settings = Settings();
  settings.password = "secret";
  RecordingGatekeeper client(settings);
  ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
  const RasAddress endpoint = gk.LastSender();

  ScriptedGatekeeper stranger;
  auto irq = Reply(H225_RasMessage::e_infoRequest, 700);
  irq.infoRequest().m_callReferenceValue = 0;
  auto drq = Reply(H225_RasMessage::e_disengageRequest, 701);
  drq.disengageRequest().m_endpointIdentifier = ScriptedGatekeeper::kEndpointId;
  drq.disengageRequest().m_conferenceID.SetValue(std::string(16, '\x01'));
  drq.disengageRequest().m_disengageReason.forcedDrop();
  auto urq = Reply(H225_RasMessage::e_unregistrationRequest, 702);
  ras::RasAddress{0x7F000001, 1721}.ToH225(urq.unregistrationRequest().m_callSignalAddress.Append());
  for (const auto* m : {&irq, &drq, &urq}) stranger.Send(*m, endpoint);
  // The gatekeeper's own IRQ, sent after them, is answered: the others have been handled.
  gk.Send(irq, endpoint);
  ASSERT_TRUE(gk.WaitForCount(3, 1s));
  EXPECT_EQ(gk.Received()[2].GetTag(), H225_RasMessage::e_infoRequestResponse);
  EXPECT_TRUE(stranger.Received().empty());
  EXPECT_TRUE(client.IsRegistered());
  EXPECT_EQ(client.Events(), (std::vector<std::string>{"IRQ"}));
  EXPECT_GE(client.GetIgnoredCount(), 3u);
}

// A third party on another host (127.0.0.2) that has guessed the sequence numbers answers
// each request before the gatekeeper does: its confirm of discovery would make it the
// gatekeeper, its reject would refuse the login, its admission confirm would send the
// call's signalling to it.  None is taken; the gatekeeper's own answers are.
TEST(GatekeeperClient, AnswersFromAnyoneButTheGatekeeperAreNotTaken) {
  ScriptedGatekeeper forger(60, 0x7F000002);  // before the gatekeeper whose script uses it
  ScriptedGatekeeper gk;
  const RasAddress forgedSignalling{0x7F000002, 1720};
  gk.SetScript([&](const H225_RasMessage& req) -> std::vector<std::vector<uint8_t>> {
    const unsigned seq = ras::GetSequenceNumber(req);
    H225_RasMessage forged;
    switch (req.GetTag()) {
      case H225_RasMessage::e_gatekeeperRequest: {
        forged = Reply(H225_RasMessage::e_gatekeeperConfirm, seq);
        auto& gcf = forged.gatekeeperConfirm();
        gcf.m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
        forger.Address().ToH225(gcf.m_rasAddress);
        break;
      }
      case H225_RasMessage::e_registrationRequest: {
        forged = Reply(H225_RasMessage::e_registrationReject, seq);
        forged.registrationReject().m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
        forged.registrationReject().m_rejectReason.securityDenial();
        break;
      }
      case H225_RasMessage::e_admissionRequest: {
        forged = Reply(H225_RasMessage::e_admissionConfirm, seq);
        forged.admissionConfirm().m_bandWidth = 640;
        forged.admissionConfirm().m_callModel.direct();
        forgedSignalling.ToH225(forged.admissionConfirm().m_destCallSignalAddress);
        break;
      }
      default:
        return gk.Confirm(req);
    }
    forger.Send(forged, gk.LastSender());  // it arrives first
    return gk.Confirm(req);
  });
  RecordingGatekeeper client;
  ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
  EXPECT_TRUE(client.IsRegistered());
  EXPECT_EQ(client.GetEndpointIdentifier(), ScriptedGatekeeper::kEndpointId);
  EXPECT_TRUE(client.Events().empty());  // no reject reached the hooks
  ras::AdmissionParams call;
  call.callReference = 7;
  call.conferenceId = std::string(16, '\x01');
  call.callId = std::string(16, '\x02');
  call.destinationDigits = {"5551234"};
  H225_AdmissionConfirm acf;
  ASSERT_EQ(client.AdmissionRequest(call, &acf), H225_RAS::Result::kConfirmed);
  RasAddress signalling;
  ASSERT_TRUE(RasAddress::FromH225(acf.m_destCallSignalAddress, signalling));
  EXPECT_EQ(signalling, (RasAddress{0x7F000001, 1720}));
  EXPECT_EQ(acf.m_bandWidth.GetValue(), 1280);
  EXPECT_TRUE(forger.Received().empty());  // the RRQ and its token went to the gatekeeper
  EXPECT_EQ(Tags(gk.Received()),
            (std::vector<unsigned>{H225_RasMessage::e_gatekeeperRequest, H225_RasMessage::e_registrationRequest,
                                   H225_RasMessage::e_admissionRequest}));
  EXPECT_GE(client.GetIgnoredCount(), 3u);
}

// Runs `request` and waits for its end, well past the request's own bound; a request that
// is still held then is stopped by closing the channel.
H225_RAS::Result RequestWithin(RecordingGatekeeper& client, std::function<H225_RAS::Result()> request) {
  auto running = std::async(std::launch::async, std::move(request));
  if (running.wait_for(10s) != std::future_status::ready) {
    ADD_FAILURE() << "the request was still held after 10 s";
    client.Stop();
  }
  return running.get();
}

ras::AdmissionParams SomeCall() {
  ras::AdmissionParams call;
  call.callReference = 8;
  call.conferenceId = std::string(16, '\x03');
  call.callId = std::string(16, '\x04');
  call.destinationDigits = {"5551234"};
  return call;
}

// The longest RequestInProgress says "wait for a minute": from another host it changes
// nothing (the request is sent again and times out as if it had not come); from the
// gatekeeper it holds the request no longer than the bound.
TEST(GatekeeperClient, RequestInProgressHoldsARequestOnlyFromTheGatekeeperAndOnlyForABound) {
  for (const bool fromGatekeeper : {false, true}) {
    SCOPED_TRACE(fromGatekeeper ? "from the gatekeeper" : "from another host");
    ScriptedGatekeeper forger(0, 0x7F000002);
    ScriptedGatekeeper gk;
    gk.SetScript([&](const H225_RasMessage& req) -> std::vector<std::vector<uint8_t>> {
      if (req.GetTag() != H225_RasMessage::e_admissionRequest) return gk.Confirm(req);
      auto rip = Reply(H225_RasMessage::e_requestInProgress, ras::GetSequenceNumber(req));
      rip.requestInProgress().m_delay = 65535;
      if (fromGatekeeper) return {EncodeRas(rip)};
      forger.Send(rip, gk.LastSender());
      return {};  // the gatekeeper itself stays silent
    });
    ras::GatekeeperSettings settings = Settings();
    settings.timing.inProgressLimit = 300ms;
    RecordingGatekeeper client(settings);
    ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
    EXPECT_EQ(RequestWithin(client, [&] { return client.AdmissionRequest(SomeCall()); }),
              H225_RAS::Result::kTimedOut);
    // Held, the request goes out once; not held, it goes out again after each time-out.
    EXPECT_EQ(gk.CountReceived(H225_RasMessage::e_admissionRequest), fromGatekeeper ? 1u : 3u);
  }
}

// A confirm of discovery (forged from the gatekeeper's own address, or a gatekeeper set up
// wrongly) that names another host's RAS address does not move the registration there;
// another port of the gatekeeper's host does.
TEST(GatekeeperClient, DiscoveryNeverSendsTheRegistrationToAnotherHost) {
  ScriptedGatekeeper forger(0, 0x7F000002);
  ScriptedGatekeeper sameHost;  // another port of the gatekeeper's host
  ScriptedGatekeeper gk;
  for (const ScriptedGatekeeper* named : {&forger, &sameHost}) {
    gk.SetScript([&gk, named](const H225_RasMessage& req) -> std::vector<std::vector<uint8_t>> {
      if (req.GetTag() != H225_RasMessage::e_gatekeeperRequest) return gk.Confirm(req);
      H225_RasMessage gcf;
      if (!gcf.Decode(gk.Confirm(req)[0])) return {};
      named->Address().ToH225(gcf.gatekeeperConfirm().m_rasAddress);
      return {EncodeRas(gcf)};
    });
    RecordingGatekeeper client;
    ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
    EXPECT_EQ(client.GetRemoteAddress(), named == &forger ? gk.Address() : sameHost.Address());
  }
  EXPECT_TRUE(forger.Received().empty());
  EXPECT_EQ(sameHost.CountReceived(H225_RasMessage::e_registrationRequest), 1u);
  EXPECT_EQ(gk.CountReceived(H225_RasMessage::e_registrationRequest), 1u);
}

TEST(RasReplies, TakenOnlyFromWhereTheRequestWentUnlessItWasMulticast) {
  const RasAddress gatekeeper{0x0A000001, 1719};
  const RasAddress multicast{0xE0000129, 1718};  // 224.0.1.41, the gatekeepers' discovery group
  struct Case {
    RasAddress to, from;
    bool taken;
  };
  const Case cases[] = {
      {gatekeeper, gatekeeper, true},
      {gatekeeper, RasAddress{0x0A000001, 1720}, false},  // another port of the same host
      {gatekeeper, RasAddress{0x0A000002, 1719}, false},
      {multicast, RasAddress{0x0A000002, 1719}, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ras::AcceptsReplyFrom(c.to, c.from), c.taken) << c.to.ToString() << " " << c.from.ToString();
  }
  struct Registration {
    RasAddress asked, from, named, expected;
  };
  const RasAddress elsewhere{0x0A000009, 1719};
  const Registration registrations[] = {
      {gatekeeper, gatekeeper, gatekeeper, gatekeeper},
      {gatekeeper, gatekeeper, RasAddress{0x0A000001, 2719}, RasAddress{0x0A000001, 2719}},
      {gatekeeper, gatekeeper, elsewhere, gatekeeper},
      {gatekeeper, gatekeeper, RasAddress{}, gatekeeper},
      {multicast, gatekeeper, elsewhere, elsewhere},
      {multicast, gatekeeper, RasAddress{}, gatekeeper},
      {multicast, gatekeeper, multicast, gatekeeper},
  };
  for (const Registration& r : registrations) {
    EXPECT_EQ(ras::RegistrationAddress(r.asked, r.from, r.named), r.expected)
        << r.asked.ToString() << " " << r.named.ToString();
  }
}

// Every login used to start at 1: the numbers of a pending request were known to anyone.
TEST(GatekeeperClient, EachClientNumbersItsRequestsFromARandomStart) {
  ScriptedGatekeeper gk;
  std::set<unsigned> first;
  for (int i = 0; i < 3; ++i) {
    RecordingGatekeeper client;
    ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
  }
  const auto got = gk.Received();
  ASSERT_EQ(got.size(), 6u);
  for (size_t i = 0; i < got.size(); i += 2) {
    const unsigned grq = ras::GetSequenceNumber(got[i]);
    EXPECT_EQ(ras::GetSequenceNumber(got[i + 1]), grq == 65535 ? 1u : grq + 1);  // then one by one
    first.insert(grq);
  }
  EXPECT_GE(first.size(), 2u);
}

TEST(GatekeeperClient, SignsRequestsWithThePasswordHash) {
  struct Case {
    ras::PasswordHashVariant variant;
    const char* md5;  // of the clear token's encoding, as erlang's codec encodes it
  };
  const Case cases[] = {
      {ras::PasswordHashVariant::kWithAliasNul, "234f53a251a23da23d64d9cb926a1955"},  // the default
      {ras::PasswordHashVariant::kWithAlias, "4e8231d3c7ecd206e3cfa3a5c5ad0ea7"},
      {ras::PasswordHashVariant::kWithoutAlias, "de7b012c61a79318c0134dfe57f834c7"},
  };
  for (const auto& c : cases) {
    ScriptedGatekeeper gk;
    auto settings = Settings();
    settings.password = "secret";
    settings.hashVariant = c.variant;
    RecordingGatekeeper client(settings);
    ASSERT_TRUE(client.DiscoverAndRegister(gk.Address()));
    for (const auto& m : gk.Received()) {
      const H225_ArrayOf_CryptoH323Token& tokens =
          m.GetTag() == H225_RasMessage::e_gatekeeperRequest ? m.gatekeeperRequest().m_cryptoTokens
                                                             : m.registrationRequest().m_cryptoTokens;
      ASSERT_EQ(tokens.GetSize(), 1u);
      const auto& hash = tokens[0].cryptoEPPwdHash();
      EXPECT_EQ(hash.m_alias.h323_ID().GetValue(), kAlias);
      EXPECT_EQ(hash.m_timeStamp.GetValue(), 1700000000);
      EXPECT_EQ(hash.m_token.m_algorithmOID.AsString(), "1.2.840.113549.2.5");
      std::string hex;
      for (uint8_t b : hash.m_token.m_hash.GetData()) {
        static const char kHex[] = "0123456789abcdef";
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
      }
      EXPECT_EQ(hash.m_token.m_hash.GetSize(), 128u);
      EXPECT_EQ(hex, c.md5);
    }
  }
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string hex;
  for (uint8_t b : bytes) {
    static const char kHex[] = "0123456789abcdef";
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  return hex;
}

// The clear token as written out by hand in aligned PER: the preamble (no extension;
// timeStamp, password, generalID present), tokenOID 0.0, the time stamp less one in four
// octets, then each BMPString as its length less one in 7 bits and its characters.
std::vector<uint8_t> HandEncodedClearToken(const std::string& alias, const std::string& password, uint32_t stamp,
                                           bool withNul) {
  std::vector<uint8_t> out{0x61, 0x00, 0x01, 0x00, 0xC0};
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>((stamp - 1) >> shift));
  for (std::string text : {password, alias}) {
    if (withNul) text += '\0';
    out.push_back(static_cast<uint8_t>((text.size() - 1) << 1));
    for (char c : text) {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(c));
    }
  }
  return out;
}

TEST(PasswordToken, ClearTokenEncodingAndDigestMatchHandComputedVectors) {
  struct Case {
    ras::PasswordHashVariant variant;
    const char* encoding;
    const char* md5;
  };
  const Case cases[] = {
      {ras::PasswordHashVariant::kWithAliasNul,
       "61000100c06553f0ff0c00730065006300720065007400001800300033004b004f00560041002f0061006c0069006300650000",
       "234f53a251a23da23d64d9cb926a1955"},
      {ras::PasswordHashVariant::kWithAlias,
       "61000100c06553f0ff0a0073006500630072006500741600300033004b004f00560041002f0061006c006900630065",
       "4e8231d3c7ecd206e3cfa3a5c5ad0ea7"},
      {ras::PasswordHashVariant::kWithoutAlias, "60000100c06553f0ff0a007300650063007200650074",
       "de7b012c61a79318c0134dfe57f834c7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.encoding);
    std::vector<uint8_t> encoded;
    ASSERT_TRUE(ras::HashedClearToken(kAlias, "secret", 1700000000u, c.variant).Encode(encoded));
    EXPECT_EQ(Hex(encoded), c.encoding);
    const auto digest = ras::Md5(encoded);
    EXPECT_EQ(Hex(std::vector<uint8_t>(digest.begin(), digest.end())), c.md5);
  }
  EXPECT_EQ(Hex(HandEncodedClearToken(kAlias, "secret", 1700000000u, true)), cases[0].encoding);
  EXPECT_EQ(Hex(HandEncodedClearToken(kAlias, "secret", 1700000000u, false)), cases[1].encoding);
  EXPECT_EQ(ras::GatekeeperSettings().hashVariant, ras::PasswordHashVariant::kWithAliasNul);
}

// A gatekeeper that checks the MD5 token as most gatekeepers do (password and generalID
// ending in NUL) admits the right password with the default settings and refuses a wrong
// one with securityDenial; tshark reads the whole exchange.
TEST(PasswordToken, GatekeeperCheckingTheNulConventionAcceptsTheDefaultToken) {
  for (const char* password : {"secret", "wrong"}) {
    SCOPED_TRACE(password);
    ScriptedGatekeeper gk(60);
    std::mutex mutex;
    std::vector<std::vector<uint8_t>> replies;
    gk.SetScript([&](const H225_RasMessage& req) -> std::vector<std::vector<uint8_t>> {
      bool verified = false;
      const H225_ArrayOf_CryptoH323Token* tokens =
          req.GetTag() == H225_RasMessage::e_gatekeeperRequest      ? &req.gatekeeperRequest().m_cryptoTokens
          : req.GetTag() == H225_RasMessage::e_registrationRequest ? &req.registrationRequest().m_cryptoTokens
                                                                    : nullptr;
      for (size_t i = 0; tokens != nullptr && i < tokens->GetSize(); ++i) {
        if ((*tokens)[i].GetTag() != H225_CryptoH323Token::e_cryptoEPPwdHash) continue;
        const auto& hash = (*tokens)[i].cryptoEPPwdHash();
        const auto digest = ras::Md5(HandEncodedClearToken(
            hash.m_alias.h323_ID().GetValue(), "secret", static_cast<uint32_t>(hash.m_timeStamp.GetValue()), true));
        verified = verified || hash.m_token.m_hash.GetData() == std::vector<uint8_t>(digest.begin(), digest.end());
      }
      std::vector<std::vector<uint8_t>> answer;
      if (req.GetTag() == H225_RasMessage::e_registrationRequest && !verified) {
        auto rrj = Reply(H225_RasMessage::e_registrationReject, ras::GetSequenceNumber(req));
        rrj.registrationReject().m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
        rrj.registrationReject().m_rejectReason.securityDenial();
        answer = {EncodeRas(rrj)};
      } else {
        answer = gk.Confirm(req);
      }
      std::lock_guard lock(mutex);
      replies.insert(replies.end(), answer.begin(), answer.end());
      return answer;
    });
    auto settings = Settings();  // the default hash variant
    settings.password = password;
    RecordingGatekeeper client(settings);
    const bool right = std::string(password) == "secret";
    EXPECT_EQ(client.DiscoverAndRegister(gk.Address()), right);
    EXPECT_EQ(client.IsRegistered(), right);
    if (!right) {
      EXPECT_EQ(client.Events(), (std::vector<std::string>{"RRJ securityDenial"}));
    }

    if (!testing_tools::TsharkAvailable()) continue;
    std::vector<std::vector<uint8_t>> exchange = gk.ReceivedOctets();
    {
      std::lock_guard lock(mutex);
      exchange.insert(exchange.end(), replies.begin(), replies.end());
    }
    std::multiset<std::string> kinds;
    const auto decoded = testing_tools::TsharkDecodeAll(exchange, testing_tools::Transport::kUdp, 1719, 1719,
                                                        {"h225.RasMessage", "h225.timeStamp"});
    ASSERT_EQ(decoded.size(), exchange.size());
    for (const auto& t : decoded) {
      ASSERT_EQ(t.error, "");
      EXPECT_FALSE(t.malformed);
      EXPECT_TRUE(t.expert.empty());
      kinds.insert(t.Get("h225.RasMessage"));
    }
    // GRQ, GCF, RRQ and an RCF or RRJ.
    EXPECT_EQ(kinds, (std::multiset<std::string>{"0", "1", "3", right ? "4" : "5"}));
  }
}

TEST(Md5, MatchesTheReferenceDigests) {
  struct Case {
    std::string text;
    const char* digest;
  };
  const Case cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
      {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},  // padding fits one block
      {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},  // padding needs a second
      {std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
  };
  for (const auto& c : cases) {
    auto d = ras::Md5(c.text);
    std::string hex;
    for (uint8_t b : d) {
      static const char kHex[] = "0123456789abcdef";
      hex += kHex[b >> 4];
      hex += kHex[b & 15];
    }
    EXPECT_EQ(hex, c.digest) << c.text.size() << " characters";
  }
}

}  // namespace
