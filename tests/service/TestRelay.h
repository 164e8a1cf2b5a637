// A media relay that answers the service's relay protocol on a loopback control port
// (standing for UDP 2002): "GRQ token check addresses..." is accepted ("GCF TRUE") or
// refused, left unanswered or answered with garbage by setting; "ARQ token check" is
// granted a fresh RTP/RTCP port pair ("ACF token 127.0.0.1 rtp rtcp"), through which it
// forwards datagrams between the two legs of the call: the first leg is whoever sends to a
// port first (the softphone's hole-punching datagrams), the second whoever else sends to
// it. It checks each request's check value, counts the RTP packets it forwarded each way
// and records the DRQs.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace service {

class TestRelay {
 public:
  enum class GrqMode { kAccept, kRefuse, kSilent, kMalformed };
  enum class ArqMode { kGrant, kSilent, kMalformed };

  struct Request {
    std::string kind;    // "GRQ", "ARQ", "DRQ", or the first word of anything else
    std::string token;
    bool checkValid = false;  // the check value is MD5 hex of token + salt
    std::vector<std::string> addresses;  // a GRQ's local addresses
  };

  struct Traffic {
    uint64_t firstToSecond = 0;  // RTP packets from the first leg forwarded to the second
    uint64_t secondToFirst = 0;
    uint16_t firstLegPort = 0;   // the first leg's source port (0: none yet)
    uint16_t secondLegPort = 0;
  };

  TestRelay();
  ~TestRelay();
  TestRelay(const TestRelay&) = delete;
  TestRelay& operator=(const TestRelay&) = delete;

  uint16_t ControlPort() const { return controlPort_; }
  void SetGrqMode(GrqMode mode) { grqMode_ = mode; }
  void SetArqMode(ArqMode mode) { arqMode_ = mode; }

  std::vector<Request> Requests() const;
  size_t CountOf(const std::string& kind) const;
  bool WaitForRequests(const std::string& kind, size_t n, std::chrono::milliseconds timeout) const;

  // The port pairs granted so far, in order: (RTP port, RTCP port).
  std::vector<std::pair<uint16_t, uint16_t>> Grants() const;
  // What went through the RTP port of grant `index`.
  Traffic RtpTraffic(size_t index = 0) const;
  // Waits until grant `index` forwarded at least `n` RTP packets each way.
  bool WaitForTraffic(size_t index, uint64_t n, std::chrono::milliseconds timeout) const;

 private:
  struct Leg;
  struct Pair;
  void ControlLoop();
  void ForwardLoop(Pair& pair);
  std::string Reply(const std::string& request);

  int controlFd_ = -1;
  uint16_t controlPort_ = 0;
  std::atomic<GrqMode> grqMode_{GrqMode::kAccept};
  std::atomic<ArqMode> arqMode_{ArqMode::kGrant};
  std::atomic<bool> stop_{false};

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<Request> requests_;
  std::vector<std::unique_ptr<Pair>> pairs_;
  std::thread control_;
};

}  // namespace service
