#include "stack/rtp/RTP_Session.h"

#include <random>

namespace {

uint32_t RandomWord() {
  static std::mutex mutex;
  static std::mt19937 generator{std::random_device{}()};
  std::lock_guard lock(mutex);
  return generator();
}

// Seconds between 1900 and 1970, for NTP timestamps.
constexpr uint64_t kNtpEpochOffsetSeconds = 2208988800ull;

}  // namespace

RTP_Session::RTP_Session(unsigned sessionID, PClock& clock, unsigned clockRate)
    : m_clock(clock),
      m_sessionID(sessionID),
      m_clockRate(clockRate),
      m_cname("varlo@" + std::to_string(RandomWord() & 0xffff)),
      m_ssrcOut(RandomWord()),
      m_seqOut(static_cast<uint16_t>(RandomWord())) {}

uint32_t RTP_Session::GetSyncSourceIn() const {
  std::lock_guard lock(m_mutex);
  return m_ssrcIn;
}

RTP_Session::Statistics RTP_Session::GetStatistics() const {
  std::lock_guard lock(m_mutex);
  Statistics s = m_stats;
  s.jitter = static_cast<unsigned>(m_jitterQ4 >> 4);
  return s;
}

void RTP_Session::SetCanonicalName(const std::string& cname) {
  std::lock_guard lock(m_mutex);
  m_cname = cname;
}

uint32_t RTP_Session::InTimestampUnits(int64_t micros) const {
  return static_cast<uint32_t>(micros * m_clockRate / 1000000);
}

void RTP_Session::OnSending(RTP_DataFrame& frame) {
  std::lock_guard lock(m_mutex);
  frame.SetSequenceNumber(m_seqOut++);
  frame.SetSyncSource(m_ssrcOut);
  m_lastTimestampOut = frame.GetTimestamp();
  m_lastSendMicros = m_clock.NowMicros();
  ++m_stats.packetsSent;
  m_stats.octetsSent += frame.GetPayloadSize();
}

bool RTP_Session::OnReceived(const RTP_DataFrame& frame) { return OnReceived(frame, m_clock.NowMicros()); }

bool RTP_Session::OnReceived(const RTP_DataFrame& frame, int64_t arrivalMicros) {
  std::lock_guard lock(m_mutex);
  const uint16_t seq = frame.GetSequenceNumber();
  if (!m_haveSource || frame.GetSyncSource() != m_ssrcIn) {
    // A new stream (or the peer restarted it under a new source): count afresh.
    m_haveSource = true;
    m_ssrcIn = frame.GetSyncSource();
    m_baseSeq = m_highestSeq = seq;
    m_expectedPrior = m_receivedPrior = 0;
    m_haveTransit = false;
    m_jitterQ4 = 0;
    m_stats.packetsReceived = 0;
    m_stats.octetsReceived = 0;
    m_stats.packetsLost = 0;
  } else {
    const uint32_t extended =
        m_highestSeq + static_cast<int16_t>(static_cast<uint16_t>(seq - static_cast<uint16_t>(m_highestSeq)));
    if (static_cast<int32_t>(extended - m_highestSeq) > 0) m_highestSeq = extended;
  }
  ++m_stats.packetsReceived;
  m_stats.octetsReceived += frame.GetPayloadSize();
  const uint32_t expected = m_highestSeq - m_baseSeq + 1;
  m_stats.packetsLost = expected > m_stats.packetsReceived ? expected - m_stats.packetsReceived : 0;
  // Interarrival jitter (RFC 3550 A.8), kept in Q4.
  const int64_t transit = static_cast<int64_t>(InTimestampUnits(arrivalMicros)) - frame.GetTimestamp();
  if (m_haveTransit) {
    const int64_t d = std::abs(transit - m_lastTransit);
    m_jitterQ4 += static_cast<uint64_t>(d << 4) / 16 - m_jitterQ4 / 16;
  }
  m_lastTransit = transit;
  m_haveTransit = true;
  return true;
}

void RTP_Session::OnReceivedControl(const uint8_t* data, size_t size) {
  RTP_ControlReport report;
  if (!ParseControlPacket(data, size, report)) {
    OnMalformed();
    return;
  }
  std::lock_guard lock(m_mutex);
  ++m_stats.reportsReceived;
  if (report.isSenderReport) {
    m_lastSenderReportNtp = static_cast<uint32_t>(report.sender.ntpTimestamp >> 16);
    m_lastSenderReportAt = m_clock.NowMicros();
  }
  for (const auto& b : report.blocks)
    if (b.ssrc == m_ssrcOut) m_stats.lastReportAboutUs = b;
  if (report.bye && report.ssrc == m_ssrcIn) m_haveSource = false;
}

void RTP_Session::OnMalformed() {
  std::lock_guard lock(m_mutex);
  ++m_stats.packetsMalformed;
}

std::vector<uint8_t> RTP_Session::BuildReport(bool bye) {
  std::lock_guard lock(m_mutex);
  std::vector<RTP_ReportBlock> blocks;
  if (m_haveSource) {
    RTP_ReportBlock b;
    b.ssrc = m_ssrcIn;
    const uint32_t expected = m_highestSeq - m_baseSeq + 1;
    const uint32_t expectedInterval = expected - m_expectedPrior;
    const uint32_t receivedInterval = m_stats.packetsReceived - m_receivedPrior;
    m_expectedPrior = expected;
    m_receivedPrior = m_stats.packetsReceived;
    const int64_t lostInterval = static_cast<int64_t>(expectedInterval) - receivedInterval;
    b.fractionLost = expectedInterval == 0 || lostInterval <= 0
                         ? 0
                         : static_cast<uint8_t>((lostInterval << 8) / expectedInterval);
    b.cumulativeLost = static_cast<int32_t>(std::min<uint32_t>(m_stats.packetsLost, 0x7fffff));
    b.highestSequence = m_highestSeq;
    b.jitter = static_cast<uint32_t>(m_jitterQ4 >> 4);
    if (m_lastSenderReportAt != 0) {
      b.lastSenderReport = m_lastSenderReportNtp;
      b.delaySinceLastReport =
          static_cast<uint32_t>((m_clock.NowMicros() - m_lastSenderReportAt) * 65536 / 1000000);
    }
    blocks.push_back(b);
  }
  ++m_stats.reportsSent;
  if (m_stats.packetsSent == 0) return BuildControlPacket(m_ssrcOut, nullptr, blocks, m_cname, bye);
  RTP_SenderInfo sender;
  const int64_t wallMicros = static_cast<int64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                      std::chrono::system_clock::now().time_since_epoch())
                                                      .count());
  const uint64_t seconds = static_cast<uint64_t>(wallMicros / 1000000) + kNtpEpochOffsetSeconds;
  const uint64_t fraction = (static_cast<uint64_t>(wallMicros % 1000000) << 32) / 1000000;
  sender.ntpTimestamp = seconds << 32 | fraction;
  // The media time now, extrapolated from the last packet sent.
  sender.rtpTimestamp = m_lastTimestampOut +
                        static_cast<uint32_t>((m_clock.NowMicros() - m_lastSendMicros) * m_clockRate / 1000000);
  sender.packetCount = m_stats.packetsSent;
  sender.octetCount = m_stats.octetsSent;
  return BuildControlPacket(m_ssrcOut, &sender, blocks, m_cname, bye);
}
