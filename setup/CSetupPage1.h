// The options sheet's first page, "Account": the call type (through the service or PC to
// PC), the login mode (account and password, or calling-card PIN), the three texts and
// whether the data files keep the password and the PIN.  It writes straight into the
// user profile and, when its OK runs, asks the main window for a new login when the
// account or the mode changed.
#pragma once
#include "platform/win/Controls.h"
#include "platform/win/PropertySheet.h"

class CUserProfile;

class CSetupPage1 : public CPropertyPage {
 public:
  enum { IDD = 183 };
  static constexpr int kPcToPhone = 1023;
  static constexpr int kPcToPc = 1024;
  static constexpr int kAccountMode = 1015;
  static constexpr int kCardMode = 1016;
  static constexpr int kKeepPassword = 1049;
  static constexpr int kKeepPin = 1048;
  static constexpr int kAccountEdit = 1008;
  static constexpr int kPasswordEdit = 1009;
  static constexpr int kPinEdit = 1047;
  static constexpr int kTextLimit = 12;
  static constexpr int kPinLength = 12;

  static const char* GetRuntimeClassName() { return "CSetupPage1"; }

  // The main window that gets the login messages, and the profile the page edits.
  CSetupPage1(CWnd* mainWnd, CUserProfile* profile);
  ~CSetupPage1() override;

  // Called by the sheet on OK: stores the page's entries into the profile and checks
  // them; FALSE (after a message box) keeps the sheet open.
  BOOL ValidateAccount();
  void UpdateModeControls(BOOL pcToPhone);

  CButton m_pcToPhoneRadio;
  CButton m_pcToPcRadio;
  CButton m_cardModeRadio;
  CButton m_accountModeRadio;
  CEdit m_pinEdit;
  CEdit m_passwordEdit;
  CEdit m_accountEdit;
  BOOL m_keepPassword = 0;
  BOOL m_keepPin = 0;
  CWnd* m_pMainWnd = nullptr;
  CUserProfile* m_profile = nullptr;
  BOOL m_pcToPcAtOpen = 0;
  int m_loginModeAtOpen = 0;
  BOOL m_accountEdited = 0;
  BOOL m_pinEdited = 0;
  BOOL m_initialising = 1;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  void OnPcToPhone();
  void OnPcToPc();
  void OnAccountMode();
  void OnCardMode();
  void OnAccountChanged();
  void OnPinChanged();
  DECLARE_MESSAGE_MAP()

 private:
  void StoreEntries();
};

// The login message the account page's OK posts (0: none) for the profile's call type and
// login mode after the entries were stored.
UINT ReloginMessage(int callType, int loginMode, BOOL pcToPcAtOpen, int loginModeAtOpen, BOOL accountEdited,
                    BOOL pinEdited);
