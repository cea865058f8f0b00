#include "core/shell_link.h"

#include "core/gfx_link.h"

std::atomic<plat::WindowHandle> g_hMainWnd{plat::kNoWindow};
int g_bEditorLaunch = 0;

void PostMainWindowClose() { plat::PostWindowMessage(g_hMainWnd.load(), plat::kWmClose); }

GfxHooks& GfxLink() {
    static GfxHooks link;
    return link;
}
