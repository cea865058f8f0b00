// The textured-quad device of the picture layer: textures, a back buffer,
// render targets, exact clears and four-vertex strips drawn through one
// texture stage and source-alpha blending. Everything is computed in
// software with fixed rules:
// - pixel centres at integer coordinates, top-left fill rule; an
//   axis-aligned quad from x-0.5 to x+w-0.5 covers exactly columns x..x+w-1
//   (an exact integer path); other quads use edge functions;
// - point sampling with wrap: texel (floor(u*W) mod W, floor(v*H) mod H),
//   affine in screen space (rhw is always 1);
// - no bound texture reads as opaque white;
// - stage combiner: select, modulate (a*b+127)/255, add min(255,a+b),
//   subtract max(0,a-b), blend-by-factor-alpha (a1*f+a2*(255-f)+127)/255;
//   alpha "disable" passes the diffuse alpha;
// - blending on: out = (s*a + d*(255-a) + 127)/255 on A, R, G, B, kept
//   only where the target format has the channel; 16-bit targets widen,
//   blend and truncate;
// - a texture bound while it is the render target is read before each write.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/picture.h"

namespace plat {

struct Vertex {
    float x, y, z, rhw;
    uint32_t diffuse;  // ARGB
    float u, v;
};
static_assert(sizeof(Vertex) == 28, "the stored vertex layout is 28 bytes");

enum class DeviceResult {
    Ok,
    OutOfVideoMemory,
    InvalidCall,
    DeviceLost,
    DeviceNotReset,
    Failed,
};

// Where a texture lives: a render target in video memory (gone after a
// device reset), a dynamic texture in system memory, or a managed texture
// (kept across resets).
enum class TexturePool { RenderTarget, System, Managed };

// Texture-stage operations and arguments, with the numbers the program
// stores and passes around.
constexpr int kTopDisable = 1;
constexpr int kTopSelectArg1 = 2;
constexpr int kTopSelectArg2 = 3;
constexpr int kTopModulate = 4;
constexpr int kTopAdd = 7;
constexpr int kTopSubtract = 10;
constexpr int kTopBlendFactorAlpha = 15;
constexpr int kTaDiffuse = 0;
constexpr int kTaCurrent = 1;  // at the only stage, the diffuse colour
constexpr int kTaTexture = 2;
constexpr int kTaTFactor = 3;

struct StageState {
    int colorOp = kTopModulate;
    int colorArg1 = kTaTexture;
    int colorArg2 = kTaCurrent;
    int alphaOp = kTopSelectArg1;
    int alphaArg1 = kTaTexture;
    int alphaArg2 = kTaCurrent;
};

// A lockable surface: a texture's only level, the back buffer, or a plain
// system-memory surface (the lockable copy of a render target).
class RasterSurface {
public:
    virtual ~RasterSurface() = default;
    virtual Image& Pixels() = 0;
    int Width() { return Pixels().Width(); }
    int Height() { return Pixels().Height(); }
    PixelFormat Format() { return Pixels().Format(); }
    bool Lock(uint8_t** bits, int* pitch) { return Pixels().Lock(bits, pitch); }
    void Unlock() { Pixels().Unlock(); }
    virtual bool IsRenderTarget() const = 0;
};

class RasterTexture {
public:
    virtual ~RasterTexture() = default;
    virtual RasterSurface* Level0() = 0;
    virtual TexturePool Pool() const = 0;
    int Width() { return Level0()->Width(); }
    int Height() { return Level0()->Height(); }
    PixelFormat Format() { return Level0()->Format(); }
};

// Vertices written by the program before a draw; lock failures can be
// injected.
class VertexBuffer {
public:
    virtual ~VertexBuffer() = default;
    virtual int Count() const = 0;
    virtual bool Lock(Vertex** vertices) = 0;
    virtual void Unlock() = 0;
    virtual const Vertex* Data() const = 0;
};

struct RasterCaps {
    bool pow2 = false;
    bool squareOnly = false;
    bool dynamicTextures = true;
    bool alphaFlipOrDiscard = true;
    int maxTextureWidth = 4096;
    int maxTextureHeight = 4096;
};

struct RasterDeviceConfig {
    bool windowed = true;
    int width = 640;
    int height = 480;
    PixelFormat backBufferFormat = PixelFormat::X8R8G8B8;  // X8R8G8B8, R5G6B5 or A1R5G5B5
    bool waitForVerticalBlank = false;
    bool hardwareVertexProcessing = true;
};

class RasterDevice {
public:
    virtual ~RasterDevice() = default;

