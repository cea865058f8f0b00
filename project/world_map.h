// The world map of a story game: a grid of 32-dot cells over which the hero
// walks from point to point. Each cell holds a tile type; a point carries
// links, and the first link whose conditions hold makes the point a stage, a
// piece of road or a wall. Read once at start-up from "data\WorldMap.dat".
#pragma once
#include <cstdint>
#include <string>

#include "core/containers.h"
#include "core/program_object.h"
#include "core/record.h"

class DataFile;

// A tile type: whether cells of it can be walked on and the chip they show.
class cWorldTile : public cRecord {
public:
    int32_t m_nEditorNo = 0;    // kept for the editor
    int32_t m_nImpassable = 0;  // 1: not walkable unless a link of a point there allows it
    int32_t m_nChip = 0;        // on the tile picture at ((c mod 5) * 32, (c div 5) * 32)
    std::string m_strLabel;
    std::string m_strEditorText;  // kept for the editor

    cWorldTile();
    void RegisterFields(int version) override;
};

enum : int32_t {
    kLinkStage = 0,  // the point can be selected and entered
    kLinkRoad = 1,   // the hero may walk over it
    kLinkWall = 2,   // the hero cannot step on it
};

enum : int32_t {
    kAfterClearNothing = 0,
    kAfterClearSecondRound = 1,
    kAfterClearTitle = 2,
};

// One link of a point.
class cWorldLink : public cRecord {
public:
    int32_t m_nKind = kLinkStage;
    int32_t m_nIcon = 0;     // row of the icon on the point picture
    int32_t m_nStageNo = 0;  // progress flag set when the stage is cleared
    int32_t m_nPass = 0;     // 1: walkable while the stage is not cleared
    int32_t m_nReplay = 0;   // 1: a cleared stage can be entered again
    int32_t m_nAfterClear = kAfterClearNothing;
    int32_t m_nRequiredFlag = 0;  // progress flag that must be set; 0 or less: none
    int32_t m_nVariable = 0;      // variable tested; 0: no test
    int32_t m_nCompareValue = 0;
    int32_t m_nOperator = 0;  // comparison operator 0..7
    int32_t m_nScoreThreshold = 0;
    int32_t m_nKeyed = 0;  // 1: the stage's score record lives under key A and key B
    int32_t m_nKeyA = 1;
    int32_t m_nKeyB = 0;
    std::string m_strDisplayName;
    std::string m_strStageFile;

    cWorldLink();
    // Everything zero and empty but key A 1.
    void SetDefault();
    void RegisterFields(int version) override;
    // Files older than the score threshold read it as 0.
    bool Read(DataFile* file) override;
};
template <>
struct ElementTraits<cWorldLink> : DefaultedRecord<cWorldLink> {};

// A point on the map with its links.
class cWorldPoint : public cRecord {
public:
    int32_t m_nX = 0;
    int32_t m_nY = 0;
    std::string m_strName;
    cVector<cWorldLink> m_vLink;  // the first link whose conditions hold is the active one

    cWorldPoint();
    // Zero and empty with exactly one default link.
    void SetDefault();
    void RegisterFields(int version) override;
    // The record, then the counted links (the list becomes exactly those).
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
};
template <>
struct ElementTraits<cWorldPoint> : DefaultedRecord<cWorldPoint> {};

// A cell of the map (the world-map cursor's position).
struct WorldCell {
    int32_t x = 0;
    int32_t y = 0;
};

class cWorldMap : public cRecord {
public:
    int32_t m_nWidth = 20;
    int32_t m_nHeight = 15;
    // Row length of the cell vector: the smallest power of two not below the
    // width; cell (x, y) is element x + (y << m_nShift).
    int32_t m_nPitch = 32;
    int32_t m_nShift = 5;
    cVector<cWorldTile> m_vTile;
    cVector<int32_t> m_vCell;  // tile index per cell, height x pitch
    cVector<cWorldPoint> m_vPoint;
    cVector<cWorldPoint> m_vPoint2;  // kept with the map for the editor; unused in play
    int32_t m_nStartX = 9;
    int32_t m_nStartY = 7;
    int32_t m_nBgColor = 16;  // palette colour the map is cleared with
    int32_t m_nShowBg = 0;    // 1: the background picture is drawn over it
    std::string m_strName;
    std::string m_strBgPicture;

    cWorldMap();
    // The defaults of a new map: 20 x 15 zero cells, start (9, 7), no
    // points; the tiles stay as they are.
    void SetDefault();
    void RegisterFields(int version) override;
    // Besides the stored layout, a file whose grid does not hold together
    // (a size below 1, a pitch that is not 2 to the shift or narrower than
    // the width, fewer cells than height x pitch) is refused as broken, so
    // no later look-up reaches a cell that is not there.
    bool Read(DataFile* file) override;
    bool Write(DataFile* file) override;
    // Start cell pulled in from beyond the grid, bad tile indexes made 0,
    // points off the grid dropped.
    void Validate();

    // Resizes the grid keeping the cells that fit; 0, and nothing changed,
    // for a size below 1 or a grid too large to hold.
    int SetSize(int width, int height);
    // Tile index of a cell; the caller keeps x and y on the grid.
    int32_t& Cell(int x, int y) { return m_vCell.At(x + (y << m_nShift)); }

    // The first point at that cell, or null.
    cWorldPoint* FindPointXY(int x, int y);
    cWorldPoint* FindPoint(const WorldCell& cell) { return FindPointXY(cell.x, cell.y); }
    // 1 when a stage link of a point leads to the stage with that key (its
    // file without extension, a trailing "-1" part cut to "."), matching
    // keyed links by key A and key B; else 0.
    int FindPointByStage(const std::string& stageKey, int keyed, int keyA, int keyB) const;
};

PROGRAM_OBJECT_DECLARE(g_WorldMap, cWorldMap);
