#include "stack/q931/Q931.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(const Q931& m) {
  Bytes out;
  std::string error;
  EXPECT_TRUE(m.Encode(out, &error)) << error;
  return out;
}

Q931 Decode(const Bytes& bytes) {
  Q931 m;
  std::string error;
  EXPECT_TRUE(m.Decode(bytes, &error)) << error;
  return m;
}

// A Setup as it goes on the wire, written out octet by octet.
const Bytes kSetup = {
    0x08, 0x02, 0x12, 0x34, 0x05,                          // discriminator, call reference 0x1234, Setup
    0x04, 0x03, 0x88, 0x90, 0xA5,                          // bearer: unrestricted digital, 64k, H.221
    0x28, 0x05, 'A', 'l', 'i', 'c', 'e',                   // display
    0x6C, 0x05, 0x81, '1', '0', '0', '1',                  // calling party, unknown / E.164
    0x70, 0x08, 0x81, '5', '5', '5', '1', '2', '3', '4',   // called party
    0x7E, 0x00, 0x03, 0x05, 0xDE, 0xAD,                    // user-user, X.208/X.209 coded
};

Q931 BuildSetup() {
  // Elements are set out of order on purpose: they must still go out in ascending order.
  Q931 m(Q931::SetupMsg, 0x1234, false);
  EXPECT_TRUE(m.SetUserUser(Bytes{0xDE, 0xAD}));
  EXPECT_TRUE(m.SetCalledPartyNumber("5551234"));
  EXPECT_TRUE(m.SetDisplayName("Alice"));
  EXPECT_TRUE(m.SetBearerCapability({}));
  EXPECT_TRUE(m.SetCallingPartyNumber("1001"));
  return m;
}

TEST(Q931, SetupEncodesToTheWireLayout) {
  EXPECT_EQ(Encode(BuildSetup()), kSetup);

  const Q931 m = Decode(kSetup);
  EXPECT_EQ(m.GetMessageType(), Q931::SetupMsg);
  EXPECT_EQ(m.GetCallReference(), 0x1234);
  EXPECT_FALSE(m.IsFromDestination());
  EXPECT_EQ(m.GetDisplayName(), "Alice");
  EXPECT_EQ(m.GetCallingPartyNumber()->digits, "1001");
  EXPECT_EQ(m.GetCalledPartyNumber()->digits, "5551234");
  EXPECT_EQ(m.GetCalledPartyNumber()->plan, q931::PartyNumber::kPlanE164);
  EXPECT_EQ(m.GetBearerCapability(), q931::BearerCapability{});
  EXPECT_EQ(m.GetUserUser()->protocolDiscriminator, Q931::kX208UserInformation);
  EXPECT_EQ(m.GetUserUser()->data, (Bytes{0xDE, 0xAD}));
}

TEST(Q931, CallReferenceFlagMarksTheDestinationSide) {
  struct Case {
    uint16_t callReference;
    bool fromDestination;
    Bytes header;
  };
  const Case cases[] = {
      {0x1234, true, {0x08, 0x02, 0x92, 0x34}},
      {0x0000, false, {0x08, 0x02, 0x00, 0x00}},
      {0x7FFF, true, {0x08, 0x02, 0xFF, 0xFF}},
      {0x7FFF, false, {0x08, 0x02, 0x7F, 0xFF}},
  };
  for (const auto& c : cases) {
    const Bytes bytes = Encode(Q931(Q931::ConnectMsg, c.callReference, c.fromDestination));
    ASSERT_EQ(bytes.size(), 5u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), c.header);
    const Q931 m = Decode(bytes);
    EXPECT_EQ(m.GetCallReference(), c.callReference);
    EXPECT_EQ(m.IsFromDestination(), c.fromDestination);
  }
}

TEST(Q931, EveryMessageTypeRoundTrips) {
  const uint8_t types[] = {Q931::SetupMsg,    Q931::CallProceedingMsg,  Q931::AlertingMsg, Q931::ProgressMsg,
                           Q931::ConnectMsg,  Q931::FacilityMsg,        Q931::ReleaseCompleteMsg,
                           Q931::StatusEnquiryMsg, Q931::StatusMsg,     Q931::InformationMsg, Q931::NotifyMsg};
  uint16_t callReference = 1;
  for (uint8_t type : types) {
    Q931 m(type, callReference, callReference % 2 == 0);
    ASSERT_TRUE(m.SetUserUser(Bytes{0x10, type}));
    const Bytes bytes = Encode(m);
    EXPECT_EQ(bytes[4], type);
    EXPECT_EQ(Decode(bytes), m) << Q931::GetMessageTypeName(type);
    EXPECT_STRNE(Q931::GetMessageTypeName(type), "Unknown");
    callReference = static_cast<uint16_t>(callReference * 5 + 3);
  }
}

