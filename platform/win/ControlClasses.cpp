#include "platform/win/ControlClasses.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "platform/win/Controls.h"
#include "platform/win/DC.h"
#include "platform/win/MessageSystem.h"

namespace varlo::win {

namespace {

MessageSystem& Sys() { return MessageSystem::Instance(); }

void Repaint(WindowState& w) {
  ::InvalidateRect(w.hwnd, nullptr, TRUE);
  if (w.IsChild()) ::InvalidateRect(w.parent, nullptr, TRUE);
}

int CompareNoCase(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()); }

CPoint ClientPoint(LPARAM l) { return CPoint(GET_X_LPARAM(l), GET_Y_LPARAM(l)); }

// The text of a label without its mnemonic marks ("&File" shows "File", "&&" an ampersand).
std::string StripPrefix(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '&') {
      out += s[i];
    } else if (i + 1 < s.size()) {
      out += s[++i];
    }
  }
  return out;
}

// Asks the parent for the colours of a control, as the system's controls do.
HBRUSH AskColours(WindowState& w, CDC& dc, UINT msg) {
  if (!w.IsChild()) return nullptr;
  return reinterpret_cast<HBRUSH>(
      Sys().CallWindow(w.parent, msg, reinterpret_cast<WPARAM>(dc.m_hDC), reinterpret_cast<LPARAM>(w.hwnd)));
}

void SelectWindowFont(WindowState& w, CDC& dc) {
  if (w.font) dc.SelectObject(static_cast<HGDIOBJ>(w.font));
}

}  // namespace

void NotifyParent(WindowState& w, UINT code) {
  if (!w.IsChild()) return;
  Sys().Send(w.parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w.id), static_cast<WORD>(code)),
             reinterpret_cast<LPARAM>(w.hwnd));
}

LRESULT NotifyParent(WindowState& w, NMHDR& header) {
  if (!w.IsChild()) return 0;
  header.hwndFrom = w.hwnd;
  header.idFrom = static_cast<UINT_PTR>(w.id);
  return Sys().Send(w.parent, WM_NOTIFY, static_cast<WPARAM>(w.id), reinterpret_cast<LPARAM>(&header)).value_or(0);
}

// -----------------------------------------------------------------------------------------
// Buttons

bool ButtonClass::DrawnByLayer(const WindowState& w) const {
  return Type(w) == BS_OWNERDRAW || Type(w) == BS_GROUPBOX;
}

void ButtonClass::Click(WindowState& w) {
  const HWND hwnd = w.hwnd;
  const DWORD type = Type(w);
  if (type == BS_AUTOCHECKBOX) {
    check = check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    w.Changed(kChangeContent);
  } else if (type == BS_AUTO3STATE) {
    check = (check + 1) % 3;
    w.Changed(kChangeContent);
  } else if (type == BS_AUTORADIOBUTTON) {
    // The other automatic radio buttons of the group go off.
    if (WindowState* p = Sys().Find(w.parent)) {
      const auto& sibs = p->children;
      auto me = std::find(sibs.begin(), sibs.end(), hwnd);
      auto first = me;
      while (first != sibs.begin()) {
        WindowState* s = Sys().Find(*first);
        if (s && (s->style & WS_GROUP)) break;
        --first;
      }
      for (auto it = first; it != sibs.end(); ++it) {
        WindowState* s = Sys().Find(*it);
        if (!s) continue;
        if (it != first && (s->style & WS_GROUP)) break;
        auto* b = s->As<ButtonClass>();
        if (b && *it != hwnd && Type(*s) == BS_AUTORADIOBUTTON && b->check) {
          b->check = BST_UNCHECKED;
          s->Changed(kChangeContent);
        }
      }
    }
    check = BST_CHECKED;
    w.Changed(kChangeContent);
  }
  NotifyParent(w, BN_CLICKED);
}

