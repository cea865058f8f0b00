// The music manager over the layer's OGG player and the own MIDI player,
// with the bundled game's music: what each slot plays, and what is heard.
#include "audio/bgm_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "platform/midi_device.h"
#include "platform/mix_source.h"
#include "platform/ogg_player.h"
#include "support/logged_test.h"
#include "support/test_support.h"
#include "tools/sample_game/sample_assets.h"
#include "tools/sample_game/sample_game.h"

namespace {

// The bundled music holds no ".MID" or ".dat" file: these are made from it.
constexpr const char* kMid = "bgm\\Title.mid";
constexpr const char* kOgg = "bgm\\Stage.ogg";

class BgmPlayer : public orvtest::LoggedTest {
protected:
    BGMTRACK ogg[kBgmSlotCount];
    BGMTRACK midi[kBgmSlotCount];
    cBgmPlayer bgm;

    void SetUp() override {
        LoggedTest::SetUp();
        std::memcpy(ogg, g_OggTracks, sizeof ogg);
        std::memcpy(midi, g_MidiTracks, sizeof midi);
        std::string error;
        ASSERT_TRUE(sample::WriteSounds("", &error)) << error;
        orvtest::WriteHostFile("bgm/Stage.dat", orvtest::ReadHostFile("bgm/Stage.ogg"));
        ASSERT_EQ(bgm.Init(1, ogg, midi, kBgmSlotCount, 0), 1);
    }

