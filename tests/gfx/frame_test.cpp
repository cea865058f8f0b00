// Frames, framed windows, digit numbers and the wave, interlace, flip and
// burst blits, over the five display variants.
#include <gtest/gtest.h>

#include <deque>
#include <limits>
#include <string>

#include "gfx/dd.h"
#include "gfx/dd_frame.h"
#include "gfx/dd_layer.h"
#include "gfx_fixture.h"

using gfxtest::Variant;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u;

class FrameTest : public gfxtest::SheetTest {
protected:
    void SetUp() override {
        gfxtest::SheetTest::SetUp();
        DDFillSurface(&g_BackBufferSD, 2);
    }
    // A picture in which every pixel of a 32 x 32 area differs.
    DDSURFACEDATA* Pattern(int width = 32, int height = 32) {
        return Sheet("pattern.bmp", width, height, 0, [](int x, int y) { return 6 + (x + 7 * y) % 200; });
    }
    static uint32_t At(int x, int y) { return gfxtest::ReadArgb(&g_BackBufferSD, x, y); }
    static uint32_t Src(DDSURFACEDATA* sd, int x, int y) { return gfxtest::ReadArgb(sd, x, y); }

    // Expects the back buffer's area (x0, y0, w, h) to show `picture` moved
    // by (dx, dy): pixel (x, y) of the area shows picture (x - dx, y - dy)
    // where that lies in the picture's (sx, sy, sw, sh), black elsewhere.
    void ExpectShifted(DDSURFACEDATA* picture, int x0, int y0, int w, int h, int sx, int sy, int sw, int sh, int dx,
                       int dy) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) {
                const int px = x - dx, py = y - dy;
                const bool inside = px >= sx && px < sx + sw && py >= sy && py < sy + sh;
                ASSERT_EQ(At(x, y), inside ? Src(picture, px, py) : kBlack) << x << "," << y;
            }
    }

};

}  // namespace

TEST_P(FrameTest, FrameColoursOnlyTheBorderInsideItsRectangle) {
    for (int thickness : {1, 2}) {
        SCOPED_TRACE(thickness);
        DDFillSurface(&g_BackBufferSD, 2);
        DDDrawFrame(&g_BackBufferSD, 20, 30, 10, 10, thickness, 3);
        int coloured = 0;
        for (int y = 28; y < 42; ++y)
            for (int x = 18; x < 32; ++x) {
                const bool inside = x >= 20 && x < 30 && y >= 30 && y < 40;
                const bool border = inside && (x < 20 + thickness || x >= 30 - thickness || y < 30 + thickness ||
                                               y >= 40 - thickness);
                EXPECT_EQ(At(x, y), border ? kRed : kBlack) << x << "," << y;
                coloured += border;
            }
        EXPECT_EQ(coloured, thickness == 1 ? 36 : 64);
    }
}

TEST_P(FrameTest, FrameInsideAnOpenFillBatchKeepsTheFillsWaitingThere) {
    DDBeginFillBatch();
    DDFillRect(&g_BackBufferSD, 0, 0, 8, 8, 4);
    DDDrawFrame(&g_BackBufferSD, 4, 4, 8, 8, 1, 3);
    DDFillRect(&g_BackBufferSD, 10, 10, 4, 4, 5);
    DDEndFillBatch();
    EXPECT_EQ(At(1, 1), kGreen);
    EXPECT_EQ(At(4, 4), kRed);  // the frame came after the first fill
    EXPECT_EQ(At(5, 5), kGreen);
    EXPECT_EQ(At(11, 11), 0xFF0000FFu);
}

TEST_P(FrameTest, FramedWindowIsTheKeyedSourceWithABorderJustOutside) {
    // Source 16 x 8 from (0, 0): column 0 transparent, the rest green.
    DDSURFACEDATA* window = Sheet("window.bmp", 24, 12, 1, [](int x, int y) { return x == 0 ? 0 : y < 8 ? 4 : 5; });
    DDBltWithFrame(&g_BackBufferSD, 10, 10, 16, 8, window, 2, 3);
    for (int y = 6; y < 22; ++y)
        for (int x = 6; x < 30; ++x) {
            const bool picture = x >= 10 && x < 26 && y >= 10 && y < 18;
            const bool border = !picture && x >= 8 && x < 28 && y >= 8 && y < 20;
            const uint32_t expected = border ? kRed : picture && x > 10 ? kGreen : kBlack;
            ASSERT_EQ(At(x, y), expected) << x << "," << y;
        }
}

