#include "objects/chara_effects.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/numeric.h"
#include "gfx/dd_blend.h"
#include "gfx/dd_filter.h"
#include "gfx/dd_frame.h"
#include "gfx/dd_layer.h"
#include "gfx/dd_lens.h"
#include "gfx/dd_rotate.h"
#include "gfx/system_bitmaps.h"
#include "objects/chara.h"
#include "project/db_media.h"
#include "project/system_data.h"

namespace {

constexpr int kSysWorkTwin = kSysBmpWork + 1;  // the work surface's system-memory twin
constexpr int kSysLensWork = 70;  // a render target of the texture device
constexpr double kSqrt2 = 1.4142135623730951;
constexpr int kWaveDegrees = 360;
constexpr uint32_t kBlurColour8 = 31;  // the blur's stand-in colour at 8 bits

// Effect values and sizes from hostile records convert to int saturated
// (SaturateInt, TruncateToInt): a run time of 0 gives an infinite step, so
// a value may be infinite or not a number.

bool Switch855() { return g_SystemData.Get(kSysSwitch855) != 0; }

// The colour record of the chip on the blits between construction and
// destruction, when its flag is set.
class ChipColour {
public:
    explicit ChipColour(const CHIPSRC& src, bool wanted = true) : m_on(wanted && src.colorFlag) {
        if (!m_on) return;
        DDSetVertexColor(src.color.argb);
        DDSetColorOp(src.color.op);
    }
    ~ChipColour() {
        if (!m_on) return;
        DDResetVertexColor();
        DDResetColorOp();
    }
    ChipColour(const ChipColour&) = delete;
    ChipColour& operator=(const ChipColour&) = delete;

private:
    bool m_on;
};

// The colour record as the pixel effects take it; null without one.
const BlendPair* ChipBlend(const CHIPSRC& src, BlendPair& pair) {
    if (!src.colorFlag) return nullptr;
    pair.dwVertexColor = src.color.argb;
    pair.nColorOp = src.color.op;
    return &pair;
}

// Blits into a work surface draw at once while a draw layer is open, so
// the effect that reads the surface next sees this chara's chip.
class LayerPause {
public:
    LayerPause() { DDPauseLayer(); }
    ~LayerPause() { DDResumeLayer(); }
    LayerPause(const LayerPause&) = delete;
    LayerPause& operator=(const LayerPause&) = delete;
};

// Where and how big the chip is drawn.
struct Chip {
    cChara& chara;
    DDSURFACEDATA* dest;
    const CHIPSRC& src;
    int x, y, w, h;  // the screen rectangle's top-left and the sprite size
    int scale;       // the giant scale
    bool stretched;
    int srcW, srcH;  // the chip on its sheet: multiplier x the base sprite size

    Chip(cChara& c, DDSURFACEDATA* d, const CHIPSRC& s)
        : chara(c),
          dest(d),
          src(s),
          x(c.m_nScreenL),
          y(c.m_nScreenT),
          w(c.m_nSpriteW),
          h(c.m_nSpriteH),
          scale(ValidScale(c.m_Def.m_cGiantScale)),
          stretched((s.specialSize == 0 && scale > 1) || (s.specialSize == 1 && scale != s.multiplier)),
          srcW(SaturateInt(int64_t{s.multiplier} * c.m_nBaseSpriteW)),
          srcH(SaturateInt(int64_t{s.multiplier} * c.m_nBaseSpriteH)) {}

