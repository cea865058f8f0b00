#include "core/timing.h"

#include <string>

#include "core/gfx_link.h"
#include "core/text.h"
#include "platform/clock.h"
#include "platform/random.h"

namespace {

// Times are compared by their signed distance, so the clock's wrap after
// 49.7 days neither freezes nor rushes the game.
bool Before(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) < 0; }

}  // namespace

TimingState& FrameTiming() {
    static TimingState timing;
    return timing;
}

void TimingState::Ring::Put(uint32_t value) {
    samples[pos++] = value;
    if (pos == 16) {
        pos = 0;
        uint32_t sum = 0;
        for (uint32_t s : samples) sum += s;
        average = sum >> 4;
    }
}

void TimingState::StartTimer() { m_stopwatchStart = plat::TimeMs(); }

uint32_t TimingState::GetElapsedTime(bool restart) {
    uint32_t now = plat::TimeMs();
    uint32_t elapsed = now - m_stopwatchStart;
    if (restart) m_stopwatchStart = now;
    return elapsed;
}

uint32_t TimingState::MeasureTime(bool measure) {
    if (measure) m_measured = plat::TimeMs() - m_stopwatchStart;
    return m_measured;
}

uint32_t TimingState::CountFps(bool count) {
    uint32_t now = plat::TimeMs();
    if (!m_fpsStarted) {
        m_fpsStarted = true;
        m_fpsWindowStart = now;
    }
    if (!count) return m_fpsLast;
    if (now - m_fpsWindowStart > 999) {
        // The call that closes a window is not counted in the next.
        m_fpsLast = m_fpsCount;
        m_fpsWindowStart = now;
        m_fpsCount = 0;
        return m_fpsLast;
    }
    ++m_fpsCount;
    return m_fpsLast;
}

bool TimingState::CountEvery(int mode, uint32_t n) {
    if (mode == 0) {
        m_everyCount = 0;
        return false;
    }
    if (mode == 2) return m_everyCount == 0;
    // "Reaches" means at least n, so n 0 fires on every call as n 1 does.
    if (++m_everyCount >= n) {
        m_everyCount = 0;
        return true;
    }
    return false;
}

bool TimingState::RateLimit(uint32_t fps) {
    uint32_t now = plat::TimeMs();
    if (!m_rateStarted) {
        m_rateStarted = true;
        m_rateDue = now;
    }
    if (fps == 0) return true;
    if (Before(now, m_rateDue)) return false;
    // Due from the admission, so a late frame does not hurry the next ones.
    // The part of a millisecond that 1000 / fps leaves is carried on, so a
    // run on time keeps the rate itself (60 frames a second, not 62.5).
    m_rateCarry += 1000 % fps;
    m_rateDue = now + 1000 / fps + m_rateCarry / fps;
    m_rateCarry %= fps;
    return true;
}

bool TimingState::FrameSync(uint32_t fps, bool showOverlay, DDSURFACEDATA* glyphSheet) {
    const GfxHooks& gfx = GfxLink();
    if (!gfx.direct3DActive || !gfx.direct3DActive() || fps == 0) return true;
    uint32_t now = plat::TimeMs();
    if (!m_syncStarted) {
        m_syncStarted = true;
        m_dwTime_OneSec = now;
    }
    bool overlay = showOverlay && glyphSheet;
    if (overlay && m_overlayFlag) {
        m_overlayFlag = false;
        m_durations.Put(MeasureTime(false));
        m_rates.Put(CountFps(false));
    }
    // Each frame is due at a fixed offset from the window start, so short
    // delays are made up within the window.
    double due = static_cast<double>(m_nFrameCt_OneSec) * (1000.0 / fps);
    double elapsed = static_cast<double>(static_cast<int32_t>(now - m_dwTime_OneSec));
    if (due > elapsed) return false;

    if (++m_nFrameCt_OneSec >= fps) {
        // A window kept in time ends where its second does; opened at its
        // last frame instead, the next one's first frame would be due at
        // once, 61 frames a second at 60. One that ran late opens from now.
        m_nFrameCt_OneSec = 0;
        const uint32_t end = m_dwTime_OneSec + 1000;
        m_dwTime_OneSec = Before(now, end) ? end : now;
    }
    if (overlay) {
        std::string text;
        StrFormat(text, "FPS-Ave %u(%u)\ndwTime_OneSec %u\nnFrameCt_OneSec %u", m_rates.average,
                  m_durations.average, m_dwTime_OneSec, m_nFrameCt_OneSec);
        if (gfx.bmpPrintf) gfx.bmpPrintf(glyphSheet, 0, 16, 8, 16, text.c_str());
        m_overlayFlag = true;
    }
    return true;
}

int RandRange(int a, int b) {
    int64_t lower = a < b ? a : b;
    int64_t upper = a < b ? b : a;
    // In 64 bits the full int range neither divides by zero nor wraps.
    int64_t span = upper - lower + 1;
    return static_cast<int>(lower + plat::Rand() % span);
}
