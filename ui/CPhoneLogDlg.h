// CPhoneLogDlg: the "Phone Log" dialog (dialog 255), opened modeless by the main window's
// Log command.  It shows the talk log as it stood when it opened; Clean empties the log,
// the dial history and the number box.  OK and Close (and Escape) tell the main window
// (WM_USER+118) and only hide the dialog.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/Controls.h"
#include "platform/win/Dialog.h"

class CUserProfile;
class CNumberComboBox;

class CPhoneLogDlg : public CDialog {
 public:
  enum { IDD = 255 };
  static constexpr int kLogEdit = 1061;
  static constexpr int kCleanButton = 1062;

  explicit CPhoneLogDlg(CWnd* parent = nullptr);

  CWnd* m_mainWnd = nullptr;
  CString m_appDir;  // with its trailing '/'
  CUserProfile* m_profile = nullptr;
  CNumberComboBox* m_numberBox = nullptr;
  CEdit m_logEdit;
  CString m_logText;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  void OnClean();
  DECLARE_MESSAGE_MAP()

 private:
  void TellMainWindow();
};
