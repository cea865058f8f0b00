#include "core/shell_link.h"

#include "core/gfx_link.h"

std::atomic<plat::WindowHandle> g_hMainWnd{plat::kNoWindow};
int g_bEditorLaunch = 0;
std::atomic<int> g_bActive{0};
int g_bRunning = 0;
int g_bWindowed = 0;
int g_bNoFlip = 0;
int g_bStartStageFile = 0;
int g_bStartStageToTitle = 0;

void PostMainWindowClose() { plat::PostWindowMessage(g_hMainWnd.load(), plat::kWmClose); }

cGfxLink& GfxLink() {
    static cGfxLink link;
    return link;
}
