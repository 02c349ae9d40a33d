#include <gtest/gtest.h>

#include <fstream>

#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "model/Prototypes.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "support/LinkTag.h"
#include "support/NyxBuilder.h"

using namespace model;
using platform::Answer;
using platform::testing::FixedEnv;
using platform::testing::Message;
using platform::testing::ScriptedUiScope;
using platform::testing::TempDir;
namespace fs = std::filesystem;

namespace {

std::string Form(std::int32_t n, const std::string& lines) {
    std::string s;
    bytes::PutI32(s, n);
    return s + lines;
}

using testsupport::Tag;

std::string Defs(const TPropList& l) {
    std::string out;
    for (const TProp& p : l.Entries()) out += (out.empty() ? "" : " ") + p.name + ":" + std::to_string(p.type);
    return out;
}

std::string Vals(const TPropList& l) {
    std::string out;
    for (const TProp& p : l.Entries()) out += (out.empty() ? "" : " ") + p.name + "=" + p.value;
    return out;
}

std::string Outline(const TNYXorderedTree& tree) {
    std::string out;
    for (const TNYXtreeNode* n : tree.NodesInOrder()) {
        if (!out.empty()) out += " | ";
        out += std::string(static_cast<std::size_t>(n->Level()), '.') + n->text;
        if (!tree.NodeObject(*n) && n->kind != TNYXtreeNode::Kind::Root && n->kind != TNYXtreeNode::Kind::Chapter)
            out += "(-)";
    }
    return out;
}

class Prototypes : public ::testing::Test {
protected:
    FixedEnv env;
    ScriptedUiScope ui;
    TempDir dir;

    fs::path Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
    // A prototype with files and parameters, written as the dialog writes it.
    static TNYXoggetto* MakePrototype(TNYXset& set, const std::string& name, std::vector<std::int32_t> files,
                                      const std::vector<std::pair<std::string, int>>& params = {}) {
        TNYXoggetto* p = set.NewObject(custom);
        p->SetName(name);
        TPrototypeContent c;
        c.files = std::move(files);
        for (const auto& [n, t] : params) c.parameters.AddParameter(n, t);
        c.html = "<b>!ReCP:" + (params.empty() ? std::string() : params[0].first) + "!</b>";
        WritePrototype(*p, c);
        return p;
    }
};

}  // namespace

TEST_F(Prototypes, ReadingPropertyLists) {
    struct Case {
        std::string stream;
        std::string defs;
    } cases[] = {
        {Form(6, "a\r\n1\r\nb\r\n2\r\nc\r\n"), "a:1 b:2"},  // count 6, five lines: two parameters
        {Form(3, "a\r\n1\r\nb\r\n2\r\n"), "a:1"},
        {Form(100, "a\r\n1\r\nb\r\n"), "a:1"},
        {Form(-4, "a\r\n1\r\n"), ""},
        {Form(2, "a\r\n7"), "a:7"},  // the last line without CR LF
        {Form(4, "x\r\nuno\r\ny\r\n 2\r\n"), "x:0 y:0"},
        {Form(4, "Colore\r\n3\r\ncolore\r\n1\r\n"), "Colore:3"},
        {Form(2, "Tipo\r\n15\r\n"), "Tipo:15"},
        {Form(2, ""), ""},
        {std::string("\x02\0\0", 3), ""},
    };
    for (const auto& c : cases) {
        TPropList l;
        l.LoadDefinitions(c.stream);
        EXPECT_EQ(Defs(l), c.defs) << testing::PrintToString(c.stream);
    }

    // Values go to the defined parameters, by lower-cased name; others are dropped.
    TPropList v(TPropList::Mode::Value);
    v.LoadDefinitions(Form(4, "Colore\r\n3\r\nTesto\r\n1\r\n"));
    ASSERT_TRUE(v.LoadValues(Form(7, "colore\r\nRosso\r\nTESTO\r\nciao\r\nignoto\r\nx\r\ntesto\r\n")));
    EXPECT_EQ(Vals(v), "Colore=Rosso Testo=ciao");
    EXPECT_TRUE(v.LoadValues(std::string("\x01\0", 2)));
    EXPECT_EQ(Vals(v), "Colore=Rosso Testo=ciao");
    EXPECT_EQ(ui.ui.AllTexts(), std::vector<std::string>{});
}

