#include "project/condition.h"

#include <cstdlib>

bool CompareByOp(int32_t a, int32_t b, int op) {
    // In 64 bits: |INT32_MIN| must not overflow, nor INT32_MIN % -1 trap.
    int64_t magnitude = std::llabs(int64_t{a});
    switch (op) {
    case 0: return a == b;
    case 1: return a != b;
    case 2: return a >= b;
    case 3: return a <= b;
    case 4: return a > b;
    case 5: return a < b;
    case 6: return b == 0 || magnitude % b == 0;
    case 7: return b != 0 && magnitude % b != 0;
    default: return false;
    }
}

bool CompareByOp16(int16_t a, int16_t b, int op) { return CompareByOp(int32_t{a}, int32_t{b}, op); }
bool CompareByOp8(int8_t a, int8_t b, int op) { return CompareByOp(int32_t{a}, int32_t{b}, op); }

// ---- cCondition

namespace {

int8_t Plus(int8_t value, int add) { return static_cast<int8_t>(value + add); }

// The old status numbering had no slot at `from`; statuses of the system
// subject (`system`) were never renumbered.
void ShiftStatusItems(cCondition& c, int system, int from, int add) {
    if (c.m_cLeftSource == 0 && c.m_cSubject != system && c.m_cLeftItem >= from)
        c.m_cLeftItem = Plus(c.m_cLeftItem, add);
    if (c.m_cRightSource == 2 && c.m_cRightSubject != system && c.m_cRightItem >= from)
        c.m_cRightItem = Plus(c.m_cRightItem, add);
}

constexpr UpgradeStep<cCondition> kConditionUpgrades[] = {
    {160, [](cCondition& c) { if (c.m_cKind >= 5) c.m_cKind = Plus(c.m_cKind, 2); }},
    {161, [](cCondition& c) { if (c.m_cKind == 6 && c.m_cLeftItem == 2) c.m_cOperator ^= 1; }},
    {168, [](cCondition& c) { if (c.m_cKind == 4) ShiftStatusItems(c, 2, 10, 1); }},
    {203, [](cCondition& c) { if (c.m_cKind == 4) ShiftStatusItems(c, 2, 5, 1); }},
    {210, [](cCondition& c) {
         if (c.m_cKind == 5 && c.m_cSubject != 2 && c.m_cLeftItem >= 6) c.m_cLeftItem = Plus(c.m_cLeftItem, 1);
     }},
    {657, [](cCondition& c) { if (c.m_cKind == 7) c.m_cSubject = 0; }},
    {745, [](cCondition& c) { if (c.m_cKind == 7) c.m_cLeftSource = 0; }},
    {746, [](cCondition& c) {
         if (c.m_cKind == 7) {
             c.m_cRightSource = 1;
             c.m_cRightSubject = 1;
         }
     }},
    // Targets 3 and 4 joined; the system subject moved from 2 to 5.
    {767, [](cCondition& c) {
         if (c.m_cKind != 4 && c.m_cKind != 5) return;
         if (c.m_cSubject >= 2) c.m_cSubject = Plus(c.m_cSubject, 3);
         if (c.m_cRightSubject >= 2) c.m_cRightSubject = Plus(c.m_cRightSubject, 3);
     }},
    {883, [](cCondition& c) {
         if (c.m_cKind != 4) return;
         c.m_cLeftXYMode = c.m_cRightXYMode = 0;
         ShiftStatusItems(c, 5, 6, 2);
     }},
    {892, [](cCondition& c) {
         if (c.m_cKind == 4) c.m_cLeftYPoint = c.m_cRightYPoint = 0;
     }},
};

}  // namespace

cCondition::cCondition() { Clear(); }

void cCondition::RegisterFields(int version) {
    ClearFields();
    AddByte(&m_cKind);
    AddInt(&m_nValue);
    if (StoredFrom(version, 110)) {
        AddInt(&m_nRandLow);
        AddInt(&m_nRandHigh);
        AddByte(&m_cSubject);
        AddByte(&m_cLeftItem);
        AddByte(&m_cLeftSource);
        AddByte(&m_cLeftArea);
        AddShort(&m_sVarIndex);
        AddByte(&m_cRightSource);
        AddByte(&m_cRightSubject);
        AddByte(&m_cRightItem);
        AddByte(&m_cRightArea);
        AddShort(&m_sRightIndex);
    } else {
        AddShort(&m_sOldPair[0]);
        AddShort(&m_sOldPair[1]);
    }
    AddByte(&m_cOperator);
    if (StoredFrom(version, 43)) AddByte(&m_cPercent);
    if (StoredFrom(version, 883)) AddByte(&m_cLeftXYMode);
    if (StoredFrom(version, 883)) AddByte(&m_cRightXYMode);
    if (StoredFrom(version, 893)) AddByte(&m_cLeftYPoint);
    if (StoredFrom(version, 893)) AddByte(&m_cRightYPoint);
    AddByte(&m_cShape);
}

bool cCondition::Read(DataFile* file) {
    bool ok = cRecord::Read(file);
    ApplyUpgrades(kConditionUpgrades, *this, g_FileVersion);
    Validate();
    return ok;
}

// ---- cCondList

cCondList::cCondList() { Clear(); }

void cCondList::RegisterFields(int) {
    ClearFields();
    AddByte(&m_cEnabled);
    AddByte(&m_cMode);
}

bool cCondList::Read(DataFile* file) {
    bool ok = cRecord::Read(file);
    // Lists stored before 766 hold only the two bytes.
    if (ok && g_FileVersion >= 766) ok = ReadRecordVector(m_vCond, file);
    Validate();
    return ok;
}

bool cCondList::Write(DataFile* file) {
    Validate();
    return cRecord::Write(file) && WriteRecordVector(m_vCond, file);
}

void MakeCondList(boost::shared_ptr<cCondList>& list) { list.reset(new cCondList()); }

// ---- cKeyCond

cKeyCond::cKeyCond() { SetDefault(); }

void cKeyCond::RegisterFields(int) {
    ClearFields();
    AddByte(&m_cRelative);
    AddShort(&m_sHoldMin);
    AddShort(&m_sHoldMax);
    AddByte(&m_cAnyHold);
    AddByte(&m_cMode);
}

void cKeyCond::SetDefault() {
    Clear();
    m_vKey.resize(kKeyCount, 0);
}

bool cKeyCond::Read(DataFile* file) {
    bool ok = cRecord::Read(file) && ReadVector(m_vKey, file);
    Validate();
    return ok;
}

bool cKeyCond::Write(DataFile* file) {
    Validate();
    return cRecord::Write(file) && WriteVector(m_vKey, file);
}
