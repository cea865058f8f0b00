#include "project/move_shot.h"

#include "core/record_file.h"
#include "project/database.h"
#include "project/record_read.h"

namespace {

constexpr UpgradeStep<cEdMove> kMoveUpgrades[] = {
    {158, [](cEdMove& m) { m.m_cMirrorAngle = 0; }},
    {159, [](cEdMove& m) { m.m_cDistUnit = 0; }},
    {162,
     [](cEdMove& m) {
         m.m_cKeepFacing = 0;
         m.m_cAnime = 0;
     }},
    // The standing anime was the command's own anime before 830.
    {830, [](cEdMove& m) { m.m_cAnime = m.m_cAnime == 1 ? 2 : m.m_cAnime; }},
};

constexpr UpgradeStep<cEdShot> kShotUpgrades[] = {
    {158, [](cEdShot& s) { s.m_cMirrorAngle = 0; }},
    {197, [](cEdShot& s) { s.m_cSpareCharas = s.m_cSpareHero; }},
    // Homing shots (movement kinds 4 to 7) always followed the scroll.
    {212, [](cEdShot& s) { s.m_cFollowScroll = (s.m_cMoveKind >= 4 && s.m_cMoveKind <= 7) ? 1 : 0; }},
    {213,
     [](cEdShot& s) {
         s.m_cAccelOn = 0;
         s.m_sAccel = 0;
         s.m_sAccelInc = 0;
     }},
    {636, [](cEdShot& s) { s.m_cPierceBlockCharas = s.m_cPierceCharas; }},
    {671, [](cEdShot& s) { s.m_cFormCentre = 0; }},
};

double CloneOffset(int i, int16_t inc, int16_t base, bool mirrored) {
    double offset = double(i) * inc + base;
    return mirrored ? -offset : offset;
}

}  // namespace

// ---- cEdMove ----

cEdMove::cEdMove() { SetDefault(); }

void cEdMove::SetDefault() {
    Clear();
    m_cMirrorAngle = 1;
    m_cUseX = 1;
    m_cUseY = 1;
    m_cEndOnArrival = 1;
    m_cMirrorX = 1;
    m_cTurnBack = 1;
    m_sSpeed = 10;
    m_dReverseFactor = 1.0;
}

void cEdMove::RegisterFields(int version) {
    ClearFields();
    AddByte(&m_cMoveBy);
    AddByte(&m_cDirCode);
    AddShort(&m_sAngle);
    AddShort(&m_sAngleInc);
    if (StoredFrom(version, 158)) AddByte(&m_cMirrorAngle);
    AddByte(&m_cUseX);
    AddByte(&m_cUseY);
    AddShort(&m_sDestXBl);
    AddShort(&m_sDestYBl);
    AddShort(&m_sDestXDot);
    AddShort(&m_sDestYDot);
    AddByte(&m_cCoordMode);
    if (StoredFrom(version, 891)) AddByte(&m_cDestUnit);
    if (StoredFrom(version, 892)) AddByte(&m_cAnchor);
    AddByte(&m_cEndOnArrival);
    AddByte(&m_cLockX);
    AddByte(&m_cLockY);
    AddByte(&m_cMirrorX);
    AddByte(&m_cMirrorY);
    AddByte(&m_cTurnBack);
    AddByte(&m_cNoOvershoot);
    if (StoredFrom(version, 162)) AddByte(&m_cKeepFacing);
    AddByte(&m_cTimeMode);
    AddShort(&m_sSpeed);
    AddShort(&m_sSpeedInc);
    AddShort(&m_sDistance);
    AddShort(&m_sDistanceInc);
    if (StoredFrom(version, 159)) AddByte(&m_cDistUnit);
    AddShort(&m_sExtra);
    AddShort(&m_sExtraInc);
    AddByte(&m_cInertia);
    AddShort(&m_sInertiaMax);
    AddDouble(&m_dReverseFactor);
    if (StoredFrom(version, 162)) AddByte(&m_cAnime);
    if (StoredFrom(version, 767)) AddByte(&m_cTarget);
}

bool cEdMove::Read(DataFile* file) {
    bool ok = cRecord::Read(file);
    ApplyUpgrades(kMoveUpgrades, *this, g_FileVersion);
    cRecord::Validate();
    return ok;
}

// ---- cEdShot ----

cEdShot::cEdShot() { SetDefault(); }

void cEdShot::SetDefault() {
    Clear();
    m_cUserGroup = 1;
    m_cMirrorAngle = 1;
    m_cMirrorOffsetX = 1;
    m_cMirrorOffsetY = 0;
    m_cGiantScale = 1;
    m_cAimSlot = 0;
    m_cShotTarget = 0;
}

