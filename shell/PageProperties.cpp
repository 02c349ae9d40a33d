#include "shell/PageProperties.h"

#include <algorithm>

#include "model/Bytes.h"
#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"

using namespace model;

namespace shell {
namespace {

const TNYXoggetto* KeywordAt(const TNYXset& set, std::int32_t slot) {
    if (slot < 0) return nullptr;
    const TNYXoggetto* k = set.ObjectAt(keyword, slot);
    return k && !k->IsEmpty() ? k : nullptr;
}

const TNYXoggetto* PageAt(const TNYXset& set, std::int32_t slot) {
    if (slot < 0) return nullptr;
    const TNYXoggetto* p = set.ObjectAt(testoHtml, slot);
    return p && !p->IsEmpty() ? p : nullptr;
}

// Second stream of a page: int32 length of the lead, the lead (int32 N and
// N bytes of alias), then the free head HTML.
std::string SecondStreamOf(const std::string& alias, const std::string& html) {
    std::string s;
    bytes::PutI32(s, static_cast<std::int32_t>(4 + alias.size()));
    bytes::PutI32(s, static_cast<std::int32_t>(alias.size()));
    return s + alias + html;
}

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

}  // namespace

std::vector<std::string> SplitKeywords(const std::string& list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        std::string k = Trim(list.substr(start, comma - start));
        if (!k.empty()) out.push_back(std::move(k));
        start = comma + 1;
    }
    return out;
}

TPageChoices ReadPageChoices(const TNYXset& set, const TNYXoggetto& page) {
    TPageChoices c;
    c.title = page.Str(pagerec::kTitle, pagerec::kTitleCap);
    c.autoTitle = c.title == kAutoTitle;
    c.textColour = page.Int(pagerec::kTextColour);
    c.linkColour = page.Int(pagerec::kLinkColour);
    c.visitedColour = page.Int(pagerec::kVisitedColour);
    c.backColour = page.Int(pagerec::kBackColour);
    c.backPicture = page.Int(pagerec::kBackPicture);
    c.fixedBackground = page.Byte(pagerec::kFixedBackground) == 1;
    // A slot that names no keyword is unused; a keyword listed twice is shown once.
    for (std::size_t k = 0; k < pagerec::kKeywordCount; ++k)
        if (const TNYXoggetto* kw = KeywordAt(set, page.Int(pagerec::kKeywords + 4 * k))) {
            std::string name = kw->Str(0, kKeywordCap);
            if (std::find(c.keywords.begin(), c.keywords.end(), name) == c.keywords.end())
                c.keywords.push_back(std::move(name));
        }
    c.headerPage = page.Int(pagerec::kHeaderPage);
    c.footerPage = page.Int(pagerec::kFooterPage);
    c.chapter = page.SWord(pagerec::kChapter);
    c.position = page.SWord(pagerec::kPosition);
    c.nextSlide = page.Int(pagerec::kNextSlide);
    c.alias = TNYXset::PageAlias(page);
    c.headHtml = page.SecondStreamText();
    return c;
}

