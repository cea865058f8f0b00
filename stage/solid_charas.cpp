#include "stage/game_scene.h"

int cGameScene::MoveHero(cChara&) { return 0; }
void cGameScene::CarryRider(cChara&) {}
int cGameScene::OverlapsBlockChara(cChara&) { return 0; }
