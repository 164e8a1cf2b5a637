// What a strict gatekeeper checks of an endpoint's order of things: the endpoint
// unregisters when it ends (and a silent gatekeeper holds it up only briefly), it clears
// a call the gatekeeper disengages before it confirms the disengage, and it acts on the
// H.245 a caller tunnels in its Setup only once the gatekeeper has admitted the call.
// tshark reads the RAS messages and the call signalling.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "PeerCall.h"
#include "ScriptedGatekeeper.h"
#include "stack/ras/H225_RAS.h"
#include "Tshark.h"
#include "WireDecode.h"

namespace h323test {
namespace {

H225_RasMessage Reply(unsigned tag, const H225_RasMessage& request) {
  H225_RasMessage m;
  m.SetTag(tag);
  ras::SetSequenceNumber(m, ras::GetSequenceNumber(request));
  return m;
}

// The confirm of an answering endpoint's ARQ.
H225_RasMessage AdmissionConfirm(const H225_RasMessage& arq) {
  H225_RasMessage acf = Reply(H225_RasMessage::e_admissionConfirm, arq);
  acf.admissionConfirm().m_bandWidth = arq.admissionRequest().m_bandWidth.GetValue();
  acf.admissionConfirm().m_callModel.direct();
  ras::RasAddress{TcpAddress::kLoopback, 1720}.ToH225(acf.admissionConfirm().m_destCallSignalAddress);
  return acf;
}

// Confirms everything (URQs too unless `silentToUrq`); admissions as the test says.
class StrictGatekeeper {
 public:
  explicit StrictGatekeeper(bool silentToUrq = false) : m_silentToUrq(silentToUrq) {
    gk.SetScript([this](const H225_RasMessage& m) { return Answer(m); });
  }
  std::vector<std::vector<uint8_t>> Answer(const H225_RasMessage& m) {
    switch (m.GetTag()) {
      case H225_RasMessage::e_unregistrationRequest:
        if (m_silentToUrq) return {};
        return gk.Confirm(m);
      case H225_RasMessage::e_admissionRequest:
        if (holdAdmission) return {};
        return {EncodeRas(AdmissionConfirm(m))};
      case H225_RasMessage::e_disengageConfirm:
        if (onDisengageConfirm) onDisengageConfirm();
        return {};
      case H225_RasMessage::e_disengageRequest:
        return {EncodeRas(Reply(H225_RasMessage::e_disengageConfirm, m))};
      default:
        return gk.Confirm(m);
    }
  }
  PString Address() const { return PString(gk.Address().ToString()); }
  // The first received message of `tag`.
  std::optional<H225_RasMessage> First(unsigned tag) const {
    for (const auto& m : gk.Received())
      if (m.GetTag() == tag) return m;
    return std::nullopt;
  }

  ScriptedGatekeeper gk;
  std::atomic<bool> holdAdmission{false};
  std::function<void()> onDisengageConfirm;  // runs on the gatekeeper's thread

