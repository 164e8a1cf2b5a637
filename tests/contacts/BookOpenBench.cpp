// The time the contact book takes to open with 100, 1,000 and 10,000 rows, on the screen
// (an X server named by DISPLAY): from the window's creation until its list control holds
// every row, with the toolkit's layout of the list done.  "per_row_us" is the time beyond that
// of opening a book of twenty own contacts ("base_ms", measured in the same run: the window,
// its controls and a list long enough to scroll), divided by the rows beyond those: it
// stays flat when each row costs the same however many there are.
//
//   BM_BookOpenOwnContacts    the user's own contacts from the contact file
//   BM_BookOpenDesktopRows    the same number of rows from the desktop's address book (a
//                             stand-in program that prints them, as its program does),
//                             beside ten contacts of the user's own
#include <benchmark/benchmark.h>
#include <wx/evtloop.h>
#include <wx/listctrl.h>
#include <wx/wx.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "contacts/CPhoneBookDlg.h"
#include "contacts/ContactFile.h"
#include "platform/wab/Wab.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/WinApp.h"
#include "platform/wx/WxBackend.h"
#include "tests/platform/core/TempDir.h"
#include "tests/support/WxTestToolkit.h"

namespace {

constexpr int kOwnBesideDesktop = 10;

ContactRecord Contact(int i) {
  char name[32], email[48], phone[24];
  std::snprintf(name, sizeof(name), "Contact %05d", i);
  std::snprintf(email, sizeof(email), "contact%05d@example.org", i);
  std::snprintf(phone, sizeof(phone), "555%07d", i);
  return ContactRecord{{CString(name), CString(email), CString(phone), CString(""), CString(phone)}};
}

struct World {
  World() {
    if (!StartTestToolkit("book_open_bench")) return;
    varlo::wx::InstallBackend();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
    ready = true;
  }
  bool ready = false;
  CWinApp app{"Varlo"};
};

World& TheWorld() {
  static World world;
  return world;
}

// A stand-in for the address-book program: prints `rows` mail users in its line format.
std::string DesktopProgram(const TempDir& dir, int rows) {
  const std::string lines = dir / "rows.txt", program = dir / "address-book";
  std::ofstream out(lines);
  for (int i = 0; i < rows; ++i) {
    char line[160];
    std::snprintf(line, sizeof(line), "6\tuid-%05d\tDesktop %05d\tdesk%05d@example.org\t556%07d\t\t\n", i, i, i, i);
    out << line;
  }
  std::ofstream script(program);
  script << "#!/bin/sh\nexec cat '" << lines << "'\n";
  script.close();
  ::chmod(program.c_str(), 0755);
  return program;
}

wxListCtrl* ListOf(CPhoneBookDlg& book) {
  return dynamic_cast<wxListCtrl*>(varlo::wx::NativeWidgetOf(book.m_contactList.m_hWnd));
}

// Turns the loops (the layer's and the toolkit's) until `done` holds.
template <typename Done>
void TurnUntil(wxGUIEventLoop& loop, Done done) {
  for (;;) {
    wxTheApp->ProcessPendingEvents();
    varlo::win::MessageSystem::Instance().Pump();
    while (loop.Pending()) loop.Dispatch();
    if (done()) return;
  }
}

// Opens a book on `file` and turns the loops until its list shows `rows` rows; closes it
// again unless told not to.  Returns the book when kept.
CPhoneBookDlg* Open(wxGUIEventLoop& loop, const std::string& file, long rows) {
  auto* book = new CPhoneBookDlg();  // deletes itself when its window goes
  book->SetBookFile(file.c_str());
  if (!book->Create(CPhoneBookDlg::IDD, nullptr)) return nullptr;
  book->ShowWindow(SW_SHOW);
  TurnUntil(loop, [&] {
    wxListCtrl* list = ListOf(*book);
    return !book->IsReadingAddressBook() && list && list->GetItemCount() == rows;
  });
  wxTheApp->ProcessIdle();  // the list lays its rows out
  ListOf(*book)->Update();
  return book;
}

void Close(wxGUIEventLoop& loop, CPhoneBookDlg* book) {
  book->DestroyWindow();
  TurnUntil(loop, [] { return true; });
}

constexpr int kBaseRows = 20;

// The shortest of a few openings of a book of kBaseRows own contacts.
double BaseOpenSeconds(wxGUIEventLoop& loop, const TempDir& dir) {
  const std::string file = dir / "base.dat";
  std::vector<ContactRecord> records;
  for (int i = 0; i < kBaseRows; ++i) records.push_back(Contact(i));
  WriteContactFile(file.c_str(), records);
  varlo::wab::SetAddressBookProgram(dir / "no-address-book");
  double best = 1e9;
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    CPhoneBookDlg* book = Open(loop, file, kBaseRows);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (book) Close(loop, book);
  }
  return best;
}

void OpenBook(benchmark::State& state, int own, int desktop) {
  if (!TheWorld().ready) {
    state.SkipWithError("no X display");
    return;
  }
  TempDir dir;
  std::vector<ContactRecord> records;
  for (int i = 0; i < own; ++i) records.push_back(Contact(i));
  const std::string file = dir / "pbook.dat";
  if (!WriteContactFile(file.c_str(), records)) {
    state.SkipWithError("contact file not written");
    return;
  }
  const long rows = own + desktop;
  wxGUIEventLoop loop;
  wxEventLoopActivator active(&loop);
  const double base = BaseOpenSeconds(loop, dir);
  varlo::wab::SetAddressBookProgram(desktop > 0 ? DesktopProgram(dir, desktop) : dir / "no-address-book");
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    CPhoneBookDlg* book = Open(loop, file, rows);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!book) {
      state.SkipWithError("book not created");
      return;
    }
    state.PauseTiming();
    Close(loop, book);
    state.ResumeTiming();
  }
  const double each = total / static_cast<double>(state.iterations());
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["base_ms"] = 1000 * base;
  state.counters["per_row_us"] = 1e6 * std::max(0.0, each - base) / static_cast<double>(rows - kBaseRows);
}

void BM_BookOpenOwnContacts(benchmark::State& state) { OpenBook(state, static_cast<int>(state.range(0)), 0); }
BENCHMARK(BM_BookOpenOwnContacts)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BookOpenDesktopRows(benchmark::State& state) {
  OpenBook(state, kOwnBesideDesktop, static_cast<int>(state.range(0)) - kOwnBesideDesktop);
}
BENCHMARK(BM_BookOpenDesktopRows)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
