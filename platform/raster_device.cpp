#include "platform/raster_device.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <typeinfo>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#include <immintrin.h>
#endif

#include "platform/bitmap.h"
#include "platform/picture_internal.h"
#include "platform/presenter.h"

namespace plat {
namespace {

inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline uint32_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline void Store16(uint8_t* p, uint32_t v) {
    uint16_t w = static_cast<uint16_t>(v);
    std::memcpy(p, &w, 2);
}

inline uint32_t Blend8(uint32_t s, uint32_t d, uint32_t a) { return (s * a + d * (255 - a) + 127) / 255; }

// s over d with s's alpha, on all four channels.
inline uint32_t BlendArgb(uint32_t s, uint32_t d) {
    uint32_t a = s >> 24;
    return Blend8(a, d >> 24, a) << 24 | Blend8((s >> 16) & 0xFF, (d >> 16) & 0xFF, a) << 16 |
           Blend8((s >> 8) & 0xFF, (d >> 8) & 0xFF, a) << 8 | Blend8(s & 0xFF, d & 0xFF, a);
}

// What every object of a device shares with it; it outlives the device when
// the program releases the device first.
struct DeviceShared {
    int liveObjects = 0;
    int liveRenderTargets = 0;
    RasterSurface* target = nullptr;
    RasterSurface* backBuffer = nullptr;
    RasterTexture* texture = nullptr;
};

enum class SurfaceKind { BackBuffer, TextureLevel, Plain };

class SurfaceImpl final : public RasterSurface {
public:
    SurfaceImpl(std::shared_ptr<DeviceShared> owner, SurfaceKind kind, int width, int height, PixelFormat format,
                bool renderTarget)
        : owner_(std::move(owner)), kind_(kind), renderTarget_(renderTarget), image_(width, height, format) {
        if (kind_ == SurfaceKind::Plain) ++owner_->liveObjects;
    }
    ~SurfaceImpl() override {
        if (owner_->target == this) owner_->target = kind_ == SurfaceKind::BackBuffer ? nullptr : owner_->backBuffer;
        if (owner_->backBuffer == this) owner_->backBuffer = nullptr;
        if (kind_ == SurfaceKind::Plain) --owner_->liveObjects;
    }
    Image& Pixels() override { return image_; }
    bool IsRenderTarget() const override { return renderTarget_; }
    const DeviceShared* Owner() const { return owner_.get(); }

private:
    std::shared_ptr<DeviceShared> owner_;
    SurfaceKind kind_;
    bool renderTarget_;
    Image image_;
};

class TextureImpl final : public RasterTexture {
public:
    TextureImpl(std::shared_ptr<DeviceShared> owner, int width, int height, PixelFormat format, TexturePool pool,
                int64_t videoBytes)
        : owner_(owner),
          pool_(pool),
          videoBytes_(videoBytes),
          level_(owner, SurfaceKind::TextureLevel, width, height, format, pool == TexturePool::RenderTarget) {
        ++owner_->liveObjects;
        if (pool_ == TexturePool::RenderTarget) ++owner_->liveRenderTargets;
    }
    ~TextureImpl() override {
        if (owner_->texture == this) owner_->texture = nullptr;
        if (pool_ == TexturePool::RenderTarget) --owner_->liveRenderTargets;
        --owner_->liveObjects;
        if (videoBytes_ > 0) internal::ReleaseVideoMemory(videoBytes_);
    }
    RasterSurface* Level0() override { return &level_; }
    TexturePool Pool() const override { return pool_; }
    const DeviceShared* Owner() const { return owner_.get(); }

private:
    std::shared_ptr<DeviceShared> owner_;
    TexturePool pool_;
    int64_t videoBytes_;
    SurfaceImpl level_;
};

class VertexBufferImpl final : public VertexBuffer {
public:
    VertexBufferImpl(std::shared_ptr<DeviceShared> owner, int count)
        : owner_(std::move(owner)), vertices_(static_cast<size_t>(count), Vertex{0, 0, 0, 1, 0, 0, 0}) {
        ++owner_->liveObjects;
    }
    ~VertexBufferImpl() override { --owner_->liveObjects; }
    int Count() const override { return static_cast<int>(vertices_.size()); }
    bool Lock(Vertex** vertices) override {
        if (internal::TakeBufferLockFailure()) return false;
        if (vertices) *vertices = vertices_.data();
        return true;
    }
    void Unlock() override {}
    const Vertex* Data() const override { return vertices_.data(); }

private:
    std::shared_ptr<DeviceShared> owner_;
    std::vector<Vertex> vertices_;
};

// ---------------------------------------------------------------------------
// The texture stage.

inline bool OpUsesArg1(int op) { return op != kTopDisable && op != kTopSelectArg2 && op >= kTopSelectArg1; }
inline bool OpUsesArg2(int op) { return op != kTopDisable && op != kTopSelectArg1 && op >= kTopSelectArg1; }
inline bool KnownOp(int op) {
    return op == kTopDisable || op == kTopSelectArg1 || op == kTopSelectArg2 || op == kTopModulate || op == kTopAdd ||
           op == kTopSubtract || op == kTopBlendFactorAlpha;
}

// One channel through an operation; an operation the stage does not know
// passes the diffuse channel, as a disabled stage does.
inline uint32_t StageOp(int op, uint32_t a1, uint32_t a2, uint32_t diffuse, uint32_t factorAlpha) {
    switch (op) {
    case kTopSelectArg1:
        return a1;
    case kTopSelectArg2:
        return a2;
    case kTopModulate:
        return (a1 * a2 + 127) / 255;
    case kTopAdd:
        return std::min<uint32_t>(255, a1 + a2);
    case kTopSubtract:
        return a1 > a2 ? a1 - a2 : 0;
    case kTopBlendFactorAlpha:
        return (a1 * factorAlpha + a2 * (255 - factorAlpha) + 127) / 255;
    default:
        return diffuse;
    }
}

struct StageSetup {
    StageState stage;
    uint32_t factor = 0xFFFFFFFF;

    uint32_t Arg(int which, uint32_t texel, uint32_t diffuse) const {
        if (which == kTaTexture) return texel;
        if (which == kTaTFactor) return factor;
        return diffuse;  // diffuse, current, and anything else
    }

    uint32_t Combine(uint32_t texel, uint32_t diffuse) const {
        uint32_t fa = factor >> 24;
        uint32_t c1 = Arg(stage.colorArg1, texel, diffuse), c2 = Arg(stage.colorArg2, texel, diffuse);
        uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            out |= StageOp(stage.colorOp, (c1 >> shift) & 0xFF, (c2 >> shift) & 0xFF, (diffuse >> shift) & 0xFF, fa)
                   << shift;
        }
        uint32_t a1 = Arg(stage.alphaArg1, texel, diffuse), a2 = Arg(stage.alphaArg2, texel, diffuse);
        out |= StageOp(stage.alphaOp, a1 >> 24, a2 >> 24, diffuse >> 24, fa) << 24;
        return out;
    }

