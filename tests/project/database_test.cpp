#include "frontend/program_objects.h"
#include "project/database.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/report_log.h"
#include "platform/dialogs.h"
#include "platform/testing.h"
#include "project/path_table.h"
#include "support/test_support.h"
#include "tests/project/database_fixtures.h"

namespace {

namespace fs = std::filesystem;
namespace pt = plat::testing;
using namespace dbfix;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

const char kSetupFailed[] = "データベースの読み込みに失敗…";

// Entry counts of the ten lists after SetDefault.
const int kDefaultCounts[10] = {1, 2, 2, 1, 2, 2, 2, 2, 2, 2};

std::vector<int> ListSizes() {
    const cDatabase& d = g_Database;
    return {d.m_vAnimeSet.Size(),    d.m_vAnime.Size(),     d.m_vBmpCharaExc.Size(), d.m_vSwordType.Size(),
            d.m_vEffect.Size(),      d.m_vCharaEffect.Size(), d.m_vScrEffect.Size(),  d.m_vPicture.Size(),
            d.m_vSound.Size(),       d.m_vBgm.Size()};
}

class DatabaseFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);
        plat::SetDialogBackend(plat::DialogBackend::Scripted);
        pt::ClearDialogScript();
        pt::ClearDialogTranscript();
        g_StripCR = 1;
        g_Database.SetDefault();
        fs::create_directories("data/database");
        for (const DbFile& f : Files901()) WriteHostFile(f.host, f.bytes);
    }
    void TearDown() override {
        ResetProgramObjects();
        g_StripCR = 0;
        pt::ClearDialogTranscript();
    }
    std::vector<std::string> BoxTexts() {
        std::vector<std::string> out;
        for (const auto& box : pt::DialogTranscript()) out.push_back(box.text);
        return out;
    }
    orvtest::ScopedTempFolder temp;
};

TEST_F(DatabaseFiles, TenFilesLoadWithTheirValues) {
    ASSERT_EQ(g_Database.LoadAll(), 1);
    EXPECT_TRUE(pt::DialogTranscript().empty());
    const cDatabase& d = g_Database;
    for (int i = 0; i < 10; ++i) EXPECT_EQ(ListSizes()[static_cast<size_t>(i)], kDefaultCounts[i] + 1) << i;

    const cAnimeSetData& set = d.m_vAnimeSet[0];
    EXPECT_EQ(set.m_strName, "基本");
    EXPECT_EQ(set.m_nInvincibleChip, 5);
    EXPECT_EQ(set.m_nBlockChip, 9);
    EXPECT_EQ(set.m_nFlightChip, 2);
    ASSERT_EQ(set.m_vAnime.Size(), 4);
    EXPECT_EQ(set.m_vAnime[3].m_strName, "飛行移動");
    EXPECT_TRUE(set.m_vAnime[2].m_vFrame.empty());
    EXPECT_EQ(d.m_vAnimeSet[1].m_vAnime.Size(), 6);  // a current file keeps all six

    const cAnimeData& anime = d.m_vAnime[1];
    EXPECT_EQ(anime.m_strName, "攻撃");
    ASSERT_EQ(anime.m_vFrame.Size(), 3);
    EXPECT_EQ(anime.m_vFrame[1].m_nChip, 11);
    EXPECT_EQ(anime.m_vFrame[1].m_nTime, 3);
    EXPECT_EQ(anime.m_vFrame[1].m_nNoInterrupt, 1);
    EXPECT_EQ(anime.m_sEditorA, -1);
    EXPECT_EQ(anime.m_cEditorB, -2);
    EXPECT_EQ(anime.m_sEditorC, 300);
    EXPECT_TRUE(d.m_vAnime[2].m_vFrame.empty());

    const cBmpCharaExcData& bmp = d.m_vBmpCharaExc[1];
    EXPECT_EQ(bmp.m_strFile, "bmp\\chara_sp\\敵.bmp");
    EXPECT_EQ(bmp.m_nEditorNo, 11);
    EXPECT_EQ(bmp.m_nLargeChips, 1);
    EXPECT_EQ(bmp.m_nChipSize, 3);

    const cSwordTypeData& sword = d.m_vSwordType[0];
    EXPECT_EQ(sword.m_strName, "剣");
    EXPECT_EQ(sword.m_strFileR, "bmp\\sword\\R.bmp");
    ASSERT_EQ(sword.m_vPart.Size(), 2);
    EXPECT_EQ(sword.m_vPart[1].m_nOffsetX, 11);
    EXPECT_EQ(sword.m_vPart[1].m_nMirrorX, 0);
    EXPECT_EQ(sword.m_vPart[1].m_nMirrorY, 1);
    EXPECT_EQ(sword.m_vPart[1].m_nSide, 2);
    EXPECT_EQ(sword.m_vPart[1].m_nTime, 17);
    EXPECT_TRUE(d.m_vSwordType[1].m_vPart.empty());

    const cEffectData& fx = d.m_vEffect[1];
    EXPECT_EQ(fx.m_nEditorNo, 3);
    EXPECT_EQ(fx.m_nWidth, 48);
    EXPECT_EQ(fx.m_nHeight, 24);
    EXPECT_EQ(fx.m_nScales, 1);
    ASSERT_EQ(fx.m_vFrame.Size(), 2);
    EXPECT_EQ(fx.m_vFrame[1].m_nFirst, 1);
    EXPECT_EQ(fx.m_vFrame[1].m_nSecond, 3);

    // Entry 0 of both effect lists means none, whatever its file says.
    EXPECT_EQ(d.m_vCharaEffect[0].m_nKind, 0);
    EXPECT_EQ(d.m_vCharaEffect[0].m_nParam[4], 4);
    EXPECT_EQ(d.m_vCharaEffect[1].m_nKind, 11);
    EXPECT_EQ(d.m_vCharaEffect[1].m_nParam[2], 32);
    EXPECT_EQ(d.m_vScrEffect[0].m_nKind, 0);
    EXPECT_EQ(d.m_vScrEffect[1].m_nKind, 1);
    EXPECT_EQ(d.m_vScrEffect[1].m_nParam[4], 4);
    EXPECT_EQ(d.m_vScrEffect[1].m_strName, "移動");

    EXPECT_EQ(d.m_vPicture[1].m_strFile, "bmp\\picture\\a.png");
    EXPECT_EQ(d.m_vPicture[1].m_nEditorNo, 4);
    EXPECT_EQ(d.m_vSound[1].m_strName, "音\n");  // carriage returns dropped
    EXPECT_EQ(d.m_vSound[1].m_nEditorNo, 7);
    EXPECT_EQ(d.m_vBgm[1].m_strFile, "bgm\\a.ogg");
    EXPECT_EQ(d.m_vBgm[1].m_nVolume, 80);
    EXPECT_EQ(d.m_vBgm[2].m_nEditorNo, 9);
}

