#include "shell/Languager.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/text.h"

namespace shell {

namespace text = platform::text;

const std::vector<std::string> kMenuAndFormProperties = {"caption", "text", "hint"};
const std::vector<std::string> kComponentProperties = {"caption", "text",    "hint",    "strings", "items",       "lines",
                                                       "filter",  "title",   "columns", "tabs",    "imageindexes"};

namespace {
constexpr char kSection = '\xA7';  // "§" in Windows-1252
}

std::string DecodeLocalizedValue(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const char next = i + 1 < s.size() ? s[i + 1] : '\0';
        if (c == '\'' && next == '\'') {
            out += '\'';
            ++i;
        } else if (c == kSection && next == '!') {
            out += "\r\n";
            ++i;
        } else if (c == kSection && next == kSection) {
            out += kSection;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string EncodeLocalizedValue(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 8);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\'') {
            out += "''";
        } else if (c == kSection) {
            out += "\xA7\xA7";
        } else if (c == '\r' || c == '\n') {
            out += "\xA7!";
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string LocalizationKey(std::string_view component, std::string_view property) {
    return text::Lower("*_*" + std::string(component) + "_" + std::string(property));
}

// ---------------------------------------------------------------------------

void TLocalizationText::Parse(std::string_view s) {
    lines_.clear();
    keys_.clear();
    std::size_t start = 0;
    while (start < s.size()) {
        std::size_t end = s.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = s.size();
        lines_.emplace_back(s.substr(start, end - start));
        start = end;
        if (start < s.size() && s[start] == '\r') ++start;
        if (start < s.size() && s[start] == '\n') ++start;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) keys_.emplace(lines_[i], i);
}

std::optional<std::string> TLocalizationText::Value(std::string_view key) const {
    auto it = keys_.find(key);
    if (it == keys_.end()) return std::nullopt;
    const std::size_t v = it->second + 1;
    if (v >= lines_.size()) return std::nullopt;  // a key on the last line has no value
    std::string_view line = lines_[v];
    // A key line right after the key means the value line is missing: the
    // property keeps its text rather than taking the next key.
    if (line.substr(0, 3) == "*_*") return std::nullopt;
    if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    return DecodeLocalizedValue(line);
}

// ---------------------------------------------------------------------------

const std::string* TKyLanguagesStore::Text(const std::string& language) const {
    auto it = texts_.find(language);
    return it == texts_.end() ? nullptr : &it->second;
}

std::vector<std::string> TKyLanguagesStore::Languages() const {
    std::vector<std::string> out;
    for (const auto& [lang, t] : texts_) out.push_back(lang);
    return out;
}

// ---------------------------------------------------------------------------

namespace {
bool Allowed(const TLocalizableComponent& c, const std::string& lowerProperty) {
    const auto& allowed = c.menuItemOrForm ? kMenuAndFormProperties : kComponentProperties;
    return std::find(allowed.begin(), allowed.end(), lowerProperty) != allowed.end();
}
}  // namespace

void TKyLanguager::BuildList() {
    built_ = true;
    entries_.clear();
    list_.clear();
    for (const TLocalizableComponent& c : owner_.LocalizableComponents()) {
        if (c.name.empty()) continue;
        for (const std::string& p : c.properties) {
            const std::string lp = text::Lower(p);
            if (!Allowed(c, lp)) continue;
            const std::string entry = text::Lower(c.name) + "." + lp;
            if (std::find(list_.begin(), list_.end(), entry) != list_.end()) continue;
            entries_.push_back({c.name, lp});
            list_.push_back(entry);
        }
    }
}

const std::vector<std::string>& TKyLanguager::PropertiesList() {
    if (!built_) BuildList();
    return list_;
}

int TKyLanguager::Apply() {
    if (!built_) BuildList();
    const std::string* source = &localization_;
    if (source->empty() && store_) {
        if (const std::string* t = store_->Text(store_->DefaultLang)) source = t;
    }
    if (source->empty()) return 0;
    const TLocalizationText lines(*source);
    int assigned = 0;
    for (const Entry& e : entries_) {
        const auto value = lines.Value(LocalizationKey(e.component, e.property));
        if (!value) continue;  // keeps its designed text
        try {
            if (owner_.AssignProperty(e.component, e.property, text::Cp1252ToUtf8(*value))) ++assigned;
        } catch (...) {
            // A property that refuses its text keeps the old one.
        }
    }
    return assigned;
}

void TKyLanguager::SetLocalizationString(std::string cp1252) {
    localization_ = std::move(cp1252);
    Apply();
}

bool TKyLanguager::LoadLocalizationFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    constexpr std::size_t kMax = 4u << 20;  // far beyond any window's texts
    std::string bytes;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        bytes.append(buf, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMax) return false;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    SetLocalizationString(text::Utf8ToCp1252(bytes));
    return true;
}

std::filesystem::path LocalizationFileFor(const std::filesystem::path& dataFolder, std::string_view windowName) {
    std::string name = text::Lower(windowName);
    // A window name is an identifier; anything that could leave the folder is dropped.
    std::erase_if(name, [](char c) { return c == '/' || c == '\\' || c == '.' || c == '\0'; });
    return dataFolder / "lang" / (text::Cp1252ToUtf8(name) + ".lng");
}

std::string CaptureLocalization(const TLocalizableOwner& owner) {
    std::string out;
    for (const TLocalizableComponent& c : owner.LocalizableComponents()) {
        if (c.name.empty()) continue;
        for (const std::string& p : c.properties) {
            const std::string lp = text::Lower(p);
            if (!Allowed(c, lp)) continue;
            const auto v = owner.PropertyValue(c.name, lp);
            if (!v) continue;
            out += LocalizationKey(c.name, lp) + "\r\n " + EncodeLocalizedValue(text::Utf8ToCp1252(*v)) + "\r\n";
        }
    }
    return out;
}

}  // namespace shell
