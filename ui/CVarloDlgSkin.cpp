// The main window's look: the skin layout of its controls, the background and edit
// colours, painting, the about command of the system menu, the drag icon and the docking
// of the quick-dial panel to the window's right edge.
#include "contacts/CQuickDialDlg.h"
#include "platform/win/DC.h"
#include "ui/CAboutDlg.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

// The service's banner page.
constexpr const char* kBannerUrl = "http://www.kova-net.com/banner.jsp";
constexpr UINT kCallTimerDialog = 182;

// One control of the skin layout: its faces, its place and, for the buttons that are not
// skinned, the window size that shows part of the face.
struct SkinEntry {
  int id;
  UINT normal;
  UINT pressed;
  int x;
  int y;
  int cx;  // 0: the bitmap's size, placed by the skinned button itself
  int cy;
  const char* tooltip;
};

// The layout, in the order in which the controls are set up.
constexpr SkinEntry kSkinLayout[] = {
    {varlo::ids::kCall, 163, 145, 25, 195, 0, 0, "Call"},
    {varlo::ids::kHang, 162, 158, 74, 195, 0, 0, "HangUp"},
    {varlo::ids::kBook, 130, 150, 119, 195, 0, 0, "PhoneBook"},
    {varlo::ids::kHomePage, 146, 160, 163, 195, 0, 0, nullptr},
    {varlo::ids::kMyAccount, 129, 141, 33, 240, 0, 0, nullptr},
    {varlo::ids::kTalkLog, 233, 232, 94, 240, 0, 0, nullptr},
    {varlo::ids::kYellowPage, 152, 153, 155, 240, 0, 0, nullptr},
    {varlo::ids::kMenuButton, 228, 229, 8, 7, 18, 18, nullptr},
    {varlo::ids::kHelp, 157, 156, 29, 7, 18, 18, nullptr},
    {varlo::ids::kMinimize, 149, 148, 420, 7, 18, 18, nullptr},
    {varlo::ids::kExit, 159, 131, 441, 7, 18, 18, nullptr},
    {varlo::ids::kCallLamp, 243, 243, 398, 38, 20, 9, nullptr},
    {varlo::ids::kLineLamp, 245, 245, 354, 38, 20, 9, nullptr},
    {varlo::ids::kKey1, 144, 140, 300, 70, 0, 0, nullptr},
    {varlo::ids::kKey1 + 1, 139, 138, 345, 70, 0, 0, nullptr},
    {varlo::ids::kKey1 + 2, 137, 136, 390, 70, 0, 0, nullptr},
    {varlo::ids::kKey1 + 3, 178, 177, 300, 98, 0, 0, nullptr},
    {varlo::ids::kKey1 + 4, 176, 175, 345, 98, 0, 0, nullptr},
    {varlo::ids::kKey1 + 5, 174, 173, 390, 98, 0, 0, nullptr},
    {varlo::ids::kKey1 + 6, 172, 171, 300, 126, 0, 0, nullptr},
    {varlo::ids::kKey1 + 7, 132, 170, 345, 126, 0, 0, nullptr},
    {varlo::ids::kKey1 + 8, 169, 168, 390, 126, 0, 0, nullptr},
    {varlo::ids::kKeyStar, 167, 166, 300, 154, 0, 0, nullptr},
    {varlo::ids::kKey0, 142, 143, 345, 154, 0, 0, nullptr},
    {varlo::ids::kKeyHash, 165, 164, 390, 154, 0, 0, nullptr},
    {varlo::ids::kVolumeUp, 234, 235, 248, 58, 20, 22, nullptr},
    {varlo::ids::kVolumeDown, 237, 236, 248, 93, 20, 22, nullptr},
    {varlo::ids::kMicUp, 238, 240, 248, 126, 20, 22, nullptr},
    {varlo::ids::kMicDown, 239, 241, 248, 161, 20, 22, nullptr},
    {varlo::ids::kSideButton, 221, 221, 456, 34, 14, 228, "Open"},
};

constexpr int kNumberBoxX = 38;
constexpr int kNumberBoxY = 59;
constexpr int kNumberBoxWidth = 124;
constexpr int kNumberBoxHeight = 9;
constexpr int kBannerX = 256;
constexpr int kBannerY = 202;
constexpr int kBannerWidth = 195;
constexpr int kBannerHeight = 60;

