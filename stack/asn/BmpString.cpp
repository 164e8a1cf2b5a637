#include "stack/asn/BmpString.h"

#include "stack/asn/CharWidth.h"
#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"
#include "stack/asn/Utf8.h"

namespace asn {

void BMPString::SetValue(std::string_view utf8) { value_ = Utf8ToBmp(utf8); }

std::string BMPString::GetValue() const { return BmpToUtf8(value_); }

void BMPString::EncodePer(PerEncoder& enc) const {
  const CharWidth width(65536, 0xFFFF);
  SizeConstraint c = size_.Begin(enc, value_.size());
  auto emit = [&](size_t begin, size_t count) {
    if (width.AlignContent(c)) enc.Align();
    for (size_t i = begin; i < begin + count; ++i) enc.PutBits(value_[i], 16);
  };
  if (c.lb == c.ub && c.ub < 65536) {
    emit(0, value_.size());
    return;
  }
  enc.PutLengthAndContent(value_.size(), c.lb, c.ub, emit);
}

bool BMPString::DecodePer(PerDecoder& dec) {
  const CharWidth width(65536, 0xFFFF);
  SizeConstraint c;
  if (!size_.Begin(dec, c)) return false;
  value_.clear();
  auto read = [&](size_t count) {
    if (width.AlignContent(c) && !dec.Align()) return false;
    if (count > dec.BitsLeft() / 16) return dec.Fail("truncated");
    size_t at = value_.size();
    if (const uint8_t* p = dec.TakeAlignedOctets(count * 2)) {
      value_.resize(at + count);
      char16_t* out = value_.data() + at;
      for (size_t i = 0; i < count; ++i) {
        out[i] = static_cast<char16_t>((p[2 * i] << 8) | p[2 * i + 1]);
      }
      return true;
    }
    value_.reserve(at + count);
    for (size_t i = 0; i < count; ++i) {
      uint64_t v = 0;
      if (!dec.GetBits(16, v)) return false;
      value_ += static_cast<char16_t>(v);
    }
    return true;
  };
  if (c.lb == c.ub && c.ub < 65536) return read(c.ub);
  return GetLengthAndContent(dec, c, read, [this] { return value_.size(); });
}

std::unique_ptr<Object> BMPString::Clone() const { return std::make_unique<BMPString>(*this); }

void BMPString::WriteJson(JsonWriter& out) const { out.String(GetValue()); }

}  // namespace asn
