// The movement commands (flow kinds 2 to 10). Each runs once per sub-step
// of its instance: the moving ones compute a velocity in the instance and
// add it to the chara's speeds, which the chara's own update cleared, so
// movements running side by side add up.
#include <cmath>
#include <cstdint>

#include "app/requests.h"
#include "flow/cmd_handlers.h"
#include "flow/flow_run.h"
#include "objects/chara.h"
#include "objects/movement.h"
#include "project/flow.h"
#include "project/move_shot.h"
#include "project/stage_info.h"
#include "project/system_data.h"

namespace {

// A moving command draws the chara at its stage position again.
void Unfix(cChara& chara) { chara.m_bFixedX = chara.m_bFixedY = 0; }

// The target slot a command names; null when empty.
cChara* TargetSlot(cChara& chara, int slot) { return chara.m_Targets.At(slot); }

// The target's destination: its centre plus the command's offsets.
void TargetDest(const cChara& target, const cCmdRun& run, double& x, double& y) {
    x = y = 0;
    target.CalcMoveDest(x, y, run);
}

double BodyCentreX(const cChara& c) { return c.m_dX + c.m_nWidth / 2; }

}  // namespace

int CmdStraightMove(cChara& chara, cCmdRun& run) {
    const cEdMove* move = run.Move();
    if (!move) return 0;
    Unfix(chara);
    if (!run.m_bBegun) {
        // The velocity is worked out once and kept for the whole command.
        run.m_bBegun = 1;
        run.m_dVX = run.m_dVY = 0;
        chara.ResolveMoveAngle(run);
        if (move->m_cMoveBy == 1) chara.ResolveMoveDest(run);
        if (move->m_cMoveBy == 0) {
            if (run.m_nAngle == 0)
                chara.DirVelocity(run.m_dVX, run.m_dVY, run.m_nFace, run.m_dSpeed, run.m_cDir);
            else
                chara.AngleVelocity(run.m_dVX, run.m_dVY, run.m_nFace, run.m_dSpeed, run.m_cDir, run.m_nAngle);
        } else if (move->m_cMoveBy == 1) {
            chara.DestVelocity(run.m_dVX, run.m_dVY, run.m_nFace, run.m_dSpeed, run.m_nDestX, run.m_nDestY, *move,
                               run);
        }
        if (!chara.m_bFly) run.m_dVY = 0;
    } else {
        if (!chara.m_bFly) run.m_dVY = 0;
        // Something else turned a chara the movement may not turn: the way
        // turns with it (older projects: only a move by direction).
        const bool turns = move->m_cMoveBy == 0 || IsSwitchOn(kSysSwitch783);
        if (move->m_cTurnBack && chara.m_Def.m_cFixedFacing == 1 && chara.m_bRight != run.m_nLastFacing && turns) {
            run.m_dVX = -run.m_dVX;
            run.m_dVY = -run.m_dVY;
        }
    }
    if (!IsSwitchOn(kSysSwitch773)) {
        if (move->m_cLockX) run.m_dVX = 0;
        if (move->m_cLockY) run.m_dVY = 0;
    }
    chara.ApplyMoveVelocity(run.m_dVX, run.m_dVY, run.m_nFace, run, *move, 0);
    run.m_nLastFacing = chara.m_bRight;
    return 0;
}

int CmdGroundTurnMove(cChara& chara, cCmdRun& run) {
    const cEdMove* move = run.Move();
    if (!move || chara.m_bFly) return 0;
    Unfix(chara);
    if (chara.m_dImpactX != 0 || chara.m_dImpactY != 0) {
        // Thrown by a hit: straight on, no turning.
        run.m_nFace = 0;
        run.m_dVY = 0;
        run.m_dVX = chara.GetDirSign() * run.m_dSpeed;
    } else {
        chara.GroundTurnCheck(run, *move);
    }
    // The turn at a ledge happens even to a chara of fixed facing.
    chara.ApplyMoveVelocity(run.m_dVX, run.m_dVY, run.m_nFace, run, *move, 1);
    return 0;
}

