// Draw layers: queuing, keys, sorting, runs, and the layer stack.
#include <gtest/gtest.h>

#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "core/report_log.h"
#include "gfx/dd.h"
#include "gfx/dd_layer.h"
#include "gfx_fixture.h"
#include "platform/picture_testing.h"
#include "support/test_support.h"

using gfxtest::Variant;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu,
                   kMagenta = 0xFFFF00FFu;

class LayerFixture : public gfxtest::SheetTest {
protected:
    void TearDown() override {
        DDDiscardLayers();
        gfxtest::SheetTest::TearDown();
    }
    DDSURFACEDATA* Plain(const char* name, int colour) {
        return Sheet(name, 8, 8, 0, [colour](int, int) { return colour; });
    }
    static uint32_t At(int x, int y) { return gfxtest::ReadArgb(&g_BackBufferSD, x, y); }

};

class LayerTest : public LayerFixture {};
class LayerD3DTest : public LayerFixture {};

std::vector<int> SortKeys() {
    std::vector<int> keys;
    for (const DDLAYERENTRY& e : DDCurrentLayer()->entries) keys.push_back(e.nSortKey);
    return keys;
}

}  // namespace

// ---------------------------------------------------------------------------
// Both back-ends

TEST_P(LayerTest, BlitsInsideALayerAppearOnlyOnTheTextureDeviceAfterItCloses) {
    DDSURFACEDATA* a = Plain("a.bmp", 3);
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginLayer(1);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
    const bool d3d = gfxtest::IsD3D(V());
    EXPECT_EQ(DDLayerDepth(), d3d ? 1 : 0);
    EXPECT_EQ(At(3, 3), d3d ? kBlack : kRed);
    DDEndLayer();
    EXPECT_EQ(At(3, 3), kRed);
    EXPECT_EQ(DDLayerDepth(), 0);
    // A close without an open layer does nothing.
    DDEndLayer();
    EXPECT_EQ(DDLayerDepth(), 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, LayerTest, gfxtest::AllVariants(), gfxtest::VariantName);

// ---------------------------------------------------------------------------
// Texture device

TEST_P(LayerD3DTest, SortingBringsBlitsOfOneSourceTogetherAtItsFirstPlace) {
    // A at 0..7, B at 4..11, A at 8..15: where B meets the second A the
    // sorted layer shows B (drawn last), the unsorted one A.
    DDSURFACEDATA* a = Plain("a.bmp", 3);
    DDSURFACEDATA* b = Plain("b.bmp", 4);
    for (int sort : {1, 0}) {
        SCOPED_TRACE(sort);
        DDFillSurface(&g_BackBufferSD, 2);
        DDBeginLayer(sort);
        DDBlt(&g_BackBufferSD, 0, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
        DDBlt(&g_BackBufferSD, 4, 0, 8, 8, b, 0, 0, DDBLT_OPAQUE);
        DDBlt(&g_BackBufferSD, 8, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
        EXPECT_EQ(SortKeys(), sort ? std::vector<int>({0, 1, 0}) : std::vector<int>({0, 1, 2}));
        DDEndLayer();
        EXPECT_EQ(At(2, 2), kRed);
        EXPECT_EQ(At(6, 2), kGreen);
        EXPECT_EQ(At(10, 2), sort ? kGreen : kRed);
        EXPECT_EQ(At(14, 2), kRed);
    }
}

TEST_P(LayerD3DTest, RegisteredSheetsComeAfterEverythingInRegistrationOrder) {
    // T at 0..7, S at 4..11, U at 8..15, submitted T, S, U; S registered
    // before T, so they are drawn U, S, T.
    DDSURFACEDATA* s = Plain("s.bmp", 3);
    DDSURFACEDATA* t = Plain("t.bmp", 4);
    DDSURFACEDATA* u = Plain("u.bmp", 5);
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginLayer(1);
    DDAddLayerKey(s);
    DDAddLayerKey(t);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, t, 0, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 4, 0, 8, 8, s, 0, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 8, 0, 8, 8, u, 0, 0, DDBLT_OPAQUE);
    EXPECT_EQ(SortKeys(), std::vector<int>({200000, 100001, 2}));
    DDEndLayer();
    EXPECT_EQ(At(6, 2), kGreen);  // T over S
    EXPECT_EQ(At(10, 2), kRed);   // S over U
    EXPECT_EQ(At(14, 2), kBlue);
}

TEST_P(LayerD3DTest, KeyRegistrationRules) {
    DDSURFACEDATA* s = Plain("s.bmp", 3);
    DDSURFACEDATA* t = Plain("t.bmp", 4);
    DDSURFACEDATA* owner = Plain("o.bmp", 5);
    DDSURFACEDATA mirror = *owner;
    mirror.lpMirrorSrc = owner;
    struct Key {
        DDSURFACEDATA* src;
        int position, x, y;
    };
    struct Case {
        const char* what;
        std::vector<Key> calls;
        std::vector<int> values;  // of the keys registered, in order
    };
    const std::vector<Case> cases = {
        {"one source twice", {{s, 0, 0, 0}, {s, 0, 0, 0}}, {100000}},
        {"position after whole surface", {{s, 0, 0, 0}, {s, 1, 8, 0}}, {100000}},
        {"whole surface after position", {{s, 1, 8, 0}, {s, 0, 0, 0}}, {100000}},
        {"two positions", {{s, 1, 8, 0}, {s, 1, 16, 0}, {s, 1, 8, 0}}, {100000, 200000}},
        {"two sources", {{s, 0, 0, 0}, {t, 1, 0, 0}}, {100000, 200000}},
        {"a mirror sheet is its owner", {{&mirror, 0, 0, 0}, {owner, 0, 0, 0}}, {100000}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        DDBeginLayer(1);
        for (const Key& k : c.calls) DDFindLayerKey(k.src, k.position, k.x, k.y);
        std::vector<int> values;
        for (const DDLAYERKEY& key : DDCurrentLayer()->keys) values.push_back(key.nValue);
        EXPECT_EQ(values, c.values);
        if (i + 1 == cases.size()) {
            EXPECT_EQ(DDCurrentLayer()->keys[0].lpSrc, owner);
        }
        DDEndLayer();
    }
    // Keys are taken only by an unpaused sorting layer.
    DDBeginLayer(0);
    DDAddLayerKey(s);
    EXPECT_TRUE(DDCurrentLayer()->keys.empty());
    DDEndLayer();
    DDBeginLayer(1);
    DDPauseLayer();
    DDAddLayerKey(s);
    EXPECT_TRUE(DDCurrentLayer()->keys.empty());
    DDEndLayer();
}

TEST_P(LayerD3DTest, PositionKeysMarkOnlyBlitsFromTheirPosition) {
    DDSURFACEDATA* s = Sheet("s.bmp", 32, 8, 0, [](int x, int) { return 3 + x / 8; });
    DDBeginLayer(1);
    DDAddLayerKeyRect(s, 8, 0);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, s, 0, 0, DDBLT_OPAQUE);   // new source: 0
    DDBlt(&g_BackBufferSD, 8, 0, 8, 8, s, 8, 0, DDBLT_OPAQUE);   // takes the first blit's key
    EXPECT_EQ(SortKeys(), std::vector<int>({0, 0}));
    DDEndLayer();
    DDBeginLayer(1);
    DDAddLayerKeyRect(s, 8, 0);
    DDBlt(&g_BackBufferSD, 8, 0, 8, 8, s, 8, 0, DDBLT_OPAQUE);    // 0 + 100000, position flag
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, s, 0, 0, DDBLT_OPAQUE);    // other position: new key 1
    DDBlt(&g_BackBufferSD, 16, 0, 8, 8, s, 8, 0, DDBLT_OPAQUE);   // same position: 100000
    DDBlt(&g_BackBufferSD, 24, 0, 8, 8, s, 16, 0, DDBLT_OPAQUE);  // source alone, like the second
    EXPECT_EQ(SortKeys(), std::vector<int>({100000, 1, 100000, 1}));
    const auto& e = DDCurrentLayer()->entries;
    EXPECT_EQ(e[0].bPosition, 1);
    EXPECT_EQ(e[2].bPosition, 0);
    DDEndLayer();
}

TEST_P(LayerD3DTest, RunsKeepEachBlitsColourAndOperations) {
    // One blue source, four blits sorted together; colour and operations
    // differ, so each must be drawn with its own.
    DDSURFACEDATA* s = Plain("s.bmp", 5);
    DDSURFACEDATA* other = Plain("o.bmp", 3);
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginLayer(1);
    DDSetVertexColor(0xFF00FFFF);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, s, 0, 0, DDBLT_OPAQUE);  // modulate: blue
    DDResetVertexColor();
    DDBlt(&g_BackBufferSD, 40, 0, 8, 8, other, 0, 0, DDBLT_OPAQUE);
    DDSetVertexColor(0xFFFFFF00);
    DDBlt(&g_BackBufferSD, 10, 0, 8, 8, s, 0, 0, DDBLT_OPAQUE);  // modulate: black
    DDSetColorOp(plat::kTopSelectArg2);
    DDBlt(&g_BackBufferSD, 20, 0, 8, 8, s, 0, 0, DDBLT_OPAQUE);  // the diffuse colour
    DDSetAlphaOp(plat::kTopSelectArg2);
    DDSetVertexColor(0x00FFFF00);
    DDBlt(&g_BackBufferSD, 30, 0, 8, 8, s, 0, 0, DDBLT_OPAQUE);  // alpha 0: nothing
    DDResetVertexColor();
    DDResetColorOp();
    DDResetAlphaOp();
    DDEndLayer();
    EXPECT_EQ(At(3, 3), kBlue);
    EXPECT_EQ(At(13, 3), kBlack);
    EXPECT_EQ(At(23, 3), 0xFFFFFF00u);
    EXPECT_EQ(At(33, 3), kBlack);
    EXPECT_EQ(At(43, 3), kRed);
}

