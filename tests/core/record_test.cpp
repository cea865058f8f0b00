#include "core/record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "core/record_file.h"
#include "platform/messages.h"
#include "support/logged_test.h"
#include "support/test_support.h"

using orvtest::Hex;
using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

namespace {

// An int, a byte, a member stored from 676, a short, a double, two strings,
// a member that is never stored, and a raw counted list in its tail.
class SampleRecord : public cRecord {
public:
    int32_t m_nInt = 0;
    uint8_t m_bByte = 0;
    int32_t m_nLate = 0;
    int16_t m_sShort = 0;
    double m_dValue = 0;
    std::string m_strA, m_strB;
    int32_t m_nLoose = 7;
    cVector<int32_t> m_vList;
    bool m_bFailWrite = false;

    SampleRecord() {
        Clear();
        m_nLate = 5;
    }
    void RegisterFields(int version) override {
        ClearFields();
        AddInt(&m_nInt);
        AddByte(&m_bByte);
        if (StoredFrom(version, 676)) AddInt(&m_nLate);
        AddShort(&m_sShort);
        AddDouble(&m_dValue);
        AddString(&m_strA);
        AddString(&m_strB);
    }
    bool Read(DataFile* file) override { return cRecord::Read(file) && ReadVector(m_vList, file); }
    bool Write(DataFile* file) override {
        return cRecord::Write(file) && WriteVector(m_vList, file) && !m_bFailWrite;
    }
};

// All its data in its tail: a counted list of records and a loose string.
class HolderRecord : public cRecord {
public:
    cVector<SampleRecord> m_vItem;
    std::string m_strNote;
    void RegisterFields(int) override { RegisterNoFields(); }
    bool Read(DataFile* file) override {
        return cRecord::Read(file) && ReadRecords(m_vItem, file) && ReadString(m_strNote, file);
    }
    bool Write(DataFile* file) override {
        return cRecord::Write(file) && WriteRecords(m_vItem, file) && WriteString(m_strNote, file);
    }
};

// Built by static initialisation, before main.
SampleRecord g_early;

std::string Bytes(const std::string& hex) { return orvtest::FromHex(hex); }

// Written from the format tables, not by our writer: version 901, five
// blocks (int 0x12345678, byte AB, int 42, short -2, double 1.5), two
// strings ("ab", empty), then the tail list {7, -7}.
const std::string kBlocks901 = "05 00 00 00  78 56 34 12  AB  2A 00 00 00  FE FF  00 00 00 00 00 00 F8 3F";
const std::string kRest = "02 00 00 00  03 00 00 00 61 62 00  01 00 00 00  02 00 00 00 07 00 00 00 F9 FF FF FF";
const std::string kFile901 = Bytes("85 03 00 00 " + kBlocks901 + kRest);
// The same at version 675: the late member is not in the file.
const std::string kFile675 = Bytes("A3 02 00 00  04 00 00 00  78 56 34 12  AB  FE FF  00 00 00 00 00 00 F8 3F" + kRest);

class RecordTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        g_StripCR = 0;
    }
    void TearDown() override {
        LoggedTest::TearDown();
        g_StripCR = 0;
    }
    std::vector<std::string> LogLines() {
        std::vector<std::string> lines;
        std::string log = ReadHostFile("Report_Game.txt");
        for (size_t at = 0, end; (end = log.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(log.substr(at, end - at));
        return lines;
    }
    size_t Closes() { return plat::PendingWindowMessages(window); }
    // The file cut to its first size bytes loads as R to a broken file with
    // one report line.
    template <class R>
    void ExpectCutIsBroken(const std::string& file, size_t size) {
        SCOPED_TRACE(size);
        orvtest::WriteHostFile("Report_Game.txt", "");
        WriteHostFile("cut.dat", file.substr(0, size));
        R cut;
        EXPECT_EQ(cut.LoadFile("cut.dat"), 0);
        EXPECT_EQ(LogLines().size(), 1u);
    }
};

}  // namespace

