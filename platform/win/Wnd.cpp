#include "platform/win/Wnd.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win/CrossProcess.h"
#include "platform/win/DC.h"
#include "platform/win/DataExchange.h"
#include "platform/win/Gdi.h"
#include "platform/win/GdiData.h"
#include "platform/win/Input.h"
#include "platform/win/Menu.h"
#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/WinApp.h"
#include "platform/win/WindowClass.h"
#include "platform/win/WndWrappers.h"

using varlo::win::MessageSystem;
using varlo::win::WindowState;

namespace {

MessageSystem& Sys() { return MessageSystem::Instance(); }

std::vector<UINT>& CtlColorKinds() {
  static auto* kinds = new std::vector<UINT>();
  return *kinds;
}

struct InputState {
  HWND focus = nullptr;
  HWND capture = nullptr;
};
InputState& Input() {
  static auto* input = new InputState();
  return *input;
}

CPoint ClientOrigin(const WindowState* w) {
  CPoint origin(w->rect.left, w->rect.top);
  while (w->IsChild()) {
    w = Sys().Find(w->parent);
    if (!w) break;
    origin.Offset(w->rect.left, w->rect.top);
  }
  return origin;
}

void RepaintArea(WindowState* w) {
  if (!w) return;
  w->needsPaint = true;
  w->eraseBackground = true;
  if (w->peer) w->peer->Invalidate(nullptr);
  if (Sys().Driver().PaintsInLoop()) Sys().Wake();
}

}  // namespace

namespace varlo::win::msgmap {
CDC* DcFromWParam(WPARAM w) { return CDC::FromHandle(reinterpret_cast<HDC>(w)); }
CWnd* WndFromHandle(LPARAM l) { return CWnd::FromHandle(reinterpret_cast<HWND>(l)); }
CWnd* WndFromHandle(WPARAM w) { return CWnd::FromHandle(reinterpret_cast<HWND>(w)); }
UINT CurrentCtlColorKind() { return CtlColorKinds().empty() ? CTLCOLOR_DLG : CtlColorKinds().back(); }
}  // namespace varlo::win::msgmap

namespace varlo::win {

HWND CreateWindowState(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                       const CRect& rect, HWND parent, int id, CWnd* attach) {
  auto w = std::make_unique<WindowState>();
  w->className = className ? className : "";
  w->cls = MakeWindowClass(w->className);
  w->text = windowName ? windowName : "";
  w->style = style;
  w->exStyle = exStyle;
  w->id = id;
  WindowState* p = Sys().Find(parent);
  if (style & WS_CHILD) {
    if (!p) return nullptr;
    w->parent = parent;
    w->font = p->font;
  } else if (p) {
    // The owner of a top-level window is the top-level window of the given parent.
    while (p->IsChild()) p = Sys().Find(p->parent);
    w->owner = p->hwnd;
  }
  w->rect = rect;
  const HWND hwnd = Sys().AddWindow(std::move(w));
  WindowState* s = Sys().Find(hwnd);
  if (attach) {
    attach->m_hWnd = hwnd;
    s->wnd = attach;
  }
  Sys().CreatePeer(*s);
  if (Sys().CallWindow(hwnd, WM_CREATE, 0, 0) == -1) {
    Sys().DestroyWindow(hwnd);
    return nullptr;
  }
  if (WindowState* again = Sys().Find(hwnd); again && again->Visible()) RepaintArea(again);
  return hwnd;
}

}  // namespace varlo::win

// -----------------------------------------------------------------------------------------
// CWnd

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

CWnd::CWnd() = default;

CWnd::~CWnd() {
  // An attached object takes its window with it; the layer's own wrappers do not.
  if (WindowState* w = State(); w && w->wnd == this) DestroyWindow();
  m_hWnd = nullptr;
}

const CMessageMap* CWnd::GetThisMessageMap() {
  static const CMessageMap map{nullptr, {}};
  return &map;
}
const CMessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

