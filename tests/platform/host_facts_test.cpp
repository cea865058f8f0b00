#include "platform/host_facts.h"

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <filesystem>

#include "support/test_support.h"

namespace {

TEST(HostFacts, OsNameIsSystemAndRelease) {
    utsname u{};
    ASSERT_EQ(uname(&u), 0);
    const plat::OsFacts os = plat::QueryOs();
    EXPECT_EQ(os.name, std::string(u.sysname) + " " + u.release);
    EXPECT_EQ(os.detail, u.machine);
    EXPECT_FALSE(os.name.empty());
}

TEST(HostFacts, CpuIdentification) {
    const plat::CpuFacts cpu = plat::QueryCpu();
#if defined(__x86_64__) || defined(__i386__)
    ASSERT_EQ(cpu.vendor.size(), 12u);
    EXPECT_EQ(cpu.vendor.find_first_not_of(
                  "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 "),
              std::string::npos)
        << cpu.vendor;
    // The registers in the wrong order (EBX, ECX, EDX) scramble the two
    // common names.
    EXPECT_NE(cpu.vendor, "GenuntelineI");
    EXPECT_NE(cpu.vendor, "AuthcAMDenti");
    EXPECT_LE(cpu.brand.size(), 48u);
    EXPECT_EQ(cpu.brand.find('\0'), std::string::npos);
    EXPECT_GT(plat::QueryCpuClockHz(), 1e6);
#else
    EXPECT_TRUE(cpu.vendor.empty());
    EXPECT_TRUE(cpu.brand.empty());
    EXPECT_GE(plat::QueryCpuClockHz(), 0.0);
#endif
}

TEST(HostFacts, MemoryTotalsAndAvailability) {
    const plat::MemoryFacts m = plat::QueryMemory();
    EXPECT_GT(m.totalPhysical, 0u);
    EXPECT_LE(m.availablePhysical, m.totalPhysical);
    EXPECT_GT(m.totalVirtual, 0u);
    EXPECT_LE(m.availableVirtual, m.totalVirtual);
    // This process occupies part of its own address space.
    EXPECT_LT(m.availableVirtual, m.totalVirtual);
}

TEST(HostFacts, DiskFree) {
    orvtest::ScopedTempFolder temp;
    EXPECT_TRUE(plat::QueryDiskFree("").has_value());
    EXPECT_TRUE(plat::QueryDiskFree(".").has_value());
    EXPECT_FALSE(plat::QueryDiskFree("no such folder\\deeper").has_value());

    // The folder is given in program form: Shift-JIS with backslashes and
    // any letter case, found on disk through the path edge.
    const std::u8string hostName = u8"/Data/表示";  // UTF-8 on disk
    std::filesystem::create_directories(temp.host() + std::string(hostName.begin(), hostName.end()));
    EXPECT_TRUE(plat::QueryDiskFree("data\\表示").has_value());
}

TEST(HostFacts, DesktopAndFontNeverFail) {
    // Headless (dummy driver or none): either an answer or nothing, and a
    // second call works the same since the subsystem is released each time.
    const std::optional<plat::DisplayFacts> first = plat::QueryDesktop();
    const std::optional<plat::DisplayFacts> second = plat::QueryDesktop();
    EXPECT_EQ(first.has_value(), second.has_value());
    if (first) {
        EXPECT_GT(first->width, 0);
        EXPECT_GT(first->height, 0);
    }

    const plat::SystemFontFacts font = plat::QuerySystemFont();
    EXPECT_EQ(font.width, 0);
    EXPECT_EQ(font.height, -12);
    EXPECT_EQ(font.pitchAndFamily, 0x22u);
    EXPECT_EQ(font.face.find('\0'), std::string::npos);
}

}  // namespace
