// Test switch of the mixer: listening to the mix. The system's own code
// never includes this header.
#pragma once

namespace plat::testing {

// Mixes the next `frames` frames into `out` (interleaved left, right),
// period by period as the device would take them, voices and attached
// sources alike. False, with nothing mixed, while a device or the desktop's
// null sink mixes by itself; a headless run's null sink mixes only this way.
bool PullMix(float* out, int frames);

}  // namespace plat::testing
