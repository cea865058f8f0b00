#include "platform/blit_display.h"

#include <gtest/gtest.h>

#include "platform/picture_testing.h"
#include "platform/presenter.h"

namespace {

using plat::BlitDisplay;
using plat::BlitResult;
using plat::BlitSurface;
using plat::Image;
using plat::PixelFormat;
using plat::PixelRect;

class BlitTest : public ::testing::Test {
protected:
    void SetUp() override { plat::testing::ResetPictureFaults(); }
    void TearDown() override { plat::testing::ResetPictureFaults(); }

    // A full-screen display of the given depth.
    static std::unique_ptr<BlitDisplay> FullScreen(int depth) {
        BlitResult r = BlitResult::Failed;
        auto display = BlitDisplay::Create(&r);
        EXPECT_EQ(r, BlitResult::Ok);
        EXPECT_EQ(display->SetCooperativeLevel(true), BlitResult::Ok);
        EXPECT_EQ(display->SetDisplayMode(64, 48, depth, 0), BlitResult::Ok);
        return display;
    }

    static std::unique_ptr<BlitSurface> Offscreen(BlitDisplay& display, int w, int h, bool system = false) {
        std::unique_ptr<BlitSurface> s;
        EXPECT_EQ(display.CreateOffscreen(w, h, system, &s), BlitResult::Ok);
        return s;
    }
};

// Raw values per depth: a key, a key with other bits where the compare
// ignores them, and two colours.
struct DepthValues {
    int depth;
    uint32_t key, keyLookalike, a, b;
    bool lookalikeIsKey;
};

const DepthValues kDepths[] = {
    {8, 0x00, 0x00, 0x11, 0x22, true},
    {16, 0xF81F, 0x781F, 0x1234, 0xABCD, false},
    {32, 0x00FF00FF, 0x7FFF00FF, 0x00123456, 0x00ABCDEF, true},  // 32 bits: the fourth byte is not compared
};

TEST_F(BlitTest, KeyedBltFastSkipsKeyPixelsAtEveryDepth) {
    for (const DepthValues& d : kDepths) {
        auto display = FullScreen(d.depth);
        auto src = Offscreen(*display, 4, 2);
        auto dst = Offscreen(*display, 8, 4);
        Image& s = src->Pixels();
        s.Set(0, 0, d.a), s.Set(1, 0, d.key), s.Set(2, 0, d.keyLookalike), s.Set(3, 0, d.a);
        s.Set(0, 1, d.key), s.Set(1, 1, d.a), s.Set(2, 1, d.a), s.Set(3, 1, d.key);
        src->SetColorKey(d.key);
        dst->ColorFill(nullptr, d.b);
        ASSERT_EQ(dst->BltFast(2, 1, src.get(), PixelRect{0, 0, 4, 2}, true), BlitResult::Ok);
        Image& o = dst->Pixels();
        EXPECT_EQ(o.Get(2, 1), d.a) << d.depth;
        EXPECT_EQ(o.Get(3, 1), d.b) << d.depth;
        EXPECT_EQ(o.Get(4, 1), d.lookalikeIsKey ? d.b : d.keyLookalike) << d.depth;
        EXPECT_EQ(o.Get(2, 2), d.b) << d.depth;
        EXPECT_EQ(o.Get(3, 2), d.a) << d.depth;
        EXPECT_EQ(o.Get(5, 2), d.b) << d.depth;
        EXPECT_EQ(o.Get(1, 1), d.b) << d.depth;
        EXPECT_EQ(o.Get(6, 1), d.b) << d.depth;

        // Without the key flag, or from a surface without a key, all is copied.
        ASSERT_EQ(dst->BltFast(2, 1, src.get(), PixelRect{0, 0, 4, 2}, false), BlitResult::Ok);
        EXPECT_EQ(o.Get(3, 1), d.key) << d.depth;
        auto plain = Offscreen(*display, 4, 2);
        plain->Pixels() = s;
        dst->ColorFill(nullptr, d.b);
        ASSERT_EQ(dst->BltFast(0, 0, plain.get(), PixelRect{0, 0, 4, 2}, true), BlitResult::Ok);
        EXPECT_EQ(o.Get(1, 0), d.key) << d.depth;
    }
}

TEST_F(BlitTest, KeyedRowsOfEveryLengthFollowThePixelRule) {
    // Long rows with runs of key pixels and of other pixels, single keys
    // and a ragged end, so that every width of copy takes part.
    for (const DepthValues& d : kDepths) {
        auto display = FullScreen(d.depth);
        const int w = 77;
        auto src = Offscreen(*display, w, 3);
        auto dst = Offscreen(*display, w + 5, 3);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < w; ++x) {
                bool key = (x / (8 << y)) % 3 == 0 || x % 13 == 5;
                uint32_t colour = d.depth == 8 ? uint32_t(1 + x % 200) : d.a + uint32_t(x);
                src->Pixels().Set(x, y, key ? (x % 2 ? d.keyLookalike : d.key) : colour);
            }
        }
        src->SetColorKey(d.key);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < w + 5; ++x) dst->Pixels().Set(x, y, d.b + uint32_t(y));
        }
        ASSERT_EQ(dst->BltFast(3, 0, src.get(), PixelRect{0, 0, w, 3}, true), BlitResult::Ok);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < w; ++x) {
                uint32_t s = src->Pixels().Get(x, y);
                bool skipped = s == d.key || (s == d.keyLookalike && d.lookalikeIsKey);
                ASSERT_EQ(dst->Pixels().Get(x + 3, y), skipped ? d.b + uint32_t(y) : s)
                    << d.depth << " " << x << "," << y;
            }
        }
    }
}

