#include "platform/picture.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/picture_internal.h"
#include "platform/picture_testing.h"

namespace plat {
namespace {

// The test switches, all behind one lock: images, devices and displays may
// be made on any thread.
struct Faults {
    int pitchPadding = 0;
    bool loseDevice = false;
    int lostChecks = 0;
    int64_t videoBudget = -1;
    int64_t videoInUse = 0;
    testing::RasterCapsOverride caps;
    int desktopDepth = 32;
    bool x1r5g5b5 = false;
};

std::mutex g_faultMutex;
Faults g_faults;
// Pending failures, used up one at a time without the mutex.
std::atomic<int> g_lockFailures{0};
std::atomic<int> g_bufferCreationFailures{0};
std::atomic<int> g_bufferLockFailures{0};
std::atomic<bool> g_narrowVectors{false};  // tests: no vector steps wider than 128 bits

// Uses up one pending failure of a counter; false when none is pending.
bool TakeOne(std::atomic<int>& counter) {
    int n = counter.load(std::memory_order_relaxed);
    while (n > 0) {
        if (counter.compare_exchange_weak(n, n - 1)) return true;
    }
    return false;
}

uint32_t Widen5(uint32_t c) { return (c << 3) | (c >> 2); }
uint32_t Widen6(uint32_t c) { return (c << 2) | (c >> 4); }

}  // namespace

int BytesPerPixel(PixelFormat format) {
    switch (format) {
    case PixelFormat::P8:
        return 1;
    case PixelFormat::R5G6B5:
    case PixelFormat::X1R5G5B5:
    case PixelFormat::A1R5G5B5:
        return 2;
    case PixelFormat::R8G8B8:
        return 3;
    case PixelFormat::X8R8G8B8:
    case PixelFormat::A8R8G8B8:
        return 4;
    }
    return 4;
}

int BitsPerPixel(PixelFormat format) { return BytesPerPixel(format) * 8; }

const char* FormatName(PixelFormat format) {
    switch (format) {
    case PixelFormat::P8:
        return "P8";
    case PixelFormat::R5G6B5:
        return "R5G6B5";
    case PixelFormat::X1R5G5B5:
        return "X1R5G5B5";
    case PixelFormat::A1R5G5B5:
        return "A1R5G5B5";
    case PixelFormat::R8G8B8:
        return "R8G8B8";
    case PixelFormat::X8R8G8B8:
        return "X8R8G8B8";
    case PixelFormat::A8R8G8B8:
        return "A8R8G8B8";
    }
    return "?";
}

ChannelLayout LayoutOf(PixelFormat format) {
    switch (format) {
    case PixelFormat::P8:
        return {{0, 0, 0, 0}, {0, 0, 0, 0}};
    case PixelFormat::R5G6B5:
        return {{11, 5, 0, 0}, {5, 6, 5, 0}};
    case PixelFormat::X1R5G5B5:
        return {{10, 5, 0, 0}, {5, 5, 5, 0}};
    case PixelFormat::A1R5G5B5:
        return {{10, 5, 0, 15}, {5, 5, 5, 1}};
    case PixelFormat::R8G8B8:
    case PixelFormat::X8R8G8B8:
        return {{16, 8, 0, 0}, {8, 8, 8, 0}};
    case PixelFormat::A8R8G8B8:
        return {{16, 8, 0, 24}, {8, 8, 8, 8}};
    }
    return {{0, 0, 0, 0}, {0, 0, 0, 0}};
}

uint32_t PackArgb(PixelFormat format, uint32_t argb) {
    uint32_t a = argb >> 24, r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    switch (format) {
    case PixelFormat::P8:
        return argb & 0xFF;
    case PixelFormat::R5G6B5:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case PixelFormat::X1R5G5B5:
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case PixelFormat::A1R5G5B5:
        return (a >= 128 ? 0x8000u : 0u) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case PixelFormat::R8G8B8:
    case PixelFormat::X8R8G8B8:
        return argb & 0xFFFFFF;
    case PixelFormat::A8R8G8B8:
        return argb;
    }
    return 0;
}

uint32_t UnpackToArgb(PixelFormat format, uint32_t raw) {
    switch (format) {
    case PixelFormat::P8:
        return raw & 0xFF;
    case PixelFormat::R5G6B5:
        return 0xFF000000u | Widen5((raw >> 11) & 31) << 16 | Widen6((raw >> 5) & 63) << 8 | Widen5(raw & 31);
    case PixelFormat::X1R5G5B5:
        return 0xFF000000u | Widen5((raw >> 10) & 31) << 16 | Widen5((raw >> 5) & 31) << 8 | Widen5(raw & 31);
    case PixelFormat::A1R5G5B5:
        return ((raw & 0x8000) ? 0xFF000000u : 0u) | Widen5((raw >> 10) & 31) << 16 | Widen5((raw >> 5) & 31) << 8 |
               Widen5(raw & 31);
    case PixelFormat::R8G8B8:
    case PixelFormat::X8R8G8B8:
        return 0xFF000000u | (raw & 0xFFFFFF);
    case PixelFormat::A8R8G8B8:
        return raw;
    }
    return 0;
}

Image::Image(int width, int height, PixelFormat format) : format_(format) {
    if (width <= 0 || height <= 0) return;
    // A size from a damaged file must not ask for gigabytes: such an image
    // stays empty.
    int padding = internal::PitchPadding();
    int64_t pitch = int64_t{width} * BytesPerPixel(format) + padding;
    if (pitch > (int64_t{1} << 30) || pitch * height > (int64_t{1} << 30)) return;
    width_ = width;
    height_ = height;
    pitch_ = static_cast<int>(pitch);
    bytes_.assign(static_cast<size_t>(pitch_) * static_cast<size_t>(height), 0);
}

uint32_t Image::Get(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    const uint8_t* p = Row(y) + static_cast<size_t>(x) * static_cast<size_t>(BytesPerPixel(format_));
    switch (BytesPerPixel(format_)) {
    case 1:
        return p[0];
    case 2: {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case 3:
        return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
    default: {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

void Image::Set(int x, int y, uint32_t raw) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    uint8_t* p = Row(y) + static_cast<size_t>(x) * static_cast<size_t>(BytesPerPixel(format_));
    switch (BytesPerPixel(format_)) {
    case 1:
        p[0] = static_cast<uint8_t>(raw);
        break;
    case 2: {
        uint16_t v = static_cast<uint16_t>(raw);
        std::memcpy(p, &v, 2);
        break;
    }
    case 3:
        p[0] = static_cast<uint8_t>(raw);
        p[1] = static_cast<uint8_t>(raw >> 8);
        p[2] = static_cast<uint8_t>(raw >> 16);
        break;
    default:
        std::memcpy(p, &raw, 4);
        break;
    }
}

void Image::FillRaw(uint32_t raw) { FillRaw(PixelRect{0, 0, width_, height_}, raw); }

void Image::FillRaw(const PixelRect& rect, uint32_t raw) {
    const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
    const int right = std::min(rect.right, width_), bottom = std::min(rect.bottom, height_);
    if (left >= right || top >= bottom) return;
    const int bpp = BytesPerPixel(format_);
    const int n = right - left;
    // One row built once, copied to the others; the row itself from its
    // first pixel by doubling copies, a few copies for any width.
    uint8_t* first = Row(top) + static_cast<size_t>(left) * static_cast<size_t>(bpp);
    const size_t rowBytes = static_cast<size_t>(n) * static_cast<size_t>(bpp);
    if (bpp == 1) {
        std::memset(first, static_cast<int>(raw & 0xFF), rowBytes);
    } else {
        Set(left, top, raw);
        for (size_t done = static_cast<size_t>(bpp); done < rowBytes; done *= 2)
            std::memcpy(first + done, first, std::min(done, rowBytes - done));
    }
    for (int y = top + 1; y < bottom; ++y) std::memcpy(Row(y) + static_cast<size_t>(left) * bpp, first, rowBytes);
}

bool Image::Lock(uint8_t** bits, int* pitch) {
    if (locked_ || Empty()) return false;
    if (internal::TakeLockFailure()) return false;
    locked_ = true;
    if (bits) *bits = bytes_.data();
    if (pitch) *pitch = pitch_;
    return true;
}

void Image::Unlock() { locked_ = false; }

namespace {

// Rows of 16-bit pixels widened by the format's rule; `orMask` sets bits of
// every result in the same pass.
template <PixelFormat F>
void WidenRows16(const Image& image, uint32_t orMask, uint32_t* o) {
    const int w = image.Width();
    for (int y = 0; y < image.Height(); ++y, o += w) {
        const uint8_t* row = image.Row(y);
        for (int x = 0; x < w; ++x) {
            uint16_t v;
            std::memcpy(&v, row + 2 * x, 2);
            o[x] = UnpackToArgb(F, v) | orMask;
        }
    }
}

}  // namespace

void ConvertToArgb(const Image& image, const PaletteColor* palette, bool opaque, uint32_t* out) {
    if (image.Empty() || !out) return;
    const int w = image.Width(), h = image.Height();
    const PixelFormat f = image.Format();
    const uint32_t orMask = opaque || f != PixelFormat::A8R8G8B8 ? 0xFF000000u : 0u;
    uint32_t* o = out;
    switch (f) {
    case PixelFormat::P8: {
        // Without a palette every index shows black.
        uint32_t colors[256];
        for (int i = 0; i < 256; ++i) {
            colors[i] = palette
                            ? 0xFF000000u | uint32_t{palette[i].r} << 16 | uint32_t{palette[i].g} << 8 | palette[i].b
                            : 0xFF000000u;
        }
        for (int y = 0; y < h; ++y, o += w) {
            const uint8_t* row = image.Row(y);
            for (int x = 0; x < w; ++x) o[x] = colors[row[x]];
        }
        break;
    }
    case PixelFormat::X8R8G8B8:
    case PixelFormat::A8R8G8B8:
        for (int y = 0; y < h; ++y, o += w) {
            const uint8_t* row = image.Row(y);
            if (orMask == 0) {
                std::memcpy(o, row, static_cast<size_t>(w) * 4);
                continue;
            }
            for (int x = 0; x < w; ++x) {
                uint32_t v;
                std::memcpy(&v, row + 4 * x, 4);
                o[x] = v | orMask;
            }
        }
        break;
    case PixelFormat::R5G6B5:
        WidenRows16<PixelFormat::R5G6B5>(image, orMask, o);
        break;
    case PixelFormat::X1R5G5B5:
        WidenRows16<PixelFormat::X1R5G5B5>(image, orMask, o);
        break;
    case PixelFormat::A1R5G5B5:
        WidenRows16<PixelFormat::A1R5G5B5>(image, opaque ? 0xFF000000u : 0u, o);
        break;
    case PixelFormat::R8G8B8:
        for (int y = 0; y < h; ++y, o += w) {
            for (int x = 0; x < w; ++x) o[x] = UnpackToArgb(f, image.Get(x, y));
        }
        break;
    }
}

std::vector<uint32_t> ImageToArgb(const Image& image, const PaletteColor* palette) {
    std::vector<uint32_t> out;
    if (image.Empty()) return out;
    out.resize(static_cast<size_t>(image.Width()) * static_cast<size_t>(image.Height()));
    ConvertToArgb(image, palette, false, out.data());
    return out;
}

namespace internal {

int PitchPadding() {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    return g_faults.pitchPadding;
}

bool TakeLockFailure() { return TakeOne(g_lockFailures); }

bool TakeBufferCreationFailure() { return TakeOne(g_bufferCreationFailures); }

bool TakeBufferLockFailure() { return TakeOne(g_bufferLockFailures); }

bool TakeDeviceLoss(int* lostChecks) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    if (!g_faults.loseDevice) return false;
    g_faults.loseDevice = false;
    if (lostChecks) *lostChecks = g_faults.lostChecks;
    return true;
}

bool ReserveVideoMemory(int64_t bytes) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    if (g_faults.videoBudget >= 0 && g_faults.videoInUse + bytes > g_faults.videoBudget) return false;
    g_faults.videoInUse += bytes;
    return true;
}

void ReleaseVideoMemory(int64_t bytes) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_faults.videoInUse = std::max<int64_t>(0, g_faults.videoInUse - bytes);
}

testing::RasterCapsOverride RasterCapsNow() {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    return g_faults.caps;
}

int DesktopDepthNow() {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    return g_faults.desktopDepth;
}

bool X1R5G5B5ForBlit16Now() {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    return g_faults.x1r5g5b5;
}

bool NarrowVectorsNow() { return g_narrowVectors.load(std::memory_order_relaxed); }

}  // namespace internal

namespace testing {

void SetPitchPadding(int bytes) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_faults.pitchPadding = std::clamp(bytes, 0, 4096);
}

void FailNextLocks(int count) { g_lockFailures.store(std::max(0, count)); }

void LoseDevice(int lostChecks) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_faults.loseDevice = true;
    g_faults.lostChecks = std::max(0, lostChecks);
}

void SetVideoMemoryBudget(int64_t bytes) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_faults.videoBudget = bytes < 0 ? -1 : bytes;
}

void FailNextBufferCreations(int count) { g_bufferCreationFailures.store(std::max(0, count)); }

void FailNextBufferLocks(int count) { g_bufferLockFailures.store(std::max(0, count)); }

void SetRasterCaps(const RasterCapsOverride& caps) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_faults.caps = caps;
}

void SetDesktopDepth(int bits) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    if (bits == 8 || bits == 16 || bits == 32) g_faults.desktopDepth = bits;
}

void UseNarrowVectors(bool on) { g_narrowVectors.store(on); }

void UseX1R5G5B5ForBlit16(bool on) {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    g_faults.x1r5g5b5 = on;
}

void ResetPictureFaults() {
    std::lock_guard<std::mutex> lock(g_faultMutex);
    int64_t inUse = g_faults.videoInUse;  // memory still held by live objects stays counted
    g_faults = Faults{};
    g_faults.videoInUse = inUse;
    g_lockFailures.store(0);
    g_bufferCreationFailures.store(0);
    g_bufferLockFailures.store(0);
    g_narrowVectors.store(false);
}

}  // namespace testing
}  // namespace plat
