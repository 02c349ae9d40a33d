#include "shell/ui/QtLocalizableOwner.h"

#include <algorithm>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QTreeWidget>
#include <QWidget>

namespace shell::ui {

namespace {

QString ToQt(std::string_view utf8) {
    QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

std::string FromQt(const QString& s) {
    QString t = s;
    t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return t.toStdString();
}

// One entry per line; a final line break adds no empty entry.
QStringList Lines(const QString& s) {
    QStringList l = s.split(QLatin1Char('\n'));
    if (!l.isEmpty() && l.back().isEmpty()) l.pop_back();
    return l;
}

bool Is(std::string_view a, const char* b) { return a == b; }

// The localizable names that a class carries as Qt properties of its own.
void AddMetaProperties(const QObject* o, std::vector<std::string>& props) {
    const QMetaObject* m = o->metaObject();
    for (const std::string& p : kComponentProperties) {
        if (p == "hint") continue;
        const int i = m->indexOfProperty(p.c_str());
        if (i >= 0 && m->property(i).isWritable()) props.push_back(p);
    }
}

std::vector<std::string> PropertiesOf(const QObject* o, bool isWindow) {
    if (isWindow) return {"caption", "hint"};
    if (qobject_cast<const QAction*>(o) || qobject_cast<const QMenu*>(o)) return {"caption", "hint"};
    if (qobject_cast<const QLabel*>(o) || qobject_cast<const QAbstractButton*>(o)) return {"caption", "hint"};
    if (qobject_cast<const QGroupBox*>(o)) return {"caption", "title", "hint"};
    if (qobject_cast<const QDockWidget*>(o)) return {"caption", "hint"};
    if (qobject_cast<const QFileDialog*>(o)) return {"caption", "filter", "hint"};
    if (qobject_cast<const QLineEdit*>(o)) return {"text", "hint"};
    if (qobject_cast<const QComboBox*>(o)) return {"items", "strings", "text", "hint"};
    if (qobject_cast<const QListWidget*>(o)) return {"items", "strings", "hint"};
    if (qobject_cast<const QPlainTextEdit*>(o) || qobject_cast<const QTextEdit*>(o)) return {"lines", "text", "hint"};
    if (qobject_cast<const QTabWidget*>(o) || qobject_cast<const QTabBar*>(o)) return {"tabs", "hint"};
    if (qobject_cast<const QTreeWidget*>(o) || qobject_cast<const QTableWidget*>(o)) return {"columns", "hint"};
    std::vector<std::string> props;
    if (o->isWidgetType()) props.push_back("hint");
    AddMetaProperties(o, props);
    return props;
}

void SetHint(QObject* o, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    const QString shortHint = bar < 0 ? hint : hint.left(bar);
    const QString longHint = bar < 0 ? hint : hint.mid(bar + 1);
    if (auto* a = qobject_cast<QAction*>(o)) {
        a->setToolTip(shortHint);
        a->setStatusTip(longHint);
    } else if (auto* w = qobject_cast<QWidget*>(o)) {
        w->setToolTip(shortHint);
        w->setStatusTip(longHint);
    }
}

// "Testo|*.txt;*.asc|Tutti|*.*" -> {"Testo (*.txt *.asc)", "Tutti (*.*)"}
QStringList NameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << (desc.endsWith(QLatin1Char(')')) ? desc : desc + QLatin1String(" (") + patterns.trimmed() + QLatin1Char(')'));
    }
    return out;
}

void SetItems(QComboBox* c, const QStringList& items) {
    const int current = c->currentIndex();
    const QString edit = c->isEditable() ? c->currentText() : QString();
    c->clear();
    c->addItems(items);
    if (current >= 0 && current < c->count()) c->setCurrentIndex(current);
    if (c->isEditable()) c->setEditText(edit);
}

bool SetMeta(QObject* o, std::string_view property, const QString& v) {
    const std::string name(property);
    const QMetaObject* m = o->metaObject();
    const int i = m->indexOfProperty(name.c_str());
    if (i < 0 || !m->property(i).isWritable()) return false;
    if (m->property(i).metaType().id() == QMetaType::QStringList) return o->setProperty(name.c_str(), Lines(v));
    return o->setProperty(name.c_str(), v);
}

// Qt's own inner parts of composite widgets ("qt_tabwidget_tabbar", the tab
// bar's scroll buttons, ...) are not components of the window.
bool IsInternal(const QObject* o, const QObject* window) {
    for (const QObject* p = o; p && p != window; p = p->parent()) {
        if (p->objectName().startsWith(QLatin1String("qt_"))) return true;
        if (p != o && qobject_cast<const QTabBar*>(p)) return true;
    }
    return false;
}

}  // namespace

