#include "stack/asn/Sequence.h"

#include <algorithm>
#include <bit>
#include <iterator>
#include <vector>

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

void Sequence::DropUnknown::operator()(UnknownAdditions* list) const noexcept { delete list; }

namespace {

template <class List, class Holder>
Holder CopyOf(const Holder& list) {
  return Holder(list ? new List(*list) : nullptr);
}

}  // namespace

Sequence::Sequence(const Sequence& other)
    : Object(other),
      unknown_(CopyOf<UnknownAdditions>(other.unknown_)),
      bitmapLength_(other.bitmapLength_) {
  std::copy(std::begin(other.presence_), std::end(other.presence_), std::begin(presence_));
}

Sequence& Sequence::operator=(const Sequence& other) {
  if (this != &other) {
    std::copy(std::begin(other.presence_), std::end(other.presence_), std::begin(presence_));
    unknown_ = CopyOf<UnknownAdditions>(other.unknown_);
    bitmapLength_ = other.bitmapLength_;
  }
  return *this;
}

// The fields [first, end) of extension addition `addition`, and whether any is present.
bool Sequence::AdditionPresent(unsigned addition, unsigned& first, unsigned& end) const {
  const SequenceInfo& info = Info();
  first = info.rootCount;
  while (first < info.fieldCount && info.fields[first].addition != static_cast<int>(addition)) {
    ++first;
  }
  end = first;
  bool present = false;
  while (end < info.fieldCount && info.fields[end].addition == static_cast<int>(addition)) {
    present = present || FieldPresent(info.fields[end]);
    ++end;
  }
  return present;
}

void Sequence::EncodeAddition(PerEncoder& enc, unsigned first, unsigned end) const {
  const SequenceInfo& info = Info();
  size_t begin = enc.BeginOpenType();
  if (!IsGroup(first)) {
    FieldAt(first).EncodePer(enc);
  } else {
    // A version group: a sequence of its components without an extension marker.
    for (unsigned i = first; i < end; ++i) {
      if (info.fields[i].optional) enc.PutBit(FieldPresent(info.fields[i]));
    }
    for (unsigned i = first; i < end; ++i) {
      if (!info.fields[i].optional || FieldPresent(info.fields[i])) FieldAt(i).EncodePer(enc);
    }
  }
  if (!enc.ok()) {
    enc.AddContext(info.name, info.fields[first].name);
    return;
  }
  enc.EndOpenType(begin);
}

void Sequence::EncodePer(PerEncoder& enc) const {
  const SequenceInfo& info = Info();
  // Each known addition's fields [first, end) and whether any is present, in one pass.
  struct Span {
    uint16_t first, end;
    bool present;
  };
  Span spans[kMaxPresenceFlags];
  unsigned spanCount = 0;
  size_t bitmapLength = 0;
  for (unsigned i = info.rootCount; i < info.fieldCount && spanCount < kMaxPresenceFlags;) {
    unsigned first = i;
    int addition = info.fields[i].addition;
    bool present = false;
    for (; i < info.fieldCount && info.fields[i].addition == addition; ++i) {
      present = present || FieldPresent(info.fields[i]);
    }
    spans[spanCount++] = {static_cast<uint16_t>(first), static_cast<uint16_t>(i), present};
    if (present) bitmapLength = spanCount;
  }
  // The bitmap runs up to the last addition present, known or not.
  static const UnknownAdditions kNone;
  const UnknownAdditions& unknown = unknown_ ? *unknown_ : kNone;
  if (!unknown.empty()) bitmapLength = unknown.back().index + 1;
  if (bitmapLength < bitmapLength_) bitmapLength = bitmapLength_;
  if (info.extensible) enc.PutBit(bitmapLength > 0);
  for (unsigned i = 0; i < info.rootCount; ++i) {
    if (info.fields[i].presence >= 0) enc.PutBit(FieldPresent(info.fields[i]));
  }
  for (unsigned i = 0; i < info.rootCount && enc.ok(); ++i) {
    if (!FieldPresent(info.fields[i])) continue;
    FieldAt(i).EncodePer(enc);
    if (!enc.ok()) enc.AddContext(info.name, info.fields[i].name);
  }
  if (bitmapLength == 0 || !info.extensible) return;
  enc.PutNormallySmallLength(bitmapLength);
  auto next = unknown.begin();
  for (size_t a = 0; a < bitmapLength; ++a) {
    if (a < spanCount) {
      enc.PutBit(spans[a].present);
    } else {
      bool present = next != unknown.end() && next->index == a;
      enc.PutBit(present);
      if (present) ++next;
    }
  }
  next = unknown.begin();
  for (size_t a = 0; a < bitmapLength && enc.ok(); ++a) {
    if (a < spanCount) {
      if (spans[a].present) EncodeAddition(enc, spans[a].first, spans[a].end);
    } else if (next != unknown.end() && next->index == a) {
      enc.PutOpenType(next->bytes);
      ++next;
    }
  }
}

