#include "platform/input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/input_sdl.h"
#include "platform/messages.h"
#include "platform/picture.h"
#include "platform/presenter.h"
#include "platform/testing.h"
#include "support/test_support.h"

namespace {


namespace pt = plat::testing;

SDL_Event KeyEvent(bool down, SDL_Keycode sym, SDL_Scancode scancode) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scancode;
    return e;
}

TEST(KeyTable, SetClearAndCodesOutsideTheTable) {
    plat::ClearKeys();
    plat::SetKeyDown('Z', true);
    plat::SetKeyDown(255, true);
    plat::SetKeyDown(-1, true);   // ignored
    plat::SetKeyDown(256, true);  // ignored
    EXPECT_TRUE(plat::KeyDown('Z'));
    EXPECT_TRUE(plat::KeyDown(255));
    EXPECT_FALSE(plat::KeyDown('X'));
    EXPECT_FALSE(plat::KeyDown(-1));
    EXPECT_FALSE(plat::KeyDown(256));
    EXPECT_FALSE(plat::KeyDown(0x10000 + 'Z'));
    plat::SetKeyDown('Z', false);
    EXPECT_FALSE(plat::KeyDown('Z'));
    plat::ClearKeys();
    EXPECT_FALSE(plat::KeyDown(255));
}

TEST(SdlKeys, TranslationToVirtualKeys) {
    struct Case {
        SDL_Keycode sym;
        SDL_Scancode scancode;
        int vk;
    };
    const Case cases[] = {
        {SDLK_a, SDL_SCANCODE_A, 'A'},
        {SDLK_q, SDL_SCANCODE_A, 'Q'},             // letters follow the layout
        {SDLK_AMPERSAND, SDL_SCANCODE_1, '1'},     // a digit key giving a sign keeps its digit
        {SDLK_0, SDL_SCANCODE_0, '0'},
        {SDLK_LEFT, SDL_SCANCODE_LEFT, plat::kVkLeft},
        {SDLK_DOWN, SDL_SCANCODE_DOWN, plat::kVkDown},
        {SDLK_F1, SDL_SCANCODE_F1, plat::kVkF1},
        {SDLK_F12, SDL_SCANCODE_F12, plat::kVkF12},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, plat::kVkReturn},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, plat::kVkReturn},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, plat::kVkEscape},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, plat::kVkSpace},
        {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, plat::kVkBack},
        {SDLK_TAB, SDL_SCANCODE_TAB, plat::kVkTab},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, plat::kVkShift},
        {SDLK_LCTRL, SDL_SCANCODE_LCTRL, plat::kVkControl},
        {SDLK_RALT, SDL_SCANCODE_RALT, plat::kVkMenu},
        {SDLK_KP_0, SDL_SCANCODE_KP_0, 0x60},
        {SDLK_KP_9, SDL_SCANCODE_KP_9, 0x69},
        {SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS, 0x6D},
        {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 0xBA},
        {SDLK_SLASH, SDL_SCANCODE_SLASH, 0xBF},
        {SDLK_RIGHTBRACKET, SDL_SCANCODE_RIGHTBRACKET, 0xDD},
        {SDLK_APPLICATION, SDL_SCANCODE_APPLICATION, 0},  // no code
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::VirtualKeyFromSdl(c.sym, c.scancode), c.vk) << SDL_GetScancodeName(c.scancode);
}