LRESULT ButtonClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case BM_GETCHECK:
      return check;
    case BM_SETCHECK:
      check = static_cast<UINT>(wParam);
      w.Changed(kChangeContent);
      Repaint(w);
      return 0;
    case BM_GETSTATE:
      return check | (pushed ? BST_PUSHED : 0u) | (::GetFocus() == w.hwnd ? BST_FOCUS : 0u);
    case BM_SETSTATE:
      pushed = wParam != 0;
      Repaint(w);
      return 0;
    case BM_SETSTYLE:
      w.style = (w.style & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
      w.Changed(kChangeStyle);
      if (lParam) Repaint(w);
      return 0;
    case BM_CLICK:
      if (w.Enabled()) Click(w);
      return 0;
    case WM_NCHITTEST:
      if (Type(w) == BS_GROUPBOX) return HTTRANSPARENT;
      return DefWindowProcImpl(w, msg, wParam, lParam);
    case WM_LBUTTONDBLCLK:
      if (Type(w) == BS_OWNERDRAW || Type(w) == BS_RADIOBUTTON || Type(w) == BS_AUTORADIOBUTTON ||
          (w.style & BS_NOTIFY)) {
        NotifyParent(w, BN_DOUBLECLICKED);
        return 0;
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN:
      if (!w.Enabled()) return 0;
      pushed = true;
      ::SetCapture(w.hwnd);
      if (w.style & WS_TABSTOP || Type(w) == BS_OWNERDRAW || Type(w) <= BS_DEFPUSHBUTTON) ::SetFocus(w.hwnd);
      Repaint(w);
      return 0;
    case WM_MOUSEMOVE:
      if (::GetCapture() == w.hwnd) {
        const bool inside = w.ClientRect().PtInRect(ClientPoint(lParam));
        if (inside != pushed) {
          pushed = inside;
          Repaint(w);
        }
      }
      return 0;
    case WM_LBUTTONUP: {
      if (::GetCapture() != w.hwnd) return 0;
      const bool wasPushed = pushed;
      pushed = false;
      ::ReleaseCapture();
      Repaint(w);
      if (wasPushed && w.ClientRect().PtInRect(ClientPoint(lParam))) Click(w);
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && w.Enabled()) {
        pushed = true;
        Repaint(w);
      }
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE && pushed) {
        pushed = false;
        Repaint(w);
        Click(w);
      }
      return 0;
    case WM_PAINT: {
      CPaintDC dc(CWnd::FromHandle(w.hwnd));
      PaintControl(w, dc);
      return 0;
    }
    default:
      return DefWindowProcImpl(w, msg, wParam, lParam);
  }
}

void ButtonClass::PaintControl(WindowState& w, CDC& dc) {
  if (Type(w) == BS_OWNERDRAW) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(w.id);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (pushed ? ODS_SELECTED : 0u) | (w.Enabled() ? 0u : ODS_DISABLED) |
                    (::GetFocus() == w.hwnd ? ODS_FOCUS : 0u);
    dis.hwndItem = w.hwnd;
    dis.hDC = dc.m_hDC;
    dis.rcItem = w.ClientRect();
    if (auto* button = dynamic_cast<CButton*>(w.wnd)) {
      button->DrawItem(&dis);
    } else if (w.IsChild()) {
      Sys().CallWindow(w.parent, WM_DRAWITEM, static_cast<WPARAM>(w.id), reinterpret_cast<LPARAM>(&dis));
    }
    return;
  }
  if (Type(w) == BS_GROUPBOX) {
    AskColours(w, dc, WM_CTLCOLORSTATIC);
    SelectWindowFont(w, dc);
    const std::string label = StripPrefix(w.text);
    const CSize ext = dc.GetTextExtent(label.c_str(), static_cast<int>(label.size()));
    const CRect r = w.ClientRect();
    const int top = ext.cy / 2;
    CPen shadow(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    dc.SelectObject(&shadow);
    dc.MoveTo(r.left, r.top + top);
    dc.LineTo(r.left + 6, r.top + top);
    dc.MoveTo(r.left + 8 + ext.cx + 2, r.top + top);
    dc.LineTo(r.right - 1, r.top + top);
    dc.LineTo(r.right - 1, r.bottom - 1);
    dc.LineTo(r.left, r.bottom - 1);
    dc.LineTo(r.left, r.top + top);
    dc.SetBkMode(TRANSPARENT);
    if (!label.empty()) dc.TextOut(r.left + 8, r.top, label.c_str(), static_cast<int>(label.size()));
    dc.SelectStockObject(BLACK_PEN);
  }
}

// -----------------------------------------------------------------------------------------
// Edit controls

int EditClass::LineCount(const WindowState& w) const {
  return 1 + static_cast<int>(std::count(w.text.begin(), w.text.end(), '\n'));
}

void EditClass::UserSetText(WindowState& w, const std::string& text) {
  if (text == w.text) return;
  w.text = text;
  selStart = selEnd = text.size();
  if (WindowState* p = Sys().Find(w.parent); p && p->As<ComboBoxClass>()) p->Changed(kChangeText);
  NotifyParent(w, EN_UPDATE);
  NotifyParent(w, EN_CHANGE);
}

