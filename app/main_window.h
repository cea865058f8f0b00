// The main window: its procedure runs on the window's thread and is the only
// place where dialogs, sound and music requests, replay files, device
// restoration and the shutdown of the threads happen. The game thread asks
// for these with sent request messages and waits for them.
#pragma once
#include <cstdint>

#include "app/requests.h"
#include "core/program_object.h"
#include "core/record.h"
#include "platform/messages.h"

// Placement of the window: outer top-left, client size, maximized.
class cWindowPos : public cRecord {
public:
    cWindowPos();
    void RegisterFields(int version) override;
    // Reads the file; x and y are then kept on the desktop (KeepOnDesktop).
    // 0 when it is missing, too new or broken (nothing changes then).
    int Load(const char* path);
    void Set(int x, int y, int width, int height, int maximized);

    int32_t m_nX = 0, m_nY = 0;
    int32_t m_nWidth = 0, m_nHeight = 0;
    int32_t m_bMaximized = 0;
};
PROGRAM_OBJECT_DECLARE(g_WindowPos, cWindowPos);

// How much of a restored window stays on the desktop at least: the title
// bar's height (the desktop cannot tell it before the window is shown, so
// the tallest usual one) and this much of its width.
constexpr int kTitleBarHeight = 40;
constexpr int kKeptOnDesktopWidth = 64;
// The saved outer top-left x, y on a desktop whose work area ends at
// workRight, workBottom: kept where the title bar and kKeptOnDesktopWidth
// pixels stay on it, else pulled back just so far; never above or left of
// the desktop.
void KeepOnDesktop(int x, int y, int workRight, int workBottom, int* outX, int* outY);

class cMainWindow {
public:
    // Makes the window's message queue; its procedure is MainWndProc.
    bool Create();
    void Destroy();
    intptr_t WndProc(plat::WindowHandle hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam);

    plat::WindowHandle m_hWnd = plat::kNoWindow;
    int m_bCreated = 0;
    // Outer top-left and client size as the program placed the window.
    int m_nX = 100, m_nY = 100;
    int m_nClientWidth = 640, m_nClientHeight = 480;
    int m_bResizable = 0;

private:
    void OnClose();
    void OnZoom(int n);
    void UpdateClientRect();
};
PROGRAM_OBJECT_DECLARE(g_MainWnd, cMainWindow);

intptr_t MainWndProc(plat::WindowHandle hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam);

extern int g_bZoomMenuAdded;

// System-menu zoom items (ids 1..5) that fit the work area: bit N set for
// N x 640 by N x 480.
unsigned ZoomItemsThatFit(int workRight, int workBottom);
// Where the window goes for zoom n: its outer top-left, given the current
// outer x and y, the current client width and the work area.
void ZoomPlacement(int n, int outerX, int outerY, int clientWidth, int workRight, int workBottom, int* x, int* y);

// Notifications to the editor that started the program: there is no editor
// window here, so they go nowhere.
void NotifyEditorStarted();
void NotifyEditor(int value);

// Hold and release the worker threads around modal dialogs.
void SuspendAllThreads();
void ResumeAllThreads();

// The quit question; 1 for yes.
int ConfirmQuit(int english);

// Translates and dispatches one message taken from the queue; the window's
// loop and nested pumps call it.
void DispatchMainWindowMessage(const plat::Message& message);
// The window has gone and its loop should end.
bool MainWindowQuitPosted();
