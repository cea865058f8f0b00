#include "project/db_media.h"

#include "project/db_graphics.h"
#include "project/effect_tables.h"

namespace {

// Rows of the upgrade of effect files up to version 510: the one parameter
// such files lack, per kind, is set to its default.
struct ParamFill {
    int32_t kind;
    int param;
};
constexpr ParamFill kCharaParamFill[] = {
    {kCharaFxWaveH, 4},
    {kCharaFxWaveV, 4},
    {kCharaFxCircle, 3},
};
constexpr ParamFill kScrParamFill[] = {
    {kScrFxWaveH, 4},
    {kScrFxWaveV, 4},
    {kScrFxCircle, 3},
};

template <size_t N>
void FillMissingParam(cCharaEffectData& effect, const ParamFill (&rows)[N], int (*paramDefault)(int, int)) {
    if (g_FileVersion > kEffectParamUpgradeLast) return;
    for (const ParamFill& row : rows)
        if (effect.m_nKind == row.kind) effect.m_nParam[row.param] = paramDefault(row.kind, row.param);
}

}  // namespace

// Effects

cCharaEffectData::cCharaEffectData() { SetDefault(); }

void cCharaEffectData::SetDefault() {
    Clear();
    m_nKind = 1;
}

void cCharaEffectData::RegisterFields(int) {
    ClearFields();
    AddString(&m_strName);
    AddInt(&m_nKind);
    AddInt(m_nParam, 5);
}

bool cCharaEffectData::Read(DataFile* file) {
    bool ok = cRecord::Read(file);
    FillMissingParam(*this, kCharaParamFill, CharaEffectParamDefault);
    Validate();
    return ok;
}

bool cScrEffectData::Read(DataFile* file) {
    bool ok = cRecord::Read(file);
    FillMissingParam(*this, kScrParamFill, ScrEffectParamDefault);
    Validate();
    return ok;
}

// Pictures

cPictureData::cPictureData() { SetDefault(); }

void cPictureData::SetDefault() { Clear(); }

void cPictureData::RegisterFields(int version) {
    ClearFields();
    if (StoredFrom(version, 151)) AddInt(&m_nEditorNo);
    AddString(&m_strName);
    AddString(&m_strFile);
}

bool cPictureData::Read(DataFile* file) { return ReadOldDbRecord(*this, m_nEditorNo, file); }

// Sounds

cSoundData::cSoundData() { SetDefault(); }

void cSoundData::SetDefault() { Clear(); }

void cSoundData::RegisterFields(int version) {
    ClearFields();
    AddString(&m_strName);
    AddString(&m_strFile);
    if (StoredFrom(version, 151)) AddInt(&m_nEditorNo);
}

bool cSoundData::Read(DataFile* file) { return ReadOldDbRecord(*this, m_nEditorNo, file); }

// Music

cBgmData::cBgmData() { SetDefault(); }

void cBgmData::SetDefault() {
    Clear();
    m_nVolume = 100;
}

void cBgmData::RegisterFields(int version) {
    ClearFields();
    if (StoredFrom(version, 151)) AddInt(&m_nEditorNo);
    AddString(&m_strName);
    AddString(&m_strFile);
    if (StoredFrom(version, 814)) AddInt(&m_nVolume);
}

bool cBgmData::Read(DataFile* file) { return ReadOldDbRecord(*this, m_nEditorNo, file); }
