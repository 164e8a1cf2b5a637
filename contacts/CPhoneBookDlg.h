// The contact book (dialog 189): a modeless window that the main window opens; it lists
// the contacts of its file, dials them through the main window and deletes itself when its
// window goes.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/Dialog.h"

class CPhoneBookDlg : public CDialog {
 public:
  enum { IDD = 189 };
  explicit CPhoneBookDlg(CWnd* parent = nullptr);
  ~CPhoneBookDlg() override;

  // The path of the contact file.
  void SetBookFile(const CString& path);

  CString m_bookFile;
};
