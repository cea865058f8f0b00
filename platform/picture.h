// Pixel store of the picture layer: one image type in the few pixel formats
// a display or texture can have, with the fixed packing rules that every
// raster function of the layer shares. Every pixel is computed here or by
// the program itself, so the same calls give the same pixels everywhere.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

enum class PixelFormat : uint8_t {
    P8,        // palette index
    R5G6B5,
    X1R5G5B5,
    A1R5G5B5,
    R8G8B8,    // 3 bytes; only a display may ask for it, and it may be refused
    X8R8G8B8,
    A8R8G8B8,
};

int BytesPerPixel(PixelFormat format);
int BitsPerPixel(PixelFormat format);
const char* FormatName(PixelFormat format);  // "X8R8G8B8", "R5G6B5", ...

// Field layout of a format: for red, green, blue, alpha (in that order) the
// shift of the field and its width in bits (0 = the format has no such
// field). P8 has none.
struct ChannelLayout {
    int shift[4];
    int bits[4];
};
ChannelLayout LayoutOf(PixelFormat format);

// Fixed conversion rules. Packing truncates each 8-bit channel to the
// field's width; a 1-bit alpha is set when alpha >= 128; X formats write
// their unused bits as 0. Unpacking widens 5 bits as c<<3|c>>2 and 6 bits as
// c<<2|c>>4; formats without alpha read as alpha 255. P8 packs and unpacks
// the low byte unchanged.
uint32_t PackArgb(PixelFormat format, uint32_t argb);
uint32_t UnpackToArgb(PixelFormat format, uint32_t raw);

// One palette entry: red, green, blue and a flags byte, in that order.
struct PaletteColor {
    uint8_t r = 0, g = 0, b = 0, flags = 0;
};

// A rectangle as left, top, right, bottom (right and bottom excluded).
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// Width x height pixels of one format, rows `Pitch` bytes apart, zero when
// made. Copying an image copies its pixels. A second lock of a locked image
// fails, as a display surface's lock does; injected lock failures (see
// picture_testing.h) fail it too.
class Image {
public:
    Image() = default;
    Image(int width, int height, PixelFormat format);

    int Width() const { return width_; }
    int Height() const { return height_; }
    PixelFormat Format() const { return format_; }
    int Pitch() const { return pitch_; }  // bytes, at least width x bytes per pixel
    bool Empty() const { return width_ <= 0 || height_ <= 0; }

    uint8_t* Row(int y) { return bytes_.data() + static_cast<size_t>(y) * static_cast<size_t>(pitch_); }
    const uint8_t* Row(int y) const { return bytes_.data() + static_cast<size_t>(y) * static_cast<size_t>(pitch_); }

    // Raw pixel value at (x, y); reads outside give 0, writes outside do
    // nothing.
    uint32_t Get(int x, int y) const;
    void Set(int x, int y, uint32_t raw);
    // Every pixel to one raw value; or those of the rectangle, cut to the
    // image.
    void FillRaw(uint32_t raw);
    void FillRaw(const PixelRect& rect, uint32_t raw);

    bool Lock(uint8_t** bits, int* pitch);
    void Unlock();
    bool Locked() const { return locked_; }

private:
    int width_ = 0, height_ = 0;
    PixelFormat format_ = PixelFormat::X8R8G8B8;
    int pitch_ = 0;
    bool locked_ = false;
    std::vector<uint8_t> bytes_;
};

// Whole picture as 0xAARRGGBB words, row by row, for showing and for files;
// a P8 image takes its colours from the palette (256 entries) and is opaque.
std::vector<uint32_t> ImageToArgb(const Image& image, const PaletteColor* palette);
// The same into `out` (width x height words, rows packed), every alpha 255
// when `opaque`, as a screen shows it: one pass, no allocation.
void ConvertToArgb(const Image& image, const PaletteColor* palette, bool opaque, uint32_t* out);

}  // namespace plat
