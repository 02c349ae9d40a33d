#include <gtest/gtest.h>

#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ObjectKinds.h"

using namespace model;
using present::TControlKind;

namespace {

class ObjectKinds : public ::testing::Test {
protected:
    TNYXoggetto* Make(TOggettiHel type, int sub) {
        TNYXoggetto* o = set.NewObject(type);
        o->SetSubtype(static_cast<std::uint8_t>(sub));
        return o;
    }
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    TNYXset set;
    void SetUp() override { set.NewHypertext(); }
};

TEST_F(ObjectKinds, KindTableIconsAndViewVisibility) {
    struct Case {
        TOggettiHel type;
        int sub;
        TControlKind kind;
        const char* icon;
        bool inView;
    };
    const Case cases[] = {
        {shortObj, 10, TControlKind::kMarker, "notepad", false},
        {shortObj, 11, TControlKind::kMarker, "html", false},
        {shortObj, 13, TControlKind::kMarker, "lancia", false},
        {shortObj, 14, TControlKind::kMarker, "ancora", false},
        {shortObj, 3, TControlKind::kNone, "", false},
        {inputStat, 1, TControlKind::kEdit, "", true},
        {inputStat, 2, TControlKind::kEdit, "", true},
        {inputStat, 4, TControlKind::kMemo, "", true},
        {inputStat, 5, TControlKind::kMarker, "hidden", false},
        {inputStat, 6, TControlKind::kRadio, "", true},
        {inputStat, 7, TControlKind::kCheck, "", true},
        {inputStat, 8, TControlKind::kList, "", true},
        {inputStat, 9, TControlKind::kCombo, "", true},
        {inputStat, 10, TControlKind::kNone, "", false},
        {inputDin, 2, TControlKind::kMemo, "", true},
        {inputDin, 12, TControlKind::kMarker, "dinhtml", false},
        {inputDin, 3, TControlKind::kNone, "", false},
        {bottoneCGI, 1, TControlKind::kButton, "", true},
        {inizioForm, 2, TControlKind::kFormStart, "iniziof", false},
        {multiMedia, 5, TControlKind::kMultimedia, "", true},
        {custom, 0, TControlKind::kNone, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.sub));
        const TNYXoggetto* o = Make(c.type, c.sub);
        EXPECT_EQ(present::ControlKindOf(*o), c.kind);
        EXPECT_EQ(present::MarkerIcon(*o), c.icon);
        EXPECT_EQ(present::ShownInView(c.kind), c.inView);
    }
}

TEST_F(ObjectKinds, SizesClampedForDisplayOnly) {
    const present::TObjectMetrics m;  // "h" 7 wide, boxes 22 high
    TNYXoggetto* b = Make(bottoneCGI, 0);
    b->SetInt(177, -1);
    b->SetStr(97, 79, "Conferma");  // an 8-character caption
    EXPECT_EQ(present::DisplaySize(*b, 600, m).width, 70);
    EXPECT_EQ(present::DisplaySize(*b, 600, m).height, 22);

    TNYXoggetto* mm = Make(multiMedia, 5);
    struct Case {
        int w, h, pct;
        std::int32_t lineWidth;
        int ew, eh;
    } const cases[] = {
        {0, -5, 0, 600, 105, 105},
        {300, 200, 0, 600, 300, 200},
        {50, 40, 1, 600, 300, 40},
        {30000, 40, 1, 400000, 65535, 40},
    };
    for (const Case& c : cases) {
        mm->SetWord(33, static_cast<std::uint16_t>(c.w));
        mm->SetWord(35, static_cast<std::uint16_t>(c.h));
        mm->SetByte(37, static_cast<std::uint8_t>(c.pct));
        const std::string before(reinterpret_cast<const char*>(mm->Data()), kDataSize);
        const auto s = present::DisplaySize(*mm, c.lineWidth, m);
        EXPECT_EQ(s.width, c.ew) << c.w;
        EXPECT_EQ(s.height, c.eh) << c.h;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(mm->Data()), kDataSize), before);
    }
    EXPECT_EQ(present::DisplaySize(*Make(inputStat, 33), 600, m).width, 0);
}

