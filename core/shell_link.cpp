#include "core/shell_link.h"

#include "core/gfx_link.h"

std::atomic<plat::WindowHandle> g_hMainWnd{plat::kNoWindow};
int g_bEditorLaunch = 0;

void PostMainWindowClose() { plat::PostWindowMessage(g_hMainWnd.load(), plat::kWmClose); }

cGfxLink& GfxLink() {
    static cGfxLink link;
    return link;
}
