// Stored records. A record class lists its stored members, in file order,
// in RegisterFields for a given data version; one generic reader and writer
// (core/record_file.h) walk those lists, so every data file has one form,
// and the same lists give every record its clear and copy.
//
// A RegisterFields reads as a table, one line per member, its gate visible:
//     void RegisterFields(int version) override {
//         ClearFields();
//         AddInt(&m_nKind);
//         AddShort(m_sSize, 3);
//         if (StoredFrom(version, 676)) AddByte(&m_bFlag);
//         AddString(&m_strName);
//     }
//
// What a registration lists is kept as places inside the record, not as
// pointers, so one list serves every record of the class: it is made once
// per class, data version and stored form, and shared. A record holds only
// a pointer to the list it uses now. A class whose list depends on its own
// state (a class with several stored forms) changes that state only in
// MatchBlockCount, which registers again. When the class names the form
// that state stands for (StoredForm), its lists are kept per form as well;
// otherwise, from the first read that shows it, the records of that class
// register afresh at every use.
#pragma once
#include <concepts>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "core/containers.h"

class cRecord;
class DataFile;

constexpr int kDataVersion = 901;
// The layout records describe outside a read, and the version word of every
// file written. Constant-initialised, so records built before start-up
// register their whole layout.
extern int g_DataVersion;
// Version word of the data file most recently opened for reading; records
// nested anywhere in it read by it, so data files are read one at a time.
extern int g_FileVersion;
// 1 when the last file opened for reading was refused as newer than ours.
extern int g_FileTooNew;
// When set, strings read from data files lose their carriage returns.
extern int g_StripCR;

// The gate of a member first stored in data version `from`.
constexpr bool StoredFrom(int version, int from) { return version >= from; }

// One numeric block: count elements of size bytes at data.
struct RECORDFIELD {
    cRecord* owner = nullptr;
    void* data = nullptr;
    int32_t count = 0;
    int8_t size = 0;
};

struct RECORDSTRING {
    cRecord* owner = nullptr;
    std::string* str = nullptr;
};

// A registered block as a place inside the record.
struct StoredField {
    uint32_t offset = 0;  // bytes from the record's start
    int32_t count = 0;
    int8_t size = 0;
};

// A stretch of bytes inside the record.
struct StoredSpan {
    uint32_t offset = 0;
    uint32_t bytes = 0;
};

// What one registration lists, in order: the blocks, and the places of the
// strings. Made once and never changed, shared by every record it fits.
struct RecordLayout {
    std::vector<StoredField> fields;
    std::vector<uint32_t> strings;
    // The bytes of the blocks, a block that follows the one before it in
    // memory joined to it: what a clear zeroes.
    std::vector<StoredSpan> spans;
};

template <class T, size_t N>
concept StoredNumber = (std::is_integral_v<T> || std::is_enum_v<T>) && !std::is_same_v<T, bool> && sizeof(T) == N;

class cRecord {
public:
    cRecord() = default;
    // The layout is made of places, so it fits a copy as it stands.
    cRecord(const cRecord& other) noexcept : m_pLayout(other.m_pLayout), m_nLayoutSlot(other.m_nLayoutSlot) {}
    cRecord(cRecord&& other) noexcept : m_pLayout(other.m_pLayout), m_nLayoutSlot(other.m_nLayoutSlot) {}
    virtual ~cRecord() = default;
    // Leaves this record describing its own members for g_DataVersion; the
    // derived assignment then copies the members.
    cRecord& operator=(const cRecord& source);
    cRecord& operator=(cRecord&& source) { return *this = static_cast<const cRecord&>(source); }

