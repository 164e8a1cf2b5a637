// CVarloDlg: the skinned telephone window (dialog 102) and the program's main window.  It
// owns the endpoint, the user profile, the call-duration display, the web banner, one
// sound channel and all its skin controls, and every worker thread, stack thread and
// child window reports to it by the messages of VarloMessages.h.
//
// Its code lies in several files by concern: CVarloDlg.cpp (construction, data exchange,
// initialisation, teardown, message map), CVarloDlgSkin.cpp (shape, layout, colours,
// painting, docking), CVarloDlgStatus.cpp (status panel and talk log),
// CVarloDlgCalls.cpp (call control), CVarloDlgLogin.cpp (service login, media relay and the
// launcher's notices), CVarloDlgKeys.cpp (keypad, keyboard and handset),
// CVarloDlgLevels.cpp (volume and microphone levels and the mixer), CVarloDlgSound.cpp
// (timers, call lamp, busy tone and ringing), CVarloDlgWizard.cpp (audio set-up wizard),
// CVarloDlgOptions.cpp (options sheet), CVarloDlgBook.cpp (contact book),
// CVarloDlgQuickDial.cpp (quick-dial panel) and CVarloDlgCommands.cpp (menus, web pages,
// help and the other buttons).
#pragma once
#include <atomic>
#include <memory>

#include "engine/CPhoneEndPoint.h"
#include "engine/CUserProfile.h"
#include "engine/PhoneRelayEndpoint.h"
#include "engine/RegisterParams.h"
#include "engine/RegisterRunner.h"
#include "engine/RelayClient.h"
#include "engine/ProfileServices.h"
#include "platform/core/CString.h"
#include "platform/core/WorkerThread.h"
#include "platform/win/CodeLibrary.h"
#include "platform/win/Controls.h"
#include "platform/win/Dialog.h"
#include "platform/win/Gdi.h"
#include "platform/win/Menu.h"
#include "platform/win/Mixer.h"
#include "stack/sound/PSoundChannel.h"
#include "ui/CCallTimerDlg.h"
#include "ui/CHtmlCtrl.h"
#include "ui/CNumberComboBox.h"
#include "ui/CSkinButton.h"

class CPhoneBookDlg;
class CPhoneLogDlg;
class CQuickDialDlg;

class CVarloDlg : public CDialog {
 public:
  enum { IDD = 102 };
  static constexpr int kWindowWidth = 471;
  static constexpr int kWindowHeight = 291;
  static constexpr int kCornerEllipse = 31;
  static constexpr COLORREF kEditBkColor = 0x00372807;    // red 7, green 40, blue 55
  static constexpr COLORREF kEditTextColor = 0x00FFFFFF;
  static constexpr COLORREF kPanelTextColor = 0x00FFAE63;  // red 99, green 174, blue 255
  static constexpr COLORREF kBarUnlitColor = 0x00614326;   // red 38, green 67, blue 97
  static constexpr int kMaxLevel = 16;
  static constexpr UINT_PTR kFirstRunTimer = 1;
  static constexpr UINT kFirstRunTimerMs = 100;
  static constexpr UINT_PTR kCallLampTimer = 3;
  static constexpr UINT kCallLampTimerMs = 300;
  // Exit during a call waits this long for the call's end before it quits anyway.
  static constexpr UINT_PTR kExitTimer = 4;
  static constexpr UINT kExitWaitMs = 5000;
  // Kinds of WriteDisplayLine.
  static constexpr int kLineRepaint = 0;
  static constexpr int kLineMode = 1;
  static constexpr int kLineCall = 2;
  static constexpr int kLinePlain = -1;

  // The profile in the executable's directory, with the system's services.
  explicit CVarloDlg(CWnd* parent = nullptr);
  // The profile in appDir, with the given services.
  CVarloDlg(const CString& appDir, ProfileServices services, CWnd* parent = nullptr);
  ~CVarloDlg() override;

  CUserProfile* GetConfig() { return &m_profile; }
  CMenu* GetPopupMenu() { return &m_popupMenu; }

