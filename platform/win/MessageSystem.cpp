#include "platform/win/MessageSystem.h"

#include <algorithm>
#include <chrono>

#include "platform/win/DrawOp.h"
#include "platform/win/Wnd.h"
#include "platform/win/WindowClass.h"

namespace varlo::win {

WindowState::WindowState() = default;
WindowState::~WindowState() = default;

void WindowState::Changed(unsigned changes) {
  if (peer) peer->Sync(*this, changes);
}

MessageSystem& MessageSystem::Instance() {
  // Never destroyed: other threads may still post or send while the process ends.
  static MessageSystem* const system = new MessageSystem();
  return *system;
}

namespace {
constexpr UINT kInvokeMessage = WM_APP + 0x3F00;
constexpr UINT kTextTaskMessage = WM_APP + 0x3F01;

class HostClass final : public WindowClass {
 public:
  LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kInvokeMessage) {
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return 1;
    }
    if (msg == kTextTaskMessage) {
      reinterpret_cast<void (*)(const char*)>(lParam)(reinterpret_cast<const char*>(wParam));
      return 1;
    }
    return DefWindowProcImpl(w, msg, wParam, lParam);
  }
};
}  // namespace

MessageSystem::MessageSystem()
    : m_clock(std::make_shared<SteadyClock>()),
      m_headless(std::make_unique<HeadlessLoop>(*this)),
      m_driver(m_headless.get()),
      m_uiThread(std::this_thread::get_id()) {
  CreateHost();
}

void MessageSystem::CreateHost() {
  auto w = std::make_unique<WindowState>();
  w->className = "#host";
  w->cls = std::make_unique<HostClass>();
  w->style = WS_POPUP;
  w->internal = true;
  const HWND host = AddWindow(std::move(w));
  std::lock_guard lock(m_mutex);
  m_host = host;
}

bool MessageSystem::Invoke(const std::function<void()>& fn) {
  if (IsUiThread()) {
    fn();
    return true;
  }
  HWND host;
  {
    std::lock_guard lock(m_mutex);
    host = m_host;
  }
  return Send(host, kInvokeMessage, 0, reinterpret_cast<LPARAM>(&fn)).has_value();
}

void MessageSystem::Reset(std::shared_ptr<IClock> clock, ILoopDriver* driver, IWindowBackend* backend) {
  m_uiThread = std::this_thread::get_id();
  // Windows go first, while the backend that made their peers is still in place.
  std::vector<HWND> order = m_order;
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    if (WindowState* w = Find(*it); w && !w->IsChild()) DestroyRecursive(*it);
  }
  order = m_order;
  for (auto it = order.rbegin(); it != order.rend(); ++it) DestroyRecursive(*it);
  m_laterSyncs.clear();
  {
    std::lock_guard lock(m_mutex);
    FailSendsLocked(nullptr);
    m_posted.clear();
    m_timers.clear();
    m_quit = false;
    m_quitCode = 0;
    m_loopState = LoopState::kNotStarted;
  }
  m_sendDone.notify_all();
  m_levels.clear();
  m_current.clear();
  if (m_clock) m_clock->SetOnAdvance(nullptr);
  m_clock = clock ? std::move(clock) : std::make_shared<SteadyClock>();
  m_clock->SetOnAdvance([this] { Wake(); });
  m_headless = std::make_unique<HeadlessLoop>(*this);
  {
    std::lock_guard lock(m_mutex);
    m_driver = driver ? driver : m_headless.get();
  }
  m_backend = backend;
  CreateHost();
}

// ---------------------------------------------------------------------------------------
// Windows

HWND MessageSystem::AddWindow(std::unique_ptr<WindowState> w) {
  WindowState* raw = w.get();
  {
    std::lock_guard lock(m_mutex);
    const UINT_PTR handle = m_nextHandle++;
    raw->hwnd = reinterpret_cast<HWND>(handle);
    m_windows.emplace(handle, std::move(w));
  }
  m_order.push_back(raw->hwnd);
  if (raw->parent) {
    if (WindowState* p = Find(raw->parent)) p->children.push_back(raw->hwnd);
  }
  return raw->hwnd;
}

void MessageSystem::CreatePeer(WindowState& w) {
  if (m_backend && !w.peer) w.peer = m_backend->CreatePeer(w);
}

WindowState* MessageSystem::Find(HWND hwnd) const {
  if (!hwnd) return nullptr;
  if (!IsUiThread()) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(reinterpret_cast<UINT_PTR>(hwnd));
    return it == m_windows.end() ? nullptr : it->second.get();
  }
  auto it = m_windows.find(reinterpret_cast<UINT_PTR>(hwnd));
  return it == m_windows.end() ? nullptr : it->second.get();
}

