// Draw layers: queued textured-quad blits drawn as runs when a layer closes.
#include "gfx/dd_layer.h"

#include <algorithm>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>

#include "core/report_log.h"

namespace {

// One open layer plus the look-up tables that give a new blit the key of
// the first earlier blit of its source without scanning every entry.
struct LayerState {
    DDLAYER layer;
    // First entry (index, key) with position flag 0, per source.
    std::unordered_map<const DDSURFACEDATA*, std::pair<int, int>> firstBySource;
    // First entry (index, key) with position flag 1, per source position.
    std::map<std::tuple<const DDSURFACEDATA*, int, int>, std::pair<int, int>> firstByPosition;
};

struct LayerStack {
    std::vector<std::unique_ptr<LayerState>> layers;
    // Opens refused beyond the limit; their closes must not close the
    // enclosing layers, or every later close of the frame would be one
    // level off.
    int nIgnoredOpens = 0;
};

LayerStack& Stack() {
    static LayerStack stack;
    return stack;
}

LayerState* Current() {
    LayerStack& s = Stack();
    return s.layers.empty() ? nullptr : s.layers.back().get();
}

bool HasTexture(const DDSURFACEDATA* sd) { return sd && sd->lpDT && sd->lpDT->lpSurface; }

bool QueueBlit(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX, int srcY,
               int srcWidth, int srcHeight, int flags) {
    LayerState* state = Current();
    if (!lpDTCon || !state || !state->layer.bOn) return false;
    // The present step's copy must reach the screen now.
    if (lpDTCon->bCopying) return false;
    DDLAYER& layer = state->layer;

    DDLAYERENTRY e;
    e.nIndex = static_cast<int>(layer.entries.size());
    e.lpDest = dest;
    e.lpSrc = src;
    e.nX = x;
    e.nY = y;
    e.nWidth = width;
    e.nHeight = height;
    e.nSrcX = srcX;
    e.nSrcY = srcY;
    e.nSrcWidth = srcWidth;
    e.nSrcHeight = srcHeight;
    e.nFlags = flags;
    e.dwVertexColor = lpDTCon->dwVertexColor;
    e.nColorOp = lpDTCon->nColorOp;
    e.nAlphaOp = lpDTCon->nAlphaOp;

    bool matched = false;
    if (layer.bSort) {
        // The first earlier entry of this source: one keyed by source alone,
        // or one keyed by position at this very source position.
        int bestIndex = -1;
        auto bySource = state->firstBySource.find(src);
        if (bySource != state->firstBySource.end()) {
            bestIndex = bySource->second.first;
            e.nSortKey = bySource->second.second;
        }
        auto byPosition = state->firstByPosition.find({src, srcX, srcY});
        if (byPosition != state->firstByPosition.end() && (bestIndex < 0 || byPosition->second.first < bestIndex)) {
            bestIndex = byPosition->second.first;
            e.nSortKey = byPosition->second.second;
        }
        matched = bestIndex >= 0;
    }
    if (!matched) {
        e.nSortKey = layer.nNextKey++;
        for (const DDLAYERKEY& key : layer.keys) {
            if (key.lpSrc != src) continue;
            if (!key.bPosition) {
                e.nSortKey += key.nValue;
            } else if (key.nSrcX == srcX && key.nSrcY == srcY) {
                e.nSortKey += key.nValue;
                e.bPosition = 1;
            }
        }
    }
    if (e.bPosition)
        state->firstByPosition.try_emplace({src, srcX, srcY}, e.nIndex, e.nSortKey);
    else
        state->firstBySource.try_emplace(src, e.nIndex, e.nSortKey);
    layer.entries.push_back(e);
    return true;
}

bool SameRun(const DDLAYERENTRY& a, const DDLAYERENTRY& b) {
    return a.lpSrc == b.lpSrc && a.lpDest == b.lpDest && a.dwVertexColor == b.dwVertexColor &&
           a.nFlags == b.nFlags && a.nColorOp == b.nColorOp && a.nAlphaOp == b.nAlphaOp;
}

// The quad of one entry, placed and textured as an immediate blit would be.
// Entries are clipped before they are queued, which keeps every edge inside
// int.
void EntryQuad(plat::Vertex* v, const DDLAYERENTRY& e) {
    const float x0 = static_cast<float>(e.nX) - 0.5f, x1 = static_cast<float>(e.nX + e.nWidth) - 0.5f;
    const float y0 = static_cast<float>(e.nY) - 0.5f, y1 = static_cast<float>(e.nY + e.nHeight) - 0.5f;
    const float tw = static_cast<float>(e.lpSrc->nTexWidth), th = static_cast<float>(e.lpSrc->nTexHeight);
    const float u0 = static_cast<float>(e.nSrcX) / tw, u1 = static_cast<float>(e.nSrcX + e.nSrcWidth) / tw;
    const float v0 = static_cast<float>(e.nSrcY) / th, v1 = static_cast<float>(e.nSrcY + e.nSrcHeight) / th;
    v[0] = {x0, y0, 0.0f, 1.0f, e.dwVertexColor, u0, v0};
    v[1] = {x0, y1, 0.0f, 1.0f, e.dwVertexColor, u0, v1};
    v[2] = {x1, y0, 0.0f, 1.0f, e.dwVertexColor, u1, v0};
    v[3] = {x1, y1, 0.0f, 1.0f, e.dwVertexColor, u1, v1};
}

enum class RunResult { Drawn, Retry };

// Draws entries [first, last) of one run from one vertex buffer. Retry asks
// the walk to go on with the entry after the run's first.
RunResult DrawRun(const DDLAYERENTRY* first, const DDLAYERENTRY* last) {
    DDSURFACEDATA* dest = first->lpDest;
    DDSURFACEDATA* src = first->lpSrc;
    // A surface released while its blits waited draws nothing.
    if (!HasTexture(dest) || !HasTexture(src)) return RunResult::Drawn;
    const int n = static_cast<int>(last - first);

    std::unique_ptr<plat::VertexBuffer> buffer;
    if (lpDevice->CreateVertexBuffer(4 * n, &buffer) != plat::DeviceResult::Ok || !buffer) {
        WriteReportDebug("CreateVertexBuffer Err");
        return RunResult::Retry;
    }
    // Fills queued earlier for these surfaces come first.
    DDFlushFillBatch(dest);
    DDFlushFillBatch(src);

    plat::Vertex* v = nullptr;
    if (!buffer->Lock(&v)) return RunResult::Drawn;
    for (int k = 0; k < n; ++k) EntryQuad(v + 4 * k, first[k]);
    buffer->Unlock();
    if (!DDBeginScene() || !DDSetRenderTarget(0, dest)) return RunResult::Retry;
    if (first->nFlags == DDBLT_OPAQUE && src->lpDT->bColorKey) {
        // All clears of the run come before its quads.
        const uint32_t value = DDTransparentClearValue(dest);
        for (const DDLAYERENTRY* e = first; e != last; ++e) {
            plat::PixelRect rect{e->nX, e->nY, e->nX + e->nWidth, e->nY + e->nHeight};
            lpDevice->Clear(&rect, value);
        }
    }
    lpDevice->SetStage(DDTexturedStage(first->nColorOp, first->nAlphaOp));
    lpDevice->SetTexture(src->lpDT->lpTexture.get());
    const plat::Vertex* data = buffer->Data();
    for (int k = 0; k < n; ++k) lpDevice->DrawStrip(data + 4 * k);
    // The run is drawn even when the old target cannot be put back; trying
    // its entries again would draw them twice.
    DDSetRenderTarget(0, lpDTCon->lpCurrentRenderTarget);
    return RunResult::Drawn;
}

void DrawLayer(DDLAYER& layer) {
    auto& entries = layer.entries;
    if (layer.bSort) std::sort(entries.begin(), entries.end(), DDLayerEntryLess);
    size_t i = 0;
    while (i < entries.size()) {
        size_t j = i + 1;
        while (j < entries.size() && SameRun(entries[i], entries[j])) ++j;
        if (DrawRun(entries.data() + i, entries.data() + j) == RunResult::Drawn)
            i = j;
        else
            ++i;
    }
}

}  // namespace

