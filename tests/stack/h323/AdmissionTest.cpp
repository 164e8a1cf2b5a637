// The admission seam: outgoing and incoming calls are asked about, a refusal ends the
// call with the admission's reason, a dialled number goes where the admission says, and
// every admitted call is disengaged once.

#include <gtest/gtest.h>

#include "CallFixture.h"

namespace h323test {
namespace {

struct RecordingAdmission : H323CallAdmission {
  H323AdmissionResult answer;
  std::mutex mutex;
  std::vector<H323AdmissionRequest> requests;
  int disengaged = 0;

  H323AdmissionResult AdmitCall(H323Connection&, const H323AdmissionRequest& request) override {
    std::lock_guard lock(mutex);
    requests.push_back(request);
    return answer;
  }
  void DisengageCall(H323Connection&) override {
    std::lock_guard lock(mutex);
    ++disengaged;
  }
};

TEST(Admission, RefusalEndsTheCallWithTheAdmissionsReason) {
  for (CallEndReason reason : {EndedByGatekeeper, EndedByNoUser}) {
    SCOPED_TRACE(GetCallEndReasonName(reason));
    TestEndPoint caller{"alice"}, callee{"bob"};
    RecordingAdmission admission;
    admission.answer.admitted = false;
    admission.answer.rejectReason = reason;
    caller.SetCallAdmission(&admission);
    PString token;
    ASSERT_NE(caller.MakeCall(callee.Listen(), token), nullptr);
    EXPECT_EQ(caller.WaitCleared(token), reason);
    EXPECT_TRUE(callee.incoming.empty());  // no Setup went out
    caller.ClearAllCalls();
    EXPECT_EQ(admission.disengaged, 0);   // nothing to disengage
  }
}

TEST(Admission, IncomingCallRefusedByTheAdmissionIsNotOffered) {
  TestEndPoint caller{"alice"}, callee{"bob"};
  RecordingAdmission admission;
  admission.answer.admitted = false;
  callee.SetCallAdmission(&admission);
  PString token;
  ASSERT_NE(caller.MakeCall(callee.Listen(), token), nullptr);
  EXPECT_EQ(callee.WaitAnyCleared(), EndedByGatekeeper);
  EXPECT_TRUE(callee.incoming.empty());
  EXPECT_TRUE(caller.WaitCleared(token).has_value());
  callee.ClearAllCalls();
  ASSERT_EQ(admission.requests.size(), 1u);
  EXPECT_TRUE(admission.requests[0].answeringCall);
  ASSERT_EQ(admission.requests[0].sourceAliases.size(), 1u);
  EXPECT_EQ(admission.requests[0].sourceAliases[0].value, "alice");
}

TEST(Admission, DialledNumberGoesWhereTheAdmissionSaysAndIsDisengagedOnce) {
  TestEndPoint caller{"alice"}, callee{"bob"};
  const PString address = callee.Listen();
  RecordingAdmission admission;
  admission.answer.destCallSignalAddress = TcpAddress::Parse(address.view(), 0);
  caller.SetCallAdmission(&admission);
  PString token;
  ASSERT_NE(caller.MakeCall("0123456789", token), nullptr);
  ASSERT_TRUE(caller.WaitEstablished());
  {
    std::lock_guard lock(admission.mutex);
    ASSERT_EQ(admission.requests.size(), 1u);
    const H323AdmissionRequest& r = admission.requests[0];
    EXPECT_FALSE(r.answeringCall);
    ASSERT_EQ(r.destinationAliases.size(), 1u);
    EXPECT_EQ(r.destinationAliases[0].kind, H323AliasAddress::e_dialedDigits);
    EXPECT_EQ(r.destinationAliases[0].value, "0123456789");
    EXPECT_FALSE(r.destCallSignalAddress.has_value());
    EXPECT_EQ(r.bandwidth, caller.GetInitialBandwidth());
  }
  caller.ClearCallSynchronous(token);
  EXPECT_EQ(admission.disengaged, 1);
  caller.SetCallAdmission(nullptr);
}

TEST(Admission, NumberTheAdmissionCannotPlaceIsNoUser) {
  TestEndPoint caller{"alice"};
  RecordingAdmission admission;  // admits, but names no address
  caller.SetCallAdmission(&admission);
  PString token;
  ASSERT_NE(caller.MakeCall("555", token), nullptr);
  EXPECT_EQ(caller.WaitCleared(token), EndedByNoUser);
  caller.ClearAllCalls();
  caller.SetCallAdmission(nullptr);
}

}  // namespace
}  // namespace h323test
