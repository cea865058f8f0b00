// A stage scene for the stage tests: the helpers that build a small stage
// in g_Stage (the hero, charas, items and blocks on its tiles), the scene
// the set-up fills, the messages sent to the window and the report. The
// program-wide objects are fresh again afterwards.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "frontend/program_objects.h"
#include "platform/messages.h"
#include "project/stage_info.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"
#include "support/logged_test.h"
#include "support/sent_messages.h"
#include "support/test_support.h"

namespace stagetest {

class SceneTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        orvtest::g_Sent.clear();
        plat::SetWindowProc(window, orvtest::RecordSent);
        g_pGameScene = &scene;
    }
    void TearDown() override {
        if (m_windowThread.joinable()) {
            m_stopWindowThread = true;
            m_windowThread.join();
        }
        g_pGameScene = nullptr;
        orvtest::g_Sent.clear();
        ResetProgramObjects();
        LoggedTest::TearDown();
    }

    // A stage of w x h tiles whose map range is the whole map, with the hero
    // on tile (hx, hy).
    static void MakeStage(int w, int h, int hx = 2, int hy = 2) {
        g_Stage.SetDefault();
        g_Stage.m_nWidth = w;
        g_Stage.m_nHeight = h;
        g_Stage.m_nViewExtX = static_cast<int32_t>(std::clamp(int64_t{w} * 32, int64_t{0}, int64_t{1} << 30));
        g_Stage.m_nViewExtY = static_cast<int32_t>(std::clamp(int64_t{h} * 32, int64_t{0}, int64_t{1} << 30));
        cCharaDef hero;
        hero.m_sChip = 1;
        hero.m_cOperatedBy = 0;
        hero.m_nCarryItem = -1;
        hero.m_sCol = static_cast<int16_t>(hx);
        hero.m_sRow = static_cast<int16_t>(hy);
        g_Stage.m_vChara.push_back(hero);
    }
    static cCharaDef& AddChara(int col, int row) {
        cCharaDef c;
        c.m_sChip = 2;
        c.m_nCarryItem = -1;
        c.m_sCol = static_cast<int16_t>(col);
        c.m_sRow = static_cast<int16_t>(row);
        g_Stage.m_vChara.push_back(c);
        return g_Stage.m_vChara.back();
    }
    static void AddItem(int col, int row) {
        cPltItem i;
        i.m_sChip = 3;
        i.m_sCol = static_cast<int16_t>(col);
        i.m_sRow = static_cast<int16_t>(row);
        g_Stage.m_vItem.push_back(i);
    }
    static void AddBlock(int col, int row, int chip) {
        cPltBlock b;
        b.m_sChip = static_cast<int16_t>(chip);
        b.m_sCol = static_cast<int16_t>(col);
        b.m_sRow = static_cast<int16_t>(row);
        g_Stage.m_vBlock.push_back(b);
    }
    // The cell of stage tile (x, y).
    cMapCell& Cell(int x, int y) { return g_Map.At((x + 10) + ((y + 10) << scene.m_ScrollX.m_nShift)); }
    int FilledCells() const {
        int n = 0;
        for (const cMapCell& c : g_Map) n += c.m_sChip != 0;
        return n;
    }
    bool ClosePosted() {
        plat::Message m;
        bool closed = false;
        while (plat::PeekWindowMessage(window, m)) closed = closed || m.id == plat::kWmClose;
        return closed;
    }
    static std::string Report() { return orvtest::ReadHostFile("Report_Game.txt"); }
    static cHero& Hero() { return g_Heroes.At(0); }

    // The window's messages handled on a thread of their own, as in the
    // program: a modal wait's thread sends its sounds to the window while
    // the test's thread is blocked waiting for the wait to end.
    void RunWindowThread(plat::WindowProc proc = orvtest::RecordSent) {
        std::atomic<bool> owned = false;
        m_windowThread = std::thread([this, &owned, proc] {
            plat::SetWindowProc(window, proc);
            owned = true;
            while (!m_stopWindowThread) {
                plat::HandleSentMessages(window);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        while (!owned) std::this_thread::yield();
    }

    cGameScene scene;

private:
    std::thread m_windowThread;
    std::atomic<bool> m_stopWindowThread = false;
};

}  // namespace stagetest
