#include "objects/hero.h"

// Stand-ins until the hero's movement exists.
int cHero::MoveX() { return 0; }
int cHero::MoveY() { return 0; }
int cHero::Update(bool) { return 0; }
