// The chara-effect renderers on both displays: exact pixels where the
// effect fixes them, a picture hash elsewhere, the frame counters of the
// wave, blink and translucency, the end report, and hostile values that
// must draw without leaving their surfaces.
#include "objects/chara_effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "frontend/program_objects.h"
#include "gfx/dd_layer.h"
#include "gfx/system_bitmaps.h"
#include "objects/chara.h"
#include "project/db_media.h"
#include "project/system_data.h"
#include "project/system_ini.h"
#include "support/headless_layer.h"
#include "support/logged_test.h"

namespace {

constexpr int kBack = 3;         // the back buffer's colour before drawing
constexpr int kL = 200, kT = 160;  // the chara's screen rectangle
constexpr int kOther = 20;       // every chip of the sheets but the one drawn

// The chip drawn (column 1 of the sheets): quarters of colours 10 (top
// left), 11, 12, 13 (bottom right), pixel (5, 5) transparent, pixel
// (20, 3) colour 14. The facing-right sheet adds 20 to each colour.
int ChipColour(int u, int v) {
    if (u == 5 && v == 5) return 0;
    if (u == 20 && v == 3) return 14;
    return 10 + (u >= 16 ? 1 : 0) + (v >= 16 ? 2 : 0);
}
int SheetColour(int x, int y, int add) {
    if (x < 32 || x >= 64) return kOther;
    const int c = ChipColour(x - 32, y);
    return c ? c + add : 0;
}

// Pixel (x, y) of a locked 32-bit surface.
uint32_t RawAt(const cSurfaceLock& lock, int x, int y) {
    uint32_t raw;
    const size_t at = static_cast<size_t>(y) * static_cast<size_t>(lock.PitchPixels()) + static_cast<size_t>(x);
    std::memcpy(&raw, lock.Bits() + at * 4, 4);
    return raw;
}

double Huge() { return std::numeric_limits<double>::infinity(); }

// Effect state that neither the stand-in nor the real frame step ends:
// the value stays put far below its end.
void HoldValue(cCharaEffectState& e, double v) {
    e.m_sEffect = 1;
    e.m_nStart = 0;
    e.m_nEnd = 1000000;
    e.m_dValue = v;
    e.m_dStep = 0;
    e.m_nRunTime = 100;
}

class RendererStepTest : public orvtest::LoggedTest {
protected:
    void TearDown() override {
        ResetProgramObjects();
        LoggedTest::TearDown();
    }
    int Run(int kind, int paused) { return g_CharaEffectFuncs[kind](chara, &g_BackBufferSD, src, paused, 0); }

