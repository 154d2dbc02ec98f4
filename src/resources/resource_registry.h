#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

#include "resources/resource_path.h"

// Base of every object the registry creates and caches.
class ManagedResource {
public:
    virtual ~ManagedResource() = default;
};

class ResourceRegistry;

// Makes the objects of one type from their resource key.
class ResourceFactory {
public:
    virtual std::unique_ptr<ManagedResource> create(const ResourcePath& key, ResourceRegistry& registry) = 0;
    virtual ~ResourceFactory() = default;
};

struct ResourceSlot {
    int useCount = 0;
    std::unique_ptr<ManagedResource> object;
};

// What holders keep: reads the object through its slot; copies count as uses. Objects live as long as the
// registry, whatever the count says.
template <typename T>
class ResourceHandle {
public:
    ResourceHandle() = default;
    explicit ResourceHandle(ResourceSlot& slot) : object_(&slot.object), useCount_(&slot.useCount) { ++*useCount_; }
    ResourceHandle(const ResourceHandle& other) : object_(other.object_), useCount_(other.useCount_) {
        if (useCount_) ++*useCount_;
    }
    ResourceHandle(ResourceHandle&& other) noexcept : object_(other.object_), useCount_(other.useCount_) {
        other.object_ = nullptr;
        other.useCount_ = nullptr;
    }
    ResourceHandle& operator=(ResourceHandle other) noexcept {
        std::swap(object_, other.object_);
        std::swap(useCount_, other.useCount_);
        return *this;
    }
    ~ResourceHandle() {
        if (useCount_) --*useCount_;
    }

    bool empty() const { return object_ == nullptr; }
    T* get() const { return object_ ? static_cast<T*>(object_->get()) : nullptr; }
    T* operator->() const { return get(); }
    T& operator*() const { return *get(); }

    // Puts `replacement` where every handle of this slot reads its object, and destroys the one before (a live
    // reload, between two uses). Nothing happens to an empty handle.
    void replaceObject(std::unique_ptr<T> replacement) const {
        if (object_) *object_ = std::move(replacement);
    }

private:
    std::unique_ptr<ManagedResource>* object_ = nullptr;
    int* useCount_ = nullptr;
};

struct FactoryEntry {
    std::string typeName;
    ResourceFactory* factory = nullptr;
    std::unordered_map<std::string, ResourceSlot> instances;
};

// Creates file-backed objects by type and resource key, once each: asking again for an equal key gives a handle
// to the same object.
class ResourceRegistry {
public:
    ResourceRegistry() = default;
    ResourceRegistry(const ResourceRegistry&) = delete;
    ResourceRegistry& operator=(const ResourceRegistry&) = delete;
    ~ResourceRegistry();

    template <typename T>
    void registerFactory(std::unique_ptr<ResourceFactory> factory) {
        const std::string typeName = typeid(T).name();
        factories.push_back(std::move(factory));
        FactoryEntry& entry = entries[typeName];
        entry.typeName = typeName;
        entry.factory = factories.back().get();
        entry.instances.clear();
    }

    template <typename T>
    ResourceHandle<T> acquire(const ResourcePath& key) {
        return ResourceHandle<T>(acquireSlot(typeid(T).name(), key));
    }

private:
    ResourceSlot& acquireSlot(const std::string& typeName, const ResourcePath& key);

    std::unordered_map<std::string, FactoryEntry> entries;
    std::vector<std::unique_ptr<ResourceFactory>> factories;
};
