#include "platform/bitmap.h"

#include <png.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "platform/byte_order.h"
#include "platform/paths.h"

namespace plat {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr int64_t kMaxSide = 32767;

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitFields = 3;

bool Fail(std::string* error, const char* reason) {
    if (error) *error = reason;
    return false;
}

// A mask's field as 8 bits: a narrow field repeats its top bits into the
// low ones (so its maximum reads as 255), a wide one keeps its top 8.
uint32_t MaskedChannel(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const uint32_t field = mask >> shift;
    const int bits = std::bit_width(field);
    const uint32_t c = (value >> shift) & field;
    if (bits >= 8) return c >> (bits - 8);
    uint32_t out = 0;
    for (int top = 8 - bits; top > -bits; top -= bits) out |= top >= 0 ? c << top : c >> -top;
    return out & 0xFF;
}

// A field must be one run of bits inside the pixel.
bool GoodMask(uint32_t mask, int bitCount) {
    if (mask == 0) return true;
    if (bitCount < 32 && (mask >> bitCount) != 0) return false;
    const uint32_t field = mask >> std::countr_zero(mask);
    return (field & (field + 1)) == 0;
}

}  // namespace

int Dib::Index(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    if (bits.size() < static_cast<size_t>(stride) * static_cast<size_t>(height)) return 0;
    const uint8_t* row = Row(y);
    switch (bitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case 8: return row[x];
    default: return 0;
    }
}

