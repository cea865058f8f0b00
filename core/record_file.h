// Data files: the version word, then records in their generic form and
// their class tails, every number little-endian whatever the host.
//
// A file read from outside is never trusted: a count or length that cannot
// fit in the bytes left, or an early end, marks the file broken (one report
// line), every later read fails, and LoadFile answers 0. Files are written
// to a temporary file that replaces the old one only when complete.
#pragma once
#include <bit>
#include <concepts>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "core/containers.h"
#include "core/record.h"
#include "platform/paths.h"

class DataFile {
public:
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // False once the file is broken (reading) or a write failed.
    bool Ok() const { return !m_failed; }
    // Program form, as opened.
    const std::string& Path() const { return m_path; }

    // Reading. Each fails, and marks the file broken, when the bytes are
    // not there. The file is taken in large pieces and decoded from memory;
    // the reads that the piece in hand holds take the short way here.
    int64_t BytesLeft() const { return m_size - m_pos; }
    bool ReadBytes(void* out, int64_t bytes) {
        if (bytes > 0 && !m_failed && static_cast<uint64_t>(bytes) <= m_bufferEnd - m_bufferPos) {
            std::memcpy(out, m_buffer.get() + m_bufferPos, static_cast<size_t>(bytes));
            Consume(static_cast<size_t>(bytes));
            return true;
        }
        return ReadBytesSlow(out, bytes);
    }
    // count elements of size 1, 2, 4 or 8 bytes into memory at data.
    bool ReadValues(void* data, int32_t count, int size) {
        const int64_t bytes = int64_t{count} * size;
        // The sizes 1, 2, 4 and 8 are the bits set in 0x116.
        if (bytes > 0 && static_cast<uint64_t>(bytes) <= m_bufferEnd - m_bufferPos && !m_failed &&
            static_cast<unsigned>(size) <= 8 && (0x116u >> size & 1u) != 0) {
            const unsigned char* from = m_buffer.get() + m_bufferPos;
            // Single members, the most of them, in one load each.
            switch (bytes) {
                case 1: std::memcpy(data, from, 1); break;
                case 2: std::memcpy(data, from, 2); break;
                case 4: std::memcpy(data, from, 4); break;
                case 8: std::memcpy(data, from, 8); break;
                default: std::memcpy(data, from, static_cast<size_t>(bytes)); break;
            }
            Consume(static_cast<size_t>(bytes));
            if constexpr (std::endian::native != std::endian::little) ToHostOrder(data, count, size);
            return true;
        }
        return ReadValuesSlow(data, count, size);
    }
    bool ReadInt(int32_t& value) { return ReadValues(&value, 1, 4); }
    // `bytes` bytes of text, kept up to their first NUL.
    bool ReadText(std::string& str, int64_t bytes);
    // For readers of class tails that find their data impossible.
    void MarkCorrupt();

    // Writing.
    bool WriteBytes(const void* data, int64_t bytes);
    bool WriteValues(const void* data, int32_t count, int size);
    bool WriteInt(int32_t value) { return WriteValues(&value, 1, 4); }
    // The file is not to be kept: closing drops it and keeps the old one.
    void Abandon() { m_failed = true; }

private:
    friend DataFile* OpenDataFile(const char* path);
    friend DataFile* CreateDataFile(const char* path);
    friend int CloseDataFile(DataFile* file);
    DataFile(FILE* file, std::string path) : m_file(file), m_path(std::move(path)) {}
    void ReportNotSaved(int error) const;

    void Consume(size_t bytes) {
        m_bufferPos += bytes;
        m_pos += static_cast<int64_t>(bytes);
    }
    bool ReadBytesSlow(void* out, int64_t bytes);
    bool ReadValuesSlow(void* data, int32_t count, int size);
    // Writing: hands the collected bytes to the file; false once a write
    // failed.
    bool Flush();
    // The next piece of the file into the buffer; false at its end.
    bool Refill();
    static void ToHostOrder(void* data, int32_t count, int size);

    FILE* m_file;
    std::string m_path;  // program form, for the report
    bool m_writing = false;
    plat::ReplacingFile m_replace;  // writing: the file that replaces the old one when whole
    int64_t m_size = 0;
    int64_t m_pos = 0;
    bool m_failed = false;
    // Reading: the piece of the file in hand, and how much of the file has
    // been taken; never beyond m_size. Writing: the bytes not yet handed to
    // the file, up to m_bufferPos.
    int64_t m_taken = 0;
    std::unique_ptr<unsigned char[]> m_buffer;
    size_t m_bufferPos = 0;
    size_t m_bufferEnd = 0;
    int m_writeError = 0;  // errno of the first failed write
};

