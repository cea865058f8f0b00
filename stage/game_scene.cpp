#include "stage/game_scene.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "app/input_state.h"
#include "app/requests.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "core/text.h"
#include "frontend/menu.h"
#include "frontend/play_data.h"
#include "frontend/system_text.h"
#include "gfx/dd_fade.h"
#include "gfx/dd_frame.h"
#include "gfx/dd_layer.h"
#include "gfx/font.h"
#include "gfx/system_bitmaps.h"
#include "objects/chip_src.h"
#include "platform/input.h"
#include "project/option.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/stage_resources.h"
#include "stage/stage_setup.h"

MenuPos g_MenuPos[3] = {{320, 272, 0, 0}, {320, 272, 0, 0}, {184, 64, 0, 0}};

namespace {

constexpr int kTitleCmdStageFile = 3;
constexpr int kBannerFrames = 80;

// The system pictures a play needs; the backgrounds are made again for
// every stage.
constexpr int kPlayPictures[] = {2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
                                 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41,
                                 42, 43, 44, 46, 47, 48, 50, 52, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67,
                                 68, 69, 70, 71};
constexpr int kBackgroundPictures[] = {56, 57, 58, 59, 60, 61, 62, 63};

DDSURFACEDATA& Word() { return g_SysBmp[kSysBmpWord]; }

// Text centred on x 320 at y 456, 16 pixels a character.
void DrawCaption(const std::string& text) {
    Font16.Printf(&g_BackBufferSD, 320 - 8 * CountChars(text.c_str()), 456, "%s", text.c_str());
}

void DrawCursorGlyph() {
    const CURSORDATA& c = g_CursorStack.Current();
    DDBlt(&g_BackBufferSD, c.x, c.y, 16, 16, &g_SysBmp[kSysBmpAccessory], 64, 0, DDBLT_KEYED);
}

}  // namespace

// ---------------------------------------------------------------------------
// Life of the scene

cGameScene::cGameScene() {
    m_apState = {
        [this] { FadeIn(); },        [this] { StateStart(); },    [this] { StatePlay(); },
        [this] { StatePause(); },    [this] { StateStageEnd(); }, [this] { StateContinue(); },
        [this] { StateGameOver(); }, [this] { Leave(); },
    };
    m_nState = -1;
    g_PlayData.m_nStageBgm = 0;
}

cGameScene::~cGameScene() {
    for (int row : kPlayPictures) DDReleaseSurface(&g_SysBmp[row]);
    DDReleaseSurfaces(g_CharaExcSurfaces);
    DDReleaseSurfaces(g_SwordSurfaces);
    DDReleaseSurfaces(g_EffectSurfaces);
    DDReleaseSurfaceList(g_PictureSD);
    DDReleaseSurfaceList(Off_Msg);
}

void cGameScene::Frame() {
    if (m_nState == -1) {
        m_bEnterFailed = 0;
        try {
            Enter();
        } catch (const char* text) {
            m_bEnterFailed = 1;
            WriteDebugLogAndClose(g_hMainWnd, "%s", text ? text : "");
        }
        m_nState = kStateFadeIn;
    }
    // A stage that was not built is never drawn or played; the close
    // request already sent ends the program.
    if (m_bEnterFailed || !m_bStageReady || g_Heroes.empty()) return;
    if (m_nState >= 0 && static_cast<size_t>(m_nState) < m_apState.size()) m_apState[m_nState]();
}

void cGameScene::Enter() {
    ShowLoadingScreen();
    m_vRankPos.resize(5);
    m_vRankValue.resize(5);
    SelectChipSurfaces();
    for (int i = 0; i < 8; ++i) {
        DDSURFACEDEF& def = g_SysBmpDef[kSysBmpBackground1 + i];
        const bool image = i < g_Stage.m_vBackground.Size() && g_Stage.m_vBackground[i].m_bFill == 0;
        if (!image) {
            def.szFile[0] = '\0';
            def.bSystemMemory = 0;
            continue;
        }
        const std::string& file = g_Stage.m_vBackground[i].m_strPicture;
        std::snprintf(def.szFile, sizeof def.szFile, "%s", file.c_str());
        int larger = 0;
        def.bSystemMemory = DDCheckBmpSize(larger, file.c_str(), 640, 480) && larger;
    }
    if (g_SceneMgr.m_nPrevScene != kSceneStage) {
        if (!DDCreateGameSurfaces(g_SysBmp, kPlayPictures, static_cast<int>(std::size(kPlayPictures)))) {
            m_bEnterFailed = 1;
            PostMainWindowClose();
            return;
        }
        BuildShotChipSheets();
        LoadCharaExcBitmaps();
        LoadSwords();
        LoadEffects();
        ResetStageCounters();
        UseLife(g_PlayData);
    } else if (!DDCreateGameSurfaces(g_SysBmp, kBackgroundPictures, 8)) {
        m_bEnterFailed = 1;
        PostMainWindowClose();
        return;
    }
    SetStage(g_SceneMgr.m_nPrevScene == kSceneStage ? 1 : 0, 1);
    g_CursorStack.Reset();
    m_nSubState = 0;
}

