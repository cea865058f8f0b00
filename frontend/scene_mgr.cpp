#include "frontend/scene_mgr.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "app/input_state.h"
#include "app/requests.h"
#include "core/message_box.h"
#include "core/report_log.h"
#include "core/timing.h"
#include "gfx/dd_blend.h"
#include "gfx/dd_fade.h"
#include "gfx/font.h"
#include "gfx/system_bitmaps.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "project/system_data.h"
#include "project/system_ini.h"
#include "stage/game_scene.h"

PROGRAM_OBJECT_DEFINE(g_SceneMgr, cSceneMgr);
cGameScene* g_pGameScene = nullptr;
FpsRing g_FpsRing;
FlashColor g_FlashColors[kFlashColorCount];

namespace {

SceneMaker g_makers[kSceneTypeCount] = {};

// Storage slot of each scene type: the stage keeps the last slot.
constexpr int kSlotOfType[kSceneTypeCount] = {0, 1, 2, 3, 5, 4};
// The order in which scenes are deleted on a change.
constexpr int kDeleteOrder[kSceneTypeCount] = {0, 2, 1, 3, 4, 5};

// Text thrown while a scene is made or entered closes the program through
// the main window; the frame itself goes on.
template <typename F>
void CatchSceneText(F&& f) {
    try {
        f();
    } catch (const char* text) {
        WriteDebugLogAndClose(g_hMainWnd, "%s", text ? text : "");
    } catch (const std::string& text) {
        WriteDebugLogAndClose(g_hMainWnd, "%s", text.c_str());
    }
}

}  // namespace

void RegisterSceneMaker(int type, SceneMaker maker) {
    if (type >= 0 && type < kSceneTypeCount) g_makers[type] = maker;
}

// ---------------------------------------------------------------------------
// Scenes

void cScene::Frame() {
    cInputState& input = g_InputStates.At(0);
    input.ApplyDirRepeat();
    input.ApplyButtonEdge(3);
    if (m_nState == -1) {
        CatchSceneText([this] { Enter(); });
        m_nState = 0;
    }
    if (m_nState >= 0 && static_cast<size_t>(m_nState) < m_apState.size() && m_apState[m_nState])
        m_apState[m_nState]();
}

// ---------------------------------------------------------------------------
// Manager

cSceneMgr::~cSceneMgr() { DeleteScenes(); }

void cSceneMgr::DeleteScenes() {
    for (int slot = 0; slot < kSceneTypeCount; ++slot) m_apScene[slot].reset();
    g_pGameScene = nullptr;
}

cScene* cSceneMgr::Scene(int type) const {
    if (type < 0 || type >= kSceneTypeCount) return nullptr;
    return m_apScene[kSlotOfType[type]].get();
}

void cSceneMgr::ChangeScene(int type) {
    for (int t : kDeleteOrder) {
        if (t == type) continue;
        std::unique_ptr<cScene>& slot = m_apScene[kSlotOfType[t]];
        if (!slot) continue;
        slot.reset();
        if (t == kSceneStage) g_pGameScene = nullptr;
    }
    if (type < 0 || type >= kSceneTypeCount) return;
    std::unique_ptr<cScene>& slot = m_apScene[kSlotOfType[type]];
    if (slot || !g_makers[type]) return;
    try {
        slot = g_makers[type]();
    } catch (const std::bad_alloc&) {
        OutOfMemoryExit();
    }
    if (type == kSceneStage) g_pGameScene = dynamic_cast<cGameScene*>(slot.get());
}

int cSceneMgr::Frame() {
    WaitNextFrame();
    StartTimer();
    if (lpDDCon && !CheckSurfaces()) return 0;
    PollInput(g_InputStates);
    CatchSceneText([this] { ChangeScene(m_nScene); });
    if (cScene* scene = Scene(m_nScene)) scene->Frame();

    const uint32_t fps = CountFps(true);
    const uint32_t workMs = MeasureTime(true);
    (void)fps;  // the stage scene keeps the figure once it exists
    if (g_SystemIni.ShowFps != 0) {
        g_FpsRing.sample[g_FpsRing.index] = workMs;
        if (++g_FpsRing.index >= 16) {
            g_FpsRing.index = 0;
            uint32_t sum = 0;
            for (uint32_t s : g_FpsRing.sample) sum += s;
            g_FpsRing.average = sum >> 4;
        }
        if (g_SystemIni.ShowFps == 2)
            Font10.Printf(&g_BackBufferSD, 549, 469, "FPS%2d(%2d)", static_cast<int>(fps),
                          static_cast<int>(g_FpsRing.average));
        else
            Font16.WindowPrintf(&g_BackBufferSD, 495, 463, 0, 0, "FPS%2d(%2d)", static_cast<int>(fps),
                                static_cast<int>(g_FpsRing.average));
    }
    Present();
    return 1;
}