TEST_F(BlitTest, InvalidRectanglesAreRefusedAndDrawNothing) {
    auto display = FullScreen(32);
    auto src = Offscreen(*display, 8, 8);
    auto dst = Offscreen(*display, 8, 8);
    src->ColorFill(nullptr, 0x00FFFFFF);
    struct Case {
        int x, y;
        PixelRect rect;
    };
    const Case fast[] = {
        {0, 0, {0, 0, 0, 4}}, {0, 0, {4, 0, 2, 4}},  {0, 0, {-1, 0, 3, 3}}, {0, 0, {0, 0, 9, 1}},
        {6, 0, {0, 0, 3, 3}}, {0, -1, {0, 0, 3, 3}}, {0, 7, {0, 0, 2, 2}},
    };
    for (const Case& c : fast) {
        EXPECT_EQ(dst->BltFast(c.x, c.y, src.get(), c.rect, false), BlitResult::InvalidRect)
            << c.x << "," << c.y << " " << c.rect.left << "," << c.rect.top << "," << c.rect.right << ","
            << c.rect.bottom;
    }
    const PixelRect good{0, 0, 4, 4};
    const PixelRect bad[] = {{0, 0, 0, 0}, {3, 3, 1, 1}, {-2, 0, 2, 2}, {0, 0, 8, 9}};
    for (const PixelRect& r : bad) {
        EXPECT_EQ(dst->Blt(r, src.get(), good, false), BlitResult::InvalidRect);
        EXPECT_EQ(dst->Blt(good, src.get(), r, false), BlitResult::InvalidRect);
        EXPECT_EQ(dst->ColorFill(&r, 1), BlitResult::InvalidRect);
    }
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) ASSERT_EQ(dst->Pixels().Get(x, y), 0u);
    }
    EXPECT_EQ(dst->BltFast(0, 0, nullptr, good, false), BlitResult::InvalidCall);
}

