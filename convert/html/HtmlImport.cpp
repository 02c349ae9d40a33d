// The HTML import's run: each file read and scanned into a page, the page
// filled at the end of its file, the local links resolved to the pages
// made, the page marker and the files a page's links lead to.
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

std::string PathKey(const fs::path& p) {
    std::error_code ec;
    fs::path a = fs::absolute(p, ec);
    if (ec) a = p;
    return a.lexically_normal().string();
}

// --- the end of a file -------------------------------------------------------------------------

void THtmlScan::Finish(TNYXtesto& page) {
    while (!tables_.empty()) TableEnd();
    CloseParagraph(Out());
    // Zones of image maps, wherever the MAP stood.
    for (auto& [placed, name] : usemaps_) {
        auto it = maps_.find(name);
        if (it == maps_.end()) continue;
        for (std::size_t i = 0; i < it->second.size() && i < kMaxZones; ++i) {
            const TZone& z = it->second[i];
            const std::size_t b = model::placedrec::kZones + model::placedrec::kZoneSize * i;
            placed->SetInt(b, z.link);
            placed->SetInt(b + 4, 0);
            placed->SetWord(b + 8, static_cast<std::uint16_t>(std::clamp(z.left, -32768, 32767)));
            placed->SetWord(b + 10, static_cast<std::uint16_t>(std::clamp(z.top, -32768, 32767)));
            placed->SetWord(b + 12, static_cast<std::uint16_t>(std::clamp(z.width, 0, 32767)));
            placed->SetWord(b + 14, static_cast<std::uint16_t>(std::clamp(z.height, 0, 32767)));
        }
    }
    std::string text = PostProcessImportedText(set_, outs_.front().text);
    text += '\0';
    page.SetFirstStream(std::move(text));
    page.SetByte(model::pagerec::kMarkupVersion, model::pagerec::kCurrentMarkup);
    // The second stream: an empty editor block (no alias), then the head's own HTML.
    std::string second(8, '\0');
    second[0] = 4;
    second += head_.empty() ? std::string(" ") : head_;
    page.SetSecondStream(std::move(second));
    if (bodyBack_ >= 0) page.SetInt(model::pagerec::kBackColour, static_cast<std::int32_t>(bodyBack_));
    if (bodyText_ >= 0) page.SetInt(model::pagerec::kTextColour, static_cast<std::int32_t>(bodyText_));
    if (bodyLink_ >= 0) page.SetInt(model::pagerec::kLinkColour, static_cast<std::int32_t>(bodyLink_));
    if (bodyVisited_ >= 0) page.SetInt(model::pagerec::kVisitedColour, static_cast<std::int32_t>(bodyVisited_));
    if (bodyPicture_ >= 0) page.SetInt(model::pagerec::kBackPicture, static_cast<std::int32_t>(model::RefIndex(bodyPicture_)));
    if (!title_.empty()) page.SetName(Cut(title_, model::pagerec::kTitleCap));
    int slot = 0;
    for (const std::string& word : keywords_) {
        auto k = model::MakeObject(model::keyword);
        k->SetSet(&set_);
        k->Reset();
        k->SetName(Cut(word, 79));
        TNYXoggetto* same = set_.FindByName(*k);
        std::int32_t index;
        if (same) index = static_cast<std::int32_t>(same->Index());
        else index = set_.RegisterObject(model::keyword, -1, std::move(k));
        if (index >= 0 && slot < static_cast<int>(model::pagerec::kKeywordCount))
            page.SetInt(model::pagerec::kKeywords + 4 * static_cast<std::size_t>(slot++), index);
    }
}

// --- THtmlImport ----------------------------------------------------------------------------------

THtmlImport::THtmlImport(TNYXset* set) : LinkedNYXset(set) {}
THtmlImport::~THtmlImport() = default;

void THtmlImport::BeginRun() {
    report_.Clear();
    localLinks_.clear();
    pagesByFile_.clear();
    pictures_.clear();
    sheets_.clear();
    outsideSeen_.clear();
    urls_.clear();
    urlsIndexed_ = false;
}

bool THtmlImport::OutsideAllowed(const fs::path& file, const std::string& what) {
    const std::string shown = file.string() + " (" + what + ")";
    if (std::find(report_.outside.begin(), report_.outside.end(), shown) == report_.outside.end())
        report_.outside.push_back(shown);
    if (!report_.outsideAsked) {
        report_.outsideAsked = true;
        report_.outsideLoaded =
            platform::ui().AskYesNo("Un file da importare fa riferimento a file fuori dalla sua cartella:\n" + file.string() +
                                    "\nCarico anche i file fuori dalla cartella (saranno elencati nel resoconto)?") ==
            platform::Answer::Yes;
    }
    return report_.outsideLoaded;
}

