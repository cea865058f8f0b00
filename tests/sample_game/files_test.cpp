// The sample game's settings, databases, pictures and sounds: each read
// back by the player's own readers (or, for the sounds the player cannot
// play yet, by their file layouts), with the values the game depends on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frontend/program_objects.h"
#include "platform/bitmap.h"
#include "project/database.h"
#include "project/system_data.h"
#include "project/system_ini.h"
#include "support/logged_test.h"
#include "tools/sample_game/canvas.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace {

using orvtest::ReadHostFile;

class SampleFilesTest : public orvtest::LoggedTest {
protected:
    void TearDown() override {
        ResetProgramObjects();
        LoggedTest::TearDown();
    }
};

uint32_t Le32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
    return v;
}
uint32_t Be32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
    return v;
}

TEST_F(SampleFilesTest, SettingsReadBackThroughTheStartUpReaders) {
    std::string error;
    ASSERT_TRUE(sample::WriteDatabase("", &error)) << error;
    ASSERT_TRUE(sample::WriteSystem("", &error)) << error;
    g_SystemData.SetDefault();
    ASSERT_EQ(LoadSystemData("default\\System.dat"), 1);
    EXPECT_EQ(g_SystemData.m_strTitle, "オルヴェンの冒険");
    ASSERT_EQ(g_SystemData.m_vSoundName.Size(), sample::kSystemSounds);
    for (int i = 0; i < sample::kSystemSounds; ++i)
        EXPECT_EQ(g_SystemData.m_vSoundName[static_cast<size_t>(i)], sample::kSystemSoundFiles[i]);
    // Scene music survives only inside the loaded music database.
    EXPECT_EQ(g_SystemData.m_vSceneBgm[0], sample::kBgmTitle);
    EXPECT_EQ(g_SystemData.m_vSceneBgm[1], sample::kBgmMap);
    EXPECT_EQ(g_SystemData.Get(kSysTransRed), sample::kKeyR);
    EXPECT_EQ(g_SystemData.Get(kSysTransGreen), sample::kKeyG);
    EXPECT_EQ(g_SystemData.Get(kSysTransBlue), sample::kKeyB);

    cSystemIni ini{};
    ASSERT_EQ(LoadSystemIni("System.ini", ini, g_SystemData.m_vIniKey), 1);
    EXPECT_EQ(ini.WindowMode, 1);
    EXPECT_EQ(ini.Direct3D, 1);
    EXPECT_EQ(ini.FreeStage[0], '\0');
}

TEST_F(SampleFilesTest, DatabaseNamesTheFilesTheGameShips) {
    std::string error;
    ASSERT_TRUE(sample::WriteDatabase("", &error)) << error;
    ASSERT_TRUE(sample::WriteSounds("", &error)) << error;
    g_Database.SetDefault();
    ASSERT_TRUE(sample::LoadSampleDatabase("", &error)) << error;
    ASSERT_EQ(g_Database.m_vAnimeSet.Size(), sample::kAnimeSets);
    const cAnimeSetData& hero = g_Database.m_vAnimeSet[sample::kAnimeHero];
    ASSERT_GE(hero.m_vAnime.Size(), kBasicAnimeCount);
    EXPECT_EQ(hero.m_vAnime[kAnimeWalk].m_vFrame.Size(), 2);
    EXPECT_EQ(hero.m_vAnime[kAnimeWalk].m_vFrame[1].m_nChip, 2);
    EXPECT_EQ(hero.m_nInvincibleChip, 4);
    EXPECT_EQ(hero.m_nBlockChip, 8);
    ASSERT_EQ(g_Database.m_vSound.Size(), sample::kSounds);
    ASSERT_EQ(g_Database.m_vBgm.Size(), sample::kBgms);
    for (int i = 1; i < sample::kSounds; ++i)
        EXPECT_TRUE(orvtest::HostFileExists(plat::ToHostPath(g_Database.m_vSound[static_cast<size_t>(i)].m_strFile)))
            << g_Database.m_vSound[static_cast<size_t>(i)].m_strFile;
    for (int i = 1; i < sample::kBgms; ++i)
        EXPECT_TRUE(orvtest::HostFileExists(plat::ToHostPath(g_Database.m_vBgm[static_cast<size_t>(i)].m_strFile)));
    // Effect strips: one 32-pixel frame per listed frame.
    ASSERT_EQ(g_Database.m_vEffect.Size(), sample::kEffects);
    for (int i = 1; i < sample::kEffects; ++i) {
        const cEffectData& e = g_Database.m_vEffect[static_cast<size_t>(i)];
        plat::Dib dib;
        ASSERT_TRUE(plat::LoadBmpFile(e.m_strFile.c_str(), &dib, &error)) << e.m_strFile << ": " << error;
        EXPECT_EQ(dib.width, e.m_nWidth * e.m_vFrame.Size());
        EXPECT_EQ(dib.height, e.m_nHeight);
    }
    plat::Dib sign;
    EXPECT_TRUE(plat::LoadBmpFile(g_Database.m_vPicture[sample::kPictureSign].m_strFile.c_str(), &sign, &error));
}

