// The stage play scene: one instance while a stage is played, reached by
// every game object and flow command through g_pGameScene. It holds the
// two camera axes that the physics, the screen rectangles and the range
// tests read.
#pragma once
#include "frontend/scene_mgr.h"

class cPltBlock;

// The camera of one axis, with the limits of the view, the stage and the
// map along it.
class cScrollAxis {
public:
    double m_dPos = 0;       // first visible dot
    int m_bAtLimit = 0;      // the last clamp stopped the camera at a limit
    int m_nAxis = 0;         // 0 horizontal, 1 vertical
    int m_nView = 0;         // 640 or 480
    int m_nLow = 0;          // scroll limits: the camera shows [low, high)
    int m_nHigh = 0;
    int m_nBaseLow = 0;      // the stage without its margin
    int m_nBaseHigh = 0;
    int m_nMargin = 0;       // tiles around the stage
    int m_nRange = 0;        // the map runs from 0 to this
    int m_nCells = 0;        // map cells along the axis
    int m_nPitch = 0;        // X: row pitch of the grid; Y: cells
    int m_nShift = 0;        // X: log2 of the pitch; Y: 0
    double m_dAutoSpeed = 0; // per sub-step
    int m_bAuto = 0;

    // The axis moves by itself: it has a speed and is not held at a limit.
    bool AutoScrolls() const { return m_dAutoSpeed != 0 && !m_bAtLimit; }
};

class cGameScene : public cScene {
public:
    cScrollAxis m_ScrollX;
    cScrollAxis m_ScrollY;

    // 1 when the appearance conditions of a map cell or placed block hold.
    int CheckBlockConditions(cPltBlock& block);
};