WindowState* CWnd::State() const {
  if (!m_hWnd) return nullptr;
  return Sys().Find(m_hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  WindowState* w = Sys().Find(hwnd);
  return w ? w->wnd : nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return nullptr;
  if (w->wnd) return w->wnd;
  if (!w->wrapper) {
    w->wrapper = varlo::win::MakeWrapper(w->className);
    w->wrapper->m_hWnd = hwnd;
  }
  return w->wrapper.get();
}

void CWnd::DetachDestroyed(CWnd* wnd) {
  wnd->m_hWnd = nullptr;
  wnd->PostNcDestroy();
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id) {
  if (m_hWnd) return FALSE;
  return varlo::win::CreateWindowState(exStyle, className, windowName, style, CRect(rect),
                                       parent ? parent->m_hWnd : nullptr, static_cast<int>(id), this) != nullptr;
}

BOOL CWnd::Create(const char* className, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return Sys().DestroyWindow(m_hWnd);
}

BOOL CWnd::Attach(HWND hwnd) { return SubclassWindow(hwnd); }

HWND CWnd::Detach() { return UnsubclassWindow(); }

BOOL CWnd::SubclassWindow(HWND hwnd) {
  WindowState* w = Sys().Find(hwnd);
  if (!w || m_hWnd || (w->wnd && w->wnd != this)) return FALSE;
  m_hWnd = hwnd;
  w->wnd = this;
  PreSubclassWindow();
  // The object's handlers may change how the window looks (its colours, its painting).
  if (WindowState* now = Sys().Find(hwnd)) now->Changed(varlo::win::kChangeStyle);
  return TRUE;
}

bool CWnd::PaintsItself() const { return FindEntry(GetMessageMap(), WM_PAINT, 0, 0) != nullptr; }

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  HWND child = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
  return child && SubclassWindow(child);
}

HWND CWnd::UnsubclassWindow() {
  HWND h = m_hWnd;
  if (WindowState* w = State(); w && w->wnd == this) w->wnd = nullptr;
  m_hWnd = nullptr;
  return h;
}

LRESULT CWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessage(m_hWnd, msg, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) const {
  return ::PostMessage(m_hWnd, msg, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(msg, wParam, lParam, &result)) result = DefWindowProc(msg, wParam, lParam);
  return result;
}

const CMessageMapEntry* CWnd::FindEntry(const CMessageMap* map, UINT message, UINT code, UINT id) {
  for (; map; map = map->base ? map->base() : nullptr) {
    for (const CMessageMapEntry& e : map->entries) {
      if (e.message != message) continue;
      if (message == WM_COMMAND || message == WM_NOTIFY) {
        if (e.code == code && id >= e.idFirst && id <= e.idLast) return &e;
      } else {
        return &e;
      }
    }
  }
  return nullptr;
}

BOOL CWnd::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == WM_COMMAND) {
    if (OnCommand(wParam, lParam)) {
      *result = 0;
      return TRUE;
    }
    return FALSE;
  }
  if (msg == WM_NOTIFY) return OnNotify(wParam, lParam, result);
  if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
    CtlColorKinds().push_back(msg - WM_CTLCOLORMSGBOX);
    const CMessageMapEntry* e = FindEntry(GetMessageMap(), WM_CTLCOLOR, 0, 0);
    *result = e ? e->call(this, wParam, lParam)
                : reinterpret_cast<LRESULT>(OnCtlColor(CDC::FromHandle(reinterpret_cast<HDC>(wParam)),
                                                       CWnd::FromHandle(reinterpret_cast<HWND>(lParam)),
                                                       msg - WM_CTLCOLORMSGBOX));
    CtlColorKinds().pop_back();
    return TRUE;
  }
  if (msg == WM_REFLECT_BASE + WM_CTLCOLOR) {
    const CMessageMapEntry* e = FindEntry(GetMessageMap(), msg, 0, 0);
    if (!e) return FALSE;
    CtlColorKinds().push_back(static_cast<UINT>(lParam));
    *result = e->call(this, wParam, lParam);
    CtlColorKinds().pop_back();
    return TRUE;
  }
  const CMessageMapEntry* e = FindEntry(GetMessageMap(), msg, 0, 0);
  if (!e) return FALSE;
  *result = e->call(this, wParam, lParam);
  return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT code = HIWORD(wParam);
  if (code == 1 && lParam == 0) code = 0;  // accelerators count as menu commands
  const CMessageMapEntry* e = FindEntry(GetMessageMap(), WM_COMMAND, code, LOWORD(wParam));
  if (!e) return FALSE;
  e->call(this, wParam, lParam);
  return TRUE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  auto* header = reinterpret_cast<NMHDR*>(lParam);
  if (!header) return FALSE;
  const CMessageMapEntry* e = FindEntry(GetMessageMap(), WM_NOTIFY, header->code, static_cast<UINT>(header->idFrom));
  if (!e) return FALSE;
  *result = e->call(this, 0, lParam);
  return TRUE;
}

