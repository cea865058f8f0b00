// Flow key conditions: the key part of a flow's start test and the
// key-sequence matcher behind it.
#include "objects/chara_keys.h"

#include <algorithm>

#include "objects/chara.h"
#include "objects/hero.h"
#include "project/condition.h"
#include "project/flow.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

constexpr int kRuns = cInputState::kSequenceLength;

// Far beyond any position real histories reach (32 runs of at most 2^31
// frames), so that damaged lengths and long key lists never overflow.
constexpr int64_t kCursorLimit = int64_t{1} << 40;

// A chara facing left sees left and right swapped, also in the diagonals;
// up and down stay.
constexpr int kMirrorKey[cInputState::kDirSequences] = {0, 2, 1, 3, 4, 7, 8, 5, 6, 9};

int64_t Bounded(int64_t v) { return std::clamp(v, -kCursorLimit, kCursorLimit); }

int64_t RunLength(const cInputState* input, int key, int k) { return GetKeyRun(input, key, k).m_nRun; }

bool MatchAt(const cKeyCond* entry, const KeyCursor& cursor, int64_t& measured, int facingRight) {
    measured = 0;
    return entry && MatchKeyEntry(*entry, cursor, measured, facingRight);
}

}  // namespace

KeyEdge GetKeyRun(const cInputState* input, int key, int k) {
    if (!input || key < 0 || key >= kSeqKeys || k < 0) return KeyEdge{0, 0};
    const bool dir = key < cInputState::kDirSequences;
    const std::vector<KeySequence>& seqs = dir ? input->m_DirSeq : input->m_ButtonSeq;
    const size_t i = static_cast<size_t>(dir ? key : key - cInputState::kDirSequences);
    if (i >= seqs.size() || static_cast<size_t>(k) >= seqs[i].size()) return KeyEdge{0, 0};
    return seqs[i][static_cast<size_t>(k)];
}

KeyCursor MakeKeyCursor(const cInputState* input) {
    KeyCursor cursor;
    cursor.input = input;
    for (int j = 0; j < kSeqKeys; ++j) cursor.l[j] = RunLength(input, j, 0);
    return cursor;
}

void ShiftKeyCursor(KeyCursor& cursor, int64_t a) {
    a = Bounded(a);
    for (int j = 0; j < kSeqKeys; ++j) {
        int32_t& k = cursor.k[j];
        int64_t& l = cursor.l[j];
        k = std::clamp(k, 0, kRuns - 1);
        l = Bounded(l) + a;
        if (a <= 0) {
            while (l < 0) {
                if (++k == kRuns) {
                    k = kRuns - 1;
                    break;
                }
                l += RunLength(cursor.input, j, k);
            }
            // Exactly at a change: the key was still in the older run's
            // state, for all of it.
            if (l == 0 && k + 1 < kRuns) {
                ++k;
                l = RunLength(cursor.input, j, k);
            }
        } else {
            while (l > RunLength(cursor.input, j, k)) {
                if (--k < 0) {
                    k = 0;
                    break;
                }
                // The length of the run just entered, not of the one just
                // left: the matcher has always counted so, and the timing of
                // existing games' key sequences rests on it.
                l -= RunLength(cursor.input, j, k);
            }
        }
        l = Bounded(l);
    }
}

bool TestKeyRun(const KeyEdge& run, int64_t l, const cKeyCond& entry, int need) {
    const bool down = run.m_nState == 1;
    if (need == 1) {
        if (!down) return false;
        return entry.m_cAnyHold ? l > 0 : entry.m_sHoldMin <= l && l <= entry.m_sHoldMax;
    }
    if (need == 2) return !down && l > 0;
    return false;
}

