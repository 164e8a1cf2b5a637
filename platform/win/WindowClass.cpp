#include "platform/win/WindowClass.h"

#include <strings.h>

#include <cstring>

#include "platform/win/ControlClasses.h"
#include "platform/win/DC.h"
#include "platform/win/Gdi.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Wnd.h"

namespace varlo::win {

namespace {
MessageSystem& Sys() { return MessageSystem::Instance(); }
}  // namespace

LRESULT WindowClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcImpl(w, msg, wParam, lParam);
}

LRESULT DefWindowProcImpl(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SETTEXT: {
      const char* text = reinterpret_cast<const char*>(lParam);
      w.text = text ? text : "";
      w.Changed(kChangeText);
      ::InvalidateRect(w.hwnd, nullptr, TRUE);
      if (w.IsChild()) ::InvalidateRect(w.parent, nullptr, TRUE);
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lParam);
      const size_t size = static_cast<size_t>(wParam);
      if (!buffer || size == 0) return 0;
      const size_t n = std::min(w.text.size(), size - 1);
      std::memcpy(buffer, w.text.data(), n);
      buffer[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w.text.size());
    case WM_CLOSE:
      Sys().DestroyWindow(w.hwnd);
      return 0;
    case WM_PAINT: {
      // Validating the window also erases its background.
      CPaintDC dc(CWnd::FromHandle(w.hwnd));
      return 0;
    }
    case WM_ERASEBKGND:
      return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      CDC* dc = CDC::FromHandle(reinterpret_cast<HDC>(wParam));
      const bool window = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
      if (dc) {
        dc->SetTextColor(GetSysColor(COLOR_WINDOWTEXT));
        dc->SetBkColor(GetSysColor(window ? COLOR_WINDOW : COLOR_BTNFACE));
      }
      return reinterpret_cast<LRESULT>(GetSysColorBrush(window ? COLOR_WINDOW : COLOR_BTNFACE));
    }
    case WM_NCHITTEST: {
      RECT r;
      ::GetWindowRect(w.hwnd, &r);
      const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      return CRect(r).PtInRect(p) ? HTCLIENT : HTNOWHERE;
    }
    case WM_SETCURSOR:
      if (w.IsChild() && Sys().CallWindow(w.parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (reinterpret_cast<HWND>(wParam) == w.hwnd && LOWORD(static_cast<UINT_PTR>(lParam)) == HTCLIENT) {
        ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
      }
      return FALSE;
    case WM_NCLBUTTONDOWN:
      if (wParam == static_cast<WPARAM>(HTCAPTION) && !w.IsChild() && Sys().Backend()) {
        Sys().Backend()->RunMoveLoop(w.hwnd);
      }
      return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          Sys().CallWindow(w.hwnd, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ::ShowWindow(w.hwnd, SW_MINIMIZE);
          break;
        case SC_RESTORE:
          ::ShowWindow(w.hwnd, SW_RESTORE);
          break;
        default:
          break;
      }
      return 0;
    case WM_SETFONT:
      w.font = reinterpret_cast<HFONT>(wParam);
      w.Changed(kChangeFont);
      if (lParam) ::InvalidateRect(w.hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(w.font);
    case WM_SETICON: {
      HICON& slot = wParam == ICON_BIG ? w.iconBig : w.iconSmall;
      HICON old = slot;
      slot = reinterpret_cast<HICON>(lParam);
      w.Changed(kChangeIcon);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_MOUSEACTIVATE:
      return 1;
    default:
      return 0;
  }
}

// The dialog class: closing is cancelling, the background comes from WM_CTLCOLORDLG.
class DialogClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_CLOSE:
        Sys().CallWindow(w.hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(::GetDlgItem(w.hwnd, IDCANCEL)));
        return 0;
      case WM_ERASEBKGND: {
        CDC* dc = CDC::FromHandle(reinterpret_cast<HDC>(wParam));
        auto brush = reinterpret_cast<HBRUSH>(
            Sys().CallWindow(w.hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(w.hwnd)));
        if (dc && brush) {
          const CRect r = w.ClientRect();
          dc->FillRect(&r, brush);
        }
        return 1;
      }
      default:
        return DefWindowProcImpl(w, msg, wParam, lParam);
    }
  }
};

std::unique_ptr<WindowClass> MakeWindowClass(std::string_view name) {
  auto is = [&](const char* n) { return name.size() == std::strlen(n) && strncasecmp(name.data(), n, name.size()) == 0; };
  if (is("#32770")) return std::make_unique<DialogClass>();
  if (is("BUTTON")) return std::make_unique<ButtonClass>();
  if (is("EDIT")) return std::make_unique<EditClass>();
  if (is("STATIC")) return std::make_unique<StaticClass>();
  if (is("COMBOBOX")) return std::make_unique<ComboBoxClass>();
  if (is("LISTBOX")) return std::make_unique<ListBoxClass>();
  if (is("SysListView32")) return std::make_unique<ListViewClass>();
  if (is("msctls_trackbar32")) return std::make_unique<TrackbarClass>();
  if (is("msctls_progress32")) return std::make_unique<ProgressClass>();
  if (is("tooltips_class32")) return std::make_unique<TooltipClass>();
  if (is("SysTabControl32")) return std::make_unique<TabClass>();
  return std::make_unique<WindowClass>();
}

}  // namespace varlo::win
