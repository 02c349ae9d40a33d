#include "present/PrintSetup.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Types.h"

namespace present {

const char* const kNoPrintableArea =
    "I margini non lasciano spazio per stampare: ridurre i margini o scegliere un foglio pi\xC3\xB9 grande.";
const char* const kProfilesKey = "\\Software\\ZR\\printerProfiles";
const char* const kDefaultProfile = "PrinterSettings1";

std::int32_t ClampPictureScale(std::int64_t scale) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(scale, kMinPictureScale, kMaxPictureScale));
}

std::int32_t ClampCopies(std::int64_t copies) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(copies, 1, 999));
}

namespace {

std::int32_t RoundToInt(double v) {
    if (!(v > -2e9)) return -2000000000;  // also NaN
    if (v > 2e9) return 2000000000;
    return static_cast<std::int32_t>(std::lround(v));
}

// Screen pixels (96 per inch) in hundredths of a millimetre.
double ScreenToHundredths(std::int64_t px) { return static_cast<double>(px) / 96.0 * 2540.0; }

}  // namespace

std::int32_t TPrintGeometry::ConvertX(std::int64_t screenPixels) const {
    return RoundToInt(ScreenToHundredths(screenPixels) * factorX);
}

std::int32_t TPrintGeometry::ConvertY(std::int64_t screenPixels) const {
    return RoundToInt(ScreenToHundredths(screenPixels) * factorY);
}

bool ComputeGeometry(const TPaper& paper, const TMargins& m, std::int32_t pictureScale, TPrintGeometry& g,
                     std::string* why) {
    g = TPrintGeometry{};
    if (paper.widthPx <= 0 || paper.heightPx <= 0 || !(paper.widthMm > 0) || !(paper.heightMm > 0)) {
        if (why) *why = "Formato del foglio sconosciuto: impossibile stampare.";
        return false;
    }
    g.factorX = paper.widthPx / (paper.widthMm * 100.0);
    g.factorY = paper.heightPx / (paper.heightMm * 100.0);
    g.pageWidthPx = paper.widthPx;
    g.pageHeightPx = paper.heightPx;
    // Negative margins count as none: nothing prints outside the sheet.
    const auto pos = [](std::int32_t v) { return static_cast<double>(std::max(0, v)); };
    g.printableWidth = paper.widthPx - RoundToInt((pos(m.left) + pos(m.right)) * g.factorX);
    g.printableHeight = paper.heightPx - RoundToInt((pos(m.top) + pos(m.bottom)) * g.factorY);
    g.marginLeftPx = RoundToInt(pos(m.left) * g.factorX);
    g.marginTopPx = RoundToInt(pos(m.top) * g.factorY);
    const std::int32_t scale = ClampPictureScale(pictureScale);
    g.pictureFactorX = std::max(1, RoundToInt(scale * g.factorX));
    g.pictureFactorY = std::max(1, RoundToInt(scale * g.factorY));
    // A band of height 0 would never advance through the text.
    if (g.printableWidth <= 0 || g.printableHeight <= 0) {
        if (why) *why = kNoPrintableArea;
        return false;
    }
    return true;
}

// --- printer profile -----------------------------------------------------------------------

std::string ProfileKey(std::string_view profileName) {
    return std::string(kProfilesKey) + "\\PrnSettings_" + std::string(profileName);
}

