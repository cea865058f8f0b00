// Arbitrary bytes as an OGG music file: the player refuses what it cannot
// play, and what it takes plays as an endless loop into the mix without a
// fault and without a sample that is not a number.
#include <cmath>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "platform/ogg_player.h"

namespace {

using orvfuzz::Check;

constexpr const char* kPath = "bgm\\fuzz.ogg";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvfuzz::ServeInputAlone(kPath, data, size);
    plat::OggPlayer player;
    if (!player.Load(kPath)) {
        Check(player.StreamRate() == 0);
        return 0;
    }
    Check(player.StreamRate() > 0 && player.StreamChannels() > 0);
    player.SetLoop(plat::kOggLoopEndless);
    player.Play();
    std::vector<float> out(2 * 1024, 0.0f);
    for (int period = 0; period < 4; ++period) player.Mix(out.data(), 1024);
    for (float v : out) Check(std::isfinite(v));
    return 0;
}
