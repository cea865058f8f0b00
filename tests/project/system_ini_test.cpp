#include "project/system_ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/testing.h"
#include "support/logged_test.h"
#include "support/test_support.h"

namespace {

using orvtest::WriteHostFile;

cIniItem Key(const char* name, int32_t value, const char* text = "") {
    cIniItem item;
    item.m_nKind = *text ? cIniItem::kText : cIniItem::kInteger;
    item.m_strKey = name;
    item.m_nDefault = value;
    item.m_strDefault = text;
    return item;
}

// The project's eleven keys with defaults that tell every setting apart.
IniKeyList ProjectKeys() {
    IniKeyList keys;
    const char* names[] = {"Direct3D", "WindowMode", "Bpp",       "VSync",   "D3D_FontCache",   "DD_FontCache",
                           "DD_VideoStretch", "ShowFps", "FreeStage", "English", "Midi_DirectMusic"};
    for (int i = 0; i < kIniKeyCount; ++i)
        keys.push_back(i == kIniFreeStage ? Key(names[i], 0, "data\\stg4\\start.stg4") : Key(names[i], 101 + i));
    return keys;
}

cSystemIni Defaults(const IniKeyList& keys) {
    cSystemIni s;
    SetSystemIniDefault(s, keys);
    return s;
}

void ExpectSame(const cSystemIni& got, const cSystemIni& want) {
    EXPECT_EQ(got.Direct3D, want.Direct3D);
    EXPECT_EQ(got.WindowMode, want.WindowMode);
    EXPECT_EQ(got.Bpp, want.Bpp);
    EXPECT_EQ(got.VSync, want.VSync);
    EXPECT_EQ(got.D3D_FontCache, want.D3D_FontCache);
    EXPECT_EQ(got.DD_FontCache, want.DD_FontCache);
    EXPECT_EQ(got.DD_VideoStretch, want.DD_VideoStretch);
    EXPECT_EQ(got.ShowFps, want.ShowFps);
    EXPECT_EQ(got.English, want.English);
    EXPECT_EQ(got.Midi_DirectMusic, want.Midi_DirectMusic);
    EXPECT_STREQ(got.FreeStage, want.FreeStage);
}

std::string TenThousandLines() {
    std::string lines;
    for (int i = 0; i < 10000; ++i) lines += "x\n";
    return lines;
}

class SystemIniTest : public orvtest::LoggedTest {
protected:
    IniKeyList keys = ProjectKeys();
    // Loads the bytes as "System.ini" over the defaults.
    int Load(const std::string& bytes, cSystemIni& s) {
        WriteHostFile("System.ini", bytes);
        s = Defaults(keys);
        return LoadSystemIni("System.ini", s, keys);
    }
};

TEST_F(SystemIniTest, DefaultsComeFromTheKeyItemsByPosition) {
    cSystemIni s = Defaults(keys);
    EXPECT_EQ(s.Direct3D, 101);
    EXPECT_EQ(s.ShowFps, 108);
    EXPECT_STREQ(s.FreeStage, "data\\stg4\\start.stg4");  // item 8
    EXPECT_EQ(s.English, 110);                            // item 9
    EXPECT_EQ(s.Midi_DirectMusic, 111);                   // item 10

    // A default text too long for the setting names no stage at all.
    keys[kIniFreeStage].m_strDefault = std::string(260, 'a');
    EXPECT_STREQ(Defaults(keys).FreeStage, "");
    keys[kIniFreeStage].m_strDefault = std::string(259, 'a');
    EXPECT_EQ(std::string(Defaults(keys).FreeStage), std::string(259, 'a'));
}

TEST_F(SystemIniTest, FilesAsTheyAreWrittenByHand) {
    const std::string longStage(259, 's');
    const struct {
        const char* what;
        std::string file;
        int result;
        std::function<void(cSystemIni&)> change;  // from the defaults
    } cases[] = {
        {"two keys and Exit", "Direct3D=1\nWindowMode=1\nExit\n", 1,
         [](cSystemIni& s) { s.Direct3D = 1, s.WindowMode = 1; }},
        {"no Exit line", "Direct3D=1\nWindowMode=1\n", 0, [](cSystemIni& s) { s.Direct3D = 1, s.WindowMode = 1; }},
        {"Exit as the last bytes", "Bpp=16\nExit", 1, [](cSystemIni& s) { s.Bpp = 16; }},
        {"blanks in the key are skipped", " B p\tp =16\nExit\n", 1, [](cSystemIni& s) { s.Bpp = 16; }},
        {"a blank after = ends the value", "Bpp= 16\nExit\n", 1, [](cSystemIni& s) { s.Bpp = 0; }},
        {"comment after the value", "ShowFps=0 //frame rate\nExit\n", 1, [](cSystemIni& s) { s.ShowFps = 0; }},
        {"comment directly after the value", "ShowFps=3/off\nExit\n", 1, [](cSystemIni& s) { s.ShowFps = 3; }},
        {"Exit after the value on one line", "ShowFps=0 Exit", 1, [](cSystemIni& s) { s.ShowFps = 0; }},
        {"CR LF lines", "VSync=0\r\nFreeStage=data\\stg4\\a.stg4\r\nExit\r\n", 1,
         [](cSystemIni& s) { s.VSync = 0, std::snprintf(s.FreeStage, sizeof s.FreeStage, "data\\stg4\\a.stg4"); }},
        {"one-character stage kept out", "FreeStage=x\nExit\n", 1, [](cSystemIni&) {}},
        {"longest stage name", "FreeStage=" + longStage + "\nExit\n", 1,
         [&](cSystemIni& s) { std::snprintf(s.FreeStage, sizeof s.FreeStage, "%s", longStage.c_str()); }},
        {"stage name one byte too long", "FreeStage=" + longStage + "s\nExit\n", 1, [](cSystemIni&) {}},
        {"stage name of thousands of bytes", "FreeStage=" + std::string(5000, 'q') + "\nEnglish=1\nExit\n", 1,
         [](cSystemIni& s) { s.English = 1; }},
        {"key of thousands of bytes", std::string(5000, 'K') + "=1\nMidi_DirectMusic=0\nExit\n", 1,
         [](cSystemIni& s) { s.Midi_DirectMusic = 0; }},
        {"numbers", "Direct3D=-5\nWindowMode=+7\nBpp=12abc\nVSync=abc\nD3D_FontCache=99999999999\n"
                    "DD_FontCache=-99999999999\nExit\n",
         1,
         [](cSystemIni& s) {
             s.Direct3D = -5, s.WindowMode = 7, s.Bpp = 12, s.VSync = 0, s.D3D_FontCache = INT_MAX,
             s.DD_FontCache = INT_MIN;
         }},
        {"names are case-sensitive", "bpp=16\nexit\n", 0, [](cSystemIni&) {}},
        {"unknown, empty and valueless keys", "Colour=3\n=5\nBpp\n\n\t\nDD_VideoStretch=4\nExit\n", 1,
         [](cSystemIni& s) { s.DD_VideoStretch = 4; }},
        {"a NUL ends the file", std::string("Bpp=8\n\0Bpp=16\n", 14), 1, [](cSystemIni& s) { s.Bpp = 8; }},
        {"a NUL ends a value", std::string("Bpp=8\0VSync=1\nExit\n", 19), 1,
         [](cSystemIni& s) { s.Bpp = 8, s.VSync = 1; }},
        {"value cut by the file's end", "Bpp=16", 0, [](cSystemIni& s) { s.Bpp = 16; }},
        {"empty file", "", 0, [](cSystemIni&) {}},
        {"10000 entries and no more", TenThousandLines() + "Bpp=16\n", 1, [](cSystemIni&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        cSystemIni s;
        EXPECT_EQ(Load(c.file, s), c.result);
        cSystemIni want = Defaults(keys);
        c.change(want);
        ExpectSame(s, want);
    }
}

TEST_F(SystemIniTest, TheProjectsKeyListDecidesWhichSettingAKeySets) {
    // Renamed keys bind by their position, the first of two equal names wins,
    // and items beyond the eleventh bind nothing.
    keys[kIniDirect3D].m_strKey = "WindowMode";
    keys[kIniEnglish].m_strKey = "Lang";
    keys.push_back(Key("Extra", 0));
    cSystemIni s;
    EXPECT_EQ(Load("WindowMode=1\nLang=1\nEnglish=5\nExtra=9\nExit\n", s), 1);
    cSystemIni want = Defaults(keys);
    want.Direct3D = 1;
    want.English = 1;
    ExpectSame(s, want);
}

TEST_F(SystemIniTest, StartUpRestoresEveryDefaultWhenTheFileFails) {
    plat::testing::ClearDialogTranscript();
    cSystemIni s = {};
    SetupSystemIni(s, keys);  // no file
    ExpectSame(s, Defaults(keys));
    WriteHostFile("System.ini", "Bpp=16\nShowFps=0\n");  // no Exit
    SetupSystemIni(s, keys);
    ExpectSame(s, Defaults(keys));
    auto boxes = plat::testing::DialogTranscript();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "System.ini の読み込みに失敗しました！");
    EXPECT_NE(orvtest::ReadHostFile("Report_Game.txt").find("System.ini の読み込みに失敗しました！"), std::string::npos);

    WriteHostFile("System.ini", "Bpp=16\nExit\n");
    SetupSystemIni(s, keys);
    EXPECT_EQ(s.Bpp, 16);
    EXPECT_EQ(plat::testing::DialogTranscript().size(), 2u);

    // A pipe in its place fails as a missing file does, never waiting.
    std::remove("System.ini");
    ASSERT_EQ(mkfifo("System.ini", 0600), 0);
    SetupSystemIni(s, keys);
    ExpectSame(s, Defaults(keys));
    boxes = plat::testing::DialogTranscript();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text, "System.ini の読み込みに失敗しました！");
}

TEST_F(SystemIniTest, AShortKeyListGivesZeroesNotACrash) {
    IniKeyList none;
    cSystemIni s;
    SetSystemIniDefault(s, none);
    EXPECT_EQ(s.Direct3D, 0);
    EXPECT_STREQ(s.FreeStage, "");
}

}  // namespace
