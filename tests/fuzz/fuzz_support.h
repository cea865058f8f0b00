// What the fuzz targets share: a failed check that stops the run, a scratch
// folder of their own as the current folder, removed again when the run
// ends, and the bytes of a file written there.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace orvfuzz {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

// Whole contents of a file; "" when it cannot be read.
inline std::string FileBytes(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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
