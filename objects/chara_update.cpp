#include "objects/chara.h"

// Stand-ins until the chara update exists.
int cChara::StepFlowRuns(bool, bool) { return 0; }
void cChara::ChooseBasicAnime() {}
