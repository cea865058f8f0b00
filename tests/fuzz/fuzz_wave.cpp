// Arbitrary bytes as a wave file: the reader, then a sound slot made of it,
// played and heard through the null sink. What loads is PCM and no larger
// than the file; a slot is made exactly when the file loads in a format the
// mixer plays, and its mix stays within full scale.
#include <cmath>
#include <cstdint>
#include <vector>

#include "audio/sound_slots.h"
#include "fuzz_support.h"
#include "platform/mixer_testing.h"
#include "platform/run_mode.h"

namespace {

using orvfuzz::Check;

constexpr const char* kPath = "wave\\fuzz.wav";

bool Prepare() {
    orvfuzz::EnterScratchFolder();
    orvfuzz::UseMemoryFiles();
    plat::ChooseRunMode(true);  // never a real device
    return DS_Init(plat::kNoWindow, 22050, 8, 1);
}

bool Playable(const LoadedWave& wave) {
    const WaveFormat& f = wave.format;
    const size_t block = static_cast<size_t>(f.nChannels) * f.wBitsPerSample / 8;
    if ((f.nChannels != 1 && f.nChannels != 2) || (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) ||
        f.nSamplesPerSec < static_cast<uint32_t>(plat::kMinVoiceRate) ||
        f.nSamplesPerSec > static_cast<uint32_t>(plat::kMaxVoiceRate) || wave.samples.size() < block)
        return false;
    const uint64_t frames = (wave.samples.size() / block - 1) * uint64_t{plat::kMixRate} / f.nSamplesPerSec + 1;
    return frames <= uint64_t{plat::kMaxVoiceSeconds} * plat::kMixRate;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Prepare();
    Check(ready);
    orvfuzz::ServeInput(kPath, data, size);

    LoadedWave wave;
    const bool loaded = DS_LoadWave(kPath, &wave);
    if (loaded) {
        Check(wave.format.wFormatTag == 1);
        Check(!wave.samples.empty() && wave.samples.size() <= size);
    }

    DSSOUNDDATA slot;
    const int count = size ? 1 + data[0] % 3 : 1;
    const int volume = -static_cast<int>(size % 10001);
    const bool made = DS_CreateSoundSlot(&slot, kPath, count, volume);
    Check(made == !slot.vBuffers.empty());
    Check(made == (loaded && Playable(wave)));
    if (!made) return 0;
    Check(static_cast<int>(slot.vBuffers.size()) == count);
    Check(DS_GetVolume(&slot, count - 1) == volume);

    DS_PlaySound(&slot, 0);
    DS_PlaySound(&slot, 0);
    std::vector<float> mix(static_cast<size_t>(plat::kMixPeriod) * 4);
    Check(plat::testing::PullMix(mix.data(), plat::kMixPeriod * 2));
    for (float v : mix) Check(std::isfinite(v) && v >= -1.0f && v <= 1.0f);
    DS_ReleaseSoundSlot(&slot);
    return 0;
}
