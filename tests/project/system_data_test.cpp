#include "project/system_data.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "platform/messages.h"
#include "platform/testing.h"
#include "project/database.h"
#include "support/logged_test.h"
#include "support/test_support.h"
#include "system_data_fixtures.h"

using orvtest::Hex;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;
using sysfix::StoredValue;
using sysfix::SystemFile;

namespace {

class SystemDataTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        g_Database.SetDefault();  // two Bgm records
    }
    void TearDown() override {
        g_Database.SetDefault();
        LoggedTest::TearDown();
    }
    size_t Closes() { return plat::PendingWindowMessages(window); }
    // A fresh record (constructor values) loaded from the fixture's bytes.
    int Load(cSystemData& s, const SystemFile& f) {
        WriteHostFile("System.dat", f.Bytes());
        return s.LoadFile("System.dat");
    }
    std::vector<int> Flags(const cVector<uint8_t>& v) { return std::vector<int>(v.begin(), v.end()); }
    std::vector<std::string> Keys(const cSystemData& s) {
        std::vector<std::string> keys;
        for (const cIniItem& k : s.m_vIniKey) keys.push_back(k.m_strKey);
        return keys;
    }
};

}  // namespace

TEST_F(SystemDataTest, CurrentFileReadsEveryMemberAndListAndWritesTheSameBytes) {
    const SystemFile f;
    cSystemData s;
    ASSERT_EQ(Load(s, f), 1);
    EXPECT_EQ(s.m_strTitle, "テストゲーム");
    for (int m = 1; m <= 86; ++m) {
        if (m == 33) continue;
        EXPECT_EQ(s.Get(static_cast<SysValue>(m)), StoredValue(m)) << "member " << m;
    }
    EXPECT_EQ(s.Get(kSysDiscarded), 0);

    EXPECT_EQ(Flags(s.m_vCarryPart)[3], 1);
    EXPECT_EQ(Flags(s.m_vMissClearPart)[3], 1);
    const cStatusItem& hp = s.m_vStatusItem[2];
    EXPECT_EQ(hp.m_strLabel, "HP");
    EXPECT_EQ(hp.m_nNumberOnGauge, 1);
    EXPECT_EQ(hp.m_nWarnLevel, 40);
    EXPECT_EQ(hp.m_nWarnPercent, 1);
    EXPECT_EQ(s.m_vStatusItem[1].m_nWidth, 5);
    EXPECT_EQ(s.m_vLives, (cVector<int32_t>{3, 4, 5, 6}));
    EXPECT_EQ(s.m_vInfiniteLives, (cVector<int32_t>{0, 1, 0, 1}));
    EXPECT_EQ(s.m_vPlayMode[1].m_vRankFlag.Size(), 7);
    EXPECT_EQ(s.m_vPlayMode[2].m_nEnabled, 0);
    ASSERT_EQ(s.m_vText.Size(), 29);
    EXPECT_EQ(s.m_vText[16], "文16");
    EXPECT_EQ(s.m_vSoundName[3], "se3.wav");
    EXPECT_EQ(s.m_vSceneBgm, (cVector<int32_t>{1, 0, 1, 0}));
    EXPECT_EQ(Flags(s.m_vSceneBgmLoop), (std::vector<int>{1, 0, 0, 1}));
    EXPECT_EQ(s.m_vTitleMenu[1].m_nEnabled, 0);
    EXPECT_EQ(s.m_vTitleMenu[6].m_strText, "Q");
    EXPECT_EQ(s.m_vMapMenu[3].m_strText, "T");
    EXPECT_EQ(s.m_vOptionMenu[4].m_nEnabled, 0);
    EXPECT_EQ(s.m_vRankEntryMode[3], "m3");
    EXPECT_EQ(s.m_vIniKey[2].m_nDefault, 16);
    EXPECT_EQ(s.m_vIniKey[8].m_nKind, cIniItem::kText);
    EXPECT_EQ(s.m_vIniKey[8].m_strDefault, "stage.stg4");
    EXPECT_EQ(Closes(), 0u);

    ASSERT_EQ(s.SaveFile("out.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("out.dat")), Hex(f.Bytes()));
}

TEST_F(SystemDataTest, TransparentColourAsOneBlockReadsTheSameAndIsWrittenAsThree) {
    for (int version : {901, 700, 187}) {
        SCOPED_TRACE(version);
        SystemFile f;
        f.version = version;
        f.colourOneBlock = true;
        cSystemData s;
        ASSERT_EQ(Load(s, f), 1);
        EXPECT_EQ(s.Get(kSysTransRed), 0x41);
        EXPECT_EQ(s.Get(kSysTransGreen), 0x42);
        EXPECT_EQ(s.Get(kSysTransBlue), 0x43);
        EXPECT_EQ(s.Get(kSysTrueColourOnly), 1028);
        EXPECT_EQ(s.Get(kSysExtraLifePoints), 1002);
        EXPECT_EQ(s.m_strTitle, "テストゲーム");
        EXPECT_EQ(Closes(), 0u);
        if (version == 901) {
            ASSERT_EQ(s.SaveFile("out.dat"), 1);
            f.colourOneBlock = false;
            EXPECT_EQ(Hex(ReadHostFile("out.dat")), Hex(f.Bytes()));
        }
    }
}

// Every member a version stores is read from its own place: a member of the
// wrong gate shifts all after it, or leaves a surplus block that is reported.
TEST_F(SystemDataTest, EachVersionReadsTheMembersItStores) {
    std::vector<int> versions = {100, 220, 221, 259, 260};
    for (const sysfix::StoredRow& row : sysfix::Rows()) {
        versions.push_back(row.from);
        versions.push_back(row.from - 1);
    }
    for (int version : versions) {
        if (version < 100) continue;
        SCOPED_TRACE(version);
        SystemFile f;
        f.version = version;
        cSystemData s;
        ASSERT_EQ(Load(s, f), 1);
        EXPECT_EQ(s.m_strTitle, "テストゲーム");
        for (const sysfix::StoredRow& row : sysfix::Rows()) {
            if (row.member != 33 && sysfix::Stores(row, version)) {
                EXPECT_EQ(s.Get(static_cast<SysValue>(row.member)), StoredValue(row.member)) << "member " << row.member;
            }
        }
        EXPECT_EQ(Closes(), 0u);
    }
}

TEST_F(SystemDataTest, UpgradeRowsApplyByVersion) {
    struct Case {
        int version;
        SysValue member;
        int32_t expected;
    } cases[] = {
        {896, kSysPlayRule48, 1},       {896, kSysPlayRule47, 1082},   {896, kSysPlayRule46, 1081},
        {897, kSysPlayRule48, 1083},    {900, kSysPlayRule48, 1083},   {900, kSysEffectDrawing, 1009},
        {820, kSysPlayRule35, 1},       {816, kSysPlayRule35, 0},      {832, kSysPlayRule35, 1},
        {620, kSysPlayRule7, 0},        {620, kSysPlayRule42, 0},      {600, kSysPlayRule7, 1},
        {600, kSysPlayRule42, 0},       {700, kSysPlayRule7, 1042},    {700, kSysPlayRule42, 1},
        {893, kSysPlayRule45, 1},       {821, kSysPlayRule45, 0},      {890, kSysPlayRule47, 1},
        {889, kSysPlayRule47, 0},       {288, kSysColourCycling, 0},   {186, kSysColourCycling, 1},
        {186, kSysTrueColourOnly, 0},   {186, kSysTransGreen, 177},    {260, kSysPlayRule2, 1},
        {240, kSysPlayRule2, 1},        {500, kSysColourCycleStep, 16}, {669, kSysScreenMode2, 2},
        {837, kSysPauseKeyAllowed, 1},  {820, kSysSaveSlots, 0},       {756, kSysPauseEntryRule3, 0},
        {223, kSysPauseEntryRule1, 0},  {271, kSysPlayRule3, 0},       {286, kSysPlayRule4, 0},
    };
    for (const Case& c : cases) {
        SystemFile f;
        f.version = c.version;
        cSystemData s;
        ASSERT_EQ(Load(s, f), 1) << c.version;
        EXPECT_EQ(s.Get(c.member), c.expected) << "version " << c.version << " member " << int{c.member};
    }
}

// A file of the oldest kind the upgrades know: short lists, an old key
// order and lists it does not store at all.
TEST_F(SystemDataTest, OlderFileIsBroughtToTheCurrentLayout) {
    using namespace sysfix;
    SystemFile f;
    f.version = 167;
    f.list[1] = sysfix::Flags(std::vector<int>(22, 1));
    f.list[3] = Records({StatusItem(167, 1, 1, 4, 0, 0, 0, "a"), StatusItem(167, 1, 1, 3, 0, 0, 0, "b"),
                         StatusItem(167, 1, 1, 0, 0, 0, 0, "c")});
    std::vector<std::string> texts;
    for (int i = 0; i < 26; ++i) texts.push_back("t" + std::to_string(i));
    f.list[7] = Strings(texts);
    f.list[12] = Records({Cmd(1, "save"), Cmd(0, "back"), Cmd(1, "title")});
    f.list[15] = Records({Key(0, "WindowMode", 1, ""), Key(0, "Bpp", 16, ""), Key(0, "VSync", 4, ""),
                          Key(0, "ShowFps", 1, ""), Key(1, "FreeStage", 0, "x.stg4")});
    cSystemData s;
    ASSERT_EQ(Load(s, f), 1);
    EXPECT_EQ(Closes(), 0u);

    std::vector<int> carry(25, 1);
    carry[9] = carry[15] = 0;
    EXPECT_EQ(Flags(s.m_vCarryPart), carry);
    EXPECT_EQ(Flags(s.m_vMissClearPart), std::vector<int>(25, 0));

    ASSERT_EQ(s.m_vStatusItem.Size(), 5);
    EXPECT_EQ(s.m_vStatusItem[0].m_nNumberOnGauge, 1);
    EXPECT_EQ(s.m_vStatusItem[2].m_nNumberOnGauge, 1);
    EXPECT_EQ(s.m_vStatusItem[2].m_nWarnLevel, 33);
    EXPECT_EQ(s.m_vStatusItem[3].m_nWarnPercent, 1);
    EXPECT_EQ(s.m_vStatusItem[3].m_nShown, 0);
    EXPECT_EQ(s.m_vStatusItem[4].m_nNumberOnGauge, 0);

    const std::vector<std::string> expectedTexts = {
        "t0", "t1", "t2", "t3", "t4", "t5", "t6", "t7", "残りHP", "残りSP", "t8", "t9", "t10", "t11",
        "オートセーブＯＮ", "オートセーブＯＦＦ", "保存先が不明です！一度は「セーブ」して下さい！",
        "t12", "t13", "t14", "t15", "t16", "マップへ戻る", "リトライ", "マップへ戻る", "t17", "t18", "t19", "t20"};
    EXPECT_EQ(std::vector<std::string>(s.m_vText.begin(), s.m_vText.end()), expectedTexts);

    ASSERT_EQ(s.m_vMapMenu.Size(), 4);
    EXPECT_EQ(s.m_vMapMenu[1].m_strText, "オートセーブ");
    EXPECT_EQ(s.m_vMapMenu[2].m_strText, "back");
    EXPECT_EQ(s.m_vMapMenu[2].m_nEnabled, 0);
    EXPECT_EQ(s.m_vMapMenu[3].m_strText, "title");

    EXPECT_EQ(Keys(s), (std::vector<std::string>{"Direct3D", "WindowMode", "Bpp", "VSync", "D3D_FontCache",
                                                 "DD_FontCache", "DD_VideoStretch", "ShowFps", "FreeStage", "English",
                                                 "Midi_DirectMusic"}));
    EXPECT_EQ(s.m_vIniKey[0].m_nDefault, 1);
    EXPECT_EQ(s.m_vIniKey[3].m_nDefault, 2);  // 4 lowered
    EXPECT_EQ(s.m_vIniKey[5].m_nDefault, 1);
    EXPECT_EQ(s.m_vIniKey[8].m_nKind, cIniItem::kText);
    EXPECT_EQ(s.m_vIniKey[8].m_strDefault, "x.stg4");
    EXPECT_EQ(s.m_vIniKey[10].m_nDefault, 1);

    // Lists the file does not store keep the constructor's, then upgrade.
    EXPECT_EQ(s.m_vInfiniteLives, (cVector<int32_t>{0, 0, 0, 1}));
    EXPECT_EQ(Flags(s.m_vSceneBgmLoop), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(Flags(s.m_vPlayMode[0].m_vRankFlag), (std::vector<int>{1, 1, 1, 0, 0}));
    EXPECT_EQ(s.m_vRankEntryMode[0], "手動登録（登録名入力）");

    struct Expect {
        SysValue member;
        int32_t value;
    } values[] = {{kSysKeepFlaggedFlows, 1008}, {kSysFontCentring, 0},      {kSysReplayRecording, 1},
                  {kSysExtraLifeOn, 1},          {kSysTransGreen, 177},     {kSysRestoreVarsChallenge, 1},
                  {kSysContinueOffered, 0},      {kSysRestoreVarsStartup, 1}, {kSysFontFace, 60},
                  {kSysPlayRule1, 1},            {kSysPauseEntryRule2, 0},  {kSysColourCycling, 1},
                  {kSysPlayRule7, 1},            {kSysPlayRule42, 0},       {kSysScreenMode2, 2},
                  {kSysSaveSlots, 0},            {kSysPlayRule35, 0},       {kSysPlayRule45, 0},
                  {kSysPlayRule48, 1},           {kSysWorldMapLayout, 1018}};
    for (const Expect& e : values) EXPECT_EQ(s.Get(e.member), e.value) << "member " << int{e.member};
}

TEST_F(SystemDataTest, CountsOfZeroOrLessFollowEachListsRule) {
    using namespace sysfix;
    SystemFile f;
    f.list[1] = I32(0);
    f.list[3] = I32(-5);
    f.list[4] = I32(-1);
    f.list[6] = Records({PlayMode(1, {}), PlayMode(1, {1, 1})});
    f.list[7] = I32(0);
    cSystemData s;
    ASSERT_EQ(Load(s, f), 1);
    EXPECT_EQ(s.m_vCarryPart.Size(), 25);  // the constructor's flags
    EXPECT_EQ(s.m_vCarryPart[13], 1);
    EXPECT_TRUE(s.m_vStatusItem.empty());
    EXPECT_EQ(s.m_vLives, (cVector<int32_t>{5, 5, 5, 99}));
    ASSERT_EQ(s.m_vPlayMode.Size(), 2);
    EXPECT_EQ(Flags(s.m_vPlayMode[0].m_vRankFlag), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(Flags(s.m_vPlayMode[1].m_vRankFlag), (std::vector<int>{1, 1}));  // resized to the count
    EXPECT_TRUE(s.m_vText.empty());
}

TEST_F(SystemDataTest, BrokenOrNewerFilesAreRefusedAndReported) {
    const std::string good = SystemFile().Bytes();
    SystemFile huge;
    huge.list[15] = sysfix::I32(0x7FFFFFFF);
    SystemFile longFlags;
    longFlags.list[6] = sysfix::Records({dbfix::Record({sysfix::I32(1)}, {}) + sysfix::I32(1 << 30)});
    const std::string newer = sysfix::I32(902) + good.substr(4);
    const std::string cases[] = {good.substr(0, good.size() / 2), good.substr(0, good.size() - 1), huge.Bytes(),
                                 longFlags.Bytes(), newer, ""};
    for (const std::string& bytes : cases) {
        std::filesystem::create_directories("data");
        WriteHostFile("data/System.dat", bytes);
        EXPECT_EQ(LoadSystemData("data\\System.dat"), 0) << bytes.size();
    }
    EXPECT_NE(ReadHostFile("Report_Game.txt").find("data\\System.dat の読み込みに失敗…\n"), std::string::npos);

    // A pipe in its place is a file that cannot be read, never a wait.
    std::remove("data/System.dat");
    ASSERT_EQ(mkfifo("data/System.dat", 0600), 0);
    plat::testing::ClearDialogTranscript();
    EXPECT_EQ(LoadSystemData("data\\System.dat"), 0);
    const auto boxes = plat::testing::DialogTranscript();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "data\\System.dat の読み込みに失敗…");

    // So is a folder of that name.
    std::remove("data/System.dat");
    ASSERT_EQ(mkdir("data/System.dat", 0700), 0);
    plat::testing::ClearDialogTranscript();
    EXPECT_EQ(LoadSystemData("data\\System.dat"), 0);
    ASSERT_EQ(plat::testing::DialogTranscript().size(), 1u);
    EXPECT_EQ(plat::testing::DialogTranscript()[0].text, "data\\System.dat の読み込みに失敗…");
    std::filesystem::remove("data/System.dat");
    g_SystemData.SetDefault();
}

TEST_F(SystemDataTest, SceneMusicOutsideTheBgmListBecomesNone) {
    g_Database.m_vBgm.resize(3);
    SystemFile f;
    f.list[9] = sysfix::Ints({2, 3, -1, 1});
    cSystemData s;
    ASSERT_EQ(Load(s, f), 1);
    EXPECT_EQ(s.m_vSceneBgm, (cVector<int32_t>{2, 0, 0, 1}));

    s.m_vSceneBgm = {7, 2, 0, 1};
    ASSERT_EQ(s.SaveFile("out.dat"), 1);
    cSystemData back;
    ASSERT_EQ(back.LoadFile("out.dat"), 1);
    EXPECT_EQ(back.m_vSceneBgm, (cVector<int32_t>{0, 2, 0, 1}));
}

TEST_F(SystemDataTest, RankingFlagsAndWarningLevels) {
    cSystemData s;
    s.m_vPlayMode[0].m_vRankFlag = {1, 0, 2, 1, 0};
    s.m_vPlayMode[1].m_nEnabled = 0;
    EXPECT_EQ(s.CountModeFlags(0), 3);
    EXPECT_EQ(s.CountModeFlags(1), 0);
    EXPECT_EQ(s.CountModeFlags(3), 0);  // replay: not enabled by default

    s.m_vStatusItem[2].m_nWarnLevel = 33;
    s.m_vStatusItem[2].m_nWarnPercent = 1;
    s.m_vStatusItem[3].m_nWarnLevel = 10;
    s.m_vStatusItem[3].m_nWarnPercent = 0;
    struct Case {
        int item, value, max, expected;
    } cases[] = {{2, 33, 100, 1}, {2, 33, 99, 0}, {2, 32, 99, 1}, {2, 0, 0, 0}, {2, 5, 0, 0},
                 {2, -1, 0, 1},   {3, 10, 0, 1},  {3, 11, 50, 0}, {3, -3, 50, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(s.IsWarningLevel(c.item, c.value, c.max), c.expected)
            << c.item << " " << c.value << "/" << c.max;
    EXPECT_EQ(Closes(), 0u);
}

TEST_F(SystemDataTest, LaterReadersNamesReachTheirMembers) {
    cSystemData s;
    struct Case {
        SysValue name;
        int member;
    } cases[] = {{kSysColourMode, 28},          {kSysFontFaceIndex, 6},       {kSysTextMode, 7},
                 {kSysStageCountFromProject, 17}, {kSysLivesBox, 15},    {kSysRestoreVarsStartup, 27},
                 {kSysPlayRule4, 36},         {kSysPlayRule9, 44},    {kSysPlayRule26, 61},
                 {kSysD3DFullScreenDepth, 84},  {kSysStartStageThenTitle, 86}, {kSysSwitch214, 32},
                 {kSysSwitch525, 40},           {kSysSwitch832, 70},          {kSysSwitch838, 3},
                 {kSysSwitch845c, 76},          {kSysSwitch855, 9},           {kSysSwitch894, 80},
                 {kSysSwitch896, 82},           {kSysSwitch897, 83}};
    for (const Case& c : cases) {
        s.Set(static_cast<SysValue>(c.member), 4321);
        EXPECT_EQ(s.Get(c.name), 4321) << c.member;
        s.Set(static_cast<SysValue>(c.member), 0);
    }
}

// Writes the fixtures as fuzz seeds when ORV_WRITE_SYSTEM_DATA_SEEDS names a
// folder; the seeds are kept with the sources.
TEST(SystemDataSeeds, Write) {
    const char* folder = std::getenv("ORV_WRITE_SYSTEM_DATA_SEEDS");
    if (!folder) GTEST_SKIP() << "set ORV_WRITE_SYSTEM_DATA_SEEDS to a folder to write the seeds";
    SystemFile current;
    WriteHostFile(std::string(folder) + "/System_v901", current.Bytes());
    SystemFile old;
    old.version = 240;
    WriteHostFile(std::string(folder) + "/System_v240", old.Bytes());
    old.version = 167;
    old.colourOneBlock = true;
    WriteHostFile(std::string(folder) + "/System_v167", old.Bytes());
    current.colourOneBlock = true;
    WriteHostFile(std::string(folder) + "/System_v901_one_block", current.Bytes());
}
