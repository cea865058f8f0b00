// What the fuzz targets share: a scratch folder of their own as the current
// folder, removed again when the run ends.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace orvfuzz {

inline std::string& ScratchFolder() {
    static std::string folder;
    return folder;
}

inline void RemoveScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(ScratchFolder(), ec);
}

// Makes the folder and enters it on the first call; its path.
inline const std::string& EnterScratchFolder() {
    if (ScratchFolder().empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvfuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0) std::abort();
        ScratchFolder() = pattern;
        std::atexit(RemoveScratchFolder);
    }
    return ScratchFolder();
}

}  // namespace orvfuzz
