// The choices of the page properties dialog, read from a page record and
// written back into it. Toolkit-free: the dialog only shows and edits these.
//
// Texts are Windows-1252 bytes, as in the model; messages are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace model {
class TNYXset;
class TNYXoggetto;
}  // namespace model

namespace shell {

struct TPageChoices {
    std::string title;       // ignored when autoTitle
    bool autoTitle = false;  // the page takes its title from its first words ("Senza titolo")
    std::int32_t textColour = 0, linkColour = 0, visitedColour = 0, backColour = 0;
    std::int32_t backPicture = -1;  // slot index among the pictures, -1 none
    bool fixedBackground = false;
    std::vector<std::string> keywords;  // at most 20, each at most 79 characters
    std::int32_t headerPage = -1;       // slot index of a page, -1: the hypertext's header page
    std::int32_t footerPage = -1;
    std::int16_t chapter = 0, position = 0;  // place in the number order; negative position: out of it
    std::int32_t nextSlide = -1;             // reference of the page shown next in a slide show, -1 none
    std::string alias;                       // another name the page is published under
    std::string headHtml;                    // free HTML text of the page's head

    bool operator==(const TPageChoices&) const = default;
};

constexpr std::size_t kKeywordCap = 79;
constexpr std::size_t kMaxPageKeywords = 20;
constexpr std::size_t kAliasCap = 255;
inline constexpr const char* kAutoTitle = "Senza titolo";

TPageChoices ReadPageChoices(const model::TNYXset& set, const model::TNYXoggetto& page);

// Empty when the choices can be written into `page`; otherwise the message
// that tells the author what to mend.
std::string CheckPageChoices(const model::TNYXset& set, const model::TNYXoggetto& page, const TPageChoices& c);

// Writes checked choices into the page: a snapshot of the page goes to the
// hypertext's undo list first, keywords not yet in the hypertext are made,
// and the hypertext is marked changed. False (nothing written) when the
// choices do not pass CheckPageChoices or change nothing.
bool ApplyPageChoices(model::TNYXset& set, model::TNYXoggetto& page, const TPageChoices& c);

// Splits "a, b,c" into trimmed, non-empty keywords (Windows-1252 bytes).
std::vector<std::string> SplitKeywords(const std::string& list);

}  // namespace shell
