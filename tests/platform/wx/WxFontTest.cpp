// The layer's fonts of a pixel height are the toolkit's own: the size the toolkit's
// pixel-size search picks, and its measure of the font's height.
#include <gtest/gtest.h>

#include <wx/wx.h>

#include "platform/win/GdiData.h"
#include "platform/wx/WxDraw.h"
#include "tests/support/WxTestToolkit.h"

namespace {

TEST(WxFont, APixelHeightGivesTheToolkitsSizeAndHeight) {
  if (!StartTestToolkit("platform_wx_tests")) GTEST_SKIP() << "no X display";
  struct Case {
    int pixels;
    int weight;
    bool italic;
  };
  std::vector<Case> cases;
  for (int pixels = 6; pixels <= 40; ++pixels) cases.push_back({pixels, 400, false});
  cases.push_back({11, 700, false});
  cases.push_back({15, 400, true});
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.pixels << " pixels, weight " << c.weight << (c.italic ? " italic" : ""));
    varlo::win::FontData data;
    data.height = -c.pixels;
    data.weight = c.weight;
    data.italic = c.italic;
    wxFont toolkit(wxFontInfo(wxSize(0, c.pixels)).Family(wxFONTFAMILY_SWISS));
    if (c.weight >= 600) toolkit.SetWeight(wxFONTWEIGHT_BOLD);
    if (c.italic) toolkit.SetStyle(wxFONTSTYLE_ITALIC);
    const wxFont ours = varlo::wx::ToFont(&data);
    EXPECT_EQ(ours.GetPointSize(), toolkit.GetPointSize());
    EXPECT_EQ(ours.GetWeight(), toolkit.GetWeight());
    EXPECT_EQ(ours.GetStyle(), toolkit.GetStyle());
    EXPECT_EQ(varlo::wx::FontCharHeight(&data), toolkit.GetPixelSize().y);
  }
}

}  // namespace
