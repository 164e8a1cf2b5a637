#include "stack/h323/H323EndPoint.h"

#include <algorithm>

#include "stack/sound/PSoundChannel.h"
#include "stack/ptlib/PThreadName.h"

H323EndPoint::H323EndPoint() {
  m_rtpPorts.SetPorts(5000, 5999);
  m_cleaner = std::thread([this] {
    PSetThreadName("h323-cleaner");
    CleanerThread();
  });
}

H323EndPoint::~H323EndPoint() {
  RemoveListeners();
  ClearAllCalls(H323Connection::EndedByLocalUser, true);
  // A registration left behind would keep the alias at the gatekeeper.
  RemoveGatekeeper(-1, kExitUnregisterLimit);
  std::list<std::shared_ptr<PendingSignal>> pending;
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
    pending.swap(m_pending);
  }
  m_changed.notify_all();
  {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_callThreads == 0; });
  }
  for (auto& p : pending) {
    std::unique_ptr<H323SignalChannel> channel;
    {
      std::lock_guard lock(m_mutex);
      if (!p->link->handedOver) channel = std::move(p->channel);
    }
    if (channel) channel->Close();
  }
  if (m_cleaner.joinable()) m_cleaner.join();
}

// --- Listening

bool H323EndPoint::StartListener(H323ListenerTCP* listener) {
  if (listener == nullptr) return false;
  std::unique_ptr<H323ListenerTCP> owned(listener);
  if (!owned->Open([this](std::unique_ptr<H323SignalChannel> channel) { OnAccepted(std::move(channel)); }))
    return false;
  std::lock_guard lock(m_listenersMutex);
  m_listeners.push_back(std::move(owned));
  return true;
}

void H323EndPoint::RemoveListeners() {
  std::vector<std::unique_ptr<H323ListenerTCP>> listeners;
  {
    std::lock_guard lock(m_listenersMutex);
    listeners.swap(m_listeners);
  }
  for (auto& l : listeners) l->Close();
}

uint16_t H323EndPoint::GetListenerPort() const {
  std::lock_guard lock(m_listenersMutex);
  for (const auto& l : m_listeners)
    if (l->IsOpen()) return l->GetListenerPort();
  return 0;
}

void H323EndPoint::OnAccepted(std::unique_ptr<H323SignalChannel> channel) {
  auto pending = std::make_shared<PendingSignal>();
  pending->channel = std::move(channel);
  pending->link = std::make_shared<SignalLink>();
  pending->deadline = Clock::now() + m_firstPduTimeout.AsDuration();
  H323SignalChannel* raw = pending->channel.get();
  {
    std::lock_guard lock(m_mutex);
    if (m_stopping) return;
    m_pending.push_back(pending);
  }
  m_changed.notify_all();  // the cleaner times it out
  // Until the Setup has made a connection, the first message goes to the endpoint; from
  // then on the connection handles the channel's messages.
  std::weak_ptr<PendingSignal> weakPending = pending;
  H323SignalChannel::Handlers handlers;
  handlers.onMessage = [this, link = pending->link, weakPending](Q931 message) {
    std::shared_ptr<H323Connection> connection;
    {
      std::lock_guard lock(m_mutex);
      if (link->handedOver) {
        connection = link->connection.lock();
      } else if (link->done) {
        return;
      }
    }
    if (connection) {
      connection->OnSignalMessage(message);
    } else if (auto p = weakPending.lock()) {
      OnFirstMessage(p, message);
    }
  };
  handlers.onClosed = [this, link = pending->link](TpktChannel::CloseReason reason, const std::string&) {
    std::shared_ptr<H323Connection> connection;
    {
      std::lock_guard lock(m_mutex);
      link->done = true;
      if (link->handedOver) connection = link->connection.lock();
    }
    if (connection) connection->OnSignalClosed(reason);
  };
  if (!raw->Start(std::move(handlers))) {
    std::lock_guard lock(m_mutex);
    pending->link->done = true;
  }
}

