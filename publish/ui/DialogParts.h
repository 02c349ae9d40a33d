// What the two publishing windows (FTP and the publishing server) share: the
// text conversions of their fields, the configuration bar with the fields
// every server configuration has, the status line, and the question asked
// when the window closes while a network operation runs.
#pragma once

#include <QString>
#include <functional>
#include <string>

class QComboBox;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace publish {

// Model and configuration bytes (Windows-1252) to widget text and back.
QString CpToQ(const std::string& cp1252);
std::string QToCp(const QString& text);

inline constexpr const char* kNeedPassword = "Introdurre la password!";

// The configuration list with "Nuova..." and the rows "Server:", "Porta:",
// "Time-out (s):" and "Utente:".
struct TServerFields {
    QComboBox* configs = nullptr;
    QPushButton* add = nullptr;
    QLineEdit* server = nullptr;
    QSpinBox* port = nullptr;
    QSpinBox* timeout = nullptr;
    QLineEdit* user = nullptr;

    // Adds the rows to `form`; returns the bar of the configuration list, for
    // more buttons beside "Nuova...".
    QHBoxLayout* Build(QWidget* page, QFormLayout* form);

    template <class TConfig>
    void Load(const TConfig& c) {
        Show(c.server, c.port, c.timeout, c.user);
    }
    template <class TConfig>
    void Take(TConfig& c) const {
        c.server = QToCp(ServerText());
        c.port = PortValue();
        c.timeout = TimeoutValue();
        c.user = QToCp(UserText());
    }

private:
    void Show(const std::string& server, int port, int timeout, const std::string& user);
    QString ServerText() const;
    int PortValue() const;
    int TimeoutValue() const;
    QString UserText() const;
};

// The status line under a window's pages: plain text, named "status".
QLabel* NewStatusLabel(QWidget* parent);

// Closing while `busy`: asks "Alcune operazioni di rete sono ancora in
// corso. Vuoi cancellarle?"; yes calls `stop` and lets the window close.
bool MayCloseWhileBusy(bool busy, const std::function<void()>& stop);

}  // namespace publish