TEST_F(SampleFilesTest, SystemPicturesHaveTheSizesTheirReadersCut) {
    std::string error;
    ASSERT_TRUE(sample::WriteSystemBitmaps("", &error)) << error;
    struct Case {
        const char* file;
        int width, height;
    };
    const Case cases[] = {
        {"bmp\\Block.bmp", 32, 480},         {"bmp\\Character1.bmp", 32 * sample::kCharaFrames, 480},
        {"bmp\\Shot.bmp", 32, 480},          {"bmp\\Item.bmp", 64, 480},
        {"bmp\\Mark.bmp", 256, 480},         {"bmp\\Title.bmp", 640, 480},
        {"bmp\\Loading.bmp", 640, 480},      {"bmp\\Window.bmp", 640, 480},
        {"bmp\\Word.bmp", 320, 192},         {"bmp\\Accessory.bmp", 256, 64},
        {"bmp\\WorldMapChip.bmp", 160, 32},  {"bmp\\WorldBack.bmp", 640, 480},
        {"背景その1.bmp", 640, 480},         {"背景その3.bmp", 640, 480},
        {"bmp\\Debug.bmp", 256, 16},         {"bmp\\StatusWindow.bmp", 640, 64},
        {"bmp\\GameMode.bmp", 256, 128},     {"bmp\\Symbol.bmp", 256, 256},
        {"bmp\\WorldEvent.bmp", 64, 256},    {"bmp\\Item_Mini.bmp", 16, 240},
    };
    for (const Case& c : cases) {
        plat::Dib dib;
        ASSERT_TRUE(plat::LoadBmpFile(c.file, &dib, &error)) << c.file << ": " << error;
        EXPECT_EQ(dib.bitCount, 8) << c.file;
        EXPECT_EQ(dib.width, c.width) << c.file;
        EXPECT_EQ(dib.height, c.height) << c.file;
    }
    // The palette bitmap: transparent colour top left, then the 16 x 16
    // block of one pixel per colour from (0, 8).
    plat::Dib pal;
    ASSERT_TRUE(plat::LoadBmpFile("bmp\\plt\\Palette.bmp", &pal, &error)) << error;
    const sample::Rgb* rgb = sample::Palette();
    EXPECT_EQ(pal.PixelRgb(0, 0), 0xFF00FFu);
    for (int i : {0, 1, 16, 100, 231, 240, 241, 255}) {
        uint32_t want = static_cast<uint32_t>(rgb[i].r) << 16 | static_cast<uint32_t>(rgb[i].g) << 8 | rgb[i].b;
        EXPECT_EQ(pal.PixelRgb(i % 16, 8 + i / 16), want) << i;
    }
    // No colour but entry 0 is the transparent one.
    for (int i = 1; i < 256; ++i)
        EXPECT_FALSE(rgb[i].r == sample::kKeyR && rgb[i].g == sample::kKeyG && rgb[i].b == sample::kKeyB) << i;
    // A chara's frames run across its row: the standing and the block-chara
    // frames are drawn, a row without a chara is left clear.
    plat::Dib chars;
    ASSERT_TRUE(plat::LoadBmpFile("bmp\\Character1.bmp", &chars, &error));
    auto drawn = [&](int chip, int frame) {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) n += chars.Index(frame * 32 + x, (chip % 15) * 32 + y) != 0;
        return n;
    };
    EXPECT_GT(drawn(sample::CharaChip(sample::kRowHero), 0), 50);
    EXPECT_GT(drawn(sample::CharaChip(sample::kRowHero), 11), 50);
    EXPECT_EQ(drawn(sample::CharaChip(sample::kCharaRows), 0), 0);
}

