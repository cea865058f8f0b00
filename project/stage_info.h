// One stage: its settings, its five out-of-range rules, its own palette of
// blocks, charas and items, what is placed on its map, its backgrounds and
// the names of its variables. A stage file holds exactly one, in this order:
//
//   version word; the record part (the settings and the name); int32 n + n
//   int32 extra settings; five cOutRange records; the stage palette (blocks,
//   charas, items, each int32 n + n records); the placements (blocks, charas,
//   items, each int32 n, then n times an int32 0 and a record); int32 n + n
//   cBackground; int32 n + n cVarName; from version 173 the trailer
//   123456789 (kStageTrailer).
//
// g_Stage is the live stage that stage files are read into and play reads;
// g_StageSettings keeps its settings (without palettes and placements) as
// loaded, so that every restart undoes what play changed.
#pragma once
#include <cstdint>
#include <string>

#include "core/containers.h"
#include "core/program_object.h"
#include "core/record.h"
#include "project/block_def.h"
#include "project/chara_def.h"
#include "project/item_def.h"

class DataFile;

constexpr int32_t kStageTrailer = 123456789;
// First version that ends a stage file with the trailer.
constexpr int kStageTrailerFrom = 173;
// First version whose trailer the loader compares before reading.
constexpr int kStageTrailerCheckedFrom = 174;
// Highest hit-detection level honoured; the editor offers 1..19.
constexpr int kMaxHitLevel = 100;

// When objects of a group count as out of range: for every side that is on,
// beyond that side of the view by more than the margin.
class cOutRange : public cRecord {
public:
    enum { kLeft, kRight, kTop, kBottom };
    int32_t m_bSide[4] = {};    // left, right, top, bottom; right to bottom stored from 125
    int32_t m_nMargin[4] = {};  // in tiles of 32 pixels, same order

    // Cleared, registered for the current version. A copy registers afresh
    // (cRecord) and takes the eight values.
    cOutRange();
    void RegisterFields(int version) override;
    void MatchBlockCount(int version, int32_t blocks) override;

private:
    int StoredForm() const override { return m_bMarginBlock ? 1 : 0; }
    bool m_bMarginBlock = false;  // the margins stored as one block of four
};

// The five rules of a stage, by the group they apply to.
enum {
    kOutRangeChara,       // ordinary charas
    kOutRangeBlockChara,  // block charas
    kOutRangeItem,
    kOutRangeHeroShot,    // shots of the hero
    kOutRangeShot,        // the other shots
    kOutRangeRules
};

// A drawing layer behind (layer 0) or in front of (layer 1) the map.
class cBackground : public cRecord {
public:
    int32_t m_bShown = 1;       // the background command toggles it
    int32_t m_bFill = 0;        // 1: a plain fill instead of the picture
    int32_t m_nFillColor = 16;  // palette number
    int32_t m_nLayer = 0;
    double m_dRateX = 0.1;      // share of the view's movement
    double m_dRateY = 0.1;
    int32_t m_bAutoX = 0;       // 1: scrolls by itself at the speed
    int32_t m_bAutoY = 0;
    double m_dSpeedX = 0.0;     // pixels per frame
    double m_dSpeedY = 0.0;
    std::string m_strPicture;
    double m_dOffsetX = 0.0;    // current auto-scroll offset
    double m_dOffsetY = 0.0;

    // The defaults above, registered for the current version.
    cBackground();
    void RegisterFields(int version) override;
    void MatchBlockCount(int version, int32_t blocks) override;

private:
    int StoredForm() const override { return m_bDroppedBlock ? 1 : 0; }
    int32_t m_nDropped[2] = {};   // members of old files that are read and dropped
    bool m_bDroppedBlock = false; // those two stored as one block
};

// The editor's name of one stage variable; play never reads it.
class cVarName : public cRecord {
public:
    std::string m_strName;

    cVarName();
    void RegisterFields(int version) override;
};

template <>
struct ElementTraits<cOutRange> : DefaultedRecord<cOutRange> {};
template <>
struct ElementTraits<cBackground> : DefaultedRecord<cBackground> {};

