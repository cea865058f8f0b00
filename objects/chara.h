// The common base of every chara of a stage, the hero and the others: a
// game object with its own copy of the definition it was made from, four
// target slots and a parent with the back-references that keep them
// consistent, flows, HP and SP, nine variables, invincibility, overlay
// animes, a chara effect and two hit boxes.
//
// Links: whoever stores a chara in a target slot or as a parent records a
// back-reference in that chara ({holder, slot 0..3} for a target, {holder,
// 4} for a parent); shots that aim at a chara or that it fired are recorded
// in its shot links. When a chara goes, UnlinkAll clears every pointer to it
// and every record of it, so nothing points at a chara that is gone.
#pragma once
#include <cstdint>

#include "core/containers.h"
#include "core/frame_pattern.h"
#include "flow/flow_run.h"
#include "gfx/dd.h"
#include "objects/effect_state.h"
#include "objects/chip_src.h"
#include "objects/game_obj.h"
#include "project/chara_def.h"

class cChara;
class cCondition;
class cEdMove;
class cFlow;
class cFlowCmd;
class cInputState;
class cItem;
class cKeyCond;
class cPltBlock;
class cShot;

// An HP or SP bar shown for a while after the value changed.
struct GAUGE {
    int32_t timer = 0;   // frames the gauge stays visible
    double changed = 0;  // changed part of the bar in pixels, negative for a loss
    double step = 0;     // what the changed part loses per frame
    int32_t bar = 0;     // the value as a bar width, 0..50
};

// An anime a flow command started, drawn instead of the basic anime.
struct OVERLAYANIME {
    cFramePattern pattern;
    int32_t anime = 0;
    int32_t flag = 0;     // 1 for command animes
    int32_t leadIn = 0;   // frames left of the lead-in
    int32_t hold = 0;
    int32_t flowKey = 0;
    int32_t paused = 0;
};

// {chara, slot}: `chara` holds this chara in target slot 0..3, or has it
// as its parent (slot 4).
struct CHARALINK {
    cChara* chara = nullptr;
    int32_t slot = 0;
};

// {shot, kind}: the shot targets this chara (0), or this chara owns it (4).
struct SHOTLINK {
    cShot* shot = nullptr;
    int32_t kind = 0;
};

constexpr int kTargetSlots = 4;
constexpr int kParentLink = 4;
constexpr int kShotTargetLink = 0;
constexpr int kShotOwnerLink = 4;
constexpr int kCharaVars = 9;
constexpr int kFlowGroupFlags = 27;  // no group, then groups A to Z

// Four doubles: X, Y, right, bottom.
struct Extent {
    double x = 0, y = 0, right = 0, bottom = 0;
};

// Attacker key and frames left of a per-attacker invincibility.
struct InvincibleFrom {
    int32_t attacker = 0;
    int32_t frames = 0;
};

// One pass of loop expansion: the first loop command of the list is
// replaced by its repeated block. False when the list has none.
bool ExpandRepeatCmdOnce(cVector<cFlowCmd>& cmds);
// Every loop command of the list expanded, nested ones too.
void ExpandRepeatCmds(cVector<cFlowCmd>& cmds);

// Sets entry `group` of one of a chara's flow-group flag vectors; no group
// (0) or one outside the vector (a damaged file) sets nothing.
inline void SetGroupFlag(cVector<uint8_t>& flags, int group) {
    if (group > 0 && group < flags.Size()) flags[static_cast<size_t>(group)] = 1;
}

bool IsSameLink(const CHARALINK& a, const CHARALINK& b);
bool IsSameLink(const SHOTLINK& a, const SHOTLINK& b);

// The first chara with object id `id`: the heroes first, then the charas.
cChara* FindCharaById(int id);

// The warp and the position getter take the feet as the chara's Y for
// anchor mode 1, and for mode 2 when walking.
bool UseFootAnchor(int mode, int flying);
// Half blocks to dots.
int HblToDot(int8_t v);
// Ease of stopping in percent as the friction of one sub-step.
double FrictionFromStopRate(int16_t percent);

class cChara : public cGameObj {
public:
    cChara();
    // A chara copied into a container: every member, with the links made
    // consistent (see Assign).
    cChara(const cChara& other);
    cChara& operator=(const cChara& other);
    // Unlinks the chara unless m_bNoUnlink is set.
    ~cChara() override;

    // Slots of the game object that a chara fills.
    void OnScaleChange(int newScale, int oldScale, int flag) override;  // 4
    void SetCenter(int x, int y) override;                              // 7
    int ArriveAt(int x, int y, cCmdRun* run) override;                  // 8
    void SetCenterX(int x) override;                                    // 9
    int ArriveAtX(int x, cCmdRun* run) override;                        // 10
    void SetCenterY(int y) override;                                    // 11
    int ArriveAtY(int y, cCmdRun* run) override;                        // 12

