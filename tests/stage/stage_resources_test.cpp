// The surfaces a stage loads before it is played: the database pictures
// with their twins, the shot chip sheets and the hero's sight overlay.
#include "stage/stage_resources.h"

#include <gtest/gtest.h>

#include <string>

#include "frontend/program_objects.h"
#include "gfx/system_bitmaps.h"
#include "project/database.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"
#include "support/headless_layer.h"
#include "support/logged_test.h"

namespace {

using orvtest::BackBufferRaw;
using orvtest::ReadLayerRaw;
using orvtest::WriteLayerBmp;

constexpr int kBackground = 3, kDark = 16;

// Parameter: 1 the texture device, 0 the blit display.
class StageResourcesTest : public orvtest::LoggedTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        ASSERT_TRUE(orvtest::StartHeadlessLayer(GetParam()));
    }
    void TearDown() override {
        DDReleaseSurfaces(g_CharaExcSurfaces);
        DDReleaseSurfaces(g_SwordSurfaces);
        DDReleaseSurfaces(g_EffectSurfaces);
        for (DDSURFACEDATA* sd : {&g_SysBmp[64], &g_SysBmp[65], &g_SysBmp[kSysBmpSightOverlay], &g_SysBmp[kSysBmpSightStamp], &g_SysBmp[kSysBmpShot],
                                  &g_SysBmp[kSysBmpShot + 1]}) {
            DDReleaseSurface(sd);
            *sd = DDSURFACEDATA{};
        }
        orvtest::StopHeadlessLayer();
        ResetProgramObjects();
        LoggedTest::TearDown();
    }
    static std::string Report() { return orvtest::ReadHostFile("Report_Game.txt"); }
    static bool HasPicture(const DDSURFACEDATA& sd) { return sd.nWidth > 0 && sd.nHeight > 0; }

    cGameScene scene;
};

std::string Name(const ::testing::TestParamInfo<int>& info) { return info.param ? "Texture" : "Blit"; }

}  // namespace

TEST_P(StageResourcesTest, RecordZeroOfSheetsAndEffectsIsNeverLoadedWhileSwordsStartThere) {
    WriteLayerBmp("l.bmp", 8, 8, [](int, int) { return 5; });
    WriteLayerBmp("r.bmp", 16, 8, [](int, int) { return 6; });
    g_Database.m_vBmpCharaExc.resize(1);
    g_Database.m_vBmpCharaExc[0].m_strFile = "l.bmp";
    g_Database.m_vEffect.resize(1);
    g_Database.m_vEffect[0].m_strFile = "l.bmp";
    g_Database.m_vSwordType.resize(1);
    g_Database.m_vSwordType[0].m_strFileL = "l.bmp";
    g_Database.m_vSwordType[0].m_strFileR = "r.bmp";

    scene.LoadCharaExcBitmaps();
    scene.LoadEffects();
    scene.LoadSwords();

    EXPECT_EQ(g_CharaExcSurfaces.Size(), 0);
    EXPECT_EQ(g_CharaExcDefs.Size(), 0);
    EXPECT_EQ(g_EffectSurfaces.Size(), 0);
    EXPECT_EQ(g_EffectDefs.Size(), 0);
    ASSERT_EQ(g_SwordSurfaces.Size(), 4);
    ASSERT_EQ(g_SwordDefs.Size(), 4);
    // First image, second image, then their system-memory twins.
    const int widths[4] = {8, 16, 8, 16};
    const DDSURFACEDATA* sources[4] = {nullptr, nullptr, &g_SwordSurfaces[0], &g_SwordSurfaces[1]};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(g_SwordSurfaces[i].nWidth, widths[i]) << i;
        EXPECT_EQ(g_SwordSurfaces[i].lpMirrorSrc, sources[i]) << i;
        EXPECT_STREQ(g_SwordDefs[i].szFile, i % 2 ? "r.bmp" : "l.bmp") << i;
        EXPECT_EQ(g_SwordDefs[i].bSystemMemory, i / 2) << i;
        EXPECT_EQ(g_SwordDefs[i].bColorKey, 1) << i;
        EXPECT_EQ(g_SwordDefs[i].nMirrorWidth, 0) << i;
    }
}

