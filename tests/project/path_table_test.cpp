#include "project/path_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/dialogs.h"
#include "platform/testing.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
namespace pt = plat::testing;
using orvtest::ReadHostFile;
using orvtest::ScopedTempFolder;
using orvtest::WriteHostFile;

const char kQuestion[] = "データが存在しません！デフォルトデータを作成しますか？\n";
const char kQuestionCaption[] = "デフォルトデータ作成の確認";

TEST(PathTable, ShippedEntriesMirrorTheirProjectEntries) {
    // Entries 6..37 come in pairs: a project file and its shipped copy.
    for (int i = 6; i < 38; i += 2) {
        std::string project = g_PathTable[i];
        ASSERT_EQ(project.rfind("data\\", 0), 0u) << i;
        EXPECT_EQ(std::string(g_PathTable[i + 1]), "default\\" + project.substr(5)) << i;
    }
    EXPECT_STREQ(g_PathTable[kPathAnimeSet], "data\\database\\AnimeSet.dat");
    EXPECT_STREQ(g_PathTable[kPathBgm], "data\\database\\Bgm.dat");
    EXPECT_STREQ(g_PathTable[kPathWindow], "user_data\\Window.dat");
    // A ranking file: folder of the play mode, stage key, extension.
    EXPECT_EQ(std::string(g_PathTable[kPathRankChallenge]) + "stage3." + g_ExtTable[kExtRanking],
              "user_data\\challenge\\stage3.rkg");
}

class ProgramFolders : public ::testing::Test {
protected:
    void SetUp() override {
        plat::SetDialogBackend(plat::DialogBackend::Scripted);
        pt::ClearDialogScript();
        pt::ClearDialogTranscript();
    }
    void TearDown() override {
        pt::ClearDialogScript();
        pt::ClearDialogTranscript();
    }
    // The shipped data: nested folders and a Japanese file name.
    void MakeDefault(const std::string& name = "default") {
        fs::create_directories(name + "/database");
        fs::create_directories(name + "/stg4");
        WriteHostFile(name + "/System.dat", "sys");
        WriteHostFile(name + "/database/Anime.dat", std::string("an\0ime", 6));
        WriteHostFile(name + "/stg4/" + reinterpret_cast<const char*>(u8"ステージ.stg4_001"), "stage");
    }
    ScopedTempFolder temp;
};

TEST_F(ProgramFolders, AllTwentyTwoAreMadeAndExistingOnesKept) {
    fs::create_directories("bmp");
    WriteHostFile("bmp/keep.bmp", "mine");
    CreateProgramFolders();
    int count = 0;
    for (const char* const* name = g_ProgramFolders; **name; ++name, ++count) {
        std::string host = *name;
        for (char& c : host)
            if (c == '\\') c = '/';
        EXPECT_TRUE(fs::is_directory(host)) << host;
    }
    EXPECT_EQ(count, 22);
    EXPECT_EQ(ReadHostFile("bmp/keep.bmp"), "mine");
    CreateProgramFolders();  // a second start changes nothing
    EXPECT_EQ(ReadHostFile("bmp/keep.bmp"), "mine");
}

TEST_F(ProgramFolders, FolderInAnotherCaseCountsAsTheFolder) {
    fs::create_directories("Data");
    MakeDefault();
    EXPECT_EQ(CreateDefaultData(), 1);
    CreateProgramFolders();
    EXPECT_TRUE(pt::DialogTranscript().empty());
    EXPECT_FALSE(fs::exists("data"));
    EXPECT_TRUE(fs::is_directory("Data/database"));
    EXPECT_TRUE(fs::is_directory("Data/stg4/old_ver"));
}

TEST_F(ProgramFolders, PresentDataFolderAsksNothingEvenWithoutShippedData) {
    fs::create_directories("data");
    EXPECT_EQ(SetupProgramFolders(), 1);
    EXPECT_TRUE(pt::DialogTranscript().empty());
    EXPECT_TRUE(fs::is_directory("user_data/story"));
}

