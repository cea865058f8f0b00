#include "project/db_media.h"

#include <gtest/gtest.h>

#include <string>

#include "core/record_file.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "platform/messages.h"
#include "project/database.h"
#include "project/database_fixtures.h"
#include "project/effect_tables.h"
#include "support/logged_test.h"
#include "support/test_support.h"

using orvtest::Hex;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

namespace {

std::string Bytes(const std::string& hex) { return orvtest::FromHex(hex); }

using dbfix::Fx;
using dbfix::I32;
using dbfix::Str;

// Version 901, two chara effects: a horizontal wave {10, 0, 32, 3, 0}
// named "wave", and an unknown kind 17 {5, -1, 2, 0, 0} with no name.
const std::string kCharaEffect901 = Bytes(
    "85 03 00 00  02 00 00 00"
    "  02 00 00 00  04 00 00 00"
    "  0A 00 00 00  00 00 00 00  20 00 00 00  03 00 00 00  00 00 00 00"
    "  01 00 00 00  05 00 00 00 77 61 76 65 00"
    "  02 00 00 00  11 00 00 00"
    "  05 00 00 00  FF FF FF FF  02 00 00 00  00 00 00 00  00 00 00 00"
    "  01 00 00 00  01 00 00 00");

// Version 901: a picture {editor number 7, "sky", "bmp\sky.bmp"}.
const std::string kPicture901 = Bytes(
    "85 03 00 00  01 00 00 00"
    "  01 00 00 00  07 00 00 00"
    "  02 00 00 00  04 00 00 00 73 6B 79 00"
    "  0C 00 00 00 62 6D 70 5C 73 6B 79 2E 62 6D 70 00");

// Version 901: a sound {"jump", "se\jump.wav", editor number 9}; its
// number is stored before its strings like every number.
const std::string kSound901 = Bytes(
    "85 03 00 00  01 00 00 00"
    "  01 00 00 00  09 00 00 00"
    "  02 00 00 00  05 00 00 00 6A 75 6D 70 00"
    "  0C 00 00 00 73 65 5C 6A 75 6D 70 2E 77 61 76 00");

// Version 901: a track {editor number 3, "field", "bgm\field.ogg", volume 50}.
const std::string kBgm901 = Bytes(
    "85 03 00 00  01 00 00 00"
    "  02 00 00 00  03 00 00 00  32 00 00 00"
    "  02 00 00 00  06 00 00 00 66 69 65 6C 64 00"
    "  0E 00 00 00 62 67 6D 5C 66 69 65 6C 64 2E 6F 67 67 00");

std::string WithVersion(const std::string& file, int32_t version) { return I32(version) + file.substr(4); }

class DbMediaTest : public orvtest::LoggedTest {
protected:
    template <class R>
    int Load(cVector<R>& list, const std::string& bytes) {
        WriteHostFile("db.dat", bytes);
        return LoadDatabaseFile(list, "db.dat");
    }
    // The list written back, as a file.
    template <class R>
    std::string Written(cVector<R>& list) {
        DataFile* file = CreateDataFile("out.dat");
        EXPECT_TRUE(file && WriteRecords(list, file));
        EXPECT_EQ(CloseDataFile(file), 1);
        return ReadHostFile("out.dat");
    }
};

}  // namespace

TEST(EffectTables, DefaultsThatOldFilesLackAndLookupsOutsideTheTables) {
    EXPECT_EQ(CharaEffectParamDefault(4, 4), 2);
    EXPECT_EQ(CharaEffectParamDefault(5, 4), 2);
    EXPECT_EQ(CharaEffectParamDefault(10, 3), 2);
    EXPECT_EQ(ScrEffectParamDefault(6, 4), 8);
    EXPECT_EQ(ScrEffectParamDefault(7, 4), 10);
    EXPECT_EQ(ScrEffectParamDefault(10, 3), 8);
    // Run times and a few other cells, so a row shifted by one shows.
    EXPECT_EQ(CharaEffectParamDefault(14, 1), 9999);
    EXPECT_EQ(CharaEffectParamDefault(16, 2), 4);
    EXPECT_EQ(ScrEffectParamDefault(12, 1), 1500);
    EXPECT_EQ(ScrEffectParamDefault(13, 2), 60);
    for (auto [kind, param] : {std::pair{-1, 0}, {17, 0}, {4, 5}, {4, -1}})
        EXPECT_EQ(CharaEffectParamDefault(kind, param), 0);
    EXPECT_EQ(ScrEffectParamDefault(14, 0), 0);
}

