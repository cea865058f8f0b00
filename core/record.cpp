#include "core/record.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <typeinfo>

constinit int g_DataVersion = kDataVersion;
constinit int g_FileVersion = 0;
constinit int g_FileTooNew = 0;
constinit int g_StripCR = 0;

namespace {

// Every layout ever registered, as a tree of registration steps: a
// registration walks from the empty layout one step per Add, and each node
// is the layout of the steps that lead to it. A node is made once and never
// changed or freed, so a record's pointer to it stays good; its children are
// only ever added, under the lock, and read without it.
struct LayoutNode : RecordLayout {
    // The step from the parent: a block, or a string when size is 0.
    uint32_t offset = 0;
    int32_t count = 0;
    int8_t size = 0;
    std::atomic<LayoutNode*> child{nullptr};
    std::atomic<LayoutNode*> sibling{nullptr};
};

constinit LayoutNode g_emptyLayout;
constinit std::mutex g_layoutLock;

const LayoutNode* Extend(const RecordLayout* from, uint32_t offset, int32_t count, int8_t size) {
    auto* node = const_cast<LayoutNode*>(static_cast<const LayoutNode*>(from ? from : &g_emptyLayout));
    auto find = [&]() -> LayoutNode* {
        LayoutNode* c = node->child.load(std::memory_order_acquire);
        for (; c; c = c->sibling.load(std::memory_order_acquire))
            if (c->offset == offset && c->count == count && c->size == size) return c;
        return nullptr;
    };
    if (LayoutNode* found = find()) return found;
    std::lock_guard lock(g_layoutLock);
    if (LayoutNode* found = find()) return found;
    auto* next = new LayoutNode;
    next->fields = node->fields;
    next->strings = node->strings;
    next->spans = node->spans;
    if (size > 0) {
        next->fields.push_back(StoredField{offset, count, size});
        const uint32_t bytes = count > 0 ? static_cast<uint32_t>(count) * static_cast<uint32_t>(size) : 0;
        if (bytes > 0) {
            if (!next->spans.empty() && next->spans.back().offset + next->spans.back().bytes == offset)
                next->spans.back().bytes += bytes;
            else
                next->spans.push_back(StoredSpan{offset, bytes});
        }
    } else {
        next->strings.push_back(offset);
    }
    next->offset = offset;
    next->count = count;
    next->size = size;
    next->sibling.store(node->child.load(std::memory_order_relaxed), std::memory_order_relaxed);
    node->child.store(next, std::memory_order_release);
    return next;
}

// Which layout each class registers for a data version and stored form,
// so that a record finds it without registering. Written under the lock,
// read without it; a slot, once taken, keeps its class, version and form. A
// class that registers again when its block count is matched, without
// naming its forms, keeps its slots, emptied: its layout depends on the
// record, which then registers itself.
struct LayoutSlot {
    std::atomic<const std::type_info*> type{nullptr};
    std::atomic<int> version{0};
    std::atomic<int> form{0};
    std::atomic<const RecordLayout*> layout{nullptr};

