// The "M" button's menu, the web pages and help, the minimise button, and the mouse on the
// skin outside the controls (the whole window is its own caption).  The web pages and the
// help viewer are not part of the program yet: their commands do nothing.
#include "platform/win/Menu.h"
#include "platform/win/Resources.h"
#include "ui/CAboutDlg.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

constexpr UINT kMainMenuId = 256;
constexpr UINT kHandCursor = 180;
constexpr int kMenuOffsetX = 10;
constexpr int kMenuOffsetY = 25;

// Zones relative to the window's top-left corner.
bool InsideExclusive(CPoint p, int left, int top, int right, int bottom) {
  return p.x > left && p.x < right && p.y > top && p.y < bottom;
}
bool InLogo(CPoint p) { return InsideExclusive(p, 325, 270, 450, 280); }
bool InSpeakerBars(CPoint p) { return InsideExclusive(p, 50, 167, 120, 177); }
bool InMicBars(CPoint p) { return InsideExclusive(p, 145, 167, 215, 177); }
bool InExitButton(CPoint p) { return p.x >= 447 && p.x <= 465 && p.y >= 7 && p.y <= 25; }

}  // namespace

LRESULT CVarloDlg::OnNcHitTest(CPoint) { return HTCAPTION; }

void CVarloDlg::OnNcMouseMove(UINT hitTest, CPoint point) {
  POINT cursor;
  ::GetCursorPos(&cursor);
  CRect window;
  GetWindowRect(&window);
  const CPoint p(cursor.x - window.left, cursor.y - window.top);
  if (InLogo(p) || InSpeakerBars(p) || InMicBars(p)) {
    ::SetCursor(LoadCursor(AfxGetResourceHandle(), MAKEINTRESOURCE(kHandCursor)));
  } else if (!InExitButton(p) && m_exitHover) {
    m_exitHover = 0;
    m_exitButton.LoadBitmaps(159, 131);
    m_exitButton.SizeToContent();
    m_exitButton.Invalidate();
  }
  CDialog::OnNcMouseMove(hitTest, point);
}

void CVarloDlg::OnNcLButtonDown(UINT hitTest, CPoint point) {
  // On the caption this runs the move loop until the button is released.
  CDialog::OnNcLButtonDown(hitTest, point);
  POINT cursor;
  ::GetCursorPos(&cursor);
  CRect window;
  GetWindowRect(&window);
  const CPoint p(cursor.x - window.left, cursor.y - window.top);
  // The publisher's page behind the logo is not opened yet.
  if (InSpeakerBars(p) || InMicBars(p)) {
    int& level = InSpeakerBars(p) ? m_speakerLevel : m_micLevel;
    const int first = InSpeakerBars(p) ? 50 : 145;
    level = 0;
    ChangeLevel(level, (p.x - first) / 4);
    ::SetCursor(LoadCursor(AfxGetResourceHandle(), MAKEINTRESOURCE(kHandCursor)));
  }
}

void CVarloDlg::OnMenuButton() {
  CMenu menu;
  if (!menu.LoadMenu(kMainMenuId)) return;
  CMenu* popup = menu.GetSubMenu(0);
  if (!popup) return;
  CRect window;
  GetWindowRect(&window);
  popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, window.left + kMenuOffsetX,
                        window.top + kMenuOffsetY, this);
  menu.DestroyMenu();
}

void CVarloDlg::OnMenuAbout() {
  CAboutDlg about;
  about.DoModal();
}

void CVarloDlg::OnMenuMyAccount() { OnMyAccount(); }
void CVarloDlg::OnMenuExit() { OnExit(); }
void CVarloDlg::OnMenuLog() { OnTalkLog(); }
void CVarloDlg::OnMenuHelp() { OnHelp(); }

void CVarloDlg::OnMinimize() { ShowWindow(SW_MINIMIZE); }

// Not part of the program yet: the registered viewers for the web pages and the help file.
void CVarloDlg::OnHelp() {}
void CVarloDlg::OnHomePage() {}
void CVarloDlg::OnYellowPage() {}
