#pragma once
// The TCP call-signalling listener: bound to an interface address (TcpAddress::kAny for
// all) and a port (0 picks a free one), it accepts connections on its own thread and hands
// each one, not yet started, to the accept handler.  The handler owns the connection from
// then on and usually starts it at once; it runs on the listener's thread, so it should
// not wait for the user.
//
// The listener may be closed, or even destroyed, from its own accept handler.
//
// An exclusive listener binds without address reuse, so it fails while anything else
// still holds the port; a non-exclusive one can bind again right after an earlier
// listener on the port has gone.

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "stack/q931/H323SignalChannel.h"
#include "stack/q931/TcpSocket.h"

class H323ListenerTCP {
 public:
  using AcceptHandler = std::function<void(std::unique_ptr<H323SignalChannel> connection)>;

  static constexpr uint16_t kDefaultSignalPort = 1720;

  H323ListenerTCP(uint32_t binding, uint16_t port, bool exclusive = false);
  H323ListenerTCP(const PIPSocket::Address& binding, uint16_t port, bool exclusive = false)
      : H323ListenerTCP(ToTcpAddress(binding, port).ip, port, exclusive) {}
  ~H323ListenerTCP();
  H323ListenerTCP(const H323ListenerTCP&) = delete;
  H323ListenerTCP& operator=(const H323ListenerTCP&) = delete;

  // Binds, listens and starts the accept thread.  False with a reason when the port cannot
  // be had or the listener is already open.
  bool Open(AcceptHandler handler, std::string* error = nullptr);
  // Stops accepting and joins the accept thread; connections handed out before stay up.
  void Close();

  bool IsOpen() const;
  bool IsExclusive() const { return m_exclusive; }
  // The bound address, with the port actually taken once open.
  TcpAddress GetTransportAddress() const;
  uint16_t GetListenerPort() const { return GetTransportAddress().port; }

 private:
  struct Shared;
  static void AcceptLoop(const std::shared_ptr<Shared>& shared);

  const TcpAddress m_requested;
  const bool m_exclusive;
  mutable std::mutex m_mutex;
  std::shared_ptr<Shared> m_shared;  // state of the open listener, shared with its thread
  TcpAddress m_bound;
  std::thread m_thread;
};
