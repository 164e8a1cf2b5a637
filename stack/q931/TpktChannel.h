#pragma once
// A TCP connection carrying TPKT packets: call signalling, and H.245 on its own
// connection.  One reader thread per started channel hands each whole packet to a
// handler; Send frames and writes from any thread.  Close (and the destructor) end the
// connection and join the reader, so no thread outlives the channel's use.
//
// Handlers run on the reader thread.  They may call Send and Close on their own channel
// and may even destroy it; Close from another thread waits for a running handler to
// return, so do not hold a lock that a handler takes while closing.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "stack/q931/TcpAddress.h"
#include "stack/q931/TcpSocket.h"
#include "stack/q931/Tpkt.h"

class TpktChannel {
 public:
  // Why a started channel ended without a local Close.
  enum class CloseReason {
    PeerClosed,   // the peer ended the stream between packets
    Truncated,    // the peer ended the stream inside a packet
    BadFraming,   // the peer sent bytes that are not TPKT, or too long a packet
    ReadError,    // the connection broke (reset, or a send that could not complete)
  };
  static const char* GetCloseReasonText(CloseReason reason);

  struct Handlers {
    std::function<void(std::vector<uint8_t> payload)> onPacket;
    std::function<void(CloseReason reason, const std::string& detail)> onClosed;
  };

  static constexpr std::chrono::milliseconds kDefaultSendTimeout{10000};

  // An unconnected channel, for Connect.
  explicit TpktChannel(size_t maxPayload = tpkt::kMaxPayloadSize);
  // A channel on an accepted connection.
  explicit TpktChannel(TcpSocket socket, size_t maxPayload = tpkt::kMaxPayloadSize);
  ~TpktChannel();
  TpktChannel(const TpktChannel&) = delete;
  TpktChannel& operator=(const TpktChannel&) = delete;

  // Connects, waiting at most `timeout`; a Close from another thread ends the wait with
  // Aborted.  `error` gets a readable reason on failure.
  TcpSocket::Status Connect(const TcpAddress& remote, std::chrono::milliseconds timeout, std::string* error = nullptr);

  // Starts the reader thread.  False when the channel is not connected, is closed, or
  // has been started already.  No handler runs before Start has returned, so a handler
  // may destroy the channel without racing its start.
  bool Start(Handlers handlers);

  // For tests: a function run inside every Start, after the reader thread has been made
  // and before Start is done with the channel (null: none).
  using StartHook = void (*)();
  static void SetStartHookForTesting(StartHook hook);

  // Frames the payload and writes it whole.  False when the channel is closed or broken,
  // the payload is longer than a TPKT packet holds, or the peer takes nothing for the
  // send timeout (the connection is then shut down, since a packet may be half sent).
  bool Send(std::span<const uint8_t> payload, std::string* error = nullptr);
  void SetSendTimeout(std::chrono::milliseconds timeout);

  // Ends the connection; idempotent.  No handler runs after Close has returned (unless
  // Close was called from a handler, which then finishes).
  void Close();

  // Connected, not closed and not broken.
  bool IsOpen() const;
  TcpAddress GetLocalAddress() const;
  TcpAddress GetRemoteAddress() const;

 private:
  struct Shared;
  static void ReadLoop(const std::shared_ptr<Shared>& shared);

  std::shared_ptr<Shared> m_shared;
  std::thread m_reader;
};