// One file replaced by an older one; each file is read by its own version
// word, whatever the versions of the files beside it.
struct OldFile {
    const char* what;
    const char* host;
    std::string bytes;
    std::function<void(const cDatabase&)> check;
};

TEST_F(DatabaseFiles, OlderFilesUpgradeByTheirOwnVersion) {
    const std::vector<OldFile> cases = {
        {"anime sets of 118 get four animes and no flight offset", "data/database/AnimeSet.dat",
         File(118, {AnimeSet(118, "古", 3, 6, 0, {Anime(118, "x", {}), Anime(118, "y", {})})}),
         [](const cDatabase& d) {
             const cAnimeSetData& s = d.m_vAnimeSet[0];
             EXPECT_EQ(s.m_nInvincibleChip, 3);
             EXPECT_EQ(s.m_nFlightChip, 0);
             ASSERT_EQ(s.m_vAnime.Size(), 4);
             EXPECT_EQ(s.m_vAnime[1].m_strName, "y");
             EXPECT_EQ(s.m_vAnime[2].m_strName, "飛行");
             EXPECT_EQ(s.m_vAnime[3].m_strName, "飛行移動");
             ASSERT_EQ(s.m_vAnime[3].m_vFrame.Size(), 1);
             EXPECT_EQ(s.m_vAnime[3].m_vFrame[0].m_nTime, 1);
         }},
        {"anime sets of 125 are cut to four and renamed", "data/database/AnimeSet.dat",
         File(125, {AnimeSet(125, "古", 4, 8, 1,
                             {Anime(125, "a", {}), Anime(125, "b", {}), Anime(125, "c", {AnimeFrame(9, 1, 0)}),
                              Anime(125, "d", {}), Anime(125, "e", {}), Anime(125, "f", {})})}),
         [](const cDatabase& d) {
             const cAnimeSetData& s = d.m_vAnimeSet[0];
             ASSERT_EQ(s.m_vAnime.Size(), 4);
             EXPECT_EQ(s.m_vAnime[2].m_strName, "飛行");
             ASSERT_EQ(s.m_vAnime[2].m_vFrame.Size(), 1);
             EXPECT_EQ(s.m_vAnime[2].m_vFrame[0].m_nChip, 9);
         }},
        {"animes of 54 have no editor values", "data/database/Anime.dat",
         File(54, {Anime(54, "古", {AnimeFrame(4, 2, 1)})}),
         [](const cDatabase& d) {
             ASSERT_EQ(d.m_vAnime.Size(), 1);
             const cAnimeData& a = d.m_vAnime[0];
             EXPECT_EQ(a.m_sEditorA, 0);
             EXPECT_EQ(a.m_cEditorB, 1);
             EXPECT_EQ(a.m_sEditorC, 0);
             ASSERT_EQ(a.m_vFrame.Size(), 1);
             EXPECT_EQ(a.m_vFrame[0].m_nChip, 4);
         }},
        {"bitmaps of 171 have 32-dot chips", "data/database/Bmp_CharaExc.dat",
         File(171, {BmpCharaExc(171, "古", 77, "old.bmp", 1, 5)}),
         [](const cDatabase& d) {
             ASSERT_EQ(d.m_vBmpCharaExc.Size(), 1);
             EXPECT_EQ(d.m_vBmpCharaExc[0].m_strFile, "old.bmp");
             EXPECT_EQ(d.m_vBmpCharaExc[0].m_nEditorNo, 77);
             EXPECT_EQ(d.m_vBmpCharaExc[0].m_nLargeChips, 0);
             EXPECT_EQ(d.m_vBmpCharaExc[0].m_nChipSize, 2);
         }},
        {"sword steps of 137 mirror X only", "data/database/SwordType.dat",
         File(137, {SwordType(137, "古", 5, {SwordPart(137, 0)})}),
         [](const cDatabase& d) {
             ASSERT_EQ(d.m_vSwordType.Size(), 1);
             const cSwordPartData& p = d.m_vSwordType[0].m_vPart.At(0);
             EXPECT_EQ(p.m_nMirrorX, 1);
             EXPECT_EQ(p.m_nMirrorY, 0);
             EXPECT_EQ(p.m_nSide, 2);
             EXPECT_EQ(p.m_nTime, 7);
             EXPECT_EQ(d.m_vSwordType[0].m_nEditorNo, 0);
         }},
        {"effects of 152 drop their editor number", "data/database/Effect.dat",
         File(152, {Effect(152, "古", 9, 20, 30, 0, {IntPair(2, 5)})}),
         [](const cDatabase& d) {
             ASSERT_EQ(d.m_vEffect.Size(), 1);
             EXPECT_EQ(d.m_vEffect[0].m_nEditorNo, 0);
             EXPECT_EQ(d.m_vEffect[0].m_nWidth, 20);
             EXPECT_EQ(d.m_vEffect[0].m_vFrame.At(0).m_nSecond, 5);
         }},
        {"chara effects of 510 get the roughness they lacked", "data/database/CharaEffect.dat",
         File(510, {Fx(4, {10}, "なし"), Fx(4, {10, 1, 2}, "波"), Fx(10, {10, 1, 2}, "円"), Fx(11, {10, 1, 2}, "拡大")}),
         [](const cDatabase& d) {
             ASSERT_EQ(d.m_vCharaEffect.Size(), 4);
             EXPECT_EQ(d.m_vCharaEffect[0].m_nKind, 0);  // reset after the upgrade ran
             EXPECT_EQ(d.m_vCharaEffect[0].m_nParam[4], 2);
             EXPECT_EQ(d.m_vCharaEffect[1].m_nParam[4], 2);
             EXPECT_EQ(d.m_vCharaEffect[2].m_nParam[3], 2);
             EXPECT_EQ(d.m_vCharaEffect[3].m_nParam[3], 0);
         }},
        {"screen effects of 510 get the roughness they lacked", "data/database/ScrEffect.dat",
         File(510, {Fx(0, {}, "なし"), Fx(6, {10}, "波横"), Fx(7, {10}, "波縦")}),
         [](const cDatabase& d) {
             ASSERT_EQ(d.m_vScrEffect.Size(), 3);
             EXPECT_EQ(d.m_vScrEffect[1].m_nParam[4], 8);
             EXPECT_EQ(d.m_vScrEffect[2].m_nParam[4], 10);
         }},
        {"pictures of 150 have no editor number", "data/database/Picture.dat",
         File(150, {Picture(150, "古", 9, "old.png")}),
         [](const cDatabase& d) {
             ASSERT_EQ(d.m_vPicture.Size(), 1);
             EXPECT_EQ(d.m_vPicture[0].m_nEditorNo, 0);
             EXPECT_EQ(d.m_vPicture[0].m_strFile, "old.png");
         }},
        {"sounds of 152 drop their editor number", "data/database/Sound.dat",
         File(152, {Sound(152, "古", 9, "old.wav")}),
         [](const cDatabase& d) {
             ASSERT_EQ(d.m_vSound.Size(), 1);
             EXPECT_EQ(d.m_vSound[0].m_nEditorNo, 0);
             EXPECT_EQ(d.m_vSound[0].m_strFile, "old.wav");
         }},
        {"music of 813 plays at volume 100", "data/database/Bgm.dat",
         File(813, {Bgm(813, "古", 9, "old.mid", 55)}),
         [](const cDatabase& d) {
             ASSERT_EQ(d.m_vBgm.Size(), 1);
             EXPECT_EQ(d.m_vBgm[0].m_nVolume, 100);
             EXPECT_EQ(d.m_vBgm[0].m_nEditorNo, 9);
             EXPECT_EQ(d.m_vBgm[0].m_strFile, "old.mid");
         }},
    };
    const std::vector<DbFile> current = Files901();
    for (const OldFile& c : cases) {
        SCOPED_TRACE(c.what);
        for (const DbFile& f : current) WriteHostFile(f.host, f.bytes);
        WriteHostFile(c.host, c.bytes);
        g_Database.SetDefault();
        ASSERT_EQ(g_Database.LoadAll(), 1);
        c.check(g_Database);
        // The current files around it still load as they are.
        std::vector<int> sizes = ListSizes();
        for (size_t i = 0; i < current.size(); ++i) {
            if (current[i].host == std::string(c.host)) continue;
            EXPECT_EQ(sizes[i], kDefaultCounts[i] + 1) << i;
        }
    }
}

