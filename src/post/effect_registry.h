#pragma once

// The post-processing effects by name, with the parameter block each one draws with; the frame renderer fills
// it when the effect chain is built. Nothing in the frame depends on it.

#include <map>
#include <string>

class PostProcessorBase;

class EffectRegistry {
public:
    struct Entry {
        PostProcessorBase* effect = nullptr;
        const void* parameters = nullptr;  // the renderer's block of the effect's type
    };

    EffectRegistry() = default;

    void add(const std::string& name, PostProcessorBase* effect, const void* parameters) {
        entries[name] = Entry{effect, parameters};
    }
    // Null when nothing is recorded under `name`.
    const Entry* find(const std::string& name) const {
        auto it = entries.find(name);
        return it == entries.end() ? nullptr : &it->second;
    }

    std::map<std::string, Entry> entries;
};
