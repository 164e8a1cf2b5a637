// CWnd: the C++ object of a window.  Its state lives in the layer's WindowState; CWnd
// attaches to it, sends it messages and runs its message map.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/Geometry.h"
#include "platform/win/MessageMap.h"
#include "platform/win/RuntimeClass.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WinStyles.h"

class CDC;
class CMenu;
class CDataExchange;
class CFont;
namespace varlo::win {
struct WindowState;
class MessageSystem;
}  // namespace varlo::win

struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  UINT showCmd = 0;
  POINT ptMinPosition{};
  POINT ptMaxPosition{};
  RECT rcNormalPosition{};
};

class CWnd : public CObject {
  DECLARE_DYNAMIC(CWnd)

 public:
  CWnd();
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The object attached to a window, or a wrapper of the control's class made by the layer.
  static CWnd* FromHandle(HWND hwnd);
  static CWnd* FromHandlePermanent(HWND hwnd);

  // --- creation and destruction ---
  virtual BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                        const RECT& rect, CWnd* parent, UINT id);
  virtual BOOL Create(const char* className, const char* windowName, DWORD style, const RECT& rect,
                      CWnd* parent, UINT id);
  virtual BOOL DestroyWindow();
  BOOL Attach(HWND hwnd);
  HWND Detach();
  BOOL SubclassWindow(HWND hwnd);
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  HWND UnsubclassWindow();

  // --- messages ---
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT Default();
  // Returns TRUE when it consumed the message (it is then not dispatched).
  virtual BOOL PreTranslateMessage(MSG* msg);
  // Offers a queue message to the target window and its ancestors' PreTranslateMessage.
  static bool WalkPreTranslateTree(const MSG& msg);
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs, void* callback = nullptr);
  BOOL KillTimer(UINT_PTR id);

  // --- text ---
  void SetWindowText(const char* text);
  int GetWindowText(char* buffer, int maxCount) const;
  void GetWindowText(CString& text) const;
  int GetWindowTextLength() const;

  // --- controls of a dialog ---
  CWnd* GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  void SetDlgItemText(int id, const char* text);
  int GetDlgItemText(int id, CString& text) const;
  UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
  void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
  void CheckDlgButton(int id, UINT check);
  UINT IsDlgButtonChecked(int id) const;
  void CheckRadioButton(int first, int last, int check);

  // --- place and look ---
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
  BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
  void GetWindowRect(LPRECT rect) const;
  void GetClientRect(LPRECT rect) const;
  void ClientToScreen(POINT* point) const;
  void ClientToScreen(RECT* rect) const;
  void ScreenToClient(POINT* point) const;
  void ScreenToClient(RECT* rect) const;
  BOOL GetWindowPlacement(WINDOWPLACEMENT* placement) const;
  BOOL SetWindowPlacement(const WINDOWPLACEMENT* placement);
  void CenterWindow(CWnd* alternateOwner = nullptr);
  BOOL ShowWindow(int cmd);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsIconic() const;
  BOOL IsWindow() const;
  void Invalidate(BOOL erase = TRUE);
  void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
  void UpdateWindow();
  BOOL RedrawWindow(LPCRECT rect = nullptr, void* region = nullptr, UINT flags = 0);
  int SetWindowRgn(HRGN region, BOOL redraw);
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
  HICON SetIcon(HICON icon, BOOL big);
  HICON GetIcon(BOOL big) const;
  void SetFont(CFont* font, BOOL redraw = TRUE);
  CFont* GetFont() const;
  CDC* GetDC();
  int ReleaseDC(CDC* dc);
  BOOL SetForegroundWindow();
  void BringWindowToTop();

  // --- relations ---
  CWnd* GetParent() const;
  CWnd* GetOwner() const;
  CWnd* GetTopLevelParent() const;
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* SetCapture();
  static CWnd* GetCapture();
  CMenu* GetSystemMenu(BOOL revert) const;
  int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

  // --- data exchange ---
  virtual BOOL UpdateData(BOOL saveAndValidate = TRUE);
  virtual void DoDataExchange(CDataExchange* dx);

  // Z-order markers for SetWindowPos.
  static const CWnd wndTop;
  static const CWnd wndBottom;
  static const CWnd wndTopMost;
  static const CWnd wndNoTopMost;

  // The layer's state of this window (null without a window).
  varlo::win::WindowState* State() const;
  // Whether the object's own message map handles WM_PAINT: its drawing then replaces the
  // class's (as a subclassed combo box that paints only its drop arrow).
  bool PaintsItself() const;
  // Called by the layer once the window is gone: detaches and runs PostNcDestroy.
  static void DetachDestroyed(CWnd* wnd);

 protected:
  static const CMessageMap* GetThisMessageMap();
  virtual const CMessageMap* GetMessageMap() const;
  virtual void PreSubclassWindow() {}
  virtual void PostNcDestroy() {}

  // Default handlers the derived maps may call as the base's.
  void OnDestroy() { Default(); }
  void OnNcDestroy() { Default(); }
  void OnClose() { Default(); }
  void OnPaint() { Default(); }
  BOOL OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
  void OnTimer(UINT_PTR) { Default(); }
  void OnMove(int, int) { Default(); }
  void OnSize(UINT, int, int) { Default(); }
  void OnSysCommand(UINT, LPARAM) { Default(); }
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);
  LRESULT OnNcHitTest(CPoint) { return Default(); }
  void OnNcMouseMove(UINT, CPoint) { Default(); }
  void OnNcLButtonDown(UINT, CPoint) { Default(); }
  void OnMouseMove(UINT, CPoint) { Default(); }
  void OnLButtonDown(UINT, CPoint) { Default(); }
  void OnLButtonUp(UINT, CPoint) { Default(); }
  void OnLButtonDblClk(UINT, CPoint) { Default(); }
  void OnRButtonDown(UINT, CPoint) { Default(); }
  void OnRButtonUp(UINT, CPoint) { Default(); }
  BOOL OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
  BOOL OnCopyData(CWnd*, COPYDATASTRUCT*) { return static_cast<BOOL>(Default()); }
  void OnKeyDown(UINT, UINT, UINT) { Default(); }
  void OnKeyUp(UINT, UINT, UINT) { Default(); }
  void OnChar(UINT, UINT, UINT) { Default(); }
  int OnMouseActivate(CWnd*, UINT, UINT) { return static_cast<int>(Default()); }
  void OnHScroll(UINT, UINT, CScrollBar*) { Default(); }
  void OnVScroll(UINT, UINT, CScrollBar*) { Default(); }
  void OnSetFocus(CWnd*) { Default(); }
  void OnKillFocus(CWnd*) { Default(); }
  void OnShowWindow(BOOL, UINT) { Default(); }

 private:
  explicit CWnd(HWND marker) : m_hWnd(marker) {}
  static const CMessageMapEntry* FindEntry(const CMessageMap* map, UINT message, UINT code, UINT id);
  friend class varlo::win::MessageSystem;
};

