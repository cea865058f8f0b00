#include "gfx_fixture.h"

#include <bit>
#include <cstring>

#include "platform/messages.h"
#include "platform/picture_testing.h"
#include "platform/presenter.h"

namespace gfxtest {

namespace {

const VariantInfo kVariants[] = {
    {Variant::D3D16, "D3D16", 1, 16}, {Variant::D3D32, "D3D32", 1, 32}, {Variant::DD8, "DD8", 0, 8},
    {Variant::DD16, "DD16", 0, 16},   {Variant::DD32, "DD32", 0, 32},
};

plat::WindowHandle g_window = 0;

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// Field width of a pixel-format table mask (a mask is the field's maximum).
int FieldBits(int mask) { return std::popcount(static_cast<unsigned>(mask)); }

// Locates pixel (x, y) of a locked surface; null when outside or unlocked.
uint8_t* PixelAt(const cSurfaceLock& lock, int x, int y) {
    DDSURFACEDATA* sd = lock.Surface();
    if (!lock.Bits() || !sd || x < 0 || y < 0) return nullptr;
    int width = sd->nTexWidth > 0 ? sd->nTexWidth : sd->nWidth;
    int height = sd->nTexHeight > 0 ? sd->nTexHeight : sd->nHeight;
    if (x >= width || y >= height) return nullptr;
    return lock.Bits() + (static_cast<size_t>(y) * lock.PitchPixels() + x) * lock.BytesPerPixel();
}

}  // namespace

const VariantInfo& Info(Variant v) { return kVariants[static_cast<int>(v)]; }

::testing::internal::ParamGenerator<Variant> AllVariants() {
    return ::testing::Values(Variant::D3D16, Variant::D3D32, Variant::DD8, Variant::DD16, Variant::DD32);
}

std::string VariantName(const ::testing::TestParamInfo<Variant>& info) { return Info(info.param).name; }

void PrintTo(Variant v, std::ostream* os) { *os << Info(v).name; }

uint32_t KnownRgb(int n) {
    switch (n) {
        case 0: return (uint32_t{kKeyR} << 16) | (uint32_t{kKeyG} << 8) | kKeyB;
        case 1: return 0xFFFFFF;
        case 2: return 0x000000;
        case 3: return 0xFF0000;
        case 4: return 0x00FF00;
        case 5: return 0x0000FF;
        default: break;
    }
    // Green is at least 0x80, so no entry meets the transparent colour even
    // after truncation to 5 or 6 bits.
    uint32_t r = static_cast<uint32_t>(n) & 0xFF;
    uint32_t g = 0x80 | (static_cast<uint32_t>(n) >> 1);
    uint32_t b = (static_cast<uint32_t>(n) * 7) & 0xFF;
    return (r << 16) | (g << 8) | b;
}

bool StartLayer(Variant v, const StartOptions& options) {
    const VariantInfo& info = Info(v);
    plat::testing::ResetPictureFaults();
    plat::testing::SetDesktopDepth(info.bpp);
    g_window = options.messageWindow ? plat::CreateMessageWindow() : 0;
    plat::OpenFrameWindow("test", 640, 480, options.windowMode == 0);

    if (!DDInit(info.useD3D, g_window, 640, 480, info.bpp, options.vsync, options.windowMode, 1, 60,
                options.refreshRequest, options.gameSurfaces, options.gameDefs, options.count, 0)) {
        return false;
    }

    // At DirectDraw 16 bits the palette holds the display's raw field values.
    bool raw16 = !info.useD3D && info.bpp == 16;
    for (int n = 0; n < 256; ++n) {
        uint32_t rgb = KnownRgb(n);
        uint8_t r = static_cast<uint8_t>(rgb >> 16), g = static_cast<uint8_t>(rgb >> 8), b = static_cast<uint8_t>(rgb);
        if (raw16) {
            r = static_cast<uint8_t>(r >> (8 - FieldBits(g_PixelFormat.nRedMask)));
            g = static_cast<uint8_t>(g >> (8 - FieldBits(g_PixelFormat.nGreenMask)));
            b = static_cast<uint8_t>(b >> (8 - FieldBits(g_PixelFormat.nBlueMask)));
        }
        g_Palette[n] = PALETTEENTRY{r, g, b, PC_RESERVED};
    }
    std::memcpy(g_BasePalette, g_Palette, sizeof g_Palette);

    if (lpDTCon) {
        if (info.bpp == 16) {
            // This depth takes the key as texture-format field values.
            DDSetTransmit(kKeyR >> 3, kKeyG >> 3, kKeyB >> 3);
        } else {
            DDSetTransmit(kKeyR, kKeyG, kKeyB);
        }
        lpDTCon->rgbPalTransmit = RGBTRIPLE{kKeyB, kKeyG, kKeyR};
    } else if (lpDDCon) {
        if (info.bpp == 8) {
            g_DDConfig.dwColorKey = 0;  // palette index of the transparent colour
        } else {
            DDSetTransmit(kKeyR, kKeyG, kKeyB);
        }
        lpDDCon->rgbConvTransmit = RGBTRIPLE{kKeyB, kKeyG, kKeyR};
        if (g_lpDD) g_lpDD->SetPaletteEntries(0, 256, g_BasePalette);
    }
    return true;
}

void StopLayer() {
    DDRelease();
    plat::CloseFrameWindow();
    if (g_window) plat::DestroyMessageWindow(g_window);
    g_window = 0;
    plat::testing::ResetPictureFaults();
}

uint32_t TestWindow() { return g_window; }

uint32_t ReadRaw(DDSURFACEDATA* surface, int x, int y) {
    cSurfaceLock lock(surface);
    const uint8_t* p = PixelAt(lock, x, y);
    if (!p) return 0xDEADBEEF;
    switch (lock.BytesPerPixel()) {
        case 1: return p[0];
        case 2: return static_cast<uint32_t>(p[0] | (p[1] << 8));
        default: {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
    }
}

bool WriteRaw(DDSURFACEDATA* surface, int x, int y, uint32_t raw) {
    cSurfaceLock lock(surface);
    uint8_t* p = PixelAt(lock, x, y);
    if (!p) return false;
    switch (lock.BytesPerPixel()) {
        case 1: p[0] = static_cast<uint8_t>(raw); break;
        case 2:
            p[0] = static_cast<uint8_t>(raw);
            p[1] = static_cast<uint8_t>(raw >> 8);
            break;
        default: std::memcpy(p, &raw, 4); break;
    }
    return true;
}

plat::PixelFormat FormatOf(DDSURFACEDATA* surface) {
    DDSURFACEDATA* sd = surface;
    if (lpDTCon) {
        DDResolveMirror(sd);
        DDRedirectBackBuffer(sd);
        if (sd && sd->lpDT && sd->lpDT->lpSurface) return sd->lpDT->lpSurface->Format();
    } else if (sd && sd->lpDDS && sd->lpDDS->lpSurface) {
        return sd->lpDDS->lpSurface->Format();
    }
    return plat::PixelFormat::X8R8G8B8;
}

uint32_t ReadArgb(DDSURFACEDATA* surface, int x, int y) {
    plat::PixelFormat format = FormatOf(surface);
    uint32_t raw = ReadRaw(surface, x, y);
    if (format == plat::PixelFormat::P8) {
        const PALETTEENTRY* pal = g_lpDD ? g_lpDD->Palette() : g_BasePalette;
        const PALETTEENTRY& e = pal[raw & 0xFF];
        return 0xFF000000u | (uint32_t{e.r} << 16) | (uint32_t{e.g} << 8) | e.b;
    }
    return plat::UnpackToArgb(format, raw);
}

std::string EncodeBmp(const BmpPicture& picture) {
    const int bits = picture.bitCount;
    const int colors = bits <= 8 ? (1 << bits) : 0;
    const uint32_t stride = static_cast<uint32_t>(((picture.width * bits + 31) / 32) * 4);
    const uint32_t offset = 14 + 40 + static_cast<uint32_t>(colors) * 4;
    const uint32_t imageSize = stride * static_cast<uint32_t>(picture.height);

    std::string s;
    s += "BM";
    Put32(s, offset + imageSize);
    Put32(s, 0);
    Put32(s, offset);
    Put32(s, 40);
    Put32(s, static_cast<uint32_t>(picture.width));
    Put32(s, static_cast<uint32_t>(picture.height));  // positive: bottom-up
    Put16(s, 1);
    Put16(s, static_cast<uint32_t>(bits));
    Put32(s, 0);  // BI_RGB
    Put32(s, imageSize);
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, static_cast<uint32_t>(colors));
    Put32(s, 0);
    for (int i = 0; i < colors; ++i) {
        PALETTEENTRY e = i < static_cast<int>(picture.colors.size()) ? picture.colors[static_cast<size_t>(i)]
                                                                      : PALETTEENTRY{};
        s += static_cast<char>(e.b);
        s += static_cast<char>(e.g);
        s += static_cast<char>(e.r);
        s += '\0';
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < picture.width; ++x) {
            size_t i = static_cast<size_t>(y) * static_cast<size_t>(picture.width) + static_cast<size_t>(x);
            uint32_t v = i < picture.pixels.size() ? picture.pixels[i] : 0;
            switch (bits) {
                case 8: row[static_cast<size_t>(x)] = static_cast<char>(v); break;
                case 24:
                    row[static_cast<size_t>(x) * 3 + 0] = static_cast<char>(v);
                    row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>(v >> 8);
                    row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(v >> 16);
                    break;
                case 32:
                    row[static_cast<size_t>(x) * 4 + 0] = static_cast<char>(v);
                    row[static_cast<size_t>(x) * 4 + 1] = static_cast<char>(v >> 8);
                    row[static_cast<size_t>(x) * 4 + 2] = static_cast<char>(v >> 16);
                    break;
                default: break;
            }
        }
        s += row;
    }
    return s;
}