TEST_F(Prototypes, WritingAndNamingParameters) {
    TPropList l;
    EXPECT_EQ(l.NewParameter()->name, "NuovaProprieta");
    EXPECT_EQ(l.NewParameter()->name, "NuovaProprieta1");
    ASSERT_TRUE(l.Rename(0, "Colore"));
    EXPECT_EQ(l.NewParameter()->name, "NuovaProprieta");
    EXPECT_EQ(l.AddParameter("colore", propColour)->name, "colore1");
    EXPECT_EQ(l.AddParameter("NUOVAPROPRIETA1", propNumber)->name, "NUOVAPROPRIETA11");
    EXPECT_FALSE(l.Rename(1, "COLORE"));
    EXPECT_TRUE(l.Rename(0, "COLORE"));  // itself
    ASSERT_TRUE(l.SetType(0, propColour));
    ASSERT_TRUE(l.Remove(2));
    EXPECT_EQ(Defs(l), "COLORE:3 NuovaProprieta1:1 colore1:3 NUOVAPROPRIETA11:2");
    std::string defs;
    ASSERT_TRUE(l.SaveDefinitions(defs));
    EXPECT_EQ(defs, Form(8, "COLORE\r\n3\r\nNuovaProprieta1\r\n1\r\ncolore1\r\n3\r\nNUOVAPROPRIETA11\r\n2\r\n"));

    // Value form: lower-cased names; a line break inside a value would shift the lines after it.
    TPropList v(TPropList::Mode::Value);
    v.LoadDefinitions(defs);
    ASSERT_TRUE(v.SetValue("colore", "Rosso"));
    ASSERT_TRUE(v.SetValue("nuovaproprieta1", "due\r\nrighe"));
    EXPECT_FALSE(v.SetValue("manca", "x"));
    std::string vals;
    ASSERT_TRUE(v.SaveValues(vals));
    EXPECT_EQ(vals,
              Form(8, "colore\r\nRosso\r\nnuovaproprieta1\r\ndue  righe\r\ncolore1\r\n\r\nnuovaproprieta11\r\n\r\n"));
    TPropList back(TPropList::Mode::Value);
    back.LoadDefinitions(defs);
    back.LoadValues(vals);
    EXPECT_EQ(Vals(back), "COLORE=Rosso NuovaProprieta1=due  righe colore1= NUOVAPROPRIETA11=");
    EXPECT_EQ(ui.ui.AllTexts(), std::vector<std::string>{});

    // Operations of the other mode warn and change nothing.
    std::string out;
    EXPECT_EQ(v.NewParameter(), nullptr);
    EXPECT_FALSE(v.SaveDefinitions(out));
    EXPECT_FALSE(l.SetValue("colore", "x"));
    EXPECT_FALSE(l.SaveValues(out));
    EXPECT_EQ(out, "");
    EXPECT_EQ(v.Size(), 4u);
    EXPECT_EQ(ui.ui.Texts(Message::Warning), std::vector<std::string>(4, "incorrect usage"));
}

TEST_F(Prototypes, PrototypeRecords) {
    TNYXset set;
    set.NewHypertext();
    TNYXoggetto* p = set.NewObject(custom);
    TPrototypeContent c;
    c.kind = 2;
    c.quickAccess = true;
    c.files = {MakeRef(genLink, 4), 0, MakeRef(genLink, 1)};
    c.parameters.AddParameter("larghezza", propNumber);
    c.editorData = "EDIT";
    c.html = "<img src=\"!ReCF:00000002\" width=!RefX:>";
    WritePrototype(*p, c);
    EXPECT_EQ(p->Subtype(), 2);
    EXPECT_EQ(p->Byte(59), 1);
    std::string first;
    ASSERT_TRUE(p->ReadFirstStream(first));
    std::string want;
    bytes::PutI32(want, 12);
    bytes::PutI32(want, MakeRef(genLink, 4));
    bytes::PutI32(want, 0);
    bytes::PutI32(want, MakeRef(genLink, 1));
    EXPECT_EQ(first, want + Form(2, "larghezza\r\n2\r\n"));
    EXPECT_EQ(*p->SecondStream(), std::string("\x04\0\0\0EDIT", 8) + c.html);
    const TPrototypeContent back = ReadPrototype(*p);
    EXPECT_EQ(back.kind, 2);
    EXPECT_TRUE(back.quickAccess);
    EXPECT_EQ(back.files, c.files);
    EXPECT_EQ(Defs(back.parameters), "larghezza:2");
    EXPECT_EQ(back.editorData, "EDIT");
    EXPECT_EQ(back.html, c.html);

    // First streams that hold no list.
    for (const std::string& bad :
         {std::string(), std::string("\0\0\0\0", 4), Form(100, "abcdef"), Form(-4, "abcdefgh")}) {
        p->SetFirstStream(bad);
        EXPECT_TRUE(PrototypeFiles(*p).empty());
        EXPECT_EQ(PrototypeParameters(*p).Size(), 0u);
    }
    // A kind of 0 would empty the prototype.
    c.kind = 0;
    WritePrototype(*p, c);
    EXPECT_FALSE(p->IsEmpty());
    EXPECT_EQ(PrototypeKindCaption(p->Subtype()), "Invisibile");
    EXPECT_EQ(PrototypeKindCaption(9), "Testo");
    EXPECT_EQ(PropTypeCaption(8), "File nell'album interno");
}

