#include "contacts/QuickDialFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <string>

#include "tests/platform/core/TempDir.h"

namespace {

QuickDialSlots Slots(std::initializer_list<const char*> texts) {
  QuickDialSlots slots{};
  int i = 0;
  for (const char* text : texts) {
    QuickDialSlot& slot = slots[i / 2];
    (i % 2 == 0 ? slot.name : slot.number) = text;
    ++i;
  }
  return slots;
}

std::string Lines(std::initializer_list<std::string> lines, const std::string& end) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + end;
  return bytes;
}

// Runs in a child process: exits 0 when a write that exceeds the file size limit reports
// its failure.
[[noreturn]] void WriteBeyondSizeLimit(const std::string& path) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{8, 8};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::_Exit(quickdial::Write(path.c_str(), Slots({"New name", "222222"})) ? 1 : 0);
}

const std::string k124(124, '7');
const std::string k200(200, '8');

TEST(QuickDialFileRead, TakesEveryLineEndAndKeepsEveryDigit) {
  const QuickDialSlots full = Slots({"Ann", "12345678", "B", "9", "Carl", "0049 30 1234", "Dora",
                                     "1", "Eve", "5551234"});
  const std::initializer_list<std::string> lines = {"Ann", "12345678", "B", "9", "Carl",
                                                    "0049 30 1234", "Dora", "1", "Eve", "5551234"};
  struct Case {
    const char* name;
    std::string bytes;
    QuickDialSlots expected;
  } cases[] = {
      {"CR CR LF, as written", Lines(lines, "\r\r\n"), full},
      {"CR LF", Lines(lines, "\r\n"), full},
      {"LF", Lines(lines, "\n"), full},
      {"mixed, last line without its end",
       "Ann\r\r\n12345678\r\nB\n9\r\r\nCarl\n0049 30 1234\r\nDora\n1\nEve\r\n5551234", full},
      {"more than ten lines", Lines(lines, "\r\n") + "extra\r\nlines\r\n", full},
      {"empty file", "", QuickDialSlots{}},
      {"three lines", "Ann\r\r\n123\r\r\nBob\r\r\n", Slots({"Ann", "123", "Bob"})},
      {"empty lines stay empty slots", "\r\r\n\r\r\nBob\r\n42\n", Slots({"", "", "Bob", "42"})},
      {"a stray CR inside a line goes", "An\rn\n12\r34\n", Slots({"Ann", "1234"})},
      {"124 bytes kept whole", "N\n" + k124 + "\r\r\nM\n", Slots({"N", k124.c_str(), "M"})},
      {"a longer line is cut and does not spill", "N\n" + k200 + "\r\r\nM\n77\n",
       Slots({"N", std::string(124, '8').c_str(), "M", "77"})},
      {"a long last line without its end", "N\n" + k200, Slots({"N", std::string(124, '8').c_str()})},
      {"the cut keeps whole UTF-8 characters", std::string(123, 'a') + "\xC3\xA9" + "b\n1\n",
       Slots({std::string(123, 'a').c_str(), "1"})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(quickdial::Parse(c.bytes), c.expected) << c.name;
  }
}

TEST(QuickDialFileWrite, TenLinesEndingCrCrLfEachCutTo124Bytes) {
  QuickDialSlots slots = Slots({"Ann", "123", "", "", "X", "9"});
  slots[4].name = CString(k200);
  EXPECT_EQ(quickdial::Format(slots),
            "Ann\r\r\n123\r\r\n\r\r\n\r\r\nX\r\r\n9\r\r\n\r\r\n\r\r\n" + std::string(124, '8') + "\r\r\n\r\r\n");
}

TEST(QuickDialFileWrite, WhatIsWrittenReadsBackTheSame) {
  const QuickDialSlots cases[] = {
      QuickDialSlots{},
      Slots({"A", "1", "B", "2", "C", "3", "D", "4", "E", "5"}),
      Slots({"Zhang \xE5\xBC\xA0", "+86 10 1234 5678", "", "", "", "", "", "", k124.c_str(), k124.c_str()}),
  };
  TempDir dir;
  const CString path = quickdial::FilePath(CString(dir.Path().c_str()));
  for (const QuickDialSlots& slots : cases) {
    ASSERT_TRUE(quickdial::Write(path, slots));
    EXPECT_EQ(quickdial::Read(path), slots);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"Quickdail.dat"});  // no temporary left
  }
}

TEST(QuickDialFileRead, MissingFileGivesEmptySlots) {
  TempDir dir;
  EXPECT_EQ(quickdial::Read(quickdial::FilePath(CString(dir.Path().c_str()))), QuickDialSlots{});
}

TEST(QuickDialFileWrite, FailedWritesReportAndKeepThePreviousFile) {
  TempDir dir;
  EXPECT_FALSE(quickdial::Write(CString((dir / "missing/Quickdail.dat").c_str()), Slots({"A", "1"})));
  EXPECT_TRUE(dir.Entries().empty());

  // A write that runs out of room (the file size limit) leaves the old slots on disk.
  const std::string path = dir / "Quickdail.dat";
  const QuickDialSlots old = Slots({"Old", "111"});
  ASSERT_TRUE(quickdial::Write(path.c_str(), old));
  EXPECT_EXIT(WriteBeyondSizeLimit(path), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(quickdial::Read(path.c_str()), old);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"Quickdail.dat"});
}

}  // namespace
