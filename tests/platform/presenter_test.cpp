#include "platform/presenter.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/picture_testing.h"
#include "platform/testing.h"
#include "support/test_support.h"

namespace {

using orvtest::ScopedEnv;
using orvtest::ScopedTempFolder;

plat::Image Frame32(int width, int height, uint32_t seed) {
    plat::Image image(width, height, plat::PixelFormat::X8R8G8B8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.Set(x, y, (seed + static_cast<uint32_t>(x * 0x010203 + y * 0x100000)) & 0xFFFFFF);
    return image;
}

TEST(Presenter, HandsFramesOverFromAnotherThread) {
    std::vector<uint32_t> argb;
    int width = 0, height = 0;
    if (plat::PresentedFrameCount() == 0) {
        EXPECT_FALSE(plat::LastPresentedFrame(&argb, &width, &height));
    }
    EXPECT_FALSE(plat::PresentedFrameCount() == 0 && plat::WriteLastFramePng("never.png"));

    const uint64_t before = plat::PresentedFrameCount();
    plat::Image drawn = Frame32(4, 3, 0x123456);
    std::thread drawer([&] {
        plat::PresentImage(drawn, nullptr);
        drawn.FillRaw(0);  // the frame was taken at once; drawing may go on
        plat::PresentImage(Frame32(4, 3, 0), nullptr);
        plat::PresentImage(Frame32(5, 2, 0x000042), nullptr);  // the newest wins
    });
    drawer.join();
    EXPECT_EQ(plat::PresentedFrameCount(), before + 3);
    ASSERT_TRUE(plat::LastPresentedFrame(&argb, &width, &height));
    ASSERT_EQ(width, 5);
    ASSERT_EQ(height, 2);
    const plat::Image expected = Frame32(5, 2, 0x000042);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(argb[static_cast<size_t>(y * 5 + x)], 0xFF000000u | expected.Get(x, y));

    // An empty image is no frame.
    plat::PresentImage(plat::Image(), nullptr);
    EXPECT_EQ(plat::PresentedFrameCount(), before + 3);
}

TEST(Presenter, PaletteFramesAndShownAlpha) {
    plat::PaletteColor palette[256];
    palette[1] = {0x11, 0x22, 0x33, 0};
    palette[200] = {0xAA, 0xBB, 0xCC, 0};
    plat::Image p8(3, 1, plat::PixelFormat::P8);
    p8.Set(0, 0, 1);
    p8.Set(1, 0, 200);
    plat::PresentImage(p8, palette);
    std::vector<uint32_t> argb;
    int width = 0, height = 0;
    ASSERT_TRUE(plat::LastPresentedFrame(&argb, &width, &height));
    EXPECT_EQ(argb, (std::vector<uint32_t>{0xFF112233, 0xFFAABBCC, 0xFF000000}));

    // A screen shows no transparency: the kept frame is opaque.
    plat::Image alpha(2, 1, plat::PixelFormat::A8R8G8B8);
    alpha.Set(0, 0, 0x00102030);
    alpha.Set(1, 0, 0x80405060);
    plat::PresentImage(alpha, nullptr);
    ASSERT_TRUE(plat::LastPresentedFrame(&argb, &width, &height));
    EXPECT_EQ(argb, (std::vector<uint32_t>{0xFF102030, 0xFF405060}));
}

// The frame is converted in one pass into a buffer kept from frame to
// frame: every format, rows longer than a vector step with a ragged end,
// padded pitches, and a size that changes, must come out as the unpacking
// rule gives each pixel, opaque.
TEST(Presenter, FramesOfEveryFormatShowAsTheirUnpackedColours) {
    struct PaddedPitches {
        PaddedPitches() { plat::testing::SetPitchPadding(3); }
        ~PaddedPitches() { plat::testing::ResetPictureFaults(); }
    } padded;
    plat::PaletteColor palette[256];
    for (int i = 0; i < 256; ++i)
        palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7), 0x55};
    const plat::PixelFormat formats[] = {plat::PixelFormat::P8,       plat::PixelFormat::R5G6B5,
                                         plat::PixelFormat::X1R5G5B5, plat::PixelFormat::A1R5G5B5,
                                         plat::PixelFormat::R8G8B8,   plat::PixelFormat::X8R8G8B8,
                                         plat::PixelFormat::A8R8G8B8};
    for (const auto& [width, height] : {std::pair{37, 5}, std::pair{3, 2}}) {
        for (plat::PixelFormat format : formats) {
            SCOPED_TRACE(std::string(plat::FormatName(format)) + " " + std::to_string(width));
            plat::Image image(width, height, format);
            ASSERT_GT(image.Pitch(), width * plat::BytesPerPixel(format));
            uint32_t seed = 0x9E3779B9u;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    seed = seed * 1664525u + 1013904223u;
                    image.Set(x, y, seed);
                }
            }
            plat::PresentImage(image, format == plat::PixelFormat::P8 ? palette : nullptr);
            std::vector<uint32_t> argb;
            int w = 0, h = 0;
            ASSERT_TRUE(plat::LastPresentedFrame(&argb, &w, &h));
            ASSERT_EQ(w, width);
            ASSERT_EQ(h, height);
            ASSERT_EQ(argb.size(), static_cast<size_t>(width * height));
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const uint32_t raw = image.Get(x, y);
                    const plat::PaletteColor& c = palette[raw & 0xFF];
                    const uint32_t want = format == plat::PixelFormat::P8
                                              ? 0xFF000000u | uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b
                                              : 0xFF000000u | plat::UnpackToArgb(format, raw);
                    ASSERT_EQ(argb[static_cast<size_t>(y * width + x)], want) << x << "," << y;
                }
            }
        }
    }
}