std::string CheckPageChoices(const TNYXset& set, const TNYXoggetto& page, const TPageChoices& c) {
    if (!c.autoTitle) {
        if (Trim(c.title).empty()) return "Il titolo della pagina non può essere vuoto.";
        if (c.title.size() > pagerec::kTitleCap)
            return "Il titolo può contenere al massimo " + std::to_string(pagerec::kTitleCap) + " caratteri.";
    }
    if (c.keywords.size() > kMaxPageKeywords)
        return "Una pagina può avere al massimo " + std::to_string(kMaxPageKeywords) + " parole chiave.";
    for (const std::string& k : c.keywords) {
        if (Trim(k).empty() || k == "-") return "Parola chiave non valida: vuota o \"-\".";
        if (k.size() > kKeywordCap)
            return "Una parola chiave può contenere al massimo " + std::to_string(kKeywordCap) + " caratteri.";
    }
    if (c.backPicture >= 0) {
        const TNYXoggetto* pic = set.ObjectAt(immagine, c.backPicture);
        if (!pic || pic->IsEmpty()) return "L'immagine di sfondo scelta non esiste.";
    }
    for (const std::int32_t slot : {c.headerPage, c.footerPage})
        if (slot != -1 && (!PageAt(set, slot) || PageAt(set, slot) == &page))
            return slot == c.headerPage ? "La pagina di intestazione scelta non è valida."
                                        : "La pagina di piè di pagina scelta non è valida.";
    if (c.nextSlide != -1) {
        const TNYXoggetto* next = set.ObjectByRef(c.nextSlide);
        if (!next || next->Type() != testoHtml || next->IsEmpty() || next == &page)
            return "La diapositiva successiva scelta non è una pagina valida.";
    }
    if (c.alias.size() > kAliasCap)
        return "L'alias può contenere al massimo " + std::to_string(kAliasCap) + " caratteri.";
    if (!c.alias.empty()) {
        const TNYXoggetto* other = set.PageByAlias(c.alias);
        if (other && other != &page) return "L'alias è già usato da un'altra pagina.";
    }
    return {};
}

bool ApplyPageChoices(TNYXset& set, TNYXoggetto& page, const TPageChoices& c) {
    if (!CheckPageChoices(set, page, c).empty()) return false;
    if (ReadPageChoices(set, page) == c) return false;
    if (set.undoRecorder) set.undoRecorder->SnapshotObject("Propriet\xE0 pagina", page);

    // Keyword objects first (an equal keyword is reused), so that the page
    // only takes slots that exist.
    std::vector<std::int32_t> slots;
    for (const std::string& k : c.keywords) {
        std::int32_t slot = -1;
        for (std::size_t i = 0; i < set.Count(keyword) && slot < 0; ++i)
            if (const TNYXoggetto* kw = KeywordAt(set, static_cast<std::int32_t>(i)); kw && kw->Str(0, kKeywordCap) == k)
                slot = static_cast<std::int32_t>(i);
        if (slot < 0) {
            TNYXoggetto* kw = set.NewObject(keyword);
            if (!kw) continue;
            kw->SetStr(0, kKeywordCap, k);
            slot = static_cast<std::int32_t>(kw->Index());
        }
        if (std::find(slots.begin(), slots.end(), slot) == slots.end()) slots.push_back(slot);
    }

    page.SetStr(pagerec::kTitle, pagerec::kTitleCap, c.autoTitle ? std::string(kAutoTitle) : c.title);
    page.SetInt(pagerec::kTextColour, c.textColour);
    page.SetInt(pagerec::kLinkColour, c.linkColour);
    page.SetInt(pagerec::kVisitedColour, c.visitedColour);
    page.SetInt(pagerec::kBackColour, c.backColour);
    page.SetInt(pagerec::kBackPicture, c.backPicture);
    page.SetByte(pagerec::kFixedBackground, c.fixedBackground ? 1 : 0);
    for (std::size_t k = 0; k < pagerec::kKeywordCount; ++k)
        page.SetInt(pagerec::kKeywords + 4 * k, k < slots.size() ? slots[k] : -1);
    page.SetInt(pagerec::kHeaderPage, c.headerPage);
    page.SetInt(pagerec::kFooterPage, c.footerPage);
    page.SetWord(pagerec::kChapter, static_cast<std::uint16_t>(c.chapter));
    page.SetWord(pagerec::kPosition, static_cast<std::uint16_t>(c.position));
    page.SetInt(pagerec::kNextSlide, c.nextSlide);
    if (!c.alias.empty() || !c.headHtml.empty() || page.HasSecondStream())
        page.SetSecondStream(SecondStreamOf(c.alias, c.headHtml));
    set.SetModified(true);
    return true;
}

}  // namespace shell
