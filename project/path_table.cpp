#include "project/path_table.h"

#include <string>

#include "core/message_box.h"
#include "core/report_log.h"
#include "core/text.h"
#include "platform/dialogs.h"
#include "platform/paths.h"

const char* const g_PathTable[kPathTableSize] = {
    "data\\",
    "default\\",
    "data\\stg4\\old_ver\\",
    "data\\work\\",
    "e_data\\SheetSize.dat",
    "e_data\\EditConfig.dat",
    "data\\PrjOption.dat",
    "default\\PrjOption.dat",
    "data\\CommonPalette.cplt4",
    "default\\CommonPalette.cplt4",
    "data\\GValInfo.dat",
    "default\\GValInfo.dat",
    "data\\stg4\\Default.stg4_***",
    "default\\stg4\\Default.stg4_***",
    "data\\WorldMap.dat",
    "default\\WorldMap.dat",
    "data\\database\\AnimeSet.dat",
    "default\\database\\AnimeSet.dat",
    "data\\database\\Anime.dat",
    "default\\database\\Anime.dat",
    "data\\database\\Bmp_CharaExc.dat",
    "default\\database\\Bmp_CharaExc.dat",
    "data\\database\\SwordType.dat",
    "default\\database\\SwordType.dat",
    "data\\database\\Effect.dat",
    "default\\database\\Effect.dat",
    "data\\database\\CharaEffect.dat",
    "default\\database\\CharaEffect.dat",
    "data\\database\\ScrEffect.dat",
    "default\\database\\ScrEffect.dat",
    "data\\database\\Picture.dat",
    "default\\database\\Picture.dat",
    "data\\database\\Sound.dat",
    "default\\database\\Sound.dat",
    "data\\database\\Bgm.dat",
    "default\\database\\Bgm.dat",
    "data\\System.dat",
    "default\\System.dat",
    "data\\stg4\\c",
    "user_data\\story\\",
    "user_data\\challenge\\",
    "user_data\\free\\",
    "user_data\\story\\Story",
    "user_data\\challenge\\Challenge.dat",
    "user_data\\Option.dat",
    "user_data\\",
    "user_data\\KeyConfig.dat",
    "user_data\\Boot.dat",
    "user_data\\Window.dat",
};

const char* const g_ExtTable[kExtTableSize] = {"cplt4", "stg4", "plt4", "rkg"};

const char* const g_ProgramFolders[kProgramFolderCount + 1] = {
    "user_data",
    "user_data\\story",
    "user_data\\challenge",
    "user_data\\free",
    "user_data\\rpl4",
    "data",
    "data\\database",
    "data\\stg4",
    "data\\stg4\\old_ver",
    "data\\work",
    "data\\plt4",
    "bmp",
    "bmp\\back",
    "bmp\\chara_sp",
    "bmp\\effect",
    "bmp\\picture",
    "bmp\\sword",
    "bmp\\convert",
    "bmp\\plt",
    "bmp\\hbt",
    "wave",
    "bgm",
    "",
};

const char* const kDefaultDataFailedText =
    "「data」フォルダの作成に失敗…\n「default」フォルダに問題がある可能性があります。";

void CreateProgramFolders() {
    for (const char* const* name = g_ProgramFolders; **name; ++name) {
        if (plat::IsFolder(*name)) continue;
        plat::MakeFolder(*name);
    }
}

int CreateDefaultData() {
    const std::string dataPath = g_PathTable[kPathData];
    const std::string defaultPath = g_PathTable[kPathDefault];
    if (plat::IsFolder(dataPath)) return 1;
    // A file of that name is the user's: never copy over it or remove it.
    if (plat::PathExists(dataPath)) return 0;
    if (!plat::IsFolder(defaultPath)) return 0;

    if (ShowMessageBox("データが存在しません！デフォルトデータを作成しますか？\n", "デフォルトデータ作成の確認",
                       plat::kMbYesNo) != plat::kIdYes)
        return 0;

    // Only a folder made here is removed again after a failed copy.
    if (!plat::MakeFolder(dataPath)) return 0;
    if (plat::CopyFolderContents(defaultPath, dataPath)) return 1;
    plat::RemoveFolderTree(dataPath);
    return 0;
}

int SetupProgramFolders() {
    if (!CreateDefaultData()) {
        ReportError("%s", kDefaultDataFailedText);
        return 0;
    }
    CreateProgramFolders();
    return 1;
}
