#include <gtest/gtest.h>

#include <cstring>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "shell/LinkChoices.h"

using namespace model;
using shell::TLinkChoices;
using shell::TLinkKind;

namespace {

struct LinkSet : ::testing::Test {
    TNYXset set;
    void SetUp() override {
        for (const char* t : {"Copertina", "Capitolo uno", "Capitolo due", "Indice"}) set.NewObject(testoHtml)->SetName(t);
    }
};

TLinkChoices PageChoice(std::int64_t page, std::int32_t anchor = -1, std::uint8_t mode = 0, std::string win = "Ky") {
    TLinkChoices c;
    c.page = page;
    c.anchor = anchor;
    c.openMode = mode;
    c.windowName = std::move(win);
    return c;
}

}  // namespace

TEST_F(LinkSet, ChoicesBecomeLinkRecordFields) {
    struct Case {
        const char* what;
        TLinkChoices c;
        int type;
        std::uint8_t subtype;
        std::int32_t target, anchor;
        std::uint8_t shows, mode;
        const char* window;
    };
    TLinkChoices framed = PageChoice(2, 4, 1, "destra");
    framed.shows = 1;
    TLinkChoices prev;
    prev.kind = TLinkKind::special;
    prev.special = linkrec::kPreviousPage;
    TLinkChoices close;
    close.kind = TLinkKind::special;
    close.special = linkrec::kCloseWindow;
    close.windowName = "aiuto";
    const Case cases[] = {
        {"page", PageChoice(3), speclink, 1, MakeRef(testoHtml, 3), -1, 0, 0, "Ky"},
        {"page anchor, named frame set", framed, speclink, 1, MakeRef(testoHtml, 2), 4, 1, 1, "destra"},
        {"anchor in the current page", PageChoice(-1, 7, 6), speclink, 1, kNoRef, 7, 0, 6, "Ky"},
        {"previous page", prev, speclink, linkrec::kPreviousPage, 0, -1, 0, 0, "Ky"},
        {"close window", close, speclink, linkrec::kCloseWindow, 0, -1, 0, 0, "aiuto"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ASSERT_EQ(shell::CheckLinkChoices(set, k.c), "");
        auto r = shell::MakeLinkRecord(set, k.c);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->Type(), k.type);
        EXPECT_EQ(r->Subtype(), k.subtype);
        if (k.subtype == 1) {
            EXPECT_EQ(r->Int(linkrec::kTarget), k.target);
        }
        EXPECT_EQ(r->Int(linkrec::kAnchor), k.anchor);
        EXPECT_EQ(r->Byte(linkrec::kShows), k.shows);
        EXPECT_EQ(r->Byte(linkrec::kOpenMode), k.mode);
        EXPECT_EQ(r->Str(linkrec::kWindowName, linkrec::kWindowNameCap), k.window);
        // Reading the record back gives the same choices.
        const TLinkChoices back = shell::ChoicesFromRecord(set, *r);
        EXPECT_EQ(back.kind, k.c.kind);
        EXPECT_EQ(back.anchor, k.c.anchor);
        EXPECT_EQ(back.openMode, k.c.openMode);
        if (k.c.kind == TLinkKind::page && k.c.page >= 0) {
            EXPECT_EQ(back.page, k.c.page);
        }
    }
}

TEST_F(LinkSet, AddressesBecomeUrlsOrLinksToAUrl) {
    TLinkChoices mail;
    mail.kind = TLinkKind::address;
    mail.address = "mailto:autore@esempio.it";
    auto u = shell::MakeLinkRecord(set, mail);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->Type(), internetLink);
    EXPECT_EQ(u->Subtype(), 8);
    EXPECT_EQ(u->GetName(), mail.address);

    TLinkChoices other;
    other.kind = TLinkKind::hypertext;
    other.file = "guida.nyx";
    other.foreignPage = 5;
    auto q = shell::MakeLinkRecord(set, other);
    ASSERT_TRUE(q);
    EXPECT_EQ(q->GetName(), "quor:guida.nyx|5");
    EXPECT_EQ(q->Subtype(), 6);
    const TLinkChoices back = shell::ChoicesFromRecord(set, *q);
    EXPECT_EQ(back.kind, TLinkKind::hypertext);
    EXPECT_EQ(back.file, "guida.nyx");
    EXPECT_EQ(back.foreignPage, 5);

    // Opening a URL in a popup needs a link record leading to a URL of the hypertext.
    TLinkChoices popup = mail;
    popup.address = "http://www.esempio.it/";
    popup.openMode = 4;
    popup.windowName = "pop";
    auto l = shell::MakeLinkRecord(set, popup);
    ASSERT_TRUE(l);
    EXPECT_EQ(l->Type(), speclink);
    const TNYXoggetto* url = set.ObjectByRef(l->Int(linkrec::kTarget));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->GetName(), popup.address);
    auto again = shell::MakeLinkRecord(set, popup);
    EXPECT_EQ(again->Int(linkrec::kTarget), l->Int(linkrec::kTarget));  // the URL is reused
    EXPECT_EQ(shell::ChoicesFromRecord(set, *l).address, popup.address);
}

