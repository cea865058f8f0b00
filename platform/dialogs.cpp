#include "platform/dialogs.h"

#include <SDL.h>

#include <atomic>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/run_mode.h"
#include "platform/testing.h"
#include "platform/text_codec.h"

namespace plat {
namespace {

// ---- back-end choice ----

std::mutex g_backendMutex;
std::optional<DialogBackend> g_backend;

bool EqualsIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

// A box nobody can see would wait for ever.
DialogBackend BackendOfRunMode() {
    return Headless() || DesktopUnseen() ? DialogBackend::Scripted : DialogBackend::Desktop;
}

// ---- buttons of a box type ----

struct Button {
    int id;
    const char* label;  // ASCII, the same in both encodings
};

std::vector<Button> ButtonsOf(uint32_t type) {
    switch (type & 0xF) {
    case kMbOkCancel: return {{kIdOk, "OK"}, {kIdCancel, "Cancel"}};
    case kMbAbortRetryIgnore: return {{kIdAbort, "Abort"}, {kIdRetry, "Retry"}, {kIdIgnore, "Ignore"}};
    case kMbYesNoCancel: return {{kIdYes, "Yes"}, {kIdNo, "No"}, {kIdCancel, "Cancel"}};
    case kMbYesNo: return {{kIdYes, "Yes"}, {kIdNo, "No"}};
    case kMbRetryCancel: return {{kIdRetry, "Retry"}, {kIdCancel, "Cancel"}};
    default: return {{kIdOk, "OK"}};  // kMbOk and values we do not know
    }
}

// ---- scripted back-end ----

std::mutex g_scriptMutex;
bool g_scriptFileRead = false;
std::map<std::string, std::deque<int>> g_script;
std::vector<testing::DialogRecord> g_transcript;

std::optional<int> ParseAnswer(const std::string& word) {
    static const std::pair<const char*, int> kWords[] = {
        {"ok", kIdOk},       {"cancel", kIdCancel}, {"abort", kIdAbort}, {"retry", kIdRetry},
        {"ignore", kIdIgnore}, {"yes", kIdYes},      {"no", kIdNo},
    };
    for (const auto& [name, id] : kWords)
        if (EqualsIgnoringCase(word.c_str(), name)) return id;
    int value = 0;
    const char* end = word.data() + word.size();
    auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// Called with g_scriptMutex held. The file's answers come before any given
// in code; a line that is not "kind answer" is passed over.
void ReadScriptFileOnce() {
    if (g_scriptFileRead) return;
    g_scriptFileRead = true;
    const char* name = std::getenv("ORV_DIALOG_SCRIPT");
    if (!name || !*name) return;
    std::ifstream in(name, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind, answer, extra;
        if (!(words >> kind >> answer) || (words >> extra)) continue;
        if (std::optional<int> id = ParseAnswer(answer)) g_script[kind].push_back(*id);
    }
}

// The transcript file is one box a line, so breaks and tabs inside a field
// are written as escapes.
std::string TranscriptField(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
            out += "\\n";
        } else if (s[i] == '\n') {
            out += "\\n";
        } else if (s[i] == '\t') {
            out += "\\t";
        } else {
            out += s[i];
        }
    }
    return out;
}

void AppendTranscriptFile(const testing::DialogRecord& r) {
    const char* name = std::getenv("ORV_DIALOG_TRANSCRIPT");
    if (!name || !*name) return;
    FILE* f = std::fopen(name, "ab");
    if (!f) return;
    std::string line = TranscriptField(r.kind) + '\t' + TranscriptField(r.caption) + '\t' + TranscriptField(r.text) +
                       '\t' + std::to_string(r.answer) + '\n';
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
}

int ScriptedBox(std::string_view text, std::string_view caption, uint32_t type) {
    static const std::string kKind = "msgbox";
    std::lock_guard<std::mutex> lock(g_scriptMutex);
    ReadScriptFileOnce();
    int answer = ButtonsOf(type).front().id;
    auto it = g_script.find(kKind);
    if (it != g_script.end() && !it->second.empty()) {
        answer = it->second.front();
        it->second.pop_front();
    }
    testing::DialogRecord record{kKind, std::string(caption), std::string(text), answer};
    AppendTranscriptFile(record);
    g_transcript.push_back(std::move(record));
    return answer;
}

// ---- desktop back-end ----

std::atomic<bool> g_failDesktopBoxes{false};

// A desktop without the means to show a box (no fonts, no helper program)
// must not turn every question into a silent "no": the box goes to standard
// error with the answer its default button gives, as Enter would.
int UnshownBox(std::string_view text, std::string_view caption, uint32_t type, const char* why) {
    const Button answer = ButtonsOf(type).front();
    std::string shown = "Message box not shown (" + std::string(why) + ")\n  caption: " + SjisToShownUtf8(caption) +
                        "\n  text: ";
    std::string body = SjisToShownUtf8(text);
    while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
    for (char c : body) {
        if (c == '\r') continue;
        shown += c;
        if (c == '\n') shown += "        ";
    }
    shown += "\n  answer taken: ";
    shown += answer.label;
    shown += '\n';
    std::fwrite(shown.data(), 1, shown.size(), stderr);
    std::fflush(stderr);
    return answer.id;
}

int DesktopBox(std::string_view text, std::string_view caption, uint32_t type) {
    if (g_failDesktopBoxes) return UnshownBox(text, caption, type, "no message system available");
    std::vector<Button> buttons = ButtonsOf(type);
    std::vector<SDL_MessageBoxButtonData> data;
    int escapeId = 0;
    for (size_t i = 0; i < buttons.size(); ++i) {
        SDL_MessageBoxButtonData b{};
        b.buttonid = buttons[i].id;
        b.text = buttons[i].label;
        if (i == 0) b.flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        // Escape means Cancel where there is one, and OK on a lone OK.
        if (buttons[i].id == kIdCancel || buttons.size() == 1) {
            b.flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            escapeId = buttons[i].id;
        }
        data.push_back(b);
    }
    Uint32 flags = SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    switch ((type >> 4) & 0xF) {
    case kMbIconError >> 4: flags |= SDL_MESSAGEBOX_ERROR; break;
    case kMbIconWarning >> 4: flags |= SDL_MESSAGEBOX_WARNING; break;
    case kMbIconQuestion >> 4:
    case kMbIconInformation >> 4: flags |= SDL_MESSAGEBOX_INFORMATION; break;
    default: break;
    }
    // SDL wants well-formed UTF-8.
    std::string utf8Text = SjisToShownUtf8(text);
    std::string utf8Caption = SjisToShownUtf8(caption);
    SDL_MessageBoxData box{};
    box.flags = flags;
    box.title = utf8Caption.c_str();
    box.message = utf8Text.c_str();
    box.numbuttons = static_cast<int>(data.size());
    box.buttons = data.data();
    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) return UnshownBox(text, caption, type, SDL_GetError());
    // Closing the window counts as Escape.
    return chosen >= 0 ? chosen : escapeId;
}

}  // namespace

