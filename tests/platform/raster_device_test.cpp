#include "platform/raster_device.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

#include "platform/picture_testing.h"
#include "platform/presenter.h"
#include "support/test_support.h"

namespace {

using plat::DeviceResult;
using plat::Image;
using plat::PixelFormat;
using plat::RasterDevice;
using plat::RasterTexture;
using plat::StageState;
using plat::TexturePool;
using plat::Vertex;

// The quad the drawing layer makes for a blit: corners half a pixel up and
// left, texture coordinates source / texture size.
std::array<Vertex, 4> BlitQuad(int x, int y, int w, int h, int sx, int sy, int sw, int sh, int texW, int texH,
                               uint32_t diffuse = 0xFFFFFFFF) {
    float l = static_cast<float>(x) - 0.5f, r = static_cast<float>(x + w) - 0.5f;
    float t = static_cast<float>(y) - 0.5f, b = static_cast<float>(y + h) - 0.5f;
    float u0 = static_cast<float>(sx) / static_cast<float>(texW);
    float u1 = static_cast<float>(sx + sw) / static_cast<float>(texW);
    float v0 = static_cast<float>(sy) / static_cast<float>(texH);
    float v1 = static_cast<float>(sy + sh) / static_cast<float>(texH);
    return {Vertex{l, t, 0, 1, diffuse, u0, v0}, Vertex{l, b, 0, 1, diffuse, u0, v1},
            Vertex{r, t, 0, 1, diffuse, u1, v0}, Vertex{r, b, 0, 1, diffuse, u1, v1}};
}

// A distinct opaque texel for every position of a texture up to 256 x 256.
uint32_t Texel(int x, int y) { return 0xFF000000u | uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 | 0x5A; }

class RasterTest : public ::testing::Test {
protected:
    void SetUp() override { plat::testing::ResetPictureFaults(); }
    void TearDown() override { plat::testing::ResetPictureFaults(); }

    static std::unique_ptr<RasterDevice> MakeDevice(PixelFormat backBuffer = PixelFormat::X8R8G8B8, int w = 128,
                                                    int h = 128) {
        plat::RasterDeviceConfig config;
        config.width = w;
        config.height = h;
        config.backBufferFormat = backBuffer;
        DeviceResult r = DeviceResult::Failed;
        auto device = RasterDevice::Create(config, &r);
        EXPECT_EQ(r, DeviceResult::Ok);
        return device;
    }

    static std::unique_ptr<RasterTexture> MakeTexture(RasterDevice& device, int w, int h, PixelFormat format,
                                                      TexturePool pool,
                                                      const std::function<uint32_t(int, int)>& argb = {}) {
        std::unique_ptr<RasterTexture> tex;
        EXPECT_EQ(device.CreateTexture(w, h, format, pool, &tex), DeviceResult::Ok);
        if (tex && argb) {
            Image& img = tex->Level0()->Pixels();
            for (int y = 0; y < h; ++y) {
                for (int x = 0; x < w; ++x) img.Set(x, y, plat::PackArgb(format, argb(x, y)));
            }
        }
        return tex;
    }

    static void Draw(RasterDevice& device, const std::array<Vertex, 4>& quad) {
        bool opened = !device.InScene();
        if (opened) {
            ASSERT_EQ(device.BeginScene(), DeviceResult::Ok);
        }
        ASSERT_EQ(device.DrawStrip(quad.data()), DeviceResult::Ok);
        if (opened) {
            ASSERT_EQ(device.EndScene(), DeviceResult::Ok);
        }
    }

