#include "app/startup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/input_state.h"
#include "app/main_window.h"
#include "audio/bgm_player.h"
#include "audio/sound_slots.h"
#include "core/message_box.h"
#include "core/record.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "core/system_report.h"
#include "core/text.h"
#include "core/thread.h"
#include "core/timing.h"
#include "frontend/play_data.h"
#include "frontend/program_objects.h"
#include "frontend/scene_mgr.h"
#include "gfx/dd.h"
#include "gfx/font.h"
#include "gfx/system_bitmaps.h"
#include "objects/effect_state.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/input.h"
#include "platform/paths.h"
#include "platform/presenter.h"
#include "platform/random.h"
#include "platform/raster_device.h"
#include "platform/run_mode.h"
#include "platform/shell.h"
#include "platform/text_codec.h"
#include "platform/threads.h"
#include "project/common_palette.h"
#include "project/database.h"
#include "project/option.h"
#include "project/path_table.h"
#include "project/program_data.h"
#include "project/stage_file.h"
#include "project/system_data.h"
#include "project/system_ini.h"
#include "project/world_map.h"
#include "stage/game_scene.h"

const char* const kScreenModeWindowText =
    "画面モードが不正です！\nウインドウモードではSystem.iniの設定と画面の色の設定を合わせて下さい！";
const char* const kScreenModeText = "画面モードが不正です！\nSystem.iniと画面の設定を見直して下さい！";

namespace {

constexpr const char* kInstanceName = "ゲーム";
constexpr const char* kTextureFailedText =
    "テクスチャの作成に失敗しました！\nビデオカードの性能が十分ではないかもしれません。\n"
    "System.iniファイルで「Direct3D=0」に変更してDirect3Dを無効にすれば改善される可能性があります。";


// The depth is the resolved "Bpp"; a failing textured-quad device falls
// back to the blit display for the rest of the run.
bool InitDisplay() {
    const int vsync = g_SystemIni.VSync != 0 ? 1 : 0;
    const plat::WindowHandle hwnd = g_MainWnd.m_hWnd;
    int ok = DDInit(g_SystemIni.Direct3D, hwnd, 640, 480, g_SystemIni.Bpp, vsync, g_bWindowed, 1, 60, vsync,
                    g_SysBmp, g_SysBmpDef, kSysBmpCount, 0);
    if (!ok && g_SystemIni.Direct3D) {
        DDRelease();
        g_SystemIni.Direct3D = 0;
        ok = DDInit(0, hwnd, 640, 480, g_SystemIni.Bpp, vsync, g_bWindowed, 1, 60, vsync, g_SysBmp, g_SysBmpDef,
                    kSysBmpCount, 0);
    }
    if (!ok) {
        // The layer has said why where it could; this says what it meant.
        ReportError("DDInit失敗");
        return false;
    }
    return true;
}

bool SetPaletteAndKey() {
    // Every display takes the palette: at 16 and 32 bits the palette colour
    // numbers of fills and text map through it too.
    if (lpDTCon || (lpDDCon && g_lpDD)) {
        if (!DDLoadPaletteFromFile(g_Palette, g_SysBmpDef[kSysBmpPalette].szFile, g_bWindowed)) {
            ReportError("DDLoadPaletteFromFile失敗 (%s)", g_SysBmpDef[kSysBmpPalette].szFile);
            return false;
        }
        std::copy(g_Palette, g_Palette + 256, g_BasePalette);
    }
    const int colourMode = g_SystemData.Get(kSysColourMode);
    const uint8_t* key = g_SystemData.m_bTransColour;
    if (colourMode == 0 || g_nBpp == 16) {
        if (!DDSetTransmit(g_SysBmpDef[kSysBmpPalette].szFile)) {
            ReportError("DDSetTransmit失敗");
            return false;
        }
        if (colourMode != 0) {
            const RGBTRIPLE project{key[2], key[1], key[0]};
            if (lpDTCon) lpDTCon->rgbTransmit = project;
            if (lpDDCon) lpDDCon->rgbTransmit = project;
        }
    } else {
        DDSetTransmit(key[0], key[1], key[2]);
    }
    return true;
}

bool CreateFontsFromProject() {
    const char* face = FontFaceName(g_SystemData.Get(kSysFontFaceIndex));
    for (FONTDEF& def : g_FontDef) {
        std::snprintf(def.szFace, sizeof def.szFace, "%s", face);
        if (def.nCache == 2) def.nCache = lpDTCon ? g_SystemIni.D3D_FontCache : g_SystemIni.DD_FontCache;
    }
    if (!CreateFonts(g_Font, g_FontDef, kFontCount)) return false;
    Font10.m_bIcon = 0;
    Font16.m_bIcon = g_SystemData.Get(kSysIconLetters);
    Font16.m_bCenter = g_SystemData.Get(kSysTextMode);
    Font32.m_bIcon = 0;
    return CreateNumberSurfaces(g_FontNumberSD, g_FontNumberDef, 3, g_Font, g_FontDef) != 0;
}

// Slot n is system sound n (0..16), slot 16 + n Sound record n; each one
// voice at the options' volume.
bool CreateSoundSlotsFromProject() {
    const int records = g_Database.m_vSound.Size();
    const size_t count = static_cast<size_t>(kSystemSoundCount + std::max(records - 1, 0));
    g_SoundSlots.resize(count);
    g_SoundFiles.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const std::string* name = nullptr;
        if (i < static_cast<size_t>(kSystemSoundCount)) {
            if (i < g_SystemData.m_vSoundName.size()) name = &g_SystemData.m_vSoundName[i];
        } else {
            name = &g_Database.m_vSound[i - kSystemSoundCount + 1].m_strFile;
        }
        DSSOUNDFILE& file = g_SoundFiles[i];
        std::snprintf(file.szPath, sizeof file.szPath, "%s", name ? name->c_str() : "");
        file.nCount = 1;
        file.nVolume = 0;
        file.nFlag = 1;
    }
    if (!DS_Init(g_MainWnd.m_hWnd, 22050, 8, 1)) {
        WriteDebugLog("DS_Init失敗！");
        return false;
    }
    WriteDebugLog("DSCreate");
    const int step = std::clamp(g_Option.m_nVolume, 0, kSeVolumeSteps - 1);
    DS_CreateSoundSlots(&g_SoundSlots, &g_SoundFiles, g_SeVolumeTable[step]);
    return true;
}

