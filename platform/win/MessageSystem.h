// The message layer of the user-interface thread: the window table, the posted-message
// queue, cross-thread sends, window timers and the nested modal loops.
//
// There is one per process (Instance()), alive for the whole process so that other
// threads can never reach a destroyed one; tests call Reset() to start afresh.
//
// Threads: PostMessage (with or without a text), SendMessage, IsWindow, PostQuitMessage
// and Wake may be called from any thread.  Everything else belongs to the UI thread (the
// thread that last called Reset, or the first one to use the layer).
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/win/Backend.h"
#include "platform/win/Clock.h"
#include "platform/win/WindowState.h"

namespace varlo::win {

class MessageSystem {
 public:
  static MessageSystem& Instance();

  // Destroys every window left, fails every waiting send, empties the queues and makes
  // the calling thread the UI thread.  A null clock means the steady clock; a null
  // driver the display-free loop.  The backend may be null (no widgets).
  void Reset(std::shared_ptr<IClock> clock = nullptr, ILoopDriver* driver = nullptr,
             IWindowBackend* backend = nullptr);

  IClock& Clock() { return *m_clock; }
  IWindowBackend* Backend() const { return m_backend; }
  ILoopDriver& Driver() { return *m_driver; }
  bool IsUiThread() const { return std::this_thread::get_id() == m_uiThread; }

  // --- windows (UI thread, except IsWindow) ---
  HWND AddWindow(std::unique_ptr<WindowState> w);
  WindowState* Find(HWND hwnd) const;
  bool IsWindow(HWND hwnd) const;  // any thread
  // Sends WM_DESTROY / WM_NCDESTROY, destroys owned and child windows, removes timers.
  bool DestroyWindow(HWND hwnd);
  std::vector<HWND> TopLevelWindows() const;
  void CreatePeer(WindowState& w);

  // --- messages ---
  // Calls the window's procedure now (UI thread).  Returns 0 for a missing window.
  LRESULT CallWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  bool Post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);  // any thread
  // Any thread: posts a message whose wParam is a NUL-terminated copy of `text`.  The
  // layer owns the copy: it stays valid while the window's procedure handles the message
  // and is freed afterwards, or when the message is dropped (window gone, Reset).  Keeps
  // its place among ordinary posts.  False (nothing kept) when the window does not exist.
  bool PostWithText(HWND hwnd, UINT msg, std::string text, LPARAM lParam);
  // Any thread: the UI thread calls fn(text) later, from its queue; the caller does not
  // wait.  False when the layer could not take it.
  bool PostTextTask(void (*fn)(const char*), std::string text);
  // Text payloads not yet freed (queued or being handled).
  size_t LiveTextCount() const { return m_liveTexts.load(); }
  // From the UI thread a direct call; from another thread it waits until the UI thread
  // has handled the message.  nullopt when the window is gone (before or while
  // waiting) or the loop has ended.
  std::optional<LRESULT> Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void PostQuit(int exitCode);  // any thread
  bool QuitPending() const;
  int QuitCode() const;
  size_t PendingSendCount() const;
  size_t PendingPostCount() const;
  // Queue messages (posted, timers, input): the pre-translation chain first, then the
  // window's procedure.
  void DeliverMessage(const MSG& m);
  // The message being handled by the innermost dispatch (for CWnd::Default).
  const MSG* CurrentMessage() const;
  void PushCurrent(const MSG& m) { m_current.push_back(m); }
  void PopCurrent() { m_current.pop_back(); }

