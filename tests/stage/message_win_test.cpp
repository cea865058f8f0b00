// Message windows on the pixels of a headless back buffer: the text laid
// out and drawn once into the window's surface, variable escapes, display
// time, the opening frame, placement and pinning, refreshing, the rising
// icons, and the window's hold on its entry of the message surface lists.
#include "stage/message_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "frontend/play_data.h"
#include "gfx/font.h"
#include "gfx/system_bitmaps.h"
#include "objects/draw_fixture.h"
#include "objects/stage_fixture.h"
#include "platform/glyphs.h"

namespace {

constexpr int kBack = 4;
constexpr int kInk = 1;
constexpr int kWindowColour = 6;
constexpr int kFrameColour = 7;

// Where a window landed: its top-left, found from its bottom-right corner
// so that windows partly off the screen are placed too.
struct Spot {
    int x = INT_MIN, y = INT_MIN;
    bool operator==(const Spot&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Spot& s) { return os << "(" << s.x << ", " << s.y << ")"; }

// The back buffer read once.
struct Screen {
    std::vector<uint32_t> rgb;
    uint32_t At(int x, int y) const {
        if (x < 0 || y < 0 || x >= 640 || y >= 480) return 0xDEADBEEF;
        return rgb[static_cast<size_t>(y) * 640 + static_cast<size_t>(x)];
    }
    bool Is(int x, int y, int n) const { return At(x, y) == drawtest::Rgb(n); }
    // Bounds of everything drawn over the back colour; w 0 when nothing.
    struct Box {
        int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
        int W() const { return x1 < x0 ? 0 : x1 - x0 + 1; }
        int H() const { return y1 < y0 ? 0 : y1 - y0 + 1; }
    };
    Box Drawn() const {
        Box b;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                if (Is(x, y, kBack)) continue;
                b.x0 = std::min(b.x0, x), b.y0 = std::min(b.y0, y);
                b.x1 = std::max(b.x1, x), b.y1 = std::max(b.y1, y);
            }
        }
        return b;
    }
    int Count(int n) const {
        int c = 0;
        for (uint32_t v : rgb) c += v == drawtest::Rgb(n);
        return c;
    }
};

// Under one lock: a lock a pixel would make each picture slow.
Screen Snap() {
    Screen s;
    s.rgb.assign(640 * 480, 0xDEADBEEF);
    cSurfaceLock lock(&g_BackBufferSD);
    if (!lock.Bits() || lock.BytesPerPixel() != 4) return s;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            const size_t at = static_cast<size_t>(y) * static_cast<size_t>(lock.PitchPixels()) + static_cast<size_t>(x);
            uint32_t raw = 0;
            std::memcpy(&raw, lock.Bits() + at * 4, 4);
            s.rgb[static_cast<size_t>(y) * 640 + static_cast<size_t>(x)] = raw & 0xFFFFFFu;
        }
    }
    return s;
}

// The code of the fixed-pattern glyph w x 16 whose corner is (x, y) of a
// surface; -1 when no glyph starts there.
long GlyphAt(DDSURFACEDATA* sd, int x, int y, int w) {
    auto ink = [&](int px, int py) { return (orvtest::ReadLayerRaw(sd, px, py) & 0xFFFFFFu) == drawtest::Rgb(kInk); };
    if (!ink(x, y) || !ink(x + w - 1, y + 15)) return -1;
    long code = 0;
    for (int i = 0; i < 16; ++i)
        if (ink(x + i % w, y + 1 + i / w)) code |= 1L << i;
    return code;
}

// The half-width character in the 16-dot cell at (x, y): the font sets it
// a little into its cell.
long CharInCell(DDSURFACEDATA* sd, int x, int y) {
    for (int gx = x; gx <= x + 8; ++gx)
        if (const long code = GlyphAt(sd, gx, y, 8); code >= 0) return code;
    return -1;
}

