#include <gtest/gtest.h>

#include <fstream>

#include "model/NYXset.h"
#include "model/Page.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "support/NyxBuilder.h"

using namespace model;
using platform::testing::FixedEnv;
using platform::testing::Message;
using platform::testing::ScriptedUiScope;
using platform::testing::TempDir;
namespace fs = std::filesystem;

namespace {

class Objects : public ::testing::Test {
protected:
    FixedEnv env;
    ScriptedUiScope ui;
    TempDir dir;
    TNYXset set;
    void SetUp() override { set.NewHypertext(); }

    TNYXoggetto* Add(int type) { return set.NewObject(type); }
    TNYXtesto* AddPage(const std::string& text) {
        auto* p = static_cast<TNYXtesto*>(Add(testoHtml));
        p->SetText(text);
        return p;
    }
    static std::string Hex(std::int32_t r) {
        char b[9];
        std::snprintf(b, sizeof b, "%08X", static_cast<unsigned>(r));
        return b;
    }
};

}  // namespace

TEST_F(Objects, ResetGivesTheEmptyStateOfEachType) {
    set.SetHInt(hdr::kBackColor, 0x112233);
    set.SetHInt(hdr::kLinkColor, 0x0000AA);
    struct Case {
        int type;
        std::function<void(const TNYXoggetto&)> check;
    };
    std::vector<Case> cases = {
        {testoHtml, [](const TNYXoggetto& o) {
             EXPECT_EQ(o.Subtype(), 3);
             EXPECT_EQ(o.GetName(), "Senza titolo");
             EXPECT_EQ(o.Int(101), 0x112233);  // colours from the header
             EXPECT_EQ(o.Int(93), 0x0000AA);
             EXPECT_EQ(o.Int(85), -1);
             EXPECT_EQ(o.Byte(195), 2);
             EXPECT_EQ(o.Word(191), 1040);
             EXPECT_EQ(o.Byte(189), 1);
             EXPECT_EQ(o.Int(196), 2);
         }},
        {keyword, [](const TNYXoggetto& o) { EXPECT_EQ(o.GetName(), "-"); }},
        {immagine, [](const TNYXoggetto& o) { EXPECT_EQ(o.Subtype(), 3); EXPECT_EQ(o.Byte(666), 0); }},
        {mappaFrame, [](const TNYXoggetto& o) { EXPECT_EQ(o.GetName(), "Map"); }},
        {tabellaHtml, [](const TNYXoggetto& o) {
             EXPECT_EQ(o.Byte(93), 1);
             EXPECT_EQ(o.Byte(94), 1);
             EXPECT_EQ(o.Byte(90), 2);
             EXPECT_EQ(o.Int(207), -1);
             EXPECT_EQ(o.Byte(219), 2);
             EXPECT_EQ(static_cast<std::uint32_t>(o.Int(211)), 0x80000014u);
         }},
        {speclink, [](const TNYXoggetto& o) { EXPECT_EQ(o.Str(19, 19), "Ky"); }},
        {custom, [](const TNYXoggetto& o) { EXPECT_EQ(o.GetName(), "Nuovo prototipo"); }},
        {dbloc, [](const TNYXoggetto& o) { EXPECT_EQ(o.GetName(), "db"); EXPECT_EQ(o.Byte(46), 0); }},
        {stileParagrafo, [](const TNYXoggetto& o) {
             EXPECT_EQ(o.Str(39, 32), "Times New Roman");
             EXPECT_EQ(o.Word(72), 12);
             EXPECT_EQ(o.Word(94), 0x8300);
             EXPECT_EQ(o.Int(81), 16711680);
             EXPECT_EQ(o.Byte(200), 0);  // the whole block starts zero
         }},
    };
    for (const auto& c : cases) {
        auto o = MakeObject(c.type);
        o->SetSet(&set);
        o->SetSecondStream("xx");
        o->SetExternalPath("/tmp/x");
        o->Reset();
        EXPECT_TRUE(o->IsEmpty()) << c.type;
        EXPECT_FALSE(o->HasSecondStream()) << c.type;
        EXPECT_TRUE(o->ExternalPath().empty()) << c.type;
        c.check(*o);
        o->MakeNew();
        EXPECT_EQ(o->IsEmpty(), c.type == keyword) << c.type;
    }
    auto page = MakeObject(testoHtml);
    page->Reset();
    page->MakeNew();
    EXPECT_EQ(static_cast<TNYXtesto*>(page.get())->Text(), "<Z S0 >");
    EXPECT_EQ(page->FirstStreamSize(), 8u);  // with its NUL
}

