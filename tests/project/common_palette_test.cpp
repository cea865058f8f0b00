// The common palette file: entries read in place in order (so inheritance
// sees the entries before as read and those after as defaults), entry 0
// reset, inherit flags cleared, item references checked once all is read.
#include "frontend/program_objects.h"
#include "project/common_palette.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "project/list_file_test.h"
#include "project/palette_fixtures.h"
#include "project/stage_info.h"
#include "support/test_support.h"

namespace {

using namespace palfix;

std::vector<int8_t> Flagged(int count, std::initializer_list<int> set) {
    std::vector<int8_t> f(static_cast<size_t>(count), 0);
    for (int i : set) f[static_cast<size_t>(i)] = 1;
    return f;
}

std::string PaletteFile(const std::vector<std::string>& blocks, const std::vector<std::string>& charas,
                        const std::vector<std::string>& items) {
    return I32(901) + I32(0) + I32(0) + Counted(blocks) + Counted(charas) + Counted(items);
}

// Five blocks, two charas, two items; see the test below for what each shows.
std::string InheritingPalette() {
    return PaletteFile(
        {BlockBytes(Blk{.chip = 12, .hit = 1, .name = "ゴミ"}),
         BlockBytes(Blk{.chip = 5, .front = 1, .hit = 2, .pass = 3, .itemSrc = 1, .itemIdx = 1, .name = "壁"}),
         BlockBytes(Blk{.src = 1, .idx = 1, .chip = 7, .hit = 1, .name = "自分", .flags = Flagged(11, {0, 3, 6})}),
         BlockBytes(Blk{.src = 1, .idx = 4, .chip = 9, .hit = 0, .name = "先", .flags = Flagged(11, {6})}),
         BlockBytes(Blk{.chip = 3, .hit = 0, .itemSrc = 1, .itemIdx = 2, .name = "宝箱"})},
        {CharaBytes(901, Chara{.name = "ゼロ", .hp = 99}),
         CharaBytes(901, Chara{.src = 1, .idx = 0, .name = "敵", .chip = 4, .hp = 30,
                               .flags = std::vector<int8_t>(37, 1)})},
        {ItemBytes(Itm{.sheet = 0, .name = "零"}), ItemBytes(Itm{.chip = 6, .name = "薬", .flags = Flagged(13, {0})})});
}

class CommonPaletteTest : public projtest::ListFileTest {
protected:
    void SetUp() override {
        ListFileTest::SetUp();
        ResetProgramObjects();
    }
    void TearDown() override {
        ResetProgramObjects();
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
    PaletteSizes s = CurrentPaletteSizes();
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
