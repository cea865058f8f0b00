// The drawing passes of one stage frame: backgrounds, the block map,
// pictures, the status bar, the time-limit counter and the screen tint.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "app/requests.h"
#include "core/text.h"
#include "core/timing.h"
#include "frontend/play_data.h"
#include "gfx/dd_blend.h"
#include "gfx/dd_fade.h"
#include "gfx/dd_frame.h"
#include "gfx/dd_layer.h"
#include "gfx/font.h"
#include "gfx/system_bitmaps.h"
#include "objects/game_obj.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

namespace {

constexpr int kScreenW = 640;
constexpr int kScreenH = 480;
constexpr int kMaxBackgrounds = 8;
constexpr uint32_t kEmptyColor = 16;
constexpr int kMaxPieces = 1000;
constexpr int kGaugeWidth = 50;
constexpr int kWarningSe = 13;

// v mod n, never negative.
int Wrap(int v, int n) {
    const int r = v % n;
    return r < 0 ? r + n : r;
}

// An auto-scroll offset brought back into [0, size).
double WrapOffset(double offset, int size) {
    if (offset < 0)
        offset += size;
    else if (offset >= size)
        offset -= size;
    // A speed above the image's size (or a broken one) needs more than one
    // step; fmod keeps that to one operation.
    if (!(offset >= 0 && offset < size)) {
        offset = std::fmod(offset, static_cast<double>(size));
        if (!(offset == offset)) return 0;
        if (offset < 0) offset += size;
        if (offset >= size) offset = 0;
    }
    return offset;
}

DDSURFACEDATA* BackgroundImage(size_t i) { return &g_SysBmp[kSysBmpBackground1 + i]; }

bool HasPicture(const DDSURFACEDATA* sd) { return sd->nWidth > 0 && sd->nHeight > 0; }

// The image tiled over the screen from source position (originX, originY).
void TileBackground(DDSURFACEDATA* target, DDSURFACEDATA* image, int originX, int originY, int flags) {
    const int w = image->nWidth, h = image->nHeight;
    const int firstX = Wrap(originX, w);
    int sy = Wrap(originY, h);
    DDBeginLayer(0);
    int y = 0;
    for (int row = 0; y < kScreenH && row < kMaxPieces; ++row) {
        const int pieceH = h - sy;
        int x = 0, sx = firstX;
        for (int col = 0; x < kScreenW && col < kMaxPieces; ++col) {
            DDBlt(target, x, y, w - sx, pieceH, image, sx, sy, flags);
            x += w - sx;
            sx = 0;
        }
        y += pieceH;
        sy = 0;
    }
    DDEndLayer();
}

}  // namespace

// ---------------------------------------------------------------------------
// Backgrounds

void cGameScene::ScrollBackgrounds() {
    if (m_nState == kStatePause) return;
    const size_t n = std::min<size_t>(g_Stage.m_vBackground.size(), kMaxBackgrounds);
    for (size_t i = 0; i < n; ++i) {
        cBackground& bg = g_Stage.m_vBackground[i];
        const DDSURFACEDATA* image = BackgroundImage(i);
        // An image of no size has nothing to wrap around.
        if (!HasPicture(image)) continue;
        if (bg.m_bAutoX) bg.m_dOffsetX = WrapOffset(bg.m_dOffsetX - bg.m_dSpeedX, image->nWidth);
        if (bg.m_bAutoY) bg.m_dOffsetY = WrapOffset(bg.m_dOffsetY - bg.m_dSpeedY, image->nHeight);
    }
}

int cGameScene::DrawBackgrounds(DDSURFACEDATA* target, int layer) {
    const size_t n = std::min<size_t>(g_Stage.m_vBackground.size(), kMaxBackgrounds);
    if (layer == 0) {
        bool any = false;
        for (size_t i = 0; i < n; ++i) any = any || g_Stage.m_vBackground[i].m_bShown;
        if (!any) {
            DDFillRect(target, 0, 0, kScreenW, kScreenH, kEmptyColor);
            return 0;
        }
    }
    int drawn = 0;
    for (size_t i = 0; i < n; ++i) {
        const cBackground& bg = g_Stage.m_vBackground[i];
        if (!bg.m_bShown || bg.m_nLayer != layer) continue;
        if (bg.m_bFill) {
            DDFillRect(target, 0, 0, kScreenW, kScreenH, static_cast<uint32_t>(bg.m_nFillColor));
            ++drawn;
            continue;
        }
        DDSURFACEDATA* image = BackgroundImage(i);
        if (!HasPicture(image)) continue;
        double originX = (TruncDot(m_ScrollX.m_dPos + 0.5) - m_ScrollX.m_nMargin * 32.0) * bg.m_dRateX;
        if (bg.m_bAutoX) originX += bg.m_dOffsetX;
        double originY = (TruncDot(m_ScrollY.m_dPos) - m_ScrollY.m_nMargin * 32.0) * bg.m_dRateY;
        if (bg.m_bAutoY) originY += bg.m_dOffsetY;
        // The first picture behind the map covers the screen: it needs no key.
        const int flags = layer == 0 && drawn == 0 ? DDBLT_OPAQUE : DDBLT_KEYED;
        TileBackground(target, image, TruncDot(originX), TruncDot(originY), flags);
        ++drawn;
    }
    if (layer == 0 && drawn == 0) DDFillRect(target, 0, 0, kScreenW, kScreenH, kEmptyColor);
    return drawn;
}

