#include "platform/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/testing.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using orvtest::Hex;
using orvtest::ReadHostFile;
using orvtest::ScopedTempFolder;
using orvtest::WriteHostFile;

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string ReadAll(FILE* f) {
    std::string out;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    return out;
}

TEST(ProgramPath, SplitsOnRealSeparatorsOnly) {
    struct Case {
        std::string path;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"ab\\表.txt", {"ab", "表.txt"}},          // 表 = 95 5C
        {"ソフト\\a", {"ソフト", "a"}},            // ソ = 83 5C
        {"\\\\a//b\\/", {"a", "b"}},               // doubled, leading, trailing
        {"C:\\x/y", {"C:", "x", "y"}},
        {"", {}},
        {"\\/", {}},
        {"a\x81", {"a\x81"}},                      // lead byte at the very end
        {"\x81/b", {"\x81", "b"}},                 // '/' cannot be a trail byte
        {"\x81\\\\b", {"\x81\\", "b"}},            // the first 5C is a trail byte
    };
    for (const auto& c : cases) EXPECT_EQ(plat::SplitProgramPath(c.path), c.parts) << Hex(c.path);
}

TEST(ProgramPath, TellsAbsoluteFromRelative) {
    const std::pair<const char*, bool> cases[] = {
        {"\\work", true}, {"/work", true}, {"C:\\x", true}, {"d:", true},  {"", false},
        {"data\\a", false}, {"1:\\x", false}, {":x", false},  {"ソ", false},
    };
    for (const auto& [path, absolute] : cases) EXPECT_EQ(plat::IsAbsoluteProgramPath(path), absolute) << path;
}

// A small tree in mixed letter case: Data/Stg4/A.stg4_001 and ソフト/表.txt.
class ProgramPathOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories("Data/Stg4");
        WriteHostFile("Data/Stg4/A.stg4_001", "stage");
        fs::create_directories(U8(u8"ソフト"));
        WriteHostFile(U8(u8"ソフト/表.txt"), "table");
    }
    ScopedTempFolder m_temp;
};

TEST_F(ProgramPathOnDisk, FindsNamesIgnoringLetterCase) {
    FILE* f = plat::OpenFile("data\\stg4\\a.STG4_001", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), "stage");
    std::fclose(f);

    const std::pair<const char*, const char*> cases[] = {
        {"data\\stg4\\a.STG4_001", "Data/Stg4/A.stg4_001"},
        {"DATA/./stg4", "Data/./Stg4"},
        {"data\\..\\DATA\\stg4", "Data/../Data/Stg4"},
        {"data\\NEW\\stg4", "Data/NEW/stg4"},  // nothing below a missing part is looked up
        {"data\\\\stg4\\", "Data/Stg4"},
        {"", ""},
    };
    for (const auto& [program, host] : cases) EXPECT_EQ(plat::ToHostPath(program), host) << program;
}

TEST_F(ProgramPathOnDisk, ListsFoldersInProgramForm) {
    EXPECT_EQ(plat::ListFolder("ソフト"), std::vector<std::string>{"表.txt"});
    EXPECT_EQ(plat::ListFolder("DATA\\stg4\\"), std::vector<std::string>{"A.stg4_001"});
    EXPECT_TRUE(plat::ListFolder("missing").empty());
    EXPECT_TRUE(plat::ListFolder("data\\stg4\\a.stg4_001").empty());
}

TEST_F(ProgramPathOnDisk, NamesFoundIgnoringCaseFollowTheFolder) {
    // A folder untouched for a while: what it holds is kept for the
    // lookups until its time moves.
    fs::last_write_time("Data/Stg4", fs::last_write_time("Data/Stg4") - std::chrono::hours(1));
    EXPECT_EQ(plat::ToHostPath("data\\stg4\\a.STG4_001"), "Data/Stg4/A.stg4_001");
    fs::rename("Data/Stg4/A.stg4_001", "Data/Stg4/B.stg4_001");
    EXPECT_EQ(plat::ToHostPath("data\\stg4\\b.STG4_001"), "Data/Stg4/B.stg4_001");
    EXPECT_EQ(plat::ToHostPath("data\\stg4\\a.STG4_001"), "Data/Stg4/a.STG4_001");

    // A folder changed just now is listed again each time, so a second
    // change within the same tick of the file system's clock is seen.
    fs::create_directory("Fresh");
    WriteHostFile("Fresh/One.txt", "1");
    const auto changed = fs::last_write_time("Fresh");
    EXPECT_EQ(plat::ToHostPath("fresh\\one.TXT"), "Fresh/One.txt");
    WriteHostFile("Fresh/Two.txt", "2");
    fs::last_write_time("Fresh", changed);
    EXPECT_EQ(plat::ToHostPath("fresh\\two.TXT"), "Fresh/Two.txt");
}

TEST_F(ProgramPathOnDisk, ReachesJapaneseNamesFromShiftJis) {
    FILE* f = plat::OpenFile("ソフト\\表.txt", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), "table");
    std::fclose(f);
    EXPECT_TRUE(plat::IsFolder("ソフト"));
    EXPECT_EQ(plat::ToHostPath("ソフト\\表.TXT"), U8(u8"ソフト/表.txt"));
}

