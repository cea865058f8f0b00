#include "core/frame_pattern.h"

#include <algorithm>
#include <utility>

void cFramePattern::Load(const int* const* patterns) {
    if (!patterns) return;
    m_vPattern.clear();
    for (; *patterns; ++patterns) {
        cVector<FRAMEPAT> steps;
        for (const int* t = *patterns;; t += 3) {
            steps.push_back(FRAMEPAT{t[0], t[1], t[2] & 0xFF});
            if (t[0] < 0) break;
        }
        m_vPattern.push_back(std::move(steps));
    }
    m_nPattern = m_nStep = m_nTick = 0;
}

void cFramePattern::Load(cVector<cVector<FRAMEPAT>> patterns) {
    m_vPattern = std::move(patterns);
    m_nPattern = m_nStep = m_nTick = 0;
}

FRAMEPAT& cFramePattern::Current() { return m_vPattern.At(m_nPattern).At(m_nStep); }

int cFramePattern::SetPattern(int pattern, bool force) {
    if (!force && !m_vPattern.empty() && Current().busy != 0) return 0;
    m_nPattern = pattern;
    m_nStep = m_nTick = 0;
    return 1;
}

int cFramePattern::ChangePattern(int pattern, bool force) {
    if (pattern == m_nPattern) return 1;
    return SetPattern(pattern, force);
}

int cFramePattern::Advance() {
    if (m_vPattern.empty()) return 0;
    cVector<FRAMEPAT>& steps = m_vPattern.At(m_nPattern);
    if (steps.empty()) return 0;
    const FRAMEPAT* step = &steps.At(m_nStep);
    if (++m_nTick < step->duration) return step->frame;
    m_nTick = 0;
    // A pattern that is only its control step, or that ends in an end mark
    // the owner reads as "finished", rests on its last step instead of
    // walking past the end.
    if (m_nStep + 1 >= steps.Size()) return step->frame;
    step = &steps.At(++m_nStep);
    switch (step->frame) {
    case kPatSwitch:
        SetPattern(step->duration, true);
        return GetFrame();
    case kPatRepeat:
        m_nStep = 0;
        break;
    case kPatStay:
        --m_nStep;
        break;
    default:
        return step->frame;
    }
    return steps.At(m_nStep).frame;
}

void cFramePattern::Skip(int64_t ticks) {
    while (ticks > 0 && !m_vPattern.empty()) {
        cVector<FRAMEPAT>& steps = m_vPattern.At(m_nPattern);
        if (steps.empty()) return;
        const int32_t duration = steps.At(m_nStep).duration;
        // Ticks that stay on this step; the one after them leaves it.
        const int64_t stay = std::max<int64_t>(int64_t{duration} - 1 - m_nTick, 0);
        if (ticks <= stay) {
            m_nTick += static_cast<int>(ticks);
            return;
        }
        ticks -= stay + 1;
        m_nTick = std::max(m_nTick, duration - 1);
        const int pattern = m_nPattern, step = m_nStep;
        Advance();
        if (m_nPattern == pattern && m_nStep <= step) return;
    }
}

int cFramePattern::GetFrame() { return m_vPattern.empty() ? 0 : Current().frame; }

void cFramePattern::Clear() {
    m_vPattern.clear();
    m_nPattern = m_nStep = m_nTick = 0;
}
