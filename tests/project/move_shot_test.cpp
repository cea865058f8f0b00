#include "project/move_shot.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "core/report_log.h"
#include "project/database.h"
#include "support/test_support.h"

using orvtest::Hex;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

namespace {

// One stored member: its size in bytes and its value.
struct Stored {
    int size;
    int64_t value;
};

std::string Le(int64_t value, int size) {
    std::string out;
    for (int i = 0; i < size; ++i) out += static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF);
    return out;
}

// A data file of one record with these blocks and no strings.
std::string RecordFile(int version, const std::vector<Stored>& blocks) {
    std::string out = Le(version, 4) + Le(static_cast<int64_t>(blocks.size()), 4);
    for (const Stored& b : blocks) out += Le(b.value, b.size);
    return out + Le(0, 4);
}

int64_t DoubleBits(double d) { return std::bit_cast<int64_t>(d); }

// Saves a record in the layout of an older data version, as that version's
// writer did.
template <class R>
void SaveAtVersion(R& record, int version, const char* path) {
    int current = g_DataVersion;
    g_DataVersion = version;
    ASSERT_EQ(record.SaveFile(path), 1);
    g_DataVersion = current;
}

class MoveShotTest : public ::testing::Test {
protected:
    orvtest::ScopedTempFolder tmp;
    void SetUp() override {
        ASSERT_EQ(InitReportLog("Report_Game.txt"), 1);
        g_Database.SetDefault();  // two Effect entries
    }
    void TearDown() override { g_Database.SetDefault(); }
};

// ---- the movement record ----

// Every member in file order with a value that differs from its default.
const std::vector<Stored> kMove901 = {
    {1, 1},    {1, 3},   {2, -30}, {2, 5},   {1, 0},  {1, 0},   {1, 1},   {2, 300},
    {2, -2},   {2, 7},   {2, -8},  {1, 2},   {1, 1},  {1, 2},   {1, 0},   {1, 1},
    {1, 0},    {1, 0},   {1, 1},   {1, 0},   {1, 1},  {1, 1},   {1, 2},   {2, 1000},
    {2, -4},   {2, 640}, {2, 16},  {1, 1},   {2, 20}, {2, -1},  {1, 1},   {2, 99},
    {8, DoubleBits(2.5)}, {1, 2}, {1, 3},
};

