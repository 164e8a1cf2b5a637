#include "engine/OptionFiles.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "codec/g7231/H323_G7231Capability.h"
#include "engine/CPhoneEndPoint.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "tests/platform/core/TempDir.h"

namespace {

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

CString PathOf(const TempDir& dir, const char* name) { return CString((dir / name).c_str()); }

struct OptionCase {
  std::optional<std::string> bytes;  // none: no file
  BOOL found;
  BOOL silence;
  int frames;
};

TEST(OptionFilesTest, SetDatReadsTwoBytesAndNeverMore) {
  const std::vector<OptionCase> cases = {
      {std::nullopt, FALSE, TRUE, 4},    // missing: on, 4
      {"", FALSE, TRUE, 4},              // empty: as missing
      {"14", TRUE, TRUE, 4},
      {"07", TRUE, FALSE, 7},
      {"00", TRUE, FALSE, 0},            // 0 is taken as it stands when read
      {"19", TRUE, TRUE, 3},             // 9 lies outside 0 to 7
      {"1", TRUE, TRUE, 3},              // one byte: the frames are not there
      {"0", TRUE, FALSE, 3},
      {"1\n5", TRUE, TRUE, 3},           // the line ends before the frames
      {"x5", TRUE, FALSE, 5},
      {"16 and more text", TRUE, TRUE, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes ? "\"" + *c.bytes + "\"" : "missing");
    TempDir dir;
    if (c.bytes) WriteBytes(dir / "Set.dat", B(*c.bytes));
    CallOptions options;
    options.silenceDetection = !c.silence;
    options.framesPerPacket = 99;
    EXPECT_EQ(ReadOptionFile(PathOf(dir, "Set.dat"), options), c.found);
    EXPECT_EQ(options.silenceDetection, c.silence);
    EXPECT_EQ(options.framesPerPacket, c.frames);
  }
}

TEST(OptionFilesTest, SetDatIsWrittenAsTwoCharactersReplacingTheFile) {
  struct WriteCase {
    BOOL silence;
    int frames;
    std::string bytes;
  };
  for (const auto& c : std::vector<WriteCase>{{TRUE, 4, "14"}, {FALSE, 7, "07"}, {FALSE, 0, "03"}, {TRUE, 8, "13"}, {TRUE, -2, "13"}}) {
    SCOPED_TRACE(c.bytes);
    TempDir dir;
    WriteBytes(dir / "Set.dat", B("a longer old file\n"));
    EXPECT_TRUE(WriteOptionFile(PathOf(dir, "Set.dat"), CallOptions{c.silence, c.frames}));
    EXPECT_EQ(ReadBytes(dir / "Set.dat"), B(c.bytes));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"Set.dat"});
  }
}

TEST(OptionFilesTest, VarloIniNamesTheLanguage) {
  const std::vector<std::pair<std::optional<std::string>, const char*>> cases = {
      {std::nullopt, "English"},       {"", "English"},
      {"0", "English"},                {"1", "Simplify Chinese"},
      {"2", "Traditional Chinese"},    {"7", "Traditional Chinese"},
      {"1\r\n", "Simplify Chinese"},   {"\n1", "Traditional Chinese"},
  };
  for (const auto& [bytes, name] : cases) {
    SCOPED_TRACE(bytes ? "\"" + *bytes + "\"" : "missing");
    TempDir dir;
    if (bytes) WriteBytes(dir / "Varlo.ini", B(*bytes));
    EXPECT_EQ(ReadLanguageFile(PathOf(dir, "Varlo.ini")), name);
  }
  for (const auto& [name, code] : std::vector<std::pair<const char*, std::string>>{
           {"English", "0"}, {"Simplify Chinese", "1"}, {"Traditional Chinese", "2"}, {"english", "2"}, {"Klingon", "2"}}) {
    SCOPED_TRACE(name);
    TempDir dir;
    WriteBytes(dir / "Varlo.ini", B("1\r\n"));
    EXPECT_TRUE(WriteLanguageFile(PathOf(dir, "Varlo.ini"), name));
    EXPECT_EQ(ReadBytes(dir / "Varlo.ini"), B(code));
  }
}

// Runs in a child process in which no file may grow at all.
[[noreturn]] void WriteWithoutRoom(const std::string& dirPath) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{0, 0};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const BOOL options = WriteOptionFile(CString((dirPath + "Set.dat").c_str()), CallOptions{FALSE, 7});
  const BOOL language = WriteLanguageFile(CString((dirPath + "Varlo.ini").c_str()), "Simplify Chinese");
  std::_Exit(options || language ? 1 : 0);
}

TEST(OptionFilesTest, FailedWriteIsReportedAndKeepsThePreviousFile) {
  TempDir dir;
  WriteBytes(dir / "Set.dat", B("14"));
  WriteBytes(dir / "Varlo.ini", B("0"));
  EXPECT_EXIT(WriteWithoutRoom(dir.Path()), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadBytes(dir / "Set.dat"), B("14"));
  EXPECT_EQ(ReadBytes(dir / "Varlo.ini"), B("0"));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"Set.dat", "Varlo.ini"}));
  // A folder that does not exist cannot take the file either.
  EXPECT_FALSE(WriteOptionFile(PathOf(dir, "gone/Set.dat"), CallOptions{}));
}

class OptionFilesEndpointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    endpoint.m_gsmCapability = &gsm;
    endpoint.m_g7231Capability = &g7231;
    endpoint.SetSilenceDetectionMode(H323AudioCodec::NoSilenceDetection);
  }
  void TearDown() override {
    endpoint.m_gsmCapability = nullptr;
    endpoint.m_g7231Capability = nullptr;
  }
  H323_GSM0610Capability gsm;
  H323_G7231Capability g7231;
  CPhoneEndPoint endpoint;
};

TEST_F(OptionFilesEndpointTest, SavedOptionsReachTheEndpointAtStart) {
  struct StartCase {
    std::optional<std::string> bytes;
    H323AudioCodec::SilenceDetectionMode mode;
    unsigned frames;
  };
  // A file that saved nothing leaves the endpoint's own start settings alone.
  for (const auto& c : std::vector<StartCase>{{"17", H323AudioCodec::AdaptiveSilenceDetection, 7},
                                              {"02", H323AudioCodec::NoSilenceDetection, 2},
                                              {"10", H323AudioCodec::AdaptiveSilenceDetection, 3},
                                              {std::nullopt, H323AudioCodec::NoSilenceDetection, 5},
                                              {"", H323AudioCodec::NoSilenceDetection, 5}}) {
    SCOPED_TRACE(c.bytes ? *c.bytes : "missing");
    TempDir dir;
    if (c.bytes) WriteBytes(dir / "Set.dat", B(*c.bytes));
    endpoint.SetSilenceDetectionMode(H323AudioCodec::NoSilenceDetection);
    gsm.SetTxFramesInPacket(5);
    g7231.SetTxFramesInPacket(5);
    EXPECT_EQ(ApplySavedCallOptions(endpoint, CString(dir.Path().c_str())), c.bytes && !c.bytes->empty());
    EXPECT_EQ(endpoint.GetSilenceDetectionMode(), c.mode);
    EXPECT_EQ(gsm.GetTxFramesInPacket(), c.frames);
    EXPECT_EQ(g7231.GetTxFramesInPacket(), c.frames);
  }
}

}  // namespace
