// What exists only for tests and headless runs, behind this one header:
// the run mode chosen again, virtual time, a pinned date, scripted dialog
// answers and their transcript, desktop boxes that fail, scripted joysticks
// and key presses, files held in memory.
// The system's own code never includes it.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/input.h"

namespace plat::testing {

// Forgets the run mode (platform/run_mode.h): the next ask decides again
// from the environment, so a test may change ORV_HEADLESS or
// SDL_VIDEODRIVER and be heard.
void ForgetRunMode();

// Virtual time: TimeMs starts at startMs and moves only by SleepMs and
// AdvanceTime, at once, for every thread.
void UseVirtualTime(uint32_t startMs);
void UseRealTime();
bool VirtualTimeOn();
void AdvanceTime(uint32_t ms);

// LocalTime returns this date and time (plus the virtual time elapsed since
// pinning, when virtual time is on) until unpinned.
void PinLocalTime(const LocalDateTime& at);
void UnpinLocalTime();

// Scripted dialogs. Each box takes the next scripted answer for its kind
// ("msgbox" for message boxes), else the default: its first button. A script
// file named by ORV_DIALOG_SCRIPT holds lines "kind answer" (answer: ok,
// cancel, abort, retry, ignore, yes, no, or a number) is read at first use
// and again at the first box after ClearDialogScript; its answers come
// before those given here.
void ScriptDialogAnswer(const std::string& kind, int answer);
void ClearDialogScript();

struct DialogRecord {
    std::string kind;
    std::string caption;  // as given, Shift-JIS
    std::string text;     // as given, Shift-JIS
    int answer = 0;
};
// Every scripted box shown so far; the file named by ORV_DIALOG_TRANSCRIPT,
// when set, receives the same as lines "kind<TAB>caption<TAB>text<TAB>answer"
// with line breaks in the text written as "\n".
std::vector<DialogRecord> DialogTranscript();
void ClearDialogTranscript();

// The desktop's boxes fail as they do where the desktop cannot show one.
void FailDesktopBoxes(bool fail);

// Scripted joysticks: a device with this id, read before any real device of
// the same id, until removed.
void SetJoystick(unsigned id, const JoyReading& reading);
void RemoveJoystick(unsigned id);
void ClearJoysticks();

// Input script entries, applied by BeginInputFrame at the frame given
// (frames count from 0), after those of the ORV_INPUT_SCRIPT file. A
// press also posts the key-down message to the key message window, as the
// file's "down" lines do. ClearInputScript drops every entry, restarts the
// frame count at 0 and has the file read again at the next frame.
void ScriptInput(int frame, int vk, bool down);
void ClearInputScript();

// Files in memory, so fuzz targets feed the readers without the disk. While
// on, OpenFile for reading of a path held here reads the bytes held (as they
// were at the open), and so does the input script's reader for its file;
// PathExists and IsFolder see it as a file, and every replacing write
// (BeginReplace) stores the whole new file here instead of on the disk.
// Paths not held are looked for on the disk as ever. Paths match as program
// paths do: either separator, any ASCII letter case.
void UseMemoryFiles(bool on);
void SetMemoryFile(std::string_view path, std::string_view bytes);
// The same bytes as the file of each path, held once.
void SetMemoryFiles(std::initializer_list<std::string_view> paths, std::string_view bytes);
// The bytes held for the path; "" when none.
std::string MemoryFile(std::string_view path);
void ClearMemoryFiles();

}  // namespace plat::testing
