// RTCP packets (RFC 3550): building a compound report (sender or receiver report with one
// report block, and a CNAME) and reading the reports a peer sends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RTP_ReportBlock {
  uint32_t ssrc = 0;            // the source this block is about
  uint8_t fractionLost = 0;     // Q8 since the last report
  int32_t cumulativeLost = 0;   // 24-bit signed on the wire
  uint32_t highestSequence = 0; // extended highest sequence number received
  uint32_t jitter = 0;          // timestamp units
  uint32_t lastSenderReport = 0;   // middle 32 bits of the NTP time of the last SR
  uint32_t delaySinceLastReport = 0;  // 1/65536 s
};

struct RTP_SenderInfo {
  uint64_t ntpTimestamp = 0;
  uint32_t rtpTimestamp = 0;
  uint32_t packetCount = 0;
  uint32_t octetCount = 0;
};

struct RTP_ControlReport {
  uint32_t ssrc = 0;
  bool isSenderReport = false;
  RTP_SenderInfo sender;             // valid for a sender report
  std::vector<RTP_ReportBlock> blocks;
  std::string cname;
  bool bye = false;
};

// Builds SR (when `sender` is given) or RR, then SDES with the CNAME; BYE when asked.
std::vector<uint8_t> BuildControlPacket(uint32_t ssrc, const RTP_SenderInfo* sender,
                                        const std::vector<RTP_ReportBlock>& blocks, const std::string& cname,
                                        bool bye = false);
// Reads a compound packet; false when it is not valid RTCP (the first packet must be SR
// or RR, every length must fit).
bool ParseControlPacket(const uint8_t* data, size_t size, RTP_ControlReport& report);
