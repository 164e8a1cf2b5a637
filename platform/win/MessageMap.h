// Message maps: each window class lists the messages it handles, and the dispatcher walks
// from the most derived class's map to its bases'.  Written in the class library's style:
//
//   class CMyDlg : public CDialog { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//     ON_WM_PAINT()
//     ON_BN_CLICKED(1001, &CMyDlg::OnCall)
//     ON_MESSAGE(WM_USER + 104, &CMyDlg::OnRemoteRinging)
//   END_MESSAGE_MAP()
#pragma once
#include <functional>
#include <vector>

#include "platform/win/Geometry.h"
#include "platform/win/WinMessages.h"

class CWnd;
class CDC;
class CScrollBar;

struct CMessageMapEntry {
  UINT message = 0;  // WM_COMMAND and WM_NOTIFY also match code and id
  UINT code = 0;
  UINT idFirst = 0;
  UINT idLast = 0;
  std::function<LRESULT(CWnd*, WPARAM, LPARAM)> call;
};

struct CMessageMap {
  const CMessageMap* (*base)() = nullptr;
  std::vector<CMessageMapEntry> entries;
};

#define DECLARE_MESSAGE_MAP()                       \
 protected:                                         \
  static const ::CMessageMap* GetThisMessageMap();  \
  const ::CMessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                          \
  const ::CMessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const ::CMessageMap* theClass::GetThisMessageMap() {                                  \
    using ThisClass = theClass;                                                         \
    using TheBaseClass = baseClass;                                                     \
    static const ::CMessageMap map{&TheBaseClass::GetThisMessageMap, {

#define END_MESSAGE_MAP() \
  }                       \
  }                       \
  ;                       \
  return &map;            \
  }