void cSceneMgr::RequestBgm(int id, int loop, int index) {
    const int loopByte = loop & 0xFF;
    if (id != 0 && loopByte != 0 && id == m_nBgmId && m_bBgmLoop != 0) return;
    m_nBgmId = id;
    m_bBgmLoop = loopByte;
    SendSceneBgmRequest(index);
}

void cSceneMgr::PollInput(cVector<cInputState>& inputs) {
    plat::BeginInputFrame();
    cInputState& input = inputs.At(0);
    if (g_KeyConfig.m_nUseMapping)
        input.PollKeyConfig(1, 60);
    else
        input.Poll(0, 3, 60);
}

void cSceneMgr::Present() {
    // A stage faster than the display cannot wait for its blanks.
    const bool fastStage = g_pGameScene && m_nFrameRate > 60;
    if (lpDTCon) {
        if (!DDPresent(m_nFrameRate, 0, nullptr) && lpDTCon && g_bWindowMode)
            SendRestoreRequest();
        return;
    }
    if (!lpDDCon || !g_lpDD || !g_BackBufferSD.lpDDS) return;
    plat::BlitSurface* back = g_BackBufferSD.lpDDS->lpSurface;
    if (g_bWindowMode) {
        if (!fastStage) g_lpDD->WaitForVerticalBlank();
        g_lpDD->PresentWindow(back);
    } else if (g_bNoFlip || fastStage) {
        DDBlt(&g_PrimarySD, 0, 0, 640, 480, &g_BackBufferSD, 0, 0, DDBLT_OPAQUE);
        g_lpDD->PresentWindow(g_PrimarySD.lpDDS->lpSurface);
    } else {
        g_lpDD->Flip();
    }
}

int cSceneMgr::CheckSurfaces() {
    if (!lpDDCon) return 1;
    if (!g_PrimarySD.lpDDS || !g_PrimarySD.lpDDS->lpSurface || !g_PrimarySD.lpDDS->lpSurface->IsLost()) return 1;
    if (!DDRestore()) return 0;
    if (!RestoreSurface(g_PictureSD)) return 0;
    if (!RestoreSurface(Off_Msg)) {
        if (!Off_Msg.empty()) WriteDebugLog("if ( !RestoreSurface(Off_Msg) ) Off_Msg[0].bLost = %d", Off_Msg.front().bLost);
        return 0;
    }
    return RestoreNumberSurfaces(g_FontNumberSD, 3) ? 1 : 0;
}

bool cSceneMgr::RestoreSurface(DDSURFACEDATA* surface) {
    if (!surface->lpDDS || !surface->lpDDS->lpSurface || !surface->lpDDS->lpSurface->IsLost()) return true;
    surface->lpDDS->lpSurface->Restore();
    if (surface->bSystemMemory) return true;
    surface->bLost = 1;
    return DDReloadBitmap(surface, g_nBpp);
}

bool cSceneMgr::RestoreSurface(cVector<DDSURFACEDATA>& surfaces) {
    for (size_t i = 0; i < surfaces.size(); ++i)
        if (!RestoreSurface(&surfaces[i])) return false;
    return true;
}

bool cSceneMgr::RestoreSurface(cList<DDSURFACEDATA>& surfaces) {
    for (DDSURFACEDATA& s : surfaces)
        if (!RestoreSurface(&s)) return false;
    return true;
}