TNYXtesto* THtmlImport::ImportDocument(std::string_view bytes, const fs::path& file) {
    if (!LinkedNYXset) return nullptr;
    TNYXset& set = *LinkedNYXset;
    const TDecodedText decoded = DecodeHtmlBytes(bytes);
    report_.unmapped += decoded.unmapped;
    TNYXtesto* page = NewImportPage(set, importBackColour, importBackPicture);
    if (!page) return nullptr;
    THtmlScan scan(*this, set, decoded.text, file);
    try {
        scan.Run();
    } catch (const std::exception& e) {
        // A scan that fails keeps the page as far as it was read.
        report_.problems.push_back({file.string(), scan.Position(), e.what()});
    }
    try {
        scan.Finish(*page);
    } catch (const std::exception& e) {
        report_.problems.push_back({file.string(), scan.Position(), e.what()});
        if (!page->HasFirstStream()) page->SetText(richtext::kNewPageText.substr(0, 7));
    }
    report_.pages.push_back(static_cast<std::int32_t>(page->Index()));
    pagesByFile_[PathKey(file)] = page->Reference();
    return page;
}

int THtmlImport::ImportFiles(const std::vector<fs::path>& files, int /*flag*/) {
    BeginRun();
    if (!LinkedNYXset) return 0;
    // Pages come in one after another: each joins the end of the number order
    // remembered from the one before.
    TNYXset::TPageRun run(*LinkedNYXset);
    platform::BusyCursor busy;
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        if (stopRequested && stopRequested()) {
            report_.stopped = true;
            break;
        }
        if (OnImpProgress) OnImpProgress(i, count, 1);
        const fs::path& f = files[static_cast<std::size_t>(i)];
        const std::optional<std::string> bytes = ReadImportFile(f, kMaxFileSize, report_.skipped);
        if (!bytes) continue;
        ImportDocument(*bytes, f);
        if (report_.stopped) break;
    }
    if (OnImpProgress) OnImpProgress(count, count, 1);
    ResolveLocalLinks();
    return report_.pages.empty() ? 0 : report_.pages.front();
}

// Links to local files that this run imported now lead to their pages.
void THtmlImport::ResolveLocalLinks() {
    TNYXset& set = *LinkedNYXset;
    for (std::size_t i = 0; i < set.Count(model::speclink); ++i) {
        TNYXoggetto* l = set.ObjectAt(model::speclink, static_cast<std::int64_t>(i));
        if (!l || l->IsEmpty() || l->Subtype() != model::linkrec::kAutoImport) continue;
        std::string name;
        if (!l->ReadFirstStream(name)) continue;
        const fs::path file(platform::text::Cp1252ToUtf8(name));
        auto it = pagesByFile_.find(PathKey(file));
        if (it == pagesByFile_.end()) {
            // The exporter's frame-content document of a page ("P-000001.htm")
            // shows the same page as its page document ("P_000001.htm").
            std::string stem = file.stem().string();
            const std::size_t dash = stem.rfind('-');
            const std::string tail = dash == std::string::npos ? std::string() : stem.substr(dash + 1);
            const bool page = tail == "index" || (tail.size() == 6 && tail.find_first_not_of("0123456789abcdef") == std::string::npos);
            if (!page) continue;
            stem[dash] = '_';
            it = pagesByFile_.find(PathKey(file.parent_path() / (stem + file.extension().string())));
            if (it == pagesByFile_.end()) continue;
        }
        l->SetSubtype(model::linkrec::kGoTo);
        l->SetInt(model::linkrec::kTarget, it->second);
        l->SetInt(model::linkrec::kAnchor, -1);
        l->SetByte(model::linkrec::kShows, 1);
        l->SetByte(model::linkrec::kOpenMode, 5);
        l->DropFirstStream();
    }
}

TPageMarker THtmlImport::ReadPageMarker(std::string_view bytes) {
    TPageMarker m;
    // The first 100 lines.
    std::size_t end = 0;
    for (int line = 0; line < 100 && end < bytes.size(); ++line) {
        const std::size_t nl = bytes.find('\n', end);
        end = nl == std::string_view::npos ? bytes.size() : nl + 1;
    }
    const std::string_view head = bytes.substr(0, end);
    static constexpr std::string_view kMarker = "<!--pageQuor=\"";
    const std::size_t at = head.find(kMarker);
    if (at == std::string_view::npos) return m;
    m.found = true;
    std::size_t p = at + kMarker.size();
    const std::size_t semi = head.find(';', p);
    const std::size_t quote = head.find('"', p);
    if (semi == std::string_view::npos || quote == std::string_view::npos || semi > quote) return m;
    m.page = ToInt(head.substr(p, semi - p), 0);
    std::string raw(head.substr(semi + 1, quote - semi - 1));
    // The exporter escapes the name as text.
    std::string name;
    for (std::size_t i = 0; i < raw.size();) {
        char32_t cps[2];
        std::size_t next = i + 1;
        if (raw[i] == '&' && DecodeCharRef(raw, i, true, cps, next) == 1 && cps[0] < 0x80) {
            name += static_cast<char>(cps[0]);
            i = next;
        } else {
            name += raw[i++];
        }
    }
    if (Upper(fs::path(name).extension().string()) == ".NYX") m.nyxName = name;
    return m;
}