TEST_P(LayerD3DTest, OpaqueCopiesOfAKeyedSourceClearTheirRunFirst) {
    // Left half transparent, right half blue.
    DDSURFACEDATA* k = Sheet("k.bmp", 8, 8, 1, [](int x, int) { return x < 4 ? 0 : 5; });
    DDFillSurface(&g_BackBufferSD, 3);
    DDBeginLayer(0);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, k, 0, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 4, 0, 8, 8, k, 0, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 20, 0, 8, 8, k, 0, 0, DDBLT_KEYED);
    DDEndLayer();
    EXPECT_EQ(At(1, 1), kMagenta);
    // Both clears came before both quads: the second blit's transparent
    // half leaves the first one's blue.
    EXPECT_EQ(At(5, 1), kBlue);
    EXPECT_EQ(At(9, 1), kBlue);
    EXPECT_EQ(At(21, 1), kRed);
    EXPECT_EQ(At(25, 1), kBlue);
}

TEST_P(LayerD3DTest, ReleasingTheDisplayDropsOpenLayers) {
    DDSURFACEDATA* a = Plain("a.bmp", 3);
    DDBeginLayer(1);
    DDBeginLayer(0);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
    DDReleaseSurface(a);
    DDRelease();
    EXPECT_EQ(DDLayerDepth(), 0);
    // A new display starts without the old queue: a close draws nothing.
    ASSERT_TRUE(gfxtest::StartLayer(V()));
    DDFillSurface(&g_BackBufferSD, 2);
    DDEndLayer();
    EXPECT_EQ(At(3, 3), kBlack);
}

