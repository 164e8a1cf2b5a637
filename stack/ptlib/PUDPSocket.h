// A UDP socket.  Reads honour the read time-out and end early when another thread
// closes the socket.
#pragma once

#include "stack/ptlib/PIPSocket.h"

class PUDPSocket : public PIPSocket {
  PCLASSINFO(PUDPSocket, PIPSocket)
 public:
  PUDPSocket() = default;
  ~PUDPSocket() override = default;

  // Binds to `address` and `port` (0: an ephemeral port, see GetPort()).
  bool Listen(const Address& address = Address(), uint16_t port = 0, bool reuse = false);

  // One datagram into `buffer`; GetLastReadCount() is its size (truncated to `length`).
  // With a read time-out of zero only a datagram that is already there is read.
  bool ReadFrom(void* buffer, PINDEX length, Address& address, uint16_t& port);
  // The same, giving the datagram's arrival time too: the system's wall clock when it came
  // in, in microseconds since 1970 (0 unless SetArrivalTimes(true) was given).
  bool ReadFrom(void* buffer, PINDEX length, Address& address, uint16_t& port, int64_t& arrivalMicros);
  // Whether the system notes each datagram's arrival time for ReadFrom.
  bool SetArrivalTimes(bool on);
  bool WriteTo(const void* buffer, PINDEX length, const Address& address, uint16_t port);

  // Destination of Write().
  void SetSendAddress(const Address& address, uint16_t port);
  void GetSendAddress(Address& address, uint16_t& port) const;
  // Source of the datagram last read.
  void GetLastReceiveAddress(Address& address, uint16_t& port) const;

  bool Read(void* buffer, PINDEX length) override;
  bool Write(const void* buffer, PINDEX length) override;

 private:
  mutable std::mutex m_addressMutex;
  Address m_sendAddress;
  uint16_t m_sendPort = 0;
  Address m_lastReceiveAddress;
  uint16_t m_lastReceivePort = 0;
};
