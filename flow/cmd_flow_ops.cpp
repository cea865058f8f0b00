// Commands that act on flows and on the course of the play rather than on a
// body: the flow operation (kind 16), the stage clear (17), the game wait
// (18), the message (19) and the get-item command (25). The game wait and
// a message that holds the game block the game thread in a modal wait
// until it ends.
#include <cstdint>
#include <string>

#include "app/requests.h"
#include "core/numeric.h"
#include "core/report_log.h"
#include "core/text.h"
#include "core/message_box.h"
#include "flow/cmd_handlers.h"
#include "flow/flow_run.h"
#include "frontend/play_data.h"
#include "objects/chara.h"
#include "objects/hero.h"
#include "project/common_palette.h"
#include "project/flow.h"
#include "project/item_def.h"
#include "project/stage_info.h"
#include "project/world_map.h"
#include "stage/game_scene.h"
#include "stage/message_win.h"
#include "stage/stage_setup.h"

namespace {

enum : int {
    kOpStart = 0,
    kOpStop = 1,
    kOpSuspend = 2,
    kOpResume = 3,
    kOpRemove = 4,
    kOpEnd = 5,
};

enum : int {
    kScopeThisFlow = 0,
    kScopeOtherFlows = 1,
    kScopeFlowId = 2,
};

// Display modes of a message.
enum : int {
    kUntilKey = 0,
    kUntilStageEnd = 1,
    kTimed = 2,
};

// An item that gives itself (directly or in a ring) would nest without end.
constexpr int kMaxGetItemDepth = 16;
int g_nGetItemDepth = 0;

int Param(const cFlowCmd& cmd, int i) { return cmd.m_vParam.At(i); }

// Tenths of a second as frames.
int TenthsToFrames(int tenths) { return SaturateInt(int64_t{tenths} * 6); }

cHero* Hero() { return g_Heroes.empty() ? nullptr : &g_Heroes.At(0); }

// One operation on flow `index` of `owner`; `self` is the chara running the
// command. True when the flow was taken out of the owner's list.
bool OperateFlow(cChara& owner, int index, int op, bool self) {
    cFlowRun& f = owner.m_FlowRuns.At(index);
    switch (op) {
    case kOpStart:
        f.Stop(owner);
        owner.RemoveFlowAnimes(f.m_nFlowKey);
        f.Start(owner);
        f.m_bBreak = 1;
        break;
    case kOpStop:
        f.Stop(owner);
        owner.RemoveFlowAnimes(f.m_nFlowKey);
        f.m_bBreak = 1;
        break;
    case kOpSuspend:
        f.Suspend();
        owner.PauseFlowAnimes(f.m_nFlowKey);
        f.m_bBreak = 1;
        break;
    case kOpResume:
        f.Resume();
        owner.ResumeFlowAnimes(f.m_nFlowKey);
        break;
    case kOpRemove:
        if (!self) {
            owner.RemoveFlow(index);
            return true;
        }
        // The chara's own flow loop is walking the list: the removal waits
        // for its end.
        f.m_bRemove = 1;
        f.m_bBreak = 1;
        owner.m_bFlowRemoveReq = 1;
        break;
    case kOpEnd:
        f.End(owner);
        owner.RemoveFlowAnimes(f.m_nFlowKey);
        f.m_bBreak = 1;
        break;
    default:
        break;
    }
    return false;
}

int FlowGroup(const cFlowRun& f) { return f.m_pFlow ? f.m_pFlow->m_cId : 0; }

}  // namespace

