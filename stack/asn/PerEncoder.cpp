#include "stack/asn/PerEncoder.h"

#include <cstring>

#include "stack/asn/PerBits.h"

namespace asn {

void PerEncoder::Grow(size_t octets) {
  size_t size = buf_.size() * 2;
  if (size < 256) size = 256;
  if (size < octets) size = octets;
  buf_.resize(size, 0);
}

void PerEncoder::PutOctets(const uint8_t* data, size_t size) {
  if (size == 0) return;
  if (bits_ % 8 == 0) {
    Reserve(bits_ / 8 + size);
    std::memcpy(buf_.data() + bits_ / 8, data, size);
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

void PerEncoder::PutLengthAndContent(size_t n, size_t lb, size_t ub, EmitRef emit) {
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
  if (sub.bits_ == 0) {
    PutOpenType(&kEmpty, 1);
  } else {
    PutOpenType(sub.buf_.data(), sub.OctetCount());
  }
}

size_t PerEncoder::BeginOpenType() {
  Align();
  size_t begin = bits_ / 8;
  PutBits(0, 8);  // the length, when it fits one octet
  return begin;
}

void PerEncoder::EndOpenType(size_t begin) {
  size_t start = begin + 1;
  if (bits_ == start * 8) PutBits(0, 8);  // an empty encoding is one zero octet
  Align();
  size_t n = bits_ / 8 - start;
  if (n < 128) {
    buf_[begin] = static_cast<uint8_t>(n);
    return;
  }
  if (n < kFragmentUnits) {
    // A two-octet length: the value moves up by one.
    Reserve(start + n + 1);
    std::memmove(buf_.data() + start + 1, buf_.data() + start, n);
    buf_[begin] = static_cast<uint8_t>(0x80 | (n >> 8));
    buf_[begin + 1] = static_cast<uint8_t>(n & 0xFF);
    bits_ += 8;
    return;
  }
  // Fragments: written again from a copy.
  std::vector<uint8_t> value(buf_.begin() + static_cast<std::ptrdiff_t>(start),
                             buf_.begin() + static_cast<std::ptrdiff_t>(start + n));
  std::memset(buf_.data() + begin, 0, n + 1);
  bits_ = begin * 8;
  PutOpenType(value);
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
  std::vector<uint8_t> out;
  FinishInto(out);
  return out;
}

void PerEncoder::FinishInto(std::vector<uint8_t>& out) const {
  if (bits_ == 0) {
    out.assign(1, 0);
    return;
  }
  out.assign(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(OctetCount()));
}

}  // namespace asn
