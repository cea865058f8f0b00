#include "platform/bitmap.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/picture_testing.h"
#include "support/test_support.h"

namespace {

using orvtest::ScopedTempFolder;
using orvtest::WriteHostFile;

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A bitmap file laid out field by field: file header, info header of the
// given size (masks inside it from 52 bytes on, after it for a 40-byte
// header with bit fields), colour table and pixel rows as given.
struct BmpFile {
    uint32_t headerSize = 40;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    uint32_t masks[3] = {0, 0, 0};
    Bytes table = {};
    Bytes pixels = {};

    Bytes Build() const {
        Bytes header;
        Put32(header, headerSize);
        if (headerSize == 12) {
            Put16(header, static_cast<uint32_t>(width));
            Put16(header, static_cast<uint32_t>(height));
            Put16(header, 1);
            Put16(header, bits);
        } else {
            Put32(header, static_cast<uint32_t>(width));
            Put32(header, static_cast<uint32_t>(height));
            Put16(header, 1);
            Put16(header, bits);
            Put32(header, compression);
            Put32(header, static_cast<uint32_t>(pixels.size()));
            Put32(header, 2835);
            Put32(header, 2835);
            Put32(header, colorsUsed);
            Put32(header, 0);
            if (headerSize > 40 || compression == 3)
                for (uint32_t m : masks) Put32(header, m);
            while (header.size() < headerSize) header.push_back(0);
        }
        Bytes out = {'B', 'M'};
        const uint32_t offset = static_cast<uint32_t>(14 + header.size() + table.size());
        Put32(out, static_cast<uint32_t>(offset + pixels.size()));
        Put32(out, 0);
        Put32(out, offset);
        out.insert(out.end(), header.begin(), header.end());
        out.insert(out.end(), table.begin(), table.end());
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

bool Decode(const Bytes& file, plat::Dib* dib, std::string* error = nullptr) {
    std::string ignored;
    return plat::DecodeBmp(file.data(), file.size(), dib, error ? error : &ignored);
}

// Every pixel as 0xRRGGBB, rows top-down.
std::vector<uint32_t> AllRgb(const plat::Dib& dib) {
    std::vector<uint32_t> out;
    for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x) out.push_back(dib.PixelRgb(x, y));
    return out;
}

// 24 bits, 3 x 2, bottom-up, rows padded by three bytes: written out in
// full so the field layout is checked independently of the builder.
const Bytes kPadded24 = {
    'B', 'M', 0x4E, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0,          // file header: size 78, bits at 54
    0x28, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,          // 40-byte header: 3 x 2, 24 bits
    0, 0, 0, 0, 24, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0,  // BI_RGB, image size 24
    0, 0, 0, 0, 0, 0, 0, 0,                                      //
    0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0x09, 0x08, 0x07, 0xEE, 0xEE, 0xEE,  // bottom row
    0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0x90, 0x80, 0x70, 0xEE, 0xEE, 0xEE,  // top row
};

TEST(BmpDecode, ReadsEveryDepthAndLayout) {
    struct Case {
        const char* name;
        BmpFile file;
        int bitCount;
        std::vector<uint32_t> rgb;  // top-down
    };
    const Bytes twoColors = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
    BmpFile one{.width = 3, .height = 2, .bits = 1, .table = twoColors,
                .pixels = {0b01000000, 0, 0, 0, 0b10100000, 0, 0, 0}};
    BmpFile four{.width = 3, .height = 1, .bits = 4, .colorsUsed = 3,
                 .table = {0x10, 0x20, 0x30, 0, 0x11, 0x21, 0x31, 0, 0x12, 0x22, 0x32, 0},
                 .pixels = {0x21, 0x00, 0, 0}};
    // Index 3 lies beyond a table of three entries.
    BmpFile eight{.width = 2, .height = 2, .bits = 8, .colorsUsed = 3,
                  .table = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0},
                  .pixels = {0, 1, 0, 0, 2, 3, 0, 0}};
    BmpFile sixteen555{.width = 2, .height = 1, .bits = 16, .pixels = {0xFF, 0x7F, 0x01, 0x7C}};
    BmpFile sixteen565{.width = 3, .height = 1, .bits = 16, .compression = 3,
                       .masks = {0xF800, 0x07E0, 0x001F},
                       .pixels = {0x00, 0xF8, 0x20, 0x00, 0x1F, 0x00, 0, 0}};
    BmpFile thirtyTwo{.width = 1, .height = 2, .bits = 32, .pixels = {0x33, 0x22, 0x11, 0xFF, 0x66, 0x55, 0x44, 0xFF}};
    BmpFile topDown = thirtyTwo;
    topDown.height = -2;
    // A 12-byte header: 16-bit sizes and 3-byte colour entries.
    BmpFile core{.headerSize = 12, .width = 2, .height = 1, .bits = 8,
                 .pixels = {1, 0, 0, 0}};
    core.table.assign(256 * 3, 0);
    core.table[3] = 0xAA, core.table[4] = 0xBB, core.table[5] = 0xCC;
    // Masks inside a v5 header; 4-bit fields widen as c<<4|c.
    BmpFile v5{.headerSize = 124, .width = 2, .height = -1, .bits = 16, .compression = 3,
               .masks = {0x0F00, 0x00F0, 0x000F}, .pixels = {0x8F, 0x0F, 0x00, 0x08}};
    // Fields wider than 8 bits keep their top 8.
    BmpFile wide{.headerSize = 108, .width = 1, .height = 1, .bits = 32, .compression = 3,
                 .masks = {0x3FF00000, 0x000FFC00, 0x000003FF}, .pixels = {0xFF, 0x03, 0x00, 0x20}};

