#include "platform/shader_compiler/initializer_braces.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace shader_compiler {
namespace {

// A type an initializer can fill: scalars, vectors, matrices, structs and arrays of them.
struct Shape {
    enum Kind { Scalar, Vector, Matrix, Struct, Array } kind = Scalar;
    int count = 1;  // vector components, matrix rows x columns, array length
    std::string name;  // a matrix's HLSL name ("float3x3"), for its constructor
    std::vector<std::shared_ptr<const Shape>> members;  // a struct's; an array's element at [0]
};
using ShapePtr = std::shared_ptr<const Shape>;

bool isIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// "float", "float3", "float4x4", "min16float2", "uint", "bool3", ...
std::optional<Shape> builtinShape(const std::string& word) {
    static const char* const kScalars[] = {"min16float", "min10float", "min16int", "min12int", "min16uint",
                                           "float", "half", "double", "int", "uint", "bool", "dword"};
    for (const char* scalar : kScalars) {
        const std::string base = scalar;
        if (word.compare(0, base.size(), base) != 0) continue;
        const std::string rest = word.substr(base.size());
        Shape shape;
        if (rest.empty()) return shape;
        if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4') {
            shape.kind = rest[0] == '1' ? Shape::Scalar : Shape::Vector;
            shape.count = rest[0] - '0';
            return shape;
        }
        if (rest.size() == 3 && rest[1] == 'x' && rest[0] >= '1' && rest[0] <= '4' && rest[2] >= '1' &&
            rest[2] <= '4') {
            shape.kind = Shape::Matrix;
            shape.count = (rest[0] - '0') * (rest[2] - '0');
            shape.name = word;
            return shape;
        }
    }
    return std::nullopt;
}

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    std::string run(bool* rewritten) {
        readStructs();
        std::string out;
        std::size_t copied = 0;
        for (std::size_t at = text_.find('='); at != std::string::npos; at = text_.find('=', at + 1)) {
            std::size_t open = at + 1;
            while (open < text_.size() && std::isspace(static_cast<unsigned char>(text_[open]))) ++open;
            if (open >= text_.size() || text_[open] != '{') continue;
            if (at > 0 && std::strchr("=!<>+-*/%&|^", text_[at - 1])) continue;
            const std::size_t close = matching(open);
            if (close == std::string::npos) continue;
            std::optional<std::string> braced = rewrite(at, open, close);
            if (!braced) continue;
            out += text_.substr(copied, open - copied) + *braced;
            copied = close + 1;
            *rewritten = true;
            at = close;
        }
        return out + text_.substr(copied);
    }