uint32_t Dib::PixelRgb(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    if (bits.size() < static_cast<size_t>(stride) * static_cast<size_t>(height)) return 0;
    const uint8_t* row = Row(y);
    uint32_t value = 0;
    switch (bitCount) {
    case 1:
    case 4:
    case 8: {
        const size_t index = static_cast<size_t>(Index(x, y));
        if (index >= colors.size()) return 0;
        const PaletteColor& c = colors[index];
        return static_cast<uint32_t>(c.r) << 16 | static_cast<uint32_t>(c.g) << 8 | c.b;
    }
    case 24: {
        const uint8_t* p = row + static_cast<size_t>(x) * 3;
        return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
    case 16: value = LoadLe16(row + static_cast<size_t>(x) * 2); break;
    case 32: value = LoadLe32(row + static_cast<size_t>(x) * 4); break;
    default: return 0;
    }
    return MaskedChannel(value, redMask) << 16 | MaskedChannel(value, greenMask) << 8 | MaskedChannel(value, blueMask);
}

bool DecodeBmp(const uint8_t* data, size_t size, Dib* out, std::string* error) {
    if (!out) return Fail(error, "no place for the bitmap");
    if (!data || size < kFileHeaderSize + 4) return Fail(error, "file too short for a bitmap");
    if (data[0] != 'B' || data[1] != 'M') return Fail(error, "not a bitmap file (no BM signature)");
    const uint32_t bitsOffset = LoadLe32(data + 10);
    const uint32_t headerSize = LoadLe32(data + 14);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        return Fail(error, "unsupported bitmap header size");
    if (size < kFileHeaderSize + headerSize) return Fail(error, "bitmap header truncated");
    const uint8_t* h = data + kFileHeaderSize;

    const bool core = headerSize == 12;
    int64_t width = 0, height = 0;
    int bitCount = 0;
    uint32_t compression = kCompressionNone;
    uint32_t colorsUsed = 0;
    if (core) {
        width = LoadLe16(h + 4);
        height = LoadLe16(h + 6);
        bitCount = LoadLe16(h + 10);
    } else {
        width = static_cast<int32_t>(LoadLe32(h + 4));
        height = static_cast<int32_t>(LoadLe32(h + 8));
        bitCount = LoadLe16(h + 14);
        compression = LoadLe32(h + 16);
        colorsUsed = LoadLe32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0) return Fail(error, "bitmap has no pixels (zero or negative size)");
    if (width > kMaxSide || height > kMaxSide) return Fail(error, "bitmap too large (over 32767 pixels a side)");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return Fail(error, "unsupported bits per pixel");
    if (compression == kCompressionRle8 || compression == kCompressionRle4)
        return Fail(error, "compressed (RLE) bitmaps are not supported");
    if (compression != kCompressionNone && compression != kCompressionBitFields)
        return Fail(error, "unsupported bitmap compression");
    if (compression == kCompressionBitFields && bitCount != 16 && bitCount != 32)
        return Fail(error, "bit fields need 16 or 32 bits per pixel");

    // Masks: the defaults unless the file uses bit fields; a plain 40-byte
    // header is followed by them, the longer headers hold them.
    size_t tableStart = kFileHeaderSize + headerSize;
    uint32_t masks[3] = {0, 0, 0};
    if (bitCount == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bitCount == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    if (compression == kCompressionBitFields) {
        const uint8_t* m = h + 40;
        if (headerSize == 40) {
            if (size < tableStart + 12) return Fail(error, "bit field masks truncated");
            tableStart += 12;
        }
        const uint32_t given[3] = {LoadLe32(m), LoadLe32(m + 4), LoadLe32(m + 8)};
        if (given[0] | given[1] | given[2]) {
            for (int i = 0; i < 3; ++i) {
                if (!GoodMask(given[i], bitCount)) return Fail(error, "bad bit field mask");
                masks[i] = given[i];
            }
        }
    }

    if (bitsOffset < tableStart || bitsOffset > size) return Fail(error, "bad offset to the pixel data");

    // The colour table; a table cut short by the pixel data keeps what
    // precedes the pixels (missing entries read as black).
    std::vector<PaletteColor> colors;
    if (bitCount <= 8) {
        const size_t full = size_t{1} << bitCount;
        size_t count = colorsUsed == 0 ? full : std::min<size_t>(colorsUsed, full);
        const size_t entry = core ? 3 : 4;
        count = std::min(count, (bitsOffset - tableStart) / entry);
        colors.resize(count);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* e = data + tableStart + i * entry;
            colors[i].b = e[0];
            colors[i].g = e[1];
            colors[i].r = e[2];
            colors[i].flags = core ? 0 : e[3];
        }
    }

    const uint64_t stride = (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32 * 4;
    const uint64_t needed = stride * static_cast<uint64_t>(height);
    if (needed > size - bitsOffset) return Fail(error, "pixel data truncated");

    Dib dib;
    dib.width = static_cast<int>(width);
    dib.height = static_cast<int>(height);
    dib.bitCount = bitCount;
    dib.stride = static_cast<int>(stride);
    dib.colors = std::move(colors);
    if (bitCount == 16 || bitCount == 32) {
        dib.redMask = masks[0];
        dib.greenMask = masks[1];
        dib.blueMask = masks[2];
    }
    dib.bits.resize(static_cast<size_t>(needed));
    const uint8_t* pixels = data + bitsOffset;
    for (int64_t i = 0; i < height; ++i) {
        const int64_t y = topDown ? i : height - 1 - i;
        std::memcpy(dib.bits.data() + static_cast<size_t>(y) * stride, pixels + static_cast<size_t>(i) * stride,
                    static_cast<size_t>(stride));
    }
    *out = std::move(dib);
    return true;
}

bool LoadBmpFile(const char* programPath, Dib* out, std::string* error) {
    if (!programPath) return Fail(error, "no file name");
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(programPath, &bytes)) return Fail(error, "cannot read the file");
    return DecodeBmp(bytes.data(), bytes.size(), out, error);
}

void CopyDibToImage(const Dib& dib, Image* target, int mirrorWidth, int mirrorHeight) {
    if (!target || target->Empty() || dib.width <= 0 || dib.height <= 0) return;
    if (dib.bits.size() < static_cast<size_t>(dib.stride) * static_cast<size_t>(dib.height)) return;
    const PixelFormat format = target->Format();
    const bool indexed = dib.bitCount <= 8;

    // With mirroring only whole cells are drawn; what lies past them keeps
    // the target's pixels.
    int columns = std::min(dib.width, target->Width());
    int rows = std::min(dib.height, target->Height());
    if (mirrorWidth > 0) columns = std::min(columns, dib.width / mirrorWidth * mirrorWidth);
    if (mirrorHeight > 0) rows = std::min(rows, dib.height / mirrorHeight * mirrorHeight);

    for (int y = 0; y < rows; ++y) {
        const int sy = mirrorHeight > 0 ? mirrorHeight * (y / mirrorHeight + 1) - y % mirrorHeight - 1 : y;
        for (int x = 0; x < columns; ++x) {
            const int sx = mirrorWidth > 0 ? mirrorWidth * (x / mirrorWidth + 1) - x % mirrorWidth - 1 : x;
            uint32_t raw = 0;
            if (format == PixelFormat::P8)
                raw = indexed ? static_cast<uint32_t>(dib.Index(sx, sy)) : dib.PixelRgb(sx, sy) & 0xFF;
            else
                raw = PackArgb(format, dib.PixelRgb(sx, sy));  // alpha 0: the fourth byte stays 0
            target->Set(x, y, raw);
        }
    }
}

bool WritePng(const char* hostPath, const uint32_t* argb, int width, int height) {
    if (!hostPath || !*hostPath || !argb || width <= 0 || height <= 0) return false;
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > (uint64_t{1} << 28)) return false;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint8_t> rgba(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = argb[i];
        rgba[i * 4 + 0] = static_cast<uint8_t>(c >> 16);
        rgba[i * 4 + 1] = static_cast<uint8_t>(c >> 8);
        rgba[i * 4 + 2] = static_cast<uint8_t>(c);
        rgba[i * 4 + 3] = static_cast<uint8_t>(c >> 24);
    }
    FILE* f = std::fopen(hostPath, "wb");
    if (!f) return false;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    bool ok = png_image_write_to_stdio(&image, f, 0, rgba.data(), 0, nullptr) != 0;
    png_image_free(&image);
    ok = std::fclose(f) == 0 && ok;
    if (!ok) std::remove(hostPath);  // no half-written picture stays behind
    return ok;
}

}  // namespace plat
