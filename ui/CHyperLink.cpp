#include "ui/CHyperLink.h"

#include "platform/win/DC.h"
#include "platform/win/Resources.h"

namespace {
constexpr UINT kHandCursorId = 180;
}  // namespace

BEGIN_MESSAGE_MAP(CHyperLink, CStatic)
  ON_WM_CTLCOLOR_REFLECT()
  ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CHyperLink::CHyperLink() : m_handCursor(LoadCursor(AfxGetInstanceHandle(), MAKEINTRESOURCE(kHandCursorId))) {}

CHyperLink::~CHyperLink() {
  if (m_handCursor) DestroyCursor(m_handCursor);
  m_handCursor = nullptr;
}

HBRUSH CHyperLink::CtlColor(CDC* dc, UINT) {
  if (dc) {
    dc->SetTextColor(m_textColour);
    dc->SetBkMode(TRANSPARENT);
  }
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

BOOL CHyperLink::OnSetCursor(CWnd*, UINT, UINT) {
  ::SetCursor(m_handCursor);
  return TRUE;
}

void CHyperLink::PreSubclassWindow() {
  ModifyStyle(0, SS_NOTIFY);
  CStatic::PreSubclassWindow();
}

BOOL CHyperLink::PreTranslateMessage(MSG* msg) {
  if (msg && msg->message == WM_MOUSEMOVE) {
    Invalidate(TRUE);
    m_textColour = kHoverColour;
  }
  return CStatic::PreTranslateMessage(msg);
}
