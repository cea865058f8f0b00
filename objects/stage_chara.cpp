#include "objects/stage_chara.h"

void cStageChara::CheckBoundsX() { ClampPosX(2); }
void cStageChara::CheckBoundsY() { ClampPosY(2); }
