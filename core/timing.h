// Frame timing: a millisecond stopwatch, counters, the two frame limiters
// and random ranges. All times come from the platform's 32-bit millisecond
// clock; the timing state belongs to the game thread.
#pragma once
#include <cstdint>

struct DDSURFACEDATA;

// The timing state; the program keeps one (FrameTiming), and every part of
// it starts on first use.
class TimingState {
public:
    void StartTimer();
    void RestartTimer() { StartTimer(); }
    // Milliseconds since the stopwatch start; with restart, starts it again.
    uint32_t GetElapsedTime(bool restart);
    // With measure, stores and returns the time since the stopwatch start;
    // without, returns the stored value.
    uint32_t MeasureTime(bool measure);

    // Frames counted in the last full second; with count, counts this call.
    uint32_t CountFps(bool count);
    // Mode 0 resets and returns false; mode 2 tells whether the count is 0;
    // any other mode counts and returns true, restarting, once the count
    // reaches n.
    bool CountEvery(int mode, uint32_t n);

    // Frame limiter of the DirectDraw-like path: true when the next frame
    // may start (the next is due 1000 / fps ms after this admission, the
    // fractions of a millisecond carried from frame to frame).
    bool RateLimit(uint32_t fps);
    // Frame limiter of the Direct3D-like path, with the optional frame-rate
    // overlay drawn from a glyph sheet.
    bool FrameSync(uint32_t fps, bool showOverlay, DDSURFACEDATA* glyphSheet);

    uint32_t WindowStart() const { return m_dwTime_OneSec; }
    uint32_t WindowFrames() const { return m_nFrameCt_OneSec; }

private:
    struct Ring {
        uint32_t samples[16] = {};
        int pos = 0;
        uint32_t average = 0;
        void Put(uint32_t value);
    };

    uint32_t m_stopwatchStart = 0;
    uint32_t m_measured = 0;

    bool m_fpsStarted = false;
    uint32_t m_fpsWindowStart = 0;
    uint32_t m_fpsCount = 0;
    uint32_t m_fpsLast = 0;

    uint32_t m_everyCount = 0;

    bool m_rateStarted = false;
    uint32_t m_rateDue = 0;
    uint32_t m_rateCarry = 0;

    bool m_syncStarted = false;
    uint32_t m_dwTime_OneSec = 0;
    uint32_t m_nFrameCt_OneSec = 0;
    Ring m_durations;
    Ring m_rates;
    bool m_overlayFlag = true;
};

TimingState& FrameTiming();

inline void StartTimer() { FrameTiming().StartTimer(); }
inline void RestartTimer() { FrameTiming().RestartTimer(); }
inline uint32_t GetElapsedTime(bool restart) { return FrameTiming().GetElapsedTime(restart); }
inline uint32_t MeasureTime(bool measure) { return FrameTiming().MeasureTime(measure); }
inline uint32_t CountFps(bool count) { return FrameTiming().CountFps(count); }
inline bool CountEvery(int mode, uint32_t n) { return FrameTiming().CountEvery(mode, n); }
inline bool RateLimit(uint32_t fps) { return FrameTiming().RateLimit(fps); }
inline bool FrameSync(uint32_t fps, bool showOverlay, DDSURFACEDATA* glyphSheet) {
    return FrameTiming().FrameSync(fps, showOverlay, glyphSheet);
}

// A random integer between a and b inclusive, in either order, from this
// thread's generator.
int RandRange(int a, int b);
