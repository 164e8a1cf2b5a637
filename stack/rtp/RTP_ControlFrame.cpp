#include "stack/rtp/RTP_ControlFrame.h"

namespace {

constexpr uint8_t kSenderReport = 200;
constexpr uint8_t kReceiverReport = 201;
constexpr uint8_t kSourceDescription = 202;
constexpr uint8_t kGoodbye = 203;
constexpr uint8_t kCname = 1;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (24 - 8 * i)));
}
uint32_t Get32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// Starts a packet; its length word is fixed by EndPacket.
size_t BeginPacket(std::vector<uint8_t>& out, unsigned count, uint8_t type) {
  const size_t start = out.size();
  out.push_back(static_cast<uint8_t>(0x80 | (count & 0x1f)));
  out.push_back(type);
  out.push_back(0);
  out.push_back(0);
  return start;
}

void EndPacket(std::vector<uint8_t>& out, size_t start) {
  while ((out.size() - start) % 4 != 0) out.push_back(0);
  const size_t words = (out.size() - start) / 4 - 1;
  out[start + 2] = static_cast<uint8_t>(words >> 8);
  out[start + 3] = static_cast<uint8_t>(words);
}

void PutBlock(std::vector<uint8_t>& out, const RTP_ReportBlock& b) {
  Put32(out, b.ssrc);
  const uint32_t lost = static_cast<uint32_t>(b.cumulativeLost) & 0xffffff;
  Put32(out, static_cast<uint32_t>(b.fractionLost) << 24 | lost);
  Put32(out, b.highestSequence);
  Put32(out, b.jitter);
  Put32(out, b.lastSenderReport);
  Put32(out, b.delaySinceLastReport);
}

RTP_ReportBlock GetBlock(const uint8_t* p) {
  RTP_ReportBlock b;
  b.ssrc = Get32(p);
  b.fractionLost = p[4];
  uint32_t lost = Get32(p + 4) & 0xffffff;
  if (lost & 0x800000) lost |= 0xff000000;  // sign-extend the 24-bit count
  b.cumulativeLost = static_cast<int32_t>(lost);
  b.highestSequence = Get32(p + 8);
  b.jitter = Get32(p + 12);
  b.lastSenderReport = Get32(p + 16);
  b.delaySinceLastReport = Get32(p + 20);
  return b;
}

}  // namespace

std::vector<uint8_t> BuildControlPacket(uint32_t ssrc, const RTP_SenderInfo* sender,
                                        const std::vector<RTP_ReportBlock>& blocks, const std::string& cname,
                                        bool bye) {
  std::vector<uint8_t> out;
  const unsigned count = static_cast<unsigned>(std::min<size_t>(blocks.size(), 31));
  size_t start = BeginPacket(out, count, sender ? kSenderReport : kReceiverReport);
  Put32(out, ssrc);
  if (sender) {
    Put32(out, static_cast<uint32_t>(sender->ntpTimestamp >> 32));
    Put32(out, static_cast<uint32_t>(sender->ntpTimestamp));
    Put32(out, sender->rtpTimestamp);
    Put32(out, sender->packetCount);
    Put32(out, sender->octetCount);
  }
  for (unsigned i = 0; i < count; ++i) PutBlock(out, blocks[i]);
  EndPacket(out, start);

  start = BeginPacket(out, 1, kSourceDescription);
  Put32(out, ssrc);
  const size_t len = std::min<size_t>(cname.size(), 255);
  out.push_back(kCname);
  out.push_back(static_cast<uint8_t>(len));
  out.insert(out.end(), cname.begin(), cname.begin() + static_cast<std::ptrdiff_t>(len));
  out.push_back(0);  // end of the item list; EndPacket pads to a word
  EndPacket(out, start);

  if (bye) {
    start = BeginPacket(out, 1, kGoodbye);
    Put32(out, ssrc);
    EndPacket(out, start);
  }
  return out;
}

bool ParseControlPacket(const uint8_t* data, size_t size, RTP_ControlReport& report) {
  report = RTP_ControlReport();
  size_t pos = 0;
  bool first = true;
  while (pos + 4 <= size) {
    const uint8_t* p = data + pos;
    if ((p[0] >> 6) != 2) return false;
    const unsigned count = p[0] & 0x1f;
    const uint8_t type = p[1];
    const size_t length = 4 * (static_cast<size_t>(p[2] << 8 | p[3]) + 1);
    if (pos + length > size) return false;
    if (first && type != kSenderReport && type != kReceiverReport) return false;
    first = false;
    if (type == kSenderReport || type == kReceiverReport) {
      const size_t fixed = type == kSenderReport ? 28 : 8;
      if (length < fixed + 24 * count) return false;
      report.ssrc = Get32(p + 4);
      report.isSenderReport = type == kSenderReport;
      if (report.isSenderReport) {
        report.sender.ntpTimestamp = static_cast<uint64_t>(Get32(p + 8)) << 32 | Get32(p + 12);
        report.sender.rtpTimestamp = Get32(p + 16);
        report.sender.packetCount = Get32(p + 20);
        report.sender.octetCount = Get32(p + 24);
      }
      for (unsigned i = 0; i < count; ++i) report.blocks.push_back(GetBlock(p + fixed + 24 * i));
    } else if (type == kSourceDescription && count > 0 && length >= 8) {
      size_t item = 8;
      while (item + 2 <= length && p[item] != 0) {
        const size_t itemLength = p[item + 1];
        if (item + 2 + itemLength > length) return false;
        if (p[item] == kCname) report.cname.assign(reinterpret_cast<const char*>(p + item + 2), itemLength);
        item += 2 + itemLength;
      }
    } else if (type == kGoodbye) {
      report.bye = true;
    }
    pos += length;
  }
  return !first && pos == size;
}
