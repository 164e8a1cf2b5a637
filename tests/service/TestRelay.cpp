#include "TestRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "stack/ras/Md5.h"

namespace service {

namespace {

constexpr const char* kCheckSalt = "www.qelvorn.xqz";
constexpr int kPollMs = 20;

// A UDP socket bound to 127.0.0.1 on a port the system chooses.
int BindLoopback(uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0) throw std::runtime_error("test relay: no socket");
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(fd);
    throw std::runtime_error("test relay: bind failed");
  }
  port = ntohs(a.sin_port);
  return fd;
}

std::string CheckValue(const std::string& token) {
  const auto digest = ras::Md5(token + kCheckSalt);
  std::string hex;
  char two[3];
  for (uint8_t b : digest) {
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  return hex;
}

bool IsRtp(const uint8_t* data, size_t size) { return size >= 12 && (data[0] >> 6) == 2; }

}  // namespace

struct TestRelay::Leg {
  sockaddr_in address{};
  bool known = false;
};

struct TestRelay::Pair {
  int fds[2] = {-1, -1};  // RTP, RTCP
  uint16_t ports[2] = {0, 0};
  Leg first[2], second[2];
  Traffic rtp;
  std::thread thread;
};

TestRelay::TestRelay() {
  controlFd_ = BindLoopback(controlPort_);
  control_ = std::thread([this] { ControlLoop(); });
}

TestRelay::~TestRelay() {
  stop_ = true;
  control_.join();
  for (auto& p : pairs_) {
    p->thread.join();
    for (int fd : p->fds) ::close(fd);
  }
  ::close(controlFd_);
}

void TestRelay::ControlLoop() {
  char buffer[1500];
  while (!stop_) {
    pollfd pfd{controlFd_, POLLIN, 0};
    if (::poll(&pfd, 1, kPollMs) <= 0) continue;
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n = ::recvfrom(controlFd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n <= 0) continue;
    const std::string reply = Reply(std::string(buffer, static_cast<size_t>(n)));
    if (!reply.empty())
      ::sendto(controlFd_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
  }
}

std::string TestRelay::Reply(const std::string& text) {
  std::istringstream in(text);
  Request r;
  std::string check;
  in >> r.kind >> r.token >> check;
  for (std::string a; in >> a;) r.addresses.push_back(a);
  r.checkValid = r.token.size() == 32 && check == CheckValue(r.token);

  std::string reply;
  if (r.kind == "GRQ") {
    switch (grqMode_.load()) {
      case GrqMode::kAccept: reply = r.checkValid ? "GCF TRUE" : "GRJ FALSE"; break;
      case GrqMode::kRefuse: reply = "TRUE GRJ"; break;  // the word at the start refuses
      case GrqMode::kSilent: break;
      case GrqMode::kMalformed: reply = std::string("\x01\xff\x00", 3); break;
    }
  } else if (r.kind == "ARQ") {
    switch (arqMode_.load()) {
      case ArqMode::kGrant:
        if (!r.checkValid) {
          reply = "ARJ " + r.token;
          break;
        }
        {
          auto pair = std::make_unique<Pair>();
          pair->fds[0] = BindLoopback(pair->ports[0]);
          pair->fds[1] = BindLoopback(pair->ports[1]);
          reply = "ACF " + r.token + " 127.0.0.1 " + std::to_string(pair->ports[0]) + " " +
                  std::to_string(pair->ports[1]);
          Pair& p = *pair;
          {
            std::lock_guard lock(mutex_);
            pairs_.push_back(std::move(pair));
          }
          p.thread = std::thread([this, &p] { ForwardLoop(p); });
        }
        break;
      case ArqMode::kSilent: break;
      case ArqMode::kMalformed: reply = "ACF " + r.token + " 127.0.0"; break;
    }
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(r));
  }
  changed_.notify_all();
  return reply;
}

void TestRelay::ForwardLoop(Pair& p) {
  uint8_t buffer[2048];
  while (!stop_) {
    pollfd pfds[2] = {{p.fds[0], POLLIN, 0}, {p.fds[1], POLLIN, 0}};
    if (::poll(pfds, 2, kPollMs) <= 0) continue;
    for (int k = 0; k < 2; ++k) {
      if (!(pfds[k].revents & POLLIN)) continue;
      sockaddr_in from{};
      socklen_t len = sizeof from;
      const ssize_t n = ::recvfrom(p.fds[k], buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (n <= 0) continue;
      auto same = [&](const Leg& leg) {
        return leg.known && leg.address.sin_addr.s_addr == from.sin_addr.s_addr && leg.address.sin_port == from.sin_port;
      };
      Leg& first = p.first[k];
      Leg& second = p.second[k];
      const Leg* to = nullptr;
      bool fromFirst = false;
      {
        std::lock_guard lock(mutex_);
        if (!first.known) {
          first.address = from;
          first.known = true;
          if (k == 0) p.rtp.firstLegPort = ntohs(from.sin_port);
        } else if (!same(first) && !second.known) {
          second.address = from;
          second.known = true;
          if (k == 0) p.rtp.secondLegPort = ntohs(from.sin_port);
        }
        fromFirst = same(first);
        if (fromFirst && second.known) to = &second;
        if (!fromFirst && same(second)) to = &first;
        if (to && k == 0 && IsRtp(buffer, static_cast<size_t>(n))) ++(fromFirst ? p.rtp.firstToSecond : p.rtp.secondToFirst);
      }
      if (to) {
        ::sendto(p.fds[k], buffer, static_cast<size_t>(n), 0, reinterpret_cast<const sockaddr*>(&to->address),
                 sizeof to->address);
        changed_.notify_all();
      }
    }
  }
}

std::vector<TestRelay::Request> TestRelay::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

size_t TestRelay::CountOf(const std::string& kind) const {
  std::lock_guard lock(mutex_);
  size_t n = 0;
  for (const auto& r : requests_) n += r.kind == kind ? 1 : 0;
  return n;
}

bool TestRelay::WaitForRequests(const std::string& kind, size_t n, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    size_t c = 0;
    for (const auto& r : requests_) c += r.kind == kind ? 1 : 0;
    return c >= n;
  });
}

std::vector<std::pair<uint16_t, uint16_t>> TestRelay::Grants() const {
  std::lock_guard lock(mutex_);
  std::vector<std::pair<uint16_t, uint16_t>> out;
  for (const auto& p : pairs_) out.emplace_back(p->ports[0], p->ports[1]);
  return out;
}

TestRelay::Traffic TestRelay::RtpTraffic(size_t index) const {
  std::lock_guard lock(mutex_);
  return index < pairs_.size() ? pairs_[index]->rtp : Traffic{};
}

bool TestRelay::WaitForTraffic(size_t index, uint64_t n, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] {
    return index < pairs_.size() && pairs_[index]->rtp.firstToSecond >= n && pairs_[index]->rtp.secondToFirst >= n;
  });
}

}  // namespace service
