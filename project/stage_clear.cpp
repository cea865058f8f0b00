#include "project/stage_clear.h"

void cStageClearRecord::RegisterFields(int version) {
    ClearFields();
    if (StoredFrom(version, kStageKeyFrom)) AddInt(&m_nKeyed);
    if (StoredFrom(version, kStageKeyFrom)) AddInt(&m_nKeyA);
    if (StoredFrom(version, kStageKeyFrom)) AddInt(&m_nKeyB);
    AddInt(&m_nScore);
    AddString(&m_strPath);
    if (StoredFrom(version, kStageKeyFrom)) AddString(&m_strKey);
}

bool cStageClearRecord::Read(DataFile* file) {
    bool ok = cRecord::Read(file);
    if (!StoredFrom(g_FileVersion, kStageKeyFrom)) {
        m_strKey = m_strPath;
        m_nKeyed = 0;  // such a stage was never started from a keyed entry
    }
    return ok;
}

void cCarryStatus::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nHP);
    AddInt(&m_nSP);
    AddInt(&m_nTime);
    AddInt(&m_nLives);
    AddInt(&m_nBgm);
}

bool cCarryStatus::Read(DataFile* file) { return cRecord::Read(file) && m_Def.Read(file); }

bool cCarryStatus::Write(DataFile* file) { return cRecord::Write(file) && m_Def.Write(file); }
