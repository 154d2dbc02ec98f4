#include "platform/shader_compiler/unreachable_functions.h"

#include <cctype>
#include <map>
#include <set>
#include <vector>

namespace shader_compiler {
namespace {

bool identifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool identifierPart(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Every identifier in text[begin, end), outside directive lines and string literals.
void identifiersIn(const std::string& text, std::size_t begin, std::size_t end, std::set<std::string>* out) {
    for (std::size_t i = begin; i < end;) {
        const char c = text[i];
        if (c == '#') {
            while (i < end && text[i] != '\n') ++i;
        } else if (c == '"') {
            for (++i; i < end && text[i] != '"' && text[i] != '\n'; ++i) {}
            ++i;
        } else if (identifierStart(c) && (i == 0 || !identifierPart(text[i - 1]))) {
            const std::size_t start = i;
            while (i < end && identifierPart(text[i])) ++i;
            out->insert(text.substr(start, i - start));
        } else {
            ++i;
        }
    }
}

struct Function {
    std::string name;
    std::size_t begin = 0, bodyBegin = 0, end = 0;  // declaration start, '{', one past the closing '}'
};

// The identifier just before the first '(' of a declaration, when the declaration is a function's: a '(' at the
// top of the chunk, with no '=' before it (an initializer) and no struct-like keyword in front.
std::string functionName(const std::string& text, std::size_t begin, std::size_t brace) {
    std::set<std::string> words;
    std::size_t open = std::string::npos;
    for (std::size_t i = begin; i < brace; ++i) {
        if (text[i] == '#') {
            while (i < brace && text[i] != '\n') ++i;
        } else if (text[i] == '[') {  // an attribute, "[numthreads(8, 8, 1)]"
            while (i < brace && text[i] != ']') ++i;
        } else if (text[i] == '=') {
            return {};
        } else if (text[i] == '(') {
            open = i;
            break;
        }
    }
    if (open == std::string::npos) return {};
    identifiersIn(text, begin, open, &words);
    for (const char* keyword : {"struct", "cbuffer", "tbuffer", "class", "interface", "namespace"})
        if (words.count(keyword)) return {};
    std::size_t i = open;
    while (i > begin && std::isspace(static_cast<unsigned char>(text[i - 1]))) --i;
    const std::size_t nameEnd = i;
    while (i > begin && identifierPart(text[i - 1])) --i;
    if (i == nameEnd || !identifierStart(text[i])) return {};
    return text.substr(i, nameEnd - i);
}

// Top-level function definitions, and the identifiers used outside them. False when the braces do not balance
// (the text is then left alone).
bool scan(const std::string& text, std::vector<Function>* functions, std::set<std::string>* globalUses) {
    std::size_t statement = 0;  // where the current top-level declaration starts
    int depth = 0;
    std::size_t bodyBegin = 0;
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '#') {  // a directive (the preprocessed text has no other '#'): to the end of its line
            while (i < text.size() && text[i] != '\n') ++i;
            continue;
        }
        if (c == '"') {
            for (++i; i < text.size() && text[i] != '"' && text[i] != '\n'; ++i) {}
            continue;
        }
        if (c == '{') {
            if (depth == 0) {
                current = functionName(text, statement, i);
                bodyBegin = i;
            }
            ++depth;
        } else if (c == '}') {
            if (--depth < 0) return false;
            if (depth == 0 && !current.empty()) {
                functions->push_back({current, statement, bodyBegin, i + 1});
                current.clear();
                statement = i + 1;
            } else if (depth == 0) {
                // A struct or an initializer goes on to its ';'; a cbuffer's block ends here.
                std::size_t next = i + 1;
                while (next < text.size() && std::isspace(static_cast<unsigned char>(text[next]))) ++next;
                if (next >= text.size() || text[next] != ';') {
                    identifiersIn(text, statement, i + 1, globalUses);
                    statement = i + 1;
                }
            }
        } else if (c == ';' && depth == 0) {
            identifiersIn(text, statement, i, globalUses);
            statement = i + 1;
        }
    }
    return depth == 0;
}

}  // namespace

std::string blankUnreachableFunctions(const std::string& preprocessed, const std::string& entryPoint, bool* dropped) {
    *dropped = false;
    std::vector<Function> functions;
    std::set<std::string> roots;
    if (!scan(preprocessed, &functions, &roots)) return preprocessed;
    // Text outside function definitions that no ';' closed (a cbuffer's block) counts as used too.
    std::size_t last = 0;
    for (const Function& f : functions) {
        identifiersIn(preprocessed, last, f.begin, &roots);
        last = f.end;
    }
    identifiersIn(preprocessed, last, preprocessed.size(), &roots);
    roots.insert(entryPoint);

    std::map<std::string, std::set<std::string>> calls;  // by name: what any overload's body names
    for (const Function& f : functions) identifiersIn(preprocessed, f.bodyBegin, f.end, &calls[f.name]);
    std::set<std::string> reached;
    std::vector<std::string> pending;
    for (const std::string& name : roots)
        if (calls.count(name) && reached.insert(name).second) pending.push_back(name);
    while (!pending.empty()) {
        const std::string name = pending.back();
        pending.pop_back();
        for (const std::string& called : calls[name])
            if (calls.count(called) && reached.insert(called).second) pending.push_back(called);
    }

    std::string text = preprocessed;
    for (const Function& f : functions) {
        if (reached.count(f.name)) continue;
        *dropped = true;
        bool directive = false;  // whether the current line is a directive, which stays
        std::size_t lineStart = f.begin;
        while (lineStart > 0 && text[lineStart - 1] != '\n') --lineStart;
        for (std::size_t i = lineStart; i < f.end; ++i) {
            if (i == lineStart || text[i - 1] == '\n') {
                std::size_t j = i;
                while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
                directive = j < text.size() && text[j] == '#';
            }
            if (i >= f.begin && text[i] != '\n' && !directive) text[i] = ' ';
        }
    }
    return text;
}

}  // namespace shader_compiler
