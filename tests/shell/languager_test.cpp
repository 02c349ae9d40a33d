#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <stdexcept>

#include "platform/testing/FixedEnv.h"
#include "platform/text.h"
#include "shell/Languager.h"

using namespace shell;

namespace {

// A window of components with a few text properties each.
struct FakeWindow : TLocalizableOwner {
    std::vector<TLocalizableComponent> components;
    std::map<std::string, std::string> values;  // "component.property" -> UTF-8
    std::vector<std::string> assigned;

    std::vector<TLocalizableComponent> LocalizableComponents() const override { return components; }
    bool AssignProperty(std::string_view c, std::string_view p, std::string_view v) override {
        const std::string key = std::string(c) + "." + std::string(p);
        if (std::string(c) == "rotto") throw std::runtime_error("refuses");
        assigned.push_back(key);
        values[key] = std::string(v);
        return true;
    }
    std::optional<std::string> PropertyValue(std::string_view c, std::string_view p) const override {
        auto it = values.find(std::string(c) + "." + std::string(p));
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
};

FakeWindow SearchWindow() {
    FakeWindow w;
    w.components = {
        {"fRicerca", true, {"Caption", "Hint", "Font"}},
        {"mnuApri", true, {"Caption", "Items"}},  // a menu item: no "items"
        {"Label1", false, {"Caption", "Name", "Tag"}},
        {"cbTermini", false, {"Items", "Text"}},
        {"rotto", false, {"Caption"}},
        {"", false, {"Caption"}},  // unnamed components are never listed
    };
    w.values = {{"fRicerca.caption", "Ricerca"}, {"Label1.caption", "Etichetta"}, {"Label1.name", "Label1"}};
    return w;
}

}  // namespace

TEST(InterfaceTexts, ValueDecoding) {
    struct Case {
        std::string encoded, decoded;
    } cases[] = {
        {"l''ipertesto", "l'ipertesto"},
        {"riga uno\xA7!riga due", "riga uno\r\nriga due"},
        {"\xA7\xA7 3", "\xA7 3"},
        {"\xA7\xA7!", "\xA7!"},           // an escaped "§" then a plain "!"
        {"'''", "''"},                     // a pair, then a lone apostrophe
        {"fine\xA7", "fine\xA7"},         // a lone "§" at the end stays
        {"\xA7x", "\xA7x"},
        {"\xA7!\xA7!", "\r\n\r\n"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeLocalizedValue(c.encoded), c.decoded) << c.encoded;
        EXPECT_EQ(DecodeLocalizedValue(EncodeLocalizedValue(c.decoded)), c.decoded) << c.encoded;
    }
    EXPECT_EQ(EncodeLocalizedValue("a\nb\rc"), "a\xA7!b\xA7!c");
    EXPECT_EQ(LocalizationKey("fRicerca", "Caption"), "*_*fricerca_caption");
}

TEST(InterfaceTexts, PropertiesListHasOnlyTheLocalizableNames) {
    FakeWindow w = SearchWindow();
    TKyLanguager lang(w);
    EXPECT_EQ(lang.PropertiesList(), (std::vector<std::string>{"fricerca.caption", "fricerca.hint", "mnuapri.caption",
                                                               "label1.caption", "cbtermini.items", "cbtermini.text",
                                                               "rotto.caption"}));
}

TEST(InterfaceTexts, ApplyingALocalizationText) {
    FakeWindow w = SearchWindow();
    TKyLanguager lang(w);
    lang.SetLocalizationString(
        "*_*fricerca_caption\r\n"
        " Ricerche ipertestuali - esplorazione collegamenti\r\n"
        "*_*MNUAPRI_ITEMS\r\n"        // not a property a menu item may take
        " uno\r\n"
        "*_*label1_name\r\n"          // never a localizable property
        " Rinominata\r\n"
        "*_*rotto_caption\r\n"        // its assignment fails: skipped
        " x\r\n"
        "*_*cbtermini_items\n"        // a bare LF ends a line too
        " prima\xA7!seconda\n"
        "*_*CbTermini_Text\r\n"       // keys match without regard to case
        "*_*mnuapri_caption\r\n"      // no value line: the key after is not a value
        " &Apri\r\n"
        "*_*label1_caption");         // a key on the last line has no value
    EXPECT_EQ(w.values["fRicerca.caption"], "Ricerche ipertestuali - esplorazione collegamenti");
    EXPECT_EQ(w.values["cbTermini.items"], "prima\r\nseconda");
    EXPECT_EQ(w.values["mnuApri.caption"], "&Apri");
    EXPECT_EQ(w.values["Label1.caption"], "Etichetta");  // keeps its designed text
    EXPECT_EQ(w.values["Label1.name"], "Label1");
    EXPECT_EQ(w.assigned, (std::vector<std::string>{"fRicerca.caption", "mnuApri.caption", "cbTermini.items"}));

    // Values reach the window as UTF-8.
    w.assigned.clear();
    lang.SetLocalizationString("*_*label1_caption\r\n Citt\xE0 \x80\r\n");
    EXPECT_EQ(w.values["Label1.caption"], "Citt\xC3\xA0 \xE2\x82\xAC");
}

TEST(InterfaceTexts, CapturedTextAppliesBackAndFilesAreUtf8) {
    FakeWindow source = SearchWindow();
    source.values["cbTermini.items"] = "l'uno\r\nl'altro \xC2\xA7";
    const std::string text = CaptureLocalization(source);
    EXPECT_NE(text.find("*_*cbtermini_items\r\n l''uno\xA7!l''altro \xA7\xA7\r\n"), std::string::npos) << text;

    FakeWindow target = SearchWindow();
    target.values.clear();
    platform::testing::TempDir dir;
    const auto file = dir / "fricerca.lng";
    {
        std::ofstream out(file, std::ios::binary);
        out << platform::text::Cp1252ToUtf8(text);
    }
    TKyLanguager lang(target);
    ASSERT_TRUE(lang.LoadLocalizationFile(file));
    EXPECT_EQ(target.values["cbTermini.items"], source.values["cbTermini.items"]);
    EXPECT_EQ(target.values["fRicerca.caption"], "Ricerca");
    EXPECT_FALSE(lang.LoadLocalizationFile(dir / "manca.lng"));
}

TEST(InterfaceTexts, ALanguagesStoreSuppliesTheDefaultText) {
    FakeWindow w = SearchWindow();
    TKyLanguagesStore store;
    store.SetText("english", "*_*label1_caption\r\n Label\r\n");
    store.SetText("italiano", "*_*label1_caption\r\n Etichetta nuova\r\n");
    TKyLanguager lang(w);
    lang.SetLanguagesStore(&store);
    EXPECT_EQ(lang.Apply(), 1);
    EXPECT_EQ(w.values["Label1.caption"], "Etichetta nuova");
    store.DefaultLang = "english";
    lang.Apply();
    EXPECT_EQ(w.values["Label1.caption"], "Label");
}

TEST(InterfaceTexts, ShippedSampleParses) {
    const auto dir = LocalizationFileFor(std::string(QUOR_SOURCE_DIR) + "/data", "fRicerca");
    EXPECT_EQ(LocalizationFileFor("/d", "../x/Y"), std::filesystem::path("/d/lang/xy.lng"));
    FakeWindow w;
    w.components = {{"fRicerca", true, {"Caption"}}};
    TKyLanguager lang(w);
    ASSERT_TRUE(lang.LoadLocalizationFile(dir));
    EXPECT_EQ(w.values["fRicerca.caption"], "Ricerche ipertestuali - esplorazione collegamenti");
}
