#include "project/program_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "project/option.h"
#include "support/logged_test.h"
#include "support/test_support.h"

namespace {

class ProgramDataTest : public orvtest::LoggedTest {};

TEST_F(ProgramDataTest, FontFacesAreFoundByTheirStoredIndex) {
    EXPECT_STREQ(FontFaceName(0), "System");
    EXPECT_STREQ(FontFaceName(59), "ＭＳ ゴシック");
    EXPECT_STREQ(FontFaceName(60), "ＭＳ Ｐゴシック");  // the projects' default
    EXPECT_STREQ(FontFaceName(100), "メイリオ");
    EXPECT_STREQ(FontFaceName(121), "Sydnie");
    EXPECT_STREQ(FontFaceName(kFontFaceCount - 1), "");
    for (int i = 0; i < kFontFaceCount - 1; ++i) EXPECT_GT(std::strlen(g_FontFaceList[i]), 0u) << i;
}

TEST_F(ProgramDataTest, AnIndexOutsideTheListGivesNoFaceAndOneReportLine) {
    const std::string before = orvtest::ReadHostFile("Report_Game.txt");
    EXPECT_STREQ(FontFaceName(kFontFaceCount), "");
    EXPECT_STREQ(FontFaceName(-1), "");
    const std::string added = orvtest::ReadHostFile("Report_Game.txt").substr(before.size());
    EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 2);
    EXPECT_NE(added.find("123"), std::string::npos);
}

TEST(ProgramData, UserOptionsExistBeforeStartUpWithTheirConstructorValues) {
    EXPECT_EQ(g_Option.m_nTone, 0);
    EXPECT_EQ(g_Option.m_nMusic, 1);
    EXPECT_EQ(g_Option.m_nVolume, 7);
    EXPECT_EQ(g_Option.m_nRankEntry, 0);
    EXPECT_EQ(g_Option.m_strName, "aaa");
}

}  // namespace
