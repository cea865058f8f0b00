#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing.h"
#include "support/test_support.h"

namespace {

using orvtest::ReadHostFile;
using orvtest::ScopedTempFolder;
using orvtest::WriteHostFile;
namespace pt = plat::testing;

TEST(Dialog, HeadlessRunUsesScriptedBoxes) {
    // The test environment has ORV_HEADLESS set; a desktop box here would hang.
    EXPECT_EQ(plat::CurrentDialogBackend(), plat::DialogBackend::Scripted);
}

class DialogScripted : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("ORV_DIALOG_SCRIPT");
        unsetenv("ORV_DIALOG_TRANSCRIPT");
        plat::SetDialogBackend(plat::DialogBackend::Scripted);
        pt::ClearDialogScript();
        pt::ClearDialogTranscript();
    }
    void TearDown() override {
        unsetenv("ORV_DIALOG_SCRIPT");
        unsetenv("ORV_DIALOG_TRANSCRIPT");
        pt::ClearDialogScript();
        pt::ClearDialogTranscript();
    }
};

TEST_F(DialogScripted, UnscriptedBoxTakesItsFirstButton) {
    const std::pair<uint32_t, int> cases[] = {
        {plat::kMbOk, plat::kIdOk},
        {plat::kMbOkCancel | plat::kMbIconError, plat::kIdOk},
        {plat::kMbAbortRetryIgnore, plat::kIdAbort},
        {plat::kMbYesNoCancel | plat::kMbIconQuestion, plat::kIdYes},
        {plat::kMbYesNo | plat::kMbIconInformation, plat::kIdYes},
        {plat::kMbRetryCancel | plat::kMbIconWarning, plat::kIdRetry},
        {0xF, plat::kIdOk},  // buttons we do not know: a lone OK
    };
    for (const auto& [type, answer] : cases) EXPECT_EQ(plat::ShowMessageBox("t", "c", type), answer) << type;
}

TEST_F(DialogScripted, ScriptedAnswersComeInOrderAndAreRecorded) {
    pt::ScriptDialogAnswer("msgbox", plat::kIdNo);
    pt::ScriptDialogAnswer("filebox", 42);  // another kind: not for message boxes
    pt::ScriptDialogAnswer("msgbox", plat::kIdCancel);

    EXPECT_EQ(plat::ShowMessageBox("保存しますか？", "確認", plat::kMbYesNoCancel), plat::kIdNo);
    EXPECT_EQ(plat::ShowMessageBox("二つ目", "確認", plat::kMbYesNoCancel), plat::kIdCancel);
    EXPECT_EQ(plat::ShowMessageBox("三つ目", "確認", plat::kMbYesNoCancel), plat::kIdYes);

    const auto log = pt::DialogTranscript();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].kind, "msgbox");
    EXPECT_EQ(log[0].caption, "確認");
    EXPECT_EQ(log[0].text, "保存しますか？");
    EXPECT_EQ(log[0].answer, plat::kIdNo);
    EXPECT_EQ(log[1].answer, plat::kIdCancel);
    EXPECT_EQ(log[2].answer, plat::kIdYes);

    pt::ClearDialogTranscript();
    EXPECT_TRUE(pt::DialogTranscript().empty());
    pt::ClearDialogScript();
    EXPECT_EQ(plat::ShowMessageBox("t", "c", plat::kMbRetryCancel), plat::kIdRetry);
}

TEST_F(DialogScripted, TranscriptFileGetsOneLinePerBox) {
    ScopedTempFolder temp;
    const std::string file = temp.host() + "/transcript.txt";
    setenv("ORV_DIALOG_TRANSCRIPT", file.c_str(), 1);
    pt::ScriptDialogAnswer("msgbox", plat::kIdIgnore);
    plat::ShowMessageBox("一行目\r\n二行目\n三\tend", "エラー", plat::kMbAbortRetryIgnore | plat::kMbIconError);
    plat::ShowMessageBox("", "", plat::kMbOk);
    EXPECT_EQ(ReadHostFile(file),
              "msgbox\tエラー\t一行目\\n二行目\\n三\\tend\t5\n"
              "msgbox\t\t\t1\n");
}