void H323EndPoint::OnFirstMessage(const std::shared_ptr<PendingSignal>& pending, const Q931& message) {
  {
    std::lock_guard lock(m_mutex);
    if (pending->link->done || m_stopping) return;
    pending->link->done = true;
    pending->link->busy = true;
  }
  struct Idle {
    H323EndPoint& ep;
    SignalLink& link;
    ~Idle() {
      std::lock_guard lock(ep.m_mutex);
      link.busy = false;
    }
  } idle{*this, *pending->link};
  H323SignalChannel& channel = *pending->channel;
  if (message.GetMessageType() != Q931::SetupMsg || message.IsFromDestination()) {
    // Nothing but a Setup can start a call on an accepted connection.
    Q931 release(Q931::ReleaseCompleteMsg, message.GetCallReference(), !message.IsFromDestination());
    release.SetCause(Q931::MessageNotCompatibleWithState);
    channel.Send(release);
    return;
  }
  auto refuse = [&](uint8_t cause) {
    Q931 release(Q931::ReleaseCompleteMsg, message.GetCallReference(), true);
    release.SetCause(cause);
    channel.Send(release);
  };
  if (AtCallLimit()) {
    refuse(Q931::UserBusy);
    return;
  }
  auto connection = NewConnection(message.GetCallReference());
  if (!connection) {
    refuse(Q931::ResourceUnavailable);
    return;
  }
  const TcpAddress remote = channel.GetRemoteAddress();
  {
    std::lock_guard lock(m_mutex);
    connection->SetCallToken(psprintf("ip$%s/%u/%u", remote.ToString().c_str(), message.GetCallReference(),
                                      ++m_tokenSerial));
  }
  connection->m_originating = false;
  bool busy = false;
  if (!AddConnection(connection, true, &busy)) {
    if (busy) refuse(Q931::UserBusy);  // another Setup took the last place meanwhile
    return;
  }
  std::unique_ptr<H323SignalChannel> owned;
  {
    std::lock_guard lock(m_mutex);
    pending->link->connection = connection;
    pending->link->handedOver = true;
    owned = std::move(pending->channel);
  }
  // The connection owns the channel from here; this handler goes on running on it.
  connection->AttachIncoming(std::move(owned), message);
}

// --- Calls

std::shared_ptr<H323Connection> H323EndPoint::NewConnection(unsigned callReference) {
  H323Connection* raw = CreateConnection(callReference);
  if (raw == nullptr) return nullptr;
  return std::shared_ptr<H323Connection>(raw);
}

bool H323EndPoint::AddConnection(const std::shared_ptr<H323Connection>& connection, bool limited, bool* busy) {
  {
    std::lock_guard lock(m_mutex);
    if (m_stopping) return false;
    if (limited && ActiveCallsLocked() >= m_maxCalls.load() && m_maxCalls.load() != 0) {
      if (busy) *busy = true;
      return false;
    }
    m_connections[connection->GetCallToken()] = connection;
  }
  m_changed.notify_all();  // the cleaner runs the call's time-outs
  return true;
}

unsigned H323EndPoint::ActiveCallsLocked() const {
  unsigned calls = 0;
  for (const auto& [token, connection] : m_connections) calls += connection->IsClearing() ? 0 : 1;
  return calls;
}

bool H323EndPoint::AtCallLimit() const {
  const unsigned limit = m_maxCalls.load();
  if (limit == 0) return false;
  std::lock_guard lock(m_mutex);
  return ActiveCallsLocked() >= limit;
}

void H323EndPoint::NotifyChanged() {
  { std::lock_guard lock(m_mutex); }  // a waiter between its test and its wait sees the change
  m_changed.notify_all();
}

unsigned H323EndPoint::NextCallReference() {
  std::lock_guard lock(m_mutex);
  m_lastCallReference = m_lastCallReference % Q931::kMaxCallReference + 1;
  return m_lastCallReference;
}