    // Stage for a plain fill with the texture factor.
    static void UseFactorFill(RasterDevice& device, uint32_t factor) {
        StageState s;
        s.colorOp = plat::kTopSelectArg2;
        s.colorArg2 = plat::kTaTFactor;
        s.alphaOp = plat::kTopSelectArg2;
        s.alphaArg2 = plat::kTaTFactor;
        device.SetStage(s);
        device.SetTextureFactor(factor);
        device.SetTexture(nullptr);
    }
};

TEST_F(RasterTest, AxisAlignedQuadsCoverExactlyTheirPixels) {
    struct Case {
        int x, y, w, h;
    };
    const Case cases[] = {{0, 0, 1, 1},    {5, 7, 10, 3},      {0, 0, 128, 128},
                          {-10, 4, 20, 2}, {120, 125, 30, 30}, {127, 0, 1, 128}};
    auto device = MakeDevice();
    Image& bb = device->BackBuffer()->Pixels();
    UseFactorFill(*device, 0xFFFFFFFF);
    for (const Case& c : cases) {
        device->Clear(nullptr, 0);
        Draw(*device, BlitQuad(c.x, c.y, c.w, c.h, 0, 0, 1, 1, 1, 1));
        for (int y = 0; y < 128; ++y) {
            for (int x = 0; x < 128; ++x) {
                bool inside = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h;
                ASSERT_EQ(bb.Get(x, y), inside ? 0x00FFFFFFu : 0u)
                    << c.x << "," << c.y << " " << c.w << "x" << c.h << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(RasterTest, SameSizeBlitsCopyTexelsExactlyAndMirrorExactly) {
    struct Case {
        int texW, texH, sx, sy, sw, sh, dx, dy;
    };
    const Case cases[] = {
        {64, 64, 0, 0, 64, 64, 0, 0},       {100, 60, 7, 3, 33, 21, 10, 5},    {100, 60, 99, 59, 1, 1, 127, 127},
        {3, 7, 1, 2, 2, 5, 40, 40},         {100, 60, 40, 0, -32, 17, 3, 4},   {128, 128, 64, 30, -32, -20, 0, 0},
        {640, 480, 321, 17, 96, 96, 16, 9}, {100, 60, 20, 10, 30, 30, -5, -7},
    };
    auto device = MakeDevice();
    for (const Case& c : cases) {
        auto target = MakeTexture(*device, 128, 128, PixelFormat::A8R8G8B8, TexturePool::RenderTarget);
        auto tex = MakeTexture(*device, c.texW, c.texH, PixelFormat::A8R8G8B8, TexturePool::Managed, Texel);
        ASSERT_EQ(device->SetRenderTarget(target->Level0()), DeviceResult::Ok);
        device->SetTexture(tex.get());
        int w = std::abs(c.sw), h = std::abs(c.sh);
        Draw(*device, BlitQuad(c.dx, c.dy, w, h, c.sx, c.sy, c.sw, c.sh, c.texW, c.texH));
        Image& out = target->Level0()->Pixels();
        for (int j = 0; j < h; ++j) {
            for (int i = 0; i < w; ++i) {
                int x = c.dx + i, y = c.dy + j;
                if (x < 0 || y < 0 || x >= 128 || y >= 128) continue;
                int tx = c.sw > 0 ? c.sx + i : c.sx - 1 - i;
                int ty = c.sh > 0 ? c.sy + j : c.sy - 1 - j;
                ASSERT_EQ(out.Get(x, y), Texel(tx, ty)) << "case " << c.texW << "x" << c.texH << " src " << c.sx << ","
                                                        << c.sy << " column " << i << " row " << j;
            }
        }
        // Nothing beside the rectangle.
        if (c.dx > 0) {
            EXPECT_EQ(out.Get(c.dx - 1, std::max(c.dy, 0)), 0u);
        }
        if (c.dx + w < 128) {
            EXPECT_EQ(out.Get(c.dx + w, std::max(c.dy, 0)), 0u);
        }
        device->SetTexture(nullptr);
        device->SetRenderTarget(device->BackBuffer());
    }
}

TEST_F(RasterTest, ScaledBlitsSamplePixelCentresAndWrap) {
    auto device = MakeDevice();
    auto tex = MakeTexture(*device, 16, 16, PixelFormat::A8R8G8B8, TexturePool::Managed, Texel);
    device->SetTexture(tex.get());
    Image& bb = device->BackBuffer()->Pixels();
    // Twice the size: each texel covers two pixels.
    Draw(*device, BlitQuad(0, 0, 16, 8, 4, 2, 8, 4, 16, 16));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(bb.Get(i, 0), Texel(4 + i / 2, 2) & 0xFFFFFF) << i;
    EXPECT_EQ(bb.Get(0, 7), Texel(4, 5) & 0xFFFFFF);
    // Half the size: the centre of pixel i falls into texel 2i + 1.
    Draw(*device, BlitQuad(0, 20, 4, 4, 0, 0, 8, 8, 16, 16));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(bb.Get(i, 20 + i), Texel(2 * i + 1, 2 * i + 1) & 0xFFFFFF) << i;
    // Coordinates beyond the texture wrap around.
    Draw(*device, BlitQuad(0, 30, 8, 1, 12, 20, 8, 1, 16, 16));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(bb.Get(i, 30), Texel((12 + i) % 16, 4) & 0xFFFFFF) << i;
}

TEST_F(RasterTest, QuarterTurnQuadSwapsTextureAxes) {
    auto device = MakeDevice();
    auto tex = MakeTexture(*device, 4, 4, PixelFormat::A8R8G8B8, TexturePool::Managed, Texel);
    device->SetTexture(tex.get());
    // u runs down the screen and v across it.
    std::array<Vertex, 4> q = {Vertex{9.5f, 9.5f, 0, 1, 0xFFFFFFFF, 0, 0}, Vertex{9.5f, 13.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                               Vertex{13.5f, 9.5f, 0, 1, 0xFFFFFFFF, 0, 1},
                               Vertex{13.5f, 13.5f, 0, 1, 0xFFFFFFFF, 1, 1}};
    Draw(*device, q);
    Image& bb = device->BackBuffer()->Pixels();
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 4; ++i) EXPECT_EQ(bb.Get(10 + i, 10 + j), Texel(j, i) & 0xFFFFFF) << i << "," << j;
    }
}

TEST_F(RasterTest, SixteenBitTexelsReadWidened) {
    auto device = MakeDevice();
    auto target = MakeTexture(*device, 4, 1, PixelFormat::A8R8G8B8, TexturePool::RenderTarget);
    auto tex = MakeTexture(*device, 2, 1, PixelFormat::A1R5G5B5, TexturePool::Managed);
    tex->Level0()->Pixels().Set(0, 0, 0x8000 | 16 << 10 | 31 << 5 | 1);
    tex->Level0()->Pixels().Set(1, 0, 0x7FFF);  // alpha bit clear
    device->SetRenderTarget(target->Level0());
    device->SetTexture(tex.get());
    device->SetAlphaBlend(false);
    Draw(*device, BlitQuad(0, 0, 2, 1, 0, 0, 2, 1, 2, 1));
    EXPECT_EQ(target->Level0()->Pixels().Get(0, 0), 0xFF84FF08u);
    EXPECT_EQ(target->Level0()->Pixels().Get(1, 0), 0x00FFFFFFu);
}

// Texel, diffuse and factor of the stage cases below.
constexpr uint32_t kT = 0x80C04020, kD = 0x40FF8010, kF = 0x60102030;

struct StageCase {
    const char* name;
    StageState stage;
    uint32_t expected;
};

std::vector<StageCase> StageCases() {
    using namespace plat;
    return {
        {"modulate", {kTopModulate, kTaTexture, kTaDiffuse, kTopSelectArg1, kTaTexture, kTaDiffuse}, 0x80C02002},
        {"add", {kTopAdd, kTaTexture, kTaDiffuse, kTopAdd, kTaTexture, kTaDiffuse}, 0xC0FFC030},
        {"subtract", {kTopSubtract, kTaTexture, kTaDiffuse, kTopSubtract, kTaTexture, kTaDiffuse}, 0x40000010},
        {"subtract texture",
         {kTopSubtract, kTaDiffuse, kTaTexture, kTopSelectArg2, kTaTexture, kTaDiffuse},
         0x403F4000},
        {"factor fill", {kTopSelectArg2, kTaTexture, kTaTFactor, kTopSelectArg2, kTaTexture, kTaTFactor}, kF},
        {"blend factor alpha",
         {kTopBlendFactorAlpha, kTaTexture, kTaDiffuse, kTopDisable, kTaTexture, kTaDiffuse},
         0x40E76816},
        {"modulate factor", {kTopModulate, kTaTexture, kTaTFactor, kTopModulate, kTaTexture, kTaCurrent}, 0x200C0806},
        {"opaque copy", {kTopSelectArg1, kTaTexture, kTaDiffuse, kTopDisable, kTaTexture, kTaDiffuse}, 0x40C04020},
        {"colour disabled", {kTopDisable, kTaTexture, kTaDiffuse, kTopSelectArg1, kTaTexture, kTaDiffuse}, 0x80FF8010},
    };
}

TEST_F(RasterTest, StageOperationsGiveExactValuesOnEveryTargetFormat) {
    for (PixelFormat bbFormat : {PixelFormat::X8R8G8B8, PixelFormat::R5G6B5}) {
        auto device = MakeDevice(bbFormat, 8, 8);
        auto tex = MakeTexture(*device, 1, 1, PixelFormat::A8R8G8B8, TexturePool::Managed, [](int, int) { return kT; });
        auto rt32 = MakeTexture(*device, 8, 8, PixelFormat::A8R8G8B8, TexturePool::RenderTarget);
        auto rt16 = MakeTexture(*device, 8, 8, PixelFormat::A1R5G5B5, TexturePool::RenderTarget);
        for (plat::RasterSurface* target : {device->BackBuffer(), rt32->Level0(), rt16->Level0()}) {
            for (const StageCase& c : StageCases()) {
                ASSERT_EQ(device->SetRenderTarget(target), DeviceResult::Ok);
                device->SetAlphaBlend(false);
                device->SetStage(c.stage);
                device->SetTextureFactor(kF);
                device->SetTexture(tex.get());
                Draw(*device, BlitQuad(2, 3, 2, 2, 0, 0, 1, 1, 1, 1, kD));
                EXPECT_EQ(target->Pixels().Get(3, 4), plat::PackArgb(target->Format(), c.expected))
                    << c.name << " on " << plat::FormatName(target->Format());
            }
        }
    }
}

TEST_F(RasterTest, NoTextureReadsOpaqueWhite) {
    auto device = MakeDevice();
    device->SetTexture(nullptr);  // default stage: texture times diffuse, texture alpha
    Draw(*device, BlitQuad(0, 0, 4, 4, 0, 0, 1, 1, 1, 1, 0x20336699));
    EXPECT_EQ(device->BackBuffer()->Pixels().Get(1, 1), 0x00336699u);
}

TEST_F(RasterTest, BlendingUsesTheSourceAlphaFormulaOnEveryFormat) {
    struct Case {
        PixelFormat format;
        uint32_t dest;      // ARGB before
        uint32_t expected;  // raw after
    };
    const Case cases[] = {
        {PixelFormat::A8R8G8B8, 0x00204080, 0x40904040},
        {PixelFormat::X8R8G8B8, 0x00204080, 0x00904040},
        {PixelFormat::R5G6B5, 0xFF204080, 0x9208},
        {PixelFormat::A1R5G5B5, 0x00204080, 0x4908},
    };
    for (const Case& c : cases) {
        bool isTexture = c.format == PixelFormat::A8R8G8B8 || c.format == PixelFormat::A1R5G5B5;
        auto device = MakeDevice(isTexture ? PixelFormat::X8R8G8B8 : c.format, 8, 8);
        std::unique_ptr<RasterTexture> rt;
        if (isTexture) {
            rt = MakeTexture(*device, 8, 8, c.format, TexturePool::RenderTarget);
            device->SetRenderTarget(rt->Level0());
        }
        device->Clear(nullptr, c.dest);
        UseFactorFill(*device, 0x80FF4000);
        Draw(*device, BlitQuad(0, 0, 2, 1, 0, 0, 1, 1, 1, 1));
        Image& img = device->RenderTarget()->Pixels();
        EXPECT_EQ(img.Get(1, 0), c.expected) << plat::FormatName(c.format);
        EXPECT_EQ(img.Get(2, 0), plat::PackArgb(c.format, c.dest)) << plat::FormatName(c.format);
        // Alpha 255 writes the colour, alpha 0 leaves the pixel.
        UseFactorFill(*device, 0xFF112233);
        Draw(*device, BlitQuad(0, 1, 1, 1, 0, 0, 1, 1, 1, 1));
        EXPECT_EQ(img.Get(0, 1), plat::PackArgb(c.format, 0xFF112233)) << plat::FormatName(c.format);
        UseFactorFill(*device, 0x00112233);
        Draw(*device, BlitQuad(0, 2, 1, 1, 0, 0, 1, 1, 1, 1));
        EXPECT_EQ(img.Get(0, 2), plat::PackArgb(c.format, c.dest)) << plat::FormatName(c.format);
    }
}

TEST_F(RasterTest, TexturedBlendMatchesTheFormulaForEveryAlpha) {
    // Every alpha from 0 to 255 over a varied destination, in rows long
    // enough for the wide paths, then runs of only 0 and 255 of 4 and 8.
    auto texel = [](int x, int y) {
        uint32_t a = y < 8 ? uint32_t(y * 16 + x) * 2 % 256 : ((y < 12 ? x / 4 : x / 8) + y) % 2 ? 255u : 0u;
        return a << 24 | uint32_t(x * 13 + y) % 256 << 16 | uint32_t(x * 7 + 3 * y) % 256 << 8 |
               uint32_t(200 - x * y % 200);
    };
    auto dest = [](int x, int y) {
        return uint32_t(x * 5 + y) % 256 << 24 | uint32_t(255 - x * 9) << 16 | uint32_t(y * 15) << 8 | uint32_t(x + y);
    };
    auto blend = [](uint32_t s, uint32_t d) {
        uint32_t a = s >> 24, out = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            uint32_t sc = s >> shift & 0xFF, dc = d >> shift & 0xFF;
            out |= (sc * a + dc * (255 - a) + 127) / 255 << shift;
        }
        return out;
    };
    for (PixelFormat format : {PixelFormat::A8R8G8B8, PixelFormat::X8R8G8B8}) {
        auto device = MakeDevice(PixelFormat::X8R8G8B8, 32, 32);
        auto tex = MakeTexture(*device, 16, 16, PixelFormat::A8R8G8B8, TexturePool::Managed, texel);
        std::unique_ptr<RasterTexture> rt;
        if (format == PixelFormat::A8R8G8B8) {
            rt = MakeTexture(*device, 32, 32, format, TexturePool::RenderTarget);
            device->SetRenderTarget(rt->Level0());
        }
        Image& img = device->RenderTarget()->Pixels();
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) img.Set(x, y, plat::PackArgb(format, dest(x, y)));
        }
        device->SetTexture(tex.get());
        Draw(*device, BlitQuad(3, 5, 16, 16, 0, 0, 16, 16, 16, 16));
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                uint32_t before = plat::UnpackToArgb(format, plat::PackArgb(format, dest(x + 3, y + 5)));
                ASSERT_EQ(img.Get(x + 3, y + 5), plat::PackArgb(format, blend(texel(x, y), before)))
                    << plat::FormatName(format) << " texel " << x << "," << y;
            }
        }
        // The same colours through the stage's general path (a diffuse
        // colour that is not white) must agree as well.
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) img.Set(x, y, plat::PackArgb(format, dest(x, y)));
        }
        Draw(*device, BlitQuad(3, 5, 16, 16, 0, 0, 16, 16, 16, 16, 0xFFFEFFFF));
        uint32_t t = texel(9, 2);
        uint32_t modulated = (t & 0xFF00FFFF) | ((t >> 16 & 0xFF) * 254 + 127) / 255 << 16;
        uint32_t before = plat::UnpackToArgb(format, plat::PackArgb(format, dest(12, 7)));
        EXPECT_EQ(img.Get(12, 7), plat::PackArgb(format, blend(modulated, before)));
    }
}

