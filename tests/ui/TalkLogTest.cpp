// The talk log's bytes as the main window writes them, and the Phone Log dialog.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "CVarloDlgTestFixture.h"
#include "platform/win/Input.h"
#include "ui/CPhoneLogDlg.h"
#include "ui/CVarloDlg.h"
#include "ui/TalkLog.h"
#include "ui/VarloMessages.h"

namespace {

class TalkLogTest : public UiTest {};

TEST_F(TalkLogTest, ModeAndNumberLinesArePrefixedAndStatusIsNotLogged) {
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));  // shows the PC2PC mode and status
  dlg.SetNumberText("5551234");
  dlg.SetStatusText("Dialing...");
  dlg.WriteDisplayLine(CVarloDlg::kLinePlain, "00:01:02");
  dlg.LogString(105);
  dlg.ShowMode(115);
  EXPECT_EQ(LogText(),
            "Mode: Place PC2PC Call\r\r\n"
            "Call: 5551234\r\r\n"
            "00:01:02\r\r\n"
            "Registration Failed\r\r\n"
            "Mode: Place Lumoreth Call\r\r\n");
}

TEST_F(TalkLogTest, ReadingTurnsEachStoredLineEndIntoOneLineBreak) {
  WriteBytes(LogPath(), Bytes{'a', '\r', '\r', '\n', 'b', '\r', '\n', 'c'});
  EXPECT_EQ(ReadTalkLog(LogPath().c_str()), "a\r\nb\nc");
  EXPECT_EQ(ReadTalkLog((dir / "missing.log").c_str()), "");
  EXPECT_FALSE(AppendTalkLogLine((dir / "no/such/dir/Log.log").c_str(), "lost"));
}

// Something planted in the log's place (a link to another user's file open to all, or, as
// root can make it, another user's file) never receives the numbers dialled: appending and
// cleaning replace it with a private log of our own.
TEST_F(TalkLogTest, ALinkOrAnotherUsersFileInTheLogsPlaceIsReplacedNeverWrittenThrough) {
  TempDir elsewhere;
  const std::string victim = elsewhere / "shared.txt";
  const Bytes theirs{'t', 'h', 'e', 'i', 'r', 's'};
  struct Case {
    const char* what;
    bool clean;  // the Phone Log's Clean instead of a new line
  };
  for (const Case& c : {Case{"append", false}, Case{"clean", true}}) {
    SCOPED_TRACE(c.what);
    WriteBytes(victim, theirs);
    ASSERT_EQ(::chmod(victim.c_str(), 0666), 0);
    std::remove(LogPath().c_str());
    ASSERT_EQ(::symlink(victim.c_str(), LogPath().c_str()), 0);
    if (c.clean) {
      EXPECT_TRUE(TruncateTalkLog(LogPath().c_str()));
    } else {
      EXPECT_TRUE(AppendTalkLogLine(LogPath().c_str(), "Call: 5551234"));
    }
    EXPECT_EQ(ReadBytes(victim), theirs);
    struct stat st {};
    ASSERT_EQ(::lstat(LogPath().c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(LogText(), c.clean ? "" : "Call: 5551234\r\r\n");
  }
  if (::geteuid() != 0) GTEST_SKIP() << "another user's file needs root to make";
  std::remove(LogPath().c_str());
  WriteBytes(LogPath(), theirs);
  ASSERT_EQ(::chmod(LogPath().c_str(), 0666), 0);
  ASSERT_EQ(::chown(LogPath().c_str(), 65534, 65534), 0);
  EXPECT_TRUE(AppendTalkLogLine(LogPath().c_str(), "Call: 777"));
  struct stat st {};
  ASSERT_EQ(::lstat(LogPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_EQ(LogText(), "Call: 777\r\r\n");
}

TEST_F(TalkLogTest, PhoneLogShowsTheLogOnceAndCleanEmptiesLogHistoryAndNumberBox) {
  SaveProfile([](CUserProfile& p) { p.m_dialHistory.Add("5551234"); });
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  dlg.SetNumberText("5551234");
  dlg.m_numberBox.SetWindowText("99");

  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kTalkLog, BN_CLICKED), 0);
  ASSERT_EQ(dlg.m_logOpen, 1);
  CPhoneLogDlg* first = dlg.m_logDlg;
  ASSERT_NE(first, nullptr);
  CString shown;
  first->GetDlgItemText(CPhoneLogDlg::kLogEdit, shown);
  EXPECT_EQ(shown, "Mode: Place PC2PC Call\r\nCall: 5551234\r\n");
  EXPECT_TRUE(first->IsWindowVisible());

  dlg.SendMessage(WM_COMMAND, varlo::ids::kMenuLog, 0);  // a second Log while it is open
  EXPECT_EQ(dlg.m_logDlg, first);

  varlo::win::SimulateClick(::GetDlgItem(first->m_hWnd, CPhoneLogDlg::kCleanButton));
  EXPECT_TRUE(ReadBytes(LogPath()).empty());
  EXPECT_TRUE(Exists(LogPath()));
  EXPECT_EQ(dlg.m_profile.m_dialHistory.GetSize(), 0);
  EXPECT_EQ(dlg.m_numberBox.GetCount(), 0);
  CString boxText;
  dlg.m_numberBox.GetWindowText(boxText);
  EXPECT_EQ(boxText, "");
  first->GetDlgItemText(CPhoneLogDlg::kLogEdit, shown);
  EXPECT_EQ(shown, "");

  dlg.SetNumberText("777");
  varlo::win::SimulateClick(::GetDlgItem(first->m_hWnd, IDOK));
  EXPECT_FALSE(first->IsWindowVisible());
  Sys().Pump();
  EXPECT_EQ(dlg.m_logOpen, 0);

  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kTalkLog, BN_CLICKED), 0);
  ASSERT_EQ(dlg.m_logOpen, 1);
  dlg.m_logDlg->GetDlgItemText(CPhoneLogDlg::kLogEdit, shown);
  EXPECT_EQ(shown, "Call: 777\r\n");
}

TEST_F(TalkLogTest, EscapeInThePhoneLogLetsLogOpenAgain) {
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kTalkLog, BN_CLICKED), 0);
  ASSERT_NE(dlg.m_logDlg, nullptr);
  dlg.m_logDlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  Sys().Pump();
  EXPECT_EQ(dlg.m_logOpen, 0);
}

}  // namespace
