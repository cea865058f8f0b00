#include "platform/input.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/input_sdl.h"
#include "platform/memory_files.h"
#include "platform/presenter.h"
#include "platform/run_mode.h"
#include "platform/testing.h"

namespace plat {
namespace {

// ---- the key table ----

std::array<std::atomic<bool>, 256> g_keys{};

// Each side of a modifier is kept on its own, so letting go of one Shift
// while the other is held leaves the generic Shift down.
bool SideDown(int vk) { return g_keys[static_cast<size_t>(vk)].load(std::memory_order_relaxed); }

void SetSide(int sideVk, int genericVk, int otherSideVk, bool down) {
    SetKeyDown(sideVk, down);
    SetKeyDown(genericVk, down || SideDown(otherSideVk));
}

// ---- joysticks ----

// Written by the window's thread, read by the game thread.
std::mutex g_joyMutex;
std::vector<JoyReading> g_snapshot;          // real devices in device order
std::map<unsigned, JoyReading> g_scripted;   // tests and headless runs

// Devices this layer opened; window's thread only.
std::vector<SDL_Joystick*> g_opened;
bool g_joyStarted = false;

SDL_Joystick* FindOpened(SDL_JoystickID instance) {
    for (SDL_Joystick* j : g_opened)
        if (SDL_JoystickInstanceID(j) == instance) return j;
    return nullptr;
}

SDL_Joystick* OpenDevice(int deviceIndex) {
    if (!g_joyStarted) return nullptr;
    SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (instance < 0) return nullptr;
    if (SDL_Joystick* j = FindOpened(instance)) return j;
    SDL_Joystick* j = SDL_JoystickOpen(deviceIndex);
    if (j) g_opened.push_back(j);
    return j;
}

void CloseDevice(SDL_JoystickID instance) {
    auto it = std::find_if(g_opened.begin(), g_opened.end(),
                           [instance](SDL_Joystick* j) { return SDL_JoystickInstanceID(j) == instance; });
    if (it == g_opened.end()) return;
    SDL_JoystickClose(*it);
    g_opened.erase(it);
}

// Axis -32768..32767 to 0..65535, as the program's thresholds expect.
uint32_t AxisValue(SDL_Joystick* j, int axis, uint32_t absent) {
    if (axis >= SDL_JoystickNumAxes(j)) return absent;
    return static_cast<uint32_t>(static_cast<int32_t>(SDL_JoystickGetAxis(j, axis)) + 32768);
}

JoyReading ReadDevice(SDL_Joystick* j) {
    JoyReading r;
    r.x = AxisValue(j, 0, r.x);
    r.y = AxisValue(j, 1, r.y);
    int buttons = std::min(SDL_JoystickNumButtons(j), 32);
    for (int b = 0; b < buttons; ++b)
        if (SDL_JoystickGetButton(j, b)) r.buttons |= 1u << b;
    return r;
}

// ---- the input script ----

enum class ScriptAction { Down, Up, Close, Hash, Png };

struct ScriptEntry {
    ScriptAction action;
    int vk = 0;
    std::string path;  // of a PNG, host form
};

using ScriptTable = std::map<int64_t, std::vector<ScriptEntry>>;

std::mutex g_scriptMutex;
ScriptTable g_fileScript;
ScriptTable g_testScript;
bool g_scriptFileRead = false;
int64_t g_frame = 0;
std::atomic<WindowHandle> g_keyWindow{kNoWindow};
bool g_hashFileStarted = false;  // the hash list of this run is begun

// When the frames began, for the figures of a run.
uint32_t g_firstFrameMs = 0;
uint32_t g_lastFrameMs = 0;
double g_firstFrameReal = 0;  // seconds on the monotonic clock
double g_lastFrameReal = 0;

std::vector<std::string_view> Words(std::string_view s) {
    std::vector<std::string_view> words;
    const char* blanks = " \t\r\n\v\f";
    size_t pos = 0;
    while (true) {
        size_t b = s.find_first_not_of(blanks, pos);
        if (b == std::string_view::npos) break;
        size_t e = s.find_first_of(blanks, b);
        if (e == std::string_view::npos) e = s.size();
        words.push_back(s.substr(b, e - b));
        pos = e;
    }
    return words;
}

// The whole word as a number of the base, within [low, high].
std::optional<int64_t> WholeNumber(std::string_view word, int base, int64_t low, int64_t high) {
    if (word.empty()) return std::nullopt;
    int64_t value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    if (ec != std::errc() || end != word.data() + word.size() || value < low || value > high) return std::nullopt;
    return value;
}

std::optional<int> KeyCode(std::string_view word) {
    std::optional<int64_t> v;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X'))
        v = WholeNumber(word.substr(2), 16, 0, 255);
    else
        v = WholeNumber(word, 10, 0, 255);
    if (!v) return std::nullopt;
    return static_cast<int>(*v);
}

// One line: "<frame> down <vk>", "<frame> up <vk>", "<frame> close",
// "<frame> hash" or "<frame> png <file>" (the file name runs to the end of
// the line). True for a good line or one with nothing but a comment.
bool ParseScriptLine(std::string_view line, ScriptTable& table) {
    size_t hash = line.find('#');
    if (hash != std::string_view::npos) line = line.substr(0, hash);
    std::vector<std::string_view> w = Words(line);
    if (w.empty()) return true;
    if (w.size() < 2) return false;
    std::optional<int64_t> frame = WholeNumber(w[0], 10, 0, INT32_MAX);
    if (!frame) return false;
    if (w[1] == "close" || w[1] == "hash") {
        if (w.size() != 2) return false;
        table[*frame].push_back({w[1] == "close" ? ScriptAction::Close : ScriptAction::Hash, 0, {}});
        return true;
    }
    if (w[1] == "png") {
        if (w.size() < 3) return false;
        const size_t from = static_cast<size_t>(w[2].data() - line.data());
        const size_t to = static_cast<size_t>(w.back().data() + w.back().size() - line.data());
        table[*frame].push_back({ScriptAction::Png, 0, std::string(line.substr(from, to - from))});
        return true;
    }
    if ((w[1] != "down" && w[1] != "up") || w.size() != 3) return false;
    std::optional<int> vk = KeyCode(w[2]);
    if (!vk) return false;
    table[*frame].push_back({w[1] == "down" ? ScriptAction::Down : ScriptAction::Up, *vk, {}});
    return true;
}

// The whole script, from the disk or, under the test switch, from memory.
bool ReadScriptText(const char* name, std::string* text) {
    if (memfiles::On()) {
        if (FILE* f = memfiles::OpenForReading(name)) {
            char buf[4096];
            size_t n = 0;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text->append(buf, n);
            std::fclose(f);
            return true;
        }
    }
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// FNV-1a of 64 bits over the pixels row by row, each as its bytes A, R, G,
// B: the same value on every machine.
uint64_t FrameHash(const std::vector<uint32_t>& argb) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (uint32_t p : argb) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            h ^= (p >> shift) & 0xFF;
            h *= 0x100000001B3ull;
        }
    }
    return h;
}

