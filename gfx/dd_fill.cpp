// Rectangle fills, the fill batch, the scene bracket, render-target
// switching and the drawing parameters that blits read.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/report_log.h"
#include "gfx/dd.h"

namespace {

// One queued fill, already cut to its surface.
struct DDFILLENTRY {
    DDSURFACEDATA* lpSD;
    int x, y, nWidth, nHeight;
    uint32_t dwColor;
};

struct FillBatch {
    bool bOn = false;
    std::vector<DDFILLENTRY> entries;
};
FillBatch g_FillBatch;

// The four corners of a filled rectangle, half a pixel up and left so that
// pixel centres fall inside exactly the rectangle's pixels.
void FillQuad(plat::Vertex* v, int x, int y, int w, int h, uint32_t color) {
    const float x0 = static_cast<float>(x) - 0.5f, x1 = static_cast<float>(x + w) - 0.5f;
    const float y0 = static_cast<float>(y) - 0.5f, y1 = static_cast<float>(y + h) - 0.5f;
    v[0] = {x0, y0, 0.0f, 1.0f, color, 0.0f, 0.0f};
    v[1] = {x0, y1, 0.0f, 1.0f, color, 0.0f, 0.0f};
    v[2] = {x1, y0, 0.0f, 1.0f, color, 0.0f, 0.0f};
    v[3] = {x1, y1, 0.0f, 1.0f, color, 0.0f, 0.0f};
}

// The rectangle cut to the surface's logical size; false when nothing is
// left.
bool ClipToSurface(const DDSURFACEDATA* sd, int& x, int& y, int& w, int& h) {
    const long long left = std::max<long long>(x, 0);
    const long long top = std::max<long long>(y, 0);
    const long long right = std::min<long long>(static_cast<long long>(x) + w, sd->nWidth);
    const long long bottom = std::min<long long>(static_cast<long long>(y) + h, sd->nHeight);
    if (right <= left || bottom <= top) return false;
    x = static_cast<int>(left);
    y = static_cast<int>(top);
    w = static_cast<int>(right - left);
    h = static_cast<int>(bottom - top);
    return true;
}

// Draws the entries [first, last) of one surface, all from one vertex
// buffer; false when the run could not be started.
bool DrawFillRun(const DDFILLENTRY* first, const DDFILLENTRY* last) {
    const int k = static_cast<int>(last - first);
    std::unique_ptr<plat::VertexBuffer> buffer;
    if (lpDevice->CreateVertexBuffer(4 * k, &buffer) != plat::DeviceResult::Ok || !buffer) {
        WriteReport("CreateVertexBuffer Err");
        return true;  // the run is dropped
    }
    plat::Vertex* v = nullptr;
    if (!buffer->Lock(&v)) return true;
    for (int j = 0; j < k; ++j) FillQuad(v + 4 * j, first[j].x, first[j].y, first[j].nWidth, first[j].nHeight,
                                         first[j].dwColor);
    buffer->Unlock();
    if (!DDBeginScene() || !DDSetRenderTarget(0, first->lpSD)) return false;
    plat::StageState stage = lpDevice->Stage();
    stage.colorOp = plat::kTopSelectArg2;
    stage.colorArg2 = plat::kTaDiffuse;
    stage.alphaOp = plat::kTopDisable;
    lpDevice->SetStage(stage);
    lpDevice->SetTexture(g_WorkSD.lpDT ? g_WorkSD.lpDT->lpTexture.get() : nullptr);
    const plat::Vertex* data = buffer->Data();
    for (int j = 0; j < k; ++j) lpDevice->DrawStrip(data + 4 * j);
    buffer.reset();
    DDSetRenderTarget(0, lpDTCon->lpCurrentRenderTarget);
    return true;
}

// Walks entries in runs of consecutive fills of one surface.
void DrawFillEntries(const std::vector<DDFILLENTRY>& entries) {
    size_t i = 0;
    while (i < entries.size()) {
        size_t j = i + 1;
        while (j < entries.size() && entries[j].lpSD == entries[i].lpSD) ++j;
        if (DrawFillRun(entries.data() + i, entries.data() + j))
            i = j;
        else
            ++i;  // the walk goes on with the run's next entry
    }
}

bool HasBackEndObject(const DDSURFACEDATA* sd) {
    if (lpDTCon) return sd->lpDT && sd->lpDT->lpSurface;
    return sd->lpDDS && sd->lpDDS->lpSurface;
}

void FillD3D(DDSURFACEDATA* surface, int x, int y, int w, int h, uint32_t value) {
    DDResolveMirror(surface);
    DDRedirectBackBuffer(surface);
    if (!HasBackEndObject(surface)) {
        WriteDebugLog("DDFillRectColor Err: no texture (%s)", surface->szFileName);
        return;
    }
    if (!ClipToSurface(surface, x, y, w, h)) return;
    DTTEXTURE* dt = surface->lpDT;

    if (dt->bRenderTarget) {
        const uint32_t transparent = surface == &g_BackBufferSD ? lpDTCon->dwTransmitOpaque : lpDTCon->dwTransmit;
        if (dt->bColorKey && (g_nBpp == 16 || g_nBpp == 32) && value == transparent) {
            // A clear writes the value exactly, alpha included, which a
            // blended quad could not.
            DDFlushFillBatch(surface);
            if (!DDBeginScene()) return;
            if (DDSetRenderTarget(0, surface)) {
                plat::PixelRect rect{x, y, x + w, y + h};
                lpDevice->Clear(&rect, value);
            }
            DDSetRenderTarget(0, lpDTCon->lpCurrentRenderTarget);
            return;
        }
        if (g_FillBatch.bOn) {
            g_FillBatch.entries.push_back({surface, x, y, w, h, value});
            return;
        }
        plat::VertexBuffer* vb = dt->lpVertexBuffer.get();
        plat::Vertex* v = nullptr;
        if (!vb || !vb->Lock(&v)) return;
        FillQuad(v, x, y, w, h, value);
        vb->Unlock();
        if (!DDBeginScene()) return;
        if (DDSetRenderTarget(0, surface)) {
            lpDevice->SetTextureFactor(value);
            plat::StageState stage = lpDevice->Stage();
            stage.colorOp = plat::kTopSelectArg2;
            stage.colorArg2 = plat::kTaTFactor;
            stage.alphaOp = plat::kTopSelectArg2;
            stage.alphaArg2 = plat::kTaTFactor;
            lpDevice->SetStage(stage);
            lpDevice->DrawStrip(vb->Data());
        }
        DDSetRenderTarget(0, lpDTCon->lpCurrentRenderTarget);
        return;
    }

    cSurfaceLock lock(surface);
    uint8_t* bits = lock.Bits();
    if (!bits) return;
    const int pitch = lock.PitchPixels();
    if (g_nBpp == 32) {
        auto* base = reinterpret_cast<uint32_t*>(bits);
        for (int j = 0; j < h; ++j) std::fill_n(base + static_cast<ptrdiff_t>(y + j) * pitch + x, w, value);
    } else if (g_nBpp == 16) {
        const PixelFormatTable& tf = g_PixelFormat;
        const uint32_t a = (value >> 24) * static_cast<uint32_t>(tf.nAlphaMask) / 255;
        const uint32_t r = ((value >> 16) & 0xFF) * static_cast<uint32_t>(tf.nRedMask) / 255;
        uint32_t g = ((value >> 8) & 0xFF) * static_cast<uint32_t>(tf.nGreenMask) / 255;
        const uint32_t b = (value & 0xFF) * static_cast<uint32_t>(tf.nBlueMask) / 255;
        const PixelFormatTable& pf = IsFullscreenBackBuffer(surface) ? g_BackBufferPixelFormat : g_PixelFormat;
        if (&pf == &g_BackBufferPixelFormat) g *= 2;
        const auto mask = [](uint32_t field, int m) { return field & static_cast<uint32_t>(m); };
        const auto pixel = static_cast<uint16_t>(mask(a, pf.nAlphaMask) << pf.nAlphaShift |
                                                 mask(r, pf.nRedMask) << pf.nRedShift |
                                                 mask(g, pf.nGreenMask) << pf.nGreenShift |
                                                 mask(b, pf.nBlueMask) << pf.nBlueShift);
        auto* base = reinterpret_cast<uint16_t*>(bits);
        for (int j = 0; j < h; ++j) std::fill_n(base + static_cast<ptrdiff_t>(y + j) * pitch + x, w, pixel);
    }
}

void FillDD(DDSURFACEDATA* surface, int x, int y, int w, int h, uint32_t value) {
    if (!HasBackEndObject(surface)) {
        WriteDebugLog("DDFillRectColor Err: no surface (%s)", surface->szFileName);
        return;
    }
    if (!ClipToSurface(surface, x, y, w, h)) return;
    plat::PixelRect rect{x, y, x + w, y + h};
    surface->lpDDS->lpSurface->ColorFill(&rect, value);
}

}  // namespace

