#include "frontend/system_text.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "core/numeric.h"
#include "core/text.h"
#include "gfx/dd.h"
#include "gfx/font.h"
#include "project/system_data.h"

namespace {

constexpr int kCell = 16;
// What the window's formatting keeps.
constexpr size_t kWindowTextSize = 512;

// Widths in 64 bits: a project text can be wider than an int of pixels.
int64_t TextWidth(int index, int pad) {
    return (int64_t{CountChars(g_SystemData.m_vText.At(index).c_str())} + (pad ? 1 : 0)) * kCell;
}

}  // namespace

int CenterTextX(int x, int first, int count, int pad) {
    int64_t widest = 0;
    for (int i = 0; i < count; ++i) widest = std::max(widest, TextWidth(first + i, pad));
    return SaturateInt(x - widest / 2);
}

void DrawTextList(int x, int y, int start, int count, int pad) {
    if (count <= 0) return;
    std::string text;
    int64_t longest = 0;
    for (int i = 0; i < count; ++i) {
        if (pad) text += ' ';
        text += g_SystemData.m_vText.At(start + i);
        text += '\n';
        longest = std::max(longest, TextWidth(start + i, pad));
    }
    // Project texts are data, never a format; the window keeps what fits.
    text.resize(SjisCutLength(text.c_str(), text.size(), kWindowTextSize - 1));
    Font16.WindowPrintf(&g_BackBufferSD, x, y, SaturateInt(longest), SaturateInt(int64_t{count} * kCell), "%s",
                        text.c_str());
}
