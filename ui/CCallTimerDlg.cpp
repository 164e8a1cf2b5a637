#include "ui/CCallTimerDlg.h"

#include "platform/win/DC.h"

namespace {
constexpr int kFontHeight = 14;  // pixels
constexpr int kTextX = 3;
constexpr int kTextY = 1;

CString TwoDigits(LONGLONG value) {
  CString part;
  part.Format("%s%lld", value < 10 ? "0" : "", static_cast<long long>(value));
  return part;
}
}  // namespace

CString FormatCallDuration(LONGLONG elapsed) {
  // A clock set back during the call must not give negative parts.
  if (elapsed < 0) elapsed = 0;
  const LONGLONG hours = elapsed / 3600 - (elapsed / 86400) * 24;
  const LONGLONG minutes = elapsed / 60 - (elapsed / 3600) * 60;
  const LONGLONG seconds = elapsed - (elapsed / 60) * 60;
  CString text;
  text.Format("%s:%s:%s", TwoDigits(hours).GetString(), TwoDigits(minutes).GetString(),
              TwoDigits(seconds).GetString());
  return text;
}

BEGIN_MESSAGE_MAP(CCallTimerDlg, CDialog)
  ON_WM_CTLCOLOR()
  ON_WM_PAINT()
  ON_WM_TIMER()
END_MESSAGE_MAP()

CCallTimerDlg::CCallTimerDlg(CWnd* parent) : CDialog(IDD, parent) {
  m_backBrush.CreateSolidBrush(m_backColour);
  m_font.CreateFont(kFontHeight, 0, 0, 0, FW_THIN, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_CHARACTER_PRECIS,
                    CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, nullptr);
}

CCallTimerDlg::~CCallTimerDlg() {
  if (m_hWnd) DestroyWindow();
  m_font.DeleteObject();
  m_backBrush.DeleteObject();
}

void CCallTimerDlg::StartTimer() {
  m_startTime = m_now();
  SetTimer(kTimerId, kTickMs);
}

void CCallTimerDlg::StopTimer() { KillTimer(kTimerId); }

void CCallTimerDlg::ResetDisplay() {
  m_timeText = "00:00:00";
  Invalidate(TRUE);
}

void CCallTimerDlg::SetTextColour(COLORREF colour) { m_textColour = colour; }

BOOL CCallTimerDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  MoveWindow(m_placement.left, m_placement.top, m_placement.Width(), m_placement.Height(), TRUE);
  return TRUE;
}

void CCallTimerDlg::OnTimer(UINT_PTR id) {
  const CTimeSpan elapsed = m_now() - m_startTime;
  m_timeText = FormatCallDuration(elapsed.GetTotalSeconds());
  // The text changes once a second and the timer ticks more often: only a change is drawn.
  if (m_timeText != m_shownText || m_textColour != m_shownColour) Invalidate(TRUE);
  CDialog::OnTimer(id);
}

void CCallTimerDlg::OnPaint() {
  CPaintDC dc(this);
  CFont* previousFont = dc.SelectObject(&m_font);
  const COLORREF previousBack = dc.SetBkColor(m_backColour);
  const COLORREF previousText = dc.SetTextColor(m_textColour);
  dc.TextOut(kTextX, kTextY, m_timeText);
  m_shownText = m_timeText;
  m_shownColour = m_textColour;
  dc.SelectObject(previousFont);
  dc.SetBkColor(previousBack);
  dc.SetTextColor(previousText);
}

HBRUSH CCallTimerDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  HBRUSH brush = CDialog::OnCtlColor(dc, wnd, ctlColor);
  if (ctlColor == CTLCOLOR_DLG) return m_backBrush;
  return brush;
}
