#include "engine/HostLookup.h"

#include <gtest/gtest.h>

namespace {

// Only names that resolve without a name server, so the test never waits on the network.
TEST(HostLookupTest, DottedFirstIPv4Address) {
  CString dotted("unchanged");
  EXPECT_TRUE(LookupIPv4("192.0.2.33", dotted));
  EXPECT_EQ(dotted, "192.0.2.33");
  EXPECT_TRUE(LookupIPv4("localhost", dotted));
  EXPECT_EQ(dotted, "127.0.0.1");
  dotted = "unchanged";
  EXPECT_FALSE(LookupIPv4("", dotted));
  EXPECT_FALSE(LookupIPv4(nullptr, dotted));
  EXPECT_EQ(dotted, "unchanged");
}

}  // namespace
