// Controls as their windows hold them, regions, message boxes and wizards.
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "Fixture.h"
#include "platform/win/ControlClasses.h"
#include "platform/win/Controls.h"
#include "platform/win/Gdi.h"
#include "platform/win/GdiData.h"
#include "platform/win/Input.h"
#include "platform/win/ListCtrl.h"
#include "platform/win/PropertySheet.h"
#include "platform/win/WinApp.h"

using namespace varlo::win;

TEST_F(LayerTest, AutomaticRadioButtonsClearOnlyTheirOwnGroup) {
  CDialog dlg(183);  // every radio button of the account page starts a group of its own
  ASSERT_TRUE(dlg.Create(183));
  dlg.ShowWindow(SW_SHOW);
  CWnd* pcToPhone = dlg.GetDlgItem(1023);
  CWnd* pcToPc = dlg.GetDlgItem(1024);
  SimulateClick(pcToPhone->m_hWnd);
  SimulateClick(pcToPc->m_hWnd);
  EXPECT_EQ(dlg.IsDlgButtonChecked(1023), BST_CHECKED);
  EXPECT_EQ(dlg.IsDlgButtonChecked(1024), BST_CHECKED);
  // A wrapper from GetDlgItem is of the control's class.
  ASSERT_TRUE(dynamic_cast<CButton*>(pcToPc));
  static_cast<CButton*>(pcToPc)->SetCheck(BST_UNCHECKED);
  EXPECT_EQ(dlg.IsDlgButtonChecked(1024), BST_UNCHECKED);
}

TEST_F(LayerTest, ComboBoxKeepsItsListAndItsEditField) {
  CDialog dlg(205);
  ASSERT_TRUE(dlg.Create(205));
  auto* combo = static_cast<CComboBox*>(dlg.GetDlgItem(1021));
  // The template's list, sorted.
  ASSERT_EQ(combo->GetCount(), 3);
  CString item;
  combo->GetLBText(1, item);
  EXPECT_EQ(item, "Simplify Chinese");
  struct Find {
    const char* text;
    int prefix, exact;
  };
  const Find cases[] = {{"simplify", 1, -1}, {"English", 0, 0}, {"T", 2, -1}, {"x", -1, -1}};
  for (const Find& f : cases) {
    EXPECT_EQ(combo->FindString(-1, f.text), f.prefix) << f.text;
    EXPECT_EQ(combo->FindStringExact(-1, f.text), f.exact) << f.text;
  }
  combo->SetWindowText("Klingon");
  CString text;
  combo->GetWindowText(text);
  EXPECT_EQ(text, "Klingon");
  combo->ResetContent();  // empties the list and the edit field
  combo->GetWindowText(text);
  EXPECT_EQ(text, "");
  EXPECT_EQ(combo->GetCount(), 0);
}

TEST_F(LayerTest, SortedListViewPlacesRowsAndTracksTheSelection) {
  CDialog dlg(189);
  ASSERT_TRUE(dlg.Create(189));
  auto* list = static_cast<CListCtrl*>(dlg.GetDlgItem(1002));
  ASSERT_TRUE(list);
  list->InsertColumn(0, "Name", LVCFMT_CENTER, 70);
  list->InsertColumn(1, "Email", LVCFMT_CENTER, 130);
  for (const char* name : {"mary", "*Outlook", "Bob", "alice"}) {
    const int row = list->InsertItem(list->GetItemCount(), name);
    list->SetItemText(row, 1, (std::string(name) + "@x").c_str());
  }
  const char* sorted[] = {"*Outlook", "alice", "Bob", "mary"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list->GetItemText(i, 0), sorted[i]);
    EXPECT_EQ(list->GetItemText(i, 1).Str(), std::string(sorted[i]) + "@x");
  }
  list->SetItemState(2, LVIS_SELECTED_STATE, LVIS_SELECTED_STATE);
  list->SetItemState(1, LVIS_SELECTED_STATE, LVIS_SELECTED_STATE);  // single selection
  POSITION pos = list->GetFirstSelectedItemPosition();
  EXPECT_EQ(list->GetNextSelectedItem(pos), 1);
  EXPECT_EQ(pos, nullptr);
  list->DeleteItem(1);
  EXPECT_EQ(list->GetNextItem(-1, LVNI_SELECTED), -1);
}

