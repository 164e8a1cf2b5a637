#include "stack/asn/Boolean.h"

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

void Boolean::EncodePer(PerEncoder& enc) const { enc.PutBit(value_); }


std::unique_ptr<Object> Boolean::Clone() const { return std::make_unique<Boolean>(*this); }

void Boolean::WriteJson(JsonWriter& out) const { out.Bool(value_); }

}  // namespace asn
