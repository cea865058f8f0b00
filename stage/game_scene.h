// The stage play scene: one instance while a stage is played, reached by
// every game object and flow command through g_pGameScene. It owns the
// per-stage lists (shots, messages, effects, pictures), the two camera
// axes, the flow execution context, the stage-end request, the time limit
// and play time, the stage variables and the ranking results of a clear.
// The hero, the charas and the items live in program-wide containers that
// SetStage refills (stage/stage_setup.h).
#pragma once
#include <atomic>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "core/containers.h"
#include "frontend/scene_mgr.h"
#include "objects/effect_obj.h"
#include "objects/effect_state.h"
#include "objects/shot.h"
#include "project/system_data.h"
#include "stage/message_win.h"

class cChara;
class cCharaDef;
class cCondition;
class cInputState;
class cCmdRun;
class cEdShot;
class cFlowRun;
class cHero;
class cItem;
class cPltBlock;
class cPltItem;
class cPlayData;
class cStageChara;
struct Extent;

// The camera of one axis, with the limits of the view, the stage and the
// map along it.
class cScrollAxis {
public:
    double m_dPos = 0;       // first visible dot
    int m_bAtLimit = 0;      // the last clamp stopped the camera at a limit
    int m_nAxis = 0;         // 0 horizontal, 1 vertical
    int m_nView = 0;         // 640 or 480
    int m_nLow = 0;          // scroll limits: the camera shows [low, high)
    int m_nHigh = 0;
    int m_nBaseLow = 0;      // the stage without its margin
    int m_nBaseHigh = 0;
    int m_nMargin = 0;       // tiles around the stage
    int m_nRange = 0;        // the map runs from 0 to this
    int m_nCells = 0;        // map cells along the axis
    int m_nPitch = 0;        // X: row pitch of the grid; Y: cells
    int m_nShift = 0;        // X: log2 of the pitch; Y: 0
    double m_dAutoSpeed = 0; // per sub-step
    int m_bAuto = 0;

    // The axis moves by itself: it has a speed and is not held at a limit.
    bool AutoScrolls() const { return m_dAutoSpeed != 0 && !m_bAtLimit; }

    // Keeps the camera inside [low, high - view]; a stage narrower than the
    // view puts it at low.
    void Clamp();
    // One sub-step of auto-scroll, then Clamp.
    void Step();
    // `speed` in tenths of a dot per frame.
    void SetAutoScroll(int on, int speed);
    // Scroll limits from the tiles a and b when their switches are on, else
    // the stage's own limits.
    void SetRange(int a, int b, int useLow, int useHigh);
};

// The tint of the screen-colour command.
class cScreenColor {
public:
    int32_t m_bTinted = 0;    // palette path: a colour is applied
    uint8_t m_ucRed = 0, m_ucGreen = 0, m_ucBlue = 0;
    int32_t m_nStrength = 0;  // percent
    int32_t m_bReturn = 0;
    int32_t m_nDuration = 0;  // frames
    int32_t m_bFlash = 0;
    int32_t m_nFlashCount = 0;
    int32_t m_bActive = 0;
    int32_t m_nFrame = 0;
    int32_t m_nFlashDone = 0;
    int32_t m_nWeight = 255;  // weight of the picture under the tint; 255 untinted
    // The state a return goes back to.
    uint8_t m_ucPrevRed = 0, m_ucPrevGreen = 0, m_ucPrevBlue = 0;
    int32_t m_nPrevStrength = 0;
    int32_t m_nPrevWeight = 0;

    // Everything 0 but the weight, 255.
    void Clear() { *this = cScreenColor(); }
    // The command's eight parameters: red, green, blue, strength %,
    // return flag, duration in tenths of a second, flash flag, flash count.
    void Set(const int32_t* p);
};

// The end condition of a modal wait.
class cPauseWait {
public:
    int32_t m_nMode = 0;
    int32_t m_nCountdown = 0;
    int32_t m_bWaitKey = 0;
    int32_t m_nTime = 0;
    int32_t m_nReserved = 0;

    // The countdown of 10 frames before the key counts is only for a
    // message waiting for the key that does not continue a chained one.
    void Set(int mode, int waitForKey, int time, int noDelay);
};

// The time limit's counter shows three digits of seconds.
constexpr int kMaxTimeLimit = 999;

// {x, y, 0, 0}: where the pause menu, the continue menu and the ranking
// table stand.
struct MenuPos {
    int x, y, a, b;
};
extern MenuPos g_MenuPos[3];

class cGameScene : public cScene {
public:
    // States, in the order of the state table.
    enum : int {
        kStateFadeIn = 0,
        kStateStart = 1,
        kStatePlay = 2,
        kStatePause = 3,
        kStateStageEnd = 4,
        kStateContinue = 5,
        kStateGameOver = 6,
        kStateLeave = 7,
    };

