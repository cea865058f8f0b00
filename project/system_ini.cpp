#include "project/system_ini.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/report_log.h"
#include "platform/paths.h"

const char* const kSystemIniPath = "System.ini";
const char* const kSystemIniFailedText = "System.ini の読み込みに失敗しました！";

namespace {

// A hand-edited file has a few dozen lines; the cap keeps a damaged one
// from running forever.
constexpr int kMaxEntries = 10000;
// Bytes kept of one key or value. A longer one is still read to its end
// and its true length counted, so it never matches or fits by accident.
constexpr size_t kTokenKeep = 2047;

// FreeStage takes file names of 2 to 259 bytes.
constexpr size_t kFreeStageMin = 2;
constexpr size_t kFreeStageMax = kFreeStageSize - 1;

struct Token {
    std::string text;   // the first kTokenKeep bytes
    size_t length = 0;  // the true length
    void Add(char c) {
        if (text.size() < kTokenKeep) text.push_back(c);
        ++length;
    }
    bool Whole() const { return length == text.size(); }
    bool Is(const char* word) const { return Whole() && text == word; }
};

enum class KeyEnd { Line, Value, Done, Failed };

// Blanks and carriage returns never belong to a key. The line "Exit" ends
// the file properly, also as the last bytes of the file without a newline.
KeyEnd ReadKey(FILE* file, Token& key) {
    for (;;) {
        int c = std::fgetc(file);
        if (c == EOF) return key.Is("Exit") ? KeyEnd::Done : KeyEnd::Failed;
        if (c == '\0') return KeyEnd::Done;
        if (c == '\r' || c == ' ' || c == '\t') continue;
        if (c == '\n') return key.Is("Exit") ? KeyEnd::Done : KeyEnd::Line;
        if (c == '=') return KeyEnd::Value;
        key.Add(static_cast<char>(c));
    }
}

// The value runs to a blank, "/", the line's end, a NUL or the file's end;
// that character is consumed, and after a blank or "/" the rest of the line
// is read as the next key. Trailing carriage returns of CR LF files are not
// part of the value.
void ReadValue(FILE* file, Token& value) {
    size_t trailingCR = 0;
    for (;;) {
        int c = std::fgetc(file);
        if (c == EOF || c == ' ' || c == '\t' || c == '/' || c == '\n' || c == '\0') break;
        trailingCR = (c == '\r') ? trailingCR + 1 : 0;
        value.Add(static_cast<char>(c));
    }
    value.length -= trailingCR;
    if (value.text.size() > value.length) value.text.resize(value.length);
}

// An optional sign, then the leading digits; anything else gives 0. Too
// many digits stop at the int32 limits.
int32_t LeadingInt(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) v = std::min<int64_t>(v * 10 + (text[i] - '0'), int64_t{INT32_MAX} + 1);
    v = negative ? -v : v;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The integer setting bound to each key position; FreeStage (position 8)
// has none.
int32_t cSystemIni::* const kIntAt[kIniKeyCount] = {
    &cSystemIni::Direct3D,      &cSystemIni::WindowMode,     &cSystemIni::Bpp,
    &cSystemIni::VSync,         &cSystemIni::D3D_FontCache,  &cSystemIni::DD_FontCache,
    &cSystemIni::DD_VideoStretch, &cSystemIni::ShowFps,      nullptr,
    &cSystemIni::English,       &cSystemIni::Midi_DirectMusic,
};

void SetFreeStage(cSystemIni& settings, const std::string& text) {
    std::memcpy(settings.FreeStage, text.data(), text.size());
    settings.FreeStage[text.size()] = '\0';
}

// The first key item of that name decides, by its position.
void Apply(cSystemIni& settings, const IniKeyList& keys, const Token& key, const Token& value) {
    if (key.length == 0 || !key.Whole()) return;
    for (int i = 0; i < keys.Size(); ++i) {
        if (keys[static_cast<size_t>(i)].m_strKey != key.text) continue;
        if (i == kIniFreeStage) {
            if (value.length >= kFreeStageMin && value.length <= kFreeStageMax) SetFreeStage(settings, value.text);
        } else if (i < kIniKeyCount) {
            settings.*kIntAt[i] = LeadingInt(value.text);
        }
        return;
    }
}

int ReadEntries(FILE* file, cSystemIni& settings, const IniKeyList& keys) {
    for (int entry = 0; entry < kMaxEntries; ++entry) {
        Token key;
        switch (ReadKey(file, key)) {
        case KeyEnd::Done: return 1;
        case KeyEnd::Failed: return 0;
        case KeyEnd::Line: continue;  // a line without a value
        case KeyEnd::Value: break;
        }
        Token value;
        ReadValue(file, value);
        Apply(settings, keys, key, value);
    }
    return 1;
}

}  // namespace

void SetSystemIniDefault(cSystemIni& settings, const IniKeyList& keys) {
    for (int i = 0; i < kIniKeyCount; ++i)
        if (kIntAt[i]) settings.*kIntAt[i] = keys.At(i).m_nDefault;
    const std::string& stage = keys.At(kIniFreeStage).m_strDefault;
    // A default too long for the setting names no stage rather than a cut one.
    SetFreeStage(settings, stage.size() <= kFreeStageMax ? stage : std::string());
}

int LoadSystemIni(const char* path, cSystemIni& settings, const IniKeyList& keys) {
    FILE* file = plat::OpenFile(path ? path : "", "rb");
    if (!file) return 0;
    int ok = ReadEntries(file, settings, keys);
    std::fclose(file);
    return ok;
}

void SetupSystemIni(cSystemIni& settings, const IniKeyList& keys) {
    SetSystemIniDefault(settings, keys);
    if (LoadSystemIni(kSystemIniPath, settings, keys)) return;
    ReportError("%s", kSystemIniFailedText);
    SetSystemIniDefault(settings, keys);
}
