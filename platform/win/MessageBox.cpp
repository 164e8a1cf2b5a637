#include "platform/win/MessageBox.h"

#include <condition_variable>
#include <map>
#include <mutex>

#include "platform/win/Backend.h"
#include "platform/win/Dialog.h"
#include "platform/win/DialogUnits.h"
#include "platform/win/FrameworkText.h"
#include "platform/win/Gdi.h"
#include "platform/win/GdiData.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/TextWrap.h"
#include "platform/win/WinApp.h"

namespace varlo::win {
namespace {

struct Boxes {
  std::mutex mutex;
  MessageBoxHook hook;
  std::vector<MessageBoxRequest> shown;
  // Withdrawable boxes handed to the user-interface thread, by number.
  std::map<unsigned long, std::weak_ptr<MessageBoxWithdrawal::State>> questions;
  unsigned long lastQuestion = 0;
};
Boxes& TheBoxes() {
  static auto* boxes = new Boxes();
  return *boxes;
}

// The buttons of each box type, left to right.
std::vector<std::pair<int, FrameworkTextId>> Buttons(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, kTextOk}, {IDCANCEL, kTextCancel}};
    case MB_YESNOCANCEL:
      return {{IDYES, kTextYes}, {IDNO, kTextNo}, {IDCANCEL, kTextCancel}};
    case MB_YESNO:
      return {{IDYES, kTextYes}, {IDNO, kTextNo}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, kTextRetry}, {IDCANCEL, kTextCancel}};
    default:
      return {{IDOK, kTextOk}};
  }
}

constexpr int kMinWidth = 120;  // dialog units
constexpr int kMaxWidth = 360;
constexpr int kTextMargin = 12;  // on either side of the text
constexpr int kFrameRows = 42;   // dialog units above and below the text, the buttons among them

