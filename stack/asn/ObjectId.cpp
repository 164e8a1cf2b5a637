#include "stack/asn/ObjectId.h"

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

bool ObjectId::SetValue(std::string_view dotted) {
  arcs_.clear();
  std::vector<uint32_t> arcs;
  uint64_t cur = 0;
  bool digits = false;
  for (char c : dotted) {
    if (c >= '0' && c <= '9') {
      cur = cur * 10 + static_cast<uint64_t>(c - '0');
      if (cur > UINT32_MAX) return false;
      digits = true;
    } else if (c == '.' && digits) {
      arcs.push_back(static_cast<uint32_t>(cur));
      cur = 0;
      digits = false;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  arcs.push_back(static_cast<uint32_t>(cur));
  arcs_ = std::move(arcs);
  return true;
}

std::string ObjectId::AsString() const {
  std::string s;
  for (size_t i = 0; i < arcs_.size(); ++i) {
    if (i) s += '.';
    s += std::to_string(arcs_[i]);
  }
  return s;
}

// Writes `v` in base 128 at `out`; returns the octets written (at most 10).
static size_t PutArc(uint8_t* out, uint64_t v) {
  uint8_t tmp[10];
  size_t n = 0;
  do {
    tmp[n++] = static_cast<uint8_t>(v & 0x7F);
    v >>= 7;
  } while (v != 0);
  for (size_t i = 0; i < n; ++i) {
    out[i] = static_cast<uint8_t>(tmp[n - 1 - i] | (i + 1 < n ? 0x80 : 0));
  }
  return n;
}

bool ObjectId::Encodable() const {
  return arcs_.size() >= 2 && arcs_[0] <= 2 && (arcs_[0] == 2 || arcs_[1] <= 39);
}

size_t ObjectId::WriteContents(uint8_t* out) const {
  size_t n = PutArc(out, uint64_t{arcs_[0]} * 40 + arcs_[1]);
  for (size_t i = 2; i < arcs_.size(); ++i) n += PutArc(out + n, arcs_[i]);
  return n;
}

bool ObjectId::ToContents(std::vector<uint8_t>& out) const {
  out.clear();
  if (!Encodable()) return false;
  out.resize(arcs_.size() * 5 + 5);
  out.resize(WriteContents(out.data()));
  return true;
}

bool ObjectId::FromContents(const uint8_t* in, size_t size) {
  // Every octet without the continuation bit ends an arc; the first one ends two.
  // Room for the arcs at once: an identifier of up to 15 octets has at most 16 arcs.
  size_t ends = size + 1;
  if (size > 15) {
    ends = 1;
    for (size_t i = 0; i < size; ++i) ends += (in[i] & 0x80) == 0;
  }
  std::vector<uint32_t> arcs;
  arcs.reserve(ends);
  uint64_t cur = 0;
  bool started = false;
  for (size_t i = 0; i < size; ++i) {
    if (!started && in[i] == 0x80) return false;  // arcs have no leading zero groups
    started = true;
    cur = (cur << 7) | (in[i] & 0x7F);
    if (cur > (uint64_t{UINT32_MAX} + 80)) return false;
    if (in[i] & 0x80) continue;
    if (arcs.empty()) {
      uint64_t first = cur < 80 ? cur / 40 : 2;
      arcs.push_back(static_cast<uint32_t>(first));
      uint64_t second = cur - first * 40;
      if (second > UINT32_MAX) return false;
      arcs.push_back(static_cast<uint32_t>(second));
    } else {
      if (cur > UINT32_MAX) return false;
      arcs.push_back(static_cast<uint32_t>(cur));
    }
    cur = 0;
    started = false;
  }
  if (started || arcs.empty()) return false;
  arcs_ = std::move(arcs);
  return true;
}

void ObjectId::EncodePer(PerEncoder& enc) const {
  if (!Encodable()) {
    enc.Fail("object identifier \"" + AsString() + "\" cannot be encoded");
    return;
  }
  // Five octets an arc at most (the first two together need up to six).
  uint8_t small[64];
  std::vector<uint8_t> large;
  uint8_t* contents = small;
  if (arcs_.size() * 5 + 5 > sizeof small) {
    large.resize(arcs_.size() * 5 + 5);
    contents = large.data();
  }
  size_t size = WriteContents(contents);
  enc.PutLengthAndContent(size, 0, kUnbounded, [&](size_t begin, size_t count) {
    enc.Align();
    enc.PutOctets(contents + begin, count);
  });
}

bool ObjectId::DecodePer(PerDecoder& dec) {
  const uint8_t* contents = nullptr;
  size_t size = 0;
  std::vector<uint8_t> storage;  // only for a fragmented value
  if (!dec.GetOpenType(contents, size, storage)) return false;
  if (!FromContents(contents, size)) return dec.Fail("bad object identifier");
  return true;
}

std::unique_ptr<Object> ObjectId::Clone() const { return std::make_unique<ObjectId>(*this); }

void ObjectId::WriteJson(JsonWriter& out) const { out.String(AsString()); }

}  // namespace asn