HBRUSH CWnd::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) {
  if (wnd && wnd->m_hWnd && wnd->m_hWnd != m_hWnd) {
    const LRESULT reflected = Sys().CallWindow(wnd->m_hWnd, WM_REFLECT_BASE + WM_CTLCOLOR,
                                               reinterpret_cast<WPARAM>(dc ? dc->m_hDC : nullptr), ctlColor);
    if (reflected) return reinterpret_cast<HBRUSH>(reflected);
  }
  return reinterpret_cast<HBRUSH>(Default());
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowState* w = State();
  if (!w) return 0;
  return w->cls->Proc(*w, msg, wParam, lParam);
}

LRESULT CWnd::Default() {
  const MSG* m = Sys().CurrentMessage();
  if (!m || m->hwnd != m_hWnd) return 0;
  const MSG copy = *m;
  return DefWindowProc(copy.message, copy.wParam, copy.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

bool CWnd::WalkPreTranslateTree(const MSG& msg) {
  MSG copy = msg;
  for (HWND h = msg.hwnd; h;) {
    WindowState* w = Sys().Find(h);
    if (!w) break;
    if (CWnd* wnd = w->wnd; wnd && wnd->PreTranslateMessage(&copy)) return true;
    if (!Sys().Find(h)) return true;  // the window went away while it looked
    if (!w->IsChild()) break;
    h = w->parent;
  }
  return false;
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs, void* callback) {
  return ::SetTimer(m_hWnd, id, elapseMs, callback);
}
BOOL CWnd::KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

void CWnd::SetWindowText(const char* text) { ::SetWindowText(m_hWnd, text); }

int CWnd::GetWindowText(char* buffer, int maxCount) const { return ::GetWindowText(m_hWnd, buffer, maxCount); }

void CWnd::GetWindowText(CString& text) const {
  const int len = GetWindowTextLength();
  std::string s(static_cast<size_t>(len) + 1, '\0');
  const int got = ::GetWindowText(m_hWnd, s.data(), len + 1);
  s.resize(static_cast<size_t>(got));
  text = CString(std::move(s));
}

int CWnd::GetWindowTextLength() const {
  return static_cast<int>(::SendMessage(m_hWnd, WM_GETTEXTLENGTH, 0, 0));
}

CWnd* CWnd::GetDlgItem(int id) const { return CWnd::FromHandle(::GetDlgItem(m_hWnd, id)); }

int CWnd::GetDlgCtrlID() const {
  WindowState* w = State();
  return w ? w->id : 0;
}

void CWnd::SetDlgItemText(int id, const char* text) { ::SetWindowText(::GetDlgItem(m_hWnd, id), text); }

int CWnd::GetDlgItemText(int id, CString& text) const {
  CWnd* item = GetDlgItem(id);
  if (!item) {
    text.Empty();
    return 0;
  }
  item->GetWindowText(text);
  return text.GetLength();
}

UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const {
  CString text;
  GetDlgItemText(id, text);
  const char* s = text.GetString();
  while (*s == ' ') ++s;
  char* end = nullptr;
  const long long v = std::strtoll(s, &end, 10);
  const bool ok = end != s && (isSigned || v >= 0);
  if (translated) *translated = ok;
  return ok ? static_cast<UINT>(v) : 0;
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned) {
  char buf[32];
  if (isSigned) {
    std::snprintf(buf, sizeof buf, "%d", static_cast<int>(value));
  } else {
    std::snprintf(buf, sizeof buf, "%u", value);
  }
  SetDlgItemText(id, buf);
}

void CWnd::CheckDlgButton(int id, UINT check) { ::SendMessage(::GetDlgItem(m_hWnd, id), BM_SETCHECK, check, 0); }

UINT CWnd::IsDlgButtonChecked(int id) const {
  return static_cast<UINT>(::SendMessage(::GetDlgItem(m_hWnd, id), BM_GETCHECK, 0, 0));
}

void CWnd::CheckRadioButton(int first, int last, int check) {
  for (int id = first; id <= last; ++id) CheckDlgButton(id, id == check ? BST_CHECKED : BST_UNCHECKED);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
  if (rect) MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, cx, cy,
                        insertAfter ? flags : (flags | SWP_NOZORDER));
}

void CWnd::GetWindowRect(LPRECT rect) const { ::GetWindowRect(m_hWnd, rect); }
void CWnd::GetClientRect(LPRECT rect) const { ::GetClientRect(m_hWnd, rect); }
void CWnd::ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
void CWnd::ClientToScreen(RECT* rect) const {
  if (!rect) return;
  POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
  ::ClientToScreen(m_hWnd, &a);
  ::ClientToScreen(m_hWnd, &b);
  *rect = RECT{a.x, a.y, b.x, b.y};
}
void CWnd::ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
void CWnd::ScreenToClient(RECT* rect) const {
  if (!rect) return;
  POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
  ::ScreenToClient(m_hWnd, &a);
  ::ScreenToClient(m_hWnd, &b);
  *rect = RECT{a.x, a.y, b.x, b.y};
}

BOOL CWnd::GetWindowPlacement(WINDOWPLACEMENT* placement) const {
  WindowState* w = State();
  if (!w || !placement) return FALSE;
  placement->showCmd = !w->Visible() ? SW_HIDE : (w->minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL);
  placement->rcNormalPosition = w->rect;
  return TRUE;
}

BOOL CWnd::SetWindowPlacement(const WINDOWPLACEMENT* placement) {
  if (!placement || !State()) return FALSE;
  const CRect r(placement->rcNormalPosition);
  MoveWindow(r.left, r.top, r.Width(), r.Height(), TRUE);
  ShowWindow(static_cast<int>(placement->showCmd));
  return TRUE;
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
  WindowState* w = State();
  if (!w) return;
  CRect area(CPoint(0, 0), CSize(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  HWND around = alternateOwner ? alternateOwner->m_hWnd : (w->IsChild() ? w->parent : w->owner);
  if (WindowState* a = Sys().Find(around)) {
    if (w->IsChild()) {
      area = a->ClientRect();
    } else {
      ::GetWindowRect(around, &area);
    }
  }
  const int x = area.left + (area.Width() - w->rect.Width()) / 2;
  const int y = area.top + (area.Height() - w->rect.Height()) / 2;
  SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

BOOL CWnd::ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::EnableWindow(BOOL enable) { return ::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
BOOL CWnd::IsWindow() const { return ::IsWindow(m_hWnd); }
void CWnd::Invalidate(BOOL erase) { ::InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::InvalidateRect(LPCRECT rect, BOOL erase) { ::InvalidateRect(m_hWnd, rect, erase); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }
BOOL CWnd::RedrawWindow(LPCRECT rect, void*, UINT) {
  ::InvalidateRect(m_hWnd, rect, TRUE);
  return TRUE;
}
int CWnd::SetWindowRgn(HRGN region, BOOL redraw) { return ::SetWindowRgn(m_hWnd, region, redraw); }
DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_EXSTYLE)); }

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT) {
  WindowState* w = State();
  if (!w) return FALSE;
  const DWORD style = (w->style & ~remove) | add;
  if (style == w->style) return FALSE;
  ::SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>(style));
  return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT) {
  WindowState* w = State();
  if (!w) return FALSE;
  const DWORD style = (w->exStyle & ~remove) | add;
  if (style == w->exStyle) return FALSE;
  ::SetWindowLong(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>(style));
  return TRUE;
}

HICON CWnd::SetIcon(HICON icon, BOOL big) {
  return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
}

HICON CWnd::GetIcon(BOOL big) const {
  WindowState* w = State();
  return w ? (big ? w->iconBig : w->iconSmall) : nullptr;
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), redraw);
}

