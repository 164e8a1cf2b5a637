#pragma once
// SEQUENCE (and SET, which PER encodes alike): the base of the generated sequence classes.
// The generated class holds the components as members and describes them in a
// SequenceInfo; this class holds which optional components are present and does the
// encoding, including extension additions wrapped as open types. Every extension
// addition counts as optional here (an older peer leaves it out); a version group
// [[ ]] is present when any of its components is. Additions newer than this side's module
// are kept as their encodings, in order, and written back as they came. The bitmap of
// additions runs up to the last one present; a decoded value keeps the length it came
// with, so that it is written back octet for octet.

#include <cstdint>
#include <memory>
#include <vector>

#include "stack/asn/Object.h"
#include "stack/asn/PerDecoder.h"

namespace asn {

struct SequenceField {
  const char* name;
  int16_t presence;  // index of the presence flag, or -1 for a mandatory root component
  int16_t addition;  // -1 for a root component, else the number of its extension addition
  bool optional;     // OPTIONAL or DEFAULT in the module (matters inside a version group)
  bool inGroup;      // a component of a version group [[ ]], which is encoded as a sequence
};

struct SequenceInfo {
  const char* name;
  const SequenceField* fields;     // root components in encoding order, then the additions
  const uint16_t* jsonOrder;       // field indices sorted by name
  uint16_t fieldCount;
  uint16_t rootCount;
  uint16_t rootOptionalCount;      // presence flags 0.. of the root
  uint16_t additionCount;
  bool extensible;
};

class Sequence : public Object {
 public:
  static constexpr unsigned kMaxPresenceFlags = 128;

  bool HasOptionalField(unsigned field) const {
    return field < kMaxPresenceFlags && (presence_[field / 64] << (field % 64)) >> 63;
  }
  void IncludeOptionalField(unsigned field) {
    if (field < kMaxPresenceFlags) presence_[field / 64] |= FlagBit(field);
  }
  void RemoveOptionalField(unsigned field) {
    if (field < kMaxPresenceFlags) presence_[field / 64] &= ~FlagBit(field);
  }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  void WriteJson(JsonWriter& out) const override;

 protected:
  Sequence() = default;
  Sequence(const Sequence& other);
  Sequence& operator=(const Sequence& other);
  Sequence(Sequence&&) noexcept = default;
  Sequence& operator=(Sequence&&) noexcept = default;

  virtual const SequenceInfo& Info() const = 0;
  virtual const Object& FieldAt(unsigned index) const = 0;
  Object& MutableFieldAt(unsigned index) { return const_cast<Object&>(FieldAt(index)); }

  // The steps of a decoder that a generated class writes out for its own components:
  // BeginDecode, then each root component present with DecodeField, then the extension
  // additions with DecodeExtensions when `extended` was set.
  // `extensible` and `rootOptionalCount` are those of Info(), which the generated class
  // knows without asking.
  [[nodiscard]] VARLO_ASN_INLINE bool BeginDecode(PerDecoder& dec, bool& extended, bool extensible,
                                 unsigned rootOptionalCount) {
    presence_[0] = presence_[1] = 0;
    if (unknown_) unknown_.reset();
    bitmapLength_ = 0;
    extended = false;
    // The extension bit and the root's presence bits in one read when they fit in one.
    unsigned width = (extensible ? 1 : 0) + rootOptionalCount;
    if (width == 0) return true;
    if (width > 56) return BeginDecodeSlow(dec, extended, extensible, rootOptionalCount);
    uint64_t bits = 0;
    if (!dec.GetBits(width, bits)) return false;
    if (extensible) extended = (bits >> rootOptionalCount) & 1;
    if (rootOptionalCount != 0) presence_[0] = bits << (64 - rootOptionalCount);
    return true;
  }
  template <class T>
  [[nodiscard]] bool DecodeField(PerDecoder& dec, T& field, unsigned index) {
    if (field.T::DecodePer(dec)) return true;  // the component's own type: no virtual call
    FieldFailed(dec, index);
    return false;
  }
  [[nodiscard]] bool DecodeExtensions(PerDecoder& dec);
  // The same with `read(dec, index)` reading component `index` (an addition's) with its
  // own type's decoder, which a generated class writes out.
  template <class Read>
  [[nodiscard]] bool DecodeExtensions(PerDecoder& dec, const SequenceInfo& info, Read read);