void cGameScene::FadeIn() {
    Draw(0, 1, 0, 1);
    if (DDFadeIn(g_Palette, 0, 255, 0, 0, 0, g_SceneMgr.m_nFadeSpeed, g_BasePalette, 0)) m_nState = kStateStart;
}

void cGameScene::Leave() {
    if (!DDFadeOut(g_Palette, 0, 255, 0, 0, 0, g_SceneMgr.m_nFadeSpeed, g_BasePalette, 0)) return;
    DDFillRect(&g_BackBufferSD, 0, 0, 640, 480, 16);
    if (g_bStartStageToTitle) g_SceneMgr.m_nNextScene = kSceneTitle;
    if (g_bStartStageFile || (g_SceneMgr.m_nTitleCmd == kTitleCmdStageFile && g_PlayData.m_bSeries == 0)) {
        g_PlayData.m_bSeries = 0;
        const std::string path = g_Stage.m_strPath;
        if (!StartStageFile(path.c_str(), 0)) PostMainWindowClose();
    }
    g_SceneMgr.m_nScene = g_SceneMgr.m_nNextScene;
    g_SceneMgr.m_nFrameRate = 60;
    g_SceneMgr.m_nPrevScene = kSceneStage;
    m_nState = -1;
}

// ---------------------------------------------------------------------------
// States

void cGameScene::StateStart() {
    Draw(0, 1, 0, 1);
    bool shown = false;
    if (!(g_bEditorLaunch && g_bStartStageFile)) {
        if (IsReplayPlayback()) {
            if (++m_nBanner < kBannerFrames) {
                DDBlt(&g_BackBufferSD, 256, 224, 128, 32, &Word(), 0, 32, DDBLT_KEYED);
                shown = true;
            }
        } else if (g_Stage.m_bBannerA) {
            if (++m_nBanner < kBannerFrames) {
                DDBlt(&g_BackBufferSD, 256, 224, 128, 32, &Word(), 0, 0, DDBLT_KEYED);
                DDDrawNumber(&g_BackBufferSD, 384, 224, 32, 32, &Word(), 0, 128, DDBLT_KEYED,
                             g_PlayData.m_nSeriesNo, 1, 0);
                shown = true;
            } else if (g_Stage.m_bBannerB && ++m_nBanner2 < kBannerFrames) {
                DDBlt(&g_BackBufferSD, 280, 224, 80, 32, &Word(), 160, 0, DDBLT_KEYED);
                shown = true;
            }
        }
    }
    if (shown) return;
    cHero& hero = g_Heroes.At(0);
    hero.m_Anime.SetPattern(hero.m_bFly ? 2 : 0, true);
    m_nBanner = 0;
    m_nState = kStatePlay;
}

const cInputState& cGameScene::MenuFrame(MenuPos& pos, int x, int rows, int firstRow) {
    CURSORDATA& cursor = g_CursorStack.Current();
    if (m_nSubState == 0) {
        cursor.row = firstRow;
        m_nSubState = 1;
    }
    cInputState& input = g_InputStates.At(0);
    input.ApplyButtonEdge(3);
    input.ApplyDirRepeat();
    pos.x = x;
    g_CursorStack.MoveGrid(input, x, pos.y, 0, 16, 1, rows);
    PlayCursorSound(input, 2, 0);
    return input;
}