void DDBeginLayer(int sort) {
    if (!lpDTCon) return;
    LayerStack& s = Stack();
    if (static_cast<int>(s.layers.size()) >= kMaxDrawLayers) {
        ++s.nIgnoredOpens;
        return;
    }
    DDLayerQueue() = &QueueBlit;
    auto state = std::make_unique<LayerState>();
    state->layer.bSort = sort;
    s.layers.push_back(std::move(state));
}

void DDEndLayer() {
    LayerStack& s = Stack();
    if (s.nIgnoredOpens > 0) {
        --s.nIgnoredOpens;
        return;
    }
    if (s.layers.empty()) return;
    // Taken off first: nothing drawn below may queue into it again.
    std::unique_ptr<LayerState> state = std::move(s.layers.back());
    s.layers.pop_back();
    if (lpDTCon && lpDevice && !state->layer.entries.empty()) DrawLayer(state->layer);
}

void DDPauseLayer() {
    if (LayerState* state = Current(); lpDTCon && state) state->layer.bOn = 0;
}

void DDResumeLayer() {
    if (LayerState* state = Current(); lpDTCon && state) state->layer.bOn = 1;
}

void DDAddLayerKey(DDSURFACEDATA* src) { DDFindLayerKey(src, 0, 0, 0); }

void DDAddLayerKeyRect(DDSURFACEDATA* src, int srcX, int srcY) { DDFindLayerKey(src, 1, srcX, srcY); }

void DDFindLayerKey(DDSURFACEDATA* src, int position, int srcX, int srcY) {
    LayerState* state = Current();
    if (!lpDTCon || !state || !state->layer.bOn || !state->layer.bSort || !src) return;
    DDResolveMirror(src);
    std::vector<DDLAYERKEY>& keys = state->layer.keys;
    for (const DDLAYERKEY& key : keys) {
        if (key.lpSrc != src) continue;
        if (!position || !key.bPosition) return;
        if (key.nSrcX == srcX && key.nSrcY == srcY) return;
    }
    DDLAYERKEY key;
    key.lpSrc = src;
    key.bPosition = position ? 1 : 0;
    key.nSrcX = srcX;
    key.nSrcY = srcY;
    key.nValue = (static_cast<int>(keys.size()) + 1) * kLayerKeyStep;
    keys.push_back(key);
}

bool DDLayerEntryLess(const DDLAYERENTRY& a, const DDLAYERENTRY& b) {
    if (a.nSortKey == b.nSortKey) return a.nIndex < b.nIndex;
    return a.nSortKey < b.nSortKey;
}

DDLAYER* DDCurrentLayer() {
    LayerState* state = Current();
    return state ? &state->layer : nullptr;
}

int DDLayerDepth() { return static_cast<int>(Stack().layers.size()); }

void DDDiscardLayers() {
    LayerStack& s = Stack();
    s.layers.clear();
    s.nIgnoredOpens = 0;
}
