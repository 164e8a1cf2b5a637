// tshark reads the call signalling a scripted peer exchanged with an endpoint: the
// messages become a TCP capture on port 1720 (text2pcap) and tshark's field values come
// back, one row per message.
#pragma once

#include <stdlib.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CallFixture.h"

namespace h323test {

inline bool WireDecoderAvailable() {
  return system("command -v tshark >/dev/null 2>&1 && command -v text2pcap >/dev/null 2>&1") == 0;
}

struct WireRow {
  std::vector<std::string> fields;  // as asked, several values joined by ','
  bool malformed = false;
  bool error = false;  // an expert message of error severity
};

// The rows of `packets`, one per message, with the values of `fields`.
inline std::vector<WireRow> DecodeWire(const std::vector<ScriptedPeer::Packet>& packets,
                                       const std::vector<std::string>& fields) {
  char pattern[] = "/tmp/h323-wire-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return {};
  const std::string dir = pattern;
  std::string dump;
  char text[24];
  for (const auto& p : packets) {
    std::vector<uint8_t> frame;
    tpkt::AppendPacket(p.payload, frame);
    for (size_t i = 0; i < frame.size(); ++i) {
      if (i % 16 == 0) {
        if (i) dump += '\n';
        if (i == 0) dump += p.fromPeer ? "O " : "I ";
        snprintf(text, sizeof text, "%06zx", i);
        dump += text;
      }
      snprintf(text, sizeof text, " %02x", frame[i]);
      dump += text;
    }
    dump += '\n';
  }
  std::ofstream(dir + "/wire.txt") << dump;
  std::string command = "text2pcap -q -D -T 50000,1720 " + dir + "/wire.txt " + dir + "/wire.pcap >/dev/null 2>&1 && " +
                        "tshark -r " + dir + "/wire.pcap -T fields -E separator=/t -E occurrence=a -E aggregator=, " +
                        "-e _ws.malformed -e _ws.expert.severity";
  for (const auto& f : fields) command += " -e " + f;
  command += " 2>/dev/null; rm -rf " + dir;
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
    pclose(pipe);
  }
  std::vector<WireRow> rows;
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> cells;
    std::istringstream in(line);
    std::string cell;
    while (std::getline(in, cell, '\t')) cells.push_back(cell);
    cells.resize(fields.size() + 2);
    WireRow row;
    row.malformed = !cells[0].empty();
    row.error = cells[1].find("8388608") != std::string::npos;  // PI_ERROR
    row.fields.assign(cells.begin() + 2, cells.end());
    rows.push_back(std::move(row));
  }
  return rows;
}

// Checks that tshark reads every message of the exchange cleanly; returns the rows.
inline std::vector<WireRow> ExpectCleanWire(const std::vector<ScriptedPeer::Packet>& packets,
                                            const std::vector<std::string>& fields) {
  const auto rows = DecodeWire(packets, fields);
  EXPECT_EQ(rows.size(), packets.size()) << "tshark did not read every message";
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_FALSE(rows[i].malformed) << "message " << i << " malformed";
    EXPECT_FALSE(rows[i].error) << "message " << i << " has a decoder error";
  }
  return rows;
}

}  // namespace h323test
