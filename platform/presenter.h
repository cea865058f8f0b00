// Where finished frames go. Whichever thread draws hands its frame over
// (converted to 0xAARRGGBB at once, so the drawing thread may go on); the
// window's thread, which owns the window, shows the newest frame scaled to
// the window. Headless (platform/run_mode.h), no window opens and the frames
// are only kept, for tests and for files.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/picture.h"

namespace plat {

// From any thread. A P8 image takes its colours from the palette.
void PresentImage(const Image& frame, const PaletteColor* palette);

// The newest frame handed over; false before the first one.
bool LastPresentedFrame(std::vector<uint32_t>* argb, int* width, int* height);
uint64_t PresentedFrameCount();
// The newest frame as a PNG file (host path); false before the first frame
// or on a write error.
bool WriteLastFramePng(const char* hostPath);

// The frame window, made, pumped and closed on the window's thread. The
// title is Shift-JIS. Full screen is a desktop-size window showing the
// picture scaled. True headless too (nothing opens).
bool OpenFrameWindow(const char* title, int width, int height, bool fullScreen);
void CloseFrameWindow();
bool FrameWindowOpen();
// Shows the newest frame when it has not been shown yet; call from the
// window's thread's loop.
void ShowLatestFrame();
// Client-area size of the window (the size it was opened with headless).
void FrameWindowClientSize(int* width, int* height);
void SetFrameWindowFullScreen(bool fullScreen);
// Outer top-left of the window on the desktop (where it was put, headless).
void FrameWindowPosition(int* x, int* y);
void MoveFrameWindow(int x, int y);
// Client-area size of a window (not full screen); the picture scales to it.
void SetFrameWindowClientSize(int width, int height);
// Lets the user resize the window.
void SetFrameWindowResizable(bool resizable);
void MaximizeFrameWindow();
bool FrameWindowMaximized();
// The desktop's id of the window (0 headless), for telling its events.
uint32_t FrameWindowId();
void MinimizeFrameWindow();
void RestoreFrameWindow();
bool FrameWindowMinimized();

// The cursor's display count, as the program counts it: +1 to show, -1 to
// hide; the cursor shows while the count is 0 or more. Returns the new
// count.
int ShowCursorCount(bool show);

// Waits for the display's next vertical blank: the next 60-a-second tick of
// the layer's clock, with or without a window; the window's thread shows
// the newest frame at the real screen's own pace.
void WaitVerticalBlank();

}  // namespace plat
