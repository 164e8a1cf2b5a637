#pragma once
// OBJECT IDENTIFIER: a sequence of arcs, written in dotted form ("0.0.8.2250.0.4").

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stack/asn/Object.h"

namespace asn {

class ObjectId : public Object {
 public:
  ObjectId() = default;
  explicit ObjectId(std::string_view dotted) { SetValue(dotted); }

  const std::vector<uint32_t>& GetValue() const { return arcs_; }
  void SetValue(std::vector<uint32_t> arcs) { arcs_ = std::move(arcs); }
  // False (and the value left empty) when the text is not dotted decimal arcs.
  bool SetValue(std::string_view dotted);
  std::string AsString() const;
  size_t GetSize() const { return arcs_.size(); }
  uint32_t operator[](size_t i) const { return arcs_.at(i); }
  bool operator==(const ObjectId& other) const { return arcs_ == other.arcs_; }
  bool operator==(std::string_view dotted) const { return AsString() == dotted; }

  // The contents octets of the BER encoding, which PER carries behind a length.
  [[nodiscard]] bool ToContents(std::vector<uint8_t>& out) const;
  [[nodiscard]] bool FromContents(const std::vector<uint8_t>& in) {
    return FromContents(in.data(), in.size());
  }
  [[nodiscard]] bool FromContents(const uint8_t* in, size_t size);

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;

 private:
  // Whether the arcs can be written (two at least, the first two within their ranges).
  bool Encodable() const;
  // The contents octets at `out` (room for 5 an arc and 5 more); returns their number.
  size_t WriteContents(uint8_t* out) const;

  std::vector<uint32_t> arcs_;
};

}  // namespace asn
