#include "stage/game_scene.h"

MenuPos g_MenuPos[3] = {{320, 272, 0, 0}, {320, 272, 0, 0}, {184, 64, 0, 0}};

cGameScene::cGameScene() = default;
cGameScene::~cGameScene() = default;
void cGameScene::Frame() {}
void cGameScene::Enter() {}
void cGameScene::FadeIn() {}
void cGameScene::Leave() {}

// The condition lists arrive with the play step; until then every block
// is present.
int cGameScene::CheckBlockConditions(cPltBlock&) { return 1; }
