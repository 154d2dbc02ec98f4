#include "resources/timeline_document.h"

#include <charconv>
#include <cmath>
#include <sstream>

namespace {

// Everything the parser can keep: comments, processing instructions, the declaration, the doctype and the
// whitespace between elements. Line ends are kept as they are (no \r\n folding), so untouched lines keep them.
constexpr unsigned kParseOptions = (pugi::parse_full | pugi::parse_ws_pcdata) & ~pugi::parse_eol;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where the last node at the top level ends: the text after it is only whitespace, comments and processing
// instructions, which the writer would lose the whitespace between.
size_t endOfLastTopLevelNode(const std::string& text, size_t lowest) {
    size_t end = text.size();
    while (end > lowest) {
        while (end > lowest && isSpace(text[end - 1])) --end;
        if (end >= 3 && text.compare(end - 3, 3, "-->") == 0) {
            const size_t open = text.rfind("<!--", end - 3);
            if (open == std::string::npos || open < lowest) break;
            end = open;
        } else if (end >= 2 && text.compare(end - 2, 2, "?>") == 0) {
            const size_t open = text.rfind("<?", end - 2);
            if (open == std::string::npos || open < lowest) break;
            end = open;
        } else {
            break;
        }
    }
    return end;
}

// The whitespace node right before `node`, if that is what precedes it.
pugi::xml_node whitespaceBefore(pugi::xml_node node) {
    pugi::xml_node previous = node.previous_sibling();
    if (previous.type() != pugi::node_pcdata) return {};
    for (const char* c = previous.value(); *c; ++c)
        if (!isSpace(*c)) return {};
    return previous;
}

// The indentation of a line-starting node: what follows the last line end of the whitespace before it; null
// when the node does not start a line.
bool lineIndent(pugi::xml_node node, std::string& indent) {
    pugi::xml_node space = whitespaceBefore(node);
    if (!space) return false;
    const std::string value = space.value();
    const size_t newline = value.find_last_of('\n');
    if (newline == std::string::npos) return false;
    indent = value.substr(newline + 1);
    return true;
}

std::string lineEnd(pugi::xml_node node) {
    // A file written with \r\n gets \r\n on its new lines too.
    for (pugi::xml_node n = node; n; n = n.parent()) {
        if (pugi::xml_node space = whitespaceBefore(n)) return std::string(space.value()).find("\r\n") != std::string::npos ? "\r\n" : "\n";
    }
    return "\n";
}

pugi::xml_node lastElementChild(pugi::xml_node parent) {
    pugi::xml_node last;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element) last = child;
    return last;
}

}  // namespace

std::string shortestFloatText(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string millisecondText(double seconds) {
    const double millis = std::round(seconds * 1000.0);
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, millis / 1000.0, std::chars_format::fixed, 3);
    std::string text(buffer, result.ptr);
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

bool TimelineDocument::load(std::string text, std::string* error) {
    const pugi::xml_parse_result result =
        document_.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    if (!result) {
        if (error) *error = std::string(result.description()) + " at offset " + std::to_string(result.offset);
        return false;
    }
    if (!timeline()) {
        if (error) *error = "no Timeline element";
        return false;
    }
    pugi::xml_node first = document_.first_child();
    while (first && first.type() != pugi::node_element) first = first.next_sibling();
    const size_t start = static_cast<size_t>(first.offset_debug()) - 1;  // the offset is the name's, after '<'
    const size_t end = endOfLastTopLevelNode(text, start);
    prefix_ = text.substr(0, start);
    suffix_ = text.substr(end);
    return true;
}

std::string TimelineDocument::text() const {
    std::ostringstream out;
    out << prefix_;
    pugi::xml_node node = document_.first_child();
    while (node && node.type() != pugi::node_element) node = node.next_sibling();
    // Up to the last element: what follows it is kept in the suffix as it was read.
    const pugi::xml_node last = lastElementChild(document_);
    for (; node; node = node.next_sibling()) {
        node.print(out, "", pugi::format_raw, pugi::encoding_utf8);
        if (node == last) break;
    }
    out << suffix_;
    return out.str();
}

bool TimelineDocument::secondsMode() const {
    return std::string_view(timeline().attribute("timeunit").as_string("second")) == "second";
}

pugi::xml_node TimelineDocument::track(size_t index) const {
    for (pugi::xml_node track : timeline().children("TimelineTrack")) {
        if (index-- == 0) return track;
    }
    return {};
}

pugi::xml_node TimelineDocument::appendElement(pugi::xml_node parent, const char* name, pugi::xml_node after) {
    if (!after) after = lastElementChild(parent);
    const std::string newline = lineEnd(parent);
    std::string indent;
    if (after) {
        if (!lineIndent(after, indent)) return parent.insert_child_after(name, after);  // siblings on one line
        pugi::xml_node element = parent.insert_child_after(name, after);
        parent.insert_child_before(pugi::node_pcdata, element).set_value((newline + indent).c_str());
        return element;
    }
    // The first child. A key goes on its parameter's line, as keys usually are; anything else on a line of its
    // own, one step deeper than the parent (the step the file uses between the parent and its parent).
    if (std::string_view(name) == "Key") return parent.append_child(name);
    std::string parentIndent, outerIndent;
    lineIndent(parent, parentIndent);
    std::string step = "  ";
    if (pugi::xml_node outer = parent.parent(); outer && lineIndent(outer, outerIndent) &&
                                                parentIndent.size() > outerIndent.size() &&
                                                parentIndent.compare(0, outerIndent.size(), outerIndent) == 0) {
        step = parentIndent.substr(outerIndent.size());
    }
    // Whatever the parent held (whitespace of an empty element written open) is replaced.
    while (pugi::xml_node child = parent.first_child()) parent.remove_child(child);
    parent.append_child(pugi::node_pcdata).set_value((newline + parentIndent + step).c_str());
    pugi::xml_node element = parent.append_child(name);
    parent.append_child(pugi::node_pcdata).set_value((newline + parentIndent).c_str());
    return element;
}

void TimelineDocument::removeElement(pugi::xml_node element) {
    pugi::xml_node parent = element.parent();
    if (pugi::xml_node space = whitespaceBefore(element)) {
        std::string indent;
        if (lineIndent(element, indent)) parent.remove_child(space);
    }
    parent.remove_child(element);
    // The last child gone: the element closes on the line it opens, as an empty element is written.
    if (!lastElementChild(parent)) {
        bool onlySpace = true;
        for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
            onlySpace = onlySpace && child.type() == pugi::node_pcdata &&
                        std::string_view(child.value()).find_first_not_of(" \t\r\n") == std::string_view::npos;
        if (onlySpace)
            while (pugi::xml_node child = parent.first_child()) parent.remove_child(child);
    }
}

pugi::xml_node TimelineDocument::duplicateElement(pugi::xml_node element) {
    pugi::xml_node parent = element.parent();
    pugi::xml_node copy = parent.insert_copy_after(element, element);
    if (pugi::xml_node space = whitespaceBefore(element)) {
        parent.insert_copy_before(space, copy);
    }
    return copy;
}

void TimelineDocument::setText(pugi::xml_node element, const char* name, std::string_view value) {
    pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute) attribute = element.append_attribute(name);
    attribute.set_value(std::string(value).c_str());
}

void TimelineDocument::setFloat(pugi::xml_node element, const char* name, float value) {
    setText(element, name, shortestFloatText(value));
}

void TimelineDocument::setUnsigned(pugi::xml_node element, const char* name, unsigned value) {
    setText(element, name, std::to_string(value));
}