int CmdFlowOperation(cChara& chara, cCmdRun& run) {
    cGameScene* scene = g_pGameScene;
    if (!scene || !run.m_pCmd) return 0;
    const cFlowCmd& cmd = *run.m_pCmd;
    if (cmd.m_pCond && cmd.m_pCond->m_cEnabled &&
        !scene->EvalConditionList(cmd.m_pCond->m_vCond, cmd.m_pCond->m_cMode, &chara))
        return 0;
    const int op = Param(cmd, 0);
    const int scope = Param(cmd, 1);
    const int group = Param(cmd, 2);
    const int whose = Param(cmd, 3);
    cChara* owner = &chara;
    if (whose >= 1 && whose <= 4) {
        owner = chara.m_Targets.At(whose - 1);
        if (!owner) return 0;
    }
    cFlowRun* current = scene->m_pCurFlowRun;
    switch (scope) {
    case kScopeThisFlow:
        for (int i = 0; i < chara.m_FlowRuns.Size(); ++i) {
            if (&chara.m_FlowRuns[static_cast<size_t>(i)] != current) continue;
            OperateFlow(chara, i, op, true);
            break;
        }
        break;
    case kScopeOtherFlows:
        for (int i = 0; i < chara.m_FlowRuns.Size(); ++i)
            if (&chara.m_FlowRuns[static_cast<size_t>(i)] != current) OperateFlow(chara, i, op, true);
        break;
    case kScopeFlowId: {
        const bool self = owner == &chara;
        for (int i = 0; i < owner->m_FlowRuns.Size();) {
            const int id = FlowGroup(owner->m_FlowRuns[static_cast<size_t>(i)]);
            // A flow taken out moves the next one to its place.
            if (id != 0 && id == group && OperateFlow(*owner, i, op, self)) continue;
            ++i;
        }
        break;
    }
    default:
        break;
    }
    return 0;
}

int CmdStageClear(cChara&, cFlowCmd& cmd) {
    cGameScene* scene = g_pGameScene;
    if (!scene) return 0;
    cPlayData& play = g_PlayData;
    switch (Param(cmd, 0)) {
    case 0:
        scene->m_nNextStage = SaturateInt(int64_t{play.m_nSeriesNo} + 1);
        scene->m_strNextStage.clear();
        break;
    case 1:
        scene->m_nNextStage = Param(cmd, 1);
        scene->m_strNextStage.clear();
        break;
    case 2:
        scene->m_nNextStage = play.m_nSeriesNo;
        if (cmd.m_strText.empty()) {
            ErrorPrintf("ステージファイル %s が不正です。\nステージファイルとして認識できません。", "");
            scene->m_strNextStage.clear();
        } else {
            StripExt(cmd.m_strText);
            cmd.m_strText += '.';
            scene->m_strNextStage = cmd.m_strText;
        }
        break;
    case 3:
        scene->m_nNextStage = 0;
        scene->m_strNextStage.clear();
        break;
    default:
        break;
    }
    if (Param(cmd, 2)) {
        const int x = Param(cmd, 3), y = Param(cmd, 4);
        play.m_nMapX = x < g_WorldMap.m_nWidth ? x : g_WorldMap.m_nWidth - 1;
        play.m_nMapY = y < g_WorldMap.m_nHeight ? y : g_WorldMap.m_nHeight - 1;
        play.m_nMapDir = 0;
    }
    if (Param(cmd, 5)) {
        play.m_bStartPos = 1;
        play.m_nStartX = Param(cmd, 6);
        play.m_nStartY = Param(cmd, 7);
        play.m_nStartDir = Param(cmd, 8);
        if (play.m_nStartDir == 2) {
            const cHero* hero = Hero();
            play.m_nStartDir = hero ? hero->m_bRight : 0;
        }
    } else {
        play.m_bStartPos = 0;
    }
    return 1;
}

int CmdGameWait(cChara&, cFlowCmd& cmd) {
    cGameScene* scene = g_pGameScene;
    if (!scene) return 0;
    const int frames = TenthsToFrames(Param(cmd, 0));
    MessageParams timer;
    timer.type = 0;
    timer.fixed = 1;
    timer.displayMode = kTimed;
    timer.time = frames;
    timer.holdGame = 1;
    scene->m_lMessages.emplace_back(timer);
    const cMessageWin* window = &scene->m_lMessages.back();
    scene->m_PauseWait = cPauseWait{};
    scene->m_PauseWait.m_nTime = frames;
    scene->RunPauseWait();
    scene->EraseMessage(window);
    return 0;
}

