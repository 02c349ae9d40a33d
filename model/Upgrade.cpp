#include "model/Upgrade.h"

#include <cstdio>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "markup/Lexer.h"

namespace model {

using namespace markup;
namespace {

struct Font {
    std::string name = "Times New Roman";
    int size = 12;
    int style = 0;
    std::uint32_t colour = 0;
};

bool Starts(std::string_view tag, std::string_view prefix) { return tag.substr(0, prefix.size()) == prefix; }

class Upgrader {
public:
    Upgrader(std::uint32_t text, std::uint32_t link, model::TNYXset* set) : textColour_(text), linkColour_(link), set_(set) {
        font_.colour = text;
    }

    std::string Run(std::string_view in);

private:
    void CharTag() {
        out_ += "<Y c";
        AppendColourHex(out_, font_.colour);
        out_ += " F\"";
        out_ += font_.name;
        out_ += "\" s";
        out_ += std::to_string(font_.size);
        out_ += " y";
        out_ += std::to_string(font_.style & 3);
        out_ += " p0 >";
        pending_ = false;
    }
    void NewParagraph() {
        out_ += openCells_ > 0 ? "<Z S1 A" : "<Z S0 A";
        out_ += std::to_string(align_);
        out_ += ' ';
        if (indent_ > 0) {
            out_ += 'l';
            out_ += std::to_string(indent_);
            out_ += ' ';
        }
        out_ += 'C';
        AppendColourHex(out_, linkColour_);
        out_ += " >";
        CharTag();
        empty_ = true;
    }
    void ResetFont() {
        font_ = Font{};
        font_.colour = textColour_;
        pending_ = true;
    }
    void Changed() { pending_ = true; }
    void Reference(std::uint32_t key);
    void CloseCell(bool end);

