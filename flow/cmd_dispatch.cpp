#include "flow/cmd_dispatch.h"

#include <algorithm>
#include <bitset>
#include <cstdint>

#include "core/numeric.h"
#include "core/report_log.h"
#include "flow/cmd_handlers.h"
#include "flow/flow_run.h"
#include "objects/chara.h"
#include "objects/hero.h"
#include "project/flow.h"
#include "project/move_shot.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

namespace {

// ---------------------------------------------------------------------------
// Flow commands

int NoFlowCmd(cChara&, cCmdRun&) { return 0; }

// The system commands work on the command itself.
template <int (*Handler)(cChara&, cFlowCmd&)>
int FlowSystemCmd(cChara& chara, cCmdRun& run) {
    return Handler(chara, *run.m_pCmd);
}

int FlowStageClear(cChara& chara, cCmdRun& run) {
    const int result = CmdStageClear(chara, *run.m_pCmd);
    // A clear that did not happen leaves an end already set (a death) as
    // it was.
    if (g_pGameScene && result) g_pGameScene->m_nStageEnd = result;
    return result;
}

// A message right after a finished waiting message of the same flow
// continues it.
int FlowMessage(cChara& chara, cCmdRun& run) {
    const cFlowRun* flow = g_pGameScene ? g_pGameScene->m_pCurFlowRun : nullptr;
    return CmdMessage(chara, *run.m_pCmd, flow ? flow->m_bMsgWait : 0);
}

int FlowWarp(cChara& chara, cCmdRun& run) { return CmdWarp(chara, *run.m_pCmd, 0); }
int FlowPlaySound(cChara& chara, cCmdRun& run) { return CmdPlaySound(*run.m_pCmd, chara); }
int FlowPlayBgm(cChara&, cCmdRun& run) { return CmdPlayBgm(*run.m_pCmd); }

// ---------------------------------------------------------------------------
// Item commands: the hero runs them at once; only a stage clear ends the
// list.

int NoItemCmd(cHero&, cFlowCmd&) { return 0; }

template <int (*Handler)(cChara&, cFlowCmd&)>
int ItemSystemCmd(cHero& hero, cFlowCmd& cmd) {
    Handler(hero, cmd);
    return 0;
}

int ItemChangeFlow(cHero& hero, cFlowCmd& cmd) {
    CmdChangeFlow(hero, cmd, 0);
    return 0;
}

int ItemStageClear(cHero& hero, cFlowCmd& cmd) {
    CmdStageClear(hero, cmd);
    return 1;
}

// Every message of a list after the first shows as its continuation.
int ItemMessage(cHero& hero, cFlowCmd& cmd) {
    CmdMessage(hero, cmd, g_pGameScene ? g_pGameScene->m_bChainedMessage : 0);
    if (g_pGameScene) g_pGameScene->m_bChainedMessage = 1;
    return 0;
}

int ItemWarp(cHero& hero, cFlowCmd& cmd) {
    CmdWarp(hero, cmd, 0);
    return 0;
}

int ItemPlaySound(cHero& hero, cFlowCmd& cmd) {
    CmdPlaySound(cmd, hero);
    return 0;
}

int ItemPlayBgm(cHero&, cFlowCmd& cmd) {
    CmdPlayBgm(cmd);
    return 0;
}

// ---------------------------------------------------------------------------
// Preparation as the chara builds its flows

// A length of 0 (or less) still runs once, so the whole distance or span
// is covered in that one sub-step.
int DivisorSteps(const cCmdRun& run) { return std::max(run.m_nSteps, 1); }

// Time and distance give the speed, or speed and distance the time, for
// straight, ground-turn, charge, avoid-screen-out and homing moves.
void PrepareMoveCmd(cCmdRun& run, cChara& chara) {
    const cEdMove* move = run.Move();
    if (!move || move->m_cTimeMode == 0) return;
    const int64_t k = chara.m_sSpawnIndex;
    // In 64 bits: a large distance per index in half blocks leaves int's
    // range.
    int64_t d = move->m_sDistance + move->m_sDistanceInc * k;
    if (move->m_cDistUnit != 1) d *= 16;
    if (move->m_cTimeMode == 1) {
        run.m_dSpeed = static_cast<double>(d) / DivisorSteps(run);
    } else if (move->m_cTimeMode == 2) {
        // Not moving at all takes no time.
        if (run.m_dSpeed == 0) {
            run.m_nSteps = 0;
            return;
        }
        run.m_nSteps = TruncateToInt(static_cast<double>(d) / run.m_dSpeed);
        // Older projects keep a negative length: the command ends at once.
        if (run.m_nSteps < 0 && !g_SystemData.Get(kSysSwitch695)) run.m_nSteps = SaturateInt(-int64_t{run.m_nSteps});
    }
}

void PrepareMoveCmdCircle(cCmdRun& run, cChara& chara) {
    const cEdMove* move = run.Move();
    if (!move) return;
    const int64_t k = chara.m_sSpawnIndex;
    const int64_t n = g_Stage.SubSteps();
    // Mirrors follow the facing the chara was placed with.
    int64_t e = 0;
    auto toggleSense = [&run] {
        if (run.m_cDir == 0 || run.m_cDir == 1) run.m_cDir = static_cast<int8_t>(1 - run.m_cDir);
    };
    if (chara.m_Def.m_cFacing == 1) {
        if (move->m_cMirrorX) {
            toggleSense();
            e = 180;
        }
        if (move->m_cMirrorY) toggleSense();
    }
    const int64_t radius = std::clamp<int64_t>(move->m_sExtra + move->m_sExtraInc * k, 0, 20);
    run.m_nMoveParam1 = SaturateInt(radius * 16 * n);
    const int64_t start = (e + move->m_sAngle + move->m_sAngleInc * k) * n;
    const int64_t end = (e + move->m_sDistance + move->m_sDistanceInc * k) * n;
    run.m_nMoveParam2 = SaturateInt(start);
    run.m_nMoveParam3 = SaturateInt(end);
    // The sense of the span is decided by the base angles alone.
    const int64_t span = move->m_sDistance > move->m_sAngle ? end - start : start - end;
    if (move->m_cTimeMode == 0) {
        run.m_dSpeed = static_cast<double>(span) / DivisorSteps(run) / static_cast<double>(n);
    } else if (move->m_cTimeMode == 1) {
        if (run.m_dSpeed == 0) {
            run.m_nSteps = 0;
            return;
        }
        run.m_nSteps = TruncateToInt(static_cast<double>(span) / run.m_dSpeed / static_cast<double>(n));
        if (run.m_nSteps < 0) run.m_nSteps = SaturateInt(-int64_t{run.m_nSteps});
    }
}

void PrepareMoveCmdHoming(cCmdRun& run, cChara& chara) {
    const cEdMove* move = run.Move();
    if (!move) return;
    const int64_t delay = move->m_sExtra + move->m_sExtraInc * int64_t{chara.m_sSpawnIndex};
    run.m_nMoveParam1 = SaturateInt(delay * g_Stage.SubSteps());
    PrepareMoveCmd(run, chara);
}

// The jump's speed and its length up to the apex come from its height in
// half blocks; the chara's own copy of the command keeps that time.
void PrepareMoveCmdJump(cCmdRun& run, cChara& chara) {
    cFlowCmd& cmd = *run.m_pCmd;
    const auto height = static_cast<int8_t>(cmd.m_vParam.At(2));
    run.m_dSpeed = chara.JumpSpeedFromHbl(height);
    const int time = chara.JumpTimeFromHbl(height);
    cmd.m_sTime = static_cast<int16_t>(std::clamp(time, INT16_MIN, INT16_MAX));
    run.m_nSteps = SaturateInt(int64_t{cmd.m_sTime} * g_Stage.SubSteps() * 6);
}

// A kind outside a table comes from a damaged file: it is said once.
void ReportUnknownKind(std::bitset<256>& said, const char* category, int kind) {
    const auto key = static_cast<uint8_t>(kind);
    if (said[key]) return;
    said[key] = true;
    WriteReport("%s command of unknown kind %d is ignored", category, kind);
}

std::bitset<256> g_UnknownFlowKinds;
std::bitset<256> g_UnknownItemKinds;

}  // namespace

