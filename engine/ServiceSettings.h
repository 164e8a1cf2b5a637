#pragma once
// The service's addresses: the gatekeepers' host names and the fixed addresses used when
// those names do not resolve, the media relay's host name, and the web pages (home page,
// yellow pages, the publisher's page behind the logo, the banner).
//
// They are read from the text file "service.conf" in the application directory, one
// "name = value" per line; blank lines and lines starting with '#' or ';' are comments,
// and so is the rest of a line from a '#' or ';' that follows white space.
// Names: gatekeeper, fallback_gatekeeper, gatekeeper_address, fallback_gatekeeper_address,
// relay, home_page, yellow_page, publisher_page, banner_page.  A value left out, empty or
// not of its kind keeps its default.  The defaults name reserved domains (".example") and
// documentation addresses, which reach nobody: an unconfigured phone sends its
// registrations and password hashes to no stranger's host.
#include <string>
#include <vector>

#include "platform/core/CString.h"

struct ServiceSettings {
  static constexpr const char* kFileName = "service.conf";
  static constexpr const char* kDefaultGatekeeper = "gk1.varlo.example";
  static constexpr const char* kDefaultFallbackGatekeeper = "gk2.varlo.example";
  static constexpr const char* kDefaultGatekeeperAddress = "203.0.113.10";
  static constexpr const char* kDefaultFallbackGatekeeperAddress = "203.0.113.11";
  static constexpr const char* kDefaultRelay = "relay.varlo.example";
  static constexpr const char* kDefaultHomePage = "http://www.varlo.example/";
  static constexpr const char* kDefaultYellowPage = "http://yellowpages.varlo.example/";
  static constexpr const char* kDefaultPublisherPage = "http://www.publisher.example/";
  static constexpr const char* kDefaultBannerPage = "http://www.varlo.example/banner.jsp";

  CString gatekeeper = kDefaultGatekeeper;
  CString fallbackGatekeeper = kDefaultFallbackGatekeeper;
  CString gatekeeperAddress = kDefaultGatekeeperAddress;
  CString fallbackGatekeeperAddress = kDefaultFallbackGatekeeperAddress;
  CString relay = kDefaultRelay;
  CString homePage = kDefaultHomePage;
  CString yellowPage = kDefaultYellowPage;
  CString publisherPage = kDefaultPublisherPage;
  CString bannerPage = kDefaultBannerPage;

  // The settings of the file at path over the defaults.  What was wrong in it (a line that
  // is not "name = value", an unknown name, a value not of its kind) is added to problems,
  // one text per line, "service.conf:LINE: what".
  static ServiceSettings Load(const CString& path, std::vector<std::string>* problems = nullptr);
};