TEST_F(DatabaseFiles, OldSwordTypeFilesKeepAtMost128Entries) {
    const struct {
        int version, entries, kept;
    } cases[] = {{827, 130, 128}, {828, 130, 130}, {827, 100, 100}};
    for (const auto& c : cases) {
        std::vector<std::string> entries;
        for (int i = 0; i < c.entries; ++i) entries.push_back(SwordType(c.version, "", i, {}));
        WriteHostFile("data/database/SwordType.dat", File(c.version, entries));
        g_Database.SetDefault();
        ASSERT_EQ(g_Database.LoadAll(), 1);
        EXPECT_EQ(g_Database.m_vSwordType.Size(), c.kept) << c.version << " " << c.entries;
    }
}

TEST_F(DatabaseFiles, EntryCountOfZeroOrLessKeepsTheDefaults) {
    for (int32_t count : {0, -3}) {
        WriteHostFile("data/database/Anime.dat", I32(901) + I32(count));
        g_Database.SetDefault();
        ASSERT_EQ(g_Database.LoadAll(), 1) << count;
        ASSERT_EQ(g_Database.m_vAnime.Size(), 2);
        EXPECT_EQ(g_Database.m_vAnime[0].m_strName, "なし");
        EXPECT_EQ(g_Database.m_vAnime[1].m_strName, "アクションA");
        EXPECT_EQ(g_Database.m_vBgm.Size(), 3);  // the later files are read on
    }
    // Only the negative count, which no editor writes, is named in the report.
    const std::string log = ReadHostFile("Report_Game.txt");
    EXPECT_EQ(log, "database file data\\database\\Anime.dat holds a negative count (-3): the built-in list is kept\n");
    EXPECT_TRUE(pt::DialogTranscript().empty());
}

