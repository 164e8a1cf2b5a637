// Collects the datagrams sent to a local UDP port, for tests that inspect the wire.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "stack/ptlib/PUDPSocket.h"
#include "stack/rtp/RTP_DataFrame.h"

class WireCapture {
 public:
  WireCapture() {
    m_socket.Listen(PIPSocket::Address::GetLoopback());
    m_socket.SetReadTimeout(PTimeInterval(50));
    m_thread = std::thread([this] {
      uint8_t buf[2048];
      PIPSocket::Address from;
      uint16_t port = 0;
      while (!m_stop) {
        if (!m_socket.ReadFrom(buf, sizeof buf, from, port)) continue;
        std::lock_guard lock(m_mutex);
        m_packets.emplace_back(buf, buf + m_socket.GetLastReadCount());
      }
    });
  }
  ~WireCapture() {
    m_stop = true;
    m_thread.join();
  }
  uint16_t Port() const { return m_socket.GetPort(); }
  std::vector<std::vector<uint8_t>> Packets() const {
    std::lock_guard lock(m_mutex);
    return m_packets;
  }

 private:
  PUDPSocket m_socket;
  std::atomic<bool> m_stop{false};
  mutable std::mutex m_mutex;
  std::vector<std::vector<uint8_t>> m_packets;
  std::thread m_thread;
};

// GSM packets of 4 frames with payload type 3 among what a capture received.
inline size_t GsmPackets(const WireCapture& capture) {
  size_t n = 0;
  for (const auto& bytes : capture.Packets()) {
    RTP_DataFrame frame;
    if (frame.SetPacket(bytes.data(), static_cast<unsigned>(bytes.size())) && frame.GetPayloadType() == 3 &&
        frame.GetPayloadSize() == 4 * 33)
      ++n;
  }
  return n;
}
