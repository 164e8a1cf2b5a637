#pragma once
// A gatekeeper for the tests, on a loopback port of its own: it records every RAS message
// it receives and answers as its script says (confirms by default), and it can send
// requests of its own to the endpoint.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "stack/asn/H225.h"
#include "stack/ras/RasTransport.h"

class ScriptedGatekeeper {
 public:
  // The datagrams to send back for a request (none: stay silent).
  using Script = std::function<std::vector<std::vector<uint8_t>>(const H225_RasMessage& request)>;

  static constexpr const char* kGatekeeperId = "GK-Test";
  static constexpr const char* kEndpointId = "EP-17";

  // On a free port of `ip` (a loopback address: 127.0.0.2 stands for another host).
  explicit ScriptedGatekeeper(unsigned timeToLive = 0, uint32_t ip = 0x7F000001);
  ~ScriptedGatekeeper();

  ras::RasAddress Address() const { return transport_.LocalAddress(); }
  // The address as a gatekeeper host text: "127.0.0.1:port".
  std::string HostText() const { return Address().ToString(); }
  void SetScript(Script script);
  // The confirm the default script gives to `request` (a GCF names this gatekeeper's
  // address; an RCF the endpoint identifier and the time to live).
  std::vector<std::vector<uint8_t>> Confirm(const H225_RasMessage& request) const;

  std::vector<H225_RasMessage> Received() const;
  // How many of the received messages are of the RasMessage alternative `tag`.
  size_t CountReceived(unsigned tag) const;
  // The same messages as they came on the wire.
  std::vector<std::vector<uint8_t>> ReceivedOctets() const;
  // Waits until `count` messages have arrived.
  bool WaitForCount(size_t count, std::chrono::milliseconds timeout) const;
  // The sender of the last message (the endpoint's RAS address).
  ras::RasAddress LastSender() const;
  void Send(const H225_RasMessage& msg, const ras::RasAddress& to);

 private:
  void OnDatagram(const std::vector<uint8_t>& bytes, const ras::RasAddress& from);

  unsigned timeToLive_;
  ras::RasTransport transport_;
  mutable std::mutex mutex_;
  mutable std::condition_variable arrived_;
  Script script_;
  std::vector<H225_RasMessage> received_;
  std::vector<std::vector<uint8_t>> octets_;
  ras::RasAddress lastSender_;
};

std::vector<uint8_t> EncodeRas(const H225_RasMessage& msg);
// A script that refuses discovery (GRJ, resource unavailable) and ignores anything else.
std::vector<std::vector<uint8_t>> RefuseDiscovery(const H225_RasMessage& request);
