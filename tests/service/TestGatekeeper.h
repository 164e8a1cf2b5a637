// A gatekeeper that behaves as the service's does, on a loopback port of its own, for
// tests of the softphone's login, admission and call paths.
//
// It confirms discovery, registers known accounts ("03<identifier>/<account>") and calling
// cards ("02" + the enciphered card text) whose H.235 password token verifies, carries the
// service's data as text in nonStandardData (the card balance in the RCF, the available
// seconds in the ACF), routes each dialled number to a configured callee, and can be set to
// reject (RRJ with any reason and service codes, ARJ invalidPermission), to stay silent,
// to name an alternate gatekeeper and to ask the endpoint to unregister. It records what it
// saw, with waits that time out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "stack/asn/H225.h"
#include "stack/ras/RasTransport.h"

namespace service {

struct RegistrationRecord {
  std::string alias;            // the first h323-ID of the RRQ
  bool passwordVerified = false;
  std::string password;         // the password the token verified with; empty when none did
  std::string cardText;         // the deciphered card text of a card alias
  bool confirmed = false;       // answered with an RCF
};

struct AdmissionRecord {
  std::vector<std::string> dialledDigits;
  bool answerCall = false;
  std::string endpointId;
  bool confirmed = false;
};

class TestGatekeeper {
 public:
  // Listens on 127.0.0.1:port; port 0 takes a free one.
  explicit TestGatekeeper(uint16_t port = 0);
  ~TestGatekeeper();
  TestGatekeeper(const TestGatekeeper&) = delete;
  TestGatekeeper& operator=(const TestGatekeeper&) = delete;

  ras::RasAddress Address() const { return transport_.LocalAddress(); }
  // "127.0.0.1:port", as the profile names a gatekeeper host.
  std::string HostText() const;

  // --- What the service knows
  void AddAccount(const std::string& identifier, const std::string& account, const std::string& password);
  void AddCard(const std::string& identifier, const std::string& pin);
  void SetBalance(const std::string& text);            // RCF nonStandardData; empty: none
  void SetAvailableSeconds(const std::string& text);   // ACF nonStandardData; empty: none
  void SetRoute(const std::string& number, const ras::RasAddress& callee);

  // --- Behaviour
  // Every RRQ (not keep-alives) is rejected with `reasonTag` of RegistrationRejectReason
  // and `serviceCodes` as the text of its nonStandardData (none when empty).
  void RejectRegistrations(unsigned reasonTag, const std::string& serviceCodes);
  void AcceptRegistrations();  // back to checking aliases and passwords
  // Every ARQ is rejected with invalidPermission.
  void SetRejectAdmissions(bool reject);
  // Nothing is answered at all.
  void SetSilent(bool silent);
  // GCF and RCF name this RAS address as their first alternate gatekeeper.
  void SetAlternateGatekeeper(std::optional<ras::RasAddress> alternate);

  // Sends a URQ to the endpoint of the last confirmed registration; false when none.
  bool SendUnregistrationRequest();

  // --- What it saw
  std::vector<RegistrationRecord> Registrations() const;
  std::vector<AdmissionRecord> Admissions() const;
  std::vector<H225_DisengageRequest> Disengages() const;
  size_t GatekeeperRequests() const;
  size_t UnregistrationRequests() const;    // URQs the endpoint sent
  size_t UnregistrationConfirms() const;    // UCFs to our own URQs

  bool WaitForRegistrations(size_t n, std::chrono::milliseconds timeout) const;
  bool WaitForConfirmedRegistrations(size_t n, std::chrono::milliseconds timeout) const;
  bool WaitForAdmissions(size_t n, std::chrono::milliseconds timeout) const;
  bool WaitForDisengages(size_t n, std::chrono::milliseconds timeout) const;
  bool WaitForGatekeeperRequests(size_t n, std::chrono::milliseconds timeout) const;
  bool WaitForUnregistrationRequests(size_t n, std::chrono::milliseconds timeout) const;
  bool WaitForUnregistrationConfirms(size_t n, std::chrono::milliseconds timeout) const;

 private:
  struct Endpoint {
    std::string id;
    ras::RasAddress ras;
    H225_ArrayOf_TransportAddress callSignal;
  };

  void OnDatagram(const std::vector<uint8_t>& bytes, const ras::RasAddress& from);
  std::optional<H225_RasMessage> Answer(const H225_RasMessage& msg, const ras::RasAddress& from);
  H225_RasMessage OnGrq(const H225_GatekeeperRequest& grq);
  H225_RasMessage OnRrq(const H225_RegistrationRequest& rrq, const ras::RasAddress& from);
  H225_RasMessage OnArq(const H225_AdmissionRequest& arq);
  void AddAlternate(H225_ArrayOf_AlternateGK& list) const;
  // The password the alias registers with; nothing for an unknown alias or card.
  std::optional<std::string> PasswordOf(const std::string& alias, RegistrationRecord& record) const;
  template <class Pred>
  bool WaitUntil(Pred pred, std::chrono::milliseconds timeout) const;

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::map<std::string, std::string> accounts_;  // alias -> password
  std::map<std::string, std::string> cards_;     // identifier "/" PIN -> password
  std::string balance_;
  std::string seconds_;
  std::map<std::string, ras::RasAddress> routes_;
  std::optional<std::pair<unsigned, std::string>> registrationReject_;
  bool rejectAdmissions_ = false;
  bool silent_ = false;
  std::optional<ras::RasAddress> alternate_;
  unsigned nextEndpoint_ = 1;
  unsigned nextSeq_ = 1000;
  std::optional<Endpoint> registered_;

  std::vector<RegistrationRecord> registrations_;
  std::vector<AdmissionRecord> admissions_;
  std::vector<H225_DisengageRequest> disengages_;
  size_t gatekeeperRequests_ = 0;
  size_t unregistrationRequests_ = 0;
  size_t unregistrationConfirms_ = 0;

  ras::RasTransport transport_;  // last: its thread stops before the members above go
};

}  // namespace service
