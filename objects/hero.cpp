#include "objects/hero.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "app/input_state.h"
#include "app/requests.h"
#include "core/numeric.h"
#include "flow/cmd_dispatch.h"
#include "gfx/dd_frame.h"
#include "gfx/system_bitmaps.h"
#include "objects/stage_chara.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

void cHero::Init(int id, cCharaDef& def, double originX, double originY, int /*extra*/) {
    if (def.m_cGiantScale == 0) def.m_cGiantScale = 1;
    Reset(&def, originX, originY, 0);

    int offX = 0, offY = 0, w = 0, h = 0;
    GetBoxLayout(offX, offY, w, h);
    InitBase(id, def.m_cOperatedBy, def.m_cPlayerNo, def.m_cBlockClass, def.m_sChip, nullptr, 0, offX, offY, w, h,
             32, 32, def.m_cFacing, def.m_cFlight, 0);
    m_pInput = &g_InputStates.At(def.m_cPlayerNo);

    SetMoveType(def.m_cFlight, 0, 0, 0);
    SetScale(def.m_cGiantScale, 1, 1);

    m_bRight = def.m_cFacing;
    m_nSavedFacing = def.m_cFacing;
    m_bTypePosSaved = m_bTypePosRestore = 0;
    m_bHeadBlocked = 0;
    m_bJumpBlocked = 0;
    m_nJumpHold = 0;
    m_nFootEffect = 0;
    m_dFootEffectValue = 0;
    m_nFootEffectTimer = 0;
    m_nItemBlockWait = 0;
    m_nFrameCount = 0;
    m_bJumpArmed = 1;
    m_dFootEffectBase = 4.0 / g_Stage.m_dSubSteps;

    BuildHitboxOverlays();
    m_TouchedItems.clear();
    BuildFlows(m_Def.m_vFlow.Edit(), 0, -1);
}

void cHero::GetBoxLayout(int& offsetX, int& offsetY, int& width, int& height) const {
    const cStageInfo& st = g_Stage;
    const bool flying = m_Def.m_cFlight != 0;
    width = StageBoxSize(flying ? st.m_nHeroFlyPicW : st.m_nHeroPicW);
    height = StageBoxSize(flying ? st.m_nHeroFlyPicH : st.m_nHeroPicH);
    offsetX = (32 - width) / 2;
    offsetY = (flying ? st.m_nHeroFlyPicAlign : st.m_nHeroPicAlign) ? 32 - height : (32 - height) / 2;
}

void cHero::SetMoveType(int type, int rescale, int savePos, int markRestore) {
    const bool wasFlying = m_bFly != 0;
    const bool changed = m_Def.m_cFlight != type;
    m_Def.m_cFlight = static_cast<int8_t>(type);
    cGameObj::SetMoveType(type);

    if (savePos) {
        m_bTypePosSaved = 1;
        m_TypeChangePos = {m_dX, m_dY, m_dRight, m_dBottom};
    }
    if (changed) {
        m_nTypeChangeWait = 2;
        if (markRestore) m_bTypePosRestore = 1;
    }
    if (wasFlying && !m_bFly) m_dSpeedX = m_dSpeedY = m_dInertiaX = m_dInertiaY = 0;
    if (m_bFly && g_SystemData.Get(kSysSwitch818b) == 0) {
        m_bAirborne = 1;
        m_nAirSteps = g_Stage.m_nSubSteps8;
    }

    int offX = 0, offY = 0, w = 0, h = 0;
    GetBoxLayout(offX, offY, w, h);
    m_nWidth = m_nBaseWidth = w;
    m_nHeight = m_nBaseHeight = h;
    m_nOffsetX = m_nBaseOffsetX = offX;
    m_nOffsetY = m_nBaseOffsetY = offY;
    m_nSpriteW = m_nBaseSpriteW = 32;
    m_nSpriteH = m_nBaseSpriteH = 32;

    const cStageInfo& st = g_Stage;
    const int shotW = StageBoxSize(st.m_nHeroShotHitW), shotH = StageBoxSize(st.m_nHeroShotHitH);
    switch (m_Def.m_cMapBox) {
    case 1: SetBodyBox(0, shotW, shotH); break;
    case 2: SetBodyBox(0, StageBoxSize(st.m_nHeroShotBoxW), StageBoxSize(st.m_nHeroShotBoxH)); break;
    case 3: SetBodyBox(0, 32, 32); break;
    default:
        if (m_bFly)
            SetBodyBox(st.m_nHeroFlyBodyAlign, StageBoxSize(st.m_nHeroFlyBodyW), StageBoxSize(st.m_nHeroFlyBodyH));
        else
            SetBodyBox(st.m_nHeroBodyAlign, StageBoxSize(st.m_nHeroBodyW), StageBoxSize(st.m_nHeroBodyH));
        break;
    }
    CentreBox(m_ShotBox, shotW, shotH, offX, offY);
    CentreBox(m_ItemBox, StageBoxSize(st.m_nHeroItemW), StageBoxSize(st.m_nHeroItemH), offX, offY);

    if (rescale) {
        const int s = ValidScale(m_Def.m_cGiantScale);
        m_nWidth *= s;
        m_nHeight *= s;
        m_nOffsetX *= s;
        m_nOffsetY *= s;
        m_nSpriteW *= s;
        m_nSpriteH *= s;
        ScaleBox(m_BodyBox, s);
        ScaleBox(m_ShotBox, s);
        ScaleBox(m_ItemBox, s);
    }
    BuildHitboxOverlays();
}

