#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "markup/Lexer.h"
#include "model/LoadedFile.h"
#include "model/Page.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "support/NyxBuilder.h"

using namespace model;
using platform::Answer;
using platform::testing::FixedEnv;
using platform::testing::Message;
using platform::testing::ScriptedUiScope;
using platform::testing::TempDir;
using testsupport::NyxBuilder;
using testsupport::ReadFile;
namespace fs = std::filesystem;

namespace {

class NativeFile : public ::testing::Test {
protected:
    FixedEnv env;
    ScriptedUiScope ui;
    TempDir dir;
    fs::path P(const std::string& n) { return dir / n; }

    // A small hypertext with pages, a picture, a file, a link, an empty slot.
    NyxBuilder Sample() {
        NyxBuilder b;
        b.header().Str(1346, "fx");
        testsupport::AddPage(b, "Copertina", "<Z S0 >Benvenuti<$0A000000>", std::string("\x04\0\0\0abcdALT", 11));
        testsupport::AddPage(b, "Seconda", "<Z S0 >Testo");
        b.Add(0, 0, 0xFF).rec.U8(4, 3);  // an empty page slot
        testsupport::AddPicture(b, "logo", std::string(300, 'G'));
        testsupport::AddFileObj(b, "doc.txt", "contenuto del file");
        auto& link = b.Add(10);
        link.rec.U8(4, 1).I32(9, -1).I32(13, 1).Str(19, "Ky").I32(0, -1).I32(5, -1).I32(39, -1).I32(43, -1);
        testsupport::AddDefaultStyles(b);
        return b;
    }
};

// Bytes of a file with the two fields every save changes blanked out.
std::string Comparable(std::string s) {
    for (int off : {1632, 1633, 1634, 1635, 1722, 1723})
        if (static_cast<std::size_t>(off) < s.size()) s[off] = 0;
    return s;
}

}  // namespace

TEST_F(NativeFile, NewHypertextGoldenBytes) {
    TNYXset set;
    set.NewHypertext();
    ASSERT_TRUE(set.SaveToFile(P("guida.nyx")));

    NyxBuilder b;
    b.header().Zero(4, 80).Str(4, "guida.");          // title from the file name, with the final point
    b.header().I32(1632, 3);              // 2 for a new hypertext, + 1 for the save
    b.header().Str(1346, "guida");        // export prefix from the file name
    b.header().Str(1540, "tester");       // the logged-on user
    b.header().U8(1639, 1).U8(1641, 1).Str(1642, "Courier New").Str(1682, "Times New Roman");
    b.header().I16(1744, 1033).I32(1746, 0);
    testsupport::AddDefaultStyles(b);
    EXPECT_EQ(testsupport::FirstDiff(ReadFile(P("guida.nyx")), b.Build()), "");
    EXPECT_EQ(set.Title(), "guida.");
    EXPECT_EQ(set.SaveCounter(), 3);
    EXPECT_EQ(set.Count(stileParagrafo), 2u);
    EXPECT_TRUE(ui.ui.messages.empty());
}

TEST_F(NativeFile, LoadSaveRoundTripIsByteIdentical) {
    Sample().Write(P("a.nyx"));
    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("a.nyx")));
    EXPECT_FALSE(set.Modified());
    ASSERT_TRUE(set.SaveToFile(P("b.nyx")));
    EXPECT_EQ(testsupport::FirstDiff(Comparable(ReadFile(P("b.nyx"))), Comparable(ReadFile(P("a.nyx")))), "");
    EXPECT_EQ(set.SaveCounter(), 8);
    // Saving again over the file just loaded gives the same bytes too.
    ASSERT_TRUE(set.SaveToFile(P("b.nyx")));
    EXPECT_EQ(testsupport::FirstDiff(Comparable(ReadFile(P("b.nyx"))), Comparable(ReadFile(P("a.nyx")))), "");
    EXPECT_TRUE(ui.ui.messages.empty()) << ui.ui.AllTexts()[0];
}

