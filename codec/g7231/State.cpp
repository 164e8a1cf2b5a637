#include "codec/g7231/State.h"

namespace g7231 {

CODSTATDEF CodStat;
DECSTATDEF DecStat;
VADSTATDEF VadStat;
CODCNGDEF CodCng;
DECCNGDEF DecCng;

std::atomic<Crate> WrkRate{Rate63};

Word16 UseHp = 1;
Word16 UsePf = 1;
Word16 UseVx = 1;

Word16 extra = 120;

}  // namespace g7231
