#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

// The settings of one run. Lookups use the maps' subscript: a missing key is added with a zero value.
struct ConfigValues {
    std::map<std::string, std::pair<int32_t, int32_t>> windowPositions;
    std::map<std::string, int64_t> editorState;
    std::map<std::string, int32_t> flagSettings;
    std::map<std::string, int32_t> numericSettings;

    // Replaces all four tables with the built-in defaults; keys added since are dropped.
    void setDefaults();
};