private:
    std::size_t matching(std::size_t open) const {
        int depth = 0;
        for (std::size_t i = open; i < text_.size(); ++i) {
            if (text_[i] == '{') ++depth;
            if (text_[i] == '}' && --depth == 0) return i;
            if (text_[i] == ';') return std::string::npos;
        }
        return std::string::npos;
    }

    // The words and brackets before `end`, back to the start of the declaration.
    std::vector<std::string> tokensBefore(std::size_t end) const {
        std::vector<std::string> tokens;
        std::size_t i = end;
        while (i > 0) {
            const char c = text_[i - 1];
            if (std::isspace(static_cast<unsigned char>(c))) {
                --i;
            } else if (isIdentifierChar(c)) {
                std::size_t begin = i;
                while (begin > 0 && isIdentifierChar(text_[begin - 1])) --begin;
                tokens.insert(tokens.begin(), text_.substr(begin, i - begin));
                i = begin;
            } else if (c == '[' || c == ']') {
                tokens.insert(tokens.begin(), std::string(1, c));
                --i;
            } else {
                break;
            }
        }
        return tokens;
    }

    // "Type name[2][3]" before an initializer: the type's shape with the arrays around it.
    ShapePtr declaredShape(std::size_t equals) const {
        std::vector<std::string> tokens = tokensBefore(equals);
        std::vector<int> dims;
        while (tokens.size() >= 3 && tokens.back() == "]") {
            const int size = std::atoi(tokens[tokens.size() - 2].c_str());
            if (tokens[tokens.size() - 3] != "[" || size <= 0) return nullptr;
            dims.insert(dims.begin(), size);
            tokens.resize(tokens.size() - 3);
        }
        if (tokens.size() < 2) return nullptr;
        ShapePtr shape = shapeOf(tokens[tokens.size() - 2]);
        for (auto dim = dims.rbegin(); shape && dim != dims.rend(); ++dim) {
            auto array = std::make_shared<Shape>();
            array->kind = Shape::Array;
            array->count = *dim;
            array->members.push_back(shape);
            shape = array;
        }
        return shape;
    }

    ShapePtr shapeOf(const std::string& word) const {
        if (std::optional<Shape> builtin = builtinShape(word)) return std::make_shared<Shape>(*builtin);
        auto found = structs_.find(word);
        return found == structs_.end() ? nullptr : found->second;
    }

    // struct NAME { TYPE a, b[2]; ... };
    void readStructs() {
        for (std::size_t at = text_.find("struct"); at != std::string::npos; at = text_.find("struct", at + 6)) {
            if ((at > 0 && isIdentifierChar(text_[at - 1])) || isIdentifierChar(text_[at + 6])) continue;
            std::size_t nameStart = at + 6;
            while (nameStart < text_.size() && std::isspace(static_cast<unsigned char>(text_[nameStart]))) ++nameStart;
            std::size_t nameEnd = nameStart;
            while (nameEnd < text_.size() && isIdentifierChar(text_[nameEnd])) ++nameEnd;
            const std::size_t open = text_.find('{', nameEnd);
            const std::size_t close = open == std::string::npos ? open : text_.find('}', open);
            if (nameEnd == nameStart || close == std::string::npos) continue;
            auto shape = std::make_shared<Shape>();
            shape->kind = Shape::Struct;
            bool known = true;
            std::size_t cursor = open + 1;
            while (known && cursor < close) {
                std::size_t semicolon = text_.find(';', cursor);
                if (semicolon == std::string::npos || semicolon > close) break;
                known = readMember(text_.substr(cursor, semicolon - cursor), shape.get());
                cursor = semicolon + 1;
            }
            if (known) structs_[text_.substr(nameStart, nameEnd - nameStart)] = shape;
        }
    }

    bool readMember(std::string declaration, Shape* owner) const {
        const std::size_t semantic = declaration.find(':');
        if (semantic != std::string::npos) declaration.resize(semantic);
        std::vector<std::string> words;
        std::string word;
        for (char c : declaration + " ") {
            if (isIdentifierChar(c)) {
                word += c;
            } else {
                if (!word.empty()) words.push_back(word);
                word.clear();
                if (c == '[' || c == ']' || c == ',') words.push_back(std::string(1, c));
            }
        }
        // Modifiers, then the type, then names with their arrays.
        static const char* const kModifiers[] = {"linear", "centroid", "nointerpolation", "noperspective", "sample",
                                                 "row_major", "column_major", "precise", "const"};
        std::size_t i = 0;
        while (i < words.size() && std::any_of(std::begin(kModifiers), std::end(kModifiers),
                                               [&](const char* m) { return words[i] == m; }))
            ++i;
        if (i >= words.size()) return true;  // nothing declared
        ShapePtr type = shapeOf(words[i++]);
        if (!type) return false;
        while (i < words.size()) {
            if (words[i] == ",") {
                ++i;
                continue;
            }
            ++i;  // the name
            std::vector<int> dims;
            while (i + 2 < words.size() + 0 && words[i] == "[" && words[i + 2] == "]") {
                dims.push_back(std::atoi(words[i + 1].c_str()));
                i += 3;
            }
            ShapePtr member = type;
            for (auto dim = dims.rbegin(); dim != dims.rend(); ++dim) {
                if (*dim <= 0) return false;
                auto array = std::make_shared<Shape>();
                array->kind = Shape::Array;
                array->count = *dim;
                array->members.push_back(member);
                member = array;
            }
            owner->members.push_back(member);
        }
        return true;
    }

    // The list's leaves in order, each with its scalar count; empty when a leaf cannot be counted.
    struct Leaf {
        std::string text;
        int scalars = 1;
        std::vector<std::string> parts;  // a constructor's arguments, when each is one scalar
    };

    bool readLeaves(std::size_t open, std::size_t close, std::vector<Leaf>* leaves) const {
        std::size_t start = open + 1;
        int parens = 0;
        for (std::size_t i = open + 1; i <= close; ++i) {
            const char c = text_[i];
            if (c == '(') ++parens;
            if (c == ')') --parens;
            if (c == '{') {
                const std::size_t inner = matching(i);
                if (inner == std::string::npos || !readLeaves(i, inner, leaves)) return false;
                i = inner;
                start = i + 1;
                continue;
            }
            if (parens == 0 && (c == ',' || i == close)) {
                std::string piece = text_.substr(start, i - start);
                const std::size_t first = piece.find_first_not_of(" \t\r\n");
                if (first != std::string::npos) {
                    piece = piece.substr(first, piece.find_last_not_of(" \t\r\n") - first + 1);
                    Leaf leaf;
                    if (!countLeaf(piece, &leaf)) return false;
                    leaves->push_back(std::move(leaf));
                }
                start = i + 1;
            }
        }
        return true;
    }

    static bool isNumber(const std::string& text) {
        if (text == "true" || text == "false") return true;
        std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
        bool digits = false;
        while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.')) {
            digits = digits || text[i] != '.';
            ++i;
        }
        if (digits && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
            ++i;
            if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        }
        while (i < text.size() && std::strchr("fFhHlLuU", text[i])) ++i;
        return digits && i == text.size();
    }

    bool countLeaf(const std::string& text, Leaf* leaf) const {
        leaf->text = text;
        if (isNumber(text)) return true;
        const std::size_t paren = text.find('(');
        if (paren == std::string::npos || text.back() != ')') return false;
        std::optional<Shape> shape = builtinShape(text.substr(0, text.find_last_not_of(" \t", paren - 1) + 1));
        if (!shape || shape->kind == Shape::Struct) return false;
        leaf->scalars = shape->count;
        // Arguments that are each one number can be split among the slots they fill.
        std::string arguments = text.substr(paren + 1, text.size() - paren - 2);
        std::size_t start = 0;
        for (std::size_t i = 0; i <= arguments.size(); ++i) {
            if (i == arguments.size() || arguments[i] == ',') {
                std::string part = arguments.substr(start, i - start);
                const std::size_t first = part.find_first_not_of(" \t\r\n");
                part = first == std::string::npos ? "" : part.substr(first, part.find_last_not_of(" \t\r\n") - first + 1);
                if (!isNumber(part)) {
                    leaf->parts.clear();
                    return true;
                }
                leaf->parts.push_back(part);
                start = i + 1;
            }
        }
        if (int(leaf->parts.size()) != leaf->scalars) leaf->parts.clear();
        return true;
    }

    // Takes `count` scalars from the leaves as one piece of text (for a vector or matrix slot, its components).
    std::optional<std::vector<std::string>> take(std::vector<Leaf>& leaves, std::size_t* next, int count) const {
        std::vector<std::string> scalars;
        while (int(scalars.size()) < count) {
            if (*next >= leaves.size()) return std::nullopt;
            Leaf& leaf = leaves[*next];
            const int wanted = count - int(scalars.size());
            const bool whole = scalars.empty() && leaf.scalars == count && !leaf.text.empty();
            if (whole) {
                // A value or constructor that fills the slot as it stands.
                ++*next;
                return std::vector<std::string>{leaf.text};
            }
            if (leaf.scalars == 1 || (leaf.scalars <= wanted && !leaf.parts.empty())) {
                // One number, or a constructor of numbers that fits: its numbers go in one by one.
                ++*next;
                if (leaf.scalars == 1) scalars.push_back(leaf.text);
                else scalars.insert(scalars.end(), leaf.parts.begin(), leaf.parts.end());
            } else if (!leaf.parts.empty()) {
                // A constructor that spans two slots: its numbers are shared out.
                scalars.insert(scalars.end(), leaf.parts.begin(), leaf.parts.begin() + wanted);
                leaf.parts.erase(leaf.parts.begin(), leaf.parts.begin() + wanted);
                leaf.scalars -= wanted;
                leaf.text = leaf.parts.size() == 1 ? leaf.parts[0] : "";
                if (leaf.scalars == 1) leaf.parts.clear();
            } else {
                return std::nullopt;
            }
        }
        return scalars;
    }

    std::optional<std::string> fill(const Shape& shape, std::vector<Leaf>& leaves, std::size_t* next) const {
        // Written out piece by piece: GCC 12 warns falsely about `"{" + std::string`.
        auto joined = [](const std::string& open, const std::vector<std::string>& parts, char close) {
            std::string out = open;
            for (std::size_t i = 0; i < parts.size(); ++i) {
                if (i) out += ", ";
                out += parts[i];
            }
            out += close;
            return out;
        };
        switch (shape.kind) {
            case Shape::Scalar: {
                auto scalars = take(leaves, next, 1);
                return scalars ? std::optional<std::string>((*scalars)[0]) : std::nullopt;
            }
            case Shape::Vector:
            case Shape::Matrix: {
                auto scalars = take(leaves, next, shape.count);
                if (!scalars) return std::nullopt;
                if (scalars->size() == 1) return (*scalars)[0];
                return shape.kind == Shape::Vector ? joined("{", *scalars, '}') : joined(shape.name + "(", *scalars, ')');
            }
            case Shape::Struct:
            case Shape::Array: {
                std::vector<std::string> parts;
                const int count = shape.kind == Shape::Array ? shape.count : int(shape.members.size());
                for (int i = 0; i < count; ++i) {
                    const Shape& part = *shape.members[shape.kind == Shape::Array ? 0 : i];
                    auto filled = fill(part, leaves, next);
                    if (!filled) return std::nullopt;
                    parts.push_back(*filled);
                }
                return joined("{", parts, '}');
            }
        }
        return std::nullopt;
    }

    std::optional<std::string> rewrite(std::size_t equals, std::size_t open, std::size_t close) const {
        ShapePtr shape = declaredShape(equals);
        if (!shape || (shape->kind != Shape::Struct && shape->kind != Shape::Array)) return std::nullopt;
        std::vector<Leaf> leaves;
        if (!readLeaves(open, close, &leaves)) return std::nullopt;
        std::size_t next = 0;
        std::optional<std::string> braced = fill(*shape, leaves, &next);
        if (!braced || next != leaves.size()) return std::nullopt;
        return braced;
    }

    const std::string& text_;
    std::map<std::string, ShapePtr> structs_;
};

}  // namespace

std::string braceInitializers(const std::string& preprocessed, bool* rewritten) {
    *rewritten = false;
    return Reader(preprocessed).run(rewritten);
}

}  // namespace shader_compiler
