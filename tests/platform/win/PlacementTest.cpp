#include "platform/win/Placement.h"

#include <gtest/gtest.h>

namespace {

using varlo::win::BesideOwner;
using varlo::win::KeptOnScreen;

const CSize kScreen(1280, 1024);

struct PlaceCase {
  const char* what;
  CRect window, owner, placed;
};

class BesideOwnerTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(BesideOwnerTest, OpensWhereItCoversNothingOfItsOwner) {
  const PlaceCase& c = GetParam();
  EXPECT_EQ(BesideOwner(c.window, c.owner, kScreen), c.placed) << c.what;
}

// A book of 473 x 293 opened at its owner's top left (a telephone of 471 x 325).
INSTANTIATE_TEST_SUITE_P(
    Cases, BesideOwnerTest,
    ::testing::Values(PlaceCase{"right of the owner", CRect(100, 50, 573, 343), CRect(100, 50, 571, 375),
                                CRect(579, 50, 1052, 343)},
                      PlaceCase{"left, when the right has no room", CRect(800, 50, 1273, 343),
                                CRect(800, 50, 1271, 375), CRect(319, 50, 792, 343)},
                      PlaceCase{"below, when neither side has room", CRect(400, 0, 873, 293),
                                CRect(400, 0, 1050, 325), CRect(400, 333, 873, 626)},
                      PlaceCase{"above, when only that has room", CRect(400, 600, 873, 893),
                                CRect(400, 600, 1050, 925), CRect(400, 299, 873, 592)},
                      PlaceCase{"where it was, when nothing has room", CRect(0, 0, 1000, 900), CRect(100, 100, 1200, 1000),
                                CRect(0, 0, 1000, 900)},
                      PlaceCase{"where it was, when it covers nothing", CRect(600, 50, 900, 343),
                                CRect(100, 50, 571, 375), CRect(600, 50, 900, 343)},
                      PlaceCase{"on the screen along the side", CRect(100, 900, 573, 1193), CRect(100, 800, 571, 1020),
                                CRect(579, 731, 1052, 1024)}));

TEST(KeptOnScreen, MovesAWindowOntoTheScreenAsFarAsItFits) {
  EXPECT_EQ(KeptOnScreen(CRect(-33, 92, 507, 201), kScreen), CRect(0, 92, 540, 201));
  EXPECT_EQ(KeptOnScreen(CRect(1000, 900, 1300, 1100), kScreen), CRect(980, 824, 1280, 1024));
  EXPECT_EQ(KeptOnScreen(CRect(10, 10, 200, 200), kScreen), CRect(10, 10, 200, 200));
  EXPECT_EQ(KeptOnScreen(CRect(-100, -50, 1400, 1100), kScreen), CRect(0, 0, 1500, 1150));  // too large: top left
}

}  // namespace
