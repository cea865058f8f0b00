// The end of a frame, the virtual back buffer, the two surface
// substitutions of every Direct3D call, and the recovery of lost surfaces.
#include <cstring>
#include <vector>

#include "core/report_log.h"
#include "core/timing.h"
#include "gfx/dd.h"
#include "platform/clock.h"
#include "platform/presenter.h"

namespace {

constexpr int kVSyncRate = 60;

bool IsBlankName(const char* fileName) { return fileName[0] == '\0' || std::strcmp(fileName, "E") == 0; }

bool SurfaceLost(DDSURFACEDATA& sd) { return sd.lpDDS && sd.lpDDS->lpSurface && sd.lpDDS->lpSurface->IsLost(); }

}  // namespace

FontRestoreHooks& DDFontRestoreHooks() {
    static FontRestoreHooks hooks;
    return hooks;
}

bool IsFullscreenBackBuffer(const DDSURFACEDATA* surface) { return surface == &g_BackBufferSD && g_bWindowMode == 0; }

void DDSetVirBackBuffer(int on) {
    if (!lpDTCon) return;
    if (!on && lpDTCon->bVirBackBuffer && g_VirBackBufferSD.lpDT && g_VirBackBufferSD.lpDT->lpSurface) {
        DDCopySurface(&g_BackBufferSD, &g_VirBackBufferSD);
    }
    lpDTCon->bVirBackBuffer = on;
    DDSURFACEDATA* target = on ? &g_BackBufferSD : &g_VirBackBufferSD;
    lpDTCon->lpCurrentRenderTarget = target;
    if (target->lpDT && target->lpDT->lpSurface) DDSetRenderTarget(0, target);
}

int DDRedirectBackBuffer(DDSURFACEDATA*& surface) {
    if (lpDTCon && lpDTCon->bVirBackBuffer && surface == &g_BackBufferSD) {
        surface = &g_VirBackBufferSD;
        return 1;
    }
    return 0;
}

void DDResolveMirror(DDSURFACEDATA*& surface) {
    if (lpDTCon && surface && surface->lpMirrorSrc) surface = surface->lpMirrorSrc;
}

void DDCopySurface(DDSURFACEDATA* destination, DDSURFACEDATA* source) {
    if (!lpDTCon || !destination || !source) return;
    lpDTCon->bCopying = 1;
    // Texture alpha ignored: the copy is opaque.
    DDSetAlphaOp(plat::kTopDisable);
    DDBlt(destination, 0, 0, source->nWidth, source->nHeight, source, 0, 0, DDBLT_OPAQUE);
    DDResetAlphaOp();
    lpDTCon->bCopying = 0;
}

int DDPresent(int fps, int showFps, DDSURFACEDATA* overlay) {
    if (!lpDTCon || !lpDevice) return 1;
    if (lpDTCon->bVirBackBuffer) DDCopySurface(&g_BackBufferSD, &g_VirBackBufferSD);
    // Vertical sync stays on only with a display of 60 blanks a second: a
    // game at that rate is paced by the blanks alone. Any other rate keeps
    // its own pace, and a faster one cannot wait for blanks.
    const bool vsync = g_DDConfig.bVSync != 0;
    if (!vsync || fps != kVSyncRate) {
        const uint32_t rate = fps > 0 ? static_cast<uint32_t>(fps) : 0;
        while (!FrameSync(rate, showFps != 0, overlay)) plat::SleepMs(1);
    }
    lpDevice->SetWaitForVerticalBlank(vsync && fps <= kVSyncRate);
    DDEndScene();
    if (lpDevice->Present() == plat::DeviceResult::DeviceLost) {
        if (g_bWindowMode == 0) plat::MinimizeFrameWindow();
        return 0;
    }
    return 1;
}

