// The number box: what TakeNumber returns and keeps in the dial history, its colours and
// its drawn arrow.
#include "ui/CNumberComboBox.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/ControlClasses.h"
#include "platform/win/DC.h"
#include "platform/win/DrawOp.h"
#include "platform/win/GdiData.h"
#include "platform/win/MessageSystem.h"

using namespace varlo::win;

namespace {

constexpr int kBoxId = 1022;
using History = std::vector<std::string>;

// The main window's side of the colour request: its own brush.
class CMainWindow : public CWnd {
 public:
  CBrush brush{RGB(1, 2, 3)};

 protected:
  HBRUSH OnCtlColor(CDC* dc, CWnd*, UINT) {
    dc->SetBkColor(RGB(1, 2, 3));
    return brush;
  }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CMainWindow, CWnd)
  ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

History Numbered(const char* prefix, int count) {
  History h;
  for (int i = 0; i < count; ++i) h.push_back(prefix + std::to_string(1000 + i));
  return h;
}

class NumberComboBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageSystem::Instance().Reset(std::make_shared<ManualClock>(1000));
    ASSERT_TRUE(main.CreateEx(0, "", "main", WS_POPUP | WS_VISIBLE, CRect(0, 0, 471, 291), nullptr, 0));
    ASSERT_TRUE(box.Create("COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                           CRect(38, 59, 162, 68), &main, kBoxId));
  }
  void TearDown() override { MessageSystem::Instance().Reset(); }

  void Load(const History& h) {
    box.ResetContent();
    for (const auto& s : h) box.AddString(s.c_str());
  }
  History Listed() const {
    History h;
    for (int i = 0; i < box.GetCount(); ++i) {
      CString s;
      box.GetLBText(i, s);
      h.push_back(s.Str());
    }
    return h;
  }

  CMainWindow main;
  CNumberComboBox box;
};

TEST(CleanNumber, KeepsDigitsAndDotsInOrder) {
  EXPECT_EQ(CleanNumber("+86 (10) 8888-1234"), "861088881234");
  EXPECT_EQ(CleanNumber("192.168.0.7"), "192.168.0.7");
  EXPECT_EQ(CleanNumber("call me"), "");
  EXPECT_EQ(CleanNumber(nullptr), "");
}

TEST_F(NumberComboBoxTest, TakeNumberReturnsTheCleanedTextAndRecordsFitNumbers) {
  const History ten = Numbered("55", 10);
  History fifteen = Numbered("66", 15);
  History fifteenAfter = {"12345"};
  fifteenAfter.insert(fifteenAfter.end(), fifteen.begin(), fifteen.begin() + 9);
  fifteenAfter.insert(fifteenAfter.end(), fifteen.begin() + 10, fifteen.end());
  History tenAfter = {"12345"};
  tenAfter.insert(tenAfter.end(), ten.begin(), ten.begin() + 9);

  struct Case {
    const char* name;
    const char* typed;
    History before;
    const char* returned;
    History after;
  };
  const Case cases[] = {
      {"punctuation", "+1 (650) 555-0100", {"9999"}, "16505550100", {"16505550100", "9999"}},
      {"shortest kept", "1234", {}, "1234", {"1234"}},
      {"longest kept", "123456789012345", {}, "123456789012345", {"123456789012345"}},
      {"too short", "12-3", {"9999"}, "123", {"9999"}},
      {"too long", "1234567890123456", {"9999"}, "1234567890123456", {"9999"}},
      {"no digits", "hello", {"9999"}, "", {"9999"}},
      {"empty", "", {}, "", {}},
      {"duplicate moves up", "12345", {"5551234", "12345", "99999"}, "12345", {"12345", "5551234", "99999"}},
      {"prefix of an entry", "1234", {"12345"}, "1234", {"1234", "12345"}},
      {"eleventh drops the oldest", "12345", ten, "12345", tenAfter},
      {"long loaded history keeps its length", "12345", fifteen, "12345", fifteenAfter},
      {"address", "10.0.0.25", {}, "10.0.0.25", {"10.0.0.25"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Load(c.before);
    box.SetWindowText(c.typed);
    EXPECT_EQ(box.TakeNumber(), c.returned);
    EXPECT_EQ(Listed(), c.after);
    CString left;
    box.GetWindowText(left);
    EXPECT_EQ(left, "");
  }
}

TEST_F(NumberComboBoxTest, EditFieldGetsTheThinFontAndLightBlueOverTheMainWindowsBrush) {
  auto* combo = box.State()->As<ComboBoxClass>();
  ASSERT_TRUE(combo && combo->edit);
  CDC dc;
  const auto brush = reinterpret_cast<HBRUSH>(MessageSystem::Instance().CallWindow(
      box.m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.m_hDC), reinterpret_cast<LPARAM>(combo->edit)));
  EXPECT_EQ(brush, static_cast<HBRUSH>(main.brush));
  EXPECT_EQ(dc.GetTextColor(), CNumberComboBox::kTextColour);
  EXPECT_EQ(dc.GetBkColor(), RGB(1, 2, 3));
  const HGDIOBJ selected = dc.SelectObject(GetStockObject(SYSTEM_FONT));
  const auto data = GdiGetAs<FontData>(selected);
  ASSERT_TRUE(data);
  EXPECT_EQ(data->height, 14);
  EXPECT_EQ(data->weight, FW_THIN);
}

TEST_F(NumberComboBoxTest, DropArrowIsAnEightPixelTriangleTwoPixelsFromTheRight) {
  box.State()->lastPaint.clear();
  box.DrawDropArrow();
  std::set<std::pair<int, int>> drawn;
  for (const DrawOp& op : box.State()->lastPaint) {
    ASSERT_EQ(op.kind, DrawOp::Kind::kLine);
    EXPECT_EQ(op.color, CNumberComboBox::kArrowColour);
    ASSERT_EQ(op.from.y, op.to.y);
    const int step = op.to.x > op.from.x ? 1 : -1;
    for (int x = op.from.x; x != op.to.x; x += step) drawn.insert({x, op.from.y});
  }
  std::set<std::pair<int, int>> triangle;
  const int right = 124;  // the box is 124 x 9
  for (int row = 0; row < 4; ++row) {
    for (int x = right - 9 + row; x <= right - 2 - row; ++x) triangle.insert({x, 6 + row});
  }
  EXPECT_EQ(drawn, triangle);
}

}  // namespace