  // --- call control ---
  void PlaceCall();
  void OnCall();
  void OnHang();
  void OnExit();

  // --- media relay ---
  BOOL FindRelayServer();
  BOOL RequestRelay();
  void SendRelayRelease();
  // Points the relay client at another relay host, resolver or port (tests use a
  // loopback relay).
  void SetRelaySettings(CRelayClient::Settings settings);

  // --- keypad and handset ---
  void OnDial(char key);
  void OnPhoneKey(UINT code);

  // --- audio set-up wizard ---
  void OnAudioWizard();

  // --- levels and mixer ---
  // Closes the mixer unless closeFirst is FALSE, opens the one of the profile's playback
  // device for this window, finds its controls and reads both levels from it.
  void ReopenMixer(BOOL closeFirst = TRUE);

  // --- contact book and quick-dial panel ---
  // Called by the book and the panel while their windows are being destroyed, so that
  // the main window never keeps the address of a window that is gone.
  void BookWindowGone(CPhoneBookDlg* book);
  void QuickDialWindowGone(CQuickDialDlg* panel);

  // --- status panel and talk log ---
  void SetNumberText(const CString& text);
  void SetStatusText(const CString& text);
  void ShowStatus(UINT stringId);
  void SetModeText(const CString& text);
  void ShowMode(UINT stringId);
  void ShowAvailableTime(DWORD seconds);
  void SetBalanceText(const CString& text);
  void WriteDisplayLine(int kind, CString text);
  void LogString(UINT stringId);
  void PaintStatusPanel();

  // --- skin ---
  void LayoutSkin();

  BOOL PreTranslateMessage(MSG* msg) override;

  // Members in the order in which they are built.
  CNumberComboBox m_numberBox;
  CSkinButton m_homePageButton;
  CSkinButton m_keyHash;
  CSkinButton m_keyStar;
  CSkinButton m_key9;
  CSkinButton m_key8;
  CSkinButton m_key7;
  CSkinButton m_key6;
  CSkinButton m_key5;
  CSkinButton m_key4;
  CSkinButton m_key3;
  CSkinButton m_key2;
  CSkinButton m_key1;
  CSkinButton m_key0;
  CSkinButton m_yellowPageButton;
  CSkinButton m_bookButton;
  CSkinButton m_talkLogButton;
  CSkinButton m_callButton;
  CSkinButton m_hangButton;
  CSkinButton m_myAccountButton;
  CBitmapButton m_helpButton;
  CBitmapButton m_exitButton;
  CBitmapButton m_minimizeButton;
  CBitmapButton m_menuButton;
  CBitmapButton m_volumeUpButton;
  CBitmapButton m_volumeDownButton;
  CBitmapButton m_micUpButton;
  CBitmapButton m_micDownButton;
  CBitmapButton m_lineLamp;
  CBitmapButton m_callLamp;
  CSkinButton m_sideButton;
  CString m_number;
  CBitmap m_bkBitmap;
  CBrush m_bkBrush;
  CRgn m_windowRgn;
  int m_windowWidth = kWindowWidth;
  int m_windowHeight = kWindowHeight;
  CBrush m_editBrush;
  COLORREF m_editBkColor = kEditBkColor;
  COLORREF m_editTextColor = kEditTextColor;
  int m_exitHover = 0;
  int m_exitPending = 0;
  int m_bookOpen = 0;
  int m_quickDialOpen = 0;
  int m_logOpen = 0;
  RegisterParams* m_registerParams = nullptr;
  CString m_registerError;
  CString m_admissionError;
  HWND m_launcherWnd = nullptr;
  COPYDATASTRUCT m_copyData{};
  int m_callState = 0;
  int m_lampPhase = 0;
  CPhoneEndPoint m_endpoint;
  CUserProfile m_profile;
  CMenu m_popupMenu;
  CCallTimerDlg m_callTimer;
  CHtmlCtrl m_banner;
  CPhoneBookDlg* m_bookDlg = nullptr;       // the contact book, when there is one
  CQuickDialDlg* m_quickDialDlg = nullptr;  // the quick-dial panel, when there is one
  CPhoneLogDlg* m_logDlg = nullptr;
  PSoundChannel m_sound;
  // Plays the busy tone on m_sound; declared after it, so that it is joined first.
  WorkerThread m_busyToneThread;
  // The handset library beside the executable; not loaded when there is no handset.
  CodeLibrary m_phoneLibrary;
  int m_micLevel = 0;
  int m_speakerLevel = 0;
  DWORD m_micVolume = 0;
  DWORD m_speakerVolume = 0;
  CString m_relayToken;
  CString m_relayCheck;
  CString m_relayServer;
  CString m_numberText;
  CString m_statusText;
  CString m_availableTimeText;
  CString m_modeText;
  CString m_balanceText;
  CString m_lastBalanceText;
  int m_historyIndex = 0;
  HICON m_hIcon = nullptr;
  // The relay client, on the endpoint's fast start, RTP ports and relay state.
  CPhoneRelayEndpoint m_relayEndpoint{m_endpoint};
  std::unique_ptr<CRelayClient> m_relayClient;
  // Runs the registration workers.  Declared last, so that it is destroyed first: its
  // workers are joined while the endpoint they use still exists.
  CRegisterRunner m_registerRunner;
  // The relay's pair of the current call has been released (a local hang-up releases it
  // before the call's end would).
  bool m_relayReleased = false;
  // The current call was placed here (from dialling until it clears), and it has been
  // connected: a call that was neither came in from another phone.
  bool m_placedCall = false;
  bool m_callUp = false;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;