H323Connection* H323EndPoint::MakeCall(const PString& remoteParty, PString& token, void*) {
  const PString party = remoteParty.Trim();
  if (party.IsEmpty()) return nullptr;
  // A dialled number needs an admission to say where it goes.
  if (H323AliasAddress::FromText(party).kind == H323AliasAddress::e_dialedDigits && GetCallAdmission() == nullptr) {
    // Unless it is a bare port-less number that is also not an address: nothing to call.
    return nullptr;
  }
  auto connection = NewConnection(NextCallReference());
  if (!connection) return nullptr;
  {
    std::lock_guard lock(m_mutex);
    connection->SetCallToken(psprintf("ip$%s/%u/%u", party.GetPointer(), connection->GetCallReference(),
                                      ++m_tokenSerial));
  }
  if (!AddConnection(connection)) return nullptr;
  token = connection->GetCallToken();
  connection->StartOutgoing(party);
  return connection.get();
}

std::shared_ptr<H323Connection> H323EndPoint::FindConnection(const PString& token) const {
  std::lock_guard lock(m_mutex);
  auto it = m_connections.find(token);
  return it == m_connections.end() ? nullptr : it->second;
}

bool H323EndPoint::ClearCall(const PString& token, H323Connection::CallEndReason reason) {
  auto connection = FindConnection(token);
  if (!connection) return false;
  connection->ClearCall(reason);
  return true;
}

bool H323EndPoint::ClearCallSynchronous(const PString& token, H323Connection::CallEndReason reason) {
  auto connection = FindConnection(token);
  if (!connection) return false;
  connection->ClearCall(reason);
  connection.reset();
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [&] { return m_connections.find(token) == m_connections.end(); });
  return true;
}

void H323EndPoint::ClearAllCalls(H323Connection::CallEndReason reason, bool wait) {
  std::vector<std::shared_ptr<H323Connection>> all;
  {
    std::lock_guard lock(m_mutex);
    for (auto& [token, connection] : m_connections) all.push_back(connection);
  }
  for (auto& c : all) c->ClearCall(reason);
  all.clear();
  if (!wait) return;
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [&] { return m_connections.empty() && m_callThreads == 0; });
}

bool H323EndPoint::HasConnection(const PString& token) const {
  std::lock_guard lock(m_mutex);
  return m_connections.find(token) != m_connections.end();
}

H323Connection* H323EndPoint::FindConnectionWithLock(const PString& token) {
  auto connection = FindConnection(token);
  if (!connection) return nullptr;
  connection->Lock();
  // The cleaner may have removed it meanwhile; it waits for the lock before deleting.
  if (!HasConnection(token)) {
    connection->Unlock();
    return nullptr;
  }
  return connection.get();
}

PStringArray H323EndPoint::GetAllConnections() const {
  PStringArray tokens;
  std::lock_guard lock(m_mutex);
  for (const auto& [token, connection] : m_connections) tokens.AppendString(token);
  return tokens;
}

unsigned H323EndPoint::GetConnectionCount() const {
  std::lock_guard lock(m_mutex);
  return static_cast<unsigned>(m_connections.size());
}

// --- Cleaner

void H323EndPoint::QueueForCleaning(H323Connection& connection) {
  {
    std::lock_guard lock(m_mutex);
    auto it = m_connections.find(connection.GetCallToken());
    if (it == m_connections.end()) return;
    if (std::find(m_toClean.begin(), m_toClean.end(), it->second) == m_toClean.end())
      m_toClean.push_back(it->second);
  }
  m_changed.notify_all();
}

void H323EndPoint::WakeCleaner() {
  ++m_cleanerWakes;
  m_changed.notify_all();
}

