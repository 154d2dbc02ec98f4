#include <gtest/gtest.h>

#include <assimp/DefaultLogger.hpp>
#include <spdlog/spdlog.h>

#include "app/logging.h"
#include "support/test_support.h"

namespace {

using testing_support::TempDir;

TEST(Logging, RecreatesAnEmptyLogThatStaysEmpty) {
    TempDir dir;
    dir.write("demo.log", "an earlier run's lines\n");
    testing_support::ScopedWorkingDirectory cwd(dir.path());

    setUpLogging();
    auto logger = spdlog::get("demo");
    ASSERT_NE(logger, nullptr);
    EXPECT_EQ(logger, demoLogger());
    EXPECT_EQ(logger->level(), spdlog::level::off);
    logger->critical("Unable to initialize BASS Sound System! Error code: {}", 23);
    logger->info("Creating instance of Demo");
    logger->flush();
    EXPECT_EQ(testing_support::readFile(dir.path() / "demo.log"), "");

    // The importer's log exists and goes to the debugger output, not to a file.
    EXPECT_FALSE(Assimp::DefaultLogger::isNullLogger());
    Assimp::DefaultLogger::get()->info("importer line");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    spdlog::drop("demo");
    Assimp::DefaultLogger::kill();
}

TEST(Logging, WithoutSetUpCallersStillGetALogger) {
    spdlog::drop("demo");
    auto logger = demoLogger();
    ASSERT_NE(logger, nullptr);
    logger->info("goes nowhere");
}

}  // namespace
