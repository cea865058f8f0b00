// The two optional sub-records of a flow command: the movement parameters
// (moves, warps) and the shot parameters (shots, swords, summons). Many
// values come as base + per-clone pairs; the effective value is
// base + per-clone x clone value.
#pragma once
#include <boost/shared_ptr.hpp>
#include <cstdint>

#include "core/record.h"

class DataFile;

class cEdMove : public cRecord {
public:
    int8_t m_cMoveBy;         // destination mode
    int8_t m_cDirCode;        // direction 0..12; circle move: sense of rotation 0..3
    int16_t m_sAngle;         // degrees; circle move: start angle
    int16_t m_sAngleInc;      // per clone
    int8_t m_cMirrorAngle;    // stored from 158
    int8_t m_cUseX;           // the target X applies
    int8_t m_cUseY;
    int16_t m_sDestXBl;       // target X in the unit of m_cDestUnit
    int16_t m_sDestYBl;
    int16_t m_sDestXDot;      // dots added to the target X
    int16_t m_sDestYDot;
    int8_t m_cCoordMode;      // coordinate system
    int8_t m_cDestUnit;       // stored from 891: 0 blocks, 1 dots
    int8_t m_cAnchor;         // stored from 892: reference point
    int8_t m_cEndOnArrival;
    int8_t m_cLockX;          // no X movement
    int8_t m_cLockY;
    int8_t m_cMirrorX;
    int8_t m_cMirrorY;
    int8_t m_cTurnBack;       // reverse on turn
    int8_t m_cNoOvershoot;    // stop at point
    int8_t m_cKeepFacing;     // stored from 162
    int8_t m_cTimeMode;       // speed mode
    int16_t m_sSpeed;         // tenths of a dot per frame
    int16_t m_sSpeedInc;
    int16_t m_sDistance;      // circle move: end angle
    int16_t m_sDistanceInc;
    int8_t m_cDistUnit;       // stored from 159: 0 half blocks, 1 dots
    int16_t m_sExtra;         // circle: radius; homing: sluggishness
    int16_t m_sExtraInc;
    int8_t m_cInertia;
    int16_t m_sInertiaMax;    // tenths of a dot per frame
    double m_dReverseFactor;
    int8_t m_cAnime;          // stored from 162: 0 movement, 1 standing, 2 the command's own
    int8_t m_cTarget;         // stored from 767: charge target slot 0..3

    cEdMove();
    void SetDefault();

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override { return ValidateAndWrite(*this, file); }
};

class cEdShot : public cRecord {
public:
    int8_t m_cCount;               // objects per run of the formation
    int8_t m_cFormation;           // 0..5
    int16_t m_sFormParam[3];       // meaning per formation
    int8_t m_cFormCentre;          // stored from 671: 0 target, 1 hero, 2 the user
    int8_t m_cDirCode;             // as cEdMove::m_cDirCode
    int8_t m_cAimed;
    int8_t m_cAimSlot;             // stored from 767
    int16_t m_sAngle;              // degrees
    int16_t m_sAngleInc;
    int8_t m_cMirrorAngle;         // stored from 158
    int16_t m_sSpread;             // degrees
    int8_t m_cPlaceByAngle;
    int8_t m_cClonesPerShot;       // volleys per shot - 1
    int16_t m_sOffsetX;            // dots
    int16_t m_sOffsetXInc;
    int16_t m_sOffsetY;
    int16_t m_sOffsetYInc;
    int8_t m_cMirrorOffsetX;
    int8_t m_cMirrorOffsetY;
    int16_t m_sGraphic;
    int8_t m_cZ;
    int8_t m_cHidden;
    int8_t m_cUserGroup;           // take the user's faction
    int8_t m_cFaction;             // 0..7
    int8_t m_cReserved25;          // stored and copied only
    int8_t m_cGiantScale;          // at least 1
    int8_t m_cReserved27;          // stored and copied only
    int8_t m_cMoveKind;            // shot: 0..9; sword: the SwordType entry
    int16_t m_sMoveParam[3];       // meaning per movement kind
    int8_t m_cShotTarget;          // stored from 767
    int8_t m_cFollowScroll;        // stored from 211
    int16_t m_sSpeed;              // tenths of a dot per frame
    int16_t m_sSpeedInc;
    int8_t m_cAccelOn;             // stored from 213
    int16_t m_sAccel;              // stored from 213
    int16_t m_sAccelInc;           // stored from 213
    int8_t m_cRangeOn;             // stored after m_sRange
    int16_t m_sRange;              // half blocks; summons: lifetime in tenths of a second
    int16_t m_sRangeInc;
    int8_t m_cStopAtRangeEnd;
    int8_t m_cLifetimeOn;
    int16_t m_sLifetime;           // tenths of a second
    int16_t m_sLifetimeInc;
    int8_t m_cPassBlocks;
    int8_t m_cPierceCharas;
    int8_t m_cPierceBlockCharas;   // stored from 636
    int8_t m_cClash;
    int8_t m_cVanishValue;
    int32_t m_nPower;
    int16_t m_sReserved50;         // stored and copied only
    int8_t m_cImpact;
    int16_t m_sEffect;             // Effect database entry
    int8_t m_cItemSource;          // 0 none, 1 common palette, 2 stage palette
    int16_t m_sItemIndex;
    int8_t m_cBlockMode;           // 0 place, 1 erase, 2 toggle
    int8_t m_cSummonPalette;       // 0 common, 1 stage; stored after m_cSpareCharas
    int16_t m_sSummonIndex;
    int8_t m_cSummonGroup;
    int8_t m_cSpareHero;           // stored before m_cSummonPalette
    int8_t m_cSpareCharas;         // stored from 197
    int8_t m_cNoScore;
    int8_t m_cReverseFacing;
    int8_t m_cCreditUser;          // stored from 762: hits count for the user
    int8_t m_cTriggerFlowId;       // stored from 762: 0 any, 1..26 A..Z

    cEdShot();
    void SetDefault();

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
    // A giant scale below 1 becomes 1; an effect outside the Effect
    // database becomes 0.
    void Validate();

    // Placement offset of volley i (clone value i) for a user facing
    // `facing`: i x per clone + base, negated for facing 1 when mirrored.
    double GetOffsetX(int i, int facing) const;
    double GetOffsetY(int i, int facing) const;
};

// A new default record in the pointer.
void MakeEdMove(boost::shared_ptr<cEdMove>& ptr);
void MakeEdShot(boost::shared_ptr<cEdShot>& ptr);