void cHero::ScaleHitboxes(int scale) {
    scale = ValidScale(scale);
    ScaleBox(m_BodyBox, scale);
    ScaleBox(m_ShotBox, scale);
    ScaleBox(m_ItemBox, scale);
    CheckBoundsX();
    CheckBoundsY();
}

void cHero::UpdateHitboxX() {
    PlaceBoxX(m_BodyBox, m_dX);
    PlaceBoxX(m_ShotBox, m_dX);
    PlaceBoxX(m_ItemBox, m_dX);
}

void cHero::UpdateHitboxY() {
    PlaceBoxY(m_BodyBox, m_dY);
    PlaceBoxY(m_ShotBox, m_dY);
    PlaceBoxY(m_ItemBox, m_dY);
}

void cHero::UpdateScreenRect() {
    const cScrollAxis& ax = g_pGameScene->m_ScrollX;
    const cScrollAxis& ay = g_pGameScene->m_ScrollY;
    m_nScreenL = ax.AutoScrolls() ? TruncDot(m_dX) - TruncDot(ax.m_dPos) - m_nOffsetX
                                  : TruncDot(m_dX - ax.m_dPos - m_nOffsetX);
    m_nScreenT = ay.AutoScrolls() ? TruncDot(m_dY) - TruncDot(ay.m_dPos) - m_nOffsetY
                                  : TruncDot(m_dY - ay.m_dPos - m_nOffsetY);
    m_nScreenR = m_nScreenL + m_nSpriteW - 1;
    m_nScreenB = m_nScreenT + m_nSpriteH - 1;
}

namespace {

// The camera at `pos` (the hero centred in the view), inside the axis's
// limits; an axis that scrolls by itself is left alone.
void FollowHero(cScrollAxis& a, double pos) {
    if (a.m_bAuto) return;
    if (pos < a.m_nLow)
        pos = a.m_nLow;
    else if (pos + a.m_nView >= a.m_nHigh)
        pos = a.m_nHigh - a.m_nView;
    a.m_dPos = pos;
}

}  // namespace

void cHero::CheckBoundsX() {
    FollowHero(g_pGameScene->m_ScrollX, m_dX - (320 - m_nWidth / 2));
    ClampPosX(m_bFly ? 0 : 1);
    m_dRight = m_dX + m_nWidth - 1;
}

void cHero::CheckBoundsY() {
    FollowHero(g_pGameScene->m_ScrollY, m_dY - (240 - m_nHeight / 2));
    ClampPosY(m_bFly ? 0 : 1);
}

// ---------------------------------------------------------------------------
// Jump

namespace {

// The item command that arranges the commands after it; it is not itself
// arranged.
constexpr int kItemCmdArrange = 23;

// Parameter i of a command; a list cut short reads 0.
int32_t CmdParam(const cFlowCmd* cmd, int i) {
    return cmd && i < cmd->m_vParam.Size() ? cmd->m_vParam[static_cast<size_t>(i)] : 0;
}

// Half blocks of a type-2 jump at horizontal speed v (dots per sub-step).
// The limits are tenths of a dot per frame; between them the height grows
// from 0 at standstill, so just above the lower limit it is already more
// than the lower height.
int HeightBySpeed(const cFlowCmd* cmd, double v) {
    const double s = g_Stage.m_dSubSteps * 10;
    const double hi = CmdParam(cmd, 1) / s;
    const double lo = CmdParam(cmd, 3) / s;
    const int32_t fast = CmdParam(cmd, 2), slow = CmdParam(cmd, 4);
    if (!(v < hi)) return fast;  // a speed that is not a number too
    if (v <= lo) return slow;
    // Here lo < v < hi, so hi > 0 and v / hi < 1: the result lies between
    // the two heights.
    return static_cast<int>(std::trunc(slow + (static_cast<double>(fast) - slow) * v / hi));
}

void TakeOff(cHero& hero, cCmdRun& run, double speed) {
    hero.m_dSpeedY = speed;
    run.m_bBegun = 1;
    PlayDataSe(run.m_pCmd ? run.m_pCmd->m_sSound : 0);
    hero.m_bJumpRising = 1;
}

}  // namespace

