// A caller for the black-box cases: it calls the program (127.0.0.1:1721 unless told
// otherwise, trying for up to ten seconds while the program starts) with a Setup from the
// alias "caller", and prints one line for the connection and for every message the
// program sends, so that a case can wait for the line it expects:
//
//   connected 127.0.0.1:1721
//   CALL_PROCEEDING
//   ALERTING
//   CONNECT
//   RELEASE cause=17
//   MESSAGE type=0x62
//   closed
//
// Options: --port N, --name ALIAS.  Commands on standard input, one a line: "hangup" (a
// Release Complete, normal clearing), "quit".  The program ends on "quit", at the end of
// its input, or when it is killed.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "stack/h323/H323SignalPDU.h"
#include "stack/q931/Q931.h"
#include "stack/q931/TcpSocket.h"
#include "stack/q931/Tpkt.h"
#include "stack/q931/WakeEvent.h"

namespace {

using namespace std::chrono_literals;
constexpr uint16_t kCallReference = 1;

std::mutex g_out;

void Print(const std::string& line) {
  std::lock_guard lock(g_out);
  std::cout << line << std::endl;
}

std::string Describe(const Q931& m) {
  switch (m.GetMessageType()) {
    case Q931::CallProceedingMsg: return "CALL_PROCEEDING";
    case Q931::AlertingMsg: return "ALERTING";
    case Q931::ConnectMsg: return "CONNECT";
    case Q931::ReleaseCompleteMsg: {
      const auto cause = m.GetCause();
      return "RELEASE cause=" + (cause ? std::to_string(cause->value) : std::string("none"));
    }
    default: {
      char text[32];
      snprintf(text, sizeof text, "MESSAGE type=0x%02x", m.GetMessageType());
      return text;
    }
  }
}

bool SendPDU(TcpSocket& socket, H323SignalPDU& pdu, const WakeEvent& stop) {
  q931::Bytes payload;
  std::vector<uint8_t> frame;
  return pdu.Encode() && pdu.m_q931pdu.Encode(payload) && tpkt::AppendPacket(payload, frame) &&
         socket.WriteAll(frame, 2s, stop) == TcpSocket::Status::Ok;
}

H323SignalPDU Message(uint8_t type, H323UserInformation::Body body, const std::string& name,
                      const H323UserInformation::Guid& callId) {
  H323SignalPDU pdu;
  pdu.Build(type, body, kCallReference, false);
  pdu.m_userInfo.sourceAliases = {H323AliasAddress{H323AliasAddress::e_h323_ID, PString(name)}};
  pdu.m_userInfo.callIdentifier = callId;
  return pdu;
}

}  // namespace

int main(int argc, char** argv) {
  uint16_t port = 1721;
  std::string name = "caller";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--port") {
      port = static_cast<uint16_t>(std::stoul(argv[i + 1]));
    } else if (option == "--name") {
      name = argv[i + 1];
    } else {
      std::cerr << "usage: blackbox-caller [--port N] [--name ALIAS]\n";
      return 2;
    }
  }
  WakeEvent stop;
  TcpSocket socket;
  const TcpAddress target{TcpAddress::kLoopback, port};
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (TcpSocket::Connect(target, 1s, stop, socket) != TcpSocket::Status::Ok) {
    if (std::chrono::steady_clock::now() >= deadline) {
      std::cerr << "blackbox-caller: nothing listens on port " << port << "\n";
      return 1;
    }
    std::this_thread::sleep_for(100ms);  // the program is still starting
  }
  Print("connected " + target.ToString());
  const H323UserInformation::Guid callId = H323NewGuid();
  H323SignalPDU setup = Message(Q931::SetupMsg, H323UserInformation::e_setup, name, callId);
  if (!SendPDU(socket, setup, stop)) return 1;

  std::thread reader([&] {
    tpkt::Reassembler reassembler;
    std::vector<uint8_t> buffer(4096);
    for (;;) {
      size_t n = 0;
      if (socket.Read(buffer, n, stop) != TcpSocket::Status::Ok) break;
      reassembler.Push(std::span<const uint8_t>(buffer.data(), n));
      std::vector<uint8_t> payload;
      while (reassembler.Next(payload) == tpkt::Reassembler::Result::kPacket) {
        Q931 m;
        if (m.Decode(payload)) Print(Describe(m));
      }
    }
    Print("closed");
  });

  std::string command;
  while (std::getline(std::cin, command)) {
    if (command == "hangup") {
      H323SignalPDU release = Message(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete, name, callId);
      release.m_q931pdu.SetCause(Q931::NormalCallClearing);
      SendPDU(socket, release, stop);
    } else if (command == "quit") {
      break;
    }
  }
  socket.Shutdown();
  stop.Signal();
  reader.join();
  return 0;
}