  // --- timers (UI thread) ---
  UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT periodMs);
  bool KillTimer(HWND hwnd, UINT_PTR id);
  bool HasTimer(HWND hwnd, UINT_PTR id) const;

  // --- loops (UI thread) ---
  // Runs a nested loop until done() is true or a quit is pending; returns false when it
  // ended by the quit.  When the outermost loop returns the loop counts as ended: sends
  // from other threads then fail until a loop runs again.
  bool RunLoop(std::function<bool()> done);
  int LoopDepth() const { return static_cast<int>(m_levels.size()); }
  bool LoopEnded() const;
  // Handles what is due: sent messages, posted messages, paints (display-free), timers.
  void Pump();
  // Any thread: makes the loop look at its queues.
  void Wake();
  // UI thread: tells the window's peer of the changes when the loop next turns, once for
  // all the changes made until then (a list filled item by item is mirrored once).
  void SyncLater(HWND hwnd, unsigned changes);
  // Runs fn on the UI thread and waits for it (directly when called there).  False when
  // it could not run: the loop has ended or the layer was reset while waiting.
  bool Invoke(const std::function<void()>& fn);

 private:
  MessageSystem();
  // A posted message's own copy of its text; counted while alive.
  struct TextPayload {
    TextPayload(std::string t, std::atomic<size_t>& live) : text(std::move(t)), live(live) { ++live; }
    ~TextPayload() { --live; }
    TextPayload(const TextPayload&) = delete;
    TextPayload& operator=(const TextPayload&) = delete;
    std::string text;
    std::atomic<size_t>& live;
  };
  struct Posted {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    std::unique_ptr<TextPayload> text;  // the payload wParam points into, when there is one
  };
  bool Enqueue(Posted p);
  struct SendRecord {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    enum class State { kPending, kRunning, kDone, kFailed } state = State::kPending;
  };
  struct Timer {
    UINT periodMs;
    std::int64_t dueMs;
  };
  struct Level {
    std::function<bool()> done;
    bool exitAsked = false;
  };
  enum class LoopState { kNotStarted, kRunning, kEnded };

  bool InnermostDone();
  bool DispatchOneSent();
  bool DispatchOnePosted();
  bool PaintOne();
  bool FireOneTimer();
  void FlushLaterSyncs();
  void ArmNextTimer();
  void FailSendsLocked(HWND hwnd);  // null: all
  void DestroyRecursive(HWND hwnd);
  void CreateHost();
  HWND m_host = nullptr;  // a hidden window of the layer's own that runs Invoke calls

  mutable std::mutex m_mutex;  // guards the queues, the send records and the window table
  std::condition_variable m_sendDone;
  std::unordered_map<UINT_PTR, std::unique_ptr<WindowState>> m_windows;
  std::vector<HWND> m_order;  // creation order, for TopLevelWindows and paint order
  UINT_PTR m_nextHandle = 0x1000;
  std::atomic<size_t> m_liveTexts{0};  // before m_posted, whose payloads count down on it
  std::deque<Posted> m_posted;
  std::deque<std::shared_ptr<SendRecord>> m_sent;
  std::map<std::pair<HWND, UINT_PTR>, Timer> m_timers;
  std::vector<std::pair<HWND, unsigned>> m_laterSyncs;  // UI thread only
  bool m_quit = false;
  int m_quitCode = 0;
  LoopState m_loopState = LoopState::kNotStarted;

  std::vector<Level*> m_levels;
  std::vector<MSG> m_current;
  std::shared_ptr<IClock> m_clock;
  std::unique_ptr<ILoopDriver> m_headless;
  ILoopDriver* m_driver = nullptr;
  IWindowBackend* m_backend = nullptr;
  std::thread::id m_uiThread;
};

// The display-free loop: waits on a condition variable, sleeps for the next timer on a
// real clock, and is woken by a manual clock when that moves on.
class HeadlessLoop final : public ILoopDriver {
 public:
  explicit HeadlessLoop(MessageSystem& system) : m_system(system) {}
  void Run() override;
  void ExitLevel() override;
  void Wake() override;
  void ArmTimer(std::optional<std::int64_t> delayMs) override;
  bool PaintsInLoop() const override { return true; }

 private:
  MessageSystem& m_system;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_wake = false;
  std::vector<bool> m_exit;  // one per running level
  std::optional<std::int64_t> m_deadlineMs;
};

}  // namespace varlo::win
