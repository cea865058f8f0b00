// Sound slots heard through the null sink: the wave reader's files built
// byte by byte, plays that rotate through a slot's voices, volumes and their
// clamps, and the report of the mixer's start.
#include "audio/sound_slots.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/mixer_testing.h"
#include "support/logged_test.h"
#include "support/test_support.h"

namespace {

using orvtest::ReadHostFile;
using orvtest::WriteHostFile;

std::string Le16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(static_cast<uint16_t>(v & 0xFFFF)) + Le16(static_cast<uint16_t>(v >> 16)); }

// A chunk as stored: name, length, bytes, and a pad byte after an odd length.
std::string Chunk(const char* id, const std::string& body) {
    return std::string(id, 4) + Le32(static_cast<uint32_t>(body.size())) + body + std::string(body.size() % 2, '\0');
}
// A chunk that says it is longer than the bytes that follow.
std::string ChunkClaiming(const char* id, uint32_t size, const std::string& body) {
    return std::string(id, 4) + Le32(size) + body;
}
std::string FmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}
std::string Fmt(uint16_t tag = 1, uint16_t channels = 1, uint32_t rate = 22050, uint16_t bits = 16) {
    return Chunk("fmt ", FmtBody(tag, channels, rate, bits));
}
std::string Riff(const std::string& chunks, const char* form = "WAVE") {
    return "RIFF" + Le32(static_cast<uint32_t>(4 + chunks.size())) + form + chunks;
}
// `frames` 16-bit samples of one value.
std::string Samples(int frames, int16_t value) {
    std::string s;
    for (int i = 0; i < frames; ++i) s += Le16(static_cast<uint16_t>(value));
    return s;
}
std::string Wave(int frames, int16_t value, uint32_t rate = 22050) {
    return Riff(Fmt(1, 1, rate) + Chunk("data", Samples(frames, value)));
}

std::vector<float> Pull(int frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    EXPECT_TRUE(plat::testing::PullMix(out.data(), frames));
    return out;
}
int Sounding(const std::vector<float>& mix) {
    int n = 0;
    for (size_t i = 0; i < mix.size(); i += 2) n += mix[i] != 0.0f ? 1 : 0;
    return n;
}

class SoundSlotsTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        ASSERT_TRUE(DS_Init(window, 22050, 8, 1));
        ClearLog();
    }
    void TearDown() override {
        DS_Release();
        LoggedTest::TearDown();
    }
    static void ClearLog() { ASSERT_EQ(InitReportLog("Report_Game.txt"), 1); }
    static std::string Log() { return ReadHostFile("Report_Game.txt"); }
};

