// A stage scene for the game-object tests: a stage of 40 x 30 tiles inside
// its margin of 10 tiles, its camera axes as the stage set-up lays them
// out, an empty map grid and the hit level of a new stage. The
// program-wide objects are fresh again afterwards.
#pragma once
#include <gtest/gtest.h>

#include "frontend/program_objects.h"
#include "objects/hero.h"
#include "project/stage_info.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"
#include "support/logged_test.h"

namespace objtest {

class StageTest : public orvtest::LoggedTest {
protected:
    // Map dots: the stage spans 320..1599 across and 320..1279 down, the
    // map 0..1919 and 0..1599. The view may scroll over 640..1279 and
    // 400..1199, narrower than the stage.
    static constexpr int kStageW = 40, kStageH = 30;

    void SetUp() override {
        LoggedTest::SetUp();
        cScrollAxis& x = scene.m_ScrollX;
        x.m_nAxis = 0, x.m_nView = 640, x.m_nMargin = 10;
        x.m_nBaseLow = 320, x.m_nBaseHigh = (kStageW + 10) * 32, x.m_nRange = (kStageW + 20) * 32;
        x.m_nLow = 640, x.m_nHigh = 1280;
        x.m_nCells = kStageW + 20, x.m_nShift = 6, x.m_nPitch = 64;
        cScrollAxis& y = scene.m_ScrollY;
        y.m_nAxis = 1, y.m_nView = 480, y.m_nMargin = 10;
        y.m_nBaseLow = 320, y.m_nBaseHigh = (kStageH + 10) * 32, y.m_nRange = (kStageH + 20) * 32;
        y.m_nLow = 400, y.m_nHigh = 1200;
        y.m_nCells = y.m_nPitch = kStageH + 20, y.m_nShift = 0;
        g_pGameScene = &scene;
        // Every cell empty, as the set-up leaves a grid before the blocks.
        g_Map.resize(static_cast<size_t>(y.m_nCells * x.m_nPitch));
        for (cMapCell& cell : g_Map) cell.m_cHit = 0;
        g_Stage.SetHitLevel(10);
    }
    void TearDown() override {
        g_pGameScene = nullptr;
        LoggedTest::TearDown();
        ResetProgramObjects();
    }
    // A hero of movement type `type` on the ground with its body's top-left
    // corner at (x, y).
    static cHero& PlaceHero(cHero& hero, int type, double x, double y) {
        cCharaDef d;
        d.m_cOperatedBy = 0;
        d.m_cFlight = static_cast<int8_t>(type);
        d.m_nCarryItem = -1;
        hero.Init(1, d, x, y, 0);
        hero.m_dX = x, hero.m_dY = y;
        hero.CheckBoundsX();
        hero.CheckBoundsY();
        hero.m_bAirborne = 0;
        return hero;
    }
    // The cell of map tile (col, row), margins included.
    static cMapCell& Cell(int col, int row) { return g_Map.At(col + (row << 6)); }

    cGameScene scene;
};

}  // namespace objtest