TEST_F(Prototypes, NewLibrariesAreSavedAndReopened) {
    TNYXset set;
    TPrototypeLibrary lib(set);
    const fs::path file = dir / "nuova.cus";
    ASSERT_TRUE(lib.Open(file));
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(Outline(lib.Tree()), "nuova.cus");

    TNYXtreeNode* group = lib.NewGroup();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->text, "Nuovo gruppo");
    TNYXoggetto* proto = lib.NewPrototype();
    ASSERT_NE(proto, nullptr);
    EXPECT_EQ(proto->GetName(), "Nuovo prototipo");
    EXPECT_EQ(Outline(lib.Tree()), "nuova.cus | .Nuovo gruppo | ..Nuovo prototipo");
    ASSERT_TRUE(lib.Edit(proto));
    lib.edit.kind = 3;
    lib.edit.quickAccess = true;
    lib.edit.parameters.NewParameter();
    lib.edit.html = "<input value=\"!ReCP:NuovaProprieta!\">";
    ASSERT_NE(lib.AttachDiskFile(Write("stile.css", "b{}")), nullptr);
    int rebuilt = 0;
    lib.onQuickAccessChanged = [&] { ++rebuilt; };
    ASSERT_TRUE(lib.Commit());
    EXPECT_EQ(rebuilt, 1);

    TNYXset set2;
    TPrototypeLibrary again(set2);
    ASSERT_TRUE(again.Open(file));
    EXPECT_EQ(set2.Version(), 2);
    EXPECT_EQ(Outline(again.Tree()), "nuova.cus | .Nuovo gruppo | ..Nuovo prototipo");
    ASSERT_EQ(again.QuickAccess().size(), 1u);
    const TPrototypeContent c = ReadPrototype(*again.QuickAccess()[0]);
    EXPECT_EQ(c.kind, 3);
    EXPECT_EQ(Defs(c.parameters), "NuovaProprieta:1");
    EXPECT_EQ(c.html, lib.edit.html);
    ASSERT_EQ(c.files.size(), 1u);
    EXPECT_EQ(again.FileCaption(c.files[0]), "stile.css");
    std::string css;
    ASSERT_TRUE(set2.ObjectByRef(c.files[0])->ReadFirstStream(css));
    EXPECT_EQ(css, "b{}");

    // Before another library is chosen: Cancel stops, No goes on, Yes saves first.
    ui.ui.answers = {Answer::Cancel, Answer::No, Answer::Yes};
    EXPECT_FALSE(again.AskSaveCurrent());
    EXPECT_TRUE(again.AskSaveCurrent());
    again.Tree().Select(again.Tree().RootNode());
    again.NewGroup();
    EXPECT_TRUE(again.AskSaveCurrent());
    EXPECT_EQ(ui.ui.Texts(Message::YesNoCancel), std::vector<std::string>(3, "Salvo la libreria corrente?"));
    TNYXset set3;
    TPrototypeLibrary third(set3);
    ASSERT_TRUE(third.Open(file));
    EXPECT_EQ(Outline(third.Tree()), "nuova.cus | .Nuovo gruppo | ..Nuovo prototipo | .Nuovo gruppo");
}

