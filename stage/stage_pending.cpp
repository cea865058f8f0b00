// Until the drawing passes land in this tree.
#include "objects/chip_src.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "stage/game_scene.h"

void cGameScene::ScrollBackgrounds() {}
int cGameScene::DrawBackgrounds(DDSURFACEDATA*, int) { return 0; }
void cGameScene::DrawScreenColor(int) {}
void cGameScene::DrawPictures(DDSURFACEDATA*, int, int) {}
void cGameScene::DrawBlockMap(DDSURFACEDATA*, int) {}
void cGameScene::DrawStatusBar(DDSURFACEDATA*) {}
void cGameScene::DrawTimeLimit(DDSURFACEDATA*, int) {}
