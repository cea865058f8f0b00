// Entry of the player. Start-up grows here step by step; for now it lays
// down the report log with the version line and the system report.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/record.h"
#include "core/report_log.h"
#include "core/system_report.h"
#include "core/text.h"

int main(int, char**) {
    InitDebugLog(false, "EC_Game.txt");
    // Strings of every data file lose their carriage returns from here on.
    g_StripCR = 1;

    char reportPath[kMaxPath] = "Report_Game.txt";
    MakeAbsolutePath(reportPath);
    if (!InitReportLog(reportPath)) {
        // Without a log nothing later could say what went wrong.
        std::fprintf(stderr, "player: cannot create the report log Report_Game.txt in the current folder: %s\n",
                     std::strerror(errno));
        return 1;
    }
    WriteReport("App : ver %d", g_DataVersion);
    WriteSystemReport();
    return 0;
}
