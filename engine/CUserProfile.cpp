#include "engine/CUserProfile.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CBlowFish.h"
#include "platform/core/AppDir.h"
#include "platform/core/CArchive.h"
#include "platform/core/CFile.h"

namespace {

constexpr DWORD kDefaultAudioValue2 = 56;
constexpr int kDefaultAudioDelayMs = 200;
constexpr int kFixedListSize = 10;
constexpr mode_t kClientFilePermissions = 0600;  // holds the enciphered password and PIN
constexpr mode_t kCallsFilePermissions = 0600;   // holds the numbers dialled

// Reads `path` through a load archive.  An archive or file exception stops reading and
// keeps what was read.  Returns FALSE when the file does not open.
bool ReadDataFile(const CString& path, const std::function<void(CArchive&)>& body) {
  CFile file;
  if (!file.Open(path, CFile::modeRead)) return false;
  try {
    CArchive ar(&file, CArchive::load);
    body(ar);
    ar.Close();
  } catch (const CException&) {
  }
  file.Close();
  return true;
}

// Replaces `path` with what `body` stores.  On any error the previous file stays.
bool WriteDataFile(const CString& path, mode_t permissions,
                   const std::function<void(CArchive&)>& body) {
  CFile file;
  if (!file.Open(path, CFile::modeCreate | CFile::modeWrite, nullptr, permissions)) return false;
  try {
    CArchive ar(&file, CArchive::store);
    body(ar);
    ar.Close();
  } catch (const CException&) {
    // The archive was aborted, so the file's Close keeps the previous content.
  }
  return file.Close() != FALSE;
}

// A text field goes into two blocks, each taking up to eight bytes with the earlier byte
// more significant: block 2 the last eight bytes, block 1 the eight before them.  Earlier
// bytes are shifted out of block 1 and lost.
void PackField(const CString& text, ULONGLONG& block1, ULONGLONG& block2) {
  const int n = text.GetLength();
  block1 = 0;
  for (int i = 0; i <= n - 9; ++i) block1 = (block1 << 8) | static_cast<BYTE>(text[i]);
  block2 = 0;
  for (int i = std::max(0, n - 8); i < n; ++i) block2 = (block2 << 8) | static_cast<BYTE>(text[i]);
}

// The inverse of PackField: zero bytes above a block's highest non-zero byte are not text.
CString UnpackField(ULONGLONG block1, ULONGLONG block2) {
  CString text;
  for (ULONGLONG block : {block2, block1}) {
    for (; block != 0; block >>= 8) text.Insert(0, static_cast<char>(block & 0xFF));
  }
  return text;
}

void StoreField(CArchive& ar, const CString& text, const CString& key) {
  ULONGLONG block1 = 0;
  ULONGLONG block2 = 0;
  PackField(text, block1, block2);
  CBlowFish cipher;
  cipher.SetKey(key.GetString(), key.GetLength());
  block1 = cipher.EncryptBlock(block1);
  block2 = cipher.EncryptBlock(block2);
  ar << static_cast<DWORD>(block1) << static_cast<DWORD>(block1 >> 32)
     << static_cast<DWORD>(block2) << static_cast<DWORD>(block2 >> 32);
}

// Assigns `text` only once all four words are read.  A text with a zero byte among its
// characters was never stored (the file is damaged or enciphered under another key): the
// field is then damaged and stays empty, as packing it again would lose a zero that lands
// on top of a block and give another text at the next load.
void LoadField(CArchive& ar, CString& text, const CString& key) {
  DWORD l1 = 0, r1 = 0, l2 = 0, r2 = 0;
  ar >> l1 >> r1 >> l2 >> r2;
  CBlowFish cipher;
  cipher.SetKey(key.GetString(), key.GetLength());
  const ULONGLONG block1 = cipher.DecryptBlock((static_cast<ULONGLONG>(r1) << 32) | l1);
  const ULONGLONG block2 = cipher.DecryptBlock((static_cast<ULONGLONG>(r2) << 32) | l2);
  const CString unpacked = UnpackField(block1, block2);
  const std::string_view bytes(unpacked.GetString(), static_cast<size_t>(unpacked.GetLength()));
  if (bytes.find('\0') == std::string_view::npos) text = unpacked;
}

}  // namespace

CUserProfile::CUserProfile() : m_services(ProfileServices::System()) { Start(GetExecutableDirectory()); }

CUserProfile::CUserProfile(const CString& appDir, ProfileServices services)
    : m_services(std::move(services)) {
  CString dir = appDir.IsEmpty() ? CString("./") : appDir;
  if (dir.Right(1) != "/") dir += '/';
  Start(dir);
}

