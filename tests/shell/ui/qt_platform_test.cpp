// The Qt answers of the platform layer: the captions and buttons of the
// standard boxes, the error-list window, calls from worker threads.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>

#include <atomic>
#include <thread>

#include "platform/qt/QtUi.h"
#include "support/QtApp.h"

using platform::Answer;
using platform::qt::TQtDispatch;
using platform::qt::TQtUi;

namespace {

QApplication& App() { return testsupport::QtApp(); }

// Once the box is up: notes its caption and presses the button with `text`.
struct BoxAnswer {
    QString caption, body, button;
    QStringList buttons;
    void Arm(const QString& press) {
        QTimer::singleShot(0, [this, press] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w) return Arm(press);
            caption = w->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(w)) {
                body = box->text();
                for (QAbstractButton* b : box->buttons()) {
                    buttons << b->text();
                    if (b->text() == press) b->click();
                }
            }
            if (auto* list = w->findChild<QListWidget*>()) body = QString::number(list->count());
            if (w->isVisible()) QMetaObject::invokeMethod(w, "accept", Qt::QueuedConnection);
        });
    }
};

TEST(QtUi, BoxesCarryTheirCaptions) {
    App();
    TQtUi ui("Quor");
    struct Case {
        void (*show)(TQtUi&);
        const char* caption;
    } cases[] = {
        {[](TQtUi& u) { u.Information("a\rb"); }, "Informazione"},
        {[](TQtUi& u) { u.Warning("w"); }, "Attenzione!"},
        {[](TQtUi& u) { u.Error("e"); }, "Errore!"},
    };
    for (const auto& c : cases) {
        BoxAnswer a;
        a.Arm(QStringLiteral("OK"));
        c.show(ui);
        EXPECT_EQ(a.caption.toStdString(), c.caption);
    }
    BoxAnswer first;
    first.Arm(QStringLiteral("OK"));
    ui.Information("riga 1\rriga 2");
    EXPECT_EQ(first.body.toStdString(), "riga 1\nriga 2");
}

TEST(QtUi, QuestionsAreCaptionedWithTheTitleAndAnswered) {
    App();
    TQtUi ui("Quor");
    BoxAnswer a;
    a.Arm(QStringLiteral("Annulla"));
    EXPECT_EQ(ui.AskYesNoCancel("Salvo?"), Answer::Cancel);
    EXPECT_EQ(a.caption.toStdString(), "Quor");
    EXPECT_EQ(a.buttons.size(), 3);
    BoxAnswer b;
    b.Arm(QStringLiteral("&No"));
    EXPECT_EQ(ui.AskYesNoCancel("Salvo?"), Answer::No);
    BoxAnswer c;
    c.Arm(QString::fromUtf8("&Sì"));
    EXPECT_EQ(ui.AskYesNo("Promemoria: vuoi salvare?"), Answer::Yes);
}

TEST(QtUi, ErrorListWindow) {
    App();
    TQtUi ui("Quor");
    BoxAnswer a;
    a.Arm(QString());
    ui.ShowErrorList("Salvataggio non riuscito!", {"uno", "due"});
    EXPECT_EQ(a.caption.toStdString(), "Errori");
    EXPECT_EQ(a.body.toStdString(), "2");
}

TEST(QtUi, BusyCursorNests) {
    App();
    TQtUi ui("Quor");
    ui.BeginBusy();
    ui.BeginBusy();
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    ui.EndBusy();
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    ui.EndBusy();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ui.EndBusy();  // one too many is harmless
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtDispatch, WorkersReachTheUiThread) {
    App();
    TQtDispatch d;
    EXPECT_TRUE(d.IsUiThread());
    std::atomic<bool> onUi{false}, waited{false}, posted{false};
    std::thread worker([&] {
        EXPECT_FALSE(d.IsUiThread());
        d.CallAndWait([&] { onUi = d.IsUiThread(); });
        waited = true;
        d.Post([&] { posted = true; });
    });
    for (int i = 0; i < 2000 && !(waited && posted); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_TRUE(onUi);
    EXPECT_TRUE(waited);
    EXPECT_TRUE(posted);
    // From the UI thread itself it runs at once.
    bool direct = false;
    d.CallAndWait([&] { direct = true; });
    EXPECT_TRUE(direct);
}

}  // namespace
