// Arbitrary bytes as "user_data\Window.dat", read by the window placement's
// own loader. A placement that loads has its top-left on the desktop and
// saves, loads back to the same placement and saves to the same bytes; a
// file that does not load changes nothing.
#include <cstdint>
#include <cstdlib>

#include "app/main_window.h"
#include "fuzz_support.h"
#include "platform/shell.h"
#include "project/path_table.h"

namespace {

using orvfuzz::Check;
using orvfuzz::FileBytes;

bool Same(const cWindowPos& a, const cWindowPos& b) {
    return a.m_nX == b.m_nX && a.m_nY == b.m_nY && a.m_nWidth == b.m_nWidth && a.m_nHeight == b.m_nHeight &&
           a.m_bMaximized == b.m_bMaximized;
}

plat::WorkArea Prepare() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    // No display to ask: the same fixed desktop on every host, and no video
    // start-up for each input.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    return plat::DesktopWorkArea();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const plat::WorkArea area = Prepare();
    const char* path = g_PathTable[kPathWindow];
    orvfuzz::ServeInput(path, data, size);

    cWindowPos pos;
    pos.Set(-3, 7, 11, 13, 17);
    cWindowPos before;
    before.Set(-3, 7, 11, 13, 17);
    if (pos.Load(path) != 1) {
        Check(Same(pos, before));
        return 0;
    }
    Check(pos.m_nX >= 0 && pos.m_nX <= area.right && pos.m_nY >= 0 && pos.m_nY <= area.bottom);

    Check(pos.SaveFile("a.dat") == 1);
    cWindowPos again;
    Check(again.Load("a.dat") == 1);
    Check(Same(again, pos));
    Check(again.SaveFile("b.dat") == 1);
    Check(FileBytes("a.dat") == FileBytes("b.dat"));
    return 0;
}
