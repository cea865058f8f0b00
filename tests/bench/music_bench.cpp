// Music as the mixer pulls it: 10 seconds of the bundled game's OGG loop
// and of its MIDI song, in periods of 1024 frames. "core_%" is the share of
// one core that playing them takes (shown with an "s", as inverted rates
// are).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "audio/midi_stream.h"
#include "platform/midi_device.h"
#include "platform/mix_source.h"
#include "platform/ogg_player.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace {

constexpr int kSeconds = 10;
constexpr int kPeriod = 1024;

std::string g_music;

void RemoveMusic() {
    std::error_code ec;
    std::filesystem::remove_all(g_music, ec);
}

// A program path of the bundled music, written once into a scratch folder.
std::string MusicPath(const char* relative) {
    static const bool made = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvmusic-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        g_music = pattern;
        std::atexit(RemoveMusic);
        std::string error;
        if (!sample::WriteSounds(g_music, &error)) std::abort();
        return true;
    }();
    (void)made;
    return sample::GamePath(g_music, relative);
}

void ShareOfCore(benchmark::State& state) {
    // CPU seconds per iteration over the seconds of sound it made, in percent.
    state.counters["core_%"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kSeconds / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

static void BM_OggMusic10s(benchmark::State& state) {
    plat::OggPlayer player;
    if (!player.Load(MusicPath(sample::kOggFile))) {
        state.SkipWithError("the OGG file did not load");
        return;
    }
    player.SetLoop(plat::kOggLoopEndless);
    std::vector<float> out(2 * kPeriod);
    for (auto _ : state) {
        player.Stop();
        player.Play();
        for (int done = 0; done < kSeconds * plat::kMixRate; done += kPeriod) {
            player.Mix(out.data(), kPeriod);
            benchmark::DoNotOptimize(out.data());
        }
    }
    ShareOfCore(state);
}
BENCHMARK(BM_OggMusic10s)->Unit(benchmark::kMillisecond);

static void BM_MidiMusic10s(benchmark::State& state) {
    if (!plat::PrepareMidiSynth()) {
        state.SkipWithError("the General MIDI sound font is missing");
        return;
    }
    const std::string path = MusicPath(sample::kMidiFile);
    std::vector<float> out(2 * kPeriod);
    for (auto _ : state) {
        cMidiStream player(path.c_str());
        player.Restart(1);
        for (int done = 0; done < kSeconds * plat::kMixRate; done += kPeriod) {
            plat::MixAttachedSources(out.data(), kPeriod);
            benchmark::DoNotOptimize(out.data());
        }
    }
    ShareOfCore(state);
}
BENCHMARK(BM_MidiMusic10s)->Unit(benchmark::kMillisecond);
