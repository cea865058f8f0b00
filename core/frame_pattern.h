// Frame-pattern player: plays numbered animations made of {frame, duration,
// busy} steps, each ending in a control step that says what follows the
// last real step.
#pragma once
#include <cstdint>

#include "core/containers.h"

struct FRAMEPAT {
    int32_t frame;     // 0 or more: frame number; negative: control step
    int32_t duration;  // ticks; for kPatSwitch the pattern to switch to
    int32_t busy;      // 0..255; a pattern change is refused while not 0
};
static_assert(sizeof(FRAMEPAT) == 12);

// Control steps.
constexpr int32_t kPatStay = -1;    // rest on the previous step
constexpr int32_t kPatRepeat = -2;  // start again at step 0
constexpr int32_t kPatSwitch = -3;  // switch to the pattern in the duration

class cFramePattern {
public:
    // patterns: null-terminated list of arrays of (frame, duration, busy)
    // triples, each ending with its first triple of negative frame. A null
    // list changes nothing.
    void Load(const int* const* patterns);
    // The same from patterns already built, each ending in its control step.
    void Load(cVector<cVector<FRAMEPAT>> patterns);
    // Unless forced, refused (0) while the current step is busy; else the
    // pattern starts from step 0 and 1 is returned.
    int SetPattern(int pattern, bool force);
    // As SetPattern, but the current pattern is left running (1).
    int ChangePattern(int pattern, bool force);
    // One tick; the frame to show (0 with no patterns).
    int Advance();
    int GetFrame();
    // As `ticks` calls of Advance, in time that does not grow with them;
    // it covers one pass of the pattern and stops where the pattern rests
    // on its last step or would start again.
    void Skip(int64_t ticks);
    void Clear();

    int Pattern() const { return m_nPattern; }
    int Step() const { return m_nStep; }
    int PatternCount() const { return m_vPattern.Size(); }

private:
    FRAMEPAT& Current();

    cVector<cVector<FRAMEPAT>> m_vPattern;
    int m_nPattern = 0;
    int m_nStep = 0;
    int m_nTick = 0;
};
