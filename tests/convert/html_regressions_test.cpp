// Faults of the HTML export that were mended, one test each.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "support/HtmlExportFixture.h"
#include "support/LinkTag.h"

using namespace model;
using convert::html::TNYXtoHtml;
namespace fs = std::filesystem;

namespace {

using testsupport::Tag;

class HtmlRegressions : public testsupport::HtmlExportFixture {
protected:
    TNYXoggetto* Picture(const std::string& name) { return set.AddPicture(GifFile(name)); }
    TNYXoggetto* Link(int subtype, int mode, std::int32_t target, int anchor = -1) {
        TNYXoggetto* l = set.NewObject(speclink);
        l->SetSubtype(static_cast<std::uint8_t>(subtype));
        l->SetInt(13, target);
        l->SetInt(9, anchor);
        l->SetByte(17, 0);
        l->SetByte(18, static_cast<std::uint8_t>(mode));
        l->SetStr(19, 19, "dest");
        return l;
    }
};

TEST_F(HtmlRegressions, ButtonsWhoseLinkOpensNoWindowDoNotOpenAnEmptyOne) {
    // Pages numbered by chapter and position: A, B, C; the buttons are on B.
    TNYXtesto* a = Page("A", "<Z S0 >a");
    TNYXtesto* b = Page("B", "");
    TNYXtesto* c = Page("C", "<Z S0 >c");
    for (auto [p, pos] : {std::pair{a, 1}, {b, 2}, {c, 3}}) {
        p->SetWord(77, 1);
        p->SetWord(79, static_cast<std::uint16_t>(pos));
    }
    x.pageOrder = {static_cast<std::int32_t>(a->Index()), static_cast<std::int32_t>(b->Index()), static_cast<std::int32_t>(c->Index())};
    const std::string cFrame = x.PageFileName(c, 1);
    struct Case {
        const char* name;
        int subtype, mode, anchor;
        std::string handler;  // "" when the button must have none
        bool opensWindow = false;
    };
    const Case cases[] = {
        {"previous page", 4, 0, -1, "onClick=\"javascript:top.location='" + x.PageFileName(a, 0) + "'\""},
        {"next page", 5, 0, -1, "onClick=\"javascript:top.location='" + x.PageFileName(c, 0) + "'\""},
        {"keywords window", 3, 0, -1, ""},
        {"automatic import", 6, 2, -1, ""},
        {"this frame", 1, 0, -1, "onClick=\"javascript:location='" + cFrame + "'\""},
        {"named frame", 1, 1, -1, "onClick=\"javascript:open('" + cFrame + "','dest');\""},
        {"jump", 1, 5, 3, "onClick=\"javascript:top.location='" + cFrame + "#an3'\""},
        {"separate window", 1, 2, -1, "onClick=\"javascript:QuorF_open('" + cFrame + "','dest',''", true},
    };
    for (const Case& k : cases) {
        TNYXoggetto* button = set.NewObject(bottoneCGI);
        button->SetSubtype(4);
        button->SetStr(97, 79, "Vai");
        button->SetInt(177, -1);
        button->SetInt(181, Link(k.subtype, k.mode, c->Reference(), k.anchor)->Reference());
        b->SetText("<Z S0 >" + Tag(button->Reference()));
        const std::string html = x.WritePage(*b, 0);
        if (k.handler.empty()) EXPECT_EQ(html.find("onClick"), std::string::npos) << k.name << "\n" << html;
        else EXPECT_NE(html.find("<INPUT TYPE=button VALUE=\"Vai\"   " + k.handler), std::string::npos) << k.name << "\n" << html;
        EXPECT_EQ(html.find("QuorF_open") != std::string::npos, k.opensWindow) << k.name << "\n" << html;
    }
}

TEST_F(HtmlRegressions, EmbedKeepsItsEndTagAroundTheAlternativePicture) {
    TNYXoggetto* media = set.NewObject(genLink);
    media->SetName("brano.wav");
    media->SetFirstStream("RIFF");
    TNYXoggetto* alt = Picture("alt.gif");
    for (int subtype : {1, 3}) {
        TNYXoggetto* mm = set.NewObject(multiMedia);
        mm->SetSubtype(static_cast<std::uint8_t>(subtype));
        mm->SetInt(17, media->Reference());
        mm->SetInt(21, alt->Reference());
        mm->SetByte(25, 0);
        mm->SetWord(33, 40);
        mm->SetWord(35, 30);
        mm->SetByte(37, 0);
        const std::string html = x.TextToHtml("<Z S0 >" + Tag(mm->Reference()));
        const std::size_t embed = html.find("<EMBED SRC=\""), img = html.find("<IMG BORDER=0"), end = html.find(" ></EMBED>\r\n");
        ASSERT_NE(embed, std::string::npos) << html;
        EXPECT_LT(embed, img) << html;
        EXPECT_LT(img, end) << "subtype " << subtype << "\n" << html;
        EXPECT_NE(end, std::string::npos) << html;
    }
}

TEST_F(HtmlRegressions, PercentageSizesOfPicturesAndButtonsAreOfTheNaturalSize) {
    TNYXoggetto* pic = Picture("p.gif");
    struct Case {
        const char* name;
        bool button, percent;
        const char* size;
    };
    const Case cases[] = {
        {"picture in percent", false, true, " WIDTH=100 HEIGHT=25 "},
        {"picture in pixels", false, false, " WIDTH=50 HEIGHT=25 "},
        {"button in percent", true, true, " WIDTH=100 HEIGHT=25"},
        {"button in pixels", true, false, " WIDTH=50 HEIGHT=25"},
    };
    for (const Case& k : cases) {
        // Natural size 200 x 100, stored size 50 x 25.
        TNYXoggetto* o = nullptr;
        if (k.button) {
            o = set.NewObject(bottoneCGI);
            o->SetSubtype(2);
            o->SetInt(177, pic->Reference());
            o->SetInt(181, -1);
            for (auto [off, v] : {std::pair{186, 200}, {188, 100}, {190, 50}, {192, 25}}) o->SetWord(static_cast<std::size_t>(off), static_cast<std::uint16_t>(v));
            o->SetByte(194, k.percent ? 1 : 0);
        } else {
            o = Placed(pic);
            for (auto [off, v] : {std::pair{15, 200}, {17, 100}, {19, 50}, {21, 25}}) o->SetWord(static_cast<std::size_t>(off), static_cast<std::uint16_t>(v));
            o->SetByte(23, k.percent ? 1 : 0);
        }
        const std::string html = x.TextToHtml("<Z S0 >" + Tag(o->Reference()));
        EXPECT_NE(html.find(k.size), std::string::npos) << k.name << "\n" << html;
    }
}

TEST_F(HtmlRegressions, ZoneStoredWithReferenceZeroIsNotALinkToPageZero) {
    TNYXtesto* start = Page("Inizio", "<Z S0 >x");
    ASSERT_EQ(start->Reference(), 0);
    TNYXtesto* target = Page("Bersaglio", "<Z S0 >y");
    TNYXoggetto* placed = Placed(Picture("z.gif"));
    // Slot 0: a zone without a link; slot 1: a zone linked to the target.
    placed->SetInt(73, 0);
    placed->SetInt(73 + 16, target->Reference());
    for (std::size_t s : {73u, 89u}) {
        placed->SetInt(s + 4, 0);
        placed->SetWord(s + 8, 1);
        placed->SetWord(s + 10, 1);
        placed->SetWord(s + 12, 5);
        placed->SetWord(s + 14, 5);
    }
    const std::string html = x.TextToHtml("<Z S0 >" + Tag(placed->Reference()));
    EXPECT_EQ(html.find(x.PageFileName(start, 0)), std::string::npos) << html;
    EXPECT_NE(html.find("<AREA COORDS=1,1,6,6 HREF=\"" + x.PageFileName(target, 0) + "\""), std::string::npos) << html;
    EXPECT_EQ(html.find("<AREA"), html.rfind("<AREA")) << html;
}

}  // namespace

namespace {

// A page still in the old markup was exported from a conversion made without
// the hypertext: its picture was dropped as an unknown link.
TEST_F(HtmlRegressions, VersionOnePageExportsWithoutItsPicture) {
    TNYXoggetto* pic = Picture("vecchia.gif");
    ASSERT_NE(pic, nullptr);
    TNYXtesto* page = Page("Vecchia", "prima" + Tag(pic->Reference()) + "dopo");
    page->SetByte(195, 1);
    const std::string html = x.WritePage(*page, 0);
    EXPECT_NE(html.find("<IMG"), std::string::npos) << html;
    EXPECT_NE(html.find("prima"), std::string::npos);
    // The page is upgraded where it is stored, once.
    EXPECT_EQ(page->Byte(195), 2);
    EXPECT_EQ(x.WritePage(*page, 0), html);
}

}  // namespace
