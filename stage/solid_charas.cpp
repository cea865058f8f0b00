// Charas against the block charas: moving blocks that other charas cannot
// pass through, stand on and ride, are pushed by and are crushed between.
//
// The platforms move first in every sub-step, so when a chara is resolved
// here both places of a platform are known: where it stood at the start of
// the sub-step (its saved extent) and where it stands now. Comparing them
// with the chara's own two places tells a landing from a head bump from a
// push from the side. Extents are inclusive at every edge.
#include <cstdint>

#include "objects/hero.h"
#include "objects/stage_chara.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

// Flow triggers raised here.
constexpr int8_t kTrigTouchBlockChara = 7;
constexpr int8_t kTrigRideBlockChara = 8;
constexpr int8_t kTrigRiddenByHero = 18;
constexpr int8_t kTrigRiddenByChara = 19;

// A walker pushed sideways keeps this much room from the pusher.
constexpr double kLeftPushGap = 1.5;
constexpr double kRightPushGap = 0.5;
// How far under the feet a platform still carries its rider.
constexpr double kSupportDepth = 5;
// Stepping back out of the map after a push: small steps, never far.
constexpr double kUnstickStep = 0.1;
constexpr int kUnstickSteps = 15;

Extent ExtentOf(const cGameObj& o) { return {o.m_dX, o.m_dY, o.m_dRight, o.m_dBottom}; }

bool Meets(const Extent& a, const Extent& b) {
    return a.x <= b.right && a.right >= b.x && a.y <= b.bottom && a.bottom >= b.y;
}

// The common part of two extents that meet.
Extent Common(const Extent& a, const Extent& b) {
    return {a.x > b.x ? a.x : b.x, a.y > b.y ? a.y : b.y, a.right < b.right ? a.right : b.right,
            a.bottom < b.bottom ? a.bottom : b.bottom};
}

bool Contains(const Extent& e, double x, double y) { return e.x <= x && x <= e.right && e.y <= y && y <= e.bottom; }

bool IsHero(const cChara& chara) { return !g_Heroes.empty() && &chara == &g_Heroes.At(0); }

bool IsSolidFor(const cStageChara& s, const cChara& chara) {
    return s.m_Def.m_cBlockChara != 0 && s.m_bActive && !s.m_bDefeated && !s.m_bRemoved && s.m_nId != chara.m_nId;
}

cStageChara* FindSolid(int id, const cChara& chara) {
    for (cStageChara& s : g_Charas)
        if (s.m_nId == id && IsSolidFor(s, chara)) return &s;
    return nullptr;
}

double SubSteps() { return g_Stage.m_dSubSteps > 0 ? g_Stage.m_dSubSteps : 1; }

// One place the chara may be pushed to along an axis, with the solid chara
// that pushes and its speed along that axis.
struct Push {
    bool set = false;
    double pos = 0;
    double speed = 0;
    cStageChara* by = nullptr;
};

void TakeLargest(Push& p, double pos, cStageChara& s, double speed) {
    if (!p.set || pos > p.pos) p = {true, pos, speed, &s};
}
void TakeSmallest(Push& p, double pos, cStageChara& s, double speed) {
    if (!p.set || pos < p.pos) p = {true, pos, speed, &s};
}

struct Pushes {
    Push left, right, above, below;  // for a walker: above is the head bump, below the landing
};

// The pusher is the platform the chara rides: riding along is no push.
bool PushedByOther(const cChara& chara, const Push& p) {
    return !(chara.m_bRiding && p.by->m_nId == chara.m_nRiddenId);
}

void SetX(cChara& chara, const Push& p, bool markPushed) {
    if (markPushed) chara.m_bLeftRide = 1;
    chara.m_dX = p.pos;
    chara.CheckBoundsX();
}

void SetY(cChara& chara, double y) {
    chara.m_dY = y;
    chara.CheckBoundsY();
}

// ---------------------------------------------------------------------------
// Flyers

enum : int { kAxisX = 1, kAxisY = 2 };