TEST_F(BlitTest, StretchTakesTheNearestSourceIndex) {
    for (int depth : {8, 16, 32}) {
        auto display = FullScreen(depth);
        auto src = Offscreen(*display, 8, 4);
        auto dst = Offscreen(*display, 16, 16);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 8; ++x) src->Pixels().Set(x, y, uint32_t(1 + x + 8 * y));
        }
        // 3 source columns onto 10, 2 rows onto 5: index s0 + k * sw / dw.
        ASSERT_EQ(dst->Blt(PixelRect{1, 2, 11, 7}, src.get(), PixelRect{4, 1, 7, 3}, false), BlitResult::Ok);
        for (int k = 0; k < 10; ++k) {
            for (int r = 0; r < 5; ++r) {
                ASSERT_EQ(dst->Pixels().Get(1 + k, 2 + r), uint32_t(1 + (4 + k * 3 / 10) + 8 * (1 + r * 2 / 5)))
                    << depth << " " << k << "," << r;
            }
        }
        // Shrinking: 8 columns onto 3.
        ASSERT_EQ(dst->Blt(PixelRect{0, 10, 3, 11}, src.get(), PixelRect{0, 0, 8, 1}, false), BlitResult::Ok);
        EXPECT_EQ(dst->Pixels().Get(0, 10), 1u);
        EXPECT_EQ(dst->Pixels().Get(1, 10), 1u + 8 / 3);
        EXPECT_EQ(dst->Pixels().Get(2, 10), 1u + 16 / 3);
        // Keyed stretch skips the key.
        src->SetColorKey(2);
        dst->ColorFill(nullptr, 0x77);
        ASSERT_EQ(dst->Blt(PixelRect{0, 0, 4, 1}, src.get(), PixelRect{0, 0, 2, 1}, true), BlitResult::Ok);
        EXPECT_EQ(dst->Pixels().Get(1, 0), 1u);
        EXPECT_EQ(dst->Pixels().Get(2, 0), 0x77u);
        EXPECT_EQ(dst->Pixels().Get(3, 0), 0x77u);
    }
}

// A stretch to twice the width duplicates source rows instead of looking up
// every pixel: long rows with a ragged end, odd positions and widths, key
// runs, padded pitches, and heights doubled or not, must all follow the
// nearest-index rule.
TEST_F(BlitTest, DoubledStretchFollowsTheNearestIndexRule) {
    plat::testing::SetPitchPadding(3);
    struct Case {
        PixelRect source;
        int dx, dy, heightFactor;
        bool keyed;
    };
    const Case cases[] = {
        {{0, 0, 37, 3}, 1, 0, 2, false}, {{0, 0, 37, 3}, 2, 1, 2, true},  {{5, 1, 22, 3}, 3, 0, 2, false},
        {{5, 1, 22, 3}, 0, 2, 2, true},  {{36, 2, 37, 3}, 7, 5, 2, true}, {{3, 0, 20, 2}, 1, 1, 3, false},
        {{3, 0, 20, 2}, 1, 1, 3, true},
    };
    for (const DepthValues& d : kDepths) {
        auto display = FullScreen(d.depth);
        auto src = Offscreen(*display, 37, 3);
        auto dst = Offscreen(*display, 80, 12);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 37; ++x) {
                const bool key = (x / (4 + y)) % 3 == 1 || x % 11 == 7;
                const uint32_t colour = d.depth == 8 ? uint32_t(1 + x + 40 * y) : d.a + uint32_t(x + 64 * y);
                src->Pixels().Set(x, y, key ? (x % 2 ? d.keyLookalike : d.key) : colour);
            }
        }
        src->SetColorKey(d.key);
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << d.depth << " bits, source " << c.source.left << ".."
                                              << c.source.right << (c.keyed ? " keyed" : ""));
            for (int y = 0; y < 12; ++y) {
                for (int x = 0; x < 80; ++x) dst->Pixels().Set(x, y, d.b + uint32_t(x % 3 + y));
            }
            const Image before = dst->Pixels();
            const int sw = c.source.Width(), sh = c.source.Height(), dw = 2 * sw, dh = c.heightFactor * sh;
            const PixelRect dr{c.dx, c.dy, c.dx + dw, c.dy + dh};
            ASSERT_EQ(dst->Blt(dr, src.get(), c.source, c.keyed), BlitResult::Ok);
            for (int y = 0; y < 12; ++y) {
                for (int x = 0; x < 80; ++x) {
                    uint32_t want = before.Get(x, y);
                    if (x >= dr.left && x < dr.right && y >= dr.top && y < dr.bottom) {
                        const uint32_t s = src->Pixels().Get(c.source.left + (x - dr.left) * sw / dw,
                                                             c.source.top + (y - dr.top) * sh / dh);
                        const bool skipped = c.keyed && (s == d.key || (s == d.keyLookalike && d.lookalikeIsKey));
                        if (!skipped) want = s;
                    }
                    ASSERT_EQ(dst->Pixels().Get(x, y), want) << x << "," << y;
                }
            }
        }
    }
}