TEST(SdlKeys, EventsSetTheTableAndFocusLossReleases) {
    plat::ClearKeys();
    plat::HandleSdlEvent(KeyEvent(true, SDLK_x, SDL_SCANCODE_X));
    plat::HandleSdlEvent(KeyEvent(true, SDLK_UP, SDL_SCANCODE_UP));
    plat::HandleSdlEvent(KeyEvent(false, SDLK_x, SDL_SCANCODE_X));
    EXPECT_FALSE(plat::KeyDown('X'));
    EXPECT_TRUE(plat::KeyDown(plat::kVkUp));

    // Both Shifts down, one let go: the generic Shift stays down.
    plat::HandleSdlEvent(KeyEvent(true, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT));
    plat::HandleSdlEvent(KeyEvent(true, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT));
    plat::HandleSdlEvent(KeyEvent(false, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT));
    EXPECT_TRUE(plat::KeyDown(plat::kVkShift));
    EXPECT_TRUE(plat::KeyDown(plat::kVkRShift));
    EXPECT_FALSE(plat::KeyDown(plat::kVkLShift));
    plat::HandleSdlEvent(KeyEvent(false, SDLK_RSHIFT, SDL_SCANCODE_RSHIFT));
    EXPECT_FALSE(plat::KeyDown(plat::kVkShift));

    plat::HandleSdlEvent(KeyEvent(true, SDLK_LALT, SDL_SCANCODE_LALT));
    SDL_Event focus{};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    plat::HandleSdlEvent(focus);
    EXPECT_FALSE(plat::KeyDown(plat::kVkUp));
    EXPECT_FALSE(plat::KeyDown(plat::kVkMenu));
    EXPECT_FALSE(plat::KeyDown(plat::kVkLMenu));
}

TEST(Joystick, ScriptedDevicesComeAndGo) {
    pt::ClearJoysticks();
    plat::JoyReading r;
    EXPECT_FALSE(plat::ReadJoystick(0, &r));  // headless: no real devices
    pt::SetJoystick(2, plat::JoyReading{0, 65535, 0x80000001u});
    EXPECT_FALSE(plat::ReadJoystick(0, &r));
    ASSERT_TRUE(plat::ReadJoystick(2, &r));
    EXPECT_EQ(r.x, 0u);
    EXPECT_EQ(r.y, 65535u);
    EXPECT_EQ(r.buttons, 0x80000001u);
    pt::RemoveJoystick(2);
    EXPECT_FALSE(plat::ReadJoystick(2, &r));
    pt::SetJoystick(0, {});
    pt::SetJoystick(1, {});
    pt::ClearJoysticks();
    EXPECT_FALSE(plat::ReadJoystick(0, &r));
    EXPECT_FALSE(plat::ReadJoystick(1, &r));
}

// The real device path, through a virtual joystick of SDL's own.
TEST(Joystick, SdlDevicePlugReadAndUnplug) {
    {
        orvtest::ScopedRunMode desktop(nullptr, "dummy");
        if (!plat::InitJoysticks()) GTEST_SKIP() << "no joystick interface here";
    }
    auto pump = [] {
        SDL_PumpEvents();
        SDL_Event e;
        while (SDL_PollEvent(&e)) plat::HandleSdlEvent(e);
        plat::RefreshJoysticks();
    };
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 12, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    pump();
    SDL_Joystick* j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    ASSERT_NE(j, nullptr);  // opened by the layer when it was added
    SDL_JoystickSetVirtualAxis(j, 0, -32768);
    SDL_JoystickSetVirtualAxis(j, 1, 32767);
    SDL_JoystickSetVirtualButton(j, 0, 1);
    SDL_JoystickSetVirtualButton(j, 9, 1);
    pump();
    plat::JoyReading r;
    ASSERT_TRUE(plat::ReadJoystick(static_cast<unsigned>(index), &r));
    EXPECT_EQ(r.x, 0u);
    EXPECT_EQ(r.y, 65535u);
    EXPECT_EQ(r.buttons, (1u << 0) | (1u << 9));

    SDL_JoystickDetachVirtual(index);
    pump();
    EXPECT_FALSE(plat::ReadJoystick(static_cast<unsigned>(index), &r));
    plat::QuitJoysticks();
}

TEST(Joystick, HeadlessStartsNoInterface) {
    EXPECT_FALSE(plat::InitJoysticks());  // the test environment is headless
    plat::RefreshJoysticks();
    plat::JoyReading r;
    EXPECT_FALSE(plat::ReadJoystick(0, &r));
}