TEST_F(MoveShotTest, MoveRecordFromTheFileTableLoadsAndIsWrittenByteForByte) {
    ASSERT_EQ(kMove901.size(), 35u);
    std::string bytes = RecordFile(901, kMove901);
    WriteHostFile("move.dat", bytes);
    cEdMove m;
    ASSERT_EQ(m.LoadFile("move.dat"), 1);
    EXPECT_EQ(m.m_cMoveBy, 1);
    EXPECT_EQ(m.m_cDirCode, 3);
    EXPECT_EQ(m.m_sAngle, -30);
    EXPECT_EQ(m.m_cMirrorAngle, 0);
    EXPECT_EQ(m.m_sDestXBl, 300);
    EXPECT_EQ(m.m_sDestYDot, -8);
    EXPECT_EQ(m.m_cCoordMode, 2);
    EXPECT_EQ(m.m_cDestUnit, 1);
    EXPECT_EQ(m.m_cAnchor, 2);
    EXPECT_EQ(m.m_cEndOnArrival, 0);
    EXPECT_EQ(m.m_cNoOvershoot, 1);
    EXPECT_EQ(m.m_cKeepFacing, 1);
    EXPECT_EQ(m.m_cTimeMode, 2);
    EXPECT_EQ(m.m_sSpeed, 1000);
    EXPECT_EQ(m.m_sDistance, 640);
    EXPECT_EQ(m.m_cDistUnit, 1);
    EXPECT_EQ(m.m_sExtraInc, -1);
    EXPECT_EQ(m.m_sInertiaMax, 99);
    EXPECT_EQ(m.m_dReverseFactor, 2.5);
    EXPECT_EQ(m.m_cAnime, 2);
    EXPECT_EQ(m.m_cTarget, 3);
    ASSERT_EQ(m.SaveFile("out.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("out.dat")), Hex(bytes));
}

TEST_F(MoveShotTest, MoveRecordLayoutFollowsTheVersionGates) {
    cEdMove m;
    const std::pair<int, int> blocks[] = {{157, 28}, {158, 29}, {159, 30}, {162, 32},
                                          {767, 33}, {891, 34}, {892, 35}, {901, 35}};
    for (auto [version, count] : blocks) {
        m.RegisterFields(version);
        EXPECT_EQ(m.Fields().Size(), count) << version;
    }
    // A version-157 file lacks mirror angle, distance unit, keep facing,
    // anime choice, charge target, unit and reference point.
    std::vector<Stored> old = kMove901;
    for (int member : {35, 34, 28, 22, 14, 13, 5}) old.erase(old.begin() + (member - 1));
    WriteHostFile("old.dat", RecordFile(157, old));
    cEdMove r;
    ASSERT_EQ(r.LoadFile("old.dat"), 1);
    EXPECT_EQ(r.m_cUseX, 0);
    EXPECT_EQ(r.m_cEndOnArrival, 0);
    EXPECT_EQ(r.m_dReverseFactor, 2.5);
    EXPECT_EQ(r.m_cMirrorAngle, 0);  // upgraded, though a new record has 1
    EXPECT_EQ(r.m_cTarget, 0);
    EXPECT_EQ(r.Fields().Size(), 35);  // the current layout again after the read
}

TEST_F(MoveShotTest, NewMoveRecordHasItsDefaultsAndSetDefaultRestoresThem) {
    boost::shared_ptr<cEdMove> p;
    MakeEdMove(p);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->m_sSpeed, 10);
    EXPECT_EQ(p->m_dReverseFactor, 1.0);
    EXPECT_EQ(p->m_cUseX + p->m_cUseY + p->m_cEndOnArrival + p->m_cMirrorAngle + p->m_cMirrorX + p->m_cTurnBack, 6);
    EXPECT_EQ(p->m_cMirrorY, 0);
    EXPECT_EQ(p->m_sAngle, 0);
    EXPECT_EQ(p->m_cAnime, 0);
    p->m_sSpeed = 3;
    p->m_cMirrorX = 0;
    p->m_sDistance = 7;
    p->m_dReverseFactor = 0;
    p->SetDefault();
    EXPECT_EQ(p->m_sSpeed, 10);
    EXPECT_EQ(p->m_cMirrorX, 1);
    EXPECT_EQ(p->m_sDistance, 0);
    EXPECT_EQ(p->m_dReverseFactor, 1.0);
}

struct MoveUpgradeCase {
    int version;
    int8_t anime;         // stored anime choice (where the version stores it)
    int8_t expectAnime;
    int8_t expectMirror;  // mirror angle after the read; 1 is stored
    int8_t expectKeep;    // keep facing after the read; 1 is stored
    int8_t expectUnit;    // distance unit after the read; 1 is stored
};

TEST_F(MoveShotTest, OlderMoveRecordsAreUpgradedByVersion) {
    const MoveUpgradeCase cases[] = {
        {157, 1, 0, 0, 0, 0},  // nothing of these stored yet
        {158, 1, 0, 1, 0, 0},
        {159, 1, 0, 1, 0, 1},
        {161, 1, 0, 1, 0, 1},
        {162, 1, 2, 1, 1, 1},  // the standing anime was the command's own
        {700, 1, 2, 1, 1, 1},
        {700, 0, 0, 1, 1, 1},
        {700, 2, 2, 1, 1, 1},
        {829, 1, 2, 1, 1, 1},
        {830, 1, 1, 1, 1, 1},
        {901, 1, 1, 1, 1, 1},
    };
    for (const MoveUpgradeCase& c : cases) {
        SCOPED_TRACE(c.version);
        cEdMove src;
        src.m_cAnime = c.anime;
        src.m_cMirrorAngle = 1;
        src.m_cKeepFacing = 1;
        src.m_cDistUnit = 1;
        src.m_sSpeed = 77;
        SaveAtVersion(src, c.version, "m.dat");
        // Read in place into a record whose unstored members hold 1: the
        // upgrade, not the previous value, decides them.
        cEdMove r;
        r.m_cAnime = 1;
        r.m_cKeepFacing = 1;
        r.m_cDistUnit = 1;
        ASSERT_EQ(r.LoadFile("m.dat"), 1);
        EXPECT_EQ(r.m_cAnime, c.expectAnime);
        EXPECT_EQ(r.m_cMirrorAngle, c.expectMirror);
        EXPECT_EQ(r.m_cKeepFacing, c.expectKeep);
        EXPECT_EQ(r.m_cDistUnit, c.expectUnit);
        EXPECT_EQ(r.m_sSpeed, 77);
    }
}

// ---- the shot record ----

// Members by number with their width, in file order: the range comes before
// its switch, the spare switches before the summon members.
const std::vector<std::pair<int, int>> kShotFileOrder = {
    {1, 1},  {2, 1},  {3, 2},  {4, 1},  {5, 1},  {6, 1},  {7, 1},  {8, 2},  {9, 2},  {10, 1}, {11, 2},
    {12, 1}, {13, 1}, {14, 2}, {15, 2}, {16, 2}, {17, 2}, {18, 1}, {19, 1}, {20, 2}, {21, 1}, {22, 1},
    {23, 1}, {24, 1}, {25, 1}, {26, 1}, {27, 1}, {28, 1}, {29, 2}, {30, 1}, {31, 1}, {32, 2}, {33, 2},
    {34, 1}, {35, 2}, {36, 2}, {38, 2}, {37, 1}, {39, 2}, {40, 1}, {41, 1}, {42, 2}, {43, 2}, {44, 1},
    {45, 1}, {46, 1}, {47, 1}, {48, 1}, {49, 4}, {50, 2}, {51, 1}, {52, 2}, {53, 1}, {54, 2}, {55, 1},
    {59, 1}, {60, 1}, {56, 1}, {57, 2}, {58, 1}, {61, 1}, {62, 1}, {63, 1}, {64, 1},
};

// The bytes of a version-901 shot record in which each member holds a value
// derived from its number (bytes: the number, shorts: 100 x the number,
// arrays: + the element); the effect is 1, inside the two Effect entries.
std::string ShotFile901() {
    std::string blocks;
    for (auto [member, size] : kShotFileOrder) {
        int n = (member == 3 || member == 29) ? 3 : 1;
        for (int i = 0; i < n; ++i) {
            int64_t v = size == 1 ? member : size == 2 ? member * 100 + i : member * 100000;
            if (member == 52) v = 1;
            blocks += Le(v, size);
        }
    }
    return Le(901, 4) + Le(64, 4) + blocks + Le(0, 4);
}

// Where a member's first byte lies in ShotFile901.
size_t ShotByte(int member) {
    size_t at = 8;
    for (auto [m, size] : kShotFileOrder) {
        if (m == member) return at;
        at += size_t(size) * ((m == 3 || m == 29) ? 3 : 1);
    }
    return 0;
}

TEST_F(MoveShotTest, ShotRecordFromTheFileTableLoadsAndIsWrittenByteForByte) {
    ASSERT_EQ(kShotFileOrder.size(), 64u);
    std::string bytes = ShotFile901();
    WriteHostFile("shot.dat", bytes);
    cEdShot s;
    ASSERT_EQ(s.LoadFile("shot.dat"), 1);
    EXPECT_EQ(s.m_cCount, 1);
    EXPECT_EQ(s.m_sFormParam[0], 300);
    EXPECT_EQ(s.m_sFormParam[2], 302);
    EXPECT_EQ(s.m_cFormCentre, 4);
    EXPECT_EQ(s.m_cAimSlot, 7);
    EXPECT_EQ(s.m_sOffsetYInc, 1700);
    EXPECT_EQ(s.m_cGiantScale, 26);
    EXPECT_EQ(s.m_cReserved27, 27);
    EXPECT_EQ(s.m_cMoveKind, 28);
    EXPECT_EQ(s.m_sMoveParam[1], 2901);
    EXPECT_EQ(s.m_cShotTarget, 30);
    EXPECT_EQ(s.m_sAccelInc, 3600);
    EXPECT_EQ(s.m_cRangeOn, 37);
    EXPECT_EQ(s.m_sRange, 3800);
    EXPECT_EQ(s.m_sRangeInc, 3900);
    EXPECT_EQ(s.m_cPierceBlockCharas, 46);
    EXPECT_EQ(s.m_nPower, 4900000);
    EXPECT_EQ(s.m_sReserved50, 5000);
    EXPECT_EQ(s.m_sEffect, 1);
    EXPECT_EQ(s.m_cBlockMode, 55);
    EXPECT_EQ(s.m_cSummonPalette, 56);
    EXPECT_EQ(s.m_sSummonIndex, 5700);
    EXPECT_EQ(s.m_cSummonGroup, 58);
    EXPECT_EQ(s.m_cSpareHero, 59);
    EXPECT_EQ(s.m_cSpareCharas, 60);
    EXPECT_EQ(s.m_cNoScore, 61);
    EXPECT_EQ(s.m_cTriggerFlowId, 64);
    ASSERT_EQ(s.SaveFile("out.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("out.dat")), Hex(bytes));

    // A copy holds every member and writes the same bytes.
    cEdShot copy(s);
    ASSERT_EQ(copy.SaveFile("copy.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("copy.dat")), Hex(bytes));
    cEdShot assigned;
    assigned = s;
    ASSERT_EQ(assigned.SaveFile("assigned.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("assigned.dat")), Hex(bytes));
}

TEST_F(MoveShotTest, ShotRecordLayoutFollowsTheVersionGates) {
    cEdShot s;
    const std::pair<int, int> blocks[] = {{157, 52}, {158, 53}, {197, 54}, {211, 55}, {213, 58},
                                          {636, 59}, {671, 60}, {762, 62}, {767, 64}, {901, 64}};
    for (auto [version, count] : blocks) {
        s.RegisterFields(version);
        EXPECT_EQ(s.Fields().Size(), count) << version;
    }
}

TEST_F(MoveShotTest, NewShotRecordHasItsDefaults) {
    boost::shared_ptr<cEdShot> p;
    MakeEdShot(p);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->m_cUserGroup, 1);
    EXPECT_EQ(p->m_cMirrorAngle, 1);
    EXPECT_EQ(p->m_cMirrorOffsetX, 1);
    EXPECT_EQ(p->m_cMirrorOffsetY, 0);
    EXPECT_EQ(p->m_cGiantScale, 1);
    EXPECT_EQ(p->m_cCount, 0);
    EXPECT_EQ(p->m_sRange, 0);
    EXPECT_EQ(p->m_sFormParam[2], 0);
}

struct ShotUpgradeCase {
    int version;
    std::function<void(cEdShot&)> stored;
    std::function<void(const cEdShot&)> check;
};

TEST_F(MoveShotTest, OlderShotRecordsAreUpgradedByVersion) {
    const ShotUpgradeCase cases[] = {
        {157, [](cEdShot&) {}, [](const cEdShot& s) { EXPECT_EQ(s.m_cMirrorAngle, 0); }},
        {158, [](cEdShot&) {}, [](const cEdShot& s) { EXPECT_EQ(s.m_cMirrorAngle, 1); }},
        {196, [](cEdShot& s) { s.m_cSpareHero = 1; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cSpareCharas, 1); }},
        {197, [](cEdShot& s) { s.m_cSpareHero = 1; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cSpareCharas, 0); }},
        {210, [](cEdShot& s) { s.m_cMoveKind = 6; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cFollowScroll, 1); }},
        {210, [](cEdShot& s) { s.m_cMoveKind = 4; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cFollowScroll, 1); }},
        {210, [](cEdShot& s) { s.m_cMoveKind = 8; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cFollowScroll, 0); }},
        {210, [](cEdShot& s) { s.m_cMoveKind = 3; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cFollowScroll, 0); }},
        // 211 stores the switch, yet its value is taken from the kind.
        {211, [](cEdShot& s) { s.m_cMoveKind = 5; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cFollowScroll, 1); }},
        {211,
         [](cEdShot& s) {
             s.m_cMoveKind = 0;
             s.m_cFollowScroll = 1;
         },
         [](const cEdShot& s) { EXPECT_EQ(s.m_cFollowScroll, 0); }},
        {212, [](cEdShot& s) { s.m_cMoveKind = 7; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cFollowScroll, 0); }},
        {212,
         [](cEdShot& s) {
             s.m_cMoveKind = 0;
             s.m_cFollowScroll = 1;
         },
         [](const cEdShot& s) {
             EXPECT_EQ(s.m_cFollowScroll, 1);
             EXPECT_EQ(s.m_cAccelOn + s.m_sAccel + s.m_sAccelInc, 0);
         }},
        {213,
         [](cEdShot& s) {
             s.m_cAccelOn = 1;
             s.m_sAccel = -5;
             s.m_sAccelInc = 2;
         },
         [](const cEdShot& s) {
             EXPECT_EQ(s.m_cAccelOn, 1);
             EXPECT_EQ(s.m_sAccel, -5);
             EXPECT_EQ(s.m_sAccelInc, 2);
         }},
        {600, [](cEdShot& s) { s.m_cPierceCharas = 1; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cPierceBlockCharas, 1); }},
        {636, [](cEdShot& s) { s.m_cPierceCharas = 1; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cPierceBlockCharas, 0); }},
        {670, [](cEdShot&) {}, [](const cEdShot& s) { EXPECT_EQ(s.m_cFormCentre, 0); }},
        {671, [](cEdShot& s) { s.m_cFormCentre = 2; }, [](const cEdShot& s) { EXPECT_EQ(s.m_cFormCentre, 2); }},
        {761, [](cEdShot&) {}, [](const cEdShot& s) { EXPECT_EQ(s.m_cCreditUser, 1); }},  // not stored: kept
        {901,
         [](cEdShot& s) {
             s.m_cMoveKind = 6;
             s.m_cPierceCharas = 1;
             s.m_cSpareHero = 1;
         },
         [](const cEdShot& s) {
             EXPECT_EQ(s.m_cFollowScroll, 0);
             EXPECT_EQ(s.m_cPierceBlockCharas, 0);
             EXPECT_EQ(s.m_cSpareCharas, 0);
         }},
    };
    for (const ShotUpgradeCase& c : cases) {
        SCOPED_TRACE(c.version);
        cEdShot src;
        c.stored(src);
        SaveAtVersion(src, c.version, "s.dat");
        // Read in place over values the older files cannot hold.
        cEdShot r;
        r.m_cFormCentre = 2;
        r.m_cAccelOn = 1;
        r.m_sAccel = 9;
        r.m_sAccelInc = 9;
        r.m_cCreditUser = 1;
        ASSERT_EQ(r.LoadFile("s.dat"), 1);
        c.check(r);
    }
}

