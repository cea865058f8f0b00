// Drawing of a chara: its anime frame, the chip of its state, the chara
// effect's renderer, the mark, the death drawing and the HP and SP gauges.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "frontend/scene_mgr.h"
#include "gfx/system_bitmaps.h"
#include "objects/chara.h"
#include "objects/chara_effects.h"
#include "objects/chip_src.h"
#include "project/anime.h"
#include "project/database.h"
#include "project/db_media.h"
#include "project/system_data.h"

namespace {

constexpr int kGaugeWidth = 50;
constexpr int kGaugeHeight = 2;
constexpr int kStatusHP = 2;
constexpr int kStatusSP = 3;
// What an anime pattern's Advance gives once a pattern that does not loop
// has played to its end.
constexpr int kPatEnded = -4;

// The renderer of the running effect. No effect, and a kind no renderer
// knows, draw plain.
int EffectKind(const cChara& chara) {
    const int16_t id = chara.m_Effect.m_sEffect;
    if (id == 0) return kCharaFxNone;
    const int32_t kind = g_Database.m_vCharaEffect.At(id).m_nKind;
    return kind >= 0 && kind < kCharaEffectKinds ? kind : kCharaFxNone;
}

// The flash colour of an invincible chara applies only to the texture
// device's vertex colour, under projects that have it, and for a colour
// of the table.
bool FlashColorApplies(const cCharaDef& def) {
    return lpDTCon && def.m_cInvincible != 0 && g_SystemData.Get(kSysPlayRule4) != 0 && def.m_cInvincibleColor > 0 &&
           def.m_cInvincibleColor < kFlashColorCount;
}

// A width of the gauge sheet: the part of `v` pixels, no more than `limit`.
// Truncates toward zero; anything but a positive number is nothing.
int GaugeWidth(double v, int limit) {
    if (limit <= 0 || !(v >= 1.0)) return 0;
    return v >= limit ? limit : static_cast<int>(v);
}

}  // namespace

int cChara::GetAnimeFrame(int paused) {
    const int basic = paused ? m_Anime.GetFrame() : m_Anime.Advance();
    if (!paused) {
        for (auto it = m_OverlayAnimes.begin(); it != m_OverlayAnimes.end();) {
            if (it->paused) {
                ++it;
                continue;
            }
            if (it->pattern.Advance() == kPatEnded) {
                it = m_OverlayAnimes.erase(it);
                continue;
            }
            if (it->leadIn > INT32_MIN) --it->leadIn;
            ++it;
        }
    }
    if (m_OverlayAnimes.empty()) return basic;

    // A command anime whose lead-in is over takes the lead, the one that
    // finished it last first; before that the one nearest its end of
    // lead-in; an anime of the run-anime command only when nothing else.
    int best = INT_MAX;
    OVERLAYANIME* chosen = nullptr;
    bool leadInOver = false;
    for (OVERLAYANIME& o : m_OverlayAnimes) {
        if (o.paused) continue;
        if (leadInOver) {
            if (o.leadIn <= 0 && best <= 0 && o.leadIn > best) {
                chosen = &o;
                best = o.leadIn;
            }
        } else if (o.flag == 1) {
            if (o.leadIn <= 0 && best <= 0) {
                chosen = &o;
                best = o.leadIn;
                leadInOver = true;
            } else if (o.leadIn < best) {
                chosen = &o;
                best = o.leadIn;
            }
        } else if (!chosen) {
            chosen = &o;
        }
    }
    return chosen ? chosen->pattern.GetFrame() : basic;
}

int cChara::GetAnimeOffset(CHIPCOLOR& color) {
    const cAnimeSetData& set = g_Database.m_vAnimeSet.At(m_Def.m_sAnimeSet);
    int64_t offset = m_Def.m_sChipRow;
    if (m_Def.m_cFlight != 0) offset += set.m_nFlightChip;
    if (m_Def.m_cBlockChara != 0) offset += set.m_nBlockChip;
    if (m_Def.m_cInvincible != 0) {
        offset += set.m_nInvincibleChip;
        if (FlashColorApplies(m_Def)) {
            const FlashColor& flash = g_FlashColors[m_Def.m_cInvincibleColor];
            color.argb = flash.argb;
            color.op = flash.op;
        }
    }
    // Offsets of a broken set stay far outside every sheet, without
    // overflowing the chip lookup.
    return static_cast<int>(std::clamp<int64_t>(offset, -(int64_t{1} << 30), int64_t{1} << 30));
}

namespace {

// The chip of the chara's state at `frame`, with its flash colour.
CHIPSRC CharaChip(cChara& chara, int frame) {
    CHIPCOLOR color;
    const int offset = chara.GetAnimeOffset(color);
    CHIPSRC src = GetChipSrc(1, chara.m_Def.m_cSheetKind, chara.m_nGraphic, offset, &chara, frame);
    if (FlashColorApplies(chara.m_Def)) {
        src.colorFlag = 1;
        src.color = color;
    } else {
        src.colorFlag = 0;
    }
    return src;
}

// Runs the effect's renderer; at its end the chara has no effect any more.
int RunEffect(cChara& chara, DDSURFACEDATA* surface, const CHIPSRC& src, int paused, int draw) {
    if (!g_CharaEffectFuncs[EffectKind(chara)](chara, surface, src, paused, draw)) return 0;
    chara.m_Effect.m_sEffect = 0;
    return 1;
}

}  // namespace

