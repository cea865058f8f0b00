#include "objects/chara.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/report_log.h"
#include "objects/shot.h"
#include "project/anime.h"
#include "project/database.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

void AddLinkOnce(cVector<CHARALINK>& links, const CHARALINK& link) {
    for (const CHARALINK& l : links)
        if (IsSameLink(l, link)) return;
    links.push_back(link);
}

void RemoveLink(cVector<CHARALINK>& links, const CHARALINK& link) {
    std::erase_if(links, [&](const CHARALINK& l) { return IsSameLink(l, link); });
}

}  // namespace

bool IsSameLink(const CHARALINK& a, const CHARALINK& b) { return a.chara == b.chara && a.slot == b.slot; }
bool IsSameLink(const SHOTLINK& a, const SHOTLINK& b) { return a.shot == b.shot && a.kind == b.kind; }

cChara* FindCharaById(int id) {
    for (cHero& hero : g_Heroes)
        if (hero.m_nId == id) return &hero;
    for (cStageChara& chara : g_Charas)
        if (chara.m_nId == id) return &chara;
    return nullptr;
}

bool UseFootAnchor(int mode, int flying) { return mode == 1 || (mode == 2 && !flying); }

int HblToDot(int8_t v) { return v * 16; }

double FrictionFromStopRate(int16_t percent) { return percent * 0.01 / g_Stage.m_dSubStepsSq; }

// ---------------------------------------------------------------------------
// Life of a chara

cChara::cChara() { m_Effect.Clear(); }

cChara::cChara(const cChara& other) : cGameObj(other) {
    CopyMembers(other);
    m_nAnimeReqPrio = other.m_nAnimeReqPrio;
    m_bMoveDisabled = other.m_bMoveDisabled;
    m_BackRefs.clear();
    m_ShotLinks.clear();
    RegisterLinks();
}

cChara& cChara::operator=(const cChara& other) {
    cChara::Assign(other);
    return *this;
}

cChara::~cChara() {
    if (!m_bNoUnlink) UnlinkAll();
}

void cChara::Assign(const cChara& other) {
    if (this == &other) return;
    const bool ownsLinks = m_bNoUnlink == 0;
    if (ownsLinks) UnlinkAll();
    cGameObj::CopyFrom(other);
    CopyMembers(other);
    if (ownsLinks) {
        m_BackRefs.clear();
        m_ShotLinks.clear();
        RegisterLinks();
    }
}

