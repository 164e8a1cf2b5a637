#include "stack/h323/H323GatekeeperAdmission.h"

#include "stack/h323/H323Connection.h"
#include "stack/h323/H323EndPoint.h"

namespace {

std::string GuidOctets(const H323UserInformation::Guid& guid) { return std::string(guid.begin(), guid.end()); }

ras::RasAddress ToRas(const TcpAddress& a) { return ras::RasAddress{a.ip, a.port}; }

}  // namespace

std::shared_ptr<H323Gatekeeper> H323GatekeeperAdmission::Install(std::shared_ptr<H323Gatekeeper> client,
                                                                  std::shared_ptr<H323Transport> transport) {
  std::lock_guard lock(m_mutex);
  std::shared_ptr<H323Gatekeeper> old = std::move(m_client);
  m_client = std::move(client);
  m_transport = std::move(transport);
  return old;
}

std::shared_ptr<H323Gatekeeper> H323GatekeeperAdmission::Remove(const H323Gatekeeper* client) {
  std::lock_guard lock(m_mutex);
  if (client != nullptr && m_client.get() != client) return nullptr;
  std::shared_ptr<H323Gatekeeper> old = std::move(m_client);
  m_client.reset();
  m_transport.reset();
  return old;
}

std::shared_ptr<H323Gatekeeper> H323GatekeeperAdmission::Current() const {
  std::lock_guard lock(m_mutex);
  return m_client;
}

CallEndReason H323GatekeeperAdmission::EndReasonFor(unsigned tag) {
  switch (tag) {
    case H225_AdmissionRejectReason::e_calledPartyNotRegistered:
    case H225_AdmissionRejectReason::e_callerNotRegistered:
    case H225_AdmissionRejectReason::e_incompleteAddress:
    case H225_AdmissionRejectReason::e_aliasesInconsistent:
      return EndedByNoUser;
    default:
      return EndedByGatekeeper;
  }
}

H323AdmissionResult H323GatekeeperAdmission::AdmitCall(H323Connection& connection,
                                                       const H323AdmissionRequest& request) {
  std::shared_ptr<H323Gatekeeper> client = Current();
  if (!client || !client->IsRegistered()) {
    if (m_fallback != nullptr) return m_fallback->AdmitCall(connection, request);
    return H323AdmissionResult{};
  }

  ras::AdmissionParams arq;
  arq.answerCall = request.answeringCall;
  arq.callReference = connection.GetCallReference();
  arq.conferenceId = GuidOctets(request.conferenceID);
  arq.callId = GuidOctets(request.callIdentifier);
  // Answering, the destination is this endpoint and the source the caller.
  const std::vector<H323AliasAddress> destination =
      request.answeringCall ? connection.GetEndPoint().GetAliases() : request.destinationAliases;
  for (const H323AliasAddress& alias : destination) {
    (alias.kind == H323AliasAddress::e_dialedDigits ? arq.destinationDigits : arq.destinationIds)
        .push_back(alias.value.str());
  }
  if (request.answeringCall) {
    for (const H323AliasAddress& alias : request.sourceAliases) {
      (alias.kind == H323AliasAddress::e_dialedDigits ? arq.sourceDigits : arq.sourceIds)
          .push_back(alias.value.str());
    }
    if (request.sourceCallSignalAddress) arq.srcCallSignalAddress = ToRas(*request.sourceCallSignalAddress);
  }
  if (request.destCallSignalAddress) arq.destCallSignalAddress = ToRas(*request.destCallSignalAddress);
  if (request.bandwidth != 0) arq.bandwidth = request.bandwidth;

  H225_AdmissionConfirm acf;
  H225_AdmissionReject arj;
  H323AdmissionResult result;
  switch (client->AdmissionRequest(arq, &acf, &arj)) {
    case H225_RAS::Result::kConfirmed: {
      ras::RasAddress destination;
      if (!request.answeringCall && ras::RasAddress::FromH225(acf.m_destCallSignalAddress, destination) &&
          destination.IsValid()) {
        result.destCallSignalAddress = TcpAddress{destination.ip, destination.port};
      }
      ras::DisengageParams drq;
      drq.answeredCall = request.answeringCall;
      drq.callReference = arq.callReference;
      drq.conferenceId = arq.conferenceId;
      drq.callId = arq.callId;
      std::lock_guard lock(m_mutex);
      m_admitted[connection.GetCallToken()] = Admitted{client, std::move(drq)};
      return result;
    }
    case H225_RAS::Result::kRejected:
      result.admitted = false;
      result.rejectReason = EndReasonFor(arj.m_rejectReason.GetTag());
      return result;
    default:  // no answer, or the client was removed meanwhile
      result.admitted = false;
      result.rejectReason = EndedByGatekeeper;
      return result;
  }
}

PString H323GatekeeperAdmission::OnGatekeeperDisengage(const H323Gatekeeper& client, const std::string& callId,
                                                       const std::string& conferenceId, unsigned callReference) {
  std::lock_guard lock(m_mutex);
  for (auto& [token, admitted] : m_admitted) {
    if (admitted.dropped || admitted.client.lock().get() != &client) continue;
    const ras::DisengageParams& p = admitted.params;
    const bool same = !callId.empty() ? p.callId == callId
                                      : p.conferenceId == conferenceId && p.callReference == callReference;
    if (!same) continue;
    admitted.dropped = true;
    return token;
  }
  return PString();
}

void H323GatekeeperAdmission::DisengageCall(H323Connection& connection) {
  Admitted admitted;
  {
    std::lock_guard lock(m_mutex);
    auto it = m_admitted.find(connection.GetCallToken());
    if (it == m_admitted.end()) {
      if (m_fallback != nullptr) m_fallback->DisengageCall(connection);
      return;
    }
    admitted = std::move(it->second);
    m_admitted.erase(it);
  }
  if (admitted.dropped) return;  // the gatekeeper ended it: it knows already
  std::shared_ptr<H323Gatekeeper> client = admitted.client.lock();
  if (client && client->IsRegistered()) client->DisengageRequest(admitted.params);
}
