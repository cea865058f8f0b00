#include "project/stage_info.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/record_file.h"
#include "core/report_log.h"
#include "project/database.h"
#include "project/palette_entry.h"
#include "project/record_read.h"

// ---------------------------------------------------------------------------
// Out-of-range rules

cOutRange::cOutRange() { Clear(); }

void cOutRange::RegisterFields(int version) {
    ClearFields();
    AddInt(&m_bSide[kLeft]);
    if (StoredFrom(version, 125)) AddInt(&m_bSide[kRight]);
    if (StoredFrom(version, 125)) AddInt(&m_bSide[kTop]);
    if (StoredFrom(version, 125)) AddInt(&m_bSide[kBottom]);
    if (m_bMarginBlock) {
        AddInt(m_nMargin, 4);
    } else {
        AddInt(&m_nMargin[kLeft]);
        AddInt(&m_nMargin[kRight]);
        AddInt(&m_nMargin[kTop]);
        AddInt(&m_nMargin[kBottom]);
    }
}

void cOutRange::MatchBlockCount(int version, int32_t blocks) {
    // Four single margins, or the same bytes as one block of four.
    int singles = StoredFrom(version, 125) ? 8 : 5;
    m_bMarginBlock = blocks == singles - 3;
    RegisterLayout(version);
}

// ---------------------------------------------------------------------------
// Backgrounds

cBackground::cBackground() { RegisterFields(g_DataVersion); }

void cBackground::RegisterFields(int version) {
    ClearFields();
    // Two int32 of the oldest files that have no meaning any more.
    auto addDropped = [&] {
        if (m_bDroppedBlock) {
            AddInt(m_nDropped, 2);
        } else {
            AddInt(&m_nDropped[0]);
            AddInt(&m_nDropped[1]);
        }
    };
    if (StoredFrom(version, 62)) AddInt(&m_bShown);
    AddInt(&m_bFill);
    AddInt(&m_nFillColor);
    AddInt(&m_nLayer);
    if (StoredFrom(version, 61)) {
        AddDouble(&m_dRateX);
        AddDouble(&m_dRateY);
    } else {
        addDropped();  // the rates as integers
    }
    if (StoredFrom(version, 61)) AddInt(&m_bAutoX);
    if (StoredFrom(version, 61)) AddInt(&m_bAutoY);
    if (StoredFrom(version, 876)) AddDouble(&m_dSpeedX);
    if (StoredFrom(version, 876)) AddDouble(&m_dSpeedY);
    AddString(&m_strPicture);
    if (StoredFrom(version, 62)) {
        AddDouble(&m_dOffsetX);
        AddDouble(&m_dOffsetY);
    } else if (version == 61) {
        addDropped();  // the offsets as integers
    }
}

void cBackground::MatchBlockCount(int version, int32_t blocks) {
    m_bDroppedBlock = false;
    RegisterLayout(version);
    if (!StoredFrom(version, 62) && blocks == FieldCount() - 1) {
        m_bDroppedBlock = true;
        RegisterLayout(version);
    }
}

// ---------------------------------------------------------------------------
// Variable names

cVarName::cVarName() { RegisterFields(g_DataVersion); }

void cVarName::RegisterFields(int) {
    ClearFields();
    AddString(&m_strName);
}

// ---------------------------------------------------------------------------
// The stage

