// The quick-dial panel: opened by the side button, docked at the window's right edge, and
// deleted with the main window.
#include "contacts/CQuickDialDlg.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

// The quick-dial panel is not part of the program yet.
void CVarloDlg::OnQuickDial() {}

void CVarloDlg::QuickDialWindowGone(CQuickDialDlg* panel) {
  if (panel && panel == m_quickDialDlg) m_quickDialDlg = nullptr;
}

void CVarloDlg::DeleteQuickDialPanel() {}

LRESULT CVarloDlg::OnQuickDialClosed(WPARAM, LPARAM) {
  m_quickDialOpen = 0;
  m_sideButton.EnableWindow(TRUE);
  SetFace(m_sideButton, 221, 221, 456, 34, 14, 228);
  m_sideButton.Invalidate();
  return 0;
}
