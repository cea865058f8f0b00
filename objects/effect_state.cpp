#include "objects/effect_state.h"

#include <cmath>
#include <utility>

#include "project/database.h"
#include "project/db_media.h"

PROGRAM_OBJECT_DEFINE(g_CharaEffectProtos, cVector<cCharaEffectState>);
PROGRAM_OBJECT_DEFINE(g_CharaEffectProtosRev, cVector<cCharaEffectState>);
PROGRAM_OBJECT_DEFINE(g_ScrEffectProtos, cVector<cScreenEffectState>);
PROGRAM_OBJECT_DEFINE(g_ScrEffectProtosRev, cVector<cScreenEffectState>);

namespace {

constexpr double kSixth = 1.0 / 6.0;  // a tenth of a second is six frames

// Per-frame change that takes a value from start to end in runTime tenths
// of a second. A run time of 0 or less must still end the pass in its first
// frame, without an infinite, negative or undefined step: one step then
// carries the value one unit beyond the end.
double StepOver(int32_t start, int32_t end, int32_t runTime) {
    double distance = std::fabs(static_cast<double>(end) - static_cast<double>(start));
    if (runTime <= 0) return distance + 1.0;
    return distance / (static_cast<double>(runTime) * 6.0);
}

// Both kinds of state start, turn and end their passes alike.

template <class State>
void StartState(State& s, cVector<State>& forward, cVector<State>& reversed, int16_t effect, int mode, int loop) {
    const bool back = mode == kEffectReversed;
    s.CopyFrom((back ? reversed : forward).At(effect));
    s.m_bReversed = back ? 1 : 0;
    s.m_sEffect = effect;
    s.m_nMode = mode;
    s.m_bLoop = loop;
}

template <class State>
void RestartState(State& s, cVector<State>& forward, cVector<State>& reversed) {
    if (s.m_nMode == kEffectThereAndBack) s.m_bReversed = s.m_bReversed ? 0 : 1;
    s.CopyFrom((s.m_bReversed ? reversed : forward).At(s.m_sEffect));
}

// At the end of a pass a looping effect starts again and a there-and-back
// one turns once; 1 when the effect has ended.
template <class State>
int EndOfPass(State& s, bool goesOn) {
    if (goesOn) return 0;
    if (s.m_bLoop || (s.m_nMode == kEffectThereAndBack && !s.m_bReversed)) {
        s.Restart();
        return 0;
    }
    return 1;
}

}  // namespace

// Chara effects

void cCharaEffectState::Setup(int16_t effect, int reversed) {
    m_sEffect = effect;
    cCharaEffectData& record =
        reversed ? g_Database.m_vCharaEffectRev.At(effect) : g_Database.m_vCharaEffect.At(effect);
    m_pRecord = &record;
    int32_t* p = record.m_nParam;
    int32_t kind = record.m_nKind;
    switch (kind) {
    case kCharaFxBurst:
    case kCharaFxSplitH:
    case kCharaFxSplitV:
    case kCharaFxWaveH:
    case kCharaFxWaveV:
    case kCharaFxRotateA:
    case kCharaFxRotateB:
    case kCharaFxRotateDepth:
    case kCharaFxCircle:
    case kCharaFxZoom:
    case kCharaFxLens:
    case kCharaFxColour:
    case kCharaFxMosaic:
    case kCharaFxBlur:
        m_nRunTime = p[0];
        if (reversed) std::swap(p[1], p[2]);
        m_nStart = p[1];
        m_nEnd = p[2];
        m_dValue = m_nStart;
        m_dStep = StepOver(m_nStart, m_nEnd, p[0]);
        if (kind == kCharaFxWaveH || kind == kCharaFxWaveV) m_nCounter = 0;
        break;
    case kCharaFxBlink:
    case kCharaFxTranslucent:
        // Their parameter 1 is an interval, not a start: never exchanged,
        // the value counts the run time.
        m_nStart = 0;
        m_nEnd = p[0];
        m_nRunTime = p[0];
        m_dValue = 0;
        m_dStep = kSixth;
        m_nCounter = 0;
        m_nToggle = 0;
        break;
    default:
        break;  // none, or a kind no renderer knows: nothing from the record
    }
    if (kind != kCharaFxNone && m_nStart == m_nEnd) {
        m_dStep = kSixth;
        m_dTimer = 0;
    }
}

void cCharaEffectState::CopyFrom(const cCharaEffectState& proto) {
    m_pRecord = proto.m_pRecord;
    m_nStart = proto.m_nStart;
    m_nEnd = proto.m_nEnd;
    m_dValue = proto.m_dValue;
    m_dStep = proto.m_dStep;
    m_dTimer = proto.m_dTimer;
    m_nRunTime = proto.m_nRunTime;
    m_nCounter = proto.m_nCounter;
    m_nToggle = proto.m_nToggle;
}

void cCharaEffectState::Start(int16_t effect, int mode, int loop) {
    StartState(*this, g_CharaEffectProtos, g_CharaEffectProtosRev, effect, mode, loop);
}

// Screen effects