namespace {

constexpr int kExtraSettings = 5;
constexpr int kVarNamesOfOldFiles = 1000;

void ResetPalette(auto& list) {
    using Entry = typename std::remove_reference_t<decltype(list)>::value_type;
    list.clear();
    list.push_back(ElementTraits<Entry>::MakeDefault());
}

// A placement list: each placement is preceded by an int32 that is written
// as 0 and means nothing.
template <class R>
bool ReadPlacements(cVector<R>& list, DataFile* file, int minBytes) {
    int32_t n = 0;
    if (!ReadListCount(n, file, minBytes + 4)) return false;
    list.clear();
    // The bytes left hold n placements at least, so room for them is in
    // proportion to the file, and the list is made without moving.
    list.reserve(static_cast<size_t>(n));
    // Each placement starts as a copy of one default placement.
    const R fresh = ElementTraits<R>::MakeDefault();
    for (int32_t i = 0; i < n; ++i) {
        int32_t unused = 0;
        if (!file->ReadInt(unused)) return false;
        if (!list.emplace_back(fresh).Read(file)) return false;
    }
    return true;
}

template <class R>
bool WritePlacements(cVector<R>& list, DataFile* file) {
    if (!file->WriteInt(list.Size())) return false;
    for (R& record : list)
        if (!file->WriteInt(0) || !record.Write(file)) return false;
    return true;
}

// Copies of one default record: a thousand entries are made at once, not
// one by one with the list growing under them.
template <class R>
void PadTo(cVector<R>& list, int size) {
    if (list.Size() < size) list.resize(static_cast<size_t>(size), ElementTraits<R>::MakeDefault());
}

// Lowers value to limit when it is greater; a limit below the int32 range
// (a hostile map size) lowers it as far as it goes.
void LowerTo(int32_t& value, int64_t limit) {
    if (value > limit) value = static_cast<int32_t>(std::max<int64_t>(limit, INT32_MIN));
}

const UpgradeStep<cStageInfo> kStageUpgrades[] = {
    {155, [](cStageInfo& s) {
         s.m_nHeroFlyBodyW = s.m_nHeroBodyW;
         s.m_nHeroFlyBodyH = s.m_nHeroBodyH;
         s.m_nCharaFlyBodyW = s.m_nCharaBodyW;
         s.m_nCharaFlyBodyH = s.m_nCharaBodyH;
         s.m_nHeroBodyAlign = s.m_nHeroFlyBodyAlign = 0;
         s.m_nCharaBodyAlign = s.m_nCharaFlyBodyAlign = 0;
     }},
    {166, [](cStageInfo& s) { s.m_nBgmOption = 1; }},
    {181, [](cStageInfo& s) {
         s.m_vExtra.resize(kExtraSettings, 0);
         s.m_vExtra[3] = s.m_vExtra[4] = 0;
     }},
    {183, [](cStageInfo& s) { s.m_nSetupOption = 1; }},
    {184, [](cStageInfo& s) { s.m_bAutoEnd = 0; }},
    {199, [](cStageInfo& s) { s.m_bKeepBgm = 0; }},
    {200, [](cStageInfo& s) {
         s.m_nHeroPicW = 16, s.m_nHeroPicH = 24;
         s.m_nHeroFlyPicW = 16, s.m_nHeroFlyPicH = 16;
         s.m_nHeroPicAlign = 1, s.m_nHeroFlyPicAlign = 0;
         s.m_nPicBoxShow = 0;
         s.m_nPicBoxColor = 5;
         s.m_nCharaPicW = 16, s.m_nCharaPicH = 30;
         s.m_nCharaFlyPicW = 16, s.m_nCharaFlyPicH = 30;
         s.m_nCharaPicAlign = 1, s.m_nCharaFlyPicAlign = 1;
     }},
    {225, [](cStageInfo& s) { s.m_bBannerB = 0; }},
    {754, [](cStageInfo& s) { PadTo(s.m_vVarName, kVarNamesOfOldFiles); }},
    {876, [](cStageInfo& s) {
         // The rate of a self-scrolling background was its speed.
         for (cBackground& b : s.m_vBackground) {
             if (b.m_bAutoX) {
                 b.m_dSpeedX = b.m_dRateX;
                 b.m_dRateX = 1.0;
             }
             if (b.m_bAutoY) {
                 b.m_dSpeedY = b.m_dRateY;
                 b.m_dRateY = 1.0;
             }
         }
     }},
};

}  // namespace

cStageInfo::cStageInfo() {
    RegisterFields(g_DataVersion);
    SetDefault();
}