TEST(Q931, EveryElementRoundTrips) {
  q931::BearerCapability bearer;
  bearer.transferCapability = q931::BearerCapability::kSpeech;
  bearer.transferRate = q931::BearerCapability::kRateMultirate;
  bearer.rateMultiplier = 6;
  bearer.layer1Protocol = q931::BearerCapability::kG711ALaw;
  q931::BearerCapability bearerNoLayer1;
  bearerNoLayer1.hasLayer1 = false;
  bearerNoLayer1.layer1Protocol = 0;
  q931::Cause cause{Q931::UserBusy, 1, 0, {0x01, 0x02}};
  q931::PartyNumber calling{"*1#2", 2, q931::PartyNumber::kPlanPrivate, true, 1, 3};
  q931::PartyNumber called{"0861234", 4, q931::PartyNumber::kPlanE164, false, 0, 0};
  q931::ProgressIndicator progress{8, 2, 0};
  const Bytes facility{0x91, 0xA1, 0x03, 0x02, 0x01, 0x05};
  Bytes userUser(300);  // longer than one length octet can say
  for (size_t i = 0; i < userUser.size(); ++i) userUser[i] = static_cast<uint8_t>(i);

  struct Case {
    const char* what;
    std::function<bool(Q931&)> set;
    std::function<void(const Q931&)> check;
    bool inCombined = true;  // the combined message holds one bearer capability only
  };
  const Case cases[] = {
      {"bearer", [&](Q931& m) { return m.SetBearerCapability(bearer); },
       [&](const Q931& m) { EXPECT_EQ(m.GetBearerCapability(), bearer); }},
      {"bearer without layer 1", [&](Q931& m) { return m.SetBearerCapability(bearerNoLayer1); },
       [&](const Q931& m) { EXPECT_EQ(m.GetBearerCapability(), bearerNoLayer1); }, false},
      {"cause", [&](Q931& m) { return m.SetCause(cause); }, [&](const Q931& m) { EXPECT_EQ(m.GetCause(), cause); }},
      {"display", [](Q931& m) { return m.SetDisplayName("Bob Smith"); },
       [](const Q931& m) { EXPECT_EQ(m.GetDisplayName(), "Bob Smith"); }},
      {"calling party", [&](Q931& m) { return m.SetCallingPartyNumber(calling); },
       [&](const Q931& m) { EXPECT_EQ(m.GetCallingPartyNumber(), calling); }},
      {"called party", [&](Q931& m) { return m.SetCalledPartyNumber(called); },
       [&](const Q931& m) { EXPECT_EQ(m.GetCalledPartyNumber(), called); }},
      {"call state", [](Q931& m) { return m.SetCallState(Q931::ActiveState); },
       [](const Q931& m) { EXPECT_EQ(m.GetCallState(), Q931::ActiveState); }},
      {"notification", [](Q931& m) { return m.SetNotificationIndicator(1); },
       [](const Q931& m) { EXPECT_EQ(m.GetNotificationIndicator(), 1); }},
      {"progress", [&](Q931& m) { return m.SetProgressIndicator(progress); },
       [&](const Q931& m) { EXPECT_EQ(m.GetProgressIndicator(), progress); }},
      {"facility", [&](Q931& m) { return m.SetFacility(facility); },
       [&](const Q931& m) { EXPECT_EQ(m.GetFacility(), facility); }},
      {"keypad", [](Q931& m) { return m.SetKeypad("123#*"); },
       [](const Q931& m) { EXPECT_EQ(m.GetKeypad(), "123#*"); }},
      {"signal", [](Q931& m) { return m.SetSignal(0x01); }, [](const Q931& m) { EXPECT_EQ(m.GetSignal(), 0x01); }},
      {"user-user", [&](Q931& m) { return m.SetUserUser(userUser); },
       [&](const Q931& m) { EXPECT_EQ(m.GetUserUser()->data, userUser); }},
  };
  Q931 all(Q931::InformationMsg, 77, true);
  for (const auto& c : cases) {
    Q931 one(Q931::InformationMsg, 77, true);
    ASSERT_TRUE(c.set(one)) << c.what;
    SCOPED_TRACE(c.what);
    c.check(Decode(Encode(one)));
    if (c.inCombined) {
      ASSERT_TRUE(c.set(all));
    }
  }
  // All together in one message, read back field by field.
  const Q931 decoded = Decode(Encode(all));
  for (const auto& c : cases) {
    if (!c.inCombined) continue;
    SCOPED_TRACE(std::string("together: ") + c.what);
    c.check(decoded);
  }
}

