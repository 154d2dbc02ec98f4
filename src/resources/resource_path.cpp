#include "resources/resource_path.h"

#include <string_view>
#include <vector>

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }
bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string lowered(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = lowerAscii(c);
    return result;
}

// Two or more dots and nothing else: a step to the parent directory.
bool isParentStep(std::string_view component) {
    return component.size() >= 2 && component.find_first_not_of('.') == std::string_view::npos;
}

}  // namespace

ResourcePath::ResourcePath() : text_("./") {}

ResourcePath::ResourcePath(const char* text) : text_(text ? text : "") { normalize(); }

void ResourcePath::normalize() {
    if (text_.empty()) {
        text_ = "./";
        return;
    }
    std::string_view rest = text_;
    std::string root;
    if (isSeparator(rest[0])) {
        root = "/";
        rest.remove_prefix(1);
    } else if (rest.size() >= 3 && isAsciiLetter(rest[0]) && rest[1] == ':' && isSeparator(rest[2])) {
        root = std::string{lowerAscii(rest[0]), ':', '/'};
        rest.remove_prefix(3);
    }

    std::vector<std::string> retained;
    size_t parentSteps = 0;
    size_t start = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (!isSeparator(rest[i])) continue;
        std::string_view component = rest.substr(start, i - start);
        start = i + 1;
        if (component.empty() || component == ".") continue;
        if (isParentStep(component)) {
            if (!retained.empty()) {
                retained.pop_back();
            } else if (!root.empty()) {
                throw Exception("Invalid path, trying to go to upper parent folder from root folder.");
            } else {
                ++parentSteps;
            }
            continue;
        }
        retained.push_back(lowered(component));
    }
    std::string_view leaf = rest.substr(start);

    std::string result = root;
    if (root.empty()) {
        if (parentSteps == 0) result = "./";
        for (size_t i = 0; i < parentSteps; ++i) result += "../";
    }
    for (const std::string& component : retained) {
        result += component;
        result += '/';
    }
    result += lowered(leaf);
    text_ = std::move(result);
}