    // How one part of the output (colour or alpha, selected by `mask`)
    // depends on the texel for a fixed diffuse: 0 = not at all, 1 = it is the
    // texel's own bits, 2 = some other way.
    int Dependence(int op, int arg1, int arg2, uint32_t diffuse, uint32_t mask) const {
        bool uses1 = OpUsesArg1(op) && KnownOp(op) && arg1 == kTaTexture;
        bool uses2 = OpUsesArg2(op) && KnownOp(op) && arg2 == kTaTexture;
        if (!uses1 && !uses2) return 0;
        if (op == kTopSelectArg1 || op == kTopSelectArg2) return 1;
        if (uses1 && uses2) return 2;
        uint32_t other = uses1 ? Arg(arg2, 0, diffuse) : Arg(arg1, 0, diffuse);
        if (op == kTopModulate && (other & mask) == mask) return 1;  // times 255 keeps the value exactly
        if (op == kTopAdd && (other & mask) == 0) return 1;
        if (op == kTopSubtract && uses1 && (other & mask) == 0) return 1;
        return 2;
    }
};

// The stage's output as (texel & keep) | fixed when that describes it for
// every texel; otherwise `general` is set.
struct FastCombine {
    bool general = true;
    uint32_t keep = 0;
    uint32_t fixed = 0;
};

FastCombine Classify(const StageSetup& s, uint32_t diffuse) {
    FastCombine f;
    int color = s.Dependence(s.stage.colorOp, s.stage.colorArg1, s.stage.colorArg2, diffuse, 0x00FFFFFF);
    int alpha = s.Dependence(s.stage.alphaOp, s.stage.alphaArg1, s.stage.alphaArg2, diffuse, 0xFF000000);
    if (color == 2 || alpha == 2) return f;
    f.general = false;
    f.keep = (color == 1 ? 0x00FFFFFFu : 0u) | (alpha == 1 ? 0xFF000000u : 0u);
    f.fixed = s.Combine(0, diffuse) & ~f.keep;
    return f;
}

// ---------------------------------------------------------------------------
// Writing shaded pixels into the target.

// One pixel through the blend into a target of any format. A blend with
// alpha 0 leaves the pixel as it was, so the unused bits of an X format are
// only ever changed by pixels that are drawn.
inline void WritePixel(Image& target, int x, int y, uint32_t argb, bool blend) {
    PixelFormat f = target.Format();
    if (blend) {
        if (argb >> 24 == 0) return;
        argb = BlendArgb(argb, UnpackToArgb(f, target.Get(x, y)));
    }
    target.Set(x, y, PackArgb(f, argb));
}

// Blends one pixel of a 32-bit row; `keepAlpha` for targets with alpha.
inline void BlendPixel32(uint8_t* p, uint32_t v, bool keepAlpha) {
    uint32_t a = v >> 24;
    uint32_t mask = keepAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    if (a == 255) {
        Store32(p, v & mask);
    } else if (a != 0) {
        Store32(p, BlendArgb(v, Load32(p)) & mask);
    }
}

#if defined(__SSE2__)
// The blend of four pixels on all channels, exactly as BlendArgb: every
// product and sum fits 16 bits, and (x * 0x8081) >> 23 is x / 255 for every
// 16-bit x.
inline __m128i BlendFour(__m128i v, __m128i o) {
    const __m128i zero = _mm_setzero_si128(), c255 = _mm_set1_epi16(255), c127 = _mm_set1_epi16(127);
    const __m128i c8081 = _mm_set1_epi16(static_cast<short>(0x8081));
    auto half = [&](__m128i s16, __m128i d16) {
        __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
        __m128i sum = _mm_add_epi16(_mm_mullo_epi16(s16, a), _mm_mullo_epi16(d16, _mm_sub_epi16(c255, a)));
        __m128i x = _mm_add_epi16(sum, c127);
        return _mm_srli_epi16(_mm_mulhi_epu16(x, c8081), 7);
    };
    __m128i lo = half(_mm_unpacklo_epi8(v, zero), _mm_unpacklo_epi8(o, zero));
    __m128i hi = half(_mm_unpackhi_epi8(v, zero), _mm_unpackhi_epi8(o, zero));
    return _mm_packus_epi16(lo, hi);
}
#endif

// A row of shaded ARGB values (4 bytes each, not necessarily aligned: they
// may come straight from a texture's row) into a 32-bit target row. Sprite
// rows are mostly texels of alpha 0 or 255: four of those at a time are only
// kept or replaced; other groups go through the full blend.
template <bool kKeepAlpha>
void WriteRow32(uint8_t* d, const uint8_t* s, int n, bool blend) {
    constexpr uint32_t kMask = kKeepAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    if (!blend) {
        if constexpr (kKeepAlpha) {
            std::memmove(d, s, static_cast<size_t>(n) * 4);
        } else {
            for (int i = 0; i < n; ++i) Store32(d + 4 * i, Load32(s + 4 * i) & kMask);
        }
        return;
    }
    int i = 0;
#if defined(__SSE2__)
    const __m128i mask = _mm_set1_epi32(static_cast<int>(kMask)), full = _mm_set1_epi32(255);
    for (; i + 4 <= n; i += 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i));
        __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * i));
        __m128i a = _mm_srli_epi32(v, 24);
        __m128i opaque = _mm_cmpeq_epi32(a, full), clear = _mm_cmpeq_epi32(a, _mm_setzero_si128());
        __m128i drawn = (_mm_movemask_epi8(opaque) | _mm_movemask_epi8(clear)) == 0xFFFF ? v : BlendFour(v, o);
        __m128i r = _mm_or_si128(_mm_andnot_si128(clear, _mm_and_si128(drawn, mask)), _mm_and_si128(clear, o));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i), r);
    }
#endif
    for (; i < n; ++i) BlendPixel32(d + 4 * i, Load32(s + 4 * i), kKeepAlpha);
}

template <PixelFormat F>
void WriteRow16(uint8_t* d, const uint8_t* s, int n, bool blend) {
    for (int i = 0; i < n; ++i) {
        uint32_t v = Load32(s + 4 * i);
        uint8_t* p = d + 2 * i;
        if (blend) {
            uint32_t a = v >> 24;
            if (a == 0) continue;
            if (a != 255) v = BlendArgb(v, UnpackToArgb(F, Load16(p)));
        }
        Store16(p, PackArgb(F, v));
    }
}

using RowWriter = void (*)(uint8_t*, const uint8_t*, int, bool);

RowWriter WriterFor(PixelFormat f) {
    switch (f) {
    case PixelFormat::X8R8G8B8:
        return WriteRow32<false>;
    case PixelFormat::A8R8G8B8:
        return WriteRow32<true>;
    case PixelFormat::R5G6B5:
        return WriteRow16<PixelFormat::R5G6B5>;
    case PixelFormat::X1R5G5B5:
        return WriteRow16<PixelFormat::X1R5G5B5>;
    case PixelFormat::A1R5G5B5:
        return WriteRow16<PixelFormat::A1R5G5B5>;
    default:
        return nullptr;
    }
}

// A sprite row from texel i on: 32-bit texels straight from the texture
// blended into a 32-bit target row.
template <bool kKeepAlpha>
inline __attribute__((always_inline)) void BlendRowFrom(uint8_t* d, const uint8_t* s, int i, int w) {
#if defined(__SSE2__)
    constexpr uint32_t kMask = kKeepAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    const __m128i mask = _mm_set1_epi32(static_cast<int>(kMask));
    // Alpha 255 spreads to all ones and alpha 0 to zero under a shift by
    // 31; any other alpha differs between the shifts by 31 and 24.
    for (; i + 8 <= w; i += 8) {
        __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i));
        __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i + 16));
        __m128i t0 = _mm_srai_epi32(v0, 31), t1 = _mm_srai_epi32(v1, 31);
        __m128i same =
            _mm_and_si128(_mm_cmpeq_epi32(t0, _mm_srai_epi32(v0, 24)), _mm_cmpeq_epi32(t1, _mm_srai_epi32(v1, 24)));
        if (_mm_movemask_epi8(same) != 0xFFFF) break;  // a partial alpha: the loop below blends it
        // Kept or replaced texel by texel without branching: sprite rows
        // mix both in no predictable order.
        uint8_t* dp = d + 4 * i;
        __m128i o0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp));
        __m128i o1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp + 16));
        __m128i r0 = _mm_or_si128(_mm_and_si128(t0, _mm_and_si128(v0, mask)), _mm_andnot_si128(t0, o0));
        __m128i r1 = _mm_or_si128(_mm_and_si128(t1, _mm_and_si128(v1, mask)), _mm_andnot_si128(t1, o1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), r0);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + 16), r1);
    }
    for (; i + 4 <= w; i += 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i));
        __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * i));
        __m128i top = _mm_srai_epi32(v, 31);
        __m128i r;
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(top, _mm_srai_epi32(v, 24))) == 0xFFFF) {
            r = _mm_or_si128(_mm_and_si128(top, _mm_and_si128(v, mask)), _mm_andnot_si128(top, o));
        } else {
            __m128i clear = _mm_cmpeq_epi32(_mm_srli_epi32(v, 24), _mm_setzero_si128());
            __m128i blended = _mm_and_si128(BlendFour(v, o), mask);
            r = _mm_or_si128(_mm_andnot_si128(clear, blended), _mm_and_si128(clear, o));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i), r);
    }
