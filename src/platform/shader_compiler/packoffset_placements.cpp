#include "platform/shader_compiler/packoffset_placements.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace shader_compiler {
namespace {

// Where each offset of the text lies: file and line, following #line directives.
class LineMap {
public:
    LineMap(const std::string& text, const std::string& path) {
        std::size_t start = 0;
        std::string file = path;
        int line = 1;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string row = text.substr(start, end - start);
            std::size_t first = row.find_first_not_of(" \t");
            if (first != std::string::npos && row.compare(first, 5, "#line") == 0) {
                const char* cursor = row.c_str() + first + 5;
                line = std::atoi(cursor);
                const char* quote = std::strchr(cursor, '"');
                if (quote) file.assign(quote + 1, std::strcspn(quote + 1, "\""));
                rows_.push_back({start, file, -1});
            } else {
                rows_.push_back({start, file, line++});
            }
            start = end + 1;
        }
    }

    std::string at(std::size_t offset) const {
        const Row* found = &rows_.front();
        for (const Row& row : rows_) {
            if (row.start > offset) break;
            found = &row;
        }
        return found->file + ":" + std::to_string(found->line);
    }

private:
    struct Row {
        std::size_t start;
        std::string file;
        int line;
    };
    std::vector<Row> rows_;
};

bool isIdentifier(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

void skipSpace(const std::string& text, std::size_t* at) {
    while (*at < text.size() && std::isspace(static_cast<unsigned char>(text[*at]))) ++*at;
}

// The name declared before the ':' at `colon`, array sizes skipped ("float a[4] : packoffset(...)").
std::string declaredName(const std::string& text, std::size_t colon) {
    std::size_t end = colon;
    for (;;) {
        while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
        if (end == 0 || text[end - 1] != ']') break;
        const std::size_t open = text.rfind('[', end - 1);
        if (open == std::string::npos) return {};
        end = open;
    }
    std::size_t begin = end;
    while (begin > 0 && isIdentifier(text[begin - 1])) --begin;
    return text.substr(begin, end - begin);
}

}  // namespace

std::vector<Placement> findPlacements(const std::string& preprocessed, const std::string& path, std::string* errors) {
    std::vector<Placement> placements;
    const std::string& text = preprocessed;
    LineMap lines(text, path);
    for (std::size_t at = text.find("packoffset"); at != std::string::npos; at = text.find("packoffset", at + 10)) {
        if ((at > 0 && isIdentifier(text[at - 1])) || isIdentifier(text[at + 10])) continue;
        std::size_t colon = at;
        while (colon > 0 && std::isspace(static_cast<unsigned char>(text[colon - 1]))) --colon;
        if (colon == 0 || text[colon - 1] != ':') continue;
        Placement placement;
        placement.variable = declaredName(text, colon - 1);
        placement.location = lines.at(at);
        // ( c [register] [. component] )
        std::size_t cursor = at + 10;
        skipSpace(text, &cursor);
        const std::size_t open = cursor;
        bool good = cursor < text.size() && text[cursor++] == '(';
        skipSpace(text, &cursor);
        good = good && cursor < text.size() && (text[cursor] == 'c' || text[cursor] == 'C');
        ++cursor;
        std::uint32_t reg = 0, component = 0;
        // D3D has 4096 constant registers; more digits than that cannot be a placement.
        while (good && cursor < text.size() && std::isdigit(static_cast<unsigned char>(text[cursor])) && reg < 4096)
            reg = reg * 10 + std::uint32_t(text[cursor++] - '0');
        good = good && reg < 4096;
        skipSpace(text, &cursor);
        if (good && cursor < text.size() && text[cursor] == '.') {
            ++cursor;
            skipSpace(text, &cursor);
            const char* kComponents = "xyzwrgba";
            const char* found = cursor < text.size() && text[cursor] ? std::strchr(kComponents, text[cursor]) : nullptr;
            good = found != nullptr;
            if (good) component = std::uint32_t(found - kComponents) % 4;
            ++cursor;
            skipSpace(text, &cursor);
        }
        good = good && cursor < text.size() && text[cursor] == ')' && !placement.variable.empty();
        const std::size_t close = good ? cursor + 1 : text.find(')', open);
        std::string spelled = "packoffset" + text.substr(open, close == std::string::npos ? 0 : close - open);
        spelled.erase(std::remove_if(spelled.begin(), spelled.end(), [](char c) { return std::isspace(c); }),
                      spelled.end());
        if (!good) {
            *errors += placement.location + ": error: cannot read " + spelled + "\n";
            continue;
        }
        placement.offset = reg * 16 + component * 4;
        placement.spelled = spelled;
        placements.push_back(std::move(placement));
    }
    return placements;
}

}  // namespace shader_compiler