// Each pass releases what the one before loaded (the leak checker would
// see it otherwise); a missing file costs only its own surfaces.
TEST_P(StageResourcesTest, AMissingBitmapIsReportedAndTheRestLoads) {
    WriteLayerBmp("sheet.bmp", 64, 32, [](int, int) { return 5; });
    g_Database.m_vBmpCharaExc.resize(3);
    g_Database.m_vBmpCharaExc[1].m_strFile = "gone.bmp";
    g_Database.m_vBmpCharaExc[2].m_strFile = "sheet.bmp";
    g_Database.m_vEffect.resize(3);
    g_Database.m_vEffect[1].m_strFile = "sheet.bmp";
    g_Database.m_vEffect[2].m_strFile = "lost.bmp";
    g_Database.m_vSwordType.resize(1);
    g_Database.m_vSwordType[0].m_strFileL = "sheet.bmp";
    g_Database.m_vSwordType[0].m_strFileR = "blade.bmp";

    for (int pass = 0; pass < 2; ++pass) {
        scene.LoadCharaExcBitmaps();
        scene.LoadEffects();
        scene.LoadSwords();
    }

    ASSERT_EQ(g_CharaExcSurfaces.Size(), 8);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(HasPicture(g_CharaExcSurfaces[i])) << i;
        EXPECT_TRUE(HasPicture(g_CharaExcSurfaces[4 + i])) << i;
        EXPECT_EQ(g_CharaExcSurfaces[4 + i].lpMirrorSrc, i ? &g_CharaExcSurfaces[4] : nullptr) << i;
    }
    ASSERT_EQ(g_EffectSurfaces.Size(), 4);
    EXPECT_TRUE(HasPicture(g_EffectSurfaces[0]));
    EXPECT_EQ(g_EffectSurfaces[1].lpMirrorSrc, &g_EffectSurfaces[0]);
    EXPECT_FALSE(HasPicture(g_EffectSurfaces[2]));
    for (const DDSURFACEDEF& def : g_EffectDefs) EXPECT_EQ(def.bOptional, 1);
    ASSERT_EQ(g_SwordSurfaces.Size(), 4);
    EXPECT_TRUE(HasPicture(g_SwordSurfaces[0]));
    EXPECT_FALSE(HasPicture(g_SwordSurfaces[1]));

    const std::string report = Report();
    EXPECT_NE(report.find("専用bmp gone.bmp 読み込み失敗！\n"), std::string::npos) << report;
    EXPECT_NE(report.find("エフェクト lost.bmp 読み込み失敗！\n"), std::string::npos) << report;
    EXPECT_NE(report.find("ソード blade.bmp 読み込み失敗！\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("sheet.bmp"), std::string::npos) << report;
}

TEST_P(StageResourcesTest, MirrorsAreCutInCellsOfTheSheetsChipSize) {
    // Column 0 of every 32-dot cell is colour 5, the rest colour 6.
    WriteLayerBmp("sheet.bmp", 128, 32, [](int x, int) { return x % 32 == 0 ? 5 : 6; });
    g_Database.m_vBmpCharaExc.resize(3);
    for (int n = 1; n <= 2; ++n) g_Database.m_vBmpCharaExc[n].m_strFile = "sheet.bmp";
    g_Database.m_vBmpCharaExc[2].m_nLargeChips = 1;
    g_Database.m_vBmpCharaExc[2].m_nChipSize = 2;

    scene.LoadCharaExcBitmaps();

    ASSERT_EQ(g_CharaExcDefs.Size(), 8);
    const int mirrors[8] = {0, 32, 0, 32, 0, 64, 0, 64};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(g_CharaExcDefs[i].nMirrorWidth, mirrors[i]) << i;
        EXPECT_EQ(g_CharaExcDefs[i].bSystemMemory, i % 4 >= 2) << i;
    }
    // Two chips of the mirror of the sheet of 32-dot chips, drawn: column 0
    // of a cell now shows at its right edge.
    const uint32_t edge = BackBufferRaw(5), inner = BackBufferRaw(6);
    DDFillSurface(&g_BackBufferSD, kBackground);
    for (int x : {0, 32}) DDBlt(&g_BackBufferSD, x, 0, 32, 1, &g_CharaExcSurfaces[1], x, 0, DDBLT_KEYED);
    for (int x : {0, 30, 31, 32, 63})
        EXPECT_EQ(ReadLayerRaw(&g_BackBufferSD, x, 0), x % 32 == 31 ? edge : inner) << x;
}

TEST_P(StageResourcesTest, ShotChipsAreCentredInCellsOfThirtyTwoDots) {
    // Every 16-dot chip its own colour; its top-left pixel transparent.
    WriteLayerBmp("shot.bmp", 128, 480, [](int x, int y) {
        return x % 16 == 0 && y % 16 == 0 ? 0 : 1 + x / 16 + 8 * (y / 16);
    });
    DDSURFACEDATA* shots = &g_SysBmp[kSysBmpShot];
    DDSURFACEDATA* mirrored = &g_SysBmp[kSysBmpShot + 1];
    ASSERT_EQ(DDCreateSurfaceFromFile(shots, "shot.bmp", 1, 32, 0, 0, nullptr, 0, 0, 0, 0), 0);
    ASSERT_EQ(DDCreateSurfaceFromFile(mirrored, "shot.bmp", 1, 32, 0, 0, lpDTCon ? shots : nullptr, 0, 16, 0, 0), 0);
    if (lpDTCon) mirrored->lpMirrorSrc = shots;

    scene.BuildShotChipSheets();
    DDSURFACEDATA& sheet = g_SysBmp[64];
    DDSURFACEDATA& mirrorSheet = g_SysBmp[65];

    ASSERT_EQ(sheet.nWidth, 256);
    ASSERT_EQ(sheet.nHeight, 960);
    ASSERT_EQ(mirrorSheet.nWidth, 256);
    const uint32_t clear = ReadLayerRaw(&sheet, 0, 0);
    EXPECT_EQ(ReadLayerRaw(&mirrorSheet, 0, 0), clear);
    // Row c = 29, column d = 3: (96, 464) goes to (200, 936), (112, 464)
    // to (232, 936); the mirror sheet holds each chip reversed in place.
    struct Chip {
        int sx, sy, dx, dy;
    } chips[] = {{96, 464, 200, 936}, {112, 464, 232, 936}, {0, 0, 8, 8}};
    for (const Chip& c : chips) {
        EXPECT_EQ(ReadLayerRaw(&sheet, c.dx, c.dy), clear) << c.dx;  // keyed pixel left out
        EXPECT_EQ(ReadLayerRaw(&mirrorSheet, c.dx + 15, c.dy), clear) << c.dx;
        for (int i = 1; i < 16; i += 7) {
            const uint32_t want = ReadLayerRaw(shots, c.sx + i, c.sy + 3);
            EXPECT_NE(want, clear);
            EXPECT_EQ(ReadLayerRaw(&sheet, c.dx + i, c.dy + 3), want) << c.dx << " " << i;
            EXPECT_EQ(ReadLayerRaw(&mirrorSheet, c.dx + 15 - i, c.dy + 3), want) << c.dx << " " << i;
        }
        // The cell's margin stays clear.
        EXPECT_EQ(ReadLayerRaw(&sheet, c.dx - 1, c.dy + 3), clear);
        EXPECT_EQ(ReadLayerRaw(&sheet, c.dx + 16, c.dy + 3), clear);
    }
}

