// Page documents: the head (title, keywords, the page's own head HTML, the
// page marker, the style sheet and the script functions the body needs), the
// frame set with the page as its no-frames part, the BODY with the header,
// page and footer texts, the preload script of rollover pictures; and the
// alias documents that send a reader on to a page.
#include "convert/html/TextWalk.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "model/Upgrade.h"
#include "platform/text.h"
#include "present/FrameData.h"

namespace convert::html {

using model::TNYXoggetto;
using model::TNYXset;

namespace {

std::string PageText(const TNYXoggetto& page) {
    const auto* t = dynamic_cast<const model::TNYXtesto*>(&page);
    if (!t || !t->HasFirstStream()) return {};
    std::string text = t->Text();
    if (page.Byte(model::kTextVersionOffset) == 1)
        text = model::UpgradeVersion1(text, static_cast<std::uint32_t>(page.Int(model::pagerec::kTextColour)),
                                      static_cast<std::uint32_t>(page.Int(model::pagerec::kLinkColour)), nullptr);
    return text;
}

std::string Title(const TNYXoggetto& page) {
    std::string t = page.GetName();
    if (t.size() > 71) t.resize(71);
    return TNYXtoHtml::EscapeText(t);
}

// The page marker names the hypertext's file without its folder.
std::string MarkerName(const TNYXset& set) {
    return TNYXtoHtml::EscapeText(CommentSafe(platform::text::Utf8ToCp1252(set.NYXFileName().filename().string())));
}

std::string Marker(const TNYXoggetto& page, const TNYXset& set) {
    return "<!--pageQuor=\"" + std::to_string(page.Index()) + ";" + MarkerName(set) + "\"-->\r\n";
}

constexpr const char* kDocumentStart =
    "<!DOCTYPE html>\r\n<HTML><HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">\r\n";

std::string Colours(const TNYXoggetto& page) {
    auto col = [&](std::size_t off) { return TNYXtoHtml::ColourText(static_cast<std::uint32_t>(page.Int(off))); };
    using namespace model::pagerec;
    return " TEXT=#" + col(kTextColour) + " LINK=#" + col(kLinkColour) + " VLINK=#" + col(kVisitedColour) + " BGCOLOR=#" + col(kBackColour);
}

std::string ScriptBlock(int flags) {
    if (!flags) return {};
    std::string s = "<SCRIPT>\r\n<!--//\r\n";
    if (flags & TDocContext::kBrowser) s += "\r\nQuorC_bname = navigator.appName;\r\nQuorC_bver = parseFloat(navigator.appVersion);\r\n";
    if (flags & TDocContext::kRollover)
        s += "\r\nQuorC_SensOk ='false';\r\nif (QuorC_bver >= 3.0) { QuorC_SensOk = 'true' } \r\n\r\nfunction QuorF_over(img,ref)\r\n{\r\n  if (QuorC_SensOk=='true') { document.images[img].src = ref }\r\n}\r\n";
    if (flags & TDocContext::kOpen)
        s += "\r\nfunction QuorF_open(newURL, newName, newFeatures, orgName) \r\n{\r\n  var remote = open(newURL, newName, newFeatures);\r\n  if (remote.opener == null) remote.opener = window;\r\n  remote.opener.name = orgName;\r\n}\r\n";
    if (flags & TDocContext::kPlainOpen) s += "\r\nfunction QuorF_openB(newURL) \r\n{\r\n  var remote = open(newURL);\r\n}\r\n";
    if (flags & TDocContext::kClose) s += "\r\nfunction QuorF_close(finName)\r\n{\r\n  QuorC_tmp=open('', finName);\r\n  QuorC_tmp.close( );\r\n}\r\n";
    return s + "\r\n//-->\r\n</SCRIPT>\r\n";
}

}  // namespace

std::string TNYXtoHtml::TextToHtml(std::string_view markup, const TNYXoggetto* page, int kind) {
    if (!LinkedNYXset) return {};
    TDocContext doc;
    doc.kind = kind;
    doc.page = page;
    std::string out;
    TTextWalk w(*this, doc, out);
    w.Walk(markup);
    return out;
}

std::string TNYXtoHtml::WritePage(const TNYXoggetto& page, int kind) {
    if (!LinkedNYXset) return {};
    TNYXset& set = *LinkedNYXset;
    std::string head = kDocumentStart;
    head += "<TITLE>" + Title(page) + "\r\n</TITLE>\r\n";
    bool anyKey = false;
    for (std::size_t i = 0; i < model::pagerec::kKeywordCount; ++i) {
        const TNYXoggetto* k = set.ObjectAt(model::keyword, page.Int(model::pagerec::kKeywords + 4 * i));
        if (!Exists(k)) continue;
        if (!anyKey) head += "<META NAME=\"keywords\" CONTENT=\"";
        anyKey = true;
        head += EscapeText(k->GetName()) + ",";
    }
    if (anyKey) head += "\">\r\n";
    TDocContext doc;
    doc.kind = kind;
    doc.page = &page;
    {
        std::string own;
        TTextWalk w(*this, doc, own);
        head += w.Expand(page);
    }
    head += Marker(page, set);
    const std::string author = set.HStr(model::hdr::kAuthors, model::hdr::kNameCap);
    const std::string copyright = set.HStr(model::hdr::kCopyright, model::hdr::kNameCap);
    if (!author.empty()) head += "<META NAME=\"author\" CONTENT=\"" + EscapeText(author) + "\">\r\n";
    if (!copyright.empty()) head += "<META NAME=\"copyright\" CONTENT=\"" + EscapeText(copyright) + "\">\r\n";
    head += std::string("<META NAME=\"generator\" CONTENT=\"") + kGenerator + "\">\r\n";
    head += "<LINK REL=STYLESHEET HREF=\"" + EscapeUrl(StyleSheetName()) + "\" TYPE=\"text/css\">\r\n";

    // The body first: the script block of the head depends on it.
    std::string body;
    bool frames = false;
    if (kind == 0) {
        // The frames show their pages' frame-content documents.
        const TNYXoggetto* map = present::PageMap(set, page);
        const auto top = map ? present::ReadFrameMap(*map) : nullptr;
        present::TFrameSetHtml how;
        how.source = [&](std::int32_t ref) {
            const TNYXoggetto* shown = set.ObjectByRef(ref);
            if (!Exists(shown) || shown->Type() != model::testoHtml) return std::string();
            AddFrame(shown->Reference());
            return EscapeUrl(PageFileName(shown, 1));
        };
        how.escapeName = [](std::string_view name) { return EscapeText(CleanAttribute(name)); };
        const std::string frameSet = top ? present::FrameSetText(*top, how) : std::string();
        if (!frameSet.empty()) {
            body += frameSet + "\r\n<NOFRAMES>\r\n";
            frames = true;
        }
    }
    const TNYXoggetto* header = model::HeaderPageOf(set, page);
    const TNYXoggetto* footer = model::FooterPageOf(set, page);
    body += "<BODY";
    const TNYXoggetto* bg = page.Int(model::pagerec::kBackPicture) >= 0 ? set.ObjectAt(model::immagine, page.Int(model::pagerec::kBackPicture)) : nullptr;
    if (Exists(bg)) {
        AddFile(bg->Reference());
        body += " BACKGROUND=\"" + EscapeUrl(PageFileName(bg, 2)) + "\"";
    }
    body += Colours(page) + " >\r\n<BASE TARGET=\"_top\">\r\n";
    auto walk = [&](const TNYXoggetto* t) {
        if (!Exists(t)) return;
        doc.page = t;
        TTextWalk w(*this, doc, body);
        w.Walk(PageText(*t));
    };
    walk(header);
    walk(&page);
    walk(footer);
    doc.page = &page;

    std::string out = head + ScriptBlock(doc.flags) + "</HEAD>\r\n" + body;
    if (!doc.rollovers.empty()) {
        out += "\r\n<SCRIPT>\r\n<!--//\r\n  if (QuorC_SensOk == 'true')\r\n  {";
        for (std::size_t i = 0; i < doc.rollovers.size(); ++i) {
            const std::string n = "QuorP_" + std::to_string(i);
            out += "\r\n  " + n + "= new Image();" + n + ".src=\"" + ScriptString(EscapeUrl(PageFileName(set.ObjectByRef(doc.rollovers[i]), 2))) + "\";";
        }
        out += "\r\n  }\r\n//-->\r\n</SCRIPT>\r\n";
    }
    // The no-frames part is plain text for browsers that show the frames, so
    // the document ends with it.
    if (frames) out += "</BODY>\r\n</NOFRAMES>\r\n</HTML>\r\n";
    else out += "\r\n</BODY></HTML>\r\n";
    // Stored texts are Windows-1252; the documents are UTF-8, as they declare.
    return platform::text::Cp1252ToUtf8(out);
}

std::string TNYXtoHtml::AliasPageText(const TNYXoggetto& page) {
    const std::string target = EscapeUrl(PageFileName(&page, 0));
    std::string o = std::string(kDocumentStart) + "<TITLE>" + Title(page) + "\r\n</TITLE>\r\n";
    o += Marker(page, *LinkedNYXset);
    o += "<META HTTP-EQUIV=\"refresh\" CONTENT=\"0;URL=" + target + "\">\r\n</HEAD>\r\n<BODY";
    const TNYXoggetto* bg = page.Int(model::pagerec::kBackPicture) >= 0 ? LinkedNYXset->ObjectAt(model::immagine, page.Int(model::pagerec::kBackPicture)) : nullptr;
    if (Exists(bg)) {
        AddFile(bg->Reference());
        o += " BACKGROUND=\"" + EscapeUrl(PageFileName(bg, 2)) + "\"";
    }
    o += Colours(page) + ">\r\n";
    o += "<A HREF=\"" + target + "\">Loading...</A>\r\n</BODY></HTML>\r\n";
    return platform::text::Cp1252ToUtf8(o);
}

bool TNYXtoHtml::WriteAliasPage(const TNYXoggetto& page) {
    if (!LinkedNYXset) return false;
    const std::string alias = TNYXset::PageAlias(page);
    if (alias.empty()) return true;
    const std::string leaf = SafeLeafName(alias);
    if (leaf.empty() || leaf != alias) {
        Problem("Alias di pagina rifiutato (deve essere un nome di file nella cartella di export): \"" + alias + "\"");
        return false;
    }
    if (leaf == PageFileName(&page, 0) || leaf == StyleSheetName()) {
        Problem("Alias di pagina rifiutato (nome gi\xE0 usato dall'export): \"" + alias + "\"");
        return false;
    }
    return WriteFile(leaf, AliasPageText(page));
}

}  // namespace convert::html
