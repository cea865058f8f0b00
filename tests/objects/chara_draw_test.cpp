// Chara drawing: the anime frame with overlay animes, the chip offset of
// the chara's state, the drawing at the screen rectangle with its mark, the
// effect that runs on while nothing is drawn, the death drawing and the HP
// and SP gauges.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "frontend/scene_mgr.h"
#include "gfx/system_bitmaps.h"
#include "objects/chara.h"
#include "objects/chara_effects.h"
#include "objects/draw_fixture.h"
#include "objects/stage_fixture.h"
#include "project/anime.h"
#include "project/database.h"
#include "project/db_media.h"
#include "project/system_data.h"

namespace {

constexpr int kBack = 4;

// A pattern that shows `frame` for a long while, then starts again, or,
// with `ends`, shows it for two ticks and then reports its end.
cFramePattern Showing(int frame, bool ends = false) {
    cVector<cVector<FRAMEPAT>> patterns(1);
    if (ends)
        patterns[0] = {FRAMEPAT{frame, 2, 0}, FRAMEPAT{-4, 0, 0}};
    else
        patterns[0] = {FRAMEPAT{frame, 1000, 0}, FRAMEPAT{-2, 0, 1}};
    cFramePattern p;
    p.Load(patterns);
    return p;
}

OVERLAYANIME Overlay(int frame, int flag, int leadIn, int paused = 0) {
    OVERLAYANIME o;
    o.pattern = Showing(frame);
    o.flag = flag;
    o.leadIn = leadIn;
    o.paused = paused;
    return o;
}

class CharaDrawTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        layer.Start();
        SelectChipSurfaces();
        DDFillSurface(&g_BackBufferSD, kBack);
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
        g_SceneMgr.m_nFrameRate = 60;

        // Anime set 1 stands on frame 1, with offsets that tell each state
        // apart.
        cAnimeFrameData frame;
        frame.m_nChip = 1;
        frame.m_nTime = 10;
        cAnimeSetData set;
        cAnimeData stand;
        stand.m_vFrame = {frame};
        set.m_vAnime.assign(kBasicAnimeCount, stand);
        set.m_nFlightChip = 10;
        set.m_nBlockChip = 20;
        set.m_nInvincibleChip = 40;
        g_Database.m_vAnimeSet = {cAnimeSetData(), set};

        // Effect 1 ends on its 7th unpaused frame (0, 1.5, ... 10.5 > 9);
        // effect 2 is of a kind no renderer knows.
        cCharaEffectData none, zoom, unknown;
        none.m_nKind = 0;
        zoom.m_nKind = kCharaFxZoom;
        zoom.m_nParam[0] = 1;
        zoom.m_nParam[2] = 9;
        unknown.m_nKind = 40;
        unknown.m_nParam[0] = 1;
        unknown.m_nParam[2] = 9;
        g_Database.m_vCharaEffect = {none, zoom, unknown};
        InitCharaEffectStates(g_CharaEffectProtos, g_CharaEffectProtosRev);
    }
    void TearDown() override {
        layer.Stop();
        StageTest::TearDown();
    }

    // A 32 x 32 computer chara facing left, chip 1 (row 1 of chara sheet 0)
    // with chip row 2, whose sprite's top-left is at (x, y) on the screen.
    static void Place(cChara& c, int x, int y) {
        c.InitBase(1, 1, 0, 0, 1, nullptr, 0, 0, 0, 32, 32, 32, 32, 0, kMoveWalk, 0);
        c.m_Def.m_sChipRow = 2;
        c.SetAnimeSet(1, true);
        c.m_dX = 640 + x;
        c.m_dY = 400 + y;
    }
    // Nothing went to the report log but the drawing layer's start.
    static bool NoErrors() { return orvtest::ReadHostFile("Report_Game.txt").find("err") == std::string::npos; }

    drawtest::DrawLayer layer;
};

// ---------------------------------------------------------------------------
// Anime frame