void CUserProfile::Start(const CString& appDir) {
  m_appDir.Format("%s", appDir.GetString());
  g_appDir = m_appDir;
  m_fallbackGatekeeperHost.Empty();
  m_gatekeeperOverride.Empty();
  m_audioFile = m_appDir + kAudioFileName;
  m_uiFile = m_appDir + kUiFileName;
  m_clientFile = m_appDir + kClientFileName;
  m_callsFile = m_appDir + kCallsFileName;
  m_bookFile = m_appDir + kBookFileName;
  m_helpFile = m_appDir + "Varlo.chm";
  std::vector<std::string> problems;
  m_service = ServiceSettings::Load(m_appDir + ServiceSettings::kFileName, &problems);
  for (const std::string& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
  LoadAudioSettings();
  LoadUiSettings();
  LoadClientData();
  LoadCallLists();
}

CUserProfile::~CUserProfile() {
  SaveAudioSettings();
  SaveUiSettings();
  SaveClientData();
  SaveCallLists();
}

void CUserProfile::LoadAudioSettings() {
  m_audioValue1 = 0;
  m_audioValue2 = kDefaultAudioValue2;
  m_audioDelay = kDefaultAudioDelayMs;
  m_playDevice.Empty();
  m_recordDevice.Empty();
  m_ringOutWav = m_appDir + "ringout.wav";
  m_ringInWav = m_appDir + "ringin.wav";
  m_busyWav = m_appDir + "busy.wav";
  bool playRead = false;
  bool recordRead = false;
  ReadDataFile(m_audioFile, [&](CArchive& ar) {
    ar >> m_audioValue1 >> m_audioValue2 >> m_audioDelay >> m_playDevice;
    playRead = true;
    ar >> m_recordDevice;
    recordRead = true;
  });
  // A device the file does not name is the system's default one.  Asking for it looks
  // through every sound card, so it is asked only then.
  const auto defaultOf = [this](SoundDirection direction) {
    return m_services.defaultSoundDevice ? m_services.defaultSoundDevice(direction) : CString();
  };
  if (!playRead) m_playDevice = defaultOf(SoundDirection::Player);
  if (!recordRead) m_recordDevice = defaultOf(SoundDirection::Recorder);
}

void CUserProfile::SaveAudioSettings() {
  WriteDataFile(m_audioFile, CFile::kDefaultPermissions, [this](CArchive& ar) {
    ar << m_audioValue1 << m_audioValue2 << m_audioDelay << m_playDevice << m_recordDevice;
  });
}

void CUserProfile::LoadUiSettings() {
  m_firstRun = 0;
  m_windowLeft = 0;
  m_windowTop = 0;
  const bool opened = ReadDataFile(m_uiFile, [this](CArchive& ar) { ar >> m_windowLeft >> m_windowTop; });
  if (!opened) m_firstRun = 1;
}

void CUserProfile::SaveUiSettings() {
  WriteDataFile(m_uiFile, CFile::kDefaultPermissions,
                [this](CArchive& ar) { ar << m_windowLeft << m_windowTop; });
}

CString CUserProfile::CipherKey() const { return m_gatekeeperId + m_account; }

void CUserProfile::LoadClientData() {
  m_callType = 0;
  m_gatekeeperHost = m_service.gatekeeperAddress;
  m_fallbackGatekeeperHost = m_service.fallbackGatekeeperAddress;
  m_loginMode = 0;
  m_gatekeeperId = kOperatorId;
  m_keepPassword = 0;
  m_keepPin = 0;
  m_account.Empty();
  m_password.Empty();
  m_pin.Empty();
  if (m_services.lookupIPv4) {
    CString address;
    if (m_services.lookupIPv4(m_service.gatekeeper, address)) m_gatekeeperHost = address;
    if (m_services.lookupIPv4(m_service.fallbackGatekeeper, address)) m_fallbackGatekeeperHost = address;
  }
  ReadDataFile(m_clientFile, [this](CArchive& ar) {
    ar >> m_callType >> m_loginMode >> m_keepPassword >> m_keepPin >> m_account;
    if (m_keepPassword) LoadField(ar, m_password, CipherKey());
    if (m_keepPin) LoadField(ar, m_pin, CipherKey());
  });
}

void CUserProfile::SaveClientData() {
  WriteDataFile(m_clientFile, kClientFilePermissions, [this](CArchive& ar) {
    ar << m_callType << m_loginMode << m_keepPassword << m_keepPin << m_account;
    if (m_keepPassword) StoreField(ar, m_password, CipherKey());
    if (m_keepPin) StoreField(ar, m_pin, CipherKey());
  });
}

void CUserProfile::LoadCallLists() {
  m_fixedListCount = kFixedListSize;
  m_fixedList.RemoveAll();
  m_fixedList.SetSize(kFixedListSize);
  m_dialHistory.RemoveAll();
  ReadDataFile(m_callsFile, [this](CArchive& ar) {
    for (int i = 0; i < m_fixedListCount; ++i) ar >> m_fixedList.ElementAt(i);
    DWORD count = 0;
    ar >> count;
    // Every string takes at least its one-byte prefix, so a count beyond the bytes left
    // cannot be honest; the loop stops at the end of the data either way.
    const ULONGLONG possible = std::min<ULONGLONG>(count, ar.BytesLeft());
    for (ULONGLONG i = 0; i < possible; ++i) {
      CString entry;
      ar >> entry;
      m_dialHistory.Add(entry);
    }
  });
}

void CUserProfile::SaveCallLists() {
  WriteDataFile(m_callsFile, kCallsFilePermissions, [this](CArchive& ar) {
    for (int i = 0; i < m_fixedListCount; ++i) {
      ar << (i < m_fixedList.GetSize() ? m_fixedList[i] : CString());
    }
    ar << static_cast<DWORD>(m_dialHistory.GetSize());
    for (int i = 0; i < m_dialHistory.GetSize(); ++i) ar << m_dialHistory[i];
  });
}
