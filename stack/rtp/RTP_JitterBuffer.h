// Orders received RTP packets and releases them at their playout position.
//
// The reader plays audio at the sound device's pace and asks, before each step, what
// comes at its playout position: a packet, or some samples of silence (a gap, or the
// wait before the first packet).  It then reports how far it got (Advance).  The
// playout position trails the newest packet received by a target delay that starts at
// the minimum, grows when packets arrive too late, and is never allowed beyond the
// maximum: when more than the maximum is buffered, the oldest packets are dropped.
//
// Duplicates, packets older than what was played, and late packets are discarded and
// counted.  A new sync source or a jump of the sequence numbers restarts the buffer: what
// is still buffered of the old stream is dropped and the new one starts afresh.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

#include "stack/rtp/RTP_DataFrame.h"

class RTP_JitterBuffer {
 public:
  struct Statistics {
    unsigned packetsReceived = 0;
    unsigned packetsPlayed = 0;
    unsigned duplicates = 0;
    unsigned late = 0;       // arrived after their playout position had passed
    unsigned overflow = 0;   // dropped to keep the delay within the maximum
    unsigned restarts = 0;
  };

  // Delays in milliseconds; `clockRate` is the RTP timestamp rate.
  RTP_JitterBuffer(unsigned minDelayMs, unsigned maxDelayMs, unsigned clockRate = 8000);

  void SetDelay(unsigned minDelayMs, unsigned maxDelayMs);
  // Forgets every packet and the playout position; the next packet starts afresh.
  void Reset();

  // Receiving side.
  void Insert(const RTP_DataFrame& frame);

  // Playing side.  Returns true and the packet that starts at (or before) the playout
  // position; otherwise false and the samples of silence to play (1 to `slotSamples`).
  bool Next(unsigned slotSamples, RTP_DataFrame& frame, unsigned& silenceSamples);
  // Moves the playout position on by what was played.
  void Advance(unsigned samples);

  Statistics GetStatistics() const;
  // Samples buffered ahead of the playout position (newest packet start minus position).
  unsigned GetBufferedSamples() const;
  unsigned GetTargetDelaySamples() const;

 private:
  struct Packet {
    int64_t seq;  // extended sequence number
    int64_t ts;   // extended timestamp
    RTP_DataFrame frame;
  };

  void RestartLocked();
  int64_t ExtendSeq(uint16_t seq) const;
  int64_t ExtendTs(uint32_t ts) const;
  void EnforceMaximumLocked();

  mutable std::mutex m_mutex;
  unsigned m_clockRate;
  int64_t m_minDelay = 0;  // samples
  int64_t m_maxDelay = 0;  // samples
  int64_t m_target = 0;  // samples

  std::deque<Packet> m_packets;  // ordered by extended sequence number
  bool m_started = false;        // a packet has set the playout position
  uint32_t m_ssrc = 0;
  int64_t m_highestSeq = 0;
  int64_t m_highestTs = 0;
  int64_t m_position = 0;        // playout position, extended timestamp units
  bool m_played = false;
  int64_t m_lastPlayedSeq = 0;
  unsigned m_stepsSinceLate = 0;
  Statistics m_stats;
};
