// Surface records, the two back-end contexts, the layer's global state and
// the lock guard through which all pixel-level code reaches a surface.
#include <cstring>

#include "core/message_box.h"
#include "core/report_log.h"
#include "gfx/dd.h"

// ---------------------------------------------------------------------------
// Layer state

DTCONTEXT* lpDTCon = nullptr;
DDCONTEXT* lpDDCon = nullptr;

int g_nBpp = 0;
plat::PixelRect g_rcWindow;
int g_bWindowMode = 1;
DisplayConfig g_DDConfig;

std::unique_ptr<plat::RasterDevice> lpDevice;
std::unique_ptr<plat::BlitDisplay> g_lpDD;

DDSURFACEDATA g_PrimarySD;
DDSURFACEDATA g_BackBufferSD;
DDSURFACEDATA g_OffScreenSD;
DDSURFACEDATA g_VirBackBufferSD;
DDSURFACEDATA g_WorkSD;

DDSURFACEDATA g_SysBmp[kSysBmpCount];
DDSURFACEDATA g_FontNumberSD[3];
PROGRAM_OBJECT_DEFINE(g_PictureSD, cList<DDSURFACEDATA>);
PROGRAM_OBJECT_DEFINE(Off_Msg, cList<DDSURFACEDATA>);
PROGRAM_OBJECT_DEFINE(g_PictureDef, cList<DDSURFACEDEF>);
PROGRAM_OBJECT_DEFINE(g_OffMsgDef, cList<DDSURFACEDEF>);

cList<DDSURFACEDATA*>& DDRegisteredSurfaces() {
    static cList<DDSURFACEDATA*> registered;
    return registered;
}

namespace {

// Deletes whatever context is left at exit, so a run that never reached
// DDRelease still frees them.
struct ContextOwner {
    ~ContextOwner() {
        delete lpDTCon;
        lpDTCon = nullptr;
        delete lpDDCon;
        lpDDCon = nullptr;
    }
} g_contextOwner;

// Which unlock a cSurfaceLock owes.
enum LockKind { kLockNone = 0, kLockBackBuffer, kLockRenderTarget, kLockTexture, kLockBlit };

}  // namespace

// ---------------------------------------------------------------------------
// Records

void DDSURFACEDATA::AllocData() {
    // The configured back-end decides, not the context pointers: records are
    // made ready before the context exists.
    if (g_DDConfig.bUseD3D) {
        if (!lpDT) lpDT = new DTTEXTURE;
    } else {
        if (!lpDDS) lpDDS = new SurfaceHolder;
    }
}

DDSURFACEDEF& DDSURFACEDEF::Set(const char* file, int colorKey, int systemMemory, int memoryType,
                                DDSURFACEDATA* shared, int indexMap, int optional, int mirrorWidth,
                                int mirrorHeight, int blankWidth, int blankHeight) {
    std::memset(szFile, 0, sizeof szFile);
    if (file) std::strncpy(szFile, file, sizeof szFile - 1);
    bColorKey = colorKey;
    bSystemMemory = systemMemory;
    nMemoryType = memoryType;
    lpShared = shared;
    bIndexMap = indexMap;
    bOptional = optional;
    nMirrorWidth = mirrorWidth;
    nMirrorHeight = mirrorHeight;
    nBlankWidth = blankWidth;
    nBlankHeight = blankHeight;
    return *this;
}

// ---------------------------------------------------------------------------
// Lock guard

