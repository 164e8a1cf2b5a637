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
    if (const uint8_t* p = dec.TakeAlignedOctets(c.ub)) {
      value_.assign(p, p + c.ub);
      return true;
    }
    return dec.GetOctets(c.ub, value_);
  }
  for (;;) {
    size_t n = 0;
    bool more = false;
    if (!dec.GetLength(c.lb, c.ub, n, more) || !dec.Align()) return false;
    const uint8_t* p = value_.empty() ? dec.TakeAlignedOctets(n) : nullptr;
    if (p) {
      value_.assign(p, p + n);
    } else if (!dec.GetOctets(n, value_)) {
      return false;
    }
    if (!more) break;
  }
  if (!c.InRoot(value_.size())) return dec.Fail("size outside its constraint");
  return true;
}

std::unique_ptr<Object> OctetString::Clone() const { return std::make_unique<OctetString>(*this); }

void OctetString::WriteJson(JsonWriter& out) const { out.Hex(value_.data(), value_.size()); }

}  // namespace asn
