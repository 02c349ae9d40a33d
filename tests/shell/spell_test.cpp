// Spell checking: words, the extra checks, the user's word list and the
// Italian dictionary that hunspell-it installs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Markup.h"
#include "richtext/PageSession.h"
#include "shell/Spell.h"
#include "shell/SpellSession.h"
#include "support/Needs.h"

using namespace shell;
using platform::testing::TempDir;

namespace {

// Knows a fixed list of words; counts what it is asked.
class TListEngine : public TSpellEngine {
public:
    explicit TListEngine(std::set<std::string> words) : words_(std::move(words)) {}
    bool Check(std::string_view w) override {
        ++asked;
        longest = std::max(longest, w.size());
        return words_.count(std::string(w)) != 0;
    }
    std::vector<std::string> Suggest(std::string_view) override { return {"casa", "cosa", "casa"}; }
    void Accept(std::string_view w) override { words_.insert(std::string(w)); }
    int asked = 0;
    std::size_t longest = 0;

private:
    std::set<std::string> words_;
};

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> out;
    for (const TSpellWord& w : SplitWords(text)) out.emplace_back(text.substr(w.pos, w.len));
    return out;
}

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool HaveItalian() { return FindDictionary("it_IT", DictionaryFolders()).has_value(); }

TEST(SpellWords, ApostrophesStayInsideAndControlCharactersSeparate) {
    struct Case {
        std::string text;
        std::vector<std::string> words;
    } cases[] = {
        {"un'albero qual'\xE8", {"un'albero", "qual'\xE8"}},
        {"l\x92" "acqua", {"l\x92" "acqua"}},
        {"'casa' po'", {"casa", "po"}},
        {"casa\x01" "albero\x0B" "mare", {"casa", "albero", "mare"}},
        {"perch\xE8, citt\xE0.", {"perch\xE8", "citt\xE0"}},
        {"a-b 3cose", {"a", "b", "3cose"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Words(c.text), c.words) << c.text;
}

TEST(SpellChecks, ExtraChecksFollowTheirOptionBits) {
    struct Case {
        std::uint16_t options;
        std::string text;
        int status;          // of the first problem, 0 none
        std::size_t pos, len;
        std::string replacement;
    } cases[] = {
        {0, "casa cosa", 0, 0, 0, ""},
        {0, "casa xyz", kSpellUnknown, 5, 3, ""},
        {spoFindRepeatWord, "casa Casa", kSpellRepeated, 5, 4, ""},
        {0, "casa casa", 0, 0, 0, ""},
        {spoFindUncappedSentences, "Casa. cosa", kSpellUncapped, 6, 4, "Cosa"},
        {spoFindUncappedSentences, "casa", kSpellUncapped, 0, 4, "Casa"},
        {spoFindExtraSpaces, "casa   cosa", kSpellExtraSpaces, 3, 5, "a c"},
        {spoFindMissingSpaces, "casa.Cosa", kSpellMissingSpace, 4, 5, ""},
        {spoFindInitialNumerals, "3casa", kSpellInitialDigits, 0, 5, ""},
        {spoIgnoreAllCaps, "XYZ", 0, 0, 0, ""},
        {0, "XYZ", kSpellUnknown, 0, 3, ""},
        {spoIgnoreRomanNumerals, "XIV", 0, 0, 0, ""},
        {spoIgnoreMixedDigits, "ab12", 0, 0, 0, ""},
        {0, "1234", 0, 0, 0, ""},
    };
    for (const Case& c : cases) {
        TKySpellChecker k;
        k.OpenWith(std::make_unique<TListEngine>(std::set<std::string>{"casa", "cosa", "Casa", "Cosa"}), "xx");
        k.SetOptions(c.options);
        const std::optional<TSpellProblem> p = k.Check(c.text);
        ASSERT_EQ(p ? p->status : 0, c.status) << c.text;
        if (!p) continue;
        EXPECT_EQ(p->pos, c.pos) << c.text;
        EXPECT_EQ(p->len, c.len) << c.text;
        EXPECT_EQ(p->replacement, c.replacement) << c.text;
    }
}

TEST(SpellChecks, ChangeMapsIgnoreListAndLongWords) {
    auto engine = std::make_unique<TListEngine>(std::set<std::string>{"casa"});
    TListEngine* e = engine.get();
    TKySpellChecker k;
    k.OpenWith(std::move(engine), "xx");
    k.ChangeOnce("caas", "casa");
    k.ChangeAll("csa", "casa");
    k.IgnoreAlways("zzz");
    const std::vector<TSpellProblem> all = k.CheckAll("caas csa zzz");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].status, kSpellUnknownChange);
    EXPECT_EQ(all[0].replacement, "casa");
    EXPECT_EQ(all[1].status, kSpellAutoChange);
    EXPECT_EQ(k.Suggestions("caas"), (std::vector<std::string>{"casa", "cosa"})) << "unique, in order";

    const std::string huge(kMaxSpellWord + 1, 'q');
    e->asked = 0;
    EXPECT_FALSE(k.Check(huge)) << "a word over the limit is not checked";
    EXPECT_EQ(e->asked, 0);
    EXPECT_TRUE(k.Suggestions(huge).empty());
    EXPECT_FALSE(k.AddToUserDictionary(huge));
}

