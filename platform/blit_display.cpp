#include "platform/blit_display.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <typeinfo>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/picture_internal.h"
#include "platform/presenter.h"

namespace plat {
namespace {

class BlitSurfaceImpl;
class BlitDisplayImpl;

// Every surface alive, for the injected loss of all of them.
std::mutex g_surfacesMutex;
std::vector<BlitSurfaceImpl*> g_surfaces;

// What a display's surfaces share with it; it outlives the display when the
// program releases the display first.
struct DisplayShared {
    int liveObjects = 0;
    BlitSurfaceImpl* primary = nullptr;
    BlitDisplayImpl* display = nullptr;
};

PixelFormat FormatForDepth(int depth) {
    switch (depth) {
    case 8:
        return PixelFormat::P8;
    case 16:
        return internal::X1R5G5B5ForBlit16Now() ? PixelFormat::X1R5G5B5 : PixelFormat::R5G6B5;
    case 24:
        return PixelFormat::R8G8B8;
    default:
        return PixelFormat::X8R8G8B8;
    }
}

bool RectInside(const PixelRect& r, const Image& img) {
    return r.left < r.right && r.top < r.bottom && r.left >= 0 && r.top >= 0 && r.right <= img.Width() &&
           r.bottom <= img.Height();
}

// Bits of a raw pixel that take part in the key compare: the colour bits.
uint32_t KeyMask(PixelFormat f) {
    switch (BytesPerPixel(f)) {
    case 1:
        return 0xFF;
    case 2:
        return 0xFFFF;
    default:
        return 0x00FFFFFF;
    }
}

// ---------------------------------------------------------------------------
// Row copies. Pixels are moved as whole units of their size; the key rows
// are written branch-free so the compiler can run them wide.

template <typename T>
inline T LoadPx(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}
template <typename T>
inline void StorePx(uint8_t* p, T v) {
    std::memcpy(p, &v, sizeof(T));
}

template <typename T>
void KeyedRowScalar(uint8_t* __restrict d, const uint8_t* __restrict s, int from, int n, T key, T mask) {
    for (int i = from; i < n; ++i) {
        T v = LoadPx<T>(s + i * sizeof(T));
        T o = LoadPx<T>(d + i * sizeof(T));
        StorePx<T>(d + i * sizeof(T), ((v ^ key) & mask) ? v : o);
    }
}

// Sprites are drawn through these thousands of times a frame: 16 bytes at a
// time where the processor has the instructions for it.
template <typename T>
void KeyedRow(uint8_t* __restrict d, const uint8_t* __restrict s, int n, T key, T mask) {
    int i = 0;
#if defined(__SSE2__)
    constexpr int kLanes = 16 / sizeof(T);
    __m128i k, m;
    if constexpr (sizeof(T) == 1) {
        k = _mm_set1_epi8(static_cast<char>(key));
        m = _mm_set1_epi8(static_cast<char>(mask));
    } else if constexpr (sizeof(T) == 2) {
        k = _mm_set1_epi16(static_cast<short>(key));
        m = _mm_set1_epi16(static_cast<short>(mask));
    } else {
        k = _mm_set1_epi32(static_cast<int>(key & mask));
        m = _mm_set1_epi32(static_cast<int>(mask));
    }
    auto isKeyOf = [&](__m128i vm) {
        if constexpr (sizeof(T) == 1) {
            return _mm_cmpeq_epi8(vm, k);
        } else if constexpr (sizeof(T) == 2) {
            return _mm_cmpeq_epi16(vm, k);
        } else {
            return _mm_cmpeq_epi32(vm, k);
        }
    };
    // 32 bytes at a time, source loads first: a source load right after a
    // store to an address 4 KiB away would wait for that store. Sprites are
    // mostly runs of all-key or no-key pixels, which need no read of the
    // destination.
    for (; i + 2 * kLanes <= n; i += 2 * kLanes) {
        const uint8_t* sp = s + i * sizeof(T);
        uint8_t* dp = d + i * sizeof(T);
        __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp));
        __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sp + 16));
        __m128i k0 = isKeyOf(_mm_and_si128(v0, m)), k1 = isKeyOf(_mm_and_si128(v1, m));
        int anyKey = _mm_movemask_epi8(_mm_or_si128(k0, k1));
        if (anyKey == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), v0);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + 16), v1);
            continue;
        }
        if (_mm_movemask_epi8(_mm_and_si128(k0, k1)) == 0xFFFF) continue;
        __m128i o0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp));
        __m128i o1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dp + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dp), _mm_or_si128(_mm_and_si128(k0, o0), _mm_andnot_si128(k0, v0)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dp + 16),
                         _mm_or_si128(_mm_and_si128(k1, o1), _mm_andnot_si128(k1, v1)));
    }
    for (; i + kLanes <= n; i += kLanes) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i * sizeof(T)));
        __m128i o = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i * sizeof(T)));
        __m128i isKey = isKeyOf(_mm_and_si128(v, m));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i * sizeof(T)),
                         _mm_or_si128(_mm_and_si128(isKey, o), _mm_andnot_si128(isKey, v)));
    }
