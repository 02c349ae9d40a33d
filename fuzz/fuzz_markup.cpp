// Markup reader: any bytes read into a box without fault, and what the box
// writes back reads back to the same text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "richtext/SamplePage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static richtext::TSamplePage* page = new richtext::TSamplePage();
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string once = page->Read(in);
    if (page->box.paragraphs.empty()) std::abort();
    for (const auto& p : page->box.paragraphs)
        if (p->recs.size() != p->text.size() + 1) std::abort();
    std::string twice = page->Read(once);
    if (twice != once) {
        std::fprintf(stderr, "not stable:\n%s\n%s\n", once.c_str(), twice.c_str());
        std::abort();
    }
    // Relayout of everything changes nothing.
    richtext::RelayoutParagraphs(page->box, 0, static_cast<std::int32_t>(page->box.paragraphs.size()) - 1);
    if (richtext::BoxText(page->box) != once) std::abort();
    return 0;
}