TEST(SpellUserDictionary, AddsAtomicallyRefusesNonWordsAndSkipsCorruptLines) {
    TempDir dir;
    const auto file = dir / "utente.dic";
    {
        std::ofstream out(file, std::ios::binary);
        out << "prima\r\n\n" << std::string(150, 'x') << "\ncon\x01" "controllo\nseconda\nprima\n";
    }
    TUserDictionary d;
    EXPECT_EQ(d.Load(file), 3u) << "the empty, the too long and the control-character lines";
    EXPECT_EQ(d.Words(), (std::vector<std::string>{"prima", "seconda"}));
    for (const std::string& bad : std::vector<std::string>{"a\nb", "a\rb", "", "due parole", std::string(kMaxSpellWord + 1, 'w')})
        EXPECT_FALSE(d.Add(bad)) << bad;
    EXPECT_TRUE(d.Add("terza"));
    EXPECT_EQ(ReadAll(file), "prima\nseconda\nterza\n");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "utente.dic") << "no temporary file is left behind";
}

TEST(SpellUserDictionary, DefaultListIsInTheUsersDataFolder) {
    TempDir dir;
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    const auto path = TUserDictionary::DefaultPath();
    if (old) setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(path, dir / "quor" / "utente.dic");
    for (const auto& f : DictionaryFolders()) EXPECT_NE(path.parent_path(), f);
}

TEST(SpellDictionaries, LanguageFallbackAndLocales) {
    TempDir dir;
    for (const char* n : {"it_IT.aff", "it_IT.dic", "de_DE.aff"}) std::ofstream(dir / n) << "x";
    const std::vector<std::filesystem::path> folders = {dir.path()};
    EXPECT_EQ(InstalledLanguages(folders), std::vector<std::string>{"it_IT"}) << "an .aff without .dic is no dictionary";
    ASSERT_TRUE(FindDictionary("it_CH", folders));
    EXPECT_EQ(FindDictionary("it_CH", folders)->language, "it_IT");
    EXPECT_FALSE(FindDictionary("de_DE", folders));
    EXPECT_FALSE(FindDictionary("../it_IT", folders));
    EXPECT_EQ(LanguageOfLocale(1040), "it_IT");
    EXPECT_EQ(LanguageOfLocale(0x0810), "it_CH");
    EXPECT_EQ(LanguageOfLocale(0x1410), "it_IT") << "unknown sublanguage: the primary language's default";
    TKySpellChecker k;
    EXPECT_FALSE(k.Open("de_DE", folders));
    EXPECT_FALSE(k.IsOpen());
    EXPECT_NE(k.OpenProblem(), "");
    EXPECT_FALSE(k.Check("qualsiasi"));
}

