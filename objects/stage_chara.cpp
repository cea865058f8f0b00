#include "objects/stage_chara.h"

#include <cstdint>

#include "app/requests.h"
#include "core/containers.h"
#include "objects/chip_src.h"
#include "project/flow.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"

void CentreBox(HITBOX& box, int w, int h, int offX, int offY) {
    box.offsetX = box.baseOffsetX = 16 - w / 2 - offX;
    box.offsetY = box.baseOffsetY = 16 - h / 2 - offY;
    box.width = box.baseWidth = w;
    box.height = box.baseHeight = h;
}

void ScaleBox(HITBOX& box, int scale) {
    box.offsetX = scale * box.baseOffsetX;
    box.offsetY = scale * box.baseOffsetY;
    box.width = scale * box.baseWidth;
    box.height = scale * box.baseHeight;
}

void PlaceBoxX(HITBOX& box, double x) {
    box.left = TruncDot(x) + box.offsetX;
    box.right = box.left + box.width - 1;
}

void PlaceBoxY(HITBOX& box, double y) {
    box.top = TruncDot(y) + box.offsetY;
    box.bottom = box.top + box.height - 1;
}

void cStageChara::Init(int id, cCharaDef& def, const cItem* item, double originX, double originY, int16_t copyIndex,
                       int /*extra*/) {
    if (def.m_cGiantScale == 0) def.m_cGiantScale = 1;
    Reset(&def, originX, originY, copyIndex);

    const cStageInfo& st = g_Stage;
    const bool flying = def.m_cFlight != 0;
    int offX = 0, offY = 0, w = 32, h = 32;
    if (!def.m_cBlockChara) {
        w = StageBoxSize(flying ? st.m_nCharaFlyPicW : st.m_nCharaPicW);
        h = StageBoxSize(flying ? st.m_nCharaFlyPicH : st.m_nCharaPicH);
        offX = (32 - w) / 2;
        offY = (flying ? st.m_nCharaFlyPicAlign : st.m_nCharaPicAlign) ? 32 - h : (32 - h) / 2;
    }
    InitBase(id, def.m_cOperatedBy, def.m_cPlayerNo, def.m_cBlockClass, def.m_sChip, nullptr, 0, offX, offY, w, h,
             32, 32, def.m_cFacing, def.m_cFlight, copyIndex);

    const int shotW = StageBoxSize(st.m_nCharaShotHitW), shotH = StageBoxSize(st.m_nCharaShotHitH);
    switch (def.m_cMapBox) {
    case 1: SetBodyBox(0, shotW, shotH); break;
    case 2: SetBodyBox(0, StageBoxSize(st.m_nCharaShotBoxW), StageBoxSize(st.m_nCharaShotBoxH)); break;
    case 3: SetBodyBox(0, w, h); break;
    default:
        if (flying)
            SetBodyBox(st.m_nCharaFlyBodyAlign, StageBoxSize(st.m_nCharaFlyBodyW), StageBoxSize(st.m_nCharaFlyBodyH));
        else
            SetBodyBox(st.m_nCharaBodyAlign, StageBoxSize(st.m_nCharaBodyW), StageBoxSize(st.m_nCharaBodyH));
        break;
    }
    if (def.m_cBlockChara) {
        // Others stand on a block chara; its whole cell takes the shots.
        m_BodyBox = HITBOX();
        CentreBox(m_ShotBox, 32, 32, 0, 0);
    } else {
        CentreBox(m_ShotBox, shotW, shotH, offX, offY);
    }

    SetScale(def.m_cGiantScale, 1, 1);

    m_nItemIconTimer = 0;
    if (item) {
        m_Item = *item;
    } else {
        m_Item = cItem();
        m_Item.m_Def.m_sChip = 0;
    }

    m_bIgnoreViewX = def.m_cActivityRange == 2 || def.m_cActivityRange == 3;
    m_bIgnoreViewY = def.m_cActivityRange == 1 || def.m_cActivityRange == 3;
    m_bActivated = 0;

    m_Anime.SetPattern(flying ? 0 : 1, true);
    BuildFlows(m_Def.m_vFlow.Edit(), 0, -1);
}

void cStageChara::PlaceAtTile(int tx, int ty) {
    m_dX = (tx + g_pGameScene->m_ScrollX.m_nMargin) * 32 + m_nBaseOffsetX + 0.5;
    m_dY = (ty + g_pGameScene->m_ScrollY.m_nMargin) * 32 + m_nBaseOffsetY;
    RecenterForScale(m_Def.m_cGiantScale, 1, 1);
    CheckBoundsX();
    CheckBoundsY();
}

void cStageChara::ScaleHitboxes(int scale) {
    if (m_Def.m_cBlockChara) {
        for (HITBOX* box : {&m_BodyBox, &m_ShotBox}) {
            box->offsetX = box->offsetY = 0;
            box->width = m_nWidth;
            box->height = m_nHeight;
        }
    } else {
        ScaleBox(m_BodyBox, ValidScale(scale));
        ScaleBox(m_ShotBox, ValidScale(scale));
    }
    CheckBoundsX();
    CheckBoundsY();
}

void cStageChara::UpdateHitboxX() {
    PlaceBoxX(m_BodyBox, m_dX);
    PlaceBoxX(m_ShotBox, m_dX);
}

void cStageChara::UpdateHitboxY() {
    PlaceBoxY(m_BodyBox, m_dY);
    PlaceBoxY(m_ShotBox, m_dY);
}

