// Arbitrary bytes as text through the fonts, headless at 32 bits with the
// fixed-pattern glyphs: drawn at any position (off the screen too), with
// and without caches, centred, with icons, into windows and through the
// bounded formatting, and measured.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "gfx/font.h"
#include "platform/glyphs.h"
#include "platform/presenter.h"

namespace {

using orvfuzz::Check;

DDSURFACEDATA g_icons, g_window, g_system;
Font* g_fonts = nullptr;
constexpr int kFonts = 3;

void Stop() {
    delete[] g_fonts;
    g_fonts = nullptr;
    DDReleaseSurface(&g_icons);
    DDReleaseSurface(&g_window);
    DDReleaseSurface(&g_system);
    DDRelease();
    plat::CloseFrameWindow();
}

bool Start() {
    static bool started = false;
    if (started) return g_fonts != nullptr;
    started = true;
    setenv("ORV_HEADLESS", "1", 0);
    plat::testing::UseFixedPatternGlyphs(true);
    plat::OpenFrameWindow("fuzz", 640, 480, false);
    if (!DDInit(0, 0, 640, 480, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0)) return false;
    g_Palette[0] = PALETTEENTRY{255, 0, 255, 0};
    g_Palette[241] = PALETTEENTRY{255, 255, 255, 0};
    DDSetTransmit(255, 0, 255);
    DDCreateSurface(&g_icons, 26 * 16, 16, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0);
    DDCreateSurface(&g_window, 64, 48, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0);
    DDCreateSurface(&g_system, 100, 40, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0);
    g_fonts = new Font[kFonts];
    g_fonts[0].Create("ＭＳ ゴシック", 0, 9, 10, 10, 241, &g_window, 1, 240, nullptr, 1);
    g_fonts[1].Create("ＭＳ Ｐゴシック", 0, 16, 16, 16, 241, &g_window, 1, 240, &g_icons, 1);
    g_fonts[2].Create("ＭＳ ゴシック", 0, 30, 0, 32, 241, &g_window, 1, 240, nullptr, 0);  // proportional
    std::atexit(Stop);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Check(Start());
    if (size < 3) return 0;
    Font& font = g_fonts[data[0] % kFonts];
    font.m_bCenter = data[0] >> 7;
    // Positions from well off the screen on one side to the other.
    const int x = static_cast<int>(data[1]) * 4 - 512;
    const int y = static_cast<int>(data[2]) * 4 - 512;
    const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
    const char* s = text.c_str();  // up to the first NUL

    const int cachedBefore = font.m_lpFastFont_FullAdd ? font.m_lpFastFont_FullAdd->Count() : 0;
    Check(font.DrawString(&g_BackBufferSD, x, y, s, data[0] & 8) == 1);
    font.DrawString(&g_system, x / 8, y / 8, s);
    font.DrawTextWindow(&g_BackBufferSD, x, y, 0, 0, s, data[1] % 16);
    font.Printf(&g_BackBufferSD, x, y, "%s%s", s, s);
    font.WindowPrintf(&g_BackBufferSD, 10000, 10000, 0, 0, "%s", s);

    if (font.m_lpFastFont_FullAdd) {
        const cFastFont& full = *font.m_lpFastFont_FullAdd;
        Check(full.Count() >= cachedBefore && full.Count() <= full.m_nCapacity);
        Check(static_cast<int>(full.m_Glyphs.size()) == full.Count());
    }
    if (font.m_nPitch) {
        const TextSize size2 = font.GetFixedTextSize(s);
        Check(size2.cx >= 0 && size2.cx <= static_cast<int>(text.size()) * font.m_nPitch);
        Check(size2.cy >= font.m_nLineHeight);
    }
    return 0;
}
