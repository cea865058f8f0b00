// Creation and release of surfaces: blank ones, ones loaded from bitmap
// files (converted into the display's pixels, or made into textures), whole
// tables of them from their definitions, and the owners' vectors and lists.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/message_box.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "gfx/dd.h"
#include "platform/bitmap.h"

namespace {

// The text may be the target itself (a reload passes the record's own name).
void CopyName(char* target, const char* text) {
    if (!text) text = "";
    const size_t n = strnlen(text, kMaxPath - 1);
    std::memmove(target, text, n);
    target[n] = '\0';
}

// A texture the game cannot do without could not be made: the project's
// error text (when it set one), then the close request.
bool FatalTexture() {
    if (lpDTCon && !lpDTCon->strErrorText.empty()) ErrorPrintf("%s", lpDTCon->strErrorText.c_str());
    PostMainWindowClose();
    return false;
}

// The transparent colour as an opaque pixel of the current depth: at 16
// bits the context keeps it in texture-format fields, not as 8-bit ARGB.
uint32_t OpaqueTransparentArgb() {
    if (g_nBpp == 16) return plat::UnpackToArgb(lpDTCon->textureFormat, lpDTCon->wTransmitOpaque_16);
    return lpDTCon->dwTransmitOpaque;
}

// Appends to the registered-surface list; a record created again without a
// release in between keeps one entry.
void RegisterSurface(DDSURFACEDATA* surface) {
    auto& list = DDRegisteredSurfaces();
    list.remove(surface);
    list.push_back(surface);
}

// Releases a texture; the device must not keep it bound or as its target.
void DropTexture(DTTEXTURE* dt) {
    if (!dt->lpTexture) return;
    if (lpDevice) {
        lpDevice->SetTexture(nullptr);
        if (lpDevice->RenderTarget() == dt->lpTexture->Level0()) lpDevice->SetRenderTarget(lpDevice->BackBuffer());
    }
    dt->lpTexture.reset();
}

void UnregisterTexture(int textureId) {
    DDRegisteredSurfaces().remove_if(
        [textureId](DDSURFACEDATA* sd) { return sd && sd->lpDT && sd->lpDT->nTextureId == textureId; });
}

// The texture record of a fresh (not recreated) Direct3D surface: name,
// file, memory type and key; unless it shares another surface's texture,
// a new id and its own four-vertex buffer.
bool PrepareTextureRecord(DDSURFACEDATA* surface, const char* name, const char* file, int colorKey,
                          int memoryType, DDSURFACEDATA* shared, bool fromFile) {
    DTTEXTURE* dt = surface->lpDT;
    CopyName(surface->szName, name);
    CopyName(surface->szFileName, file);
    dt->nMemoryType = memoryType;
    dt->lpSurface = nullptr;
    dt->lpSystemSurface.reset();
    DropTexture(dt);
    dt->bColorKey = colorKey == 1 ? 1 : 0;
    if (shared) {
        // An alias draws through its owner: no id, buffer or registration.
        dt->nTextureId = 0;
        dt->lpVertexBuffer.reset();
        DDRegisteredSurfaces().remove(surface);
        return true;
    }
    dt->nTextureId = lpDTCon->nTextureCounter++;
    plat::DeviceResult r = lpDevice->CreateVertexBuffer(4, &dt->lpVertexBuffer);
    if (r != plat::DeviceResult::Ok) {
        if (fromFile)
            WriteReport("CreateVertexBuffer Err %x", DDResultCode(r));
        else
            WriteReport("CreateVertexBuffer Err");
        return false;
    }
    return true;
}

// Points the record at its texture's level 0 and describes it; false when
// there is no texture to take it from.
bool TakeLevel0(DTTEXTURE* dt) {
    if (!dt->lpTexture) {
        WriteReport("GetSurfaceLevel Err hr = %x", DDResultCode(plat::DeviceResult::InvalidCall));
        return false;
    }
    dt->lpSurface = dt->lpTexture->Level0();
    dt->desc.format = dt->lpTexture->Format();
    dt->desc.width = dt->lpTexture->Width();
    dt->desc.height = dt->lpTexture->Height();
    return true;
}

// The definition kept beside a blank surface that a push or insert makes.
DDSURFACEDEF BlankDef(int colorKey, int systemMemory, int memoryType, DDSURFACEDATA* shared) {
    DDSURFACEDEF def;
    def.Set(nullptr, colorKey, systemMemory, memoryType, shared, 0, 0, 0, 0, 0, 0);
    return def;
}

// Destination column of source column x within mirror cells of width w.
inline int MirrorIndex(int x, int w) { return w * (x / w + 1) - x % w - 1; }

// 24-bit and 32-bit bitmaps into a 16-bit DirectDraw surface, pixel by
// pixel: the conversion colour becomes the key, and no other pixel may
// land on the key by accident.
void ConvertTrueColorTo16(const plat::Dib& dib, uint8_t* bits, int pitch, int surfaceWidth, int surfaceHeight,
                          int mirrorWidth, int mirrorHeight) {
    const PixelFormatTable& pf = g_PixelFormat;
    const uint32_t key = g_DDConfig.dwColorKey & 0xFFFFu;
    const RGBTRIPLE conv = lpDDCon ? lpDDCon->rgbConvTransmit : RGBTRIPLE{};
    int width = std::min(dib.width, surfaceWidth);
    int height = std::min(dib.height, surfaceHeight);
    if (mirrorWidth > 0) width = width / mirrorWidth * mirrorWidth;
    if (mirrorHeight > 0) height = height / mirrorHeight * mirrorHeight;
    for (int y = 0; y < height; ++y) {
        int ty = mirrorHeight > 0 ? MirrorIndex(y, mirrorHeight) : y;
        auto* row = reinterpret_cast<uint16_t*>(bits + static_cast<ptrdiff_t>(ty) * pitch);
        for (int x = 0; x < width; ++x) {
            uint32_t rgb = dib.PixelRgb(x, y);
            uint32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
            uint32_t v;
            if (r == conv.rgbtRed && g == conv.rgbtGreen && b == conv.rgbtBlue) {
                v = key;
            } else {
                v = DDScaleToFields(pf, r, g, b) & 0xFFFFu;
                if (v == key) {
                    if (static_cast<int>((v >> pf.nBlueShift) & static_cast<uint32_t>(pf.nBlueMask)) == pf.nBlueMask)
                        v -= 1;
                    else
                        v += 1;
                }
            }
            int tx = mirrorWidth > 0 ? MirrorIndex(x, mirrorWidth) : x;
            row[tx] = static_cast<uint16_t>(v);
        }
    }
}

// The pixels of a decoded bitmap into a DirectDraw surface.
bool CopyDib(DDSURFACEDATA* surface, const plat::Dib& dib, const char* file, int bpp, int indexMap,
             int mirrorWidth, int mirrorHeight) {
    SurfaceHolder* holder = surface->lpDDS;
    if (!holder || !holder->lpSurface) {
        WriteDebugLog("CopyBitmap Err %s : no surface", file);
        return false;
    }
    uint8_t* bits = nullptr;
    int pitch = 0;
    if (!DDLock(surface, &bits, &pitch, bpp)) return false;
    plat::Image& pixels = holder->lpSurface->Pixels();
    bool sizesMatch = pixels.Width() == dib.width && pixels.Height() == dib.height;
    if (bpp == 8) {
        if (!sizesMatch)
            WriteDebugLog("CopyBitmap Err %s Surface(%d,%d) Bmp(%d,%d)", file, pixels.Width(), pixels.Height(),
                          dib.width, dib.height);
        else
            plat::CopyDibToImage(dib, &pixels, mirrorWidth, mirrorHeight);
    } else if (bpp == 16 && (dib.bitCount == 24 || dib.bitCount == 32)) {
        ConvertTrueColorTo16(dib, bits, pitch, pixels.Width(), pixels.Height(), mirrorWidth, mirrorHeight);
    } else {
        plat::CopyDibToImage(dib, &pixels, mirrorWidth, mirrorHeight);
    }
    DDUnlock(surface);
    // A bitmap that no longer fits its surface keeps the surface's size, so
    // pixel code never walks past the real pixels.
    if (sizesMatch) {
        surface->nWidth = surface->nTexWidth = dib.width;
        surface->nHeight = surface->nTexHeight = dib.height;
    }
    surface->nMirrorWidth = mirrorWidth;
    surface->nMirrorHeight = mirrorHeight;
    CopyName(surface->szFileName, file);
    if (indexMap && bpp != 8) return DDMakePalIndexMap(holder->palIndexMap, surface) != 0;
    holder->palIndexMap.clear();
    return true;
}

bool CreateSurfaceD3D(DDSURFACEDATA* surface, int width, int height, int colorKey, int systemMemory,
                      int memoryType, DDSURFACEDATA* shared, int recreate) {
    if (!lpDTCon || !lpDevice) return false;
    surface->AllocData();
    DTTEXTURE* dt = surface->lpDT;
    if (!dt) return false;
    if (!recreate && !PrepareTextureRecord(surface, "OffScreen", "E", colorKey, memoryType, shared, false))
        return false;
    if (shared) {
        surface->nWidth = surface->nTexWidth = width;
        surface->nHeight = surface->nTexHeight = height;
        surface->bSystemMemory = systemMemory;
        return true;
    }

    int texWidth = width, texHeight = height;
    DDAdjustTextureSize(texWidth, texHeight);
    if (!DDCheckTextureSize(texWidth, texHeight))
        WriteReportDebug("上記の理由でテクスチャの描画が失敗する可能性があります。(空)");

    if (dt->nMemoryType == DTMEMORYTYPE_VIDEO_NORT) dt->nMemoryType = DTMEMORYTYPE_VIDEO_RT;
    const plat::PixelFormat format = lpDTCon->textureFormat;
    if (dt->nMemoryType == DTMEMORYTYPE_VIDEO_RT) {
        dt->bRenderTarget = 1;
        DropTexture(dt);
        plat::DeviceResult r =
            lpDevice->CreateTexture(texWidth, texHeight, format, plat::TexturePool::RenderTarget, &dt->lpTexture);
        if (r == plat::DeviceResult::OutOfVideoMemory) {
            WriteReport("VRAM不足のためシステムメモリにテクスチャを作成します。(空)");
            dt->nMemoryType = DTMEMORYTYPE_SYSTEM;
        } else if (r != plat::DeviceResult::Ok) {
            return false;
        }
    }
    if (dt->nMemoryType == DTMEMORYTYPE_SYSTEM && (!recreate || !dt->lpTexture)) {
        // A system texture survives a device reset, so restore keeps it; one
        // that has only now fallen back to system memory must still be made.
        dt->bRenderTarget = 0;
        dt->lpSystemSurface.reset();
        plat::DeviceResult r =
            lpDevice->CreateTexture(texWidth, texHeight, format, plat::TexturePool::System, &dt->lpTexture);
        if (r != plat::DeviceResult::Ok) {
            WriteReport("D3DXCreateTexture Err hr = %x", DDResultCode(r));
            return FatalTexture();
        }
    }
    if (!TakeLevel0(dt)) return false;

    if (dt->nMemoryType == DTMEMORYTYPE_VIDEO_RT && (!recreate || !dt->lpSystemSurface)) {
        plat::DeviceResult r =
            lpDevice->CreateOffscreenPlain(dt->desc.width, dt->desc.height, dt->desc.format, &dt->lpSystemSurface);
        if (r != plat::DeviceResult::Ok) {
            WriteReport("CreateOffscreenPlainSurface Err hr = %x", DDResultCode(r));
            return FatalTexture();
        }
    }
    surface->nWidth = width;
    surface->nHeight = height;
    surface->nTexWidth = dt->desc.width;
    surface->nTexHeight = dt->desc.height;

    if (dt->bRenderTarget) {
        // New render targets start as the transparent colour.
        if (DDSetRenderTarget(0, surface)) lpDevice->Clear(nullptr, OpaqueTransparentArgb());
        DDSetRenderTarget(0, lpDTCon->lpCurrentRenderTarget);
    }
    if (!recreate) RegisterSurface(surface);
    return true;
}

bool CreateSurfaceDD(DDSURFACEDATA* surface, int width, int height, int colorKey, int systemMemory) {
    if (!lpDDCon || !g_lpDD) return false;
    std::unique_ptr<plat::BlitSurface> created;
    bool inSystem = systemMemory == 1;
    plat::BlitResult r = g_lpDD->CreateOffscreen(width, height, inSystem, &created);
    if (r != plat::BlitResult::Ok) {
        if (inSystem) {
            WriteReport("CreateSurface System Err");
            return false;
        }
        inSystem = true;
        r = g_lpDD->CreateOffscreen(width, height, true, &created);
        if (r != plat::BlitResult::Ok) {
            WriteReport("CreateSurface Video -> System Err");
            return false;
        }
    }
    surface->AllocData();
    SurfaceHolder* holder = surface->lpDDS;
    if (!holder) return false;
    holder->owned = std::move(created);
    holder->lpSurface = holder->owned.get();
    holder->palIndexMap.clear();
    if (colorKey == 1) holder->lpSurface->SetColorKey(g_DDConfig.dwColorKey);
    surface->szFileName[0] = '\0';
    surface->nWidth = surface->nTexWidth = width;
    surface->nHeight = surface->nTexHeight = height;
    surface->bSystemMemory = inSystem ? 1 : 0;
    DDFillRect(surface, 0, 0, width, height, 0);
    return true;
}

int CreateSurfaceFromFileDD(DDSURFACEDATA* surface, const char* file, int colorKey, int bpp, int systemMemory,
                            int indexMap, int mirrorWidth, int mirrorHeight) {
    plat::Dib dib;
    std::string error;
    if (!plat::LoadBmpFile(file, &dib, &error)) {
        WriteDebugLog("%s", file);
        return 8;
    }
    if (!CreateSurfaceDD(surface, dib.width, dib.height, colorKey, systemMemory)) return 4;
    // The copy sets the sizes, mirror sizes and file name. bSystemMemory
    // stays where the surface was really made: a video request may have
    // ended in system memory.
    if (!CopyDib(surface, dib, file, bpp, indexMap, mirrorWidth, mirrorHeight)) return 8;
    return 0;
}

int CreateSurfaceFromFileD3D(DDSURFACEDATA* surface, const char* file, int colorKey, int bpp, int systemMemory,
                             int memoryType, DDSURFACEDATA* shared, int indexMap, int mirrorWidth, int mirrorHeight,
                             int recreate) {
    if (!lpDTCon || !lpDevice) return 4;
    surface->AllocData();
    DTTEXTURE* dt = surface->lpDT;
    if (!dt) return 4;
    if (!recreate && !PrepareTextureRecord(surface, "OffScreenFromFile", file, colorKey, memoryType, shared, true))
        return 4;

    plat::Dib dib;
    std::string error;
    if (!plat::LoadBmpFile(file, &dib, &error)) {
        if (file && file[0]) WriteReport("LoadImage Err %s", file);
        return 8;
    }

    if (!shared) {
        int texWidth = dib.width, texHeight = dib.height;
        DDAdjustTextureSize(texWidth, texHeight);
        if (!DDCheckTextureSize(texWidth, texHeight))
            WriteReportDebug("上記の理由でテクスチャの描画が失敗する可能性があります。(%s)", file);
        const RGBTRIPLE& k = bpp == 16 ? lpDTCon->rgbPalTransmit : lpDTCon->rgbTransmit;
        const uint32_t key = 0xFF000000u | static_cast<uint32_t>(k.rgbtRed) << 16 |
                             static_cast<uint32_t>(k.rgbtGreen) << 8 | k.rgbtBlue;
        const plat::PixelFormat format = lpDTCon->textureFormat;

        if (dt->nMemoryType == DTMEMORYTYPE_VIDEO_NORT) {
            WriteDebugLog(
                "DDCreateSurfaceFromFile Err DTMEMORYTYPE_VIDEO_NORTの指定は未対応です。DTMEMORYTYPE_VIDEO_RTでテクスチャを作成します。");
            dt->nMemoryType = DTMEMORYTYPE_VIDEO_RT;
        }
        if (dt->nMemoryType == DTMEMORYTYPE_VIDEO_RT) {
            dt->bRenderTarget = 0;
            DropTexture(dt);
            plat::DeviceResult r = lpDevice->CreateTextureFromFile(file, texWidth, texHeight, format,
                                                                   plat::TexturePool::Managed, key, &dt->lpTexture);
            if (r == plat::DeviceResult::OutOfVideoMemory) {
                WriteReport("VRAM不足のためシステムメモリにテクスチャを作成します。(%s)", file);
                dt->nMemoryType = DTMEMORYTYPE_SYSTEM;
            } else if (r != plat::DeviceResult::Ok) {
                WriteReport("テクスチャの作成に失敗。(%s)", file);
                return static_cast<int>(DDResultCode(r));
            }
        }
        if (dt->nMemoryType == DTMEMORYTYPE_SYSTEM && (!recreate || !dt->lpTexture)) {
            dt->bRenderTarget = 0;
            plat::DeviceResult r = lpDevice->CreateTextureFromFile(file, texWidth, texHeight, format,
                                                                   plat::TexturePool::System, key, &dt->lpTexture);
            if (r != plat::DeviceResult::Ok) {
                WriteReport("D3DXCreateTextureFromFileEx Err %x %s", DDResultCode(r), file);
                FatalTexture();
                return static_cast<int>(DDResultCode(r));
            }
        }
        if (!TakeLevel0(dt)) return static_cast<int>(DDResultCode(plat::DeviceResult::InvalidCall));
        surface->nWidth = dib.width;
        surface->nHeight = dib.height;
        surface->nTexWidth = dt->desc.width;
        surface->nTexHeight = dt->desc.height;

        if (mirrorWidth != 0 || mirrorHeight != 0) {
            DDSURFACEDATA unmirrored;
            DDCreateSurfaceFromFile(&unmirrored, file, colorKey, bpp, systemMemory, memoryType, nullptr, 0, 0, 0, 0);
            bool mirrored = CreateMirror(surface, &unmirrored, mirrorWidth, mirrorHeight);
            DDFreeSurface(&unmirrored);
            if (!mirrored) {
                WriteReport("CreateMirror Err");
                return 1;
            }
        }
        if (!recreate) RegisterSurface(surface);
    } else {
        surface->nWidth = surface->nTexWidth = dib.width;
        surface->nHeight = surface->nTexHeight = dib.height;
    }

    surface->nMirrorWidth = mirrorWidth;
    surface->nMirrorHeight = mirrorHeight;
    surface->bSystemMemory = systemMemory;
    // A record that shares another's texture has no pixels of its own to map.
    if (indexMap && bpp != 8 && !shared)
        DDMakePalIndexMap(dt->palIndexMap, surface);
    else
        dt->palIndexMap.clear();
    return 0;
}

// Inserts a zero surface and its definition before `where` and creates it.
template <class SurfaceIt, class DefIt, class Surfaces, class Defs>
bool InsertAndCreate(Surfaces& surfaces, SurfaceIt where, Defs& defs, DefIt defWhere, int width, int height,
                     int colorKey, int systemMemory, int memoryType, DDSURFACEDATA* shared) {
    auto it = surfaces.insert(where, DDSURFACEDATA{});
    defs.insert(defWhere, BlankDef(colorKey, systemMemory, memoryType, shared));
    return DDCreateSurface(&*it, width, height, colorKey, systemMemory, memoryType, shared, 0);
}

}  // namespace