class InputScript : public ::testing::Test {
protected:
    void SetUp() override {
        plat::ClearKeys();
        pt::ClearInputScript();
        m_window = plat::CreateMessageWindow();
        plat::SetKeyMessageWindow(m_window);
    }
    void TearDown() override {
        plat::SetKeyMessageWindow(plat::kNoWindow);
        plat::DestroyMessageWindow(m_window);
        unsetenv("ORV_INPUT_SCRIPT");
        pt::ClearInputScript();
        plat::ClearKeys();
    }
    std::vector<plat::Message> Messages() {
        std::vector<plat::Message> out;
        plat::Message m;
        while (plat::PeekWindowMessage(m_window, m)) out.push_back(m);
        return out;
    }
    plat::WindowHandle m_window = plat::kNoWindow;
};

TEST_F(InputScript, FileEntriesApplyAtTheirFrames) {
    orvtest::ScopedTempFolder folder;
    orvtest::WriteHostFile("script.txt",
                           "# a comment line\n"
                           "0 down 0x25\r\n"
                           "  1 down 90   # Z\n"
                           "2 up 0x25\n"
                           "2 down 0X1b\n"
                           "4 close\n"
                           "\n"
                           "x down 5\n"           // bad frame
                           "3 down 256\n"         // no such key
                           "3 down\n"             // no key
                           "3 press 5\n"          // no such action
                           "3 close 5\n"          // surplus word
                           "-1 down 5\n"          // negative frame
                           "99999999999 down 5\n" // frame too large
                           "3 up 0x\n");
    setenv("ORV_INPUT_SCRIPT", (folder.host() + "/script.txt").c_str(), 1);
    pt::ClearInputScript();
    ::testing::internal::CaptureStderr();

    plat::BeginInputFrame();  // frame 0
    EXPECT_TRUE(plat::KeyDown(plat::kVkLeft));
    plat::BeginInputFrame();  // frame 1
    EXPECT_TRUE(plat::KeyDown('Z'));
    EXPECT_TRUE(plat::KeyDown(plat::kVkLeft));
    plat::BeginInputFrame();  // frame 2
    EXPECT_FALSE(plat::KeyDown(plat::kVkLeft));
    EXPECT_TRUE(plat::KeyDown(plat::kVkEscape));
    plat::BeginInputFrame();  // frame 3: only bad lines
    plat::BeginInputFrame();  // frame 4

    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("bad lines skipped: 8, 9, 10, 11, 12, 13, 14, 15"), std::string::npos) << err;
    EXPECT_EQ(err.find(" more"), std::string::npos) << err;

    std::vector<plat::Message> m = Messages();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].id, plat::kWmKeyDown);
    EXPECT_EQ(m[0].wParam, uintptr_t{plat::kVkLeft});
    EXPECT_EQ(m[1].wParam, uintptr_t{'Z'});
    EXPECT_EQ(m[2].wParam, uintptr_t{plat::kVkEscape});
    EXPECT_EQ(m[3].id, plat::kWmClose);
}

TEST_F(InputScript, ManyBadLinesAreReportedInOneLine) {
    orvtest::ScopedTempFolder folder;
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "junk\n";
    text += std::string(100000, 'x') + "\n0 down 65";  // a huge line, then a good last line without a break
    orvtest::WriteHostFile("script.txt", text);
    setenv("ORV_INPUT_SCRIPT", (folder.host() + "/script.txt").c_str(), 1);
    pt::ClearInputScript();
    ::testing::internal::CaptureStderr();
    plat::BeginInputFrame();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(plat::KeyDown('A'));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("1, 2, 3, 4, 5, 6, 7, 8 and 993 more"), std::string::npos) << err;
}

TEST_F(InputScript, MissingFileOnlyCountsFrames) {
    setenv("ORV_INPUT_SCRIPT", "/nonexistent/input-script", 1);
    pt::ClearInputScript();
    ::testing::internal::CaptureStderr();
    pt::ScriptInput(1, 'C', true);
    plat::BeginInputFrame();
    EXPECT_FALSE(plat::KeyDown('C'));
    plat::BeginInputFrame();
    EXPECT_TRUE(plat::KeyDown('C'));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot be read"), std::string::npos);
}

// FNV-1a of 64 bits over each pixel's bytes A, R, G, B.
uint64_t Fnv(const std::vector<uint32_t>& argb) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (uint32_t p : argb)
        for (int shift : {24, 16, 8, 0}) h = (h ^ ((p >> shift) & 0xFF)) * 0x100000001B3ull;
    return h;
}

