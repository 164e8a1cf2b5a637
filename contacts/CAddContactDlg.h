// Adds a contact to the book or changes one (dialog 201).
#pragma once
#include "platform/win/Dialog.h"

class CAddContactDlg : public CDialog {
 public:
  enum { IDD = 201 };
  explicit CAddContactDlg(CWnd* parent = nullptr);
  ~CAddContactDlg() override;
};