// ---------------------------------------------------------------------------
// Size rules of the texture device

void DDAdjustTextureSize(int& width, int& height) {
    if (!lpDTCon) return;
    if (lpDTCon->bPow2) {
        auto up = [](int v) {
            if (v <= 0 || (v & (v - 1)) == 0) return v;
            int top = 1;
            while (top <= v / 2) top <<= 1;
            return top << 1;
        };
        width = up(width);
        height = up(height);
    }
    if (lpDTCon->bSquareOnly) width = height = std::max(width, height);
}

bool DDCheckTextureSize(int width, int height) {
    if (!lpDTCon) return true;
    bool fits = true;
    if (width > lpDTCon->caps.maxTextureWidth) {
        WriteReportDebug("このビデオカードでは横幅%dを超える画像はサポートされていません！",
                         lpDTCon->caps.maxTextureWidth);
        fits = false;
    }
    if (height > lpDTCon->caps.maxTextureHeight) {
        WriteReportDebug("このビデオカードでは縦幅%dを超える画像はサポートされていません！",
                         lpDTCon->caps.maxTextureHeight);
        fits = false;
    }
    return fits;
}

// ---------------------------------------------------------------------------
// Creation

bool DDCreateSurface(DDSURFACEDATA* surface, int width, int height, int colorKey, int systemMemory, int memoryType,
                     DDSURFACEDATA* shared, int recreate) {
    if (!surface) return false;
    if (lpDTCon) return CreateSurfaceD3D(surface, width, height, colorKey, systemMemory, memoryType, shared, recreate);
    return CreateSurfaceDD(surface, width, height, colorKey, systemMemory);
}

