#include "app/requests.h"
#include "app/startup.h"
