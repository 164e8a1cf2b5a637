// A relay server stand-in for the relay client's tests: a UDP socket on a loopback address
// that records every datagram and answers each one with what `answer` returns (nothing for
// an empty answer).
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "stack/ptlib/PUDPSocket.h"

class FakeRelay {
 public:
  using Answer = std::function<std::string(const std::string& request)>;

  FakeRelay(const PIPSocket::Address& address, uint16_t port, Answer answer) : m_answer(std::move(answer)) {
    m_bound = m_socket.Listen(address, port);
    m_socket.SetReadTimeout(PTimeInterval(50));
    m_thread = std::thread([this] { Run(); });
  }
  ~FakeRelay() {
    m_stop = true;
    m_thread.join();
    m_socket.Close();
  }

  bool IsBound() const { return m_bound; }
  uint16_t GetPort() const { return m_socket.GetPort(); }
  std::vector<std::string> Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
  }
  std::vector<uint16_t> SourcePorts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sourcePorts;
  }

 private:
  void Run() {
    char buffer[1024];
    while (!m_stop) {
      PIPSocket::Address from;
      uint16_t port = 0;
      if (!m_socket.ReadFrom(buffer, sizeof buffer, from, port)) continue;
      std::string request(buffer, static_cast<std::size_t>(m_socket.GetLastReadCount()));
      {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
        m_sourcePorts.push_back(port);
      }
      std::string reply = m_answer ? m_answer(request) : std::string();
      if (!reply.empty()) m_socket.WriteTo(reply.data(), static_cast<PINDEX>(reply.size()), from, port);
    }
  }

  Answer m_answer;
  PUDPSocket m_socket;
  bool m_bound = false;
  std::atomic<bool> m_stop{false};
  mutable std::mutex m_mutex;
  std::vector<std::string> m_requests;
  std::vector<uint16_t> m_sourcePorts;
  std::thread m_thread;
};
