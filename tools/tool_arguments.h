#pragma once

// Argument parsing the tools share.

#include <cmath>
#include <cstdlib>

// A finite, non-negative number and nothing else.
inline bool parseNonNegative(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value >= 0.0;
}