bool MatchKeyEntry(const cKeyCond& entry, const KeyCursor& cursor, int64_t& measured, int facingRight) {
    measured = 0;
    const bool mirror = entry.m_cRelative != 0 && !facingRight;
    const int keys = std::min(entry.m_vKey.Size(), kSeqKeys);
    int met = 0, unmet = 0;
    for (int i = 0; i < keys; ++i) {
        const int need = entry.m_vKey[static_cast<size_t>(i)];
        if (need == 0) continue;
        const int j = mirror && i < cInputState::kDirSequences ? kMirrorKey[i] : i;
        const int64_t l = cursor.l[j];
        if (!TestKeyRun(GetKeyRun(cursor.input, j, cursor.k[j]), l, entry, need)) {
            ++unmet;
            continue;
        }
        ++met;
        switch (entry.m_cMode) {
        case 0: measured = met == 1 ? l : std::min(measured, l); break;
        case 1: measured = met == 1 ? l : std::max(measured, l); break;
        default: measured = l; break;
        }
    }
    switch (entry.m_cMode) {
    case 0: return unmet == 0;
    case 1: return met >= 1;
    case 2: return met == 1;
    default: return true;
    }
}

bool MatchKeySequence(const cFlowRun& run, const cVector<const cKeyCond*>& entries, int tolerance,
                      const cInputState* input, int facingRight) {
    const int n = entries.Size();
    if (!input || n == 0) return false;
    KeyCursor cursor = MakeKeyCursor(input);
    const int t = std::max(tolerance, 0);

    int64_t measured = 0;
    if (!MatchAt(entries[static_cast<size_t>(n - 1)], cursor, measured, facingRight)) return false;
    if (run.m_pFlow && run.m_pFlow->m_cKeyHold != 0 && run.m_bKeyMatched) return true;

    const bool distinctSteps = g_SystemData.Get(kSysSwitch669) == 0;
    for (int i = n - 2; i >= 0; --i) {
        // To where the hold of entry i + 1 began.
        ShiftKeyCursor(cursor, -measured);
        const cKeyCond* entry = entries[static_cast<size_t>(i)];
        if (MatchAt(entry, cursor, measured, facingRight)) continue;
        if (t == 0) return false;

        bool found = false;
        int tries = 0;
        while (tries < t && !found) {
            ShiftKeyCursor(cursor, -1);
            ++tries;
            found = MatchAt(entry, cursor, measured, facingRight);
        }
        if (found) continue;
        ShiftKeyCursor(cursor, tries);

        // One frame into the hold of entry i + 1.
        ShiftKeyCursor(cursor, 1);
        if (!MatchAt(entry, cursor, measured, facingRight)) return false;
        // A key held from one step into the next does not count for both.
        int64_t next = 0;
        if (distinctSteps && MatchAt(entries[static_cast<size_t>(i + 1)], cursor, next, facingRight)) return false;
    }
    return true;
}

bool cChara::EvalFlowKeys(cFlowRun& run) {
    if (run.m_vKeyConds.empty()) return true;
    const cFlow* flow = run.m_pFlow;

    // The chara raising the event gives the facing; the keys are always the
    // hero's.
    cChara* current = g_pGameScene && g_pGameScene->m_pCurChara ? g_pGameScene->m_pCurChara : this;
    const cInputState* input = g_Heroes.empty() ? nullptr : g_Heroes[0].m_pInput;
    const bool r = MatchKeySequence(run, run.m_vKeyConds, flow ? flow->m_cKeyStep : 0, input, current->m_bRight);

    if (flow && flow->m_cKeyHold != 0) {
        run.m_bKeyMatched = r;
        return r;
    }
    run.m_bKeyMatched = 0;
    if (!r) {
        run.m_bKeyHeld = 0;
        return false;
    }
    if (run.m_bKeyHeld) {
        // Still the input that started it: while held, the other
        // always-flows of its exclusion group stay out too.
        const int g = flow && flow->m_cTrigger == 0 ? flow->m_cGroup : 0;
        if (g > 0 && g < kFlowGroupFlags) {
            const size_t gi = static_cast<size_t>(g);
            if (gi < current->m_GroupBusy.size()) current->m_GroupBusy[gi] = 1;
            if (gi < m_GroupEnded.size()) {
                m_GroupEnded[gi] = 1;
                m_bGroupChanged = 1;
            }
        }
        return false;
    }
    run.m_bKeyHeld = 1;
    return true;
}