#endif
    KeyedRowScalar<T>(d, s, i, n, key, mask);
}

void KeyedRow24(uint8_t* d, const uint8_t* s, int n, uint32_t key) {
    for (int i = 0; i < n; ++i) {
        uint32_t v = uint32_t{s[3 * i]} | uint32_t{s[3 * i + 1]} << 8 | uint32_t{s[3 * i + 2]} << 16;
        if (v != (key & 0x00FFFFFF)) std::memcpy(d + 3 * i, s + 3 * i, 3);
    }
}

template <typename T>
void KeyedRect(uint8_t* d, int dPitch, const uint8_t* s, int sPitch, int w, int h, T key, T mask) {
    for (int j = 0; j < h; ++j)
        KeyedRow<T>(d + static_cast<ptrdiff_t>(j) * dPitch, s + static_cast<ptrdiff_t>(j) * sPitch, w, key, mask);
}

// w x h pixels from (sx, sy) of `src` to (dx, dy) of `dst`, same format, both
// rectangles already checked.
void CopyRect(Image& dst, int dx, int dy, const Image& src, int sx, int sy, int w, int h, bool keyed, uint32_t key) {
    int bpp = BytesPerPixel(dst.Format());
    uint8_t* d = dst.Row(dy) + static_cast<size_t>(dx) * bpp;
    const uint8_t* s = src.Row(sy) + static_cast<size_t>(sx) * bpp;
    int dp = dst.Pitch(), sp = src.Pitch();
    if (!keyed) {
        size_t rowBytes = static_cast<size_t>(w) * bpp;
        for (int j = 0; j < h; ++j)
            std::memcpy(d + static_cast<ptrdiff_t>(j) * dp, s + static_cast<ptrdiff_t>(j) * sp, rowBytes);
        return;
    }
    switch (bpp) {
    case 1:
        KeyedRect<uint8_t>(d, dp, s, sp, w, h, static_cast<uint8_t>(key), 0xFF);
        break;
    case 2:
        KeyedRect<uint16_t>(d, dp, s, sp, w, h, static_cast<uint16_t>(key), 0xFFFF);
        break;
    case 3:
        for (int j = 0; j < h; ++j)
            KeyedRow24(d + static_cast<ptrdiff_t>(j) * dp, s + static_cast<ptrdiff_t>(j) * sp, w, key);
        break;
    default:
        KeyedRect<uint32_t>(d, dp, s, sp, w, h, key, 0x00FFFFFF);
        break;
    }
}

// Each of n source pixels twice: the row of a doubled stretch, no index
// table and no gather.
template <typename T>
void DoubleRow(uint8_t* __restrict d, const uint8_t* __restrict s, int n) {
    int i = 0;
#if defined(__SSE2__)
    constexpr int kLanes = 16 / sizeof(T);
    for (; i + kLanes <= n; i += kLanes) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i * sizeof(T)));
        __m128i lo, hi;
        if constexpr (sizeof(T) == 1) {
            lo = _mm_unpacklo_epi8(v, v), hi = _mm_unpackhi_epi8(v, v);
        } else if constexpr (sizeof(T) == 2) {
            lo = _mm_unpacklo_epi16(v, v), hi = _mm_unpackhi_epi16(v, v);
        } else {
            lo = _mm_unpacklo_epi32(v, v), hi = _mm_unpackhi_epi32(v, v);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * i * sizeof(T)), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 2 * i * sizeof(T) + 16), hi);
    }
