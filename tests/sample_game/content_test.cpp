// The sample game's common palette, stages and world map read back through
// the player's own loaders with every value as written: a value mended on
// the way in, or a flow dropped, means the writer made something the game
// would not play as meant.
#include <gtest/gtest.h>

#include <string>

#include "core/text.h"
#include "frontend/program_objects.h"
#include "project/common_palette.h"
#include "project/database.h"
#include "project/stage_file.h"
#include "project/stage_info.h"
#include "project/world_map.h"
#include "support/logged_test.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace {

class SampleContentTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        ResetProgramObjects();
        std::string error;
        // The game folder is the test's own fresh folder.
        ASSERT_TRUE(sample::WriteDatabase("", &error)) << error;
        ASSERT_TRUE(sample::WriteCommonPalette("", &error)) << error;
        ASSERT_TRUE(sample::WriteStages("", &error)) << error;
        // The palette and stages are read back from their files; the
        // database they were made against stays as written.
        g_CommonPaletteObject.Build();
        g_StageObject.Build();
    }
    void TearDown() override {
        ResetProgramObjects();
        LoggedTest::TearDown();
    }
};

void ExpectSameFlows(const cVector<cFlow>& read, const cVector<cFlow>& made, const std::string& who) {
    ASSERT_EQ(read.Size(), made.Size()) << who;
    for (int f = 0; f < made.Size(); ++f) {
        const cFlow& a = read[static_cast<size_t>(f)];
        const cFlow& b = made[static_cast<size_t>(f)];
        EXPECT_EQ(a.m_cTrigger, b.m_cTrigger) << who;
        EXPECT_EQ(a.m_vCond.Size(), b.m_vCond.Size()) << who;
        EXPECT_EQ(a.m_vKeyCond.Size(), b.m_vKeyCond.Size()) << who;
        ASSERT_EQ(a.m_vCmd.Size(), b.m_vCmd.Size()) << who;
        for (int c = 0; c < b.m_vCmd.Size(); ++c) {
            const cFlowCmd& x = a.m_vCmd[static_cast<size_t>(c)];
            const cFlowCmd& y = b.m_vCmd[static_cast<size_t>(c)];
            EXPECT_EQ(x.m_cKind, y.m_cKind) << who << " command " << c;
            EXPECT_EQ(x.m_vParam, y.m_vParam) << who << " command " << c;
            EXPECT_EQ(x.m_sSound, y.m_sSound) << who << " command " << c;
            EXPECT_EQ(x.m_strText, y.m_strText) << who << " command " << c;
            if (y.m_pShot) {
                ASSERT_TRUE(x.m_pShot) << who;
                EXPECT_EQ(x.m_pShot->m_sGraphic, y.m_pShot->m_sGraphic) << who;
                EXPECT_EQ(x.m_pShot->m_cMoveKind, y.m_pShot->m_cMoveKind) << who;
                EXPECT_EQ(x.m_pShot->m_sEffect, y.m_pShot->m_sEffect) << who;
            }
        }
    }
}

TEST_F(SampleContentTest, CommonPaletteReadsBackUnmended) {
    cCommonPalette made;
    // What the writer built, against the same database and palette sizes.
    ASSERT_EQ(g_CommonPalette.LoadFile("default\\CommonPalette.cplt4"), 1);
    sample::FillCommonPalette(made);
    const cCommonPalette& read = g_CommonPalette;

    ASSERT_EQ(read.m_vBlock.Size(), sample::kBlocks);
    ASSERT_EQ(read.m_vChara.Size(), sample::kCharas);
    ASSERT_EQ(read.m_vItem.Size(), sample::kItems);
    for (int i = 1; i < sample::kBlocks; ++i) {
        const cPltBlock& a = read.m_vBlock[static_cast<size_t>(i)];
        const cPltBlock& b = made.m_vBlock[static_cast<size_t>(i)];
        EXPECT_EQ(a.m_strName, b.m_strName);
        EXPECT_EQ(a.m_sChip, b.m_sChip) << a.m_strName;
        EXPECT_EQ(a.m_cHit, b.m_cHit) << a.m_strName;
        EXPECT_EQ(a.m_sItemIdx, b.m_sItemIdx) << a.m_strName;
    }
    EXPECT_EQ(read.m_vBlock[sample::kBlockItemBlock].m_sItemIdx, sample::kItemCoin);
    for (int i = 1; i < sample::kCharas; ++i) {
        const cCharaDef& a = read.m_vChara[static_cast<size_t>(i)];
        const cCharaDef& b = made.m_vChara[static_cast<size_t>(i)];
        EXPECT_EQ(a.m_strName, b.m_strName);
        EXPECT_EQ(a.m_sChip, b.m_sChip) << a.m_strName;
        EXPECT_EQ(a.m_sAnimeSet, b.m_sAnimeSet) << a.m_strName;
        EXPECT_EQ(a.m_sDeathEffect, b.m_sDeathEffect) << a.m_strName;
        EXPECT_EQ(a.m_sDamageEffect, b.m_sDamageEffect) << a.m_strName;
        EXPECT_EQ(a.m_nMaxHP, b.m_nMaxHP) << a.m_strName;
        EXPECT_EQ(a.m_cGiantScale, b.m_cGiantScale) << a.m_strName;
        ExpectSameFlows(a.m_vFlow, b.m_vFlow, a.m_strName);
    }
    EXPECT_EQ(read.m_vChara[sample::kCharaHero].m_cOperatedBy, 0);
    EXPECT_EQ(read.m_vChara[sample::kCharaBoss].m_nMaxHP, 40);
    EXPECT_EQ(read.m_vChara[sample::kCharaPlatform].m_cBlockChara, 1);
    EXPECT_EQ(read.m_vChara[sample::kCharaHero].m_sAnimeSet, sample::kAnimeHero);
    for (int i = 1; i < sample::kItems; ++i) {
        const cPltItem& a = read.m_vItem[static_cast<size_t>(i)];
        const cPltItem& b = made.m_vItem[static_cast<size_t>(i)];
        EXPECT_EQ(a.m_strName, b.m_strName);
        EXPECT_EQ(a.m_sSound, b.m_sSound) << a.m_strName;
        ASSERT_EQ(a.m_vCmd.Size(), b.m_vCmd.Size()) << a.m_strName;
        for (int c = 0; c < b.m_vCmd.Size(); ++c)
            EXPECT_EQ(a.m_vCmd[static_cast<size_t>(c)].m_vParam, b.m_vCmd[static_cast<size_t>(c)].m_vParam);
    }
}

