// The ten databases of a project: catalogues that the other records refer to
// by index, read once at start-up from "data\database\" and only read after.
// From them start-up derives the frame patterns of every anime and effect.
#pragma once
#include <cstdint>
#include <utility>

#include "core/containers.h"
#include "core/frame_pattern.h"
#include "core/program_object.h"
#include "core/record.h"
#include "core/record_file.h"
#include "core/report_log.h"
#include "project/anime.h"
#include "project/db_graphics.h"
#include "project/db_media.h"
#include "project/record_read.h"

class cDatabase : public cRecord {
public:
    // The lists hold their default entries from construction on.
    cDatabase();
    cDatabase(const cDatabase&) = delete;
    cDatabase& operator=(const cDatabase&) = delete;

    // Nothing of its own is stored: every list is a file of its own.
    void RegisterFields(int version) override;

    // Every stored list back to its default entries; the run-time copies
    // are left as they are.
    void SetDefault();
    // Reads the ten files in list order. 1 when all were read; 0 at the
    // first that cannot be opened or is broken (reported by name), the lists
    // read so far keeping their contents and the rest their defaults.
    int LoadAll();
    // Entry 0 of the chara-effect and screen-effect lists means no effect.
    void ResetNoneEffects();

    cVector<cAnimeSetData> m_vAnimeSet;
    cVector<cAnimeData> m_vAnime;
    cVector<cBmpCharaExcData> m_vBmpCharaExc;
    cVector<cSwordTypeData> m_vSwordType;
    cVector<cEffectData> m_vEffect;
    cVector<cCharaEffectData> m_vCharaEffect;
    cVector<cScrEffectData> m_vScrEffect;
    cVector<cPictureData> m_vPicture;
    cVector<cSoundData> m_vSound;
    cVector<cBgmData> m_vBgm;
    // Run-time copies of the two effect lists from which the reversed
    // prototypes are built; never stored.
    cVector<cCharaEffectData> m_vCharaEffectRev;
    cVector<cScrEffectData> m_vScrEffectRev;
};

PROGRAM_OBJECT_DECLARE(g_Database, cDatabase);

// One frame pattern per entry of the anime list and of the effect list,
// same index.
using FramePatternList = cVector<cVector<FRAMEPAT>>;
PROGRAM_OBJECT_DECLARE(g_AnimePatterns, FramePatternList);
PROGRAM_OBJECT_DECLARE(g_EffectPatterns, FramePatternList);

// Frame value of the last step of every anime and effect but entry 0: the
// owners take it as "the animation has ended".
constexpr int32_t kPatEnd = -4;

// A database file of a newer program or one that cannot be read: an error
// box and report line naming the file.
void ShowDataLoadError(const char* name);

// Reads a list's entry count and records from an open database file. A
// count of 0 or less keeps the list as it is (a negative one with a report
// line naming the file); otherwise the list becomes
// that many records, each starting from the class defaults and reading
// itself. False, the list unchanged, when the file is broken.
template <class R>
bool ReadDbList(cVector<R>& list, DataFile* file) {
    int32_t n = 0;
    if (!ReadCount(n, file, kMinRecordBytes)) return false;
    // No editor writes a negative count: the file is damaged, though it is
    // taken as an empty list, so the user is told which one.
    if (n < 0)
        WriteReport("database file %s holds a negative count (%d): the built-in list is kept", file->Path().c_str(),
                    static_cast<int>(n));
    if (n <= 0) return true;
    cVector<R> entries;
    const R prototype;
    if (!ReadNewRecords(entries, file, n, [&] { return prototype; })) return false;
    list = std::move(entries);
    return true;
}

// One database file into one list: open, read, close. 1, or 0 when the file
// is missing, too new or broken (nothing reported here).
template <class R>
int LoadDatabaseFile(cVector<R>& list, const char* path) {
    DataFile* file = OpenDataFile(path);
    if (!file) return 0;
    bool ok = ReadDbList(list, file);
    return (CloseDataFile(file) && ok) ? 1 : 0;
}

void BuildAnimePatterns(FramePatternList& patterns);
void BuildEffectPatterns(FramePatternList& patterns);

// The start-up set-up of the database: LoadAll (on failure the error box
// "データベースの読み込みに失敗…" and 0), the run-time copies of the two
// effect lists, then the anime and effect patterns. The effect prototype
// states live with the game objects; the caller builds them after this
// returns 1.
int SetupDatabase();
