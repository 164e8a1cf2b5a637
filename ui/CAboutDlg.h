// CAboutDlg: the about box (dialog 100), run modally on the caller's stack.  It handles
// nothing of its own: OK closes it.
#pragma once
#include "platform/win/Dialog.h"

class CAboutDlg : public CDialog {
 public:
  enum { IDD = 100 };
  CAboutDlg() : CDialog(IDD) {}
};
