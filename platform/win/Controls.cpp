#include "platform/win/Controls.h"

#include <algorithm>

#include "platform/win/ControlClasses.h"
#include "platform/win/DC.h"
#include "platform/win/GdiData.h"
#include "platform/win/ListCtrl.h"
#include "platform/win/MessageSystem.h"

using namespace varlo::win;

BOOL CBitmapButton::LoadBitmaps(UINT normal, UINT selected, UINT focus, UINT disabled) {
  m_bitmap.DeleteObject();
  m_bitmapSel.DeleteObject();
  m_bitmapFocus.DeleteObject();
  m_bitmapDisabled.DeleteObject();
  m_normalId = 0;
  m_selectedId = 0;
  if (!m_bitmap.LoadBitmap(normal)) {
    Invalidate();
    return FALSE;
  }
  m_normalId = normal;
  if (selected && m_bitmapSel.LoadBitmap(selected)) m_selectedId = selected;
  if (focus) m_bitmapFocus.LoadBitmap(focus);
  if (disabled) m_bitmapDisabled.LoadBitmap(disabled);
  if (WindowState* w = State()) w->Changed(kChangeContent);
  Invalidate();
  return TRUE;
}

void CBitmapButton::SizeToContent() {
  const CSize size = m_bitmap.GetBitmapDimension();
  if (size.cx == 0) return;
  SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
}

void CBitmapButton::DrawItem(LPDRAWITEMSTRUCT dis) {
  CDC* dc = CDC::FromHandle(dis->hDC);
  if (!dc) return;
  const CBitmap* face = &m_bitmap;
  if ((dis->itemState & ODS_SELECTED) && m_bitmapSel.m_hObject) {
    face = &m_bitmapSel;
  } else if ((dis->itemState & ODS_FOCUS) && m_bitmapFocus.m_hObject) {
    face = &m_bitmapFocus;
  } else if ((dis->itemState & ODS_DISABLED) && m_bitmapDisabled.m_hObject) {
    face = &m_bitmapDisabled;
  }
  if (!face->m_hObject) return;
  // The button shows the bitmap's top-left part that fits its window.
  const CRect r(dis->rcItem);
  const CSize size = face->GetBitmapDimension();
  dc->DrawBitmap(r.left, r.top, static_cast<HBITMAP>(face->m_hObject), std::min<int>(r.Width(), size.cx),
                 std::min<int>(r.Height(), size.cy));
}

void CComboBox::GetLBText(int index, CString& out) const {
  const int len = GetLBTextLen(index);
  if (len < 0) {
    out.Empty();
    return;
  }
  std::string s(static_cast<size_t>(len) + 1, '\0');
  GetLBText(index, s.data());
  s.resize(static_cast<size_t>(len));
  out = CString(std::move(s));
}

void CListBox::GetText(int index, CString& out) const {
  const int len = static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index)));
  if (len < 0) {
    out.Empty();
    return;
  }
  std::string s(static_cast<size_t>(len) + 1, '\0');
  SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(len));
  out = CString(std::move(s));
}

// -----------------------------------------------------------------------------------------

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
  return CreateEx(WS_EX_TOPMOST, "tooltips_class32", "", WS_POPUP | style, CRect(0, 0, 0, 0), parent, 0);
}

