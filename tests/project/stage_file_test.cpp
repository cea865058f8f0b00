// Opening stage files: numbered names, the trailer check, the refusals that
// keep the stage loaded before, the copies handed out, and the messages of
// the asking thread while the loader reads.
#include "frontend/program_objects.h"
#include "project/stage_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"
#include "core/thread.h"
#include "platform/messages.h"
#include "platform/testing.h"
#include "platform/threads.h"
#include "project/common_palette.h"
#include "project/list_file_test.h"
#include "project/stage_info.h"
#include "support/test_support.h"

namespace {

using dbfix::I32;

cCharaDef Chara(const char* name, int operatedBy, int chip) {
    cCharaDef c;
    c.m_strName = name;
    c.m_cOperatedBy = static_cast<int8_t>(operatedBy);
    c.m_sChip = static_cast<int16_t>(chip);
    return c;
}

// A 30 x 20 stage with a three-block palette, an enemy and (when asked) the
// hero placed after it.
cStageInfo MakeStage(const char* name, bool withHero) {
    cStageInfo s;
    s.m_strName = name;
    s.m_nWidth = 30;
    s.m_nHeight = 20;
    s.m_vPltBlock.resize(3);
    s.m_vChara.push_back(Chara("敵", 1, 5));
    if (withHero) s.m_vChara.push_back(Chara("勇者", 0, 3));
    s.m_vBackground.At(0).m_strPicture = "bmp\\bg.bmp";
    s.m_vExtra = {1, 0, 1, 0, 1};
    s.m_OutRange[kOutRangeShot].m_nMargin[0] = 7;
    return s;
}

void SaveStage(const char* name, bool withHero, const char* path) {
    cStageInfo s = MakeStage(name, withHero);
    ASSERT_EQ(s.SaveFile(path), 1);
}

std::vector<plat::Message> g_handled;
void Record(const plat::Message& m) { g_handled.push_back(m); }

class StageFileTest : public projtest::ListFileTest {
protected:
    void SetUp() override {
        ListFileTest::SetUp();
        ResetProgramObjects();
        g_handled.clear();
        plat::testing::ClearDialogTranscript();
    }
    void TearDown() override {
        SetStageLoadMessageHandler(nullptr);
        ResetProgramObjects();
        ListFileTest::TearDown();
    }
    std::vector<plat::Message> Queue() {
        std::vector<plat::Message> out;
        plat::Message m;
        while (plat::PeekWindowMessage(window, m)) out.push_back(m);
        return out;
    }
    static std::vector<std::string> Boxes() {
        std::vector<std::string> out;
        for (const auto& box : plat::testing::DialogTranscript()) out.push_back(box.caption + ":" + box.text);
        return out;
    }
};

std::vector<uint32_t> Ids(const std::vector<plat::Message>& messages) {
    std::vector<uint32_t> out;
    for (const plat::Message& m : messages) out.push_back(m.id);
    return out;
}

TEST_F(StageFileTest, LoadsIntoTheLiveStageAndHandsOutSettingsAndHero) {
    SaveStage("洞窟", true, "cave.stg4");
    ASSERT_EQ(OpenStageFile("cave.stg4", 0, &g_StageSettings, &g_HeroDef), 1);
    EXPECT_EQ(g_Stage.m_strName, "洞窟");
    EXPECT_EQ(g_Stage.m_strPath, "cave.stg4");
    EXPECT_EQ(g_Stage.m_bNumbered, 0);
    EXPECT_EQ(g_Stage.m_bLoaded, 1);
    EXPECT_EQ(g_Stage.m_vChara.Size(), 2);
    EXPECT_EQ(g_Stage.m_vPltBlock.Size(), 3);

    const cStageInfo& s = g_StageSettings;
    EXPECT_EQ(s.m_strName, "洞窟");
    EXPECT_EQ(s.m_nWidth, 30);
    ASSERT_EQ(s.m_vBackground.Size(), 1);
    EXPECT_EQ(s.m_vBackground[0].m_strPicture, "bmp\\bg.bmp");
    EXPECT_EQ(s.m_vExtra, (cVector<int32_t>{1, 0, 1, 0, 1}));
    EXPECT_EQ(s.m_OutRange[kOutRangeShot].m_nMargin[0], 7);
    EXPECT_EQ(s.m_vVarName.Size(), g_Stage.m_vVarName.Size());
    EXPECT_TRUE(s.m_vPltBlock.empty() && s.m_vPltChara.empty() && s.m_vPltItem.empty());
    EXPECT_TRUE(s.m_vBlock.empty() && s.m_vChara.empty() && s.m_vItem.empty());
    EXPECT_EQ(g_HeroDef.m_strName, "勇者");
    EXPECT_TRUE(Boxes().empty());

    // An absolute name is kept relative to the current folder; no copies
    // asked, none made.
    std::string absolute = "cave.stg4";
    ASSERT_EQ(MakeAbsolutePath(absolute), 1);
    ASSERT_EQ(OpenStageFile(absolute.c_str(), 0, nullptr, nullptr), 1);
    EXPECT_EQ(g_Stage.m_strPath, ".\\cave.stg4");
}

TEST_F(StageFileTest, NumberedNameTakesTheHighestExistingNumber) {
    SaveStage("二", true, "st.stg4_002");
    SaveStage("十", true, "st.stg4_010");
    SaveStage("別", true, "st.dat");
    for (const char* name : {"st.stg4", "st.dat"}) {
        SCOPED_TRACE(name);
        g_Stage = cStageInfo();
        ASSERT_EQ(OpenStageFile(name, 1, nullptr, nullptr), 1);
        EXPECT_EQ(g_Stage.m_strName, "十");
        EXPECT_EQ(g_Stage.m_strPath, "st.stg4_010");
        EXPECT_EQ(g_Stage.m_bNumbered, 1);
    }
    // No numbered file: refused without a word, the stage untouched.
    EXPECT_EQ(OpenStageFile("none.stg4", 1, &g_StageSettings, nullptr), 0);
    EXPECT_EQ(g_Stage.m_strName, "十");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(Queue().empty());
}

// Every refusal leaves the stage loaded before, and the copies, as they were.
TEST_F(StageFileTest, RefusedFilesKeepThePreviousStage) {
    SaveStage("前", true, "before.stg4");
    ASSERT_EQ(OpenStageFile("before.stg4", 0, &g_StageSettings, &g_HeroDef), 1);

    SaveStage("破損", true, "damaged.stg4");
    std::string damaged = orvtest::ReadHostFile("damaged.stg4");
    orvtest::WriteHostFile("damaged.stg4", damaged.substr(0, damaged.size() - 4) + I32(123456780));
    SaveStage("無人", false, "nohero.stg4");
    // Cut in the middle, the trailer put back at the end.
    SaveStage("途中", true, "cut.stg4");
    std::string cut = orvtest::ReadHostFile("cut.stg4");
    orvtest::WriteHostFile("cut.stg4", cut.substr(0, cut.size() / 2) + I32(kStageTrailer));

    struct Case {
        const char* path;
        std::string box;
        bool close;
    } cases[] = {
        {"damaged.stg4", "ステージファイル damaged.stg4 が破損しています！", true},
        {"nohero.stg4", "主人公が配置されていないのでプレイできません！", true},
        {"cut.stg4", "ステージファイル cut.stg4 の読み込みに失敗しました！", false},
        {"missing.stg4", "ステージファイル missing.stg4 の読み込みに失敗しました！", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        plat::testing::ClearDialogTranscript();
        EXPECT_EQ(OpenStageFile(c.path, 0, &g_StageSettings, &g_HeroDef), 0);
        EXPECT_EQ(Boxes(), std::vector<std::string>{"エラー:" + c.box});
        EXPECT_EQ(Ids(Queue()), c.close ? std::vector<uint32_t>{plat::kWmClose} : std::vector<uint32_t>{});
        EXPECT_EQ(g_Stage.m_strName, "前");
        EXPECT_EQ(g_Stage.m_strPath, "before.stg4");
        EXPECT_EQ(g_Stage.m_vChara.Size(), 2);
        EXPECT_EQ(g_Stage.m_vPltBlock.Size(), 3);
        EXPECT_EQ(g_Stage.m_bLoaded, 1);
        EXPECT_EQ(g_StageSettings.m_strName, "前");
        EXPECT_EQ(g_HeroDef.m_strName, "勇者");
    }
}

// The trailer is compared from version 174 on; what cannot be opened as a
// data file is left for the load to report.
TEST_F(StageFileTest, TrailerIsCheckedFromVersion174) {
    const std::string body(40, '\x11');
    struct Case {
        const char* what;
        std::string bytes;
        int result;
    } cases[] = {
        {"172 without trailer", I32(172) + body, 1},
        {"173 wrong trailer", I32(173) + body + I32(5), 1},
        {"174 wrong trailer", I32(174) + body + I32(5), 0},
        {"174 trailer", I32(174) + body + I32(kStageTrailer), 1},
        {"901 wrong trailer", I32(901) + body + I32(kStageTrailer + 1), 0},
        {"version word only", I32(901), 0},
        {"newer than the program", I32(902) + body + I32(5), 1},
        {"shorter than a version word", std::string("\x85\x03", 2), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        plat::testing::ClearDialogTranscript();
        orvtest::WriteHostFile("t.stg4", c.bytes);
        EXPECT_EQ(CheckStageTrailer("t.stg4"), c.result);
        EXPECT_EQ(Boxes().size(), c.result ? 0u : 1u);
        EXPECT_EQ(Queue().size(), c.result ? 0u : 1u);
    }
    EXPECT_EQ(CheckStageTrailer("missing.stg4"), 1);
}

// On the window's thread the waiting pump hands the main window's messages
// to the shell's handler; a quit ends the wait with the previous stage kept
// and is put back for the shell's own loop.
TEST_F(StageFileTest, WindowThreadPumpsMessagesWhileLoading) {
    SaveStage("前", true, "before.stg4");
    SaveStage("次", true, "next.stg4");
    ASSERT_EQ(OpenStageFile("before.stg4", 0, nullptr, nullptr), 1);

    // Without a handler the queue is left to the shell.
    plat::PostWindowMessage(window, plat::kWmUser + 1);
    ASSERT_EQ(OpenStageFile("next.stg4", 0, nullptr, nullptr), 1);
    EXPECT_EQ(Ids(Queue()), std::vector<uint32_t>{plat::kWmUser + 1});

    SetStageLoadMessageHandler(Record);
    plat::PostWindowMessage(window, plat::kWmUser + 2, 20, 21);
    plat::PostWindowMessage(window, plat::kWmUser + 3);
    ASSERT_EQ(OpenStageFile("before.stg4", 0, nullptr, nullptr), 1);
    EXPECT_EQ(Ids(g_handled), (std::vector<uint32_t>{plat::kWmUser + 2, plat::kWmUser + 3}));
    EXPECT_EQ(g_handled[0].wParam, 20u);
    EXPECT_EQ(g_handled[0].lParam, 21);
    EXPECT_TRUE(Queue().empty());

    g_handled.clear();
    plat::PostWindowMessage(window, plat::kWmUser + 4);
    plat::PostWindowMessage(window, plat::kWmQuit, 5);
    plat::PostWindowMessage(window, plat::kWmUser + 6);
    EXPECT_EQ(OpenStageFile("next.stg4", 0, &g_StageSettings, &g_HeroDef), 0);
    EXPECT_EQ(g_Stage.m_strName, "前");
    EXPECT_EQ(g_StageSettings.m_strName, "");
    EXPECT_EQ(Ids(g_handled), std::vector<uint32_t>{plat::kWmUser + 4});
    std::vector<plat::Message> left = Queue();
    EXPECT_EQ(Ids(left), (std::vector<uint32_t>{plat::kWmUser + 6, plat::kWmQuit}));
    EXPECT_EQ(left.back().wParam, 5u);
    EXPECT_TRUE(Boxes().empty());
}

struct WorkerRun {
    bool quit = false;
    int result = -1;
    std::vector<plat::Message> left;
};

unsigned WorkerOpens(void* arg) {
    auto* run = static_cast<WorkerRun*>(arg);
    plat::PostThreadMessage(plat::CurrentThreadId(), plat::kWmUser + 7);
    if (run->quit) plat::PostThreadMessage(plat::CurrentThreadId(), plat::kWmQuit, 9);
    run->result = OpenStageFile("next.stg4", 0, nullptr, nullptr);
    plat::Message m;
    while (plat::PeekThreadMessage(m)) run->left.push_back(m);
    return 0;
}

// On a worker thread nothing taken from its queue is lost: its requests go
// back to the queue, and a quit ends the wait and is put back after them.
TEST_F(StageFileTest, WorkerThreadKeepsItsMessagesAndItsQuit) {
    SaveStage("前", true, "before.stg4");
    SaveStage("次", true, "next.stg4");
    for (bool quit : {false, true}) {
        SCOPED_TRACE(quit);
        ASSERT_EQ(OpenStageFile("before.stg4", 0, nullptr, nullptr), 1);
        WorkerRun run;
        run.quit = quit;
        cThread worker;
        ASSERT_EQ(worker.Start(WorkerOpens, &run), 1);
        worker.Wait();
        EXPECT_EQ(run.result, quit ? 0 : 1);
        EXPECT_EQ(g_Stage.m_strName, quit ? "前" : "次");
        EXPECT_EQ(Ids(run.left), quit ? (std::vector<uint32_t>{plat::kWmUser + 7, plat::kWmQuit})
                                      : (std::vector<uint32_t>{plat::kWmUser + 7}));
        if (quit) {
            EXPECT_EQ(run.left.back().wParam, 9u);
        }
    }
}

}  // namespace