// "<frame> <hash in 16 hex digits>" (or "none" before any frame) to the
// file named by ORV_FRAME_HASHES, begun afresh by each run, else to
// standard output.
void WriteFrameHash(int64_t frame) {
    std::vector<uint32_t> argb;
    char hex[32] = "none";
    if (LastPresentedFrame(&argb, nullptr, nullptr))
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(FrameHash(argb)));
    const std::string line = std::to_string(frame) + " " + hex + "\n";
    const char* name = std::getenv("ORV_FRAME_HASHES");
    if (!name || !*name) {
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
        return;
    }
    FILE* f = std::fopen(name, g_hashFileStarted ? "ab" : "wb");
    g_hashFileStarted = true;
    if (!f || std::fputs(line.c_str(), f) < 0) std::fprintf(stderr, "frame hashes %s: cannot be written\n", name);
    if (f) std::fclose(f);
}

// The caller holds the script lock. A bad line is skipped; the file's bad
// lines are named in one report, so a broken file cannot flood the log.
void ReadScriptFile() {
    g_scriptFileRead = true;
    g_fileScript.clear();
    const char* name = std::getenv("ORV_INPUT_SCRIPT");
    if (!name || !*name) return;
    std::string text;
    if (!ReadScriptText(name, &text)) {
        std::fprintf(stderr, "input script %s: cannot be read\n", name);
        return;
    }
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    std::vector<int> bad;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!ParseScriptLine(line, g_fileScript)) bad.push_back(lineNo);
    }
    if (bad.empty()) return;
    std::string list;
    const size_t shown = std::min<size_t>(bad.size(), 8);
    for (size_t i = 0; i < shown; ++i) list += (i ? ", " : "") + std::to_string(bad[i]);
    if (bad.size() > shown) list += " and " + std::to_string(bad.size() - shown) + " more";
    std::fprintf(stderr, "input script %s: bad lines skipped: %s\n", name, list.c_str());
}

void Apply(const ScriptEntry& e, int64_t frame) {
    WindowHandle window = g_keyWindow.load();
    switch (e.action) {
    case ScriptAction::Down:
        SetKeyDown(e.vk, true);
        if (window != kNoWindow) PostWindowMessage(window, kWmKeyDown, static_cast<uintptr_t>(e.vk), 0);
        break;
    case ScriptAction::Up: SetKeyDown(e.vk, false); break;
    case ScriptAction::Close:
        if (window != kNoWindow) PostWindowMessage(window, kWmClose, 0, 0);
        break;
    case ScriptAction::Hash: WriteFrameHash(frame); break;
    case ScriptAction::Png:
        if (!WriteLastFramePng(e.path.c_str()))
            std::fprintf(stderr, "input script: frame %lld: no picture written to %s\n", static_cast<long long>(frame),
                         e.path.c_str());
        break;
    }
}

