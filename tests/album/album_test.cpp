// The album's lists, renaming, replacing, deleting with the report and the
// trash, and editing in an outside program (small scripts stand in for it).
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "album/Album.h"
#include "album/OutsideEdit.h"
#include "model/Fields.h"
#include "model/ImageCodecs.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "shell/OptionsStore.h"
#include "support/LinkTag.h"
#include "support/NyxBuilder.h"
#include "support/Pictures.h"

using namespace album;
using model::TNYXoggetto;
using platform::Answer;
using platform::testing::Message;
namespace fs = std::filesystem;

namespace {

using testsupport::Hex8;
using testsupport::WriteGif;

void WriteText(const fs::path& p, const std::string& s, bool executable = false) {
    std::ofstream(p, std::ios::binary) << s;
    if (executable) fs::permissions(p, fs::perms::owner_all);
}

class AlbumTest : public ::testing::Test {
protected:
    void SetUp() override {
        set.NewHypertext();
        home = env.temp / "home";
        fs::create_directories(home);
    }
    model::TNYXtesto* NewPage(const std::string& title, const std::string& text = "<Z S0 >testo") {
        auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        p->SetName(title);
        p->SetText(text);
        return p;
    }
    // A page that shows `picture` through a placed picture of its own.
    model::TNYXtesto* PageShowing(const std::string& title, TNYXoggetto* picture) {
        TNYXoggetto* placed = set.NewPlacedPicture(picture);
        set.RegisterObject(model::immagineNew, -1, placed);
        return NewPage(title, "<Z S0 >foto <$" + Hex8(placed->Reference()) + ">");
    }
    TNYXoggetto* Picture(const std::string& name, int w, std::uint32_t colour) {
        return set.AddPicture(WriteGif(env.temp / (name + ".gif"), w, 2, colour));
    }
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    model::TNYXset set;
    fs::path home;
};

TEST_F(AlbumTest, TabsListTheNonEmptyObjectsOfTheirTypeInSlotOrder) {
    NewPage("Uno");
    model::TNYXtesto* gone = NewPage("Due");
    NewPage("Tre");
    gone->Reset();
    AddUrl(set, "http://a.example/");
    TNYXoggetto* pic = Picture("rosso", 3, 0xFF0000FF);
    ASSERT_NE(pic, nullptr);
    PageShowing("Con foto", pic);

    std::vector<std::string> pages;
    for (const TAlbumRow& r : AlbumRows(set, TTab::kPages)) pages.push_back(r.name);
    // The new page took the slot the deleted one left.
    EXPECT_EQ(pages, (std::vector<std::string>{"Uno", "Con foto", "Tre"}));
    EXPECT_EQ(AlbumRows(set, TTab::kUrls).size(), 1u);
    EXPECT_EQ(AlbumRows(set, TTab::kPictures).at(0).ref, pic->Reference());
    EXPECT_EQ(AlbumRows(set, TTab::kPlaced).size(), 1u);
    EXPECT_TRUE(AlbumRows(set, TTab::kPrototypes).empty());

    struct Case {
        TTab tab;
        const char* caption;
        int type;
        bool add, replace, edit;
    } cases[] = {
        {TTab::kPictures, "Immagini", model::immagine, true, true, true},
        {TTab::kFiles, "Files", model::genLink, true, true, true},
        {TTab::kPrototypes, "Prototipi", model::custom, false, false, false},
        {TTab::kPages, "Pagine", model::testoHtml, true, false, true},
        {TTab::kUrls, "Collegamenti esterni", model::internetLink, true, false, false},
        {TTab::kPlaced, "Alt", model::immagineNew, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(TabCaption(c.tab), c.caption);
        EXPECT_EQ(TabType(c.tab), c.type) << c.caption;
        const TTabCommands k = CommandsOf(c.tab);
        EXPECT_EQ(k.add, c.add) << c.caption;
        EXPECT_EQ(k.replace, c.replace) << c.caption;
        EXPECT_EQ(k.edit, c.edit) << c.caption;
        EXPECT_EQ(TabFromKeyword(TabKeyword(c.tab)), c.tab);
    }
    EXPECT_FALSE(TabFromKeyword("tutto"));
}

TEST_F(AlbumTest, RenamingInPlace) {
    model::TNYXtesto* page = NewPage("Vecchio");
    TNYXoggetto* url = AddUrl(set);
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->GetName(), kNewUrlAddress);
    set.SetModified(false);
    struct Case {
        TNYXoggetto* o;
        std::string name;
        bool changed;
        std::string after;
    } cases[] = {
        {page, "Nuovo titolo", true, "Nuovo titolo"},
        {page, "Nuovo titolo", false, "Nuovo titolo"},  // unchanged
        {page, "due\nrighe", false, "Nuovo titolo"},     // refused
        {page, "", false, "Nuovo titolo"},
        {url, "mailto:a@b.example", true, "mailto:a@b.example"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Rename(set, c.o->Reference(), c.name), c.changed) << c.name;
        EXPECT_EQ(c.o->GetName(), c.after) << c.name;
    }
    EXPECT_TRUE(set.Modified());
    EXPECT_EQ(url->Subtype(), 8) << "the kind of address follows the new address";
    EXPECT_EQ(ui.ui.Texts(Message::Warning).size(), 1u);
}

TEST_F(AlbumTest, DeletionRefusesWhatIsUsedAndTakesTheRestBackUntilSave) {
    model::TNYXtesto* target = NewPage("Meta");
    NewPage("Indice", "<Z S0 >vai a <$" + Hex8(target->Reference()) + ">meta<%>");
    TNYXoggetto* url = AddUrl(set, "http://nessuno.example/");
    const std::int32_t urlRef = url->Reference();
    TAlbumTrash trash(set);

    TAlbumDeletion used(set, {target->Reference()});
    std::vector<std::size_t> refused;
    EXPECT_EQ(used.Confirm(trash, &refused), 0u);
    EXPECT_EQ(refused, std::vector<std::size_t>{0});
    EXPECT_FALSE(target->IsEmpty());
    ASSERT_GE(used.Lines().size(), 2u);
    EXPECT_EQ(used.Lines()[0], "+ \"META\" \xE8 presente in/collegato da /utilizzato in:");
    EXPECT_EQ(used.Lines()[1], "    - Indice   {nel testo}");

    TAlbumDeletion unused(set, {urlRef});
    EXPECT_EQ(unused.Confirm(trash), 1u);
    EXPECT_TRUE(set.ObjectByRef(urlRef)->IsEmpty());
    EXPECT_EQ(unused.Lines(), std::vector<std::string>{"[X] Cancellato - \"HTTP://NESSUNO.EXAMPLE/\" sembra inutilizzato."});
    ASSERT_TRUE(trash.CanUndo());
    EXPECT_EQ(trash.Undo(), urlRef);
    EXPECT_EQ(set.ObjectByRef(urlRef)->GetName(), "http://nessuno.example/");

    // Deleted again, then saved: the deletion stays.
    TAlbumDeletion again(set, {urlRef});
    EXPECT_EQ(again.Confirm(trash), 1u);
    ASSERT_TRUE(set.SaveToFile(env.temp / "salvato.nyx"));
    EXPECT_FALSE(trash.CanUndo());
    EXPECT_EQ(trash.Undo(), -1);
    EXPECT_TRUE(AlbumRows(set, TTab::kUrls).empty());
}

TEST_F(AlbumTest, DeletionNeverTakesAnObjectAStoppedReportDidNotReach) {
    model::TNYXtesto* target = NewPage("Meta");
    NewPage("Indice", "<Z S0 >vai a <$" + Hex8(target->Reference()) + ">meta<%>");
    TNYXoggetto* url = AddUrl(set, "http://nessuno.example/");
    TAlbumTrash trash(set);
    TAlbumDeletion d(set, {url->Reference(), target->Reference()});
    d.Report().Run(std::chrono::microseconds(0));  // one object reported
    d.Report().Stop();
    std::vector<std::size_t> refused;
    EXPECT_EQ(d.Confirm(trash, &refused), 1u);
    EXPECT_EQ(refused, std::vector<std::size_t>{1});
    EXPECT_TRUE(url->IsEmpty());
    EXPECT_FALSE(target->IsEmpty()) << "the page a link leads to stays";
}

TEST_F(AlbumTest, UndoingAPageDeletionBringsBackTheObjectsOfItsText) {
    TNYXoggetto* pic = Picture("verde", 2, 0xFF00FF00);
    model::TNYXtesto* page = PageShowing("Sola", pic);
    const std::int32_t pageRef = page->Reference();
    ASSERT_EQ(AlbumRows(set, TTab::kPlaced).size(), 1u);
    TAlbumTrash trash(set);
    TAlbumDeletion d(set, {pageRef});
    EXPECT_EQ(d.Confirm(trash), 1u);
    EXPECT_TRUE(AlbumRows(set, TTab::kPlaced).empty()) << "the page's placed picture went with it";
    EXPECT_EQ(trash.Undo(), pageRef);
    EXPECT_EQ(AlbumRows(set, TTab::kPlaced).size(), 1u);
    EXPECT_EQ(set.ObjectByRef(pageRef)->GetName(), "Sola");
}

TEST_F(AlbumTest, ReplacingAPictureTwoPagesUseAsksAndChangesBothPages) {
    TNYXoggetto* pic = Picture("rosso", 3, 0xFF0000FF);
    model::TNYXtesto* a = PageShowing("A", pic);
    model::TNYXtesto* b = PageShowing("B", pic);
    (void)a;
    (void)b;
    EXPECT_EQ(ReplaceProblem(set, {}), "Seleziona oggetto da sostituire");
    EXPECT_EQ(ReplaceProblem(set, {pic->Reference(), a->Reference()}), "Seleziona un solo oggetto");
    EXPECT_EQ(ReplaceProblem(set, {pic->Reference()}), "");
    EXPECT_EQ(UsersOf(set, pic->Reference()).size(), 4u) << "two placed pictures and the two pages showing them";

    ui.ui.answers = {Answer::No, Answer::Yes};
    EXPECT_FALSE(ConfirmReplaceInUse(set, pic->Reference()));
    EXPECT_TRUE(ConfirmReplaceInUse(set, pic->Reference()));
    EXPECT_EQ(ui.ui.Texts(Message::YesNo).at(0),
              "Risulta usato da almeno un oggetto personalizzato. Vuoi sostituire comunque?");

    TLoadedPicture wider = LoadPicture(set, WriteGif(env.temp / "blu.gif", 7, 5, 0xFFFF0000));
    ASSERT_NE(wider.picture, nullptr);
    EXPECT_TRUE(ReplacePicture(set, pic->Reference(), *wider.picture));
    EXPECT_EQ(pic->Word(model::picturerec::kWidth), 7);
    EXPECT_EQ(pic->GetName(), "rosso");
    // Both placed pictures still lead to the one picture, now the new one.
    for (const TAlbumRow& r : AlbumRows(set, TTab::kPlaced))
        EXPECT_EQ(set.ObjectByRef(r.ref)->Int(model::placedrec::kPicture), static_cast<std::int32_t>(pic->Index()));
    auto shown = pic->GetPicture();
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->width, 7);
}

