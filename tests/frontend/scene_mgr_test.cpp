// The scene manager: which scenes exist after a change and in what order
// they go, how a scene is entered and stepped, the music request that is not
// sent twice, and the small shared services.
#include "frontend/program_objects.h"
#include "frontend/scene_mgr.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "app/input_state.h"
#include "app/requests.h"
#include "gfx/system_bitmaps.h"
#include "platform/presenter.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "support/logged_test.h"

namespace {

std::vector<std::string> g_log;

// The stage type is a stage scene, as the manager hands it out as one.
template <int Type>
class LoggingScene : public std::conditional_t<Type == kSceneStage, cGameScene, cScene> {
public:
    LoggingScene() {
        g_log.push_back("new " + std::to_string(Type));
        this->m_apState = {[this] { Log("fadein"); }, [this] { Log("state1"); }};
    }
    ~LoggingScene() override { g_log.push_back("delete " + std::to_string(Type)); }
    void Enter() override {
        Log("enter");
        if (s_throw) throw "scene text";
    }
    static inline bool s_throw = false;

private:
    void Log(const char* what) { g_log.push_back(std::to_string(Type) + " " + what); }
};

template <int Type>
std::unique_ptr<cScene> Make() {
    return std::make_unique<LoggingScene<Type>>();
}

class SceneMgrTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        g_log.clear();
        RegisterSceneMaker(0, Make<0>);
        RegisterSceneMaker(1, Make<1>);
        RegisterSceneMaker(2, Make<2>);
        RegisterSceneMaker(3, Make<3>);
        RegisterSceneMaker(4, Make<4>);
        RegisterSceneMaker(5, Make<5>);
    }
    void TearDown() override {
        mgr.DeleteScenes();
        for (int t = 0; t < kSceneTypeCount; ++t) RegisterSceneMaker(t, nullptr);
        LoggedTest::TearDown();
    }
    cSceneMgr mgr;
};

TEST_F(SceneMgrTest, AChangeDeletesTheOthersFirstAndMakesTheWantedSceneOnce) {
    mgr.ChangeScene(1);
    mgr.ChangeScene(1);
    EXPECT_EQ(g_log, (std::vector<std::string>{"new 1"}));
    mgr.ChangeScene(4);
    EXPECT_NE(g_pGameScene, nullptr);
    EXPECT_EQ(g_pGameScene, mgr.Scene(4));
    mgr.ChangeScene(6);  // no scene at all
    EXPECT_EQ(g_pGameScene, nullptr);
    for (int t = 0; t < kSceneTypeCount; ++t) EXPECT_EQ(mgr.Scene(t), nullptr);
    EXPECT_EQ(g_log, (std::vector<std::string>{"new 1", "delete 1", "new 4", "delete 4"}));

    // A type without a maker has no scene, and the frame goes on.
    RegisterSceneMaker(2, nullptr);
    mgr.ChangeScene(2);
    EXPECT_EQ(mgr.Scene(2), nullptr);
}

TEST_F(SceneMgrTest, ASceneIsEnteredOnceThenRunsItsStateEachFrame) {
    mgr.ChangeScene(0);
    cScene* scene = mgr.Scene(0);
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->m_nState, -1);
    scene->Frame();
    scene->Frame();
    scene->m_nState = 1;
    scene->Frame();
    scene->m_nState = 7;  // outside the table: nothing runs
    scene->Frame();
    EXPECT_EQ(g_log, (std::vector<std::string>{"new 0", "0 enter", "0 fadein", "0 fadein", "0 state1"}));
}

TEST_F(SceneMgrTest, TextThrownByEnterClosesTheProgramAndTheSceneGoesOn) {
    LoggingScene<3>::s_throw = true;
    mgr.ChangeScene(3);
    mgr.Scene(3)->Frame();
    LoggingScene<3>::s_throw = false;
    EXPECT_EQ(mgr.Scene(3)->m_nState, 0);
    EXPECT_EQ(g_log.back(), "3 fadein");
    plat::Message m;
    ASSERT_TRUE(plat::PeekWindowMessage(window, m));
    EXPECT_EQ(m.id, plat::kWmClose);
}

int g_bgmSends = 0;
intptr_t CountBgm(plat::WindowHandle, uint32_t id, uintptr_t, intptr_t) {
    if (id == WM_REQ_BGM) ++g_bgmSends;
    return 0;
}

