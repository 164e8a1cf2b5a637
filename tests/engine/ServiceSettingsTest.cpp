// The service settings file: what it may set, what it may not, and the defaults it keeps.
#include "engine/ServiceSettings.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "engine/CUserProfile.h"
#include "tests/platform/core/TempDir.h"

namespace {

class ServiceSettingsTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir / ServiceSettings::kFileName; }
  void Write(const std::string& text) const { std::ofstream(Path(), std::ios::binary) << text; }
  ServiceSettings Load() {
    problems.clear();
    return ServiceSettings::Load(CString(Path().c_str()), &problems);
  }
  static void ExpectDefaults(const ServiceSettings& s) {
    const ServiceSettings d;
    for (auto member : {&ServiceSettings::gatekeeper, &ServiceSettings::fallbackGatekeeper,
                        &ServiceSettings::gatekeeperAddress, &ServiceSettings::fallbackGatekeeperAddress,
                        &ServiceSettings::relay, &ServiceSettings::homePage, &ServiceSettings::yellowPage,
                        &ServiceSettings::publisherPage, &ServiceSettings::bannerPage}) {
      EXPECT_EQ(s.*member, d.*member);
    }
  }

  TempDir dir;
  std::vector<std::string> problems;
};

TEST_F(ServiceSettingsTest, DefaultsReachNobodysHost) {
  const ServiceSettings d;
  for (const CString* host : {&d.gatekeeper, &d.fallbackGatekeeper, &d.relay}) {
    EXPECT_EQ(host->Right(8), ".example") << host->GetString();
  }
  for (const CString* page : {&d.homePage, &d.yellowPage, &d.publisherPage, &d.bannerPage}) {
    EXPECT_NE(std::string(page->GetString()).find(".example/"), std::string::npos) << page->GetString();
  }
  // Documentation addresses (203.0.113.0/24), not a private network's.
  EXPECT_EQ(d.gatekeeperAddress.Left(10), "203.0.113.");
  EXPECT_EQ(d.fallbackGatekeeperAddress.Left(10), "203.0.113.");
}

TEST_F(ServiceSettingsTest, MissingEmptyOrDamagedFilesGiveTheDefaults) {
  ExpectDefaults(Load());
  EXPECT_TRUE(problems.empty());
  for (const std::string& text : {std::string(), std::string("\n\n# nothing\n"), std::string("\x01\xff\x00garbage", 10),
                                  std::string("gatekeeper\nrelay: relay.mine.test\n= x\n"),
                                  std::string(70 * 1024, 'a')}) {
    Write(text);
    ExpectDefaults(Load());
  }
}

TEST_F(ServiceSettingsTest, EachValueOverridesItsDefaultAlone) {
  struct Case {
    const char* line;
    CString ServiceSettings::*member;
    const char* value;
  };
  const Case cases[] = {
      {"gatekeeper = gk.mine.test", &ServiceSettings::gatekeeper, "gk.mine.test"},
      {"fallback_gatekeeper=gk2.mine.test\r", &ServiceSettings::fallbackGatekeeper, "gk2.mine.test"},
      {"  gatekeeper_address = 192.168.1.20  ", &ServiceSettings::gatekeeperAddress, "192.168.1.20"},
      {"fallback_gatekeeper_address = 192.168.1.21", &ServiceSettings::fallbackGatekeeperAddress, "192.168.1.21"},
      {"relay = relay.mine.test", &ServiceSettings::relay, "relay.mine.test"},
      {"home_page = https://mine.test/", &ServiceSettings::homePage, "https://mine.test/"},
      {"yellow_page = http://pages.mine.test/?q=a&b=c", &ServiceSettings::yellowPage, "http://pages.mine.test/?q=a&b=c"},
      {"publisher_page = https://maker.test/", &ServiceSettings::publisherPage, "https://maker.test/"},
      {"banner_page = https://mine.test/banner", &ServiceSettings::bannerPage, "https://mine.test/banner"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Write(std::string("# mine\n") + c.line + "\n");
    ServiceSettings got = Load();
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(got.*(c.member), c.value);
    got.*(c.member) = ServiceSettings().*(c.member);
    ExpectDefaults(got);
  }
}

TEST_F(ServiceSettingsTest, ACommentAfterWhiteSpaceEndsTheLine) {
  Write(
      "gatekeeper = gk.mine.test      # looked up at every start\n"
      "relay = relay.mine.test\t; the media relay\n"
      "home_page = https://mine.test/#top   # a page's part stays\n"
      "gatekeeper_address = 192.168.1.20#no blank before: part of the value\n"
      "  # an indented comment line\n");
  const ServiceSettings got = Load();
  EXPECT_EQ(got.gatekeeper, "gk.mine.test");
  EXPECT_EQ(got.relay, "relay.mine.test");
  EXPECT_EQ(got.homePage, "https://mine.test/#top");
  EXPECT_EQ(got.gatekeeperAddress, ServiceSettings::kDefaultGatekeeperAddress);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].rfind("service.conf:4: ", 0), 0u) << problems[0];
}

