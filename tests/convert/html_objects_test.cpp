#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "convert/ExportList.h"
#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/FrameData.h"
#include "support/HtmlExportFixture.h"
#include "support/LinkTag.h"

using namespace model;
using convert::html::TNYXtoHtml;
namespace fs = std::filesystem;

namespace {

using testsupport::Tag;

std::string FrameRecord(std::int32_t id, std::int32_t parent, const std::string& name, int place, bool container, std::int32_t page,
                        int rule, std::int32_t percent, std::int32_t pixels) {
    std::string r(58, '\0');
    auto i32 = [&](std::size_t off, std::int32_t v) {
        for (int k = 0; k < 4; ++k) r[off + static_cast<std::size_t>(k)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
    };
    i32(0, id);
    i32(4, parent);
    r[8] = static_cast<char>(name.size());
    r.replace(9, name.size(), name);
    r[28] = static_cast<char>(place);
    r[31] = 1;
    r[32] = container ? 1 : 0;
    i32(34, page);
    i32(38, percent);
    r[51] = 1;
    i32(52, pixels);
    r[56] = 3;
    r[57] = static_cast<char>(rule);
    return r;
}

class HtmlObjects : public testsupport::HtmlExportFixture {};

TEST_F(HtmlObjects, FrameSetWithItsNoFramesPart) {
    Page("Indice", "<Z S0 >x");
    TNYXtesto* left = Page("Sinistra", "<Z S0 >sinistra");
    TNYXtesto* right = Page("Destra", "<Z S0 >destra");
    TNYXtesto* divided = Page("Divisa", "<Z S0 >senza cornici");
    TNYXoggetto* map = set.NewObject(mappaFrame);
    map->SetFirstStream(FrameRecord(1, -1, "Pag3", 1, true, -1, 0, 100, 20) +
                        FrameRecord(2, 1, "alto\"x", 0, false, left->Reference(), 0, 30, 20) +
                        FrameRecord(3, 1, "basso", 3, false, right->Reference(), 2, 100, 20));
    divided->SetInt(81, static_cast<std::int32_t>(map->Index()));
    EXPECT_EQ(present::ReadFrameTree(*map).nodes.size(), 3u);
    x.ExportPath = tmp.path() / "out";
    ASSERT_TRUE(x.Export(convert::AllPages(set)));
    const std::string html = [&] {
        std::ifstream f(x.ExportPath / x.PageFileName(divided, 0), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }();
    EXPECT_NE(html.find("<FRAMESET ROWS=\"30%,*\" BORDER=3 FRAMESPACING=3 >\r\n<FRAME NAME=\"alto\xE2\x80\x9Dx\" SRC=\"" +
                        x.PageFileName(left, 1) + "\" SCROLLING=auto NORESIZE>"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("</FRAMESET>\r\n\r\n<NOFRAMES>\r\n<BODY"), std::string::npos);
    EXPECT_NE(html.find("</BODY>\r\n</NOFRAMES>\r\n</HTML>\r\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(x.ExportPath / x.PageFileName(left, 1)));
    EXPECT_TRUE(fs::exists(x.ExportPath / x.PageFileName(right, 1)));
}

TEST_F(HtmlObjects, DamagedFrameMapsEndTheTree) {
    // A child that names an unknown parent ends the tree; nothing loops.
    const std::string recs = FrameRecord(1, -1, "t", 1, true, -1, 0, 100, 20) + FrameRecord(2, 1, "a", 0, false, -1, 0, 50, 20) +
                             FrameRecord(3, 99, "b", 0, false, -1, 0, 50, 20) + std::string(10, '\x01');
    const present::TFrameTree t = present::ReadFrameTree(recs);
    ASSERT_EQ(t.nodes.size(), 2u);
    EXPECT_EQ(t.nodes[0].children.size(), 1u);
}

TEST_F(HtmlObjects, WindowLinksNeedTheOpenFunctionAndAFrameContentTarget) {
    TNYXtesto* target = Page("Bersaglio", "<Z S0 >b");
    TNYXoggetto* link = set.NewObject(speclink);
    link->SetSubtype(1);
    link->SetInt(13, target->Reference());
    link->SetInt(9, -1);
    link->SetByte(17, 0);
    link->SetByte(18, 2);
    link->SetStr(19, 19, "fin'estra");
    TNYXtesto* p = Page("P", "<Z S0 >" + Tag(link->Reference()) + "apri<%>");
    const std::string html = x.WritePage(*p, 0);
    EXPECT_NE(html.find("function QuorF_open("), std::string::npos);
    EXPECT_NE(html.find("HREF=\"javascript:QuorF_open('" + x.PageFileName(target, 1) + "','fin\xE2\x80\x99" "estra',''"), std::string::npos) << html;
    ASSERT_FALSE(x.FrameContentPages().empty());
    EXPECT_EQ(x.FrameContentPages().front(), target->Reference());
}

TEST_F(HtmlObjects, ReferenceExpansionInFreeHtml) {
    TNYXtesto* target = Page("Bersaglio", "<Z S0 >parte &lt;B&gt;");
    TNYXoggetto* inl = set.NewObject(shortObj);
    inl->SetSubtype(11);
    std::string second(4, '\0');
    char ref[16];
    std::snprintf(ref, sizeof ref, "%08X", static_cast<unsigned>(target->Reference()));
    second += std::string("<a href=\"!RefL:") + ref + "\">x</a> !RefP:" + ref + " !Refuso !RefI:FFFFFFFF.";
    inl->SetSecondStream(second);
    TNYXoggetto* comment = set.NewObject(shortObj);
    comment->SetSubtype(10);
    comment->SetFirstStream("a --> b");
    const std::string html = x.TextToHtml("<Z S0 >" + Tag(inl->Reference()) + Tag(comment->Reference()));
    EXPECT_NE(html.find("<a href=\"" + x.PageFileName(target, 0) + "\">x</a> "), std::string::npos) << html;
    EXPECT_NE(html.find("parte &lt;B&gt;"), std::string::npos) << html;
    EXPECT_NE(html.find(" !Refuso ."), std::string::npos) << html;
    EXPECT_NE(html.find("<!--a - -> b-->"), std::string::npos) << html;
}

TEST_F(HtmlObjects, ProgressTextAndExportList) {
    EXPECT_EQ(convert::ProgressText(1, 1, 1), "Export in corso, fase 1: 100%");
    EXPECT_EQ(convert::ProgressText(1, 4, 3), "Export in corso, fase 3: 25%");
    TNYXtesto* a = Page("Beta", "<Z S0 >b");
    Page("Alfa", "<Z S0 >a");
    x.ExportPath = tmp.path() / "out";
    std::vector<int> phases;
    x.OnExpProgress = [&](int, int, int phase) { phases.push_back(phase); };
    ASSERT_TRUE(x.Export(convert::AllPages(set)));
    EXPECT_FALSE(phases.empty());
    const auto rows = convert::ExportListRows(x, convert::ltHtml, {}, {}, convert::fsName);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0].title, "Alfa");
    bool css = false;
    for (auto& r : rows) {
        if (r.type == "CSS") css = r.size > 0;
        if (r.ref == a->Reference()) {
            EXPECT_GT(r.size, 0);
        }
    }
    EXPECT_TRUE(css);
}

}  // namespace

namespace {

std::string I32(std::int32_t v) {
    std::string s(4, '\0');
    for (int k = 0; k < 4; ++k) s[static_cast<std::size_t>(k)] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF);
    return s;
}

TEST_F(HtmlObjects, CustomComponentFillsThePrototype) {
    TNYXoggetto* file = set.NewObject(genLink);
    file->SetName("applet.cla");
    file->SetFirstStream("bytes");
    TNYXoggetto* proto = set.NewObject(custom);
    proto->SetSubtype(2);
    proto->SetFirstStream(I32(4) + I32(file->Reference()) + I32(6) + "Colore\r\n3\r\nTesto\r\n1\r\nNiente\r\n0\r\n");
    proto->SetSecondStream(I32(0) +
                           "<applet code=\"!ReCF:00000000\" w=!RefX:xxxxxxxx c=\"!ReCP:colore!\" t=\"!ReCP:TESTO!\" n=\"!ReCP:niente!\" "
                           "bad=\"!ReCF:00000005\" !Re>");
    TNYXoggetto* comp = set.NewObject(multiMedia);
    comp->SetSubtype(6);
    comp->SetInt(17, proto->Reference());
    comp->SetWord(33, 50);
    comp->SetByte(37, 1);
    comp->SetFirstStream(I32(6) + "colore\r\n$FF8800\r\ntesto\r\na\"b\r\nniente\r\nx\r\n");
    const std::string html = x.TextToHtml("<Z S0 >" + Tag(comp->Reference()));
    EXPECT_NE(html.find("<applet code=\"applet.cla\" w=50% c=\"FF8800\" t=\"a&quot;b\" n=\"\" bad=\"\" !Re>"), std::string::npos) << html;
    ASSERT_EQ(x.UsedFiles().size(), 1u);
    EXPECT_EQ(x.UsedFiles()[0], file->Reference());
}

TEST_F(HtmlObjects, ButtonsMultimediaAndBackgrounds) {
    TNYXoggetto* pic = set.NewObject(immagine);
    pic->SetStr(94, 75, "sfondo.gif");
    pic->SetFirstStream("GIF89a");
    TNYXtesto* target = Page("Bersaglio", "<Z S0 >b");
    TNYXoggetto* button = set.NewObject(bottoneCGI);
    button->SetSubtype(4);
    button->SetStr(97, 79, "Vai <qui>");
    button->SetInt(177, -1);
    button->SetInt(181, target->Reference());
    TNYXoggetto* sound = set.NewObject(multiMedia);
    sound->SetSubtype(1);
    TNYXoggetto* media = set.NewObject(genLink);
    media->SetName("suono.wav");
    media->SetFirstStream("RIFF");
    sound->SetInt(17, media->Reference());
    sound->SetInt(21, -1);
    sound->SetByte(25, 1);
    sound->SetWord(27, 0xFFFF);
    TNYXoggetto* table = set.NewObject(tabellaHtml);
    table->SetByte(93, 1);
    table->SetByte(94, 2);
    table->SetInt(207, 0x0000FF);
    table->SetFirstStream(I32(0x3000000 + static_cast<std::int32_t>(pic->Index())) + I32(-1));
    const std::string html = x.TextToHtml("<Z S0 >" + Tag(button->Reference()) + Tag(sound->Reference()) + "<Z S0 >" +
                                          Tag(table->Reference()) + "<Z S1 >a<T><Z S1 >b<T>");
    EXPECT_NE(html.find("<INPUT TYPE=button VALUE=\"Vai &lt;qui&gt;\"   onClick=\"javascript:location='" + x.PageFileName(target, 0) + "'\" >"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("<EMBED SRC=\"_g" + convert::Hex6(media->Index()) + ".wav\" AUTOSTART=true HIDDEN=true LOOP=true>"), std::string::npos)
        << html;
    EXPECT_EQ(html.find("</EMBED>"), std::string::npos);
    EXPECT_NE(html.find("CELLSPACING=2 BGCOLOR=#FF0000 >"), std::string::npos) << html;
    EXPECT_NE(html.find("background=\"_i" + convert::Hex6(pic->Index()) + ".gif\" >"), std::string::npos) << html;
}

}  // namespace
