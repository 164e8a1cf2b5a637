#include "stack/q931/Tpkt.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Bytes = std::vector<uint8_t>;
using Result = tpkt::Reassembler::Result;

Bytes Payload(size_t size, uint8_t seed) {
  Bytes p(size);
  for (size_t i = 0; i < size; ++i) p[i] = static_cast<uint8_t>(seed + i * 7);
  return p;
}

Bytes Frame(const Bytes& payload) {
  Bytes out;
  EXPECT_TRUE(tpkt::AppendPacket(payload, out));
  return out;
}

// Everything the reassembler yields until it needs more input.
std::vector<Bytes> Drain(tpkt::Reassembler& r) {
  std::vector<Bytes> packets;
  Bytes p;
  while (r.Next(p) == Result::kPacket) packets.push_back(p);
  return packets;
}

TEST(Tpkt, HeaderCarriesVersionAndTotalLength) {
  Bytes out;
  ASSERT_TRUE(tpkt::AppendPacket(Bytes{0xAA, 0xBB}, out));
  EXPECT_EQ(out, (Bytes{3, 0, 0x00, 0x06, 0xAA, 0xBB}));

  out.clear();
  ASSERT_TRUE(tpkt::AppendPacket(Bytes(tpkt::kMaxPayloadSize, 1), out));
  EXPECT_EQ(out[2], 0xFF);
  EXPECT_EQ(out[3], 0xFF);
  EXPECT_EQ(out.size(), 0xFFFFu);

  out.assign({9});
  EXPECT_FALSE(tpkt::AppendPacket(Bytes(tpkt::kMaxPayloadSize + 1, 1), out));
  EXPECT_EQ(out, Bytes{9}) << "a refused payload appends nothing";
}

class TpktStream : public ::testing::Test {
 protected:
  void SetUp() override {
    for (size_t size : {size_t{0}, size_t{1}, size_t{5}, size_t{300}, size_t{4000}, tpkt::kMaxPayloadSize, size_t{2}}) {
      payloads.push_back(Payload(size, static_cast<uint8_t>(size)));
      const Bytes framed = Frame(payloads.back());
      stream.insert(stream.end(), framed.begin(), framed.end());
    }
  }
  std::vector<Bytes> payloads;
  Bytes stream;
};

TEST_F(TpktStream, ByteByByteYieldsEveryPacketOnce) {
  tpkt::Reassembler r;
  std::vector<Bytes> got;
  for (uint8_t b : stream) {
    r.Push(std::span(&b, 1));
    for (auto& p : Drain(r)) got.push_back(std::move(p));
  }
  EXPECT_EQ(got, payloads);
  EXPECT_EQ(r.GetPendingSize(), 0u);
  EXPECT_FALSE(r.HasError());
}

TEST_F(TpktStream, RandomChunksYieldEveryPacketOnce) {
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> chunk(1, seed % 2 ? 7 : 9000);
    tpkt::Reassembler r;
    std::vector<Bytes> got;
    for (size_t at = 0; at < stream.size();) {
      const size_t n = std::min(chunk(rng), stream.size() - at);
      r.Push(std::span(stream).subspan(at, n));
      at += n;
      for (auto& p : Drain(r)) got.push_back(std::move(p));
    }
    ASSERT_EQ(got, payloads) << "seed " << seed;
  }
}

TEST(TpktReassembler, WaitsForTheRestOfAPacket) {
  const Bytes framed = Frame(Payload(40, 3));
  for (size_t cut = 0; cut < framed.size(); ++cut) {
    tpkt::Reassembler r;
    r.Push(std::span(framed).first(cut));
    Bytes p;
    EXPECT_EQ(r.Next(p), Result::kNeedMore) << "cut at " << cut;
    EXPECT_EQ(r.GetPendingSize(), cut);
  }
}

TEST(TpktReassembler, RefusesBadHeaders) {
  struct Case {
    const char* what;
    Bytes bytes;
    size_t maxPayload;
  };
  const Case cases[] = {
      {"version 0", {0, 0, 0, 5, 1}, tpkt::kMaxPayloadSize},
      {"version 4", {4, 0, 0, 5, 1}, tpkt::kMaxPayloadSize},
      {"text instead of TPKT", {'G', 'E', 'T', ' ', '/'}, tpkt::kMaxPayloadSize},
      {"length shorter than the header", {3, 0, 0, 3, 1, 2, 3}, tpkt::kMaxPayloadSize},
      {"length zero", {3, 0, 0, 0}, tpkt::kMaxPayloadSize},
      {"longer than the bound", {3, 0, 0x01, 0x05}, 0x100},
  };
  for (const auto& c : cases) {
    tpkt::Reassembler r(c.maxPayload);
    r.Push(c.bytes);
    Bytes p;
    EXPECT_EQ(r.Next(p), Result::kError) << c.what;
    EXPECT_FALSE(r.GetError().empty()) << c.what;
    // The stream cannot be resynchronised: a good packet after the error is refused too.
    r.Push(Frame(Bytes{1, 2}));
    EXPECT_EQ(r.Next(p), Result::kError) << c.what;
  }
}

TEST(TpktReassembler, BadVersionIsSeenOnItsFirstByte) {
  tpkt::Reassembler r;
  r.Push(Bytes{0x16});  // a TLS record
  EXPECT_TRUE(r.HasError());
}

TEST(TpktReassembler, OversizedPacketIsRefusedBeforeItsBodyArrives) {
  tpkt::Reassembler r(100);
  r.Push(Frame(Payload(100, 1)));  // exactly the bound is fine
  Bytes p;
  ASSERT_EQ(r.Next(p), Result::kPacket);
  EXPECT_EQ(p.size(), 100u);

  r.Push(Bytes{3, 0, 0, 4 + 101});
  EXPECT_TRUE(r.HasError());
  r.Push(Payload(101, 2));
  EXPECT_EQ(r.GetPendingSize(), 4u) << "bytes after the error are not kept";
}

TEST(TpktReassembler, PacketsBeforeGarbageAreDelivered) {
  Bytes stream = Frame(Bytes{7, 7, 7});
  const Bytes second = Frame(Bytes{8});
  stream.insert(stream.end(), second.begin(), second.end());
  stream.insert(stream.end(), {0xFF, 0xFF, 0xFF, 0xFF});
  tpkt::Reassembler r;
  r.Push(stream);
  Bytes p;
  ASSERT_EQ(r.Next(p), Result::kPacket);
  EXPECT_EQ(p, (Bytes{7, 7, 7}));
  ASSERT_EQ(r.Next(p), Result::kPacket);
  EXPECT_EQ(p, Bytes{8});
  EXPECT_EQ(r.Next(p), Result::kError);
}

TEST(TpktReassembler, RandomGarbageNeverYieldsMoreThanItHolds) {
  std::mt19937 rng(7);
  for (int round = 0; round < 500; ++round) {
    Bytes junk(1 + rng() % 64);
    for (auto& b : junk) b = static_cast<uint8_t>(rng());
    if (round % 2) junk[0] = tpkt::kVersion;  // get past the version check half the time
    tpkt::Reassembler r(32);
    r.Push(junk);
    Bytes p;
    size_t taken = 0;
    Result res;
    while ((res = r.Next(p)) == Result::kPacket) {
      ASSERT_LE(p.size(), 32u);
      taken += p.size() + tpkt::kHeaderSize;
    }
    EXPECT_LE(taken + r.GetPendingSize(), junk.size());
  }
}

}  // namespace
