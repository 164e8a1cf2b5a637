#pragma once
// CHOICE: the base of the generated choice classes. It holds the selected alternative;
// the generated class names the alternatives (tag enumeration e_...) and creates them. An
// extension alternative that this side does not know is kept as its encoding: GetTag()
// then returns a number past the known tags.

#include <cstdint>
#include <memory>
#include <vector>

#include "stack/asn/Object.h"
#include "stack/asn/PerDecoder.h"

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

  // The decoder a generated class writes out: `read(dec, tag)` selects the known
  // alternative `tag` (with Adopt) and reads it with its own type's decoder.
  template <class Read>
  [[nodiscard]] bool DecodeAlternatives(PerDecoder& dec, const ChoiceInfo& info, Read read) {
    if (!dec.Enter()) return false;
    bool extension = false;
    uint64_t index = 0;
    bool ok;
    if (info.extensible && !dec.GetBit(extension)) {
      ok = false;
    } else if (!extension) {
      ok = dec.GetConstrainedWholeNumber(info.rootCount, index) && dec.Charge(1);
      if (ok && !read(dec, static_cast<unsigned>(index))) {
        dec.AddContext(info.name, info.names[index]);
        ok = false;
      }
    } else {
      ok = DecodeExtension(dec, info, read);
    }
    dec.Leave();
    return ok;
  }
  template <class T>
  T& Adopt(unsigned tag, std::unique_ptr<T> value) {
    T& v = *value;
    value_ = std::move(value);
    tag_ = tag;
    if (unknown_) unknown_.reset();
    return v;
  }

 private:
  void KeepUnknown(uint64_t index, unsigned rootCount, const uint8_t* data, size_t size);
  // An alternative after the extension marker (its bit read): a known one is read with
  // `read`, another kept as its octets.
  template <class Read>
  [[nodiscard]] bool DecodeExtension(PerDecoder& dec, const ChoiceInfo& info, Read& read);

  unsigned tag_ = kNoTag;
  std::unique_ptr<Object> value_;
  using Octets = std::unique_ptr<std::vector<uint8_t>>;
  static Octets CopyOf(const Octets& octets);

  // The encoding of an unknown extension alternative (rare, hence by pointer).
  Octets unknown_;
};

template <class Read>
bool Choice::DecodeExtension(PerDecoder& dec, const ChoiceInfo& info, Read& read) {
  uint64_t index = 0;
  if (!dec.GetNormallySmallNumber(index) || !dec.Charge(1)) return false;
  if (index >= info.count - info.rootCount) {
    // An alternative newer than this side: kept as it came.
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::vector<uint8_t> storage;
    if (!dec.GetOpenType(data, size, storage)) return false;
    KeepUnknown(index, info.rootCount, data, size);
    return true;
  }
  unsigned tag = info.rootCount + static_cast<unsigned>(index);
  return dec.ReadOpenType([&](PerDecoder& d) {
    if (!read(d, tag)) d.AddContext(info.name, info.names[tag]);
  });
}

}  // namespace asn
