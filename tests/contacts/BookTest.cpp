// The contact book without a display, beside a main window: what it reads and writes, how
// it opens and closes, and what it does when the desktop's address book is absent.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "contacts/CPhoneBookDlg.h"
#include "contacts/ContactFile.h"
#include "platform/wab/Wab.h"
#include "platform/win/Clock.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Input.h"
#include "platform/win/Menu.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/WinApp.h"
#include "tests/ui/CVarloDlgTestFixture.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

// No address-book service can be reached from this program: the book shows the user's own
// contacts only.
class NoAddressBookService : public ::testing::Environment {
 public:
  void SetUp() override {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/varlo-bus", 1);
    varlo::wab::SetAddressBookProgram(VARLO_CONTACTS_PROGRAM);
  }
};
const auto* const g_noService = ::testing::AddGlobalTestEnvironment(new NoAddressBookService);

ContactRecord Contact(const char* name, const char* email = "", const char* business = "", const char* home = "",
                      const char* mobile = "") {
  return ContactRecord{{CString(name), CString(email), CString(business), CString(home), CString(mobile)}};
}

class BookTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    main = std::make_unique<CVarloDlg>(dir.Path().c_str(), QuietServices());
    app.m_pMainWnd = main.get();
    ASSERT_TRUE(main->Create(CVarloDlg::IDD));
  }
  void TearDown() override {
    if (main->m_hWnd) main->DestroyWindow();
    main.reset();
    UiTest::TearDown();
  }
  std::string BookFile() const { return main->GetConfig()->m_bookFile.GetString(); }
  CPhoneBookDlg* OpenBook() {
    main->SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kBook, BN_CLICKED), 0);
    return main->m_bookDlg;
  }
  static std::vector<std::string> Names(CPhoneBookDlg* book) {
    std::vector<std::string> names;
    for (int i = 0; i < book->m_contactList.GetItemCount(); ++i) {
      names.push_back(book->m_contactList.GetItemText(i, 0).GetString());
    }
    return names;
  }

  CWinApp app{"Varlo"};
  std::unique_ptr<CVarloDlg> main;
};

TEST_F(BookTest, OpensOnceShowsOwnContactsAndClosingWritesThemBack) {
  // Written in the list's order, so that closing gives the same bytes back.  "*Star" is a
  // contact of the user's own that happens to begin with the address book's mark.
  ASSERT_TRUE(WriteContactFile(BookFile().c_str(), {Contact("*Star", "s@x", "1"), Contact("Ann", "a@x", "2", "3", "4"),
                                                    Contact("Bob")}));
  const Bytes before = ReadBytes(BookFile());

  CPhoneBookDlg* book = OpenBook();
  ASSERT_NE(book, nullptr);
  EXPECT_EQ(OpenBook(), book);  // the second press opens nothing new
  EXPECT_EQ(main->m_bookOpen, 1);
  EXPECT_EQ(Names(book), (std::vector<std::string>{"*Star", "Ann", "Bob"}));
  EXPECT_EQ(book->m_contactList.GetNextItem(-1, LVNI_SELECTED), 0);
  EXPECT_FALSE(book->IsAddressBookRow(0));
  EXPECT_TRUE(varlo::win::ShownMessageBoxes().empty());  // no address book is no error
  // Neither Enter nor Escape ends the book; its close command closes it.
  for (UINT key : {VK_RETURN, VK_ESCAPE}) {
    varlo::win::SimulateKey(key, book->m_contactList.m_hWnd);
    Sys().Pump();
    EXPECT_TRUE(book->IsWindowVisible()) << key;
    EXPECT_EQ(main->m_bookDlg, book) << key;
  }
  book->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  Sys().Pump();  // the close command, then the close message
  EXPECT_EQ(main->m_bookDlg, nullptr);
  EXPECT_EQ(ReadBytes(BookFile()), before);
  EXPECT_EQ(main->m_bookOpen, 0);

  // The user's own starred contact can be deleted like any other, after its question.
  book = OpenBook();
  ASSERT_NE(book, nullptr);
  std::vector<std::string> asked;
  varlo::win::SetMessageBoxHook([&](const varlo::win::MessageBoxRequest& r) {
    asked.push_back(r.caption + ": " + r.text);
    return IDYES;
  });
  book->OnDeleteContact();
  EXPECT_EQ(asked, std::vector<std::string>{"Confirm: Delete item \"*Star\". Are you sure?"});
  EXPECT_EQ(Names(book), (std::vector<std::string>{"Ann", "Bob"}));
  EXPECT_EQ(book->m_contactList.GetNextItem(-1, LVNI_SELECTED), 0);
  book->SendMessage(WM_CLOSE);
  EXPECT_EQ(ReadContactFile(BookFile().c_str()),
            (std::vector<ContactRecord>{Contact("Ann", "a@x", "2", "3", "4"), Contact("Bob")}));
}