// ---------------------------------------------------------------------------
// Drawing parameters

void DDSetVertexColor(uint32_t argb) {
    if (lpDTCon) lpDTCon->dwVertexColor = argb;
}
void DDResetVertexColor() { DDSetVertexColor(0xFFFFFFFF); }
void DDSetColorOp(int op) {
    if (lpDTCon) lpDTCon->nColorOp = op;
}
void DDResetColorOp() { DDSetColorOp(plat::kTopModulate); }
void DDSetAlphaOp(int op) {
    if (lpDTCon) lpDTCon->nAlphaOp = op;
}
void DDResetAlphaOp() { DDSetAlphaOp(plat::kTopSelectArg1); }

// ---------------------------------------------------------------------------
// Fills

void DDFillRect(DDSURFACEDATA* surface, int x, int y, int width, int height, uint32_t colorNumber) {
    if (!surface || (!lpDTCon && !lpDDCon)) return;
    // Numbers above 255 report themselves and fill with 0.
    DDFillRectColor(surface, x, y, width, height, PalNumToRGB(colorNumber));
}

void DDFillSurface(DDSURFACEDATA* surface, uint32_t colorNumber) {
    if (surface) DDFillRect(surface, 0, 0, surface->nWidth, surface->nHeight, colorNumber);
}