TEST_F(NativeFile, LoadedObjectsAndLazyStreams) {
    Sample().Write(P("a.nyx"));
    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("a.nyx")));
    ASSERT_EQ(set.Count(testoHtml), 3u);
    auto* cover = dynamic_cast<TNYXtesto*>(set.ObjectAt(testoHtml, 0));
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->GetName(), "Copertina");
    EXPECT_EQ(cover->Text(), "<Z S0 >Benvenuti<$0A000000>");
    EXPECT_EQ(cover->SecondStreamText(), "ALT");
    EXPECT_TRUE(set.ObjectAt(testoHtml, 2)->IsEmpty());
    TNYXoggetto* pic = set.ObjectAt(immagine, 0);
    EXPECT_TRUE(pic->FirstStreamInFile());  // pictures stay in the file until needed
    std::string bytes;
    ASSERT_TRUE(pic->ReadFirstStream(bytes));
    EXPECT_EQ(bytes, std::string(300, 'G'));
    EXPECT_EQ(set.ObjectByRef(MakeRef(genLink, 0))->GetName(), "doc.txt");
    EXPECT_EQ(set.ObjectAt(genLink, 1), nullptr);
    EXPECT_EQ(set.ObjectAt(30, 0), nullptr);
    EXPECT_EQ(set.ObjectAt(genLink, -1), nullptr);
}

TEST_F(NativeFile, ReadFailuresLeaveANewHypertext) {
    struct Case {
        const char* what;
        std::function<void(NyxBuilder&)> edit;
        std::function<std::string(std::string)> bytes;  // applied after building
        std::vector<std::string> messages;
    };
    const std::string readError = "Errore nella lettura file:";
    const std::string unsupported =
        "File non supportato dalla corrente versione del programma.\rContattare support@quor.example per ottenere "
        "una versione piùrecente del programma.";
    std::vector<Case> cases = {
        {"magic", [](NyxBuilder& b) { b.header().U8(0, 'X'); }, nullptr, {"Formato sconosciuto.", readError}},
        {"version 1 with K below 8", [](NyxBuilder& b) { b.K = 7; b.header().I16(1621, 1); }, nullptr,
         {"Attenzione: file salvato con una versione del programma\ranteriore alla 0.98. Non più supportato. "
          "UNSUPPORTED\r",
          readError}},
        {"version 3", [](NyxBuilder& b) { b.header().I16(1621, 3); }, nullptr, {unsupported, readError}},
        {"K above 26", [](NyxBuilder& b) { b.K = 27; }, nullptr, {unsupported, readError}},
        {"shorter than a header", nullptr, [](std::string s) { return s.substr(0, 1000); }, {readError}},
        {"directory cut", nullptr, [](std::string s) { return s.substr(0, 1990); }, {readError}},
        {"count negative", [](NyxBuilder& b) { b.countOverride[3] = -1; }, nullptr, {readError}},
        {"count above 2^24-1", [](NyxBuilder& b) { b.countOverride[4] = 1 << 24; }, nullptr, {readError}},
        {"count x size overflowing", [](NyxBuilder& b) { b.countOverride[0] = 0xFFFFFF; b.sizeOverride[0] = 0x7FFFFFFF; },
         nullptr, {readError}},
        {"records past the end", [](NyxBuilder& b) { b.offsetOverride[17] = 100000; }, nullptr, {readError}},
        {"huge count of zero-size records", [](NyxBuilder& b) { b.countOverride[14] = 0xFFFFFF; }, nullptr,
         {readError}},
        {"negative record size", [](NyxBuilder& b) { b.sizeOverride[5] = -4; }, nullptr, {readError}},
        {"blob area past the end", [](NyxBuilder& b) { b.blobOffsetOverride = 0x7FFFFFF0; }, nullptr, {readError}},
        {"stream past the end", [](NyxBuilder& b) { b.types[0][1].first.clear(); b.types[0][1].rec.I32(0, 1 << 20).I32(185, 50); },
         nullptr, {readError}},
        {"lazy stream past the end", [](NyxBuilder& b) { b.types[5][0].first.clear(); b.types[5][0].rec.I32(0, 10).I32(174, 1 << 30); },
         nullptr, {readError}},
    };
    for (const auto& c : cases) {
        ui.ui.ClearMessages();
        NyxBuilder b = Sample();
        if (c.edit) c.edit(b);
        std::string bytes = b.Build();
        if (c.bytes) bytes = c.bytes(bytes);
        std::ofstream(P("bad.nyx"), std::ios::binary | std::ios::trunc) << bytes;
        TNYXset set;
        EXPECT_FALSE(set.LoadFromFile(P("bad.nyx"))) << c.what;
        std::vector<std::string> got = ui.ui.AllTexts();
        ASSERT_EQ(got.size(), c.messages.size()) << c.what;
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (c.messages[i] == readError) EXPECT_EQ(got[i], readError + P("bad.nyx").string()) << c.what;
            else EXPECT_EQ(got[i], c.messages[i]) << c.what;
        }
        // A new hypertext: default styles, no pages.
        EXPECT_EQ(set.Count(testoHtml), 0u) << c.what;
        EXPECT_EQ(set.Count(stileParagrafo), 2u) << c.what;
        EXPECT_EQ(set.Title(), "Senza titolo") << c.what;
    }
}

