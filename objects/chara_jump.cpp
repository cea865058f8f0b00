// Standing on ground, the arithmetic of jumps under the stage's gravity, and
// the single-entry key test of the hero's jump.
#include <algorithm>
#include <climits>
#include <cmath>

#include "app/input_state.h"
#include "core/numeric.h"
#include "objects/chara.h"
#include "project/block_def.h"
#include "project/condition.h"
#include "project/stage_info.h"
#include "project/system_data.h"

bool cChara::IsOnGround() const {
    if (m_bRiding) return true;
    return m_pFootBlock && m_pFootBlock->GetHitKind(m_nFaction) != 0;
}

double cChara::JumpSpeedFromHeight(double h) const {
    const double g = g_Stage.m_dGravityStep;
    // Without a pull downwards no jump ever turns; it does not rise either.
    if (!(g > 0) || !std::isfinite(g)) return 0;
    // A height below -g/8 (a negative byte from a command) has no real
    // speed; it rises as little as a jump can.
    double r = g * (g + 8 * h);
    if (!(r > 0)) r = 0;
    double v = (-g - std::sqrt(r)) / 2;
    if (!std::isfinite(v)) return 0;
    if (g_SystemData.Get(kSysSwitch845c) != 0 && m_nKind == 0) v *= 0.99 - 0.025 * g_Stage.m_dGravity;
    return v;
}

double cChara::JumpSpeedFromHbl(int8_t halfBlocks) const { return JumpSpeedFromHeight(halfBlocks * 16); }

int cChara::FramesToApex(double v) const {
    const double n = g_Stage.m_dSubSteps;
    const double g = g_Stage.m_dGravityStep;
    // Without gravity the speed never changes: count it as a jump that does
    // not rise, which has its apex after n sub-steps like speed 0 has.
    if (!(g > 0) || !std::isfinite(g) || !std::isfinite(v)) return static_cast<int>(n);
    return TruncateToInt(n - v / g);
}

int cChara::JumpTimeFromHbl(int8_t halfBlocks) const {
    const int n = std::max(g_Stage.m_nSubSteps, 1);
    return FramesToApex(JumpSpeedFromHbl(halfBlocks)) / n / 6 + 1;
}

bool cChara::EvalKeyCondition(const cInputState& input, const cKeyCond& key) {
    auto isDown = [&input](int k) {
        const std::vector<KeySequence>& seqs = k < cInputState::kDirSequences ? input.m_DirSeq : input.m_ButtonSeq;
        const size_t i = static_cast<size_t>(k < cInputState::kDirSequences ? k : k - cInputState::kDirSequences);
        return i < seqs.size() && !seqs[i].empty() && seqs[i].front().m_nState == 1;
    };
    const int keys = std::min(key.m_vKey.Size(), cKeyCond::kKeyCount);
    int met = 0;
    for (int k = 0; k < keys; ++k) {
        const int8_t need = key.m_vKey[static_cast<size_t>(k)];
        if (need == 0) continue;
        const bool down = isDown(k);
        const bool ok = (need == 1 && down) || (need == 2 && !down);
        if (ok) {
            ++met;
            if (key.m_cMode == 1) return true;
        } else if (key.m_cMode == 0) {
            return false;
        }
    }
    switch (key.m_cMode) {
    case 1: return false;
    case 2: return met == 1;
    default: return true;
    }
}