bool MessageSystem::IsWindow(HWND hwnd) const {
  if (!hwnd) return false;
  std::lock_guard lock(m_mutex);
  return m_windows.count(reinterpret_cast<UINT_PTR>(hwnd)) != 0;
}

std::vector<HWND> MessageSystem::TopLevelWindows() const {
  std::vector<HWND> out;
  for (HWND h : m_order) {
    if (WindowState* w = Find(h); w && !w->IsChild() && !w->internal) out.push_back(h);
  }
  return out;
}

bool MessageSystem::DestroyWindow(HWND hwnd) {
  WindowState* w = Find(hwnd);
  if (!w || w->destroying) return false;
  DestroyRecursive(hwnd);
  return true;
}

void MessageSystem::DestroyRecursive(HWND hwnd) {
  WindowState* w = Find(hwnd);
  if (!w || w->destroying) return;
  w->destroying = true;
  // Owned windows go with their owner, before it.
  for (HWND other : std::vector<HWND>(m_order)) {
    WindowState* o = Find(other);
    if (o && !o->IsChild() && o->owner == hwnd) DestroyRecursive(other);
  }
  CallWindow(hwnd, WM_DESTROY, 0, 0);
  for (HWND child : std::vector<HWND>(Find(hwnd)->children)) DestroyRecursive(child);
  CallWindow(hwnd, WM_NCDESTROY, 0, 0);
  w = Find(hwnd);
  if (CWnd* attached = w->wnd) {
    w->wnd = nullptr;
    CWnd::DetachDestroyed(attached);  // may delete the object
  }
  for (auto it = m_timers.begin(); it != m_timers.end();) {
    it = it->first.first == hwnd ? m_timers.erase(it) : std::next(it);
  }
  w->peer.reset();
  if (WindowState* p = Find(w->parent)) std::erase(p->children, hwnd);
  std::unique_ptr<WindowState> dead;
  {
    std::lock_guard lock(m_mutex);
    FailSendsLocked(hwnd);
    // Text payloads for the window are freed now rather than when the loop reaches them.
    std::erase_if(m_posted, [hwnd](const Posted& p) { return p.hwnd == hwnd && p.text; });
    auto it = m_windows.find(reinterpret_cast<UINT_PTR>(hwnd));
    dead = std::move(it->second);
    m_windows.erase(it);
  }
  m_sendDone.notify_all();
  std::erase(m_order, hwnd);
  dead.reset();  // the layer's own wrapper object goes with the state
}

// ---------------------------------------------------------------------------------------
// Messages

LRESULT MessageSystem::CallWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  WindowState* w = Find(hwnd);
  if (!w) return 0;
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m_current.push_back(m);
  LRESULT r;
  if (w->wnd) {
    r = w->wnd->WindowProc(msg, wParam, lParam);
  } else {
    r = w->cls->Proc(*w, msg, wParam, lParam);
  }
  m_current.pop_back();
  return r;
}

void MessageSystem::DeliverMessage(const MSG& m) {
  if (CWnd::WalkPreTranslateTree(m)) return;
  CallWindow(m.hwnd, m.message, m.wParam, m.lParam);
}

const MSG* MessageSystem::CurrentMessage() const {
  return m_current.empty() ? nullptr : &m_current.back();
}

bool MessageSystem::Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return Enqueue(Posted{hwnd, msg, wParam, lParam, nullptr});
}

bool MessageSystem::PostWithText(HWND hwnd, UINT msg, std::string text, LPARAM lParam) {
  if (!hwnd) return false;  // a thread message would have nobody to free the text after it
  auto copy = std::make_unique<TextPayload>(std::move(text), m_liveTexts);
  // The payload does not move with the owning pointer, so wParam stays valid.
  const WPARAM wParam = reinterpret_cast<WPARAM>(copy->text.c_str());
  return Enqueue(Posted{hwnd, msg, wParam, lParam, std::move(copy)});
}

bool MessageSystem::PostTextTask(void (*fn)(const char*), std::string text) {
  HWND host;
  {
    std::lock_guard lock(m_mutex);
    host = m_host;
  }
  return fn != nullptr && PostWithText(host, kTextTaskMessage, std::move(text), reinterpret_cast<LPARAM>(fn));
}

bool MessageSystem::Enqueue(Posted p) {
  {
    std::lock_guard lock(m_mutex);
    if (p.hwnd && !m_windows.count(reinterpret_cast<UINT_PTR>(p.hwnd))) return false;
    m_posted.push_back(std::move(p));
  }
  Wake();
  return true;
}

