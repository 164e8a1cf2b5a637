#include "stack/rtp/RTP_JitterBuffer.h"

#include <algorithm>

namespace {

// A sequence number this far from the highest one seen is a new stream, not reordering.
constexpr int64_t kRestartSequenceGap = 1000;
// Each late packet raises the target delay by this much (ms), up to the maximum.
constexpr unsigned kLateStepMs = 20;
// After this many playing steps without a late packet the target falls by one step.
constexpr unsigned kShrinkAfterSteps = 500;

}  // namespace

RTP_JitterBuffer::RTP_JitterBuffer(unsigned minDelayMs, unsigned maxDelayMs, unsigned clockRate)
    : m_clockRate(clockRate == 0 ? 8000 : clockRate) {
  SetDelay(minDelayMs, maxDelayMs);
}

void RTP_JitterBuffer::SetDelay(unsigned minDelayMs, unsigned maxDelayMs) {
  std::lock_guard lock(m_mutex);
  if (minDelayMs > maxDelayMs) minDelayMs = maxDelayMs;
  m_minDelay = static_cast<int64_t>(minDelayMs) * m_clockRate / 1000;
  m_maxDelay = static_cast<int64_t>(maxDelayMs) * m_clockRate / 1000;
  m_target = std::clamp(m_target, m_minDelay, m_maxDelay);
  if (!m_started) m_target = m_minDelay;
  EnforceMaximumLocked();
}

void RTP_JitterBuffer::Reset() {
  std::lock_guard lock(m_mutex);
  RestartLocked();
  m_target = m_minDelay;
}

void RTP_JitterBuffer::RestartLocked() {
  m_packets.clear();
  m_started = false;
  m_played = false;
  m_stepsSinceLate = 0;
}

int64_t RTP_JitterBuffer::ExtendSeq(uint16_t seq) const {
  return m_highestSeq + static_cast<int16_t>(static_cast<uint16_t>(seq - static_cast<uint16_t>(m_highestSeq)));
}

int64_t RTP_JitterBuffer::ExtendTs(uint32_t ts) const {
  return m_highestTs + static_cast<int32_t>(ts - static_cast<uint32_t>(m_highestTs));
}

void RTP_JitterBuffer::Insert(const RTP_DataFrame& frame) {
  std::lock_guard lock(m_mutex);
  ++m_stats.packetsReceived;
  if (m_started) {
    const int64_t seqJump = ExtendSeq(frame.GetSequenceNumber()) - m_highestSeq;
    if (frame.GetSyncSource() != m_ssrc || std::abs(seqJump) > kRestartSequenceGap) {
      ++m_stats.restarts;
      RestartLocked();
    }
  }
  if (!m_started) {
    m_started = true;
    m_ssrc = frame.GetSyncSource();
    m_highestSeq = frame.GetSequenceNumber();
    m_highestTs = frame.GetTimestamp();
    m_position = m_highestTs - m_target;
    m_packets.push_back({m_highestSeq, m_highestTs, frame});
    return;
  }
  const int64_t seq = ExtendSeq(frame.GetSequenceNumber());
  const int64_t ts = ExtendTs(frame.GetTimestamp());
  if (m_played && seq <= m_lastPlayedSeq) {
    ++m_stats.late;  // played already, or its turn has passed
    return;
  }
  auto it = std::lower_bound(m_packets.begin(), m_packets.end(), seq,
                             [](const Packet& p, int64_t s) { return p.seq < s; });
  if (it != m_packets.end() && it->seq == seq) {
    ++m_stats.duplicates;
    return;
  }
  if (frame.GetMarker() && m_packets.empty()) {
    // A talk burst begins after silence: start it with the target delay.
    m_position = ts - m_target;
  } else if (ts < m_position) {
    if (!m_packets.empty()) {
      ++m_stats.late;
      return;
    }
    // The buffer ran dry and the stream is now behind: wait longer from here on.
    ++m_stats.late;
    m_stepsSinceLate = 0;
    m_target = std::min(m_maxDelay, m_target + static_cast<int64_t>(kLateStepMs) * m_clockRate / 1000);
    m_position = ts - m_target;
  }
  m_packets.insert(it, {seq, ts, frame});
  if (seq > m_highestSeq) m_highestSeq = seq;
  if (ts > m_highestTs) m_highestTs = ts;
  EnforceMaximumLocked();
}

void RTP_JitterBuffer::EnforceMaximumLocked() {
  if (!m_started || m_packets.empty()) return;
  int64_t newest = m_packets.front().ts;
  for (const auto& p : m_packets) newest = std::max(newest, p.ts);
  if (newest - m_position <= m_maxDelay) return;
  m_position = newest - m_maxDelay;
  while (!m_packets.empty() && m_packets.front().ts < m_position) {
    ++m_stats.overflow;
    m_lastPlayedSeq = m_packets.front().seq;
    m_played = true;
    m_packets.pop_front();
  }
}

bool RTP_JitterBuffer::Next(unsigned slotSamples, RTP_DataFrame& frame, unsigned& silenceSamples) {
  std::lock_guard lock(m_mutex);
  silenceSamples = std::max(1u, slotSamples);
  if (!m_started || m_packets.empty()) return false;
  Packet& front = m_packets.front();
  if (front.ts > m_position) {
    silenceSamples = static_cast<unsigned>(std::min<int64_t>(front.ts - m_position, silenceSamples));
    return false;
  }
  frame = std::move(front.frame);
  m_position = front.ts;
  m_lastPlayedSeq = front.seq;
  m_played = true;
  m_packets.pop_front();
  ++m_stats.packetsPlayed;
  return true;
}

void RTP_JitterBuffer::Advance(unsigned samples) {
  std::lock_guard lock(m_mutex);
  if (!m_started) return;
  m_position += samples;
  if (++m_stepsSinceLate >= kShrinkAfterSteps) {
    m_stepsSinceLate = 0;
    m_target = std::max(m_minDelay, m_target - static_cast<int64_t>(kLateStepMs) * m_clockRate / 1000);
  }
}

RTP_JitterBuffer::Statistics RTP_JitterBuffer::GetStatistics() const {
  std::lock_guard lock(m_mutex);
  return m_stats;
}

unsigned RTP_JitterBuffer::GetBufferedSamples() const {
  std::lock_guard lock(m_mutex);
  if (!m_started || m_packets.empty()) return 0;
  int64_t newest = m_packets.front().ts;
  for (const auto& p : m_packets) newest = std::max(newest, p.ts);
  return static_cast<unsigned>(std::max<int64_t>(0, newest - m_position));
}

unsigned RTP_JitterBuffer::GetTargetDelaySamples() const {
  std::lock_guard lock(m_mutex);
  return static_cast<unsigned>(m_target);
}
