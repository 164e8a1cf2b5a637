#pragma once
// A TCP socket on plain POSIX calls: non-blocking underneath, with every wait done in
// poll() beside a WakeEvent, so that another thread can end any wait (connect, read,
// write, accept) at once by signalling that event.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "stack/q931/TcpAddress.h"
#include "stack/q931/WakeEvent.h"

class TcpSocket {
 public:
  enum class Status { Ok, Closed, Refused, Unreachable, TimedOut, Aborted, Failed };

  TcpSocket() = default;
  explicit TcpSocket(int fd) : m_fd(fd) {}
  ~TcpSocket() { Close(); }
  TcpSocket(TcpSocket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
  TcpSocket& operator=(TcpSocket&& other) noexcept;
  TcpSocket(const TcpSocket&) = delete;
  TcpSocket& operator=(const TcpSocket&) = delete;

  bool IsOpen() const { return m_fd >= 0; }
  int GetHandle() const { return m_fd; }
  void Close();
  // Ends both directions: the peer sees the end of the stream, local waits wake up.
  void Shutdown();

  TcpAddress GetLocalAddress() const;
  TcpAddress GetRemoteAddress() const;

  // Connects to `remote`, waiting at most `timeout`.
  static Status Connect(const TcpAddress& remote, std::chrono::milliseconds timeout, const WakeEvent& abort,
                        TcpSocket& out, std::string* error = nullptr);
  // Binds and listens on `local` (port 0 picks a free one).  Without `reuseAddress` the
  // bind fails while an earlier socket on that port lingers.
  static Status Listen(const TcpAddress& local, bool reuseAddress, int backlog, TcpSocket& out,
                       std::string* error = nullptr);
  // Waits for the next connection on a listening socket.
  Status Accept(const WakeEvent& abort, TcpSocket& out, std::string* error = nullptr);

  // Reads what has arrived, waiting for it without a limit: Ok with `received` > 0, Closed at
  // the end of the stream.
  Status Read(std::span<uint8_t> buffer, size_t& received, const WakeEvent& abort, std::string* error = nullptr);
  // Writes every byte; TimedOut when the peer takes nothing for `timeout`.
  Status WriteAll(std::span<const uint8_t> bytes, std::chrono::milliseconds timeout, const WakeEvent& abort,
                  std::string* error = nullptr);

  static const char* GetStatusText(Status status);

 private:
  int m_fd = -1;
};