const FlowCmdFunc g_FlowCmdFuncs[kFlowCmdKinds] = {
    NoFlowCmd,                                    // 0 (none)
    NoFlowCmd,                                    // 1 wait: only its time
    CmdStraightMove,                              // 2
    CmdGroundTurnMove,                            // 3
    CmdCircleMove,                                // 4
    CmdChargeMove,                                // 5
    CmdHomingMove,                                // 6
    CmdAvoidScreenOutMove,                        // 7
    CmdDisableMove,                               // 8
    CmdChangeDirection,                           // 9
    CmdJump,                                      // 10
    CmdShot,                                      // 11
    CmdSword,                                     // 12
    CmdSummonBlock,                               // 13
    CmdSummonChara,                               // 14
    CmdSummonItem,                                // 15
    CmdFlowOperation,                             // 16
    FlowStageClear,                               // 17
    FlowSystemCmd<CmdGameWait>,                   // 18
    FlowMessage,                                  // 19
    FlowWarp,                                     // 20
    FlowSystemCmd<CmdSetTarget>,                  // 21
    FlowSystemCmd<CmdStatusOperation>,            // 22
    FlowSystemCmd<CmdStatusOperation2>,           // 23
    FlowSystemCmd<CmdVanish>,                     // 24
    FlowSystemCmd<CmdGetItem>,                    // 25
    FlowSystemCmd<CmdChangeGraphic>,              // 26
    FlowSystemCmd<CmdChangeBasicAnimeSet>,        // 27
    FlowSystemCmd<CmdRunAnime>,                   // 28
    FlowSystemCmd<CmdRunEffect>,                  // 29
    FlowSystemCmd<CmdRunCharaEffect>,             // 30
    FlowSystemCmd<CmdRunScreenEffect>,            // 31
    FlowSystemCmd<CmdShowPicture>,                // 32
    FlowSystemCmd<CmdChangeScreenColor>,          // 33
    FlowSystemCmd<CmdChangeBackground>,           // 34
    FlowPlaySound,                                // 35
    FlowPlayBgm,                                  // 36
    FlowSystemCmd<CmdRunCode>,                    // 37
    FlowSystemCmd<CmdArrange>,                    // 38
    NoFlowCmd,                                    // 39 loop: expanded when the flows are built
};