TEST_P(FrameTest, NumbersAreRightAlignedOrCentredInTheirMinimumDigits) {
    // Digit d of the strip is colour 6 + d; cells 16 x 16 from (0, 16).
    DDSURFACEDATA* strip = Sheet("digits.bmp", 160, 32, 0, [](int x, int y) { return y < 16 ? 1 : 6 + x / 16; });
    struct Case {
        int value, minDigits, centre;
        const char* cells;  // what each of the six cells from x shows: a digit or '.'
    };
    const Case cases[] = {
        {7, 3, 0, "..7..."},    {7, 3, 1, ".7...."},   {1234, 3, 0, "1234.."}, {0, 1, 0, "0....."},
        {0, 0, 0, "0....."},    {40, 4, 1, ".40..."}, {-5, 2, 0, ".0...."}, {905, 6, 0, "...905"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        DDFillSurface(&g_BackBufferSD, 2);
        DDDrawNumber(&g_BackBufferSD, 100, 50, 16, 16, strip, 0, 16, DDBLT_OPAQUE, c.value, c.minDigits, c.centre);
        for (int i = 0; i < 6; ++i) {
            const char cell = c.cells[i];
            for (int j : {0, 15}) {
                const uint32_t expected = cell == '.' ? kBlack : Src(strip, 16 * (cell - '0') + j, 16 + j);
                EXPECT_EQ(At(100 + 16 * i + j, 50 + j), expected) << "cell " << i;
            }
        }
        EXPECT_EQ(At(99, 50), kBlack);
        EXPECT_EQ(DDLayerDepth(), 0);
    }
    // Centring an odd number of cells leaves the half cell's remainder out.
    DDFillSurface(&g_BackBufferSD, 2);
    DDDrawNumber(&g_BackBufferSD, 100, 50, 15, 16, strip, 0, 16, DDBLT_OPAQUE, 7, 2, 1);
    EXPECT_EQ(At(106, 50), kBlack);
    EXPECT_EQ(At(107, 50), Src(strip, 105, 16));
    EXPECT_EQ(At(121, 50), Src(strip, 119, 16));
    EXPECT_EQ(At(122, 50), kBlack);
}

TEST_P(FrameTest, WaveMovesEachBandByTheSineOfItsAngle) {
    DDSURFACEDATA* picture = Pattern();
    // Band 0 draws nothing; amplitude 0 draws the picture unchanged.
    DDBltWave(&g_BackBufferSD, 100, 100, 32, 32, 1, 10.0, 0, 0, picture, 0, 0, DDBLT_OPAQUE, DDAXIS_VERTICAL);
    ExpectShifted(picture, 90, 90, 52, 52, 0, 0, 0, 0, 0, 0);
    for (int axis : {DDAXIS_VERTICAL, DDAXIS_HORIZONTAL}) {
        DDBltWave(&g_BackBufferSD, 100, 100, 32, 32, 3, 0.0, 45, 1, picture, 0, 0, DDBLT_OPAQUE, axis);
        ExpectShifted(picture, 90, 90, 52, 52, 0, 0, 32, 32, 100, 100);
    }

    // Four columns, one period: angles 90, 180, 270, 360 give offsets 10,
    // 0, -10, 0 (sin 180 and sin 360 are a hair off zero and truncate to 0).
    struct Case {
        int axis, band, phase;
        int offsets[4];  // per column (axis 1) or row (axis 0)
    };
    const Case cases[] = {
        {DDAXIS_VERTICAL, 1, 0, {10, 0, -10, 0}},
        {DDAXIS_HORIZONTAL, 1, 0, {10, 0, -10, 0}},
        {DDAXIS_VERTICAL, 1, 90, {0, -10, 0, 10}},
        // Bands of 3: one band at 270 degrees, the last (1 wide) at 540.
        {DDAXIS_VERTICAL, 3, 0, {-10, -10, -10, 0}},
    };
    DDSURFACEDATA* small = Sheet("small.bmp", 4, 4, 0, [](int x, int y) { return 6 + x + 4 * y; });
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.axis << "/" << c.band << "/" << c.phase);
        DDFillSurface(&g_BackBufferSD, 2);
        DDBltWave(&g_BackBufferSD, 100, 100, 4, 4, 1, 10.0, c.phase, c.band, small, 0, 0, DDBLT_OPAQUE, c.axis);
        for (int i = 0; i < 4; ++i) {
            if (c.axis == DDAXIS_VERTICAL)
                ExpectShifted(small, 100 + i, 85, 1, 34, i, 0, 1, 4, 100, 100 + c.offsets[i]);
            else
                ExpectShifted(small, 85, 100 + i, 34, 1, 0, i, 4, 1, 100 + c.offsets[i], 100);
        }
    }
}