BOOL CToolTipCtrl::AddTool(CWnd* tool, const char* text, LPCRECT rect, UINT_PTR id) {
  if (!tool) return FALSE;
  TOOLINFO info;
  info.hwnd = tool->m_hWnd;
  info.uId = id;
  info.lpszText = text;
  if (rect) {
    info.rect = *rect;
  } else {
    tool->GetClientRect(&info.rect);
  }
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(const char* text, CWnd* tool, UINT_PTR id) {
  if (!tool) return;
  TOOLINFO info;
  info.hwnd = tool->m_hWnd;
  info.uId = id;
  info.lpszText = text;
  SendMessage(TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::DelTool(CWnd* tool, UINT_PTR id) {
  if (!tool) return;
  TOOLINFO info;
  info.hwnd = tool->m_hWnd;
  info.uId = id;
  SendMessage(TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&info));
}

// -----------------------------------------------------------------------------------------
// CListCtrl works on the list view's data directly.

namespace {
ListViewClass* View(const CWnd* wnd, WindowState** state = nullptr) {
  WindowState* w = wnd->State();
  if (state) *state = w;
  return w ? w->As<ListViewClass>() : nullptr;
}
}  // namespace

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width, int) {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  if (!v) return -1;
  const int at = std::clamp(column, 0, static_cast<int>(v->columns.size()));
  ListViewClass::Column c;
  c.text = heading ? heading : "";
  c.format = format;
  c.width = width < 0 ? 6 * static_cast<int>(c.text.size()) + 12 : width;
  v->columns.insert(v->columns.begin() + at, c);
  for (auto& row : v->rows) {
    if (at > 0 || row.cells.size() < v->columns.size()) {
      row.cells.insert(row.cells.begin() + std::min<size_t>(static_cast<size_t>(at), row.cells.size()), std::string());
    }
  }
  ListViewClass::ContentChanged(*w);
  return at;
}

int CListCtrl::GetColumnWidth(int column) const {
  ListViewClass* v = View(this);
  if (!v || column < 0 || column >= static_cast<int>(v->columns.size())) return 0;
  return v->columns[static_cast<size_t>(column)].width;
}

BOOL CListCtrl::SetColumnWidth(int column, int width) {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  if (!v || column < 0 || column >= static_cast<int>(v->columns.size())) return FALSE;
  v->columns[static_cast<size_t>(column)].width = width;
  ListViewClass::ContentChanged(*w);
  return TRUE;
}

int CListCtrl::GetColumnCount() const {
  ListViewClass* v = View(this);
  return v ? static_cast<int>(v->columns.size()) : 0;
}

DWORD CListCtrl::SetExtendedStyle(DWORD style) {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  if (!v) return 0;
  const DWORD old = v->extendedStyle;
  v->extendedStyle = style;
  w->Changed(kChangeStyle);
  return old;
}

DWORD CListCtrl::GetExtendedStyle() const {
  ListViewClass* v = View(this);
  return v ? v->extendedStyle : 0;
}

int CListCtrl::InsertItem(int index, const char* text) {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  return v ? v->InsertRow(*w, index, text ? text : "") : -1;
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text) {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  if (!v || item < 0 || item >= static_cast<int>(v->rows.size()) || subItem < 0) return FALSE;
  auto& cells = v->rows[static_cast<size_t>(item)].cells;
  if (static_cast<size_t>(subItem) >= cells.size()) cells.resize(static_cast<size_t>(subItem) + 1);
  cells[static_cast<size_t>(subItem)] = text ? text : "";
  ListViewClass::ContentChanged(*w);
  return TRUE;
}

CString CListCtrl::GetItemText(int item, int subItem) const {
  ListViewClass* v = View(this);
  if (!v || item < 0 || item >= static_cast<int>(v->rows.size()) || subItem < 0) return CString();
  const auto& cells = v->rows[static_cast<size_t>(item)].cells;
  return static_cast<size_t>(subItem) < cells.size() ? CString(cells[static_cast<size_t>(subItem)].c_str()) : CString();
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data) {
  ListViewClass* v = View(this);
  if (!v || item < 0 || item >= static_cast<int>(v->rows.size())) return FALSE;
  v->rows[static_cast<size_t>(item)].data = static_cast<LPARAM>(data);
  return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int item) const {
  ListViewClass* v = View(this);
  if (!v || item < 0 || item >= static_cast<int>(v->rows.size())) return 0;
  return static_cast<DWORD_PTR>(v->rows[static_cast<size_t>(item)].data);
}

BOOL CListCtrl::DeleteItem(int item) {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  if (!v || item < 0 || item >= static_cast<int>(v->rows.size())) return FALSE;
  v->rows.erase(v->rows.begin() + item);
  ListViewClass::ContentChanged(*w);
  return TRUE;
}

BOOL CListCtrl::DeleteAllItems() {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  if (!v) return FALSE;
  v->rows.clear();
  ListViewClass::ContentChanged(*w);
  return TRUE;
}

int CListCtrl::GetItemCount() const {
  ListViewClass* v = View(this);
  return v ? static_cast<int>(v->rows.size()) : 0;
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  if (!v || item >= static_cast<int>(v->rows.size())) return FALSE;
  v->SetState(*w, item, state, mask);
  return TRUE;
}

UINT CListCtrl::GetItemState(int item, UINT mask) const {
  ListViewClass* v = View(this);
  if (!v || item < 0 || item >= static_cast<int>(v->rows.size())) return 0;
  return v->rows[static_cast<size_t>(item)].state & mask;
}

int CListCtrl::GetNextItem(int start, int flags) const {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  if (!v) return -1;
  UINT want = 0;
  if (flags & LVNI_SELECTED) want |= LVIS_SELECTED_STATE;
  if (flags & LVNI_FOCUSED) want |= LVIS_FOCUSED_STATE;
  return v->NextWith(*w, start, want);
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const {
  const int first = GetNextItem(-1, LVNI_SELECTED);
  return reinterpret_cast<POSITION>(static_cast<UINT_PTR>(first + 1));
}

int CListCtrl::GetNextSelectedItem(POSITION& pos) const {
  const int current = static_cast<int>(reinterpret_cast<UINT_PTR>(pos)) - 1;
  const int next = GetNextItem(current, LVNI_SELECTED);
  pos = reinterpret_cast<POSITION>(static_cast<UINT_PTR>(next + 1));
  return current;
}

int CListCtrl::GetSelectedCount() const {
  int n = 0;
  for (int i = GetNextItem(-1, LVNI_SELECTED); i >= 0; i = GetNextItem(i, LVNI_SELECTED)) ++n;
  return n;
}

BOOL CListCtrl::EnsureVisible(int item, BOOL) {
  WindowState* w;
  ListViewClass* v = View(this, &w);
  if (!v || item < 0 || item >= static_cast<int>(v->rows.size())) return FALSE;
  const int visible = std::max(1, (w->rect.Height() - ListViewClass::kHeaderHeight) / ListViewClass::kRowHeight);
  if (item < v->topIndex) v->topIndex = item;
  if (item >= v->topIndex + visible) v->topIndex = item - visible + 1;
  ListViewClass::ContentChanged(*w);
  return TRUE;
}

int CListCtrl::GetTopIndex() const {
  ListViewClass* v = View(this);
  return v ? v->topIndex : 0;
}
