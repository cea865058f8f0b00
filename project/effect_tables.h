// Parameter defaults of the chara-effect and screen-effect kinds. Each kind
// has five parameters (parameter 0 is the run time in tenths of a second);
// row = kind × 5 + parameter. Only the default column is kept: the labels,
// ranges, kind names and speed notes belong to the editor, and the player
// reads nothing but the defaults that fill the parameter old effect files
// lack.
#pragma once
#include <cstdint>

constexpr int kCharaEffectKinds = 17;  // 0 plain drawing, 1..16
constexpr int kScrEffectKinds = 14;    // 0 none, 1..13
constexpr int kEffectParams = 5;

extern const int16_t g_CharaEffectParams[kCharaEffectKinds * kEffectParams];
extern const int16_t g_ScrEffectParams[kScrEffectKinds * kEffectParams];

// Default of parameter `param` of `kind`; 0 for a kind or parameter outside
// the table (an empty row).
int CharaEffectParamDefault(int kind, int param);
int ScrEffectParamDefault(int kind, int param);
