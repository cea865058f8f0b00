#include "stage/game_scene.h"

void cPauseWait::Set(int mode, int waitForKey, int time, int noDelay) {
    m_nMode = mode;
    m_bWaitKey = waitForKey;
    m_nTime = time;
    m_nReserved = 0;
    m_nCountdown = (waitForKey && mode == 1 && !noDelay) ? 10 : 0;
}
int cGameScene::RunPauseWait() { return 0; }
unsigned PauseLoop(void*) { return 1; }
unsigned RankingLoop(void*) { return 1; }
