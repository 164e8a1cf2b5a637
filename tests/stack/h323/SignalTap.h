// A TCP relay between two call-signalling ends that records every TPKT packet passing
// through it, with its direction, so that a test can hand the bytes to a decoder.
#pragma once

#include <mutex>
#include <thread>
#include <vector>

#include "stack/q931/TcpSocket.h"
#include "stack/q931/Tpkt.h"

namespace h323test {

class SignalTap {
 public:
  struct Packet {
    bool fromCaller;
    std::vector<uint8_t> bytes;  // the whole TPKT packet
  };

  // Relays connections to `target`; returns "127.0.0.1:port" to call instead.
  PString Start(const TcpAddress& target) {
    m_target = target;
    EXPECT_EQ(TcpSocket::Listen(TcpAddress{TcpAddress::kLoopback, 0}, true, 2, m_listener), TcpSocket::Status::Ok);
    m_acceptor = std::thread([this] {
      if (m_listener.Accept(m_stop, m_caller) != TcpSocket::Status::Ok) return;
      if (TcpSocket::Connect(m_target, std::chrono::milliseconds(2000), m_stop, m_callee) != TcpSocket::Status::Ok) return;
      m_up = std::thread([this] { Pump(m_caller, m_callee, true); });
      Pump(m_callee, m_caller, false);
      if (m_up.joinable()) m_up.join();
    });
    return psprintf("127.0.0.1:%u", m_listener.GetLocalAddress().port);
  }
  ~SignalTap() {
    m_stop.Signal();
    if (m_acceptor.joinable()) m_acceptor.join();
  }
  std::vector<Packet> Packets() {
    std::lock_guard lock(m_mutex);
    return m_packets;
  }

 private:
  void Pump(TcpSocket& from, TcpSocket& to, bool fromCaller) {
    tpkt::Reassembler reassembler;
    std::vector<uint8_t> buffer(4096);
    for (;;) {
      size_t n = 0;
      if (from.Read(buffer, n, m_stop) != TcpSocket::Status::Ok) break;
      if (to.WriteAll(std::span<const uint8_t>(buffer.data(), n), std::chrono::milliseconds(2000), m_stop) !=
          TcpSocket::Status::Ok)
        break;
      reassembler.Push(std::span<const uint8_t>(buffer.data(), n));
      std::vector<uint8_t> payload;
      while (reassembler.Next(payload) == tpkt::Reassembler::Result::kPacket) {
        std::vector<uint8_t> packet;
        tpkt::AppendPacket(payload, packet);
        std::lock_guard lock(m_mutex);
        m_packets.push_back({fromCaller, packet});
      }
    }
    to.Shutdown();
  }

  TcpAddress m_target;
  TcpSocket m_listener, m_caller, m_callee;
  WakeEvent m_stop;
  std::thread m_acceptor, m_up;
  std::mutex m_mutex;
  std::vector<Packet> m_packets;
};

}  // namespace h323test
