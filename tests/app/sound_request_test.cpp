// The game thread's sound request, served by the main window: the slot it
// names plays; a slot past the list is reported and slot 0 plays instead.
#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "audio/sound_slots.h"
#include "support/logged_test.h"

namespace {

std::string Wave() {
    auto le16 = [](int v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; };
    auto le32 = [&](int v) { return le16(v & 0xFFFF) + le16(v >> 16); };
    return "RIFF" + le32(4 + 24 + 8 + 20) + "WAVE" + "fmt " + le32(16) + le16(1) + le16(1) + le32(22050) +
           le32(44100) + le16(2) + le16(16) + "data" + le32(20) + std::string(20, '\x10');
}

class SoundRequestTest : public orvtest::LoggedTest {
protected:
    void SetUp() override {
        LoggedTest::SetUp();
        g_MainWndObject.Build();
        orvtest::WriteHostFile("se.wav", Wave());
        ASSERT_TRUE(DS_Init(window, 22050, 8, 1));
        g_SoundSlots.resize(18);
        ASSERT_TRUE(DS_CreateSoundSlot(&g_SoundSlots[0], "se.wav", 1, 0));
        ASSERT_TRUE(DS_CreateSoundSlot(&g_SoundSlots[17], "se.wav", 1, 0));
    }
    void TearDown() override {
        DS_Release();
        g_SoundSlots.clear();
        g_MainWndObject.Release();
        LoggedTest::TearDown();
    }
    static bool Playing(int slot) { return plat::VoicePlaying(g_SoundSlots[static_cast<size_t>(slot)].vBuffers[0]); }
};

TEST_F(SoundRequestTest, TheNamedSlotPlaysAndABadOneFallsBackToSlotZero) {
    MainWndProc(window, WM_REQ_SE, 17, 0);
    EXPECT_TRUE(Playing(17));
    EXPECT_FALSE(Playing(0));
    EXPECT_EQ(orvtest::ReadHostFile("Report_Game.txt").find("err V"), std::string::npos);

    MainWndProc(window, WM_REQ_SE, 18, 0);
    EXPECT_TRUE(Playing(0));
    EXPECT_NE(orvtest::ReadHostFile("Report_Game.txt").find("err V[18] ( 18 , "), std::string::npos);
    plat::Message close;
    EXPECT_TRUE(plat::PeekWindowMessage(window, close));
    EXPECT_EQ(close.id, plat::kWmClose) << "the bad index asks the window to close";
}

}  // namespace