    int CentreX() const { return SaturateInt(int64_t{x} + w / 2); }
    int CentreY() const { return SaturateInt(int64_t{y} + h / 2); }
    // A length of the effect, times the giant scale when the chip is
    // stretched.
    int Scaled(int64_t v) const { return SaturateInt(stretched ? v * scale : v); }
    int Value() const { return TruncateToInt(chara.m_Effect.m_dValue); }
    // Parameter i (1..4) of the effect's record; 0 without a record.
    int Param(int i) const {
        const cCharaEffectData* r = chara.m_Effect.m_pRecord;
        return r ? r->m_nParam[i] : 0;
    }
};

// The chip at the rectangle, stretched from S0 when it needs it.
void DrawPlain(const Chip& c) {
    ChipColour colour(c.src);
    if (c.stretched)
        DDStretchBlt(c.dest, c.x, c.y, c.w, c.h, c.src.s0, c.src.x, c.src.y, c.srcW, c.srcH, DDBLT_KEYED);
    else
        DDBlt(c.dest, c.x, c.y, c.w, c.h, c.src.a, c.src.x, c.src.y, DDBLT_KEYED);
}

// Runs `effect` (surface, x, y) on the chip at its drawn size: unstretched
// straight from sheet A, stretched from the work surface W prepared first.
// The colour record goes on the effect when `colour` allows.
template <class Effect>
void OnDrawnChip(const Chip& c, bool colour, Effect effect) {
    if (!c.stretched) {
        ChipColour on(c.src);
        effect(c.src.a, c.src.x, c.src.y);
        return;
    }
    DDSURFACEDATA* work = ChipWorkSurface();
    LayerPause pause;
    c.chara.DrawChipToWork(work, c.src);
    ChipColour on(c.src, colour);
    effect(work, 0, 0);
}

// Kinds 13 and 14 outside the prepared path: a stretched chip or, under
// the texture device, a tinted one goes through surface 69 first; any
// other reads sheet B as it is.
template <class Effect>
void OnTwinOrSheet(const Chip& c, Effect effect) {
    if (c.stretched || (lpDTCon && c.src.colorFlag)) {
        DDSURFACEDATA* work = &g_SysBmp[kSysWorkTwin];
        LayerPause pause;
        if (c.stretched)
            c.chara.DrawChipToWork(work, c.src);
        else
            c.chara.DrawChipPlainToWork(work, c.src);
        effect(work, 0, 0);
        return;
    }
    effect(c.src.b, c.src.x, c.src.y);
}

// Blink and translucency: count the frame; on reaching the interval the
// count starts again and the toggle flips, so interval 0 flips every frame.
void StepBlink(cCharaEffectState& e, int interval) {
    if (e.m_nCounter < INT32_MAX) ++e.m_nCounter;
    if (e.m_nCounter >= interval) {
        e.m_nCounter = 0;
        e.m_nToggle = e.m_nToggle ? 0 : 1;
    }
}

void StepWave(cCharaEffectState& e) {
    const int phase = e.m_nCounter % kWaveDegrees;
    e.m_nCounter = phase < 0 ? 0 : (phase + 1) % kWaveDegrees;
}

// ---------------------------------------------------------------------------
// The drawing of each kind

// A stretched chip is prepared with the draw layer paused whatever the
// switch says: queued in the layer, the preparation would land after the
// burst that reads it.
void DrawBurst(const Chip& c) {
    const bool compatible = !lpDTCon || Switch855();
    OnDrawnChip(c, !compatible, [&](DDSURFACEDATA* sd, int sx, int sy) {
        DDBltBurst(c.dest, c.x, c.y, c.w, c.h, sd, sx, sy, c.Scaled(c.Value()), DDBLT_KEYED);
    });
}

// Parameter 3 is the number of bands.
void DrawInterlace(const Chip& c, int axis) {
    const int count = c.Param(3);
    if (count <= 0) {
        DrawPlain(c);
        return;
    }
    const int64_t size = axis == DDAXIS_VERTICAL ? c.w : c.h;
    const int band = SaturateInt((size + count - 1) / count);
    OnDrawnChip(c, true, [&](DDSURFACEDATA* sd, int sx, int sy) {
        DDBltInterlace(c.dest, c.x, c.y, c.w, c.h, band, c.Scaled(c.Value()), sd, sx, sy, DDBLT_KEYED, axis);
    });
}

// The wave always draws into the back buffer.
void DrawWave(const Chip& c, int axis) {
    const double amplitude = c.chara.m_Effect.m_dValue * (c.stretched ? c.scale : 1);
    const int phase = c.chara.m_Effect.m_nCounter;
    OnDrawnChip(c, true, [&](DDSURFACEDATA* sd, int sx, int sy) {
        DDBltWave(&g_BackBufferSD, c.x, c.y, c.w, c.h, c.Param(3), amplitude, phase, c.Scaled(c.Param(4)), sd, sx,
                  sy, DDBLT_KEYED, axis);
    });
}

// About the rectangle's centre, with half the sprite as the pivot.
void DrawRotate(const Chip& c) {
    auto rotate = [&](DDSURFACEDATA* sd, int sx, int sy) {
        DDBltRotate(c.dest, c.CentreX(), c.CentreY(), c.w, c.h, c.w / 2, c.h / 2, c.Value(), sd, sx, sy,
                    DDBLT_KEYED);
    };
    if (!c.stretched) {
        ChipColour colour(c.src);
        rotate(c.src.a, c.src.x, c.src.y);
        return;
    }
    if (lpDTCon) {
        DDSURFACEDATA* work = &g_SysBmp[kSysBmpWork];
        LayerPause pause;
        c.chara.DrawChipToWork(work, c.src);
        ChipColour colour(c.src);
        rotate(work, 0, 0);
        return;
    }
    DDSURFACEDATA* work = &g_SysBmp[kSysWorkTwin];
    c.chara.DrawChipToWork(work, c.src);
    rotate(work, 0, 0);
}

// The blit display turns a stretched chip at its sheet size inside a
// square of W and stretches the square.
void DrawRotateA(const Chip& c) {
    if (lpDTCon || !c.stretched) {
        DrawRotate(c);
        return;
    }
    const int side = TruncateToInt(kSqrt2 * c.srcW);
    DDSURFACEDATA* work = ChipWorkSurface();
    DDFillRect(work, 0, 0, side, side, 0);
    DDBltRotate(work, side / 2, side / 2, c.srcW, c.srcH, c.srcW / 2, c.srcH / 2, c.Value(), c.src.s0, c.src.x,
                c.src.y, DDBLT_KEYED);
    const int drawn = TruncateToInt(kSqrt2 * c.w);
    DDStretchBlt(c.dest, SaturateInt(int64_t{c.CentreX()} - drawn / 2), SaturateInt(int64_t{c.CentreY()} - drawn / 2),
                 drawn, drawn, work, 0, 0, side, side, DDBLT_KEYED);
}

// The chara turns in depth between its two facings.
void DrawFlip(const Chip& c) {
    ChipColour colour(c.src);
    DDBltFlip(c.dest, c.x, c.y, c.w, c.h, c.src.s0, c.src.x, c.src.y, c.src.s1, c.src.x, c.src.y, c.srcW, c.srcH,
              DDBLT_KEYED, c.Value(), DDAXIS_HORIZONTAL);
}

void DrawCircle(const Chip& c) {
    const int r = c.Scaled(c.Value()), band = c.Scaled(c.Param(3));
    if (!lpDTCon && !c.stretched) {
        DDBltCircle(c.dest, c.CentreX(), c.CentreY(), c.w / 2, c.h / 2, r, band, c.src.a,
                    SaturateInt(int64_t{c.src.x} + c.w / 2), SaturateInt(int64_t{c.src.y} + c.h / 2), DDBLT_KEYED);
        return;
    }
    DDSURFACEDATA* work = ChipWorkSurface();
    LayerPause pause;
    c.chara.DrawChipToWork(work, c.src);
    ChipColour colour(c.src);
    DDBltCircle(c.dest, c.CentreX(), c.CentreY(), c.w / 2, c.h / 2, r, band, work, c.w / 2, c.h / 2, DDBLT_KEYED);
}

// Grows by e each way about the centre; below nothing is left to draw a
// negative size would come out mirrored, so nothing is drawn.
void DrawZoom(const Chip& c) {
    const double grow = c.chara.m_Effect.m_dValue - 32;
    const int64_t e = c.stretched ? TruncateToInt(grow * c.scale) / 2 : TruncateToInt(grow);
    const int64_t w = c.w + e, h = c.h + e;
    if (w <= 0 || h <= 0) return;
    OnDrawnChip(c, true, [&](DDSURFACEDATA* sd, int sx, int sy) {
        DDStretchBlt(c.dest, SaturateInt(c.x - e / 2), SaturateInt(c.y - e / 2), SaturateInt(w), SaturateInt(h), sd,
                     sx, sy, c.w, c.h, DDBLT_KEYED);
    });
}

void DrawLens(const Chip& c) {
    const int64_t offX = int64_t{c.Param(3)} * c.scale, offY = int64_t{c.Param(4)} * c.scale;
    const double reach = static_cast<double>(std::max(std::llabs(offX), std::llabs(offY)) + c.w / 2);
    const int r = TruncateToInt(std::trunc(kSqrt2 * reach));
    const int strength = c.Scaled(c.Value());
    const bool d3d = lpDTCon != nullptr, compatible = Switch855();
    // The work square; the fill is cut to the surface however large r is.
    const int side = SaturateInt((!d3d && g_nBpp != 16 ? 2 : 4) * int64_t{r});

    DDSURFACEDATA* e = ChipEffectSurface();
    DDFillRect(e, 0, 0, side, side, 0);
    if (c.stretched || (d3d && !compatible)) {
        LayerPause pause;
        c.chara.DrawChipToWork(e, c.src);
    } else {
        DDBlt(e, 0, 0, c.w, c.h, c.src.a, c.src.x, c.src.y, DDBLT_KEYED);
    }
    const int scx = SaturateInt(c.w / 2 + offX), scy = SaturateInt(c.h / 2 + offY);
    const int cx = SaturateInt(c.CentreX() + offX), cy = SaturateInt(c.CentreY() + offY);
    if (d3d && compatible && c.src.colorFlag) {
        // The lens into a cleared square first, and the square onto the
        // screen with the colour record.
        DDSURFACEDATA* lens = &g_SysBmp[kSysLensWork];
        const int diameter = SaturateInt(2 * int64_t{r});
        LayerPause pause;
        DDFillRect(lens, 0, 0, diameter, diameter, 0);
        DDBltLens(lens, r, r, r, strength, e, scx, scy, 1, 0, nullptr);
        ChipColour colour(c.src);
        DDBlt(c.dest, SaturateInt(int64_t{cx} - r), SaturateInt(int64_t{cy} - r), diameter, diameter, lens, 0, 0,
              DDBLT_KEYED);
        return;
    }
    BlendPair pair;
    DDBltLens(c.dest, cx, cy, r, strength, e, scx, scy, 1, 0, d3d && !compatible ? ChipBlend(c.src, pair) : nullptr);
}

void DrawColourChange(const Chip& c) {
    const uint32_t colour = static_cast<uint32_t>(c.Param(3)) & 0xFF;
    auto change = [&](DDSURFACEDATA* sd, int sx, int sy, const BlendPair* blend) {
        DDBltColorChange(c.dest, c.x, c.y, c.w, c.h, sd, sx, sy, 1, g_Palette, g_BlendTable, colour, c.Value(),
                         blend);
    };
    if (lpDTCon && !Switch855()) {
        DDSURFACEDATA* e = ChipEffectSurface();
        DDFillRect(e, 0, 0, c.w, c.h, 0);
        c.chara.DrawChipToWork(e, c.src);
        BlendPair pair;
        change(e, 0, 0, ChipBlend(c.src, pair));
        return;
    }
    OnTwinOrSheet(c, [&](DDSURFACEDATA* sd, int sx, int sy) { change(sd, sx, sy, nullptr); });
}

void DrawHalf(const Chip& c) {
    auto half = [&](DDSURFACEDATA* sd, int sx, int sy) {
        DDBltHalf(c.dest, c.x, c.y, c.w, c.h, sd, sx, sy, 1, g_BlendTable);
    };
    if (lpDTCon && !Switch855()) {
        DDSURFACEDATA* work = &g_SysBmp[kSysWorkTwin];
        LayerPause pause;
        DDFillRect(work, 0, 0, c.w, c.h, 0);
        c.chara.DrawChipToWork(work, c.src);
        half(work, 0, 0);
        return;
    }
    OnTwinOrSheet(c, half);
}

// A pixel filter (dest, x, y, src, sx, sy, blend) on the chip. Under the
// texture device it reads the chip prepared in E; elsewhere it writes into
// a cleared work surface, which then goes onto the screen with the colour
// record: E on the blit display, surface 70 under the texture device,
// whose blits from a render target take the colour and E's would not.
template <class Filter>
void DrawFiltered(const Chip& c, Filter filter) {
    DDSURFACEDATA* e = ChipEffectSurface();
    if (lpDTCon && !Switch855()) {
        c.chara.DrawChipToWork(e, c.src);
        BlendPair pair;
        filter(c.dest, c.x, c.y, e, 0, 0, ChipBlend(c.src, pair));
        return;
    }
    LayerPause pause;
    DDSURFACEDATA* sd = c.src.b;
    int sx = c.src.x, sy = c.src.y;
    if (c.stretched) {
        // Surface 68 is never E, on either display.
        sd = &g_SysBmp[kSysBmpWork];
        sx = sy = 0;
        c.chara.DrawChipToWork(sd, c.src);
    }
    DDSURFACEDATA* out = lpDTCon ? &g_SysBmp[kSysLensWork] : e;
    DDFillRect(out, 0, 0, c.w, c.h, 0);
    filter(out, 0, 0, sd, sx, sy, nullptr);
    ChipColour colour(c.src);
    DDBlt(c.dest, c.x, c.y, c.w, c.h, out, 0, 0, DDBLT_KEYED);
}

void DrawMosaic(const Chip& c) {
    DrawFiltered(c, [&](DDSURFACEDATA* d, int x, int y, DDSURFACEDATA* s, int sx, int sy, const BlendPair* blend) {
        DDBltMosaic(d, x, y, c.w, c.h, c.Value(), s, sx, sy, 1, blend);
    });
}

// At 8 bits there is no blur; the chip is pulled toward colour 31 instead.
void DrawBlur(const Chip& c) {
    DrawFiltered(c, [&](DDSURFACEDATA* d, int x, int y, DDSURFACEDATA* s, int sx, int sy, const BlendPair* blend) {
        const int v = c.Value();
        if (g_nBpp == 8)
            DDBltColorChange(d, x, y, c.w, c.h, s, sx, sy, 1, g_Palette, g_BlendTable, kBlurColour8, v, blend);
        else
            DDBltBlur(d, x, y, c.w, c.h, v, v, s, sx, sy, 1, blend);
    });
}

// ---------------------------------------------------------------------------
// The renderers: draw when asked, then one frame of the effect unless
// paused.

int Finish(cChara& chara, int paused) { return paused ? 0 : chara.m_Effect.Advance(); }

template <void (*Draw)(const Chip&)>
int Render(cChara& chara, DDSURFACEDATA* surface, const CHIPSRC& src, int paused, int draw) {
    if (draw) Draw(Chip(chara, surface, src));
    return Finish(chara, paused);
}

int Plain(cChara& chara, DDSURFACEDATA* surface, const CHIPSRC& src, int, int draw) {
    if (draw) DrawPlain(Chip(chara, surface, src));
    return 0;
}

void DrawInterlaceH(const Chip& c) { DrawInterlace(c, DDAXIS_HORIZONTAL); }
void DrawInterlaceV(const Chip& c) { DrawInterlace(c, DDAXIS_VERTICAL); }

template <int Axis>
int Wave(cChara& chara, DDSURFACEDATA* surface, const CHIPSRC& src, int paused, int draw) {
    if (draw) DrawWave(Chip(chara, surface, src), Axis);
    if (!paused) StepWave(chara.m_Effect);
    return Finish(chara, paused);
}

// Blinking and translucency: drawn while the toggle has the value `Shown`,
// which flips every parameter-1 frames.
template <void (*DrawFn)(const Chip&), int Shown>
int Toggled(cChara& chara, DDSURFACEDATA* surface, const CHIPSRC& src, int paused, int draw) {
    const Chip c(chara, surface, src);
    if (draw && chara.m_Effect.m_nToggle == Shown) DrawFn(c);
    if (!paused) StepBlink(chara.m_Effect, c.Param(1));
    return Finish(chara, paused);
}

}  // namespace

