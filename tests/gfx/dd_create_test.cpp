// Surface creation, bitmap loading, definition tables and surface lists,
// over the five display variants.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/dd.h"
#include "gfx_fixture.h"
#include "platform/picture_testing.h"
#include "platform/testing.h"

using gfxtest::Variant;

namespace {

bool HasBackEnd(const DDSURFACEDATA& sd) {
    if (lpDTCon) return sd.lpDT && sd.lpDT->lpSurface;
    return sd.lpDDS && sd.lpDDS->lpSurface;
}

int RegisteredCount(const DDSURFACEDATA* sd) {
    int n = 0;
    for (DDSURFACEDATA* p : DDRegisteredSurfaces()) n += p == sd ? 1 : 0;
    return n;
}

class CreateTest : public gfxtest::GfxTest {
protected:
    void TearDown() override {
        // The definition table below belongs to the test; the layer must not
        // reach it after the test is over.
        for (DDSURFACEDATA& sd : m_table) DDReleaseSurface(&sd);
        g_DDConfig.lpGameSurfaces = nullptr;
        g_DDConfig.lpGameDefs = nullptr;
        g_DDConfig.nGameSurfaceCount = 0;
        gfxtest::GfxTest::TearDown();
    }
    DDSURFACEDATA m_table[4];
    DDSURFACEDEF m_defs[4];
};

}  // namespace

// ---------------------------------------------------------------------------
// Size rules of the texture device

class SizeRulesTest : public gfxtest::GfxTest {};