TEST_F(ObjectKinds, MarkersInViewModeAndAnchorsWhenPreviewed) {
    struct Case {
        TOggettiHel type;
        int sub;
        bool plain, withAnchors;
    } const cases[] = {
        {shortObj, 10, false, false},  // comment
        {shortObj, 14, false, true},   // anchor
        {shortObj, 15, true, true},
        {inizioForm, 1, false, false},
        {inputStat, 1, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.sub));
        const TNYXoggetto* o = Make(c.type, c.sub);
        EXPECT_EQ(present::ShownInView(*o, false), c.plain);
        EXPECT_EQ(present::ShownInView(*o, true), c.withAnchors);
    }
}

TEST_F(ObjectKinds, MediaMakeRoomForThePlayerBarAndComponentsTakeTheirPreviewsSize) {
    const present::TObjectMetrics m;  // "h" 7 wide, boxes 22 high, lists 121 wide with 16-pixel lines
    struct Media {
        int sub, action, w, h;
        int ew, eh;
    } const media[] = {
        {1, 0, 300, 200, 141, 30},  // sound with the player's buttons: the bar
        {2, 1, 300, 200, 18, 18},   // sound playing by itself: its note
        {3, 0, 300, 200, 300, 230}, // video: the bar above the picture
        {3, 0, 80, 60, 141, 90},    // narrower than the bar
        {4, 1, 300, 200, 300, 200}, // video playing by itself: the picture only
        {5, 0, 300, 200, 300, 200}, // plug-in
    };
    for (const Media& c : media) {
        SCOPED_TRACE(c.sub * 10 + c.action);
        TNYXoggetto* o = Make(multiMedia, c.sub);
        o->SetByte(25, static_cast<std::uint8_t>(c.action));
        o->SetWord(33, static_cast<std::uint16_t>(c.w));
        o->SetWord(35, static_cast<std::uint16_t>(c.h));
        const auto s = present::DisplaySize(*o, 600, m);
        EXPECT_EQ(s.width, c.ew);
        EXPECT_EQ(s.height, c.eh);
    }
    struct Preview {
        int kind;
        TControlKind looks;
        int ew, eh, viewWidth;
    } const previews[] = {
        {1, TControlKind::kMarker, 18, 18, 1},  // "Invisibile" collapses in view mode
        {2, TControlKind::kMultimedia, 250, 120, 250},
        {3, TControlKind::kEdit, 148, 22, 148},
        {4, TControlKind::kMemo, 288, 164, 288},
        {5, TControlKind::kRadio, 13, 13, 13},
        {6, TControlKind::kCheck, 13, 13, 13},
        {7, TControlKind::kList, 121, 164, 121},
        {8, TControlKind::kCombo, 121, 22, 121},
        {9, TControlKind::kMarker, 18, 18, 18},
    };
    for (const Preview& c : previews) {
        SCOPED_TRACE(c.kind);
        TNYXoggetto* proto = Make(custom, c.kind);
        proto->SetName("Prototipo " + std::to_string(c.kind));
        TNYXoggetto* o = Make(multiMedia, 6);
        o->SetInt(17, proto->Reference());
        o->SetWord(33, 250);
        o->SetWord(35, 120);
        EXPECT_EQ(present::PrototypeKind(*o), c.kind);
        EXPECT_EQ(present::PreviewKind(*o), c.looks);
        const auto s = present::DisplaySize(*o, 600, m);
        EXPECT_EQ(s.width, c.ew);
        EXPECT_EQ(s.height, c.eh);
        EXPECT_EQ(present::DisplaySize(*o, 600, m, true).width, c.viewWidth);
    }
    // Database elements are icons, by their kind byte.
    struct Db {
        int kind;
        const char* icon;
        int width;
    } const dbs[] = {{9, "dbtesto", 36}, {12, "dbquery", 18}, {19, "dbrep", 27}, {21, "dbsalto", 36}, {99, "", 18}};
    for (const Db& c : dbs) {
        SCOPED_TRACE(c.kind);
        TNYXoggetto* o = Make(multiMedia, 7);
        o->SetByte(46, static_cast<std::uint8_t>(c.kind));
        EXPECT_EQ(present::MarkerIcon(*o), c.icon);
        EXPECT_EQ(present::DisplaySize(*o, 600, m).width, c.width);
        EXPECT_EQ(present::DisplaySize(*o, 600, m).height, 18);
    }
    // A dangling prototype reference is a plain frame of the stored size.
    TNYXoggetto* dangling = Make(multiMedia, 6);
    dangling->SetInt(17, 0x7123);
    dangling->SetWord(33, 250);
    dangling->SetWord(35, 120);
    EXPECT_EQ(present::PrototypeKind(*dangling), 0);
    EXPECT_EQ(present::DisplaySize(*dangling, 600, m).width, 250);
}

