#pragma once
// The UDP socket that RAS messages travel on. A receive thread hands every datagram, with
// its sender, to the handler; sending is possible from any thread.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "stack/ras/RasAddress.h"

namespace ras {

class RasTransport {
 public:
  using Handler = std::function<void(const std::vector<uint8_t>& datagram, const RasAddress& from)>;

  RasTransport() = default;
  ~RasTransport();
  RasTransport(const RasTransport&) = delete;
  RasTransport& operator=(const RasTransport&) = delete;

  // Binds to `local` (ip 0: every interface; port 0: any free port) and starts receiving.
  bool Open(const RasAddress& local, Handler handler, std::string* error = nullptr);
  // Stops the receive thread and closes the socket. Safe to call twice; not from the
  // handler itself.
  void Close();
  bool IsOpen() const;

  bool Send(const std::vector<uint8_t>& datagram, const RasAddress& to);
  // The bound address (with the port the system chose).
  RasAddress LocalAddress() const { return local_; }

 private:
  void ReceiveLoop();

  // Held by a send and by Close while it closes the socket: a datagram being sent goes out
  // on this socket, never on another file that takes its number.
  mutable std::mutex fdMutex_;
  int fd_ = -1;
  int wakeFds_[2] = {-1, -1};
  RasAddress local_;
  Handler handler_;
  std::thread thread_;
};

}  // namespace ras
