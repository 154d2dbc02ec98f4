#include "app/logging.h"

#include <assimp/DefaultLogger.hpp>
#include <assimp/LogStream.hpp>

#include "platform/process/debug_output.h"

namespace {

class DebugOutputStream : public Assimp::LogStream {
public:
    void write(const char* message) override { platform::debugOutput(message); }
};

}  // namespace

void setUpLogging() {
    createDemoLogger();
    Assimp::DefaultLogger::create("", Assimp::Logger::VERBOSE, 0);
    Assimp::DefaultLogger::get()->attachStream(new DebugOutputStream,
                                               Assimp::Logger::Debugging | Assimp::Logger::Info |
                                                   Assimp::Logger::Warn | Assimp::Logger::Err);
}