TEST_F(BlitTest, ColorFillWritesTheRawValue) {
    for (const DepthValues& d : kDepths) {
        auto display = FullScreen(d.depth);
        // Widths that are no power of two, so a row is no whole number of
        // doublings of its first pixel.
        auto s = Offscreen(*display, 45, 4);
        ASSERT_EQ(s->ColorFill(nullptr, d.a), BlitResult::Ok);
        for (const PixelRect& r : {PixelRect{1, 1, 3, 4}, PixelRect{6, 0, 43, 2}}) {
            ASSERT_EQ(s->ColorFill(&r, d.b), BlitResult::Ok);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 45; ++x) {
                    const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                    ASSERT_EQ(s->Pixels().Get(x, y), inside ? d.b : d.a) << d.depth << ": " << x << "," << y;
                }
            ASSERT_EQ(s->ColorFill(&r, d.a), BlitResult::Ok);
        }
    }
    auto display = FullScreen(32);
    auto s = Offscreen(*display, 2, 1);
    s->ColorFill(nullptr, 0xFF123456);
    EXPECT_EQ(s->Pixels().Get(1, 0), 0xFF123456u);  // all 32 bits, as given
}

TEST_F(BlitTest, OverlappingCopyWithinOneSurfaceReadsTheOldPixels) {
    auto display = FullScreen(16);
    auto s = Offscreen(*display, 6, 1);
    for (int x = 0; x < 6; ++x) s->Pixels().Set(x, 0, uint32_t(x + 1));
    ASSERT_EQ(s->BltFast(1, 0, s.get(), PixelRect{0, 0, 5, 1}, false), BlitResult::Ok);
    for (int x = 1; x < 6; ++x) EXPECT_EQ(s->Pixels().Get(x, 0), uint32_t(x)) << x;
}

TEST_F(BlitTest, LostSurfacesRefuseEverythingUntilRestored) {
    auto display = FullScreen(32);
    std::unique_ptr<BlitSurface> primary;
    ASSERT_EQ(display->CreatePrimary(1, 0, 0, &primary), BlitResult::Ok);
    auto a = Offscreen(*display, 4, 4);
    auto b = Offscreen(*display, 4, 4, true);
    a->ColorFill(nullptr, 0x00112233);
    b->ColorFill(nullptr, 0x00445566);
    plat::testing::LoseBlitSurfaces();
    for (BlitSurface* s : {primary.get(), display->AttachedBackBuffer(), a.get(), b.get()}) EXPECT_TRUE(s->IsLost());
    uint8_t* bits = nullptr;
    int pitch = 0;
    EXPECT_FALSE(a->Lock(&bits, &pitch));
    EXPECT_EQ(a->ColorFill(nullptr, 1), BlitResult::SurfaceLost);
    EXPECT_EQ(a->BltFast(0, 0, b.get(), PixelRect{0, 0, 4, 4}, false), BlitResult::SurfaceLost);
    EXPECT_EQ(display->Flip(), BlitResult::SurfaceLost);

    EXPECT_EQ(a->Restore(), BlitResult::Ok);
    EXPECT_FALSE(a->IsLost());
    EXPECT_EQ(a->Pixels().Get(0, 0), 0u);
    EXPECT_EQ(a->BltFast(0, 0, b.get(), PixelRect{0, 0, 4, 4}, false), BlitResult::SurfaceLost);  // source still lost
    b->Restore();
    EXPECT_EQ(a->BltFast(0, 0, b.get(), PixelRect{0, 0, 4, 4}, false), BlitResult::Ok);
    ASSERT_TRUE(a->Lock(&bits, &pitch));
    a->Unlock();
    // A surface made after the loss is not lost.
    EXPECT_FALSE(Offscreen(*display, 2, 2)->IsLost());
}