    cChara chara;
    cCharaEffectData record;
    CHIPSRC src;
};

TEST_F(RendererStepTest, WavePhaseCountsUnpausedFramesAndWrapsAt360) {
    chara.m_Effect.m_pRecord = &record;
    for (const int kind : {4, 5}) {
        HoldValue(chara.m_Effect, 3);
        chara.m_Effect.m_nCounter = 0;
        Run(kind, 1);
        EXPECT_EQ(chara.m_Effect.m_nCounter, 0) << "a paused frame keeps the phase";
        for (int frame = 1; frame <= 359; ++frame) Run(kind, 0);
        EXPECT_EQ(chara.m_Effect.m_nCounter, 359) << kind;
        Run(kind, 0);
        EXPECT_EQ(chara.m_Effect.m_nCounter, 0) << kind;
        chara.m_Effect.m_nCounter = -7;  // a counter no start leaves
        Run(kind, 0);
        EXPECT_GE(chara.m_Effect.m_nCounter, 0);
        EXPECT_LT(chara.m_Effect.m_nCounter, 360);
    }
}

TEST_F(RendererStepTest, BlinkAndTranslucencyFlipTheToggleEveryIntervalOfUnpausedFrames) {
    chara.m_Effect.m_pRecord = &record;
    struct Case {
        int interval;
        const char* toggles;  // the toggle after each of 8 frames
    };
    const Case cases[] = {
        {0, "10101010"},  // interval 0 flips every frame
        {1, "10101010"},
        {3, "00111000"},
        {-4, "10101010"},
        {1000, "00000000"},
    };
    for (const int kind : {6, 14}) {
        for (const Case& c : cases) {
            HoldValue(chara.m_Effect, 0);
            chara.m_Effect.m_nCounter = chara.m_Effect.m_nToggle = 0;
            record.m_nParam[1] = c.interval;
            std::string seen;
            for (int frame = 0; frame < 8; ++frame) {
                Run(kind, 1);  // paused frames do not count
                Run(kind, 0);
                seen += static_cast<char>('0' + chara.m_Effect.m_nToggle);
            }
            EXPECT_EQ(seen, c.toggles) << "kind " << kind << " interval " << c.interval;
        }
    }
    // Without a record the interval is 0.
    chara.m_Effect.m_pRecord = nullptr;
    chara.m_Effect.m_nToggle = 0;
    Run(6, 0);
    EXPECT_EQ(chara.m_Effect.m_nToggle, 1);
}

TEST_F(RendererStepTest, EveryRendererButThePlainOneReportsTheFrameStepsEnd) {
    chara.m_Effect.m_pRecord = &record;
    for (int kind = 0; kind < kCharaEffectKinds; ++kind) {
        // A timer whose run time is already over.
        cCharaEffectState& e = chara.m_Effect;
        e = cCharaEffectState();
        e.m_sEffect = 1;
        e.m_pRecord = &record;
        e.m_dStep = 1.0 / 6;
        e.m_nRunTime = 0;
        EXPECT_EQ(Run(kind, 1), 0) << kind;
        EXPECT_EQ(e.m_dTimer, 0) << "paused: the effect stands still, kind " << kind;
        // The plain drawing leaves the state alone.
        cCharaEffectState expected = e;
        const int end = kind == 0 ? 0 : expected.Advance();
        EXPECT_EQ(Run(kind, 0), end) << kind;
        EXPECT_EQ(e.m_dTimer, expected.m_dTimer) << kind;
        EXPECT_EQ(e.m_dValue, expected.m_dValue) << kind;
    }
}

// ---------------------------------------------------------------------------
// Drawing. Parameter: 1 the texture device, 0 the blit display.

class EffectDrawTest : public orvtest::LoggedTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        for (int i = 0; i < kSysBmpCount; ++i) m_saved[i] = g_SysBmp[i];
        ASSERT_TRUE(orvtest::StartHeadlessLayer(GetParam()));
        for (int n = 0; n < 256; ++n) m_raw[n] = orvtest::BackBufferRaw(n);
        orvtest::WriteLayerBmp("left.bmp", 128, 32, [](int x, int y) { return SheetColour(x, y, 0); });
        orvtest::WriteLayerBmp("right.bmp", 128, 32, [](int x, int y) { return SheetColour(x, y, 20); });
        MakeSheet(kSysBmpCharacter1, "left.bmp");
        MakeSheet(kSysBmpCharacter1 + 1, "right.bmp");
        // The work surfaces as the stage makes them.
        MakeBlank(68, 640, 480, 0, DTMEMORYTYPE_VIDEO_RT, nullptr);
        MakeBlank(69, 640, 480, 1, DTMEMORYTYPE_VIDEO_RT, &g_SysBmp[68]);
        MakeBlank(70, 1024, 1024, 0, DTMEMORYTYPE_VIDEO_NORT, nullptr);
        MakeBlank(71, 1024, 1024, 1, DTMEMORYTYPE_SYSTEM, nullptr);
        g_SystemIni.DD_VideoStretch = 0;
        SelectChipSurfaces();

