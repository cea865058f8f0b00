// Collision of the charas with the block map, and the screen edges that
// hold the hero while an axis scrolls by itself.
#include "objects/hero.h"
#include "stage/game_scene.h"
#include "stage/stage_setup.h"

int cGameScene::RectToMapIndex(const cChara&, double, double, double, double) { return 0; }
int cGameScene::FindLandingCell(const cChara&) { return 0; }
int cGameScene::CornerToMapIndex(int, int, int, int, int) { return 0; }
int cGameScene::HitMapLeft(cChara&) { return 0; }
int cGameScene::HitMapRight(cChara&) { return 0; }
int cGameScene::HitMapFloor(cChara&) { return 0; }
int cGameScene::HitMapCeiling(cChara&) { return 0; }
int cGameScene::HitMapX(cChara&) { return 0; }
int cGameScene::HitMapY(cChara&) { return 0; }
int cGameScene::HitMapWalls(cChara&) { return 0; }
int cGameScene::HitMapFloorCeiling(cChara&) { return 0; }
void cGameScene::KeepHeroInScreenX(cHero&) {}
int cGameScene::KeepHeroInScreenY(cHero&) { return 0; }
void cGameScene::PressToGround(cChara&) {}
int cGameScene::IsPlaceBlocked(cChara&) { return 0; }
