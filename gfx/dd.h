// The drawing layer: surfaces drawn through one of two back-ends, the
// textured-quad device ("Direct3D", lpDTCon set) or the blit-surface display
// ("DirectDraw", lpDDCon set), chosen once by DDInit. Every drawing call
// takes surfaces as DDSURFACEDATA records, whatever the back-end.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/containers.h"
#include "core/program_object.h"
#include "core/text.h"
#include "platform/blit_display.h"
#include "platform/picture.h"
#include "platform/raster_device.h"

// ---------------------------------------------------------------------------
// Records

// Memory types of a Direct3D surface.
constexpr int DTMEMORYTYPE_VIDEO_RT = 0;
constexpr int DTMEMORYTYPE_SYSTEM = 1;
constexpr int DTMEMORYTYPE_VIDEO_NORT = 2;  // accepted, stored as 0

// Description of a texture's level 0.
struct TextureLevelDesc {
    plat::PixelFormat format = plat::PixelFormat::A8R8G8B8;
    int width = 0;
    int height = 0;
};

// The Direct3D texture record of a surface.
struct DTTEXTURE {
    int nTextureId = 0;
    plat::RasterSurface* lpSurface = nullptr;                 // level 0, or the device back buffer
    std::unique_ptr<plat::RasterSurface> lpSystemSurface;     // lockable copy of a render target
    std::unique_ptr<plat::VertexBuffer> lpVertexBuffer;       // the surface's own four vertices
    std::unique_ptr<plat::RasterTexture> lpTexture;
    TextureLevelDesc desc;
    int nMemoryType = DTMEMORYTYPE_VIDEO_RT;
    int bColorKey = 0;
    int bRenderTarget = 0;
    std::vector<uint8_t> palIndexMap;  // one byte per pixel, pitch in pixels; empty = none
};

// The DirectDraw surface holder of a surface. The attached back buffer of a
// full-screen flip chain belongs to the primary, so only `owned` frees.
struct SurfaceHolder {
    plat::BlitSurface* lpSurface = nullptr;
    std::unique_ptr<plat::BlitSurface> owned;
    std::vector<uint8_t> palIndexMap;
};

// The surface record. Back-end objects are released only by
// DDReleaseSurface, never by the destructor, so records may be copied and
// discarded freely (a copy shares the back-end objects).
struct DDSURFACEDATA {
    DTTEXTURE* lpDT = nullptr;
    SurfaceHolder* lpDDS = nullptr;
    char szName[kMaxPath] = {};
    int nWidth = 0, nHeight = 0;
    int nTexWidth = 0, nTexHeight = 0;
    char szFileName[kMaxPath] = {};
    int bSystemMemory = 0;
    int nMirrorWidth = 0, nMirrorHeight = 0;
    DDSURFACEDATA* lpMirrorSrc = nullptr;
    int bLost = 0;

    DDSURFACEDATA() = default;
    // Creates the back-end object of the configured back-end when missing.
    void AllocData();
};

// The definition from which a surface is (re)created; file "E" = blank.
struct DDSURFACEDEF {
    char szFile[kMaxPath] = {};
    int bColorKey = 0;
    int bSystemMemory = 0;
    int nMemoryType = 0;
    DDSURFACEDATA* lpShared = nullptr;
    int bIndexMap = 0;
    int bOptional = 0;
    int nMirrorWidth = 0, nMirrorHeight = 0;
    int nBlankWidth = 0, nBlankHeight = 0;

    DDSURFACEDEF& Set(const char* file, int colorKey, int systemMemory, int memoryType, DDSURFACEDATA* shared,
                      int indexMap, int optional, int mirrorWidth, int mirrorHeight, int blankWidth,
                      int blankHeight);
};

// {blue, green, red}, as the transparent colours are kept.
struct RGBTRIPLE {
    uint8_t rgbtBlue = 0, rgbtGreen = 0, rgbtRed = 0;
};

// The Direct3D context; exactly one exists while Direct3D is active.
struct DTCONTEXT {
    plat::PixelFormat backBufferFormat = plat::PixelFormat::X8R8G8B8;
    plat::PixelFormat textureFormat = plat::PixelFormat::A8R8G8B8;
    plat::RasterDeviceConfig presentParams;
    int nAdapter = 0;
    plat::PixelFormat displayFormat = plat::PixelFormat::X8R8G8B8;
    plat::RasterCaps caps;
    int bPow2 = 0;
    int bSquareOnly = 0;
    int bDynamicTextures = 0;
    int bVirBackBuffer = 0;
    DDSURFACEDATA* lpCurrentRenderTarget = nullptr;
    int bCopying = 0;
    RGBTRIPLE rgbTransmit;
    RGBTRIPLE rgbPalTransmit;       // colour-table entry 0 of the 8-bit palette bitmap
    uint32_t dwTransmit = 0;        // a keyed texel after loading: 0
    uint32_t dwTransmitOpaque = 0;  // 0xFF000000 | RGB of rgbTransmit
    uint16_t wTransmit_16 = 0;
    uint16_t wTransmitOpaque_16 = 0;
    int bInScene = 0;
    uint32_t dwVertexColor = 0xFFFFFFFF;
    int nColorOp = plat::kTopModulate;
    int nAlphaOp = plat::kTopSelectArg1;
    int nTextureCounter = 0;
    int nFontCounter = 0;
    std::string strErrorText;
};

