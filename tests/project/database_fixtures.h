// Database files written byte by byte from the record layouts, each member
// gated by the version it is stored from, so a fixture of any version reads
// as a file of that version would. Shared by the database tests and the
// writer of the fuzz seeds.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dbfix {

inline std::string I32(int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    return s;
}
inline std::string I16(int16_t v) { return I32(v).substr(0, 2); }
inline std::string I8(int8_t v) { return I32(v).substr(0, 1); }

// Length + 1, the bytes and a NUL; the empty string is the length word 1.
inline std::string Str(std::string_view s) {
    std::string out = I32(static_cast<int32_t>(s.size() + 1));
    if (!s.empty()) {
        out += s;
        out += '\0';
    }
    return out;
}

// The generic part: block count, blocks, string count, strings.
inline std::string Record(const std::vector<std::string>& blocks, const std::vector<std::string>& strings) {
    std::string out = I32(static_cast<int32_t>(blocks.size()));
    for (const std::string& b : blocks) out += b;
    out += I32(static_cast<int32_t>(strings.size()));
    for (const std::string& s : strings) out += Str(s);
    return out;
}

inline std::string Counted(const std::vector<std::string>& records) {
    std::string out = I32(static_cast<int32_t>(records.size()));
    for (const std::string& r : records) out += r;
    return out;
}

// Version word, entry count, entries.
inline std::string File(int32_t version, const std::vector<std::string>& entries) { return I32(version) + Counted(entries); }

inline std::vector<std::string> Blocks(int version, std::initializer_list<std::pair<int, std::string>> gated) {
    std::vector<std::string> out;
    for (const auto& [from, bytes] : gated)
        if (version >= from) out.push_back(bytes);
    return out;
}

constexpr int kAlways = 0;

// cAnimeFrameData: chip, display time, no interrupt.
inline std::string AnimeFrame(int32_t chip, int32_t time, int32_t noInterrupt) {
    return Record({I32(chip), I32(time), I32(noInterrupt)}, {});
}

// cAnimeData: editor values A, B, C from 55; name; frames.
inline std::string Anime(int v, std::string_view name, const std::vector<std::string>& frames, int16_t a = 7,
                         int8_t b = 2, int16_t c = 3) {
    return Record(Blocks(v, {{55, I16(a)}, {55, I8(b)}, {55, I16(c)}}), {std::string(name)}) + Counted(frames);
}

// cAnimeSetData: invincible, block, flight (from 119) offsets; name; animes.
inline std::string AnimeSet(int v, std::string_view name, int32_t inv, int32_t block, int32_t flight,
                            const std::vector<std::string>& animes) {
    return Record(Blocks(v, {{kAlways, I32(inv)}, {kAlways, I32(block)}, {119, I32(flight)}}), {std::string(name)}) +
           Counted(animes);
}

// cBmpCharaExcData: editor number (152), large chips (172), chip size
// (172); name, picture file.
inline std::string BmpCharaExc(int v, std::string_view name, int32_t editor, std::string_view file, int32_t large,
                               int32_t size) {
    return Record(Blocks(v, {{152, I32(editor)}, {172, I32(large)}, {172, I32(size)}}),
                  {std::string(name), std::string(file)});
}

// cSwordPartData: offset X, Y, mirror X, Y (138), side, source X, Y, width,
// height, display time.
inline std::string SwordPart(int v, int32_t base) {
    return Record(Blocks(v, {{kAlways, I32(base + 1)},
                             {kAlways, I32(base + 2)},
                             {138, I32(0)},
                             {138, I32(1)},
                             {kAlways, I32(2)},
                             {kAlways, I32(base + 3)},
                             {kAlways, I32(base + 4)},
                             {kAlways, I32(base + 5)},
                             {kAlways, I32(base + 6)},
                             {kAlways, I32(base + 7)}}),
                  {});
}

// cSwordTypeData: editor number (151); name, left, right picture; steps.
inline std::string SwordType(int v, std::string_view name, int32_t editor, const std::vector<std::string>& parts) {
    return Record(Blocks(v, {{151, I32(editor)}}), {std::string(name), "bmp\\sword\\L.bmp", "bmp\\sword\\R.bmp"}) +
           Counted(parts);
}

inline std::string IntPair(int32_t first, int32_t second) { return Record({I32(first), I32(second)}, {}); }

// cEffectData: editor number (151), width, height, scales; name, file;
// frames.
inline std::string Effect(int v, std::string_view name, int32_t editor, int32_t w, int32_t h, int32_t scales,
                          const std::vector<std::string>& frames) {
    return Record(Blocks(v, {{151, I32(editor)}, {kAlways, I32(w)}, {kAlways, I32(h)}, {kAlways, I32(scales)}}),
                  {std::string(name), "bmp\\effect\\fx.bmp"}) +
           Counted(frames);
}

