// The object commands of the main window: "Inserisci" puts a button on the
// page, the "Bottone" menu opens its properties and deletes it, offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/ObjectDialogs.h"
#include "present/ui/ObjectEdit.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/ui/ObjectHandles.h"
#include "shell/OptionsStore.h"
#include "shell/ui/DialogSeam.h"
#include "shell/ui/MainForm.h"
#include "support/QtApp.h"

namespace fs = std::filesystem;
using namespace shell;
using namespace shell::ui;

namespace {

class ObjectCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::QtApp();
        setenv("XDG_DATA_HOME", (dir / "xdg").c_str(), 1);
        store = std::make_unique<TOptionsStore>(dir / "options.ini");
        previousStore = SetOptions(store.get());
        paths.programFolder = dir / "prog";
        paths.dataFolder = fs::path(QUOR_SOURCE_DIR) / "data";
        paths.userFolder = dir / "user";
        paths.examplesFolder = dir / "examples";
        fs::create_directories(paths.examplesFolder);
        fs::copy_file(fs::path(QUOR_SOURCE_DIR) / "examples/sample.nyx", dir / "guida.nyx");
        form = std::make_unique<TMainForm>(paths);
        ASSERT_TRUE(form->OpenDocument(dir / "guida.nyx", true));
    }
    void TearDown() override {
        SetDialogRunner({});
        form.reset();
        SetOptions(previousStore);
        unsetenv("XDG_DATA_HOME");
    }
    platform::testing::TempDir dir;
    platform::testing::FixedEnv env;
    platform::testing::ScriptedUiScope scripted;
    std::unique_ptr<TOptionsStore> store;
    TOptionsStore* previousStore = nullptr;
    TProgramPaths paths;
    std::unique_ptr<TMainForm> form;
};

TEST_F(ObjectCommandsTest, TheBottoneMenuEditsAndDeletesTheSelectedButton) {
    auto* menu = form->findChild<QMenu*>(QStringLiteral("mnBottone"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isEnabled());
    richtext::ui::TNYXpageView* v = form->FrameSet()->CurrentView();
    ASSERT_NE(v, nullptr);
    v->Editing().SetCaret({v->Box().BodyBegin(), 0});
    ASSERT_TRUE(form->Command("actInsBottone")->isEnabled());
    form->Command("actInsBottone")->trigger();
    richtext::ui::TObjectHandles* handles = present::ui::HandlesOf(*v);
    ASSERT_NE(handles, nullptr);
    richtext::TNYXembedded* e = v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0);
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(handles->Select(*e));
    SetDialogRunner([](QDialog& d) {
        auto* dialog = qobject_cast<present::ui::TFproprietaOggetto*>(&d);
        if (!dialog) return int(QDialog::Rejected);
        if (auto* caption = qobject_cast<QLineEdit*>(dialog->FieldWidget("etichetta")))
            caption->setText(QStringLiteral("Avanti"));
        dialog->accept();
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(form->Command("actProprietaOggetto")->isEnabled());
    form->Command("actProprietaOggetto")->trigger();
    EXPECT_EQ(e->Record()->Str(97, 79), "Avanti");
    form->Command("actEliminaOggetto")->trigger();
    EXPECT_EQ(v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0), nullptr);
    form->Command("actUndo")->trigger();
    EXPECT_NE(v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0), nullptr);
}

}  // namespace
