#include "base/demo_logger.h"

#include <cstdio>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

void createDemoLogger() {
    std::remove("demo.log");
    auto logger = spdlog::basic_logger_st("demo", "demo.log");
    logger->set_level(spdlog::level::off);
}

std::shared_ptr<spdlog::logger> demoLogger() {
    if (auto logger = spdlog::get("demo")) return logger;
    static const auto silent = [] {
        auto logger = std::make_shared<spdlog::logger>("demo");
        logger->set_level(spdlog::level::off);
        return logger;
    }();
    return silent;
}
