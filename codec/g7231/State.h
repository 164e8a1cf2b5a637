// The coder's process-wide state: one encoder state set, one decoder state set, the working
// rate they share and the fixed switches.  The encoder's records are touched only by the
// encoding thread and the decoder's only by the decoding thread; the working rate is the one
// value that crosses between them and is therefore atomic.
#pragma once

#include <atomic>

#include "codec/g7231/Typedef.h"

namespace g7231 {

struct CODSTATDEF {
  Word16 HpfZdl;
  Word32 HpfPdl;
  Word16 SinDet;
  Word16 PrevLsp[LpcOrder];
  Word16 PrevWgt[PitchMax];
  Word16 PrevErr[PitchMax];
  Word16 PrevExc[PitchMax];
  Word16 PrevDat[LpcFrame - SubFrLen];
  Word16 WghtFirDl[LpcOrder];
  Word16 WghtIirDl[LpcOrder];
  Word16 RingFirDl[LpcOrder];
  Word16 RingIirDl[LpcOrder];
  Word32 Err[5];
};

struct DECSTATDEF {
  Word16 Ecount;
  Word16 InterGain;
  Word16 InterIndx;
  Word16 Rseed;
  Word16 Park;
  Word16 Gain;
  Word16 PrevLsp[LpcOrder];
  Word16 PrevExc[PitchMax];
  Word16 SyntIirDl[LpcOrder];
  Word16 PostFirDl[LpcOrder];
  Word16 PostIirDl[LpcOrder];
};

struct VADSTATDEF {
  Word16 Hcnt;
  Word16 Vcnt;
  Word32 Penr;
  Word32 Nlev;
  Word16 Aen;
  Word16 Polp[4];
  Word16 NLpc[LpcOrder];
};

struct CODCNGDEF {
  Word16 CurGain;
  Word16 PastFtyp;
  Word16 Acf[4 * (LpcOrder + 1)];
  Word16 ShAcf[4];
  Word16 LspSid[LpcOrder];
  Word16 SidLpc[LpcOrder];
  Word16 RC[LpcOrder + 1];
  Word16 ShRC;
  Word16 Ener[3];
  Word16 NbEner;
  Word16 IRef;
  Word16 SidGain;
  Word16 RandSeed;
};

struct DECCNGDEF {
  Word16 CurGain;
  Word16 PastFtyp;
  Word16 LspSid[LpcOrder];
  Word16 SidGain;
  Word16 RandSeed;
};

extern CODSTATDEF CodStat;
extern DECSTATDEF DecStat;
extern VADSTATDEF VadStat;
extern CODCNGDEF CodCng;
extern DECCNGDEF DecCng;

// Rate of the last speech frame received; written by the decoder's unpacker, read by the
// encoder once per frame.
extern std::atomic<Crate> WrkRate;

// Input high-pass, decoder postfilters, silence compression: all on in the product.
extern Word16 UseHp;
extern Word16 UsePf;
extern Word16 UseVx;

// Fourth-pulse loops left for the algebraic codebook search of the current frame.
extern Word16 extra;

}  // namespace g7231
