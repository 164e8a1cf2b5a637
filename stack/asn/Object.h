#pragma once
// The base of every ASN.1 value: primitive values of the runtime and the generated message
// classes. A value is encoded in aligned PER (X.691 BASIC-ALIGNED), decoded from it, copied
// and written as JSON text.
//
// Constraints belong to the place a value lives in (a field, an alternative, an element),
// not to the value: they are set when the place is made, and assigning one value to
// another copies the value only.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stack/asn/ValueStore.h"

namespace asn {

class PerEncoder;
class PerDecoder;
class JsonWriter;

class Object {
 public:
  virtual ~Object() = default;

  // Appends this value's encoding; a value that breaks its constraints fails the encoder.
  virtual void EncodePer(PerEncoder& enc) const = 0;
  // Replaces this value with the one read; false (and the reason in `dec`) on bad input.
  [[nodiscard]] virtual bool DecodePer(PerDecoder& dec) = 0;
  virtual std::unique_ptr<Object> Clone() const = 0;
  virtual void WriteJson(JsonWriter& out) const = 0;

  // A complete encoding of this value as the outermost value of a message.
  [[nodiscard]] bool Encode(std::vector<uint8_t>& out, std::string* error = nullptr) const;
  // Decodes a complete encoding; octets after the value are ignored.
  [[nodiscard]] bool Decode(const uint8_t* data, size_t size, std::string* error = nullptr);
  [[nodiscard]] bool Decode(const std::vector<uint8_t>& data, std::string* error = nullptr) {
    return Decode(data.data(), data.size(), error);
  }
  // The value as compact JSON (see JsonWriter).
  std::string ToJson() const;

  // Values made on their own (alternatives, elements, copies) come from the thread's
  // value store (ValueStore.h).
  static void* operator new(std::size_t size) { return value_store::Allocate(size); }
  static void operator delete(void* block, std::size_t size) noexcept {
    value_store::Release(block, size);
  }

 protected:
  Object() = default;
  Object(const Object&) = default;
  Object& operator=(const Object&) = default;
};

}  // namespace asn
