#include "stack/ras/H323Gatekeeper.h"

#include <algorithm>
#include <ctime>

using ras::RasAddress;

namespace {

// When the keep-alive goes out: before the time to live runs out, with a margin of a
// quarter of it, at most five seconds.
std::chrono::milliseconds KeepAliveInterval(unsigned ttlSeconds) {
  std::chrono::milliseconds ttl(uint64_t{ttlSeconds} * 1000);
  std::chrono::milliseconds margin = std::min<std::chrono::milliseconds>(ttl / 4, std::chrono::seconds(5));
  if (ttl - margin < std::chrono::milliseconds(100)) return std::chrono::milliseconds(100);
  return ttl - margin;
}

void SetEndpointType(H225_EndpointType& type, const H225_VendorIdentifier& vendor) {
  type.IncludeOptionalField(H225_EndpointType::e_vendor);
  type.m_vendor = vendor;
  type.IncludeOptionalField(H225_EndpointType::e_terminal);
  type.m_mc = false;
  type.m_undefinedNode = false;
}

}  // namespace

RasAddress ras::RegistrationAddress(const RasAddress& asked, const RasAddress& answeredFrom,
                                    const RasAddress& rasAddress) {
  if (IsMulticast(asked)) {
    return rasAddress.IsValid() && !IsMulticast(rasAddress) ? rasAddress : answeredFrom;
  }
  return rasAddress.IsValid() && rasAddress.ip == asked.ip ? rasAddress : asked;
}

H323Gatekeeper::H323Gatekeeper(ras::GatekeeperSettings settings) : settings_(std::move(settings)) {
  if (!settings_.now) settings_.now = [] { return static_cast<uint32_t>(std::time(nullptr)); };
  SetTiming(settings_.timing);
}

H323Gatekeeper::~H323Gatekeeper() { Stop(); }

void H323Gatekeeper::Stop() {
  Close();  // first: a keep-alive waiting for its reply ends at once
  StopKeepAlive();
}

template <class Message>
void H323Gatekeeper::AddToken(Message& msg) const {
  if (settings_.password.empty() || settings_.aliases.empty()) return;
  H225_CryptoH323Token token;
  if (!ras::MakePasswordToken(settings_.aliases.front(), settings_.password, settings_.now(),
                              settings_.hashVariant, token)) {
    return;
  }
  msg.IncludeOptionalField(Message::e_cryptoTokens);
  msg.m_cryptoTokens.Append() = token;
}

bool H323Gatekeeper::DiscoverAndRegister(const RasAddress& gatekeeper) {
  StopKeepAlive();
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    registered_ = false;
    endpointId_.clear();
    gatekeeperId_.clear();
    rejectTag_ = asn::Choice::kNoTag;
  }
  SetRemoteAddress(gatekeeper);
  H225_RasMessage msg;
  auto& grq = msg.gatekeeperRequest();
  grq.m_protocolIdentifier.SetValue(settings_.protocolIdentifier);
  GetLocalAddress().ToH225(grq.m_rasAddress);
  SetEndpointType(grq.m_endpointType, settings_.vendor);
  if (!settings_.aliases.empty()) {
    grq.IncludeOptionalField(H225_GatekeeperRequest::e_endpointAlias);
    for (const auto& a : settings_.aliases) grq.m_endpointAlias.Append().h323_ID() = a;
  }
  if (!settings_.password.empty()) {
    grq.IncludeOptionalField(H225_GatekeeperRequest::e_authenticationCapability);
    grq.m_authenticationCapability.Append().pwdHash();
    grq.IncludeOptionalField(H225_GatekeeperRequest::e_algorithmOIDs);
    grq.m_algorithmOIDs.Append().SetValue("1.2.840.113549.2.5");
    AddToken(grq);
  }
  H225_RasMessage reply;
  RasAddress answeredFrom;
  if (MakeRequest(msg, &reply, &answeredFrom) != Result::kConfirmed) return false;
  RasAddress rasAddress;
  if (!RasAddress::FromH225(reply.gatekeeperConfirm().m_rasAddress, rasAddress)) rasAddress = RasAddress{};
  SetRemoteAddress(ras::RegistrationAddress(gatekeeper, answeredFrom, rasAddress));
  if (!Register(false)) return false;
  std::lock_guard<std::mutex> lock(keepAliveMutex_);
  stopKeepAlive_ = false;
  if (GetTimeToLive() > 0 && !keepAlive_.joinable()) keepAlive_ = std::thread([this] { KeepAliveLoop(); });
  return true;
}

