#pragma once
// Aligned PER (X.691 BASIC-ALIGNED) bit writer with the encodings of whole numbers and
// length determinants that the type encoders are built from.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace asn {

// An upper bound that stands for "no upper bound" in size constraints.
inline constexpr size_t kUnbounded = static_cast<size_t>(-1);

class PerEncoder {
 public:
  void PutBit(bool bit);
  // The low `count` bits of `value`, most significant first; count <= 64.
  void PutBits(uint64_t value, unsigned count);
  // Pads with zero bits to the next octet boundary.
  void Align();
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
  void PutLengthAndContent(size_t n, size_t lb, size_t ub,
                           const std::function<void(size_t begin, size_t count)>& emit);

  // An open type field: the complete encoding `bytes` behind an unconstrained length.
  void PutOpenType(const std::vector<uint8_t>& bytes) { PutOpenType(bytes.data(), bytes.size()); }
  void PutOpenType(const uint8_t* data, size_t size);
  // The complete encoding of what `sub` holds, as an open type field.
  void PutOpenType(const PerEncoder& sub);

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

 private:
  void PutLengthValue(size_t n);  // unconstrained length n < 16K, aligned

  std::vector<uint8_t> buf_;
  size_t bits_ = 0;
  std::string error_;
  std::string context_;
};

}  // namespace asn