// Bridges from a map entry to a member function of a given signature.
namespace varlo::win::msgmap {

CDC* DcFromWParam(WPARAM w);
CWnd* WndFromHandle(LPARAM l);
CWnd* WndFromHandle(WPARAM w);
// The kind (CTLCOLOR_*) of the WM_CTLCOLOR* request being dispatched.
UINT CurrentCtlColorKind();

template <class T, class F>
CMessageMapEntry Entry(UINT message, UINT code, UINT first, UINT last, F&& call) {
  return CMessageMapEntry{message, code, first, last,
                          [call = std::forward<F>(call)](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {
                            return call(static_cast<T*>(w), wp, lp);
                          }};
}

template <class T>
CMessageMapEntry Message(UINT msg, LRESULT (T::*fn)(WPARAM, LPARAM)) {
  return Entry<T>(msg, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) { return (t->*fn)(w, l); });
}
template <class T>
CMessageMapEntry Control(UINT code, UINT id, void (T::*fn)()) {
  return Entry<T>(WM_COMMAND, code, id, id, [fn](T* t, WPARAM, LPARAM) { (t->*fn)(); return LRESULT(0); });
}
template <class T>
CMessageMapEntry CommandRange(UINT first, UINT last, void (T::*fn)(UINT)) {
  return Entry<T>(WM_COMMAND, 0, first, last, [fn](T* t, WPARAM w, LPARAM) {
    (t->*fn)(LOWORD(w));
    return LRESULT(0);
  });
}
template <class T>
CMessageMapEntry Notify(UINT code, UINT id, void (T::*fn)(NMHDR*, LRESULT*)) {
  return Entry<T>(WM_NOTIFY, code, id, id, [fn](T* t, WPARAM, LPARAM l) {
    LRESULT r = 0;
    (t->*fn)(reinterpret_cast<NMHDR*>(l), &r);
    return r;
  });
}
template <class T>
CMessageMapEntry Void(UINT msg, void (T::*fn)()) {
  return Entry<T>(msg, 0, 0, 0, [fn](T* t, WPARAM, LPARAM) { (t->*fn)(); return LRESULT(0); });
}
template <class T>
CMessageMapEntry Timer(void (T::*fn)(UINT_PTR)) {
  return Entry<T>(WM_TIMER, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM) { (t->*fn)(w); return LRESULT(0); });
}
template <class T>
CMessageMapEntry Move(void (T::*fn)(int, int)) {
  return Entry<T>(WM_MOVE, 0, 0, 0, [fn](T* t, WPARAM, LPARAM l) {
    (t->*fn)(GET_X_LPARAM(l), GET_Y_LPARAM(l));
    return LRESULT(0);
  });
}
template <class T>
CMessageMapEntry Size(void (T::*fn)(UINT, int, int)) {
  return Entry<T>(WM_SIZE, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    (t->*fn)(static_cast<UINT>(w), LOWORD(static_cast<UINT_PTR>(l)), HIWORD(static_cast<UINT_PTR>(l)));
    return LRESULT(0);
  });
}
template <class T>
CMessageMapEntry SysCommand(void (T::*fn)(UINT, LPARAM)) {
  return Entry<T>(WM_SYSCOMMAND, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    (t->*fn)(static_cast<UINT>(w), l);
    return LRESULT(0);
  });
}
template <class T>
CMessageMapEntry QueryDragIcon(HICON (T::*fn)()) {
  return Entry<T>(WM_QUERYDRAGICON, 0, 0, 0, [fn](T* t, WPARAM, LPARAM) {
    return reinterpret_cast<LRESULT>((t->*fn)());
  });
}
template <class T>
CMessageMapEntry CtlColor(HBRUSH (T::*fn)(CDC*, CWnd*, UINT)) {
  return Entry<T>(WM_CTLCOLOR, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    return reinterpret_cast<LRESULT>((t->*fn)(DcFromWParam(w), WndFromHandle(l), CurrentCtlColorKind()));
  });
}
template <class T>
CMessageMapEntry CtlColorReflect(HBRUSH (T::*fn)(CDC*, UINT)) {
  return Entry<T>(WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM) {
    return reinterpret_cast<LRESULT>((t->*fn)(DcFromWParam(w), CurrentCtlColorKind()));
  });
}
template <class T>
CMessageMapEntry EraseBkgnd(BOOL (T::*fn)(CDC*)) {
  return Entry<T>(WM_ERASEBKGND, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM) {
    return static_cast<LRESULT>((t->*fn)(DcFromWParam(w)));
  });
}
template <class T>
CMessageMapEntry NcHitTest(LRESULT (T::*fn)(CPoint)) {
  return Entry<T>(WM_NCHITTEST, 0, 0, 0, [fn](T* t, WPARAM, LPARAM l) { return (t->*fn)(CPoint(l)); });
}
template <class T>
CMessageMapEntry HitMouse(UINT msg, void (T::*fn)(UINT, CPoint)) {
  return Entry<T>(msg, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    (t->*fn)(static_cast<UINT>(w), CPoint(l));
    return LRESULT(0);
  });
}
template <class T>
CMessageMapEntry SetCursor(BOOL (T::*fn)(CWnd*, UINT, UINT)) {
  return Entry<T>(WM_SETCURSOR, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    return static_cast<LRESULT>(
        (t->*fn)(WndFromHandle(w), LOWORD(static_cast<UINT_PTR>(l)), HIWORD(static_cast<UINT_PTR>(l))));
  });
}
template <class T>
CMessageMapEntry CopyData(BOOL (T::*fn)(CWnd*, COPYDATASTRUCT*)) {
  return Entry<T>(WM_COPYDATA, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    return static_cast<LRESULT>((t->*fn)(WndFromHandle(w), reinterpret_cast<COPYDATASTRUCT*>(l)));
  });
}
template <class T>
CMessageMapEntry Key(UINT msg, void (T::*fn)(UINT, UINT, UINT)) {
  return Entry<T>(msg, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    (t->*fn)(static_cast<UINT>(w), LOWORD(static_cast<UINT_PTR>(l)), HIWORD(static_cast<UINT_PTR>(l)));
    return LRESULT(0);
  });
}
template <class T>
CMessageMapEntry MouseActivate(int (T::*fn)(CWnd*, UINT, UINT)) {
  return Entry<T>(WM_MOUSEACTIVATE, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    return static_cast<LRESULT>(
        (t->*fn)(WndFromHandle(w), LOWORD(static_cast<UINT_PTR>(l)), HIWORD(static_cast<UINT_PTR>(l))));
  });
}
template <class T>
CMessageMapEntry Scroll(UINT msg, void (T::*fn)(UINT, UINT, CScrollBar*)) {
  return Entry<T>(msg, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    (t->*fn)(LOWORD(w), HIWORD(w), reinterpret_cast<CScrollBar*>(WndFromHandle(l)));
    return LRESULT(0);
  });
}
template <class T>
CMessageMapEntry Focus(UINT msg, void (T::*fn)(CWnd*)) {
  return Entry<T>(msg, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM) {
    (t->*fn)(WndFromHandle(w));
    return LRESULT(0);
  });
}
template <class T>
CMessageMapEntry ShowWindow(void (T::*fn)(BOOL, UINT)) {
  return Entry<T>(WM_SHOWWINDOW, 0, 0, 0, [fn](T* t, WPARAM w, LPARAM l) {
    (t->*fn)(static_cast<BOOL>(w), static_cast<UINT>(l));
    return LRESULT(0);
  });
}

}  // namespace varlo::win::msgmap