TEST_F(LinkSet, RefusalsNameTheProblemAndMakeNothing) {
    TLinkChoices longUrl;
    longUrl.kind = TLinkKind::address;
    longUrl.address = "http://" + std::string(121, 'a');  // 128 bytes
    TLinkChoices fitsUrl = longUrl;
    fitsUrl.address.pop_back();
    TLinkChoices longFile;
    longFile.kind = TLinkKind::hypertext;
    longFile.file = std::string(120, 'f') + ".nyx";
    TLinkChoices emptyAddr;
    emptyAddr.kind = TLinkKind::address;
    TLinkChoices badSpecial;
    badSpecial.kind = TLinkKind::special;
    badSpecial.special = 9;
    struct Case {
        const char* what;
        TLinkChoices c;
        const char* says;  // part of the message; nullptr: accepted
    } cases[] = {
        {"address of 128 bytes", longUrl, "al massimo 127"},
        {"address of 127 bytes", fitsUrl, nullptr},
        {"quor: address too long", longFile, "al massimo 127"},
        {"empty address", emptyAddr, "indirizzo"},
        {"window name of 20", PageChoice(1, -1, 2, std::string(20, 'w')), "al massimo 19"},
        {"window name of 19", PageChoice(1, -1, 2, std::string(19, 'w')), nullptr},
        {"named frame without name", PageChoice(1, -1, 1, ""), "nome della finestra"},
        {"no target page", PageChoice(-1), "pagina di destinazione"},
        {"deleted or missing page", PageChoice(9), "pagina di destinazione"},
        {"anchor here without number", PageChoice(-1, -1, 6), "ancora"},
        {"open mode 7", PageChoice(1, -1, 7), "Modo"},
        {"special subtype 9", badSpecial, "speciale"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const std::string why = shell::CheckLinkChoices(set, k.c);
        if (!k.says) {
            EXPECT_EQ(why, "");
            EXPECT_TRUE(shell::MakeLinkRecord(set, k.c));
        } else {
            EXPECT_NE(why.find(k.says), std::string::npos) << why;
            EXPECT_FALSE(shell::MakeLinkRecord(set, k.c));
        }
    }
}

TEST_F(LinkSet, PagesByTitleIgnoresCaseAndEmptyPages) {
    EXPECT_EQ(shell::PagesByTitle(set, "CAPITOLO"), (std::vector<std::int64_t>{1, 2}));
    set.ObjectAt(testoHtml, 1)->Reset();
    EXPECT_EQ(shell::PagesByTitle(set, "capitolo"), (std::vector<std::int64_t>{2}));
}

TEST_F(LinkSet, LinkToDeletedPageIsReportedBroken) {
    auto toPage = shell::MakeLinkRecord(set, PageChoice(2));
    const std::int32_t slot = set.RegisterObject(speclink, -1, std::move(toPage));
    TLinkChoices prev;
    prev.kind = TLinkKind::special;
    const std::int32_t special = set.RegisterObject(speclink, -1, shell::MakeLinkRecord(set, prev));
    char text[128];
    std::snprintf(text, sizeof text, "<Z S0 ><$%08X>due<%%> <$%08X>tre<%%> <$%08X>prima<%%>", MakeRef(speclink, slot),
                  MakeRef(testoHtml, 3), MakeRef(speclink, special));
    static_cast<TNYXtesto*>(set.ObjectAt(testoHtml, 0))->SetText(text);
    EXPECT_TRUE(shell::BrokenLinks(set).empty());
    set.ObjectAt(testoHtml, 2)->Reset();
    set.ObjectAt(testoHtml, 3)->Reset();
    const auto broken = shell::BrokenLinks(set);
    ASSERT_EQ(broken.size(), 2u);
    EXPECT_EQ(broken[0].page, 0);
    EXPECT_EQ(broken[0].target, 2);
    EXPECT_EQ(broken[1].target, 3);
}

TEST_F(LinkSet, DescriptionSaysWhereTheLinkLeadsAndHow) {
    struct Case {
        TLinkChoices c;
        const char* begins;
        const char* ends;
    };
    const Case cases[] = {
        {PageChoice(1), "Capitolo uno|Qui si ", "Capitolo uno @1"},
        {PageChoice(2, 3, 2, "aiuto"), "Capitolo due|Qui si crea in finestra separata \"aiuto\" ", " #a3 @2"},
        {PageChoice(-1, 7, 6), "Qui si salta all'interno della pagina corrente, all'ancora: ", "#a7"},
    };
    for (const Case& k : cases) {
        const std::string d = shell::LinkDescription(set, k.c);
        EXPECT_EQ(d.rfind(k.begins, 0), 0u) << d;
        EXPECT_TRUE(d.size() >= std::strlen(k.ends) && d.compare(d.size() - std::strlen(k.ends), std::string::npos, k.ends) == 0) << d;
    }
    TLinkChoices url;
    url.kind = TLinkKind::address;
    url.address = "http://esempio.it/";
    const std::size_t urls = set.Count(internetLink);
    EXPECT_EQ(shell::LinkDescription(set, url), "http://esempio.it/");
    EXPECT_EQ(set.Count(internetLink), urls);  // nothing registered for a description
    EXPECT_EQ(shell::LinkDescription(set, PageChoice(-1)), "");
}
