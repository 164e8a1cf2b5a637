#pragma once
// Aligned PER (X.691 BASIC-ALIGNED) bit reader. Every read is bounds-checked: running past
// the end, or meeting a value the encoding rules forbid, fails the decoder and returns
// false, and the reason is kept for the caller. Nesting depth and the number of values
// created are bounded so that hostile input cannot exhaust the stack or the heap.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace asn {

class PerDecoder {
 public:
  static constexpr unsigned kMaxDepth = 96;
  static constexpr size_t kMaxObjects = 1u << 18;

  PerDecoder(const uint8_t* data, size_t size);
  // A decoder for an open type's octets inside `parent`: it shares the nesting depth and
  // the creation budget, which `parent.Absorb(child)` takes back afterwards.
  PerDecoder(const std::vector<uint8_t>& bytes, const PerDecoder& parent);
  PerDecoder(const uint8_t* data, size_t size, const PerDecoder& parent);
  // Takes over a child decoder's budget and, when it failed, its error.
  bool Absorb(const PerDecoder& child);

  [[nodiscard]] bool GetBit(bool& bit);
  [[nodiscard]] bool GetBits(unsigned count, uint64_t& value);  // count <= 64
  [[nodiscard]] bool Align();  // skips to the next octet boundary
  [[nodiscard]] bool GetOctets(size_t size, std::vector<uint8_t>& out);  // appends
  [[nodiscard]] bool Skip(size_t octets);                                  // aligned octets

  [[nodiscard]] bool GetConstrainedWholeNumber(uint64_t range, uint64_t& offset);
  [[nodiscard]] bool GetSemiConstrainedWholeNumber(uint64_t& offset);
  [[nodiscard]] bool GetUnconstrainedWholeNumber(int64_t& value);
  [[nodiscard]] bool GetNormallySmallNumber(uint64_t& value);
  [[nodiscard]] bool GetNormallySmallLength(size_t& n);

  // Reads one length determinant for a count of units between lb and ub (see
  // PerEncoder::PutLengthAndContent). `more` is set when the length is a fragment (a
  // multiple of 16K units) and another length determinant follows the units.
  [[nodiscard]] bool GetLength(size_t lb, size_t ub, size_t& n, bool& more);

  // An open type field: its octets, reassembled from fragments.
  [[nodiscard]] bool GetOpenType(std::vector<uint8_t>& bytes);
  // The same without a copy when the field is in one piece: `data` then points into this
  // decoder's input; a fragmented field is reassembled in `storage`.
  [[nodiscard]] bool GetOpenType(const uint8_t*& data, size_t& size, std::vector<uint8_t>& storage);

  // Nesting guard and creation budget for constructed values.
  [[nodiscard]] bool Enter();
  void Leave() { --depth_; }
  [[nodiscard]] bool Charge(size_t objects);

  // Fails the decode with `reason` (the first reason is kept); always returns false.
  bool Fail(const std::string& reason);
  // Adds where a failure happened ("Type.field"), innermost first.
  void AddContext(const char* type, const char* field);

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  size_t BitPosition() const { return pos_; }
  size_t BitsLeft() const { return size_ * 8 - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;  // in bits
  unsigned depth_ = 0;
  size_t objects_ = 0;
  std::string error_;
  std::string context_;
};

}  // namespace asn
