// Frames, framed windows, digit strips and the wave, interlace, flip and
// burst effects, all made of plain blits and fills. The effects that draw
// many pieces from one source do so inside a non-sorting draw layer, so the
// pieces become one run on the texture device.
#include "gfx/dd_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gfx/dd_layer.h"

namespace {

constexpr double kDegToRad = 0.017453292519943295;

// Places and sizes made from caller values are worked out in 64 bits, as
// values near the int limits would overflow, and held within +-2^30: far
// beyond any surface, and small enough that the clipping sums of the blits
// stay inside int too.
constexpr int64_t kFar = int64_t{1} << 30;
int Place(int64_t v) { return static_cast<int>(std::clamp(v, -kFar, kFar)); }

// Opens a non-sorting layer for the life of the object.
class PieceLayer {
public:
    PieceLayer() { DDBeginLayer(0); }
    ~PieceLayer() { DDEndLayer(); }
    PieceLayer(const PieceLayer&) = delete;
    PieceLayer& operator=(const PieceLayer&) = delete;
};

int WaveOffset(double amplitude, int phase, double angle, int frequency) {
    const double offset = amplitude * std::sin((phase + angle) * frequency * kDegToRad);
    if (std::isnan(offset)) return 0;  // no place to move the band to
    return static_cast<int>(std::clamp(offset, -static_cast<double>(kFar), static_cast<double>(kFar)));
}

}  // namespace

void DDDrawFrame(DDSURFACEDATA* dest, int x, int y, int width, int height, int thickness, uint32_t colorNumber) {
    DDBeginFillBatch();
    DDFillRect(dest, x, y, width, thickness, colorNumber);
    DDFillRect(dest, x, Place(int64_t{y} + height - thickness), width, thickness, colorNumber);
    DDFillRect(dest, x, y, thickness, height, colorNumber);
    DDFillRect(dest, Place(int64_t{x} + width - thickness), y, thickness, height, colorNumber);
    DDEndFillBatch();
}

void DDBltWithFrame(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int thickness,
                    uint32_t colorNumber) {
    DDBlt(dest, x, y, width, height, src, 0, 0, DDBLT_KEYED);
    DDDrawFrame(dest, Place(int64_t{x} - thickness), Place(int64_t{y} - thickness),
                Place(int64_t{width} + 2 * int64_t{thickness}), Place(int64_t{height} + 2 * int64_t{thickness}),
                thickness, colorNumber);
}

void DDDrawNumber(DDSURFACEDATA* dest, int x, int y, int cellWidth, int cellHeight, DDSURFACEDATA* strip, int stripX,
                  int stripY, int flags, int value, int minDigits, int centre, int /*unused*/) {
    // A negative value would pick cells left of the strip.
    if (value < 0) value = 0;
    int digits[10];
    int n = 0;
    do {
        digits[n++] = value % 10;
        value /= 10;
    } while (value != 0);

    int64_t pen = x;
    if (n < minDigits) {
        const int64_t room = int64_t{minDigits - n} * cellWidth;
        pen += centre ? room / 2 : room;
    }
    PieceLayer layer;
    for (int i = n - 1; i >= 0; --i) {
        DDBlt(dest, Place(pen), y, cellWidth, cellHeight, strip, Place(stripX + int64_t{cellWidth} * digits[i]),
              stripY, flags);
        pen += cellWidth;
    }
}

void DDBltWave(DDSURFACEDATA* dest, int x, int y, int width, int height, int frequency, double amplitude, int phase,
               int band, DDSURFACEDATA* src, int srcX, int srcY, int flags, int axis) {
    if (band <= 0 || width <= 0 || height <= 0) return;
    const bool vertical = axis != DDAXIS_HORIZONTAL;
    const int length = vertical ? width : height;
    const double step = 360.0 / length;
    double angle = 0.0;
    PieceLayer layer;
    for (int k = 0; k < length; k += band) {
        angle += step * band;
        const int size = std::min(band, length - k);
        const int offset = WaveOffset(amplitude, phase, angle, frequency);
        if (vertical)
            DDBlt(dest, Place(int64_t{x} + k), Place(int64_t{y} + offset), size, height, src,
                  Place(int64_t{srcX} + k), srcY, flags);
        else
            DDBlt(dest, Place(int64_t{x} + offset), Place(int64_t{y} + k), width, size, src, srcX,
                  Place(int64_t{srcY} + k), flags);
    }
}