TEST_F(Prototypes, DeletingPrototypesKeepsSharedFiles) {
    TNYXset set;
    TPrototypeLibrary lib(set);
    ASSERT_TRUE(lib.Open(dir / "lib.cus"));
    TNYXoggetto* shared = set.AddFile(Write("comune.js", "c"));
    TNYXoggetto* own = set.AddFile(Write("proprio.js", "p"));
    TNYXoggetto* page = set.NewObject(testoHtml);
    if (page->Reference() == 0) page = set.NewObject(testoHtml);  // a reference that is not 0
    TNYXoggetto* a = MakePrototype(set, "A", {shared->Reference(), own->Reference()});
    TNYXoggetto* b = MakePrototype(set, "B", {0, shared->Reference()});
    TNYXoggetto* damaged = MakePrototype(set, "Rotto", {page->Reference()});
    TNYXorderedTree& tree = lib.Tree();
    tree.Select(tree.RootNode());
    TNYXtreeNode* group = lib.NewGroup();
    for (TNYXoggetto* p : {a, b, damaged}) {
        tree.Select(group);
        tree.AddObject(p->Reference());
    }
    tree.Select(tree.RootNode());
    TNYXtreeNode* emptyGroup = lib.NewGroup();
    EXPECT_EQ(Outline(tree), "lib.cus | .Nuovo gruppo | ..A | ..B | ..Rotto | .Nuovo gruppo");

    tree.Select(group);
    EXPECT_FALSE(lib.DeleteSelected());
    EXPECT_EQ(ui.ui.Texts(Message::Warning), std::vector<std::string>{"Gruppo non vuoto!"});
    tree.Select(emptyGroup);
    EXPECT_TRUE(lib.DeleteSelected());

    tree.SelectObject(a->Reference());
    ASSERT_TRUE(lib.DeleteSelected());
    EXPECT_TRUE(a->IsEmpty());
    EXPECT_TRUE(own->IsEmpty());
    EXPECT_FALSE(shared->IsEmpty());
    tree.SelectObject(b->Reference());
    ASSERT_TRUE(lib.DeleteSelected());
    EXPECT_TRUE(shared->IsEmpty());
    // A list that names something other than a file leaves it alone.
    tree.SelectObject(damaged->Reference());
    ASSERT_TRUE(lib.DeleteSelected());
    EXPECT_FALSE(page->IsEmpty());
    EXPECT_EQ(Outline(tree), "lib.cus | .Nuovo gruppo");
}

TEST_F(Prototypes, DeletingFilesOfTheLibrary) {
    TNYXset set;
    TPrototypeLibrary lib(set);
    ASSERT_TRUE(lib.Open(dir / "lib.cus"));
    TNYXoggetto* f = set.AddFile(Write("f.js", "f"));
    TNYXoggetto* g = set.AddFile(Write("g.js", "g"));
    TNYXoggetto* h = set.AddFile(Write("h.js", "h"));
    TNYXoggetto* a = MakePrototype(set, "Alfa", {g->Reference(), f->Reference()});
    MakePrototype(set, "Beta", {f->Reference()});
    ASSERT_TRUE(lib.Edit(a));

    EXPECT_FALSE(lib.DeleteLibraryFile(f->Reference()));
    EXPECT_EQ(ui.ui.Texts(Message::ErrorList),
              std::vector<std::string>{"Report errori:\nNon posso cancellare, questo file è usato da:\n  - Alfa\n  - Beta"});
    EXPECT_FALSE(f->IsEmpty());

    // Used only by the prototype being edited: it leaves the list, later entries keep their place.
    ASSERT_TRUE(lib.DeleteLibraryFile(g->Reference()));
    EXPECT_TRUE(g->IsEmpty());
    EXPECT_EQ(lib.edit.files, (std::vector<std::int32_t>{0, f->Reference()}));
    EXPECT_EQ(PrototypeFiles(*a), (std::vector<std::int32_t>{0, f->Reference()}));
    EXPECT_EQ(lib.FileCaption(0), "[X] Cancellato");
    EXPECT_EQ(lib.FileCaption(g->Reference()), "[X] Cancellato");
    EXPECT_EQ(lib.FileCaption(f->Reference()), "f.js");
    // Used by nobody.
    ASSERT_TRUE(lib.DeleteLibraryFile(h->Reference()));
    EXPECT_TRUE(h->IsEmpty());
    EXPECT_FALSE(lib.DeleteLibraryFile(h->Reference()));  // already gone

    // Attaching and detaching in the edit state.
    TNYXoggetto* k = set.AddFile(Write("k.js", "k"));
    EXPECT_TRUE(lib.AttachLibraryFile(k->Reference()));
    EXPECT_FALSE(lib.AttachLibraryFile(k->Reference()));
    EXPECT_FALSE(lib.AttachLibraryFile(a->Reference()));
    EXPECT_TRUE(lib.DetachFile(1));
    EXPECT_EQ(lib.edit.files, (std::vector<std::int32_t>{0, 0, k->Reference()}));
    EXPECT_TRUE(lib.DetachFile(2));
    EXPECT_EQ(lib.edit.files, std::vector<std::int32_t>{});
    EXPECT_FALSE(k->IsEmpty());
}

