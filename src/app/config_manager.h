#pragma once

#include <memory>
#include <string>

#include <spdlog/logger.h>

#include "app/config_values.h"

// Fills the run's settings with the built-in defaults. The settings file name is recorded for the log only:
// nothing reads or writes it.
class ConfigManager {
public:
    ConfigManager(ConfigValues* store, std::string fileName);

private:
    ConfigValues* store;
    std::string fileName;
    std::shared_ptr<spdlog::logger> logger;
};
