// The contact book on the screen, beside the main window, with the desktop's address book
// running in a private session: rows added, modified and deleted by hand, address-book rows
// that refuse both, and a double click on a number that starts a call through the main
// window.  Screenshots are written into the working directory.
#include <gtest/gtest.h>
#include <wx/listctrl.h>
#include <wx/uiaction.h>
#include <wx/wx.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "contacts/CPhoneBookDlg.h"
#include "contacts/ContactFile.h"
#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/wab/Wab.h"
#include "platform/win/WinApp.h"
#include "platform/wx/WxBackend.h"
#include "tests/contacts/PrivateSession.h"
#include "tests/support/ToolkitState.h"
#include "tests/support/WaitingSteps.h"
#include "tests/support/WindowTestSupport.h"
#include "tests/support/XDesktop.h"
#include "tests/ui/CVarloDlgTestFixture.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"
#include "tests/support/WxTestToolkit.h"

namespace {

bool StartToolkit() { return StartTestToolkit("book_window_tests"); }

ContactRecord Contact(const char* name, const char* email = "", const char* business = "", const char* home = "",
                      const char* mobile = "") {
  return ContactRecord{{CString(name), CString(email), CString(business), CString(home), CString(mobile)}};
}

wxPoint CentreOf(HWND control) {
  CRect r;
  ::GetWindowRect(control, &r);
  return wxPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Screenshot(HWND hwnd, const char* file) {
  wxBitmap shot;
  ASSERT_TRUE(varlo::wx::CaptureWindow(hwnd, shot));
  EXPECT_TRUE(shot.SaveFile(file, wxBITMAP_TYPE_PNG));
}

// Runs the seeding program (this program's toolkit cannot share a process with the
// server's client library) and returns its exit status; what it prints goes to `out`.
int RunSeedProgram(std::vector<std::string> args, std::string& out) {
  std::string program = VARLO_SEED_PROGRAM;
  std::vector<char*> argv{program.data()};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  pid_t pid = 0;
  const bool spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  char buffer[256];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
  ::close(pipeFds[0]);
  if (!spawned) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CString TextOf(HWND hwnd) {
  char text[256] = {};
  ::GetWindowText(hwnd, text, sizeof text);
  return text;
}

// The screen point inside row `item` of the list control, `x` pixels from its left edge.
wxPoint RowPoint(HWND list, int item, int x) {
  const wxPoint centre = CentreOf(list);
  wxWindow* under = wxFindWindowAtPoint(centre);
  wxListCtrl* control = nullptr;
  for (wxWindow* w = under; w && !control; w = w->GetParent()) control = dynamic_cast<wxListCtrl*>(w);
  wxRect rect;
  if (!control || !control->GetItemRect(item, rect)) return wxPoint(-1, -1);
  const wxPoint topLeft = control->ClientToScreen(rect.GetTopLeft());
  return wxPoint(control->GetScreenPosition().x + x, topLeft.y + rect.GetHeight() / 2);
}

class BookWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StartToolkit()) GTEST_SKIP() << "no X display";
    varlo::wab::SetAddressBookProgram(VARLO_CONTACTS_PROGRAM);
    varlo::wx::InstallBackend();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
    varlo::win::ClearShownMessageBoxes();
    varlo::win::SetMessageBoxHook([this](const varlo::win::MessageBoxRequest& r) {
      boxes.push_back(r.text);
      return IDYES;
    });
    // The main window away from where the book opens.
    CUserProfile profile(dir.Path().c_str(), QuietServices());
    profile.m_windowLeft = 760;
    profile.m_windowTop = 700;
  }
  void TearDown() override {
    // The address book is the session's, shared by every case: what a case put there goes.
    if (!seeded.empty()) {
      std::vector<std::string> args{"remove"};
      args.insert(args.end(), seeded.begin(), seeded.end());
      std::string ignored;
      EXPECT_EQ(RunSeedProgram(args, ignored), 0) << "seeded contacts not removed";
    }
    varlo::win::SetMessageBoxHook(nullptr);
    if (varlo::wx::BackendInstalled()) varlo::win::MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  std::string BookFile() const { return dir / "pbook.dat"; }
  // Adds a contact to the session's address book for this case alone.
  int Seed(std::vector<std::string> fields) {
    std::string id;
    const int status = RunSeedProgram(std::move(fields), id);
    while (!id.empty() && id.back() == '\n') id.pop_back();
    if (status == 0 && !id.empty()) seeded.push_back(id);
    return status;
  }
  // Whether the book is open, on the screen, and has taken the address book's answer.
  bool BookReady(CVarloDlg& dlg) const {
    CPhoneBookDlg* book = dlg.m_bookDlg;
    return book && OnScreen(book->m_hWnd) && !book->IsReadingAddressBook();
  }
  // The book's rows as "name|email|business|home|mobile".
  static std::vector<std::string> Rows(CPhoneBookDlg* book) {
    std::vector<std::string> rows;
    for (int i = 0; i < book->m_contactList.GetItemCount(); ++i) {
      std::string row;
      for (int c = 0; c < kContactColumns; ++c) row += std::string(c ? "|" : "") + book->m_contactList.GetItemText(i, c).GetString();
      rows.push_back(row);
    }
    return rows;
  }
  static int Find(CPhoneBookDlg* book, const char* name) {
    for (int i = 0; i < book->m_contactList.GetItemCount(); ++i) {
      if (book->m_contactList.GetItemText(i, 0) == name) return i;
    }
    return -1;
  }
  static void Select(CPhoneBookDlg* book, int item) {
    book->m_contactList.SetItemState(item, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
  }
  void Click(HWND control) {
    sim.MouseMove(CentreOf(control));
    sim.MouseClick();
  }
  void ClickItem(CWnd* wnd, int id) { Click(::GetDlgItem(wnd->m_hWnd, id)); }

  TempDir dir;
  CWinApp app{"Varlo"};
  wxUIActionSimulator sim;
  std::vector<std::string> boxes;
  std::vector<std::string> seeded;  // ids of the contacts this case put into the address book
};

TEST_F(BookWindowTest, AddModifyAndDeleteByHandWhileAddressBookRowsRefuse) {
  ASSERT_EQ(Seed({"name=Ann Example", "email=ann@example.org", "business=+1 555 0100", "home=020 7946 0000",
                  "mobile=0700 123"}),
            0);
  ASSERT_EQ(Seed({"list", "name=Friends"}), 0);
  ASSERT_EQ(Seed({"mobile=0799"}), 0);  // no name at all: still marked as the address book's
  ASSERT_TRUE(WriteContactFile(BookFile().c_str(), {Contact("Bob", "", "", "5551234")}));

  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  app.m_pMainWnd = &dlg;
  CPhoneBookDlg* book = nullptr;
  std::vector<std::string> opened, added, modified, afterDelete;
  CString addTitle, modifyTitle, modifyButton;
  HWND contactDlg = nullptr;
  auto contactDialog = [&](const char* title) { return ::FindWindow(nullptr, title); };
  auto rowCount = [&](int n) { return [&, n] { return book->m_contactList.GetItemCount() == n; }; };
  auto typedInto = [&](int id, const char* text) {
    return [&, id, text] { return TextOf(::GetDlgItem(contactDlg, id)) == text; };
  };
  auto editAndType = [&](int id, const char* text) {
    Click(::GetDlgItem(contactDlg, id));
    sim.Text(text);
  };
  CWaitingSteps steps(
      {
          {"main window on the screen", [&] { return OnScreen(dlg.m_hWnd); },
           [&] { ClickItem(&dlg, varlo::ids::kBook); }},
          {"book open", [&] { return dlg.m_bookDlg != nullptr; },
           [&] {
             book = dlg.m_bookDlg;
             book->SetWindowPos(nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
           }},
          // The address book answers after the book has opened.
          {"book on the screen with the address book's rows",
           [&] { return BookReady(dlg) && ShownByToolkit(::GetDlgItem(book->m_hWnd, CPhoneBookDlg::kDeleteButton)); },
           [&] {
             opened = Rows(book);
             Screenshot(book->m_hWnd, "book_opened.png");
             // Address-book rows can be neither deleted nor modified.
             Select(book, Find(book, "*Ann Example"));
             ClickItem(book, CPhoneBookDlg::kDeleteButton);
           }},
          {"delete refused", [&] { return boxes.size() == 1; }, [&] { ClickItem(book, CPhoneBookDlg::kModifyButton); }},
          // Add: a contact typed into the dialog, which stays open for the next.
          {"modify refused", [&] { return boxes.size() == 2; }, [&] { ClickItem(book, CPhoneBookDlg::kAddButton); }},
          {"Add Contact open",
           [&] {
             return contactDialog("Add Contact") && ShownByToolkit(::GetDlgItem(contactDialog("Add Contact"), 1010));
           },
           [&] {
             contactDlg = contactDialog("Add Contact");
             CWnd::FromHandle(contactDlg)->GetWindowText(addTitle);
             editAndType(1010, "Zoe");
           }},
          {"name typed", typedInto(1010, "Zoe"), [&] { editAndType(1012, "5550100"); }},
          {"number typed", typedInto(1012, "5550100"),
           [&] {
             Screenshot(contactDlg, "add_contact.png");
             Click(::GetDlgItem(contactDlg, IDOK));
           }},
          {"row added", rowCount(4),
           [&] {
             added = Rows(book);
             Click(::GetDlgItem(contactDlg, IDCANCEL));
           }},
          // Modify: the row's fields in the dialog, one changed.
          {"Add Contact closed", [&] { return contactDialog("Add Contact") == nullptr; },
           [&] {
             Select(book, Find(book, "Zoe"));
             ClickItem(book, CPhoneBookDlg::kModifyButton);
           }},
          {"Modify Contact open",
           [&] {
             return contactDialog("Modify Contact") &&
                    ShownByToolkit(::GetDlgItem(contactDialog("Modify Contact"), 1014));
           },
           [&] {
             contactDlg = contactDialog("Modify Contact");
             CWnd::FromHandle(contactDlg)->GetWindowText(modifyTitle);
             CWnd::FromHandle(::GetDlgItem(contactDlg, IDOK))->GetWindowText(modifyButton);
             editAndType(1014, "0711");
           }},
          {"mobile typed", typedInto(1014, "0711"),
           [&] {
             Screenshot(contactDlg, "modify_contact.png");
             Click(::GetDlgItem(contactDlg, IDOK));
           }},
          {"Modify Contact closed", [&] { return contactDialog("Modify Contact") == nullptr; },
           [&] {
             modified = Rows(book);
             // Delete, after the question.
             Select(book, Find(book, "Bob"));
             ClickItem(book, CPhoneBookDlg::kDeleteButton);
           }},
          {"row deleted", rowCount(3),
           [&] {
             afterDelete = Rows(book);
             Screenshot(book->m_hWnd, "book_after_delete.png");
             book->PostMessage(WM_CLOSE);
           }},
          {"book closed", [&] { return dlg.m_bookDlg == nullptr; }, [&] { dlg.EndDialog(IDCANCEL); }},
      },
      [&] {
        if (HWND open = contactDialog("Add Contact")) ::SendMessage(open, WM_COMMAND, IDCANCEL, 0);
        if (HWND open = contactDialog("Modify Contact")) ::SendMessage(open, WM_COMMAND, IDCANCEL, 0);
        dlg.EndDialog(IDCANCEL);
      });
  dlg.DoModal();

  EXPECT_EQ(opened,
            (std::vector<std::string>{"*||||0799", "*Ann Example|ann@example.org|+1 555 0100|020 7946 0000|0700 123",
                                      "Bob|||5551234|"}));
  EXPECT_EQ(addTitle, "Add Contact");
  EXPECT_EQ(added,
            (std::vector<std::string>{"*||||0799", "*Ann Example|ann@example.org|+1 555 0100|020 7946 0000|0700 123",
                                      "Bob|||5551234|", "Zoe||5550100||"}));
  EXPECT_EQ(modifyTitle, "Modify Contact");
  EXPECT_EQ(modifyButton, "Modify");
  EXPECT_EQ(modified,
            (std::vector<std::string>{"*||||0799", "*Ann Example|ann@example.org|+1 555 0100|020 7946 0000|0700 123",
                                      "Bob|||5551234|", "Zoe||5550100||0711"}));
  EXPECT_EQ(afterDelete,
            (std::vector<std::string>{"*||||0799", "*Ann Example|ann@example.org|+1 555 0100|020 7946 0000|0700 123",
                                      "Zoe||5550100||0711"}));
  EXPECT_EQ(boxes,
            (std::vector<std::string>{"You can't delete contact from outlook!",
                                      "You can't modify contact from outlook!", "Delete item \"Bob\". Are you sure?"}));
  // Only the user's own contacts are stored.
  EXPECT_EQ(ReadContactFile(BookFile().c_str()), std::vector<ContactRecord>{Contact("Zoe", "", "5550100", "", "0711")});
  EXPECT_EQ(dlg.m_bookDlg, nullptr);
}

TEST_F(BookWindowTest, DoubleClickOnANumberCallsItThroughTheMainWindow) {
  ASSERT_TRUE(WriteContactFile(BookFile().c_str(), {Contact("Carol", "carol@example.org", "127.0.0.1")}));
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  app.m_pMainWnd = &dlg;
  CPhoneBookDlg* book = nullptr;
  std::vector<std::string> rows;
  CString numberLine;
  auto logText = [&] {
    const Bytes log = ReadBytes(dir / "Log.log");
    return std::string(log.begin(), log.end());
  };
  CWaitingSteps steps(
      {
          {"main window shown", [&] { return dlg.IsWindowVisible() != 0; },
           [&] { dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kBook, BN_CLICKED), 0); }},
          {"book open", [&] { return dlg.m_bookDlg != nullptr; },
           [&] {
             book = dlg.m_bookDlg;
             book->SetWindowPos(nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
           }},
          // The middle of the Business Tel column (70 + 130 + 90 / 2 pixels in) of Carol's row.
          {"Carol's row on the screen",
           [&] {
             return BookReady(dlg) && RowPoint(book->m_contactList.m_hWnd, Find(book, "Carol"), 0) != wxPoint(-1, -1);
           },
           [&] {
             rows = Rows(book);
             sim.MouseMove(RowPoint(book->m_contactList.m_hWnd, Find(book, "Carol"), 70 + 130 + 45));
             sim.MouseDblClick();
           }},
          {"number dialled",
           [&] { return dlg.m_numberText == "127.0.0.1" && logText().find("Call: ") != std::string::npos; },
           [&] {
             numberLine = dlg.m_numberText;
             Screenshot(dlg.m_hWnd, "book_dialled.png");
             book->PostMessage(WM_CLOSE);
           }},
          {"book closed", [&] { return dlg.m_bookDlg == nullptr; }, [&] { dlg.EndDialog(IDCANCEL); }},
      },
      [&] { dlg.EndDialog(IDCANCEL); });
  dlg.DoModal();
  // The book holds this case's contact alone, whatever cases ran before.
  EXPECT_EQ(rows, std::vector<std::string>{"Carol|carol@example.org|127.0.0.1||"});
  // The call started (nobody answers at that address, so it may have ended since).
  EXPECT_EQ(numberLine, "127.0.0.1");
  EXPECT_NE(logText().find("Call: 127.0.0.1\r\r\n"), std::string::npos);
}

}  // namespace

// The toolkit's and the address-book client's process-long caches.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return ToolkitLeakSuppressions(); }

int main(int argc, char** argv) {
  if (!InPrivateSession()) return RunInPrivateSession(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
