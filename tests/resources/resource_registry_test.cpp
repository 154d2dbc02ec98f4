#include <gtest/gtest.h>

#include "resources/resource_registry.h"

namespace {

struct Counted : ManagedResource {
    explicit Counted(std::string key, int* alive) : key(std::move(key)), alive(alive) { ++*alive; }
    ~Counted() override { --*alive; }
    std::string key;
    int* alive;
};

struct CountingFactory : ResourceFactory {
    explicit CountingFactory(int* created, int* alive) : created(created), alive(alive) {}
    std::unique_ptr<ManagedResource> create(const ResourcePath& key, ResourceRegistry&) override {
        ++*created;
        if (key.text() == "./fail") throw std::runtime_error("cannot make it");
        return std::make_unique<Counted>(key.text(), alive);
    }
    int* created;
    int* alive;
};

struct Unregistered : ManagedResource {};

TEST(ResourceRegistry, EqualKeysShareOneObjectAndDifferentKeysDoNot) {
    int created = 0, alive = 0;
    ResourceRegistry registry;
    registry.registerFactory<Counted>(std::make_unique<CountingFactory>(&created, &alive));

    ResourceHandle<Counted> first = registry.acquire<Counted>(ResourcePath("Data\\File.xml"));
    ResourceHandle<Counted> second = registry.acquire<Counted>(ResourcePath("./data/file.XML"));
    ResourceHandle<Counted> other = registry.acquire<Counted>(ResourcePath("data/other.xml"));
    EXPECT_EQ(created, 2);
    EXPECT_EQ(first.get(), second.get());
    EXPECT_NE(first.get(), other.get());
    EXPECT_EQ(first->key, "./data/file.xml");
}

TEST(ResourceRegistry, HandlesCountUsesButObjectsLiveAsLongAsTheRegistry) {
    int created = 0, alive = 0;
    {
        ResourceRegistry registry;
        registry.registerFactory<Counted>(std::make_unique<CountingFactory>(&created, &alive));
        {
            ResourceHandle<Counted> handle = registry.acquire<Counted>(ResourcePath("a"));
            ResourceHandle<Counted> copy = handle;
            ResourceHandle<Counted> moved = std::move(copy);
            EXPECT_TRUE(copy.empty());
            EXPECT_EQ(moved.get(), handle.get());
        }
        EXPECT_EQ(alive, 1);  // no handle left, object still there
        ResourceHandle<Counted> again = registry.acquire<Counted>(ResourcePath("a"));
        EXPECT_EQ(created, 1);
    }
    EXPECT_EQ(alive, 0);  // the registry deletes its objects
}

TEST(ResourceRegistry, UnknownTypesAndFailingFactoriesLeaveNothingBehind) {
    int created = 0, alive = 0;
    ResourceRegistry registry;
    registry.registerFactory<Counted>(std::make_unique<CountingFactory>(&created, &alive));
    try {
        registry.acquire<Unregistered>(ResourcePath("a"));
        FAIL() << "expected an exception";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), std::string("No factory registered for ") + typeid(Unregistered).name());
    }
    EXPECT_THROW(registry.acquire<Counted>(ResourcePath("fail")), std::runtime_error);
    EXPECT_THROW(registry.acquire<Counted>(ResourcePath("fail")), std::runtime_error);
    EXPECT_EQ(created, 2);  // the failed key was not cached
    EXPECT_EQ(alive, 0);
}

}  // namespace