int cChara::StepEffect(int paused) {
    return RunEffect(*this, nullptr, CharaChip(*this, m_Anime.GetFrame()), paused, 0);
}

void cChara::Draw(DDSURFACEDATA* surface, int paused) {
    const int frame = GetAnimeFrame(paused);
    if (m_bVanished || m_Def.m_cTransparent) {
        StepEffect(paused);
        return;
    }
    // The hero's own rectangle follows other rounding; a chara is drawn by
    // the common one.
    cGameObj::UpdateScreenRect();
    if (m_bFixedX) {
        m_nScreenL = m_nFixedX;
        m_nScreenR = m_nScreenL + m_nSpriteW - 1;
    }
    if (m_bFixedY) {
        m_nScreenT = m_nFixedY;
        m_nScreenB = m_nScreenT + m_nSpriteH - 1;
    }
    RunEffect(*this, surface, CharaChip(*this, frame), paused, 1);

    if (m_Def.m_cEmblemShown != 1) return;
    const int m = m_Def.m_sEmblem;
    const int markX = m / kChipsPerColumn * kChip;
    const int markY = m % kChipsPerColumn * kChip;
    if (ValidScale(m_Def.m_cGiantScale) > 1) {
        DDStretchBlt(surface, m_nScreenL, m_nScreenT, m_nSpriteW, m_nSpriteH, ChipMarkSource(), markX, markY,
                     m_nBaseSpriteW, m_nBaseSpriteH, DDBLT_KEYED);
    } else {
        DDBlt(surface, m_nScreenL, m_nScreenT, kChip, kChip, &g_SysBmp[kSysBmpMark], markX, markY, DDBLT_KEYED);
    }
}

int cChara::DrawDeath(DDSURFACEDATA* surface, int paused) {
    const bool effect = m_Effect.m_sEffect != 0;
    if (m_nKind != 0) {
        // Computer-operated: gone once its death effect, if any, has run.
        if (!effect) return 1;
        return RunEffect(*this, surface, CharaChip(*this, 0), paused, 1);
    }
    // Player-operated: the death effect, then a second's wait.
    if (effect) {
        RunEffect(*this, surface, CharaChip(*this, 0), paused, 1);
        return 0;
    }
    if (paused) return 0;
    if (m_nDeathWait < INT32_MAX) ++m_nDeathWait;
    return m_nDeathWait > g_SceneMgr.m_nFrameRate ? 1 : 0;
}

void cChara::DrawHPGauge(DDSURFACEDATA* surface) { DrawGauge(surface, m_HPGauge, 0); }

void cChara::DrawSPGauge(DDSURFACEDATA* surface) { DrawGauge(surface, m_SPGauge, 1); }

void cChara::DrawGauge(DDSURFACEDATA* surface, GAUGE& gauge, int isSP) {
    if (gauge.timer <= 0 || m_bDefeated) return;
    DDSURFACEDATA* sheet = &g_SysBmp[kSysBmpAccessory];
    const bool tall = sheet->nHeight > 208;
    const int base = tall ? 208 : 128;
    const int step = tall ? 2 : 16;
    const int srcX = isSP ? 64 : 0;
    const int x = m_nScreenL + m_nSpriteW / 2 - 25;
    const int y = m_nScreenT - (isSP ? 7 : 3);
    // Every part stays inside the gauge's 50 pixels, and so inside its row
    // of the sheet, whatever values a broken status left.
    const int room = std::min(kGaugeWidth, sheet->nWidth - srcX);
    auto part = [&](int dx, int width, int row) {
        if (width > 0 && row + kGaugeHeight <= sheet->nHeight)
            DDBlt(surface, x + dx, y, width, kGaugeHeight, sheet, srcX, row, DDBLT_KEYED);
    };
    const int bar = std::clamp(gauge.bar, 0, std::max(room, 0));
    part(0, room, base);
    const int value = isSP ? m_nSP : m_nHP;
    const int max = isSP ? m_Def.m_nMaxSP : m_Def.m_nMaxHP;
    const bool warn = g_SystemData.IsWarningLevel(isSP ? kStatusSP : kStatusHP, value, max) != 0;
    part(0, bar, base + (warn ? 2 : 1) * step);
    if (gauge.changed >= 0) {
        const int width = GaugeWidth(gauge.changed, bar);
        part(bar - width, width, base + 4 * step);
    } else {
        const int width = GaugeWidth(-gauge.changed, room - bar);
        part(bar, width, base + 3 * step);
    }

    --gauge.timer;
    if (gauge.timer < 60)
        gauge.changed = 0;
    else
        gauge.changed -= gauge.step;
}
