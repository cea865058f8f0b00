#include "project/world_map.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "core/message_box.h"
#include "core/record_file.h"
#include "project/record_read.h"

// cWorldTile

cWorldTile::cWorldTile() { Clear(); }

void cWorldTile::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nEditorNo);
    AddInt(&m_nImpassable);
    AddInt(&m_nChip);
    AddString(&m_strLabel);
    AddString(&m_strEditorText);
}

// cWorldLink

cWorldLink::cWorldLink() { SetDefault(); }

void cWorldLink::SetDefault() {
    Clear();
    m_nKeyA = 1;
}

void cWorldLink::RegisterFields(int version) {
    ClearFields();
    AddInt(&m_nKind);
    AddInt(&m_nIcon);
    AddInt(&m_nStageNo);
    AddInt(&m_nPass);
    AddInt(&m_nReplay);
    AddInt(&m_nAfterClear);
    AddInt(&m_nRequiredFlag);
    AddInt(&m_nVariable);
    AddInt(&m_nCompareValue);
    AddInt(&m_nOperator);
    if (StoredFrom(version, 209)) AddInt(&m_nScoreThreshold);
    if (StoredFrom(version, 758)) AddInt(&m_nKeyed);
    if (StoredFrom(version, 758)) AddInt(&m_nKeyA);
    if (StoredFrom(version, 758)) AddInt(&m_nKeyB);
    AddString(&m_strDisplayName);
    AddString(&m_strStageFile);
}

bool cWorldLink::Read(DataFile* file) {
    bool ok = cRecord::Read(file);
    if (g_FileVersion <= 208) m_nScoreThreshold = 0;
    return ok;
}

// cWorldPoint

namespace {
// The smallest stored link: its two counts.
constexpr int kMinLinkBytes = kMinRecordBytes;
// The smallest stored point: its two counts and its link count.
constexpr int kMinPointBytes = kMinRecordBytes + 4;
}  // namespace

cWorldPoint::cWorldPoint() { SetDefault(); }

void cWorldPoint::SetDefault() {
    Clear();
    m_vLink.assign(1, cWorldLink());
}

void cWorldPoint::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nX);
    AddInt(&m_nY);
    AddString(&m_strName);
}

bool cWorldPoint::Read(DataFile* file) {
    return cRecord::Read(file) && ReadNestedRecords(m_vLink, file, kMinLinkBytes, [] { return cWorldLink(); });
}

bool cWorldPoint::Write(DataFile* file) { return cRecord::Write(file) && WriteRecords(m_vLink, file); }

// cWorldMap

namespace {

// The ten tile types every map had before tile types were stored as edited.
void MakeStandardTiles(cWorldMap& map) {
    map.m_vTile.resize(10);
    for (int i = 0; i < 10; ++i) {
        cWorldTile& tile = map.m_vTile[static_cast<size_t>(i)];
        tile.m_nChip = i;
        tile.m_nImpassable = i < 5 ? 1 : 0;
        tile.m_strLabel = i < 5 ? "移動不可" : "移動可";
        tile.m_strEditorText.clear();
    }
}

constexpr UpgradeStep<cWorldMap> kWorldMapUpgrades[] = {
    {812, MakeStandardTiles},
};

// The grid the cells are addressed by holds together: every used cell
// (x < width, y < height) lies inside the cell vector.
bool GridHolds(const cWorldMap& map) {
    if (map.m_nWidth < 1 || map.m_nHeight < 1) return false;
    if (map.m_nShift < 0 || map.m_nShift > 30) return false;
    if (map.m_nPitch != (int32_t{1} << map.m_nShift) || map.m_nPitch < map.m_nWidth) return false;
    return int64_t{map.m_nHeight} * map.m_nPitch <= map.m_vCell.Size();
}

}  // namespace

cWorldMap::cWorldMap() { SetDefault(); }

void cWorldMap::SetDefault() {
    Clear();
    m_strName = "ワールド";
    m_nStartX = 9;
    m_nStartY = 7;
    m_nBgColor = 16;
    m_nShowBg = 0;
    m_vCell.clear();  // a fresh grid, not the old one resized
    SetSize(20, 15);
    m_vPoint.clear();
    m_vPoint2.assign(1, cWorldPoint());
    m_vPoint2[0].m_strName = "デフォルト";
}

void cWorldMap::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nWidth);
    AddInt(&m_nHeight);
    AddInt(&m_nPitch);
    AddInt(&m_nShift);
    AddInt(&m_nStartX);
    AddInt(&m_nStartY);
    AddInt(&m_nBgColor);
    AddInt(&m_nShowBg);
    AddString(&m_strName);
    AddString(&m_strBgPicture);
}