TEST_F(NativeFile, MissingAndEmptyFiles) {
    TNYXset set;
    EXPECT_FALSE(set.LoadFromFile(P("nessuno.nyx")));
    EXPECT_EQ(ui.ui.Texts(Message::Warning), std::vector<std::string>{P("nessuno.nyx").string() + " non esiste"});

    std::ofstream(P("VuotoLungoNome.nyx")).close();
    ui.ui.ClearMessages();
    ASSERT_TRUE(set.LoadFromFile(P("VuotoLungoNome.nyx")));
    EXPECT_TRUE(ui.ui.messages.empty());
    EXPECT_EQ(set.ExpPrefix(), "vuotolun");  // 8 characters, lower case
    EXPECT_EQ(set.NYXFileName(), P("VuotoLungoNome.nyx"));
}

TEST_F(NativeFile, OlderWriterWithFewerTypes) {
    NyxBuilder b = Sample();
    b.K = 20;
    b.Write(P("k20.nyx"));
    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("k20.nyx")));
    EXPECT_EQ(set.Count(inputDin), 0u);
    EXPECT_EQ(set.Count(testoHtml), 3u);
    ASSERT_TRUE(set.SaveToFile(P("k25.nyx")));
    EXPECT_EQ(ReadFile(P("k25.nyx"))[1620], 25);

    // No styles stored: the two default styles come first.
    NyxBuilder ns;
    testsupport::AddPage(ns, "P", "<Z S0 >x");
    ns.Write(P("nostyles.nyx"));
    ASSERT_TRUE(set.LoadFromFile(P("nostyles.nyx")));
    ASSERT_EQ(set.Count(stileParagrafo), 2u);
    EXPECT_EQ(set.ObjectAt(stileParagrafo, 1)->GetName(), "[nessuno stile tabella]");
}