    // Sum of squares of what every music source gives over `frames`, in
    // periods that the MIDI player's callback thread hears one by one.
    double Listen(int frames) {
        std::vector<float> out(2048);
        double energy = 0;
        for (int done = 0; done < frames; done += 1024) {
            std::fill(out.begin(), out.end(), 0.0f);
            plat::MixAttachedSources(out.data(), 1024);
            for (float v : out) energy += static_cast<double>(v) * v;
            if (cMidiStream* p = bgm.MidiPlayers().Player(0)) {
                EXPECT_TRUE(p->WaitCallbacksHandled(5000));
            }
        }
        return energy;
    }
    bool MidiPlays() const {
        cMidiStream* p = bgm.MidiPlayers().Player(0);
        return p && p->State() == cMidiStream::kPlaying;
    }
};

TEST_F(BgmPlayer, SetTrackChoosesThePlayerByTheExtension) {
    struct Case {
        const char* path;
        int type, result;
        const char* oggPath;  // "" unchanged
        const char* midiPath;
    } cases[] = {
        {"bgm\\a.mid", 2, 1, nullptr, "bgm\\a.mid"},
        {"bgm\\a.MID", 2, 1, nullptr, "bgm\\a.mid"},
        {"bgm\\a.ogg", 1, 1, "bgm\\a.ogg", nullptr},
        {"bgm\\a.OGG", 1, 1, "bgm\\a.OGG", nullptr},
        {"bgm\\a.wav", 0, 0, "bgm\\a.wav", "bgm\\a.wav"},
        {"bgm\\a.Mid", 0, 0, "bgm\\a.Mid", "bgm\\a.Mid"},
        {"bgm\\none", 0, 0, "", ""},
    };
    for (const Case& c : cases) {
        std::memcpy(ogg, g_OggTracks, sizeof ogg);
        std::memcpy(midi, g_MidiTracks, sizeof midi);
        EXPECT_EQ(bgm.SetTrack(2, c.path, 70), c.result) << c.path;
        EXPECT_EQ(bgm.SlotType(2), c.type) << c.path;
        const bool none = std::strchr(c.path, '.') == nullptr;
        EXPECT_STREQ(ogg[2].szPath, c.oggPath ? c.oggPath : "bgm\\Challenge.ogg") << c.path;
        EXPECT_EQ(ogg[2].nVolume, c.oggPath && !none ? 70 : 0) << c.path;
        EXPECT_STREQ(midi[2].szPath, c.midiPath ? c.midiPath : "bgm\\Challenge.mid") << c.path;
        EXPECT_EQ(midi[2].nVolume, c.midiPath && !none ? 70 : 0) << c.path;
    }
}

TEST_F(BgmPlayer, PlaysEachKindOnItsPlayerAndFallsSilentWhenNoneCan) {
    bgm.SetTrack(0, kOgg, 100);
    bgm.SetTrack(1, kMid, 100);
    bgm.SetTrack(2, "bgm\\Stage.dat", 100);  // another kind: OGG first
    bgm.SetTrack(3, "bgm\\Title.dat", 100);  // neither player takes it

    EXPECT_EQ(bgm.Play(0, 1, 1, 0, 1), 1);
    EXPECT_TRUE(MidiPlays());
    EXPECT_EQ(bgm.Vox().PlayingChannel(), -1);
    EXPECT_EQ(bgm.Play(0, 0, 1, 0, 1), 1);
    EXPECT_EQ(bgm.Vox().PlayingChannel(), 0);
    EXPECT_EQ(bgm.MidiPlayers().Player(0)->State(), cMidiStream::kStopped);

    // The same slot again: nothing unless forced.
    bgm.Stop();
    EXPECT_EQ(bgm.Play(0, 0, 1, 0, 0), 1);
    EXPECT_EQ(bgm.Vox().PlayingChannel(), -1);
    EXPECT_EQ(bgm.Play(0, 0, 1, 0, 1), 1);
    EXPECT_EQ(bgm.Vox().PlayingChannel(), 0);

    // Another kind plays as OGG; the MIDI player is paused by the stop flag.
    EXPECT_EQ(bgm.Play(0, 1, 1, 0, 1), 1);
    EXPECT_EQ(bgm.Play(0, 2, 1, 1, 1), 1);
    EXPECT_EQ(bgm.Vox().PlayingChannel(), 0);
    EXPECT_EQ(bgm.MidiPlayers().Player(0)->State(), cMidiStream::kPaused);
    EXPECT_EQ(bgm.CurrentSlot(), 2);

    EXPECT_EQ(bgm.Play(0, 3, 1, 0, 1), 0);
    EXPECT_EQ(bgm.CurrentSlot(), -1);
    EXPECT_EQ(bgm.Vox().PlayingChannel(), -1);
    EXPECT_FALSE(MidiPlays());
    EXPECT_EQ(Listen(4096), 0.0);
}

// Every track's volume is set, full volume after a quieter one too.
TEST_F(BgmPlayer, AppliesEveryVolume) {
    for (int volume : {50, 100, 30, 150, -5}) {
        bgm.SetTrack(4, kOgg, volume);
        ASSERT_EQ(bgm.Play(0, 4, 1, 0, 1), 1);
        EXPECT_FLOAT_EQ(bgm.Vox().Channel(0)->Volume(), std::clamp(volume, 0, 100) / 100.0f) << volume;
    }
}

TEST_F(BgmPlayer, InitAndReleaseTheManager) {
    EXPECT_TRUE(bgm.Initialised());
    EXPECT_EQ(bgm.MidiPlayers().Size(), 1);
    EXPECT_EQ(bgm.Release(), 1);
    EXPECT_FALSE(bgm.Initialised());
    EXPECT_EQ(bgm.MidiPlayers().Size(), 0);
    EXPECT_EQ(bgm.Vox().Channel(0), nullptr);
    EXPECT_EQ(bgm.Release(), 0);
    // Uninitialised, requests do nothing and report success.
    EXPECT_EQ(bgm.SetTrack(0, kOgg, 100), 1);
    EXPECT_EQ(bgm.Play(0, 0, 1, 0, 1), 1);
    EXPECT_EQ(bgm.CurrentSlot(), -1);

    // A missing sound font is one report line, and MIDI goes on silent.
    plat::SetMidiSoundFont("/nonexistent/none.sf2");
    orvtest::WriteHostFile("Report_Game.txt", "");
    ASSERT_EQ(bgm.Init(1, ogg, midi, kBgmSlotCount, 0), 1);
    bgm.Release();
    ASSERT_EQ(bgm.Init(1, ogg, midi, kBgmSlotCount, 0), 1);
    EXPECT_EQ(orvtest::ReadHostFile("Report_Game.txt"),
              "Midi SoundFont /nonexistent/none.sf2 が読み込めないのでMIDIは鳴りません\n");
    bgm.SetTrack(1, kMid, 100);
    EXPECT_EQ(bgm.Play(0, 1, 1, 0, 1), 1);
    Listen(30 * 1024);
    EXPECT_TRUE(MidiPlays());
    EXPECT_EQ(Listen(4096), 0.0);
    bgm.Release();
    plat::SetMidiSoundFont("");
}

// The bundled song as the game plays it: heard, and about as loud as the
// bundled OGG loop (within 6 dB).
TEST_F(BgmPlayer, BundledMidiSoundsAsLoudAsTheOgg) {
    bgm.SetTrack(1, kMid, 100);
    ASSERT_EQ(bgm.Play(0, 1, 1, 0, 1), 1);
    const double midiEnergy = Listen(4 * 44100);
    bgm.SetTrack(0, kOgg, 100);
    ASSERT_EQ(bgm.Play(0, 0, 1, 0, 1), 1);
    const double oggEnergy = Listen(4 * 44100);
    EXPECT_GT(midiEnergy, 1.0);
    const double db = 10 * std::log10(midiEnergy / oggEnergy);
    EXPECT_LT(std::fabs(db), 6.0) << "MIDI against OGG: " << db << " dB";
}

double Energy(const std::vector<float>& v, size_t from, size_t to) {
    double e = 0;
    for (size_t i = from * 2; i < to * 2; ++i) e += static_cast<double>(v[i]) * v[i];
    return e;
}

// The 8-second loop at 22050 Hz mono lasts 352800 mixed frames; looping it
// goes on past them, playing it once ends there.
TEST_F(BgmPlayer, OggLoopsOrEndsAtItsLength) {
    bgm.Release();
    for (int loop : {0, plat::kOggLoopEndless}) {
        plat::OggPlayer player;
        ASSERT_TRUE(player.Load(kOgg));
        EXPECT_EQ(player.StreamRate(), 22050);
        EXPECT_EQ(player.StreamChannels(), 1);
        player.SetLoop(loop);
        player.Play();
        std::vector<float> out(2 * 362000, 0.0f);
        player.Mix(out.data(), 352000);
        EXPECT_TRUE(player.Playing());
        player.Mix(out.data() + 2 * 352000, 10000);
        EXPECT_EQ(player.Playing(), loop != 0);
        EXPECT_GT(Energy(out, 0, 352000), 100.0);
        const double after = Energy(out, 353000, 362000);
        if (loop) {
            EXPECT_GT(after, 10.0);
        } else {
            EXPECT_EQ(after, 0.0);
        }
    }
    plat::OggPlayer none;
    EXPECT_FALSE(none.Load("bgm\\Title.mid"));
    EXPECT_FALSE(none.Load("bgm\\missing.ogg"));
    none.Play();
    EXPECT_FALSE(none.Playing());
}

}  // namespace
