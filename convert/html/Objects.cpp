// The objects a text refers to: comments, inline HTML, window scripts and
// anchors, pictures with their click zones and rollovers, form starts and
// fields, floating frames, buttons and multimedia, and the free HTML text
// every object may carry.
#include <algorithm>

#include "convert/html/Placeholders.h"
#include "convert/html/TextWalk.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "present/FormData.h"
#include "present/PictureData.h"

namespace convert::html {

using model::TNYXoggetto;

namespace {

// The size a picture or button shows at: the stored size, or, with the
// percentage flag, that percentage of the natural size, as the editor lays
// it out.
int ShownSize(int natural, int stored, bool percent) {
    if (!percent) return stored;
    const int v = natural * stored / 100;
    return v > 0 ? v : natural > 0 ? natural : 100;
}

}  // namespace

const TNYXoggetto* TTextWalk::Obj(std::int32_t ref) const {
    const TNYXoggetto* o = set_.ObjectByRef(ref);
    return Exists(o) ? o : nullptr;
}

std::string TTextWalk::File(std::int32_t ref) {
    x_.AddFile(ref);
    return TNYXtoHtml::EscapeUrl(x_.PageFileName(set_.ObjectByRef(ref), 2));
}

void TTextWalk::Object(std::int32_t ref) {
    const TNYXoggetto* o = Obj(ref);
    if (!o) return;
    switch (o->Type()) {
        case model::testoHtml:
        case model::internetLink:
        case model::zipLink:
        case model::genLink:
        case model::programma:
        case model::speclink: OpenLink(*o); break;
        case model::immagine:
        case model::mappaClic: x_.Problem("bug: ogg immagine non deve esser presente qui"); break;
        case model::shortObj: ShortObject(*o); break;
        case model::immagineNew: Picture(*o); break;
        case model::tabellaHtml: TableStart(*o); break;
        case model::inizioForm: FormStart(*o); break;
        case model::inputStat: FormField(*o); break;
        case model::bottoneCGI: Button(*o); break;
        case model::multiMedia: Multimedia(*o); break;
        default: break;
    }
}

// --- short objects ----------------------------------------------------------------------

void TTextWalk::ShortObject(const TNYXoggetto& o) {
    switch (o.Subtype()) {
        case 10: {  // comment
            std::string c;
            if (o.HasFirstStream()) o.ReadFirstStream(c);
            out_ += "<!--" + CommentSafe(c) + "-->";
            break;
        }
        case 11: out_ += Expand(o); break;  // inline HTML
        case model::markerrec::kWindowLaunch: {  // a window opened or closed where the text is read
            const TNYXoggetto* l = Obj(o.Int(model::markerrec::kValue));
            if (!l || l->Type() != model::speclink) break;
            if (l->Subtype() == model::linkrec::kCloseWindow) {
                out_ += CloseScript(*l);
            } else {
                const int m = l->Byte(model::linkrec::kOpenMode);
                out_ += WindowCall(1, *l, m == 2 || m == 4, -1);
            }
            break;
        }
        case model::markerrec::kAnchor: Anchor(o); break;
        default: break;
    }
}

void TTextWalk::Anchor(const TNYXoggetto& o) {
    std::string reopen;
    if (link_) {
        reopen = OpenTagOf("A");
        Close("A");
    }
    out_ += "<A NAME=\"an" + Str(o.Int(model::markerrec::kValue)) + "\"></A>";
    if (link_ && !reopen.empty()) Open("A", reopen);
}

// --- free HTML ------------------------------------------------------------------------------

std::string TTextWalk::Expand(const TNYXoggetto& o) {
    const std::string text = o.SecondStreamText();
    if (text.empty()) return {};
    return FillPlaceholders(text, [&](const TPlaceholder& p, std::string& r) {
        switch (p.kind) {
            case TPlaceholder::kRefI:
            case TPlaceholder::kRefL:
            case TPlaceholder::kRefF:
                if (const TNYXoggetto* t = p.hex ? Obj(static_cast<std::int32_t>(p.value)) : nullptr) {
                    if (t->Type() != model::testoHtml) x_.AddFile(t->Reference());
                    r += TNYXtoHtml::EscapeUrl(x_.PageFileName(t, 0));
                }
                return true;
            case TPlaceholder::kRefP:
                if (const TNYXoggetto* t = p.hex ? Obj(static_cast<std::int32_t>(p.value)) : nullptr) {
                    const auto* page = t->Type() == model::testoHtml ? dynamic_cast<const model::TNYXtesto*>(t) : nullptr;
                    if (page && depth_ < 4 && page->HasFirstStream()) {
                        TTextWalk inner(x_, doc_, r);
                        inner.depth_ = depth_ + 1;
                        inner.Walk(page->Text());
                    }
                }
                return true;
            case TPlaceholder::kRefX:
            case TPlaceholder::kRefY:
                if (o.Type() == model::multiMedia) {
                    const present::TMultimediaData md(o);
                    r += Str(p.kind == TPlaceholder::kRefX ? md.Width() : md.Height()) + (md.Percent() ? "%" : "");
                }
                return true;
            default: return false;
        }
    });
}

// --- pictures -----------------------------------------------------------------------------

void TTextWalk::ImageMap(const TNYXoggetto& o, const std::string& n) {
    const present::TPictureData pd(o);
    out_ += "<MAP NAME=ma" + n + " >\r\n";
    for (int i = 0; i < present::TPictureData::kZones; ++i) {
        const TNYXoggetto* l = Obj(pd.Zone(i).Link());
        if (!l) continue;
        const present::TZoneData z = pd.Zone(i);
        const std::string desc = TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(l->DescriptionTitle()));
        out_ += "<AREA COORDS=" + Str(z.left) + "," + Str(z.top) + "," + Str(z.left + z.width) + "," + Str(z.top + z.height) + " " +
                TargetPart(*l);
        if (x_.options.expAlt) out_ += " ALT=\"" + desc + "\"";
        out_ += " TITLE=\"" + desc + "\">\r\n";
    }
    out_ += "</MAP>\r\n";
}

