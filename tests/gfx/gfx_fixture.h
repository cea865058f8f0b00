// Shared set-up of the drawing-layer tests: the five display variants, a
// headless start of the layer in one of them with a known palette and
// transparent colour, pixel access to any surface, and BMP fixture files.
//
// Typical use:
//   class FillTest : public gfxtest::GfxTest {};
//   TEST_P(FillTest, ...) { ... gfxtest::ReadArgb(&g_BackBufferSD, 3, 4) ... }
//   INSTANTIATE_TEST_SUITE_P(Variants, FillTest, gfxtest::AllVariants(), gfxtest::VariantName);
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "gfx/dd.h"
#include "support/test_support.h"

namespace gfxtest {

// Back-end x display depth.
enum class Variant { D3D16, D3D32, DD8, DD16, DD32 };

struct VariantInfo {
    Variant variant;
    const char* name;  // "D3D16", ... (usable as a gtest parameter name)
    int useD3D;
    int bpp;
};
const VariantInfo& Info(Variant v);
inline bool IsD3D(Variant v) { return Info(v).useD3D != 0; }
inline int Bpp(Variant v) { return Info(v).bpp; }

// All five, for INSTANTIATE_TEST_SUITE_P, with VariantName as the namer.
::testing::internal::ParamGenerator<Variant> AllVariants();
std::string VariantName(const ::testing::TestParamInfo<Variant>& info);
void PrintTo(Variant v, std::ostream* os);

// The known transparent colour (magenta); palette entry 0 holds it too.
constexpr uint8_t kKeyR = 255, kKeyG = 0, kKeyB = 255;

// Colour n of the known palette as 0x00RRGGBB (8-bit channels): entry 0 is
// the transparent colour; 1 white, 2 black, 3 red, 4 green, 5 blue; the
// rest distinct, never the transparent colour at any depth.
uint32_t KnownRgb(int n);

struct StartOptions {
    int windowMode = 1;  // 0 full screen, 1 window
    int vsync = 0;
    int refreshRequest = 0;
    DDSURFACEDATA* gameSurfaces = nullptr;
    const DDSURFACEDEF* gameDefs = nullptr;
    int count = 0;
    bool messageWindow = true;  // give DDInit a live message window (else 0)
};

// Resets the picture faults, opens the headless frame window (640 x 480),
// sets the emulated desktop depth to the variant's depth, runs DDInit, then
// fills g_Palette/g_BasePalette with the known palette (raw field values at
// DirectDraw 16 bits, as that depth keeps them) and sets the transparent
// colour: DDSetTransmit(255, 0, 255) (field values at Direct3D 16), the
// palette-bitmap key and the conversion key to magenta, the colour key to
// index 0 at DirectDraw 8. The DirectDraw palette gets the entries too.
// Returns DDInit's result; on false the palette steps are skipped.
bool StartLayer(Variant v, const StartOptions& options = {});
// DDRelease, closes the frame window and the message window, resets faults.
void StopLayer();
// The message window given to the last StartLayer (0 when none).
uint32_t TestWindow();

// Raw pixel of a surface (after the layer's substitutions), read under a
// cSurfaceLock; 0xDEADBEEF when the lock fails.
uint32_t ReadRaw(DDSURFACEDATA* surface, int x, int y);
// The same pixel as 0xAARRGGBB by its format's unpacking rule; a P8 pixel
// takes its colour from the display palette (alpha 255).
uint32_t ReadArgb(DDSURFACEDATA* surface, int x, int y);
// Writes a raw pixel under a cSurfaceLock; false when the lock fails.
bool WriteRaw(DDSURFACEDATA* surface, int x, int y, uint32_t raw);
// Pixel format of the platform surface behind a record (after the
// substitutions), for tests that pack expected values themselves.
plat::PixelFormat FormatOf(DDSURFACEDATA* surface);

// A bitmap to write as a BMP file (uncompressed, bottom-up). Pixels are
// row-major, top row first: colour-table indexes for 1/4/8 bits, 0x00RRGGBB
// for 24 and 32 bits.
struct BmpPicture {
    int width = 0;
    int height = 0;
    int bitCount = 24;  // 8, 24 or 32
    std::vector<uint32_t> pixels;
    std::vector<PALETTEENTRY> colors;  // the colour table (8 bits)
};
std::string EncodeBmp(const BmpPicture& picture);
// Writes the file (host path == program path inside a ScopedTempFolder,
// which is the current folder) and returns the name given.
std::string WriteBmp(const std::string& name, const BmpPicture& picture);
// An 8-bit bitmap whose colour table is the known palette, so that index n
// shows colour n in every variant; every pixel index 0.
BmpPicture IndexedPicture(int width, int height);
// An 8-bit palette bitmap of 16 x 24: colour table = `table`, the top-left
// pixel and the 16 x 16 block at (0, 8) hold indexes 0..255 (entry 16r+c at
// column c, row 8+r).
BmpPicture PaletteBitmap(const std::vector<PALETTEENTRY>& table);

// Fixture: a temp folder as the current folder, the layer started in the
// parameter's variant (window mode) before each test and released after.
class GfxTest : public ::testing::TestWithParam<Variant> {
protected:
    void SetUp() override;
    void TearDown() override;
    Variant V() const { return GetParam(); }
    std::unique_ptr<orvtest::ScopedTempFolder> m_folder;
};

// A variant test that makes surfaces from pictures and releases them after
// each test.
class SheetTest : public GfxTest {
protected:
    void TearDown() override {
        for (DDSURFACEDATA& sd : m_surfaces) DDReleaseSurface(&sd);
        GfxTest::TearDown();
    }
    // A sheet whose pixel (x, y) shows colour number pattern(x, y).
    template <class Pattern>
    DDSURFACEDATA* Sheet(const char* name, int width, int height, int colorKey, Pattern pattern) {
        BmpPicture p = IndexedPicture(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                p.pixels[static_cast<size_t>(y * width + x)] = static_cast<uint32_t>(pattern(x, y));
        const std::string file = WriteBmp(name, p);
        DDSURFACEDATA* sd = &m_surfaces.emplace_back();
        EXPECT_EQ(DDCreateSurfaceFromFile(sd, file.c_str(), colorKey, Bpp(V()), 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0,
                                          0, 0, 0),
                  0);
        return sd;
    }

    std::deque<DDSURFACEDATA> m_surfaces;
};

}  // namespace gfxtest
