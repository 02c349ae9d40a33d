// What the editor does with an object of each kind: which frames resize,
// how a size from the handles is stored, the properties dialog's fields
// written back into the record, and both as undoable steps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ObjectEditing.h"
#include "present/ObjectInsert.h"
#include "present/ObjectKinds.h"
#include "present/ObjectMedia.h"
#include "present/ObjectProperties.h"
#include "richtext/Box.h"
#include "richtext/Layout.h"
#include "richtext/Markup.h"
#include "richtext/Undo.h"

using namespace model;
using namespace present;

namespace {

class ObjectEditing : public ::testing::Test {
protected:
    TNYXoggetto* Make(TOggettiHel type, int sub) {
        TNYXoggetto* o = set.NewObject(type);
        SetNewObjectDefaults(*o, type, sub);
        return o;
    }
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TNYXset set;
    void SetUp() override { set.NewHypertext(); }
};

// The plain button was inserted with subtype 0, the empty state of its type:
// it was dropped when the hypertext was saved.
TEST_F(ObjectEditing, EveryInsertedKindIsARecordThatIsNotEmpty) {
    for (const TInsertKind& k : InsertKinds()) {
        SCOPED_TRACE(k.command);
        TNYXoggetto* o = Make(static_cast<TOggettiHel>(k.type), k.subtype);
        EXPECT_FALSE(o->IsEmpty());
        EXPECT_NE(ControlKindOf(*o), TControlKind::kNone);
    }
}

// The plain button was inserted with subtype 2, which the exporter writes as
// a picture input: in a browser it sent the form instead of being a button.
TEST_F(ObjectEditing, APlainButtonIsNotInsertedAsAPictureThatSendsTheForm) {
    const TInsertKind* k = FindInsertKind("actInsBottone");
    ASSERT_NE(k, nullptr);
    for (int taken : {0, 1, 2, 3}) EXPECT_NE(k->subtype, taken);
    TObjectProperties p(*Make(bottoneCGI, k->subtype));
    const TPropField* kind = p.Field("tipo");
    ASSERT_NE(kind, nullptr);
    EXPECT_EQ(kind->choices.front(), std::make_pair(k->subtype, std::string("Normale")));
    EXPECT_EQ(p.Value("tipo"), std::to_string(k->subtype));
}

TEST_F(ObjectEditing, ResizableKindsAndTheirLabels) {
    struct Case {
        TOggettiHel type;
        int sub;
        bool picture;  // a button with a picture
        bool resizable;
        const char* props;
        const char* resize;
    };
    const Case cases[] = {
        {bottoneCGI, 0, false, false, "Modifica bottone", "Dimensiona bottone"},
        {bottoneCGI, 0, true, true, "Modifica bottone", "Dimensiona bottone"},
        {multiMedia, 1, false, false, "Modifica multimedia", "Dimensiona multimedia"},
        {multiMedia, 3, false, true, "Modifica multimedia", "Dimensiona multimedia"},
        {multiMedia, 5, false, true, "Modifica multimedia", "Dimensiona multimedia"},
        {inputStat, 18, false, true, "Modifica cornice indipendente", "Dimensiona cornice indipendente"},
        {inputStat, 1, false, false, "Modifica casella edit", "Dimensiona oggetto"},
        {inputStat, 4, false, false, "Modifica box testo", "Dimensiona oggetto"},
        {inputStat, 7, false, false, "Modifica box", "Dimensiona oggetto"},
        {inputStat, 8, false, false, "Modifica lista", "Dimensiona oggetto"},
        {inputStat, 9, false, false, "Modifica combo", "Dimensiona oggetto"},
        {shortObj, 10, false, false, "Modifica oggetto", "Dimensiona oggetto"},
        {inizioForm, 2, false, false, "Modifica oggetto", "Dimensiona oggetto"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.sub));
        TNYXoggetto* o = Make(c.type, c.sub);
        if (c.picture) o->SetInt(177, 0);
        EXPECT_EQ(Resizable(*o), c.resizable);
        EXPECT_EQ(PropertiesLabel(*o), c.props);
        EXPECT_EQ(ResizeLabel(*o), c.resize);
    }
}