 private:
  bool m_silentToUrq;
};

// tshark reads every RAS message cleanly; the values of `field`, one entry per message.
std::vector<std::string> CleanRas(const std::vector<std::vector<uint8_t>>& messages, const std::string& field) {
  const auto decoded = testing_tools::TsharkDecodeAll(messages, testing_tools::Transport::kUdp, 1719, 1719, {field});
  std::vector<std::string> values;
  EXPECT_EQ(decoded.size(), messages.size()) << (decoded.empty() ? "" : decoded[0].error);
  for (const auto& t : decoded) {
    EXPECT_FALSE(t.malformed);
    EXPECT_TRUE(t.expert.empty());
    values.push_back(t.Get(field));
  }
  values.resize(messages.size());
  return values;
}

constexpr const char* kUrqTag = "6";  // unregistrationRequest in RasMessage

// An endpoint that ends while registered unregisters; a gatekeeper that does not answer
// the URQ holds the end for about the exit limit, not for the full RAS time-outs.
TEST(ExitUnregistration, TheEndpointUnregistersWhenItEnds) {
  for (bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "silent gatekeeper" : "confirming gatekeeper");
    StrictGatekeeper strict(silent);
    auto endpoint = std::make_unique<TestEndPoint>("03KOVA/alice");
    endpoint->Listen();
    ASSERT_TRUE(endpoint->SetGatekeeper(strict.Address()));
    ASSERT_TRUE(endpoint->IsRegistered());
    const size_t before = strict.gk.Received().size();

    const auto start = std::chrono::steady_clock::now();
    endpoint.reset();
    const auto took = std::chrono::steady_clock::now() - start;
    // The ordinary RAS timing would wait three times three seconds.
    EXPECT_LT(took, H323EndPoint::kExitUnregisterLimit + 1500ms);

    const auto got = strict.gk.Received();
    ASSERT_GT(got.size(), before) << "no URQ at the end";
    size_t urqs = 0;
    for (size_t i = before; i < got.size(); ++i) {
      ASSERT_EQ(got[i].GetTag(), H225_RasMessage::e_unregistrationRequest);
      const auto& urq = got[i].unregistrationRequest();
      ASSERT_TRUE(urq.HasOptionalField(H225_UnregistrationRequest::e_endpointIdentifier));
      EXPECT_EQ(urq.m_endpointIdentifier.GetValue(), ScriptedGatekeeper::kEndpointId);
      ++urqs;
    }
    EXPECT_EQ(urqs, silent ? 2u : 1u);  // a silent gatekeeper gets one retry
    if (testing_tools::TsharkAvailable()) {
      const auto octets = strict.gk.ReceivedOctets();
      EXPECT_EQ(CleanRas(octets, "h225.RasMessage").back(), kUrqTag);
    }
  }
}

// The gatekeeper disengages a call (DRQ): the endpoint ends the session, waits for the
// peer's end of session, sends its Release Complete, and only then its DCF; a peer that
// does not answer holds the DCF up no longer than the end-session time-out.
TEST(DisengageOrder, TheCallIsClearedBeforeTheDisengageIsConfirmed) {
  for (bool peerAnswers : {true, false}) {
    SCOPED_TRACE(peerAnswers ? "the peer ends its session" : "the peer stays silent");
    // Before the gatekeeper, whose thread tells them of the confirm.
    Events confirm;
    std::optional<long> peerEndSessionsBeforeConfirm;
    StrictGatekeeper strict;
    PeerCall call(true);
    call.endpoint.SetEndSessionTimeout(PTimeInterval(peerAnswers ? 10000 : 300));
    call.EndpointAddress();
    ASSERT_TRUE(call.endpoint.SetGatekeeper(strict.Address()));
    // What the peer had sent when the DCF came (its own messages are noted before they go).
    strict.onDisengageConfirm = [&] {
      long ends = 0;
      for (const auto& p : call.peer.Packets()) {
        if (!p.fromPeer) continue;
        Q931 q;
        H323SignalPDU pdu;
        if (!q.Decode(p.payload) || !pdu.Read(q)) continue;
        for (const auto& bytes : pdu.m_userInfo.h245Control) {
          Msg m;
          ends += m.Decode(bytes) && Command(H245_CommandMessage::e_endSessionCommand)(m) ? 1 : 0;
        }
      }
      confirm.Change([&] { peerEndSessionsBeforeConfirm = ends; });
    };
    ASSERT_TRUE(call.Start());
    ASSERT_TRUE(call.peer.WaitFor(Q931::ConnectMsg));
    ASSERT_TRUE(call.WaitH245(Request(H245_RequestMessage::e_masterSlaveDetermination)));
    const PString token = call.CallToken();

    const auto arq = strict.First(H225_RasMessage::e_admissionRequest);
    const auto rrq = strict.First(H225_RasMessage::e_registrationRequest);
    ASSERT_TRUE(arq && rrq);
    ras::RasAddress endpointRas;
    ASSERT_TRUE(ras::RasAddress::FromH225(rrq->registrationRequest().m_rasAddress[0], endpointRas));
    H225_RasMessage drq;
    auto& d = drq.disengageRequest();
    d.m_requestSeqNum = 4242;
    d.m_endpointIdentifier = ScriptedGatekeeper::kEndpointId;
    d.m_conferenceID = arq->admissionRequest().m_conferenceID;
    d.m_callReferenceValue = arq->admissionRequest().m_callReferenceValue.GetValue();
    d.m_disengageReason.forcedDrop();
    d.IncludeOptionalField(H225_DisengageRequest::e_callIdentifier);
    d.m_callIdentifier = arq->admissionRequest().m_callIdentifier;
    const size_t before = strict.gk.Received().size();
    strict.gk.Send(drq, endpointRas);

    ASSERT_TRUE(call.WaitH245(Command(H245_CommandMessage::e_endSessionCommand)));
    if (peerAnswers) {
      // A DCF that went out before the clearing would come while the peer keeps its end
      // of session back; one that follows the clearing cannot.
      confirm.WaitFor([&] { return peerEndSessionsBeforeConfirm.has_value(); }, 500ms);
      ASSERT_TRUE(call.SendH245({EndSession()}));
    }
    ASSERT_TRUE(call.peer.WaitFor(Q931::ReleaseCompleteMsg));
    if (peerAnswers) {
      ASSERT_TRUE(call.Send(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete));
    }
    EXPECT_EQ(call.endpoint.WaitCleared(token), H323Connection::EndedByGatekeeper);
    ASSERT_TRUE(confirm.WaitFor([&] { return peerEndSessionsBeforeConfirm.has_value(); })) << "no DCF";
    const auto after = strict.gk.Received();
    ASSERT_EQ(after.size(), before + 1);  // the DCF, and no DRQ of the endpoint's own
    ASSERT_EQ(after.back().GetTag(), H225_RasMessage::e_disengageConfirm);
    EXPECT_EQ(after.back().disengageConfirm().m_requestSeqNum.GetValue(), 4242);
    // The Release Complete waited for the peer's end of session, and the DCF for it.
    if (peerAnswers) {
      EXPECT_EQ(peerEndSessionsBeforeConfirm, 1) << "the DCF went out before the clearing";
    }

    if (testing_tools::TsharkAvailable()) {
      auto octets = strict.gk.ReceivedOctets();
      octets.push_back(EncodeRas(drq));
      CleanRas(octets, "h225.RasMessage");
    }
    if (WireDecoderAvailable()) ExpectCleanWire(call.peer.Packets(), {"q931.message_type", "h245.endSessionCommand"});
  }
}

// The H.245 a caller tunnels in its Setup, and what it tunnels while the gatekeeper has
// not yet admitted the call, waits for the admission and is then answered in order.
TEST(AdmissionFirst, TunnelledH245IsActedOnOnlyAfterTheAdmission) {
  StrictGatekeeper strict;
  strict.holdAdmission = true;
  PeerCall call(true);
  call.EndpointAddress();
  ASSERT_TRUE(call.endpoint.SetGatekeeper(strict.Address()));
  ASSERT_TRUE(call.Start({CapabilitySet(3), MasterSlave(kTerminal - 10, 99)}));
  ASSERT_TRUE(call.peer.WaitFor(Q931::CallProceedingMsg));
  // The ARQ (after the GRQ and the RRQ) is out and unanswered: the caller tunnels more
  // meanwhile.
  ASSERT_TRUE(strict.gk.WaitForCount(3, 5000ms));
  const auto arq = strict.First(H225_RasMessage::e_admissionRequest);
  ASSERT_TRUE(arq);
  Msg rtd;
  rtd.request().roundTripDelayRequest().m_sequenceNumber = 7;
  ASSERT_TRUE(call.SendH245({rtd}));
  // A Status Enquiry behind it: its answer shows that the endpoint has read the Facility.
  ASSERT_TRUE(call.Send(Q931::StatusEnquiryMsg, H323UserInformation::e_statusInquiry));
  ASSERT_TRUE(call.peer.WaitFor(Q931::StatusMsg));
  EXPECT_TRUE(FromEndpoint(call.peer.Packets()).empty()) << "H.245 answered before the admission";
  const PStringArray tokens = call.endpoint.GetAllConnections();
  ASSERT_EQ(tokens.GetSize(), 1);
  H323Connection* connection = call.endpoint.FindConnectionWithLock(tokens[0]);
  ASSERT_NE(connection, nullptr);
  EXPECT_FALSE(connection->GetH245().IsStarted());
  connection->Unlock();

  strict.gk.Send(AdmissionConfirm(*arq), strict.gk.LastSender());
  auto tcsAck = call.WaitH245(Response(H245_ResponseMessage::e_terminalCapabilitySetAck));
  ASSERT_TRUE(tcsAck);
  EXPECT_EQ(tcsAck->response().terminalCapabilitySetAck().m_sequenceNumber.GetValue(), 3);
  ASSERT_TRUE(call.WaitH245(Response(H245_ResponseMessage::e_roundTripDelayResponse)));
  // In the order the caller sent them.
  std::vector<unsigned> order;
  for (const Msg& m : FromEndpoint(call.peer.Packets()))
    if (m.GetTag() == Msg::e_response) order.push_back(m.response().GetTag());
  const auto at = [&](unsigned tag) { return std::find(order.begin(), order.end(), tag) - order.begin(); };
  EXPECT_LT(at(H245_ResponseMessage::e_terminalCapabilitySetAck), at(H245_ResponseMessage::e_roundTripDelayResponse));
  EXPECT_LT(at(H245_ResponseMessage::e_masterSlaveDeterminationAck), at(H245_ResponseMessage::e_roundTripDelayResponse));
  EXPECT_TRUE(call.endpoint.WaitEstablished());

  if (WireDecoderAvailable()) ExpectCleanWire(call.peer.Packets(), {"q931.message_type", "h245.pdu_type"});
  if (testing_tools::TsharkAvailable()) CleanRas(strict.gk.ReceivedOctets(), "h225.RasMessage");
}

}  // namespace
}  // namespace h323test
