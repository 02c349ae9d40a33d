#include <gtest/gtest.h>

#include <fstream>

#include "model/ImageCodecs.h"
#include "model/NYXset.h"
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

// A BMP file: 24-bit, or 32-bit with alpha (the left half transparent).
std::string Bmp(int w, int h, int bpp) {
    const int stride = ((w * bpp + 31) / 32) * 4;
    std::string s = "BM";
    auto p32 = [&](std::uint32_t v) { bytes::PutI32(s, static_cast<std::int32_t>(v)); };
    auto p16 = [&](std::uint16_t v) { s += char(v & 0xFF); s += char(v >> 8); };
    p32(54 + stride * h); p32(0); p32(54); p32(40); p32(w); p32(h); p16(1); p16(bpp);
    for (int i = 0; i < 6; ++i) p32(0);
    for (int y = 0; y < h; ++y) {
        std::string row(stride, '\0');
        for (int x = 0; x < w; ++x) {
            const int k = x * bpp / 8;
            row[k] = char(x * 7);          // blue
            row[k + 1] = char(y * 9);      // green
            row[k + 2] = char(x * y);      // red
            if (bpp == 32) row[k + 3] = x < w / 2 ? 0 : char(255);
        }
        s += row;
    }
    return s;
}

class SetOps : public ::testing::Test {
protected:
    FixedEnv env;
    ScriptedUiScope ui;
    TempDir dir;
    TNYXset set;
    void SetUp() override { set.NewHypertext(); }
    fs::path Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    }
    std::string Gif(int w, int h, std::uint32_t colour, bool transparent = false) {
        codecs::Image img;
        img.width = w;
        img.height = h;
        img.rgba.assign(static_cast<std::size_t>(w) * h, colour | 0xFF000000u);
        if (transparent) {
            img.rgba[0] = 0;
            img.transparent = true;
        }
        std::string out;
        EXPECT_TRUE(codecs::EncodeGif(img, out));
        return out;
    }
};

}  // namespace

TEST_F(SetOps, LinksToOtherHypertexts) {
    ASSERT_TRUE(set.SaveToFile(dir / "corrente.nyx"));
    set.SetHInt(hdr::kCoverPage, 4);
    struct Case {
        std::string text;
        bool isLink;
        std::string file;
        std::int64_t page;
    } cases[] = {
        {"quor:guida.nyx", true, "guida.nyx", 4},
        {"quor:guida.nyx|", true, "guida.nyx", -2},
        {"quor:guida.nyx|abc", true, "guida.nyx", 0},
        {"quor:guida.nyx|-5", true, "guida.nyx", 0},
        {"quor:guida.nyx|7", true, "guida.nyx", 7},
        {"quor:guida.nyx|123456789012345", true, "guida.nyx", 123456789012},  // at most 12 digits read
        {"quor://altro\\sotto.nyx|2", true, "altro/sotto.nyx", 2},
        {"http://x.it", false, "", 0},
    };
    for (const auto& c : cases) {
        HypertextLink l = set.ParseHypertextLink(c.text);
        EXPECT_EQ(l.isLink, c.isLink) << c.text;
        if (!c.isLink) continue;
        EXPECT_EQ(l.file, dir / c.file) << c.text;  // relative to the loaded file's folder
        EXPECT_EQ(l.page, c.page) << c.text;
        EXPECT_FALSE(l.sameFile);
    }
    EXPECT_TRUE(set.ParseHypertextLink("quor:" + (dir / "corrente.nyx").string()).sameFile);

    // Exported names of pages of another file.
    TNYXset other;
    other.NewHypertext();
    other.SetExpPrefix("alt");
    for (int i = 0; i < 3; ++i) other.NewObject(testoHtml);
    other.SetHInt(hdr::kCoverPage, 1);
    ASSERT_TRUE(other.SaveToFile(dir / "altro.nyx"));
    EXPECT_EQ(TNYXset::ForeignPageFileName(dir / "altro.nyx", 1, ".htm"), "alt_index.htm");
    EXPECT_EQ(TNYXset::ForeignPageFileName(dir / "altro.nyx", 26, ".htm"), "alt_00001A.htm");
    EXPECT_EQ(TNYXset::ForeignPageFileName(dir / "manca.nyx", 1, ".htm"), "");
}