void DDFillRectColor(DDSURFACEDATA* surface, int x, int y, int width, int height, uint32_t value) {
    if (!surface) return;
    if (lpDTCon)
        FillD3D(surface, x, y, width, height, value);
    else if (lpDDCon)
        FillDD(surface, x, y, width, height, value);
}

void DDFillSurfaceColor(DDSURFACEDATA* surface, uint32_t value) {
    if (surface) DDFillRectColor(surface, 0, 0, surface->nWidth, surface->nHeight, value);
}

// ---------------------------------------------------------------------------
// Fill batch

void DDBeginFillBatch() {
    if (!lpDTCon) return;
    // A batch opened inside another (a frame drawn while fills wait) draws
    // what waits first instead of dropping it.
    if (lpDevice && !g_FillBatch.entries.empty()) DrawFillEntries(g_FillBatch.entries);
    g_FillBatch.bOn = true;
    g_FillBatch.entries.clear();
}

void DDEndFillBatch() {
    if (lpDTCon && lpDevice && !g_FillBatch.entries.empty()) DrawFillEntries(g_FillBatch.entries);
    g_FillBatch.bOn = false;
    g_FillBatch.entries.clear();
}

void DDFlushFillBatch(DDSURFACEDATA* surface) {
    if (g_FillBatch.entries.empty() || !surface || !lpDTCon || !lpDevice) return;
    std::vector<DDFILLENTRY> mine;
    auto& entries = g_FillBatch.entries;
    for (const DDFILLENTRY& e : entries)
        if (e.lpSD == surface) mine.push_back(e);
    if (mine.empty()) return;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [surface](const DDFILLENTRY& e) { return e.lpSD == surface; }),
                  entries.end());
    DrawFillEntries(mine);
}

// ---------------------------------------------------------------------------
// Scene and render target

int DDBeginScene() {
    if (!lpDevice || !lpDTCon) return 0;
    if (lpDTCon->bInScene) return 1;
    plat::DeviceResult r = lpDevice->BeginScene();
    if (r != plat::DeviceResult::Ok) {
        WriteReport("BeginScene Err %x", DDResultCode(r));
        return 0;
    }
    lpDTCon->bInScene = 1;
    return 1;
}

void DDEndScene() {
    if (!lpDevice || !lpDTCon || !lpDTCon->bInScene) return;
    lpDevice->EndScene();
    lpDTCon->bInScene = 0;
}

int DDSetRenderTarget(int /*index*/, DDSURFACEDATA* surface) {
    if (!surface || !surface->lpDT || !surface->lpDT->bRenderTarget || !lpDevice) return 0;
    plat::DeviceResult r = surface->lpDT->lpSurface ? lpDevice->SetRenderTarget(surface->lpDT->lpSurface)
                                                    : plat::DeviceResult::InvalidCall;
    if (r != plat::DeviceResult::Ok) {
        WriteReport("SetRenderTarget Err %x (%s)", DDResultCode(r), surface->szFileName);
        return 0;
    }
    return 1;
}
