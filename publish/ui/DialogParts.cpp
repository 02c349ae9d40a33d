#include "publish/ui/DialogParts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "platform/Ui.h"
#include "platform/text.h"

namespace publish {

QString CpToQ(const std::string& cp1252) { return QString::fromStdString(platform::text::Cp1252ToUtf8(cp1252)); }
std::string QToCp(const QString& text) { return platform::text::Utf8ToCp1252(text.toStdString()); }

QHBoxLayout* TServerFields::Build(QWidget* page, QFormLayout* form) {
    auto* top = new QHBoxLayout;
    configs = new QComboBox(page);
    add = new QPushButton(QStringLiteral("Nuova..."), page);
    top->addWidget(configs, 1);
    top->addWidget(add);
    form->addRow(QStringLiteral("Configurazione:"), top);
    server = new QLineEdit(page);
    port = new QSpinBox(page);
    port->setRange(1, 65535);
    timeout = new QSpinBox(page);
    timeout->setRange(1, 3600);
    user = new QLineEdit(page);
    form->addRow(QStringLiteral("Server:"), server);
    form->addRow(QStringLiteral("Porta:"), port);
    form->addRow(QStringLiteral("Time-out (s):"), timeout);
    form->addRow(QStringLiteral("Utente:"), user);
    return top;
}

void TServerFields::Show(const std::string& s, int p, int t, const std::string& u) {
    server->setText(CpToQ(s));
    port->setValue(p);
    timeout->setValue(t);
    user->setText(CpToQ(u));
}

QString TServerFields::ServerText() const { return server->text().trimmed(); }
int TServerFields::PortValue() const { return port->value(); }
int TServerFields::TimeoutValue() const { return timeout->value(); }
QString TServerFields::UserText() const { return user->text(); }

QLabel* NewStatusLabel(QWidget* parent) {
    auto* status = new QLabel(parent);
    status->setObjectName(QStringLiteral("status"));
    status->setTextFormat(Qt::PlainText);
    return status;
}

bool MayCloseWhileBusy(bool busy, const std::function<void()>& stop) {
    if (!busy) return true;
    if (platform::ui().AskYesNo("Alcune operazioni di rete sono ancora in corso. Vuoi cancellarle?") != platform::Answer::Yes)
        return false;
    stop();
    return true;
}

}  // namespace publish
