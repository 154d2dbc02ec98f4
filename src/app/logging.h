#pragma once

#include <memory>

#include <spdlog/logger.h>

// Deletes "demo.log", creates the "demo" logger on it (single-threaded file sink, level off, default pattern)
// and routes the scene importer's own log to the debugger output.
void setUpLogging();

// The "demo" logger by name; where it was never set up (tools, tests) a logger without sinks, so that callers
// can always log.
std::shared_ptr<spdlog::logger> demoLogger();
