#include "project/stage_clear.h"

#include <gtest/gtest.h>

#include <string>

#include "project/list_file_test.h"
#include "support/test_support.h"

namespace {

using projtest::Bytes;

class StageClearTest : public projtest::ListFileTest {
protected:
    template <class R>
    bool Load(const std::string& bytes, R& record) {
        return LoadBytes(bytes, [&](DataFile* file) { return record.Read(file); });
    }
    template <class R>
    std::string Save(R& record) {
        return SaveBytes([&](DataFile* file) { return record.Write(file); });
    }

    static cStageClearRecord Cleared(const char* path, const char* key, int keyed, int a, int b, int score) {
        cStageClearRecord r;
        r.m_strPath = path;
        r.m_strKey = key;
        r.m_nKeyed = keyed;
        r.m_nKeyA = a;
        r.m_nKeyB = b;
        r.m_nScore = score;
        return r;
    }
};

TEST_F(StageClearTest, RecordsOfOlderFilesTakeTheirPathAsKey) {
    const struct {
        int version;
        std::string record;
        std::string key;
        int keyed, a, b, score;
    } cases[] = {
        {901, Bytes().Rec({1, 12, 3, 4500}, {"stg4\\w1.stg4", "stg4\\w1._c012_3"}).s, "stg4\\w1._c012_3", 1, 12, 3, 4500},
        {759, Bytes().Rec({0, 0, 0, 70}, {"stg4\\w1.stg4", "w1."}).s, "w1.", 0, 0, 0, 70},
        {758, Bytes().Rec({70}, {"stg4\\w1.stg4"}).s, "stg4\\w1.stg4", 0, 0, 0, 70},
        {700, Bytes().Rec({900}, {"stg4\\w1.stg4"}).s, "stg4\\w1.stg4", 0, 0, 0, 900},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        // A record that held another stage before, as the entries of a
        // play record's list do.
        cStageClearRecord r = Cleared("old", "old key", 1, 8, 9, 5);
        ASSERT_TRUE(Load(Bytes().I32(c.version).s + c.record, r));
        EXPECT_EQ(r.m_strPath, "stg4\\w1.stg4");
        EXPECT_EQ(r.m_strKey, c.key);
        EXPECT_EQ(r.m_nKeyed, c.keyed);
        if (c.version >= kStageKeyFrom) {
            EXPECT_EQ(r.m_nKeyA, c.a);
            EXPECT_EQ(r.m_nKeyB, c.b);
        }
        EXPECT_EQ(r.m_nScore, c.score);
        // Whatever it was read from, it is written in the current layout.
        EXPECT_EQ(orvtest::Hex(Save(r)),
                  orvtest::Hex(Bytes().I32(901).Rec({r.m_nKeyed, r.m_nKeyA, r.m_nKeyB, r.m_nScore},
                                                    {"stg4\\w1.stg4", c.key}).s));
    }
}

TEST_F(StageClearTest, ANewRecordIsClear) {
    cStageClearRecord r;
    EXPECT_EQ(orvtest::Hex(Save(r)), orvtest::Hex(Bytes().I32(901).Rec({0, 0, 0, 0}, {"", ""}).s));
}

TEST_F(StageClearTest, AnAssignedRecordIsACopyOfItsOwn) {
    cStageClearRecord source = Cleared("stg4\\a.stg4", "a._c001_2", 1, 1, 2, 300);
    cStageClearRecord target;
    target = source;
    const std::string bytes = Save(source);
    // Changing or losing the source afterwards leaves the copy alone.
    source = Cleared("x", "y", 0, 0, 0, 1);
    EXPECT_EQ(orvtest::Hex(Save(target)), orvtest::Hex(bytes));

    cVector<cStageClearRecord> list(2), copy;
    list[1] = Cleared("stg4\\b.stg4", "b.", 0, 0, 0, 9);
    copy = list;
    list.clear();
    EXPECT_EQ(copy[1].m_strKey, "b.");
    EXPECT_EQ(orvtest::Hex(Save(copy[1])), orvtest::Hex(Bytes().I32(901).Rec({0, 0, 0, 9}, {"stg4\\b.stg4", "b."}).s));
}

class CarryStatusTest : public StageClearTest {
protected:
    static cCarryStatus Carried() {
        cCarryStatus c;
        c.m_Def.m_strName = "勇者";
        c.m_Def.m_nMaxHP = 250;
        c.m_Def.m_sCol = 4;
        c.m_nHP = 120;
        c.m_nSP = 30;
        c.m_nTime = 900;
        c.m_nLives = 3;
        c.m_nBgm = 2;
        return c;
    }
};

TEST_F(CarryStatusTest, StoredAsItsFiveNumbersThenTheWholeDefinition) {
    cCarryStatus c = Carried();
    const std::string def = SaveBytes([&](DataFile* file) { return c.m_Def.Write(file); }).substr(4);
    const std::string bytes = Save(c);
    EXPECT_EQ(orvtest::Hex(bytes), orvtest::Hex(Bytes().I32(901).Rec({120, 30, 900, 3, 2}, {}).s + def));

    cCarryStatus back;
    ASSERT_TRUE(Load(bytes, back));
    EXPECT_EQ(back.m_Def.m_strName, "勇者");
    EXPECT_EQ(back.m_Def.m_nMaxHP, 250);
    EXPECT_EQ(back.m_nTime, 900);
    EXPECT_EQ(back.m_nBgm, 2);
    EXPECT_EQ(orvtest::Hex(Save(back)), orvtest::Hex(bytes));

    // A file cut inside the definition is broken, not half taken as whole.
    cCarryStatus cut;
    EXPECT_FALSE(Load(bytes.substr(0, bytes.size() - 3), cut));
}

TEST_F(CarryStatusTest, AnAssignedStatusIsACopyOfItsOwn) {
    cCarryStatus source = Carried();
    cCarryStatus target;
    target = source;
    const std::string bytes = Save(source);
    source = cCarryStatus();
    EXPECT_EQ(orvtest::Hex(Save(target)), orvtest::Hex(bytes));
    // A default status keeps the definition's own defaults.
    EXPECT_EQ(source.m_Def.m_nMaxHP, cCharaDef().m_nMaxHP);
    EXPECT_EQ(source.m_nLives, 0);
}

}  // namespace
