#pragma once
// NULL: no bits at all.

#include "stack/asn/Object.h"
#include "stack/asn/PerDecoder.h"

namespace asn {

class Null : public Object {
 public:
  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override { return dec.ok(); }
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;
};

}  // namespace asn
