// The mixer heard through the null sink: sounds converted to the mix
// format, voices that play once, stop, rewind and share their sound,
// volumes in hundredths of a decibel, the music sources after the voices,
// and the null sink taking the place of a missing device.
#include "platform/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/mixer_testing.h"
#include "platform/testing.h"
#include "support/test_support.h"

namespace {

using plat::kNoVoice;
using plat::VoiceId;

std::vector<uint8_t> Pcm16(std::initializer_list<int> samples) {
    std::vector<uint8_t> bytes;
    for (int s : samples) {
        bytes.push_back(static_cast<uint8_t>(s & 0xFF));
        bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
    return bytes;
}

// `frames` frames of a constant 16-bit value per channel.
std::vector<uint8_t> Constant16(int frames, int channels, int value) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < frames * channels; ++i) {
        bytes.push_back(static_cast<uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    }
    return bytes;
}

VoiceId Mono44(const std::vector<uint8_t>& bytes) {
    return plat::CreateVoice(plat::PcmFormat{1, 44100, 16}, bytes.data(), bytes.size());
}

std::vector<float> Pull(int frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2, 123.0f);
    EXPECT_TRUE(plat::testing::PullMix(out.data(), frames));
    return out;
}

// Frames of the mix whose left or right is not silent.
int Sounding(const std::vector<float>& mix) {
    int n = 0;
    for (size_t i = 0; i < mix.size(); i += 2) n += (mix[i] != 0.0f || mix[i + 1] != 0.0f) ? 1 : 0;
    return n;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const plat::MixerState s = plat::OpenMixer(plat::PcmFormat{1, 22050, 8});
        ASSERT_EQ(s.output, plat::MixerOutput::NullSink);
        EXPECT_EQ(s.failure, "") << "headless is no failure";
        EXPECT_EQ(s.requested.samplesPerSecond, 22050);
    }
    void TearDown() override { plat::CloseMixer(); }
};

TEST_F(MixerTest, SoundsOfEveryFormatBecomeStereoAtTheMixRate) {
    struct Case {
        plat::PcmFormat format;
        std::vector<uint8_t> bytes;
        int frames;          // at the mix rate
        float left, right;   // every frame
    } cases[] = {
        {{1, 44100, 16}, Constant16(100, 1, 16384), 100, 0.5f, 0.5f},
        {{2, 44100, 16}, Pcm16({16384, -8192, 16384, -8192}), 2, 0.5f, -0.25f},
        {{1, 22050, 16}, Constant16(100, 1, -16384), 199, -0.5f, -0.5f},
        {{1, 11025, 8}, std::vector<uint8_t>(50, 192), 197, 0.5f, 0.5f},
        {{2, 22050, 8}, {64, 255, 64, 255, 64, 255}, 5, -0.5f, 127.0f / 128},
        // A part frame at the end is dropped.
        {{2, 44100, 16}, Pcm16({16384, 16384, 16384}), 1, 0.5f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.format.channels << "ch " << c.format.samplesPerSecond << " Hz "
                                          << c.format.bitsPerSample << " bit");
        const VoiceId v = plat::CreateVoice(c.format, c.bytes.data(), c.bytes.size());
        ASSERT_NE(v, kNoVoice);
        plat::PlayVoice(v);
        const std::vector<float> mix = Pull(c.frames + 300);
        EXPECT_EQ(Sounding(mix), c.frames);
        for (int i = 0; i < c.frames; ++i) {
            ASSERT_FLOAT_EQ(mix[static_cast<size_t>(i) * 2], c.left) << "frame " << i;
            ASSERT_FLOAT_EQ(mix[static_cast<size_t>(i) * 2 + 1], c.right) << "frame " << i;
        }
        EXPECT_FALSE(plat::VoicePlaying(v)) << "it played once";
        plat::ReleaseVoice(v);
    }
}