TPageMarker THtmlImport::ReadPageMarker(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(64 * 1024, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return ReadPageMarker(std::string_view(bytes));
}

std::vector<fs::path> THtmlImport::CollectLinkedFiles(const fs::path& start, int depth) {
    std::vector<fs::path> result;
    std::set<std::string> seen;
    std::error_code ec;
    const fs::path root = fs::absolute(start, ec).lexically_normal();
    const fs::path folder = root.parent_path();
    std::vector<fs::path> level{root};
    auto local = [](const fs::path& p) {
        const std::string ext = LowerS(p.extension().string());
        return ext == ".htm" || ext == ".html" || ext == ".txt";
    };
    for (int d = 0; d <= depth && !level.empty(); ++d) {
        std::vector<fs::path> next;
        for (const fs::path& f : level) {
            if (!seen.insert(PathKey(f)).second) continue;
            result.push_back(f);
            if (d == depth || !fs::is_regular_file(f, ec) || LowerS(f.extension().string()) == ".txt") continue;
            const auto size = fs::file_size(f, ec);
            if (ec || size > kMaxFileSize) continue;
            std::ifstream in(f, std::ios::binary);
            std::string bytes(static_cast<std::size_t>(size), '\0');
            if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) continue;
            const TDecodedText text = DecodeHtmlBytes(bytes);
            const std::string& s = text.text;
            fs::path base = f.parent_path();
            // Every HREF and SRC value: a quick look at the tags, enough for links.
            for (std::size_t p = s.find('<'); p != std::string::npos; p = s.find('<', p + 1)) {
                const std::size_t gt = s.find('>', p);
                if (gt == std::string::npos) break;
                const std::string tag = LowerS(std::string_view(s).substr(p, gt - p));
                const bool isBase = tag.compare(0, 5, "<base") == 0;
                for (const char* attr : {"href", "src"}) {
                    std::size_t a = tag.find(attr);
                    while (a != std::string::npos && a > 0 && !IsBlank(tag[a - 1])) a = tag.find(attr, a + 1);
                    if (a == std::string::npos) continue;
                    std::size_t v = a + std::strlen(attr);
                    while (v < tag.size() && IsBlank(tag[v])) ++v;
                    if (v >= tag.size() || tag[v] != '=') continue;
                    ++v;
                    while (v < tag.size() && IsBlank(tag[v])) ++v;
                    std::size_t e;
                    if (v < tag.size() && (tag[v] == '"' || tag[v] == '\'')) {
                        e = tag.find(tag[v], v + 1);
                        ++v;
                        if (e == std::string::npos) e = tag.size();
                    } else {
                        e = v;
                        while (e < tag.size() && !IsBlank(tag[e])) ++e;
                    }
                    // The value as written (the tag was lowered only to find it).
                    std::string value = s.substr(p + v, e - v);
                    const std::size_t cut = value.find_first_of("?#");
                    if (cut != std::string::npos) value.resize(cut);
                    std::size_t colon = value.find(':');
                    if (colon != std::string::npos && colon >= 2) {
                        if (isBase) base = f.parent_path();
                        continue;  // an internet address (a base of the internet is not followed)
                    }
                    std::string name = platform::text::Cp1252ToUtf8(value);
                    std::replace(name.begin(), name.end(), '\\', '/');
                    std::string decoded;
                    for (std::size_t k = 0; k < name.size(); ++k) {
                        auto hex = [](char c) { return IsDigit(c) ? c - '0' : (Low(c) >= 'a' && Low(c) <= 'f') ? Low(c) - 'a' + 10 : -1; };
                        if (name[k] == '%' && k + 2 < name.size() && hex(name[k + 1]) >= 0 && hex(name[k + 2]) >= 0) {
                            decoded += static_cast<char>(hex(name[k + 1]) * 16 + hex(name[k + 2]));
                            k += 2;
                        } else {
                            decoded += name[k];
                        }
                    }
                    if (decoded.empty() || decoded.find('\0') != std::string::npos) continue;
                    const fs::path target = (decoded[0] == '/' ? fs::path(decoded) : base / decoded).lexically_normal();
                    if (isBase) {
                        base = decoded.back() == '/' ? target : target.parent_path();
                        continue;
                    }
                    if (!local(target)) continue;
                    const fs::path rel = target.lexically_relative(folder);
                    if ((rel.empty() || *rel.begin() == "..") && !OutsideAllowed(target, "collegamento")) continue;
                    next.push_back(target);
                }
            }
        }
        level = std::move(next);
    }
    if (!result.empty()) result.erase(result.begin());  // the start file itself
    return result;
}

}  // namespace convert::html
