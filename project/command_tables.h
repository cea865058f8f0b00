// Compiled-in tables of the flow commands: how many integer parameters each
// command kind stores, and the ranges of the shot record's formation and
// movement parameters. The editor's names for the kinds and its labels are
// not compiled in: the player reads only these numbers.
#pragma once
#include <cstdint>

// One command kind: the number of int32 parameters its commands store.
struct CMDINFO {
    int32_t nParamCount = 0;
};

constexpr int kFlowCmdKinds = 40;  // flow commands (category 0), kinds 0..39
constexpr int kItemCmdKinds = 25;  // item commands (category 1), kinds 0..24

// Command categories.
constexpr int kCmdCategoryFlow = 0;
constexpr int kCmdCategoryItem = 1;

extern const CMDINFO g_FlowCmdInfo[kFlowCmdKinds];
extern const CMDINFO g_ItemCmdInfo[kItemCmdKinds];

// Parameter count of a command kind of a category. A kind outside its
// table (a damaged file) or an unknown category counts as kind 0: no
// parameters, so nothing ever indexes past a table.
int CmdParamCount(int category, int kind);

// One arrangeable parameter of the shot record: the range an arranged value
// is limited to. Empty slots are 0..0 (an arranged value becomes 0).
struct PARAMRANGE {
    int16_t sMin = 0;
    int16_t sMax = 0;
    int16_t sDefault = 0;  // the editor's; the player does not read it

    // value limited to [sMin, sMax].
    int32_t Limit(int64_t value) const;
};

constexpr int kShotFormations = 6;  // 直進A, 直進B, 拡散, 落雷, 爆発, 包囲
constexpr int kShotMoveKinds = 10;  // 直進 .. 落下
constexpr int kShotKindParams = 3;  // parameters per formation or movement kind

// Row = kind * 3 + (parameter - 1).
extern const PARAMRANGE g_ShotFormParams[kShotFormations * kShotKindParams];
extern const PARAMRANGE g_ShotMoveParams[kShotMoveKinds * kShotKindParams];

// The range of formation parameter `param` (1..3) of a formation, or of
// movement parameter `param` of a movement kind. A formation, kind or
// parameter outside the tables gives the empty row.
const PARAMRANGE& ShotFormParam(int formation, int param);
const PARAMRANGE& ShotMoveParam(int moveKind, int param);

// The range that the arrange command limits a value to when it changes
// slot `slot` of a flow command of kind `flowKind` whose shot record has
// this formation and movement kind: the formation parameters of the shot
// and summon commands and the movement parameters of the shot command.
// Null for every other slot (its range is not in these tables).
const PARAMRANGE* ArrangeShotRange(int flowKind, int slot, int formation, int moveKind);