std::optional<LRESULT> MessageSystem::Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (IsUiThread()) {
    if (!Find(hwnd)) return std::nullopt;
    return CallWindow(hwnd, msg, wParam, lParam);
  }
  auto record = std::make_shared<SendRecord>();
  record->hwnd = hwnd;
  record->msg = msg;
  record->wParam = wParam;
  record->lParam = lParam;
  {
    std::lock_guard lock(m_mutex);
    if (!m_windows.count(reinterpret_cast<UINT_PTR>(hwnd))) return std::nullopt;
    if (m_loopState == LoopState::kEnded) return std::nullopt;
    m_sent.push_back(record);
  }
  Wake();
  std::unique_lock lock(m_mutex);
  m_sendDone.wait(lock, [&] {
    return record->state == SendRecord::State::kDone || record->state == SendRecord::State::kFailed;
  });
  if (record->state == SendRecord::State::kFailed) return std::nullopt;
  return record->result;
}

void MessageSystem::FailSendsLocked(HWND hwnd) {
  for (auto it = m_sent.begin(); it != m_sent.end();) {
    if ((*it)->state == SendRecord::State::kPending && (!hwnd || (*it)->hwnd == hwnd)) {
      (*it)->state = SendRecord::State::kFailed;
      it = m_sent.erase(it);
    } else {
      ++it;
    }
  }
}

void MessageSystem::PostQuit(int exitCode) {
  {
    std::lock_guard lock(m_mutex);
    m_quit = true;
    m_quitCode = exitCode;
  }
  Wake();
}

bool MessageSystem::QuitPending() const {
  std::lock_guard lock(m_mutex);
  return m_quit;
}

int MessageSystem::QuitCode() const {
  std::lock_guard lock(m_mutex);
  return m_quitCode;
}

size_t MessageSystem::PendingSendCount() const {
  std::lock_guard lock(m_mutex);
  return m_sent.size();
}

size_t MessageSystem::PendingPostCount() const {
  std::lock_guard lock(m_mutex);
  return m_posted.size();
}

bool MessageSystem::LoopEnded() const {
  std::lock_guard lock(m_mutex);
  return m_loopState == LoopState::kEnded;
}

void MessageSystem::Wake() {
  ILoopDriver* driver;
  {
    std::lock_guard lock(m_mutex);
    driver = m_driver;
  }
  driver->Wake();
}

// ---------------------------------------------------------------------------------------
// Timers

UINT_PTR MessageSystem::SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs) {
  if (!Find(hwnd)) return 0;
  const UINT period = periodMs == 0 ? 1 : periodMs;
  m_timers[{hwnd, id}] = Timer{period, m_clock->NowMs() + period};
  ArmNextTimer();
  return id == 0 ? 1 : id;
}

bool MessageSystem::KillTimer(HWND hwnd, UINT_PTR id) {
  return m_timers.erase({hwnd, id}) != 0;
}

bool MessageSystem::HasTimer(HWND hwnd, UINT_PTR id) const {
  return m_timers.count({hwnd, id}) != 0;
}

bool MessageSystem::FireOneTimer() {
  const std::int64_t now = m_clock->NowMs();
  auto best = m_timers.end();
  for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
    if (it->second.dueMs <= now && (best == m_timers.end() || it->second.dueMs < best->second.dueMs)) best = it;
  }
  if (best == m_timers.end()) return false;
  // One WM_TIMER however late the loop is; the next one a period from now.
  best->second.dueMs = now + best->second.periodMs;
  MSG m;
  m.hwnd = best->first.first;
  m.message = WM_TIMER;
  m.wParam = best->first.second;
  DeliverMessage(m);
  return true;
}

void MessageSystem::ArmNextTimer() {
  std::optional<std::int64_t> next;
  for (const auto& [key, t] : m_timers) {
    if (!next || t.dueMs < *next) next = t.dueMs;
  }
  if (next) {
    m_driver->ArmTimer(std::max<std::int64_t>(0, *next - m_clock->NowMs()));
  } else {
    m_driver->ArmTimer(std::nullopt);
  }
}

// ---------------------------------------------------------------------------------------
// Loops

bool MessageSystem::RunLoop(std::function<bool()> done) {
  Level level{std::move(done)};
  m_levels.push_back(&level);
  {
    std::lock_guard lock(m_mutex);
    m_loopState = LoopState::kRunning;
  }
  Wake();
  m_driver->Run();
  m_levels.pop_back();
  bool byQuit;
  {
    std::lock_guard lock(m_mutex);
    byQuit = m_quit;
    if (m_levels.empty()) {
      // The outermost loop consumes the quit; from now on nobody serves sends.
      m_quit = false;
      m_loopState = LoopState::kEnded;
      FailSendsLocked(nullptr);
    }
  }
  m_sendDone.notify_all();
  // A loop that ends leaves what was posted or sent while it ended (its last Pump stops
  // as soon as it is done): the loop that goes on must serve that now, not at its next
  // event.
  if (!m_levels.empty()) Wake();
  return !byQuit;
}