TEST_P(SizeRulesTest, TextureSizeFollowsTheDeviceRulesWhileTheLogicalSizeStays) {
    struct Case {
        bool pow2, square;
        int texWidth, texHeight;
    };
    const Case cases[] = {
        {true, false, 128, 64},
        {true, true, 128, 128},
        {false, true, 100, 100},
        {false, false, 100, 60},
    };
    const std::string file = gfxtest::WriteBmp("sheet.bmp", gfxtest::IndexedPicture(100, 60));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pow2 " << c.pow2 << " square " << c.square);
        DDRelease();
        plat::testing::RasterCapsOverride caps;
        caps.pow2 = c.pow2;
        caps.squareOnly = c.square;
        plat::testing::SetRasterCaps(caps);
        ASSERT_TRUE(DDInit(1, gfxtest::TestWindow(), 640, 480, gfxtest::Bpp(V()), 0, 1, 1, 60, 0, nullptr, nullptr, 0,
                           0));

        DDSURFACEDATA blank, loaded;
        ASSERT_TRUE(DDCreateSurface(&blank, 100, 60, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
        ASSERT_EQ(DDCreateSurfaceFromFile(&loaded, file.c_str(), 0, gfxtest::Bpp(V()), 0, DTMEMORYTYPE_VIDEO_RT, nullptr,
                                          0, 0, 0, 0),
                  0);
        for (DDSURFACEDATA* sd : {&blank, &loaded}) {
            EXPECT_EQ(sd->nWidth, 100);
            EXPECT_EQ(sd->nHeight, 60);
            EXPECT_EQ(sd->nTexWidth, c.texWidth);
            EXPECT_EQ(sd->nTexHeight, c.texHeight);
            EXPECT_EQ(sd->lpDT->lpTexture->Width(), c.texWidth);
            EXPECT_EQ(sd->lpDT->lpTexture->Height(), c.texHeight);
        }
        // Powers of two and zero stay as they are.
        int w = 64, h = 0;
        DDAdjustTextureSize(w, h);
        EXPECT_EQ(w, 64);
        EXPECT_EQ(h, c.square ? 64 : 0);
        DDReleaseSurface(&blank);
        DDReleaseSurface(&loaded);
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, SizeRulesTest, testing::Values(Variant::D3D16, Variant::D3D32),
                         gfxtest::VariantName);

// ---------------------------------------------------------------------------
// Creation

TEST_P(CreateTest, OutOfVideoMemoryFallsBackToSystemMemory) {
    plat::testing::SetVideoMemoryBudget(0);
    DDSURFACEDATA blank;
    ASSERT_TRUE(DDCreateSurface(&blank, 64, 32, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    ASSERT_TRUE(HasBackEnd(blank));
    if (gfxtest::IsD3D(V())) {
        EXPECT_EQ(blank.lpDT->nMemoryType, DTMEMORYTYPE_SYSTEM);
        EXPECT_EQ(blank.lpDT->bRenderTarget, 0);
        EXPECT_FALSE(blank.lpDT->lpSystemSurface);
        EXPECT_EQ(RegisteredCount(&blank), 1);
    } else {
        EXPECT_EQ(blank.bSystemMemory, 1);
        // A bitmap asked for in video memory records where it really went.
        DDSURFACEDATA loaded;
        const std::string file = gfxtest::WriteBmp("pic.bmp", gfxtest::IndexedPicture(8, 8));
        ASSERT_EQ(DDCreateSurfaceFromFile(&loaded, file.c_str(), 0, gfxtest::Bpp(V()), 0, 0, nullptr, 0, 0, 0, 0), 0);
        EXPECT_EQ(loaded.bSystemMemory, 1);
        DDReleaseSurface(&loaded);
    }
    // The fallback surface is a working one.
    DDFillRect(&blank, 2, 2, 4, 4, 3);
    EXPECT_EQ(gfxtest::ReadArgb(&blank, 3, 3), 0xFFFF0000u);
    DDReleaseSurface(&blank);
    EXPECT_EQ(RegisteredCount(&blank), 0);
}

TEST_P(CreateTest, BlankSurfaceStartsAsColourZeroOrTransparent) {
    DDSURFACEDATA sd;
    ASSERT_TRUE(DDCreateSurface(&sd, 40, 30, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    EXPECT_EQ(sd.nWidth, 40);
    EXPECT_EQ(sd.nHeight, 30);
    if (gfxtest::IsD3D(V())) {
        EXPECT_STREQ(sd.szFileName, "E");
        EXPECT_STREQ(sd.szName, "OffScreen");
        EXPECT_EQ(sd.lpDT->bColorKey, 1);
        // New render targets are cleared to the opaque transparent colour.
        EXPECT_EQ(gfxtest::ReadArgb(&sd, 39, 29), 0xFFFF00FFu);
    } else {
        EXPECT_STREQ(sd.szFileName, "");
        EXPECT_EQ(gfxtest::ReadRaw(&sd, 39, 29), PalNumToRGB(0));
        EXPECT_TRUE(sd.lpDDS->lpSurface->HasColorKey());
    }
    DDReleaseSurface(&sd);
}

class Convert16Test : public gfxtest::GfxTest {};

TEST_P(Convert16Test, TrueColourBitmapsConvertWithTheKeyAndNoAccidentalTransparency) {
    // 3 pixels of 24 bits make padded rows; the second row proves the stride.
    const uint32_t magenta = 0xFF00FF;
    struct Case {
        int bitCount;
        uint32_t keyValue;  // 0 = the start-up key (magenta, 0xF81F)
        uint16_t expected[6];
    };
    const Case cases[] = {
        // (255,4,255) lands on the key and has blue at its maximum: minus 1.
        {24, 0, {0xF81F, 0xF81E, 0x001F, 0xF800, 0x07E0, 0xF81F}},
        {32, 0, {0xF81F, 0xF81E, 0x001F, 0xF800, 0x07E0, 0xF81F}},
        // With red as the key value, red lands on it with blue at 0: plus 1.
        {24, 0xF800, {0xF800, 0xF81F, 0x001F, 0xF801, 0x07E0, 0xF800}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bitCount << " bits, key " << c.keyValue);
        const uint32_t savedKey = g_DDConfig.dwColorKey;
        if (c.keyValue) g_DDConfig.dwColorKey = c.keyValue;
        gfxtest::BmpPicture p;
        p.width = 3;
        p.height = 2;
        p.bitCount = c.bitCount;
        p.pixels = {magenta, 0xFF04FF, 0x0000FF, 0xFF0000, 0x00FF00, magenta};
        const std::string file = gfxtest::WriteBmp("true.bmp", p);
        DDSURFACEDATA sd;
        ASSERT_EQ(DDCreateSurfaceFromFile(&sd, file.c_str(), 1, 16, 1, 0, nullptr, 0, 0, 0, 0), 0);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(gfxtest::ReadRaw(&sd, i % 3, i / 3), c.expected[i]) << "pixel " << i;
        DDReleaseSurface(&sd);
        g_DDConfig.dwColorKey = savedKey;
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, Convert16Test, testing::Values(Variant::DD16), gfxtest::VariantName);

TEST_P(CreateTest, MirrorWidthReversesWholeCellsOnly) {
    // 100 columns: three cells of 32 and 4 columns that are no whole cell.
    gfxtest::BmpPicture p = gfxtest::IndexedPicture(100, 2);
    for (int x = 0; x < 100; ++x) {
        p.pixels[static_cast<size_t>(x)] = static_cast<uint32_t>(6 + x);
        p.pixels[static_cast<size_t>(100 + x)] = static_cast<uint32_t>(106 + x);
    }
    p.pixels[5] = 0;  // a transparent pixel is mirrored like any other
    const std::string file = gfxtest::WriteBmp("sheet.bmp", p);
    const int bpp = gfxtest::Bpp(V());
    DDSURFACEDATA plain, mirrored;
    ASSERT_EQ(DDCreateSurfaceFromFile(&plain, file.c_str(), 1, bpp, 0, 0, nullptr, 0, 0, 0, 0), 0);
    ASSERT_EQ(DDCreateSurfaceFromFile(&mirrored, file.c_str(), 1, bpp, 0, 0, nullptr, 0, 32, 0, 0), 0);
    EXPECT_EQ(mirrored.nMirrorWidth, 32);
    EXPECT_EQ(mirrored.nWidth, 100);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 96; ++x) {
            int from = 32 * (x / 32 + 1) - x % 32 - 1;
            ASSERT_EQ(gfxtest::ReadRaw(&mirrored, from, y), gfxtest::ReadRaw(&plain, x, y)) << x << "," << y;
        }
        for (int x = 96; x < 100; ++x) {
            // The bitmap copy leaves the partial cell at colour 0; the
            // texture keeps its unmirrored pixels there.
            uint32_t expected = gfxtest::IsD3D(V()) ? gfxtest::ReadRaw(&plain, x, y) : PalNumToRGB(0);
            EXPECT_EQ(gfxtest::ReadRaw(&mirrored, x, y), expected) << x << "," << y;
        }
    }
    DDReleaseSurface(&plain);
    DDReleaseSurface(&mirrored);
}

TEST_P(CreateTest, MissingBitmapReportsCode8) {
    DDSURFACEDATA sd;
    EXPECT_EQ(DDCreateSurfaceFromFile(&sd, "nothing.bmp", 0, gfxtest::Bpp(V()), 0, 0, nullptr, 0, 0, 0, 0), 8);
    EXPECT_FALSE(HasBackEnd(sd));
    int result = 7;
    EXPECT_EQ(DDCheckBmpSize(result, "nothing.bmp", 10, 10), gfxtest::IsD3D(V()));
    EXPECT_EQ(result, gfxtest::IsD3D(V()) ? 7 : 0);
    DDReleaseSurface(&sd);
}

// ---------------------------------------------------------------------------
// Definition tables

TEST_P(CreateTest, TableRowsBlankOptionalAndRequired) {
    const std::string file = gfxtest::WriteBmp("pic.bmp", gfxtest::IndexedPicture(24, 16));
    m_defs[0].Set("E", 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0, 0, 0, 0, 40, 30);
    m_defs[1].Set("gone.bmp", 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0, 1, 0, 0, 0, 0);
    m_defs[2].Set(file.c_str(), 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0, 0, 0, 0, 0, 0);
    m_defs[3].Set("gone.bmp", 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0, 0, 0, 0, 0, 0);
    g_DDConfig.lpGameSurfaces = m_table;
    g_DDConfig.lpGameDefs = m_defs;
    g_DDConfig.nGameSurfaceCount = 4;
    plat::testing::ClearDialogTranscript();

    // The optional row fails quietly and the rest are made.
    const int rows[] = {0, 1, 2};
    EXPECT_TRUE(DDCreateGameSurfaces(m_table, rows, 3));
    EXPECT_TRUE(HasBackEnd(m_table[0]));
    EXPECT_EQ(m_table[0].nWidth, 40);
    EXPECT_EQ(m_table[0].nHeight, 30);
    EXPECT_FALSE(HasBackEnd(m_table[1]));
    EXPECT_TRUE(HasBackEnd(m_table[2]));
    EXPECT_EQ(m_table[2].nWidth, 24);
    EXPECT_TRUE(plat::testing::DialogTranscript().empty());

    // A required row that fails stops the table with a box.
    const int required[] = {3, 0};
    EXPECT_FALSE(DDCreateGameSurfaces(m_table, required, 2));
    auto boxes = plat::testing::DialogTranscript();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, std::string("gone.bmp の読み込みに失敗！"));

    // Creating again releases first: one registration per surface.
    EXPECT_TRUE(DDCreateGameSurfaces(m_table, rows, 3));
    if (gfxtest::IsD3D(V())) {
        EXPECT_EQ(RegisteredCount(&m_table[2]), 1);
    }
}

// ---------------------------------------------------------------------------
// Aliases, lists and vectors

class AliasTest : public gfxtest::GfxTest {};

TEST_P(AliasTest, ReleasingAnAliasKeepsTheSharedTexture) {
    DDSURFACEDATA owner, alias;
    ASSERT_TRUE(DDCreateSurface(&owner, 32, 16, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0));
    ASSERT_TRUE(DDCreateSurface(&alias, 32, 16, 0, 0, DTMEMORYTYPE_VIDEO_RT, &owner, 0));
    alias.lpMirrorSrc = &owner;
    EXPECT_EQ(RegisteredCount(&alias), 0);
    // Drawing into the alias draws into the owner.
    DDFillRect(&alias, 0, 0, 4, 4, 4);
    EXPECT_EQ(gfxtest::ReadArgb(&owner, 1, 1), 0xFF00FF00u);

    plat::RasterTexture* texture = owner.lpDT->lpTexture.get();
    DDReleaseSurface(&alias);
    EXPECT_EQ(alias.lpDT, nullptr);
    ASSERT_NE(owner.lpDT, nullptr);
    EXPECT_EQ(owner.lpDT->lpTexture.get(), texture);
    EXPECT_EQ(RegisteredCount(&owner), 1);
    EXPECT_EQ(gfxtest::ReadArgb(&owner, 1, 1), 0xFF00FF00u);
    DDReleaseSurface(&owner);
}

INSTANTIATE_TEST_SUITE_P(Variants, AliasTest, testing::Values(Variant::D3D16, Variant::D3D32), gfxtest::VariantName);

TEST_P(CreateTest, SurfaceListsInsertAppendAndErase) {
    cList<DDSURFACEDATA> list;
    cList<DDSURFACEDEF> defs;
    ASSERT_TRUE(DDPushSurfaceList(list, defs, 10, 10, 0, 0, 0, nullptr));
    ASSERT_TRUE(DDPushSurfaceList(list, defs, 20, 10, 1, 0, 0, nullptr));
    // Past the end, and "negative" (huge unsigned) positions append.
    ASSERT_TRUE(DDInsertSurfaceList(list, defs, 2, 30, 10, 0, 0, 0, nullptr));
    ASSERT_TRUE(DDInsertSurfaceList(list, defs, static_cast<unsigned>(-1), 40, 10, 0, 0, 0, nullptr));
    // Inside, the new surface comes before the element at the position.
    ASSERT_TRUE(DDInsertSurfaceList(list, defs, 1, 50, 10, 1, 1, 0, nullptr));
    std::vector<int> widths;
    for (const DDSURFACEDATA& sd : list) widths.push_back(sd.nWidth);
    EXPECT_EQ(widths, (std::vector<int>{10, 50, 20, 30, 40}));
    ASSERT_EQ(defs.Size(), 5);
    EXPECT_EQ(defs.At(1).bColorKey, 1);
    EXPECT_EQ(defs.At(1).bSystemMemory, 1);
    EXPECT_EQ(defs.At(2).bColorKey, 1);
    for (DDSURFACEDATA& sd : list) EXPECT_TRUE(HasBackEnd(sd));

    DDSURFACEDATA* second = &list.At(1);
    EXPECT_EQ(DDEraseSurfaceList(list, defs, second), 1);
    DDSURFACEDATA stranger;
    EXPECT_EQ(DDEraseSurfaceList(list, defs, &stranger), 0);
    widths.clear();
    for (const DDSURFACEDATA& sd : list) widths.push_back(sd.nWidth);
    EXPECT_EQ(widths, (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ(defs.Size(), 4);
    EXPECT_EQ(defs.At(1).bColorKey, 1);
    EXPECT_EQ(defs.At(1).bSystemMemory, 0);

    DDReleaseSurfaceList(list);
    EXPECT_EQ(list.Size(), 4);
    for (DDSURFACEDATA& sd : list) EXPECT_FALSE(HasBackEnd(sd));
}

class PushTest : public gfxtest::GfxTest {};

TEST_P(PushTest, GrowingVectorKeepsRegistryValidThroughDeviceRestore) {
    // Presenting paces nothing with vertical sync on.
    g_DDConfig.bVSync = 1;
    cVector<DDSURFACEDATA> surfaces;
    cVector<DDSURFACEDEF> defs;
    const int before = static_cast<int>(DDRegisteredSurfaces().size());
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(DDPushSurface(surfaces, defs, 16 + i, 8, 0, 0, 0, nullptr));
    ASSERT_EQ(static_cast<int>(DDRegisteredSurfaces().size()), before + 20);
    for (DDSURFACEDATA& sd : surfaces) EXPECT_EQ(RegisteredCount(&sd), 1);

    // A lost device rebuilds every registered texture in place; a stale
    // registry entry would be written through here.
    plat::testing::LoseDevice(0);
    EXPECT_EQ(DDPresent(60, 0, nullptr), 0);
    EXPECT_EQ(DDRestoreSurface(), 1);
    for (int i = 0; i < surfaces.Size(); ++i) {
        DDSURFACEDATA& sd = surfaces.At(i);
        EXPECT_EQ(sd.bLost, 1) << i;
        ASSERT_TRUE(HasBackEnd(sd)) << i;
        EXPECT_EQ(sd.nWidth, 16 + i);
    }
    DDFillRect(&surfaces.At(19), 0, 0, 2, 2, 5);
    EXPECT_EQ(gfxtest::ReadArgb(&surfaces.At(19), 1, 1), 0xFF0000FFu);

    // A surface that cannot be made is a failure, its slot kept blank.
    plat::testing::FailNextBufferCreations(1);
    EXPECT_FALSE(DDPushSurface(surfaces, defs, 8, 8, 0, 0, 0, nullptr));
    plat::testing::FailNextBufferCreations(0);
    ASSERT_EQ(surfaces.Size(), 21);
    EXPECT_EQ(defs.Size(), 21);
    EXPECT_FALSE(HasBackEnd(surfaces.At(20)));

    DDReleaseSurfaces(surfaces);
    EXPECT_EQ(static_cast<int>(DDRegisteredSurfaces().size()), before);
}

INSTANTIATE_TEST_SUITE_P(Variants, PushTest, testing::Values(Variant::D3D16, Variant::D3D32), gfxtest::VariantName);

INSTANTIATE_TEST_SUITE_P(Variants, CreateTest, gfxtest::AllVariants(), gfxtest::VariantName);