TEST_F(SetOps, UrlsStylesAndAliases) {
    struct { const char* text; int subtype; } urls[] = {
        {"quor:a.nyx", 6}, {"http://x.it", 7}, {"mailto:a@b.it", 8}, {"ftp://x.it", 4}};
    for (const auto& u : urls) EXPECT_EQ(set.NewURL(u.text)->Subtype(), u.subtype) << u.text;

    for (const char* n : {"Titolo", "Titolo1"}) set.NewObject(stileParagrafo)->SetName(n);
    EXPECT_EQ(set.UniqueStyleName("Titolo"), "Titolo 2");
    EXPECT_EQ(set.UniqueStyleName("Nuovo"), "Nuovo");
    EXPECT_EQ(set.StyleIndex("TITOLO"), 2);
    EXPECT_EQ(set.StyleByName("titolo1")->Index(), 3u);
    set.NewObject(stileParagrafo)->SetName("titolo");
    set.RenameStyleDuplicates();
    EXPECT_EQ(set.ObjectAt(stileParagrafo, 4)->GetName(), "titolo 2");

    TNYXoggetto* page = set.NewObject(testoHtml);
    std::string second;
    bytes::PutI32(second, 9);
    bytes::PutI32(second, 5);
    second += "intro<b>html</b>";
    page->SetSecondStream(second);
    EXPECT_EQ(TNYXset::PageAlias(*page), "intro");
    EXPECT_EQ(set.PageByAlias("INTRO"), page);
    EXPECT_EQ(set.PageByAlias("altro"), nullptr);
}

TEST_F(SetOps, PicturesAreSharedAndConverted) {
    const fs::path gif = Write("uno.gif", Gif(20, 10, 0x00FF00, true));
    TNYXoggetto* a = set.AddPicture(gif);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(set.AddPicture(gif), a);  // the same picture twice is stored once
    EXPECT_EQ(set.Count(immagine), 1u);
    EXPECT_EQ(a->Subtype(), 0);
    EXPECT_EQ(a->Int(170), -1);  // transparent
    EXPECT_EQ(a->Word(85), 20);
    EXPECT_EQ(a->Word(87), 10);
    EXPECT_EQ(a->GetName(), "uno");
    EXPECT_EQ(a->GetFileName(), "uno.gif");

    // A BMP becomes a GIF of the same size; alpha becomes the transparent colour.
    for (int bpp : {24, 32}) {
        const fs::path bmp = Write("foto" + std::to_string(bpp) + ".bmp", Bmp(33, 17, bpp));
        TNYXoggetto* p = set.AddPicture(bmp);
        ASSERT_NE(p, nullptr) << bpp;
        EXPECT_EQ(p->GetFileName(), "foto" + std::to_string(bpp) + ".gif");
        EXPECT_EQ(p->Subtype(), 0);
        EXPECT_EQ(p->Word(85), 33);
        EXPECT_EQ(p->Word(87), 17);
        EXPECT_EQ(p->Int(170), bpp == 32 ? -1 : -2);
        auto decoded = p->GetPicture();
        ASSERT_NE(decoded, nullptr);
        EXPECT_EQ(decoded->rgba[0] >> 24, bpp == 32 ? 0u : 255u);
        EXPECT_EQ(decoded->rgba[32] >> 24, 255u);
    }
    // Refused: other extensions, missing files, damaged data.
    EXPECT_EQ(set.AddPicture(Write("x.txt", "ciao")), nullptr);
    EXPECT_EQ(set.AddPicture(dir / "manca.gif"), nullptr);
    EXPECT_EQ(set.AddPicture(Write("rotta.gif", Gif(4, 4, 1).substr(0, 12))), nullptr);

    TNYXoggetto* placed = set.NewPlacedPicture(a);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->Int(0), static_cast<std::int32_t>(a->Index()));
    EXPECT_EQ(placed->GetName(), "uno");
    EXPECT_EQ(placed->Byte(13), 4);
    EXPECT_EQ(placed->Word(17), 10);
    delete placed;
    TNYXset other;
    other.NewHypertext();
    EXPECT_EQ(other.NewPlacedPicture(a), nullptr);
    EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"Different NYXset in AddImmagineNew!"});
}

