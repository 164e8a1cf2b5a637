// A TCP socket: connect to a peer, or listen and accept.  Reads and accepts honour the
// read time-out, writes the write time-out, and all of them end early when another
// thread closes the socket.
#pragma once

#include <memory>

#include "stack/ptlib/PIPSocket.h"

class PTCPSocket : public PIPSocket {
  PCLASSINFO(PTCPSocket, PIPSocket)
 public:
  PTCPSocket() = default;
  ~PTCPSocket() override = default;

  // Connects within `timeout`, optionally from a given local address.
  bool Connect(const Address& address, uint16_t port, PTimeInterval timeout = PTimeInterval(0, 10));
  bool Connect(const Address& localAddress, const Address& address, uint16_t port,
               PTimeInterval timeout = PTimeInterval(0, 10));

  // Binds and listens (port 0: an ephemeral port, see GetPort()).
  bool Listen(const Address& address = Address(), unsigned queueSize = 5, uint16_t port = 0,
              bool reuse = true);
  // Waits for a connection on `listener` (its read time-out applies) and takes it over.
  bool Accept(PTCPSocket& listener);
  // The same, as a new socket; null on failure (see the listener's error).
  std::unique_ptr<PTCPSocket> Accept();

  // At least one byte, at most `length`; false at end of stream (read count 0).
  bool Read(void* buffer, PINDEX length) override;
  // Exactly `length` bytes, unless the stream ends, fails or times out first.
  bool ReadBlock(void* buffer, PINDEX length);
  // All `length` bytes.
  bool Write(const void* buffer, PINDEX length) override;
  // Ends the sending direction (the peer reads end of stream).
  bool ShutdownWrite();
};
