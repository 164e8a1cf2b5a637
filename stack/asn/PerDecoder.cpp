#include "stack/asn/PerDecoder.h"

#include <algorithm>
#include <cstring>

#include "stack/asn/PerBits.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

PerDecoder::PerDecoder(const uint8_t* data, size_t size)
    : data_(data), size_(data ? size : 0), bits_(size_ * 8), readable_(size_) {}

PerDecoder::PerDecoder(const std::vector<uint8_t>& bytes, const PerDecoder& parent)
    : PerDecoder(bytes.data(), bytes.size(), parent) {}

PerDecoder::PerDecoder(const uint8_t* data, size_t size, const PerDecoder& parent)
    : data_(data),
      size_(data ? size : 0),
      bits_(size_ * 8),
      readable_(size_),
      depth_(parent.depth_),
      objects_(parent.objects_) {
  auto at = reinterpret_cast<uintptr_t>(data_);
  auto base = reinterpret_cast<uintptr_t>(parent.data_);
  if (data_ && parent.data_ && at >= base && at - base <= parent.readable_ &&
      size_ <= parent.readable_ - (at - base)) {
    readable_ = parent.readable_ - (at - base);
  }
}

bool PerDecoder::Absorb(const PerDecoder& child) {
  objects_ = child.objects_;
  if (!child.ok()) return Fail(child.error_);
  return ok();
}

bool PerDecoder::Truncated() {
  if (failed_) return false;
  return Fail("truncated");
}

bool PerDecoder::TooDeep() {
  if (failed_) return false;
  return Fail("nesting too deep");
}

bool PerDecoder::TooMany() {
  if (failed_) return false;
  return Fail("too many values");
}

bool PerDecoder::GetBitsSlow(unsigned count, uint64_t& value) {
  if (!ok()) return false;
  if (count > 64) return Fail("bit field too wide");
  if (count > BitsLeft()) return Fail("truncated");
  size_t at = pos_ / 8;
  unsigned used = pos_ % 8;
  if (count > 0 && count + used <= 56) {
    // Near the end of the input: the octets that are left, as if zeros followed.
    uint8_t tail[8] = {};
    std::memcpy(tail, data_ + at, std::min<size_t>(8, size_ - at));
    uint64_t word;
    std::memcpy(&word, tail, sizeof word);
    value = (__builtin_bswap64(word) << used) >> (64 - count);
    pos_ += count;
    return true;
  }
  value = 0;
  while (count > 0) {
    unsigned used = pos_ % 8;
    unsigned room = 8 - used;
    unsigned take = count < room ? count : room;
    unsigned byte = data_[pos_ / 8];
    unsigned chunk = (byte >> (room - take)) & ((1u << take) - 1);
    value = (value << take) | chunk;
    pos_ += take;
    count -= take;
  }
  return true;
}

bool PerDecoder::GetOctetsSlow(size_t size, std::vector<uint8_t>& out) {
  if (!ok()) return false;
  if (size > BitsLeft() / 8) return Fail("truncated");
  if (pos_ % 8 == 0) {
    const uint8_t* p = data_ + pos_ / 8;
    out.insert(out.end(), p, p + size);
    pos_ += size * 8;
    return true;
  }
  for (size_t i = 0; i < size; ++i) {
    uint64_t v = 0;
    if (!GetBits(8, v)) return false;
    out.push_back(static_cast<uint8_t>(v));
  }
  return true;
}

bool PerDecoder::Skip(size_t octets) {
  if (!Align()) return false;
  if (octets > BitsLeft() / 8) return Fail("truncated");
  pos_ += octets * 8;
  return true;
}

bool PerDecoder::OutOfRange() { return Fail("constrained number out of range"); }

bool PerDecoder::GetConstrainedWholeNumberSlow(uint64_t range, uint64_t& offset) {
  offset = 0;
  if (range == 1) return ok();
  if (range != 0 && range <= 255) {
    if (!GetBits(BitsFor(range - 1), offset)) return false;
  } else if (range == 256) {
    if (!Align() || !GetBits(8, offset)) return false;
  } else if (range != 0 && range <= 65536) {
    if (!Align() || !GetBits(16, offset)) return false;
  } else {
    unsigned maxOctets = range == 0 ? 8 : OctetsFor(range - 1);
    uint64_t octetsLess1 = 0;
    if (!GetConstrainedWholeNumber(maxOctets, octetsLess1)) return false;
    if (!Align() || !GetBits(static_cast<unsigned>(octetsLess1 + 1) * 8, offset)) return false;
  }
  if (range != 0 && offset >= range) return Fail("constrained number out of range");
  return true;
}

