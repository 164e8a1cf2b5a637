// The status panel painted on the skin (number, balance, available time or mode, status,
// and the two level bars) with its setters, and the talk log they write.
#include "platform/win/DC.h"
#include "platform/win/Resources.h"
#include "ui/CPhoneLogDlg.h"
#include "ui/CVarloDlg.h"
#include "ui/StatusTexts.h"
#include "ui/TalkLog.h"

namespace {

constexpr int kFontHeight = 13;
constexpr int kTextX = 35;
constexpr int kNumberLineY = 90;
constexpr int kBalanceLineY = 108;
constexpr int kTimeLineY = 127;
constexpr int kStatusLineY = 145;
constexpr int kBarsY = 168;
constexpr int kBarHeight = 8;
constexpr int kBarPitch = 4;
constexpr int kSpeakerBarsX = 58;
constexpr int kMicBarsX = 152;
// The part of the window a repaint of the panel covers.
const CRect kPanelArea{35, 87, 205, 247};
constexpr UINT kPhoneLogDialog = 255;

}  // namespace

void CVarloDlg::SetNumberText(const CString& text) {
  m_numberText = text;
  WriteDisplayLine(kLineCall, m_numberText);
}

void CVarloDlg::SetStatusText(const CString& text) {
  m_statusText = text;
  WriteDisplayLine(kLineRepaint, CString());
}

void CVarloDlg::ShowStatus(UINT stringId) { SetStatusText(AfxLoadString(stringId)); }

void CVarloDlg::SetModeText(const CString& text) {
  m_modeText = text;
  WriteDisplayLine(kLineMode, m_modeText);
}

void CVarloDlg::ShowMode(UINT stringId) { SetModeText(AfxLoadString(stringId)); }

void CVarloDlg::ShowAvailableTime(DWORD seconds) {
  m_availableTimeText = AvailableTimeText(seconds);
  WriteDisplayLine(kLineRepaint, CString());
}

void CVarloDlg::SetBalanceText(const CString& text) {
  m_balanceText = BalanceText(text, m_lastBalanceText);
  m_lastBalanceText = m_balanceText;
  WriteDisplayLine(kLineRepaint, CString());
}

void CVarloDlg::WriteDisplayLine(int kind, CString text) {
  if (kind >= 0) {
    if (m_hWnd) {
      CRect client;
      GetClientRect(&client);
      const CRect area(client.left + kPanelArea.left, client.top + kPanelArea.top, client.left + kPanelArea.right,
                       client.top + kPanelArea.bottom);
      InvalidateRect(&area, TRUE);
    }
    if (kind == kLineRepaint) return;
  }
  const char* prefix = kind == kLineMode ? "Mode: " : kind == kLineCall ? "Call: " : "";
  AppendTalkLogLine(TalkLogPath(m_profile.m_appDir), prefix + text);
}

void CVarloDlg::LogString(UINT stringId) {
  AppendTalkLogLine(TalkLogPath(m_profile.m_appDir), AfxLoadString(stringId));
}

void CVarloDlg::PaintStatusPanel() {
  CPaintDC dc(this);
  CFont font;
  font.CreateFont(kFontHeight, 0, 0, 0, FW_THIN, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_CHARACTER_PRECIS,
                  CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, nullptr);
  CFont* oldFont = dc.SelectObject(&font);
  dc.SetTextColor(kPanelTextColor);
  dc.SetBkMode(TRANSPARENT);

  if (m_numberText.GetLength() > kNumberLineMaxChars) m_numberText = m_numberText.Left(kNumberLineMaxChars);
  dc.TextOut(kTextX, kNumberLineY, m_numberText);
  if (m_profile.m_callType != 0 && m_profile.m_loginMode == 2) {
    dc.TextOut(kTextX, kBalanceLineY, AfxLoadString(kIdsBalanceLabel) + m_balanceText);
  }
  if (!m_availableTimeText.IsEmpty()) {
    dc.TextOut(kTextX, kTimeLineY, AfxLoadString(kIdsAvailableTimeLabel) + m_availableTimeText);
  } else {
    dc.TextOut(kTextX, kTimeLineY, m_modeText);
  }
  dc.TextOut(kTextX, kStatusLineY, m_statusText);

  for (int i = 0; i < kMaxLevel; ++i) {
    dc.FillSolidRect(kSpeakerBarsX + kBarPitch * i, kBarsY, 1, kBarHeight,
                     i < m_speakerLevel ? kPanelTextColor : kBarUnlitColor);
    dc.FillSolidRect(kMicBarsX + kBarPitch * i, kBarsY, 1, kBarHeight, i < m_micLevel ? kPanelTextColor : kBarUnlitColor);
  }
  dc.SelectObject(oldFont);
}

void CVarloDlg::OnTalkLog() {
  if (m_logOpen) return;
  m_logOpen = 1;
  // The dialog of an earlier Log command is no longer used once it has been closed.
  delete m_logDlg;
  m_logDlg = new CPhoneLogDlg();
  // The application's main window, which is this one (also where there is no
  // application object, as in tests).
  m_logDlg->m_mainWnd = this;
  m_logDlg->m_appDir = m_profile.m_appDir;
  m_logDlg->m_profile = &m_profile;
  m_logDlg->m_numberBox = &m_numberBox;
  m_logDlg->Create(kPhoneLogDialog, this);
  m_logDlg->UpdateData(FALSE);
  m_logDlg->ShowWindow(SW_SHOW);
}