CFont* CWnd::GetFont() const {
  return CFont::FromHandle(reinterpret_cast<HFONT>(SendMessage(WM_GETFONT, 0, 0)));
}

CDC* CWnd::GetDC() { return new CClientDC(this); }

int CWnd::ReleaseDC(CDC* dc) {
  delete dc;
  return 1;
}

BOOL CWnd::SetForegroundWindow() {
  WindowState* w = State();
  if (!w) return FALSE;
  w->Changed(varlo::win::kChangeFocus);
  return TRUE;
}

void CWnd::BringWindowToTop() { SetForegroundWindow(); }

CWnd* CWnd::GetParent() const { return CWnd::FromHandle(::GetParent(m_hWnd)); }

CWnd* CWnd::GetOwner() const {
  WindowState* w = State();
  if (!w) return nullptr;
  return CWnd::FromHandle(w->IsChild() ? w->parent : w->owner);
}

CWnd* CWnd::GetTopLevelParent() const {
  WindowState* w = State();
  while (w && w->IsChild()) w = Sys().Find(w->parent);
  return w ? CWnd::FromHandle(w->hwnd) : nullptr;
}

CWnd* CWnd::SetFocus() { return CWnd::FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return CWnd::FromHandle(::GetFocus()); }
CWnd* CWnd::SetCapture() { return CWnd::FromHandle(::SetCapture(m_hWnd)); }
CWnd* CWnd::GetCapture() { return CWnd::FromHandle(::GetCapture()); }