int DDCreateSurfaceFromFile(DDSURFACEDATA* surface, const char* file, int colorKey, int bpp, int systemMemory,
                            int memoryType, DDSURFACEDATA* shared, int indexMap, int mirrorWidth, int mirrorHeight,
                            int recreate) {
    if (!surface) return 4;
    if (!file) file = "";
    if (lpDTCon)
        return CreateSurfaceFromFileD3D(surface, file, colorKey, bpp, systemMemory, memoryType, shared, indexMap,
                                        mirrorWidth, mirrorHeight, recreate);
    if (!lpDDCon) return 4;
    return CreateSurfaceFromFileDD(surface, file, colorKey, bpp, systemMemory, indexMap, mirrorWidth, mirrorHeight);
}

bool CopyBitmap(DDSURFACEDATA* surface, const char* file, int bpp, int indexMap, int mirrorWidth, int mirrorHeight) {
    if (lpDTCon || !file || !file[0]) return true;
    if (!surface) return false;
    plat::Dib dib;
    std::string error;
    if (!plat::LoadBmpFile(file, &dib, &error)) return false;
    return CopyDib(surface, dib, file, bpp, indexMap, mirrorWidth, mirrorHeight);
}

bool CreateMirror(DDSURFACEDATA* surface, DDSURFACEDATA* unmirrored, int mirrorWidth, int mirrorHeight) {
    if (!lpDTCon || mirrorWidth == 0 || mirrorHeight != 0) return true;
    if (!surface || !unmirrored) return false;
    if (surface->lpDT && surface->lpDT->bRenderTarget) {
        if (DDSetRenderTarget(0, surface)) lpDevice->Clear(nullptr, lpDTCon->dwTransmit);
        DDSetRenderTarget(0, lpDTCon->lpCurrentRenderTarget);
    }
    const int cells = mirrorWidth > 0 ? unmirrored->nWidth / mirrorWidth : 0;
    for (int i = 0; i < cells; ++i) {
        int x = i * mirrorWidth;
        DDStretchBlt(surface, x, 0, mirrorWidth, unmirrored->nHeight, unmirrored, x + mirrorWidth, 0, -mirrorWidth,
                     unmirrored->nHeight, 0);
    }
    return true;
}