int CodePoints(const std::string& s) {
  int n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// The size of the box's text in dialog units: as wide as its longest line, up to the
// widest box, and as tall as the lines it breaks into there (measured in the box's font as
// the screen shows it, or 6 x 13 pixels a character without a screen).
struct TextLayout {
  short width;   // of the box
  short height;  // of the text
};
TextLayout LayOut(const std::string& text, int buttonRow) {
  HFONT font = CreateFont(-MulDiv(8, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
  const auto data = GdiGetAs<FontData>(font);
  const IWindowBackend* backend = MessageSystem::Instance().Backend();
  auto extent = [&](const std::string& s) {
    if (backend && data) {
      if (auto e = backend->TextExtent(s, *data)) return *e;
    }
    return CSize(6 * CodePoints(s), 13);
  };
  auto measure = [&](const std::string& s) { return static_cast<int>(extent(s).cx); };
  int widest = 0;
  for (const std::string& line : WrapText(text, 0, measure)) widest = std::max(widest, measure(line));
  const int textUnits = (widest * 4 + kDialogBaseUnitX - 1) / kDialogBaseUnitX;
  const int width = std::clamp(std::max(textUnits + 2 * kTextMargin, buttonRow + 16), kMinWidth, kMaxWidth);
  // Broken a little inside the text's box, so that the toolkit's own measure of the same
  // lines never needs one more.
  const int room = DialogUnitsToPixelsX(width - 2 * kTextMargin) - 2;
  const int lines = static_cast<int>(WrapText(text, room, measure).size());
  const int linePixels = std::max(1, static_cast<int>(extent("Ag").cy));
  const int screenUnits = GetSystemMetrics(SM_CYSCREEN) * 8 / kDialogBaseUnitY;
  const int textUnitsHigh = (lines * linePixels * 8 + kDialogBaseUnitY - 1) / kDialogBaseUnitY;
  const int height = std::clamp(textUnitsHigh, 9, std::max(9, screenUnits - kFrameRows - 20));
  DeleteObject(font);
  return {static_cast<short>(width), static_cast<short>(height)};
}

// The box as a dialog built in memory, run in the layer's own modal loop.
class CMessageBoxDlg final : public CDialog {
 public:
  explicit CMessageBoxDlg(const MessageBoxRequest& r) : m_request(r) {
    const auto buttons = Buttons(r.type);
    const int buttonRow = static_cast<int>(buttons.size()) * 56;
    const TextLayout text = LayOut(r.text, buttonRow);
    const short width = text.width;
    const short textHeight = text.height;
    m_controls.push_back(res::ControlEntry{"STATIC", m_request.text.c_str(), IDC_STATIC, 12, 10,
                                           static_cast<short>(width - 24), textHeight,
                                           WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, nullptr, 0});
    short x = static_cast<short>((width - buttonRow) / 2 + 3);
    const short y = static_cast<short>(textHeight + 20);
    const int def = (r.type & MB_DEFBUTTON2) && buttons.size() > 1 ? 1 : 0;
    // The buttons speak the language of the resources in force, as the framework's texts do.
    for (const auto& button : buttons) m_labels.push_back(FrameworkText(button.second));
    for (size_t i = 0; i < buttons.size(); ++i) {
      const DWORD style = WS_VISIBLE | WS_TABSTOP | (static_cast<int>(i) == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      m_controls.push_back(res::ControlEntry{"BUTTON", m_labels[i].GetString(), buttons[i].first, x, y, 50, 14, style,
                                             0, nullptr, 0});
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
  std::vector<CString> m_labels;
  std::vector<res::ControlEntry> m_controls;
  res::DialogEntry m_template{};
};

// Records the box; the test hook, when one is set.
MessageBoxHook Record(const MessageBoxRequest& request) {
  Boxes& b = TheBoxes();
  std::lock_guard lock(b.mutex);
  b.shown.push_back(request);
  return b.hook;
}

// The box itself, on the user-interface thread.  `shown` learns the dialog while it runs.
int RunBox(const MessageBoxRequest& request, CDialog** shown = nullptr) {
  if (!MessageSystem::Instance().Backend()) return UnansweredMessageBoxAnswer(request.type);
  CMessageBoxDlg box(request);
  if (shown) *shown = &box;
  const INT_PTR r = box.DoModal();
  if (shown) *shown = nullptr;
  return r < 0 ? UnansweredMessageBoxAnswer(request.type) : static_cast<int>(r);
}

int Show(const MessageBoxRequest& request) {
  if (MessageBoxHook hook = Record(request)) return hook(request);
  MessageSystem& sys = MessageSystem::Instance();
  if (!sys.IsUiThread()) {
    int answer = UnansweredMessageBoxAnswer(request.type);
    if (!sys.Invoke([&] { answer = RunBox(request); })) return UnansweredMessageBoxAnswer(request.type);
    return answer;
  }
  return RunBox(request);
}

}  // namespace

struct MessageBoxWithdrawal::State {
  std::mutex mutex;
  std::condition_variable changed;
  bool withdrawn = false;
  bool answered = false;
  int answer = 0;
  unsigned long number = 0;  // in Boxes::questions while the user-interface thread has it
  MessageBoxRequest request;
  CDialog* box = nullptr;    // the box while it is up (user-interface thread only)
};

namespace {

void Unregister(const MessageBoxWithdrawal::State& state) {
  Boxes& b = TheBoxes();
  std::lock_guard lock(b.mutex);
  b.questions.erase(state.number);
}

std::shared_ptr<MessageBoxWithdrawal::State> FindQuestion(const char* number) {
  Boxes& b = TheBoxes();
  std::lock_guard lock(b.mutex);
  auto it = b.questions.find(std::stoul(number));
  return it == b.questions.end() ? nullptr : it->second.lock();
}

// User-interface thread: shows a handed-over question unless it was withdrawn first.
void RunQuestion(const char* number) {
  auto state = FindQuestion(number);
  if (!state) return;
  {
    std::lock_guard lock(state->mutex);
    if (state->withdrawn) return;
  }
  const int answer = RunBox(state->request, &state->box);
  {
    std::lock_guard lock(state->mutex);
    state->answered = true;
    state->answer = answer;
  }
  state->changed.notify_all();
  Unregister(*state);
}

// User-interface thread: ends a withdrawn question's box if it is up.
void EndQuestion(const char* number) {
  auto state = FindQuestion(number);
  if (state && state->box) state->box->EndDialog(UnansweredMessageBoxAnswer(state->request.type));
}

}  // namespace

MessageBoxWithdrawal::MessageBoxWithdrawal() : m_state(std::make_shared<State>()) {}

void MessageBoxWithdrawal::Withdraw() const {
  unsigned long number;
  {
    std::lock_guard lock(m_state->mutex);
    if (m_state->withdrawn) return;
    m_state->withdrawn = true;
    number = m_state->number;
  }
  m_state->changed.notify_all();
  MessageSystem& sys = MessageSystem::Instance();
  if (number == 0) return;  // not handed over: nothing is up
  if (sys.IsUiThread())
    EndQuestion(std::to_string(number).c_str());
  else
    sys.PostTextTask(&EndQuestion, std::to_string(number));
}

bool MessageBoxWithdrawal::IsWithdrawn() const {
  std::lock_guard lock(m_state->mutex);
  return m_state->withdrawn;
}

bool MessageBoxWithdrawal::WaitWithdrawn(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(m_state->mutex);
  return m_state->changed.wait_for(lock, timeout, [&] { return m_state->withdrawn; });
}

int ShowWithdrawable(MessageBoxRequest request, const MessageBoxWithdrawal& withdrawal) {
  const std::shared_ptr<MessageBoxWithdrawal::State>& state = withdrawal.m_state;
  request.withdrawal = &withdrawal;
  const int unanswered = UnansweredMessageBoxAnswer(request.type);
  if (MessageBoxHook hook = Record(request)) {
    const int answer = hook(request);
    return withdrawal.IsWithdrawn() ? unanswered : answer;
  }
  {
    Boxes& b = TheBoxes();
    std::lock_guard lock(b.mutex);
    std::lock_guard own(state->mutex);
    if (state->withdrawn) return unanswered;
    state->request = request;
    state->number = ++b.lastQuestion;
    b.questions[state->number] = state;
  }
  MessageSystem& sys = MessageSystem::Instance();
  if (sys.IsUiThread()) {
    const int answer = RunBox(request, &state->box);
    Unregister(*state);
    return withdrawal.IsWithdrawn() ? unanswered : answer;
  }
  // Handed to the user-interface thread, which may be busy inside another box's loop (and
  // even waiting for this thread): this thread waits only for the answer or the withdrawal.
  if (!sys.PostTextTask(&RunQuestion, std::to_string(state->number))) {
    Unregister(*state);
    return unanswered;
  }
  std::unique_lock lock(state->mutex);
  state->changed.wait(lock, [&] { return state->answered || state->withdrawn; });
  return state->withdrawn ? unanswered : state->answer;
}

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

int UnansweredMessageBoxAnswer(UINT type) {
  const auto buttons = Buttons(type);
  if (buttons.size() == 1) return buttons[0].first;
  for (const auto& [id, label] : buttons)
    if (id == IDCANCEL) return IDCANCEL;
  return IDNO;
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

namespace {

// The window that a box of the framework's belongs to: the main window, or while a modal
// dialog has disabled it, the dialog in front (the main window's last active pop-up), so
// that the box comes up over the window the user is working in.
HWND FrameworkBoxOwner() {
  CWnd* main = AfxGetMainWnd();
  HWND owner = main ? main->m_hWnd : nullptr;
  if (!::IsWindow(owner)) return nullptr;
  varlo::win::MessageSystem& sys = varlo::win::MessageSystem::Instance();
  if (!sys.IsUiThread()) return owner;
  for (int depth = 0; depth < 8 && !::IsWindowEnabled(owner); ++depth) {
    HWND front = nullptr;
    for (HWND h : sys.TopLevelWindows()) {  // in the order they were made: the latest wins
      const varlo::win::WindowState* w = sys.Find(h);
      if (w && w->owner == owner && w->Visible()) front = h;
    }
    if (!front) break;
    owner = front;
  }
  return owner;
}

}  // namespace

int AfxMessageBox(const char* text, UINT type, UINT) {
  varlo::win::MessageBoxRequest r;
  r.owner = FrameworkBoxOwner();
  r.text = text ? text : "";
  r.caption = AfxGetAppName();
  r.type = type;
  return varlo::win::Show(r);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpId) {
  return AfxMessageBox(AfxLoadString(stringId).GetString(), type, helpId);
}

int AfxMessageBox(const char* text, UINT type, const varlo::win::MessageBoxWithdrawal& withdrawal) {
  varlo::win::MessageBoxRequest r;
  CWnd* main = AfxGetMainWnd();
  r.owner = main ? main->m_hWnd : nullptr;
  if (!::IsWindow(r.owner)) r.owner = nullptr;
  r.text = text ? text : "";
  r.caption = AfxGetAppName();
  r.type = type;
  return varlo::win::ShowWithdrawable(std::move(r), withdrawal);
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