void cGameScene::StatePause() {
    if (CheckReplaySaveKeys()) return;
    const cVector<std::string>& text = g_SystemData.m_vText;
    m_vPauseMenu.clear();
    for (int i = 0; i < 4; ++i) m_vPauseMenu.push_back(cCmd(1, text.At(19 + i)));
    const cPlayData& play = g_PlayData;
    const int stage = play.m_nStageNo;
    const bool progress = stage >= 0 && stage < play.m_vProgress.Size() && play.m_vProgress[stage] != 0;
    switch (g_SceneMgr.m_nPlayMode) {
    case 0:
        if (!(g_SystemData.Get(kSysPauseEntryRule1) && progress)) m_vPauseMenu[2].m_nEnabled = 0;
        if (!(g_SystemData.Get(kSysPauseEntryRule2) && progress)) m_vPauseMenu[3].m_nEnabled = 0;
        break;
    case 1: {
        const int entry = stage - 1;
        const bool cleared = entry >= 0 && entry < play.m_vResult.Size() && play.m_vResult[entry] != 0;
        if (!(g_SystemData.Get(kSysPauseEntryRule3) && cleared)) m_vPauseMenu[2].m_nEnabled = 0;
        m_vPauseMenu[3].m_nEnabled = 0;
        break;
    }
    default: m_vPauseMenu[3].m_nEnabled = 0; break;
    }
    CURSORDATA& cursor = g_CursorStack.Current();
    const cInputState& input =
        MenuFrame(g_MenuPos[0], CenterCmdWindowX(320, m_vPauseMenu), GetCmdCount(m_vPauseMenu), 1);
    if (input.m_sButton & kButtonDecide) {
        const unsigned chosen = GetCmdNum(cursor.row, m_vPauseMenu);
        PlaySystemSe(1);
        switch (chosen) {
        case 0:
            m_nState = kStateLeave;
            if (g_bStartStageFile) {
                PostMainWindowClose();
            } else {
                g_SceneMgr.m_nNextScene = kSceneTitle;
                cursor.row = g_SceneMgr.m_nTitleCmd;
                m_nSubState = 0;
            }
            break;
        case 1:
            m_bButtonHold = 1;
            m_nState = m_nSavedState;
            m_nSubState = m_nSavedSubState;
            break;
        case 2:
            m_bButtonHold = 1;
            g_PlayData.LoadCheckpoint(1);
            SetStage(1, 0);
            m_nState = kStateStart;
            m_nSubState = 0;
            break;
        case 3:
            m_bButtonHold = 1;
            g_PlayData.LoadCheckpoint(0);
            g_PlayData.m_bRetreat = 1;
            g_SceneMgr.m_nNextScene = kSceneWorldMap;
            m_nSubState = 0;
            m_nState = kStateLeave;
            break;
        default: break;
        }
        return;
    }
    if (input.m_sButton & kButtonCancel) {
        PlaySystemSe(2);
        m_bButtonHold = 1;
        m_nState = m_nSavedState;
        m_nSubState = m_nSavedSubState;
        return;
    }
    Draw(0, 1, 0, 1);
    DrawCmdWindow(&g_BackBufferSD, g_MenuPos[0].x, g_MenuPos[0].y, m_vPauseMenu);
    DrawCursorGlyph();
}

void cGameScene::StateStageEnd() {
    const bool autoEnd = g_Stage.m_bAutoEnd != 0;
    const int entryMode = g_Option.m_nRankEntry;
    if (!autoEnd) {
        if (CheckPauseKey()) {
            m_nSubState = 0;
            m_nState = kStatePause;
            return;
        }
        CheckReplaySaveKeys();
        if ((entryMode == 0 || entryMode == 1) && plat::KeyDown(plat::kVkF3)) RegisterRanking();
    }
    if (m_nSubState == 0) {
        m_nBanner = 0;
        m_nSubState = 1;
    }
    cInputState& input = g_InputStates.At(0);
    input.ApplyButtonEdge(3);
    input.ApplyDirRepeat();
    bool leave = false;
    if (autoEnd) {
        leave = m_nBanner >= 200;
    } else if ((input.m_sButton & kButtonDecide) && m_nBanner >= 200) {
        leave = true;
        if (m_bRankIn && (entryMode == 2 || entryMode == 3))
            RegisterRanking();
        else
            PlaySystemSe(1);
    }
    if (leave) {
        g_SceneMgr.m_nNextScene = DecideAfterStage();
        m_nBanner = 0;
        m_nSubState = 0;
        m_nState = kStateLeave;
        return;
    }
    if (autoEnd || m_bRanked || !m_bRankIn || (entryMode != 0 && entryMode != 1)) {
        Draw(0, 1, 0, 1);
    } else {
        // How to register the place reached.
        Draw(0, 1, 0, 0);
        DrawCaption(g_SystemData.m_vText.At(28));
    }
    if (g_Stage.m_bClearBanner) {
        m_nBanner += 4;
        if (m_nBanner < 100)
            DDBltInterlace(&g_BackBufferSD, 256, 192, 128, 32, 4, 100 - m_nBanner, &Word(), 0, 64, DDBLT_KEYED, 0);
        else
            DDBlt(&g_BackBufferSD, 256, 192, 128, 32, &Word(), 0, 64, DDBLT_KEYED);
    } else {
        m_nBanner = 200;
    }
    if (m_nBanner >= 200 && g_SceneMgr.m_bRanking && !autoEnd) DrawResultPanel(m_vRankPos, 336, 224);
}