bool StartStageFileIfAsked() {
    if (g_SystemIni.FreeStage[0] == '\0') return true;
    std::string path = g_SystemIni.FreeStage;
    std::string found;
    if (FindNumberedFile(found, path, "stg4")) path = found;
    if (!plat::PathExists(path)) {
        WriteReportDebug("「%s」の読み込みに失敗しました！", path.c_str());
        g_SystemIni.FreeStage[0] = '\0';
        return true;
    }
    std::snprintf(g_SystemIni.FreeStage, sizeof g_SystemIni.FreeStage, "%s", path.c_str());
    g_bStartStageFile = 1;
    if (g_SystemData.Get(kSysStartStageThenTitle) && !g_bEditorLaunch) {
        g_bStartStageToTitle = 1;
        g_SceneMgr.m_bRanking = 0;
    } else {
        g_SceneMgr.m_bRanking = 1;
    }
    if (!StartStageFile(path.c_str(), 1)) return false;
    g_PlayData.m_bSeries = 0;
    g_SceneMgr.m_nPlayMode = 2;
    g_SceneMgr.m_nTitleCmd = 3;
    g_SceneMgr.m_nScene = kSceneStage;
    g_SceneMgr.m_nPrevScene = kSceneTitle;
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------

ScreenModeOut ResolveScreenMode(const ScreenModeIn& in) {
    ScreenModeOut out;
    const bool d3d = in.direct3D != 0;
    const bool windowed = in.windowMode != 0;
    out.vsync = in.vsync;
    if (d3d) {
        if (out.vsync >= 2) out.vsync = 1;
    } else if (windowed) {
        out.vsync = 0;
    } else if (out.vsync >= 2) {
        out.vsync = in.windowsAtLeast6 ? 0 : 1;
    }
    if (in.bpp != 0) {
        out.depth = in.bpp;
    } else if (windowed) {
        out.depth = in.desktopBpp;
    } else if (d3d) {
        out.depth = in.d3dDepth == 1 ? 16 : 32;
    } else {
        out.depth = in.ddDepth == 1 ? 16 : in.ddDepth == 2 ? (in.colourMode == 0 ? 8 : 32) : 32;
    }
    const bool eightAllowed = !d3d && in.colourMode == 0;
    const bool allowed = out.depth == 16 || out.depth == 32 || (out.depth == 8 && eightAllowed);
    bool pass = allowed;
    if (windowed) pass = (out.depth == 16 || out.depth == 32) && out.depth == in.desktopBpp;
    if (!pass) out.error = windowed && (out.depth == 16 || out.depth == 32) ? 1 : 2;
    out.resizable = pass && d3d && in.windowMode == 2;
    return out;
}

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--test-play") == 0) {
            line.editorLaunch = true;
            if (i + 1 < argc && std::strcmp(argv[i + 1], "--headless") != 0) line.stage = plat::Utf8ToSjis(argv[++i]);
        } else if (std::strcmp(argv[i], "--headless") == 0) {
            line.headless = true;
        }
    }
    return line;
}