void H323Gatekeeper::BuildRegistrationRequest(H225_RegistrationRequest& rrq, bool keepAlive) {
  rrq.m_protocolIdentifier.SetValue(settings_.protocolIdentifier);
  rrq.m_discoveryComplete = true;
  settings_.callSignalAddress.ToH225(rrq.m_callSignalAddress.Append());
  GetLocalAddress().ToH225(rrq.m_rasAddress.Append());
  SetEndpointType(rrq.m_terminalType, settings_.vendor);
  rrq.m_endpointVendor = settings_.vendor;
  std::string gatekeeperId = GetGatekeeperIdentifier();
  if (!gatekeeperId.empty()) {
    rrq.IncludeOptionalField(H225_RegistrationRequest::e_gatekeeperIdentifier);
    rrq.m_gatekeeperIdentifier = gatekeeperId;
  }
  unsigned ttl = keepAlive ? GetTimeToLive() : settings_.timeToLive;
  if (ttl > 0) {
    rrq.IncludeOptionalField(H225_RegistrationRequest::e_timeToLive);
    rrq.m_timeToLive = ttl;
  }
  if (!keepAlive && !settings_.aliases.empty()) {
    rrq.IncludeOptionalField(H225_RegistrationRequest::e_terminalAlias);
    for (const auto& a : settings_.aliases) rrq.m_terminalAlias.Append().h323_ID() = a;
  }
  AddToken(rrq);
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_keepAlive);
  rrq.m_keepAlive = keepAlive;
  std::string endpointId = GetEndpointIdentifier();
  if (keepAlive && !endpointId.empty()) {
    rrq.IncludeOptionalField(H225_RegistrationRequest::e_endpointIdentifier);
    rrq.m_endpointIdentifier = endpointId;
  }
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_willSupplyUUIEs);
  rrq.m_willSupplyUUIEs = false;
  rrq.IncludeOptionalField(H225_RegistrationRequest::e_maintainConnection);
  rrq.m_maintainConnection = false;
}

bool H323Gatekeeper::Register(bool keepAlive) {
  H225_RasMessage msg;
  BuildRegistrationRequest(msg.registrationRequest(), keepAlive);
  H225_RasMessage reply;
  Result result = MakeRequest(msg, &reply);
  if (result == Result::kRejected && keepAlive &&
      reply.registrationReject().m_rejectReason.GetTag() ==
          H225_RegistrationRejectReason::e_fullRegistrationRequired) {
    return Register(false);
  }
  std::lock_guard<std::mutex> lock(stateMutex_);
  registered_ = result == Result::kConfirmed;
  return registered_;
}

void H323Gatekeeper::KeepAliveLoop() {
  std::unique_lock<std::mutex> lock(keepAliveMutex_);
  for (;;) {
    auto interval = KeepAliveInterval(GetTimeToLive());
    if (keepAliveWake_.wait_for(lock, interval, [this] { return stopKeepAlive_; })) return;
    if (!IsRegistered()) return;  // dropped meanwhile: the owner logs in again
    lock.unlock();
    bool ok = Register(true);
    lock.lock();
    if (!ok || stopKeepAlive_) return;
  }
}

void H323Gatekeeper::StopKeepAlive() {
  std::thread keepAlive;
  {
    // Taken out under the lock, so that two threads stopping at once join it only once.
    std::lock_guard<std::mutex> lock(keepAliveMutex_);
    stopKeepAlive_ = true;
    keepAlive = std::move(keepAlive_);
  }
  keepAliveWake_.notify_all();
  if (!keepAlive.joinable()) return;
  if (keepAlive.get_id() == std::this_thread::get_id()) {
    keepAlive.detach();  // the loop itself is ending
  } else {
    keepAlive.join();
  }
}

bool H323Gatekeeper::IsRegistered() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return registered_;
}

std::string H323Gatekeeper::GetEndpointIdentifier() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return endpointId_;
}

std::string H323Gatekeeper::GetGatekeeperIdentifier() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return gatekeeperId_;
}

unsigned H323Gatekeeper::GetTimeToLive() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return timeToLive_;
}

unsigned H323Gatekeeper::GetRegistrationRejectTag() const {
  std::lock_guard<std::mutex> lock(stateMutex_);
  return rejectTag_;
}

bool H323Gatekeeper::Unregister() {
  StopKeepAlive();
  H225_RasMessage msg;
  auto& urq = msg.unregistrationRequest();
  settings_.callSignalAddress.ToH225(urq.m_callSignalAddress.Append());
  if (!settings_.aliases.empty()) {
    urq.IncludeOptionalField(H225_UnregistrationRequest::e_endpointAlias);
    for (const auto& a : settings_.aliases) urq.m_endpointAlias.Append().h323_ID() = a;
  }
  std::string endpointId = GetEndpointIdentifier(), gatekeeperId = GetGatekeeperIdentifier();
  if (!endpointId.empty()) {
    urq.IncludeOptionalField(H225_UnregistrationRequest::e_endpointIdentifier);
    urq.m_endpointIdentifier = endpointId;
  }
  if (!gatekeeperId.empty()) {
    urq.IncludeOptionalField(H225_UnregistrationRequest::e_gatekeeperIdentifier);
    urq.m_gatekeeperIdentifier = gatekeeperId;
  }
  AddToken(urq);
  Result result = MakeRequest(msg);
  std::lock_guard<std::mutex> lock(stateMutex_);
  registered_ = false;
  return result == Result::kConfirmed;
}

