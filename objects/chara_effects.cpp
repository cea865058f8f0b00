#include "objects/chara_effects.h"

#include "objects/chara.h"

namespace {

// Stand-in until the renderers exist: nothing drawn, the effect runs on.
int StandIn(cChara& chara, DDSURFACEDATA*, const CHIPSRC&, int paused, int) {
    return paused ? 0 : chara.m_Effect.Advance();
}
int Plain(cChara&, DDSURFACEDATA*, const CHIPSRC&, int, int) { return 0; }

}  // namespace

const CharaEffectFunc g_CharaEffectFuncs[kCharaEffectKinds] = {
    Plain,   StandIn, StandIn, StandIn, StandIn, StandIn, StandIn, StandIn, StandIn,
    StandIn, StandIn, StandIn, StandIn, StandIn, StandIn, StandIn, StandIn,
};

void cChara::DrawChipToWork(DDSURFACEDATA*, const CHIPSRC&) {}
void cChara::DrawChipPlainToWork(DDSURFACEDATA*, const CHIPSRC&) {}