LRESULT EditClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      // The same text again (a dialog's data written to its controls once more) leaves the
      // view where it was scrolled to.
      if (w.text != (text ? text : "")) firstVisibleLine = 0;
      w.text = text ? text : "";
      selStart = selEnd = 0;
      w.Changed(kChangeText);
      if (WindowState* p = Sys().Find(w.parent); p && p->As<ComboBoxClass>()) p->Changed(kChangeText);
      NotifyParent(w, EN_UPDATE);
      NotifyParent(w, EN_CHANGE);
      return TRUE;
    }
    case EM_LIMITTEXT:
      limit = wParam == 0 ? 0x7FFFFFFE : static_cast<size_t>(wParam);
      w.Changed(kChangeContent);
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(limit);
    case EM_SETREADONLY:
      if (wParam) {
        w.style |= ES_READONLY;
      } else {
        w.style &= ~ES_READONLY;
      }
      w.Changed(kChangeStyle);
      return TRUE;
    case EM_GETLINECOUNT:
      return LineCount(w);
    case EM_LINESCROLL:
      firstVisibleLine = std::clamp(firstVisibleLine + static_cast<int>(lParam), 0, LineCount(w) - 1);
      w.Changed(kChangeContent);
      return TRUE;
    case EM_SETSEL: {
      const auto clampPos = [&](LONG_PTR v) { return v < 0 ? w.text.size() : std::min(w.text.size(), static_cast<size_t>(v)); };
      if (static_cast<LONG_PTR>(wParam) == -1) {
        selStart = selEnd = w.text.size();
      } else {
        selStart = clampPos(static_cast<LONG_PTR>(wParam));
        selEnd = clampPos(lParam);
        if (selStart > selEnd) std::swap(selStart, selEnd);
      }
      return 0;
    }
    case EM_GETSEL:
      return MAKELONG(static_cast<WORD>(selStart), static_cast<WORD>(selEnd));
    case EM_REPLACESEL: {
      const char* text = reinterpret_cast<const char*>(lParam);
      std::string t = w.text;
      t.replace(std::min(selStart, t.size()), selEnd - std::min(selStart, selEnd), text ? text : "");
      const size_t caret = selStart + (text ? std::strlen(text) : 0);
      UserSetText(w, t);
      selStart = selEnd = caret;
      w.Changed(kChangeText);
      return 0;
    }
    case WM_CHAR: {
      if (w.style & ES_READONLY) return 0;
      std::string t = w.text;
      if (wParam == VK_BACK) {
        if (!t.empty()) {
          size_t cut = t.size() - 1;
          while (cut > 0 && (static_cast<unsigned char>(t[cut]) & 0xC0) == 0x80) --cut;
          t.erase(cut);
        }
      } else if (wParam == VK_RETURN) {
        if (!(w.style & ES_MULTILINE) || !(w.style & ES_WANTRETURN)) return 0;
        t += "\r\n";
      } else if (wParam >= 0x20 && wParam < 0x7F) {
        if ((w.style & ES_NUMBER) && (wParam < '0' || wParam > '9')) return 0;
        if (t.size() >= limit) return 0;
        t += static_cast<char>(wParam);
      } else {
        return 0;
      }
      UserSetText(w, t);
      w.Changed(kChangeText);
      return 0;
    }
    case WM_LBUTTONDOWN:
      ::SetFocus(w.hwnd);
      return 0;
    case WM_SETFOCUS:
      NotifyParent(w, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      NotifyParent(w, EN_KILLFOCUS);
      return 0;
    default:
      return DefWindowProcImpl(w, msg, wParam, lParam);
  }
}

// -----------------------------------------------------------------------------------------
// Static controls

LRESULT StaticClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case STM_SETICON: {
      HICON old = icon;
      icon = reinterpret_cast<HICON>(wParam);
      w.Changed(kChangeContent);
      Repaint(w);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
      return reinterpret_cast<LRESULT>(icon);
    case STM_SETIMAGE:
      if (wParam == 1) return Proc(w, STM_SETICON, static_cast<WPARAM>(lParam), 0);
      {
        HBITMAP old = bitmap;
        bitmap = reinterpret_cast<HBITMAP>(lParam);
        w.Changed(kChangeContent);
        Repaint(w);
        return reinterpret_cast<LRESULT>(old);
      }
    case STM_GETIMAGE:
      return wParam == 1 ? reinterpret_cast<LRESULT>(icon) : reinterpret_cast<LRESULT>(bitmap);
    case WM_NCHITTEST:
      if (!(w.style & SS_NOTIFY)) return HTTRANSPARENT;
      return DefWindowProcImpl(w, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
      if (w.style & SS_NOTIFY) NotifyParent(w, STN_CLICKED);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (w.style & SS_NOTIFY) NotifyParent(w, STN_DBLCLK);
      return 0;
    case WM_PAINT: {
      CPaintDC dc(CWnd::FromHandle(w.hwnd));
      PaintControl(w, dc);
      return 0;
    }
    default:
      return DefWindowProcImpl(w, msg, wParam, lParam);
  }
}

