#include "core/text.h"
#include "gfx/dd.h"