#endif
    for (; i < w; ++i) BlendPixel32(d + 4 * i, Load32(s + 4 * i), kKeepAlpha);
}

// Where the texel rows of a sprite start: row table[j] of the texture, or
// row first + j where the rows run without a table, from column col0.
struct TexelRows {
    const uint8_t* base;  // column col0 of texture row 0
    ptrdiff_t pitch;
    const int* table;
    int first;
    const uint8_t* operator()(int j) const { return base + static_cast<ptrdiff_t>(table ? table[j] : first + j) * pitch; }
};

// The sprite case in one piece: 32-bit texels straight from the texture
// blended into w x h pixels of a 32-bit target. Everything that depends on
// the quad alone is settled before the rows.
template <bool kKeepAlpha>
void BlendRect32(uint8_t* d, ptrdiff_t dPitch, const TexelRows rows, int w, int h) {
    for (int j = 0; j < h; ++j, d += dPitch) BlendRowFrom<kKeepAlpha>(d, rows(j), 0, w);
}

#if defined(__SSE2__) && defined(__x86_64__)
// The same in 256-bit registers where the processor has them: texels of
// alpha 255 replace the target, texels of alpha 0 keep it. A group holding
// another alpha hands the rest of its row to the 128-bit loop, which gives
// the same pixels.

// A row from texel i on, past the sixteen-texel steps: eight texels, then
// the last few through a lane mask (lanes past the row read as 0 and are
// never written).
template <bool kKeepAlpha>
__attribute__((target("avx2"), noinline)) void BlendRowEndAvx2(uint8_t* d, const uint8_t* s, int i, int w) {
    constexpr uint32_t kMask = kKeepAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(kMask));
    for (; i + 8 <= w; i += 8) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * i));
        __m256i top = _mm256_srai_epi32(v, 31);
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(top, _mm256_srai_epi32(v, 24))) != -1) break;
        __m256i o = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 4 * i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * i), _mm256_blendv_epi8(o, _mm256_and_si256(v, mask), top));
    }
    if (i + 8 > w && i < w) {
        const __m256i lanes = _mm256_cmpgt_epi32(_mm256_set1_epi32(w - i), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
        const int* sp = reinterpret_cast<const int*>(s + 4 * i);
        int* dp = reinterpret_cast<int*>(d + 4 * i);
        __m256i v = _mm256_maskload_epi32(sp, lanes);
        __m256i top = _mm256_srai_epi32(v, 31);
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(top, _mm256_srai_epi32(v, 24))) == -1) {
            __m256i o = _mm256_maskload_epi32(dp, lanes);
            _mm256_maskstore_epi32(dp, lanes, _mm256_blendv_epi8(o, _mm256_and_si256(v, mask), top));
            return;
        }
    }
    BlendRowFrom<kKeepAlpha>(d, s, i, w);
}

// Sixteen texels a step, both source loads before any store: a load right
// after a store to an address 4 KiB away waits for the store. The loop holds
// nothing else, so short sprite rows pay for little besides their pixels.
template <bool kKeepAlpha>
__attribute__((target("avx2"))) void BlendRect32Avx2(uint8_t* d, ptrdiff_t dPitch, const TexelRows rows, int w,
                                                     int h) {
    constexpr uint32_t kMask = kKeepAlpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(kMask));
    for (int j = 0; j < h; ++j, d += dPitch) {
        const uint8_t* s = rows(j);
        int i = 0;
        for (; i + 16 <= w; i += 16) {
            __m256i v0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * i));
            __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4 * i + 32));
            __m256i t0 = _mm256_srai_epi32(v0, 31), t1 = _mm256_srai_epi32(v1, 31);
            __m256i same = _mm256_and_si256(_mm256_cmpeq_epi32(t0, _mm256_srai_epi32(v0, 24)),
                                            _mm256_cmpeq_epi32(t1, _mm256_srai_epi32(v1, 24)));
            if (_mm256_movemask_epi8(same) != -1) break;
            __m256i o0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 4 * i));
            __m256i o1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + 4 * i + 32));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * i),
                                _mm256_blendv_epi8(o0, _mm256_and_si256(v0, mask), t0));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 4 * i + 32),
                                _mm256_blendv_epi8(o1, _mm256_and_si256(v1, mask), t1));
        }
        if (i < w) BlendRowEndAvx2<kKeepAlpha>(d, s, i, w);
    }
}

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has && !internal::NarrowVectorsNow();
}
#endif

// Sprite rows at the widest vector steps there are.
template <bool kKeepAlpha>
void DrawSpriteRect32(uint8_t* d, ptrdiff_t dPitch, const TexelRows rows, int w, int h) {
#if defined(__SSE2__) && defined(__x86_64__)
    if (HasAvx2()) {
        BlendRect32Avx2<kKeepAlpha>(d, dPitch, rows, w, h);
        return;
    }
#endif
    BlendRect32<kKeepAlpha>(d, dPitch, rows, w, h);
}

// A sprite of w x h texels into a 32-bit target at (x, y).
void DrawSprite32(Image& target, int x, int y, const TexelRows rows, int w, int h) {
    uint8_t* d = target.Row(y) + static_cast<size_t>(x) * 4;
    if (target.Format() == PixelFormat::A8R8G8B8) {
        DrawSpriteRect32<true>(d, target.Pitch(), rows, w, h);
    } else {
        DrawSpriteRect32<false>(d, target.Pitch(), rows, w, h);
    }
}

// ceil(x) held to 0 .. limit.
inline int CeilWithin(double x, int limit) {
    if (!(x > 0)) return 0;
    if (!(x < limit)) return limit;
    int i = static_cast<int>(x);
    return i < x ? i + 1 : i;
}

// Texel index along an axis of `size` texels for coordinate t: floor(t *
// size), wrapped.
int WrapTexelSlow(double p, int size) {
    double v = std::floor(p);
    if (!std::isfinite(v)) return 0;
    v = std::fmod(v, static_cast<double>(size));
    if (v < 0) v += size;
    int i = static_cast<int>(v);
    return i >= size ? 0 : i;
}

inline int WrapTexel(double t, int size) {
    double p = t * size;
    if (p >= 0 && p < size) return static_cast<int>(p);  // truncation is the floor here
    return WrapTexelSlow(p, size);
}

// The texel indices WrapTexel(base + step * (offset + i), size) for i < n
// make the run *first, *first + 1, ... when the last is n - 1 above the
// first without a wrap: floor(p0 + i s) - floor(p0) - i never falls as i
// grows. True when that is so, known from the two ends alone.
inline bool TexelRun(double base, double step, double offset, int n, int size, int* first) {
    double p0 = (base + step * offset) * size;
    double p1 = (base + step * (offset + (n - 1))) * size;
    if (p0 >= 0 && p1 < size && p0 < size && p1 >= 0) {
        int a = static_cast<int>(p0), b = static_cast<int>(p1);
        if (b - a == n - 1) {
            *first = a;
            return true;
        }
    }
    return false;
}