void H323EndPoint::CleanerThread() {
  std::unique_lock lock(m_mutex);
  Clock::time_point nextTimer = Clock::now() + kCleanerTick;
  for (;;) {
    auto hasWork = [&] { return !m_toClean.empty() || m_stopping; };
    // With no call and no accepted connection there are no time-outs, so the thread sleeps
    // until AddConnection, OnAccepted or QueueForCleaning wakes it; otherwise until the
    // next time-out is due, or a connection starts one.
    const unsigned wakes = m_cleanerWakes.load();
    if (m_connections.empty() && m_pending.empty())
      m_changed.wait(lock, [&] { return hasWork() || !m_connections.empty() || !m_pending.empty(); });
    else
      m_changed.wait_until(lock, nextTimer, [&] { return hasWork() || m_cleanerWakes.load() != wakes; });
    while (!m_toClean.empty()) {
      auto connection = m_toClean.front();
      m_toClean.pop_front();
      lock.unlock();
      CleanUp(connection);
      connection.reset();
      lock.lock();
    }
    if (m_stopping && m_connections.empty()) break;

    // Time-outs of the calls and of accepted connections that sent no Setup.
    const auto now = Clock::now();
    std::vector<std::shared_ptr<H323Connection>> calls;
    for (auto& [token, c] : m_connections) calls.push_back(c);
    std::vector<std::shared_ptr<PendingSignal>> dropped;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
      if (!(*it)->link->busy && ((*it)->link->done || now >= (*it)->deadline)) {
        dropped.push_back(*it);
        it = m_pending.erase(it);
      } else {
        ++it;
      }
    }
    nextTimer = now + kCleanerLongestWait;
    for (const auto& p : m_pending) nextTimer = std::min(nextTimer, std::max(now, p->deadline));
    lock.unlock();
    for (auto& c : calls) {
      c->CheckTimers(now);
      if (const auto due = c->NextTimer()) nextTimer = std::min(nextTimer, std::max(now, *due));
    }
    calls.clear();
    for (auto& p : dropped) {
      std::unique_ptr<H323SignalChannel> channel;
      {
        std::lock_guard guard(m_mutex);
        if (!p->link->handedOver) {
          p->link->done = true;
          channel = std::move(p->channel);
        }
      }
      if (channel) channel->Close();  // joins its reader
    }
    dropped.clear();
    lock.lock();
  }
}

void H323EndPoint::BeginCallThread() {
  std::lock_guard lock(m_mutex);
  ++m_callThreads;
}

void H323EndPoint::EndCallThread() {
  // Notified under the lock: once the count is zero the destructor may go on and destroy
  // the condition variable, so this thread must be done with it by then.
  std::lock_guard lock(m_mutex);
  --m_callThreads;
  m_changed.notify_all();
}

void H323EndPoint::CleanUp(const std::shared_ptr<H323Connection>& connection) {
  connection->Shutdown();
  connection->WaitNotified();
  if (connection->WasAdmitted()) OnDisengageCall(*connection);
  OnConnectionCleared(*connection, connection->GetCallToken());
  {
    std::lock_guard lock(m_mutex);
    m_connections.erase(connection->GetCallToken());
  }
  // Wait for a thread that found the connection with its lock.
  connection->Lock();
  connection->Unlock();
  m_changed.notify_all();
}

// --- Hooks

H323Connection* H323EndPoint::CreateConnection(unsigned callReference) {
  return new H323Connection(*this, callReference);
}

bool H323EndPoint::OnIncomingCall(H323Connection&, const H323SignalPDU&, H323SignalPDU&) { return true; }
bool H323EndPoint::OnAlerting(H323Connection&, const H323SignalPDU&, const PString&) { return true; }
void H323EndPoint::OnConnectionEstablished(H323Connection&, const PString&) {}
void H323EndPoint::OnConnectionCleared(H323Connection&, const PString&) {}
void H323EndPoint::OnUserInputString(H323Connection&, const PString&) {}
bool H323EndPoint::OpenVideoChannel(H323Connection&, bool, H323VideoCodec&) { return false; }
H323_RTP_UDP* H323EndPoint::CreateRTPSession(H323Connection& connection, unsigned sessionID) {
  return new H323_RTP_UDP(connection, sessionID);
}

