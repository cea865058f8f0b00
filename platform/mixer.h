// The sound mixer: voices of PCM sound, converted once to the mix format
// (kMixRate frames a second, stereo, float), mixed each period and followed
// by the attached music sources (platform/mix_source.h). The sound device's
// callback pulls the mix; without a device, or in a headless run, a null
// sink mixes the same way and nobody hears it. Every call may come from any
// thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/mix_source.h"

namespace plat {

// PCM as a wave file holds it: 8-bit unsigned or 16-bit signed
// little-endian samples, channels interleaved.
struct PcmFormat {
    int channels = 0;
    int samplesPerSecond = 0;
    int bitsPerSample = 0;
};

enum class MixerOutput {
    Closed,
    Device,    // the sound device pulls the mix
    NullSink,  // nobody hears the mix
};

struct MixerState {
    MixerOutput output = MixerOutput::Closed;
    PcmFormat requested;  // what the program asked the device for
    std::string device;   // the device's driver, with a device
    std::string failure;  // why no device was opened; "" when headless
};

// Opens the mixer (closing it first when open). The mix always runs at
// kMixRate stereo; `requested` is only what the program asked for. Opening
// never fails: without a device the null sink takes its place. On the
// desktop the null sink keeps pace with the layer's clock, so music goes on
// as it would be heard; in a headless run it mixes only what is pulled
// (platform/mixer_testing.h), so nothing moves behind a test's back.
MixerState OpenMixer(const PcmFormat& requested);
// Stops the output and releases every voice left.
void CloseMixer();
MixerState CurrentMixer();

// A voice: a sound with its own play position and volume. 0 is none.
using VoiceId = uint32_t;
constexpr VoiceId kNoVoice = 0;

// Rates the mixer takes, in samples a second, and the longest sound.
constexpr int kMinVoiceRate = 100;
constexpr int kMaxVoiceRate = 200000;
constexpr int kMaxVoiceSeconds = 600;

// A stopped voice at full volume holding `size` bytes of sound in
// `format`, converted to the mix format (a trailing part frame is
// dropped). kNoVoice when the format is not 8 or 16 bits, 1 or 2 channels
// at a rate the mixer takes, or when the bytes hold no whole frame or
// more than kMaxVoiceSeconds of sound.
VoiceId CreateVoice(const PcmFormat& format, const void* bytes, size_t size);
// A new stopped voice at full volume that shares the source's sound;
// kNoVoice when the source does not exist.
VoiceId DuplicateVoice(VoiceId source);
// The voice stops sounding and its id means nothing from now on; unknown
// ids are ignored by every call.
void ReleaseVoice(VoiceId voice);

// Plays once from the voice's position; at the end it stops and returns to
// the start.
void PlayVoice(VoiceId voice);
// Stops where it is.
void StopVoice(VoiceId voice);
// Back to the start, playing or not.
void RewindVoice(VoiceId voice);
bool VoicePlaying(VoiceId voice);

// Volume in hundredths of a decibel, clamped to -10000..0: the gain is
// 10^(volume/2000), and -10000 is silence.
void SetVoiceVolume(VoiceId voice, int volume);
// The voice's volume; 0 for an unknown voice.
int VoiceVolume(VoiceId voice);

// Frames the mixer hands the device (and the null sink mixes) at a time.
constexpr int kMixPeriod = 512;

}  // namespace plat
