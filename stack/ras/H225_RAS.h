#pragma once
// The RAS channel: H.225.0 RAS messages over UDP, requests with their replies matched by
// sequence number and sender, retries and time-outs, "request in progress" extending the
// wait up to a bound, and the receive hooks that the gatekeeper client (and the system's
// specialisation of it) override.
//
// A reply counts only when it comes from the address and port its request went to (from
// anyone only when the request went to a multicast address: discovery by multicast is
// answered from the gatekeeper's own address).  Each channel numbers its requests from a
// random point, so that nobody off the path can guess the number of a pending request.
//
// Hooks run on the RAS thread (the transport's receive thread) with the decoded message.
// For a reply to the pending request, the hook's result decides the request: true accepts
// the reply, false makes the request fail (H225_RAS::Result::kRefused). A datagram that
// does not decode, or a reply that matches no pending request, is ignored.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "stack/asn/H225.h"
#include "stack/ras/RasAddress.h"
#include "stack/ras/RasTransport.h"

namespace ras {

struct RasTiming {
  std::chrono::milliseconds timeout{3000};  // per attempt
  unsigned retries = 2;                      // attempts after the first
  // How much longer than its attempts a request may be held by RequestInProgress: the
  // request ends at the latest (retries + 1) x timeout + inProgressLimit after it began.
  std::chrono::milliseconds inProgressLimit{10000};
};

// Whether a reply from `from` can answer a request sent to `to`: the same address and
// port, or anyone for a request sent to a multicast address.
bool AcceptsReplyFrom(const RasAddress& to, const RasAddress& from);
bool IsMulticast(const RasAddress& address);

// The requestSeqNum of any RAS message, or 0 for one without (none in the modules).
unsigned GetSequenceNumber(const H225_RasMessage& msg);
void SetSequenceNumber(H225_RasMessage& msg, unsigned seq);

}  // namespace ras

class H225_RAS {
 public:
  enum class Result { kConfirmed, kRejected, kTimedOut, kRefused, kSendFailed, kClosed };

  H225_RAS();
  virtual ~H225_RAS();
  H225_RAS(const H225_RAS&) = delete;
  H225_RAS& operator=(const H225_RAS&) = delete;

  // Binds the RAS socket (port 0: any free port) and starts the RAS thread.
  bool Open(const ras::RasAddress& local, std::string* error = nullptr);
  // Stops the RAS thread; pending requests end with kClosed. A class that overrides hooks
  // calls this in its destructor, so that no hook runs on a half-destroyed object.
  void Close();
  ras::RasAddress GetLocalAddress() const { return transport_.LocalAddress(); }

  void SetRemoteAddress(const ras::RasAddress& gatekeeper);
  ras::RasAddress GetRemoteAddress() const;
  void SetTiming(const ras::RasTiming& timing);

  // Sends `request` to the remote address with a fresh sequence number and waits for its
  // confirm or reject (copied to `reply` when given, its sender to `replyFrom`). One
  // request at a time: a second caller waits for the first to finish.
  Result MakeRequest(H225_RasMessage& request, H225_RasMessage* reply = nullptr,
                     ras::RasAddress* replyFrom = nullptr);
  // Sends a message (an answer to the gatekeeper's request, say) without waiting.
  bool SendMessage(const H225_RasMessage& msg, const ras::RasAddress& to);

  // Datagrams dropped because they did not decode or matched nothing.
  unsigned GetIgnoredCount() const;

  // Receive hooks. The replies' defaults accept the reply; the requests' defaults do
  // nothing (the gatekeeper client answers them).
  virtual bool OnReceiveGatekeeperConfirm(const H225_GatekeeperConfirm& gcf);
  virtual bool OnReceiveGatekeeperReject(const H225_GatekeeperReject& grj);
  virtual bool OnReceiveRegistrationConfirm(const H225_RegistrationConfirm& rcf);
  virtual bool OnReceiveRegistrationReject(const H225_RegistrationReject& rrj);
  virtual bool OnReceiveUnregistrationRequest(const H225_UnregistrationRequest& urq);
  virtual bool OnReceiveUnregistrationConfirm(const H225_UnregistrationConfirm& ucf);
  virtual bool OnReceiveUnregistrationReject(const H225_UnregistrationReject& urj);
  virtual bool OnReceiveAdmissionConfirm(const H225_AdmissionConfirm& acf);
  virtual bool OnReceiveAdmissionReject(const H225_AdmissionReject& arj);
  virtual bool OnReceiveDisengageRequest(const H225_DisengageRequest& drq);
  virtual bool OnReceiveDisengageConfirm(const H225_DisengageConfirm& dcf);
  virtual bool OnReceiveDisengageReject(const H225_DisengageReject& drj);
  virtual bool OnReceiveInfoRequest(const H225_InfoRequest& irq);

 protected:
  // The sender of the message being handled on the RAS thread.
  ras::RasAddress GetReplyAddress() const { return replyAddress_; }

 private:
  void OnDatagram(const std::vector<uint8_t>& bytes, const ras::RasAddress& from);
  bool DispatchReply(const H225_RasMessage& msg);
  void DispatchRequest(const H225_RasMessage& msg);

  ras::RasTransport transport_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::mutex requestMutex_;  // one request at a time
  std::mutex closeMutex_;    // one Close at a time
  ras::RasAddress remote_;
  ras::RasTiming timing_;
  unsigned nextSeq_;  // from a random start
  unsigned ignored_ = 0;
  bool open_ = false;
  ras::RasAddress replyAddress_;

  struct Pending {
    bool active = false;
    bool done = false;
    unsigned seq = 0;
    unsigned confirmTag = 0;
    unsigned rejectTag = 0;
    ras::RasAddress to;  // where the request went: only it answers
    ras::RasAddress from;
    std::chrono::steady_clock::time_point deadline;
    std::chrono::steady_clock::time_point lastDeadline;  // the bound of RequestInProgress
    Result result = Result::kTimedOut;
    H225_RasMessage reply;
  } pending_;
};