  void OnSysCommand(UINT id, LPARAM lParam);
  void OnPaint();
  HICON OnQueryDragIcon();
  void OnDestroy();
  LRESULT OnNcHitTest(CPoint point);
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);
  void OnHelp();
  void OnMinimize();
  void OnKey0();
  void OnKey1();
  void OnKey2();
  void OnKey3();
  void OnKey4();
  void OnKey5();
  void OnKey6();
  void OnKey7();
  void OnKey8();
  void OnKey9();
  void OnKeyStar();
  void OnKeyHash();
  void OnHomePage();
  void OnBook();
  void OnYellowPage();
  void OnMyAccount();
  BOOL OnCopyData(CWnd* wnd, COPYDATASTRUCT* data);
  void OnTimer(UINT_PTR id);
  void OnNcMouseMove(UINT hitTest, CPoint point);
  void OnNcLButtonDown(UINT hitTest, CPoint point);
  void OnQuickDial();
  void OnVolumeUp();
  void OnVolumeDown();
  void OnMicUp();
  void OnMicDown();
  void OnMove(int x, int y);
  void OnTalkLog();
  void OnMenuButton();
  void OnMenuAbout();
  void OnMenuMyAccount();
  void OnMenuExit();
  void OnMenuLog();
  void OnMenuHelp();
  LRESULT OnRegistered(WPARAM wParam, LPARAM lParam);
  LRESULT OnRegisterFailed(WPARAM wParam, LPARAM lParam);
  LRESULT OnAccountLogin(WPARAM wParam, LPARAM lParam);
  LRESULT OnCardLogin(WPARAM wParam, LPARAM lParam);
  LRESULT OnListenerTaken(WPARAM wParam, LPARAM lParam);
  LRESULT OnRemoteRinging(WPARAM wParam, LPARAM lParam);
  LRESULT OnCallConnected(WPARAM wParam, LPARAM lParam);
  LRESULT OnCallCleared(WPARAM wParam, LPARAM lParam);
  LRESULT OnDevicesChanged(WPARAM wParam, LPARAM lParam);
  LRESULT OnBookClosed(WPARAM wParam, LPARAM lParam);
  LRESULT OnLogClosed(WPARAM wParam, LPARAM lParam);
  LRESULT OnQuickDialClosed(WPARAM wParam, LPARAM lParam);
  LRESULT OnAvailableTime(WPARAM wParam, LPARAM lParam);
  LRESULT OnDropCall(WPARAM wParam, LPARAM lParam);
  LRESULT OnBalance(WPARAM wParam, LPARAM lParam);
  LRESULT OnRegisterError(WPARAM wParam, LPARAM lParam);
  LRESULT OnAdmissionError(WPARAM wParam, LPARAM lParam);
  LRESULT OnUnregister(WPARAM wParam, LPARAM lParam);
  LRESULT OnMixerControlChange(WPARAM wParam, LPARAM lParam);
  // The handset library's key and device callbacks, handed to this window's thread.
  LRESULT OnPhoneKeyMessage(WPARAM wParam, LPARAM lParam);
  LRESULT OnPhoneDeviceMessage(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

 private:
  void Construct();
  // Puts a face on a bitmap button and places it (size: the bitmap's when cx is 0).
  static void SetFace(CBitmapButton& button, UINT normal, UINT pressed, int x, int y, int cx = 0, int cy = 0);
  void SetCallButtonFace(UINT normal, UINT pressed, const char* tooltip);
  void SetCallLamp(UINT bitmap);
  void ShowIdleLook();
  // An answered incoming call: the number line shows the caller's name, and the duration
  // counts from 00:00:00 rather than showing the previous call's.
  void ShowIncomingCall();
  // Releases the media relay's pair unless this call's was released already.
  void ReleaseRelayOnce();
  void SetLineLamp(UINT bitmap);
  // Fills the login block's addresses, the one-shot override first.
  void PrepareLoginAddresses();
  void StartLogin(const CString& alias, const CString& password);
  void InvalidateLevelBars();
  void ChangeLevel(int& level, int delta);

  // Handset library: loaded and opened during initialisation, closed first at teardown.
  void OpenHandset();
  void BindHandset();
  void CloseHandset();
  // Mixer at teardown.
  void CloseMainMixer();
  // Busy tone: started when the called party is busy; StopBusyTone ends and joins it.
  void StartBusyTone();
  void StopBusyTone();
  // Ringing: the sound channel while the called party rings.
  void OpenRingingChannel();
  // The sound-device check before a call: runs the audio wizard when the profile's
  // playback or recording device is missing.
  void CheckSoundDevices();
  // Teardown of the quick-dial panel while the main window goes.
  void DeleteQuickDialPanel();
};