        chara.m_nScreenL = kL;
        chara.m_nScreenT = kT;
        Size(1);
        chara.m_Effect.m_pRecord = &record;
        HoldValue(chara.m_Effect, 0);
        DDFillSurface(&g_BackBufferSD, kBack);
    }
    void TearDown() override {
        for (int row : m_made) DDReleaseSurface(&g_SysBmp[row]);
        orvtest::StopHeadlessLayer();
        for (int i = 0; i < kSysBmpCount; ++i) g_SysBmp[i] = m_saved[i];
        ResetProgramObjects();
        LoggedTest::TearDown();
    }
    // A sheet and its system-memory twin (row + 18), which the texture
    // device draws through the sheet's own texture.
    void MakeSheet(int row, const char* file) {
        DDSURFACEDATA* twin = &g_SysBmp[row + 18];
        ASSERT_EQ(DDCreateSurfaceFromFile(&g_SysBmp[row], file, 1, 32, 0, 0, nullptr, 0, 0, 0, 0), 0);
        ASSERT_EQ(DDCreateSurfaceFromFile(twin, file, 1, 32, 1, 0, lpDTCon ? &g_SysBmp[row] : nullptr, 0, 0, 0, 0), 0);
        if (lpDTCon) twin->lpMirrorSrc = &g_SysBmp[row];
        m_made.push_back(row);
        m_made.push_back(row + 18);
    }
    void MakeBlank(int row, int w, int h, int system, int memoryType, DDSURFACEDATA* shared) {
        DDSURFACEDATA* sd = &g_SysBmp[row];
        ASSERT_TRUE(DDCreateSurface(sd, w, h, 1, system, memoryType, lpDTCon ? shared : nullptr, 0)) << row;
        if (lpDTCon && shared) sd->lpMirrorSrc = shared;
        m_made.push_back(row);
    }
    // A 32 x 32 chara at giant scale `scale`.
    void Size(int scale) {
        chara.m_Def.m_cGiantScale = static_cast<int8_t>(scale);
        chara.m_nBaseSpriteW = chara.m_nBaseSpriteH = 32;
        chara.m_nSpriteW = chara.m_nSpriteH = 32 * scale;
    }
    CHIPSRC Src() { return GetChipSrc(1, 1, 0, 1, &chara, 0); }
    void Draw(int kind, double v) {
        chara.m_Effect.m_dValue = v;
        EXPECT_EQ(g_CharaEffectFuncs[kind](chara, &g_BackBufferSD, Src(), 1, 1), 0);
    }

    // Every pixel of the 320 x 320 area around the chara against
    // `expect` (x, y relative to the rectangle), a palette colour, with 0
    // meaning the background. Reports the first few differences.
    void ExpectPicture(const std::function<int(int, int)>& expect, const char* what) {
        cSurfaceLock lock(&g_BackBufferSD);
        ASSERT_TRUE(lock.Bits());
        ASSERT_EQ(lock.BytesPerPixel(), 4);
        int wrong = 0;
        for (int y = kT - 100; y < kT + 220; ++y) {
            for (int x = kL - 100; x < kL + 220; ++x) {
                int n = expect(x - kL, y - kT);
                if (n == 0) n = kBack;
                const uint32_t raw = RawAt(lock, x, y);
                if (raw != m_raw[n] && ++wrong <= 5)
                    ADD_FAILURE() << what << ": at (" << x - kL << ", " << y - kT << ") expected colour " << n;
            }
        }
    }
    // Whether the pixel shows the background.
    bool Untouched(int x, int y) { return orvtest::ReadLayerRaw(&g_BackBufferSD, x, y) == m_raw[kBack]; }
    // Every pixel outside [x0, x1) x [y0, y1) (screen) still the background.
    void ExpectOnlyInside(int x0, int y0, int x1, int y1, const std::string& what) {
        cSurfaceLock lock(&g_BackBufferSD);
        ASSERT_TRUE(lock.Bits());
        int wrong = 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                if (x >= x0 && x < x1 && y >= y0 && y < y1) continue;
                const uint32_t raw = RawAt(lock, x, y);
                if (raw != m_raw[kBack] && ++wrong <= 3)
                    ADD_FAILURE() << what << ": drawn at (" << x << ", " << y << ")";
            }
        }
    }
    // FNV-1a over the colour bytes of the whole back buffer.
    uint64_t Hash() {
        cSurfaceLock lock(&g_BackBufferSD);
        uint64_t h = 1469598103934665603u;
        if (!lock.Bits()) return 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const uint32_t raw = RawAt(lock, x, y);
                for (int b = 0; b < 3; ++b) h = (h ^ ((raw >> (8 * b)) & 0xFF)) * 1099511628211u;
            }
        }
        return h;
    }

    cChara chara;
    cCharaEffectData record;
    uint32_t m_raw[256] = {};