TEST_F(SceneMgrTest, TheSameLoopingMusicIsNotAskedForTwice) {
    plat::SetWindowProc(window, CountBgm);
    struct Case {
        int id, loop, sends;
    };
    // Each pair is asked twice in a row.
    const Case cases[] = {{7, 1, 1}, {7, 0, 2}, {0, 1, 2}, {7, 0x100, 2}, {7, 0x101, 1}};
    for (const Case& c : cases) {
        mgr.m_nBgmId = 0;
        mgr.m_bBgmLoop = 0;
        g_bgmSends = 0;
        mgr.RequestBgm(c.id, c.loop, 0);
        mgr.RequestBgm(c.id, c.loop, 0);
        EXPECT_EQ(g_bgmSends, c.sends) << c.id << " " << c.loop;
    }
}

TEST(PingPong, BouncesShortOfTheLimitsAndReportsTheEndOfADownwardRun) {
    int value = 0, down = 0;
    int ends = 0, top = 0;
    for (int i = 0; i < 200; ++i) {
        ends += PingPongStep(value, down, 5, 0, 255);
        top = std::max(top, value);
        EXPECT_GT(value, -1);
        EXPECT_LT(value, 255);
    }
    EXPECT_EQ(top, 250);
    EXPECT_EQ(ends, 1);
    // 50 up, a turn, 49 down, a turn; then 49 up, a turn and 49 down again.
    EXPECT_EQ(value, 5);
}

TEST(BlendTablePalette, NothingToDoWithoutAnEightBitDisplay) { EXPECT_EQ(LoadHbtPalette(3), 1); }

class FlashColourTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        plat::OpenFrameWindow("test", 640, 480, false);
        ASSERT_TRUE(DDInit(1, 0, 640, 480, 32, 0, 1, 1, 60, 0, nullptr, nullptr, 0, 0));
    }
    void TearDown() override {
        DDUninit();
        plat::CloseFrameWindow();
        ResetProgramObjects();
        LoggedTest::TearDown();
    }
};

TEST_F(FlashColourTest, EachCallShowsTheCountersBeforeTheirStep) {
    g_SystemData.Set(kSysColourCycleStep, 20);
    AnimatePalette();
    EXPECT_EQ(g_FlashColors[0].argb, 0u);
    EXPECT_EQ(g_FlashColors[1].argb, 0xFF000000u);
    AnimatePalette();
    EXPECT_EQ(g_FlashColors[1].argb, 0xFF141414u);
    EXPECT_EQ(g_FlashColors[1].op, 7);
    EXPECT_EQ(g_FlashColors[2].op, 10);
    EXPECT_EQ(g_FlashColors[7].argb, 0xFF140005u);  // red c, blue c / 4
    EXPECT_EQ(g_FlashColors[8].argb, 0xFF050014u);
    EXPECT_EQ(g_FlashColors[9].argb, 0xFF140000u);  // mode 0: red
    // Up to 240, down to 20 and a turn: the ninth entry moves on to green.
    for (int i = 0; i < 24; ++i) AnimatePalette();
    EXPECT_EQ(g_FlashColors[9].argb, 0xFF001400u);
}

TEST(SystemBitmapTable, RowsAndTheirSharedSources) {
    EXPECT_STREQ(g_SysBmpDef[kSysBmpPalette].szFile, "bmp\\plt\\Palette.bmp");
    EXPECT_STREQ(g_SysBmpDef[kSysBmpLoading].szFile, "bmp\\Loading.bmp");
    EXPECT_EQ(g_SysBmpDef[kSysBmpLoading].bOptional, 1);
    EXPECT_STREQ(g_SysBmpDef[19].szFile, "bmp\\Character8.bmp");
    EXPECT_EQ(g_SysBmpDef[19].nMirrorWidth, 32);
    EXPECT_EQ(g_SysBmpDef[21].nMirrorWidth, 16);
    EXPECT_STREQ(g_SysBmpDef[63].szFile, "背景その8.bmp");
    EXPECT_EQ(g_SysBmpDef[71].nMemoryType, 1);
    EXPECT_EQ(g_SysBmpDef[70].nBlankWidth, 1024);
    const int expected[][2] = {{3, 2}, {5, 4}, {7, 6}, {21, 20}, {22, 4}, {23, 4}, {24, 6}, {38, 20},
                               {39, 20}, {41, 40}, {44, 43}, {69, 68}, {4, -1}, {20, -1}, {40, -1}, {70, -1}};
    for (const auto& e : expected) {
        EXPECT_EQ(SharedSourceRow(e[0]), e[1]) << e[0];
        EXPECT_EQ(g_SysBmpDef[e[0]].lpShared, e[1] < 0 ? nullptr : &g_SysBmp[e[1]]) << e[0];
    }
    int optional = 0;
    for (const DDSURFACEDEF& d : g_SysBmpDef) optional += d.bOptional;
    EXPECT_EQ(optional, 7 * 4 + 3 + 8);  // Character2-8 four rows each, Loading, GameMode, WorldBack, backgrounds
}

}  // namespace