bool cWorldMap::Read(DataFile* file) {
    bool ok = cRecord::Read(file) &&
              ReadNestedRecords(m_vTile, file, kMinRecordBytes, [] { return cWorldTile(); }) &&
              ReadVector(m_vCell, file) &&
              ReadNestedRecords(m_vPoint, file, kMinPointBytes, [] { return cWorldPoint(); }) &&
              ReadNestedRecords(m_vPoint2, file, kMinPointBytes, [] { return cWorldPoint(); });
    if (ok && !GridHolds(*this)) {
        file->MarkCorrupt();
        ok = false;
    }
    if (!ok) {
        // What was read cannot be walked safely; the map starts over.
        SetDefault();
        return false;
    }
    ApplyUpgrades(kWorldMapUpgrades, *this, g_FileVersion);
    Validate();
    return true;
}

bool cWorldMap::Write(DataFile* file) {
    Validate();
    return cRecord::Write(file) && WriteRecords(m_vTile, file) && WriteVector(m_vCell, file) &&
           WriteRecords(m_vPoint, file) && WriteRecords(m_vPoint2, file);
}

void cWorldMap::Validate() {
    if (m_nStartX >= m_nWidth) m_nStartX = m_nWidth - 1;
    if (m_nStartY >= m_nHeight) m_nStartY = m_nHeight - 1;
    // A grid that does not hold together (only ever a map assembled by hand)
    // has no used area to check.
    if (GridHolds(*this)) {
        uint32_t tiles = static_cast<uint32_t>(m_vTile.Size());
        for (int y = 0; y < m_nHeight; ++y)
            for (int x = 0; x < m_nWidth; ++x) {
                int32_t& cell = Cell(x, y);
                if (static_cast<uint32_t>(cell) >= tiles) cell = 0;
            }
    }
    // One pass that keeps the order: removing the points one by one would
    // take quadratic time on a file holding many points off the grid.
    std::erase_if(m_vPoint, [this](const cWorldPoint& point) {
        return point.m_nX >= m_nWidth || point.m_nY >= m_nHeight;
    });
}

int cWorldMap::SetSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        DebugErrorPrintf("SetSize()で 0 を指定しました！");
        return 0;
    }
    int shift = 0;
    for (int w = width - 1; w > 0; w /= 2) ++shift;
    // The vector is indexed by int.
    if (shift > 30 || int64_t{height} << shift > INT32_MAX) return 0;

    cVector<int32_t> old;
    int oldWidth = m_nWidth;
    int oldHeight = m_nHeight;
    int oldShift = m_nShift;
    if (!m_vCell.empty()) {
        DebugErrorPrintf("nBeforeWidth = %d,nBeforePitch = %d,nBeforePitch_Shift = %d", m_nWidth, m_nPitch,
                         m_nShift);
        old = std::move(m_vCell);
    }
    m_nWidth = width;
    m_nHeight = height;
    m_nShift = shift;
    m_nPitch = 1 << shift;
    m_vCell.assign(static_cast<size_t>(height) << shift, 0);
    if (!old.empty() && oldShift >= 0 && oldShift <= 30) {
        for (int y = 0; y < height && y < oldHeight; ++y)
            for (int x = 0; x < width && x < oldWidth; ++x) {
                int64_t from = x + (int64_t{y} << oldShift);
                if (from < old.Size()) Cell(x, y) = old[static_cast<size_t>(from)];
            }
    }
    return 1;
}

cWorldPoint* cWorldMap::FindPointXY(int x, int y) {
    for (cWorldPoint& point : m_vPoint)
        if (point.m_nX == x && point.m_nY == y) return &point;
    return nullptr;
}

namespace {

// The key a stage's score record is kept under: the file without its
// extension, a "-1" part turned into the ending ".", else "." appended.
std::string StageKeyOf(const std::string& stageFile) {
    std::string key = stageFile;
    size_t dot = key.rfind('.');
    if (dot != std::string::npos) key.resize(dot);
    size_t dash = key.rfind("-1");
    if (dash != std::string::npos) key.resize(dash);
    return key + '.';
}

}  // namespace

int cWorldMap::FindPointByStage(const std::string& stageKey, int keyed, int keyA, int keyB) const {
    for (const cWorldPoint& point : m_vPoint)
        for (const cWorldLink& link : point.m_vLink) {
            if (link.m_nKind != kLinkStage) continue;
            if (StageKeyOf(link.m_strStageFile) != stageKey) continue;
            if (keyed == 0 && link.m_nKeyed == 0) return 1;
            if (keyed == 1 && link.m_nKeyed == 1 && link.m_nKeyA == keyA && link.m_nKeyB == keyB) return 1;
        }
    return 0;
}