// Item kind k from 2 on is flow kind k + 15.
const ItemCmdFunc g_ItemCmdFuncs[kItemCmdKinds] = {
    NoItemCmd,                                    // 0 (none)
    ItemChangeFlow,                               // 1
    ItemStageClear,                               // 2
    ItemSystemCmd<CmdGameWait>,                   // 3
    ItemMessage,                                  // 4
    ItemWarp,                                     // 5
    ItemSystemCmd<CmdSetTarget>,                  // 6
    ItemSystemCmd<CmdStatusOperation>,            // 7
    ItemSystemCmd<CmdStatusOperation2>,           // 8
    ItemSystemCmd<CmdVanish>,                     // 9
    ItemSystemCmd<CmdGetItem>,                    // 10
    ItemSystemCmd<CmdChangeGraphic>,              // 11
    ItemSystemCmd<CmdChangeBasicAnimeSet>,        // 12
    ItemSystemCmd<CmdRunAnime>,                   // 13
    ItemSystemCmd<CmdRunEffect>,                  // 14
    ItemSystemCmd<CmdRunCharaEffect>,             // 15
    ItemSystemCmd<CmdRunScreenEffect>,            // 16
    ItemSystemCmd<CmdShowPicture>,                // 17
    ItemSystemCmd<CmdChangeScreenColor>,          // 18
    ItemSystemCmd<CmdChangeBackground>,           // 19
    ItemPlaySound,                                // 20
    ItemPlayBgm,                                  // 21
    ItemSystemCmd<CmdRunCode>,                    // 22
    ItemSystemCmd<CmdArrange>,                    // 23
    NoItemCmd,                                    // 24 loop
};

const MovePrepFunc g_MovePrepFuncs[kFlowCmdKinds] = {
    nullptr,               nullptr,         // 0, 1
    PrepareMoveCmd,                         // 2 straight
    PrepareMoveCmd,                         // 3 ground turn
    PrepareMoveCmdCircle,                   // 4
    PrepareMoveCmd,                         // 5 charge
    PrepareMoveCmdHoming,                   // 6
    PrepareMoveCmd,                         // 7 avoid screen out
    nullptr,               nullptr,         // 8, 9
    PrepareMoveCmdJump,                     // 10
};

int ExecCmd(cChara& chara, cCmdRun& run) {
    if (!run.m_pCmd) return 0;
    const int kind = run.m_pCmd->m_cKind;
    if (kind < 0 || kind >= kFlowCmdKinds) {
        ReportUnknownKind(g_UnknownFlowKinds, "flow", kind);
        return 0;
    }
    return g_FlowCmdFuncs[kind](chara, run);
}

int ExecItemCmd(cHero& hero, cFlowCmd& cmd) {
    const int kind = cmd.m_cKind;
    if (kind < 0 || kind >= kItemCmdKinds) {
        ReportUnknownKind(g_UnknownItemKinds, "item", kind);
        return 0;
    }
    return g_ItemCmdFuncs[kind](hero, cmd);
}

void PrepareCmd(cCmdRun& run, cChara& chara) {
    if (!run.m_pCmd) return;
    const int kind = run.m_pCmd->m_cKind;
    if (kind < 0 || kind >= kFlowCmdKinds || !g_MovePrepFuncs[kind]) return;
    g_MovePrepFuncs[kind](run, chara);
}

int CmdChangeFlow(cHero& hero, cFlowCmd& cmd, int deferred) {
    // The hero's own flows are being stepped: changing them now would pull
    // the list from under the loop, so the change waits for its end.
    if (!deferred && g_pGameScene && g_pGameScene->m_pCurChara == &hero) {
        hero.m_DeferredCmds.push_back(cmd);
        return 0;
    }
    const int op = cmd.m_vParam.At(0);
    const auto group = static_cast<int8_t>(cmd.m_vParam.At(1));
    switch (op) {
    case 0:
        hero.BuildFlows(cmd.m_vFlow, 1, -1);
        break;
    case 1: {
        // The new flows take the place of the first one taken out.
        const int at = hero.RemoveFlows(group);
        hero.BuildFlows(cmd.m_vFlow, 1, at);
        break;
    }
    case 2:
        hero.RemoveFlows(group);
        break;
    default:
        break;
    }
    return 0;
}