TEST_F(MoveShotTest, GiantScaleAndEffectAreRepairedOnReadAndWrite) {
    // Read: giant scale 0 and effect 2 (past the two entries) from a file.
    std::string bytes = ShotFile901();
    ASSERT_EQ(bytes[ShotByte(26)], 26);
    bytes[ShotByte(26)] = 0;
    ASSERT_EQ(bytes[ShotByte(52)], 1);
    bytes[ShotByte(52)] = 2;
    WriteHostFile("shot.dat", bytes);
    cEdShot s;
    ASSERT_EQ(s.LoadFile("shot.dat"), 1);
    EXPECT_EQ(s.m_cGiantScale, 1);
    EXPECT_EQ(s.m_sEffect, 0);

    // Write: the record itself is repaired before its bytes go out.
    struct Case {
        int8_t giant;
        int16_t effect;
        int8_t expectGiant;
        int16_t expectEffect;
    };
    const Case cases[] = {{-3, -1, 1, 0}, {0, 2, 1, 0}, {1, 1, 1, 1}, {127, 0, 127, 0}, {-128, -32768, 1, 0}};
    for (const Case& c : cases) {
        cEdShot w;
        w.m_cGiantScale = c.giant;
        w.m_sEffect = c.effect;
        ASSERT_EQ(w.SaveFile("w.dat"), 1);
        EXPECT_EQ(w.m_cGiantScale, c.expectGiant);
        EXPECT_EQ(w.m_sEffect, c.expectEffect);
        cEdShot back;
        ASSERT_EQ(back.LoadFile("w.dat"), 1);
        EXPECT_EQ(back.m_cGiantScale, c.expectGiant);
        EXPECT_EQ(back.m_sEffect, c.expectEffect);
    }

    // The Effect count is the database's as it stands.
    g_Database.m_vEffect.resize(5);
    cEdShot big;
    big.m_sEffect = 4;
    big.Validate();
    EXPECT_EQ(big.m_sEffect, 4);
}

