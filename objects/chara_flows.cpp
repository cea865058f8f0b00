// The flows inside a chara: the running instances built from the flow
// list, loop commands expanded, the command animes each flow schedules,
// the events that start flows, the once-a-frame latches and group flags,
// and taking flows out again.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/input_state.h"
#include "core/numeric.h"
#include "core/report_log.h"
#include "objects/chara.h"
#include "project/anime.h"
#include "project/database.h"
#include "project/flow.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

namespace {

constexpr int kAlwaysTrigger = 0;
constexpr int kJumpKind = 10;
constexpr int kSwordKind = 12;
// A movement whose anime mode this is runs the command's own anime.
constexpr int kMoveOwnAnime = 2;
// A loop command may not grow a command list past this many commands.
constexpr int64_t kMaxExpandedCmds = 100000;

bool IsLoopCmd(const cFlowCmd& cmd) {
    return (cmd.m_cCategory == 0 && cmd.m_cKind == 39) || (cmd.m_cCategory == 1 && cmd.m_cKind == 24);
}

// Entry `group` of a flag vector; a group outside it (a damaged file) is
// never set.
bool GroupFlag(const cVector<uint8_t>& flags, int group) {
    return group > 0 && group < flags.Size() && flags[static_cast<size_t>(group)] != 0;
}

// How many times the block of a loop command is inserted after the one it
// has: its count less one, or none when that would make the list too long.
int64_t ExtraCopies(const cFlowCmd& loop, int64_t block, int64_t listSize) {
    const int64_t count = loop.m_vParam.At(0);
    if (block <= 0 || count <= 1) return 0;
    if ((count - 1) * block + listSize - 1 <= kMaxExpandedCmds) return count - 1;
    static bool said = false;
    if (!said) {
        said = true;
        WriteReport("a loop of %lld repeats of %lld commands would make more than %lld commands: it runs once",
                    static_cast<long long>(count), static_cast<long long>(block),
                    static_cast<long long>(kMaxExpandedCmds));
    }
    return 0;
}

// The block a loop command at `pos` repeats: its parameter 1, cut to the
// commands that follow it.
int64_t LoopBlock(const cVector<cFlowCmd>& cmds, int pos) {
    return std::min<int64_t>(cmds[static_cast<size_t>(pos)].m_vParam.At(1), cmds.Size() - pos - 1);
}

// Frames of an anime before its loop point, the first frame that may not
// be interrupted: the lead-in a command anime plays before its command.
int64_t LeadInFrames(int anime) {
    int64_t tenths = 0;
    for (const cAnimeFrameData& frame : g_Database.m_vAnime[static_cast<size_t>(anime)].m_vFrame) {
        if (frame.m_nNoInterrupt != 0) break;
        tenths += frame.m_nTime;
    }
    return tenths * 6;
}

// The anime command i of a flow runs beside the flow's basic anime: its
// own, unless a movement runs the movement or standing anime.
int CommandAnime(const cFlowCmd& cmd) {
    if (cmd.m_pMove && cmd.m_pMove->m_cAnime != kMoveOwnAnime) return 0;
    if (cmd.m_sAnime <= 0 || cmd.m_sAnime >= g_Database.m_vAnime.Size()) return 0;
    return cmd.m_sAnime;
}

// Each command anime of a flow starts early enough for its lead-in to end
// as its command begins; one with a longer lead-in than the commands
// before it starts with the flow, its first frames skipped.
void ScheduleCmdAnimes(cFlowRun& run) {
    const int n = g_Stage.SubSteps();
    run.m_vAnimes.clear();
    int64_t acc = 0;
    for (int i = 0; i < run.m_vCmdRuns.Size(); ++i) {
        const cCmdRun& cmdRun = run.m_vCmdRuns[static_cast<size_t>(i)];
        const cFlowCmd& cmd = *cmdRun.m_pCmd;
        if (const int anime = CommandAnime(cmd)) {
            const int64_t f = LeadInFrames(anime);
            int64_t left = f * n;
            for (int k = i - 1; k >= 0 && left > 0; --k) {
                const cCmdRun& before = run.m_vCmdRuns[static_cast<size_t>(k)];
                if (!before.IsParallel()) left -= before.m_nSteps;
            }
            CMDANIME a;
            a.anime = static_cast<int16_t>(anime);
            a.hold = cmd.m_sTime * 6;
            a.loop = cmd.m_cKind == kJumpKind || cmd.m_cKind == kSwordKind ? 0 : 1;
            if (left <= 0) {
                a.start = a.start2 = SaturateInt(acc - f * n);
                a.leadIn = SaturateInt(f);
            } else {
                const int64_t skip = std::min((f * n - acc) / n, f);
                a.skip = SaturateInt(skip);
                a.leadIn = SaturateInt(f - skip);
            }
            run.m_vAnimes.push_back(a);
        }
        if (!cmdRun.IsParallel()) acc += cmdRun.m_nSteps;
    }
}

}  // namespace

