// Pieces shared by the readers of project records: the counted lists of
// conditions, commands and flows, and the tables of steps that bring records
// of older files to the current meaning.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/containers.h"
#include "core/record.h"
#include "core/record_file.h"

// Stored palette and database indexes are tested unsigned, so a negative
// one is outside too.
inline bool IndexOutside(int32_t index, int size) {
    return static_cast<uint32_t>(index) >= static_cast<uint32_t>(size);
}

// The count of a list that the file must hold whole: a count the bytes left
// cannot hold, a negative one among them, breaks the file.
inline bool ReadListCount(int32_t& n, DataFile* file, int minBytesEach) {
    if (!ReadCount(n, file, minBytesEach)) return false;
    if (n < 0) {
        file->MarkCorrupt();
        return false;
    }
    return true;
}

// Conditions, key conditions, commands and flows are listed as: int32 count
// n, then n records. Reading empties the list and reads n default elements
// in order, so a count of 0 or less leaves it empty.
template <class R>
bool ReadRecordVector(cVector<R>& list, DataFile* file) {
    int32_t n = 0;
    if (!ReadCount(n, file, kMinRecordBytes)) return false;
    return ReadNewRecords(list, file, n, [] { return ElementTraits<R>::MakeDefault(); });
}

template <class R>
bool WriteRecordVector(cVector<R>& list, DataFile* file) {
    return WriteRecords(list, file);
}

// One fix for records of files older than a member or a change of meaning.
template <class R>
struct UpgradeStep {
    int below;  // applies to files of a version below this
    void (*apply)(R&);
};

// The steps in row order, each seeing what the steps before it left.
template <class R, size_t N>
void ApplyUpgrades(const UpgradeStep<R> (&steps)[N], R& record, int fileVersion) {
    if (fileVersion >= kDataVersion) return;
    for (const UpgradeStep<R>& step : steps)
        if (fileVersion < step.below) step.apply(record);
}
