#include "project/db_graphics.h"

#include <gtest/gtest.h>

#include <string>

#include "core/record_file.h"
#include "core/report_log.h"
#include "project/list_file_test.h"
#include "support/test_support.h"

using orvtest::Hex;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

namespace {

using projtest::Bytes;

class DbGraphicsTest : public projtest::DbListTest {};

}  // namespace

TEST_F(DbGraphicsTest, Defaults) {
    cBmpCharaExcData bmp;
    EXPECT_EQ(bmp.m_nLargeChips, 0);
    EXPECT_EQ(bmp.m_nChipSize, 2);
    cSwordTypeData sword;
    ASSERT_EQ(sword.m_vPart.Size(), 1);
    EXPECT_EQ(sword.m_vPart[0].m_nTime, 1);
    EXPECT_EQ(sword.m_vPart[0].m_nMirrorX, 1);
    EXPECT_EQ(sword.m_vPart[0].m_nMirrorY, 0);
    cEffectData effect;
    EXPECT_EQ(effect.m_nWidth, 32);
    EXPECT_EQ(effect.m_nHeight, 32);
    ASSERT_EQ(effect.m_vFrame.Size(), 1);
    EXPECT_EQ(effect.m_vFrame[0].m_nFirst, 0);
    EXPECT_EQ(effect.m_vFrame[0].m_nSecond, 1);
    // List readers grow by these defaults, not by cleared records.
    EXPECT_EQ(ElementTraits<cBmpCharaExcData>::MakeDefault().m_nChipSize, 2);
    EXPECT_EQ(ElementTraits<cSwordTypeData>::MakeDefault().m_vPart[0].m_nTime, 1);
    EXPECT_EQ(ElementTraits<cEffectData>::MakeDefault().m_nHeight, 32);
    // A copy owns its lists.
    cEffectData copy;
    copy = effect;
    copy.m_vFrame[0].m_nSecond = 5;
    EXPECT_EQ(effect.m_vFrame[0].m_nSecond, 1);
}

TEST_F(DbGraphicsTest, CurrentFilesLoadAsStoredAndSaveToTheSameBytes) {
    // Bmp_CharaExc.dat: numbers editor number, large chips, chip size;
    // strings name, picture.
    Bytes bmp;
    bmp.I32(901).I32(2);
    bmp.Rec({0, 0, 2}, {"", ""});
    bmp.Rec({17, 1, 3}, {"専用", "bmp\\chara\\big.bmp"});
    cVector<cBmpCharaExcData> bmps;
    ASSERT_TRUE(Load(bmp.s, bmps));
    ASSERT_EQ(bmps.Size(), 2);
    EXPECT_EQ(bmps[1].m_strName, "専用");
    EXPECT_EQ(bmps[1].m_nEditorNo, 17);
    EXPECT_EQ(bmps[1].m_strFile, "bmp\\chara\\big.bmp");
    EXPECT_EQ(bmps[1].m_nLargeChips, 1);
    EXPECT_EQ(bmps[1].m_nChipSize, 3);
    EXPECT_EQ(Hex(Save(bmps)), Hex(bmp.s));

    // SwordType.dat: editor number; name, left and right picture; two steps
    // of ten numbers each.
    Bytes sword;
    sword.I32(901).I32(1);
    sword.Rec({5}, {"剣", "bmp\\sword_l.bmp", "bmp\\sword_r.bmp"}).I32(2);
    sword.Rec({-4, 6, 0, 1, 3, 32, 64, 48, 16, 2}, {});
    sword.Rec({1, 2, 1, 0, 1, 0, 0, 8, 8, 0}, {});
    cVector<cSwordTypeData> swords;
    ASSERT_TRUE(Load(sword.s, swords));
    const cSwordTypeData& sw = swords[0];
    EXPECT_EQ(sw.m_nEditorNo, 5);
    EXPECT_EQ(sw.m_strName, "剣");
    EXPECT_EQ(sw.m_strFileL, "bmp\\sword_l.bmp");
    EXPECT_EQ(sw.m_strFileR, "bmp\\sword_r.bmp");
    ASSERT_EQ(sw.m_vPart.Size(), 2);
    const cSwordPartData& p = sw.m_vPart[0];
    EXPECT_EQ(p.m_nOffsetX, -4);
    EXPECT_EQ(p.m_nOffsetY, 6);
    EXPECT_EQ(p.m_nMirrorX, 0);
    EXPECT_EQ(p.m_nMirrorY, 1);
    EXPECT_EQ(p.m_nSide, kSwordBelow);
    EXPECT_EQ(p.m_nSrcX, 32);
    EXPECT_EQ(p.m_nSrcY, 64);
    EXPECT_EQ(p.m_nWidth, 48);
    EXPECT_EQ(p.m_nHeight, 16);
    EXPECT_EQ(p.m_nTime, 2);
    EXPECT_EQ(sw.m_vPart[1].m_nSide, kSwordBehind);
    EXPECT_EQ(Hex(Save(swords)), Hex(sword.s));

    // Effect.dat: editor number, width, height, scales; name, picture; the
    // frames as pairs.
    Bytes effect;
    effect.I32(901).I32(1);
    effect.Rec({9, 48, 24, 1}, {"爆発", "bmp\\effect\\bomb.bmp"}).I32(3);
    effect.Rec({0, 1}, {}).Rec({1, 2}, {}).Rec({2, 3}, {});
    cVector<cEffectData> effects;
    ASSERT_TRUE(Load(effect.s, effects));
    const cEffectData& e = effects[0];
    EXPECT_EQ(e.m_nEditorNo, 9);
    EXPECT_EQ(e.m_nWidth, 48);
    EXPECT_EQ(e.m_nHeight, 24);
    EXPECT_EQ(e.m_nScales, 1);
    EXPECT_EQ(e.m_strFile, "bmp\\effect\\bomb.bmp");
    ASSERT_EQ(e.m_vFrame.Size(), 3);
    EXPECT_EQ(e.m_vFrame[2].m_nFirst, 2);
    EXPECT_EQ(e.m_vFrame[2].m_nSecond, 3);
    EXPECT_EQ(Hex(Save(effects)), Hex(effect.s));
}

