#include "engine/CUserProfile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/CBlowFish.h"
#include "platform/core/AppDir.h"
#include "tests/platform/core/AllocationProbe.h"
#include "tests/platform/core/TempDir.h"

namespace {

// Look-ups fail unless a table answers; the sound system's defaults are fixed names.
ProfileServices FakeServices(std::map<std::string, std::string> answers = {},
                             std::vector<std::string>* asked = nullptr) {
  ProfileServices services;
  services.lookupIPv4 = [answers, asked](const char* host, CString& dotted) -> BOOL {
    if (asked != nullptr) asked->push_back(host);
    const auto it = answers.find(host);
    if (it == answers.end()) return FALSE;
    dotted = it->second.c_str();
    return TRUE;
  };
  services.defaultSoundDevice = [](SoundDirection d) {
    return CString(d == SoundDirection::Player ? "play-dev" : "rec-dev");
  };
  return services;
}

std::unique_ptr<CUserProfile> Open(const TempDir& dir) {
  return std::make_unique<CUserProfile>(CString(dir.Path().c_str()), FakeServices());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A short archive string: one length byte, then the characters.
Bytes Str(const std::string& s) {
  Bytes out(1, static_cast<unsigned char>(s.size()));
  for (char c : s) out.push_back(static_cast<unsigned char>(c));
  return out;
}

// Hand-built files of a filled profile.
const Bytes kAudio = {0x07, 0, 0, 0, 0x39, 0, 0, 0, 0xFA, 0, 0, 0,  // 7, 57, 250 ms
                      0x04, 'h', 'w', ':', '0', 0x03, 'm', 'i', 'c'};
const Bytes kUi = {0xFB, 0xFF, 0xFF, 0xFF, 0x2C, 0x01, 0x00, 0x00};  // -5, 300
// Call type 1, login mode 2, both kept, account "alice"; password "secret" and PIN
// "123456789012" enciphered under "KOVAalice" (words computed by a separate model of the
// cipher).
const Bytes kClient = {1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 5, 'a', 'l', 'i', 'c', 'e',
                       0xAC, 0xBB, 0xB9, 0x51, 0x58, 0x3C, 0xB8, 0xCE,
                       0x38, 0x8B, 0x45, 0x16, 0xB5, 0x16, 0x25, 0xC5,
                       0x3A, 0x1C, 0xCB, 0xF8, 0x44, 0x74, 0xA9, 0x95,
                       0x57, 0xC1, 0xD7, 0x6F, 0xD6, 0xDC, 0x4A, 0x2C};
const std::vector<std::string> kHistory = {"0101", "0102", "0103", "0104", "0105",
                                           "0106", "0107", "0108", "0109", "0110",
                                           "0111", "0112", "0113", "0114", "55512345"};
Bytes CallsFixture() {
  Bytes out = {1, 'x', 0, 0, 0, 0, 0, 0, 0, 0, 4, 'l', 'a', 's', 't', 15, 0, 0, 0};
  for (const auto& h : kHistory) out = Cat({out, Str(h)});
  return out;
}
const Bytes kCalls = CallsFixture();

void WriteFixtures(const TempDir& dir) {
  WriteBytes(dir / "audio.dat", kAudio);
  WriteBytes(dir / "ui.dat", kUi);
  WriteBytes(dir / "client.dat", kClient);
  WriteBytes(dir / "calls.dat", kCalls);
}

TEST(CUserProfileTest, FirstStartHasDefaultsAndWritesDefaultFiles) {
  TempDir dir;
  const CString appDir(dir.Path().c_str());
  {
    auto p = Open(dir);
    EXPECT_EQ(p->m_appDir, appDir);
    EXPECT_EQ(g_appDir, appDir);
    EXPECT_EQ(p->m_audioFile, appDir + "audio.dat");
    EXPECT_EQ(p->m_uiFile, appDir + "ui.dat");
    EXPECT_EQ(p->m_clientFile, appDir + "client.dat");
    EXPECT_EQ(p->m_callsFile, appDir + "calls.dat");
    EXPECT_EQ(p->m_bookFile, appDir + "pbook.dat");
    EXPECT_EQ(p->m_helpFile, appDir + "Varlo.chm");
    EXPECT_EQ(p->m_audioValue1, 0u);
    EXPECT_EQ(p->m_audioValue2, 56u);
    EXPECT_EQ(p->m_audioDelay, 200);
    EXPECT_EQ(p->m_playDevice, "play-dev");
    EXPECT_EQ(p->m_recordDevice, "rec-dev");
    EXPECT_EQ(p->m_ringOutWav, appDir + "ringout.wav");
    EXPECT_EQ(p->m_ringInWav, appDir + "ringin.wav");
    EXPECT_EQ(p->m_busyWav, appDir + "busy.wav");
    EXPECT_EQ(p->m_firstRun, 1);
    EXPECT_EQ(p->m_windowLeft, 0);
    EXPECT_EQ(p->m_windowTop, 0);
    EXPECT_EQ(p->m_callType, 0);
    EXPECT_EQ(p->m_gatekeeperHost, "203.0.113.10");
    EXPECT_EQ(p->m_fallbackGatekeeperHost, "203.0.113.11");
    EXPECT_TRUE(p->m_gatekeeperOverride.IsEmpty());
    EXPECT_EQ(p->m_loginMode, 0);
    EXPECT_EQ(p->m_gatekeeperId, "KOVA");
    EXPECT_EQ(p->m_keepPassword, 0);
    EXPECT_EQ(p->m_keepPin, 0);
    EXPECT_TRUE(p->m_account.IsEmpty());
    EXPECT_TRUE(p->m_password.IsEmpty());
    EXPECT_TRUE(p->m_pin.IsEmpty());
    EXPECT_EQ(p->m_dialHistory.GetSize(), 0);
    EXPECT_EQ(p->m_fixedListCount, 10);
    ASSERT_EQ(p->m_fixedList.GetSize(), 10);
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(p->m_fixedList[i].IsEmpty());
    EXPECT_TRUE(dir.Entries().empty());  // nothing is written before the end
  }
  EXPECT_EQ(ReadBytes(dir / "audio.dat"),
            Cat({{0, 0, 0, 0, 56, 0, 0, 0, 200, 0, 0, 0}, Str("play-dev"), Str("rec-dev")}));
  EXPECT_EQ(ReadBytes(dir / "ui.dat"), Bytes(8, 0));
  EXPECT_EQ(ReadBytes(dir / "client.dat"), Bytes(17, 0));
  EXPECT_EQ(ReadBytes(dir / "calls.dat"), Bytes(14, 0));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"audio.dat", "calls.dat", "client.dat", "ui.dat"}));
  struct stat st {};
  ASSERT_EQ(::stat((dir / "client.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(CUserProfileTest, GatekeeperAddressesComeFromTheLookUps) {
  TempDir dir;
  std::vector<std::string> asked;
  CUserProfile p(CString(dir.Path().c_str()),
                 FakeServices({{CUserProfile::kPrimaryGatekeeperName, "198.51.100.7"}}, &asked));
  EXPECT_EQ(asked, (std::vector<std::string>{CUserProfile::kPrimaryGatekeeperName, CUserProfile::kFallbackGatekeeperName}));
  EXPECT_EQ(p.m_gatekeeperHost, "198.51.100.7");
  EXPECT_EQ(p.m_fallbackGatekeeperHost, "203.0.113.11");  // failed look-up: the fixed address
}

TEST(CUserProfileTest, FilledFilesLoadAndAreWrittenBackByteForByte) {
  TempDir dir;
  WriteFixtures(dir);
  {
    auto p = Open(dir);
    EXPECT_EQ(p->m_audioValue1, 7u);
    EXPECT_EQ(p->m_audioValue2, 57u);
    EXPECT_EQ(p->m_audioDelay, 250);
    EXPECT_EQ(p->m_playDevice, "hw:0");
    EXPECT_EQ(p->m_recordDevice, "mic");
    EXPECT_EQ(p->m_firstRun, 0);
    EXPECT_EQ(p->m_windowLeft, -5);
    EXPECT_EQ(p->m_windowTop, 300);
    EXPECT_EQ(p->m_callType, 1);
    EXPECT_EQ(p->m_loginMode, 2);
    EXPECT_EQ(p->m_keepPassword, 1);
    EXPECT_EQ(p->m_keepPin, 1);
    EXPECT_EQ(p->m_account, "alice");
    EXPECT_EQ(p->m_password, "secret");
    EXPECT_EQ(p->m_pin, "123456789012");
    EXPECT_EQ(p->m_fixedList[0], "x");
    EXPECT_EQ(p->m_fixedList[9], "last");
    ASSERT_EQ(p->m_dialHistory.GetSize(), 15);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(p->m_dialHistory[i], kHistory[static_cast<size_t>(i)].c_str());
  }
  EXPECT_EQ(ReadBytes(dir / "audio.dat"), kAudio);
  EXPECT_EQ(ReadBytes(dir / "ui.dat"), kUi);
  EXPECT_EQ(ReadBytes(dir / "client.dat"), kClient);
  EXPECT_EQ(ReadBytes(dir / "calls.dat"), kCalls);
}

// Asking for a default device looks through every sound card: a start whose audio file
// names both devices asks for none.
TEST(CUserProfileTest, DefaultSoundDevicesAreAskedForOnlyWhenTheAudioFileNamesNone) {
  struct Case {
    const char* what;
    std::optional<size_t> audioBytes;  // how much of the filled file is there; none: no file
    std::vector<SoundDirection> asked;
  };
  const Case cases[] = {
      {"both named", kAudio.size(), {}},
      {"no file", std::nullopt, {SoundDirection::Player, SoundDirection::Recorder}},
      {"only the playback device", 17, {SoundDirection::Recorder}},
      {"cut inside the playback device", 14, {SoundDirection::Player, SoundDirection::Recorder}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    if (c.audioBytes) WriteBytes(dir / "audio.dat", Bytes(kAudio.begin(), kAudio.begin() + static_cast<long>(*c.audioBytes)));
    std::vector<SoundDirection> asked;
    ProfileServices services = FakeServices();
    const auto answer = services.defaultSoundDevice;
    services.defaultSoundDevice = [&asked, answer](SoundDirection d) {
      asked.push_back(d);
      return answer(d);
    };
    CUserProfile profile(CString(dir.Path().c_str()), services);
    EXPECT_EQ(asked, c.asked);
  }
}

TEST(CUserProfileTest, FieldsSetInMemoryAreWrittenAsTheHandBuiltFiles) {
  TempDir dir;
  {
    auto p = Open(dir);
    p->m_audioValue1 = 7;
    p->m_audioValue2 = 57;
    p->m_audioDelay = 250;
    p->m_playDevice = "hw:0";
    p->m_recordDevice = "mic";
    p->m_windowLeft = -5;
    p->m_windowTop = 300;
    p->m_callType = 1;
    p->m_loginMode = 2;
    p->m_keepPassword = 1;
    p->m_keepPin = 1;
    p->m_account = "alice";
    p->m_password = "secret";
    p->m_pin = "123456789012";
    p->m_fixedList[0] = "x";
    p->m_fixedList[9] = "last";
    for (const auto& h : kHistory) p->m_dialHistory.Add(h.c_str());
  }
  EXPECT_EQ(ReadBytes(dir / "audio.dat"), kAudio);
  EXPECT_EQ(ReadBytes(dir / "ui.dat"), kUi);
  EXPECT_EQ(ReadBytes(dir / "client.dat"), kClient);
  EXPECT_EQ(ReadBytes(dir / "calls.dat"), kCalls);
}

// A file cut short anywhere keeps the values that lie wholly before the cut.
TEST(CUserProfileTest, FilesCutShortKeepWhatWasReadBeforeTheCut) {
  using Check = std::function<void(const CUserProfile&, bool fromFile)>;
  struct Field {
    size_t end;  // offset just past the value
    Check check;
  };
  struct File {
    const char* name;
    const Bytes& bytes;
    std::vector<Field> fields;
  };
  std::vector<Field> callsFields = {
      {2, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_fixedList[0], f ? "x" : ""); }},
      {15, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_fixedList[9], f ? "last" : ""); }},
  };
  size_t end = 19;
  for (size_t i = 0; i < kHistory.size(); ++i) {
    end += 1 + kHistory[i].size();
    callsFields.push_back({end, [i](const CUserProfile& p, bool f) {
                             EXPECT_EQ(p.m_dialHistory.GetSize() > static_cast<int>(i), f);
                           }});
  }
  const File files[] = {
      {"audio.dat", kAudio,
       {{4, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_audioValue1, f ? 7u : 0u); }},
        {8, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_audioValue2, f ? 57u : 56u); }},
        {12, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_audioDelay, f ? 250 : 200); }},
        {17, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_playDevice, f ? "hw:0" : "play-dev"); }},
        {21, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_recordDevice, f ? "mic" : "rec-dev"); }}}},
      {"ui.dat", kUi,
       {{0, [](const CUserProfile& p, bool) { EXPECT_EQ(p.m_firstRun, 0); }},
        {4, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_windowLeft, f ? -5 : 0); }},
        {8, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_windowTop, f ? 300 : 0); }}}},
      {"client.dat", kClient,
       {{4, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_callType, f ? 1 : 0); }},
        {8, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_loginMode, f ? 2 : 0); }},
        {12, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_keepPassword, f ? 1 : 0); }},
        {16, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_keepPin, f ? 1 : 0); }},
        {22, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_account, f ? "alice" : ""); }},
        {38, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_password, f ? "secret" : ""); }},
        {54, [](const CUserProfile& p, bool f) { EXPECT_EQ(p.m_pin, f ? "123456789012" : ""); }}}},
      {"calls.dat", kCalls, callsFields},
  };
  for (const auto& file : files) {
    for (size_t cut = 0; cut < file.bytes.size(); ++cut) {
      SCOPED_TRACE(std::string(file.name) + " cut at " + std::to_string(cut));
      TempDir dir;
      WriteBytes(dir / file.name, Bytes(file.bytes.begin(), file.bytes.begin() + static_cast<long>(cut)));
      auto p = Open(dir);
      for (const auto& field : file.fields) field.check(*p, cut >= field.end);
    }
  }
}

