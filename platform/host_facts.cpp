#include "platform/host_facts.h"

#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <time.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <SDL.h>
#include <fontconfig/fontconfig.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define ORV_HOST_X86 1
#endif

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/run_mode.h"
#include "platform/text_codec.h"

namespace plat {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// The value after "key:" on the first line of a /proc text file whose key
// matches (blanks around the key ignored); nothing when the file or the
// key is missing.
std::optional<std::string> ProcValue(const char* file, std::string_view key) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::string line;
    while (std::getline(in, line)) {
        std::string_view view(line);
        size_t colon = view.find(':');
        if (colon == std::string_view::npos) continue;
        if (Trim(view.substr(0, colon)) != key) continue;
        return std::string(Trim(view.substr(colon + 1)));
    }
    return std::nullopt;
}

// "16314424 kB" -> bytes.
std::optional<uint64_t> ProcBytes(const char* file, std::string_view key) {
    std::optional<std::string> text = ProcValue(file, key);
    if (!text) return std::nullopt;
    uint64_t value = 0;
    const char* end = text->data() + text->size();
    auto [rest, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc()) return std::nullopt;
    std::string_view unit = Trim(std::string_view(rest, static_cast<size_t>(end - rest)));
    if (unit == "kB") {
        if (value > UINT64_MAX / 1024) return std::nullopt;
        value *= 1024;
    }
    return value;
}

// The address space a process may use when no limit is set: what the
// architecture's page tables give user space by default.
uint64_t DefaultUserAddressSpace() {
#if defined(__x86_64__) && !defined(__ILP32__)
    return uint64_t{1} << 47;
#elif defined(__aarch64__)
    return uint64_t{1} << 48;
#elif defined(__riscv) && __riscv_xlen == 64
    return uint64_t{1} << 38;  // Sv39, the smallest common layout
#else
    if constexpr (sizeof(void*) >= 8) return uint64_t{1} << 47;
    return uint64_t{3} << 30;  // the usual 3 GB / 1 GB split of 32-bit kernels
#endif
}

}  // namespace

OsFacts QueryOs() {
    OsFacts facts;
    utsname u{};
    if (uname(&u) != 0) return facts;
    facts.name = std::string(u.sysname) + " " + u.release;
    facts.detail = u.machine;
    return facts;
}

CpuFacts QueryCpu() {
    CpuFacts facts;
#ifdef ORV_HOST_X86
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid_max(0, nullptr) != 0) {
        __cpuid(0, a, b, c, d);
        char vendor[12];
        std::memcpy(vendor, &b, 4);
        std::memcpy(vendor + 4, &d, 4);
        std::memcpy(vendor + 8, &c, 4);
        facts.vendor.assign(vendor, sizeof vendor);
    }
    if (static_cast<unsigned>(__get_cpuid_max(0x80000000u, nullptr)) >= 0x80000004u) {
        char brand[48];
        for (unsigned i = 0; i < 3; ++i) {
            __cpuid(0x80000002u + i, a, b, c, d);
            std::memcpy(brand + i * 16, &a, 4);
            std::memcpy(brand + i * 16 + 4, &b, 4);
            std::memcpy(brand + i * 16 + 8, &c, 4);
            std::memcpy(brand + i * 16 + 12, &d, 4);
        }
        facts.brand.assign(brand, strnlen(brand, sizeof brand));
    }
#endif
    return facts;
}

double QueryCpuClockHz() {
    if (std::optional<std::string> mhz = ProcValue("/proc/cpuinfo", "cpu MHz")) {
        double value = 0;
        auto [rest, ec] = std::from_chars(mhz->data(), mhz->data() + mhz->size(), value);
        (void)rest;
        if (ec == std::errc() && value > 0) return value * 1e6;
    }
#ifdef ORV_HOST_X86
    // No kernel figure: count time-stamp ticks over a tenth of a second,
    // long enough for a few digits and short enough not to hold start-up.
    const double start = RealSeconds();
    const uint64_t ticks0 = __rdtsc();
    double elapsed = 0;
    while ((elapsed = RealSeconds() - start) < 0.1) {
        const double left = 0.1 - elapsed;
        timespec nap{0, static_cast<long>(left * 1e9) + 1};
        nanosleep(&nap, nullptr);  // an interrupted nap just loops
    }
    const uint64_t ticks = __rdtsc() - ticks0;
    if (elapsed > 0) return static_cast<double>(ticks) / elapsed;
#endif
    return 0;
}

MemoryFacts QueryMemory() {
    MemoryFacts facts;
    std::optional<uint64_t> total = ProcBytes("/proc/meminfo", "MemTotal");
    std::optional<uint64_t> available = ProcBytes("/proc/meminfo", "MemAvailable");
    if (!total || !available) {
        struct sysinfo si{};
        if (sysinfo(&si) == 0) {
            const uint64_t unit = si.mem_unit ? si.mem_unit : 1;
            if (!total) total = static_cast<uint64_t>(si.totalram) * unit;
            if (!available) available = static_cast<uint64_t>(si.freeram) * unit;
        }
    }
    facts.totalPhysical = total.value_or(0);
    facts.availablePhysical = std::min(available.value_or(0), facts.totalPhysical);

    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        facts.totalVirtual = static_cast<uint64_t>(limit.rlim_cur);
    else
        facts.totalVirtual = DefaultUserAddressSpace();
    const uint64_t used = ProcBytes("/proc/self/status", "VmSize").value_or(0);
    facts.availableVirtual = used < facts.totalVirtual ? facts.totalVirtual - used : 0;
    return facts;
}

std::optional<uint64_t> QueryDiskFree(std::string_view folder) {
    const std::string host = folder.empty() ? std::string(".") : ToHostPath(folder);
    struct statvfs st{};
    if (statvfs(host.c_str(), &st) != 0) return std::nullopt;
    const uint64_t block = st.f_frsize ? st.f_frsize : st.f_bsize;
    return static_cast<uint64_t>(st.f_bavail) * block;
}

std::optional<DisplayFacts> QueryDesktop() {
    // Headless there is no desktop to ask (with no display server SDL would
    // only complain on standard error).
    if (Headless()) return std::nullopt;
    // Balanced init and quit: when the display layer already holds video,
    // this only moves its reference count.
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return std::nullopt;
    std::optional<DisplayFacts> facts;
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) facts = DisplayFacts{mode.w, mode.h};
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return facts;
}

SystemFontFacts QuerySystemFont() {
    // 9 points at 96 dpi, as a character height (negative), with variable
    // pitch and a sans family: the small interface font of a desktop.
    SystemFontFacts facts;
    facts.width = 0;
    facts.height = -12;
    facts.pitchAndFamily = 0x22;

    if (!FcInit()) return facts;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(u8"sans-serif:lang=ja"));
    if (!pattern) return facts;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match) {
        FcChar8* family = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family)
            facts.face = Utf8ToSjis(reinterpret_cast<const char*>(family));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return facts;
}

}  // namespace plat