TEST_F(SetOps, DecodersRefuseDamagedAndHugePictures) {
    std::vector<std::string> good = {Gif(9, 7, 0x123456), Bmp(9, 7, 24)};
    codecs::Image img;
    img.width = 9;
    img.height = 7;
    img.rgba.assign(63, 0xFF336699u);
    std::string jpg;
    ASSERT_TRUE(codecs::EncodeJpeg(img, 80, jpg));
    good.push_back(jpg);
    for (const auto& g : good) {
        codecs::Image out;
        ASSERT_TRUE(codecs::Decode(g, out));
        EXPECT_EQ(out.width, 9);
        // Every truncation fails cleanly or decodes a picture of the right size.
        for (std::size_t cut = 0; cut < g.size(); cut += 3) {
            codecs::Image part;
            if (codecs::Decode(g.substr(0, cut), part)) {
                EXPECT_EQ(part.rgba.size(), 63u);
            }
        }
    }
    std::string huge = Bmp(2, 2, 24);
    bytes::SetI32(reinterpret_cast<std::uint8_t*>(huge.data()), huge.size(), 18, 100000);
    bytes::SetI32(reinterpret_cast<std::uint8_t*>(huge.data()), huge.size(), 22, 100000);
    codecs::Image out;
    EXPECT_FALSE(codecs::Decode(huge, out));
    std::string gifHuge = Gif(2, 2, 0);
    gifHuge[6] = gifHuge[7] = gifHuge[8] = gifHuge[9] = char(0xFF);  // 65535 x 65535 screen
    EXPECT_FALSE(codecs::Decode(gifHuge, out));
}

TEST_F(SetOps, JpegDecodedShrunkCoversTheAskedSizeByEighths) {
    codecs::Image img;
    img.width = 400;
    img.height = 300;
    img.rgba.assign(400u * 300u, 0xFF996633u);
    std::string jpg;
    ASSERT_TRUE(codecs::EncodeJpeg(img, 90, jpg));
    struct Case {
        int minW, minH, w, h;
    };
    // 400 x 300 in eighths: 50 x 38, 100 x 75, 150 x 113, ... 400 x 300.
    for (const Case& c : std::vector<Case>{{100, 75, 100, 75},
                                           {101, 75, 150, 113},
                                           {50, 10, 50, 38},
                                           {1, 1, 50, 38},
                                           {0, 0, 50, 38},
                                           {399, 1, 400, 300},
                                           {800, 600, 400, 300}}) {
        codecs::Image out;
        ASSERT_TRUE(codecs::DecodeAtLeast(jpg, c.minW, c.minH, out)) << c.minW;
        EXPECT_EQ(out.width, c.w) << c.minW << "x" << c.minH;
        EXPECT_EQ(out.height, c.h) << c.minW << "x" << c.minH;
        ASSERT_EQ(out.rgba.size(), static_cast<std::size_t>(c.w) * static_cast<std::size_t>(c.h));
        const std::uint32_t px = out.rgba[out.rgba.size() / 2];
        EXPECT_NEAR(static_cast<int>(px & 0xFF), 0x33, 6);
        EXPECT_NEAR(static_cast<int>((px >> 8) & 0xFF), 0x66, 6);
        EXPECT_NEAR(static_cast<int>((px >> 16) & 0xFF), 0x99, 6);
    }
    // Other formats decode whole; damaged data fails as Decode does.
    codecs::Image out;
    ASSERT_TRUE(codecs::DecodeAtLeast(Gif(9, 7, 0x123456), 2, 2, out));
    EXPECT_EQ(out.width, 9);
    EXPECT_FALSE(codecs::DecodeAtLeast(jpg.substr(0, 2), 10, 10, out));
}

TEST_F(SetOps, PictureCacheEvictsTheOldest) {
    std::vector<TNYXoggetto*> pics;
    for (int i = 0; i < 21; ++i) {
        TNYXoggetto* p = set.AddPicture(Write("p" + std::to_string(i) + ".gif", Gif(2, 2, 0x010101u * i)));
        ASSERT_NE(p, nullptr);
        ASSERT_NE(p->GetPicture(), nullptr);
        pics.push_back(p);
    }
    EXPECT_EQ(set.CacheSize(), 20u);
    EXPECT_EQ(set.CachedPicture(*pics[0]), nullptr);
    EXPECT_NE(set.CachedPicture(*pics[20]), nullptr);
    EXPECT_EQ(pics[5]->GetPicture(), pics[5]->GetPicture());  // served from the cache
    pics[1]->Reset();
    EXPECT_EQ(set.CachedPicture(*pics[1]), nullptr);
    TNYXoggetto* page = set.NewObject(testoHtml);
    set.CachePicture(*page, nullptr);
    EXPECT_EQ(ui.ui.Texts(Message::Error), std::vector<std::string>{"What happens? Image cache bug?"});
}

