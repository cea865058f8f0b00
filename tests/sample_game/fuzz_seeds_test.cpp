// Writes the seeds of the stage, common-palette and wave fuzz targets when
// ORV_WRITE_FUZZ_SEEDS names the seeds folder (tests/fuzz/seeds): the
// bundled game's common palette and story stages, and small files holding one entry of one list kind
// each, so the fuzzer starts from every kind of list with real entries in
// it; and three of the bundled game's sounds. The seeds are kept with the
// sources.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "project/common_palette.h"
#include "project/database.h"
#include "project/stage_info.h"
#include "support/logged_test.h"
#include "support/test_support.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace {

namespace fs = std::filesystem;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

class FuzzSeeds : public orvtest::LoggedTest {
protected:
    void TearDown() override {
        g_Database.SetDefault();
        LoggedTest::TearDown();
    }
};

// A palette list of the nothing entry and one real one.
template <class T>
cVector<T> Two(const T& entry) {
    cVector<T> list;
    list.push_back(T());
    list.push_back(entry);
    return list;
}

template <class T>
T Placed(T entry) {
    entry.m_sCol = 3;
    entry.m_sRow = 2;
    return entry;
}

TEST_F(FuzzSeeds, WrittenWhenAsked) {
    const char* folder = std::getenv("ORV_WRITE_FUZZ_SEEDS");
    if (!folder) GTEST_SKIP() << "set ORV_WRITE_FUZZ_SEEDS to the seeds folder to write the seeds";
    const std::string stageSeeds = std::string(folder) + "/fuzz_stage/";
    const std::string paletteSeeds = std::string(folder) + "/fuzz_common_palette/";

    std::string error;
    ASSERT_TRUE(sample::WriteGame("game", &error)) << error;
    WriteHostFile(paletteSeeds + "sample_CommonPalette", ReadHostFile("game/default/CommonPalette.cplt4"));
    // The heavy stage holds only more of the same lists, at a hundred times
    // the bytes a run would then cost.
    for (int i = 0; i < sample::kStages; ++i) {
        if (i == sample::kHeavyStage) continue;
        const char* name = sample::kStageFiles[i];
        WriteHostFile(stageSeeds + "sample_" + fs::path(name).stem().string(),
                      ReadHostFile(std::string("game/default/stg4/") + name));
    }

    // A blip, a sweep and noise.
    for (const char* name : {sample::kSystemSoundFiles[0], sample::kEffectSoundFiles[sample::kSoundJump],
                             sample::kSystemSoundFiles[9]}) {
        const std::string file = std::string(name).substr(5);  // after the folder
        WriteHostFile(std::string(folder) + "/fuzz_wave/sample_" + fs::path(file).stem().string(),
                      ReadHostFile("game/wave/" + file));
    }

    ASSERT_TRUE(sample::LoadSampleDatabase("game", &error)) << error;
    cCommonPalette common;
    sample::FillCommonPalette(common);
    const cPltBlock& block = common.m_vBlock[sample::kBlockItemBlock];
    const cCharaDef& chara = common.m_vChara[sample::kCharaShooter];
    const cPltItem& item = common.m_vItem[sample::kItemPower];

    auto saveStage = [&](const char* name, auto fill) {
        cStageInfo stage;
        fill(stage);
        ASSERT_EQ(stage.SaveFile("seed"), 1) << name;
        WriteHostFile(stageSeeds + name, ReadHostFile("seed"));
    };
    saveStage("list_palette_block", [&](cStageInfo& s) { s.m_vPltBlock = Two(block); });
    saveStage("list_palette_chara", [&](cStageInfo& s) { s.m_vPltChara = Two(chara); });
    saveStage("list_palette_item", [&](cStageInfo& s) { s.m_vPltItem = Two(item); });
    saveStage("list_block", [&](cStageInfo& s) { s.m_vBlock.push_back(Placed(block)); });
    saveStage("list_chara", [&](cStageInfo& s) { s.m_vChara.push_back(Placed(chara)); });
    saveStage("list_item", [&](cStageInfo& s) { s.m_vItem.push_back(Placed(item)); });
    saveStage("list_background", [&](cStageInfo& s) {
        cBackground background;
        background.m_strPicture = "bmp\\back.bmp";
        background.m_bAutoX = 1;
        background.m_dSpeedX = 0.5;
        s.m_vBackground.push_back(background);
    });
    saveStage("list_var_name", [&](cStageInfo& s) {
        cVarName name;
        name.m_strName = "coins";
        s.m_vVarName.push_back(name);
    });

    auto savePalette = [&](const char* name, auto fill) {
        cCommonPalette palette;
        fill(palette);
        ASSERT_EQ(palette.SaveFile("seed"), 1) << name;
        WriteHostFile(paletteSeeds + name, ReadHostFile("seed"));
    };
    savePalette("list_block", [&](cCommonPalette& p) { p.m_vBlock = Two(block); });
    savePalette("list_chara", [&](cCommonPalette& p) { p.m_vChara = Two(chara); });
    savePalette("list_item", [&](cCommonPalette& p) { p.m_vItem = Two(item); });
}

}  // namespace
