// The Qt side of interface texts: a window's widgets and actions, found by
// object name, as the components a TKyLanguager localizes.
//
// Which property means what on which widget:
//   window (the top widget)      caption -> windowTitle, hint
//   QAction, QMenu (menu items)  caption -> text / title, hint
//   QLabel, QAbstractButton      caption -> text, hint
//   QGroupBox                    caption, title -> title, hint
//   QDockWidget                  caption -> windowTitle, hint
//   QLineEdit                    text, hint
//   QComboBox                    items, strings (the item texts), text (editable ones), hint
//   QListWidget                  items, strings, hint
//   QPlainTextEdit, QTextEdit    lines, text (plain text), hint
//   QTabWidget, QTabBar          tabs (one line per tab), hint
//   QTreeWidget, QTableWidget    columns (header labels), hint
//   QFileDialog                  filter ("Testo|*.txt|Tutti|*.*"), caption, hint
//   other named widgets          hint, and any of the localizable names that
//                                the class has as a Qt property of its own
// "hint" is "short|long": the short part becomes the tool tip, the long one
// (the whole text when there is no "|") the status tip. Line breaks of a
// value become "\n"; list properties take one entry per line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/Languager.h"

class QObject;
class QWidget;

namespace shell::ui {

class TQtLocalizableOwner : public shell::TLocalizableOwner {
public:
    // `window` stays owned by the caller and must outlive this object.
    explicit TQtLocalizableOwner(QWidget* window) : window_(window) {}

    std::vector<TLocalizableComponent> LocalizableComponents() const override;
    bool AssignProperty(std::string_view component, std::string_view property, std::string_view utf8) override;
    std::optional<std::string> PropertyValue(std::string_view component, std::string_view property) const override;

private:
    QObject* Find(std::string_view name) const;
    QWidget* window_;
};

}  // namespace shell::ui
