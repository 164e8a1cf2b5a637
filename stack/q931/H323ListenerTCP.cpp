#include "stack/q931/H323ListenerTCP.h"
#include "stack/ptlib/PThreadName.h"

#include <atomic>

#include <sys/socket.h>

namespace {
// Callers that arrive in a burst wait in the system's queue while the accept thread hands
// the earlier ones over; a short queue drops them.  The system caps this at its own limit.
constexpr int kBacklog = SOMAXCONN;
}

struct H323ListenerTCP::Shared {
  TcpSocket socket;
  WakeEvent stop;
  std::atomic<bool> stopped{false};
  AcceptHandler handler;
};

H323ListenerTCP::H323ListenerTCP(uint32_t binding, uint16_t port, bool exclusive)
    : m_requested{binding, port}, m_exclusive(exclusive), m_bound(m_requested) {}

// Destroyed from its own accept handler, Close detaches the thread, which ends by itself
// once the handler returns, holding the state it needs.
H323ListenerTCP::~H323ListenerTCP() { Close(); }

bool H323ListenerTCP::Open(AcceptHandler handler, std::string* error) {
  std::lock_guard lock(m_mutex);
  if (m_shared) {
    if (error) *error = "listener already open";
    return false;
  }
  auto shared = std::make_shared<Shared>();
  if (!shared->stop.IsValid()) {
    if (error) *error = "no event descriptor";
    return false;
  }
  if (TcpSocket::Listen(m_requested, !m_exclusive, kBacklog, shared->socket, error) != TcpSocket::Status::Ok) {
    return false;
  }
  shared->handler = std::move(handler);
  m_bound = shared->socket.GetLocalAddress();
  m_shared = shared;
  m_thread = std::thread([shared] {
    PSetThreadName("h323-listen");
    AcceptLoop(shared);
  });
  return true;
}

void H323ListenerTCP::AcceptLoop(const std::shared_ptr<Shared>& shared) {
  while (!shared->stopped) {
    TcpSocket accepted;
    if (shared->socket.Accept(shared->stop, accepted) != TcpSocket::Status::Ok) break;
    if (shared->stopped) break;
    auto connection = std::make_unique<H323SignalChannel>(std::make_unique<TpktChannel>(std::move(accepted)));
    if (shared->handler) shared->handler(std::move(connection));
  }
  // Nothing more is accepted: refuse whatever is still queued.
  shared->socket.Close();
}

void H323ListenerTCP::Close() {
  std::unique_lock lock(m_mutex);
  if (!m_shared) return;
  std::shared_ptr<Shared> shared = std::move(m_shared);
  std::thread thread = std::move(m_thread);
  shared->stopped = true;
  shared->stop.Signal();
  lock.unlock();
  if (thread.get_id() == std::this_thread::get_id()) {
    thread.detach();  // called from the accept handler: the loop ends when it returns
  } else if (thread.joinable()) {
    thread.join();
  }
}

bool H323ListenerTCP::IsOpen() const {
  std::lock_guard lock(m_mutex);
  return m_shared != nullptr;
}

TcpAddress H323ListenerTCP::GetTransportAddress() const {
  std::lock_guard lock(m_mutex);
  return m_bound;
}
