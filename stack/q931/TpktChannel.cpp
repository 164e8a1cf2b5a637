#include "stack/q931/TpktChannel.h"
#include "stack/ptlib/PThreadName.h"

#include <atomic>
#include <mutex>

struct TpktChannel::Shared {
  explicit Shared(size_t maxPayloadSize) : maxPayload(maxPayloadSize) {}

  const size_t maxPayload;
  WakeEvent closing;                   // signalled by Close: ends every wait
  std::atomic<bool> closed{false};     // Close was called
  std::atomic<bool> broken{false};     // the connection failed or the peer ended it
  std::atomic<bool> connected{false};
  std::atomic<int64_t> sendTimeoutMs{kDefaultSendTimeout.count()};
  std::mutex startMutex;               // held by Start until it is done with the channel
  std::mutex socketMutex;              // guards the socket's replacement and closing, and writes
  TcpSocket socket;
  TcpAddress local;
  TcpAddress remote;
  Handlers handlers;
};

const char* TpktChannel::GetCloseReasonText(CloseReason reason) {
  switch (reason) {
    case CloseReason::PeerClosed: return "closed by the peer";
    case CloseReason::Truncated: return "closed by the peer inside a packet";
    case CloseReason::BadFraming: return "not TPKT framing";
    case CloseReason::ReadError: return "connection broken";
  }
  return "connection broken";
}

TpktChannel::TpktChannel(size_t maxPayload) : m_shared(std::make_shared<Shared>(maxPayload)) {}

TpktChannel::TpktChannel(TcpSocket socket, size_t maxPayload) : TpktChannel(maxPayload) {
  m_shared->local = socket.GetLocalAddress();
  m_shared->remote = socket.GetRemoteAddress();
  m_shared->connected = socket.IsOpen();
  m_shared->socket = std::move(socket);
}

TpktChannel::~TpktChannel() {
  Close();
  // Destroyed from its own handler: the reader thread finishes on its own (it holds the
  // shared state) and must not join itself.
  if (m_reader.joinable()) m_reader.detach();
}

TcpSocket::Status TpktChannel::Connect(const TcpAddress& remote, std::chrono::milliseconds timeout,
                                       std::string* error) {
  auto& s = *m_shared;
  if (!s.closing.IsValid()) {
    if (error) *error = "no event descriptor";
    return TcpSocket::Status::Failed;
  }
  if (s.connected || s.closed) {
    if (error) *error = s.closed ? "channel closed" : "channel already connected";
    return TcpSocket::Status::Failed;
  }
  TcpSocket sock;
  const auto status = TcpSocket::Connect(remote, timeout, s.closing, sock, error);
  if (status != TcpSocket::Status::Ok) return status;
  std::lock_guard lock(s.socketMutex);
  if (s.closed) {
    if (error) *error = "connect aborted";
    return TcpSocket::Status::Aborted;
  }
  s.local = sock.GetLocalAddress();
  s.remote = sock.GetRemoteAddress();
  s.socket = std::move(sock);
  s.connected = true;
  return TcpSocket::Status::Ok;
}

namespace {
std::atomic<TpktChannel::StartHook> g_startHook{nullptr};
}

void TpktChannel::SetStartHookForTesting(StartHook hook) { g_startHook = hook; }

bool TpktChannel::Start(Handlers handlers) {
  auto& s = *m_shared;
  if (!s.connected || s.closed || m_reader.joinable() || !s.closing.IsValid()) return false;
  s.handlers = std::move(handlers);
  // The reader waits for the gate: its first handler may hand the channel on, and the
  // new owner may destroy it, so the thread must be stored here first.  The gate lives in
  // the shared state, which the reader holds.
  std::unique_lock gate(s.startMutex);
  std::thread reader([shared = m_shared] {
    PSetThreadName("tpkt-read");
    ReadLoop(shared);
  });
  if (const auto hook = g_startHook.load()) hook();
  m_reader = std::move(reader);
  return true;
}

