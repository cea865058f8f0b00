// The music request of the game thread, served by the main window: scene
// slots by the project's scene music, the stage slot by its Bgm record.
#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "app/requests.h"
#include "audio/bgm_player.h"
#include "project/database.h"
#include "project/system_data.h"
#include "support/logged_test.h"
#include "tools/sample_game/sample_game.h"

namespace {

class MusicRequest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        std::string error;
        ASSERT_TRUE(sample::WriteSounds("", &error)) << error;
        g_MainWndObject.Build();
        g_Database.m_vBgm.resize(3);
        g_Database.m_vBgm[1].m_strFile = "bgm\\Title.mid";
        g_Database.m_vBgm[2].m_strFile = "bgm\\Stage.ogg";
        g_Database.m_vBgm[2].m_nVolume = 60;
        g_SystemData.m_vSceneBgm.assign(4, 0);
        g_SystemData.m_vSceneBgm[0] = 1;
        g_SystemData.m_vSceneBgm[2] = 2;
        g_SystemData.m_vSceneBgmLoop.assign(4, 1);
        ASSERT_EQ(g_BgmPlayer.Init(1, g_OggTracks, g_MidiTracks, kBgmSlotCount, 0), 1);
    }
    void TearDown() override {
        g_BgmPlayer.Release();
        g_MainWndObject.Release();
        g_Database.SetDefault();
        g_SystemData.SetDefault();
        LoggedTest::TearDown();
    }
    static void Request(uintptr_t slot, intptr_t number = 0) { MainWndProc(window(), WM_REQ_BGM, slot, number); }
    static plat::WindowHandle window() { return g_hMainWnd; }
    static bool MidiPlays() {
        const cMidiStream* p = g_BgmPlayer.MidiPlayers().Player(0);
        return p && p->State() == cMidiStream::kPlaying;
    }
};

TEST_F(MusicRequest, ScenesAndTheStagePlayTheirRecords) {
    Request(0);
    EXPECT_EQ(g_BgmPlayer.CurrentSlot(), 0);
    EXPECT_EQ(g_BgmPlayer.SlotType(0), 2);
    EXPECT_TRUE(MidiPlays());

    Request(1);  // no music for that scene: the music stops
    EXPECT_FALSE(MidiPlays());

    Request(4, 2);
    EXPECT_EQ(g_BgmPlayer.CurrentSlot(), 4);
    EXPECT_EQ(g_BgmPlayer.SlotType(4), 1);
    EXPECT_STREQ(g_OggTracks[4].szPath, "bgm\\Stage.ogg");
    EXPECT_EQ(g_BgmPlayer.Vox().PlayingChannel(), 0);
    EXPECT_FLOAT_EQ(g_BgmPlayer.Vox().Channel(0)->Volume(), 0.6f);

    Request(4, 0);  // record 0 names no file: silence
    EXPECT_EQ(g_BgmPlayer.SlotType(4), 0);
    EXPECT_EQ(g_BgmPlayer.Vox().PlayingChannel(), -1);

    Request(2);
    EXPECT_EQ(g_BgmPlayer.Vox().PlayingChannel(), 0);
    EXPECT_EQ(plat::PendingWindowMessages(window()), 0u);
}

TEST_F(MusicRequest, ARecordOutsideTheDatabaseClosesTheProgram) {
    Request(4, 7);
    EXPECT_NE(orvtest::ReadHostFile("Report_Game.txt").find("err V[7] ( 3 ,"), std::string::npos);
    plat::Message m;
    ASSERT_TRUE(plat::PeekWindowMessage(window(), m));
    EXPECT_EQ(m.id, plat::kWmClose);
    EXPECT_EQ(g_BgmPlayer.Vox().PlayingChannel(), -1);
}

}  // namespace
