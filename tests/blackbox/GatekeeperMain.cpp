// The test gatekeeper as a program of its own, for the black-box cases: it answers on a
// loopback port (1719 unless told otherwise) as the service's gatekeeper does and prints one
// line for every request it saw, so that a case can wait for the line it expects:
//
//   listening 127.0.0.1:1719
//   GRQ count=1
//   RRQ alias=03KOVA/alice verified=1 password=s3cret confirmed=1
//   ARQ digits=5551234 confirmed=1
//   DRQ count=1
//   URQ count=1
//
// Options: --port N, --account IDENTIFIER ACCOUNT PASSWORD, --card IDENTIFIER PIN,
// --balance TEXT, --seconds TEXT (each may be repeated where it makes sense).  Commands on
// standard input, one a line: "urq" (ask the endpoint to unregister), "reject TAG CODES"
// (refuse registrations), "accept", "silent 1" / "silent 0", "quit".  The program ends on
// "quit" or when it is killed; at the end of its input it goes on answering.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "TestGatekeeper.h"

namespace {

using namespace std::chrono_literals;

int Usage() {
  std::cerr << "usage: blackbox-gatekeeper [--port N] [--account ID ACCOUNT PASSWORD]... [--card ID PIN]...\n"
               "                           [--balance TEXT] [--seconds TEXT]\n";
  return 2;
}

// Prints what the gatekeeper saw since the last call.
class Reporter {
 public:
  explicit Reporter(const service::TestGatekeeper& gk) : m_gk(gk) {}
  void Report() {
    const auto registrations = m_gk.Registrations();
    for (; m_registrations < registrations.size(); ++m_registrations) {
      const auto& r = registrations[m_registrations];
      std::cout << "RRQ alias=" << r.alias << " verified=" << r.passwordVerified << " password=" << r.password
                << " confirmed=" << r.confirmed << std::endl;
    }
    const auto admissions = m_gk.Admissions();
    for (; m_admissions < admissions.size(); ++m_admissions) {
      const auto& a = admissions[m_admissions];
      std::string digits;
      for (const auto& d : a.dialledDigits) digits += (digits.empty() ? "" : ",") + d;
      std::cout << "ARQ digits=" << digits << " confirmed=" << a.confirmed << std::endl;
    }
    Count("GRQ", m_gk.GatekeeperRequests(), m_grqs);
    Count("DRQ", m_gk.Disengages().size(), m_drqs);
    Count("URQ", m_gk.UnregistrationRequests(), m_urqs);
  }

 private:
  static void Count(const char* what, size_t now, size_t& seen) {
    for (; seen < now; ++seen) std::cout << what << " count=" << seen + 1 << std::endl;
  }
  const service::TestGatekeeper& m_gk;
  size_t m_registrations = 0, m_admissions = 0, m_grqs = 0, m_drqs = 0, m_urqs = 0;
};

}  // namespace

int main(int argc, char** argv) {
  uint16_t port = 1719;
  struct Account { std::string id, account, password; };
  std::vector<Account> accounts;
  std::vector<std::pair<std::string, std::string>> cards;
  std::string balance, seconds;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto need = [&](int n) { return i + n < argc; };
    if (arg == "--port" && need(1)) {
      port = static_cast<uint16_t>(std::atoi(argv[++i]));
    } else if (arg == "--account" && need(3)) {
      accounts.push_back({argv[i + 1], argv[i + 2], argv[i + 3]});
      i += 3;
    } else if (arg == "--card" && need(2)) {
      cards.emplace_back(argv[i + 1], argv[i + 2]);
      i += 2;
    } else if (arg == "--balance" && need(1)) {
      balance = argv[++i];
    } else if (arg == "--seconds" && need(1)) {
      seconds = argv[++i];
    } else {
      return Usage();
    }
  }

  try {
    service::TestGatekeeper gk(port);
    for (const auto& a : accounts) gk.AddAccount(a.id, a.account, a.password);
    for (const auto& [id, pin] : cards) gk.AddCard(id, pin);
    gk.SetBalance(balance);
    gk.SetAvailableSeconds(seconds);
    std::cout << "listening " << gk.HostText() << std::endl;

    std::atomic<bool> done{false};
    std::thread reporter([&] {
      Reporter r(gk);
      // Each wait returns as soon as a registration arrives; the other kinds are seen at
      // the latest one wait later.
      while (!done) {
        gk.WaitForRegistrations(gk.Registrations().size() + 1, 50ms);
        r.Report();
      }
      r.Report();
    });
    std::string line;
    while (std::getline(std::cin, line)) {
      std::istringstream in(line);
      std::string command;
      in >> command;
      if (command == "quit") break;
      if (command == "urq") {
        std::cout << "sent URQ=" << gk.SendUnregistrationRequest() << std::endl;
      } else if (command == "reject") {
        unsigned tag = 0;
        std::string codes;
        in >> tag >> codes;
        gk.RejectRegistrations(tag, codes);
      } else if (command == "accept") {
        gk.AcceptRegistrations();
      } else if (command == "silent") {
        int on = 1;
        in >> on;
        gk.SetSilent(on != 0);
      } else if (!command.empty()) {
        std::cerr << "blackbox-gatekeeper: unknown command " << command << "\n";
      }
    }
    if (std::cin.eof()) {
      // No more commands: go on answering until killed.
      while (true) pause();
    }
    done = true;
    reporter.join();
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