void cChara::CopyMembers(const cChara& o) {
    m_Targets = o.m_Targets;
    m_pParent = o.m_pParent;
    m_BackRefs = o.m_BackRefs;
    m_ShotLinks = o.m_ShotLinks;
    m_bCreditParent = o.m_bCreditParent;
    m_nParentGroup = o.m_nParentGroup;
    m_Def = o.m_Def;
    m_nNextFlowKey = o.m_nNextFlowKey;
    SetFlowRuns(o.m_FlowRuns);
    m_GroupBusy = o.m_GroupBusy;
    m_GroupEnded = o.m_GroupEnded;
    m_GroupStarted = o.m_GroupStarted;
    m_bGroupChanged = o.m_bGroupChanged;
    m_bFlowRemoveReq = o.m_bFlowRemoveReq;
    m_dOriginX = o.m_dOriginX;
    m_dOriginY = o.m_dOriginY;
    m_bAnimeReq = o.m_bAnimeReq;
    m_nAnimeReq = o.m_nAnimeReq;
    m_dImpactX = o.m_dImpactX;
    m_dImpactY = o.m_dImpactY;
    m_bImpacted = o.m_bImpacted;
    m_dPrevImpactY = o.m_dPrevImpactY;
    m_nWallSide = o.m_nWallSide;
    m_bAirborne = o.m_bAirborne;
    m_bJumped = o.m_bJumped;
    m_bJumpRising = o.m_bJumpRising;
    m_bHeadBlocked = o.m_bHeadBlocked;
    m_nAirSteps = o.m_nAirSteps;
    m_pFootBlock = o.m_pFootBlock;
    m_pLastFootBlock = o.m_pLastFootBlock;
    m_pPrevFootBlock = o.m_pPrevFootBlock;
    m_nTypeChangeWait = o.m_nTypeChangeWait;
    m_bFixedX = o.m_bFixedX;
    m_bFixedY = o.m_bFixedY;
    m_nFixedX = o.m_nFixedX;
    m_nFixedY = o.m_nFixedY;
    m_bDefeated = o.m_bDefeated;
    m_nDeathWait = o.m_nDeathWait;
    m_bHitLeft = o.m_bHitLeft;
    m_bHitRight = o.m_bHitRight;
    m_bHitAbove = o.m_bHitAbove;
    m_bHitBelow = o.m_bHitBelow;
    m_bLeftRide = o.m_bLeftRide;
    m_bRiding = o.m_bRiding;
    m_nRiddenId = o.m_nRiddenId;
    m_RiddenExtent = o.m_RiddenExtent;
    m_SavedPos = o.m_SavedPos;
    m_nHP = o.m_nHP;
    m_HPGauge = o.m_HPGauge;
    m_nSP = o.m_nSP;
    m_SPGauge = o.m_SPGauge;
    m_Vars = o.m_Vars;
    m_nInvincible = o.m_nInvincible;
    m_InvincibleFrom = o.m_InvincibleFrom;
    m_OverlayAnimes = o.m_OverlayAnimes;
    m_Effect = o.m_Effect;
    m_bRemoveReq = o.m_bRemoveReq;
    m_bActing = o.m_bActing;
    m_nSight = o.m_nSight;
    m_bVanished = o.m_bVanished;
    m_BodyBox = o.m_BodyBox;
    m_ShotBox = o.m_ShotBox;
}

void cChara::Reset(const cCharaDef* def, double originX, double originY, int16_t copyIndex) {
    m_sSpawnIndex = copyIndex;

    // The caller has unlinked the chara before, or it is new.
    m_BackRefs.clear();
    m_ShotLinks.clear();
    m_Targets.assign(kTargetSlots, nullptr);
    m_pParent = nullptr;
    m_nNextFlowKey = 0;

    m_GroupBusy.assign(kFlowGroupFlags, 0);
    m_GroupEnded.assign(kFlowGroupFlags, 0);
    m_GroupStarted.assign(kFlowGroupFlags, 0);

    m_bGroupChanged = m_bFlowRemoveReq = 0;
    m_dOriginX = originX;
    m_dOriginY = originY;

    m_dImpactX = m_dImpactY = 0;
    m_bImpacted = 0;
    m_dPrevImpactY = 0;
    m_bMoveDisabled = 0;
    m_bJumped = m_bJumpRising = m_bHeadBlocked = 0;
    m_nAirSteps = 0;
    m_pFootBlock = m_pLastFootBlock = m_pPrevFootBlock = nullptr;
    m_nTypeChangeWait = 0;
    m_bFixedX = m_bFixedY = m_nFixedX = m_nFixedY = 0;
    m_bDefeated = m_nDeathWait = 0;
    m_bHitLeft = m_bHitRight = m_bHitAbove = m_bHitBelow = 0;
    m_bLeftRide = m_bRiding = m_nRiddenId = 0;
    m_nHP = m_nSP = 0;
    m_HPGauge = GAUGE();
    m_SPGauge = GAUGE();
    m_nWallSide = -1;
    m_bAirborne = 1;

    m_Vars.assign(kCharaVars, 0);

    if (def) {
        m_Def = *def;
        m_nHP = m_Def.m_nMaxHP;
        m_nSP = m_Def.m_nMaxSP;
    }

    m_bRemoveReq = m_bVanished = 0;
    m_bFollowScroll = m_Def.m_cScrollSync;
    m_nSight = HblToDot(m_Def.m_cSightRange);
    m_dFriction = FrictionFromStopRate(m_Def.m_sStopEase);

    m_Effect.Clear();
    if (m_Def.m_sStartEffect != 0)
        m_Effect.Start(m_Def.m_sStartEffect, m_Def.m_cStartEffectMode, m_Def.m_cStartEffectLoop);

    m_nInvincible = 0;
    m_InvincibleFrom.clear();

    SetAnimeSet(m_Def.m_sAnimeSet, true);

    m_OverlayAnimes.clear();
    m_bCreditParent = 0;
    m_nParentGroup = 0;
}

