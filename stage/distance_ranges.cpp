// The ranges of the distance conditions drawn over the stage.
#include "stage/game_scene.h"

void DrawDistanceRanges() {}
