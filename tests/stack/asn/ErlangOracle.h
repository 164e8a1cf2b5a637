#pragma once
// The erlang codec as an independent encoder and decoder (oracle/asn_oracle.escript over
// the module that oracle/build_oracle.sh compiled). Requests are batched: one process
// answers them all.

#include <cstdint>
#include <string>
#include <vector>

namespace testing_tools {

struct OracleReply {
  bool ok = false;
  std::string text;  // JSON of a decoded value, hex of an encoding, or the error
};

class ErlangOracle {
 public:
  // False, with the reason, when the compiled module or escript is missing.
  static bool Available(std::string* why);
  static OracleReply Decode(const std::string& type, const std::vector<uint8_t>& bytes);
  // Runs "decode TYPE HEX" / "encode TYPE JSON" requests; one reply per request. `module`
  // is the compiled module: "All" (the H.323 set) or "Varlo-Probe".
  static std::vector<OracleReply> Run(const std::vector<std::string>& requests,
                                      const std::string& module = "All");
};

std::string ToHex(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> FromHex(const std::string& hex);

}  // namespace testing_tools
