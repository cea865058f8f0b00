// Project settings files written byte by byte from the stored layout: each
// numbered member and list gated by the versions that store it. Every
// stored number n holds 1000 + n and the colour bytes 0x41, 0x42, 0x43, so a
// member read from the wrong place shows. Shared by the settings tests and
// the writer of the fuzz seeds.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "project/database_fixtures.h"

namespace sysfix {

using dbfix::I32;
using dbfix::Str;

constexpr int kLast = 1 << 20;

struct StoredRow {
    int member, from, until, size;
};

// File order; "until" is the last version that stores the member.
inline const std::vector<StoredRow>& Rows() {
    static const std::vector<StoredRow> rows = {
        {1, 185, kLast, 4},  {2, 0, kLast, 4},    {3, 838, kLast, 4},  {4, 0, kLast, 4},    {5, 0, kLast, 4},
        {6, 205, kLast, 4},  {7, 170, kLast, 4},  {8, 113, kLast, 4},  {9, 855, kLast, 4},  {10, 184, kLast, 4},
        {11, 157, kLast, 4}, {12, 821, kLast, 4}, {13, 0, kLast, 4},   {14, 191, kLast, 4}, {15, 191, kLast, 4},
        {16, 0, kLast, 4},   {17, 0, kLast, 4},   {18, 167, kLast, 4}, {19, 167, kLast, 4}, {20, 188, kLast, 4},
        {21, 224, kLast, 4}, {22, 167, kLast, 4}, {23, 167, kLast, 4}, {24, 188, kLast, 4}, {25, 224, kLast, 4},
        {26, 188, kLast, 4}, {27, 192, kLast, 4}, {28, 187, kLast, 4}, {29, 187, kLast, 1}, {30, 187, kLast, 1},
        {31, 187, kLast, 1}, {32, 214, kLast, 4}, {33, 221, 259, 4},   {34, 261, kLast, 4}, {35, 272, kLast, 4},
        {36, 287, kLast, 4}, {37, 515, kLast, 4}, {38, 289, kLast, 4}, {39, 757, kLast, 4}, {40, 525, kLast, 4},
        {41, 555, kLast, 4}, {42, 637, kLast, 4}, {43, 669, kLast, 4}, {44, 677, kLast, 4}, {45, 695, kLast, 4},
        {46, 696, kLast, 4}, {47, 697, kLast, 4}, {48, 721, kLast, 4}, {49, 728, kLast, 4}, {50, 733, kLast, 4},
        {51, 744, kLast, 4}, {52, 749, kLast, 4}, {53, 752, kLast, 4}, {54, 763, kLast, 4}, {55, 763, kLast, 4},
        {56, 768, kLast, 4}, {57, 773, kLast, 4}, {58, 781, kLast, 4}, {59, 782, kLast, 4}, {60, 783, kLast, 4},
        {61, 793, kLast, 4}, {62, 805, kLast, 4}, {63, 808, kLast, 4}, {64, 818, kLast, 4}, {65, 818, kLast, 4},
        {66, 819, kLast, 4}, {67, 822, kLast, 4}, {68, 827, kLast, 4}, {69, 831, kLast, 4}, {70, 833, kLast, 4},
        {71, 837, kLast, 4}, {72, 839, kLast, 4}, {73, 841, kLast, 4}, {74, 845, kLast, 4}, {75, 845, kLast, 4},
        {76, 845, kLast, 4}, {77, 845, kLast, 4}, {78, 861, kLast, 4}, {79, 875, kLast, 4}, {80, 894, kLast, 4},
        {81, 895, kLast, 4}, {82, 896, kLast, 4}, {83, 897, kLast, 4}, {84, 670, kLast, 4}, {85, 670, kLast, 4},
        {86, 880, kLast, 4},
    };
    return rows;
}

inline bool Stores(const StoredRow& row, int version) { return version >= row.from && version <= row.until; }

inline int32_t StoredValue(int member) { return member >= 29 && member <= 31 ? 0x41 + (member - 29) : 1000 + member; }

inline std::string Flags(const std::vector<int>& flags) {
    std::string out = I32(static_cast<int32_t>(flags.size()));
    for (int f : flags) out += static_cast<char>(f);
    return out;
}

inline std::string Ints(const std::vector<int32_t>& values) {
    std::string out = I32(static_cast<int32_t>(values.size()));
    for (int32_t v : values) out += I32(v);
    return out;
}

inline std::string Strings(const std::vector<std::string>& texts) {
    std::string out = I32(static_cast<int32_t>(texts.size()));
    for (const std::string& t : texts) out += Str(t);
    return out;
}

// shown, icon, width, number on gauge (204), warning level and percent (587); label.
inline std::string StatusItem(int v, int32_t shown, int32_t icon, int32_t width, int32_t gauge, int32_t warn,
                              int32_t percent, const std::string& label) {
    return dbfix::Record(dbfix::Blocks(v, {{0, I32(shown)},
                                           {0, I32(icon)},
                                           {0, I32(width)},
                                           {204, I32(gauge)},
                                           {587, I32(warn)},
                                           {587, I32(percent)}}),
                         {label});
}

inline std::string PlayMode(int32_t enabled, const std::vector<int>& flags) {
    return dbfix::Record({I32(enabled)}, {}) + Flags(flags);
}

inline std::string Cmd(int32_t enabled, const std::string& text) { return dbfix::Record({I32(enabled)}, {text}); }

inline std::string Key(int32_t kind, const std::string& name, int32_t value, const std::string& text) {
    return dbfix::Record({I32(kind), I32(value)}, {name, text});
}

inline std::string Records(const std::vector<std::string>& records) { return dbfix::Counted(records); }

// The lists of a file with their first versions; an entry of `list` that is
// set replaces the list's bytes (count included).
struct SystemFile {
    int version = 901;
    std::string title = "テストゲーム";
    bool colourOneBlock = false;
    std::map<int, std::string> list;

