#include "platform/shader_compiler/translation_cache.h"

#include <functional>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "platform/shader_compiler/source_files.h"

namespace shader_compiler {
namespace {

struct KeyHash {
    std::size_t operator()(const TranslationKey& key) const {
        std::hash<std::string_view> hash;
        std::size_t h = hash(key.content);
        for (const std::string* part : {&key.path, &key.entryPoint, &key.profile}) h = h * 1000003u ^ hash(*part);
        return h;
    }
};

struct Cache {
    std::mutex mutex;
    std::unordered_map<TranslationKey, std::shared_ptr<const CachedTranslation>, KeyHash> entries;
};

Cache& cache() {
    static Cache instance;
    return instance;
}

// Includes are read again outside the lock: an edited include makes the entry stale.
bool includesUnchanged(const CachedTranslation& translation) {
    std::string now;
    for (const SourceFile& include : translation.includes) {
        if (!readWholeFile(include.path, &now) || now != include.content) return false;
    }
    return true;
}

}  // namespace

std::shared_ptr<const CachedTranslation> findTranslation(const TranslationKey& key) {
    std::shared_ptr<const CachedTranslation> found;
    {
        Cache& c = cache();
        std::lock_guard lock(c.mutex);
        auto it = c.entries.find(key);
        if (it != c.entries.end()) found = it->second;
    }
    return found && includesUnchanged(*found) ? found : nullptr;
}

void storeTranslation(const TranslationKey& key, std::shared_ptr<const CachedTranslation> translation) {
    Cache& c = cache();
    std::lock_guard lock(c.mutex);
    // One entry a file, entry point and profile: the translation of what the file held before an edit is never
    // asked for again, and keeping every one would grow the cache with each save in editor mode.
    std::erase_if(c.entries, [&key](const auto& entry) {
        const TranslationKey& other = entry.first;
        return other.path == key.path && other.entryPoint == key.entryPoint && other.profile == key.profile &&
               other.defines == key.defines;
    });
    c.entries.emplace(key, std::move(translation));
}

}  // namespace shader_compiler