int CmdMessage(cChara& chara, cFlowCmd& cmd, int chained) {
    cGameScene* scene = g_pGameScene;
    if (!scene || scene->m_bQuit) return 0;
    std::list<cMessageWin>& windows = scene->m_lMessages;
    const bool hasId = Param(cmd, 12) != 0;
    const bool close = Param(cmd, 15) != 0;
    auto at = windows.end();  // where a replacing window goes
    cMessageWin* reused = nullptr;
    if (hasId) {
        auto it = windows.begin();
        while (it != windows.end() && !(it->m_bHasId && it->m_nMsgId == Param(cmd, 13))) ++it;
        if (it != windows.end()) {
            if (close) {
                scene->EraseMessage(&*it);
                return 0;
            }
            std::string text = cmd.m_strText;
            if (Param(cmd, 9)) ExpandMessageVars(text);
            int w = 0, h = 0;
            MeasureMessageText(w, h, text.c_str());
            if (w == it->m_nWidth && h == it->m_nHeight) {
                reused = &*it;
            } else {
                it->ReleaseSurface();
                at = windows.erase(it);
            }
        } else if (close) {
            return 0;
        }
    } else if (close) {
        return 0;
    }
    const int posKind = Param(cmd, 0);
    const int displayMode = Param(cmd, 6);
    const int time = Param(cmd, 17) ? 1 : TenthsToFrames(Param(cmd, 7));
    const bool hold = Param(cmd, 8) != 0;
    int owner = 0;
    if (posKind >= 1 && posKind <= 3) {
        owner = chara.m_nId;
    } else if (posKind >= 4 && posKind <= 6) {
        const cHero* hero = Hero();
        owner = hero ? hero->m_nId : 0;
    }
    MessageParams p;
    p.type = 1;
    p.text = cmd.m_strText;
    p.posKind = posKind;
    p.unit = Param(cmd, 18);
    p.x = Param(cmd, 1);
    p.y = Param(cmd, 2);
    p.offsetX = Param(cmd, 3);
    p.offsetY = Param(cmd, 4);
    p.keepOnScreen = Param(cmd, 5);
    p.fixed = Param(cmd, 10);
    p.displayMode = displayMode;
    p.time = time;
    p.holdGame = hold ? 1 : 0;
    p.ownerId = owner;
    p.chained = chained;
    p.expandVars = Param(cmd, 9);
    p.refresh = Param(cmd, 11);
    p.refreshFrames = Param(cmd, 16);
    p.frame = Param(cmd, 14);
    p.hasId = hasId ? 1 : 0;
    p.msgId = Param(cmd, 13);
    cMessageWin* window = reused;
    if (reused)
        reused->Reset(p);
    else
        window = &*windows.emplace(at, p);
    if (!hold) return 0;
    if (displayMode == kTimed) {
        scene->m_PauseWait.Set(1, 0, time, chained);
    } else {
        // A held message that lasts until the stage ends would hold the
        // game for good: it waits for the key as well.
        scene->m_PauseWait.Set(1, 1, 0, chained);
        if (!chained) PlaySystemSe(11);
    }
    scene->RunPauseWait();
    scene->EraseMessage(window);
    return 0;
}

int CmdGetItem(cChara&, cFlowCmd& cmd) {
    cGameScene* scene = g_pGameScene;
    cHero* hero = Hero();
    if (!scene || !hero) return 0;
    const int palette = Param(cmd, 0);
    if (palette != 0 && palette != 1) return 0;
    if (g_nGetItemDepth >= kMaxGetItemDepth) {
        WriteReport("an item gives items %d deep: not given", g_nGetItemDepth);
        return 0;
    }
    cPltItem& item = palette == 0 ? g_CommonPalette.m_vItem.At(Param(cmd, 1)) : g_Stage.m_vItem.At(Param(cmd, 1));
    ++g_nGetItemDepth;
    const int result = hero->RunItemCmds(item.m_vCmd);
    --g_nGetItemDepth;
    // A clear or a death already asked for in this sub-step stands.
    if (result != 0) scene->m_nStageEnd = result;
    return 0;
}