int CmdCircleMove(cChara& chara, cCmdRun& run) {
    const cEdMove* move = run.Move();
    if (!move || run.m_nMoveParam1 == 0) return 0;
    Unfix(chara);
    if (!run.m_bBegun) {
        run.m_bBegun = 1;
        run.m_dPhaseX = run.m_dPhaseY = run.m_nMoveParam2;
    }
    // The sense: set turns left; 2 and 3 follow the facing.
    int sense = run.m_cDir;
    if (sense == 2) sense = chara.m_bRight ? 1 : 0;
    if (sense == 3) sense = chara.m_bRight ? 0 : 1;
    const double sp = run.m_dSpeed;
    const double w = g_Stage.m_dSubSteps * sp;
    const double radius = run.m_nMoveParam1;
    run.m_dVX = run.m_dVY = 0;
    if (!move->m_cLockX) run.m_dVX -= CircleStepX(radius, 1, run.m_dPhaseX, w, 0) * sp;
    if (!move->m_cLockY && chara.m_bFly) run.m_dVY -= CircleStepX(radius, 1, run.m_dPhaseY, w, sense ? 90 : 270) * sp;
    chara.ApplyMoveVelocity(run.m_dVX, run.m_dVY, 0, run, *move, 0);
    return 0;
}

int CmdChargeMove(cChara& chara, cCmdRun& run) {
    const cEdMove* move = run.Move();
    if (!move) return 0;
    if (!run.m_bBegun) {
        run.m_bBegun = 1;
        chara.ResolveMoveAngle(run);
        chara.ResolveMoveDest(run);
        cChara* target = TargetSlot(chara, move->m_cTarget);
        // Nobody to charge at: the charge stands still. Zeroed for a
        // defeated target too, or a velocity left from an earlier run of the
        // command would carry the chara off.
        if (!target || target->m_bDefeated) {
            run.m_dVX = run.m_dVY = 0;
            return 0;
        }
        Unfix(chara);
        const double sp = run.m_dSpeed;
        run.m_dVX = run.m_dVY = 0;
        if (chara.m_bFly) {
            double x, y;
            TargetDest(*target, run, x, y);
            chara.MoveToTargetPoint(run, *move, target, x, y);
        } else if (move->m_cLockX) {
            run.m_dVX = 0;
        } else {
            CalcStepTowardX(run.m_dVX, run.m_dVY, run.m_nFace, target, chara.ScreenCenterX(),
                            static_cast<double>(target->ScreenCenterX()) + run.m_nDestX, sp, chara.m_bFollowScroll, 0);
        }
        if (run.m_nAngle != 0) {
            // The way to the target turned by the command's angle.
            double a;
            if (!IsSwitchOn(kSysSwitch728)) {
                a = std::trunc(std::atan2(run.m_dVY, run.m_dVX) * kRadToDeg + 180) + run.m_nAngle;
                run.m_dVX = -std::cos(a * kDegToRadCmd) * sp;
            } else {
                a = std::trunc(std::atan2(run.m_dVX, run.m_dVY) * kRadToDeg + 90) + run.m_nAngle;
                run.m_dVX = std::cos(a * kDegToRadCmd) * sp;
            }
            if (chara.m_bFly) run.m_dVY = -std::sin(a * kDegToRadCmd) * sp;
        }
    } else {
        Unfix(chara);
        if (!chara.m_bFly) run.m_dVY = 0;
    }
    // The charge keeps the way it took at its start.
    chara.ApplyMoveVelocity(run.m_dVX, run.m_dVY, run.m_nFace, run, *move, 0);
    return 0;
}

