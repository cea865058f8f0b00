// Opening a stage file: the file is found (by its numbered name when asked),
// its end trailer checked, and it is read into the live stage g_Stage on the
// loader thread while the asking thread keeps its messages flowing. A stage
// that cannot be loaded, or that has no hero, is refused with a message and
// leaves the stage loaded before as it was.
#pragma once
#include "platform/messages.h"

class cStageInfo;
class cCharaDef;

// Loads the stage file `name` into g_Stage: with `numbered`, the highest
// existing "<name with extension stg4>_NNN" (999 down to 000), else the name
// as it is. On success `settings` (when given) receives the stage's settings,
// rules, backgrounds, variable names and extra settings with empty palettes
// and placements, and `hero` (when given) the placed hero. 1 loaded, 0 not.
int OpenStageFile(const char* name, int numbered, cStageInfo* settings, cCharaDef* hero);

// Procedure of the loader thread: reads g_Stage from its file path and sets
// its loaded flag on success.
unsigned LoadStageThreadProc(void* arg);

// 0 when the file is a stage file of a version that ends with the trailer
// and its last int32 is not the trailer (a box says the file is damaged and
// the main window is asked to close); 1 otherwise, also when the file cannot
// be opened as a data file (the load then reports that).
int CheckStageTrailer(const char* path);

// Where the window's thread hands the messages it takes from the main
// window's queue while a stage loads: the shell's window procedure. Unset,
// the main window's queue is left alone until the load is over.
using StageLoadMessageHandler = void (*)(const plat::Message& message);
void SetStageLoadMessageHandler(StageLoadMessageHandler handler);
