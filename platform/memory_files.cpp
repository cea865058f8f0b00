#include "platform/memory_files.h"

#include <sys/types.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/testing.h"
#include "platform/text_codec.h"

namespace plat::memfiles {
namespace {

std::atomic<bool> g_on{false};

struct Store {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<const std::string>, std::less<>> files;
    std::map<std::string, std::string> written;  // closed, waiting for EndWrite
};

Store& TheStore() {
    static Store store;
    return store;
}

// Seek of both cookies: the new position, or -1 for one before the start.
int Seek(size_t* pos, size_t size, off64_t* offset, int whence) {
    int64_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<int64_t>(*pos);
    else if (whence == SEEK_END) base = static_cast<int64_t>(size);
    else if (whence != SEEK_SET) return -1;
    if (*offset < -base) return -1;
    *pos = static_cast<size_t>(base + *offset);
    *offset = static_cast<off64_t>(*pos);
    return 0;
}

// Each stream has its own small buffer: no allocation of the C library's
// for each open, and large reads still go straight past it.
constexpr size_t kStreamBuffer = 1024;

struct Reader {
    std::shared_ptr<const std::string> bytes;
    size_t pos = 0;
    char buffer[kStreamBuffer];
};

ssize_t ReaderRead(void* cookie, char* buf, size_t size) {
    auto* r = static_cast<Reader*>(cookie);
    if (r->pos >= r->bytes->size()) return 0;
    const size_t n = std::min(size, r->bytes->size() - r->pos);
    std::memcpy(buf, r->bytes->data() + r->pos, n);
    r->pos += n;
    return static_cast<ssize_t>(n);
}

int ReaderSeek(void* cookie, off64_t* offset, int whence) {
    auto* r = static_cast<Reader*>(cookie);
    return Seek(&r->pos, r->bytes->size(), offset, whence);
}

int ReaderClose(void* cookie) {
    delete static_cast<Reader*>(cookie);
    return 0;
}

struct Writer {
    std::string key;
    std::string bytes;
    size_t pos = 0;
    char buffer[kStreamBuffer];
};

ssize_t WriterWrite(void* cookie, const char* buf, size_t size) {
    auto* w = static_cast<Writer*>(cookie);
    if (w->pos + size > w->bytes.size()) w->bytes.resize(w->pos + size);
    std::memcpy(w->bytes.data() + w->pos, buf, size);
    w->pos += size;
    return static_cast<ssize_t>(size);
}

int WriterSeek(void* cookie, off64_t* offset, int whence) {
    auto* w = static_cast<Writer*>(cookie);
    return Seek(&w->pos, w->bytes.size(), offset, whence);
}

int WriterClose(void* cookie) {
    std::unique_ptr<Writer> w(static_cast<Writer*>(cookie));
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.written[w->key] = std::move(w->bytes);
    return 0;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Writes the key of the path to out, which has room for path.size() + 1
// bytes; the key's length. The parts as SplitProgramPath finds them, joined
// by one backslash, in one pass: every open asks.
size_t WriteKey(std::string_view path, char* out) {
    char* const start = out;
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) *out++ = '\\';
    bool inPart = false, separated = false;
    for (size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        const bool pair = IsSjisLeadByte(static_cast<uint8_t>(c)) && i + 1 < path.size() &&
                          IsSjisTrailByte(static_cast<uint8_t>(path[i + 1]));
        if (!pair && (c == '\\' || c == '/')) {
            separated = separated || inPart;
            inPart = false;
            continue;
        }
        if (separated) *out++ = '\\';
        separated = false;
        inPart = true;
        if (pair) {
            // A trail byte in the letter range belongs to its character.
            *out++ = c;
            *out++ = path[++i];
        } else {
            *out++ = AsciiLower(c);
        }
    }
    return static_cast<size_t>(out - start);
}

// The key of a path, made in place for a path of the usual length.
class KeyOf {
public:
    explicit KeyOf(std::string_view path) {
        char* out = m_small;
        if (path.size() + 1 > sizeof m_small) {
            m_large.resize(path.size() + 1);
            out = m_large.data();
        }
        m_key = std::string_view(out, WriteKey(path, out));
    }
    std::string_view View() const { return m_key; }

private:
    char m_small[256];
    std::string m_large;
    std::string_view m_key;
};

}  // namespace

bool On() { return g_on.load(std::memory_order_relaxed); }

std::string Key(std::string_view path) {
    std::string key(path.size() + 1, '\0');
    key.resize(WriteKey(path, key.data()));
    return key;
}

FILE* OpenForReading(std::string_view path) {
    const KeyOf key(path);
    Store& store = TheStore();
    auto reader = std::make_unique<Reader>();
    {
        std::lock_guard<std::mutex> lock(store.mutex);
        auto it = store.files.find(key.View());
        if (it == store.files.end()) return nullptr;
        reader->bytes = it->second;
    }
    FILE* f = fopencookie(reader.get(), "rb", cookie_io_functions_t{ReaderRead, nullptr, ReaderSeek, ReaderClose});
    if (!f) return nullptr;
    setvbuf(f, reader->buffer, _IOFBF, sizeof reader->buffer);
    reader.release();
    return f;
}

bool Holds(std::string_view path) {
    const KeyOf key(path);
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    return store.files.find(key.View()) != store.files.end();
}

FILE* BeginWrite(const std::string& key) {
    auto writer = std::make_unique<Writer>();
    writer->key = key;
    FILE* f = fopencookie(writer.get(), "wb", cookie_io_functions_t{nullptr, WriterWrite, WriterSeek, WriterClose});
    if (!f) return nullptr;
    setvbuf(f, writer->buffer, _IOFBF, sizeof writer->buffer);
    writer.release();
    return f;
}

void EndWrite(const std::string& key, bool keep) {
    Store& store = TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    auto it = store.written.find(key);
    if (it == store.written.end()) return;
    if (keep) store.files[key] = std::make_shared<const std::string>(std::move(it->second));
    store.written.erase(it);
}

}  // namespace plat::memfiles

namespace plat::testing {

void UseMemoryFiles(bool on) { memfiles::g_on.store(on); }

void SetMemoryFile(std::string_view path, std::string_view bytes) {
    auto held = std::make_shared<const std::string>(bytes);
    memfiles::Store& store = memfiles::TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.files[memfiles::Key(path)] = std::move(held);
}

void SetMemoryFiles(std::initializer_list<std::string_view> paths, std::string_view bytes) {
    auto held = std::make_shared<const std::string>(bytes);
    memfiles::Store& store = memfiles::TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    for (std::string_view path : paths) store.files[memfiles::Key(path)] = held;
}

std::string MemoryFile(std::string_view path) {
    memfiles::Store& store = memfiles::TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    auto it = store.files.find(memfiles::Key(path));
    return it == store.files.end() ? std::string() : *it->second;
}

void ClearMemoryFiles() {
    memfiles::Store& store = memfiles::TheStore();
    std::lock_guard<std::mutex> lock(store.mutex);
    store.files.clear();
    store.written.clear();
}

}  // namespace plat::testing
