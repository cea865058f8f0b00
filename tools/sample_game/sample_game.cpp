#include "tools/sample_game/sample_game.h"

#include <cstdio>

#include "core/record.h"
#include "project/database.h"
#include "project/path_table.h"
#include "platform/paths.h"

namespace sample {

std::string GamePath(const std::string& root, const char* relative) {
    if (root.empty()) return relative;
    return root + "\\" + relative;
}

bool MakeParentFolders(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos || cut == 0) return true;
    std::string folder = path.substr(0, cut);
    if (plat::IsFolder(folder)) return true;
    if (!MakeParentFolders(folder)) return false;
    return plat::MakeFolder(folder) || plat::IsFolder(folder);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes, std::string* error) {
    if (!MakeParentFolders(path)) {
        if (error) *error = "cannot make the folders of " + path;
        return false;
    }
    FILE* f = plat::OpenFile(path, "wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok && error) *error = "cannot write " + path;
    return ok;
}

bool SaveRecord(cRecord& record, const std::string& path, std::string* error) {
    if (!MakeParentFolders(path)) {
        if (error) *error = "cannot make the folders of " + path;
        return false;
    }
    if (!record.SaveFile(path.c_str())) {
        if (error) *error = "cannot write " + path;
        return false;
    }
    return true;
}

bool LoadSampleDatabase(const std::string& root, std::string* error) {
    g_Database.SetDefault();
    // The shipped copy of each file follows its project path in the table.
    auto path = [&](int index) { return GamePath(root, g_PathTable[index + 1]); };
    bool ok = LoadDatabaseFile(g_Database.m_vAnimeSet, path(kPathAnimeSet).c_str()) &&
              LoadDatabaseFile(g_Database.m_vAnime, path(kPathAnime).c_str()) &&
              LoadDatabaseFile(g_Database.m_vBmpCharaExc, path(kPathBmpCharaExc).c_str()) &&
              LoadDatabaseFile(g_Database.m_vSwordType, path(kPathSwordType).c_str()) &&
              LoadDatabaseFile(g_Database.m_vEffect, path(kPathEffect).c_str()) &&
              LoadDatabaseFile(g_Database.m_vCharaEffect, path(kPathCharaEffect).c_str()) &&
              LoadDatabaseFile(g_Database.m_vScrEffect, path(kPathScrEffect).c_str()) &&
              LoadDatabaseFile(g_Database.m_vPicture, path(kPathPicture).c_str()) &&
              LoadDatabaseFile(g_Database.m_vSound, path(kPathSound).c_str()) &&
              LoadDatabaseFile(g_Database.m_vBgm, path(kPathBgm).c_str());
    if (!ok && error) *error = "cannot read the database files under " + GamePath(root, "default\\database");
    return ok;
}

bool WriteGame(const std::string& root, std::string* error) {
    return WriteDatabase(root, error) && WriteSystem(root, error) && WriteCommonPalette(root, error) &&
           WriteStages(root, error) && WriteSystemBitmaps(root, error) && WriteSounds(root, error);
}

}  // namespace sample
