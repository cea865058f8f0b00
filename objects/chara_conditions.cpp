// The chara's side of the conditions: its status, its state and its
// distance to another chara, and the distance ranges drawn for the game
// maker.
#include <cstdint>

#include "core/record.h"
#include "core/shell_link.h"
#include "frontend/scene_mgr.h"
#include "gfx/dd.h"
#include "gfx/dd_text.h"
#include "objects/chara.h"
#include "objects/chip_src.h"
#include "project/condition.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

constexpr int kSubjectSystem = 5;
constexpr int kPropertyExists = 4;
constexpr int kShapeCircle = 6;
constexpr int kRangePalette = 208;  // four cycling entries per colour group
constexpr int kDirectDrawCircleMax = 64;

// Target slot 1..4 of `chara`; null for an empty slot or another subject.
cChara* TargetOf(const cChara& chara, int subject) {
    if (subject < 1 || subject > kTargetSlots || subject > chara.m_Targets.Size()) return nullptr;
    return chara.m_Targets[static_cast<size_t>(subject - 1)];
}

// The range in dots. Ranges of any real stage are far below the bound;
// the bound keeps a hostile half-block count from overflowing here and in
// the span sums.
int RangeOf(const cCondition& cond) {
    constexpr int64_t kBound = int64_t{1} << 28;
    const int64_t r = int64_t{cond.m_nValue} * 16 + cond.m_sRightIndex;
    return static_cast<int>(r < -kBound ? -kBound : (r > kBound ? kBound : r));
}

// The band of shapes 0 to 5: its axis and how far the chara's span is
// widened on the low side (left, up) and the high side. The two-sided bands
// start from the whole sprite, the one-sided ones from its centre, so a
// range of 0 is the sprite or the centre line and each grows steadily.
struct Band {
    bool vertical = false;
    int low = 0, high = 0, whole = 0;
};

bool BandOf(int shape, bool facingRight, int r, Band& band) {
    // The facing side's widening, on the low side and on the high side.
    const int faceLow = facingRight ? 0 : r;
    const int faceHigh = facingRight ? r : 0;
    switch (shape) {
    case 0: band = {false, r, r, 1}; return true;
    case 1: band = {false, faceLow, faceHigh, 0}; return true;
    case 2: band = {false, faceHigh, faceLow, 0}; return true;
    case 3: band = {true, r, r, 1}; return true;
    // Facing left widens upwards, facing right downwards.
    case 4: band = {true, faceLow, faceHigh, 0}; return true;
    case 5: band = {true, faceHigh, faceLow, 0}; return true;
    default: return false;
    }
}

}  // namespace

bool cChara::EvalStatusCondition2(const cCondition& cond) {
    const int property = cond.m_cLeftItem;
    int32_t value = 0;
    if (cond.m_cSubject == kSubjectSystem) {
        if (property == 0)
            value = g_Stage.m_nScrollSpeedX;
        else if (property == 1)
            value = g_Stage.m_nScrollSpeedY;
        else
            return false;
    } else {
        const cChara* subject = this;
        if (cond.m_cSubject >= 1 && cond.m_cSubject <= kTargetSlots) {
            subject = TargetOf(*this, cond.m_cSubject);
            if (!subject) return false;
        }
        const cCharaDef& def = subject->m_Def;
        switch (property) {
        case 1: value = static_cast<uint8_t>(def.m_cTransparent); break;
        case 2: value = def.m_cFixedFacing; break;
        case 3: value = def.m_cFlight; break;
        case 4: value = def.m_cInvincible; break;
        case 5: value = def.m_cGiantScale; break;
        case 6: value = static_cast<uint8_t>(def.m_cScrollSync); break;
        default: return false;  // 0 (vanished) is never asked this way
        }
    }
    return CompareByOp(value, cond.m_sVarIndex, cond.m_cOperator);
}

bool cChara::EvalStatusCondition3(const cCondition& cond) {
    const bool slot = cond.m_cSubject >= 1 && cond.m_cSubject <= kTargetSlots;
    bool holds = true;
    if (cond.m_cLeftItem == kPropertyExists) {
        if (slot) {
            const cChara* target = TargetOf(*this, cond.m_cSubject);
            holds = target && !target->m_bDefeated;
        }
    } else {
        const cChara* subject = this;
        if (slot) {
            subject = TargetOf(*this, cond.m_cSubject);
            // Nobody to ask: false, negated or not.
            if (!subject) return false;
        }
        switch (cond.m_cLeftItem) {
        case 0: holds = !subject->m_bRight; break;
        case 1: holds = subject->m_bRight != 0; break;
        case 2:
            if (subject->m_bFly)
                holds = false;
            else
                holds = subject->m_bRiding || !(subject->m_bAirborne || subject->m_bJumpRising);
            break;
        case 3:
            // The player's chara is seen where it is now; the computer's by
            // the last activity update.
            holds = subject->m_nKind == 0 ? subject->IsOnScreen() : subject->m_bInView != 0;
            break;
        default: break;
        }
    }
    return cond.m_cOperator == 1 ? !holds : holds;
}