#endif
    for (; i < n; ++i) {
        const T v = LoadPx<T>(s + i * sizeof(T));
        StorePx<T>(d + 2 * i * sizeof(T), v);
        StorePx<T>(d + (2 * i + 1) * sizeof(T), v);
    }
}

template <typename T>
void StretchRows(Image& dst, const PixelRect& dr, const Image& src, const PixelRect& sr, const std::vector<int>& cols,
                 const std::vector<int>& rows, bool keyed, T key, T mask) {
    const int w = dr.Width();
    // Twice as wide: source pixels duplicated, then copied like a same-size
    // row (through the key, where there is one).
    const bool doubled = w == 2 * sr.Width();
    std::vector<uint8_t> line(doubled && keyed ? static_cast<size_t>(w) * sizeof(T) : 0);
    int lineRow = -1;
    for (int j = 0; j < dr.Height(); ++j) {
        uint8_t* d = dst.Row(dr.top + j) + static_cast<size_t>(dr.left) * sizeof(T);
        if (!keyed && j > 0 && rows[j] == rows[j - 1]) {
            // The same source row again: the row just written is the answer.
            std::memcpy(d, d - dst.Pitch(), static_cast<size_t>(w) * sizeof(T));
            continue;
        }
        const uint8_t* s = src.Row(rows[j]);
        if (doubled) {
            const uint8_t* from = s + static_cast<size_t>(sr.left) * sizeof(T);
            if (!keyed) {
                DoubleRow<T>(d, from, sr.Width());
                continue;
            }
            if (rows[j] != lineRow) DoubleRow<T>(line.data(), from, sr.Width());
            lineRow = rows[j];
            KeyedRow<T>(d, line.data(), w, key, mask);
            continue;
        }
        for (int i = 0; i < w; ++i) {
            T v = LoadPx<T>(s + static_cast<size_t>(cols[i]) * sizeof(T));
            if (!keyed || ((v ^ key) & mask)) StorePx<T>(d + i * sizeof(T), v);
        }
    }
}

// Nearest source pixel of each of dw destination pixels: index
// s0 + k * sw / dw, kept as quotient and remainder from one k to the next
// (no division per pixel).
std::vector<int> NearestIndices(int s0, int sw, int dw) {
    std::vector<int> out(static_cast<size_t>(dw));
    const int step = sw / dw, rest = sw % dw;
    int q = 0, r = 0;  // k * sw = q * dw + r
    for (int k = 0; k < dw; ++k) {
        out[static_cast<size_t>(k)] = s0 + q;
        q += step;
        r += rest;
        if (r >= dw) {
            r -= dw;
            ++q;
        }
    }
    return out;
}

void StretchRect(Image& dst, const PixelRect& dr, const Image& src, const PixelRect& sr, bool keyed, uint32_t key) {
    // A doubled row needs no column table.
    std::vector<int> cols;
    if (dr.Width() != 2 * sr.Width() || BytesPerPixel(dst.Format()) == 3) {
        cols = NearestIndices(sr.left, sr.Width(), dr.Width());
    }
    const std::vector<int> rows = NearestIndices(sr.top, sr.Height(), dr.Height());
    switch (BytesPerPixel(dst.Format())) {
    case 1:
        StretchRows<uint8_t>(dst, dr, src, sr, cols, rows, keyed, static_cast<uint8_t>(key), 0xFF);
        break;
    case 2:
        StretchRows<uint16_t>(dst, dr, src, sr, cols, rows, keyed, static_cast<uint16_t>(key), 0xFFFF);
        break;
    case 3:
        for (int j = 0; j < dr.Height(); ++j) {
            for (int i = 0; i < dr.Width(); ++i) {
                uint32_t v = src.Get(cols[i], rows[j]);
                if (!keyed || v != (key & 0x00FFFFFF)) dst.Set(dr.left + i, dr.top + j, v);
            }
        }
        break;
    default:
        StretchRows<uint32_t>(dst, dr, src, sr, cols, rows, keyed, key, 0x00FFFFFF);
        break;
    }
}

// ---------------------------------------------------------------------------

