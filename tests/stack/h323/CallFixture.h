// Endpoints and scripted peers for call tests on loopback, with ephemeral ports.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "stack/h323/H323EndPoint.h"
#include "stack/q931/Tpkt.h"
#include "stack/q931/TcpSocket.h"

namespace h323test {

using namespace std::chrono_literals;

// Waits on a condition that other threads change; every change calls Notify.
class Events {
 public:
  template <class Pred>
  bool WaitFor(Pred pred, std::chrono::milliseconds timeout = 5000ms) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, timeout, pred);
  }
  template <class F>
  void Change(F f) {
    {
      std::lock_guard lock(m_mutex);
      f();
    }
    m_cv.notify_all();
  }
  std::mutex& Mutex() { return m_mutex; }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
};

struct ClearedCall {
  PString token;
  CallEndReason reason;
};

// An endpoint that records what its hooks saw.
class TestEndPoint : public H323EndPoint {
 public:
  explicit TestEndPoint(const char* name = "tester") {
    SetLocalUserName(name);
    SetSignallingChannelConnectTimeout(PTimeInterval(2000));
  }
  ~TestEndPoint() override { Quiesce(); }

  // Stops taking calls and waits until every call is cleaned up.  The destructor of each
  // most-derived endpoint calls it first: the stack calls the endpoint's hooks from its own
  // threads, and they must not run while a derived part is being destroyed.
  void Quiesce() {
    RemoveListeners();
    ClearAllCalls(H323Connection::EndedByLocalUser, true);
  }

  // Listens on a free loopback port; returns "127.0.0.1:port".
  PString Listen() {
    auto* listener = new H323ListenerTCP(TcpAddress::kLoopback, 0);
    EXPECT_TRUE(StartListener(listener));
    return psprintf("127.0.0.1:%u", GetListenerPort());
  }

  // Decides incoming calls; default accepts.
  std::function<bool(H323Connection&, const H323SignalPDU&)> incomingPolicy;

  bool OnIncomingCall(H323Connection& c, const H323SignalPDU& setup, H323SignalPDU&) override {
    // The connection's lock is taken before the events' lock, never inside it.
    const PString name = c.GetRemotePartyName();
    events.Change([&] { incoming.push_back(name); });
    return incomingPolicy ? incomingPolicy(c, setup) : true;
  }
  bool OnAlerting(H323Connection&, const H323SignalPDU&, const PString& user) override {
    events.Change([&] { alerting.push_back(user); });
    return true;
  }
  void OnConnectionEstablished(H323Connection&, const PString& token) override {
    events.Change([&] { established.push_back(token); });
  }
  void OnConnectionCleared(H323Connection& c, const PString& token) override {
    events.Change([&] { cleared.push_back({token, c.GetCallEndReason()}); });
  }
  void OnUserInputString(H323Connection&, const PString& value) override {
    events.Change([&] { userInput += value; });
  }

  bool WaitEstablished(size_t n = 1) {
    return events.WaitFor([&] { return established.size() >= n; });
  }
  // The end reason of the call with `token` once it has been cleared.
  std::optional<CallEndReason> WaitCleared(const PString& token, std::chrono::milliseconds timeout = 5000ms) {
    std::optional<CallEndReason> reason;
    events.WaitFor(
        [&] {
          for (const auto& c : cleared)
            if (c.token == token) reason = c.reason;
          return reason.has_value();
        },
        timeout);
    return reason;
  }
  // The end reason of the n-th cleared call (any token).
  std::optional<CallEndReason> WaitAnyCleared(size_t n = 1) {
    if (!events.WaitFor([&] { return cleared.size() >= n; })) return std::nullopt;
    std::lock_guard lock(events.Mutex());
    return cleared[n - 1].reason;
  }
  PString EstablishedToken(size_t i = 0) {
    std::lock_guard lock(events.Mutex());
    return i < established.size() ? established[i] : PString();
  }

  Events events;
  std::vector<PString> incoming;
  std::vector<PString> alerting;
  std::vector<PString> established;
  std::vector<ClearedCall> cleared;
  PString userInput;
};

// A peer speaking call signalling by hand on a plain TCP socket: it sends what a test
// scripts (TPKT packets, or any bytes) and records the Q.931 messages it receives.
class ScriptedPeer {
 public:
  // A Q.931 message that went over the connection, either way.
  struct Packet {
    bool fromPeer;
    std::vector<uint8_t> payload;  // the TPKT payload
  };

  ~ScriptedPeer() { Close(); }

