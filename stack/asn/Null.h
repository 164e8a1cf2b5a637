#pragma once
// NULL: no bits at all.

#include "stack/asn/Object.h"

namespace asn {

class Null : public Object {
 public:
  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;
};

}  // namespace asn
