// Sound that the mixer pulls from a player (music) rather than from a
// stored sample block. The mixer calls each attached source once per
// period on its own thread.
#pragma once

namespace plat {

constexpr int kMixRate = 44100;     // frames per second of the mix
constexpr int kMixChannels = 2;     // interleaved left, right

class MixSource {
public:
    virtual ~MixSource() = default;
    // Adds `frames` frames of sound into `out` (interleaved floats, full
    // scale -1..1); a source that has nothing to play adds nothing.
    virtual void Mix(float* out, int frames) = 0;
};

// A source may be attached once; detaching an unknown source does nothing.
void AttachMixSource(MixSource* source);
// Returns only when the mixer no longer calls the source, so its owner may
// destroy it afterwards. Never called from inside a source's Mix.
void DetachMixSource(MixSource* source);

// Adds every attached source's next `frames` frames into `out`, in the
// order they were attached. The mixer calls this; tests call it to listen.
void MixAttachedSources(float* out, int frames);

}  // namespace plat
