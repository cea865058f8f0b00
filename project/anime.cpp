#include "project/anime.h"

#include <algorithm>
#include <limits>

#include "core/report_log.h"

int32_t TenthsToTicks(int32_t tenths) {
    const int64_t ticks = int64_t{tenths} * 6;
    return static_cast<int32_t>(std::clamp<int64_t>(ticks, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int32_t ChipFrame(int32_t chip) { return chip < 0 ? 0 : chip; }

// cAnimeFrameData

cAnimeFrameData::cAnimeFrameData() {
    Clear();
    m_nTime = 1;
}

void cAnimeFrameData::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nChip);
    AddInt(&m_nTime);
    AddInt(&m_nNoInterrupt);
}

// cAnimeData

cAnimeData::cAnimeData() {
    Clear();
    m_cEditorB = 1;
    m_vFrame.assign(1, cAnimeFrameData());
}

void cAnimeData::RegisterFields(int version) {
    ClearFields();
    if (StoredFrom(version, 55)) AddShort(&m_sEditorA);
    if (StoredFrom(version, 55)) AddByte(&m_cEditorB);
    if (StoredFrom(version, 55)) AddShort(&m_sEditorC);
    AddString(&m_strName);
}

bool cAnimeData::Read(DataFile* file) {
    return cRecord::Read(file) && ReadNestedRecords(m_vFrame, file, kMinRecordBytes, [] { return cAnimeFrameData(); });
}

bool cAnimeData::Write(DataFile* file) { return cRecord::Write(file) && WriteRecords(m_vFrame, file); }

// cAnimeSetData

namespace {

void MakeFourAnimes(cAnimeSetData& set) { set.m_vAnime.resize(kBasicAnimeCount); }

void AddFlightAnimes(cAnimeSetData& set) {
    MakeFourAnimes(set);
    set.m_vAnime[kAnimeFly].m_strName = "飛行";
    set.m_vAnime[kAnimeFlyMove].m_strName = "飛行移動";
}

// An anime set of older files is brought to the current meaning in steps.
constexpr UpgradeStep<cAnimeSetData> kAnimeSetUpgrades[] = {
    {119, MakeFourAnimes},
    {128, AddFlightAnimes},
};

}  // namespace

cAnimeSetData::cAnimeSetData() { SetDefault(); }

void cAnimeSetData::SetDefault() {
    Clear();
    m_nInvincibleChip = 4;
    m_nBlockChip = 8;
    m_nFlightChip = 0;
    m_vAnime.assign(kBasicAnimeCount, cAnimeData());
    m_vAnime[kAnimeStand].m_strName = "立ち";
    m_vAnime[kAnimeWalk].m_strName = "立ち移動";
    m_vAnime[kAnimeFly].m_strName = "飛行";
    m_vAnime[kAnimeFlyMove].m_strName = "飛行移動";
}

void cAnimeSetData::RegisterFields(int version) {
    ClearFields();
    AddInt(&m_nInvincibleChip);
    AddInt(&m_nBlockChip);
    if (StoredFrom(version, 119)) AddInt(&m_nFlightChip);
    AddString(&m_strName);
}

bool cAnimeSetData::Read(DataFile* file) {
    // An anime's smallest form: its two counts and its frame count.
    bool ok = cRecord::Read(file) &&
              ReadNestedRecords(m_vAnime, file, kMinRecordBytes + 4, [] { return cAnimeData(); });
    ApplyUpgrades(kAnimeSetUpgrades, *this, g_FileVersion);
    return ok;
}

bool cAnimeSetData::Write(DataFile* file) { return cRecord::Write(file) && WriteRecords(m_vAnime, file); }

const cAnimeData& cAnimeSetData::BasicAnime(int action) const {
    if (action >= 0 && action < m_vAnime.Size()) return m_vAnime[static_cast<size_t>(action)];
    // The line of a bad index, but no close: a short set is a valid file.
    WriteReportDebug("err V[%d] ( %d , %d )", action, m_vAnime.Size(), static_cast<int>(sizeof(cAnimeData)));
    if (!m_vAnime.empty()) return m_vAnime[0];
    static const cAnimeData kDefaultAnime;
    return kDefaultAnime;
}
