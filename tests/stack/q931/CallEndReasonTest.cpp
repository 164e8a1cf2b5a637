#include "stack/q931/CallEndReason.h"

#include <gtest/gtest.h>

#include <string>

#include "stack/q931/Q931.h"

namespace {

// The endpoint reports reasons by number, so the numbering is part of the contract.
TEST(CallEndReason, NumberingMatchesTheStack) {
  const std::pair<CallEndReason, int> pinned[] = {
      {EndedByLocalUser, 0},        {EndedByNoAccept, 1},          {EndedByAnswerDenied, 2},
      {EndedByRemoteUser, 3},       {EndedByRefusal, 4},           {EndedByNoAnswer, 5},
      {EndedByCallerAbort, 6},      {EndedByTransportFail, 7},     {EndedByConnectFail, 8},
      {EndedByGatekeeper, 9},       {EndedByNoUser, 10},           {EndedByNoBandwidth, 11},
      {EndedByCapabilityExchange, 12}, {EndedByCallForwarded, 13}, {EndedBySecurityDenial, 14},
      {EndedByLocalBusy, 15},       {EndedByLocalCongestion, 16},  {EndedByRemoteBusy, 17},
      {EndedByRemoteCongestion, 18}, {EndedByUnreachable, 19},     {EndedByNoEndPoint, 20},
      {EndedByHostOffline, 21},     {EndedByTemporaryFailure, 22},
  };
  for (const auto& [reason, value] : pinned) {
    EXPECT_EQ(static_cast<int>(reason), value) << GetCallEndReasonName(reason);
  }
  for (int r = 0; r < NumCallEndReasons; ++r) {
    EXPECT_EQ(std::string(GetCallEndReasonName(static_cast<CallEndReason>(r))).rfind("EndedBy", 0), 0u);
  }
  EXPECT_STREQ(GetCallEndReasonName(EndedByNoUser), "EndedByNoUser");
  EXPECT_STREQ(GetCallEndReasonName(static_cast<CallEndReason>(99)), "EndedByUnknown");
}

TEST(CallEndReason, RemoteReleaseReadsAsTheUserWouldSeeIt) {
  struct Case {
    std::optional<uint8_t> cause;
    bool established;
    bool originating;
    CallEndReason expected;
  };
  const Case cases[] = {
      // Placing a call, before the answer.
      {Q931::UserBusy, false, true, EndedByRefusal},
      {Q931::CallRejected, false, true, EndedByRefusal},
      {Q931::NormalCallClearing, false, true, EndedByRefusal},
      {std::nullopt, false, true, EndedByRefusal},
      {Q931::NoResponse, false, true, EndedByNoAnswer},
      {Q931::NoAnswer, false, true, EndedByNoAnswer},
      {Q931::TimerExpiry, false, true, EndedByNoAnswer},
      {Q931::UnallocatedNumber, false, true, EndedByNoUser},
      {Q931::InvalidNumberFormat, false, true, EndedByNoUser},
      {Q931::NoRouteToDestination, false, true, EndedByUnreachable},
      {Q931::NoCircuitChannelAvailable, false, true, EndedByRemoteCongestion},
      {Q931::NetworkOutOfOrder, false, true, EndedByUnreachable},
      {Q931::TemporaryFailure, false, true, EndedByTemporaryFailure},
      {Q931::ResourceUnavailable, false, true, EndedByRemoteCongestion},
      {Q931::DestinationOutOfOrder, false, true, EndedByHostOffline},
      {Q931::IncompatibleDestination, false, true, EndedByCapabilityExchange},
      {Q931::Redirection, false, true, EndedByCallForwarded},
      {Q931::InvalidMessage, false, true, EndedByQ931Cause},
      // After the answer, on either side.
      {Q931::NormalCallClearing, true, true, EndedByRemoteUser},
      {std::nullopt, true, false, EndedByRemoteUser},
      {Q931::UserBusy, true, true, EndedByRemoteUser},
      {Q931::TemporaryFailure, true, false, EndedByTemporaryFailure},
      // Answering a call: the caller hung up before the answer, whatever it said.
      {Q931::NormalCallClearing, false, false, EndedByCallerAbort},
      {Q931::TimerExpiry, false, false, EndedByCallerAbort},
      {std::nullopt, false, false, EndedByCallerAbort},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CallEndReasonFromRemoteRelease(c.cause, c.established, c.originating), c.expected)
        << "cause " << (c.cause ? std::to_string(*c.cause) : "none") << (c.established ? " established" : "")
        << (c.originating ? " originating" : " answering");
  }
}

TEST(CallEndReason, EventsWithoutACause) {
  const std::pair<CallEndEvent, CallEndReason> cases[] = {
      {CallEndEvent::LocalHangUp, EndedByLocalUser},
      {CallEndEvent::LocalDeclined, EndedByAnswerDenied},
      {CallEndEvent::LocalBusy, EndedByLocalBusy},
      {CallEndEvent::NoAnswerTimeout, EndedByNoAnswer},
      {CallEndEvent::ConnectFailed, EndedByConnectFail},
      {CallEndEvent::TransportClosed, EndedByTransportFail},
      {CallEndEvent::ProtocolError, EndedByTransportFail},
      {CallEndEvent::CapabilityExchangeFailed, EndedByCapabilityExchange},
      {CallEndEvent::AdmissionRejected, EndedByGatekeeper},
      {CallEndEvent::CalledPartyNotRegistered, EndedByNoUser},
  };
  for (const auto& [event, reason] : cases) {
    EXPECT_EQ(CallEndReasonFromEvent(event), reason) << GetCallEndReasonName(reason);
  }
}

// What one end sends when it ends a call must read, at a caller of the same kind, as the
// reason the ending side meant.
TEST(CallEndReason, CauseSentIsReadBackAsMeant) {
  struct Case {
    CallEndReason local;
    bool established;
    CallEndReason remote;  // as the calling side reads the release
  };
  const Case cases[] = {
      {EndedByLocalBusy, false, EndedByRefusal},
      {EndedByAnswerDenied, false, EndedByRefusal},
      {EndedByNoAnswer, false, EndedByNoAnswer},
      {EndedByNoUser, false, EndedByNoUser},
      {EndedByLocalUser, true, EndedByRemoteUser},
      {EndedByCapabilityExchange, false, EndedByCapabilityExchange},
      {EndedByTemporaryFailure, true, EndedByTemporaryFailure},
  };
  for (const auto& c : cases) {
    const uint8_t cause = Q931CauseFromCallEndReason(c.local);
    EXPECT_EQ(CallEndReasonFromRemoteRelease(cause, c.established, true), c.remote)
        << GetCallEndReasonName(c.local) << " sent as cause " << int(cause);
  }
  EXPECT_EQ(Q931CauseFromCallEndReason(EndedByLocalUser), Q931::NormalCallClearing);
  EXPECT_EQ(Q931CauseFromCallEndReason(EndedByLocalBusy), Q931::UserBusy);
}

}  // namespace