// The selected and focused rows that GetNextItem reports, against a look at every row's
// state, after each change that moves them: rows selected one after another, rows
// inserted before and removed before or at the selection, the selection cleared and set
// on every row at once.
TEST_F(LayerTest, ListViewFindsItsSelectionAfterEveryKindOfChange) {
  CDialog dlg(189);  // a sorted, single-selection list view
  ASSERT_TRUE(dlg.Create(189));
  auto* list = static_cast<CListCtrl*>(dlg.GetDlgItem(1002));
  ASSERT_TRUE(list);
  list->InsertColumn(0, "Name", LVCFMT_CENTER, 70);
  auto select = [&](int row) {
    list->SetItemState(row, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
  };
  auto scan = [&](int start, UINT bit) {
    for (int i = start + 1; i < list->GetItemCount(); ++i) {
      if (list->GetItemState(i, bit)) return i;
    }
    return -1;
  };
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"filled", [&] {
         for (const char* name : {"b", "d", "f", "h"}) list->InsertItem(list->GetItemCount(), name);
       }},
      {"selected", [&] { select(2); }},
      {"selected again", [&] { select(1); }},
      {"a row inserted before", [&] { list->InsertItem(0, "a"); }},
      {"a row removed before", [&] { list->DeleteItem(0); }},
      {"the selected row removed", [&] { list->DeleteItem(1); }},
      {"selected after the removal", [&] { select(0); }},
      {"deselected", [&] { list->SetItemState(0, 0, LVIS_SELECTED_STATE); }},
      {"every row selected", [&] { list->SetItemState(-1, LVIS_SELECTED_STATE, LVIS_SELECTED_STATE); }},
      {"one row selected after all", [&] { select(2); }},
      {"every row cleared", [&] { list->SetItemState(-1, 0, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE); }},
      {"emptied and filled", [&] {
         list->DeleteAllItems();
         for (const char* name : {"x", "y"}) list->InsertItem(list->GetItemCount(), name);
       }},
      {"selected in the new rows", [&] { select(1); }},
  };
  for (const auto& [what, change] : steps) {
    change();
    for (int start = -1; start < list->GetItemCount(); ++start) {
      EXPECT_EQ(list->GetNextItem(start, LVNI_SELECTED), scan(start, LVIS_SELECTED_STATE)) << what << " from " << start;
      EXPECT_EQ(list->GetNextItem(start, LVNI_FOCUSED), scan(start, LVIS_FOCUSED_STATE)) << what << " from " << start;
    }
    int selected = 0;
    for (int i = 0; i < list->GetItemCount(); ++i) selected += list->GetItemState(i, LVIS_SELECTED_STATE) ? 1 : 0;
    EXPECT_EQ(list->GetSelectedCount(), selected) << what;
  }
}

TEST_F(LayerTest, ListBoxItemsKeepTheirDataWhereTheSortPutsThem) {
  CDialog dlg(189);
  ASSERT_TRUE(dlg.Create(189));
  auto* list = static_cast<CListBox*>(dlg.GetDlgItem(1011));  // sorted
  ASSERT_TRUE(list);
  for (const char* text : {"0x3001001e", "0x0fff0102", "0x3a08001e"}) {
    const int index = list->AddString(text);
    ASSERT_GE(index, 0);
    EXPECT_EQ(list->SetItemData(index, std::strtoul(text, nullptr, 16)), TRUE);
  }
  list->InsertString(0, "new");  // a new line carries 0
  list->DeleteString(2);         // 0x3001001e
  const std::pair<const char*, DWORD_PTR> lines[] = {{"new", 0}, {"0x0fff0102", 0x0FFF0102}, {"0x3a08001e", 0x3A08001E}};
  ASSERT_EQ(list->GetCount(), 3);
  for (int i = 0; i < 3; ++i) {
    CString text;
    list->GetText(i, text);
    EXPECT_EQ(text, lines[i].first);
    EXPECT_EQ(list->GetItemData(i), lines[i].second) << i;
  }
  EXPECT_EQ(list->SetItemData(3, 1), LB_ERR);
  EXPECT_EQ(list->GetItemData(-1), static_cast<DWORD_PTR>(LB_ERR));
  list->ResetContent();
  list->AddString("again");
  EXPECT_EQ(list->GetItemData(0), 0u);
}

