#include "platform/midi_device.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <vector>

#include "platform/threads.h"

namespace {

constexpr uint32_t kNoteOn = 0x403C90;   // middle C, velocity 64
constexpr uint32_t kNoteOff = 0x003C80;

// A stream buffer built event by event.
struct Buffer : plat::MidiHeader {
    std::vector<uint8_t> store = std::vector<uint8_t>(4096, 0);
    Buffer() {
        data = store.data();
        bufferLength = static_cast<uint32_t>(store.size());
    }
    void Put(uint32_t v) {
        for (int i = 0; i < 4; ++i) store[bytesRecorded++] = static_cast<uint8_t>(v >> (8 * i));
    }
    Buffer& Event(uint32_t delta, uint32_t word) {
        Put(delta);
        Put(0);
        Put(word);
        return *this;
    }
};

// Mixes frames in one pull; the sum of their squares.
double Pull(plat::MidiStream& s, int frames) {
    std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
    s.Mix(out.data(), frames);
    double e = 0;
    for (float v : out) e += static_cast<double>(v) * v;
    return e;
}

class MidiDevice : public ::testing::Test {
protected:
    plat::MidiStream stream;
    void SetUp() override {
        ASSERT_EQ(stream.Open(0), plat::kMidiOk);
        ASSERT_EQ(stream.SetTimeDivision(480), plat::kMidiOk);
    }
    int Callbacks() {
        int n = 0;
        plat::MidiCallback c;
        while (stream.TakeCallback(c)) ++n;
        return n;
    }
};

// At 480 ticks per quarter note and 500000 us per quarter, 480 ticks are
// 22050 samples: the event goes out before sample 22050 is rendered, and
// its callback comes once it has, with its buffer done.
TEST_F(MidiDevice, SendsEachEventAtItsSampleThenCallsBack) {
    Buffer b;
    b.Event(0, kNoteOn).Event(480, kNoteOff | plat::kMidiEventCallback);
    ASSERT_EQ(stream.Out(&b), plat::kMidiOk);
    EXPECT_EQ(b.flags.load(), plat::kMidiHeaderInQueue);
    EXPECT_EQ(stream.Out(&b), plat::kMidiHeaderQueued);
    ASSERT_EQ(stream.Restart(), plat::kMidiOk);
    Pull(stream, 22050);
    EXPECT_EQ(stream.PositionTicks(), 0u);
    EXPECT_EQ(Callbacks(), 0);
    Pull(stream, 1);
    EXPECT_EQ(stream.PositionTicks(), 480u);
    EXPECT_EQ(b.flags.load(), plat::kMidiHeaderDone);
    plat::MidiCallback c;
    ASSERT_TRUE(stream.TakeCallback(c));
    EXPECT_EQ(c.header, &b);
    EXPECT_EQ(c.offset, 12u);
    EXPECT_EQ(c.event, kNoteOff | plat::kMidiEventCallback);
    EXPECT_EQ(b.offset, 12u);
    EXPECT_FALSE(stream.TakeCallback(c));
}

// Times of a tempo change and of SMPTE division: where the flagged event
// of delta 480 (after a tempo event at 0) or 1000 falls.
TEST_F(MidiDevice, TimesByTempoAndSmpteDivision) {
    struct Case {
        uint16_t division;
        uint32_t tempo;  // 0: no tempo event
        uint32_t delta;
        int sample;
    } cases[] = {
        {480, 250000, 480, 11025},
        {480, 0, 960, 44100},
        {static_cast<uint16_t>((0x100 - 25) << 8 | 40), 0, 1000, 44100},  // 25 frames x 40 ticks a second
        {static_cast<uint16_t>((0x100 - 25) << 8 | 40), 250000, 1000, 44100},  // tempo does not count
    };
    for (const Case& c : cases) {
        plat::MidiStream s;
        ASSERT_EQ(s.Open(0), plat::kMidiOk);
        ASSERT_EQ(s.SetTimeDivision(c.division), plat::kMidiOk);
        Buffer b;
        if (c.tempo) b.Event(0, plat::kMidiEventTempo | c.tempo);
        b.Event(c.delta, kNoteOff | plat::kMidiEventCallback);
        s.Out(&b);
        s.Restart();
        Pull(s, c.sample);
        plat::MidiCallback cb;
        EXPECT_FALSE(s.TakeCallback(cb)) << c.division << " " << c.tempo;
        Pull(s, 1);
        EXPECT_TRUE(s.TakeCallback(cb)) << c.division << " " << c.tempo;
    }
    EXPECT_EQ(stream.SetTimeDivision(0), plat::kMidiBadValue);
    EXPECT_EQ(stream.SetTimeDivision(0xE700), plat::kMidiBadValue);  // no ticks per frame
}

TEST_F(MidiDevice, PauseHoldsTimeUntilRestart) {
    Buffer b;
    b.Event(480, kNoteOff | plat::kMidiEventCallback);
    stream.Out(&b);
    Pull(stream, 30000);  // opened paused
    stream.Restart();
    Pull(stream, 10000);
    stream.Pause();
    EXPECT_FALSE(stream.Running());
    Pull(stream, 50000);
    EXPECT_EQ(Callbacks(), 0);
    stream.Restart();
    Pull(stream, 12050);
    EXPECT_EQ(Callbacks(), 0);
    Pull(stream, 1);
    EXPECT_EQ(Callbacks(), 1);
}

// Stop: every queued buffer done, callbacks not yet taken gone, time and
// tempo back at the start.
TEST_F(MidiDevice, StopFlushesAndRewinds) {
    Buffer a, b;
    a.Event(0, plat::kMidiEventTempo | 100000).Event(0, kNoteOn | plat::kMidiEventCallback);
    b.Event(480, kNoteOff | plat::kMidiEventCallback);
    stream.Out(&a);
    stream.Out(&b);
    stream.Restart();
    Pull(stream, 100);
    EXPECT_EQ(a.flags.load(), plat::kMidiHeaderDone);
    EXPECT_EQ(b.flags.load(), plat::kMidiHeaderInQueue);
    ASSERT_EQ(stream.Stop(), plat::kMidiOk);
    EXPECT_EQ(b.flags.load(), plat::kMidiHeaderDone);
    EXPECT_EQ(Callbacks(), 0);
    EXPECT_FALSE(stream.Running());
    EXPECT_EQ(stream.PositionTicks(), 0u);

    // The tempo of 100000 is gone with it: 480 ticks take 22050 samples again.
    b.flags = 0;
    stream.Out(&b);
    stream.Restart();
    Pull(stream, 22050);
    EXPECT_EQ(Callbacks(), 0);
    Pull(stream, 1);
    EXPECT_EQ(Callbacks(), 1);
}

std::atomic<int> g_heard{0};

unsigned TakeCallbacks(void* arg) {
    auto* s = static_cast<plat::MidiStream*>(arg);
    for (;;) {
        plat::Message m;
        if (!plat::WaitThreadMessage(m, 50)) {
            if (plat::StopRequested()) return 0;
            continue;
        }
        if (m.id == plat::kWmQuit) return 0;
        plat::MidiCallback c;
        if (m.id == plat::kMidiCallbackMessage)
            while (s->TakeCallback(c)) ++g_heard;
    }
}

TEST(MidiDeviceThread, CallbacksReachTheThreadAndNoneAfterClose) {
    plat::MidiStream s;
    g_heard = 0;
    plat::ThreadHandle thread = plat::StartThread(TakeCallbacks, &s);
    ASSERT_TRUE(thread);
    ASSERT_EQ(s.Open(plat::GetThreadId(thread)), plat::kMidiOk);
    s.SetTimeDivision(480);
    Buffer b;
    b.Event(0, kNoteOn | plat::kMidiEventCallback).Event(10, kNoteOff | plat::kMidiEventCallback);
    s.Out(&b);
    s.Restart();
    std::vector<float> out(2048, 0.0f);
    s.Mix(out.data(), 1024);
    ASSERT_TRUE(s.WaitCallbacksTaken(5000));
    EXPECT_EQ(g_heard.load(), 2);

    Buffer c;
    c.Event(0, kNoteOn | plat::kMidiEventCallback);
    s.Out(&c);
    ASSERT_EQ(s.Close(), plat::kMidiOk);
    EXPECT_EQ(c.flags.load(), plat::kMidiHeaderDone);
    s.Mix(out.data(), 1024);
    plat::MidiCallback cb;
    EXPECT_FALSE(s.TakeCallback(cb));
    EXPECT_EQ(s.Out(&c), plat::kMidiNotOpen);
    plat::RequestStop(thread);
    plat::JoinThread(thread);
    EXPECT_EQ(g_heard.load(), 2);
}

// A note sounds through the General MIDI font; released by a pause, it
// dies away. Without the font the stream still keeps time, silent.
TEST(MidiDeviceSound, SoundsWithTheFontAndKeepsTimeWithout) {
    ASSERT_TRUE(plat::PrepareMidiSynth()) << "the sound font " << plat::MidiSoundFont() << " is missing";
    {
        plat::MidiStream s;
        s.Open(0);
        s.SetTimeDivision(480);
        EXPECT_TRUE(s.Audible());
        Buffer b;
        b.Event(0, 0x0000C0).Event(0, kNoteOn);  // piano
        s.Out(&b);
        s.Restart();
        EXPECT_GT(Pull(s, 4410), 1.0);
        s.Pause();
        Pull(s, 44100 * 3);
        EXPECT_LT(Pull(s, 4410), 1e-6);
    }

    plat::SetMidiSoundFont("/nonexistent/none.sf2");
    EXPECT_FALSE(plat::PrepareMidiSynth());
    {
        plat::MidiStream s;
        s.Open(0);
        s.SetTimeDivision(480);
        EXPECT_FALSE(s.Audible());
        Buffer b;
        b.Event(0, kNoteOn).Event(480, kNoteOff | plat::kMidiEventCallback);
        s.Out(&b);
        s.Restart();
        EXPECT_EQ(Pull(s, 22051), 0.0);
        Pull(s, 1);
        plat::MidiCallback c;
        EXPECT_TRUE(s.TakeCallback(c));
    }
    plat::SetMidiSoundFont("");
    EXPECT_TRUE(plat::PrepareMidiSynth());
}

}  // namespace