void StaticClass::PaintControl(WindowState& w, CDC& dc) {
  SelectWindowFont(w, dc);
  HBRUSH brush = AskColours(w, dc, WM_CTLCOLORSTATIC);
  const CRect r = w.ClientRect();
  const DWORD type = w.style & SS_TYPEMASK;
  if (type == SS_ICON) {
    if (icon) dc.DrawIcon(0, 0, icon);
    return;
  }
  if (type == SS_BITMAP) {
    if (bitmap) dc.DrawBitmap(0, 0, bitmap);
    return;
  }
  if (brush && dc.GetBkMode() == OPAQUE) dc.FillRect(&r, brush);
  if (type > SS_RIGHT) return;  // frames and rectangles carry no text
  UINT format = DT_WORDBREAK | DT_NOPREFIX;
  if (type == SS_CENTER) format |= DT_CENTER;
  if (type == SS_RIGHT) format |= DT_RIGHT;
  if (w.style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_VCENTER | DT_SINGLELINE;
  const std::string text = (w.style & SS_NOPREFIX) ? w.text : StripPrefix(w.text);
  CRect box = r;
  dc.DrawText(text.c_str(), static_cast<int>(text.size()), &box, format);
}

// -----------------------------------------------------------------------------------------
// String lists, combo boxes and list boxes

int StringList::Add(const std::string& s) {
  data.resize(items.size());
  if (!sorted) {
    items.push_back(s);
    data.push_back(0);
    return static_cast<int>(items.size()) - 1;
  }
  auto it = std::upper_bound(items.begin(), items.end(), s,
                             [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
  const int index = static_cast<int>(it - items.begin());
  items.insert(it, s);
  data.insert(data.begin() + index, 0);
  if (cursel >= index) ++cursel;
  return index;
}

int StringList::Insert(int index, const std::string& s) {
  if (index < 0 || index > static_cast<int>(items.size())) index = static_cast<int>(items.size());
  items.insert(items.begin() + index, s);
  data.resize(items.size() - 1);
  data.insert(data.begin() + index, 0);
  if (cursel >= index) ++cursel;
  return index;
}

int StringList::Find(int after, const std::string& s, bool exact) const {
  const int n = static_cast<int>(items.size());
  if (n == 0) return -1;
  const int start = after < 0 || after >= n ? 0 : after + 1;
  for (int k = 0; k < n; ++k) {
    const int i = (start + k) % n;
    const std::string& item = items[static_cast<size_t>(i)];
    if (exact ? CompareNoCase(item, s) == 0 : strncasecmp(item.c_str(), s.c_str(), s.size()) == 0) return i;
  }
  return -1;
}

namespace {
// The list messages that combo and list boxes share, given each family's numbers.
struct ListMessages {
  UINT add, insert, remove, reset, getCount, getCur, setCur, getText, getTextLen, find, findExact, select, getData,
      setData;
  LRESULT err;
};
constexpr ListMessages kComboMessages{CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
                                      CB_GETCOUNT,  CB_GETCURSEL,    CB_SETCURSEL,    CB_GETLBTEXT,
                                      CB_GETLBTEXTLEN, CB_FINDSTRING, CB_FINDSTRINGEXACT, CB_SELECTSTRING,
                                      CB_GETITEMDATA, CB_SETITEMDATA, CB_ERR};
constexpr ListMessages kListMessages{LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
                                     LB_GETCOUNT,  LB_GETCURSEL,    LB_SETCURSEL,    LB_GETTEXT,
                                     LB_GETTEXTLEN, LB_FINDSTRING, LB_FINDSTRINGEXACT, 0x018C,
                                     LB_GETITEMDATA, LB_SETITEMDATA, LB_ERR};

// True for the messages that change a list's items or its selection (queries change nothing
// and must not make the toolkit's copy be compared or rebuilt: a loop reading every item of a
// long list would otherwise take time in the square of its length).
bool ChangesList(const ListMessages& m, UINT msg) {
  return msg == m.add || msg == m.insert || msg == m.remove || msg == m.reset || msg == m.setCur || msg == m.select;
}

// Returns true when it handled the message; the caller does what follows a selection.
bool HandleList(StringList& list, const ListMessages& m, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& r,
                bool& selectionChanged, bool& reset) {
  const char* text = reinterpret_cast<const char*>(lParam);
  const int n = static_cast<int>(list.items.size());
  const int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
  if (msg == m.add) {
    r = list.Add(text ? text : "");
  } else if (msg == m.insert) {
    r = list.Insert(index, text ? text : "");
  } else if (msg == m.remove) {
    if (index < 0 || index >= n) {
      r = m.err;
    } else {
      list.items.erase(list.items.begin() + index);
      list.data.resize(list.items.size() + 1);
      list.data.erase(list.data.begin() + index);
      if (list.cursel == index) list.cursel = -1;
      else if (list.cursel > index) --list.cursel;
      r = static_cast<LRESULT>(list.items.size());
    }
  } else if (msg == m.reset) {
    list.items.clear();
    list.data.clear();
    list.cursel = -1;
    reset = true;
    r = 0;
  } else if (msg == m.getCount) {
    r = n;
  } else if (msg == m.getCur) {
    r = list.cursel < 0 ? m.err : list.cursel;
  } else if (msg == m.setCur) {
    list.cursel = index >= 0 && index < n ? index : -1;
    selectionChanged = true;
    r = index >= 0 && index < n ? index : m.err;
  } else if (msg == m.getText) {
    if (index < 0 || index >= n) {
      r = m.err;
    } else {
      const std::string& s = list.items[static_cast<size_t>(index)];
      if (auto* out = reinterpret_cast<char*>(lParam)) std::memcpy(out, s.c_str(), s.size() + 1);
      r = static_cast<LRESULT>(s.size());
    }
  } else if (msg == m.getData || msg == m.setData) {
    if (index < 0 || index >= n) {
      r = m.err;
    } else {
      list.data.resize(list.items.size());
      if (msg == m.setData) list.data[static_cast<size_t>(index)] = lParam;
      r = msg == m.setData ? TRUE : list.data[static_cast<size_t>(index)];
    }
  } else if (msg == m.getTextLen) {
    r = index < 0 || index >= n ? m.err : static_cast<LRESULT>(list.items[static_cast<size_t>(index)].size());
  } else if (msg == m.find || msg == m.findExact || msg == m.select) {
    const int found = list.Find(index, text ? text : "", msg == m.findExact);
    if (msg == m.select && found >= 0) {
      list.cursel = found;
      selectionChanged = true;
    }
    r = found < 0 ? m.err : found;
  } else {
    return false;
  }
  return true;
}
}  // namespace

void ComboBoxClass::UserSelect(WindowState& w, int index) {
  const HWND hwnd = w.hwnd;
  Proc(w, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  NotifyParent(w, CBN_SELCHANGE);
  if (WindowState* still = Sys().Find(hwnd)) ShowDropped(*still, false);
}

void ComboBoxClass::ShowDropped(WindowState& w, bool show) {
  if (dropped == show || (w.style & 0x3) == CBS_SIMPLE) return;
  dropped = show;
  w.Changed(kChangeContent);
  NotifyParent(w, show ? CBN_DROPDOWN : CBN_CLOSEUP);
}

CRect ComboBoxClass::EditRect(const WindowState& w) {
  CRect r = w.ClientRect();
  if ((w.style & 0x3) == CBS_DROPDOWN) r.right = std::max(r.left, r.right - kDropButtonWidth);
  return r;
}

LRESULT ComboBoxClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r = 0;
  bool selectionChanged = false, reset = false;
  if (HandleList(list, kComboMessages, msg, wParam, lParam, r, selectionChanged, reset)) {
    if (selectionChanged || reset) {
      const std::string text = list.cursel >= 0 ? list.items[static_cast<size_t>(list.cursel)] : std::string();
      if (WindowState* e = Sys().Find(edit)) {
        e->text = text;
        e->Changed(kChangeText);
      }
    }
    if (selectionChanged || reset) {
      w.Changed(kChangeContent | kChangeText);
    } else if (ChangesList(kComboMessages, msg)) {
      // Items added or removed one by one reach the toolkit once, when the loop next turns.
      Sys().SyncLater(w.hwnd, kChangeContent);
    }
    return r;
  }
  switch (msg) {
    case WM_CREATE:
      list.sorted = (w.style & CBS_SORT) != 0;
      if (HasEdit(w)) {
        edit = CreateWindowState(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, EditRect(w), w.hwnd,
                                 1001, nullptr);
      }
      return 0;
    case WM_SETTEXT:
      if (WindowState* e = Sys().Find(edit)) return Sys().CallWindow(e->hwnd, msg, wParam, lParam);
      return DefWindowProcImpl(w, msg, wParam, lParam);
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      if (WindowState* e = Sys().Find(edit)) return Sys().CallWindow(e->hwnd, msg, wParam, lParam);
      if (msg == WM_GETTEXTLENGTH) {
        return list.cursel < 0 ? 0 : static_cast<LRESULT>(list.items[static_cast<size_t>(list.cursel)].size());
      } else {
        auto* out = reinterpret_cast<char*>(lParam);
        const std::string s = list.cursel < 0 ? std::string() : list.items[static_cast<size_t>(list.cursel)];
        if (!out || wParam == 0) return 0;
        const size_t len = std::min(s.size(), static_cast<size_t>(wParam) - 1);
        std::memcpy(out, s.data(), len);
        out[len] = '\0';
        return static_cast<LRESULT>(len);
      }
    case CB_LIMITTEXT:
      return Sys().CallWindow(edit, EM_LIMITTEXT, wParam, 0);
    case CB_SHOWDROPDOWN:
      ShowDropped(w, wParam != 0);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return dropped ? TRUE : FALSE;
    case WM_SIZE: {
      const CRect r = EditRect(w);
      ::MoveWindow(edit, r.left, r.top, r.Width(), r.Height(), FALSE);
      return 0;
    }
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == edit) {
        switch (HIWORD(wParam)) {
          case EN_CHANGE:
            NotifyParent(w, CBN_EDITCHANGE);
            break;
          case EN_UPDATE:
            NotifyParent(w, CBN_EDITUPDATE);
            break;
          case EN_SETFOCUS:
            NotifyParent(w, CBN_SETFOCUS);
            break;
          case EN_KILLFOCUS:
            NotifyParent(w, CBN_KILLFOCUS);
            break;
          default:
            break;
        }
      }
      return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      // The edit field's colour request goes on to the box's parent.
      if (w.IsChild()) return Sys().CallWindow(w.parent, msg, wParam, lParam);
      return DefWindowProcImpl(w, msg, wParam, lParam);
    case WM_LBUTTONDOWN: {
      // A press on the box outside its edit field is a press on the drop button.
      const HWND hwnd = w.hwnd;
      if (edit) ::SetFocus(edit);
      if (WindowState* still = Sys().Find(hwnd)) ShowDropped(*still, !dropped);
      return 0;
    }
    case WM_SETFOCUS:
      if (edit) ::SetFocus(edit);
      return 0;
    default:
      return DefWindowProcImpl(w, msg, wParam, lParam);
  }
}

void ListBoxClass::UserSelect(WindowState& w, int index) {
  Proc(w, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (w.style & LBS_NOTIFY) NotifyParent(w, LBN_SELCHANGE);
}

LRESULT ListBoxClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT r = 0;
  bool selectionChanged = false, reset = false;
  if (HandleList(list, kListMessages, msg, wParam, lParam, r, selectionChanged, reset)) {
    if (selectionChanged || reset) {
      w.Changed(kChangeContent);
    } else if (ChangesList(kListMessages, msg)) {
      Sys().SyncLater(w.hwnd, kChangeContent);
    }
    return r;
  }
  if (msg == WM_CREATE) {
    list.sorted = (w.style & LBS_SORT) != 0;
    return 0;
  }
  return DefWindowProcImpl(w, msg, wParam, lParam);
}

// -----------------------------------------------------------------------------------------
// List views

int ListViewClass::InsertRow(WindowState& w, int index, const std::string& text) {
  Row row;
  row.cells.assign(std::max<size_t>(columns.size(), 1), std::string());
  row.cells[0] = text;
  int at = std::clamp(index, 0, static_cast<int>(rows.size()));
  if (w.style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
    // After the rows that sort before it or equal to it (the rows are in order).
    const bool up = (w.style & LVS_SORTASCENDING) != 0;
    const auto place = std::partition_point(rows.begin(), rows.end(), [&](const Row& r) {
      const int c = CompareNoCase(r.cells[0], text);
      return up ? c <= 0 : c >= 0;
    });
    at = static_cast<int>(place - rows.begin());
  }
  rows.insert(rows.begin() + at, std::move(row));
  ContentChanged(w);
  return at;
}

void ListViewClass::ContentChanged(WindowState& w) { Sys().SyncLater(w.hwnd, kChangeContent); }

int ListViewClass::Holder(UINT bit, const OnlyRow& only) const {
  if (only.several) return -2;
  if (only.row < 0) return -1;
  const auto at = static_cast<size_t>(only.row);
  return at < rows.size() && (rows[at].state & bit) ? only.row : -2;
}

void ListViewClass::ClearEvery(UINT bit, OnlyRow& only) {
  const int holder = Holder(bit, only);
  if (holder >= 0) {
    rows[static_cast<size_t>(holder)].state &= ~bit;
  } else if (holder == -2) {
    for (Row& r : rows) r.state &= ~bit;
  }
  only = OnlyRow{};
}

void ListViewClass::SetState(WindowState& w, int row, UINT state, UINT mask) {
  auto apply = [&](Row& r) { r.state = (r.state & ~mask) | (state & mask); };
  const bool single = (w.style & LVS_SINGLESEL) != 0;
  if (row < 0) {
    for (Row& r : rows) apply(r);
    if (mask & LVIS_SELECTED) m_selected = OnlyRow{-1, (state & LVIS_SELECTED) != 0 && !rows.empty()};
    if (mask & LVIS_FOCUSED) m_focused = OnlyRow{-1, (state & LVIS_FOCUSED) != 0 && !rows.empty()};
  } else if (row < static_cast<int>(rows.size())) {
    if ((mask & state & LVIS_SELECTED) && single) ClearEvery(LVIS_SELECTED, m_selected);
    if (mask & state & LVIS_FOCUSED) ClearEvery(LVIS_FOCUSED, m_focused);
    apply(rows[static_cast<size_t>(row)]);
    // Only one row can have the bit it was given (a list of several selections keeps no
    // record of its selection).
    if ((mask & state & LVIS_SELECTED) && single) m_selected = OnlyRow{row, false};
    if (mask & LVIS_SELECTED && !single) m_selected.several = true;
    if (mask & state & LVIS_FOCUSED) m_focused = OnlyRow{row, false};
  }
  ContentChanged(w);
}

int ListViewClass::NextWith(const WindowState& w, int start, UINT want) const {
  // One bit that only one row holds: that row, when it is known.
  int holder = -2;
  if (want == LVIS_FOCUSED) holder = Holder(LVIS_FOCUSED, m_focused);
  if (want == LVIS_SELECTED && (w.style & LVS_SINGLESEL)) holder = Holder(LVIS_SELECTED, m_selected);
  if (holder != -2) return holder > start ? holder : -1;
  for (int i = std::max(start + 1, 0); i < static_cast<int>(rows.size()); ++i) {
    if ((rows[static_cast<size_t>(i)].state & want) == want) return i;
  }
  return -1;
}

int ListViewClass::HitTestRow(CPoint client) const {
  if (client.y < kHeaderHeight) return -1;
  const int row = topIndex + (client.y - kHeaderHeight) / kRowHeight;
  return row < static_cast<int>(rows.size()) ? row : -1;
}

void ListViewClass::UserClick(WindowState& w, int row, UINT notifyCode, CPoint client) {
  if (row >= 0) SetState(w, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  NMITEMACTIVATE n;
  n.hdr.code = notifyCode;
  n.iItem = row;
  n.ptAction = client;
  NotifyParent(w, n.hdr);
}

LRESULT ListViewClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      ::SetFocus(w.hwnd);
      const CPoint p = ClientPoint(lParam);
      const UINT code = msg == WM_LBUTTONDOWN ? NM_CLICK : (msg == WM_RBUTTONDOWN ? NM_RCLICK : NM_DBLCLK);
      UserClick(w, HitTestRow(p), code, p);
      return 0;
    }
    default:
      return DefWindowProcImpl(w, msg, wParam, lParam);
  }
}