TEST_F(SetOps, ReplacingAPictureTakesASnapshotAndDropsTheOldLook) {
    struct Recorder : TObjectUndoRecorder {
        std::vector<std::pair<std::string, std::string>> got;  // label, record in stream form
        void SnapshotObject(const std::string& label, TNYXoggetto& o) override {
            std::string form;
            o.SaveToStream(form);
            got.emplace_back(label, form);
        }
    } recorder;
    set.undoRecorder = &recorder;
    TNYXoggetto* pic = set.AddPicture(Write("a.gif", Gif(4, 3, 0x0000FFu)));
    ASSERT_NE(pic, nullptr);
    const std::uint32_t slot = pic->Index();
    ASSERT_NE(pic->GetPicture(), nullptr);
    std::string before;
    pic->SaveToStream(before);
    std::unique_ptr<TNYXoggetto> other(set.NewPicture(Write("b.gif", Gif(7, 5, 0x00FF00u)), false, 5, 7));
    ASSERT_FALSE(other->Registered());
    set.SetHInt(hdr::kSaveCounter, 9);
    pic->ReplaceContent(*other);
    ASSERT_EQ(recorder.got.size(), 1u);
    EXPECT_EQ(recorder.got[0].first, "Modifica immagine a");
    EXPECT_EQ(recorder.got[0].second, before);
    auto shown = pic->GetPicture();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->width, 7);
    EXPECT_EQ(pic->GetFileName(), "b.gif");
    EXPECT_EQ(pic->GetStamp(), 9);
    EXPECT_EQ(pic->Index(), slot);
    // A picture outside the tables has nothing to undo; other types refuse.
    other->ReplaceContent(*pic);
    EXPECT_EQ(recorder.got.size(), 1u);
    TNYXoggetto* page = set.NewObject(testoHtml);
    page->ReplaceContent(*pic);
    EXPECT_EQ(page->Type(), testoHtml);
    EXPECT_EQ(ui.ui.Texts(Message::Information), std::vector<std::string>{"ReplaceContent called improperly..."});
    EXPECT_EQ(recorder.got.size(), 1u);
}

TEST_F(SetOps, FilesAndPrototypes) {
    const fs::path src = Write("dati.csv", "a;b\n1;2\n");
    TNYXoggetto* f = set.AddFile(src);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetName(), "dati.csv");
    EXPECT_EQ(f->ExternalPath().parent_path(), set.WorkFolder());
    EXPECT_EQ(f->Int(85), 8);
    // Replacing a registered file's contents removes its old copy from the
    // working folder, and never touches a file outside it.
    const fs::path oldCopy = f->ExternalPath();
    ASSERT_EQ(set.AddFile(Write("nuovi.csv", "x"), f), f);
    EXPECT_FALSE(fs::exists(oldCopy));
    f->SetExternalPath(src);
    ASSERT_EQ(set.AddFile(Write("ancora.csv", "y"), f), f);
    EXPECT_TRUE(fs::exists(src));

    // A library with a prototype that uses one file.
    TNYXset lib;
    lib.NewHypertext();
    TNYXoggetto* lf = lib.AddFile(Write("script.js", "alert(1)"));
    TNYXoggetto* proto = lib.NewObject(custom);
    proto->SetName("Orologio");
    std::string stream;
    bytes::PutI32(stream, 4);
    bytes::PutI32(stream, lf->Reference());
    stream += "definizioni";
    proto->SetFirstStream(stream);
    proto->SetSecondStream(std::string("\0\0\0\0", 4) + "<script src=\"!ReCF:00000000\">");

    TNYXoggetto* copy = nullptr;
    EXPECT_EQ(set.CopyPrototype(*proto, false, &copy), 2);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetName(), "Orologio");
    std::string s;
    ASSERT_TRUE(copy->ReadFirstStream(s));
    TNYXoggetto* copiedFile = set.ObjectByRef(bytes::GetI32(s, 4));
    ASSERT_NE(copiedFile, nullptr);
    EXPECT_EQ(copiedFile->GetName(), "script.js");
    EXPECT_EQ(s.substr(8), "definizioni");
    std::string contents;
    const std::uint32_t fileSlot = copiedFile->Index();
    ASSERT_TRUE(set.SaveToFile(dir / "con-prototipo.nyx"));  // every object is new after a save
    copiedFile = set.ObjectAt(genLink, fileSlot);
    ASSERT_TRUE(copiedFile->ReadFirstStream(contents));
    EXPECT_EQ(contents, "alert(1)");
    EXPECT_EQ(lf->ExtractToFile().empty(), false);  // the library keeps its file

    EXPECT_EQ(set.CopyPrototype(*proto, false), 1);  // same name (upper-cased) already here
    proto->SetName("OROLOGIO");
    EXPECT_EQ(set.CopyPrototype(*proto, false), 1);
    EXPECT_EQ(set.CopyPrototype(*proto, true), 3);  // replaced; its file was already here
    EXPECT_EQ(set.Count(custom), 1u);
}

