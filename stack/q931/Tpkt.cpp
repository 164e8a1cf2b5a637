#include "stack/q931/Tpkt.h"

#include <algorithm>

namespace tpkt {

bool AppendPacket(std::span<const uint8_t> payload, std::vector<uint8_t>& out) {
  if (payload.size() > kMaxPayloadSize) return false;
  const size_t total = payload.size() + kHeaderSize;
  out.reserve(out.size() + total);
  out.push_back(kVersion);
  out.push_back(0);
  out.push_back(static_cast<uint8_t>(total >> 8));
  out.push_back(static_cast<uint8_t>(total & 0xFF));
  out.insert(out.end(), payload.begin(), payload.end());
  return true;
}

Reassembler::Reassembler(size_t maxPayload) : m_maxPayload(std::min(maxPayload, kMaxPayloadSize)) {}

void Reassembler::Push(std::span<const uint8_t> bytes) {
  if (HasError() || bytes.empty()) return;
  // Drop what has been handed out before growing, so the buffer stays near one packet.
  if (m_start > 0 && (m_start == m_buffer.size() || m_start >= 4096)) {
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
    m_start = 0;
  }
  m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
  CheckHeader();
}

bool Reassembler::CheckHeader() {
  if (HasError()) return false;
  const size_t pending = GetPendingSize();
  const uint8_t* p = m_buffer.data() + m_start;
  if (pending >= 1 && p[0] != kVersion) {
    m_error = "TPKT version " + std::to_string(p[0]) + " instead of 3";
    return false;
  }
  if (pending < kHeaderSize) return true;
  const size_t length = (static_cast<size_t>(p[2]) << 8) | p[3];
  if (length < kHeaderSize) {
    m_error = "TPKT length " + std::to_string(length) + " shorter than its header";
    return false;
  }
  if (length - kHeaderSize > m_maxPayload) {
    m_error = "TPKT payload of " + std::to_string(length - kHeaderSize) + " bytes exceeds the limit of " +
              std::to_string(m_maxPayload);
    return false;
  }
  return true;
}

Reassembler::Result Reassembler::Next(std::vector<uint8_t>& payload) {
  if (!CheckHeader()) return Result::kError;
  const size_t pending = GetPendingSize();
  if (pending < kHeaderSize) return Result::kNeedMore;
  const uint8_t* p = m_buffer.data() + m_start;
  const size_t length = (static_cast<size_t>(p[2]) << 8) | p[3];
  if (pending < length) return Result::kNeedMore;
  payload.assign(p + kHeaderSize, p + length);
  m_start += length;
  // Check the header that follows at once, so an error shows as soon as it has arrived.
  CheckHeader();
  return Result::kPacket;
}

}  // namespace tpkt
