#include "core/text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/test_support.h"

using orvtest::Hex;

TEST(SourceText, NarrowLiteralsAreShiftJis) {
    EXPECT_EQ(Hex("エラー"), "83 47 83 89 81 5B");
    EXPECT_EQ(Hex("ソ表"), "83 5C 95 5C");
}

TEST(StrFormat, FormatsAndMayReadItsOwnTarget) {
    std::string s = "old";
    StrFormat(s, "%s-%d", s.c_str(), 7);
    EXPECT_EQ(s, "old-7");
    AppendFormat(s, "+%03d", 5);
    EXPECT_EQ(s, "old-7+005");
}

TEST(StrFormat, LongTextIsCutAtACharacterBoundary) {
    // 5118 single bytes then a double-byte character: the pair would end at
    // byte 5120, past the 5119 that fit, so it is dropped whole.
    std::string body(5118, 'a');
    std::string s;
    StrFormat(s, "%s%s", body.c_str(), "表");
    EXPECT_EQ(s.size(), 5118u);
    StrFormat(s, "%s%s", std::string(5117, 'a').c_str(), "表表");
    EXPECT_EQ(s.size(), 5119u);
    EXPECT_EQ(Hex(s.substr(5117)), "95 5C");
}

TEST(IntToStr, WidthZerosBlanksAndSign) {
    struct Case {
        int32_t value;
        int width;
        bool zeros;
        bool plus;
        const char* text;
    } cases[] = {
        {-5, 3, false, false, "-  5"}, {-5, 3, true, false, "-005"},  {42, 5, true, false, "00042"},
        {42, 5, false, false, "   42"}, {123, 2, false, false, "123"}, {0, 1, false, false, "0"},
        {0, 3, false, false, "  0"},    {7, 0, false, true, "+7"},     {0, 0, false, true, "+0"},
        {INT_MIN, 0, false, false, "-2147483648"},                    {INT_MAX, 0, true, true, "+2147483647"},
    };
    for (const auto& c : cases) {
        std::string s = "junk";
        IntToStr(s, c.value, c.width, c.zeros, c.plus);
        EXPECT_EQ(s, c.text) << c.value << " width " << c.width;
    }
}

TEST(StrMid, ClampsToTheText) {
    struct Case {
        int start, length;
        const char* out;
    } cases[] = {
        {-2, 4, "ab"}, {4, 10, "ef"}, {7, 2, ""},  {6, 2, ""},    {0, 0, ""},     {1, -1, "bcdef"},
        {2, 2, "cd"},  {-2, 2, ""},   {-10, 4, ""}, {-3, -1, "abcdef"},
    };
    for (const auto& c : cases) EXPECT_EQ(StrMid("abcdef", c.start, c.length), c.out) << c.start << "," << c.length;
    std::string withNul("ab\0cd", 5);
    EXPECT_EQ(StrMid(withNul, 0, 5), "ab");
}

TEST(StrSyncLength, CutsAtFirstNul) {
    std::string s("abc\0def", 7);
    EXPECT_EQ(StrSyncLength(s), 3u);
    EXPECT_EQ(s, "abc");
}

TEST(ShiftJis, DoubleByteTestsAndCounting) {
    EXPECT_TRUE(IsSjisDoubleByte("表"));
    EXPECT_TRUE(IsSjisDoubleByte("\xE0\x40"));
    EXPECT_FALSE(IsSjisDoubleByte("\x81"));      // lead byte at the end
    EXPECT_FALSE(IsSjisDoubleByte("\x81\x7F"));  // 0x7F is no trail byte
    EXPECT_FALSE(IsSjisDoubleByte("\xA0\x40"));  // half-width kana range is single
    EXPECT_EQ(CountChars("\x82\xA0\x82\xA2\x0A" "a"), 3);
    EXPECT_EQ(CountChars(""), 0);
    EXPECT_EQ(CountChars("\x81"), 1);
}

TEST(PathBuffers, StripFolderKnowsDoubleBytes) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"ab\\表.txt", "表.txt"},
        {"a\\b\\", "b\\"},
        {"ソ\\x", "x"},
        {"ソフト.bmp", "ソフト.bmp"},  // 0x5C inside "ソ" is no separator
        {"a", "a"},
        {"\\", "\\"},
    };
    for (const auto& c : cases) {
        char buf[kMaxPath];
        std::strcpy(buf, c.in);
        StripFolder(buf);
        EXPECT_EQ(Hex(buf), Hex(c.out)) << c.in;
    }
}

