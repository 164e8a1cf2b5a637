#include "stack/asn/CharString.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>

#include "stack/asn/CharWidth.h"
#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

namespace {

std::string MakeRange(int first, int last) {
  std::string s;
  for (int c = first; c <= last; ++c) s += static_cast<char>(c);
  return s;
}

const std::string kIA5 = MakeRange(0, 127);
const std::string kVisible = MakeRange(32, 126);
const std::string kNumeric = " 0123456789";
const std::string kPrintable =
    " '()+,-./0123456789:=?ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Each octet's place in an alphabet, -1 for an octet outside it.
struct AlphabetIndex {
  explicit AlphabetIndex(std::string_view alphabet) {
    std::fill(std::begin(at), std::end(at), int16_t{-1});
    for (size_t i = 0; i < alphabet.size(); ++i) {
      at[static_cast<unsigned char>(alphabet[i])] = static_cast<int16_t>(i);
    }
  }
  int16_t at[256];
};

// The codes of an alphabet, as a set of 256 bits.
struct CodeSet {
  CodeSet() = default;
  explicit CodeSet(std::string_view alphabet) {
    for (char ch : alphabet) {
      auto code = static_cast<unsigned char>(ch);
      bits[code / 64] |= uint64_t{1} << (code % 64);
    }
  }
  bool Has(unsigned code) const { return (bits[code / 64] >> (code % 64)) & 1; }
  uint64_t bits[4] = {};
};

// A table made once for each kind's whole alphabet (`alphabet` is one of the k... strings).
template <class Table>
const Table& KindTable(const std::string& alphabet) {
  static const Table ia5(kIA5), visible(kVisible), numeric(kNumeric), printable(kPrintable);
  if (&alphabet == &kVisible) return visible;
  if (&alphabet == &kNumeric) return numeric;
  if (&alphabet == &kPrintable) return printable;
  return ia5;
}

}  // namespace

std::string_view CharString::Alphabet() const {
  if (alphabet_) return alphabet_;
  return KindAlphabet();
}

const std::string& CharString::KindAlphabet() const {
  switch (kind_) {
    case Kind::kIA5:
      return kIA5;
    case Kind::kNumeric:
      return kNumeric;
    case Kind::kPrintable:
      return kPrintable;
    case Kind::kVisible:
      return kVisible;
  }
  return kIA5;
}

void CharString::EncodePer(PerEncoder& enc) const {
  std::string_view alphabet = Alphabet();
  CharWidth width(static_cast<uint32_t>(alphabet.size()),
                  static_cast<unsigned char>(alphabet.back()));
  std::optional<AlphabetIndex> own;
  const AlphabetIndex& index = alphabet_ ? own.emplace(alphabet) : KindTable<AlphabetIndex>(KindAlphabet());
  for (char ch : value_) {
    if (index.at[static_cast<unsigned char>(ch)] < 0) {
      enc.Fail("character " + std::to_string(static_cast<unsigned char>(ch)) +
               " not in the permitted alphabet");
      return;
    }
  }
  SizeConstraint c = size_.Begin(enc, value_.size());
  auto emit = [&](size_t begin, size_t count) {
    if (width.AlignContent(c)) enc.Align();
    for (size_t i = begin; i < begin + count; ++i) {
      auto ch = static_cast<unsigned char>(value_[i]);
      enc.PutBits(width.indexed ? static_cast<unsigned>(index.at[ch]) : ch, width.bits);
    }
  };
  if (c.lb == c.ub && c.ub < 65536) {
    emit(0, value_.size());
    return;
  }
  enc.PutLengthAndContent(value_.size(), c.lb, c.ub, emit);
}

bool CharString::DecodePer(PerDecoder& dec) {
  std::string_view alphabet = Alphabet();
  CharWidth width(static_cast<uint32_t>(alphabet.size()),
                  static_cast<unsigned char>(alphabet.back()));
  SizeConstraint c;
  if (!size_.Begin(dec, c)) return false;
  value_.clear();
  // The permitted codes of a string that sends codes rather than indices.
  CodeSet own;
  const CodeSet* permitted = nullptr;
  if (!width.indexed) permitted = alphabet_ ? &(own = CodeSet(alphabet)) : &KindTable<CodeSet>(KindAlphabet());
  auto put = [&](char* out, uint64_t v) VARLO_ASN_INLINE_LAMBDA {
    if (width.indexed) {
      if (v >= alphabet.size()) return dec.Fail("character index outside the alphabet");
      *out = alphabet[v];
      return true;
    }
    if (v > 255 || !permitted->Has(static_cast<unsigned>(v))) {
      return dec.Fail("character not in the permitted alphabet");
    }
    *out = static_cast<char>(v);
    return true;
  };
  auto read = [&](size_t count) {
    if (width.AlignContent(c) && !dec.Align()) return false;
    if (count > dec.BitsLeft()) return dec.Fail("truncated");
    size_t at = value_.size();
    value_.resize(at + count);
    char* out = value_.data() + at;
    size_t i = 0;
    if (width.bits == 8) {
      if (const uint8_t* p = dec.TakeAlignedOctets(count)) {
        for (; i < count; ++i) {
          if (!put(out + i, p[i])) return false;
        }
        return true;
      }
    }
    if (width.bits > 0 && width.bits <= 8) {
      // As many characters as one read of up to 56 bits holds.
      const unsigned perRead = 56 / width.bits;
      const uint64_t mask = (uint64_t{1} << width.bits) - 1;
      while (i < count) {
        unsigned k = count - i < perRead ? static_cast<unsigned>(count - i) : perRead;
        uint64_t v = 0;
        if (!dec.GetBits(k * width.bits, v)) return false;
        for (unsigned j = 0; j < k; ++j) {
          if (!put(out + i + j, (v >> ((k - 1 - j) * width.bits)) & mask)) return false;
        }
        i += k;
      }
      return true;
    }
    for (; i < count; ++i) {
      uint64_t v = 0;
      if (!dec.GetBits(width.bits, v) || !put(out + i, v)) return false;
    }
    return true;
  };
  if (c.lb == c.ub && c.ub < 65536) return read(c.ub);
  return GetLengthAndContent(dec, c, read, [this] { return value_.size(); });
}

void CharString::WriteJson(JsonWriter& out) const { out.String(value_); }

}  // namespace asn