void ApplyFrame(const ScriptTable& table, int64_t frame) {
    auto it = table.find(frame);
    if (it == table.end()) return;
    for (const ScriptEntry& e : it->second) Apply(e, frame);
}

// ---- SDL key translation ----

int VirtualKeyFromScancode(int32_t sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return kVkF1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return kVkNumpad0 + 1 + (sc - SDL_SCANCODE_KP_1);
    switch (sc) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_BACKSPACE: return kVkBack;
    case SDL_SCANCODE_TAB: return kVkTab;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER: return kVkReturn;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT: return kVkShift;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL: return kVkControl;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT: return kVkMenu;
    case SDL_SCANCODE_PAUSE: return 0x13;
    case SDL_SCANCODE_CAPSLOCK: return 0x14;
    case SDL_SCANCODE_INTERNATIONAL4: return 0x1C;  // convert
    case SDL_SCANCODE_INTERNATIONAL5: return 0x1D;  // no-convert
    case SDL_SCANCODE_ESCAPE: return kVkEscape;
    case SDL_SCANCODE_SPACE: return kVkSpace;
    case SDL_SCANCODE_PAGEUP: return 0x21;
    case SDL_SCANCODE_PAGEDOWN: return 0x22;
    case SDL_SCANCODE_END: return 0x23;
    case SDL_SCANCODE_HOME: return 0x24;
    case SDL_SCANCODE_LEFT: return kVkLeft;
    case SDL_SCANCODE_UP: return kVkUp;
    case SDL_SCANCODE_RIGHT: return kVkRight;
    case SDL_SCANCODE_DOWN: return kVkDown;
    case SDL_SCANCODE_INSERT: return 0x2D;
    case SDL_SCANCODE_DELETE: return 0x2E;
    case SDL_SCANCODE_KP_0: return kVkNumpad0;
    case SDL_SCANCODE_KP_MULTIPLY: return 0x6A;
    case SDL_SCANCODE_KP_PLUS: return 0x6B;
    case SDL_SCANCODE_KP_MINUS: return 0x6D;
    case SDL_SCANCODE_KP_PERIOD: return 0x6E;
    case SDL_SCANCODE_KP_DIVIDE: return 0x6F;
    case SDL_SCANCODE_NUMLOCKCLEAR: return 0x90;
    case SDL_SCANCODE_SCROLLLOCK: return 0x91;
    // Punctuation by its place on a US keyboard, as Windows numbers it.
    case SDL_SCANCODE_SEMICOLON: return 0xBA;
    case SDL_SCANCODE_EQUALS: return 0xBB;
    case SDL_SCANCODE_COMMA: return 0xBC;
    case SDL_SCANCODE_MINUS: return 0xBD;
    case SDL_SCANCODE_PERIOD: return 0xBE;
    case SDL_SCANCODE_SLASH: return 0xBF;
    case SDL_SCANCODE_GRAVE: return 0xC0;
    case SDL_SCANCODE_LEFTBRACKET: return 0xDB;
    case SDL_SCANCODE_BACKSLASH:
    case SDL_SCANCODE_INTERNATIONAL3: return 0xDC;  // the yen key sits where backslash is
    case SDL_SCANCODE_RIGHTBRACKET: return 0xDD;
    case SDL_SCANCODE_APOSTROPHE: return 0xDE;
    case SDL_SCANCODE_NONUSBACKSLASH:
    case SDL_SCANCODE_INTERNATIONAL1: return 0xE2;  // the extra key beside the left Shift or the Japanese backslash
    default: return 0;
    }
}

}  // namespace

// ---- keys ----

bool KeyDown(int vk) {
    if (vk < 0 || vk > 255) return false;
    return g_keys[static_cast<size_t>(vk)].load(std::memory_order_relaxed);
}

void SetKeyDown(int vk, bool down) {
    if (vk < 0 || vk > 255) return;
    g_keys[static_cast<size_t>(vk)].store(down, std::memory_order_relaxed);
}

void ClearKeys() {
    for (auto& k : g_keys) k.store(false, std::memory_order_relaxed);
}

int VirtualKeyFromSdl(int32_t sdlKeycode, int32_t sdlScancode) {
    if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z) return 'A' + (sdlKeycode - SDLK_a);
    if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9) return '0' + (sdlKeycode - SDLK_0);
    // A letter or digit key whose layout gives another character still has
    // the code of its place, as on Windows.
    return VirtualKeyFromScancode(sdlScancode);
}

// ---- joysticks ----