TEST_F(DbGraphicsTest, OlderFilesKeepDefaultsAndDropEditorNumbers) {
    // Exclusive bitmaps: the editor number is stored from 152 and kept from
    // 153; large chips and chip size from 172.
    struct BmpCase {
        int version;
        std::initializer_list<int32_t> numbers;
        int editor, large, size;
    };
    const BmpCase bmpCases[] = {
        {151, {}, 0, 0, 2},
        {152, {44}, 0, 0, 2},
        {171, {44}, 44, 0, 2},
        {172, {44, 1, 4}, 44, 1, 4},
    };
    for (const BmpCase& c : bmpCases) {
        SCOPED_TRACE(c.version);
        Bytes b;
        b.I32(c.version).I32(1).Rec(c.numbers, {"n", "f.bmp"});
        cVector<cBmpCharaExcData> list;
        ASSERT_TRUE(Load(b.s, list));
        EXPECT_EQ(list[0].m_nEditorNo, c.editor);
        EXPECT_EQ(list[0].m_nLargeChips, c.large);
        EXPECT_EQ(list[0].m_nChipSize, c.size);
        EXPECT_EQ(list[0].m_strFile, "f.bmp");
    }

    // Sword types: editor number from 151, kept from 153; steps' mirror
    // flags from 138.
    struct SwordCase {
        int version;
        int editor;  // after the read; the file stores 77 from 151 on
        int mirrorX, mirrorY;
    };
    const SwordCase swordCases[] = {{137, 0, 1, 0}, {138, 0, 0, 1}, {152, 0, 0, 1}, {153, 77, 0, 1}};
    for (const SwordCase& c : swordCases) {
        SCOPED_TRACE(c.version);
        Bytes b;
        b.I32(c.version).I32(1);
        if (c.version >= 151)
            b.Rec({77}, {"s", "l", "r"});
        else
            b.Rec({}, {"s", "l", "r"});
        b.I32(1);
        if (c.version >= 138)
            b.Rec({1, 2, 0, 1, 0, 3, 4, 5, 6, 7}, {});
        else
            b.Rec({1, 2, 0, 3, 4, 5, 6, 7}, {});
        cVector<cSwordTypeData> list;
        ASSERT_TRUE(Load(b.s, list));
        EXPECT_EQ(list[0].m_nEditorNo, c.editor);
        ASSERT_EQ(list[0].m_vPart.Size(), 1);
        const cSwordPartData& p = list[0].m_vPart[0];
        EXPECT_EQ(p.m_nMirrorX, c.mirrorX);
        EXPECT_EQ(p.m_nMirrorY, c.mirrorY);
        EXPECT_EQ(p.m_nSide, 0);
        EXPECT_EQ(p.m_nSrcX, 3);
        EXPECT_EQ(p.m_nTime, 7);
    }

    // Effects: editor number from 151, kept from 153.
    for (int version : {150, 151, 152, 153}) {
        SCOPED_TRACE(version);
        Bytes b;
        b.I32(version).I32(1);
        if (version >= 151)
            b.Rec({66, 16, 16, 0}, {"e", "e.bmp"});
        else
            b.Rec({16, 16, 0}, {"e", "e.bmp"});
        b.I32(1).Rec({4, 5}, {});
        cVector<cEffectData> list;
        ASSERT_TRUE(Load(b.s, list));
        EXPECT_EQ(list[0].m_nEditorNo, version >= 153 ? 66 : 0);
        EXPECT_EQ(list[0].m_nWidth, 16);
        EXPECT_EQ(list[0].m_vFrame[0].m_nSecond, 5);
    }
}