namespace {

struct IntField {
    const char* name;
    std::int32_t TPrinterProfile::*field;
};
// In the order they are loaded (a missing one ends the loading).
const IntField kIntFields[] = {
    {"dmPaperSize", &TPrinterProfile::paperSize},       {"dmPaperLength", &TPrinterProfile::paperLength},
    {"dmPaperWidth", &TPrinterProfile::paperWidth},     {"dmOrientation", &TPrinterProfile::orientation},
    {"dmScale", &TPrinterProfile::scale},               {"dmCopies", &TPrinterProfile::copies},
    {"dmDefaultSource", &TPrinterProfile::defaultSource}, {"dmPrintQuality", &TPrinterProfile::printQuality},
    {"dmColor", &TPrinterProfile::color},               {"dmDuplex", &TPrinterProfile::duplex},
};

std::optional<std::int32_t> ToInt(const std::optional<std::string>& s) {
    if (!s || s->empty()) return std::nullopt;
    std::int64_t v = 0;
    const char* b = s->data();
    const char* e = b + s->size();
    auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

}  // namespace

bool LoadPrinterProfile(const TProfileStore& store, std::string_view profileName, TPrinterProfile& out) {
    if (!store.read) return false;
    const std::string key = ProfileKey(profileName);
    // The key exists when any of its values can be read.
    TPrinterProfile p = out;
    auto str = [&](const char* name, std::string& field) {
        auto v = store.read(key, name);
        if (!v) return false;
        field = v->substr(0, 80);
        return true;
    };
    auto device = store.read(key, "device");
    auto saved = store.read(key, "PrnParsSaved");
    if (!device && !saved) return false;
    if (!str("device", p.device) || !str("driver", p.driver) || !str("port", p.port)) {
        out = p;
        return true;
    }
    for (const IntField& f : kIntFields) {
        auto v = ToInt(store.read(key, f.name));
        if (!v) {
            out = p;
            return true;
        }
        p.*(f.field) = *v;
    }
    std::int32_t* margins[] = {&p.margins.left, &p.margins.right, &p.margins.top, &p.margins.bottom};
    const char* names[] = {"Left", "Right", "Top", "Bottom"};
    for (int i = 0; i < 4; ++i) {
        auto v = ToInt(store.read(key, names[i]));
        if (!v) {
            out = p;
            return true;
        }
        *margins[i] = *v;
    }
    p.saved = saved && *saved == "1";
    out = p;
    return true;
}

bool SavePrinterProfile(const TProfileStore& store, std::string_view profileName, const TPrinterProfile& p) {
    if (!store.write) return false;
    const std::string key = ProfileKey(profileName);
    bool ok = store.write(key, "device", p.device.substr(0, 80));
    ok = store.write(key, "driver", p.driver.substr(0, 80)) && ok;
    ok = store.write(key, "port", p.port.substr(0, 80)) && ok;
    for (const IntField& f : kIntFields) ok = store.write(key, f.name, std::to_string(p.*(f.field))) && ok;
    ok = store.write(key, "Left", std::to_string(p.margins.left)) && ok;
    ok = store.write(key, "Right", std::to_string(p.margins.right)) && ok;
    ok = store.write(key, "Top", std::to_string(p.margins.top)) && ok;
    ok = store.write(key, "Bottom", std::to_string(p.margins.bottom)) && ok;
    // Last: a profile cut short by a failed write does not count as saved.
    return ok && store.write(key, "PrnParsSaved", "1");
}

// --- page list -------------------------------------------------------------------------------

bool TPrintList::Add(std::int32_t slot) {
    if (slot < 0 || std::find(pages_.begin(), pages_.end(), slot) != pages_.end()) return false;
    pages_.push_back(slot);
    return true;
}

void TPrintList::SetAllInOrder(model::TNYXset& set) {
    pages_.clear();
    for (std::int32_t slot : PagesInDefaultOrder(set)) Add(slot);
}

std::size_t TPrintList::MoveUp(std::size_t i) {
    if (i == 0 || i >= pages_.size()) return i;
    std::swap(pages_[i], pages_[i - 1]);
    return i - 1;
}

std::size_t TPrintList::MoveDown(std::size_t i) {
    if (i + 1 >= pages_.size()) return i;
    std::swap(pages_[i], pages_[i + 1]);
    return i + 1;
}

void TPrintList::Remove(std::vector<std::size_t> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (auto it = indices.rbegin(); it != indices.rend(); ++it)
        if (*it < pages_.size()) pages_.erase(pages_.begin() + static_cast<std::ptrdiff_t>(*it));
}

namespace {

bool IsPage(const model::TNYXset& set, std::int32_t slot) {
    const model::TNYXoggetto* p = slot >= 0 ? set.ObjectAt(model::testoHtml, slot) : nullptr;
    return p && !p->IsEmpty();
}

}  // namespace

std::vector<std::int32_t> TPrintList::ToPrint(const model::TNYXset& set, std::int32_t previewPage) const {
    std::vector<std::int32_t> out;
    if (pages_.empty()) {
        if (IsPage(set, previewPage)) out.push_back(previewPage);
        return out;
    }
    for (std::int32_t s : pages_)
        if (IsPage(set, s)) out.push_back(s);
    return out;
}

std::vector<std::int32_t> PagesInDefaultOrder(model::TNYXset& set) {
    model::TNYXorderedTree tree(&set, model::testoHtml);
    // Reading the order stores the default tree where none is stored yet:
    // that alone is no change of the author's.
    const bool modified = set.Modified();
    tree.Reload();
    if (!modified) set.SetModified(false);
    std::vector<model::TNYXoggetto*> objects;
    tree.ObjectsInOrder(objects);
    std::vector<std::int32_t> out;
    for (model::TNYXoggetto* o : objects) {
        const auto slot = static_cast<std::int32_t>(o->Index());
        if (std::find(out.begin(), out.end(), slot) == out.end()) out.push_back(slot);
    }
    return out;
}

std::string PrintedPageName(const model::TNYXoggetto& page) {
    std::string title = page.DescriptionTitle();
    return title.empty() ? "Pagina " + std::to_string(page.Index()) : title;
}

std::string JobTitle(const model::TNYXoggetto& page) { return "Quor, pag: " + PrintedPageName(page); }

// --- command-line lists ------------------------------------------------------------------------

bool ParsePageList(std::string_view s, std::vector<std::int32_t>& out) {
    auto num = [](std::string_view t, std::int32_t& v) {
        if (t.empty()) return false;
        auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        return r.ec == std::errc() && r.ptr == t.data() + t.size() && v >= 0 && v <= 0xFFFFFF;
    };
    std::vector<std::int32_t> got;
    std::size_t p = 0;
    while (p <= s.size()) {
        std::size_t e = s.find(',', p);
        if (e == std::string_view::npos) e = s.size();
        const std::string_view item = s.substr(p, e - p);
        const std::size_t dash = item.find('-');
        std::int32_t a = 0, b = 0;
        if (dash == std::string_view::npos) {
            if (!num(item, a)) return false;
            b = a;
        } else if (!num(item.substr(0, dash), a) || !num(item.substr(dash + 1), b) || b < a || b - a > 100000) {
            return false;
        }
        for (std::int32_t v = a; v <= b; ++v) got.push_back(v);
        p = e + 1;
    }
    if (got.empty()) return false;
    out.insert(out.end(), got.begin(), got.end());
    return true;
}

bool ParseMarginsMm(std::string_view s, TMargins& out) {
    std::int32_t v[4];
    std::size_t p = 0;
    for (int i = 0; i < 4; ++i) {
        std::size_t e = s.find(',', p);
        if (e == std::string_view::npos) e = s.size();
        if (i < 3 && e == s.size()) return false;
        const std::string t(s.substr(p, e - p));
        if (t.empty()) return false;
        std::size_t used = 0;
        double mm = 0;
        try {
            mm = std::stod(t, &used);
        } catch (...) {
            return false;
        }
        if (used != t.size() || !(mm >= 0) || mm > 10000) return false;
        v[i] = static_cast<std::int32_t>(std::lround(mm * 100));
        p = e + 1;
    }
    if (p <= s.size()) return false;  // more than four values
    out.top = v[0];
    out.right = v[1];
    out.bottom = v[2];
    out.left = v[3];
    return true;
}

}  // namespace present
