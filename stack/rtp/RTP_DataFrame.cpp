#include "stack/rtp/RTP_DataFrame.h"

#include <cstring>

namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t Get32(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

}  // namespace

RTP_DataFrame::RTP_DataFrame(unsigned payloadSize) : m_data(kMinHeaderSize + payloadSize, 0) {
  m_data[0] = 0x80;  // version 2
  m_payloadSize = payloadSize;
}

bool RTP_DataFrame::SetPacket(const uint8_t* data, unsigned size) {
  const auto fail = [this] {
    m_data.assign(kMinHeaderSize, 0);
    m_data[0] = 0x80;
    m_payloadSize = m_paddingSize = 0;
    return false;
  };
  if (data == nullptr || size < kMinHeaderSize || size > kMaxPacketSize || (data[0] >> 6) != 2) return fail();
  unsigned header = kMinHeaderSize + 4 * (data[0] & 0x0f);
  if (header > size) return fail();
  if (data[0] & 0x10) {
    if (header + 4 > size) return fail();
    header += 4 + 4 * Get16(data + header + 2);
    if (header > size) return fail();
  }
  unsigned padding = 0;
  if (data[0] & 0x20) {
    padding = data[size - 1];
    if (padding == 0 || header + padding > size) return fail();
  }
  m_data.assign(data, data + size);
  m_paddingSize = padding;
  m_payloadSize = size - header - padding;
  return true;
}

void RTP_DataFrame::SetMarker(bool marker) {
  m_data[1] = static_cast<uint8_t>(marker ? (m_data[1] | 0x80) : (m_data[1] & 0x7f));
}

void RTP_DataFrame::SetPayloadType(unsigned type) {
  m_data[1] = static_cast<uint8_t>((m_data[1] & 0x80) | (type & 0x7f));
}

uint16_t RTP_DataFrame::GetSequenceNumber() const { return Get16(&m_data[2]); }
void RTP_DataFrame::SetSequenceNumber(uint16_t n) { Put16(&m_data[2], n); }
uint32_t RTP_DataFrame::GetTimestamp() const { return Get32(&m_data[4]); }
void RTP_DataFrame::SetTimestamp(uint32_t t) { Put32(&m_data[4], t); }
uint32_t RTP_DataFrame::GetSyncSource() const { return Get32(&m_data[8]); }
void RTP_DataFrame::SetSyncSource(uint32_t ssrc) { Put32(&m_data[8], ssrc); }

uint32_t RTP_DataFrame::GetContribSource(unsigned index) const {
  return index < GetContribSrcCount() ? Get32(&m_data[kMinHeaderSize + 4 * index]) : 0;
}

unsigned RTP_DataFrame::GetHeaderSize() const {
  unsigned header = kMinHeaderSize + 4 * GetContribSrcCount();
  if (GetExtension()) header += 4 + 4 * Get16(&m_data[header + 2]);
  return header;
}

bool RTP_DataFrame::SetPayloadSize(unsigned size) {
  const unsigned header = GetHeaderSize();
  if (header + size > kMaxPacketSize) return false;
  m_data[0] &= static_cast<uint8_t>(~0x20);
  m_paddingSize = 0;
  m_payloadSize = size;
  m_data.resize(header + size);
  return true;
}