class MessageWinTest : public objtest::StageTest {
protected:
    void SetUp() override {
        StageTest::SetUp();
        layer.Start();
        plat::testing::UseFixedPatternGlyphs(true);
        DDFillSurface(layer.Sheet(kSysBmpWindow, 640, 480), kWindowColour);
        UsePitch(16);
        scene.m_vStageVars.assign(1000, 0);
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
    }
    void TearDown() override {
        scene.m_lMessages.clear();
        scene.ClearMessageSurfaces();
        Font16.Release();
        plat::testing::UseFixedPatternGlyphs(false);
        layer.Stop();
        StageTest::TearDown();
    }
    void UsePitch(int pitch) {
        Font16.Release();
        DDSURFACEDATA* sheet = &g_SysBmp[kSysBmpWindow];
        ASSERT_EQ(Font16.Create("ＭＳ ゴシック", 0, 16, pitch, 16, kInk, sheet, 1, kFrameColour, nullptr, 0), 1);
    }
    // A framed text window shown until the stage ends, at screen dots
    // (x, y) or, with kind 0, centred.
    static MessageParams Text(const std::string& text, int kind = 7, int x = 0, int y = 0) {
        MessageParams p;
        p.type = 1;
        p.text = text;
        p.posKind = kind;
        p.unit = 1;
        p.x = x;
        p.y = y;
        p.fixed = 1;
        p.displayMode = 1;
        p.frame = 1;
        return p;
    }
    // One frame of the window drawn on a clear back buffer.
    static int Frame(cMessageWin& win, int frozen = 0) {
        DDFillSurface(&g_BackBufferSD, kBack);
        return win.Update(&g_BackBufferSD, frozen);
    }
    // Where a framed window of w x h landed this frame.
    static Spot Where(int w, int h) {
        const Screen::Box b = Snap().Drawn();
        if (b.W() == 0) return {};
        return {b.x1 - w + 1, b.y1 - h + 1};
    }
    static int IndexOf(const DDSURFACEDATA* sd) {
        int i = 0;
        for (const DDSURFACEDATA& s : Off_Msg) {
            if (&s == sd) return i;
            ++i;
        }
        return -1;
    }
    static cHero& HeroAt(int id, double x, double y) {
        g_Heroes.resize(1);
        cHero& hero = g_Heroes.At(0);
        hero.m_nId = id;
        hero.m_dX = x, hero.m_dY = y;
        hero.m_nSpriteW = 32, hero.m_nSpriteH = 32;
        hero.m_nOffsetX = 2, hero.m_nOffsetY = 4;
        return hero;
    }

    drawtest::DrawLayer layer;
};

// ---------------------------------------------------------------------------
// Layout

TEST_F(MessageWinTest, TheWindowIsTheMeasuredTextAndABorderOfOneDot) {
    g_PlayData.m_vVar.At(5) = 7;
    scene.m_vStageVars.At(2) = 42;
    struct Case {
        int pitch;
        const char* text;
        int expand;
        const char* shown;
        int w, h;
    };
    const Case cases[] = {
        {16, "AB", 0, "AB", 34, 18},
        {16, "AB\nCDE", 0, "AB\nCDE", 50, 34},
        {16, "A\n\nB", 0, "A\n\nB", 18, 50},  // an empty line keeps its height
        {16, "", 0, "", 2, 18},
        {16, "あいA", 0, "あいA", 50, 18},  // one cell a character
        {0, "Aあ", 0, "Aあ", 26, 18},      // proportional: 8 + 16
        {0, "AB\nあい", 0, "AB\nあい", 34, 34},
        {16, "#C5_3", 1, "  7", 50, 18},  // measured as shown
        {16, "#C5_3", 0, "#C5_3", 82, 18},
        {16, "x#S2.\n#c5", 1, "x42\n7", 50, 34},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pitch << " \"" << c.text << "\"");
        UsePitch(c.pitch);
        MessageParams p = Text(c.text);
        p.expandVars = c.expand;
        cMessageWin win(p);
        EXPECT_EQ(win.m_strText, c.shown);
        EXPECT_EQ(win.m_strSource, c.text);
        EXPECT_EQ(win.m_nWidth, c.w);
        EXPECT_EQ(win.m_nHeight, c.h);
        int w = 0, h = 0;
        MeasureMessageText(w, h, c.shown);
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
        ASSERT_NE(win.m_pSurface, nullptr);
        EXPECT_EQ(win.m_pSurface->nWidth, c.w);
        EXPECT_EQ(win.m_pSurface->nHeight, c.h);
        EXPECT_EQ(&g_OffMsgDef.back(), win.m_pSurfaceDef);
        win.ReleaseSurface();
    }
    EXPECT_TRUE(Off_Msg.empty());
    EXPECT_TRUE(g_OffMsgDef.empty());
}