TEST_F(RasterTest, KeyedSpriteBlendsAwayTransparentTexels) {
    auto device = MakeDevice();
    auto tex = MakeTexture(*device, 4, 1, PixelFormat::A8R8G8B8, TexturePool::Managed,
                           [](int x, int) { return x % 2 ? 0u : 0xFF102030u; });
    device->Clear(nullptr, 0xFF445566);
    Image& bb = device->BackBuffer()->Pixels();
    bb.Set(3, 0, 0xAB445566);  // a fourth byte written through a lock
    device->SetTexture(tex.get());
    Draw(*device, BlitQuad(0, 0, 4, 1, 0, 0, 4, 1, 4, 1));
    EXPECT_EQ(bb.Get(0, 0), 0x00102030u);
    EXPECT_EQ(bb.Get(1, 0), 0x00445566u);
    EXPECT_EQ(bb.Get(2, 0), 0x00102030u);
    EXPECT_EQ(bb.Get(3, 0), 0xAB445566u);  // a transparent texel leaves the pixel as it is
}

// Wide sprite rows go through vector loops: runs of transparent and opaque
// texels in every mix, a group with a half-transparent texel, and a tail
// shorter than a vector step; with the widest steps the processor has and
// with 128-bit steps only.
TEST_F(RasterTest, WideKeyedSpriteRowsMatchThePixelRuleAtEveryVectorWidth) {
    const int w = 45, h = 4;
    auto alphaAt = [](int x, int y) -> uint32_t {
        if (y == 1 && x == 21) return 0x80;                  // half transparent
        if (y == 2) return 0xFF;                             // all opaque
        if (y == 3) return 0;                                // all transparent
        return (x * 7 + y * 3) % 5 < 2 ? 0u : 0xFFu;         // mixed runs
    };
    for (bool narrow : {false, true}) {
        SCOPED_TRACE(narrow ? "128-bit steps" : "widest steps");
        plat::testing::UseNarrowVectors(narrow);
        auto device = MakeDevice();
        auto tex = MakeTexture(*device, w, h, PixelFormat::A8R8G8B8, TexturePool::Managed,
                               [&](int x, int y) { return alphaAt(x, y) << 24 | (Texel(x, y) & 0xFFFFFF); });
        Image& bb = device->BackBuffer()->Pixels();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w + 3; ++x) bb.Set(x, y, 0x11000000u | uint32_t(x * 5) << 8 | uint32_t(y));
        const Image before = bb;
        device->SetTexture(tex.get());
        Draw(*device, BlitQuad(1, 0, w, h, 0, 0, w, h, w, h));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const uint32_t a = alphaAt(x, y), t = Texel(x, y) & 0xFFFFFF, d = before.Get(x + 1, y);
                uint32_t want = d;
                if (a == 0xFF) want = t;
                if (a != 0 && a != 0xFF) {
                    want = 0;
                    for (int shift : {0, 8, 16}) {
                        const uint32_t sc = t >> shift & 0xFF, dc = d >> shift & 0xFF;
                        want |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
                    }
                }
                ASSERT_EQ(bb.Get(x + 1, y), want) << "x " << x << " y " << y;
            }
            EXPECT_EQ(bb.Get(0, y), before.Get(0, y));
            EXPECT_EQ(bb.Get(w + 1, y), before.Get(w + 1, y));
        }
    }
}