bool GameInit(const CommandLine& commandLine) {
    plat::SeedRand(plat::TimeMs());
    g_DataVersion = 901;
    g_StripCR = 1;
    g_FileTooNew = 0;

    if (!SetupProgramFolders()) return false;
    GetElapsedTime(true);

    if (!SetupDatabase()) return false;
    InitCharaEffectStates(g_CharaEffectProtos, g_CharaEffectProtosRev);
    InitScrEffectStates(g_ScrEffectProtos, g_ScrEffectProtosRev);
    if (!LoadSystemData(g_PathTable[kPathSystemDat])) return false;
    SetupSystemIni(g_SystemIni, g_SystemData.m_vIniKey);

    // The start-up question of the drawing mode needs the dialogs; until
    // they exist a setting that asks takes the textured-quad device.
    if (g_SystemIni.Direct3D >= 2) g_SystemIni.Direct3D = 1;

    if (g_bEditorLaunch) {
        if (!commandLine.stage.empty())
            std::snprintf(g_SystemIni.FreeStage, sizeof g_SystemIni.FreeStage, "%s", commandLine.stage.c_str());
        else if (g_SystemData.Get(kSysStartStageThenTitle))
            g_SystemIni.FreeStage[0] = '\0';
    }

    g_SceneMgr.m_nFrameRate = 60;
    g_SceneMgr.m_nFadeSpeed = 10;
    RegisterGameScene();
    for (size_t i = 0; i < g_InputStates.size(); ++i) g_InputStates[i].SetRepeat(18, 6);

    ScreenModeIn mode;
    mode.direct3D = g_SystemIni.Direct3D;
    mode.windowMode = g_SystemIni.WindowMode;
    mode.bpp = g_SystemIni.Bpp;
    mode.vsync = g_SystemIni.VSync;
    mode.colourMode = g_SystemData.Get(kSysColourMode);
    mode.d3dDepth = g_SystemData.Get(kSysD3DFullScreenDepth);
    mode.ddDepth = g_SystemData.Get(kSysDDFullScreenDepth);
    mode.desktopBpp = plat::DesktopBitsPerPixel();
    mode.windowsAtLeast6 = IsWindowsAtLeast(6, 0);
    const ScreenModeOut screen = ResolveScreenMode(mode);
    g_bWindowed = g_SystemIni.WindowMode != 0 ? 1 : 0;
    g_SystemIni.VSync = screen.vsync;
    g_SystemIni.Bpp = screen.depth;
    if (screen.error) {
        ErrorPrintf("%s", screen.error == 1 ? kScreenModeWindowText : kScreenModeText);
        return false;
    }
    g_MainWnd.m_bResizable = screen.resizable ? 1 : 0;

    GetElapsedTime(true);
    if (g_SystemIni.Bpp == 8) g_SystemIni.DD_VideoStretch = 0;

    // A display in a window takes the window's client area, so the window
    // opens first, at the size the game draws; full screen is a
    // desktop-size window.
    if (!plat::OpenFrameWindow(g_SystemData.m_strTitle.c_str(), g_MainWnd.m_nClientWidth, g_MainWnd.m_nClientHeight,
                               !g_bWindowed)) {
        ReportError("ウインドウが生成出来ません！");
        return false;
    }
    if (!InitDisplay()) return false;
    if (lpDTCon) {
        lpDTCon->strErrorText = kTextureFailedText;
        LinkSharedSurfaces();
    }
    // A window goes where it was left.
    const bool placed = g_bWindowed && g_WindowPos.Load(g_PathTable[kPathWindow]);
    if (g_bWindowed) {
        if (placed && lpDTCon && g_SystemIni.WindowMode == 2 && g_WindowPos.m_nWidth > 0 &&
            g_WindowPos.m_nHeight > 0) {
            g_MainWnd.m_nClientWidth = g_WindowPos.m_nWidth;
            g_MainWnd.m_nClientHeight = g_WindowPos.m_nHeight;
            plat::SetFrameWindowClientSize(g_MainWnd.m_nClientWidth, g_MainWnd.m_nClientHeight);
        }
        if (placed) plat::MoveFrameWindow(g_WindowPos.m_nX, g_WindowPos.m_nY);
        plat::FrameWindowPosition(&g_MainWnd.m_nX, &g_MainWnd.m_nY);
        plat::SetFrameWindowResizable(g_MainWnd.m_bResizable != 0);
        if (placed && g_WindowPos.m_bMaximized) plat::MaximizeFrameWindow();
    }
    plat::SetKeyMessageWindow(g_MainWnd.m_hWnd);
    WriteVideoReport(true);
    WriteDebugLog("DDInit成功");

    if (!SetPaletteAndKey()) return false;
    if (lpDDCon) {
        g_bNoFlip = g_bWindowed || g_SystemIni.VSync == 0 ||
                    plat::RasterDevice::DisplayRefreshRate() < g_SceneMgr.m_nFrameRate;
    }

    const DDSURFACEDEF& loading = g_SysBmpDef[kSysBmpLoading];
    DDCheckSurfaceErr(DDCreateSurfaceFromFile(&g_SysBmp[kSysBmpLoading], loading.szFile, loading.bColorKey, g_nBpp,
                                              loading.bSystemMemory, loading.nMemoryType, loading.lpShared,
                                              loading.bIndexMap, loading.nMirrorWidth, loading.nMirrorHeight, 0));
    ShowLoadingScreen();
    const int startPictures[] = {kSysBmpDebug, kSysBmpSymbol, kSysBmpLoading};
    if (!DDCreateGameSurfaces(g_SysBmp, startPictures, 3)) return false;
    if (!CreateFontsFromProject()) return false;

    for (size_t i = 0; i < g_InputStates.size(); ++i) g_InputStates[i].DefaultJoyButtons();
    if (!LoadKeyConfig(g_PathTable[kPathKeyConfig], g_KeyConfig)) DefaultKeyConfig(g_KeyConfig);
    LoadOption(g_Option, g_PathTable[kPathOption]);
    if (g_nBpp == 8 && !LoadHbtPalette(g_Option.m_nTone)) return false;

    if (!g_bWindowMode) g_SystemIni.Midi_DirectMusic = 0;
    if (g_Option.m_nMusic)
        g_BgmPlayer.Init(1, g_OggTracks, g_MidiTracks, kBgmSlotCount, g_SystemIni.Midi_DirectMusic);
    if (!CreateSoundSlotsFromProject()) return false;

    for (auto [record, path] : {std::pair<cRecord*, int>{&g_WorldMap, kPathWorldMap},
                                {&g_CommonPalette, kPathCommonPalette}}) {
        if (!record->LoadFile(g_PathTable[path])) {
            ReportError("%s のロードに失敗！", g_PathTable[path]);
            return false;
        }
    }
    return StartStageFileIfAsked();
}