void cGameScene::StateContinue() {
    if (CheckReplaySaveKeys()) return;
    CURSORDATA& cursor = g_CursorStack.Current();
    const cInputState& input = MenuFrame(g_MenuPos[1], CenterTextX(320, 23, 2, 1), 2, 0);
    if (input.m_sButton & kButtonDecide) {
        PlaySystemSe(1);
        if (cursor.row == 0) {
            SetStage(1, 0);
            m_nState = kStateStart;
        } else {
            g_PlayData.m_bRetreat = 1;
            g_SceneMgr.m_nNextScene = kSceneWorldMap;
            m_nSubState = 0;
            m_nState = kStateLeave;
        }
        return;
    }
    Draw(0, 1, 0, 1);
    DrawTextList(g_MenuPos[1].x, g_MenuPos[1].y, 23, 2, 1);
    DrawCursorGlyph();
}

void cGameScene::StateGameOver() {
    if (CheckPauseKey()) {
        m_nSubState = 0;
        m_nState = kStatePause;
        return;
    }
    if (CheckReplaySaveKeys()) return;
    cInputState& input = g_InputStates.At(0);
    input.ApplyButtonEdge(3);
    if (input.m_sButton & kButtonDecide) {
        PlaySystemSe(1);
        g_SceneMgr.m_nNextScene = kSceneTitle;
        m_nState = kStateLeave;
        return;
    }
    Draw(0, 1, 0, 1);
    if (g_Stage.m_bOverBanner) DDBlt(&g_BackBufferSD, 248, 224, 144, 32, &Word(), 0, 96, DDBLT_KEYED);
}

// ---------------------------------------------------------------------------
// Drawing

