// Stand-ins while the command handlers are built.
#include "flow/cmd_handlers.h"

void ReportUnbuiltCmd(int) {}
