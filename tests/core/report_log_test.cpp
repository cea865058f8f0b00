#include "core/report_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/shell_link.h"
#include "platform/messages.h"
#include "platform/testing.h"
#include "support/test_support.h"

using orvtest::ReadHostFile;

namespace {

class ReportLogTest : public ::testing::Test {
protected:
    orvtest::ScopedTempFolder tmp;
    void SetUp() override {
        plat::testing::ClearDialogTranscript();
        plat::testing::ClearDialogScript();
        InitDebugLog(false, "EC_Game.txt");
        ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);
    }
};

}  // namespace

TEST_F(ReportLogTest, LinesAreAppendedExactlyAsFormatted) {
    orvtest::WriteHostFile("Report_Game.txt", "left over from last run\n");
    ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);  // starts empty every run
    EXPECT_EQ(WriteReport("App : ver %s", "901"), 1);
    EXPECT_EQ(WriteReport("%s", "50%d"), 1);  // an argument is never formatted again
    EXPECT_EQ(WriteReportDebug("rate %d%%", 50), 1);
    EXPECT_EQ(WriteReportText("エラー %s"), 1);
    EXPECT_EQ(ReadHostFile("Report_Game.txt"), "App : ver 901\n50%d\nrate 50%\nエラー %s\n");
}

TEST_F(ReportLogTest, DeletedLogIsNotRecreated) {
    std::remove("Report_Game.txt");
    EXPECT_EQ(WriteReport("lost"), 0);
    EXPECT_FALSE(orvtest::HostFileExists("Report_Game.txt"));
    EXPECT_EQ(InitReportLog("no_such_folder\\Report_Game.txt"), 0);
}

TEST_F(ReportLogTest, ReportErrorLogsAndAlwaysShowsItsBox) {
    EXPECT_EQ(ReportError("%s の読み込みに失敗しました！", "data\\System.dat"), 1);
    std::remove("Report_Game.txt");
    // The log is gone, but the user must still be told.
    EXPECT_EQ(ReportError("データベースの読み込みに失敗…"), 0);
    auto boxes = plat::testing::DialogTranscript();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "エラー");
    EXPECT_EQ(boxes[0].text, "data\\System.dat の読み込みに失敗しました！");
    EXPECT_EQ(boxes[1].text, "データベースの読み込みに失敗…");
}

TEST_F(ReportLogTest, LongTextIsBoundedToTheBuffer) {
    std::string big(3000, 'x');
    EXPECT_EQ(WriteReportDebug("%s", big.c_str()), 1);
    EXPECT_EQ(ReadHostFile("Report_Game.txt"), std::string(1023, 'x') + "\n");
}

TEST_F(ReportLogTest, DebugLogStaysOffButCloseStillPosts) {
    plat::WindowHandle w = plat::CreateMessageWindow();
    EXPECT_EQ(WriteDebugLog("x %d", 1), 0);
    EXPECT_EQ(WriteDebugLogAndClose(w, "bad %s", "scene"), 0);
    plat::Message m;
    ASSERT_TRUE(plat::PeekWindowMessage(w, m));
    EXPECT_EQ(m.id, plat::kWmClose);
    EXPECT_FALSE(orvtest::HostFileExists("EC_Game.txt"));
    plat::DestroyMessageWindow(w);
}

TEST_F(ReportLogTest, DebugLogWhenOnStartsAfreshThenAppends) {
    orvtest::WriteHostFile("EC_Game.txt", "old\n");
    InitDebugLog(true, "EC_Game.txt");
    EXPECT_EQ(WriteDebugLog("a%d", 1), 1);
    EXPECT_EQ(WriteDebugLogLine("b"), 1);
    EXPECT_EQ(ReadHostFile("EC_Game.txt"), "a1\nb\n");
    InitDebugLog(false, "EC_Game.txt");
}