TEST_F(AlbumTest, ReplacingAFileKeepsTheObject) {
    WriteText(env.temp / "dati.txt", "prima");
    TNYXoggetto* file = set.AddFile(env.temp / "dati.txt");
    ASSERT_NE(file, nullptr);
    const std::int32_t ref = file->Reference();
    WriteText(env.temp / "nuovi.txt", "dopo, pi\xF9 lungo");
    EXPECT_TRUE(ReplaceFile(set, ref, env.temp / "nuovi.txt"));
    EXPECT_EQ(set.ObjectByRef(ref), file);
    std::string got;
    ASSERT_TRUE(file->WriteContentsTo(env.temp / "out.txt"));
    EXPECT_EQ(testsupport::ReadFile(env.temp / "out.txt"), "dopo, pi\xF9 lungo");
    EXPECT_FALSE(ReplaceFile(set, ref, env.temp / "manca.txt"));
    ASSERT_TRUE(file->WriteContentsTo(env.temp / "out2.txt"));
    EXPECT_EQ(testsupport::ReadFile(env.temp / "out2.txt"), "dopo, pi\xF9 lungo") << "a failed replace changes nothing";
}

// --- outside edits ----------------------------------------------------------------

void WaitForEnd(TOutsideEdit& e) {
    while (e.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

TEST_F(AlbumTest, OutsideEditOfAFileInItsStreamReplacesItsContents) {
    // A file whose contents live in its stream (as loaded from a native file).
    WriteText(env.temp / "nota.txt", "uno");
    TNYXoggetto* file = set.AddFile(env.temp / "nota.txt");
    ASSERT_NE(file, nullptr);
    file->SetFirstStream("uno");
    file->SetExternalPath({});
    set.SetModified(false);

    const fs::path editor = env.temp / "editor.sh";
    WriteText(editor, "#!/bin/sh\nprintf 'due' > \"$1\"\n", true);
    TOutsideEdit e(set, file->Reference());
    ASSERT_TRUE(e.Prepare());
    ASSERT_TRUE(e.Start({editor.string(), e.WorkFile().filename().string()}));  // relative: run in its folder
    WaitForEnd(e);
    EXPECT_TRUE(e.Changed());
    const fs::path work = e.WorkFile();
    EXPECT_EQ(e.Apply(), TOutsideEdit::TApply::kApplied);
    EXPECT_TRUE(set.Modified());
    EXPECT_FALSE(fs::exists(work));
    ASSERT_TRUE(file->WriteContentsTo(env.temp / "out.txt"));
    EXPECT_EQ(testsupport::ReadFile(env.temp / "out.txt"), "due");
    EXPECT_EQ(file->Int(model::filerec::kSize), 3);
}

TEST_F(AlbumTest, OutsideEditorThatReturnsAtOnceAppliesNothing) {
    TNYXoggetto* pic = Picture("rosso", 3, 0xFF0000FF);
    const std::string before = [&] {
        std::string s;
        pic->SaveToStream(s);
        return s;
    }();
    const fs::path editor = env.temp / "subito.sh";
    WriteText(editor, "#!/bin/sh\nexit 0\n", true);
    TOutsideEdit e(set, pic->Reference());
    ASSERT_TRUE(e.Prepare());
    ASSERT_TRUE(e.Start({editor.string(), e.WorkFile().string()}));
    WaitForEnd(e);
    EXPECT_FALSE(e.Changed());
    EXPECT_EQ(e.Apply(), TOutsideEdit::TApply::kUnchanged);
    std::string after;
    pic->SaveToStream(after);
    EXPECT_EQ(after, before);
    e.Cancel();
}

TEST_F(AlbumTest, FailedApplyKeepsTheWorkingFileAndTheObject) {
    TNYXoggetto* pic = Picture("rosso", 3, 0xFF0000FF);
    const fs::path editor = env.temp / "rompe.sh";
    WriteText(editor, "#!/bin/sh\nprintf 'non sono una immagine' > \"$1\"\n", true);
    TOutsideEdit e(set, pic->Reference());
    ASSERT_TRUE(e.Prepare());
    ASSERT_TRUE(e.Start({editor.string(), e.WorkFile().string()}));
    WaitForEnd(e);
    EXPECT_EQ(e.Apply(), TOutsideEdit::TApply::kFailed);
    EXPECT_EQ(pic->Word(model::picturerec::kWidth), 3);
    ASSERT_TRUE(fs::exists(e.WorkFile())) << "the author's edit is never lost";
    EXPECT_EQ(testsupport::ReadFile(e.WorkFile()), "non sono una immagine");
    ASSERT_EQ(ui.ui.Texts(Message::Error).size(), 1u);
    EXPECT_NE(ui.ui.Texts(Message::Error)[0].find(e.WorkFile().string()), std::string::npos);
    e.Cancel();
    EXPECT_TRUE(fs::exists(e.WorkFile())) << "cancelling keeps an edited working file too";
}

TEST_F(AlbumTest, WorkingFileNamesAreSafeBaseNames) {
    struct Case {
        const char* stored;
        const char* safe;
    } cases[] = {
        {"foto.gif", "foto.gif"},      {"..\\..\\etc\\passwd", "passwd"}, {"../../x.png", "x.png"},
        {"..", "file"},                {"", "file"},                     {"a\nb.txt", "a_b.txt"},
        {"-rf.txt", "rf.txt"},         {"C:dati.txt", "C_dati.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(SafeBaseName(c.stored), c.safe) << c.stored;

    TNYXoggetto* pic = Picture("rosso", 3, 0xFF0000FF);
    pic->SetFileName("../../fuori.gif");
    TOutsideEdit e(set, pic->Reference());
    ASSERT_TRUE(e.Prepare());
    EXPECT_EQ(e.WorkFile().filename(), "fuori.gif");
    EXPECT_EQ(e.WorkFile().parent_path().parent_path(), set.WorkFolder()) << "inside the working folder";
    e.Cancel();
}

// Saving empties the working folder's files and reloads the hypertext: an
// edit under way keeps its working file and is applied after the save. An
// edit begun on an object of a hypertext that was then replaced is never
// applied to the object that took its slot in the other one.
TEST_F(AlbumTest, OutsideEditSurvivesASaveAndIsNeverAppliedToAnotherHypertext) {
    const fs::path saved = env.temp / "prima.nyx";
    WriteText(env.temp / "nota.txt", "uno");
    ASSERT_NE(set.AddFile(env.temp / "nota.txt"), nullptr);
    const std::int32_t ref = set.ObjectAt(model::genLink, 0)->Reference();
    ASSERT_TRUE(set.SaveToFile(saved));
    auto contents = [&] {
        const fs::path out = env.temp / "letto.txt";
        EXPECT_TRUE(set.ObjectByRef(ref)->WriteContentsTo(out));
        return testsupport::ReadFile(out);
    };
    {
        TOutsideEdit e(set, ref);
        ASSERT_TRUE(e.Prepare());
        WriteText(e.WorkFile(), "due");  // the author saves in the editor
        ASSERT_TRUE(set.SaveToFile(saved));
        ASSERT_TRUE(fs::exists(e.WorkFile()));
        EXPECT_EQ(e.Apply(), TOutsideEdit::TApply::kApplied);
        EXPECT_EQ(contents(), "due");
    }

    TOutsideEdit e(set, ref);
    ASSERT_TRUE(e.Prepare());
    WriteText(e.WorkFile(), "tre");
    set.NewHypertext();
    WriteText(env.temp / "altro.txt", "altro");
    ASSERT_EQ(set.AddFile(env.temp / "altro.txt")->Reference(), ref);
    set.SetModified(false);
    ui.ui.ClearMessages();
    EXPECT_EQ(e.Apply(), TOutsideEdit::TApply::kFailed);
    EXPECT_EQ(contents(), "altro");
    EXPECT_FALSE(set.Modified());
    ASSERT_TRUE(fs::exists(e.WorkFile())) << "the author's edit is never lost";
    EXPECT_EQ(testsupport::ReadFile(e.WorkFile()), "tre");
    ASSERT_EQ(ui.ui.Texts(Message::Error).size(), 1u);
    EXPECT_NE(ui.ui.Texts(Message::Error)[0].find(e.WorkFile().string()), std::string::npos);
    e.Cancel();
}

TEST_F(AlbumTest, ProgramChoiceFollowsTheExtensionOptions) {
    shell::TOptionsStore store{env.temp / "options.ini"};
    store.WriteSectionOption("ext\\gif", "comp", "3");
    store.WriteSectionOption("ext\\gif", "appPath", "/usr/bin/gimp");
    store.WriteSectionOption("ext\\png", "comp", "3");  // no appPath
    store.WriteSectionOption("ext\\jpg", "comp", "");
    store.WriteSectionOption("ext\\bmp", "comp", "1");
    store.WriteSectionOption("ext\\txt", "comp", "7");
    struct Case {
        const char* file;
        TProgramChoice::Kind kind;
    } cases[] = {
        {"a.gif", TProgramChoice::kPath},       {"a.GIF", TProgramChoice::kPath},
        {"a.png", TProgramChoice::kNone},       {"a.jpg", TProgramChoice::kAsk},
        {"a.bmp", TProgramChoice::kRegistered}, {"a.doc", TProgramChoice::kRegistered},
        {"a.txt", TProgramChoice::kNone},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseProgram(store, c.file).kind, c.kind) << c.file;
    EXPECT_EQ(ChooseProgram(store, "a.gif").path, "/usr/bin/gimp");
}

TEST_F(AlbumTest, ExecLinesBecomeArgumentsWithoutAShell) {
    struct Case {
        const char* exec;
        std::vector<std::string> args;
    } cases[] = {
        {"gimp %U", {"gimp", "/t/a b.gif"}},
        {"\"/opt/my editor/ed\" --new %f", {"/opt/my editor/ed", "--new", "/t/a b.gif"}},
        {"ed -i %i %c", {"ed", "-i", "/t/a b.gif"}},
        {"sh -c 'rm -rf ~'", {"sh", "-c", "'rm", "-rf", "~'", "/t/a b.gif"}},
        {"ed 100%%", {"ed", "100%", "/t/a b.gif"}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ExecArguments(c.exec, "/t/a b.gif"), c.args) << c.exec;
}

TEST_F(AlbumTest, RegisteredProgramComesFromTheDesktopMimeDatabase) {
    const fs::path data = env.temp / "data", config = env.temp / "config";
    fs::create_directories(data / "mime");
    fs::create_directories(data / "applications");
    fs::create_directories(config);
    WriteText(data / "mime" / "globs2", "50:image/gif:*.gif\n50:text/plain:*.txt\n60:text/x-note:nota.*\n");
    WriteText(data / "applications" / "pittore.desktop", "[Desktop Entry]\nName=Pittore\nExec=pittore --edit %f\n");
    WriteText(data / "applications" / "altro.desktop", "[Desktop Entry]\nExec=altro %U\n");
    WriteText(data / "applications" / "mimeinfo.cache", "[MIME Cache]\nimage/gif=altro.desktop;\ntext/plain=altro.desktop;\n");
    WriteText(config / "mimeapps.list", "[Default Applications]\nimage/gif=manca.desktop;pittore.desktop;\n");
    const char* names[] = {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"};
    std::vector<std::string> saved;
    for (const char* n : names) saved.push_back(std::getenv(n) ? std::getenv(n) : std::string("\x01"));
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    setenv("XDG_DATA_DIRS", (env.temp / "vuoto").c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (env.temp / "vuoto").c_str(), 1);

    EXPECT_EQ(MimeTypeOf("/x/FOTO.GIF"), "image/gif");
    EXPECT_EQ(MimeTypeOf("/x/nota.txt"), "text/x-note") << "the heavier pattern wins";
    EXPECT_EQ(MimeTypeOf("/x/a.zzz"), "");
    EXPECT_EQ(RegisteredCommand("/x/a.gif"), (std::vector<std::string>{"pittore", "--edit", "/x/a.gif"}));
    EXPECT_EQ(RegisteredCommand("/x/a.txt"), (std::vector<std::string>{"altro", "/x/a.txt"}));
    EXPECT_TRUE(RegisteredCommand("/x/a.zzz").empty());

    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved[i] == "\x01")
            unsetenv(names[i]);
        else
            setenv(names[i], saved[i].c_str(), 1);
    }
}

}  // namespace
