// A small hypertext with one page's worth of embedded objects, for the
// command-line checks, the benchmarks and the fuzz target: styles 0 and 1
// plus style 2 "Titolo"; instance ids 0 and 3 placed pictures, 1 a 2x2 table,
// 2 and 5 1x1 tables, 4 a button, 6 and 7 5x5 tables, 8..27 placed pictures.
#pragma once

#include <string>
#include <string_view>

#include "model/NYXset.h"
#include "richtext/Box.h"
#include "richtext/Markup.h"

namespace richtext {

// A long generated page over the objects of TSamplePage: 2,000 paragraphs,
// a run change every 20 characters, links, 20 pictures and two 5x5 tables,
// ending with NUL.
const std::string& LongSamplePageText();

class TSamplePage {
public:
    TSamplePage();
    model::TNYXset set;
    TNYXundoIndiciList registry;
    TFixedMetrics metrics;
    TNYXbox box;

    // Loads a text (mode 0) and returns what the box writes back.
    std::string Read(std::string_view text, TMarkupProblemSink* sink = nullptr);
};

}  // namespace richtext