void GameRelease() {
    if (lpDTCon || lpDDCon) {
        if (Font10.m_lpFastFont_FullAdd) WriteReport("Font10 : %d", Font10.m_lpFastFont_FullAdd->Count());
        if (Font16.m_lpFastFont_FullAdd) WriteReport("Font16 : %d", Font16.m_lpFastFont_FullAdd->Count());
    }
    DS_Release();
    g_BgmPlayer.Release();
    g_SceneMgr.DeleteScenes();
    for (Font& font : g_Font) font.Release();
    for (DDSURFACEDATA& s : g_FontNumberSD) DDReleaseSurface(&s);
    if (g_bWindowed == 1)
        DDUninit();
    else
        DDRelease();
}

unsigned GameLoop(void*) {
    for (;;) {
        plat::FreezePoint();
        plat::Message m;
        if (plat::PeekThreadMessage(m)) {
            if (m.id == plat::kWmQuit) {
                WriteDebugLog("GameLoop WM_QUIT!");
                return 1;
            }
            continue;
        }
        if (plat::StopRequested()) return 1;
        if (!g_bActive) {
            plat::SleepMs(1);
            continue;
        }
        if (!g_SceneMgr.Frame()) {
            plat::PostWindowMessage(g_hMainWnd, plat::kWmClose);
            return 1;
        }
    }
}

