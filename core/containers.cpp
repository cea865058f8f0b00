#include "core/containers.h"

#include <cstdio>

#include "core/report_log.h"
#include "core/shell_link.h"

namespace container_detail {

void ReportBadIndex(const char* format, int index, int count, size_t elementSize) {
    // Three numbers always fit; a damaged file can bring thousands of these
    // lines, so no string is made for each.
    char message[128];
    std::snprintf(message, sizeof message, format, index, count, static_cast<int>(elementSize));
    WriteDebugLogText(message);
    WriteReportText(message);
    PostMainWindowClose();
}

}  // namespace container_detail
