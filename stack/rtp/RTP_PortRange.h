// The endpoint's RTP port range: each new session takes the next free even port pair,
// going round the range, so that consecutive calls do not reuse the ports at once.
#pragma once

#include <cstdint>
#include <mutex>

#include "stack/rtp/RTP_UDP.h"

class RTP_PortRange {
 public:
  // 0, 0: the system chooses the ports.
  void SetPorts(uint16_t base, uint16_t max);
  uint16_t GetBase() const;
  uint16_t GetMax() const;
  // Opens `session` on the next free pair of the range.
  bool Open(RTP_UDP& session, const PIPSocket::Address& localAddress);

 private:
  mutable std::mutex m_mutex;
  uint16_t m_base = 0;
  uint16_t m_max = 0;
  uint16_t m_next = 0;
};
