// An endpoint with a gatekeeper on loopback: it registers under its alias and password
// through the client its factory makes, unregisters when the gatekeeper is removed, gives
// up on a gatekeeper that refuses or never answers, and has its calls admitted (ARQ) and
// disengaged (DRQ), a reject ending the call with the gatekeeper's reason.

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <map>

#include "CallFixture.h"
#include "ScriptedGatekeeper.h"
#include "Tshark.h"
#include "stack/h323/H323Vendor.h"
#include "stack/h323/H323Transport.h"
#include "stack/ras/H323Gatekeeper.h"

namespace h323test {
namespace {

constexpr const char* kAlias = "03KOVA/alice";
constexpr const char* kPassword = "secret";

H225_RasMessage Reply(unsigned tag, const H225_RasMessage& request) {
  H225_RasMessage m;
  m.SetTag(tag);
  ras::SetSequenceNumber(m, ras::GetSequenceNumber(request));
  return m;
}

std::vector<const H225_RasMessage*> OfKind(const std::vector<H225_RasMessage>& all, unsigned tag) {
  std::vector<const H225_RasMessage*> found;
  for (const auto& m : all)
    if (m.GetTag() == tag) found.push_back(&m);
  return found;
}

// What the clients of one endpoint noted.
struct Notes {
  std::mutex mutex;
  std::vector<std::string> seen;
  std::atomic<int> alive{0};
};

// A client as the application derives it: it notes its hooks and lives as long as the
// endpoint keeps it.
class NotingGatekeeper : public H323Gatekeeper {
 public:
  NotingGatekeeper(H323EndPoint& endpoint, H323Transport* transport, Notes& notes)
      : H323Gatekeeper(endpoint, transport), m_notes(notes) {
    SetTiming(ras::RasTiming{std::chrono::milliseconds(150), 2});
    ++m_notes.alive;
  }
  ~NotingGatekeeper() override {
    Stop();
    --m_notes.alive;
  }
  bool OnReceiveGatekeeperConfirm(const H225_GatekeeperConfirm& gcf) override {
    Note("GCF");
    return H323Gatekeeper::OnReceiveGatekeeperConfirm(gcf);
  }
  bool OnReceiveRegistrationConfirm(const H225_RegistrationConfirm& rcf) override {
    Note("RCF");
    return H323Gatekeeper::OnReceiveRegistrationConfirm(rcf);
  }
  bool OnReceiveAdmissionConfirm(const H225_AdmissionConfirm& acf) override {
    Note("ACF");
    return H323Gatekeeper::OnReceiveAdmissionConfirm(acf);
  }
  bool OnReceiveAdmissionReject(const H225_AdmissionReject& arj) override {
    Note("ARJ");
    return H225_RAS::OnReceiveAdmissionReject(arj);
  }

 private:
  void Note(const char* what) {
    std::lock_guard lock(m_notes.mutex);
    m_notes.seen.push_back(what);
  }
  Notes& m_notes;
};

class GatekeeperEndPoint : public TestEndPoint {
 public:
  explicit GatekeeperEndPoint(const char* alias) : TestEndPoint(alias) { Listen(); }
  ~GatekeeperEndPoint() override {
    RemoveGatekeeper();
    Quiesce();
  }

  H323Gatekeeper* CreateGatekeeper(H323Transport* transport) override {
    return new NotingGatekeeper(*this, transport, m_notes);
  }
  std::vector<std::string> Seen() {
    std::lock_guard lock(m_notes.mutex);
    return m_notes.seen;
  }
  int Alive() const { return m_notes.alive; }