void cGameScene::Draw(int fromPlay, int frozen, int fromPlay2, int caption) {
    // Work surfaces made again after a device loss come back blank.
    if (g_SysBmp[kSysBmpShotChips].bLost || g_SysBmp[kSysBmpShotChips + 1].bLost) BuildShotChipSheets();
    if ((g_SysBmp[kSysBmpSightOverlay].bLost || g_SysBmp[kSysBmpSightStamp].bLost) && !g_Heroes.empty() &&
        g_Heroes[0].m_Def.m_cSightShape)
        ResizeWorkSurfaces(&g_SysBmp[kSysBmpSightOverlay], &g_SysBmp[kSysBmpSightStamp]);
    DDSURFACEDATA* back = &g_BackBufferSD;
    if (m_ScrEffect.m_sEffect != 0) DDSetVirBackBuffer(1);
    ScrollBackgrounds();
    DrawBackgrounds(back, 0);
    if (fromPlay == 0 && m_nState == kStatePause && g_SystemData.Get(kSysPlayScreenDrawing)) {
        DrawBackgrounds(back, 1);
        DrawScreenColor(frozen);
        return;
    }
    DrawPictures(back, 0, frozen);
    DrawBlockMap(back, 0);
    const bool layered = g_Stage.m_bLayered != 0;
    const int layers = layered ? 8 : 1;
    for (int layer = 0; layer < layers; ++layer) {
        // The hero's death end may set the stage up again, which refills
        // every list: nothing below holds an iterator across it.
        if (!g_Heroes.empty() && (!layered || g_Heroes[0].m_Def.m_cLayer == layer)) DrawHero(frozen);
        if (g_Heroes.empty()) return;

        DDBeginLayer(1);
        for (cItem& item : g_Items) {
            if (layered && item.m_Def.m_cLayer != layer) continue;
            if (!item.m_bActive || item.m_Def.m_cHidden) continue;
            item.UpdateScreenRect();
            item.Draw(back, frozen);
        }
        DDEndLayer();

        DDBeginLayer(1);
        if (lpDTCon && !g_SystemData.Get(kSysEffectDrawing)) {
            DDAddLayerKey(&g_SysBmp[kSysBmpCharacter1]);
            DDAddLayerKey(&g_SysBmp[kSysBmpShot]);
            DDAddLayerKey(&g_SysBmp[kSysBmpItem]);
            DDAddLayerKey(&g_SysBmp[kSysBmpSymbol]);
        }
        for (auto it = g_Charas.begin(); it != g_Charas.end();) {
            // A chara taken out during the charas' step (a modal wait draws
            // from inside it) is gone already.
            if ((layered && it->m_Def.m_cLayer != layer) || it->m_bRemoved) {
                ++it;
                continue;
            }
            if (DrawStageChara(*it, frozen)) {
                cStageChara* gone = &*it;
                ++it;
                RemoveChara(gone);
            } else {
                ++it;
            }
        }
        DDEndLayer();

        DDBeginLayer(0);
        for (cShot& shot : m_lShots) {
            if (layered && shot.m_cLayer != layer) continue;
            if (!shot.IsOnScreen()) continue;
            shot.UpdateScreenRect();
            shot.Draw(frozen);
        }
        DDEndLayer();
    }
    DrawBlockMap(back, 1);
    DrawBackgrounds(back, 1);
    DrawDistanceRanges();
    g_Heroes.At(0).DrawOverlay(back);
    DrawPictures(back, 1, frozen);

    DDBeginLayer(0);
    for (auto it = m_lEffects.begin(); it != m_lEffects.end();) it = it->Draw(frozen) ? m_lEffects.erase(it) : std::next(it);
    DDEndLayer();
    for (auto it = m_lMessages.begin(); it != m_lMessages.end();)
        it = it->Update(back, frozen) ? m_lMessages.erase(it) : std::next(it);

    RunScreenEffect(frozen);
    DrawStatusBar(back);
    DrawTimeLimit(back, fromPlay2);
    if (caption) {
        if (g_bStartStageFile)
            DrawCaption(g_SystemData.m_vText.At(27));
        else if (g_bEditorLaunch)
            DrawCaption(g_SystemData.m_vText.At(26));
    }
    AnimatePalette();
    DrawScreenColor(frozen);
}

void cGameScene::DrawHero(int frozen) {
    cHero& hero = g_Heroes.At(0);
    hero.UpdateScreenRect();
    if (!hero.m_bDefeated) {
        hero.Draw(&g_BackBufferSD, frozen);
        hero.DrawHPGauge(&g_BackBufferSD);
        hero.DrawSPGauge(&g_BackBufferSD);
        return;
    }
    if (!hero.DrawDeath(&g_BackBufferSD, frozen)) return;
    if (IsReplayPlayback()) {
        g_PlayData.LoadCheckpoint(1);
        SetStage(1, 1);
        m_nState = kStateStart;
        return;
    }
    if (!UseLife(g_PlayData)) {
        m_nState = kStateGameOver;
        return;
    }
    if (g_Stage.m_nSetupOption) g_PlayData.ClearCarryFlags(0);
    g_PlayData.LoadCheckpoint(0);
    if (g_SceneMgr.m_nPlayMode == 0 && g_SystemData.Get(kSysContinueOffered)) {
        m_nSubState = 0;
        m_nState = kStateContinue;
    } else {
        SetStage(1, 0);
        m_nState = kStateStart;
    }
}