void cHero::Jump(cCmdRun* run) {
    if (!run || m_bFly || m_bJumpDone) return;
    const cFlowCmd* cmd = run->m_pCmd;
    const int type = CmdParam(cmd, 0);

    const cFlowRun* flow = g_pGameScene ? g_pGameScene->m_pCurFlowRun : nullptr;
    const bool hasKeys = flow && !flow->m_vKeyConds.empty();
    bool held = type == 0;
    if (!held && hasKeys && m_pInput) {
        const cKeyCond* key = flow->m_vKeyConds.back();
        held = key && EvalKeyCondition(*m_pInput, *key);
    }
    // A block that forbids jumping makes the key count as released.
    const bool pressed = held && !m_bJumpBlocked;

    if (type == 2) run->m_dSpeed = JumpSpeedFromHeight(HeightBySpeed(cmd, std::fabs(m_dInertiaX)) * 16.0);

    const int n = g_Stage.m_nSubSteps;
    const int32_t limit = run->m_nSteps;
    if (pressed) {
        if (m_nJumpHold < INT32_MAX) ++m_nJumpHold;
        if (m_nJumpHold >= limit && (!m_bJumped || m_bRiding) && m_bJumpArmed && !m_bHeadBlocked &&
            (m_dSpeedY < 0 || m_bRiding)) {
            // Held to the limit: the rise goes on and the key no longer
            // matters.
            m_bJumped = 1;
            m_bJumpArmed = 0;
        } else if (!m_bAirborne && m_nJumpHold <= n && (!m_bJumped || m_bRiding) && m_bJumpArmed && !m_bHeadBlocked &&
                   !m_bImpacted && !run->m_bBegun) {
            // A jump off a ridden chara waits for the frame's last sub-step.
            // Newer projects also take off while rising, and 2 % faster from
            // a ridden chara.
            const bool lastSubStep = g_pGameScene && g_pGameScene->m_nSubStep == n;
            const bool newer = g_SystemData.Get(kSysSwitch845a) != 0;
            if (newer || !m_bJumpRising) {
                if (newer) m_bJumpRising = 1;
                if (!m_bRiding) {
                    TakeOff(*this, *run, run->m_dSpeed);
                } else if (lastSubStep) {
                    TakeOff(*this, *run, newer ? run->m_dSpeed * static_cast<double>(1.02f) : run->m_dSpeed);
                    m_bRiding = 0;
                }
            }
        }
    } else {
        if (m_nJumpHold > 0 && m_nJumpHold < limit && !m_bJumped && !m_bHeadBlocked && !m_bJumpBlocked &&
            !m_bImpacted) {
            // Let go early: a short hop.
            m_bRiding = 0;
            if (m_dSpeedY < 0) m_dSpeedY *= 0.3;
            m_bJumped = 1;
        }
        m_nJumpHold = 0;
        m_bJumpArmed = 1;
        m_bHeadBlocked = 0;
    }

    if (IsOnGround() && m_dSpeedY >= 0) {
        if (!hasKeys || !pressed) {
            m_nJumpHold = 0;
            m_bJumpArmed = 1;
            m_bHeadBlocked = 0;
            m_bImpacted = 0;
            // A key jump ends on landing; one without keys may jump again.
            if (hasKeys)
                run->m_nRemain = 0;
            else
                run->m_bBegun = 0;
        }
    }
    m_bJumpDone = 1;
}

// ---------------------------------------------------------------------------
// Items

bool cHero::IsNewItemTouch(cItem* item) const {
    return std::find(m_TouchedItems.begin(), m_TouchedItems.end(), item) == m_TouchedItems.end();
}

void cHero::EndItemTouch(cItem* item) { m_TouchedItems.remove(item); }

int cHero::RunItemCmds(cVector<cFlowCmd>& cmds) {
    if (g_pGameScene) g_pGameScene->m_bChainedMessage = 0;
    // By index: a handler may change what the hero holds, never the list's
    // length under a running iterator.
    for (int i = 0; i < cmds.Size(); ++i) {
        cFlowCmd& cmd = cmds[static_cast<size_t>(i)];
        if (cmd.m_cKind != kItemCmdArrange) {
            ApplyHeroArranges(cmd, *this);
            m_PendingArranges.clear();
        }
        const int r = ExecItemCmd(*this, cmd);
        if (m_nHP <= 0) return 2;
        if (r != 0) return r;
    }
    return m_nHP <= 0 ? 2 : 0;
}

void cHero::ShowItemMessage(int kind, int message, int extra) {
    if (!g_pGameScene) return;
    // The item's icon above where the hero stands, rising for 30 frames.
    MessageParams p = RisingIconParams(2, m_nId, 0);
    p.iconKind = kind;
    p.iconNo = message;
    p.iconExtra = extra;
    g_pGameScene->m_lMessages.emplace_back(p);
}

