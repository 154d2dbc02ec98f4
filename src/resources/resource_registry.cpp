#include "resources/resource_registry.h"

ResourceRegistry::~ResourceRegistry() {
    for (auto& factory : factories) factory.reset();
    entries.clear();
}

ResourceSlot& ResourceRegistry::acquireSlot(const std::string& typeName, const ResourcePath& key) {
    auto entry = entries.find(typeName);
    if (entry == entries.end()) throw std::runtime_error("No factory registered for " + typeName);
    const std::string keyText = key.text();
    auto& instances = entry->second.instances;
    auto slot = instances.find(keyText);
    if (slot == instances.end()) {
        // Created before it is stored: a throwing factory leaves nothing behind.
        std::unique_ptr<ManagedResource> object = entry->second.factory->create(key, *this);
        slot = instances.emplace(keyText, ResourceSlot{0, std::move(object)}).first;
    }
    return slot->second;
}