TEST_F(DbMediaTest, RecordsStartFromTheirDefaultsAlsoWhenAListGrows) {
    cCharaEffectData fx;
    EXPECT_EQ(fx.m_nKind, 1);
    fx.RegisterFields(kDataVersion);
    ASSERT_EQ(fx.Fields().Size(), 2);
    EXPECT_EQ(fx.Fields()[1].count, 5);
    cVector<cBgmData> bgm;
    bgm.resize(2);
    EXPECT_EQ(bgm.At(1).m_nVolume, 100);
    cVector<cScrEffectData> scr;
    scr.resize(1);
    EXPECT_EQ(scr.At(0).m_nKind, 1);
    // The fallback element of a bad index too.
    EXPECT_EQ(bgm.At(5).m_nVolume, 100);
}

TEST_F(DbMediaTest, FilesBuiltFromTheFormatTablesLoadAndWriteBackUnchanged) {
    cVector<cCharaEffectData> fx;
    ASSERT_EQ(Load(fx, kCharaEffect901), 1);
    ASSERT_EQ(fx.Size(), 2);
    EXPECT_EQ(fx.At(0).m_strName, "wave");
    EXPECT_EQ(fx.At(0).m_nKind, kCharaFxWaveH);
    EXPECT_EQ(std::vector<int32_t>(fx.At(0).m_nParam, fx.At(0).m_nParam + 5), (std::vector<int32_t>{10, 0, 32, 3, 0}));
    EXPECT_EQ(fx.At(1).m_nKind, 17);  // kept as stored
    EXPECT_EQ(fx.At(1).m_nParam[1], -1);
    EXPECT_EQ(Hex(Written(fx)), Hex(kCharaEffect901));

    cVector<cScrEffectData> scr;
    ASSERT_EQ(Load(scr, kCharaEffect901), 1);  // the same layout
    EXPECT_EQ(scr.At(0).m_nParam[2], 32);
    EXPECT_EQ(Hex(Written(scr)), Hex(kCharaEffect901));

    cVector<cPictureData> pic;
    ASSERT_EQ(Load(pic, kPicture901), 1);
    ASSERT_EQ(pic.Size(), 1);
    EXPECT_EQ(pic.At(0).m_nEditorNo, 7);
    EXPECT_EQ(pic.At(0).m_strName, "sky");
    EXPECT_EQ(pic.At(0).m_strFile, "bmp\\sky.bmp");
    EXPECT_EQ(Hex(Written(pic)), Hex(kPicture901));

    cVector<cSoundData> se;
    ASSERT_EQ(Load(se, kSound901), 1);
    EXPECT_EQ(se.At(0).m_strName, "jump");
    EXPECT_EQ(se.At(0).m_strFile, "se\\jump.wav");
    EXPECT_EQ(se.At(0).m_nEditorNo, 9);
    EXPECT_EQ(Hex(Written(se)), Hex(kSound901));

    cVector<cBgmData> bgm;
    ASSERT_EQ(Load(bgm, kBgm901), 1);
    EXPECT_EQ(bgm.At(0).m_nEditorNo, 3);
    EXPECT_EQ(bgm.At(0).m_strName, "field");
    EXPECT_EQ(bgm.At(0).m_strFile, "bgm\\field.ogg");
    EXPECT_EQ(bgm.At(0).m_nVolume, 50);
    EXPECT_EQ(Hex(Written(bgm)), Hex(kBgm901));
    EXPECT_EQ(ReadHostFile("Report_Game.txt"), "");
}

TEST_F(DbMediaTest, OldEffectFilesGainTheParameterTheyLack) {
    struct Case {
        bool screen;
        int32_t version, kind;
        int param;     // the parameter that may be filled
        int32_t want;  // its value after the read; every other stays 99
    };
    const Case cases[] = {
        {false, 510, kCharaFxWaveH, 4, 2},
        {false, 510, kCharaFxWaveV, 4, 2},
        {false, 510, kCharaFxCircle, 3, 2},
        {false, 511, kCharaFxWaveH, 4, 99},
        {false, 510, kCharaFxZoom, 4, 99},
        {true, 510, kScrFxWaveH, 4, 8},
        {true, 510, kScrFxWaveV, 4, 10},
        {true, 300, kScrFxCircle, 3, 8},
        {true, 511, kScrFxCircle, 3, 99},
        {true, 510, kScrFxSplitV, 4, 99},
        // Each list has its own kinds: chara kind 4's rule is not the screen's.
        {true, 510, kScrFxSplitH, 4, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.screen ? "screen" : "chara") << " v" << c.version << " kind " << c.kind);
        std::string file = I32(c.version) + I32(1) + Fx(c.kind, {99, 99, 99, 99, 99}, "");
        int32_t got[5];
        if (c.screen) {
            cVector<cScrEffectData> list;
            ASSERT_EQ(Load(list, file), 1);
            std::copy(list.At(0).m_nParam, list.At(0).m_nParam + 5, got);
        } else {
            cVector<cCharaEffectData> list;
            ASSERT_EQ(Load(list, file), 1);
            std::copy(list.At(0).m_nParam, list.At(0).m_nParam + 5, got);
        }
        for (int i = 0; i < 5; ++i) EXPECT_EQ(got[i], i == c.param ? c.want : 99) << "parameter " << i;
    }
}