TEST_F(RasterTest, SlantedQuadsSharingEdgesDrawEachPixelOnce) {
    auto device = MakeDevice();
    UseFactorFill(*device, 0x80FFFFFF);
    // Two parallelograms with corners on pixel centres, side by side: their
    // common edge, and the diagonal inside each, run through pixel centres.
    // Parallelograms like these tile the plane, so each covers exactly its
    // area (100 pixels) and none is drawn twice.
    auto v = [](float x, float y) { return Vertex{x, y, 0, 1, 0, 0, 0}; };
    Draw(*device, {v(0, 0), v(0, 10), v(10, 5), v(10, 15)});
    Draw(*device, {v(10, 5), v(10, 15), v(20, 10), v(20, 20)});
    Image& bb = device->BackBuffer()->Pixels();
    int covered = 0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            uint32_t value = bb.Get(x, y);
            ASSERT_TRUE(value == 0 || value == 0x00808080u) << x << "," << y << " " << std::hex << value;
            covered += value != 0;
        }
    }
    EXPECT_EQ(covered, 200);
    for (int y = 6; y < 15; ++y) EXPECT_EQ(bb.Get(10, y), 0x00808080u) << y;  // the common edge
    EXPECT_EQ(bb.Get(4, 8), 0x00808080u);                                     // on the inner diagonal
    EXPECT_EQ(bb.Get(0, 0), 0u);                                              // also on a right edge
    EXPECT_EQ(bb.Get(0, 10), 0x00808080u);                                    // on two left edges
}