// A damaged file stops the load where it is: the lists before it hold
// their files, it and the ones after it their defaults.
TEST_F(DatabaseFiles, DamagedFileFailsCleanlyAtThatFile) {
    const std::vector<DbFile> good = Files901();
    for (size_t k = 0; k < good.size(); ++k) {
        std::string truncated = good[k].bytes.substr(0, good[k].bytes.size() - 1);
        std::string overCounted = good[k].bytes;
        overCounted.replace(4, 4, I32(kDefaultCounts[k] + 2));
        for (const std::string& bad : {truncated, overCounted}) {
            SCOPED_TRACE(good[k].host);
            for (const DbFile& f : good) WriteHostFile(f.host, f.bytes);
            WriteHostFile(good[k].host, bad);
            g_Database.SetDefault();
            pt::ClearDialogTranscript();
            EXPECT_EQ(g_Database.LoadAll(), 0);
            std::string name = std::string(g_PathTable[kPathAnimeSet + 2 * static_cast<int>(k)]);
            EXPECT_EQ(BoxTexts(), std::vector<std::string>{name + " の読み込みに失敗しました！"});
            std::vector<int> sizes = ListSizes();
            for (size_t i = 0; i < sizes.size(); ++i)
                EXPECT_EQ(sizes[i], kDefaultCounts[i] + (i < k ? 1 : 0)) << i;
        }
    }
    // A nested count beyond the bytes left breaks the file before anything
    // is made for it.
    WriteHostFile("data/database/Anime.dat",
                  File(901, {Record({I16(0), I8(1), I16(0)}, {"x"}) + I32(0x7FFFFFFF) + AnimeFrame(0, 1, 0)}));
    g_Database.SetDefault();
    EXPECT_EQ(g_Database.LoadAll(), 0);
    EXPECT_EQ(g_Database.m_vAnime.Size(), 2);
}

