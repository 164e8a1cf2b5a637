// Posting, sending across threads, timers and the nesting of modal loops.
#include <atomic>
#include <deque>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "Fixture.h"
#include "platform/win/Dialog.h"

using varlo::win::MessageSystem;

namespace {

constexpr UINT kWork = WM_USER + 1;

// Records what reaches it and on which thread.
class CSink : public CWnd {
 public:
  CSink() { CreateEx(0, "", "sink", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
  std::vector<std::pair<int, int>> received;  // sender, sequence number
  std::thread::id handledOn;
  int expected = 0;
  std::function<void()> onWork;

 protected:
  LRESULT OnWork(WPARAM sender, LPARAM seq) {
    handledOn = std::this_thread::get_id();
    received.emplace_back(static_cast<int>(sender), static_cast<int>(seq));
    if (onWork) onWork();
    if (static_cast<int>(received.size()) == expected) PostQuitMessage(0);
    return static_cast<LRESULT>(seq) * 2;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSink, CWnd)
  ON_MESSAGE(kWork, &CSink::OnWork)
END_MESSAGE_MAP()

void WaitFor(const std::function<bool()>& done) {
  while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

TEST_F(LayerTest, PostsFromManyThreadsArriveInOrderPerSenderAndNoneIsLost) {
  CSink sink;
  constexpr int kSenders = 4, kEach = 2000;
  sink.expected = kSenders * kEach;
  std::vector<std::thread> senders;
  for (int s = 0; s < kSenders; ++s) {
    senders.emplace_back([&, s] {
      for (int i = 0; i < kEach; ++i) ASSERT_TRUE(::PostMessage(sink.m_hWnd, kWork, s, i));
    });
  }
  EXPECT_FALSE(Sys().RunLoop([] { return false; }));  // ends by the quit
  for (auto& t : senders) t.join();
  ASSERT_EQ(sink.received.size(), static_cast<size_t>(kSenders * kEach));
  std::vector<int> next(kSenders, 0);
  for (auto [sender, seq] : sink.received) ASSERT_EQ(seq, next[static_cast<size_t>(sender)]++);
  EXPECT_EQ(sink.handledOn, std::this_thread::get_id());
}

TEST_F(LayerTest, SendFromAnotherThreadWaitsForTheUiThreadsAnswer) {
  CSink sink;
  sink.expected = 2;
  std::optional<LRESULT> answer;
  std::thread worker([&] { answer = Sys().Send(sink.m_hWnd, kWork, 7, 21); });
  ::PostMessage(sink.m_hWnd, kWork, 0, 0);
  Sys().RunLoop([] { return false; });
  worker.join();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(*answer, 42);
  EXPECT_EQ(sink.handledOn, std::this_thread::get_id());
}

TEST_F(LayerTest, BlockedSendFailsWhenTheWindowIsDestroyed) {
  auto sink = std::make_unique<CSink>();
  const HWND hwnd = sink->m_hWnd;
  std::optional<LRESULT> answer = 99;
  std::thread worker([&] { answer = Sys().Send(hwnd, kWork, 1, 1); });
  WaitFor([&] { return Sys().PendingSendCount() == 1; });
  sink.reset();  // destroys the window while the sender waits
  worker.join();
  EXPECT_FALSE(answer.has_value());
  EXPECT_FALSE(Sys().Send(hwnd, kWork, 1, 1).has_value());  // and a dead handle fails at once
}

TEST_F(LayerTest, BlockedSendFailsWhenTheLoopEndsAndLaterSendsFailAtOnce) {
  CSink sink;
  CStepWnd steps;
  std::optional<LRESULT> blocked = 99;
  std::thread worker;
  steps.Later([&] {
    worker = std::thread([&] { blocked = Sys().Send(sink.m_hWnd, kWork, 1, 1); });
    WaitFor([&] { return Sys().PendingSendCount() == 1; });
    PostQuitMessage(3);
  });
  EXPECT_FALSE(Sys().RunLoop([] { return false; }));
  worker.join();
  EXPECT_FALSE(blocked.has_value());
  EXPECT_TRUE(Sys().LoopEnded());
  std::optional<LRESULT> late = 99;
  std::thread([&] { late = Sys().Send(sink.m_hWnd, kWork, 1, 1); }).join();
  EXPECT_FALSE(late.has_value());
  EXPECT_TRUE(sink.received.empty());
  // Posting still queues for a loop that may run again.
  EXPECT_TRUE(::PostMessage(sink.m_hWnd, kWork, 0, 0));
}

namespace {
class CTicker : public CWnd {
 public:
  CTicker() { CreateEx(0, "", "ticker", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
  std::vector<UINT_PTR> ticks;

 protected:
  void OnTimer(UINT_PTR id) { ticks.push_back(id); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTicker, CWnd)
  ON_WM_TIMER()
END_MESSAGE_MAP()
}  // namespace

TEST_F(LayerTest, TimersFireOncePerDuePeriodAndStopWhenKilled) {
  CTicker t;
  ASSERT_EQ(t.SetTimer(1, 100), 1u);
  ASSERT_EQ(t.SetTimer(3, 300), 3u);
  struct Step {
    int advanceMs;
    std::vector<UINT_PTR> expected;
  };
  const Step steps[] = {
      {99, {}}, {1, {1}}, {100, {1}}, {100, {1, 3}},
      {1000, {1, 3}},  // late by many periods: one tick each, not a burst
  };
  for (const Step& s : steps) {
    t.ticks.clear();
    clock->Advance(s.advanceMs);
    Sys().Pump();
    std::sort(t.ticks.begin(), t.ticks.end());
    EXPECT_EQ(t.ticks, s.expected) << "after " << s.advanceMs << " ms";
  }
  EXPECT_TRUE(t.KillTimer(1));
  EXPECT_FALSE(t.KillTimer(1));
  t.ticks.clear();
  clock->Advance(300);
  Sys().Pump();
  EXPECT_EQ(t.ticks, std::vector<UINT_PTR>{3});
  const HWND h = t.m_hWnd;
  t.DestroyWindow();
  EXPECT_FALSE(Sys().HasTimer(h, 3));
}

TEST_F(LayerTest, TimerWakesARunningLoopOnTheManualClock) {
  CTicker t;
  CStepWnd steps;
  t.SetTimer(9, 50);
  std::thread mover([&] {
    WaitFor([&] { return Sys().LoopDepth() == 1; });
    clock->Advance(50);
  });
  Sys().RunLoop([&] { return !t.ticks.empty(); });
  mover.join();
  EXPECT_EQ(t.ticks, std::vector<UINT_PTR>{9});
}

namespace {
// A dialog from a template in memory, with a hook into its initialisation.
class CProbeDlg : public CDialog {
 public:
  explicit CProbeDlg(std::function<void(CProbeDlg&)> onInit) : m_onInit(std::move(onInit)) {
    m_template = varlo::res::DialogEntry{0, WS_POPUP | WS_CAPTION, 0, 0, 0, 100, 50, "probe", "MS Sans Serif", 8,
                                         nullptr, 0};
    InitModalIndirect(&m_template);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (m_onInit) m_onInit(*this);
    return TRUE;
  }

 private:
  std::function<void(CProbeDlg&)> m_onInit;
  varlo::res::DialogEntry m_template{};
};
}  // namespace

TEST_F(LayerTest, QuitUnwindsEveryNestedModalLoop) {
  CStepWnd steps;
  std::vector<std::string> order;
  CProbeDlg inner([&](CProbeDlg&) { steps.Later([] { PostQuitMessage(0); }); });
  CProbeDlg outer([&](CProbeDlg&) {
    steps.Later([&] {
      order.push_back("inner " + std::to_string(inner.DoModal()));
      EXPECT_FALSE(inner.m_hWnd);  // its window is gone once it returns
    });
  });
  order.push_back("outer " + std::to_string(outer.DoModal()));
  EXPECT_EQ(order, (std::vector<std::string>{"inner -1", "outer -1"}));
  EXPECT_EQ(Sys().LoopDepth(), 0);
  EXPECT_FALSE(Sys().QuitPending());  // consumed by the outermost loop
}

TEST_F(LayerTest, EndDialogEndsOnlyItsOwnLoopWithItsResult) {
  CStepWnd steps;
  INT_PTR innerResult = 0;
  CProbeDlg inner([&](CProbeDlg& d) { steps.Later([&d] { d.EndDialog(IDCANCEL); }); });
  CProbeDlg outer([&](CProbeDlg& d) {
    steps.Later([&] {
      innerResult = inner.DoModal();
      EXPECT_TRUE(::IsWindow(d.m_hWnd));
      d.EndDialog(1234);
    });
  });
  EXPECT_EQ(outer.DoModal(), 1234);
  EXPECT_EQ(innerResult, IDCANCEL);
}

namespace {

// A loop driver that runs as a toolkit's does: an input event calls the window's handler
// itself (not through Pump), and a wake is a pending call that whichever loop runs next
// serves, even a loop that has been asked to end.  Idle, it returns.
class ToolkitLikeLoop final : public varlo::win::ILoopDriver {
 public:
  std::deque<std::function<void()>> events;
  void Run() override {
    m_exit.push_back(false);
    for (;;) {
      if (m_wakes > 0) {
        --m_wakes;
        MessageSystem::Instance().Pump();
      } else if (m_exit.back()) {
        break;
      } else if (!events.empty()) {
        auto event = std::move(events.front());
        events.pop_front();
        event();
      } else {
        break;
      }
    }
    m_exit.pop_back();
  }
  void ExitLevel() override {
    if (!m_exit.empty()) m_exit.back() = true;
  }
  void Wake() override { ++m_wakes; }  // the test posts on the UI thread only
  void ArmTimer(std::optional<std::int64_t>) override {}
  bool PaintsInLoop() const override { return false; }

 private:
  int m_wakes = 0;
  std::vector<bool> m_exit;
};

}  // namespace

// A click that ends a modal dialog posts to a window outside it (as the options sheet's OK
// asks the main window for a login): the message is handled by the loop that goes on, with
// no further event.
TEST_F(LayerTest, MessagePostedAsAModalLoopEndsIsHandledWithoutAnotherEvent) {
  ToolkitLikeLoop loop;
  Sys().Reset(clock, &loop);
  {
    CSink sink;
    CProbeDlg dialog([&](CProbeDlg& d) {
      loop.events.push_back([&] {  // the click on OK
        sink.PostMessage(kWork, 1, 7);
        d.EndDialog(IDOK);
      });
    });
    loop.events.push_back([&] { EXPECT_EQ(dialog.DoModal(), IDOK); });  // the click that opens it
    Sys().RunLoop([] { return false; });
    EXPECT_EQ(sink.received, (std::vector<std::pair<int, int>>{{1, 7}}));
  }
  Sys().Reset(clock);
}

namespace {

constexpr UINT kText = WM_USER + 2;

// Records texts posted with their own payload, and ordinary posts, in arrival order.
class CTextSink : public CWnd {
 public:
  CTextSink() { CreateEx(0, "", "text sink", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
  std::vector<std::string> received;
  size_t liveDuringHandler = 0;

 protected:
  LRESULT OnText(WPARAM text, LPARAM tag) {
    liveDuringHandler = MessageSystem::Instance().LiveTextCount();
    received.push_back(std::string(reinterpret_cast<const char*>(text)) + "/" + std::to_string(tag));
    return 0;
  }
  LRESULT OnWork(WPARAM value, LPARAM) {
    received.push_back("#" + std::to_string(value));
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTextSink, CWnd)
  ON_MESSAGE(kText, &CTextSink::OnText)
  ON_MESSAGE(kWork, &CTextSink::OnWork)
END_MESSAGE_MAP()

}  // namespace

TEST_F(LayerTest, PostedTextIsTheLayersCopyValidDuringTheHandlerAndFreedAfterInOrder) {
  CTextSink sink;
  std::thread worker([&] {
    std::string balance = "12.50 USD";
    ASSERT_TRUE(::PostMessageWithText(sink.m_hWnd, kText, balance.c_str(), 7));
    balance.assign("overwritten");  // the poster's buffer may change or go at once
    ::PostMessage(sink.m_hWnd, kWork, 1, 0);
    ASSERT_TRUE(::PostMessageWithText(sink.m_hWnd, kText, "", 8));
  });
  worker.join();
  EXPECT_EQ(Sys().LiveTextCount(), 2u);
  Sys().Pump();
  EXPECT_EQ(sink.received, (std::vector<std::string>{"12.50 USD/7", "#1", "/8"}));
  EXPECT_EQ(sink.liveDuringHandler, 1u);  // its own payload, still alive while handled
  EXPECT_EQ(Sys().LiveTextCount(), 0u);
}

TEST_F(LayerTest, PostedTextIsFreedWhenItsWindowGoesOrTheLayerIsReset) {
  auto sink = std::make_unique<CTextSink>();
  const HWND hwnd = sink->m_hWnd;
  ASSERT_TRUE(::PostMessageWithText(hwnd, kText, "a", 0));
  sink->DestroyWindow();
  EXPECT_EQ(Sys().LiveTextCount(), 0u);
  EXPECT_FALSE(::PostMessageWithText(hwnd, kText, "late", 0));
  EXPECT_EQ(Sys().LiveTextCount(), 0u);

  CTextSink other;
  ASSERT_TRUE(::PostMessageWithText(other.m_hWnd, kText, "b", 0));
  Sys().Reset(clock);
  EXPECT_EQ(Sys().LiveTextCount(), 0u);
  EXPECT_TRUE(other.received.empty());
}
