// How this run of the program goes, decided once at its start for the whole
// layer: on the desktop (a real window through the video driver, the
// desktop's boxes, joysticks) or headless (no window and no devices; the
// finished frames are only kept). Every part of the layer asks this answer.
#pragma once

namespace plat {

enum class Backend { Desktop, Headless };

// The program calls this first thing with its command-line switch.
// Headless when the switch or ORV_HEADLESS asks for it, else when there is
// no display to open a window on (none of DISPLAY, WAYLAND_DISPLAY and
// SDL_VIDEODRIVER set); the desktop otherwise. A part of the layer that
// asks before any choice takes the environment alone.
//
// ORV_VIRTUAL_TIME set makes the run repeatable: the layer's clock starts
// at 0 and moves only by sleeps, which take no real time (the game thread's
// frame pacing is all that sleeps, so the clock moves one frame period a
// frame and the run goes as fast as the machine allows), and the local
// date is pinned. The same input script (input.h) then gives the same pictures
// on every machine.
void ChooseRunMode(bool headlessSwitch);
// At the program's end: a repeatable run prints its figures on standard
// output, one line "run: frames=F clock_s=S clock_fps=R real_s=T fps=P"
// (the frames begun; the layer's clock and the real time from the first to
// the last, and the frame rates by each).
void EndRun();
// ORV_SKIP_STAGE_DRAWING set as well in a repeatable run: stage play
// leaves its frames undrawn, so that such a run measures the play alone.
// The drawing also ends a death and removes defeated charas, so such a run
// measures only as long as the hero lives.
bool StageDrawingSkipped();
Backend CurrentBackend();
inline bool Headless() { return CurrentBackend() == Backend::Headless; }
// Headless only because no display was found, without anyone asking.
bool DisplayMissing();
// The desktop's video driver shows nothing (SDL's dummy and offscreen
// drivers): windows work, but nobody sees them or could answer a box.
bool DesktopUnseen();

}  // namespace plat
