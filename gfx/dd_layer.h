// Draw layers: while a layer is open under Direct3D, textured-quad blits are
// queued and drawn when it closes, one vertex buffer and one texture binding
// per run of like blits. A sorting layer brings the blits of one source
// together; sheets registered as keys come after everything else. Under
// DirectDraw every call here does nothing and blits draw at once.
#pragma once
#include <cstdint>
#include <vector>

#include "gfx/dd.h"

constexpr int kMaxDrawLayers = 100;
constexpr int kLayerKeyStep = 100000;

// One queued blit; rectangles are after clipping.
struct DDLAYERENTRY {
    int nIndex = 0;  // submission index
    int nSortKey = 0;
    DDSURFACEDATA* lpDest = nullptr;
    DDSURFACEDATA* lpSrc = nullptr;
    int nX = 0, nY = 0, nWidth = 0, nHeight = 0;
    int nSrcX = 0, nSrcY = 0, nSrcWidth = 0, nSrcHeight = 0;
    int nFlags = 0;
    uint32_t dwVertexColor = 0xFFFFFFFF;
    int nColorOp = 0;
    int nAlphaOp = 0;
    int bPosition = 0;  // the key came from a position key
};

// One registered key: a whole source (bPosition 0) or one source position.
struct DDLAYERKEY {
    DDSURFACEDATA* lpSrc = nullptr;
    int bPosition = 0;
    int nSrcX = 0, nSrcY = 0;
    int nValue = 0;
};

struct DDLAYER {
    int bOn = 1;
    std::vector<DDLAYERENTRY> entries;
    int nNextKey = 0;
    int bSort = 0;
    std::vector<DDLAYERKEY> keys;
};

void DDBeginLayer(int sort);
void DDEndLayer();
void DDPauseLayer();
void DDResumeLayer();
void DDAddLayerKey(DDSURFACEDATA* src);
void DDAddLayerKeyRect(DDSURFACEDATA* src, int srcX, int srcY);
void DDFindLayerKey(DDSURFACEDATA* src, int position, int srcX, int srcY);
bool DDLayerEntryLess(const DDLAYERENTRY& a, const DDLAYERENTRY& b);

// The innermost open layer, or null.
DDLAYER* DDCurrentLayer();
// Number of open layers.
int DDLayerDepth();
// Closes every open layer without drawing (display release).
void DDDiscardLayers();
