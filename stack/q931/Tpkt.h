#pragma once
// TPKT framing of a byte stream (RFC 1006): each packet is a 4-byte header (version 3, a
// reserved octet, the 16-bit big-endian length of the whole packet including the header)
// followed by its payload.  Call signalling and H.245 on their own TCP connections use it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tpkt {

inline constexpr uint8_t kVersion = 3;
inline constexpr size_t kHeaderSize = 4;
// The length field counts the header too, so a payload can be at most this long.
inline constexpr size_t kMaxPayloadSize = 0xFFFF - kHeaderSize;

// Appends one framed packet to `out`.  False (and nothing appended) when the payload does
// not fit the 16-bit length.
bool AppendPacket(std::span<const uint8_t> payload, std::vector<uint8_t>& out);

// Cuts an arbitrary sequence of received chunks into whole packets.  A stream whose header
// is wrong (bad version, impossible length, longer than the bound) cannot be resynchronised,
// so the first error is final and everything after it is refused.
class Reassembler {
 public:
  enum class Result { kPacket, kNeedMore, kError };

  // maxPayload bounds one packet's payload (and so the memory one packet may take).
  explicit Reassembler(size_t maxPayload = kMaxPayloadSize);

  // Adds received bytes.  Bytes are held only up to the end of the packet being read
  // plus whatever arrives after it, and checked as soon as a header is complete.
  void Push(std::span<const uint8_t> bytes);

  // Takes the next whole packet's payload into `payload`.  A packet with an empty payload
  // (a keep-alive) is returned as an empty payload.
  Result Next(std::vector<uint8_t>& payload);

  bool HasError() const { return !m_error.empty(); }
  const std::string& GetError() const { return m_error; }
  // Bytes received but not yet returned as packets.
  size_t GetPendingSize() const { return m_buffer.size() - m_start; }
  size_t GetMaxPayload() const { return m_maxPayload; }

 private:
  bool CheckHeader();

  size_t m_maxPayload;
  std::vector<uint8_t> m_buffer;
  size_t m_start = 0;  // start of the first unread byte in m_buffer
  std::string m_error;
};

}  // namespace tpkt