TEST_F(NativeFile, UpgradesOfShortRecords) {
    NyxBuilder b;
    testsupport::AddDefaultStyles(b);
    b.header().I32(1632, 10);
    auto& page = b.Add(0, 200);  // at most 242 bytes: old markup
    page.rec.U8(4, 0).Str(5, "Vecchia");
    page.firstPos = page.secondPos = -1;
    b.Add(1, 0).rec.U8(4, 4).Str(5, "http://x.it");
    b.Add(1, 0).rec.U8(4, 4).Str(5, "quor:altro.nyx|2");
    b.Add(1, 0).rec.U8(4, 4).Str(5, "mailto:a@b.it");
    b.Add(1, 0).rec.U8(4, 7).Str(5, "quor:non cambia");  // subtype already 5..8
    auto& f1 = b.Add(3, 60);
    f1.rec.U8(4, 4).Str(5, "dup.txt");
    f1.firstPos = -1;
    auto& f2 = b.Add(3, 60);
    f2.rec.U8(4, 4).Str(5, "dup.txt");
    f2.firstPos = -1;
    auto& pic = b.Add(5, 170);
    pic.rec.U8(4, 0).Str(94, "p.gif");
    pic.firstPos = -1;
    auto& tab = b.Add(8, 150);
    tab.rec.U8(4, 2);
    for (int i = 0; i < 50; ++i) tab.rec.U8(97 + i, static_cast<std::uint8_t>(i + 1));
    tab.firstPos = tab.secondPos = -1;
    auto& btn = b.Add(22, 190);
    btn.rec.U8(4, 1);
    auto& mm = b.Add(24, 0);
    mm.rec.U8(4, 1).I32(17, MakeRef(immagine, 4)).I32(0, -1).I32(13, -1).I32(38, -1).I32(42, -1);
    b.Write(P("old.nyx"));

    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("old.nyx"))) << ui.ui.AllTexts()[0];
    auto* p = set.ObjectAt(testoHtml, 0);
    EXPECT_EQ(p->Word(191), 1040);
    EXPECT_EQ(p->Byte(195), 1);
    EXPECT_EQ(p->Int(196), 9);
    EXPECT_EQ(p->Byte(200), 0);
    EXPECT_EQ(p->Word(221), 5);
    EXPECT_EQ(p->Int(231), -1);
    EXPECT_EQ(p->Byte(250), 0xFF);  // bytes the record did not hold
    EXPECT_EQ(set.ObjectAt(internetLink, 0)->Subtype(), 7);
    EXPECT_EQ(set.ObjectAt(internetLink, 1)->Subtype(), 6);
    EXPECT_EQ(set.ObjectAt(internetLink, 2)->Subtype(), 8);
    EXPECT_EQ(set.ObjectAt(internetLink, 3)->Subtype(), 7);
    EXPECT_EQ(set.ObjectAt(genLink, 0)->Int(89), 9);
    EXPECT_EQ(set.ObjectAt(genLink, 0)->GetName(), "dup.txt");
    EXPECT_NE(set.ObjectAt(genLink, 1)->GetName(), "dup.txt");  // made unique
    EXPECT_EQ(set.ObjectAt(genLink, 1)->GetName().substr(0, 2), "ed");
    auto* im = set.ObjectAt(immagine, 0);
    EXPECT_EQ(im->Int(662), -1);
    EXPECT_EQ(im->Byte(666), 0);
    EXPECT_EQ(im->Int(77), 9);
    auto* t = set.ObjectAt(tabellaHtml, 0);
    EXPECT_EQ(t->Byte(219), 1);
    EXPECT_EQ(t->Word(56), 300);
    EXPECT_EQ(t->Byte(5), 0);
    EXPECT_EQ(t->Byte(55), 1);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(t->Word(97 + 2 * i), i + 1) << i;
    EXPECT_EQ(set.ObjectAt(bottoneCGI, 0)->SWord(186), -1);
    EXPECT_EQ(set.ObjectAt(multiMedia, 0)->Int(17), MakeRef(genLink, 4));
}

TEST_F(NativeFile, VersionOneConversion) {
    NyxBuilder b;
    b.K = 12;
    b.header().I16(1621, 1).Str(1540, "vecchio autore").I32(1724, 5).I32(1736, 77);
    auto& zip = b.Add(2);
    zip.rec.U8(4, 4).Str(5, "archivio.zip").I32(89, 3);
    zip.first = "PK";
    auto& mc = b.Add(6);
    mc.rec.U8(4, 0).Str(5, "mappa").Str(94, "mappa.gif").I32(174, 0);
    mc.first = "GIF89a";
    for (int z = 0; z < 480; ++z) mc.rec.U8(182 + z, static_cast<std::uint8_t>(z));
    testsupport::AddPicture(b, "prima", "GIF87a");
    testsupport::AddPage(b, "Vecchia", "testo di una volta").rec.U8(195, 1);
    b.Write(P("Versione1Lunga.nyx"));

    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("Versione1Lunga.nyx")));
    EXPECT_EQ(set.ExpPrefix(), "versione");
    EXPECT_EQ(set.HStr(hdr::kAuthors, 79), "");
    EXPECT_EQ(set.HInt(hdr::kHeaderPage), -1);
    EXPECT_EQ(set.HInt(hdr::kBackColor), 12632256);
    EXPECT_EQ(set.HWord(hdr::kLanguage), 1033);
    EXPECT_EQ(set.Count(zipLink), 0u);
    EXPECT_EQ(set.Count(mappaClic), 0u);
    // Old references keep working through the conversion map.
    TNYXoggetto* f = set.ObjectAt(zipLink, 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Type(), genLink);
    EXPECT_EQ(f->GetName(), "archivio.zip");
    TNYXoggetto* m = set.ObjectByRef(MakeRef(mappaClic, 0));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Type(), immagine);
    EXPECT_EQ(m->Index(), 1u);  // after the picture already there
    EXPECT_EQ(m->Int(662), 0);
    EXPECT_EQ(m->Byte(190), 8);
    std::string bytes;
    ASSERT_TRUE(m->ReadFirstStream(bytes));
    EXPECT_EQ(bytes, "GIF89a");
    // Saved, it is an ordinary version-2 file without the old types.
    ASSERT_TRUE(set.SaveToFile(P("v2.nyx")));
    EXPECT_EQ(set.Version(), 2);
    EXPECT_EQ(set.Count(immagine), 2u);
    ASSERT_TRUE(set.ObjectAt(immagine, 1)->ReadFirstStream(bytes));
    EXPECT_EQ(bytes, "GIF89a");
    // Old page text is stored in the current markup, never as empty.
    auto* page = static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, 0));
    EXPECT_EQ(page->Byte(195), 2);
    EXPECT_EQ(page->Text().rfind("<Z", 0), 0u) << page->Text();
    EXPECT_NE(page->Text().find("testo di una volta"), std::string::npos) << page->Text();
}

