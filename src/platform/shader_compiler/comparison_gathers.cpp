#include "platform/shader_compiler/comparison_gathers.h"

#include <cctype>

namespace shader_compiler {

std::string offsetComparisonGathers(const std::string& preprocessed, bool* rewritten) {
    *rewritten = false;
    static const std::string kMethod = "GatherCmp";
    std::string text;
    std::size_t copied = 0;
    for (std::size_t at = preprocessed.find(kMethod); at != std::string::npos;
         at = preprocessed.find(kMethod, at + kMethod.size())) {
        // A method: a '.' before it (the preprocessor spaces tokens apart).
        std::size_t before = at;
        while (before > 0 && std::isspace(static_cast<unsigned char>(preprocessed[before - 1]))) --before;
        if (before == 0 || preprocessed[before - 1] != '.') continue;
        std::size_t i = at + kMethod.size();
        for (const char* channel : {"Red", "Green", "Blue", "Alpha"}) {
            const std::string name = channel;
            if (preprocessed.compare(i, name.size(), name) == 0) {
                i += name.size();
                break;
            }
        }
        while (i < preprocessed.size() && std::isspace(static_cast<unsigned char>(preprocessed[i]))) ++i;
        if (i >= preprocessed.size() || preprocessed[i] != '(') continue;
        // The arguments at the call's own level: two commas mean texture-less form (sampler, location, value).
        int depth = 0, commas = 0;
        std::size_t close = std::string::npos;
        for (std::size_t j = i; j < preprocessed.size(); ++j) {
            const char c = preprocessed[j];
            if (c == '(' || c == '[' || c == '{') ++depth;
            if (c == ')' || c == ']' || c == '}') {
                if (--depth == 0) {
                    close = j;
                    break;
                }
            }
            if (c == ',' && depth == 1) ++commas;
        }
        if (close == std::string::npos || commas != 2) continue;
        text.append(preprocessed, copied, close - copied);
        text += ", int2(0, 0)";
        copied = close;
        *rewritten = true;
    }
    text.append(preprocessed, copied, std::string::npos);
    return text;
}

}  // namespace shader_compiler
