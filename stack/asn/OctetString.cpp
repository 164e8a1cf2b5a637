#include "stack/asn/OctetString.h"

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

void OctetString::EncodePer(PerEncoder& enc) const {
  SizeConstraint c = size_.Begin(enc, value_.size());
  if (c.lb == c.ub && c.ub < 65536) {
    if (c.ub == 0) return;
    if (c.ub > 2) enc.Align();  // up to two octets stay a plain bit field
    enc.PutOctets(value_.data(), value_.size());
    return;
  }
  enc.PutLengthAndContent(value_.size(), c.lb, c.ub, [&](size_t begin, size_t count) {
    enc.Align();
    enc.PutOctets(value_.data() + begin, count);
  });
}

bool OctetString::DecodePer(PerDecoder& dec) {
  SizeConstraint c;
  if (!size_.Begin(dec, c)) return false;
  value_.clear();
  if (c.lb == c.ub && c.ub < 65536) {
    if (c.ub > 2 && !dec.Align()) return false;
    return dec.GetOctets(c.ub, value_);
  }
  return GetLengthAndContent(
      dec, c, [&](size_t n) { return dec.Align() && dec.GetOctets(n, value_); },
      [this] { return value_.size(); });
}

std::unique_ptr<Object> OctetString::Clone() const { return std::make_unique<OctetString>(*this); }

void OctetString::WriteJson(JsonWriter& out) const { out.Hex(value_.data(), value_.size()); }

}  // namespace asn