TEST_F(ObjectEditing, SizesFromTheHandlesGoIntoEachKindsFields) {
    struct Case {
        const char* what;
        TOggettiHel type;
        int sub;
        std::size_t flag;  // the percentage flag's offset, 0: pixels
        std::size_t w, h;
        TObjectSize size;
        TSizeBase base;
        std::uint16_t wantW, wantH;
        bool changed;
    };
    const Case cases[] = {
        {"video in pixels", multiMedia, 3, 0, 33, 35, {110, 60}, {500, 300}, 110, 60, true},
        {"video in percent", multiMedia, 3, 37, 33, 35, {250, 150}, {500, 300}, 50, 50, true},
        {"floating frame", inputStat, 18, 0, 182, 180, {300, 200}, {600, 400}, 300, 200, true},
        {"floating frame in percent", inputStat, 18, 178, 182, 180, {300, 200}, {600, 400}, 50, 50, true},
        {"too large", multiMedia, 5, 0, 33, 35, {70000, 90000}, {}, 65535, 65535, true},
        {"text box: fixed", inputStat, 1, 0, 33, 35, {300, 30}, {600, 400}, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TNYXoggetto* o = Make(c.type, c.sub);
        if (c.flag) o->SetByte(c.flag, 1);
        const std::uint16_t oldW = o->Word(c.w), oldH = o->Word(c.h);
        EXPECT_EQ(StoreObjectSize(*o, c.size, c.base), c.changed);
        EXPECT_EQ(o->Word(c.w), c.changed ? c.wantW : oldW);
        EXPECT_EQ(o->Word(c.h), c.changed ? c.wantH : oldH);
    }
}

TEST_F(ObjectEditing, AVideoWithThePlayersButtonsStoresItsPictureWithoutTheBar) {
    TNYXoggetto* video = Make(multiMedia, 3);
    video->SetByte(25, 0);
    EXPECT_EQ(StoredPartOf(*video, {200, 180}).height, 150);
    EXPECT_EQ(StoredPartOf(*video, {200, 20}).height, 1);
    video->SetByte(25, 1);  // plays by itself: no bar
    EXPECT_EQ(StoredPartOf(*video, {200, 180}).height, 180);
    EXPECT_EQ(StoredPartOf(*Make(multiMedia, 5), {200, 180}).height, 180);
}

// A percentage taken against an available width or height of 0 used to divide by zero.
TEST_F(ObjectEditing, PercentageResizeAgainstAZeroBaseKeepsTheOldValue) {
    TNYXoggetto* o = Make(multiMedia, 3);
    o->SetByte(37, 1);
    o->SetWord(33, 40);
    o->SetWord(35, 30);
    EXPECT_FALSE(StoreObjectSize(*o, {200, 100}, {0, 0}));
    EXPECT_EQ(o->Word(33), 40);
    EXPECT_EQ(o->Word(35), 30);
    EXPECT_TRUE(StoreObjectSize(*o, {200, 100}, {400, 0}));  // the width has a base, the height not
    EXPECT_EQ(o->Word(33), 50);
    EXPECT_EQ(o->Word(35), 30);
}

// Byte 194 of a button with a picture: its sizes are percentages of the natural size.
TEST_F(ObjectEditing, ButtonSizesInPercentOfTheNaturalSizeAreShownAndStoredAsSuch) {
    TNYXoggetto* o = Make(bottoneCGI, 0);
    o->SetInt(177, 0);
    o->SetWord(186, 200);
    o->SetWord(188, 100);
    o->SetWord(190, 50);
    o->SetWord(192, 150);
    o->SetByte(194, 1);
    const TObjectSize shown = DisplaySize(*o, 600);
    EXPECT_EQ(shown.width, 100);
    EXPECT_EQ(shown.height, 150);
    richtext::TNYXembedded e(o);
    richtext::StoredObjectSize(e, 600);
    EXPECT_EQ(e.width, 100);
    EXPECT_EQ(e.height, 150);
    ASSERT_TRUE(StoreObjectSize(*o, {150, 50}, {}));
    EXPECT_EQ(o->Word(190), 75);
    EXPECT_EQ(o->Word(192), 50);
}

// A percentage of a wide line overflowed 32 bits in the stored-size fallback.
TEST_F(ObjectEditing, PercentageOfAVeryWideLineDoesNotOverflow) {
    TNYXoggetto* o = Make(multiMedia, 5);
    o->SetByte(37, 1);
    o->SetWord(33, 30000);
    richtext::TNYXembedded e(o);
    richtext::StoredObjectSize(e, 200000);
    EXPECT_EQ(e.width, 65535);
}

TEST_F(ObjectEditing, ResizeListenersAreToldOldAndNewSizes) {
    TNYXoggetto* o = Make(multiMedia, 3);
    TObjectSize before, after;
    int calls = 0;
    const int id = AddResizeListener([&](TNYXoggetto& r, TObjectSize b, TObjectSize a) {
        EXPECT_EQ(&r, o);
        before = b;
        after = a;
        ++calls;
    });
    NotifyResized(*o, {100, 50}, {110, 60});
    RemoveResizeListener(id);
    NotifyResized(*o, {1, 1}, {2, 2});
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(before.width, 100);
    EXPECT_EQ(after.height, 60);
}

TEST_F(ObjectEditing, PropertiesOfEachKindWriteTheirFields) {
    struct Case {
        TOggettiHel type;
        int sub;
        const char* title;
        const char* key;
        const char* value;
        std::size_t offset;  // where the value lands
        bool text;           // a string field (else a byte)
    };
    const Case cases[] = {
        {bottoneCGI, 0, "Proprietà bottone", "etichetta", "Vai avanti", 97, true},
        {bottoneCGI, 0, "Proprietà bottone", "tipo", "3", 4, false},
        {inputStat, 1, "Proprietà casella edit", "caratteri", "35", 179, false},
        {inputStat, 1, "Proprietà casella edit", "valore", "Mario", 97, true},
        {inputStat, 7, "Proprietà check box", "selezionato", "1", 181, false},
        {inputStat, 6, "Proprietà bottone radio", "valore", "si", 97, true},
        {inputStat, 8, "Proprietà lista", "multipla", "1", 182, false},
        {inputStat, 18, "Proprietà cornice indipendente", "nome", "laterale", 17, true},
        {inizioForm, 2, "Proprietà inizio modulo", "indirizzo", "/cgi-bin/invia", 17, true},
        {inizioForm, 2, "Proprietà inizio modulo", "invio", "4", 4, false},
        {multiMedia, 1, "Proprietà multimedia", "azione", "1", 25, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.title) + " " + c.key);
        TNYXoggetto* o = Make(c.type, c.sub);
        TObjectProperties p(*o);
        EXPECT_EQ(p.Title(), c.title);
        ASSERT_TRUE(p.SetValue(c.key, c.value));
        EXPECT_TRUE(p.Apply(*o));
        if (c.text) EXPECT_EQ(o->Str(c.offset, 79), c.value);
        else EXPECT_EQ(std::to_string(o->Byte(c.offset)), c.value);
        EXPECT_FALSE(p.Apply(*o));  // the same values again change nothing
    }
}