 private:
  bool FieldPresent(const SequenceField& f) const {
    return f.presence < 0 || HasOptionalField(static_cast<unsigned>(f.presence));
  }
  // Flag k is bit 63 - k % 64 of word k / 64: the order in which the encoding sends them.
  static uint64_t FlagBit(unsigned field) { return uint64_t{1} << (63 - field % 64); }
  [[nodiscard]] bool BeginDecodeSlow(PerDecoder& dec, bool& extended, bool extensible,
                                     unsigned rootOptionalCount);
  bool AdditionPresent(unsigned addition, unsigned& first, unsigned& end) const;
  bool IsGroup(unsigned first) const { return Info().fields[first].inGroup; }
  void EncodeAddition(PerEncoder& enc, unsigned first, unsigned end) const;
  [[nodiscard]] bool DecodeBody(PerDecoder& dec);
  void FieldFailed(PerDecoder& dec, unsigned index) const;
  // The value of an addition's open type: failures are left in `dec`.
  template <class Read>
  void DecodeAdditionValue(PerDecoder& dec, const SequenceInfo& info, unsigned first,
                           unsigned end, Read& read);
  [[nodiscard]] bool KeepUnknownAddition(PerDecoder& dec, size_t index);

  // An extension addition this side does not know: its place in the bitmap, its octets.
  struct UnknownAddition {
    size_t index;
    std::vector<uint8_t> bytes;
  };

  uint64_t presence_[kMaxPresenceFlags / 64] = {};
  using UnknownAdditions = std::vector<UnknownAddition>;
  // Dropped out of line: a value without unknown additions (nearly all) only tests the
  // pointer.
  struct DropUnknown {
    void operator()(UnknownAdditions* list) const noexcept;
  };

  // Rarely there: a pointer keeps the common value small and quick to drop.
  std::unique_ptr<UnknownAdditions, DropUnknown> unknown_;
  size_t bitmapLength_ = 0;  // of the decoded encoding; 0 for a value built here
};

template <class Read>
bool Sequence::DecodeExtensions(PerDecoder& dec, const SequenceInfo& info, Read read) {
  size_t count = 0;
  if (!dec.GetNormallySmallLength(count)) return false;
  if (count > dec.BitsLeft()) return dec.Fail("truncated");
  bitmapLength_ = count;
  // The bitmap, on the stack unless it is longer than any addition list here.
  bool small[kMaxPresenceFlags];
  std::vector<bool> large;
  if (count > kMaxPresenceFlags) large.resize(count);
  for (size_t a = 0; a < count;) {
    // Up to 56 bits of the bitmap at a time.
    unsigned n = count - a < 56 ? static_cast<unsigned>(count - a) : 56;
    uint64_t bits = 0;
    if (!dec.GetBits(n, bits)) return false;
    for (unsigned k = 0; k < n; ++k, ++a) {
      bool bit = (bits >> (n - 1 - k)) & 1;
      if (count > kMaxPresenceFlags) {
        large[a] = bit;
      } else {
        small[a] = bit;
      }
    }
  }
  unsigned first = info.rootCount;
  for (size_t a = 0; a < count; ++a) {
    if (!(count > kMaxPresenceFlags ? large[a] : small[a])) continue;
    if (a < info.additionCount) {
      // Additions come in order: the search for this one starts where the last one was.
      while (first < info.fieldCount && info.fields[first].addition != static_cast<int>(a)) {
        ++first;
      }
      unsigned end = first;
      while (end < info.fieldCount && info.fields[end].addition == static_cast<int>(a)) ++end;
      bool ok = dec.ReadOpenType(
          [&](PerDecoder& d) { DecodeAdditionValue(d, info, first, end, read); });
      if (!ok) return false;
    } else if (!KeepUnknownAddition(dec, a)) {
      return false;
    }
  }
  return true;
}

template <class Read>
void Sequence::DecodeAdditionValue(PerDecoder& dec, const SequenceInfo& info, unsigned first,
                                   unsigned end, Read& read) {
  if (!info.fields[first].inGroup) {
    if (info.fields[first].presence >= 0) {
      IncludeOptionalField(static_cast<unsigned>(info.fields[first].presence));
    }
    if (!read(dec, first)) dec.AddContext(info.name, info.fields[first].name);
    return;
  }
  // A version group: its presence bits, then the components present.
  bool present[kMaxPresenceFlags];
  if (end - first > kMaxPresenceFlags) {
    dec.Fail("version group too large");
    return;
  }
  for (unsigned i = first; i < end; ++i) {
    present[i - first] = true;
    if (info.fields[i].optional && !dec.GetBit(present[i - first])) return;
  }
  for (unsigned i = first; i < end && dec.ok(); ++i) {
    if (!present[i - first]) continue;
    if (info.fields[i].presence >= 0) {
      IncludeOptionalField(static_cast<unsigned>(info.fields[i].presence));
    }
    if (!read(dec, i)) dec.AddContext(info.name, info.fields[i].name);
  }
}

}  // namespace asn
