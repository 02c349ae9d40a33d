// The "Formato" toolbar on a page of the sample hypertext: size, colour, a
// numbered list and a paragraph style applied to the selection, each one
// undo step with its label, and "Simbolo..." typing the chosen character.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <memory>

#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Attributes.h"
#include "richtext/StyleSheet.h"
#include "richtext/Undo.h"
#include "richtext/ui/BoxWidget.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "support/MainWindowFixture.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;

namespace {

class FormatBarTest : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(OpenForm(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx"));
        view = form->PageView();
        para = view->Box().BodyBegin() + 1;
        view->Editing().Select({para, 0}, {para, 4});
    }
    void TearDown() override {
        form.reset();
        SetDialogRunner({});
        MainWindowFixture::TearDown();
    }
    const richtext::TNYXparag& P() const { return *view->Box().paragraphs[static_cast<std::size_t>(para)]; }
    template <class W>
    W* Bar(const char* name) {
        auto* w = form->findChild<QToolBar*>(QStringLiteral("tbFormato"))->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QAction* BarAction(const char* name) {
        for (QAction* a : form->findChild<QToolBar*>(QStringLiteral("tbFormato"))->actions())
            if (a->objectName() == QLatin1String(name)) return a;
        ADD_FAILURE() << name;
        return nullptr;
    }
    std::string NewestLabel() { return form->UndoList().Labels().front(); }

    richtext::ui::TNYXpageView* view = nullptr;
    std::int32_t para = 0;
};

TEST_F(FormatBarTest, SizeColourListAndStyleFromTheBarAreEachOneUndoStep) {
    const richtext::TMyFont before = P().FontAt(0);
    const std::int32_t listBefore = P().style.Get(richtext::pfList);
    ASSERT_EQ(listBefore, 0);

    auto* sizes = Bar<QComboBox>("cbDimensione");
    emit sizes->textActivated(QStringLiteral("30"));
    EXPECT_EQ(P().FontAt(0).size, 30);
    EXPECT_EQ(P().FontAt(4).size, before.size);  // only the selection
    EXPECT_EQ(NewestLabel(), "Applica dimensione font 30");

    emit sizes->textActivated(QStringLiteral("3000"));  // refused with a message, nothing done
    EXPECT_EQ(scripted.ui.Texts(platform::testing::Message::Warning).size(), 1u);
    EXPECT_EQ(P().FontAt(0).size, 30);

    auto* colour = Bar<QToolButton>("tbColore");
    QAction* red = colour->menu()->findChild<QAction*>(QStringLiteral("actColore0000ff"));
    ASSERT_NE(red, nullptr);
    red->trigger();
    EXPECT_EQ(P().FontAt(0).colour, 0x0000FFu);
    EXPECT_EQ(NewestLabel(), "Applica colore Rosso");

    BarAction("actNumerazione")->trigger();
    EXPECT_EQ(P().style.Get(richtext::pfList), 6);
    EXPECT_EQ(NewestLabel(), "Numerazione 6");

    ASSERT_TRUE(richtext::AddStyle(form->Document(), "Titolo"));
    auto* styles = Bar<QComboBox>("cbStile");
    emit styles->textActivated(QStringLiteral("Titolo"));
    ASSERT_NE(P().style.Named(), nullptr);
    EXPECT_EQ(P().style.Named()->GetName(), "Titolo");
    EXPECT_EQ(NewestLabel(), "Stile Titolo");

    // Undoing walks back through every step.
    form->Command("actUndo")->trigger();
    EXPECT_NE(P().style.Named()->GetName(), "Titolo");
    form->Command("actUndo")->trigger();
    EXPECT_EQ(P().style.Get(richtext::pfList), 0);
    form->Command("actUndo")->trigger();
    EXPECT_EQ(P().FontAt(0).colour, before.colour);
    form->Command("actUndo")->trigger();
    EXPECT_EQ(P().FontAt(0).size, before.size);
}

TEST_F(FormatBarTest, SymbolTypesTheChosenCharacter) {
    view->Editing().SetCaret({para, 0});
    SetDialogRunner([](QDialog& d) {
        if (auto* b = d.findChild<QToolButton*>(QStringLiteral("sym233"))) b->click();  // e acute
        return d.result();
    });
    QAction* symbol = form->Command("actSimbolo");
    ASSERT_TRUE(symbol->isEnabled());
    symbol->trigger();
    EXPECT_EQ(static_cast<unsigned char>(P().text[0]), 0xE9);
}

TEST_F(FormatBarTest, DeletingAStyleInTheStyleWindowIsUndone) {
    model::TNYXset& set = form->Document();
    model::TNYXoggetto* nota = richtext::AddStyle(set, "Nota");
    ASSERT_TRUE(nota);
    const std::int64_t slot = nota->Index();
    scripted.ui.answers.push_back(platform::Answer::Yes);
    SetDialogRunner([](QDialog& d) {
        auto* list = d.findChild<QListWidget*>(QStringLiteral("lbStili"));
        const auto items = list->findItems(QStringLiteral("Nota"), Qt::MatchExactly);
        EXPECT_EQ(items.size(), 1);
        if (!items.empty()) list->setCurrentItem(items.front());
        d.findChild<QPushButton*>(QStringLiteral("btElimina"))->click();
        EXPECT_TRUE(list->findItems(QStringLiteral("Nota"), Qt::MatchExactly).empty());
        return int(QDialog::Accepted);
    });
    BarAction("actStili")->trigger();
    EXPECT_EQ(richtext::StyleByName(set, "Nota"), nullptr);
    EXPECT_EQ(NewestLabel(), "Elimina stile: Nota");
    form->UndoList().UndoOnce();
    model::TNYXoggetto* back = richtext::StyleByName(set, "Nota");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Index(), slot);
}

TEST_F(FormatBarTest, FontAndSizeBoxesFollowTheCaret) {
    const std::int32_t size = P().FontAt(6).size;
    auto* sizes = Bar<QComboBox>("cbDimensione");
    emit sizes->textActivated(QStringLiteral("30"));
    ASSERT_EQ(P().FontAt(0).size, 30);
    view->Editing().SetCaret({para, 0});
    const auto key = [&](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(view, &press);
    };
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    EXPECT_EQ(sizes->currentText(), QStringLiteral("30"));
    for (int i = 0; i < 5; ++i) key(Qt::Key_Right);
    EXPECT_EQ(sizes->currentText(), QString::number(size));
    EXPECT_EQ(Bar<QComboBox>("cbFont")->currentText().toStdString(), P().FontAt(6).name);
}

}  // namespace