TEST_F(ObjectEditing, ValuesAFieldCannotTakeAreRefused) {
    TNYXoggetto* o = Make(inputStat, 1);
    TObjectProperties p(*o);
    EXPECT_FALSE(p.SetValue("caratteri", "0"));
    EXPECT_FALSE(p.SetValue("caratteri", "256"));
    EXPECT_FALSE(p.SetValue("caratteri", "dieci"));
    EXPECT_FALSE(p.SetValue("valore", std::string(80, 'x')));
    EXPECT_FALSE(p.SetValue("nessuno", "1"));
    EXPECT_FALSE(p.SetValue("mostra", "si"));
    EXPECT_EQ(p.Value("caratteri"), "20");
    TNYXoggetto* f = Make(inizioForm, 2);
    TObjectProperties q(*f);
    EXPECT_FALSE(q.SetValue("invio", "7"));  // not offered
}

// OK on an unchanged dialog rewrote every field, turning a string whose
// length byte lies above its capacity into an empty one.
TEST_F(ObjectEditing, OkWithoutChangesLeavesAFieldWithAnOversizedLengthByteAsItWas) {
    TNYXoggetto* o = Make(bottoneCGI, 0);
    o->SetByte(17, 0xFF);  // never written: reads as empty, never past the field
    const std::string before(reinterpret_cast<const char*>(o->Data()), kDataSize);
    TObjectProperties p(*o);
    EXPECT_EQ(p.Value("nome"), "");
    EXPECT_FALSE(p.Apply(*o));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(o->Data()), kDataSize), before);
    ASSERT_TRUE(p.SetValue("nome", "avanti"));
    EXPECT_TRUE(p.Apply(*o));
    EXPECT_EQ(o->Str(17, 79), "avanti");
}

