// The style sheet: a DIV class and an A class for every paragraph style.
#include <algorithm>

#include "convert/html/TextWalk.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/text.h"
#include "richtext/Attributes.h"

namespace convert::html {

using model::TNYXoggetto;
using model::TNYXset;

std::string TNYXtoHtml::StyleSheetText() const {
    std::string o = std::string("/* ") + kGenerator + " automatic CSS */\r\n\r\n";
    if (!LinkedNYXset) return o;
    const TNYXset& set = *LinkedNYXset;
    for (std::size_t i = 0; i < set.Count(model::stileParagrafo); ++i) {
        const TNYXoggetto* s = set.ObjectAt(model::stileParagrafo, static_cast<std::int64_t>(i));
        if (!Exists(s)) continue;
        using namespace richtext;
        std::string name = s->GetName();
        for (std::size_t p; (p = name.find("*/")) != std::string::npos;) name.replace(p, 2, "* /");
        const TFont f = StyleFont(s);
        const int unit = StyleValue(s, pfUnit);
        const std::string n = std::to_string(i);
        o += "/* " + name + " */\r\n" + "DIV.s" + n + " {\r\n";
        std::string face = f.face;
        face.erase(std::remove_if(face.begin(), face.end(), [](char c) { return c == '"' || c == '\\' || c == '}' || c == '{' || c == ';'; }), face.end());
        o += "\tfont-family:\"" + face + "\";\r\n\tfont-size:" + Str(f.size) + "pt;\r\n\tcolor:#" + ColourText(f.colour) + ";\r\n";
        if (f.bits & kItalic) o += "\tfont-style:italic;\r\n";
        if (f.bits & kBold) o += "\tfont-weight:bold;\r\n";
        if (f.bits & kUnderline) o += "\ttext-decoration:underline;\r\n";
        else if (f.bits & kStrikeOut) o += "\ttext-decoration:line-through;\r\n";
        const std::int32_t lh = StyleValue(s, pfLineHeight);
        if (lh != -32000 && lh > 0) o += "\tline-height:" + LengthText(lh, unit) + ";\r\n";
        o += "\tmargin-left:" + LengthText(StyleValue(s, pfLeft), unit) + ";\r\n";
        o += "\tmargin-right:" + LengthText(StyleValue(s, pfRight), unit) + ";\r\n";
        o += "\tmargin-top:" + LengthText(StyleValue(s, pfAbove), unit) + ";\r\n";
        o += "\tmargin-bottom:" + LengthText(StyleValue(s, pfBelow), unit) + ";\r\n";
        o += "\ttext-indent:" + LengthText(StyleValue(s, pfIndent), unit) + ";\r\n";
        o += "\ttext-align:" + AlignWord(StyleValue(s, pfAlign)) + ";\r\n";
        const int list = StyleValue(s, pfList);
        o += list == 6 ? "\tlist-style-type:decimal;" : list == 10 ? "\tlist-style-type:disc;" : "\tlist-style-type:none;";
        o += "\t}\r\n";
        const int lbits = StyleValue(s, pfLinkStyle);
        o += "A.s" + n + " {\r\n\tcolor:#" + ColourText(static_cast<std::uint32_t>(StyleValue(s, pfLinkColour))) + ";\r\n";
        if (StyleValue(s, pfLinkSize) > 0) o += "\tfont-size:" + Str(StyleValue(s, pfLinkSize)) + "pt;\r\n";
        if (lbits & kItalic) o += "\tfont-style:italic;\r\n";
        if (lbits & kBold) o += "\tfont-weight:bold;\r\n";
        if (!(lbits & kUnderline)) o += "\ttext-decoration:none;\r\n";
        else if (lbits & kStrikeOut) o += "\ttext-decoration:line-through;\r\n";
        o += "\t}\r\n";
    }
    return o;
}

bool TNYXtoHtml::WriteStyleSheet() { return WriteFile(StyleSheetName(), platform::text::Cp1252ToUtf8(StyleSheetText())); }

}  // namespace convert::html