TEST_F(CharaDrawTest, OverlayAnimesChooseTheFrameShown) {
    struct Case {
        const char* what;
        std::vector<OVERLAYANIME> overlays;
        int frame;
    };
    const Case cases[] = {
        {"no overlay: the basic anime", {}, 1},
        {"a run-anime overlay", {Overlay(5, 0, 0)}, 5},
        {"a command overlay goes before a run-anime one", {Overlay(5, 0, 0), Overlay(6, 1, 3)}, 6},
        {"a run-anime overlay only when nothing was chosen", {Overlay(6, 1, 3), Overlay(5, 0, 0)}, 6},
        {"the command overlay nearest the end of its lead-in", {Overlay(6, 1, 5), Overlay(7, 1, 3)}, 7},
        {"not a longer lead-in", {Overlay(7, 1, 3), Overlay(6, 1, 5)}, 7},
        {"a second finished lead-in takes the lead", {Overlay(6, 1, 0), Overlay(7, 1, 0)}, 7},
        {"after that the one that finished last",
         {Overlay(6, 1, -2), Overlay(7, 1, -5), Overlay(8, 1, -1), Overlay(9, 1, -3)},
         8},
        {"after that also a run-anime overlay",
         {Overlay(6, 1, -2), Overlay(7, 1, -5), Overlay(5, 0, -1)},
         5},
        {"after that no overlay still in its lead-in", {Overlay(6, 1, -2), Overlay(7, 1, -5), Overlay(8, 1, 2)}, 7},
        {"paused overlays are passed over", {Overlay(6, 1, 3, 1), Overlay(5, 0, 0)}, 5},
        {"only paused overlays: the basic anime", {Overlay(6, 1, 3, 1), Overlay(5, 0, 0, 1)}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cChara chara;
        Place(chara, 0, 0);
        chara.GetAnimeFrame(0);
        chara.m_OverlayAnimes.assign(c.overlays.begin(), c.overlays.end());
        EXPECT_EQ(chara.GetAnimeFrame(1), c.frame);
    }
    EXPECT_TRUE(NoErrors());
}

TEST_F(CharaDrawTest, UnpausedFramesAdvanceOverlaysAndDropThoseThatEnded) {
    cChara chara;
    Place(chara, 0, 0);
    chara.m_Anime = Showing(3, true);  // basic: 3, then its end mark
    OVERLAYANIME ending = Overlay(6, 1, 2);
    ending.pattern = Showing(6, true);
    chara.m_OverlayAnimes = {ending, Overlay(7, 1, 4), Overlay(8, 1, 9, 1)};

    EXPECT_EQ(chara.GetAnimeFrame(0), 6);  // lead-ins now 1, 3 and (paused) 9
    EXPECT_EQ(chara.m_OverlayAnimes.front().leadIn, 1);
    EXPECT_EQ(chara.m_OverlayAnimes.back().leadIn, 9);
    // Its second tick ends the first overlay; the second is left.
    EXPECT_EQ(chara.GetAnimeFrame(0), 7);
    ASSERT_EQ(chara.m_OverlayAnimes.size(), 2u);
    EXPECT_EQ(chara.m_OverlayAnimes.front().leadIn, 2);
    // Paused: nothing moves.
    EXPECT_EQ(chara.GetAnimeFrame(1), 7);
    EXPECT_EQ(chara.m_OverlayAnimes.front().leadIn, 2);
    chara.m_OverlayAnimes.clear();
    EXPECT_EQ(chara.GetAnimeFrame(1), -4);  // the basic anime has played out too
}

// ---------------------------------------------------------------------------
// Chip offset

TEST_F(CharaDrawTest, ChipOffsetOfEachStateAndTheFlashColourOfTheTextureDevice) {
    g_FlashColors[3] = FlashColor{0xFF102030, 7};
    struct Case {
        const char* what;
        int flight, block, invincible, colour, rule, texture;
        int offset;
        uint32_t argb;
    };
    const Case cases[] = {
        {"plain", 0, 0, 0, 3, 1, 1, 2, 0},
        {"flying", 2, 0, 0, 3, 1, 1, 12, 0},
        {"block chara", 0, 1, 0, 3, 1, 1, 22, 0},
        {"invincible, flashing", 0, 0, 1, 3, 1, 1, 42, 0xFF102030},
        {"all three", 1, 1, 2, 3, 1, 1, 72, 0xFF102030},
        {"invincible, no colour", 0, 0, 1, 0, 1, 1, 42, 0},
        {"project without flash colours", 0, 0, 1, 3, 0, 1, 42, 0},
        {"blit display", 0, 0, 1, 3, 1, 0, 42, 0},
        {"colour outside the table", 0, 0, 1, 10, 1, 1, 42, 0},
        {"negative colour", 0, 0, 1, -3, 1, 1, 42, 0},
    };
    DTCONTEXT* const device = lpDTCon;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cChara chara;
        Place(chara, 0, 0);
        chara.m_Def.m_cFlight = static_cast<int8_t>(c.flight);
        chara.m_Def.m_cBlockChara = static_cast<int8_t>(c.block);
        chara.m_Def.m_cInvincible = static_cast<int8_t>(c.invincible);
        chara.m_Def.m_cInvincibleColor = static_cast<int8_t>(c.colour);
        g_SystemData.Set(kSysPlayRule4, c.rule);
        lpDTCon = c.texture ? device : nullptr;
        CHIPCOLOR colour;
        const int offset = chara.GetAnimeOffset(colour);
        lpDTCon = device;
        EXPECT_EQ(offset, c.offset);
        EXPECT_EQ(colour.argb, c.argb);
        EXPECT_EQ(colour.op, c.argb ? 7 : 0);
    }
    // Offsets of a broken anime set do not overflow.
    g_Database.m_vAnimeSet[1].m_nFlightChip = 0x7FFFFFFF;
    g_Database.m_vAnimeSet[1].m_nBlockChip = 0x7FFFFFFF;
    cChara chara;
    Place(chara, 0, 0);
    chara.m_Def.m_cFlight = 1;
    chara.m_Def.m_cBlockChara = 1;
    CHIPCOLOR colour;
    EXPECT_GT(chara.GetAnimeOffset(colour), 1 << 20);
    EXPECT_TRUE(NoErrors());
}