private:
    DDSURFACEDATA m_saved[kSysBmpCount];
    std::vector<int> m_made;
};

// The chip at scale s, relative to its rectangle; 0 outside.
int Scaled(int x, int y, int s) {
    if (x < 0 || y < 0 || x >= 32 * s || y >= 32 * s) return 0;
    return ChipColour(x / s, y / s);
}

TEST_P(EffectDrawTest, PlainChipIsKeyedAtItsRectangleAndStretchedForAGiant) {
    for (const int scale : {1, 2}) {
        Size(scale);
        DDFillSurface(&g_BackBufferSD, kBack);
        chara.m_Effect.m_dValue = 7;
        for (int frame = 0; frame < 3; ++frame)
            EXPECT_EQ(g_CharaEffectFuncs[0](chara, &g_BackBufferSD, Src(), 0, 1), 0) << "the plain drawing never ends";
        EXPECT_EQ(chara.m_Effect.m_dValue, 7);
        ExpectPicture([scale](int x, int y) { return Scaled(x, y, scale); }, "plain");
    }
}

TEST_P(EffectDrawTest, BlinkDrawsThePlainChipOnlyWhileTheToggleIsOn) {
    chara.m_Effect.m_nToggle = 0;
    Draw(6, 0);
    ExpectPicture([](int, int) { return 0; }, "blink off");
    chara.m_Effect.m_nToggle = 1;
    Draw(6, 0);
    ExpectPicture([](int x, int y) { return Scaled(x, y, 1); }, "blink on");
}

TEST_P(EffectDrawTest, BurstPushesTheQuartersApart) {
    for (const int scale : {1, 2}) {
        for (const int sw855 : {0, 1}) {
            Size(scale);
            g_SystemData.Set(kSysSwitch855, sw855);
            DDFillSurface(&g_BackBufferSD, kBack);
            Draw(1, 5.9);
            const int half = 16 * scale, push = 5 * scale;
            ExpectPicture(
                [&](int x, int y) {
                    // Undo the push of the quarter the pixel would be in.
                    const int qx = x < half ? x + push : x - push, qy = y < half ? y + push : y - push;
                    if ((x < half) != (qx < half) || (y < half) != (qy < half)) return 0;
                    return Scaled(qx, qy, scale);
                },
                "burst");
        }
    }
}

TEST_P(EffectDrawTest, InterlaceShiftsAlternateBandsAndBandCountZeroOrLessDrawsThePlainChip) {
    struct Case {
        int kind, bands;
        bool plain;
    };
    const Case cases[] = {{2, 0, true}, {3, 0, true}, {2, -3, true}, {2, 2, false}, {3, 2, false}, {2, 3, false}};
    for (const Case& c : cases) {
        record.m_nParam[3] = c.bands;
        DDFillSurface(&g_BackBufferSD, kBack);
        Draw(c.kind, 3);
        const std::string what = "kind " + std::to_string(c.kind) + " bands " + std::to_string(c.bands);
        if (c.plain) {
            ExpectPicture([](int x, int y) { return Scaled(x, y, 1); }, what.c_str());
            continue;
        }
        const int band = (32 + c.bands - 1) / c.bands;  // 16, or 11 for three bands
        const int whole = 32 / band * band;             // the rows the bands cover
        ExpectPicture(
            [&](int x, int y) {
                // Kind 2 moves rows sideways, kind 3 columns up and down.
                const int along = c.kind == 2 ? y : x;
                if (along < 0 || along >= whole) return 0;
                const int shift = along / band % 2 ? -3 : 3;
                return c.kind == 2 ? Scaled(x - shift, y, 1) : Scaled(x, y - shift, 1);
            },
            what.c_str());
    }
}