    // Called on the source of a copy-assignment before the copy.
    virtual void PreCopy(int version) const;
    // Empties both lists and registers the stored members of that version.
    virtual void RegisterFields(int version);
    // Called by the read with the file's block count before the blocks are
    // read: a class whose layout the editor wrote in more than one form
    // re-registers the form whose block count matches. After the read it is
    // called again with kWrittenForm, which matches no stored count, so the
    // record describes the form it writes.
    virtual void MatchBlockCount(int version, int32_t blocks);
    static constexpr int32_t kWrittenForm = -1;
    // The generic part; overrides call it first, then read or write their
    // tail. False once the file is broken or cannot be written.
    virtual bool Read(DataFile* file);
    virtual bool Write(DataFile* file);

    // Every registered block zero, every registered string empty.
    void Clear();
    // Registered members only, from a record of the same class.
    void CopyFrom(cRecord& source);
    // 1, or 0 when the file is missing, too new or broken.
    int LoadFile(const char* path);
    // 1, or 0 when the file cannot be written; the previous file then stays.
    int SaveFile(const char* path);
    // Removes carriage returns from the registered strings as listed now.
    void StripCR();
    // Redefined by classes that check their values after a read and before
    // a write (see ReadAndValidate).
    void Validate() {}

    // The lists as registered now, pointing into this record.
    cVector<RECORDFIELD> Fields() const;
    cVector<RECORDSTRING> Strings() const;

protected:
    // The stored form a class with several is in now, as a number that
    // stands for all the state its RegisterFields reads besides the
    // version; kNoForms for a class that does not name its forms.
    static constexpr int kNoForms = -1;
    virtual int StoredForm() const { return kNoForms; }
    // The list RegisterFields gives for this version (and form), found once
    // per class: what a MatchBlockCount of a class that names its forms
    // calls after setting the form.
    void RegisterLayout(int version);
    // The number of blocks as registered now.
    int FieldCount() const;

    void ClearFields();
    // The registration of classes whose data are all in their tail.
    void RegisterNoFields() { ClearFields(); }

    template <StoredNumber<1> T>
    void AddByte(T* data, int count = 1) { AddField(data, count, 1); }
    template <StoredNumber<2> T>
    void AddShort(T* data, int count = 1) { AddField(data, count, 2); }
    template <StoredNumber<4> T>
    void AddInt(T* data, int count = 1) { AddField(data, count, 4); }
    void AddDouble(double* data, int count = 1) { AddField(data, count, 8); }
    void AddString(std::string* str);

private:
    void AddField(const void* data, int count, int size);
    uint32_t PlaceOf(const void* member) const;
    // MatchBlockCount, noting a class that registers in it.
    void MatchForm(int version, int32_t blocks);
    bool ReadBlocks(DataFile* file);
    bool ReadStrings(DataFile* file);
    char* Base() { return reinterpret_cast<char*>(this); }
    const char* Base() const { return reinterpret_cast<const char*>(this); }
    std::string& StringAt(uint32_t place) { return *reinterpret_cast<std::string*>(Base() + place); }

    const RecordLayout* m_pLayout = nullptr;
    // Where the class, version and form m_pLayout was found for are kept,
    // when it came from there; -1 after a registration of the record's own.
    int32_t m_nLayoutSlot = -1;
};

static_assert(sizeof(double) == 8);

// Read and Write overrides of a class whose only addition is its Validate.
template <class R>
bool ReadAndValidate(R& record, DataFile* file) {
    bool ok = record.cRecord::Read(file);
    record.Validate();
    return ok;
}
template <class R>
bool ValidateAndWrite(R& record, DataFile* file) {
    record.Validate();
    return record.cRecord::Write(file);
}

// Lists of records grow by cleared records and assign element by element.
template <class T>
    requires std::derived_from<T, cRecord>
struct ElementTraits<T> {
    static T MakeDefault() {
        T record;
        record.Clear();
        return record;
    }
    static void Assign(T& target, const T& source) { target = source; }
};

// Lists of records whose class defaults are not all zero grow by records
// made by the class's own constructor instead; such classes opt in with
// `template <> struct ElementTraits<C> : DefaultedRecord<C> {};`.
template <class T>
struct DefaultedRecord {
    static T MakeDefault() { return T(); }
    static void Assign(T& target, const T& source) { target = source; }
};
