// Until the set-up, the resources, the chip lookup and the drawing passes
// land in this tree.
#include "objects/chip_src.h"
#include "objects/hero.h"
#include "objects/item.h"
#include "stage/game_scene.h"

void cGameScene::SetStage(int, int) {}
void cGameScene::RemoveChara(cStageChara*) {}
void cHero::UpdateScreenRect() {}