TEST_F(ProgramPathOnDisk, CreatesNewFilesUnderExistingFolders) {
    FILE* f = plat::OpenFile("DATA\\stg4\\New.sav", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("saved", f);
    std::fclose(f);
    EXPECT_EQ(ReadHostFile("Data/Stg4/New.sav"), "saved");
}

TEST_F(ProgramPathOnDisk, MakesCopiesAndRemovesFolders) {
    EXPECT_TRUE(plat::MakeFolder("Copy"));
    EXPECT_FALSE(plat::MakeFolder("COPY"));  // exists already, in another letter case
    EXPECT_FALSE(plat::MakeFolder("missing\\deeper"));

    ASSERT_TRUE(plat::CopyFolderContents("data", "copy"));
    EXPECT_EQ(ReadHostFile("Copy/Stg4/A.stg4_001"), "stage");
    // A second copy would overwrite: it fails rather than replace a file.
    EXPECT_FALSE(plat::CopyFolderContents("data", "copy"));
    EXPECT_EQ(ReadHostFile("Copy/Stg4/A.stg4_001"), "stage");

    // A link loop ends instead of nesting for ever.
    fs::create_directory_symlink("..", "Data/Stg4/loop");
    ASSERT_TRUE(plat::MakeFolder("Loop"));
    EXPECT_FALSE(plat::CopyFolderContents("data", "loop"));
    fs::remove("Data/Stg4/loop");
    plat::RemoveFolderTree("copy");
    EXPECT_FALSE(fs::exists("Copy"));
    EXPECT_TRUE(fs::exists("Data/Stg4/A.stg4_001"));
    plat::RemoveFolderTree("never-there");
}

TEST_F(ProgramPathOnDisk, ReplacingWritesKeepTheOldFileUntilTheNewOneIsWhole) {
    // Kept: the new bytes replace the old file, reached case-insensitively.
    plat::ReplacingFile file;
    ASSERT_TRUE(plat::BeginReplace("data\\stg4\\a.STG4_001", &file));
    std::fputs("new stage", file.file);
    EXPECT_EQ(ReadHostFile("Data/Stg4/A.stg4_001"), "stage");  // untouched while writing
    EXPECT_TRUE(plat::EndReplace(&file, true));
    EXPECT_EQ(ReadHostFile("Data/Stg4/A.stg4_001"), "new stage");

    // Given up: the old file stays and no temporary file is left behind.
    ASSERT_TRUE(plat::BeginReplace("data\\stg4\\a.stg4_001", &file));
    std::fputs("half", file.file);
    EXPECT_FALSE(plat::EndReplace(&file, false));
    EXPECT_EQ(ReadHostFile("Data/Stg4/A.stg4_001"), "new stage");
    EXPECT_EQ(std::distance(fs::directory_iterator("Data/Stg4"), fs::directory_iterator{}), 1);

    // A folder is never replaced.
    EXPECT_FALSE(plat::BeginReplace("data\\stg4", &file));
    EXPECT_TRUE(fs::is_directory("Data/Stg4"));
}

TEST_F(ProgramPathOnDisk, AbsolutePathsAndExistence) {
    const std::string root = plat::FromHostPath(m_temp.host());
    ASSERT_TRUE(plat::IsAbsoluteProgramPath(root));
    EXPECT_EQ(plat::ToHostPath(root + "\\DATA\\stg4\\a.stg4_001"), m_temp.host() + "/Data/Stg4/A.stg4_001");
    EXPECT_EQ(plat::ToHostPath("\\"), "/");

    EXPECT_TRUE(plat::PathExists(root + "\\data\\STG4\\a.stg4_001"));
    EXPECT_TRUE(plat::PathExists("data"));
    EXPECT_FALSE(plat::PathExists("data\\stg5"));
    EXPECT_FALSE(plat::PathExists(""));
    EXPECT_TRUE(plat::IsFolder(root + "\\data\\stg4"));
    EXPECT_FALSE(plat::IsFolder("data\\stg4\\a.stg4_001"));
    EXPECT_FALSE(plat::IsFolder("data\\stg4\\a.stg4_001\\x"));
}

TEST_F(ProgramPathOnDisk, OddNamesGiveClearAnswers) {
    // A name that is not Shift-JIS is looked for byte for byte.
    WriteHostFile("\x80raw", "raw");
    FILE* f = plat::OpenFile("\x80RAW", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), "raw");
    std::fclose(f);

    // Cut at the NUL, "Data\0..." would name the folder "Data".
    const std::string withNul("Data\0x", 6);
    EXPECT_FALSE(plat::PathExists(withNul));
    EXPECT_FALSE(plat::IsFolder(withNul));
    EXPECT_EQ(plat::OpenFile(withNul, "rb"), nullptr);
    EXPECT_EQ(plat::OpenFile("", "rb"), nullptr);
    EXPECT_EQ(plat::OpenFile("data\\stg4\\a.stg4_001", nullptr), nullptr);
    EXPECT_EQ(plat::OpenFile("nothing\\here.txt", "rb"), nullptr);
}

