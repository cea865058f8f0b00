#include "core/containers.h"

#include <string>

#include "core/report_log.h"
#include "core/shell_link.h"
#include "core/text.h"

namespace container_detail {

void ReportBadIndex(const char* format, int index, int count, size_t elementSize) {
    std::string message;
    StrFormat(message, format, index, count, static_cast<int>(elementSize));
    WriteDebugLogText(message.c_str());
    WriteReportText(message.c_str());
    PostMainWindowClose();
}

}  // namespace container_detail
