#include "platform/win/MessageBox.h"

#include <mutex>

#include "platform/win/Dialog.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/WinApp.h"

namespace varlo::win {
namespace {

struct Boxes {
  std::mutex mutex;
  MessageBoxHook hook;
  std::vector<MessageBoxRequest> shown;
};
Boxes& TheBoxes() {
  static auto* boxes = new Boxes();
  return *boxes;
}

// The buttons of each box type, left to right.
std::vector<std::pair<int, const char*>> Buttons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_YESNOCANCEL:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default:
      return {{IDOK, "OK"}};
  }
}

// The box as a dialog built in memory, run in the layer's own modal loop.
class CMessageBoxDlg final : public CDialog {
 public:
  explicit CMessageBoxDlg(const MessageBoxRequest& r) : m_request(r) {
    const auto buttons = Buttons(r.type);
    int lines = 1, longest = 0, current = 0;
    for (char c : r.text) {
      if (c == '\n') {
        ++lines;
        current = 0;
      } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
        longest = std::max(longest, ++current);
      }
    }
    const int buttonRow = static_cast<int>(buttons.size()) * 56;
    const short width = static_cast<short>(std::clamp(std::max(longest * 4 + 24, buttonRow + 16), 120, 360));
    const short textHeight = static_cast<short>(lines * 9);
    m_controls.push_back(res::ControlEntry{"STATIC", m_request.text.c_str(), IDC_STATIC, 12, 10,
                                           static_cast<short>(width - 24), textHeight,
                                           WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, nullptr, 0});
    short x = static_cast<short>((width - buttonRow) / 2 + 3);
    const short y = static_cast<short>(textHeight + 20);
    const int def = (r.type & MB_DEFBUTTON2) && buttons.size() > 1 ? 1 : 0;
    for (size_t i = 0; i < buttons.size(); ++i) {
      const DWORD style = WS_VISIBLE | WS_TABSTOP | (static_cast<int>(i) == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      m_controls.push_back(res::ControlEntry{"BUTTON", buttons[i].second, buttons[i].first, x, y, 50, 14, style, 0,
                                             nullptr, 0});
      x = static_cast<short>(x + 56);
    }
    m_template = res::DialogEntry{0, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 0, width,
                                  static_cast<short>(y + 22), m_request.caption.c_str(), "MS Sans Serif", 8,
                                  m_controls.data(), static_cast<int>(m_controls.size())};
    InitModalIndirect(&m_template, CWnd::FromHandle(r.owner));
  }

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    const int id = LOWORD(wParam);
    for (const auto& [button, label] : Buttons(m_request.type)) {
      if (button == id) {
        EndDialog(id);
        return TRUE;
      }
    }
    if (id == IDCANCEL) {
      // Escape or the close box: a box without Cancel answers with its only or default button.
      const auto buttons = Buttons(m_request.type);
      if (buttons.size() == 1) EndDialog(buttons[0].first);
      return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
  }

 private:
  MessageBoxRequest m_request;
  std::vector<res::ControlEntry> m_controls;
  res::DialogEntry m_template{};
};

int Show(const MessageBoxRequest& request) {
  MessageBoxHook hook;
  {
    Boxes& b = TheBoxes();
    std::lock_guard lock(b.mutex);
    b.shown.push_back(request);
    hook = b.hook;
  }
  if (hook) return hook(request);
  MessageSystem& sys = MessageSystem::Instance();
  if (!sys.IsUiThread()) {
    int answer = DefaultMessageBoxAnswer(request.type);
    const bool ran = sys.Invoke([&] { answer = Show(request); });
    if (!ran) return (request.type & MB_TYPEMASK) == MB_OK ? IDOK : ((request.type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDCANCEL);
    return answer;
  }
  if (!sys.Backend()) return DefaultMessageBoxAnswer(request.type);
  CMessageBoxDlg box(request);
  const INT_PTR r = box.DoModal();
  return r < 0 ? DefaultMessageBoxAnswer(request.type) : static_cast<int>(r);
}

}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
  Boxes& b = TheBoxes();
  std::lock_guard lock(b.mutex);
  b.hook = std::move(hook);
}

std::vector<MessageBoxRequest> ShownMessageBoxes() {
  Boxes& b = TheBoxes();
  std::lock_guard lock(b.mutex);
  return b.shown;
}

void ClearShownMessageBoxes() {
  Boxes& b = TheBoxes();
  std::lock_guard lock(b.mutex);
  b.shown.clear();
}

int DefaultMessageBoxAnswer(UINT type) {
  const auto buttons = Buttons(type);
  const size_t def = (type & MB_DEFBUTTON2) && buttons.size() > 1 ? 1 : 0;
  return buttons[def].first;
}

}  // namespace varlo::win

int MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  varlo::win::MessageBoxRequest r;
  r.owner = ::IsWindow(owner) ? owner : nullptr;
  r.text = text ? text : "";
  r.caption = caption ? caption : "Error";
  r.type = type;
  return varlo::win::Show(r);
}

int AfxMessageBox(const char* text, UINT type, UINT) {
  varlo::win::MessageBoxRequest r;
  CWnd* main = AfxGetMainWnd();
  r.owner = main ? main->m_hWnd : nullptr;
  if (!::IsWindow(r.owner)) r.owner = nullptr;
  r.text = text ? text : "";
  r.caption = AfxGetAppName();
  r.type = type;
  return varlo::win::Show(r);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpId) {
  return AfxMessageBox(AfxLoadString(stringId).GetString(), type, helpId);
}

void AfxMessageBoxLater(const char* text) {
  bool hooked = false;
  {
    varlo::win::Boxes& b = varlo::win::TheBoxes();
    std::lock_guard lock(b.mutex);
    hooked = static_cast<bool>(b.hook);
  }
  if (hooked || varlo::win::MessageSystem::Instance().IsUiThread()) {
    AfxMessageBox(text);
    return;
  }
  varlo::win::MessageSystem::Instance().PostTextTask([](const char* t) { AfxMessageBox(t); }, text ? text : "");
}