DialogBackend CurrentDialogBackend() {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    return g_backend ? *g_backend : BackendOfRunMode();
}

void SetDialogBackend(DialogBackend backend) {
    std::lock_guard<std::mutex> lock(g_backendMutex);
    g_backend = backend;
}

int ShowMessageBox(std::string_view text, std::string_view caption, uint32_t type) {
    if (CurrentDialogBackend() == DialogBackend::Scripted) return ScriptedBox(text, caption, type);
    return DesktopBox(text, caption, type);
}

namespace testing {

void ScriptDialogAnswer(const std::string& kind, int answer) {
    std::lock_guard<std::mutex> lock(g_scriptMutex);
    ReadScriptFileOnce();
    g_script[kind].push_back(answer);
}

// Clearing also forgets that the script file was read: the next box reads
// ORV_DIALOG_SCRIPT afresh, which lets a test set it and start over.
void ClearDialogScript() {
    std::lock_guard<std::mutex> lock(g_scriptMutex);
    g_script.clear();
    g_scriptFileRead = false;
}

std::vector<DialogRecord> DialogTranscript() {
    std::lock_guard<std::mutex> lock(g_scriptMutex);
    return g_transcript;
}

void ClearDialogTranscript() {
    std::lock_guard<std::mutex> lock(g_scriptMutex);
    g_transcript.clear();
}

void FailDesktopBoxes(bool fail) { g_failDesktopBoxes = fail; }

}  // namespace testing
}  // namespace plat
