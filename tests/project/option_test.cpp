#include "project/option.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "project/list_file_test.h"
#include "project/path_table.h"
#include "support/logged_test.h"
#include "support/test_support.h"

namespace {

using orvtest::ReadHostFile;
using orvtest::WriteHostFile;
using projtest::Bytes;

class OptionTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        ASSERT_TRUE(plat::MakeFolder("user_data"));
    }
    const char* path = g_PathTable[kPathOption];
    static constexpr const char* kHostPath = "user_data/Option.dat";

    static void ExpectValues(const cOption& o, int tone, int music, int volume, int entry, const std::string& name) {
        EXPECT_EQ(o.m_nTone, tone);
        EXPECT_EQ(o.m_nMusic, music);
        EXPECT_EQ(o.m_nVolume, volume);
        EXPECT_EQ(o.m_nRankEntry, entry);
        EXPECT_EQ(o.m_strName, name);
    }
};

TEST_F(OptionTest, WithoutAFileTheConstructorValuesStay) {
    cOption o;
    ExpectValues(o, 0, 1, 7, 0, "aaa");
    EXPECT_EQ(LoadOption(o, path), 0);
    ExpectValues(o, 0, 1, 7, 0, "aaa");
}

TEST_F(OptionTest, SavedFileHasTheRecordLayoutAndReadsBackTheSameValues) {
    cOption o;
    o.m_nTone = 23;
    o.m_nMusic = 0;
    o.m_nVolume = 10;
    o.m_nRankEntry = 3;
    o.m_strName = "プレイヤー";
    ASSERT_EQ(SaveOption(o, path), 1);
    EXPECT_EQ(orvtest::Hex(ReadHostFile(kHostPath)),
              orvtest::Hex(Bytes().I32(901).Rec({23, 0, 10, 3}, {"プレイヤー"}).s));

    cOption back;
    ASSERT_EQ(LoadOption(back, path), 1);
    ExpectValues(back, 23, 0, 10, 3, "プレイヤー");
}

TEST_F(OptionTest, RefusedOrBrokenFilesLeaveTheOptionsAsTheyWere) {
    const std::string good = Bytes().Rec({5, 0, 3, 2}, {"bob"}).s;
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"newer data version", Bytes().I32(902).s + good},
        {"cut in the name", (Bytes().I32(901).s + good).substr(0, 30)},
        {"only the version word", Bytes().I32(901).s},
        {"empty file", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteHostFile(kHostPath, c.bytes);
        cOption o;
        o.m_nVolume = 4;
        EXPECT_EQ(LoadOption(o, path), 0);
        ExpectValues(o, 0, 1, 4, 0, "aaa");
    }
    // The oldest version word is no reason to refuse the file.
    WriteHostFile(kHostPath, Bytes().I32(0).s + good);
    cOption o;
    EXPECT_EQ(LoadOption(o, path), 1);
    ExpectValues(o, 5, 0, 3, 2, "bob");
}

TEST_F(OptionTest, ValuesOutsideTheirRangesTakeTheConstructorValues) {
    // Each of them indexes a table, so none may survive a load.
    const struct {
        std::vector<int32_t> stored;
        std::vector<int32_t> loaded;
    } cases[] = {
        {{24, 2, 11, 4}, {0, 1, 7, 0}},
        {{-1, -1, -1, -1}, {0, 1, 7, 0}},
        {{23, 0, 0, 3}, {23, 0, 0, 3}},
        {{12, 5, 10, 9}, {12, 1, 10, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.stored));
        WriteHostFile(kHostPath,
                      Bytes().I32(901).Rec({c.stored[0], c.stored[1], c.stored[2], c.stored[3]}, {"zed"}).s);
        cOption o;
        ASSERT_EQ(LoadOption(o, path), 1);
        ExpectValues(o, c.loaded[0], c.loaded[1], c.loaded[2], c.loaded[3], "zed");
    }
}

}  // namespace