TEST(Presenter, WritesTheLastFrameAsPng) {
    ScopedTempFolder folder;
    plat::PresentImage(Frame32(4, 3, 0x0A0B0C), nullptr);
    const std::string path = folder.host() + "/last.png";
    ASSERT_TRUE(plat::WriteLastFramePng(path.c_str()));

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> read(static_cast<size_t>(image.width) * image.height);
    ASSERT_EQ(PNG_IMAGE_SIZE(image), read.size() * 4);
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, read.data(), 0, nullptr)) << image.message;
    std::vector<uint32_t> shown;
    int width = 0, height = 0;
    ASSERT_TRUE(plat::LastPresentedFrame(&shown, &width, &height));
    EXPECT_EQ(read, shown);  // BGRA bytes are 0xAARRGGBB words on this machine
    EXPECT_FALSE(plat::WriteLastFramePng((folder.host() + "/none/x.png").c_str()));
}

TEST(FrameWindow, HeadlessOpensNothingButKeepsItsState) {
    ScopedEnv headless("ORV_HEADLESS", "1");
    ASSERT_TRUE(plat::OpenFrameWindow("テスト画面", 640, 480, false));
    EXPECT_TRUE(plat::FrameWindowOpen());
    int width = 0, height = 0;
    plat::FrameWindowClientSize(&width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    plat::SetFrameWindowFullScreen(true);
    plat::ShowLatestFrame();

    EXPECT_FALSE(plat::FrameWindowMinimized());
    plat::MinimizeFrameWindow();
    EXPECT_TRUE(plat::FrameWindowMinimized());
    plat::RestoreFrameWindow();
    EXPECT_FALSE(plat::FrameWindowMinimized());

    const int start = plat::ShowCursorCount(true) - 1;
    EXPECT_EQ(plat::ShowCursorCount(false), start);
    EXPECT_EQ(plat::ShowCursorCount(false), start - 1);
    EXPECT_EQ(plat::ShowCursorCount(true), start);

    plat::CloseFrameWindow();
    EXPECT_FALSE(plat::FrameWindowOpen());
    EXPECT_FALSE(plat::OpenFrameWindow("x", 0, 480, false));
}

TEST(FrameWindow, VerticalBlankWithoutWindowIsTheSixtiethTick) {
    ScopedEnv headless("ORV_HEADLESS", "1");
    plat::testing::UseVirtualTime(0);
    std::vector<uint32_t> after;
    for (int i = 0; i < 4; ++i) {
        plat::WaitVerticalBlank();
        after.push_back(plat::TimeMs());
    }
    EXPECT_EQ(after, (std::vector<uint32_t>{17, 34, 50, 67}));
    plat::testing::UseVirtualTime(16);
    plat::WaitVerticalBlank();
    EXPECT_EQ(plat::TimeMs(), 17u);
    plat::testing::UseVirtualTime(0xFFFFFFF0u);  // just before the clock wraps
    plat::WaitVerticalBlank();
    EXPECT_LT(plat::TimeMs() - 0xFFFFFFF0u, 17u);
    plat::testing::UseRealTime();
}

TEST(FrameWindow, OpensARealWindowOnTheDummyDriver) {
    orvtest::ScopedRunMode desktop(nullptr, "dummy");
    if (!plat::OpenFrameWindow("テスト画面", 640, 480, false))
        GTEST_SKIP() << "the dummy video driver cannot make a window here";
    EXPECT_TRUE(plat::FrameWindowOpen());
    int width = 0, height = 0;
    plat::FrameWindowClientSize(&width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);

    plat::PresentImage(Frame32(640, 480, 0x204060), nullptr);
    plat::ShowLatestFrame();
    plat::ShowLatestFrame();  // nothing new: nothing to do
    std::thread other([] { plat::PresentImage(Frame32(320, 200, 0), nullptr); });
    other.join();
    plat::ShowLatestFrame();  // another size: a new texture

    plat::SetFrameWindowFullScreen(true);
    plat::ShowLatestFrame();
    plat::SetFrameWindowFullScreen(false);
    plat::FrameWindowClientSize(&width, &height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);

    plat::MinimizeFrameWindow();
    EXPECT_TRUE(plat::FrameWindowMinimized());
    plat::ShowLatestFrame();
    plat::RestoreFrameWindow();
    EXPECT_FALSE(plat::FrameWindowMinimized());

    const int start = plat::ShowCursorCount(false) + 1;
    EXPECT_EQ(plat::ShowCursorCount(true), start);

    plat::testing::UseVirtualTime(100);
    plat::WaitVerticalBlank();
    plat::testing::UseRealTime();

    plat::CloseFrameWindow();
    EXPECT_FALSE(plat::FrameWindowOpen());
    // Open again after closing: the video subsystem comes back.
    ASSERT_TRUE(plat::OpenFrameWindow("again", 320, 240, true));
    plat::ShowLatestFrame();
    plat::CloseFrameWindow();
}

}  // namespace
