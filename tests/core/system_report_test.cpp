#include "core/system_report.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "core/gfx_link.h"
#include "core/report_log.h"
#include "platform/host_facts.h"
#include "support/test_support.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// A temp folder holding a fresh report log, and the drawing-layer link
// restored whatever the test installs.
class ReportFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedLink = GfxLink();
        GfxLink() = GfxHooks{};
        ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);
    }
    void TearDown() override { GfxLink() = m_savedLink; }

    std::vector<std::string> LogLines() const {
        return SplitLines(orvtest::ReadHostFile(m_temp.host() + "/Report_Game.txt"));
    }

    orvtest::ScopedTempFolder m_temp;
    GfxHooks m_savedLink;
};

// --- system report --------------------------------------------------------

using SystemReport = ReportFixture;

TEST_F(SystemReport, WritesEachFactOnItsOwnLineInOrder) {
    WriteSystemReport();
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 9u) << orvtest::ReadHostFile(m_temp.host() + "/Report_Game.txt");

    std::string osName;
    GetWindowsName(&osName, nullptr, nullptr);
    EXPECT_EQ(lines[0], "OS : " + osName);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex("^OS : .+ PID 2 Build 0$"))) << lines[0];

    // Vendor and brand as the processor gives them, then whole MHz; an
    // empty brand leaves two blanks.
    const plat::CpuFacts cpu = plat::QueryCpu();
    const std::string cpuPrefix = "CPU : " + cpu.vendor + " " + cpu.brand + " ";
    ASSERT_TRUE(StartsWith(lines[1], cpuPrefix)) << lines[1];
    EXPECT_TRUE(std::regex_match(lines[1].substr(cpuPrefix.size()), std::regex("^[0-9]+$")))
        << lines[1];

    const char* const shapes[] = {
        "^Mem Total : [0-9]+\\.[0-9]{3}MB$",
        "^Mem Free : *[0-9]+MB$",
        "^Vir Total : [0-9]+\\.[0-9]{3}MB$",
        "^Vir Free : *[0-9]+MB$",
        "^HD Free : *[0-9]+MB$",
        "^Display : \\([0-9]+,[0-9]+\\)$",
    };
    for (size_t i = 0; i < std::size(shapes); ++i)
        EXPECT_TRUE(std::regex_match(lines[2 + i], std::regex(shapes[i]))) << lines[2 + i];

    const std::optional<plat::DisplayFacts> desktop = plat::QueryDesktop();
    const plat::DisplayFacts size = desktop.value_or(plat::DisplayFacts{});
    EXPECT_EQ(lines[7], "Display : (" + std::to_string(size.width) + "," +
                            std::to_string(size.height) + ")");

    // The face is Shift-JIS bytes, so it is compared as bytes.
    const plat::SystemFontFacts font = plat::QuerySystemFont();
    EXPECT_EQ(lines[8], "System Font : " + font.face + " (0,-12) 34") << orvtest::Hex(lines[8]);
}

TEST_F(SystemReport, DiskFreeIsCappedAtTwoGigabytes) {
    EXPECT_EQ(GetDiskFree("no such folder"), 0);

    const std::optional<uint64_t> bytes = plat::QueryDiskFree("");
    ASSERT_TRUE(bytes.has_value());
    // Other programs write to the disk meanwhile: leave room for that.
    constexpr uint64_t kSlack = uint64_t{256} << 20;
    if (*bytes < static_cast<uint64_t>(INT32_MAX) + kSlack) {
        EXPECT_NEAR(static_cast<double>(GetDiskFree("")), static_cast<double>(*bytes),
                    static_cast<double>(kSlack));
        GTEST_SKIP() << "under 2 GB free here: the cap cannot be seen";
    }
    EXPECT_EQ(GetDiskFree(""), INT32_MAX);
    EXPECT_EQ(GetDiskFree(nullptr), INT32_MAX);
    EXPECT_EQ(GetDiskFree("."), INT32_MAX);

    // 2147483647 / 1048576.0 through "%3.f" rounds up to 2048.
    WriteSystemReport();
    const std::vector<std::string> lines = LogLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[6], "HD Free : 2048MB");
}