TEST_F(ProgramPathOnDisk, OnlyRegularFilesOpen) {
    // A pipe would hold a blocking open until its other end came; a folder
    // or a device holds no file's bytes. In every mode they are refused at
    // once and left as they were.
    ASSERT_EQ(mkfifo("Pipe", 0600), 0);
    for (const char* mode : {"rb", "r+b", "wb", "ab", "w+b"}) {
        EXPECT_EQ(plat::OpenFile("pipe", mode), nullptr) << mode;
        EXPECT_EQ(plat::OpenFile("data\\stg4", mode), nullptr) << mode;
    }
    EXPECT_EQ(plat::OpenFile("\\dev\\null", "rb"), nullptr);
    EXPECT_TRUE(fs::is_fifo("Pipe"));

    // Regular files open in each mode as fopen opens them, blocking as ever.
    FILE* f = plat::OpenFile("data\\stg4\\a.stg4_001", "ab");
    ASSERT_NE(f, nullptr);
    std::fputs("+", f);
    std::fclose(f);
    f = plat::OpenFile("data\\stg4\\a.stg4_001", "r+b");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), "stage+");
    std::fclose(f);
    f = plat::OpenFile("new.txt", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("new", f);
    std::fclose(f);
    EXPECT_EQ(ReadHostFile("new.txt"), "new");
}

TEST_F(ProgramPathOnDisk, MemoryFilesStandInForTheDisk) {
    struct Switch {
        Switch() { plat::testing::UseMemoryFiles(true); }
        ~Switch() {
            plat::testing::ClearMemoryFiles();
            plat::testing::UseMemoryFiles(false);
        }
    } on;
    plat::testing::SetMemoryFile("Data\\Stg4\\A.stg4_001", "held");
    // Read from memory whatever the separators and letter case; paths not
    // held are still on the disk.
    FILE* f = plat::OpenFile("data/STG4\\a.stg4_001", "rb");
    ASSERT_NE(f, nullptr);
    plat::testing::SetMemoryFile("data\\stg4\\a.stg4_001", "later");  // an open reader keeps its bytes
    EXPECT_EQ(ReadAll(f), "held");
    std::fclose(f);
    EXPECT_TRUE(plat::PathExists("DATA\\stg4\\a.stg4_001"));
    EXPECT_FALSE(plat::IsFolder("DATA\\stg4\\a.stg4_001"));
    EXPECT_TRUE(plat::IsFolder("data\\stg4"));
    f = plat::OpenFile("ソフト\\表.txt", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ReadAll(f), "table");
    std::fclose(f);

    // Replacing writes go to memory only, whole or not at all.
    plat::ReplacingFile file;
    ASSERT_TRUE(plat::BeginReplace("out\\new.dat", &file));
    std::fputs("written", file.file);
    ASSERT_TRUE(plat::EndReplace(&file, true));
    EXPECT_EQ(plat::testing::MemoryFile("OUT/new.dat"), "written");
    ASSERT_TRUE(plat::BeginReplace("out\\new.dat", &file));
    std::fputs("half", file.file);
    EXPECT_FALSE(plat::EndReplace(&file, false));
    EXPECT_EQ(plat::testing::MemoryFile("out\\new.dat"), "written");
    EXPECT_FALSE(fs::exists("out"));
    EXPECT_EQ(ReadHostFile("Data/Stg4/A.stg4_001"), "stage");
}

TEST(ProgramPath, FromHostPathGivesProgramForm) {
    const std::pair<std::string, std::string> cases[] = {
        {"/tmp//x/", "\\tmp\\x"},
        {"/", "\\"},
        {"", ""},
        {U8(u8"a/ソフト/表.txt"), "a\\ソフト\\表.txt"},
        {"a\\b", "a?b"},          // a backslash inside a host name is no separator
        {U8(u8"¥x"), "?x"},       // nor is the yen sign code page 932 folds onto 5C
        {U8(u8"😀"), "?"},
    };
    for (const auto& [host, program] : cases) {
        EXPECT_EQ(Hex(plat::FromHostPath(host)), Hex(program)) << host;
        EXPECT_EQ(plat::SplitProgramPath(plat::FromHostPath(host)).size(), plat::SplitProgramPath(program).size());
    }
}

TEST(ProgramPath, CurrentFolderRoundTrips) {
    ScopedTempFolder temp;
    fs::create_directories(U8(u8"ソフト"));
    ASSERT_EQ(chdir(U8(u8"ソフト").c_str()), 0);
    const std::string current = plat::CurrentFolder();
    ASSERT_GE(current.size(), 7u);
    EXPECT_EQ(current.substr(current.size() - 7), "\\ソフト");
    EXPECT_EQ(plat::ToHostPath(current), fs::current_path().string());
    EXPECT_TRUE(plat::IsFolder(current));
}

}  // namespace