void cEdShot::RegisterFields(int version) {
    ClearFields();
    AddByte(&m_cCount);
    AddByte(&m_cFormation);
    AddShort(m_sFormParam, 3);
    if (StoredFrom(version, 671)) AddByte(&m_cFormCentre);
    AddByte(&m_cDirCode);
    AddByte(&m_cAimed);
    if (StoredFrom(version, 767)) AddByte(&m_cAimSlot);
    AddShort(&m_sAngle);
    AddShort(&m_sAngleInc);
    if (StoredFrom(version, 158)) AddByte(&m_cMirrorAngle);
    AddShort(&m_sSpread);
    AddByte(&m_cPlaceByAngle);
    AddByte(&m_cClonesPerShot);
    AddShort(&m_sOffsetX);
    AddShort(&m_sOffsetXInc);
    AddShort(&m_sOffsetY);
    AddShort(&m_sOffsetYInc);
    AddByte(&m_cMirrorOffsetX);
    AddByte(&m_cMirrorOffsetY);
    AddShort(&m_sGraphic);
    AddByte(&m_cZ);
    AddByte(&m_cHidden);
    AddByte(&m_cUserGroup);
    AddByte(&m_cFaction);
    AddByte(&m_cReserved25);
    AddByte(&m_cGiantScale);
    AddByte(&m_cReserved27);
    AddByte(&m_cMoveKind);
    AddShort(m_sMoveParam, 3);
    if (StoredFrom(version, 767)) AddByte(&m_cShotTarget);
    if (StoredFrom(version, 211)) AddByte(&m_cFollowScroll);
    AddShort(&m_sSpeed);
    AddShort(&m_sSpeedInc);
    if (StoredFrom(version, 213)) AddByte(&m_cAccelOn);
    if (StoredFrom(version, 213)) AddShort(&m_sAccel);
    if (StoredFrom(version, 213)) AddShort(&m_sAccelInc);
    AddShort(&m_sRange);  // the range comes before its switch in the file
    AddByte(&m_cRangeOn);
    AddShort(&m_sRangeInc);
    AddByte(&m_cStopAtRangeEnd);
    AddByte(&m_cLifetimeOn);
    AddShort(&m_sLifetime);
    AddShort(&m_sLifetimeInc);
    AddByte(&m_cPassBlocks);
    AddByte(&m_cPierceCharas);
    if (StoredFrom(version, 636)) AddByte(&m_cPierceBlockCharas);
    AddByte(&m_cClash);
    AddByte(&m_cVanishValue);
    AddInt(&m_nPower);
    AddShort(&m_sReserved50);
    AddByte(&m_cImpact);
    AddShort(&m_sEffect);
    AddByte(&m_cItemSource);
    AddShort(&m_sItemIndex);
    AddByte(&m_cBlockMode);
    AddByte(&m_cSpareHero);  // the two spare switches come before the summon members
    if (StoredFrom(version, 197)) AddByte(&m_cSpareCharas);
    AddByte(&m_cSummonPalette);
    AddShort(&m_sSummonIndex);
    AddByte(&m_cSummonGroup);
    AddByte(&m_cNoScore);
    AddByte(&m_cReverseFacing);
    if (StoredFrom(version, 762)) AddByte(&m_cCreditUser);
    if (StoredFrom(version, 762)) AddByte(&m_cTriggerFlowId);
}

bool cEdShot::Read(DataFile* file) {
    bool ok = cRecord::Read(file);
    ApplyUpgrades(kShotUpgrades, *this, g_FileVersion);
    Validate();
    return ok;
}

bool cEdShot::Write(DataFile* file) { return ValidateAndWrite(*this, file); }

void cEdShot::Validate() {
    if (m_cGiantScale <= 0) m_cGiantScale = 1;
    if (m_sEffect < 0 || m_sEffect >= g_Database.m_vEffect.Size()) m_sEffect = 0;
}

double cEdShot::GetOffsetX(int i, int facing) const {
    return CloneOffset(i, m_sOffsetXInc, m_sOffsetX, facing == 1 && m_cMirrorOffsetX);
}

double cEdShot::GetOffsetY(int i, int facing) const {
    return CloneOffset(i, m_sOffsetYInc, m_sOffsetY, facing == 1 && m_cMirrorOffsetY);
}

// ---- creation ----

void MakeEdMove(boost::shared_ptr<cEdMove>& ptr) { ptr.reset(new cEdMove); }

void MakeEdShot(boost::shared_ptr<cEdShot>& ptr) { ptr.reset(new cEdShot); }