TEST_F(ObjectEditing, HtmlTabKeepsTheStreamsLeadingDataAndListItemsSetTheirCount) {
    TNYXoggetto* o = Make(inputStat, 9);
    o->SetSecondStream(std::string("\x02\x00\x00\x00xy", 6) + "vecchio");
    TObjectProperties p(*o);
    EXPECT_EQ(p.html, "vecchio");
    ASSERT_TRUE(p.HasLines());
    p.html = "onchange=\"vai()\"";
    p.lines = "Uno\n1\nn\nDue\n2\n\nTre\n3\nn\n";
    ASSERT_TRUE(p.Apply(*o));
    EXPECT_EQ(*o->SecondStream(), std::string("\x02\x00\x00\x00xy", 6) + "onchange=\"vai()\"");
    EXPECT_EQ(o->Byte(178), 3);
    std::string items;
    ASSERT_TRUE(o->ReadFirstStream(items));
    EXPECT_EQ(ParseListItems(items).size(), 3u);
}

TEST_F(ObjectEditing, MediaWithThePlayersButtonsAlwaysPlaysEndlessly) {
    TNYXoggetto* o = Make(multiMedia, 1);
    TObjectProperties p(*o);
    ASSERT_TRUE(p.SetValue("azione", "1"));
    ASSERT_TRUE(p.SetValue("cicli", "2"));
    p.Apply(*o);
    EXPECT_EQ(o->SWord(27), 2);
    ASSERT_TRUE(p.SetValue("azione", "0"));
    p.Apply(*o);
    EXPECT_EQ(o->SWord(27), -1);
}

TEST_F(ObjectEditing, AMediaFileChosenIsCopiedIntoTheHypertextAndNoneTakesItAway) {
    platform::testing::TempDir dir;
    const std::filesystem::path wav = dir / "campana.wav";
    std::ofstream(wav, std::ios::binary) << "RIFF....WAVE";
    TNYXoggetto* o = Make(multiMedia, 1);
    TObjectProperties p(*o);
    ASSERT_EQ(p.FileKind(), TObjectFile::kMedia);
    EXPECT_EQ(p.FileName(), "");
    EXPECT_FALSE(p.Apply(*o));  // nothing chosen: nothing changes
    p.file = wav;
    ASSERT_TRUE(p.Apply(*o));
    const TNYXoggetto* file = set.ObjectByRef(o->Int(17));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetName(), "campana.wav");
    EXPECT_EQ(MediaFilePath(*o).empty(), false);
    EXPECT_EQ(TObjectProperties(*o).FileName(), "campana.wav");

    // A file that went before the dialog was applied keeps the old choice.
    TObjectProperties gone(*o);
    gone.file = dir / "sparito.wav";
    EXPECT_FALSE(gone.Apply(*o));
    EXPECT_EQ(o->Int(17), file->Reference());

    TObjectProperties none(*o);
    none.file = std::filesystem::path();
    ASSERT_TRUE(none.Apply(*o));
    EXPECT_EQ(o->Int(17), -1);
    // Plug-ins name no media file.
    EXPECT_EQ(TObjectProperties(*Make(multiMedia, 5)).FileKind(), TObjectFile::kNone);
}

TEST_F(ObjectEditing, ApplyingPropertiesIsOneUndoableStep) {
    richtext::TNYXundoIndiciList registry;
    richtext::TNYXbox box(&set, &registry);
    richtext::TNYXundoList undo(&set);
    box.undo = &undo;
    box.layoutWidth = 500;
    TNYXoggetto* o = Make(bottoneCGI, 0);
    richtext::TNYXembedded* e = registry.Add(std::make_unique<richtext::TNYXembedded>(o));
    richtext::LoadBox(box, 0, std::string("<Z S0 >x<$FF000000>") + '\0', {}, {});
    richtext::LayoutBox(box);
    const std::int32_t width = e->width;
    TObjectProperties p(*o);
    ASSERT_TRUE(p.SetValue("etichetta", "Un'etichetta molto lunga"));
    ASSERT_TRUE(ApplyProperties(box, *e, p));
    EXPECT_GT(e->width, width);  // laid out again at the new caption's width
    ASSERT_EQ(undo.Labels().front(), "Modifica bottone");
    undo.UndoOnce();
    EXPECT_EQ(o->Str(97, 79), "Bottone");
    EXPECT_EQ(e->width, width);
    EXPECT_FALSE(ApplyProperties(box, *e, TObjectProperties(*o)));
    EXPECT_FALSE(undo.CanUndo());
}

