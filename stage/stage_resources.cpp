#include "stage/stage_resources.h"

#include <algorithm>
#include <string>

#include "core/message_box.h"
#include "core/report_log.h"
#include "gfx/dd_lens.h"
#include "gfx/system_bitmaps.h"
#include "project/database.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

PROGRAM_OBJECT_DEFINE(g_CharaExcSurfaces, cVector<DDSURFACEDATA>);
PROGRAM_OBJECT_DEFINE(g_CharaExcDefs, cVector<DDSURFACEDEF>);
PROGRAM_OBJECT_DEFINE(g_SwordSurfaces, cVector<DDSURFACEDATA>);
PROGRAM_OBJECT_DEFINE(g_SwordDefs, cVector<DDSURFACEDEF>);
PROGRAM_OBJECT_DEFINE(g_EffectSurfaces, cVector<DDSURFACEDATA>);
PROGRAM_OBJECT_DEFINE(g_EffectDefs, cVector<DDSURFACEDEF>);


namespace {

// One surface of a database record: which of the record's files it shows,
// whether it lives in system memory, the surface of the same record whose
// texture it draws from (-1: its own), its mirror cell width.
struct TwinRow {
    int file;
    int systemMemory;
    int source;
    int mirrorWidth;
};

using FailureReport = void (*)(const char* file);

// Appends the surfaces of one record and their definitions, creates them
// from the last to the first and links each to its source. A surface that
// cannot be made is reported and stays empty; loading goes on.
void LoadRecord(cVector<DDSURFACEDATA>& surfaces, cVector<DDSURFACEDEF>& defs, const TwinRow* rows, int count,
                const std::string* files, int optional, FailureReport report) {
    const size_t base = surfaces.size();
    for (int i = 0; i < count; ++i) {
        const TwinRow& row = rows[i];
        surfaces.emplace_back();
        // Only the texture device draws one surface through another's texture.
        DDSURFACEDATA* shared = lpDTCon && row.source >= 0 ? &surfaces[base + static_cast<size_t>(row.source)] : nullptr;
        DDSURFACEDEF& def = defs.emplace_back();
        def.Set(files[row.file].c_str(), 1, row.systemMemory, 0, shared, 0, optional, row.mirrorWidth, 0, 0, 0);
    }
    for (int i = count - 1; i >= 0; --i) {
        DDSURFACEDATA& surface = surfaces[base + static_cast<size_t>(i)];
        const DDSURFACEDEF& def = defs[base + static_cast<size_t>(i)];
        const int code = DDCreateSurfaceFromFile(&surface, def.szFile, 1, g_nBpp, def.bSystemMemory, def.nMemoryType,
                                                 def.lpShared, def.bIndexMap, def.nMirrorWidth, def.nMirrorHeight, 0);
        // Every code but 0 left the surface without a picture, not only the
        // ones the checker names.
        if (!DDCheckSurfaceErr(code) || code != 0) report(def.szFile);
    }
    for (int i = 0; i < count; ++i) {
        const int source = rows[i].source;
        if (source >= 0) surfaces[base + static_cast<size_t>(i)].lpMirrorSrc = &surfaces[base + static_cast<size_t>(source)];
    }
}

// Empties a pair of containers and makes room for every surface to come:
// the layer keeps the addresses of the surfaces it made, so the vector
// must not move them while a group loads.
void ResetGroup(cVector<DDSURFACEDATA>& surfaces, cVector<DDSURFACEDEF>& defs, int records, int perRecord) {
    DDReleaseSurfaces(surfaces);
    surfaces.clear();
    defs.clear();
    const size_t room = static_cast<size_t>(std::max(records, 0)) * static_cast<size_t>(perRecord);
    surfaces.reserve(room);
    defs.reserve(room);
}

// The shot chips are 16 x 16; in the sheets each sits centred in a 32 x 32
// cell, so shots draw like the 32-dot chips of charas. The sheets are the
// two system pictures the chip lookup reads for shot chips, by facing.
constexpr int kShotRows = 30, kShotColumns = 4;
constexpr int kShotSheetW = kShotColumns * 64, kShotSheetH = kShotRows * 32;

void BuildShotSheet(DDSURFACEDATA& sheet, DDSURFACEDATA& shots) {
    // The stage start makes the sheets with the other system pictures; one
    // not made yet is made here, as its row describes it.
    if (!sheet.lpDT && !sheet.lpDDS && !DDCreateSurface(&sheet, kShotSheetW, kShotSheetH, 1, 1, 0, nullptr, 0)) {
        OutOfMemoryExit();
        return;
    }
    DDFillSurface(&sheet, 0);
    for (int c = 0; c < kShotRows; ++c) {
        for (int d = 0; d < kShotColumns; ++d) {
            DDBlt(&sheet, 8 + 64 * d, 8 + 32 * c, 16, 16, &shots, 32 * d, 16 * c, DDBLT_KEYED);
            DDBlt(&sheet, 40 + 64 * d, 8 + 32 * c, 16, 16, &shots, 16 + 32 * d, 16 * c, DDBLT_KEYED);
        }
    }
    sheet.bLost = 0;
}

// A hole wider than the view's diagonal already shows the whole view.
constexpr int kMaxSight = 800;
constexpr int kDarkness = 16;

}  // namespace

