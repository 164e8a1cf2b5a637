#include "stack/ras/RasTransport.h"
#include "stack/ptlib/PThreadName.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ras {

namespace {

sockaddr_in ToSockaddr(const RasAddress& a) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(a.ip);
  sa.sin_port = htons(a.port);
  return sa;
}

// The largest RAS message: a datagram can hold no more.
constexpr size_t kMaxDatagram = 65536;

}  // namespace

RasTransport::~RasTransport() { Close(); }

bool RasTransport::Open(const RasAddress& local, Handler handler, std::string* error) {
  Close();
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (error) *error = std::string("socket: ") + std::strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  sockaddr_in sa = ToSockaddr(local);
  if (bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
    if (error) *error = "bind " + local.ToString() + ": " + std::strerror(errno);
    close(fd);
    close(wakeFds_[0]);
    close(wakeFds_[1]);
    wakeFds_[0] = wakeFds_[1] = -1;
    return false;
  }
  socklen_t len = sizeof sa;
  getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
  local_.ip = ntohl(sa.sin_addr.s_addr);
  local_.port = ntohs(sa.sin_port);
  {
    std::lock_guard<std::mutex> lock(fdMutex_);
    fd_ = fd;
  }
  handler_ = std::move(handler);
  thread_ = std::thread([this] {
    PSetThreadName("ras-receive");
    ReceiveLoop();
  });
  return true;
}

void RasTransport::Close() {
  if (thread_.joinable()) {
    char b = 0;
    (void)!write(wakeFds_[1], &b, 1);
    thread_.join();
  }
  {
    std::lock_guard<std::mutex> lock(fdMutex_);
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  for (int& w : wakeFds_) {
    if (w >= 0) close(w);
    w = -1;
  }
}

bool RasTransport::IsOpen() const {
  std::lock_guard<std::mutex> lock(fdMutex_);
  return fd_ >= 0;
}

bool RasTransport::Send(const std::vector<uint8_t>& datagram, const RasAddress& to) {
  std::lock_guard<std::mutex> lock(fdMutex_);
  if (fd_ < 0) return false;
  sockaddr_in sa = ToSockaddr(to);
  ssize_t n = sendto(fd_, datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&sa),
                     sizeof sa);
  return n == static_cast<ssize_t>(datagram.size());
}

void RasTransport::ReceiveLoop() {
  std::vector<uint8_t> buf(kMaxDatagram);
  for (;;) {
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (!(fds[0].revents & POLLIN)) continue;
    sockaddr_in from{};
    socklen_t len = sizeof from;
    ssize_t n = recvfrom(fd_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) continue;
    RasAddress sender;
    sender.ip = ntohl(from.sin_addr.s_addr);
    sender.port = ntohs(from.sin_port);
    if (handler_) handler_(std::vector<uint8_t>(buf.begin(), buf.begin() + n), sender);
  }
}

}  // namespace ras
