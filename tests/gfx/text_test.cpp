// Sheet text, points, circles, dialog mode and the layer's message box,
// over the five display variants.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "core/gfx_link.h"
#include "core/message_box.h"
#include "gfx/dd.h"
#include "gfx/dd_text.h"
#include "gfx_fixture.h"
#include "platform/presenter.h"
#include "platform/testing.h"

using gfxtest::Variant;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
constexpr int kCellW = 8, kCellH = 16;

uint32_t Rgb(DDSURFACEDATA* sd, int x, int y) { return gfxtest::ReadArgb(sd, x, y) & 0xFFFFFF; }

// A keyed sheet of 16 x 10 cells of 8 x 16, all green.
class TextTest : public gfxtest::GfxTest {
protected:
    DDSURFACEDATA sheet;
    void SetUp() override {
        gfxtest::GfxTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_TRUE(DDCreateSurface(&sheet, 16 * kCellW, 10 * kCellH, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
        DDFillSurface(&sheet, 4);
        DDFillSurface(&g_BackBufferSD, 5);
    }
    void TearDown() override {
        DDReleaseSurface(&sheet);
        gfxtest::GfxTest::TearDown();
    }
    void PaintCell(int column, int row, uint32_t colorNumber) {
        DDFillRect(&sheet, column * kCellW, row * kCellH, kCellW, kCellH, colorNumber);
    }
    void Text(int x, int y, const std::string& text) {
        DDBmpTextOut(&g_BackBufferSD, x, y, kCellW, kCellH, &sheet, text.c_str());
    }
};

int CursorCount() {
    const int count = plat::ShowCursorCount(true) - 1;
    plat::ShowCursorCount(false);
    return count;
}

}  // namespace

TEST_P(TextTest, EachByteTakesItsCellThroughTheKey) {
    struct Case {
        uint8_t byte;
        int column, row;  // row -1: below the sheet, nothing drawn
    };
    const Case cases[] = {
        {'A', 1, 4},   {0xB1, 1, 1},   {0xC0, 0, 8},   {0xA6, 6, 0},  {0xBF, 15, 1}, {0xDD, 13, 9},
        {' ', 0, 2},   {0x7F, 15, 7},  {0x05, 5, 0},   {0x9A, 10, 9}, {0xA0, 0, -1}, {0xA5, 5, -1},
        {0xDE, 14, -1}, {0xFF, 15, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        int column = -1, row = -1;
        DDBmpCharCell(c.byte, &column, &row);
        EXPECT_EQ(column, c.column);
        if (c.row >= 0) {
            EXPECT_EQ(row, c.row);
        }

        DDFillSurface(&sheet, 4);
        if (c.row >= 0) {
            PaintCell(c.column, c.row, 3);
            DDFillRect(&sheet, c.column * kCellW + 3, c.row * kCellH + 5, 1, 1, 0);  // a keyed pixel
        }
        DDFillSurface(&g_BackBufferSD, 5);
        Text(40, 24, std::string(1, static_cast<char>(c.byte)));
        if (c.row >= 0) {
            EXPECT_EQ(Rgb(&g_BackBufferSD, 40, 24), kRed);
            EXPECT_EQ(Rgb(&g_BackBufferSD, 47, 39), kRed);
            EXPECT_EQ(Rgb(&g_BackBufferSD, 43, 29), kBlue);
        } else {
            EXPECT_EQ(Rgb(&g_BackBufferSD, 40, 24), kBlue);
            EXPECT_EQ(Rgb(&g_BackBufferSD, 47, 39), kBlue);
        }
        EXPECT_EQ(Rgb(&g_BackBufferSD, 48, 24), kBlue);
        EXPECT_EQ(Rgb(&g_BackBufferSD, 40, 40), kBlue);
    }
}

TEST_P(TextTest, LinesBreakAtNewlinesAndAtTheScreenWidth) {
    PaintCell(1, 4, 3);  // 'A' red
    PaintCell(2, 4, 1);  // 'B' white
    Text(16, 32, "AB\nA");
    EXPECT_EQ(Rgb(&g_BackBufferSD, 16, 32), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 24, 32), kWhite);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 16, 48), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 24, 48), kBlue);

    // 80 cells fill the 640-pixel screen; the line starts at x = 8, so its
    // last cell falls off the right edge and the 81st character goes on one
    // line lower at x.
    Text(8, 100, std::string(80, 'A') + "B");
    EXPECT_EQ(Rgb(&g_BackBufferSD, 8, 100), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 639, 100), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 8, 116), kWhite);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 0, 116), kBlue);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 16, 116), kBlue);

    // Degenerate cells and lines far below the surface draw nothing.
    DDBmpTextOut(&g_BackBufferSD, 0, 200, 0, kCellH, &sheet, "A");
    DDBmpTextOut(&g_BackBufferSD, 0, 200, kCellW, -kCellH, &sheet, "A");
    DDBmpTextOut(&g_BackBufferSD, INT_MAX, INT_MAX - 1, INT_MAX, INT_MAX, &sheet, "AAAA\n\n\nA");
    DDBmpTextOut(&g_BackBufferSD, 0, 200, kCellW, kCellH, &sheet, nullptr);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 0, 200), kBlue);
}

