// Entry of the player. Start-up grows here step by step; for now it lays
// down the report log with the version line and the system report.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/report_log.h"
#include "core/system_report.h"
#include "core/text.h"

namespace {

// The data version every record file is written with, as text.
constexpr const char* kDataVersionText = "901";

}  // namespace

int main(int, char**) {
    InitDebugLog(false, "EC_Game.txt");

    char reportPath[kMaxPath] = "Report_Game.txt";
    MakeAbsolutePath(reportPath);
    if (!InitReportLog(reportPath)) {
        // Without a log nothing later could say what went wrong.
        std::fprintf(stderr, "player: cannot create the report log Report_Game.txt in the current folder: %s\n",
                     std::strerror(errno));
        return 1;
    }
    WriteReport("App : ver %s", kDataVersionText);
    WriteSystemReport();
    return 0;
}