TEST(Q931, ReadsElementEncodingsOtherEndsUse) {
  struct Case {
    const char* what;
    Q931::InformationElementCodes id;
    Bytes contents;
    std::function<void(const Q931&)> check;
  };
  const Case cases[] = {
      {"bearer with octets 4a and 5a", Q931::BearerCapabilityIE, {0x88, 0x10, 0x80, 0x21, 0x8F},
       [](const Q931& m) {
         ASSERT_TRUE(m.GetBearerCapability());
         EXPECT_EQ(m.GetBearerCapability()->transferRate, q931::BearerCapability::kRate64k);
         EXPECT_EQ(m.GetBearerCapability()->layer1Protocol, q931::BearerCapability::kV110);
       }},
      {"bearer with only a layer 2 octet", Q931::BearerCapabilityIE, {0x88, 0x90, 0xC2},
       [](const Q931& m) { EXPECT_FALSE(m.GetBearerCapability()->hasLayer1); }},
      {"bearer cut inside octet 4", Q931::BearerCapabilityIE, {0x88, 0x10},
       [](const Q931& m) { EXPECT_FALSE(m.GetBearerCapability()); }},
      {"bearer multirate without its multiplier", Q931::BearerCapabilityIE, {0x88, 0x98},
       [](const Q931& m) { EXPECT_FALSE(m.GetBearerCapability()); }},
      {"cause with a recommendation octet", Q931::CauseIE, {0x02, 0x80, 0x80 | 17},
       [](const Q931& m) {
         EXPECT_EQ(m.GetCause()->value, Q931::UserBusy);
         EXPECT_EQ(m.GetCause()->location, 2);
       }},
      {"cause without its value", Q931::CauseIE, {0x80}, [](const Q931& m) { EXPECT_FALSE(m.GetCause()); }},
      {"calling party with presentation", Q931::CallingPartyNumberIE, {0x21, 0xA3, '1', '2'},
       [](const Q931& m) {
         const auto n = m.GetCallingPartyNumber();
         ASSERT_TRUE(n);
         EXPECT_TRUE(n->hasPresentation);
         EXPECT_EQ(n->presentation, 1);
         EXPECT_EQ(n->screening, 3);
         EXPECT_EQ(n->digits, "12");
       }},
      {"called party with a presentation octet", Q931::CalledPartyNumberIE, {0x21, 0x83, '1'},
       [](const Q931& m) { EXPECT_FALSE(m.GetCalledPartyNumber()); }},
      {"party number with 8-bit digits", Q931::CalledPartyNumberIE, {0x81, '1', 0xB2},
       [](const Q931& m) { EXPECT_FALSE(m.GetCalledPartyNumber()); }},
      {"empty signal", Q931::SignalIE, {}, [](const Q931& m) { EXPECT_FALSE(m.GetSignal()); }},
      {"empty user-user", Q931::UserUserIE, {}, [](const Q931& m) { EXPECT_FALSE(m.GetUserUser()); }},
  };
  for (const auto& c : cases) {
    Q931 m(Q931::SetupMsg, 1, false);
    ASSERT_TRUE(m.SetIE(c.id, c.contents)) << c.what;
    SCOPED_TRACE(c.what);
    const Q931 decoded = Decode(Encode(m));
    c.check(decoded);
    EXPECT_EQ(*decoded.GetIE(c.id), c.contents) << "the raw element is kept";
  }
}