bool PerDecoder::GetLengthSlow(size_t ub, size_t& n, bool& more) {
  more = false;
  n = 0;
  // A bound below 64K with lb <= ub is read inline (GetLength).
  if (ub < 65536) return Fail("bad size constraint");
  uint64_t first = 0;
  if (!Align() || !GetBits(8, first)) return false;
  if ((first & 0x80) == 0) {
    n = static_cast<size_t>(first);
  } else if ((first & 0x40) == 0) {
    uint64_t second = 0;
    if (!GetBits(8, second)) return false;
    n = static_cast<size_t>(((first & 0x3f) << 8) | second);
  } else {
    uint64_t blocks = first & 0x3f;
    if (blocks < 1 || blocks > 4) return Fail("bad fragment length");
    n = static_cast<size_t>(blocks) * kFragmentUnits;
    more = true;
  }
  return true;
}

bool PerDecoder::GetSemiConstrainedWholeNumber(uint64_t& offset) {
  size_t octets = 0;
  bool more = false;
  if (!GetLength(0, kUnbounded, octets, more)) return false;
  if (more || octets < 1 || octets > 8) return Fail("integer length out of range");
  return GetBits(static_cast<unsigned>(octets) * 8, offset);
}

bool PerDecoder::GetUnconstrainedWholeNumber(int64_t& value) {
  size_t octets = 0;
  bool more = false;
  if (!GetLength(0, kUnbounded, octets, more)) return false;
  if (more || octets < 1 || octets > 8) return Fail("integer length out of range");
  uint64_t raw = 0;
  if (!GetBits(static_cast<unsigned>(octets) * 8, raw)) return false;
  if (octets < 8 && (raw >> (octets * 8 - 1)) & 1) raw |= ~uint64_t{0} << (octets * 8);
  value = static_cast<int64_t>(raw);
  return true;
}

bool PerDecoder::GetNormallySmallNumber(uint64_t& value) {
  bool large = false;
  if (!GetBit(large)) return false;
  if (!large) return GetBits(6, value);
  return GetSemiConstrainedWholeNumber(value);
}

bool PerDecoder::GetNormallySmallLength(size_t& n) {
  bool large = false;
  if (!GetBit(large)) return false;
  if (!large) {
    uint64_t v = 0;
    if (!GetBits(6, v)) return false;
    n = static_cast<size_t>(v) + 1;
    return true;
  }
  bool more = false;
  if (!GetLength(0, kUnbounded, n, more)) return false;
  if (more) return Fail("extension bitmap too long");
  return true;
}

bool PerDecoder::GetOpenType(std::vector<uint8_t>& bytes) {
  bytes.clear();
  for (;;) {
    size_t n = 0;
    bool more = false;
    if (!GetLength(0, kUnbounded, n, more)) return false;
    if (!Align() || !GetOctets(n, bytes)) return false;
    if (!more) return true;
  }
}

bool PerDecoder::GetOpenType(const uint8_t*& data, size_t& size, std::vector<uint8_t>& storage) {
  size_t n = 0;
  bool more = false;
  if (!GetLength(0, kUnbounded, n, more) || !Align()) return false;
  if (!more) {
    if (n > BitsLeft() / 8) return Fail("truncated");
    data = data_ + pos_ / 8;
    size = n;
    pos_ += n * 8;
    return true;
  }
  storage.clear();
  if (!GetOctets(n, storage)) return false;
  for (;;) {
    if (!GetLength(0, kUnbounded, n, more)) return false;
    if (!Align() || !GetOctets(n, storage)) return false;
    if (!more) break;
  }
  data = storage.data();
  size = storage.size();
  return true;
}

bool PerDecoder::Fail(const std::string& reason) {
  if (!failed_) error_ = reason.empty() ? "decode error" : reason;
  failed_ = true;
  return false;
}

void PerDecoder::AddContext(const char* type, const char* field) {
  std::string where = std::string(type) + (field && *field ? std::string(".") + field : "");
  context_ = context_.empty() ? where : where + " > " + context_;
  if (!error_.empty()) {
    size_t at = error_.find(" (in ");
    std::string reason = at == std::string::npos ? error_ : error_.substr(0, at);
    error_ = reason + " (in " + context_ + ")";
  }
}

}  // namespace asn
