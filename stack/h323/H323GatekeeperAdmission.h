#pragma once
// The admission of an endpoint that has a gatekeeper client: while the client is
// registered every call, outgoing and incoming, is asked for with an ARQ, and the end of
// an admitted call is told with a DRQ. Without a registered client the admission that was
// set before answers.
//
// The admission owns the current client (with the transport it was built on); callers
// take a reference to it for the length of a request, so that removing the client while
// a call asks, or while a registration is under way, frees nothing still in use.

#include <map>
#include <memory>
#include <mutex>

#include "stack/h323/H323CallAdmission.h"
#include "stack/h323/H323Transport.h"
#include "stack/ras/H323Gatekeeper.h"

class H323GatekeeperAdmission : public H323CallAdmission {
 public:
  explicit H323GatekeeperAdmission(H323CallAdmission* fallback) : m_fallback(fallback) {}

  H323CallAdmission* GetFallback() const { return m_fallback; }

  // Makes `client` the current one; returns the one it replaces (or null).
  std::shared_ptr<H323Gatekeeper> Install(std::shared_ptr<H323Gatekeeper> client,
                                          std::shared_ptr<H323Transport> transport);
  // Drops the current client when it is `client` (any when null); returns what was dropped.
  std::shared_ptr<H323Gatekeeper> Remove(const H323Gatekeeper* client = nullptr);
  std::shared_ptr<H323Gatekeeper> Current() const;

  H323AdmissionResult AdmitCall(H323Connection& connection, const H323AdmissionRequest& request) override;
  void DisengageCall(H323Connection& connection) override;
  // The gatekeeper of `client` has disengaged a call (DRQ): the token of the admitted
  // call it names (by call identifier, else conference and call reference), which then
  // ends without a DRQ of ours; empty when no such call.
  PString OnGatekeeperDisengage(const H323Gatekeeper& client, const std::string& callId,
                                const std::string& conferenceId, unsigned callReference);

  // Where a reject reason leaves the call.
  static CallEndReason EndReasonFor(unsigned admissionRejectTag);

 private:
  struct Admitted {
    std::weak_ptr<H323Gatekeeper> client;
    ras::DisengageParams params;
    bool dropped = false;  // the gatekeeper disengaged it
  };

  H323CallAdmission* const m_fallback;
  mutable std::mutex m_mutex;
  std::shared_ptr<H323Gatekeeper> m_client;
  std::shared_ptr<H323Transport> m_transport;
  std::map<PString, Admitted> m_admitted;  // by call token: calls that went through an ARQ
};
