#include "core/containers.h"

#include <cstdio>

#include "core/report_log.h"
#include "core/shell_link.h"

namespace container_detail {

void ReportBadIndex(const char* format, int index, int count, size_t elementSize) {
    // A damaged file can bring thousands of these lines: no string is made
    // for each, and none at all when no log takes it. Three numbers always
    // fit.
    if (DebugLogOn() || !ReportLogPath().empty()) {
        char message[128];
        std::snprintf(message, sizeof message, format, index, count, static_cast<int>(elementSize));
        WriteDebugLogText(message);
        WriteReportText(message);
    }
    PostMainWindowClose();
}

}  // namespace container_detail
