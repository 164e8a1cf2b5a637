#include "codec/g7231/Coder.h"

#include <algorithm>

#include "codec/g7231/Acbk.h"
#include "codec/g7231/Basop.h"
#include "codec/g7231/Bitstream.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/Fcbk.h"
#include "codec/g7231/Lpc.h"
#include "codec/g7231/Lsp.h"
#include "codec/g7231/State.h"
#include "codec/g7231/Tables.h"
#include "codec/g7231/Util.h"

namespace g7231 {

void Init_Coder() {
  CodStat = CODSTATDEF{};
  std::copy(LspDcTable, LspDcTable + LpcOrder, CodStat.PrevLsp);
  for (Word32& e : CodStat.Err) e = 4;
}

Flag Coder(Word16* DataBuff, unsigned char* Vout) {
  // One rate for the whole frame, whatever the decoder's thread stores meanwhile.
  const Crate rate = WrkRate.load(std::memory_order_relaxed);

  Word16 unqLpc[SubFrames * LpcOrder];
  Word16 qntLpc[SubFrames * LpcOrder];
  Word16 perLpc[2 * SubFrames * LpcOrder];
  Word16 lspVect[LpcOrder];
  Word16 impResp[SubFrLen];
  PWDEF pw[SubFrames];
  LINEDEF line;
  Word16 ftyp = kFtypSpeech;
  line.Crc = 0;

  Rem_Dc(DataBuff);
  Comp_Lpc(unqLpc, CodStat.PrevDat, DataBuff);
  AtoLsp(lspVect, &unqLpc[LpcOrder * (SubFrames - 1)], CodStat.PrevLsp);
  if (UseVx) ftyp = static_cast<Word16>(Comp_Vad(DataBuff));
  line.LspId = Lsp_Qnt(lspVect, CodStat.PrevLsp);
  Mem_Shift(CodStat.PrevDat, DataBuff);
  Wght_Lpc(perLpc, unqLpc);
  Error_Wght(DataBuff, perLpc);

  Word16 olpBuf[PitchMax + Frame];
  std::copy(CodStat.PrevWgt, CodStat.PrevWgt + PitchMax, olpBuf);
  std::copy(DataBuff, DataBuff + Frame, olpBuf + PitchMax);
  Vec_Norm(olpBuf, PitchMax + Frame);
  line.Olp[0] = Estim_Pitch(olpBuf, PitchMax);
  VadStat.Polp[2] = line.Olp[0];
  line.Olp[1] = Estim_Pitch(olpBuf, PitchMax + 2 * SubFrLen);
  VadStat.Polp[3] = line.Olp[1];

  if (ftyp != kFtypSpeech) {
    std::copy(DataBuff + Frame - PitchMax, DataBuff + Frame, CodStat.PrevWgt);
    Cod_Cng(DataBuff, &ftyp, &line, qntLpc);
    for (int i = 0; i < SubFrames; ++i)
      Update_Err(line.Olp[i >> 1], line.Sfs[i].AcL, line.Sfs[i].AcG, rate);
    for (int i = 0; i < SubFrames; ++i)
      Upd_Ring(&DataBuff[i * SubFrLen], &qntLpc[i * LpcOrder], &perLpc[i * 2 * LpcOrder], CodStat.PrevErr);
  } else {
    for (int i = 0; i < SubFrames; ++i)
      pw[i] = Comp_Pw(olpBuf, static_cast<Word16>(PitchMax + i * SubFrLen), line.Olp[i >> 1]);
    std::copy(CodStat.PrevWgt, CodStat.PrevWgt + PitchMax, olpBuf);
    std::copy(DataBuff, DataBuff + Frame, olpBuf + PitchMax);
    std::copy(olpBuf + Frame, olpBuf + Frame + PitchMax, CodStat.PrevWgt);
    for (int i = 0; i < SubFrames; ++i) Filt_Pw(DataBuff, olpBuf, static_cast<Word16>(i * SubFrLen), pw[i]);

    Lsp_Inq(lspVect, CodStat.PrevLsp, line.LspId, line.Crc);
    Lsp_Int(qntLpc, lspVect, CodStat.PrevLsp);
    std::copy(lspVect, lspVect + LpcOrder, CodStat.PrevLsp);

    for (int i = 0; i < SubFrames; ++i) {
      Word16* dpnt = &DataBuff[i * SubFrLen];
      const Word16* qnt = &qntLpc[i * LpcOrder];
      const Word16* per = &perLpc[i * 2 * LpcOrder];
      Comp_Ir(impResp, qnt, per, pw[i]);
      Sub_Ring(dpnt, qnt, per, CodStat.PrevErr, pw[i]);
      Find_Acbk(dpnt, impResp, CodStat.PrevExc, &line, static_cast<Word16>(i), rate);
      Find_Fcbk(dpnt, impResp, &line, static_cast<Word16>(i), rate);
      Decod_Acbk(impResp, CodStat.PrevExc, line.Olp[i >> 1], line.Sfs[i].AcL, line.Sfs[i].AcG, rate);
      std::copy(CodStat.PrevExc + SubFrLen, CodStat.PrevExc + PitchMax, CodStat.PrevExc);
      for (int j = 0; j < SubFrLen; ++j) {
        dpnt[j] = add(shl(dpnt[j], 1), impResp[j]);
        CodStat.PrevExc[PitchMax - SubFrLen + j] = dpnt[j];
      }
      Update_Err(line.Olp[i >> 1], line.Sfs[i].AcL, line.Sfs[i].AcG, rate);
      Upd_Ring(dpnt, qnt, per, CodStat.PrevErr);
    }
    CodCng.PastFtyp = 1;
    CodCng.RandSeed = 12345;
  }

  Line_Pack(&line, Vout, ftyp, rate);
  return 1;
}

}  // namespace g7231
