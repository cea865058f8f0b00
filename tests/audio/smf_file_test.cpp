// Standard MIDI files built byte by byte, read into the merged format-0
// image, or refused with their report line.
#include "audio/smf_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/logged_test.h"
#include "support/test_support.h"

namespace {

using orvtest::FromHex;
using orvtest::Hex;

std::string Be(uint32_t v, int bytes) {
    std::string s;
    for (int i = bytes - 1; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string Chunk(const std::string& id, const std::string& body) { return id + Be(static_cast<uint32_t>(body.size()), 4) + body; }

std::string Header(int format, int tracks, int division = 480) {
    return Chunk("MThd", Be(static_cast<uint32_t>(format), 2) + Be(static_cast<uint32_t>(tracks), 2) +
                             Be(static_cast<uint32_t>(division), 2));
}

std::string Track(const char* hex) { return Chunk("MTrk", FromHex(hex)); }

// The image the reader makes: one track of these events.
std::string Image(const char* hex, int division = 480) { return Header(0, 1, division) + Track(hex); }

std::string Read(const std::string& bytes) {
    orvtest::WriteHostFile("t.mid", bytes);
    cSmfFile file("t.mid");
    return std::string(file.Image().begin(), file.Image().end());
}

class SmfFile : public orvtest::LoggedTest {};

TEST_F(SmfFile, MergesTracksIntoOneImage) {
    std::string many = Header(1, 300);
    for (int i = 0; i < 299; ++i) many += Track("00 FF 2F 00");
    many += Track("00 C0 05 00 FF 2F 00");
    struct Case {
        const char* what;
        std::string file;
        std::string image;
    } cases[] = {
        {"same tick: lower track first; then by time",
         Header(1, 3) + Track("00 90 3C 40  83 60 80 3C 00  00 FF 2F 00") +
             Track("00 91 40 40  81 70 81 40 00  00 FF 2F 00") + Track("00 92 43 40  00 FF 2F 00"),
         Image("00 90 3C 40  00 91 40 40  00 92 43 40  81 70 81 40 00  81 70 80 3C 00  00 FF 2F 00")},
        {"running status written out; SMPTE division kept", Header(0, 1, 0xE728) + Track("00 90 3C 40  60 3E 40  00 FF 2F 00"),
         Image("00 90 3C 40  60 90 3E 40  00 FF 2F 00", 0xE728)},
        {"running status goes on after a meta event",
         Header(0, 1) + Track("00 90 3C 40  10 FF 01 01 41  10 3E 40  00 FF 2F 00"),
         Image("00 90 3C 40  10 FF 01 01 41  10 90 3E 40  00 FF 2F 00")},
        {"one end, at the end of the longest track",
         Header(1, 2) + Track("00 90 3C 40  64 FF 2F 00") + Track("83 74 FF 2F 00"),
         Image("00 90 3C 40  83 74 FF 2F 00")},
        {"300 tracks", many, Image("00 C0 05  00 FF 2F 00")},
        {"a chunk of another kind is passed over",
         Header(0, 1) + Chunk("XFIH", FromHex("01 02 03")) + Track("00 C0 05  00 FF 2F 00"),
         Image("00 C0 05  00 FF 2F 00")},
        {"system exclusive copied", Header(0, 1) + Track("00 F0 03 7E 7F F7  00 FF 2F 00"),
         Image("00 F0 03 7E 7F F7  00 FF 2F 00")},
        {"a track without its end ends with its chunk", Header(0, 1) + Track("00 90 3C 40  10 80 3C 00"),
         Image("00 90 3C 40  10 80 3C 00  00 FF 2F 00")},
        {"bytes after the end of a track are not events",
         Header(0, 1) + Track("00 C0 05  00 FF 2F 00  55 66"), Image("00 C0 05  00 FF 2F 00")},
    };
    for (const Case& c : cases) EXPECT_EQ(Hex(Read(c.file)), Hex(c.image)) << c.what;
}

TEST_F(SmfFile, RefusesWhatItCannotReadWithItsReportLine) {
    struct Case {
        std::string file;
        const char* line;  // after "Midi t.mid "
    } cases[] = {
        {"", "Init 標準MIDIでない(4)"},
        {"MThx" + Header(0, 1).substr(4) + Track("00 FF 2F 00"), "Init 標準MIDIでない(4)"},
        {Chunk("MThd", FromHex("00 00 00 01 01 E0 00")) + Track("00 FF 2F 00"), "Init 標準MIDIでない(6)"},
        {Header(2, 1) + Track("00 FF 2F 00"), "Init 対応フォーマットが2でない"},
        {Header(3, 1) + Track("00 FF 2F 00"), "Init 対応フォーマットが0または1でない"},
        {Header(0, 0) + Track("00 FF 2F 00"), "Init トラックがありません"},
        {Header(0, 1) + Chunk("XFIH", "abc"), "Init 標準MIDIでない(4)"},
        {Header(0, 1).substr(0, 12), "Init ファイルが途中で切れています"},
        {Header(0, 1) + (Track("00 90 3C 40  00 FF 2F 00")).substr(0, 12), "Init ファイルが途中で切れています"},
        {Header(1, 2) + Track("00 FF 2F 00"), "Init ファイルが途中で切れています"},
        {Header(0, 1) + Track("00 90 3C"), "Init ファイルが途中で切れています"},
        {Header(0, 1) + Track("00 3C 40  00 FF 2F 00"), "Init ファイルが途中で切れています"},
        {Header(0, 1) + Track("FF FF FF FF 7F 90 3C 40"), "Init ファイルが途中で切れています"},
        {Header(0, 1) + Track("00 F0 85 00 01"), "Init ファイルが途中で切れています"},
    };
    for (const Case& c : cases) {
        orvtest::WriteHostFile("Report_Game.txt", "");
        EXPECT_EQ(Read(c.file), "") << c.line;
        EXPECT_EQ(orvtest::ReadHostFile("Report_Game.txt"), std::string("Midi t.mid ") + c.line + "\n");
    }
    orvtest::WriteHostFile("Report_Game.txt", "");
    cSmfFile missing("none.mid");
    EXPECT_FALSE(missing.HasImage());
    EXPECT_EQ(orvtest::ReadHostFile("Report_Game.txt"), "Midi none.mid Create ファイルが開けません\n");
}

TEST(SmfVarLen, EncodesInOneToFourBytes) {
    struct Case {
        uint32_t value;
        const char* hex;  // "" refused
    } cases[] = {
        {0, "00"},       {127, "7F"},          {128, "81 00"},          {16383, "FF 7F"},
        {16384, "81 80 00"}, {2097151, "FF FF 7F"}, {268435455, "FF FF FF 7F"}, {268435456, ""},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out;
        const int n = cSmfFile::WriteVarLen(out, c.value);
        const std::string want = FromHex(c.hex);
        EXPECT_EQ(n, static_cast<int>(want.size())) << c.value;
        EXPECT_EQ(std::string(out.begin(), out.end()), want) << c.value;
        if (n == 0) continue;
        uint32_t back = 0;
        EXPECT_EQ(cSmfFile::ReadVarLen(out.data(), out.data() + out.size(), &back), n);
        EXPECT_EQ(back, c.value);
        // Cut short, it does not end.
        EXPECT_EQ(cSmfFile::ReadVarLen(out.data(), out.data() + out.size() - 1, &back), 0) << c.value;
    }
    const uint8_t five[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    uint32_t v = 0;
    EXPECT_EQ(cSmfFile::ReadVarLen(five, five + 5, &v), 0);
}

}  // namespace