TEST(PathBuffers, ExtensionHelpers) {
    char buf[kMaxPath];
    EXPECT_EQ(ReplaceExt(buf, sizeof buf, "a\\b.stg4_001", "bmp"), 1);
    EXPECT_STREQ(buf, "a\\b.bmp");
    EXPECT_EQ(ReplaceExt(buf, sizeof buf, "a\\b.c.txt", nullptr), 1);
    EXPECT_STREQ(buf, "a\\b.c");
    // Only a dot in the file name counts: the folder's dot is left alone.
    EXPECT_EQ(ReplaceExt(buf, sizeof buf, "dir.x\\name", "bmp"), 0);
    EXPECT_STREQ(buf, "dir.x\\name");

    std::strcpy(buf, "save.dat");
    EXPECT_EQ(StripExt(buf), 1);
    EXPECT_STREQ(buf, "save");
    EXPECT_EQ(StripExt(buf), 0);
    std::string s = "dir.x\\name";
    EXPECT_EQ(StripExt(s), 0);
    EXPECT_EQ(s, "dir.x\\name");

    EXPECT_EQ(GetExt(buf, sizeof buf, "music\\表.mid"), 1);
    EXPECT_STREQ(buf, "mid");
    EXPECT_EQ(GetExt(buf, sizeof buf, "noext"), 0);

    EXPECT_EQ(MakeNumberedName(buf, sizeof buf, "save.dat", 2), 1);
    EXPECT_STREQ(buf, "save (2).dat");
    EXPECT_EQ(MakeNumberedName(buf, sizeof buf, "save", 2), 0);
    std::string longExt = "a." + std::string(32, 'e');
    EXPECT_EQ(MakeNumberedName(buf, sizeof buf, longExt.c_str(), 2), 0);
}

TEST(PathBuffers, ResultsThatDoNotFitLeaveTheTarget) {
    char small[8] = "keep";
    EXPECT_EQ(ReplaceExt(small, sizeof small, "longname.txt", "bmp"), 0);
    EXPECT_STREQ(small, "keep");
    EXPECT_EQ(MakeNumberedName(small, sizeof small, "save.dat", 2), 0);
    EXPECT_STREQ(small, "keep");
}

TEST(Paths, AbsoluteAndRelativeAgainstTheCurrentFolder) {
    orvtest::ScopedTempFolder tmp;
    std::string cur = tmp.host();  // an ASCII temp path: program form is the same with backslashes
    for (auto& ch : cur) ch = ch == '/' ? '\\' : ch;
    std::string p = "data\\stg4\\..\\stg4\\.\\a.stg4_001";
    ASSERT_EQ(MakeAbsolutePath(p), 1);
    EXPECT_EQ(p, cur + "\\data\\stg4\\a.stg4_001");
    ASSERT_EQ(MakeRelativePath(p), 1);
    EXPECT_EQ(p, ".\\data\\stg4\\a.stg4_001");

    std::string up = cur.substr(0, cur.rfind('\\')) + "\\x.txt";
    ASSERT_EQ(MakeRelativePath(up), 1);
    EXPECT_EQ(up, "..\\x.txt");

    // Letter case does not separate a path from the current folder.
    std::string upper = cur + "\\Data";
    for (auto& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    ASSERT_EQ(MakeRelativePath(upper), 1);
    EXPECT_EQ(upper, ".\\DATA");

    std::string rel = "already\\relative";
    EXPECT_EQ(MakeRelativePath(rel), 1);
    EXPECT_EQ(rel, "already\\relative");
    std::string other = "C:\\x";
    EXPECT_EQ(MakeRelativePath(other), 0);

    char buf[kMaxPath] = "Report_Game.txt";
    ASSERT_EQ(MakeAbsolutePath(buf), 1);
    EXPECT_EQ(std::string(buf), cur + "\\Report_Game.txt");
    char tiny[12] = "Report.txt";
    EXPECT_EQ(MakeAbsolutePath(tiny, sizeof tiny), 0);
    EXPECT_STREQ(tiny, "Report.txt");
}

TEST(Paths, FindNumberedFileTakesTheHighest) {
    orvtest::ScopedTempFolder tmp;
    orvtest::WriteHostFile("a.rpl_003", "x");
    orvtest::WriteHostFile("a.rpl_010", "x");
    char buf[kMaxPath];
    ASSERT_EQ(FindNumberedFile(buf, sizeof buf, "a.txt", "rpl"), 1);
    EXPECT_STREQ(buf, "a.rpl_010");
    std::string found;
    EXPECT_EQ(FindNumberedFile(found, "b.txt", "rpl"), 0);
    // A name without a dot is used as it is.
    orvtest::WriteHostFile("c_007", "x");
    ASSERT_EQ(FindNumberedFile(found, "c", "rpl"), 1);
    EXPECT_EQ(found, "c_007");

    // One listing of the folder: names in any letter case, three digits
    // exactly, the highest that is there as a path.
    std::filesystem::create_directories("Game/Stg4");
    for (const char* name : {"Game/Stg4/Stage.STG4_004", "Game/Stg4/stage.stg4_002", "Game/Stg4/stage.stg4_0100",
                             "Game/Stg4/stage.stg4_99", "Game/Stg4/stage.stg4_x12", "Game/Stg4/bigstage.stg4_900",
                             "Game/Stg4/stage.stg4_012.bak"})
        orvtest::WriteHostFile(name, "x");
    std::filesystem::create_symlink("nowhere", "Game/Stg4/stage.stg4_500");  // listed, but names nothing
    const std::pair<const char*, const char*> cases[] = {
        {"game\\stg4\\stage.txt", "game\\stg4\\stage.stg4_004"},
        {"game/stg4/STAGE.x", "game/stg4/STAGE.stg4_004"},
        {"GAME\\STG4\\STAGE.stg4", "GAME\\STG4\\STAGE.stg4_004"},
        {"game\\stg4\\tage.stg4", nullptr},
        {"game\\none\\stage.stg4", nullptr},
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(path);
        std::string numbered = "unchanged";
        EXPECT_EQ(FindNumberedFile(numbered, path, "stg4"), expected ? 1 : 0);
        EXPECT_EQ(numbered, expected ? expected : "unchanged");
    }
}
