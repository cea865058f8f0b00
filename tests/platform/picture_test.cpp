#include "platform/picture.h"

#include <gtest/gtest.h>

#include "platform/picture_testing.h"

namespace {

using plat::Image;
using plat::PixelFormat;

struct PackCase {
    PixelFormat format;
    uint32_t argb;
    uint32_t raw;
};

TEST(PictureFormats, PackTruncatesEachChannelToItsField) {
    const PackCase cases[] = {
        {PixelFormat::R5G6B5, 0xFFFFFFFF, 0xFFFF},       {PixelFormat::R5G6B5, 0x00F8FC00, 0xFFE0},  // alpha ignored
        {PixelFormat::R5G6B5, 0xFF070307, 0x0000},                                                   // below one step
        {PixelFormat::R5G6B5, 0xFF0F0F0F, 0x0861},                                                   // 1, 3, 1
        {PixelFormat::X1R5G5B5, 0xFFFFFFFF, 0x7FFF},                                                 // bit 15 stays 0
        {PixelFormat::X1R5G5B5, 0xFF08F810, 0x07E2},                                                 // 1, 31, 2
        {PixelFormat::A1R5G5B5, 0x80000000, 0x8000},  // alpha 128 sets the bit
        {PixelFormat::A1R5G5B5, 0x7FFFFFFF, 0x7FFF},  // alpha 127 does not
        {PixelFormat::X8R8G8B8, 0x12345678, 0x00345678}, {PixelFormat::A8R8G8B8, 0x12345678, 0x12345678},
        {PixelFormat::R8G8B8, 0x12345678, 0x00345678},   {PixelFormat::P8, 0x123456AB, 0xAB},
    };
    for (const PackCase& c : cases) {
        EXPECT_EQ(plat::PackArgb(c.format, c.argb), c.raw) << plat::FormatName(c.format) << " " << std::hex << c.argb;
    }
}

TEST(PictureFormats, UnpackWidensByRepeatingTopBits) {
    const PackCase cases[] = {
        {PixelFormat::R5G6B5, 0xFFFFFFFF, 0xFFFF},
        {PixelFormat::R5G6B5, 0xFF000000, 0x0000},
        {PixelFormat::R5G6B5, 0xFF840C08, 0x8061},    // r 16 -> 132, g 3 -> 12, b 1 -> 8
        {PixelFormat::X1R5G5B5, 0xFF84FF08, 0xC3E1},  // bit 15 ignored, alpha 255
        {PixelFormat::A1R5G5B5, 0x0084FF08, 0x43E1},
        {PixelFormat::A1R5G5B5, 0xFF000000, 0x8000},
        {PixelFormat::X8R8G8B8, 0xFF345678, 0x12345678},
        {PixelFormat::A8R8G8B8, 0x12345678, 0x12345678},
        {PixelFormat::P8, 0x000000AB, 0xAB},
    };
    for (const PackCase& c : cases) {
        EXPECT_EQ(plat::UnpackToArgb(c.format, c.raw), c.argb)
            << plat::FormatName(c.format) << " " << std::hex << c.raw;
    }
}

TEST(PictureFormats, SixteenBitValuesSurviveUnpackAndPack) {
    for (uint32_t raw = 0; raw < 0x10000; ++raw) {
        ASSERT_EQ(plat::PackArgb(PixelFormat::R5G6B5, plat::UnpackToArgb(PixelFormat::R5G6B5, raw)), raw);
        ASSERT_EQ(plat::PackArgb(PixelFormat::A1R5G5B5, plat::UnpackToArgb(PixelFormat::A1R5G5B5, raw)), raw);
        ASSERT_EQ(plat::PackArgb(PixelFormat::X1R5G5B5, plat::UnpackToArgb(PixelFormat::X1R5G5B5, raw)), raw & 0x7FFF);
    }
}

TEST(PictureFormats, LayoutsAndSizes) {
    plat::ChannelLayout l = plat::LayoutOf(PixelFormat::R5G6B5);
    EXPECT_EQ(l.shift[0], 11);
    EXPECT_EQ(l.bits[1], 6);
    EXPECT_EQ(l.bits[3], 0);
    l = plat::LayoutOf(PixelFormat::A1R5G5B5);
    EXPECT_EQ(l.shift[3], 15);
    EXPECT_EQ(l.bits[3], 1);
    EXPECT_EQ(plat::LayoutOf(PixelFormat::X8R8G8B8).bits[3], 0);
    EXPECT_EQ(plat::LayoutOf(PixelFormat::A8R8G8B8).shift[3], 24);
    EXPECT_EQ(plat::BytesPerPixel(PixelFormat::R8G8B8), 3);
    EXPECT_EQ(plat::BitsPerPixel(PixelFormat::X1R5G5B5), 16);
    EXPECT_STREQ(plat::FormatName(PixelFormat::A1R5G5B5), "A1R5G5B5");
}

class ImageTest : public ::testing::Test {
protected:
    void TearDown() override { plat::testing::ResetPictureFaults(); }
};

TEST_F(ImageTest, PaddedPitchKeepsRowsApart) {
    plat::testing::SetPitchPadding(12);
    Image img(10, 3, PixelFormat::X8R8G8B8);
    EXPECT_EQ(img.Pitch(), 52);
    img.FillRaw(0x11223344);
    img.Set(9, 1, 0xAABBCCDD);
    EXPECT_EQ(img.Get(9, 1), 0xAABBCCDDu);
    EXPECT_EQ(img.Get(0, 2), 0x11223344u);
    // The padding after a row is not pixels.
    EXPECT_EQ(img.Row(1)[40], 0);
    EXPECT_EQ(img.Row(1)[51], 0);
    Image copy = img;
    EXPECT_EQ(copy.Get(9, 1), 0xAABBCCDDu);

    plat::testing::ResetPictureFaults();
    EXPECT_EQ(Image(10, 3, PixelFormat::R5G6B5).Pitch(), 20);
}

TEST_F(ImageTest, NewImagesAreZeroAndAccessOutsideIsHarmless) {
    Image img(4, 2, PixelFormat::R8G8B8);
    EXPECT_EQ(img.Get(3, 1), 0u);
    img.Set(3, 1, 0x00ABCDEF);
    EXPECT_EQ(img.Get(3, 1), 0x00ABCDEFu);
    EXPECT_EQ(img.Row(1)[9], 0xEF);  // blue first
    img.Set(4, 0, 1);
    img.Set(-1, 0, 1);
    EXPECT_EQ(img.Get(4, 0), 0u);
    EXPECT_EQ(img.Get(0, -1), 0u);
    EXPECT_TRUE(Image(0, 5, PixelFormat::P8).Empty());
    EXPECT_TRUE(Image(-3, 5, PixelFormat::P8).Empty());
    Image huge(1 << 20, 1 << 20, PixelFormat::A8R8G8B8);  // as a damaged file might ask
    EXPECT_TRUE(huge.Empty());
    EXPECT_EQ(huge.Get(0, 0), 0u);
}

TEST_F(ImageTest, SecondLockAndInjectedFailuresFail) {
    Image img(2, 2, PixelFormat::A8R8G8B8);
    uint8_t* bits = nullptr;
    int pitch = 0;
    ASSERT_TRUE(img.Lock(&bits, &pitch));
    EXPECT_EQ(pitch, 8);
    EXPECT_EQ(bits, img.Row(0));
    EXPECT_FALSE(img.Lock(&bits, &pitch));
    img.Unlock();
    EXPECT_FALSE(img.Locked());

    plat::testing::FailNextLocks(2);
    EXPECT_FALSE(img.Lock(&bits, &pitch));
    EXPECT_FALSE(img.Lock(&bits, &pitch));
    EXPECT_FALSE(img.Locked());
    EXPECT_TRUE(img.Lock(&bits, &pitch));
}

TEST_F(ImageTest, ToArgbUsesPaletteAndOpaqueXFormats) {
    Image p8(2, 1, PixelFormat::P8);
    p8.Set(1, 0, 7);
    plat::PaletteColor pal[256] = {};
    pal[7] = {0x10, 0x20, 0x30, 0};
    std::vector<uint32_t> argb = plat::ImageToArgb(p8, pal);
    ASSERT_EQ(argb.size(), 2u);
    EXPECT_EQ(argb[0], 0xFF000000u);
    EXPECT_EQ(argb[1], 0xFF102030u);

    plat::testing::SetPitchPadding(4);
    Image x8(3, 2, PixelFormat::X8R8G8B8);
    x8.Set(2, 1, 0x00123456);
    Image r565(1, 1, PixelFormat::R5G6B5);
    r565.Set(0, 0, 0xF800);
    argb = plat::ImageToArgb(x8, nullptr);
    EXPECT_EQ(argb[5], 0xFF123456u);
    EXPECT_EQ(argb[0], 0xFF000000u);
    EXPECT_EQ(plat::ImageToArgb(r565, nullptr)[0], 0xFFFF0000u);
}

}  // namespace
