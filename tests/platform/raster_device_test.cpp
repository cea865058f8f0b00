#include "platform/raster_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// What one shaded value does to a pixel of the target, by the blending rule.
uint32_t Written(PixelFormat format, uint32_t argb, uint32_t beforeRaw, bool blend) {
    if (!blend) return plat::PackArgb(format, argb);
    const uint32_t a = argb >> 24;
    if (a == 0) return beforeRaw;
    const uint32_t d = plat::UnpackToArgb(format, beforeRaw);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t sc = argb >> shift & 0xFF, dc = d >> shift & 0xFF;
        out |= (sc * a + dc * (255 - a) + 127) / 255 << shift;
    }
    return plat::PackArgb(format, out);
}

// Sprite rows whose texture rows do not simply follow each other (turned
// upside down, stretched only in height) are looked up row by row; each row
// must still follow the pixel rule at every vector width.
TEST_F(RasterTest, SpritesFlippedOrStretchedInHeightKeepThePixelRule) {
    const int w = 45, h = 6;
    auto texel = [](int x, int y) -> uint32_t {
        const uint32_t alpha = y == 2 && x == 30 ? 0x80u : (x * 3 + y) % 7 < 3 ? 0u : 0xFFu;
        return alpha << 24 | (Texel(x, y) & 0xFFFFFF);
    };
    struct Case {
        int sy, sh, dh;
        // The texture row under the centre of target row j.
        int Row(int j) const {
            const int k = (2 * j + 1) * std::abs(sh) / (2 * dh);
            return sh > 0 ? sy + k : sy - 1 - k;
        }
    };
    const Case cases[] = {{6, -6, 6}, {0, 6, 16}};
    for (bool narrow : {false, true}) {
        plat::testing::UseNarrowVectors(narrow);
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << (narrow ? "128-bit steps" : "widest steps") << ", " << c.sh
                                              << " rows onto " << c.dh);
            auto device = MakeDevice(PixelFormat::X8R8G8B8, 64, 24);
            auto tex = MakeTexture(*device, w, h, PixelFormat::A8R8G8B8, TexturePool::Managed, texel);
            Image& bb = device->BackBuffer()->Pixels();
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 64; ++x) bb.Set(x, y, uint32_t(x * 5) << 8 | uint32_t(y * 9));
            const Image before = bb;
            device->SetTexture(tex.get());
            Draw(*device, BlitQuad(2, 1, w, c.dh, 0, c.sy, w, c.sh, w, h));
            for (int j = 0; j < c.dh; ++j) {
                for (int i = 0; i < w; ++i) {
                    ASSERT_EQ(bb.Get(2 + i, 1 + j),
                              Written(PixelFormat::X8R8G8B8, texel(i, c.Row(j)), before.Get(2 + i, 1 + j), true))
                        << i << "," << j;
                }
            }
        }
    }
}