// The one main window, for the handset callbacks; set when the window opens.
extern CVarloDlg* g_mainDlg;
// Keeps the busy-tone thread playing while it is not 0.
extern std::atomic<int> g_busyToneFlag;
// The busy-tone thread's function: up to six rounds of the busy tone on channel, while
// g_busyToneFlag is not 0.
DWORD BusyToneThread(PSoundChannel* channel);

// Handset library callbacks (on the library's thread) and the device callback's state:
// -1 before the first device callback, 0 idle, 1 while a wizard it started runs.
extern int g_deviceCallbackState;
void PhoneKeyCallback(int code);
void PhoneDeviceCallback(int a, int b);
void RunDeviceWizard();

// The mixer of the main window or of the wizard's volume page: one open mixer at a time,
// with the speaker and microphone volume controls found on it (0: none).
extern HMIXER g_hMixer;
extern DWORD g_mixerDestinations;
extern DWORD g_speakerVolumeControl;
extern DWORD g_micVolumeControl;
extern DWORD g_lastLineVolumeControl;
// Opens mixer device index with window as its notice window; the open mixer when one is
// open already; null on failure.
HMIXER OpenMixer(HWND window, UINT index);
void CloseMixer();
void FindMixerControls();
BOOL GetSpeakerVolume(DWORD& value);
BOOL GetMicVolume(DWORD& value);
BOOL SetSpeakerVolume(DWORD value);
BOOL SetMicVolume(DWORD value);

// Where the quick-dial panel stands beside a main window with the given screen rectangle:
// 145 x 228 pixels, overlapping its right edge by one pixel, 35 pixels below its top.
CRect QuickDialDockRect(const CRect& mainWindow);
// The saved left or top edge, or 100 when it is negative or beyond screen size - 10.
LONG CorrectedWindowEdge(LONG saved, int screenSize);