TEST_F(BookTest, ProgramEndWithTheBookOpenKeepsItsRows) {
  CPhoneBookDlg* book = OpenBook();
  ASSERT_NE(book, nullptr);
  const int item = book->m_contactList.InsertItem(0, "Carol");
  book->m_contactList.SetItemText(item, 4, "0700");
  main->DestroyWindow();
  EXPECT_EQ(main->m_bookDlg, nullptr);
  EXPECT_EQ(ReadContactFile(BookFile().c_str()), std::vector<ContactRecord>{Contact("Carol", "", "", "", "0700")});
}

TEST_F(BookTest, AFileThatCannotBeWrittenKeepsTheBookOpen) {
  main->GetConfig()->m_bookFile = (dir / "missing/pbook.dat").c_str();
  CPhoneBookDlg* book = OpenBook();
  ASSERT_NE(book, nullptr);
  book->m_contactList.InsertItem(0, "Dora");
  book->SendMessage(WM_CLOSE);
  Sys().Pump();
  ASSERT_EQ(varlo::win::ShownMessageBoxes().size(), 1u);
  EXPECT_NE(varlo::win::ShownMessageBoxes()[0].text.find("pbook.dat"), std::string::npos);
  EXPECT_EQ(main->m_bookDlg, book);
  EXPECT_TRUE(book->IsWindow());
  EXPECT_EQ(main->m_bookOpen, 1);

  book->m_bookFile = BookFile().c_str();
  main->GetConfig()->m_bookFile = BookFile().c_str();
  ::mkdir((dir / "missing").c_str(), 0700);
  book->SendMessage(WM_CLOSE);
  EXPECT_EQ(ReadContactFile(BookFile().c_str()), std::vector<ContactRecord>{Contact("Dora")});
}

TEST_F(BookTest, ABookThatFailsToOpenDoesNotBlockTheNext) {
  AfxSetResourceHandle(reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x10)));  // no templates
  EXPECT_EQ(OpenBook(), nullptr);
  EXPECT_EQ(main->m_bookOpen, 0);
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  CPhoneBookDlg* book = OpenBook();
  ASSERT_NE(book, nullptr);
  book->SendMessage(WM_CLOSE);
}

