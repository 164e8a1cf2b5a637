#include "ui/CSkinButton.h"

#include "platform/win/Resources.h"

namespace {
constexpr UINT kHandCursorId = 180;
constexpr UINT_PTR kToolId = 1;
}  // namespace

BEGIN_MESSAGE_MAP(CSkinButton, CBitmapButton)
  ON_WM_LBUTTONDBLCLK()
  ON_WM_SETCURSOR()
END_MESSAGE_MAP()

// The cursor comes from the executable: the language libraries may be switched in later.
CSkinButton::CSkinButton() : m_handCursor(LoadCursor(AfxGetInstanceHandle(), MAKEINTRESOURCE(kHandCursorId))) {}

CSkinButton::~CSkinButton() {
  DeleteTooltip();
  if (m_handCursor) DestroyCursor(m_handCursor);
  m_handCursor = nullptr;
}

void CSkinButton::SetPosition(int x, int y) {
  CRect client;
  GetClientRect(&client);
  MoveWindow(x, y, client.Width(), client.Height(), TRUE);
}

void CSkinButton::SetTooltipText(const CString& text, BOOL activate) {
  if (text.IsEmpty()) return;
  EnsureTooltip();
  m_tooltipText = text;
  if (m_tooltip->GetToolCount() == 0) {
    CRect client;
    GetClientRect(&client);
    m_tooltip->AddTool(this, m_tooltipText, &client, kToolId);
  }
  m_tooltip->UpdateTipText(m_tooltipText, this, kToolId);
  m_tooltip->Activate(activate);
}

void CSkinButton::EnsureTooltip() {
  if (m_tooltip) return;
  auto tooltip = std::make_unique<CToolTipCtrl>();
  tooltip->Create(this, 0);
  m_tooltip = std::move(tooltip);
  m_tooltip->Activate(TRUE);
}

void CSkinButton::DeleteTooltip() { m_tooltip.reset(); }

BOOL CSkinButton::PreTranslateMessage(MSG* msg) {
  if (m_tooltip && m_tooltip->IsWindow()) m_tooltip->RelayEvent(msg);
  return CBitmapButton::PreTranslateMessage(msg);
}

BOOL CSkinButton::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  if (!m_handCursor) return CBitmapButton::OnSetCursor(wnd, hitTest, message);
  ::SetCursor(m_handCursor);
  return TRUE;
}

// The double click's press is followed by a press of our own, so that the release that
// comes next completes a second click.  The press is handled at once rather than posted:
// the release may be delivered before a posted message, and a press handled after its
// release would leave the button held down with the mouse captured.
void CSkinButton::OnLButtonDblClk(UINT flags, CPoint point) {
  CBitmapButton::OnLButtonDblClk(flags, point);
  if (m_hWnd) SendMessage(WM_LBUTTONDOWN, 0, 0);
}