TEST_F(RasterTest, TextureDrawnIntoItselfReadsBeforeEachWrite) {
    auto device = MakeDevice();
    auto rt = MakeTexture(*device, 8, 1, PixelFormat::A8R8G8B8, TexturePool::RenderTarget, Texel);
    device->SetRenderTarget(rt->Level0());
    device->SetTexture(rt.get());
    device->SetAlphaBlend(false);
    // Each pixel takes the texel to its left, which was just written.
    Draw(*device, BlitQuad(1, 0, 7, 1, 0, 0, 7, 1, 8, 1));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(rt->Level0()->Pixels().Get(x, 0), Texel(0, 0)) << x;
}

TEST_F(RasterTest, ClearWritesThePackedValueIntoTheCutRectangle) {
    auto device = MakeDevice();
    auto rt32 = MakeTexture(*device, 8, 8, PixelFormat::A8R8G8B8, TexturePool::RenderTarget);
    auto rt16 = MakeTexture(*device, 8, 8, PixelFormat::A1R5G5B5, TexturePool::RenderTarget);
    device->SetRenderTarget(rt32->Level0());
    ASSERT_EQ(device->Clear(nullptr, 0x12345678), DeviceResult::Ok);
    EXPECT_EQ(rt32->Level0()->Pixels().Get(7, 7), 0x12345678u);
    plat::PixelRect r{-5, -5, 3, 2};
    device->Clear(&r, 0);
    EXPECT_EQ(rt32->Level0()->Pixels().Get(2, 1), 0u);
    EXPECT_EQ(rt32->Level0()->Pixels().Get(3, 1), 0x12345678u);
    EXPECT_EQ(rt32->Level0()->Pixels().Get(2, 2), 0x12345678u);

    device->SetRenderTarget(rt16->Level0());
    device->Clear(nullptr, 0x80FF0000);
    EXPECT_EQ(rt16->Level0()->Pixels().Get(0, 0), 0xFC00u);
    device->SetRenderTarget(device->BackBuffer());
    device->Clear(nullptr, 0x12345678);
    EXPECT_EQ(device->BackBuffer()->Pixels().Get(0, 0), 0x00345678u);
}