void TpktChannel::ReadLoop(const std::shared_ptr<Shared>& shared) {
  auto& s = *shared;
  { std::lock_guard gate(s.startMutex); }
  // After a local Close the socket is done with as soon as the reader stops.
  auto closedLocally = [&s] {
    std::lock_guard lock(s.socketMutex);
    s.socket.Close();
  };
  tpkt::Reassembler reassembler(s.maxPayload);
  std::vector<uint8_t> buffer(4096);
  std::vector<uint8_t> payload;
  CloseReason reason = CloseReason::ReadError;
  std::string detail;
  for (;;) {
    size_t received = 0;
    const auto status = s.socket.Read(buffer, received, s.closing, &detail);
    if (s.closed) return closedLocally();
    if (status == TcpSocket::Status::Closed) {
      reason = reassembler.GetPendingSize() > 0 ? CloseReason::Truncated : CloseReason::PeerClosed;
      if (reason == CloseReason::Truncated) {
        detail = std::to_string(reassembler.GetPendingSize()) + " bytes of an unfinished packet";
      }
      break;
    }
    if (status != TcpSocket::Status::Ok) {
      reason = CloseReason::ReadError;
      break;
    }
    reassembler.Push(std::span(buffer.data(), received));
    tpkt::Reassembler::Result result;
    while ((result = reassembler.Next(payload)) == tpkt::Reassembler::Result::kPacket) {
      // An empty packet is a keep-alive and carries nothing to hand on.
      if (!payload.empty() && s.handlers.onPacket) s.handlers.onPacket(std::move(payload));
      if (s.closed) return closedLocally();
    }
    if (result == tpkt::Reassembler::Result::kError) {
      reason = CloseReason::BadFraming;
      detail = reassembler.GetError();
      break;
    }
  }
  s.broken = true;
  // A peer that sent garbage is dropped; after its own end of stream this sends ours.  The
  // socket stays in place while the reader runs, so this needs no lock (and does not wait
  // for a writer that is blocked).
  s.socket.Shutdown();
  if (!s.closed && s.handlers.onClosed) s.handlers.onClosed(reason, detail);
}

bool TpktChannel::Send(std::span<const uint8_t> payload, std::string* error) {
  auto& s = *m_shared;
  std::vector<uint8_t> packet;
  if (!tpkt::AppendPacket(payload, packet)) {
    if (error) *error = "payload of " + std::to_string(payload.size()) + " bytes does not fit a TPKT packet";
    return false;
  }
  std::lock_guard lock(s.socketMutex);
  if (!s.connected || s.closed || s.broken || !s.socket.IsOpen()) {
    if (error) *error = "channel not open";
    return false;
  }
  const auto status =
      s.socket.WriteAll(packet, std::chrono::milliseconds(s.sendTimeoutMs.load()), s.closing, error);
  if (status == TcpSocket::Status::Ok) return true;
  if (status != TcpSocket::Status::Aborted) {
    // Part of the packet may be out: the stream cannot carry another one.
    s.broken = true;
    s.socket.Shutdown();
  }
  return false;
}

void TpktChannel::SetSendTimeout(std::chrono::milliseconds timeout) { m_shared->sendTimeoutMs = timeout.count(); }

void TpktChannel::Close() {
  auto& s = *m_shared;
  if (!s.closed.exchange(true)) {
    s.closing.Signal();
    std::lock_guard lock(s.socketMutex);
    s.socket.Shutdown();
  }
  if (m_reader.joinable() && m_reader.get_id() == std::this_thread::get_id()) {
    // Called from a handler: the reader closes the socket when the handler returns.
    return;
  }
  if (m_reader.joinable()) m_reader.join();
  std::lock_guard lock(s.socketMutex);
  s.socket.Close();
}

bool TpktChannel::IsOpen() const {
  const auto& s = *m_shared;
  return s.connected && !s.closed && !s.broken;
}

TcpAddress TpktChannel::GetLocalAddress() const { return m_shared->local; }

TcpAddress TpktChannel::GetRemoteAddress() const { return m_shared->remote; }