TEST(Regions, RoundRectangleLeavesTheCornersOut) {
  CRgn rgn;
  ASSERT_TRUE(rgn.CreateRoundRectRgn(0, 0, 471, 291, 31, 31));
  struct Case {
    int x, y;
    bool inside;
  };
  const Case cases[] = {{0, 0, false},     {1, 1, false},    {5, 5, true},      {15, 0, true},  {235, 145, true},
                        {470, 145, true},  {470, 290, false}, {465, 285, true}, {471, 145, false}, {0, 290, false}};
  for (const Case& c : cases) EXPECT_EQ(rgn.PtInRegion(c.x, c.y), c.inside) << c.x << "," << c.y;
}

// A window's shape goes to the screen as rectangles: they must cover exactly the region's
// pixels within the window, and a round-cornered window needs few of them.
TEST(Regions, RectanglesCoverExactlyThePixelsInside) {
  using Kind = RegionData::Kind;
  struct Case {
    Kind kind;
    CRect bounds;
    int ellipse;  // corner ellipse of a round rectangle
    CSize window;
  };
  const Case cases[] = {
      {Kind::kRoundRect, CRect(0, 0, 471, 291), 31, CSize(471, 291)},  // the main window
      {Kind::kRoundRect, CRect(0, 0, 40, 30), 0, CSize(40, 30)},
      {Kind::kRoundRect, CRect(3, 2, 38, 27), 200, CSize(40, 30)},     // corners larger than the box
      {Kind::kEllipse, CRect(0, 0, 37, 21), 0, CSize(37, 21)},         // odd sizes
      {Kind::kEllipse, CRect(0, 0, 36, 20), 0, CSize(36, 20)},
      {Kind::kEllipse, CRect(-15, 4, 25, 44), 0, CSize(30, 30)},       // partly outside the window
      {Kind::kEllipse, CRect(10, 10, 11, 11), 0, CSize(20, 20)},       // one pixel
      {Kind::kRect, CRect(5, 6, 25, 16), 0, CSize(20, 20)},
      {Kind::kRect, CRect(30, 30, 40, 40), 0, CSize(20, 20)},          // wholly outside
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.kind) << " " << c.bounds.left << "," << c.bounds.top
                                      << " " << c.bounds.Width() << "x" << c.bounds.Height());
    RegionData region;
    region.kind = c.kind;
    region.bounds = c.bounds;
    region.ellipseWidth = region.ellipseHeight = c.ellipse;
    const std::vector<CRect> rects = RegionRectangles(region, c.window);
    std::vector<int> covered(static_cast<size_t>(c.window.cx * c.window.cy), 0);
    for (const CRect& r : rects) {
      for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) ++covered[static_cast<size_t>(y * c.window.cx + x)];
      }
    }
    int wrong = 0;
    for (int y = 0; y < c.window.cy; ++y) {
      for (int x = 0; x < c.window.cx; ++x) {
        if (covered[static_cast<size_t>(y * c.window.cx + x)] != (region.Contains(POINT{x, y}) ? 1 : 0)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
  RegionData main;
  main.kind = Kind::kRoundRect;
  main.bounds = CRect(0, 0, 471, 291);
  main.ellipseWidth = main.ellipseHeight = 31;
  EXPECT_LE(RegionRectangles(main, CSize(471, 291)).size(), 31u);
}

TEST_F(LayerTest, ClicksOutsideAWindowRegionReachTheWindowBeneath) {
  CWnd below, shaped;
  below.CreateEx(0, "", "below", WS_POPUP | WS_VISIBLE, CRect(100, 100, 600, 500), nullptr, 0);
  shaped.CreateEx(0, "", "shaped", WS_POPUP | WS_VISIBLE, CRect(100, 100, 571, 391), nullptr, 0);
  shaped.SetWindowRgn(CreateRoundRectRgn(0, 0, 471, 291, 31, 31), TRUE);
  EXPECT_EQ(::WindowFromPoint(POINT{101, 101}), below.m_hWnd);
  EXPECT_EQ(::WindowFromPoint(POINT{110, 110}), shaped.m_hWnd);
  EXPECT_EQ(::FindWindow(nullptr, "shaped"), shaped.m_hWnd);
  EXPECT_EQ(::FindWindow(nullptr, "gone"), nullptr);
}

TEST_F(LayerTest, MessageBoxesAreAnsweredByTheHookAlsoFromOtherThreads) {
  std::vector<bool> onUiThread;
  SetMessageBoxHook([&](const MessageBoxRequest& r) {
    onUiThread.push_back(MessageSystem::Instance().IsUiThread());
    return (r.type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
  });
  EXPECT_EQ(AfxMessageBox("plain"), IDOK);
  EXPECT_EQ(::MessageBox(nullptr, "question", "Confirm", MB_YESNO), IDNO);
  ASSERT_EQ(ShownMessageBoxes().size(), 2u);
  EXPECT_EQ(ShownMessageBoxes()[0].caption, AfxGetAppName());
  EXPECT_EQ(ShownMessageBoxes()[1].caption, "Confirm");
  // Without a hook and a toolkit, a box from a worker goes to the UI thread and, with
  // nothing to show it, ends without a button: a question is not answered OK for the user.
  SetMessageBoxHook(nullptr);
  CStepWnd steps;
  int answer = 0;
  std::thread worker;
  steps.Later([&] {
    worker = std::thread([&] {
      answer = ::MessageBox(nullptr, "Would you answer the call?\nFrom:caller", nullptr, MB_OKCANCEL);
      PostQuitMessage(0);
    });
  });
  MessageSystem::Instance().RunLoop([] { return false; });
  worker.join();
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_EQ(ShownMessageBoxes().back().caption, "Error");
}

TEST_F(LayerTest, ABoxEndedWithoutAButtonAnswersCancelToAQuestion) {
  EXPECT_EQ(UnansweredMessageBoxAnswer(MB_OK), IDOK);
  EXPECT_EQ(UnansweredMessageBoxAnswer(MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(UnansweredMessageBoxAnswer(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
  EXPECT_EQ(UnansweredMessageBoxAnswer(MB_YESNO), IDNO);
  EXPECT_EQ(UnansweredMessageBoxAnswer(MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(UnansweredMessageBoxAnswer(MB_RETRYCANCEL), IDCANCEL);
  // The UI thread's loop has ended: a worker's question cannot be shown.
  CStepWnd steps;
  steps.Later([] { PostQuitMessage(0); });
  MessageSystem::Instance().RunLoop([] { return false; });
  int answer = 0;
  std::thread([&] { answer = ::MessageBox(nullptr, "Would you answer the call?\nFrom:caller", nullptr, MB_OKCANCEL); })
      .join();
  EXPECT_EQ(answer, IDCANCEL);
}

// A withdrawn question answers its asker at once, even while the UI thread is held up
// (here waiting for that very asker), and a question withdrawn before it was shown is
// never shown.
TEST_F(LayerTest, AWithdrawnQuestionAnswersItsAskerWithoutTheUiThread) {
  MessageBoxWithdrawal question;
  int answer = 0;
  std::thread asker, withdrawer;
  CStepWnd steps;
  steps.Later([&] {
    asker = std::thread([&] { answer = AfxMessageBox("Would you answer the call?\nFrom:caller", MB_OKCANCEL, question); });
    withdrawer = std::thread([&] {
      // Once the question is handed over (recorded), it is taken back.
      while (ShownMessageBoxes().empty()) std::this_thread::yield();
      question.Withdraw();
    });
    asker.join();  // the UI thread waits for the asker, as a call's clearing may
    withdrawer.join();
    PostQuitMessage(0);
  });
  MessageSystem::Instance().RunLoop([] { return false; });
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_TRUE(question.IsWithdrawn());

  MessageBoxWithdrawal early;
  early.Withdraw();
  EXPECT_EQ(AfxMessageBox("asked too late", MB_OKCANCEL, early), IDCANCEL);
}

TEST_F(LayerTest, ALaterBoxFromAWorkerDoesNotWaitForTheUiThread) {
  // The UI thread is busy joining the worker: an ordinary box would wait for it for ever.
  std::thread worker([] { AfxMessageBoxLater("Cannot Add Buffer !"); });
  worker.join();
  EXPECT_TRUE(ShownMessageBoxes().empty());
  CStepWnd steps;
  steps.Later([] { PostQuitMessage(0); });
  MessageSystem::Instance().RunLoop([] { return false; });
  ASSERT_EQ(ShownMessageBoxes().size(), 1u);
  EXPECT_EQ(ShownMessageBoxes()[0].text, "Cannot Add Buffer !");
  EXPECT_EQ(ShownMessageBoxes()[0].caption, AfxGetAppName());
}

namespace {
// A wizard page that asks for its buttons the way the audio wizard's pages do.
class CStepPage : public CPropertyPage {
 public:
  CStepPage(UINT id, LPARAM buttons, std::vector<UINT>* log) : CPropertyPage(id), m_buttons(buttons), m_log(log) {}
  BOOL OnSetActive() override {
    m_log->push_back(m_nIDTemplate);
    GetParent()->PostMessage(PSM_SETWIZBUTTONS, 0, m_buttons);
    return CPropertyPage::OnSetActive();
  }
  BOOL OnWizardFinish() override {
    m_log->push_back(0);
    return TRUE;
  }

 private:
  LPARAM m_buttons;
  std::vector<UINT>* m_log;
};
}  // namespace

TEST_F(LayerTest, WizardWalksItsPagesAndFinishes) {
  std::vector<UINT> log;
  CStepPage p1(207, PSWIZB_NEXT, &log), p2(208, PSWIZB_BACK | PSWIZB_NEXT, &log), p3(210, PSWIZB_BACK | PSWIZB_FINISH, &log);
  CPropertySheet sheet("Voice Setting", nullptr, 0);
  sheet.AddPage(&p1);
  sheet.AddPage(&p2);
  sheet.AddPage(&p3);
  sheet.m_psh.dwFlags |= PSH_WIZARD;
  CStepWnd steps;
  auto press = [&](int id) { SimulateClick(::GetDlgItem(sheet.m_hWnd, id)); };
  // Each step posts the next, so the buttons the page asked for are in place by then.
  std::function<void(int)> step = [&](int n) {
    switch (n) {
      case 0:
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(sheet.m_hWnd, ID_WIZBACK)));
        press(ID_WIZNEXT);
        break;
      case 1:
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(sheet.m_hWnd, ID_WIZBACK)));
        press(ID_WIZBACK);
        break;
      case 2:
      case 3:
        press(ID_WIZNEXT);
        break;
      default:
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(sheet.m_hWnd, ID_WIZNEXT)));
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(sheet.m_hWnd, ID_WIZFINISH)));
        press(ID_WIZFINISH);
        return;
    }
    steps.Later([&, n] { step(n + 1); });
  };
  steps.Later([&] { step(0); });
  EXPECT_EQ(sheet.DoModal(), ID_WIZFINISH);
  EXPECT_EQ(log, (std::vector<UINT>{207, 208, 207, 208, 210, 0}));
  EXPECT_EQ(p1.m_hWnd, nullptr);
}
