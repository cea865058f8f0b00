#include "platform/mixer.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/byte_order.h"
#include "platform/clock.h"
#include "platform/mixer_testing.h"
#include "platform/run_mode.h"

namespace plat {
namespace {

struct Voice {
    std::shared_ptr<const std::vector<float>> sound;  // interleaved stereo at kMixRate
    size_t frames = 0;
    size_t position = 0;
    bool playing = false;
    int volume = 0;
    float gain = 1.0f;
};

// Guards the voices and the id counter; held while voices mix, never
// while the sources mix or the output opens or closes.
std::mutex g_voiceLock;
std::map<VoiceId, Voice> g_voices;
VoiceId g_nextVoice = 1;

// Guards the output: the state, the device, the paced sink.
std::mutex g_outputLock;
MixerState g_state;
SDL_AudioDeviceID g_device = 0;
bool g_audioStarted = false;
// The device or the desktop's null sink mixes by itself.
std::atomic<bool> g_selfMixing{false};

std::thread g_sink;
std::mutex g_sinkLock;
std::condition_variable g_sinkWake;
bool g_sinkStop = false;

float GainOf(int volume) {
    return volume <= -10000 ? 0.0f : static_cast<float>(std::pow(10.0, volume / 2000.0));
}

void MixVoices(float* out, int frames) {
    std::lock_guard<std::mutex> hold(g_voiceLock);
    for (auto& [id, v] : g_voices) {
        if (!v.playing) continue;
        const size_t n = std::min(static_cast<size_t>(frames), v.frames - v.position);
        // A silent voice still moves on, as it would be heard.
        if (v.gain > 0.0f) {
            const float* from = v.sound->data() + v.position * 2;
            for (size_t k = 0; k < n * 2; ++k) out[k] += from[k] * v.gain;
        }
        v.position += n;
        if (v.position >= v.frames) {
            v.playing = false;
            v.position = 0;
        }
    }
}

// One period: the voices, then the music sources, kept within full scale.
void MixPeriod(float* out, int frames) {
    std::fill(out, out + static_cast<size_t>(frames) * 2, 0.0f);
    MixVoices(out, frames);
    MixAttachedSources(out, frames);
    for (int k = 0; k < frames * 2; ++k) out[k] = std::clamp(out[k], -1.0f, 1.0f);
}

void DeviceCallback(void*, Uint8* stream, int bytes) {
    MixPeriod(reinterpret_cast<float*>(stream), bytes / static_cast<int>(sizeof(float) * kMixChannels));
}

// The desktop's null sink: mixes as much as the layer's clock says has
// been played. Falling far behind (the machine paused the process) skips
// ahead as a device's underrun would, rather than racing to catch up.
void RunPacedSink() {
    std::vector<float> scratch(static_cast<size_t>(kMixPeriod) * 2);
    uint32_t last = TimeMs();
    int64_t owed = 0;  // frames due, in thousandths
    const int64_t period = static_cast<int64_t>(kMixPeriod) * 1000;
    std::unique_lock<std::mutex> lock(g_sinkLock);
    while (!g_sinkStop) {
        lock.unlock();
        const uint32_t now = TimeMs();
        owed += static_cast<int64_t>(static_cast<uint32_t>(now - last)) * kMixRate;
        last = now;
        if (owed > static_cast<int64_t>(kMixRate) * 500) owed = period;
        while (owed >= period) {
            MixPeriod(scratch.data(), kMixPeriod);
            owed -= period;
        }
        lock.lock();
        g_sinkWake.wait_for(lock, std::chrono::milliseconds(5), [] { return g_sinkStop; });
    }
}

void StartPacedSink() {
    {
        std::lock_guard<std::mutex> hold(g_sinkLock);
        g_sinkStop = false;
    }
    g_sink = std::thread(RunPacedSink);
    g_selfMixing = true;
}

// Opens the default device for float stereo at the mix rate; SDL converts
// to whatever the device takes. "" on success, else why not.
std::string OpenDevice() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return SDL_GetError();
    SDL_AudioSpec want{};
    want.freq = kMixRate;
    want.format = AUDIO_F32SYS;
    want.channels = kMixChannels;
    want.samples = kMixPeriod;
    want.callback = DeviceCallback;
    SDL_AudioSpec have{};
    g_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (g_device == 0) {
        std::string why = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return why.empty() ? "the device could not be opened" : why;
    }
    g_audioStarted = true;
    const char* driver = SDL_GetCurrentAudioDriver();
    g_state.device = driver ? driver : "";
    g_selfMixing = true;
    SDL_PauseAudioDevice(g_device, 0);
    return "";
}

void CloseOutput() {
    if (g_device != 0) {
        SDL_CloseAudioDevice(g_device);  // waits for a callback in progress
        g_device = 0;
    }
    if (g_audioStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_audioStarted = false;
    }
    if (g_sink.joinable()) {
        {
            std::lock_guard<std::mutex> hold(g_sinkLock);
            g_sinkStop = true;
        }
        g_sinkWake.notify_all();
        g_sink.join();
    }
    g_selfMixing = false;
    g_state = MixerState{};
}

// The bytes as stereo float frames at the mix rate, linearly interpolated
// when the rate differs.
std::vector<float> ToMixFormat(const PcmFormat& format, const uint8_t* bytes, size_t inFrames, size_t outFrames) {
    const size_t block = static_cast<size_t>(format.channels * format.bitsPerSample / 8);
    auto sample = [&](size_t frame, int channel) {
        const uint8_t* p = bytes + frame * block;
        if (format.bitsPerSample == 8) return (static_cast<int>(p[channel]) - 128) / 128.0f;
        p += channel * 2;
        return static_cast<int16_t>(LoadLe16(p)) / 32768.0f;
    };
    const int right = format.channels == 2 ? 1 : 0;
    std::vector<float> out(outFrames * 2);
    const uint64_t rate = static_cast<uint64_t>(format.samplesPerSecond);
    for (size_t j = 0; j < outFrames; ++j) {
        const uint64_t at = j * rate;
        const size_t i = static_cast<size_t>(at / kMixRate);
        const float frac = static_cast<float>(at % kMixRate) / kMixRate;
        const size_t next = std::min(i + 1, inFrames - 1);
        for (int c = 0; c < 2; ++c) {
            const int channel = c == 0 ? 0 : right;
            const float a = sample(i, channel);
            const float b = frac > 0.0f ? sample(next, channel) : a;
            out[j * 2 + static_cast<size_t>(c)] = a + (b - a) * frac;
        }
    }
    return out;
}

Voice* Find(VoiceId id) {
    auto it = g_voices.find(id);
    return it == g_voices.end() ? nullptr : &it->second;
}

VoiceId Add(Voice v) {
    const VoiceId id = g_nextVoice++;
    if (g_nextVoice == kNoVoice) g_nextVoice = 1;
    g_voices.emplace(id, std::move(v));
    return id;
}

}  // namespace

