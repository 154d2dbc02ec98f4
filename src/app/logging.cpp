#include "app/logging.h"

#include <cstdio>

#include <assimp/DefaultLogger.hpp>
#include <assimp/LogStream.hpp>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include "platform/process/debug_output.h"

namespace {

class DebugOutputStream : public Assimp::LogStream {
public:
    void write(const char* message) override { platform::debugOutput(message); }
};

}  // namespace

void setUpLogging() {
    std::remove("demo.log");
    auto logger = spdlog::basic_logger_st("demo", "demo.log");
    logger->set_level(spdlog::level::off);

    Assimp::DefaultLogger::create("", Assimp::Logger::VERBOSE, 0);
    Assimp::DefaultLogger::get()->attachStream(new DebugOutputStream,
                                               Assimp::Logger::Debugging | Assimp::Logger::Info |
                                                   Assimp::Logger::Warn | Assimp::Logger::Err);
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
