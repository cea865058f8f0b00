// Pieces shared by the block, chara and item definitions, each of which is
// a palette entry that may take flagged property groups from another entry,
// and by the readers of the common and the stage palettes.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/containers.h"
#include "core/record_file.h"
#include "project/record_read.h"

// The smallest stored entry of each kind: its two counts, tile position,
// flag count and condition count, and the chara's carried item and flow
// count or the item's command count.
constexpr int kMinBlockBytes = kMinRecordBytes + 4 + 4 + 4;
constexpr int kMinCharaBytes = kMinBlockBytes + 4 + 4;
constexpr int kMinItemBytes = kMinBlockBytes + 4;

// A palette list of the common or a stage palette: int32 n, then n entries.
// The list is emptied and refilled with n default entries, each then read
// in place, so that an entry inheriting from the list sees the entries
// before it as read and those after it as defaults. A negative count breaks
// the file.
template <class T>
bool ReadPaletteList(cVector<T>& list, DataFile* file, int minBytes) {
    int32_t n = 0;
    if (!ReadListCount(n, file, minBytes)) return false;
    // Palette references are int16, so no entry can name one past this; the
    // entries beyond it need not exist before they are read.
    constexpr int32_t kReachable = 32768;
    const int32_t made = std::min(n, kReachable);
    list.clear();
    list.reserve(static_cast<size_t>(made));
    for (int32_t i = 0; i < made; ++i) list.push_back(ElementTraits<T>::MakeDefault());
    for (int32_t i = 0; i < n; ++i) {
        if (i >= made) list.push_back(ElementTraits<T>::MakeDefault());
        if (!list[static_cast<size_t>(i)].Read(file)) return false;
    }
    return true;
}

// Entry 0 of a palette list stands for nothing and never keeps stored values.
template <class T>
void ResetEntryZero(cVector<T>& list) {
    if (!list.empty()) list[0].SetDefault();
}

// Every palette list holds entry 0 and at least one entry that can be used.
template <class T>
void PadToTwo(cVector<T>& list) {
    while (list.Size() < 2) list.push_back(ElementTraits<T>::MakeDefault());
}

// The shot sheet gained a first chip in 219; older files number its chips
// one lower.
inline int16_t UpgradeShotChip(int sheet, int16_t chip) {
    return sheet == 3 ? static_cast<int16_t>(std::min(chip + 1, 119)) : chip;
}

// Copies one property group from a source entry.
template <class T>
using GroupCopy = void (*)(T& to, const T& from);

// An inherit reference outside the palette it names becomes no reference.
// `list` is the palette list of the entry's source, null for no palette.
template <class T>
void DropBadInheritRef(T& entry, const cVector<T>* list) {
    if (list && IndexOutside(entry.m_sInheritIdx, list->Size())) {
        entry.m_cInheritSrc = 0;
        entry.m_sInheritIdx = 0;
    }
}

// Takes every flagged group from the source entry, in group order. `list`
// is the palette list the entry's source names, null when the source value
// names no palette (the entry itself, so nothing would change).
template <class T, size_t N>
void InheritGroups(T& entry, const cVector<T>* list, const GroupCopy<T> (&groups)[N]) {
    // Entry 0 of a palette stands for nothing and is never a source.
    if (entry.m_sInheritIdx == 0 || entry.m_cInheritSrc == 0 || !list) return;
    if (IndexOutside(entry.m_sInheritIdx, list->Size())) {
        entry.m_cInheritSrc = 0;
        return;
    }
    const T& source = (*list)[static_cast<size_t>(entry.m_sInheritIdx)];
    if (&source == &entry) return;
    // Flags past the groups name nothing.
    const int count = std::min(entry.m_vInheritFlag.Size(), static_cast<int>(N));
    for (int i = 0; i < count; ++i)
        if (entry.m_vInheritFlag[static_cast<size_t>(i)]) groups[i](entry, source);
}