TEST_F(DialogScripted, ScriptFileIsReadAheadOfAnswersGivenInCode) {
    ScopedTempFolder temp;
    const std::string file = temp.host() + "/script.txt";
    WriteHostFile(file,
                  "msgbox no\n"
                  "  msgbox\t 7  \n"
                  "msgbox maybe\n"       // unknown word
                  "broken\n"             // no answer
                  "msgbox yes extra\n"   // too many words
                  "msgbox 3x\n"          // not a number
                  "\n"
                  "other retry\n"        // another kind
                  "msgbox CANCEL\r\n");
    setenv("ORV_DIALOG_SCRIPT", file.c_str(), 1);
    pt::ClearDialogScript();
    pt::ScriptDialogAnswer("msgbox", plat::kIdRetry);

    std::vector<int> answers;
    for (int i = 0; i < 5; ++i) answers.push_back(plat::ShowMessageBox("t", "c", plat::kMbOk));
    EXPECT_EQ(answers, (std::vector<int>{plat::kIdNo, 7, plat::kIdCancel, plat::kIdRetry, plat::kIdOk}));

    // Read once: the same script file does not refill the answers.
    EXPECT_EQ(plat::ShowMessageBox("t", "c", plat::kMbOk), plat::kIdOk);
}

TEST_F(DialogScripted, MissingScriptFileLeavesDefaults) {
    setenv("ORV_DIALOG_SCRIPT", "/nonexistent/orv-script.txt", 1);
    pt::ClearDialogScript();
    EXPECT_EQ(plat::ShowMessageBox("t", "c", plat::kMbYesNo), plat::kIdYes);
}

TEST_F(DialogScripted, BoxesFromManyThreadsEachTakeOneAnswer) {
    for (int i = 0; i < 1000; ++i) pt::ScriptDialogAnswer("msgbox", plat::kIdNo);
    std::vector<std::thread> threads;
    std::vector<int> noCount(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i)
                if (plat::ShowMessageBox("t", "c", plat::kMbYesNo) == plat::kIdNo) ++noCount[t];
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(noCount[0] + noCount[1] + noCount[2] + noCount[3], 1000);
    EXPECT_EQ(pt::DialogTranscript().size(), 2000u);
}

// A desktop that cannot show a box: the box goes to standard error and
// takes its default button instead of failing as an unanswered question.
TEST(DialogUnshown, TheBoxGoesToStandardErrorWithItsDefaultAnswer) {
    pt::ClearDialogTranscript();
    plat::SetDialogBackend(plat::DialogBackend::Desktop);
    pt::FailDesktopBoxes(true);
    const std::pair<uint32_t, int> cases[] = {
        {plat::kMbOk, plat::kIdOk},
        {plat::kMbYesNo | plat::kMbIconQuestion, plat::kIdYes},
        {plat::kMbYesNoCancel, plat::kIdYes},
        {plat::kMbRetryCancel | plat::kMbIconWarning, plat::kIdRetry},
        {plat::kMbAbortRetryIgnore, plat::kIdAbort},
    };
    for (const auto& [type, answer] : cases) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(plat::ShowMessageBox("t", "c", type), answer) << type;
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("answer taken: "), std::string::npos) << type;
    }
    ::testing::internal::CaptureStderr();
    plat::ShowMessageBox("データがありません\r\n作りますか？\n", "確認", plat::kMbYesNo);
    const std::string err = ::testing::internal::GetCapturedStderr();
    pt::FailDesktopBoxes(false);
    plat::SetDialogBackend(plat::DialogBackend::Scripted);
    EXPECT_NE(err.find(reinterpret_cast<const char*>(u8"caption: 確認\n")), std::string::npos) << err;
    EXPECT_NE(err.find(reinterpret_cast<const char*>(u8"text: データがありません\n        作りますか？\n  answer")),
              std::string::npos)
        << err;
    EXPECT_NE(err.find("answer taken: Yes\n"), std::string::npos) << err;
    EXPECT_TRUE(pt::DialogTranscript().empty()) << "not a scripted box";
}

}  // namespace