    std::uint32_t textColour_, linkColour_;
    model::TNYXset* set_;
    Font font_;
    std::string out_;
    int align_ = 0;
    int indent_ = 0;
    long openCells_ = 0;
    std::vector<int> alignStack_;
    std::vector<int> tableAlign_;
    bool pending_ = false;
    bool empty_ = true;
};

void Upgrader::Reference(std::uint32_t key) {
    const int kind = static_cast<int>(key >> 24);
    std::uint32_t newKey = key;
    if (set_) {
        auto ref = static_cast<std::int32_t>(key);
        if (kind == model::zipLink) {
            auto it = set_->ConversionMap().find(ref);
            newKey = it != set_->ConversionMap().end() ? static_cast<std::uint32_t>(it->second) : 0;
        } else if (kind == model::immagine || kind == model::mappaClic) {
            if (kind == model::mappaClic) {
                auto it = set_->ConversionMap().find(ref);
                ref = it != set_->ConversionMap().end() ? it->second : model::kNoRef;
            }
            model::TNYXoggetto* pic = ref != model::kNoRef ? set_->ObjectByRef(ref) : nullptr;
            if (pic && !pic->IsEmpty()) {
                if (model::TNYXoggetto* placed = set_->NewObject(model::immagineNew)) {
                    placed->Assign(*pic);
                    newKey = static_cast<std::uint32_t>(placed->Reference());
                }
            }
        } else if (kind == model::inputStat) {
            model::TNYXoggetto* o = set_->ObjectByRef(ref);
            if (o && !o->IsEmpty() && o->Subtype() >= 10 && o->Subtype() <= 14) {
                if (model::TNYXoggetto* n = set_->NewObject(model::shortObj)) {
                    n->Assign(*o);
                    newKey = static_cast<std::uint32_t>(n->Reference());
                }
            }
        }
    }
    const bool isLink = kind == model::internetLink || kind == model::genLink || kind == model::programma ||
                        kind == model::speclink;
    if (kind == model::tabellaHtml) {
        // A table forms a paragraph of its own.
        if (!empty_) NewParagraph();
    } else if (!isLink && pending_) {
        CharTag();
    }
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", newKey);
    out_ += b;
    if (!isLink) empty_ = false;
    if (kind == model::tabellaHtml) {
        int cells = 1, talign = 0;
        if (set_) {
            if (model::TNYXoggetto* t = set_->ObjectByRef(static_cast<std::int32_t>(key)); t && t->Type() == model::tabellaHtml)
                cells = t->Byte(93) * (t->Byte(94) > 50 ? 50 : t->Byte(94));
        }
        alignStack_.push_back(align_);
        tableAlign_.push_back(talign);
        align_ = talign;
        openCells_ += cells;
        ResetFont();
        NewParagraph();
    }
}

void Upgrader::CloseCell(bool end) {
    if (openCells_ > 0) --openCells_;
    out_ += "<T>";
    if (end) {
        if (!alignStack_.empty()) {
            align_ = alignStack_.back();
            alignStack_.pop_back();
            tableAlign_.pop_back();
        }
    } else if (!tableAlign_.empty()) {
        align_ = tableAlign_.back();
    }
    ResetFont();
    indent_ = 0;
    NewParagraph();
}

std::string Upgrader::Run(std::string_view in) {
    out_ = "<Z S0 C";
    AppendColourHex(out_, linkColour_);
    out_ += " >";
    std::size_t i = 0;
    const std::size_t n = in.size();
    while (i < n) {
        char c = in[i];
        if (c == '\0') break;
        if (c != '<') {
            if (static_cast<unsigned char>(c) >= 0x20) {
                if (pending_) CharTag();
                out_ += c;
                empty_ = false;
            }
            ++i;
            continue;
        }
        bool truncated = false;
        std::size_t e = TagEnd(in, i, &truncated);
        std::string_view tag = in.substr(i, e - i);
        i = e;
        std::uint32_t key = 0;
        if (tag.size() == 11 && tag[1] == '$' && tag[10] == '>' && ParseHex(tag, 2, 8, key)) {
            Reference(key);
        } else if (tag == "<%>") {
            out_ += "<%>";
        } else if (Starts(tag, "<B>")) {
            font_.style |= 1;
            Changed();
        } else if (Starts(tag, "<B")) {
            NewParagraph();
        } else if (Starts(tag, "</B")) {
            font_.style &= ~1;
            Changed();
        } else if (Starts(tag, "<I")) {
            font_.style |= 2;
            Changed();
        } else if (Starts(tag, "</I")) {
            font_.style &= ~2;
            Changed();
        } else if (Starts(tag, "<C")) {
            align_ = 2;
            NewParagraph();
        } else if (Starts(tag, "<DIV")) {
            align_ = tag.size() > 11 && tag[11] == 'R' ? 1 : 0;
            NewParagraph();
        } else if (Starts(tag, "<L")) {
            NewParagraph();
        } else if (Starts(tag, "<U")) {
            indent_ += 40;
            NewParagraph();
        } else if (Starts(tag, "</U")) {
            indent_ = indent_ >= 40 ? indent_ - 40 : 0;
            NewParagraph();
        } else if (Starts(tag, "<TF")) {
            CloseCell(false);
        } else if (Starts(tag, "<TE")) {
            CloseCell(true);
        } else if (Starts(tag, "<P") || Starts(tag, "<TT")) {
            font_.name = "Courier New";
            Changed();
        } else if (Starts(tag, "</P") || Starts(tag, "</TT")) {
            font_.name = "Times New Roman";
            Changed();
        } else if (Starts(tag, "<FONT COLOR=#")) {
            std::uint32_t rgb = 0;
            if (ParseHex(tag, 13, 6, rgb))
                font_.colour = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
            Changed();
        } else if (Starts(tag, "<FONT SIZE=")) {
            static const int kSizes[] = {8, 10, 12, 14, 19, 27, 34};
            if (tag.size() > 11 && tag[11] >= '1' && tag[11] <= '7') font_.size = kSizes[tag[11] - '1'];
            Changed();
        }
        // Any other tag is dropped.
    }
    return out_;
}

}  // namespace

std::string UpgradeVersion1(std::string_view v1, std::uint32_t textColour, std::uint32_t linkColour,
                            model::TNYXset* set) {
    Upgrader u(textColour, linkColour, set);
    return u.Run(v1);
}

bool UpgradePageText(TNYXset& set, TNYXoggetto& page) {
    if (page.Type() != testoHtml || page.Byte(kTextVersionOffset) != 1) return false;
    if (!page.IsEmpty()) {
        std::string old;
        if (page.HasFirstStream() && page.ReadFirstStream(old)) {
            while (!old.empty() && old.back() == '\0') old.pop_back();
            std::string current = UpgradeVersion1(old, static_cast<std::uint32_t>(page.Int(89)),
                                                  static_cast<std::uint32_t>(page.Int(93)), &set);
            if (current.empty() || current.back() != '\0') current += '\0';
            page.SetFirstStream(std::move(current));
        }
    }
    page.SetByte(kTextVersionOffset, 2);
    return true;
}

std::size_t UpgradeOldPages(TNYXset& set) {
    std::size_t n = 0;
    // Upgrading adds placed pictures and form objects, never pages.
    for (std::size_t i = 0; i < set.Count(testoHtml); ++i)
        if (TNYXoggetto* page = set.ObjectAt(testoHtml, static_cast<std::int64_t>(i)); page && UpgradePageText(set, *page)) ++n;
    return n;
}

std::string CurrentPageText(TNYXset& set, const TNYXoggetto& page) {
    if (page.Type() != testoHtml) return {};
    if (page.Byte(kTextVersionOffset) == 1 && page.Set() == &set)
        if (TNYXoggetto* stored = set.ObjectAt(testoHtml, static_cast<std::int64_t>(page.Index())); stored == &page)
            UpgradePageText(set, *stored);
    std::string text;
    if (!page.HasFirstStream() || !page.ReadFirstStream(text)) return {};
    while (!text.empty() && text.back() == '\0') text.pop_back();
    if (page.Byte(kTextVersionOffset) == 1) {
        // A page outside the hypertext (a copy) is read as it would be upgraded.
        text = UpgradeVersion1(text, static_cast<std::uint32_t>(page.Int(89)), static_cast<std::uint32_t>(page.Int(93)), &set);
    }
    return text;
}

}  // namespace model