bool ReadJoystick(unsigned id, JoyReading* out) {
    std::lock_guard<std::mutex> lock(g_joyMutex);
    const JoyReading* found = nullptr;
    if (auto it = g_scripted.find(id); it != g_scripted.end())
        found = &it->second;
    else if (id < g_snapshot.size())
        found = &g_snapshot[id];
    if (!found) return false;
    if (out) *out = *found;
    return true;
}

bool InitJoysticks() {
    if (g_joyStarted) return true;
    if (Headless()) return false;
    // The game reads the stick even while another window has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
    g_joyStarted = true;
    for (int i = 0; i < SDL_NumJoysticks(); ++i) OpenDevice(i);
    RefreshJoysticks();
    return true;
}

void QuitJoysticks() {
    if (!g_joyStarted) return;
    for (SDL_Joystick* j : g_opened) SDL_JoystickClose(j);
    g_opened.clear();
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    g_joyStarted = false;
    std::lock_guard<std::mutex> lock(g_joyMutex);
    g_snapshot.clear();
}

void HandleSdlEvent(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const bool down = event.type == SDL_KEYDOWN;
        switch (event.key.keysym.scancode) {
        case SDL_SCANCODE_LSHIFT: SetSide(kVkLShift, kVkShift, kVkRShift, down); break;
        case SDL_SCANCODE_RSHIFT: SetSide(kVkRShift, kVkShift, kVkLShift, down); break;
        case SDL_SCANCODE_LCTRL: SetSide(kVkLControl, kVkControl, kVkRControl, down); break;
        case SDL_SCANCODE_RCTRL: SetSide(kVkRControl, kVkControl, kVkLControl, down); break;
        case SDL_SCANCODE_LALT: SetSide(kVkLMenu, kVkMenu, kVkRMenu, down); break;
        case SDL_SCANCODE_RALT: SetSide(kVkRMenu, kVkMenu, kVkLMenu, down); break;
        default: {
            int vk = VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode);
            if (vk) SetKeyDown(vk, down);
        }
        }
        break;
    }
    case SDL_JOYDEVICEADDED: OpenDevice(event.jdevice.which); break;
    case SDL_JOYDEVICEREMOVED: CloseDevice(event.jdevice.which); break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) ClearKeys();
        break;
    default: break;
    }
}

void RefreshJoysticks() {
    std::vector<JoyReading> readings;
    if (g_joyStarted) {
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i) {
            SDL_Joystick* j = OpenDevice(i);
            // A device that cannot be opened still holds its number, so the
            // ones after it keep theirs; it reads as centred.
            readings.push_back(j ? ReadDevice(j) : JoyReading{});
        }
    }
    std::lock_guard<std::mutex> lock(g_joyMutex);
    g_snapshot.swap(readings);
}

// ---- the input script ----

void SetKeyMessageWindow(WindowHandle window) { g_keyWindow.store(window); }

void BeginInputFrame() {
    std::lock_guard<std::mutex> lock(g_scriptMutex);
    if (!g_scriptFileRead) ReadScriptFile();
    g_lastFrameMs = TimeMs();
    g_lastFrameReal = RealSeconds();
    if (g_frame == 0) {
        g_firstFrameMs = g_lastFrameMs;
        g_firstFrameReal = g_lastFrameReal;
    }
    ApplyFrame(g_fileScript, g_frame);
    ApplyFrame(g_testScript, g_frame);
    ++g_frame;
}

FrameFigures FramesBegun() {
    std::lock_guard<std::mutex> lock(g_scriptMutex);
    FrameFigures f;
    f.frames = g_frame;
    if (g_frame == 0) return f;
    f.clockMs = g_lastFrameMs - g_firstFrameMs;
    f.realSeconds = g_lastFrameReal - g_firstFrameReal;
    return f;
}

namespace testing {

void SetJoystick(unsigned id, const JoyReading& reading) {
    std::lock_guard<std::mutex> lock(g_joyMutex);
    g_scripted[id] = reading;
}

void RemoveJoystick(unsigned id) {
    std::lock_guard<std::mutex> lock(g_joyMutex);
    g_scripted.erase(id);
}

void ClearJoysticks() {
    std::lock_guard<std::mutex> lock(g_joyMutex);
    g_scripted.clear();
}

void ScriptInput(int frame, int vk, bool down) {
    if (frame < 0 || vk < 0 || vk > 255) return;
    std::lock_guard<std::mutex> lock(g_scriptMutex);
    g_testScript[frame].push_back({down ? ScriptAction::Down : ScriptAction::Up, vk, {}});
}

void ClearInputScript() {
    std::lock_guard<std::mutex> lock(g_scriptMutex);
    g_fileScript.clear();
    g_testScript.clear();
    g_scriptFileRead = false;
    g_frame = 0;
    g_hashFileStarted = false;
}

}  // namespace testing
}  // namespace plat