// Docking of the quick-dial panel.
constexpr int kPanelHideAboveY = -100;
constexpr int kPanelTopOffset = 35;
constexpr int kPanelBottomOffset = 263;
constexpr int kPanelRightOverhang = 144;

}  // namespace

CRect QuickDialDockRect(const CRect& mainWindow) {
  return CRect(mainWindow.right - 1, mainWindow.top + kPanelTopOffset, mainWindow.right + kPanelRightOverhang,
               mainWindow.top + kPanelBottomOffset);
}

void CVarloDlg::SetFace(CBitmapButton& button, UINT normal, UINT pressed, int x, int y, int cx, int cy) {
  button.LoadBitmaps(normal, pressed);
  button.SizeToContent();
  if (cx == 0) {
    if (auto* skinned = dynamic_cast<CSkinButton*>(&button)) {
      skinned->SetPosition(x, y);
      return;
    }
    CRect r;
    button.GetWindowRect(&r);
    cx = r.Width();
    cy = r.Height();
  }
  button.MoveWindow(x, y, cx, cy, TRUE);
}

void CVarloDlg::LayoutSkin() {
  m_numberBox.MoveWindow(kNumberBoxX, kNumberBoxY, kNumberBoxWidth, kNumberBoxHeight, TRUE);
  for (int i = 0; i < m_profile.m_dialHistory.GetSize(); ++i) m_numberBox.AddString(m_profile.m_dialHistory[i]);

  m_callTimer.Create(kCallTimerDialog, this);
  m_callTimer.ShowWindow(SW_SHOW);

  if (m_banner.CreateFromStatic(varlo::ids::kBannerStatic, this)) {
    m_banner.MoveWindow(kBannerX, kBannerY, kBannerWidth, kBannerHeight, TRUE);
    m_banner.Navigate(kBannerUrl);
  }

  for (const SkinEntry& e : kSkinLayout) {
    auto* button = dynamic_cast<CBitmapButton*>(CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, e.id)));
    if (!button) continue;
    SetFace(*button, e.normal, e.pressed, e.x, e.y, e.cx, e.cy);
    if (e.tooltip) {
      if (auto* skinned = dynamic_cast<CSkinButton*>(button)) skinned->SetTooltipText(e.tooltip, TRUE);
    }
  }
}

void CVarloDlg::OnPaint() {
  if (IsIconic()) {
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect client;
    GetClientRect(&client);
    const int x = (client.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
  }
  PaintStatusPanel();
  Default();
}

HBRUSH CVarloDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  HBRUSH brush = CDialog::OnCtlColor(dc, wnd, ctlColor);
  if (ctlColor == CTLCOLOR_DLG) return m_bkBrush;
  if (ctlColor == CTLCOLOR_EDIT) {
    dc->SetBkColor(m_editBkColor);
    dc->SetTextColor(m_editTextColor);
    return m_editBrush;
  }
  return brush;
}

void CVarloDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFF0) == varlo::ids::kSysCommandAbout) {
    CAboutDlg about;
    about.DoModal();
    return;
  }
  CDialog::OnSysCommand(id, lParam);
}

HICON CVarloDlg::OnQueryDragIcon() { return m_hIcon; }

void CVarloDlg::OnMove(int x, int y) {
  CDialog::OnMove(x, y);
  if (!m_quickDialOpen) return;
  CRect main;
  GetWindowRect(&main);
  const CRect dock = QuickDialDockRect(main);
  // The quick-dial panel is not part of the program yet: without one the docking has
  // nothing to move.
  if (!m_quickDialDlg || !m_quickDialDlg->m_hWnd) return;
  if (y < kPanelHideAboveY) {
    m_quickDialDlg->ShowWindow(SW_HIDE);
    return;
  }
  WINDOWPLACEMENT placement;
  m_quickDialDlg->GetWindowPlacement(&placement);
  placement.showCmd = SW_SHOW;
  placement.rcNormalPosition = dock;
  m_quickDialDlg->SetWindowPlacement(&placement);
}