bool Sequence::BeginDecodeSlow(PerDecoder& dec, bool& extended, bool extensible,
                               unsigned rootOptionalCount) {
  if (extensible && !dec.GetBit(extended)) return false;
  // The root's presence bits, flags 0.. in order, up to 56 at a time.
  for (unsigned done = 0; done < rootOptionalCount;) {
    unsigned n = rootOptionalCount - done < 56 ? rootOptionalCount - done : 56;
    uint64_t bits = 0;
    if (!dec.GetBits(n, bits)) return false;
    for (unsigned k = 0; k < n; ++k) {
      if ((bits >> (n - 1 - k)) & 1) IncludeOptionalField(done + k);
    }
    done += n;
  }
  return true;
}

bool Sequence::DecodeBody(PerDecoder& dec) {
  const SequenceInfo& info = Info();
  bool extended = false;
  if (!BeginDecode(dec, extended, info.extensible, info.rootOptionalCount)) return false;
  for (unsigned i = 0; i < info.rootCount; ++i) {
    if (!FieldPresent(info.fields[i])) continue;
    if (!MutableFieldAt(i).DecodePer(dec)) {
      dec.AddContext(info.name, info.fields[i].name);
      return false;
    }
  }
  return !extended || DecodeExtensions(dec);
}

void Sequence::FieldFailed(PerDecoder& dec, unsigned index) const {
  dec.AddContext(Info().name, Info().fields[index].name);
}

bool Sequence::DecodeExtensions(PerDecoder& dec) {
  return DecodeExtensions(dec, Info(), [this](PerDecoder& d, unsigned index) {
    return MutableFieldAt(index).DecodePer(d);
  });
}

bool Sequence::KeepUnknownAddition(PerDecoder& dec, size_t index) {
  // An addition newer than this side: kept as it came.
  if (!unknown_) unknown_.reset(new UnknownAdditions());
  UnknownAddition& kept = unknown_->emplace_back();
  kept.index = index;
  return dec.GetOpenType(kept.bytes) && dec.Charge(1);
}

bool Sequence::DecodePer(PerDecoder& dec) {
  if (!dec.Enter()) return false;
  bool ok = DecodeBody(dec);
  dec.Leave();
  return ok;
}

void Sequence::WriteJson(JsonWriter& out) const {
  const SequenceInfo& info = Info();
  out.BeginObject();
  for (unsigned k = 0; k < info.fieldCount; ++k) {
    unsigned i = info.jsonOrder[k];
    const SequenceField& f = info.fields[i];
    bool present = FieldPresent(f);
    if (f.addition >= 0 && !f.optional && !present) {
      // A mandatory component of a present version group is present too.
      unsigned first = 0, end = 0;
      present = f.inGroup && AdditionPresent(static_cast<unsigned>(f.addition), first, end);
    }
    if (!present) continue;
    out.Key(f.name);
    FieldAt(i).WriteJson(out);
  }
  out.EndObject();
}

}  // namespace asn
