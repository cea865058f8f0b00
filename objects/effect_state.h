// Running states of chara effects and screen effects: a value moved from a
// start to an end over a run time, or a plain timer. One prepared state per
// database entry and direction is built at start-up; a running effect
// starts by copying the prepared state of its entry.
#pragma once
#include <cstdint>

#include "core/containers.h"
#include "core/program_object.h"

class cCharaEffectData;
class cScrEffectData;

// Run mode of an effect.
enum : int32_t {
    kEffectForward = 0,
    kEffectReversed = 1,
    kEffectThereAndBack = 2,
};

class cCharaEffectState {
public:
    int16_t m_sEffect = 0;                  // entry of the chara-effect list; 0 none
    cCharaEffectData* m_pRecord = nullptr;  // the entry, or its reversed copy
    int32_t m_nMode = 0;
    int32_t m_bLoop = 0;
    int32_t m_bReversed = 0;  // the reversed pass runs
    int32_t m_nStart = 0;
    int32_t m_nEnd = 0;
    double m_dValue = 0;
    double m_dStep = 0;   // change of the value, or of the timer, per frame
    double m_dTimer = 0;  // tenths of a second, when start and end are equal
    int32_t m_nRunTime = 0;
    int32_t m_nCounter = 0;  // frame counter of the renderers
    int32_t m_nToggle = 0;

    // Entry 0, no record, every value 0.
    void Clear() { *this = cCharaEffectState(); }
    // Prepares the state of entry `effect` of the chara-effect list, or,
    // reversed, of its run-time copy, whose start and end values it then
    // exchanges in place. Only the start-up builder calls it.
    void Setup(int16_t effect, int reversed);
    // Everything of a prepared state but the entry, mode, loop and
    // reversed flags.
    void CopyFrom(const cCharaEffectState& proto);
    // Starts entry `effect` from its prepared state: the reversed one for
    // mode 1, else the forward one. A bad entry is reported and entry 0's
    // state is used.
    void Start(int16_t effect, int mode, int loop);
    // Begins the next pass: in mode 2 the direction turns.
    void Restart();
    // One frame; 1 when the effect has ended.
    int Advance();
};

class cScreenEffectState {
public:
    int16_t m_sEffect = 0;                // entry of the screen-effect list; 0 none
    cScrEffectData* m_pRecord = nullptr;  // the entry, or its reversed copy
    int32_t m_nMode = 0;
    int32_t m_bLoop = 0;
    int32_t m_bReversed = 0;
    double m_dValue = 0;
    double m_dShake = 0;  // offset of the shake handlers
    double m_dStep = 0;
    int32_t m_nWorkA = 0;  // work values of the handlers
    int32_t m_nWorkB = 0;
    int32_t m_bTimerMode = 0;
    double m_dTimer = 0;  // tenths of a second, in timer mode
    int32_t m_nRunTime = 0;

    void Clear() { *this = cScreenEffectState(); }
    void Setup(int16_t effect, int reversed);
    void CopyFrom(const cScreenEffectState& proto);
    void Start(int16_t effect, int mode, int loop);
    void Restart();
    // One frame of a handler that runs the value from start to end by step;
    // 1 when the effect has ended.
    int Advance(int start, int end, double step);
};

// Prepared states, index = entry of the effect list.
PROGRAM_OBJECT_DECLARE(g_CharaEffectProtos, cVector<cCharaEffectState>);
PROGRAM_OBJECT_DECLARE(g_CharaEffectProtosRev, cVector<cCharaEffectState>);
PROGRAM_OBJECT_DECLARE(g_ScrEffectProtos, cVector<cScreenEffectState>);
PROGRAM_OBJECT_DECLARE(g_ScrEffectProtosRev, cVector<cScreenEffectState>);

// Build the prepared states of every entry of g_Database's chara-effect
// (screen-effect) list, forward and reversed. Each reversed copy is first
// refreshed from its entry, so its start and end are exchanged exactly once
// however often this runs.
void InitCharaEffectStates(cVector<cCharaEffectState>& forward, cVector<cCharaEffectState>& reversed);
void InitScrEffectStates(cVector<cScreenEffectState>& forward, cVector<cScreenEffectState>& reversed);
