// The link commands of the main window: a link made through the dialog on a
// selected word leads to an anchor of another page, in view mode too, and
// is undone as one step; removing a link and inserting an anchor.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSpinBox>

#include <cstdio>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/Types.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Navigation.h"
#include "richtext/PageSession.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/PopupMenu.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/LinkCommands.h"
#include "shell/ui/LinkDialog.h"
#include "shell/ui/MainForm.h"
#include "support/MainWindowFixture.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell::ui;

namespace {

class LinkCommandsTest : public testsupport::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
    }
    // Four pages; page 3 holds anchor 2 in its second paragraph.
    fs::path MakeNyx() {
        const fs::path p = dir / "links.nyx";
        model::TNYXset s;
        s.NewHypertext();
        while (s.Count(model::testoHtml) < 4) s.NewObject(model::testoHtml);
        model::TNYXoggetto* anchor = s.NewObject(model::shortObj);
        anchor->SetSubtype(model::markerrec::kAnchor);
        anchor->SetInt(model::markerrec::kValue, 2);
        char text[96];
        std::snprintf(text, sizeof text, "<Z S0 >Inizio<Z S0 >Qui <$%08X>la meta", anchor->Reference());
        static_cast<model::TNYXtesto*>(s.ObjectAt(model::testoHtml, 3))->SetText(text);
        s.ObjectAt(model::testoHtml, 3)->SetName("Meta");
        static_cast<model::TNYXtesto*>(s.ObjectAt(model::testoHtml, 0))->SetText("<Z S0 >Vai alla meta adesso");
        EXPECT_TRUE(s.SaveToFile(p));
        return p;
    }
};

// The dialog's answer: page "Meta" found by title, anchor 2.
int ChooseMetaAnchor(QDialog& d) {
    d.findChild<QLineEdit*>(QStringLiteral("search"))->setText(QStringLiteral("met"));
    d.findChild<QSpinBox*>(QStringLiteral("anchor"))->setValue(2);
    // The description line follows the choices.
    EXPECT_TRUE(dynamic_cast<shell::ui::TFlink&>(d).DescriptionShown().endsWith(QStringLiteral("#a2 @3")))
        << dynamic_cast<shell::ui::TFlink&>(d).DescriptionShown().toStdString();
    d.accept();
    return d.result();
}

std::int32_t LinkOf(richtext::TNYXbox& box, std::int32_t para, std::int32_t ch) {
    return box.paragraphs[static_cast<std::size_t>(para)]->recs[static_cast<std::size_t>(ch)].link;
}

}  // namespace

TEST_F(LinkCommandsTest, LinkToAnAnchorOfAnotherPageIsFollowedInViewModeAndUndone) {
    TMainForm form(paths);
    ASSERT_TRUE(form.OpenDocument(MakeNyx(), true));
    auto* view = form.PageView();
    ASSERT_EQ(view->PageSlot(), 0);
    richtext::TNYXbox& box = view->Box();
    const std::int32_t para = box.BodyBegin();
    // "meta" in "Vai alla meta adesso".
    view->Editing().Select({para, 9}, {para, 13});
    SetDialogRunner(ChooseMetaAnchor);
    form.Command("actCollegamento")->trigger();
    const std::int32_t key = LinkOf(box, para, 9);
    ASSERT_NE(key, -1);
    EXPECT_EQ(LinkOf(box, para, 12), key);
    EXPECT_EQ(LinkOf(box, para, 8), -1);
    EXPECT_EQ(LinkOf(box, para, 13), -1);
    const richtext::TLinkTarget t = view->Session().LinkTarget(key);
    EXPECT_EQ(t.page, 3);
    EXPECT_EQ(t.anchor, 2);

    form.Command("actUndo")->trigger();
    EXPECT_EQ(LinkOf(view->Box(), para, 9), -1);

    // Made again, and followed as a reader would.
    view->Editing().Select({para, 9}, {para, 13});
    form.Command("actCollegamento")->trigger();
    const std::int32_t again = LinkOf(view->Box(), para, 9);
    ASSERT_NE(again, -1);
    form.Command("actSoloLettura")->setChecked(true);
    form.Command("actSoloLettura")->trigger();
    ASSERT_TRUE(form.FollowLink(again));
    QApplication::processEvents();
    view = form.PageView();
    EXPECT_EQ(view->PageSlot(), 3);
    EXPECT_EQ(view->Box().caret.para, view->Box().BodyBegin() + 1);
    EXPECT_EQ(view->Box().caret.ch, 4);
    EXPECT_TRUE(scripted.ui.messages.empty());
}

TEST_F(LinkCommandsTest, RefusedChoicesKeepTheDialogOpenAndNoSelectionWarns) {
    TMainForm form(paths);
    ASSERT_TRUE(form.OpenDocument(MakeNyx(), true));
    auto* view = form.PageView();
    const std::int32_t para = view->Box().BodyBegin();
    // No selection, no link under the caret: the editor's warning, no dialog.
    int dialogs = 0;
    SetDialogRunner([&](QDialog&) { return ++dialogs, int(QDialog::Accepted); });
    view->Editing().SetCaret({para, 1});
    form.Command("actCollegamento")->trigger();
    EXPECT_EQ(dialogs, 0);
    ASSERT_FALSE(scripted.ui.messages.empty());
    EXPECT_EQ(scripted.ui.messages.back().text, "Selection must exists!");
    // A window name of 20 characters is refused and the dialog stays open.
    view->Editing().Select({para, 0}, {para, 3});
    SetDialogRunner([](QDialog& d) {
        d.findChild<QComboBox*>(QStringLiteral("kind"))->setCurrentIndex(1);
        d.findChild<QLineEdit*>(QStringLiteral("address"))->setText(QStringLiteral("http://esempio.it/"));
        d.findChild<QComboBox*>(QStringLiteral("mode"))->setCurrentIndex(2);
        d.findChild<QLineEdit*>(QStringLiteral("window"))->setText(QString(20, QLatin1Char('w')));
        d.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        d.findChild<QLineEdit*>(QStringLiteral("window"))->setText(QString(19, QLatin1Char('w')));
        d.accept();
        return d.result();
    });
    form.Command("actCollegamento")->trigger();
    EXPECT_NE(scripted.ui.messages.back().text.find("al massimo 19"), std::string::npos);
    const std::int32_t key = LinkOf(view->Box(), para, 0);
    ASSERT_NE(key, -1);
    EXPECT_EQ(view->Session().LinkRecord(key)->Type(), model::speclink);
    // Removing it from the text's pop-up menu over the link, with the caret elsewhere.
    view->Editing().SetCaret({para, 1});
    const QPoint over = view->CaretRect().center() + QPoint(2, 0);
    view->Editing().SetCaret(richtext::TextEnd(view->Box()));
    QMenu menu;
    ASSERT_TRUE(richtext::ui::FillPopup(menu, richtext::ui::TPopupPlace::kTop, {*view, over, key, false}));
    auto* remove = menu.findChild<QAction*>(QStringLiteral("pmRimuoviCollegamento"));
    ASSERT_TRUE(remove);
    EXPECT_TRUE(menu.findChild<QAction*>(QStringLiteral("pmModificaCollegamento")));
    remove->trigger();
    EXPECT_EQ(LinkOf(view->Box(), para, 0), -1);
    // Away from a link the menu has no link entries.
    QMenu plain;
    EXPECT_FALSE(richtext::ui::FillPopup(plain, richtext::ui::TPopupPlace::kTop, {*view, over, -1, false}));
}