namespace {

struct SightCase {
    int sight, shape;
    int width, height;
    // Points relative to the overlay's centre and whether the hole shows
    // the picture below there.
    struct Point {
        int dx, dy;
        bool open;
    } points[5];
};

}  // namespace

TEST_P(StageResourcesTest, SightOverlayIsDarkAroundAHoleOfTheSight) {
    const SightCase cases[] = {
        {0, 1, 1280, 960, {{0, 0, false}, {-300, -200, false}, {300, 200, false}, {0, 0, false}, {0, 0, false}}},
        {48, 1, 1376, 1056, {{0, 0, true}, {44, 0, true}, {0, -46, true}, {40, 40, false}, {52, 0, false}}},
        {48, 2, 1376, 1056, {{-30, 30, true}, {0, 46, true}, {-40, -40, false}, {0, 52, false}, {0, 0, true}}},
        {48, 3, 1376, 1056, {{-48, -48, true}, {47, 47, true}, {40, 40, true}, {48, 0, false}, {0, -49, false}}},
        {-7, 3, 1280, 960, {{0, 0, false}, {0, 0, false}, {0, 0, false}, {0, 0, false}, {0, 0, false}}},
        {5000, 1, 2880, 2560, {{0, 0, true}, {319, 239, true}, {-320, -240, true}, {0, 0, true}, {0, 0, true}}},
    };
    g_Heroes.resize(1);
    const uint32_t background = BackBufferRaw(kBackground), dark = BackBufferRaw(kDark);
    for (const SightCase& c : cases) {
        g_Heroes[0].m_nSight = c.sight;
        g_Heroes[0].m_Def.m_cSightShape = static_cast<int8_t>(c.shape);
        ResizeWorkSurfaces(&g_SysBmp[kSysBmpSightOverlay], &g_SysBmp[kSysBmpSightStamp]);
        ASSERT_EQ(g_SysBmp[kSysBmpSightOverlay].nWidth, c.width) << c.sight;
        ASSERT_EQ(g_SysBmp[kSysBmpSightOverlay].nHeight, c.height) << c.sight;
        // The view's window around the centre, drawn as the hero draws it.
        DDFillSurface(&g_BackBufferSD, kBackground);
        DDBlt(&g_BackBufferSD, 0, 0, 640, 480, &g_SysBmp[kSysBmpSightOverlay], c.width / 2 - 320, c.height / 2 - 240, DDBLT_KEYED);
        for (const SightCase::Point& p : c.points) {
            EXPECT_EQ(ReadLayerRaw(&g_BackBufferSD, 320 + p.dx, 240 + p.dy), p.open ? background : dark)
                << "sight " << c.sight << " shape " << c.shape << " at " << p.dx << "," << p.dy;
        }
    }
}

TEST_P(StageResourcesTest, PicturesAndMessageSurfacesAreReleasedAndEmptied) {
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(DDPushSurfaceList(g_PictureSD, g_PictureDef, 16, 16, 1, 0, 0, nullptr));
        ASSERT_TRUE(DDPushSurfaceList(Off_Msg, g_OffMsgDef, 16, 16, 1, 0, 0, nullptr));
        scene.m_lPictures.emplace_back();
    }
    scene.ClearPictures();
    scene.ClearMessageSurfaces();
    EXPECT_TRUE(g_PictureSD.empty());
    EXPECT_TRUE(g_PictureDef.empty());
    EXPECT_TRUE(scene.m_lPictures.empty());
    EXPECT_TRUE(Off_Msg.empty());
    EXPECT_TRUE(g_OffMsgDef.empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, StageResourcesTest, ::testing::Values(1, 0), Name);