void TTextWalk::Picture(const TNYXoggetto& o) {
    const present::TPictureData pd(o);
    const std::string n = Hex6(o.Index());
    const std::int32_t pic = pd.PictureRef();
    if (!Obj(pic)) {
        x_.Problem("Immagine mancante: \"" + o.GetName() + "\"");
        return;
    }
    const std::string file = File(pic);
    const bool low = Obj(pd.LowResRef()) != nullptr, roll = Obj(pd.RolloverRef()) != nullptr;
    const std::string lowFile = low ? File(pd.LowResRef()) : "";
    const std::string rollFile = roll ? File(pd.RolloverRef()) : "";
    const bool map = pd.HasMap();
    if (map) ImageMap(o, n);
    bool ownAnchor = false;
    if (roll) {
        const std::string over = " onMouseOver=\"QuorF_over('i" + n + "','" + ScriptString(rollFile) + "');\"" +
                                 " onMouseOut=\"QuorF_over('i" + n + "','" + ScriptString(file) + "');\" >";
        if (link_) {
            std::string open = OpenTagOf("A");
            if (open.empty()) open = "<A ";
            if (open.size() >= 2 && open.compare(open.size() - 2, 2, " >") == 0) open.resize(open.size() - 2);
            Close("A");
            Open("A", open + over);
        } else {
            const std::string self = doc_.page ? x_.PageFileName(doc_.page, doc_.kind) : "";
            out_ += "<A HREF=\"" + TNYXtoHtml::EscapeUrl(self) + "\" " + over;
            ownAnchor = true;
        }
        doc_.flags |= TDocContext::kBrowser | TDocContext::kRollover;
        if (std::find(doc_.rollovers.begin(), doc_.rollovers.end(), pd.RolloverRef()) == doc_.rollovers.end())
            doc_.rollovers.push_back(pd.RolloverRef());
    }
    out_ += "<IMG SRC=\"" + file + "\" BORDER=0 ALIGN=" + PictureAlignWord(pd.Alignment()) + " ALT=\"" +
            TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(pd.AltText())) + "\"";
    if (roll) out_ += " NAME=i" + n;
    if (map) out_ += " USEMAP=#ma" + n;
    if (low) out_ += " LOWSRC=\"" + lowFile + "\"";
    const bool percent = pd.Percent();
    out_ += " WIDTH=" + Str(ShownSize(o.SWord(15), pd.Width(), percent)) + " HEIGHT=" + Str(ShownSize(o.SWord(17), pd.Height(), percent)) + " " +
            Expand(o) + " >";
    if (ownAnchor) out_ += "</A>";
}

// --- forms ----------------------------------------------------------------------------------

void TTextWalk::FormStart(const TNYXoggetto& o) {
    const present::TFormStartData fd(o);
    // The paragraph already begun moves after the FORM tag.
    std::string taken;
    if (paraOpen_ && divPos_ != std::string::npos && divPos_ <= out_.size()) {
        taken = out_.substr(divPos_);
        out_.resize(divPos_);
    }
    std::string f;
    if (formOpen_) f += "</FORM>";
    f += "<FORM ";
    switch (fd.Method()) {
        case present::TFormStartData::kGet:
        case present::TFormStartData::kPost:
            f += std::string("TARGET=_top METHOD=") + (fd.Method() == 1 ? "GET" : "POST") + " ACTION=\"" + TNYXtoHtml::EscapeUrl(fd.Address()) + "\" ";
            if (fd.WriteEncoding()) f += " ENCTYPE=\"" + TNYXtoHtml::EscapeText(fd.Encoding()) + "\" ";
            break;
        case present::TFormStartData::kMail:
            f += "METHOD=POST ACTION=\"mailto:" + TNYXtoHtml::EscapeUrl(fd.Address()) + "\" ENCTYPE=\"text/plain\" ";
            break;
        default: break;
    }
    f += " " + Expand(o) + ">\r\n";
    out_ += f;
    if (!taken.empty()) divPos_ = out_.size();
    out_ += taken;
    ++formCounter_;
    formOpen_ = true;
}

