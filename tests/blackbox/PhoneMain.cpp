// A second telephone for the black-box cases: a whole H.323 endpoint of the stack with
// GSM 06.10 and its media (where blackbox-caller speaks call signalling by hand), that calls
// an address when told and prints one line for each thing its call does, so that a case can
// wait for the line it expects:
//
//   ready
//   alerting
//   established
//   cleared reason=EndedByRemoteUser
//
// Options: --name NAME (the caller's name that the called phone shows, "phone" unless
// given), --record DEVICE and --play DEVICE (its sound devices; the system's own unless
// given).  Commands on standard input, one a line: "call ADDRESS" (for instance
// "call 127.0.0.1:1721"), "hangup", "quit".  The program ends on "quit" or at the end of
// its input, clearing its call.
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>

#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/h323/H323EndPoint.h"
#include "stack/q931/CallEndReason.h"

namespace {

std::mutex g_output;

void Say(const std::string& line) {
  std::lock_guard lock(g_output);
  std::cout << line << std::endl;
}

class PhoneEndPoint : public H323EndPoint {
 public:
  explicit PhoneEndPoint(const std::string& name) {
    SetLocalUserName(name.c_str());
    auto* gsm = new H323_GSM0610Capability;
    gsm->SetTxFramesInPacket(4);
    SetCapability(P_MAX_INDEX, P_MAX_INDEX, gsm);
    SetSilenceDetectionMode(H323AudioCodec::NoSilenceDetection);
    SetRtpIpPorts(0, 0);
  }
  ~PhoneEndPoint() override { ClearAllCalls(H323Connection::EndedByLocalUser, true); }

  bool OnAlerting(H323Connection&, const H323SignalPDU&, const PString&) override {
    Say("alerting");
    return true;
  }
  void OnConnectionEstablished(H323Connection&, const PString&) override { Say("established"); }
  void OnConnectionCleared(H323Connection& connection, const PString&) override {
    Say(std::string("cleared reason=") + GetCallEndReasonName(connection.GetCallEndReason()));
  }
};

int Usage() {
  std::cerr << "usage: blackbox-phone [--name NAME] [--record DEVICE] [--play DEVICE]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string name = "phone", record, play;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    if (arg == "--name") {
      name = argv[++i];
    } else if (arg == "--record") {
      record = argv[++i];
    } else if (arg == "--play") {
      play = argv[++i];
    } else {
      return Usage();
    }
  }
  auto endpoint = std::make_unique<PhoneEndPoint>(name);
  if (!record.empty() && !endpoint->SetSoundChannelRecordDevice(record.c_str())) std::cerr << "no device " << record << "\n";
  if (!play.empty() && !endpoint->SetSoundChannelPlayDevice(play.c_str())) std::cerr << "no device " << play << "\n";
  Say("ready");
  PString token;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string command, address;
    in >> command >> address;
    if (command == "quit") break;
    if (command == "call" && !address.empty()) {
      if (endpoint->MakeCall(address.c_str(), token) == nullptr) Say("call refused");
    } else if (command == "hangup") {
      endpoint->ClearCall(token);
    } else if (!command.empty()) {
      std::cerr << "blackbox-phone: unknown command " << command << "\n";
    }
  }
  endpoint.reset();
  return 0;
}
