#include "TestGatekeeper.h"

#include <stdexcept>

#include "CardDecipher.h"
#include "stack/ras/H225_RAS.h"
#include "stack/ras/Md5.h"
#include "stack/ras/PasswordToken.h"

namespace service {

namespace {

constexpr const char* kGatekeeperId = "KOVA-GK";
constexpr const char* kProtocol = "0.0.8.2250.0.4";
// Service codes of a refused login: the account or card is unknown, or its password is
// wrong ("01" then the pairs the client reads).
constexpr const char* kUnknownAliasCodes = "0100";
constexpr const char* kWrongPasswordCodes = "01010100";

void SetServiceText(H225_NonStandardParameter& param, const std::string& text) {
  auto& id = param.m_nonStandardIdentifier.h221NonStandard();
  id.m_t35CountryCode = 38;
  id.m_t35Extension = 0;
  id.m_manufacturerCode = 0x4B56;
  param.m_data.SetValue(text);
}

std::string FirstH323Id(const H225_ArrayOf_AliasAddress& aliases) {
  for (size_t i = 0; i < aliases.GetSize(); ++i)
    if (aliases[i].GetTag() == H225_AliasAddress::e_h323_ID) return aliases[i].h323_ID().GetValue();
  return {};
}

// True when one of the request's password tokens was made with `password` for `alias`.
bool TokenVerifies(const H225_ArrayOf_CryptoH323Token& tokens, const std::string& alias, const std::string& password) {
  for (size_t i = 0; i < tokens.GetSize(); ++i) {
    if (tokens[i].GetTag() != H225_CryptoH323Token::e_cryptoEPPwdHash) continue;
    const auto& hash = tokens[i].cryptoEPPwdHash();
    const uint32_t stamp = static_cast<uint32_t>(hash.m_timeStamp.GetValue());
    for (auto variant : {ras::PasswordHashVariant::kWithAliasNul, ras::PasswordHashVariant::kWithAlias,
                         ras::PasswordHashVariant::kWithoutAlias}) {
      std::vector<uint8_t> encoded;
      if (!ras::HashedClearToken(alias, password, stamp, variant).Encode(encoded)) continue;
      const auto digest = ras::Md5(encoded);
      if (hash.m_token.m_hash.GetData() == std::vector<uint8_t>(digest.begin(), digest.end())) return true;
    }
  }
  return false;
}

H225_RasMessage Encoded(H225_RasMessage reply, unsigned seq) {
  ras::SetSequenceNumber(reply, seq);
  return reply;
}

}  // namespace

TestGatekeeper::TestGatekeeper(uint16_t port) {
  std::string error;
  if (!transport_.Open(ras::RasAddress{0x7F000001, port},
                       [this](const std::vector<uint8_t>& b, const ras::RasAddress& from) { OnDatagram(b, from); },
                       &error)) {
    throw std::runtime_error("test gatekeeper: " + error);
  }
}

TestGatekeeper::~TestGatekeeper() { transport_.Close(); }

std::string TestGatekeeper::HostText() const { return Address().ToString(); }

void TestGatekeeper::AddAccount(const std::string& identifier, const std::string& account,
                                const std::string& password) {
  std::lock_guard lock(mutex_);
  accounts_["03" + identifier + "/" + account] = password;
}

void TestGatekeeper::AddCard(const std::string& identifier, const std::string& pin) {
  std::lock_guard lock(mutex_);
  cards_[identifier + "/" + pin] = pin.substr(0, 4) + pin.substr(pin.size() >= 4 ? pin.size() - 4 : 0);
}

void TestGatekeeper::SetBalance(const std::string& text) {
  std::lock_guard lock(mutex_);
  balance_ = text;
}

void TestGatekeeper::SetAvailableSeconds(const std::string& text) {
  std::lock_guard lock(mutex_);
  seconds_ = text;
}

void TestGatekeeper::SetRoute(const std::string& number, const ras::RasAddress& callee) {
  std::lock_guard lock(mutex_);
  routes_[number] = callee;
}

void TestGatekeeper::RejectRegistrations(unsigned reasonTag, const std::string& serviceCodes) {
  std::lock_guard lock(mutex_);
  registrationReject_ = std::make_pair(reasonTag, serviceCodes);
}

void TestGatekeeper::AcceptRegistrations() {
  std::lock_guard lock(mutex_);
  registrationReject_.reset();
}

void TestGatekeeper::SetRejectAdmissions(bool reject) {
  std::lock_guard lock(mutex_);
  rejectAdmissions_ = reject;
}

void TestGatekeeper::SetSilent(bool silent) {
  std::lock_guard lock(mutex_);
  silent_ = silent;
}

void TestGatekeeper::SetAlternateGatekeeper(std::optional<ras::RasAddress> alternate) {
  std::lock_guard lock(mutex_);
  alternate_ = alternate;
}

bool TestGatekeeper::SendUnregistrationRequest() {
  H225_RasMessage msg;
  ras::RasAddress to;
  {
    std::lock_guard lock(mutex_);
    if (!registered_) return false;
    auto& urq = msg.unregistrationRequest();
    urq.m_requestSeqNum = nextSeq_++;
    urq.m_callSignalAddress = registered_->callSignal;
    urq.IncludeOptionalField(H225_UnregistrationRequest::e_endpointIdentifier);
    urq.m_endpointIdentifier = registered_->id;
    urq.IncludeOptionalField(H225_UnregistrationRequest::e_gatekeeperIdentifier);
    urq.m_gatekeeperIdentifier = kGatekeeperId;
    to = registered_->ras;
  }
  std::vector<uint8_t> bytes;
  return msg.Encode(bytes) && transport_.Send(bytes, to);
}

void TestGatekeeper::OnDatagram(const std::vector<uint8_t>& bytes, const ras::RasAddress& from) {
  H225_RasMessage msg;
  if (!msg.Decode(bytes)) return;
  std::optional<H225_RasMessage> reply;
  {
    std::lock_guard lock(mutex_);
    reply = Answer(msg, from);
    if (silent_) reply.reset();
  }
  changed_.notify_all();
  std::vector<uint8_t> out;
  if (reply && reply->Encode(out)) transport_.Send(out, from);
}

// Called with the lock held: records the message and builds the reply.
std::optional<H225_RasMessage> TestGatekeeper::Answer(const H225_RasMessage& msg, const ras::RasAddress& from) {
  const unsigned seq = ras::GetSequenceNumber(msg);
  switch (msg.GetTag()) {
    case H225_RasMessage::e_gatekeeperRequest:
      ++gatekeeperRequests_;
      return Encoded(OnGrq(msg.gatekeeperRequest()), seq);
    case H225_RasMessage::e_registrationRequest:
      return Encoded(OnRrq(msg.registrationRequest(), from), seq);
    case H225_RasMessage::e_admissionRequest:
      return Encoded(OnArq(msg.admissionRequest()), seq);
    case H225_RasMessage::e_disengageRequest: {
      disengages_.push_back(msg.disengageRequest());
      H225_RasMessage reply;
      reply.disengageConfirm();
      return Encoded(std::move(reply), seq);
    }
    case H225_RasMessage::e_unregistrationRequest: {
      ++unregistrationRequests_;
      registered_.reset();
      H225_RasMessage reply;
      reply.unregistrationConfirm();
      return Encoded(std::move(reply), seq);
    }
    case H225_RasMessage::e_unregistrationConfirm:
      ++unregistrationConfirms_;
      registered_.reset();
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

void TestGatekeeper::AddAlternate(H225_ArrayOf_AlternateGK& list) const {
  auto& alt = list.Append();
  alternate_->ToH225(alt.m_rasAddress);
  alt.m_needToRegister = true;
  alt.m_priority = 1;
}

H225_RasMessage TestGatekeeper::OnGrq(const H225_GatekeeperRequest&) {
  H225_RasMessage reply;
  auto& gcf = reply.gatekeeperConfirm();
  gcf.m_protocolIdentifier.SetValue(kProtocol);
  gcf.IncludeOptionalField(H225_GatekeeperConfirm::e_gatekeeperIdentifier);
  gcf.m_gatekeeperIdentifier = kGatekeeperId;
  transport_.LocalAddress().ToH225(gcf.m_rasAddress);
  if (alternate_) {
    gcf.IncludeOptionalField(H225_GatekeeperConfirm::e_alternateGatekeeper);
    AddAlternate(gcf.m_alternateGatekeeper);
  }
  return reply;
}

std::optional<std::string> TestGatekeeper::PasswordOf(const std::string& alias, RegistrationRecord& record) const {
  if (alias.compare(0, 2, "03") == 0) {
    auto it = accounts_.find(alias);
    if (it != accounts_.end()) return it->second;
    return std::nullopt;
  }
  if (alias.compare(0, 2, "02") == 0) {
    auto card = DecipherCardAlias(alias, &record.cardText);
    if (!card) return std::nullopt;
    auto it = cards_.find(card->identifier + "/" + card->pin);
    if (it != cards_.end()) return it->second;
  }
  return std::nullopt;
}

H225_RasMessage TestGatekeeper::OnRrq(const H225_RegistrationRequest& rrq, const ras::RasAddress& from) {
  H225_RasMessage reply;
  const bool keepAlive = rrq.HasOptionalField(H225_RegistrationRequest::e_keepAlive) && rrq.m_keepAlive.GetValue();
  if (keepAlive && registered_) {
    auto& rcf = reply.registrationConfirm();
    rcf.m_protocolIdentifier.SetValue(kProtocol);
    rcf.m_callSignalAddress = registered_->callSignal;
    rcf.m_endpointIdentifier = registered_->id;
    return reply;
  }

  RegistrationRecord record;
  record.alias = FirstH323Id(rrq.m_terminalAlias);
  const auto password = PasswordOf(record.alias, record);
  if (password && TokenVerifies(rrq.m_cryptoTokens, record.alias, *password)) {
    record.passwordVerified = true;
    record.password = *password;
  }

  std::optional<std::pair<unsigned, std::string>> reject = registrationReject_;
  if (!reject && !password) reject = std::make_pair(unsigned(H225_RegistrationRejectReason::e_securityDenial),
                                                    std::string(kUnknownAliasCodes));
  if (!reject && !record.passwordVerified)
    reject = std::make_pair(unsigned(H225_RegistrationRejectReason::e_securityDenial), std::string(kWrongPasswordCodes));

  if (reject) {
    auto& rrj = reply.registrationReject();
    rrj.m_protocolIdentifier.SetValue(kProtocol);
    rrj.m_rejectReason.SetTag(reject->first);
    if (!reject->second.empty()) {
      rrj.IncludeOptionalField(H225_RegistrationReject::e_nonStandardData);
      SetServiceText(rrj.m_nonStandardData, reject->second);
    }
    registrations_.push_back(record);
    return reply;
  }

  Endpoint ep;
  ep.id = "EP-" + std::to_string(nextEndpoint_++);
  ep.callSignal = rrq.m_callSignalAddress;
  ep.ras = from;
  if (rrq.m_rasAddress.GetSize() > 0) ras::RasAddress::FromH225(rrq.m_rasAddress[0], ep.ras);
  registered_ = ep;

  auto& rcf = reply.registrationConfirm();
  rcf.m_protocolIdentifier.SetValue(kProtocol);
  rcf.m_callSignalAddress = rrq.m_callSignalAddress;
  rcf.IncludeOptionalField(H225_RegistrationConfirm::e_gatekeeperIdentifier);
  rcf.m_gatekeeperIdentifier = kGatekeeperId;
  rcf.m_endpointIdentifier = ep.id;
  if (!balance_.empty()) {
    rcf.IncludeOptionalField(H225_RegistrationConfirm::e_nonStandardData);
    SetServiceText(rcf.m_nonStandardData, balance_);
  }
  if (alternate_) {
    rcf.IncludeOptionalField(H225_RegistrationConfirm::e_alternateGatekeeper);
    AddAlternate(rcf.m_alternateGatekeeper);
  }
  record.confirmed = true;
  registrations_.push_back(record);
  return reply;
}

H225_RasMessage TestGatekeeper::OnArq(const H225_AdmissionRequest& arq) {
  AdmissionRecord record;
  record.answerCall = arq.m_answerCall.GetValue();
  record.endpointId = arq.m_endpointIdentifier.GetValue();
  if (arq.HasOptionalField(H225_AdmissionRequest::e_destinationInfo)) {
    for (size_t i = 0; i < arq.m_destinationInfo.GetSize(); ++i)
      if (arq.m_destinationInfo[i].GetTag() == H225_AliasAddress::e_dialedDigits)
        record.dialledDigits.push_back(arq.m_destinationInfo[i].dialedDigits().GetValue());
  }

  H225_RasMessage reply;
  std::optional<ras::RasAddress> destination;
  if (record.answerCall) {
    ras::RasAddress own;
    if (arq.HasOptionalField(H225_AdmissionRequest::e_srcCallSignalAddress) &&
        ras::RasAddress::FromH225(arq.m_srcCallSignalAddress, own))
      destination = own;
    else
      destination = ras::RasAddress{0x7F000001, 1720};
  } else {
    for (const auto& number : record.dialledDigits) {
      auto it = routes_.find(number);
      if (it != routes_.end()) destination = it->second;
    }
    ras::RasAddress direct;
    if (!destination && arq.HasOptionalField(H225_AdmissionRequest::e_destCallSignalAddress) &&
        ras::RasAddress::FromH225(arq.m_destCallSignalAddress, direct))
      destination = direct;
  }

  if (rejectAdmissions_ || !destination) {
    auto& arj = reply.admissionReject();
    arj.m_rejectReason.SetTag(rejectAdmissions_ ? H225_AdmissionRejectReason::e_invalidPermission
                                                : H225_AdmissionRejectReason::e_calledPartyNotRegistered);
    admissions_.push_back(record);
    return reply;
  }

  auto& acf = reply.admissionConfirm();
  acf.m_bandWidth = arq.m_bandWidth.GetValue();
  acf.m_callModel.direct();
  destination->ToH225(acf.m_destCallSignalAddress);
  if (!seconds_.empty()) {
    acf.IncludeOptionalField(H225_AdmissionConfirm::e_nonStandardData);
    SetServiceText(acf.m_nonStandardData, seconds_);
  }
  record.confirmed = true;
  admissions_.push_back(record);
  return reply;
}

template <class Pred>
bool TestGatekeeper::WaitUntil(Pred pred, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, pred);
}

std::vector<RegistrationRecord> TestGatekeeper::Registrations() const {
  std::lock_guard lock(mutex_);
  return registrations_;
}

std::vector<AdmissionRecord> TestGatekeeper::Admissions() const {
  std::lock_guard lock(mutex_);
  return admissions_;
}

std::vector<H225_DisengageRequest> TestGatekeeper::Disengages() const {
  std::lock_guard lock(mutex_);
  return disengages_;
}

size_t TestGatekeeper::GatekeeperRequests() const {
  std::lock_guard lock(mutex_);
  return gatekeeperRequests_;
}

size_t TestGatekeeper::UnregistrationRequests() const {
  std::lock_guard lock(mutex_);
  return unregistrationRequests_;
}

size_t TestGatekeeper::UnregistrationConfirms() const {
  std::lock_guard lock(mutex_);
  return unregistrationConfirms_;
}

bool TestGatekeeper::WaitForRegistrations(size_t n, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return registrations_.size() >= n; }, timeout);
}

bool TestGatekeeper::WaitForConfirmedRegistrations(size_t n, std::chrono::milliseconds timeout) const {
  return WaitUntil(
      [&] {
        size_t c = 0;
        for (const auto& r : registrations_) c += r.confirmed ? 1 : 0;
        return c >= n;
      },
      timeout);
}

bool TestGatekeeper::WaitForAdmissions(size_t n, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return admissions_.size() >= n; }, timeout);
}

bool TestGatekeeper::WaitForDisengages(size_t n, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return disengages_.size() >= n; }, timeout);
}

bool TestGatekeeper::WaitForGatekeeperRequests(size_t n, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return gatekeeperRequests_ >= n; }, timeout);
}

bool TestGatekeeper::WaitForUnregistrationRequests(size_t n, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return unregistrationRequests_ >= n; }, timeout);
}

bool TestGatekeeper::WaitForUnregistrationConfirms(size_t n, std::chrono::milliseconds timeout) const {
  return WaitUntil([&] { return unregistrationConfirms_ >= n; }, timeout);
}

}  // namespace service
