// Document assembly: all pages into one RTF (sections, each with its page's
// header and footer when they change), one page per document, a clipboard
// fragment; the header with its tables is written once the body is done.
#include "convert/rtf/NYXtortf.h"

#include "convert/OutputFile.h"
#include "convert/rtf/RtfWriter.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Upgrade.h"
#include "platform/Ui.h"
#include "platform/text.h"

namespace convert::rtf {

namespace fs = std::filesystem;

namespace {

constexpr const char* kBigQuestion =
    "Il file ha superato i 5Mb e potrebbe essere lento da consultare con un wordprocessor. Potrebbe essere consigliabile "
    "esportare due o tre gruppi di pagine, dividendo in pi\xC3\xB9 files. Proseguo l'export?";

const model::TNYXoggetto* LivePage(const model::TNYXset& set, std::int32_t n) {
    const model::TNYXoggetto* p = n >= 0 ? set.ObjectAt(model::testoHtml, n) : nullptr;
    return p && !p->IsEmpty() ? p : nullptr;
}

// The header or footer page of a page: its own, else the hypertext's.
std::int32_t FramePage(const model::TNYXset& set, const model::TNYXoggetto& page, bool header) {
    std::int32_t n = page.Int(header ? model::pagerec::kHeaderPage : model::pagerec::kFooterPage);
    if (n < 0) n = set.HInt(header ? model::hdr::kHeaderPage : model::hdr::kFooterPage);
    return LivePage(set, n) ? n : -1;
}

}  // namespace

bool TNYXtortf::WriteDocument(const fs::path& file, const std::string& header, const std::string& body, const std::string& tail) {
    std::string all;
    all.reserve(header.size() + body.size() + tail.size());
    all += header;
    all += body;
    all += tail;
    std::error_code ec;
    if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
    if (!WriteWholeFile(file, all)) {
        const std::string msg = "Errore nella scrittura file " + platform::text::Utf8ToCp1252(file.string());
        problems_.push_back(msg);
        platform::ui().Error(platform::text::Cp1252ToUtf8(msg));
        return false;
    }
    return true;
}

std::string TNYXtortf::ExportSelection(std::string_view source) {
    problems_.clear();
    if (const std::size_t nul = source.find('\0'); nul != std::string_view::npos) source = source.substr(0, nul);
    if (!LinkedNYXset) return std::string(1, '\0');
    TRtfWriter w(*this, *LinkedNYXset, true);
    std::string body;
    w.Text(source, nullptr, body);
    std::string doc = w.Header(false);
    doc += body;
    doc += "}";
    doc += '\0';
    return doc;
}

bool TNYXtortf::StopBefore(const std::vector<std::int32_t>& pages, std::size_t i) {
    if (!stopRequested || !stopRequested()) return false;
    stopped_ = true;
    pagesLeft_.assign(pages.begin() + static_cast<std::ptrdiff_t>(i), pages.end());
    return true;
}

bool TNYXtortf::ExportPages(const std::vector<std::int32_t>& pages) {
    problems_.clear();
    bitmaps_.clear();
    windows_.clear();
    stopped_ = false;
    pagesLeft_.clear();
    if (!LinkedNYXset) return false;
    model::TNYXset& set = *LinkedNYXset;
    TRtfWriter w(*this, set, false);
    std::string body;
    bool asked = false;
    std::int32_t prevHeader = -2, prevFooter = -2;
    bool first = true;
    const int count = static_cast<int>(pages.size());
    for (int i = 0; i < count; ++i) {
        if (StopBefore(pages, static_cast<std::size_t>(i))) {
            problems_.push_back("Esportazione interrotta dall'utente: nessun file scritto.");
            return false;
        }
        const model::TNYXoggetto* page = LivePage(set, pages[static_cast<std::size_t>(i)]);
        if (!page) {
            problems_.push_back("Pagina inesistente: " + std::to_string(pages[static_cast<std::size_t>(i)]));
            continue;
        }
        if (!first) body += winHelp ? "\\page " : "\\sect\\sectd ";
        if (!winHelp) {
            const std::int32_t h = FramePage(set, *page, true), f = FramePage(set, *page, false);
            if (first || h != prevHeader || f != prevFooter) {
                for (const bool isHeader : {true, false}) {
                    const std::int32_t n = isHeader ? h : f;
                    body += isHeader ? "{\\header " : "{\\footer ";
                    if (n >= 0) {
                        const model::TNYXoggetto* hp = LivePage(set, n);
                        w.Text(model::CurrentPageText(set, *hp), hp, body);
                    }
                    body += "}";
                }
            }
            prevHeader = h;
            prevFooter = f;
        }
        first = false;
        Progress(i, count, 1);
        w.Text(model::CurrentPageText(set, *page), page, body);
        if (!asked && body.size() > bigBodySize) {
            asked = true;
            if (platform::ui().AskYesNo(kBigQuestion) != platform::Answer::Yes) break;
        }
    }
    const std::string header = w.Header(true);
    bitmaps_ = w.bitmaps;
    windows_ = w.windows;
    if (!WriteDocument(ExportFileName, header, body, "}")) return false;
    return problems_.empty();
}

bool TNYXtortf::ExportOnePage(std::int32_t pageNo) {
    problems_.clear();
    bitmaps_.clear();
    windows_.clear();
    if (!LinkedNYXset) return false;
    model::TNYXset& set = *LinkedNYXset;
    const model::TNYXoggetto* page = LivePage(set, pageNo);
    if (!page) {
        problems_.push_back("Pagina inesistente: " + std::to_string(pageNo));
        return false;
    }
    TRtfWriter w(*this, set, false);
    std::string body = "{";
    if (!winHelp) {
        for (const bool isHeader : {true, false}) {
            const std::int32_t n = FramePage(set, *page, isHeader);
            if (n < 0) continue;
            const model::TNYXoggetto* hp = LivePage(set, n);
            body += isHeader ? "{\\header " : "{\\footer ";
            w.Text(model::CurrentPageText(set, *hp), hp, body);
            body += "}";
        }
    }
    w.Text(model::CurrentPageText(set, *page), page, body);
    body += "}";
    const std::string header = w.Header(true);
    bitmaps_ = w.bitmaps;
    windows_ = w.windows;
    if (!WriteDocument(ExportFileName, header, body, "}")) return false;
    return problems_.empty();
}

std::string TNYXtortf::PageFileName(std::int32_t page) const {
    const bool start = LinkedNYXset && LinkedNYXset->HInt(model::hdr::kCoverPage) == page;
    return ExportPrefix() + (start ? std::string("index") : Hex6(static_cast<std::uint32_t>(page))) + ".rtf";
}

bool TNYXtortf::ExportEachPage(const std::vector<std::int32_t>& pages) {
    bool ok = true;
    std::vector<std::string> all;
    stopped_ = false;
    pagesLeft_.clear();
    const int count = static_cast<int>(pages.size());
    for (int i = 0; i < count; ++i) {
        if (StopBefore(pages, static_cast<std::size_t>(i))) {
            all.push_back("Esportazione interrotta dall'utente.");
            ok = false;
            break;
        }
        const std::int32_t p = pages[static_cast<std::size_t>(i)];
        ExportFileName = ExportPath / platform::text::Cp1252ToUtf8(PageFileName(p));
        Progress(i, count, 1);
        if (!ExportOnePage(p)) ok = false;
        all.insert(all.end(), problems_.begin(), problems_.end());
    }
    problems_ = std::move(all);
    return ok;
}

}  // namespace convert::rtf