TEST_F(Objects, RegistrationTakesTheFirstEmptySlot) {
    TNYXoggetto* a = Add(internetLink);
    TNYXoggetto* b = Add(internetLink);
    TNYXoggetto* c = Add(internetLink);
    EXPECT_EQ(a->Index(), 0u);
    EXPECT_EQ(c->Index(), 2u);
    b->Reset();  // deleting keeps the slot, empty
    EXPECT_EQ(set.Count(internetLink), 3u);
    TNYXoggetto* d = Add(internetLink);
    EXPECT_EQ(d->Index(), 1u);
    EXPECT_EQ(set.ObjectAt(internetLink, 1), d);
    EXPECT_EQ(Add(internetLink)->Index(), 3u);
    EXPECT_TRUE(set.Modified());

    // Past the end appends; a slot left without an object refuses.
    auto e = MakeObject(keyword);
    EXPECT_EQ(set.RegisterObject(keyword, 99, std::move(e)), 0);
    TNYXoggetto* k = set.ObjectAt(keyword, 0);
    k->SetType(internetLink);  // leaves keyword slot 0 without an object
    EXPECT_EQ(set.ObjectAt(keyword, 0), nullptr);
    EXPECT_FALSE(k->Registered());
    auto f = MakeObject(keyword);
    EXPECT_EQ(set.RegisterObject(keyword, 0, f.get()), -1);
    delete k;  // the caller owned it once it left its slot
    // Saving still writes the slot, as an empty record.
    ASSERT_TRUE(set.SaveToFile(dir / "slots.nyx"));
    ASSERT_EQ(set.Count(keyword), 1u);
    EXPECT_TRUE(set.ObjectAt(keyword, 0)->IsEmpty());
}

TEST_F(Objects, ReplacingAPageByItsNewCopyKeepsItsObjects) {
    TNYXoggetto* table = Add(tabellaHtml);
    TNYXoggetto* link = Add(speclink);
    TNYXtesto* page = AddPage("<Z S0 ><$" + Hex(table->Reference()) + "><$" + Hex(link->Reference()) + ">");
    auto copy = MakeObject(testoHtml);
    copy->Assign(*page);
    EXPECT_EQ(set.RegisterObject(testoHtml, page->Index(), std::move(copy)), 0);
    EXPECT_FALSE(table->IsEmpty());
    EXPECT_FALSE(link->IsEmpty());
    // Resetting a page (deleting it) resets the objects of its text.
    set.ObjectAt(testoHtml, 0)->Reset();
    EXPECT_TRUE(table->IsEmpty());
    EXPECT_TRUE(link->IsEmpty());
}

TEST_F(Objects, OwnedLinksAreResetWithTheirOwner) {
    TNYXoggetto* link = Add(speclink);
    TNYXoggetto* marker = Add(shortObj);
    marker->SetSubtype(13);
    marker->SetInt(5, link->Reference());
    marker->Reset();
    EXPECT_TRUE(link->IsEmpty());

    TNYXoggetto* kept = Add(speclink);
    TNYXoggetto* anchor = Add(shortObj);
    anchor->SetSubtype(14);  // an anchor's value is a number, not a link
    anchor->SetInt(5, kept->Reference());
    anchor->Reset();
    EXPECT_FALSE(kept->IsEmpty());
}

