// Pieces shared by the block, chara and item definitions, each of which is
// a palette entry that may take flagged property groups from another entry.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "core/containers.h"
#include "project/record_read.h"

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
