#include "objects/chip_src.h"

#include <algorithm>
#include <cstdint>

#include "gfx/system_bitmaps.h"
#include "objects/game_obj.h"
#include "project/database.h"
#include "project/system_ini.h"
#include "stage/stage_resources.h"

namespace {

constexpr int kCharaSheets = 8;
constexpr int kSysCharaSecond = 22;  // second copies of the chara sheets
constexpr int kSysBlockSecond = 3;
constexpr int kSysItemSecond = 41;
constexpr int kSysMarkSecond = 44;
constexpr int kSysWorkSecond = kSysBmpWork + 1;
constexpr int kSysEffectWork = 71;

// Stands in for a sheet that is not there: it has no pixels, so every blit
// from it draws nothing, and callers never meet a null surface.
DDSURFACEDATA g_NoSheet;

DDSURFACEDATA* g_pMarkSource = &g_SysBmp[kSysBmpMark];
DDSURFACEDATA* g_pWork = &g_SysBmp[kSysBmpWork];
DDSURFACEDATA* g_pEffectWork = &g_SysBmp[kSysEffectWork];

// The blit-surface display reads its stretched chips from the video-memory
// sheets only when the player asked for it.
bool VideoStretch() { return !lpDTCon && g_SystemIni.DD_VideoStretch != 0; }

// A source position from chip numbers of a broken file stays far outside
// every sheet instead of overflowing; the blits refuse such positions.
int Pos(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(int64_t{1} << 30), int64_t{1} << 30)); }

// Chip n of a sheet of `perColumn` chips to a column; a negative chip gets a
// negative row, outside the sheet.
int64_t Column(int64_t chip, int perColumn) { return chip / perColumn; }
int64_t Row(int64_t chip, int perColumn) { return chip % perColumn; }

DDSURFACEDATA* CharaExcImage(int64_t k) {
    if (k < 0 || k >= static_cast<int64_t>(g_CharaExcSurfaces.size())) return &g_NoSheet;
    return &g_CharaExcSurfaces[static_cast<size_t>(k)];
}

// The chip side of chara-image record `record` in blocks, or 0 when it has
// no chip size of its own (or is not a record).
int OwnChipBlocks(int64_t record) {
    const auto& records = g_Database.m_vBmpCharaExc;
    if (record < 0 || record >= static_cast<int64_t>(records.size())) return 0;
    const cBmpCharaExcData& r = records[static_cast<size_t>(record)];
    return r.m_nLargeChips == 1 ? r.ChipSide() / kChip : 0;
}

void Kind1(CHIPSRC& s, int type, int64_t chip, int64_t offset, const cGameObj* obj, int64_t frame) {
    const int64_t sheet = Column(chip, kChipsPerColumn);
    int64_t x = 0;
    int facing = 0;
    if (type == 1) {
        facing = obj && obj->m_bRight ? 1 : 0;
        x = (offset + frame) * kChip;
    } else if (offset >= 20) {
        facing = 1;
        x = (offset - 20) * kChip;
    } else {
        x = offset * kChip;
    }
    const int64_t y = Row(chip, kChipsPerColumn) * kChip;
    bool inside = sheet >= 0 && sheet < kCharaSheets;
    if (inside) {
        const DDSURFACEDATA& a = g_SysBmp[kSysBmpCharacter1 + 2 * sheet + facing];
        inside = x >= 0 && y >= 0 && x < a.nWidth && y < a.nHeight;
    }
    if (!inside) {
        // A chip outside the sheets shows the first chip of the first sheet.
        s.a = s.c = &g_SysBmp[kSysBmpCharacter1];
        s.b = s.d = &g_SysBmp[kSysCharaSecond];
        s.x = s.y = 0;
        return;
    }
    const int n = static_cast<int>(2 * sheet);
    s.a = &g_SysBmp[kSysBmpCharacter1 + n + facing];
    s.b = &g_SysBmp[kSysCharaSecond + n + facing];
    if (type == 1) {
        s.c = &g_SysBmp[kSysBmpCharacter1 + n + (1 - facing)];
        s.d = &g_SysBmp[kSysCharaSecond + n + (1 - facing)];
    } else {
        s.c = s.a;
        s.d = s.b;
    }
    s.x = Pos(x);
    s.y = Pos(y);
}

void Kind4(CHIPSRC& s, int type, int64_t chip, int64_t offset, const cGameObj* obj, int64_t frame) {
    const int facing = type == 1 && obj && obj->m_bRight ? 1 : 0;
    const int64_t k = chip * 4 - 4 + facing;
    s.a = CharaExcImage(k);
    s.b = CharaExcImage(k + 2);
    if (type == 1) {
        const int64_t other = facing ? k - 1 : k + 1;
        s.c = CharaExcImage(other);
        s.d = CharaExcImage(other + 2);
    } else {
        s.c = s.a;
        s.d = s.b;
    }
    const int64_t f = type == 1 ? offset + frame : offset;
    if (const int m = OwnChipBlocks(chip)) {
        const int perRow = 16 / m;
        s.specialSize = 1;
        s.multiplier = static_cast<uint8_t>(m);
        s.x = Pos(f % perRow * kChip * m);
        s.y = Pos(f / perRow * kChip * m);
    } else {
        s.x = Pos(f % 16 * kChip);
        s.y = Pos(f / 16 * kChip);
    }
}

}  // namespace

