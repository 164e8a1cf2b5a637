#include "stack/h323/H323Connection.h"

#include "stack/h323/H323ControlChannel.h"
#include "stack/h323/H323EndPoint.h"

namespace {

// Splits "host:port" (the port optional).
bool SplitHostPort(const PString& text, PString& host, uint16_t& port, uint16_t defaultPort) {
  const PINDEX colon = text.FindLast(':');
  port = defaultPort;
  host = text;
  if (colon == P_MAX_INDEX) return !host.IsEmpty();
  host = text.Left(colon);
  const PString digits = text.Mid(colon + 1);
  if (digits.IsEmpty() || digits.GetLength() > 5) return false;
  for (char c : digits.str())
    if (c < '0' || c > '9') return false;
  const unsigned long value = digits.AsUnsigned();
  if (value == 0 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return !host.IsEmpty();
}

}  // namespace

H323Connection::H323Connection(H323EndPoint& endpoint, unsigned callReference, unsigned options)
    : m_endpoint(endpoint),
      m_callReference(callReference),
      m_options(options),
      m_callIdentifier(H323NewGuid()),
      m_conferenceID(H323NewGuid()),
      m_control(std::make_unique<H323ControlChannel>(*this)) {}

H323Connection::~H323Connection() { Shutdown(); }

PString H323Connection::GetRemotePartyName() const {
  PWaitAndSignal lock(m_mutex);
  return m_remotePartyName.IsEmpty() ? m_remotePartyAddress : m_remotePartyName;
}

PString H323Connection::GetRemotePartyAddress() const {
  PWaitAndSignal lock(m_mutex);
  return m_remotePartyAddress;
}

H323Connection::Phase H323Connection::GetPhase() const {
  PWaitAndSignal lock(m_mutex);
  return m_phase;
}

void H323Connection::SetPhase(Phase phase) {
  PWaitAndSignal lock(m_mutex);
  if (m_phase != Phase::Released) m_phase = phase;
}

void H323Connection::SetEndReason(CallEndReason reason) {
  CallEndReason expected = NumCallEndReasons;
  m_callEndReason.compare_exchange_strong(expected, reason);
}

// --- Outgoing calls

void H323Connection::StartOutgoing(const PString& remoteParty) {
  PWaitAndSignal lock(m_mutex);
  m_originating = true;
  m_wantTunnelling = !m_endpoint.IsH245TunnelingDisabled();
  m_remotePartyName = remoteParty;
  m_phase = Phase::Connecting;
  m_signal = std::make_unique<H323SignalChannel>();
  m_outgoingThread = std::thread([this, remoteParty] { OutgoingThread(remoteParty); });
}

void H323Connection::OutgoingThread(PString remoteParty) {
  H323AdmissionRequest request;
  request.answeringCall = false;
  request.remoteParty = remoteParty;
  request.callIdentifier = m_callIdentifier;
  request.conferenceID = m_conferenceID;
  request.bandwidth = m_endpoint.GetInitialBandwidth();
  request.sourceAliases = m_endpoint.GetAliases();

  const H323AliasAddress alias = H323AliasAddress::FromText(remoteParty);
  std::optional<TcpAddress> address = TcpAddress::Parse(remoteParty.view(), H323EndPoint::kDefaultSignalPort);
  bool unresolved = false;
  if (alias.kind == H323AliasAddress::e_dialedDigits) {
    request.destinationAliases.push_back(alias);
  } else if (!address) {
    PString host;
    uint16_t port = 0;
    PIPSocket::Address ip;
    if (SplitHostPort(remoteParty, host, port, H323EndPoint::kDefaultSignalPort) && PIPSocket::GetHostAddress(host, ip))
      address = ToTcpAddress(ip, port);
    else
      unresolved = true;
  }
  request.destCallSignalAddress = address;

  const H323AdmissionResult admission = m_endpoint.OnAdmitCall(*this, request);
  if (IsClearing()) return;
  if (!admission.admitted) {
    ClearCall(admission.rejectReason);
    return;
  }
  m_admitted = true;
  if (admission.destCallSignalAddress) address = admission.destCallSignalAddress;
  if (!address) {
    ClearCall(unresolved ? EndedByConnectFail : EndedByNoUser);
    return;
  }

  H323SignalChannel* signal;
  {
    PWaitAndSignal lock(m_mutex);
    signal = m_signal.get();
  }
  std::string error;
  const auto status = signal->Connect(*address, m_endpoint.GetSignallingChannelConnectTimeout().AsDuration(), &error);
  if (status != TcpSocket::Status::Ok) {
    if (!IsClearing()) ClearCall(EndedByConnectFail);
    return;
  }
  {
    PWaitAndSignal lock(m_mutex);
    m_remotePartyAddress = PString(signal->GetRemoteAddress().ToString());
  }
  m_controlTransport.SetAddresses(signal->GetLocalAddress(), signal->GetRemoteAddress());
  if (!StartSignalChannel()) {
    if (!IsClearing()) ClearCall(EndedByTransportFail);
    return;
  }

  H323SignalPDU setup = BuildPDU(Q931::SetupMsg, H323UserInformation::e_setup);
  setup.m_q931pdu.SetBearerCapability(q931::BearerCapability{});
  setup.m_userInfo.sourceAliases = m_endpoint.GetAliases();
  setup.m_userInfo.destinationAliases = request.destinationAliases;
  setup.m_userInfo.destCallSignalAddress = *address;
  setup.m_userInfo.sourceCallSignalAddress = signal->GetLocalAddress();
  if (alias.kind == H323AliasAddress::e_dialedDigits) setup.m_q931pdu.SetCalledPartyNumber(alias.value.view());
  if (!m_endpoint.IsFastStartDisabled()) {
    setup.m_userInfo.fastStart = m_control->BuildFastStartProposals();
    setup.m_userInfo.hasFastStart = !setup.m_userInfo.fastStart.empty();
  }
  bool sendFailed = false;
  {
    PWaitAndSignal lock(m_mutex);
    if (m_clearing) return;
    m_answerDeadline = Clock::now() + m_endpoint.GetSignallingChannelCallTimeout().AsDuration();
    m_endpoint.WakeCleaner();
    m_phase = Phase::AwaitingReply;
    if (!WriteSignalPDU(setup)) {
      m_answerDeadline.reset();
      m_remoteReleased = true;
      sendFailed = true;
    }
  }
  if (sendFailed && !IsClearing()) ClearCall(EndedByTransportFail);
}

bool H323Connection::StartSignalChannel() {
  H323SignalChannel::Handlers handlers;
  handlers.onMessage = [this](Q931 message) { OnSignalMessage(message); };
  handlers.onClosed = [this](TpktChannel::CloseReason reason, const std::string&) { OnSignalClosed(reason); };
  return m_signal->Start(std::move(handlers));
}

// --- Incoming calls

void H323Connection::AttachIncoming(std::unique_ptr<H323SignalChannel> channel, const Q931& setup) {
  if (!channel) {
    ClearCall(EndedByTransportFail);
    return;
  }
  {
    PWaitAndSignal lock(m_mutex);
    m_originating = false;
    m_signal = std::move(channel);
    m_remotePartyAddress = PString(m_signal->GetRemoteAddress().ToString());
    if (m_shutdown) {
      // Cleared before the channel arrived: the cleaner could not close it.
      m_signal->Close();
      return;
    }
    m_phase = Phase::Answering;
  }
  m_controlTransport.SetAddresses(m_signal->GetLocalAddress(), m_signal->GetRemoteAddress());
  // The answering thread keeps the connection alive; the endpoint waits for it at its end.
  m_endpoint.BeginCallThread();
  std::thread([self = shared_from_this(), setup, &endpoint = m_endpoint]() mutable {
    self->HandleIncomingSetup(setup);
    self.reset();
    endpoint.EndCallThread();
  }).detach();
}

bool H323Connection::SendAlerting(H323SignalPDU& alertingPDU) {
  PWaitAndSignal lock(m_mutex);
  if (m_originating || m_phase != Phase::Answering || m_clearing || m_alertingSent) return false;
  if (!WriteSignalPDU(alertingPDU)) return false;
  m_alertingSent = true;
  return true;
}

void H323Connection::WaitNotified() {
  std::unique_lock lock(m_notifyMutex);
  m_notifyDone.wait(lock, [&] { return !m_notifying; });
}

void H323Connection::HandleIncomingSetup(const Q931& setup) {
  H323SignalPDU setupPDU;
  std::string error;
  if (!setupPDU.Read(setup, &error) || !setupPDU.m_hasUserInfo ||
      setupPDU.m_userInfo.body != H323UserInformation::e_setup) {
    // Not an H.323 call: refuse it with the reason the peer can read.
    {
      PWaitAndSignal lock(m_mutex);
      H323SignalPDU release = BuildPDU(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete);
      release.m_q931pdu.SetCause(setupPDU.m_hasUserInfo || !setup.HasIE(Q931::UserUserIE) ? Q931::MandatoryIEMissing
                                                                                          : Q931::InvalidIEContents);
      WriteSignalPDU(release);
      m_remoteReleased = true;
    }
    ClearCall(EndedByTransportFail);
    return;
  }
  H323AdmissionRequest request;
  {
    PWaitAndSignal lock(m_mutex);
    m_callIdentifier = setupPDU.m_userInfo.callIdentifier;
    m_conferenceID = setupPDU.m_userInfo.conferenceID;
    m_h245Tunnelling = setupPDU.m_userInfo.h245Tunnelling && !m_endpoint.IsH245TunnelingDisabled();
    UpdateRemoteName(setupPDU);
    H323SignalPDU proceeding = BuildPDU(Q931::CallProceedingMsg, H323UserInformation::e_callProceeding);
    WriteSignalPDU(proceeding);
    request.answeringCall = true;
    request.remoteParty = m_remotePartyName;
    request.sourceAliases = setupPDU.m_userInfo.sourceAliases;
    request.destinationAliases = setupPDU.m_userInfo.destinationAliases;
    request.sourceCallSignalAddress = m_signal->GetRemoteAddress();
    request.destCallSignalAddress = m_signal->GetLocalAddress();
    request.callIdentifier = m_callIdentifier;
    request.conferenceID = m_conferenceID;
    request.bandwidth = m_endpoint.GetInitialBandwidth();
    // The caller's H.245 waits for the admission, as does what it tunnels meanwhile.
    for (const auto& message : setupPDU.m_userInfo.h245Control)
      if (m_heldH245.size() < kMaxHeldH245) m_heldH245.push_back(message);
  }
  const H323AdmissionResult admission = m_endpoint.OnAdmitCall(*this, request);
  if (IsClearing()) return;
  if (!admission.admitted) {
    ClearCall(admission.rejectReason);
    return;
  }
  {
    PWaitAndSignal lock(m_mutex);
    if (m_clearing) return;
    m_admitted = true;
    std::vector<std::vector<uint8_t>> held;
    held.swap(m_heldH245);
    // Under the lock, so that nothing the caller tunnels from now on overtakes it.
    if (!held.empty() && m_h245Tunnelling) {
      StartControl();
      FeedControl(held);
    }
  }

  H323SignalPDU alerting = BuildPDU(Q931::AlertingMsg, H323UserInformation::e_alerting);
  if (!m_endpoint.OnIncomingCall(*this, setupPDU, alerting)) {
    ClearCall(EndedByNoAccept);
    return;
  }
  {
    PWaitAndSignal lock(m_mutex);
    if (m_clearing) return;
    H323SignalPDU connect = BuildPDU(Q931::ConnectMsg, H323UserInformation::e_connect);
    if (setupPDU.m_userInfo.hasFastStart && !m_endpoint.IsFastStartDisabled()) {
      // Media starts with the answer: an Alerting sent while the user was asked carried
      // none, so that nothing of the callee is heard before they accepted.
      const auto answers = m_control->AnswerFastStart(setupPDU.m_userInfo.fastStart);
      for (H323SignalPDU* pdu : {&alerting, &connect}) {
        pdu->m_userInfo.hasFastStart = !answers.empty();
        pdu->m_userInfo.fastStart = answers;
      }
    }
    if (!m_h245Tunnelling) {
      TcpAddress h245;
      if (ListenControlChannel(h245)) connect.m_userInfo.h245Address = h245;
    }
    if (!m_alertingSent && !WriteSignalPDU(alerting)) return;  // the close will clear the call
    m_alertingSent = true;
    if (!WriteSignalPDU(connect)) return;
    m_phase = Phase::Established;
    if (m_h245Tunnelling) StartControl();
    std::lock_guard notify(m_notifyMutex);
    m_notifying = true;
  }
  m_endpoint.OnConnectionEstablished(*this, m_callToken);
  {
    std::lock_guard notify(m_notifyMutex);
    m_notifying = false;
  }
  m_notifyDone.notify_all();
}

// --- Received messages

void H323Connection::OnSignalMessage(const Q931& message) {
  if (message.GetCallReference() != m_callReference || message.IsFromDestination() != m_originating) return;
  H323SignalPDU pdu;
  std::string error;
  // A message whose user-user information cannot be read is still handled by its Q.931
  // part: a release is a release, whatever else it carries.
  pdu.Read(message, &error);
  if (message.GetMessageType() == Q931::ReleaseCompleteMsg) {
    // Nothing may follow the peer's release, not even the answer to what it tunnels.
    PWaitAndSignal lock(m_mutex);
    m_remoteReleased = true;
    m_releaseReceived = true;
  }
  ProcessTunnelled(pdu);
  switch (message.GetMessageType()) {
    case Q931::CallProceedingMsg: OnReceivedCallProceeding(pdu); break;
    case Q931::AlertingMsg: OnReceivedAlerting(pdu); break;
    case Q931::ConnectMsg: OnReceivedConnect(pdu); break;
    case Q931::ReleaseCompleteMsg: OnReceivedReleaseComplete(pdu); break;
    case Q931::FacilityMsg: OnReceivedFacility(pdu); break;
    case Q931::StatusEnquiryMsg: OnReceivedStatusEnquiry(pdu); break;
    case Q931::ProgressMsg: OnReceivedProgress(pdu); break;
    case Q931::InformationMsg: OnReceivedInformation(message); break;
    default: break;  // Notify, Status and the rest need no action
  }
  if (IsClearing()) {
    PWaitAndSignal lock(m_mutex);
    OnClearingProgress();
  }
}

// Early media: the callee may answer fast start in a Progress (or a Facility) before it
// alerts or connects.
void H323Connection::OnReceivedProgress(const H323SignalPDU& pdu) {
  PWaitAndSignal lock(m_mutex);
  if (m_originating && m_phase == Phase::AwaitingReply) m_phase = Phase::Proceeding;
  if (!m_clearing) OnFastStartAnswer(pdu);
}

void H323Connection::OnReceivedInformation(const Q931& message) {
  // Key tones sent as the keypad facility, as peers do when no H.245 channel exists.
  const std::optional<std::string> keys = message.GetKeypad();
  if (!keys || keys->empty() || IsClearing() || !IsEstablished()) return;
  OnUserInputString(PString(*keys));
}

void H323Connection::OnReceivedCallProceeding(const H323SignalPDU& pdu) {
  PWaitAndSignal lock(m_mutex);
  if (m_originating && m_phase == Phase::AwaitingReply) m_phase = Phase::Proceeding;
  OnFastStartAnswer(pdu);
}

void H323Connection::OnFastStartAnswer(const H323SignalPDU& pdu) {
  if (m_originating && pdu.m_userInfo.hasFastStart && !pdu.m_userInfo.fastStart.empty())
    m_control->OnFastStartAnswer(pdu.m_userInfo.fastStart);
}

void H323Connection::OnReceivedAlerting(const H323SignalPDU& pdu) {
  PString user;
  {
    PWaitAndSignal lock(m_mutex);
    if (!m_originating || (m_phase != Phase::AwaitingReply && m_phase != Phase::Proceeding)) return;
    m_phase = Phase::Alerting;
    UpdateRemoteName(pdu);
    OnFastStartAnswer(pdu);
    user = m_remotePartyName;
  }
  m_endpoint.OnAlerting(*this, pdu, user);
}

void H323Connection::OnReceivedConnect(const H323SignalPDU& pdu) {
  {
    PWaitAndSignal lock(m_mutex);
    if (!m_originating || m_clearing || m_phase == Phase::Established || m_phase == Phase::Released) return;
    m_phase = Phase::Established;
    m_answerDeadline.reset();
    UpdateRemoteName(pdu);
    OnFastStartAnswer(pdu);
    // Tunnelling may already run from an earlier message that carried H.245.
    m_h245Tunnelling = m_h245Tunnelling || (m_wantTunnelling && pdu.m_userInfo.h245Tunnelling);
    if (m_h245Tunnelling) {
      StartControl();
    } else if (pdu.m_userInfo.h245Address) {
      ConnectControlChannel(*pdu.m_userInfo.h245Address);
    }
  }
  m_endpoint.OnConnectionEstablished(*this, m_callToken);
}

void H323Connection::OnReceivedReleaseComplete(const H323SignalPDU& pdu) {
  CallEndReason reason;
  {
    PWaitAndSignal lock(m_mutex);
    m_remoteReleased = true;
    std::optional<uint8_t> cause;
    if (auto c = pdu.m_q931pdu.GetCause()) cause = c->value;
    reason = CallEndReasonFromRemoteRelease(cause, m_phase == Phase::Established, m_originating);
  }
  ClearCall(reason);
}

void H323Connection::OnReceivedFacility(const H323SignalPDU& pdu) {
  {
    PWaitAndSignal lock(m_mutex);
    if (!m_clearing) OnFastStartAnswer(pdu);
  }
  using Notice = H323UserInformation::HoldNotice;
  const Notice notice = pdu.m_userInfo.holdNotice;
  if (notice == Notice::None || !IsEstablished()) return;
  const bool held = notice == Notice::Hold;
  if (m_remoteHold.exchange(held) == held) return;
  OnRemoteHold(held);
}

void H323Connection::OnReceivedStatusEnquiry(const H323SignalPDU&) {
  PWaitAndSignal lock(m_mutex);
  H323SignalPDU status = BuildPDU(Q931::StatusMsg, H323UserInformation::e_status);
  status.m_q931pdu.SetCause(Q931::StatusEnquiryResponse);
  status.m_q931pdu.SetCallState(GetQ931CallState());
  WriteSignalPDU(status);
}

void H323Connection::OnSignalClosed(TpktChannel::CloseReason) {
  PWaitAndSignal lock(m_mutex);
  m_remoteReleased = true;  // nothing can be sent any more
  if (m_clearing)
    OnClearingProgress();
  else
    ClearCall(EndedByTransportFail);
}

void H323Connection::UpdateRemoteName(const H323SignalPDU& pdu) {
  const PString name = pdu.GetSourceAliases();
  if (!name.IsEmpty()) m_remotePartyName = name;
}

uint8_t H323Connection::GetQ931CallState() const {
  switch (m_phase) {
    case Phase::Idle: return Q931::NullState;
    case Phase::Connecting:
    case Phase::AwaitingReply: return Q931::CallInitiatedState;
    case Phase::Proceeding: return Q931::OutgoingCallProceedingState;
    case Phase::Alerting: return Q931::CallDeliveredState;
    case Phase::Answering: return m_alertingSent ? Q931::CallReceivedState : Q931::IncomingCallProceedingState;
    case Phase::Established: return Q931::ActiveState;
    case Phase::Released: return Q931::ReleaseRequestState;
  }
  return Q931::NullState;
}

// --- Sending

H323SignalPDU H323Connection::BuildPDU(uint8_t q931Type, H323UserInformation::Body body) const {
  H323SignalPDU pdu;
  pdu.Build(q931Type, body, static_cast<uint16_t>(m_callReference), !m_originating);
  pdu.m_userInfo.callIdentifier = m_callIdentifier;
  pdu.m_userInfo.conferenceID = m_conferenceID;
  pdu.m_userInfo.displayName = m_endpoint.GetLocalUserName();
  pdu.m_userInfo.h245Tunnelling = m_originating ? m_wantTunnelling : m_h245Tunnelling;
  if (body == H323UserInformation::e_alerting || body == H323UserInformation::e_connect)
    pdu.m_userInfo.sourceAliases = m_endpoint.GetAliases();
  return pdu;
}

bool H323Connection::WriteSignalPDU(H323SignalPDU& pdu) {
  PWaitAndSignal lock(m_mutex);
  if (!m_signal || !pdu.Encode()) return false;
  return m_signal->Send(pdu.m_q931pdu);
}

// --- Clearing

void H323Connection::ClearCall(CallEndReason reason) {
  PWaitAndSignal lock(m_mutex);
  if (m_clearing.exchange(true)) return;
  SetEndReason(reason);
  m_answerDeadline.reset();
  m_phase = Phase::Released;
  m_clearDeadline = Clock::now() + m_endpoint.GetEndSessionTimeout().AsDuration();
  m_endpoint.WakeCleaner();
  // The end of the session first; while the peer can still answer it, the Release
  // Complete waits for the peer's end of session.
  const bool endSessionSent = !m_releaseReceived && m_control->SendEndSession();
  if (!endSessionSent || m_control->IsEndSessionReceived() || m_controlClosed || m_remoteReleased)
    SendReleaseComplete();
  OnClearingProgress();
}

void H323Connection::SendReleaseComplete() {
  if (m_releaseSent) return;
  if (!m_remoteReleased && m_signal && m_signal->IsOpen()) {
    H323SignalPDU release = BuildPDU(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete);
    release.m_q931pdu.SetCause(Q931CauseFromCallEndReason(m_callEndReason.load()));
    WriteSignalPDU(release);
  }
  m_releaseSent = true;
  m_endpoint.NotifyChanged();
}

// The connection goes to the cleaner once its Release Complete is out and the peer has
// released or closed: its own release then meets an open connection, not a reset.
void H323Connection::OnClearingProgress() {
  if (!m_clearing || m_queuedForCleaning) return;
  if (!m_releaseSent && (m_control->IsEndSessionReceived() || m_controlClosed || m_remoteReleased))
    SendReleaseComplete();
  const bool peerDone = m_remoteReleased || !m_signal || !m_signal->IsOpen();
  if (!m_releaseSent || !peerDone) return;
  m_queuedForCleaning = true;
  m_endpoint.QueueForCleaning(*this);
}

void H323Connection::OnControlChannelClosed() {
  PWaitAndSignal lock(m_mutex);
  m_controlClosed = true;
  if (!m_clearing)
    ClearCall(EndedByTransportFail);
  else
    OnClearingProgress();
}

bool H323Connection::WaitReleaseSent(Clock::time_point deadline) {
  std::unique_lock lock(m_endpoint.m_mutex);
  return m_endpoint.m_changed.wait_until(lock, deadline, [&] { return m_releaseSent.load(); });
}

void H323Connection::CheckTimers(Clock::time_point now) {
  bool expired = false, givenUp = false;
  {
    PWaitAndSignal lock(m_mutex);
    expired = !m_clearing && m_answerDeadline && now >= *m_answerDeadline;
    // A peer that does not end its session, or does not release, is waited for no longer.
    givenUp = m_clearing && !m_queuedForCleaning && m_clearDeadline && now >= *m_clearDeadline;
    if (givenUp) {
      SendReleaseComplete();
      m_queuedForCleaning = true;
    }
  }
  if (expired) ClearCall(EndedByNoAnswer);
  if (givenUp) m_endpoint.QueueForCleaning(*this);
}

std::optional<H323Connection::Clock::time_point> H323Connection::NextTimer() {
  PWaitAndSignal lock(m_mutex);
  if (!m_clearing && m_answerDeadline) return m_answerDeadline;
  if (m_clearing && !m_queuedForCleaning && m_clearDeadline) return m_clearDeadline;
  return std::nullopt;
}

void H323Connection::Shutdown() {
  H323SignalChannel* signal;
  TpktChannel* h245;
  {
    PWaitAndSignal lock(m_mutex);
    m_shutdown = true;
    signal = m_signal.get();
    h245 = m_h245Channel.get();
  }
  m_h245Stop.Signal();
  if (h245) h245->Close();
  if (m_h245Thread.joinable() && m_h245Thread.get_id() != std::this_thread::get_id()) m_h245Thread.join();
  if (signal) signal->Close();  // joins the reader thread
  if (m_outgoingThread.joinable() && m_outgoingThread.get_id() != std::this_thread::get_id())
    m_outgoingThread.join();
  CloseMedia();
}

// --- Media

H323_RTP_UDP* H323Connection::UseSession(unsigned sessionID) {
  PWaitAndSignal lock(m_mutex);
  auto it = m_sessions.find(sessionID);
  if (it != m_sessions.end()) return it->second.get();
  std::unique_ptr<H323_RTP_UDP> session(m_endpoint.CreateRTPSession(*this, sessionID));
  if (!session || !session->Open(m_controlTransport.GetLocalAddress(), m_endpoint.GetRtpIpPorts())) return nullptr;
  return (m_sessions[sessionID] = std::move(session)).get();
}

std::vector<H323_RTPChannel*> H323Connection::GetChannels() const {
  PWaitAndSignal lock(m_mutex);
  std::vector<H323_RTPChannel*> channels;
  for (const auto& c : m_channels) channels.push_back(c.get());
  return channels;
}

std::unique_ptr<H323_RTPChannel> H323Connection::CreateChannel(const H323AudioCapability& capability,
                                                               H323_RTPChannel::Directions direction,
                                                               unsigned sessionID) {
  PWaitAndSignal lock(m_mutex);
  if (m_clearing) return nullptr;
  H323_RTP_UDP* session = UseSession(sessionID);
  if (session == nullptr) return nullptr;
  return std::make_unique<H323_RTPChannel>(*this, capability, direction, *session);
}

H323_RTPChannel* H323Connection::StartChannel(std::unique_ptr<H323_RTPChannel> channel) {
  PWaitAndSignal lock(m_mutex);
  if (m_clearing || !channel) return nullptr;
  channel->SetPause(m_localHold);
  if (!channel->Start()) return nullptr;
  m_channels.push_back(std::move(channel));
  return m_channels.back().get();
}

bool H323Connection::CloseChannel(unsigned number, H323_RTPChannel::Directions direction) {
  std::unique_ptr<H323_RTPChannel> closing;
  {
    PWaitAndSignal lock(m_mutex);
    for (auto it = m_channels.begin(); it != m_channels.end(); ++it) {
      if ((*it)->GetNumber() == number && (*it)->GetDirection() == direction) {
        closing = std::move(*it);
        m_channels.erase(it);
        break;
      }
    }
  }
  return closing != nullptr;  // stopped here, outside the lock
}

void H323Connection::CloseMedia() {
  std::vector<std::unique_ptr<H323_RTPChannel>> channels;
  std::map<unsigned, std::unique_ptr<H323_RTP_UDP>> sessions;
  {
    PWaitAndSignal lock(m_mutex);
    channels.swap(m_channels);
    sessions.swap(m_sessions);
  }
  channels.clear();  // stops the pumps before their sessions go
  sessions.clear();
}

// --- User input and hold

void H323Connection::SendUserInputTone(char tone, unsigned, unsigned, unsigned) { SendUserInput(PString(tone)); }

void H323Connection::SendUserInput(const PString& value) { m_control->SendUserInput(value); }

void H323Connection::OnUserInputString(const PString& value) { m_endpoint.OnUserInputString(*this, value); }

bool H323Connection::HoldCall(bool) {
  PWaitAndSignal lock(m_mutex);
  if (m_phase != Phase::Established || m_clearing || m_localHold) return false;
  H323SignalPDU facility = BuildPDU(Q931::FacilityMsg, H323UserInformation::e_facility);
  facility.m_userInfo.holdNotice = H323UserInformation::HoldNotice::Hold;
  if (!WriteSignalPDU(facility)) return false;
  m_localHold = true;
  for (auto& c : m_channels) c->SetPause(true);
  return true;
}

bool H323Connection::RetrieveCall() {
  PWaitAndSignal lock(m_mutex);
  if (m_phase != Phase::Established || m_clearing || !m_localHold) return false;
  H323SignalPDU facility = BuildPDU(Q931::FacilityMsg, H323UserInformation::e_facility);
  facility.m_userInfo.holdNotice = H323UserInformation::HoldNotice::Retrieve;
  if (!WriteSignalPDU(facility)) return false;
  m_localHold = false;
  for (auto& c : m_channels) c->SetPause(false);
  return true;
}

void H323Connection::OnRemoteHold(bool) {}

// --- H.245 transport

bool H323Connection::IsH245Tunnelling() const {
  PWaitAndSignal lock(m_mutex);
  return m_h245Tunnelling;
}

void H323Connection::StartControl() {
  if (m_h245Tunnelling) m_control->SetSender([this](const std::vector<uint8_t>& pdu) { return SendTunnelled(pdu); });
  m_control->Start();
}

bool H323Connection::SendTunnelled(const std::vector<uint8_t>& pdu) {
  PWaitAndSignal lock(m_mutex);
  if (m_releaseReceived) return false;
  H323SignalPDU facility = BuildPDU(Q931::FacilityMsg, H323UserInformation::e_facility);
  facility.m_userInfo.h245Control.push_back(pdu);
  return WriteSignalPDU(facility);
}

// H.245 may ride in any message from the first one on: a caller's Setup, and a callee's
// Call Proceeding, Alerting or Progress before its Connect.  The first tunnelled message
// starts this side's part (capability set, master/slave determination), so that what the
// peer sent is answered at once.
void H323Connection::ProcessTunnelled(const H323SignalPDU& pdu) {
  const auto& messages = pdu.m_userInfo.h245Control;
  if (messages.empty()) return;
  PWaitAndSignal lock(m_mutex);
  if (!m_originating && !m_admitted) {
    // Held for the admission; a caller that floods the wait loses what does not fit.
    for (const auto& message : messages)
      if (m_heldH245.size() < kMaxHeldH245) m_heldH245.push_back(message);
    return;
  }
  if (m_originating && !m_h245Tunnelling && m_wantTunnelling) m_h245Tunnelling = true;
  if (!m_h245Tunnelling) return;
  if (m_clearing) {
    // Nothing starts now; a running session still hears the peer end it.
    if (m_control->IsStarted()) FeedControl(messages);
    return;
  }
  if (!m_releaseReceived) StartControl();
  FeedControl(messages);
}

void H323Connection::FeedControl(const std::vector<std::vector<uint8_t>>& messages) {
  for (const auto& message : messages) m_control->OnReceived(message);
}

bool H323Connection::ListenControlChannel(TcpAddress& address) {
  TcpAddress local = m_signal->GetLocalAddress();
  local.port = 0;
  if (TcpSocket::Listen(local, true, 1, m_h245Listener) != TcpSocket::Status::Ok) return false;
  address = m_h245Listener.GetLocalAddress();
  m_h245Thread = std::thread([this] {
    TcpSocket accepted;
    if (m_h245Listener.Accept(m_h245Stop, accepted) != TcpSocket::Status::Ok) return;
    m_h245Listener.Close();
    StartControlChannel(std::make_unique<TpktChannel>(std::move(accepted)));
  });
  return true;
}

void H323Connection::ConnectControlChannel(TcpAddress address) {
  auto channel = std::make_unique<TpktChannel>();
  TpktChannel* raw = channel.get();
  m_h245Channel = std::move(channel);  // under the lock: Shutdown can abort the connect
  m_h245Thread = std::thread([this, raw, address] {
    if (raw->Connect(address, m_endpoint.GetSignallingChannelConnectTimeout().AsDuration()) != TcpSocket::Status::Ok) {
      if (!IsClearing()) ClearCall(EndedByTransportFail);
      return;
    }
    StartControlChannel(nullptr);
  });
}

// Starts the separate H.245 connection: `channel` is an accepted one, or null for the one
// this side connected.
void H323Connection::StartControlChannel(std::unique_ptr<TpktChannel> channel) {
  PWaitAndSignal lock(m_mutex);
  if (m_shutdown || m_clearing) return;
  if (channel) m_h245Channel = std::move(channel);
  TpktChannel* raw = m_h245Channel.get();
  TpktChannel::Handlers handlers;
  handlers.onPacket = [this](std::vector<uint8_t> payload) { m_control->OnReceived(payload); };
  handlers.onClosed = [this](TpktChannel::CloseReason, const std::string&) { OnControlChannelClosed(); };
  m_controlTransport.SetAddresses(raw->GetLocalAddress(), raw->GetRemoteAddress());
  if (!raw->Start(std::move(handlers))) return;
  m_control->SetSender([raw](const std::vector<uint8_t>& pdu) { return raw->Send(pdu); });
  m_control->Start();
}
