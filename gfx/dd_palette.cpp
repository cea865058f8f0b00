// The game's 256-colour palette, the transparent colour and the pixel
// formats: colour numbers become pixel values of the active back-end and
// depth here.
#include <bit>
#include <cstring>
#include <string>
#include <unordered_map>

#include "core/message_box.h"
#include "core/report_log.h"
#include "gfx/dd.h"
#include "platform/bitmap.h"

PALETTEENTRY g_Palette[256];
PALETTEENTRY g_BasePalette[256];
PixelFormatTable g_PixelFormat;
PixelFormatTable g_BackBufferPixelFormat;

namespace {

uint32_t ReadPixel(const uint8_t* p, int bytes) {
    switch (bytes) {
        case 1: return p[0];
        case 2: return static_cast<uint32_t>(p[0] | (p[1] << 8));
        case 4: {
            uint32_t v;
            std::memcpy(&v, p, 4);
            return v;
        }
        default: return 0;
    }
}

uint32_t Field(uint32_t pixel, int shift, int mask) { return (pixel >> shift) & static_cast<uint32_t>(mask); }

// A field widened to 8 bits the way the layer scales: field x 255 / mask.
uint8_t Scale8(uint32_t field, int mask) {
    return mask > 0 ? static_cast<uint8_t>(field * 255u / static_cast<uint32_t>(mask)) : 0;
}

// A surface loaded from a bitmap file as a system-memory work copy, never
// keyed; released when the object goes.
class TempSurface {
public:
    explicit TempSurface(const char* file) {
        m_code = DDCreateSurfaceFromFile(&m_sd, file, 0, g_nBpp, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0, 0, 0, 0);
    }
    ~TempSurface() { DDReleaseSurface(&m_sd); }
    TempSurface(const TempSurface&) = delete;
    TempSurface& operator=(const TempSurface&) = delete;
    bool Ok() const { return m_code == 0; }
    DDSURFACEDATA* Get() { return &m_sd; }

private:
    DDSURFACEDATA m_sd;
    int m_code = 0;
};

}  // namespace

bool DDLoadPaletteFromFile(PALETTEENTRY* palette, const char* file, int ignored) {
    (void)ignored;
    plat::Dib dib;
    std::string error;
    if (!palette || !file || !plat::LoadBmpFile(file, &dib, &error)) return false;

    const bool eightBitBitmap = dib.bitCount == 8;
    const int tableSize = static_cast<int>(dib.colors.size()) < 256 ? static_cast<int>(dib.colors.size()) : 256;

    if (lpDTCon && eightBitBitmap) {
        for (int i = 0; i < tableSize; ++i) {
            const plat::PaletteColor& c = dib.colors[static_cast<size_t>(i)];
            palette[i] = PALETTEENTRY{c.r, c.g, c.b, 255};
        }
    }
    if (lpDDCon && g_nBpp == 8 && eightBitBitmap) {
        for (int i = 0; i < tableSize; ++i) {
            const plat::PaletteColor& c = dib.colors[static_cast<size_t>(i)];
            const bool system = i < 10 || i >= 246;
            palette[i] = PALETTEENTRY{c.r, c.g, c.b, system ? PC_EXPLICIT : PC_RESERVED};
        }
        if (g_lpDD) g_lpDD->SetPaletteEntries(0, 256, palette);
        return true;
    }

    if (g_nBpp == 16 || g_nBpp == 24 || g_nBpp == 32) {
        // The 16 x 16 block of the bitmap overrides the colour table.
        TempSurface temp(file);
        if (temp.Ok()) DDSetPalette_UnPal(palette, temp.Get());
    } else if (g_nBpp == 8 && g_lpDD) {
        g_lpDD->SetPaletteEntries(0, 256, palette);
    }
    return true;
}

