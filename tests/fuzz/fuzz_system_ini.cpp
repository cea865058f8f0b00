// Arbitrary bytes read as "System.ini" with the project's keys and with a
// damaged key list (empty, doubled and surplus names). The read must end,
// give the same settings every time, and leave FreeStage a terminated name
// of 2 to 259 bytes without blanks, "/", line breaks or a trailing CR, or
// the default.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "project/system_ini.h"

namespace {

using orvfuzz::Check;

cIniItem Key(const char* name, int32_t value, const char* text = "") {
    cIniItem item;
    item.m_strKey = name;
    item.m_nDefault = value;
    item.m_strDefault = text;
    return item;
}

IniKeyList ProjectKeys() {
    const char* names[] = {"Direct3D", "WindowMode", "Bpp",       "VSync",   "D3D_FontCache",   "DD_FontCache",
                           "DD_VideoStretch", "ShowFps", "FreeStage", "English", "Midi_DirectMusic"};
    IniKeyList keys;
    for (int i = 0; i < kIniKeyCount; ++i) keys.push_back(Key(names[i], i, i == kIniFreeStage ? "default" : ""));
    return keys;
}

IniKeyList DamagedKeys() {
    IniKeyList keys = ProjectKeys();
    keys[0].m_strKey = "";
    keys[3].m_strKey = "Bpp";
    keys[kIniFreeStage].m_strKey = "Bpp";
    keys.push_back(Key("FreeStage", 5));
    return keys;
}

void CheckFreeStage(const cSystemIni& s) {
    size_t n = strnlen(s.FreeStage, sizeof s.FreeStage);
    Check(n < sizeof s.FreeStage);
    if (std::strcmp(s.FreeStage, "default") == 0) return;
    Check(n >= 2 && s.FreeStage[n - 1] != '\r');
    for (size_t i = 0; i < n; ++i) Check(std::strchr(" \t/\n", s.FreeStage[i]) == nullptr);
}

void ReadTwice(const IniKeyList& keys) {
    cSystemIni a{}, b{};
    SetSystemIniDefault(a, keys);
    SetSystemIniDefault(b, keys);
    int ra = LoadSystemIni("System.ini", a, keys);
    int rb = LoadSystemIni("System.ini", b, keys);
    Check(ra == rb && (ra == 0 || ra == 1));
    Check(std::memcmp(&a, &b, sizeof a) == 0);
    CheckFreeStage(a);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    orvfuzz::ServeInput("System.ini", data, size);
    static const IniKeyList project = ProjectKeys();
    static const IniKeyList damaged = DamagedKeys();
    ReadTwice(project);
    ReadTwice(damaged);
    return 0;
}