CHIPSRC GetChipSrc(int type, int kind, int chip, int offset, const cGameObj* obj, int frame) {
    CHIPSRC s;
    s.specialSize = 0;
    s.multiplier = 1;
    const int64_t c = chip;
    switch (kind) {
    case 0:
        s.a = s.c = &g_SysBmp[kSysBmpBlock];
        s.b = s.d = &g_SysBmp[kSysBlockSecond];
        s.x = Pos(Column(c, kChipsPerColumn) * kChip);
        s.y = Pos(Row(c, kChipsPerColumn) * kChip);
        break;
    case 1:
        Kind1(s, type, c, offset, obj, frame);
        break;
    case 2:
        s.a = s.c = &g_SysBmp[kSysBmpItem];
        s.b = s.d = &g_SysBmp[kSysItemSecond];
        s.x = Pos(Column(c, kChipsPerColumn) * 64 + (type == 2 ? int64_t{frame} * kChip : 0));
        s.y = Pos(Row(c, kChipsPerColumn) * kChip);
        break;
    case 3:
        if (type == 1) {
            const int facing = obj && obj->m_bRight ? 1 : 0;
            s.a = s.b = &g_SysBmp[kSysBmpShotChips + facing];
            s.c = s.d = &g_SysBmp[kSysBmpShotChips + 1 - facing];
        } else {
            s.a = s.b = s.c = s.d = &g_SysBmp[kSysBmpShotChips];
        }
        s.x = Pos(Column(c, 30) * 64);
        s.y = Pos(Row(c, 30) * kChip);
        break;
    case 4:
        Kind4(s, type, c, offset, obj, frame);
        break;
    default:
        // A kind no editor writes: nothing to draw.
        s.a = s.b = s.c = s.d = &g_NoSheet;
        break;
    }
    if (VideoStretch()) {
        s.s0 = s.a;
        s.s1 = s.c;
    } else {
        s.s0 = s.b;
        s.s1 = s.d;
    }
    return s;
}

void SelectChipSurfaces() {
    const bool videoStretch = VideoStretch();
    g_pMarkSource = &g_SysBmp[videoStretch ? kSysBmpMark : kSysMarkSecond];
    g_pWork = &g_SysBmp[videoStretch ? kSysBmpWork : kSysWorkSecond];
    g_pEffectWork = &g_SysBmp[lpDTCon ? kSysEffectWork : kSysWorkSecond];
}

DDSURFACEDATA* ChipMarkSource() { return g_pMarkSource; }
DDSURFACEDATA* ChipWorkSurface() { return g_pWork; }
DDSURFACEDATA* ChipEffectSurface() { return g_pEffectWork; }

void DrawChipIcon(DDSURFACEDATA* surface, int x, int y, int kind, int chip, int frame) {
    const int64_t c = chip;
    auto shrink = [&](DDSURFACEDATA* src, int64_t sx, int64_t sy, int side) {
        DDStretchBlt(surface, x, y, 16, 16, src, Pos(sx), Pos(sy), side, side, DDBLT_KEYED);
    };
    switch (kind) {
    case 0:
        // Block icons step 64 dots a column, not the 32 of the blocks
        // themselves; games made with the kit chose their icons under it.
        shrink(&g_SysBmp[kSysBlockSecond], Column(c, kChipsPerColumn) * 2 * kChip, Row(c, kChipsPerColumn) * kChip,
               kChip);
        break;
    case 1: {
        const int64_t sheet = Column(c, kChipsPerColumn);
        const int64_t sx = int64_t{frame} * kChip, sy = Row(c, kChipsPerColumn) * kChip;
        bool inside = sheet >= 0 && sheet < kCharaSheets;
        if (inside) {
            const DDSURFACEDATA& s = g_SysBmp[kSysCharaSecond + 2 * sheet];
            inside = sx >= 0 && sy >= 0 && sx < s.nWidth && sy < s.nHeight;
        }
        // As a chara's chip: one outside the sheets shows the first chip.
        if (inside)
            shrink(&g_SysBmp[kSysCharaSecond + 2 * sheet], sx, sy, kChip);
        else
            shrink(&g_SysBmp[kSysCharaSecond], 0, 0, kChip);
        break;
    }
    case 2:
        DDBlt(surface, x, y, 16, 16, &g_SysBmp[kSysBmpItemMini], Pos(Column(c, kChipsPerColumn) * 32),
              Pos(Row(c, kChipsPerColumn) * 16), DDBLT_KEYED);
        break;
    case 3:
        shrink(&g_SysBmp[kSysBmpShotChips], Column(c, 30) * 64, Row(c, 30) * kChip, kChip);
        break;
    case 4: {
        DDSURFACEDATA* image = CharaExcImage(c * 4 - 2);
        if (const int m = OwnChipBlocks(c)) {
            const int perRow = 16 / m;
            shrink(image, int64_t{frame} % perRow * kChip * m, int64_t{frame} / perRow * kChip * m, kChip * m);
        } else {
            shrink(image, int64_t{frame} % 16 * kChip, int64_t{frame} / 16 * kChip, kChip);
        }
        break;
    }
    default:
        break;
    }
}
