#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "stack/ptlib/PTCPSocket.h"
#include "stack/ptlib/PUDPSocket.h"

namespace {

using Address = PIPSocket::Address;
using namespace std::chrono_literals;

TEST(PUDPSocket, DatagramRoundTripOnEphemeralPorts) {
  PUDPSocket a, b;
  ASSERT_TRUE(a.Listen(Address::GetLoopback()));
  ASSERT_TRUE(b.Listen(Address::GetLoopback()));
  ASSERT_NE(a.GetPort(), 0);
  ASSERT_NE(a.GetPort(), b.GetPort());

  ASSERT_TRUE(a.WriteTo("hello", 5, Address::GetLoopback(), b.GetPort()));
  char buf[16] = {};
  Address from;
  uint16_t fromPort = 0;
  b.SetReadTimeout(2s);
  ASSERT_TRUE(b.ReadFrom(buf, sizeof buf, from, fromPort));
  EXPECT_EQ(b.GetLastReadCount(), 5);
  EXPECT_EQ(std::string(buf, 5), "hello");
  EXPECT_EQ(from, Address::GetLoopback());
  EXPECT_EQ(fromPort, a.GetPort());

  // Write() goes to the send address; an unset one is refused.
  PUDPSocket c;
  ASSERT_TRUE(c.Listen(Address::GetLoopback()));
  EXPECT_FALSE(c.Write("x", 1));
  c.SetSendAddress(Address::GetLoopback(), b.GetPort());
  ASSERT_TRUE(c.Write("xyz", 3));
  ASSERT_TRUE(b.Read(buf, 2));  // truncated to the buffer
  EXPECT_EQ(b.GetLastReadCount(), 2);
}

TEST(PUDPSocket, ReadTimesOutAndCloseFromAnotherThreadWakesTheReader) {
  PUDPSocket s;
  ASSERT_TRUE(s.Listen(Address::GetLoopback()));
  char buf[4];
  s.SetReadTimeout(20ms);
  EXPECT_FALSE(s.Read(buf, sizeof buf));
  EXPECT_EQ(s.GetErrorCode(), PChannel::Timeout);

  s.SetReadTimeout(PMaxTimeInterval);
  std::thread closer([&] {
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(s.Close());
  });
  EXPECT_FALSE(s.Read(buf, sizeof buf));
  closer.join();
  EXPECT_EQ(s.GetErrorCode(), PChannel::Interrupted);
  EXPECT_FALSE(s.IsOpen());
  EXPECT_FALSE(s.Read(buf, sizeof buf));
  EXPECT_EQ(s.GetErrorCode(), PChannel::NotOpen);
}

TEST(PUDPSocket, SelectTellsWhichSocketHasDataAndNoticesClose) {
  PUDPSocket a, b, sender;
  ASSERT_TRUE(a.Listen(Address::GetLoopback()));
  ASSERT_TRUE(b.Listen(Address::GetLoopback()));
  ASSERT_TRUE(sender.Listen(Address::GetLoopback()));
  EXPECT_EQ(PIPSocket::SelectReadable({&a, &b}, 10ms), PIPSocket::kSelectTimeout);
  sender.WriteTo("x", 1, Address::GetLoopback(), b.GetPort());
  EXPECT_EQ(PIPSocket::SelectReadable({&a, &b}, 2s), 1);
  std::thread closer([&] {
    std::this_thread::sleep_for(50ms);
    a.Close();
  });
  char buf[4];
  ASSERT_TRUE(b.Read(buf, sizeof buf));
  EXPECT_EQ(PIPSocket::SelectReadable({&a, &b}, PMaxTimeInterval), PIPSocket::kSelectClosed);
  closer.join();
  EXPECT_EQ(PIPSocket::SelectReadable({&a, &b}, 10ms), PIPSocket::kSelectClosed);
}

TEST(PUDPSocket, BindingAPortInUseFails) {
  PUDPSocket a, b;
  ASSERT_TRUE(a.Listen(Address::GetLoopback()));
  EXPECT_FALSE(b.Listen(Address::GetLoopback(), a.GetPort()));
  EXPECT_EQ(b.GetErrorCode(), PChannel::DeviceInUse);
  EXPECT_FALSE(b.IsOpen());
}

TEST(PTCPSocket, ConnectAcceptExchangeAndEndOfStream) {
  PTCPSocket listener;
  ASSERT_TRUE(listener.Listen(Address::GetLoopback()));
  const uint16_t port = listener.GetPort();
  ASSERT_NE(port, 0);

  PTCPSocket client;
  std::thread t([&] { EXPECT_TRUE(client.Connect(Address::GetLoopback(), port)); });
  listener.SetReadTimeout(5s);
  auto server = listener.Accept();
  t.join();
  ASSERT_NE(server, nullptr);

  Address peer;
  uint16_t peerPort = 0;
  ASSERT_TRUE(server->GetPeerAddress(peer, peerPort));
  EXPECT_EQ(peer, Address::GetLoopback());
  EXPECT_EQ(peerPort, client.GetPort());

  const char msg[] = "\x03\x00\x00\x08TPKT";
  ASSERT_TRUE(client.Write(msg, 4));
  ASSERT_TRUE(client.Write(msg + 4, 4));
  char got[8];
  server->SetReadTimeout(2s);
  ASSERT_TRUE(server->ReadBlock(got, 8));
  EXPECT_EQ(std::memcmp(got, msg, 8), 0);

  client.ShutdownWrite();
  EXPECT_FALSE(server->Read(got, 8));
  EXPECT_EQ(server->GetLastReadCount(), 0);
  EXPECT_EQ(server->GetErrorCode(), PChannel::NotOpen);
}

TEST(PTCPSocket, ConnectToClosedPortFailsAndAcceptTimesOut) {
  PTCPSocket listener;
  ASSERT_TRUE(listener.Listen(Address::GetLoopback()));
  const uint16_t port = listener.GetPort();
  listener.SetReadTimeout(20ms);
  PTCPSocket s;
  EXPECT_FALSE(s.Accept(listener));
  EXPECT_EQ(listener.GetErrorCode(), PChannel::Timeout);
  listener.Close();

  PTCPSocket c;
  EXPECT_FALSE(c.Connect(Address::GetLoopback(), port, 2s));
  EXPECT_FALSE(c.IsOpen());
  EXPECT_NE(c.GetErrorCode(), PChannel::NoError);
}

TEST(PTCPSocket, CloseWakesABlockedAccept) {
  PTCPSocket listener;
  ASSERT_TRUE(listener.Listen(Address::GetLoopback()));
  std::thread closer([&] {
    std::this_thread::sleep_for(50ms);
    listener.Close();
  });
  EXPECT_EQ(listener.Accept(), nullptr);
  closer.join();
  EXPECT_EQ(listener.GetErrorCode(), PChannel::Interrupted);
}

}  // namespace
