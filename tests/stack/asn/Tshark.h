#pragma once
// tshark as an independent decoder: one payload is put into a pcap with text2pcap (UDP or
// TCP between two ports) and tshark's field values for it are read back.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testing_tools {

enum class Transport { kUdp, kTcp };

struct TsharkResult {
  std::string error;  // set when the tools could not be run
  std::map<std::string, std::vector<std::string>> fields;
  bool malformed = false;           // tshark marked the packet malformed
  std::vector<std::string> expert;  // expert messages of error severity

  // Every value of a field, in the order tshark shows them.
  const std::vector<std::string>& All(const std::string& field) const;
  // The first value of a field, or "".
  std::string Get(const std::string& field) const;
};

bool TsharkAvailable();

TsharkResult TsharkDecode(const std::vector<uint8_t>& payload, Transport transport,
                          uint16_t srcPort, uint16_t dstPort,
                          const std::vector<std::string>& fields,
                          const std::vector<std::string>& extraArgs = {});

// The same for several payloads in one capture (one tshark run), one result each in
// order; a single result with the error when the tools could not be run.
std::vector<TsharkResult> TsharkDecodeAll(const std::vector<std::vector<uint8_t>>& payloads, Transport transport,
                                          uint16_t srcPort, uint16_t dstPort,
                                          const std::vector<std::string>& fields,
                                          const std::vector<std::string>& extraArgs = {});

}  // namespace testing_tools