bool cChara::EvalDistanceCondition(const cCondition& cond) {
    cChara* other = nullptr;
    if (cond.m_cSubject == 0)
        other = g_Heroes.empty() ? nullptr : &g_Heroes[0];
    else
        other = TargetOf(*this, cond.m_cSubject);  // null for subjects past the slots too
    if (!other || !g_pGameScene) return false;

    UpdateScreenRect();
    const bool oldReplay = IsReplayPlayback() && g_FileVersion <= 781;
    if (!g_SystemData.Get(kSysSwitch782) && !oldReplay) other->UpdateScreenRect();

    const int r = RangeOf(cond);
    bool inside = false;
    if (cond.m_cShape == kShapeCircle) {
        // No distance is within a negative range.
        const int64_t dx =
            int64_t{m_nScreenL} + (m_nSpriteW >> 1) - (int64_t{other->m_nScreenL} + (other->m_nSpriteW >> 1));
        const int64_t dy =
            int64_t{m_nScreenT} + (m_nSpriteH >> 1) - (int64_t{other->m_nScreenT} + (other->m_nSpriteH >> 1));
        inside = r >= 0 && dx >= -r && dx <= r && dy >= -r && dy <= r && dx * dx + dy * dy <= int64_t{r} * r;
    } else {
        Band band;
        if (!BandOf(cond.m_cShape, m_bRight != 0, r, band)) return false;
        if (!band.vertical)
            inside = JudgeSpan(m_nScreenL, m_nSpriteW, other->m_nScreenL, other->m_nScreenR, other->m_nOffsetX,
                               band.low, band.high, band.whole, 0, other);
        else
            inside = JudgeSpan(m_nScreenT, m_nSpriteH, other->m_nScreenT, other->m_nScreenB, other->m_nOffsetY,
                               band.low, band.high, band.whole, 1, other);
    }
    switch (cond.m_cOperator) {
    case 0: return inside;
    case 1: return !inside;
    default: return false;
    }
}

bool cChara::DrawDistanceRange(DDSURFACEDATA* surface, const cCondition& cond, int counter) {
    const int show = cond.m_cLeftSource;
    if (show == 0 || (show == 2 && !g_bEditorLaunch)) return false;
    if (!m_bActive) {
        if (!cond.m_cRightSource) return false;
        UpdateScreenRect();
    }
    if (!cond.m_cRightSubject && (m_bVanished || m_Def.m_cTransparent)) return false;

    // Eight colour groups; a byte beyond them (a damaged stage) takes one of
    // them rather than a palette number past the palette.
    uint32_t colour = static_cast<uint32_t>(kRangePalette + 4 * (cond.m_cLeftItem & 7));
    // Where the palette rotates by itself the colour stays on the group's first entry.
    if (!PaletteCycles()) colour += static_cast<uint32_t>((counter & 31) >> 3);

    const int r = RangeOf(cond);
    if (cond.m_cShape == kShapeCircle) {
        const int cx = m_nScreenL + (m_nSpriteW >> 1);
        const int cy = m_nScreenT + (m_nSpriteH >> 1);
        if (!lpDTCon && r > kDirectDrawCircleMax) {
            // A large outline is drawn small on the work surface and
            // stretched into place.
            constexpr int kSide = 2 * kDirectDrawCircleMax + 1;
            DDSURFACEDATA* work = ChipWorkSurface();
            DDFillRect(work, 0, 0, kSide, kSide, 0);
            DDCircle(work, kDirectDrawCircleMax, kDirectDrawCircleMax, kDirectDrawCircleMax, colour);
            DDStretchBlt(surface, cx - r, cy - r, 2 * r, 2 * r, work, 0, 0, kSide, kSide, DDBLT_KEYED);
        } else {
            DDCircle(surface, cx, cy, r, colour);
        }
        return true;
    }
    Band band;
    if (!BandOf(cond.m_cShape, m_bRight != 0, r, band)) return false;
    int low = 0, high = 0;
    if (!band.vertical) {
        CalcJudgeSpan(m_nScreenL, m_nSpriteW, band.low, band.high, band.whole, low, high);
        DDFillRect(surface, low, 0, 1, 480, colour);
        DDFillRect(surface, high, 0, 1, 480, colour);
    } else {
        CalcJudgeSpan(m_nScreenT, m_nSpriteH, band.low, band.high, band.whole, low, high);
        DDFillRect(surface, 0, low, 640, 1, colour);
        DDFillRect(surface, 0, high, 640, 1, colour);
    }
    return true;
}