bool ExpandRepeatCmdOnce(cVector<cFlowCmd>& cmds) {
    const auto it = std::find_if(cmds.begin(), cmds.end(), IsLoopCmd);
    if (it == cmds.end()) return false;
    const int pos = static_cast<int>(it - cmds.begin());
    const int64_t block = LoopBlock(cmds, pos);
    const int64_t copies = ExtraCopies(*it, block, cmds.Size());
    const auto first = cmds.begin() + pos + 1;
    const std::vector<cFlowCmd> once(first, first + std::max<int64_t>(block, 0));
    for (int64_t c = 0; c < copies; ++c) cmds.insert(cmds.begin() + pos + 1, once.begin(), once.end());
    cmds.erase(cmds.begin() + pos);
    return true;
}

void ExpandRepeatCmds(cVector<cFlowCmd>& cmds) {
    // Passes of ExpandRepeatCmdOnce never change what lies before the first
    // loop command, so one walk does them all: `todo` holds what is left,
    // its first command at the back, and a loop command pushes its block
    // back on it as often as it repeats.
    if (std::none_of(cmds.begin(), cmds.end(), IsLoopCmd)) return;
    std::vector<cFlowCmd> todo(std::make_move_iterator(cmds.rbegin()), std::make_move_iterator(cmds.rend()));
    cVector<cFlowCmd> done;
    while (!todo.empty()) {
        if (!IsLoopCmd(todo.back())) {
            done.push_back(std::move(todo.back()));
            todo.pop_back();
            continue;
        }
        const cFlowCmd loop = std::move(todo.back());
        todo.pop_back();
        const int64_t block = std::min<int64_t>(loop.m_vParam.At(1), static_cast<int64_t>(todo.size()));
        const int64_t listSize = static_cast<int64_t>(done.size() + todo.size()) + 1;
        const int64_t copies = ExtraCopies(loop, block, listSize);
        if (copies == 0) continue;
        const size_t from = todo.size() - static_cast<size_t>(block);
        todo.reserve(todo.size() + static_cast<size_t>(copies * block));
        for (int64_t c = 0; c < copies; ++c)
            for (size_t k = from; k < from + static_cast<size_t>(block); ++k) todo.push_back(todo[k]);
    }
    cmds = std::move(done);
}

int cChara::BuildFlows(cVector<cFlow>& flows, int changeMode, int index) {
    for (cFlow& flow : flows) ExpandRepeatCmds(flow.m_vCmd);
    const int given = flows.Size();

    cVector<cFlow>& own = m_Def.m_vFlow.Edit();
    int base = 0;
    int count = 0;
    if (changeMode == 0) {
        // The chara's own list, every instance afresh.
        m_FlowRuns.clear();
        m_FlowRuns.resize(own.size());
        count = own.Size();
    } else {
        base = index >= 0 && index < own.Size() ? index : own.Size();
        own.insert(own.begin() + base, flows.begin(), flows.end());
        m_FlowRuns.insert(m_FlowRuns.begin() + base, flows.size(), cFlowRun());
        count = given;
    }

    for (int j = 0; j < count; ++j) {
        const auto i = static_cast<size_t>(base + j);
        cFlowRun& run = m_FlowRuns[i];
        run.m_nIndex = base + j;
        run.m_pFlow = &own[i];
        run.m_nFlowKey = m_nNextFlowKey;
        m_nNextFlowKey = m_nNextFlowKey == INT32_MAX ? 0 : m_nNextFlowKey + 1;
        run.m_vCmdRuns.clear();
        for (cFlowCmd& cmd : own[i].m_vCmd) {
            cCmdRun cmdRun;
            cmdRun.Setup(cmd, *this);
            run.m_vCmdRuns.push_back(std::move(cmdRun));
        }
        // A flow added while its keys are already held waits for them to
        // be let go, unless it runs for as long as they are held.
        if (changeMode != 0) run.m_bKeyHeld = own[i].m_cKeyHold == 0 ? 1 : 0;
    }
    // The list may have moved: every instance points into it afresh.
    LinkFlowRuns();
    if (given == 0) return 0;

    for (int j = 0; j < count; ++j) ScheduleCmdAnimes(m_FlowRuns[static_cast<size_t>(base + j)]);
    return given;
}

