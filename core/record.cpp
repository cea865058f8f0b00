#include "core/record.h"

#include <algorithm>
#include <cstring>

constinit int g_DataVersion = kDataVersion;
constinit int g_FileVersion = 0;
constinit int g_FileTooNew = 0;
constinit int g_StripCR = 0;

cRecord& cRecord::operator=(const cRecord& source) {
    // Pointers copied from the source would point into the source; this
    // record's own registration gives the same lists for its own members.
    RegisterFields(g_DataVersion);
    source.PreCopy(g_DataVersion);
    return *this;
}

void cRecord::PreCopy(int) const {}

void cRecord::RegisterFields(int) { ClearFields(); }
void cRecord::MatchBlockCount(int, int32_t) {}

void cRecord::ClearFields() {
    m_vField.clear();
    m_vString.clear();
}

void cRecord::AddField(void* data, int count, int size) {
    // Room for most layouts at once: a record registers afresh on every
    // copy and read, and growing by doubling costs several allocations each.
    if (m_vField.capacity() == 0) m_vField.reserve(16);
    m_vField.push_back(RECORDFIELD{this, data, count, static_cast<int8_t>(size)});
}

void cRecord::AddString(std::string* str) { m_vString.push_back(RECORDSTRING{this, str}); }

void cRecord::Clear() {
    RegisterFields(g_DataVersion);
    for (const RECORDFIELD& f : m_vField)
        if (f.count > 0) std::memset(f.data, 0, static_cast<size_t>(f.count) * static_cast<size_t>(f.size));
    for (const RECORDSTRING& s : m_vString) s.str->clear();
}

void cRecord::CopyFrom(cRecord& source) {
    RegisterFields(g_DataVersion);
    source.RegisterFields(g_DataVersion);
    for (int i = 0; i < m_vField.Size(); ++i) {
        const RECORDFIELD& to = m_vField.At(i);
        const RECORDFIELD& from = source.m_vField.At(i);
        // Never more than either block holds, should the classes differ.
        int64_t bytes = std::min(int64_t{to.count} * to.size, int64_t{from.count} * from.size);
        if (from.data && bytes > 0) std::memmove(to.data, from.data, static_cast<size_t>(bytes));
    }
    for (int i = 0; i < m_vString.Size(); ++i) {
        const RECORDSTRING& from = source.m_vString.At(i);
        if (from.str) *m_vString.At(i).str = *from.str;
    }
}

void cRecord::StripCR() {
    for (const RECORDSTRING& s : m_vString) std::erase(*s.str, '\r');
}