void cStageChara::CheckBoundsX() { ClampPosX(2); }
void cStageChara::CheckBoundsY() { ClampPosY(2); }

namespace {

// Stage flag `no` of the appearance flags, or null for a number outside
// them: a damaged definition is reported and its flag is left alone.
char* AppearanceFlag(std::vector<char>& flags, int no) {
    if (no >= 0 && no < static_cast<int>(flags.size())) return &flags[static_cast<size_t>(no)];
    container_detail::ReportBadIndex("err V[%d] ( %d , %d )", no, static_cast<int>(flags.size()), sizeof(char));
    return nullptr;
}

// The carried-item icon shows for the last 33 of every 96 calls.
constexpr int kIconShowFrom = 64;
constexpr int kIconCycle = 96;

}  // namespace

bool cStageChara::CheckInView(std::vector<char>& flags) {
    m_bInViewTest = IsInView(m_bIgnoreViewX, m_bIgnoreViewY);
    if (m_bInViewTest && m_Def.m_cFlagAppear) {
        if (char* flag = AppearanceFlag(flags, m_Def.m_sFlagNo)) *flag = 1;
    }
    return m_bInViewTest != 0;
}

bool cStageChara::CheckActivate(std::vector<char>& flags) {
    bool acts = m_bInViewTest || (!m_bFly && m_bJumpRising) || (m_bActivated && m_bAirborne);
    if (!acts && m_Def.m_cFlagAppear) {
        const char* flag = AppearanceFlag(flags, m_Def.m_sFlagNo);
        acts = flag && *flag == 1;
    }
    if (!acts) return false;
    m_bActivated = 1;
    if (m_Def.m_cActivationMode == 1) m_bIgnoreViewX = m_bIgnoreViewY = 1;
    UpdateScreenRect();
    return true;
}

int cStageChara::Update(bool deathFlowsOnly) {
    StartCharaUpdate(*this);
    SyncCharaScroll(*this, !IsSwitchOn(kSysSwitch214) && m_bFollowScroll);
    StartFlowAnimes();
    if (StepFlowRuns(deathFlowsOnly, true)) return 1;
    ClearFlowContext();
    FinishFlowUpdate();
    ChooseBasicAnime();
    return m_nHP <= 0 ? 1 : 0;
}

int cStageChara::MoveX() {
    if (m_dImpactX != 0) {
        m_dSpeedX = m_dImpactX;
    } else if (m_dInertiaX != 0) {
        ApplyFriction(m_dInertiaX, m_bFrictionX);
        m_dSpeedX += m_dInertiaX;
    }
    const int code = StepX(2);
    CheckBoundsX();
    return code == 3 ? 4 : code;
}

int cStageChara::MoveY() {
    ApplyImpactY();
    if (m_dImpactY == 0 && m_bFly && m_dInertiaY != 0) {
        ApplyFriction(m_dInertiaY, m_bFrictionY);
        m_dSpeedY += m_dInertiaY;
    }
    const int code = StepY(2);
    CheckBoundsY();
    if (m_bFly) return code == 3 || code == 6 ? 8 : code;  // flew out of the stage
    return code == 5 || code == 6 ? 7 : code;              // fell out of it
}

void cStageChara::Jump(cCmdRun* run) {
    if (!run) return;
    const cFlowCmd* cmd = run->m_pCmd;
    auto takeOff = [&](bool sound) {
        run->m_bBegun = 1;
        if (sound && cmd) PlayDataSe(cmd->m_sSound);
        m_dSpeedY = run->m_dSpeed;
        m_bJumpRising = m_bJumped = 1;
        m_bRiding = 0;
    };

    if (IsSwitchOn(kSysSwitch749)) {
        if (!m_bAirborne && !m_bHeadBlocked && !m_bImpacted && !m_nAirSteps) takeOff(true);
        return;
    }
    if (run->m_bBegun) {
        // The command ends on landing.
        if (IsOnGround()) {
            m_bHeadBlocked = m_bImpacted = 0;
            run->m_nRemain = 0;
        }
        return;
    }
    const bool held = m_bAirborne || m_bHeadBlocked || m_bImpacted ||
                      (IsSwitchOn(kSysSwitch845b) ? m_nAirSteps != 0 : m_bJumpRising != 0);
    if (held) {
        // Four frames without ground to jump from: the command ends unjumped.
        if (run->m_nCount >= int64_t{4} * g_Stage.m_nSubSteps) {
            run->m_bBegun = 1;
            m_bHeadBlocked = m_bImpacted = 0;
            run->m_nRemain = 0;
        }
        return;
    }
    takeOff(!(cmd && cmd->m_cSoundInView && !m_bInView));
}

void cStageChara::DrawItemIcon(DDSURFACEDATA* surface) {
    if (!m_Item.m_bCarried || !m_bInView || m_Def.m_cTransparent || m_Item.m_Def.m_cHidden) return;
    ++m_nItemIconTimer;
    if (m_nItemIconTimer < kIconShowFrom) return;
    const int x = m_nScreenL + m_nSpriteW / 2 - m_Item.m_nSpriteW / 4;
    const int y = m_nScreenT - m_Item.m_nSpriteH / 2;
    DrawChipIcon(surface, x, y, m_Item.m_Def.m_cSheet, m_Item.m_nGraphic, m_Item.m_Def.m_sSheetSub);
    if (m_nItemIconTimer >= kIconCycle) m_nItemIconTimer = 0;
}
