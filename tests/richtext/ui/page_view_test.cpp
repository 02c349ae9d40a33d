// The page view as a shell over its session: anchors scrolled to the top of
// the view, typographic quotes, the redo keys, and the idle timer started by
// what is typed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ManualTimers.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Markup.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "support/LinkTag.h"

using namespace richtext;
using namespace richtext::ui;

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "uitest_richtext";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(argc, argv);
}

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
}

using testsupport::Tag;

struct AppFirst {
    AppFirst() { EnsureApp(); }
};

struct PageViewFixture : AppFirst {
    PageViewFixture() {
        set.NewHypertext();
        view.resize(360, 200);
        view.SetUndoList(&undo);
        view.show();
        view.setFocus();
    }
    ~PageViewFixture() { view.SetUndoList(nullptr); }
    model::TNYXtesto* NewPage(const std::string& text) {
        auto* p = static_cast<model::TNYXtesto*>(set.NewObject(model::testoHtml));
        p->SetText(text);
        return p;
    }
    std::string Para(std::int32_t i) { return view.Box().paragraphs[static_cast<std::size_t>(i)]->text; }

    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope ui;
    platform::testing::ManualTimers clock;  // before the view makes its idle timer
    model::TNYXset set;
    TNYXundoList undo{&set};
    TNYXpageView view;
};

TEST(PageViewTest, AnAnchorFarDownComesToTheTopOfTheView) {
    PageViewFixture f;
    model::TNYXoggetto* anchor = f.set.NewObject(model::shortObj);
    anchor->SetSubtype(14);
    anchor->SetInt(5, 2);
    std::string text;
    for (int i = 0; i < 60; ++i) text += "<Z S0 >riga " + std::to_string(i);
    text += "<Z S0 >qui " + Tag(anchor->Reference()) + "ancora";
    for (int i = 0; i < 60; ++i) text += "<Z S0 >dopo " + std::to_string(i);
    model::TNYXtesto* page = f.NewPage(text);
    ASSERT_TRUE(f.view.ShowPage(f.set, page->Index()));
    QScrollBar* v = f.view.verticalScrollBar();
    EXPECT_EQ(v->value(), 0);
    ASSERT_TRUE(f.view.GoToAnchor(2));
    EXPECT_EQ(f.view.Box().caret, (TTextPos{60, 4}));
    EXPECT_GT(v->value(), 0);
    EXPECT_EQ(f.view.CaretRect().top(), v->value());  // the anchor's line at the top
    f.view.Editing().SetCaret({0, 0});
    f.view.SetViewMode(true);
    EXPECT_FALSE(f.view.GoToAnchor(9));  // silently, as a reader sees the page
    EXPECT_TRUE(f.ui.ui.messages.empty());
}

TEST(PageViewTest, TypedQuotesAreTypographicWhenAskedOnEveryPage) {
    PageViewFixture f;
    model::TNYXtesto* one = f.NewPage("<Z S0 >");
    model::TNYXtesto* two = f.NewPage("<Z S0 >");
    f.view.SetTypographicQuotes(true);
    ASSERT_TRUE(f.view.ShowPage(f.set, one->Index()));
    for (const char* t : {"\"", "a", "\"", " ", "'", "b", "'"}) Key(&f.view, 0, Qt::NoModifier, QString::fromLatin1(t));
    EXPECT_EQ(f.Para(0), "\x93" "a\x94 \x91" "b\x92");
    ASSERT_TRUE(f.view.ShowPage(f.set, two->Index()));  // a new box keeps the setting
    Key(&f.view, 0, Qt::NoModifier, QStringLiteral("\""));
    f.view.SetTypographicQuotes(false);
    Key(&f.view, 0, Qt::NoModifier, QStringLiteral("\""));
    EXPECT_EQ(f.Para(0), "\x93\"");
}

TEST(PageViewTest, CtrlYAndCtrlShiftZRedo) {
    PageViewFixture f;
    model::TNYXtesto* page = f.NewPage("<Z S0 >ab");
    ASSERT_TRUE(f.view.ShowPage(f.set, page->Index()));
    const std::string before = BoxText(f.view.Box());
    Key(&f.view, 0, Qt::NoModifier, QStringLiteral("x"));
    const std::string typed = BoxText(f.view.Box());
    Key(&f.view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(BoxText(f.view.Box()), before);
    Key(&f.view, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(BoxText(f.view.Box()), typed);
    Key(&f.view, Qt::Key_Z, Qt::ControlModifier);
    Key(&f.view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(BoxText(f.view.Box()), typed);
    EXPECT_TRUE(f.view.Edited());
    f.view.SetViewMode(true);  // a reader's page is not changed by the keys
    Key(&f.view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(BoxText(f.view.Box()), typed);
}

TEST(PageViewTest, TypingRestartsTheIdleTimer) {
    PageViewFixture f;
    model::TNYXtesto* page = f.NewPage("<Z S0 >ab");
    std::vector<int> fired;
    f.view.Session().onIdle = [&](int mode) { fired.push_back(mode); };
    ASSERT_TRUE(f.view.ShowPage(f.set, page->Index()));
    f.clock.Advance(1500);
    Key(&f.view, 0, Qt::NoModifier, QStringLiteral("x"));
    f.clock.Advance(1500);
    EXPECT_TRUE(fired.empty());
    f.clock.Advance(500);
    EXPECT_EQ(fired, std::vector<int>{0});
    Key(&f.view, Qt::Key_Right);  // moving the caret changes nothing
    f.clock.Advance(3000);
    EXPECT_EQ(fired.size(), 1u);
    f.view.LeavePage();
    EXPECT_FALSE(f.view.Session().IdlePending());
}

}  // namespace