TEST_P(FrameTest, InterlacePushesAlternateBandsApartAndDropsTheRemainder) {
    DDSURFACEDATA* picture = Sheet("wide.bmp", 100, 100, 0, [](int x, int y) { return 6 + (x + 3 * y) % 200; });
    // Band 0: a plain blit.
    DDBltInterlace(&g_BackBufferSD, 200, 100, 100, 100, 0, 5, picture, 0, 0, DDBLT_OPAQUE, DDAXIS_VERTICAL);
    ExpectShifted(picture, 190, 90, 120, 120, 0, 0, 100, 100, 200, 100);

    // Width 100 in bands of 30: three bands, even ones down, odd one up;
    // the last 10 columns are not drawn.
    DDFillSurface(&g_BackBufferSD, 2);
    DDBltInterlace(&g_BackBufferSD, 200, 100, 100, 100, 30, 5, picture, 0, 0, DDBLT_OPAQUE, DDAXIS_VERTICAL);
    ExpectShifted(picture, 200, 90, 30, 120, 0, 0, 30, 100, 200, 105);
    ExpectShifted(picture, 230, 90, 30, 120, 30, 0, 30, 100, 200, 95);
    ExpectShifted(picture, 260, 90, 30, 120, 60, 0, 30, 100, 200, 105);
    ExpectShifted(picture, 290, 90, 20, 120, 0, 0, 0, 0, 0, 0);

    // Rows: even bands right, odd bands left.
    DDFillSurface(&g_BackBufferSD, 2);
    DDBltInterlace(&g_BackBufferSD, 200, 100, 100, 100, 40, 3, picture, 0, 0, DDBLT_OPAQUE, DDAXIS_HORIZONTAL);
    ExpectShifted(picture, 190, 100, 120, 40, 0, 0, 100, 40, 203, 100);
    ExpectShifted(picture, 190, 140, 120, 40, 0, 40, 100, 40, 197, 100);
    ExpectShifted(picture, 190, 180, 120, 20, 0, 0, 0, 0, 0, 0);
}

TEST_P(FrameTest, FlipSqueezesATriangleWaveAndSwapsPictures) {
    // A red, B green; 16 x 32 onto 16 x 32.
    DDSURFACEDATA* a = Sheet("a.bmp", 16, 32, 0, [](int, int) { return 3; });
    DDSURFACEDATA* b = Sheet("b.bmp", 16, 32, 0, [](int, int) { return 4; });
    struct Case {
        int axis, phase;
        bool showsB;
        int squeeze;
    };
    const Case cases[] = {
        {DDAXIS_VERTICAL, 0, false, 0},    {DDAXIS_VERTICAL, 15, false, 15}, {DDAXIS_VERTICAL, 16, true, 15},
        {DDAXIS_VERTICAL, 20, true, 11},   {DDAXIS_VERTICAL, 31, true, 0},   {DDAXIS_VERTICAL, 47, true, 15},
        {DDAXIS_VERTICAL, 48, false, 15},  {DDAXIS_VERTICAL, 64, false, 0},  {DDAXIS_HORIZONTAL, 0, false, 0},
        {DDAXIS_HORIZONTAL, 7, false, 7},  {DDAXIS_HORIZONTAL, 8, true, 7},  {DDAXIS_HORIZONTAL, 15, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.axis << "/" << c.phase);
        DDFillSurface(&g_BackBufferSD, 2);
        DDBltFlip(&g_BackBufferSD, 100, 100, 16, 32, a, 0, 0, b, 0, 0, 16, 32, DDBLT_OPAQUE, c.phase, c.axis);
        const uint32_t colour = c.showsB ? kGreen : kRed;
        for (int y = 98; y < 134; ++y)
            for (int x = 98; x < 118; ++x) {
                bool inside = x >= 100 && x < 116 && y >= 100 && y < 132;
                if (c.axis == DDAXIS_VERTICAL)
                    inside = inside && y >= 100 + c.squeeze && y < 132 - c.squeeze;
                else
                    inside = inside && x >= 100 + c.squeeze && x < 116 - c.squeeze;
                ASSERT_EQ(At(x, y), inside ? colour : kBlack) << x << "," << y;
            }
    }

    // Another axis draws nothing; a size below 2 on the squeezed axis
    // shows A as it is.
    DDFillSurface(&g_BackBufferSD, 2);
    DDBltFlip(&g_BackBufferSD, 100, 100, 16, 32, a, 0, 0, b, 0, 0, 16, 32, DDBLT_OPAQUE, 3, 2);
    EXPECT_EQ(At(108, 116), kBlack);
    DDBltFlip(&g_BackBufferSD, 100, 100, 16, 1, a, 0, 0, b, 0, 0, 16, 1, DDBLT_OPAQUE, 17, DDAXIS_VERTICAL);
    DDBltFlip(&g_BackBufferSD, 200, 100, 1, 8, a, 0, 0, b, 0, 0, 1, 8, DDBLT_OPAQUE, 5, DDAXIS_HORIZONTAL);
    EXPECT_EQ(At(108, 100), kRed);
    EXPECT_EQ(At(108, 101), kBlack);
    EXPECT_EQ(At(200, 107), kRed);
    EXPECT_EQ(At(201, 107), kBlack);
}

