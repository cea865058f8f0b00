// The set-up of one attempt at a stage and the spawning of charas, items
// and blocks, at tile positions during set-up and at dot positions for the
// summon commands.
#include "stage/stage_setup.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <new>
#include <vector>

#include "app/input_state.h"
#include "app/requests.h"
#include "core/message_box.h"
#include "core/report_log.h"
#include "core/shell_link.h"
#include "core/timing.h"
#include "frontend/menu.h"
#include "frontend/play_data.h"
#include "frontend/scene_mgr.h"
#include "gfx/dd.h"
#include "gfx/system_bitmaps.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "project/common_palette.h"
#include "project/move_shot.h"
#include "project/stage_info.h"
#include "project/system_data.h"
#include "stage/game_scene.h"
#include "stage/stage_resources.h"

PROGRAM_OBJECT_DEFINE(g_Heroes, cVector<cHero>);
PROGRAM_OBJECT_DEFINE(g_Map, cVector<cMapCell>);
PROGRAM_OBJECT_DEFINE(g_Charas, cList<cStageChara>);
PROGRAM_OBJECT_DEFINE(g_Items, cList<cItem>);

namespace {

constexpr int kMargin = 10;           // tiles around the stage on every side
constexpr int kStageVarCount = 1000;
constexpr int kStepFlagCount = 60;
constexpr int8_t kStageStartTrigger = 25;  // flows that run once before play starts
// Largest stage side in tiles: dot positions of the whole map stay far
// inside an int and inside the dot bound of the game objects.
constexpr int kMaxStageTiles = 1 << 20;
// The map range of an axis in dots, at most the dot bound of the objects.
constexpr int64_t kMaxRange = int64_t{1} << 29;

// The text of the stage set-up's own failure box.
const char* const kSetupOutOfMemory = "メモリ不足により、ステージの初期設定に失敗しました！";

int BitLength(uint32_t v) { return static_cast<int>(std::bit_width(v)); }

// What play has changed of the stage settings, from the start-of-play copy
// (or the other way round): the record, the backgrounds, the variable
// names, the out-of-range rules and the extra settings. Palettes and
// placements are not part of it.
void CopyStageSettings(cStageInfo& to, cStageInfo& from) {
    to.CopyFrom(from);
    to.m_vBackground = from.m_vBackground;
    to.m_vVarName = from.m_vVarName;
    for (int i = 0; i < kOutRangeRules; ++i) to.m_OutRange[i] = from.m_OutRange[i];
    to.m_vExtra = from.m_vExtra;
}

// Gap: replay playback reads the stage, the input and the play record
// from the replay file here (cReplayInput::LoadFile) once replays exist;
// until then no replay can be read.
bool LoadReplayStage() {
    WriteReport("replay %s cannot be read", g_Stage.m_strPath.c_str());
    return false;
}

// Moves an object and its edges by (dx, dy), as the copy offsets do.
void Shift(cGameObj& o, double dx, double dy) {
    o.m_dX += dx;
    o.m_dRight += dx;
    o.m_dY += dy;
    o.m_dBottom += dy;
}

// The object's extent (X, Y, right, bottom) meets the rectangle, edges
// included.
bool Meets(const cGameObj& o, double left, double top, double right, double bottom) {
    return o.m_dX <= right && o.m_dRight >= left && o.m_dY <= bottom && o.m_dBottom >= top;
}

// Lifetime in sub-steps of a summon whose range is its lifetime in tenths
// of a second.
int32_t LifeFromRange(int16_t range) { return range * g_Stage.m_nSubSteps6; }

// Copy `copy` of a multi-copy placement moves by its offsets (its start
// position too, unless start positions stay on the tile); false when it
// lands outside the stage, else it is held inside the stage.
bool PlaceCopy(cStageChara& chara, const cCharaDef& def, int copy, bool keepStart) {
    const double dx = def.GetOffsetX(copy, def.m_cFacing);
    const double dy = def.GetOffsetY(copy, def.m_cFacing);
    Shift(chara, dx, dy);
    if (!keepStart) {
        chara.m_dOriginX += dx;
        chara.m_dOriginY += dy;
    }
    if (!chara.IsInStage(1)) return false;
    chara.CheckBoundsX();
    chara.CheckBoundsY();
    return true;
}

}  // namespace

