#include "ScriptedGatekeeper.h"

#include <stdexcept>

#include "stack/ras/H225_RAS.h"

std::vector<uint8_t> EncodeRas(const H225_RasMessage& msg) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!msg.Encode(bytes, &error)) throw std::runtime_error("test gatekeeper: " + error);
  return bytes;
}

ScriptedGatekeeper::ScriptedGatekeeper(unsigned timeToLive, uint32_t ip) : timeToLive_(timeToLive) {
  ras::RasAddress loopback{ip, 0};
  std::string error;
  if (!transport_.Open(loopback, [this](const std::vector<uint8_t>& b, const ras::RasAddress& from) {
        OnDatagram(b, from);
      }, &error)) {
    throw std::runtime_error(error);
  }
}

ScriptedGatekeeper::~ScriptedGatekeeper() { transport_.Close(); }

void ScriptedGatekeeper::SetScript(Script script) {
  std::lock_guard<std::mutex> lock(mutex_);
  script_ = std::move(script);
}

std::vector<std::vector<uint8_t>> ScriptedGatekeeper::Confirm(const H225_RasMessage& request) const {
  H225_RasMessage reply;
  unsigned seq = ras::GetSequenceNumber(request);
  switch (request.GetTag()) {
    case H225_RasMessage::e_gatekeeperRequest: {
      auto& gcf = reply.gatekeeperConfirm();
      gcf.m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
      gcf.IncludeOptionalField(H225_GatekeeperConfirm::e_gatekeeperIdentifier);
      gcf.m_gatekeeperIdentifier = kGatekeeperId;
      transport_.LocalAddress().ToH225(gcf.m_rasAddress);
      break;
    }
    case H225_RasMessage::e_registrationRequest: {
      auto& rcf = reply.registrationConfirm();
      rcf.m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
      rcf.m_callSignalAddress = request.registrationRequest().m_callSignalAddress;
      rcf.IncludeOptionalField(H225_RegistrationConfirm::e_gatekeeperIdentifier);
      rcf.m_gatekeeperIdentifier = kGatekeeperId;
      rcf.m_endpointIdentifier = kEndpointId;
      if (timeToLive_ > 0) {
        rcf.IncludeOptionalField(H225_RegistrationConfirm::e_timeToLive);
        rcf.m_timeToLive = timeToLive_;
      }
      rcf.IncludeOptionalField(H225_RegistrationConfirm::e_willRespondToIRR);
      rcf.IncludeOptionalField(H225_RegistrationConfirm::e_maintainConnection);
      break;
    }
    case H225_RasMessage::e_unregistrationRequest:
      reply.unregistrationConfirm();
      break;
    case H225_RasMessage::e_admissionRequest: {
      auto& acf = reply.admissionConfirm();
      acf.m_bandWidth = request.admissionRequest().m_bandWidth.GetValue();
      acf.m_callModel.direct();
      ras::RasAddress{0x7F000001, 1720}.ToH225(acf.m_destCallSignalAddress);
      acf.IncludeOptionalField(H225_AdmissionConfirm::e_willRespondToIRR);
      acf.IncludeOptionalField(H225_AdmissionConfirm::e_uuiesRequested);
      break;
    }
    case H225_RasMessage::e_disengageRequest:
      reply.disengageConfirm();
      break;
    default:
      return {};
  }
  ras::SetSequenceNumber(reply, seq);
  return {EncodeRas(reply)};
}

void ScriptedGatekeeper::OnDatagram(const std::vector<uint8_t>& bytes, const ras::RasAddress& from) {
  H225_RasMessage msg;
  if (!msg.Decode(bytes)) return;
  Script script;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(msg);
    octets_.push_back(bytes);
    lastSender_ = from;
    script = script_;
  }
  arrived_.notify_all();
  auto replies = script ? script(msg) : Confirm(msg);
  for (const auto& r : replies) transport_.Send(r, from);
}

std::vector<H225_RasMessage> ScriptedGatekeeper::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

std::vector<std::vector<uint8_t>> ScriptedGatekeeper::ReceivedOctets() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return octets_;
}

bool ScriptedGatekeeper::WaitForCount(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(mutex_);
  return arrived_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

ras::RasAddress ScriptedGatekeeper::LastSender() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastSender_;
}

void ScriptedGatekeeper::Send(const H225_RasMessage& msg, const ras::RasAddress& to) {
  transport_.Send(EncodeRas(msg), to);
}

size_t ScriptedGatekeeper::CountReceived(unsigned tag) const {
  std::lock_guard lock(mutex_);
  size_t n = 0;
  for (const auto& m : received_) n += m.GetTag() == tag;
  return n;
}

std::vector<std::vector<uint8_t>> RefuseDiscovery(const H225_RasMessage& request) {
  if (request.GetTag() != H225_RasMessage::e_gatekeeperRequest) return {};
  H225_RasMessage grj;
  grj.SetTag(H225_RasMessage::e_gatekeeperReject);
  ras::SetSequenceNumber(grj, ras::GetSequenceNumber(request));
  grj.gatekeeperReject().m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
  grj.gatekeeperReject().m_rejectReason.resourceUnavailable();
  return {EncodeRas(grj)};
}