std::string HashLine(int frame, uint64_t hash) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::to_string(frame) + " " + hex + "\n";
}

TEST_F(InputScript, HashesAndPicturesOfTheScreenAsAFrameBegins) {
    orvtest::ScopedTempFolder folder;
    orvtest::WriteHostFile("script.txt",
                           "0 hash\n"
                           "1 hash\n"
                           "1 png  shot one.png \n"  // the name runs to the end of the line
                           "2 hash\n"
                           "2 png\n"        // no file
                           "2 hash more\n"  // surplus word
                           "3 png no/such/folder/x.png\n");
    orvtest::WriteHostFile("hashes.txt", "from an earlier run\n");
    setenv("ORV_INPUT_SCRIPT", (folder.host() + "/script.txt").c_str(), 1);
    orvtest::ScopedEnv list("ORV_FRAME_HASHES", (folder.host() + "/hashes.txt").c_str());
    pt::ClearInputScript();
    ::testing::internal::CaptureStderr();

    plat::Image one(2, 1, plat::PixelFormat::X8R8G8B8);
    one.Set(0, 0, 0x123456);
    one.Set(1, 0, 0xABCDEF);
    plat::PresentImage(one, nullptr);
    plat::BeginInputFrame();  // frame 0
    plat::Image two(1, 1, plat::PixelFormat::X8R8G8B8);
    two.Set(0, 0, 0x123456);
    plat::PresentImage(two, nullptr);
    plat::BeginInputFrame();  // frame 1
    plat::BeginInputFrame();  // frame 2: nothing new on the screen
    plat::BeginInputFrame();  // frame 3

    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("bad lines skipped: 5, 6"), std::string::npos) << err;
    EXPECT_NE(err.find("frame 3: no picture written to no/such/folder/x.png"), std::string::npos) << err;
    // The value is pinned, not only our own sum of it: lists made on one
    // machine must hold on every other.
    EXPECT_EQ(Fnv({0xFF123456u}), 0xE1F57064D5E6C1A2ull);
    EXPECT_EQ(orvtest::ReadHostFile("hashes.txt"), HashLine(0, Fnv({0xFF123456u, 0xFFABCDEFu})) +
                                                       HashLine(1, Fnv({0xFF123456u})) +
                                                       HashLine(2, Fnv({0xFF123456u})));
    EXPECT_TRUE(orvtest::HostFileExists("shot one.png"));

    // Without a list file the lines go to standard output.
    unsetenv("ORV_FRAME_HASHES");
    pt::ClearInputScript();
    orvtest::WriteHostFile("script.txt", "1 hash\n");
    ::testing::internal::CaptureStdout();
    plat::BeginInputFrame();
    plat::BeginInputFrame();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), HashLine(1, Fnv({0xFF123456u})));
}

TEST_F(InputScript, TestEntriesAndRestartingTheCount) {
    pt::ScriptInput(0, 'X', true);
    pt::ScriptInput(2, 'X', false);
    pt::ScriptInput(-1, 'Y', true);   // ignored
    pt::ScriptInput(0, 300, true);    // ignored
    pt::ScriptInput(5, 'D', true);
    plat::BeginInputFrame();
    EXPECT_TRUE(plat::KeyDown('X'));
    plat::BeginInputFrame();
    plat::BeginInputFrame();
    EXPECT_FALSE(plat::KeyDown('X'));
    ASSERT_EQ(Messages().size(), 1u);  // the press only

    // Cleared: the count starts again at 0 and old entries are gone.
    pt::ClearInputScript();
    pt::ScriptInput(0, 'V', true);
    plat::SetKeyMessageWindow(plat::kNoWindow);  // nothing is posted without a window
    plat::BeginInputFrame();
    EXPECT_TRUE(plat::KeyDown('V'));
    for (int i = 0; i < 6; ++i) plat::BeginInputFrame();
    EXPECT_FALSE(plat::KeyDown('D'));
    EXPECT_TRUE(Messages().empty());
}

}  // namespace