    // Slots 13 to 20.
    // Makes this chara a copy of `other`: everything but m_bNoUnlink,
    // m_nAnimeReqPrio and m_bMoveDisabled. A temporary copy (m_bNoUnlink
    // set) takes the links as they are and leaves every other chara alone.
    // Any other copy owns its links: it lets go of its own links first,
    // nobody refers to the new copy yet, and its targets and parent record
    // it, so whichever of the two goes first, nothing is left pointing at
    // it.
    virtual void Assign(const cChara& other);
    virtual cItem* GetItem() { return nullptr; }
    virtual void CheckBoundsX() {}
    virtual void CheckBoundsY() {}
    // One sub-step of movement; a clamp code.
    virtual int MoveX() { return 0; }
    virtual int MoveY() { return 0; }
    // The per-frame step; 1 when the chara is finished.
    virtual int Update(bool) { return 0; }
    // One sub-step of a jump command.
    virtual void Jump(cCmdRun*) {}

    // The spawn reset: every per-spawn value afresh, and from `def`, when
    // given, the definition, HP and SP.
    void Reset(const cCharaDef* def, double originX, double originY, int16_t copyIndex);
    // Target slot 1 = the hero and the parent, each recorded in the other.
    void InitLinks(cChara* parent);
    // Removes every link between this chara and the others.
    void UnlinkAll();
    // Switches the basic anime set; unless forced, only to another set.
    void SetAnimeSet(int16_t set, bool force);
    // Places the chara on a tile of the stage (margins not counted).
    void SetTilePos(int tileX, int tileY, int flag);
    void SetTileX(int tileX);
    void SetTileY(int tileY, int flag);
    // The body box centred on the 32 x 32 cell, standing on its bottom when
    // bottomAligned.
    void SetBodyBox(int bottomAligned, int w, int h);

    // Drawing (objects/chara_draw.cpp). Draw: the chara at its screen
    // rectangle with its anime frame, chara effect and mark; a vanished or
    // transparent chara only steps its effect.
    void Draw(DDSURFACEDATA* surface, int paused);
    // 1 when a defeated chara's death drawing has ended.
    int DrawDeath(DDSURFACEDATA* surface, int paused);
    // Runs the current effect without drawing; at its end the effect id
    // becomes 0. 1 when it ended.
    int StepEffect(int paused);
    // Advances the basic and overlay animes unless paused; the frame shown.
    int GetAnimeFrame(int paused);
    // The chip offset of the chara's state (chip row, flying, block chara,
    // invincible) and, under the texture device, its flash colour.
    int GetAnimeOffset(CHIPCOLOR& color);
    // The chip into a work surface at (0, 0): at the chara's drawn size, or
    // at its sheet size with the colour record (chara_effects.cpp).
    void DrawChipToWork(DDSURFACEDATA* work, const CHIPSRC& src);
    void DrawChipPlainToWork(DDSURFACEDATA* work, const CHIPSRC& src);
    // The HP or SP bar over the chara while its gauge timer runs.
    void DrawHPGauge(DDSURFACEDATA* surface);
    void DrawSPGauge(DDSURFACEDATA* surface);
    void DrawGauge(DDSURFACEDATA* surface, GAUGE& gauge, int isSP);

    // Conditions and jump maths. On a solid block for the chara's faction,
    // or riding a block chara.
    bool IsOnGround() const;
    // Initial vertical speed (negative: up) whose steps rise by h dots.
    double JumpSpeedFromHeight(double h) const;
    double JumpSpeedFromHbl(int8_t halfBlocks) const;
    // Sub-steps until a jump of speed v reaches its apex.
    int FramesToApex(double v) const;
    // Tenths of a second to the apex of a jump of that many half blocks.
    int JumpTimeFromHbl(int8_t halfBlocks) const;
    // Contacts with the map and the vertical impact (objects/chara_contact.cpp).
    // The four block contacts cleared at the start of a sub-step.
    void ClearBlockContacts();
    // The stage's pull of one sub-step, unless the chara flies, rides, may
    // not move this frame or is thrown upwards.
    void ApplyGravity();
    // Feet on a block: the fall stops one dot above the tile line.
    void OnLand();
    // Head against a block: the rise stops at the next tile line below.
    void OnHitCeiling();
    void StopRiding(int mark);
    // The extent kept for a trial move, and put back.
    void SavePos();
    void RestorePos();
    // The vertical impact step of one sub-step.
    void ApplyImpactY();
    void StopImpactY();
    // Impacts fade by 1 / sub-steps a sub-step, never past 0.
    void DecayImpactX();
    void DecayImpactY();

