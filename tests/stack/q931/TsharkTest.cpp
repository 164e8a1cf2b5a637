// tshark, an independent decoder, reads the frames this library builds: each frame is
// written as TPKT + Q.931 into a capture on TCP port 1720, where tshark decodes TPKT,
// Q.931 and the H.225 user-user information by itself.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "stack/q931/Q931.h"
#include "stack/q931/Tpkt.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Small H323-UserInformation values, encoded by hand in aligned PER from the H.225.0
// module: protocol identifier 0.0.8.2250.0.2, a terminal as endpoint type, no options.
const Bytes kOid = {0x06, 0x00, 0x08, 0x91, 0x4A, 0x00, 0x02};
const Bytes kConferenceId = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88,
                             0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF, 0x00};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// h323-message-body choice index in the first octet, then each UUIE's fields.
Bytes SetupUuie() { return Concat({{0x00, 0x00}, kOid, {0x02, 0x00}, kConferenceId, {0x00}}); }
Bytes CallProceedingUuie() { return Concat({{0x01, 0x00}, kOid, {0x02, 0x00}}); }
Bytes AlertingUuie() { return Concat({{0x03, 0x00}, kOid, {0x02, 0x00}}); }
Bytes ConnectUuie() { return Concat({{0x02, 0x00}, kOid, {0x02, 0x00}, kConferenceId}); }
Bytes ReleaseCompleteUuie() { return Concat({{0x05, 0x00}, kOid}); }
Bytes FacilityUuie() { return Concat({{0x06, 0x00}, kOid, {0x60}}); }  // reason undefinedReason

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
  pclose(pipe);
  return out;
}

bool HaveTools() {
  return system("command -v tshark >/dev/null 2>&1 && command -v text2pcap >/dev/null 2>&1") == 0;
}

class TsharkDecodes : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTools()) GTEST_SKIP() << "tshark / text2pcap not installed";
    char pattern[] = "/tmp/q931-tshark-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_dir = pattern;
  }
  void TearDown() override {
    if (!m_dir.empty()) RunCommand("rm -rf " + m_dir);
  }

  // Writes each message as one TPKT packet of a capture and returns tshark's values of
  // `fields` for each packet, in order.
  std::vector<std::map<std::string, std::string>> Decode(const std::vector<Q931>& messages,
                                                         const std::vector<std::string>& fields) {
    std::string dump;
    for (size_t i = 0; i < messages.size(); ++i) {
      Bytes q931;
      EXPECT_TRUE(messages[i].Encode(q931));
      Bytes frame;
      EXPECT_TRUE(tpkt::AppendPacket(q931, frame));
      const std::string bin = m_dir + "/" + std::to_string(i) + ".bin";
      std::ofstream(bin, std::ios::binary).write(reinterpret_cast<const char*>(frame.data()),
                                                 static_cast<std::streamsize>(frame.size()));
      dump += "od -Ax -tx1 -v " + bin + "; ";
    }
    const std::string pcap = m_dir + "/out.pcap";
    RunCommand("(" + dump + ") | text2pcap -T 50000,1720 - " + pcap + " 2>/dev/null");
    std::string command = "tshark -r " + pcap + " -T fields -E separator=/t -E occurrence=a -E aggregator=,";
    for (const auto& f : fields) command += " -e " + f;
    const std::string output = RunCommand(command + " 2>/dev/null");

    std::vector<std::map<std::string, std::string>> rows;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
      std::map<std::string, std::string> row;
      std::istringstream cells(line);
      std::string cell;
      for (const auto& f : fields) {
        if (!std::getline(cells, cell, '\t')) cell.clear();
        row[f] = cell;
      }
      rows.push_back(row);
    }
    return rows;
  }

  std::string m_dir;
};