class BlitSurfaceImpl final : public BlitSurface {
public:
    BlitSurfaceImpl(std::shared_ptr<DisplayShared> owner, int width, int height, PixelFormat format, bool system,
                    int64_t videoBytes)
        : owner_(std::move(owner)), image_(width, height, format), system_(system), videoBytes_(videoBytes) {
        ++owner_->liveObjects;
        std::lock_guard<std::mutex> lock(g_surfacesMutex);
        g_surfaces.push_back(this);
    }
    ~BlitSurfaceImpl() override {
        {
            std::lock_guard<std::mutex> lock(g_surfacesMutex);
            g_surfaces.erase(std::remove(g_surfaces.begin(), g_surfaces.end(), this), g_surfaces.end());
        }
        chain_.clear();
        if (owner_->primary == this) owner_->primary = nullptr;
        --owner_->liveObjects;
        if (videoBytes_ > 0) internal::ReleaseVideoMemory(videoBytes_);
    }

    Image& Pixels() override { return image_; }
    bool InSystemMemory() const override { return system_; }

    bool Lock(uint8_t** bits, int* pitch) override {
        if (lost_) return false;
        return image_.Lock(bits, pitch);
    }
    void Unlock() override;

    void SetColorKey(uint32_t raw) override {
        hasKey_ = true;
        key_ = raw;
    }
    bool HasColorKey() const override { return hasKey_; }
    uint32_t ColorKey() const override { return key_; }

    bool IsLost() const override { return lost_; }
    BlitResult Restore() override {
        if (lost_) {
            image_.Unlock();
            image_.FillRaw(0);
            lost_ = false;
        }
        return BlitResult::Ok;
    }

    BlitResult BltFast(int x, int y, BlitSurface* source, const PixelRect& sourceRect, bool sourceKey) override {
        auto* src = Peer(source);
        if (!src) return BlitResult::InvalidCall;
        if (lost_ || src->lost_) return BlitResult::SurfaceLost;
        PixelRect dr{x, y, x + sourceRect.Width(), y + sourceRect.Height()};
        if (!RectInside(sourceRect, src->image_) || !RectInside(dr, image_)) return BlitResult::InvalidRect;
        if (src->image_.Format() != image_.Format()) return BlitResult::InvalidCall;
        Copy(dr, *src, sourceRect, sourceKey);
        return BlitResult::Ok;
    }

    BlitResult Blt(const PixelRect& destRect, BlitSurface* source, const PixelRect& sourceRect,
                   bool sourceKey) override {
        auto* src = Peer(source);
        if (!src) return BlitResult::InvalidCall;
        if (lost_ || src->lost_) return BlitResult::SurfaceLost;
        if (!RectInside(sourceRect, src->image_) || !RectInside(destRect, image_)) return BlitResult::InvalidRect;
        if (src->image_.Format() != image_.Format()) return BlitResult::InvalidCall;
        Copy(destRect, *src, sourceRect, sourceKey);
        return BlitResult::Ok;
    }

    BlitResult ColorFill(const PixelRect* destRect, uint32_t raw) override {
        if (lost_) return BlitResult::SurfaceLost;
        PixelRect r{0, 0, image_.Width(), image_.Height()};
        if (destRect) r = *destRect;
        if (!RectInside(r, image_)) return BlitResult::InvalidRect;
        image_.FillRaw(r, raw);
        Shown();
        return BlitResult::Ok;
    }

    // Flip chain of a primary.
    std::vector<std::unique_ptr<BlitSurfaceImpl>>& Chain() { return chain_; }
    const DisplayShared* Owner() const { return owner_.get(); }
    void MarkLost() {
        lost_ = true;
        image_.FillRaw(0);
    }

private:
    BlitSurfaceImpl* Peer(BlitSurface* s) const {
        auto* impl = s && typeid(*s) == typeid(BlitSurfaceImpl) ? static_cast<BlitSurfaceImpl*>(s) : nullptr;
        return impl && impl->owner_ == owner_ ? impl : nullptr;
    }

    void Copy(const PixelRect& dr, BlitSurfaceImpl& src, const PixelRect& sr, bool sourceKey) {
        bool keyed = sourceKey && src.hasKey_;
        uint32_t key = src.key_ & KeyMask(image_.Format());
        if (&src == this) {
            // Overlapping rectangles of one surface read the source as it was.
            Image copy(sr.Width(), sr.Height(), image_.Format());
            CopyRect(copy, 0, 0, image_, sr.left, sr.top, sr.Width(), sr.Height(), false, 0);
            Place(dr, copy, PixelRect{0, 0, sr.Width(), sr.Height()}, keyed, key);
        } else {
            Place(dr, src.image_, sr, keyed, key);
        }
        Shown();
    }

