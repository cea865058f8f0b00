// Flow key conditions.
#include "objects/chara.h"

// Stand-in while the key sequences are built.
bool cChara::EvalFlowKeys(cFlowRun&) { return true; }
