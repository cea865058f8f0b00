// Fonts and their glyph caches.
#include "gfx/font.h"

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstring>
#include <string>

#include "core/report_log.h"
#include "core/shell_link.h"
#include "gfx/dd_frame.h"
#include "gfx/dd_layer.h"
#include "platform/glyphs.h"

FONTDEF g_FontDef[kFontCount];
const FONTDEF kFontDefRows[kFontCount] = {
    {"ＭＳ ゴシック", 0, 9, 10, 10, 241, 46, 1, 240, 51, 2},
    {"ＭＳ ゴシック", 0, 16, 16, 16, 241, 46, 1, 240, 51, 2},
    {"ＭＳ ゴシック", 0, 30, 32, 32, 241, 46, 1, 240, 51, 0},
};

// "ト" stands twice and "ド" not at all; the cells and the glyph counts in
// the report log follow this list as it is.
const char g_szFullGlyphList[] =
    "０１２３４５６７８９ー～、。．！？「」（）｛｝・…※→↑↓←＋－＝○●×ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺ"
    "ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚあいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむ"
    "めもやゆよらりるれろわをんがぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽぁぃぅぇぉっゃゅょアイウエオカキクケコサシ"
    "スセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲンガギグゲゴザジズゼゾダヂヅデトバビブベボヴパピプペ"
    "ポァィゥェォッャュョ□■☆★％＆＜＞：";
// Only where literals become code page 932 (GCC); a clang build keeps them
// UTF-8, three bytes a character.
static_assert(sizeof "あ" != 3 || sizeof g_szFullGlyphList == 517, "258 double-byte characters");

PROGRAM_OBJECT_DEFINE(g_Font, Font[kFontCount]);
constinit Font& Font10 = g_FontObject.Get()[0];
constinit Font& Font16 = g_FontObject.Get()[1];
constinit Font& Font32 = g_FontObject.Get()[2];