// ---------------------------------------------------------------------------
// Links

void cChara::InitLinks(cChara* parent) {
    if (m_Targets.Size() != kTargetSlots) m_Targets.resize(kTargetSlots, nullptr);
    cChara* hero = g_Heroes.empty() ? nullptr : &g_Heroes[0];
    // A slot that held another chara lets go of it first, so no record of
    // this chara outlives the link.
    cChara*& tg1 = m_Targets[0];
    if (tg1 && tg1 != hero) RemoveLink(tg1->m_BackRefs, {this, 0});
    tg1 = hero;
    if (hero) AddLinkOnce(hero->m_BackRefs, {this, 0});

    if (m_pParent && m_pParent != parent) RemoveLink(m_pParent->m_BackRefs, {this, kParentLink});
    m_pParent = parent;
    if (parent) AddLinkOnce(parent->m_BackRefs, {this, kParentLink});
}

void cChara::SetTarget(int slot, cChara* target, int clearWhenNone) {
    if (slot < 0 || slot >= m_Targets.Size()) {
        WriteReport("target slot %d does not exist: the target is not changed", slot);
        return;
    }
    if (!target && !clearWhenNone) return;
    cChara*& held = m_Targets[static_cast<size_t>(slot)];
    if (held) RemoveLink(held->m_BackRefs, {this, slot});
    held = target;
    if (target) AddLinkOnce(target->m_BackRefs, {this, slot});
}

void cChara::RegisterLinks() {
    for (int j = 0; j < m_Targets.Size(); ++j)
        if (cChara* target = m_Targets[static_cast<size_t>(j)]) AddLinkOnce(target->m_BackRefs, {this, j});
    if (m_pParent) AddLinkOnce(m_pParent->m_BackRefs, {this, kParentLink});
}

void cChara::UnlinkAll() {
    // A back-reference clears only a slot that still holds this chara: the
    // holder may have taken another chara since.
    for (const CHARALINK& link : m_BackRefs) {
        cChara* holder = link.chara;
        if (!holder) continue;
        if (link.slot >= 0 && link.slot < holder->m_Targets.Size()) {
            cChara*& slot = holder->m_Targets[static_cast<size_t>(link.slot)];
            if (slot == this) slot = nullptr;
        } else if (link.slot == kParentLink && holder->m_pParent == this) {
            holder->m_pParent = nullptr;
        }
    }
    m_BackRefs.clear();

    for (int j = 0; j < m_Targets.Size(); ++j) {
        cChara*& target = m_Targets[static_cast<size_t>(j)];
        if (!target) continue;
        RemoveLink(target->m_BackRefs, {this, j});
        target = nullptr;
    }

    if (m_pParent) {
        RemoveLink(m_pParent->m_BackRefs, {this, kParentLink});
        m_pParent = nullptr;
    }

    for (const SHOTLINK& link : m_ShotLinks) {
        if (!link.shot) continue;
        if (link.kind == kShotTargetLink && link.shot->m_pTarget == this) link.shot->m_pTarget = nullptr;
        if (link.kind == kShotOwnerLink && link.shot->m_pOwner == this) link.shot->m_pOwner = nullptr;
    }
    m_ShotLinks.clear();
}

// ---------------------------------------------------------------------------
// Anime, placement and scale

