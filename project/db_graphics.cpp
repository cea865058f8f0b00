#include "project/db_graphics.h"

#include <algorithm>
#include <cstdint>

bool ReadOldDbRecord(cRecord& record, int32_t& editorNumber, DataFile* file) {
    bool ok = record.cRecord::Read(file);
    if (g_FileVersion < 153) editorNumber = 0;
    return ok;
}

// cBmpCharaExcData

cBmpCharaExcData::cBmpCharaExcData() {
    Clear();
    m_nChipSize = 2;
}

void cBmpCharaExcData::RegisterFields(int version) {
    ClearFields();
    if (StoredFrom(version, 152)) AddInt(&m_nEditorNo);
    if (StoredFrom(version, 172)) AddInt(&m_nLargeChips);
    if (StoredFrom(version, 172)) AddInt(&m_nChipSize);
    AddString(&m_strName);
    AddString(&m_strFile);
}

bool cBmpCharaExcData::Read(DataFile* file) { return ReadOldDbRecord(*this, m_nEditorNo, file); }

int cBmpCharaExcData::ChipSide() const {
    // A size of 0 or above 16 would leave no chip on a line of the sheet.
    return m_nLargeChips == 1 ? std::clamp(m_nChipSize, 1, 16) * 32 : 32;
}

void cBmpCharaExcData::ChipPos(int chip, int& x, int& y) const {
    int side = ChipSide();
    int perLine = 512 / side;
    x = (chip % perLine) * side;
    // A chip number from a broken file may lie far below the sheet; its place
    // stays far outside instead of overflowing, with room left for its side.
    int64_t line = int64_t{chip / perLine} * side;
    y = static_cast<int>(std::clamp<int64_t>(line, INT32_MIN, INT32_MAX - 512));
}

// cSwordPartData

cSwordPartData::cSwordPartData() {
    Clear();
    m_nMirrorX = 1;
}

void cSwordPartData::RegisterFields(int version) {
    ClearFields();
    AddInt(&m_nOffsetX);
    AddInt(&m_nOffsetY);
    if (StoredFrom(version, 138)) AddInt(&m_nMirrorX);
    if (StoredFrom(version, 138)) AddInt(&m_nMirrorY);
    AddInt(&m_nSide);
    AddInt(&m_nSrcX);
    AddInt(&m_nSrcY);
    AddInt(&m_nWidth);
    AddInt(&m_nHeight);
    AddInt(&m_nTime);
}

// cSwordTypeData

cSwordTypeData::cSwordTypeData() { SetDefault(); }

void cSwordTypeData::SetDefault() {
    Clear();
    m_vPart.assign(1, cSwordPartData());
    m_vPart[0].m_nTime = 1;
}

void cSwordTypeData::RegisterFields(int version) {
    ClearFields();
    if (StoredFrom(version, 151)) AddInt(&m_nEditorNo);
    AddString(&m_strName);
    AddString(&m_strFileL);
    AddString(&m_strFileR);
}

bool cSwordTypeData::Read(DataFile* file) {
    return ReadOldDbRecord(*this, m_nEditorNo, file) &&
           ReadNestedRecords(m_vPart, file, kMinRecordBytes, [] { return cSwordPartData(); });
}

bool cSwordTypeData::Write(DataFile* file) { return cRecord::Write(file) && WriteRecords(m_vPart, file); }

// cIntPair

cIntPair::cIntPair() { Clear(); }

cIntPair::cIntPair(int32_t first, int32_t second) {
    Clear();
    m_nFirst = first;
    m_nSecond = second;
}

void cIntPair::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nFirst);
    AddInt(&m_nSecond);
}

// cEffectData

cEffectData::cEffectData() { SetDefault(); }

void cEffectData::SetDefault() {
    Clear();
    m_nWidth = 32;
    m_nHeight = 32;
    m_nScales = 0;
    m_vFrame.assign(1, cIntPair(0, 1));
}

void cEffectData::RegisterFields(int version) {
    ClearFields();
    if (StoredFrom(version, 151)) AddInt(&m_nEditorNo);
    AddInt(&m_nWidth);
    AddInt(&m_nHeight);
    AddInt(&m_nScales);
    AddString(&m_strName);
    AddString(&m_strFile);
}

bool cEffectData::Read(DataFile* file) {
    return ReadOldDbRecord(*this, m_nEditorNo, file) &&
           ReadNestedRecords(m_vFrame, file, kMinRecordBytes, [] { return cIntPair(0, 1); });
}

bool cEffectData::Write(DataFile* file) { return cRecord::Write(file) && WriteRecords(m_vFrame, file); }
