#include "codec/g7231/Bitstream.h"

#include <algorithm>

#include "codec/g7231/State.h"

namespace g7231 {
namespace {

constexpr int kLagCodeMax = 123;  // lag codes 124..127 are forbidden
constexpr int kLagTrainMax = SubFrLen - 2;

class BitWriter {
 public:
  explicit BitWriter(unsigned char* out) : out_(out) {}
  void put(Word32 value, int bits) {
    for (int i = 0; i < bits; ++i, ++pos_) {
      if ((value >> i) & 1) out_[pos_ / 8] = static_cast<unsigned char>(out_[pos_ / 8] ^ (1u << (pos_ % 8)));
    }
  }

 private:
  unsigned char* out_;
  int pos_ = 0;
};

class BitReader {
 public:
  explicit BitReader(const unsigned char* in) : in_(in) {}
  Word32 get(int bits) {
    Word32 v = 0;
    for (int i = 0; i < bits; ++i, ++pos_) v |= static_cast<Word32>((in_[pos_ / 8] >> (pos_ % 8)) & 1) << i;
    return v;
  }

 private:
  const unsigned char* in_;
  int pos_ = 0;
};

}  // namespace

std::size_t FrameLength(unsigned char first) {
  static constexpr std::size_t kLen[4] = {24, 20, 4, 1};
  return kLen[first & 3];
}

void Line_Pack(const LINEDEF* Line, unsigned char* Vout, Word16 Ftyp, Crate rate) {
  std::fill(Vout, Vout + MaxFrameBytes, 0);
  BitWriter w(Vout);
  if (Ftyp == kFtypUntransmitted) {
    w.put(3, 2);
    return;
  }
  if (Ftyp == kFtypSid) {
    w.put(2, 2);
    w.put(Line->LspId, 24);
    w.put(Line->Sfs[0].Mamp, 6);
    return;
  }
  w.put(rate == Rate63 ? 0 : 1, 2);
  w.put(Line->LspId, 24);
  w.put(Line->Olp[0] - PitchMin, 7);
  w.put(Line->Sfs[1].AcL, 2);
  w.put(Line->Olp[1] - PitchMin, 7);
  w.put(Line->Sfs[3].AcL, 2);
  for (const SFSDEF& s : Line->Sfs) {
    Word32 g = s.AcG * NumOfGainLev + s.Mamp;
    if (rate == Rate63) g += static_cast<Word32>(s.Tran) << 11;
    w.put(g, 12);
  }
  for (const SFSDEF& s : Line->Sfs) w.put(s.Grid, 1);
  if (rate == Rate63) {
    w.put(0, 1);
    const Word32 h0 = Line->Sfs[0].Ppos >> 16, h1 = Line->Sfs[1].Ppos >> 14;
    const Word32 h2 = Line->Sfs[2].Ppos >> 16, h3 = Line->Sfs[3].Ppos >> 14;
    w.put((h0 * 9 + h1) * 90 + h2 * 9 + h3, 13);
    w.put(Line->Sfs[0].Ppos & 0xFFFF, 16);
    w.put(Line->Sfs[1].Ppos & 0x3FFF, 14);
    w.put(Line->Sfs[2].Ppos & 0xFFFF, 16);
    w.put(Line->Sfs[3].Ppos & 0x3FFF, 14);
    w.put(Line->Sfs[0].Pamp, 6);
    w.put(Line->Sfs[1].Pamp, 5);
    w.put(Line->Sfs[2].Pamp, 6);
    w.put(Line->Sfs[3].Pamp, 5);
  } else {
    for (const SFSDEF& s : Line->Sfs) w.put(s.Ppos, 12);
    for (const SFSDEF& s : Line->Sfs) w.put(s.Pamp, 4);
  }
}

LINEDEF Line_Unpk(const unsigned char* Vinp, Word16* Ftyp, Word16 Crc) {
  LINEDEF line;
  line.Crc = Crc;
  if (Crc != 0) return line;

  BitReader r(Vinp);
  const Word32 type = r.get(2);
  if (type == 3) {
    *Ftyp = kFtypUntransmitted;
    line.LspId = 0;
    return line;
  }
  line.LspId = r.get(24);
  if (type == 2) {
    line.Sfs[0].Mamp = static_cast<Word16>(r.get(6));
    *Ftyp = kFtypSid;
    return line;
  }
  *Ftyp = kFtypSpeech;
  const Crate rate = type == 0 ? Rate63 : Rate53;
  WrkRate.store(rate, std::memory_order_relaxed);

  for (int half = 0; half < 2; ++half) {
    const Word32 code = r.get(7);
    if (code > kLagCodeMax) {
      line.Crc = 1;
      return line;
    }
    line.Olp[half] = static_cast<Word16>(code + PitchMin);
    line.Sfs[2 * half + 1].AcL = static_cast<Word16>(r.get(2));
  }
  line.Sfs[0].AcL = 1;
  line.Sfs[2].AcL = 1;

  for (int i = 0; i < SubFrames; ++i) {
    Word32 g = r.get(12);
    SFSDEF& s = line.Sfs[i];
    s.Tran = 0;
    Word32 bound = 170;
    if (rate == Rate63 && line.Olp[i >> 1] < kLagTrainMax) {
      s.Tran = static_cast<Word16>(g >> 11);
      g &= 0x7FF;
      bound = 85;
    }
    s.AcG = static_cast<Word16>(g / NumOfGainLev);
    if (s.AcG >= bound) {
      line.Crc = 1;
      return line;
    }
    s.Mamp = static_cast<Word16>(g % NumOfGainLev);
  }
  for (SFSDEF& s : line.Sfs) s.Grid = static_cast<Word16>(r.get(1));

  if (rate == Rate63) {
    r.get(1);  // reserved
    const Word32 n = r.get(13);
    const Word32 h[4] = {(n / 90) / 9, (n / 90) % 9, (n % 90) / 9, (n % 90) % 9};
    line.Sfs[0].Ppos = (h[0] << 16) + r.get(16);
    line.Sfs[1].Ppos = (h[1] << 14) + r.get(14);
    line.Sfs[2].Ppos = (h[2] << 16) + r.get(16);
    line.Sfs[3].Ppos = (h[3] << 14) + r.get(14);
    line.Sfs[0].Pamp = static_cast<Word16>(r.get(6));
    line.Sfs[1].Pamp = static_cast<Word16>(r.get(5));
    line.Sfs[2].Pamp = static_cast<Word16>(r.get(6));
    line.Sfs[3].Pamp = static_cast<Word16>(r.get(5));
  } else {
    for (SFSDEF& s : line.Sfs) s.Ppos = r.get(12);
    for (SFSDEF& s : line.Sfs) s.Pamp = static_cast<Word16>(r.get(4));
  }
  return line;
}

}  // namespace g7231
