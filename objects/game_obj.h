// Base of every object that moves in a stage: charas, items, shots and
// swords. It holds identity, lifetime, facing, the anime player, the body
// box and the sprite around it, the position in map dots with its tile
// coordinates, the speeds and the flying and activity flags, and it moves
// the object by sub-steps inside the map.
//
// Map dots: X grows to the right, Y downwards; the map is the stage with a
// margin of 10 tiles of 32 dots on every side. The stage scene's two camera
// axes give the view, the scroll and stage limits and the play range.
#pragma once
#include <cstdint>
#include <list>

#include "core/frame_pattern.h"

class cChara;
class cCmdRun;
class cOutRange;

// Truncation towards zero of a position in dots. Positions far outside any
// map, or not a number, give the nearest bound instead of an undefined
// conversion; a bound this size keeps sums of two such values in an int.
inline int32_t TruncDot(double v) {
    constexpr double kBound = 536870912.0;  // 2^29
    if (v != v) return 0;
    if (v >= kBound) return static_cast<int32_t>(kBound);
    if (v <= -kBound) return -static_cast<int32_t>(kBound);
    return static_cast<int32_t>(v);
}

// An amount per second of play as an amount per sub-step.
double PerSubStep(double v);

// A giant scale is a small positive integer; one below 1 (a shot's scale
// is a signed byte that commands can change) would turn sizes negative and
// counts as normal size.
inline int ValidScale(int scale) { return scale < 1 ? 1 : scale; }

// Sprite and box sizes of the stage settings are dots around a 32-dot
// cell. A giant scale multiplies them, so values far beyond any cell
// (from a damaged or hand-made stage) are held to this bound first.
constexpr int kMaxStageBoxSize = 1024;
inline int StageBoxSize(int32_t v) { return v < 0 ? 0 : (v > kMaxStageBoxSize ? kMaxStageBoxSize : v); }

// A box against charas or shots, in stage dots.
struct HITBOX {
    double left = 0, top = 0, right = 0, bottom = 0;
    int32_t offsetX = 0, offsetY = 0, width = 0, height = 0;  // after giant scale
    int32_t baseOffsetX = 0, baseOffsetY = 0, baseWidth = 0, baseHeight = 0;
};

// Movement types of a definition or command.
enum : int {
    kMoveWalk = 0,
    kMoveFlyThrough = 1,  // flying through blocks
    kMoveFlyBlocked = 2,  // flying, stopped by blocks
    kMoveFlyThird = 3,    // flying, dies on touching a block
};

class cGameObj {
public:
    cGameObj() = default;
    cGameObj(const cGameObj&) = default;
    cGameObj& operator=(const cGameObj&) = default;
    virtual ~cGameObj() = default;

    // Virtual operations, in slot order. The empty ones do nothing and give
    // 0 where a result is expected.
    virtual void CopyFrom(const cGameObj& other);                 // 1
    virtual void SetScale(int newScale, int oldScale, int flag);  // 2
    virtual void ScaleHitboxes(int) {}                            // 3
    virtual void OnScaleChange(int, int, int) {}                  // 4
    // The class's hit boxes follow the body; called after every clamp.
    virtual void UpdateHitboxX() {}                               // 5
    virtual void UpdateHitboxY() {}                               // 6
    virtual void SetCenter(int, int) {}                           // 7
    // Arrival of a move to a point (x, y: centre) of the running command.
    virtual int ArriveAt(int, int, cCmdRun*) { return 0; }        // 8
    virtual void SetCenterX(int) {}                               // 9
    virtual int ArriveAtX(int, cCmdRun*) { return 0; }            // 10
    virtual void SetCenterY(int) {}                               // 11
    virtual int ArriveAtY(int, cCmdRun*) { return 0; }            // 12

    // The set-up every class calls from its own. The body box is offset,
    // width and height; the sprite is the picture around it. A pattern list
    // (null: none) replaces the anime player's patterns and starts
    // `startPattern`. Does not place the object.
    void InitBase(int id, int kind, int inputNo, int faction, int graphic, const int* const* patterns,
                  int startPattern, int offsetX, int offsetY, int width, int height, int spriteW, int spriteH,
                  int right, int moveType, int16_t spawnIndex);
    // 0 walking, 1..3 flying (see kMoveWalk); any other type changes nothing.
    void SetMoveType(int type);
    int GetMoveType() const;
    // Giant scale: sizes become `newScale` x their base values and the body
    // keeps its horizontal centre; the class keeps its vertical footing. A
    // scale below 1 acts as 1.
    void RecenterForScale(int newScale, int oldScale, int flag);
    void RecenterXForScale(int newScale, int oldScale);
    // +1 facing right, -1 facing left.
    int GetDirSign() const { return m_bRight ? 1 : -1; }
    // Centre of the screen rectangle (see UpdateScreenRect).
    int ScreenCenterX() const { return m_nScreenL + m_nSpriteW / 2; }
    int ScreenCenterY() const { return m_nScreenT + m_nSpriteH / 2; }
    // The sprite's rectangle on the screen, from the camera. Drawing, every
    // centre (left + sprite width / 2) and the on-screen tests read it, so
    // callers refresh it first.
    void UpdateScreenRect();