  // Listens on loopback and accepts one connection in the background; "127.0.0.1:port".
  PString Listen() {
    EXPECT_EQ(TcpSocket::Listen(TcpAddress{TcpAddress::kLoopback, 0}, true, 4, m_listener), TcpSocket::Status::Ok);
    const uint16_t port = m_listener.GetLocalAddress().port;
    m_reader = std::thread([this] {
      TcpSocket accepted;
      if (m_listener.Accept(m_stop, accepted) != TcpSocket::Status::Ok) return;
      m_events.Change([&] { m_socket = std::move(accepted); });
      ReadLoop();
    });
    return psprintf("127.0.0.1:%u", port);
  }
  bool Connect(const PString& address) {
    auto target = TcpAddress::Parse(address.view(), 1720);
    TcpSocket socket;
    if (!target || TcpSocket::Connect(*target, 2000ms, m_stop, socket) != TcpSocket::Status::Ok) return false;
    m_events.Change([&] { m_socket = std::move(socket); });
    m_reader = std::thread([this] { ReadLoop(); });
    return true;
  }
  bool WaitConnected() {
    return m_events.WaitFor([&] { return m_socket.IsOpen(); });
  }

  bool SendBytes(const std::vector<uint8_t>& bytes) {
    return m_socket.WriteAll(bytes, 2000ms, m_stop) == TcpSocket::Status::Ok;
  }
  bool SendPacket(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> frame;
    if (!tpkt::AppendPacket(payload, frame)) return false;
    m_events.Change([&] { m_packets.push_back({true, payload}); });
    return SendBytes(frame);
  }
  bool Send(const Q931& message) {
    q931::Bytes bytes;
    return message.Encode(bytes) && SendPacket(bytes);
  }
  // A message of a call, from the side given, with user-user information of `body`.
  static H323SignalPDU Message(uint8_t type, H323UserInformation::Body body, uint16_t callRef, bool fromDestination) {
    H323SignalPDU pdu;
    pdu.Build(type, body, callRef, fromDestination);
    pdu.m_userInfo.sourceAliases = {H323AliasAddress{H323AliasAddress::e_h323_ID, "peer"}};
    return pdu;
  }
  bool SendPDU(H323SignalPDU pdu) { return pdu.Encode() && Send(pdu.m_q931pdu); }

  // Ends the connection (the endpoint reads the end of the stream) and stops reading.
  void Close() {
    m_socket.Shutdown();
    m_stop.Signal();
    if (m_reader.joinable()) m_reader.join();
  }

  // The next received message of `type` (earlier ones of other types are skipped).
  std::optional<Q931> WaitFor(uint8_t type, std::chrono::milliseconds timeout = 5000ms) {
    std::optional<Q931> found;
    m_events.WaitFor(
        [&] {
          while (!m_received.empty()) {
            Q931 m = std::move(m_received.front());
            m_received.pop_front();
            if (m.GetMessageType() == type) {
              found = std::move(m);
              return true;
            }
          }
          return false;
        },
        timeout);
    return found;
  }
  // Every message sent and received so far, in order.
  std::vector<Packet> Packets() {
    std::lock_guard lock(m_events.Mutex());
    return m_packets;
  }
  // Waits until `pred` holds for the messages so far.
  bool WaitPackets(const std::function<bool(const std::vector<Packet>&)>& pred,
                   std::chrono::milliseconds timeout = 5000ms) {
    return m_events.WaitFor([&] { return pred(m_packets); }, timeout);
  }
  // True once the endpoint has closed the connection.
  bool WaitClosed(std::chrono::milliseconds timeout = 5000ms) {
    return m_events.WaitFor([&] { return m_closed; }, timeout);
  }

 private:
  void ReadLoop() {
    tpkt::Reassembler reassembler;
    std::vector<uint8_t> buffer(4096);
    for (;;) {
      size_t n = 0;
      if (m_socket.Read(buffer, n, m_stop) != TcpSocket::Status::Ok) break;
      reassembler.Push(std::span<const uint8_t>(buffer.data(), n));
      std::vector<uint8_t> payload;
      while (reassembler.Next(payload) == tpkt::Reassembler::Result::kPacket) {
        Q931 m;
        if (m.Decode(payload)) m_events.Change([&] {
          m_packets.push_back({false, payload});
          m_received.push_back(std::move(m));
        });
      }
    }
    m_events.Change([&] { m_closed = true; });
  }

  TcpSocket m_listener;
  TcpSocket m_socket;
  WakeEvent m_stop;
  std::thread m_reader;
  Events m_events;
  std::deque<Q931> m_received;
  std::vector<Packet> m_packets;
  bool m_closed = false;
};

}  // namespace h323test