H323Gatekeeper* H323EndPoint::CreateGatekeeper(H323Transport*) { return nullptr; }

// --- Admission

void H323EndPoint::SetCallAdmission(H323CallAdmission* admission) {
  std::lock_guard lock(m_admissionMutex);
  m_admission = admission;
}

H323CallAdmission* H323EndPoint::GetCallAdmission() const {
  std::lock_guard lock(m_admissionMutex);
  return m_admission;
}

H323AdmissionResult H323EndPoint::OnAdmitCall(H323Connection& connection, const H323AdmissionRequest& request) {
  if (H323CallAdmission* admission = GetCallAdmission()) return admission->AdmitCall(connection, request);
  return H323AdmissionResult{};
}

void H323EndPoint::OnDisengageCall(H323Connection& connection) {
  if (H323CallAdmission* admission = GetCallAdmission()) admission->DisengageCall(connection);
}

// --- Settings

void H323EndPoint::SetLocalUserName(const PString& name) { m_localUserName = name; }

std::vector<H323AliasAddress> H323EndPoint::GetAliases() const {
  if (m_localUserName.IsEmpty()) return {};
  return {H323AliasAddress{H323AliasAddress::e_h323_ID, m_localUserName}};
}

void H323EndPoint::SetMaxAudioDelayJitter(unsigned ms) { m_maxAudioDelayJitter = std::min(ms, 65535u); }

unsigned H323EndPoint::GetMinAudioDelayJitter() const { return std::min(40u, m_maxAudioDelayJitter); }

bool H323EndPoint::SetSoundChannelPlayDevice(const PString& name) {
  const PStringArray names = PSoundChannel::GetDeviceNames(PSoundChannel::Player);
  if (names.GetStringsIndex(name) == P_MAX_INDEX) return false;
  m_soundChannelPlayDevice = name;
  m_playDeviceSet = true;
  return true;
}

bool H323EndPoint::SetSoundChannelRecordDevice(const PString& name) {
  const PStringArray names = PSoundChannel::GetDeviceNames(PSoundChannel::Recorder);
  if (names.GetStringsIndex(name) == P_MAX_INDEX) return false;
  m_soundChannelRecordDevice = name;
  m_recordDeviceSet = true;
  return true;
}

void H323EndPoint::TakeDefaultSoundDevices() const {
  std::call_once(m_soundDefaultsTaken, [this] {
    PString play;
    PString record;
    PSoundChannel::GetDefaultDevices(play, record);
    if (!m_playDeviceSet) m_soundChannelPlayDevice = play;
    if (!m_recordDeviceSet) m_soundChannelRecordDevice = record;
  });
}

const PString& H323EndPoint::GetSoundChannelPlayDevice() const {
  if (!m_playDeviceSet) TakeDefaultSoundDevices();
  return m_soundChannelPlayDevice;
}

const PString& H323EndPoint::GetSoundChannelRecordDevice() const {
  if (!m_recordDeviceSet) TakeDefaultSoundDevices();
  return m_soundChannelRecordDevice;
}

PINDEX H323EndPoint::SetCapability(PINDEX descriptorNum, PINDEX simultaneous, H323Capability* capability) {
  return m_capabilities.SetCapability(descriptorNum, simultaneous, capability);
}

void H323EndPoint::SetRtpIpPorts(unsigned base, unsigned max) {
  base = std::min(base, 65534u) & ~1u;
  max = std::min(max, 65535u);
  if (base != 0 && max < base + 1) max = base + 1;
  m_rtpPorts.SetPorts(static_cast<uint16_t>(base), static_cast<uint16_t>(base == 0 ? 0 : max));
}
