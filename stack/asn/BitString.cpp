#include "stack/asn/BitString.h"

#include <algorithm>
#include <cstddef>

#include <string>

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

void BitString::SetSize(size_t bits) {
  bytes_.resize((bits + 7) / 8, 0);
  bits_ = bits;
  if (bits % 8 != 0) bytes_.back() &= static_cast<uint8_t>(0xFF00u >> (bits % 8));
}

bool BitString::GetBit(size_t i) const {
  return i < bits_ && (bytes_[i / 8] >> (7 - i % 8)) & 1;
}

void BitString::SetBit(size_t i, bool v) {
  if (i >= bits_) SetSize(i + 1);
  auto mask = static_cast<uint8_t>(0x80u >> (i % 8));
  if (v) {
    bytes_[i / 8] |= mask;
  } else {
    bytes_[i / 8] &= static_cast<uint8_t>(~mask);
  }
}

void BitString::SetData(const std::vector<uint8_t>& bytes, size_t bits) {
  bytes_ = bytes;
  SetSize(bits);
}

void BitString::WriteBits(PerEncoder& enc, size_t begin, size_t count) const {
  size_t i = begin;
  if (begin % 8 == 0) {
    // Whole octets, then the bits of the last one.
    for (; i + 8 <= begin + count; i += 8) enc.PutBits(bytes_[i / 8], 8);
    if (i < begin + count) {
      auto rest = static_cast<unsigned>(begin + count - i);
      enc.PutBits(bytes_[i / 8] >> (8 - rest), rest);
    }
    return;
  }
  for (; i < begin + count; ++i) enc.PutBit(GetBit(i));
}

bool BitString::ReadBits(PerDecoder& dec, size_t count) {
  if (count > dec.BitsLeft()) return dec.Fail("truncated");
  size_t start = bits_;
  SetSize(bits_ + count);
  size_t i = 0;
  if (start % 8 == 0 && dec.BitPosition() % 8 == 0) {
    // Whole octets copied as they stand, then the last few bits.
    if (const uint8_t* p = dec.TakeAlignedOctets(count / 8)) {
      std::copy(p, p + count / 8, bytes_.begin() + static_cast<std::ptrdiff_t>(start / 8));
      i = count / 8 * 8;
    }
  }
  if (start % 8 == 0) {
    // Up to eight bits at a time into the octet they belong to.
    for (; i < count; i += 8) {
      unsigned take = count - i < 8 ? static_cast<unsigned>(count - i) : 8;
      uint64_t bits = 0;
      if (!dec.GetBits(take, bits)) return false;
      bytes_[(start + i) / 8] = static_cast<uint8_t>(bits << (8 - take));
    }
    return true;
  }
  for (; i < count; ++i) {
    bool b = false;
    if (!dec.GetBit(b)) return false;
    if (b) SetBit(start + i, true);
  }
  return true;
}

void BitString::EncodePer(PerEncoder& enc) const {
  SizeConstraint c = size_.Begin(enc, bits_);
  if (c.lb == c.ub && c.ub < 65536) {
    if (c.ub == 0) return;
    if (c.ub > 16) enc.Align();  // up to 16 bits stay a plain bit field
    WriteBits(enc, 0, bits_);
    return;
  }
  enc.PutLengthAndContent(bits_, c.lb, c.ub, [&](size_t begin, size_t count) {
    enc.Align();
    WriteBits(enc, begin, count);
  });
}

bool BitString::DecodePer(PerDecoder& dec) {
  SizeConstraint c;
  if (!size_.Begin(dec, c)) return false;
  bytes_.clear();
  bits_ = 0;
  if (c.lb == c.ub && c.ub < 65536) {
    if (c.ub > 16 && !dec.Align()) return false;
    return ReadBits(dec, c.ub);
  }
  return GetLengthAndContent(
      dec, c, [&](size_t n) { return dec.Align() && ReadBits(dec, n); }, [this] { return bits_; });
}

std::unique_ptr<Object> BitString::Clone() const { return std::make_unique<BitString>(*this); }

void BitString::WriteJson(JsonWriter& out) const {
  std::string text(bits_, '0');
  for (size_t i = 0; i < bits_; ++i) {
    if (GetBit(i)) text[i] = '1';
  }
  out.String(text);
}

}  // namespace asn