// The contacts of a flyer along the axes asked: whichever way a solid chara
// overlaps it less decides whether it pushes sideways or vertically; only
// an edge met away from the corners counts.
Pushes CollectFlyerPushes(cChara& c, int axes) {
    Pushes p;
    const Extent e = ExtentOf(c);
    for (cStageChara& s : g_Charas) {
        if (!IsSolidFor(s, c)) continue;
        const Extent se = ExtentOf(s);
        if (!Meets(e, se)) continue;
        const double w = e.right >= se.x && se.x > e.x ? e.right - se.x + 1 : se.right - e.x + 1;
        const double h = e.bottom >= se.y && se.y > e.y ? e.bottom - se.y + 1 : se.bottom - e.y + 1;
        if (w > h) {
            if (!(axes & kAxisY)) continue;
            if (Meets(se, {e.x + 1, e.y, e.right - 1, e.y})) {
                c.m_bHitAbove = 1;
                TakeLargest(p.above, se.bottom + 1, s, s.m_dSpeedY);
            }
            if (Meets(se, {e.x + 1, e.bottom, e.right - 1, e.bottom})) {
                c.m_bHitBelow = 1;
                TakeSmallest(p.below, se.y - c.m_nHeight, s, s.m_dSpeedY);
            }
        } else {
            if (!(axes & kAxisX)) continue;
            if (Meets(se, {e.x, e.y + 1, e.x, e.bottom - 1})) {
                c.m_bHitLeft = 1;
                TakeLargest(p.left, se.right + 1, s, s.m_dSpeedX);
            }
            if (Meets(se, {e.right, e.y + 1, e.right, e.bottom - 1})) {
                c.m_bHitRight = 1;
                TakeSmallest(p.right, se.x - c.m_nWidth, s, s.m_dSpeedX);
            }
        }
    }
    return p;
}

