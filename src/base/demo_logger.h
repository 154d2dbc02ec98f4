#pragma once

#include <memory>

#include <spdlog/logger.h>

// Deletes "demo.log" and creates the "demo" logger on it: single-threaded file sink, level off, default pattern.
void createDemoLogger();

// The "demo" logger by name; where it was never created (tools, tests) a logger without sinks, so that callers
// can always log.
std::shared_ptr<spdlog::logger> demoLogger();
