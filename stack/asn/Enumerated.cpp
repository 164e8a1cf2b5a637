#include "stack/asn/Enumerated.h"

#include <string>

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

int64_t Enumerated::GetValue() const {
  const EnumeratedInfo& info = Info();
  return index_ < info.count ? info.values[index_] : -1;
}

bool Enumerated::SetValue(int64_t value) {
  const EnumeratedInfo& info = Info();
  for (unsigned i = 0; i < info.count; ++i) {
    if (info.values[i] == value) {
      index_ = i;
      return true;
    }
  }
  return false;
}

const char* Enumerated::GetName() const {
  const EnumeratedInfo& info = Info();
  return index_ < info.count ? info.names[index_] : "";
}

void Enumerated::EncodePer(PerEncoder& enc) const {
  const EnumeratedInfo& info = Info();
  if (index_ >= info.count) {
    enc.Fail(std::string(info.name) + ": unknown extension value");
    return;
  }
  bool inRoot = index_ < info.rootCount;
  if (info.extensible) enc.PutBit(!inRoot);
  if (inRoot) {
    enc.PutConstrainedWholeNumber(index_, info.rootCount);
  } else {
    enc.PutNormallySmallNumber(index_ - info.rootCount);
  }
}

bool Enumerated::DecodePer(PerDecoder& dec) {
  const EnumeratedInfo& info = Info();
  bool extension = false;
  if (info.extensible && !dec.GetBit(extension)) return false;
  uint64_t index = 0;
  if (!extension) {
    if (!dec.GetConstrainedWholeNumber(info.rootCount, index)) return false;
    index_ = static_cast<unsigned>(index);
    return true;
  }
  if (!dec.GetNormallySmallNumber(index)) return false;
  // An addition this side does not know keeps an index past the known ones.
  uint64_t known = info.count - info.rootCount;
  index_ = index < known ? info.rootCount + static_cast<unsigned>(index) : info.count;
  return true;
}

void Enumerated::WriteJson(JsonWriter& out) const {
  const EnumeratedInfo& info = Info();
  if (index_ < info.count) {
    out.String(info.names[index_]);
  } else {
    out.Null();
  }
}

}  // namespace asn
