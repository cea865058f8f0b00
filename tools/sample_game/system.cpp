// The sample game's project settings (default\System.dat) and its
// "System.ini".
#include <string>

#include "project/path_table.h"
#include "project/system_data.h"
#include "project/system_ini.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace sample {

void FillSystemData(cSystemData& sd) {
    sd.SetDefault();
    sd.m_strTitle = "オルヴェンの冒険";
    for (int i = 0; i < kSystemSounds && i < sd.m_vSoundName.Size(); ++i)
        sd.m_vSoundName[static_cast<size_t>(i)] = kSystemSoundFiles[i];
    const int sceneBgm[] = {kBgmTitle, kBgmMap, kBgmStage, kBgmTitle};
    for (int i = 0; i < 4 && i < sd.m_vSceneBgm.Size(); ++i) sd.m_vSceneBgm[static_cast<size_t>(i)] = sceneBgm[i];
    // 256-colour pictures; the transparent colour is the palette's entry 0.
    sd.Set(kSysColourMode, 0);
    sd.Set(kSysTransRed, kKeyR);
    sd.Set(kSysTransGreen, kKeyG);
    sd.Set(kSysTransBlue, kKeyB);
    sd.Set(kSysExtraLifeOn, 1);
    sd.Set(kSysExtraLifePoints, 10000);
    sd.Set(kSysPauseKeyAllowed, 1);  // space opens the pause menu
    // The sample starts in a window on the Direct3D path, without asking.
    for (cIniItem& key : sd.m_vIniKey)
        if (key.m_strKey == "WindowMode" || key.m_strKey == "Direct3D") key.m_nDefault = 1;
}

bool WriteSystem(const std::string& root, std::string* error) {
    // Scene music is kept only inside the loaded Bgm database.
    if (!LoadSampleDatabase(root, error)) return false;
    cSystemData sd;
    FillSystemData(sd);
    if (!SaveRecord(sd, GamePath(root, g_PathTable[kPathSystemDat + 1]), error)) return false;

    // Every key of the project with its default, then the end mark.
    std::string ini;
    for (const cIniItem& key : sd.m_vIniKey) {
        ini += key.m_strKey + "=";
        ini += key.m_nKind == cIniItem::kText ? key.m_strDefault : std::to_string(key.m_nDefault);
        ini += "\r\n";
    }
    ini += "Exit\r\n";
    return WriteFileBytes(GamePath(root, kSystemIniPath), ini, error);
}

}  // namespace sample
