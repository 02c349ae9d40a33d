// Form elements of an imported page: FORM, INPUT, SELECT and TEXTAREA.
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

void THtmlScan::Form() {
    TNYXoggetto* o = set_.NewObject(model::inizioForm);
    Zero(*o, 5, 360);
    const std::string method = Attr("METHOD") ? LowerS(Trim(*Attr("METHOD"))) : std::string();
    int sub = method == "get" ? 1 : 2;
    std::string action = Attr("ACTION") ? std::string(Trim(*Attr("ACTION"))) : std::string();
    if (LowerS(action.substr(0, 7)) == "mailto:") {
        sub = 4;
        action.erase(0, 7);
    }
    o->SetSubtype(static_cast<std::uint8_t>(sub));
    o->SetStr(17, 255, Cut(action, 255));
    if (const std::string* enc = Attr("ENCTYPE")) {
        o->SetByte(273, 1);
        o->SetStr(276, 79, Cut(*enc, 79));
    }
    EmitObject(o);
}

void THtmlScan::Input() {
    const std::string type = Attr("TYPE") ? LowerS(Trim(*Attr("TYPE"))) : std::string();
    const std::string name = Attr("NAME") ? Cut(*Attr("NAME"), 79) : std::string();
    const std::string* value = Attr("VALUE");
    int field = 0, button = 0;
    if (type.empty() || type == "edit" || type == "text" || type == "int") field = 1;
    else if (type == "password") field = 2;
    else if (type == "file") field = 3;
    else if (type == "hidden") field = 5;
    else if (type == "radio") field = 6;
    else if (type == "checkbox") field = 7;
    else if (type == "submit") button = 1;
    else if (type == "reset") button = 3;
    else if (type == "image") button = 2;
    else return;
    if (field) {
        TNYXoggetto* o = set_.NewObject(model::inputStat);
        Zero(*o, 5, 460);
        o->SetSubtype(static_cast<std::uint8_t>(field));
        o->SetStr(17, 79, name);
        std::string v = value ? Cut(*value, 79) : std::string();
        if (field == 7 && v.empty()) v = "on";
        o->SetStr(97, 79, v);
        const int size = Attr("SIZE") ? ToInt(*Attr("SIZE"), 20) : 20;
        o->SetByte(179, static_cast<std::uint8_t>(std::clamp(size, 1, 255)));
        o->SetByte(180, (field == 6 || field == 7 || value) ? 1 : 0);
        o->SetByte(181, Attr("CHECKED") ? 1 : 0);
        EmitObject(o);
        return;
    }
    TNYXoggetto* o = set_.NewObject(model::bottoneCGI);
    Zero(*o, 5, 200);
    o->SetSubtype(static_cast<std::uint8_t>(button));
    o->SetStr(17, 79, name);
    std::string caption = value ? Cut(*value, 79) : std::string();
    if (caption.empty() && button == 1) caption = "Submit";
    if (caption.empty() && button == 3) caption = "Reset";
    o->SetStr(97, 79, caption);
    o->SetInt(177, -1);
    o->SetInt(181, -1);
    if (button == 2) {
        const std::int32_t pic = Attr("SRC") ? LoadPicture(*Attr("SRC")) : -1;
        if (pic >= 0) {
            o->SetInt(177, pic);
            if (const TNYXoggetto* p = set_.ObjectByRef(pic)) {
                o->SetWord(186, p->Word(model::picturerec::kWidth));
                o->SetWord(188, p->Word(model::picturerec::kHeight));
                o->SetWord(190, p->Word(model::picturerec::kWidth));
                o->SetWord(192, p->Word(model::picturerec::kHeight));
            }
        }
        if (const std::string* w = Attr("WIDTH")) o->SetWord(190, static_cast<std::uint16_t>(std::clamp(ToInt(*w, 0), 0, 32767)));
        if (const std::string* h = Attr("HEIGHT")) o->SetWord(192, static_cast<std::uint16_t>(std::clamp(ToInt(*h, 0), 0, 32767)));
    }
    EmitObject(o);
}