TEST_F(BlitTest, FlipRotatesTheChainAndShowsTheFront) {
    auto display = FullScreen(8);
    plat::PaletteColor colours[3] = {{10, 20, 30, 0}, {40, 50, 60, 0}, {70, 80, 90, 0}};
    display->SetPaletteEntries(5, 3, colours);
    std::unique_ptr<BlitSurface> primary;
    ASSERT_EQ(display->CreatePrimary(2, 640, 480, &primary), BlitResult::Ok);
    EXPECT_EQ(primary->Width(), 64);  // the display mode's size
    EXPECT_EQ(primary->Format(), PixelFormat::P8);
    EXPECT_EQ(display->LiveObjects(), 3);
    BlitSurface* back = display->AttachedBackBuffer();
    ASSERT_NE(back, nullptr);
    primary->ColorFill(nullptr, 5);
    back->ColorFill(nullptr, 6);
    ASSERT_EQ(display->Flip(), BlitResult::Ok);
    EXPECT_EQ(primary->Pixels().Get(0, 0), 6u);
    EXPECT_EQ(back->Pixels().Get(0, 0), 0u);  // the second back buffer's
    for (int i = 0; i < 3; ++i) ASSERT_EQ(display->Flip(), BlitResult::Ok);
    EXPECT_EQ(primary->Pixels().Get(0, 0), 6u);  // three flips go round a chain of three
    EXPECT_EQ(back->Pixels().Get(0, 0), 0u);

    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(plat::LastPresentedFrame(&frame, &w, &h));
    ASSERT_EQ(w, 64);
    EXPECT_EQ(frame[0], 0xFF28323Cu);
    // A palette change shows at once.
    plat::PaletteColor red{255, 0, 0, 0};
    display->SetPaletteEntries(6, 1, &red);
    ASSERT_TRUE(plat::LastPresentedFrame(&frame, &w, &h));
    EXPECT_EQ(frame[0], 0xFFFF0000u);
    EXPECT_EQ(display->Palette()[5].b, 30);

    // A second primary is refused; releasing the primary releases its chain.
    std::unique_ptr<BlitSurface> again;
    EXPECT_EQ(display->CreatePrimary(1, 0, 0, &again), BlitResult::InvalidCall);
    primary.reset();
    EXPECT_EQ(display->LiveObjects(), 0);
    EXPECT_EQ(display->AttachedBackBuffer(), nullptr);
}

TEST_F(BlitTest, WritesToThePrimaryAndWindowPresentsShow) {
    auto display = FullScreen(32);
    std::unique_ptr<BlitSurface> primary;
    ASSERT_EQ(display->CreatePrimary(1, 0, 0, &primary), BlitResult::Ok);
    auto work = Offscreen(*display, 64, 48);
    work->ColorFill(nullptr, 0x00ABCDEF);
    ASSERT_EQ(primary->BltFast(0, 0, work.get(), PixelRect{0, 0, 64, 48}, false), BlitResult::Ok);
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(plat::LastPresentedFrame(&frame, &w, &h));
    EXPECT_EQ(frame[64 * 47 + 63], 0xFFABCDEFu);

    BlitResult r;
    auto window = BlitDisplay::Create(&r);
    plat::testing::SetDesktopDepth(16);
    ASSERT_EQ(window->SetCooperativeLevel(false), BlitResult::Ok);
    EXPECT_EQ(window->Depth(), 16);
    std::unique_ptr<BlitSurface> wp, wb;
    EXPECT_EQ(window->CreatePrimary(1, 32, 24, &wp), BlitResult::InvalidCall);  // no flip chain in a window
    ASSERT_EQ(window->CreatePrimary(0, 32, 24, &wp), BlitResult::Ok);
    ASSERT_EQ(window->CreateOffscreen(32, 24, false, &wb), BlitResult::Ok);
    wb->ColorFill(nullptr, 0x001F);
    EXPECT_EQ(window->Flip(), BlitResult::InvalidCall);
    ASSERT_EQ(window->PresentWindow(wb.get()), BlitResult::Ok);
    ASSERT_TRUE(plat::LastPresentedFrame(&frame, &w, &h));
    EXPECT_EQ(w, 32);
    EXPECT_EQ(frame[0], 0xFF0000FFu);
    plat::testing::LoseBlitSurfaces();
    EXPECT_EQ(window->PresentWindow(wb.get()), BlitResult::SurfaceLost);
}