    bool Holds(const std::type_info& t, int v, int f) const {
        const std::type_info* held = type.load(std::memory_order_acquire);
        return held && *held == t && version.load(std::memory_order_relaxed) == v &&
               form.load(std::memory_order_relaxed) == f;
    }
};

constexpr size_t kSlots = 4096;  // a power of two
constexpr size_t kProbes = 16;   // beyond that a class simply registers each time
constinit LayoutSlot g_slots[kSlots];
constinit std::vector<const std::type_info*> g_selfRegistering;

size_t SlotOf(const std::type_info& type, int version, int form) {
    uint64_t h = reinterpret_cast<uintptr_t>(&type) ^ (static_cast<uint64_t>(static_cast<uint32_t>(version)) << 40) ^
                 (static_cast<uint64_t>(static_cast<uint32_t>(form)) << 24);
    return static_cast<size_t>((h * 0x9E3779B97F4A7C15ull) >> 52) & (kSlots - 1);
}

// The slot of the class, version and form, or -1 when it has none.
int FindSlot(const std::type_info& type, int version, int form) {
    size_t at = SlotOf(type, version, form);
    for (size_t probe = 0; probe < kProbes; ++probe, at = (at + 1) & (kSlots - 1)) {
        const LayoutSlot& slot = g_slots[at];
        if (!slot.type.load(std::memory_order_acquire)) return -1;
        if (slot.Holds(type, version, form)) return static_cast<int>(at);
    }
    return -1;
}

bool SelfRegistering(const std::type_info& type) {
    return std::any_of(g_selfRegistering.begin(), g_selfRegistering.end(),
                       [&](const std::type_info* t) { return *t == type; });
}

// Keeps the layout as the class's for that version and form (none for a
// class that registers itself); the slot, or -1 when the layout is not the
// one kept.
int RememberLayout(const std::type_info& type, int version, int form, const RecordLayout* layout) {
    std::lock_guard lock(g_layoutLock);
    if (SelfRegistering(type)) layout = nullptr;
    size_t at = SlotOf(type, version, form);
    for (size_t probe = 0; probe < kProbes; ++probe, at = (at + 1) & (kSlots - 1)) {
        LayoutSlot& slot = g_slots[at];
        if (slot.Holds(type, version, form))
            return layout && slot.layout.load(std::memory_order_relaxed) == layout ? static_cast<int>(at) : -1;
        if (slot.type.load(std::memory_order_relaxed)) continue;
        slot.version.store(version, std::memory_order_relaxed);
        slot.form.store(form, std::memory_order_relaxed);
        slot.layout.store(layout, std::memory_order_relaxed);
        slot.type.store(&type, std::memory_order_release);
        return layout ? static_cast<int>(at) : -1;
    }
    return -1;
}

void MarkSelfRegistering(const std::type_info& type) {
    std::lock_guard lock(g_layoutLock);
    if (SelfRegistering(type)) return;
    g_selfRegistering.push_back(&type);
    for (LayoutSlot& slot : g_slots) {
        const std::type_info* t = slot.type.load(std::memory_order_relaxed);
        if (t && *t == type) slot.layout.store(nullptr, std::memory_order_release);
    }
}

// Registrations made on this thread; a change across MatchBlockCount shows
// a class that registers there.
thread_local uint64_t t_registrations = 0;

// The slot this thread found last: records of one class come in runs.
struct LastSlot {
    const std::type_info* type = nullptr;
    int version = 0;
    int form = 0;
    int slot = -1;
};
thread_local LastSlot t_lastSlot;

}  // namespace

cRecord& cRecord::operator=(const cRecord& source) {
    RegisterLayout(g_DataVersion);
    source.PreCopy(g_DataVersion);
    return *this;
}

void cRecord::PreCopy(int) const {}

void cRecord::RegisterFields(int) { ClearFields(); }
void cRecord::MatchBlockCount(int, int32_t) {}

void cRecord::ClearFields() {
    ++t_registrations;
    m_pLayout = &g_emptyLayout;
    m_nLayoutSlot = -1;
}

uint32_t cRecord::PlaceOf(const void* member) const {
    return static_cast<uint32_t>(static_cast<const char*>(member) - Base());
}

void cRecord::AddField(const void* data, int count, int size) {
    m_pLayout = Extend(m_pLayout, PlaceOf(data), count, static_cast<int8_t>(size));
}

void cRecord::AddString(std::string* str) { m_pLayout = Extend(m_pLayout, PlaceOf(str), 0, 0); }

