// What runtime support, project data and the drawing layer need of the
// application shell: the main window that failure paths ask to close, and
// whether the editor started the program (a test play). The shell sets
// these once its window exists.
#pragma once
#include <atomic>

#include "platform/messages.h"

extern std::atomic<plat::WindowHandle> g_hMainWnd;
extern int g_bEditorLaunch;

// Posts WM_CLOSE to the main window; the window takes it through its normal
// close path. Safe from any thread; does nothing before the window exists.
void PostMainWindowClose();
