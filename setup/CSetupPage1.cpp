#include "setup/CSetupPage1.h"

#include "engine/CUserProfile.h"
#include "platform/win/DataExchange.h"
#include "platform/win/MessageMap.h"
#include "platform/win/Resources.h"
#include "ui/VarloMessages.h"

namespace {

constexpr UINT kIdsInputAccount = 166;  // "Please input the accout!"
constexpr UINT kIdsPinError = 167;      // "The Pin input error!"

}  // namespace

UINT ReloginMessage(int callType, int loginMode, BOOL pcToPcAtOpen, int loginModeAtOpen, BOOL accountEdited,
                    BOOL pinEdited) {
  if (callType == 0) return 0;
  if (loginMode == 1 && (pcToPcAtOpen || loginModeAtOpen == 2 || accountEdited)) return WM_VARLO_ACCOUNT_LOGIN;
  if (loginMode == 2 && (pcToPcAtOpen || loginModeAtOpen == 1 || pinEdited)) return WM_VARLO_CARD_LOGIN;
  return 0;
}

CSetupPage1::CSetupPage1(CWnd* mainWnd, CUserProfile* profile)
    : CPropertyPage(IDD), m_pMainWnd(mainWnd), m_profile(profile) {
  m_keepPassword = 0;
  m_keepPin = 0;
  m_pcToPcAtOpen = profile && profile->m_callType == 0;
  m_loginModeAtOpen = profile ? profile->m_loginMode : 0;
  m_accountEdited = 0;
  m_pinEdited = 0;
  m_initialising = 1;
}

CSetupPage1::~CSetupPage1() = default;

BEGIN_MESSAGE_MAP(CSetupPage1, CPropertyPage)
  ON_BN_CLICKED(kPcToPhone, &CSetupPage1::OnPcToPhone)
  ON_BN_CLICKED(kPcToPc, &CSetupPage1::OnPcToPc)
  ON_BN_CLICKED(kAccountMode, &CSetupPage1::OnAccountMode)
  ON_BN_CLICKED(kCardMode, &CSetupPage1::OnCardMode)
  ON_EN_CHANGE(kAccountEdit, &CSetupPage1::OnAccountChanged)
  ON_EN_CHANGE(kPasswordEdit, &CSetupPage1::OnAccountChanged)
  ON_EN_CHANGE(kPinEdit, &CSetupPage1::OnPinChanged)
END_MESSAGE_MAP()

void CSetupPage1::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  DDX_Control(dx, kPcToPhone, m_pcToPhoneRadio);
  DDX_Control(dx, kPcToPc, m_pcToPcRadio);
  DDX_Control(dx, kCardMode, m_cardModeRadio);
  DDX_Control(dx, kAccountMode, m_accountModeRadio);
  DDX_Control(dx, kPinEdit, m_pinEdit);
  DDX_Control(dx, kPasswordEdit, m_passwordEdit);
  DDX_Control(dx, kAccountEdit, m_accountEdit);
  DDX_Check(dx, kKeepPassword, m_keepPassword);
  DDX_Check(dx, kKeepPin, m_keepPin);
}

BOOL CSetupPage1::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_initialising = 1;
  m_accountEdit.LimitText(kTextLimit);
  m_passwordEdit.LimitText(kTextLimit);
  m_pinEdit.LimitText(kTextLimit);
  m_accountEdit.SetWindowText(m_profile->m_account);
  m_passwordEdit.SetWindowText(m_profile->m_password);
  m_pinEdit.SetWindowText(m_profile->m_pin);
  UpdateModeControls(m_profile->m_callType != 0);
  m_keepPassword = m_profile->m_keepPassword;
  m_keepPin = m_profile->m_keepPin;
  UpdateData(FALSE);
  m_initialising = 0;
  return TRUE;
}

void CSetupPage1::UpdateModeControls(BOOL pcToPhone) {
  if (!pcToPhone) {
    m_pcToPhoneRadio.SetCheck(0);
    m_pcToPcRadio.SetCheck(1);
    m_accountModeRadio.EnableWindow(FALSE);
    m_cardModeRadio.EnableWindow(FALSE);
    m_passwordEdit.SetReadOnly(TRUE);
    m_pinEdit.SetReadOnly(TRUE);
    return;
  }
  m_pcToPhoneRadio.SetCheck(1);
  m_pcToPcRadio.SetCheck(0);
  m_accountModeRadio.EnableWindow(TRUE);
  m_cardModeRadio.EnableWindow(TRUE);
  if (m_profile->m_loginMode == 1) {
    m_accountModeRadio.SetCheck(1);
    m_cardModeRadio.SetCheck(0);
    m_passwordEdit.SetReadOnly(FALSE);
    m_pinEdit.SetReadOnly(TRUE);
  } else if (m_profile->m_loginMode == 2) {
    m_accountModeRadio.SetCheck(0);
    m_cardModeRadio.SetCheck(1);
    m_passwordEdit.SetReadOnly(TRUE);
    m_pinEdit.SetReadOnly(FALSE);
  }
}

void CSetupPage1::OnPcToPhone() {
  m_profile->m_callType = 1;
  UpdateModeControls(TRUE);
}

void CSetupPage1::OnPcToPc() {
  m_profile->m_callType = 0;
  UpdateModeControls(FALSE);
}

void CSetupPage1::OnAccountMode() {
  m_profile->m_loginMode = 1;
  UpdateModeControls(m_profile->m_callType != 0);
}

void CSetupPage1::OnCardMode() {
  m_profile->m_loginMode = 2;
  UpdateModeControls(m_profile->m_callType != 0);
}

void CSetupPage1::OnAccountChanged() {
  if (!m_initialising) m_accountEdited = 1;
}

void CSetupPage1::OnPinChanged() {
  if (!m_initialising) m_pinEdited = 1;
}

void CSetupPage1::StoreEntries() {
  m_profile->m_keepPassword = m_keepPassword;
  m_profile->m_keepPin = m_keepPin;
  m_accountEdit.GetWindowText(m_profile->m_account);
  m_passwordEdit.GetWindowText(m_profile->m_password);
  m_pinEdit.GetWindowText(m_profile->m_pin);
}

BOOL CSetupPage1::ValidateAccount() {
  UpdateData(TRUE);
  StoreEntries();
  if (m_profile->m_callType == 0) return TRUE;
  if (m_profile->m_loginMode == 1 && m_profile->m_account.IsEmpty()) {
    MessageBox(AfxLoadString(kIdsInputAccount), nullptr, MB_OK);
    return FALSE;
  }
  if (m_profile->m_loginMode == 2 && m_profile->m_pin.GetLength() != kPinLength) {
    MessageBox(AfxLoadString(kIdsPinError), nullptr, MB_OK);
    return FALSE;
  }
  return TRUE;
}

void CSetupPage1::OnOK() {
  UpdateData(TRUE);
  StoreEntries();
  const UINT message = ReloginMessage(m_profile->m_callType, m_profile->m_loginMode, m_pcToPcAtOpen,
                                      m_loginModeAtOpen, m_accountEdited, m_pinEdited);
  if (message != 0 && m_pMainWnd && m_pMainWnd->m_hWnd) m_pMainWnd->PostMessage(message, 0, 0);
  CPropertyPage::OnOK();
}
