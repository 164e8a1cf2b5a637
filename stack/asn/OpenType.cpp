#include "stack/asn/OpenType.h"

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

bool OpenType::EncodeFrom(const Object& value, std::string* error) {
  return value.Encode(data_, error);
}

bool OpenType::DecodeAs(Object& value, std::string* error) const {
  return value.Decode(data_, error);
}

void OpenType::EncodePer(PerEncoder& enc) const {
  // An empty open type still carries a complete encoding: one zero octet.
  static const std::vector<uint8_t> kEmpty{0};
  enc.PutOpenType(data_.empty() ? kEmpty : data_);
}

bool OpenType::DecodePer(PerDecoder& dec) { return dec.GetOpenType(data_); }

std::unique_ptr<Object> OpenType::Clone() const { return std::make_unique<OpenType>(*this); }

void OpenType::WriteJson(JsonWriter& out) const { out.Hex(data_.data(), data_.size()); }

}  // namespace asn
