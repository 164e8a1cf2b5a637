#include "codec/g7231/Decod.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "codec/g7231/Acbk.h"
#include "codec/g7231/Basop.h"
#include "codec/g7231/Bitstream.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/Fcbk.h"
#include "codec/g7231/Lpf.h"
#include "codec/g7231/Lsp.h"
#include "codec/g7231/State.h"
#include "codec/g7231/Tables.h"
#include "codec/g7231/Util.h"

namespace g7231 {
namespace {

constexpr Word16 kMaxErased = 3;
constexpr Word16 kThreeQuarters = 0x6000;

// A delay line holds the newest value first; the filters run over a history array holding
// it oldest first, followed by the subframe's values.
void FromDelayLine(const Word16* dl, Word16* history) {
  for (int j = 0; j < LpcOrder; ++j) history[LpcOrder - 1 - j] = dl[j];
}

void ToDelayLine(const Word16* history, Word16* dl) {
  for (int j = 0; j < LpcOrder; ++j) dl[j] = history[LpcOrder + SubFrLen - 1 - j];
}

// Sum of the magnitudes of ten coefficients.
std::int64_t SumAbs(const Word16* a) {
  std::int64_t s = 0;
  for (int j = 0; j < LpcOrder; ++j) s += std::abs(static_cast<Word32>(a[j]));
  return s;
}

// Largest magnitude in a filter memory.
Word32 PeakAbs(const Word16* a) {
  Word32 m = 0;
  for (int j = 0; j < LpcOrder; ++j) m = std::max(m, std::abs(static_cast<Word32>(a[j])));
  return m;
}

// Plain sum of a[j] * past[-j] over ten taps; the caller makes sure it fits.
inline Word32 DotBack(const Word16* a, const Word16* past) {
  Word32 s = 0;
  for (int j = 0; j < LpcOrder; ++j) s += a[j] * past[-j];
  return s;
}

// The largest peak p with sum * p <= room (room >= 0); a sum of 0 allows any peak.
Word32 PeakLimit(std::int64_t room, std::int64_t sum) {
  return sum == 0 ? MAX_32 : static_cast<Word32>(std::min<std::int64_t>(room / sum, MAX_32));
}

// The saturating chains over ten taps, off the filters' usual path.
[[gnu::noinline, gnu::cold]] Word32 MacChain(Word32 acc, const Word16* a, const Word16* past) {
  return L_mac_n<-1>(acc, a, past, LpcOrder);
}

[[gnu::noinline, gnu::cold]] Word32 MsuChain(Word32 acc, const Word16* a, const Word16* past) {
  return L_msu_n<-1>(acc, a, past, LpcOrder);
}

}  // namespace

void Init_Decod() {
  DecStat = DECSTATDEF{};
  std::copy(LspDcTable, LspDcTable + LpcOrder, DecStat.PrevLsp);
  DecStat.Gain = 0x1000;
}

Flag Decod(Word16* DataBuff, const unsigned char* Vinp, Word16 Crc) {
  Word16 ftyp = kFtypSpeech;
  LINEDEF line = Line_Unpk(Vinp, &ftyp, Crc);
  if (line.Crc != 0) ftyp = DecCng.PastFtyp == 1 ? kFtypSpeech : kFtypUntransmitted;
  const Crate rate = WrkRate.load(std::memory_order_relaxed);

  Word16 qntLpc[SubFrames * LpcOrder];
  if (ftyp != kFtypSpeech) {
    Dec_Cng(ftyp, &line, DataBuff, qntLpc);
  } else {
    DECSTATDEF& d = DecStat;
    if (line.Crc != 0) {
      d.Ecount = add(d.Ecount, 1);
      if (d.Ecount > kMaxErased) d.Ecount = kMaxErased;
    } else {
      d.Ecount = 0;
    }
    Word16 lspVect[LpcOrder];
    Lsp_Inq(lspVect, d.PrevLsp, line.LspId, line.Crc);
    Lsp_Int(qntLpc, lspVect, d.PrevLsp);
    std::copy(lspVect, lspVect + LpcOrder, d.PrevLsp);

    if (d.Ecount == 0) d.InterGain = FcbkGainTable[shr(add(line.Sfs[2].Mamp, line.Sfs[3].Mamp), 1)];
    else d.InterGain = mult_r(d.InterGain, kThreeQuarters);

    Word16 buff[PitchMax + Frame];
    std::copy(d.PrevExc, d.PrevExc + PitchMax, buff);
    if (d.Ecount == 0) {
      for (int i = 0; i < SubFrames; ++i) {
        Word16* exc = &buff[PitchMax + i * SubFrLen];
        Word16 acbk[SubFrLen];
        Fcbk_Unpk(exc, line.Sfs[i], line.Olp[i >> 1], static_cast<Word16>(i), rate);
        Decod_Acbk(acbk, &buff[i * SubFrLen], line.Olp[i >> 1], line.Sfs[i].AcL, line.Sfs[i].AcG, rate);
        for (int j = 0; j < SubFrLen; ++j) exc[j] = add(shl(exc[j], 1), acbk[j]);
      }
      std::copy(buff + PitchMax, buff + PitchMax + Frame, DataBuff);
      d.InterIndx = Comp_Info(buff, line.Olp[1], &DecCng.SidGain, &DecCng.CurGain);
      if (UsePf) {
        PFDEF pf[SubFrames];
        for (int i = 0; i < SubFrames; ++i)
          pf[i] = Comp_Lpf(buff, line.Olp[i >> 1], static_cast<Word16>(i), rate);
        std::copy(d.PrevExc, d.PrevExc + PitchMax, buff);
        std::copy(DataBuff, DataBuff + Frame, buff + PitchMax);
        for (int i = 0; i < SubFrames; ++i) Filt_Lpf(DataBuff, buff, pf[i], static_cast<Word16>(i));
      } else {
        std::copy(d.PrevExc, d.PrevExc + PitchMax, buff);
        std::copy(DataBuff, DataBuff + Frame, buff + PitchMax);
      }
      std::copy(d.PrevLsp, d.PrevLsp + LpcOrder, DecCng.LspSid);
    } else {
      Regen(DataBuff, buff, d.InterIndx, d.InterGain, d.Ecount, &d.Rseed);
    }
    std::copy(buff + Frame, buff + Frame + PitchMax, d.PrevExc);
    DecCng.RandSeed = 12345;
  }
  DecCng.PastFtyp = ftyp;

  for (int i = 0; i < SubFrames; ++i) {
    Word16* dpnt = &DataBuff[i * SubFrLen];
    Synt(dpnt, &qntLpc[i * LpcOrder]);
    if (UsePf) {
      const Word32 sen = Spf(dpnt, &qntLpc[i * LpcOrder]);
      Scale(dpnt, sen);
    } else {
      // Without the gain scaling the synthesis output sits 6 dB low.
      for (int j = 0; j < SubFrLen; ++j) dpnt[j] = shl(dpnt[j], 1);
    }
  }
  return 1;
}

void Synt(Word16* Dpnt, const Word16* Lpc) {
  // The filter's memory followed by its output, oldest first: the last LpcOrder values
  // before sample i end at y[LpcOrder + i - 1].
  Word16 y[LpcOrder + SubFrLen];
  FromDelayLine(DecStat.SyntIirDl, y);
  // |Dpnt[i] * 2^13| <= 2^28: while no past output exceeds peakLimit, no step of the
  // L_mac chain leaves the 32-bit range and the plain sum is its result.
  const Word32 peakLimit = PeakLimit((MAX_32 - (std::int64_t{1} << 28)) / 2, SumAbs(Lpc));
  Word32 peak = PeakAbs(y);
  for (int i = 0; i < SubFrLen; ++i) {
    const Word16* past = &y[LpcOrder + i - 1];
    const Word32 acc0 = L_shr(L_deposit_h(Dpnt[i]), 3);
    const Word32 acc = peak <= peakLimit ? acc0 + 2 * DotBack(Lpc, past) : MacChain(acc0, Lpc, past);
    const Word16 out = round(L_shl(acc, 2));
    y[LpcOrder + i] = out;
    peak = std::max(peak, std::abs(static_cast<Word32>(out)));
    Dpnt[i] = out;
  }
  ToDelayLine(y, DecStat.SyntIirDl);
}

Word32 Spf(Word16* Tv, const Word16* Lpc) {
  Word16 fir[LpcOrder];
  Word16 iir[LpcOrder];
  for (int j = 0; j < LpcOrder; ++j) {
    fir[j] = mult_r(Lpc[j], PostFiltZeroTable[j]);
    iir[j] = mult_r(Lpc[j], PostFiltPoleTable[j]);
  }
  Word16 v[SubFrLen];
  std::copy(Tv, Tv + SubFrLen, v);
  const Word16 n = Vec_Norm(v, SubFrLen);
  // After Vec_Norm no magnitude exceeds 4096, and 2 * 60 * 4096^2 < 2^31: neither L_mac
  // chain can saturate, so the plain sums are their results.
  Word32 r0 = 0;
  Word32 r1 = 0;
  for (int i = 0; i < SubFrLen; ++i) r0 += v[i] * v[i];
  for (int i = 0; i < SubFrLen - 1; ++i) r1 += v[i + 1] * v[i];
  r0 *= 2;
  r1 *= 2;
  const Word32 sen = L_shr(r0, add(shl(n, 1), 4));

  Word16 k = 0;
  const Word16 hi = extract_h(r0);
  if (hi != 0) {
    const Word32 h = L_shr(r1, 1);
    k = div_l(L_abs(h), hi);
    if (h < 0) k = negate(k);
  }
  DECSTATDEF& d = DecStat;
  Word32 acc = L_deposit_h(d.Park);
  acc = L_msu(acc, d.Park, 0x2000);
  acc = L_mac(acc, k, 0x2000);
  d.Park = round(acc);
  const Word16 tilt = static_cast<Word16>(mult(d.Park, -16384) & 0xFFFC);

  // Input and pole-filter output, each after its memory, oldest first (as in Synt).
  Word16 x[LpcOrder + SubFrLen];
  Word16 w[LpcOrder + SubFrLen];
  FromDelayLine(d.PostFirDl, x);
  std::copy(Tv, Tv + SubFrLen, x + LpcOrder);
  FromDelayLine(d.PostIirDl, w);

  // |Tv[i] * 2^14| <= 2^29: while the sums of the products' magnitudes of both filters
  // stay within room, no step of the chain leaves the 32-bit range and the plain sum is its
  // result.  The zero filter's input is known: its share is fixed for the subframe, and the
  // pole filter's past outputs may reach peakLimit.
  const std::int64_t room = (MAX_32 - (std::int64_t{1} << 29)) / 2;
  Word32 peakX = 0;
  for (Word16 s : x) peakX = std::max(peakX, std::abs(static_cast<Word32>(s)));
  const std::int64_t firBound = SumAbs(fir) * peakX;
  const Word32 peakLimit = firBound > room ? -1 : PeakLimit(room - firBound, SumAbs(iir));
  Word32 firSum[SubFrLen] = {};
  if (peakLimit >= 0) {
    for (int i = 0; i < SubFrLen; ++i) firSum[i] = DotBack(fir, &x[LpcOrder + i - 1]);
  }
  Word32 peakW = PeakAbs(w);
  for (int i = 0; i < SubFrLen; ++i) {
    const Word16* pastX = &x[LpcOrder + i - 1];
    const Word16* pastW = &w[LpcOrder + i - 1];
    acc = L_shr(L_deposit_h(Tv[i]), 2);
    if (peakW <= peakLimit) acc += 2 * (DotBack(iir, pastW) - firSum[i]);
    else acc = MacChain(MsuChain(acc, fir, pastX), iir, pastW);
    acc = L_shl(acc, 2);
    const Word16 out = round(acc);
    w[LpcOrder + i] = out;
    peakW = std::max(peakW, std::abs(static_cast<Word32>(out)));
    acc = L_mac(acc, pastW[0], tilt);
    Tv[i] = round(acc);
  }
  ToDelayLine(x, d.PostFirDl);
  ToDelayLine(w, d.PostIirDl);
  return sen;
}

void Scale(Word16* Tv, Word32 Sen) {
  Word32 s = Comp_En(Tv);
  Word16 g = 0x1000;
  if (s != 0 && Sen != 0) {
    const Word16 e1 = norm_l(s);
    const Word16 hs = extract_h(L_shl(s, e1));
    const Word16 e2 = norm_l(Sen);
    const Word32 en = L_shr(L_shl(Sen, e2), 1);
    Word16 shift = sub(6, add(sub(e1, e2), 1));
    if (shift < 0) shift = 0;
    const Word16 q = div_l(en, hs);
    g = Sqrt_lbc(L_shr(L_deposit_h(q), shift));
  }
  DECSTATDEF& d = DecStat;
  if (d.Gain < 0 || g < 0) {
    for (int i = 0; i < SubFrLen; ++i) {
      Word32 acc = L_deposit_h(d.Gain);
      acc = L_msu(acc, d.Gain, 0x0800);
      acc = L_mac(acc, g, 0x0800);
      d.Gain = round(acc);
      const Word16 f = add(d.Gain, shr(d.Gain, 4));
      Tv[i] = round(L_shl(L_mult(Tv[i], f), 4));
    }
    return;
  }
  // Both gains are never negative (the smoothed one starts at 0x1000 and only moves
  // towards a square root): then the smoothing step, at most 32767 * 2^16, never saturates,
  // nor does L_mult with a factor that is not negative.  The factor times 32 after L_shl and
  // round is the product rounded at bit 11 and saturated to 16 bits.
  Word32 gain = d.Gain;
  const Word32 step = g * 0x1000 + 0x8000;
  Word32 f[SubFrLen];
  for (int i = 0; i < SubFrLen; ++i) {
    gain = (gain * 0xF000 + step) >> 16;
    f[i] = std::min<Word32>(gain + (gain >> 4), MAX_16);
  }
  d.Gain = static_cast<Word16>(gain);
  for (int i = 0; i < SubFrLen; ++i) Tv[i] = detail::sat16((Tv[i] * f[i] + 0x400) >> 11);
}

}  // namespace g7231
