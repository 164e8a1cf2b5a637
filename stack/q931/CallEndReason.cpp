#include "stack/q931/CallEndReason.h"

#include "stack/q931/Q931.h"

const char* GetCallEndReasonName(CallEndReason reason) {
  static const char* const kNames[NumCallEndReasons] = {
      "EndedByLocalUser",      "EndedByNoAccept",         "EndedByAnswerDenied",     "EndedByRemoteUser",
      "EndedByRefusal",        "EndedByNoAnswer",         "EndedByCallerAbort",      "EndedByTransportFail",
      "EndedByConnectFail",    "EndedByGatekeeper",       "EndedByNoUser",           "EndedByNoBandwidth",
      "EndedByCapabilityExchange", "EndedByCallForwarded", "EndedBySecurityDenial",  "EndedByLocalBusy",
      "EndedByLocalCongestion", "EndedByRemoteBusy",      "EndedByRemoteCongestion", "EndedByUnreachable",
      "EndedByNoEndPoint",     "EndedByHostOffline",      "EndedByTemporaryFailure", "EndedByQ931Cause",
  };
  if (reason < 0 || reason >= NumCallEndReasons) return "EndedByUnknown";
  return kNames[reason];
}

CallEndReason CallEndReasonFromCause(uint8_t cause) {
  switch (cause) {
    case Q931::UnallocatedNumber:
    case Q931::NumberChanged:
    case Q931::InvalidNumberFormat:
      return EndedByNoUser;
    case Q931::NoRouteToNetwork:
    case Q931::NoRouteToDestination:
    case Q931::NetworkOutOfOrder:
      return EndedByUnreachable;
    case Q931::NormalCallClearing:
    case Q931::NormalUnspecified:
      return EndedByRemoteUser;
    // A busy callee is read as a refusal: the caller learns the call will not be taken.
    case Q931::UserBusy:
    case Q931::CallRejected:
      return EndedByRefusal;
    case Q931::NoResponse:
    case Q931::NoAnswer:
    case Q931::TimerExpiry:  // the far end gave up waiting
      return EndedByNoAnswer;
    case Q931::SubscriberAbsent:
    case Q931::DestinationOutOfOrder:
      return EndedByHostOffline;
    case Q931::Redirection:
      return EndedByCallForwarded;
    case Q931::NoCircuitChannelAvailable:
    case Q931::Congestion:
    case Q931::RequestedCircuitNotAvailable:
    case Q931::ResourceUnavailable:
      return EndedByRemoteCongestion;
    case Q931::TemporaryFailure:
      return EndedByTemporaryFailure;
    case Q931::BearerCapNotAuthorised:
      return EndedBySecurityDenial;
    case Q931::BearerCapNotPresentlyAvailable:
    case Q931::BearerCapNotImplemented:
    case Q931::IncompatibleDestination:
      return EndedByCapabilityExchange;
    default:
      return EndedByQ931Cause;
  }
}

CallEndReason CallEndReasonFromRemoteRelease(std::optional<uint8_t> cause, bool established, bool originating) {
  // Whatever the caller says when it releases before the answer, it gave up.
  if (!originating && !established) return EndedByCallerAbort;
  if (established) {
    // After the answer the remote party ended the call, unless the network failed.
    if (!cause) return EndedByRemoteUser;
    switch (const CallEndReason reason = CallEndReasonFromCause(*cause)) {
      case EndedByUnreachable:
      case EndedByHostOffline:
      case EndedByRemoteCongestion:
      case EndedByTemporaryFailure:
        return reason;
      default:
        return EndedByRemoteUser;
    }
  }
  // Before the answer a plain release from the called side means it would not take the call.
  if (!cause) return EndedByRefusal;
  const CallEndReason reason = CallEndReasonFromCause(*cause);
  return reason == EndedByRemoteUser ? EndedByRefusal : reason;
}

CallEndReason CallEndReasonFromEvent(CallEndEvent event) {
  switch (event) {
    case CallEndEvent::LocalHangUp: return EndedByLocalUser;
    case CallEndEvent::LocalDeclined: return EndedByAnswerDenied;
    case CallEndEvent::LocalBusy: return EndedByLocalBusy;
    case CallEndEvent::NoAnswerTimeout: return EndedByNoAnswer;
    case CallEndEvent::ConnectFailed: return EndedByConnectFail;
    case CallEndEvent::TransportClosed: return EndedByTransportFail;
    case CallEndEvent::ProtocolError: return EndedByTransportFail;
    case CallEndEvent::CapabilityExchangeFailed: return EndedByCapabilityExchange;
    case CallEndEvent::AdmissionRejected: return EndedByGatekeeper;
    case CallEndEvent::CalledPartyNotRegistered: return EndedByNoUser;
  }
  return EndedByQ931Cause;
}

uint8_t Q931CauseFromCallEndReason(CallEndReason reason) {
  switch (reason) {
    case EndedByNoAccept:
    case EndedByAnswerDenied:
    case EndedByRefusal:
      return Q931::CallRejected;
    case EndedByNoAnswer: return Q931::NoAnswer;
    case EndedByNoUser: return Q931::UnallocatedNumber;
    case EndedByNoBandwidth: return Q931::ResourceUnavailable;
    case EndedByCapabilityExchange: return Q931::IncompatibleDestination;
    case EndedByCallForwarded: return Q931::Redirection;
    case EndedBySecurityDenial: return Q931::BearerCapNotAuthorised;
    case EndedByLocalBusy:
    case EndedByRemoteBusy:
      return Q931::UserBusy;
    case EndedByLocalCongestion:
    case EndedByRemoteCongestion:
      return Q931::NoCircuitChannelAvailable;
    case EndedByUnreachable:
    case EndedByNoEndPoint:
      return Q931::NoRouteToDestination;
    case EndedByHostOffline: return Q931::DestinationOutOfOrder;
    case EndedByTemporaryFailure:
    case EndedByTransportFail:
      return Q931::TemporaryFailure;
    default:
      return Q931::NormalCallClearing;
  }
}