TEST_F(DatabaseFiles, MissingFileIsNamedAndTheRestKeepDefaults) {
    fs::remove("data/database/Effect.dat");
    EXPECT_EQ(g_Database.LoadAll(), 0);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"data\\database\\Effect.dat の読み込みに失敗しました！"});
    std::vector<int> sizes = ListSizes();
    for (size_t i = 0; i < sizes.size(); ++i) EXPECT_EQ(sizes[i], kDefaultCounts[i] + (i < 4 ? 1 : 0)) << i;
    // The report log has the same line, the path in its stored form.
    EXPECT_NE(ReadHostFile("Report_Game.txt").find("data\\database\\Effect.dat の読み込みに失敗しました！\n"),
              std::string::npos);
}

TEST_F(DatabaseFiles, NewerFileIsRefusedWithItsOwnReason) {
    for (int32_t version : {902, -1}) {
        WriteHostFile("data/database/Picture.dat", File(version, {Picture(901, "", 0, "")}));
        g_Database.SetDefault();
        pt::ClearDialogTranscript();
        EXPECT_EQ(g_Database.LoadAll(), 0);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"data\\database\\Picture.dat の読み込みに失敗しました！\n"
                                                       "実行ファイル(.exe)より上位のバージョンのファイルは使用できません。"});
        EXPECT_EQ(g_Database.m_vPicture.Size(), 2);
        EXPECT_EQ(g_Database.m_vSound.Size(), 2);
    }
}

TEST_F(DatabaseFiles, SetupBuildsCopiesAndPatterns) {
    ASSERT_EQ(SetupDatabase(), 1);
    const cDatabase& d = g_Database;
    ASSERT_EQ(d.m_vCharaEffectRev.Size(), 3);
    ASSERT_EQ(d.m_vScrEffectRev.Size(), 3);
    EXPECT_EQ(d.m_vCharaEffectRev[1].m_nKind, 11);
    EXPECT_EQ(d.m_vCharaEffectRev[1].m_nParam[2], 32);
    EXPECT_EQ(d.m_vScrEffectRev[2].m_strName, "拡大");
    EXPECT_EQ(g_AnimePatterns.Size(), 3);
    EXPECT_EQ(g_EffectPatterns.Size(), 3);
}

TEST_F(DatabaseFiles, SetupFailureAddsTheDatabaseMessage) {
    fs::remove("data/database/Bgm.dat");
    EXPECT_EQ(SetupDatabase(), 0);
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{"data\\database\\Bgm.dat の読み込みに失敗しました！", kSetupFailed}));
    // One CP932 character for the ellipsis.
    EXPECT_EQ(std::string(kSetupFailed).substr(std::string(kSetupFailed).size() - 2), "\x81\x63");
}

