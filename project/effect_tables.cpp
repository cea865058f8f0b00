#include "project/effect_tables.h"

// Default column, five rows per kind.
const int16_t g_CharaEffectParams[kCharaEffectKinds * kEffectParams] = {
    0,  0,    0,    0,  0,  // 0 plain drawing
    5,  0,    32,   0,  0,  // 1 burst
    5,  0,    32,   4,  0,  // 2 split (horizontal)
    5,  0,    32,   4,  0,  // 3 split (vertical)
    5,  0,    32,   2,  2,  // 4 wave (horizontal)
    5,  0,    32,   2,  2,  // 5 wave (vertical)
    10, 2,    0,    0,  0,  // 6 blink
    10, 0,    1440, 0,  0,  // 7 rotation A
    10, 0,    1440, 0,  0,  // 8 rotation B
    10, 0,    256,  0,  0,  // 9 rotation into depth
    5,  32,   0,    2,  0,  // 10 circle
    10, 32,   64,   0,  0,  // 11 zoom
    10, 100,  5,    0,  0,  // 12 lens
    10, 1,    1,    16, 0,  // 13 colour change
    10, 9999, 0,    0,  0,  // 14 translucency
    10, 1,    8,    0,  0,  // 15 mosaic
    10, 1,    4,    0,  0,  // 16 blur
};

const int16_t g_ScrEffectParams[kScrEffectKinds * kEffectParams] = {
    0,  0,    0,    0,   0,   // 0 none
    10, 0,    0,    640, 0,   // 1 move
    10, 4,    4,    0,   0,   // 2 shake (horizontal)
    10, 4,    4,    0,   0,   // 3 shake (vertical)
    10, 0,    640,  15,  0,   // 4 split (horizontal)
    10, 0,    480,  20,  0,   // 5 split (vertical)
    10, 0,    640,  4,   8,   // 6 wave (horizontal)
    10, 0,    480,  4,   10,  // 7 wave (vertical)
    10, 10,   0,    0,   0,   // 8 blink
    10, 0,    1440, 0,   0,   // 9 rotation
    10, 640,  0,    8,   0,   // 10 circle
    10, 640,  1280, 0,   0,   // 11 zoom
    10, 1500, 5,    0,   0,   // 12 lens
    10, 1,    60,   0,   0,   // 13 mosaic
};

namespace {
int Lookup(const int16_t* table, int kinds, int kind, int param) {
    if (kind < 0 || kind >= kinds || param < 0 || param >= kEffectParams) return 0;
    return table[kind * kEffectParams + param];
}
}  // namespace

int CharaEffectParamDefault(int kind, int param) { return Lookup(g_CharaEffectParams, kCharaEffectKinds, kind, param); }

int ScrEffectParamDefault(int kind, int param) { return Lookup(g_ScrEffectParams, kScrEffectKinds, kind, param); }