TEST_F(TsharkDecodes, CallSetupAndClearing) {
  Q931 setup(Q931::SetupMsg, 0x0123, false);
  ASSERT_TRUE(setup.SetBearerCapability({}));
  ASSERT_TRUE(setup.SetDisplayName("Alice Example"));
  ASSERT_TRUE(setup.SetCallingPartyNumber("1001"));
  ASSERT_TRUE(setup.SetCalledPartyNumber("5551234"));
  ASSERT_TRUE(setup.SetUserUser(SetupUuie()));

  Q931 proceeding(Q931::CallProceedingMsg, 0x0123, true);
  ASSERT_TRUE(proceeding.SetUserUser(CallProceedingUuie()));

  Q931 alerting(Q931::AlertingMsg, 0x0123, true);
  ASSERT_TRUE(alerting.SetUserUser(AlertingUuie()));

  Q931 connect(Q931::ConnectMsg, 0x0123, true);
  ASSERT_TRUE(connect.SetDisplayName("Bob"));
  ASSERT_TRUE(connect.SetUserUser(ConnectUuie()));

  Q931 facility(Q931::FacilityMsg, 0x0123, false);
  ASSERT_TRUE(facility.SetUserUser(FacilityUuie()));

  Q931 release(Q931::ReleaseCompleteMsg, 0x0123, true);
  ASSERT_TRUE(release.SetCause(Q931::UserBusy));
  ASSERT_TRUE(release.SetUserUser(ReleaseCompleteUuie()));

  const std::vector<std::string> fields = {
      "tpkt.version", "tpkt.length", "q931.message_type", "q931.call_ref_flag", "q931.call_ref",
      "q931.information_transfer_capability", "q931.information_transfer_rate", "q931.uil1",
      "q931.display_information", "q931.calling_party_number.digits", "q931.called_party_number.digits",
      "q931.cause_value", "q931.user.protocol_discriminator", "h225.h323_message_body",
      "h225.protocolIdentifier", "h225.conferenceID", "_ws.malformed"};
  const auto rows = Decode({setup, proceeding, alerting, connect, facility, release}, fields);
  ASSERT_EQ(rows.size(), 6u);

  struct Expected {
    const char* type;
    const char* flag;
    const char* body;
  };
  const Expected expected[] = {{"0x05", "0", "0"}, {"0x02", "1", "1"}, {"0x01", "1", "3"},
                               {"0x07", "1", "2"},  {"0x62", "0", "6"}, {"0x5a", "1", "5"}};
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i + 1));
    const auto& row = rows[i];
    EXPECT_EQ(row.at("tpkt.version"), "3");
    EXPECT_EQ(row.at("q931.message_type"), expected[i].type);
    EXPECT_EQ(row.at("q931.call_ref_flag"), expected[i].flag);
    EXPECT_EQ(row.at("q931.call_ref"), "0123");
    EXPECT_EQ(row.at("q931.user.protocol_discriminator"), "0x05");
    EXPECT_EQ(row.at("h225.h323_message_body"), expected[i].body);
    EXPECT_EQ(row.at("h225.protocolIdentifier"), "0.0.8.2250.0.2");
    EXPECT_EQ(row.at("_ws.malformed"), "");
  }
  const auto& s = rows[0];
  EXPECT_EQ(s.at("q931.information_transfer_capability"), "0x08");
  EXPECT_EQ(s.at("q931.information_transfer_rate"), "0x10");
  EXPECT_EQ(s.at("q931.uil1"), "0x05");
  EXPECT_EQ(s.at("q931.display_information"), "Alice Example");
  EXPECT_EQ(s.at("q931.calling_party_number.digits"), "1001");
  EXPECT_EQ(s.at("q931.called_party_number.digits"), "5551234");
  EXPECT_EQ(s.at("h225.conferenceID"), "11223344-5566-7788-99aa-bbccddeeff00");
  Bytes encoded;
  ASSERT_TRUE(setup.Encode(encoded));
  EXPECT_EQ(s.at("tpkt.length"), std::to_string(encoded.size() + tpkt::kHeaderSize));
  EXPECT_EQ(rows[3].at("q931.display_information"), "Bob");
  EXPECT_EQ(rows[5].at("q931.cause_value"), "17");
}

TEST_F(TsharkDecodes, StatusProgressNotifyAndInformation) {
  Q931 enquiry(Q931::StatusEnquiryMsg, 42, false);
  Q931 status(Q931::StatusMsg, 42, true);
  ASSERT_TRUE(status.SetCause(Q931::StatusEnquiryResponse));
  ASSERT_TRUE(status.SetCallState(Q931::ActiveState));
  Q931 progress(Q931::ProgressMsg, 42, true);
  ASSERT_TRUE(progress.SetProgressIndicator({8, 0, 0}));
  Q931 notify(Q931::NotifyMsg, 42, true);
  ASSERT_TRUE(notify.SetNotificationIndicator(0));
  Q931 information(Q931::InformationMsg, 42, false);
  ASSERT_TRUE(information.SetKeypad("12#"));
  ASSERT_TRUE(information.SetSignal(0x3F));

  const std::vector<std::string> fields = {
      "q931.message_type", "q931.cause_value", "q931.call_state", "q931.progress_indicator.description",
      "q932.nd", "q931.keypad_facility", "q931.signal", "_ws.malformed"};
  const auto rows = Decode({enquiry, status, progress, notify, information}, fields);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].at("q931.message_type"), "0x75");
  EXPECT_EQ(rows[1].at("q931.message_type"), "0x7d");
  EXPECT_EQ(rows[1].at("q931.cause_value"), "30");
  EXPECT_EQ(rows[1].at("q931.call_state"), "0x0a");
  EXPECT_EQ(rows[2].at("q931.message_type"), "0x03");
  EXPECT_EQ(rows[2].at("q931.progress_indicator.description"), "0x08");
  EXPECT_EQ(rows[3].at("q931.message_type"), "0x6e");
  EXPECT_EQ(rows[3].at("q932.nd"), "0x00");
  EXPECT_EQ(rows[4].at("q931.message_type"), "0x7b");
  EXPECT_EQ(rows[4].at("q931.keypad_facility"), "12#");
  EXPECT_EQ(rows[4].at("q931.signal"), "0x3f");
  for (const auto& row : rows) EXPECT_EQ(row.at("_ws.malformed"), "");
}

}  // namespace
