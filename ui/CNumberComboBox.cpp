#include "ui/CNumberComboBox.h"

#include "platform/win/DC.h"

namespace {
constexpr int kFontHeight = 14;  // pixels

// The drop arrow: five strokes, each shorter by a pixel at both ends, so a downward
// triangle 8 pixels wide and 4 rows high, 2 pixels from the right edge.  The end point of
// a stroke is not drawn.
struct Stroke {
  int fromRight, fromTop, toRight, toTop;  // offsets: x = right - fromRight, y = top + fromTop
};
constexpr Stroke kArrow[] = {{2, 6, 10, 6}, {3, 7, 9, 7}, {4, 8, 8, 8}, {5, 9, 7, 9}, {6, 10, 6, 10}};
}  // namespace

CString CleanNumber(const char* text) {
  CString out;
  for (const char* p = text ? text : ""; *p; ++p) {
    if ((*p >= '0' && *p <= '9') || *p == '.') out += *p;
  }
  return out;
}

BEGIN_MESSAGE_MAP(CNumberComboBox, CComboBox)
  ON_WM_CTLCOLOR()
  ON_WM_PAINT()
END_MESSAGE_MAP()

CNumberComboBox::CNumberComboBox() {
  m_font.CreateFont(kFontHeight, 0, 0, 0, FW_THIN, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_CHARACTER_PRECIS,
                    CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, nullptr);
}

CNumberComboBox::~CNumberComboBox() { m_font.DeleteObject(); }

CString CNumberComboBox::TakeNumber() {
  CString text;
  GetWindowText(text);
  const CString number = CleanNumber(text);
  if (number.GetLength() >= kMinHistoryLength && number.GetLength() <= kMaxHistoryLength) {
    const int found = FindStringExact(-1, number);
    if (found >= 0) {
      DeleteString(static_cast<UINT>(found));
      InsertString(0, number);
    } else {
      InsertString(0, number);
      if (GetCount() > kHistoryEntries) DeleteString(kHistoryEntries);
    }
  }
  SetWindowText("");
  return number;
}

HBRUSH CNumberComboBox::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  HBRUSH brush = CComboBox::OnCtlColor(dc, wnd, ctlColor);
  if (dc) {
    dc->SelectObject(&m_font);
    dc->SetTextColor(kTextColour);
  }
  return brush;
}

void CNumberComboBox::OnPaint() {
  CPaintDC dc(this);
  CFont* previous = dc.SelectObject(&m_font);
  DrawDropArrow();
  dc.SelectObject(previous);
}

void CNumberComboBox::DrawDropArrow() {
  CRect r;
  GetClientRect(&r);
  CDC* dc = GetDC();
  if (!dc) return;
  CPen pen(PS_SOLID, 1, kArrowColour);
  CPen* previous = dc->SelectObject(&pen);
  for (const Stroke& s : kArrow) {
    dc->MoveTo(r.right - s.fromRight, r.top + s.fromTop);
    dc->LineTo(r.right - s.toRight, r.top + s.toTop);
  }
  dc->SelectObject(previous);
  ReleaseDC(dc);
}