TEST_F(Prototypes, ImportResults) {
    // The source library: two prototypes that share a file, one named like the first.
    TNYXset source;
    source.NewHypertext();
    TNYXoggetto* js = source.AddFile(Write("script.js", "alert(1)"));
    MakePrototype(source, "Orologio", {js->Reference()}, {{"Colore", propColour}});
    MakePrototype(source, "OROLOGIO", {});
    MakePrototype(source, "Menu", {js->Reference()});
    ASSERT_TRUE(source.SaveToFile(dir / "fonte.cus"));

    TNYXset edited;
    edited.NewHypertext();
    ASSERT_TRUE(edited.SaveToFile(dir / "lavoro.nyx"));
    fs::create_symlink(dir / "lavoro.nyx", dir / "stesso.nyx");

    TNYXset set;
    TPrototypeLibrary lib(set);
    lib.editedHypertext = &edited;
    ASSERT_TRUE(lib.Open(dir / "lib.cus"));
    lib.Tree().Select(lib.Tree().RootNode());
    lib.NewGroup();

    EXPECT_EQ(lib.OpenImportSource(dir / "stesso.nyx").note, "(impossibile importare da file in edit)");
    EXPECT_TRUE(lib.OpenImportSource(dir / "stesso.nyx").prototypes.empty());
    EXPECT_FALSE(lib.OpenImportSource(Write("note.txt", "x")).ok);
    const auto& src = lib.OpenImportSource(dir / "fonte.cus");
    ASSERT_TRUE(src.ok);
    ASSERT_EQ(src.prototypes.size(), 3u);

    auto empty = MakeObject(custom);  // not a prototype any more
    empty->SetSet(&source);
    empty->Reset();
    struct Case {
        const TNYXoggetto* proto;
        int result;
        Message::Kind kind;
        std::string message;
    } cases[] = {
        {src.prototypes[0], 2, Message::Information, ""},
        {src.prototypes[0], 1, Message::Information, "Questo prototipo è già incluso."},
        {src.prototypes[1], 1, Message::Information, "Questo prototipo è già incluso."},
        {src.prototypes[2], 3, Message::Warning,
         "Qualche file associato al prototipo risulta già presente, quindi non è stato copiato."},
        {empty.get(), 0, Message::Error, "Errore importando un prototipo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.proto->GetName() + " " + std::to_string(c.result));
        ui.ui.ClearMessages();
        TNYXoggetto* copy = nullptr;
        EXPECT_EQ(lib.Import(*c.proto, &copy), c.result);
        EXPECT_EQ(ui.ui.Texts(c.kind), c.message.empty() ? std::vector<std::string>{} : std::vector{c.message});
        if (c.result == 2 || c.result == 3) {
            EXPECT_EQ(lib.Tree().SelectedObject(), copy);
        }
    }
    EXPECT_EQ(Outline(lib.Tree()), "lib.cus | .Nuovo gruppo | ..Orologio | ..Menu");
    EXPECT_EQ(set.Count(genLink), 1u);
    const TPrototypeContent menu = ReadPrototype(*lib.Tree().SelectedObject());
    ASSERT_EQ(menu.files.size(), 1u);
    EXPECT_EQ(lib.FileCaption(menu.files[0]), "script.js");
}

TEST_F(Prototypes, CustomComponentsOnPages) {
    TNYXset library;
    library.NewHypertext();
    TNYXoggetto* js = library.AddFile(Write("orologio.js", "tick()"));
    TNYXoggetto* proto =
        MakePrototype(library, "Orologio", {js->Reference()}, {{"Colore", propColour}, {"Testo", propString}});

    TNYXset pages;
    pages.NewHypertext();
    TPropList other(TPropList::Mode::Value);
    other.LoadDefinitions(Form(4, "COLORE\r\n3\r\nignoto\r\n1\r\n"));
    other.SetValue("colore", "Rosso");
    other.SetValue("ignoto", "x");
    auto comp = MakeCustomComponent(pages, *proto, other, 120, 50, true);
    ASSERT_NE(comp, nullptr);
    EXPECT_FALSE(comp->Registered());
    EXPECT_EQ(comp->Type(), multiMedia);
    EXPECT_EQ(comp->Subtype(), 6);
    EXPECT_EQ(comp->Word(33), 120);
    EXPECT_EQ(comp->Word(35), 50);
    EXPECT_EQ(comp->Byte(37), 1);
    TNYXoggetto* copy = ComponentPrototype(pages, *comp);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Set(), &pages);
    EXPECT_EQ(copy->GetName(), "Orologio");
    EXPECT_EQ(ReadPrototype(*copy).html, "<b>!ReCP:Colore!</b>");
    ASSERT_EQ(PrototypeFiles(*copy).size(), 1u);
    EXPECT_EQ(pages.ObjectByRef(PrototypeFiles(*copy)[0])->GetName(), "orologio.js");
    std::string first;
    ASSERT_TRUE(comp->ReadFirstStream(first));
    EXPECT_EQ(first, Form(4, "colore\r\nRosso\r\ntesto\r\n\r\n"));
    EXPECT_EQ(Vals(ComponentValues(pages, *comp)), "Colore=Rosso Testo=");
    EXPECT_EQ(comp->Description(), "Custom \r\n(Orologio)");

    // Again from the library: the copy of the same name is replaced, not doubled.
    TPrototypeContent changed = ReadPrototype(*proto);
    changed.html = "<i>nuovo</i>";
    WritePrototype(*proto, changed);
    auto second = MakeCustomComponent(pages, *proto, ComponentValues(pages, *comp), 10, 10, false);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ComponentPrototype(pages, *second), copy);
    EXPECT_EQ(ReadPrototype(*copy).html, "<i>nuovo</i>");
    EXPECT_EQ(pages.Count(custom), 1u);
    EXPECT_EQ(Vals(ComponentValues(pages, *second)), "Colore=Rosso Testo=");
    // A prototype of the page's own hypertext is used as it is.
    auto third = MakeCustomComponent(pages, *copy, TPropList(TPropList::Mode::Value), 1, 1, false);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(ComponentPrototype(pages, *third), copy);
    EXPECT_EQ(pages.Count(custom), 1u);
    EXPECT_EQ(ui.ui.AllTexts(), std::vector<std::string>{});
}

