// Entry of the player. Start-up grows here step by step; for now it lays
// down the report log with the version line and the system report, makes
// the program folders (copying the default data on a first start) and
// loads the databases.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/record.h"
#include "core/report_log.h"
#include "core/system_report.h"
#include "core/text.h"
#include "objects/effect_state.h"
#include "project/database.h"
#include "project/path_table.h"

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

    // Each failure has shown its own report.
    if (!SetupProgramFolders()) return 1;
    if (!SetupDatabase()) return 1;
    InitCharaEffectStates(g_CharaEffectProtos, g_CharaEffectProtosRev);
    InitScrEffectStates(g_ScrEffectProtos, g_ScrEffectProtosRev);
    return 0;
}