void cGameScene::LoadCharaExcBitmaps() {
    const cVector<cBmpCharaExcData>& records = g_Database.m_vBmpCharaExc;
    ResetGroup(g_CharaExcSurfaces, g_CharaExcDefs, records.Size() - 1, 4);
    // Record 0 stands for "no sheet" and is never loaded.
    for (int n = 1; n < records.Size(); ++n) {
        const cBmpCharaExcData& record = records[static_cast<size_t>(n)];
        const int cell = record.ChipSide();
        const TwinRow rows[4] = {{0, 0, -1, 0}, {0, 0, 0, cell}, {0, 1, 0, 0}, {0, 1, 0, cell}};
        LoadRecord(g_CharaExcSurfaces, g_CharaExcDefs, rows, 4, &record.m_strFile, 0,
                   [](const char* file) { WriteReport("専用bmp %s 読み込み失敗！", file); });
    }
}

void cGameScene::LoadSwords() {
    const cVector<cSwordTypeData>& records = g_Database.m_vSwordType;
    ResetGroup(g_SwordSurfaces, g_SwordDefs, records.Size(), 4);
    for (const cSwordTypeData& record : records) {
        const std::string files[2] = {record.m_strFileL, record.m_strFileR};
        const TwinRow rows[4] = {{0, 0, -1, 0}, {1, 0, -1, 0}, {0, 1, 0, 0}, {1, 1, 1, 0}};
        LoadRecord(g_SwordSurfaces, g_SwordDefs, rows, 4, files, 0,
                   [](const char* file) { WriteReport("ソード %s 読み込み失敗！", file); });
    }
}

void cGameScene::LoadEffects() {
    const cVector<cEffectData>& records = g_Database.m_vEffect;
    ResetGroup(g_EffectSurfaces, g_EffectDefs, records.Size() - 1, 2);
    for (int n = 1; n < records.Size(); ++n) {
        const TwinRow rows[2] = {{0, 0, -1, 0}, {0, 1, 0, 0}};
        LoadRecord(g_EffectSurfaces, g_EffectDefs, rows, 2, &records[static_cast<size_t>(n)].m_strFile, 1,
                   [](const char* file) { WriteReport("エフェクト %s 読み込み失敗！", file); });
    }
}

void cGameScene::BuildShotChipSheets() {
    BuildShotSheet(g_SysBmp[kSysBmpShotChips], g_SysBmp[kSysBmpShot]);
    BuildShotSheet(g_SysBmp[kSysBmpShotChips + 1], g_SysBmp[kSysBmpShot + 1]);
}

void cGameScene::ClearPictures() {
    DDReleaseSurfaceList(g_PictureSD);
    g_PictureSD.clear();
    g_PictureDef.clear();
    m_lPictures.clear();
}

void cGameScene::ClearMessageSurfaces() {
    DDReleaseSurfaceList(Off_Msg);
    Off_Msg.clear();
    g_OffMsgDef.clear();
}

void ResizeWorkSurfaces(DDSURFACEDATA* overlay, DDSURFACEDATA* stamp) {
    if (!overlay || !stamp) return;
    int r = 0, mode = 0;
    if (!g_Heroes.empty()) {
        const cHero& hero = g_Heroes[0];
        r = hero.m_nSight;
        mode = hero.m_Def.m_cSightShape;
    }
    // Commands and expressions set the sight freely; a negative or huge
    // value would ask for a surface that cannot exist.
    r = std::clamp(r, 0, kMaxSight);

    DDReleaseSurface(overlay);
    DDReleaseSurface(stamp);
    if (!DDCreateSurface(overlay, 1280 + 2 * r, 960 + 2 * r, 1, 1, 0, nullptr, 0)) {
        OutOfMemoryExit();
        return;
    }
    DDFillSurface(overlay, kDarkness);
    if (r == 0) return;

    const int cx = overlay->nWidth / 2, cy = overlay->nHeight / 2;
    if (mode != 1 && mode != 2) {
        DDFillRect(overlay, cx - r, cy - r, 2 * r, 2 * r, 0);
        return;
    }
    if (!DDCreateSurface(stamp, 2 * r, 2 * r, 1, 1, 0, nullptr, 0)) {
        OutOfMemoryExit();
        return;
    }
    DDFillSurface(stamp, 0);
    // An opaque copy of transparent pixels cuts the hole.
    DDBltCircle(overlay, cx, cy, r, r, r, 1, stamp, r, r, DDBLT_OPAQUE);
}
