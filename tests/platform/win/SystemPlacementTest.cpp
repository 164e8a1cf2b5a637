// Where the window system shows a top-level window: the echoes of the layer's own requests
// told apart from the places the window system chose itself, and such a place taken into
// the window without being asked of the window system again.
#include <memory>
#include <optional>
#include <vector>

#include "Fixture.h"
#include "platform/win/Backend.h"
#include "platform/win/PlacementRequests.h"
#include "platform/win/WindowState.h"

using varlo::win::PlacementRequests;

namespace {

// The layer asks for a place, or the window system reports one; a report says whether the
// layer takes it.
struct Step {
  enum Kind { kAsk, kReport } kind;
  CPoint at;
  bool taken = false;
};
Step Ask(int x, int y) { return {Step::kAsk, CPoint(x, y)}; }
Step Echo(int x, int y) { return {Step::kReport, CPoint(x, y), false}; }
Step Own(int x, int y) { return {Step::kReport, CPoint(x, y), true}; }

struct Case {
  const char* what;
  std::vector<Step> steps;
};

TEST(PlacementRequests, EchoesOfRequestsAreLeftAndTheWindowSystemsOwnPlacesTaken) {
  std::vector<Step> hidden;  // a window moved many times while the window system shows it nowhere
  for (int i = 0; i < 300; ++i) hidden.push_back(Ask(i, 0));
  hidden.push_back(Echo(299, 0));
  const Case cases[] = {
      {"requests reported in turn", {Ask(10, 10), Ask(20, 10), Ask(30, 10), Echo(10, 10), Echo(20, 10), Echo(30, 10)}},
      // A panel sliding out: the requests come faster than the window system shows them.
      {"a slide reported late and now and then",
       {Ask(0, 0), Echo(0, 0), Ask(7, 0), Ask(14, 0), Ask(21, 0), Echo(0, 0), Echo(14, 0), Echo(21, 0), Echo(21, 0)}},
      {"the place before a request that has not arrived",
       {Ask(5, 5), Echo(5, 5), Ask(50, 50), Echo(5, 5), Echo(50, 50)}},
      {"a window manager's frame around the window",
       {Ask(30, 35), Own(31, 55), Echo(31, 55), Ask(40, 40), Echo(31, 55), Echo(40, 40)}},
      {"the user's drag of the frame", {Ask(0, 0), Echo(0, 0), Own(40, 30), Own(150, 100), Echo(150, 100)}},
      {"a request after the user's drag", {Ask(0, 0), Own(150, 100), Ask(10, 10), Echo(150, 100), Echo(10, 10)}},
      {"the user's drag back to where the window was", {Ask(0, 0), Echo(0, 0), Own(40, 30), Own(0, 0)}},
      {"requests the window system never answered", hidden},
  };
  for (const Case& c : cases) {
    PlacementRequests requests;
    int index = 0;
    for (const Step& s : c.steps) {
      ++index;
      if (s.kind == Step::kAsk) {
        requests.Asked(s.at);
        continue;
      }
      const std::optional<CPoint> taken = requests.Reported(s.at);
      EXPECT_EQ(taken.has_value(), s.taken) << c.what << ", step " << index;
      if (taken) {
        EXPECT_EQ(*taken, s.at) << c.what << ", step " << index;
      }
    }
  }
}

// A backend whose peers count what they are told.
class CountingPeer final : public varlo::win::IWindowPeer {
 public:
  explicit CountingPeer(int& rectChanges) : m_rectChanges(rectChanges) {}
  void Sync(varlo::win::WindowState&, unsigned changes) override {
    if (changes & varlo::win::kChangeRect) ++m_rectChanges;
  }
  void Invalidate(const RECT*) override {}

 private:
  int& m_rectChanges;
};

class CountingBackend final : public varlo::win::IWindowBackend {
 public:
  int rectChanges = 0;
  std::unique_ptr<varlo::win::IWindowPeer> CreatePeer(varlo::win::WindowState&) override {
    return std::make_unique<CountingPeer>(rectChanges);
  }
  CSize ScreenSize() const override { return CSize(1280, 1024); }
  CPoint CursorPos() const override { return CPoint(0, 0); }
  void SetCursor(HCURSOR) override {}
  UINT TrackPopupMenu(const varlo::win::MenuData&, CPoint, HWND) override { return 0; }
  void RunMoveLoop(HWND) override {}
};

class CMoveRecorder : public CWnd {
 public:
  std::vector<CPoint> moves;
  int sizes = 0;

 protected:
  LRESULT OnMoveMessage(WPARAM, LPARAM l) {
    moves.emplace_back(GET_X_LPARAM(l), GET_Y_LPARAM(l));
    return 0;
  }
  LRESULT OnSizeMessage(WPARAM, LPARAM) {
    ++sizes;
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMoveRecorder, CWnd)
  ON_MESSAGE(WM_MOVE, &CMoveRecorder::OnMoveMessage)
  ON_MESSAGE(WM_SIZE, &CMoveRecorder::OnSizeMessage)
END_MESSAGE_MAP()

class Placement : public LayerTest {
 protected:
  void SetUp() override {
    LayerTest::SetUp();
    Sys().Reset(clock, nullptr, &backend);
  }
  CountingBackend backend;
};

TEST_F(Placement, APlaceOfTheWindowSystemsOwnMovesTheWindowAndItsChildrenWithoutAskingAgain) {
  CMoveRecorder top;
  ASSERT_TRUE(top.CreateEx(0, "", "phone", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 100), nullptr, 0));
  CWnd child;
  ASSERT_TRUE(child.CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE, CRect(10, 25, 30, 35), &top, 1));
  backend.rectChanges = 0;

  varlo::win::TakeSystemPlacement(top.m_hWnd, CRect(150, 100, 350, 200));
  EXPECT_EQ(top.moves, std::vector<CPoint>{CPoint(150, 100)});
  EXPECT_EQ(top.sizes, 0);
  EXPECT_EQ(backend.rectChanges, 0);  // no echo back to the window system
  CRect r;
  top.GetWindowRect(&r);
  EXPECT_EQ(r, CRect(150, 100, 350, 200));
  child.GetWindowRect(&r);
  EXPECT_EQ(r, CRect(160, 125, 180, 135));
  CPoint p(160, 125);
  top.ScreenToClient(&p);
  EXPECT_EQ(p, CPoint(10, 25));

  // The same place again, or a child's, changes nothing; a move asked by the program is
  // passed to the window system as before.
  varlo::win::TakeSystemPlacement(top.m_hWnd, CRect(150, 100, 350, 200));
  varlo::win::TakeSystemPlacement(child.m_hWnd, CRect(0, 0, 20, 10));
  EXPECT_EQ(top.moves.size(), 1u);
  child.GetWindowRect(&r);
  EXPECT_EQ(r, CRect(160, 125, 180, 135));
  top.MoveWindow(20, 30, 200, 100, TRUE);
  EXPECT_EQ(backend.rectChanges, 1);
  EXPECT_EQ(top.moves.back(), CPoint(20, 30));
}

}  // namespace