TEST_F(MoveShotTest, BrokenShotFileIsRefusedAndLeavesAUsableRecord) {
    std::string bytes = ShotFile901();
    for (size_t cut : {size_t{6}, size_t{40}, bytes.size() - 1}) {
        WriteHostFile("cut.dat", bytes.substr(0, cut));
        cEdShot s;
        EXPECT_EQ(s.LoadFile("cut.dat"), 0) << cut;
        EXPECT_GE(s.m_cGiantScale, 1);
        EXPECT_EQ(s.Fields().Size(), 64);
    }
}

TEST_F(MoveShotTest, OffsetsGrowPerCloneAndMirrorForFacingRight) {
    struct Case {
        int16_t base, inc;
        int8_t mirror;
        int i, facing;
        double expect;
    };
    const Case cases[] = {
        {10, 4, 1, 3, 1, -22}, {10, 4, 1, 3, 0, 22}, {10, 4, 0, 3, 1, 22},
        {5, -2, 1, 2, 1, -1},  {0, 0, 1, 0, 1, 0},   {-32768, -32768, 0, 100, 0, -32768.0 * 101},
    };
    for (const Case& c : cases) {
        cEdShot s;
        s.m_sOffsetX = s.m_sOffsetY = c.base;
        s.m_sOffsetXInc = s.m_sOffsetYInc = c.inc;
        s.m_cMirrorOffsetX = s.m_cMirrorOffsetY = c.mirror;
        EXPECT_EQ(s.GetOffsetX(c.i, c.facing), c.expect);
        EXPECT_EQ(s.GetOffsetY(c.i, c.facing), c.expect);
    }
    // Each axis has its own mirror switch: a new record mirrors X only.
    cEdShot d;
    d.m_sOffsetX = d.m_sOffsetY = 8;
    EXPECT_EQ(d.GetOffsetX(0, 1), -8);
    EXPECT_EQ(d.GetOffsetY(0, 1), 8);
}

}  // namespace
