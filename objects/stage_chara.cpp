#include "objects/stage_chara.h"

#include "project/stage_info.h"
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
    // Gap: the chara's own flows are built here (cChara::BuildFlows, mode 0,
    // -1) once the flows inside a chara exist.
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

// Stand-ins until the stage chara's movement exists.
int cStageChara::MoveX() { return 0; }
int cStageChara::MoveY() { return 0; }
int cStageChara::Update(bool) { return 0; }
void cStageChara::Jump(cCmdRun*) {}
void cStageChara::DrawItemIcon(DDSURFACEDATA*) {}
bool cStageChara::CheckInView(std::vector<char>&) { return false; }
bool cStageChara::CheckActivate(std::vector<char>&) { return false; }