TEST_F(BlitTest, ModesDepthsAndMasks) {
    BlitResult r;
    auto display = BlitDisplay::Create(&r);
    EXPECT_EQ(display->Depth(), 32);                                               // the desktop's by default
    EXPECT_EQ(display->SetDisplayMode(640, 480, 16, 0), BlitResult::InvalidCall);  // not full screen
    display->SetCooperativeLevel(true);
    EXPECT_EQ(display->SetDisplayMode(640, 480, 24, 0), BlitResult::InvalidCall);
    EXPECT_EQ(display->SetDisplayMode(640, 480, 16, 75), BlitResult::InvalidCall);
    EXPECT_EQ(display->SetDisplayMode(640, 480, 16, 60), BlitResult::Ok);
    EXPECT_EQ(display->Depth(), 16);

    struct Case {
        int depth;
        bool x1;
        uint32_t red, green, blue;
        int bits;
    };
    const Case cases[] = {{8, false, 0, 0, 0, 8},
                          {16, false, 0xF800, 0x07E0, 0x001F, 16},
                          {16, true, 0x7C00, 0x03E0, 0x001F, 16},
                          {32, false, 0xFF0000, 0xFF00, 0xFF, 32}};
    for (const Case& c : cases) {
        plat::testing::UseX1R5G5B5ForBlit16(c.x1);
        ASSERT_EQ(display->SetDisplayMode(640, 480, c.depth, 0), BlitResult::Ok);
        std::unique_ptr<BlitSurface> primary;
        ASSERT_EQ(display->CreatePrimary(1, 0, 0, &primary), BlitResult::Ok);
        plat::PixelMasks m = display->PrimaryMasks();
        EXPECT_EQ(m.red, c.red) << c.depth;
        EXPECT_EQ(m.green, c.green) << c.depth;
        EXPECT_EQ(m.blue, c.blue) << c.depth;
        EXPECT_EQ(m.bitCount, c.bits) << c.depth;
        EXPECT_EQ(primary->Width(), 640);
    }
    display->RestoreDisplayMode();
    plat::testing::SetDesktopDepth(8);
    EXPECT_EQ(display->Depth(), 8);
}

TEST_F(BlitTest, VideoSurfacesBeyondTheBudgetRunOutOfVideoMemory) {
    auto display = FullScreen(16);
    plat::testing::SetVideoMemoryBudget(100 * 100 * 2);
    std::unique_ptr<BlitSurface> a, b, c;
    ASSERT_EQ(display->CreateOffscreen(100, 100, false, &a), BlitResult::Ok);
    EXPECT_FALSE(a->InSystemMemory());
    EXPECT_EQ(display->CreateOffscreen(10, 10, false, &b), BlitResult::OutOfVideoMemory);
    ASSERT_EQ(display->CreateOffscreen(10, 10, true, &c), BlitResult::Ok);
    EXPECT_TRUE(c->InSystemMemory());
    a.reset();
    EXPECT_EQ(display->CreateOffscreen(10, 10, false, &b), BlitResult::Ok);
}

}  // namespace