class CScrollBar : public CWnd {};

// --- the window functions of the system interface ---
HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU idOrMenu, HINSTANCE instance,
                    void* param);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Posts with wParam pointing to a NUL-terminated copy of `text` that the window layer owns
// until the handler has returned (or the message is dropped); any thread.
BOOL PostMessageWithText(HWND hwnd, UINT msg, const char* text, LPARAM lParam);
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, void* callback);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
// Top-level windows by class name and title (either may be null): this process's first,
// then, by title, the windows other programs of this user share (CrossProcess.h).  A
// window of another program takes SendMessage(WM_COPYDATA) only.
HWND FindWindow(const char* className, const char* windowName);
HWND GetDlgItem(HWND dialog, int id);
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL SetWindowText(HWND hwnd, const char* text);
int GetWindowText(HWND hwnd, char* buffer, int maxCount);
BOOL GetWindowRect(HWND hwnd, LPRECT rect);
BOOL GetClientRect(HWND hwnd, LPRECT rect);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL InvalidateRect(HWND hwnd, LPCRECT rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
LONG_PTR GetWindowLong(HWND hwnd, int index);
LONG_PTR SetWindowLong(HWND hwnd, int index, LONG_PTR value);
HWND GetParent(HWND hwnd);
HWND GetFocus();
HWND SetFocus(HWND hwnd);
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
int GetSystemMetrics(int index);
BOOL GetCursorPos(POINT* point);
HCURSOR SetCursor(HCURSOR cursor);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
BOOL IsIconic(HWND hwnd);
BOOL IsWindowVisible(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
BOOL ScreenToClient(HWND hwnd, POINT* point);
BOOL ClientToScreen(HWND hwnd, POINT* point);
// The window at a screen point: the deepest visible, enabled child that covers it.  Windows
// owned by a topmost window lie above it, as topmost windows do.
HWND WindowFromPoint(POINT screen);
// The deepest visible child of a top-level window at a screen point, or the window itself
// (nullptr where its region leaves the point out): for a point that the display server
// showed on that window, whatever the layer's own stacking says.
HWND ChildWindowFromScreenPoint(HWND top, POINT screen);
// The state of a key as of the input message being handled: negative while it is down
// (the keyboard messages delivered so far say so).
short GetKeyState(int vk);