    // Facts of the device that Create would make, readable before it.
    static RasterCaps QueryCaps();
    static int DisplayRefreshRate();

    // Null with the reason when the device cannot be made: a back-buffer
    // format other than the three above (InvalidCall), hardware vertex
    // processing asked of a device that only has the software form, or an
    // injected failure (Failed).
    static std::unique_ptr<RasterDevice> Create(const RasterDeviceConfig& config, DeviceResult* result);

    virtual const RasterCaps& Caps() const = 0;
    virtual const RasterDeviceConfig& Config() const = 0;

    // One-level textures of exactly the given size (the program applies the
    // size rules first). Render targets count against the video-memory
    // budget and fail with OutOfVideoMemory beyond it. Only A8R8G8B8 and
    // A1R5G5B5 textures exist; new textures are all zero.
    virtual DeviceResult CreateTexture(int width, int height, PixelFormat format, TexturePool pool,
                                       std::unique_ptr<RasterTexture>* out) = 0;
    // A texture loaded from a bitmap file (program path), placed at the
    // top-left of a texture of the given size without scaling, converted to
    // the format (24/32-bit and palette colours by truncation), every texel
    // whose colour equals the key (0xFFRRGGBB; the key's alpha is ignored)
    // becoming ARGB 0, other texels opaque; texels outside the picture are
    // ARGB 0. Failed when the file cannot be read.
    virtual DeviceResult CreateTextureFromFile(const char* programPath, int width, int height, PixelFormat format,
                                               TexturePool pool, uint32_t colorKey,
                                               std::unique_ptr<RasterTexture>* out) = 0;
    virtual DeviceResult CreateOffscreenPlain(int width, int height, PixelFormat format,
                                              std::unique_ptr<RasterSurface>* out) = 0;
    virtual DeviceResult CreateVertexBuffer(int vertexCount, std::unique_ptr<VertexBuffer>* out) = 0;

    // The device's back buffer: lockable, the render target after creation
    // and after a reset.
    virtual RasterSurface* BackBuffer() = 0;
    // Render target -> its system copy, and back; sizes and formats must
    // match (InvalidCall otherwise).
    virtual DeviceResult GetRenderTargetData(RasterSurface* renderTarget, RasterSurface* systemCopy) = 0;
    virtual DeviceResult UpdateSurface(RasterSurface* source, RasterSurface* destination) = 0;

    // Only the back buffer and render-target textures can be targets.
    virtual DeviceResult SetRenderTarget(RasterSurface* target) = 0;
    virtual RasterSurface* RenderTarget() = 0;
    // Writes the value exactly (alpha included, packed into the target's
    // format) over the rectangle, cut to the target; null = whole target.
    virtual DeviceResult Clear(const PixelRect* rect, uint32_t argb) = 0;

    virtual DeviceResult BeginScene() = 0;  // InvalidCall when already in one
    virtual DeviceResult EndScene() = 0;    // InvalidCall when not in one
    virtual bool InScene() const = 0;

    virtual void SetTexture(RasterTexture* texture) = 0;  // null: none
    virtual void SetStage(const StageState& stage) = 0;
    virtual const StageState& Stage() const = 0;
    virtual void SetTextureFactor(uint32_t argb) = 0;
    // Default states: blending on, stage defaults, texture factor white.
    virtual void SetDefaultStates() = 0;
    virtual void SetAlphaBlend(bool on) = 0;

    // Two triangles from a strip of four vertices into the render target.
    // InvalidCall outside a scene.
    virtual DeviceResult DrawStrip(const Vertex* four) = 0;

    // Hands the back buffer to the presenter (see presenter.h), then waits
    // for the vertical blank when the configuration says so. DeviceLost when
    // a loss was injected.
    virtual DeviceResult Present() = 0;
    // Whether Present waits for the blank from now on (the configuration's
    // waitForVerticalBlank), without a reset.
    virtual void SetWaitForVerticalBlank(bool wait) = 0;
    virtual DeviceResult TestCooperativeLevel() = 0;
    // InvalidCall while any render-target texture made by this device is
    // alive or the device is still lost; otherwise clears the back buffer to
    // 0, restores the default states and makes the back buffer the target.
    virtual DeviceResult Reset() = 0;

    // Objects made by this device and not yet destroyed.
    virtual int LiveObjects() const = 0;
};

}  // namespace plat
