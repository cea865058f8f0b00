#include "frontend/scene_mgr.h"
#include <SDL2/SDL.h>