TEST_F(RecordTest, RegistrationFollowsTheVersionGates) {
    SampleRecord r;
    r.RegisterFields(675);
    EXPECT_EQ(r.Fields().Size(), 4);
    r.RegisterFields(676);
    ASSERT_EQ(r.Fields().Size(), 5);
    EXPECT_EQ(r.Fields()[2].data, &r.m_nLate);
    EXPECT_EQ(r.Fields()[2].size, 4);
    EXPECT_EQ(r.Fields()[3].size, 2);
    EXPECT_EQ(r.Fields()[4].size, 8);
    EXPECT_EQ(r.Strings().Size(), 2);
    // Records built before start-up already have the whole layout.
    EXPECT_EQ(g_early.Fields().Size(), 5);
    HolderRecord none;
    none.RegisterFields(901);
    EXPECT_TRUE(none.Fields().empty());
    EXPECT_TRUE(none.Strings().empty());
}

TEST_F(RecordTest, ClearZeroesRegisteredMembersOnly) {
    SampleRecord r;
    r.RegisterFields(675);
    r.m_nLate = 5;
    r.m_strA = "x";
    r.m_nLoose = 3;
    r.Clear();  // registers for the current version first
    EXPECT_EQ(r.m_nLate, 0);
    EXPECT_EQ(r.m_strA, "");
    EXPECT_EQ(r.m_nLoose, 3);
}

TEST_F(RecordTest, CopiesKeepTheirOwnDescriptors) {
    SampleRecord a;
    a.m_nInt = 1;
    a.m_strB = "src";
    a.m_nLoose = 11;
    SampleRecord b;
    b = a;
    EXPECT_EQ(b.m_nInt, 1);
    EXPECT_EQ(b.m_strB, "src");
    EXPECT_EQ(b.Fields()[0].data, &b.m_nInt);
    *static_cast<int32_t*>(b.Fields()[0].data) = 2;
    *b.Strings()[1].str = "copy";
    EXPECT_EQ(a.m_nInt, 1);
    EXPECT_EQ(a.m_strB, "src");

    SampleRecord c;
    c.m_nLoose = 99;
    c.CopyFrom(a);
    EXPECT_EQ(c.m_nInt, 1);
    EXPECT_EQ(c.m_strB, "src");
    EXPECT_EQ(c.m_nLoose, 99);  // not registered, not copied

    // A copy-constructed record points at nothing of the source.
    SampleRecord d(a);
    for (const RECORDFIELD& f : d.Fields()) EXPECT_EQ(f.owner, &d);
    d.Clear();
    EXPECT_EQ(a.m_nInt, 1);

    // Nor does a moved record, nor the records of a list that grew by
    // moving them.
    static_assert(std::is_nothrow_move_constructible_v<SampleRecord>);
    cVector<SampleRecord> list;
    for (int i = 0; i < 40; ++i) {
        list.emplace_back().m_nInt = i;
        list.back().m_strA = std::string(40, static_cast<char>('a' + i % 26));
    }
    SampleRecord moved(std::move(list[3]));
    for (const RECORDFIELD& f : moved.Fields()) EXPECT_EQ(f.owner, &moved);
    moved.m_nInt = 77;
    ASSERT_EQ(moved.SaveFile("moved.dat"), 1);
    SampleRecord back;
    ASSERT_EQ(back.LoadFile("moved.dat"), 1);
    EXPECT_EQ(back.m_nInt, 77);
    EXPECT_EQ(back.m_strA, std::string(40, 'd'));
    for (int i = 0; i < list.Size(); ++i) {
        EXPECT_EQ(list.At(i).Fields()[0].data, &list.At(i).m_nInt);
        list.At(i).Clear();
    }
    EXPECT_EQ(back.m_nInt, 77);
}

namespace {
// Only ever registered by the threads of the test below.
class ThreadedRecord : public cRecord {
public:
    int8_t m_c[40] = {};
    std::string m_str;
    void RegisterFields(int version) override {
        ClearFields();
        for (int i = 0; i < 40; ++i)
            if (StoredFrom(version, 100 + i)) AddByte(&m_c[i]);
        AddString(&m_str);
    }
};
}  // namespace