std::string WriteBmp(const std::string& name, const BmpPicture& picture) {
    orvtest::WriteHostFile(name, EncodeBmp(picture));
    return name;
}

BmpPicture IndexedPicture(int width, int height) {
    BmpPicture p;
    p.width = width;
    p.height = height;
    p.bitCount = 8;
    for (int n = 0; n < 256; ++n) {
        uint32_t rgb = KnownRgb(n);
        p.colors.push_back(PALETTEENTRY{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                        static_cast<uint8_t>(rgb), 0});
    }
    p.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    return p;
}

BmpPicture PaletteBitmap(const std::vector<PALETTEENTRY>& table) {
    BmpPicture p;
    p.width = 16;
    p.height = 24;
    p.bitCount = 8;
    p.colors = table;
    p.pixels.assign(16 * 24, 0);
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) p.pixels[static_cast<size_t>((8 + r) * 16 + c)] = static_cast<uint32_t>(16 * r + c);
    }
    return p;
}

void GfxTest::SetUp() {
    m_folder = std::make_unique<orvtest::ScopedTempFolder>();
    ASSERT_TRUE(StartLayer(GetParam())) << Info(GetParam()).name;
}

void GfxTest::TearDown() {
    StopLayer();
    m_folder.reset();
}

}  // namespace gfxtest
