// Seeds for the call fuzz targets, taken from the answering endpoint itself: the Setup it
// sends when it places a call (with its fast-start proposals), and the H.245 messages it
// tunnels when it answers one.
#pragma once

#include <sys/socket.h>

#include <vector>

#include "stack/h323/H323SignalPDU.h"
#include "tests/fuzz/CallHarness.h"
#include "tests/fuzz/SignalMessages.h"

namespace fuzz {

// The TPKT packet of the Setup the endpoint sends for a call of its own (empty when none).
inline std::vector<uint8_t> CapturedSetup() {
  TcpSocket listener;
  if (TcpSocket::Listen(TcpAddress{TcpAddress::kLoopback, 0}, true, 4, listener) != TcpSocket::Status::Ok) return {};
  PString token;
  CallHarness::Get().EndPoint().MakeCall(psprintf("127.0.0.1:%u", listener.GetLocalAddress().port), token);
  WakeEvent never;
  TcpSocket accepted;
  std::vector<uint8_t> received;
  if (listener.Accept(never, accepted) == TcpSocket::Status::Ok) {
    tpkt::Reassembler reassembler;
    std::vector<uint8_t> buffer(4096), payload;
    size_t n = 0;
    while (accepted.Read(buffer, n, never) == TcpSocket::Status::Ok) {
      reassembler.Push(std::span(buffer.data(), n));
      if (reassembler.Next(payload) == tpkt::Reassembler::Result::kPacket) {
        tpkt::AppendPacket(payload, received);
        break;
      }
    }
  }
  CallHarness::Get().EndPoint().ClearCallSynchronous(token);
  return received;
}

// The fast-start proposals of a captured Setup.
inline std::vector<std::vector<uint8_t>> FastStartOf(const std::vector<uint8_t>& setupPacket) {
  for (const auto& payload : CallHarness::Packets(setupPacket)) {
    Q931 q931;
    H323SignalPDU pdu;
    if (q931.Decode(payload) && pdu.Read(q931)) return pdu.m_userInfo.fastStart;
  }
  return {};
}

// The H.245 messages the endpoint tunnels while it answers a call.
inline std::vector<std::vector<uint8_t>> CapturedH245() {
  const auto stream = CallerPackets(41, {}, {});
  std::vector<std::vector<uint8_t>> h245;
  for (const auto& payload : CallHarness::Packets(CallHarness::Get().Call(stream[0], std::chrono::milliseconds(1500)))) {
    Q931 q931;
    H323SignalPDU pdu;
    if (!q931.Decode(payload) || !pdu.Read(q931)) continue;
    for (const auto& m : pdu.m_userInfo.h245Control) h245.push_back(m);
  }
  return h245;
}

}  // namespace fuzz
