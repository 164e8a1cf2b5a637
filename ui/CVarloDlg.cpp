// The main window's object: construction, data exchange, initialisation when the window
// opens, teardown when it is destroyed, and its message map.
#include "ui/CVarloDlg.h"

#include "contacts/CQuickDialDlg.h"
#include "platform/win/CrossProcess.h"
#include "engine/OptionFiles.h"
#include "platform/win/DataExchange.h"
#include "platform/win/Resources.h"
#include "ui/CPhoneLogDlg.h"
#include "ui/CVarloApp.h"
#include "ui/StatusTexts.h"
#include "ui/VarloMessages.h"

namespace {

constexpr UINT kIconId = 128;
constexpr UINT kBackgroundBitmap = 203;
constexpr UINT kPopupMenuId = 200;
constexpr UINT kIdsAbout = 101;
constexpr UINT kIdsTitle = 113;
constexpr UINT kIdsModePc2Pc = 114;
constexpr UINT kIdsModeLumoreth = 115;
constexpr UINT kIdsPleaseRegister = 116;
constexpr UINT kIdsInputIpAddress = 108;
constexpr LONG kFallbackWindowEdge = 100;
constexpr int kScreenMarginPixels = 10;

}  // namespace

CVarloDlg* g_mainDlg = nullptr;

LONG CorrectedWindowEdge(LONG saved, int screenSize) {
  return saved < 0 || saved > screenSize - kScreenMarginPixels ? kFallbackWindowEdge : saved;
}

CVarloDlg::CVarloDlg(CWnd* parent) : CDialog(IDD, parent) { Construct(); }

CVarloDlg::CVarloDlg(const CString& appDir, ProfileServices services, CWnd* parent)
    : CDialog(IDD, parent), m_profile(appDir, std::move(services)) {
  Construct();
}

void CVarloDlg::Construct() {
  m_number = "";
  // The icon comes from the executable whatever the language.
  m_hIcon = LoadIcon(AfxGetInstanceHandle(), MAKEINTRESOURCE(kIconId));
  if (auto* app = dynamic_cast<CVarloApp*>(AfxGetApp())) app->SelectLanguageResources();
  m_bkBitmap.LoadBitmap(kBackgroundBitmap);
  m_bkBrush.CreatePatternBrush(&m_bkBitmap);
  m_windowWidth = kWindowWidth;
  m_windowHeight = kWindowHeight;
  m_windowRgn.CreateRoundRectRgn(0, 0, kWindowWidth, kWindowHeight, kCornerEllipse, kCornerEllipse);
  m_editBkColor = kEditBkColor;
  m_editTextColor = kEditTextColor;
  m_editBrush.CreateSolidBrush(kEditBkColor);
  m_exitHover = m_exitPending = m_bookOpen = m_quickDialOpen = m_logOpen = 0;
  m_registerParams = new RegisterParams();
  m_launcherWnd = nullptr;
  m_lampPhase = 0;
  m_registerError.Empty();
  m_admissionError.Empty();
  m_popupMenu.LoadMenu(kPopupMenuId);
  CRelayClient::Settings relay;
  relay.relayHost = m_profile.m_service.relay;
  m_relayClient = std::make_unique<CRelayClient>(m_relayEndpoint, std::move(relay));
}

CVarloDlg::~CVarloDlg() {
  // Normally freed when the window is destroyed; a window that never opened leaves it.
  delete m_registerParams;
  delete m_logDlg;
  // A window destroyed only by the base class (never through OnDestroy) leaves the panel.
  DeleteQuickDialPanel();
  if (g_mainDlg == this) g_mainDlg = nullptr;
}

void CVarloDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  using namespace varlo::ids;
  DDX_Control(dx, kNumberBox, m_numberBox);
  DDX_Control(dx, kHomePage, m_homePageButton);
  DDX_Control(dx, kKeyHash, m_keyHash);
  DDX_Control(dx, kKeyStar, m_keyStar);
  DDX_Control(dx, kKey1 + 8, m_key9);
  DDX_Control(dx, kKey1 + 7, m_key8);
  DDX_Control(dx, kKey1 + 6, m_key7);
  DDX_Control(dx, kKey1 + 5, m_key6);
  DDX_Control(dx, kKey1 + 4, m_key5);
  DDX_Control(dx, kKey1 + 3, m_key4);
  DDX_Control(dx, kKey1 + 2, m_key3);
  DDX_Control(dx, kKey1 + 1, m_key2);
  DDX_Control(dx, kKey1, m_key1);
  DDX_Control(dx, kKey0, m_key0);
  DDX_Control(dx, kYellowPage, m_yellowPageButton);
  DDX_Control(dx, kBook, m_bookButton);
  DDX_Control(dx, kTalkLog, m_talkLogButton);
  DDX_Control(dx, kCall, m_callButton);
  DDX_Control(dx, kHang, m_hangButton);
  DDX_Control(dx, kMyAccount, m_myAccountButton);
  DDX_Control(dx, kHelp, m_helpButton);
  DDX_Control(dx, kExit, m_exitButton);
  DDX_Control(dx, kMinimize, m_minimizeButton);
  DDX_Control(dx, kMenuButton, m_menuButton);
  DDX_Control(dx, kVolumeUp, m_volumeUpButton);
  DDX_Control(dx, kVolumeDown, m_volumeDownButton);
  DDX_Control(dx, kMicUp, m_micUpButton);
  DDX_Control(dx, kMicDown, m_micDownButton);
  DDX_Control(dx, kLineLamp, m_lineLamp);
  DDX_Control(dx, kCallLamp, m_callLamp);
  DDX_Control(dx, kSideButton, m_sideButton);
  DDX_CBString(dx, kNumberBox, m_number);
}

BOOL CVarloDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  // The about item of the system menu.
  const CString about = AfxLoadString(kIdsAbout);
  if (!about.IsEmpty()) {
    if (CMenu* sysMenu = GetSystemMenu(FALSE)) {
      sysMenu->AppendMenu(MF_SEPARATOR);
      sysMenu->AppendMenu(MF_STRING, varlo::ids::kSysCommandAbout, about);
    }
  }
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  HCURSOR previousCursor = ::SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SetWindowText(AfxLoadString(kIdsTitle));
  // Other programs of the user find the window by its title and dial through WM_COPYDATA.
  varlo::win::ShareWithOtherPrograms(m_hWnd);

  if (!m_profile.m_firstRun) {
    m_profile.m_windowLeft = CorrectedWindowEdge(m_profile.m_windowLeft, GetSystemMetrics(SM_CXSCREEN));
    m_profile.m_windowTop = CorrectedWindowEdge(m_profile.m_windowTop, GetSystemMetrics(SM_CYSCREEN));
    MoveWindow(m_profile.m_windowLeft, m_profile.m_windowTop, kWindowWidth, kWindowHeight, TRUE);
  }
  // From here on the region belongs to the window.
  SetWindowRgn(static_cast<HRGN>(m_windowRgn.Detach()), TRUE);

  LayoutSkin();

  m_registerParams->window = m_hWnd;
  m_registerParams->endpoint = &m_endpoint;
  m_registerParams->host = m_profile.m_gatekeeperHost;
  m_registerParams->fallbackHost = m_profile.m_fallbackGatekeeperHost;

  m_endpoint.Initialise(this, &m_profile);
  if (!m_endpoint.IsListening()) PostMessage(WM_VARLO_LISTENER_TAKEN, 0, 0);
  // The silence detection and frames per packet saved by the Options page.
  ApplySavedCallOptions(m_endpoint, m_profile.m_appDir);

  if (m_profile.m_callType != 0) {
    ShowMode(kIdsModeLumoreth);
    if (m_profile.m_loginMode == 1) {
      if (m_profile.m_keepPassword) {
        PostMessage(WM_VARLO_ACCOUNT_LOGIN, 0, 0);
      } else {
        ShowStatus(kIdsPleaseRegister);
      }
    } else if (m_profile.m_loginMode == 2) {
      if (m_profile.m_keepPin) {
        PostMessage(WM_VARLO_CARD_LOGIN, 0, 0);
      } else {
        ShowStatus(kIdsPleaseRegister);
      }
    }
  } else {
    ShowMode(kIdsModePc2Pc);
    ShowStatus(kIdsInputIpAddress);
  }

  ::SetCursor(previousCursor);
  SetTimer(kFirstRunTimer, kFirstRunTimerMs);

  // The mixer of the profile's playback device, and the levels read from it.
  ReopenMixer(FALSE);

  // The handset: its callbacks reach the window through g_mainDlg.
  OpenHandset();
  g_mainDlg = this;
  m_historyIndex = 0;
  BindHandset();

  SetWindowPos(&wndTopMost, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return TRUE;
}