TEST_F(DbMediaTest, OldFilesKeepDefaultsForWhatTheyLackAndDropEarlyEditorNumbers) {
    // Music before 814 stores no volume; an editor number from 153 on is kept.
    cVector<cBgmData> bgm;
    std::string bgm813 = I32(813) + I32(1) + I32(1) + I32(200) + I32(2) + Str("a") + Str("b.mid");
    ASSERT_EQ(Load(bgm, bgm813), 1);
    EXPECT_EQ(bgm.At(0).m_nEditorNo, 200);
    EXPECT_EQ(bgm.At(0).m_nVolume, 100);
    EXPECT_EQ(bgm.At(0).m_strFile, "b.mid");
    ASSERT_EQ(Load(bgm, WithVersion(bgm813, 152)), 1);
    EXPECT_EQ(bgm.At(0).m_nEditorNo, 0);

    // Before 151 no editor number is stored at all.
    cVector<cPictureData> pic;
    ASSERT_EQ(Load(pic, I32(150) + I32(1) + I32(0) + I32(2) + Str("p") + Str("q.bmp")), 1);
    EXPECT_EQ(pic.At(0).m_strFile, "q.bmp");
    EXPECT_EQ(pic.At(0).m_nEditorNo, 0);
    ASSERT_EQ(Load(pic, WithVersion(kPicture901, 152)), 1);
    EXPECT_EQ(pic.At(0).m_nEditorNo, 0);
    ASSERT_EQ(Load(pic, WithVersion(kPicture901, 153)), 1);
    EXPECT_EQ(pic.At(0).m_nEditorNo, 7);

    cVector<cSoundData> se;
    for (int32_t v : {151, 152}) {
        ASSERT_EQ(Load(se, WithVersion(kSound901, v)), 1);
        EXPECT_EQ(se.At(0).m_nEditorNo, 0) << v;
        EXPECT_EQ(se.At(0).m_strFile, "se\\jump.wav");
    }
    EXPECT_EQ(ReadHostFile("Report_Game.txt"), "");
}

TEST_F(DbMediaTest, ShortOrOverCountedFilesFailAndLeaveTheListAlone) {
    const std::string broken[] = {
        kBgm901.substr(0, kBgm901.size() - 5),                          // ends inside the last string
        kCharaEffect901.substr(0, 8 + 41),                              // count 2, one record
        I32(901) + I32(0x7FFFFFFF) + kSound901.substr(8),               // count beyond the bytes
        kPicture901.substr(0, 8) + I32(1) + I32(7) + I32(2) + I32(-5),  // negative string length
    };
    for (const std::string& file : broken) {
        SCOPED_TRACE(Hex(file.substr(0, 12)));
        cVector<cBgmData> bgm(2);
        cVector<cCharaEffectData> fx(2);
        cVector<cSoundData> se(2);
        cVector<cPictureData> pic(2);
        bgm.At(1).m_strName = fx.At(1).m_strName = se.At(1).m_strName = pic.At(1).m_strName = "kept";
        EXPECT_EQ(Load(bgm, file) + Load(fx, file) + Load(se, file) + Load(pic, file), 0);
        for (const std::string& name :
             {bgm.At(1).m_strName, fx.At(1).m_strName, se.At(1).m_strName, pic.At(1).m_strName})
            EXPECT_EQ(name, "kept");
        EXPECT_EQ(bgm.Size(), 2);
        EXPECT_EQ(bgm.At(0).m_nVolume, 100);
        EXPECT_EQ(fx.At(0).m_nKind, 1);
    }
    // Each failure is in the report, nothing is left half-read.
    EXPECT_NE(ReadHostFile("Report_Game.txt"), "");
}
