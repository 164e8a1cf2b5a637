// Messages between the softphone and other programs of the user: another program dials
// through WM_COPYDATA, a program of another user and an oversized message are refused, and
// a launcher that never answers holds the exit up only for the send's time-out.
#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "CVarloDlgTestFixture.h"
#include "LauncherProcess.h"
#include "platform/win/CrossProcess.h"
#include "ui/CVarloDlg.h"

using namespace std::chrono_literals;

namespace {

class CrossProgramTest : public UiTest {
 protected:
  void TearDown() override {
    varlo::win::SetCrossProcessTimeout(3000ms);
    UiTest::TearDown();
  }
  std::function<void()> Pump() {
    return [this] { Sys().Pump(); };
  }
  int CallLines() const {
    const std::string log = LogText();
    int count = 0;
    for (size_t at = log.find("Call: "); at != std::string::npos; at = log.find("Call: ", at + 1)) ++count;
    return count;
  }
  // The one window socket in this test's directory.
  std::string SocketPath() const {
    const std::string folder = dir / "varlo";
    std::string found;
    if (DIR* d = ::opendir(folder.c_str())) {
      while (dirent* e = ::readdir(d)) {
        if (std::strncmp(e->d_name, "w-", 2) == 0) found = folder + "/" + e->d_name;
      }
      ::closedir(d);
    }
    return found;
  }
  // A request as another program would write it: WM_COPYDATA with dwData 0 and a payload
  // of the given size (its bytes are sent only when sendPayload is set).
  static std::vector<char> Request(uint32_t size, const std::string& payload, bool sendPayload) {
    const std::string className = "#32770";
    const std::string title = "Varlo 3.8";
    std::vector<char> out;
    auto put = [&out](auto v) {
      const char* p = reinterpret_cast<const char*>(&v);
      out.insert(out.end(), p, p + sizeof(v));
    };
    put(uint32_t{0x31444356});
    put(uint32_t{2});
    put(uint64_t{0});
    put(static_cast<uint32_t>(className.size()));
    put(static_cast<uint32_t>(title.size()));
    put(size);
    out.insert(out.end(), className.begin(), className.end());
    out.insert(out.end(), title.begin(), title.end());
    if (sendPayload) out.insert(out.end(), payload.begin(), payload.end());
    return out;
  }
  // Sends the request from a child process running as uid (its effective user); the exit
  // status is 10 + the answer's status, 1 when the connection closed unanswered, 2 when
  // nothing came in time, 3 when it could not connect.
  int SendFromChild(uid_t uid, const std::vector<char>& request) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = SocketPath();
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const pid_t child = ::fork();
    if (child == 0) {
      if (uid != ::geteuid() && ::seteuid(uid) != 0) ::_exit(4);
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) ::_exit(3);
      if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) < 0) ::_exit(1);
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 10000) <= 0) ::_exit(2);
      uint32_t status = 0;
      if (::recv(fd, &status, sizeof(status), MSG_WAITALL) != sizeof(status)) ::_exit(1);
      ::_exit(10 + static_cast<int>(status));
    }
    int status = -1;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (::waitpid(child, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline) {
      Sys().Pump();
      std::this_thread::sleep_for(5ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(CrossProgramTest, AnotherProgramDialsAsIfTheNumberWereTyped) {
  SaveProfile([](CUserProfile& p) { p.m_callType = 0; });
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  LauncherProcess dial({"dial", " 555-1234 x", "--window", "Varlo 3.8"});
  EXPECT_EQ(dial.WaitExit(Pump()), 0);
  // The same cleaning, history, talk-log line and checks as a typed number: without a
  // gatekeeper the endpoint starts no call.
  EXPECT_NE(LogText().find("Call: 5551234"), std::string::npos);
  ASSERT_GE(dlg.m_numberBox.GetCount(), 1);
  CString first;
  dlg.m_numberBox.GetLBText(0, first);
  EXPECT_EQ(first, "5551234");
  const auto boxes = varlo::win::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(std::string(boxes[0].text).find("Can't make a call!"), std::string::npos);

  // No such window: the launcher says so.
  LauncherProcess nobody({"dial", "5551234", "--window", "Another title"});
  EXPECT_EQ(nobody.WaitExit(Pump()), 1);
  dlg.DestroyWindow();
}

TEST_F(CrossProgramTest, AnotherUsersAndOversizedMessagesAreRefused) {
  SaveProfile([](CUserProfile& p) { p.m_callType = 0; });
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  ASSERT_FALSE(SocketPath().empty());

  // The same user, within the bound: taken (status 0), so the request's form is right.
  EXPECT_EQ(SendFromChild(::geteuid(), Request(7, "5551234", true)), 10);
  EXPECT_EQ(CallLines(), 1);
  // One byte above the bound: refused (status 2) before the payload is read.
  EXPECT_EQ(SendFromChild(::geteuid(), Request(varlo::win::kMaxCopyDataBytes + 1, "", false)), 12);
  EXPECT_EQ(CallLines(), 1);

  if (::geteuid() != 0) GTEST_SKIP() << "another user's program needs a start as root";
  // Another user reaches the socket only where the folders and the socket let it; even
  // then the window takes nothing from it and does not answer.
  ASSERT_EQ(::chmod(dir.Path().c_str(), 0711), 0);
  ASSERT_EQ(::chmod((dir / "varlo").c_str(), 0711), 0);
  ASSERT_EQ(::chmod(SocketPath().c_str(), 0666), 0);
  EXPECT_EQ(SendFromChild(65534, Request(7, "5551234", true)), 1);
  EXPECT_EQ(CallLines(), 1);
  dlg.DestroyWindow();
}

// Twenty programs of the user connect and send the start of a request, then nothing: each
// has its own deadline, and a launcher's dial meanwhile goes through at once.
TEST_F(CrossProgramTest, SlowSendersDoNotHoldUpALaunchersDial) {
  SaveProfile([](CUserProfile& p) { p.m_callType = 0; });
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = SocketPath();
  ASSERT_FALSE(path.empty());
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const std::vector<char> request = Request(7, "5550000", true);
  std::vector<int> slow;
  for (int i = 0; i < 20; ++i) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::send(fd, request.data(), 10, MSG_NOSIGNAL), 10);  // part of the header
    slow.push_back(fd);
  }
  LauncherProcess dial({"dial", "5551234", "--window", "Varlo 3.8"});
  EXPECT_EQ(dial.WaitExit(Pump()), 0);
  EXPECT_NE(LogText().find("Call: 5551234"), std::string::npos);
  EXPECT_EQ(LogText().find("Call: 5550000"), std::string::npos);
  dlg.DestroyWindow();  // with the slow ones still being served
  for (int fd : slow) ::close(fd);
}

TEST_F(CrossProgramTest, ALauncherThatNeverAnswersHoldsTheExitOnlyForTheTimeOut) {
  LauncherProcess launcher({"listen", "LAUNCH hung", "--hang"});
  ASSERT_TRUE(launcher.WaitForLine("ready", Pump()));
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  dlg.m_launcherWnd = ::FindWindow("#32770", "LAUNCH hung");
  ASSERT_NE(dlg.m_launcherWnd, nullptr);
  varlo::win::SetCrossProcessTimeout(300ms);
  dlg.OnExit();
  EXPECT_TRUE(Sys().QuitPending());
  EXPECT_TRUE(launcher.WaitForLine("notice 1 0", Pump()));
  dlg.DestroyWindow();
}

}  // namespace