TEST_F(RasterTest, ScenesAndTargetsAreChecked) {
    auto device = MakeDevice();
    auto quad = BlitQuad(0, 0, 1, 1, 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(device->DrawStrip(quad.data()), DeviceResult::InvalidCall);
    EXPECT_EQ(device->EndScene(), DeviceResult::InvalidCall);
    EXPECT_EQ(device->BeginScene(), DeviceResult::Ok);
    EXPECT_EQ(device->BeginScene(), DeviceResult::InvalidCall);
    EXPECT_EQ(device->EndScene(), DeviceResult::Ok);

    auto managed = MakeTexture(*device, 4, 4, PixelFormat::A8R8G8B8, TexturePool::Managed);
    EXPECT_EQ(device->SetRenderTarget(managed->Level0()), DeviceResult::InvalidCall);
    EXPECT_EQ(device->SetRenderTarget(nullptr), DeviceResult::InvalidCall);
    EXPECT_EQ(device->RenderTarget(), device->BackBuffer());
    std::unique_ptr<RasterTexture> tex;
    EXPECT_EQ(device->CreateTexture(4, 4, PixelFormat::X8R8G8B8, TexturePool::Managed, &tex),
              DeviceResult::InvalidCall);
    EXPECT_EQ(device->CreateTexture(0, 4, PixelFormat::A8R8G8B8, TexturePool::Managed, &tex),
              DeviceResult::InvalidCall);

    // A render target released while it is the target leaves the back buffer
    // as the target.
    auto rt = MakeTexture(*device, 4, 4, PixelFormat::A8R8G8B8, TexturePool::RenderTarget);
    device->SetRenderTarget(rt->Level0());
    rt.reset();
    EXPECT_EQ(device->RenderTarget(), device->BackBuffer());
}

TEST_F(RasterTest, RenderTargetCopiesCheckSizeAndFormat) {
    auto device = MakeDevice();
    auto rt = MakeTexture(*device, 4, 4, PixelFormat::A8R8G8B8, TexturePool::RenderTarget, Texel);
    std::unique_ptr<plat::RasterSurface> copy, wrong;
    ASSERT_EQ(device->CreateOffscreenPlain(4, 4, PixelFormat::A8R8G8B8, &copy), DeviceResult::Ok);
    ASSERT_EQ(device->CreateOffscreenPlain(4, 3, PixelFormat::A8R8G8B8, &wrong), DeviceResult::Ok);
    ASSERT_EQ(device->GetRenderTargetData(rt->Level0(), copy.get()), DeviceResult::Ok);
    EXPECT_EQ(copy->Pixels().Get(3, 2), Texel(3, 2));
    copy->Pixels().Set(1, 1, 0xDEADBEEF);
    ASSERT_EQ(device->UpdateSurface(copy.get(), rt->Level0()), DeviceResult::Ok);
    EXPECT_EQ(rt->Level0()->Pixels().Get(1, 1), 0xDEADBEEFu);
    EXPECT_EQ(device->GetRenderTargetData(rt->Level0(), wrong.get()), DeviceResult::InvalidCall);
    EXPECT_EQ(device->UpdateSurface(wrong.get(), rt->Level0()), DeviceResult::InvalidCall);
    EXPECT_EQ(device->GetRenderTargetData(copy.get(), rt->Level0()), DeviceResult::InvalidCall);  // not a target
}

TEST_F(RasterTest, RenderTargetsBeyondTheBudgetRunOutOfVideoMemory) {
    auto device = MakeDevice();
    plat::testing::SetVideoMemoryBudget(64 * 64 * 4);
    std::unique_ptr<RasterTexture> a, b, c;
    ASSERT_EQ(device->CreateTexture(64, 64, PixelFormat::A8R8G8B8, TexturePool::RenderTarget, &a), DeviceResult::Ok);
    EXPECT_EQ(device->CreateTexture(1, 1, PixelFormat::A8R8G8B8, TexturePool::RenderTarget, &b),
              DeviceResult::OutOfVideoMemory);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(device->CreateTexture(64, 64, PixelFormat::A8R8G8B8, TexturePool::System, &c), DeviceResult::Ok);
    a.reset();
    EXPECT_EQ(device->CreateTexture(64, 64, PixelFormat::A8R8G8B8, TexturePool::RenderTarget, &b), DeviceResult::Ok);
}

TEST_F(RasterTest, LostDeviceResetsOnlyWhenReadyAndWithoutRenderTargets) {
    auto device = MakeDevice();
    auto rt = MakeTexture(*device, 4, 4, PixelFormat::A8R8G8B8, TexturePool::RenderTarget);
    device->Clear(nullptr, 0xFFFFFFFF);
    device->SetAlphaBlend(false);
    device->SetTextureFactor(0x12345678);
    EXPECT_EQ(device->Reset(), DeviceResult::InvalidCall);  // a render target is alive

    plat::testing::LoseDevice(2);
    EXPECT_EQ(device->TestCooperativeLevel(), DeviceResult::Ok);  // not lost before the present
    EXPECT_EQ(device->Present(), DeviceResult::DeviceLost);
    EXPECT_EQ(device->Present(), DeviceResult::DeviceLost);
    EXPECT_EQ(device->TestCooperativeLevel(), DeviceResult::DeviceLost);
    rt.reset();
    EXPECT_EQ(device->Reset(), DeviceResult::InvalidCall);  // still lost
    EXPECT_EQ(device->TestCooperativeLevel(), DeviceResult::DeviceLost);
    EXPECT_EQ(device->TestCooperativeLevel(), DeviceResult::DeviceNotReset);
    EXPECT_EQ(device->TestCooperativeLevel(), DeviceResult::DeviceNotReset);
    ASSERT_EQ(device->Reset(), DeviceResult::Ok);
    EXPECT_EQ(device->TestCooperativeLevel(), DeviceResult::Ok);
    EXPECT_EQ(device->BackBuffer()->Pixels().Get(0, 0), 0u);
    EXPECT_EQ(device->Stage().colorOp, plat::kTopModulate);
    EXPECT_EQ(device->RenderTarget(), device->BackBuffer());
    // Blending is on again and the factor white: a half-transparent fill blends.
    UseFactorFill(*device, 0x80FFFFFF);
    Draw(*device, BlitQuad(0, 0, 1, 1, 0, 0, 1, 1, 1, 1));
    EXPECT_EQ(device->BackBuffer()->Pixels().Get(0, 0), 0x00808080u);
    EXPECT_EQ(device->Present(), DeviceResult::Ok);
}

TEST_F(RasterTest, PresentHandsTheBackBufferOver) {
    auto device = MakeDevice(PixelFormat::R5G6B5, 16, 8);
    device->Clear(nullptr, 0xFFFF0000);
    plat::PixelRect r{3, 2, 4, 3};
    device->Clear(&r, 0xFF0000FF);
    ASSERT_EQ(device->Present(), DeviceResult::Ok);
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    ASSERT_TRUE(plat::LastPresentedFrame(&frame, &w, &h));
    ASSERT_EQ(w, 16);
    ASSERT_EQ(h, 8);
    EXPECT_EQ(frame[0], 0xFFFF0000u);
    EXPECT_EQ(frame[2 * 16 + 3], 0xFF0000FFu);
}

TEST_F(RasterTest, CreationFaultsAndVertexBuffers) {
    plat::RasterDeviceConfig config;
    DeviceResult r = DeviceResult::Ok;
    config.backBufferFormat = PixelFormat::A8R8G8B8;
    EXPECT_EQ(RasterDevice::Create(config, &r), nullptr);
    EXPECT_EQ(r, DeviceResult::InvalidCall);

    plat::testing::RasterCapsOverride caps;
    caps.hardwareVertexProcessing = false;
    caps.pow2 = true;
    caps.maxTextureWidth = 256;
    plat::testing::SetRasterCaps(caps);
    config.backBufferFormat = PixelFormat::X8R8G8B8;
    EXPECT_EQ(RasterDevice::Create(config, &r), nullptr);
    EXPECT_EQ(r, DeviceResult::Failed);
    config.hardwareVertexProcessing = false;
    auto device = RasterDevice::Create(config, &r);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->Caps().pow2);
    EXPECT_EQ(device->Caps().maxTextureWidth, 256);
    EXPECT_EQ(device->BackBuffer()->Width(), 640);

    caps.createFails = true;
    plat::testing::SetRasterCaps(caps);
    EXPECT_EQ(RasterDevice::Create(config, &r), nullptr);
    EXPECT_EQ(r, DeviceResult::Failed);

    plat::testing::FailNextBufferCreations(1);
    plat::testing::FailNextBufferLocks(1);
    std::unique_ptr<plat::VertexBuffer> vb;
    EXPECT_EQ(device->CreateVertexBuffer(4, &vb), DeviceResult::Failed);
    ASSERT_EQ(device->CreateVertexBuffer(4, &vb), DeviceResult::Ok);
    Vertex* v = nullptr;
    EXPECT_FALSE(vb->Lock(&v));
    ASSERT_TRUE(vb->Lock(&v));
    v[3].u = 0.25f;
    vb->Unlock();
    EXPECT_EQ(vb->Data()[3].u, 0.25f);
    EXPECT_EQ(vb->Count(), 4);
    EXPECT_EQ(device->LiveObjects(), 1);
    vb.reset();
    EXPECT_EQ(device->LiveObjects(), 0);
}