    // Physics of one sub-step. Clamps and steps give a code: X 0 inside,
    // 1 outside the scroll limits, 2 outside the stage, 3 clamped at the
    // map; Y 0 inside, 1 above the scroll limits, 2 above the stage,
    // 3 clamped at the top, 4 below the scroll limits, 5 below the stage,
    // 6 clamped at the bottom. Modes: 0 into the scroll limits, 1 into the
    // stage, 2 into the map.
    int ClampPosX(int mode);
    int ClampPosY(int mode);
    // A speed held to the stage's per-sub-step limit.
    static double LimitStep(double v);
    int StepX(int mode);
    int StepY(int mode);
    void AddGravity();
    // An inertial speed moves towards 0 by the friction, never past it.
    void ApplyFriction(double& v, int enabled);
    // Start speeds of an impact of `power` in direction (dx, dy); power 0
    // writes nothing. `extra`, when given, is cleared under older projects.
    void CalcImpactSpeed(double& outX, double& outY, int power, double dx, double dy,
                         double* extra = nullptr);

    // The extent (X, Y, right, bottom) meets the rectangle, edges included.
    bool IntersectsRect(double left, double top, double right, double bottom) const;
    bool IsOnScreen() const;
    bool IsInView(int ignoreX, int ignoreY) const;
    bool IsInStage(int wholeMap) const;
    bool IsOutOfRange(const cOutRange& range) const;
    // A corner cell of the body is a block for the object's faction.
    bool HitsBlock();
    bool HitsBlockAt(int unused);
    // One axis of a distance test: this object's span from edge `a` and
    // size `b`, widened low by `c` and high by `d` (whole body `e`), against
    // the target's span [tl, th] inset by `t`.
    static void CalcJudgeSpan(int a, int b, int c, int d, int e, int& low, int& high);
    bool JudgeSpan(int a, int b, int tl, int th, int t, int c, int d, int e, int bottomCheck,
                   const cGameObj* target) const;

    // Moves to a point for the running movement command `run`
    // (objects/movement.cpp). CalcMoveDest: this object's centre plus the
    // command's destination offsets; an axis the command holds still is
    // not written (with both held, only X is).
    void CalcMoveDest(double& x, double& y, const cCmdRun& run) const;
    // The command's velocity and face towards (x, y) at its speed, allowing
    // for the auto-scroll against `other` (`follow`: this object moves with
    // the view). With `stop` the arrival is tested: non-zero when arrived,
    // and a command that stops at its point ends in ArriveAt (X, Y) there.
    int MoveToPoint(cCmdRun& run, cGameObj* other, double x, double y, int follow, int stop);
    int MoveToPointX(cCmdRun& run, cGameObj* other, double x, int follow, int stop);
    int MoveToPointY(cCmdRun& run, cGameObj* other, double y, int follow, int stop);
    // The nearest chara of `list` to this object's centre, by the stage's
    // rule for charas out of view; null when none.
    cChara* GetNearestChara(const std::list<cChara*>& list) const;

    int32_t m_nId = 0;
    int32_t m_nLife = 0;       // sub-steps left; INT32_MAX permanent
    int32_t m_bRight = 0;      // facing right
    int16_t m_sSpawnIndex = 0; // index in its volley or multi-copy placement
    int32_t m_nGraphic = 0;
    int32_t m_nGraphicKind = 0;
    cFramePattern m_Anime;
    int32_t m_nScreenL = 0, m_nScreenT = 0, m_nScreenR = 0, m_nScreenB = 0;  // inclusive
    int32_t m_nOffsetX = 0, m_nOffsetY = 0;  // body box inside the sprite
    int32_t m_nSpriteW = 0, m_nSpriteH = 0;
    int32_t m_nBaseOffsetX = 0, m_nBaseOffsetY = 0, m_nBaseSpriteW = 0, m_nBaseSpriteH = 0;
    int32_t m_nKind = 0;       // 0 the player operates it, 1 the computer
    int32_t m_nInputNo = 0;
    int32_t m_nFaction = 0;    // 0..7
    double m_dX = 0, m_dY = 0;            // top-left of the body box
    double m_dRight = 0, m_dBottom = 0;   // inclusive
    int32_t m_nTileL = 0, m_nTileT = 0, m_nTileR = 0, m_nTileB = 0;
    double m_dSpeedX = 0, m_dSpeedY = 0;      // per sub-step
    double m_dInertiaX = 0, m_dInertiaY = 0;  // per sub-step; a shot's acceleration
    double m_dFriction = 0;
    int32_t m_bFrictionX = 0, m_bFrictionY = 0;
    int32_t m_bFollowScroll = 0;
    int32_t m_nWidth = 0, m_nHeight = 0;
    int32_t m_nBaseWidth = 0, m_nBaseHeight = 0;
    int32_t m_bFly = 0;
    int8_t m_cFlyMode = 0;     // how the map collides with a flying object
    int32_t m_bActive = 0;
    int32_t m_bInView = 0;
    int8_t m_bAppeared = 0;
};