int ResolveFlyer(cGameScene& scene, cChara& c) {
    Pushes p = CollectFlyerPushes(c, kAxisX | kAxisY);
    if (!p.left.set && !p.right.set && !p.above.set && !p.below.set) return 0;
    c.RaiseEvent(kTrigTouchBlockChara);
    if (c.GetMoveType() == kMoveFlyThird) return 2;

    // A solid chara moving away from a flyer that does not follow it lets
    // go: the flyer is only kept out along the other axis.
    if (p.left.set) {
        c.m_dInertiaX = 0;
        if (p.left.speed < 0 && c.m_dSpeedX >= 0) {
            c.m_bHitLeft = 0;
            scene.RepushOtherAxis(c, 1);
        } else {
            SetX(c, p.left, true);
        }
    }
    if (p.right.set) {
        c.m_dInertiaX = 0;
        if (p.right.speed > 0 && c.m_dSpeedX <= 0) {
            c.m_bHitRight = 0;
            scene.RepushOtherAxis(c, 1);
        } else {
            SetX(c, p.right, true);
        }
    }
    if (p.above.set) {
        c.m_dInertiaY = 0;
        if (p.above.speed < 0 && c.m_dSpeedY >= 0) {
            c.m_bHitAbove = 0;
            scene.RepushOtherAxis(c, 0);
        } else {
            SetY(c, p.above.pos);
        }
    }
    if (p.below.set) {
        c.m_dInertiaY = 0;
        if (p.below.speed > 0 && c.m_dSpeedY <= 0) {
            c.m_bHitBelow = 0;
            scene.RepushOtherAxis(c, 0);
        } else {
            SetY(c, p.below.pos);
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Walkers

// A test copy of the chara with only its top moved: its tile columns and
// rows stay those of the chara's present place.
void CopyWithTop(cChara& copy, const cChara& chara, double y) {
    copy.m_bNoUnlink = 1;
    copy.Assign(chara);
    copy.m_dY = y;
}

void BumpHead(cGameScene& scene, cChara& c, double y, double speed) {
    c.m_bJumped = c.m_bJumpRising = c.m_bHeadBlocked = 1;
    c.m_dInertiaY = 0;
    if (!IsSwitchOn(kSysHeadBumpKeepsFall)) c.StopImpactY();
    c.m_dSpeedY = speed;
    SetY(c, y);
    scene.HitMapFloorCeiling(c);
}

// A solid chara meeting edge `edge` of the chara pushes it sideways.
bool SidePushFromLeft(cChara& c, Pushes& p, cStageChara& s, const Extent& edge) {
    if (!Meets(ExtentOf(s), edge)) return false;
    c.m_bHitLeft = 1;
    TakeLargest(p.left, s.m_dRight + kLeftPushGap, s, s.m_dSpeedX);
    return true;
}
bool SidePushFromRight(cChara& c, Pushes& p, cStageChara& s, const Extent& edge) {
    if (!Meets(ExtentOf(s), edge)) return false;
    c.m_bHitRight = 1;
    TakeSmallest(p.right, s.m_dX - c.m_nWidth - kRightPushGap, s, s.m_dSpeedX);
    return true;
}

void LandingCandidate(cChara& c, Pushes& p, cStageChara& s) {
    const double y = s.m_dY - c.m_nHeight;
    if (!p.below.set || y < p.below.pos) {
        p.below = {true, y, s.m_dSpeedY, &s};
        c.m_nRiddenId = s.m_nId;
        c.m_RiddenExtent = ExtentOf(s);
    }
    // Standing on a rising platform is being pressed from below.
    if (s.m_dSpeedY < 0) c.m_bHitBelow = 1;
}

// The candidates of a walker: the upper half meets a platform from above
// (a landing after a fast fall), from below (a head bump) or from the side;
// the lower half only from the side or under the feet.
Pushes CollectWalkerPushes(cChara& c, bool& touched) {
    Pushes p;
    const double n = SubSteps();
    const bool loose = IsSwitchOn(kSysLooseSolidContact);
    const Extent e = ExtentOf(c);
    const Extent saved = c.m_SavedPos;
    const Extent upper{e.x, e.y, e.right, e.y + c.m_nHeight / 2};
    const Extent feet{e.x + 1, e.bottom - c.m_nHeight / 3, e.right - 1, e.bottom};
    for (cStageChara& s : g_Charas) {
        if (!IsSolidFor(s, c)) continue;
        const Extent se = ExtentOf(s);
        if (!Meets(e, se)) continue;
        touched = true;
        if (Meets(upper, se)) {
            const Extent u = Common(upper, se);
            const double w = u.right - u.x + 1, h = u.bottom - u.y + 1;
            const bool metBefore = Meets(saved, s.m_SavedPos);
            const bool oldPlaceMetNow = Meets(saved, se);
            if (c.m_dSpeedY > 2 / n && metBefore && saved.y < s.m_SavedPos.y &&
                (loose || saved.bottom < s.m_SavedPos.bottom)) {
                LandingCandidate(c, p, s);
            } else if ((w - h > 0.4 / n && e.bottom > se.bottom && (loose || e.y > se.y)) ||
                       (metBefore && saved.y > s.m_SavedPos.y && !oldPlaceMetNow)) {
                TakeLargest(p.above, se.bottom + 1, s, s.m_dSpeedY);
                if (s.m_dSpeedY > 0) c.m_bHitAbove = 1;
                if (c.m_bRiding && c.m_dSpeedY < 0) c.m_bHitBelow = 1;
            } else {
                // The side the chara moves towards is tested first; one side only.
                const Extent leftEdge{e.x, upper.y, e.x, upper.bottom};
                const Extent rightEdge{e.right, upper.y, e.right, upper.bottom};
                if (c.m_dSpeedX < 0) {
                    if (!SidePushFromLeft(c, p, s, leftEdge)) SidePushFromRight(c, p, s, rightEdge);
                } else {
                    if (!SidePushFromRight(c, p, s, rightEdge)) SidePushFromLeft(c, p, s, leftEdge);
                }
            }
        } else {
            const Extent o = Common(e, se);
            if (o.bottom - o.y > o.right - o.x) {
                SidePushFromRight(c, p, s, {e.right, e.y, e.right, e.bottom});
                SidePushFromLeft(c, p, s, {e.x, e.y, e.x, e.bottom});
            } else if (Meets(feet, se)) {
                LandingCandidate(c, p, s);
            }
        }
    }
    return p;
}

// Lands on the platform of `land`; false when a platform going down would
// put the chara into a map block (while it is pushed sideways as well).
bool Land(cChara& c, const Push& land, bool pushedSideways) {
    cStageChara& s = *land.by;
    if (s.m_dSpeedY > 0 && pushedSideways) {
        cChara copy;
        CopyWithTop(copy, c, land.pos);
        if (copy.HitsBlockAt(0)) {
            c.m_bRiding = 0;
            return false;
        }
    }
    c.m_dInertiaY = 0;
    if (!c.m_bRiding) {
        c.m_bRiding = 1;
        if (IsHero(c)) s.RaiseEvent(kTrigRiddenByHero, &c);
        s.RaiseEvent(kTrigRiddenByChara, &c);
    }
    SetY(c, land.pos);
    c.m_dSpeedY = 0;
    c.m_nAirSteps = c.m_bAirborne = c.m_bImpacted = 0;
    c.m_bJumped = c.m_bJumpRising = 0;
    if (c.m_nKind != 0) c.m_bHeadBlocked = 0;
    return true;
}

// A push may leave the chara in a map block: it steps back towards the
// pusher, a little at most.
void Unstick(cChara& c, bool pushed, double dx, double dy) {
    if (!pushed) return;
    for (int i = 0; i < kUnstickSteps && c.HitsBlockAt(0); ++i) {
        if (dx != 0) {
            c.m_dX += dx;
            c.CheckBoundsX();
        } else {
            c.m_dY += dy;
            c.CheckBoundsY();
        }
    }
}

int ResolveWalker(cGameScene& scene, cChara& c) {
    bool touched = false;
    Pushes p = CollectWalkerPushes(c, touched);

    bool landed = false;
    const bool bothSides = p.left.set && p.right.set;
    if (p.above.set && !p.below.set) {
        // A ceiling going up may carry the chara's head only where the
        // chara fits: no map block, no other solid chara.
        bool apply = true;
        if (p.above.by->m_dSpeedY < 0) {
            cChara copy;
            CopyWithTop(copy, c, p.above.pos);
            apply = !copy.HitsBlock() && !scene.IsSolidCharaOverlap(copy, p.above.by->m_nId);
        }
        if (apply) BumpHead(scene, c, p.above.pos, p.above.speed);
    } else if (bothSides && !p.below.set) {
        // Squeezed sideways in the air: the first solid chara over the head
        // takes it as a ceiling instead.
        const Extent upper{c.m_dX, c.m_dY, c.m_dRight, c.m_dY + c.m_nHeight / 2};
        for (cStageChara& s : g_Charas) {
            if (!IsSolidFor(s, c)) continue;
            const Extent se = ExtentOf(s);
            if (!Meets(upper, se)) continue;
            const Extent u = Common(upper, se);
            if (u.right - u.x <= 0) continue;
            BumpHead(scene, c, se.bottom + 1, s.m_dSpeedY);
            break;
        }
        c.m_bHitLeft = c.m_bHitRight = 0;
        p.left.set = p.right.set = false;
    } else if (p.below.set && !bothSides) {
        landed = Land(c, p.below, p.left.set || p.right.set);
    }
    if (p.left.set) {
        c.m_dInertiaX = 0;
        SetX(c, p.left, PushedByOther(c, p.left));
    }
    if (p.right.set) {
        c.m_dInertiaX = 0;
        SetX(c, p.right, PushedByOther(c, p.right));
    }

    if (touched || c.m_bRiding) {
        c.RaiseEvent(kTrigTouchBlockChara);
        if (c.m_bRiding) {
            c.RaiseEvent(kTrigRideBlockChara);
            if (IsHero(c)) c.m_bJumpRising = 0;
        }
    }

    // Contacts of the map tests earlier in the sub-step count as well: a
    // chara pushed against a wall is crushed.
    if ((c.m_bHitLeft && c.m_bHitRight) || (c.m_bHitAbove && c.m_bHitBelow)) return 2;
    if (scene.IsEmbeddedInSolidCharas(c, c.m_SavedPos)) return 2;

    const bool byFlags = IsSwitchOn(kSysUnstickByContacts);
    Unstick(c, byFlags ? c.m_bHitLeft != 0 : p.left.set, -kUnstickStep, 0);
    Unstick(c, byFlags ? c.m_bHitRight != 0 : p.right.set, kUnstickStep, 0);
    Unstick(c, byFlags ? c.m_bHitAbove != 0 : p.above.set, 0, -kUnstickStep);
    Unstick(c, byFlags ? c.m_bHitBelow != 0 : p.below.set, 0, kUnstickStep);

    if (c.m_bRiding && !landed) {
        if (c.m_dImpactY < 0) {
            // Thrown upwards off the platform.
            c.StopRiding(1);
        } else if (scene.IsOnRiddenChara(c)) {
            c.m_RiddenExtent = ExtentOf(*FindSolid(c.m_nRiddenId, c));
        } else if (cStageChara* s = scene.FindSupportChara(c)) {
            c.m_nRiddenId = s->m_nId;
            c.m_RiddenExtent = ExtentOf(*s);
            c.m_nAirSteps = c.m_bImpacted = 0;
        } else {
            c.StopRiding(1);
        }
    }
    return 0;
}

}  // namespace

int cGameScene::MoveHero(cChara& chara) {
    switch (chara.GetMoveType()) {
    case kMoveWalk: return ResolveWalker(*this, chara);
    case kMoveFlyThrough: return 0;
    default: return ResolveFlyer(*this, chara);
    }
}

void cGameScene::RepushOtherAxis(cChara& chara, int vertical) {
    const Pushes p = CollectFlyerPushes(chara, vertical ? kAxisY : kAxisX);
    if (vertical) {
        if (p.above.set) SetY(chara, p.above.pos);
        if (p.below.set) SetY(chara, p.below.pos);
    } else {
        if (p.left.set) SetX(chara, p.left, PushedByOther(chara, p.left));
        if (p.right.set) SetX(chara, p.right, PushedByOther(chara, p.right));
    }
}

void cGameScene::CarryRider(cChara& chara) {
    if (chara.m_bFly) return;
    cStageChara* platform = FindSolid(chara.m_nRiddenId, chara);
    if (!platform) {
        // The platform is gone or no longer solid: there is nothing to ride.
        chara.StopRiding(1);
        return;
    }
    chara.m_dSpeedX += platform->m_dX - chara.m_RiddenExtent.x;
    if (platform->m_bFly || !IsSwitchOn(kSysCarryYWhenAirborne) || platform->m_bAirborne)
        chara.m_dSpeedY = platform->m_dY - chara.m_RiddenExtent.y;
    if (IsHero(chara)) platform->RaiseEvent(kTrigRiddenByHero, &chara);
    platform->RaiseEvent(kTrigRiddenByChara, &chara);
}

int cGameScene::IsSolidCharaOverlap(cChara& chara, int excludedId) {
    if (chara.GetMoveType() == kMoveFlyThrough) return 0;
    const Extent e = ExtentOf(chara);
    for (const cStageChara& s : g_Charas)
        if (IsSolidFor(s, chara) && s.m_nId != excludedId && Meets(e, ExtentOf(s))) return 1;
    return 0;
}

int cGameScene::OverlapsBlockChara(cChara& chara) {
    // A chara is never solid for itself, so excluding it excludes nothing.
    return IsSolidCharaOverlap(chara, chara.m_nId);
}

int cGameScene::IsOnRiddenChara(cChara& chara) {
    const cStageChara* s = FindSolid(chara.m_nRiddenId, chara);
    const Extent strip{chara.m_dX, chara.m_dBottom, chara.m_dRight, chara.m_dBottom + kSupportDepth};
    return s && Meets(strip, ExtentOf(*s)) ? 1 : 0;
}

cStageChara* cGameScene::FindSupportChara(cChara& chara) {
    const Extent strip{chara.m_dX, chara.m_dBottom, chara.m_dRight, chara.m_dBottom + kSupportDepth};
    for (cStageChara& s : g_Charas)
        if (IsSolidFor(s, chara) && Meets(strip, ExtentOf(s))) return &s;
    return nullptr;
}

int cGameScene::IsEmbeddedInSolidCharas(cChara& chara, const Extent& saved) {
    auto inSolid = [&chara](double x, double y) {
        for (const cStageChara& s : g_Charas)
            if (IsSolidFor(s, chara) && Contains(ExtentOf(s), x, y)) return true;
        return false;
    };
    // The lower corners are taken a dot above the feet: feet that only
    // reach into a platform's top are not buried in it.
    const Extent now = ExtentOf(chara);
    for (int corner = 0; corner < 4; ++corner) {
        const bool right = corner & 1, low = corner & 2;
        auto at = [&](const Extent& e) {
            return inSolid(right ? e.right : e.x, low ? e.bottom - 1 : e.y);
        };
        if (!at(now) && !at(saved)) return 0;
    }
    return 1;
}
