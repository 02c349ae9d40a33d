// The texts lists and hints show for objects: a short title, "|", a longer
// explanation.
#include <cstdio>

#include "model/Fields.h"
#include "model/NYXset.h"
#include "platform/text.h"

namespace model {

namespace {

std::string Num(long long v) { return std::to_string(v); }

// Base name of a stored file name ("\" or "/" separated).
std::string BaseOf(const std::string& s) {
    std::size_t cut = s.find_last_of("/\\");
    return cut == std::string::npos ? s : s.substr(cut + 1);
}

std::string Title(const std::string& d) { return d.substr(0, d.find('|')); }

const char* kOpenModes[] = {"rimpiazza la cornice corrente con", "rimpiazza la cornice \"", "crea in finestra separata",
                            "crea nuovo browser", "crea in popup", "salta al", ""};

}  // namespace

std::string TNYXoggetto::DescriptionTitle() const { return Title(Description()); }

std::string TNYXoggetto::Description() const {
    if (IsEmpty()) return "Non definito.";
    const TNYXset* set = set_;
    auto obj = [&](std::int32_t r) -> const TNYXoggetto* { return set ? set->ObjectByRef(r) : nullptr; };
    auto htmlTail = [&](std::string d) {
        if (second_ && second_->size() > 5) {
            std::string t = SecondStreamText();
            if (t.size() > 400) t.resize(400);
            d += "\r\n----------\r\n" + t;
        }
        return d;
    };
    switch (type_) {
        case testoHtml: {
            const std::string n = GetName();
            return n + "|Collegamento a: " + n + " (" + Num(index_) + ")";
        }
        case internetLink: {
            const std::string url = GetName();
            if (url.rfind("quor:", 0) == 0 && set) {
                HypertextLink l = set->ParseHypertextLink(url);
                std::string file = platform::text::Utf8ToCp1252(l.file.filename().string());
                std::string title;
                if (l.page >= 0)
                    title = TNYXset::ReadForeignRecord(l.file, MakeRef(testoHtml, static_cast<std::uint32_t>(l.page)));
                if (title.empty()) title = Num(l.page);
                const std::string part = file + " Pag.:" + title;
                return part + "|Collegamento a ipertesto: " + part;
            }
            if (url.rfind("mailto:", 0) == 0) {
                const std::string a = url.substr(7);
                return a + "|Collegamento a e-mail: " + a;
            }
            return url + "|Collegamento a: " + url;
        }
        case zipLink:
        case genLink: {
            const std::string f = BaseOf(GetFileName());
            return f + "|Collegamento a file: " + f;
        }
        case keyword: case immagine: case mappaFrame: case programma: case stileParagrafo: case fontFace:
            return GetName();
        case speclink: {
            std::string d;
            switch (Subtype()) {
                case 1: {
                    const TNYXoggetto* target = obj(Int(linkrec::kTarget));
                    const std::string title = (target && target != this) ? Title(target->Description()) : "";
                    const int mode = Byte(linkrec::kOpenMode) <= 6 ? Byte(linkrec::kOpenMode) : 0;
                    const std::string win = Str(linkrec::kWindowName, linkrec::kWindowNameCap);
                    d = title + "|Qui si " + kOpenModes[mode];
                    if (mode == 1) d += win + "\" con";
                    if (mode >= 2 && mode <= 4) d += " \"" + win + "\" ";
                    if (mode == 6) d = "Qui si salta all'interno della pagina corrente, all'ancora: ";
                    if (mode != 6)
                        d += std::string(" ") + (Byte(linkrec::kShows) ? "l'insieme cornici" : "la pagina singola") + ": " + title;
                    if (Int(linkrec::kAnchor) >= 0) d += " #a" + Num(Int(linkrec::kAnchor));
                    if (target) d += " @" + Num(target->Index());
                    break;
                }
                case 2: {
                    std::string t = "Chiudi finestra: " + Str(linkrec::kWindowName, linkrec::kWindowNameCap);
                    if (t.size() > 36) t.resize(36);
                    d = t + "|" + t;
                    break;
                }
                case 3: d = "Parole chiave|Collegamento a: finestra parole chiave"; break;
                case 4: d = "pagina precedente|Collegamento a: pagina precedente"; break;
                case 5: d = "pagina successiva|Collegamento a: pagina successiva"; break;
                case 6: {
                    std::string t;
                    if (first_) t = *first_;
                    d = t.empty() ? "Auto import" : t + "|Auto import:" + t;
                    break;
                }
                default: break;
            }
            return htmlTail(d);
        }
        case shortObj: {
            const std::int32_t v = Int(markerrec::kValue);
            auto named = [&](const char* text) {
                const TNYXset* where = set && set->wrapperSet ? set->wrapperSet : set;
                const TNYXoggetto* o = where ? where->ObjectByRef(v) : nullptr;
                std::string d(text);
                if (o) {
                    d += ' ';
                    d += o->GetName();
                }
                return d;
            };
            std::string s1;
            if (first_) s1 = *first_;
            switch (Subtype()) {
                case 10: return s1;
                case 11: case 12: return SecondStreamText();
                case 13: {
                    const TNYXoggetto* l = obj(v);
                    return l && l != this ? l->Description() : "";
                }
                case 14: return "Ancora: a" + Num(v);
                case 15: return "Collegamento a pagina di catalogo: " + Num(v);
                case 21: return named("Riferimento a immagine:");
                case 22: return named("Riferimento a pagina o link:");
                case 23: return named("Qui verrà riportato tutto il testo della pagina:");
                case 24: return named("Riferimento a oggetto fondamentale:");
                case 25: return "Qui verrà riportata la dimensione X";
                case 26: return "Qui verrà riportata la dimensione Y";
                case 27: return "Parametri: " + (s1.empty() ? "#" + Num(v) : s1);
                case 28: return "File: " + (s1.empty() ? "#" + Num(v) : s1);
                default: return "";
            }
        }
        case custom: {
            const std::string n = GetName();
            return n + "|Custom  " + n;
        }
        case inputStat: {
            const std::string n = GetName();
            const std::string init = Byte(180) == 1 ? "\r\n(" + Str(97, 79) + ")" : "";
            std::string d;
            switch (Subtype()) {
                case 1: d = "Casella: " + n + init; break;
                case 2: d = "Casella password: " + n + init; break;
                case 3: d = "Casella file: " + n + init; break;
                case 4: d = "Box di testo: " + n; break;
                case 5: d = "Elemento invisibile: " + n + "\r\n(" + Str(97, 79) + ")"; break;
                case 6: d = "Bottone radio: " + n + "\r\n(" + Str(97, 79) + ")"; break;
                case 7: d = "Check box: " + n; break;
                case 8: d = "Lista: " + n; break;
                case 9: d = "Combo box: " + n; break;
                default: d = n; break;
            }
            return htmlTail(d);
        }
        case inputDin: {
            std::string d;
            if (Subtype() == 1) d = "Casella din: " + GetName();
            else if (Subtype() == 11) d = "Lista viva server side";
            else if (Subtype() == 12) d = "HTML server side";
            else d = GetName();
            return htmlTail(d);
        }
        case bottoneCGI: {
            const TNYXoggetto* l = obj(Int(181));
            std::string d = (l && l != this && !l->IsEmpty()) ? l->Description() : "Bottone";
            if (Subtype() == 1) d += " di immissione";
            if (Subtype() == 3) d += " di cancellazione dati";
            const std::string caption = Str(97, 79);
            if (!caption.empty()) d += ": " + caption;
            return htmlTail(d);
        }
        case inizioForm: return htmlTail("Inizio form: " + GetName());
        case multiMedia: {
            const TNYXoggetto* o = obj(Int(17));
            const std::string name = o ? o->GetName() : "";
            switch (Subtype()) {
                case 1: case 2: return "Suono: \r\n(" + name + ")";
                case 3: case 4: return "Video: \r\n(" + name + ")";
                case 5: return "Java / ActiveX / Embed: \r\n" + SecondStreamText();
                case 6: return "Custom \r\n(" + name + ")";
                default: return "";
            }
        }
        default:
            return GetName();
    }
}

}  // namespace model