// table[i] = WrapTexel(base + step * (offset + i), size).
void FillTexelTable(int* table, int n, double base, double step, double offset, int size) {
    int a = 0;
    if (TexelRun(base, step, offset, n, size, &a)) {
        for (int i = 0; i < n; ++i) table[i] = a + i;
        return;
    }
    for (int i = 0; i < n; ++i) table[i] = WrapTexel(base + step * (offset + i), size);
}

// Whether table[i] = table[0] + i for all n entries.
bool IsRun(const int* table, int n) {
    for (int i = 1; i < n; ++i) {
        if (table[i] != table[0] + i) return false;
    }
    return true;
}

// The phase (0 or 1) when every texel of the table comes twice in a row,
// table[i] = table[0] + (i + phase) / 2, as in a picture drawn at twice its
// size (phase 1 where the left edge cut off one pixel of a pair); -1 when
// it does not.
int DoubledPhase(const int* table, int n) {
    if (n < 2) return -1;
    const int phase = table[1] != table[0] ? 1 : 0;
    for (int i = 1; i < n; ++i) {
        if (table[i] != table[0] + ((i + phase) >> 1)) return -1;
    }
    return phase;
}

// Texel (i + phase) / 2 of the 32-bit texels at s, masked, to the i-th
// 32-bit word at d, for i < n.
void DoubleTexels32(uint8_t* d, const uint8_t* s, int phase, int n, uint32_t mask) {
    int i = 0;
    if (phase != 0) {
        Store32(d, Load32(s) & mask);
        ++i;
        s += 4;
    }
#if defined(__SSE2__)
    const __m128i m = _mm_set1_epi32(static_cast<int>(mask));
    for (; i + 8 <= n; i += 8, s += 16) {
        __m128i v = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), m);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i), _mm_unpacklo_epi32(v, v));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i + 16), _mm_unpackhi_epi32(v, v));
    }
#endif
    for (; i + 2 <= n; i += 2, s += 4) {
        const uint32_t v = Load32(s) & mask;
        Store32(d + 4 * i, v);
        Store32(d + 4 * i + 4, v);
    }
    if (i < n) Store32(d + 4 * i, Load32(s) & mask);
}

// Whether all n 32-bit values at p have alpha 255.
bool AllOpaque(const uint8_t* p, int n) {
    uint32_t all = 0xFFFFFFFFu;
    int i = 0;
#if defined(__SSE2__)
    __m128i acc = _mm_set1_epi32(-1);
    for (; i + 4 <= n; i += 4) acc = _mm_and_si128(acc, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4 * i)));
    alignas(16) uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    all = lanes[0] & lanes[1] & lanes[2] & lanes[3];
#endif
    for (; i < n; ++i) all &= Load32(p + 4 * i);
    return all >> 24 == 0xFF;
}

inline uint32_t ReadTexel(const Image& tex, int x, int y) { return UnpackToArgb(tex.Format(), tex.Get(x, y)); }

// ---------------------------------------------------------------------------
// Triangles.

// Signed area of (p, q, (x, y)), evaluated from the lower end of the edge so
// that an edge shared by two triangles gives exactly opposite values and no
// pixel on it is drawn twice or missed.
double Edge(const Vertex& p, const Vertex& q, double x, double y) {
    bool flip = q.y < p.y || (q.y == p.y && q.x < p.x);
    const Vertex& s = flip ? q : p;
    const Vertex& e = flip ? p : q;
    double v = (double{e.x} - s.x) * (y - s.y) - (double{e.y} - s.y) * (x - s.x);
    return flip ? -v : v;
}

// With y down and the inside where Edge > 0: a top edge runs flat to the
// right, a left edge runs upwards.
bool TopLeft(const Vertex& p, const Vertex& q) {
    double dx = double{q.x} - p.x, dy = double{q.y} - p.y;
    return (dy == 0 && dx > 0) || dy < 0;
}

// Edge(p, q, x, y) split into the term fixed along a row and the term that
// changes with x; At() gives Edge's very number, operation for operation.
// Along a row that number never falls (or never rises) as x grows, each
// rounding step being monotonic, so the pixels inside the edge are one run
// and its ends can be found by testing a few pixels near the crossing.
struct EdgeStepper {
    double sx, sy, dx, dy;
    double sign;  // -1 where Edge measures from q
    bool topLeft;

    EdgeStepper(const Vertex& p, const Vertex& q) : topLeft(TopLeft(p, q)) {
        bool flip = q.y < p.y || (q.y == p.y && q.x < p.x);
        const Vertex& s = flip ? q : p;
        const Vertex& e = flip ? p : q;
        sx = s.x, sy = s.y;
        dx = double{e.x} - s.x, dy = double{e.y} - s.y;
        sign = flip ? -1.0 : 1.0;
    }

    double RowTerm(int y) const { return dx * (y - sy); }
    double At(double rowTerm, double x) const { return sign * (rowTerm - dy * (x - sx)); }
    // Edge values of 0 count only on top and left edges.
    bool Inside(double rowTerm, int x) const {
        double w = At(rowTerm, x);
        return !(w < 0) && !(w == 0 && !topLeft);
    }

    // Narrows [*lo, *hi) (not empty) to the pixels of the row inside the
    // edge.
    void Clip(double rowTerm, int* lo, int* hi) const {
        if (dy == 0) {  // the edge runs along the row: all in or all out
            if (!Inside(rowTerm, *lo)) *hi = *lo;
            return;
        }
        // Start where the edge crosses the row; the exact tests decide.
        double cross = sx + rowTerm / dy;
        int x = !(cross > *lo) ? *lo : !(cross < *hi) ? *hi : static_cast<int>(cross);
        if ((dy < 0) != (sign < 0)) {  // inside from some x on
            while (x > *lo && Inside(rowTerm, x - 1)) --x;
            while (x < *hi && !Inside(rowTerm, x)) ++x;
            *lo = x;
        } else {  // inside up to some x
            while (x > *lo && !Inside(rowTerm, x - 1)) --x;
            while (x < *hi && Inside(rowTerm, x)) ++x;
            *hi = x;
        }
    }
};

// The corners' colours weighted channel by channel, rounded to the nearest.
uint32_t InterpolateDiffuse(double wa, double wb, double wc, const Vertex& a, const Vertex& b, const Vertex& c) {
    uint32_t diffuse = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        double ch = wa * ((a.diffuse >> shift) & 0xFF) + wb * ((b.diffuse >> shift) & 0xFF) +
                    wc * ((c.diffuse >> shift) & 0xFF);
        diffuse |= static_cast<uint32_t>(std::clamp(std::floor(ch + 0.5), 0.0, 255.0)) << shift;
    }
    return diffuse;
}

// The texel at texture coordinates (u, v), as ARGB.
inline uint32_t FetchTexel(const Image& tex, double u, double v) {
    if (tex.Empty()) return UnpackToArgb(tex.Format(), 0);  // what reading outside gives
    int x = WrapTexel(u, tex.Width()), y = WrapTexel(v, tex.Height());
    const uint8_t* row = tex.Row(y);
    switch (tex.Format()) {
    case PixelFormat::A8R8G8B8:
        return Load32(row + static_cast<size_t>(x) * 4);
    case PixelFormat::A1R5G5B5:
        return UnpackToArgb(PixelFormat::A1R5G5B5, Load16(row + static_cast<size_t>(x) * 2));
    default:
        return ReadTexel(tex, x, y);
    }
}

// ---------------------------------------------------------------------------