TEST_F(MessageWinTest, ADoubleByteCharacterAtTheWindowsEdgeShowsWhole) {
    for (int pitch : {16, 0}) {
        SCOPED_TRACE(pitch);
        UsePitch(pitch);
        MessageParams p = Text("ABあ", 7, 100, 100);
        p.frame = 0;
        cMessageWin win(p);
        ASSERT_EQ(Frame(win), 0);
        // The text starts one dot in; あ is the third character.
        const int at = 101 + (pitch ? 32 : 16);
        EXPECT_EQ(win.m_nWidth, at + 16 + 1 - 100);
        EXPECT_EQ(GlyphAt(&g_BackBufferSD, at, 101, 16), 0x82A0);
        EXPECT_EQ(CharInCell(&g_BackBufferSD, 101, 101), 'A');
        // Nothing of the surface's blank part covers the back buffer.
        EXPECT_TRUE(Snap().Is(100, 100, kBack));
    }
}

TEST_F(MessageWinTest, VariableEscapesAreReplacedByTheirValues) {
    cVector<int32_t>& common = g_PlayData.m_vVar;
    common.At(5) = 7;
    common.At(6) = -12;
    common.At(7) = -5;
    common.At(12) = 34;
    common.At(1000) = 9;
    scene.m_vStageVars.At(3) = 42;
    scene.m_vStageVars.At(5) = 99;
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"#C5", "7"},
        {"#C5_3", "  7"},
        {"#C5_3Z", "007"},
        {"#C5_3P", "+  7"},
        {"#C5_0", "7"},
        {"#C5_39", "        7"},  // a later width digit wins
        {"#C6_1", "-12"},         // the width never cuts digits
        {"#C7_3", "-  5"},        // the sign before the filling
        {"#C7_3z", "-005"},
        {"a#C12.b", "a34b"},  // the closing dot goes with the escape
        {"a#C12..", "a34."},
        {"#S3_4Z", "0042"},
        {"#s3", "42"},
        {"#CS5 #sc5", "7 7"},  // common wins over stage
        {"#C1S2", "34"},        // digits run on past a letter: variable 12
        {"#5C", "7"},
        {"#C1000", "9"},
        {"#C5#C5", "77"},  // a value is never read as a new escape
        {"#C5あ", "7あ"},
        {"あ#C5", "あ7"},
        {"#C5_3X", "  7X"},
        // Escapes that name no variable stay as written.
        {"#X5", "#X5"},
        {"#C", "#C"},
        {"#5", "#5"},
        {"#C0", "#C0"},
        {"#C1001", "#C1001"},
        {"#S1000", "#S1000"},  // past the stage variables
        {"#C#C5", "#C7"},
        {"#", "#"},
        // Digits past the range never wrap back into it.
        {"#C4294967301", "#C4294967301"},
        {"#C99999999999999999999_3", "#C99999999999999999999_3"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        ExpandMessageVars(text);
        EXPECT_EQ(text, c.out) << c.in;
    }
    // Stage variables without a scene stay as written.
    g_pGameScene = nullptr;
    std::string text = "#S3";
    ExpandMessageVars(text);
    EXPECT_EQ(text, "#S3");
}

// ---------------------------------------------------------------------------
// Time and the opening frame