TEST_F(SoundSlotsTest, TheWaveReaderTakesPcmFilesAndSaysWhyItRefusesOthers) {
    const char* path = "t.wav";
    const std::string notRiff = std::string(path) + " の読み込みに失敗しました…\n不正なファイルです。\n";
    const std::string badFormat = std::string(path) +
                                  " の読み込みに失敗しました…\n対応していない形式か、不正なwavファイルです。\n"
                                  "本ソフトではPCM形式のみ再生できます。\n";
    const std::string notPcm =
        std::string(path) + " の読み込みに失敗しました…\nPCM形式以外の形式です。\n本ソフトではPCM形式のみ再生できます。\n";
    const std::string data = Chunk("data", Samples(10, 1000));
    struct Case {
        const char* what;
        std::string bytes;
        size_t samples;      // bytes read; 0: refused
        std::string report;  // the report lines it writes
    } cases[] = {
        {"16-byte fmt", Riff(Fmt() + data), 20, ""},
        {"18-byte fmt with its extra-size field", Riff(Chunk("fmt ", FmtBody(1, 1, 22050, 16) + Le16(0)) + data), 20, ""},
        {"chunks around fmt, odd ones padded",
         Riff(Chunk("LIST", "abc") + Fmt() + Chunk("junk", "x") + Chunk("data", "12345")), 5, ""},
        {"a RIFF length past the file's end", "RIFF" + Le32(100000) + "WAVE" + Fmt() + data, 20, ""},
        {"20-byte fmt", Riff(Chunk("fmt ", FmtBody(1, 1, 22050, 16) + Le32(0)) + data), 0, badFormat},
        {"fmt cut by the file's end", Riff(ChunkClaiming("fmt ", 16, FmtBody(1, 1, 22050, 16).substr(0, 8))), 0,
         badFormat},
        {"float samples", Riff(Fmt(3, 1, 22050, 32) + data), 0, notPcm},
        {"not a wave", Riff(Fmt() + data, "AVI "), 0, notRiff},
        {"empty file", "", 0, notRiff},
        {"no fmt", Riff(data), 0, ""},
        {"no data", Riff(Fmt() + Chunk("LIST", "abcd")), 0, ""},
        {"empty data", Riff(Fmt() + Chunk("data", "")), 0, ""},
        {"data cut by the file's end", Riff(Fmt() + ChunkClaiming("data", 400, Samples(100, 1))), 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteHostFile(path, c.bytes);
        ClearLog();
        LoadedWave wave;
        EXPECT_EQ(DS_LoadWave(path, &wave), c.samples != 0);
        EXPECT_EQ(wave.samples.size(), c.samples);
        EXPECT_EQ(Log(), c.report);
        if (c.samples) {
            EXPECT_EQ(wave.format.nChannels, 1);
            EXPECT_EQ(wave.format.nSamplesPerSec, 22050u);
            EXPECT_EQ(wave.format.wBitsPerSample, 16);
        }
    }
    LoadedWave wave;
    EXPECT_FALSE(DS_LoadWave("missing.wav", &wave));
    EXPECT_EQ(Log(), "") << "a missing file is no reader's report";
}

TEST_F(SoundSlotsTest, APlayedSlotSoundsForItsLengthAndNotAfter) {
    WriteHostFile("beep.wav", Wave(2205, 8192));  // 0.1 s at 22050 Hz
    DSSOUNDDATA slot;
    ASSERT_TRUE(DS_CreateSoundSlot(&slot, "beep.wav", 1, 0));
    EXPECT_STREQ(slot.szName, "beep.wav");
    EXPECT_EQ(Sounding(Pull(600)), 0) << "nothing before the play";
    DS_PlaySound(&slot, 0);
    std::vector<float> mix = Pull(6000);
    EXPECT_FLOAT_EQ(mix[0], 0.25f);
    EXPECT_FLOAT_EQ(mix[1], 0.25f) << "both sides";
    EXPECT_EQ(Sounding(mix), 4409) << "0.1 s at 44100 Hz, and silence after";
    DS_PlaySound(&slot, 0);
    EXPECT_EQ(Sounding(Pull(1000)), 1000);
    DS_ReleaseSoundSlot(&slot);
    EXPECT_TRUE(slot.vBuffers.empty());
    EXPECT_EQ(Sounding(Pull(1000)), 0) << "a released slot is silent at once";
    DS_PlaySound(&slot, 0);
    EXPECT_EQ(Sounding(Pull(100)), 0) << "and plays nothing";
    EXPECT_EQ(Log(), "");
}

TEST_F(SoundSlotsTest, PlaysRotateThroughTheSlotsVoices) {
    WriteHostFile("tick.wav", Wave(1000, 8192, 44100));
    DSSOUNDDATA slot;
    ASSERT_TRUE(DS_CreateSoundSlot(&slot, "tick.wav", 3, 0));
    ASSERT_EQ(slot.vBuffers.size(), 3u);
    EXPECT_EQ(slot.nCount, 3);
    const int pulls[] = {500, 250, 125};
    for (int i = 0; i < 3; ++i) {
        DS_PlaySound(&slot, 0);
        EXPECT_EQ(slot.nIndex, (i + 1) % 3);
        EXPECT_FLOAT_EQ(Pull(pulls[i]).back(), 0.25f * static_cast<float>(i + 1)) << "voice " << i << " joins";
    }
    // The fourth play takes voice 0 again, from the start: past where its
    // first play would have ended, all three still sound.
    DS_PlaySound(&slot, 0);
    EXPECT_EQ(slot.nIndex, 1);
    EXPECT_FLOAT_EQ(Pull(135).back(), 0.75f);
}

TEST_F(SoundSlotsTest, TwoThreadsPlayingOneSlotKeepItsRotation) {
    WriteHostFile("tick.wav", Wave(10, 8192));
    DSSOUNDDATA slot;
    ASSERT_TRUE(DS_CreateSoundSlot(&slot, "tick.wav", 3, 0));
    auto play = [&slot] {
        for (int i = 0; i < 20000; ++i) DS_PlaySound(&slot, 0);
    };
    std::thread other(play);
    play();
    other.join();
    EXPECT_EQ(slot.nIndex, 40000 % 3);
}

TEST_F(SoundSlotsTest, TheVolumeStepsAndEachFilesOwnVolume) {
    WriteHostFile("a.wav", Wave(100, 16384));
    cVector<DSSOUNDDATA> slots(3);
    cVector<DSSOUNDFILE> files(3);
    std::snprintf(files[0].szPath, kMaxPath, "a.wav");
    std::snprintf(files[1].szPath, kMaxPath, "a.wav");
    files[1].nVolume = -600;
    files[1].nCount = 2;
    std::snprintf(files[2].szPath, kMaxPath, "missing.wav");

    // Step 10 (0): each file's own volume, the created full volume else.
    EXPECT_EQ(DS_CreateSoundSlots(&slots, &files, g_SeVolumeTable[10]), 1);
    EXPECT_EQ(DS_GetVolume(&slots[0], 0), 0);
    EXPECT_EQ(DS_GetVolume(&slots[1], 0), -600);
    EXPECT_EQ(DS_GetVolume(&slots[1], 1), -600);
    EXPECT_TRUE(slots[2].vBuffers.empty()) << "a missing file leaves its slot unmade";
    EXPECT_EQ(Log(), "missing.wav の読み込みに失敗しました！\n");

    // A slot already made is kept; the others are tried again.
    const plat::VoiceId made = slots[0].vBuffers[0];
    DS_CreateSoundSlots(&slots, &files, g_SeVolumeTable[7]);
    EXPECT_EQ(slots[0].vBuffers[0], made);
    EXPECT_EQ(DS_GetVolume(&slots[0], 0), 0);

    // Step 0 silences what it makes.
    DS_ReleaseSoundSlot(&slots[0]);
    DS_CreateSoundSlots(&slots, &files, g_SeVolumeTable[0]);
    EXPECT_EQ(DS_GetVolume(&slots[0], 0), -10000);
    DS_PlaySound(&slots[0], 0);
    EXPECT_EQ(Sounding(Pull(300)), 0);

    struct Case {
        int start, volume, relative, result;
    } cases[] = {
        {-9800, -500, 1, -10000}, {-200, 500, 1, 0}, {-1000, -1000, 1, -2000},
        {-3000, 5, 0, 0},         {0, -12000, 0, -10000}, {-500, -2000, 0, -2000},
    };
    for (const Case& c : cases) {
        DS_SetVolume(&slots[0], 0, c.start, 0);
        EXPECT_EQ(DS_SetVolume(&slots[0], 0, c.volume, c.relative), c.result)
            << c.start << (c.relative ? " moved by " : " set to ") << c.volume;
        EXPECT_EQ(DS_GetVolume(&slots[0], 0), c.result);
    }
    DS_PlaySound(&slots[0], 0);
    EXPECT_NEAR(Pull(1)[0], 0.05f, 1e-6) << "-2000 is a tenth";
    EXPECT_EQ(DS_SetVolume(&slots[0], 1, -100, 0), 0) << "a voice the slot does not have";
    EXPECT_EQ(DS_GetVolume(&slots[0], 1), 0);
    EXPECT_EQ(DS_GetVolume(&slots[2], 0), 0);
    DS_Release();  // the remembered list goes with it
    EXPECT_TRUE(slots[0].vBuffers.empty());
    EXPECT_TRUE(slots[1].vBuffers.empty());
}

TEST_F(SoundSlotsTest, ASoundTheMixerCannotPlayIsReported) {
    WriteHostFile("deep.wav", Riff(Fmt(1, 1, 22050, 24) + Chunk("data", std::string(30, '\0'))));
    DSSOUNDDATA slot;
    EXPECT_FALSE(DS_CreateSoundSlot(&slot, "deep.wav", 1, 0));
    EXPECT_TRUE(slot.vBuffers.empty());
    EXPECT_EQ(Log(), "deep.wav生成失敗！\n");
}

TEST_F(SoundSlotsTest, BeforeTheStartAndAfterTheReleaseNothingIsMade) {
    DS_Release();
    WriteHostFile("a.wav", Wave(100, 16384));
    DSSOUNDDATA slot;
    EXPECT_TRUE(DS_CreateSoundSlot(&slot, "a.wav", 1, 0)) << "no mixer: nothing done, as success";
    EXPECT_TRUE(slot.vBuffers.empty());
    DS_PlaySound(&slot, 0);
    EXPECT_EQ(DS_SetVolume(&slot, 0, -100, 0), 0);
}

TEST_F(SoundSlotsTest, TheStartSaysWhatWasAskedAndWhereTheMixGoes) {
    const std::string mix = "22050 Hz 8 bit mono asked, mixed at 44100 Hz stereo unheard\n";
    DS_Release();
    ClearLog();
    EXPECT_TRUE(DS_Init(window, 22050, 8, 1));
    EXPECT_EQ(Log(), "Sound : headless; " + mix);
    {
        orvtest::ScopedRunMode desktop(nullptr, "offscreen");
        orvtest::ScopedEnv noDevice("SDL_AUDIODRIVER", "no-such-driver");
        ClearLog();
        EXPECT_TRUE(DS_Init(window, 22050, 8, 1)) << "a missing device never fails the start";
        const std::string line = Log();
        EXPECT_EQ(line.rfind("Sound : no sound device (", 0), 0u) << line;
        EXPECT_EQ(line.substr(line.size() - mix.size() - 3), "); " + mix) << line;
        EXPECT_EQ(plat::CurrentMixer().output, plat::MixerOutput::NullSink);
        DS_Release();
    }
    ASSERT_TRUE(DS_Init(window, 22050, 8, 1));
}

}  // namespace