TEST_P(TextTest, PrintfFormatsIntoABoundedBufferAndTheOverlayUsesIt) {
    PaintCell(1, 4, 3);  // 'A' red
    PaintCell(2, 4, 1);  // 'B' white
    DDBmpPrintf(&g_BackBufferSD, 0, 0, kCellW, kCellH, &sheet, "%c%s", 'A', "B");
    EXPECT_EQ(Rgb(&g_BackBufferSD, 0, 0), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 8, 0), kWhite);

    // 255 characters are drawn: the last at cell 254 (line 3, column 14).
    DDFillSurface(&g_BackBufferSD, 5);
    DDBmpPrintf(&g_BackBufferSD, 0, 0, kCellW, kCellH, &sheet, "%s", std::string(300, 'A').c_str());
    EXPECT_EQ(Rgb(&g_BackBufferSD, 14 * kCellW, 3 * kCellH), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 15 * kCellW, 3 * kCellH), kBlue);

    // The frame-rate overlay of runtime support draws onto the back buffer.
    DDFillSurface(&g_BackBufferSD, 5);
    ASSERT_NE(GfxLink().bmpPrintf, nullptr);
    GfxLink().bmpPrintf(&sheet, 0, 16, kCellW, kCellH, "A\nB");
    EXPECT_EQ(Rgb(&g_BackBufferSD, 0, 16), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 0, 32), kWhite);
}

TEST_P(TextTest, PixelsLandOnlyInsideTheSurface) {
    DDFillSurface(&g_BackBufferSD, 2);
    struct Case {
        int x, y;
        int checkX, checkY;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0, kRed},           {639, 479, 639, 479, kRed},   {640, 0, 639, 0, kBlack},
        {0, 480, 0, 479, kBlack},     {-1, 5, 0, 5, kBlack},        {5, -1, 5, 0, kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        DDPutPixel(&g_BackBufferSD, c.x, c.y, 3);
        EXPECT_EQ(Rgb(&g_BackBufferSD, c.checkX, c.checkY), c.expected);
    }
    EXPECT_EQ(Rgb(&g_BackBufferSD, 1, 0), kBlack);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 0, 1), kBlack);

    // A surface's own size bounds it, not the screen's.
    DDSURFACEDATA small;
    ASSERT_TRUE(DDCreateSurface(&small, 16, 16, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    DDFillSurface(&small, 2);
    DDPutPixel(&small, 15, 15, 4);
    DDPutPixel(&small, 16, 3, 4);
    EXPECT_EQ(Rgb(&small, 15, 15), kGreen);
    EXPECT_EQ(Rgb(&small, 15, 3), kBlack);
    DDReleaseSurface(&small);
}

TEST_P(TextTest, CircleOutlinesFollowTheMidpointRule) {
    // Radius 3 about (20, 20): (0, 3), (1, 3) and (2, 2) in all eight
    // octants, 16 points.
    auto onCircle3 = [](int dx, int dy) {
        const int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
        return (ax == 0 && ay == 3) || (ax == 3 && ay == 0) || (ax == 1 && ay == 3) || (ax == 3 && ay == 1) ||
               (ax == 2 && ay == 2);
    };
    auto onCircle1 = [](int dx, int dy) { return (dx == 0) != (dy == 0) && dx * dx + dy * dy == 1; };
    struct Case {
        int radius;
        bool (*on)(int, int);
    };
    const Case cases[] = {
        {3, +onCircle3},
        {1, +onCircle1},
        {0, [](int, int) { return false; }},
        {-4, [](int, int) { return false; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radius);
        DDFillSurface(&g_BackBufferSD, 2);
        DDCircle(&g_BackBufferSD, 20, 20, c.radius, 3);
        for (int dy = -4; dy <= 4; ++dy) {
            for (int dx = -4; dx <= 4; ++dx) {
                EXPECT_EQ(Rgb(&g_BackBufferSD, 20 + dx, 20 + dy), c.on(dx, dy) ? kRed : kBlack) << dx << "," << dy;
            }
        }
    }

    // Cut by the surface edge: the points that fall on it are drawn.
    DDFillSurface(&g_BackBufferSD, 2);
    DDCircle(&g_BackBufferSD, 1, 1, 3, 3);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 4, 1), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 0, 4), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 1, 1), kBlack);

    // Radii far beyond the screen: only the part on the surface costs
    // anything. A circle from far left whose edge passes x = 5 draws that
    // column from top to bottom.
    DDFillSurface(&g_BackBufferSD, 2);
    DDCircle(&g_BackBufferSD, 320, 240, INT_MAX, 3);
    DDCircle(&g_BackBufferSD, INT_MIN, 240, INT_MAX, 3);
    DDCircle(&g_BackBufferSD, INT_MAX, INT_MAX, INT_MAX, 3);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 0, 0), kBlack);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 639, 240), kBlack);
    DDCircle(&g_BackBufferSD, -1000000000, 240, 1000000005, 3);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 0), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 240), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 5, 479), kRed);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 4, 240), kBlack);
    EXPECT_EQ(Rgb(&g_BackBufferSD, 6, 240), kBlack);
}