// The DirectDraw context; exactly one exists while DirectDraw is active.
struct DDCONTEXT {
    RGBTRIPLE rgbTransmit;
    RGBTRIPLE rgbConvTransmit;  // 24/32-bit bitmaps into 16-bit surfaces
    int nFontCounter = 0;
};

// Pixel-format table: shifts then masks (a mask is the field's maximum).
struct PixelFormatTable {
    int nRedShift = 0, nGreenShift = 0, nBlueShift = 0, nAlphaShift = 0;
    int nRedMask = 0, nGreenMask = 0, nBlueMask = 0, nAlphaMask = 0;
};

// One palette entry {red, green, blue, flags}.
using PALETTEENTRY = plat::PaletteColor;
constexpr uint8_t PC_RESERVED = 0x01;
constexpr uint8_t PC_EXPLICIT = 0x02;

// Lock guard of all pixel-level code. On failure Bits() is null.
class cSurfaceLock {
public:
    explicit cSurfaceLock(DDSURFACEDATA* surface);
    ~cSurfaceLock();
    cSurfaceLock(const cSurfaceLock&) = delete;
    cSurfaceLock& operator=(const cSurfaceLock&) = delete;

    DDSURFACEDATA* Surface() const { return m_lpSD; }
    uint8_t* Bits() const { return m_pBits; }
    int PitchPixels() const { return m_nPitch; }
    int Bpp() const { return m_nBpp; }
    int BytesPerPixel() const { return m_nBytes; }

private:
    DDSURFACEDATA* m_lpSD = nullptr;
    uint8_t* m_pBits = nullptr;
    int m_nPitch = 0;
    int m_nBpp = 0;
    int m_nBytes = 0;
    int m_nKind = 0;  // which unlock the destructor owes
};

// ---------------------------------------------------------------------------
// Layer state

extern DTCONTEXT* lpDTCon;
extern DDCONTEXT* lpDDCon;

extern int g_nBpp;         // display depth 8, 16, 24 or 32
// The main window's client area on the desktop, kept by the window.
extern plat::PixelRect g_rcWindow;
extern int g_bWindowMode;  // 0 full screen, 1 window

// Configuration stored by DDInit.
struct DisplayConfig {
    int bUseD3D = 0;
    int bInitialized = 0;
    int bWasInitialized = 0;
    uint32_t hWnd = 0;
    int nWidth = 0, nHeight = 0;
    int nBytesPerPixel = 0;
    int nBackBufferChoice = 1;
    int bVSync = 0;
    int nRefreshRate = 60;
    int bRefreshRequest = 0;
    DDSURFACEDATA* lpGameSurfaces = nullptr;
    const DDSURFACEDEF* lpGameDefs = nullptr;
    int nGameSurfaceCount = 0;
    uint32_t dwColorKey = 0;  // DirectDraw pixel value of the transparent colour
};
extern DisplayConfig g_DDConfig;

// The platform objects of the active back-end.
extern std::unique_ptr<plat::RasterDevice> lpDevice;
extern std::unique_ptr<plat::BlitDisplay> g_lpDD;

extern DDSURFACEDATA g_PrimarySD;
extern DDSURFACEDATA g_BackBufferSD;
extern DDSURFACEDATA g_OffScreenSD;
extern DDSURFACEDATA g_VirBackBufferSD;
extern DDSURFACEDATA g_WorkSD;

constexpr int kSysBmpCount = 72;
extern DDSURFACEDATA g_SysBmp[kSysBmpCount];
extern DDSURFACEDATA g_FontNumberSD[3];
PROGRAM_OBJECT_DECLARE(g_PictureSD, cList<DDSURFACEDATA>);
PROGRAM_OBJECT_DECLARE(Off_Msg, cList<DDSURFACEDATA>);
PROGRAM_OBJECT_DECLARE(g_PictureDef, cList<DDSURFACEDEF>);
PROGRAM_OBJECT_DECLARE(g_OffMsgDef, cList<DDSURFACEDEF>);

// Every Direct3D surface that owns a texture, in creation order.
cList<DDSURFACEDATA*>& DDRegisteredSurfaces();