TEST(CUserProfileTest, AbsurdLengthsDoNotAllocate) {
  TempDir dir;
  // Audio: a device-name length of 4 GiB - 1 in a 19-byte file.
  WriteBytes(dir / "audio.dat", {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  // Calls: a history count of 4 Gi with two strings present.
  WriteBytes(dir / "calls.dat", Cat({Bytes(10, 0), {0xFF, 0xFF, 0xFF, 0xFF}, Str("123"), Str("4567")}));
  AllocationProbe probe;
  auto p = Open(dir);
  EXPECT_LT(probe.Largest(), 64u * 1024u);
  EXPECT_EQ(p->m_audioDelay, 3);
  EXPECT_EQ(p->m_playDevice, "play-dev");
  ASSERT_EQ(p->m_dialHistory.GetSize(), 2);
  EXPECT_EQ(p->m_dialHistory[1], "4567");
}

TEST(CUserProfileTest, PasswordStorage) {
  struct Case {
    const char* password;
    BOOL keep;
    const char* reloaded;
  } cases[] = {
      {"", 1, ""},
      {"p", 1, "p"},
      {"12345678", 1, "12345678"},
      {"123456789", 1, "123456789"},
      {"0123456789abcdef", 1, "0123456789abcdef"},
      {"ABCD0123456789abcdef", 1, "0123456789abcdef"},  // only the last 16 bytes are kept
      {"\xC3\xA9t\xC3\xA9", 1, "\xC3\xA9t\xC3\xA9"},
      {"secret", 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.password);
    TempDir dir;
    {
      auto p = Open(dir);
      p->m_account = "bob";
      p->m_password = c.password;
      p->m_keepPassword = c.keep;
    }
    // 16 bytes of flags, the account "bob", and 16 bytes when the password is kept.
    EXPECT_EQ(ReadBytes(dir / "client.dat").size(), c.keep ? 36u : 20u);
    auto p = Open(dir);
    EXPECT_EQ(p->m_password, c.reloaded);
    EXPECT_EQ(p->m_account, "bob");
  }
}

// Four little-endian words of a field's two blocks enciphered under `key`.
Bytes EncipheredField(ULONGLONG block1, ULONGLONG block2, const char* key) {
  CBlowFish cipher;
  cipher.SetKey(key, static_cast<int>(std::strlen(key)));
  Bytes out;
  for (ULONGLONG block : {cipher.EncryptBlock(block1), cipher.EncryptBlock(block2)}) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<unsigned char>(block >> (8 * i)));
  }
  return out;
}