// ---------------------------------------------------------------------------
// Drawing

// The plain renderer draws the chip; until it does, the chip's pixels of
// a drawing cannot be checked.
TEST_F(CharaDrawTest, APlainCharaIsItsChipAtTheScreenRectangle) {
    DDSURFACEDATA* sheet = layer.Sheet(kSysBmpCharacter1, 640, 480);
    DDFillRect(sheet, 96, 32, 32, 32, 7);  // chip row 2 + frame 1 of row 1
    DDFillRect(sheet, 64, 32, 32, 32, 8);  // the chip row without the frame
    DDFillRect(sheet, 0, 0, 32, 32, 9);
    cChara chara;
    Place(chara, 100, 60);
    chara.Draw(&g_BackBufferSD, 0);
    EXPECT_EQ(chara.m_nScreenL, 100);
    EXPECT_EQ(chara.m_nScreenT, 60);
    EXPECT_EQ(chara.m_nScreenR, 131);
    EXPECT_EQ(chara.m_nScreenB, 91);
    chara.Draw(&g_BackBufferSD, 0);
    for (auto [x, y] : {std::pair{100, 60}, std::pair{131, 91}}) EXPECT_TRUE(layer.Is(x, y, 7)) << x << " " << y;
    for (auto [x, y] : {std::pair{99, 60}, std::pair{132, 91}, std::pair{100, 92}})
        EXPECT_TRUE(layer.Is(x, y, kBack)) << x << " " << y;
}