// Patterns from lists set up in memory.
class Patterns : public ::testing::Test {
protected:
    void TearDown() override { ResetProgramObjects(); }
    static cAnimeData AnimeOf(std::initializer_list<std::array<int32_t, 3>> frames) {
        cAnimeData a;
        a.m_vFrame.clear();
        for (const auto& f : frames) {
            cAnimeFrameData frame;
            frame.m_nChip = f[0];
            frame.m_nTime = f[1];
            frame.m_nNoInterrupt = f[2];
            a.m_vFrame.push_back(frame);
        }
        return a;
    }
    static std::vector<std::array<int32_t, 3>> Steps(const cVector<FRAMEPAT>& steps) {
        std::vector<std::array<int32_t, 3>> out;
        for (const FRAMEPAT& s : steps) out.push_back({s.frame, s.duration, s.busy});
        return out;
    }
    using S = std::vector<std::array<int32_t, 3>>;
};

TEST_F(Patterns, AnimeStepsFollowTheNoInterruptFlag) {
    g_Database.m_vAnime = {AnimeOf({{3, 5, 0}, {4, 5, 0}}), AnimeOf({{7, 1, 0}, {8, 2, 1}, {9, 3, 0}}), AnimeOf({}),
                           AnimeOf({{-3, 1, 0}, {2, 0x7FFFFFFF, 0}})};
    BuildAnimePatterns(g_AnimePatterns);
    ASSERT_EQ(g_AnimePatterns.Size(), 4);
    // Entry 0 loops one chip a tick and cannot be interrupted.
    EXPECT_EQ(Steps(g_AnimePatterns[0]), (S{{3, 0, 1}, {4, 0, 1}, {-2, 0, 1}}));
    EXPECT_EQ(Steps(g_AnimePatterns[1]), (S{{7, 6, 0}, {8, 12, 1}, {9, 18, 1}, {-4, 0, 0}}));
    EXPECT_EQ(Steps(g_AnimePatterns[2]), (S{{-4, 0, 0}}));  // no frames: only the end
    // A negative chip would steer the player as a control step; a stored
    // time too long for ticks saturates.
    EXPECT_EQ(Steps(g_AnimePatterns[3]), (S{{0, 6, 0}, {2, 0x7FFFFFFF, 0}, {-4, 0, 0}}));
    // Built again from scratch, not appended.
    BuildAnimePatterns(g_AnimePatterns);
    EXPECT_EQ(g_AnimePatterns[1].Size(), 4);
}

TEST_F(Patterns, EffectStepsAreNeverBusyButEntryZero) {
    auto effect = [](std::initializer_list<std::pair<int32_t, int32_t>> frames) {
        cEffectData e;
        e.m_vFrame.clear();
        for (const auto& [chip, time] : frames) e.m_vFrame.push_back(cIntPair(chip, time));
        return e;
    };
    g_Database.m_vEffect = {effect({{0, 3}}), effect({{0, 2}, {1, 4}}), effect({})};
    BuildEffectPatterns(g_EffectPatterns);
    ASSERT_EQ(g_EffectPatterns.Size(), 3);
    EXPECT_EQ(Steps(g_EffectPatterns[0]), (S{{0, 0, 1}, {-2, 0, 1}}));
    EXPECT_EQ(Steps(g_EffectPatterns[1]), (S{{0, 12, 0}, {1, 24, 0}, {-4, 0, 0}}));
    EXPECT_EQ(Steps(g_EffectPatterns[2]), (S{{-4, 0, 0}}));
}

// Writes the fixtures as fuzz seeds when ORV_WRITE_DATABASE_SEEDS names a
// folder; the seeds are kept with the sources.
TEST(DatabaseSeeds, WrittenWhenAsked) {
    const char* folder = std::getenv("ORV_WRITE_DATABASE_SEEDS");
    if (!folder) GTEST_SKIP() << "set ORV_WRITE_DATABASE_SEEDS to a folder to write the seeds";
    for (const DbFile& f : Files901()) {
        std::string name = fs::path(f.host).stem().string();
        WriteHostFile(std::string(folder) + "/" + name, f.bytes);
    }
    WriteHostFile(std::string(folder) + "/AnimeSet_v118",
                  File(118, {AnimeSet(118, "古", 3, 6, 0, {Anime(118, "x", {}), Anime(118, "y", {})})}));
    WriteHostFile(std::string(folder) + "/SwordType_v137", File(137, {SwordType(137, "古", 5, {SwordPart(137, 0)})}));
    WriteHostFile(std::string(folder) + "/CharaEffect_v510", File(510, {Fx(4, {10}, "波"), Fx(10, {0, 1, 2}, "円")}));
    WriteHostFile(std::string(folder) + "/Bgm_v813", File(813, {Bgm(813, "古", 9, "old.mid", 55)}));
}

}  // namespace