void cScreenEffectState::Setup(int16_t effect, int reversed) {
    m_sEffect = effect;
    m_bTimerMode = 0;
    cScrEffectData& record = reversed ? g_Database.m_vScrEffectRev.At(effect) : g_Database.m_vScrEffect.At(effect);
    m_pRecord = &record;
    int32_t* p = record.m_nParam;
    int32_t kind = record.m_nKind;
    switch (kind) {
    case kScrFxMove:
        if (reversed) {
            std::swap(p[1], p[3]);
            std::swap(p[2], p[4]);
        }
        m_dValue = 0;
        m_dStep = kSixth;
        m_nWorkA = p[1];
        m_nWorkB = p[2];
        break;
    case kScrFxShakeH:
    case kScrFxShakeV:
        m_dValue = 0;
        m_dShake = 0;
        m_dStep = kSixth;
        m_nWorkA = 0;
        break;
    case kScrFxBlink:
        m_dValue = 0;
        m_dStep = kSixth;
        m_nWorkA = 0;
        m_nWorkB = 0;
        break;
    case kScrFxSplitH:
    case kScrFxSplitV:
    case kScrFxWaveH:
    case kScrFxWaveV:
    case kScrFxRotate:
    case kScrFxCircle:
    case kScrFxZoom:
    case kScrFxLens:
    case kScrFxMosaic:
        if (reversed) std::swap(p[1], p[2]);
        m_dValue = p[1];
        m_dStep = StepOver(p[1], p[2], p[0]);
        if (kind == kScrFxWaveH || kind == kScrFxWaveV) m_nWorkA = 0;
        if (p[1] == p[2]) {
            m_bTimerMode = 1;
            m_dStep = kSixth;
            m_dTimer = 0;
            m_nRunTime = p[0];
        }
        break;
    default:
        break;
    }
}

void cScreenEffectState::CopyFrom(const cScreenEffectState& proto) {
    m_pRecord = proto.m_pRecord;
    m_dValue = proto.m_dValue;
    m_dShake = proto.m_dShake;
    m_dStep = proto.m_dStep;
    m_nWorkA = proto.m_nWorkA;
    m_nWorkB = proto.m_nWorkB;
    m_bTimerMode = proto.m_bTimerMode;
    m_dTimer = proto.m_dTimer;
    m_nRunTime = proto.m_nRunTime;
}

// Start-up builders

namespace {

template <class State, class Record>
void InitStates(cVector<Record>& list, cVector<Record>& copies, cVector<State>& forward, cVector<State>& reversed) {
    int count = list.Size();
    // Prepared states are addressed by a 16-bit entry number.
    if (count > 32768) count = 32768;
    copies = list;
    forward.clear();
    reversed.clear();
    forward.resize(static_cast<size_t>(count));
    reversed.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        forward.At(i).Setup(static_cast<int16_t>(i), 0);
        reversed.At(i).Setup(static_cast<int16_t>(i), 1);
    }
}

}  // namespace

void InitCharaEffectStates(cVector<cCharaEffectState>& forward, cVector<cCharaEffectState>& reversed) {
    InitStates(g_Database.m_vCharaEffect, g_Database.m_vCharaEffectRev, forward, reversed);
}

void InitScrEffectStates(cVector<cScreenEffectState>& forward, cVector<cScreenEffectState>& reversed) {
    InitStates(g_Database.m_vScrEffect, g_Database.m_vScrEffectRev, forward, reversed);
}

// Passes

void cCharaEffectState::Restart() { RestartState(*this, g_CharaEffectProtos, g_CharaEffectProtosRev); }

int cCharaEffectState::Advance() {
    bool goesOn;
    if (m_nStart == m_nEnd) {
        m_dTimer += m_dStep;
        goesOn = m_dTimer <= m_nRunTime;
    } else if (m_nStart < m_nEnd) {
        m_dValue += m_dStep;
        goesOn = m_dValue <= m_nEnd;
    } else {
        m_dValue -= m_dStep;
        goesOn = m_dValue >= m_nEnd;
    }
    // No run time means no pass to run: a negative one would otherwise
    // count the blink and translucency kinds towards a negative end.
    if (m_nRunTime <= 0) goesOn = false;
    return EndOfPass(*this, goesOn);
}

void cScreenEffectState::Start(int16_t effect, int mode, int loop) {
    StartState(*this, g_ScrEffectProtos, g_ScrEffectProtosRev, effect, mode, loop);
}

void cScreenEffectState::Restart() { RestartState(*this, g_ScrEffectProtos, g_ScrEffectProtosRev); }

int cScreenEffectState::Advance(int start, int end, double step) {
    bool goesOn;
    if (m_bTimerMode) {
        m_dTimer += m_dStep;
        goesOn = m_dTimer <= m_nRunTime;
    } else if (start <= end) {
        m_dValue += step;
        goesOn = std::trunc(m_dValue) <= end;
    } else {
        m_dValue -= step;
        goesOn = std::trunc(m_dValue) >= end;
    }
    // The shake and blink kinds count 0 up to their run time, which would
    // take several frames past a run time of 0 and many towards a negative
    // one; no run time ends the pass at once, as it does every other kind.
    if (m_pRecord && m_pRecord->m_nParam[0] <= 0) goesOn = false;
    // A step that is not a number would keep the value from ever settling.
    if (!std::isfinite(m_dValue)) {
        m_dValue = end;
        goesOn = false;
    }
    return EndOfPass(*this, goesOn);
}
