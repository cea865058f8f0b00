#include "stage/game_scene.h"