// -----------------------------------------------------------------------------------------
// Sliders and progress bars

int TrackbarClass::PositionAt(const WindowState& w, int x) const {
  const int span = std::max(1, w.rect.Width() - 16);
  const int pos = minimum + (x - 8) * (maximum - minimum) / span;
  return std::clamp(pos, minimum, maximum);
}

void TrackbarClass::UserMove(WindowState& w, int pos, bool released) {
  position = std::clamp(pos, minimum, maximum);
  w.Changed(kChangeContent);
  if (!w.IsChild()) return;
  const HWND parent = w.parent, self = w.hwnd;
  Sys().Send(parent, WM_HSCROLL, MAKEWPARAM(released ? TB_ENDTRACK : TB_THUMBTRACK, static_cast<WORD>(position)),
             reinterpret_cast<LPARAM>(self));
  if (released && Sys().Find(self)) {
    NMHDR n;
    n.code = NM_RELEASEDCAPTURE;
    NotifyParent(w, n);
  }
}

LRESULT TrackbarClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case TBM_GETPOS:
      return position;
    case TBM_GETRANGEMIN:
      return minimum;
    case TBM_GETRANGEMAX:
      return maximum;
    case TBM_SETPOS:
      position = std::clamp(static_cast<int>(lParam), minimum, maximum);
      w.Changed(kChangeContent);
      return 0;
    case TBM_SETRANGE:
      minimum = LOWORD(static_cast<UINT_PTR>(lParam));
      maximum = HIWORD(static_cast<UINT_PTR>(lParam));
      position = std::clamp(position, minimum, maximum);
      w.Changed(kChangeContent);
      return 0;
    case TBM_SETRANGEMIN:
      minimum = static_cast<int>(lParam);
      position = std::max(position, minimum);
      w.Changed(kChangeContent);
      return 0;
    case TBM_SETRANGEMAX:
      maximum = static_cast<int>(lParam);
      position = std::min(position, maximum);
      w.Changed(kChangeContent);
      return 0;
    case WM_LBUTTONDOWN:
      dragging = true;
      ::SetCapture(w.hwnd);
      UserMove(w, PositionAt(w, GET_X_LPARAM(lParam)), false);
      return 0;
    case WM_MOUSEMOVE:
      if (dragging) UserMove(w, PositionAt(w, GET_X_LPARAM(lParam)), false);
      return 0;
    case WM_LBUTTONUP:
      if (!dragging) return 0;
      dragging = false;
      ::ReleaseCapture();
      UserMove(w, PositionAt(w, GET_X_LPARAM(lParam)), true);
      return 0;
    default:
      return DefWindowProcImpl(w, msg, wParam, lParam);
  }
}

