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
void ChooseRunMode(bool headlessSwitch);
Backend CurrentBackend();
inline bool Headless() { return CurrentBackend() == Backend::Headless; }
// Headless only because no display was found, without anyone asking.
bool DisplayMissing();
// The desktop's video driver shows nothing (SDL's dummy and offscreen
// drivers): windows work, but nobody sees them or could answer a box.
bool DesktopUnseen();

}  // namespace plat