// A damaged file (or one enciphered under another key) whose deciphered password or PIN
// holds zero bytes among its characters: no such text is ever typed, and packing it again
// can move a zero to the top of a block, where it is lost (the file would then give another
// PIN at each start).  Such a field counts as damaged and is left empty; a field whose
// blocks merely split its text unevenly is kept.  Loading, saving and loading again gives
// the same fields.
TEST(CUserProfileTest, AFieldWithZeroBytesInsideIsDamaged) {
  struct Case {
    const char* what;
    ULONGLONG block1, block2;
    const char* loaded;
  };
  const Case cases[] = {
      {"zeros among the last eight", 0, 0x4100420000004300ULL, ""},
      {"a zero that packing moves to the top of the last eight", 0x4100ULL, 0x42434445464748ULL, ""},
      {"an uneven split, no zero", 0x31ULL, 0x0032333435363738ULL, "12345678"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    // Call type 1, login mode 2, password and PIN kept, account "alice".
    WriteBytes(dir / "client.dat", Cat({{1, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, Str("alice"),
                                        EncipheredField(c.block1, c.block2, "KOVAalice"),
                                        EncipheredField(c.block1, c.block2, "KOVAalice")}));
    std::vector<std::string> pins;
    for (int load = 0; load < 2; ++load) {
      auto p = Open(dir);  // saved again when it goes
      pins.emplace_back(p->m_pin.GetString(), static_cast<size_t>(p->m_pin.GetLength()));
      EXPECT_EQ(pins.back(), c.loaded) << "load " << load;
      EXPECT_EQ(p->m_password, c.loaded) << "load " << load;
      EXPECT_EQ(p->m_account, "alice");
      EXPECT_EQ(p->m_keepPin, 1);
      EXPECT_EQ(p->m_loginMode, 2);
    }
    EXPECT_EQ(pins[1], pins[0]);
  }
}

TEST(CUserProfileTest, ChangedAccountReenciphersUnderTheNewKey) {
  TempDir dir;
  WriteFixtures(dir);
  { Open(dir)->m_account = "bob"; }
  const Bytes saved = ReadBytes(dir / "client.dat");
  ASSERT_EQ(saved.size(), kClient.size() - 2);
  EXPECT_NE(Bytes(saved.begin() + 20, saved.begin() + 36), Bytes(kClient.begin() + 22, kClient.begin() + 38));
  auto p = Open(dir);
  EXPECT_EQ(p->m_account, "bob");
  EXPECT_EQ(p->m_password, "secret");
  EXPECT_EQ(p->m_pin, "123456789012");
}

// Runs in a child process where no file may grow past 10 bytes.
[[noreturn]] void SaveUnderSizeLimit(const std::string& dirPath) {
  ::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{10, 10};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  {
    CUserProfile p(CString(dirPath.c_str()), FakeServices());
    p.m_windowLeft = 1;                             // ui.dat: 8 bytes, fits
    p.m_playDevice = "a much longer device name";  // audio.dat cannot be written
  }
  std::_Exit(0);
}

TEST(CUserProfileTest, FailedSaveKeepsThePreviousFiles) {
  TempDir dir;
  WriteFixtures(dir);
  EXPECT_EXIT(SaveUnderSizeLimit(dir.Path()), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadBytes(dir / "audio.dat"), kAudio);
  EXPECT_EQ(ReadBytes(dir / "ui.dat"), (Bytes{1, 0, 0, 0, 0x2C, 0x01, 0, 0}));
  EXPECT_EQ(ReadBytes(dir / "client.dat"), kClient);
  EXPECT_EQ(ReadBytes(dir / "calls.dat"), kCalls);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"audio.dat", "calls.dat", "client.dat", "ui.dat"}));
}