TEST(SpellDictionaries, RegressionASingleByteDictionaryGotWindows1252Bytes) {
    // A dictionary in ISO 8859-15 keeps "oe" and "S caron" where Windows-1252
    // does not: its words were looked up with the wrong bytes and never found.
    TempDir dir;
    std::ofstream(dir / "fr_FR.aff", std::ios::binary) << "SET ISO8859-15\nTRY esiarntoluc\xBD\n";
    std::ofstream(dir / "fr_FR.dic", std::ios::binary) << "3\nc\xBDur\n\xA6koda\ncaf\xE9\n";
    TKySpellChecker k;
    k.LoadUserDictionary(dir / "utente.dic");
    ASSERT_TRUE(k.Open("fr_FR", {dir.path()})) << k.OpenProblem();
    const struct {
        const char* word;  // Windows-1252
        bool known;
    } cases[] = {
        {"c\x9Cur", true},   // oe: 0x9C here, 0xBD there
        {"\x8Akoda", true},  // S caron: 0x8A here, 0xA6 there
        {"caf\xE9", true},   // the same byte in both
        {"coeur", false},
        {"\x83oo", false},   // f with hook has no place in ISO 8859-15
    };
    for (const auto& c : cases) EXPECT_EQ(k.KnownWord(c.word), c.known) << c.word;
    EXPECT_FALSE(k.Check("caf\xE9 c\x9Cur \x8Akoda"));
    const std::vector<std::string> s = k.Suggestions("c\x9Cr");
    EXPECT_NE(std::find(s.begin(), s.end(), "c\x9Cur"), s.end()) << "suggestions come back in Windows-1252";
    ASSERT_TRUE(k.AddToUserDictionary("\x9Cuvre"));
    EXPECT_TRUE(k.KnownWord("\x9Cuvre"));
}

// The fixture page of known errors, checked against the real dictionary.
TEST(SpellItalian, KnownErrorsGetExactlyTheirMarksAndSuggestions) {
    QUOR_NEEDS(HaveItalian(), "hunspell-it (it_IT dictionary)");
    TempDir dir;
    TKySpellChecker k;
    k.LoadUserDictionary(dir / "utente.dic");
    ASSERT_TRUE(k.Open("it_IT"));
    k.SetOptions(kDefaultSpellOptions | spoFindRepeatWord | spoFindUncappedSentences);
    const std::string text = "Non so perch\xE8 dici qual'\xE8 un'albero. la casa casa dell'albero \xE8 bella.";
    const std::vector<TSpellProblem> all = k.CheckAll(text);
    std::vector<std::pair<int, std::string>> got;
    for (const auto& p : all) got.emplace_back(p.status, text.substr(p.pos, p.len));
    const std::vector<std::pair<int, std::string>> expected = {
        {kSpellUnknown, "perch\xE8"}, {kSpellUnknown, "qual'\xE8"}, {kSpellUnknown, "un'albero"},
        {kSpellUncapped, "la"},      {kSpellRepeated, "casa"},
    };
    EXPECT_EQ(got, expected);
    std::string marks(text.size(), ' ');
    for (const auto& p : all) marks.replace(p.pos, p.len, p.len, '!');
    EXPECT_EQ(k.Marks(text), marks);
    const std::vector<std::string> s = k.Suggestions("perch\xE8");
    ASSERT_FALSE(s.empty());
    EXPECT_EQ(s[0], "perch\xE9");
    k.SetOptions(kDefaultSpellOptions);
    EXPECT_FALSE(k.Check("l\x92" "albero")) << "the typographic apostrophe reads as the plain one";
    EXPECT_FALSE(k.Check("un po' di pane")) << "an elided word keeps its closing apostrophe";

    // A word added is known at once and to the next checker that reads the list.
    ASSERT_TRUE(k.AddToUserDictionary("Quorino"));
    EXPECT_FALSE(k.Check("Quorino"));
    TKySpellChecker again;
    again.LoadUserDictionary(dir / "utente.dic");
    ASSERT_TRUE(again.Open("it_IT"));
    EXPECT_FALSE(again.Check("Quorino"));
}

