// The mixer's cost: every sound slot of the bundled game kept playing, and a
// stand-in for music adding a stereo stream, over 10 s of audio mixed in
// the device's periods. core_percent is the share of one core the mix takes
// while it is played (the goal: at most 2).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "audio/sound_slots.h"
#include "platform/clock.h"
#include "platform/mixer_testing.h"
#include "platform/run_mode.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace {

std::string g_sounds;

void RemoveSounds() {
    std::error_code ec;
    std::filesystem::remove_all(g_sounds, ec);
}

// The bundled game's wave files, written once into a scratch folder.
const std::string& SoundFolder() {
    if (g_sounds.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvsounds-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        g_sounds = pattern;
        std::atexit(RemoveSounds);
        std::string error;
        if (!sample::WriteSounds(g_sounds, &error)) std::abort();
    }
    return g_sounds;
}

// Music as a player decoded ahead hands it over: a second of stereo sound
// copied out at a volume, round and round.
class MusicStandIn : public plat::MixSource {
public:
    MusicStandIn() : m_sound(static_cast<size_t>(plat::kMixRate) * 2) {
        for (size_t i = 0; i < m_sound.size(); i += 2) {
            const double t = static_cast<double>(i / 2) / plat::kMixRate;
            m_sound[i] = static_cast<float>(0.3 * std::sin(2 * 3.14159265 * 220 * t));
            m_sound[i + 1] = static_cast<float>(0.3 * std::sin(2 * 3.14159265 * 330 * t));
        }
    }
    void Mix(float* out, int frames) override {
        for (int k = 0; k < frames * 2; ++k) {
            out[k] += m_sound[m_at] * 0.8f;
            m_at = m_at + 1 == m_sound.size() ? 0 : m_at + 1;
        }
    }

private:
    std::vector<float> m_sound;
    size_t m_at = 0;
};

}  // namespace

static void BM_MixAllSlotsAndMusicFor10s(benchmark::State& state) {
    const std::string& folder = SoundFolder();
    plat::ChooseRunMode(true);
    DS_Init(plat::kNoWindow, 22050, 8, 1);
    std::vector<DSSOUNDDATA> slots(sample::kSystemSounds + sample::kSounds - 1);
    for (size_t i = 0; i < slots.size(); ++i) {
        const size_t system = sample::kSystemSounds;
        const char* file = i < system ? sample::kSystemSoundFiles[i] : sample::kEffectSoundFiles[i - system + 1];
        if (!DS_CreateSoundSlot(&slots[i], sample::GamePath(folder, file).c_str(), 1, -300)) {
            state.SkipWithError("a sound of the bundled game did not load");
            return;
        }
    }
    MusicStandIn music;
    plat::AttachMixSource(&music);

    constexpr int kPeriods = 10 * plat::kMixRate / plat::kMixPeriod;
    std::vector<float> out(static_cast<size_t>(plat::kMixPeriod) * 2);
    double seconds = 0;
    for (auto _ : state) {
        const double start = plat::RealSeconds();
        for (int p = 0; p < kPeriods; ++p) {
            // Every slot sounds all the time: one that ended starts again.
            for (DSSOUNDDATA& slot : slots)
                if (!plat::VoicePlaying(slot.vBuffers[0])) DS_PlaySound(&slot, 0);
            plat::testing::PullMix(out.data(), plat::kMixPeriod);
        }
        seconds += plat::RealSeconds() - start;
        benchmark::DoNotOptimize(out.data());
    }
    plat::DetachMixSource(&music);
    for (DSSOUNDDATA& slot : slots) DS_ReleaseSoundSlot(&slot);
    DS_Release();
    const double played = static_cast<double>(kPeriods) * plat::kMixPeriod / plat::kMixRate;
    state.counters["slots"] = static_cast<double>(slots.size());
    state.counters["core_percent"] = 100.0 * seconds / (played * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_MixAllSlotsAndMusicFor10s)->Unit(benchmark::kMillisecond)->UseRealTime();
