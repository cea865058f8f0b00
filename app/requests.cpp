#include "app/requests.h"

std::atomic<int> g_bNameEntryDone{0};
std::atomic<int> g_bFileRequestDone{0};
std::atomic<int> g_bFileRequestResult{0};

std::atomic<int> g_bActive{0};
int g_bRunning = 0;
int g_bWindowed = 0;
int g_bNoFlip = 0;
int g_bStartStageFile = 0;
int g_bStartStageToTitle = 0;

void PlaySystemSe(int n) { plat::SendWindowMessage(g_hMainWnd, WM_REQ_SE, static_cast<uintptr_t>(n), 0); }

void PlayDataSe(int16_t n) {
    if (n == 0) return;
    plat::SendWindowMessage(g_hMainWnd, WM_REQ_SE, static_cast<uintptr_t>(n + 16), 0);
}

void SendBgmRequest(int number, int /*loop*/) { plat::SendWindowMessage(g_hMainWnd, WM_REQ_BGM, 4, number); }

void SendSceneBgmRequest(int index) {
    plat::SendWindowMessage(g_hMainWnd, WM_REQ_BGM, static_cast<uintptr_t>(index), 0);
}

void SendRestoreRequest() { plat::SendWindowMessage(g_hMainWnd, WM_REQ_RESTORE, 0, 0); }
