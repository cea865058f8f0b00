#include "project/anime.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/record_file.h"
#include "core/report_log.h"
#include "platform/messages.h"
#include "project/list_file_test.h"
#include "support/test_support.h"

using orvtest::Hex;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

namespace {

using projtest::Bytes;

Bytes& Frame(Bytes& b, int chip, int time, int noInterrupt) { return b.Add(dbfix::AnimeFrame(chip, time, noInterrupt)); }

// An anime of a file of version 55 or later, editor values 0, 1, 0, with
// frames {chip, 1, 0}.
Bytes& Anime(Bytes& b, const std::string& name, std::initializer_list<int> chips) {
    std::vector<std::string> frames;
    for (int chip : chips) frames.push_back(dbfix::AnimeFrame(chip, 1, 0));
    return b.Add(dbfix::Anime(901, name, frames, 0, 1, 0));
}

class AnimeTest : public projtest::DbListTest {};

}  // namespace

TEST_F(AnimeTest, DefaultsAndDeepCopies) {
    cAnimeSetData set;
    EXPECT_EQ(set.m_nInvincibleChip, 4);
    EXPECT_EQ(set.m_nBlockChip, 8);
    EXPECT_EQ(set.m_nFlightChip, 0);
    ASSERT_EQ(set.m_vAnime.Size(), 4);
    const char* names[] = {"立ち", "立ち移動", "飛行", "飛行移動"};
    for (int i = 0; i < 4; ++i) {
        const cAnimeData& anime = set.m_vAnime[i];
        EXPECT_EQ(anime.m_strName, names[i]);
        EXPECT_EQ(anime.m_cEditorB, 1);
        ASSERT_EQ(anime.m_vFrame.Size(), 1);
        EXPECT_EQ(anime.m_vFrame[0].m_nTime, 1);
    }
    // Grown list entries hold the class defaults, not zeros.
    cVector<cAnimeSetData> sets;
    sets.push_back(ElementTraits<cAnimeSetData>::MakeDefault());
    EXPECT_EQ(sets[0].m_nBlockChip, 8);
    EXPECT_EQ(sets[0].m_vAnime.Size(), 4);

    cAnimeSetData copy;
    copy.m_vAnime.clear();
    copy = set;
    copy.m_vAnime[1].m_vFrame[0].m_nChip = 9;
    copy.m_vAnime[1].m_strName = "x";
    EXPECT_EQ(set.m_vAnime[1].m_vFrame[0].m_nChip, 0);
    EXPECT_EQ(set.m_vAnime[1].m_strName, "立ち移動");
    // The copy's descriptors are its own.
    copy.m_vAnime[1].m_vFrame[0].Clear();
    EXPECT_EQ(copy.m_vAnime[1].m_vFrame[0].m_nTime, 0);
    EXPECT_EQ(set.m_vAnime[1].m_vFrame[0].m_nTime, 1);
}

TEST_F(AnimeTest, CurrentFilesLoadAsStoredAndSaveToTheSameBytes) {
    // AnimeSet.dat: one set with offsets 5, 9, 2; anime 0 has two frames
    // with its own editor values, anime 1 none.
    Bytes set;
    set.I32(901).I32(1);
    set.I32(3).I32(5).I32(9).I32(2).I32(1).Str("勇者").I32(4);
    set.I32(3).I16(-2).I8(3).I16(7).I32(1).Str("待機").I32(2);
    Frame(set, 1, 2, 0);
    Frame(set, 3, 4, 1);
    Anime(set, "歩き", {});
    Anime(set, "", {20});
    Anime(set, "浮遊", {21, 22});

    cVector<cAnimeSetData> sets;
    ASSERT_TRUE(Load(set.s, sets));
    ASSERT_EQ(sets.Size(), 1);
    const cAnimeSetData& s = sets[0];
    EXPECT_EQ(s.m_strName, "勇者");
    EXPECT_EQ(s.m_nInvincibleChip, 5);
    EXPECT_EQ(s.m_nBlockChip, 9);
    EXPECT_EQ(s.m_nFlightChip, 2);
    ASSERT_EQ(s.m_vAnime.Size(), 4);
    const cAnimeData& a0 = s.m_vAnime[0];
    EXPECT_EQ(a0.m_strName, "待機");
    EXPECT_EQ(a0.m_sEditorA, -2);
    EXPECT_EQ(a0.m_cEditorB, 3);
    EXPECT_EQ(a0.m_sEditorC, 7);
    ASSERT_EQ(a0.m_vFrame.Size(), 2);
    EXPECT_EQ(a0.m_vFrame[1].m_nChip, 3);
    EXPECT_EQ(a0.m_vFrame[1].m_nTime, 4);
    EXPECT_EQ(a0.m_vFrame[1].m_nNoInterrupt, 1);
    EXPECT_TRUE(s.m_vAnime[1].m_vFrame.empty());
    EXPECT_EQ(s.m_vAnime[1].m_strName, "歩き");
    EXPECT_EQ(s.m_vAnime[2].m_strName, "");
    EXPECT_EQ(s.m_vAnime[3].m_vFrame[1].m_nChip, 22);
    EXPECT_EQ(Hex(Save(sets)), Hex(set.s));

    // Anime.dat: two animes, the second without frames.
    Bytes anime;
    anime.I32(901).I32(2);
    Anime(anime, "なし", {0});
    Anime(anime, "アクションA", {});
    cVector<cAnimeData> animes;
    ASSERT_TRUE(Load(anime.s, animes));
    ASSERT_EQ(animes.Size(), 2);
    EXPECT_EQ(animes[1].m_strName, "アクションA");
    EXPECT_TRUE(animes[1].m_vFrame.empty());
    EXPECT_EQ(Hex(Save(animes)), Hex(anime.s));
}