    cGameScene();
    ~cGameScene() override;

    void Frame() override;
    void Enter() override;
    void FadeIn() override;
    void Leave() override;
    void StateStart();
    void StatePlay();
    void StatePause();
    void StateStageEnd();
    void StateContinue();
    void StateGameOver();
    // One frame of the pause or continue menu's cursor: on the menu's first
    // frame the cursor goes to `firstRow`; the player's input filtered for
    // menus moves it over `rows` rows of the window at `x` (stored in `pos`)
    // with the cursor sound. The input, for the decision.
    const cInputState& MenuFrame(MenuPos& pos, int x, int rows, int firstRow);

    // One frame of the stage into the back buffer. The play step passes
    // (1, 0, 1, 1), the others (0, 1, 0, 1); frozen keeps animations still.
    void Draw(int fromPlay, int frozen, int fromPlay2, int caption);
    // Draws the hero and ends its death sequence (which may set the stage
    // up again).
    void DrawHero(int frozen);
    // Takes one life of `play`; 0 when none is left.
    int UseLife(cPlayData& play);
    // The per-play reset at the first stage of a play.
    void ResetStageCounters();

    // Set-up and spawning (stage/stage_setup.cpp).
    void SetStage(int bLoadStage, int restartBgm);
    void PlaceChara(cList<cStageChara>& list, int tileX, int tileY, int& id, cCharaDef& def, cItem* item);
    void PlaceItem(cList<cItem>& list, int tileX, int tileY, int& id, cPltItem& def);
    void SpawnChara(cList<cStageChara>& list, double x, double y, uint8_t faction, uint8_t facing, int ignored,
                    cEdShot& params, cCharaDef& def, int& id, cChara* parent);
    int SpawnBlock(double x, double y, int ignored, cEdShot& params, cPltBlock& block);
    int CheckBlockCrush(int cell, int tileX, int tileY, cEdShot& params);

    // Stage resources (stage/stage_resources.cpp).
    void LoadCharaExcBitmaps();
    void LoadSwords();
    void LoadEffects();
    void BuildShotChipSheets();
    void ClearPictures();
    void ClearMessageSurfaces();

    // Drawing passes (stage/stage_draw.cpp).
    void ScrollBackgrounds();
    int DrawBackgrounds(DDSURFACEDATA* target, int layer);
    void DrawBlockMap(DDSURFACEDATA* target, int layer);
    void DrawPictures(DDSURFACEDATA* target, int layer, int frozen);
    void DrawStatusBar(DDSURFACEDATA* target);
    void DrawTimeLimit(DDSURFACEDATA* target, int fromPlay);
    void DrawScreenColor(int frozen);

    // The play step (stage/play_step.cpp). The pause key: 1 when the pause
    // opens.
    int CheckPauseKey();
    // Play time in hundredths of a second at 60 frames a second.
    void CountPlayTime();
    // Every 60th call moves the time limit by `step` seconds; 1 when it ran
    // out.
    int CountTimeLimit(int step);
    // Activity of every object for this sub-step.
    void UpdateActivity();
    // The ground effects of the block under the hero, and item blocks:
    // 0 go on, 1 stage clear, 2 hero death.
    int BlockUnderHero(cHero& hero);
    int ItemBlocks(cHero& hero);
    // Removes a chara. While the play step walks the charas it is only
    // unlinked, taken out of its group and marked; the walk skips it and
    // SweepRemovedCharas erases it after the current chara's step.
    void RemoveChara(cStageChara* chara);
    void SweepRemovedCharas();

    // Condition lists (stage/conditions.cpp): 1 when the appearance (or
    // start) conditions of a map cell or placed block, a chara, an item or
    // a flow hold; a list that holds sets its owner's latch, which keeps it
    // holding when the list's once switch is on.
    int CheckBlockConditions(cPltBlock& block);
    int CheckCharaConditions(cStageChara& chara);
    int CheckItemConditions(cItem& item);
    int CheckFlowConditions(cFlowRun& run, cChara& chara);
    // Mode 0: every condition holds (an empty list too); mode 1: at least
    // one (an empty list fails); other modes fail.
    int EvalConditionList(const cVector<cCondition>& list, int mode, cChara* chara);
    int EvalCondition(const cCondition& cond, cChara* chara);

