// Facts about the machine for the system report at start-up.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

struct OsFacts {
    std::string name;     // "Linux 6.1.0-18-amd64"
    std::string detail;   // "x86_64"
};
OsFacts QueryOs();

struct CpuFacts {
    std::string vendor;   // 12 characters of the identification leaf 0, or ""
    std::string brand;    // 48 characters of the brand leaves, or ""
};
CpuFacts QueryCpu();

// The processor's clock rate in Hz, 0 when unknown.
double QueryCpuClockHz();

struct MemoryFacts {
    uint64_t totalPhysical = 0;
    uint64_t availablePhysical = 0;
    uint64_t totalVirtual = 0;      // the address space open to the process
    uint64_t availableVirtual = 0;
};
MemoryFacts QueryMemory();

// Bytes free to this user on the disk that holds the folder (program form;
// "" for the current folder); nothing when the query fails.
std::optional<uint64_t> QueryDiskFree(std::string_view folder);

struct DisplayFacts {
    int width = 0;
    int height = 0;
};
// The desktop's size in pixels; nothing when no display can be asked.
std::optional<DisplayFacts> QueryDesktop();

struct SystemFontFacts {
    std::string face;     // Shift-JIS
    int width = 0;
    int height = 0;
    unsigned pitchAndFamily = 0;
};
// The face the desktop uses for small interface text.
SystemFontFacts QuerySystemFont();

}  // namespace plat