int DDSetPalette_UnPal(PALETTEENTRY* palette, DDSURFACEDATA* surface) {
    cSurfaceLock lock(surface);
    if (!lock.Bits() || !palette) {
        WriteDebugLog("DDSetPalette_UnPal Lock Err");
        return 1;
    }
    const DDSURFACEDATA* sd = lock.Surface();
    const PixelFormatTable& t = g_PixelFormat;
    const int bytes = lock.BytesPerPixel();

    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) {
            const int x = c, y = 8 + r;
            // A small bitmap has no pixel for some entries; they stay.
            if (x >= sd->nWidth || y >= sd->nHeight) continue;
            const uint8_t* p =
                lock.Bits() + (static_cast<size_t>(y) * static_cast<size_t>(lock.PitchPixels()) + static_cast<size_t>(x)) *
                                  static_cast<size_t>(bytes);
            const uint32_t v = ReadPixel(p, bytes);
            PALETTEENTRY& e = palette[16 * r + c];
            if (lpDTCon && g_nBpp == 16) {
                if (Field(v, t.nAlphaShift, t.nAlphaMask) == 0) continue;
                e.r = Scale8(Field(v, t.nRedShift, t.nRedMask), t.nRedMask);
                e.g = Scale8(Field(v, t.nGreenShift, t.nGreenMask), t.nGreenMask);
                e.b = Scale8(Field(v, t.nBlueShift, t.nBlueMask), t.nBlueMask);
            } else if (lpDTCon && g_nBpp == 32) {
                const uint8_t a = static_cast<uint8_t>(v >> 24);
                if (a == 0) continue;
                e = PALETTEENTRY{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v), a};
            } else if (lpDDCon && g_nBpp == 16) {
                e.r = static_cast<uint8_t>(Field(v, t.nRedShift, t.nRedMask));
                e.g = static_cast<uint8_t>(Field(v, t.nGreenShift, t.nGreenMask));
                e.b = static_cast<uint8_t>(Field(v, t.nBlueShift, t.nBlueMask));
            } else if (lpDDCon && g_nBpp == 32) {
                e = PALETTEENTRY{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v),
                                 static_cast<uint8_t>(v >> 24)};
            }
        }
    }
    return 1;
}

int DDSetTransmit(const char* file) {
    TempSurface temp(file);
    if (!temp.Ok()) {
        WriteDebugLog("%s 作成失敗！", file ? file : "");
        return 0;
    }

    uint32_t topLeft = 0;
    {
        cSurfaceLock lock(temp.Get());
        if (!lock.Bits()) {
            WriteDebugLog("Lock 失敗！");
            return 0;
        }
        topLeft = ReadPixel(lock.Bits(), lock.BytesPerPixel());
    }

    if (lpDTCon && g_nBpp == 16) {
        if (file && *file) {
            plat::Dib dib;
            std::string error;
            if (!plat::LoadBmpFile(file, &dib, &error)) return 0;
            if (dib.bitCount == 8 && !dib.colors.empty()) {
                const plat::PaletteColor& c = dib.colors[0];
                lpDTCon->rgbPalTransmit = RGBTRIPLE{c.b, c.g, c.r};
            }
        }
        const PixelFormatTable& t = g_PixelFormat;
        DDSetTransmit(static_cast<uint8_t>(Field(topLeft, t.nRedShift, t.nRedMask)),
                      static_cast<uint8_t>(Field(topLeft, t.nGreenShift, t.nGreenMask)),
                      static_cast<uint8_t>(Field(topLeft, t.nBlueShift, t.nBlueMask)));
        WriteDebugLog("SetTrans(filename) lpDTCon->wTransmit_16 = (%x)", lpDTCon->wTransmit_16);
    } else if (lpDTCon && g_nBpp == 32) {
        DDSetTransmit(static_cast<uint8_t>(topLeft >> 16), static_cast<uint8_t>(topLeft >> 8),
                      static_cast<uint8_t>(topLeft));
    } else if (lpDDCon) {
        switch (g_nBpp) {
            case 8: g_DDConfig.dwColorKey = topLeft & 0xFF; break;
            case 16: g_DDConfig.dwColorKey = topLeft & 0xFFFF; break;
            case 32:
                g_DDConfig.dwColorKey = topLeft;
                lpDDCon->rgbTransmit = RGBTRIPLE{static_cast<uint8_t>(topLeft), static_cast<uint8_t>(topLeft >> 8),
                                                 static_cast<uint8_t>(topLeft >> 16)};
                break;
            default: break;
        }
    }
    return 1;
}