#define VARLO_MM ::varlo::win::msgmap
#define ON_MESSAGE(msg, fn) VARLO_MM::Message<ThisClass>(msg, fn),
#define ON_COMMAND(id, fn) VARLO_MM::Control<ThisClass>(0, id, fn),
#define ON_COMMAND_RANGE(first, last, fn) VARLO_MM::CommandRange<ThisClass>(first, last, fn),
#define ON_CONTROL(code, id, fn) VARLO_MM::Control<ThisClass>(code, id, fn),
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_BN_DOUBLECLICKED(id, fn) ON_CONTROL(BN_DOUBLECLICKED, id, fn)
#define ON_EN_CHANGE(id, fn) ON_CONTROL(EN_CHANGE, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_CBN_EDITCHANGE(id, fn) ON_CONTROL(CBN_EDITCHANGE, id, fn)
#define ON_LBN_SELCHANGE(id, fn) ON_CONTROL(LBN_SELCHANGE, id, fn)
#define ON_LBN_DBLCLK(id, fn) ON_CONTROL(LBN_DBLCLK, id, fn)
#define ON_STN_CLICKED(id, fn) ON_CONTROL(STN_CLICKED, id, fn)
#define ON_NOTIFY(code, id, fn) VARLO_MM::Notify<ThisClass>(code, id, fn),
#define ON_WM_DESTROY() VARLO_MM::Void<ThisClass>(WM_DESTROY, &ThisClass::OnDestroy),
#define ON_WM_NCDESTROY() VARLO_MM::Void<ThisClass>(WM_NCDESTROY, &ThisClass::OnNcDestroy),
#define ON_WM_CLOSE() VARLO_MM::Void<ThisClass>(WM_CLOSE, &ThisClass::OnClose),
#define ON_WM_PAINT() VARLO_MM::Void<ThisClass>(WM_PAINT, &ThisClass::OnPaint),
#define ON_WM_ERASEBKGND() VARLO_MM::EraseBkgnd<ThisClass>(&ThisClass::OnEraseBkgnd),
#define ON_WM_TIMER() VARLO_MM::Timer<ThisClass>(&ThisClass::OnTimer),
#define ON_WM_MOVE() VARLO_MM::Move<ThisClass>(&ThisClass::OnMove),
#define ON_WM_SIZE() VARLO_MM::Size<ThisClass>(&ThisClass::OnSize),
#define ON_WM_SYSCOMMAND() VARLO_MM::SysCommand<ThisClass>(&ThisClass::OnSysCommand),
#define ON_WM_QUERYDRAGICON() VARLO_MM::QueryDragIcon<ThisClass>(&ThisClass::OnQueryDragIcon),
#define ON_WM_CTLCOLOR() VARLO_MM::CtlColor<ThisClass>(&ThisClass::OnCtlColor),
#define ON_WM_CTLCOLOR_REFLECT() VARLO_MM::CtlColorReflect<ThisClass>(&ThisClass::CtlColor),
#define ON_WM_NCHITTEST() VARLO_MM::NcHitTest<ThisClass>(&ThisClass::OnNcHitTest),
#define ON_WM_NCMOUSEMOVE() VARLO_MM::HitMouse<ThisClass>(WM_NCMOUSEMOVE, &ThisClass::OnNcMouseMove),
#define ON_WM_NCLBUTTONDOWN() VARLO_MM::HitMouse<ThisClass>(WM_NCLBUTTONDOWN, &ThisClass::OnNcLButtonDown),
#define ON_WM_MOUSEMOVE() VARLO_MM::HitMouse<ThisClass>(WM_MOUSEMOVE, &ThisClass::OnMouseMove),
#define ON_WM_LBUTTONDOWN() VARLO_MM::HitMouse<ThisClass>(WM_LBUTTONDOWN, &ThisClass::OnLButtonDown),
#define ON_WM_LBUTTONUP() VARLO_MM::HitMouse<ThisClass>(WM_LBUTTONUP, &ThisClass::OnLButtonUp),
#define ON_WM_LBUTTONDBLCLK() VARLO_MM::HitMouse<ThisClass>(WM_LBUTTONDBLCLK, &ThisClass::OnLButtonDblClk),
#define ON_WM_RBUTTONDOWN() VARLO_MM::HitMouse<ThisClass>(WM_RBUTTONDOWN, &ThisClass::OnRButtonDown),
#define ON_WM_RBUTTONUP() VARLO_MM::HitMouse<ThisClass>(WM_RBUTTONUP, &ThisClass::OnRButtonUp),
#define ON_WM_SETCURSOR() VARLO_MM::SetCursor<ThisClass>(&ThisClass::OnSetCursor),
#define ON_WM_COPYDATA() VARLO_MM::CopyData<ThisClass>(&ThisClass::OnCopyData),
#define ON_WM_KEYDOWN() VARLO_MM::Key<ThisClass>(WM_KEYDOWN, &ThisClass::OnKeyDown),
#define ON_WM_KEYUP() VARLO_MM::Key<ThisClass>(WM_KEYUP, &ThisClass::OnKeyUp),
#define ON_WM_CHAR() VARLO_MM::Key<ThisClass>(WM_CHAR, &ThisClass::OnChar),
#define ON_WM_MOUSEACTIVATE() VARLO_MM::MouseActivate<ThisClass>(&ThisClass::OnMouseActivate),
#define ON_WM_HSCROLL() VARLO_MM::Scroll<ThisClass>(WM_HSCROLL, &ThisClass::OnHScroll),
#define ON_WM_VSCROLL() VARLO_MM::Scroll<ThisClass>(WM_VSCROLL, &ThisClass::OnVScroll),
#define ON_WM_SETFOCUS() VARLO_MM::Focus<ThisClass>(WM_SETFOCUS, &ThisClass::OnSetFocus),
#define ON_WM_KILLFOCUS() VARLO_MM::Focus<ThisClass>(WM_KILLFOCUS, &ThisClass::OnKillFocus),
#define ON_WM_SHOWWINDOW() VARLO_MM::ShowWindow<ThisClass>(&ThisClass::OnShowWindow),