TEST_P(TextTest, InAWindowDialogModeChangesNothingAndBoxesComeFromTheDesktop) {
    const int before = CursorCount();
    EXPECT_EQ(DDSetDialogMode(1), 1);
    EXPECT_EQ(CursorCount(), before);
    EXPECT_EQ(DDSetDialogMode(0), 1);
    EXPECT_EQ(CursorCount(), before);

    plat::testing::ClearDialogScript();
    plat::testing::ClearDialogTranscript();
    plat::testing::ScriptDialogAnswer("msgbox", plat::kIdNo);
    EXPECT_EQ(ShowMessageBox("本文", "見出し", plat::kMbYesNo), plat::kIdNo);
}

INSTANTIATE_TEST_SUITE_P(Variants, TextTest, gfxtest::AllVariants(), gfxtest::VariantName);

// ---------------------------------------------------------------------------
// Full screen

namespace {

class FullScreenTextTest : public ::testing::TestWithParam<Variant> {
protected:
    orvtest::ScopedTempFolder tmp;
    void SetUp() override {
        plat::testing::ClearDialogScript();
        plat::testing::ClearDialogTranscript();
        gfxtest::StartOptions options;
        options.windowMode = 0;
        ASSERT_TRUE(gfxtest::StartLayer(GetParam(), options));
    }
    void TearDown() override {
        gfxtest::StopLayer();
        while (plat::ShowCursorCount(true) < 0) {
        }
    }
};

}  // namespace

TEST_P(FullScreenTextTest, DialogModeShowsTheCursorAndHidesItAgain) {
    EXPECT_LT(CursorCount(), 0);
    EXPECT_EQ(DDSetDialogMode(1), 1);
    EXPECT_GE(CursorCount(), 0);
    EXPECT_EQ(DDSetDialogMode(1), 1);
    // One leave hides the cursor however often it was shown.
    EXPECT_EQ(DDSetDialogMode(0), 1);
    EXPECT_LT(CursorCount(), 0);
}

TEST_P(FullScreenTextTest, BoxesGoThroughTheLayersBoxWhichReturnsOne) {
    plat::testing::ScriptDialogAnswer("msgbox", plat::kIdNo);
    // The button chosen is not passed on: the layer's box says only that it
    // was shown.
    EXPECT_EQ(ShowMessageBox("本文", "見出し", plat::kMbYesNo), 1);
    const auto transcript = plat::testing::DialogTranscript();
    ASSERT_EQ(transcript.size(), 1u);
    EXPECT_EQ(transcript[0].text, "本文");
    EXPECT_EQ(transcript[0].caption, "見出し");
    EXPECT_EQ(transcript[0].answer, plat::kIdNo);
    EXPECT_LT(CursorCount(), 0);

    EXPECT_EQ(DDMesBox(nullptr, nullptr, plat::kMbOk), 1);
    EXPECT_EQ(plat::testing::DialogTranscript().size(), 2u);
}

TEST_P(FullScreenTextTest, WithoutATextureDeviceNoBoxIsShown) {
    if (!gfxtest::IsD3D(GetParam())) GTEST_SKIP() << "texture device only";
    auto device = std::move(lpDevice);
    EXPECT_EQ(DDSetDialogMode(1), 0);
    EXPECT_EQ(DDMesBox("本文", "見出し", plat::kMbOk), 0);
    EXPECT_EQ(ShowMessageBox("本文", "見出し", plat::kMbOk), 0);
    lpDevice = std::move(device);
    EXPECT_TRUE(plat::testing::DialogTranscript().empty());
}

INSTANTIATE_TEST_SUITE_P(Variants, FullScreenTextTest, gfxtest::AllVariants(), gfxtest::VariantName);
