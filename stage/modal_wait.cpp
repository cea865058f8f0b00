// Waits that stop the play without leaving it: a game wait, a message held
// until a key or a time, an effect or a picture shown with a wait, the
// extra-life message, and the ranking table. The game thread blocks while
// the wait's own loop paces, reads input, draws the scene frozen and
// presents on a worker thread; a thread of its own also gives the wait a
// fresh random sequence, so that nothing drawn while frozen shifts the
// game's (replays depend on it).
#include <cstdint>

#include "app/input_state.h"
#include "app/requests.h"
#include "core/shell_link.h"
#include "core/thread.h"
#include "frontend/menu.h"
#include "frontend/play_data.h"
#include "frontend/scene_mgr.h"
#include "gfx/dd.h"
#include "platform/clock.h"
#include "platform/threads.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

namespace {

// A window closing during a wait asks the loop to end; should that request
// never come, the loop ends itself this long after it saw the quit flag.
constexpr uint32_t kQuitFallbackMs = 2000;
// The button that turns the ranking table to its next type.
constexpr int kButtonRankType = 8;

// The decide button pressed this frame, not held from the one before.
bool FreshDecide(const cInputState& input) {
    return (input.m_sButton & kButtonDecide) && !(input.GetHistory(1, 1) & kButtonDecide);
}

// One frame of the wait: true while it goes on.
bool PauseFrame(cGameScene& scene, cVector<cInputState>& inputs) {
    WaitNextFrame();
    if (lpDDCon && !g_SceneMgr.CheckSurfaces()) PostMainWindowClose();
    g_SceneMgr.PollInput(inputs);
    cInputState& input = inputs.At(0);
    input.PushHistory();
    input.ApplyButtonEdge(0);
    if (CheckReplaySaveKeys()) return true;
    cPauseWait& wait = scene.m_PauseWait;
    if (wait.m_nCountdown > 0) {
        --wait.m_nCountdown;
    } else if (wait.m_bWaitKey) {
        if (FreshDecide(input)) {
            PlaySystemSe(wait.m_nMode == 1 ? 12 : 1);
            // The play step reads the button as released until it is let go.
            scene.m_bButtonHold = 1;
            return false;
        }
    } else if (--wait.m_nTime < 0) {
        return false;
    }
    scene.Draw(0, 1, 0, 1);
    g_SceneMgr.Present();
    return true;
}

}  // namespace

void cPauseWait::Set(int mode, int waitForKey, int time, int noDelay) {
    m_nMode = mode;
    m_bWaitKey = waitForKey;
    m_nTime = time;
    m_nReserved = 0;
    m_nCountdown = (waitForKey && mode == 1 && !noDelay) ? 10 : 0;
}

int cGameScene::RunPauseWait() {
    // Nobody would end a wait begun while the window closes.
    if (m_bQuit) return 0;
    // The worker's message queue exists before it runs, so no post is
    // needed to be sure that a quit request reaches it.
    if (!thPause.Start(PauseLoop, this)) return 0;
    thPause.Wait();
    return 1;
}

unsigned PauseLoop(void* arg) {
    cGameScene& scene = *static_cast<cGameScene*>(arg);
    if (scene.m_bQuit) return 0;
    // A copy, so that the play step's input history is left as it was.
    cVector<cInputState> inputs = g_InputStates;
    cInputState& input = inputs.At(0);
    input.ClearHistory();
    input.ResetSequences();
    input.ClearDir();
    input.ClearButtons();
    bool quitSeen = false;
    uint32_t quitSince = 0;
    for (;;) {
        plat::FreezePoint();
        plat::Message m;
        if (plat::PeekThreadMessage(m)) {
            if (m.id == plat::kWmQuit) break;
            continue;
        }
        if (plat::StopRequested()) break;
        if (!g_bActive) {
            plat::SleepMs(1);
            continue;
        }
        if (scene.m_bQuit) {
            const uint32_t now = plat::TimeMs();
            if (!quitSeen) {
                quitSeen = true;
                quitSince = now;
            } else if (now - quitSince >= kQuitFallbackMs) {
                break;
            }
            plat::SleepMs(1);
            continue;
        }
        if (!PauseFrame(scene, inputs)) break;
    }
    return 1;
}

unsigned RankingLoop(void* arg) {
    cGameScene& scene = *static_cast<cGameScene*>(arg);
    cPlayData& play = g_PlayData;
    const int mode = g_SceneMgr.m_nPlayMode;
    play.StepRankingType(mode, 0);
    int shownTypes = 0;
    if (mode >= 0 && mode < g_SystemData.m_vPlayMode.Size())
        for (uint8_t flag : g_SystemData.m_vPlayMode[static_cast<size_t>(mode)].m_vRankFlag) shownTypes += flag != 0;
    cInputState& input = g_InputStates.At(0);
    for (;;) {
        plat::FreezePoint();
        plat::Message m;
        if (plat::PeekThreadMessage(m)) {
            if (m.id == plat::kWmQuit) return 1;
            continue;
        }
        if (plat::StopRequested()) return 1;
        if (!g_bActive) {
            plat::SleepMs(1);
            continue;
        }
        WaitNextFrame();
        if (lpDDCon && !g_SceneMgr.CheckSurfaces()) PostMainWindowClose();
        g_SceneMgr.PollInput(g_InputStates);
        input.ApplyButtonEdge(0);
        input.ApplyDirRepeat();
        if (input.m_sButton & kButtonDecide) break;
        if ((input.m_sButton & kButtonRankType) && shownTypes > 1) {
            PlaySystemSe(6);
            play.StepRankingType(mode, 1);
        }
        scene.Draw(0, 1, 0, 1);
        const int type = play.m_nRankType;
        const int place = type >= 0 && type < static_cast<int>(scene.m_vRankPos.size())
                              ? scene.m_vRankPos[static_cast<size_t>(type)]
                              : -1;
        g_RankingDb.DrawTable(type, place, g_MenuPos[2].x, g_MenuPos[2].y);
        g_SceneMgr.Present();
    }
    PlaySystemSe(1);
    return 1;
}
