// The sample game's stages and its world map. Each stage is drawn as rows of
// letters, one letter per 32-pixel tile; every block, chara and item placed
// is a copy of its common palette entry that inherits all of it, as the
// editor places them.
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "project/common_palette.h"
#include "project/condition.h"
#include "project/database.h"
#include "project/path_table.h"
#include "project/stage_info.h"
#include "project/world_map.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace sample {

const char* const kStageFiles[kStages] = {
    "Grassland.stg4_000",
    "Cave.stg4_000",
    "Castle.stg4_000",
    "Swarm.stg4_000",
};

namespace {
constexpr int kCaveStage = 1;
constexpr int kCastleStage = 2;
}  // namespace

namespace {

enum class Kind { kNone, kBlock, kChara, kItem };
struct Legend {
    char letter;
    Kind kind;
    int index;
};
constexpr Legend kLegend[] = {
    {'#', Kind::kBlock, kBlockGround}, {'=', Kind::kBlock, kBlockEarth},  {'B', Kind::kBlock, kBlockBrick},
    {'?', Kind::kBlock, kBlockItemBlock}, {'S', Kind::kBlock, kBlockStone}, {'G', Kind::kBlock, kBlockGoal},
    {'^', Kind::kBlock, kBlockSpike},  {'c', Kind::kBlock, kBlockCloud},
    {'H', Kind::kChara, kCharaHero},   {'w', Kind::kChara, kCharaWalker}, {'j', Kind::kChara, kCharaJumper},
    {'s', Kind::kChara, kCharaShooter}, {'f', Kind::kChara, kCharaFlyer}, {'m', Kind::kChara, kCharaPlatform},
    {'K', Kind::kChara, kCharaBoss},   {'i', Kind::kChara, kCharaSign},   {'b', Kind::kChara, kCharaBat},
    {'C', Kind::kChara, kCharaCharger},
    {'o', Kind::kItem, kItemCoin},     {'L', Kind::kItem, kItemLife},     {'p', Kind::kItem, kItemPower},
    {'h', Kind::kItem, kItemHeart},    {'O', Kind::kItem, kItemClearOrb},
};

template <class T>
void InheritAll(T& entry, int index) {
    entry.m_cInheritSrc = 1;
    entry.m_sInheritIdx = static_cast<int16_t>(index);
    entry.m_vInheritFlag.assign(T::kInheritGroups, 1);
}

// The stage palette: entry 0 stands for nothing, then one entry per common
// entry, inheriting it.
template <class T>
void FillStagePalette(cVector<T>& stage, const cVector<T>& common) {
    stage.clear();
    stage.push_back(T());
    for (int i = 1; i < common.Size(); ++i) {
        T entry = common[static_cast<size_t>(i)];
        InheritAll(entry, i);
        stage.push_back(entry);
    }
}

template <class T>
void Place(cVector<T>& list, const cVector<T>& common, int index, int col, int row) {
    T entry = common[static_cast<size_t>(index)];
    InheritAll(entry, index);
    entry.m_sCol = static_cast<int16_t>(col);
    entry.m_sRow = static_cast<int16_t>(row);
    if constexpr (std::is_same_v<T, cCharaDef>) entry.m_nCarryItem = -1;  // the editor places charas empty-handed
    list.push_back(entry);
}

// A placed chara that carries a placed item: the item goes with the chara
// (shown as its icon) and drops when it is defeated.
struct Carry {
    int charaCol, charaRow, itemCol, itemRow;
};

// The placed hero of a stage sees only a circle of `halfBlocks` around it.
// Its sight is its own (group 22 of the inherited values), not the common
// hero's.
void LimitHeroSight(cStageInfo& stage, int halfBlocks) {
    constexpr int kSightGroup = 22;
    for (cCharaDef& chara : stage.m_vChara) {
        if (chara.m_sInheritIdx != kCharaHero) continue;
        chara.m_vInheritFlag[kSightGroup] = 0;
        chara.m_cSightShape = 1;
        chara.m_cSightRange = static_cast<int8_t>(halfBlocks);
    }
}

// The placed chara on tile (col, row) appears only while the hero is within
// `halfBlocks` across of it. The editor's test play draws that band, also
// while the chara waits (its own conditions, not the common chara's: group
// 4 of the inherited values).
void WaitForHero(cStageInfo& stage, int col, int row, int halfBlocks) {
    constexpr int kCondGroup = 4;
    for (cCharaDef& chara : stage.m_vChara) {
        if (chara.m_sCol != col || chara.m_sRow != row) continue;
        chara.m_vInheritFlag[kCondGroup] = 0;
        cCondition near;
        near.m_cKind = 7;         // distance
        near.m_cSubject = 0;      // to the hero
        near.m_nValue = halfBlocks;
        near.m_cShape = 0;        // a band across, left and right
        near.m_cLeftSource = 2;   // shown in the editor's test play
        near.m_cRightSource = 1;  // also while the chara waits
        near.m_cLeftItem = 2;     // colour group
        chara.m_vCond.assign(1, near);
        chara.m_cCondMode = 0;
        chara.m_cKeepMet = 1;     // once come, it stays
    }
}

void ApplyCarries(cStageInfo& stage, const std::vector<Carry>& carries) {
    for (const Carry& c : carries) {
        for (cCharaDef& chara : stage.m_vChara) {
            if (chara.m_sCol != c.charaCol || chara.m_sRow != c.charaRow) continue;
            for (int i = 0; i < stage.m_vItem.Size(); ++i) {
                const cPltItem& item = stage.m_vItem[static_cast<size_t>(i)];
                if (item.m_sCol == c.itemCol && item.m_sRow == c.itemRow) chara.m_nCarryItem = i;
            }
        }
    }
}

struct StagePlan {
    const char* name;
    std::vector<std::string> rows;  // all the same width
    int bgm;
    int timeLimit;                  // seconds, 0 none
    const char* background;
    int fill;                       // background colour under the picture
};


void BuildStage(cStageInfo& stage, const StagePlan& plan) {
    stage.SetDefault();
    stage.m_strName = plan.name;
    stage.m_nHeight = static_cast<int32_t>(plan.rows.size());
    stage.m_nWidth = static_cast<int32_t>(plan.rows.front().size());
    stage.m_nBgm = plan.bgm;
    stage.m_bTimeLimit = plan.timeLimit > 0;
    if (plan.timeLimit > 0) stage.m_nTimeLimit = plan.timeLimit;
    stage.m_bLimitLeft = stage.m_bLimitRight = stage.m_bLimitTop = stage.m_bLimitBottom = 1;
    stage.m_nLimitLeft = 0;
    stage.m_nLimitRight = stage.m_nWidth - 1;
    stage.m_nLimitTop = 0;
    stage.m_nLimitBottom = stage.m_nHeight - 1;
    // The play range covers the whole stage, as the editor stores it.
    stage.m_nViewExtX = stage.m_nWidth * 32;
    stage.m_nViewExtY = stage.m_nHeight * 32;
    stage.m_bBannerA = 1;  // "STAGE n", then "START"

    const cCommonPalette& pal = g_CommonPalette;
    FillStagePalette(stage.m_vPltBlock, pal.m_vBlock);
    FillStagePalette(stage.m_vPltChara, pal.m_vChara);
    FillStagePalette(stage.m_vPltItem, pal.m_vItem);
    stage.m_vBlock.clear();
    stage.m_vChara.clear();
    stage.m_vItem.clear();
    for (int row = 0; row < stage.m_nHeight; ++row) {
        const std::string& line = plan.rows[static_cast<size_t>(row)];
        for (int col = 0; col < static_cast<int>(line.size()); ++col) {
            for (const Legend& l : kLegend) {
                if (l.letter != line[static_cast<size_t>(col)]) continue;
                if (l.kind == Kind::kBlock) Place(stage.m_vBlock, pal.m_vBlock, l.index, col, row);
                if (l.kind == Kind::kChara) Place(stage.m_vChara, pal.m_vChara, l.index, col, row);
                if (l.kind == Kind::kItem) Place(stage.m_vItem, pal.m_vItem, l.index, col, row);
            }
        }
    }

    cBackground back;
    back.m_strPicture = plan.background;
    back.m_nFillColor = plan.fill;
    back.m_dRateX = 0.25;
    back.m_dRateY = 0.0;
    stage.m_vBackground.clear();
    stage.m_vBackground.push_back(back);
}

// Ground two tiles deep along a whole stage of `width` columns.
std::vector<std::string> Blank(int width, int height) {
    std::vector<std::string> rows(static_cast<size_t>(height), std::string(static_cast<size_t>(width), '.'));
    rows[static_cast<size_t>(height - 2)].assign(static_cast<size_t>(width), '#');
    rows[static_cast<size_t>(height - 1)].assign(static_cast<size_t>(width), '=');
    return rows;
}

void Put(std::vector<std::string>& rows, int col, int row, const char* text) {
    std::string& line = rows[static_cast<size_t>(row)];
    for (size_t i = 0; text[i] && col + static_cast<int>(i) < static_cast<int>(line.size()); ++i)
        line[static_cast<size_t>(col) + i] = text[i];
}

StagePlan Grassland() {
    std::vector<std::string> r = Blank(80, 15);
    Put(r, 0, 12, "H");
    Put(r, 5, 12, "o");
    Put(r, 6, 9, "?B?B?");
    Put(r, 8, 5, "o");
    Put(r, 12, 11, "h");
    Put(r, 12, 12, "w");
    Put(r, 15, 6, "w");  // drops in as the stage starts
    Put(r, 18, 11, "SS");
    Put(r, 18, 12, "SS");
    // From here on the run that clears the stage walks right, jumping the
    // wall and the spikes, running down the walkers and reading the sign.
    Put(r, 25, 8, "ooo");
    Put(r, 30, 13, "^^");
    Put(r, 30, 14, "==");
    Put(r, 29, 7, "m");
    Put(r, 36, 12, "o o o");
    Put(r, 44, 7, "BBLBB");
    Put(r, 56, 10, "?");
    Put(r, 3, 2, "c       c          c          c");
    Put(r, 70, 12, "i");
    Put(r, 76, 11, "G");
    Put(r, 76, 12, "O");
    return {"草原", r, kBgmStage, 300, "背景その1.bmp", Cube(2, 4, 5)};
}

StagePlan Cave() {
    std::vector<std::string> r = Blank(70, 15);
    r[0].assign(70, 'S');
    r[1].assign(70, 'S');
    Put(r, 1, 12, "H");
    Put(r, 4, 11, "m");  // a platform to ride, back and forth over the signpost
    Put(r, 8, 12, "i");
    Put(r, 14, 9, "BBpBB");
    Put(r, 20, 12, "s");
    Put(r, 26, 6, "f");
    Put(r, 30, 10, "SSS");
    Put(r, 31, 9, "s");
    Put(r, 36, 12, "w");
    Put(r, 40, 5, "f");
    Put(r, 44, 9, "?h?");
    Put(r, 50, 12, "s  s");
    Put(r, 56, 6, "f");
    Put(r, 60, 11, "ooooo");
    Put(r, 67, 12, "O");
    return {"洞窟", r, kBgmStage, 240, "背景その2.bmp", Cube(0, 0, 1)};
}

StagePlan Castle() {
    std::vector<std::string> r = Blank(40, 15);
    for (int row = 0; row < 13; ++row) {
        Put(r, 0, row, "S");
        Put(r, 39, row, "S");
    }
    r[0].assign(40, 'S');
    Put(r, 2, 12, "H");
    Put(r, 6, 9, "BBB");
    Put(r, 7, 8, "h");
    Put(r, 4, 5, "b");
    Put(r, 8, 12, "C");
    Put(r, 12, 12, "w");
    Put(r, 14, 5, "f");  // waits for the hero to come near
    Put(r, 18, 8, "SSSS");
    Put(r, 30, 11, "K");
    return {"城", r, kBgmBoss, 180, "背景その3.bmp", Cube(1, 0, 1)};
}

// 240 shooters in view at once, each firing aimed shots with a long range,
// for the benchmarks of stage play.
StagePlan Swarm() {
    std::vector<std::string> r = Blank(20, 15);
    Put(r, 1, 12, "H");
    for (int row = 0; row < 12; ++row)
        for (int col = 0; col < 20; ++col) r[static_cast<size_t>(row)][static_cast<size_t>(col)] = 's';
    return {"大群", r, kBgmStage, 0, "背景その2.bmp", Cube(0, 0, 1)};
}

void BuildWorldMap(cWorldMap& map) {
    map.SetDefault();
    map.SetSize(20, 15);
    map.m_strName = "World";
    map.m_strBgPicture = "bmp\\WorldBack.bmp";
    map.m_nShowBg = 1;
    map.m_nBgColor = Cube(1, 3, 1);
    map.m_vTile.clear();
    struct TileSpec {
        const char* label;
        int chip;
        int blocked;
    };
    const TileSpec tiles[] = {{"grass", kWorldChipGrass, 0}, {"road", kWorldChipRoad, 0},
                              {"water", kWorldChipWater, 1}, {"tree", kWorldChipTree, 1},
                              {"castle", kWorldChipCastle, 0}};
    for (const TileSpec& t : tiles) {
        cWorldTile tile;
        tile.m_strLabel = t.label;
        tile.m_nChip = t.chip;
        tile.m_nImpassable = t.blocked;
        map.m_vTile.push_back(tile);
    }
    enum { kGrass, kRoad, kWater, kTree, kCastle };
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) {
            int t = kGrass;
            if (y == 0 || y == 14 || x == 0 || x == 19) t = kWater;
            else if ((x * 7 + y * 3) % 11 == 0) t = kTree;
            map.Cell(x, y) = t;
        }
    // The road: from the start west to east, then up to the castle.
    for (int x = 3; x <= 16; ++x) map.Cell(x, 10) = kRoad;
    for (int y = 4; y <= 10; ++y) map.Cell(16, y) = kRoad;
    map.Cell(16, 4) = kCastle;
    map.m_nStartX = 3;
    map.m_nStartY = 10;