TEST_F(Objects, StreamFormRoundTrip) {
    TNYXoggetto* src = Add(genLink);
    src->SetName("dati.bin");
    src->SetFirstStream(std::string("\0\1\2abc", 6));
    src->SetSecondStream("HTML");
    src->SetExternalPath("/percorso/dati.bin");
    std::string form;
    src->SaveToStream(form);
    EXPECT_EQ(form.size(), 4 + 1 + 668 + 4 + 18 + 8 + 6 + 4 + 4u);

    auto copy = MakeObject(testoHtmlRtf);
    std::size_t pos = 0;
    ASSERT_TRUE(copy->LoadFromStream(form, pos));
    EXPECT_EQ(pos, form.size());
    EXPECT_EQ(copy->Type(), genLink);
    EXPECT_EQ(copy->Index(), src->Index());
    EXPECT_EQ(copy->GetName(), "dati.bin");
    EXPECT_EQ(*copy->FirstStreamMemory(), std::string("\0\1\2abc", 6));
    EXPECT_EQ(*copy->SecondStream(), "HTML");
    EXPECT_EQ(copy->ExternalPath(), "/percorso/dati.bin");

    // Every cut of the form fails cleanly and leaves no streams.
    for (std::size_t cut = 0; cut < form.size(); ++cut) {
        auto o = MakeObject(genLink);
        std::size_t p = 0;
        EXPECT_FALSE(o->LoadFromStream(std::string_view(form).substr(0, cut), p)) << cut;
        EXPECT_FALSE(o->HasFirstStream()) << cut;
    }
    // A registered object reading another type says so.
    TNYXoggetto* url = Add(internetLink);
    pos = 0;
    url->LoadFromStream(form, pos);
    EXPECT_EQ(ui.ui.Texts(Message::Error).size(), 1u);
    EXPECT_EQ(url->Index(), 0u);  // a registered object keeps its slot
}

TEST_F(Objects, Equality) {
    auto pic = [&](const std::string& bytes) {
        auto o = MakeObject(immagine);
        o->SetSet(&set);
        o->Reset();
        o->MakeNew();
        o->SetFirstStream(bytes);
        o->SetInt(174, static_cast<std::int32_t>(bytes.size()));
        return o;
    };
    auto a = pic("GIF89a-one"), b = pic("GIF89a-one"), c = pic("GIF89a-two");
    EXPECT_TRUE(a->Equals(*b));
    EXPECT_FALSE(a->Equals(*c));  // same size, other bytes
    auto empty = MakeObject(immagine);
    empty->Reset();
    EXPECT_FALSE(empty->Equals(*empty));

    auto u1 = MakeObject(internetLink), u2 = MakeObject(internetLink);
    for (auto* u : {u1.get(), u2.get()}) {
        u->Reset();
        u->MakeNew();
        u->SetName("http://a.it");
    }
    EXPECT_TRUE(u1->Equals(*u2));
    u2->SetName("http://A.it");
    EXPECT_FALSE(u1->Equals(*u2));

    // Styles: typeface and the attributes from 72; the defaults ignore the typeface.
    auto s1 = MakeObject(stileParagrafo), s2 = MakeObject(stileParagrafo);
    for (auto* s : {s1.get(), s2.get()}) {
        s->Reset();
        s->MakeNew();
    }
    EXPECT_TRUE(s1->Equals(*s2));
    s2->SetStr(39, 32, "Arial");
    EXPECT_FALSE(s1->Equals(*s2));
    TNYXoggetto* def = set.ObjectAt(stileParagrafo, 0);
    s2->SetWord(86, 10);
    s2->SetWord(88, 10);
    s2->SetSubtype(1);
    EXPECT_TRUE(def->Equals(*s2));
    EXPECT_FALSE(Add(testoHtml)->Equals(*Add(testoHtml)));
}

TEST_F(Objects, AssigningAPictureMakesAPlacedPicture) {
    TNYXoggetto* pic = Add(immagine);
    pic->SetName("foto");
    pic->SetWord(85, 120);
    pic->SetWord(87, 80);
    auto placed = MakeObject(testoHtmlRtf);
    placed->Assign(*pic);
    EXPECT_EQ(placed->Type(), immagineNew);
    EXPECT_EQ(placed->Int(0), static_cast<std::int32_t>(pic->Index()));
    EXPECT_EQ(placed->Subtype(), 1);
    EXPECT_EQ(placed->Word(15), 120);
    EXPECT_EQ(placed->Word(21), 80);
    EXPECT_EQ(placed->GetName(), "foto");
    EXPECT_EQ(placed->Byte(73), 0xFF);  // no zones carried over
    EXPECT_EQ(set.Count(immagine), 1u);  // no copy of the picture
}