TEST_F(MessageWinTest, ATimedWindowIsDrawnItsTimeThenEnds) {
    struct Case {
        int hold, frozen;
        bool counts;
    };
    const Case cases[] = {{0, 0, true}, {1, 0, true}, {1, 1, true}, {0, 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "hold " << c.hold << " frozen " << c.frozen);
        MessageParams p = Text("AB", 0);
        p.displayMode = 2;
        p.time = 3;
        p.holdGame = c.hold;
        cMessageWin win(p);
        int drawn = 0;
        while (drawn < 10 && Frame(win, c.frozen) == 0) {
            EXPECT_EQ(Snap().Drawn().W(), 34);
            ++drawn;
        }
        if (c.counts) {
            EXPECT_EQ(drawn, 3);
            EXPECT_EQ(Snap().Drawn().W(), 0);
            EXPECT_EQ(win.m_pSurface, nullptr);
            EXPECT_TRUE(Off_Msg.empty());
        } else {
            EXPECT_EQ(drawn, 10);
            EXPECT_EQ(win.m_nTime, 3);
            for (int i = 0; i < 3; ++i) EXPECT_EQ(Frame(win, 0), 0);
            EXPECT_EQ(Frame(win, 0), 1);
        }
        win.ReleaseSurface();
    }
    // Windows held until the key or the stage's end never end by time.
    for (int mode : {0, 1}) {
        MessageParams p = Text("AB", 0);
        p.displayMode = mode;
        p.time = 0;
        p.chained = 1;
        cMessageWin win(p);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(Frame(win), 0) << mode;
        win.ReleaseSurface();
    }
}

TEST_F(MessageWinTest, AKeyWaitMessageGrowsItsFrameForNineFramesThenShowsItsText) {
    // "ABCD" is 66 x 18, centred at (287, 231).
    MessageParams p = Text("ABCD", 0);
    p.displayMode = 0;
    cMessageWin win(p);
    EXPECT_EQ(win.m_bOpening, 1);
    int lastW = 0;
    for (int f = 1; f <= 9; ++f) {
        SCOPED_TRACE(f);
        ASSERT_EQ(Frame(win), 0);
        const Screen s = Snap();
        EXPECT_EQ(s.Count(kInk), 0);
        const Screen::Box b = s.Drawn();
        // The frame of one dot lies around the growing window.
        EXPECT_GT(b.W(), lastW);
        EXPECT_LT(b.W(), 66 + 2);
        EXPECT_NEAR(b.x0 + b.x1, 287 + 287 + 65, 2);
        EXPECT_NEAR(b.y0 + b.y1, 231 + 231 + 17, 2);
        lastW = b.W();
        if (f == 5) {
            // s = 0.5: 33 x 9 at (303, 235) inside its frame.
            EXPECT_EQ(b.x0, 302);
            EXPECT_EQ(b.y0, 234);
            EXPECT_EQ(b.W(), 35);
            EXPECT_EQ(b.H(), 11);
        }
    }
    ASSERT_EQ(Frame(win), 0);
    EXPECT_GT(Snap().Count(kInk), 0);
    EXPECT_EQ(Where(66, 18), (Spot{287, 231}));
    EXPECT_EQ(CharInCell(&g_BackBufferSD, 288, 232), 'A');
    EXPECT_EQ(Frame(win), 0);
    EXPECT_EQ(CharInCell(&g_BackBufferSD, 288, 232), 'A');
    win.ReleaseSurface();

    // Without the frame setting nothing shows before the text.
    p.frame = 0;
    cMessageWin plain(p);
    for (int f = 1; f <= 9; ++f) {
        ASSERT_EQ(Frame(plain), 0);
        EXPECT_EQ(Snap().Drawn().W(), 0) << f;
    }
    ASSERT_EQ(Frame(plain), 0);
    EXPECT_EQ(CharInCell(&g_BackBufferSD, 288, 232), 'A');
    plain.ReleaseSurface();

    // A chained message and one shown until the stage ends skip the opening.
    for (int chained : {1, 0}) {
        MessageParams q = Text("ABCD", 0);
        q.displayMode = chained ? 0 : 1;
        q.chained = chained;
        cMessageWin shown(q);
        EXPECT_EQ(shown.m_bOpening, 0);
        ASSERT_EQ(Frame(shown), 0);
        EXPECT_EQ(CharInCell(&g_BackBufferSD, 288, 232), 'A') << chained;
        shown.ReleaseSurface();
    }
}

// ---------------------------------------------------------------------------
// Placement

