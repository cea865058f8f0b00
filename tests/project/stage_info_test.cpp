#include "project/stage_info.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/record_file.h"
#include "platform/messages.h"
#include "project/database.h"
#include "project/common_palette.h"
#include "project/database_fixtures.h"
#include "project/list_file_test.h"
#include "project/palette_fixtures.h"
#include "support/test_support.h"

namespace {

using dbfix::I16;
using dbfix::I32;
using dbfix::I8;

std::string F64(double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    std::string s(8, '\0');
    for (int i = 0; i < 8; ++i) s[static_cast<size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return s;
}

// The stage record's numbered fields in file order: number, first version
// storing it, and the member it lands in. Reserved D and E are the pairs
// 78-79 and 82-83, each value its own block.
enum Kind { kInt, kDouble, kPair };
struct Field {
    int no;
    int from;
    Kind kind;
    int32_t cStageInfo::*i = nullptr;
    double cStageInfo::*d = nullptr;
    int32_t (cStageInfo::*pair)[2] = nullptr;
};

Field I(int no, int from, int32_t cStageInfo::*m) { return {no, from, kInt, m}; }
Field D(int no, int from, double cStageInfo::*m) { return {no, from, kDouble, nullptr, m}; }
Field P(int no, int32_t (cStageInfo::*m)[2]) { return {no, 0, kPair, nullptr, nullptr, m}; }

const std::vector<Field>& StageFields() {
    using S = cStageInfo;
    static const std::vector<Field> fields = {
        I(1, 0, &S::m_nWidth), I(2, 0, &S::m_nReservedA), I(3, 0, &S::m_nReservedB), I(4, 0, &S::m_nHeight),
        I(5, 0, &S::m_bLimitLeft), I(6, 0, &S::m_bLimitRight), I(7, 0, &S::m_bLimitTop),
        I(8, 0, &S::m_bLimitBottom), I(9, 0, &S::m_nLimitLeft), I(10, 0, &S::m_nLimitRight),
        I(11, 0, &S::m_nLimitTop), I(12, 0, &S::m_nLimitBottom), I(13, 0, &S::m_nFps), I(14, 0, &S::m_bTimeLimit),
        I(15, 0, &S::m_nTimeLimit), I(16, 0, &S::m_nTimeWarning), I(17, 0, &S::m_nScrollModeX),
        I(18, 0, &S::m_nScrollModeY), I(19, 0, &S::m_nScrollSpeedX), I(20, 0, &S::m_nScrollSpeedY),
        D(21, 0, &S::m_dGravity), I(22, 0, &S::m_nHitLevel), I(23, 0, &S::m_nAttackLevel), I(24, 0, &S::m_nBgm),
        I(25, 166, &S::m_nBgmOption), I(26, 199, &S::m_bKeepBgm), I(27, 0, &S::m_bLayered),
        I(28, 0, &S::m_nRetryOption), I(29, 0, &S::m_nNextOption), I(30, 183, &S::m_nSetupOption),
        I(31, 184, &S::m_bAutoEnd), I(32, 0, &S::m_bBannerA), I(33, 225, &S::m_bBannerB),
        I(34, 0, &S::m_bClearBanner), I(35, 0, &S::m_bOverBanner), I(36, 200, &S::m_nHeroPicW),
        I(37, 200, &S::m_nHeroPicH), I(38, 200, &S::m_nHeroFlyPicW), I(39, 200, &S::m_nHeroFlyPicH),
        I(40, 0, &S::m_nHeroBodyW), I(41, 0, &S::m_nHeroBodyH), I(42, 155, &S::m_nHeroFlyBodyW),
        I(43, 155, &S::m_nHeroFlyBodyH), I(44, 0, &S::m_nHeroShotHitW), I(45, 0, &S::m_nHeroShotHitH),
        I(46, 0, &S::m_nHeroItemW), I(47, 0, &S::m_nHeroItemH), I(48, 200, &S::m_nHeroPicAlign),
        I(49, 200, &S::m_nHeroFlyPicAlign), I(50, 155, &S::m_nHeroBodyAlign), I(51, 155, &S::m_nHeroFlyBodyAlign),
        I(52, 200, &S::m_nPicBoxShow), I(53, 0, &S::m_nBodyBoxShow), I(54, 0, &S::m_nShotBoxShow),
        I(55, 0, &S::m_nItemBoxShow), I(56, 200, &S::m_nPicBoxColor), I(57, 0, &S::m_nBodyBoxColor),
        I(58, 0, &S::m_nShotBoxColor), I(59, 0, &S::m_nItemBoxColor), I(60, 200, &S::m_nCharaPicW),
        I(61, 200, &S::m_nCharaPicH), I(62, 200, &S::m_nCharaFlyPicW), I(63, 200, &S::m_nCharaFlyPicH),
        I(64, 0, &S::m_nCharaBodyW), I(65, 0, &S::m_nCharaBodyH), I(66, 155, &S::m_nCharaFlyBodyW),
        I(67, 155, &S::m_nCharaFlyBodyH), I(68, 0, &S::m_nCharaShotHitW), I(69, 0, &S::m_nCharaShotHitH),
        I(70, 200, &S::m_nCharaPicAlign), I(71, 200, &S::m_nCharaFlyPicAlign), I(72, 155, &S::m_nCharaBodyAlign),
        I(73, 155, &S::m_nCharaFlyBodyAlign), I(74, 0, &S::m_nItemBoxW), I(75, 0, &S::m_nItemBoxH),
        I(76, 0, &S::m_nHeroShotBoxW), I(77, 0, &S::m_nHeroShotBoxH), P(78, &S::m_nReservedD),
        I(80, 0, &S::m_nCharaShotBoxW), I(81, 0, &S::m_nCharaShotBoxH), P(82, &S::m_nReservedE),
        I(84, 0, &S::m_nReservedC), I(85, 0, &S::m_nViewExtX), I(86, 0, &S::m_nViewExtY),
        I(87, 0, &S::m_nSubSteps), D(88, 0, &S::m_dSubSteps), D(89, 0, &S::m_dSubStepsSq),
        D(90, 0, &S::m_dSpeedLimit), D(91, 0, &S::m_dGravityStep), D(92, 0, &S::m_dStepLimit),
        I(93, 0, &S::m_nSubSteps8), I(94, 0, &S::m_bInViewOnly), I(95, 0, &S::m_nCharaInvAttacker),
        I(96, 0, &S::m_nCharaInv), I(97, 0, &S::m_nHeroInvAttacker), I(98, 0, &S::m_nHeroInv),
    };
    return fields;
}

// Stored values: field number + 100 (pairs n+100, n+101; doubles n + 0.5)
// unless given. The map is large enough that no scroll limit is lowered.
struct StageValues {
    std::map<int, int32_t> ints{{1, 500}, {4, 400}, {22, 3}, {24, 1}};
    std::map<int, double> doubles{{21, 0.9}};
    std::string name = "Stage";
    int32_t Int(int no) const { return ints.count(no) ? ints.at(no) : no + 100; }
    double Dbl(int no) const { return doubles.count(no) ? doubles.at(no) : no + 0.5; }
    // The derived fields as the level gives them.
    StageValues& Derived() {
        const int n = ints.at(22) > 10 && ints.at(22) < 20 ? ints.at(22) - 10 : ints.at(22);
        const double limit = ints.at(22) > 10 && ints.at(22) < 20 ? 60.0 : 6.0 * n;
        ints[87] = n;
        ints[93] = 8 * n;
        doubles[88] = n;
        doubles[89] = double(n) * n;
        doubles[90] = limit;
        doubles[91] = Dbl(21) / (double(n) * n);
        doubles[92] = limit / n;
        return *this;
    }
};

// pairBlocks stores each of the two reserved pairs as one block of two.
std::string StageRecord(int version, const StageValues& v, bool pairBlocks = false) {
    std::vector<std::string> blocks;
    for (const Field& f : StageFields()) {
        if (version < f.from) continue;
        if (f.kind == kInt) blocks.push_back(I32(v.Int(f.no)));
        if (f.kind == kDouble) blocks.push_back(F64(v.Dbl(f.no)));
        if (f.kind == kPair) {
            std::string a = I32(v.Int(f.no)), b = I32(v.Int(f.no) + 1);
            if (pairBlocks) {
                blocks.push_back(a + b);
            } else {
                blocks.push_back(a);
                blocks.push_back(b);
            }
        }
    }
    return dbfix::Record(blocks, {v.name});
}

std::string OutRange(int version, std::vector<int32_t> sides, std::vector<int32_t> margins, bool marginBlock = false) {
    std::vector<std::string> blocks{I32(sides[0])};
    if (version >= 125)
        for (int i = 1; i < 4; ++i) blocks.push_back(I32(sides[static_cast<size_t>(i)]));
    if (marginBlock)
        blocks.push_back(I32(margins[0]) + I32(margins[1]) + I32(margins[2]) + I32(margins[3]));
    else
        for (int32_t m : margins) blocks.push_back(I32(m));
    return dbfix::Record(blocks, {});
}

struct BgValues {
    int32_t shown = 1, fill = 0, color = 16, layer = 0;
    double rateX = 0.1, rateY = 0.1;
    int32_t autoX = 0, autoY = 0;
    double speedX = 0, speedY = 0;
    std::string picture;
    double offX = 0, offY = 0;
};

// Versions up to 61 store two int32 where later ones have the rates or the
// offsets; droppedBlock stores those pairs as one block.
std::string Background(int version, const BgValues& b, bool droppedBlock = false) {
    std::vector<std::string> blocks;
    auto dropped = [&] {
        if (droppedBlock) {
            blocks.push_back(I32(-7) + I32(-8));
        } else {
            blocks.push_back(I32(-7));
            blocks.push_back(I32(-8));
        }
    };
    if (version >= 62) blocks.push_back(I32(b.shown));
    blocks.push_back(I32(b.fill));
    blocks.push_back(I32(b.color));
    blocks.push_back(I32(b.layer));
    if (version >= 61) {
        blocks.push_back(F64(b.rateX));
        blocks.push_back(F64(b.rateY));
        blocks.push_back(I32(b.autoX));
        blocks.push_back(I32(b.autoY));
    } else {
        dropped();
    }
    if (version >= 876) {
        blocks.push_back(F64(b.speedX));
        blocks.push_back(F64(b.speedY));
    }
    if (version >= 62) {
        blocks.push_back(F64(b.offX));
        blocks.push_back(F64(b.offY));
    } else if (version == 61) {
        dropped();
    }
    return dbfix::Record(blocks, {b.picture});
}

std::string VarName(const std::string& name) { return dbfix::Record({}, {name}); }

std::string Block(const palfix::Blk& b) { return palfix::BlockBytes(b); }

// Counted placements, each after its int32 0.
std::string Placed(const std::vector<std::string>& records) {
    std::string out = I32(static_cast<int32_t>(records.size()));
    for (const std::string& r : records) out += I32(0) + r;
    return out;
}

const BgValues kBg901{0, 1, 20, 1, 0.25, 0.5, 1, 0, 1.5, 2.5, "sky.bmp", 3.0, 4.0};

// Everything of a stage file after the record part but the palettes and
// what follows them.
struct StageParts {
    std::string extra = dbfix::Counted({I32(11), I32(12), I32(13), I32(14), I32(15)});
    std::string rules;
    StageParts(int version) {
        for (int r = 0; r < 5; ++r) rules += OutRange(version, {1, 0, 1, 0}, {r, r + 1, r + 2, r + 3});
    }
};

class StageInfoTest : public projtest::ListFileTest {
protected:
    void TearDown() override {
        g_Stage.SetDefault();
        ListFileTest::TearDown();
    }
    size_t Closes() { return plat::PendingWindowMessages(window); }

    bool Load(cStageInfo& stage, const std::string& bytes) {
        return LoadBytes(bytes, [&](DataFile* file) { return stage.Read(file); });
    }
    std::string Save(cStageInfo& stage) {
        return SaveBytes([&](DataFile* file) { return stage.Write(file); });
    }
    // A list as its own writer stores it.
    template <class R>
    std::string ListBytes(cVector<R>& list) {
        return SaveBytes([&](DataFile* file) { return WriteRecords(list, file); }).substr(4);
    }

    // A version-901 stage: two palette blocks, no palette charas or items,
    // one placed block, one background, two variable names.
    std::string File901(const StageValues& v, bool pairBlocks = false) {
        StageParts parts(901);
        return I32(901) + StageRecord(901, v, pairBlocks) + parts.extra + parts.rules +
               dbfix::Counted({Block({.hit = 0}), Block({.chip = 5, .hit = 1, .name = "wall"})}) + I32(0) + I32(0) +
               Placed({Block({.chip = 9, .hit = 2, .name = "spike", .col = 12, .row = 3})}) + I32(0) + I32(0) +
               dbfix::Counted({Background(901, kBg901)}) + dbfix::Counted({VarName("coins"), VarName("")}) +
               I32(kStageTrailer);
    }
};

TEST_F(StageInfoTest, NewStageHasItsDefaults) {
    cStageInfo s;
    EXPECT_EQ(s.m_vPltBlock.Size(), 1);
    EXPECT_EQ(s.m_vPltChara.Size(), 1);
    EXPECT_EQ(s.m_vPltItem.Size(), 1);
    EXPECT_TRUE(s.m_vBlock.empty() && s.m_vChara.empty() && s.m_vItem.empty());
    ASSERT_EQ(s.m_vBackground.Size(), 1);
    EXPECT_EQ(s.m_vBackground[0].m_bShown, 1);
    EXPECT_EQ(s.m_vBackground[0].m_nFillColor, 16);
    EXPECT_EQ(s.m_vExtra, cVector<int32_t>(5, 1));
    EXPECT_EQ(s.m_dGravity, 0.4);
    EXPECT_EQ(s.m_nHitLevel, 10);
    EXPECT_EQ(s.m_nFps, 60);
    EXPECT_EQ(s.m_nSubSteps, 10);
    EXPECT_EQ(s.m_nSubSteps6, 60);
    EXPECT_DOUBLE_EQ(s.m_dGravityStep, 0.004);
    for (int r = 0; r < kOutRangeRules; ++r) {
        SCOPED_TRACE(r);
        const cOutRange& rule = s.m_OutRange[r];
        const int32_t side = r >= kOutRangeHeroShot ? 1 : 0, margin = r == kOutRangeShot ? 10 : 0;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(rule.m_bSide[i], side);
            EXPECT_EQ(rule.m_nMargin[i], margin);
        }
    }
}

TEST_F(StageInfoTest, ReadsEveryFieldOfAStageFile) {
    StageValues v;
    cStageInfo s;
    s.m_strPath = "kept.stg4_001";
    ASSERT_TRUE(Load(s, File901(v)));
    EXPECT_EQ(s.m_strName, "Stage");
    for (const Field& f : StageFields()) {
        SCOPED_TRACE(f.no);
        if (f.no >= 87 && f.no <= 93) continue;  // derived, below
        if (f.kind == kInt) {
            EXPECT_EQ(s.*f.i, v.Int(f.no));
        }
        if (f.kind == kDouble) {
            EXPECT_EQ(s.*f.d, v.Dbl(f.no));
        }
        if (f.kind == kPair) {
            EXPECT_EQ((s.*f.pair)[0], v.Int(f.no));
            EXPECT_EQ((s.*f.pair)[1], v.Int(f.no) + 1);
        }
    }
    // The stored derived values mean nothing; level 3 gives them.
    EXPECT_EQ(s.m_nSubSteps, 3);
    EXPECT_EQ(s.m_nSubSteps8, 24);
    EXPECT_DOUBLE_EQ(s.m_dGravityStep, 0.1);
    EXPECT_DOUBLE_EQ(s.m_dStepLimit, 6.0);

    EXPECT_EQ(s.m_vExtra, (cVector<int32_t>{11, 12, 13, 14, 15}));
    for (int r = 0; r < kOutRangeRules; ++r) {
        EXPECT_EQ(s.m_OutRange[r].m_bSide[cOutRange::kTop], 1);
        EXPECT_EQ(s.m_OutRange[r].m_bSide[cOutRange::kBottom], 0);
        EXPECT_EQ(s.m_OutRange[r].m_nMargin[cOutRange::kBottom], r + 3);
    }
    // Entry 0 stands for nothing; short palettes get default entries.
    ASSERT_EQ(s.m_vPltBlock.Size(), 2);
    EXPECT_EQ(s.m_vPltBlock[1].m_strName, "wall");
    EXPECT_EQ(s.m_vPltChara.Size(), 2);
    EXPECT_EQ(s.m_vPltItem.Size(), 2);
    ASSERT_EQ(s.m_vBlock.Size(), 1);
    EXPECT_EQ(s.m_vBlock[0].m_sChip, 9);
    EXPECT_EQ(s.m_vBlock[0].m_sCol, 12);
    EXPECT_EQ(s.m_vBlock[0].m_sRow, 3);
    ASSERT_EQ(s.m_vBackground.Size(), 1);
    const cBackground& b = s.m_vBackground[0];
    EXPECT_EQ(b.m_bShown, 0);
    EXPECT_EQ(b.m_nFillColor, 20);
    EXPECT_EQ(b.m_dRateY, 0.5);
    EXPECT_EQ(b.m_dSpeedX, 1.5);  // a current file keeps its rates
    EXPECT_EQ(b.m_dRateX, 0.25);
    EXPECT_EQ(b.m_strPicture, "sky.bmp");
    EXPECT_EQ(b.m_dOffsetY, 4.0);
    ASSERT_EQ(s.m_vVarName.Size(), 2);
    EXPECT_EQ(s.m_vVarName[0].m_strName, "coins");
    EXPECT_EQ(s.m_strPath, "kept.stg4_001");
    EXPECT_EQ(Closes(), 0u);
}

TEST_F(StageInfoTest, StoredEntryZeroIsReplacedByADefault) {
    StageParts parts(901);
    std::string file = I32(901) + StageRecord(901, StageValues{}) + parts.extra + parts.rules +
                       dbfix::Counted({Block({.chip = 12, .hit = 1, .value = 77, .name = "solid"})}) + I32(0) +
                       I32(0) + I32(0) + I32(0) + I32(0) + I32(0) + I32(0) + I32(kStageTrailer);
    cStageInfo s;
    ASSERT_TRUE(Load(s, file));
    ASSERT_EQ(s.m_vPltBlock.Size(), 2);
    EXPECT_EQ(s.m_vPltBlock[0].m_sChip, 0);
    EXPECT_EQ(s.m_vPltBlock[0].m_nEffectValue, 0);
    EXPECT_TRUE(s.m_vPltBlock[0].m_strName.empty());
    EXPECT_TRUE(s.m_vBackground.empty());
}

TEST_F(StageInfoTest, WritesTheLayoutItReads) {
    StageValues v;
    v.Derived();
    cStageInfo s;
    ASSERT_TRUE(Load(s, File901(v)));
    // The palette lists padded by the read are written by their own class.
    std::string charas = ListBytes(s.m_vPltChara), items = ListBytes(s.m_vPltItem);
    StageParts parts(901);
    std::string expected = I32(901) + StageRecord(901, v) + parts.extra + parts.rules +
                           dbfix::Counted({Block({.hit = 0}), Block({.chip = 5, .hit = 1, .name = "wall"})}) + charas +
                           items + Placed({Block({.chip = 9, .hit = 2, .name = "spike", .col = 12, .row = 3})}) +
                           I32(0) + I32(0) + dbfix::Counted({Background(901, kBg901)}) +
                           dbfix::Counted({VarName("coins"), VarName("")}) + I32(kStageTrailer);
    const std::string saved = Save(s);
    EXPECT_EQ(saved.substr(4, 4), I32(98));  // every numbered field its own block
    EXPECT_EQ(orvtest::Hex(saved), orvtest::Hex(expected));

    // A replay takes the palettes and placements from the stage played and
    // the rest from the settings it started with.
    cStageInfo settings;
    settings.m_strName = "Start";
    settings.m_nWidth = 77;
    settings.m_vExtra = {5, 4, 3, 2, 1};
    settings.m_OutRange[kOutRangeItem].m_nMargin[0] = 9;
    settings.m_vVarName.resize(3);
    s.m_vBlock[0].m_sCol = 40;
    std::string replayBytes = SaveBytes([&](DataFile* file) { return s.WriteForReplay(file, settings); });
    EXPECT_EQ(replayBytes.substr(4, 4), I32(98));
    cStageInfo replay;
    ASSERT_TRUE(Load(replay, replayBytes));
    EXPECT_EQ(replay.m_strName, "Start");
    EXPECT_EQ(replay.m_nWidth, 77);
    EXPECT_EQ(replay.m_vExtra, settings.m_vExtra);
    EXPECT_EQ(replay.m_OutRange[kOutRangeItem].m_nMargin[0], 9);
    EXPECT_EQ(replay.m_vVarName.Size(), 3);
    EXPECT_EQ(replay.m_vBackground.Size(), 1);
    EXPECT_EQ(replay.m_vBackground[0].m_bShown, 1);
    ASSERT_EQ(replay.m_vBlock.Size(), 1);
    EXPECT_EQ(replay.m_vBlock[0].m_sCol, 40);
    EXPECT_EQ(replay.m_vPltBlock[1].m_strName, "wall");
}

TEST_F(StageInfoTest, ReadsTheOtherBlockLayoutsAndWritesItsOwn) {
    StageValues v;
    v.Derived();
    const std::string own = File901(v);
    // Reserved D and E as two blocks of two (96 blocks in all); the margins
    // of every rule as one block of four.
    std::string paired = File901(v, true);
    StageParts parts(901);
    std::string blockRules;
    for (int r = 0; r < 5; ++r) blockRules += OutRange(901, {1, 0, 1, 0}, {r, r + 1, r + 2, r + 3}, true);
    const size_t rulesAt = 4 + StageRecord(901, v, true).size() + parts.extra.size();
    paired.replace(rulesAt, parts.rules.size(), blockRules);

    cStageInfo s;
    ASSERT_TRUE(Load(s, paired));
    EXPECT_EQ(s.m_nReservedD[1], 179);
    EXPECT_EQ(s.m_nReservedE[0], 182);
    EXPECT_EQ(s.m_nCharaShotBoxW, 180);
    EXPECT_EQ(s.m_nHeroInv, 198);
    EXPECT_EQ(s.m_OutRange[4].m_nMargin[cOutRange::kRight], 5);
    const size_t settingsBytes = 4 + StageRecord(901, v).size() + parts.extra.size() + parts.rules.size();
    EXPECT_EQ(orvtest::Hex(Save(s).substr(0, settingsBytes)), orvtest::Hex(own.substr(0, settingsBytes)));
    EXPECT_EQ(Closes(), 0u);

    // Files older than 125 store one side flag: five singles or two blocks.
    for (bool marginBlock : {false, true}) {
        SCOPED_TRACE(marginBlock);
        cOutRange rule;
        std::string bytes = I32(124) + OutRange(124, {1}, {6, 7, 8, 9}, marginBlock);
        ASSERT_TRUE(LoadBytes(bytes, [&](DataFile* f) { return rule.Read(f); }));
        EXPECT_EQ(rule.m_bSide[cOutRange::kLeft], 1);
        EXPECT_EQ(rule.m_bSide[cOutRange::kRight], 0);
        EXPECT_EQ(rule.m_nMargin[cOutRange::kLeft], 6);
        EXPECT_EQ(rule.m_nMargin[cOutRange::kBottom], 9);
        EXPECT_EQ(rule.Fields().Size(), 8);  // registered as written
    }
}

TEST_F(StageInfoTest, OldBackgroundsDropTheirIntegerPairs) {
    struct Case {
        int version;
        bool droppedBlock;
    };
    for (Case c : {Case{60, false}, Case{60, true}, Case{61, false}, Case{61, true}, Case{62, false}}) {
        SCOPED_TRACE(c.version);
        BgValues in{0, 1, 33, 1, 0.75, 0.25, 1, 1, 0, 0, "far.bmp", 5.0, 6.0};
        cBackground b;
        std::string bytes = I32(c.version) + Background(c.version, in, c.droppedBlock);
        ASSERT_TRUE(LoadBytes(bytes, [&](DataFile* f) { return b.Read(f); }));
        EXPECT_EQ(b.m_nFillColor, 33);
        EXPECT_EQ(b.m_nLayer, 1);
        EXPECT_EQ(b.m_strPicture, "far.bmp");
        EXPECT_EQ(b.m_bShown, c.version >= 62 ? 0 : 1);
        EXPECT_EQ(b.m_dRateX, c.version >= 61 ? 0.75 : 0.1);
        EXPECT_EQ(b.m_bAutoY, c.version >= 61 ? 1 : 0);
        EXPECT_EQ(b.m_dOffsetX, c.version >= 62 ? 5.0 : 0.0);
    }
}

TEST_F(StageInfoTest, OlderStageIsUpgraded) {
    // A stage with every optional value set differently is read first, so
    // nothing of it may survive into the older one.
    ASSERT_TRUE(Load(g_Stage, File901(StageValues{})));
    const int version = 124;
    StageValues v;
    std::string rules;
    for (int r = 0; r < 5; ++r) rules += OutRange(version, {1}, {r, r, r, r});
    BgValues bg;
    bg.autoX = 1, bg.rateX = 2.5, bg.autoY = 1, bg.rateY = 0.5;
    std::string file = I32(version) + StageRecord(version, v) + dbfix::Counted({I32(7), I32(8), I32(9)}) + rules +
                       I32(0) + I32(0) + I32(0) + I32(0) + I32(0) + I32(0) +
                       dbfix::Counted({Background(version, bg), Background(version, BgValues{})}) +
                       dbfix::Counted({VarName("a"), VarName("b"), VarName("c")});  // no trailer yet
    ASSERT_TRUE(Load(g_Stage, file));
    const cStageInfo& s = g_Stage;
    EXPECT_EQ(s.m_nHeroBodyW, 140);
    EXPECT_EQ(s.m_nHeroFlyBodyW, 140);
    EXPECT_EQ(s.m_nHeroFlyBodyH, 141);
    EXPECT_EQ(s.m_nCharaFlyBodyW, 164);
    EXPECT_EQ(s.m_nCharaFlyBodyH, 165);
    EXPECT_EQ(s.m_nHeroBodyAlign + s.m_nHeroFlyBodyAlign + s.m_nCharaBodyAlign + s.m_nCharaFlyBodyAlign, 0);
    EXPECT_EQ(s.m_nBgmOption, 1);
    EXPECT_EQ(s.m_nSetupOption, 1);
    EXPECT_EQ(s.m_bAutoEnd, 0);
    EXPECT_EQ(s.m_bKeepBgm, 0);
    EXPECT_EQ(s.m_bBannerB, 0);
    EXPECT_EQ(s.m_nHeroPicW, 16);
    EXPECT_EQ(s.m_nHeroPicH, 24);
    EXPECT_EQ(s.m_nHeroFlyPicH, 16);
    EXPECT_EQ(s.m_nHeroPicAlign, 1);
    EXPECT_EQ(s.m_nHeroFlyPicAlign, 0);
    EXPECT_EQ(s.m_nPicBoxShow, 0);
    EXPECT_EQ(s.m_nPicBoxColor, 5);
    EXPECT_EQ(s.m_nCharaPicH, 30);
    EXPECT_EQ(s.m_nCharaFlyPicH, 30);
    EXPECT_EQ(s.m_nCharaFlyPicAlign, 1);
    EXPECT_EQ(s.m_nCharaShotHitW, 168);  // stored in every version
    EXPECT_EQ(s.m_vExtra, (cVector<int32_t>{7, 8, 9, 0, 0}));
    for (int r = 0; r < kOutRangeRules; ++r) {
        SCOPED_TRACE(r);
        const int32_t other = r >= kOutRangeHeroShot ? 1 : 0;  // the defaults, not the stage before
        EXPECT_EQ(s.m_OutRange[r].m_bSide[cOutRange::kLeft], 1);
        EXPECT_EQ(s.m_OutRange[r].m_bSide[cOutRange::kTop], other);
        EXPECT_EQ(s.m_OutRange[r].m_nMargin[cOutRange::kBottom], r);
    }
    ASSERT_EQ(s.m_vBackground.Size(), 2);
    EXPECT_EQ(s.m_vBackground[0].m_dSpeedX, 2.5);
    EXPECT_EQ(s.m_vBackground[0].m_dRateX, 1.0);
    EXPECT_EQ(s.m_vBackground[0].m_dSpeedY, 0.5);
    EXPECT_EQ(s.m_vBackground[0].m_dRateY, 1.0);
    EXPECT_EQ(s.m_vBackground[1].m_dRateX, 0.1);  // not scrolling by itself
    EXPECT_EQ(s.m_vBackground[1].m_dSpeedX, 0.0);
    ASSERT_EQ(s.m_vVarName.Size(), 1000);
    EXPECT_EQ(s.m_vVarName[2].m_strName, "c");
    EXPECT_TRUE(s.m_vVarName[999].m_strName.empty());
    EXPECT_EQ(s.m_vBlock.Size(), 0);
    EXPECT_EQ(Closes(), 0u);
}

// On both sides of every version that adds a field or an upgrade: a field
// the file stores keeps its stored value, one it does not store takes the
// upgrade's value.
TEST_F(StageInfoTest, EachUpgradeStopsAtItsVersion) {
    const StageValues v;
    // Values of the fields a file does not store, after the upgrades.
    const std::map<int, int32_t> upgraded{
        {25, 1},  {26, 0},  {30, 1},  {31, 0},  {33, 0},  {36, 16}, {37, 24}, {38, 16}, {39, 16},
        {42, v.Int(40)}, {43, v.Int(41)}, {48, 1}, {49, 0}, {50, 0}, {51, 0}, {52, 0}, {56, 5},
        {60, 16}, {61, 30}, {62, 16}, {63, 30}, {66, v.Int(64)}, {67, v.Int(65)}, {70, 1}, {71, 1},
        {72, 0},  {73, 0}};
    for (int version : {154, 155, 165, 166, 180, 181, 182, 183, 184, 198, 199, 200, 224, 225, 753, 754, 875, 876}) {
        SCOPED_TRACE(version);
        std::string rules;
        for (int r = 0; r < 5; ++r) rules += OutRange(version, {1, 1, 1, 1}, {r, r, r, r});
        BgValues bg;
        bg.autoX = 1, bg.rateX = 2.5;
        std::string file = I32(version) + StageRecord(version, v) + StageParts(version).extra + rules +
                           std::string(6 * 4, '\0') + dbfix::Counted({Background(version, bg)}) +
                           dbfix::Counted({VarName("a"), VarName("b"), VarName("c")}) + I32(kStageTrailer);
        cStageInfo s;
        ASSERT_TRUE(Load(s, file));
        for (const Field& f : StageFields()) {
            if (f.kind != kInt || (f.no >= 87 && f.no <= 93)) continue;
            SCOPED_TRACE(f.no);
            EXPECT_EQ(s.*f.i, version >= f.from ? v.Int(f.no) : upgraded.at(f.no));
        }
        EXPECT_EQ(s.m_vExtra, version >= 181 ? (cVector<int32_t>{11, 12, 13, 14, 15})
                                             : (cVector<int32_t>{11, 12, 13, 0, 0}));
        EXPECT_EQ(s.m_vVarName.Size(), version >= 754 ? 3 : 1000);
        ASSERT_EQ(s.m_vBackground.Size(), 1);
        EXPECT_EQ(s.m_vBackground[0].m_dRateX, version >= 876 ? 2.5 : 1.0);
        EXPECT_EQ(s.m_vBackground[0].m_dSpeedX, version >= 876 ? 0.0 : 2.5);
    }
}

TEST_F(StageInfoTest, TrailerIsReadFrom173On) {
    struct Case {
        int version;
        bool trailer;
        bool loads;
    };
    for (Case c : {Case{172, false, true}, Case{173, true, true}, Case{173, false, false}, Case{174, true, true}}) {
        SCOPED_TRACE(c.version);
        StageValues v;
        std::string rules;
        for (int r = 0; r < 5; ++r) rules += OutRange(c.version, {0, 0, 0, 0}, {0, 0, 0, 0});
        std::string file = I32(c.version) + StageRecord(c.version, v) + I32(0) + rules + std::string(8 * 4, '\0');
        // A trailer that differs is not this reader's business.
        if (c.trailer) file += I32(42);
        cStageInfo s;
        EXPECT_EQ(Load(s, file), c.loads);
        EXPECT_EQ(s.m_nTimeLimit, 115);
    }
}

TEST_F(StageInfoTest, BrokenFileFailsAndLeavesAPlayableRecord) {
    StageValues v;
    const std::string whole = File901(v);
    std::vector<std::string> broken;
    for (size_t cut = 4; cut < whole.size(); cut += 53) broken.push_back(whole.substr(0, cut));
    // Palette and variable-name counts the file cannot hold, negative ones
    // among them.
    const size_t paletteAt = 4 + StageRecord(901, v).size() + StageParts(901).extra.size() + StageParts(901).rules.size();
    const size_t varNamesAt = whole.size() - 4 - dbfix::Counted({VarName("coins"), VarName("")}).size();
    for (size_t at : {paletteAt, varNamesAt})
        for (int32_t count : {INT32_MAX, -1}) {
            std::string bad = whole;
            bad.replace(at, 4, I32(count));
            broken.push_back(bad);
        }
    for (const std::string& bytes : broken) {
        SCOPED_TRACE(bytes.size());
        cStageInfo s;
        EXPECT_FALSE(Load(s, bytes));
        EXPECT_GE(s.m_vPltBlock.Size(), 2);
        EXPECT_GE(s.m_vPltChara.Size(), 2);
        EXPECT_GE(s.m_vPltItem.Size(), 2);
        EXPECT_GE(s.m_vExtra.Size(), 5);
        EXPECT_GE(s.m_nSubSteps, 1);
    }
}

TEST_F(StageInfoTest, HitLevelGivesTheStepValues) {
    struct Case {
        int level, stored, n;
        double limit;
    };
    for (Case c : {Case{1, 1, 1, 6}, Case{2, 2, 2, 12}, Case{10, 10, 10, 60}, Case{11, 11, 1, 60},
                   Case{19, 19, 9, 60}, Case{20, 20, 20, 120}, Case{0, 1, 1, 6}, Case{-5, 1, 1, 6},
                   Case{INT_MAX, kMaxHitLevel, kMaxHitLevel, 6.0 * kMaxHitLevel}}) {
        SCOPED_TRACE(c.level);
        cStageInfo s;
        orvtest::WriteHostFile("Report_Game.txt", "");
        s.SetHitLevel(c.level);
        s.SetHitLevel(s.m_nHitLevel);
        // A level below 1 is reported once, as the level it becomes is kept.
        const std::string report = orvtest::ReadHostFile("Report_Game.txt");
        EXPECT_EQ(report, c.level < 1 ? "hit level " + std::to_string(c.level) + " of the stage is taken as 1\n" : "");
        EXPECT_EQ(s.m_nHitLevel, c.stored);
        EXPECT_EQ(s.m_nSubSteps, c.n);
        EXPECT_EQ(s.m_dSubSteps, c.n);
        EXPECT_EQ(s.m_nSubSteps6, 6 * c.n);
        EXPECT_EQ(s.m_nSubSteps8, 8 * c.n);
        EXPECT_EQ(s.m_dSubStepsSq, double(c.n) * c.n);
        EXPECT_EQ(s.m_dSpeedLimit, c.limit);
        EXPECT_DOUBLE_EQ(s.m_dStepLimit, c.limit / c.n);
        EXPECT_DOUBLE_EQ(s.m_dGravityStep, 0.4 / (double(c.n) * c.n));
    }
}

TEST_F(StageInfoTest, ValidateKeepsLimitsAndMusicInRange) {
    struct Case {
        int32_t width, height, left, right, top, bottom, bgm;
        int32_t wantLeft, wantRight, wantTop, wantBottom, wantBgm;
    };
    for (Case c : {Case{60, 30, 50, 70, 10, 100, 1, 40, 59, 10, 29, 1},
                   Case{60, 30, 3, 5, 2, 4, 2, 3, 5, 2, 4, 0},
                   Case{60, 30, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0},
                   Case{INT32_MIN, INT32_MIN, 5, 5, 5, 5, 0, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, 0}}) {
        SCOPED_TRACE(c.width);
        cStageInfo s;
        s.m_nWidth = c.width, s.m_nHeight = c.height;
        s.m_nLimitLeft = c.left, s.m_nLimitRight = c.right, s.m_nLimitTop = c.top, s.m_nLimitBottom = c.bottom;
        s.m_nBgm = c.bgm;
        s.m_nHitLevel = 0;
        s.m_vPltBlock.clear();
        s.m_vExtra = {9};
        s.Validate();
        EXPECT_EQ(s.m_nLimitLeft, c.wantLeft);
        EXPECT_EQ(s.m_nLimitRight, c.wantRight);
        EXPECT_EQ(s.m_nLimitTop, c.wantTop);
        EXPECT_EQ(s.m_nLimitBottom, c.wantBottom);
        EXPECT_EQ(s.m_nBgm, c.wantBgm);
        EXPECT_EQ(s.m_nSubSteps, 1);
        EXPECT_EQ(s.m_vPltBlock.Size(), 2);
        EXPECT_EQ(s.m_vExtra, (cVector<int32_t>{9, 1, 1, 1, 1}));
    }
    ASSERT_EQ(g_Database.m_vBgm.Size(), 2);  // the cases above assume it
}

TEST_F(StageInfoTest, HeroIsTheFirstPlayerCharaWithAChip) {
    cStageInfo s;
    EXPECT_EQ(s.FindHero(), -1);
    auto chara = [](int16_t chip, int8_t operatedBy) {
        cCharaDef c;
        c.m_sChip = chip;
        c.m_cOperatedBy = operatedBy;
        return c;
    };
    s.m_vChara.push_back(chara(0, 0));
    EXPECT_FALSE(s.HasHero());
    s.m_vChara.push_back(chara(4, 1));
    s.m_vChara.push_back(chara(4, 0));
    s.m_vChara.push_back(chara(6, 0));
    EXPECT_EQ(s.FindHero(), 2);
    EXPECT_TRUE(s.HasHero());
}

TEST_F(StageInfoTest, PaletteEntriesInheritFromThePaletteAsRead) {
    // Entry 1 takes its hit kind (group 6) from entry 2, which is still a
    // default entry then; the placement takes it from entry 2 as read.
    std::vector<int8_t> hitOnly(11, 0);
    hitOnly[6] = 1;
    StageParts parts(901);
    std::string file =
        I32(901) + StageRecord(901, StageValues{}) + parts.extra + parts.rules +
        dbfix::Counted({Block({.hit = 0}), Block({.src = 2, .idx = 2, .chip = 3, .hit = 0, .flags = hitOnly}),
                        Block({.chip = 7, .hit = 2})}) +
        I32(0) + I32(0) + Placed({Block({.src = 2, .idx = 2, .chip = 8, .hit = 0, .flags = hitOnly})}) + I32(0) +
        I32(0) + I32(0) + I32(0) + I32(kStageTrailer);
    ASSERT_TRUE(Load(g_Stage, file));
    ASSERT_EQ(g_Stage.m_vPltBlock.Size(), 3);
    EXPECT_EQ(g_Stage.m_vPltBlock[1].m_cHit, 1);
    EXPECT_EQ(g_Stage.m_vPltBlock[2].m_cHit, 2);
    ASSERT_EQ(g_Stage.m_vBlock.Size(), 1);
    EXPECT_EQ(g_Stage.m_vBlock[0].m_cHit, 2);
}

TEST_F(StageInfoTest, TakenFlowsAreSharedUntilChanged) {
    static_assert(std::is_nothrow_move_constructible_v<cPltBlock> && std::is_nothrow_move_constructible_v<cCharaDef> &&
                  std::is_nothrow_move_constructible_v<cPltItem> && std::is_nothrow_move_constructible_v<cFlowCmd>);
    // A flow whose get-item command names an item of the stage palette.
    auto itemFlow = [](int32_t item) {
        cFlow flow;
        flow.m_cTrigger = 1;
        flow.m_vCmd.resize(1);
        flow.m_vCmd[0].m_cKind = 25;
        flow.m_vCmd[0].m_vParam = {1, item};
        return flow;
    };
    std::vector<int8_t> flowsOnly(cCharaDef::kInheritGroups, 0);
    flowsOnly[cCharaDef::kFlowGroup] = 1;
    // Common chara 1 names item 5, which this stage's three items lack;
    // stage chara 1 names item 2. Two placements take their flows from each.
    const cVector<cCharaDef> commonBefore = g_CommonPalette.m_vChara;
    g_CommonPalette.m_vChara.assign(2, cCharaDef());
    g_CommonPalette.m_vChara[1].m_vFlow.push_back(itemFlow(5));
    g_Stage.m_vPltItem.resize(3);
    g_Stage.m_vPltChara.resize(2);
    g_Stage.m_vPltChara[1].m_vFlow.push_back(itemFlow(2));
    for (int source : {2, 2, 1, 1}) {
        cCharaDef& placed = g_Stage.m_vChara.emplace_back();
        placed.m_cInheritSrc = static_cast<int8_t>(source);
        placed.m_sInheritIdx = 1;
        placed.m_vInheritFlag.assign(flowsOnly.begin(), flowsOnly.end());
    }
    const std::string file = Save(g_Stage);
    ASSERT_TRUE(Load(g_Stage, file));

    const cVector<cCharaDef>& placed = g_Stage.m_vChara;
    ASSERT_EQ(placed.Size(), 4);
    EXPECT_TRUE(placed[0].m_vFlow.SharesWith(placed[1].m_vFlow));
    EXPECT_TRUE(placed[0].m_vFlow.SharesWith(g_Stage.m_vPltChara[1].m_vFlow));
    EXPECT_EQ(placed[0].m_vFlow[0].m_vCmd[0].m_vParam, (cVector<int32_t>{1, 2}));
    // The stage's palette check changes the common entry's flows for these
    // placements only: they share one checked copy.
    EXPECT_TRUE(placed[2].m_vFlow.SharesWith(placed[3].m_vFlow));
    EXPECT_FALSE(placed[2].m_vFlow.SharesWith(g_CommonPalette.m_vChara[1].m_vFlow));
    EXPECT_EQ(placed[2].m_vFlow[0].m_vCmd[0].m_vParam, (cVector<int32_t>{1, 1}));
    EXPECT_EQ(std::as_const(g_CommonPalette.m_vChara[1]).m_vFlow[0].m_vCmd[0].m_vParam, (cVector<int32_t>{1, 5}));

    // A change reaches only the flows of the placement changed.
    g_Stage.m_vChara[0].m_vFlow[0].m_cId = 7;
    EXPECT_EQ(placed[0].m_vFlow[0].m_cId, 7);
    EXPECT_EQ(placed[1].m_vFlow[0].m_cId, 0);
    EXPECT_EQ(std::as_const(g_Stage.m_vPltChara[1]).m_vFlow[0].m_cId, 0);
    // Checked again outside a stage's read, shared flows become a copy too.
    g_Stage.m_vChara[3].ValidateFlows();
    EXPECT_FALSE(placed[2].m_vFlow.SharesWith(placed[3].m_vFlow));
    EXPECT_EQ(placed[3].m_vFlow[0].m_vCmd[0].m_vParam, (cVector<int32_t>{1, 1}));
    g_CommonPalette.m_vChara = commonBefore;
}

TEST_F(StageInfoTest, SetDefaultLeavesNothingOfTheStageBefore) {
    cStageInfo fresh, used;
    ASSERT_TRUE(Load(used, File901(StageValues{})));
    used.m_strPath = "a.stg4_000";
    used.SetDefault();
    EXPECT_EQ(used.m_strPath, "a.stg4_000");
    EXPECT_EQ(orvtest::Hex(Save(used)), orvtest::Hex(Save(fresh)));
}

// Writes the fixtures as fuzz seeds when ORV_WRITE_STAGE_SEEDS names a
// folder (an absolute path; the test runs in a folder of its own); the seeds
// are kept with the sources.
TEST_F(StageInfoTest, WritesFuzzSeedsWhenAsked) {
    const char* env = std::getenv("ORV_WRITE_STAGE_SEEDS");
    if (!env) GTEST_SKIP() << "set ORV_WRITE_STAGE_SEEDS to a folder to write the seeds";
    const std::string folder = env;
    StageValues v;
    v.Derived();
    std::map<std::string, std::string> seeds{{"stage_901", File901(v)}, {"stage_901_pairs", File901(v, true)}};

    std::string rules;
    for (int r = 0; r < 5; ++r) rules += OutRange(124, {1}, {r, r, r, r});
    BgValues bg;
    bg.autoX = 1;
    seeds["stage_124"] = I32(124) + StageRecord(124, v) + dbfix::Counted({I32(7)}) + rules +
                         dbfix::Counted({Block({.hit = 0}), Block({.chip = 5, .hit = 1})}) + std::string(20, '\0') +
                         dbfix::Counted({Background(124, bg)}) + dbfix::Counted({VarName("x")});

    // Charas and items as their own writers store them: a hero placed, and
    // palette entries that inherit.
    cStageInfo s;
    s.m_nWidth = 40, s.m_nHeight = 20;
    s.m_vPltChara.resize(3);
    s.m_vPltChara[2].m_sChip = 4;
    s.m_vPltChara[1].m_cInheritSrc = 2;
    s.m_vPltChara[1].m_sInheritIdx = 2;
    s.m_vPltChara[1].m_vInheritFlag.Fill(1);
    s.m_vPltItem.resize(3);
    s.m_vPltItem[2].m_cInheritSrc = 2;
    s.m_vPltItem[2].m_sInheritIdx = 1;
    cCharaDef hero;
    hero.m_sChip = 3;
    hero.m_cOperatedBy = 0;
    hero.m_sCol = 2, hero.m_sRow = 5;
    s.m_vChara.push_back(hero);
    s.m_vItem.resize(1);
    s.m_vItem[0].m_sChip = 2;
    seeds["stage_hero"] = SaveBytes([&](DataFile* file) { return s.Write(file); });

    for (const auto& [name, bytes] : seeds) {
        EXPECT_TRUE(Load(g_Stage, bytes)) << name;
        orvtest::WriteHostFile(folder + "/" + name, bytes);
    }
    EXPECT_TRUE(g_Stage.HasHero());  // the last seed
}

}  // namespace
