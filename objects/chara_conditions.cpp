// The chara's side of the conditions: its status, its state and its
// distance to another chara.
#include "objects/chara.h"
#include "project/condition.h"

bool cChara::EvalStatusCondition2(const cCondition&) { return false; }
bool cChara::EvalStatusCondition3(const cCondition&) { return false; }
bool cChara::EvalDistanceCondition(const cCondition&) { return false; }
bool cChara::DrawDistanceRange(DDSURFACEDATA*, const cCondition&, int) { return false; }
