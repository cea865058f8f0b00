// The scene manager: runs the game one frame per call on the game thread.
// A frame paces the time, restores lost surfaces, polls the player's input,
// makes the wanted scene exist, runs that scene's frame, keeps the
// frame-rate figures and presents the picture. Every screen of the game is a
// scene: a small state machine whose states sit in a table.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/containers.h"
#include "core/program_object.h"
#include "gfx/dd.h"

class cInputState;

// Scene types, as the manager stores and hands them on.
enum SceneType : int {
    kSceneTitle = 0,
    kSceneWorldMap = 1,
    kSceneMapMenu = 2,
    kSceneStageSelect = 3,
    kSceneStage = 4,
    kSceneOptions = 5,
    kSceneTypeCount = 6,
};

// Base of every scene. State 0 fades in, the last state leaves; the states
// between are the scene's own. m_nState is -1 until the scene is entered.
class cScene {
public:
    cScene() = default;
    virtual ~cScene() = default;
    cScene(const cScene&) = delete;
    cScene& operator=(const cScene&) = delete;

    // One frame of a front-end scene: menu filters on the player's input,
    // Enter on the first frame, then the current state's handler.
    virtual void Frame();
    virtual void Enter() {}
    virtual void FadeIn() {}
    virtual void Leave() {}

    int m_nState = -1;
    int m_nSubState = 0;

protected:
    // Filled by the derived scene's constructor: [0] calls FadeIn, the last
    // calls Leave.
    std::vector<std::function<void()>> m_apState;
};

// Makes a new scene of one type; scenes register themselves as they are
// built, and a type without a maker has no scene.
using SceneMaker = std::unique_ptr<cScene> (*)();
void RegisterSceneMaker(int type, SceneMaker maker);

class cSceneMgr {
public:
    cSceneMgr() = default;
    ~cSceneMgr();
    cSceneMgr(const cSceneMgr&) = delete;
    cSceneMgr& operator=(const cSceneMgr&) = delete;

    // 1, or 0 when lost surfaces cannot be restored (the game loop ends).
    int Frame();
    // Makes scene `type` the only one, creating it when missing; above 5
    // every scene goes.
    void ChangeScene(int type);
    // Asks the window's thread for the music of scene music slot `index`
    // (0 title, 1 world map and its menu, 2 stage select, 3 options) unless
    // the same looping music already plays.
    void RequestBgm(int id, int loop, int index);
    void PollInput(cVector<cInputState>& inputs);
    void Present();
    int CheckSurfaces();
    bool RestoreSurface(cVector<DDSURFACEDATA>& surfaces);
    bool RestoreSurface(cList<DDSURFACEDATA>& surfaces);
    bool RestoreSurface(DDSURFACEDATA* surface);
    bool RestoreNumberSurfaces(DDSURFACEDATA* surfaces, int count);
    // Deletes every scene, in slot order.
    void DeleteScenes();

    // The existing scene of a type, or null.
    cScene* Scene(int type) const;

    int m_nScene = 0;
    int m_nNextScene = 0;
    int m_nPrevScene = 0;
    int m_nTitleCmd = 0;   // 3 stage file, 4 replay
    int m_nPlayMode = 0;   // 0 story, 1 challenge, 2 stage file, 3 replay
    int m_nSelCursor = 0;
    int m_nSelTop = 0;
    int m_bRanking = 0;
    int m_nFrameRate = 0;
    int m_nFadeSpeed = 0;
    int m_nBgmId = 0;
    int m_bBgmLoop = 0;

private:
    // Slots in the order title, world map, map menu, stage select, options,
    // stage play.
    std::unique_ptr<cScene> m_apScene[kSceneTypeCount];
};

PROGRAM_OBJECT_DECLARE(g_SceneMgr, cSceneMgr);

// The last title command that plays a replay back.
constexpr int kTitleCmdReplay = 4;
inline bool IsReplayPlayback() { return g_SceneMgr.m_nTitleCmd == kTitleCmdReplay; }
// The palette turns by itself: 8 bits a pixel on the blit display with the
// project's colour cycling on. Colour cycles that would step by hand stand
// still then.
bool PaletteCycles();
// The live stage-play scene, or null.
class cGameScene;
extern cGameScene* g_pGameScene;
// The window closes while a modal wait of the stage runs: the wait ends and
// the play asks for the close again on its next frame. Any thread.
void RequestStageQuit();

// Frame work times of the last 16 frames (ms) and their average.
struct FpsRing {
    uint32_t sample[16] = {};
    int index = 0;
    uint32_t average = 0;
};
extern FpsRing g_FpsRing;

// Flash colours of charas: {ARGB, colour operation}; entry 0 none.
struct FlashColor {
    uint32_t argb = 0;
    int op = 0;
};
constexpr int kFlashColorCount = 10;
extern FlashColor g_FlashColors[kFlashColorCount];

// Sleeps until the next frame is due (DirectDraw; Direct3D paces in its
// present).
void WaitNextFrame();
// Blend table n and the colour scheme of the 8-bit display; 1 done or not
// needed, 0 failed.
int LoadHbtPalette(int n);
// Flash colours under Direct3D, colour cycling in 8-bit mode; once a draw.
void AnimatePalette();
// One step of a value bouncing between min and max; 1 when a downward run
// has just ended.
int PingPongStep(int& value, int& down, int step, int min, int max);
// The loading picture over the whole screen, presented at once.
void ShowLoadingScreen();
