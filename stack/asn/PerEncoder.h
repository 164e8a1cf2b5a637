#pragma once
// Aligned PER (X.691 BASIC-ALIGNED) bit writer with the encodings of whole numbers and
// length determinants that the type encoders are built from.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "stack/asn/PerBits.h"

namespace asn {


// A call of `emit(begin, count)` for PerEncoder::PutLengthAndContent, without a copy of
// the callable: it lives as long as the call it is passed to.
class EmitRef {
 public:
  template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, EmitRef>>>
  EmitRef(F&& f)  // NOLINT: made from any callable
      : callable_(const_cast<void*>(static_cast<const void*>(&f))),
        call_([](void* c, size_t begin, size_t count) {
          (*static_cast<std::remove_reference_t<F>*>(c))(begin, count);
        }) {}
  void operator()(size_t begin, size_t count) const { call_(callable_, begin, count); }

 private:
  void* callable_;
  void (*call_)(void*, size_t, size_t);
};

class PerEncoder {
 public:
  void PutBit(bool bit) {
    size_t at = bits_ / 8;
    Reserve(at + 1);
    if (bit) buf_[at] |= static_cast<uint8_t>(0x80u >> (bits_ % 8));
    ++bits_;
  }
  // The low `count` bits of `value`, most significant first; count <= 64.
  void PutBits(uint64_t value, unsigned count) {
    if (count > 56) {
      PutBits(value >> 32, count - 32);
      PutBits(value & 0xFFFFFFFFu, 32);
      return;
    }
    if (count == 0) return;
    // One big-endian word over the octet that holds the next bit: the octets past the
    // written bits are always zero.
    size_t at = bits_ / 8;
    unsigned used = bits_ % 8;
    Reserve(at + 8);
    uint64_t word;
    std::memcpy(&word, buf_.data() + at, sizeof word);
    word = __builtin_bswap64(word);
    word |= (value & ((uint64_t{1} << count) - 1)) << (64 - used - count);
    word = __builtin_bswap64(word);
    std::memcpy(buf_.data() + at, &word, sizeof word);
    bits_ += count;
  }
  // Pads with zero bits to the next octet boundary.
  void Align() { bits_ = (bits_ + 7) & ~size_t{7}; }
  // Octets at the current bit position (no alignment of their own).
  void PutOctets(const uint8_t* data, size_t size);

  // X.691 10.5: `offset` is value - lb, `range` is ub - lb + 1 (0 stands for 2^64).
  void PutConstrainedWholeNumber(uint64_t offset, uint64_t range);
  // X.691 10.7: value - lb, as a length-prefixed octet field.
  void PutSemiConstrainedWholeNumber(uint64_t offset);
  // X.691 10.8: two's complement in the fewest octets, length-prefixed.
  void PutUnconstrainedWholeNumber(int64_t value);
  // X.691 10.6: normally small non-negative whole number.
  void PutNormallySmallNumber(uint64_t value);
  // X.691 10.9.3.4: normally small length (n >= 1), used for extension bitmaps.
  void PutNormallySmallLength(size_t n);

  // A length determinant for `n` units followed by the units, written by `emit(begin,
  // count)`. With ub < 64K the length is a constrained whole number; otherwise it is the
  // unconstrained form, fragmented into 16K-unit blocks when n >= 16K. With lb == ub (and
  // ub < 64K) no length is written at all.
  void PutLengthAndContent(size_t n, size_t lb, size_t ub, EmitRef emit);

  // An open type field: the complete encoding `bytes` behind an unconstrained length.
  void PutOpenType(const std::vector<uint8_t>& bytes) { PutOpenType(bytes.data(), bytes.size()); }
  void PutOpenType(const uint8_t* data, size_t size);
  // The complete encoding of what `sub` holds, as an open type field.
  void PutOpenType(const PerEncoder& sub);
  // An open type field written in place: BeginOpenType, the value's encoding into this
  // encoder, then EndOpenType with what BeginOpenType returned. The value starts on an
  // octet boundary, as it would in an encoding of its own.
  size_t BeginOpenType();
  void EndOpenType(size_t begin);

  // Marks the encoding as failed (a value that breaks its constraints); the first reason
  // is kept and later output is meaningless.
  void Fail(std::string reason);
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  // Adds where a failure happened ("Type.field"), innermost first.
  void AddContext(const char* type, const char* field);

  size_t BitCount() const { return bits_; }
  // The complete encoding: padded to an octet, and one zero octet when empty (X.691 10.1.3).
  std::vector<uint8_t> Finish() const;
  // The same into `out`, whose storage is used again.
  void FinishInto(std::vector<uint8_t>& out) const;

 private:
  void PutLengthValue(size_t n);  // unconstrained length n < 16K, aligned
  size_t OctetCount() const { return (bits_ + 7) / 8; }
  // Room for `octets` octets from the start, zero past what is written.
  void Reserve(size_t octets) {
    if (octets > buf_.size()) Grow(octets);
  }
  void Grow(size_t octets);

  std::vector<uint8_t> buf_;  // the encoding, then zeros
  size_t bits_ = 0;
  std::string error_;
  std::string context_;
};

}  // namespace asn