// cCharaEffectData and cScrEffectData: kind; the five parameters as one
// block; name.
inline std::string Fx(int32_t kind, std::initializer_list<int32_t> params, std::string_view name) {
    std::string block;
    size_t n = 0;
    for (int32_t p : params) block += I32(p), ++n;
    for (; n < 5; ++n) block += I32(0);
    return Record({I32(kind), block}, {std::string(name)});
}

// cPictureData: editor number (151); name, picture file.
inline std::string Picture(int v, std::string_view name, int32_t editor, std::string_view file) {
    return Record(Blocks(v, {{151, I32(editor)}}), {std::string(name), std::string(file)});
}
// cSoundData: editor number (151); name, sound file.
inline std::string Sound(int v, std::string_view name, int32_t editor, std::string_view file) {
    return Record(Blocks(v, {{151, I32(editor)}}), {std::string(name), std::string(file)});
}
// cBgmData: editor number (151), volume (814); name, music file.
inline std::string Bgm(int v, std::string_view name, int32_t editor, std::string_view file, int32_t volume) {
    return Record(Blocks(v, {{151, I32(editor)}, {814, I32(volume)}}), {std::string(name), std::string(file)});
}

// The ten files of version 901 that the tests load; each holds one entry
// more than the list's defaults, so a list read from its file is told
// apart by its size.
struct DbFile {
    const char* host;  // below the working folder
    std::string bytes;
};

inline std::vector<DbFile> Files901() {
    const int v = 901;
    return {
        {"data/database/AnimeSet.dat",
         File(v, {AnimeSet(v, "基本", 5, 9, 2,
                           {Anime(v, "立ち", {AnimeFrame(0, 1, 0)}), Anime(v, "歩き", {AnimeFrame(1, 2, 0)}),
                            Anime(v, "飛行", {}), Anime(v, "飛行移動", {AnimeFrame(3, 1, 1)})}),
                  AnimeSet(v, "六つ", 4, 8, 0,
                           {Anime(v, "a", {}), Anime(v, "b", {}), Anime(v, "c", {}), Anime(v, "d", {}),
                            Anime(v, "e", {}), Anime(v, "f", {})})})},
        {"data/database/Anime.dat",
         File(v, {Anime(v, "なし", {AnimeFrame(1, 5, 0), AnimeFrame(2, 5, 0)}),
                  Anime(v, "攻撃", {AnimeFrame(10, 2, 0), AnimeFrame(11, 3, 1), AnimeFrame(12, 4, 0)}, -1, -2, 300),
                  Anime(v, "空", {})})},
        {"data/database/Bmp_CharaExc.dat",
         File(v, {BmpCharaExc(v, "", 0, "", 0, 2), BmpCharaExc(v, "敵", 11, "bmp\\chara_sp\\敵.bmp", 1, 3),
                  BmpCharaExc(v, "ボス", 12, "bmp\\chara_sp\\boss.bmp", 0, 2)})},
        {"data/database/SwordType.dat",
         File(v, {SwordType(v, "剣", 5, {SwordPart(v, 0), SwordPart(v, 10)}), SwordType(v, "槍", 6, {})})},
        {"data/database/Effect.dat",
         File(v, {Effect(v, "なし", 0, 32, 32, 0, {IntPair(0, 1)}),
                  Effect(v, "爆発", 3, 48, 24, 1, {IntPair(0, 2), IntPair(1, 3)}), Effect(v, "煙", 4, 16, 16, 0, {})})},
        {"data/database/CharaEffect.dat",
         File(v, {Fx(5, {10, 1, 2, 3, 4}, "なし"), Fx(11, {10, 0, 32}, "拡大"), Fx(6, {20, 4}, "点滅")})},
        {"data/database/ScrEffect.dat",
         File(v, {Fx(2, {10, 4, 3}, "なし"), Fx(1, {30, 1, 2, 3, 4}, "移動"), Fx(11, {10, 100, 200}, "拡大")})},
        {"data/database/Picture.dat",
         File(v, {Picture(v, "", 0, ""), Picture(v, "絵", 4, "bmp\\picture\\a.png"), Picture(v, "題", 5, "b.png")})},
        {"data/database/Sound.dat",
         File(v, {Sound(v, "", 0, ""), Sound(v, "音\r\n", 7, "wave\\a.wav"), Sound(v, "鐘", 8, "wave\\b.wav")})},
        {"data/database/Bgm.dat",
         File(v, {Bgm(v, "", 0, "", 100), Bgm(v, "曲", 6, "bgm\\a.ogg", 80), Bgm(v, "歌", 9, "bgm\\b.mid", 120)})},
    };
}

}  // namespace dbfix
