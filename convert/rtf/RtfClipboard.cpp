#include "convert/rtf/RtfClipboard.h"

#include "convert/rtf/NYXtortf.h"
#include "richtext/Clipboard.h"

namespace convert::rtf {

void RegisterRtfClipboard() {
    richtext::TForeignClipFormat f;
    f.mime = kRtfMime;
    f.fromContainer = [](model::TNYXset& set, std::string_view container) {
        richtext::TClipContainer c;
        if (richtext::ParseContainer(container, c) != richtext::ClipParse::Ok) return std::string();
        TNYXtortf x(&set);
        std::string rtf = x.ExportSelection(c.markup);
        if (!rtf.empty() && rtf.back() == '\0') rtf.pop_back();  // the clipboard carries its own length
        return rtf;
    };
    f.toContainer = [](model::TNYXset& set, std::string_view foreign, int style) {
        TNYXtortf x(&set);
        return x.ImportFragment(foreign, style);
    };
    richtext::RegisterForeignClipFormat(std::move(f));
}

}  // namespace convert::rtf