TEST_F(MessageWinTest, EachPositionKindPlacesTheWindow) {
    scene.m_ScrollX.m_dPos = 640.9;
    scene.m_ScrollY.m_dPos = 400.4;
    HeroAt(5, 700.6, 500.2);
    g_Charas.emplace_back();
    cStageChara& chara = g_Charas.back();
    chara.m_nId = 9;
    chara.m_dX = 900, chara.m_dY = 600;
    chara.m_nSpriteW = 48, chara.m_nSpriteH = 64;
    // "AB" is 34 x 18; every case has the offsets (3, 5).
    struct Case {
        int kind, unit, x, y;
        Spot at;
    };
    const Case cases[] = {
        {0, 0, 0, 0, {306, 236}},
        {0, 1, 50, 50, {306, 236}},
        // The hero at (60, 96) on the screen (sprite 32 x 32, body at (2, 4)).
        {4, 0, 0, 0, {60, 83}},
        {5, 0, 0, 0, {60, 134}},
        {6, 0, 0, 0, {60, 108}},
        // The chara at (260, 200) (sprite 48 x 64).
        {1, 0, 0, 0, {270, 187}},
        {2, 0, 0, 0, {270, 270}},
        {3, 0, 0, 0, {270, 228}},
        {7, 0, 3, 2, {99, 69}},
        {7, 1, 3, 2, {6, 7}},
        {8, 0, 3, 2, {98, 76}},
        {8, 1, 30, 20, {16, 16}},
        // Stage points inside the margin of 10 tiles, less the camera.
        {9, 0, 25, 15, {482, 404}},
        {9, 0, 9, 2, {-29, -11}},  // toward zero
        {9, 1, 700, 450, {382, 374}},
        {10, 0, 25, 15, {481, 411}},
        {10, 1, 700, 450, {365, 365}},
    };
    for (const Case& c : cases) {
        for (int fixed : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "kind " << c.kind << " unit " << c.unit << " fixed " << fixed);
            MessageParams p = Text("AB", c.kind, c.x, c.y);
            p.unit = c.unit;
            p.offsetX = 3;
            p.offsetY = 5;
            p.ownerId = c.kind <= 3 ? 9 : 5;
            p.fixed = fixed;
            cMessageWin win(p);
            ASSERT_EQ(Frame(win), 0);
            EXPECT_EQ(Where(34, 18), c.at);
            win.ReleaseSurface();
        }
    }
}

TEST_F(MessageWinTest, PinningFollowsTheFixFlag) {
    // Screen kinds without the flag stay on the stage point of their first
    // frame; with it they stay on the screen.
    for (int fixed : {0, 1}) {
        SCOPED_TRACE(fixed);
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
        MessageParams p = Text("AB", 0);
        p.fixed = fixed;
        cMessageWin win(p);
        ASSERT_EQ(Frame(win), 0);
        EXPECT_EQ(Where(34, 18), (Spot{303, 231}));
        scene.m_ScrollX.m_dPos = 650.7;
        scene.m_ScrollY.m_dPos = 405.2;
        ASSERT_EQ(Frame(win), 0);
        // Pinned at (943, 631): 943 - 650.2 and 631 - 404.7, toward zero.
        EXPECT_EQ(Where(34, 18), (fixed ? Spot{303, 231} : Spot{292, 226}));
        win.ReleaseSurface();
    }
    // Windows on a chara with the flag stay where it was at their first
    // frame; without it they follow it.
    for (int fixed : {0, 1}) {
        SCOPED_TRACE(fixed);
        cHero& hero = HeroAt(5, 700, 500);
        scene.m_ScrollX.m_dPos = 640;
        scene.m_ScrollY.m_dPos = 400;
        MessageParams p = Text("AB", 4);
        p.ownerId = 5;
        p.fixed = fixed;
        cMessageWin win(p);
        ASSERT_EQ(Frame(win), 0);
        EXPECT_EQ(Where(34, 18), (Spot{57, 78}));
        hero.m_dX += 10;
        scene.m_ScrollY.m_dPos = 390;
        ASSERT_EQ(Frame(win), 0);
        EXPECT_EQ(Where(34, 18), (fixed ? Spot{57, 78} : Spot{67, 88}));
        win.ReleaseSurface();
    }
}