TEST_F(ObjectKinds, ListStreamsDropPartialItemAndAcceptCrLf) {
    const auto items = present::ParseListItems("Uno\r\n1\r\nn\r\nDue\n2\n\nTre\n3\n");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, "Uno");
    EXPECT_EQ(items[0].value, "1");
    EXPECT_FALSE(items[0].selected);
    EXPECT_TRUE(items[1].selected);  // an empty flag means selected
}

TEST_F(ObjectKinds, GetAndSetValuePerKind) {
    TNYXoggetto* edit = Make(inputStat, 1);
    edit->SetStr(97, 79, "iniziale");
    edit->SetByte(180, 1);
    TNYXoggetto* check = Make(inputStat, 7);
    check->SetStr(97, 79, "");
    check->SetByte(181, 1);
    TNYXoggetto* radio = Make(inputStat, 6);
    radio->SetByte(181, 0);
    TNYXoggetto* combo = Make(inputStat, 9);
    combo->SetFirstStream("A\na\nn\nB\nb\nn\n");
    TNYXoggetto* list = Make(inputStat, 8);
    list->SetByte(182, 0);
    list->SetFirstStream("A\na\ns\nB\nb\ns\nC\nc\nn\n");

    present::TFieldState e(*edit), c(*check), r(*radio), co(*combo), l(*list);
    EXPECT_EQ(e.GetValue(), "iniziale");
    EXPECT_EQ(c.GetValue(), "on");  // default value of a checked box
    EXPECT_EQ(r.GetValue(), "");
    EXPECT_EQ(co.GetValue(), "a");  // none selected: the first item
    EXPECT_EQ(l.GetValue(), "b");   // the last item marked selected

    struct Case {
        present::TFieldState* f;
        const char* in;
        const char* out;
    } const cases[] = {
        {&e, "nuovo", "nuovo"}, {&c, "CHECKED", "on"}, {&c, "si", ""},
        {&r, "Checked", "checked"}, {&co, "b", "b"}, {&l, "c", "c"},
    };
    for (const Case& k : cases) {
        k.f->SetValue(k.in);
        EXPECT_EQ(k.f->GetValue(), k.out) << k.in;
    }
}

TEST_F(ObjectKinds, ResetRestoresOnlyItsOwnForm) {
    present::TFormStates forms;
    TNYXoggetto* e1 = Make(inputStat, 1);
    e1->SetStr(97, 79, "uno");
    e1->SetByte(180, 1);
    TNYXoggetto* e2 = Make(inputStat, 1);
    e2->SetStr(97, 79, "due");
    e2->SetByte(180, 1);
    TNYXoggetto* reset2 = Make(bottoneCGI, 3);
    forms.Add(*Make(inizioForm, 2));
    forms.Add(*e1);
    forms.Add(*Make(inizioForm, 2));
    forms.Add(*e2);
    forms.Add(*reset2);
    forms.Find(*e1)->SetValue("x");
    forms.Find(*e2)->SetValue("y");
    forms.ResetFormOf(*reset2);
    EXPECT_EQ(forms.Find(*e1)->GetValue(), "x");
    EXPECT_EQ(forms.Find(*e2)->GetValue(), "due");
}

}  // namespace