const CharaEffectFunc g_CharaEffectFuncs[kCharaEffectKinds] = {
    Plain,
    Render<DrawBurst>,
    Render<DrawInterlaceH>,
    Render<DrawInterlaceV>,
    Wave<DDAXIS_HORIZONTAL>,
    Wave<DDAXIS_VERTICAL>,
    Toggled<DrawPlain, 1>,
    Render<DrawRotateA>,
    Render<DrawRotate>,
    Render<DrawFlip>,
    Render<DrawCircle>,
    Render<DrawZoom>,
    Render<DrawLens>,
    Render<DrawColourChange>,
    Toggled<DrawHalf, 0>,
    Render<DrawMosaic>,
    Render<DrawBlur>,
};

void cChara::DrawChipToWork(DDSURFACEDATA* work, const CHIPSRC& src) {
    const Chip c(*this, work, src);
    // Opaque: the transparent pixels replace whatever the surface held.
    if (c.stretched)
        DDStretchBlt(work, 0, 0, c.w, c.h, src.s0, src.x, src.y, c.srcW, c.srcH, DDBLT_OPAQUE);
    else
        DDBlt(work, 0, 0, c.w, c.h, src.b, src.x, src.y, DDBLT_OPAQUE);
}

void cChara::DrawChipPlainToWork(DDSURFACEDATA* work, const CHIPSRC& src) {
    const Chip c(*this, work, src);
    ChipColour colour(src);
    DDBlt(work, 0, 0, c.srcW, c.srcH, src.b, src.x, src.y, DDBLT_OPAQUE);
}