void cChara::SetFlowRuns(const cVector<cFlowRun>& runs) {
    m_FlowRuns = runs;
    LinkFlowRuns();
}

void cChara::LinkFlowRuns() {
    if (m_FlowRuns.empty()) return;
    cVector<cFlow>& flows = m_Def.m_vFlow.Edit();
    for (int i = 0; i < m_FlowRuns.Size(); ++i) {
        cFlowRun& run = m_FlowRuns[static_cast<size_t>(i)];
        cFlow& flow = flows.At(i);
        run.m_nIndex = i;
        run.m_pFlow = &flow;
        run.m_vKeyConds.clear();
        for (const cKeyCond& key : flow.m_vKeyCond) run.m_vKeyConds.push_back(&key);
        for (int k = 0; k < run.m_vCmdRuns.Size(); ++k)
            run.m_vCmdRuns[static_cast<size_t>(k)].m_pCmd = &flow.m_vCmd.At(k);
    }
}

void cChara::RemoveFlow(int i) {
    if (i < 0 || i >= m_FlowRuns.Size()) {
        m_FlowRuns.At(i);  // the report of a bad index
        return;
    }
    cFlowRun& run = m_FlowRuns[static_cast<size_t>(i)];
    run.Stop(*this);
    RemoveFlowAnimes(run.m_nFlowKey);
    cVector<cFlow>& flows = m_Def.m_vFlow.Edit();
    if (i < flows.Size()) flows.erase(flows.begin() + i);
    m_FlowRuns.erase(m_FlowRuns.begin() + i);
    LinkFlowRuns();
}

int cChara::RemoveFlows(int8_t group) {
    if (group == 0) {
        for (cFlowRun& run : m_FlowRuns) run.Stop(*this);
        m_FlowRuns.clear();
        m_Def.m_vFlow.Edit().clear();
        m_OverlayAnimes.clear();
        return 0;
    }
    int first = -1;
    for (int i = 0; i < m_FlowRuns.Size();) {
        const cFlow* flow = m_FlowRuns[static_cast<size_t>(i)].m_pFlow;
        if (!flow || flow->m_cId != group) {
            ++i;
            continue;
        }
        if (first < 0) first = i;
        RemoveFlow(i);
    }
    return first;
}

void cChara::RaiseEvent(int8_t kind, cChara* other, int8_t group) {
    cGameScene* scene = g_pGameScene;
    if (!scene) return;
    // A raise from inside a command (a hit it caused, say) leaves the
    // command's context as it found it.
    cChara* const savedChara = scene->m_pCurChara;
    cFlowRun* const savedFlow = scene->m_pCurFlowRun;
    cCmdRun* const savedCmd = scene->m_pCurCmdRun;
    scene->m_pCurChara = this;

    const bool sw744 = IsSwitchOn(kSysSwitch744), sw525 = IsSwitchOn(kSysSwitch525), sw861 = IsSwitchOn(kSysSwitch861);
    // A flow a start removed or added shifts the list: it is read by index.
    for (int i = 0; i < m_FlowRuns.Size(); ++i) {
        cFlowRun& run = m_FlowRuns[static_cast<size_t>(i)];
        const cFlow* flow = run.m_pFlow;
        if (!flow || flow->m_cTrigger != kind) continue;
        if (sw744 && !sw525) {
            if (run.m_bLatch) continue;
            run.m_bLatch = 1;
        }
        if (run.m_bRunning || run.m_bSuspended || run.m_bEnded || run.m_bStarted) continue;
        if (kind == kAlwaysTrigger &&
            (GroupFlag(m_GroupBusy, flow->m_cGroup) || GroupFlag(m_GroupStarted, flow->m_cGroup)))
            continue;
        if (group >= 1 && flow->m_cId != group) continue;
        if (!sw744 && !sw525) {
            if (run.m_bLatch) continue;
            if (sw861) run.m_bLatch = 1;
        }

        const int slot = flow->m_cTargetSlot;
        if (flow->m_cTakeOther && other && slot >= 0 && slot < m_Targets.Size()) {
            cChara* const remembered = m_Targets[static_cast<size_t>(slot)];
            SetTarget(slot, other, 1);
            if (!scene->CheckFlowConditions(run, *this) || !EvalFlowKeys(run)) {
                SetTarget(slot, remembered, 1);
                continue;
            }
        } else if (!scene->CheckFlowConditions(run, *this) || !EvalFlowKeys(run)) {
            continue;
        }
        if (!sw861) run.m_bLatch = 1;

        const cVector<cInputState>& inputs = g_InputStates;
        const int input = m_Def.m_cOperatedBy == 0 ? m_Def.m_cPlayerNo : 0;
        run.m_nInputKey = inputs.empty() ? 0 : GetFirstPressedKey(inputs.At(input));
        run.Start(*this);
    }

    scene->m_pCurChara = savedChara;
    scene->m_pCurFlowRun = savedFlow;
    scene->m_pCurCmdRun = savedCmd;
}

