#include "stack/asn/PerEncoder.h"

#include "stack/asn/PerBits.h"

namespace asn {

void PerEncoder::PutBit(bool bit) {
  if (bits_ % 8 == 0) buf_.push_back(0);
  if (bit) buf_.back() |= static_cast<uint8_t>(0x80u >> (bits_ % 8));
  ++bits_;
}

void PerEncoder::PutBits(uint64_t value, unsigned count) {
  while (count > 0) {
    unsigned used = bits_ % 8;
    if (used == 0) buf_.push_back(0);
    unsigned room = 8 - used;
    unsigned take = count < room ? count : room;
    uint64_t chunk = (value >> (count - take)) & ((1u << take) - 1);
    buf_.back() |= static_cast<uint8_t>(chunk << (room - take));
    bits_ += take;
    count -= take;
  }
}

void PerEncoder::Align() {
  if (bits_ % 8 != 0) bits_ += 8 - bits_ % 8;
}

void PerEncoder::PutOctets(const uint8_t* data, size_t size) {
  if (bits_ % 8 == 0) {
    buf_.insert(buf_.end(), data, data + size);
    bits_ += size * 8;
    return;
  }
  for (size_t i = 0; i < size; ++i) PutBits(data[i], 8);
}

void PerEncoder::PutConstrainedWholeNumber(uint64_t offset, uint64_t range) {
  if (range == 1) return;
  if (range != 0 && range <= 255) {
    PutBits(offset, BitsFor(range - 1));
    return;
  }
  if (range == 256) {
    Align();
    PutBits(offset, 8);
    return;
  }
  if (range != 0 && range <= 65536) {
    Align();
    PutBits(offset, 16);
    return;
  }
  // Indefinite-length case: the octet count (1..octets of range - 1) as a constrained
  // whole number, then the value in that many aligned octets.
  unsigned maxOctets = range == 0 ? 8 : OctetsFor(range - 1);
  unsigned octets = OctetsFor(offset);
  PutConstrainedWholeNumber(octets - 1, maxOctets);
  Align();
  PutBits(offset, octets * 8);
}

void PerEncoder::PutLengthValue(size_t n) {
  Align();
  if (n < 128) {
    PutBits(n, 8);
  } else {
    PutBits(0x8000 | n, 16);
  }
}

void PerEncoder::PutSemiConstrainedWholeNumber(uint64_t offset) {
  unsigned octets = OctetsFor(offset);
  PutLengthValue(octets);
  PutBits(offset, octets * 8);
}

void PerEncoder::PutUnconstrainedWholeNumber(int64_t value) {
  unsigned octets = SignedOctetsFor(value);
  PutLengthValue(octets);
  PutBits(static_cast<uint64_t>(value), octets * 8);
}

void PerEncoder::PutNormallySmallNumber(uint64_t value) {
  if (value <= 63) {
    PutBit(false);
    PutBits(value, 6);
  } else {
    PutBit(true);
    PutSemiConstrainedWholeNumber(value);
  }
}

void PerEncoder::PutNormallySmallLength(size_t n) {
  if (n >= 1 && n <= 64) {
    PutBit(false);
    PutBits(n - 1, 6);
  } else {
    PutBit(true);
    if (n >= kFragmentUnits) {
      Fail("extension bitmap too long");
      return;
    }
    PutLengthValue(n);
  }
}

void PerEncoder::PutLengthAndContent(size_t n, size_t lb, size_t ub,
                                     const std::function<void(size_t, size_t)>& emit) {
  if (ub != kUnbounded && ub < 65536) {
    if (n < lb || n > ub) {
      Fail("length " + std::to_string(n) + " outside " + std::to_string(lb) + ".." +
           std::to_string(ub));
      return;
    }
    if (lb != ub) PutConstrainedWholeNumber(n - lb, static_cast<uint64_t>(ub - lb) + 1);
    emit(0, n);
    return;
  }
  if (n < lb) {
    Fail("length " + std::to_string(n) + " below " + std::to_string(lb));
    return;
  }
  size_t done = 0;
  for (;;) {
    size_t left = n - done;
    if (left < kFragmentUnits) {
      PutLengthValue(left);
      emit(done, left);
      return;
    }
    size_t blocks = left / kFragmentUnits;
    if (blocks > 4) blocks = 4;
    Align();
    PutBits(0xC0 | blocks, 8);
    emit(done, blocks * kFragmentUnits);
    done += blocks * kFragmentUnits;
    // A length that is an exact multiple of 16K ends with an empty final part.
  }
}

void PerEncoder::PutOpenType(const uint8_t* data, size_t size) {
  if (size < 128) {  // the common case: a one-octet length
    Align();
    PutBits(size, 8);
    PutOctets(data, size);
    return;
  }
  PutLengthAndContent(size, 0, kUnbounded, [&](size_t begin, size_t count) {
    Align();
    PutOctets(data + begin, count);
  });
}

void PerEncoder::PutOpenType(const PerEncoder& sub) {
  static const uint8_t kEmpty = 0;
  if (sub.buf_.empty()) {
    PutOpenType(&kEmpty, 1);
  } else {
    PutOpenType(sub.buf_.data(), sub.buf_.size());
  }
}

void PerEncoder::Fail(std::string reason) {
  if (error_.empty()) error_ = std::move(reason);
}

void PerEncoder::AddContext(const char* type, const char* field) {
  if (error_.empty()) return;
  std::string where = std::string(type) + (field && *field ? std::string(".") + field : "");
  context_ = context_.empty() ? where : where + " > " + context_;
  size_t at = error_.find(" (in ");
  error_ = (at == std::string::npos ? error_ : error_.substr(0, at)) + " (in " + context_ + ")";
}

std::vector<uint8_t> PerEncoder::Finish() const {
  if (buf_.empty()) return std::vector<uint8_t>(1, 0);
  return buf_;
}

}  // namespace asn