MixerState OpenMixer(const PcmFormat& requested) {
    CloseMixer();
    std::lock_guard<std::mutex> hold(g_outputLock);
    g_state.requested = requested;
    if (Headless()) {
        g_state.output = MixerOutput::NullSink;
        return g_state;
    }
    const std::string why = OpenDevice();
    if (why.empty()) {
        g_state.output = MixerOutput::Device;
    } else {
        g_state.output = MixerOutput::NullSink;
        g_state.failure = why;
        StartPacedSink();
    }
    return g_state;
}

void CloseMixer() {
    {
        std::lock_guard<std::mutex> hold(g_outputLock);
        CloseOutput();
    }
    std::lock_guard<std::mutex> hold(g_voiceLock);
    g_voices.clear();
}

MixerState CurrentMixer() {
    std::lock_guard<std::mutex> hold(g_outputLock);
    return g_state;
}

VoiceId CreateVoice(const PcmFormat& format, const void* bytes, size_t size) {
    if ((format.bitsPerSample != 8 && format.bitsPerSample != 16) || (format.channels != 1 && format.channels != 2) ||
        format.samplesPerSecond < kMinVoiceRate || format.samplesPerSecond > kMaxVoiceRate || bytes == nullptr)
        return kNoVoice;
    const size_t inFrames = size / static_cast<size_t>(format.channels * format.bitsPerSample / 8);
    if (inFrames == 0) return kNoVoice;
    const uint64_t outFrames =
        (static_cast<uint64_t>(inFrames) - 1) * kMixRate / static_cast<uint64_t>(format.samplesPerSecond) + 1;
    if (outFrames > static_cast<uint64_t>(kMaxVoiceSeconds) * kMixRate) return kNoVoice;
    Voice v;
    v.sound = std::make_shared<const std::vector<float>>(
        ToMixFormat(format, static_cast<const uint8_t*>(bytes), inFrames, static_cast<size_t>(outFrames)));
    v.frames = static_cast<size_t>(outFrames);
    std::lock_guard<std::mutex> hold(g_voiceLock);
    return Add(std::move(v));
}

VoiceId DuplicateVoice(VoiceId source) {
    std::lock_guard<std::mutex> hold(g_voiceLock);
    const Voice* from = Find(source);
    if (!from) return kNoVoice;
    Voice v;
    v.sound = from->sound;
    v.frames = from->frames;
    return Add(std::move(v));
}

void ReleaseVoice(VoiceId voice) {
    std::lock_guard<std::mutex> hold(g_voiceLock);
    g_voices.erase(voice);
}

void PlayVoice(VoiceId voice) {
    std::lock_guard<std::mutex> hold(g_voiceLock);
    if (Voice* v = Find(voice)) v->playing = true;
}

void StopVoice(VoiceId voice) {
    std::lock_guard<std::mutex> hold(g_voiceLock);
    if (Voice* v = Find(voice)) v->playing = false;
}

void RewindVoice(VoiceId voice) {
    std::lock_guard<std::mutex> hold(g_voiceLock);
    if (Voice* v = Find(voice)) v->position = 0;
}

bool VoicePlaying(VoiceId voice) {
    std::lock_guard<std::mutex> hold(g_voiceLock);
    const Voice* v = Find(voice);
    return v && v->playing;
}

void SetVoiceVolume(VoiceId voice, int volume) {
    volume = std::clamp(volume, -10000, 0);
    std::lock_guard<std::mutex> hold(g_voiceLock);
    if (Voice* v = Find(voice)) {
        v->volume = volume;
        v->gain = GainOf(volume);
    }
}

int VoiceVolume(VoiceId voice) {
    std::lock_guard<std::mutex> hold(g_voiceLock);
    const Voice* v = Find(voice);
    return v ? v->volume : 0;
}

namespace testing {

bool PullMix(float* out, int frames) {
    if (out == nullptr || frames <= 0) return false;
    if (g_selfMixing) return false;
    for (int done = 0; done < frames; done += kMixPeriod)
        MixPeriod(out + static_cast<size_t>(done) * 2, std::min(kMixPeriod, frames - done));
    return true;
}

}  // namespace testing
}  // namespace plat