TEST_P(EffectDrawTest, ZoomGrowsAboutTheCentreAndNothingIsDrawnOnceTheSizeIsGone) {
    Draw(11, 96);  // 32 + 64: three times the size, moved 32 left and up
    ExpectPicture([](int x, int y) { return Scaled(x + 32, y + 32, 3); }, "zoom");
    DDFillSurface(&g_BackBufferSD, kBack);
    Draw(11, 32);
    ExpectPicture([](int x, int y) { return Scaled(x, y, 1); }, "zoom to the same size");
    for (const double v : {0.0, -40.0, -Huge()}) {
        DDFillSurface(&g_BackBufferSD, kBack);
        Draw(11, v);
        ExpectPicture([](int, int) { return 0; }, "zoom to nothing");
    }
}

TEST_P(EffectDrawTest, HalfAndColourChangeTouchOnlyTheChipRectangle) {
    record.m_nParam[3] = 0x132;  // colour 50 in the low byte
    for (const int kind : {13, 14}) {
        for (const int scale : {1, 2}) {
            for (const int sw855 : {0, 1}) {
                Size(scale);
                g_SystemData.Set(kSysSwitch855, sw855);
                chara.m_Effect.m_nToggle = 0;
                DDFillSurface(&g_BackBufferSD, kBack);
                Draw(kind, 2);
                const std::string what = "kind " + std::to_string(kind) + " scale " + std::to_string(scale) +
                                         " 855 " + std::to_string(sw855);
                const int side = 32 * scale;
                ExpectOnlyInside(kL, kT, kL + side, kT + side, what);
                // The chip's pixels changed, its transparent pixel did not.
                EXPECT_FALSE(Untouched(kL + 1, kT + 1)) << what;
                EXPECT_NE(orvtest::ReadLayerRaw(&g_BackBufferSD, kL + 1, kT + 1), m_raw[10]) << what;
                EXPECT_FALSE(Untouched(kL + side - 1, kT + side - 1)) << what;
                EXPECT_TRUE(Untouched(kL + 5 * scale, kT + 5 * scale)) << what;
            }
        }
    }
    // Translucency shows nothing while its toggle is on.
    chara.m_Effect.m_nToggle = 1;
    DDFillSurface(&g_BackBufferSD, kBack);
    Draw(14, 2);
    ExpectOnlyInside(0, 0, 0, 0, "translucency toggled off");
}

