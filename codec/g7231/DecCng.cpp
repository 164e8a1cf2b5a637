#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/Lsp.h"
#include "codec/g7231/State.h"
#include "codec/g7231/Tables.h"

namespace g7231 {

void Init_Dec_Cng() {
  DecCng = DECCNGDEF{};
  DecCng.PastFtyp = 1;
  DecCng.SidGain = 0;
  std::copy(LspDcTable, LspDcTable + LpcOrder, DecCng.LspSid);
  DecCng.RandSeed = 12345;
}

void Dec_Cng(Word16 Ftyp, LINEDEF* Line, Word16* DataExc, Word16* QntLpc) {
  DECCNGDEF& c = DecCng;
  if (Ftyp == kFtypSid) {
    c.SidGain = Dec_SidGain(Line->Sfs[0].Mamp);
    Lsp_Inq(c.LspSid, DecStat.PrevLsp, Line->LspId, 0);
  } else if (c.PastFtyp == 1) {
    // Silence begins without a SID: take the level from the last active frame's excitation.
    c.SidGain = Dec_SidGain(Qua_SidGain(&c.SidGain, &c.CurGain, 0));
  }
  if (c.PastFtyp == 1) c.CurGain = c.SidGain;
  else c.CurGain = extract_h(L_add(L_mult(c.CurGain, 0x7000), L_mult(c.SidGain, 0x1000)));

  Calc_Exc_Rand(c.CurGain, DecStat.PrevExc, DataExc, &c.RandSeed, Line);
  Lsp_Int(QntLpc, c.LspSid, DecStat.PrevLsp);
  std::copy(c.LspSid, c.LspSid + LpcOrder, DecStat.PrevLsp);
}

}  // namespace g7231