TEST_F(BookTest, HandleMenuCallsOrMailsTheSelectedContactThroughTheMainWindowAndTheShell) {
  // The desktop's opener is a script that writes down the arguments it was given.
  const std::string bin = dir / "bin";
  ::mkdir(bin.c_str(), 0700);
  const std::string opened = dir / "opened.txt";
  const std::string script = "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > " + opened + ".part && /bin/mv " + opened + ".part " + opened + "\n";
  WriteBytes(bin + "/xdg-open", Bytes(script.begin(), script.end()));
  ::chmod((bin + "/xdg-open").c_str(), 0700);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", bin.c_str(), 1);

  ASSERT_TRUE(WriteContactFile(BookFile().c_str(),
                               {Contact("Eve", "eve@example.org?attach=/etc/passwd&cc=x@y.z", "127.0.0.1", "", "")}));
  CPhoneBookDlg* book = OpenBook();
  ASSERT_NE(book, nullptr);
  UINT chosen = 0;
  varlo::win::SetPopupMenuHook([&](const varlo::win::MenuData&, CPoint) { return chosen; });

  book->m_contactList.SetItemState(-1, 0, LVIS_SELECTED_STATE);
  book->OnHandleButton();
  ASSERT_EQ(varlo::win::ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(varlo::win::ShownMessageBoxes()[0].text, "No item was selected!");

  book->m_contactList.SetItemState(0, LVIS_SELECTED_STATE, LVIS_SELECTED_STATE);
  chosen = CPhoneBookDlg::kCallBusinessTel;
  book->OnHandleButton();
  Sys().Pump();  // the menu's command
  EXPECT_EQ(main->m_numberText, "127.0.0.1");  // the main window took the number and dialled

  chosen = CPhoneBookDlg::kSendMail;
  book->OnHandleButton();
  Sys().Pump();
  std::string args;
  for (int i = 0; i < 100 && !Exists(opened); ++i) ::usleep(50000);
  const Bytes recorded = ReadBytes(opened);
  args.assign(recorded.begin(), recorded.end());
  EXPECT_EQ(args, "1|mailto:eve@example.org%3Fattach=/etc/passwd%26cc=x@y.z|");
  varlo::win::SetPopupMenuHook(nullptr);
  ::setenv("PATH", oldPath.c_str(), 1);
}

// An address book that answers only when told to: a stand-in for the address-book program
// that notes its process id, waits on a FIFO, then prints one mail user.
class SlowAddressBook {
 public:
  explicit SlowAddressBook(const std::string& dir)
      : m_fifo(dir + "/answer"), m_started(dir + "/started"), m_program(dir + "/slow-contacts") {
    ::mkfifo(m_fifo.c_str(), 0600);
    const std::string script = "#!/bin/sh\necho $$ > '" + m_started + ".part' && mv '" + m_started + ".part' '" +
                               m_started + "'\nread answer < '" + m_fifo + "'\n" +
                               "printf '6\\tzed-1\\tZed Stand\\tzed@example.org\\t555 0101\\t\\t0700 9\\n'\n";
    WriteBytes(m_program, Bytes(script.begin(), script.end()));
    ::chmod(m_program.c_str(), 0700);
    varlo::wab::SetAddressBookProgram(m_program);
  }
  ~SlowAddressBook() { varlo::wab::SetAddressBookProgram(VARLO_CONTACTS_PROGRAM); }
  // Whether the program has started and not ended: it waits for its answer to be released.
  bool Waiting() const {
    const Bytes pid = ReadBytes(m_started);
    if (pid.empty()) return false;
    return ::kill(std::atoi(std::string(pid.begin(), pid.end()).c_str()), 0) == 0;
  }
  // Lets the waiting program answer (a writer that comes and goes ends its wait).  The
  // program may have said it started before its shell opened the pipe for reading; until
  // then a writer cannot open it, so the opening is tried again while the program lives.
  void Release() const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int fd = -1;
    while ((fd = ::open(m_fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) < 0 && errno == ENXIO &&
           Waiting() && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (fd >= 0) ::close(fd);
    std::remove(m_started.c_str());
  }

 private:
  std::string m_fifo, m_started, m_program;
};

// The address book is read off the window's thread: a book whose address book does not
// answer opens at once with the user's own contacts and answers commands; the address
// book's rows join it when it answers, the first row selected as at any opening.
TEST_F(BookTest, TheBookStaysLiveWhileTheAddressBookHangsAndFillsWhenItAnswers) {
  ASSERT_TRUE(WriteContactFile(BookFile().c_str(), {Contact("Bob", "", "5551234")}));
  SlowAddressBook slow(dir.Path());
  CPhoneBookDlg* book = OpenBook();
  ASSERT_NE(book, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return slow.Waiting(); }));  // the book is up, the address book silent
  EXPECT_EQ(Names(book), std::vector<std::string>{"Bob"});
  std::vector<std::string> asked;
  varlo::win::SetMessageBoxHook([&](const varlo::win::MessageBoxRequest& r) {
    asked.push_back(r.text);
    return IDNO;
  });
  book->SendMessage(WM_COMMAND, MAKEWPARAM(CPhoneBookDlg::kDeleteButton, BN_CLICKED), 0);
  EXPECT_EQ(asked, std::vector<std::string>{"Delete item \"Bob\". Are you sure?"});
  EXPECT_TRUE(slow.Waiting());

  slow.Release();
  ASSERT_TRUE(PumpUntil([&] { return book->m_contactList.GetItemCount() == 2; }));
  EXPECT_EQ(Names(book), (std::vector<std::string>{"*Zed Stand", "Bob"}));
  EXPECT_TRUE(book->IsAddressBookRow(0));
  EXPECT_EQ(book->m_contactList.GetItemText(0, 1), "zed@example.org");
  EXPECT_EQ(book->m_contactList.GetItemText(0, 4), "0700 9");
  EXPECT_EQ(book->m_contactList.GetNextItem(-1, LVNI_SELECTED), 0);
  book->SendMessage(WM_CLOSE);
  EXPECT_EQ(ReadContactFile(BookFile().c_str()), std::vector<ContactRecord>{Contact("Bob", "", "5551234")});
  varlo::win::SetMessageBoxHook(nullptr);
}

