#include "core/message_box.h"

#include "core/gfx_link.h"
#include "core/report_log.h"
#include "core/shell_link.h"

int ShowMessageBox(const char* text, const char* caption, uint32_t type) {
    const GfxHooks& gfx = GfxLink();
    if (gfx.fullScreenUp && gfx.mesBox && gfx.fullScreenUp()) return gfx.mesBox(text, caption, type);
    return plat::ShowMessageBox(text ? text : "", caption ? caption : "", type);
}

int ErrorBox(const char* text) { return ShowMessageBox(text, "エラー", plat::kMbOk); }

int ErrorPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatBounded(kLogTextSize, format, args);
    va_end(args);
    return ErrorBox(text.c_str());
}

int DebugErrorPrintf(const char* format, ...) {
    if (!DebugLogOn()) return 0;
    va_list args;
    va_start(args, format);
    std::string text = FormatBounded(kLogTextSize, format, args);
    va_end(args);
    return ErrorBox(text.c_str());
}

void OutOfMemoryExit() {
    ErrorBox("メモリが不足しています！");
    PostMainWindowClose();
}
