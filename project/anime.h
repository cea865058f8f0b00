// Animes: short sequences of chips of a character sheet, each shown for a
// time. The anime database holds the animes that commands and charas run on
// top of a chara's basic animation; an anime set holds the basic animation
// itself, one anime per basic action, and the chip offsets of the chara's
// states.
#pragma once
#include <cstdint>
#include <string>

#include "core/containers.h"
#include "core/record.h"
#include "project/record_read.h"

// A frame's time in ticks of 1/60 s. Saturates, since a stored time can be
// any 32-bit value.
int32_t TenthsToTicks(int32_t tenths);
// A chip number as a frame of a pattern: a negative one would read as a
// control step and steer the player, so it shows chip 0 instead.
int32_t ChipFrame(int32_t chip);

// One frame of an anime.
class cAnimeFrameData : public cRecord {
public:
    int32_t m_nChip = 0;         // counted from the chara's first chip
    int32_t m_nTime = 1;         // tenths of a second
    int32_t m_nNoInterrupt = 0;  // 1: from this frame on the anime cannot be replaced

    cAnimeFrameData();
    void RegisterFields(int version) override;
};
template <>
struct ElementTraits<cAnimeFrameData> : DefaultedRecord<cAnimeFrameData> {};

class cAnimeData : public cRecord {
public:
    std::string m_strName;
    cVector<cAnimeFrameData> m_vFrame;  // in playing order
    // Kept for the editor; the player never reads them.
    int16_t m_sEditorA = 0;
    int8_t m_cEditorB = 1;
    int16_t m_sEditorC = 0;

    cAnimeData();
    void RegisterFields(int version) override;
    // The record, then its counted frames; a count of 0 leaves no frame.
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
};
template <>
struct ElementTraits<cAnimeData> : DefaultedRecord<cAnimeData> {};

// Indexes of the animes of a set, by basic action.
enum : int {
    kAnimeStand = 0,
    kAnimeWalk = 1,
    kAnimeFly = 2,
    kAnimeFlyMove = 3,
    kBasicAnimeCount = 4,
};

class cAnimeSetData : public cRecord {
public:
    std::string m_strName;
    // Chips added to the drawn chip while the chara is in that state.
    int32_t m_nInvincibleChip = 4;
    int32_t m_nBlockChip = 8;
    int32_t m_nFlightChip = 0;
    // By basic action. A read keeps the list the file holds, so a set may
    // have fewer animes than there are basic actions: take them through
    // BasicAnime.
    cVector<cAnimeData> m_vAnime;

    cAnimeSetData();
    // Offsets 4, 8, 0 and the four named default animes.
    void SetDefault();
    void RegisterFields(int version) override;
    // The record, its counted animes, then the upgrades of older files.
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;

    // The anime of a basic action (kAnimeStand..kAnimeFlyMove, or any index
    // of the list). One the set lacks gives the first anime of the set, or
    // a default anime when the set is empty, and one report line, without
    // the close request of a bad index: the chara plays on. Meant for when
    // a chara takes the set, not for every frame.
    const cAnimeData& BasicAnime(int action) const;
};
template <>
struct ElementTraits<cAnimeSetData> : DefaultedRecord<cAnimeSetData> {};
