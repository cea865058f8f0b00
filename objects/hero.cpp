#include "objects/hero.h"

void cHero::CheckBoundsX() {}
void cHero::CheckBoundsY() {}
