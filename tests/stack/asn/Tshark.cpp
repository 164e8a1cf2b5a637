#include "Tshark.h"

#include <cstdio>
#include <sstream>

#include "ProcessRunner.h"

namespace testing_tools {

namespace {

const char kAggregator = '|';

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : s) {
    if (c == sep) {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

// The `od -Ax -tx1` layout that text2pcap reads.
std::string HexDump(const std::vector<uint8_t>& bytes) {
  std::string text;
  char buf[32];
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) {
      if (i) text += '\n';
      std::snprintf(buf, sizeof buf, "%06zx", i);
      text += buf;
    }
    std::snprintf(buf, sizeof buf, " %02x", bytes[i]);
    text += buf;
  }
  text += '\n';
  return text;
}

}  // namespace

const std::vector<std::string>& TsharkResult::All(const std::string& field) const {
  static const std::vector<std::string> kNone;
  auto it = fields.find(field);
  return it == fields.end() ? kNone : it->second;
}

std::string TsharkResult::Get(const std::string& field) const {
  const auto& v = All(field);
  return v.empty() ? "" : v.front();
}

bool TsharkAvailable() {
  return !FindProgram("tshark").empty() && !FindProgram("text2pcap").empty();
}

TsharkResult TsharkDecode(const std::vector<uint8_t>& payload, Transport transport,
                          uint16_t srcPort, uint16_t dstPort,
                          const std::vector<std::string>& fields,
                          const std::vector<std::string>& extraArgs) {
  auto results = TsharkDecodeAll({payload}, transport, srcPort, dstPort, fields, extraArgs);
  if (results.size() == 1) return results.front();
  TsharkResult result;
  result.error = results.empty() ? "tshark read no packet" : results.front().error;
  return result;
}

std::vector<TsharkResult> TsharkDecodeAll(const std::vector<std::vector<uint8_t>>& payloads, Transport transport,
                                          uint16_t srcPort, uint16_t dstPort,
                                          const std::vector<std::string>& fields,
                                          const std::vector<std::string>& extraArgs) {
  auto failed = [](const std::string& error) {
    TsharkResult result;
    result.error = error;
    return std::vector<TsharkResult>{result};
  };
  TempDir dir;
  std::string dump;
  for (const auto& payload : payloads) dump += HexDump(payload);
  WriteFile(dir.File("msg.txt"), dump);
  std::string ports = std::to_string(srcPort) + "," + std::to_string(dstPort);
  ProcessResult pcap = RunProcess({"text2pcap", "-q", transport == Transport::kUdp ? "-u" : "-T",
                                   ports, dir.File("msg.txt"), dir.File("msg.pcap")});
  if (pcap.exitCode != 0) return failed("text2pcap failed: " + pcap.err);
  std::vector<std::string> argv{"tshark", "-n", "-r", dir.File("msg.pcap")};
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  for (const char* opt : {"-T", "fields", "-E", "occurrence=a", "-E", "aggregator=|"}) {
    argv.push_back(opt);
  }
  std::vector<std::string> all{"_ws.malformed", "_ws.expert.severity", "_ws.expert.message"};
  all.insert(all.end(), fields.begin(), fields.end());
  for (const auto& f : all) {
    argv.push_back("-e");
    argv.push_back(f);
  }
  ProcessResult run = RunProcess(argv);
  if (run.exitCode != 0) return failed("tshark failed: " + run.err);
  std::vector<TsharkResult> results;
  std::vector<std::string> lines = Split(run.out, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  for (const auto& line : lines) {
    TsharkResult result;
    std::vector<std::string> columns = Split(line, '\t');
    for (size_t i = 0; i < all.size(); ++i) {
      std::string value = i < columns.size() ? columns[i] : "";
      result.fields[all[i]] = value.empty() ? std::vector<std::string>{} : Split(value, kAggregator);
    }
    result.malformed = !result.All("_ws.malformed").empty();
    const auto& severity = result.All("_ws.expert.severity");
    const auto& message = result.All("_ws.expert.message");
    for (size_t i = 0; i < severity.size(); ++i) {
      // Expert severities: 0x00800000 is an error (a warning is 0x00600000).
      if (severity[i] == "8388608" || severity[i] == "0x00800000") {
        result.expert.push_back(i < message.size() ? message[i] : "error");
      }
    }
    results.push_back(std::move(result));
  }
  return results;
}

}  // namespace testing_tools