CMenu* CWnd::GetSystemMenu(BOOL revert) const { return varlo::win::SystemMenuOf(m_hWnd, revert); }

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
  return ::MessageBox(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const CUserException&) {
    return FALSE;
  }
  return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

// -----------------------------------------------------------------------------------------
// The window functions

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU idOrMenu, HINSTANCE, void*) {
  return varlo::win::CreateWindowState(exStyle, className, windowName, style, CRect(x, y, x + width, y + height),
                                       parent, static_cast<int>(reinterpret_cast<UINT_PTR>(idOrMenu)), nullptr);
}

BOOL DestroyWindow(HWND hwnd) { return Sys().DestroyWindow(hwnd); }
BOOL IsWindow(HWND hwnd) { return Sys().IsWindow(hwnd); }
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return Sys().Post(hwnd, msg, wParam, lParam); }
BOOL PostMessageWithText(HWND hwnd, UINT msg, const char* text, LPARAM lParam) {
  return Sys().PostWithText(hwnd, msg, text ? text : "", lParam);
}
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Windows of other programs take WM_COPYDATA only.
  if (varlo::win::IsOtherProgramWindow(hwnd)) {
    if (msg != WM_COPYDATA) return 0;
    return varlo::win::SendCopyDataToOtherProgram(hwnd, reinterpret_cast<const COPYDATASTRUCT*>(lParam)).value_or(0);
  }
  return Sys().Send(hwnd, msg, wParam, lParam).value_or(0);
}
void PostQuitMessage(int exitCode) { Sys().PostQuit(exitCode); }
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, void*) { return Sys().SetTimer(hwnd, id, elapseMs); }
BOOL KillTimer(HWND hwnd, UINT_PTR id) { return Sys().KillTimer(hwnd, id); }

