#include "stack/asn/GeneralString.h"

#include <vector>

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

void GeneralString::EncodePer(PerEncoder& enc) const {
  enc.PutLengthAndContent(value_.size(), 0, kUnbounded, [&](size_t begin, size_t count) {
    enc.Align();
    enc.PutOctets(reinterpret_cast<const uint8_t*>(value_.data()) + begin, count);
  });
}

bool GeneralString::DecodePer(PerDecoder& dec) {
  std::vector<uint8_t> bytes;
  if (!dec.GetOpenType(bytes)) return false;
  value_.assign(bytes.begin(), bytes.end());
  return true;
}

std::unique_ptr<Object> GeneralString::Clone() const {
  return std::make_unique<GeneralString>(*this);
}

void GeneralString::WriteJson(JsonWriter& out) const { out.String(value_); }

}  // namespace asn
