// A list view's toolkit control after each kind of change (rows added, rewritten, removed
// at either end and in the middle, selection moved, the list emptied and filled again):
// once the loop has turned it shows exactly the layer's rows, cells and selection.
#include <gtest/gtest.h>

#include <wx/listctrl.h>
#include <wx/wx.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/Dialog.h"
#include "platform/win/ListCtrl.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/wx/WxBackend.h"
#include "tests/support/WxTestToolkit.h"

namespace {

class WxListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StartTestToolkit("platform_wx_tests")) GTEST_SKIP() << "no X display";
    varlo::wx::InstallBackend();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  void TearDown() override {
    if (varlo::wx::BackendInstalled()) varlo::win::MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
  }
};

// What the layer holds and what the toolkit shows, row by row: "cell|cell|..." and a '+'
// in front of a selected row.
std::vector<std::string> LayerRows(CListCtrl& list) {
  std::vector<std::string> rows;
  for (int r = 0; r < list.GetItemCount(); ++r) {
    std::string row = list.GetItemState(r, LVIS_SELECTED_STATE) ? "+" : "";
    for (int c = 0; c < list.GetColumnCount(); ++c) row += (c ? "|" : "") + list.GetItemText(r, c).Str();
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> ShownRows(wxListCtrl& list) {
  std::vector<std::string> rows;
  for (long r = 0; r < list.GetItemCount(); ++r) {
    std::string row = list.GetItemState(r, wxLIST_STATE_SELECTED) ? "+" : "";
    for (int c = 0; c < list.GetColumnCount(); ++c) row += (c ? "|" : "") + std::string(list.GetItemText(r, c).utf8_str());
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

TEST_F(WxListViewTest, TheToolkitListFollowsEveryKindOfChange) {
  CDialog dlg(189);  // the contact book's template: a sorted, single-selection list view
  ASSERT_TRUE(dlg.Create(189));
  auto* list = static_cast<CListCtrl*>(dlg.GetDlgItem(1002));
  ASSERT_TRUE(list);
  auto* shown = dynamic_cast<wxListCtrl*>(varlo::wx::NativeWidgetOf(list->m_hWnd));
  ASSERT_TRUE(shown);
  auto add = [&](const char* name) {
    const int row = list->InsertItem(list->GetItemCount(), name);
    list->SetItemText(row, 1, (std::string(name) + "@x").c_str());
  };
  auto select = [&](int row) { list->SetItemState(row, LVIS_SELECTED_STATE, LVIS_SELECTED_STATE); };
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"columns", [&] {
         list->InsertColumn(0, "Name", LVCFMT_CENTER, 70);
         list->InsertColumn(1, "Email", LVCFMT_CENTER, 130);
       }},
      {"filled", [&] {
         for (const char* name : {"mary", "bob", "zoe", "alice", "kim", "ted"}) add(name);
       }},
      {"a middle row rewritten", [&] { list->SetItemText(2, 1, "new@x"); }},
      {"rows rewritten apart", [&] {
         list->SetItemText(0, 0, "aaron");
         list->SetItemText(5, 1, "");
       }},
      {"first row removed", [&] { list->DeleteItem(0); }},
      {"last row removed", [&] { list->DeleteItem(list->GetItemCount() - 1); }},
      {"a middle row removed", [&] { list->DeleteItem(1); }},
      {"rows inserted in the middle", [&] {
         add("lee");
         add("lou");
       }},
      {"selected", [&] { select(1); }},
      {"selection moved", [&] { select(3); }},
      {"a column widened", [&] { list->SetColumnWidth(1, 200); }},
      {"a row removed and one added", [&] {
         list->DeleteItem(2);
         add("abe");
       }},
      {"emptied", [&] { list->DeleteAllItems(); }},
      {"filled again", [&] {
         for (const char* name : {"one", "two", "three"}) add(name);
         select(0);
       }},
  };
  for (const auto& [what, change] : steps) {
    change();
    varlo::win::MessageSystem::Instance().Pump();
    EXPECT_EQ(ShownRows(*shown), LayerRows(*list)) << what;
    EXPECT_EQ(shown->GetColumnCount(), list->GetColumnCount()) << what;
  }
  EXPECT_EQ(shown->GetColumnWidth(1), 200);
}