QObject* TQtLocalizableOwner::Find(std::string_view name) const {
    const QString n = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    if (window_->objectName().compare(n, Qt::CaseInsensitive) == 0) return window_;
    for (QObject* o : window_->findChildren<QObject*>())
        if (o->objectName().compare(n, Qt::CaseInsensitive) == 0 && !IsInternal(o, window_)) return o;
    return nullptr;
}

std::vector<TLocalizableComponent> TQtLocalizableOwner::LocalizableComponents() const {
    std::vector<TLocalizableComponent> out;
    out.push_back({window_->objectName().toStdString(), true, PropertiesOf(window_, true)});
    for (QObject* o : window_->findChildren<QObject*>()) {
        if (o->objectName().isEmpty() || IsInternal(o, window_)) continue;
        const bool menu = qobject_cast<QAction*>(o) || qobject_cast<QMenu*>(o);
        out.push_back({o->objectName().toStdString(), menu, PropertiesOf(o, false)});
    }
    return out;
}

bool TQtLocalizableOwner::AssignProperty(std::string_view component, std::string_view p, std::string_view utf8) {
    QObject* o = Find(component);
    if (!o) return false;
    const QString v = ToQt(utf8);
    if (Is(p, "hint")) {
        if (!o->isWidgetType() && !qobject_cast<QAction*>(o)) return false;
        SetHint(o, v);
        return true;
    }
    if (o == window_) {
        if (!Is(p, "caption")) return false;
        window_->setWindowTitle(v);
        return true;
    }
    if (Is(p, "caption")) {
        if (auto* a = qobject_cast<QAction*>(o)) return a->setText(v), true;
        if (auto* m = qobject_cast<QMenu*>(o)) return m->setTitle(v), true;
        if (auto* l = qobject_cast<QLabel*>(o)) return l->setText(v), true;
        if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->setText(v), true;
        if (auto* g = qobject_cast<QGroupBox*>(o)) return g->setTitle(v), true;
        if (auto* w = qobject_cast<QWidget*>(o); w && (qobject_cast<QDockWidget*>(o) || qobject_cast<QFileDialog*>(o)))
            return w->setWindowTitle(v), true;
    } else if (Is(p, "title")) {
        if (auto* g = qobject_cast<QGroupBox*>(o)) return g->setTitle(v), true;
    } else if (Is(p, "text")) {
        if (auto* e = qobject_cast<QLineEdit*>(o)) return e->setText(v), true;
        if (auto* c = qobject_cast<QComboBox*>(o)) {
            if (!c->isEditable()) return false;
            c->setEditText(v);
            return true;
        }
        if (auto* t = qobject_cast<QPlainTextEdit*>(o)) return t->setPlainText(v), true;
        if (auto* t = qobject_cast<QTextEdit*>(o)) return t->setPlainText(v), true;
    } else if (Is(p, "items") || Is(p, "strings")) {
        if (auto* c = qobject_cast<QComboBox*>(o)) return SetItems(c, Lines(v)), true;
        if (auto* l = qobject_cast<QListWidget*>(o)) {
            l->clear();
            l->addItems(Lines(v));
            return true;
        }
    } else if (Is(p, "lines")) {
        if (auto* t = qobject_cast<QPlainTextEdit*>(o)) return t->setPlainText(v), true;
        if (auto* t = qobject_cast<QTextEdit*>(o)) return t->setPlainText(v), true;
    } else if (Is(p, "tabs")) {
        const QStringList l = Lines(v);
        if (auto* t = qobject_cast<QTabWidget*>(o)) {
            for (int i = 0; i < t->count() && i < l.size(); ++i) t->setTabText(i, l[i]);
            return true;
        }
        if (auto* t = qobject_cast<QTabBar*>(o)) {
            for (int i = 0; i < t->count() && i < l.size(); ++i) t->setTabText(i, l[i]);
            return true;
        }
    } else if (Is(p, "columns")) {
        if (auto* t = qobject_cast<QTreeWidget*>(o)) return t->setHeaderLabels(Lines(v)), true;
        if (auto* t = qobject_cast<QTableWidget*>(o)) {
            const QStringList l = Lines(v);
            if (t->columnCount() < l.size()) t->setColumnCount(static_cast<int>(l.size()));
            t->setHorizontalHeaderLabels(l);
            return true;
        }
    } else if (Is(p, "filter")) {
        if (auto* d = qobject_cast<QFileDialog*>(o)) return d->setNameFilters(NameFilters(v)), true;
    }
    // Widgets of our own with a Qt property of that name; only the
    // localizable names ever reach here.
    const auto& allowed = kComponentProperties;
    if (std::find(allowed.begin(), allowed.end(), std::string(p)) == allowed.end()) return false;
    if (qobject_cast<QAction*>(o) || qobject_cast<QMenu*>(o)) return false;
    return SetMeta(o, p, v);
}