void DDSetTransmit(uint8_t red, uint8_t green, uint8_t blue) {
    const PixelFormatTable& t = g_PixelFormat;
    if (lpDTCon) {
        lpDTCon->rgbTransmit = RGBTRIPLE{blue, green, red};
        WriteDebugLog("SetTrans lpDTCon->rgbTransmit.rgbtRed = %d,lpDTCon->rgbTransmit.rgbtGreen = %d,"
                      "lpDTCon->rgbTransmit.rgbtBlue = %d",
                      red, green, blue);
        if (g_nBpp != 16 && g_nBpp != 32) return;
        lpDTCon->dwTransmit = 0;
        lpDTCon->dwTransmitOpaque = 0xFF000000u | (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue;
        lpDTCon->wTransmit_16 = 0;
        // A keyed texel holds 0 at both depths; that is what key tests see.
        g_DDConfig.dwColorKey = 0;
        if (g_nBpp == 16) {
            // The caller passes texture-format field values here.
            uint32_t v = DDPackFields(t, red, green, blue) | ((static_cast<uint32_t>(t.nAlphaMask) & 1u) << t.nAlphaShift);
            lpDTCon->wTransmitOpaque_16 = static_cast<uint16_t>(v);
        } else {
            lpDTCon->wTransmitOpaque_16 = 0;
        }
        return;
    }
    if (!lpDDCon) return;
    if (g_nBpp == 16) {
        const uint32_t key = DDScaleToFields(t, red, green, blue) & 0xFFFF;
        g_DDConfig.dwColorKey = key;
        const uint32_t r = Field(key, t.nRedShift, t.nRedMask), g = Field(key, t.nGreenShift, t.nGreenMask),
                       b = Field(key, t.nBlueShift, t.nBlueMask);
        WriteDebugLog("※16bit色で　DDSetTransmit(BYTE cbRed,BYTE cbGreen,BYTE cbBlue)　は未対応！");
        DebugErrorPrintf("Tr %d RGB32(%d,%d,%d) -> RGB16(%d,%d,%d)", static_cast<int>(g_DDConfig.dwColorKey), red,
                         green, blue, Scale8(r, t.nRedMask), Scale8(g, t.nGreenMask), Scale8(b, t.nBlueMask));
    } else if (g_nBpp == 32) {
        g_DDConfig.dwColorKey = (uint32_t{red} << 16) | (uint32_t{green} << 8) | blue;
        lpDDCon->rgbTransmit = RGBTRIPLE{blue, green, red};
    }
}

uint32_t PalNumToRGB(uint32_t colorNumber) {
    if (colorNumber > 255) {
        WriteDebugLog("PalNumToRGB(DWORD dwPalNum) Err dwPalNum = %d", static_cast<int>(colorNumber));
        return 0;
    }
    const PALETTEENTRY& e = g_Palette[colorNumber];
    const uint32_t rgb = (uint32_t{e.r} << 16) | (uint32_t{e.g} << 8) | e.b;
    if (lpDTCon) {
        if (g_nBpp == 16 || g_nBpp == 32) return colorNumber == 0 ? lpDTCon->dwTransmit : 0xFF000000u | rgb;
        if (g_nBpp == 8) return colorNumber;
        return 0;
    }
    if (lpDDCon) {
        switch (g_nBpp) {
            case 8: return colorNumber;
            case 16: return DDPalToRGB16(e);
            case 24:
            case 32: return rgb;
            default: return 0;
        }
    }
    return 0;
}

uint16_t DDPalToRGB16(const PALETTEENTRY& entry) {
    if (lpDTCon) {
        WriteDebugLog("DDPalToRGB16はDirect3Dでは未対応");
        return 0;
    }
    return static_cast<uint16_t>(DDPackFields(g_PixelFormat, entry.r, entry.g, entry.b));
}

uint32_t DDPackFields(const PixelFormatTable& t, uint32_t red, uint32_t green, uint32_t blue) {
    return ((blue & static_cast<uint32_t>(t.nBlueMask)) << t.nBlueShift) |
           ((green & static_cast<uint32_t>(t.nGreenMask)) << t.nGreenShift) |
           ((red & static_cast<uint32_t>(t.nRedMask)) << t.nRedShift);
}

uint32_t DDScaleToFields(const PixelFormatTable& t, uint32_t red, uint32_t green, uint32_t blue) {
    return DDPackFields(t, red * static_cast<uint32_t>(t.nRedMask) / 255u,
                        green * static_cast<uint32_t>(t.nGreenMask) / 255u,
                        blue * static_cast<uint32_t>(t.nBlueMask) / 255u);
}

void DDGetPixelFormat(PixelFormatTable& table) {
    if (lpDTCon || !g_lpDD) return;
    const plat::PixelMasks masks = g_lpDD->PrimaryMasks();
    const uint32_t within = masks.bitCount >= 32 ? 0xFFFFFFFFu : ((1u << masks.bitCount) - 1u);
    auto set = [within](uint32_t mask, int& shift, int& max) {
        mask &= within;
        if (mask == 0) {
            shift = 0;
            max = 0;
            return;
        }
        shift = std::countr_zero(mask);
        max = static_cast<int>(mask >> shift);
    };
    set(masks.red, table.nRedShift, table.nRedMask);
    set(masks.green, table.nGreenShift, table.nGreenMask);
    set(masks.blue, table.nBlueShift, table.nBlueMask);
}

int DDMakePalIndexMap(std::vector<uint8_t>& map, DDSURFACEDATA* surface) {
    cSurfaceLock lock(surface);
    if (!lock.Bits()) {
        OutOfMemoryExit();
        return 0;
    }
    const DDSURFACEDATA* sd = lock.Surface();
    const int pitch = lock.PitchPixels();
    const int bytes = lock.BytesPerPixel();
    const PixelFormatTable& t = g_PixelFormat;
    const bool keyed = lpDTCon && sd->lpDT && sd->lpDT->bColorKey;

    // Pixels that match no entry read as colour 0.
    map.assign(static_cast<size_t>(sd->nHeight > 0 ? sd->nHeight : 0) * static_cast<size_t>(pitch > 0 ? pitch : 0), 0);

    // The first matching entry of a pixel value, found once per value.
    auto lookup = [&](uint32_t v) -> int {
        if (lpDTCon && g_nBpp == 16) {
            if (v == 0 && keyed) return 0;
            const uint8_t r = Scale8(Field(v, t.nRedShift, t.nRedMask), t.nRedMask);
            const uint8_t g = Scale8(Field(v, t.nGreenShift, t.nGreenMask), t.nGreenMask);
            const uint8_t b = Scale8(Field(v, t.nBlueShift, t.nBlueMask), t.nBlueMask);
            for (int i = 0; i < 256; ++i) {
                if (g_Palette[i].r == r && g_Palette[i].g == g && g_Palette[i].b == b) return i;
            }
        } else if (lpDDCon && g_nBpp == 16) {
            for (int i = 0; i < 256; ++i) {
                if (DDPalToRGB16(g_Palette[i]) == v) return i;
            }
        } else if (g_nBpp == 24 || g_nBpp == 32) {
            const uint8_t r = static_cast<uint8_t>(v >> 16), g = static_cast<uint8_t>(v >> 8), b = static_cast<uint8_t>(v);
            for (int i = 0; i < 256; ++i) {
                if (g_Palette[i].r == r && g_Palette[i].g == g && g_Palette[i].b == b) return i;
            }
        }
        return -1;
    };

    std::unordered_map<uint32_t, int> found;
    for (int y = 0; y < sd->nHeight; ++y) {
        for (int x = 0; x < sd->nWidth; ++x) {
            const size_t at = static_cast<size_t>(y) * static_cast<size_t>(pitch) + static_cast<size_t>(x);
            const uint32_t v = ReadPixel(lock.Bits() + at * static_cast<size_t>(bytes), bytes);
            auto it = found.find(v);
            int index = it != found.end() ? it->second : (found[v] = lookup(v));
            if (index >= 0) map[at] = static_cast<uint8_t>(index);
        }
    }
    return 1;
}