// ---------------------------------------------------------------------------
// Drawing

namespace {

// 208 + 4 x colour group; a group far outside 0..7 from a damaged stage
// saturates instead of overflowing.
int32_t BoxPalette(int32_t group) {
    return SaturateInt(208 + int64_t{4} * group);
}

HITBOXVIEW BoxView(int type, int32_t mode, int32_t group, int32_t width, int32_t height) {
    HITBOXVIEW v;
    v.type = type;
    v.mode = mode;
    v.palette = BoxPalette(group);
    v.width = width;
    v.height = height;
    return v;
}

int64_t Area(const HITBOXVIEW& v) { return int64_t{v.width} * v.height; }

}  // namespace

void cHero::BuildHitboxOverlays() {
    const cStageInfo& st = g_Stage;
    m_BoxViews = {
        BoxView(0, st.m_nPicBoxShow, st.m_nPicBoxColor, m_nWidth, m_nHeight),
        BoxView(2, st.m_nItemBoxShow, st.m_nItemBoxColor, m_ItemBox.width, m_ItemBox.height),
        BoxView(1, st.m_nBodyBoxShow, st.m_nBodyBoxColor, m_BodyBox.width, m_BodyBox.height),
        BoxView(3, st.m_nShotBoxShow, st.m_nShotBoxColor, m_ShotBox.width, m_ShotBox.height),
    };
    // Largest first, so a smaller box is drawn over a larger one and stays
    // visible; equal areas keep the order above.
    std::stable_sort(m_BoxViews.begin(), m_BoxViews.end(),
                     [](const HITBOXVIEW& a, const HITBOXVIEW& b) { return Area(a) > Area(b); });
}

void cHero::Draw(DDSURFACEDATA* surface, int paused) {
    cChara::Draw(surface, paused);
    // In 8-bit colour with colour cycling the palette itself rotates.
    const bool paletteCycles = g_nBpp == 8 && g_SystemData.Get(kSysColourCycling) != 0;
    for (HITBOXVIEW& v : m_BoxViews) {
        if (v.mode == 1 || v.mode == 2) {
            // The boxes are offsets from the body, which sits at the sprite
            // offset inside the screen rectangle.
            const int32_t bodyX = m_nScreenL + m_nOffsetX, bodyY = m_nScreenT + m_nOffsetY;
            const HITBOX* box = v.type == 1   ? &m_BodyBox
                                : v.type == 2 ? &m_ItemBox
                                : v.type == 3 ? &m_ShotBox
                                              : nullptr;
            if (box) {
                v.x = bodyX + box->offsetX;
                v.y = bodyY + box->offsetY;
                v.width = box->width;
                v.height = box->height;
            } else {
                v.x = bodyX;
                v.y = bodyY;
                v.width = m_nWidth;
                v.height = m_nHeight;
            }
            const int64_t colour = paletteCycles ? int64_t{v.palette} : int64_t{v.palette} + (v.counter >> 3);
            // The drawing layer fills a number outside the palette with 0.
            const uint32_t number = colour < 0 || colour > 255 ? 256u : static_cast<uint32_t>(colour);
            if (v.mode == 1)
                DDDrawFrame(surface, v.x, v.y, v.width, v.height, 1, number);
            else
                DDFillRect(surface, v.x, v.y, v.width, v.height, number);
        }
        v.counter = (v.counter + 1) & 31;
    }
}

void cHero::DrawOverlay(DDSURFACEDATA* surface) {
    const int mode = m_Def.m_cSightShape;
    if (mode < 1 || mode > 4) return;
    DDSURFACEDATA* overlay = &g_SysBmp[kSysBmpSightOverlay];
    const int64_t w = overlay->nWidth, h = overlay->nHeight;
    if (w <= 0 || h <= 0) return;
    int64_t sx = w / 2 - m_nSpriteW / 2 - int64_t{m_nScreenL};
    if (mode == 2 || mode == 4) sx += int64_t{GetDirSign()} * (m_nSpriteW / 2 - int64_t{m_nSight});
    int64_t sy = h / 2 - m_nSpriteH / 2 - int64_t{m_nScreenT};
    // An overlay smaller than the screen is read from its corner, never
    // beyond its edges.
    sx = std::clamp<int64_t>(sx, 0, std::max<int64_t>(w - 640, 0));
    sy = std::clamp<int64_t>(sy, 0, std::max<int64_t>(h - 480, 0));
    DDBlt(surface, 0, 0, static_cast<int>(std::min<int64_t>(w, 640)), static_cast<int>(std::min<int64_t>(h, 480)),
          overlay, static_cast<int>(sx), static_cast<int>(sy), DDBLT_KEYED);
}
