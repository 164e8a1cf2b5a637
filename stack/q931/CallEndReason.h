#pragma once
// Why a call ended, in the stack's numbering (H323Connection::CallEndReason), and how the
// events of call signalling map onto it the way a user would read them: a busy or
// rejecting callee is a refusal, an unanswered call is no answer, a failed TCP connect is
// a connect failure, a release after the answer is the remote user hanging up.

#include <cstdint>
#include <optional>

enum CallEndReason : int {
  EndedByLocalUser = 0,           // the local user hung up
  EndedByNoAccept = 1,            // an incoming call was not accepted
  EndedByAnswerDenied = 2,        // the local user declined an incoming call
  EndedByRemoteUser = 3,          // the remote party hung up after the answer
  EndedByRefusal = 4,             // the called party refused the call (busy, rejected)
  EndedByNoAnswer = 5,            // nobody answered before the timers ran out
  EndedByCallerAbort = 6,         // the caller gave up before the call was answered
  EndedByTransportFail = 7,       // the signalling connection broke
  EndedByConnectFail = 8,         // the signalling connection could not be made
  EndedByGatekeeper = 9,          // the gatekeeper refused or cleared the call
  EndedByNoUser = 10,             // no such user or number
  EndedByNoBandwidth = 11,        // the bandwidth was refused
  EndedByCapabilityExchange = 12, // no common capability
  EndedByCallForwarded = 13,      // the call was forwarded elsewhere
  EndedBySecurityDenial = 14,     // a security check failed
  EndedByLocalBusy = 15,          // the local end was busy
  EndedByLocalCongestion = 16,    // the local end had no resources
  EndedByRemoteBusy = 17,         // the remote end was busy
  EndedByRemoteCongestion = 18,   // the remote end or network had no resources
  EndedByUnreachable = 19,        // there was no route to the remote end
  EndedByNoEndPoint = 20,         // nothing answered at the remote address
  EndedByHostOffline = 21,        // the remote end is out of order or absent
  EndedByTemporaryFailure = 22,   // a temporary failure in the network
  EndedByQ931Cause = 23,          // released with a cause that none of the above describes
  NumCallEndReasons
};

const char* GetCallEndReasonName(CallEndReason reason);

// The reason a released call ended with, from the cause of the Release Complete the remote
// side sent (nothing when it carried none), whether the call had been answered, and
// whether this side placed the call.
CallEndReason CallEndReasonFromRemoteRelease(std::optional<uint8_t> cause, bool established, bool originating);

// The reason a cause value stands for on its own, before the call was answered.
CallEndReason CallEndReasonFromCause(uint8_t cause);

// Events that end a call without a cause from the remote side.
enum class CallEndEvent {
  LocalHangUp,             // the local user cleared the call
  LocalDeclined,           // the local user refused an incoming call
  LocalBusy,               // an incoming call was refused because a call is up
  NoAnswerTimeout,         // the answer (or the first reply to the Setup) never came
  ConnectFailed,           // the TCP connect was refused, unreachable or timed out
  TransportClosed,         // the signalling connection closed without a Release Complete
  ProtocolError,           // the peer sent something that is not call signalling
  CapabilityExchangeFailed,
  AdmissionRejected,       // the gatekeeper refused admission
  CalledPartyNotRegistered // the gatekeeper does not know the called alias
};

CallEndReason CallEndReasonFromEvent(CallEndEvent event);

// The cause this side sends in its Release Complete when it ends a call for `reason`.
uint8_t Q931CauseFromCallEndReason(CallEndReason reason);