TEST_F(CharaDrawTest, TheMarkIsDrawnAtTheRectangleAndFixedPositionsHoldIt) {
    // Mark 16: column 1, row 1 of the mark sheet; the stretched mark reads
    // the mark source of the display (sheet 44 for the texture device).
    DDFillRect(layer.Sheet(kSysBmpMark, 64, 480), 32, 32, 32, 32, 5);
    DDFillRect(layer.Sheet(kSysBmpMark + 1, 64, 480), 32, 32, 32, 32, 6);
    struct Case {
        const char* what;
        int fixedX, fixedY, scale, mode;
        int left, top, colour;
    };
    const Case cases[] = {
        {"at the rectangle", 0, 0, 1, 1, 100, 60, 5},
        {"fixed on the screen", 1, 1, 1, 1, 300, 200, 5},
        {"fixed across only", 1, 0, 1, 1, 300, 60, 5},
        {"fixed down only", 0, 1, 1, 1, 100, 200, 5},
        {"giant: stretched from the mark source", 0, 0, 2, 1, 100, 60, 6},
        {"mark mode 2 draws none", 0, 0, 1, 2, 100, 60, kBack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DDFillSurface(&g_BackBufferSD, kBack);
        cChara chara;
        Place(chara, 100, 60);
        chara.m_Def.m_cEmblemShown = static_cast<int8_t>(c.mode);
        chara.m_Def.m_sEmblem = 16;
        chara.m_Def.m_cGiantScale = static_cast<int8_t>(c.scale);
        chara.m_nSpriteW = chara.m_nSpriteH = 32 * c.scale;
        chara.m_bFixedX = c.fixedX;
        chara.m_bFixedY = c.fixedY;
        chara.m_nFixedX = 300;
        chara.m_nFixedY = 200;
        chara.Draw(&g_BackBufferSD, 0);
        EXPECT_EQ(chara.m_nScreenL, c.left);
        EXPECT_EQ(chara.m_nScreenT, c.top);
        EXPECT_EQ(chara.m_nScreenR, c.left + 32 * c.scale - 1);
        EXPECT_EQ(chara.m_nScreenB, c.top + 32 * c.scale - 1);
        const int side = 32 * c.scale;
        EXPECT_TRUE(layer.Is(c.left, c.top, c.colour));
        EXPECT_TRUE(layer.Is(c.left + side - 1, c.top + side - 1, c.colour));
        EXPECT_TRUE(layer.Is(c.left + side, c.top, kBack));
        EXPECT_TRUE(layer.Is(c.left, c.top - 1, kBack));
    }
}

TEST_F(CharaDrawTest, AnUnseenCharaStillRunsItsEffectToTheEnd) {
    DDFillRect(layer.Sheet(kSysBmpMark, 64, 480), 0, 0, 32, 32, 5);
    struct Case {
        const char* what;
        int vanished, transparent;
    };
    for (const Case& c : {Case{"vanished", 1, 0}, Case{"transparent", 0, 1}}) {
        SCOPED_TRACE(c.what);
        DDFillSurface(&g_BackBufferSD, kBack);
        cChara chara;
        Place(chara, 100, 60);
        chara.m_Def.m_cEmblemShown = 1;
        chara.m_bVanished = c.vanished;
        chara.m_Def.m_cTransparent = static_cast<int8_t>(c.transparent);
        chara.m_Effect.Start(1, kEffectForward, 0);
        for (int i = 0; i < 10; ++i) chara.Draw(&g_BackBufferSD, 1);
        EXPECT_EQ(chara.m_Effect.m_sEffect, 1) << "paused, the effect waits";
        for (int i = 1; i < 7; ++i) chara.Draw(&g_BackBufferSD, 0);
        EXPECT_EQ(chara.m_Effect.m_sEffect, 1);
        chara.Draw(&g_BackBufferSD, 0);
        EXPECT_EQ(chara.m_Effect.m_sEffect, 0);
        EXPECT_TRUE(layer.Is(100, 60, kBack)) << "no mark";
        EXPECT_EQ(chara.m_nScreenL, 0) << "the rectangle is left alone";
    }
}

TEST_F(CharaDrawTest, AnEffectEndsOnTheFrameItsStateEndsAndAnUnknownKindDrawsPlain) {
    cChara chara;
    Place(chara, 100, 60);
    chara.m_Effect.Start(1, kEffectForward, 0);
    for (int i = 1; i < 7; ++i) {
        chara.Draw(&g_BackBufferSD, 0);
        ASSERT_EQ(chara.m_Effect.m_sEffect, 1) << i;
    }
    chara.Draw(&g_BackBufferSD, 1);
    EXPECT_EQ(chara.m_Effect.m_sEffect, 1);
    chara.Draw(&g_BackBufferSD, 0);
    EXPECT_EQ(chara.m_Effect.m_sEffect, 0);

    // A kind outside the renderers is drawn plain, which never ends.
    chara.m_Effect.Start(2, kEffectForward, 0);
    for (int i = 0; i < 30; ++i) chara.Draw(&g_BackBufferSD, 0);
    EXPECT_EQ(chara.m_Effect.m_sEffect, 2);
    EXPECT_EQ(chara.StepEffect(0), 0);

    // Stepping without drawing ends an effect the same way.
    chara.m_Effect.Start(1, kEffectForward, 0);
    for (int i = 1; i < 7; ++i) ASSERT_EQ(chara.StepEffect(0), 0);
    EXPECT_EQ(chara.StepEffect(1), 0);
    EXPECT_EQ(chara.StepEffect(0), 1);
    EXPECT_EQ(chara.m_Effect.m_sEffect, 0);
    EXPECT_TRUE(NoErrors());
}

// ---------------------------------------------------------------------------
// Death

TEST_F(CharaDrawTest, DeathDrawingSaysWhenTheCharaMayGo) {
    struct Case {
        const char* what;
        int kind, effect;
        std::vector<int> paused;  // per call
        std::vector<int> result;  // per call
    };
    std::vector<Case> cases = {
        {"computer, no effect: at once", 1, 0, {0}, {1}},
        {"computer, no effect, paused: at once", 1, 0, {1}, {1}},
        {"computer: when its effect ends", 1, 1, {0, 0, 0, 1, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 1}},
    };
    // Player-operated: one frame more than the frame rate, paused frames
    // not counted.
    Case wait{"player, no effect", 0, 0, {}, {}};
    for (int i = 1; i <= 61; ++i) {
        wait.paused.push_back(0);
        wait.result.push_back(i == 61 ? 1 : 0);
        if (i == 30) {
            wait.paused.push_back(1);
            wait.result.push_back(0);
        }
    }
    cases.push_back(wait);
    Case after{"player: the effect, then the wait", 0, 1, {}, {}};
    for (int i = 1; i <= 7 + 61; ++i) {
        after.paused.push_back(0);
        after.result.push_back(i == 7 + 61 ? 1 : 0);
    }
    cases.push_back(after);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cChara chara;
        Place(chara, 100, 60);
        chara.m_nKind = c.kind;
        chara.m_bDefeated = 1;
        if (c.effect) chara.m_Effect.Start(static_cast<int16_t>(c.effect), kEffectForward, 0);
        for (size_t i = 0; i < c.paused.size(); ++i)
            ASSERT_EQ(chara.DrawDeath(&g_BackBufferSD, c.paused[i]), c.result[i]) << "call " << i + 1;
        EXPECT_EQ(chara.m_Effect.m_sEffect, 0);
    }

    // A paused player chara past its wait holds; the wait never overflows.
    cChara chara;
    Place(chara, 100, 60);
    chara.m_nKind = 0;
    chara.m_nDeathWait = 2147483647;
    EXPECT_EQ(chara.DrawDeath(&g_BackBufferSD, 1), 0);
    EXPECT_EQ(chara.DrawDeath(&g_BackBufferSD, 0), 1);
    EXPECT_EQ(chara.m_nDeathWait, 2147483647);
}

