// An RTP session over a pair of UDP sockets: RTP on an even port and RTCP on the next.
#pragma once

#include <atomic>
#include <mutex>

#include "stack/ptlib/PUDPSocket.h"
#include "stack/rtp/RTP_Session.h"

class RTP_UDP : public RTP_Session {
 public:
  explicit RTP_UDP(unsigned sessionID, PClock& clock = PClock::System(), unsigned clockRate = 8000);
  ~RTP_UDP() override;

  // Binds the port pair on `localAddress`: the first free even port from `portBase`
  // (scanning from `startHint` within the range and wrapping) up to `portMax`.  With a
  // base of 0 the system picks the ports.
  bool Open(const PIPSocket::Address& localAddress, uint16_t portBase, uint16_t portMax, uint16_t startHint = 0);
  bool IsOpen() const;

  // Where to send RTP (data port) or RTCP (control port).  Incoming media is taken only
  // from the remote address, once one is set.
  bool SetRemoteSocketInfo(const PIPSocket::Address& address, uint16_t port, bool isDataPort);

  PIPSocket::Address GetLocalAddress() const { return m_localAddress; }
  uint16_t GetLocalDataPort() const { return m_localDataPort; }
  uint16_t GetLocalControlPort() const { return m_localControlPort; }
  PIPSocket::Address GetRemoteAddress() const;
  uint16_t GetRemoteDataPort() const;
  uint16_t GetRemoteControlPort() const;

  bool WriteData(RTP_DataFrame& frame) override;
  // A time-out of zero takes only what has arrived already, without a wait.
  bool ReadData(RTP_DataFrame& frame, PTimeInterval timeout) override;
  bool SendReport() override;
  // Sends a final report with BYE (when a remote is known) and closes both sockets,
  // waking any reader.
  void Close() override;

 private:
  // Beyond this a packet's arrival time is taken as no older (a wall clock set back).
  static constexpr int64_t kMaxArrivalAgeMicros = 10000000;
  // A packet's arrival on the system's wall clock (0: not known) as a time on the
  // session's clock.
  int64_t ArrivalOnClock(int64_t arrivalWallMicros) const;

  PUDPSocket m_data;
  PUDPSocket m_control;
  PIPSocket::Address m_localAddress;
  uint16_t m_localDataPort = 0;
  uint16_t m_localControlPort = 0;

  mutable std::mutex m_remoteMutex;
  PIPSocket::Address m_remoteAddress;
  uint16_t m_remoteDataPort = 0;
  uint16_t m_remoteControlPort = 0;
  std::atomic<bool> m_closed{false};
};
