// An import run: pages made of what the scan wrote (split at page breaks,
// by paragraph count with "continua" links, or at headings with an index
// page), WinHelp topics found again by their ids with their report, and the
// clipboard container of a pasted fragment.
#include <cstdio>

#include "convert/rtf/RtfReader.h"
#include "markup/Lexer.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Page.h"
#include "platform/Ui.h"
#include "platform/text.h"
#include "richtext/Clipboard.h"

namespace convert::rtf {

namespace fs = std::filesystem;

namespace {

std::string Hex8(std::uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%08X", v);
    return b;
}

std::string PageLink(std::int32_t page, const std::string& text) { return "<$" + Hex8(static_cast<std::uint32_t>(page)) + ">" + text + "<%>"; }

std::string Cut(std::string s, std::size_t n) {
    if (s.size() > n) s.resize(n);
    return s;
}

}  // namespace

std::int32_t TRtfReader::TopicPage(const std::string& id, bool create) {
    const std::string key = platform::text::Upper(Cut(id, 20));
    if (auto it = x_.topicPages_.find(key); it != x_.topicPages_.end()) return it->second;
    if (!create) return -1;
    model::TNYXtesto* page = html::NewImportPage(set_, x_.importBackColour, x_.importBackPicture);
    if (!page) return -1;
    const std::int32_t n = static_cast<std::int32_t>(page->Index());
    page->SetFirstStream(std::string("<Z S0 >\0", 8));
    page->SetByte(model::pagerec::kMarkupVersion, model::pagerec::kCurrentMarkup);
    page->SetName(Cut(id, model::pagerec::kTitleCap));
    x_.topicPages_[key] = n;
    x_.unfilled_.insert(n);
    x_.report_.pages.push_back(n);
    return n;
}

std::int32_t TRtfReader::MakePage(std::string markup, const std::string& title) {
    model::TNYXtesto* page = nullptr;
    const bool winHelp = x_.importOptions.winHelp;
    if (winHelp && !topicId_.empty()) {
        const std::int32_t n = TopicPage(topicId_, false);
        if (n >= 0) page = static_cast<model::TNYXtesto*>(set_.ObjectAt(model::testoHtml, n));
    }
    if (!page && curPage_) page = static_cast<model::TNYXtesto*>(curPage_);
    curPage_ = nullptr;
    const bool fresh = !page;
    if (!page) page = html::NewImportPage(set_, x_.importBackColour, x_.importBackPicture);
    if (!page) return -1;
    const std::int32_t n = static_cast<std::int32_t>(page->Index());
    if (markup.empty()) markup = "<Z S0 >";
    std::string text = html::PostProcessImportedText(set_, markup);
    text += '\0';
    page->SetFirstStream(std::move(text));
    page->SetByte(model::pagerec::kMarkupVersion, model::pagerec::kCurrentMarkup);
    std::string t = title;
    if (t.empty()) t = platform::text::Utf8ToCp1252(file_.filename().string());
    if (!t.empty()) page->SetName(Cut(t, model::pagerec::kTitleCap));
    if (winHelp) {
        if (topicId_.empty()) topicId_ = "BadPageId" + std::to_string(n);
        x_.topicPages_[platform::text::Upper(Cut(topicId_, 20))] = n;
        x_.unfilled_.erase(n);
        x_.winHelpReport_.push_back({0, "(" + Cut(topicId_, 20) + ":" + std::to_string(n) + ")..." + ".." + page->GetName()});
    }
    int slot = 0;
    for (const std::string& word : keywords_) {
        if (word.empty()) continue;
        auto k = model::MakeObject(model::keyword);
        k->SetSet(&set_);
        k->Reset();
        k->SetName(Cut(word, 79));
        model::TNYXoggetto* same = set_.FindByName(*k);
        const std::int32_t index = same ? static_cast<std::int32_t>(same->Index()) : set_.RegisterObject(model::keyword, -1, std::move(k));
        if (index >= 0 && slot < static_cast<int>(model::pagerec::kKeywordCount))
            page->SetInt(model::pagerec::kKeywords + 4 * static_cast<std::size_t>(slot++), index);
        if (winHelp) x_.winHelpReport_.push_back({1, word});
    }
    keywords_.clear();
    topicId_.clear();
    if (fresh || std::find(x_.report_.pages.begin(), x_.report_.pages.end(), n) == x_.report_.pages.end()) x_.report_.pages.push_back(n);
    pages.push_back(n);
    return n;
}

void TRtfReader::ClosePage(TOut& o) {
    if (o.paraOpen) WriteParagraph(o);
    if (o.haveTable) FinishTable(o);
    std::string title = title_;
    if (title.empty() && x_.importOptions.winHelp) title = topicId_;
    if (title.empty() && !infoTitle_.empty() && pages.empty()) title = infoTitle_;
    if (title.empty()) {
        title = platform::text::Utf8ToCp1252(file_.filename().string());
        if (splitCount_ > 0) title += " (" + std::to_string(splitCount_ + 1) + ")";
    }
    MakePage(std::move(o.markup), title);
    o.markup.clear();
    o.paragraphs = 0;
    o.sinceSplit = 0;
    title_.clear();
    ++splitCount_;
}

void TRtfReader::PageBreak() {
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    if (o.kind != TOut::kBody) return;
    if (o.paraOpen) WriteParagraph(o);
    if (o.haveTable) FinishTable(o);
    if (o.markup.empty() && topicId_.empty() && title_.empty()) return;
    ClosePage(o);
}

void TRtfReader::MaybeSplit(TOut& o) {
    const int per = x_.importOptions.parsPerPage;
    if (!several_ || clip_ || x_.importOptions.winHelp || per <= 0 || o.sinceSplit < per) return;
    if (!curPage_) curPage_ = html::NewImportPage(set_, x_.importBackColour, x_.importBackPicture);
    model::TNYXtesto* next = html::NewImportPage(set_, x_.importBackColour, x_.importBackPicture);
    if (!curPage_ || !next) return;
    const std::int32_t prev = static_cast<std::int32_t>(curPage_->Index());
    o.markup += "<Z S0 >" + PageLink(static_cast<std::int32_t>(next->Index()), "...continua");
    const std::string keepTitle = title_;
    ClosePage(o);
    curPage_ = next;
    title_ = keepTitle;
    o.markup = "<Z S0 >" + PageLink(prev, "continua...");
}

std::int32_t TRtfReader::IndexPage() {
    if (x_.importOptions.commonIndex && x_.indexPage_ >= 0) return x_.indexPage_;
    if (!x_.importOptions.commonIndex && indexPage_ >= 0) return indexPage_;
    model::TNYXtesto* page = html::NewImportPage(set_, x_.importBackColour, x_.importBackPicture);
    if (!page) return -1;
    page->SetName("Indice");
    page->SetByte(model::pagerec::kMarkupVersion, model::pagerec::kCurrentMarkup);
    const std::int32_t n = static_cast<std::int32_t>(page->Index());
    x_.indexTexts_[n] = "<Z S0 >INDICE<Z S0 >";
    x_.report_.pages.push_back(n);
    (x_.importOptions.commonIndex ? x_.indexPage_ : indexPage_) = n;
    return n;
}

void TRtfReader::HeadingSplit(TOut& o, int level, const std::string& heading) {
    const std::int32_t index = IndexPage();
    if (index < 0) return;
    if (o.paragraphs > 0 && !o.markup.empty()) {
        // The page read so far ends with a link on and a link back to the index.
        if (!curPage_) curPage_ = html::NewImportPage(set_, x_.importBackColour, x_.importBackPicture);
        model::TNYXtesto* next = html::NewImportPage(set_, x_.importBackColour, x_.importBackPicture);
        if (!curPage_ || !next) return;
        const std::int32_t prev = static_cast<std::int32_t>(curPage_->Index());
        o.markup += "<Z S0 >" + PageLink(static_cast<std::int32_t>(next->Index()), "...continua");
        o.markup += "<Z S0 >" + PageLink(index, "Indice") + "<Z S0 >";
        ClosePage(o);
        curPage_ = next;
        o.markup = "<Z S0 >" + PageLink(prev, "continua...");
    } else if (!curPage_) {
        curPage_ = html::NewImportPage(set_, x_.importBackColour, x_.importBackPicture);
        if (!curPage_) return;
    }
    title_ = Cut(heading, model::pagerec::kTitleCap);
    const std::int32_t n = static_cast<std::int32_t>(curPage_->Index());
    std::string entry = "<Z S0 >";
    for (int i = 1; i < level; ++i) entry += ". ";
    x_.indexTexts_[index] += entry + PageLink(n, std::to_string(n)) + "<Z S0 >";
}

void TRtfReader::Footnote(const std::string& text) {
    ++x_.footnoteCounter_;
    if (!x_.importOptions.winHelp || clip_) return;  // kept aside: not part of the page
    std::size_t b = 0;
    while (b < text.size() && (text[b] == ' ' || text[b] == '\r' || text[b] == '\n')) ++b;
    if (b >= text.size()) return;
    const char mark = text[b];
    std::string value = text.substr(b + 1);
    while (!value.empty() && (value.front() == ' ')) value.erase(0, 1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\n' || value.back() == '\r')) value.pop_back();
    TOut& o = outs_[static_cast<std::size_t>(S().out)];
    if (!o.para.empty() && o.para.back() == mark) o.para.pop_back();
    switch (mark) {
        case '#': topicId_ = Cut(value, 20); break;
        case '$': title_ = Cut(value, model::pagerec::kTitleCap); break;
        case 'K': {
            std::size_t p = 0;
            while (p <= value.size()) {
                std::size_t e = value.find(';', p);
                if (e == std::string::npos) e = value.size();
                std::string w = value.substr(p, e - p);
                while (!w.empty() && w.front() == ' ') w.erase(0, 1);
                while (!w.empty() && w.back() == ' ') w.pop_back();
                if (!w.empty()) keywords_.push_back(w);
                p = e + 1;
            }
            break;
        }
        default: break;
    }
}

void TRtfReader::FinishBody() {
    TOut& o = outs_.front();
    if (o.paraOpen) WriteParagraph(o);
    if (o.haveTable) FinishTable(o);
    if (clip_) {
        clipMarkup = std::move(o.markup);
        clipParagraphs = o.paragraphs;
        return;
    }
    if (!o.markup.empty() || pages.empty() || curPage_ || !topicId_.empty()) ClosePage(o);
    if (indexPage_ >= 0) x_.FlushIndex(indexPage_);
}

// --- the converter's import operations -------------------------------------------------------------

void TNYXtortf::FlushIndex(std::int32_t page) {
    if (!LinkedNYXset) return;
    model::TNYXoggetto* p = LinkedNYXset->ObjectAt(model::testoHtml, page);
    if (!p) return;
    std::string text = indexTexts_[page];
    text += '\0';
    p->SetFirstStream(std::move(text));
}

bool TNYXtortf::ImportText(std::string_view bytes, const fs::path& name, bool severalPages) {
    if (!LinkedNYXset) return false;
    // Pages come in one after another: each joins the end of the number order
    // remembered from the one before.
    model::TNYXset::TPageRun run(*LinkedNYXset);
    TRtfReader r(*this, *LinkedNYXset, false, severalPages || importOptions.winHelp, name);
    if (!r.Read(bytes)) {
        report_.problems.push_back({name.string(), 0, "non \xC3\xA8 un file RTF"});
        return false;
    }
    for (const std::string& p : r.problems) report_.problems.push_back({name.string(), 0, platform::text::Cp1252ToUtf8(p)});
    return true;
}

int TNYXtortf::ImportFiles(const std::vector<fs::path>& files, int flag) {
    report_.Clear();
    winHelpReport_.clear();
    topicPages_.clear();
    unfilled_.clear();
    indexTexts_.clear();
    indexPage_ = -1;
    footnoteCounter_ = 0;
    if (!LinkedNYXset) return 0;
    model::TNYXset::TPageRun run(*LinkedNYXset);
    platform::BusyCursor busy;
    std::vector<std::string> failed;
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        if (stopRequested && stopRequested()) {
            report_.stopped = true;
            break;
        }
        if (OnImpProgress) OnImpProgress(i, count, 1);
        const fs::path& f = files[static_cast<std::size_t>(i)];
        std::error_code ec;
        if (fs::is_regular_file(f, ec) && fs::file_size(f, ec) > maxFileSize) {
            platform::ui().Error(kTooBig);
            report_.skipped.push_back(f.string() + ": file troppo grande");
            continue;
        }
        const std::optional<std::string> bytes = ReadImportFile(f, maxFileSize, report_.skipped);
        if (!bytes) {
            failed.push_back(f.string());
            continue;
        }
        // A file that is not RTF is named at the end; the others still come in.
        if (!ImportText(*bytes, f, flag == 1)) failed.push_back(f.string());
    }
    if (indexPage_ >= 0) FlushIndex(indexPage_);
    if (OnImpProgress) OnImpProgress(count, count, 1);
    for (const std::int32_t n : unfilled_) {
        const model::TNYXoggetto* p = LinkedNYXset->ObjectAt(model::testoHtml, n);
        winHelpReport_.push_back({2, "argomento mai trovato: " + (p ? p->GetName() : std::to_string(n))});
    }
    if (!failed.empty()) {
        std::string msg = "Problemi con alcuni dei files da importare. Controllare che non siano in utilizzo in un'altra applicazione.\r\n";
        for (const std::string& f : failed) msg += f + "\r\n";
        platform::ui().Warning(msg);
    }
    return report_.pages.empty() ? 0 : report_.pages.front();
}

std::vector<std::string> TNYXtortf::WinHelpReportLines() const {
    std::vector<std::string> lines{"Report importazione Win Help:", "  Pagine importate:"};
    auto add = [&](int tag) {
        bool any = false;
        for (const TReportLine& l : winHelpReport_)
            if (l.tag == tag) {
                lines.push_back("    " + platform::text::Cp1252ToUtf8(l.text));
                any = true;
            }
        return any;
    };
    add(0);
    lines.push_back("  Parole chiave importate:");
    add(1);
    lines.push_back("  Collegamenti non importati:");
    if (!add(2)) lines.push_back("    nessuna");
    return lines;
}

std::string TNYXtortf::ImportFragment(std::string_view rtf, int style) {
    richtext::TClipContainer c;
    c.format = 1;
    // Without an RTF header only the three leading counts: 1, 0, 0.
    const std::string nothing("\x01\0\0\0\0\0\0\0\0\0\0\0", 12);
    if (!LinkedNYXset) return nothing;
    TRtfReader r(*this, *LinkedNYXset, true, false, {});
    r.defaultStyle = style;
    if (!r.Read(rtf)) return nothing;
    for (std::size_t i = 0; i < r.clipObjects.size(); ++i) {
        if (!r.clipObjects[i]) continue;
        richtext::TClipObject obj;
        obj.kind = r.clipObjects[i]->Type();
        obj.old = static_cast<std::int32_t>(i);
        r.clipObjects[i]->SaveToStream(obj.record);
        c.objects.push_back(std::move(obj));
    }
    c.markup = html::PostProcessImportedText(*LinkedNYXset, r.clipMarkup.empty() ? std::string("<Z S") + std::to_string(style) + " >" : r.clipMarkup);
    c.paragraphs = std::max(1, r.clipParagraphs);
    return richtext::BuildContainer(c);
}

}  // namespace convert::rtf