TEST_F(ObjectEditing, AButtonsLinkIsOneUndoableStepAndOnlyButtonsTakeOne) {
    richtext::TNYXundoIndiciList registry;
    richtext::TNYXbox box(&set, &registry);
    richtext::TNYXundoList undo(&set);
    box.undo = &undo;
    box.layoutWidth = 500;
    TNYXoggetto* button = Make(bottoneCGI, 2);
    TNYXoggetto* field = Make(inputStat, 1);
    richtext::TNYXembedded* b = registry.Add(std::make_unique<richtext::TNYXembedded>(button));
    richtext::TNYXembedded* f = registry.Add(std::make_unique<richtext::TNYXembedded>(field));
    richtext::LoadBox(box, 0, std::string("<Z S0 >x<$FF000000><$FF000001>") + '\0', {}, {});
    richtext::LayoutBox(box);
    ASSERT_TRUE(SetButtonLink(box, *b, 0x42));
    EXPECT_EQ(button->Int(181), 0x42);
    EXPECT_FALSE(SetButtonLink(box, *b, 0x42));  // the same link: no step
    EXPECT_FALSE(SetButtonLink(box, *f, 0x42));
    ASSERT_EQ(undo.Labels(), std::vector<std::string>{"Modifica bottone"});
    undo.UndoOnce();
    EXPECT_EQ(button->Int(181), -1);
}

TEST_F(ObjectEditing, AButtonsPictureChosenInItsPropertiesGivesItThePicturesSize) {
    platform::testing::TempDir dir;
    const std::filesystem::path gif = dir / "freccia.gif";
    // A GIF of 2 x 3 pixels.
    const char bytes[] = "GIF89a\x02\x00\x03\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00,\x00\x00\x00\x00\x02\x00\x03\x00\x00\x02\x03\x84\x8f\x05\x00;";
    std::ofstream(gif, std::ios::binary).write(bytes, sizeof bytes - 1);
    TNYXoggetto* button = Make(bottoneCGI, 4);
    TObjectProperties p(*button);
    ASSERT_EQ(p.FileKind(), TObjectFile::kPicture);
    p.file = gif;
    ASSERT_TRUE(p.Apply(*button));
    const TNYXoggetto* pic = set.ObjectByRef(button->Int(177));
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->Type(), immagine);
    EXPECT_EQ(TObjectProperties(*button).FileName(), "freccia");  // pictures are named without their extension
    for (std::size_t off : {186, 190}) EXPECT_EQ(button->Word(off), 2) << off;
    for (std::size_t off : {188, 192}) EXPECT_EQ(button->Word(off), 3) << off;
    EXPECT_TRUE(Resizable(*button));
    EXPECT_EQ(DisplaySize(*button, 500).width, 2);
    // Resized by the author: the natural size still matches, the size stays.
    button->SetWord(190, 40);
    button->SetWord(192, 60);
    EXPECT_FALSE(FollowButtonPictureSize(*button));
    EXPECT_EQ(button->Word(190), 40);
    // A natural size that is not the picture's (the picture was replaced):
    // natural and displayed size become the picture's, in pixels.
    button->SetWord(186, 9);
    button->SetWord(188, 9);
    button->SetByte(194, 1);
    EXPECT_TRUE(FollowButtonPictureSize(*button));
    for (std::size_t off : {186, 190}) EXPECT_EQ(button->Word(off), 2) << off;
    for (std::size_t off : {188, 192}) EXPECT_EQ(button->Word(off), 3) << off;
    EXPECT_EQ(button->Byte(194), 0);
    EXPECT_FALSE(FollowButtonPictureSize(*button));
    TObjectProperties none(*button);
    none.file = std::filesystem::path();
    ASSERT_TRUE(none.Apply(*button));
    EXPECT_EQ(button->Int(177), -1);  // a standard push button again
}

}  // namespace
