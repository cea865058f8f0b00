// Display start-up and release: the one-time choice of back-end, the
// fixed surfaces and the device defaults.
#include <cstring>

#include "core/gfx_link.h"
#include "core/message_box.h"
#include "core/report_log.h"
#include "core/system_report.h"
#include "gfx/dd.h"
#include "gfx/dd_layer.h"
#include "gfx/dd_text.h"
#include "platform/dialogs.h"
#include "platform/presenter.h"

namespace {

// Shift/mask tables of the fixed formats (a mask is the field's maximum).
constexpr PixelFormatTable kTableA1R5G5B5 = {10, 5, 0, 15, 31, 31, 31, 1};
constexpr PixelFormatTable kTableR5G6B5 = {11, 5, 0, 16, 31, 63, 31, 0};
constexpr PixelFormatTable kTableA8R8G8B8 = {16, 8, 0, 24, 255, 255, 255, 255};

void HideCursor() {
    while (plat::ShowCursorCount(false) >= 0) {
    }
}

void ShowCursor() {
    while (plat::ShowCursorCount(true) < 0) {
    }
}

bool Direct3DActive() { return lpDTCon != nullptr; }

bool FullScreenUp() { return g_DDConfig.bInitialized && g_bWindowMode == 0 && (lpDTCon || lpDDCon); }

bool VideoFacts(VideoInfo& out) {
    if (!g_DDConfig.bInitialized || (!lpDTCon && !lpDDCon)) return false;
    out.windowed = g_bWindowMode != 0;
    out.bpp = g_nBpp;
    out.hasDirectDraw = g_lpDD != nullptr;
    // A software display has no video memory of its own to report.
    out.vramTotalBytes = 0;
    out.vramFreeBytes = 0;
    out.refreshRate = static_cast<uint32_t>(plat::RasterDevice::DisplayRefreshRate());
    return true;
}

void InstallGfxLink() {
    GfxHooks& link = GfxLink();
    link.direct3DActive = Direct3DActive;
    link.fullScreenUp = FullScreenUp;
    link.videoFacts = VideoFacts;
    // The message box and the frame-rate overlay draw with the layer's text.
    DDInstallTextLink();
}

void SetName(DDSURFACEDATA& sd, const char* name) {
    std::memset(sd.szName, 0, sizeof sd.szName);
    std::strncpy(sd.szName, name, sizeof sd.szName - 1);
}

void SetSize(DDSURFACEDATA& sd, int width, int height, int systemMemory) {
    sd.nWidth = sd.nTexWidth = width;
    sd.nHeight = sd.nTexHeight = height;
    sd.bSystemMemory = systemMemory;
}

// The 256 entries both DirectDraw modes start with; the project palette
// replaces them at start-up.
void SetStartPalette(bool window) {
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i) {
        uint8_t v = static_cast<uint8_t>(i);
        bool system = window && (i < 10 || i >= 246);
        entries[i] = system ? PALETTEENTRY{v, 0, 0, PC_EXPLICIT} : PALETTEENTRY{v, v, 0, PC_RESERVED};
    }
    if (!window) entries[0] = PALETTEENTRY{0, 0, 255, PC_RESERVED};
    g_lpDD->SetPaletteEntries(0, 256, entries);
}

// The screen-sized records, the blit display and its cooperative level of
// both DirectDraw modes: 0, or the start-up error code.
int OpenBlitDisplay(int width, int height, bool fullScreen) {
    SetSize(g_PrimarySD, width, height, 0);
    SetSize(g_BackBufferSD, width, height, 0);
    SetSize(g_OffScreenSD, width, height, 1);

    plat::BlitResult result = plat::BlitResult::Ok;
    g_lpDD = plat::BlitDisplay::Create(&result);
    if (!g_lpDD) {
        WriteReport("DirectDrawCreateEx Err");
        return 1;
    }
    if (g_lpDD->SetCooperativeLevel(fullScreen) != plat::BlitResult::Ok) {
        WriteReport("SetCooperativeLevel Err");
        return 2;
    }
    return 0;
}

