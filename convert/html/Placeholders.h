// The placeholders that free HTML texts and prototypes carry ("!RefI:" and
// the other "!Re..." forms): one scanner finds them, and each caller says
// what the ones it knows become.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace convert::html {

struct TPlaceholder {
    enum Kind {
        kRefI,  // "!RefI:" + 8 characters: a picture's file
        kRefL,  // "!RefL:": a page's or link's file
        kRefF,  // "!RefF:": a main object's file
        kRefP,  // "!RefP:": a page's whole text
        kRefX,  // "!RefX:": the object's width
        kRefY,  // "!RefY:": the object's height
        kReCF,  // "!ReCF:" + 8 hexadecimal digits: an entry of a prototype's file list
        kReCP,  // "!ReCP:" + name + "!": a component's parameter value
    };
    Kind kind = kRefI;
    std::uint32_t value = 0;  // the eight characters read as hexadecimal
    bool hex = false;         // they were eight hexadecimal digits
    std::string_view name;    // kReCP: the parameter's name
};

// Appends to `out` what a placeholder becomes and returns true, or returns
// false to leave it as it is written.
using TPlaceholderFill = std::function<bool(const TPlaceholder&, std::string& out)>;

// Copies `text` with every placeholder that `fill` takes replaced; anything
// else, "!Re" included, is copied unchanged.
std::string FillPlaceholders(std::string_view text, const TPlaceholderFill& fill);

}  // namespace convert::html