void cChara::SetAnimeSet(int16_t set, bool force) {
    if (!force && set == m_Def.m_sAnimeSet) return;
    m_Def.m_sAnimeSet = set;
    m_Anime.Clear();
    const cAnimeSetData& data = g_Database.m_vAnimeSet.At(set);
    // One pattern per anime of the set: a step per frame, then a restart.
    // A set a file holds may lack some basic actions; each missing one plays
    // the set's first anime (reported once here) instead of leaving a
    // pattern number that the basic anime would select but not find.
    const int count = std::max<int>(data.m_vAnime.Size(), kBasicAnimeCount);
    cVector<cVector<FRAMEPAT>> patterns(static_cast<size_t>(count));
    for (size_t i = 0; i < patterns.size(); ++i) {
        cVector<FRAMEPAT>& steps = patterns[i];
        for (const cAnimeFrameData& frame : data.BasicAnime(static_cast<int>(i)).m_vFrame)
            steps.push_back({ChipFrame(frame.m_nChip), TenthsToTicks(frame.m_nTime), 1});
        steps.push_back({kPatRepeat, 0, 1});
    }
    m_Anime.Load(std::move(patterns));
}

void cChara::SetTilePos(int tileX, int tileY, int flag) {
    SetTileX(tileX);
    SetTileY(tileY, flag);
}

void cChara::SetTileX(int tileX) {
    m_dX = (tileX + g_pGameScene->m_ScrollX.m_nMargin) * 32 + m_nBaseOffsetX + 0.5;
    RecenterXForScale(m_Def.m_cGiantScale, 1);
    CheckBoundsX();
}

void cChara::SetTileY(int tileY, int flag) {
    m_dY = (tileY + g_pGameScene->m_ScrollY.m_nMargin) * 32 + m_nBaseOffsetY;
    OnScaleChange(m_Def.m_cGiantScale, 1, flag);
    CheckBoundsY();
}

void cChara::OnScaleChange(int newScale, int oldScale, int flag) {
    newScale = ValidScale(newScale);
    oldScale = ValidScale(oldScale);
    if (newScale == oldScale) return;
    const int d = newScale - oldScale;
    // The feet stay where they were: by the sprite's bottom, or under older
    // projects by the body's height.
    const bool bySprite = g_SystemData.m_nValue[kSysSwitch831] == 0 ? flag != 0
                                                                     : g_SystemData.m_nValue[kSysSwitch261] == 0;
    if (bySprite)
        m_dY = m_dY - d * m_nBaseSpriteH + d * m_nBaseOffsetY;
    else
        m_dY = m_dY - d * m_nBaseHeight;
    CheckBoundsY();
}

void cChara::SetBodyBox(int bottomAligned, int w, int h) {
    HITBOX& box = m_BodyBox;
    box.offsetX = box.baseOffsetX = 16 - m_nOffsetX - (w >> 1);
    box.offsetY = box.baseOffsetY = bottomAligned ? 32 - m_nOffsetY - h : 16 - m_nOffsetY - (h >> 1);
    box.width = box.baseWidth = w;
    box.height = box.baseHeight = h;
}

// ---------------------------------------------------------------------------
// Centre and arrival

void cChara::SetCenter(int x, int y) {
    SetCenterX(x);
    SetCenterY(y);
}

void cChara::SetCenterX(int x) {
    const int c = m_nScreenL + (m_nSpriteW >> 1);
    m_dX += x - c;
    CheckBoundsX();
}

void cChara::SetCenterY(int y) {
    const int c = m_nScreenT + (m_nSpriteH >> 1);
    m_dY += y - c;
    CheckBoundsY();
}

namespace {
void StopRun(cCmdRun* run) {
    if (run) run->m_dVX = run->m_dVY = 0;
}
}  // namespace

int cChara::ArriveAt(int x, int y, cCmdRun* run) {
    SetCenter(x, y);
    StopRun(run);
    return 1;
}

int cChara::ArriveAtX(int x, cCmdRun* run) {
    SetCenterX(x);
    StopRun(run);
    return 1;
}

int cChara::ArriveAtY(int y, cCmdRun* run) {
    SetCenterY(y);
    StopRun(run);
    return 1;
}