LRESULT ProgressClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case PBM_SETPOS: {
      const int old = position;
      position = static_cast<int>(static_cast<LONG_PTR>(wParam));
      w.Changed(kChangeContent);
      return old;
    }
    case PBM_DELTAPOS: {
      const int old = position;
      position += static_cast<int>(static_cast<LONG_PTR>(wParam));
      w.Changed(kChangeContent);
      return old;
    }
    case PBM_GETPOS:
      return position;
    case PBM_SETRANGE: {
      const LRESULT old = MAKELONG(static_cast<WORD>(minimum), static_cast<WORD>(maximum));
      minimum = LOWORD(static_cast<UINT_PTR>(lParam));
      maximum = HIWORD(static_cast<UINT_PTR>(lParam));
      w.Changed(kChangeContent);
      return old;
    }
    case PBM_SETRANGE32:
      minimum = static_cast<int>(static_cast<LONG_PTR>(wParam));
      maximum = static_cast<int>(lParam);
      w.Changed(kChangeContent);
      return 0;
    default:
      return DefWindowProcImpl(w, msg, wParam, lParam);
  }
}

// -----------------------------------------------------------------------------------------
// Tabs (tooltips: TooltipClass.cpp)

CRect TabClass::TabRect(int index) const {
  int x = 2;
  for (int i = 0; i < index && i < static_cast<int>(widths.size()); ++i) x += widths[static_cast<size_t>(i)];
  const int width = index < static_cast<int>(widths.size()) ? widths[static_cast<size_t>(index)] : 0;
  return CRect(x, 2, x + width, 22);
}