TEST_F(DbGraphicsTest, EmptyNestedListsStayEmpty) {
    Bytes sword;
    sword.I32(901).I32(1).Rec({0}, {"s", "", ""}).I32(0);
    cVector<cSwordTypeData> swords;
    ASSERT_TRUE(Load(sword.s, swords));
    EXPECT_TRUE(swords[0].m_vPart.empty());
    Bytes effect;
    effect.I32(901).I32(1).Rec({0, 32, 32, 0}, {"", ""}).I32(0);
    cVector<cEffectData> effects;
    ASSERT_TRUE(Load(effect.s, effects));
    EXPECT_TRUE(effects[0].m_vFrame.empty());
}

TEST_F(DbGraphicsTest, BrokenFilesFailWithoutReadingPastTheirEnd) {
    Bytes sword, effect, bmpLong, swordNegative;
    sword.I32(901).I32(1).Rec({0}, {"s", "l", "r"}).I32(100000).Rec({1, 2, 0, 1, 0, 3, 4, 5, 6, 7}, {});
    effect.I32(901).I32(1).Rec({0, 32, 32, 0}, {"e", "e.bmp"}).I32(2).Rec({0, 1}, {}).Rec({1, 1}, {});
    // A picture name whose length runs past the end.
    bmpLong.I32(901).I32(1).I32(3).I32(0).I32(0).I32(2).I32(2).I32(1).I32(500).s += "abc";
    swordNegative.I32(901).I32(1).Rec({0}, {"s", "l", "r"}).I32(-2);
    struct Case {
        const char* what;
        bool (*load)(DbGraphicsTest&, const std::string&);
        std::string bytes;
    };
    auto loadSword = [](DbGraphicsTest& t, const std::string& b) {
        cVector<cSwordTypeData> l;
        return t.Load(b, l);
    };
    auto loadEffect = [](DbGraphicsTest& t, const std::string& b) {
        cVector<cEffectData> l;
        return t.Load(b, l);
    };
    auto loadBmp = [](DbGraphicsTest& t, const std::string& b) {
        cVector<cBmpCharaExcData> l;
        return t.Load(b, l);
    };
    const Case cases[] = {
        {"sword step count beyond the file", loadSword, sword.s},
        {"negative sword step count", loadSword, swordNegative.s},
        {"effect cut inside its last frame", loadEffect, effect.s.substr(0, effect.s.size() - 3)},
        {"picture name beyond the file", loadBmp, bmpLong.s},
        {"bitmap file cut before its strings", loadBmp, bmpLong.s.substr(0, 24)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(c.load(*this, c.bytes));
    }
    EXPECT_NE(ReadHostFile("Report_Game.txt").find("in.dat is broken"), std::string::npos);
}

TEST_F(DbGraphicsTest, ExclusiveSheetChipLayout) {
    struct Case {
        int large, size, chip;
        int side, x, y;
    };
    const Case cases[] = {
        {0, 2, 17, 32, 32, 32},     // 16 chips of 32 dots a line; the size is ignored
        {1, 3, 7, 96, 192, 96},     // 5 chips of 96 dots a line
        {1, 1, 16, 32, 0, 32},
        {1, 0, 3, 32, 96, 0},       // sizes outside 1..16 are taken as the nearest
        {1, 20, 1, 512, 0, 512},
        {1, -5, 17, 32, 32, 32},
        // Chip numbers far beyond any sheet land far outside it, not on an
        // overflowed place.
        {1, 16, INT32_MAX, 512, 0, INT32_MAX - 512},
        {0, 2, INT32_MIN, 32, 0, INT32_MIN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.large << " " << c.size << " " << c.chip);
        cBmpCharaExcData bmp;
        bmp.m_nLargeChips = c.large;
        bmp.m_nChipSize = c.size;
        int x = -1, y = -1;
        bmp.ChipPos(c.chip, x, y);
        EXPECT_EQ(bmp.ChipSide(), c.side);
        EXPECT_EQ(x, c.x);
        EXPECT_EQ(y, c.y);
    }
}