int CmdHomingMove(cChara& chara, cCmdRun& run) {
    const cEdMove* move = run.Move();
    if (!move) return 0;
    cChara* target = TargetSlot(chara, move->m_cTarget);
    // Without a target the homing waits.
    if (!target || target->m_bDefeated) return 0;
    const bool fly = chara.m_bFly != 0;
    if (!fly && move->m_cLockX) return 0;
    Unfix(chara);
    if (!run.m_bBegun) {
        run.m_bBegun = 1;
        chara.ResolveMoveDest(run);
    }
    // A negative delay (from a negative per-index value) follows at once.
    const int delay = run.m_nMoveParam1 > 0 ? run.m_nMoveParam1 : 0;
    const int follow = chara.m_bFollowScroll;
    const int stop = move->m_cNoOvershoot;
    TRAILPOINT now;
    if (fly) {
        TargetDest(*target, run, now.x, now.y);
    } else {
        run.m_dVY = 0;
        now.x = static_cast<double>(target->ScreenCenterX()) + run.m_nDestX;
    }
    auto headFor = [&](const TRAILPOINT& p) {
        if (fly)
            chara.MoveToTargetPoint(run, *move, target, p.x, p.y);
        else
            chara.MoveToPointX(run, target, p.x, follow, stop);
    };
    if (delay == 0) {
        headFor(now);
    } else if (run.m_nCount == 0) {
        run.m_lTrail.clear();
        run.m_lTrail.push_back(now);
        headFor(now);
    } else if (run.m_nCount % delay == 0) {
        // Where the target was `delay` sub-steps ago.
        if (!run.m_lTrail.empty()) {
            headFor(run.m_lTrail.front());
            run.m_lTrail.pop_front();
        }
        run.m_lTrail.push_back(now);
    }
    // Between updates the last velocity stays.
    chara.ApplyMoveVelocity(run.m_dVX, run.m_dVY, run.m_nFace, run, *move, 0);
    ++run.m_nCount;
    return 0;
}

int CmdAvoidScreenOutMove(cChara& chara, cCmdRun& run) {
    const cEdMove* move = run.Move();
    if (!move) return 0;
    Unfix(chara);
    chara.AvoidScreenOutCheck(run, *move);
    if (!chara.m_bFly) run.m_dVY = 0;
    chara.ApplyMoveVelocity(run.m_dVX, run.m_dVY, 0, run, *move, 0);
    ++run.m_nCount;
    return 0;
}

int CmdDisableMove(cChara& chara, cCmdRun&) {
    chara.m_dSpeedX = chara.m_dSpeedY = 0;
    chara.m_dInertiaX = chara.m_dInertiaY = 0;
    chara.m_dImpactX = chara.m_dImpactY = 0;
    Unfix(chara);
    // No gravity in this frame either.
    chara.m_bMoveDisabled = 1;
    chara.StopImpactY();
    return 0;
}

int CmdChangeDirection(cChara& chara, cCmdRun& run) {
    if (!run.m_pCmd || !chara.m_Def.m_cFixedFacing) return 0;
    if (run.m_nCount == 0) {
        const int choice = run.m_pCmd->m_vParam.At(0);
        cChara* target = nullptr;
        if (choice >= 2 && choice <= 9) {
            target = TargetSlot(chara, (choice - 2) / 2);
            // An empty slot: no sound and no count, so the turn is tried
            // again in the next sub-step.
            if (!target) return 0;
        }
        PlayDataSe(run.m_pCmd->m_sSound);
        switch (choice) {
        case 0: chara.m_bRight = 0; break;
        case 1: chara.m_bRight = 1; break;
        case 2: case 4: case 6: case 8: chara.m_bRight = BodyCentreX(*target) > BodyCentreX(chara); break;
        case 3: case 5: case 7: case 9: chara.m_bRight = !(BodyCentreX(*target) > BodyCentreX(chara)); break;
        case 10:
            if (chara.m_nWallSide == 0 || chara.m_nWallSide == 1) chara.m_bRight = chara.m_nWallSide;
            break;
        case 11:
            if (chara.m_nWallSide == 0 || chara.m_nWallSide == 1) chara.m_bRight = !chara.m_nWallSide;
            break;
        default: break;
        }
    }
    // Once every tenth of a second.
    if (++run.m_nCount >= 6 * g_Stage.SubSteps()) run.m_nCount = 0;
    return 0;
}

int CmdJump(cChara& chara, cCmdRun& run) {
    Unfix(chara);
    chara.Jump(&run);
    ++run.m_nCount;
    return 0;
}
