#include "core/record_file.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "core/report_log.h"
#include "platform/paths.h"

namespace {

// Elements are stored little-endian; in memory they are the host's own.
uint64_t LoadLittle(const unsigned char* p, int size) {
    uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

void StoreNative(void* out, uint64_t v, int size) {
    if (size == 1) *static_cast<uint8_t*>(out) = static_cast<uint8_t>(v);
    else if (size == 2) { uint16_t x = static_cast<uint16_t>(v); std::memcpy(out, &x, 2); }
    else if (size == 4) { uint32_t x = static_cast<uint32_t>(v); std::memcpy(out, &x, 4); }
    else std::memcpy(out, &v, 8);
}

bool ValidSize(int size) { return size == 1 || size == 2 || size == 4 || size == 8; }

std::string ProgramPath(const char* path) { return (path && *path) ? path : "err"; }

// Large enough that the file is read in a few calls, small enough that a
// huge file costs no more memory than this.
constexpr size_t kReadPiece = size_t{1} << 16;

// The piece of the file closed last, kept for the next one: files are
// opened one after another, and each would otherwise make its own. Never
// freed, so a file closed at exit still has somewhere to put it.
constinit std::atomic<unsigned char*> g_sparePiece{nullptr};

std::unique_ptr<unsigned char[]> TakePiece() {
    if (unsigned char* spare = g_sparePiece.exchange(nullptr, std::memory_order_acquire))
        return std::unique_ptr<unsigned char[]>(spare);
    return std::make_unique_for_overwrite<unsigned char[]>(kReadPiece);
}

void KeepPiece(std::unique_ptr<unsigned char[]> piece) {
    unsigned char* none = nullptr;
    if (piece && g_sparePiece.compare_exchange_strong(none, piece.get(), std::memory_order_release)) piece.release();
}

}  // namespace

void DataFile::MarkCorrupt() {
    if (m_failed) return;
    m_failed = true;
    WriteReport("data file %s is broken at byte %lld", m_path.c_str(), static_cast<long long>(m_pos));
}

bool DataFile::Refill() {
    m_bufferPos = m_bufferEnd = 0;
    const int64_t want = std::min<int64_t>(static_cast<int64_t>(kReadPiece), m_size - m_taken);
    if (want <= 0) return false;
    if (!m_buffer) m_buffer = TakePiece();
    m_bufferEnd = std::fread(m_buffer.get(), 1, static_cast<size_t>(want), m_file);
    m_taken += static_cast<int64_t>(m_bufferEnd);
    return m_bufferEnd > 0;
}

void DataFile::ReportNotSaved(int error) const {
    const std::string reason = error ? std::error_code(error, std::generic_category()).message() : "incomplete data";
    WriteReport("data file %s could not be saved (%s): the file on disk is unchanged", m_path.c_str(), reason.c_str());
}

bool DataFile::ReadBytesSlow(void* out, int64_t bytes) {
    if (m_failed || m_writing) return false;
    if (bytes <= 0) return true;
    if (bytes > BytesLeft()) {
        MarkCorrupt();
        return false;
    }
    // The position moves only once the whole read is in, so a report names
    // where the read began.
    auto* to = static_cast<unsigned char*>(out);
    for (int64_t done = 0; done < bytes;) {
        if (m_bufferPos == m_bufferEnd && !Refill()) {
            MarkCorrupt();
            return false;
        }
        const size_t n = std::min(static_cast<size_t>(bytes - done), m_bufferEnd - m_bufferPos);
        std::memcpy(to + done, m_buffer.get() + m_bufferPos, n);
        m_bufferPos += n;
        done += static_cast<int64_t>(n);
    }
    m_pos += bytes;
    return true;
}

void DataFile::ToHostOrder(void* data, int32_t count, int size) {
    if (size == 1) return;
    auto* p = static_cast<unsigned char*>(data);
    for (int32_t i = 0; i < count; ++i, p += size) StoreNative(p, LoadLittle(p, size), size);
}

bool DataFile::ReadValuesSlow(void* data, int32_t count, int size) {
    if (!ValidSize(size)) {
        MarkCorrupt();
        return false;
    }
    if (!ReadBytes(data, int64_t{count} * size)) return false;
    ToHostOrder(data, count, size);
    return true;
}

bool DataFile::ReadText(std::string& str, int64_t bytes) {
    if (bytes > 0 && !m_failed && static_cast<uint64_t>(bytes) <= m_bufferEnd - m_bufferPos) {
        const char* text = reinterpret_cast<const char*>(m_buffer.get() + m_bufferPos);
        const void* nul = std::memchr(text, '\0', static_cast<size_t>(bytes));
        str.assign(text, nul ? static_cast<const char*>(nul) - text : static_cast<ptrdiff_t>(bytes));
        Consume(static_cast<size_t>(bytes));
        return true;
    }
    if (bytes > BytesLeft()) {
        MarkCorrupt();
        return false;
    }
    std::string text(static_cast<size_t>(std::max<int64_t>(bytes, 0)), '\0');
    if (!ReadBytes(text.data(), bytes)) return false;
    text.resize(std::strlen(text.c_str()));  // never beyond the bytes read
    str = std::move(text);
    return true;
}

// Writing collects the file in the same piece and hands it on whole pieces
// at a time: a record writes many small blocks.
bool DataFile::WriteBytes(const void* data, int64_t bytes) {
    if (m_failed || !m_writing) return false;
    if (bytes > 0 && !m_buffer) m_buffer = TakePiece();
    const auto* from = static_cast<const unsigned char*>(data);
    while (bytes > 0) {
        if (m_bufferPos == kReadPiece && !Flush()) return false;
        const size_t n = std::min(static_cast<size_t>(bytes), kReadPiece - m_bufferPos);
        std::memcpy(m_buffer.get() + m_bufferPos, from, n);
        m_bufferPos += n;
        from += n;
        bytes -= static_cast<int64_t>(n);
    }
    return true;
}

bool DataFile::Flush() {
    if (m_bufferPos > 0 && !m_failed && std::fwrite(m_buffer.get(), 1, m_bufferPos, m_file) != m_bufferPos) {
        m_writeError = errno;
        m_failed = true;
    }
    m_bufferPos = 0;
    return !m_failed;
}

bool DataFile::WriteValues(const void* data, int32_t count, int size) {
    if (!ValidSize(size)) m_failed = true;
    // Stored little-endian, as such a host holds them.
    if constexpr (std::endian::native == std::endian::little) {
        return WriteBytes(data, count > 0 ? int64_t{count} * size : 0);
    } else {
        unsigned char chunk[4096];
        const auto* p = static_cast<const unsigned char*>(data);
        int used = 0;
        for (int32_t i = 0; i < count && !m_failed; ++i, p += size) {
            for (int b = size - 1; b >= 0; --b) chunk[used++] = p[b];
            if (used > static_cast<int>(sizeof chunk) - 8) {
                WriteBytes(chunk, used);
                used = 0;
            }
        }
        return WriteBytes(chunk, used);
    }
}

DataFile* OpenDataFile(const char* path) {
    // Also for a file that cannot be opened: a missing file must not be
    // reported as one refused for being newer just before it.
    g_FileTooNew = 0;
    std::string name = ProgramPath(path);
    // Only a regular file opens: a folder or a pipe of that name is no file.
    FILE* f = plat::OpenFile(name, "rb");
    if (!f) return nullptr;
    auto* file = new DataFile(f, std::move(name));
    if (std::fseek(f, 0, SEEK_END) == 0) file->m_size = std::max<int64_t>(0, std::ftell(f));
    std::rewind(f);
    int32_t version = 0;
    if (!file->ReadInt(version)) {
        CloseDataFile(file);
        return nullptr;
    }
    g_FileVersion = version;
    // Read as unsigned, so a word with the top bit set is newer, not older.
    if (static_cast<uint32_t>(version) > static_cast<uint32_t>(g_DataVersion)) {
        g_FileTooNew = 1;
        CloseDataFile(file);
        return nullptr;
    }
    return file;
}

DataFile* CreateDataFile(const char* path) {
    std::string name = ProgramPath(path);
    plat::ReplacingFile replace;
    if (!plat::BeginReplace(name, &replace)) {
        DataFile(nullptr, name).ReportNotSaved(errno);
        return nullptr;
    }
    auto* file = new DataFile(replace.file, name);
    file->m_writing = true;
    file->m_replace = std::move(replace);
    if (!file->WriteInt(g_DataVersion)) {
        CloseDataFile(file);
        return nullptr;
    }
    return file;
}

int CloseDataFile(DataFile* file) {
    if (!file) return 0;
    bool ok = file->Ok();
    if (file->m_writing) {
        const bool whole = ok && file->Flush();
        errno = 0;
        ok = plat::EndReplace(&file->m_replace, whole);
        if (!ok) file->ReportNotSaved(whole ? errno : file->m_writeError);
    } else
        std::fclose(file->m_file);
    KeepPiece(std::move(file->m_buffer));
    delete file;
    return ok ? 1 : 0;
}

bool ReadCount(int32_t& count, DataFile* file, int bytesEach) {
    if (!file->ReadInt(count)) return false;
    if (count > 0 && int64_t{count} * std::max(bytesEach, 1) > file->BytesLeft()) {
        file->MarkCorrupt();
        return false;
    }
    return true;
}

int ReadString(std::string& str, DataFile* file) {
    int32_t length = 0;
    if (!file->ReadInt(length)) return 0;
    if (length == 1) {
        str.clear();
        return 1;
    }
    // The writer never stores less than 1 (the NUL counts).
    if (length < 1 || length > file->BytesLeft()) {
        file->MarkCorrupt();
        return 0;
    }
    return file->ReadText(str, length) ? 1 : 0;
}

int WriteString(const std::string& str, DataFile* file) {
    int64_t length = static_cast<int64_t>(std::strlen(str.c_str()));
    if (length >= INT32_MAX) {
        file->Abandon();
        return 0;
    }
    if (!file->WriteInt(static_cast<int32_t>(length + 1))) return 0;
    return length == 0 || file->WriteBytes(str.c_str(), length + 1) ? 1 : 0;
}

// The generic part of a record.

bool cRecord::Read(DataFile* file) {
    if (!file) return false;
    RegisterLayout(g_FileVersion);
    if (ReadBlocks(file)) ReadStrings(file);
    if (g_StripCR) StripCR();
    // Also after a broken read, so a later write has the current layout.
    MatchForm(g_DataVersion, kWrittenForm);
    if (g_FileVersion != g_DataVersion) RegisterLayout(g_DataVersion);
    return file->Ok();
}

bool cRecord::ReadBlocks(DataFile* file) {
    int32_t blocks = 0;
    if (!ReadCount(blocks, file, 1)) return false;
    MatchForm(g_FileVersion, blocks);
    const std::vector<StoredField>& fields = m_pLayout->fields;
    const int registered = static_cast<int>(fields.size());
    const int32_t known = std::min(blocks, registered);
    for (int32_t i = 0; i < known; ++i) {
        const StoredField& f = fields[static_cast<size_t>(i)];
        if (!file->ReadValues(Base() + f.offset, f.count, f.size)) return false;
    }
    // A surplus block is reported as the checked list access reports a bad
    // index and read over the first block; with no first block there is
    // nothing to read it by, and the file cannot be followed any further.
    for (int32_t i = known; i < blocks; ++i) {
        container_detail::ReportBadIndex("err V[%d] ( %d , %d )", i, registered, sizeof(RECORDFIELD));
        if (registered == 0) {
            file->MarkCorrupt();
            return false;
        }
        const StoredField& f = fields[0];
        if (!file->ReadValues(Base() + f.offset, f.count, f.size)) return false;
    }
    return true;
}

bool cRecord::ReadStrings(DataFile* file) {
    int32_t strings = 0;
    if (!ReadCount(strings, file, 4)) return false;
    const std::vector<uint32_t>& places = m_pLayout->strings;
    const int registered = static_cast<int>(places.size());
    const int32_t known = std::min(strings, registered);
    for (int32_t i = 0; i < known; ++i)
        if (!ReadString(StringAt(places[static_cast<size_t>(i)]), file)) return false;
    for (int32_t i = known; i < strings; ++i) {
        container_detail::ReportBadIndex("err V[%d] ( %d , %d )", i, registered, sizeof(RECORDSTRING));
        if (registered == 0) {
            file->MarkCorrupt();
            return false;
        }
        if (!ReadString(StringAt(places[0]), file)) return false;
    }
    return true;
}

bool cRecord::Write(DataFile* file) {
    if (!file) return false;
    RegisterLayout(g_DataVersion);
    file->WriteInt(static_cast<int32_t>(m_pLayout->fields.size()));
    for (const StoredField& f : m_pLayout->fields) file->WriteValues(Base() + f.offset, f.count, f.size);
    file->WriteInt(static_cast<int32_t>(m_pLayout->strings.size()));
    for (uint32_t place : m_pLayout->strings) {
        std::string& str = StringAt(place);
        str.resize(std::strlen(str.c_str()));  // the record keeps what the file holds
        WriteString(str, file);
    }
    return file->Ok();
}

int cRecord::LoadFile(const char* path) {
    DataFile* file = OpenDataFile(path);
    if (!file) return 0;
    bool ok = Read(file);
    return CloseDataFile(file) && ok ? 1 : 0;
}

int cRecord::SaveFile(const char* path) {
    DataFile* file = CreateDataFile(path);
    if (!file) return 0;
    if (!Write(file)) file->Abandon();
    return CloseDataFile(file);
}