    // Collision with the map (stage/map_collision.cpp). Tests answer 0
    // (the chara stays, maybe pushed back) or 2 (it must die).
    int RectToMapIndex(const cChara& chara, double x1, double y1, double x2, double y2);
    int FindLandingCell(const cChara& chara);
    int CornerToMapIndex(int colL, int rowT, int colR, int rowB, int faction);
    // The hit kind of map cell `cell` for `faction`.
    int CellHitKind(int cell, int faction);
    int HitMapLeft(cChara& chara);
    int HitMapRight(cChara& chara);
    int HitMapFloor(cChara& chara);
    int HitMapCeiling(cChara& chara);
    int HitMapX(cChara& chara);
    int HitMapY(cChara& chara);
    int HitMapWalls(cChara& chara);
    int HitMapFloorCeiling(cChara& chara);
    void KeepHeroInScreenX(cHero& hero);
    int KeepHeroInScreenY(cHero& hero);
    void PressToGround(cChara& chara);
    // 1 when the chara cannot stand where it is: a corner cell stops it, or
    // it overlaps a solid chara.
    int IsPlaceBlocked(cChara& chara);

    // Hits, deaths and items (stage/hit_resolution.cpp). The outcome of a
    // chara's defeat outside the hit resolution: 0 go on, 1 stage clear,
    // 2 hero death (both already handled).
    int ApplyDefeatOutcome(cStageChara& chara);
    // 2 for the hero, 0 for a chara already defeated, else its Die.
    int DefeatOutcome(cChara& victim);
    // Charas whose HP is gone or who were asked to vanish: 1 when the
    // frame's play must stop.
    int CheckHpDeaths();
    // Attacks, and the items the hero touches: 0, 1 stage clear, 2 hero
    // death.
    int ResolveAttackHits();
    int PickUpItems(cHero& hero);

    // Stage end (stage/stage_end.cpp): the tally, the ranking places, the
    // next scene (0 title, 1 world map, 3 stage select, 4 stage play), the
    // name of stage `number` of the series (1 with a file found), whether
    // stage `number` is past the series' end, and the ranking entry.
    void EndStage();
    void TallyScore();
    int DecideAfterStage();
    int MakeNextStageName(std::string& out, int number);
    int IsLastStage(int number);
    void RegisterRanking();
    // The play mode records ranking type `type` (its rankings on and that
    // type's switch on) and the stage takes part in it.
    static bool RanksType(int type);

    // Takes a window out of m_lMessages with its surface, when it is still
    // there (a window may have ended itself meanwhile).
    void EraseMessage(const cMessageWin* window);

    // Modal waits (stage/modal_wait.cpp): the game thread holds while the
    // wait of m_PauseWait runs on thPause and draws the scene; 0 when none
    // ran (the window is closing, or the thread could not start).
    int RunPauseWait();

    // Rules of later parts of stage play, doing nothing until they exist.
    void RunScreenEffect(int frozen);

    // Charas against solid charas (stage/solid_charas.cpp). A solid chara is
    // a block chara of the chara list that is active and not defeated, other
    // than the chara resolved (by id). MoveHero resolves any chara, the hero
    // included, after its move in a sub-step: pushes, landing and riding,
    // head bumps; 2 when it is crushed or dies on a solid chara.
    int MoveHero(cChara& chara);
    // Before a rider moves: its platform's movement since it was last seen
    // joins the rider's speeds.
    void CarryRider(cChara& chara);
    // A flyer pushed out along one axis only: vertical, above and below;
    // else left and right.
    void RepushOtherAxis(cChara& chara, int vertical);
    // 1 when the chara's extent meets a solid chara other than `excludedId`.
    int IsSolidCharaOverlap(cChara& chara, int excludedId);
    // 1 when the chara's extent meets a solid chara.
    int OverlapsBlockChara(cChara& chara);
    // 1 when the ridden chara still meets the strip of 5 dots under the feet.
    int IsOnRiddenChara(cChara& chara);
    // The first solid chara meeting that strip, or null.
    cStageChara* FindSupportChara(cChara& chara);
    // 1 when each corner of the chara, at its place now or at `saved`, lies
    // inside a solid chara.
    int IsEmbeddedInSolidCharas(cChara& chara, const Extent& saved);

