#include "platform/shader_compiler/translation_cache.h"

#include <functional>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "platform/shader_compiler/source_files.h"

namespace shader_compiler {
namespace {

struct Entry {
    std::string path, content, entryPoint, profile;
    std::shared_ptr<const CachedTranslation> translation;
};

struct Cache {
    std::mutex mutex;
    std::unordered_multimap<std::size_t, Entry> entries;  // by hash of the key
};

Cache& cache() {
    static Cache instance;
    return instance;
}

std::size_t keyHash(const std::string& path, const std::string& content, const std::string& entryPoint,
                    const std::string& profile) {
    std::hash<std::string_view> hash;
    std::size_t h = hash(content);
    for (const std::string* part : {&path, &entryPoint, &profile}) h = h * 1000003u ^ hash(*part);
    return h;
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

std::shared_ptr<const CachedTranslation> findTranslation(const std::string& path, const std::string& content,
                                                         const std::string& entryPoint, const std::string& profile) {
    std::vector<std::shared_ptr<const CachedTranslation>> candidates;
    {
        Cache& c = cache();
        std::lock_guard lock(c.mutex);
        auto [begin, end] = c.entries.equal_range(keyHash(path, content, entryPoint, profile));
        for (auto it = begin; it != end; ++it) {
            const Entry& e = it->second;
            if (e.content == content && e.path == path && e.entryPoint == entryPoint && e.profile == profile) {
                candidates.push_back(e.translation);
            }
        }
    }
    for (auto& candidate : candidates) {
        if (includesUnchanged(*candidate)) return candidate;
    }
    return nullptr;
}

void storeTranslation(const std::string& path, const std::string& content, const std::string& entryPoint,
                      const std::string& profile, std::shared_ptr<const CachedTranslation> translation) {
    Cache& c = cache();
    std::size_t hash = keyHash(path, content, entryPoint, profile);
    std::lock_guard lock(c.mutex);
    auto [begin, end] = c.entries.equal_range(hash);
    for (auto it = begin; it != end; ++it) {
        Entry& e = it->second;
        if (e.content == content && e.path == path && e.entryPoint == entryPoint && e.profile == profile &&
            e.translation->includes.size() == translation->includes.size()) {
            bool same = true;
            for (std::size_t i = 0; i < e.translation->includes.size() && same; ++i) {
                same = e.translation->includes[i].content == translation->includes[i].content &&
                       e.translation->includes[i].path == translation->includes[i].path;
            }
            if (same) {
                e.translation = std::move(translation);  // a racing thread made the same one
                return;
            }
        }
    }
    c.entries.emplace(hash, Entry{path, content, entryPoint, profile, std::move(translation)});
}

}  // namespace shader_compiler
