#include "app/config_manager.h"

#include "app/logging.h"

ConfigManager::ConfigManager(ConfigValues* store, std::string name) : store(store), logger(demoLogger()) {
    logger->info("Initializing ConfigManager and reading " + name + " (if exists)");
    fileName = std::move(name);
    store->setDefaults();
}