 private:
  Notes m_notes;
};

PString AddressOf(const ScriptedGatekeeper& gk) { return PString(gk.Address().ToString()); }

TEST(EndPointGatekeeper, RegistersUnderItsAliasAndPasswordAndUnregistersWhenRemoved) {
  ScriptedGatekeeper gk;
  GatekeeperEndPoint ep(kAlias);
  ep.SetGatekeeperPassword(kPassword);
  ASSERT_TRUE(ep.SetGatekeeper(AddressOf(gk)));
  EXPECT_TRUE(ep.IsRegistered());
  ASSERT_NE(dynamic_cast<NotingGatekeeper*>(ep.GetGatekeeper()), nullptr);
  EXPECT_EQ(ep.GetGatekeeper()->GetEndpointIdentifier(), ScriptedGatekeeper::kEndpointId);
  EXPECT_EQ(ep.Seen(), (std::vector<std::string>{"GCF", "RCF"}));

  const auto got = gk.Received();
  ASSERT_EQ(got.size(), 2u);
  const auto& rrq = got[1].registrationRequest();
  EXPECT_EQ(rrq.m_protocolIdentifier.AsString(), "0.0.8.2250.0.4");
  ASSERT_EQ(rrq.m_terminalAlias.GetSize(), 1u);
  EXPECT_EQ(rrq.m_terminalAlias[0].h323_ID().GetValue(), kAlias);
  // Calls reach us at the listener on the interface that leads to the gatekeeper.
  ras::RasAddress signal, rasAddress;
  ASSERT_TRUE(ras::RasAddress::FromH225(rrq.m_callSignalAddress[0], signal));
  EXPECT_EQ(signal, (ras::RasAddress{TcpAddress::kLoopback, ep.GetListenerPort()}));
  ASSERT_TRUE(ras::RasAddress::FromH225(rrq.m_rasAddress[0], rasAddress));
  EXPECT_EQ(rasAddress.ip, TcpAddress::kLoopback);
  EXPECT_EQ(rasAddress, gk.LastSender());
  // The password token hashes this alias and password at the stamped time.
  for (const auto& m : got) {
    const auto& tokens = m.GetTag() == H225_RasMessage::e_gatekeeperRequest ? m.gatekeeperRequest().m_cryptoTokens
                                                                           : m.registrationRequest().m_cryptoTokens;
    ASSERT_EQ(tokens.GetSize(), 1u);
    const auto& hash = tokens[0].cryptoEPPwdHash();
    EXPECT_EQ(hash.m_alias.h323_ID().GetValue(), kAlias);
    H225_CryptoH323Token expected;
    ASSERT_TRUE(ras::MakePasswordToken(kAlias, kPassword, static_cast<uint32_t>(hash.m_timeStamp.GetValue()),
                                       ras::PasswordHashVariant::kWithAliasNul, expected));
    EXPECT_EQ(hash.m_token.m_hash.GetData(), expected.cryptoEPPwdHash().m_token.m_hash.GetData());
  }

  EXPECT_TRUE(ep.RemoveGatekeeper());
  EXPECT_FALSE(ep.IsRegistered());
  EXPECT_EQ(ep.GetGatekeeper(), nullptr);
  EXPECT_EQ(ep.Alive(), 0);
  const auto after = gk.Received();
  ASSERT_EQ(after.size(), 3u);
  ASSERT_EQ(after[2].GetTag(), H225_RasMessage::e_unregistrationRequest);
  EXPECT_EQ(after[2].unregistrationRequest().m_endpointIdentifier.GetValue(), ScriptedGatekeeper::kEndpointId);
  EXPECT_FALSE(ep.RemoveGatekeeper());  // nothing left to remove
}

TEST(EndPointGatekeeper, GivesUpOnAGatekeeperThatRefusesOrNeverAnswersAndDeletesTheClient) {
  struct Case {
    const char* name;
    ScriptedGatekeeper::Script script;
  };
  const Case cases[] = {
      {"silent", [](const H225_RasMessage&) { return std::vector<std::vector<uint8_t>>{}; }},
      {"discovery refused",
       [](const H225_RasMessage& req) {
         auto grj = Reply(H225_RasMessage::e_gatekeeperReject, req);
         grj.gatekeeperReject().m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
         grj.gatekeeperReject().m_rejectReason.resourceUnavailable();
         return std::vector<std::vector<uint8_t>>{EncodeRas(grj)};
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedGatekeeper gk;
    gk.SetScript(c.script);
    GatekeeperEndPoint ep(kAlias);
    EXPECT_FALSE(ep.SetGatekeeper(AddressOf(gk)));
    EXPECT_FALSE(ep.IsRegistered());
    EXPECT_EQ(ep.GetGatekeeper(), nullptr);
    EXPECT_EQ(ep.Alive(), 0);
  }
  GatekeeperEndPoint ep(kAlias);
  for (const char* bad : {"", "127.0.0.1:", "127.0.0.1:70000", "127.0.0.1:x"}) {
    EXPECT_FALSE(ep.SetGatekeeper(bad)) << bad;
  }
}

TEST(EndPointGatekeeper, RemovingTheGatekeeperDuringRegistrationEndsItSafely) {
  ScriptedGatekeeper gk;
  gk.SetScript([](const H225_RasMessage&) { return std::vector<std::vector<uint8_t>>{}; });
  GatekeeperEndPoint ep(kAlias);
  auto registering = std::async(std::launch::async, [&] { return ep.SetGatekeeper(AddressOf(gk)); });
  ASSERT_TRUE(gk.WaitForCount(1, 2000ms));
  EXPECT_TRUE(ep.RemoveGatekeeper());
  ASSERT_EQ(registering.wait_for(2000ms), std::future_status::ready);
  EXPECT_FALSE(registering.get());
  EXPECT_EQ(ep.GetGatekeeper(), nullptr);
  EXPECT_EQ(ep.Alive(), 0);
}

// A gatekeeper that knows the listeners of its endpoints by number.
class Directory {
 public:
  explicit Directory(ScriptedGatekeeper& gk) : m_gk(gk) {
    gk.SetScript([this](const H225_RasMessage& req) { return Answer(req); });
  }
  void Add(const std::string& number, uint16_t port) {
    std::lock_guard lock(m_mutex);
    m_numbers[number] = port;
  }
  std::atomic<unsigned> admissionReject{asn::Choice::kNoTag};  // set: every ARQ is refused so

 private:
  std::vector<std::vector<uint8_t>> Answer(const H225_RasMessage& req) {
    if (req.GetTag() != H225_RasMessage::e_admissionRequest) return m_gk.Confirm(req);
    if (admissionReject != asn::Choice::kNoTag) {
      auto arj = Reply(H225_RasMessage::e_admissionReject, req);
      arj.admissionReject().m_rejectReason.SetTag(admissionReject);
      return {EncodeRas(arj)};
    }
    auto acf = Reply(H225_RasMessage::e_admissionConfirm, req);
    acf.admissionConfirm().m_bandWidth = req.admissionRequest().m_bandWidth.GetValue();
    acf.admissionConfirm().m_callModel.direct();
    ras::RasAddress destination{TcpAddress::kLoopback, 0};
    const auto& arq = req.admissionRequest();
    if (arq.HasOptionalField(H225_AdmissionRequest::e_destCallSignalAddress))
      ras::RasAddress::FromH225(arq.m_destCallSignalAddress, destination);
    std::lock_guard lock(m_mutex);
    if (!arq.m_answerCall.GetValue() && arq.HasOptionalField(H225_AdmissionRequest::e_destinationInfo)) {
      for (size_t i = 0; i < arq.m_destinationInfo.GetSize(); ++i) {
        const auto& alias = arq.m_destinationInfo[i];
        if (alias.GetTag() != H225_AliasAddress::e_dialedDigits) continue;
        auto it = m_numbers.find(alias.dialedDigits().GetValue());
        if (it != m_numbers.end()) destination.port = it->second;
      }
    }
    destination.ToH225(acf.admissionConfirm().m_destCallSignalAddress);
    return {EncodeRas(acf)};
  }

  ScriptedGatekeeper& m_gk;
  std::mutex m_mutex;
  std::map<std::string, uint16_t> m_numbers;
};

TEST(EndPointGatekeeper, RegisteredEndpointsCallByNumberWithAdmissionAndDisengage) {
  ScriptedGatekeeper gk;
  Directory directory(gk);
  GatekeeperEndPoint alice("alice"), bob("bob");
  directory.Add("2002", bob.GetListenerPort());
  ASSERT_TRUE(alice.SetGatekeeper(AddressOf(gk)));
  ASSERT_TRUE(bob.SetGatekeeper(AddressOf(gk)));

  PString token;
  ASSERT_NE(alice.MakeCall("2002", token), nullptr);
  ASSERT_TRUE(alice.WaitEstablished());
  ASSERT_TRUE(bob.WaitEstablished());
  EXPECT_TRUE(alice.ClearCallSynchronous(token));
  ASSERT_TRUE(bob.WaitAnyCleared().has_value());
  // Both ends' DRQs have gone out once the calls are reported cleared.
  ASSERT_TRUE(gk.WaitForCount(4 + 2 + 2, 3000ms));

  const auto got = gk.Received();
  const auto arqs = OfKind(got, H225_RasMessage::e_admissionRequest);
  const auto drqs = OfKind(got, H225_RasMessage::e_disengageRequest);
  ASSERT_EQ(arqs.size(), 2u);
  ASSERT_EQ(drqs.size(), 2u);
  const auto& out = arqs[0]->admissionRequest();
  const auto& in = arqs[1]->admissionRequest();
  EXPECT_FALSE(out.m_answerCall.GetValue());
  EXPECT_TRUE(in.m_answerCall.GetValue());
  ASSERT_TRUE(out.HasOptionalField(H225_AdmissionRequest::e_destinationInfo));
  EXPECT_EQ(out.m_destinationInfo[0].dialedDigits().GetValue(), "2002");
  EXPECT_EQ(in.m_callIdentifier.m_guid.GetValue(), out.m_callIdentifier.m_guid.GetValue());
  int answered = 0;
  for (const auto* m : drqs) {
    const auto& drq = m->disengageRequest();
    EXPECT_EQ(drq.m_callIdentifier.m_guid.GetValue(), out.m_callIdentifier.m_guid.GetValue());
    answered += drq.m_answeredCall.GetValue() ? 1 : 0;
  }
  EXPECT_EQ(answered, 1);
  EXPECT_EQ(alice.Seen(), (std::vector<std::string>{"GCF", "RCF", "ACF"}));
}

std::vector<std::string> H323Ids(const H225_ArrayOf_AliasAddress& aliases) {
  std::vector<std::string> ids;
  for (size_t i = 0; i < aliases.GetSize(); ++i)
    if (aliases[i].GetTag() == H225_AliasAddress::e_h323_ID) ids.push_back(aliases[i].h323_ID().GetValue());
  return ids;
}

// tshark reads every RAS message cleanly; the values of `field`, one entry per message.
std::vector<std::string> ExpectCleanRas(const std::vector<std::vector<uint8_t>>& messages, const std::string& field) {
  const auto decoded =
      testing_tools::TsharkDecodeAll(messages, testing_tools::Transport::kUdp, 1719, 1719, {field});
  std::vector<std::string> values;
  EXPECT_EQ(decoded.size(), messages.size()) << (decoded.empty() ? "" : decoded[0].error);
  for (const auto& t : decoded) {
    EXPECT_EQ(t.error, "");
    EXPECT_FALSE(t.malformed);
    EXPECT_TRUE(t.expert.empty());
    std::string joined;
    for (const auto& v : t.All(field)) joined += (joined.empty() ? "" : ",") + v;
    values.push_back(joined);
  }
  values.resize(messages.size());
  return values;
}

// The answering endpoint's ARQ names the caller as the source and itself as the
// destination, and every registration carries this product's vendor identifier.
TEST(EndPointGatekeeper, AnsweringAdmissionNamesTheCallerAndRequestsCarryOurVendor) {
  ScriptedGatekeeper gk;
  Directory directory(gk);
  GatekeeperEndPoint alice("alice"), bob("bob");
  directory.Add("2002", bob.GetListenerPort());
  ASSERT_TRUE(alice.SetGatekeeper(AddressOf(gk)));
  ASSERT_TRUE(bob.SetGatekeeper(AddressOf(gk)));
  PString token;
  ASSERT_NE(alice.MakeCall("2002", token), nullptr);
  ASSERT_TRUE(bob.WaitEstablished());

  const auto got = gk.Received();
  const auto arqs = OfKind(got, H225_RasMessage::e_admissionRequest);
  ASSERT_EQ(arqs.size(), 2u);
  const auto& answering = arqs[1]->admissionRequest();
  ASSERT_TRUE(answering.m_answerCall.GetValue());
  EXPECT_EQ(H323Ids(answering.m_srcInfo), (std::vector<std::string>{"alice"}));
  ASSERT_TRUE(answering.HasOptionalField(H225_AdmissionRequest::e_destinationInfo));
  EXPECT_EQ(H323Ids(answering.m_destinationInfo), (std::vector<std::string>{"bob"}));
  ASSERT_TRUE(answering.HasOptionalField(H225_AdmissionRequest::e_srcCallSignalAddress));
  EXPECT_EQ(H323Ids(arqs[0]->admissionRequest().m_srcInfo), (std::vector<std::string>{"alice"}));

  const auto rrqs = OfKind(got, H225_RasMessage::e_registrationRequest);
  ASSERT_EQ(rrqs.size(), 2u);
  for (const auto* m : rrqs) {
    const auto& rrq = m->registrationRequest();
    for (const H225_VendorIdentifier* vendor : {&rrq.m_endpointVendor, &rrq.m_terminalType.m_vendor}) {
      EXPECT_EQ(vendor->m_vendor.m_t35CountryCode.GetValue(), kVarloT35CountryCode);
      EXPECT_EQ(vendor->m_vendor.m_t35Extension.GetValue(), kVarloT35Extension);
      EXPECT_EQ(vendor->m_vendor.m_manufacturerCode.GetValue(), kVarloManufacturerCode);
      ASSERT_TRUE(vendor->HasOptionalField(H225_VendorIdentifier::e_productId));
      const auto& product = vendor->m_productId.GetValue();
      EXPECT_EQ(std::string(product.begin(), product.end()), "Varlo");
      ASSERT_TRUE(vendor->HasOptionalField(H225_VendorIdentifier::e_versionId));
      const auto& version = vendor->m_versionId.GetValue();
      EXPECT_EQ(std::string(version.begin(), version.end()), H323GetVersionId());
    }
  }

  if (!testing_tools::TsharkAvailable()) return;
  const auto octets = gk.ReceivedOctets();
  const auto ids = ExpectCleanRas(octets, "h225.h323_ID");
  const auto countries = ExpectCleanRas(octets, "h225.t35CountryCode");
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i].GetTag() == H225_RasMessage::e_registrationRequest) {
      EXPECT_EQ(countries[i], "38,38") << i;
    }
    if (&got[i] == arqs[1]) {
      EXPECT_EQ(ids[i], "bob,alice");  // destinationInfo, then srcInfo
    }
  }
}

// A DisengageRequest from the gatekeeper clears the call at once with a Release
// Complete, and the endpoint sends no DRQ of its own for it.
TEST(EndPointGatekeeper, ForcedDropByTheGatekeeperClearsTheCallAtOnce) {
  ScriptedGatekeeper gk;
  Directory directory(gk);
  GatekeeperEndPoint alice("alice"), bob("bob");
  directory.Add("2002", bob.GetListenerPort());
  ASSERT_TRUE(alice.SetGatekeeper(AddressOf(gk)));
  ASSERT_TRUE(bob.SetGatekeeper(AddressOf(gk)));
  PString token;
  ASSERT_NE(alice.MakeCall("2002", token), nullptr);
  ASSERT_TRUE(alice.WaitEstablished());
  ASSERT_TRUE(bob.WaitEstablished());

  const auto before = gk.Received();
  const auto rrqs = OfKind(before, H225_RasMessage::e_registrationRequest);
  const auto arqs = OfKind(before, H225_RasMessage::e_admissionRequest);
  ASSERT_EQ(rrqs.size(), 2u);
  ASSERT_EQ(arqs.size(), 2u);
  ras::RasAddress bobRas;
  ASSERT_TRUE(ras::RasAddress::FromH225(rrqs[1]->registrationRequest().m_rasAddress[0], bobRas));
  const auto& answering = arqs[1]->admissionRequest();
  H225_RasMessage drq;
  auto& d = drq.disengageRequest();
  d.m_requestSeqNum = 4711;
  d.m_endpointIdentifier = ScriptedGatekeeper::kEndpointId;
  d.m_conferenceID = answering.m_conferenceID;
  d.m_callReferenceValue = answering.m_callReferenceValue.GetValue();
  d.m_disengageReason.forcedDrop();
  d.IncludeOptionalField(H225_DisengageRequest::e_callIdentifier);
  d.m_callIdentifier = answering.m_callIdentifier;
  gk.Send(drq, bobRas);

  EXPECT_EQ(bob.WaitCleared(bob.EstablishedToken()), H323Connection::EndedByGatekeeper);
  EXPECT_TRUE(alice.WaitCleared(token).has_value()) << "no Release Complete reached the caller";
  ASSERT_TRUE(gk.WaitForCount(before.size() + 2, 3000ms));  // bob's DCF, alice's DRQ
  const auto after = gk.Received();
  const auto dcfs = OfKind(after, H225_RasMessage::e_disengageConfirm);
  ASSERT_EQ(dcfs.size(), 1u);
  EXPECT_EQ(dcfs[0]->disengageConfirm().m_requestSeqNum.GetValue(), 4711);
  for (const auto* m : OfKind(after, H225_RasMessage::e_disengageRequest))
    EXPECT_FALSE(m->disengageRequest().m_answeredCall.GetValue()) << "a DRQ for the dropped call";

  if (!testing_tools::TsharkAvailable()) return;
  auto octets = gk.ReceivedOctets();
  octets.push_back(EncodeRas(drq));
  const auto kinds = ExpectCleanRas(octets, "h225.RasMessage");
  EXPECT_EQ(kinds.back(), "15");  // disengageRequest
  EXPECT_EQ(ExpectCleanRas({octets.back()}, "h225.disengageReason"), (std::vector<std::string>{"0"}));  // forcedDrop
}

TEST(EndPointGatekeeper, AdmissionRejectEndsTheCallWithTheGatekeepersReason) {
  struct Case {
    unsigned reason;
    CallEndReason expected;
  };
  const Case cases[] = {
      {H225_AdmissionRejectReason::e_calledPartyNotRegistered, EndedByNoUser},
      {H225_AdmissionRejectReason::e_requestDenied, EndedByGatekeeper},
      {H225_AdmissionRejectReason::e_invalidPermission, EndedByGatekeeper},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reason);
    ScriptedGatekeeper gk;
    Directory directory(gk);
    directory.admissionReject = c.reason;
    GatekeeperEndPoint alice("alice");
    TestEndPoint bob("bob");
    const PString bobAddress = bob.Listen();
    ASSERT_TRUE(alice.SetGatekeeper(AddressOf(gk)));
    PString token;
    ASSERT_NE(alice.MakeCall(bobAddress, token), nullptr);
    EXPECT_EQ(alice.WaitCleared(token), c.expected);
    EXPECT_TRUE(bob.incoming.empty());  // no Setup went out
    alice.ClearAllCalls();
    EXPECT_TRUE(OfKind(gk.Received(), H225_RasMessage::e_disengageRequest).empty());
  }
}

}  // namespace
}  // namespace h323test