TEST_F(Objects, ReferenceReasons) {
    TNYXoggetto* target = AddPage("<Z S0 >bersaglio");
    const std::int32_t r = target->Reference();
    TNYXoggetto* link = Add(speclink);
    link->SetInt(13, r);
    TNYXoggetto* pic = Add(immagine);
    TNYXoggetto* kw = Add(keyword);
    kw->SetName("chiave");
    TNYXoggetto* placed = Add(immagineNew);
    placed->SetInt(0, static_cast<std::int32_t>(pic->Index()));
    placed->SetInt(73 + 16 * 3, link->Reference());  // a zone whose link leads to the page

    struct Case {
        const char* what;
        TNYXoggetto* obj;
        std::int32_t ref;
        int reason;
    };
    TNYXoggetto* byText = AddPage("<Z S0 >vedi <$" + Hex(r) + ">");
    TNYXoggetto* byObject = AddPage("<Z S0 ><$" + Hex(placed->Reference()) + ">");
    TNYXoggetto* byHtml = Add(inizioForm);
    byHtml->SetSecondStream(std::string("\0\0\0\0", 4) + "!RefL:" + Hex(r));
    TNYXoggetto* header = AddPage("<Z S0 >");
    header->SetInt(231, r);
    TNYXoggetto* bg = AddPage("<Z S0 >");
    bg->SetInt(85, static_cast<std::int32_t>(pic->Index()));
    bg->SetInt(105, static_cast<std::int32_t>(kw->Index()));
    TNYXoggetto* window = Add(shortObj);
    window->SetSubtype(13);
    window->SetInt(5, link->Reference());
    TNYXoggetto* table = Add(tabellaHtml);
    std::string cells;
    bytes::PutI32(cells, -1);
    bytes::PutI32(cells, 0x03000000 + static_cast<std::int32_t>(pic->Index()));
    table->SetFirstStream(cells);
    TNYXoggetto* media = Add(multiMedia);
    media->SetInt(17, r);
    TNYXoggetto* over = Add(immagine);
    TNYXoggetto* wholeRef = Add(immagineNew);
    wholeRef->SetInt(9, over->Reference());  // the pointer-over picture as a whole reference
    TNYXoggetto* button = Add(bottoneCGI);
    button->SetInt(177, over->Reference());
    TNYXoggetto* sound = Add(multiMedia);
    sound->SetSubtype(1);
    sound->SetInt(21, static_cast<std::int32_t>(over->Index()));
    std::vector<Case> cases = {
        {"link target", link, r, 10},
        {"text tag", byText, r, 1},
        {"object in the text", byObject, r, 1},
        {"placed picture zone", placed, r, 11},
        {"HTML text reference", byHtml, r, 6},
        {"header page", header, r, 4},
        {"window launch", window, r, 12},
        {"multimedia", media, r, 14},
        {"background picture", bg, pic->Reference(), 2},
        {"picture in the text", byObject, pic->Reference(), 2},
        {"placed picture data", placed, pic->Reference(), 1},
        {"cell background", table, pic->Reference(), 3},
        {"keyword", bg, kw->Reference(), 1},
        {"picture field holding a whole reference", wholeRef, over->Reference(), 1},
        {"button picture", button, over->Reference(), 9},
        {"sound's other picture", sound, over->Reference(), 7},
        {"unrelated", byText, pic->Reference(), 0},
        {"none", link, kNoRef, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.obj->ReferenceReason(c.ref), c.reason) << c.what;
    link->Reset();
    EXPECT_EQ(link->ReferenceReason(r), 0);  // empty objects refer to nothing
}

// Each kind of record with a link field, and what the field serves: page-
// local copies in working copies, the link owned (reset with the record),
// the reason the record refers to the page the link leads to, and that page
// among the record's link targets.
TEST_F(Objects, EveryLinkFieldServesTheUsesOfItsKind) {
    struct Case {
        const char* what;
        int type, subtype;
        std::size_t offset;
        bool local, owned;
        int reason;  // 0: the record neither refers nor leads there
    };
    const Case cases[] = {
        {"link", speclink, 1, 13, true, false, 10},
        {"previous-page link", speclink, 4, 13, true, false, 0},
        {"window launch", shortObj, 13, 5, true, true, 12},
        {"prototype field", shortObj, 22, 5, true, true, 0},
        {"anchor", shortObj, 14, 5, false, false, 0},
        {"catalogue link", shortObj, 15, 5, false, false, 0},
        {"database connection, first link", dbloc, 7, 51, false, true, 16},
        {"database connection, last link", dbloc, 7, 63, false, true, 16},
        {"placed picture, last zone", immagineNew, 1, 73 + 16 * 29, true, true, 11},
        {"floating frame", inputStat, 18, 108, false, false, 8},
        {"text box", inputStat, 1, 108, false, false, 0},
        {"button", bottoneCGI, 1, 181, true, true, 9},
    };
    TNYXoggetto* target = AddPage("<Z S0 >bersaglio");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TNYXoggetto* link = Add(speclink);
        link->SetInt(13, target->Reference());
        TNYXoggetto* o = Add(c.type);
        o->SetSubtype(static_cast<std::uint8_t>(c.subtype));
        // A link record holds the page itself, the others hold the link.
        o->SetInt(c.offset, c.type == speclink ? target->Reference() : link->Reference());
        const std::vector<std::size_t> local = LinkFields(*o);
        EXPECT_EQ(std::find(local.begin(), local.end(), c.offset) != local.end(), c.local);
        EXPECT_EQ(o->ReferenceReason(target->Reference()), c.reason);
        std::vector<std::int32_t> targets;
        o->CollectLinkTargets(targets);
        EXPECT_EQ(targets, c.reason ? std::vector<std::int32_t>{target->Reference()} : std::vector<std::int32_t>{});
        o->Reset();
        EXPECT_EQ(link->IsEmpty(), c.owned);
    }
}