void TTextWalk::FormField(const TNYXoggetto& o) {
    using FD = present::TFormFieldData;
    const FD fd(o);
    const std::string id = TNYXtoHtml::EscapeText(fd.Identifier());
    const std::string extra = Expand(o);
    switch (fd.Kind()) {
        case FD::kText:
        case FD::kPassword:
        case FD::kFile:
            out_ += std::string("<INPUT") + (fd.Kind() == FD::kPassword ? " TYPE=password" : fd.Kind() == FD::kFile ? " TYPE=file" : "") +
                    " NAME=\"" + id + "\"";
            if (fd.ShowInitial()) out_ += " VALUE=\"" + TNYXtoHtml::EscapeText(fd.Value()) + "\"";
            out_ += " SIZE=" + Str(fd.WidthChars() > 0 ? fd.WidthChars() : 20) + " " + extra + ">\r\n";
            break;
        case FD::kTextArea: {
            out_ += "<TEXTAREA NAME=\"" + id + "\" ROWS=" + Str(fd.Rows()) + " COLS=" + Str(fd.Columns()) + " " + extra + ">\r\n";
            std::string lines;
            if (fd.ShowInitial() && o.HasFirstStream()) o.ReadFirstStream(lines);
            out_ += TNYXtoHtml::EscapeText(lines) + "\r\n</TEXTAREA>";
            break;
        }
        case FD::kHidden:
        case FD::kRadio:
        case FD::kCheck:
            out_ += std::string("<INPUT TYPE=") + (fd.Kind() == FD::kHidden ? "hidden " : fd.Kind() == FD::kRadio ? "radio " : "checkbox ") +
                    "NAME=\"" + id + "\" VALUE=\"" + TNYXtoHtml::EscapeText(fd.Value()) + "\" ";
            if (fd.Kind() != FD::kHidden && fd.Checked()) out_ += "CHECKED ";
            out_ += " " + extra + ">\r\n";
            break;
        case FD::kList:
        case FD::kCombo: {
            out_ += "<SELECT NAME=\"" + id + "\" ";
            if (fd.Kind() == FD::kList) {
                out_ += " SIZE=" + Str(fd.VisibleRows());
                if (fd.Multiple()) out_ += " MULTIPLE";
            }
            out_ += " " + extra + " >";
            std::string items;
            if (o.HasFirstStream()) o.ReadFirstStream(items);
            std::vector<std::string> lines;
            std::size_t p = 0;
            while (p < items.size()) {
                std::size_t e = items.find('\n', p);
                if (e == std::string::npos) e = items.size();
                std::string line = items.substr(p, e - p);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                lines.push_back(line);
                p = e + 1;
            }
            // Three lines an item: its text, its value and its selection flag.
            for (std::size_t i = 0; i + 3 <= lines.size(); i += 3) {
                const std::string& text = lines[i];
                const std::string& value = lines[i + 1];
                const std::string& flag = lines[i + 2];
                const bool sel = !flag.empty() && (flag[0] == 'X' || flag[0] == 'Y' || flag[0] == 'x' || flag[0] == 'y');
                out_ += "<OPTION VALUE=\"" + TNYXtoHtml::EscapeText(value) + "\"" + (sel ? " SELECTED" : "") + " >" +
                        TNYXtoHtml::EscapeText(text) + "\r\n";
            }
            out_ += "</SELECT>";
            break;
        }
        case FD::kFloating: Floating(o, extra); break;
        default: break;
    }
}

void TTextWalk::Floating(const TNYXoggetto& o, const std::string& extra) {
    const present::TFloatingData fl(o);
    const std::string unit = fl.Percent() ? "%" : "";
    out_ += "<IFRAME ";
    if (fl.MarginHeight() || fl.MarginWidth()) out_ += " MARGINHEIGHT=" + Str(fl.MarginHeight()) + " MARGINWIDTH=" + Str(fl.MarginWidth());
    else out_ += " FRAMEBORDER=\"no\" ";
    if (!fl.Name().empty()) out_ += " NAME=\"" + TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(fl.Name())) + "\"";
    std::string src;
    const TNYXoggetto* shown = fl.ShownPage() >= 0 ? set_.ObjectAt(model::testoHtml, fl.ShownPage()) : nullptr;
    if (Exists(shown)) {
        src = x_.PageFileName(shown, fl.ShowFrames() ? 0 : 1);
        if (!fl.ShowFrames()) x_.AddFrame(shown->Reference());
    }
    out_ += " HEIGHT=" + Str(fl.Height()) + unit + " WIDTH=" + Str(fl.Width()) + unit + " " + " SRC=\"" + TNYXtoHtml::EscapeUrl(src) +
            "\" TARGET=" + TargetWord(0) + " BORDERCOLOR=#" + TNYXtoHtml::ColourText(fl.BorderColour()) +
            " SCROLLING=" + (fl.Scrolling() ? "yes" : "no") + " " + extra + ">\r\n</IFRAME>\r\n";
}

