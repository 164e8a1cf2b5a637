// The test gatekeeper against a plain endpoint of our stack: who it registers (accounts and
// calling cards whose password token verifies), what its confirms carry, how it refuses,
// routes and admits calls, and how it drops a registration.

#include <gtest/gtest.h>

#include <mutex>

#include "CallFixture.h"
#include "CardDecipher.h"
#include "TestGatekeeper.h"
#include "engine/LoginAlias.h"
#include "stack/ras/H323Gatekeeper.h"

namespace {

using namespace std::chrono_literals;
using service::TestGatekeeper;

constexpr const char* kId = "KOVA";
constexpr const char* kPin = "813402967155";

// What the client heard in the service's replies.
struct Heard {
  std::mutex mutex;
  std::vector<std::string> balances, seconds, rejectTexts, alternates;
  std::vector<unsigned> rejectTags;
};

std::string ServiceText(const H225_NonStandardParameter& p) { return p.m_data.AsString(); }

class HearingGatekeeper : public H323Gatekeeper {
 public:
  HearingGatekeeper(H323EndPoint& ep, H323Transport* t, Heard& heard) : H323Gatekeeper(ep, t), m_heard(heard) {
    SetTiming(ras::RasTiming{200ms, 1});
  }
  ~HearingGatekeeper() override { Stop(); }
  bool OnReceiveGatekeeperConfirm(const H225_GatekeeperConfirm& gcf) override {
    if (gcf.HasOptionalField(H225_GatekeeperConfirm::e_alternateGatekeeper)) NoteAlternate(gcf.m_alternateGatekeeper);
    return H323Gatekeeper::OnReceiveGatekeeperConfirm(gcf);
  }
  bool OnReceiveRegistrationConfirm(const H225_RegistrationConfirm& rcf) override {
    Note(m_heard.balances, ServiceText(rcf.m_nonStandardData));
    if (rcf.HasOptionalField(H225_RegistrationConfirm::e_alternateGatekeeper)) NoteAlternate(rcf.m_alternateGatekeeper);
    return H323Gatekeeper::OnReceiveRegistrationConfirm(rcf);
  }
  bool OnReceiveRegistrationReject(const H225_RegistrationReject& rrj) override {
    {
      std::lock_guard lock(m_heard.mutex);
      m_heard.rejectTags.push_back(rrj.m_rejectReason.GetTag());
      m_heard.rejectTexts.push_back(ServiceText(rrj.m_nonStandardData));
    }
    return H323Gatekeeper::OnReceiveRegistrationReject(rrj);
  }
  bool OnReceiveAdmissionConfirm(const H225_AdmissionConfirm& acf) override {
    Note(m_heard.seconds, ServiceText(acf.m_nonStandardData));
    return H323Gatekeeper::OnReceiveAdmissionConfirm(acf);
  }

