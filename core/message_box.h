// Boxes that every part of the program shows the user.
#pragma once
#include <cstdint>

#include "core/text.h"
#include "platform/dialogs.h"

// A modal box: the drawing layer's own box over the game screen when the
// layer is up full screen, else the desktop's. Returns the button chosen:
// 1 for the layer's box when shown, 0 when it could not be; a desktop box
// that cannot be shown goes to standard error and takes its default button.
int ShowMessageBox(const char* text, const char* caption, uint32_t type);

// The error box: caption "エラー", an OK button.
int ErrorBox(const char* text);
int ErrorPrintf(const char* format, ...) ORV_PRINTF(1, 2);
// As ErrorPrintf, only while the debug log is on; else 0 and no box.
int DebugErrorPrintf(const char* format, ...) ORV_PRINTF(1, 2);

// The answer to an allocation the game cannot do without: an error box,
// then the main window's close request.
void OutOfMemoryExit();