// ---------------------------------------------------------------------------
// Block map

void cGameScene::DrawBlockMap(DDSURFACEDATA* target, int layer) {
    const int camX = TruncDot(m_ScrollX.m_dPos), camY = TruncDot(m_ScrollY.m_dPos);
    const int firstCol = camX >> 5, firstRow = camY >> 5;
    const int shiftX = camX & 31, shiftY = camY & 31;
    // Marks come after every block chip.
    DDBeginLayer(1);
    DDAddLayerKey(&g_SysBmp[kSysBmpMark]);
    for (int r = 0; r < 16; ++r) {
        const int row = firstRow + r;
        if (row < 0 || row >= m_ScrollY.m_nCells) continue;
        for (int c = 0; c < 21; ++c) {
            const int col = firstCol + c;
            if (col < 0 || col >= m_ScrollX.m_nCells) continue;
            const size_t index = static_cast<size_t>(col) + (static_cast<size_t>(row) << m_ScrollX.m_nShift);
            if (index >= g_Map.size()) continue;
            cMapCell& cell = g_Map[index];
            if (cell.m_sChip == 0 || cell.m_cFront != layer) continue;
            if (!CheckBlockConditions(cell) || cell.m_cHidden != 0) continue;
            cell.Draw(target, 32 * c - shiftX, 32 * r - shiftY);
        }
    }
    DDEndLayer();
}

// ---------------------------------------------------------------------------
// Pictures

void cGameScene::DrawPictures(DDSURFACEDATA* target, int layer, int frozen) {
    // The surface and definition lists go in step with the pictures; should
    // they ever fall short, a picture without a surface draws nothing.
    DDSURFACEDATA none;
    auto surface = g_PictureSD.begin();
    auto def = g_PictureDef.begin();
    for (auto picture = m_lPictures.begin(); picture != m_lPictures.end();) {
        const bool hasSurface = surface != g_PictureSD.end();
        if (picture->m_nLayer != layer || !picture->Draw(target, hasSurface ? &*surface : &none, frozen)) {
            ++picture;
            if (hasSurface) ++surface;
            if (def != g_PictureDef.end()) ++def;
            continue;
        }
        if (hasSurface) {
            DDReleaseSurface(&*surface);
            surface = g_PictureSD.erase(surface);
        }
        if (def != g_PictureDef.end()) def = g_PictureDef.erase(def);
        picture = m_lPictures.erase(picture);
    }
}

// ---------------------------------------------------------------------------
// Status bar

namespace {

constexpr int kItemTotalScore = 0, kItemScore = 1, kItemHP = 2, kItemSP = 3, kItemLives = 4;
constexpr int kStatusItems = 5;

int ItemWidth(const cStatusItem& item, int n) {
    const int64_t label = item.m_nIcon ? 16 : int64_t{CountChars(item.m_strLabel.c_str())} * 16;
    const int64_t value = n == kItemHP || n == kItemSP ? kGaugeWidth : int64_t{item.m_nWidth} * 16;
    return static_cast<int>(std::clamp<int64_t>(label + value, -(1 << 24), 1 << 24));
}

// The gauge's frame and its fill, clamped to the frame.
void DrawGauge(DDSURFACEDATA* target, int x, int n, const cStatusItem& item, int value, int max) {
    DDSURFACEDATA* sheet = &g_SysBmp[kSysBmpAccessory];
    const int srcX = n == kItemHP ? 0 : 64;
    DDBlt(target, x, 3, kGaugeWidth, 16, sheet, srcX, 128, DDBLT_KEYED);
    const int64_t fill = max == 0 ? 0 : std::clamp<int64_t>(int64_t{value} * kGaugeWidth / max, 0, kGaugeWidth);
    const int row = g_SystemData.IsWarningLevel(n, value, max) ? 160 : 144;
    DDBlt(target, x, 3, static_cast<int>(fill), 16, sheet, srcX, row, DDBLT_KEYED);
    if (item.m_nNumberOnGauge) Font10.Printf(target, x, 6, "%d", value);
}

}  // namespace

