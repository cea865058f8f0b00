// Arbitrary bytes loaded as a data file: a record with blocks of every
// width, version gates, strings, a counted list of nested records, raw
// counted lists and a loose string. Whatever loads must save, and the
// saved file must load back and save to the same bytes.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "core/record.h"
#include "core/record_file.h"

namespace {

using orvfuzz::Check;
using orvfuzz::FileBytes;

class LeafRecord : public cRecord {
public:
    int8_t m_c[3] = {};
    int16_t m_s = 0;
    uint8_t m_late = 0;
    int32_t m_n = 0;
    double m_d[2] = {};
    std::string m_str;
    cVector<int16_t> m_vRaw;

    LeafRecord() {
        Clear();
        m_late = 9;
    }
    void RegisterFields(int version) override {
        ClearFields();
        AddByte(m_c, 3);
        AddShort(&m_s);
        if (StoredFrom(version, 500)) AddByte(&m_late);
        AddInt(&m_n);
        AddDouble(m_d, 2);
        AddString(&m_str);
    }
    bool Read(DataFile* file) override { return cRecord::Read(file) && ReadVector(m_vRaw, file); }
    bool Write(DataFile* file) override { return cRecord::Write(file) && WriteVector(m_vRaw, file); }
};

class RootRecord : public cRecord {
public:
    int32_t m_n[2] = {};
    int16_t m_s = 0;
    uint8_t m_b = 0;
    double m_d = 0;
    int32_t m_from800 = 0;
    std::string m_a, m_b2, m_from300;
    cVector<LeafRecord> m_vLeaf;
    cVector<int32_t> m_vRaw;
    std::string m_strTail;

    RootRecord() { Clear(); }
    void RegisterFields(int version) override {
        ClearFields();
        AddInt(m_n, 2);
        AddShort(&m_s);
        AddByte(&m_b);
        AddDouble(&m_d);
        if (StoredFrom(version, 800)) AddInt(&m_from800);
        AddString(&m_a);
        AddString(&m_b2);
        if (StoredFrom(version, 300)) AddString(&m_from300);
    }
    bool Read(DataFile* file) override {
        return cRecord::Read(file) && ReadRecords(m_vLeaf, file) && ReadVector(m_vRaw, file) &&
               ReadString(m_strTail, file);
    }
    bool Write(DataFile* file) override {
        return cRecord::Write(file) && WriteRecords(m_vLeaf, file) && WriteVector(m_vRaw, file) &&
               WriteString(m_strTail, file);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    g_StripCR = 1;
    orvfuzz::ServeInput("in.dat", data, size);
    RootRecord root;
    int loaded = root.LoadFile("in.dat");
    Check(root.Fields().Size() == 5);  // the current layout, whatever happened
    if (!loaded) return 0;
    Check(root.SaveFile("a.dat") == 1);
    RootRecord again;
    Check(again.LoadFile("a.dat") == 1);
    Check(again.SaveFile("b.dat") == 1);
    Check(FileBytes("a.dat") == FileBytes("b.dat"));
    return 0;
}
