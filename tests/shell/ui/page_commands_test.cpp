// The page properties and page order windows of the main window, offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "model/Fields.h"
#include "model/NYXoggetto.h"
#include "model/NYXset.h"
#include "model/PageOrder.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "richtext/Undo.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "shell/ui/PageCommands.h"
#include "shell/ui/PageDialogs.h"
#include "present/ui/InsiemeCornici.h"
#include "support/MainWindowFixture.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;
using platform::testing::Message;

namespace {

class PageCommandsTest : public testsupport::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        ASSERT_TRUE(OpenForm(CopySample()));
    }
    model::TNYXoggetto& Shown() {
        return *form->Document().ObjectAt(model::testoHtml, form->FrameSet()->MainPageNumber());
    }
};

TEST_F(PageCommandsTest, PropertiesChangeTitleAndBackgroundAndAreUndone) {
    const std::string oldTitle = Shown().GetName();
    const std::int32_t oldBack = Shown().Int(model::pagerec::kBackColour);
    // A title over its capacity keeps the window open with a warning.
    SetDialogRunner([](QDialog& d) {
        d.findChild<QLineEdit*>("title")->setText(QString(72, 'x'));
        d.accept();
        return d.result();
    });
    EXPECT_FALSE(ShowPageProperties(*form));
    ASSERT_EQ(scripted.ui.Texts(Message::Warning).size(), 1u);
    EXPECT_NE(scripted.ui.Texts(Message::Warning)[0].find("71"), std::string::npos);
    EXPECT_EQ(Shown().GetName(), oldTitle);

    SetDialogRunner([](QDialog& d) {
        d.findChild<QLineEdit*>("title")->setText(QString::fromUtf8("Città nuova"));
        d.findChild<QLineEdit*>("backColour")->setText("#0000FF");
        d.accept();
        return d.result();
    });
    form->Command("actProprietaPagina")->trigger();
    EXPECT_EQ(Shown().GetName(), "Citt\xE0 nuova");
    EXPECT_EQ(Shown().Int(model::pagerec::kBackColour), 0xFF0000);  // stored as 00BBGGRR
    EXPECT_TRUE(form->Document().Modified());
    form->UndoList().UndoOnce();
    EXPECT_EQ(Shown().GetName(), oldTitle);
    EXPECT_EQ(Shown().Int(model::pagerec::kBackColour), oldBack);
}

TEST_F(PageCommandsTest, OrderWindowMovesAPageAndOkStoresIt) {
    model::TNYXset& set = form->Document();
    ASSERT_GE(set.Count(model::testoHtml), 2u);
    model::TNYXoggetto* first = set.ObjectAt(model::testoHtml, 0);
    std::size_t place = 0;  // of the first page among its siblings
    SetDialogRunner([&](QDialog& d) {
        auto& order = dynamic_cast<TFordinePagine&>(d);
        order.View()->setCurrentItem(order.ItemOf(
            [&]() -> model::TNYXtreeNode* {
                for (model::TNYXtreeNode* n : order.Tree().NodesInOrder())
                    if (order.Tree().NodeObject(*n) == first) return n;
                return nullptr;
            }()));
        place = order.NodeOf(order.View()->currentItem())->IndexInParent();
        d.findChild<QPushButton*>("down")->click();
        EXPECT_EQ(order.NodeOf(order.View()->currentItem())->IndexInParent(), place + 1);
        // Dropping the root anywhere is refused and changes nothing.
        const std::string before = order.Tree().StoredForm();
        order.View()->setCurrentItem(order.ItemOf(order.Tree().RootNode()));
        EXPECT_FALSE(order.DropOn(order.View()->topLevelItem(0)->child(0)));
        EXPECT_EQ(order.Tree().StoredForm(), before);
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(ShowPageOrder(*form));
    EXPECT_TRUE(set.Modified());
    const std::vector<model::TNYXoggetto*> order = model::PagesInNumberOrder(set);
    ASSERT_GE(order.size(), 2u);
    std::vector<model::TNYXoggetto*> inTree;
    model::TNYXorderedTree tree(&set, model::testoHtml);
    ASSERT_TRUE(tree.Reload());
    tree.ObjectsInOrder(inTree);
    std::erase(inTree, nullptr);
    EXPECT_EQ(inTree, order);
}

TEST_F(PageCommandsTest, OrderMovesAreUndoneAndRedone) {
    model::TNYXset& set = form->Document();
    const auto treeForm = [&] {
        model::TNYXorderedTree tree(&set, model::testoHtml);
        EXPECT_TRUE(tree.Reload());
        return tree.StoredForm();
    };
    const std::vector<model::TNYXoggetto*> before = model::PagesInNumberOrder(set);
    const std::string formBefore = treeForm();
    ASSERT_GE(before.size(), 2u);
    ASSERT_TRUE(form->ShowPageSlot(before[0]->Index()));
    ASSERT_TRUE(MoveShownPage(*form, +1));
    const std::vector<model::TNYXoggetto*> moved = model::PagesInNumberOrder(set);
    EXPECT_NE(treeForm(), formBefore);
    ASSERT_TRUE(form->UndoList().CanUndo());
    EXPECT_EQ(form->UndoList().Labels().front(), "Sposta pagina");
    form->UndoList().UndoOnce();
    EXPECT_EQ(model::PagesInNumberOrder(set), before);
    EXPECT_EQ(treeForm(), formBefore);
    ASSERT_TRUE(form->UndoList().CanRedo());
    form->UndoList().RedoOnce();
    EXPECT_EQ(model::PagesInNumberOrder(set), moved);
}

}  // namespace