class RasterDeviceImpl final : public RasterDevice {
public:
    RasterDeviceImpl(const RasterDeviceConfig& config, const RasterCaps& caps)
        : shared_(std::make_shared<DeviceShared>()), caps_(caps), config_(config) {
        backBuffer_ = std::make_unique<SurfaceImpl>(shared_, SurfaceKind::BackBuffer, config.width, config.height,
                                                    config.backBufferFormat, true);
        shared_->backBuffer = backBuffer_.get();
        shared_->target = backBuffer_.get();
        SetDefaultStates();
    }
    ~RasterDeviceImpl() override {
        shared_->texture = nullptr;
        backBuffer_.reset();
        shared_->target = nullptr;
    }

    const RasterCaps& Caps() const override { return caps_; }
    const RasterDeviceConfig& Config() const override { return config_; }

    DeviceResult CreateTexture(int width, int height, PixelFormat format, TexturePool pool,
                               std::unique_ptr<RasterTexture>* out) override {
        if (!out) return DeviceResult::InvalidCall;
        out->reset();
        if (!internal::SurfaceSizeOk(width, height)) return DeviceResult::InvalidCall;
        if (format != PixelFormat::A8R8G8B8 && format != PixelFormat::A1R5G5B5) return DeviceResult::InvalidCall;
        int64_t bytes = 0;
        if (pool == TexturePool::RenderTarget) {
            bytes = int64_t{width} * height * BytesPerPixel(format);
            if (!internal::ReserveVideoMemory(bytes)) return DeviceResult::OutOfVideoMemory;
        }
        *out = std::make_unique<TextureImpl>(shared_, width, height, format, pool, bytes);
        return DeviceResult::Ok;
    }

    DeviceResult CreateTextureFromFile(const char* programPath, int width, int height, PixelFormat format,
                                       TexturePool pool, uint32_t colorKey,
                                       std::unique_ptr<RasterTexture>* out) override {
        if (!out) return DeviceResult::InvalidCall;
        out->reset();
        if (!programPath) return DeviceResult::Failed;
        Dib dib;
        std::string error;
        if (!LoadBmpFile(programPath, &dib, &error)) return DeviceResult::Failed;
        std::unique_ptr<RasterTexture> texture;
        DeviceResult r = CreateTexture(width, height, format, pool, &texture);
        if (r != DeviceResult::Ok) return r;
        Image& img = texture->Level0()->Pixels();
        uint32_t key = colorKey & 0x00FFFFFF;
        int w = std::min(width, dib.width), h = std::min(height, dib.height);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                uint32_t rgb = dib.PixelRgb(x, y) & 0x00FFFFFF;
                img.Set(x, y, rgb == key ? 0u : PackArgb(format, 0xFF000000u | rgb));
            }
        }
        *out = std::move(texture);
        return DeviceResult::Ok;
    }

    DeviceResult CreateOffscreenPlain(int width, int height, PixelFormat format,
                                      std::unique_ptr<RasterSurface>* out) override {
        if (!out) return DeviceResult::InvalidCall;
        out->reset();
        if (!internal::SurfaceSizeOk(width, height)) return DeviceResult::InvalidCall;
        int bpp = BytesPerPixel(format);
        if (bpp != 2 && bpp != 4) return DeviceResult::InvalidCall;
        *out = std::make_unique<SurfaceImpl>(shared_, SurfaceKind::Plain, width, height, format, false);
        return DeviceResult::Ok;
    }

    DeviceResult CreateVertexBuffer(int vertexCount, std::unique_ptr<VertexBuffer>* out) override {
        if (!out) return DeviceResult::InvalidCall;
        out->reset();
        if (vertexCount <= 0 || vertexCount > (1 << 24)) return DeviceResult::InvalidCall;
        if (internal::TakeBufferCreationFailure()) return DeviceResult::Failed;
        *out = std::make_unique<VertexBufferImpl>(shared_, vertexCount);
        return DeviceResult::Ok;
    }

    RasterSurface* BackBuffer() override { return backBuffer_.get(); }

    DeviceResult GetRenderTargetData(RasterSurface* renderTarget, RasterSurface* systemCopy) override {
        SurfaceImpl* from = Own(renderTarget);
        SurfaceImpl* to = Own(systemCopy);
        if (!from || !to || !from->IsRenderTarget()) return DeviceResult::InvalidCall;
        return CopyPixels(from->Pixels(), to->Pixels());
    }

    DeviceResult UpdateSurface(RasterSurface* source, RasterSurface* destination) override {
        SurfaceImpl* from = Own(source);
        SurfaceImpl* to = Own(destination);
        if (!from || !to) return DeviceResult::InvalidCall;
        return CopyPixels(from->Pixels(), to->Pixels());
    }

    DeviceResult SetRenderTarget(RasterSurface* target) override {
        // Set twice around every blit; the current target was checked when it was set.
        if (target && target == shared_->target) return DeviceResult::Ok;
        SurfaceImpl* s = Own(target);
        if (!s || !s->IsRenderTarget()) return DeviceResult::InvalidCall;
        shared_->target = s;
        return DeviceResult::Ok;
    }
    RasterSurface* RenderTarget() override { return shared_->target; }

    DeviceResult Clear(const PixelRect* rect, uint32_t argb) override {
        if (!shared_->target) return DeviceResult::InvalidCall;
        Image& img = shared_->target->Pixels();
        img.FillRaw(rect ? *rect : PixelRect{0, 0, img.Width(), img.Height()}, PackArgb(img.Format(), argb));
        return DeviceResult::Ok;
    }

    DeviceResult BeginScene() override {
        if (inScene_) return DeviceResult::InvalidCall;
        inScene_ = true;
        return DeviceResult::Ok;
    }
    DeviceResult EndScene() override {
        if (!inScene_) return DeviceResult::InvalidCall;
        inScene_ = false;
        return DeviceResult::Ok;
    }
    bool InScene() const override { return inScene_; }

    void SetTexture(RasterTexture* texture) override {
        if (texture && texture == shared_->texture) return;  // checked when it was set
        // Set before every blit: a type check, not a cast search.
        auto* t = texture && typeid(*texture) == typeid(TextureImpl) ? static_cast<TextureImpl*>(texture) : nullptr;
        shared_->texture = (t && t->Owner() == shared_.get()) ? t : nullptr;
    }
    void SetStage(const StageState& stage) override { stage_.stage = stage; }
    const StageState& Stage() const override { return stage_.stage; }
    void SetTextureFactor(uint32_t argb) override { stage_.factor = argb; }
    void SetDefaultStates() override {
        blend_ = true;
        stage_.stage = StageState{};
        stage_.factor = 0xFFFFFFFF;
    }
    void SetAlphaBlend(bool on) override { blend_ = on; }

    DeviceResult DrawStrip(const Vertex* four) override {
        if (!inScene_ || !four) return DeviceResult::InvalidCall;
        if (!shared_->target) return DeviceResult::InvalidCall;
        for (int i = 0; i < 4; ++i) {
            const Vertex& v = four[i];
            if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.u) || !std::isfinite(v.v)) {
                return DeviceResult::Ok;  // nothing sensible to draw
            }
        }
        if (!DrawAxisAligned(four)) {
            DrawTriangle(four[0], four[1], four[2]);
            DrawTriangle(four[2], four[1], four[3]);
        }
        return DeviceResult::Ok;
    }

    DeviceResult Present() override {
        int checks = 0;
        if (internal::TakeDeviceLoss(&checks)) {
            state_ = State::Lost;
            lostChecksLeft_ = checks;
        }
        if (state_ != State::Ok) return DeviceResult::DeviceLost;
        PresentImage(backBuffer_->Pixels(), nullptr);
        if (config_.waitForVerticalBlank) WaitVerticalBlank();
        return DeviceResult::Ok;
    }

    void SetWaitForVerticalBlank(bool wait) override { config_.waitForVerticalBlank = wait; }

    DeviceResult TestCooperativeLevel() override {
        if (state_ == State::Lost) {
            if (lostChecksLeft_ > 0) {
                --lostChecksLeft_;
                return DeviceResult::DeviceLost;
            }
            state_ = State::NotReset;
        }
        return state_ == State::NotReset ? DeviceResult::DeviceNotReset : DeviceResult::Ok;
    }

    DeviceResult Reset() override {
        if (shared_->liveRenderTargets > 0) return DeviceResult::InvalidCall;
        if (state_ == State::Lost && lostChecksLeft_ > 0) return DeviceResult::InvalidCall;
        state_ = State::Ok;
        lostChecksLeft_ = 0;
        backBuffer_->Pixels().Unlock();
        backBuffer_->Pixels().FillRaw(0);
        SetDefaultStates();
        shared_->texture = nullptr;
        shared_->target = backBuffer_.get();
        inScene_ = false;
        return DeviceResult::Ok;
    }

    int LiveObjects() const override { return shared_->liveObjects; }