TEST_F(ProgramFolders, NeitherFolderEndsStartWithoutAQuestion) {
    EXPECT_EQ(SetupProgramFolders(), 0);
    auto boxes = pt::DialogTranscript();
    ASSERT_EQ(boxes.size(), 1u);  // only the error box
    EXPECT_EQ(boxes[0].caption, "エラー");
    EXPECT_EQ(boxes[0].text, kDefaultDataFailedText);
    EXPECT_EQ(boxes[0].text, "「data」フォルダの作成に失敗…\n「default」フォルダに問題がある可能性があります。");
    EXPECT_FALSE(fs::exists("user_data"));  // no program folder either
}

TEST_F(ProgramFolders, YesCopiesTheShippedDataWhole) {
    MakeDefault();
    pt::ScriptDialogAnswer("msgbox", plat::kIdYes);
    EXPECT_EQ(SetupProgramFolders(), 1);
    auto boxes = pt::DialogTranscript();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kQuestion);
    EXPECT_EQ(boxes[0].caption, kQuestionCaption);
    EXPECT_EQ(ReadHostFile("data/System.dat"), "sys");
    EXPECT_EQ(ReadHostFile("data/database/Anime.dat"), std::string("an\0ime", 6));
    EXPECT_EQ(ReadHostFile(std::string("data/stg4/") + reinterpret_cast<const char*>(u8"ステージ.stg4_001")), "stage");
    EXPECT_EQ(ReadHostFile("default/System.dat"), "sys");  // the source stays
    EXPECT_TRUE(fs::is_directory("data/work"));            // then the program folders
}

TEST_F(ProgramFolders, AQuestionTheDesktopCannotShowTakesYesAndSaysSo) {
    MakeDefault();
    plat::SetDialogBackend(plat::DialogBackend::Desktop);
    pt::FailDesktopBoxes(true);
    ::testing::internal::CaptureStderr();
    const int made = SetupProgramFolders();
    const std::string err = ::testing::internal::GetCapturedStderr();
    pt::FailDesktopBoxes(false);
    plat::SetDialogBackend(plat::DialogBackend::Scripted);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(ReadHostFile("data/System.dat"), "sys");
    EXPECT_NE(err.find(reinterpret_cast<const char*>(u8"デフォルトデータ作成の確認")), std::string::npos) << err;
    EXPECT_NE(err.find("answer taken: Yes"), std::string::npos) << err;
}

TEST_F(ProgramFolders, ShippedFolderInAnotherCaseIsCopied) {
    MakeDefault("DEFAULT");
    pt::ScriptDialogAnswer("msgbox", plat::kIdYes);
    EXPECT_EQ(CreateDefaultData(), 1);
    EXPECT_EQ(ReadHostFile("data/database/Anime.dat"), std::string("an\0ime", 6));
}

TEST_F(ProgramFolders, NoCopiesNothingAndEndsStart) {
    MakeDefault();
    pt::ScriptDialogAnswer("msgbox", plat::kIdNo);
    EXPECT_EQ(SetupProgramFolders(), 0);
    auto boxes = pt::DialogTranscript();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, kQuestionCaption);
    EXPECT_EQ(boxes[1].text, kDefaultDataFailedText);
    EXPECT_FALSE(fs::exists("data"));
}

TEST_F(ProgramFolders, FailedCopyRemovesWhatWasCopied) {
    MakeDefault();
    // A link to nothing cannot be copied.
    fs::create_symlink("nowhere", "default/database/lost.dat");
    pt::ScriptDialogAnswer("msgbox", plat::kIdYes);
    EXPECT_EQ(CreateDefaultData(), 0);
    EXPECT_FALSE(fs::exists("data"));
    EXPECT_EQ(ReadHostFile("default/System.dat"), "sys");
}

TEST_F(ProgramFolders, DataNameTakenByAFileIsNeverTouched) {
    MakeDefault();
    WriteHostFile("data", "user file");
    pt::ScriptDialogAnswer("msgbox", plat::kIdYes);
    EXPECT_EQ(SetupProgramFolders(), 0);
    auto boxes = pt::DialogTranscript();
    ASSERT_EQ(boxes.size(), 1u);  // the report, no question
    EXPECT_EQ(boxes[0].text, kDefaultDataFailedText);
    EXPECT_EQ(ReadHostFile("data"), "user file");
}

}  // namespace
