#include <vector>
#include <SDL2/SDL.h>
