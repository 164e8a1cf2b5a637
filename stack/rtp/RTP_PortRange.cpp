#include "stack/rtp/RTP_PortRange.h"

void RTP_PortRange::SetPorts(uint16_t base, uint16_t max) {
  std::lock_guard lock(m_mutex);
  m_base = base;
  m_max = max < base ? base : max;
  m_next = base;
}

uint16_t RTP_PortRange::GetBase() const {
  std::lock_guard lock(m_mutex);
  return m_base;
}

uint16_t RTP_PortRange::GetMax() const {
  std::lock_guard lock(m_mutex);
  return m_max;
}

bool RTP_PortRange::Open(RTP_UDP& session, const PIPSocket::Address& localAddress) {
  uint16_t base, max, start;
  {
    std::lock_guard lock(m_mutex);
    base = m_base;
    max = m_max;
    start = m_next;
  }
  if (!session.Open(localAddress, base, max, start)) return false;
  if (base != 0) {
    std::lock_guard lock(m_mutex);
    const unsigned next = session.GetLocalDataPort() + 2u;
    m_next = static_cast<uint16_t>(next + 1 > m_max ? m_base : next);
  }
  return true;
}