TEST_P(LayerD3DTest, ScaledBlitsAtTheIntLimitDrawNothing) {
    // The texture device keeps a scaled blit's destination place, so the
    // queued rectangle's far edge would lie past the int range; clipping
    // refuses such places before anything is queued.
    DDSURFACEDATA* k = Sheet("k.bmp", 8, 8, 1, [](int x, int) { return x < 4 ? 0 : 5; });
    constexpr int kMax = std::numeric_limits<int>::max();
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginLayer(0);
    DDStretchBlt(&g_BackBufferSD, kMax - 4, 0, 16, 16, k, 0, 0, 8, 8, DDBLT_OPAQUE);
    DDStretchBlt(&g_BackBufferSD, 0, kMax - 4, 16, 16, k, 0, 0, 8, 8, DDBLT_OPAQUE);
    EXPECT_TRUE(DDCurrentLayer()->entries.empty());
    DDEndLayer();
    for (int y : {0, 479})
        for (int x : {0, 639}) EXPECT_EQ(At(x, y), kBlack);
}

TEST_P(LayerD3DTest, LockedPathAndPausedBlitsDrawAtOnceUnderTheQueuedOnes) {
    DDSURFACEDATA* a = Plain("a.bmp", 3);
    DDSURFACEDATA* b = Plain("b.bmp", 4);
    DDSURFACEDATA* plain = &m_surfaces.emplace_back();
    ASSERT_TRUE(DDCreateSurface(plain, 16, 16, 0, 1, DTMEMORYTYPE_SYSTEM, nullptr, 0));
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginLayer(0);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
    DDBlt(plain, 0, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);  // not a render target
    EXPECT_EQ(gfxtest::ReadArgb(plain, 2, 2), kRed);
    DDPauseLayer();
    DDBlt(&g_BackBufferSD, 4, 0, 8, 8, b, 0, 0, DDBLT_OPAQUE);
    EXPECT_EQ(At(6, 2), kGreen);
    DDResumeLayer();
    EXPECT_EQ(DDCurrentLayer()->entries.size(), 1u);
    DDEndLayer();
    EXPECT_EQ(At(6, 2), kRed);
    EXPECT_EQ(At(10, 2), kGreen);
}

