#include "ErlangOracle.h"

#include <unistd.h>

#include "ProcessRunner.h"

namespace testing_tools {

bool ErlangOracle::Available(std::string* why) {
  if (FindProgram("escript").empty()) {
    *why = "escript is not installed (erlang-base)";
    return false;
  }
  std::string beam = std::string(VARLO_ASN_ORACLE_DIR) + "/All.beam";
  if (access(beam.c_str(), R_OK) != 0) {
    *why = beam + " is missing: erlang-asn1 was not found when the build was configured";
    return false;
  }
  return true;
}

std::vector<OracleReply> ErlangOracle::Run(const std::vector<std::string>& requests,
                                           const std::string& module) {
  std::string input;
  for (const auto& r : requests) input += r + "\n";
  ProcessResult run =
      RunProcess({"escript", VARLO_ASN_ORACLE_SCRIPT, VARLO_ASN_ORACLE_DIR, module}, input);
  std::vector<OracleReply> replies;
  size_t start = 0;
  while (start < run.out.size()) {
    size_t end = run.out.find('\n', start);
    if (end == std::string::npos) end = run.out.size();
    std::string line = run.out.substr(start, end - start);
    OracleReply reply;
    if (line.rfind("ok ", 0) == 0) {
      reply.ok = true;
      reply.text = line.substr(3);
    } else {
      reply.text = line;
    }
    replies.push_back(reply);
    start = end + 1;
  }
  while (replies.size() < requests.size()) {
    replies.push_back({false, "no reply from the oracle: " + run.err});
  }
  return replies;
}

OracleReply ErlangOracle::Decode(const std::string& type, const std::vector<uint8_t>& bytes) {
  return Run({"decode " + type + " " + ToHex(bytes)}).front();
}

std::string ToHex(const std::vector<uint8_t>& bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s;
  for (uint8_t b : bytes) {
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

std::vector<uint8_t> FromHex(const std::string& hex) {
  std::vector<uint8_t> out;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
    if (hi < 0 || lo < 0) break;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  return out;
}

}  // namespace testing_tools