// Opens a data file for reading (an empty path names "err") and reads its
// version word into g_FileVersion. Null when the file cannot be opened, is
// too short for the word, or is newer than g_DataVersion (g_FileTooNew 1;
// 0 after every other open, failed or not).
DataFile* OpenDataFile(const char* path);
// Starts writing a data file with the version word g_DataVersion; null
// when it cannot be created.
DataFile* CreateDataFile(const char* path);
// Closes the file; a written file replaces the old one only now, when it
// was written whole. 1 when the file was read or written without fault.
// A file that could not be created or written whole leaves the old one and
// a report line naming it: the user learns that the save did not happen.
int CloseDataFile(DataFile* file);

// A list count: false (the file marked broken) when n elements of at least
// bytesEach bytes cannot be in what is left. A count of 0 or less is valid.
bool ReadCount(int32_t& count, DataFile* file, int bytesEach);

// A loose string: int32 length + 1, then the bytes and a NUL (nothing more
// for the empty string). The text is cut at its first NUL.
int ReadString(std::string& str, DataFile* file);
int WriteString(const std::string& str, DataFile* file);

template <class T>
concept RawElement = std::is_arithmetic_v<T> && !std::is_same_v<T, bool>;

// Counted lists of class tails: int32 n, then the n elements. A count of 0
// or less reads no element and leaves the list as it was; otherwise the list
// is resized to n and every element read.
template <RawElement T>
bool ReadVector(cVector<T>& list, DataFile* file) {
    int32_t n = 0;
    if (!ReadCount(n, file, sizeof(T))) return false;
    if (n <= 0) return true;
    list.resize(static_cast<size_t>(n));
    return file->ReadValues(list.data(), n, sizeof(T));
}

template <RawElement T>
bool WriteVector(const cVector<T>& list, DataFile* file) {
    return file->WriteInt(list.Size()) && file->WriteValues(list.data(), list.Size(), sizeof(T));
}

// Smallest record: its two counts.
constexpr int kMinRecordBytes = 8;

// New entries are default records (cleared); each entry is read whole,
// generic part and tail.
template <std::derived_from<cRecord> R>
bool ReadRecords(cVector<R>& list, DataFile* file) {
    int32_t n = 0;
    if (!ReadCount(n, file, kMinRecordBytes)) return false;
    if (n <= 0) return true;
    if (list.Size() > n) list.erase(list.begin() + n, list.end());
    while (list.Size() < n) list.push_back(ElementTraits<R>::MakeDefault());
    for (R& record : list)
        if (!record.Read(file)) return false;
    return true;
}

template <std::derived_from<cRecord> R>
bool WriteRecords(cVector<R>& list, DataFile* file) {
    if (!file->WriteInt(list.Size())) return false;
    for (R& record : list)
        if (!record.Write(file)) return false;
    return true;
}

// The loop of the counted lists that are read afresh (nested lists, the
// database, condition and flow lists): the list is emptied, then n entries
// made by makeEntry are read in turn; n of 0 or less leaves it empty. Entries are made one at a time as they are read, so
// a count that the bytes could barely hold costs nothing before the file
// proves it.
template <class R, class Make>
bool ReadNewRecords(cVector<R>& list, DataFile* file, int32_t n, Make makeEntry) {
    list.clear();
    for (int32_t i = 0; i < n; ++i) {
        list.push_back(makeEntry());
        if (!list.back().Read(file)) return false;
    }
    return true;
}

// A counted list of records inside a record's tail: the list becomes n
// records made by makeEntry (n of 0 leaves it empty). A count that the bytes
// left cannot hold, a negative one among them, breaks the file before
// anything is made.
template <class R, class Make>
bool ReadNestedRecords(cVector<R>& list, DataFile* file, int minRecordBytes, Make makeEntry) {
    int32_t n = 0;
    if (!ReadCount(n, file, minRecordBytes)) return false;
    if (n < 0) {
        file->MarkCorrupt();
        return false;
    }
    return ReadNewRecords(list, file, n, makeEntry);
}
