// The world map file, its upgrades and checks, the grid and the look-ups.
#include "project/world_map.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "project/list_file_test.h"
#include "support/test_support.h"

namespace {

using dbfix::I32;
using dbfix::Str;
using projtest::Bytes;

// A link's numbers in file order, gated as the file's version stores them.
struct LinkSpec {
    int32_t kind = 0, icon = 0, stageNo = 0, pass = 0, replay = 0, afterClear = 0, flag = 0, var = 0, cmp = 0, op = 0;
    int32_t score = 0, keyed = 0, keyA = 1, keyB = 0;
    std::string display, file;
};

std::string Link(int v, const LinkSpec& l) {
    std::vector<std::string> blocks = {I32(l.kind), I32(l.icon), I32(l.stageNo), I32(l.pass), I32(l.replay),
                                       I32(l.afterClear), I32(l.flag), I32(l.var), I32(l.cmp), I32(l.op)};
    if (v >= 209) blocks.push_back(I32(l.score));
    if (v >= 758) {
        blocks.push_back(I32(l.keyed));
        blocks.push_back(I32(l.keyA));
        blocks.push_back(I32(l.keyB));
    }
    return dbfix::Record(blocks, {l.display, l.file});
}

std::string Point(int32_t x, int32_t y, const std::string& name, const std::vector<std::string>& links) {
    return Bytes().Rec({x, y}, {name}).Add(dbfix::Counted(links)).s;
}

std::string Tile(int32_t editorNo, int32_t impassable, int32_t chip, const std::string& label) {
    return Bytes().Rec({editorNo, impassable, chip}, {label, "memo"}).s;
}

// A whole file: width, height, pitch, shift, start, colour, show; name and
// picture; tiles; cells; points; second points.
struct MapSpec {
    int version = 901;
    int32_t w = 3, h = 2, pitch = 4, shift = 2, sx = 1, sy = 1, bg = 12, show = 1;
    std::vector<std::string> tiles;
    std::vector<int32_t> cells;
    std::vector<std::string> points, points2;
};

std::string MapFile(const MapSpec& m) {
    Bytes b;
    b.I32(m.version).Rec({m.w, m.h, m.pitch, m.shift, m.sx, m.sy, m.bg, m.show}, {"島", "bmp\\world.bmp"});
    b.Add(dbfix::Counted(m.tiles)).I32(static_cast<int32_t>(m.cells.size()));
    for (int32_t c : m.cells) b.I32(c);
    return b.Add(dbfix::Counted(m.points)).Add(dbfix::Counted(m.points2)).s;
}

// A 3 x 2 map on a pitch of 4 with three tiles, every stored value in range.
MapSpec GoodMap() {
    MapSpec m;
    m.tiles = {Tile(7, 1, 3, "岩"), Tile(8, 0, 4, "草"), Tile(9, 0, 5, "砂")};
    m.cells = {0, 1, 2, 0, 2, 1, 0, 0};
    LinkSpec stage;
    stage.stageNo = 4;
    stage.display = "洞窟";
    stage.file = "data\\stg4\\cave-1.stg4_901";
    LinkSpec road;
    road.kind = kLinkRoad;
    road.score = 500;
    road.keyed = 1;
    road.keyA = 2;
    road.keyB = 3;
    m.points = {Point(2, 1, "入口", {Link(901, stage), Link(901, road)})};
    m.points2 = {Point(0, 0, "デフォルト", {Link(901, LinkSpec())})};
    return m;
}

class WorldMapTest : public projtest::ListFileTest {
protected:
    cWorldMap map;
    bool Load(const std::string& bytes) {
        orvtest::WriteHostFile("WorldMap.dat", bytes);
        return map.LoadFile("WorldMap.dat") == 1;
    }
};

TEST_F(WorldMapTest, NewMapHasTheDefaults) {
    EXPECT_EQ(map.m_strName, "ワールド");
    EXPECT_EQ((std::vector<int>{map.m_nWidth, map.m_nHeight, map.m_nPitch, map.m_nShift}),
              (std::vector<int>{20, 15, 32, 5}));
    EXPECT_EQ(map.m_vCell.Size(), 480);
    EXPECT_EQ(map.m_nStartX, 9);
    EXPECT_EQ(map.m_nStartY, 7);
    EXPECT_EQ(map.m_nBgColor, 16);
    EXPECT_TRUE(map.m_vPoint.empty());
    ASSERT_EQ(map.m_vPoint2.Size(), 1);
    EXPECT_EQ(map.m_vPoint2[0].m_strName, "デフォルト");
    ASSERT_EQ(map.m_vPoint2[0].m_vLink.Size(), 1);
    EXPECT_EQ(map.m_vPoint2[0].m_vLink[0].m_nKeyA, 1);
}

// A current file reads every member at its place, and writing the map gives
// the same bytes back.
TEST_F(WorldMapTest, CurrentFileReadsAndWritesTheSameBytes) {
    const std::string bytes = MapFile(GoodMap());
    ASSERT_TRUE(Load(bytes));
    EXPECT_EQ(map.m_strName, "島");
    EXPECT_EQ(map.m_strBgPicture, "bmp\\world.bmp");
    EXPECT_EQ(map.m_nBgColor, 12);
    EXPECT_EQ(map.m_nShowBg, 1);
    ASSERT_EQ(map.m_vTile.Size(), 3);
    EXPECT_EQ(map.m_vTile[1].m_nEditorNo, 8);
    EXPECT_EQ(map.m_vTile[0].m_nImpassable, 1);
    EXPECT_EQ(map.m_vTile[2].m_nChip, 5);
    EXPECT_EQ(map.m_vTile[2].m_strLabel, "砂");
    EXPECT_EQ(map.Cell(2, 0), 2);
    EXPECT_EQ(map.Cell(1, 1), 1);
    ASSERT_EQ(map.m_vPoint.Size(), 1);
    const cWorldPoint& p = map.m_vPoint[0];
    EXPECT_EQ(p.m_strName, "入口");
    ASSERT_EQ(p.m_vLink.Size(), 2);
    EXPECT_EQ(p.m_vLink[0].m_nStageNo, 4);
    EXPECT_EQ(p.m_vLink[0].m_strStageFile, "data\\stg4\\cave-1.stg4_901");
    EXPECT_EQ(p.m_vLink[1].m_nKind, kLinkRoad);
    EXPECT_EQ(p.m_vLink[1].m_nScoreThreshold, 500);
    EXPECT_EQ((std::vector<int>{p.m_vLink[1].m_nKeyed, p.m_vLink[1].m_nKeyA, p.m_vLink[1].m_nKeyB}),
              (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(map.m_vPoint2.Size(), 1);
    EXPECT_EQ(map.m_vPoint2[0].m_strName, "デフォルト");

    ASSERT_EQ(map.SaveFile("out.dat"), 1);
    EXPECT_EQ(orvtest::Hex(orvtest::ReadHostFile("out.dat")), orvtest::Hex(bytes));
}

// The score threshold is stored from 209, keyed and the keys from 758.
TEST_F(WorldMapTest, LinkFieldsFollowTheirVersions) {
    struct Case {
        int version;
        int32_t score, keyed, keyA, keyB;
    } cases[] = {{208, 0, 0, 1, 0}, {209, 300, 0, 1, 0}, {757, 300, 0, 1, 0}, {758, 300, 1, 6, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        MapSpec m = GoodMap();
        m.version = c.version;
        LinkSpec l;
        l.score = 300;
        l.keyed = 1;
        l.keyA = 6;
        l.keyB = 7;
        l.file = "x.stg4";
        m.points = {Point(1, 1, "p", {Link(c.version, l)})};
        m.points2 = {};
        ASSERT_TRUE(Load(MapFile(m)));
        ASSERT_EQ(map.m_vPoint.Size(), 1);
        const cWorldLink& got = map.m_vPoint[0].m_vLink[0];
        EXPECT_EQ((std::vector<int>{got.m_nScoreThreshold, got.m_nKeyed, got.m_nKeyA, got.m_nKeyB}),
                  (std::vector<int>{c.score, c.keyed, c.keyA, c.keyB}));
        EXPECT_EQ(got.m_strStageFile, "x.stg4");
    }
}

// Files before 812 get the ten standard tile types; the tile check runs
// after, so cell index 9 survives there and 10 does not.
TEST_F(WorldMapTest, OldFilesGetTheTenStandardTiles) {
    MapSpec m = GoodMap();
    m.version = 811;
    m.points = {};
    m.points2 = {};
    m.cells = {9, 10, 3, 0, 0, 0, 0, 0};
    ASSERT_TRUE(Load(MapFile(m)));
    ASSERT_EQ(map.m_vTile.Size(), 10);
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        const cWorldTile& t = map.m_vTile[static_cast<size_t>(i)];
        EXPECT_EQ(t.m_nChip, i);
        EXPECT_EQ(t.m_nImpassable, i < 5 ? 1 : 0);
        EXPECT_EQ(t.m_strLabel, i < 5 ? "移動不可" : "移動可");
        EXPECT_EQ(t.m_strEditorText, "");
        EXPECT_EQ(t.m_nEditorNo, i < 3 ? 7 + i : 0);
    }
    EXPECT_EQ(map.Cell(0, 0), 9);
    EXPECT_EQ(map.Cell(1, 0), 0);
    EXPECT_EQ(map.Cell(2, 0), 3);

    m.version = 812;
    ASSERT_TRUE(Load(MapFile(m)));
    ASSERT_EQ(map.m_vTile.Size(), 3);
    EXPECT_EQ(map.m_vTile[2].m_nChip, 5);
    EXPECT_EQ(map.Cell(2, 0), 0);  // index 3 of three tiles
}

TEST_F(WorldMapTest, ValidationPullsInTheStartDropsOffGridPointsAndBadTiles) {
    MapSpec m = GoodMap();
    m.sx = 25;
    m.sy = 2;
    m.cells = {0, -1, 3, 7, 1, 1, 1, 5};  // the unused column keeps its value
    m.points = {Point(3, 0, "外X", {}), Point(1, 1, "中", {}), Point(0, 2, "外Y", {}), Point(-1, 0, "左", {})};
    ASSERT_TRUE(Load(MapFile(m)));
    EXPECT_EQ(map.m_nStartX, 2);
    EXPECT_EQ(map.m_nStartY, 1);
    EXPECT_EQ(map.m_vCell, (cVector<int32_t>{0, 0, 0, 7, 1, 1, 1, 5}));
    ASSERT_EQ(map.m_vPoint.Size(), 2);
    EXPECT_EQ(map.m_vPoint[0].m_strName, "中");
    EXPECT_EQ(map.m_vPoint[1].m_strName, "左");
    EXPECT_TRUE(map.m_vPoint[0].m_vLink.empty());  // a stored count of 0 leaves no link

    m.sx = -3;
    ASSERT_TRUE(Load(MapFile(m)));
    EXPECT_EQ(map.m_nStartX, -3);
}

// A file crowded with points off the grid reads in one pass (dropping them
// one by one took minutes), the points kept in their order.
TEST_F(WorldMapTest, ManyOffGridPointsAreDroppedInOnePass) {
    MapSpec m = GoodMap();
    m.points.clear();
    const int kPoints = 120000;
    for (int i = 0; i < kPoints; ++i)
        m.points.push_back(i % 3 == 0 ? Point(1, 1, std::to_string(i), {}) : Point(1000 + i, 0, "", {}));
    ASSERT_TRUE(Load(MapFile(m)));
    ASSERT_EQ(map.m_vPoint.Size(), kPoints / 3);
    for (int k = 0; k < kPoints / 3; ++k)
        if (map.m_vPoint[static_cast<size_t>(k)].m_strName != std::to_string(3 * k)) FAIL() << "order lost at " << k;
}

// A grid that does not hold together, or a file that breaks off, is refused
// and leaves a default map, so nothing later indexes past the cells.
TEST_F(WorldMapTest, BrokenFilesAreRefused) {
    struct Case {
        const char* what;
        std::string bytes;
    };
    auto with = [](auto change) {
        MapSpec m = GoodMap();
        change(m);
        return MapFile(m);
    };
    const std::string good = MapFile(GoodMap());
    const Case cases[] = {
        {"width 0", with([](MapSpec& m) { m.w = 0; })},
        {"height 0", with([](MapSpec& m) { m.h = 0; })},
        {"pitch below width", with([](MapSpec& m) { m.pitch = 2;
             m.shift = 1; })},
        {"pitch not 2 to the shift", with([](MapSpec& m) { m.shift = 3; })},
        {"shift too large", with([](MapSpec& m) { m.shift = 40; })},
        {"too few cells", with([](MapSpec& m) { m.cells.resize(7); })},
        {"no cells with a wider grid", with([](MapSpec& m) { m.cells.clear();
             m.w = 40;
             m.pitch = 64;
             m.shift = 6; })},
        {"negative tile count", I32(901) + Bytes().Rec({3, 2, 4, 2, 0, 0, 0, 0}, {"", ""}).s + I32(-1)},
        {"negative link count", with([](MapSpec& m) {
             m.points = {Bytes().Rec({1, 1}, {"p"}).I32(-2).s};
         })},
        {"cut short", good.substr(0, good.size() - 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Load(good));
        EXPECT_FALSE(Load(c.bytes));
        EXPECT_EQ(map.m_nWidth, 20);
        EXPECT_EQ(map.m_nPitch, 32);
        EXPECT_EQ(map.m_vCell.Size(), 480);
        EXPECT_TRUE(map.m_vPoint.empty());
    }
    // A stored cell count of 0 keeps the cells held, which fit this grid.
    MapSpec keep = GoodMap();
    keep.w = 20;
    keep.h = 15;
    keep.pitch = 32;
    keep.shift = 5;
    keep.cells.clear();
    map.SetDefault();
    map.Cell(19, 14) = 2;
    ASSERT_TRUE(Load(MapFile(keep)));
    EXPECT_EQ(map.Cell(19, 14), 2);
}

TEST_F(WorldMapTest, SetSizeKeepsTheCellsThatFit) {
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) map.Cell(x, y) = x + 100 * y;
    ASSERT_EQ(map.SetSize(33, 10), 1);
    EXPECT_EQ((std::vector<int>{map.m_nWidth, map.m_nHeight, map.m_nPitch, map.m_nShift, map.m_vCell.Size()}),
              (std::vector<int>{33, 10, 64, 6, 640}));
    EXPECT_EQ(map.Cell(19, 9), 919);
    EXPECT_EQ(map.Cell(0, 9), 900);
    EXPECT_EQ(map.Cell(20, 0), 0);
    EXPECT_EQ(map.Cell(32, 9), 0);

    ASSERT_EQ(map.SetSize(1, 1), 1);
    EXPECT_EQ((std::vector<int>{map.m_nPitch, map.m_nShift, map.m_vCell.Size(), map.Cell(0, 0)}),
              (std::vector<int>{1, 0, 1, 0}));

    struct Case {
        int w, h;
    } refused[] = {{0, 5}, {5, 0}, {-4, 5}, {5, -1}, {1 << 20, 1 << 20}};
    for (const Case& c : refused) {
        SCOPED_TRACE(c.w);
        EXPECT_EQ(map.SetSize(c.w, c.h), 0);
        EXPECT_EQ((std::vector<int>{map.m_nWidth, map.m_nHeight, map.m_vCell.Size()}), (std::vector<int>{1, 1, 1}));
    }
    ASSERT_EQ(map.SetSize(32, 2), 1);
    EXPECT_EQ(map.m_nPitch, 32);
}

TEST_F(WorldMapTest, FindsPointsByCellAndByStage) {
    ASSERT_TRUE(Load(MapFile(GoodMap())));
    EXPECT_EQ(map.FindPointXY(2, 1), &map.m_vPoint[0]);
    EXPECT_EQ(map.FindPoint(WorldCell{2, 1}), &map.m_vPoint[0]);
    EXPECT_EQ(map.FindPointXY(1, 2), nullptr);

    auto link = [](int kind, const char* file, int keyed, int keyA, int keyB) {
        cWorldLink l;
        l.m_nKind = kind;
        l.m_strStageFile = file;
        l.m_nKeyed = keyed;
        l.m_nKeyA = keyA;
        l.m_nKeyB = keyB;
        return l;
    };
    map.m_vPoint.assign(2, cWorldPoint());
    map.m_vPoint[0].m_vLink = {link(kLinkRoad, "data\\stg4\\road.stg4_901", 0, 1, 0),
                               link(kLinkStage, "data\\stg4\\cave-1.stg4_901", 0, 1, 0)};
    map.m_vPoint[1].m_vLink = {link(kLinkStage, "data\\stg4\\tower.stg4_001", 1, 2, 5),
                               link(kLinkStage, "data\\stg4\\stage-10.stg4_003", 0, 1, 0)};
    struct Case {
        const char* key;
        int keyed, keyA, keyB, found;
    } cases[] = {
        {"data\\stg4\\cave.", 0, 0, 0, 1},   {"data\\stg4\\cave", 0, 0, 0, 0},
        {"data\\stg4\\cave.", 1, 1, 0, 0},   {"data\\stg4\\road.", 0, 0, 0, 0},
        {"data\\stg4\\tower.", 1, 2, 5, 1},  {"data\\stg4\\tower.", 1, 2, 4, 0},
        {"data\\stg4\\tower.", 0, 2, 5, 0},  {"data\\stg4\\stage.", 0, 0, 0, 1},
        {"DATA\\stg4\\cave.", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + std::to_string(c.keyed));
        EXPECT_EQ(map.FindPointByStage(c.key, c.keyed, c.keyA, c.keyB), c.found);
    }
    // A stage file without the "-1" part gives the same key.
    map.m_vPoint[0].m_vLink[1].m_strStageFile = "data\\stg4\\cave.stg4_901";
    EXPECT_EQ(map.FindPointByStage("data\\stg4\\cave.", 0, 0, 0), 1);
}

// Writes the fixtures as fuzz seeds when ORV_WRITE_WORLD_MAP_SEEDS names a
// folder; the seeds are kept with the sources.
TEST(WorldMapSeeds, WrittenWhenAsked) {
    const char* folder = std::getenv("ORV_WRITE_WORLD_MAP_SEEDS");
    if (!folder) GTEST_SKIP() << "set ORV_WRITE_WORLD_MAP_SEEDS to a folder to write the seeds";
    MapSpec old = GoodMap();
    old.version = 811;
    old.points = {Point(1, 1, "p", {Link(811, LinkSpec())})};
    old.points2 = {};
    orvtest::WriteHostFile(std::string(folder) + "/WorldMap", MapFile(GoodMap()));
    orvtest::WriteHostFile(std::string(folder) + "/WorldMap_v811", MapFile(old));
}

}  // namespace
