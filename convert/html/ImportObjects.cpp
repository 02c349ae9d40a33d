// Objects of an imported page: pictures, image maps and plug-ins.
#include "convert/html/ImportScan.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <new>
#include <set>
#include <stdexcept>
#include <system_error>

#include "convert/Converter.h"
#include "convert/html/Encoding.h"
#include "convert/html/Entities.h"
#include "markup/Lexer.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "richtext/Attributes.h"
#include "richtext/Markup.h"
#include "richtext/StyleSheet.h"

namespace convert::html {

// --- objects ----------------------------------------------------------------------------------

void THtmlScan::Img() {
    const std::string* src = Attr("SRC");
    const std::int32_t pic = src ? LoadPicture(*src) : -1;
    if (pic < 0) {
        ++imp_.report_.picturesMissing;
        EmitText("[i] ");
        return;
    }
    TNYXoggetto* placed = set_.NewPlacedPicture(set_.ObjectByRef(pic));
    if (!placed) return;
    if (!placed->Registered()) set_.RegisterObject(model::immagineNew, -1, placed);
    if (const std::string* w = Attr("WIDTH"); w && w->find('%') == std::string::npos) {
        const int v = ToInt(*w, -1);
        if (v > 0 && v < 65536) placed->SetWord(19, static_cast<std::uint16_t>(v));
    }
    if (const std::string* h = Attr("HEIGHT"); h && h->find('%') == std::string::npos) {
        const int v = ToInt(*h, -1);
        if (v > 0 && v < 65536) placed->SetWord(21, static_cast<std::uint16_t>(v));
    }
    if (const std::string* low = Attr("LOWSRC")) {
        const std::int32_t l = LoadPicture(*low);
        if (l >= 0) placed->SetInt(model::placedrec::kLowRes, l);
    }
    if (const std::string* map = Attr("USEMAP")) {
        std::string name = LowerS(Trim(*map));
        if (!name.empty() && name[0] == '#') name.erase(0, 1);
        if (!name.empty()) usemaps_.emplace_back(placed, name);
    }
    if (const std::string* alt = Attr("ALT")) placed->SetStr(28, 32, Cut(*alt, 32));
    if (const std::string* align = Attr("ALIGN")) {
        static constexpr const char* kWords[] = {"LEFT", "RIGHT", "CENTER", "TOP", "MIDDLE", "BOTTOM"};
        const std::string a = Upper(Trim(*align));
        for (int i = 0; i < 6; ++i)
            if (a == kWords[i]) placed->SetByte(13, static_cast<std::uint8_t>(i));
    }
    placed->SetByte(14, 0);
    EmitObject(placed);
}

void THtmlScan::Map() {
    const std::string* name = Attr("NAME");
    currentMap_ = name ? LowerS(Trim(*name)) : std::string();
    if (!currentMap_.empty()) maps_[currentMap_];
}

void THtmlScan::Area() {
    if (currentMap_.empty()) return;
    auto& zones = maps_[currentMap_];
    if (zones.size() >= kMaxZones) return;
    const std::string* href = Attr("HREF");
    if (!href) return;
    const std::int32_t link = LinkFor(*href);
    if (link < 0) return;
    const std::string shape = Attr("SHAPE") ? LowerS(Trim(*Attr("SHAPE"))) : std::string();
    TZone z{link, 10 * static_cast<int>(zones.size()), 0, 20, 20};
    if (shape.empty() || shape == "rect" || shape == "rectangle") {
        int c[4] = {0, 0, 0, 0};
        if (const std::string* coords = Attr("COORDS")) {
            std::size_t p = 0;
            for (int& v : c) {
                std::size_t e = coords->find(',', p);
                if (e == std::string::npos) e = coords->size();
                v = ToInt(std::string_view(*coords).substr(p, e - p), 0);
                p = std::min(coords->size(), e + 1);
            }
        }
        z = {link, c[0], c[1], std::max(5, c[2] - c[0]), std::max(5, c[3] - c[1])};
    }
    zones.push_back(z);
}

void THtmlScan::Embed(std::size_t begin) {
    std::size_t end = p_;
    // Everything up to "</EMBED>" when the element has one before the next EMBED.
    const std::size_t close = FindNoCase(s_, p_, "</embed");
    const std::size_t again = FindNoCase(s_, p_, "<embed");
    if (close != std::string_view::npos && (again == std::string_view::npos || close < again)) {
        const std::size_t gt = s_.find('>', close);
        end = gt == std::string_view::npos ? s_.size() : gt + 1;
    }
    TNYXoggetto* o = set_.NewObject(model::multiMedia);
    Zero(*o, 5, 60);
    o->SetSubtype(5);
    o->SetInt(17, -1);
    o->SetInt(21, -1);
    o->SetWord(27, 0xFFFF);
    if (const std::string* w = Attr("WIDTH")) o->SetWord(33, static_cast<std::uint16_t>(std::clamp(ToInt(*w, 0), 0, 32767)));
    if (const std::string* h = Attr("HEIGHT")) o->SetWord(35, static_cast<std::uint16_t>(std::clamp(ToInt(*h, 0), 0, 32767)));
    std::string second(4, '\0');
    second += s_.substr(begin, end - begin);
    o->SetSecondStream(std::move(second));
    p_ = end;
    EmitObject(o);
}

}  // namespace convert::html