TEST_F(SampleFilesTest, CanvasClipsEveryDrawing) {
    sample::Canvas c(8, 8);
    c.Fill(-4, -4, 6, 6, 5);
    c.Line(-10, 3, 20, 3, 6);
    c.Disc(7, 7, 3, 7);
    c.Set(8, 0, 9);
    EXPECT_EQ(c.At(1, 1), 5);
    EXPECT_EQ(c.At(2, 2), sample::kKey);
    EXPECT_EQ(c.At(0, 3), 6);
    EXPECT_EQ(c.At(7, 3), 6);
    EXPECT_EQ(c.At(7, 7), 7);
    EXPECT_EQ(c.At(8, 0), sample::kKey);
    EXPECT_EQ(c.Pixels().size(), 64u);
}

TEST_F(SampleFilesTest, SoundsAreWholeFilesAndTheSameEveryRun) {
    std::string error;
    ASSERT_TRUE(sample::WriteSounds("a", &error)) << error;
    ASSERT_TRUE(sample::WriteSounds("b", &error)) << error;
    for (int i = 0; i < sample::kSystemSounds + sample::kSounds; ++i) {
        const char* name = i < sample::kSystemSounds ? sample::kSystemSoundFiles[i]
                                                      : sample::kEffectSoundFiles[i - sample::kSystemSounds];
        if (!*name) continue;
        std::string wav = ReadHostFile(plat::ToHostPath(std::string("a\\") + name));
        ASSERT_GT(wav.size(), 44u) << name;
        EXPECT_EQ(wav.substr(0, 4), "RIFF");
        EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(Le32(wav, 20) & 0xFFFF, 1u) << name;  // PCM
        EXPECT_EQ(Le32(wav, 24), 22050u);
        EXPECT_EQ(wav.substr(36, 4), "data");
        EXPECT_EQ(Le32(wav, 40), wav.size() - 44) << name;
        EXPECT_EQ(Le32(wav, 4), wav.size() - 8) << name;
        // Ends faded out: no click when the sound stops.
        int16_t last;
        std::memcpy(&last, wav.data() + wav.size() - 2, 2);
        EXPECT_LT(std::abs(last), 800) << name;
        EXPECT_EQ(wav, ReadHostFile(plat::ToHostPath(std::string("b\\") + name))) << name;
    }
    std::string mid = ReadHostFile(plat::ToHostPath(std::string("a\\") + sample::kMidiFile));
    ASSERT_GT(mid.size(), 22u);
    EXPECT_EQ(mid.substr(0, 4), "MThd");
    EXPECT_EQ(Be32(mid, 4), 6u);
    EXPECT_EQ(mid.substr(14, 4), "MTrk");
    EXPECT_EQ(Be32(mid, 18), mid.size() - 22);
    EXPECT_EQ(mid.substr(mid.size() - 3), std::string("\xFF\x2F\x00", 3));
    EXPECT_NE(mid.find(std::string("\xFF\x51\x03", 3)), std::string::npos);  // tempo

    std::string ogg = ReadHostFile(plat::ToHostPath(std::string("a\\") + sample::kOggFile));
    ASSERT_GT(ogg.size(), 4000u);
    EXPECT_EQ(ogg.substr(0, 4), "OggS");
    EXPECT_NE(ogg.find("vorbis"), std::string::npos);
    EXPECT_EQ(ogg, ReadHostFile(plat::ToHostPath(std::string("b\\") + sample::kOggFile)));
}

}  // namespace