    int m_nSavedState = 0;
    int m_nSavedSubState = 0;
    int m_nStageEnd = 0;  // 0 none, 1 stage clear, 2 hero death
    cScrollAxis m_ScrollX;
    cScrollAxis m_ScrollY;
    std::list<cShot> m_lShots;
    std::vector<std::list<cChara*>> m_vCharaGroups = std::vector<std::list<cChara*>>(8);
    std::vector<std::list<cShot*>> m_vShotGroups = std::vector<std::list<cShot*>>(8);
    std::list<cMessageWin> m_lMessages;
    std::list<cEffectObj> m_lEffects;
    std::list<cPicture> m_lPictures;
    cScreenEffectState m_ScrEffect;
    cScreenColor m_ScreenColor;
    cPauseWait m_PauseWait;
    // Set by the window's thread when it closes during a modal wait.
    std::atomic<int> m_bQuit = 0;
    cChara* m_pCurChara = nullptr;
    cFlowRun* m_pCurFlowRun = nullptr;
    cCmdRun* m_pCurCmdRun = nullptr;
    int m_bChainedMessage = 0;
    int m_nHeroCount = 0;
    int m_nSubStep = 0;
    int m_nStepCount = 0;
    std::vector<int> m_vAttackSteps;
    int m_nTimeLimit = 0;
    int m_bNoTimeLimit = 0;
    int m_nPlayFrames = 0;
    int m_nPlayTime = 0;
    int m_nBanner = 0;
    int m_nBanner2 = 0;
    int m_nSeed = 0;
    int m_bButtonHold = 0;
    int m_bCheckHeroHP = 0;
    cVector<int32_t> m_vStageVars;
    std::vector<char> m_vStepFlags;
    int m_nCharaId = 0;
    int m_nItemId = 0;
    int m_nShotId = 0;
    int m_bRangeCharas = 0;
    int m_bRangeBlockCharas = 0;
    int m_bRangeItems = 0;
    std::vector<int> m_vChangedCells;
    int m_nFrame = 0;
    int m_nNextStage = 0;
    std::string m_strNextStage;
    int m_bRankIn = 0;
    std::vector<int> m_vRankPos;
    std::vector<int> m_vRankValue;
    std::string m_strRankName;
    int m_bRanked = 0;
    int m_nDrawMode = 0;
    int m_bResolvingAttacks = 0;
    // The play step is walking the chara list (removals are deferred).
    int m_nCharaWalk = 0;
    int m_nRemovedCharas = 0;  // marked during the walk, not yet erased
    cVector<cCmd> m_vPauseMenu;

    // Enter failed: nothing of the stage exists, so nothing is drawn and no
    // state runs until the close request ends the program.
    int m_bEnterFailed = 0;
    // The last set-up ran to its end. One that stopped on a broken stage
    // has asked for the close, and its half-built stage is never played.
    int m_bStageReady = 0;

private:
    // Pieces of the play step; those giving int answer 1 when the frame
    // ends. The frame's input: false when a replay ran out and starts again.
    bool ReadPlayInput();
    int PlaySubStep();
    void CountLifetimes();
    int StepHero(cHero& hero);
    // Block charas (true) or the others, active and acting, each by StepChara.
    int WalkCharas(bool blockCharas);
    int StepChara(cStageChara& chara, bool blockChara);
    void StepShots();
    void RemoveOutOfRange();
    int EndStageNow();
    // The hero's death, `why` written to the debug log first when given.
    int HeroDies(cHero& hero, const char* why);
    cList<cItem>::iterator RemoveItem(cList<cItem>::iterator item);
    int HitMapSide(cChara& chara, bool right);
    // The phases of ResolveAttackHits (stage/hit_resolution.cpp).
    int ShotsAgainstCharas();
    int BodiesAgainstBodies();
    void ShotsAgainstShots();
    // Takes the shot out of the shot list and its group.
    void EraseShot(cShot* shot);
};

// The thread procedures of the modal waits, given the scene: 1 when they
// ended normally, 0 for a wait not run because the window is closing.
unsigned PauseLoop(void* scene);
unsigned RankingLoop(void* scene);

// Registers scene type 4 with the scene manager.
void RegisterGameScene();

// Rules of the replays and the rankings, doing nothing until they exist:
// F1/F2 save a replay (1 when one was saved); the places of a clear beside
// the stage; the rankings of a play.
int CheckReplaySaveKeys();
// The replay's input of player 0 for this frame: its two words into
// `input`; 1 when the recorded input has ended. And the words of a frame
// played, appended to the recording.
int PlayReplayInput(cInputState& input);
void RecordReplayInput(const cInputState& input);
void DrawResultPanel(const std::vector<int>& places, int x, int y);
void LoadRanking(int playMode, const std::string& stage, int linkVar, int linkVarNo, int linkVarValue);
void SaveRanking(int playMode, const std::string& stage, int linkVar, int linkVarNo, int linkVarValue);
// One ranking type's places of the stage being played: the place `value`
// would take (-1 none), and the entry of `value` under `name` at its place.
class cRankTable {
public:
    int FindInsertPos(int value) const;
    void Insert(const std::string& name, int value);
};
// The rankings of the stage being played, one table per ranking type.
constexpr int kRankTypes = 5;
class cRankingDb {
public:
    // Table `type` with the place `place` (-1 none) marked, its top-left
    // at (x, y).
    void DrawTable(int type, int place, int x, int y);

    cRankTable m_vTables[kRankTypes];
};
extern cRankingDb g_RankingDb;
// The ranges of the charas' distance conditions over the stage, for the
// game maker (stage/distance_ranges.cpp).
void DrawDistanceRanges();
// The item `item` given to the hero: 0, 1 stage clear, 2 hero death.
int TakeItem(cItem& item, cHero& hero);

// Draws one chara of the chara list; 1 when its death drawing has ended.
int DrawStageChara(cStageChara& chara, int frozen);