    // Helpers of the movement commands (objects/chara_move.cpp).
    void ResolveMoveAngle(cCmdRun& run);
    void ResolveMoveDest(cCmdRun& run);
    int ResolveMoveDir(int code, int fromInputNow, int tableRule, int keepDiagonals);
    void DirVelocity(double& vx, double& vy, int& face, double speed, int code);
    void AngleVelocity(double& vx, double& vy, int& face, double speed, int code, int angle);
    void DestVelocity(double& vx, double& vy, int& face, double speed, int destX, int destY, const cEdMove& move,
                      cCmdRun& run);
    void GroundTurnCheck(cCmdRun& run, const cEdMove& move);
    void MoveToTargetPoint(cCmdRun& run, const cEdMove& move, cChara* target, double x, double y);
    void AvoidScreenOutCheck(cCmdRun& run, const cEdMove& move);
    void ApplyMoveVelocity(double vx, double vy, int face, cCmdRun& run, const cEdMove& move, int forceFace);

    // The chara's side of the conditions (objects/chara_conditions.cpp):
    // status condition 2 (kind 5), status condition 3 (kind 6) and distance
    // (kind 7).
    bool EvalStatusCondition2(const cCondition& cond);
    bool EvalStatusCondition3(const cCondition& cond);
    bool EvalDistanceCondition(const cCondition& cond);
    // The range of a distance condition as lines or a circle for the game
    // maker; `counter` 0..31 cycles its colour. False when not drawn.
    bool DrawDistanceRange(DDSURFACEDATA* surface, const cCondition& cond, int counter);

    // Fills target slot 0..3 and keeps the back-references; a null target
    // empties the slot only when `clearWhenNone`.
    void SetTarget(int slot, cChara* target, int clearWhenNone);
    // Flow triggers: starts the chara's flows of trigger `kind`, with the
    // other chara of a hit and its group.
    void RaiseEvent(int8_t kind, cChara* other = nullptr, int8_t group = 0);
    // The once-a-frame latches of the triggers, open again.
    void ResetEventLatches();
    // Damage, HP and SP, invincibility and impact
    // (objects/chara_damage.cpp). HP moves by `delta` within 0..maximum
    // HP; unless forced, an invincible definition loses none. 1 when HP has
    // reached 0 (then no gauge is shown).
    int AddHP(int delta, int force, int showGauge);
    void AddSP(int delta, int showGauge);
    // The bar shown for 120 frames after a change of HP or SP.
    void StartHPGauge(int delta);
    void StartSPGauge(int delta);
    // Invincible for the stage's time after a hit; and besides against
    // the attacker with key `attacker` for the same-attacker time.
    void StartInvincible();
    void StartInvincibleFrom(int attacker);
    // Invincibility counts down one sub-step.
    void TickInvincible();
    bool IsInvincible() const { return m_nInvincible > 0; }
    bool IsInvincibleTo(int attacker) const;
    // A body attack of `attacker` or a hit of `shot` on this chara: the
    // damage shown and the impact applied come back through the two
    // outputs; the AddHP result.
    int TakeBodyDamage(cChara& attacker, int& damage, int& impact);
    int TakeShotDamage(cShot& shot, int& damage, int& impact);
    // The hit triggers of both sides after such a hit.
    void RaiseBodyHitEvents(cChara& attacker, int damage, int impact);
    void RaiseShotHitEvents(cShot& shot, int damage, int impact);
    // Knock-back of `impact` in direction (dirX, dirY) after the chara's
    // resistance; `applied` is written unless the impact is 0.
    void ApplyImpact(int8_t impact, double dirX, double dirY, int& applied);
    void TakeBodyImpact(cChara& attacker, int& applied);
    void TakeShotImpact(cShot& shot, int& applied);
    // Defeat: 1 when it ends the stage with a clear (the chara then stays
    // as it was), else 0 and the chara is in its death state.
    int Die();
    // The single-entry key test at the present moment.
    static bool EvalKeyCondition(const cInputState& input, const cKeyCond& key);

