// A question box on the screen that ends without a button: the program's loops end (as
// a termination signal makes them) or its asker withdraws it.  It answers Cancel, and a
// withdrawn box leaves the screen.
#include <gtest/gtest.h>

#include <thread>

#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/wx/WxBackend.h"
#include "tests/support/WindowTestSupport.h"
#include "tests/support/WxTestToolkit.h"

namespace {

using varlo::win::MessageSystem;

class WxQuestionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StartTestToolkit("platform_wx_tests")) GTEST_SKIP() << "no X display";
    varlo::wx::InstallBackend();
    varlo::win::SetMessageBoxHook(nullptr);
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  void TearDown() override {
    if (varlo::wx::BackendInstalled()) MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
  }
  // Top-level windows that are up, the question box among them while it shows.
  static size_t Shown() {
    size_t n = 0;
    for (HWND w : MessageSystem::Instance().TopLevelWindows()) n += ::IsWindowVisible(w) ? 1 : 0;
    return n;
  }
};

constexpr const char* kQuestion = "Would you answer the call?\nFrom:caller";

TEST_F(WxQuestionTest, AQuestionWhoseLoopEndsAnswersCancel) {
  size_t before = 0;
  bool wasUp = false;
  CScript script({[&] {
                    wasUp = Shown() > before;
                    PostQuitMessage(0);  // what the termination signal does to the loops
                  },
                  [] {}});
  before = Shown();
  EXPECT_EQ(AfxMessageBox(kQuestion, MB_OKCANCEL), IDCANCEL);
  EXPECT_TRUE(wasUp);
}

TEST_F(WxQuestionTest, AWithdrawnQuestionLeavesTheScreenAndAnswersCancel) {
  varlo::win::MessageBoxWithdrawal question;
  size_t before = 0;
  bool wasUp = false;
  std::thread caller;
  CScript script({[&] {
                    wasUp = Shown() > before;
                    // The call's end, on a thread of the stack.
                    caller = std::thread([&] { question.Withdraw(); });
                  },
                  [&] {}, [&] {}, [&] {}});
  before = Shown();
  int answer = 0;
  std::thread asker([&] { answer = AfxMessageBox(kQuestion, MB_OKCANCEL, question); });
  // The UI thread shows the box from its loop; the loop ends once the asker is answered
  // and the box has gone.
  MessageSystem::Instance().RunLoop([&] { return answer != 0 && Shown() == before; });
  asker.join();
  caller.join();
  EXPECT_TRUE(wasUp);
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_EQ(Shown(), before);
}

}  // namespace
