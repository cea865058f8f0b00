#include "objects/effect_state.h"
#include "app/input_state.h"