// Runs in a child process; root gives up its rights first, since it may write anywhere.
[[noreturn]] void SaveIntoReadOnlyDirectory(const std::string& dirPath) {
  if (::geteuid() == 0 && ::setuid(65534) != 0) std::_Exit(2);
  {
    CUserProfile p(CString(dirPath.c_str()), FakeServices());
    if (p.m_windowTop != 300) std::_Exit(3);  // the files were read
    p.m_windowLeft = 1;
    p.m_account = "changed";
  }
  std::_Exit(0);
}

TEST(CUserProfileTest, ReadOnlyDirectoryKeepsThePreviousFiles) {
  TempDir dir;
  WriteFixtures(dir);
  for (const auto& name : dir.Entries()) ::chmod((dir / name).c_str(), 0644);
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
  EXPECT_EXIT(SaveIntoReadOnlyDirectory(dir.Path()), ::testing::ExitedWithCode(0), "");
  ::chmod(dir.Path().c_str(), 0700);
  EXPECT_EQ(ReadBytes(dir / "audio.dat"), kAudio);
  EXPECT_EQ(ReadBytes(dir / "ui.dat"), kUi);
  EXPECT_EQ(ReadBytes(dir / "client.dat"), kClient);
  EXPECT_EQ(ReadBytes(dir / "calls.dat"), kCalls);
  EXPECT_EQ(dir.Entries().size(), 4u);
}

TEST(CUserProfileTest, UnwritableDirectoryIsSurvived) {
  TempDir dir;
  {
    CUserProfile p(CString((dir / "gone").c_str()), FakeServices());
    EXPECT_EQ(p.m_appDir, CString((dir / "gone/").c_str()));
    EXPECT_EQ(p.m_firstRun, 1);
  }
  EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
