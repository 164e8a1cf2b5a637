#include "stack/ras/H225_RAS.h"

#include <algorithm>
#include <random>

namespace ras {

bool IsMulticast(const RasAddress& address) { return (address.ip >> 28) == 0xE; }  // 224.0.0.0/4

bool AcceptsReplyFrom(const RasAddress& to, const RasAddress& from) { return IsMulticast(to) || from == to; }

namespace {

// Every RAS message alternative that carries a requestSeqNum.
#define RAS_MESSAGES(X)                                                                  \
  X(gatekeeperRequest) X(gatekeeperConfirm) X(gatekeeperReject) X(registrationRequest)   \
  X(registrationConfirm) X(registrationReject) X(unregistrationRequest)                  \
  X(unregistrationConfirm) X(unregistrationReject) X(admissionRequest)                   \
  X(admissionConfirm) X(admissionReject) X(bandwidthRequest) X(bandwidthConfirm)         \
  X(bandwidthReject) X(disengageRequest) X(disengageConfirm) X(disengageReject)          \
  X(locationRequest) X(locationConfirm) X(locationReject) X(infoRequest)                 \
  X(infoRequestResponse) X(nonStandardMessage) X(unknownMessageResponse)                 \
  X(requestInProgress) X(resourcesAvailableIndicate) X(resourcesAvailableConfirm)        \
  X(infoRequestAck) X(infoRequestNak) X(serviceControlIndication)                        \
  X(serviceControlResponse)

}  // namespace

unsigned GetSequenceNumber(const H225_RasMessage& msg) {
  switch (msg.GetTag()) {
#define GET_SEQ(alt)               \
  case H225_RasMessage::e_##alt:   \
    return static_cast<unsigned>(msg.alt().m_requestSeqNum.GetValue());
    RAS_MESSAGES(GET_SEQ)
#undef GET_SEQ
    case H225_RasMessage::e_admissionConfirmSequence:
      return msg.admissionConfirmSequence().GetSize() > 0
                 ? static_cast<unsigned>(msg.admissionConfirmSequence()[0].m_requestSeqNum)
                 : 0;
    default:
      return 0;
  }
}

void SetSequenceNumber(H225_RasMessage& msg, unsigned seq) {
  switch (msg.GetTag()) {
#define SET_SEQ(alt)               \
  case H225_RasMessage::e_##alt:   \
    msg.alt().m_requestSeqNum = seq; \
    break;
    RAS_MESSAGES(SET_SEQ)
#undef SET_SEQ
    default:
      break;
  }
}

namespace {

// The confirm and reject that answer a request, or false for what is no request.
bool ReplyTags(unsigned request, unsigned& confirm, unsigned& reject) {
  switch (request) {
    case H225_RasMessage::e_gatekeeperRequest:
      confirm = H225_RasMessage::e_gatekeeperConfirm;
      reject = H225_RasMessage::e_gatekeeperReject;
      return true;
    case H225_RasMessage::e_registrationRequest:
      confirm = H225_RasMessage::e_registrationConfirm;
      reject = H225_RasMessage::e_registrationReject;
      return true;
    case H225_RasMessage::e_unregistrationRequest:
      confirm = H225_RasMessage::e_unregistrationConfirm;
      reject = H225_RasMessage::e_unregistrationReject;
      return true;
    case H225_RasMessage::e_admissionRequest:
      confirm = H225_RasMessage::e_admissionConfirm;
      reject = H225_RasMessage::e_admissionReject;
      return true;
    case H225_RasMessage::e_bandwidthRequest:
      confirm = H225_RasMessage::e_bandwidthConfirm;
      reject = H225_RasMessage::e_bandwidthReject;
      return true;
    case H225_RasMessage::e_disengageRequest:
      confirm = H225_RasMessage::e_disengageConfirm;
      reject = H225_RasMessage::e_disengageReject;
      return true;
    case H225_RasMessage::e_locationRequest:
      confirm = H225_RasMessage::e_locationConfirm;
      reject = H225_RasMessage::e_locationReject;
      return true;
    default:
      return false;
  }
}

constexpr unsigned kLargestSequenceNumber = 65535;

// A sequence number from 1 to 65535, from the system's entropy.
unsigned RandomSequenceNumber() {
  std::random_device entropy;
  return std::uniform_int_distribution<unsigned>(1, kLargestSequenceNumber)(entropy);
}

}  // namespace
}  // namespace ras

using ras::RasAddress;

H225_RAS::H225_RAS() : nextSeq_(ras::RandomSequenceNumber()) {}

H225_RAS::~H225_RAS() { Close(); }

