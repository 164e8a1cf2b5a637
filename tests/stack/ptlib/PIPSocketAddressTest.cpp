#include <gtest/gtest.h>

#include "stack/ptlib/PIPSocket.h"

namespace {

using Address = PIPSocket::Address;

TEST(PIPSocketAddress, ParsesOnlyDottedQuads) {
  struct Case { const char* text; bool valid; const char* back; } cases[] = {
      {"10.1.2.3", true, "10.1.2.3"},          {"255.255.255.255", false, "255.255.255.255"},
      {"0.0.0.0", false, "0.0.0.0"},           {"256.1.1.1", false, "0.0.0.0"},
      {"10.1.2", false, "0.0.0.0"},            {"gk.example", false, "0.0.0.0"},
      {"", false, "0.0.0.0"},                  {"127.0.1.1", true, "127.0.1.1"},
  };
  for (const auto& c : cases) {
    const Address a(c.text);
    EXPECT_EQ(a.IsValid(), c.valid) << c.text;
    EXPECT_EQ(a.AsString(), c.back) << c.text;
  }
  EXPECT_FALSE(Address(static_cast<const char*>(nullptr)).IsValid());
}

TEST(PIPSocketAddress, OctetsNetworkOrderAndOrdering) {
  const Address a(192, 168, 7, 9);
  EXPECT_EQ(a[0], 192);
  EXPECT_EQ(a[3], 9);
  EXPECT_EQ(a[4], 0);
  EXPECT_EQ(a[-1], 0);
  const uint32_t n = a.GetNetworkOrder();
  EXPECT_EQ(Address::FromNetworkOrder(n), a);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(&n)[0], 192);  // first octet first in memory
  EXPECT_EQ(Address(a.AsInAddr()), a);
  EXPECT_TRUE(Address(10, 0, 0, 1) < Address(10, 0, 0, 2));
  EXPECT_TRUE(Address(9, 255, 255, 255) < Address(10, 0, 0, 0));
  EXPECT_EQ(Address("192.168.7.9"), a);
  EXPECT_TRUE(Address::GetLoopback().IsLoopback());
}

TEST(PIPSocketAddress, InterfacesIncludeLoopbackAndDefaultIsNotALoopbackAlias) {
  PIPSocket::InterfaceTable table;
  ASSERT_TRUE(PIPSocket::GetInterfaceTable(table));
  bool loopback = false;
  for (const auto& e : table) loopback |= e.loopback && e.address == Address::GetLoopback();
  EXPECT_TRUE(loopback);
  const Address def = PIPSocket::GetDefaultLocalAddress();
  EXPECT_TRUE(def.IsValid());
  bool nonLoopbackExists = false;
  for (const auto& e : table) nonLoopbackExists |= !e.loopback;
  if (nonLoopbackExists) {
    EXPECT_FALSE(def.IsLoopback());
  }
  Address resolved;
  EXPECT_TRUE(PIPSocket::GetHostAddress("127.0.0.1", resolved));
  EXPECT_EQ(resolved, Address::GetLoopback());
  EXPECT_TRUE(PIPSocket::GetHostAddress("localhost", resolved));
  EXPECT_TRUE(resolved.IsLoopback());
  EXPECT_FALSE(PIPSocket::GetHostAddress("", resolved));
  EXPECT_FALSE(PIPSocket::GetHostAddress("no-such-host.invalid", resolved));
}

}  // namespace
