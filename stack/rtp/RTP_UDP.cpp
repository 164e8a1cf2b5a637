#include "stack/rtp/RTP_UDP.h"

#include <algorithm>
#include <chrono>

RTP_UDP::RTP_UDP(unsigned sessionID, PClock& clock, unsigned clockRate) : RTP_Session(sessionID, clock, clockRate) {}

RTP_UDP::~RTP_UDP() { Close(); }

bool RTP_UDP::Open(const PIPSocket::Address& localAddress, uint16_t portBase, uint16_t portMax, uint16_t startHint) {
  m_localAddress = localAddress;
  if (portBase == 0) {
    // Let the system choose an even data port with a free successor.
    for (int attempt = 0; attempt < 50; ++attempt) {
      PUDPSocket probe;
      if (!probe.Listen(localAddress, 0)) return false;
      const uint16_t port = static_cast<uint16_t>(probe.GetPort() & ~1u);
      probe.Close();
      if (port == 0 || port == 65534) continue;
      if (m_data.Listen(localAddress, port) && m_control.Listen(localAddress, static_cast<uint16_t>(port + 1))) {
        m_localDataPort = port;
        m_localControlPort = static_cast<uint16_t>(port + 1);
        m_data.SetArrivalTimes(true);
        m_closed = false;
        return true;
      }
      m_data.Close();
    }
    return false;
  }
  const unsigned first = portBase + (portBase & 1u);
  const unsigned last = portMax < portBase ? first : portMax;
  if (first + 1 > last) return false;
  const unsigned pairs = (last - first + 1) / 2;
  unsigned start = 0;
  if (startHint >= first && startHint <= last) start = (startHint - first) / 2;
  for (unsigned i = 0; i < pairs; ++i) {
    const auto port = static_cast<uint16_t>(first + 2 * ((start + i) % pairs));
    if (!m_data.Listen(localAddress, port)) continue;
    if (m_control.Listen(localAddress, static_cast<uint16_t>(port + 1))) {
      m_localDataPort = port;
      m_localControlPort = static_cast<uint16_t>(port + 1);
      m_data.SetArrivalTimes(true);
      m_closed = false;
      return true;
    }
    m_data.Close();
  }
  return false;
}

bool RTP_UDP::IsOpen() const { return m_data.IsOpen() && m_control.IsOpen(); }

bool RTP_UDP::SetRemoteSocketInfo(const PIPSocket::Address& address, uint16_t port, bool isDataPort) {
  if (!address.IsValid() || port == 0) return false;
  std::lock_guard lock(m_remoteMutex);
  m_remoteAddress = address;
  if (isDataPort) {
    m_remoteDataPort = port;
    if (m_remoteControlPort == 0) m_remoteControlPort = static_cast<uint16_t>(port + 1);
  } else {
    m_remoteControlPort = port;
  }
  return true;
}

PIPSocket::Address RTP_UDP::GetRemoteAddress() const {
  std::lock_guard lock(m_remoteMutex);
  return m_remoteAddress;
}

uint16_t RTP_UDP::GetRemoteDataPort() const {
  std::lock_guard lock(m_remoteMutex);
  return m_remoteDataPort;
}

uint16_t RTP_UDP::GetRemoteControlPort() const {
  std::lock_guard lock(m_remoteMutex);
  return m_remoteControlPort;
}

bool RTP_UDP::WriteData(RTP_DataFrame& frame) {
  PIPSocket::Address address;
  uint16_t port = 0;
  {
    std::lock_guard lock(m_remoteMutex);
    address = m_remoteAddress;
    port = m_remoteDataPort;
  }
  if (port == 0 || !m_data.IsOpen()) return false;
  OnSending(frame);
  return m_data.WriteTo(frame.GetPointer(), static_cast<PINDEX>(frame.GetPacketSize()), address, port);
}

int64_t RTP_UDP::ArrivalOnClock(int64_t arrivalWallMicros) const {
  const int64_t now = m_clock.NowMicros();
  if (arrivalWallMicros == 0) return now;
  const int64_t wallNow = std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
  return now - std::clamp<int64_t>(wallNow - arrivalWallMicros, 0, kMaxArrivalAgeMicros);
}

bool RTP_UDP::ReadData(RTP_DataFrame& frame, PTimeInterval timeout) {
  using Clock = std::chrono::steady_clock;
  const bool forever = timeout.IsInfinite();
  const bool queuedOnly = !forever && timeout.GetMilliSeconds() <= 0;
  const auto deadline = Clock::now() + (forever ? std::chrono::milliseconds(0) : timeout.AsDuration());
  uint8_t buffer[RTP_DataFrame::kMaxPacketSize + 1];
  while (!m_closed) {
    PIPSocket::Address from;
    uint16_t fromPort = 0;
    int64_t arrival = 0;
    int ready = -1;
    if (queuedOnly) {
      // What has come in already, read without a wait: media first.
      m_data.SetReadTimeout(PTimeInterval(0));
      m_control.SetReadTimeout(PTimeInterval(0));
      if (m_data.ReadFrom(buffer, sizeof buffer, from, fromPort, arrival)) ready = 0;
      else if (m_control.ReadFrom(buffer, sizeof buffer, from, fromPort, arrival)) ready = 1;
      else return false;
    } else {
      PTimeInterval left = PMaxTimeInterval;
      if (!forever) {
        const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() < 0) return false;
        left = PTimeInterval(remaining.count());
      }
      ready = PIPSocket::SelectReadable({&m_data, &m_control}, left);
      if (ready < 0) return false;
      PUDPSocket& socket = ready == 0 ? m_data : m_control;
      socket.SetReadTimeout(PTimeInterval(0));
      if (!socket.ReadFrom(buffer, sizeof buffer, from, fromPort, arrival)) continue;
    }
    PUDPSocket& socket = ready == 0 ? m_data : m_control;
    const unsigned size = static_cast<unsigned>(socket.GetLastReadCount());
    {
      std::lock_guard lock(m_remoteMutex);
      if (m_remoteAddress.IsValid() && from != m_remoteAddress) continue;
    }
    if (ready == 1) {
      OnReceivedControl(buffer, size);
      continue;
    }
    if (!frame.SetPacket(buffer, size)) {
      OnMalformed();
      continue;
    }
    OnReceived(frame, ArrivalOnClock(arrival));
    return true;
  }
  return false;
}

bool RTP_UDP::SendReport() {
  PIPSocket::Address address;
  uint16_t port = 0;
  {
    std::lock_guard lock(m_remoteMutex);
    address = m_remoteAddress;
    port = m_remoteControlPort;
  }
  if (port == 0 || !m_control.IsOpen()) return false;
  const std::vector<uint8_t> packet = BuildReport(false);
  return m_control.WriteTo(packet.data(), static_cast<PINDEX>(packet.size()), address, port);
}

void RTP_UDP::Close() {
  if (m_closed.exchange(true)) return;
  PIPSocket::Address address;
  uint16_t port = 0;
  {
    std::lock_guard lock(m_remoteMutex);
    address = m_remoteAddress;
    port = m_remoteControlPort;
  }
  if (port != 0 && m_control.IsOpen()) {
    const std::vector<uint8_t> packet = BuildReport(true);
    m_control.WriteTo(packet.data(), static_cast<PINDEX>(packet.size()), address, port);
  }
  m_data.Close();
  m_control.Close();
}
