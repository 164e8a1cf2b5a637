#include "stack/q931/TcpAddress.h"

#include <gtest/gtest.h>

namespace {

TEST(TcpAddress, ParsesDottedQuadWithOptionalPort) {
  struct Case {
    const char* text;
    std::optional<TcpAddress> expected;
  };
  const Case cases[] = {
      {"127.0.0.1", TcpAddress{0x7F000001, 1720}},
      {"10.1.2.3:1721", TcpAddress{0x0A010203, 1721}},
      {"255.255.255.255:65535", TcpAddress{0xFFFFFFFF, 65535}},
      {"0.0.0.0:0", TcpAddress{0, 0}},
      {"", std::nullopt},
      {"1.2.3", std::nullopt},
      {"1.2.3.4.5", std::nullopt},
      {"256.1.1.1", std::nullopt},
      {"1.2.3.4:", std::nullopt},
      {"1.2.3.4:65536", std::nullopt},
      {"1.2.3.4:17:20", std::nullopt},
      {"1.2..4", std::nullopt},
      {"-1.2.3.4", std::nullopt},
      {"host.example:1720", std::nullopt},
      {":1720", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TcpAddress::Parse(c.text, 1720), c.expected) << c.text;
  }
}

TEST(TcpAddress, PrintsWhatItParses) {
  for (const char* text : {"127.0.0.1:1720", "192.168.100.200:5", "0.0.0.0:0"}) {
    const auto address = TcpAddress::Parse(text, 0);
    ASSERT_TRUE(address) << text;
    EXPECT_EQ(address->ToString(), text);
  }
}

TEST(TcpAddress, ConvertsToAndFromTheClassLibraryAddress) {
  const PIPSocket::Address address(192, 168, 1, 20);
  const TcpAddress tcp = ToTcpAddress(address, 1721);
  EXPECT_EQ(tcp, (TcpAddress{0xC0A80114, 1721}));
  EXPECT_EQ(ToPIPSocketAddress(tcp), address);
  EXPECT_EQ(ToTcpAddress(PIPSocket::Address::GetAny(), 0).ip, TcpAddress::kAny);
}

}  // namespace
