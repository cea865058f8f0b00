#include "objects/chara.h"

// Stand-ins until the jump maths exist.
bool cChara::IsOnGround() const { return false; }
double cChara::JumpSpeedFromHeight(double) const { return 0; }
double cChara::JumpSpeedFromHbl(int8_t) const { return 0; }
int cChara::FramesToApex(double) const { return 0; }
int cChara::JumpTimeFromHbl(int8_t) const { return 0; }
bool cChara::EvalKeyCondition(const cInputState&, const cKeyCond&) { return false; }