    void Place(const PixelRect& dr, const Image& src, const PixelRect& sr, bool keyed, uint32_t key) {
        if (dr.Width() == sr.Width() && dr.Height() == sr.Height()) {
            CopyRect(image_, dr.left, dr.top, src, sr.left, sr.top, sr.Width(), sr.Height(), keyed, key);
        } else {
            StretchRect(image_, dr, src, sr, keyed, key);
        }
    }

    // A write to the primary is on the screen at once.
    void Shown();

    std::shared_ptr<DisplayShared> owner_;
    Image image_;
    bool system_;
    int64_t videoBytes_;
    std::atomic<bool> lost_{false};
    bool hasKey_ = false;
    uint32_t key_ = 0;
    std::vector<std::unique_ptr<BlitSurfaceImpl>> chain_;
};

class BlitDisplayImpl final : public BlitDisplay {
public:
    BlitDisplayImpl() : shared_(std::make_shared<DisplayShared>()) { shared_->display = this; }
    ~BlitDisplayImpl() override { shared_->display = nullptr; }

    BlitResult SetCooperativeLevel(bool exclusiveFullScreen) override {
        levelSet_ = true;
        exclusive_ = exclusiveFullScreen;
        if (!exclusive_) modeSet_ = false;
        return BlitResult::Ok;
    }

    BlitResult SetDisplayMode(int width, int height, int depth, int refresh) override {
        if (!levelSet_ || !exclusive_) return BlitResult::InvalidCall;
        if (!internal::SurfaceSizeOk(width, height)) return BlitResult::InvalidCall;
        if (depth != 8 && depth != 16 && depth != 32) return BlitResult::InvalidCall;
        if (refresh != 0 && refresh != internal::RasterCapsNow().refreshRate) return BlitResult::InvalidCall;
        modeSet_ = true;
        modeWidth_ = width;
        modeHeight_ = height;
        modeDepth_ = depth;
        return BlitResult::Ok;
    }
    void RestoreDisplayMode() override { modeSet_ = false; }

    int DesktopDepth() const override { return internal::DesktopDepthNow(); }
    int Depth() const override { return exclusive_ && modeSet_ ? modeDepth_ : DesktopDepth(); }

    BlitResult CreatePrimary(int backBuffers, int width, int height, std::unique_ptr<BlitSurface>* out) override {
        if (!out) return BlitResult::InvalidCall;
        out->reset();
        if (!levelSet_ || shared_->primary) return BlitResult::InvalidCall;
        if (backBuffers < 0 || backBuffers > 3 || (!exclusive_ && backBuffers != 0)) return BlitResult::InvalidCall;
        if (exclusive_ && modeSet_) {
            width = modeWidth_;
            height = modeHeight_;
        }
        if (!internal::SurfaceSizeOk(width, height)) return BlitResult::InvalidCall;
        PixelFormat f = FormatForDepth(Depth());
        auto primary = std::make_unique<BlitSurfaceImpl>(shared_, width, height, f, false, 0);
        for (int i = 0; i < backBuffers; ++i) {
            primary->Chain().push_back(std::make_unique<BlitSurfaceImpl>(shared_, width, height, f, false, 0));
        }
        shared_->primary = primary.get();
        *out = std::move(primary);
        return BlitResult::Ok;
    }

    BlitSurface* AttachedBackBuffer() override {
        if (!shared_->primary || shared_->primary->Chain().empty()) return nullptr;
        return shared_->primary->Chain().front().get();
    }

    BlitResult CreateOffscreen(int width, int height, bool systemMemory, std::unique_ptr<BlitSurface>* out) override {
        if (!out) return BlitResult::InvalidCall;
        out->reset();
        if (!internal::SurfaceSizeOk(width, height)) return BlitResult::InvalidCall;
        PixelFormat f = FormatForDepth(Depth());
        int64_t bytes = 0;
        if (!systemMemory) {
            bytes = int64_t{width} * height * BytesPerPixel(f);
            if (!internal::ReserveVideoMemory(bytes)) return BlitResult::OutOfVideoMemory;
        }
        *out = std::make_unique<BlitSurfaceImpl>(shared_, width, height, f, systemMemory, bytes);
        return BlitResult::Ok;
    }