TEST_F(MessageWinTest, KeepOnScreenHoldsTheWindowBelowTheStatusBar) {
    // 34 x 18; the test stops two dots short of the right and bottom edges
    // but the correction goes to them.
    struct Case {
        int x, y;
        Spot at;
    };
    const Case cases[] = {
        {-5, 100, {0, 100}},   {604, 100, {604, 100}}, {605, 100, {606, 100}}, {900, 100, {606, 100}},
        {100, 19, {100, 20}},  {100, -50, {100, 20}},  {100, 20, {100, 20}},   {100, 460, {100, 460}},
        {100, 461, {100, 462}}, {-700, 900, {0, 462}},
    };
    for (const Case& c : cases) {
        MessageParams p = Text("AB", 7, c.x, c.y);
        p.keepOnScreen = 1;
        cMessageWin win(p);
        ASSERT_EQ(Frame(win), 0);
        EXPECT_EQ(Where(34, 18), c.at) << c.x << ", " << c.y;
        win.ReleaseSurface();
    }
    // Without the setting a window may leave the screen.
    cMessageWin free(Text("AB", 7, -5, 5));
    ASSERT_EQ(Frame(free), 0);
    EXPECT_EQ(Where(34, 18), (Spot{-5, 5}));
    free.ReleaseSurface();
}

// ---------------------------------------------------------------------------
// Refresh and reuse

TEST_F(MessageWinTest, ARefreshRedrawsInPlaceOrRemakesTheSurfaceAtItsIndex) {
    g_PlayData.m_vVar.At(5) = 7;
    cMessageWin first(Text("A", 7, 0, 100));
    MessageParams p = Text("#C5", 7, 100, 100);
    p.expandVars = 1;
    p.refresh = 1;
    p.refreshFrames = 2;
    p.frame = 0;
    cMessageWin win(p);
    cMessageWin last(Text("B", 7, 200, 100));
    DDSURFACEDATA* const made = win.m_pSurface;
    ASSERT_EQ(IndexOf(made), 1);
    EXPECT_EQ(CharInCell(made, 1, 1), '7');

    // Only at frames that are a multiple of the interval.
    g_PlayData.m_vVar.At(5) = 8;
    scene.m_nFrame = 3;
    ASSERT_EQ(Frame(win), 0);
    EXPECT_EQ(win.m_strText, "7");
    EXPECT_EQ(CharInCell(&g_BackBufferSD, 101, 101), '7');

    // The same size: the same surface, drawn again.
    scene.m_nFrame = 4;
    ASSERT_EQ(Frame(win), 0);
    EXPECT_EQ(win.m_strText, "8");
    EXPECT_EQ(win.m_pSurface, made);
    EXPECT_EQ(CharInCell(made, 1, 1), '8');
    EXPECT_EQ(CharInCell(&g_BackBufferSD, 101, 101), '8');

    // A new size: a new surface at the same index of both lists.
    g_PlayData.m_vVar.At(5) = -10;
    scene.m_nFrame = -6;
    ASSERT_EQ(Frame(win), 0);
    EXPECT_EQ(win.m_strText, "-10");
    EXPECT_EQ(win.m_nWidth, 50);
    ASSERT_EQ(Off_Msg.size(), 3u);
    ASSERT_EQ(g_OffMsgDef.size(), 3u);
    EXPECT_EQ(IndexOf(win.m_pSurface), 1);
    EXPECT_EQ(win.m_pSurfaceDef, &*std::next(g_OffMsgDef.begin()));
    EXPECT_EQ(win.m_pSurface->nWidth, 50);
    EXPECT_EQ(IndexOf(first.m_pSurface), 0);
    EXPECT_EQ(IndexOf(last.m_pSurface), 2);
    EXPECT_EQ(CharInCell(&g_BackBufferSD, 101, 101), '-');
    EXPECT_EQ(CharInCell(&g_BackBufferSD, 133, 101), '0');

    // Without the refresh switch the text stays.
    g_PlayData.m_vVar.At(5) = 1;
    win.m_bRefresh = 0;
    scene.m_nFrame = 8;
    ASSERT_EQ(Frame(win), 0);
    EXPECT_EQ(win.m_strText, "-10");
}