class cStageInfo : public cRecord {
public:
    // Registered members, in file order. Sizes and positions are pixels
    // unless noted; alignments are 0 centred in the 32 x 32 cell, 1 standing
    // on its bottom; box displays 0 hidden, 1 shown, 2 outline; box colours
    // 0..7 (palette number 208 + 4 x colour).
    std::string m_strName;
    int32_t m_nWidth = 0;          // tiles of 32 pixels
    int32_t m_nReservedA = 0;
    int32_t m_nReservedB = 0;
    int32_t m_nHeight = 0;         // tiles
    int32_t m_bLimitLeft = 0;      // scroll limits on
    int32_t m_bLimitRight = 0;
    int32_t m_bLimitTop = 0;
    int32_t m_bLimitBottom = 0;
    int32_t m_nLimitLeft = 0;      // column the view does not go left of
    int32_t m_nLimitRight = 0;     // column that stays the last one visible
    int32_t m_nLimitTop = 0;       // rows
    int32_t m_nLimitBottom = 0;
    int32_t m_nFps = 60;
    int32_t m_bTimeLimit = 0;
    int32_t m_nTimeLimit = 200;    // seconds, 0..999
    int32_t m_nTimeWarning = 20;   // seconds left from which the counter warns
    int32_t m_nScrollModeX = 0;    // 0 follows the hero, 1 scrolls by itself
    int32_t m_nScrollModeY = 0;
    int32_t m_nScrollSpeedX = 0;   // tenths of a pixel per frame
    int32_t m_nScrollSpeedY = 0;
    double m_dGravity = 0.4;       // pixels per frame squared
    int32_t m_nHitLevel = 10;      // see SetHitLevel
    int32_t m_nAttackLevel = 0;    // 0 every sub-step, 1..5 attack checks per frame
    int32_t m_nBgm = 0;            // Bgm database entry, 0 none
    int32_t m_nBgmOption = 0;      // from 166; sent with the music request
    int32_t m_bKeepBgm = 0;        // from 199; the same music playing goes on
    int32_t m_bLayered = 1;        // objects drawn in 8 passes by their layer
    int32_t m_nRetryOption = 0;
    int32_t m_nNextOption = 0;
    int32_t m_nSetupOption = 1;    // from 183; copied into the hero at set-up
    int32_t m_bAutoEnd = 0;        // from 184; the stage end goes on by itself
    int32_t m_bBannerA = 0;        // start banners, 80 frames each
    int32_t m_bBannerB = 1;        // from 225
    int32_t m_bClearBanner = 1;
    int32_t m_bOverBanner = 1;     // game over
    int32_t m_nHeroPicW = 16;      // from 200 (to m_nHeroFlyPicH)
    int32_t m_nHeroPicH = 24;
    int32_t m_nHeroFlyPicW = 16;
    int32_t m_nHeroFlyPicH = 16;
    int32_t m_nHeroBodyW = 16;     // chara-versus-chara box of the hero
    int32_t m_nHeroBodyH = 24;
    int32_t m_nHeroFlyBodyW = 16;  // from 155
    int32_t m_nHeroFlyBodyH = 16;  // from 155
    int32_t m_nHeroShotHitW = 12;  // chara-versus-shot box of the hero
    int32_t m_nHeroShotHitH = 8;
    int32_t m_nHeroItemW = 16;     // item pick-up box of the hero
    int32_t m_nHeroItemH = 16;
    int32_t m_nHeroPicAlign = 1;       // from 200
    int32_t m_nHeroFlyPicAlign = 0;    // from 200
    int32_t m_nHeroBodyAlign = 1;      // from 155
    int32_t m_nHeroFlyBodyAlign = 0;   // from 155
    int32_t m_nPicBoxShow = 0;         // from 200
    int32_t m_nBodyBoxShow = 0;
    int32_t m_nShotBoxShow = 0;
    int32_t m_nItemBoxShow = 0;
    int32_t m_nPicBoxColor = 0;        // from 200
    int32_t m_nBodyBoxColor = 0;
    int32_t m_nShotBoxColor = 0;
    int32_t m_nItemBoxColor = 0;
    int32_t m_nCharaPicW = 16;     // every chara but the hero; from 200 (to m_nCharaFlyPicH)
    int32_t m_nCharaPicH = 24;
    int32_t m_nCharaFlyPicW = 16;
    int32_t m_nCharaFlyPicH = 16;
    int32_t m_nCharaBodyW = 12;
    int32_t m_nCharaBodyH = 24;
    int32_t m_nCharaFlyBodyW = 12; // from 155
    int32_t m_nCharaFlyBodyH = 16; // from 155
    int32_t m_nCharaShotHitW = 30;
    int32_t m_nCharaShotHitH = 30;
    int32_t m_nCharaPicAlign = 1;      // from 200
    int32_t m_nCharaFlyPicAlign = 0;   // from 200
    int32_t m_nCharaBodyAlign = 1;     // from 155
    int32_t m_nCharaFlyBodyAlign = 0;  // from 155
    int32_t m_nItemBoxW = 28;      // hit box of an item
    int32_t m_nItemBoxH = 28;
    int32_t m_nHeroShotBoxW = 16;  // shots the hero fires
    int32_t m_nHeroShotBoxH = 16;
    int32_t m_nReservedD[2] = {16, 16};
    int32_t m_nCharaShotBoxW = 16; // shots the other charas fire
    int32_t m_nCharaShotBoxH = 16;
    int32_t m_nReservedE[2] = {16, 16};
    int32_t m_nReservedC = 1;
    int32_t m_nViewExtX = 0;       // pixels added to the view in the scroll set-up
    int32_t m_nViewExtY = 0;
    // Stored, but always derived from the hit level by SetHitLevel.
    int32_t m_nSubSteps = 10;      // sub-steps per frame, n
    double m_dSubSteps = 10.0;
    double m_dSubStepsSq = 100.0;
    double m_dSpeedLimit = 60.0;   // pixels per frame
    double m_dGravityStep = 0.004; // gravity per sub-step
    double m_dStepLimit = 6.0;     // speed limit per sub-step
    int32_t m_nSubSteps8 = 80;     // 8 x n
    int32_t m_bInViewOnly = 1;     // mode of the nearest-chara search
    int32_t m_nCharaInvAttacker = 30;  // frames of invincibility against the same attacker
    int32_t m_nCharaInv = 0;           // frames after any damage
    int32_t m_nHeroInvAttacker = 30;
    int32_t m_nHeroInv = 0;