void cChara::ResetEventLatches() {
    for (cFlowRun& run : m_FlowRuns) run.m_bLatch = run.m_bStarted = 0;
    m_GroupStarted.Fill(0);
}

void cChara::StartFlowAnimes() {
    for (const cFlowRun& run : m_FlowRuns) {
        if (!run.m_bRunning || run.m_bSuspended) continue;
        for (const CMDANIME& a : run.m_vAnimes) {
            if (a.start != run.m_nElapsed || a.anime <= 0 || a.anime >= g_AnimePatterns.Size()) continue;
            cVector<FRAMEPAT> steps = g_AnimePatterns[static_cast<size_t>(a.anime)];
            // The loop frame is held while the command runs.
            if (a.hold > 1 && a.loop) {
                const auto busy = std::find_if(steps.begin(), steps.end(), [](const FRAMEPAT& s) { return s.busy; });
                if (busy != steps.end()) busy->duration = SaturateInt(int64_t{busy->duration} + a.hold - 1);
            }
            OVERLAYANIME& o = m_OverlayAnimes.emplace_back();
            o.pattern.Load(cVector<cVector<FRAMEPAT>>(1, std::move(steps)));
            o.pattern.SetPattern(0, true);
            if (a.skip != 0) o.pattern.Skip(a.skip);
            o.anime = a.anime;
            o.flag = 1;
            o.leadIn = a.leadIn;
            o.hold = a.hold;
            o.flowKey = run.m_nFlowKey;
        }
    }
}

void cChara::RemoveFlowAnimes(int flowKey) {
    std::erase_if(m_OverlayAnimes, [&](const OVERLAYANIME& o) { return o.flowKey == flowKey; });
}

void cChara::RemoveOverlayAnime(int anime) {
    std::erase_if(m_OverlayAnimes, [&](const OVERLAYANIME& o) { return o.anime == anime; });
}

void cChara::PauseFlowAnimes(int flowKey) {
    // One that has nothing left to show goes; the others wait.
    std::erase_if(m_OverlayAnimes, [&](const OVERLAYANIME& o) {
        return o.flowKey == flowKey && int64_t{o.hold} + o.leadIn - 1 < 0;
    });
    for (OVERLAYANIME& o : m_OverlayAnimes)
        if (o.flowKey == flowKey) o.paused = 1;
}

void cChara::ResumeFlowAnimes(int flowKey) {
    for (OVERLAYANIME& o : m_OverlayAnimes)
        if (o.flowKey == flowKey) o.paused = 0;
}

void cChara::FinishFlowUpdate() {
    if (m_bFlowRemoveReq) {
        for (int i = 0; i < m_FlowRuns.Size();) {
            if (m_FlowRuns[static_cast<size_t>(i)].m_bRemove)
                RemoveFlow(i);
            else
                ++i;
        }
        m_bFlowRemoveReq = 0;
    }
    if (m_bGroupChanged) {
        for (int g = 0; g < m_GroupEnded.Size() && g < m_GroupBusy.Size(); ++g) {
            if (!m_GroupEnded[static_cast<size_t>(g)]) continue;
            m_GroupBusy[static_cast<size_t>(g)] = 0;
            m_GroupEnded[static_cast<size_t>(g)] = 0;
        }
        m_bGroupChanged = 0;
    }
}