// Version-1 page text was once upgraded without the hypertext: its pictures
// and click-zone pictures were dropped as unknown links and a table got a
// single cell. Opened, saved and read again, the page keeps all three.
TEST_F(NativeFile, VersionOnePageLosesItsPictures) {
    NyxBuilder b;
    b.K = 12;
    b.header().I16(1621, 1);
    auto& mc = b.Add(6);
    mc.rec.U8(4, 0).Str(5, "mappa").Str(94, "mappa.gif").I32(174, 0);
    mc.first = "GIF89a-mappa";
    testsupport::AddPicture(b, "foto", "GIF87a-foto");
    b.Add(8).rec.U8(4, 1).U8(93, 1).U8(94, 2);
    testsupport::AddPage(b, "Vecchia", "foto<$05000000> mappa<$06000000><$08000000>uno<TF>due<TE>fine").rec.U8(195, 1);
    b.Write(P("v1.nyx"));

    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("v1.nyx")));
    // Opening the page for editing upgrades it where it is stored.
    auto copy = BuildWorkingCopy(set, set.ObjectAt(testoHtml, 0), false);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(set.ObjectAt(testoHtml, 0)->Byte(195), 2);
    ASSERT_TRUE(set.SaveToFile(P("v2.nyx")));

    TNYXset again;
    ASSERT_TRUE(again.LoadFromFile(P("v2.nyx")));
    auto* page = static_cast<TNYXtesto*>(again.ObjectAt(testoHtml, 0));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Byte(195), 2);
    const std::string text = page->Text();
    std::vector<std::string> pictures;
    int tables = 0;
    for (std::int32_t r : markup::ObjectRefs(text)) {
        TNYXoggetto* o = again.ObjectByRef(r);
        ASSERT_NE(o, nullptr) << std::hex << r << " in " << text;
        if (o->Type() == immagineNew) {
            // A placed picture names its picture by slot.
            TNYXoggetto* picture = again.ObjectAt(immagine, o->Int(0));
            ASSERT_NE(picture, nullptr);
            std::string bytes;
            ASSERT_TRUE(picture->ReadFirstStream(bytes));
            pictures.push_back(bytes);
        } else if (o->Type() == tabellaHtml) {
            ++tables;
        }
    }
    EXPECT_EQ(pictures, (std::vector<std::string>{"GIF87a-foto", "GIF89a-mappa"})) << text;
    EXPECT_EQ(tables, 1) << text;
    // One row of two cells: each closed by its own cell end.
    const std::size_t uno = text.find("uno"), due = text.find("due"), fine = text.find("fine");
    ASSERT_NE(uno, std::string::npos);
    ASSERT_NE(due, std::string::npos);
    ASSERT_NE(fine, std::string::npos);
    EXPECT_NE(text.substr(uno, due - uno).find("<T>"), std::string::npos) << text;
    EXPECT_NE(text.substr(due, fine - due).find("<T>"), std::string::npos) << text;
}