bool H225_RAS::Open(const RasAddress& local, std::string* error) {
  Close();
  if (!transport_.Open(local, [this](const std::vector<uint8_t>& b, const RasAddress& from) {
        OnDatagram(b, from);
      }, error)) {
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = true;
  return true;
}

void H225_RAS::Close() {
  std::lock_guard<std::mutex> closing(closeMutex_);  // two closers must not both join the thread
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    if (pending_.active && !pending_.done) {
      pending_.done = true;
      pending_.result = Result::kClosed;
    }
  }
  changed_.notify_all();
  transport_.Close();
}

void H225_RAS::SetRemoteAddress(const RasAddress& gatekeeper) {
  std::lock_guard<std::mutex> lock(mutex_);
  remote_ = gatekeeper;
}

RasAddress H225_RAS::GetRemoteAddress() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return remote_;
}

void H225_RAS::SetTiming(const ras::RasTiming& timing) {
  std::lock_guard<std::mutex> lock(mutex_);
  timing_ = timing;
}

unsigned H225_RAS::GetIgnoredCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return ignored_;
}

bool H225_RAS::SendMessage(const H225_RasMessage& msg, const RasAddress& to) {
  std::vector<uint8_t> bytes;
  if (!msg.Encode(bytes)) return false;
  return transport_.Send(bytes, to);
}

H225_RAS::Result H225_RAS::MakeRequest(H225_RasMessage& request, H225_RasMessage* reply, RasAddress* replyFrom) {
  std::lock_guard<std::mutex> one(requestMutex_);
  unsigned confirm = 0, reject = 0;
  if (!ras::ReplyTags(request.GetTag(), confirm, reject)) return Result::kSendFailed;
  std::unique_lock<std::mutex> lock(mutex_);
  if (!open_) return Result::kClosed;
  unsigned seq = nextSeq_;
  nextSeq_ = nextSeq_ >= ras::kLargestSequenceNumber ? 1 : nextSeq_ + 1;
  ras::SetSequenceNumber(request, seq);
  std::vector<uint8_t> bytes;
  if (!request.Encode(bytes)) return Result::kSendFailed;
  RasAddress to = remote_;
  ras::RasTiming timing = timing_;
  pending_ = Pending{};
  pending_.active = true;
  pending_.seq = seq;
  pending_.confirmTag = confirm;
  pending_.rejectTag = reject;
  pending_.to = to;
  // However often the gatekeeper says the request is in progress, it ends by this.
  pending_.lastDeadline =
      std::chrono::steady_clock::now() + timing.timeout * (timing.retries + 1) + timing.inProgressLimit;
  // Retransmissions keep the sequence number, so a late reply to any of them counts.
  for (unsigned attempt = 0; attempt <= timing.retries && !pending_.done; ++attempt) {
    // Set before the request goes: an answer (or a "request in progress") may come back
    // before this thread has the lock again.
    pending_.deadline = std::min(std::chrono::steady_clock::now() + timing.timeout, pending_.lastDeadline);
    lock.unlock();
    bool sent = transport_.Send(bytes, to);
    lock.lock();
    if (!sent) {
      pending_.active = false;
      return Result::kSendFailed;
    }
    // A "request in progress" moves the deadline while we wait.
    while (!pending_.done && std::chrono::steady_clock::now() < pending_.deadline) {
      changed_.wait_until(lock, pending_.deadline);
    }
    if (std::chrono::steady_clock::now() >= pending_.lastDeadline) break;
  }
  Result result = pending_.done ? pending_.result : Result::kTimedOut;
  if (pending_.done && reply) *reply = pending_.reply;
  if (pending_.done && replyFrom) *replyFrom = pending_.from;
  pending_.active = false;
  return result;
}

