#pragma once
// Aligned PER (X.691 BASIC-ALIGNED) bit reader. Every read is bounds-checked: running past
// the end, or meeting a value the encoding rules forbid, fails the decoder and returns
// false, and the reason is kept for the caller. Nesting depth and the number of values
// created are bounded so that hostile input cannot exhaust the stack or the heap.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "stack/asn/PerBits.h"

// The reads every decoder makes are inlined wherever they are called; their failure paths
// never are.
#define VARLO_ASN_INLINE __attribute__((always_inline)) inline
#define VARLO_ASN_INLINE_LAMBDA __attribute__((always_inline))
#define VARLO_ASN_COLD [[gnu::cold, gnu::noinline]]
#define VARLO_ASN_OUTLINE [[gnu::noinline]]

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

  [[nodiscard]] VARLO_ASN_INLINE bool GetBit(bool& bit) {
    if (failed_ || pos_ >= bits_) return Truncated();
    bit = (data_[pos_ / 8] >> (7 - pos_ % 8)) & 1;
    ++pos_;
    return true;
  }
  [[nodiscard]] VARLO_ASN_INLINE bool GetBits(unsigned count, uint64_t& value) {  // count <= 64
    // Fast path: one big-endian load of the eight octets that hold the field.
    size_t at = pos_ / 8;
    unsigned used = pos_ % 8;
    if (!failed_ && count - 1 < 56 - used && at + 8 <= readable_ && count <= bits_ - pos_) {
      uint64_t word;
      std::memcpy(&word, data_ + at, sizeof word);
      word = __builtin_bswap64(word);
      value = (word << used) >> (64 - count);
      pos_ += count;
      return true;
    }
    return GetBitsSlow(count, value);
  }
  [[nodiscard]] VARLO_ASN_INLINE bool Align() {  // skips to the next octet boundary
    size_t aligned = (pos_ + 7) & ~size_t{7};
    if (failed_ || aligned > bits_) return Truncated();
    pos_ = aligned;
    return true;
  }
  [[nodiscard]] VARLO_ASN_INLINE bool GetOctets(size_t size, std::vector<uint8_t>& out) {  // appends
    // The common case: aligned octets, into an empty vector.
    if (!failed_ && pos_ % 8 == 0 && out.empty() && size <= BitsLeft() / 8) {
      const uint8_t* p = data_ + pos_ / 8;
      out.assign(p, p + size);
      pos_ += size * 8;
      return true;
    }
    return GetOctetsSlow(size, out);
  }
  [[nodiscard]] bool Skip(size_t octets);                                  // aligned octets
  // `octets` octets in place when the reader is on an octet boundary and they are all
  // there (the reader then moves past them); nullptr otherwise, with nothing read.
  const uint8_t* TakeAlignedOctets(size_t octets) {
    if (failed_ || pos_ % 8 != 0 || octets > (bits_ - pos_) / 8) return nullptr;
    const uint8_t* p = data_ + pos_ / 8;
    pos_ += octets * 8;
    return p;
  }

  [[nodiscard]] VARLO_ASN_INLINE bool GetConstrainedWholeNumber(uint64_t range, uint64_t& offset) {
    if (range - 2 < 254) {  // 2..255: a bit field as wide as range - 1 needs
      if (!GetBits(static_cast<unsigned>(std::bit_width(range - 1)), offset)) return false;
      return offset < range || OutOfRange();
    }
    if (range - 256 <= 65536 - 256) {  // one or two aligned octets
      if (!Align() || !GetBits(range == 256 ? 8 : 16, offset)) return false;
      return offset < range || OutOfRange();
    }
    return GetConstrainedWholeNumberSlow(range, offset);
  }
  [[nodiscard]] bool GetSemiConstrainedWholeNumber(uint64_t& offset);
  [[nodiscard]] bool GetUnconstrainedWholeNumber(int64_t& value);
  [[nodiscard]] bool GetNormallySmallNumber(uint64_t& value);
  [[nodiscard]] bool GetNormallySmallLength(size_t& n);

  // Reads one length determinant for a count of units between lb and ub (see
  // PerEncoder::PutLengthAndContent). `more` is set when the length is a fragment (a
  // multiple of 16K units) and another length determinant follows the units.
  [[nodiscard]] VARLO_ASN_INLINE bool GetLength(size_t lb, size_t ub, size_t& n, bool& more) {
    if (ub < 65536 && lb <= ub) {  // a constrained whole number, or nothing when fixed
      more = false;
      uint64_t offset = 0;
      if (lb != ub && !GetConstrainedWholeNumber(static_cast<uint64_t>(ub - lb) + 1, offset)) {
        return false;
      }
      n = lb + static_cast<size_t>(offset);
      return ok();
    }
    if (ub == kUnbounded) {
      // The common case: an aligned octet below 128.
      size_t aligned = (pos_ + 7) & ~size_t{7};
      if (!failed_ && aligned + 8 <= bits_ && (data_[aligned / 8] & 0x80) == 0) {
        n = data_[aligned / 8];
        more = false;
        pos_ = aligned + 8;
        return true;
      }
    }
    return GetLengthSlow(ub, n, more);
  }

  // An open type field: its octets, reassembled from fragments.
  [[nodiscard]] bool GetOpenType(std::vector<uint8_t>& bytes);
  // The same without a copy when the field is in one piece: `data` then points into this
  // decoder's input; a fragmented field is reassembled in `storage`.
  [[nodiscard]] bool GetOpenType(const uint8_t*& data, size_t& size, std::vector<uint8_t>& storage);

  // An open type's value read by `read(decoder)`, which leaves any failure in that decoder:
  // in place, the reader bounded to the field's octets, or, for a fragmented field, from its
  // reassembled octets by a decoder of its own. The reader ends past the field whatever the
  // value took; false when the value or the field is bad.
  template <class Read>
  [[nodiscard]] VARLO_ASN_INLINE bool ReadOpenType(Read&& read) {
    Window window;
    if (!OpenWindow(window)) return false;
    if (window.inPlace) {
      read(*this);
      return CloseWindow(window);
    }
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::vector<uint8_t> storage;
    if (!GetOpenType(data, size, storage)) return false;
    PerDecoder sub(data, size, *this);
    read(sub);
    return Absorb(sub);
  }

  // Nesting guard and creation budget for constructed values.
  [[nodiscard]] VARLO_ASN_INLINE bool Enter() {
    if (failed_ || depth_ >= kMaxDepth) return TooDeep();
    ++depth_;
    return true;
  }
  void Leave() { --depth_; }
  [[nodiscard]] VARLO_ASN_INLINE bool Charge(size_t objects) {
    if (failed_ || objects > kMaxObjects - objects_) return TooMany();
    objects_ += objects;
    return true;
  }

  // Fails the decode with `reason` (the first reason is kept); always returns false.
  bool Fail(const std::string& reason);
  // Adds where a failure happened ("Type.field"), innermost first.
  void AddContext(const char* type, const char* field);

  bool ok() const { return !failed_; }
  const std::string& error() const { return error_; }
  size_t BitPosition() const { return pos_; }
  size_t BitsLeft() const { return bits_ - pos_; }

 private:
  // ReadOpenType's bounds: Open bounds the reader to an open type's octets, Close moves it
  // past them. A fragmented field is not read in place (`inPlace` false, nothing read).
  struct Window {
    bool inPlace = false;
    size_t outerBits = 0;
    size_t end = 0;
  };
  [[nodiscard]] VARLO_ASN_INLINE bool OpenWindow(Window& w) {
    size_t start = pos_;
    size_t n = 0;
    bool more = false;
    if (!GetLength(0, kUnbounded, n, more) || !Align()) return false;
    if (more) {
      pos_ = start;
      w.inPlace = false;
      return true;
    }
    if (n > BitsLeft() / 8) return Truncated();
    w.inPlace = true;
    w.outerBits = bits_;
    w.end = pos_ + n * 8;
    bits_ = w.end;
    return true;
  }
  [[nodiscard]] bool CloseWindow(const Window& w) {
    if (failed_) return false;
    bits_ = w.outerBits;
    pos_ = w.end;
    return true;
  }

  VARLO_ASN_OUTLINE bool GetOctetsSlow(size_t size, std::vector<uint8_t>& out);
  VARLO_ASN_OUTLINE bool GetBitsSlow(unsigned count, uint64_t& value);
  VARLO_ASN_OUTLINE bool GetLengthSlow(size_t ub, size_t& n, bool& more);
  VARLO_ASN_OUTLINE bool GetConstrainedWholeNumberSlow(uint64_t range, uint64_t& offset);
  VARLO_ASN_COLD bool OutOfRange();
  // The failures of the inline reads: false, with the reason unless one is kept already.
  VARLO_ASN_COLD bool Truncated();
  VARLO_ASN_COLD bool TooDeep();
  VARLO_ASN_COLD bool TooMany();

  const uint8_t* data_;
  size_t size_;
  size_t bits_;      // size_ * 8
  size_t readable_;  // octets from data_ that may be loaded: an open type's decoder may
                     // look past its own end into the enclosing input
  size_t pos_ = 0;  // in bits
  bool failed_ = false;
  unsigned depth_ = 0;
  size_t objects_ = 0;
  std::string error_;
  std::string context_;
};

}  // namespace asn