extern PALETTEENTRY g_Palette[256];
extern PALETTEENTRY g_BasePalette[256];
extern PixelFormatTable g_PixelFormat;            // textures, and DirectDraw above 8 bits
extern PixelFormatTable g_BackBufferPixelFormat;  // Direct3D 16-bit back buffer

// A device result as the number the report lines print.
uint32_t DDResultCode(plat::DeviceResult result);

// ---------------------------------------------------------------------------
// Display start-up and release

int DDInit(int useD3D, uint32_t hWnd, int width, int height, int bpp, int vsync, int windowMode,
           int backBufferChoice, int refreshRate, int refreshRequest, DDSURFACEDATA* gameSurfaces,
           const DDSURFACEDEF* gameDefs, int count, int unused);
int DDInitD3D(uint32_t hWnd, int width, int height, int bpp, int backBufferChoice);
int DDInitFullScreen(uint32_t hWnd, int width, int height, int bpp, int backBufferChoice);
int DDInitWindow(uint32_t hWnd);
bool DDCheckInitErr(int code);
void DDSetDefaultStates();
void DDRelease();
void DDUninit();

// ---------------------------------------------------------------------------
// Surface creation, bitmaps and surface lists

void DDAdjustTextureSize(int& width, int& height);
bool DDCheckTextureSize(int width, int height);
bool DDCreateSurface(DDSURFACEDATA* surface, int width, int height, int colorKey, int systemMemory,
                     int memoryType, DDSURFACEDATA* shared, int recreate);
int DDCreateSurfaceFromFile(DDSURFACEDATA* surface, const char* file, int colorKey, int bpp, int systemMemory,
                            int memoryType, DDSURFACEDATA* shared, int indexMap, int mirrorWidth,
                            int mirrorHeight, int recreate);
bool CopyBitmap(DDSURFACEDATA* surface, const char* file, int bpp, int indexMap, int mirrorWidth,
                int mirrorHeight);
bool CreateMirror(DDSURFACEDATA* surface, DDSURFACEDATA* unmirrored, int mirrorWidth, int mirrorHeight);
bool DDReloadBitmap(DDSURFACEDATA* surface, int bpp);
bool DDCheckBmpSize(int& result, const char* file, int width, int height);
bool DDCreateGameSurfaces(DDSURFACEDATA* surfaces, const int* indexes, int count);
bool DDCheckSurfaceErr(int code);
// The vector form keeps the registered-surface list pointing at the moved
// records when the vector grows.
bool DDPushSurface(cVector<DDSURFACEDATA>& surfaces, cVector<DDSURFACEDEF>& defs, int width, int height,
                   int colorKey, int systemMemory, int memoryType, DDSURFACEDATA* shared);
bool DDPushSurfaceList(cList<DDSURFACEDATA>& surfaces, cList<DDSURFACEDEF>& defs, int width, int height,
                       int colorKey, int systemMemory, int memoryType, DDSURFACEDATA* shared);
bool DDInsertSurfaceList(cList<DDSURFACEDATA>& surfaces, cList<DDSURFACEDEF>& defs, unsigned position, int width,
                         int height, int colorKey, int systemMemory, int memoryType, DDSURFACEDATA* shared);
int DDEraseSurfaceList(cList<DDSURFACEDATA>& surfaces, cList<DDSURFACEDEF>& defs, DDSURFACEDATA* surface);
void DDReleaseSurface(DDSURFACEDATA* surface);
void DDFreeSurface(DDSURFACEDATA* surface);
void DDReleaseSurfaces(cVector<DDSURFACEDATA>& surfaces);
void DDReleaseSurfaceList(cList<DDSURFACEDATA>& surfaces);

// Locks a DirectDraw surface whole; bits and pitch (bytes) on success.
// Under Direct3D nothing is locked and the result is false.
bool DDLock(DDSURFACEDATA* surface, uint8_t** bits, int* pitch, int bpp);
void DDUnlock(DDSURFACEDATA* surface);

// ---------------------------------------------------------------------------
// Palette, colour key and pixel formats

bool DDLoadPaletteFromFile(PALETTEENTRY* palette, const char* file, int ignored);
int DDSetPalette_UnPal(PALETTEENTRY* palette, DDSURFACEDATA* surface);
int DDSetTransmit(const char* file);
void DDSetTransmit(uint8_t red, uint8_t green, uint8_t blue);
uint32_t PalNumToRGB(uint32_t colorNumber);
uint16_t DDPalToRGB16(const PALETTEENTRY& entry);
// Field values, each masked to its field, packed by a pixel-format table.
uint32_t DDPackFields(const PixelFormatTable& table, uint32_t red, uint32_t green, uint32_t blue);
// 8-bit channels scaled to a table's fields (byte x mask / 255) and packed.
uint32_t DDScaleToFields(const PixelFormatTable& table, uint32_t red, uint32_t green, uint32_t blue);
void DDGetPixelFormat(PixelFormatTable& table);
int DDMakePalIndexMap(std::vector<uint8_t>& map, DDSURFACEDATA* surface);

