#include "stack/asn/Null.h"

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"

namespace asn {

void Null::EncodePer(PerEncoder&) const {}


std::unique_ptr<Object> Null::Clone() const { return std::make_unique<Null>(*this); }

void Null::WriteJson(JsonWriter& out) const { out.Null(); }

}  // namespace asn