TEST_F(MessageWinTest, AResetWindowKeepsItsSurfaceAndIsPlacedAgain) {
    MessageParams p = Text("AB", 0);
    p.fixed = 0;
    p.frame = 0;
    cMessageWin win(p);
    DDSURFACEDATA* const made = win.m_pSurface;
    ASSERT_EQ(Frame(win), 0);
    scene.m_ScrollX.m_dPos = 700;
    p.text = "CD";
    win.Reset(p);
    EXPECT_EQ(win.m_pSurface, made);
    EXPECT_EQ(Off_Msg.size(), 1u);
    EXPECT_EQ(win.m_bPinned, 0);
    ASSERT_EQ(Frame(win), 0);
    // Centred again, not where the old pin would put it.
    EXPECT_EQ(CharInCell(&g_BackBufferSD, 304, 232), 'C');
    EXPECT_EQ(CharInCell(made, 17, 1), 'D');
}

// ---------------------------------------------------------------------------
// Icons

TEST_F(MessageWinTest, IconsRiseSevenDotsOverThirtyFramesAboveWhereTheHeroStood) {
    DDFillRect(layer.Sheet(kSysBmpItemMini, 480, 240), 0, 48, 16, 16, 9);  // item icon 3
    DDFillRect(layer.Sheet(kSysBmpAccessory, 64, 64), 0, 48, 16, 16, 10);
    for (int type : {2, 3}) {
        SCOPED_TRACE(type);
        cHero& hero = HeroAt(5, 700, 500);
        scene.m_lMessages.clear();
        MessageParams extraLife;
        extraLife.type = 3, extraLife.posKind = 4, extraLife.fixed = 1, extraLife.displayMode = 2;
        extraLife.time = 30, extraLife.holdGame = 1, extraLife.ownerId = 5;
        if (type == 2)
            hero.ShowItemMessage(2, 3, 0);
        else
            scene.m_lMessages.emplace_back(extraLife);
        ASSERT_EQ(scene.m_lMessages.size(), 1u);
        cMessageWin& win = scene.m_lMessages.front();
        EXPECT_EQ(win.m_nType, type);
        EXPECT_EQ(win.m_pSurface, nullptr);
        EXPECT_EQ(win.m_nWidth, 16);
        // Above the hero's sprite: (60 + 16 - 8 - 2, 96 - 16).
        std::vector<int> ys;
        for (int f = 0; f < 30; ++f) {
            ASSERT_EQ(Frame(win), 0);
            const Screen::Box b = Snap().Drawn();
            EXPECT_EQ(b.x0, 66);
            EXPECT_EQ(b.W(), 16);
            EXPECT_TRUE(Snap().Is(b.x0, b.y0, type == 2 ? 9 : 10));
            ys.push_back(b.y0);
            hero.m_dX += 3;  // the icon stays where it began
        }
        EXPECT_EQ(ys.front(), 80);
        EXPECT_EQ(ys.back(), 73);
        for (size_t i = 1; i < ys.size(); ++i) EXPECT_EQ(ys[i], 80 - static_cast<int>((i + 1) >> 2)) << i;
        EXPECT_EQ(Frame(win), 1);
        EXPECT_EQ(Snap().Drawn().W(), 0);
    }
    // The item icon is the hero's, shown while the scene is up, and does
    // not hold the game.
    scene.m_lMessages.clear();
    g_Heroes.At(0).ShowItemMessage(1, 2, 3);
    ASSERT_EQ(scene.m_lMessages.size(), 1u);
    const cMessageWin& w = scene.m_lMessages.front();
    EXPECT_EQ(w.m_nIconKind, 1);
    EXPECT_EQ(w.m_nIconNo, 2);
    EXPECT_EQ(w.m_nIconExtra, 3);
    EXPECT_EQ(w.m_nOwnerId, 5);
    EXPECT_EQ(w.m_nTime, 30);
    EXPECT_EQ(w.m_bHoldGame, 0);
    g_pGameScene = nullptr;
    g_Heroes.At(0).ShowItemMessage(1, 2, 3);
    EXPECT_EQ(scene.m_lMessages.size(), 1u);
}

// ---------------------------------------------------------------------------
// Ends and the surface lists

