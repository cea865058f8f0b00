// Keyboard and joysticks for the game. Keys are kept in a table indexed by
// Windows virtual-key code, since the key configuration file stores those
// codes; the window's thread fills it from its events and any thread reads
// it. Joysticks are read from snapshots the window's thread refreshes after
// each event pump, numbered in the order the system lists the devices.
#pragma once
#include <cstdint>

#include "platform/messages.h"

namespace plat {

// Virtual-key codes. Letters and digits are their ASCII upper-case codes
// ('A' 0x41 ... 'Z', '0' 0x30 ... '9').
constexpr int kVkBack = 0x08;
constexpr int kVkTab = 0x09;
constexpr int kVkReturn = 0x0D;
constexpr int kVkShift = 0x10;
constexpr int kVkControl = 0x11;
constexpr int kVkMenu = 0x12;  // Alt
constexpr int kVkEscape = 0x1B;
constexpr int kVkSpace = 0x20;
constexpr int kVkLeft = 0x25;
constexpr int kVkUp = 0x26;
constexpr int kVkRight = 0x27;
constexpr int kVkDown = 0x28;
constexpr int kVkNumpad0 = 0x60;  // keypad digits 0x60 ... 0x69
constexpr int kVkF1 = 0x70;
constexpr int kVkF2 = 0x71;
constexpr int kVkF3 = 0x72;
constexpr int kVkF4 = 0x73;
constexpr int kVkF5 = 0x74;
constexpr int kVkF6 = 0x75;
constexpr int kVkF7 = 0x76;
constexpr int kVkF8 = 0x77;
constexpr int kVkF9 = 0x78;
constexpr int kVkF10 = 0x79;
constexpr int kVkF11 = 0x7A;
constexpr int kVkF12 = 0x7B;
constexpr int kVkLShift = 0xA0;
constexpr int kVkRShift = 0xA1;
constexpr int kVkLControl = 0xA2;
constexpr int kVkRControl = 0xA3;
constexpr int kVkLMenu = 0xA4;
constexpr int kVkRMenu = 0xA5;

// The key-down message the window receives, wParam = virtual-key code.
constexpr uint32_t kWmKeyDown = 0x0100;

// True while the key is held; false for codes outside 0..255.
bool KeyDown(int vk);
// Codes outside 0..255 are ignored.
void SetKeyDown(int vk, bool down);
// Releases every key; the window's thread calls it when the window loses
// the focus, since the key-up events then go elsewhere.
void ClearKeys();

// One joystick's position: X and Y in 0..65535 (32767 about the centre),
// buttons 0..31 as bits.
struct JoyReading {
    uint32_t x = 32767, y = 32767;
    uint32_t buttons = 0;
};
// The newest snapshot of joystick `id`; false when no device has that id.
// Safe from any thread.
bool ReadJoystick(unsigned id, JoyReading* out);

// The window that receives the key-down and close messages of the input
// script (kNoWindow: none, nothing is posted).
void SetKeyMessageWindow(WindowHandle window);

// The game thread calls this once at the start of each frame's input poll.
// Frames are counted from 0; the entries of the input script for this frame
// are applied (the script file named by ORV_INPUT_SCRIPT is read at the
// first call). Without a script it only counts. The script's lines, one
// entry each ('#' starts a comment):
//   <frame> down <vk>   holds a key down (and posts its key-down message)
//   <frame> up <vk>     lets it go
//   <frame> close       posts the close message
//   <frame> hash        writes the hash of the picture on the screen as the
//                       frame begins (what the frames before presented) as
//                       a line "<frame> <16 hex digits>" to the file
//                       ORV_FRAME_HASHES names (begun afresh by each run),
//                       else to standard output; the hash is FNV-1a of 64
//                       bits over the 0xAARRGGBB pixels row by row, each as
//                       its bytes A, R, G, B
//   <frame> png <file>  writes the same picture as a PNG file
void BeginInputFrame();

// Frames begun so far, with the time of the layer's clock and the real time
// from the first to the newest.
struct FrameFigures {
    int64_t frames = 0;
    uint32_t clockMs = 0;
    double realSeconds = 0;
};
FrameFigures FramesBegun();

}  // namespace plat
