// The quick-dial panel: opened by the side button, docked at the window's right edge, and
// deleted with the main window.
#include <memory>

#include "contacts/CQuickDialDlg.h"
#include "platform/core/AppDir.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {
constexpr UINT kSideOpenBitmap = 220;
constexpr UINT kSideClosedBitmap = 221;
constexpr int kSideX = 456;
constexpr int kSideY = 34;
constexpr int kSideWidth = 14;
constexpr int kSideHeight = 228;
}  // namespace

void CVarloDlg::OnQuickDial() {
  if (!m_quickDialOpen) {
    auto panel = std::make_unique<CQuickDialDlg>();
    panel->m_directory = g_appDir;
    // Open only once the window stands: a panel that failed leaves the button usable.
    if (panel->Create()) {
      m_sideButton.EnableWindow(FALSE);
      m_quickDialOpen = 1;
      m_quickDialDlg = panel.release();  // deletes itself once its window is gone
      m_quickDialDlg->ShowWindow(SW_SHOW);
    }
  }
  SetFace(m_sideButton, kSideOpenBitmap, kSideOpenBitmap, kSideX, kSideY, kSideWidth, kSideHeight);
  m_sideButton.Invalidate();
}

void CVarloDlg::QuickDialWindowGone(CQuickDialDlg* panel) {
  if (panel && panel == m_quickDialDlg) m_quickDialDlg = nullptr;
}

void CVarloDlg::DeleteQuickDialPanel() {
  if (!m_quickDialOpen || !m_quickDialDlg) return;
  CQuickDialDlg* panel = m_quickDialDlg;
  m_quickDialDlg = nullptr;
  // Writes the slots; a panel whose entry dialog is still open ends when the dialog has.
  panel->EndWithMainWindow();
}

LRESULT CVarloDlg::OnQuickDialClosed(WPARAM, LPARAM) {
  m_quickDialOpen = 0;
  m_sideButton.EnableWindow(TRUE);
  SetFace(m_sideButton, kSideClosedBitmap, kSideClosedBitmap, kSideX, kSideY, kSideWidth, kSideHeight);
  m_sideButton.Invalidate();
  return 0;
}