std::optional<std::string> TQtLocalizableOwner::PropertyValue(std::string_view component, std::string_view p) const {
    QObject* o = Find(component);
    if (!o) return std::nullopt;
    if (Is(p, "hint")) {
        if (auto* a = qobject_cast<QAction*>(o)) return FromQt(a->toolTip());
        if (auto* w = qobject_cast<QWidget*>(o)) return FromQt(w->toolTip());
        return std::nullopt;
    }
    if (o == window_) return Is(p, "caption") ? std::optional(FromQt(window_->windowTitle())) : std::nullopt;
    auto joined = [](const QStringList& l) { return FromQt(l.join(QLatin1Char('\n'))); };
    if (Is(p, "caption")) {
        if (auto* a = qobject_cast<QAction*>(o)) return FromQt(a->text());
        if (auto* m = qobject_cast<QMenu*>(o)) return FromQt(m->title());
        if (auto* l = qobject_cast<QLabel*>(o)) return FromQt(l->text());
        if (auto* b = qobject_cast<QAbstractButton*>(o)) return FromQt(b->text());
        if (auto* g = qobject_cast<QGroupBox*>(o)) return FromQt(g->title());
        if (auto* w = qobject_cast<QWidget*>(o)) return FromQt(w->windowTitle());
    } else if (Is(p, "title")) {
        if (auto* g = qobject_cast<QGroupBox*>(o)) return FromQt(g->title());
    } else if (Is(p, "text")) {
        if (auto* e = qobject_cast<QLineEdit*>(o)) return FromQt(e->text());
        if (auto* c = qobject_cast<QComboBox*>(o)) return FromQt(c->currentText());
        if (auto* t = qobject_cast<QPlainTextEdit*>(o)) return FromQt(t->toPlainText());
        if (auto* t = qobject_cast<QTextEdit*>(o)) return FromQt(t->toPlainText());
    } else if (Is(p, "items") || Is(p, "strings")) {
        QStringList l;
        if (auto* c = qobject_cast<QComboBox*>(o)) {
            for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
            return joined(l);
        }
        if (auto* w = qobject_cast<QListWidget*>(o)) {
            for (int i = 0; i < w->count(); ++i) l << w->item(i)->text();
            return joined(l);
        }
    } else if (Is(p, "lines")) {
        if (auto* t = qobject_cast<QPlainTextEdit*>(o)) return FromQt(t->toPlainText());
        if (auto* t = qobject_cast<QTextEdit*>(o)) return FromQt(t->toPlainText());
    } else if (Is(p, "tabs")) {
        QStringList l;
        if (auto* t = qobject_cast<QTabWidget*>(o)) {
            for (int i = 0; i < t->count(); ++i) l << t->tabText(i);
            return joined(l);
        }
        if (auto* t = qobject_cast<QTabBar*>(o)) {
            for (int i = 0; i < t->count(); ++i) l << t->tabText(i);
            return joined(l);
        }
    } else if (Is(p, "columns")) {
        QStringList l;
        if (auto* t = qobject_cast<QTreeWidget*>(o)) {
            for (int i = 0; i < t->columnCount(); ++i) l << t->headerItem()->text(i);
            return joined(l);
        }
        if (auto* t = qobject_cast<QTableWidget*>(o)) {
            for (int i = 0; i < t->columnCount(); ++i)
                l << (t->horizontalHeaderItem(i) ? t->horizontalHeaderItem(i)->text() : QString());
            return joined(l);
        }
    }
    const std::string name(p);
    const QVariant v = o->property(name.c_str());
    if (!v.isValid()) return std::nullopt;
    if (v.metaType().id() == QMetaType::QStringList) return joined(v.toStringList());
    return FromQt(v.toString());
}

}  // namespace shell::ui