// ---------------------------------------------------------------------------
// Gauges

class CharaGaugeTest : public CharaDrawTest {
protected:
    void SetUp() override {
        CharaDrawTest::SetUp();
        cStatusItem& hp = g_SystemData.m_vStatusItem.At(2);
        hp.m_nWarnLevel = 30;
        hp.m_nWarnPercent = 1;
        cStatusItem& sp = g_SystemData.m_vStatusItem.At(3);
        sp.m_nWarnLevel = 0;
        sp.m_nWarnPercent = 0;
        chara.m_Def.m_nMaxHP = 10;
        chara.m_Def.m_nMaxSP = 10;
        chara.m_nScreenL = 100;
        chara.m_nScreenT = 200;
        chara.m_nSpriteW = 32;
    }
    // The gauge sheet: rows of 2 pixels from `base` by `step`, each
    // coloured by its use; the SP half (from x 64) 10 colours further on.
    void Sheet(int height, int base, int step) {
        DDSURFACEDATA* sheet = layer.Sheet(kSysBmpAccessory, 128, height);
        for (int use = 0; use < 5; ++use) {
            DDFillRect(sheet, 0, base + use * step, 64, 2, static_cast<uint32_t>(kBg + use));
            DDFillRect(sheet, 64, base + use * step, 64, 2, static_cast<uint32_t>(kBg + 10 + use));
        }
    }
    // The colours along row y from x 90 to 143, as uses: 'b' background,
    // 'v' value, 'w' warning value, 'l' loss, 'g' gain, '.' nothing, with
    // `sp` counting the SP colours.
    static std::string Row(int y, bool sp = false) {
        std::string s;
        for (int x = 90; x < 144; ++x) {
            char c = '?';
            if (drawtest::DrawLayer::Is(x, y, kBack)) c = '.';
            for (int use = 0; use < 5; ++use)
                if (drawtest::DrawLayer::Is(x, y, kBg + (sp ? 10 : 0) + use)) c = "bvwlg"[use];
            s += c;
        }
        return s;
    }
    static std::string Uses(int from, const std::string& parts) {
        return std::string(static_cast<size_t>(from), '.') + parts;
    }
    static std::string Run(int n, char c) { return std::string(static_cast<size_t>(n), c); }