HWND FindWindow(const char* className, const char* windowName) {
  for (HWND h : Sys().TopLevelWindows()) {
    WindowState* w = Sys().Find(h);
    if (className && w->className != className) continue;
    if (windowName && w->text != windowName) continue;
    return h;
  }
  return varlo::win::FindWindowOfOtherProgram(className, windowName);
}

HWND GetDlgItem(HWND dialog, int id) {
  WindowState* w = Sys().Find(dialog);
  if (!w) return nullptr;
  for (HWND c : w->children) {
    if (WindowState* cw = Sys().Find(c); cw && cw->id == id) return c;
  }
  return nullptr;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return FALSE;
  const bool wasVisible = w->Visible();
  bool visible = wasVisible;
  switch (cmd) {
    case SW_HIDE:
      visible = false;
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      w->minimized = true;
      visible = true;
      break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
      w->minimized = false;
      visible = true;
      break;
    default:
      visible = true;
      break;
  }
  if (visible) {
    w->style |= WS_VISIBLE;
  } else {
    w->style &= ~WS_VISIBLE;
  }
  w->Changed(varlo::win::kChangeVisible);
  if (visible != wasVisible) {
    Sys().CallWindow(hwnd, WM_SHOWWINDOW, visible, 0);
    if (WindowState* again = Sys().Find(hwnd)) {
      RepaintArea(again);
      if (again->IsChild()) RepaintArea(Sys().Find(again->parent));
    }
  }
  return wasVisible;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return FALSE;
  const bool wasDisabled = !w->Enabled();
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
  }
  if (wasDisabled == !enable) return wasDisabled;
  w->Changed(varlo::win::kChangeEnabled);
  Sys().CallWindow(hwnd, WM_ENABLE, enable, 0);
  RepaintArea(Sys().Find(hwnd));
  return wasDisabled;
}

BOOL SetWindowText(HWND hwnd, const char* text) {
  return Sys().Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")).value_or(FALSE) != 0;
}

int GetWindowText(HWND hwnd, char* buffer, int maxCount) {
  return static_cast<int>(
      Sys().Send(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(buffer)).value_or(0));
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
  WindowState* w = Sys().Find(hwnd);
  if (!w || !rect) return FALSE;
  const CPoint origin = ClientOrigin(w);
  *rect = CRect(origin, w->rect.Size());
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  WindowState* w = Sys().Find(hwnd);
  if (!w || !rect) return FALSE;
  *rect = w->ClientRect();
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return FALSE;
  const CRect old = w->rect;
  CRect r = old;
  if (!(flags & SWP_NOMOVE)) r = CRect(CPoint(x, y), old.Size());
  if (!(flags & SWP_NOSIZE)) r = CRect(r.TopLeft(), CSize(cx < 0 ? 0 : cx, cy < 0 ? 0 : cy));
  unsigned changes = 0;
  if (!(r == old)) {
    w->rect = r;
    changes |= varlo::win::kChangeRect;
  }
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST && !w->Topmost()) {
      w->exStyle |= WS_EX_TOPMOST;
      changes |= varlo::win::kChangeZOrder;
    } else if (insertAfter == HWND_NOTOPMOST && w->Topmost()) {
      w->exStyle &= ~WS_EX_TOPMOST;
      changes |= varlo::win::kChangeZOrder;
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
      changes |= varlo::win::kChangeZOrder;  // raised
    }
  }
  if (flags & SWP_SHOWWINDOW) {
    w->style |= WS_VISIBLE;
    changes |= varlo::win::kChangeVisible;
  }
  if (flags & SWP_HIDEWINDOW) {
    w->style &= ~WS_VISIBLE;
    changes |= varlo::win::kChangeVisible;
  }
  if (!changes) return TRUE;
  w->Changed(changes);
  const bool moved = r.left != old.left || r.top != old.top;
  const bool sized = r.Width() != old.Width() || r.Height() != old.Height();
  if (moved) Sys().CallWindow(hwnd, WM_MOVE, 0, MakePointLParam(r.left, r.top));
  if (sized && Sys().Find(hwnd)) {
    Sys().CallWindow(hwnd, WM_SIZE, 0,
                     MAKELPARAM(static_cast<WORD>(r.Width()), static_cast<WORD>(r.Height())));
  }
  if (WindowState* again = Sys().Find(hwnd); again && !(flags & SWP_NOREDRAW) && (moved || sized || (changes & varlo::win::kChangeVisible))) {
    RepaintArea(again);
    if (again->IsChild()) RepaintArea(Sys().Find(again->parent));
  }
  return TRUE;
}