TEST_F(AnimeTest, OlderAnimeSetsAreUpgraded) {
    struct Case {
        int version;
        int stored;                    // animes in the file
        int count;                     // after the read
        const char* fly;               // names of animes 2 and 3 after the read
        const char* flyMove;
        bool flyStoredFrames;          // anime 2 keeps its stored frame
    };
    const Case cases[] = {
        {118, 2, 4, "飛行", "飛行移動", false},
        {125, 6, 4, "飛行", "飛行移動", true},
        {128, 6, 6, "a2", "a3", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        Bytes b;
        b.I32(c.version).I32(1);
        if (c.version >= 119)
            b.I32(3).I32(4).I32(8).I32(6);
        else
            b.I32(2).I32(4).I32(8);  // no flight offset yet
        b.I32(1).Str("set").I32(c.stored);
        for (int i = 0; i < c.stored; ++i) Anime(b, "a" + std::to_string(i), {100 + i});
        cVector<cAnimeSetData> sets;
        ASSERT_TRUE(Load(b.s, sets));
        const cAnimeSetData& s = sets[0];
        EXPECT_EQ(s.m_nFlightChip, c.version >= 119 ? 6 : 0);
        ASSERT_EQ(s.m_vAnime.Size(), c.count);
        EXPECT_EQ(s.m_vAnime[0].m_strName, "a0");
        EXPECT_EQ(s.m_vAnime[1].m_vFrame[0].m_nChip, 101);
        EXPECT_EQ(s.m_vAnime[2].m_strName, c.fly);
        EXPECT_EQ(s.m_vAnime[3].m_strName, c.flyMove);
        const cAnimeData& fly = s.m_vAnime[2];
        ASSERT_EQ(fly.m_vFrame.Size(), 1);
        EXPECT_EQ(fly.m_vFrame[0].m_nChip, c.flyStoredFrames ? 102 : 0);
        EXPECT_EQ(fly.m_vFrame[0].m_nTime, 1);
        EXPECT_EQ(fly.m_vFrame[0].m_nNoInterrupt, 0);
        if (c.count == 6) {
            EXPECT_EQ(s.m_vAnime[5].m_strName, "a5");
        }
    }
}

// From 128 on a set keeps the animes its file holds, however few; a chara
// asking for one it lacks gets the first, or a default anime from an empty
// set, with a report line and no close request.
TEST_F(AnimeTest, ShortCurrentSetKeepsItsAnimesAndGuardsTheMissingOnes) {
    Bytes b;
    b.I32(901).I32(2);
    b.I32(3).I32(4).I32(8).I32(0).I32(1).Str("short").I32(2);
    Anime(b, "a0", {100, 101});
    Anime(b, "a1", {110});
    b.I32(3).I32(4).I32(8).I32(0).I32(1).Str("empty").I32(0);
    cVector<cAnimeSetData> sets;
    ASSERT_TRUE(Load(b.s, sets));
    ASSERT_EQ(sets.Size(), 2);
    const cAnimeSetData& s = sets[0];
    ASSERT_EQ(s.m_vAnime.Size(), 2);
    EXPECT_TRUE(sets[1].m_vAnime.empty());
    EXPECT_EQ(Hex(Save(sets)), Hex(b.s));

    EXPECT_EQ(&s.BasicAnime(kAnimeStand), &s.m_vAnime[0]);
    EXPECT_EQ(&s.BasicAnime(kAnimeWalk), &s.m_vAnime[1]);
    EXPECT_EQ(ReadHostFile("Report_Game.txt"), "");
    for (int action : {int{kAnimeFly}, int{kAnimeFlyMove}, -1}) {
        SCOPED_TRACE(action);
        EXPECT_EQ(&s.BasicAnime(action), &s.m_vAnime[0]);
    }
    const cAnimeData& none = sets[1].BasicAnime(kAnimeWalk);
    ASSERT_EQ(none.m_vFrame.Size(), 1);
    EXPECT_EQ(none.m_vFrame[0].m_nChip, 0);
    EXPECT_EQ(none.m_vFrame[0].m_nTime, 1);
    const std::string element = std::to_string(sizeof(cAnimeData));
    EXPECT_EQ(ReadHostFile("Report_Game.txt"), "err V[2] ( 2 , " + element + " )\n" +
                                                    "err V[3] ( 2 , " + element + " )\n" +
                                                    "err V[-1] ( 2 , " + element + " )\n" +
                                                    "err V[1] ( 0 , " + element + " )\n");
    EXPECT_EQ(plat::PendingWindowMessages(window), 0u);
}

TEST_F(AnimeTest, AnimesOlderThan55KeepTheirEditorDefaults) {
    Bytes b;
    b.I32(54).I32(1).I32(0).I32(1).Str("古い").I32(1);
    Frame(b, 7, 3, 1);
    cVector<cAnimeData> animes;
    ASSERT_TRUE(Load(b.s, animes));
    const cAnimeData& a = animes[0];
    EXPECT_EQ(a.m_sEditorA, 0);
    EXPECT_EQ(a.m_cEditorB, 1);
    EXPECT_EQ(a.m_sEditorC, 0);
    EXPECT_EQ(a.m_strName, "古い");
    ASSERT_EQ(a.m_vFrame.Size(), 1);
    EXPECT_EQ(a.m_vFrame[0].m_nChip, 7);
    EXPECT_EQ(a.m_vFrame[0].m_nNoInterrupt, 1);
    // Saved again, it takes the current layout.
    Bytes now;
    now.I32(901).I32(1);
    now.I32(3).I16(0).I8(1).I16(0).I32(1).Str("古い").I32(1);
    Frame(now, 7, 3, 1);
    EXPECT_EQ(Hex(Save(animes)), Hex(now.s));
}

TEST_F(AnimeTest, BrokenFilesFailWithoutReadingPastTheirEnd) {
    Bytes good;
    good.I32(901).I32(1);
    Anime(good, "a", {1, 2});
    struct Case {
        const char* what;
        std::string bytes;
    };
    Bytes negative, huge, nestedHuge;
    negative.I32(901).I32(1).I32(3).I16(0).I8(1).I16(0).I32(1).Str("a").I32(-1);
    huge.I32(901).I32(1).I32(3).I16(0).I8(1).I16(0).I32(1).Str("a").I32(0x7FFFFFFF);
    // A set whose first anime claims more frames than the file holds.
    nestedHuge.I32(901).I32(1).I32(3).I32(4).I32(8).I32(0).I32(1).Str("s").I32(1);
    nestedHuge.I32(3).I16(0).I8(1).I16(0).I32(1).Str("a").I32(1000);
    Frame(nestedHuge, 1, 1, 0);
    const Case cases[] = {
        {"cut inside the last frame", good.s.substr(0, good.s.size() - 6)},
        {"cut after the frame count", good.s.substr(0, good.s.size() - 32)},
        {"negative frame count", negative.s},
        {"frame count beyond the file", huge.s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cVector<cAnimeData> animes;
        EXPECT_FALSE(Load(c.bytes, animes));
    }
    cVector<cAnimeSetData> sets;
    EXPECT_FALSE(Load(nestedHuge.s, sets));
    EXPECT_NE(ReadHostFile("Report_Game.txt").find("in.dat is broken"), std::string::npos);
}