private:
    enum class State { Ok, Lost, NotReset };

    SurfaceImpl* Own(RasterSurface* s) const {
        auto* impl = s && typeid(*s) == typeid(SurfaceImpl) ? static_cast<SurfaceImpl*>(s) : nullptr;
        return impl && impl->Owner() == shared_.get() ? impl : nullptr;
    }

    static DeviceResult CopyPixels(const Image& from, Image& to) {
        if (&from == &to) return DeviceResult::Ok;
        if (from.Width() != to.Width() || from.Height() != to.Height() || from.Format() != to.Format()) {
            return DeviceResult::InvalidCall;
        }
        size_t rowBytes = static_cast<size_t>(from.Width()) * static_cast<size_t>(BytesPerPixel(from.Format()));
        for (int y = 0; y < from.Height(); ++y) std::memcpy(to.Row(y), from.Row(y), rowBytes);
        return DeviceResult::Ok;
    }

    const Image* TextureImage() { return shared_->texture ? &shared_->texture->Level0()->Pixels() : nullptr; }

    // The exact path: a quad whose corners make an axis-aligned rectangle
    // split along its diagonal, with texture coordinates affine over it.
    // False when the quad is not of that kind.
    bool DrawAxisAligned(const Vertex* q) {
        double xa, xb, ya, yb;
        if (q[0].x == q[1].x && q[2].x == q[3].x && q[0].y == q[2].y && q[1].y == q[3].y) {
            xa = q[0].x, xb = q[2].x, ya = q[0].y, yb = q[1].y;
        } else if (q[0].y == q[1].y && q[2].y == q[3].y && q[0].x == q[2].x && q[1].x == q[3].x) {
            xa = q[0].x, xb = q[1].x, ya = q[0].y, yb = q[2].y;
        } else {
            return false;
        }
        if (xa == xb || ya == yb) return true;  // no area
        uint32_t diffuse = q[0].diffuse;
        if (q[1].diffuse != diffuse || q[2].diffuse != diffuse || q[3].diffuse != diffuse) return false;

        // u = u0 + bx (x - x0) + by (y - y0), from the first three corners.
        double x0 = q[0].x, y0 = q[0].y;
        double ubx, uby, vbx, vby;
        if (q[0].x == q[1].x && q[0].u == q[1].u && q[2].u == q[3].u && q[0].v == q[2].v && q[1].v == q[3].v) {
            // The usual blit: u follows x and v follows y, exactly.
            ubx = (double{q[2].u} - q[0].u) / (double{q[2].x} - x0);
            vby = (double{q[1].v} - q[0].v) / (double{q[1].y} - y0);
            uby = vbx = 0;
        } else {
            double dx1 = q[1].x - x0, dy1 = q[1].y - y0, dx2 = q[2].x - x0, dy2 = q[2].y - y0;
            double det = dx1 * dy2 - dx2 * dy1;
            double du1 = double{q[1].u} - q[0].u, du2 = double{q[2].u} - q[0].u;
            double dv1 = double{q[1].v} - q[0].v, dv2 = double{q[2].v} - q[0].v;
            ubx = (du1 * dy2 - du2 * dy1) / det, uby = (dx1 * du2 - dx2 * du1) / det;
            vbx = (dv1 * dy2 - dv2 * dy1) / det, vby = (dx1 * dv2 - dx2 * dv1) / det;
            auto near = [](double a, double b) { return std::fabs(a - b) <= 1e-6 * (1.0 + std::fabs(a)); };
            double u3 = q[0].u + ubx * (q[3].x - x0) + uby * (q[3].y - y0);
            double v3 = q[0].v + vbx * (q[3].x - x0) + vby * (q[3].y - y0);
            if (!near(u3, q[3].u) || !near(v3, q[3].v)) return false;
        }

        Image& target = shared_->target->Pixels();
        // Pixel centres at integers; the left and top edges are inside.
        int cx0 = CeilWithin(std::min(xa, xb), target.Width());
        int cx1 = CeilWithin(std::max(xa, xb), target.Width());
        int cy0 = CeilWithin(std::min(ya, yb), target.Height());
        int cy1 = CeilWithin(std::max(ya, yb), target.Height());
        if (cx0 >= cx1 || cy0 >= cy1) return true;
        int n = cx1 - cx0;

        const Image* tex = TextureImage();
        auto uAt = [&](int px, int py) { return q[0].u + (ubx * (px - x0) + uby * (py - y0)); };
        auto vAt = [&](int px, int py) { return q[0].v + (vbx * (px - x0) + vby * (py - y0)); };

        // A texture drawn into itself is read pixel by pixel, each texel just
        // before the write that may change it.
        if (tex && tex == &target) {
            for (int py = cy0; py < cy1; ++py) {
                for (int px = cx0; px < cx1; ++px) {
                    uint32_t t =
                        ReadTexel(*tex, WrapTexel(uAt(px, py), tex->Width()), WrapTexel(vAt(px, py), tex->Height()));
                    WritePixel(target, px, py, stage_.Combine(t, diffuse), blend_);
                }
            }
            return true;
        }

        RowWriter writer = WriterFor(target.Format());
        // The buffers only grow: a resize down and up again would clear them.
        if (line_.size() < static_cast<size_t>(n)) line_.resize(static_cast<size_t>(n));
        uint32_t* line = line_.data();
        int bppOut = BytesPerPixel(target.Format());
        auto writeLine = [&](int py) {
            if (writer) {
                writer(target.Row(py) + static_cast<size_t>(cx0) * bppOut, reinterpret_cast<const uint8_t*>(line), n,
                       blend_);
            } else {
                for (int i = 0; i < n; ++i) WritePixel(target, cx0 + i, py, line[i], blend_);
            }
        };

        const FastCombine& fast = ClassifyCached(diffuse);
        if (!tex || (!fast.general && fast.keep == 0)) {
            // Nothing depends on the texel: one value for the whole quad.
            uint32_t value = stage_.Combine(0xFFFFFFFF, diffuse);
            if (blend_ && value >> 24 == 0) return true;  // blends to what is there
            if (!blend_ || value >> 24 == 255) {
                // Nothing to blend: the packed value over the rectangle.
                target.FillRaw(PixelRect{cx0, cy0, cx1, cy1}, PackArgb(target.Format(), value));
                return true;
            }
            std::fill(line, line + n, value);
            for (int py = cy0; py < cy1; ++py) writeLine(py);
            return true;
        }

        int tw = tex->Width(), th = tex->Height();
        PixelFormat tf = tex->Format();
        bool separable = uby == 0 && vbx == 0;  // u along x, v along y
        bool swapped = ubx == 0 && vby == 0;    // u along y, v along x
        if (separable || swapped) {
            // Texel index per column, one per row. Along x only the x term
            // changes, along y only the y term.
            const int rowsCount = cy1 - cy0;
            const double colBase = separable ? uAt(cx0, cy0) - ubx * (cx0 - x0) : vAt(cx0, cy0) - vbx * (cx0 - x0);
            const double colStep = separable ? ubx : vbx;
            const int colSize = separable ? tw : th;
            const double rowBase = separable ? vAt(cx0, cy0) - vby * (cy0 - y0) : uAt(cx0, cy0) - uby * (cy0 - y0);
            const double rowStep = separable ? vby : uby;
            const int rowSize = separable ? th : tw;
            // A plain copy of 32-bit texels blends straight from the texture.
            const bool plainTexels =
                tf == PixelFormat::A8R8G8B8 && writer && !fast.general && fast.keep == 0xFFFFFFFF && fast.fixed == 0;
            const bool sprite = separable && plainTexels && blend_ && bppOut == 4;
            int col0 = 0, row0 = 0;
            const bool colsRun = TexelRun(colBase, colStep, cx0 - x0, n, colSize, &col0);
            if (sprite && colsRun && TexelRun(rowBase, rowStep, cy0 - y0, rowsCount, rowSize, &row0)) {
                // The usual sprite: one texel per pixel, no tables.
                DrawSprite32(target, cx0, cy0, TexelRows{tex->Row(0) + static_cast<size_t>(col0) * 4, tex->Pitch(), nullptr, row0},
                             n, rowsCount);
                return true;
            }
            if (cols_.size() < static_cast<size_t>(n)) cols_.resize(static_cast<size_t>(n));
            if (rows_.size() < static_cast<size_t>(rowsCount)) rows_.resize(static_cast<size_t>(rowsCount));
            FillTexelTable(cols_.data(), n, colBase, colStep, cx0 - x0, colSize);
            FillTexelTable(rows_.data(), rowsCount, rowBase, rowStep, cy0 - y0, rowSize);
            const bool contiguous = separable && cols_[0] + n <= tw && (colsRun || IsRun(cols_.data(), n));
            if (sprite && contiguous) {
                DrawSprite32(target, cx0, cy0,
                             TexelRows{tex->Row(0) + static_cast<size_t>(cols_[0]) * 4, tex->Pitch(), rows_.data(), 0},
                             n, rowsCount);
                return true;
            }
            const bool direct = separable && contiguous && plainTexels;
            // Twice the size: each texel duplicated instead of looked up. A
            // doubled row of opaque texels (or with blending off) is written
            // straight into a 32-bit target: nothing to blend.
            const int doubled =
                separable && !contiguous && tf == PixelFormat::A8R8G8B8 ? DoubledPhase(cols_.data(), n) : -1;
            const bool doubleIntoTarget = doubled >= 0 && plainTexels && bppOut == 4;
            const uint32_t targetMask = target.Format() == PixelFormat::A8R8G8B8 ? 0xFFFFFFFFu : 0x00FFFFFFu;
            int lineRow = -1;  // texture row (or column) whose shaded texels the line holds
            // The row just written came out the same whatever was under it
            // (nothing blended), so a repeat of it is a copy of that row.
            bool lineStandsAlone = false;
            const size_t lineBytes = static_cast<size_t>(n) * static_cast<size_t>(bppOut);
            for (int py = cy0; py < cy1; ++py) {
                if (direct) {
                    writer(target.Row(py) + static_cast<size_t>(cx0) * bppOut,
                           tex->Row(rows_[py - cy0]) + static_cast<size_t>(cols_[0]) * 4, n, blend_);
                    continue;
                }
                if (rows_[py - cy0] == lineRow) {
                    // An enlarged picture repeats its rows.
                    if (lineStandsAlone) {
                        std::memcpy(target.Row(py) + static_cast<size_t>(cx0) * bppOut,
                                    target.Row(py - 1) + static_cast<size_t>(cx0) * bppOut, lineBytes);
                    } else {
                        writeLine(py);
                    }
                    continue;
                }
                lineRow = rows_[py - cy0];
                if (doubleIntoTarget) {
                    const uint8_t* texels = tex->Row(lineRow) + static_cast<size_t>(cols_[0]) * 4;
                    if (!blend_ || AllOpaque(texels, cols_[n - 1] - cols_[0] + 1)) {
                        DoubleTexels32(target.Row(py) + static_cast<size_t>(cx0) * 4, texels, doubled, n, targetMask);
                        lineStandsAlone = true;  // a repeat copies this row; the line is not needed
                        continue;
                    }
                }
                if (separable) {
                    int ty = rows_[py - cy0];
                    const uint8_t* src = tex->Row(ty);
                    if (tf == PixelFormat::A8R8G8B8) {
                        if (contiguous) {
                            std::memcpy(line, src + static_cast<size_t>(cols_[0]) * 4, static_cast<size_t>(n) * 4);
                        } else if (doubled >= 0) {
                            DoubleTexels32(reinterpret_cast<uint8_t*>(line), src + static_cast<size_t>(cols_[0]) * 4,
                                           doubled, n, 0xFFFFFFFFu);
                        } else {
                            for (int i = 0; i < n; ++i) line[i] = Load32(src + static_cast<size_t>(cols_[i]) * 4);
                        }
                    } else if (tf == PixelFormat::A1R5G5B5) {
                        for (int i = 0; i < n; ++i) {
                            line[i] =
                                UnpackToArgb(PixelFormat::A1R5G5B5, Load16(src + static_cast<size_t>(cols_[i]) * 2));
                        }
                    } else {
                        for (int i = 0; i < n; ++i) line[i] = ReadTexel(*tex, cols_[i], ty);
                    }
                } else {
                    int tx = rows_[py - cy0];
                    for (int i = 0; i < n; ++i) line[i] = ReadTexel(*tex, tx, cols_[i]);
                }
                CombineLine(line, n, fast, diffuse);
                const bool repeats = py + 1 < cy1 && rows_[py + 1 - cy0] == lineRow;
                lineStandsAlone = repeats && (!blend_ || AllOpaque(reinterpret_cast<const uint8_t*>(line), n));
                writeLine(py);
            }
            return true;
        }

        for (int py = cy0; py < cy1; ++py) {
            for (int i = 0; i < n; ++i) {
                int px = cx0 + i;
                line[i] = ReadTexel(*tex, WrapTexel(uAt(px, py), tw), WrapTexel(vAt(px, py), th));
            }
            CombineLine(line, n, fast, diffuse);
            writeLine(py);
        }
        return true;
    }

    // Most draws in a row use the same stage, factor and colour.
    const FastCombine& ClassifyCached(uint32_t diffuse) {
        const StageState& st = stage_.stage;
        const StageState& c = classifiedStage_;
        bool same = classifiedValid_ && classifiedDiffuse_ == diffuse && classifiedFactor_ == stage_.factor &&
                    st.colorOp == c.colorOp && st.colorArg1 == c.colorArg1 && st.colorArg2 == c.colorArg2 &&
                    st.alphaOp == c.alphaOp && st.alphaArg1 == c.alphaArg1 && st.alphaArg2 == c.alphaArg2;
        if (!same) {
            classified_ = Classify(stage_, diffuse);
            classifiedStage_ = st;
            classifiedDiffuse_ = diffuse;
            classifiedFactor_ = stage_.factor;
            classifiedValid_ = true;
        }
        return classified_;
    }

    void CombineLine(uint32_t* line, int n, const FastCombine& fast, uint32_t diffuse) const {
        if (fast.general) {
            for (int i = 0; i < n; ++i) line[i] = stage_.Combine(line[i], diffuse);
        } else if (fast.keep != 0xFFFFFFFF || fast.fixed != 0) {
            for (int i = 0; i < n; ++i) line[i] = (line[i] & fast.keep) | fast.fixed;
        }
    }

    // One triangle by edge functions with the top-left rule; texture
    // coordinates and diffuse interpolated affinely. Each row is cut to the
    // run of pixels inside all three edges, and every value of a pixel in it
    // is computed by the same operations, in the same order, as a test of
    // each pixel of the bounding box would compute them.
    void DrawTriangle(Vertex a, Vertex b, Vertex c) {
        double area = Edge(a, b, c.x, c.y);
        if (area == 0 || !std::isfinite(area)) return;
        if (area < 0) {
            std::swap(b, c);
            area = -area;
        }
        Image& target = shared_->target->Pixels();
        double minX = std::min({double{a.x}, double{b.x}, double{c.x}}),
               maxX = std::max({double{a.x}, double{b.x}, double{c.x}});
        double minY = std::min({double{a.y}, double{b.y}, double{c.y}}),
               maxY = std::max({double{a.y}, double{b.y}, double{c.y}});
        int x0 = static_cast<int>(std::clamp(std::ceil(minX), 0.0, double(target.Width())));
        int x1 = static_cast<int>(std::clamp(std::floor(maxX) + 1, 0.0, double(target.Width())));
        int y0 = static_cast<int>(std::clamp(std::ceil(minY), 0.0, double(target.Height())));
        int y1 = static_cast<int>(std::clamp(std::floor(maxY) + 1, 0.0, double(target.Height())));
        if (x0 >= x1 || y0 >= y1) return;

        const EdgeStepper ea(b, c), eb(c, a), ec(a, b);
        const Image* tex = TextureImage();
        const bool self = tex == &target;
        const bool flat = a.diffuse == b.diffuse && a.diffuse == c.diffuse;
        const uint32_t flatDiffuse = a.diffuse;
        FastCombine fast;  // used only where the corners share one diffuse colour
        if (flat) fast = ClassifyCached(flatDiffuse);
        RowWriter writer = self ? nullptr : WriterFor(target.Format());
        const int bppOut = BytesPerPixel(target.Format());

        const size_t span = static_cast<size_t>(x1 - x0);
        if (weights_.size() < 5 * span) weights_.resize(5 * span);
        if (line_.size() < span) line_.resize(span);
        double* wa = weights_.data();
        double* wb = wa + span;
        double* wc = wb + span;
        double* us = wc + span;
        double* vs = us + span;
        uint32_t* line = line_.data();

        const double au = a.u, bu = b.u, cu = c.u, av = a.v, bv = b.v, cv = c.v;
        for (int py = y0; py < y1; ++py) {
            const double ra = ea.RowTerm(py), rb = eb.RowTerm(py), rc = ec.RowTerm(py);
            int lo = x0, hi = x1;
            ea.Clip(ra, &lo, &hi);
            if (lo < hi) eb.Clip(rb, &lo, &hi);
            if (lo < hi) ec.Clip(rc, &lo, &hi);
            if (lo >= hi) continue;
            const int n = hi - lo;

            // Weights and texture coordinates of the run, free of branches
            // (local copies of the edges: nothing the loop stores can alias
            // them, so it runs in vector steps).
            {
                const EdgeStepper la = ea, lb = eb, lc = ec;
                for (int i = 0; i < n; ++i) {
                    const double x = lo + i;
                    const double pa = la.At(ra, x) / area, pb = lb.At(rb, x) / area, pc = lc.At(rc, x) / area;
                    wa[i] = pa, wb[i] = pb, wc[i] = pc;
                    us[i] = pa * au + pb * bu + pc * cu;
                    vs[i] = pa * av + pb * bv + pc * cv;
                }
            }

            for (int i = 0; i < n; ++i) {
                uint32_t texel = 0xFFFFFFFF;
                if (tex) texel = FetchTexel(*tex, us[i], vs[i]);
                uint32_t value;
                if (flat && std::fabs(wa[i] + wb[i] + wc[i] - 1) <= 0x1p-20) {
                    // The weights sum to 1 within 2^-20, so each interpolated
                    // channel rounds back to the corners' common value.
                    value = fast.general ? stage_.Combine(texel, flatDiffuse) : (texel & fast.keep) | fast.fixed;
                } else {
                    value = stage_.Combine(texel, InterpolateDiffuse(wa[i], wb[i], wc[i], a, b, c));
                }
                if (self) {
                    // A texture drawn into itself reads each texel just before
                    // the write that may change it.
                    WritePixel(target, lo + i, py, value, blend_);
                } else {
                    line[i] = value;
                }
            }
            if (self) continue;
            if (writer) {
                writer(target.Row(py) + static_cast<size_t>(lo) * bppOut, reinterpret_cast<const uint8_t*>(line), n,
                       blend_);
            } else {
                for (int i = 0; i < n; ++i) WritePixel(target, lo + i, py, line[i], blend_);
            }
        }
    }

    std::shared_ptr<DeviceShared> shared_;
    RasterCaps caps_;
    RasterDeviceConfig config_;
    std::unique_ptr<SurfaceImpl> backBuffer_;
    StageSetup stage_;
    bool blend_ = true;
    bool inScene_ = false;
    State state_ = State::Ok;
    int lostChecksLeft_ = 0;
    std::vector<uint32_t> line_;
    std::vector<int> cols_;
    std::vector<int> rows_;
    std::vector<double> weights_;  // a triangle row's weights and texture coordinates
    bool classifiedValid_ = false;
    StageState classifiedStage_;
    uint32_t classifiedDiffuse_ = 0, classifiedFactor_ = 0;
    FastCombine classified_;
};

}  // namespace

