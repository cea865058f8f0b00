// The report log "Report_Game.txt": one line per event from every part of
// the program, each call one open-append-close so the file is complete on
// disk after every line. The debug log "EC_Game.txt" has its own switch and
// stays off in this program.
#pragma once
#include <cstdarg>
#include <string>

#include "core/text.h"
#include "platform/messages.h"

// Creates or truncates the log at path (program form) and remembers it.
// 1, or 0 when the file cannot be created.
int InitReportLog(const char* path);
// The remembered path ("" before InitReportLog).
const std::string& ReportLogPath();

// Appends the formatted text and "\n". 1, or 0 when the log cannot be
// opened (it is never created here: a deleted log stays deleted).
int WriteReport(const char* format, ...) ORV_PRINTF(1, 2);
int WriteReportV(const char* format, va_list args);
// Appends text unchanged as one line.
int WriteReportText(const char* text);

// Formats into a 1024-byte buffer, writes the line and hands the same text
// to the debug log.
int WriteReportDebug(const char* format, ...) ORV_PRINTF(1, 2);

// As WriteReportDebug, then shows the text in an error box. The box is
// shown even when the log cannot be written: the user must see it.
int ReportError(const char* format, ...) ORV_PRINTF(1, 2);

// Debug log.
void InitDebugLog(bool on, const char* path);
bool DebugLogOn();
int WriteDebugLogText(const char* text);
int WriteDebugLogLine(const char* text);
int WriteDebugLog(const char* format, ...) ORV_PRINTF(1, 2);
// Writes like WriteDebugLog, then posts WM_CLOSE to window whether the
// debug log is on or not.
int WriteDebugLogAndClose(plat::WindowHandle window, const char* format, ...) ORV_PRINTF(2, 3);

// Log and box texts are formatted into buffers of this size.
constexpr size_t kLogTextSize = 1024;
