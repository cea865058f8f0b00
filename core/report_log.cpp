#include "core/report_log.h"

#include <cstdio>

#include "core/message_box.h"
#include "platform/paths.h"

namespace {

// Never destroyed: threads stopped by program-wide objects at exit may still
// write their last lines.
std::string& g_reportPath = *new std::string;

bool g_debugOn = false;
std::string& g_debugPath = *new std::string;
bool g_debugStarted = false;

// One open-append-close per line: the log is whole on disk after every line
// even when the program dies. "r+" never creates the file, so a log deleted
// during the run stays deleted.
FILE* OpenLogAtEnd() {
    if (g_reportPath.empty()) return nullptr;
    FILE* f = plat::OpenFile(g_reportPath, "r+b");
    if (f) std::fseek(f, 0, SEEK_END);
    return f;
}

int AppendLine(const char* text) {
    FILE* f = OpenLogAtEnd();
    if (!f) return 0;
    std::fputs(text, f);
    std::fputc('\n', f);
    std::fclose(f);
    return 1;
}

std::string FormatLog(const char* format, va_list args) { return FormatBounded(kLogTextSize, format, args); }

// The same text to the report log and to the debug log.
int WriteBoth(const std::string& text) {
    int r = AppendLine(text.c_str());
    WriteDebugLogText(text.c_str());
    return r;
}

}  // namespace

int InitReportLog(const char* path) {
    if (!path) return 0;
    FILE* f = plat::OpenFile(path, "wb");
    if (!f) return 0;
    std::fclose(f);
    g_reportPath = path;
    return 1;
}

const std::string& ReportLogPath() { return g_reportPath; }

int WriteReportV(const char* format, va_list args) {
    FILE* f = OpenLogAtEnd();
    if (!f) return 0;
    std::vfprintf(f, format, args);
    std::fputc('\n', f);
    std::fclose(f);
    return 1;
}

int WriteReport(const char* format, ...) {
    va_list args;
    va_start(args, format);
    int r = WriteReportV(format, args);
    va_end(args);
    return r;
}

int WriteReportText(const char* text) { return AppendLine(text ? text : ""); }

int WriteReportDebug(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatLog(format, args);
    va_end(args);
    return WriteBoth(text);
}

int ReportError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatLog(format, args);
    va_end(args);
    int r = WriteBoth(text);
    // Shown even when the log is unwritable: the user must still learn why.
    ErrorBox(text.c_str());
    return r;
}

void InitDebugLog(bool on, const char* path) {
    g_debugOn = on;
    g_debugPath = path ? path : "";
    g_debugStarted = false;
}

bool DebugLogOn() { return g_debugOn; }

int WriteDebugLogText(const char* text) {
    if (!g_debugOn || g_debugPath.empty()) return 0;
    // The first write of a run starts the file afresh.
    FILE* f = plat::OpenFile(g_debugPath, g_debugStarted ? "ab" : "wb");
    if (!f) return 0;
    g_debugStarted = true;
    std::fputs(text ? text : "", f);
    std::fputc('\n', f);
    std::fclose(f);
    return 1;
}

int WriteDebugLogLine(const char* text) { return WriteDebugLogText(text); }

int WriteDebugLog(const char* format, ...) {
    if (!g_debugOn) return 0;
    va_list args;
    va_start(args, format);
    std::string text = FormatBounded(kFormatBufferSize, format, args);
    va_end(args);
    return WriteDebugLogText(text.c_str());
}

int WriteDebugLogAndClose(plat::WindowHandle window, const char* format, ...) {
    int r = 0;
    if (g_debugOn) {
        va_list args;
        va_start(args, format);
        std::string text = FormatBounded(kFormatBufferSize, format, args);
        va_end(args);
        r = WriteDebugLogText(text.c_str());
    }
    plat::PostWindowMessage(window, plat::kWmClose);
    return r;
}