bool H323Gatekeeper::UnregisterWithin(std::chrono::milliseconds limit) {
  constexpr unsigned kRetries = 1;
  SetTiming(ras::RasTiming{std::max(limit / (kRetries + 1), std::chrono::milliseconds(1)), kRetries});
  return Unregister();
}

H225_RAS::Result H323Gatekeeper::AdmissionRequest(const ras::AdmissionParams& p,
                                                   H225_AdmissionConfirm* confirm,
                                                   H225_AdmissionReject* reject) {
  H225_RasMessage msg;
  auto& arq = msg.admissionRequest();
  arq.m_callType.pointToPoint();
  arq.IncludeOptionalField(H225_AdmissionRequest::e_callModel);
  arq.m_callModel.direct();
  arq.m_endpointIdentifier = GetEndpointIdentifier();
  if (!p.destinationDigits.empty() || !p.destinationIds.empty()) {
    arq.IncludeOptionalField(H225_AdmissionRequest::e_destinationInfo);
    for (const auto& d : p.destinationDigits) arq.m_destinationInfo.Append().dialedDigits() = d;
    for (const auto& d : p.destinationIds) arq.m_destinationInfo.Append().h323_ID() = d;
  }
  if (p.destCallSignalAddress.IsValid()) {
    arq.IncludeOptionalField(H225_AdmissionRequest::e_destCallSignalAddress);
    p.destCallSignalAddress.ToH225(arq.m_destCallSignalAddress);
  }
  if (p.answerCall) {
    // The source is the caller: its aliases, or its address when it gave none.
    for (const auto& d : p.sourceDigits) arq.m_srcInfo.Append().dialedDigits() = d;
    for (const auto& a : p.sourceIds) arq.m_srcInfo.Append().h323_ID() = a;
    if (p.srcCallSignalAddress.IsValid()) {
      if (arq.m_srcInfo.GetSize() == 0) p.srcCallSignalAddress.ToH225(arq.m_srcInfo.Append().transportID());
      arq.IncludeOptionalField(H225_AdmissionRequest::e_srcCallSignalAddress);
      p.srcCallSignalAddress.ToH225(arq.m_srcCallSignalAddress);
    }
  } else {
    for (const auto& a : settings_.aliases) arq.m_srcInfo.Append().h323_ID() = a;
    if (settings_.callSignalAddress.IsValid()) {
      arq.IncludeOptionalField(H225_AdmissionRequest::e_srcCallSignalAddress);
      settings_.callSignalAddress.ToH225(arq.m_srcCallSignalAddress);
    }
  }
  arq.m_bandWidth = p.bandwidth;
  arq.m_callReferenceValue = p.callReference;
  arq.m_conferenceID.SetValue(p.conferenceId);
  arq.m_activeMC = false;
  arq.m_answerCall = p.answerCall;
  arq.IncludeOptionalField(H225_AdmissionRequest::e_canMapAlias);
  arq.m_canMapAlias = true;
  arq.IncludeOptionalField(H225_AdmissionRequest::e_callIdentifier);
  arq.m_callIdentifier.m_guid.SetValue(p.callId);
  std::string gatekeeperId = GetGatekeeperIdentifier();
  if (!gatekeeperId.empty()) {
    arq.IncludeOptionalField(H225_AdmissionRequest::e_gatekeeperIdentifier);
    arq.m_gatekeeperIdentifier = gatekeeperId;
  }
  AddToken(arq);
  arq.IncludeOptionalField(H225_AdmissionRequest::e_willSupplyUUIEs);
  arq.IncludeOptionalField(H225_AdmissionRequest::e_canMapSrcAlias);
  H225_RasMessage reply;
  Result result = MakeRequest(msg, &reply);
  if (result == Result::kConfirmed && confirm) *confirm = reply.admissionConfirm();
  if (result == Result::kRejected && reject) *reject = reply.admissionReject();
  return result;
}

