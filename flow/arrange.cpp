#include "flow/arrange.h"

// Arrangements arrive with the arrange command; until then none is pending.
void ApplyHeroArranges(cFlowCmd& /*cmd*/, cHero& /*hero*/) {}
void ApplyFlowArranges(cFlowCmd& /*cmd*/, cChara& /*chara*/, cFlowRun& /*run*/) {}