int DDRestoreSurface() {
    WriteDebugLog("Restore In");
    if (!lpDTCon || !lpDevice) {
        WriteDebugLog("DDではDDRestoreSurfaceは未対応");
        return 1;
    }

    // Asked before anything is released: a device that was never lost (a
    // re-activation without a loss) keeps its textures, which nothing would
    // rebuild once released.
    const plat::DeviceResult state = lpDevice->TestCooperativeLevel();
    if (state == plat::DeviceResult::Ok) {
        WriteDebugLog("Restore Out");
        return 1;
    }

    // The registry may gain and lose temporary entries while surfaces are
    // rebuilt; walk a copy taken before.
    std::vector<DDSURFACEDATA*> registered(DDRegisteredSurfaces().begin(), DDRegisteredSurfaces().end());

    // System textures survive a reset; everything else must go first, and
    // the device must hold none of them bound or as its target.
    lpDevice->SetTexture(nullptr);
    lpDevice->SetRenderTarget(lpDevice->BackBuffer());
    for (DDSURFACEDATA* sd : registered) {
        if (!sd || !sd->lpDT || sd->lpDT->nMemoryType == DTMEMORYTYPE_SYSTEM) continue;
        sd->lpDT->lpSurface = nullptr;
        sd->lpDT->lpTexture.reset();
    }
    if (DDFontRestoreHooks().onLostDevice) DDFontRestoreHooks().onLostDevice();
    if (g_BackBufferSD.lpDT) g_BackBufferSD.lpDT->lpSurface = nullptr;

    if (state != plat::DeviceResult::DeviceNotReset) {
        WriteDebugLog("復旧失敗…リセット可能な状態ではありません…");
        return 0;
    }
    if (lpDevice->Reset() != plat::DeviceResult::Ok) return 0;

    DDSetDefaultStates();
    if (g_BackBufferSD.lpDT) g_BackBufferSD.lpDT->lpSurface = lpDevice->BackBuffer();

    for (DDSURFACEDATA* sd : registered) {
        if (!sd || !sd->lpDT) continue;
        DTTEXTURE* dt = sd->lpDT;
        if (!IsBlankName(sd->szFileName)) {
            // A surface that had a palette-index map gets it rebuilt, or its
            // owner would silently lose it.
            const int indexMap = dt->palIndexMap.empty() ? 0 : 1;
            char file[kMaxPath];
            std::memcpy(file, sd->szFileName, sizeof file);
            int code = DDCreateSurfaceFromFile(sd, file, dt->bColorKey, g_nBpp, sd->bSystemMemory, dt->nMemoryType,
                                               sd->lpMirrorSrc, indexMap, sd->nMirrorWidth, sd->nMirrorHeight, 1);
            if (code != 0) WriteDebugLog("Err");
        } else {
            if (!DDCreateSurface(sd, sd->nWidth, sd->nHeight, dt->bColorKey, sd->bSystemMemory, dt->nMemoryType,
                                 sd->lpMirrorSrc, 1)) {
                WriteDebugLog("Err");
            }
            sd->bLost = 1;
        }
    }

    if (DDFontRestoreHooks().restore) DDFontRestoreHooks().restore();
    if (g_bWindowMode == 0) plat::RestoreFrameWindow();
    WriteDebugLog("Restore Out");
    return 1;
}

bool DDRestore() {
    if (lpDTCon) {
        WriteDebugLog("D3DではDDRestoreは未対応");
        return true;
    }
    if (!SurfaceLost(g_PrimarySD)) return true;

    g_PrimarySD.lpDDS->lpSurface->Restore();
    if (SurfaceLost(g_BackBufferSD)) g_BackBufferSD.lpDDS->lpSurface->Restore();

    DDSURFACEDATA* game = g_DDConfig.lpGameSurfaces;
    const int count = game ? g_DDConfig.nGameSurfaceCount : 0;
    for (int i = 0; i < count; ++i) {
        DDSURFACEDATA& sd = game[i];
        if (!SurfaceLost(sd)) continue;
        sd.lpDDS->lpSurface->Restore();
        if (sd.bSystemMemory) continue;
        if (IsBlankName(sd.szFileName)) {
            sd.bLost = 1;
        } else {
            DDReloadBitmap(&sd, g_nBpp);
        }
    }

    if (g_nBpp == 8 && g_lpDD) g_lpDD->SetPaletteEntries(0, 256, g_BasePalette);
    if (DDFontRestoreHooks().restore) DDFontRestoreHooks().restore();
    return true;
}
