// The contact file: exact bytes, byte-for-byte round trips, and what short or damaged
// files keep.
#include "contacts/ContactFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "tests/platform/core/TempDir.h"

void PrintTo(const ContactRecord& r, std::ostream* os) {
  *os << '{';
  for (const CString& c : r.columns) *os << '"' << c.GetString() << "\" ";
  *os << '}';
}

namespace {

ContactRecord Contact(const char* name, const char* email = "", const char* business = "",
                      const char* home = "", const char* mobile = "") {
  return ContactRecord{{CString(name), CString(email), CString(business), CString(home), CString(mobile)}};
}

// A short archive string: its length byte and its characters.
void AppendString(Bytes& bytes, const std::string& text) {
  bytes.push_back(static_cast<unsigned char>(text.size()));
  bytes.insert(bytes.end(), text.begin(), text.end());
}

Bytes FileOf(uint32_t count, const std::vector<std::string>& strings) {
  Bytes bytes{static_cast<unsigned char>(count), static_cast<unsigned char>(count >> 8),
              static_cast<unsigned char>(count >> 16), static_cast<unsigned char>(count >> 24)};
  for (const std::string& s : strings) AppendString(bytes, s);
  return bytes;
}

TEST(ContactFileTest, WritesTheExactLayout) {
  TempDir dir;
  const std::string path = dir / "pbook.dat";
  ASSERT_TRUE(WriteContactFile(path.c_str(), {}));
  EXPECT_EQ(ReadBytes(path), (Bytes{0, 0, 0, 0}));

  ASSERT_TRUE(WriteContactFile(path.c_str(), {Contact("Ann", "ann@example.org", "123", "", "0700"),
                                              Contact("Bob")}));
  EXPECT_EQ(ReadBytes(path), FileOf(2, {"Ann", "ann@example.org", "123", "", "0700", "Bob", "", "", "", ""}));
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"pbook.dat"});  // no temporary left
}

TEST(ContactFileTest, RoundTripsByteForByte) {
  // Every length form of the archive strings: one byte, 0xFF + 16 bits, 0xFF 0xFFFF + 32 bits.
  const std::string mid(300, 'm');
  const std::string longText(70000, 'L');
  const std::vector<Bytes> files = {
      FileOf(0, {}),
      FileOf(1, {"*Star", "", "", "", ""}),  // a user's own contact named with a star
      FileOf(2, {"A", "a@b", "1", "2", "3", "\xE5\xBC\xA0\xE4\xB8\x89", "", "", "", "+86 10 1234"}),
      [&] {
        Bytes b = FileOf(1, {});
        b.insert(b.end(), {0xFF, 0x2C, 0x01});
        b.insert(b.end(), mid.begin(), mid.end());
        b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00});
        b.insert(b.end(), longText.begin(), longText.end());
        for (int i = 0; i < 3; ++i) b.push_back(0);
        return b;
      }(),
  };
  TempDir dir;
  const std::string in = dir / "in.dat";
  const std::string out = dir / "out.dat";
  for (const Bytes& bytes : files) {
    WriteBytes(in, bytes);
    ASSERT_TRUE(WriteContactFile(out.c_str(), ReadContactFile(in.c_str())));
    EXPECT_EQ(ReadBytes(out), bytes);
  }
}

TEST(ContactFileTest, ShortAndDamagedFilesKeepWhatCameBefore) {
  const Bytes two = FileOf(2, {"Ann", "ann@x", "1", "2", "3", "Bob", "bob@x", "4", "5", "6"});
  const ContactRecord ann = Contact("Ann", "ann@x", "1", "2", "3");
  struct Case {
    const char* what;
    Bytes bytes;
    std::vector<ContactRecord> expected;
  };
  Bytes cutInBobsEmail(two.begin(), two.end() - 12);
  Bytes damagedLength = two;
  damagedLength[4 + 16 + 4] = 0xFF;  // Bob's e-mail announces a 16-bit length
  const std::vector<Case> cases = {
      {"empty file", {}, {}},
      {"cut count", {2, 0}, {}},
      {"count without records", FileOf(3, {}), {}},
      {"count larger than the records", FileOf(5, {"Ann", "ann@x", "1", "2", "3"}), {ann}},
      {"count zero with records", FileOf(0, {"Ann", "", "", "", ""}), {}},
      {"record cut in its e-mail", cutInBobsEmail, {ann, Contact("Bob")}},
      {"cut inside a name", Bytes(two.begin(), two.begin() + 4 + 16 + 2), {ann}},
      {"length beyond the end", damagedLength, {ann, Contact("Bob")}},
  };
  TempDir dir;
  const std::string path = dir / "pbook.dat";
  for (const Case& c : cases) {
    WriteBytes(path, c.bytes);
    EXPECT_EQ(ReadContactFile(path.c_str()), c.expected) << c.what;
  }
  EXPECT_TRUE(ReadContactFile((dir / "missing.dat").c_str()).empty());
}

TEST(ContactFileTest, AFailedWriteKeepsThePreviousFile) {
  TempDir dir;
  const std::string path = dir / "pbook.dat";
  ASSERT_TRUE(WriteContactFile(path.c_str(), {Contact("Ann", "ann@x", "1")}));
  const Bytes before = ReadBytes(path);

  // Files of this process may not grow beyond 4 KiB: the write fails half-way.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  CFileException error;
  const std::string big(10000, 'x');
  const BOOL written = WriteContactFile(path.c_str(), {Contact(big.c_str())}, &error);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(written);
  EXPECT_NE(error.m_cause, CFileException::none);
  EXPECT_FALSE(error.GetErrorMessage().IsEmpty());
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"pbook.dat"});
}

}  // namespace
