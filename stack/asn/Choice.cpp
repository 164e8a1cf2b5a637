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
  Adopt(tag, CreateAlternative(tag));
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

void Choice::KeepUnknown(uint64_t index, unsigned rootCount, const uint8_t* data, size_t size) {
  value_.reset();
  tag_ = index > 0xFFFF ? 0xFFFF + rootCount : static_cast<unsigned>(index) + rootCount;
  unknown_ = std::make_unique<std::vector<uint8_t>>(data, data + size);
}

bool Choice::DecodePer(PerDecoder& dec) {
  return DecodeAlternatives(dec, Info(), [this](PerDecoder& d, unsigned tag) {
    return Adopt(tag, CreateAlternative(tag)).DecodePer(d);
  });
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
