// The object commands of the main window: "Inserisci" puts a button on the
// page, the "Bottone" menu opens its properties and deletes it, offscreen.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>

#include <fstream>

#include "model/NYXset.h"
#include "platform/testing/FixedEnv.h"
#include "platform/testing/ScriptedUi.h"
#include "present/ObjectMedia.h"
#include "present/ui/InsiemeCornici.h"
#include "present/ui/ObjectDialogs.h"
#include "present/ui/ObjectEdit.h"
#include "richtext/ui/BoxWidget.h"
#include "richtext/TextAttributes.h"
#include "richtext/ui/ObjectHandles.h"
#include "richtext/ui/RulerWidget.h"
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

TEST_F(ObjectCommandsTest, ASoundFromInserisciPlaysTheFileChosenInItsProperties) {
    richtext::ui::TNYXpageView* v = form->FrameSet()->CurrentView();
    ASSERT_NE(v, nullptr);
    v->Editing().SetCaret({v->Box().BodyBegin(), 0});
    for (const char* c : {"actInsSuono", "actInsVideo", "actInsCornice"}) {
        SCOPED_TRACE(c);
        ASSERT_NE(form->Command(c), nullptr);
        EXPECT_TRUE(form->Command(c)->isEnabled());
    }
    form->Command("actInsSuono")->trigger();
    richtext::TNYXembedded* e = v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->Record()->Type(), model::multiMedia);
    EXPECT_EQ(e->width, 141);  // the player bar
    ASSERT_TRUE(present::ui::HandlesOf(*v)->Select(*e));
    const fs::path wav = dir / "campana.wav";
    std::ofstream(wav, std::ios::binary) << "RIFF....WAVE";
    SetFileChooser([wav](QWidget*, const TFileRequest& r) -> std::optional<TFileAnswer> {
        if (r.caption != "File multimediale") return std::nullopt;
        return TFileAnswer{wav, 1};
    });
    SetDialogRunner([](QDialog& d) {
        auto* dialog = qobject_cast<present::ui::TFproprietaOggetto*>(&d);
        if (!dialog) return int(QDialog::Rejected);
        auto* browse = dialog->findChild<QPushButton*>(QStringLiteral("sfogliaFile"));
        if (!browse) return int(QDialog::Rejected);
        browse->click();
        if (dialog->findChild<QLineEdit*>(QStringLiteral("fileMultimediale"))->text() != QStringLiteral("campana.wav"))
            return int(QDialog::Rejected);
        dialog->accept();
        return int(QDialog::Accepted);
    });
    form->Command("actProprietaOggetto")->trigger();
    SetFileChooser({});
    // The new record belongs to the hypertext, so the file it names is found.
    EXPECT_EQ(e->Record()->Set(), &form->Document());
    const model::TNYXoggetto* file = form->Document().ObjectByRef(e->Record()->Int(17));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->GetName(), "campana.wav");
    EXPECT_FALSE(present::MediaFilePath(*e->Record()).empty());
    form->Command("actUndo")->trigger();
    e = v->Box().paragraphs[static_cast<std::size_t>(v->Box().BodyBegin())]->ObjectAt(0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Record()->Int(17), -1);
}

void Mouse(QWidget& w, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), QPointF(w.mapToGlobal(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

TEST_F(ObjectCommandsTest, TheRulerFollowsTheCaretAndItsLeftMarkerIsOneUndoStep) {
    form->resize(900, 700);
    form->show();
    QApplication::processEvents();
    auto* ruler = form->findChild<richtext::ui::TRulerWidget*>(QStringLiteral("righello"));
    ASSERT_NE(ruler, nullptr);
    richtext::ui::TNYXpageView* v = form->FrameSet()->CurrentView();
    ASSERT_NE(v, nullptr);
    const std::int32_t para = v->Box().BodyBegin();
    v->Editing().SetCaret({para, 0});
    form->UpdateEditCommands();
    const richtext::TKyRuler& r = ruler->Ruler();
    EXPECT_EQ(r.WindowSize(), v->Box().layoutWidth);
    EXPECT_EQ(ruler->mapToGlobal(QPoint(r.WindowStart(), 0)).x(), v->viewport()->mapToGlobal(QPoint(0, 0)).x());
    const richtext::TNYXParaAttributes attrs(v->Box());
    const std::int32_t left = attrs.Value(richtext::pfLeft), indent = attrs.Value(richtext::pfIndent);
    EXPECT_EQ(r.LeftPos(), std::clamp(left, 0, r.WindowSize()));

    // The left marker dragged 40 pixels right: the margin grows, the first line stays.
    const QPoint at(r.WindowStart() + r.LeftPos(), ruler->height() - richtext::TKyRuler::kSquareHeight - 3);
    ASSERT_EQ(r.MarkerAt(at.x(), at.y(), ruler->height()), richtext::TRulerMarker::kLeft);
    Mouse(*ruler, QEvent::MouseButtonPress, at);
    Mouse(*ruler, QEvent::MouseMove, at + QPoint(40, 0));
    Mouse(*ruler, QEvent::MouseButtonRelease, at + QPoint(40, 0));
    const richtext::TNYXParaAttributes after(v->Box());
    EXPECT_EQ(after.Value(richtext::pfLeft), left + 40);
    EXPECT_EQ(after.Value(richtext::pfLeft) + after.Value(richtext::pfIndent), left + indent);
    ASSERT_FALSE(form->UndoList().Labels().empty());
    EXPECT_EQ(form->UndoList().Labels().front().rfind("Margine sx ", 0), 0u);
    EXPECT_EQ(r.LeftPos(), std::clamp(left + 40, 0, r.WindowSize()));
    form->Command("actUndo")->trigger();
    EXPECT_EQ(richtext::TNYXParaAttributes(v->Box()).Value(richtext::pfLeft), left);
    EXPECT_EQ(richtext::TNYXParaAttributes(v->Box()).Value(richtext::pfIndent), indent);

    // In view mode the ruler does nothing.
    form->Command("actSoloLettura")->trigger();
    EXPECT_FALSE(ruler->isEnabled());
    form->Command("actSoloLettura")->trigger();
}

}  // namespace
