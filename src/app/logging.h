#pragma once

#include "base/demo_logger.h"

// The run's logging: the "demo" logger on "demo.log" (switched off), and the scene importer's own log routed to
// the debugger output.
void setUpLogging();
