// When something may happen: one stored test (cCondition), the condition
// list a flow command can carry (cCondList) and one step of a flow's key
// sequence (cKeyCond). Stage play, the flow engine and the characters
// evaluate them; here they are stored, upgraded from older files and
// compared.
#pragma once
#include <boost/shared_ptr.hpp>
#include <cstdint>

#include "core/containers.h"
#include "core/record.h"
#include "project/record_read.h"

// Comparison operators shared by every condition kind and the status
// commands: 0 equal, 1 not equal, 2 greater or equal, 3 less or equal,
// 4 greater, 5 less, 6 divisible (|a| mod b = 0, or b = 0), 7 not divisible
// (b != 0 and |a| mod b != 0); any other operator is false.
bool CompareByOp(int32_t a, int32_t b, int op);
// The same for 16- and 8-bit values: both sides are taken in that width
// (a wider value is cut to it), then compared as above.
bool CompareByOp16(int16_t a, int16_t b, int op);
bool CompareByOp8(int8_t a, int8_t b, int op);

class cCondition : public cRecord {
public:
    int8_t m_cKind = 0;          // 0 none, 1..3 common/stage/chara variable, 4..6 status 1..3, 7 distance
    int8_t m_cLeftSource = 0;    // kind 4: 0 status, 1 variable; kind 7: range display
    int8_t m_cLeftArea = 0;      // kind 4, left variable: 0 common, 1 stage
    int8_t m_cSubject = 0;       // 0 itself, 1..4 targets, 5 the system
    int8_t m_cLeftItem = 0;      // status, state property or state tested; kind 7: colour
    int16_t m_sVarIndex = 0;     // kinds 1..3: the variable; kind 4: left variable; kind 5: comparand
    int8_t m_cRightSource = 0;   // kind 4: 0 constant, 1 random, 2 status, 3 variable
    int32_t m_nValue = 0;        // the comparand; kind 7: range in half blocks
    int32_t m_nRandLow = 0;
    int32_t m_nRandHigh = 0;
    int8_t m_cRightSubject = 0;
    int8_t m_cRightItem = 0;
    int8_t m_cRightArea = 0;
    int16_t m_sRightIndex = 0;   // kind 7: extra range in dots
    int8_t m_cOperator = 0;
    int8_t m_cPercent = 0;
    int8_t m_cLeftXYMode = 0;
    int8_t m_cRightXYMode = 0;
    int8_t m_cLeftYPoint = 0;
    int8_t m_cRightYPoint = 0;
    int8_t m_cShape = 0;         // kind 7: band, front, back, vertical, front Y, back Y, circle

    cCondition();

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override { return ValidateAndWrite(*this, file); }
    void Validate() {}

private:
    // Files before 110 hold two 16-bit values where the random bounds are
    // now; they are read here and dropped.
    int16_t m_sOldPair[2] = {};
};

class cCondList : public cRecord {
public:
    int8_t m_cEnabled = 0;  // 1: the list must hold before the command acts
    int8_t m_cMode = 0;     // 0 all must hold, 1 at least one
    cVector<cCondition> m_vCond;

    cCondList();

    void RegisterFields(int version) override;
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
    void Validate() {}
};

// A fresh default list (both bytes 0, no conditions) in the pointer.
void MakeCondList(boost::shared_ptr<cCondList>& list);

class cKeyCond : public cRecord {
public:
    static constexpr int kKeyCount = 19;
    // Per input: 0 ignored, 1 must be on, 2 must be off. Entries 0..9 are the
    // direction states, 10 no button, 11..18 buttons 1..8.
    cVector<int8_t> m_vKey;
    int8_t m_cRelative = 0;  // direction entries taken relative to the facing
    int16_t m_sHoldMin = 0;
    int16_t m_sHoldMax = 0;
    int8_t m_cAnyHold = 0;
    int8_t m_cMode = 0;      // 0 every listed key, 1 at least one, 2 exactly one

    cKeyCond();

    void RegisterFields(int version) override;
    // Registered fields 0 and exactly kKeyCount key entries; entries already
    // there keep their values.
    void SetDefault();
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
    void Validate() {}
};

template <>
struct ElementTraits<cKeyCond> {
    static cKeyCond MakeDefault() {
        cKeyCond key;
        key.SetDefault();
        return key;
    }
    static void Assign(cKeyCond& target, const cKeyCond& source) { target = source; }
};