bool DDReloadBitmap(DDSURFACEDATA* surface, int bpp) {
    if (lpDTCon || !surface) return true;
    int hasMap = surface->lpDDS && !surface->lpDDS->palIndexMap.empty() ? 1 : 0;
    return CopyBitmap(surface, surface->szFileName, bpp, hasMap, surface->nMirrorWidth, surface->nMirrorHeight);
}

bool DDCheckBmpSize(int& result, const char* file, int width, int height) {
    if (lpDTCon) return true;
    plat::Dib dib;
    std::string error;
    if (!file || !plat::LoadBmpFile(file, &dib, &error)) {
        result = 0;
        return false;
    }
    result = (dib.width > width || dib.height > height) ? 1 : 0;
    return true;
}

// ---------------------------------------------------------------------------
// Tables and lists

bool DDCreateGameSurfaces(DDSURFACEDATA* surfaces, const int* indexes, int count) {
    if (!surfaces || !indexes || !g_DDConfig.lpGameDefs) return false;
    for (int n = 0; n < count; ++n) {
        const int i = indexes[n];
        if (i < 0 || i >= g_DDConfig.nGameSurfaceCount) {
            WriteReport("DDCreateGameSurfaces Err index %d", i);
            continue;
        }
        DDSURFACEDATA* sd = &surfaces[i];
        const DDSURFACEDEF& def = g_DDConfig.lpGameDefs[i];
        DDReleaseSurface(sd);
        if (std::strcmp(def.szFile, "E") != 0) {
            int code = DDCreateSurfaceFromFile(sd, def.szFile, def.bColorKey, g_nBpp, def.bSystemMemory,
                                               def.nMemoryType, def.lpShared, def.bIndexMap, def.nMirrorWidth,
                                               def.nMirrorHeight, 0);
            // Any failure of a bitmap the game needs is a failure, not only
            // the three codes the checker names.
            bool ok = DDCheckSurfaceErr(code) && code == 0;
            if (!ok && !def.bOptional) {
                ErrorPrintf("%s の読み込みに失敗！", def.szFile);
                return false;
            }
        } else {
            bool ok = DDCreateSurface(sd, def.nBlankWidth, def.nBlankHeight, def.bColorKey, def.bSystemMemory,
                                      def.nMemoryType, def.lpShared, 0);
            if (!ok && !def.bOptional) {
                OutOfMemoryExit();
                return false;
            }
        }
    }
    return true;
}

