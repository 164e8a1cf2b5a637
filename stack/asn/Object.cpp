#include "stack/asn/Object.h"

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"
#include "stack/asn/ValueStore.h"

namespace asn {

bool Object::Encode(std::vector<uint8_t>& out, std::string* error) const {
  PerEncoder enc;
  EncodePer(enc);
  if (!enc.ok()) {
    if (error) *error = enc.error();
    return false;
  }
  enc.FinishInto(out);
  return true;
}

bool Object::Decode(const uint8_t* data, size_t size, std::string* error) {
  PerDecoder dec(data, size);
  if (!DecodePer(dec) || !dec.ok()) {
    if (error) *error = dec.error().empty() ? "decode error" : dec.error();
    return false;
  }
  return true;
}

std::string Object::ToJson() const {
  JsonWriter out;
  WriteJson(out);
  return out.str();
}

}  // namespace asn