TEST_F(Objects, ContentsAsFiles) {
    TNYXoggetto* f = Add(genLink);
    f->SetName("nota.txt");
    f->SetFirstStream("ciao");
    fs::path p = f->ExtractToFile();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.parent_path(), set.WorkFolder());
    EXPECT_EQ(testsupport::ReadFile(p), "ciao");
    EXPECT_FALSE(f->HasFirstStream());
    EXPECT_EQ(f->ExternalPath(), p);
    EXPECT_EQ(f->ExtractToFile(), p);  // already extracted
    // The extracted file goes into the next save and comes back as a stream.
    ASSERT_TRUE(set.SaveToFile(dir / "x.nyx"));
    std::string back;
    ASSERT_TRUE(set.ObjectAt(genLink, 0)->ReadFirstStream(back));
    EXPECT_EQ(back, "ciao");

    TNYXoggetto* g = Add(genLink);
    g->SetName("../../fuori.txt");
    g->SetFirstStream("x");
    fs::path q = g->ExtractToFile();
    EXPECT_EQ(q.parent_path(), set.WorkFolder());
    EXPECT_FALSE(g->WriteContentsTo(dir / "x.nyx" / "sotto.txt"));  // a file where a folder should be
}

TEST_F(Objects, UniqueFileNames) {
    TNYXoggetto* f = Add(genLink);
    f->SetFileName("Foto.GIF");
    EXPECT_EQ(f->GetFileName(), "Foto.GIF");
    f->SetFileName("Foto.GIF");  // its own name is no clash
    EXPECT_EQ(f->GetFileName(), "Foto.GIF");
    TNYXoggetto* p = Add(immagine);
    p->SetFileName("c:\\immagini\\foto.gif");
    const std::string n = p->GetFileName();
    EXPECT_EQ(n.size(), 12u);
    EXPECT_EQ(n.substr(0, 2), "ed");
    EXPECT_EQ(n.substr(8), ".gif");
    EXPECT_EQ(set.UniqueFileName("/a/b/altro.png"), "altro.png");
}

TEST_F(Objects, LinkTargetsAndElementNames) {
    TNYXoggetto* other = AddPage("<Z S0 >altra");
    TNYXoggetto* url = Add(internetLink);
    url->SetName("http://esempio.it");
    TNYXoggetto* link = Add(speclink);
    link->SetInt(13, other->Reference());
    TNYXoggetto* button = Add(bottoneCGI);
    button->SetInt(181, link->Reference());
    TNYXoggetto* page = AddPage("<Z S0 ><$" + Hex(link->Reference()) + ">x<%><$" + Hex(url->Reference()) + ">y<%><$" +
                                Hex(button->Reference()) + ">");
    std::vector<std::int32_t> targets;
    page->CollectLinkTargets(targets);
    EXPECT_EQ(targets, (std::vector<std::int32_t>{other->Reference(), url->Reference()}));

    TNYXoggetto* field = Add(inputStat);
    EXPECT_EQ(field->ElementName(3), "element3");
    field->SetName("Cognome");
    EXPECT_EQ(field->ElementName(3), "cognome");
    TNYXoggetto* form = Add(inizioForm);
    EXPECT_EQ(form->ElementName(2), "formstart2");
    form->SetSecondStream(std::string("\0\0\0\0", 4) + " NAME='modulo' action=\"x\"");
    EXPECT_EQ(form->ElementName(2), "modulo");
    EXPECT_EQ(form->AttributeValue("action"), "x");
}