// --- buttons ----------------------------------------------------------------------------------

void TTextWalk::Button(const TNYXoggetto& o) {
    const present::TButtonData bd(o);
    const std::string extra = Expand(o);
    const TNYXoggetto* pic = Obj(bd.PictureRef());
    const bool percent = o.Byte(194) == 1;
    const std::string size = " WIDTH=" + Str(ShownSize(o.SWord(186), bd.Width(), percent)) +
                             " HEIGHT=" + Str(ShownSize(o.SWord(188), bd.Height(), percent));
    if (bd.Kind() == present::TButtonData::kReset && pic) {
        out_ += "<A HREF=\"#\" onclick=\"document.forms[" + Str(formCounter_ - 1 < 0 ? 0 : formCounter_ - 1) + "].reset()\"><IMG SRC=\"" +
                File(bd.PictureRef()) + "\" BORDER=0" + size + " ></A>\r\n";
        return;
    }
    const char* type = bd.Kind() == 1 ? "submit" : bd.Kind() == 2 ? "image" : bd.Kind() == 3 ? "reset" : "button";
    const TNYXoggetto* l = Obj(bd.LinkRef());
    out_ += std::string("<INPUT TYPE=") + type;
    if (!l && !bd.Identifier().empty()) out_ += " NAME=\"" + TNYXtoHtml::EscapeText(bd.Identifier()) + "\" ";
    if (bd.Kind() == 2 || (bd.Kind() == 1 && pic)) {
        if (pic) out_ += " SRC=\"" + File(bd.PictureRef()) + "\" BORDER=0";
        out_ += size;
    }
    out_ += " VALUE=\"" + TNYXtoHtml::EscapeText(bd.Caption()) + "\"  " + extra;
    if (l) out_ += ButtonClick(*l);
    out_ += ">\r\n";
}

// --- multimedia -------------------------------------------------------------------------------

void TTextWalk::Multimedia(const TNYXoggetto& o) {
    const present::TMultimediaData md(o);
    const int k = md.Kind();
    const std::string unit = md.Percent() ? "%" : "";
    if (k >= 1 && k <= 4) {
        const TNYXoggetto* media = Obj(md.MediaRef());
        if (!media) {
            x_.Problem("File multimediale mancante in pagina");
            return;
        }
        const std::string file = File(md.MediaRef());
        if (k <= 2) {
            out_ += "<EMBED SRC=\"" + file + "\"";
            if (md.Cyclic()) out_ += " AUTOSTART=true HIDDEN=true LOOP=" + (md.Cycles() < 0 ? std::string("true") : Str(md.Cycles()));
            else out_ += " CONTROLS=SMALLCONSOLE height=15";
            out_ += ">\r\n";
        } else {
            out_ += "<EMBED SRC=\"" + file + "\" WIDTH=" + Str(md.Width()) + unit + " HEIGHT=" + Str(md.Height()) + unit;
            if (md.Cyclic()) out_ += std::string(" CONTROLLER=false AUTOSTART=true LOOP=") + (md.Cycles() < 0 ? "true" : "false");
            else out_ += " CONTROLS=true ";
            if (Lower(FileExt(media->GetFileName())) == ".mov") out_ += " URL=\"https://support.apple.com/quicktime\"";
            out_ += " >";
        }
        // The alternative picture is the element's content, for browsers
        // without the player; an element without content keeps the empty
        // form that current browsers expect of EMBED.
        if (const TNYXoggetto* alt = Obj(md.AlternativePictureRef())) {
            out_ += "<IMG BORDER=0 ALIGN=" + PictureAlignWord(alt->Byte(13)) + " ALT=\"" +
                    TNYXtoHtml::EscapeText(TNYXtoHtml::CleanAttribute(alt->GetName())) + "\" SRC=\"" + File(md.AlternativePictureRef()) +
                    "\" HEIGHT=" + Str(md.Height()) + unit + " WIDTH=" + Str(md.Width()) + unit + " >";
            out_ += "</EMBED>";
        }
        out_ += "\r\n";
    } else if (k == 5) {
        out_ += Expand(o);
    } else if (k == 6) {
        out_ += Custom(o);
    }
}

}  // namespace convert::html