TEST_F(RecordTest, LayoutsAreMadeOnceWhicheverThreadComesFirst) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&wrong, t] {
            for (int i = 0; i < 400; ++i) {
                const int version = 100 + (i * 7 + t) % 40;
                ThreadedRecord r;
                r.RegisterFields(version);
                ThreadedRecord copy(r);
                copy.m_c[0] = 5;
                copy.Clear();
                const int blocks = version - 99;
                if (r.Fields().Size() != blocks || r.Strings().Size() != 1 || copy.m_c[0] != 0 ||
                    copy.Fields().Size() != 40 || r.Fields()[blocks - 1].data != &r.m_c[blocks - 1])
                    ++wrong;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(wrong, 0);
}

TEST_F(RecordTest, FileBuiltFromTheFormatTablesLoadsAndIsWrittenByteForByte) {
    WriteHostFile("rec.dat", kFile901);
    SampleRecord r;
    ASSERT_EQ(r.LoadFile("rec.dat"), 1);
    EXPECT_EQ(g_FileVersion, 901);
    EXPECT_EQ(r.m_nInt, 0x12345678);
    EXPECT_EQ(r.m_bByte, 0xAB);
    EXPECT_EQ(r.m_nLate, 42);
    EXPECT_EQ(r.m_sShort, -2);
    EXPECT_EQ(r.m_dValue, 1.5);
    EXPECT_EQ(r.m_strA, "ab");
    EXPECT_EQ(r.m_strB, "");
    EXPECT_EQ(r.m_vList, (cVector<int32_t>{7, -7}));
    ASSERT_EQ(r.SaveFile("out.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("out.dat")), Hex(kFile901));
    EXPECT_TRUE(LogLines().empty());
}

namespace {
// A 32-bit member, three 16-bit members in one block, one string.
class TableExample : public cRecord {
public:
    int32_t m_n = 0x01020304;
    int16_t m_s[3] = {5, 6, 7};
    std::string m_str = "ab";
    void RegisterFields(int) override {
        ClearFields();
        AddInt(&m_n);
        AddShort(m_s, 3);
        AddString(&m_str);
    }
};
}  // namespace

TEST_F(RecordTest, ArrayIsOneBlockAndTheExampleIs25Bytes) {
    TableExample r;
    ASSERT_EQ(r.SaveFile("ex.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("ex.dat")),
              Hex(Bytes("85 03 00 00 02 00 00 00 04 03 02 01 05 00 06 00 07 00 01 00 00 00 03 00 00 00 61 62 00")));
}

TEST_F(RecordTest, OlderFileKeepsNewerMembersAndIsSavedInTheCurrentLayout) {
    WriteHostFile("old.dat", kFile675);
    SampleRecord r;
    r.m_nLate = 99;
    ASSERT_EQ(r.LoadFile("old.dat"), 1);
    EXPECT_EQ(g_FileVersion, 675);
    EXPECT_EQ(r.m_nLate, 99);
    EXPECT_EQ(r.m_sShort, -2);
    EXPECT_EQ(r.m_dValue, 1.5);
    EXPECT_EQ(r.Fields().Size(), 5);
    r.m_nLate = 42;
    ASSERT_EQ(r.SaveFile("new.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("new.dat")), Hex(kFile901));
}

TEST_F(RecordTest, VersionWordDecidesWhatIsRead) {
    struct Case {
        const char* word;
        const std::string& file;
        int loaded;
        int tooNew;
    } cases[] = {{"86 03 00 00", kFile901, 0, 1},
                 {"FF FF FF FF", kFile901, 0, 1},
                 {"85 03 00 00", kFile901, 1, 0},
                 {"00 00 00 00", kFile675, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        WriteHostFile("v.dat", Bytes(c.word) + c.file.substr(4));
        SampleRecord r;
        r.m_nInt = 5;
        g_FileTooNew = 1 - c.tooNew;
        int loaded = r.LoadFile("v.dat");
        EXPECT_EQ(loaded, c.loaded);
        EXPECT_EQ(g_FileTooNew, c.tooNew);
        if (c.loaded) continue;
        EXPECT_EQ(r.m_nInt, 5);
    }
    EXPECT_TRUE(LogLines().empty());
}

TEST_F(RecordTest, MissingFileAndEmptyPath) {
    SampleRecord r;
    r.m_nInt = 3;
    EXPECT_EQ(r.LoadFile("nothing.dat"), 0);
    EXPECT_EQ(r.LoadFile(""), 0);
    EXPECT_EQ(r.m_nInt, 3);
    WriteHostFile("err", kFile901);
    EXPECT_EQ(r.LoadFile(""), 1);  // an empty path names "err"
    EXPECT_EQ(r.m_nInt, 0x12345678);
    EXPECT_TRUE(LogLines().empty());

    // A missing file after one refused as too new is not "too new" itself.
    WriteHostFile("new.dat", Bytes("86 03 00 00") + kFile901.substr(4));
    EXPECT_EQ(r.LoadFile("new.dat"), 0);
    EXPECT_EQ(g_FileTooNew, 1);
    EXPECT_EQ(r.LoadFile("nothing.dat"), 0);
    EXPECT_EQ(g_FileTooNew, 0);
}

TEST_F(RecordTest, StringsAreCutAtNulAndStrippedOfCarriageReturns) {
    SampleRecord r;
    r.m_strA = std::string("a\0b", 3);
    ASSERT_EQ(r.SaveFile("s.dat"), 1);
    EXPECT_EQ(r.m_strA, "a");
    std::string file = ReadHostFile("s.dat");
    EXPECT_EQ(Hex(file.substr(4 + 4 + 19)), Hex(Bytes("02 00 00 00 02 00 00 00 61 00 01 00 00 00 00 00 00 00")));

    r.m_strA = "x\r\ny";
    ASSERT_EQ(r.SaveFile("cr.dat"), 1);
    g_StripCR = 1;
    SampleRecord back;
    ASSERT_EQ(back.LoadFile("cr.dat"), 1);
    EXPECT_EQ(back.m_strA, "x\ny");

    // A length word whose bytes hold no NUL gives just those bytes.
    std::string noNul = kFile901;
    noNul.replace(4 + 4 + 19 + 4 + 4, 3, "abc");
    WriteHostFile("nonul.dat", noNul);
    ASSERT_EQ(back.LoadFile("nonul.dat"), 1);
    EXPECT_EQ(back.m_strA, "abc");
}

TEST_F(RecordTest, EveryTruncationIsABrokenFile) {
    for (size_t size = 0; size < kFile901.size(); ++size) ExpectCutIsBroken<SampleRecord>(kFile901, size);
}

TEST_F(RecordTest, CountsBeyondTheFileAreBrokenAndLeaveTheCurrentLayout) {
    const std::string blocks675 = "04 00 00 00  78 56 34 12  AB  FE FF  00 00 00 00 00 00 F8 3F";
    struct Case {
        const char* name;
        std::string body;  // after the version word 675
    } cases[] = {
        {"blocks", "FF FF FF 7F" + blocks675.substr(11)},
        {"strings", blocks675 + "FF FF FF 7F"},
        {"length", blocks675 + "01 00 00 00 FF FF FF 7F 61 00"},
        {"length 0", blocks675 + "01 00 00 00 00 00 00 00"},
        {"length negative", blocks675 + "01 00 00 00 FB FF FF FF"},
        {"list", blocks675 + "00 00 00 00 FF FF FF 7F 01 00 00 00"},
        {"list bytes", blocks675 + "00 00 00 00 03 00 00 00 01 00 00 00 02 00 00 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        orvtest::WriteHostFile("Report_Game.txt", "");
        WriteHostFile("bad.dat", Bytes("A3 02 00 00 " + c.body));
        SampleRecord r;
        EXPECT_EQ(r.LoadFile("bad.dat"), 0);
        EXPECT_EQ(LogLines().size(), 1u);
        EXPECT_EQ(r.Fields().Size(), 5);  // a later write has the current layout
    }
}

TEST_F(RecordTest, ListCountOfZeroOrLessLeavesTheList) {
    for (const char* count : {"00 00 00 00", "FF FF FF FF"}) {
        WriteHostFile("l.dat", kFile901.substr(0, kFile901.size() - 12) + Bytes(count));
        SampleRecord r;
        r.m_vList = {1, 2, 3};
        EXPECT_EQ(r.LoadFile("l.dat"), 1);
        EXPECT_EQ(r.m_vList.Size(), 3);
    }
}

TEST_F(RecordTest, SurplusBlocksAreReportedAndReadOverTheFirst) {
    // Six blocks for five registered: the sixth is read as the first.
    std::string body = "06" + kBlocks901.substr(2) + " 11 11 11 11 " + kRest;
    WriteHostFile("plus.dat", Bytes("85 03 00 00 " + body));
    SampleRecord r;
    EXPECT_EQ(r.LoadFile("plus.dat"), 1);
    EXPECT_EQ(r.m_nInt, 0x11111111);
    EXPECT_EQ(r.m_strA, "ab");
    auto lines = LogLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("err V[5] ( 5 , ", 0), 0u) << lines[0];
    EXPECT_EQ(Closes(), 1u);

    // With nothing registered there is no first block to read it by.
    orvtest::WriteHostFile("Report_Game.txt", "");
    WriteHostFile("none.dat", Bytes("85 03 00 00 01 00 00 00 11 11 11 11 00 00 00 00 00 00 00 00 01 00 00 00"));
    HolderRecord h;
    EXPECT_EQ(h.LoadFile("none.dat"), 0);
    EXPECT_EQ(LogLines().size(), 2u);  // the bad index, then the broken file
}

TEST_F(RecordTest, NestedRecordListsAndLooseStrings) {
    HolderRecord h;
    h.m_vItem.resize(2);
    h.m_vItem[0].m_nInt = 1;
    h.m_vItem[1].m_strB = "second";
    h.m_vItem[1].m_vList = {9};
    h.m_strNote = "note";
    ASSERT_EQ(h.SaveFile("h.dat"), 1);
    std::string file = ReadHostFile("h.dat");
    // Empty generic part, then the count of records.
    EXPECT_EQ(Hex(file.substr(0, 16)), Hex(Bytes("85 03 00 00 00 00 00 00 00 00 00 00 02 00 00 00")));
    EXPECT_EQ(Hex(file.substr(file.size() - 9)), Hex(Bytes("05 00 00 00 6E 6F 74 65 00")));

    HolderRecord back;
    back.m_vItem.resize(5);
    ASSERT_EQ(back.LoadFile("h.dat"), 1);
    ASSERT_EQ(back.m_vItem.Size(), 2);
    EXPECT_EQ(back.m_vItem[0].m_nInt, 1);
    EXPECT_EQ(back.m_vItem[1].m_strB, "second");
    EXPECT_EQ(back.m_vItem[1].m_vList, (cVector<int32_t>{9}));
    EXPECT_EQ(back.m_strNote, "note");
    for (const SampleRecord& s : back.m_vItem)
        for (const RECORDFIELD& f : s.Fields()) EXPECT_EQ(f.owner, &s);

    // New entries are cleared records: a member absent from an older file
    // is 0 there, not the class's constructor default.
    WriteHostFile("h675.dat", Bytes("A3 02 00 00 00 00 00 00 00 00 00 00 01 00 00 00") + kFile675.substr(4) +
                                  Bytes("01 00 00 00"));
    HolderRecord old;
    ASSERT_EQ(old.LoadFile("h675.dat"), 1);
    ASSERT_EQ(old.m_vItem.Size(), 1);
    EXPECT_EQ(old.m_vItem[0].m_nLate, 0);
    EXPECT_EQ(old.m_vItem[0].m_sShort, -2);
    EXPECT_EQ(old.m_vItem[0].m_vList, (cVector<int32_t>{7, -7}));
}

TEST_F(RecordTest, FailedSaveKeepsThePreviousFile) {
    WriteHostFile("keep.dat", "previous");
    SampleRecord r;
    r.m_bFailWrite = true;
    EXPECT_EQ(r.SaveFile("keep.dat"), 0);
    EXPECT_EQ(ReadHostFile("keep.dat"), "previous");
    EXPECT_FALSE(orvtest::HostFileExists("keep.dat.tmp"));
    EXPECT_EQ(r.SaveFile("no_folder\\x.dat"), 0);
    r.m_bFailWrite = false;
    ASSERT_EQ(r.SaveFile("keep.dat"), 1);
    EXPECT_EQ(ReadHostFile("keep.dat").size(), 43u);  // two empty strings, an empty list
}

TEST_F(RecordTest, PathsAreProgramPaths) {
    std::filesystem::create_directory("Sub");
    SampleRecord r;
    r.m_nInt = 12;
    ASSERT_EQ(r.SaveFile("sub\\Rec.dat"), 1);
    EXPECT_TRUE(orvtest::HostFileExists("Sub/Rec.dat"));
    SampleRecord back;
    ASSERT_EQ(back.LoadFile("SUB\\REC.DAT"), 1);
    EXPECT_EQ(back.m_nInt, 12);
}

namespace {
class ClampedRecord : public cRecord {
public:
    int32_t m_n = 0;
    void RegisterFields(int) override {
        ClearFields();
        AddInt(&m_n);
    }
    void Validate() { m_n = std::min(m_n, 10); }
    bool Read(DataFile* file) override { return ReadAndValidate(*this, file); }
    bool Write(DataFile* file) override { return ValidateAndWrite(*this, file); }
};
}  // namespace

TEST_F(RecordTest, ClassChecksRunAfterReadingAndBeforeWriting) {
    ClampedRecord r;
    r.m_n = 50;
    ASSERT_EQ(r.SaveFile("c.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("c.dat")), Hex(Bytes("85 03 00 00 01 00 00 00 0A 00 00 00 00 00 00 00")));
    WriteHostFile("c.dat", Bytes("85 03 00 00 01 00 00 00 63 00 00 00 00 00 00 00"));
    ASSERT_EQ(r.LoadFile("c.dat"), 1);
    EXPECT_EQ(r.m_n, 10);
}

namespace {
// Three colour bytes the editor stored either as three blocks or as one.
class TwoFormsRecord : public cRecord {
public:
    int32_t m_nBefore = 0;
    uint8_t m_bColour[3] = {};
    int32_t m_nAfter = 0;
    bool m_bOneBlock = false;
    void RegisterFields(int) override {
        ClearFields();
        AddInt(&m_nBefore);
        if (m_bOneBlock) {
            AddByte(m_bColour, 3);
        } else {
            AddByte(&m_bColour[0]);
            AddByte(&m_bColour[1]);
            AddByte(&m_bColour[2]);
        }
        AddInt(&m_nAfter);
    }
    void MatchBlockCount(int version, int32_t blocks) override {
        m_bOneBlock = blocks == 3;  // written in the three-block form
        RegisterFields(version);
    }
};

// The same class naming its forms: its lists are kept per form.
class NamedFormsRecord : public TwoFormsRecord {
public:
    static inline int s_registrations = 0;
    void RegisterFields(int version) override {
        ++s_registrations;
        TwoFormsRecord::RegisterFields(version);
    }
    void MatchBlockCount(int version, int32_t blocks) override {
        m_bOneBlock = blocks == 3;
        RegisterLayout(version);
    }
    int StoredForm() const override { return m_bOneBlock ? 1 : 0; }
};

// Both forms read into the same values and are written in the three-block
// form, also by a record made before any read; `rounds` times over.
template <class R>
void ExpectBothFormsRead(int rounds) {
    R early;  // made and registered before any record of its class was read
    early.Clear();
    const std::string tail = "  00 00 00 00";
    WriteHostFile("three.dat", Bytes("85 03 00 00  05 00 00 00  01 00 00 00  0A  0B  0C  02 00 00 00" + tail));
    WriteHostFile("one.dat", Bytes("85 03 00 00  03 00 00 00  01 00 00 00  0A 0B 0C  02 00 00 00" + tail));
    for (int round = 0; round < rounds; ++round) {
        for (const char* name : {"three.dat", "one.dat"}) {
            SCOPED_TRACE(name);
            R r;
            ASSERT_EQ(r.LoadFile(name), 1);
            EXPECT_EQ(r.m_nBefore, 1);
            EXPECT_EQ(r.m_bColour[0], 0x0A);
            EXPECT_EQ(r.m_bColour[2], 0x0C);
            EXPECT_EQ(r.m_nAfter, 2);
            ASSERT_EQ(r.SaveFile("out.dat"), 1);
            EXPECT_EQ(Hex(ReadHostFile("out.dat")), Hex(ReadHostFile("three.dat")));
        }
    }
    early.m_nBefore = 1;
    early.m_bColour[0] = 0x0A, early.m_bColour[1] = 0x0B, early.m_bColour[2] = 0x0C;
    early.m_nAfter = 2;
    ASSERT_EQ(early.SaveFile("early.dat"), 1);
    EXPECT_EQ(Hex(ReadHostFile("early.dat")), Hex(ReadHostFile("three.dat")));
}
}  // namespace

TEST_F(RecordTest, ReadTakesTheFormThatMatchesTheBlockCount) {
    ExpectBothFormsRead<TwoFormsRecord>(1);
    EXPECT_EQ(Closes(), 0u);
}

TEST_F(RecordTest, NamedFormsAreRegisteredOncePerForm) {
    const int before = NamedFormsRecord::s_registrations;
    ExpectBothFormsRead<NamedFormsRecord>(1);
    const int after = NamedFormsRecord::s_registrations;
    EXPECT_LE(after - before, 2);  // one for each form
    ExpectBothFormsRead<NamedFormsRecord>(3);
    EXPECT_EQ(NamedFormsRecord::s_registrations, after);
    EXPECT_EQ(Closes(), 0u);
}

TEST_F(RecordTest, LargeFilesAreReadWholeAndCutsAnywhereAreBroken) {
    // Far more than one piece of reading, with records across the seams.
    HolderRecord h;
    for (int i = 0; i < 6000; ++i) {
        SampleRecord& s = h.m_vItem.emplace_back();
        s.m_nInt = i;
        s.m_dValue = i * 0.5;
        s.m_strA = std::string(static_cast<size_t>(i % 37), 'x');
        s.m_vList = {i, -i};
    }
    h.m_strNote = "end";
    ASSERT_EQ(h.SaveFile("big.dat"), 1);
    const std::string bytes = ReadHostFile("big.dat");
    ASSERT_GT(bytes.size(), 4u * 65536u);
    HolderRecord back;
    ASSERT_EQ(back.LoadFile("big.dat"), 1);
    ASSERT_EQ(back.m_vItem.Size(), 6000);
    for (int i = 0; i < 6000; i += 997) {
        EXPECT_EQ(back.m_vItem.At(i).m_nInt, i);
        EXPECT_EQ(back.m_vItem.At(i).m_dValue, i * 0.5);
        EXPECT_EQ(back.m_vItem.At(i).m_strA.size(), static_cast<size_t>(i % 37));
        EXPECT_EQ(back.m_vItem.At(i).m_vList, (cVector<int32_t>{i, -i}));
    }
    EXPECT_EQ(back.m_strNote, "end");
    EXPECT_TRUE(LogLines().empty());

    for (size_t size : {size_t{65535}, size_t{65536}, size_t{65537}, size_t{131075}, bytes.size() - 1})
        ExpectCutIsBroken<HolderRecord>(bytes, size);
}