 private:
  void Note(std::vector<std::string>& list, const std::string& text) {
    std::lock_guard lock(m_heard.mutex);
    list.push_back(text);
  }
  void NoteAlternate(const H225_ArrayOf_AlternateGK& list) {
    ras::RasAddress a;
    if (list.GetSize() > 0 && ras::RasAddress::FromH225(list[0].m_rasAddress, a)) Note(m_heard.alternates, a.ToString());
  }
  Heard& m_heard;
};

class Subscriber : public h323test::TestEndPoint {
 public:
  Subscriber() { Listen(); }
  ~Subscriber() override {
    RemoveGatekeeper();
    Quiesce();
  }
  H323Gatekeeper* CreateGatekeeper(H323Transport* transport) override {
    return new HearingGatekeeper(*this, transport, heard);
  }
  bool LogIn(const TestGatekeeper& gk, const std::string& alias, const std::string& password) {
    SetLocalUserName(alias.c_str());
    SetGatekeeperPassword(password.c_str());
    return SetGatekeeper(gk.HostText().c_str());
  }
  Heard heard;
};

std::string CardAlias(int seconds) {
  CString alias;
  EXPECT_TRUE(BuildCardAlias(kId, kPin, seconds, alias));
  return static_cast<const char*>(alias);
}

std::string CardText(int seconds) {
  BYTE buffer[kCardBufferBytes];
  EXPECT_TRUE(BuildCardText(kId, kPin, seconds, buffer));
  return reinterpret_cast<const char*>(buffer);
}

TEST(TestGatekeeperLogin, RegistersAccountsAndCardsWhosePasswordVerifiesAndNoOtherLogin) {
  struct Case {
    const char* what;
    std::string alias, password;
    bool registers;
    std::string cardText;  // what the gatekeeper must have deciphered
  };
  const std::string cardPassword = static_cast<const char*>(CardPassword(kPin));
  const Case cases[] = {
      {"account", "03KOVA/alice", "s3cret", true, ""},
      {"account, wrong password", "03KOVA/alice", "guess", false, ""},
      {"unknown account", "03KOVA/bob", "s3cret", false, ""},
      {"card, even second", CardAlias(0), cardPassword, true, CardText(0)},
      {"card, odd second", CardAlias(1), cardPassword, true, CardText(1)},
      {"card, wrong password", CardAlias(2), "81347155x", false, CardText(2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestGatekeeper gk;
    gk.AddAccount(kId, "alice", "s3cret");
    gk.AddCard(kId, kPin);
    Subscriber ep;
    EXPECT_EQ(ep.LogIn(gk, c.alias, c.password), c.registers);
    const auto seen = gk.Registrations();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].alias, c.alias);
    EXPECT_EQ(seen[0].passwordVerified, c.registers);
    EXPECT_EQ(seen[0].password, c.registers ? c.password : "");
    EXPECT_EQ(seen[0].cardText, c.cardText);
    EXPECT_EQ(seen[0].confirmed, c.registers);
  }
}

TEST(TestGatekeeperLogin, CardTextsOfEitherFormatParseAndForgedOnesDoNot) {
  for (int seconds : {0, 1}) {
    const auto card = service::ParseCardText(CardText(seconds));
    ASSERT_TRUE(card.has_value());
    EXPECT_EQ(card->format, seconds + 1);
    EXPECT_EQ(card->identifier, kId);
    EXPECT_EQ(card->pin, kPin);
  }
  // Selector characters that do not match the PIN, a wrong length, no trailing "00".
  for (const char* bad : {"1xx17KOVA/81340296715500", "1131KOVA/81340296715500", "1131 7KOVA/813402967155"}) {
    EXPECT_FALSE(service::ParseCardText(bad).has_value()) << bad;
  }
  EXPECT_FALSE(service::DecipherCardAlias("02" + std::string(56, '=')).has_value());
}

TEST(TestGatekeeperReplies, ConfirmsCarryTheBalanceAndTheAlternateGatekeeper) {
  TestGatekeeper gk;
  gk.AddAccount(kId, "alice", "s3cret");
  gk.SetBalance("USD 12.50");
  gk.SetAlternateGatekeeper(ras::RasAddress{0x7F000001, 1719});
  Subscriber ep;
  ASSERT_TRUE(ep.LogIn(gk, "03KOVA/alice", "s3cret"));
  std::lock_guard lock(ep.heard.mutex);
  EXPECT_EQ(ep.heard.balances, std::vector<std::string>{"USD 12.50"});
  EXPECT_EQ(ep.heard.alternates, (std::vector<std::string>{"127.0.0.1:1719", "127.0.0.1:1719"}));
}

TEST(TestGatekeeperReplies, RegistrationRejectsCarryTheReasonAndServiceCodesSet) {
  struct Case {
    unsigned tag;
    std::string codes;
  };
  const Case cases[] = {
      {H225_RegistrationRejectReason::e_duplicateAlias, ""},
      {H225_RegistrationRejectReason::e_securityDenial, "010101010001"},
      {H225_RegistrationRejectReason::e_fullRegistrationRequired, "00"},
      {H225_RegistrationRejectReason::e_discoveryRequired, ""},
  };
  for (const Case& c : cases) {
    TestGatekeeper gk;
    gk.AddAccount(kId, "alice", "s3cret");
    gk.RejectRegistrations(c.tag, c.codes);
    Subscriber ep;
    EXPECT_FALSE(ep.LogIn(gk, "03KOVA/alice", "s3cret"));
    std::lock_guard lock(ep.heard.mutex);
    ASSERT_EQ(ep.heard.rejectTags.size(), 1u) << c.tag;
    EXPECT_EQ(ep.heard.rejectTags[0], c.tag);
    EXPECT_EQ(ep.heard.rejectTexts[0], c.codes);
  }
}

TEST(TestGatekeeperReplies, ASilentGatekeeperIsNotRegisteredWith) {
  TestGatekeeper gk;
  gk.AddAccount(kId, "alice", "s3cret");
  gk.SetSilent(true);
  Subscriber ep;
  EXPECT_FALSE(ep.LogIn(gk, "03KOVA/alice", "s3cret"));
  EXPECT_GE(gk.GatekeeperRequests(), 1u);
  EXPECT_TRUE(gk.Registrations().empty());
}

TEST(TestGatekeeperCalls, ADialledNumberIsAdmittedWithTheSecondsAndRoutedToItsCallee) {
  TestGatekeeper gk;
  gk.AddAccount(kId, "alice", "s3cret");
  gk.SetAvailableSeconds("3600");
  h323test::TestEndPoint callee("callee");
  ras::RasAddress calleeAddress;
  ASSERT_TRUE(ras::RasAddress::Parse(static_cast<const char*>(callee.Listen()), 1720, calleeAddress));
  gk.SetRoute("8613800138000", calleeAddress);
  Subscriber ep;
  ASSERT_TRUE(ep.LogIn(gk, "03KOVA/alice", "s3cret"));

  PString token;
  ASSERT_NE(ep.MakeCall("8613800138000", token), nullptr);
  ASSERT_TRUE(ep.WaitEstablished());
  ASSERT_TRUE(callee.WaitEstablished());
  const auto admissions = gk.Admissions();
  ASSERT_EQ(admissions.size(), 1u);
  EXPECT_EQ(admissions[0].dialledDigits, std::vector<std::string>{"8613800138000"});
  EXPECT_TRUE(admissions[0].confirmed);
  {
    std::lock_guard lock(ep.heard.mutex);
    EXPECT_EQ(ep.heard.seconds, std::vector<std::string>{"3600"});
  }
  ep.ClearCall(token);
  EXPECT_TRUE(gk.WaitForDisengages(1, 5s));
}

TEST(TestGatekeeperCalls, RefusedAdmissionsAndUnknownNumbersEndTheCall) {
  for (bool refuse : {true, false}) {
    TestGatekeeper gk;
    gk.AddAccount(kId, "alice", "s3cret");
    gk.SetRejectAdmissions(refuse);
    Subscriber ep;
    ASSERT_TRUE(ep.LogIn(gk, "03KOVA/alice", "s3cret"));
    PString token;
    ep.MakeCall("5551234", token);
    const auto reason = ep.WaitCleared(token);
    ASSERT_TRUE(reason.has_value());
    EXPECT_EQ(*reason, refuse ? H323Connection::EndedByGatekeeper : H323Connection::EndedByNoUser);
    const auto admissions = gk.Admissions();
    ASSERT_EQ(admissions.size(), 1u);
    EXPECT_FALSE(admissions[0].confirmed);
  }
}

TEST(TestGatekeeperCalls, AnUnregistrationRequestDropsTheRegistration) {
  TestGatekeeper gk;
  EXPECT_FALSE(gk.SendUnregistrationRequest());
  gk.AddAccount(kId, "alice", "s3cret");
  Subscriber ep;
  ASSERT_TRUE(ep.LogIn(gk, "03KOVA/alice", "s3cret"));
  ASSERT_TRUE(gk.SendUnregistrationRequest());
  ASSERT_TRUE(gk.WaitForUnregistrationConfirms(1, 5s));
  EXPECT_FALSE(ep.IsRegistered());
  // The endpoint's own unregistration is answered too.
  ASSERT_TRUE(ep.LogIn(gk, "03KOVA/alice", "s3cret"));
  ep.RemoveGatekeeper();
  EXPECT_TRUE(gk.WaitForUnregistrationRequests(1, 5s));
}

}  // namespace