TEST_P(LayerD3DTest, FillsBatchedBeforeALayerStayUnderItsBlits) {
    DDSURFACEDATA* a = Sheet("a.bmp", 8, 8, 1, [](int x, int) { return x < 4 ? 0 : 3; });
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginFillBatch();
    DDFillRect(&g_BackBufferSD, 0, 0, 16, 8, 4);
    DDBeginLayer(0);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, a, 0, 0, DDBLT_KEYED);
    DDEndLayer();
    DDEndFillBatch();
    EXPECT_EQ(At(1, 1), kGreen);
    EXPECT_EQ(At(5, 1), kRed);
    EXPECT_EQ(At(12, 1), kGreen);
}

TEST_P(LayerD3DTest, NestedLayersCloseInnermostFirstAndStayInStepPastTheLimit) {
    DDSURFACEDATA* a = Plain("a.bmp", 3);
    DDSURFACEDATA* b = Plain("b.bmp", 4);
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginLayer(0);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
    for (int i = 1; i < kMaxDrawLayers; ++i) DDBeginLayer(0);
    EXPECT_EQ(DDLayerDepth(), kMaxDrawLayers);
    DDBlt(&g_BackBufferSD, 4, 0, 8, 8, b, 0, 0, DDBLT_OPAQUE);

    // Two opens past the limit are refused; their closes close nothing.
    DDBeginLayer(0);
    DDBeginLayer(1);
    EXPECT_EQ(DDLayerDepth(), kMaxDrawLayers);
    DDEndLayer();
    DDEndLayer();
    EXPECT_EQ(DDLayerDepth(), kMaxDrawLayers);
    EXPECT_EQ(At(6, 2), kBlack);

    DDEndLayer();  // the innermost real layer draws B
    EXPECT_EQ(At(6, 2), kGreen);
    EXPECT_EQ(At(2, 2), kBlack);
    while (DDLayerDepth() > 0) DDEndLayer();
    EXPECT_EQ(At(2, 2), kRed);
    EXPECT_EQ(At(6, 2), kRed);  // the outer layer's blit is drawn last
}

TEST_P(LayerD3DTest, BufferFailuresDropOnlyWhatTheyMust) {
    ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);
    DDSURFACEDATA* a = Plain("a.bmp", 3);
    DDSURFACEDATA* b = Plain("b.bmp", 4);

    // A run that cannot get its buffer is tried again from its second
    // entry.
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginLayer(0);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 10, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 20, 0, 8, 8, b, 0, 0, DDBLT_OPAQUE);
    plat::testing::FailNextBufferCreations(1);
    DDEndLayer();
    EXPECT_EQ(At(2, 2), kBlack);
    EXPECT_EQ(At(12, 2), kRed);
    EXPECT_EQ(At(22, 2), kGreen);
    EXPECT_NE(orvtest::ReadHostFile(m_folder->host() + "/Report_Game.txt").find("CreateVertexBuffer Err"),
              std::string::npos);

    // A buffer that cannot be locked loses its whole run only.
    DDFillSurface(&g_BackBufferSD, 2);
    DDBeginLayer(0);
    DDBlt(&g_BackBufferSD, 0, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 10, 0, 8, 8, a, 0, 0, DDBLT_OPAQUE);
    DDBlt(&g_BackBufferSD, 20, 0, 8, 8, b, 0, 0, DDBLT_OPAQUE);
    plat::testing::FailNextBufferLocks(1);
    DDEndLayer();
    EXPECT_EQ(At(2, 2), kBlack);
    EXPECT_EQ(At(12, 2), kBlack);
    EXPECT_EQ(At(22, 2), kGreen);
}

INSTANTIATE_TEST_SUITE_P(Variants, LayerD3DTest, testing::Values(Variant::D3D16, Variant::D3D32),
                         gfxtest::VariantName);