TEST(SpellItalian, SessionCorrectsThePageAndMarkingFollowsEdits) {
    QUOR_NEEDS(HaveItalian(), "hunspell-it (it_IT dictionary)");
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TempDir dir;
    TKySpellChecker k;
    k.LoadUserDictionary(dir / "utente.dic");
    ASSERT_TRUE(k.Open("it_IT"));
    k.SetOptions(kDefaultSpellOptions | spoFindRepeatWord);
    model::TNYXset set;
    set.NewHypertext();
    richtext::THeadlessPageBox host;
    host.NewBox(&set);
    host.ReadTexts("<Z S0 >Non so perch&egrave; il il mare<Z S0 >zzzq e zzzq<Z S0 >bene", {}, {});
    richtext::TNYXbox& box = host.CurrentBox();

    EXPECT_EQ(MarkBox(k, box), 3u);
    std::string marks(box.paragraphs[0]->text.size(), ' ');
    marks.replace(7, 6, 6, '!');   // perchè
    marks.replace(17, 2, 2, '!');  // the second "il"
    EXPECT_EQ(box.paragraphs[0]->spell, marks);
    EXPECT_EQ(box.paragraphs[2]->spell, "    ");

    TSpellSession s(k, host.Editing());
    ASSERT_TRUE(s.Next());
    EXPECT_EQ(s.Word(), "perch\xE8");
    ASSERT_FALSE(s.Suggestions().empty());
    ASSERT_TRUE(s.Change(s.Suggestions()[0]));
    EXPECT_EQ(s.Problem().status, kSpellRepeated);
    ASSERT_TRUE(s.Delete());
    EXPECT_EQ(s.Word(), "zzzq");
    EXPECT_FALSE(s.ChangeAll("zeta")) << "the second one is changed on the way, then the text is done";
    EXPECT_TRUE(s.Done());
    EXPECT_EQ(box.paragraphs[0]->text, "Non so perch\xE9 il mare");
    EXPECT_EQ(box.paragraphs[1]->text, "zeta e zeta");
    EXPECT_TRUE(box.paragraphs[0]->spell.empty()) << "an edit empties the marks";
    EXPECT_EQ(box.paragraphs[2]->spell, "    ");
    // A later pass checks the edited paragraphs only.
    TSpellMarkingJob job(k, [&] { return &box; }, false);
    while (!job.Step(std::chrono::hours(1))) {
    }
    EXPECT_EQ(job.Marked(), 2u);
    EXPECT_EQ(box.paragraphs[0]->spell, std::string(box.paragraphs[0]->text.size(), ' '));
}

TEST(SpellMarking, RegressionStoppedMarkerNeverReadsAGoneBox) {
    TKySpellChecker k;
    k.OpenWith(std::make_unique<TListEngine>(std::set<std::string>{}), "xx");
    model::TNYXset set;
    set.NewHypertext();
    auto box = std::make_unique<richtext::THeadlessPageBox>();
    box->NewBox(&set);
    box->ReadTexts("<Z S0 >uno<Z S0 >due<Z S0 >tre", {}, {});
    richtext::TNYXbox* shown = &box->CurrentBox();
    TSpellMarkingJob job(k, [&] { return shown; }, false);
    EXPECT_FALSE(job.Step(std::chrono::microseconds(0)));
    box.reset();  // the page went away between two steps
    shown = nullptr;
    EXPECT_TRUE(job.Step(std::chrono::hours(1)));
    EXPECT_EQ(job.Marked(), 1u);
}

