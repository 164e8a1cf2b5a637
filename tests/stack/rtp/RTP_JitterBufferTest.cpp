#include "stack/rtp/RTP_JitterBuffer.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace {

constexpr unsigned kSlot = 160;          // one 20 ms frame
constexpr unsigned kPacket = 4 * kSlot;  // four frames per packet

RTP_DataFrame Packet(uint16_t seq, uint32_t ts, uint32_t ssrc = 1, bool marker = false) {
  RTP_DataFrame f(4);
  f.SetSequenceNumber(seq);
  f.SetTimestamp(ts);
  f.SetSyncSource(ssrc);
  f.SetMarker(marker);
  f.GetPayloadPtr()[0] = static_cast<uint8_t>(seq);
  return f;
}

// Plays the buffer like the receiving media thread does: a packet is four frames long
// and the thread comes back for more when it has played them; silence is played in the
// lengths the buffer asks for.  Time runs in samples; `arrivals` maps a frame-time step
// to the packets arriving then (taken in when the thread next looks).
struct Playout {
  std::vector<uint16_t> played;          // sequence numbers in play order
  std::map<uint16_t, unsigned> delay;    // samples from arrival to play
  unsigned maxBufferedSamples = 0;
};

Playout PlayOut(RTP_JitterBuffer& jb, const std::multimap<unsigned, RTP_DataFrame>& arrivals, unsigned steps) {
  Playout out;
  std::map<uint16_t, unsigned> arrivedAt;
  auto next = arrivals.begin();
  unsigned now = 0;
  while (now < steps * kSlot) {
    for (; next != arrivals.end() && next->first * kSlot <= now; ++next) {
      arrivedAt.emplace(next->second.GetSequenceNumber(), next->first * kSlot);
      jb.Insert(next->second);
      out.maxBufferedSamples = std::max(out.maxBufferedSamples, jb.GetBufferedSamples());
    }
    RTP_DataFrame f;
    unsigned silence = 0;
    if (jb.Next(kSlot, f, silence)) {
      out.played.push_back(f.GetSequenceNumber());
      out.delay[f.GetSequenceNumber()] = now - arrivedAt[f.GetSequenceNumber()];
      jb.Advance(kPacket);
      now += kPacket;
    } else {
      jb.Advance(silence);
      now += silence;
    }
  }
  return out;
}

// Packet n is sent at step 4n; `jitterSteps[n]` is its extra network delay.
std::multimap<unsigned, RTP_DataFrame> Stream(unsigned count, const std::vector<unsigned>& jitterSteps = {}) {
  std::multimap<unsigned, RTP_DataFrame> arrivals;
  for (unsigned n = 0; n < count; ++n) {
    const unsigned extra = n < jitterSteps.size() ? jitterSteps[n] : 0;
    arrivals.emplace(4 * n + extra, Packet(static_cast<uint16_t>(65530 + n), 1000 + n * kPacket));
  }
  return arrivals;
}

std::vector<uint16_t> Seqs(std::initializer_list<unsigned> offsets) {
  std::vector<uint16_t> s;
  for (unsigned o : offsets) s.push_back(static_cast<uint16_t>(65530 + o));
  return s;
}

