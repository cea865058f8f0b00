// The chara-effect renderers: one per kind of chara effect, each drawing
// the chip at the chara's screen rectangle transformed by the effect.
#pragma once
#include "gfx/dd.h"
#include "objects/chip_src.h"

class cChara;

constexpr int kCharaEffectKinds = 17;

// (chara, surface, chip, paused, draw) -> 1 when the effect has ended.
// With draw 0 only the effect's state moves on.
using CharaEffectFunc = int (*)(cChara& chara, DDSURFACEDATA* surface, const CHIPSRC& src, int paused, int draw);
extern const CharaEffectFunc g_CharaEffectFuncs[kCharaEffectKinds];
