// State shared by the picture layer's own files: the size limit of
// surfaces, the test switches of picture_testing.h as the image, the raster
// device and the blit display read them, and the video-memory count both
// faces draw from. Private to platform/picture.cpp, raster_device.cpp and
// blit_display.cpp.
#pragma once
#include <cstdint>

#include "platform/picture_testing.h"

namespace plat::internal {

// Sides beyond this are refused outright, whatever the device says, so a
// bad request cannot ask for gigabytes.
constexpr int kMaxSurfaceSide = 16384;
inline bool SurfaceSizeOk(int width, int height) {
    return width > 0 && height > 0 && width <= kMaxSurfaceSide && height <= kMaxSurfaceSide;
}

int PitchPadding();
// True when an injected lock failure was pending (it is used up).
bool TakeLockFailure();
bool TakeBufferCreationFailure();
bool TakeBufferLockFailure();
// True when a device loss was injected for the next Present; gives the
// number of "lost" answers to follow.
bool TakeDeviceLoss(int* lostChecks);

// Video memory in use by render targets and video surfaces. Reserve fails
// (reserving nothing) when the bytes would pass the budget.
bool ReserveVideoMemory(int64_t bytes);
void ReleaseVideoMemory(int64_t bytes);

testing::RasterCapsOverride RasterCapsNow();
int DesktopDepthNow();
bool X1R5G5B5ForBlit16Now();
bool NarrowVectorsNow();

}  // namespace plat::internal
