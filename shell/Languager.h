// Interface texts: every window carries a TKyLanguager that sets the
// user-visible texts of the window's components from a localization text.
//
// A localization text is a list of lines (CR LF, LF or CR) in pairs: a key
// line "*_*" + component name + "_" + property name, lower-cased, then a
// value line of one space and the encoded value:
//
//     *_*fricerca_caption
//      Ricerche ipertestuali - esplorazione collegamenti
//
// In a value "''" stands for one apostrophe, "§!" for a line break (CR LF)
// and "§§" for one "§". Texts are Windows-1252 in memory (a file on disk is
// UTF-8, see LoadLocalizationFile); the values handed to the window are
// UTF-8.
//
// The window side is TLocalizableOwner, which the desktop implements once
// for Qt (shell/ui/QtLocalizableOwner.h): it lists its named components with
// the text properties each one has, and assigns a value to one of them.
// Only the properties named in kMenuAndFormProperties (menu items and the
// window itself) and kComponentProperties (every other component) are ever
// touched; a component whose key is missing keeps its designed text, and a
// failing assignment is skipped.
//
//     TKyLanguager lang(owner);
//     lang.SetLocalizationString(text);   // stores and applies
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "shell/KeyTree.h"

namespace shell {

// The property names a localization may set (lower case).
extern const std::vector<std::string> kMenuAndFormProperties;  // caption, text, hint
extern const std::vector<std::string> kComponentProperties;    // ... strings, items, lines, filter, title, columns, tabs, imageindexes

// "''" -> "'", "§!" -> CR LF, "§§" -> "§"; anything else is kept.
std::string DecodeLocalizedValue(std::string_view encoded);
// The inverse: any line break (CR LF, LF or CR) becomes "§!".
std::string EncodeLocalizedValue(std::string_view value);
// "*_*" + component + "_" + property, lower-cased.
std::string LocalizationKey(std::string_view component, std::string_view property);

struct TLocalizableComponent {
    std::string name;             // as the window names it
    bool menuItemOrForm = false;  // only caption, text and hint apply
    std::vector<std::string> properties;  // the text properties it has (any case)
};

class TLocalizableOwner {
public:
    virtual ~TLocalizableOwner() = default;
    // The window itself first, then its named components.
    virtual std::vector<TLocalizableComponent> LocalizableComponents() const = 0;
    // Sets one property (names as listed above, property lower-case); `utf8`
    // may hold CR LF line breaks. False (or an exception) when it cannot.
    virtual bool AssignProperty(std::string_view component, std::string_view property, std::string_view utf8) = 0;
    // The current value, for making a localization text of a window.
    virtual std::optional<std::string> PropertyValue(std::string_view /*component*/,
                                                     std::string_view /*property*/) const {
        return std::nullopt;
    }
};

// A parsed localization text: key line -> the value line after it.
class TLocalizationText {
public:
    TLocalizationText() = default;
    explicit TLocalizationText(std::string_view cp1252) { Parse(cp1252); }
    void Parse(std::string_view cp1252);
    // The decoded value (Windows-1252) of a key, matched without regard to
    // case; nullopt when the key is missing or ends the text.
    std::optional<std::string> Value(std::string_view key) const;
    std::size_t LineCount() const { return lines_.size(); }

private:
    std::vector<std::string> lines_;
    std::unordered_map<std::string, std::size_t, NoCaseHash, NoCaseEqual> keys_;  // first occurrence
};

// Keeps the localization texts of several languages (developer side); a
// languager linked to it uses the default language's text when it has none
// of its own.
class TKyLanguagesStore {
public:
    std::string DefaultLang = "italiano";
    void SetText(const std::string& language, std::string cp1252) { texts_[language] = std::move(cp1252); }
    const std::string* Text(const std::string& language) const;
    std::vector<std::string> Languages() const;

private:
    std::map<std::string, std::string> texts_;
};

class TKyLanguager {
public:
    explicit TKyLanguager(TLocalizableOwner& owner) : owner_(owner) {}

    // Stores the text (Windows-1252) and applies it to the owner.
    void SetLocalizationString(std::string cp1252);
    const std::string& LocalizationString() const { return localization_; }
    // Reads a UTF-8 localization file and applies it; false (nothing
    // changed) when it cannot be read.
    bool LoadLocalizationFile(const std::filesystem::path& file);

    void SetLanguagesStore(const TKyLanguagesStore* store) { store_ = store; }
    const TKyLanguagesStore* LanguagesStore() const { return store_; }

    // component + "." + property, lower-cased, for every localizable
    // property of the owner; built once, on first use.
    const std::vector<std::string>& PropertiesList();
    // Applies the current text (or the store's default one) again; returns
    // how many properties were set.
    int Apply();

private:
    struct Entry {
        std::string component;  // as the owner spells it
        std::string property;   // lower case
    };
    void BuildList();

    TLocalizableOwner& owner_;
    std::string localization_;
    const TKyLanguagesStore* store_ = nullptr;
    bool built_ = false;
    std::vector<Entry> entries_;
    std::vector<std::string> list_;
};

// Where a window's Italian texts are shipped: data/lang/ + the window's
// name in lower case + ".lng" (UTF-8), e.g. data/lang/fricerca.lng.
std::filesystem::path LocalizationFileFor(const std::filesystem::path& dataFolder, std::string_view windowName);

// The localization text of a window as it is now (Windows-1252), one pair
// per localizable property whose value the owner reports.
std::string CaptureLocalization(const TLocalizableOwner& owner);

}  // namespace shell