TEST_P(FrameTest, BurstPushesTheQuartersApart) {
    DDSURFACEDATA* picture = Pattern();
    // Offset 0 with an odd size: the picture less its last column and row.
    DDBltBurst(&g_BackBufferSD, 100, 100, 31, 21, picture, 0, 0, 0, DDBLT_OPAQUE);
    ExpectShifted(picture, 95, 95, 45, 35, 0, 0, 30, 20, 100, 100);

    DDFillSurface(&g_BackBufferSD, 2);
    DDBltBurst(&g_BackBufferSD, 100, 100, 32, 32, picture, 0, 0, 4, DDBLT_OPAQUE);
    ExpectShifted(picture, 96, 96, 16, 16, 0, 0, 16, 16, 96, 96);
    ExpectShifted(picture, 112, 96, 24, 16, 16, 0, 16, 16, 104, 96);
    ExpectShifted(picture, 96, 112, 16, 24, 0, 16, 16, 16, 96, 104);
    ExpectShifted(picture, 112, 112, 24, 24, 16, 16, 16, 16, 104, 104);
}

TEST_P(FrameTest, ValuesNearTheIntLimitsPlacePiecesOffTheSurface) {
    // Every call below would overflow an int on its way to the blits; the
    // pieces land far off the back buffer and nothing is drawn.
    DDSURFACEDATA* picture = Pattern();
    DDSURFACEDATA* strip = Sheet("digits.bmp", 160, 16, 0, [](int x, int) { return 6 + x / 16; });
    constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
    DDBltInterlace(&g_BackBufferSD, 100, 100, 32, 32, 8, kMin, picture, 0, 0, DDBLT_OPAQUE, DDAXIS_VERTICAL);
    DDBltInterlace(&g_BackBufferSD, 100, 100, 32, 32, 8, kMin, picture, 0, 0, DDBLT_OPAQUE, DDAXIS_HORIZONTAL);
    DDBltBurst(&g_BackBufferSD, 100, 100, 32, 32, picture, 0, 0, kMin, DDBLT_OPAQUE);
    DDBltBurst(&g_BackBufferSD, -100, -100, 32, 32, picture, 0, 0, kMax, DDBLT_OPAQUE);
    DDBltWave(&g_BackBufferSD, 100, -100, 4, 4, 1, 1e300, 0, 1, picture, 0, 0, DDBLT_OPAQUE, DDAXIS_VERTICAL);
    DDBltWave(&g_BackBufferSD, 100, 100, 4, 4, 1, -1e300, 0, 1, picture, 0, 0, DDBLT_OPAQUE, DDAXIS_VERTICAL);
    DDDrawNumber(&g_BackBufferSD, 100, 100, 16, 16, strip, 0, 0, DDBLT_OPAQUE, 7, kMax, 0);
    DDDrawNumber(&g_BackBufferSD, kMax - 8, 100, 16, 16, strip, 0, 0, DDBLT_OPAQUE, 7, 2, 0);
    DDDrawFrame(&g_BackBufferSD, 100, kMax, 10, kMax, kMin, 3);
    DDBltWithFrame(&g_BackBufferSD, -100, -100, 8, 8, picture, kMax, 3);
    // A negative size on the squeezed axis: picture A unsqueezed, which is
    // nothing at all.
    DDBltFlip(&g_BackBufferSD, 100, 100, 16, -4, picture, 0, 0, picture, 0, 0, 16, 16, DDBLT_OPAQUE, 2,
              DDAXIS_VERTICAL);
    ExpectShifted(picture, 0, 0, 640, 480, 0, 0, 0, 0, 0, 0);

    // The largest phase turns as if the arithmetic had no end: A in full.
    DDBltFlip(&g_BackBufferSD, 100, 100, 16, 32, picture, 0, 0, strip, 0, 0, 16, 32, DDBLT_OPAQUE, kMax,
              DDAXIS_VERTICAL);
    ExpectShifted(picture, 90, 90, 40, 50, 0, 0, 16, 32, 100, 100);
}

INSTANTIATE_TEST_SUITE_P(Variants, FrameTest, gfxtest::AllVariants(), gfxtest::VariantName);