// SELECT up to "</SELECT>": its options. Without the end tag the list ends
// where a list cannot go on (another control, the form's or a cell's end).
void THtmlScan::Select() {
    TNYXoggetto* o = set_.NewObject(model::inputStat);
    Zero(*o, 5, 460);
    const int size = Attr("SIZE") ? ToInt(*Attr("SIZE"), 1) : 1;
    o->SetSubtype(size == 1 ? 9 : 8);
    o->SetStr(17, 79, Attr("NAME") ? Cut(*Attr("NAME"), 79) : std::string());
    o->SetByte(179, static_cast<std::uint8_t>(std::clamp(size == 1 ? 10 : size, 1, 255)));
    o->SetByte(182, size != 1 && Attr("MULTIPLE") ? 1 : 0);
    std::string items;
    int count = 0;
    const std::size_t n = s_.size();
    while (p_ < n) {
        const std::size_t lt = s_.find('<', p_);
        if (lt == std::string_view::npos) {
            p_ = n;
            break;
        }
        p_ = lt;
        const bool end = lt + 1 < n && s_[lt + 1] == '/';
        std::size_t q = lt + (end ? 2 : 1);
        const std::size_t nb = q;
        while (q < n && (IsAlpha(s_[q]) || IsDigit(s_[q]))) ++q;
        const std::string name = Upper(s_.substr(nb, q - nb));
        if (end && name == "SELECT") {
            const std::size_t gt = s_.find('>', q);
            p_ = gt == std::string_view::npos ? n : gt + 1;
            break;
        }
        const TTagId t = TagOf(name);
        if (t == tSelect || t == tInput || t == tTextarea || t == tTable || t == tTr || t == tTd || t == tTh ||
            (!end && IsBlockish(t)) || (end && (t == tForm || t == tTable || t == tTd || t == tTr)))
            break;  // the element ends here
        if (!end && t == tOption) {
            p_ = ParseAttributes(q);
            const bool selected = Attr("SELECTED") != nullptr;
            const std::string* value = Attr("VALUE");
            std::string v = value ? *value : std::string();
            const std::size_t next = s_.find('<', p_);
            const std::size_t textEnd = next == std::string_view::npos ? n : next;
            const std::string text = DecodeText(s_.substr(p_, textEnd - p_));
            p_ = textEnd;
            for (char& c : v)
                if (static_cast<unsigned char>(c) < 32 || c == '\n') c = ' ';
            items += text + "\n" + (value ? v : text) + "\n" + (selected ? "X" : "N") + "\n";
            ++count;
            continue;
        }
        const std::size_t gt = s_.find('>', q);
        p_ = gt == std::string_view::npos ? n : gt + 1;
    }
    o->SetByte(178, static_cast<std::uint8_t>(std::min(count, 255)));
    o->SetFirstStream(std::move(items));
    EmitObject(o);
}

void THtmlScan::Textarea() {
    TNYXoggetto* o = set_.NewObject(model::inputStat);
    Zero(*o, 5, 460);
    o->SetSubtype(4);
    o->SetStr(17, 79, Attr("NAME") ? Cut(*Attr("NAME"), 79) : std::string());
    o->SetByte(178, static_cast<std::uint8_t>(std::clamp(Attr("ROWS") ? ToInt(*Attr("ROWS"), 8) : 8, 1, 255)));
    o->SetByte(177, static_cast<std::uint8_t>(std::clamp(Attr("COLS") ? ToInt(*Attr("COLS"), 40) : 40, 1, 255)));
    std::size_t contentEnd = s_.size();
    const std::size_t end = ElementEnd(p_, "textarea", &contentEnd);
    std::string text = DecodeAttr(s_.substr(p_, contentEnd - p_));
    p_ = end;
    // A line end just after the start tag is not content, nor (in pages the
    // exporter wrote) the one it writes before the end tag.
    if (text.compare(0, 2, "\r\n") == 0) text.erase(0, 2);
    else if (!text.empty() && text[0] == '\n') text.erase(0, 1);
    if (marked_ && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
    o->SetByte(180, text.empty() ? 0 : 1);
    o->SetFirstStream(std::move(text));
    EmitObject(o);
}

}  // namespace convert::html