void varlo::win::TakeSystemPlacement(HWND hwnd, const CRect& rect) {
  WindowState* w = Sys().Find(hwnd);
  if (!w || w->IsChild() || w->rect == rect) return;
  const CRect old = w->rect;
  w->rect = rect;  // the peer is not told: the window system shows it there already
  if (rect.TopLeft() != old.TopLeft()) Sys().CallWindow(hwnd, WM_MOVE, 0, MakePointLParam(rect.left, rect.top));
  if (rect.Size() != old.Size() && Sys().Find(hwnd)) {
    Sys().CallWindow(hwnd, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(rect.Width()), static_cast<WORD>(rect.Height())));
  }
}

BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return FALSE;
  w->needsPaint = true;
  if (erase) w->eraseBackground = true;
  if (w->peer) w->peer->Invalidate(rect);
  if (Sys().Driver().PaintsInLoop()) Sys().Wake();
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return FALSE;
  if (w->needsPaint && Sys().Driver().PaintsInLoop()) {
    Sys().CallWindow(hwnd, WM_PAINT, 0, 0);
    if (WindowState* again = Sys().Find(hwnd)) again->needsPaint = false;
  }
  return TRUE;
}

LONG_PTR GetWindowLong(HWND hwnd, int index) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(w->exStyle);
    case GWL_ID:
      return w->id;
    default:
      return 0;
  }
}

LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return 0;
  LONG_PTR old = GetWindowLong(hwnd, index);
  switch (index) {
    case GWL_STYLE: {
      const DWORD nv = static_cast<DWORD>(value);
      const unsigned changes = varlo::win::kChangeStyle | ((nv ^ w->style) & WS_VISIBLE ? varlo::win::kChangeVisible : 0u) |
                               ((nv ^ w->style) & WS_DISABLED ? varlo::win::kChangeEnabled : 0u);
      w->style = nv;
      w->Changed(changes);
      break;
    }
    case GWL_EXSTYLE: {
      const DWORD nv = static_cast<DWORD>(value);
      const unsigned changes = varlo::win::kChangeStyle | ((nv ^ w->exStyle) & WS_EX_TOPMOST ? varlo::win::kChangeZOrder : 0u);
      w->exStyle = nv;
      w->Changed(changes);
      break;
    }
    case GWL_ID:
      w->id = static_cast<int>(value);
      break;
    default:
      return 0;
  }
  RepaintArea(w);
  return old;
}

HWND GetParent(HWND hwnd) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return nullptr;
  return w->IsChild() ? w->parent : w->owner;
}

HWND GetFocus() {
  if (!Sys().IsWindow(Input().focus)) Input().focus = nullptr;
  return Input().focus;
}