void DDBltInterlace(DDSURFACEDATA* dest, int x, int y, int width, int height, int band, int offset,
                    DDSURFACEDATA* src, int srcX, int srcY, int flags, int axis) {
    if (band == 0) {
        DDBlt(dest, x, y, width, height, src, srcX, srcY, flags);
        return;
    }
    if (band < 0) return;
    const bool vertical = axis != DDAXIS_HORIZONTAL;
    const int bands = (vertical ? width : height) / band;
    PieceLayer layer;
    for (int b = 0; b < bands; ++b) {
        const int k = b * band;
        // Even bands go down (right), odd bands up (left).
        const int64_t shift = b % 2 ? -int64_t{offset} : offset;
        if (vertical)
            DDBlt(dest, Place(int64_t{x} + k), Place(y + shift), band, height, src, Place(int64_t{srcX} + k), srcY,
                  flags);
        else
            DDBlt(dest, Place(x + shift), Place(int64_t{y} + k), width, band, src, srcX, Place(int64_t{srcY} + k),
                  flags);
    }
}

void DDBltFlip(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* srcA, int srcAX, int srcAY,
               DDSURFACEDATA* srcB, int srcBX, int srcBY, int srcWidth, int srcHeight, int flags, int phase,
               int axis) {
    if (axis != DDAXIS_HORIZONTAL && axis != DDAXIS_VERTICAL) return;
    const int size = axis == DDAXIS_VERTICAL ? height : width;
    const int half = size >> 1;
    if (size < 2) {
        // Too small to squeeze: picture A as at phase 0.
        DDStretchBlt(dest, x, y, width, height, srcA, srcAX, srcAY, srcWidth, srcHeight, flags);
        return;
    }
    const int turn = phase / half;
    const int squeeze = turn % 2 == 0 ? phase % half : half - phase % half - 1;
    const bool showB = ((int64_t{phase} + half) / size) % 2 != 0;
    DDSURFACEDATA* src = showB ? srcB : srcA;
    const int sx = showB ? srcBX : srcAX;
    const int sy = showB ? srcBY : srcAY;
    if (axis == DDAXIS_VERTICAL)
        DDStretchBlt(dest, x, Place(int64_t{y} + squeeze), width, Place(int64_t{height} - 2 * int64_t{squeeze}), src,
                     sx, sy, srcWidth, srcHeight, flags);
    else
        DDStretchBlt(dest, Place(int64_t{x} + squeeze), y, Place(int64_t{width} - 2 * int64_t{squeeze}), height, src,
                     sx, sy, srcWidth, srcHeight, flags);
}

void DDBltBurst(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX, int srcY,
                int offset, int flags) {
    const int hw = width >> 1, hh = height >> 1;
    const int left = Place(int64_t{x} - offset), right = Place(int64_t{x} + hw + offset);
    const int top = Place(int64_t{y} - offset), bottom = Place(int64_t{y} + hh + offset);
    const int srcRight = Place(int64_t{srcX} + hw), srcBottom = Place(int64_t{srcY} + hh);
    PieceLayer layer;
    DDBlt(dest, left, top, hw, hh, src, srcX, srcY, flags);
    DDBlt(dest, right, top, hw, hh, src, srcRight, srcY, flags);
    DDBlt(dest, left, bottom, hw, hh, src, srcX, srcBottom, flags);
    DDBlt(dest, right, bottom, hw, hh, src, srcRight, srcBottom, flags);
}