bool cSceneMgr::RestoreNumberSurfaces(DDSURFACEDATA* surfaces, int count) {
    for (int i = 0; i < count; ++i) {
        DDSURFACEDATA& s = surfaces[i];
        if (!s.lpDDS || !s.lpDDS->lpSurface || !s.lpDDS->lpSurface->IsLost()) continue;
        s.lpDDS->lpSurface->Restore();
        if (!s.bSystemMemory) DrawNumberSurface(&s, &g_Font[i]);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Services every scene uses

void WaitNextFrame() {
    if (lpDTCon || !lpDDCon) return;
    while (!RateLimit(static_cast<uint32_t>(g_SceneMgr.m_nFrameRate))) plat::SleepMs(1);
}

int LoadHbtPalette(int n) {
    if (!lpDDCon || g_nBpp != 8) return 1;
    char name[64];
    std::snprintf(name, sizeof name, "bmp\\hbt\\hbt%02d.dat", n);
    if (!DDLoadBlendTable(g_BlendTable, name)) {
        ErrorPrintf("%s の読み込みに失敗！", name);
        return 0;
    }
    if (!DDLoadPaletteFromFile(g_BasePalette, g_SysBmpDef[kSysBmpPalette].szFile, 0)) {
        WriteDebugLog("DDLoadPaletteFromFile失敗 (%s)", g_SysBmpDef[kSysBmpPalette].szFile);
        return 0;
    }
    if (n < 12) {
        DDRotatePalette(g_BasePalette, 16, 207, n * 16, 1, g_BasePalette);
    } else {
        // Scheme n paints every group with group n - 11 of the loaded file.
        const int source = n - 11;
        if (source <= 15) {
            PALETTEENTRY group[16];
            std::copy(g_BasePalette + source * 16, g_BasePalette + source * 16 + 16, group);
            for (int first = 16; first < 208; first += 16) std::copy(group, group + 16, g_BasePalette + first);
        }
    }
    std::copy(g_BasePalette, g_BasePalette + 256, g_Palette);
    if (g_lpDD) g_lpDD->SetPaletteEntries(0, 255, g_Palette);
    return 1;
}

int PingPongStep(int& value, int& down, int step, int min, int max) {
    if (!down) {
        value += step;
        if (value >= max) {
            value -= step;
            down = 1;
        }
        return 0;
    }
    value -= step;
    if (value <= min) {
        value += step;
        down = 0;
        return 1;
    }
    return 0;
}

namespace {

struct CycleState {
    int value[10] = {};
    int down[10] = {};
    int mode = 0;
    int calls = 0;
};
CycleState g_cycle;

uint32_t Argb(int r, int g, int b) {
    return 0xFF000000u | (static_cast<uint32_t>(r & 0xFF) << 16) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           static_cast<uint32_t>(b & 0xFF);
}

}  // namespace

void AnimatePalette() {
    if (lpDTCon) {
        const int step = g_SystemData.Get(kSysColourCycleStep);
        int c[10];
        for (int i = 1; i <= 9; ++i) c[i] = g_cycle.value[i];
        constexpr int kAdd = 7, kSubtract = 10;
        g_FlashColors[1] = {Argb(c[1], c[1], c[1]), kAdd};
        g_FlashColors[2] = {Argb(c[2], c[2], c[2]), kSubtract};
        g_FlashColors[3] = {Argb(c[3], 0, 0), kAdd};
        g_FlashColors[4] = {Argb(0, c[4], 0), kAdd};
        g_FlashColors[5] = {Argb(0, 0, c[5]), kAdd};
        g_FlashColors[6] = {Argb(c[6], c[6], 0), kAdd};
        g_FlashColors[7] = {Argb(c[7], 0, c[7] >> 2), kAdd};
        g_FlashColors[8] = {Argb(c[8] >> 2, 0, c[8]), kAdd};
        switch (g_cycle.mode) {
        case 0: g_FlashColors[9] = {Argb(c[9], 0, 0), kAdd}; break;
        case 1: g_FlashColors[9] = {Argb(0, c[9], 0), kAdd}; break;
        case 2: g_FlashColors[9] = {Argb(0, 0, c[9]), kAdd}; break;
        default: g_FlashColors[9] = {Argb(c[9], c[9], 0), kAdd}; break;
        }
        for (int i = 1; i <= 8; ++i) PingPongStep(g_cycle.value[i], g_cycle.down[i], step, 0, 255);
        if (PingPongStep(g_cycle.value[9], g_cycle.down[9], step, 0, 255) && ++g_cycle.mode >= 4) g_cycle.mode = 0;
        return;
    }
    if (!PaletteCycles()) return;
    if (++g_cycle.calls < 6) return;
    g_cycle.calls = 0;
    for (int first = 208; first < 240; first += 4) DDRotatePalette(g_Palette, first, first + 3, 1, 1, g_Palette);
    if (g_lpDD) g_lpDD->SetPaletteEntries(208, 32, g_Palette + 208);
}

void ShowLoadingScreen() {
    DDSURFACEDATA& loading = g_SysBmp[kSysBmpLoading];
    if (!loading.lpDT && !loading.lpDDS) return;
    DDBlt(&g_BackBufferSD, 0, 0, 640, 480, &loading, 0, 0, DDBLT_KEYED);
    g_SceneMgr.Present();
}

bool PaletteCycles() { return lpDDCon && g_nBpp == 8 && g_SystemData.Get(kSysColourCycling); }