// The other effects: a picture that stays where the effect may draw, and
// a hash of the whole back buffer that fixes the picture.
TEST_P(EffectDrawTest, EveryOtherEffectDrawsItsPicture) {
    struct Case {
        int kind;
        double v;
        int p3, p4, scale, sw855;
        uint64_t hash[2];  // blit display, texture device
    };
    const Case cases[] = {
        {4, 4, 2, 2, 1, 0, {0xd752241c8a410f89u, 0xd752241c8a410f89u}},
        {5, 4, 1, 3, 2, 0, {0xd39741cdee65a9dbu, 0xd39741cdee65a9dbu}},
        {7, 30, 0, 0, 1, 0, {0x1f9b62faa01f7084u, 0x1507f5cfd5f10b57u}},
        {7, 45, 0, 0, 2, 0, {0x46816053994975cbu, 0xe5ea65e13549733au}},
        {8, 90, 0, 0, 1, 0, {0xd9db235e2d8f7057u, 0x78d62163f9bab82fu}},
        {8, 200, 0, 0, 2, 0, {0xfbf805a669b87049u, 0xa0a1b92a97f40b51u}},
        {9, 5, 0, 0, 1, 0, {0x2439699ce09155e7u, 0xa60f39d0b88dd20au}},
        {9, 20, 0, 0, 2, 0, {0x924f6d297a7e3f03u, 0xf315666207f60c17u}},
        {10, 12, 2, 0, 1, 0, {0x8c395b2afc66f623u, 0x8c395b2afc66f623u}},
        {10, 12, 1, 0, 2, 0, {0x4795d9ef915ed36fu, 0x4795d9ef915ed36fu}},
        {12, 40, 4, -3, 1, 0, {0xe7195b7a69ccfcbfu, 0xe7195b7a69ccfcbfu}},
        {12, 40, 4, -3, 1, 1, {0xe7195b7a69ccfcbfu, 0xe7195b7a69ccfcbfu}},
        {12, 60, 2, 2, 2, 0, {0xf50c2383fb6d4112u, 0xf50c2383fb6d4112u}},
        {15, 8, 0, 0, 1, 0, {0x4b30ccf30056d6c3u, 0x4711ce8444785183u}},
        {15, 8, 0, 0, 2, 1, {0x92280cc68b555203u, 0x382aa862b2687b83u}},
        {16, 3, 0, 0, 1, 0, {0x7f66c57686c427e2u, 0x7f66c57686c427e2u}},
        {16, 3, 0, 0, 2, 1, {0xbaedc044097b3c80u, 0xbaedc044097b3c80u}},
    };
    const uint64_t empty = Hash();
    for (const Case& c : cases) {
        Size(c.scale);
        record.m_nParam[3] = c.p3;
        record.m_nParam[4] = c.p4;
        g_SystemData.Set(kSysSwitch855, c.sw855);
        chara.m_Effect.m_nCounter = 30;
        DDFillSurface(&g_BackBufferSD, kBack);
        Draw(c.kind, c.v);
        const std::string what = "kind " + std::to_string(c.kind) + " v " + std::to_string(c.v) + " scale " +
                                 std::to_string(c.scale) + " 855 " + std::to_string(c.sw855);
        const uint64_t hash = Hash();
        EXPECT_NE(hash, empty) << what << ": nothing drawn";
        EXPECT_EQ(hash, c.hash[GetParam()]) << what << std::hex << " hash 0x" << hash;
        // Within two sprite sizes of the rectangle (the lens and the
        // rotation reach past it).
        const int side = 32 * c.scale;
        ExpectOnlyInside(kL - 2 * side, kT - 2 * side, kL + 3 * side, kT + 3 * side, what);
    }
}

TEST_P(EffectDrawTest, FlipAndRotationKeepTheirGeometry) {
    // A quarter turn clockwise takes the top-left quarter to the top right.
    Draw(8, 90);
    EXPECT_EQ(orvtest::ReadLayerRaw(&g_BackBufferSD, kL + 24, kT + 8), m_raw[10]);
    EXPECT_EQ(orvtest::ReadLayerRaw(&g_BackBufferSD, kL + 8, kT + 24), m_raw[13]);
    DDFillSurface(&g_BackBufferSD, kBack);
    Draw(9, 0);
    ExpectPicture([](int x, int y) { return Scaled(x, y, 1); }, "flip at phase 0");
    DDFillSurface(&g_BackBufferSD, kBack);
    Draw(9, 32);  // a full half turn: the other facing, unsqueezed
    ExpectPicture(
        [](int x, int y) {
            const int n = Scaled(x, y, 1);
            return n ? n + 20 : 0;
        },
        "flip at phase 32");
}