namespace {

// The window's loop: the desktop's events, the newest frame when it has not
// been shown, every queued message; then it sleeps until the desktop, a
// message or a new frame wakes it. It never sleeps on the game's clock, which
// is the game thread's alone.
void RunWindowLoop() {
    const plat::WindowHandle hwnd = g_MainWnd.m_hWnd;
    while (!MainWindowQuitPosted()) {
        plat::PumpDesktopEvents(hwnd);
        plat::ShowLatestFrame();
        plat::Message m;
        while (!MainWindowQuitPosted() && plat::PeekWindowMessage(hwnd, m)) DispatchMainWindowMessage(m);
        // Woken by all that matters; the time only guards against a wake
        // that never comes.
        if (!MainWindowQuitPosted()) plat::WaitDesktopEvents(hwnd, 250);
    }
}

bool SingleInstance() {
    int other = 0;
    if (plat::AcquireInstanceLock(kInstanceName, &other) != plat::InstanceLock::HeldByOther) return true;
    const int answer = plat::ShowMessageBox(
        "既に起動しています。\n実行中のプログラムを閉じて再起動しますか？\n\nWould you like to restart the game?",
        "二重起動", plat::kMbYesNo);
    if (answer != plat::kIdYes) return false;
    if (!plat::EndOtherInstance(other, 500)) {
        plat::ShowMessageBox("プログラムの終了に失敗しました。", "二重起動", plat::kMbOk);
        return false;
    }
    // The lock of the ended program is free now; should another start have
    // taken it meanwhile, this one runs unguarded rather than not at all.
    plat::AcquireInstanceLock(kInstanceName, &other);
    return true;
}

int RunPlayer(int argc, char** argv) {
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    plat::ChooseRunMode(commandLine.headless);
    if (plat::DisplayMissing()) {
        // Run on without one, it would be a program nobody sees or can stop.
        std::fprintf(stderr,
                     "player: there is no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
                     "set); start it with --headless or ORV_HEADLESS=1 to run without a window\n");
        return 1;
    }
    // Ctrl+C and SIGTERM close the program as its close button does.
    plat::CloseOnStopSignals(plat::kNoWindow);
    struct SignalsBack {
        ~SignalsBack() { plat::StopCloseOnSignals(); }
    } signalsBack;
    InitDebugLog(false, "EC_Game.txt");
    char reportPath[kMaxPath] = "Report_Game.txt";
    MakeAbsolutePath(reportPath);
    if (!InitReportLog(reportPath)) {
        // Without a log nothing later could say what went wrong.
        std::fprintf(stderr, "player: cannot create the report log Report_Game.txt in the current folder: %s\n",
                     std::strerror(errno));
        return 1;
    }
    WriteReport("App : ver %d", g_DataVersion);
    WriteSystemReport();

    g_bEditorLaunch = commandLine.editorLaunch ? 1 : 0;
    if (!SingleInstance()) return 0;
    if (!g_MainWnd.Create()) {
        ErrorBox("ウインドウが生成出来ません！");
        plat::ReleaseInstanceLock();
        return 1;
    }
    g_hMainWnd = g_MainWnd.m_hWnd;
    // A stage loaded on the window's thread (the stage-file request) keeps
    // the window's own messages flowing through its procedure.
    SetStageLoadMessageHandler(DispatchMainWindowMessage);
    plat::CloseOnStopSignals(g_hMainWnd);
    if (g_bEditorLaunch) NotifyEditorStarted();
    plat::StartDesktopInput();

    // A failed start ends with a failure status, so whoever started the
    // program can tell.
    auto failedStart = [] {
        GameRelease();
        if (g_bEditorLaunch) NotifyEditor(0);
        plat::StopDesktopInput();
        plat::CloseFrameWindow();
        plat::DestroyMessageWindow(g_MainWnd.m_hWnd);
        g_hMainWnd = plat::kNoWindow;
        plat::ReleaseInstanceLock();
        return 1;
    };
    if (!GameInit(commandLine)) return failedStart();
    // The window just shown is the active one, as the desktop makes it at
    // once; the game thread starts active, not after a race with the loop.
    DispatchMainWindowMessage(plat::Message{plat::kWmActivateApp, 1, 0});
    g_bRunning = 1;
    if (!thGame.Start(GameLoop, nullptr)) return failedStart();
    while (!plat::PostThreadMessage(thGame.ThreadId(), plat::kWmApp)) {
    }
    RunWindowLoop();
    // A close that did not pass the close handler still stops the game
    // thread before anything it uses goes.
    thGame.Exit();
    plat::EndRun();
    if (plat::RunningDetachedThreads() > 0) {
        // A worker that did not stop may be mid-frame: releasing the display
        // and fonts under it, or the program's objects as it ends, would
        // pull them away. The system takes everything back instead.
        plat::ReleaseInstanceLock();
        std::fflush(nullptr);
        std::_Exit(0);
    }
    GameRelease();
    plat::StopDesktopInput();
    plat::ReleaseInstanceLock();
    return 0;
}

}  // namespace

int PlayerMain(int argc, char** argv) {
    // The program-wide objects, in the order of their table: the window's
    // first, released last.
    g_MainWndObject.Build();
    g_WindowPosObject.Build();
    BuildProgramObjects();
    const int status = RunPlayer(argc, argv);
    ReleaseProgramObjects();
    g_WindowPosObject.Release();
    g_MainWndObject.Release();
    return status;
}