std::vector<int> MakeAttackSteps(int subSteps, int checks) {
    if (subSteps < 1) return {};
    // A count below 0 (no editor writes one) would never let the spread
    // reach the last sub-step: it checks once a frame.
    if (checks < 0) checks = 1;
    // No count: every sub-step.
    if (checks == 0) return std::vector<int>(static_cast<size_t>(subSteps), 1);
    // As many checks as sub-steps or more reach every sub-step; the spread
    // below would take one turn per check to find that out.
    if (checks >= subSteps) return std::vector<int>(static_cast<size_t>(subSteps), 1);
    std::vector<int> steps(static_cast<size_t>(subSteps), 0);
    const double step = static_cast<double>(subSteps) / checks;
    double acc = 0.0;
    int count = 0;
    do {
        steps[static_cast<size_t>(acc)] = 1;
        ++count;
        acc += step;
    } while (static_cast<int>(acc) < subSteps);
    if (count < checks) steps.back() = 1;
    return steps;
}

void SendStageBgmRequest(int number, int loop) {
    g_PlayData.m_bStageBgmLoop = loop;
    SendBgmRequest(number, loop);
}

int NudgeClear(cChara& chara, const std::function<int(cChara&)>& blocked) {
    auto move = [&chara](double dx, double dy) {
        Shift(chara, dx, dy);
        chara.UpdateHitboxX();
        chara.UpdateHitboxY();
    };
    if (!blocked(chara)) return 1;
    move(0, -1);  // up
    if (!blocked(chara)) return 1;
    move(-1, 1);  // back down, one left
    if (!blocked(chara)) return 1;
    move(0, -1);  // up-left
    return blocked(chara) ? 0 : 1;
}

// ---------------------------------------------------------------------------
// One attempt