LRESULT TabClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN: {
      const CPoint p = ClientPoint(lParam);
      for (int i = 0; i < static_cast<int>(tabs.size()); ++i) {
        if (!TabRect(i).PtInRect(p) || i == cursel) continue;
        NMHDR n;
        n.code = TCN_SELCHANGING;
        if (NotifyParent(w, n)) return 0;
        cursel = i;
        w.Changed(kChangeContent);
        Repaint(w);
        NMHDR c;
        c.code = TCN_SELCHANGE;
        NotifyParent(w, c);
        return 0;
      }
      return 0;
    }
    case WM_PAINT: {
      CPaintDC dc(CWnd::FromHandle(w.hwnd));
      PaintControl(w, dc);
      return 0;
    }
    default:
      return DefWindowProcImpl(w, msg, wParam, lParam);
  }
}

void TabClass::PaintControl(WindowState& w, CDC& dc) {
  SelectWindowFont(w, dc);
  dc.SetBkMode(TRANSPARENT);
  CPen shadow(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  dc.SelectObject(&shadow);
  const CRect client = w.ClientRect();
  dc.MoveTo(0, 22);
  dc.LineTo(client.right, 22);
  for (int i = 0; i < static_cast<int>(tabs.size()); ++i) {
    CRect r = TabRect(i);
    if (i == cursel) {
      r.top -= 2;
      dc.FillSolidRect(r.left, r.top, r.Width(), r.Height() + 1, GetSysColor(COLOR_BTNFACE));
    }
    dc.MoveTo(r.left, r.bottom);
    dc.LineTo(r.left, r.top);
    dc.LineTo(r.right, r.top);
    dc.LineTo(r.right, r.bottom);
    const std::string label = StripPrefix(tabs[static_cast<size_t>(i)]);
    CRect box = r;
    dc.DrawText(label.c_str(), static_cast<int>(label.size()), &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  dc.SelectStockObject(BLACK_PEN);
}

}  // namespace varlo::win
