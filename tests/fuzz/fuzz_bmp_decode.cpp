// Bitmap files on arbitrary bytes: the decoder, pixel reads at the corners
// and the copy into small pictures of three formats with mirrored cells.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/bitmap.h"

using orvfuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plat::Dib dib;
    std::string error;
    if (!plat::DecodeBmp(data, size, &dib, &error)) {
        Check(!error.empty());
        return 0;
    }
    // What came out is whole and no larger than what went in.
    Check(dib.width > 0 && dib.width <= 32767 && dib.height > 0 && dib.height <= 32767);
    Check(dib.stride % 4 == 0);
    Check(static_cast<int64_t>(dib.stride) * 8 >= static_cast<int64_t>(dib.width) * dib.bitCount);
    Check(dib.bits.size() == static_cast<size_t>(dib.stride) * static_cast<size_t>(dib.height));
    Check(dib.bits.size() <= size);
    Check(dib.colors.size() <= 256);

    const int xs[] = {0, dib.width - 1, dib.width, -1};
    const int ys[] = {0, dib.height - 1, dib.height, -1};
    for (int x : xs)
        for (int y : ys) {
            const int index = dib.Index(x, y);
            Check(index >= 0 && index < 256);
            Check(dib.PixelRgb(x, y) <= 0xFFFFFFu);
        }

    const int mirror = size ? data[size - 1] % 5 : 0;
    const plat::PixelFormat formats[] = {plat::PixelFormat::X8R8G8B8, plat::PixelFormat::R5G6B5,
                                         plat::PixelFormat::P8};
    for (plat::PixelFormat format : formats) {
        plat::Image image(7, 5, format);
        plat::CopyDibToImage(dib, &image, mirror, 0);
        plat::CopyDibToImage(dib, &image, 0, mirror);
        plat::CopyDibToImage(dib, &image, mirror + 1, mirror + 1);
    }
    return 0;
}