// A picture drawn at twice its size duplicates texels and rows instead of
// sampling every pixel: each pixel still takes the texel under its centre
// and blends with what was under it, also where the quad is cut at an odd
// pixel, where a row holds transparent or half-transparent texels, where the
// picture wraps, on every target format and padded pitches.
TEST_F(RasterTest, DoubledBlitsTakeTheTexelUnderEachPixelCentre) {
    plat::testing::SetPitchPadding(3);
    constexpr int kTexW = 64, kTexH = 16, kW = 128, kH = 32;
    auto texel = [](int x, int y) -> uint32_t {
        uint32_t alpha = 0xFF;
        if (y == 3 && x == 9) alpha = 0x80;
        if (y == 5 && x % 5 == 0) alpha = 0;
        return alpha << 24 | (Texel(x, y) & 0xFFFFFF);
    };
    struct Case {
        int x, y, sx, sy, sw, sh;
    };
    const Case cases[] = {
        {1, 0, 0, 0, 20, 5},      // rows with a half-transparent and with transparent texels
        {-3, -1, 3, 2, 13, 6},    // cut by an odd count on the left and at the top
        {100, 20, 50, 10, 17, 6}, // cut on the right; the picture wraps
        {5, 8, 40, 9, 24, 7},     // opaque rows wider than a vector step
    };
    for (PixelFormat format : {PixelFormat::X8R8G8B8, PixelFormat::R5G6B5, PixelFormat::A8R8G8B8}) {
        const bool renderTarget = format == PixelFormat::A8R8G8B8;
        auto device = MakeDevice(renderTarget ? PixelFormat::X8R8G8B8 : format, kW, kH);
        auto tex = MakeTexture(*device, kTexW, kTexH, PixelFormat::A8R8G8B8, TexturePool::Managed, texel);
        std::unique_ptr<RasterTexture> rt;
        if (renderTarget) {
            rt = MakeTexture(*device, kW, kH, format, TexturePool::RenderTarget);
            ASSERT_EQ(device->SetRenderTarget(rt->Level0()), DeviceResult::Ok);
        }
        Image& img = device->RenderTarget()->Pixels();
        ASSERT_GT(img.Pitch(), kW * plat::BytesPerPixel(format));
        device->SetTexture(tex.get());
        for (bool blend : {true, false}) {
            device->SetAlphaBlend(blend);
            for (const Case& c : cases) {
                SCOPED_TRACE(::testing::Message() << plat::FormatName(format) << (blend ? " blended" : " opaque")
                                                  << " at " << c.x << "," << c.y);
                // Every row different, so a row copied instead of blended shows.
                for (int y = 0; y < kH; ++y) {
                    for (int x = 0; x < kW; ++x) {
                        img.Set(x, y, plat::PackArgb(format, uint32_t(x * 3 + y) % 256 << 24 | uint32_t(y * 8) << 16 |
                                                                 uint32_t(x * 2) << 8 | uint32_t(x ^ y)));
                    }
                }
                const Image before = img;
                Draw(*device, BlitQuad(c.x, c.y, 2 * c.sw, 2 * c.sh, c.sx, c.sy, c.sw, c.sh, kTexW, kTexH));
                for (int y = 0; y < kH; ++y) {
                    for (int x = 0; x < kW; ++x) {
                        const int i = x - c.x, j = y - c.y;
                        uint32_t want = before.Get(x, y);
                        if (i >= 0 && i < 2 * c.sw && j >= 0 && j < 2 * c.sh) {
                            want = Written(format, texel((c.sx + i / 2) % kTexW, (c.sy + j / 2) % kTexH), want, blend);
                        }
                        ASSERT_EQ(img.Get(x, y), want) << x << "," << y;
                    }
                }
            }
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

// The plain per-pixel rule for quads that are not axis-aligned, as it was
// first written: every pixel of each triangle's bounding box tested against
// the three edges, the colour and texel worked out anew for each pixel. The
// device's faster drawing must give exactly these pixels.
namespace plain {

uint32_t Blend8(uint32_t s, uint32_t d, uint32_t a) { return (s * a + d * (255 - a) + 127) / 255; }

uint32_t BlendArgb(uint32_t s, uint32_t d) {
    uint32_t a = s >> 24;
    return Blend8(a, d >> 24, a) << 24 | Blend8((s >> 16) & 0xFF, (d >> 16) & 0xFF, a) << 16 |
           Blend8((s >> 8) & 0xFF, (d >> 8) & 0xFF, a) << 8 | Blend8(s & 0xFF, d & 0xFF, a);
}

uint32_t StageOp(int op, uint32_t a1, uint32_t a2, uint32_t diffuse, uint32_t factorAlpha) {
    switch (op) {
    case plat::kTopSelectArg1:
        return a1;
    case plat::kTopSelectArg2:
        return a2;
    case plat::kTopModulate:
        return (a1 * a2 + 127) / 255;
    case plat::kTopAdd:
        return std::min<uint32_t>(255, a1 + a2);
    case plat::kTopSubtract:
        return a1 > a2 ? a1 - a2 : 0;
    case plat::kTopBlendFactorAlpha:
        return (a1 * factorAlpha + a2 * (255 - factorAlpha) + 127) / 255;
    default:
        return diffuse;
    }
}

struct State {
    StageState stage;
    uint32_t factor = 0xFFFFFFFF;
    bool blend = true;

    uint32_t Arg(int which, uint32_t texel, uint32_t diffuse) const {
        if (which == plat::kTaTexture) return texel;
        if (which == plat::kTaTFactor) return factor;
        return diffuse;
    }

    uint32_t Combine(uint32_t texel, uint32_t diffuse) const {
        uint32_t fa = factor >> 24;
        uint32_t c1 = Arg(stage.colorArg1, texel, diffuse), c2 = Arg(stage.colorArg2, texel, diffuse);
        uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            out |= StageOp(stage.colorOp, (c1 >> shift) & 0xFF, (c2 >> shift) & 0xFF, (diffuse >> shift) & 0xFF, fa)
                   << shift;
        }
        uint32_t a1 = Arg(stage.alphaArg1, texel, diffuse), a2 = Arg(stage.alphaArg2, texel, diffuse);
        out |= StageOp(stage.alphaOp, a1 >> 24, a2 >> 24, diffuse >> 24, fa) << 24;
        return out;
    }
};

int WrapTexel(double t, int size) {
    double p = t * size;
    if (p >= 0 && p < size) return static_cast<int>(p);
    double v = std::floor(p);
    if (!std::isfinite(v)) return 0;
    v = std::fmod(v, static_cast<double>(size));
    if (v < 0) v += size;
    int i = static_cast<int>(v);
    return i >= size ? 0 : i;
}

void WritePixel(Image& target, int x, int y, uint32_t argb, bool blend) {
    PixelFormat f = target.Format();
    if (blend) {
        if (argb >> 24 == 0) return;
        argb = BlendArgb(argb, plat::UnpackToArgb(f, target.Get(x, y)));
    }
    target.Set(x, y, plat::PackArgb(f, argb));
}

double Edge(const Vertex& p, const Vertex& q, double x, double y) {
    bool flip = q.y < p.y || (q.y == p.y && q.x < p.x);
    const Vertex& s = flip ? q : p;
    const Vertex& e = flip ? p : q;
    double v = (double{e.x} - s.x) * (y - s.y) - (double{e.y} - s.y) * (x - s.x);
    return flip ? -v : v;
}

bool TopLeft(const Vertex& p, const Vertex& q) {
    double dx = double{q.x} - p.x, dy = double{q.y} - p.y;
    return (dy == 0 && dx > 0) || dy < 0;
}

void Triangle(Image& target, const Image* tex, const State& st, Vertex a, Vertex b, Vertex c) {
    double area = Edge(a, b, c.x, c.y);
    if (area == 0 || !std::isfinite(area)) return;
    if (area < 0) {
        std::swap(b, c);
        area = -area;
    }
    double minX = std::min({double{a.x}, double{b.x}, double{c.x}}),
           maxX = std::max({double{a.x}, double{b.x}, double{c.x}});
    double minY = std::min({double{a.y}, double{b.y}, double{c.y}}),
           maxY = std::max({double{a.y}, double{b.y}, double{c.y}});
    int x0 = static_cast<int>(std::clamp(std::ceil(minX), 0.0, double(target.Width())));
    int x1 = static_cast<int>(std::clamp(std::floor(maxX) + 1, 0.0, double(target.Width())));
    int y0 = static_cast<int>(std::clamp(std::ceil(minY), 0.0, double(target.Height())));
    int y1 = static_cast<int>(std::clamp(std::floor(maxY) + 1, 0.0, double(target.Height())));
    bool tlA = TopLeft(b, c), tlB = TopLeft(c, a), tlC = TopLeft(a, b);
    for (int py = y0; py < y1; ++py) {
        for (int px = x0; px < x1; ++px) {
            double wa = Edge(b, c, px, py), wb = Edge(c, a, px, py), wc = Edge(a, b, px, py);
            if (wa < 0 || wb < 0 || wc < 0) continue;
            if ((wa == 0 && !tlA) || (wb == 0 && !tlB) || (wc == 0 && !tlC)) continue;
            wa /= area, wb /= area, wc /= area;
            uint32_t diffuse = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                double ch = wa * ((a.diffuse >> shift) & 0xFF) + wb * ((b.diffuse >> shift) & 0xFF) +
                            wc * ((c.diffuse >> shift) & 0xFF);
                diffuse |= static_cast<uint32_t>(std::clamp(std::floor(ch + 0.5), 0.0, 255.0)) << shift;
            }
            uint32_t texel = 0xFFFFFFFF;
            if (tex) {
                double u = wa * a.u + wb * b.u + wc * c.u, v = wa * a.v + wb * b.v + wc * c.v;
                texel = plat::UnpackToArgb(tex->Format(),
                                           tex->Get(WrapTexel(u, tex->Width()), WrapTexel(v, tex->Height())));
            }
            WritePixel(target, px, py, st.Combine(texel, diffuse), st.blend);
        }
    }
}

void Strip(Image& target, const Image* tex, const State& st, const std::array<Vertex, 4>& q) {
    Triangle(target, tex, st, q[0], q[1], q[2]);
    Triangle(target, tex, st, q[2], q[1], q[3]);
}

}  // namespace plain

// A w x h picture turned by `degrees` about its centre, which lands on
// (cx, cy); the corners half a pixel up and left, as the drawing layer
// makes them, in float as it computes them.
std::array<Vertex, 4> TurnedQuad(int degrees, float cx, float cy, float w, float h, float u0, float v0, float u1,
                                 float v1, const std::array<uint32_t, 4>& diffuse) {
    const double theta = degrees * 0.017453292519943278;
    const float s = static_cast<float>(std::sin(theta)), c = static_cast<float>(std::cos(theta));
    auto corner = [&](float du, float dv, float u, float v, uint32_t d) {
        return Vertex{du * c - dv * s + cx - 0.5f, du * s + dv * c + cy - 0.5f, 0, 1, d, u, v};
    };
    return {corner(-w / 2, -h / 2, u0, v0, diffuse[0]), corner(-w / 2, h / 2, u0, v1, diffuse[1]),
            corner(w / 2, -h / 2, u1, v0, diffuse[2]), corner(w / 2, h / 2, u1, v1, diffuse[3])};
}

bool AxisAligned(const std::array<Vertex, 4>& q) {
    return (q[0].x == q[1].x && q[2].x == q[3].x && q[0].y == q[2].y && q[1].y == q[3].y) ||
           (q[0].y == q[1].y && q[2].y == q[3].y && q[0].x == q[2].x && q[1].x == q[3].x);
}

// Turned quads at every angle step, of several sizes (slivers and pictures
// larger than the target among them), at whole and sub-pixel positions
// (some cut by the target's edges), blended and not, through several target
// and texture formats and stages, each compared pixel by pixel with the
// plain rule above.
TEST_F(RasterTest, TurnedQuadsMatchThePlainPixelRuleExactly) {
    using namespace plat;
    constexpr int kW = 40, kH = 32;
    constexpr std::array<uint32_t, 4> kWhite = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    constexpr std::array<uint32_t, 4> kTint = {0x80FF8040, 0x80FF8040, 0x80FF8040, 0x80FF8040};
    constexpr std::array<uint32_t, 4> kCorners = {0xFFFF0000, 0x8000FF00, 0x400000FF, 0xC0FFFFFF};
    struct Setup {
        const char* name;
        PixelFormat target;  // X8R8G8B8 and R5G6B5 are back buffers, the others render targets
        int texture;         // 0: none, 1: A8R8G8B8, 2: A1R5G5B5, 3: the target itself
        StageState stage;
        uint32_t factor;
        std::array<uint32_t, 4> diffuse;
        int angleStep;
    };
    const StageState modulate;
    const StageState copy{kTopSelectArg1, kTaTexture, kTaDiffuse, kTopSelectArg1, kTaTexture, kTaDiffuse};
    const StageState addFactor{kTopAdd, kTaTexture, kTaTFactor, kTopModulate, kTaTexture, kTaDiffuse};
    const StageState blendFactor{kTopBlendFactorAlpha, kTaTexture, kTaDiffuse, kTopSelectArg2, kTaTexture, kTaDiffuse};
    const Setup setups[] = {
        {"turned sprite", PixelFormat::X8R8G8B8, 1, modulate, 0xFFFFFFFF, kWhite, 3},
        {"tinted translucent", PixelFormat::A8R8G8B8, 1, modulate, 0xFFFFFFFF, kTint, 7},
        {"corner colours", PixelFormat::R5G6B5, 2, modulate, 0xFFFFFFFF, kCorners, 7},
        {"texture plus factor", PixelFormat::A1R5G5B5, 1, addFactor, 0x60204080, kWhite, 11},
        {"factor blend", PixelFormat::X8R8G8B8, 2, blendFactor, 0x90000000, kCorners, 13},
        {"untextured", PixelFormat::X8R8G8B8, 0, modulate, 0xFFFFFFFF, kCorners, 11},
        {"drawn into itself", PixelFormat::A8R8G8B8, 3, copy, 0xFFFFFFFF, kWhite, 11},
    };
    struct Shape {
        float w, h, u0, v0, u1, v1;
    };
    const Shape shapes[] = {
        {24, 16, 0, 0, 1, 1},                // the whole texture
        {70, 50, -0.25f, 0.1f, 1.5f, 0.9f},  // wider than the target; wraps
        {1, 9, 0.5f, 0, 0.5625f, 1},         // one texel wide
        {6, 3, 1, 0.75f, 0, 0.25f},          // mirrored
        {300, 0.07f, 0, 0, 1, 1},            // a sliver
    };
    const float centres[][2] = {{20, 16}, {17.37f, 14.81f}, {1.5f, 30.25f}, {-100.125f, 20.5f}};
    struct Parallelogram {
        float x, y, e1x, e1y, e2x, e2y;
    };
    const Parallelogram parallelograms[] = {
        {12, 6, 8, 4, -4, 8},            // a turned square
        {20, 4, 6, 6, -6, 6},            // a diamond
        {5, 5, 10, 0, 3, 7},             // level top and bottom
        {8, 3, 7, 3, 0, 9},              // upright sides
        {12.5f, 6.5f, 8, 4, -4, 8},      // corners between pixel centres
        {-3, 20, 16, 8, -8, 16},         // cut at the left and bottom
    };
    const float uvRanges[][4] = {{0, 0, 1, 1}, {0.25f, 0.5f, 0.75f, 1.5f}};  // u0, v0, u1, v1
    const float farQuads[][4][2] = {
        {{-1e15f, -7.5e14f}, {20, 18}, {1e15f, 7.5e14f}, {30, 20}},
        {{5, 30}, {-6e14f, -1e15f}, {30, 2}, {6e14f, 1e15f}},
    };

    auto texel = [](int x, int y) {
        uint32_t a = (x * 3 + y * 5) % 4 == 0 ? 0u : (x + y) % 3 == 0 ? 0x7Fu : 0xFFu;
        return a << 24 | ((Texel(x, y) & 0xFFFFFF) ^ uint32_t(x * y * 97 % 256));
    };
    auto dest = [](int x, int y) {
        return uint32_t(x * 37 + y * 11) % 256 << 24 | uint32_t(x * 6) << 16 | uint32_t(y * 8) << 8 | 0x44;
    };

    for (const Setup& setup : setups) {
        SCOPED_TRACE(setup.name);
        bool backBuffer = setup.target == PixelFormat::X8R8G8B8 || setup.target == PixelFormat::R5G6B5;
        auto device = MakeDevice(backBuffer ? setup.target : PixelFormat::X8R8G8B8, kW, kH);
        std::unique_ptr<RasterTexture> rt, tex;
        if (!backBuffer) {
            rt = MakeTexture(*device, kW, kH, setup.target, TexturePool::RenderTarget);
            ASSERT_EQ(device->SetRenderTarget(rt->Level0()), DeviceResult::Ok);
        }
        if (setup.texture == 1 || setup.texture == 2) {
            tex = MakeTexture(*device, 16, 16, setup.texture == 1 ? PixelFormat::A8R8G8B8 : PixelFormat::A1R5G5B5,
                              TexturePool::Managed, texel);
        }
        device->SetTexture(setup.texture == 3 ? rt.get() : tex.get());
        device->SetStage(setup.stage);
        device->SetTextureFactor(setup.factor);
        Image& out = device->RenderTarget()->Pixels();
        plain::State state{setup.stage, setup.factor, true};

        Image before(kW, kH, out.Format());
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                before.Set(x, y, PackArgb(out.Format(), (x + y) % 5 ? dest(x, y) : texel(x, y)));
            }
        }
        const size_t rowBytes = static_cast<size_t>(kW) * BytesPerPixel(out.Format());
        auto check = [&](const std::array<Vertex, 4>& quad, const std::string& what) {
            for (bool blend : {true, false}) {
                out = before;
                Image expected = before;
                const Image* expectedTex = setup.texture == 3 ? &expected
                                           : tex                ? &tex->Level0()->Pixels()
                                                                : nullptr;
                state.blend = blend;
                plain::Strip(expected, expectedTex, state, quad);
                device->SetAlphaBlend(blend);
                Draw(*device, quad);
                for (int y = 0; y < kH; ++y) {
                    if (std::memcmp(out.Row(y), expected.Row(y), rowBytes) == 0) continue;
                    for (int x = 0; x < kW; ++x) {
                        ASSERT_EQ(out.Get(x, y), expected.Get(x, y))
                            << what << (blend ? " blended" : " unblended") << " pixel " << x << "," << y;
                    }
                }
            }
        };
        for (int angle = 0; angle < 360; angle += setup.angleStep) {
            for (const Shape& shape : shapes) {
                for (const auto& centre : centres) {
                    auto quad = TurnedQuad(angle, centre[0], centre[1], shape.w, shape.h, shape.u0, shape.v0,
                                           shape.u1, shape.v1, setup.diffuse);
                    if (AxisAligned(quad)) continue;  // the exact integer path
                    check(quad, "angle " + std::to_string(angle) + " size " + std::to_string(shape.w) + "x" +
                                    std::to_string(shape.h) + " centre " + std::to_string(centre[0]) + "," +
                                    std::to_string(centre[1]));
                    if (HasFatalFailure()) return;
                }
            }
        }
        // Parallelograms with corners on pixel centres (edges through pixel
        // centres, texture coordinates on texel edges), each corner in turn
        // first, in both windings; the second range of texture coordinates
        // puts sums of three terms exactly on texel edges, where the order of
        // the additions decides the texel.
        for (const Parallelogram& p : parallelograms) {
            const float cx[4] = {p.x, p.x + p.e1x, p.x + p.e1x + p.e2x, p.x + p.e2x};
            const float cy[4] = {p.y, p.y + p.e1y, p.y + p.e1y + p.e2y, p.y + p.e2y};
            for (const auto& range : uvRanges) {
                const float uv[4][2] = {
                    {range[0], range[1]}, {range[0], range[3]}, {range[2], range[1]}, {range[2], range[3]}};
                for (int first = 0; first < 4; ++first) {
                    for (int turn : {1, 3}) {
                        const int order[4] = {first, (first + 4 - turn) % 4, (first + turn) % 4, (first + 2) % 4};
                        std::array<Vertex, 4> quad;
                        for (int k = 0; k < 4; ++k) {
                            quad[k] = Vertex{cx[order[k]], cy[order[k]], 0, 1, setup.diffuse[k], uv[k][0], uv[k][1]};
                        }
                        check(quad, "parallelogram at " + std::to_string(p.x) + "," + std::to_string(p.y) +
                                        " corner " + std::to_string(first) + " turn " + std::to_string(turn) +
                                        " u from " + std::to_string(range[0]));
                        if (HasFatalFailure()) return;
                    }
                }
            }
        }
        // Slivers reaching far beyond the target: the rounding of their edge
        // values is so coarse that the interpolated colour strays from the
        // corners' common colour.
        for (const auto& far : farQuads) {
            std::array<Vertex, 4> quad;
            for (int k = 0; k < 4; ++k) {
                const float u = k >= 2 ? 1.0f : 0.0f, v = k % 2 ? 1.0f : 0.0f;
                quad[k] = Vertex{far[k][0], far[k][1], 0, 1, setup.diffuse[k], u, v};
            }
            check(quad, "far sliver");
            if (HasFatalFailure()) return;
        }
    }
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