    PixelMasks PrimaryMasks() const override {
        PixelFormat f = shared_->primary ? shared_->primary->Format() : FormatForDepth(Depth());
        PixelMasks m;
        m.bitCount = BitsPerPixel(f);
        if (f == PixelFormat::P8) return m;
        ChannelLayout l = LayoutOf(f);
        m.red = ((1u << l.bits[0]) - 1) << l.shift[0];
        m.green = ((1u << l.bits[1]) - 1) << l.shift[1];
        m.blue = ((1u << l.bits[2]) - 1) << l.shift[2];
        return m;
    }

    void SetPaletteEntries(int first, int count, const PaletteColor* entries) override {
        if (!entries || first < 0 || count <= 0 || first >= 256) return;
        count = std::min(count, 256 - first);
        std::copy(entries, entries + count, palette_ + first);
        // An 8-bit picture on the screen shows the new colours at once.
        if (!lastShown8_.Empty()) PresentImage(lastShown8_, palette_);
    }
    const PaletteColor* Palette() const override { return palette_; }

    BlitResult Flip() override {
        BlitSurfaceImpl* primary = shared_->primary;
        if (!primary || primary->Chain().empty()) return BlitResult::InvalidCall;
        auto& chain = primary->Chain();
        if (primary->IsLost()) return BlitResult::SurfaceLost;
        if (primary->Pixels().Locked()) return BlitResult::InvalidCall;
        for (auto& b : chain) {
            if (b->IsLost()) return BlitResult::SurfaceLost;
            if (b->Pixels().Locked()) return BlitResult::InvalidCall;
        }
        // The front takes the first back buffer's picture, each back buffer
        // the next one's, the last the old front's.
        std::swap(primary->Pixels(), chain[0]->Pixels());
        for (size_t i = 1; i < chain.size(); ++i) std::swap(chain[i - 1]->Pixels(), chain[i]->Pixels());
        Show(primary->Pixels());
        return BlitResult::Ok;
    }

    BlitResult PresentWindow(BlitSurface* backBuffer) override {
        auto* s = dynamic_cast<BlitSurfaceImpl*>(backBuffer);
        if (!s || s->Owner() != shared_.get()) return BlitResult::InvalidCall;
        if (s->IsLost() || (shared_->primary && shared_->primary->IsLost())) return BlitResult::SurfaceLost;
        Show(s->Pixels());
        return BlitResult::Ok;
    }

    BlitResult WaitForVerticalBlank() override {
        WaitVerticalBlank();
        return BlitResult::Ok;
    }

    int LiveObjects() const override { return shared_->liveObjects; }

    void Show(const Image& picture) {
        if (picture.Format() == PixelFormat::P8) {
            lastShown8_ = picture;
            lastShown8_.Unlock();
            PresentImage(picture, palette_);
        } else {
            lastShown8_ = Image();
            PresentImage(picture, nullptr);
        }
    }

private:
    std::shared_ptr<DisplayShared> shared_;
    bool levelSet_ = false;
    bool exclusive_ = false;
    bool modeSet_ = false;
    int modeWidth_ = 0, modeHeight_ = 0, modeDepth_ = 0;
    PaletteColor palette_[256] = {};
    Image lastShown8_;
};

void BlitSurfaceImpl::Unlock() {
    bool wasLocked = image_.Locked();
    image_.Unlock();
    if (wasLocked) Shown();
}

void BlitSurfaceImpl::Shown() {
    if (owner_->primary == this && owner_->display) owner_->display->Show(image_);
}

}  // namespace

std::unique_ptr<BlitDisplay> BlitDisplay::Create(BlitResult* result) {
    if (result) *result = BlitResult::Ok;
    return std::make_unique<BlitDisplayImpl>();
}

namespace testing {

void LoseBlitSurfaces() {
    std::lock_guard<std::mutex> lock(g_surfacesMutex);
    for (BlitSurfaceImpl* s : g_surfaces) s->MarkLost();
}

}  // namespace testing
}  // namespace plat
