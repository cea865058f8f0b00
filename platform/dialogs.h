// Modal message boxes. Two back-ends behind one call: the desktop's own box
// (SDL) when a display exists, and a scripted one for headless runs that
// answers from a script and keeps a transcript of every box.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace plat {

// Box types: the buttons in the low four bits, an icon in the next four.
// The values are the program's own and are kept as they were.
constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbOkCancel = 0x1;
constexpr uint32_t kMbAbortRetryIgnore = 0x2;
constexpr uint32_t kMbYesNoCancel = 0x3;
constexpr uint32_t kMbYesNo = 0x4;
constexpr uint32_t kMbRetryCancel = 0x5;
constexpr uint32_t kMbIconError = 0x10;
constexpr uint32_t kMbIconQuestion = 0x20;
constexpr uint32_t kMbIconWarning = 0x30;
constexpr uint32_t kMbIconInformation = 0x40;

// Answers.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Shows a modal box with Shift-JIS text and caption; returns the button
// chosen (kId...). A box the desktop cannot show is written to standard
// error with the answer taken: its first button, the default.
int ShowMessageBox(std::string_view text, std::string_view caption, uint32_t type);

enum class DialogBackend { Desktop, Scripted };

// The back-end in use: the one set, else the run mode's
// (platform/run_mode.h): Scripted headless and on a desktop that shows
// nothing, Desktop otherwise.
DialogBackend CurrentDialogBackend();
void SetDialogBackend(DialogBackend backend);

}  // namespace plat
