#include "platform/glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <strings.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "platform/text_codec.h"

namespace plat {
namespace {

std::atomic<bool> g_fixedPattern{false};

// Rendered glyphs are kept per face up to this many, then forgotten at once:
// text is redrawn every frame, and most of it is the same few characters.
constexpr size_t kMemoLimit = 4096;

uint32_t CodeOf(const char* sjis, int count) {
    const auto b0 = static_cast<uint8_t>(sjis[0]);
    return count == 2 ? (uint32_t{b0} << 8 | static_cast<uint8_t>(sjis[1])) : b0;
}

// Length of the character at the front of a one-line text.
int CharLength(const char* p, size_t left) {
    if (left >= 2 && IsSjisLeadByte(static_cast<uint8_t>(p[0])) && IsSjisTrailByte(static_cast<uint8_t>(p[1])))
        return 2;
    return 1;
}

// ---------------------------------------------------------------------------
// The fixed pattern of the tests

class FixedFace : public GlyphFace {
public:
    FixedFace(int height, int width)
        : m_height(height),
          m_half(width > 0 ? width : std::max(1, height / 2)),
          m_full(width > 0 ? 2 * width : height) {}

    const GlyphImage* Glyph(const char* sjis, int count) override {
        // Text is measured and drawn character by character, so each is
        // asked for several times: kept in a slot per one-byte code, and
        // per low bits for two-byte codes, each slot's storage reused.
        const uint32_t code = CodeOf(sjis, count);
        Slot& slot = count == 2 ? m_fullSlots[(code ^ code >> 8) & 0xFF] : m_halfSlots[code & 0xFF];
        GlyphImage& glyph = slot.glyph;
        if (slot.drawn && slot.code == code) return &glyph;
        slot.drawn = true;
        slot.code = code;
        glyph.width = count == 2 ? m_full : m_half;
        glyph.height = m_height;
        glyph.left = glyph.top = 0;
        glyph.advance = glyph.width;
        const int w = glyph.width, h = glyph.height;
        // Only the last character's ink is wiped, not the whole cell.
        const size_t cells = static_cast<size_t>(w) * static_cast<size_t>(h);
        if (glyph.ink.size() != cells) glyph.ink.assign(cells, 0);
        for (const InkRun& run : glyph.runs)
            std::memset(&glyph.ink[static_cast<size_t>(run.y) * static_cast<size_t>(w) + run.x], 0,
                        static_cast<size_t>(run.length));
        glyph.runs.clear();
        // The pixels come in row order, so each extends the last run or
        // starts the next.
        auto set = [&](int x, int y) {
            uint8_t& pixel = glyph.ink[static_cast<size_t>(y) * static_cast<size_t>(w) + x];
            if (pixel) return;
            pixel = 1;
            if (!glyph.runs.empty() && glyph.runs.back().y == y && glyph.runs.back().x + glyph.runs.back().length == x)
                ++glyph.runs.back().length;
            else
                glyph.runs.push_back(InkRun{y, x, 1});
        };
        set(0, 0);
        for (int i = 0; i < 16; ++i) {
            const int row = 1 + i / w;
            if (row >= h - 1) break;
            if (code >> i & 1) set(i % w, row);
        }
        set(w - 1, h - 1);
        return &glyph;
    }