// An answer that comes while the book asks a question (whose answer is for a row by its
// index) waits for the question; the row asked about is the one deleted.  A row the user
// chose meanwhile stays chosen; a book closed before the address book answers ends its
// reading at once.
TEST_F(BookTest, AnAnswerDuringAQuestionWaitsForItAndAClosedBookStopsTheReading) {
  ASSERT_TRUE(WriteContactFile(BookFile().c_str(), {Contact("Ann"), Contact("Bob")}));
  {
    SlowAddressBook slow(dir.Path());
    CPhoneBookDlg* book = OpenBook();
    ASSERT_NE(book, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return slow.Waiting(); }));
    book->m_contactList.SetItemState(1, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
    std::vector<std::string> duringQuestion;
    varlo::win::SetMessageBoxHook([&](const varlo::win::MessageBoxRequest&) {
      slow.Release();
      EXPECT_TRUE(PumpUntil([&] { return book->IsHoldingAddressBookAnswer() != FALSE; }));
      duringQuestion = Names(book);
      return IDYES;
    });
    book->OnDeleteContact();
    EXPECT_EQ(duringQuestion, (std::vector<std::string>{"Ann", "Bob"}));
    EXPECT_EQ(Names(book), (std::vector<std::string>{"*Zed Stand", "Ann"}));
    EXPECT_FALSE(book->IsReadingAddressBook());
    varlo::win::SetMessageBoxHook(nullptr);

    book->SendMessage(WM_CLOSE);
    Sys().Pump();
  }
  // Chosen meanwhile: Bob stays the selected row.
  ASSERT_TRUE(WriteContactFile(BookFile().c_str(), {Contact("Ann"), Contact("Bob")}));
  SlowAddressBook slow(dir.Path());
  CPhoneBookDlg* book = OpenBook();
  ASSERT_NE(book, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return slow.Waiting(); }));
  book->m_contactList.SetItemState(1, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
  slow.Release();
  ASSERT_TRUE(PumpUntil([&] { return !book->IsReadingAddressBook(); }));
  EXPECT_EQ(Names(book), (std::vector<std::string>{"*Zed Stand", "Ann", "Bob"}));
  EXPECT_EQ(book->m_contactList.GetNextItem(-1, LVNI_SELECTED), 2);
  book->SendMessage(WM_CLOSE);
  Sys().Pump();

  // Closed while the address book is silent: the program is ended, the book goes at once.
  book = OpenBook();
  ASSERT_NE(book, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return slow.Waiting(); }));
  book->SendMessage(WM_CLOSE);
  EXPECT_EQ(main->m_bookDlg, nullptr);
  EXPECT_FALSE(slow.Waiting());
  EXPECT_EQ(ReadContactFile(BookFile().c_str()), (std::vector<ContactRecord>{Contact("Ann"), Contact("Bob")}));
}

TEST(MailtoUrl, KeepsAddressesAndEncodesWhatCouldAddHeadersOrRecipients) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "mailto:"},
      {"ann.lee+work@example.org", "mailto:ann.lee+work@example.org"},
      {"a@b.c?attach=/etc/passwd", "mailto:a@b.c%3Fattach=/etc/passwd"},
      {"a@b.c&cc=x@y.z", "mailto:a@b.c%26cc=x@y.z"},
      {"a@b.c\r\nBcc: x@y.z", "mailto:a@b.c%0D%0ABcc:%20x@y.z"},
      {"\"q\"#%<>@x", "mailto:%22q%22%23%25%3C%3E@x"},
      {"z\xC3\xBC@x", "mailto:z%C3%BC@x"},
      {"a@b.c,x@y.z", "mailto:a@b.c%2Cx@y.z"},
      {"a@b.c;x@y.z", "mailto:a@b.c%3Bx@y.z"},
      {"a@b.c, x@y.z;", "mailto:a@b.c%2C%20x@y.z%3B"},
  };
  for (const auto& [address, url] : cases) EXPECT_EQ(MailtoUrl(address), url) << address;
}

}  // namespace