H225_RAS::Result H323Gatekeeper::DisengageRequest(const ras::DisengageParams& p) {
  H225_RasMessage msg;
  auto& drq = msg.disengageRequest();
  drq.m_endpointIdentifier = GetEndpointIdentifier();
  drq.m_conferenceID.SetValue(p.conferenceId);
  drq.m_callReferenceValue = p.callReference;
  drq.m_disengageReason.normalDrop();
  drq.IncludeOptionalField(H225_DisengageRequest::e_callIdentifier);
  drq.m_callIdentifier.m_guid.SetValue(p.callId);
  std::string gatekeeperId = GetGatekeeperIdentifier();
  if (!gatekeeperId.empty()) {
    drq.IncludeOptionalField(H225_DisengageRequest::e_gatekeeperIdentifier);
    drq.m_gatekeeperIdentifier = gatekeeperId;
  }
  AddToken(drq);
  drq.IncludeOptionalField(H225_DisengageRequest::e_answeredCall);
  drq.m_answeredCall = p.answeredCall;
  return MakeRequest(msg);
}

bool H323Gatekeeper::OnReceiveGatekeeperConfirm(const H225_GatekeeperConfirm& gcf) {
  std::lock_guard<std::mutex> lock(stateMutex_);
  if (gcf.HasOptionalField(H225_GatekeeperConfirm::e_gatekeeperIdentifier)) {
    gatekeeperId_ = gcf.m_gatekeeperIdentifier.GetValue();
  }
  return true;
}

bool H323Gatekeeper::OnReceiveRegistrationConfirm(const H225_RegistrationConfirm& rcf) {
  std::lock_guard<std::mutex> lock(stateMutex_);
  endpointId_ = rcf.m_endpointIdentifier.GetValue();
  if (rcf.HasOptionalField(H225_RegistrationConfirm::e_gatekeeperIdentifier)) {
    gatekeeperId_ = rcf.m_gatekeeperIdentifier.GetValue();
  }
  timeToLive_ = rcf.HasOptionalField(H225_RegistrationConfirm::e_timeToLive)
                    ? static_cast<unsigned>(rcf.m_timeToLive.GetValue())
                    : 0;
  return true;
}

bool H323Gatekeeper::OnReceiveRegistrationReject(const H225_RegistrationReject& rrj) {
  std::lock_guard<std::mutex> lock(stateMutex_);
  rejectTag_ = rrj.m_rejectReason.GetTag();
  return true;
}

bool H323Gatekeeper::OnReceiveUnregistrationRequest(const H225_UnregistrationRequest& urq) {
  {
    std::lock_guard<std::mutex> lock(stateMutex_);
    registered_ = false;
  }
  keepAliveWake_.notify_all();
  H225_RasMessage reply;
  reply.unregistrationConfirm().m_requestSeqNum = urq.m_requestSeqNum.GetValue();
  SendMessage(reply, GetReplyAddress());
  return true;
}

bool H323Gatekeeper::OnReceiveDisengageRequest(const H225_DisengageRequest& drq) {
  // The call is cleared first, then confirmed: the gatekeeper may take the confirm as the
  // call's end.
  const RasAddress to = GetReplyAddress();
  if (onDisengage_) onDisengage_(drq);
  H225_RasMessage reply;
  reply.disengageConfirm().m_requestSeqNum = drq.m_requestSeqNum.GetValue();
  SendMessage(reply, to);
  return true;
}

bool H323Gatekeeper::OnReceiveInfoRequest(const H225_InfoRequest& irq) {
  H225_RasMessage reply;
  auto& irr = reply.infoRequestResponse();
  irr.m_requestSeqNum = irq.m_requestSeqNum.GetValue();
  SetEndpointType(irr.m_endpointType, settings_.vendor);
  irr.m_endpointIdentifier = GetEndpointIdentifier();
  GetLocalAddress().ToH225(irr.m_rasAddress);
  settings_.callSignalAddress.ToH225(irr.m_callSignalAddress.Append());
  if (!settings_.aliases.empty()) {
    irr.IncludeOptionalField(H225_InfoRequestResponse::e_endpointAlias);
    for (const auto& a : settings_.aliases) irr.m_endpointAlias.Append().h323_ID() = a;
  }
  OnSendInfoRequestResponse(irr);
  AddToken(irr);
  irr.IncludeOptionalField(H225_InfoRequestResponse::e_needResponse);
  irr.m_needResponse = false;
  irr.IncludeOptionalField(H225_InfoRequestResponse::e_unsolicited);
  irr.m_unsolicited = false;
  RasAddress to = GetReplyAddress();
  if (irq.HasOptionalField(H225_InfoRequest::e_replyAddress)) {
    RasAddress asked;
    if (RasAddress::FromH225(irq.m_replyAddress, asked) && asked.IsValid()) to = asked;
  }
  SendMessage(reply, to);
  return true;
}

void H323Gatekeeper::OnSendInfoRequestResponse(H225_InfoRequestResponse&) {}
