// The own MIDI player: the stream buffers it fills from the merged image,
// and its states as the mixer plays the stream.
#include "audio/midi_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/midi_device.h"
#include "platform/mix_source.h"
#include "support/logged_test.h"
#include "support/test_support.h"

namespace {

using orvtest::FromHex;

std::string Be(uint32_t v, int bytes) {
    std::string s;
    for (int i = bytes - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string Song(const std::string& events) {
    return "MThd" + Be(6, 4) + Be(0, 2) + Be(1, 2) + Be(480, 2) + "MTrk" + Be(static_cast<uint32_t>(events.size()), 4) +
           events;
}

// One event of a stream buffer: delta, event word and a long message's
// padded bytes.
struct Record {
    uint32_t delta;
    uint32_t word;
    std::string bytes;
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Record& r) {
    return os << "{" << r.delta << ", " << std::hex << r.word << std::dec << ", " << orvtest::Hex(r.bytes) << "}";
}

uint32_t Word(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

std::vector<Record> Records(const plat::MidiHeader& h) {
    std::vector<Record> out;
    for (uint32_t at = 0; at + 12 <= h.bytesRecorded;) {
        Record r{Word(h.data + at), Word(h.data + at + 8), ""};
        EXPECT_EQ(Word(h.data + at + 4), 0u);
        at += 12;
        if (plat::MidiEventKind(r.word) == plat::kMidiEventLong) {
            const uint32_t padded = ((r.word & plat::kMidiEventParam) + 3) & ~3u;
            r.bytes.assign(reinterpret_cast<const char*>(h.data + at), padded);
            at += padded;
        }
        out.push_back(r);
    }
    return out;
}

struct Buffer : plat::MidiHeader {
    std::vector<uint8_t> store = std::vector<uint8_t>(kMidiBufferSize, 0xEE);
    Buffer() {
        data = store.data();
        bufferLength = kMidiBufferSize;
    }
};

constexpr uint32_t kEnd = plat::kMidiEventCallback | kMidiEndMarker;
constexpr uint32_t kOn = 0x403C90, kOff = 0x003C80;

class MidiStreamFill : public orvtest::LoggedTest {
protected:
    // The records of the first buffer from the song's start, and the bytes
    // of the image it took.
    std::vector<Record> Fill(const std::string& events, uint32_t offset = kSmfImageHeader, uint32_t* taken = nullptr) {
        orvtest::WriteHostFile("t.mid", Song(events));
        cMidiStream player("t.mid");
        EXPECT_TRUE(player.HasImage());
        Buffer b;
        const uint32_t n = player.FillBuffer(offset, b);
        if (taken) *taken = n;
        EXPECT_EQ(b.flags.load(), 0u);
        return Records(b);
    }
};

TEST_F(MidiStreamFill, ConvertsEventsIntoRecords) {
    const std::vector<Record> tempo = {{0, plat::kMidiEventTempo | 0x07A120, ""}, {0, kEnd, ""}};
    EXPECT_EQ(Fill(FromHex("00 FF 51 03 07 A1 20  00 FF 2F 00")), tempo);
    // A marker 480 ticks after a note, the next note 0 ticks after it.
    const std::vector<Record> marker = {{0, kOn, ""}, {480, kOff, ""}, {0, kEnd, ""}};
    EXPECT_EQ(Fill(FromHex("00 90 3C 40  83 60 FF 06 03 61 62 63  00 80 3C 00  00 FF 2F 00")), marker);
    const std::vector<Record> shortAndLong = {{0, 0x05C1, ""},
                                              {0, 0x7F00E2, ""},
                                              {0, plat::kMidiEventLong | 6, FromHex("F0 7E 7F 09 01 F7 00 00")},
                                              {0, kEnd, ""}};
    EXPECT_EQ(Fill(FromHex("00 C1 05  00 E2 00 7F  00 F0 05 7E 7F 09 01 F7  00 FF 2F 00")), shortAndLong);
    // An end of track whose zero length takes two bytes is no end to the
    // reader, so it is passed over here too and the song goes on.
    const std::vector<Record> longZero = {{0, kOn, ""}, {10, kOff, ""}, {0, kEnd, ""}};
    EXPECT_EQ(Fill(FromHex("00 90 3C 40  00 FF 2F 80 00  0A 80 3C 00  00 FF 2F 00")), longZero);
}

// A system-exclusive message no buffer could hold is left out, its delta
// carried to the next event, and reported once.
TEST_F(MidiStreamFill, SkipsAnOversizedSystemExclusive) {
    const std::string big = FromHex("0A F0 81 EA 30") + std::string(30000, '\x01');  // 30000 data bytes
    const std::vector<Record> want = {{0, kOn, ""}, {30, kOff, ""}, {0, kEnd, ""}};
    orvtest::WriteHostFile("Report_Game.txt", "");
    EXPECT_EQ(Fill(FromHex("00 90 3C 40") + big + FromHex("14 80 3C 00  00 FF 2F 00")), want);
    EXPECT_NE(orvtest::ReadHostFile("Report_Game.txt").find("Midi t.mid SysEx 30000 バイトは大きすぎるので送りません"),
              std::string::npos);
}

// 2000 records fill a buffer exactly: the last of them carries the
// callback, and the next buffer starts with the event that did not fit.
TEST_F(MidiStreamFill, EndsABufferWithTheCallbackFlag) {
    std::string events;
    for (int i = 0; i < 2001; ++i) events += FromHex("01 90 3C 40");
    events += FromHex("00 FF 2F 00");
    uint32_t taken = 0;
    std::vector<Record> first = Fill(events, kSmfImageHeader, &taken);
    ASSERT_EQ(first.size(), 2000u);
    EXPECT_EQ(taken, 8000u);
    EXPECT_EQ(first[0], (Record{1, kOn, ""}));
    EXPECT_EQ(first[1998], (Record{1, kOn, ""}));
    EXPECT_EQ(first[1999], (Record{1, kOn | plat::kMidiEventCallback, ""}));
    const std::vector<Record> second = {{1, kOn, ""}, {0, kEnd, ""}};
    EXPECT_EQ(Fill(events, kSmfImageHeader + 8000), second);
}

// ---------------------------------------------------------------------------

class MidiStreamPlay : public orvtest::LoggedTest {
protected:
    // Half a second at the file's start tempo: a note and the end.
    const std::string shortSong = FromHex("00 90 3C 40  83 60 80 3C 00  00 FF 2F 00");

    // Pulls the mix in periods, each heard by the callback thread before
    // the next.
    void Play(cMidiStream& player, int frames) {
        std::vector<float> out(2048);
        for (int done = 0; done < frames; done += 1024) {
            plat::MixAttachedSources(out.data(), 1024);
            ASSERT_TRUE(player.WaitCallbacksHandled(5000));
        }
    }
    static bool Queued(const cMidiStream& p, int i) {
        return (p.Header(i).flags.load() & plat::kMidiHeaderInQueue) != 0;
    }
};

TEST_F(MidiStreamPlay, ShortSongStopsAtItsEndOrStartsAgain) {
    orvtest::WriteHostFile("t.mid", Song(shortSong));
    cMidiStream player("t.mid");
    ASSERT_TRUE(player.HasImage());
    EXPECT_EQ(player.State(), cMidiStream::kStopped);
    EXPECT_TRUE(Queued(player, 0));
    EXPECT_EQ(player.ReadOffset(), player.ImageEnd());
    player.Restart(0);
    EXPECT_EQ(player.State(), cMidiStream::kPlaying);
    EXPECT_FALSE(Queued(player, 1));  // the second buffer had nothing to take
    EXPECT_EQ(player.NextHeader(), 1);

    Play(player, 30 * 1024);  // past 22050 frames
    EXPECT_EQ(player.State(), cMidiStream::kStopped);
    EXPECT_FALSE(player.Stream().Running());
    // Rewound, the song waits again in the next buffer.
    EXPECT_TRUE(Queued(player, 1));
    EXPECT_EQ(player.ReadOffset(), player.ImageEnd());
    EXPECT_EQ(player.Stream().PositionTicks(), 0u);

    player.Restart(1);
    Play(player, 30 * 1024);
    EXPECT_EQ(player.State(), cMidiStream::kPlaying);
    EXPECT_TRUE(player.Stream().Running());
    // Started again from the song's first event.
    EXPECT_TRUE(Queued(player, 0));
    EXPECT_EQ(Records(player.Header(0)).front(), (Record{0, kOn, ""}));
}

TEST_F(MidiStreamPlay, PauseThenRestartGoesOnWithoutQueuing) {
    orvtest::WriteHostFile("t.mid", Song(shortSong));
    cMidiStream player("t.mid");
    player.Restart(0);
    Play(player, 10 * 1024);
    player.Pause(1);
    EXPECT_EQ(player.State(), cMidiStream::kPaused);
    EXPECT_FALSE(player.Stream().Running());
    Play(player, 40 * 1024);
    player.Restart(0);
    EXPECT_EQ(player.State(), cMidiStream::kPlaying);
    EXPECT_EQ(player.NextHeader(), 1);
    EXPECT_FALSE(Queued(player, 1));
    // The end at 22050 frames comes in the 22nd period of playing.
    Play(player, 11 * 1024);
    EXPECT_EQ(player.State(), cMidiStream::kPlaying);
    Play(player, 1024);
    EXPECT_EQ(player.State(), cMidiStream::kStopped);
}

TEST_F(MidiStreamPlay, ListPlaysOnlyMidFilesAndKeepsOnePlayer) {
    orvtest::WriteHostFile("a.mid", Song(shortSong));
    orvtest::WriteHostFile("b.MID", Song(shortSong));
    cMidiPlayerList list;
    list.Resize(1);
    EXPECT_EQ(list.Play(0, "a.mid", 1), 1);
    ASSERT_NE(list.Player(0), nullptr);
    EXPECT_EQ(list.Player(0)->State(), cMidiStream::kPlaying);
    list.Stop(1);
    EXPECT_EQ(list.Player(0)->State(), cMidiStream::kPaused);
    EXPECT_EQ(list.Play(0, "b.MID", 1), 0);
    EXPECT_EQ(list.Player(0), nullptr);
    EXPECT_EQ(list.Play(0, "none.mid", 1), 0);  // stays, without a song
    ASSERT_NE(list.Player(0), nullptr);
    EXPECT_FALSE(list.Player(0)->HasImage());
    EXPECT_EQ(list.Play(1, "a.mid", 1), 0);
}

}  // namespace