TEST(Q931, KeepsUnknownElementsAndOtherCodesets) {
  const Bytes locking = {
      0x08, 0x02, 0x00, 0x01, 0x05,
      0x04, 0x03, 0x88, 0x90, 0xA5,  // bearer
      0x50, 0x02, 0xAA, 0xBB,        // an element this class does not know
      0x7E, 0x00, 0x02, 0x05, 0x99,  // user-user
      0xA1,                          // sending complete (single octet)
      0x96,                          // locking shift to codeset 6
      0x01, 0x02, 0xCC, 0xDD,        // a codeset 6 element
      0x7E, 0x01, 0xEE,              // 0x7E outside codeset 0 has a 1-octet length
  };
  const Q931 m = Decode(locking);
  EXPECT_EQ(*m.GetIE(0x50), (Bytes{0xAA, 0xBB}));
  EXPECT_TRUE(m.HasIE(Q931::SendingCompleteIE));
  EXPECT_EQ(*m.GetIE(0x01, 6), (Bytes{0xCC, 0xDD}));
  EXPECT_EQ(*m.GetIE(0x7E, 6), Bytes{0xEE});
  EXPECT_EQ(m.GetUserUser()->data, Bytes{0x99});
  EXPECT_EQ(Encode(m), locking) << "re-encoding gives the same octets";

  const Bytes nonLocking = {
      0x08, 0x02, 0x00, 0x01, 0x05,
      0x9E, 0x01, 0x01, 0xAA,  // non-locking shift to codeset 6: applies to one element
      0x28, 0x01, 'x',         // display, back in codeset 0
  };
  const Q931 n = Decode(nonLocking);
  EXPECT_EQ(*n.GetIE(0x01, 6), Bytes{0xAA});
  EXPECT_EQ(n.GetDisplayName(), "x");
  const Q931 again = Decode(Encode(n));
  EXPECT_EQ(*again.GetIE(0x01, 6), Bytes{0xAA});
  EXPECT_EQ(again.GetDisplayName(), "x");
}