void cRecord::RegisterLayout(int version) {
    const std::type_info& type = typeid(*this);
    const int form = StoredForm();
    // Still the class's layout for this version and form: only a
    // registration of the record's own (a change of stored form in a class
    // that does not name its forms) moves a record off it.
    if (m_nLayoutSlot >= 0) {
        const LayoutSlot& slot = g_slots[m_nLayoutSlot];
        if (slot.type.load(std::memory_order_relaxed) == &type &&
            slot.version.load(std::memory_order_relaxed) == version &&
            slot.form.load(std::memory_order_relaxed) == form)
            return;
    }
    int at = t_lastSlot.slot;
    if (t_lastSlot.type != &type || t_lastSlot.version != version || t_lastSlot.form != form) {
        at = FindSlot(type, version, form);
        if (at >= 0) t_lastSlot = LastSlot{&type, version, form, at};
    }
    const RecordLayout* known = at >= 0 ? g_slots[at].layout.load(std::memory_order_acquire) : nullptr;
    if (known) {
        m_pLayout = known;
        m_nLayoutSlot = at;
        return;
    }
    RegisterFields(version);
    if (!m_pLayout) m_pLayout = &g_emptyLayout;  // a registration that never started its list
    if (at < 0) m_nLayoutSlot = RememberLayout(type, version, form, m_pLayout);
}

void cRecord::MatchForm(int version, int32_t blocks) {
    const uint64_t before = t_registrations;
    MatchBlockCount(version, blocks);
    if (t_registrations != before && StoredForm() == kNoForms) MarkSelfRegistering(typeid(*this));
}

int cRecord::FieldCount() const { return m_pLayout ? static_cast<int>(m_pLayout->fields.size()) : 0; }

cVector<RECORDFIELD> cRecord::Fields() const {
    cVector<RECORDFIELD> list;
    if (!m_pLayout) return list;
    auto* self = const_cast<cRecord*>(this);
    for (const StoredField& f : m_pLayout->fields)
        list.push_back(RECORDFIELD{self, self->Base() + f.offset, f.count, f.size});
    return list;
}

cVector<RECORDSTRING> cRecord::Strings() const {
    cVector<RECORDSTRING> list;
    if (!m_pLayout) return list;
    auto* self = const_cast<cRecord*>(this);
    for (uint32_t place : m_pLayout->strings) list.push_back(RECORDSTRING{self, &self->StringAt(place)});
    return list;
}

void cRecord::Clear() {
    RegisterLayout(g_DataVersion);
    // Members declared one after another, the most of them, in one go.
    for (const StoredSpan& span : m_pLayout->spans) std::memset(Base() + span.offset, 0, span.bytes);
    for (uint32_t place : m_pLayout->strings) StringAt(place).clear();
}

void cRecord::CopyFrom(cRecord& source) {
    RegisterLayout(g_DataVersion);
    source.RegisterLayout(g_DataVersion);
    // A place the source lacks is reported as the checked list access
    // reports it, and taken from the source's first one.
    const auto& from = source.m_pLayout->fields;
    const auto& fromStrings = source.m_pLayout->strings;
    const int fieldCount = static_cast<int>(from.size());
    const int stringCount = static_cast<int>(fromStrings.size());
    for (int i = 0; i < static_cast<int>(m_pLayout->fields.size()); ++i) {
        const StoredField& to = m_pLayout->fields[static_cast<size_t>(i)];
        if (i >= fieldCount)
            container_detail::ReportBadIndex("err V[%d] ( %d , %d )", i, fieldCount, sizeof(RECORDFIELD));
        if (fieldCount == 0) continue;
        const StoredField& f = from[static_cast<size_t>(i < fieldCount ? i : 0)];
        // Never more than either block holds, should the classes differ.
        int64_t bytes = std::min(int64_t{to.count} * to.size, int64_t{f.count} * f.size);
        if (bytes > 0) std::memmove(Base() + to.offset, source.Base() + f.offset, static_cast<size_t>(bytes));
    }
    for (int i = 0; i < static_cast<int>(m_pLayout->strings.size()); ++i) {
        if (i >= stringCount)
            container_detail::ReportBadIndex("err V[%d] ( %d , %d )", i, stringCount, sizeof(RECORDSTRING));
        if (stringCount == 0) continue;
        StringAt(m_pLayout->strings[static_cast<size_t>(i)]) =
            source.StringAt(fromStrings[static_cast<size_t>(i < stringCount ? i : 0)]);
    }
}

void cRecord::StripCR() {
    if (!m_pLayout) return;
    for (uint32_t place : m_pLayout->strings) std::erase(StringAt(place), '\r');
}