    int CellHeight() const override { return m_height; }
    const std::string& FontFile() const override { return m_file; }

private:
    int m_height;
    int m_half;
    int m_full;
    struct Slot {
        bool drawn = false;
        uint32_t code = 0;
        GlyphImage glyph;
    };
    std::array<Slot, 256> m_halfSlots, m_fullSlots;
    std::string m_file;
};

// ---------------------------------------------------------------------------
// Face names

// The families the program's Windows face names stand for. A name of an
// installed Japanese family is taken as it stands; anything else without a
// family of its own gets the default.
constexpr const char* kDefaultFamily = "IPAGothic";

// Marks in the Windows face names (UTF-8: source literals are Shift-JIS at
// run time, so these are written as UTF-8 literals).
constexpr const char8_t* kProportionalMarks[] = {u8"Ｐ", u8"HGP", u8"MS P", u8"UI Gothic", u8"メイリオ", u8"Meiryo"};
constexpr const char8_t* kMinchoMarks[] = {u8"明朝", u8"Mincho", u8"教科書", u8"楷書", u8"行書"};
constexpr const char8_t* kGothicMarks[] = {u8"ゴシック", u8"ｺﾞｼｯｸ", u8"Gothic", u8"メイリオ",
                                          u8"Meiryo",   u8"ﾎﾟｯﾌﾟ", u8"ﾌﾟﾚｾﾞﾝｽ"};

// Case-insensitive for ASCII letters; other bytes compare as they are.
bool Contains(std::string_view text, const char8_t* mark) {
    const std::string_view part(reinterpret_cast<const char*>(mark));
    auto it = std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    return it != text.end();
}

template <size_t N>
bool ContainsAny(std::string_view text, const char8_t* const (&marks)[N]) {
    return std::any_of(std::begin(marks), std::end(marks), [&](const char8_t* m) { return Contains(text, m); });
}

// The family a Windows face name (UTF-8) stands for; "" when none.
std::string MappedFamily(std::string_view name) {
    const bool proportional = ContainsAny(name, kProportionalMarks);
    if (ContainsAny(name, kMinchoMarks)) return proportional ? "IPAPMincho" : "IPAMincho";
    if (ContainsAny(name, kGothicMarks)) return proportional ? "IPAPGothic" : "IPAGothic";
    return "";
}

struct FontLocation {
    std::string file;
    int index = 0;
};

// A Japanese font of exactly this family (any of its names), through
// fontconfig; false when there is none.
bool MatchJapanese(const std::string& family, FontLocation* out) {
    if (!FcInit()) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcLangSet* langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcLangSetDestroy(langs);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;

    bool found = false;
    // fontconfig always answers with something; only a font of the family
    // asked for (when one was asked for) that covers Japanese will do.
    bool familyOk = family.empty();
    FcChar8* name = nullptr;
    for (int i = 0; !familyOk && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        familyOk = strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0;
    FcLangSet* has = nullptr;
    const bool japanese = FcPatternGetLangSet(match, FC_LANG, 0, &has) == FcResultMatch &&
                          FcLangSetHasLang(has, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
    FcChar8* file = nullptr;
    int index = 0;
    if (familyOk && japanese && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        out->file = reinterpret_cast<const char*>(file);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        out->index = index;
        found = true;
    }
    FcPatternDestroy(match);
    return found;
}

std::mutex g_lookupMutex;

// ---------------------------------------------------------------------------
// FreeType faces

class FreeTypeFace : public GlyphFace {
public:
    ~FreeTypeFace() override {
        if (m_face) FT_Done_Face(m_face);
        if (m_library) FT_Done_FreeType(m_library);
    }

    bool Open(const FontLocation& file, int height, int width) {
        m_file = file.file;
        if (FT_Init_FreeType(&m_library) != 0) return false;
        if (FT_New_Face(m_library, file.file.c_str(), file.index, &m_face) != 0) return false;
        if (FT_Select_Charmap(m_face, FT_ENCODING_UNICODE) != 0) return false;
        if (!FT_IS_SCALABLE(m_face)) return false;

        // The cell is the Windows ascent plus descent where the font gives
        // them, as the program's fonts were measured; else the face's own.
        double ascent = m_face->ascender, descent = -static_cast<double>(m_face->descender);
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(m_face, FT_SFNT_OS2))) {
            if (os2->usWinAscent + os2->usWinDescent > 0) {
                ascent = os2->usWinAscent;
                descent = os2->usWinDescent;
            }
        }
        if (ascent + descent <= 0) return false;
        const double upem = m_face->units_per_EM;
        const double ppem = height * upem / (ascent + descent);
        const double ppemX = width > 0 ? 2.0 * width : ppem;
        const auto f26 = [](double px) { return static_cast<FT_F26Dot6>(std::lround(px * 64.0)); };
        if (FT_Set_Char_Size(m_face, f26(ppemX), f26(ppem), 72, 72) != 0) return false;
        m_height = height;
        m_ascent = static_cast<int>(std::lround(ascent * ppem / upem));
        return true;
    }

    const GlyphImage* Glyph(const char* sjis, int count) override {
        const uint32_t code = CodeOf(sjis, count);
        if (auto it = m_memo.find(code); it != m_memo.end()) return it->second.width < 0 ? nullptr : &it->second;
        if (m_memo.size() >= kMemoLimit) m_memo.clear();
        GlyphImage& glyph = m_memo[code];
        if (!Render(sjis, count, &glyph)) {
            glyph = GlyphImage{};
            glyph.width = -1;  // remembered as "nothing"
            return nullptr;
        }
        return &glyph;
    }

    int CellHeight() const override { return m_height; }
    const std::string& FontFile() const override { return m_file; }

private:
    // The one code point of a character, through code page 932.
    static bool CodePoint(const char* sjis, int count, uint32_t* cp) {
        bool ok = true;
        const std::string utf8 = SjisToUtf8(std::string_view(sjis, static_cast<size_t>(count)), &ok);
        if (!ok || utf8.empty()) return false;
        const auto* u = reinterpret_cast<const unsigned char*>(utf8.data());
        size_t n = 0;
        uint32_t c = 0;
        if (u[0] < 0x80) {
            n = 1;
            c = u[0];
        } else if ((u[0] & 0xE0) == 0xC0) {
            n = 2;
            c = u[0] & 0x1Fu;
        } else if ((u[0] & 0xF0) == 0xE0) {
            n = 3;
            c = u[0] & 0x0Fu;
        } else if ((u[0] & 0xF8) == 0xF0) {
            n = 4;
            c = u[0] & 0x07u;
        }
        if (n == 0 || n != utf8.size()) return false;  // exactly one character
        for (size_t i = 1; i < n; ++i) c = c << 6 | (u[i] & 0x3Fu);
        *cp = c;
        return true;
    }

    bool Render(const char* sjis, int count, GlyphImage* out) {
        uint32_t cp = 0;
        if (!CodePoint(sjis, count, &cp)) return false;
        // Control characters draw nothing, as the system's text output
        // leaves them out.
        if (cp < 0x20) return false;
        const FT_UInt index = FT_Get_Char_Index(m_face, cp);
        if (index == 0) return false;
        if (FT_Load_Glyph(m_face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
        if (FT_Render_Glyph(m_face->glyph, FT_RENDER_MODE_NORMAL) != 0) return false;
        const FT_GlyphSlot slot = m_face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        out->advance = static_cast<int>((slot->advance.x + 32) >> 6);
        out->width = static_cast<int>(bm.width);
        out->height = static_cast<int>(bm.rows);
        out->left = slot->bitmap_left;
        out->top = m_ascent - slot->bitmap_top;
        out->ink.assign(static_cast<size_t>(out->width) * static_cast<size_t>(out->height), 0);
        out->runs.clear();
        if (bm.pixel_mode != FT_PIXEL_MODE_GRAY) return out->width == 0 || out->height == 0;
        for (int y = 0; y < out->height; ++y) {
            const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
            for (int x = 0; x < out->width; ++x) {
                if (row[x] < 128) continue;
                out->ink[static_cast<size_t>(y) * static_cast<size_t>(out->width) + x] = 1;
                if (x > 0 && row[x - 1] >= 128)
                    ++out->runs.back().length;
                else
                    out->runs.push_back(InkRun{y, x, 1});
            }
        }
        return true;
    }

    FT_Library m_library = nullptr;
    FT_Face m_face = nullptr;
    int m_height = 0;
    int m_ascent = 0;
    std::string m_file;
    std::unordered_map<uint32_t, GlyphImage> m_memo;
};

}  // namespace

int GlyphFace::TextWidth(const char* sjis, size_t length) {
    int width = 0;
    for (size_t i = 0; i < length;) {
        const int n = CharLength(sjis + i, length - i);
        if (const GlyphImage* g = Glyph(sjis + i, n)) width += g->advance;
        i += static_cast<size_t>(n);
    }
    return width;
}

bool FindFontFile(const char* sjisName, std::string* file, int* index) {
    const std::string name = SjisToUtf8(sjisName ? sjisName : "");
    std::lock_guard<std::mutex> lock(g_lookupMutex);
    static std::map<std::string, FontLocation> known;
    auto it = known.find(name);
    if (it == known.end()) {
        FontLocation found;
        // An installed Japanese family of that very name, then the family
        // the name stands for, then the default, then any Japanese font.
        if (name.empty() || !MatchJapanese(name, &found)) {
            const std::string family = MappedFamily(name);
            if ((family.empty() || !MatchJapanese(family, &found)) && !MatchJapanese(kDefaultFamily, &found))
                MatchJapanese("", &found);
        }
        it = known.emplace(name, found).first;
    }
    if (it->second.file.empty()) return false;
    if (file) *file = it->second.file;
    if (index) *index = it->second.index;
    return true;
}

std::unique_ptr<GlyphFace> GlyphFace::Open(const char* sjisName, int height, int width) {
    if (height <= 0) return nullptr;
    if (g_fixedPattern) return std::make_unique<FixedFace>(height, width);
    FontLocation file;
    if (!FindFontFile(sjisName, &file.file, &file.index)) return nullptr;
    auto face = std::make_unique<FreeTypeFace>();
    if (!face->Open(file, height, width)) return nullptr;
    return face;
}

}  // namespace plat

namespace plat::testing {

void UseFixedPatternGlyphs(bool on) { plat::g_fixedPattern = on; }
bool FixedPatternGlyphsOn() { return plat::g_fixedPattern; }

}  // namespace plat::testing
