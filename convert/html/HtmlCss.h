// The small part of CSS the HTML import reads: declarations of STYLE
// attributes and of style sheet rules, colours, lengths and font sizes, and
// the rules "DIV.class" and "A.class" of a style sheet.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace convert::html {

// Calls fn(property in lower case, value trimmed) for every "name: value"
// of a declaration list ("a:b; c:d").
void ForEachDeclaration(std::string_view decls, const std::function<void(std::string_view, std::string_view)>& fn);

// A colour as 0x00BBGGRR: "#RRGGBB", "RRGGBB", "#RGB", "rgb(r, g, b)" or one
// of the HTML colour names; -1 when unreadable.
std::int64_t ParseColour(std::string_view v);

// A length: a number and a unit ("cm", "mm", "in", "pt", "pc", "px"; none is
// pixels). `unit` receives the unit number (0 cm ... 5 px); false when
// unreadable.
bool ParseLength(std::string_view v, double& value, int& unit);

// A CSS font size in points, given the size in force; -1 when unreadable.
int ParseFontSize(std::string_view v, int current);

// The first family of a font-family list, without quotes, double quotes or
// ">", at most 32 characters.
std::string CleanFace(std::string_view v);

// One rule of a style sheet for a class: "DIV.name" (a paragraph style) or
// "A.name" (its link appearance), with the comment that came just before it
// (the name the exporter gives the style).
struct TCssRule {
    bool link = false;         // "A." rule
    std::string cls;           // class name, lower case
    std::string comment;       // text of the comment before the rule, trimmed
    std::string declarations;  // between the braces
};

// The class rules of a style sheet with a simple selector (one element, one
// class), in order; other rules are ignored.
std::vector<TCssRule> ParseClassRules(std::string_view sheet);

}  // namespace convert::html
