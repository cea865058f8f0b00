#include "project/stage_file.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/message_box.h"
#include "core/record_file.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "core/text.h"
#include "core/thread.h"
#include "platform/byte_order.h"
#include "platform/paths.h"
#include "platform/threads.h"
#include "project/chara_def.h"
#include "project/stage_info.h"

namespace {

std::atomic<StageLoadMessageHandler> s_messageHandler{nullptr};

// The last int32 of the file at path; false when it cannot be read.
bool ReadLastInt(const std::string& path, int32_t& value) {
    FILE* f = plat::OpenFile(path, "rb");
    if (!f) return false;
    unsigned char b[4] = {};
    bool ok = std::fseek(f, -4, SEEK_END) == 0 && std::fread(b, 1, 4, f) == 4;
    std::fclose(f);
    value = static_cast<int32_t>(plat::LoadLe32(b));
    return ok;
}

// Keeps the asking thread's messages flowing until the loader has ended.
// True when a WM_QUIT was taken meanwhile (its exit code in quitCode).
bool PumpUntilLoaded(uintptr_t& quitCode) {
    const bool workerThread = plat::CurrentThreadId() != 0;
    // A worker thread has no window to hand its messages to; they wait here
    // and go back to its queue afterwards, so no request is lost.
    std::vector<plat::Message> keep;
    bool quit = false;
    for (;;) {
        plat::Message msg;
        if (workerThread) {
            while (!quit && plat::PeekThreadMessage(msg)) {
                if (msg.id == plat::kWmQuit) {
                    quit = true;
                    quitCode = msg.wParam;
                } else {
                    keep.push_back(msg);
                }
            }
        } else if (StageLoadMessageHandler handler = s_messageHandler.load()) {
            while (!quit && plat::PeekWindowMessage(g_hMainWnd, msg)) {
                if (msg.id == plat::kWmQuit) {
                    quit = true;
                    quitCode = msg.wParam;
                } else {
                    handler(msg);
                }
            }
        }
        // The messages are looked at every millisecond; the end of the load
        // is taken at once.
        if (quit || thLoad.WaitEnded(1)) break;
    }
    for (const plat::Message& m : keep) plat::PostThreadMessage(plat::CurrentThreadId(), m.id, m.wParam, m.lParam);
    return quit;
}

// The quit taken by the pump is given back to the loop that owns the queue,
// so the program still ends.
void RepostQuit(uintptr_t code) {
    if (plat::CurrentThreadId() != 0)
        plat::PostThreadMessage(plat::CurrentThreadId(), plat::kWmQuit, code);
    else
        plat::PostWindowMessage(g_hMainWnd, plat::kWmQuit, code);
}

}  // namespace

void SetStageLoadMessageHandler(StageLoadMessageHandler handler) { s_messageHandler = handler; }

unsigned LoadStageThreadProc(void*) {
    if (g_Stage.LoadFile(g_Stage.m_strPath.c_str())) g_Stage.m_bLoaded = 1;
    return 0;
}

int CheckStageTrailer(const char* path) {
    DataFile* file = OpenDataFile(path);
    if (!file) return 1;
    int version = g_FileVersion;
    CloseDataFile(file);
    if (version < kStageTrailerCheckedFrom) return 1;
    int32_t last = 0;
    if (ReadLastInt(path ? path : "", last) && last == kStageTrailer) return 1;
    ErrorPrintf("ステージファイル %s が破損しています！", path);
    PostMainWindowClose();
    return 0;
}

int OpenStageFile(const char* name, int numbered, cStageInfo* settings, cCharaDef* hero) {
    std::string path = name ? name : "";
    if (numbered && !FindNumberedFile(path, path, "stg4")) return 0;
    MakeRelativePath(path);
    if (!CheckStageTrailer(path.c_str())) return 0;

    // The stage is read into g_Stage itself (its palette is the one entries
    // inherit from while they are read); the stage before waits aside and
    // comes back whenever the new one is refused.
    cStageInfo previous = std::move(g_Stage);
    g_Stage.m_bNumbered = numbered;
    g_Stage.m_strPath = path;
    g_Stage.m_bLoaded = 0;

    uintptr_t quitCode = 0;
    bool quit = false;
    if (thLoad.Start(LoadStageThreadProc, nullptr)) {
        quit = PumpUntilLoaded(quitCode);
        // Even after a quit the loader is let finish: stopped half-way it
        // would leave g_Stage half-written and the file open.
        thLoad.Wait();
    }
    if (quit) {
        WriteDebugLog("msg.message == WM_QUIT");
        g_Stage = std::move(previous);
        RepostQuit(quitCode);
        return 0;
    }
    if (!g_Stage.m_bLoaded) {
        g_Stage = std::move(previous);
        ErrorPrintf("ステージファイル %s の読み込みに失敗しました！", path.c_str());
        return 0;
    }
    if (!g_Stage.HasHero()) {
        g_Stage = std::move(previous);
        ErrorPrintf("主人公が配置されていないのでプレイできません！");
        PostMainWindowClose();
        return 0;
    }

    if (settings) {
        settings->CopyFrom(g_Stage);
        settings->m_vBackground = g_Stage.m_vBackground;
        settings->m_vVarName = g_Stage.m_vVarName;
        for (int i = 0; i < kOutRangeRules; ++i) settings->m_OutRange[i] = g_Stage.m_OutRange[i];
        settings->m_vExtra = g_Stage.m_vExtra;
        settings->m_vPltBlock.clear();
        settings->m_vPltChara.clear();
        settings->m_vPltItem.clear();
        settings->m_vBlock.clear();
        settings->m_vChara.clear();
        settings->m_vItem.clear();
    }
    if (hero) *hero = g_Stage.m_vChara.At(g_Stage.FindHero());
    return 1;
}
