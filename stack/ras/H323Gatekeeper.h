#pragma once
// The endpoint's gatekeeper client: discovery (GRQ), registration (RRQ) and its keep-alive
// before the time to live runs out, admission (ARQ), disengage (DRQ) and unregistration
// (URQ), and the answers to the gatekeeper's own requests (UCF to a URQ, DCF to a DRQ,
// IRR to an IRQ). The base hooks store what the replies tell (identifiers, time to live,
// the reject reason); a specialisation overrides them and calls them at its end.
//
// The owner (the endpoint) creates the client, opens it on its RAS address and asks it to
// register; requests block the calling thread, hooks run on the RAS thread, and the
// keep-alive runs on a thread of its own. Hooks must not make requests themselves.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "stack/ras/H225_RAS.h"
#include "stack/ras/PasswordToken.h"

namespace ras {

struct GatekeeperSettings {
  std::vector<std::string> aliases;   // h323-IDs; the first is the one the password is for
  std::string password;               // empty: no H.235 token
  PasswordHashVariant hashVariant = PasswordHashVariant::kWithAliasNul;
  RasAddress callSignalAddress;       // where calls reach us
  std::string protocolIdentifier = "0.0.8.2250.0.4";  // version 4
  H225_VendorIdentifier vendor;
  unsigned timeToLive = 0;            // seconds asked for in the RRQ; 0: none asked
  RasTiming timing;
  // The clock for token time stamps (seconds since 1970); tests give a fixed one.
  std::function<uint32_t()> now;
};

struct AdmissionParams {
  bool answerCall = false;
  unsigned callReference = 0;
  std::string conferenceId;           // 16 octets
  std::string callId;                 // 16 octets
  std::vector<std::string> destinationDigits;  // dialedDigits aliases of the called party
  std::vector<std::string> destinationIds;     // h323-ID aliases of the called party
  RasAddress destCallSignalAddress;   // when calling an address directly
  // Answering: the caller's aliases and call-signalling address (the destination is us).
  std::vector<std::string> sourceDigits;
  std::vector<std::string> sourceIds;
  RasAddress srcCallSignalAddress;
  unsigned bandwidth = 1280;          // in 100 bit/s
};

struct DisengageParams {
  bool answeredCall = false;
  unsigned callReference = 0;
  std::string conferenceId;
  std::string callId;
};

// Where registration goes after a gatekeeper confirm from `answeredFrom` that names
// `rasAddress`, discovery having been asked of `asked`: the RAS address the gatekeeper gave
// when it is on the host that was asked (another port there is the gatekeeper's own
// choice), never another host, which a forged or misconfigured confirm could name; the
// host that was asked when it names another or none.  Discovery by multicast is answered
// from wherever the gatekeeper is: then its RAS address, or the confirm's sender.
RasAddress RegistrationAddress(const RasAddress& asked, const RasAddress& answeredFrom, const RasAddress& rasAddress);

}  // namespace ras

class H323EndPoint;
class H323Transport;

class H323Gatekeeper : public H225_RAS {
 public:
  explicit H323Gatekeeper(ras::GatekeeperSettings settings);
  // The client of an endpoint: its aliases, gatekeeper password and call-signalling
  // address (the listener's port on the local interface of `transport`, which names the
  // gatekeeper's side as its remote end). The transport stays the caller's. Built with
  // the endpoint's library (stack_h323).
  H323Gatekeeper(H323EndPoint& endpoint, H323Transport* transport);
  ~H323Gatekeeper() override;

  // Stops the keep-alive and the RAS thread. A class that overrides hooks calls this in
  // its destructor, before its own members go.
  void Stop();

  // GRQ to `gatekeeper`, then a full RRQ to the RAS address it names; true when
  // registered. Afterwards keep-alive RRQs go out before the time to live runs out.
  bool DiscoverAndRegister(const ras::RasAddress& gatekeeper);
  bool IsRegistered() const;
  // URQ; the registration is dropped whatever the gatekeeper answers.
  bool Unregister();
  // The same, waiting at most `limit` in all for the answer (two attempts): for a client
  // that goes away, such as at the end of the program.  The client keeps that timing.
  bool UnregisterWithin(std::chrono::milliseconds limit);
  // The confirm or the reject is copied out when asked for.
  Result AdmissionRequest(const ras::AdmissionParams& params, H225_AdmissionConfirm* confirm = nullptr,
                          H225_AdmissionReject* reject = nullptr);
  Result DisengageRequest(const ras::DisengageParams& params);

  std::string GetEndpointIdentifier() const;
  std::string GetGatekeeperIdentifier() const;
  unsigned GetTimeToLive() const;  // what the gatekeeper granted, in seconds; 0: none
  // The tag of the last RegistrationRejectReason (kNoTag before any reject).
  unsigned GetRegistrationRejectTag() const;
  // The endpoint the client was built for; null when built from settings alone.
  H323EndPoint* GetEndPoint() const { return endpoint_; }
  const ras::GatekeeperSettings& GetSettings() const { return settings_; }

  bool OnReceiveGatekeeperConfirm(const H225_GatekeeperConfirm& gcf) override;
  bool OnReceiveRegistrationConfirm(const H225_RegistrationConfirm& rcf) override;
  bool OnReceiveRegistrationReject(const H225_RegistrationReject& rrj) override;
  bool OnReceiveUnregistrationRequest(const H225_UnregistrationRequest& urq) override;
  bool OnReceiveDisengageRequest(const H225_DisengageRequest& drq) override;
  bool OnReceiveInfoRequest(const H225_InfoRequest& irq) override;

 protected:
  // Fills the per-call part of an IRR; the endpoint adds its calls here. Default: none.
  virtual void OnSendInfoRequestResponse(H225_InfoRequestResponse& irr);

 private:
  bool Register(bool keepAlive);
  void BuildRegistrationRequest(H225_RegistrationRequest& rrq, bool keepAlive);
  // Adds the password token to a request's cryptoTokens, when a password is set.
  template <class Message>
  void AddToken(Message& msg) const;
  void KeepAliveLoop();
  void StopKeepAlive();

  // The endpoint's part of a DisengageRequest from the gatekeeper (the call it names is
  // cleared), set when the client is built for an endpoint; runs on the RAS thread and
  // returns once the call's Release Complete is out, before the confirm goes.
  std::function<void(const H225_DisengageRequest& drq)> onDisengage_;

  ras::GatekeeperSettings settings_;
  H323EndPoint* endpoint_ = nullptr;
  mutable std::mutex stateMutex_;
  std::string endpointId_;
  std::string gatekeeperId_;
  unsigned timeToLive_ = 0;
  unsigned rejectTag_ = asn::Choice::kNoTag;
  bool registered_ = false;

  std::mutex keepAliveMutex_;
  std::condition_variable keepAliveWake_;
  bool stopKeepAlive_ = false;
  std::thread keepAlive_;
};