    // The class tail.
    cVector<int32_t> m_vExtra;     // five end-of-stage and ranking switches, default 1
    cOutRange m_OutRange[kOutRangeRules];
    cVector<cPltBlock> m_vPltBlock;  // the stage palette; entry 0 stands for nothing
    cVector<cCharaDef> m_vPltChara;
    cVector<cPltItem> m_vPltItem;
    cVector<cPltBlock> m_vBlock;     // placements, each with its tile position
    cVector<cCharaDef> m_vChara;
    cVector<cPltItem> m_vItem;
    cVector<cBackground> m_vBackground;
    cVector<cVarName> m_vVarName;

    // Not stored.
    std::string m_strPath;         // the stage file last opened
    int32_t m_bNumbered = 0;       // it was found by its numbered name
    int32_t m_bLoaded = 0;         // set by the loader thread on success
    int32_t m_nSubSteps6 = 60;     // sub-steps in a tenth of a second, 6 x n

    // Registered for the current version, then SetDefault. Copies and
    // moves take every member; a move leaves the palettes and placements
    // where they are in memory, so it costs next to nothing.
    cStageInfo();

    // A new stage: every setting at its default, one default entry in each
    // palette list, no placements, one shown background, five extra
    // settings of 1, the rules' defaults. Path and flags of the last load
    // are kept.
    void SetDefault();
    void RegisterFields(int version) override;
    void MatchBlockCount(int version, int32_t blocks) override;

    // The whole stage after the version word. Everything is reset to its
    // defaults first, so a field the file does not store never keeps the
    // value of the stage read before. Palette entries inherit from and are
    // checked against g_Stage's palette as read so far, so a stage file is
    // read into g_Stage itself (a loader that must keep the previous stage
    // on failure moves it aside first; moves are cheap). Older files are
    // upgraded, then Validate.
    bool Read(DataFile* file) override;
    // Validate, then the whole stage after the version word, trailer last.
    bool Write(DataFile* file) override;
    // Validate; then the layout of Write with the palettes and placements of
    // this record and everything else from `settings`.
    bool WriteForReplay(DataFile* file, cStageInfo& settings);

    // Scroll limits inside the map, the hit-level values derived, the music
    // inside the Bgm database (none when outside), five extra settings at
    // least (missing ones 1), at least two entries in each palette list,
    // every palette entry and placement checked.
    void Validate();
    // Level L (taken into 1..kMaxHitLevel): n sub-steps per frame, L for
    // L <= 10 and L >= 20, L - 10 for 11..19; speed limit 6 x n pixels per
    // frame, 60 for 11..19; the per-sub-step values from them.
    void SetHitLevel(int level);
    // Sub-steps per frame, never fewer than 1 whatever a file stored.
    int SubSteps() const { return m_nSubSteps > 1 ? m_nSubSteps : 1; }

    // The first placed chara with a chip that the player operates; -1 none.
    int FindHero() const;
    bool HasHero() const { return FindHero() != -1; }

private:
    bool ReadTail(DataFile* file);
    bool WriteParts(DataFile* file, cStageInfo& settings);
    int StoredForm() const override { return m_bPairedReserved ? 1 : 0; }
    bool m_bPairedReserved = false;  // reserved D and E read as two blocks of two
};

PROGRAM_OBJECT_DECLARE(g_Stage, cStageInfo);
PROGRAM_OBJECT_DECLARE(g_StageSettings, cStageInfo);
PROGRAM_OBJECT_DECLARE(g_HeroDef, cCharaDef);