TEST_F(NativeFile, SameFileSaveKeepsABackupAndNeverWritesInPlace) {
    Sample().Write(P("g.nyx"));
    const std::string before = ReadFile(P("g.nyx"));
    struct stat st0 {};
    ::stat(P("g.nyx").c_str(), &st0);
    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("g.nyx")));
    set.ObjectAt(testoHtml, 1)->SetName("Cambiata");
    ASSERT_TRUE(set.SaveToFile(P("g.nyx")));
    EXPECT_TRUE(ReadFile(P("g.bak")) == before);
    struct stat st1 {};
    ::stat(P("g.nyx").c_str(), &st1);
    EXPECT_NE(st0.st_ino, st1.st_ino);  // a new file took the name
    EXPECT_EQ(set.ObjectAt(testoHtml, 1)->GetName(), "Cambiata");
    // The picture, still read lazily from the old file, was copied across.
    std::string pic;
    ASSERT_TRUE(set.ObjectAt(immagine, 0)->ReadFirstStream(pic));
    EXPECT_EQ(pic, std::string(300, 'G'));

    set.backups = false;
    fs::remove(P("g.bak"));
    ASSERT_TRUE(set.SaveToFile(P("g.nyx")));
    EXPECT_FALSE(fs::exists(P("g.bak")));
    // No temporary file is left beside the target.
    int files = 0;
    for (auto& e : fs::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(NativeFile, SameFileIsDecidedByTheFileNotTheName) {
    Sample().Write(P("orig.nyx"));
    fs::create_symlink(P("orig.nyx"), P("alias.nyx"));
    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("alias.nyx")));
    set.ObjectAt(testoHtml, 0)->SetName("Nuovo titolo");
    ASSERT_TRUE(set.SaveToFile(P("alias.nyx")));
    EXPECT_TRUE(fs::is_symlink(P("alias.nyx")));  // the link still names the file
    TNYXset again;
    ASSERT_TRUE(again.LoadFromFile(P("orig.nyx")));
    EXPECT_EQ(again.ObjectAt(testoHtml, 0)->GetName(), "Nuovo titolo");

    // A name differing only in case is another file here: the loaded one stays.
    const std::string orig = ReadFile(P("orig.nyx"));
    ASSERT_TRUE(again.SaveToFile(P("ORIG.nyx")));
    EXPECT_TRUE(ReadFile(P("orig.nyx")) == orig);
    EXPECT_TRUE(fs::exists(P("ORIG.nyx")));
}

TEST_F(NativeFile, FailedSavesLeaveTheOldFileWhole) {
    struct Case {
        const char* step;
        std::vector<Answer> answers;
        bool targetKept;  // target still holds the old bytes
        std::vector<std::string> errors;
    };
    const std::string writeErr = "Errore nella scrittura file ";
    std::vector<Case> cases = {
        {"create", {Answer::No}, true, {writeErr}},
        {"write", {}, true, {writeErr}},
        {"sync", {}, true, {writeErr}},
        {"rename", {Answer::No}, true, {"Probabile errore di condivisione, o disco pieno."}},
    };
    for (const auto& c : cases) {
        Sample().Write(P("f.nyx"));
        const std::string before = ReadFile(P("f.nyx"));
        TNYXset set;
        ASSERT_TRUE(set.LoadFromFile(P("f.nyx")));
        set.ObjectAt(testoHtml, 1)->SetName("modificata");
        set.backups = false;
        set.saveFaultHook = [&](const char* step) { return std::string(step) == c.step; };
        ui.ui.answers.assign(c.answers.begin(), c.answers.end());
        EXPECT_FALSE(set.SaveToFile(P("f.nyx"))) << c.step;
        EXPECT_TRUE(ReadFile(P("f.nyx")) == before) << c.step;
        ASSERT_EQ(set.SaveErrors().size(), c.errors.size()) << c.step;
        EXPECT_EQ(set.SaveErrors()[0].rfind(c.errors[0], 0), 0u) << c.step;
        // The edit is not lost: either still in memory or in the kept new file.
        EXPECT_EQ(set.ObjectAt(testoHtml, 1)->GetName(), "modificata") << c.step;
        // Then a good save writes correct bytes, pictures included.
        set.saveFaultHook = nullptr;
        ASSERT_TRUE(set.SaveToFile(P("f.nyx"))) << c.step;
        TNYXset check;
        ASSERT_TRUE(check.LoadFromFile(P("f.nyx")));
        std::string pic;
        ASSERT_TRUE(check.ObjectAt(immagine, 0)->ReadFirstStream(pic));
        EXPECT_EQ(pic, std::string(300, 'G')) << c.step;
        EXPECT_EQ(check.ObjectAt(testoHtml, 1)->GetName(), "modificata") << c.step;
        for (auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename().string()[0] == '.') fs::remove(e.path());
    }
    // The retry question is asked with the target's name, and Yes retries.
    Sample().Write(P("r.nyx"));
    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("r.nyx")));
    int fails = 1;
    set.saveFaultHook = [&](const char* step) { return std::string(step) == "create" && fails-- > 0; };
    ui.ui.ClearMessages();
    ui.ui.answers = {Answer::Yes};
    EXPECT_TRUE(set.SaveToFile(P("r.nyx")));
    ASSERT_EQ(ui.ui.Texts(Message::YesNo).size(), 1u);
    EXPECT_NE(ui.ui.Texts(Message::YesNo)[0].find("(" + P("r.nyx").string() + ")"), std::string::npos);
}