void H225_RAS::OnDatagram(const std::vector<uint8_t>& bytes, const RasAddress& from) {
  H225_RasMessage msg;
  if (!msg.Decode(bytes)) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++ignored_;
    return;
  }
  replyAddress_ = from;  // only used on this thread
  unsigned tag = msg.GetTag();
  unsigned seq = ras::GetSequenceNumber(msg);
  unsigned confirm = 0, reject = 0;
  if (ras::ReplyTags(tag, confirm, reject) || tag == H225_RasMessage::e_infoRequest) {
    // Only the gatekeeper asks something of us: a request from any other address or port
    // could unregister us or draw our alias and password token out of us.
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!(from == remote_)) {
        ++ignored_;
        return;
      }
    }
    DispatchRequest(msg);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Only the one the request went to answers it: anyone else who guessed the number
    // could refuse a login, take over the registration or send our calls elsewhere.
    bool forPending = pending_.active && !pending_.done && seq == pending_.seq &&
                      ras::AcceptsReplyFrom(pending_.to, from);
    if (forPending && tag == H225_RasMessage::e_requestInProgress) {
      auto delay = std::chrono::milliseconds(msg.requestInProgress().m_delay.GetValue());
      pending_.deadline = std::min(std::chrono::steady_clock::now() + delay, pending_.lastDeadline);
      changed_.notify_all();
      return;
    }
    if (!forPending || (tag != pending_.confirmTag && tag != pending_.rejectTag)) {
      ++ignored_;  // a reply to nothing we asked, or a message we do not handle
      return;
    }
  }
  bool accepted = DispatchReply(msg);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (pending_.active && !pending_.done && seq == pending_.seq && ras::AcceptsReplyFrom(pending_.to, from)) {
      pending_.done = true;
      pending_.reply = msg;
      pending_.from = from;
      if (!accepted) {
        pending_.result = Result::kRefused;
      } else {
        pending_.result = tag == pending_.confirmTag ? Result::kConfirmed : Result::kRejected;
      }
    }
  }
  changed_.notify_all();
}

bool H225_RAS::DispatchReply(const H225_RasMessage& msg) {
  switch (msg.GetTag()) {
    case H225_RasMessage::e_gatekeeperConfirm:
      return OnReceiveGatekeeperConfirm(msg.gatekeeperConfirm());
    case H225_RasMessage::e_gatekeeperReject:
      return OnReceiveGatekeeperReject(msg.gatekeeperReject());
    case H225_RasMessage::e_registrationConfirm:
      return OnReceiveRegistrationConfirm(msg.registrationConfirm());
    case H225_RasMessage::e_registrationReject:
      return OnReceiveRegistrationReject(msg.registrationReject());
    case H225_RasMessage::e_unregistrationConfirm:
      return OnReceiveUnregistrationConfirm(msg.unregistrationConfirm());
    case H225_RasMessage::e_unregistrationReject:
      return OnReceiveUnregistrationReject(msg.unregistrationReject());
    case H225_RasMessage::e_admissionConfirm:
      return OnReceiveAdmissionConfirm(msg.admissionConfirm());
    case H225_RasMessage::e_admissionReject:
      return OnReceiveAdmissionReject(msg.admissionReject());
    case H225_RasMessage::e_disengageConfirm:
      return OnReceiveDisengageConfirm(msg.disengageConfirm());
    case H225_RasMessage::e_disengageReject:
      return OnReceiveDisengageReject(msg.disengageReject());
    default:
      return true;  // bandwidth and location replies: accepted as they are
  }
}

void H225_RAS::DispatchRequest(const H225_RasMessage& msg) {
  switch (msg.GetTag()) {
    case H225_RasMessage::e_unregistrationRequest:
      OnReceiveUnregistrationRequest(msg.unregistrationRequest());
      break;
    case H225_RasMessage::e_disengageRequest:
      OnReceiveDisengageRequest(msg.disengageRequest());
      break;
    case H225_RasMessage::e_infoRequest:
      OnReceiveInfoRequest(msg.infoRequest());
      break;
    default:
      std::lock_guard<std::mutex> lock(mutex_);
      ++ignored_;  // requests an endpoint does not serve (GRQ, RRQ, ARQ...)
      break;
  }
}

bool H225_RAS::OnReceiveGatekeeperConfirm(const H225_GatekeeperConfirm&) { return true; }
bool H225_RAS::OnReceiveGatekeeperReject(const H225_GatekeeperReject&) { return true; }
bool H225_RAS::OnReceiveRegistrationConfirm(const H225_RegistrationConfirm&) { return true; }
bool H225_RAS::OnReceiveRegistrationReject(const H225_RegistrationReject&) { return true; }
bool H225_RAS::OnReceiveUnregistrationRequest(const H225_UnregistrationRequest&) { return true; }
bool H225_RAS::OnReceiveUnregistrationConfirm(const H225_UnregistrationConfirm&) { return true; }
bool H225_RAS::OnReceiveUnregistrationReject(const H225_UnregistrationReject&) { return true; }
bool H225_RAS::OnReceiveAdmissionConfirm(const H225_AdmissionConfirm&) { return true; }
bool H225_RAS::OnReceiveAdmissionReject(const H225_AdmissionReject&) { return true; }
bool H225_RAS::OnReceiveDisengageRequest(const H225_DisengageRequest&) { return true; }
bool H225_RAS::OnReceiveDisengageConfirm(const H225_DisengageConfirm&) { return true; }
bool H225_RAS::OnReceiveDisengageReject(const H225_DisengageReject&) { return true; }
bool H225_RAS::OnReceiveInfoRequest(const H225_InfoRequest&) { return true; }