    static constexpr int kBg = 100;
    cChara chara;
};

TEST_F(CharaGaugeTest, TheHPGaugeShowsTheValueAndTheLoss) {
    Sheet(200, 128, 16);
    // HP 7 of 10 lost 3: bar 20, a loss of 15 after it.
    chara.m_nHP = 4;
    chara.m_HPGauge = GAUGE{120, -15.0, -0.25, 20};
    chara.DrawHPGauge(&g_BackBufferSD);
    // x = 100 + 32 / 2 - 25 = 91, y = 200 - 3.
    const std::string expected = Uses(1, Run(20, 'v') + Run(15, 'l') + Run(15, 'b')) + Run(3, '.');
    EXPECT_EQ(Row(197), expected);
    EXPECT_EQ(Row(198), expected);
    EXPECT_EQ(Row(196), Run(54, '.'));
    EXPECT_EQ(Row(199), Run(54, '.'));
    EXPECT_EQ(chara.m_HPGauge.timer, 119);
    EXPECT_DOUBLE_EQ(chara.m_HPGauge.changed, -14.75);

    // At or below the warning level the value comes from the warning row.
    chara.m_nHP = 3;
    DDFillSurface(&g_BackBufferSD, kBack);
    chara.DrawHPGauge(&g_BackBufferSD);
    EXPECT_EQ(Row(197), Uses(1, Run(20, 'w') + Run(14, 'l') + Run(16, 'b')) + Run(3, '.'));

    // A gain ends at the bar's end.
    chara.m_HPGauge = GAUGE{120, 15.0, 0.25, 20};
    DDFillSurface(&g_BackBufferSD, kBack);
    chara.DrawHPGauge(&g_BackBufferSD);
    EXPECT_EQ(Row(197), Uses(1, Run(5, 'w') + Run(15, 'g') + Run(30, 'b')) + Run(3, '.'));
}

TEST_F(CharaGaugeTest, TheSPGaugeSitsHigherAndReadsTheOtherHalf) {
    Sheet(240, 208, 2);  // a sheet taller than 208: rows from 208 by 2
    chara.m_nSP = 0;        // warns: at or below level 0
    chara.m_nSpriteW = 64;  // a giant: centred on its width
    chara.m_SPGauge = GAUGE{100, -10.0, -0.25, 4};
    chara.DrawSPGauge(&g_BackBufferSD);
    // x = 100 + 64 / 2 - 25 = 107, y = 200 - 7.
    const std::string expected = Uses(17, Run(4, 'w') + Run(10, 'l') + Run(23, 'b'));
    EXPECT_EQ(Row(193, true), expected);
    EXPECT_EQ(Row(194, true), expected);
    EXPECT_EQ(Row(192, true), Run(54, '.'));
    EXPECT_EQ(Row(195, true), Run(54, '.'));
}

