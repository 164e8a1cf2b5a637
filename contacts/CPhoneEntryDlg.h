// The "Phone Entry" dialog (dialog 214): edits the name and the number of one quick-dial
// slot, each at most 15 characters.  The caller sets both members, runs it modally and
// on OK reads them back.  Enter does not end it; Escape cancels it.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/Dialog.h"

class CPhoneEntryDlg : public CDialog {
 public:
  enum { IDD = 214 };
  static constexpr int kNameEdit = 1010;
  static constexpr int kNumberEdit = 1048;
  static constexpr int kMaxChars = 15;

  explicit CPhoneEntryDlg(CWnd* parent = nullptr);
  ~CPhoneEntryDlg() override;

  BOOL PreTranslateMessage(MSG* msg) override;

  CString m_name;
  CString m_number;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
};
