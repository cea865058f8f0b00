// What the fuzz targets share: a failed check that stops the run, files
// kept in memory so an input reaches the readers without the disk, and a
// scratch folder of their own as the current folder for what must be on
// disk, removed again when the run ends.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/testing.h"

namespace orvfuzz {

inline void Check(bool condition) {
    if (!condition) std::abort();
}

// Every file read and written from the first call on is in memory
// (readers of a path not held still look on the disk: the scratch folder).
inline void UseMemoryFiles() {
    static const bool on = [] {
        plat::testing::UseMemoryFiles(true);
        return true;
    }();
    (void)on;
}

// The input as the file of that program path.
inline void ServeInput(std::string_view path, const uint8_t* data, size_t size) {
    plat::testing::SetMemoryFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
}

// Whole contents of a file written in memory; "" when there is none.
inline std::string FileBytes(const char* name) { return plat::testing::MemoryFile(name); }

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

// For a target that needs nothing else set up: the scratch folder and the
// files in memory on the first call, then the input as the file of `path`.
inline void ServeInputAlone(std::string_view path, const uint8_t* data, size_t size) {
    EnterScratchFolder();
    UseMemoryFiles();
    ServeInput(path, data, size);
}

}  // namespace orvfuzz
