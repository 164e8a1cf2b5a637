#pragma once
// CUserProfile: the user's settings block.  Building it loads "audio.dat", "ui.dat",
// "client.dat" and "calls.dat" from the application directory; destroying it writes them
// back.  The fields are used directly by the rest of the program; there is no lock.
//
// The files are archives of 32-bit words and strings without a header:
//   audio.dat   m_audioValue1, m_audioValue2, m_audioDelay, m_playDevice, m_recordDevice
//   ui.dat      m_windowLeft, m_windowTop
//   client.dat  m_callType, m_loginMode, m_keepPassword, m_keepPin, m_account, then the
//               password (when kept) and the PIN (when kept) as four enciphered words each
//   calls.dat   the fixed list's strings, the dial-history count, the history's strings
// A file that does not open leaves the defaults; a damaged one keeps what was read before
// the damage.  Saving replaces each file as a whole, so a failed save leaves the previous
// file as it was.

#include "engine/ProfileServices.h"
#include "engine/ServiceSettings.h"
#include "platform/core/CString.h"
#include "platform/core/CStringArray.h"

class CUserProfile {
public:
  // The service's gatekeepers: looked up by name at every start, with fixed addresses for
  // when the look-up fails.  These are the defaults; "service.conf" may name others
  // (m_service).
  static constexpr const char* kPrimaryGatekeeperName = ServiceSettings::kDefaultGatekeeper;
  static constexpr const char* kFallbackGatekeeperName = ServiceSettings::kDefaultFallbackGatekeeper;
  static constexpr const char* kPrimaryGatekeeperAddress = ServiceSettings::kDefaultGatekeeperAddress;
  static constexpr const char* kFallbackGatekeeperAddress = ServiceSettings::kDefaultFallbackGatekeeperAddress;
  static constexpr const char* kOperatorId = "KOVA";
  // The data files in the application directory.
  static constexpr const char* kAudioFileName = "audio.dat";
  static constexpr const char* kUiFileName = "ui.dat";
  static constexpr const char* kClientFileName = "client.dat";
  static constexpr const char* kCallsFileName = "calls.dat";
  static constexpr const char* kBookFileName = "pbook.dat";

  // The application directory is the executable's directory.
  CUserProfile();
  // The given directory ("/" is added when missing) and the given system services.
  explicit CUserProfile(const CString& appDir, ProfileServices services = ProfileServices::System());
  virtual ~CUserProfile();
  CUserProfile(const CUserProfile&) = delete;
  CUserProfile& operator=(const CUserProfile&) = delete;

  void LoadAudioSettings();
  void SaveAudioSettings();
  void LoadUiSettings();
  void SaveUiSettings();
  void LoadClientData();
  void SaveClientData();
  void LoadCallLists();
  void SaveCallLists();

  DWORD m_audioValue1 = 0;
  DWORD m_audioValue2 = 56;
  int m_audioDelay = 200;  // milliseconds
  CString m_playDevice;
  CString m_recordDevice;
  CString m_ringOutWav;
  CString m_ringInWav;
  CString m_busyWav;
  BOOL m_firstRun = 0;  // "ui.dat" could not be opened at start
  LONG m_windowLeft = 0;
  LONG m_windowTop = 0;
  int m_callType = 0;  // 0 PC to PC, otherwise calls through the service
  CString m_gatekeeperHost;
  CString m_fallbackGatekeeperHost;
  CString m_gatekeeperOverride;  // one-shot address for the next login
  int m_loginMode = 0;           // 0 none, 1 account, 2 calling card
  CString m_gatekeeperId = kOperatorId;
  BOOL m_keepPassword = 0;
  BOOL m_keepPin = 0;
  CString m_account;
  CString m_password;
  CString m_pin;
  CStringArray m_dialHistory;  // most recent first
  int m_fixedListCount = 10;
  CStringArray m_fixedList;
  CString m_appDir;  // with a trailing "/"
  CString m_audioFile;
  CString m_uiFile;
  CString m_clientFile;
  CString m_callsFile;
  CString m_bookFile;
  CString m_helpFile;
  // The service's host names, addresses and web pages ("service.conf").
  ServiceSettings m_service;

private:
  void Start(const CString& appDir);
  CString CipherKey() const;

  ProfileServices m_services;
};
