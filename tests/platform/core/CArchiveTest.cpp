#include "platform/core/CArchive.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/platform/core/AllocationProbe.h"
#include "tests/platform/core/TempDir.h"

namespace {

// Stores through an archive into a fresh file and returns the file's bytes.
Bytes Store(const TempDir& dir, const std::function<void(CArchive&)>& body) {
  const std::string path = dir / "out.bin";
  CFile file;
  EXPECT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
  CArchive ar(&file, CArchive::store);
  body(ar);
  ar.Close();
  EXPECT_TRUE(file.Close());
  return ReadBytes(path);
}

// Loads the given bytes through an archive.
void Load(const TempDir& dir, const Bytes& bytes, const std::function<void(CArchive&)>& body) {
  const std::string path = dir / "in.bin";
  WriteBytes(path, bytes);
  CFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
  CArchive ar(&file, CArchive::load);
  body(ar);
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(CArchiveTest, WordsAreLittleEndian) {
  TempDir dir;
  const Bytes bytes = Store(dir, [](CArchive& ar) {
    ar << DWORD{0x01020304} << LONG{-2} << WORD{0xA1B2} << BYTE{0x7F} << 5u << 6;
  });
  EXPECT_EQ(bytes, (Bytes{0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xB2, 0xA1, 0x7F, 5, 0, 0, 0,
                          6, 0, 0, 0}));
  Load(dir, bytes, [](CArchive& ar) {
    DWORD d = 0;
    LONG l = 0;
    WORD w = 0;
    BYTE b = 0;
    UINT u = 0;
    int i = 0;
    ar >> d >> l >> w >> b >> u >> i;
    EXPECT_EQ(d, 0x01020304u);
    EXPECT_EQ(l, -2);
    EXPECT_EQ(w, 0xA1B2);
    EXPECT_EQ(b, 0x7F);
    EXPECT_EQ(u, 5u);
    EXPECT_EQ(i, 6);
  });
}

TEST(CArchiveTest, StringPrefixFormsRoundTrip) {
  struct Case {
    int length;
    Bytes prefix;
  } cases[] = {
      {0, {0x00}},
      {3, {0x03}},
      {254, {0xFE}},
      {255, {0xFF, 0xFF, 0x00}},
      {0xFFFD, {0xFF, 0xFD, 0xFF}},
      {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
      {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    std::string text(static_cast<size_t>(c.length), 'a');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    const CString original{std::string(text)};
    const Bytes bytes = Store(dir, [&](CArchive& ar) { ar << original << DWORD{7}; });
    ASSERT_EQ(bytes.size(), c.prefix.size() + text.size() + 4);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(c.prefix.size())), c.prefix);
    Load(dir, bytes, [&](CArchive& ar) {
      CString back;
      DWORD after = 0;
      ar >> back >> after;
      EXPECT_EQ(back, original);
      EXPECT_EQ(after, 7u);
      EXPECT_EQ(ar.BytesLeft(), 0u);
    });
  }
}

TEST(CArchiveTest, Utf16StringsAreReadAsUtf8) {
  // 0xFF 0xFFFE marks UTF-16; then the character count in the usual prefix forms.
  const Bytes wide = {0xFF, 0xFE, 0xFF, 0x04,        // four code units
                      'h',  0x00, 0xE9, 0x00,        // "h", U+00E9
                      0x3D, 0xD8, 0x00, 0xDE};       // U+1F600 as a surrogate pair
  const Bytes unpaired = {0xFF, 0xFE, 0xFF, 0x02, 0x00, 0xD8, 'x', 0x00};
  const Bytes longForm = {0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00, 'k', 0x00};  // count as 16 bits
  TempDir dir;
  Load(dir, Cat(Cat(wide, unpaired), longForm), [](CArchive& ar) {
    CString a, b, c;
    ar >> a >> b >> c;
    EXPECT_EQ(a, "h\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(b, "\xEF\xBF\xBDx");
    EXPECT_EQ(c, "k");
  });
}

TEST(CArchiveTest, InputCutShortThrowsAndKeepsTheValuesReadBefore) {
  TempDir dir;
  const CString longText{std::string(300, 'q')};
  const Bytes full = Store(dir, [&](CArchive& ar) { ar << DWORD{42} << CString("abc") << longText << LONG{-1}; });
  for (size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE(cut);
    Load(dir, Bytes(full.begin(), full.begin() + static_cast<long>(cut)), [&](CArchive& ar) {
      DWORD word = 1;
      CString s1("unset"), s2("unset");
      LONG last = 5;
      try {
        ar >> word >> s1 >> s2 >> last;
        FAIL() << "no exception";
      } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
      }
      EXPECT_EQ(word, cut >= 4 ? 42u : 1u);
      EXPECT_EQ(s1, cut >= 8 ? CString("abc") : CString("unset"));
      EXPECT_EQ(s2, cut >= 8 + 3 + 300 ? longText : CString("unset"));
      EXPECT_EQ(last, 5);
    });
  }
}

TEST(CArchiveTest, AbsurdLengthThrowsWithoutAllocating) {
  const Bytes cases[] = {
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'},  // 4 GiB - 1 bytes
      {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x40, 'a', 'b'},  // 1 GiB
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},  // 4 Gi UTF-16 units
      {0xFF, 0xFD, 0xFF, 'a', 'b'},                          // 64 KiB in a 5-byte file
  };
  TempDir dir;
  for (const auto& bytes : cases) {
    Load(dir, bytes, [](CArchive& ar) {
      AllocationProbe probe;
      CString s;
      EXPECT_THROW(ar >> s, CArchiveException);
      EXPECT_LT(probe.Largest(), 64u * 1024u);
      EXPECT_TRUE(s.IsEmpty());
    });
  }
}

TEST(CArchiveTest, WrongDirectionThrows) {
  TempDir dir;
  Store(dir, [](CArchive& ar) {
    DWORD d = 0;
    EXPECT_THROW(ar >> d, CArchiveException);
  });
  Load(dir, Bytes{1, 2, 3, 4}, [](CArchive& ar) { EXPECT_THROW(ar << DWORD{1}, CArchiveException); });
}

TEST(CArchiveTest, DataLargerThanTheBufferPassesWhole) {
  TempDir dir;
  const Bytes bytes = Store(dir, [](CArchive& ar) {
    for (DWORD i = 0; i < 3000; ++i) ar << i << CString("x");
  });
  EXPECT_EQ(bytes.size(), 3000u * 6u);
  Load(dir, bytes, [](CArchive& ar) {
    for (DWORD i = 0; i < 3000; ++i) {
      DWORD v = 0;
      CString s;
      ar >> v >> s;
      ASSERT_EQ(v, i);
      ASSERT_EQ(s, "x");
    }
    BYTE b = 0;
    EXPECT_THROW(ar >> b, CArchiveException);
  });
}

}  // namespace
