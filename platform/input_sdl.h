// The window's thread's side of the input layer, in SDL's own terms. Only
// the layer's own files include it, so SDL stays out of the public headers.
#pragma once
#include <SDL.h>

#include <cstdint>

namespace plat {

// The virtual-key code of an SDL key: letters and digits by key code (so
// they follow the keyboard layout, as virtual keys do), everything else by
// scan code (its place on the keyboard). 0 when the key has no code.
int VirtualKeyFromSdl(int32_t sdlKeycode, int32_t sdlScancode);

// Starts SDL's raw joystick interface and opens the devices present; false
// headless or when the interface cannot start, which leaves no joysticks.
// Window's thread.
bool InitJoysticks();
// Closes every device and stops the interface.
void QuitJoysticks();

// For each SDL event: key down and up set the key table, joystick devices
// added and removed are opened and closed, losing the focus releases every
// key. Window's thread.
void HandleSdlEvent(const SDL_Event& event);

// Copies the devices' axes and buttons into the snapshots ReadJoystick
// reads; the window's thread calls it after each event pump.
void RefreshJoysticks();

}  // namespace plat
