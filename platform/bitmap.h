// Bitmap files: our own BMP decoder and the copy of a decoded bitmap into a
// surface's pixels with the fixed conversion rules of the picture layer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace plat {

// A decoded bitmap. Rows are held top-down whatever the file's order, each
// `stride` bytes long (the file's row length, padded to 4 bytes), pixels in
// the file's own form: 1, 4 or 8 bits index the colour table; 16 and 32 bits
// use the masks (the defaults 0x7C00/0x03E0/0x001F and
// 0xFF0000/0xFF00/0xFF when the file gives none); 24 bits are B, G, R.
struct Dib {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    int stride = 0;
    std::vector<uint8_t> bits;
    std::vector<PaletteColor> colors;  // the colour table; flags = the reserved byte
    uint32_t redMask = 0, greenMask = 0, blueMask = 0;

    const uint8_t* Row(int y) const { return bits.data() + static_cast<size_t>(y) * static_cast<size_t>(stride); }
    // Colour-table index of a pixel of a 1/4/8-bit bitmap (0 otherwise).
    int Index(int x, int y) const;
    // 0x00RRGGBB of any pixel; fields narrower than 8 bits are widened by
    // repeating their top bits (5 -> c<<3|c>>2). An index beyond the table
    // reads as black.
    uint32_t PixelRgb(int x, int y) const;
};

// Uncompressed BMP (1/4/8/16/24/32 bits, plain or bit fields, bottom-up or
// top-down, the three header sizes in use). False with a reason for
// anything else or a damaged file; never reads outside `data`.
bool DecodeBmp(const uint8_t* data, size_t size, Dib* out, std::string* error);
// A file named by a program path (Shift-JIS, backslashes).
bool LoadBmpFile(const char* programPath, Dib* out, std::string* error);

// Copies the bitmap into the image at (0, 0), as far as both reach:
// - into 32-bit images exactly (RGB, fourth byte 0);
// - into 16-bit images by truncating each 8-bit channel to its field;
// - into P8 images the indexes of a 1/4/8-bit bitmap, the low byte of
//   anything else.
// A non-zero mirror width w reverses every whole run of w columns in place
// (column x of a cell goes to w*(x/w+1) - x%w - 1); a mirror height does
// the same to bands of rows; a partial cell at the right or bottom edge is
// left untouched.
void CopyDibToImage(const Dib& dib, Image* target, int mirrorWidth, int mirrorHeight);

// Writes a picture as an 8-bit RGBA PNG file (host path); false on error.
bool WritePng(const char* hostPath, const uint32_t* argb, int width, int height);

}  // namespace plat
