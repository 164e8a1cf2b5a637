// An answering endpoint on a loopback port for the call fuzz targets, and a caller that
// writes a byte stream to it on a fresh connection, ends its side and reads until the
// endpoint has closed the connection (the call, if one was made, has been cleared).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <cstdint>
#include <vector>

#include "AlsaFixture.h"
#include "codec/g7231/H323_G7231Capability.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/h323/H323EndPoint.h"
#include "stack/q931/Tpkt.h"

namespace fuzz {

class CallHarness {
 public:
  static CallHarness& Get() {
    static CallHarness* harness = new CallHarness;  // lives as long as the process
    return *harness;
  }

  H323EndPoint& EndPoint() { return *m_endpoint; }
  uint16_t Port() const { return m_port; }

  // Sends `stream` on a new connection and returns what the endpoint sent back.  With
  // `linger`, the caller reads that long before it ends its side.  Returns once the call's
  // threads have ended too, so that the leak check after each input finds none of them
  // still holding memory.
  std::vector<uint8_t> Call(const std::vector<uint8_t>& stream,
                            std::chrono::milliseconds linger = std::chrono::milliseconds(0)) const {
    const int before = ThreadCount();
    auto received = Exchange(m_port, stream, linger);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (ThreadCount() > before && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return received;
  }

  static int ThreadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return 0;
  }

  static std::vector<uint8_t> Exchange(uint16_t port, const std::vector<uint8_t>& stream,
                                       std::chrono::milliseconds linger) {
    std::vector<uint8_t> received;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return received;
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
      size_t sent = 0;
      while (sent < stream.size()) {
        const ssize_t n = ::send(fd, stream.data() + sent, stream.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      if (linger.count() > 0) ReadUntilClosed(fd, received, linger);
      ::shutdown(fd, SHUT_WR);
      ReadUntilClosed(fd, received);
    }
    ::close(fd);
    return received;
  }

  // The TPKT payloads in a received byte stream.
  static std::vector<std::vector<uint8_t>> Packets(const std::vector<uint8_t>& stream) {
    tpkt::Reassembler reassembler;
    reassembler.Push(stream);
    std::vector<std::vector<uint8_t>> packets;
    std::vector<uint8_t> payload;
    while (reassembler.Next(payload) == tpkt::Reassembler::Result::kPacket) packets.push_back(payload);
    return packets;
  }

  static void ReadUntilClosed(int fd, std::vector<uint8_t>& received,
                              std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    uint8_t buffer[4096];
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return;
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return;
      const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      received.insert(received.end(), buffer, buffer + n);
    }
  }

 private:
  CallHarness() {
    AlsaFixture::Get();  // sound devices that need no card, before anything opens one
    m_endpoint = new H323EndPoint;
    m_endpoint->SetLocalUserName("fuzz");
    m_endpoint->SetCapability(P_MAX_INDEX, P_MAX_INDEX, new H323_G7231Capability);
    m_endpoint->SetCapability(P_MAX_INDEX, P_MAX_INDEX, new H323_GSM0610Capability);
    m_endpoint->SetFirstSignalPduTimeout(PTimeInterval(2000));
    m_endpoint->SetSignallingChannelCallTimeout(PTimeInterval(3000));
    m_endpoint->StartListener(new H323ListenerTCP(TcpAddress::kLoopback, 0));
    m_port = m_endpoint->GetListenerPort();
  }

  H323EndPoint* m_endpoint = nullptr;
  uint16_t m_port = 0;
};

}  // namespace fuzz