void cGameScene::DrawStatusBar(DDSURFACEDATA* target) {
    if (!m_nDrawMode) return;
    const int items = std::min(g_SystemData.m_vStatusItem.Size(), kStatusItems);
    int64_t sum = 0;
    int shown = 0;
    for (int n = 0; n < items; ++n) {
        const cStatusItem& item = g_SystemData.m_vStatusItem[static_cast<size_t>(n)];
        if (!item.m_nShown) continue;
        sum += ItemWidth(item, n);
        ++shown;
    }
    if (shown == 0) return;
    const int gap = static_cast<int>((638 - sum) / (shown + 1));

    DDBlt(target, 0, 0, kScreenW, 20, &g_SysBmp[kSysBmpStatusWindow], 0, 0, DDBLT_KEYED);
    const cHero* hero = g_Heroes.empty() ? nullptr : &g_Heroes[0];
    int x = gap;
    for (int n = 0; n < items; ++n) {
        const cStatusItem& item = g_SystemData.m_vStatusItem[static_cast<size_t>(n)];
        if (!item.m_nShown) continue;
        const char* label = item.m_strLabel.c_str();
        if (item.m_nIcon) DDBlt(target, x, 3, 16, 16, &g_SysBmp[kSysBmpAccessory], 16 * n, 32, DDBLT_KEYED);
        switch (n) {
        case kItemTotalScore:
        case kItemScore: {
            const int value = n == kItemTotalScore ? g_PlayData.m_nTotalScore : g_PlayData.m_nScore;
            if (item.m_nIcon)
                Font16.Printf(target, x + 16, 3, "%d", value);
            else
                Font16.Printf(target, x, 3, "%s%d", label, value);
            break;
        }
        case kItemHP:
        case kItemSP: {
            int value = 0, max = 0;
            if (hero) {
                value = n == kItemHP ? hero->m_nHP : hero->m_nSP;
                max = n == kItemHP ? hero->m_Def.m_nMaxHP : hero->m_Def.m_nMaxSP;
            }
            int gaugeX = x + 16;
            if (!item.m_nIcon) {
                Font16.Printf(target, x, 3, "%s", label);
                gaugeX = x + CountChars(label) * 16;
            }
            DrawGauge(target, gaugeX, n, item, value, max);
            break;
        }
        case kItemLives: {
            const int lives = g_PlayData.m_nLives;
            if (item.m_nIcon) {
                if (lives == kInfiniteLives)
                    Font16.Printf(target, x + 16, 3, "-");
                else
                    Font16.Printf(target, x + 16, 3, "%d", lives);
            } else if (lives == kInfiniteLives) {
                Font16.Printf(target, x, 3, "%s-", label);
            } else {
                Font16.Printf(target, x, 3, "%s%d", label, lives);
            }
            break;
        }
        default:
            break;
        }
        x += ItemWidth(item, n) + gap;
    }
}

// ---------------------------------------------------------------------------
// Time limit

void cGameScene::DrawTimeLimit(DDSURFACEDATA* target, int fromPlay) {
    if (m_bNoTimeLimit) return;
    DDDrawNumber(target, 272, 24, 32, 32, &g_SysBmp[kSysBmpWord], 0, 160, DDBLT_KEYED, m_nTimeLimit, 3, 1);
    // Only the play step warns, at the start of each of its seconds; a
    // modal wait that draws the stage stays silent.
    if (fromPlay && m_nTimeLimit >= 1 && m_nTimeLimit <= g_Stage.m_nTimeWarning &&
        CountEvery(2, static_cast<uint32_t>(g_SceneMgr.m_nFrameRate)))
        PlaySystemSe(kWarningSe);
}

// ---------------------------------------------------------------------------
// Screen colour

