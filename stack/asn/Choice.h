#pragma once
// CHOICE: the base of the generated choice classes. It holds the selected alternative;
// the generated class names the alternatives (tag enumeration e_...) and creates them. An
// extension alternative that this side does not know is kept as its encoding: GetTag()
// then returns a number past the known tags.

#include <cstdint>
#include <memory>
#include <vector>

#include "stack/asn/Object.h"

namespace asn {

struct ChoiceInfo {
  const char* name;
  const char* const* names;  // alternatives by tag: root ones, then the additions
  unsigned rootCount;
  unsigned count;
  bool extensible;
};

class Choice : public Object {
 public:
  static constexpr unsigned kNoTag = ~0u;

  // The selected alternative's tag; kNoTag when none has been chosen yet.
  unsigned GetTag() const { return tag_; }
  // Selects an alternative, freshly made; false (nothing changed) for an unknown tag.
  bool SetTag(unsigned tag);
  // The ASN.1 name of the selected alternative, or "" when none is known.
  const char* GetTagName() const;
  bool IsValid() const { return value_ != nullptr; }
  // The selected alternative (IsValid() must hold).
  Object& GetObject() { return *value_; }
  const Object& GetObject() const { return *value_; }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  void WriteJson(JsonWriter& out) const override;

 protected:
  Choice() = default;
  Choice(const Choice& other);
  Choice& operator=(const Choice& other);
  Choice(Choice&&) noexcept = default;
  Choice& operator=(Choice&&) noexcept = default;

  virtual const ChoiceInfo& Info() const = 0;
  virtual std::unique_ptr<Object> CreateAlternative(unsigned tag) const = 0;

  // The alternative `tag`, selected first when another one (or none) is.
  Object& Select(unsigned tag);

 private:
  [[nodiscard]] bool DecodeBody(PerDecoder& dec);
  // Selects a known alternative, freshly made.
  void Replace(unsigned tag) {
    value_ = CreateAlternative(tag);
    tag_ = tag;
    if (unknown_) unknown_.reset();
  }

  unsigned tag_ = kNoTag;
  std::unique_ptr<Object> value_;
  using Octets = std::unique_ptr<std::vector<uint8_t>>;
  static Octets CopyOf(const Octets& octets);

  // The encoding of an unknown extension alternative (rare, hence by pointer).
  Octets unknown_;
};

}  // namespace asn