// The flash colour of an invincible chara exists only under the texture
// device: every way an effect reaches the chip keeps it.
TEST_P(EffectDrawTest, TheColourRecordTintsEveryPath) {
    if (!lpDTCon) GTEST_SKIP() << "no colour record on the blit display";
    record.m_nParam[3] = 2;
    const int kinds[] = {0, 1, 2, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    for (const int kind : kinds) {
        for (const int scale : {1, 2}) {
            for (const int sw855 : {0, 1}) {
                Size(scale);
                g_SystemData.Set(kSysSwitch855, sw855);
                // Colour change and translucency keep no colour on a
                // stretched chip outside the prepared path, and the burst
                // drops it there too; the prepared translucency has none.
                if (sw855 && scale == 2 && (kind == 1 || kind == 13 || kind == 14)) continue;
                if (!sw855 && kind == 14) continue;
                const std::string what = "kind " + std::to_string(kind) + " scale " + std::to_string(scale) +
                                         " 855 " + std::to_string(sw855);
                CHIPSRC src = Src();
                uint64_t hash[2];
                for (const int tinted : {0, 1}) {
                    src.colorFlag = tinted;
                    src.color.argb = 0xFF602000;
                    src.color.op = plat::kTopAdd;
                    DDFillSurface(&g_BackBufferSD, kBack);
                    chara.m_Effect.m_dValue = kind == 11 ? 40 : 2;
                    g_CharaEffectFuncs[kind](chara, &g_BackBufferSD, src, 1, 1);
                    hash[tinted] = Hash();
                    const int side = 32 * scale;
                    ExpectOnlyInside(kL - 2 * side, kT - 2 * side, kL + 3 * side, kT + 3 * side, what);
                }
                EXPECT_NE(hash[0], hash[1]) << what;
                EXPECT_EQ(lpDTCon->dwVertexColor, 0xFFFFFFFFu) << what << ": the colour is reset";
            }
        }
    }
}

// Values no editor writes: the drawing stays inside every surface (the
// sanitizers watch) and the frame ends.
TEST_P(EffectDrawTest, HostileValuesDrawWithoutLeavingTheSurfaces) {
    const double values[] = {-1e300, -100, -1, 0, 1e9, Huge(), -Huge(), std::nan("")};
    const int params[] = {std::numeric_limits<int>::min(), -70000, 0, 9, 300000, std::numeric_limits<int>::max()};
    for (int kind = 0; kind < kCharaEffectKinds; ++kind) {
        for (const int scale : {1, 3}) {
            Size(scale);
            for (const double v : values) {
                for (const int p : params) {
                    record.m_nParam[1] = record.m_nParam[3] = p;
                    record.m_nParam[4] = -p / 2;
                    chara.m_Effect.m_nToggle = kind == 6 ? 1 : 0;
                    chara.m_Effect.m_nCounter = p;
                    g_SystemData.Set(kSysSwitch855, p & 1);
                    Draw(kind, v);
                }
            }
        }
    }
    // A rectangle at the far edges of the screen and beyond.
    Size(2);
    record.m_nParam[3] = 5;
    for (const int at : {-100000, -40, 630, 100000}) {
        chara.m_nScreenL = chara.m_nScreenT = at;
        for (int kind = 0; kind < kCharaEffectKinds; ++kind) Draw(kind, 20);
    }
}

INSTANTIATE_TEST_SUITE_P(BothDisplays, EffectDrawTest, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& p) {
                             return std::string(p.param ? "TextureDevice" : "BlitDisplay");
                         });

}  // namespace

// The stage draws its charas inside a sorted draw layer: every effect must
// show the same picture there as drawn straight away, so what an effect
// prepares in a work surface is there before the effect reads it.
TEST_P(EffectDrawTest, EveryEffectDrawsAlikeInsideADrawLayer) {
    record.m_nParam[1] = 2;
    record.m_nParam[3] = 2;
    record.m_nParam[4] = 1;
    for (const int scale : {1, 2}) {
        for (const int sw855 : {0, 1}) {
            Size(scale);
            g_SystemData.Set(kSysSwitch855, sw855);
            for (int kind = 1; kind < kCharaEffectKinds; ++kind) {
                const double v = kind == 11 ? 40 : 6;
                const std::string what = "kind " + std::to_string(kind) + " scale " + std::to_string(scale) +
                                         " 855 " + std::to_string(sw855);
                chara.m_Effect.m_nCounter = 30;
                chara.m_Effect.m_nToggle = 0;
                DDFillSurface(&g_BackBufferSD, kBack);
                for (int row = 68; row <= 71; ++row) DDFillSurface(&g_SysBmp[row], 5);
                Draw(kind, v);
                const uint64_t straight = Hash();
                chara.m_Effect.m_nCounter = 30;
                chara.m_Effect.m_nToggle = 0;
                DDFillSurface(&g_BackBufferSD, kBack);
                // Nothing of the first drawing may stand in for the second.
                for (int row = 68; row <= 71; ++row) DDFillSurface(&g_SysBmp[row], 5);
                DDBeginLayer(1);
                Draw(kind, v);
                DDEndLayer();
                EXPECT_EQ(Hash(), straight) << what;
            }
        }
    }
}