    // Flows inside the chara (objects/chara_flows.cpp). Builds the running
    // instances of `flows`, loops expanded: mode 0 for the chara's own
    // list (every instance afresh), mode 1 inserts the flows into the
    // chara's list before position `index` (appended when -1 or past the
    // end). The number of flows given.
    int BuildFlows(cVector<cFlow>& flows, int changeMode, int index);
    // The flow instances re-pointed at this chara's definition.
    void SetFlowRuns(const cVector<cFlowRun>& runs);
    void LinkFlowRuns();
    // Stops flow i and takes it out with its overlay animes.
    void RemoveFlow(int i);
    // Takes out the flows of flow group 1..26, or all flows for group 0;
    // the position of the first flow taken out, -1 when none was.
    int RemoveFlows(int8_t group);
    // Overlay animes a flow started, by its flow key; or by anime number.
    void RemoveFlowAnimes(int flowKey);
    void RemoveOverlayAnime(int anime);
    void PauseFlowAnimes(int flowKey);
    void ResumeFlowAnimes(int flowKey);
    // The key part of a flow's start test (objects/chara_keys.cpp).
    bool EvalFlowKeys(cFlowRun& run);
    // Parts of the per-sub-step update the hero and the other charas share
    // (objects/chara_update.cpp). The flow loop: every running flow steps
    // once; 1 when the update must end at once (a remove request when
    // `testRemoveReq`, or HP gone outside the death flows).
    int StepFlowRuns(bool deathFlowsOnly, bool testRemoveReq);
    // The basic anime after the flows: a requested one, else standing or
    // floating unless an inertial speed keeps the current one.
    void ChooseBasicAnime();
    // Per update: starts the command animes that are due.
    void StartFlowAnimes();
    // After the flow loop of an update: the requested flow removals, then
    // the group flags of flows that ended are cleared.
    void FinishFlowUpdate();

    int32_t m_bNoUnlink = 0;
    cVector<cChara*> m_Targets;     // slots 1 to 4 at index 0 to 3
    cChara* m_pParent = nullptr;    // the chara that summoned this one
    cVector<CHARALINK> m_BackRefs;
    cVector<SHOTLINK> m_ShotLinks;
    int32_t m_bCreditParent = 0;    // body hits are reported to the parent
    int8_t m_nParentGroup = 0;      // flow group of those reports
    cCharaDef m_Def;
    int32_t m_nNextFlowKey = 0;
    cVector<cFlowRun> m_FlowRuns;
    cVector<uint8_t> m_GroupBusy;
    cVector<uint8_t> m_GroupEnded;
    cVector<uint8_t> m_GroupStarted;
    int32_t m_bGroupChanged = 0;
    int32_t m_bFlowRemoveReq = 0;
    double m_dOriginX = 0, m_dOriginY = 0;
    int32_t m_bAnimeReq = 0, m_nAnimeReq = 0, m_nAnimeReqPrio = 0;
    double m_dImpactX = 0, m_dImpactY = 0;
    int32_t m_bImpacted = 0;
    double m_dPrevImpactY = 0;
    int32_t m_bMoveDisabled = 0;
    int32_t m_nWallSide = 0;        // -1 none, 0 left, 1 right
    int32_t m_bAirborne = 0;
    int32_t m_bJumped = 0, m_bJumpRising = 0;
    int32_t m_bHeadBlocked = 0;
    int32_t m_nAirSteps = 0;
    cPltBlock* m_pFootBlock = nullptr;
    cPltBlock* m_pLastFootBlock = nullptr;
    cPltBlock* m_pPrevFootBlock = nullptr;
    int32_t m_nTypeChangeWait = 0;
    int32_t m_bFixedX = 0, m_bFixedY = 0;
    int32_t m_nFixedX = 0, m_nFixedY = 0;
    int32_t m_bDefeated = 0;
    int32_t m_nDeathWait = 0;
    int32_t m_bHitLeft = 0, m_bHitRight = 0, m_bHitAbove = 0, m_bHitBelow = 0;
    int32_t m_bLeftRide = 0;
    int32_t m_bRiding = 0;
    int32_t m_nRiddenId = 0;
    Extent m_RiddenExtent;
    Extent m_SavedPos;
    int32_t m_nHP = 0;
    GAUGE m_HPGauge;
    int32_t m_nSP = 0;
    GAUGE m_SPGauge;
    cVector<int32_t> m_Vars;
    int32_t m_nInvincible = 0;
    cList<InvincibleFrom> m_InvincibleFrom;
    cList<OVERLAYANIME> m_OverlayAnimes;
    cCharaEffectState m_Effect;
    int32_t m_bRemoveReq = 0;
    // Taken out of the stage while the play step walks the charas: unlinked
    // and out of its group already, erased once the current chara's step is
    // done. Never copied.
    int32_t m_bRemoved = 0;
    int32_t m_bActing = 0;          // set on the hero by the activity rules
    int32_t m_nSight = 0;           // dots
    int32_t m_bVanished = 0;
    HITBOX m_BodyBox;               // against charas
    HITBOX m_ShotBox;               // against shots

private:
    // Takes every member of `other` but the three Assign leaves.
    void CopyMembers(const cChara& other);
    // Records this chara with its targets and parent.
    void RegisterLinks();
};
