// One RTP packet (RFC 3550): the fixed header, contributing sources, an optional header
// extension, the payload and padding, kept as the bytes that go on the wire.
#pragma once

#include <cstdint>
#include <vector>

class RTP_DataFrame {
 public:
  static constexpr unsigned kMinHeaderSize = 12;
  static constexpr unsigned kMaxPacketSize = 1500;

  // A packet with a 12-byte header (version 2) and `payloadSize` bytes of payload.
  explicit RTP_DataFrame(unsigned payloadSize = 0);

  // Takes received bytes; false (and the frame is empty) when they are not a valid RTP
  // packet: shorter than the header, another version, contributing sources, extension or
  // padding running past the end.
  bool SetPacket(const uint8_t* data, unsigned size);

  unsigned GetVersion() const { return m_data[0] >> 6; }
  bool GetPadding() const { return (m_data[0] & 0x20) != 0; }
  bool GetExtension() const { return (m_data[0] & 0x10) != 0; }
  unsigned GetContribSrcCount() const { return m_data[0] & 0x0f; }
  bool GetMarker() const { return (m_data[1] & 0x80) != 0; }
  void SetMarker(bool marker);
  unsigned GetPayloadType() const { return m_data[1] & 0x7f; }
  void SetPayloadType(unsigned type);
  uint16_t GetSequenceNumber() const;
  void SetSequenceNumber(uint16_t n);
  uint32_t GetTimestamp() const;
  void SetTimestamp(uint32_t t);
  uint32_t GetSyncSource() const;
  void SetSyncSource(uint32_t ssrc);
  uint32_t GetContribSource(unsigned index) const;

  unsigned GetHeaderSize() const;
  unsigned GetPayloadSize() const { return m_payloadSize; }
  // Resizes the payload (drops padding); false beyond the largest packet.
  bool SetPayloadSize(unsigned size);
  uint8_t* GetPayloadPtr() { return m_data.data() + GetHeaderSize(); }
  const uint8_t* GetPayloadPtr() const { return m_data.data() + GetHeaderSize(); }

  // The whole packet as it goes on the wire.
  const uint8_t* GetPointer() const { return m_data.data(); }
  unsigned GetPacketSize() const { return GetHeaderSize() + m_payloadSize + m_paddingSize; }

 private:
  std::vector<uint8_t> m_data;
  unsigned m_payloadSize = 0;
  unsigned m_paddingSize = 0;
};
