// Faults of the HTML export that were mended, one test each.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "convert/html/NYXtoHtml.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"

using namespace model;
using convert::html::TNYXtoHtml;
namespace fs = std::filesystem;

namespace {

std::string Tag(std::int32_t r) {
    char b[16];
    std::snprintf(b, sizeof b, "<$%08X>", static_cast<unsigned>(r));
    return b;
}

const char kGif[] = "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;";

class HtmlRegressions : public ::testing::Test {
protected:
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::TempDir tmp;
    TNYXset set;
    TNYXtoHtml x{&set};
    void SetUp() override {
        set.NewHypertext();
        set.SetExpPrefix("");
    }
    TNYXtesto* Page(const std::string& title, const std::string& text) {
        auto* p = static_cast<TNYXtesto*>(set.NewObject(testoHtml));
        p->SetName(title);
        p->SetText(text);
        return p;
    }
    TNYXoggetto* Picture(const std::string& name) {
        const fs::path p = tmp.path() / name;
        std::ofstream f(p, std::ios::binary);
        f.write(kGif, sizeof kGif - 1);
        f << name;  // distinct bytes: equal pictures would be shared
        f.close();
        return set.AddPicture(p);
    }
    TNYXoggetto* Placed(TNYXoggetto* picture) {
        TNYXoggetto* o = set.NewPlacedPicture(picture);
        if (o && !o->Registered()) set.RegisterObject(immagineNew, -1, o);
        return o;
    }
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

}  // namespace