TEST(SpellSessionCells, TheCheckWalksTableCellsBeforeTheirParagraphInRowOrder) {
    TKySpellChecker k;
    k.OpenWith(std::make_unique<TListEngine>(std::set<std::string>{"uno", "casa"}), "xx");
    model::TNYXset set;
    set.NewHypertext();
    model::TNYXoggetto* table = set.NewObject(model::tabellaHtml);
    table->SetByte(93, 2);  // 2 x 2; the last cell holds a 1 x 1 table of its own
    table->SetByte(94, 2);
    model::TNYXoggetto* inner = set.NewObject(model::tabellaHtml);
    inner->SetByte(93, 1);
    inner->SetByte(94, 1);
    auto tag = [](const model::TNYXoggetto* o) {
        char b[16];
        std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(o->Reference()));
        return std::string(b);
    };
    auto* page = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
    page->SetText("<Z S0 >uno xa<Z S0 >" + tag(table) + "<Z S1 >xb<T><Z S1 >xc<T><Z S1 >xd<T><Z S1 >" + tag(inner) +
                  "<Z S1 >xf<T><Z S1 >xe<T><Z S0 >xg uno");
    richtext::THeadlessPageBox host;
    richtext::TNYXpageSession session(host);
    ASSERT_TRUE(session.ShowPage(set, page->Index()));
    richtext::TNYXbox& box = host.CurrentBox();
    ASSERT_EQ(box.BodyEnd() - box.BodyBegin(), 3) << box.paragraphs[box.BodyBegin() + 1]->text;
    richtext::TNYXembedded* e = box.paragraphs[1]->Objects().empty() ? nullptr : box.paragraphs[1]->Objects()[0];
    ASSERT_TRUE(e && e->IsTable() && e->CellAt(1, 1));

    struct Case {
        const char* name;
        richtext::TNYXbox* fromBox;
        richtext::TTextPos from;
        std::vector<std::string> words;
    };
    const std::vector<Case> cases = {
        {"the whole page", nullptr, {-1, 0}, {"xa", "xb", "xc", "xd", "xf", "xe", "xg"}},
        {"from the caret on the table", nullptr, {1, 0}, {"xb", "xc", "xd", "xf", "xe", "xg"}},
        {"from a cell", e->CellAt(1, 0), {0, 1}, {"xd", "xf", "xe", "xg"}},
        {"after the table", nullptr, {2, 0}, {"xg"}},
    };
    for (const Case& c : cases) {
        TSpellSession s(k, host.Editing(), c.from, {}, c.fromBox);
        std::vector<std::string> seen;
        for (bool more = s.Next(); more; more = s.Ignore()) seen.push_back(s.Word());
        EXPECT_EQ(seen, c.words) << c.name;
    }

    // A correction in a cell changes the cell, through the cell's own editing
    // objects, and says so; the page's paragraphs stay as they were.
    std::vector<richtext::TNYXbox*> changed;
    TSpellSession s(k, host.Editing(), {-1, 0});
    s.onCellChanged = [&](richtext::TNYXbox& cell) { changed.push_back(&cell); };
    ASSERT_TRUE(s.Next());
    ASSERT_TRUE(s.Ignore());
    EXPECT_EQ(&s.Box(), e->CellAt(0, 0));
    ASSERT_TRUE(s.Change("casa"));
    EXPECT_EQ(s.Word(), "xc");
    s.SelectProblem();
    EXPECT_EQ(e->CellAt(0, 1)->selStart, (richtext::TTextPos{0, 0}));
    EXPECT_EQ(e->CellAt(0, 1)->selEnd, (richtext::TTextPos{0, 2}));
    EXPECT_EQ(e->CellAt(0, 0)->paragraphs[0]->text, "casa");
    EXPECT_EQ(changed, std::vector<richtext::TNYXbox*>{e->CellAt(0, 0)});
    EXPECT_EQ(box.paragraphs[0]->text, "uno xa");
    EXPECT_EQ(s.Changes(), 1);
}

}  // namespace