TEST_F(NativeFile, UnreadableSourceIsReportedOnceAndTheRestIsSaved) {
    Sample().Write(P("s.nyx"));
    TNYXset set;
    ASSERT_TRUE(set.LoadFromFile(P("s.nyx")));
    // Another program cuts the file while it is loaded: the picture's bytes are gone.
    const std::string full = ReadFile(P("s.nyx"));
    ASSERT_EQ(::truncate(P("s.nyx").c_str(), static_cast<off_t>(full.size() - 100)), 0);
    // An embedded file waiting in a folder that is gone, twice.
    for (int i = 0; i < 2; ++i) {
        TNYXoggetto* f = set.NewObject(genLink);
        f->SetName("perso.txt");
        f->SetExternalPath(P("sparito/perso.txt"));
    }
    ASSERT_TRUE(set.SaveToFile(P("out.nyx"))) << (set.SaveErrors().empty() ? "" : set.SaveErrors()[0]);
    // The missing file once (embedded files come before pictures), the loaded file once.
    ASSERT_EQ(set.SaveWarnings().size(), 2u);
    EXPECT_EQ(set.SaveWarnings()[0], "Errore nell'apertura file: " + P("sparito/perso.txt").string());
    EXPECT_EQ(set.SaveWarnings()[1], "Errore nell'apertura file: " + P("s.nyx").string());
    EXPECT_EQ(set.ObjectAt(testoHtml, 0)->GetName(), "Copertina");
    EXPECT_FALSE(set.ObjectAt(immagine, 0)->HasFirstStream());
    EXPECT_EQ(set.Count(genLink), 3u);
}

TEST_F(NativeFile, EmptyNameIsRefused) {
    TNYXset set;
    set.NewHypertext();
    EXPECT_FALSE(set.SaveToFile(""));
    EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"Nome file non valido!"});
}

TEST_F(NativeFile, ReadForeignRecord) {
    Sample().Write(P("altro.nyx"));
    EXPECT_EQ(TNYXset::ReadForeignRecord(P("altro.nyx"), MakeRef(testoHtml, 1)), "Seconda");
    EXPECT_EQ(TNYXset::ReadForeignRecord(P("altro.nyx"), MakeRef(testoHtml, 3)), "");
    EXPECT_EQ(TNYXset::ReadForeignRecord(P("manca.nyx"), MakeRef(testoHtml, 0)), "");
    NyxBuilder v3 = Sample();
    v3.header().I16(1621, 3);
    v3.Write(P("v3.nyx"));
    EXPECT_EQ(TNYXset::ReadForeignRecord(P("v3.nyx"), MakeRef(testoHtml, 0)), "");
}

TEST_F(NativeFile, WorkingFolder) {
    fs::path folder;
    {
        TNYXset set;
        set.NewHypertext();
        folder = set.WorkFolder();
        ASSERT_TRUE(fs::is_directory(folder));
        EXPECT_EQ(folder.parent_path(), env.temp);
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
        fs::path a = set.UniqueWorkFileName("foto.gif");
        EXPECT_EQ(a, folder / "foto.gif");
        std::ofstream(a).close();
        fs::path b = set.UniqueWorkFileName("foto.gif");
        EXPECT_EQ(b.parent_path(), folder);
        EXPECT_EQ(b.filename().string().substr(0, 2), "re");
        EXPECT_EQ(b.extension(), ".gif");
        // Names from files never lead outside the folder.
        for (const char* hostile : {"../../etc/passwd", "..", "C:\\dir\\x.txt", "/abs/y.txt", ""})
            EXPECT_EQ(set.UniqueWorkFileName(hostile).parent_path(), folder) << hostile;
        set.Clear();
        EXPECT_FALSE(fs::exists(a));
    }
    EXPECT_FALSE(fs::exists(folder));
}
