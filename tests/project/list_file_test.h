// Lists of records read from and written to data files in a fresh folder,
// and data-file bytes spelled out field by field for the fixtures.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/record_file.h"
#include "project/condition.h"
#include "project/database.h"
#include "project/database_fixtures.h"
#include "support/logged_test.h"
#include "support/test_support.h"

namespace projtest {

// The fields of database_fixtures.h appended in file order.
struct Bytes {
    std::string s;
    Bytes& I32(int32_t v) { return Add(dbfix::I32(v)); }
    Bytes& I16(int16_t v) { return Add(dbfix::I16(v)); }
    Bytes& I8(int8_t v) { return Add(dbfix::I8(v)); }
    Bytes& Str(const std::string& text) { return Add(dbfix::Str(text)); }
    // A record of int32 numbers and strings, nothing after.
    Bytes& Rec(std::initializer_list<int32_t> numbers, std::initializer_list<std::string> strings) {
        std::vector<std::string> blocks;
        for (int32_t n : numbers) blocks.push_back(dbfix::I32(n));
        return Add(dbfix::Record(blocks, strings));
    }
    Bytes& Add(const std::string& bytes) {
        s += bytes;
        return *this;
    }
};

class ListFileTest : public orvtest::LoggedTest {
protected:
    // Writes the bytes as a file and reads it with read(file).
    template <class Read>
    bool LoadBytes(const std::string& bytes, Read read) {
        orvtest::WriteHostFile("in.dat", bytes);
        DataFile* file = OpenDataFile("in.dat");
        if (!file) return false;
        bool ok = read(file);
        return CloseDataFile(file) == 1 && ok;
    }
    // The bytes that write(file) leaves in a new file, version word included.
    template <class Write>
    std::string SaveBytes(Write write) {
        DataFile* file = CreateDataFile("out.dat");
        EXPECT_TRUE(write(file));
        EXPECT_EQ(CloseDataFile(file), 1);
        return orvtest::ReadHostFile("out.dat");
    }
};

// Database lists: a count of 0 or less keeps what the list holds.
class DbListTest : public ListFileTest {
public:
    // A database file: version word, entry count, records.
    template <class R>
    bool Load(const std::string& bytes, cVector<R>& list) {
        return LoadBytes(bytes, [&](DataFile* file) { return ReadDbList(list, file); });
    }
    template <class R>
    std::string Save(cVector<R>& list) {
        return SaveBytes([&](DataFile* file) { return WriteRecords(list, file); });
    }
};

// Lists of conditions, commands and flows: reading empties the list first.
class FlowListTest : public ListFileTest {
protected:
    // A data file of that version holding a counted list of records.
    template <class R>
    bool Load(int version, const std::vector<std::string>& records, cVector<R>& out) {
        return LoadBytes(dbfix::I32(version) + dbfix::Counted(records),
                         [&](DataFile* file) { return ReadRecordVector(out, file); });
    }
    // The list as written, without the version word.
    template <class R>
    std::string Save(cVector<R>& list) {
        return SaveBytes([&](DataFile* file) { return WriteRecordVector(list, file); }).substr(4);
    }
};

}  // namespace projtest