// The example of the README, copied as it stands, sets every value it shows.
TEST_F(ServiceSettingsTest, TheReadmesExampleWorksWhenCopied) {
  std::ifstream readme(VARLO_README_PATH);
  ASSERT_TRUE(readme) << VARLO_README_PATH;
  std::string line, example;
  bool in = false;
  while (std::getline(readme, line)) {
    if (line == "    # build/ui/service.conf") in = true;
    if (in && line.rfind("    ", 0) != 0) break;
    if (in) example += line.substr(4) + "\n";
  }
  ASSERT_FALSE(example.empty()) << "the README shows no service.conf";
  Write(example);
  const ServiceSettings got = Load();
  EXPECT_TRUE(problems.empty()) << problems.front();
  const std::pair<CString ServiceSettings::*, const char*> values[] = {
      {&ServiceSettings::gatekeeper, "gk.mine.test"},
      {&ServiceSettings::gatekeeperAddress, "192.168.1.20"},
      {&ServiceSettings::fallbackGatekeeper, "gk2.mine.test"},
      {&ServiceSettings::fallbackGatekeeperAddress, "192.168.1.21"},
      {&ServiceSettings::relay, "relay.mine.test"},
      {&ServiceSettings::homePage, "https://www.mine.test/"},
      {&ServiceSettings::yellowPage, "https://directory.mine.test/"},
      {&ServiceSettings::publisherPage, "https://www.mine.test/about"},
      {&ServiceSettings::bannerPage, "https://www.mine.test/banner"},
  };
  for (const auto& [member, value] : values) EXPECT_EQ(got.*member, value);
}

TEST_F(ServiceSettingsTest, ValuesNotOfTheirKindKeepTheDefaultAndAreReported) {
  Write(
      "gatekeeper = gk.mine.test; rm -rf /\n"
      "gatekeeper_address = 300.1.1.1\n"
      "home_page = file:///etc/passwd\n"
      "yellow_page = http://a.test/\" --x\n"
      "colour = blue\n"
      "relay\n"
      "relay = relay.mine.test\n");
  const ServiceSettings got = Load();
  EXPECT_EQ(got.relay, "relay.mine.test");
  ServiceSettings rest = got;
  rest.relay = ServiceSettings::kDefaultRelay;
  ExpectDefaults(rest);
  ASSERT_EQ(problems.size(), 6u);
  EXPECT_EQ(problems[0].rfind("service.conf:1: ", 0), 0u);
  EXPECT_EQ(problems[5].rfind("service.conf:6: ", 0), 0u);
}

TEST_F(ServiceSettingsTest, TheProfileLooksUpTheConfiguredGatekeepers) {
  Write("gatekeeper = gk.mine.test\nfallback_gatekeeper_address = 192.168.1.21\n");
  std::vector<std::string> asked;
  ProfileServices services;
  services.lookupIPv4 = [&asked](const char* host, CString& dotted) -> BOOL {
    asked.push_back(host);
    if (std::string(host) != "gk.mine.test") return FALSE;
    dotted = "192.168.1.20";
    return TRUE;
  };
  services.defaultSoundDevice = [](SoundDirection) { return CString("null"); };
  CUserProfile profile(CString(dir.Path().c_str()), services);
  EXPECT_EQ(asked, (std::vector<std::string>{"gk.mine.test", ServiceSettings::kDefaultFallbackGatekeeper}));
  EXPECT_EQ(profile.m_gatekeeperHost, "192.168.1.20");
  EXPECT_EQ(profile.m_fallbackGatekeeperHost, "192.168.1.21");
}

}  // namespace