struct StageCase {
    int index;
    int minCharas;
    int bgm;
    bool timed;
};

TEST_F(SampleContentTest, EveryStageOpensWithItsHero) {
    ASSERT_EQ(g_CommonPalette.LoadFile("default\\CommonPalette.cplt4"), 1);
    const StageCase cases[] = {
        {0, 5, sample::kBgmStage, true},
        {1, 8, sample::kBgmStage, true},
        {2, 3, sample::kBgmBoss, true},
        {sample::kHeavyStage, 200, sample::kBgmStage, false},
    };
    for (const StageCase& c : cases) {
        std::string name = std::string("default\\stg4\\") + sample::kStageFiles[c.index];
        name.resize(name.size() - 4);  // the numbered name finds "_000"
        cStageInfo settings;
        cCharaDef hero;
        ASSERT_EQ(OpenStageFile(name.c_str(), 1, &settings, &hero), 1) << name;
        EXPECT_EQ(g_Stage.m_bNumbered, 1);
        EXPECT_GE(g_Stage.m_vChara.Size(), c.minCharas) << name;
        EXPECT_EQ(hero.m_cOperatedBy, 0) << name;
        EXPECT_EQ(hero.m_strName, g_CommonPalette.m_vChara[sample::kCharaHero].m_strName);
        EXPECT_EQ(settings.m_nBgm, c.bgm) << name;
        EXPECT_EQ(settings.m_bTimeLimit != 0, c.timed) << name;
        EXPECT_GT(g_Stage.m_nWidth, 0);
        // Placements came back whole: inherited values are the palette's.
        for (const cCharaDef& chara : g_Stage.m_vChara) {
            ASSERT_EQ(chara.m_cInheritSrc, 1);
            const cCharaDef& source = g_CommonPalette.m_vChara[static_cast<size_t>(chara.m_sInheritIdx)];
            EXPECT_EQ(chara.m_vFlow.Size(), source.m_vFlow.Size()) << chara.m_strName;
            EXPECT_EQ(chara.m_sChip, source.m_sChip);
            EXPECT_LT(chara.m_sCol, g_Stage.m_nWidth);
            EXPECT_LT(chara.m_sRow, g_Stage.m_nHeight);
        }
    }
}

TEST_F(SampleContentTest, WorldMapLeadsToEveryStoryStage) {
    cWorldMap map;
    ASSERT_EQ(map.LoadFile("default\\WorldMap.dat"), 1);
    ASSERT_EQ(map.m_vPoint.Size(), 3);
    EXPECT_EQ(map.m_strBgPicture, "bmp\\WorldBack.bmp");
    for (int i = 0; i < 3; ++i) {
        const cWorldPoint& p = map.m_vPoint[static_cast<size_t>(i)];
        ASSERT_GE(p.m_vLink.Size(), 1);
        const cWorldLink& link = p.m_vLink[0];
        EXPECT_EQ(link.m_nKind, kLinkStage);
        EXPECT_EQ(link.m_nStageNo, i + 1);
        EXPECT_EQ(link.m_nRequiredFlag, i);  // the stage before must be cleared
        // The link names data\stg4\X.stg4; the file ships in default\.
        std::string path = link.m_strStageFile;
        ASSERT_EQ(path.rfind("data\\", 0), 0u) << path;
        path = "default\\" + path.substr(5);
        std::string found;
        EXPECT_EQ(FindNumberedFile(found, path, "stg4"), 1) << path;
        // Every point stands on a walkable tile.
        EXPECT_EQ(map.m_vTile[static_cast<size_t>(map.Cell(p.m_nX, p.m_nY))].m_nImpassable, 0);
    }
    EXPECT_EQ(map.m_vTile[static_cast<size_t>(map.Cell(map.m_nStartX, map.m_nStartY))].m_nImpassable, 0);
}

}  // namespace