void cScreenColor::Set(const int32_t* p) {
    if (p[4] != 0) {
        const bool nothingActive = lpDTCon ? !m_bActive : g_nBpp == 8 && !m_bTinted;
        if (nothingActive) return;
    }
    m_ucPrevRed = m_ucRed;
    m_ucPrevGreen = m_ucGreen;
    m_ucPrevBlue = m_ucBlue;
    m_nPrevStrength = m_nStrength;
    m_nPrevWeight = m_nWeight;

    m_ucRed = static_cast<uint8_t>(p[0]);
    m_ucGreen = static_cast<uint8_t>(p[1]);
    m_ucBlue = static_cast<uint8_t>(p[2]);
    m_nStrength = p[3];
    m_bReturn = p[4];
    // Tenths of a second as frames, kept inside an int for any parameter.
    m_nDuration = static_cast<int32_t>(std::clamp<int64_t>(int64_t{p[5]} * 6, INT32_MIN, INT32_MAX));
    m_bFlash = p[6];
    m_nFlashCount = p[7];
    m_bActive = 1;
    m_nFrame = 0;
    m_nFlashDone = 0;

    if (!m_bReturn) {
        m_nWeight = 0;
        m_bTinted = 1;
    } else {
        m_ucRed = m_ucPrevRed;
        m_ucGreen = m_ucPrevGreen;
        m_ucBlue = m_ucPrevBlue;
        m_nStrength = m_nPrevStrength;
        m_nWeight = m_nPrevWeight;
    }
}

namespace {

// The weight of the picture under the tint for this frame; `end` is set
// when the tint ends with this frame and `restart` when a flash cycle is
// over.
double TintWeight(const cScreenColor& sc, bool& end, bool& restart) {
    const int d = sc.m_nDuration, t = sc.m_nFrame;
    const bool done = t >= d;
    const double share = d == 0 || done ? 1.0 : static_cast<double>(t) / d;
    const double a = share * sc.m_nStrength * 2.55;
    if (sc.m_bFlash) {
        if (done) {
            restart = true;
            return 255;
        }
        return 255 - a;
    }
    if (sc.m_bReturn) {
        end = done;
        if (d == 0) return 255;
        return share * (255 - sc.m_nPrevWeight) + sc.m_nPrevWeight;
    }
    end = done && sc.m_nStrength == 0;
    return 255 - a;
}

}  // namespace

void cGameScene::DrawScreenColor(int frozen) {
    cScreenColor& sc = m_ScreenColor;
    if (!sc.m_bActive) return;
    if (!lpDTCon) {
        if (frozen) return;
        if (g_nBpp != 8) {
            // Without a palette there is nothing to tint.
            sc.m_bActive = 0;
            return;
        }
    }
    bool end = false, restart = false;
    // Strengths beyond 100 % from a command would push the weight out of
    // the range the blends take.
    const int w = std::clamp(TruncDot(TintWeight(sc, end, restart)), 0, 255);
    const uint8_t red = sc.m_bReturn ? sc.m_ucPrevRed : sc.m_ucRed;
    const uint8_t green = sc.m_bReturn ? sc.m_ucPrevGreen : sc.m_ucGreen;
    const uint8_t blue = sc.m_bReturn ? sc.m_ucPrevBlue : sc.m_ucBlue;
    if (lpDTCon) {
        if (lpDTCon->bVirBackBuffer) {
            DDSURFACEDATA* work = &g_SysBmp[kSysBmpWork];
            DDFillSurfaceColor(work, 0xFF000000u | uint32_t{red} << 16 | uint32_t{green} << 8 | blue);
            DDBltAlpha(&g_BackBufferSD, 0, 0, kScreenW, kScreenH, work, 0, 0, DDBLT_OPAQUE, g_BlendTable, w);
        } else {
            DDChangeColor(&g_BackBufferSD, 0, 0, kScreenW, kScreenH, w, red, green, blue);
        }
    } else {
        const PALETTEENTRY* source = restart || (end && sc.m_bReturn) ? g_BasePalette : nullptr;
        if (source)
            std::copy(std::begin(g_BasePalette), std::end(g_BasePalette), std::begin(g_Palette));
        else
            DDFadePalette(g_Palette, 0, 255, w, red, green, blue, g_BasePalette);
        if (g_lpDD) g_lpDD->SetPaletteEntries(0, 256, g_Palette);
    }
    sc.m_nWeight = w;
    if (!frozen && restart) {
        sc.m_nFrame = 0;
        // A flash count of 0 never ends: the flash goes on.
        if (++sc.m_nFlashDone == sc.m_nFlashCount) end = true;
    } else if (!frozen && !end && sc.m_nFrame < sc.m_nDuration) {
        ++sc.m_nFrame;
    }
    if (end) {
        sc.m_bActive = 0;
        if (sc.m_bReturn || sc.m_bFlash) sc.m_bTinted = 0;
    }
}