namespace {

constexpr const char kProportionalGothic[] = "ＭＳ Ｐゴシック";
constexpr int kCentre = 10000;

bool HasBackEndObject(const DDSURFACEDATA* sd) {
    if (!sd) return false;
    if (sd->lpDT) return sd->lpDT->lpSurface != nullptr || sd->lpMirrorSrc != nullptr;
    return sd->lpDDS && sd->lpDDS->lpSurface;
}

bool SameChar(const char* p, const char* literal) { return p[0] == literal[0] && p[1] == literal[1]; }

bool IsWideBracket(const char* p) {
    return SameChar(p, "（") || SameChar(p, "）") || SameChar(p, "｛") || SameChar(p, "｝");
}

bool IsBracket(char c) { return c == '(' || c == ')' || c == '{' || c == '}'; }

void RestoreFonts() {
    for (Font* font : FontList()) font->Restore();
}

void LoseFonts() {
    for (Font* font : FontList()) font->OnLostDevice();
}

// Colour value of a palette number: ARGB under Direct3D, a system colour
// (red in the low byte) under DirectDraw, whose 16-bit palette holds the
// display's field values and is widened to 8 bits first.
uint32_t ColorValue(int color) {
    if (color < 0 || color > 255) {
        WriteDebugLog("Font color Err %d", color);
        color = 0;
    }
    const PALETTEENTRY& e = g_Palette[color];
    if (lpDTCon) return 0xFF000000u | uint32_t{e.r} << 16 | uint32_t{e.g} << 8 | e.b;
    uint32_t r = e.r, g = e.g, b = e.b;
    if (g_nBpp == 16) {
        const auto widen = [](uint32_t c, int mask) { return mask > 0 ? c * 255 / static_cast<uint32_t>(mask) : c; };
        r = widen(r, g_PixelFormat.nRedMask);
        g = widen(g, g_PixelFormat.nGreenMask);
        b = widen(b, g_PixelFormat.nBlueMask);
    }
    return (r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16;
}

template <class Pixel>
void WriteInk(const cSurfaceLock& lock, int width, int height, int x, int y, const plat::GlyphImage& glyph,
              uint32_t value) {
    auto* base = reinterpret_cast<Pixel*>(lock.Bits());
    const ptrdiff_t pitch = lock.PitchPixels();
    const int i0 = std::max(0, -x), i1 = std::min(glyph.width, width - x);
    const int j0 = std::max(0, -y), j1 = std::min(glyph.height, height - y);
    const auto pixel = static_cast<Pixel>(value);
    for (const plat::InkRun& run : glyph.runs) {
        if (run.y < j0 || run.y >= j1) continue;
        Pixel* row = base + static_cast<ptrdiff_t>(y + run.y) * pitch + x;
        const int to = std::min(run.x + run.length, i1);
        for (int i = std::max(run.x, i0); i < to; ++i) row[i] = pixel;
    }
}

// Index of a two-byte code in a full-width atlas's look-up table.
size_t CodeKey(const char* code) {
    return static_cast<size_t>(static_cast<uint8_t>(code[0])) << 8 | static_cast<uint8_t>(code[1]);
}

// Texture size for a glyph scratch: a square power of two, which every
// device's size rules accept.
int ScratchSize(int w, int h) {
    int size = 32;
    while (size < w || size < h) size <<= 1;
    return size;
}

}  // namespace

cList<Font*>& FontList() {
    // Never destroyed: the program-wide fonts leave it in their destructors,
    // which may run after every other static object is gone.
    static auto* list = new cList<Font*>;
    return *list;
}

// ---------------------------------------------------------------------------
// Glyph atlas

cFastFont::cFastFont(int cellWidth, int cellHeight, int columns, int rows)
    : m_nCellWidth(cellWidth),
      m_nCellHeight(cellHeight),
      m_nColumns(columns),
      m_nRows(rows),
      m_nCapacity(columns * rows) {
    if (cellWidth > 0 && cellHeight > 0 && columns > 0 && rows > 0)
        DDCreateSurface(&m_Atlas, cellWidth * columns, cellHeight * rows, 1, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0);
}

cFastFont::~cFastFont() { DDReleaseSurface(&m_Atlas); }

bool cFastFont::Ok() const { return HasBackEndObject(&m_Atlas); }

bool cFastFont::AddGlyph(const char* code) {
    if (!code || m_nNext >= m_nCapacity) return false;
    GlyphNode node;
    node.szCode[0] = code[0];
    node.szCode[1] = code[1];
    node.nCell = m_nNext;
    node.x = (m_nNext % m_nColumns) * m_nCellWidth;
    node.y = (m_nNext / m_nColumns) * m_nCellHeight;
    m_Glyphs.push_back(node);
    // The list may hold a code twice; the search finds the first.
    if (m_Index.empty()) m_Index.assign(65536, -1);
    int16_t& first = m_Index[CodeKey(code)];
    if (first < 0) first = static_cast<int16_t>(m_nNext);
    ++m_nNext;
    return true;
}

void cFastFont::DrawCell(DDSURFACEDATA* dest, int x, int y, int n, int flags) {
    if (n < 0 || n >= m_nCapacity) return;
    DDBlt(dest, x, y, m_nCellWidth, m_nCellHeight, &m_Atlas, m_nCellWidth * (n % m_nColumns),
          m_nCellHeight * (n / m_nColumns), flags);
}

const cFastFont::GlyphNode* cFastFont::FindGlyph(const char* code) const {
    if (!code || m_Index.empty()) return nullptr;
    const int cell = m_Index[CodeKey(code)];
    return cell < 0 ? nullptr : &m_Glyphs[static_cast<size_t>(cell)];
}

bool cFastFont::DrawGlyph(DDSURFACEDATA* dest, int x, int y, const char* code, int flags) {
    const GlyphNode* node = FindGlyph(code);
    if (!node) return false;
    DDBlt(dest, x, y, m_nCellWidth, m_nCellHeight, &m_Atlas, node->x, node->y, flags);
    return true;
}

// ---------------------------------------------------------------------------
// Creation and release

Font::Font() = default;

Font::~Font() { Release(); }

void Font::DestroyCaches() {
    delete m_lpFastFont_Half;
    m_lpFastFont_Half = nullptr;
    delete m_lpFastFont_FullAdd;
    m_lpFastFont_FullAdd = nullptr;
}

void Font::Release() {
    DestroyCaches();
    m_lpFace.reset();
    m_lpGlyphTexture.reset();
    m_nGlyphTextureSize = 0;
    DDReleaseSurface(&m_WorkSD);
    FontList().remove(this);
}

void Font::OnLostDevice() {
    m_lpGlyphTexture.reset();
    m_nGlyphTextureSize = 0;
}

int Font::Create(const char* face, int width, int height, int pitch, int lineHeight, int color, DDSURFACEDATA* window,
                 int frame, int frameColor, DDSURFACEDATA* icons, int cache) {
    if (!face) face = "";
    const size_t faceLength = SjisCutLength(face, std::strlen(face), sizeof m_szFace - 1);
    std::memcpy(m_szFace, face, faceLength);
    m_szFace[faceLength] = '\0';
    m_nWidth = width;
    m_nHeight = height;
    m_nPitch = pitch;
    m_nLineHeight = lineHeight;
    m_nColor = color;
    m_lpWindowSD = window;
    m_nFrame = frame;
    m_nFrameColor = frameColor;
    m_lpIconSD = icons;
    m_bIcon = icons ? 1 : 0;
    m_bCache = cache;
    m_dwColor = ColorValue(color);

    // The Direct3D font description holds 32 bytes with its terminator and
    // asks for the face's own width; only the system font takes ours.
    std::string faceName(m_szFace);
    if (lpDTCon) faceName.resize(SjisCutLength(faceName.c_str(), faceName.size(), 31));
    m_lpFace = plat::GlyphFace::Open(faceName.c_str(), height, lpDTCon ? 0 : width);
    if (!m_lpFace) WriteReport("Font Err : %s (no font to draw with)", m_szFace);
    m_lpGlyphTexture.reset();
    m_nGlyphTextureSize = 0;

    if (!HasBackEndObject(&m_WorkSD)) {
        const bool made = DDCreateSurface(&m_WorkSD, g_BackBufferSD.nWidth, g_BackBufferSD.nHeight, 1, 0,
                                          DTMEMORYTYPE_VIDEO_RT, nullptr, 0);
        if (!made && lpDDCon) {
            WriteDebugLog("DDCreateSurface Font::Work");
            PostMainWindowClose();
            return 0;
        }
    }

    if (lpDTCon)
        m_nId = lpDTCon->nFontCounter++;
    else if (lpDDCon)
        m_nId = lpDDCon->nFontCounter++;
    // A font made again stays in the list once.
    FontList().remove(this);
    FontList().push_back(this);
    DDFontRestoreHooks().restore = RestoreFonts;
    DDFontRestoreHooks().onLostDevice = LoseFonts;

    DestroyCaches();
    if (!m_bCache) return 1;
    if (pitch <= 0 || lineHeight <= 0) {
        WriteDebugLog("※フォントクラスで文字間が未設定！");
        return 1;
    }
    m_lpFastFont_Half = new cFastFont(pitch, lineHeight, 16, 16);
    if (!m_lpFastFont_Half->Ok()) {
        WriteDebugLog("m_lpFastFont_Half Err");
        DestroyCaches();
        PostMainWindowClose();
        return 0;
    }
    int columns, rows;
    if (lpDTCon) {
        columns = std::min(1024 / pitch, 32);
        rows = std::min(1024 / lineHeight, 32);
    } else {
        columns = std::min(g_BackBufferSD.nWidth / pitch, 32);
        rows = std::min(g_BackBufferSD.nHeight / lineHeight, 30);
    }
    m_lpFastFont_FullAdd = new cFastFont(pitch, lineHeight, columns, rows);
    if (!m_lpFastFont_FullAdd->Ok()) {
        WriteDebugLog("m_lpFastFont_FullAdd Err");
        DestroyCaches();
        PostMainWindowClose();
        return 0;
    }
    BuildHalfCache();
    BuildFullCache(false);
    return 1;
}

// ---------------------------------------------------------------------------
// Caches

void Font::BuildHalfCache() {
    cFastFont* half = m_lpFastFont_Half;
    if (!half) return;
    // Codes 0 to 15 are left out: the first line stays empty.
    std::string text;
    for (int r = 1; r < 16; ++r) {
        text += '\n';
        for (int c = 0; c < 16; ++c) text += static_cast<char>(16 * r + c);
    }
    DDFillSurface(&half->m_Atlas, 0);
    const int icon = m_bIcon, cache = m_bCache;
    m_bIcon = m_bCache = 0;
    DrawString(&half->m_Atlas, 0, 0, text.c_str());
    m_bIcon = icon;
    m_bCache = cache;
}

void Font::BuildFullCache(bool rebuild) {
    cFastFont* full = m_lpFastFont_FullAdd;
    if (!full) return;
    if (!rebuild) {
        for (const char* p = g_szFullGlyphList; p[0] && p[1]; p += 2)
            if (!full->AddGlyph(p)) break;
    }
    std::string text;
    int n = 0;
    for (const cFastFont::GlyphNode& node : full->m_Glyphs) {
        if (n == full->m_nCapacity) break;
        text.append(node.szCode, 2);
        if (++n % full->m_nColumns == 0) text += '\n';
    }
    DDFillSurface(&full->m_Atlas, 0);
    const int icon = m_bIcon, cache = m_bCache;
    m_bIcon = m_bCache = 0;
    m_bBuildingFullCache = 1;
    DrawString(&full->m_Atlas, 0, 0, text.c_str());
    m_bBuildingFullCache = 0;
    m_bIcon = icon;
    m_bCache = cache;
}

// ---------------------------------------------------------------------------
// Glyph output

uint32_t Font::InkValue(DDSURFACEDATA* target) const {
    if (lpDTCon) {
        const plat::PixelFormat format = target->lpDT && target->lpDT->lpSurface ? target->lpDT->lpSurface->Format()
                                                                                  : lpDTCon->textureFormat;
        return plat::PackArgb(format, m_dwColor);
    }
    const uint32_t r = m_dwColor & 0xFF, g = m_dwColor >> 8 & 0xFF, b = m_dwColor >> 16 & 0xFF;
    switch (g_nBpp) {
        case 8: return static_cast<uint32_t>(m_nColor) & 0xFF;
        case 16: {
            // The system's text output truncates each channel to its field.
            const auto field = [](uint32_t c, int mask) {
                const int bits = std::popcount(static_cast<unsigned>(mask));
                return bits >= 8 ? c : c >> (8 - bits);
            };
            return DDPackFields(g_PixelFormat, field(r, g_PixelFormat.nRedMask), field(g, g_PixelFormat.nGreenMask),
                                field(b, g_PixelFormat.nBlueMask));
        }
        default: return r << 16 | g << 8 | b;
    }
}

void Font::PutGlyph(DDSURFACEDATA* target, int x, int y, const char* chars, int count) {
    if (!m_lpFace || !target) return;
    const plat::GlyphImage* glyph = m_lpFace->Glyph(chars, count);
    if (!glyph || glyph->width <= 0 || glyph->height <= 0) return;
    x += glyph->left;
    y += glyph->top;

    if (lpDTCon) {
        DDResolveMirror(target);
        DDRedirectBackBuffer(target);
        if (!target->lpDT || !target->lpDT->lpSurface) return;
    }
    DDFlushFillBatch(target);

    if (lpDTCon && target->lpDT->bRenderTarget && lpDevice) {
        // A render target is drawn on by the device, as the system's text
        // object does: the glyph goes through a scratch texture in the
        // text colour, its empty texels fully transparent.
        const int size = ScratchSize(glyph->width, glyph->height);
        if (!m_lpGlyphTexture || m_nGlyphTextureSize < size) {
            m_lpGlyphTexture.reset();
            m_nGlyphTextureSize = 0;
            if (lpDevice->CreateTexture(size, size, lpDTCon->textureFormat, plat::TexturePool::Managed,
                                        &m_lpGlyphTexture) != plat::DeviceResult::Ok ||
                !m_lpGlyphTexture)
                return;
            m_nGlyphTextureSize = size;
        }
        plat::RasterSurface* level = m_lpGlyphTexture->Level0();
        uint8_t* bits = nullptr;
        int pitch = 0;
        if (!level->Lock(&bits, &pitch)) return;
        const uint32_t ink = plat::PackArgb(level->Format(), m_dwColor);
        const int bytes = plat::BytesPerPixel(level->Format());
        for (int j = 0; j < glyph->height; ++j) {
            uint8_t* row = bits + static_cast<ptrdiff_t>(j) * pitch;
            for (int i = 0; i < glyph->width; ++i) {
                const uint32_t v = glyph->Ink(i, j) ? ink : 0;
                if (bytes == 4) {
                    std::memcpy(row + i * 4, &v, 4);
                } else {
                    const auto v16 = static_cast<uint16_t>(v);
                    std::memcpy(row + i * 2, &v16, 2);
                }
            }
        }
        level->Unlock();

        const float s = static_cast<float>(m_nGlyphTextureSize);
        const float x0 = static_cast<float>(x) - 0.5f, x1 = static_cast<float>(x + glyph->width) - 0.5f;
        const float y0 = static_cast<float>(y) - 0.5f, y1 = static_cast<float>(y + glyph->height) - 0.5f;
        const float u1 = static_cast<float>(glyph->width) / s, v1 = static_cast<float>(glyph->height) / s;
        const plat::Vertex quad[4] = {
            {x0, y0, 0.0f, 1.0f, 0xFFFFFFFFu, 0.0f, 0.0f},
            {x0, y1, 0.0f, 1.0f, 0xFFFFFFFFu, 0.0f, v1},
            {x1, y0, 0.0f, 1.0f, 0xFFFFFFFFu, u1, 0.0f},
            {x1, y1, 0.0f, 1.0f, 0xFFFFFFFFu, u1, v1},
        };
        if (!DDBeginScene()) return;
        if (DDSetRenderTarget(0, target)) {
            lpDevice->SetStage(DDTexturedStage(plat::kTopSelectArg1, plat::kTopSelectArg1));
            lpDevice->SetTexture(m_lpGlyphTexture.get());
            lpDevice->DrawStrip(quad);
        }
        DDSetRenderTarget(0, lpDTCon->lpCurrentRenderTarget);
        return;
    }

    // A glyph wholly off the surface, as most of a long line is, draws
    // nothing and needs no lock.
    if (x >= target->nWidth || y >= target->nHeight || int64_t{x} + glyph->width <= 0 ||
        int64_t{y} + glyph->height <= 0)
        return;
    cSurfaceLock lock(target);
    if (!lock.Bits()) return;
    const DDSURFACEDATA* sd = lock.Surface();
    const uint32_t value = InkValue(lock.Surface());
    switch (lock.BytesPerPixel()) {
        case 1: WriteInk<uint8_t>(lock, sd->nWidth, sd->nHeight, x, y, *glyph, value); break;
        case 2: WriteInk<uint16_t>(lock, sd->nWidth, sd->nHeight, x, y, *glyph, value); break;
        case 4: WriteInk<uint32_t>(lock, sd->nWidth, sd->nHeight, x, y, *glyph, value); break;
        default: break;
    }
}

void Font::TextOutGdi(DDSURFACEDATA* target, int x, int y, const char* chars, int count) {
    if (!m_lpFace) return;
    if (m_bCenter) {
        const plat::GlyphImage* glyph = m_lpFace->Glyph(chars, count);
        const int width = glyph ? glyph->advance : 0;
        const int height = m_lpFace->CellHeight();
        x += (m_nPitch >> 1) - (width >> 1);
        y += (m_nLineHeight >> 1) - (height >> 1);
    } else if (count == 1) {
        x += m_nPitch >> 3;
        y += (m_nLineHeight >> 4) - 1;
    }
    PutGlyph(target, x, y, chars, count);
}

void Font::DrawLine(DDSURFACEDATA* target, int x, int y, const char* line, size_t length) {
    if (!m_lpFace) return;
    for (size_t i = 0; i < length;) {
        const int n = IsSjisDoubleByte(line + i) && i + 1 < length ? 2 : 1;
        if (const plat::GlyphImage* glyph = m_lpFace->Glyph(line + i, n)) {
            const int advance = glyph->advance;
            PutGlyph(target, x, y, line + i, n);
            x += advance;
        }
        i += static_cast<size_t>(n);
    }
}

void Font::DrawChars(DDSURFACEDATA* target, int x, int y, DDSURFACEDATA* final, int finalX, int finalY,
                     const char* text, int lettersAsText) {
    if (!text) return;
    if (m_nPitch == 0) {
        // Proportional: each line whole, at the pen.
        for (const char* p = text;;) {
            const int length = GetLineLength(p);
            DrawLine(target, x, y, p, static_cast<size_t>(length));
            y += m_nLineHeight;
            p += length;
            if (*p == '\0') break;
            ++p;
        }
        return;
    }

    cFastFont* half = m_lpFastFont_Half;
    cFastFont* full = m_lpFastFont_FullAdd;
    const bool caching = m_bCache && final && half && full;
    const bool icons = m_bIcon && !lettersAsText && HasBackEndObject(m_lpIconSD);
    const bool shiftFace = m_bCenter == 0 && std::strcmp(m_szFace, kProportionalGothic) == 0;
    // A full-width cell holds its glyph unshifted, so that a bracket blitted
    // from the cache moves by the shift once, as it does drawn directly.
    const bool wideShift = shiftFace && !m_bBuildingFullCache;
    const int shift = m_nPitch >> 2;

    // The cached glyphs of each atlas come together as one run.
    DDBeginLayer(1);
    int px = 0, py = 0;
    for (const char* p = text; *p;) {
        if (IsSjisDoubleByte(p)) {
            if (!SameChar(p, "　")) {
                const int dx = wideShift && IsWideBracket(p) ? shift : 0;
                if (caching) {
                    if (!full->DrawGlyph(final, finalX + px + dx, finalY + py, p, DDBLT_KEYED)) {
                        if (full->AddGlyph(p)) {
                            const cFastFont::GlyphNode& node = full->m_Glyphs.back();
                            TextOutGdi(&full->m_Atlas, node.x, node.y, p, 2);
                            full->DrawGlyph(final, finalX + px + dx, finalY + py, p, DDBLT_KEYED);
                        } else {
                            TextOutGdi(target, x + px, y + py, p, 2);
                        }
                    }
                } else {
                    TextOutGdi(target, x + px + dx, y + py, p, 2);
                }
            }
            p += 2;
            px += m_nPitch;
            continue;
        }
        const char c = *p++;
        if (c == '\n') {
            px = 0;
            py += m_nLineHeight;
            continue;
        }
        if (c == ' ' || (icons && c >= 'a' && c <= 'z')) {
            // Nothing to draw; icons come in their own pass.
        } else if (caching) {
            half->DrawCell(final, finalX + px, finalY + py, static_cast<uint8_t>(c), DDBLT_KEYED);
        } else {
            const int dx = shiftFace && IsBracket(c) ? shift : 0;
            TextOutGdi(target, x + px + dx, y + py, p - 1, 1);
        }
        px += m_nPitch;
    }
    DDEndLayer();
}

void Font::DrawIcons(DDSURFACEDATA* dest, int x, int y, const char* text) {
    if (!m_bIcon || !HasBackEndObject(m_lpIconSD) || m_nPitch == 0 || !text) return;
    DDBeginLayer(0);
    int px = 0, py = 0;
    for (const char* p = text; *p;) {
        if (IsSjisDoubleByte(p)) {
            p += 2;
            px += m_nPitch;
            continue;
        }
        const char c = *p++;
        if (c == '\n') {
            px = 0;
            py += m_nLineHeight;
            continue;
        }
        if (c >= 'a' && c <= 'z')
            DDBlt(dest, x + px, y + py, m_nPitch, m_nLineHeight, m_lpIconSD, m_nPitch * (c - 'a'), 0, DDBLT_KEYED);
        px += m_nPitch;
    }
    DDEndLayer();
}

// ---------------------------------------------------------------------------
// Drawing

int Font::DrawString(DDSURFACEDATA* dest, int x, int y, const char* text, int lettersAsText) {
    if (!dest || !text || (!lpDTCon && !lpDDCon)) return 1;
    if (lpDTCon) {
        DDResolveMirror(dest);
        DDRedirectBackBuffer(dest);
    }
    const bool viaWork = lpDDCon || (dest->lpDT && dest->lpDT->nMemoryType == DTMEMORYTYPE_SYSTEM);
    if (viaWork) {
        const TextSize size = m_nPitch ? GetFixedTextSize(text) : GetTextSize(text);
        // Under DirectDraw only the part of the text box that lands on the
        // destination is cleared and copied; the rest is never shown.
        int left = 0, top = 0, right = size.cx, bottom = size.cy;
        if (!lpDTCon) {
            left = static_cast<int>(std::clamp<int64_t>(-int64_t{x}, 0, size.cx));
            top = static_cast<int>(std::clamp<int64_t>(-int64_t{y}, 0, size.cy));
            right = static_cast<int>(std::clamp<int64_t>(int64_t{dest->nWidth} - x, left, size.cx));
            bottom = static_cast<int>(std::clamp<int64_t>(int64_t{dest->nHeight} - y, top, size.cy));
        }
        DDFillRect(&m_WorkSD, left, top, right - left, bottom - top, 0);
        DrawChars(&m_WorkSD, 0, 0, dest, x, y, text, lettersAsText);
        if (lpDTCon) DrawIcons(&m_WorkSD, 0, 0, text);
        DDBlt(dest, x + left, y + top, right - left, bottom - top, &m_WorkSD, left, top, DDBLT_KEYED);
        if (!lpDTCon) DrawIcons(dest, x, y, text);
        return 1;
    }
    const bool caching = m_bCache && m_lpFastFont_Half && m_lpFastFont_FullAdd;
    if (!caching && !DDBeginScene()) return 0;
    DrawChars(dest, x, y, dest, x, y, text, lettersAsText);
    DrawIcons(dest, x, y, text);
    return 1;
}

int Font::Printf(DDSURFACEDATA* dest, int x, int y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatBounded(256, format, args);
    va_end(args);
    return DrawString(dest, x, y, text.c_str(), 0);
}

void Font::DrawFrameAt(DDSURFACEDATA* dest, int x, int y, int width, int height) {
    if (!m_lpWindowSD) return;
    DDBltWithFrame(dest, x, y, width, height, m_lpWindowSD, m_nFrame, static_cast<uint32_t>(m_nFrameColor));
}

void Font::DrawWindow(DDSURFACEDATA* dest, int x, int y, int width, int height) {
    if (!m_lpWindowSD) return;
    if (x == kCentre) x = (m_lpWindowSD->nWidth >> 1) - (width >> 1);
    if (y == kCentre) y = (m_lpWindowSD->nHeight >> 1) - (height >> 1);
    DrawFrameAt(dest, x, y, width, height);
}

void Font::DrawTextWindow(DDSURFACEDATA* dest, int x, int y, int width, int height, const char* text, int padding) {
    if (!text) text = "";
    if (width == 0 || height == 0) {
        const TextSize size = m_nPitch ? GetFixedTextSize(text) : GetTextSize(text);
        if (width == 0) width = padding + size.cx;
        if (height == 0) height = size.cy;
    }
    if (m_lpWindowSD) {
        if (x == kCentre) x = (m_lpWindowSD->nWidth >> 1) - (width >> 1);
        if (y == kCentre) y = (m_lpWindowSD->nHeight >> 1) - (height >> 1);
    }
    DrawFrameAt(dest, x, y, width, height);
    DrawString(dest, x + padding, y, text);
}

void Font::WindowPrintf(DDSURFACEDATA* dest, int x, int y, int width, int height, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = FormatBounded(512, format, args);
    va_end(args);
    DrawTextWindow(dest, x, y, width, height, text.c_str(), 0);
}

// ---------------------------------------------------------------------------
// Measuring

TextSize Font::GetFixedTextSize(const char* text) const {
    TextSize size;
    if (!text) text = "";
    // Lines of any length are measured whole, in place.
    for (const char* p = text;;) {
        const int length = GetLineLength(p);
        size.cx = std::max(size.cx, CountChars(p, static_cast<size_t>(length)) * m_nPitch);
        size.cy += m_nLineHeight;
        p += length;
        if (*p == '\0') break;
        ++p;
    }
    return size;
}

TextSize Font::GetTextSize(const char* text) {
    TextSize size;
    if (!text) text = "";
    for (const char* p = text;;) {
        const int length = GetLineLength(p);
        const int width = m_lpFace ? m_lpFace->TextWidth(p, static_cast<size_t>(length)) : 0;
        size.cx = std::max(size.cx, width);
        size.cy += m_nLineHeight;
        p += length;
        if (*p == '\0') break;
        ++p;
    }
    return size;
}

// ---------------------------------------------------------------------------
// Recovery

void Font::Restore() {
    if (lpDTCon) {
        // Atlases come back blank after a reset and are drawn again.
        if (m_lpFastFont_Half && m_lpFastFont_Half->m_Atlas.bLost) {
            BuildHalfCache();
            m_lpFastFont_Half->m_Atlas.bLost = 0;
        }
        if (m_lpFastFont_FullAdd && m_lpFastFont_FullAdd->m_Atlas.bLost) {
            BuildFullCache(true);
            m_lpFastFont_FullAdd->m_Atlas.bLost = 0;
        }
        return;
    }
    if (!lpDDCon) return;
    const auto restoreLost = [](DDSURFACEDATA& sd) {
        if (sd.lpDDS && sd.lpDDS->lpSurface && sd.lpDDS->lpSurface->IsLost()) sd.lpDDS->lpSurface->Restore();
    };
    restoreLost(m_WorkSD);
    if (m_lpFastFont_Half && HasBackEndObject(&m_lpFastFont_Half->m_Atlas)) {
        restoreLost(m_lpFastFont_Half->m_Atlas);
        BuildHalfCache();
    }
    if (m_lpFastFont_FullAdd && HasBackEndObject(&m_lpFastFont_FullAdd->m_Atlas)) {
        restoreLost(m_lpFastFont_FullAdd->m_Atlas);
        BuildFullCache(true);
    }
}

// ---------------------------------------------------------------------------
// Program-wide fonts and digit strips

int CreateFonts(Font* fonts, const FONTDEF* defs, int count) {
    if (!fonts || !defs) return 1;
    const auto sysBmp = [](int index) -> DDSURFACEDATA* {
        return index >= 0 && index < kSysBmpCount ? &g_SysBmp[index] : nullptr;
    };
    for (int i = 0; i < count; ++i) {
        const FONTDEF& d = defs[i];
        fonts[i].Create(d.szFace, d.nWidth, d.nHeight, d.nPitch, d.nLineHeight, d.nColor, sysBmp(d.nWindow), d.nFrame,
                        d.nFrameColor, sysBmp(d.nIcon), d.nCache);
    }
    return 1;
}

int CreateNumberSurfaces(DDSURFACEDATA* surfaces, const DDSURFACEDEF* surfaceDefs, int count, Font* fonts,
                         const FONTDEF* fontDefs) {
    if (!surfaces || !surfaceDefs || !fonts || !fontDefs) return 1;
    for (int i = 0; i < count; ++i) {
        const DDSURFACEDEF& s = surfaceDefs[i];
        DDCreateSurface(&surfaces[i], fontDefs[i].nPitch * 10, fontDefs[i].nLineHeight, s.bColorKey, s.bSystemMemory,
                        s.nMemoryType, s.lpShared, 0);
        DrawNumberSurface(&surfaces[i], &fonts[i]);
    }
    return 1;
}

void DrawNumberSurface(DDSURFACEDATA* surface, Font* font) {
    if (!surface || !font) return;
    DDFillRect(surface, 0, 0, surface->nWidth, surface->nHeight, 0);
    font->DrawString(surface, 0, 0, "0123456789");
}

int GetLineLength(const char* text) {
    if (!text) return 0;
    int n = 0;
    while (text[n] && text[n] != '\n') ++n;
    return n;
}
