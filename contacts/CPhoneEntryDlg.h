// Edits one quick-dial entry (dialog 214).
#pragma once
#include "platform/win/Dialog.h"

class CPhoneEntryDlg : public CDialog {
 public:
  enum { IDD = 214 };
  explicit CPhoneEntryDlg(CWnd* parent = nullptr);
  ~CPhoneEntryDlg() override;
};