    const Case cases[] = {
        {"1 bit", one, 1, {0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000, 0xFFFFFF, 0x000000}},
        {"4 bits", four, 4, {0x322212, 0x312111, 0x302010}},
        {"8 bits", eight, 8, {0x090807, 0x000000, 0x030201, 0x060504}},
        {"16 bits 555", sixteen555, 16, {0xFFFFFF, 0xFF0008}},
        {"16 bits 565", sixteen565, 16, {0xFF0000, 0x000400, 0x0000FF}},
        {"32 bits bottom-up", thirtyTwo, 32, {0x445566, 0x112233}},
        {"32 bits top-down", topDown, 32, {0x112233, 0x445566}},
        {"core header", core, 8, {0xCCBBAA, 0x000000}},
        {"v5 bit fields", v5, 16, {0xFF88FF, 0x880000}},
        {"v4 wide fields", wide, 32, {0x8000FF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plat::Dib dib;
        std::string error;
        ASSERT_TRUE(Decode(c.file.Build(), &dib, &error)) << error;
        EXPECT_EQ(dib.bitCount, c.bitCount);
        EXPECT_EQ(dib.width * std::abs(c.file.height), static_cast<int>(c.rgb.size()));
        EXPECT_EQ(dib.height, std::abs(c.file.height));
        EXPECT_EQ(dib.stride % 4, 0);
        EXPECT_EQ(AllRgb(dib), c.rgb);
    }
}

TEST(BmpDecode, IndexesTableAndPaddedRows) {
    plat::Dib dib;
    ASSERT_TRUE(Decode(kPadded24, &dib));
    EXPECT_EQ(dib.stride, 12);
    EXPECT_EQ(AllRgb(dib), (std::vector<uint32_t>{0x102030, 0x405060, 0x708090, 0x010203, 0x040506, 0x070809}));
    EXPECT_EQ(dib.PixelRgb(3, 0), 0u);  // outside reads as black, never the padding
    EXPECT_EQ(dib.PixelRgb(0, -1), 0u);

    BmpFile four{.width = 3, .height = 1, .bits = 4, .colorsUsed = 0, .pixels = {0x2F, 0xA0, 0, 0}};
    four.table.assign(16 * 4, 0);
    four.table[15 * 4 + 3] = 0x77;  // the reserved byte becomes the entry's flags
    ASSERT_TRUE(Decode(four.Build(), &dib));
    EXPECT_EQ(dib.Index(0, 0), 2);
    EXPECT_EQ(dib.Index(1, 0), 15);
    EXPECT_EQ(dib.Index(2, 0), 10);
    ASSERT_EQ(dib.colors.size(), 16u);
    EXPECT_EQ(dib.colors[15].flags, 0x77);

    BmpFile one{.width = 9, .height = 1, .bits = 1, .table = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0},
                .pixels = {0b10000001, 0b10000000, 0, 0}};
    ASSERT_TRUE(Decode(one.Build(), &dib));
    std::vector<int> indexes;
    for (int x = 0; x < 9; ++x) indexes.push_back(dib.Index(x, 0));
    EXPECT_EQ(indexes, (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(dib.Index(9, 0), 0);
}

TEST(BmpDecode, RejectsDamagedAndUnsupportedFiles) {
    const Bytes good = kPadded24;
    auto with = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    struct Case {
        const char* name;
        Bytes file;
    };
    BmpFile bigEmpty{.width = 32767, .height = 32767, .bits = 32, .pixels = {1, 2, 3, 4}};
    BmpFile badMask{.width = 1, .height = 1, .bits = 16, .compression = 3, .masks = {0xF00F, 0x00F0, 0},
                    .pixels = {0, 0, 0, 0}};
    BmpFile maskTooWide{.width = 1, .height = 1, .bits = 16, .compression = 3, .masks = {0x1F0000, 0x07E0, 0x1F},
                        .pixels = {0, 0, 0, 0}};
    const Case cases[] = {
        {"empty", {}},
        {"truncated pixels", Bytes(good.begin(), good.end() - 1)},
        {"truncated header", Bytes(good.begin(), good.begin() + 30)},
        {"no signature", with(0, {'B', 'A'})},
        {"RLE8", with(30, {1})},
        {"RLE4", with(30, {2})},
        {"JPEG inside", with(30, {4})},
        {"bit fields at 24 bits", with(30, {3})},
        {"2 bits", with(28, {2})},
        {"header size 64", with(14, {64})},
        {"zero width", with(18, {0, 0, 0, 0})},
        {"negative width", with(18, {0xFD, 0xFF, 0xFF, 0xFF})},
        {"zero height", with(22, {0, 0, 0, 0})},
        {"width 40000", with(18, {0x40, 0x9C, 0, 0})},
        {"height -40000", with(22, {0xC0, 0x63, 0xFF, 0xFF})},
        {"height -2^31", with(22, {0, 0, 0, 0x80})},
        {"offset past the end", with(10, {0xFF, 0, 0, 0})},
        {"offset inside the header", with(10, {20, 0, 0, 0})},
        {"absurd size, few bytes", bigEmpty.Build()},
        {"split mask", badMask.Build()},
        {"mask outside the pixel", maskTooWide.Build()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plat::Dib dib;
        dib.width = 5;
        std::string error;
        EXPECT_FALSE(Decode(c.file, &dib, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(dib.width, 5);  // a failed decode leaves the result alone
    }
}

TEST(BmpDecode, ShortColourTableKeepsWhatPrecedesThePixels) {
    // 8 bits without a count: 256 entries are due, two are there.
    BmpFile eight{.width = 2, .height = 1, .bits = 8, .table = {1, 2, 3, 0, 4, 5, 6, 0}, .pixels = {1, 200, 0, 0}};
    plat::Dib dib;
    std::string error;
    ASSERT_TRUE(Decode(eight.Build(), &dib, &error)) << error;
    EXPECT_EQ(dib.colors.size(), 2u);
    EXPECT_EQ(dib.PixelRgb(0, 0), 0x060504u);
    EXPECT_EQ(dib.PixelRgb(1, 0), 0u);
}

TEST(BmpFileLoad, FindsTheFileWhateverItsCaseAndReportsMissingOnes) {
    ScopedTempFolder folder;
    std::filesystem::create_directories(folder.host() + "/pic");
    WriteHostFile(folder.host() + "/pic/Sheet.bmp", std::string(kPadded24.begin(), kPadded24.end()));
    plat::Dib dib;
    std::string error;
    ASSERT_TRUE(plat::LoadBmpFile("PIC\\sheet.BMP", &dib, &error)) << error;
    EXPECT_EQ(dib.PixelRgb(2, 1), 0x070809u);
    EXPECT_FALSE(plat::LoadBmpFile("pic\\none.bmp", &dib, &error));
    EXPECT_FALSE(error.empty());
    WriteHostFile(folder.host() + "/pic/bad.bmp", "BM");
    EXPECT_FALSE(plat::LoadBmpFile("pic\\bad.bmp", &dib, &error));
}

// 8 bits, w x h, index of (x, y) = (x + 37y) & 255, entry i = (i, 255-i, 2i).
plat::Dib IndexedSheet(int w, int h) {
    BmpFile f{.width = w, .height = -h, .bits = 8};
    for (int i = 0; i < 256; ++i) {
        f.table.push_back(static_cast<uint8_t>(2 * i));
        f.table.push_back(static_cast<uint8_t>(255 - i));
        f.table.push_back(static_cast<uint8_t>(i));
        f.table.push_back(0);
    }
    const int stride = (w + 3) / 4 * 4;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < stride; ++x) f.pixels.push_back(x < w ? static_cast<uint8_t>(x + 37 * y) : 0xEE);
    plat::Dib dib;
    EXPECT_TRUE(Decode(f.Build(), &dib));
    return dib;
}

uint32_t Expected(plat::PixelFormat format, int index) {
    const uint32_t r = static_cast<uint32_t>(index), g = 255 - r, b = (2 * r) & 0xFF;
    switch (format) {
    case plat::PixelFormat::P8: return r;
    case plat::PixelFormat::R5G6B5: return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    case plat::PixelFormat::X1R5G5B5:
    case plat::PixelFormat::A1R5G5B5: return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
    default: return r << 16 | g << 8 | b;
    }
}

const plat::PixelFormat kTargets[] = {plat::PixelFormat::X8R8G8B8, plat::PixelFormat::A8R8G8B8,
                                      plat::PixelFormat::R5G6B5, plat::PixelFormat::A1R5G5B5,
                                      plat::PixelFormat::P8};

TEST(DibCopy, ConvertsIntoEveryFormatWithinBothSizes) {
    plat::testing::SetPitchPadding(12);  // the copy must follow the pitch
    const plat::Dib dib = IndexedSheet(5, 3);
    for (plat::PixelFormat format : kTargets) {
        SCOPED_TRACE(plat::FormatName(format));
        plat::Image small(4, 2, format), large(7, 4, format);
        const uint32_t untouched = 0x5A;
        small.FillRaw(untouched);
        large.FillRaw(untouched);
        plat::CopyDibToImage(dib, &small, 0, 0);
        plat::CopyDibToImage(dib, &large, 0, 0);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 7; ++x) {
                const uint32_t want = x < 5 && y < 3 ? Expected(format, (x + 37 * y) & 0xFF) : untouched;
                EXPECT_EQ(large.Get(x, y), want) << x << "," << y;
                if (x < 4 && y < 2) {
                    EXPECT_EQ(small.Get(x, y), want) << x << "," << y;
                }
            }
    }
    plat::testing::ResetPictureFaults();
}

TEST(DibCopy, TrueColourIntoPaletteAndAlphaFormats) {
    // 24 bits into 8: the low byte (blue); into formats with alpha: alpha 0.
    plat::Dib dib;
    ASSERT_TRUE(Decode(kPadded24, &dib));
    plat::Image p8(3, 2, plat::PixelFormat::P8), argb(3, 2, plat::PixelFormat::A8R8G8B8);
    plat::CopyDibToImage(dib, &p8, 0, 0);
    plat::CopyDibToImage(dib, &argb, 0, 0);
    EXPECT_EQ(p8.Get(0, 0), 0x30u);
    EXPECT_EQ(p8.Get(2, 1), 0x09u);
    EXPECT_EQ(argb.Get(1, 0), 0x00405060u);

    BmpFile f{.width = 1, .height = 1, .bits = 32, .pixels = {0x07, 0x80, 0xFF, 0xFF}};
    ASSERT_TRUE(Decode(f.Build(), &dib));
    plat::Image x555(1, 1, plat::PixelFormat::X1R5G5B5), x8(1, 1, plat::PixelFormat::X8R8G8B8);
    plat::CopyDibToImage(dib, &x555, 0, 0);
    plat::CopyDibToImage(dib, &x8, 0, 0);
    EXPECT_EQ(x555.Get(0, 0), 0x7E00u);
    EXPECT_EQ(x8.Get(0, 0), 0x00FF8007u);
}

TEST(DibCopy, MirrorsWholeCellsOnly) {
    // Width 32 on a 100-wide sheet: three cells reversed, 96-99 untouched.
    const plat::Dib sheet = IndexedSheet(100, 2);
    for (plat::PixelFormat format : {plat::PixelFormat::X8R8G8B8, plat::PixelFormat::R5G6B5, plat::PixelFormat::P8}) {
        SCOPED_TRACE(plat::FormatName(format));
        plat::Image image(100, 2, format);
        image.FillRaw(0x5A);
        plat::CopyDibToImage(sheet, &image, 32, 0);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 100; ++x) {
                const int source = 32 * (x / 32 + 1) - x % 32 - 1;
                const uint32_t want = x < 96 ? Expected(format, (source + 37 * y) & 0xFF) : 0x5Au;
                ASSERT_EQ(image.Get(x, y), want) << x << "," << y;
            }
    }

    // Bands of 2 rows on 5 rows, and both at once on 3 x 3.
    const plat::Dib tall = IndexedSheet(2, 5);
    plat::Image bands(2, 5, plat::PixelFormat::P8);
    bands.FillRaw(0x5A);
    plat::CopyDibToImage(tall, &bands, 0, 2);
    const int rowFrom[5] = {1, 0, 3, 2, -1};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(bands.Get(x, y), rowFrom[y] < 0 ? 0x5Au : static_cast<uint32_t>((x + 37 * rowFrom[y]) & 0xFF))
                << x << "," << y;

    const plat::Dib square = IndexedSheet(3, 3);
    plat::Image both(3, 3, plat::PixelFormat::P8);
    both.FillRaw(0x5A);
    plat::CopyDibToImage(square, &both, 2, 2);
    EXPECT_EQ(both.Get(0, 0), static_cast<uint32_t>(1 + 37));
    EXPECT_EQ(both.Get(1, 1), 0u);
    EXPECT_EQ(both.Get(0, 1), 1u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(both.Get(2, i), 0x5Au);
        EXPECT_EQ(both.Get(i, 2), 0x5Au);
    }

    // A cell wider than the sheet: nothing is drawn.
    plat::Image none(3, 3, plat::PixelFormat::P8);
    none.FillRaw(0x5A);
    plat::CopyDibToImage(square, &none, 4, 0);
    EXPECT_EQ(none.Get(0, 0), 0x5Au);
}

TEST(PngWrite, ReadsBackAsWritten) {
    ScopedTempFolder folder;
    const uint32_t argb[6] = {0xFF102030, 0x80405060, 0x00708090, 0xFFFFFFFF, 0xFF000000, 0x7F0A0B0C};
    const std::string path = folder.host() + "/shot.png";
    ASSERT_TRUE(plat::WritePng(path.c_str(), argb, 3, 2));

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) << image.message;
    for (int i = 0; i < 6; ++i) {
        const uint32_t got = static_cast<uint32_t>(rgba[i * 4 + 3]) << 24 | static_cast<uint32_t>(rgba[i * 4]) << 16 |
                             static_cast<uint32_t>(rgba[i * 4 + 1]) << 8 | rgba[i * 4 + 2];
        EXPECT_EQ(got, argb[i]) << i;
    }

    EXPECT_FALSE(plat::WritePng((folder.host() + "/no/such/folder.png").c_str(), argb, 3, 2));
    EXPECT_FALSE(plat::WritePng(path.c_str(), argb, 0, 2));
    EXPECT_FALSE(plat::WritePng(folder.host().c_str(), argb, 3, 2));  // a folder stays a folder
    EXPECT_TRUE(std::filesystem::is_directory(folder.host()));
}

}  // namespace