TEST_F(CharaGaugeTest, TheGaugeCountsDownAndHides) {
    Sheet(200, 128, 16);
    chara.m_nHP = 5;
    chara.m_HPGauge = GAUGE{61, -6.0, -0.5, 25};
    chara.DrawHPGauge(&g_BackBufferSD);
    EXPECT_EQ(chara.m_HPGauge.changed, -5.5);
    chara.DrawHPGauge(&g_BackBufferSD);
    EXPECT_EQ(chara.m_HPGauge.timer, 59);
    EXPECT_EQ(chara.m_HPGauge.changed, 0) << "below 60 frames the change is gone";
    DDFillSurface(&g_BackBufferSD, kBack);
    chara.DrawHPGauge(&g_BackBufferSD);
    EXPECT_EQ(Row(197), Uses(1, Run(25, 'v') + Run(25, 'b')) + Run(3, '.'));

    for (int i = 0; i < 58; ++i) chara.DrawHPGauge(&g_BackBufferSD);
    EXPECT_EQ(chara.m_HPGauge.timer, 0);
    DDFillSurface(&g_BackBufferSD, kBack);
    chara.DrawHPGauge(&g_BackBufferSD);
    EXPECT_EQ(chara.m_HPGauge.timer, 0);
    EXPECT_EQ(Row(197), Run(54, '.'));

    // A defeated chara shows no gauge.
    chara.m_HPGauge.timer = 100;
    chara.m_bDefeated = 1;
    chara.DrawHPGauge(&g_BackBufferSD);
    EXPECT_EQ(chara.m_HPGauge.timer, 100);
    EXPECT_EQ(Row(197), Run(54, '.'));
}

TEST_F(CharaGaugeTest, BrokenValuesStayInsideTheGauge) {
    struct Case {
        const char* what;
        GAUGE gauge;
        std::string row;
    };
    const Case cases[] = {
        {"bar beyond 50", GAUGE{120, -1e12, 0, 500}, Run(50, 'v')},
        {"negative bar", GAUGE{120, 1e12, 0, -7}, Run(50, 'b')},
        {"loss wider than the room", GAUGE{120, -1e12, 0, 30}, Run(30, 'v') + Run(20, 'l')},
        {"gain wider than the bar", GAUGE{120, 1e12, 0, 30}, Run(30, 'g') + Run(20, 'b')},
        {"change not a number", GAUGE{120, std::nan(""), 0, 30}, Run(30, 'v') + Run(20, 'b')},
    };
    Sheet(200, 128, 16);
    chara.m_nHP = 5;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DDFillSurface(&g_BackBufferSD, kBack);
        chara.m_HPGauge = c.gauge;
        chara.DrawHPGauge(&g_BackBufferSD);
        EXPECT_EQ(Row(197), Uses(1, c.row) + Run(3, '.'));
    }
}

TEST_F(CharaGaugeTest, ASheetTooSmallGivesOnlyTheRowsItHas) {
    DDFillRect(layer.Sheet(kSysBmpAccessory, 40, 140), 0, 128, 40, 2, kBg);
    chara.m_nHP = 5;
    chara.m_HPGauge = GAUGE{120, -15.0, 0, 20};
    chara.DrawHPGauge(&g_BackBufferSD);
    EXPECT_EQ(Row(197), Uses(1, Run(40, 'b')) + Run(13, '.'));
    // The SP half lies wholly outside this sheet.
    chara.m_nSP = 5;
    chara.m_SPGauge = GAUGE{120, -15.0, 0, 20};
    chara.DrawSPGauge(&g_BackBufferSD);
    EXPECT_EQ(Row(193), Run(54, '.'));
    EXPECT_EQ(chara.m_SPGauge.timer, 119);
}

}  // namespace