HWND SetFocus(HWND hwnd) {
  HWND old = GetFocus();
  if (hwnd && !Sys().Find(hwnd)) return nullptr;
  if (old == hwnd) return old;
  Input().focus = hwnd;
  if (old) Sys().CallWindow(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (WindowState* w = Sys().Find(hwnd)) {
    w->Changed(varlo::win::kChangeFocus);
    Sys().CallWindow(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  }
  return old;
}

HWND SetCapture(HWND hwnd) {
  HWND old = GetCapture();
  Input().capture = hwnd;
  return old;
}

BOOL ReleaseCapture() {
  HWND old = GetCapture();
  Input().capture = nullptr;
  if (old) Sys().CallWindow(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  if (!Sys().IsWindow(Input().capture)) Input().capture = nullptr;
  return Input().capture;
}

int GetSystemMetrics(int index) {
  const CSize screen = Sys().Backend() ? Sys().Backend()->ScreenSize() : CSize(1280, 1024);
  switch (index) {
    case SM_CXSCREEN:
      return screen.cx;
    case SM_CYSCREEN:
      return screen.cy;
    case SM_CXICON:
    case SM_CYICON:
      return 32;
    default:
      return 0;
  }
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  *point = Sys().Backend() ? Sys().Backend()->CursorPos() : CPoint(varlo::win::TestCursorPos());
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  static HCURSOR current = nullptr;
  HCURSOR old = current;
  current = cursor;
  if (Sys().Backend()) Sys().Backend()->SetCursor(cursor);
  return old;
}

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowState* w = Sys().Find(hwnd);
  return w ? w->cls->Proc(*w, msg, wParam, lParam) : 0;
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  WindowState* w = Sys().Find(hwnd);
  if (!w) return 0;
  w->region = varlo::win::GdiGetAs<varlo::win::RegionData>(region);
  w->Changed(varlo::win::kChangeRegion);
  if (redraw) RepaintArea(w);
  return 1;
}

BOOL IsIconic(HWND hwnd) {
  WindowState* w = Sys().Find(hwnd);
  return w && w->minimized;
}

BOOL IsWindowVisible(HWND hwnd) {
  for (WindowState* w = Sys().Find(hwnd); w; w = w->IsChild() ? Sys().Find(w->parent) : nullptr) {
    if (!w->Visible()) return FALSE;
    if (!w->IsChild()) return TRUE;
  }
  return FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  WindowState* w = Sys().Find(hwnd);
  return w && w->Enabled();
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  WindowState* w = Sys().Find(hwnd);
  if (!w || !point) return FALSE;
  const CPoint o = ClientOrigin(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  WindowState* w = Sys().Find(hwnd);
  if (!w || !point) return FALSE;
  const CPoint o = ClientOrigin(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

namespace {
HWND ChildAt(WindowState* w, POINT clientPoint) {
  for (HWND c : w->children) {
    WindowState* cw = Sys().Find(c);
    if (!cw || !cw->Visible()) continue;
    if ((cw->style & 0xF) == 0x7 && cw->className == "BUTTON") continue;  // group boxes let clicks through
    if (cw->rect.PtInRect(clientPoint)) {
      POINT inner{clientPoint.x - cw->rect.left, clientPoint.y - cw->rect.top};
      HWND deeper = ChildAt(cw, inner);
      return deeper ? deeper : c;
    }
  }
  return nullptr;
}
}  // namespace

namespace {
// A topmost window, or one owned (at any depth) by a topmost window: an owned window stays
// above its owner, so it is as high as the owner is.
bool StacksAsTopmost(WindowState* w) {
  for (int depth = 0; w && depth < 64; ++depth) {
    if (w->Topmost()) return true;
    w = w->owner ? Sys().Find(w->owner) : nullptr;
  }
  return false;
}
}  // namespace

HWND WindowFromPoint(POINT screen) {
  const std::vector<HWND> tops = Sys().TopLevelWindows();
  // Later windows lie above earlier ones (an owned window is made after its owner);
  // topmost windows above all others.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
      WindowState* w = Sys().Find(*it);
      if (!w || !w->Visible() || StacksAsTopmost(w) != (pass == 0)) continue;
      if (w->className == "tooltips_class32") continue;  // tips never take the pointer
      if (!w->rect.PtInRect(screen)) continue;
      if (HWND hit = ChildWindowFromScreenPoint(*it, screen)) return hit;
    }
  }
  return nullptr;
}

HWND ChildWindowFromScreenPoint(HWND top, POINT screen) {
  WindowState* w = Sys().Find(top);
  if (!w || !w->Visible()) return nullptr;
  POINT local{screen.x - w->rect.left, screen.y - w->rect.top};
  if (w->region && !w->region->Contains(local)) return nullptr;
  HWND child = ChildAt(w, local);
  return child ? child : top;
}
