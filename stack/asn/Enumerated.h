#pragma once
// ENUMERATED: generated subclasses name the values; the encoding is the value's index
// among the root values sorted by number, or its index among the extension additions.

#include <cstdint>

#include "stack/asn/Object.h"

namespace asn {

struct EnumeratedInfo {
  const char* name;
  const int64_t* values;     // root values by ascending number, then the additions
  const char* const* names;  // in the same order
  unsigned rootCount;
  unsigned count;
  bool extensible;
};

class Enumerated : public Object {
 public:
  Enumerated& operator=(const Enumerated& other) {
    index_ = other.index_;
    return *this;
  }
  // The value's number; -1 for an extension value this side does not know.
  int64_t GetValue() const;
  // False (and nothing changed) for a number that is not one of the type's values.
  bool SetValue(int64_t value);
  operator int64_t() const { return GetValue(); }
  // The value's identifier, or "" for an unknown extension value.
  const char* GetName() const;

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  void WriteJson(JsonWriter& out) const override;

 protected:
  Enumerated() = default;
  Enumerated(const Enumerated&) = default;
  virtual const EnumeratedInfo& Info() const = 0;

 private:
  unsigned index_ = 0;  // the smallest root value; >= Info().count: an unknown extension
};

}  // namespace asn