TEST(Q931, RefusesMalformedMessages) {
  struct Case {
    const char* what;
    Bytes bytes;
  };
  const Case cases[] = {
      {"empty", {}},
      {"two octets", {0x08, 0x02}},
      {"wrong protocol discriminator", {0x09, 0x02, 0x00, 0x01, 0x05}},
      {"call reference of three octets", {0x08, 0x03, 0x00, 0x00, 0x01, 0x05}},
      {"call reference length with spare bits", {0x08, 0x12, 0x00, 0x01, 0x05}},
      {"no message type", {0x08, 0x02, 0x00, 0x01}},
      {"message type with bit 8 set", {0x08, 0x02, 0x00, 0x01, 0x85}},
      {"element length missing", {0x08, 0x02, 0x00, 0x01, 0x05, 0x28}},
      {"element longer than the message", {0x08, 0x02, 0x00, 0x01, 0x05, 0x28, 0x05, 'a', 'b'}},
      {"user-user length cut", {0x08, 0x02, 0x00, 0x01, 0x05, 0x7E, 0x00}},
      {"user-user longer than the message", {0x08, 0x02, 0x00, 0x01, 0x05, 0x7E, 0x01, 0x00, 0x05}},
      {"element after a shift cut", {0x08, 0x02, 0x00, 0x01, 0x05, 0x96, 0x01}},
  };
  for (const auto& c : cases) {
    Q931 m = BuildSetup();
    std::string error;
    EXPECT_FALSE(m.Decode(c.bytes, &error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(m, Q931()) << c.what << ": nothing half-decoded is left";
  }
}

TEST(Q931, EveryCutOfAMessageDecodesOnlyAtElementBoundaries) {
  const std::set<size_t> boundaries = {5, 10, 17, 24, 34};
  for (size_t cut = 0; cut < kSetup.size(); ++cut) {
    // A copy of exactly `cut` bytes, so any read past it is caught by the sanitizer build.
    const Bytes prefix(kSetup.begin(), kSetup.begin() + static_cast<std::ptrdiff_t>(cut));
    Q931 m;
    EXPECT_EQ(m.Decode(prefix), boundaries.count(cut) == 1) << "cut at " << cut;
  }
}

TEST(Q931, MutatedMessagesDecodeSafelyAndStably) {
  std::mt19937 rng(11);
  int decoded = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes bytes = kSetup;
    for (int flips = 1 + static_cast<int>(rng() % 3); flips > 0; --flips) {
      bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
    }
    if (rng() % 4 == 0) bytes.resize(rng() % bytes.size());
    Q931 m;
    if (!m.Decode(bytes)) continue;
    ++decoded;
    // Whatever decoded re-encodes, and that encoding is a fixed point.
    Bytes once;
    ASSERT_TRUE(m.Encode(once));
    Q931 again;
    ASSERT_TRUE(again.Decode(once));
    Bytes twice;
    ASSERT_TRUE(again.Encode(twice));
    ASSERT_EQ(once, twice);
  }
  EXPECT_GT(decoded, 100) << "the mutations should not all be fatal";
}

TEST(Q931, SettersRefuseValuesThatDoNotFit) {
  q931::Cause badCause;
  badCause.value = 128;
  q931::BearerCapability badBearer;
  badBearer.transferCapability = 0x20;
  q931::PartyNumber calledWithPresentation;
  calledWithPresentation.digits = "1";
  calledWithPresentation.hasPresentation = true;
  struct Case {
    const char* what;
    std::function<bool(Q931&)> set;
    bool accepted;
  };
  const Case cases[] = {
      {"display of 255 octets", [](Q931& m) { return m.SetDisplayName(std::string(255, 'a')); }, true},
      {"display of 256 octets", [](Q931& m) { return m.SetDisplayName(std::string(256, 'a')); }, false},
      {"user-user of 65534 octets", [](Q931& m) { return m.SetUserUser(Bytes(65534, 1)); }, true},
      {"user-user of 65535 octets", [](Q931& m) { return m.SetUserUser(Bytes(65535, 1)); }, false},
      {"facility of 256 octets", [](Q931& m) { return m.SetFacility(Bytes(256, 1)); }, false},
      {"keypad with 8-bit characters", [](Q931& m) { return m.SetKeypad("1\xE9"); }, false},
      {"called number with 8-bit digits", [](Q931& m) { return m.SetCalledPartyNumber("12\xB3"); }, false},
      {"called number with 254 digits", [](Q931& m) { return m.SetCalledPartyNumber(std::string(254, '1')); }, true},
      {"called number with 255 digits", [](Q931& m) { return m.SetCalledPartyNumber(std::string(255, '1')); }, false},
      {"called number with a presentation octet",
       [&](Q931& m) { return m.SetCalledPartyNumber(calledWithPresentation); }, false},
      {"cause value above 127", [&](Q931& m) { return m.SetCause(badCause); }, false},
      {"bearer capability out of range", [&](Q931& m) { return m.SetBearerCapability(badBearer); }, false},
      {"call state above 63", [](Q931& m) { return m.SetCallState(64); }, false},
      {"raw shift element", [](Q931& m) { return m.SetIE(0x96, {}); }, false},
      {"single-octet element with contents", [](Q931& m) { return m.SetIE(0xA1, {1}); }, false},
  };
  for (const auto& c : cases) {
    Q931 m(Q931::SetupMsg, 1, false);
    ASSERT_TRUE(m.SetDisplayName("keep"));
    EXPECT_EQ(c.set(m), c.accepted) << c.what;
    if (!c.accepted) {
      EXPECT_EQ(m.GetIEs().size(), 1u) << c.what << ": a refused value changes nothing";
      EXPECT_EQ(m.GetDisplayName(), "keep") << c.what;
    }
    Bytes out;
    EXPECT_TRUE(m.Encode(out)) << c.what;
  }
}

TEST(Q931, SetReplacesAndAddRepeats) {
  Q931 m(Q931::ProgressMsg, 5, true);
  ASSERT_TRUE(m.SetDisplayName("one"));
  ASSERT_TRUE(m.SetDisplayName("two"));
  EXPECT_EQ(m.GetIEs().size(), 1u);
  EXPECT_EQ(m.GetDisplayName(), "two");
  // Progress indicators may repeat.
  ASSERT_TRUE(m.AddIE(Q931::ProgressIndicatorIE, {0x80, 0x81}));
  ASSERT_TRUE(m.AddIE(Q931::ProgressIndicatorIE, {0x80, 0x88}));
  const Q931 decoded = Decode(Encode(m));
  ASSERT_EQ(decoded.GetIEs().size(), 3u);
  EXPECT_EQ(decoded.GetIEs()[0].contents, (Bytes{0x80, 0x81}));
  EXPECT_EQ(decoded.GetIEs()[1].contents, (Bytes{0x80, 0x88}));
  m.RemoveIE(Q931::ProgressIndicatorIE);
  EXPECT_FALSE(m.HasIE(Q931::ProgressIndicatorIE));
}

}  // namespace