bool MessageSystem::InnermostDone() {
  if (m_levels.empty()) return false;
  Level& level = *m_levels.back();
  if (level.exitAsked) return true;
  if (QuitPending() || (level.done && level.done())) {
    level.exitAsked = true;
    m_driver->ExitLevel();
    return true;
  }
  return false;
}

bool MessageSystem::DispatchOneSent() {
  std::shared_ptr<SendRecord> record;
  {
    std::lock_guard lock(m_mutex);
    if (m_sent.empty()) return false;
    record = m_sent.front();
    m_sent.pop_front();
    record->state = SendRecord::State::kRunning;
  }
  const LRESULT r = CallWindow(record->hwnd, record->msg, record->wParam, record->lParam);
  {
    std::lock_guard lock(m_mutex);
    record->result = r;
    record->state = SendRecord::State::kDone;
  }
  m_sendDone.notify_all();
  return true;
}

bool MessageSystem::DispatchOnePosted() {
  Posted p;
  {
    std::lock_guard lock(m_mutex);
    if (m_posted.empty()) return false;
    p = std::move(m_posted.front());
    m_posted.pop_front();
  }
  if (!p.hwnd || !Find(p.hwnd)) return true;  // thread messages and dead windows: dropped
  MSG m;
  m.hwnd = p.hwnd;
  m.message = p.msg;
  m.wParam = p.wParam;
  m.lParam = p.lParam;
  DeliverMessage(m);
  return true;  // a text payload is freed here, after the handler has returned
}

bool MessageSystem::PaintOne() {
  for (HWND h : m_order) {
    WindowState* w = Find(h);
    if (!w || !w->needsPaint) continue;
    bool shown = true;
    for (WindowState* a = w; a; a = a->IsChild() ? Find(a->parent) : nullptr) shown = shown && a->Visible();
    if (!shown) continue;
    CallWindow(h, WM_PAINT, 0, 0);
    if (WindowState* again = Find(h)) again->needsPaint = false;
    return true;
  }
  return false;
}

void MessageSystem::SyncLater(HWND hwnd, unsigned changes) {
  WindowState* w = Find(hwnd);
  if (!w || !w->peer) return;
  for (auto& [h, pending] : m_laterSyncs) {
    if (h == hwnd) {
      pending |= changes;
      return;
    }
  }
  m_laterSyncs.emplace_back(hwnd, changes);
  Wake();
}

void MessageSystem::FlushLaterSyncs() {
  std::vector<std::pair<HWND, unsigned>> due;
  due.swap(m_laterSyncs);
  for (const auto& [hwnd, changes] : due) {
    if (WindowState* w = Find(hwnd)) w->Changed(changes);
  }
}

void MessageSystem::Pump() {
  if (!IsUiThread()) return;
  FlushLaterSyncs();
  for (;;) {
    if (InnermostDone()) break;
    if (DispatchOneSent()) continue;
    if (DispatchOnePosted()) continue;
    if (m_driver->PaintsInLoop() && PaintOne()) continue;
    if (FireOneTimer()) continue;
    break;
  }
  ArmNextTimer();
}

// ---------------------------------------------------------------------------------------
// The display-free loop

void HeadlessLoop::Run() {
  size_t mine;
  {
    std::lock_guard lock(m_mutex);
    m_exit.push_back(false);
    mine = m_exit.size() - 1;
  }
  for (;;) {
    m_system.Pump();
    std::unique_lock lock(m_mutex);
    if (m_exit[mine]) break;
    auto ready = [&] { return m_wake || m_exit[mine]; };
    if (m_deadlineMs && !m_system.Clock().IsManual()) {
      const std::int64_t left = *m_deadlineMs - m_system.Clock().NowMs();
      if (left > 0) m_cv.wait_for(lock, std::chrono::milliseconds(left), ready);
    } else {
      m_cv.wait(lock, ready);
    }
    m_wake = false;
    if (m_exit[mine]) break;
  }
  std::lock_guard lock(m_mutex);
  m_exit.pop_back();
}

void HeadlessLoop::ExitLevel() {
  {
    std::lock_guard lock(m_mutex);
    if (!m_exit.empty()) m_exit.back() = true;
  }
  m_cv.notify_all();
}

void HeadlessLoop::Wake() {
  {
    std::lock_guard lock(m_mutex);
    m_wake = true;
  }
  m_cv.notify_all();
}

void HeadlessLoop::ArmTimer(std::optional<std::int64_t> delayMs) {
  std::lock_guard lock(m_mutex);
  if (delayMs) {
    m_deadlineMs = m_system.Clock().NowMs() + *delayMs;
  } else {
    m_deadlineMs.reset();
  }
}

}  // namespace varlo::win
