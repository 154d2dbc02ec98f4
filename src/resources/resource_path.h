#pragma once

#include <stdexcept>
#include <string>

// A data file or directory named by one canonical text: "/" separators, ASCII lower case, "." and ".." steps
// resolved, and a prefix of "/", a drive root ("c:/"), leading "../" steps or "./". Equal texts name the same file,
// which makes the text usable as a cache key and as the name to open.
class ResourcePath {
public:
    class Exception : public std::runtime_error {
    public:
        explicit Exception(const char* message) : std::runtime_error(message) {}
    };

    ResourcePath();
    ResourcePath(const char* text);  // NOLINT(google-explicit-constructor): paths are written as literals
    ResourcePath(const ResourcePath&) = default;
    ResourcePath& operator=(const ResourcePath&) = default;

    std::string text() const { return text_; }

    friend bool operator==(const ResourcePath&, const ResourcePath&) = default;

private:
    void normalize();

    std::string text_;
};