bool DDCheckSurfaceErr(int code) {
    switch (code) {
        case 4: WriteDebugLogText("CREATESURFACE_ERR"); return false;
        case 8: WriteDebugLogText("LOADIMAGE_ERR"); return false;
        case 9: WriteDebugLogText("SETCOLORKEY_ERR"); return false;
        default: return true;
    }
}

bool DDPushSurface(cVector<DDSURFACEDATA>& surfaces, cVector<DDSURFACEDEF>& defs, int width, int height,
                   int colorKey, int systemMemory, int memoryType, DDSURFACEDATA* shared) {
    // Growing the vector moves its records; the registered-surface list must
    // follow them. Entries are matched by address only (never read through),
    // since the old records are gone once the vector has grown.
    const auto oldBegin = reinterpret_cast<uintptr_t>(surfaces.data());
    const auto oldEnd = reinterpret_cast<uintptr_t>(surfaces.data() + surfaces.size());
    const bool grows = surfaces.size() == surfaces.capacity();
    struct Moved {
        DDSURFACEDATA** entry;
        size_t index;
    };
    std::vector<Moved> moved;
    if (grows && oldBegin != oldEnd) {
        for (DDSURFACEDATA*& entry : DDRegisteredSurfaces()) {
            auto p = reinterpret_cast<uintptr_t>(entry);
            if (p >= oldBegin && p < oldEnd) moved.push_back({&entry, (p - oldBegin) / sizeof(DDSURFACEDATA)});
        }
    }
    surfaces.push_back(DDSURFACEDATA{});
    for (const Moved& m : moved) *m.entry = &surfaces[m.index];

    defs.push_back(BlankDef(colorKey, systemMemory, memoryType, shared));
    return DDCreateSurface(&surfaces.back(), width, height, colorKey, systemMemory, memoryType, shared, 0);
}