void cStageInfo::SetDefault() {
    Clear();
    m_nFps = 60;
    m_nTimeLimit = 200;
    m_nTimeWarning = 20;
    m_dGravity = 0.4;
    m_nHitLevel = 10;
    m_bLayered = 1;
    m_nSetupOption = 1;
    m_bBannerB = 1;
    m_bClearBanner = 1;
    m_bOverBanner = 1;
    m_nHeroPicW = 16, m_nHeroPicH = 24, m_nHeroFlyPicW = 16, m_nHeroFlyPicH = 16;
    m_nHeroBodyW = 16, m_nHeroBodyH = 24, m_nHeroFlyBodyW = 16, m_nHeroFlyBodyH = 16;
    m_nHeroShotHitW = 12, m_nHeroShotHitH = 8;
    m_nHeroItemW = 16, m_nHeroItemH = 16;
    m_nHeroPicAlign = 1, m_nHeroFlyPicAlign = 0, m_nHeroBodyAlign = 1, m_nHeroFlyBodyAlign = 0;
    m_nCharaPicW = 16, m_nCharaPicH = 24, m_nCharaFlyPicW = 16, m_nCharaFlyPicH = 16;
    m_nCharaBodyW = 12, m_nCharaBodyH = 24, m_nCharaFlyBodyW = 12, m_nCharaFlyBodyH = 16;
    m_nCharaShotHitW = 30, m_nCharaShotHitH = 30;
    m_nCharaPicAlign = 1, m_nCharaFlyPicAlign = 0, m_nCharaBodyAlign = 1, m_nCharaFlyBodyAlign = 0;
    m_nItemBoxW = 28, m_nItemBoxH = 28;
    m_nHeroShotBoxW = 16, m_nHeroShotBoxH = 16;
    m_nReservedD[0] = m_nReservedD[1] = 16;
    m_nCharaShotBoxW = 16, m_nCharaShotBoxH = 16;
    m_nReservedE[0] = m_nReservedE[1] = 16;
    m_nReservedC = 1;
    m_bInViewOnly = 1;
    m_nCharaInvAttacker = 30;
    m_nHeroInvAttacker = 30;
    SetHitLevel(m_nHitLevel);

    m_vExtra.assign(kExtraSettings, 1);
    for (cOutRange& rule : m_OutRange) rule.Clear();
    for (int rule : {kOutRangeHeroShot, kOutRangeShot}) {
        std::fill(std::begin(m_OutRange[rule].m_bSide), std::end(m_OutRange[rule].m_bSide), 1);
        std::fill(std::begin(m_OutRange[rule].m_nMargin), std::end(m_OutRange[rule].m_nMargin),
                  rule == kOutRangeShot ? 10 : 0);
    }
    ResetPalette(m_vPltBlock);
    ResetPalette(m_vPltChara);
    ResetPalette(m_vPltItem);
    m_vBlock.clear();
    m_vChara.clear();
    m_vItem.clear();
    m_vBackground.clear();
    m_vBackground.push_back(cBackground());
    m_vVarName.clear();
}