    struct PointSpec {
        int x, y;
        const char* name;
        int stage;
        int requiredFlag;  // the stage that must be cleared first, 0 none
    };
    const PointSpec points[] = {{6, 10, "草原", 1, 0}, {12, 10, "洞窟", 2, 1}, {16, 4, "城", 3, 2}};
    map.m_vPoint.clear();
    for (const PointSpec& p : points) {
        cWorldPoint point;
        point.m_nX = p.x;
        point.m_nY = p.y;
        point.m_strName = p.name;
        point.m_vLink.clear();
        // Closed until the stage before is cleared: a wall the hero cannot
        // step on; then the stage itself.
        cWorldLink stage;
        stage.SetDefault();
        stage.m_nKind = kLinkStage;
        stage.m_nIcon = p.stage - 1;
        stage.m_nStageNo = p.stage;
        stage.m_nReplay = 1;
        stage.m_nRequiredFlag = p.requiredFlag;
        stage.m_nAfterClear = p.stage == 3 ? kAfterClearTitle : kAfterClearNothing;
        stage.m_strDisplayName = p.name;
        stage.m_strStageFile = std::string("data\\stg4\\") + kStageFiles[p.stage - 1];
        stage.m_strStageFile.resize(stage.m_strStageFile.size() - 4);  // no "_000": the newest is taken
        point.m_vLink.push_back(stage);
        if (p.requiredFlag > 0) {
            cWorldLink wall;
            wall.SetDefault();
            wall.m_nKind = kLinkWall;
            point.m_vLink.push_back(wall);
        }
        map.m_vPoint.push_back(point);
    }
}

}  // namespace

bool WriteStages(const std::string& root, std::string* error) {
    if (!LoadSampleDatabase(root, error)) return false;
    FillCommonPalette(g_CommonPalette);
    const StagePlan plans[kStages] = {Grassland(), Cave(), Castle(), Swarm()};
    // The first walker of the first stage carries the heart above it.
    const std::vector<Carry> carries[kStages] = {{{12, 12, 12, 11}}, {}, {}, {}};
    for (int i = 0; i < kStages; ++i) {
        // Built in the live stage: palette references are checked against it.
        BuildStage(g_Stage, plans[i]);
        ApplyCarries(g_Stage, carries[i]);
        if (i == kCaveStage) LimitHeroSight(g_Stage, 10);  // the cave is dark beyond the hero's light
        if (i == kCastleStage) WaitForHero(g_Stage, 14, 5, 8);
        std::string path = GamePath(root, (std::string("default\\stg4\\") + kStageFiles[i]).c_str());
        if (!SaveRecord(g_Stage, path, error)) return false;
    }
    g_Stage.SetDefault();
    cWorldMap map;
    BuildWorldMap(map);
    return SaveRecord(map, GamePath(root, g_PathTable[kPathWorldMap + 1]), error);
}

}  // namespace sample