bool DDPushSurfaceList(cList<DDSURFACEDATA>& surfaces, cList<DDSURFACEDEF>& defs, int width, int height,
                       int colorKey, int systemMemory, int memoryType, DDSURFACEDATA* shared) {
    return InsertAndCreate(surfaces, surfaces.end(), defs, defs.end(), width, height, colorKey, systemMemory,
                           memoryType, shared);
}

bool DDInsertSurfaceList(cList<DDSURFACEDATA>& surfaces, cList<DDSURFACEDEF>& defs, unsigned position, int width,
                         int height, int colorKey, int systemMemory, int memoryType, DDSURFACEDATA* shared) {
    if (position >= surfaces.size())
        return DDPushSurfaceList(surfaces, defs, width, height, colorKey, systemMemory, memoryType, shared);
    auto where = std::next(surfaces.begin(), static_cast<ptrdiff_t>(position));
    auto defWhere = position < defs.size() ? std::next(defs.begin(), static_cast<ptrdiff_t>(position)) : defs.end();
    return InsertAndCreate(surfaces, where, defs, defWhere, width, height, colorKey, systemMemory, memoryType,
                           shared);
}

int DDEraseSurfaceList(cList<DDSURFACEDATA>& surfaces, cList<DDSURFACEDEF>& defs, DDSURFACEDATA* surface) {
    int index = 0;
    for (auto it = surfaces.begin(); it != surfaces.end(); ++it, ++index) {
        if (&*it != surface) continue;
        DDReleaseSurface(&*it);
        surfaces.erase(it);
        defs.EraseAt(index);
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Release

void DDReleaseSurface(DDSURFACEDATA* surface) { DDFreeSurface(surface); }

void DDFreeSurface(DDSURFACEDATA* surface) {
    if (!surface) return;
    // Queued fills must not outlive the record they point at (a list
    // element is freed right after this).
    DDFlushFillBatch(surface);
    if (DTTEXTURE* dt = surface->lpDT) {
        // An alias owns no texture; the one it shares stays with its owner.
        if (!surface->lpMirrorSrc) {
            DropTexture(dt);
            dt->lpVertexBuffer.reset();
            dt->lpSystemSurface.reset();
            dt->lpSurface = nullptr;
            if (dt->nTextureId != 0) UnregisterTexture(dt->nTextureId);
        }
        DDRegisteredSurfaces().remove(surface);
        delete dt;
        surface->lpDT = nullptr;
    }
    if (SurfaceHolder* holder = surface->lpDDS) {
        holder->owned.reset();
        holder->lpSurface = nullptr;
        delete holder;
        surface->lpDDS = nullptr;
    }
}

void DDReleaseSurfaces(cVector<DDSURFACEDATA>& surfaces) {
    for (int i = 0; i < surfaces.Size(); ++i) DDReleaseSurface(&surfaces.At(i));
}

void DDReleaseSurfaceList(cList<DDSURFACEDATA>& surfaces) {
    for (DDSURFACEDATA& sd : surfaces) DDReleaseSurface(&sd);
}