// ---------------------------------------------------------------------------
// Fills, fill batch, scenes and render targets

void DDSetVertexColor(uint32_t argb);
void DDResetVertexColor();
void DDSetColorOp(int op);
void DDResetColorOp();
void DDSetAlphaOp(int op);
void DDResetAlphaOp();
void DDFillRect(DDSURFACEDATA* surface, int x, int y, int width, int height, uint32_t colorNumber);
void DDFillSurface(DDSURFACEDATA* surface, uint32_t colorNumber);
void DDFillRectColor(DDSURFACEDATA* surface, int x, int y, int width, int height, uint32_t value);
void DDFillSurfaceColor(DDSURFACEDATA* surface, uint32_t value);
void DDBeginFillBatch();
void DDEndFillBatch();
// Draws the fills queued for a render target now, so that drawing into it
// (or reading it) outside the batch keeps the order of the calls.
void DDFlushFillBatch(DDSURFACEDATA* surface);
int DDBeginScene();
void DDEndScene();
int DDSetRenderTarget(int index, DDSURFACEDATA* surface);

// ---------------------------------------------------------------------------
// Device loss, restore and present

void DDSetVirBackBuffer(int on);
int DDRedirectBackBuffer(DDSURFACEDATA*& surface);
void DDResolveMirror(DDSURFACEDATA*& surface);
void DDCopySurface(DDSURFACEDATA* destination, DDSURFACEDATA* source);
int DDPresent(int fps, int showFps, DDSURFACEDATA* overlay);
int DDRestoreSurface();
bool DDRestore();
bool IsFullscreenBackBuffer(const DDSURFACEDATA* surface);

// Fonts restored with the surfaces; the font room installs these.
struct FontRestoreHooks {
    void (*onLostDevice)() = nullptr;
    void (*restore)() = nullptr;
};
FontRestoreHooks& DDFontRestoreHooks();

// ---------------------------------------------------------------------------
// Blits and clipping

constexpr int DDBLT_OPAQUE = 0;
constexpr int DDBLT_KEYED = 1;

// Vertex colour and colour operation for one blit.
struct BlendPair {
    uint32_t dwVertexColor = 0xFFFFFFFF;
    int nColorOp = plat::kTopModulate;
};

void DDBlt(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX, int srcY,
           int flags);
void DDStretchBlt(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX, int srcY,
                  int srcWidth, int srcHeight, int flags);
void DDBltBlend(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX, int srcY,
                int flags, const BlendPair* blend);
void DDStretchBltBlend(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src, int srcX,
                       int srcY, int srcWidth, int srcHeight, int flags, const BlendPair* blend);
bool DDClipBlt(DDSURFACEDATA* dest, int& x, int& y, int& width, int& height, DDSURFACEDATA* src, int& srcX,
               int& srcY, int& srcWidth, int& srcHeight);
void DDMirrorCoords(DDSURFACEDATA* src, int& srcX, int& srcY, int& srcWidth, int& srcHeight);
// Texture device: the value a destination shows where an opaque copy from a
// keyed source is transparent (the back buffer has no alpha, so there it is
// the transparent colour itself; a texture gets the transparent texel), and
// the stage of a textured quad combined with its vertex colour.
uint32_t DDTransparentClearValue(const DDSURFACEDATA* dest);
plat::StageState DDTexturedStage(int colorOp, int alphaOp);
// Texture device: draws one strip of four vertices with the source's
// texture into dest through `stage` (and `factor` when the stage reads the
// texture factor). The vertices go into the source's vertex buffer; waiting
// fills of both surfaces are drawn first; `clear`, when given, is cleared to
// dest's transparent value before the strip. Nothing is drawn when the
// buffer, the scene or the target cannot be had. True when the target was
// set back afterwards.
bool DDDrawTexturedQuad(DDSURFACEDATA* dest, DDSURFACEDATA* src, const plat::Vertex (&quad)[4],
                        const plat::StageState& stage, uint32_t factor = 0, const plat::PixelRect* clear = nullptr);

// Draw layers queue clipped Direct3D quad blits while one is open; the
// layer code installs the hook. True when the blit was queued.
using LayerQueueHook = bool (*)(DDSURFACEDATA* dest, int x, int y, int width, int height, DDSURFACEDATA* src,
                                  int srcX, int srcY, int srcWidth, int srcHeight, int flags);
LayerQueueHook& DDLayerQueue();