TEST(RTP_JitterBuffer, InOrderAndReorderedPacketsPlayInSequenceAcrossTheWrap) {
  RTP_JitterBuffer jb(120, 200);
  auto arrivals = Stream(10, {0, 0, 0, 5, 0, 0, 0, 0, 0, 0});  // packet 3 overtaken by 4
  const Playout p = PlayOut(jb, arrivals, 60);
  EXPECT_EQ(p.played, Seqs({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(jb.GetStatistics().late, 0u);
}

TEST(RTP_JitterBuffer, DuplicatesPlayOnceAndLostPacketsLeaveSilence) {
  RTP_JitterBuffer jb(40, 200);
  auto arrivals = Stream(8);
  arrivals.emplace(9, Packet(65531, 1000 + kPacket));       // a copy of packet 1, later
  arrivals.emplace(13, Packet(65533, 1000 + 3 * kPacket));  // a copy of 3 before it is played
  for (auto it = arrivals.begin(); it != arrivals.end();)   // packet 5 is lost
    it = it->second.GetSequenceNumber() == 65535 ? arrivals.erase(it) : std::next(it);
  const Playout p = PlayOut(jb, arrivals, 60);
  EXPECT_EQ(p.played, Seqs({0, 1, 2, 3, 4, 6, 7}));
  const auto s = jb.GetStatistics();
  EXPECT_EQ(s.duplicates + s.late, 2u);
  EXPECT_EQ(s.packetsPlayed, 7u);
}

TEST(RTP_JitterBuffer, LatePacketIsDroppedAndTheDelayGrows) {
  RTP_JitterBuffer jb(20, 200);
  // Packet 4 is 12 steps (240 ms) late: by then 5 and 6 have arrived and 5 has played.
  const Playout p = PlayOut(jb, Stream(12, {0, 0, 0, 0, 12}), 80);
  EXPECT_EQ(std::count(p.played.begin(), p.played.end(), 65534), 0);
  EXPECT_EQ(jb.GetStatistics().late, 1u);
  EXPECT_EQ(p.played.size(), 11u);

  // When the stream as a whole falls behind, the buffer waits longer instead.
  RTP_JitterBuffer grow(20, 200);
  std::vector<unsigned> shift(12, 0);
  for (size_t n = 6; n < shift.size(); ++n) shift[n] = 3;  // the path gets 60 ms slower
  const unsigned before = grow.GetTargetDelaySamples();
  const Playout q = PlayOut(grow, Stream(12, shift), 80);
  EXPECT_GT(grow.GetTargetDelaySamples(), before);
  EXPECT_EQ(q.played.size(), 12u);
}

TEST(RTP_JitterBuffer, DelayNeverExceedsTheMaximum) {
  for (unsigned maxMs : {50u, 100u, 200u}) {
    RTP_JitterBuffer jb(20, maxMs);
    std::mt19937 random(maxMs);
    std::vector<unsigned> jitter(200);
    for (auto& j : jitter) j = random() % 20;  // up to 400 ms of network jitter
    const Playout p = PlayOut(jb, Stream(200, jitter), 900);
    const unsigned maxSamples = maxMs * 8;
    EXPECT_LE(p.maxBufferedSamples, maxSamples) << maxMs;
    // Taken in at most one packet time after arrival, played at most the maximum later.
    for (const auto& [seq, samples] : p.delay)
      EXPECT_LE(samples, maxSamples + kPacket) << "packet " << seq << " with max " << maxMs;
    EXPECT_GT(p.played.size(), 20u) << maxMs;
  }
}

TEST(RTP_JitterBuffer, ANewSourceOrASequenceJumpRestartsTheStream) {
  RTP_JitterBuffer jb(40, 200);
  std::multimap<unsigned, RTP_DataFrame> arrivals = Stream(3);
  arrivals.emplace(12, Packet(100, 9000, 2));    // the peer restarted with a new source
  arrivals.emplace(16, Packet(101, 9000 + kPacket, 2));
  arrivals.emplace(24, Packet(30000, 5, 2));     // and jumped its sequence numbers
  const Playout p = PlayOut(jb, arrivals, 60);
  EXPECT_EQ(p.played, (std::vector<uint16_t>{65530, 65531, 65532, 100, 101, 30000}));
  EXPECT_EQ(jb.GetStatistics().restarts, 2u);
}

TEST(RTP_JitterBuffer, TheFirstPacketWaitsTheMinimumDelay) {
  RTP_JitterBuffer jb(60, 200);
  jb.Insert(Packet(1, 5000));
  RTP_DataFrame f;
  unsigned silence = 0;
  unsigned waited = 0;
  while (!jb.Next(kSlot, f, silence)) {
    waited += silence;
    jb.Advance(silence);
    ASSERT_LT(waited, 10000u);
  }
  EXPECT_EQ(waited, 480u);  // 60 ms at 8 kHz
  EXPECT_EQ(f.GetSequenceNumber(), 1);
}

}  // namespace