// The primary with its attached back buffers (none in a window).
bool CreatePrimary(int backBuffers, int width, int height) {
    g_PrimarySD.AllocData();
    SurfaceHolder* holder = g_PrimarySD.lpDDS;
    if (g_lpDD->CreatePrimary(backBuffers, width, height, &holder->owned) != plat::BlitResult::Ok || !holder->owned) {
        WriteReport("Primary CreateSurface Err");
        return false;
    }
    holder->lpSurface = holder->owned.get();
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------

int DDInit(int useD3D, uint32_t hWnd, int width, int height, int bpp, int vsync, int windowMode,
           int backBufferChoice, int refreshRate, int refreshRequest, DDSURFACEDATA* gameSurfaces,
           const DDSURFACEDEF* gameDefs, int count, int unused) {
    (void)unused;
    g_DDConfig.bUseD3D = useD3D;
    g_DDConfig.hWnd = hWnd;
    g_DDConfig.nWidth = width;
    g_DDConfig.nHeight = height;
    g_nBpp = bpp;
    g_DDConfig.nBytesPerPixel = bpp / 8;
    g_bWindowMode = windowMode;
    g_DDConfig.nBackBufferChoice = backBufferChoice;
    g_DDConfig.bVSync = vsync;
    g_DDConfig.nRefreshRate = refreshRate;
    g_DDConfig.bRefreshRequest = refreshRequest;
    g_DDConfig.lpGameSurfaces = gameSurfaces;
    g_DDConfig.lpGameDefs = gameDefs;
    g_DDConfig.nGameSurfaceCount = count;
    WriteReportDebug("VSync : %d", vsync);
    InstallGfxLink();

    // Only a window or full screen exist; anything else would leave the
    // layer without a display while reporting success.
    if (windowMode != 0 && windowMode != 1) {
        WriteReport("DDInit Err WindowMode = %d", windowMode);
        return false;
    }

    if (useD3D) {
        if (!DDInitD3D(hWnd, width, height, bpp, backBufferChoice)) return false;
    } else {
        if (g_DDConfig.bWasInitialized) {
            if (windowMode == 0) {
                DDUninit();
            } else {
                if (g_lpDD) g_lpDD->RestoreDisplayMode();
                DDRelease();
            }
        }
        delete lpDDCon;
        lpDDCon = new DDCONTEXT;
        if (windowMode == 0) {
            plat::SetFrameWindowFullScreen(true);
            if (!DDCheckInitErr(DDInitFullScreen(hWnd, width, height, bpp, backBufferChoice))) return false;
        } else {
            if (!DDCheckInitErr(DDInitWindow(hWnd))) return false;
        }
    }

    g_DDConfig.bInitialized = 1;
    g_DDConfig.bWasInitialized = 1;
    return true;
}

int DDInitD3D(uint32_t hWnd, int width, int height, int bpp, int backBufferChoice) {
    (void)hWnd;
    (void)backBufferChoice;
    int ddi = GetDDIVersion();
    if (ddi < 9) {
        WriteReport("ビデオカードのドライバがDirectX9をサポートしていません！ %d", ddi);
        return 0;
    }

    delete lpDTCon;
    lpDTCon = new DTCONTEXT;

    plat::RasterDeviceConfig config;
    const bool window = g_bWindowMode == 1;
    if (window) {
        // The back buffer takes the client area, as a windowed device does.
        int clientWidth = 0, clientHeight = 0;
        plat::FrameWindowClientSize(&clientWidth, &clientHeight);
        config.windowed = true;
        config.width = clientWidth > 0 ? clientWidth : width;
        config.height = clientHeight > 0 ? clientHeight : height;
        if (g_DDConfig.bVSync) {
            // The desktop mode is never changed: vertical sync stays on only
            // when the display already runs at 60 Hz.
            int rate = plat::RasterDevice::DisplayRefreshRate();
            WriteReport("RefreshRate : %d", rate);
            if (rate != 60) {
                g_DDConfig.bVSync = 0;
                WriteReport("リフレッシュレートの変更に失敗しました！垂直同期が無効になります！");
            }
        }
    } else {
        config.windowed = false;
        config.width = width;
        config.height = height;
        plat::SetFrameWindowFullScreen(true);
    }
    config.waitForVerticalBlank = g_DDConfig.bVSync != 0;

    lpDTCon->caps = plat::RasterDevice::QueryCaps();
    lpDTCon->bPow2 = lpDTCon->caps.pow2 ? 1 : 0;
    lpDTCon->bSquareOnly = lpDTCon->caps.squareOnly ? 1 : 0;
    lpDTCon->bDynamicTextures = lpDTCon->caps.dynamicTextures ? 1 : 0;

    if (bpp == 16) {
        lpDTCon->backBufferFormat = window ? plat::PixelFormat::A1R5G5B5 : plat::PixelFormat::R5G6B5;
        lpDTCon->textureFormat = plat::PixelFormat::A1R5G5B5;
        g_PixelFormat = kTableA1R5G5B5;
        g_BackBufferPixelFormat = window ? kTableA1R5G5B5 : kTableR5G6B5;
    } else if (bpp == 32) {
        lpDTCon->backBufferFormat = plat::PixelFormat::X8R8G8B8;
        lpDTCon->textureFormat = plat::PixelFormat::A8R8G8B8;
        g_PixelFormat = kTableA8R8G8B8;
        g_BackBufferPixelFormat = kTableA8R8G8B8;
        g_BackBufferPixelFormat.nAlphaMask = 0;
    } else {
        return 0;
    }
    config.backBufferFormat = lpDTCon->backBufferFormat;

    plat::DeviceResult result = plat::DeviceResult::Ok;
    config.hardwareVertexProcessing = true;
    lpDevice = plat::RasterDevice::Create(config, &result);
    if (lpDevice) {
        WriteReport("Device HAL-HARD");
    } else {
        config.hardwareVertexProcessing = false;
        lpDevice = plat::RasterDevice::Create(config, &result);
        if (!lpDevice) {
            WriteDebugLog("CreateDevice Err");
            return 0;
        }
        WriteReport("Device HAL-SOFT");
    }
    WriteReport("%s", plat::FormatName(lpDTCon->backBufferFormat));
    lpDTCon->presentParams = lpDevice->Config();
    lpDTCon->displayFormat = lpDTCon->backBufferFormat;
    lpDTCon->caps = lpDevice->Caps();

    DDSetDefaultStates();
    DDResetVertexColor();
    DDResetColorOp();
    DDResetAlphaOp();

    plat::RasterSurface* backBuffer = lpDevice->BackBuffer();
    const int backWidth = backBuffer ? backBuffer->Width() : config.width;
    const int backHeight = backBuffer ? backBuffer->Height() : config.height;

    // The record describes the real back buffer, so pixel code never
    // reaches past it even when the client area differs from the request.
    g_BackBufferSD.AllocData();
    DTTEXTURE* dt = g_BackBufferSD.lpDT;
    SetSize(g_BackBufferSD, backWidth, backHeight, 0);
    SetName(g_BackBufferSD, "BackBuffer");
    dt->nMemoryType = DTMEMORYTYPE_VIDEO_RT;
    dt->bColorKey = 0;
    dt->bRenderTarget = 1;
    plat::DeviceResult vb = lpDevice->CreateVertexBuffer(4, &dt->lpVertexBuffer);
    if (vb != plat::DeviceResult::Ok) {
        WriteReport("Back CreateVertexBuffer Err %x", DDResultCode(vb));
        return 0;
    }
    dt->lpSurface = backBuffer;
    dt->nTextureId = 0;
    dt->desc = TextureLevelDesc{lpDTCon->backBufferFormat, backWidth, backHeight};
    lpDTCon->nTextureCounter = 1;
    lpDTCon->nFontCounter = 0;

    g_VirBackBufferSD.AllocData();
    DDSetVirBackBuffer(0);
    lpDTCon->bCopying = 0;
    DDCreateSurface(&g_VirBackBufferSD, backWidth, backHeight, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0);
    SetName(g_VirBackBufferSD, "VirBackBuffer");
    g_WorkSD.AllocData();
    DDCreateSurface(&g_WorkSD, backWidth, backHeight, 0, 0, DTMEMORYTYPE_VIDEO_RT, nullptr, 0);
    SetName(g_WorkSD, "WorkSD");

    if (!window) HideCursor();
    return 1;
}

void DDSetDefaultStates() {
    if (lpDevice) lpDevice->SetDefaultStates();
}

int DDInitFullScreen(uint32_t hWnd, int width, int height, int bpp, int backBufferChoice) {
    (void)hWnd;
    if (int code = OpenBlitDisplay(width, height, true)) return code;
    bool modeSet = false;
    if (g_DDConfig.bRefreshRequest) {
        modeSet = g_lpDD->SetDisplayMode(width, height, bpp, g_DDConfig.nRefreshRate) == plat::BlitResult::Ok;
    }
    if (!modeSet) modeSet = g_lpDD->SetDisplayMode(width, height, bpp, 0) == plat::BlitResult::Ok;
    if (!modeSet) {
        WriteReport("SetDisplayMode Err");
        return 3;
    }

    if (!CreatePrimary(backBufferChoice == 1 ? 1 : 2, width, height)) return 4;

    g_BackBufferSD.AllocData();
    g_BackBufferSD.lpDDS->lpSurface = g_lpDD->AttachedBackBuffer();
    if (!g_BackBufferSD.lpDDS->lpSurface) {
        WriteReport("GetAttachedSurface Err");
        return 5;
    }

    if (!DDCreateSurface(&g_OffScreenSD, width, height, 0, 1, 0, nullptr, 0)) return 4;

    SetStartPalette(false);
    if (bpp > 8) DDGetPixelFormat(g_PixelFormat);

    HideCursor();
    return 0;
}

int DDInitWindow(uint32_t hWnd) {
    (void)hWnd;
    int width = 0, height = 0;
    plat::FrameWindowClientSize(&width, &height);
    if (int code = OpenBlitDisplay(width, height, false)) return code;
    const int desktopDepth = g_lpDD->DesktopDepth();

    if (!CreatePrimary(0, width, height)) return 4;

    if (!DDCreateSurface(&g_BackBufferSD, width, height, 0, 0, 0, nullptr, 0)) return 4;
    if (!DDCreateSurface(&g_OffScreenSD, width, height, 0, 1, 0, nullptr, 0)) return 4;

    SetStartPalette(true);
    if (desktopDepth > 8) DDGetPixelFormat(g_PixelFormat);

    ShowCursor();
    return 0;
}

bool DDCheckInitErr(int code) {
    const char* name = nullptr;
    switch (code) {
        case 1: name = "CREATEEX_ERR"; break;
        case 2: name = "SETCOOPLEVEL_ERR"; break;
        case 3: name = "SETDISPLAYMODE_ERR"; break;
        case 4: name = "CREATESURFACE_ERR"; break;
        case 5: name = "GETATTACHEDSURFACE_ERR"; break;
        case 6: name = "CREATEPALETTE_ERR"; break;
        case 7: name = "SETPALETTE_ERR"; break;
        case 10: name = "CLIPPER_ERR"; break;
        case 11: name = "SETHWND_ERR"; break;
        case 12: name = "SETCLIPPER_ERR"; break;
        default: return true;
    }
    WriteDebugLogText(name);
    return false;
}

void DDRelease() {
    // Queued blits point at surfaces that are about to go.
    DDDiscardLayers();
    DDSURFACEDATA* game = g_DDConfig.lpGameSurfaces;
    const int count = game ? g_DDConfig.nGameSurfaceCount : 0;

    if (g_lpDD || lpDDCon) {
        for (int i = 0; i < count; ++i) DDReleaseSurface(&game[i]);
        DDReleaseSurface(&g_BackBufferSD);
        DDReleaseSurface(&g_PrimarySD);
        DDReleaseSurface(&g_OffScreenSD);
        if (g_lpDD) {
            const int live = g_lpDD->LiveObjects();
            g_lpDD.reset();
            if (live > 0) ShowMessageBox("解放漏れがあります", "DirectDraw", plat::kMbIconError);
        }
        delete lpDDCon;
        lpDDCon = nullptr;
    }

    if (lpDevice || lpDTCon) {
        for (int i = 0; i < count; ++i) DDReleaseSurface(&game[i]);
        DDReleaseSurface(&g_WorkSD);
        DDReleaseSurface(&g_VirBackBufferSD);
        DDReleaseSurface(&g_BackBufferSD);
        lpDevice.reset();
        delete lpDTCon;
        lpDTCon = nullptr;
    }

    g_DDConfig.bInitialized = 0;
}

void DDUninit() { DDRelease(); }
