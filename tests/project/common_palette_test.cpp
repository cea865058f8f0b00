// The common palette file: entries read in place in order (so inheritance
// sees the entries before as read and those after as defaults), entry 0
// reset, inherit flags cleared, item references checked once all is read.
#include "project/common_palette.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "project/list_file_test.h"
#include "project/stage_info.h"
#include "support/test_support.h"

namespace {

using dbfix::I32;
using projtest::Bytes;

// Numeric fields of a record part: each field's width in file order, its
// default, and the values that differ from it (by 1-based field number).
struct FieldTable {
    std::vector<int> width;
    std::map<int, int64_t> defaults;
};

std::string Fields(const FieldTable& t, const std::map<int, int64_t>& values) {
    std::string out = I32(static_cast<int32_t>(t.width.size()));
    for (size_t i = 0; i < t.width.size(); ++i) {
        int n = static_cast<int>(i) + 1;
        int64_t v = values.count(n) ? values.at(n) : t.defaults.count(n) ? t.defaults.at(n) : 0;
        out += I32(static_cast<int32_t>(v)).substr(0, static_cast<size_t>(t.width[i]));
    }
    return out;
}

// Source, index, cond mode, keep, chip, sheet, sub, front, hidden, icon
// display, icon chip, hit, pass class, effect, effect value, item source,
// item index, summon-proof.
const FieldTable kBlockFields{{1, 2, 1, 1, 2, 1, 2, 1, 1, 1, 2, 1, 1, 1, 4, 1, 2, 1}, {{12, 1}, {13, 255}}};
enum { bSrc = 1, bIdx = 2, bChip = 5, bFront = 8, bHit = 12, bPass = 13, bItemSrc = 16, bItemIdx = 17 };

// The 53 chara fields of the current version.
const FieldTable kCharaFields{{1, 2, 1, 1, 1, 1, 2, 2, 2, 2, 1, 1, 2, 1, 2, 2, 1, 1, 2, 1, 1, 2, 1, 1, 2, 1, 1,
                              1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 4, 4, 2, 1, 4, 1, 2, 4, 1, 4, 1, 1, 2, 1, 1},
                             {{14, 1}, {17, 3}, {21, 1}, {26, 1}, {28, 1}, {31, 1}, {35, 1}, {39, 10}, {41, 10}, {49, 1}}};
enum { cSrc = 1, cIdx = 2, cChip = 13, cMaxHP = 39 };

// Source, index, cond mode, keep, offset X, Y, chip, sheet, sub, layer,
// hidden, icon display, icon chip, pop-up, take mode, giant, sound.
const FieldTable kItemFields{{1, 2, 1, 1, 2, 2, 2, 1, 2, 1, 1, 1, 2, 1, 1, 1, 2},
                             {{8, 2}, {10, 6}, {14, 1}, {16, 1}}};
enum { iChip = 7, iSheet = 8 };

std::string Flags(std::vector<int8_t> flags) {
    Bytes b;
    b.I32(static_cast<int32_t>(flags.size()));
    for (int8_t f : flags) b.I8(f);
    return b.s;
}

// A block: record part, column, row, flags, no conditions.
std::string Block(const std::map<int, int64_t>& v, const std::string& name, std::vector<int8_t> flags = {}) {
    return Fields(kBlockFields, v) + I32(1) + dbfix::Str(name) + dbfix::I16(0) + dbfix::I16(0) + Flags(flags) + I32(0);
}

// A chara: record part, column, row, carried item, flags, no conditions,
// no flows.
std::string Chara(const std::map<int, int64_t>& v, const std::string& name, std::vector<int8_t> flags = {}) {
    return Fields(kCharaFields, v) + I32(1) + dbfix::Str(name) + dbfix::I16(0) + dbfix::I16(0) + I32(0) + Flags(flags) +
           I32(0) + I32(0);
}

// An item: record part, column, row, flags, no conditions, no commands.
std::string Item(const std::map<int, int64_t>& v, const std::string& name, std::vector<int8_t> flags = {}) {
    return Fields(kItemFields, v) + I32(1) + dbfix::Str(name) + dbfix::I16(0) + dbfix::I16(0) + Flags(flags) + I32(0) +
           I32(0);
}

std::vector<int8_t> Flagged(int count, std::initializer_list<int> set) {
    std::vector<int8_t> f(static_cast<size_t>(count), 0);
    for (int i : set) f[static_cast<size_t>(i)] = 1;
    return f;
}

std::string PaletteFile(const std::vector<std::string>& blocks, const std::vector<std::string>& charas,
                        const std::vector<std::string>& items) {
    return I32(901) + I32(0) + I32(0) + dbfix::Counted(blocks) + dbfix::Counted(charas) + dbfix::Counted(items);
}

// Five blocks, two charas, two items; see the test below for what each shows.
std::string InheritingPalette() {
    return PaletteFile(
        {Block({{bChip, 12}, {bHit, 1}}, "ゴミ"),
         Block({{bChip, 5}, {bHit, 2}, {bFront, 1}, {bPass, 3}, {bItemSrc, 1}, {bItemIdx, 1}}, "壁"),
         Block({{bSrc, 1}, {bIdx, 1}, {bChip, 7}, {bHit, 1}}, "自分", Flagged(11, {0, 3, 6})),
         Block({{bSrc, 1}, {bIdx, 4}, {bChip, 9}, {bHit, 0}}, "先", Flagged(11, {6})),
         Block({{bChip, 3}, {bHit, 0}, {bItemSrc, 1}, {bItemIdx, 2}}, "宝箱")},
        {Chara({{cMaxHP, 99}}, "ゼロ"),
         Chara({{cSrc, 1}, {cIdx, 0}, {cChip, 4}, {cMaxHP, 30}}, "敵", std::vector<int8_t>(37, 1))},
        {Item({{iSheet, 0}}, "零"), Item({{iChip, 6}}, "薬", Flagged(13, {0}))});
}

class CommonPaletteTest : public projtest::ListFileTest {
protected:
    void SetUp() override {
        ListFileTest::SetUp();
        g_CommonPalette = cCommonPalette();
        g_Stage = cStageInfo();
    }
    void TearDown() override {
        g_CommonPalette = cCommonPalette();
        ListFileTest::TearDown();
    }
    static bool Load(const std::string& bytes) {
        orvtest::WriteHostFile("CommonPalette.cplt4", bytes);
        return g_CommonPalette.LoadFile("CommonPalette.cplt4") == 1;
    }
};

TEST_F(CommonPaletteTest, EntriesInheritInFileOrderAndAreCheckedAfterTheWholeRead) {
    ASSERT_TRUE(Load(InheritingPalette()));
    const cCommonPalette& p = g_CommonPalette;
    ASSERT_EQ(p.m_vBlock.Size(), 5);
    ASSERT_EQ(p.m_vChara.Size(), 2);
    ASSERT_EQ(p.m_vItem.Size(), 2);

    // Entry 0 stands for nothing whatever was stored; its empty chip then
    // loses the hit kind.
    EXPECT_EQ(p.m_vBlock[0].m_strName, "");
    EXPECT_EQ(p.m_vBlock[0].m_sChip, 0);
    EXPECT_EQ(p.m_vBlock[0].m_cHit, 0);
    EXPECT_EQ(p.m_vBlock[0].m_ucPassClass, 255);
    EXPECT_EQ(p.m_vChara[0].m_strName, "");
    EXPECT_EQ(p.m_vChara[0].m_nMaxHP, 10);
    EXPECT_EQ(p.m_vItem[0].m_cSheet, 2);

    // Name, front layer and hit kind taken from entry 1, the chip kept.
    const cPltBlock& b2 = p.m_vBlock[2];
    EXPECT_EQ(b2.m_strName, "壁");
    EXPECT_EQ(b2.m_cFront, 1);
    EXPECT_EQ(b2.m_cHit, 2);
    EXPECT_EQ(b2.m_sChip, 7);
    EXPECT_EQ(b2.m_ucPassClass, 255);
    // Entry 4 was still a default block when entry 3 took its hit kind.
    EXPECT_EQ(p.m_vBlock[3].m_cHit, 1);
    EXPECT_EQ(p.m_vBlock[4].m_cHit, 0);
    // Item 2 of two items does not exist; item 1 does.
    EXPECT_EQ(p.m_vBlock[4].m_cItemSrc, 0);
    EXPECT_EQ(p.m_vBlock[4].m_sItemIdx, 0);
    EXPECT_EQ(p.m_vBlock[1].m_cItemSrc, 1);
    EXPECT_EQ(p.m_vBlock[1].m_sItemIdx, 1);

    // Entry 0 is never a source: the chara keeps its own values.
    EXPECT_EQ(p.m_vChara[1].m_strName, "敵");
    EXPECT_EQ(p.m_vChara[1].m_nMaxHP, 30);
    EXPECT_EQ(p.m_vItem[1].m_strName, "薬");

    // No flag survives in the common palette; the lists keep their lengths.
    auto allZero = [](const cVector<int8_t>& f) { return f.Count(0) == f.Size(); };
    for (const cPltBlock& b : p.m_vBlock) EXPECT_TRUE(allZero(b.m_vInheritFlag));
    for (const cCharaDef& c : p.m_vChara) EXPECT_TRUE(allZero(c.m_vInheritFlag));
    for (const cPltItem& i : p.m_vItem) EXPECT_TRUE(allZero(i.m_vInheritFlag));
    EXPECT_EQ(p.m_vBlock[2].m_vInheritFlag.Size(), 11);
    EXPECT_EQ(p.m_vChara[1].m_vInheritFlag.Size(), 37);
    EXPECT_EQ(p.m_vItem[1].m_vInheritFlag.Size(), 13);
}

TEST_F(CommonPaletteTest, EmptyListsGetTwoDefaultEntries) {
    ASSERT_TRUE(Load(PaletteFile({}, {}, {})));
    const cCommonPalette& p = g_CommonPalette;
    ASSERT_EQ(p.m_vBlock.Size(), 2);
    ASSERT_EQ(p.m_vChara.Size(), 2);
    ASSERT_EQ(p.m_vItem.Size(), 2);
    for (const cPltBlock& b : p.m_vBlock) {
        EXPECT_EQ(b.m_cHit, 0);  // an empty chip is passable
        EXPECT_EQ(b.m_ucPassClass, 255);
    }
    EXPECT_EQ(p.m_vChara[1].m_cOperatedBy, 1);
    EXPECT_EQ(p.m_vItem[1].m_cPopup, 1);
}

// What the palette writes reads back as the same palette.
TEST_F(CommonPaletteTest, WrittenPaletteReadsBackTheSame) {
    ASSERT_TRUE(Load(InheritingPalette()));
    ASSERT_EQ(g_CommonPalette.SaveFile("out.cplt4"), 1);
    const std::string saved = orvtest::ReadHostFile("out.cplt4");
    EXPECT_EQ(orvtest::Hex(saved.substr(0, 16)), orvtest::Hex(I32(901) + I32(0) + I32(0) + I32(5)));
    EXPECT_EQ(saved.substr(16, 4), I32(18));

    ASSERT_TRUE(Load(saved));
    EXPECT_EQ(g_CommonPalette.m_vBlock[2].m_strName, "壁");
    EXPECT_EQ(g_CommonPalette.m_vBlock[2].m_cHit, 2);
    EXPECT_EQ(g_CommonPalette.m_vChara[1].m_nMaxHP, 30);
    ASSERT_EQ(g_CommonPalette.SaveFile("again.cplt4"), 1);
    EXPECT_EQ(orvtest::Hex(orvtest::ReadHostFile("again.cplt4")), orvtest::Hex(saved));
}

TEST_F(CommonPaletteTest, BrokenFilesFailTheLoad) {
    const std::string good = InheritingPalette();
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"a stored field", I32(901) + I32(1) + I32(5) + I32(0) + I32(0) + I32(0) + I32(0)},
        {"a stored string", I32(901) + I32(0) + I32(1) + dbfix::Str("x") + I32(0) + I32(0) + I32(0)},
        {"negative block count", I32(901) + I32(0) + I32(0) + I32(-1) + I32(0) + I32(0)},
        {"count beyond the bytes", I32(901) + I32(0) + I32(0) + I32(1000) + I32(0) + I32(0)},
        {"cut short", good.substr(0, good.size() - 5)},
        {"no lists", I32(901) + I32(0) + I32(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(Load(c.bytes));
        // Whatever was read, the lists keep their invariants.
        EXPECT_GE(g_CommonPalette.m_vBlock.Size(), 2);
        EXPECT_GE(g_CommonPalette.m_vChara.Size(), 2);
        EXPECT_GE(g_CommonPalette.m_vItem.Size(), 2);
    }
    EXPECT_EQ(g_CommonPalette.LoadFile("missing.cplt4"), 0);
}

TEST_F(CommonPaletteTest, PaletteSizesCoverBothPalettes) {
    ASSERT_TRUE(Load(InheritingPalette()));
    g_Stage.m_vPltBlock.resize(3);
    g_Stage.m_vPltChara.resize(4);
    g_Stage.m_vPltItem.resize(6);
    cPaletteSizes s = CurrentPaletteSizes();
    EXPECT_EQ((std::vector<int>{s.nBlock[0], s.nChara[0], s.nItem[0], s.nBlock[1], s.nChara[1], s.nItem[1]}),
              (std::vector<int>{5, 2, 2, 3, 4, 6}));
}

// Writes the fixtures as fuzz seeds when ORV_WRITE_PALETTE_SEEDS names a
// folder; the seeds are kept with the sources.
TEST(CommonPaletteSeeds, WrittenWhenAsked) {
    const char* folder = std::getenv("ORV_WRITE_PALETTE_SEEDS");
    if (!folder) GTEST_SKIP() << "set ORV_WRITE_PALETTE_SEEDS to a folder to write the seeds";
    orvtest::WriteHostFile(std::string(folder) + "/CommonPalette", InheritingPalette());
    orvtest::WriteHostFile(std::string(folder) + "/CommonPalette_empty", PaletteFile({}, {}, {}));
}

}  // namespace