void cStageInfo::RegisterFields(int version) {
    ClearFields();
    AddInt(&m_nWidth);
    AddInt(&m_nReservedA);
    AddInt(&m_nReservedB);
    AddInt(&m_nHeight);
    AddInt(&m_bLimitLeft);
    AddInt(&m_bLimitRight);
    AddInt(&m_bLimitTop);
    AddInt(&m_bLimitBottom);
    AddInt(&m_nLimitLeft);
    AddInt(&m_nLimitRight);
    AddInt(&m_nLimitTop);
    AddInt(&m_nLimitBottom);
    AddInt(&m_nFps);
    AddInt(&m_bTimeLimit);
    AddInt(&m_nTimeLimit);
    AddInt(&m_nTimeWarning);
    AddInt(&m_nScrollModeX);
    AddInt(&m_nScrollModeY);
    AddInt(&m_nScrollSpeedX);
    AddInt(&m_nScrollSpeedY);
    AddDouble(&m_dGravity);
    AddInt(&m_nHitLevel);
    AddInt(&m_nAttackLevel);
    AddInt(&m_nBgm);
    if (StoredFrom(version, 166)) AddInt(&m_nBgmOption);
    if (StoredFrom(version, 199)) AddInt(&m_bKeepBgm);
    AddInt(&m_bLayered);
    AddInt(&m_nRetryOption);
    AddInt(&m_nNextOption);
    if (StoredFrom(version, 183)) AddInt(&m_nSetupOption);
    if (StoredFrom(version, 184)) AddInt(&m_bAutoEnd);
    AddInt(&m_bBannerA);
    if (StoredFrom(version, 225)) AddInt(&m_bBannerB);
    AddInt(&m_bClearBanner);
    AddInt(&m_bOverBanner);
    if (StoredFrom(version, 200)) AddInt(&m_nHeroPicW);
    if (StoredFrom(version, 200)) AddInt(&m_nHeroPicH);
    if (StoredFrom(version, 200)) AddInt(&m_nHeroFlyPicW);
    if (StoredFrom(version, 200)) AddInt(&m_nHeroFlyPicH);
    AddInt(&m_nHeroBodyW);
    AddInt(&m_nHeroBodyH);
    if (StoredFrom(version, 155)) AddInt(&m_nHeroFlyBodyW);
    if (StoredFrom(version, 155)) AddInt(&m_nHeroFlyBodyH);
    AddInt(&m_nHeroShotHitW);
    AddInt(&m_nHeroShotHitH);
    AddInt(&m_nHeroItemW);
    AddInt(&m_nHeroItemH);
    if (StoredFrom(version, 200)) AddInt(&m_nHeroPicAlign);
    if (StoredFrom(version, 200)) AddInt(&m_nHeroFlyPicAlign);
    if (StoredFrom(version, 155)) AddInt(&m_nHeroBodyAlign);
    if (StoredFrom(version, 155)) AddInt(&m_nHeroFlyBodyAlign);
    if (StoredFrom(version, 200)) AddInt(&m_nPicBoxShow);
    AddInt(&m_nBodyBoxShow);
    AddInt(&m_nShotBoxShow);
    AddInt(&m_nItemBoxShow);
    if (StoredFrom(version, 200)) AddInt(&m_nPicBoxColor);
    AddInt(&m_nBodyBoxColor);
    AddInt(&m_nShotBoxColor);
    AddInt(&m_nItemBoxColor);
    if (StoredFrom(version, 200)) AddInt(&m_nCharaPicW);
    if (StoredFrom(version, 200)) AddInt(&m_nCharaPicH);
    if (StoredFrom(version, 200)) AddInt(&m_nCharaFlyPicW);
    if (StoredFrom(version, 200)) AddInt(&m_nCharaFlyPicH);
    AddInt(&m_nCharaBodyW);
    AddInt(&m_nCharaBodyH);
    if (StoredFrom(version, 155)) AddInt(&m_nCharaFlyBodyW);
    if (StoredFrom(version, 155)) AddInt(&m_nCharaFlyBodyH);
    AddInt(&m_nCharaShotHitW);
    AddInt(&m_nCharaShotHitH);
    if (StoredFrom(version, 200)) AddInt(&m_nCharaPicAlign);
    if (StoredFrom(version, 200)) AddInt(&m_nCharaFlyPicAlign);
    if (StoredFrom(version, 155)) AddInt(&m_nCharaBodyAlign);
    if (StoredFrom(version, 155)) AddInt(&m_nCharaFlyBodyAlign);
    AddInt(&m_nItemBoxW);
    AddInt(&m_nItemBoxH);
    AddInt(&m_nHeroShotBoxW);
    AddInt(&m_nHeroShotBoxH);
    if (m_bPairedReserved) {
        AddInt(m_nReservedD, 2);
    } else {
        AddInt(&m_nReservedD[0]);
        AddInt(&m_nReservedD[1]);
    }
    AddInt(&m_nCharaShotBoxW);
    AddInt(&m_nCharaShotBoxH);
    if (m_bPairedReserved) {
        AddInt(m_nReservedE, 2);
    } else {
        AddInt(&m_nReservedE[0]);
        AddInt(&m_nReservedE[1]);
    }
    AddInt(&m_nReservedC);
    AddInt(&m_nViewExtX);
    AddInt(&m_nViewExtY);
    AddInt(&m_nSubSteps);
    AddDouble(&m_dSubSteps);
    AddDouble(&m_dSubStepsSq);
    AddDouble(&m_dSpeedLimit);
    AddDouble(&m_dGravityStep);
    AddDouble(&m_dStepLimit);
    AddInt(&m_nSubSteps8);
    AddInt(&m_bInViewOnly);
    AddInt(&m_nCharaInvAttacker);
    AddInt(&m_nCharaInv);
    AddInt(&m_nHeroInvAttacker);
    AddInt(&m_nHeroInv);
    AddString(&m_strName);
}

void cStageInfo::MatchBlockCount(int version, int32_t blocks) {
    // Reserved D and E are four singles; a file that stores them as two
    // blocks of two (the same bytes) still reads.
    m_bPairedReserved = false;
    RegisterLayout(version);
    if (blocks == FieldCount() - 2) {
        m_bPairedReserved = true;
        RegisterLayout(version);
    }
}

bool cStageInfo::Read(DataFile* file) {
    // Placements and entries that take their flows from one palette entry
    // keep sharing them through the checks.
    FlowSharing sharing;
    SetDefault();
    bool ok = cRecord::Read(file);
    ok = ok && ReadTail(file);
    // Also after a broken read, so what is left is a stage play can use.
    ApplyUpgrades(kStageUpgrades, *this, g_FileVersion);
    Validate();
    return ok && file->Ok();
}

bool cStageInfo::ReadTail(DataFile* file) {
    const int version = g_FileVersion;  // nested reads leave it alone
    if (!ReadVector(m_vExtra, file)) return false;
    for (cOutRange& rule : m_OutRange)
        if (!rule.Read(file)) return false;
    if (!ReadPaletteList(m_vPltBlock, file, kMinBlockBytes) || !ReadPaletteList(m_vPltChara, file, kMinCharaBytes) ||
        !ReadPaletteList(m_vPltItem, file, kMinItemBytes))
        return false;
    ResetEntryZero(m_vPltBlock);
    ResetEntryZero(m_vPltChara);
    ResetEntryZero(m_vPltItem);
    if (!ReadPlacements(m_vBlock, file, kMinBlockBytes) || !ReadPlacements(m_vChara, file, kMinCharaBytes) ||
        !ReadPlacements(m_vItem, file, kMinItemBytes))
        return false;
    if (!ReadNestedRecords(m_vBackground, file, kMinRecordBytes, [] { return cBackground(); }) ||
        !ReadNestedRecords(m_vVarName, file, kMinRecordBytes, [] { return cVarName(); }))
        return false;
    if (StoredFrom(version, kStageTrailerFrom)) {
        int32_t trailer = 0;  // compared before the load, not here
        if (!file->ReadInt(trailer)) return false;
    }
    return true;
}

