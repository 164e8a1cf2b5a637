// The quick-dial panel (dialog 212): a modeless strip of numbers docked at the main
// window's right edge; it deletes itself when its window goes.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/Dialog.h"

class CQuickDialDlg : public CDialog {
 public:
  enum { IDD = 212 };
  explicit CQuickDialDlg(CWnd* parent = nullptr);
  ~CQuickDialDlg() override;

  // Creates the panel's window, top-level and without an owner.
  BOOL Create();

  // The directory of the panel's file, with a trailing "/".
  CString m_directory;
  // The docking slide's step; 0 while the panel is not sliding.
  int m_slideStep = 0;
};
