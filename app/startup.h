// The program's entry and exit: the single instance, the main window, the
// start-up sequence, the game thread and the window's loop, and the release
// sequence.
#pragma once
#include <string>

// What start-up reads of the screen settings, and what it makes of them.
struct ScreenModeIn {
    int direct3D = 1;      // 0 or 1
    int windowMode = 1;    // "WindowMode"
    int bpp = 0;           // "Bpp"; 0 = choose
    int vsync = 0;         // "VSync"
    int colourMode = 0;    // 0 palette, 1 true colour
    int d3dDepth = 0;      // the project's full-screen depth choice for Direct3D
    int ddDepth = 0;       // ... and for DirectDraw
    int desktopBpp = 32;
    bool windowsAtLeast6 = true;
};
struct ScreenModeOut {
    int depth = 0;
    int vsync = 0;
    int error = 0;         // 0 fine; 1 window and desktop depths differ; 2 not a usable mode
    bool resizable = false;
};
ScreenModeOut ResolveScreenMode(const ScreenModeIn& in);
extern const char* const kScreenModeWindowText;
extern const char* const kScreenModeText;

// The command line: "--test-play [stage]" is the editor's test play;
// "--headless" runs without a window, in any place.
struct CommandLine {
    bool editorLaunch = false;
    std::string stage;  // Shift-JIS
    bool headless = false;
};
CommandLine ParseCommandLine(int argc, char** argv);

// The whole run; the exit status.
int PlayerMain(int argc, char** argv);

bool GameInit(const CommandLine& commandLine);
void GameRelease();
unsigned GameLoop(void*);