bool cStageInfo::Write(DataFile* file) {
    Validate();
    return WriteParts(file, *this);
}

bool cStageInfo::WriteForReplay(DataFile* file, cStageInfo& settings) {
    Validate();
    return WriteParts(file, settings);
}

bool cStageInfo::WriteParts(DataFile* file, cStageInfo& settings) {
    if (!file) return false;
    if (!settings.cRecord::Write(file) || !WriteVector(settings.m_vExtra, file)) return false;
    for (cOutRange& rule : settings.m_OutRange)
        if (!rule.Write(file)) return false;
    return WriteRecords(m_vPltBlock, file) && WriteRecords(m_vPltChara, file) && WriteRecords(m_vPltItem, file) &&
           WritePlacements(m_vBlock, file) && WritePlacements(m_vChara, file) && WritePlacements(m_vItem, file) &&
           WriteRecords(settings.m_vBackground, file) && WriteRecords(settings.m_vVarName, file) &&
           file->WriteInt(kStageTrailer);
}

void cStageInfo::Validate() {
    // 20 x 15 tiles is the view.
    LowerTo(m_nLimitLeft, int64_t{m_nWidth} - 20);
    LowerTo(m_nLimitRight, int64_t{m_nWidth} - 1);
    LowerTo(m_nLimitTop, int64_t{m_nHeight} - 15);
    LowerTo(m_nLimitBottom, int64_t{m_nHeight} - 1);
    SetHitLevel(m_nHitLevel);
    if (m_nBgm < 0 || m_nBgm >= g_Database.m_vBgm.Size()) m_nBgm = 0;
    // The end-of-stage and ranking code reads all five.
    if (m_vExtra.Size() < kExtraSettings) m_vExtra.resize(kExtraSettings, 1);
    PadToTwo(m_vPltBlock);
    PadToTwo(m_vPltChara);
    PadToTwo(m_vPltItem);

    auto checkBlocks = [](cVector<cPltBlock>& list) {
        for (cPltBlock& b : list) b.Validate(), b.ValidateItemRef();
    };
    auto checkCharas = [](cVector<cCharaDef>& list) {
        for (cCharaDef& c : list) c.Validate(), c.ValidateFlows();
    };
    auto checkItems = [](cVector<cPltItem>& list) {
        for (cPltItem& i : list) i.Validate(), i.ValidateCmds();
    };
    checkBlocks(m_vPltBlock);
    checkCharas(m_vPltChara);
    checkItems(m_vPltItem);
    checkBlocks(m_vBlock);
    checkCharas(m_vChara);
    checkItems(m_vItem);
}

void cStageInfo::SetHitLevel(int level) {
    // A level below 1 would leave no sub-step to divide by.
    if (level < 1) WriteReport("hit level %d of the stage is taken as 1", level);
    // A gravity that is not a number would turn every speed and place into
    // one.
    if (!std::isfinite(m_dGravity)) {
        WriteReport("gravity of the stage is not a number; 0.4 is taken");
        m_dGravity = 0.4;
    }
    const int L = std::clamp(level, 1, kMaxHitLevel);
    const bool fastLevel = L >= 11 && L <= 19;
    const int n = fastLevel ? L - 10 : L;
    m_nHitLevel = L;
    m_nSubSteps = n;
    m_dSubSteps = n;
    m_nSubSteps6 = 6 * n;
    m_dSubStepsSq = double(n) * n;
    m_dSpeedLimit = fastLevel ? 60.0 : 6.0 * n;
    m_nSubSteps8 = 8 * n;
    m_dStepLimit = m_dSpeedLimit / n;
    m_dGravityStep = m_dGravity / m_dSubStepsSq;
}

int cStageInfo::FindHero() const {
    for (int i = 0; i < m_vChara.Size(); ++i) {
        const cCharaDef& chara = m_vChara[static_cast<size_t>(i)];
        if (chara.m_sChip != 0 && chara.m_cOperatedBy == 0) return i;
    }
    return -1;
}