RasterCaps RasterDevice::QueryCaps() {
    testing::RasterCapsOverride o = internal::RasterCapsNow();
    RasterCaps caps;
    caps.pow2 = o.pow2;
    caps.squareOnly = o.squareOnly;
    caps.dynamicTextures = o.dynamicTextures;
    caps.alphaFlipOrDiscard = o.alphaFlipOrDiscard;
    caps.maxTextureWidth = o.maxTextureWidth;
    caps.maxTextureHeight = o.maxTextureHeight;
    return caps;
}

int RasterDevice::DisplayRefreshRate() { return internal::RasterCapsNow().refreshRate; }

std::unique_ptr<RasterDevice> RasterDevice::Create(const RasterDeviceConfig& config, DeviceResult* result) {
    auto fail = [&](DeviceResult r) {
        if (result) *result = r;
        return std::unique_ptr<RasterDevice>();
    };
    testing::RasterCapsOverride o = internal::RasterCapsNow();
    if (config.backBufferFormat != PixelFormat::X8R8G8B8 && config.backBufferFormat != PixelFormat::R5G6B5 &&
        config.backBufferFormat != PixelFormat::A1R5G5B5) {
        return fail(DeviceResult::InvalidCall);
    }
    RasterDeviceConfig c = config;
    // A window's back buffer of size 0 takes the window's client size.
    if (c.windowed && (c.width == 0 || c.height == 0)) {
        int w = 0, h = 0;
        FrameWindowClientSize(&w, &h);
        if (c.width == 0) c.width = w > 0 ? w : 640;
        if (c.height == 0) c.height = h > 0 ? h : 480;
    }
    if (!internal::SurfaceSizeOk(c.width, c.height)) return fail(DeviceResult::InvalidCall);
    if (o.createFails) return fail(DeviceResult::Failed);
    if (c.hardwareVertexProcessing && !o.hardwareVertexProcessing) return fail(DeviceResult::Failed);
    if (result) *result = DeviceResult::Ok;
    return std::make_unique<RasterDeviceImpl>(c, QueryCaps());
}

}  // namespace plat