// A page, picture or file that only a custom component's values name is in
// use: deleting it would leave the component pointing at nothing.
TEST_F(Prototypes, ObjectsNamedOnlyByComponentValuesAreInUse) {
    TNYXset set;
    set.NewHypertext();
    TNYXoggetto* home = set.NewObject(testoHtml);
    TNYXoggetto* shown = set.NewObject(testoHtml);
    TNYXoggetto* pic = set.NewObject(immagine);
    TNYXoggetto* file = set.AddFile(Write("dati.txt", "1;2"));
    TNYXoggetto* proto = MakePrototype(set, "Galleria", {},
                                       {{"Pagina", propPage}, {"Foto", propPicture}, {"Allegato", propAlbumFile},
                                        {"Quanti", propNumber}});
    TPropList values = PrototypeParameters(*proto);
    values.mode = TPropList::Mode::Value;
    values.SetValue("pagina", std::to_string(shown->Reference()));
    values.SetValue("foto", std::to_string(pic->Reference()));
    values.SetValue("allegato", " " + std::to_string(file->Index()) + " ");  // a slot index reads as a file's
    values.SetValue("quanti", std::to_string(home->Reference()));          // a number, not a page
    auto made = MakeCustomComponent(set, *proto, values, 10, 10, false);
    ASSERT_NE(made, nullptr);
    TNYXoggetto* comp = made.get();
    ASSERT_GE(set.RegisterObject(multiMedia, -1, std::move(made)), 0);
    static_cast<TNYXtesto*>(home)->SetText("<Z S0 >" + Tag(comp->Reference()));

    EXPECT_EQ(comp->ReferenceReason(shown->Reference()), 15);
    EXPECT_EQ(comp->ReferenceReason(pic->Reference()), 15);
    EXPECT_EQ(comp->ReferenceReason(file->Reference()), 15);
    EXPECT_EQ(comp->ReferenceReason(proto->Reference()), 15);
    EXPECT_EQ(comp->ReferenceReason(home->Reference()), 0);
    // The page showing the component uses what the component names.
    EXPECT_EQ(home->ReferenceReason(pic->Reference()), 2);
    EXPECT_EQ(home->ReferenceReason(shown->Reference()), 1);
}
