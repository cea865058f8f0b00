// "System.ini": the hand-edited settings of drawing, window, fonts, frame
// rate display, captions, MIDI device and a stage to play at once. The key
// names and their defaults come from the project (its key list); the player
// only reads the file.
#pragma once
#include <cstdint>

#include "core/program_object.h"
#include "project/system_data.h"

constexpr int kFreeStageSize = 260;

// Each setting is bound to a key by the key's position in the project's
// list: items 0..7 give the first eight, item 8 FreeStage, items 9 and 10
// English and Midi_DirectMusic.
struct cSystemIni {
    int32_t Direct3D;         // 0 DirectDraw path, 1 Direct3D path, 2+: asked at start
    int32_t WindowMode;       // 0 full screen; 2 also a resizable window
    int32_t Bpp;              // 8, 16 or 32; 0 the desktop's
    int32_t VSync;
    int32_t D3D_FontCache;
    int32_t DD_FontCache;
    int32_t DD_VideoStretch;
    int32_t ShowFps;          // 0 off, 2 small, others large
    int32_t English;          // non-zero: built-in captions in English
    int32_t Midi_DirectMusic; // MIDI output device choice
    char FreeStage[kFreeStageSize];  // stage file played instead of the title; "" none
};

// Item positions in the key list.
enum IniKeyPosition : int {
    kIniDirect3D = 0,
    kIniWindowMode = 1,
    kIniBpp = 2,
    kIniVSync = 3,
    kIniD3DFontCache = 4,
    kIniDDFontCache = 5,
    kIniDDVideoStretch = 6,
    kIniShowFps = 7,
    kIniFreeStage = 8,
    kIniEnglish = 9,
    kIniMidiDirectMusic = 10,
};

// Every setting to its key item's default.
void SetSystemIniDefault(cSystemIni& settings, const IniKeyList& keys);

// Reads "key=value" lines into the settings. 1 when the file came to its
// proper end (a line "Exit", or a NUL byte), 0 when it is missing or ends
// before; what was read before the end stays, so callers restore defaults.
int LoadSystemIni(const char* path, cSystemIni& settings, const IniKeyList& keys);

// The start-up step: defaults, then "System.ini"; a file that cannot be
// read is reported (log and error box) and every default restored.
void SetupSystemIni(cSystemIni& settings, const IniKeyList& keys);

extern const char* const kSystemIniPath;
extern const char* const kSystemIniFailedText;

PROGRAM_OBJECT_DECLARE(g_SystemIni, cSystemIni);
