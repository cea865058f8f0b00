// The condition lists of blocks, charas, items and flows.
#include "objects/item.h"
#include "objects/stage_chara.h"
#include "project/block_def.h"
#include "project/condition.h"
#include "stage/game_scene.h"

int cGameScene::CheckBlockConditions(cPltBlock&) { return 1; }
int cGameScene::CheckCharaConditions(cStageChara&) { return 1; }
int cGameScene::CheckItemConditions(cItem&) { return 1; }
int cGameScene::CheckFlowConditions(cFlowRun&, cChara&) { return 1; }
int cGameScene::EvalConditionList(const cVector<cCondition>&, int, cChara*) { return 0; }
int cGameScene::EvalCondition(const cCondition&, cChara*) { return 0; }
