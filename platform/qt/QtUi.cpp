#include "platform/qt/QtUi.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace platform::qt {

namespace {
QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Markup-free text: the core writes "\r" for line breaks in some messages.
QString BoxText(std::string_view s) {
    QString t = Q(s);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

void Box(QWidget* parent, QMessageBox::Icon icon, const char* caption, std::string_view text) {
    QMessageBox box(icon, QString::fromUtf8(caption), BoxText(text), QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
}  // namespace

QWidget* TQtUi::Parent() const {
    if (parent_) return parent_;
    return QApplication::activeWindow();
}

void TQtUi::Information(std::string_view text) { Box(Parent(), QMessageBox::Information, "Informazione", text); }
void TQtUi::Warning(std::string_view text) { Box(Parent(), QMessageBox::Warning, "Attenzione!", text); }
void TQtUi::Error(std::string_view text) { Box(Parent(), QMessageBox::Critical, "Errore!", text); }

Answer TQtUi::AskYesNo(std::string_view text) {
    QMessageBox box(QMessageBox::Question, Q(title_), BoxText(text), QMessageBox::Yes | QMessageBox::No, Parent());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

Answer TQtUi::AskYesNoCancel(std::string_view text) {
    QMessageBox box(QMessageBox::Question, Q(title_), BoxText(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, Parent());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Annulla"));
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        default: return Answer::Cancel;
    }
}

void TQtUi::ShowErrorList(std::string_view caption, const std::vector<std::string>& messages) {
    QDialog dlg(Parent());
    dlg.setObjectName(QStringLiteral("Errori"));
    dlg.setWindowTitle(QStringLiteral("Errori"));
    dlg.setWindowModality(Qt::ApplicationModal);
    auto* lay = new QVBoxLayout(&dlg);
    auto* head = new QLabel(Q(caption), &dlg);
    QFont f = head->font();
    f.setBold(true);
    head->setFont(f);
    lay->addWidget(head);
    auto* list = new QListWidget(&dlg);
    for (const auto& m : messages) list->addItem(Q(m));
    lay->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    lay->addWidget(buttons);
    dlg.resize(480, 280);
    dlg.exec();
}

void TQtUi::BeginBusy() {
    if (busy_++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TQtUi::EndBusy() {
    if (busy_ <= 0) return;
    if (--busy_ == 0) QApplication::restoreOverrideCursor();
}

void TQtUi::ProcessEvents(int rounds) {
    for (int i = 0; i < rounds; ++i) QCoreApplication::processEvents();
}

void TQtDispatch::Post(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void TQtDispatch::CallAndWait(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || IsUiThread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(fn), Qt::BlockingQueuedConnection);
}

bool TQtDispatch::RunPending() {
    QCoreApplication::processEvents();
    return false;
}

bool TQtDispatch::IsUiThread() const {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

namespace {

class TQtTimer : public Timer {
public:
    TQtTimer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            // The callback may stop, restart or free this timer.
            std::function<void()> fn = fn_;
            if (fn) fn();
        });
    }
    void Start(int ms, std::function<void()> fn, bool repeat) override {
        fn_ = std::move(fn);
        timer_.setSingleShot(!repeat);
        timer_.start(ms);
    }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> fn_;
};

}  // namespace

std::unique_ptr<Timer> TQtTimers::MakeTimer() { return std::make_unique<TQtTimer>(); }

}  // namespace platform::qt
