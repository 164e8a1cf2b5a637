#pragma once
// Admission of calls: the place where a gatekeeper client decides whether a call may go
// ahead.  The endpoint asks before it sends a Setup (and, for a dialled number, learns
// where to send it) and when a Setup arrives, before it answers; it tells the admission
// when an admitted call has ended, so that the gatekeeper can be told (disengage).

#include <optional>
#include <vector>

#include "stack/h323/H323UserInformation.h"
#include "stack/q931/CallEndReason.h"

class H323Connection;

struct H323AdmissionRequest {
  bool answeringCall = false;
  // Outgoing: the party as dialled; incoming: the caller's name as the Setup gave it.
  PString remoteParty;
  std::vector<H323AliasAddress> destinationAliases;
  std::optional<TcpAddress> destCallSignalAddress;  // when the dialled text is an address
  std::vector<H323AliasAddress> sourceAliases;
  std::optional<TcpAddress> sourceCallSignalAddress;
  H323UserInformation::Guid callIdentifier{};
  H323UserInformation::Guid conferenceID{};
  unsigned bandwidth = 0;  // units of 100 bit/s, both directions
};

struct H323AdmissionResult {
  bool admitted = true;
  // Why the call ends when it is not admitted (EndedByGatekeeper, EndedByNoUser, ...).
  CallEndReason rejectReason = EndedByGatekeeper;
  // Outgoing calls: where to send the Setup (the gatekeeper's answer for a dialled number).
  std::optional<TcpAddress> destCallSignalAddress;
};

class H323CallAdmission {
 public:
  virtual ~H323CallAdmission() = default;
  // Runs on the call's own thread (outgoing) or its signalling thread (incoming) and may
  // block for the gatekeeper's answer.
  virtual H323AdmissionResult AdmitCall(H323Connection& connection, const H323AdmissionRequest& request) = 0;
  // The call admitted by AdmitCall has ended; runs on the connections-cleaner thread.
  virtual void DisengageCall(H323Connection& connection) = 0;
};