TEST(SystemReportFacts, WindowsNameAndVersion) {
    std::string name = "stale";
    int major = -1;
    int minor = -1;
    GetWindowsName(&name, &major, &minor);
    const plat::OsFacts os = plat::QueryOs();
    EXPECT_EQ(name, os.name + " " + os.detail + " PID 2 Build 0");
    EXPECT_EQ(major, 10);
    EXPECT_EQ(minor, 0);
    GetWindowsName(nullptr, nullptr, nullptr);  // every output may be left out

    struct Case {
        int major, minor;
        bool atLeast;
    };
    const Case cases[] = {
        {5, 1, true},  {6, 0, true},   {6, 3, true},  {10, 0, true},
        {10, 1, false}, {11, 0, false}, {9, 99, true}, {-1, 0, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsWindowsAtLeast(c.major, c.minor), c.atLeast) << c.major << "." << c.minor;

    EXPECT_EQ(GetDDIVersion(), 9);
}

TEST(SystemReportFacts, CpuInfoIsBoundedAndZeroFilled) {
    CpuInfo info;
    std::memset(info.vendor, 'x', sizeof info.vendor);
    std::memset(info.brand, 'x', sizeof info.brand);
    GetCpuInfo(info);
    const plat::CpuFacts cpu = plat::QueryCpu();
    EXPECT_EQ(std::string(info.vendor), cpu.vendor);
    EXPECT_EQ(std::string(info.brand), cpu.brand);
    for (size_t i = cpu.brand.size(); i < sizeof info.brand; ++i) ASSERT_EQ(info.brand[i], 0) << i;
    EXPECT_GE(info.clockHz, 0.0);
}

// --- video report ---------------------------------------------------------

VideoInfo g_fakeFacts;
bool g_fakeAnswer = true;
bool g_fakeDirect3D = false;

bool FakeVideoFacts(VideoInfo& out) {
    out = g_fakeFacts;
    return g_fakeAnswer;
}
bool FakeDirect3DActive() { return g_fakeDirect3D; }

class VideoReport : public ReportFixture {
protected:
    void Install(const VideoInfo& facts, bool answer = true, bool direct3D = false) {
        g_fakeFacts = facts;
        g_fakeAnswer = answer;
        g_fakeDirect3D = direct3D;
        GfxLink().videoFacts = &FakeVideoFacts;
        GfxLink().direct3DActive = &FakeDirect3DActive;
    }
};

VideoInfo Facts(bool windowed, int bpp, bool hasDirectDraw, double totalBytes = 0,
                  double freeBytes = 0, uint32_t refresh = 0) {
    VideoInfo f;
    f.windowed = windowed;
    f.bpp = bpp;
    f.hasDirectDraw = hasDirectDraw;
    f.vramTotalBytes = totalBytes;
    f.vramFreeBytes = freeBytes;
    f.refreshRate = refresh;
    return f;
}

TEST_F(VideoReport, LinesFollowTheFacts) {
    struct Case {
        const char* name;
        VideoInfo facts;
        bool direct3D;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"window without DirectDraw", Facts(true, 16, false, 1e9, 1e9, 75), false,
         {"Mode : Window", "Bpp : 16"}},
        {"full screen with DirectDraw", Facts(false, 32, true, 67633152.0, 1310720.0, 60), false,
         {"Mode : Fullscreen", "Bpp : 32", "VRAM Total : 64.500MB", "VRAM Free : 1.250MB",
          "RR : 60"}},
        // Direct3D up adds the diagnostics part, which has nothing to say here.
        {"window with Direct3D", Facts(true, 32, true, 0, 0, 0), true,
         {"Mode : Window", "Bpp : 32", "VRAM Total : 0.000MB", "VRAM Free : 0.000MB", "RR : 0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);
        Install(c.facts, true, c.direct3D);
        WriteVideoReport(true);
        EXPECT_EQ(LogLines(), c.lines);
    }
    EXPECT_EQ(WriteDxDiagReport(true), 0);
    EXPECT_EQ(WriteDxDiagReport(false), 0);
    EXPECT_EQ(LogLines().size(), 5u);
}

TEST_F(VideoReport, NothingWithoutADisplay) {
    WriteVideoReport(false);  // no link installed
    EXPECT_TRUE(LogLines().empty());

    Install(Facts(true, 32, true, 1e8, 1e8, 60), /*answer=*/false);
    WriteVideoReport(false);
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(VideoReport, VramInWholeMegabytes) {
    int freeMB = -1;
    int totalMB = -1;
    GetVramMB(&freeMB, &totalMB);  // no link
    EXPECT_EQ(freeMB, 0);
    EXPECT_EQ(totalMB, 0);

    Install(Facts(false, 32, true, 67633152.0, 2096128.0, 60));  // 64.5 MB, 1.999 MB
    GetVramMB(&freeMB, &totalMB);
    EXPECT_EQ(freeMB, 1);
    EXPECT_EQ(totalMB, 64);
    GetVramMB(nullptr, &totalMB);
    GetVramMB(&freeMB, nullptr);
    EXPECT_EQ(freeMB, 1);
    EXPECT_EQ(totalMB, 64);

    Install(Facts(false, 32, false, 67633152.0, 2096128.0, 60));
    GetVramMB(&freeMB, &totalMB);
    EXPECT_EQ(freeMB, 0);
    EXPECT_EQ(totalMB, 0);

    Install(Facts(false, 32, true, 67633152.0, 2096128.0, 60), /*answer=*/false);
    freeMB = totalMB = -1;
    GetVramMB(&freeMB, &totalMB);
    EXPECT_EQ(freeMB, 0);
    EXPECT_EQ(totalMB, 0);
}

}  // namespace