cSurfaceLock::cSurfaceLock(DDSURFACEDATA* surface) : m_lpSD(surface) {
    if (!m_lpSD) return;
    m_nBpp = g_nBpp;
    m_nBytes = g_nBpp / 8;
    uint8_t* bits = nullptr;
    int pitch = 0;

    if (lpDTCon) {
        DDResolveMirror(m_lpSD);
        DDRedirectBackBuffer(m_lpSD);
        DTTEXTURE* dt = m_lpSD->lpDT;
        if (!dt || !lpDevice) return;
        if (dt->bRenderTarget && m_lpSD != &g_BackBufferSD) {
            // A failed read-back leaves a stale copy; editing it and writing
            // it back would overwrite the real picture, so it is a failure.
            if (!dt->lpSurface || !dt->lpSystemSurface ||
                lpDevice->GetRenderTargetData(dt->lpSurface, dt->lpSystemSurface.get()) != plat::DeviceResult::Ok) {
                WriteDebugLog("FAILED( lpDevice->GetRenderTargetData(lpSD->lpDT->lpSurface,lpSD->lpDT->lpSystemSurface) )");
                return;
            }
            if (!dt->lpSystemSurface->Lock(&bits, &pitch)) {
                WriteDebugLog("FAILED( lpSD->lpDT->lpSystemSurface->LockRect(&lock, NULL, 0) )");
                return;
            }
            m_nKind = kLockRenderTarget;
        } else if (dt->lpSurface) {
            if (!dt->lpSurface->Lock(&bits, &pitch)) {
                DebugErrorPrintf("FAILED( lpSD->lpDT->lpSurface->LockRect(&(lock), NULL, 0) )");
                return;
            }
            m_nKind = (m_lpSD == &g_BackBufferSD) ? kLockBackBuffer : kLockTexture;
        } else {
            return;
        }
    } else if (lpDDCon) {
        if (!DDLock(m_lpSD, &bits, &pitch, g_nBpp)) return;
        m_nKind = kLockBlit;
    } else {
        return;
    }

    m_pBits = bits;
    m_nPitch = m_nBytes > 0 ? pitch / m_nBytes : 0;
}

cSurfaceLock::~cSurfaceLock() {
    switch (m_nKind) {
        case kLockBackBuffer:
        case kLockTexture:
            m_lpSD->lpDT->lpSurface->Unlock();
            break;
        case kLockRenderTarget: {
            DTTEXTURE* dt = m_lpSD->lpDT;
            dt->lpSystemSurface->Unlock();
            if (lpDevice->UpdateSurface(dt->lpSystemSurface.get(), dt->lpSurface) != plat::DeviceResult::Ok) {
                DebugErrorPrintf(
                    "FAILED( lpDevice->UpdateSurface(m_lpSD->lpDT->lpSystemSurface, NULL, m_lpSD->lpDT->lpSurface, NULL)");
            }
            break;
        }
        case kLockBlit:
            DDUnlock(m_lpSD);
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------
// Whole-surface lock of a blit surface

bool DDLock(DDSURFACEDATA* surface, uint8_t** bits, int* pitch, int bpp) {
    if (lpDTCon) {
        // Nothing is locked here, so callers must not touch the bits.
        WriteDebugLog("D3DではDDLockは未対応");
        return false;
    }
    if (!surface || !surface->lpDDS || !surface->lpDDS->lpSurface) return false;
    uint8_t* locked = nullptr;
    int lockedPitch = 0;
    if (!surface->lpDDS->lpSurface->Lock(&locked, &lockedPitch)) return false;
    if (bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32) {
        if (bits) *bits = locked;
    }
    if (pitch) *pitch = lockedPitch;
    return true;
}

void DDUnlock(DDSURFACEDATA* surface) {
    if (lpDTCon) return;
    if (surface && surface->lpDDS && surface->lpDDS->lpSurface) surface->lpDDS->lpSurface->Unlock();
}

uint32_t DDResultCode(plat::DeviceResult result) {
    switch (result) {
        case plat::DeviceResult::Ok: return 0;
        case plat::DeviceResult::OutOfVideoMemory: return 0x8876017Cu;
        case plat::DeviceResult::InvalidCall: return 0x8876086Cu;
        case plat::DeviceResult::DeviceLost: return 0x88760868u;
        case plat::DeviceResult::DeviceNotReset: return 0x88760869u;
        case plat::DeviceResult::Failed: break;
    }
    return 0x80004005u;
}