TEST_F(MessageWinTest, AWindowWhoseCharaIsGoneEndsAndGivesBackItsSurface) {
    // A text window, at any frame.
    HeroAt(5, 700, 500);
    MessageParams p = Text("AB", 4);
    p.ownerId = 5;
    cMessageWin onHero(p);
    ASSERT_EQ(Frame(onHero), 0);
    p.ownerId = 77;
    cMessageWin onNobody(p);
    EXPECT_EQ(Frame(onNobody), 1);
    EXPECT_EQ(onNobody.m_pSurface, nullptr);
    EXPECT_EQ(Off_Msg.size(), 1u);
    g_Heroes.clear();
    EXPECT_EQ(Frame(onHero), 1);
    EXPECT_EQ(Snap().Drawn().W(), 0);
    EXPECT_TRUE(Off_Msg.empty());
    EXPECT_TRUE(g_OffMsgDef.empty());

    // An icon whose hero is gone at its first frame has no point to rise
    // from; once placed it keeps its point.
    MessageParams icon;
    icon.type = 3, icon.posKind = 4, icon.fixed = 1, icon.displayMode = 2, icon.time = 30, icon.ownerId = 5;
    cMessageWin orphan(icon);
    EXPECT_EQ(Frame(orphan), 1);
    HeroAt(5, 700, 500);
    DDFillRect(layer.Sheet(kSysBmpAccessory, 64, 64), 0, 48, 16, 16, 10);
    cMessageWin placed(icon);
    ASSERT_EQ(Frame(placed), 0);
    g_Heroes.clear();
    ASSERT_EQ(Frame(placed), 0);
    EXPECT_TRUE(Snap().Is(66, 80, 10));
}

TEST_F(MessageWinTest, AWindowWithoutASurfaceEndsAtOnce) {
    // A line wider than any surface can be.
    const std::string wide(1100, 'A');
    cMessageWin win(Text(wide, 7, 0, 100));
    EXPECT_EQ(win.m_pSurface, nullptr);
    EXPECT_EQ(win.m_pSurfaceDef, nullptr);
    EXPECT_TRUE(Off_Msg.empty());
    EXPECT_TRUE(g_OffMsgDef.empty());
    EXPECT_EQ(Frame(win), 1);
    EXPECT_EQ(Snap().Drawn().W(), 0);
    // A refresh that grows past the limit ends the window the same way.
    g_PlayData.m_vVar.At(5) = 1;
    MessageParams p = Text(wide.substr(0, 1020) + "#C5", 7, 0, 100);
    p.expandVars = p.refresh = p.refreshFrames = 1;
    cMessageWin grows(p);
    ASSERT_NE(grows.m_pSurface, nullptr);
    g_PlayData.m_vVar.At(5) = 1234567;
    EXPECT_EQ(Frame(grows), 1);
    EXPECT_EQ(Snap().Drawn().W(), 0);
    EXPECT_TRUE(Off_Msg.empty());
}

TEST_F(MessageWinTest, AWindowNeverFreesASurfaceItNoLongerOwns) {
    cMessageWin a(Text("AB"));
    cMessageWin b(Text("CD"));
    a.ReleaseSurface();
    a.ReleaseSurface();
    EXPECT_EQ(Off_Msg.size(), 1u);
    EXPECT_EQ(IndexOf(b.m_pSurface), 0);

    // The stage set-up empties the lists under a window; a new window may
    // get the freed entry's place.
    scene.ClearMessageSurfaces();
    cMessageWin fresh(Text("EF"));
    ASSERT_EQ(Off_Msg.size(), 1u);
    b.ReleaseSurface();
    EXPECT_EQ(b.m_pSurface, nullptr);
    ASSERT_EQ(Off_Msg.size(), 1u);
    EXPECT_EQ(&Off_Msg.front(), fresh.m_pSurface);

    // The allocator may hand the freed place to the next window's entry, so
    // the place a window remembers can hold another window's surface.
    cMessageWin stale(Text("GH"));
    scene.ClearMessageSurfaces();
    cMessageWin other(Text("IJ", 7, 0, 100));
    stale.m_pSurface = other.m_pSurface;
    stale.m_pSurfaceDef = other.m_pSurfaceDef;
    EXPECT_EQ(Frame(stale), 1);
    EXPECT_EQ(Snap().Drawn().W(), 0);
    stale.ReleaseSurface();
    ASSERT_EQ(Off_Msg.size(), 1u);
    EXPECT_EQ(&Off_Msg.front(), other.m_pSurface);
    ASSERT_EQ(Frame(other), 0);
    EXPECT_EQ(CharInCell(&g_BackBufferSD, 1, 101), 'I');
}

}  // namespace
