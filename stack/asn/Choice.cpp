#include "stack/asn/Choice.h"

#include <string>

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

Choice::Octets Choice::CopyOf(const Octets& octets) {
  return octets ? std::make_unique<std::vector<uint8_t>>(*octets) : nullptr;
}

Choice::Choice(const Choice& other)
    : Object(other),
      tag_(other.tag_),
      value_(other.value_ ? other.value_->Clone() : nullptr),
      unknown_(CopyOf(other.unknown_)) {}

Choice& Choice::operator=(const Choice& other) {
  if (this != &other) {
    tag_ = other.tag_;
    value_ = other.value_ ? other.value_->Clone() : nullptr;
    unknown_ = CopyOf(other.unknown_);
  }
  return *this;
}

bool Choice::SetTag(unsigned tag) {
  if (tag >= Info().count) return false;
  value_ = CreateAlternative(tag);
  tag_ = tag;
  unknown_.reset();
  return true;
}

Object& Choice::Select(unsigned tag) {
  if (tag_ != tag || !value_) SetTag(tag);
  return *value_;
}

const char* Choice::GetTagName() const {
  const ChoiceInfo& info = Info();
  return tag_ < info.count ? info.names[tag_] : "";
}

void Choice::EncodePer(PerEncoder& enc) const {
  const ChoiceInfo& info = Info();
  if (tag_ == kNoTag) {
    enc.Fail(std::string(info.name) + ": no alternative chosen");
    return;
  }
  bool inRoot = tag_ < info.rootCount;
  if (info.extensible) enc.PutBit(!inRoot);
  if (inRoot) {
    enc.PutConstrainedWholeNumber(tag_, info.rootCount);
    value_->EncodePer(enc);
    if (!enc.ok()) enc.AddContext(info.name, info.names[tag_]);
    return;
  }
  enc.PutNormallySmallNumber(tag_ - info.rootCount);
  if (!value_) {
    if (unknown_) {
      enc.PutOpenType(*unknown_);
    } else {
      enc.PutOpenType(nullptr, 0);
    }
    return;
  }
  size_t begin = enc.BeginOpenType();
  value_->EncodePer(enc);
  if (!enc.ok()) {
    enc.AddContext(info.name, info.names[tag_]);
    return;
  }
  enc.EndOpenType(begin);
}

bool Choice::DecodeBody(PerDecoder& dec) {
  const ChoiceInfo& info = Info();
  bool extension = false;
  if (info.extensible && !dec.GetBit(extension)) return false;
  uint64_t index = 0;
  if (!extension) {
    if (!dec.GetConstrainedWholeNumber(info.rootCount, index) || !dec.Charge(1)) return false;
    Replace(static_cast<unsigned>(index));
    if (!value_->DecodePer(dec)) {
      dec.AddContext(info.name, info.names[tag_]);
      return false;
    }
    return true;
  }
  if (!dec.GetNormallySmallNumber(index)) return false;
  uint64_t known = info.count - info.rootCount;
  PerDecoder::Window window;
  if (!dec.Charge(1) || !dec.OpenWindow(window)) return false;
  if (window.inPlace && index < known) {
    Replace(info.rootCount + static_cast<unsigned>(index));
    if (!value_->DecodePer(dec)) dec.AddContext(info.name, info.names[tag_]);
    return dec.CloseWindow(window);
  }
  const uint8_t* data = nullptr;
  size_t size = 0;
  std::vector<uint8_t> storage;
  if (window.inPlace) {
    size = (window.end - dec.BitPosition()) / 8;
    data = dec.TakeAlignedOctets(size);
    if (!data || !dec.CloseWindow(window)) return dec.Fail("truncated");
  } else if (!dec.GetOpenType(data, size, storage)) {
    return false;
  }
  if (index >= known) {
    // An alternative newer than this side: kept as it came.
    value_.reset();
    tag_ = index > 0xFFFF ? 0xFFFF + info.rootCount : static_cast<unsigned>(index) + info.rootCount;
    unknown_ = std::make_unique<std::vector<uint8_t>>(data, data + size);
    return true;
  }
  // A fragmented alternative: reassembled and read by a decoder of its own.
  SetTag(info.rootCount + static_cast<unsigned>(index));
  PerDecoder sub(data, size, dec);
  if (!value_->DecodePer(sub)) sub.AddContext(info.name, info.names[tag_]);
  return dec.Absorb(sub);
}

bool Choice::DecodePer(PerDecoder& dec) {
  if (!dec.Enter()) return false;
  bool ok = DecodeBody(dec);
  dec.Leave();
  return ok;
}

void Choice::WriteJson(JsonWriter& out) const {
  const ChoiceInfo& info = Info();
  out.BeginObject();
  if (value_) {
    out.Key(info.names[tag_]);
    value_->WriteJson(out);
  } else if (tag_ != kNoTag) {
    out.Key("extension-" + std::to_string(tag_ - info.rootCount));
    if (unknown_) out.Hex(unknown_->data(), unknown_->size());
  }
  out.EndObject();
}

}  // namespace asn