TEST_F(MixerTest, AnotherRateIsInterpolatedBetweenItsSamples) {
    const std::vector<uint8_t> ramp = Pcm16({0, 16384});
    const VoiceId v = plat::CreateVoice(plat::PcmFormat{1, 22050, 16}, ramp.data(), ramp.size());
    plat::PlayVoice(v);
    const std::vector<float> mix = Pull(4);
    EXPECT_FLOAT_EQ(mix[0], 0.0f);
    EXPECT_FLOAT_EQ(mix[2], 0.25f);
    EXPECT_FLOAT_EQ(mix[4], 0.5f);
    EXPECT_FLOAT_EQ(mix[6], 0.0f) << "three frames only";
}

TEST_F(MixerTest, FormatsTheMixerDoesNotPlayAreRefused) {
    const std::vector<uint8_t> bytes(64, 0);
    const std::vector<uint8_t> tooLong(static_cast<size_t>(plat::kMaxVoiceSeconds * plat::kMinVoiceRate + 1), 128);
    struct Case {
        plat::PcmFormat format;
        const std::vector<uint8_t>* bytes;
        size_t size;
    } cases[] = {
        {{1, 44100, 24}, &bytes, 64}, {{1, 44100, 32}, &bytes, 64},       {{3, 44100, 16}, &bytes, 64},
        {{0, 44100, 16}, &bytes, 64}, {{1, 99, 8}, &bytes, 64},           {{1, 200001, 8}, &bytes, 64},
        {{2, 44100, 16}, &bytes, 3},  {{1, 44100, 8}, &bytes, 0},
        {{1, plat::kMinVoiceRate, 8}, &tooLong, tooLong.size()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::CreateVoice(c.format, c.bytes->data(), c.size), kNoVoice)
            << c.format.channels << "ch " << c.format.samplesPerSecond << " Hz " << c.format.bitsPerSample << " bit "
            << c.size << " bytes";
}

TEST_F(MixerTest, StopHoldsThePlaceRewindGoesBackAndAnEndedVoiceStartsOver) {
    const VoiceId v = Mono44(Constant16(1000, 1, 8192));
    plat::PlayVoice(v);
    EXPECT_EQ(Sounding(Pull(600)), 600);
    plat::StopVoice(v);
    EXPECT_FALSE(plat::VoicePlaying(v));
    EXPECT_EQ(Sounding(Pull(600)), 0) << "none after stop";
    plat::PlayVoice(v);
    EXPECT_EQ(Sounding(Pull(1000)), 400) << "on from where it stopped";
    plat::PlayVoice(v);
    EXPECT_EQ(Sounding(Pull(1200)), 1000) << "from the start once it ended";
    plat::PlayVoice(v);
    Pull(900);
    plat::RewindVoice(v);
    EXPECT_TRUE(plat::VoicePlaying(v));
    EXPECT_EQ(Sounding(Pull(1200)), 1000);
    plat::PlayVoice(v);
    plat::ReleaseVoice(v);
    EXPECT_EQ(Sounding(Pull(100)), 0) << "a released voice is gone";
    plat::PlayVoice(v);  // its id means nothing now
    EXPECT_FALSE(plat::VoicePlaying(v));
}

TEST_F(MixerTest, DuplicatesShareTheSoundAndPlayOnTheirOwn) {
    const VoiceId a = Mono44(Constant16(1000, 1, 8192));
    const VoiceId b = plat::DuplicateVoice(a);
    ASSERT_NE(b, kNoVoice);
    EXPECT_NE(b, a);
    EXPECT_EQ(plat::DuplicateVoice(kNoVoice), kNoVoice);
    plat::SetVoiceVolume(a, -600);
    EXPECT_EQ(plat::VoiceVolume(b), 0) << "a duplicate starts at full volume";
    plat::SetVoiceVolume(a, 0);
    plat::PlayVoice(a);
    Pull(500);
    plat::PlayVoice(b);
    std::vector<float> mix = Pull(1000);
    EXPECT_FLOAT_EQ(mix[0], 0.5f);
    EXPECT_FLOAT_EQ(mix[499 * 2], 0.5f);
    EXPECT_FLOAT_EQ(mix[500 * 2], 0.25f) << "the first has ended";
    plat::ReleaseVoice(a);
    plat::PlayVoice(b);
    mix = Pull(10);
    EXPECT_FLOAT_EQ(mix[0], 0.25f) << "the duplicate keeps the sound of a released source";
}

TEST_F(MixerTest, VolumeIsHundredthsOfADecibelClampedToSilenceAndFull) {
    const VoiceId v = Mono44(Constant16(100, 1, 16384));
    struct Case {
        int set, kept;
        float gain;
    } cases[] = {
        {0, 0, 1.0f}, {-2000, -2000, 0.1f}, {-600, -600, 0.501187f}, {-10000, -10000, 0.0f},
        {-12000, -10000, 0.0f}, {300, 0, 1.0f},
    };
    for (const Case& c : cases) {
        plat::SetVoiceVolume(v, c.set);
        EXPECT_EQ(plat::VoiceVolume(v), c.kept) << c.set;
        plat::PlayVoice(v);
        const std::vector<float> mix = Pull(100);
        EXPECT_NEAR(mix[0], 0.5f * c.gain, 1e-6) << c.set;
        EXPECT_FALSE(plat::VoicePlaying(v)) << "a silent voice still plays through";
    }
    EXPECT_EQ(plat::VoiceVolume(kNoVoice), 0);
}

struct ConstantSource : plat::MixSource {
    float value = 0.0f;
    int calls = 0;
    void Mix(float* out, int frames) override {
        ++calls;
        for (int k = 0; k < frames * 2; ++k) out[k] += value;
    }
};

TEST_F(MixerTest, SourcesAddAfterTheVoicesInPeriodsAndTheSumStaysInFullScale) {
    ConstantSource music;
    music.value = 0.75f;
    plat::AttachMixSource(&music);
    const VoiceId v = Mono44(Constant16(100, 1, 16384));
    plat::PlayVoice(v);
    const std::vector<float> mix = Pull(plat::kMixPeriod * 2 + 10);
    plat::DetachMixSource(&music);
    EXPECT_EQ(music.calls, 3) << "the device's periods";
    EXPECT_FLOAT_EQ(mix[0], 1.0f) << "0.5 + 0.75 clamped";
    EXPECT_FLOAT_EQ(mix[100 * 2], 0.75f);
    music.value = -2.0f;
    plat::AttachMixSource(&music);
    EXPECT_FLOAT_EQ(Pull(1)[0], -1.0f);
    plat::DetachMixSource(&music);
}

TEST(MixerOutput, WithoutADeviceTheDesktopsNullSinkKeepsPaceWithTheClock) {
    orvtest::ScopedRunMode desktop(nullptr, "offscreen");
    orvtest::ScopedEnv noDevice("SDL_AUDIODRIVER", "no-such-driver");
    plat::testing::UseVirtualTime(1000);
    const plat::MixerState s = plat::OpenMixer(plat::PcmFormat{1, 22050, 8});
    EXPECT_EQ(s.output, plat::MixerOutput::NullSink);
    EXPECT_NE(s.failure, "") << "it says why there is no device";
    EXPECT_EQ(plat::CurrentMixer().output, plat::MixerOutput::NullSink);
    float frame[2];
    EXPECT_FALSE(plat::testing::PullMix(frame, 1)) << "nobody else pulls while it mixes by itself";

    const VoiceId v = Mono44(Constant16(4410, 1, 100));  // 100 ms
    plat::PlayVoice(v);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(plat::VoicePlaying(v)) << "the layer's clock has not moved";
    plat::testing::AdvanceTime(200);
    for (int i = 0; i < 400 && plat::VoicePlaying(v); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(plat::VoicePlaying(v)) << "played out with the clock";

    plat::CloseMixer();
    plat::testing::UseRealTime();
    EXPECT_EQ(plat::CurrentMixer().output, plat::MixerOutput::Closed);
    EXPECT_FALSE(plat::VoicePlaying(v)) << "closing released the voices";
    EXPECT_TRUE(plat::testing::PullMix(frame, 1)) << "closed, a test may pull again";
}

}  // namespace
