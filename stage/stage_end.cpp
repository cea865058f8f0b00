#include "stage/game_scene.h"

void cGameScene::EndStage() {}
void cGameScene::TallyScore() {}
int cGameScene::DecideAfterStage() { return kSceneTitle; }
int cGameScene::MakeNextStageName(std::string& out, int) {
    out.clear();
    return 0;
}
int cGameScene::IsLastStage(int) { return 1; }
void cGameScene::RegisterRanking() {}
