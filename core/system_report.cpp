#include "core/system_report.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>

#include "core/gfx_link.h"
#include "core/numeric.h"
#include "core/report_log.h"
#include "core/text.h"
#include "platform/host_facts.h"

namespace {

// Games compare against the version the original system reported; a
// current one keeps their version checks on the modern path.
constexpr int kReportedMajor = 10;
constexpr int kReportedMinor = 0;
constexpr int kPlatformId = 2;  // the NT family
constexpr int kBuildNumber = 0;

constexpr double kBytesPerMB = 1048576.0;

void CopyBounded(char (&target)[256], const std::string& source) {
    std::memset(target, 0, sizeof target);
    std::memcpy(target, source.data(), std::min(source.size(), sizeof target - 1));
}

std::optional<VideoInfo> VideoFacts() {
    GfxHooks& link = GfxLink();
    if (!link.videoFacts) return std::nullopt;
    VideoInfo facts;
    if (!link.videoFacts(facts)) return std::nullopt;
    return facts;
}

}  // namespace

void GetWindowsName(std::string* name, int* major, int* minor) {
    if (name) {
        const plat::OsFacts os = plat::QueryOs();
        StrFormat(*name, "%s %s PID %d Build %d", os.name.c_str(), os.detail.c_str(), kPlatformId, kBuildNumber);
    }
    if (major) *major = kReportedMajor;
    if (minor) *minor = kReportedMinor;
}

bool IsWindowsAtLeast(int major, int minor) {
    return kReportedMajor > major || (kReportedMajor == major && kReportedMinor >= minor);
}

double MeasureCpuClock() { return plat::QueryCpuClockHz(); }

void GetCpuInfo(CpuInfo& out) {
    const plat::CpuFacts cpu = plat::QueryCpu();
    CopyBounded(out.vendor, cpu.vendor);
    CopyBounded(out.brand, cpu.brand);
    out.clockHz = MeasureCpuClock();
}

int32_t GetDiskFree(const char* folder) {
    const std::optional<uint64_t> bytes = plat::QueryDiskFree(folder ? folder : "");
    if (!bytes) return 0;
    return *bytes > static_cast<uint64_t>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(*bytes);
}

void GetVramMB(int* freeMB, int* totalMB) {
    int freeValue = 0;
    int totalValue = 0;
    if (std::optional<VideoInfo> facts = VideoFacts(); facts && facts->hasDirectDraw) {
        freeValue = TruncateToInt(facts->vramFreeBytes / kBytesPerMB);
        totalValue = TruncateToInt(facts->vramTotalBytes / kBytesPerMB);
    }
    if (freeMB) *freeMB = freeValue;
    if (totalMB) *totalMB = totalValue;
}

// Systems before 6.0 would ask the driver diagnostics, which do not exist
// here; their failure answers 99999.
int GetDDIVersion() { return IsWindowsAtLeast(6, 0) ? 9 : 99999; }

int WriteDxDiagReport(bool withFormatTable) {
    // No Direct3D diagnostics provider exists on this system.
    (void)withFormatTable;
    return 0;
}

void WriteSystemReport() {
    std::string osName;
    GetWindowsName(&osName, nullptr, nullptr);
    WriteReport("OS : %s", osName.c_str());

    CpuInfo cpu;
    GetCpuInfo(cpu);
    WriteReport("CPU : %s %s %d", cpu.vendor, cpu.brand, TruncateToInt(cpu.clockHz * 0.000001));

    const plat::MemoryFacts memory = plat::QueryMemory();
    WriteReport("Mem Total : %.3fMB", static_cast<double>(memory.totalPhysical) / kBytesPerMB);
    WriteReport("Mem Free : %3.fMB", static_cast<double>(memory.availablePhysical) / kBytesPerMB);
    WriteReport("Vir Total : %.3fMB", static_cast<double>(memory.totalVirtual) / kBytesPerMB);
    WriteReport("Vir Free : %3.fMB", static_cast<double>(memory.availableVirtual) / kBytesPerMB);

    WriteReport("HD Free : %3.fMB", GetDiskFree("") / kBytesPerMB);

    const plat::DisplayFacts desktop = plat::QueryDesktop().value_or(plat::DisplayFacts{});
    WriteReport("Display : (%d,%d)", desktop.width, desktop.height);

    const plat::SystemFontFacts font = plat::QuerySystemFont();
    WriteReport("System Font : %s (%d,%d) %u", font.face.c_str(), font.width, font.height,
                font.pitchAndFamily);
}

void WriteVideoReport(bool withFormatTable) {
    const std::optional<VideoInfo> facts = VideoFacts();
    if (!facts) return;
    WriteReport("Mode : %s", facts->windowed ? "Window" : "Fullscreen");
    WriteReport("Bpp : %d", facts->bpp);
    if (facts->hasDirectDraw) {
        WriteReport("VRAM Total : %.3fMB", facts->vramTotalBytes / kBytesPerMB);
        WriteReport("VRAM Free : %.3fMB", facts->vramFreeBytes / kBytesPerMB);
        WriteReport("RR : %u", static_cast<unsigned>(facts->refreshRate));
    }
    if (GfxLink().direct3DActive && GfxLink().direct3DActive()) WriteDxDiagReport(withFormatTable);
}
