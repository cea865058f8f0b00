#include "frontend/play_data.h"

PROGRAM_OBJECT_DEFINE(g_PlayData, cPlayData);
PROGRAM_OBJECT_DEFINE(g_PlayDataStart, cPlayData);
PROGRAM_OBJECT_DEFINE(g_PlayDataPrev, cPlayData);
