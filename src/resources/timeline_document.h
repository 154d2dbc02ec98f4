#pragma once

#include <string>
#include <string_view>

#include <pugixml.hpp>

// The timeline file as a text to edit in place: what is changed is changed in the element tree, and everything
// else is written back as it was read: comments, the order of elements and attributes, elements and attributes the
// player does not know, the whitespace between elements (so the indentation of untouched lines), and the bytes
// before and after the `Timeline` element. Within a tag, attribute quotes are written as double quotes and
// character references as the XML writer spells them.
class TimelineDocument {
public:
    // False, with the parser's reason, for a text that is not well-formed XML or has no `Timeline` element.
    bool load(std::string text, std::string* error = nullptr);
    // The edited file's bytes.
    std::string text() const;

    pugi::xml_node timeline() const { return document_.child("Timeline"); }
    // "second" (also absent): `from` and `to` in seconds; else in bytes of the music.
    bool secondsMode() const;
    // The `index`-th `TimelineTrack` in document order (the player's marker `index`); empty when there is none.
    pugi::xml_node track(size_t index) const;

    // Element editing that keeps the file's layout: a new child goes on its own line, indented like its siblings
    // (or one step deeper than its parent), after `after` or else last; a removed element takes its line with it.
    static pugi::xml_node appendElement(pugi::xml_node parent, const char* name, pugi::xml_node after = {});
    static void removeElement(pugi::xml_node element);
    // A deep copy of `element` on its own line right after it.
    static pugi::xml_node duplicateElement(pugi::xml_node element);

    // Sets an attribute, added at the end of the tag when missing.
    static void setText(pugi::xml_node element, const char* name, std::string_view value);
    // 32-bit float with the fewest digits that read back as the same float.
    static void setFloat(pugi::xml_node element, const char* name, float value);
    static void setUnsigned(pugi::xml_node element, const char* name, unsigned value);

private:
    std::string prefix_;  // the bytes before the Timeline element and after it, as they were read
    std::string suffix_;
    pugi::xml_document document_;
};

// Fewest-digit text of a float, "0.1" for 0.1f; integers without a point.
std::string shortestFloatText(float value);
// Seconds to the millisecond without trailing zeros: "12.5", "16", "0.001".
std::string millisecondText(double seconds);
