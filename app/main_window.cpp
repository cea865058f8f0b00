#include "app/main_window.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "audio/bgm_player.h"
#include "frontend/play_data.h"
#include "audio/sound_slots.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "core/thread.h"
#include "frontend/scene_mgr.h"
#include "gfx/dd.h"
#include "platform/dialogs.h"
#include "platform/presenter.h"
#include "platform/shell.h"
#include "project/database.h"
#include "project/path_table.h"
#include "project/system_data.h"
#include "project/system_ini.h"

PROGRAM_OBJECT_DEFINE(g_MainWnd, cMainWindow);
PROGRAM_OBJECT_DEFINE(g_WindowPos, cWindowPos);
int g_bZoomMenuAdded = 0;

namespace {

unsigned g_zoomItems = 0;  // the zoom items offered, bit N for item N

// The quit message of the window's loop; the loop ends once it is set.
bool g_bQuitPosted = false;

}  // namespace

bool MainWindowQuitPosted() { return g_bQuitPosted; }

namespace {

// Music slots 0-3 play the scene's music of the project, slot 4 the
// stage's Bgm record `number`; each request starts its music over.
void ServeBgmRequest(uintptr_t slot, intptr_t number) {
    if (slot <= 3) {
        const int s = static_cast<int>(slot);
        const int n = g_SystemData.m_vSceneBgm.At(s);
        if (n == 0) {
            g_BgmPlayer.Stop();
            return;
        }
        const cBgmData& bgm = g_Database.m_vBgm.At(n);
        g_BgmPlayer.SetTrack(s, bgm.m_strFile.c_str(), bgm.m_nVolume);
        g_BgmPlayer.Play(0, s, g_SystemData.m_vSceneBgmLoop.At(s), 0, 1);
    } else if (slot == 4) {
        const int n = number >= 0 && number <= INT32_MAX ? static_cast<int>(number) : -1;
        g_PlayData.m_nStageBgm = n;
        const cBgmData& bgm = g_Database.m_vBgm.At(n);
        g_BgmPlayer.SetTrack(4, bgm.m_strFile.c_str(), bgm.m_nVolume);
        if (n == 0)
            g_BgmPlayer.Stop();
        else
            g_BgmPlayer.Play(0, 4, g_PlayData.m_bStageBgmLoop, 0, 1);
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Placement

cWindowPos::cWindowPos() = default;

void cWindowPos::RegisterFields(int) {
    ClearFields();
    AddInt(&m_nX);
    AddInt(&m_nY);
    AddInt(&m_nWidth);
    AddInt(&m_nHeight);
    AddInt(&m_bMaximized);
}

int cWindowPos::Load(const char* path) {
    cWindowPos read;
    if (!read.LoadFile(path)) return 0;
    Set(read.m_nX, read.m_nY, read.m_nWidth, read.m_nHeight, read.m_bMaximized);
    const plat::WorkArea area = plat::DesktopWorkArea();
    KeepOnDesktop(m_nX, m_nY, area.right, area.bottom, &m_nX, &m_nY);
    return 1;
}

void KeepOnDesktop(int x, int y, int workRight, int workBottom, int* outX, int* outY) {
    // A placement saved on a larger desktop must still leave something to
    // grab: the title bar's height and a strip of the window's width.
    *outX = std::clamp(x, 0, std::max(0, workRight - kKeptOnDesktopWidth));
    *outY = std::clamp(y, 0, std::max(0, workBottom - kTitleBarHeight));
}

void cWindowPos::Set(int x, int y, int width, int height, int maximized) {
    m_nX = x;
    m_nY = y;
    m_nWidth = width;
    m_nHeight = height;
    m_bMaximized = maximized;
}

// ---------------------------------------------------------------------------
// Zoom

unsigned ZoomItemsThatFit(int workRight, int workBottom) {
    unsigned items = 0;
    for (int n = 1; n <= 5; ++n)
        if (workRight >= n * 640 && workBottom >= n * 480) items |= 1u << n;
    return items;
}

void ZoomPlacement(int n, int outerX, int outerY, int clientWidth, int workRight, int workBottom, int* x, int* y) {
    const int width = n * 640, height = n * 480;
    int nx = outerX + (clientWidth - width) / 2;
    int ny = outerY;
    if (nx < 0)
        nx = 0;
    else if (nx + width >= workRight)
        nx = workRight - width;
    if (ny < 0)
        ny = 0;
    else if (ny + height >= workBottom)
        ny = workBottom - height;
    *x = nx;
    *y = ny;
}

// ---------------------------------------------------------------------------
// The window

bool cMainWindow::Create() {
    m_hWnd = plat::CreateMessageWindow();
    if (m_hWnd == plat::kNoWindow) return false;
    plat::SetWindowProc(m_hWnd, MainWndProc);
    MainWndProc(m_hWnd, plat::kWmCreate, 0, 0);
    return true;
}

void cMainWindow::Destroy() {
    if (m_hWnd == plat::kNoWindow) return;
    const plat::WindowHandle hwnd = m_hWnd;
    MainWndProc(hwnd, plat::kWmDestroy, 0, 0);
    plat::CloseFrameWindow();
    plat::DestroyMessageWindow(hwnd);
}

intptr_t MainWndProc(plat::WindowHandle hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return g_MainWnd.WndProc(hwnd, message, wParam, lParam);
}

void DispatchMainWindowMessage(const plat::Message& m) { MainWndProc(g_MainWnd.m_hWnd, m.id, m.wParam, m.lParam); }

intptr_t cMainWindow::WndProc(plat::WindowHandle hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    m_hWnd = hwnd;
    if (!g_bZoomMenuAdded && lpDTCon && g_bWindowed == 1) {
        g_bZoomMenuAdded = 1;
        const plat::WorkArea area = plat::DesktopWorkArea();
        g_zoomItems = ZoomItemsThatFit(area.right, area.bottom);
    }
    switch (message) {
    case plat::kWmCreate: m_bCreated = 1; return 0;
    case plat::kWmDestroy:
        WriteDebugLog("WM_DESTROY");
        m_hWnd = plat::kNoWindow;
        g_hMainWnd = plat::kNoWindow;
        if (g_bEditorLaunch) NotifyEditor(1);
        g_bQuitPosted = true;
        return 0;
    case plat::kWmMove: UpdateClientRect(); return 0;
    case plat::kWmSize:
        m_nClientWidth = static_cast<int>(lParam & 0xFFFF);
        m_nClientHeight = static_cast<int>((lParam >> 16) & 0xFFFF);
        UpdateClientRect();
        return 0;
    case plat::kWmPaint:
        if (lpDDCon && g_lpDD && g_bRunning && g_PrimarySD.lpDDS && g_BackBufferSD.lpDDS)
            g_lpDD->PresentWindow(g_BackBufferSD.lpDDS->lpSurface);
        return 0;
    case plat::kWmClose: OnClose(); return 0;
    case plat::kWmActivateApp:
        if (!g_bActive && wParam && lpDTCon && !g_bWindowMode)
            plat::SendWindowMessage(g_hMainWnd, WM_REQ_RESTORE, 0, 0);
        g_bActive = wParam != 0 ? 1 : 0;
        return 0;
    case plat::kWmKeyDown:
        if (wParam == static_cast<uintptr_t>(plat::kVkEscape)) plat::PostWindowMessage(hwnd, plat::kWmClose);
        return 0;
    case plat::kWmSysCommand: {
        const int n = static_cast<int>(wParam & 0xFFFF);
        if (n >= 1 && n <= 5 && (g_zoomItems & (1u << n))) OnZoom(n);
        return 0;
    }
    // The dialogs of these requests come with the dialog framework; until
    // then a request ends at once as cancelled, so no sender waits forever.
    case WM_REQ_NAME: g_bNameEntryDone = 1; return 0;
    case WM_REQ_OPENSTAGE:
    case WM_REQ_LOADREPLAY:
    case WM_REQ_SAVEREPLAY:
        g_bFileRequestResult = 0;
        g_bFileRequestDone = 1;
        return 0;
    case WM_REQ_SE:
        // A slot past the list is reported and slot 0 plays instead.
        DS_PlaySound(&g_SoundSlots.At(wParam <= INT_MAX ? static_cast<int>(wParam) : -1), 0);
        return 0;
    case WM_REQ_BGM: ServeBgmRequest(wParam, lParam); return 0;
    case WM_REQ_RESTORE: DDRestoreSurface(); return 0;
    default: return 0;
    }
}

void cMainWindow::UpdateClientRect() {
    int x = m_nX, y = m_nY;
    plat::FrameWindowPosition(&x, &y);
    g_rcWindow = plat::PixelRect{x, y, x + m_nClientWidth, y + m_nClientHeight};
}

void cMainWindow::OnZoom(int n) {
    int outerX = m_nX, outerY = m_nY;
    plat::FrameWindowPosition(&outerX, &outerY);
    const plat::WorkArea area = plat::DesktopWorkArea();
    int x = 0, y = 0;
    ZoomPlacement(n, outerX, outerY, m_nClientWidth, area.right, area.bottom, &x, &y);
    m_nX = x;
    m_nY = y;
    m_nClientWidth = n * 640;
    m_nClientHeight = n * 480;
    plat::MoveFrameWindow(x, y);
    plat::SetFrameWindowClientSize(m_nClientWidth, m_nClientHeight);
    UpdateClientRect();
}

void cMainWindow::OnClose() {
    // A game thread that has ended cannot be asked to go on, so a program
    // whose frame failed closes without the question.
    const bool gameRuns = thGame.Running() && !thGame.Ended();
    if (gameRuns && !g_bStartStageFile && !g_bEditorLaunch && g_bWindowed == 1 && g_SceneMgr.m_nScene != kSceneTitle) {
        SuspendAllThreads();
        const int yes = ConfirmQuit(g_SystemIni.English);
        ResumeAllThreads();
        if (!yes) return;
    }
    if (g_SystemIni.WindowMode != 0 && g_bRunning && !plat::FrameWindowMinimized()) {
        int x = m_nX, y = m_nY;
        plat::FrameWindowPosition(&x, &y);
        g_WindowPos.Set(x, y, m_nClientWidth, m_nClientHeight, plat::FrameWindowMaximized() ? 1 : 0);
        g_WindowPos.SaveFile(g_PathTable[kPathWindow]);
    }
    if (thPause.Running() && !thPause.Ended()) {
        WriteDebugLog("WM_CLOSE thPause.m_hThread");
        RequestStageQuit();
        plat::PostThreadMessage(thPause.ThreadId(), plat::kWmQuit);
        return;
    }
    WriteDebugLog("WM_CLOSE 成功！");
    g_BgmPlayer.Stop();
    thLoad.Exit();
    thPause.Exit();
    thRanking.Exit();
    WriteDebugLog("thPause.Exit()");
    thGame.Exit();
    WriteDebugLog("thGame.Exit()");
    Destroy();
}

// ---------------------------------------------------------------------------
// Senders and the rest

void NotifyEditorStarted() {}
void NotifyEditor(int) {}

void SuspendAllThreads() {
    thGame.Suspend();
    thPause.Suspend();
    thRanking.Suspend();
    thLoad.Suspend();
}

void ResumeAllThreads() {
    thGame.Resume();
    thPause.Resume();
    thRanking.Resume();
    thLoad.Resume();
}

int ConfirmQuit(int english) {
    const int answer = english ? plat::ShowMessageBox("Would you like to quit?\n", "End confirmation", plat::kMbYesNo)
                               : plat::ShowMessageBox("終了しますか？\n", "終了確認", plat::kMbYesNo);
    return answer == plat::kIdYes ? 1 : 0;
}