void CVarloDlg::OnDestroy() {
  CloseHandset();
  CloseMainMixer();
  CDialog::OnDestroy();
  m_bkBitmap.DeleteObject();
  m_bkBrush.DeleteObject();
  m_editBrush.DeleteObject();
  // No registration worker outlives the window: the one under way is stopped and joined.
  m_registerRunner.Stop();
  delete m_registerParams;
  m_registerParams = nullptr;
  // The busy tone plays on m_sound: it ends before the channel closes.
  StopBusyTone();
  m_sound.Close();

  CRect rect;
  GetWindowRect(&rect);
  m_profile.m_windowLeft = rect.left;
  m_profile.m_windowTop = rect.top;

  m_profile.m_dialHistory.RemoveAll();
  for (int i = 0; i < m_numberBox.GetCount(); ++i) {
    CString entry;
    m_numberBox.GetLBText(i, entry);
    m_profile.m_dialHistory.Add(entry);
  }
  // An open quick-dial panel goes with the main window; the contact book and the log
  // dialog do not.
  DeleteQuickDialPanel();
}

BEGIN_MESSAGE_MAP(CVarloDlg, CDialog)
  ON_WM_SYSCOMMAND()
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_WM_DESTROY()
  ON_WM_NCHITTEST()
  ON_WM_CTLCOLOR()
  ON_BN_CLICKED(varlo::ids::kHelp, &CVarloDlg::OnHelp)
  ON_BN_CLICKED(varlo::ids::kMinimize, &CVarloDlg::OnMinimize)
  ON_BN_CLICKED(varlo::ids::kExit, &CVarloDlg::OnExit)
  ON_BN_CLICKED(varlo::ids::kKey0, &CVarloDlg::OnKey0)
  ON_BN_CLICKED(varlo::ids::kKey1, &CVarloDlg::OnKey1)
  ON_BN_CLICKED(varlo::ids::kKey1 + 1, &CVarloDlg::OnKey2)
  ON_BN_CLICKED(varlo::ids::kKey1 + 2, &CVarloDlg::OnKey3)
  ON_BN_CLICKED(varlo::ids::kKey1 + 3, &CVarloDlg::OnKey4)
  ON_BN_CLICKED(varlo::ids::kKey1 + 4, &CVarloDlg::OnKey5)
  ON_BN_CLICKED(varlo::ids::kKey1 + 5, &CVarloDlg::OnKey6)
  ON_BN_CLICKED(varlo::ids::kKey1 + 6, &CVarloDlg::OnKey7)
  ON_BN_CLICKED(varlo::ids::kKey1 + 7, &CVarloDlg::OnKey8)
  ON_BN_CLICKED(varlo::ids::kKey1 + 8, &CVarloDlg::OnKey9)
  ON_BN_CLICKED(varlo::ids::kKeyStar, &CVarloDlg::OnKeyStar)
  ON_BN_CLICKED(varlo::ids::kKeyHash, &CVarloDlg::OnKeyHash)
  ON_BN_CLICKED(varlo::ids::kHomePage, &CVarloDlg::OnHomePage)
  ON_BN_CLICKED(varlo::ids::kBook, &CVarloDlg::OnBook)
  ON_BN_CLICKED(varlo::ids::kYellowPage, &CVarloDlg::OnYellowPage)
  ON_BN_CLICKED(varlo::ids::kMyAccount, &CVarloDlg::OnMyAccount)
  ON_BN_CLICKED(varlo::ids::kCall, &CVarloDlg::OnCall)
  ON_WM_COPYDATA()
  ON_WM_TIMER()
  ON_WM_NCMOUSEMOVE()
  ON_WM_NCLBUTTONDOWN()
  ON_BN_CLICKED(varlo::ids::kSideButton, &CVarloDlg::OnQuickDial)
  ON_BN_CLICKED(varlo::ids::kHang, &CVarloDlg::OnHang)
  ON_BN_CLICKED(varlo::ids::kVolumeUp, &CVarloDlg::OnVolumeUp)
  ON_BN_CLICKED(varlo::ids::kVolumeDown, &CVarloDlg::OnVolumeDown)
  ON_BN_CLICKED(varlo::ids::kMicUp, &CVarloDlg::OnMicUp)
  ON_BN_CLICKED(varlo::ids::kMicDown, &CVarloDlg::OnMicDown)
  // A quick second press arrives as a double click: it is one more step all the same.
  ON_BN_DOUBLECLICKED(varlo::ids::kVolumeUp, &CVarloDlg::OnVolumeUp)
  ON_BN_DOUBLECLICKED(varlo::ids::kVolumeDown, &CVarloDlg::OnVolumeDown)
  ON_BN_DOUBLECLICKED(varlo::ids::kMicUp, &CVarloDlg::OnMicUp)
  ON_BN_DOUBLECLICKED(varlo::ids::kMicDown, &CVarloDlg::OnMicDown)
  ON_WM_MOVE()
  ON_BN_CLICKED(varlo::ids::kTalkLog, &CVarloDlg::OnTalkLog)
  ON_BN_CLICKED(varlo::ids::kMenuButton, &CVarloDlg::OnMenuButton)
  ON_COMMAND(varlo::ids::kMenuAbout, &CVarloDlg::OnMenuAbout)
  ON_COMMAND(varlo::ids::kMenuMyAccount, &CVarloDlg::OnMenuMyAccount)
  ON_COMMAND(varlo::ids::kMenuExit, &CVarloDlg::OnMenuExit)
  ON_COMMAND(varlo::ids::kMenuLog, &CVarloDlg::OnMenuLog)
  ON_COMMAND(varlo::ids::kMenuWizard, &CVarloDlg::OnAudioWizard)
  ON_COMMAND(varlo::ids::kMenuHelp, &CVarloDlg::OnMenuHelp)
  ON_MESSAGE(WM_VARLO_REGISTERED, &CVarloDlg::OnRegistered)
  ON_MESSAGE(WM_VARLO_REGISTER_FAILED, &CVarloDlg::OnRegisterFailed)
  ON_MESSAGE(WM_VARLO_ACCOUNT_LOGIN, &CVarloDlg::OnAccountLogin)
  ON_MESSAGE(WM_VARLO_LISTENER_TAKEN, &CVarloDlg::OnListenerTaken)
  ON_MESSAGE(WM_VARLO_CARD_LOGIN, &CVarloDlg::OnCardLogin)
  ON_MESSAGE(WM_VARLO_REMOTE_RINGING, &CVarloDlg::OnRemoteRinging)
  ON_MESSAGE(WM_VARLO_CALL_CONNECTED, &CVarloDlg::OnCallConnected)
  ON_MESSAGE(WM_VARLO_CALL_CLEARED, &CVarloDlg::OnCallCleared)
  ON_MESSAGE(WM_VARLO_DEVICES_CHANGED, &CVarloDlg::OnDevicesChanged)
  ON_MESSAGE(WM_VARLO_BOOK_CLOSED, &CVarloDlg::OnBookClosed)
  ON_MESSAGE(WM_VARLO_LOG_CLOSED, &CVarloDlg::OnLogClosed)
  ON_MESSAGE(WM_VARLO_QUICKDIAL_CLOSED, &CVarloDlg::OnQuickDialClosed)
  ON_MESSAGE(WM_VARLO_AVAILABLE_TIME, &CVarloDlg::OnAvailableTime)
  ON_MESSAGE(WM_VARLO_DROP_CALL, &CVarloDlg::OnDropCall)
  ON_MESSAGE(WM_VARLO_BALANCE, &CVarloDlg::OnBalance)
  ON_MESSAGE(WM_VARLO_REGISTER_ERROR, &CVarloDlg::OnRegisterError)
  ON_MESSAGE(WM_VARLO_ADMISSION_ERROR, &CVarloDlg::OnAdmissionError)
  ON_MESSAGE(WM_VARLO_UNREGISTER, &CVarloDlg::OnUnregister)
  ON_MESSAGE(MM_MIXM_CONTROL_CHANGE, &CVarloDlg::OnMixerControlChange)
  ON_MESSAGE(WM_VARLO_PHONE_KEY, &CVarloDlg::OnPhoneKeyMessage)
  ON_MESSAGE(WM_VARLO_PHONE_DEVICE, &CVarloDlg::OnPhoneDeviceMessage)
END_MESSAGE_MAP()
