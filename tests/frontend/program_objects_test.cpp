#include "frontend/program_objects.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

#include "app/input_state.h"
#include "core/thread.h"
#include "frontend/scene_mgr.h"
#include "gfx/font.h"
#include "gfx/system_bitmaps.h"
#include "platform/clock.h"
#include "platform/threads.h"
#include "project/database.h"
#include "project/option.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "project/system_ini.h"

namespace {

std::atomic<bool> g_threadSawStop{false};

unsigned WaitForStop(void*) {
    while (!plat::StopRequested()) plat::SleepMs(1);
    g_threadSawStop = true;
    return 0;
}

TEST(ProgramObjectsTest, AResetLeavesTheObjectsAsAFreshStartHasThem) {
    const int32_t cycleStep = g_SystemData.Get(kSysColourCycleStep);
    const size_t animeSets = g_Database.m_vAnimeSet.size();
    const cOption freshOption;
    cKeyConfig freshKeys{};
    DefaultKeyConfig(freshKeys);

    g_SystemData.Set(kSysColourCycleStep, cycleStep + 7);
    g_Database.m_vAnimeSet.clear();
    g_Stage.m_strPath = "stg4\\changed.stg4_000";
    g_Option.m_nVolume = 3;
    g_Option.m_strName = "zzz";
    g_KeyConfig.m_nUseMapping = 1;
    g_InputStates.resize(4);
    std::strcpy(g_FontDef[1].szFace, "changed");
    g_SysBmpDef[48].bColorKey = 1;
    g_SceneMgr.m_nNextScene = 5;
    ASSERT_EQ(thLoad.Start(WaitForStop, nullptr), 1);

    ResetProgramObjects();

    EXPECT_TRUE(g_threadSawStop) << "releasing a thread object stops its thread";
    EXPECT_FALSE(thLoad.Running());
    EXPECT_EQ(g_SystemData.Get(kSysColourCycleStep), cycleStep);
    EXPECT_EQ(g_Database.m_vAnimeSet.size(), animeSets);
    EXPECT_EQ(g_Stage.m_strPath, "");
    EXPECT_EQ(g_Option.m_nVolume, freshOption.m_nVolume);
    EXPECT_EQ(g_Option.m_strName, freshOption.m_strName);
    EXPECT_EQ(std::memcmp(&g_KeyConfig, &freshKeys, sizeof freshKeys), 0);
    EXPECT_EQ(g_InputStates.size(), 1u);
    EXPECT_STREQ(g_FontDef[1].szFace, kFontDefRows[1].szFace);
    EXPECT_EQ(g_SysBmpDef[48].bColorKey, 0);
    EXPECT_STREQ(g_SysBmpDef[48].szFile, "bmp\\Title.bmp");
    EXPECT_EQ(g_SceneMgr.m_nNextScene, 0);
}

TEST(ProgramObjectsTest, ObjectsOfOneKindAreBuiltAndReleasedOnRequest) {
    ProgramObject<cOption> holder;
    EXPECT_FALSE(holder.Built());
    holder.Build().m_nVolume = 9;
    EXPECT_TRUE(holder.Built());
    EXPECT_EQ(holder.Get().m_nVolume, 9);
    holder.Build();  // a second build starts afresh
    EXPECT_EQ(holder.Get().m_nVolume, cOption().m_nVolume);
    holder.Release();
    EXPECT_FALSE(holder.Built());
    holder.Release();  // twice is harmless
}

}  // namespace