TEST_F(SetOps, TreeHoldersAreMadeOnceAndCheckedOnUse) {
    TNYXoggetto* holder = set.PageTreeHolder();
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->Subtype(), 10);
    EXPECT_EQ(set.HInt(hdr::kPageTreeHolder), holder->Reference());
    EXPECT_EQ(set.PageTreeHolder(), holder);
    EXPECT_NE(set.PrototypeTreeHolder(), holder);
    // The holder's slot is reused by another marker: the header is not trusted.
    const std::uint32_t slot = holder->Index();
    holder->Reset();
    TNYXoggetto* anchor = set.NewObject(shortObj);  // takes the emptied slot (the old object is freed)
    anchor->SetSubtype(14);
    ASSERT_EQ(anchor->Index(), slot);
    TNYXoggetto* again = set.PageTreeHolder();
    EXPECT_NE(again, anchor);
    EXPECT_EQ(again->Subtype(), 10);
    EXPECT_EQ(anchor->Subtype(), 14);
}

TEST_F(SetOps, Descriptions) {
    TNYXoggetto* page = set.NewObject(testoHtml);
    page->SetName("Indice");
    TNYXoggetto* url = set.NewObject(internetLink);
    url->SetName("mailto:a@b.it");
    TNYXoggetto* link = set.NewObject(speclink);
    link->SetInt(13, page->Reference());
    link->SetByte(18, 2);
    link->SetByte(17, 0);
    link->SetInt(9, 3);
    TNYXoggetto* anchor = set.NewObject(shortObj);
    anchor->SetSubtype(14);
    anchor->SetInt(5, 7);
    TNYXoggetto* button = set.NewObject(bottoneCGI);
    button->SetInt(181, -1);
    button->SetStr(97, 79, "Invia");
    struct Case {
        TNYXoggetto* obj;
        std::string text;
    } cases[] = {
        {page, "Indice|Collegamento a: Indice (0)"},
        {url, "a@b.it|Collegamento a e-mail: a@b.it"},
        {link, "Indice|Qui si crea in finestra separata \"Ky\"  la pagina singola: Indice #a3 @0"},
        {anchor, "Ancora: a7"},
        {button, "Bottone di immissione: Invia"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.obj->Description(), c.text);
    link->Reset();
    EXPECT_EQ(link->Description(), "Non definito.");
    EXPECT_EQ(page->DescriptionTitle(), "Indice");
}

TEST_F(SetOps, UniqueNamesFollowRenamesAndDeletions) {
    TNYXoggetto* a = set.NewObject(genLink);
    a->SetFileName("a.txt");
    EXPECT_NE(set.UniqueFileName("A.TXT"), "A.TXT");
    a->SetFileName("b.txt");  // renamed: its old name is free
    EXPECT_EQ(set.UniqueFileName("a.txt"), "a.txt");
    EXPECT_NE(set.UniqueFileName("b.txt"), "b.txt");
    a->Reset();  // deleted
    EXPECT_EQ(set.UniqueFileName("b.txt"), "b.txt");
    TNYXoggetto* p = set.NewObject(immagine);
    p->SetStr(94, 75, "foto.gif");  // written directly into the record
    EXPECT_NE(set.UniqueFileName("foto.gif"), "foto.gif");
    auto taken = set.ClearSlot(immagine, p->Index());
    EXPECT_EQ(set.UniqueFileName("foto.gif"), "foto.gif");
    ASSERT_TRUE(set.SaveToFile(dir / "n.nyx"));  // reload rebuilds the index from the file
    EXPECT_EQ(set.UniqueFileName("foto.gif"), "foto.gif");
}