// A 24-bit bitmap of 3 x 2 pixels, stored bottom-up.
std::string Bmp24(const uint32_t (&rgb)[2][3]) {
    std::string b;
    auto u16 = [&](uint32_t v) { b += char(v & 0xFF), b += char(v >> 8); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    b += "BM";
    u32(54 + 24);
    u32(0);
    u32(54);
    u32(40), u32(3), u32(2), u16(1), u16(24), u32(0), u32(24), u32(2835), u32(2835), u32(0), u32(0);
    for (int y = 1; y >= 0; --y) {
        for (int x = 0; x < 3; ++x) b += char(rgb[y][x] & 0xFF), b += char(rgb[y][x] >> 8), b += char(rgb[y][x] >> 16);
        b.append(3, '\0');
    }
    return b;
}

TEST_F(RasterTest, TexturesFromFilesKeyTheirTransparentColour) {
    orvtest::ScopedTempFolder folder;
    const uint32_t rgb[2][3] = {{0x00FF00, 0x123456, 0xFFFFFF}, {0x0F0F0F, 0x00FF00, 0x808080}};
    orvtest::WriteHostFile(folder.host() + "/sheet.bmp", Bmp24(rgb));
    auto device = MakeDevice();
    std::unique_ptr<RasterTexture> tex;
    ASSERT_EQ(
        device->CreateTextureFromFile("sheet.bmp", 4, 4, PixelFormat::A8R8G8B8, TexturePool::Managed, 0x1200FF00, &tex),
        DeviceResult::Ok);
    Image& img = tex->Level0()->Pixels();
    EXPECT_EQ(img.Get(0, 0), 0u);
    EXPECT_EQ(img.Get(1, 0), 0xFF123456u);
    EXPECT_EQ(img.Get(0, 1), 0xFF0F0F0Fu);
    EXPECT_EQ(img.Get(1, 1), 0u);
    EXPECT_EQ(img.Get(3, 0), 0u);  // outside the picture
    EXPECT_EQ(img.Get(0, 2), 0u);

    ASSERT_EQ(
        device->CreateTextureFromFile("SHEET.BMP", 4, 2, PixelFormat::A1R5G5B5, TexturePool::System, 0xFF00FF00, &tex),
        DeviceResult::Ok);
    EXPECT_EQ(tex->Level0()->Pixels().Get(0, 0), 0u);
    EXPECT_EQ(tex->Level0()->Pixels().Get(1, 0), 0x8000u | 2 << 10 | 6 << 5 | 10);
    EXPECT_EQ(tex->Pool(), TexturePool::System);
    EXPECT_EQ(device->CreateTextureFromFile("missing.bmp", 4, 4, PixelFormat::A8R8G8B8, TexturePool::Managed, 0, &tex),
              DeviceResult::Failed);
    EXPECT_EQ(tex, nullptr);
}

}  // namespace