int DrawStageChara(cStageChara& chara, int frozen) {
    DDSURFACEDATA* back = &g_BackBufferSD;
    if (chara.m_bDefeated) {
        chara.UpdateScreenRect();
        return chara.DrawDeath(back, frozen);
    }
    if (chara.m_bActive) {
        chara.UpdateScreenRect();
        if (chara.m_Def.m_cTransparent) {
            chara.GetAnimeFrame(0);
            chara.StepEffect(0);
        } else {
            chara.Draw(back, frozen);
        }
        chara.DrawHPGauge(back);
        chara.DrawSPGauge(back);
        if (!chara.m_Def.m_cTransparent) chara.DrawItemIcon(back);
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Lives and counters

int cGameScene::UseLife(cPlayData& play) {
    if (g_bStartStageFile) return 1;
    if (play.m_nLives == kInfiniteLives) return 1;
    if (play.m_nLives <= 0) return 0;
    --play.m_nLives;
    return 1;
}

void cGameScene::ResetStageCounters() {
    cPlayData& play = g_PlayData;
    play.m_nLives = play.m_nStartLives;
    play.m_nScore = play.m_nTotalScore = 0;
    play.m_nTotalTime = play.m_nTotalPlayTime = play.m_nTotalHP = play.m_nTotalSP = 0;
    play.m_bStartPos = 0;
    m_ScrollX.m_dPos = m_ScrollY.m_dPos = 0.0;
    m_nSubState = m_nBanner = m_nBanner2 = m_bButtonHold = m_nTimeLimit = m_bRanked = 0;
    m_lMessages.clear();
    if (g_bStartStageFile) play.m_nSeriesNo = 1;
    if (g_SceneMgr.m_bRanking)
        LoadRanking(g_SceneMgr.m_nPlayMode, play.m_strStage, play.m_bLinkVar, play.m_nLinkVarNo, play.m_nLinkVarValue);
}

void cGameScene::EraseMessage(const cMessageWin* window) {
    for (auto it = m_lMessages.begin(); it != m_lMessages.end(); ++it) {
        if (&*it != window) continue;
        it->ReleaseSurface();
        m_lMessages.erase(it);
        return;
    }
}

void RequestStageQuit() {
    if (g_pGameScene) g_pGameScene->m_bQuit = 1;
}

// ---------------------------------------------------------------------------
// Rules of later parts of stage play: until they exist nothing happens.

int CheckReplaySaveKeys() { return 0; }
void DrawResultPanel(const std::vector<int>&, int, int) {}
void LoadRanking(int, const std::string&, int, int, int) {}
void SaveRanking(int, const std::string&, int, int, int) {}
int cRankTable::FindInsertPos(int) const { return -1; }
void cRankTable::Insert(const std::string&, int) {}
void cRankingDb::DrawTable(int, int, int, int) {}
cRankingDb g_RankingDb;
void cGameScene::RunScreenEffect(int) {}
int PlayReplayInput(cInputState&) { return 0; }
void RecordReplayInput(const cInputState&) {}

// ---------------------------------------------------------------------------
// Camera axes

void cScrollAxis::Clamp() {
    if (m_dPos <= m_nLow) {
        m_dPos = m_nLow;
        m_bAtLimit = 1;
    } else if (m_dPos + m_nView < m_nHigh) {
        m_bAtLimit = 0;
    } else {
        m_dPos = m_nHigh - m_nView;
        if (m_dPos < m_nLow) m_dPos = m_nLow;
        m_bAtLimit = 1;
    }
}

void cScrollAxis::Step() {
    m_dPos += m_dAutoSpeed;
    Clamp();
}

void cScrollAxis::SetAutoScroll(int on, int speed) {
    if (on) {
        m_bAuto = 1;
        m_dAutoSpeed = speed * 0.1 / g_Stage.m_dSubSteps;
    } else {
        m_bAuto = 0;
        m_dAutoSpeed = 0;
    }
}

void cScrollAxis::SetRange(int a, int b, int useLow, int useHigh) {
    // Tiles far outside any map would overflow the dot values.
    constexpr int kMaxTiles = 1 << 20;
    a = a < -kMaxTiles ? -kMaxTiles : (a > kMaxTiles ? kMaxTiles : a);
    b = b < -kMaxTiles ? -kMaxTiles : (b > kMaxTiles ? kMaxTiles : b);
    m_nLow = useLow ? m_nBaseLow + 32 * a : m_nBaseLow;
    if (useHigh) {
        m_nHigh = m_nBaseLow + 32 * (b + 1);
        if (m_nHigh < m_nLow) m_nHigh = m_nLow;
    } else {
        m_nHigh = m_nBaseHigh;
    }
}

// ---------------------------------------------------------------------------

void RegisterGameScene() {
    RegisterSceneMaker(kSceneStage, []() -> std::unique_ptr<cScene> { return std::make_unique<cGameScene>(); });
}