    std::string DefaultList(int n) const {
        const int v = version;
        switch (n) {
            case 1: {
                std::vector<int> f;
                for (int i = 0; i < 25; ++i) f.push_back(i % 3 == 0 ? 1 : 0);
                return Flags(f);
            }
            case 2: {
                std::vector<int> f;
                for (int i = 0; i < 25; ++i) f.push_back(i % 2);
                return Flags(f);
            }
            case 3:
                return Records({StatusItem(v, 1, 0, 6, 0, 0, 0, "スコア"), StatusItem(v, 0, 1, 5, 0, 0, 0, "点"),
                                StatusItem(v, 1, 1, 0, 1, 40, 1, "HP"), StatusItem(v, 1, 0, 0, 0, 7, 0, "SP"),
                                StatusItem(v, 1, 1, 3, 0, 0, 0, "人")});
            case 4: return Ints({3, 4, 5, 6});
            case 5: return Ints({0, 1, 0, 1});
            case 6:
                return Records({PlayMode(1, {1, 0, 1, 0, 1}), PlayMode(1, {1, 1, 1, 1, 1, 1, 1}),
                                PlayMode(0, {1, 1, 0, 0, 0}), PlayMode(1, {0, 0, 0, 0, 1})});
            case 7: {
                std::vector<std::string> t;
                for (int i = 0; i < 29; ++i) t.push_back("文" + std::to_string(i));
                return Strings(t);
            }
            case 8: {
                std::vector<std::string> t;
                for (int i = 0; i < 17; ++i) t.push_back("se" + std::to_string(i) + ".wav");
                return Strings(t);
            }
            case 9: return Ints({1, 0, 1, 0});
            case 10: return Flags({1, 0, 0, 1});
            case 11:
                return Records({Cmd(1, "はじめ"), Cmd(0, "つづき"), Cmd(1, "C"), Cmd(1, "F"), Cmd(0, "R"),
                                Cmd(1, "O"), Cmd(1, "Q")});
            case 12: return Records({Cmd(1, "S"), Cmd(0, "A"), Cmd(1, "B"), Cmd(1, "T")});
            case 13:
                return Records({Cmd(1, "o0"), Cmd(1, "o1"), Cmd(1, "o2"), Cmd(1, "o3"), Cmd(0, "o4"), Cmd(1, "o5")});
            case 14: return Strings({"m0", "m1", "m2", "m3"});
            case 15:
                return Records({Key(0, "Direct3D", 1, ""), Key(0, "WindowMode", 1, ""), Key(0, "Bpp", 16, ""),
                                Key(0, "VSync", 0, ""), Key(0, "D3D_FontCache", 1, ""), Key(0, "DD_FontCache", 0, ""),
                                Key(0, "DD_VideoStretch", 1, ""), Key(0, "ShowFps", 0, ""),
                                Key(1, "FreeStage", 0, "stage.stg4"), Key(0, "English", 1, ""),
                                Key(0, "Midi_DirectMusic", 0, "")});
        }
        return {};
    }

    std::string Bytes() const {
        std::vector<std::string> blocks;
        for (const StoredRow& row : Rows()) {
            if (!Stores(row, version)) continue;
            if (row.size == 1) {
                if (colourOneBlock) {
                    if (row.member == 29) blocks.push_back("\x41\x42\x43");
                } else {
                    blocks.push_back(std::string(1, static_cast<char>(StoredValue(row.member))));
                }
            } else {
                blocks.push_back(I32(StoredValue(row.member)));
            }
        }
        std::string out = I32(version) + dbfix::Record(blocks, {title});
        const int from[16] = {0, 0, 501, 0, 0, 191, 186, 0, 0, 0, 202, 0, 0, 0, 674, 0};
        for (int n = 1; n <= 15; ++n) {
            if (version < from[n]) continue;
            auto it = list.find(n);
            out += it != list.end() ? it->second : DefaultList(n);
        }
        return out;
    }
};

}  // namespace sysfix