namespace {

// Every object of the attempt before goes. The charas and the hero let go
// of the shots first, since a shot leaves no record with them when it goes.
void ClearStageObjects(cGameScene& scene) {
    for (cHero& hero : g_Heroes) hero.m_ShotLinks.clear();
    for (cStageChara& chara : g_Charas) chara.m_ShotLinks.clear();
    scene.m_vShotGroups.assign(8, {});
    scene.m_lShots.clear();
    scene.m_vCharaGroups.assign(8, {});
    g_Charas.clear();
    g_Items.clear();
    for (cHero& hero : g_Heroes) {
        hero.UnlinkAll();
        // The items it touched are gone.
        hero.m_TouchedItems.clear();
    }
}

// The faction group of a chara; a faction outside the eight groups keeps
// the chara out of every group, with a report line.
void AddToFactionGroup(cGameScene& scene, cChara& chara) {
    const int f = chara.m_nFaction;
    if (f < 0 || f >= static_cast<int>(scene.m_vCharaGroups.size())) {
        WriteReport("chara %d of faction %d belongs to no faction group", chara.m_nId, f);
        return;
    }
    scene.m_vCharaGroups[static_cast<size_t>(f)].push_back(&chara);
}

void RequestStageMusic(int restartBgm) {
    const int number = g_Stage.m_nBgm;
    const int loop = g_Stage.m_nBgmOption;
    const int playing = g_PlayData.m_nStageBgm;
    if (restartBgm == 1) {
        if (g_Stage.m_bKeepBgm && playing == number) {
            if (number == 0) SendStageBgmRequest(0, loop);
        } else {
            SendStageBgmRequest(number, loop);
        }
    } else if (playing != number) {
        SendStageBgmRequest(number, loop);
    }
    g_SceneMgr.m_nBgmId = 0;
}

void SetUpAxes(cGameScene& scene) {
    const cStageInfo& st = g_Stage;
    const int w = st.m_nWidth, h = st.m_nHeight;
    auto range = [](int32_t setting) {
        return static_cast<int>(std::clamp(int64_t{setting} + 640, int64_t{0}, kMaxRange));
    };

    cScrollAxis& x = scene.m_ScrollX;
    x.m_nAxis = 0;
    x.m_nView = 640;
    x.m_nMargin = kMargin;
    x.m_nRange = range(st.m_nViewExtX);
    x.m_nCells = w + 2 * kMargin;
    x.m_nShift = BitLength(static_cast<uint32_t>(w + 2 * kMargin - 1));
    x.m_nPitch = 1 << x.m_nShift;
    x.m_nBaseLow = kMargin * 32;
    x.m_nBaseHigh = std::max(0, (w + kMargin) * 32);
    x.SetAutoScroll(st.m_nScrollModeX, st.m_nScrollSpeedX);
    x.SetRange(st.m_nLimitLeft, st.m_nLimitRight, st.m_bLimitLeft, st.m_bLimitRight);

    cScrollAxis& y = scene.m_ScrollY;
    y.m_nAxis = 1;
    y.m_nView = 480;
    y.m_nMargin = kMargin;
    y.m_nRange = range(st.m_nViewExtY);
    y.m_nShift = 0;
    y.m_nCells = y.m_nPitch = h + 2 * kMargin;
    y.m_nBaseLow = kMargin * 32;
    y.m_nBaseHigh = std::max(0, (h + kMargin) * 32);
    y.SetAutoScroll(st.m_nScrollModeY, st.m_nScrollSpeedY);
    y.SetRange(st.m_nLimitTop, st.m_nLimitBottom, st.m_bLimitTop, st.m_bLimitBottom);
}

// The grid of this attempt: resized, never rebuilt; every cell emptied of
// what drawing and collisions read, then the placed blocks. False when the
// memory for it cannot be had.
bool BuildMap(const cGameScene& scene) {
    const cScrollAxis& x = scene.m_ScrollX;
    const cScrollAxis& y = scene.m_ScrollY;
    const long long cells = static_cast<long long>(y.m_nCells) * x.m_nPitch;
    bool ok = cells <= kMaxMapCells;
    if (!ok) WriteReport("a stage of %d x %d tiles needs %lld map cells", g_Stage.m_nWidth, g_Stage.m_nHeight, cells);
    if (ok) {
        try {
            g_Map.resize(static_cast<size_t>(cells));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    if (!ok) {
        ErrorBox(kSetupOutOfMemory);
        PostMainWindowClose();
        return false;
    }
    for (cMapCell& cell : g_Map) {
        cell.m_sChip = 0;
        cell.m_cHit = 0;
        cell.m_cSummonProof = 0;
    }

    // A placement outside the stage would land in the margin or in the
    // next row of the grid: it is left out.
    const int w = g_Stage.m_nWidth, h = g_Stage.m_nHeight;
    int outside = 0;
    for (const cPltBlock& block : g_Stage.m_vBlock) {
        if (block.m_sCol < 0 || block.m_sCol >= w || block.m_sRow < 0 || block.m_sRow >= h) {
            if (outside++ == 0)
                WriteReport("block placement at (%d, %d) lies outside the stage of %d x %d tiles and is left out",
                            block.m_sCol, block.m_sRow, w, h);
            continue;
        }
        g_Map.At((block.m_sCol + kMargin) + ((block.m_sRow + kMargin) << x.m_nShift)) = block;
    }
    if (outside > 1) WriteReport("%d block placements outside the stage are left out", outside);
    return true;
}

}  // namespace

void cGameScene::SetStage(int bLoadStage, int restartBgm) {
    WriteDebugLog("In SetStage bLoadStage = %d", bLoadStage);
    m_bStageReady = 0;
    m_nFrame = 0;
    ClearStageObjects(*this);

    if (bLoadStage == 1) {
        if (IsReplayPlayback()) {
            if (!LoadReplayStage()) {
                PostMainWindowClose();
                return;
            }
            CopyStageSettings(g_StageSettings, g_Stage);
        } else {
            CopyStageSettings(g_Stage, g_StageSettings);
            if (!g_SystemData.Get(kSysKeepHeroDef) && g_Stage.FindHero() >= 0)
                g_Stage.m_vChara.At(g_Stage.FindHero()) = g_HeroDef;
        }
    }

    // Nothing below can stand without a hero or a map: the program closes
    // before the grid or the hero is touched.
    const int heroIndex = g_Stage.FindHero();
    if (heroIndex < 0) {
        WriteReport("stage %s has no hero", g_Stage.m_strPath.c_str());
        PostMainWindowClose();
        return;
    }
    const int stageW = g_Stage.m_nWidth, stageH = g_Stage.m_nHeight;
    if (stageW < 1 || stageH < 1 || stageW > kMaxStageTiles || stageH > kMaxStageTiles) {
        WriteReport("stage size %d x %d is not playable", stageW, stageH);
        ErrorPrintf("ステージファイル %s が破損しています！", g_Stage.m_strPath.c_str());
        PostMainWindowClose();
        return;
    }

    // Seed. Gap: in replay playback the seed and the playback positions come
    // from the replay (set-up has returned above while replays cannot be
    // read).
    m_nSeed = static_cast<int>(plat::TimeMs());
    if (g_SystemData.Get(kSysReplayRecording)) {
        g_PlayDataPrev = g_PlayDataStart;
        g_PlayDataStart = g_PlayData;
        // Gap: the previous replay input is kept and the running one cleared
        // and given the seed here once replays exist.
    }
    plat::SeedRand(static_cast<uint32_t>(m_nSeed));

    m_nHeroCount = 1;
    g_Heroes.resize(static_cast<size_t>(m_nHeroCount));
    if (g_Stage.m_nSetupOption)
        g_PlayData.RestoreHeroStatus(g_Heroes.At(0), g_Stage.m_vChara.At(heroIndex), g_Stage);

    RequestStageMusic(restartBgm);

    m_nCharaId = m_nItemId = m_nShotId = 0;
    g_Stage.SetHitLevel(g_Stage.m_nHitLevel);

    SetUpAxes(*this);
    if (!BuildMap(*this)) return;

    for (int h = 0; h < m_nHeroCount; ++h) {
        cCharaDef& def = g_Stage.m_vChara.At(heroIndex);
        cHero& hero = g_Heroes.At(h);
        if (g_PlayData.m_bStartPos) def.m_cFacing = static_cast<int8_t>(g_PlayData.m_nStartDir & 0xFF);
        hero.Init(m_nCharaId++, def, ((def.m_sCol + kMargin) * 32) | 16, ((def.m_sRow + kMargin) * 32) | 16, 0);
        if (g_PlayData.m_bStartPos) {
            def.m_sCol = static_cast<int16_t>(g_PlayData.m_nStartX);
            def.m_sRow = static_cast<int16_t>(g_PlayData.m_nStartY);
        }
        hero.SetTilePos(def.m_sCol, def.m_sRow, 1);
        Shift(hero, def.GetOffsetX(0, def.m_cFacing), def.GetOffsetY(0, def.m_cFacing));
        if (g_Stage.m_nSetupOption) g_PlayData.RestoreHeroValues(hero);
        hero.m_Anime.SetPattern(hero.m_bFly ? 2 : 0, true);
    }

    cHero& hero = g_Heroes.At(0);
    m_ScrollX.m_dPos = hero.m_dX - 320 + hero.m_nWidth / 2;
    m_ScrollX.Clamp();
    m_ScrollY.m_dPos = hero.m_dY - 240 + hero.m_nHeight / 2;
    m_ScrollY.Clamp();
    hero.UpdateScreenRect();
    if (hero.m_Def.m_cSightShape) ResizeWorkSurfaces(&g_SysBmp[kSysBmpSightOverlay], &g_SysBmp[kSysBmpSightStamp]);

    m_vStageVars.assign(kStageVarCount, 0);

    // Charas, each with the placed item it carries, then the items nobody
    // carries. A carried item takes its item id first.
    const int itemCount = g_Stage.m_vItem.Size();
    std::vector<char> taken(static_cast<size_t>(itemCount), 0);
    for (cCharaDef& def : g_Stage.m_vChara) {
        if (def.m_cOperatedBy != 1) continue;
        int carried = def.m_nCarryItem;
        if (carried != -1 && (carried < 0 || carried >= itemCount)) {
            WriteReport("chara at (%d, %d) carries item %d of %d placed items: it carries none", def.m_sCol,
                        def.m_sRow, carried, itemCount);
            carried = -1;
        }
        if (carried == -1) {
            PlaceChara(g_Charas, def.m_sCol, def.m_sRow, m_nCharaId, def, nullptr);
        } else {
            cItem item;
            item.Init(m_nItemId++, g_Stage.m_vItem[static_cast<size_t>(carried)], 1);
            PlaceChara(g_Charas, def.m_sCol, def.m_sRow, m_nCharaId, def, &item);
            taken[static_cast<size_t>(carried)] = 1;
        }
    }
    for (int i = 0; i < itemCount; ++i) {
        cPltItem& item = g_Stage.m_vItem[static_cast<size_t>(i)];
        if (!taken[static_cast<size_t>(i)]) PlaceItem(g_Items, item.m_sCol, item.m_sRow, m_nItemId, item);
    }

    AddToFactionGroup(*this, hero);
    for (cStageChara& chara : g_Charas) AddToFactionGroup(*this, chara);

    auto anySide = [](const cOutRange& rule) {
        return std::any_of(std::begin(rule.m_bSide), std::end(rule.m_bSide), [](int32_t on) { return on != 0; });
    };
    m_bRangeCharas = anySide(g_Stage.m_OutRange[kOutRangeChara]);
    m_bRangeBlockCharas = anySide(g_Stage.m_OutRange[kOutRangeBlockChara]);
    m_bRangeItems = anySide(g_Stage.m_OutRange[kOutRangeItem]);

    m_lMessages.clear();
    m_lPictures.clear();
    m_ScrEffect.Clear();
    m_ScreenColor.Clear();
    m_PauseWait.m_nReserved = 0;
    ClearPictures();
    ClearMessageSurfaces();

    m_vAttackSteps = MakeAttackSteps(g_Stage.m_nSubSteps, g_Stage.m_nAttackLevel);

    m_nStageEnd = m_nBanner = m_nBanner2 = 0;
    if (g_Stage.m_bTimeLimit) {
        m_bNoTimeLimit = 0;
        m_nTimeLimit = std::clamp(g_Stage.m_nTimeLimit, 0, kMaxTimeLimit);
    } else {
        m_nTimeLimit = kMaxTimeLimit;
        m_bNoTimeLimit = 1;
    }
    m_nPlayFrames = m_nPlayTime = 0;
    m_vStepFlags.assign(kStepFlagCount, 0);
    m_nNextStage = m_nSubStep = m_nStepCount = 0;

    g_PlayData.m_nScore = 0;
    if (IsReplayPlayback() || (g_bEditorLaunch && g_bStartStageFile)) {
        g_PlayData.m_nTotalScore = 0;
        g_PlayData.m_nTotalTime = g_PlayData.m_nTotalPlayTime = 0;
        g_PlayData.m_nTotalHP = g_PlayData.m_nTotalSP = 0;
    }
    g_PlayData.SaveCheckpoint();

    for (cInputState& input : g_InputStates) input.Reset();
    g_CursorStack.Reset();
    CountEvery(0, 0);
    for (cBackground& bg : g_Stage.m_vBackground) bg.m_dOffsetX = bg.m_dOffsetY = 0;

    if (lpDDCon && g_nBpp == 8) {
        std::copy(std::begin(g_BasePalette), std::end(g_BasePalette), std::begin(g_Palette));
        if (g_lpDD) g_lpDD->SetPaletteEntries(0, 256, g_Palette);
    }
    // A stage that stores no speed plays at the program's.
    g_SceneMgr.m_nFrameRate = g_Stage.m_nFps > 0 ? g_Stage.m_nFps : 60;

    hero.InitLinks(nullptr);
    for (cStageChara& chara : g_Charas) chara.InitLinks(nullptr);

    // Stage-start flows. The charas are looked up by id one after the
    // other, since a flow may remove any chara of the list.
    const bool all = g_SystemData.Get(kSysStartFlowsForAll) != 0;
    if (!all) UpdateActivity();
    hero.RaiseEvent(kStageStartTrigger);
    std::vector<int> ids;
    for (const cStageChara& chara : g_Charas) ids.push_back(chara.m_nId);
    for (int id : ids) {
        auto it = std::find_if(g_Charas.begin(), g_Charas.end(), [id](const cStageChara& c) { return c.m_nId == id; });
        if (it == g_Charas.end()) continue;
        cStageChara& chara = *it;
        if (!all && !chara.m_bActive) continue;
        chara.RaiseEvent(kStageStartTrigger);
        if (chara.m_bRemoveReq) {
            RemoveChara(&chara);
        } else if (chara.m_nHP < 1) {
            ApplyDefeatOutcome(chara);
            RemoveChara(&chara);
        }
    }

    UpdateActivity();
    m_nDrawMode = g_Stage.m_nReservedC;
    DDSetVirBackBuffer(0);
    WriteDebugLog("Out SetStage");
    m_bStageReady = 1;
}

// ---------------------------------------------------------------------------
// Placement and spawning

void cGameScene::PlaceChara(cList<cStageChara>& list, int tileX, int tileY, int& id, cCharaDef& def, cItem* item) {
    cCharaDef local = def;
    const bool keepStart = g_SystemData.Get(kSysKeepStartPosition) != 0;
    // The copy count is a byte: a count of 0 is one chara.
    const int copies = static_cast<uint8_t>(local.m_cExtraCopies);
    for (int i = 0; i <= copies; ++i) {
        cStageChara chara;
        chara.Init(id, local, item, ((tileX + kMargin) * 32) | 16, ((tileY + kMargin) * 32) | 16,
                   static_cast<int16_t>(i), 0);
        chara.PlaceAtTile(tileX, tileY);
        if (!PlaceCopy(chara, local, i, keepStart)) continue;
        list.push_back(chara);
        list.back().UpdateScreenRect();
        ++id;
    }
}

void cGameScene::PlaceItem(cList<cItem>& list, int tileX, int tileY, int& id, cPltItem& def) {
    cPltItem local = def;
    cItem item;
    item.Init(id, local, 0);
    item.PlaceAtTile(tileX, tileY, 1);
    Shift(item, local.m_sOffsetX, local.m_sOffsetY);
    if (!item.IsInStage(1)) return;
    item.ClampPosX(2);
    item.ClampPosY(2);
    list.push_back(item);
    list.back().UpdateScreenRect();
    ++id;
}

void cGameScene::SpawnChara(cList<cStageChara>& list, double x, double y, uint8_t faction, uint8_t facing,
                            int /*ignored*/, cEdShot& params, cCharaDef& def, int& id, cChara* parent) {
    const bool keepStart = g_SystemData.Get(kSysKeepStartPosition) != 0;
    const int copies = static_cast<uint8_t>(def.m_cExtraCopies);
    for (int i = 0; i <= copies; ++i) {
        cStageChara chara;
        cCharaDef copy = def;
        copy.m_cBlockClass = static_cast<int8_t>(faction);
        copy.m_cFacing = static_cast<int8_t>(facing);
        if (params.m_cNoScore) copy.m_nScore = 0;
        chara.Init(id, copy, nullptr, x + 16, y + 16, static_cast<int16_t>(i), 0);
        // The chara's cell stands on the formation slot, as a placed chara's
        // stands on its tile.
        chara.m_dX = x + chara.m_nOffsetX;
        chara.m_dY = y + chara.m_nOffsetY;
        chara.m_dRight = chara.m_dX + chara.m_nWidth - 1;
        chara.m_dBottom = chara.m_dY + chara.m_nHeight - 1;
        if (!PlaceCopy(chara, copy, i, keepStart)) continue;
        list.push_back(chara);
        cStageChara& added = list.back();
        added.UpdateScreenRect();
        if (!NudgeClear(added, [this](cChara& c) { return IsPlaceBlocked(c); })) {
            list.pop_back();
            continue;
        }
        added.InitLinks(parent);
        if (params.m_cRangeOn) added.m_nLife = LifeFromRange(params.m_sRange);
        added.m_bCreditParent = params.m_cCreditUser;
        added.m_nParentGroup = params.m_cTriggerFlowId;
        AddToFactionGroup(*this, added);
        ++id;
    }
}

void SpawnItem(cList<cItem>& list, double x, double y, int /*ignored*/, cEdShot& params, cPltItem& def, int& id) {
    cItem item;
    item.Init(id, def, 0);
    item.m_dX = x + item.m_nOffsetX + def.m_sOffsetX;
    item.m_dY = y + item.m_nOffsetY + def.m_sOffsetY;
    item.m_dRight = item.m_dX + item.m_nWidth - 1;
    item.m_dBottom = item.m_dY + item.m_nHeight - 1;
    if (!item.IsInStage(1)) return;
    item.ClampPosX(2);
    item.ClampPosY(2);
    if (params.m_cRangeOn) item.m_nLife = LifeFromRange(params.m_sRange);
    list.push_back(item);
    ++id;
}

int cGameScene::SpawnBlock(double x, double y, int /*ignored*/, cEdShot& params, cPltBlock& block) {
    const int tx = TruncDot(x + 16.5) >> 5;
    const int ty = TruncDot(y + 16.5) >> 5;
    // Only a cell of the grid: a column past the row pitch would be a cell
    // of the next row.
    if (tx < 0 || tx >= m_ScrollX.m_nPitch || ty < 0 || ty >= m_ScrollY.m_nCells) return 0;
    const int c = tx + (ty << m_ScrollX.m_nShift);
    if (c < 0 || c >= g_Map.Size()) return 0;
    cMapCell& cell = g_Map[static_cast<size_t>(c)];

    if (cell.m_cSummonProof &&
        (g_SystemData.Get(kSysStrictSummonLock) || (cell.m_sChip != 0 && CheckBlockConditions(cell))))
        return 0;

    // Writes the block; with a crush switch the old cell comes back when the
    // block would squeeze what the switch protects. False when refused.
    auto put = [&]() {
        if (!params.m_cSpareHero && !params.m_cSpareCharas) {
            cell = block;
            CheckBlockCrush(c, tx, ty, params);
            return true;
        }
        const cMapCell old = cell;
        cell = block;
        if (!CheckBlockCrush(c, tx, ty, params)) return true;
        cell = old;
        return false;
    };
    auto erase = [&]() { cell = g_CommonPalette.m_vBlock.At(0); };

    switch (params.m_cBlockMode) {
    case 0: return put() ? 1 : 0;
    case 1: erase(); return 1;
    case 2:
        if (std::find(m_vChangedCells.begin(), m_vChangedCells.end(), c) != m_vChangedCells.end()) return 0;
        if (cell.m_sChip != 0 && CheckBlockConditions(cell)) {
            erase();
        } else if (!put()) {
            return 0;
        }
        m_vChangedCells.push_back(c);
        return 1;
    default: return 0;
    }
}

int cGameScene::CheckBlockCrush(int cell, int tileX, int tileY, cEdShot& params) {
    cMapCell& block = g_Map.At(cell);
    const double left = 32.0 * tileX, top = 32.0 * tileY;
    const double right = left + 32 - 0.1, bottom = top + 32 - 0.1;
    const bool crushAll = g_SystemData.Get(kSysCrushAll) != 0;
    auto squeezed = [&](cChara& o) {
        return block.GetHitKind(o.m_nFaction) != 0 && (crushAll || !o.m_bFly || o.m_cFlyMode != 0) &&
               Meets(o, left, top, right, bottom);
    };
    for (cHero& hero : g_Heroes) {
        if (hero.m_bDefeated || !squeezed(hero)) continue;
        // The next squeeze test puts it back where it was instead of
        // killing it.
        hero.m_nTypeChangeWait = 2;
        if (params.m_cSpareHero) return 1;
    }
    for (cStageChara& chara : g_Charas) {
        if (!chara.m_bActive || chara.m_bDefeated || !squeezed(chara)) continue;
        chara.m_nTypeChangeWait = 2;
        if (params.m_cSpareCharas) return 1;
    }
    return 0;
}


