#include "engine/ServiceCodes.h"

#include <gtest/gtest.h>

TEST(ServiceCodes, RegistrationServiceTextTable) {
  struct Case {
    const char* text;
    int mode;
    int id;
  } cases[] = {
      {"00", kLoginAccount, 133},         {"00", kLoginCard, 133},
      {"0100", kLoginAccount, 131},       {"0100", kLoginCard, 123},
      {"010100", kLoginAccount, 124},     {"010100", kLoginCard, 125},
      {"01010202", kLoginAccount, 126},   {"01010202", kLoginCard, 127},
      {"01010100", kLoginAccount, 121},   {"01010100", kLoginCard, 0},  // 6..7 unread for cards
      {"010101010001", kLoginAccount, 132}, {"010101010001", kLoginCard, 128},
      {"010101010001", kLoginNone, 128},
      {"0", kLoginAccount, 0},            {"", kLoginAccount, 0},
      {"02000000", kLoginAccount, 0},     {"01", kLoginAccount, 0},
      {"01010101990001", kLoginAccount, 0},  // 8..9 never read, 10..11 "00"
  };
  for (const Case& c : cases) EXPECT_EQ(RegistrationServiceCodeStringId(c.text, c.mode), c.id) << c.text << " " << c.mode;
}

TEST(ServiceCodes, RejectReasonsAndServiceCodesTogether) {
  struct Case {
    const char* name;
    unsigned reason;
    const char* text;
    bool lumoreth;
    int mode;
    bool alternate;
    RegistrationRejectActions expected;
  } cases[] = {
      {"duplicate alias whatever the text", kRrjDuplicateAlias, "00", true, kLoginAccount, false, {false, false, 130}},
      {"full registration required", kRrjFullRegistrationRequired, "00", true, kLoginCard, false, {false, true, 0}},
      {"discovery with alternate", kRrjDiscoveryRequired, "0100", true, kLoginAccount, true, {true, false, 131}},
      {"discovery without alternate", kRrjDiscoveryRequired, "", true, kLoginAccount, false, {false, false, 0}},
      {"security denial, account", kRrjSecurityDenial, "", true, kLoginAccount, false, {false, false, 121}},
      {"security denial, card", kRrjSecurityDenial, "", true, kLoginCard, false, {false, false, 123}},
      {"security denial, codes win", kRrjSecurityDenial, "010101010001", true, kLoginCard, false, {false, false, 128}},
      {"pc to pc ignores codes", 7, "00", false, kLoginAccount, false, {false, false, 0}},
      {"pc to pc security denial", kRrjSecurityDenial, "00", false, kLoginNone, false, {false, false, 123}},
      {"other reason, codes", 7, "00", true, kLoginAccount, false, {false, false, 133}},
  };
  for (const Case& c : cases) {
    RegistrationRejectActions a = DecideRegistrationReject(c.reason, c.text, c.lumoreth, c.mode, c.alternate);
    EXPECT_EQ(a.switchToAlternate, c.expected.switchToAlternate) << c.name;
    EXPECT_EQ(a.dropAndRelogin, c.expected.dropAndRelogin) << c.name;
    EXPECT_EQ(a.errorStringId, c.expected.errorStringId) << c.name;
  }
}

TEST(ServiceCodes, AdmissionReject) {
  EXPECT_EQ(AdmissionRejectStringId(kArjInvalidPermission), 129);
  EXPECT_EQ(AdmissionRejectStringId(0), 0);
  EXPECT_EQ(AdmissionRejectStringId(5), 0);
}
