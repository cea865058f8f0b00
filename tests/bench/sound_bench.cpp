// Sound as the device takes it, over 10 s of audio: the bundled game's OGG
// loop and MIDI song alone, and every sound slot of the bundled game kept
// playing with that music through the mixer. core_percent is the share of
// one core the work takes while the sound is played (the mixer's goal: at
// most 2).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "audio/midi_stream.h"
#include "audio/sound_slots.h"
#include "platform/clock.h"
#include "platform/midi_device.h"
#include "platform/mixer_testing.h"
#include "platform/ogg_player.h"
#include "platform/run_mode.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace {

constexpr int kSeconds = 10;
constexpr int kPeriods = kSeconds * plat::kMixRate / plat::kMixPeriod;

std::string g_sounds;

void RemoveSounds() {
    std::error_code ec;
    std::filesystem::remove_all(g_sounds, ec);
}

// A program path of the bundled game's sounds and music, written once into
// a scratch folder.
std::string SoundPath(const char* relative) {
    if (g_sounds.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvsounds-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        g_sounds = pattern;
        std::atexit(RemoveSounds);
        std::string error;
        if (!sample::WriteSounds(g_sounds, &error)) std::abort();
    }
    return sample::GamePath(g_sounds, relative);
}


// The bundled music, as the music manager plays it: an OGG player or a MIDI
// stream player, looping.
class Music {
public:
    explicit Music(bool midi) {
        if (midi) {
            if (!plat::PrepareMidiSynth()) return;
            m_midi = std::make_unique<cMidiStream>(SoundPath(sample::kMidiFile).c_str());
        } else {
            m_ogg = std::make_unique<plat::OggPlayer>();
            if (!m_ogg->Load(SoundPath(sample::kOggFile))) m_ogg.reset();
            else m_ogg->SetLoop(plat::kOggLoopEndless);
        }
    }
    bool Loaded() const { return m_midi || m_ogg; }
    void StartOver() {
        if (m_midi) {
            m_midi->Pause(0);
            m_midi->Restart(1);
        } else if (m_ogg) {
            m_ogg->Stop();
            m_ogg->Play();
        }
    }

private:
    std::unique_ptr<cMidiStream> m_midi;
    std::unique_ptr<plat::OggPlayer> m_ogg;
};

// Plays the music from its start for 10 s of sound each iteration, one
// period at a time through `pull`, and reports the share of one core it took.
template <class Pull>
void PlayFor10s(benchmark::State& state, Music& music, Pull pull) {
    std::vector<float> out(static_cast<size_t>(plat::kMixPeriod) * 2);
    double seconds = 0;
    for (auto _ : state) {
        music.StartOver();
        const double start = plat::RealSeconds();
        for (int p = 0; p < kPeriods; ++p) {
            pull(out.data());
            benchmark::DoNotOptimize(out.data());
        }
        seconds += plat::RealSeconds() - start;
    }
    const double played = static_cast<double>(kPeriods) * plat::kMixPeriod / plat::kMixRate;
    state.counters["core_percent"] = 100.0 * seconds / (played * static_cast<double>(state.iterations()));
}

}  // namespace

// The music alone, as the mixer pulls its sources.
static void BM_Music10s(benchmark::State& state) {
    Music music(state.range(0) != 0);
    if (!music.Loaded()) {
        state.SkipWithError("the music did not load (or the MIDI sound font is missing)");
        return;
    }
    PlayFor10s(state, music, [](float* out) { plat::MixAttachedSources(out, plat::kMixPeriod); });
}
BENCHMARK(BM_Music10s)->ArgName("midi")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole mix: every slot sounding all the time, and the music.
static void BM_MixAllSlotsAndMusicFor10s(benchmark::State& state) {
    plat::ChooseRunMode(true);
    DS_Init(plat::kNoWindow, 22050, 8, 1);
    std::vector<DSSOUNDDATA> slots(sample::kSystemSounds + sample::kSounds - 1);
    for (size_t i = 0; i < slots.size(); ++i) {
        const size_t system = sample::kSystemSounds;
        const char* file = i < system ? sample::kSystemSoundFiles[i] : sample::kEffectSoundFiles[i - system + 1];
        if (!DS_CreateSoundSlot(&slots[i], SoundPath(file).c_str(), 1, -300)) {
            state.SkipWithError("a sound of the bundled game did not load");
            return;
        }
    }
    {
        Music music(state.range(0) != 0);
        if (!music.Loaded()) {
            state.SkipWithError("the music did not load (or the MIDI sound font is missing)");
            return;
        }
        PlayFor10s(state, music, [&slots](float* out) {
            // One that ended starts again.
            for (DSSOUNDDATA& slot : slots)
                if (!plat::VoicePlaying(slot.vBuffers[0])) DS_PlaySound(&slot, 0);
            plat::testing::PullMix(out, plat::kMixPeriod);
        });
    }
    for (DSSOUNDDATA& slot : slots) DS_ReleaseSoundSlot(&slot);
    DS_Release();
    state.counters["slots"] = static_cast<double>(slots.size());
}
BENCHMARK(BM_MixAllSlotsAndMusicFor10s)->ArgName("midi")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
